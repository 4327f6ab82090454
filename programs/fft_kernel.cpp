/*
 * fft_kernel.cpp --
 *
 *	Decimation-in-time FFT over single-precision complex pairs.
 *
 *	The arithmetic is that of the radix-2 transform the FFT image files
 *	were always written with: within a stage the twiddle advances by one
 *	complex multiplication in double precision from the tabulated step
 *	of that stage; the twiddle product is made in double precision and
 *	rounded to single precision before it meets the data. Every kernel
 *	here does exactly those operations in that order (never a fused
 *	multiply-add), so files come out the same to the bit.
 *
 *	What changes is the order the butterflies are visited in:
 *	- the stages go two at a time, as radix-4 passes: each butterfly of
 *	  the pass loads four values, applies both stages' butterflies in
 *	  registers and stores once, which halves the sweeps over the data;
 *	- LANES lines are transformed together, interleaved value by value
 *	  in a work area (LANES real parts, then LANES imaginary parts for
 *	  each position), so that every butterfly is a whole vector of lines
 *	  under one twiddle. Gathering the lines into the work area also
 *	  does the bit reversal and the centring swap, and the transposition
 *	  makes a column strip as cheap to transform as a block of rows.
 */
#include "programs/fft_kernel.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/gmem.h"
#include "ovex/ovexstdio.h"

/* Every product is rounded before it is added: no fused multiply-adds,
 * whichever vector unit a copy below is built for. The eight-lane helpers
 * are always inlined, so their vector arguments never cross a call. */
#pragma GCC optimize("fp-contract=off")
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

const double PI = 3.141592653589793;

/* Lines transformed together in the work area. */
const int LANES = 16;

/* Lines longer than this go one at a time, in place, so that the work area
 * (LANES x 8 bytes per value) stays small next to the caller's buffer. */
const int LANE_LENGTH_MAX = 65536;

bool isPowerOfTwo(int n)
{
    return n >= 1 && (n & (n - 1)) == 0;
}

int log2Of(int n)
{
    int bits = 0;
    while ((1 << bits) < n) {
        bits++;
    }
    return bits;
}

/* The index with the lowest `bits` bits of i in reverse order. */
int bitReversed(int i, int bits)
{
    int r = 0;
    for (int b = 0; b < bits; b++) {
        r = (r << 1) | ((i >> b) & 1);
    }
    return r;
}

/*
 * stageTwiddles --
 *	The twiddles of every stage, made by the recurrence a butterfly loop
 *	would step through: the stage of half h keeps h real parts, then h
 *	imaginary parts, from entry 2 (h - 1). 2 (n - 1) doubles in all,
 *	made once for all the lines of a pass.
 */
void stageTwiddles(int n, const double *cosTable, const double *sinTable, double *table)
{
    for (int length = 2; length <= n; length <<= 1) {
        int half = length / 2;
        double *wReAt = table + 2 * (size_t)(half - 1), *wImAt = wReAt + half;
        double stepRe = cosTable[length - 1], stepIm = sinTable[length - 1];
        double wRe = 1.0, wIm = 0.0;
        for (int m = 0; m < half; m++) {
            wReAt[m] = wRe;
            wImAt[m] = wIm;
            double previous = wRe;
            wRe = wRe * stepRe - wIm * stepIm;
            wIm = wIm * stepRe + previous * stepIm;
        }
    }
}

/* ---- Butterflies ---------------------------------------------------------- */

/* Eight lanes of single and double precision values. */
typedef float Floats8 __attribute__((vector_size(32)));
typedef double Doubles8 __attribute__((vector_size(64)));

inline __attribute__((always_inline)) double widen(float x)
{
    return x;
}

inline __attribute__((always_inline)) Doubles8 widen(Floats8 x)
{
    return __builtin_convertvector(x, Doubles8);
}

inline __attribute__((always_inline)) float narrow(double x)
{
    return (float)x;
}

inline __attribute__((always_inline)) Floats8 narrow(Doubles8 x)
{
    return __builtin_convertvector(x, Floats8);
}

/* The butterfly of low value a and high value x under twiddle (wr, wi),
 * for one value or eight lanes at once. */
template <typename V>
inline __attribute__((always_inline)) void butterfly(V &aRe, V &aIm, V &xRe, V &xIm,
                                                     double wr, double wi)
{
    auto dRe = widen(xRe), dIm = widen(xIm);
    V tRe = narrow(wr * dRe - wi * dIm);
    V tIm = narrow(wr * dIm + wi * dRe);
    xRe = aRe - tRe;
    xIm = aIm - tIm;
    aRe = aRe + tRe;
    aIm = aIm + tIm;
}

/*
 * Lane --
 *	The values of one position of L lines: L real parts, then L
 *	imaginary parts (for L = 1, one complex value as the data holds
 *	it), handled WIDTH lanes at a time.
 */
template <int L> struct Lane {
    typedef Floats8 V;
    static const int WIDTH = 8;
    static V load(const float *at)
    {
        V v;
        memcpy(&v, at, sizeof v);
        return v;
    }
    static void store(float *at, V v)
    {
        memcpy(at, &v, sizeof v);
    }
};

template <> struct Lane<1> {
    typedef float V;
    static const int WIDTH = 1;
    static V load(const float *at)
    {
        return *at;
    }
    static void store(float *at, V v)
    {
        *at = v;
    }
};

/*
 * stagesOf --
 *	Every stage of the transform of L lines of n positions, work in the
 *	bit-reversed order. An odd stage count starts with one radix-2 stage;
 *	the rest go in radix-4 passes: a pass over groups of 4h positions
 *	does the stage of half h (pairs m, m + h and m + 2h, m + 3h under
 *	twiddle m) and the stage of half 2h (pairs m, m + 2h under twiddle
 *	m and m + h, m + 3h under twiddle m + h) with the four values held.
 */
template <int L>
inline __attribute__((always_inline)) void stagesOf(int n, float *work, const double *table)
{
    typedef Lane<L> Ln;
    typedef typename Ln::V V;
    const size_t ROW = 2 * (size_t)L;
    int half = 1;
    if (log2Of(n) & 1) {
        double wr = table[0], wi = table[1];
        for (int base = 0; base < n; base += 2) {
            float *low = work + (size_t)base * ROW, *high = low + ROW;
            for (int k = 0; k < L; k += Ln::WIDTH) {
                V aRe = Ln::load(low + k), aIm = Ln::load(low + L + k);
                V xRe = Ln::load(high + k), xIm = Ln::load(high + L + k);
                butterfly(aRe, aIm, xRe, xIm, wr, wi);
                Ln::store(low + k, aRe);
                Ln::store(low + L + k, aIm);
                Ln::store(high + k, xRe);
                Ln::store(high + L + k, xIm);
            }
        }
        half = 2;
    }
    for (; 4 * (int64_t)half <= n; half *= 4) {
        const double *aRe = table + 2 * (size_t)(half - 1), *aIm = aRe + half;
        const double *bRe = table + 2 * (size_t)(2 * half - 1), *bIm = bRe + 2 * half;
        size_t span = (size_t)half * ROW;
        for (int base = 0; base < n; base += 4 * half) {
            for (int m = 0; m < half; m++) {
                float *r0 = work + (size_t)(base + m) * ROW;
                float *r1 = r0 + span, *r2 = r1 + span, *r3 = r2 + span;
                double w1r = aRe[m], w1i = aIm[m];
                double w2r = bRe[m], w2i = bIm[m];
                double w3r = bRe[m + half], w3i = bIm[m + half];
                for (int k = 0; k < L; k += Ln::WIDTH) {
                    V re0 = Ln::load(r0 + k), im0 = Ln::load(r0 + L + k);
                    V re1 = Ln::load(r1 + k), im1 = Ln::load(r1 + L + k);
                    V re2 = Ln::load(r2 + k), im2 = Ln::load(r2 + L + k);
                    V re3 = Ln::load(r3 + k), im3 = Ln::load(r3 + L + k);
                    butterfly(re0, im0, re1, im1, w1r, w1i);
                    butterfly(re2, im2, re3, im3, w1r, w1i);
                    butterfly(re0, im0, re2, im2, w2r, w2i);
                    butterfly(re1, im1, re3, im3, w3r, w3i);
                    Ln::store(r0 + k, re0);
                    Ln::store(r0 + L + k, im0);
                    Ln::store(r1 + k, re1);
                    Ln::store(r1 + L + k, im1);
                    Ln::store(r2 + k, re2);
                    Ln::store(r2 + L + k, im2);
                    Ln::store(r3 + k, re3);
                    Ln::store(r3 + L + k, im3);
                }
            }
        }
    }
}

/*
 * laneStages, lineStages --
 *	stagesOf for LANES lines in the work area, and for one line in
 *	place. For the lanes the compiler makes a copy for each wider vector
 *	unit, picked when the library loads; contraction is off, so every
 *	copy gives the same bits. The single line gets no such copy: the
 *	vectoriser would pair its real and imaginary parts into fused
 *	multiply-add-subtracts whatever the contraction setting.
 */
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define FFT_VECTOR_COPIES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define FFT_VECTOR_COPIES
#endif

FFT_VECTOR_COPIES
void laneStages(int n, float *work, const double *table)
{
    stagesOf<LANES>(n, work, table);
}

void lineStages(int n, float *data, const double *table)
{
    stagesOf<1>(n, data, table);
}

/* ---- Plans ----------------------------------------------------------------- */

/*
 * LinePlan --
 *	What the lines of one pass share: the stage twiddles, where each
 *	input position goes in the work area (bit reversal, after the
 *	centring swap of an inverse), where each result goes (the centring
 *	swap of a forward transform), the scale of an inverse, and the work
 *	area of `lanes` lines.
 */
struct LinePlan {
    int n;
    int lanes;                      /* LANES, or 1 for long lines */
    bool inverse;
    float scale;                    /* 1 / n for an inverse: exact, n a power of two */
    double *twiddles;
    int *slot;                      /* n: work position of input position p */
    int *target;                    /* n: output position of work position j */
    float *work;                    /* n x 2 x lanes floats, 64-byte aligned */
    void *block;

    /* Makes the plan; false (nothing held) when memory is short. centred
     * gives the swap of the halves around the transform. */
    bool make(int length, int direction, const double *cosTable, const double *sinTable,
              bool centred)
    {
        n = length;
        lanes = n <= LANE_LENGTH_MAX ? LANES : 1;
        inverse = direction <= 0;
        scale = inverse ? (float)(1.0 / n) : 1.0f;
        size_t twiddleBytes = 2 * (size_t)n * sizeof(double);
        size_t indexBytes = 2 * (size_t)n * sizeof(int);
        size_t workBytes = (size_t)n * 2 * (size_t)lanes * sizeof(float);
        block = gmemAlloc(twiddleBytes + indexBytes + workBytes + 64);
        if (block == NULL) {
            return false;
        }
        twiddles = (double *)block;
        slot = (int *)((char *)block + twiddleBytes);
        target = slot + n;
        uintptr_t at = (uintptr_t)((char *)block + twiddleBytes + indexBytes);
        work = (float *)((at + 63) & ~(uintptr_t)63);
        memset(work, 0, workBytes);
        stageTwiddles(n, cosTable, sinTable, twiddles);
        int bits = log2Of(n), half = n / 2;
        for (int p = 0; p < n; p++) {
            int from = (centred && inverse) ? (p + half) % n : p;
            slot[p] = bitReversed(from, bits);
            target[p] = (centred && !inverse) ? (p + half) % n : p;
        }
        return true;
    }

    void release()
    {
        gmemFree(block);
        block = NULL;
    }

    /* Gathers count lines into the work area: line q starts at
     * base + q x lineStep and its positions are step apart (in complex
     * values). */
    template <int L>
    void gather(const float *base, size_t lineStep, size_t step, int count) const
    {
        for (int p = 0; p < n; p++) {
            const float *from = base + 2 * step * (size_t)p;
            float *to = work + (size_t)slot[p] * 2 * L;
            for (int q = 0; q < count; q++) {
                to[q] = from[2 * lineStep * q];
                to[L + q] = from[2 * lineStep * q + 1];
            }
        }
    }

    template <int L> void scatter(float *base, size_t lineStep, size_t step, int count) const
    {
        for (int j = 0; j < n; j++) {
            float *to = base + 2 * step * (size_t)target[j];
            const float *from = work + (size_t)j * 2 * L;
            for (int q = 0; q < count; q++) {
                float re = from[q], im = from[L + q];
                if (inverse) {
                    re *= scale;
                    im *= scale;
                }
                to[2 * lineStep * q] = re;
                to[2 * lineStep * q + 1] = im;
            }
        }
    }

    /* A strip of LANES neighbouring columns (lineStep 1): each position
     * is one run of LANES complex values, split into the two halves of
     * its work row. */
    void gatherStrip(const float *base, size_t step) const
    {
        for (int p = 0; p < n; p++) {
            const float *from = base + 2 * step * (size_t)p;
            float *to = work + (size_t)slot[p] * 2 * LANES;
            for (int q = 0; q < LANES; q++) {
                to[q] = from[2 * q];
                to[LANES + q] = from[2 * q + 1];
            }
        }
    }

    void scatterStrip(float *base, size_t step) const
    {
        float s = scale;
        for (int j = 0; j < n; j++) {
            float *to = base + 2 * step * (size_t)target[j];
            const float *from = work + (size_t)j * 2 * LANES;
            if (inverse) {
                for (int q = 0; q < LANES; q++) {
                    to[2 * q] = from[q] * s;
                    to[2 * q + 1] = from[LANES + q] * s;
                }
            } else {
                for (int q = 0; q < LANES; q++) {
                    to[2 * q] = from[q];
                    to[2 * q + 1] = from[LANES + q];
                }
            }
        }
    }

    /* Transforms `count` lines (at most lanes) as gather describes. */
    void run(float *base, size_t lineStep, size_t step, int count) const
    {
        if (lanes == 1) {
            for (int q = 0; q < count; q++) {
                float *line = base + 2 * lineStep * (size_t)q;
                gather<1>(line, 0, step, 1);
                lineStages(n, work, twiddles);
                scatter<1>(line, 0, step, 1);
            }
            return;
        }
        if (count == LANES && lineStep == 1) {
            gatherStrip(base, step);
            laneStages(n, work, twiddles);
            scatterStrip(base, step);
            return;
        }
        gather<LANES>(base, lineStep, step, count);
        laneStages(n, work, twiddles);
        scatter<LANES>(base, lineStep, step, count);
    }
};

/* The plan, or false after the message. */
bool makePlan(LinePlan *plan, int n, int direction, const double *cosTable,
              const double *sinTable, bool centred)
{
    if (!plan->make(n, direction, cosTable, sinTable, centred)) {
        ovex_fprintf(stderr, "Error in malloc.\n");
        return false;
    }
    return true;
}

} // namespace

/*
 * fftTwiddles --
 *	Fills entry k - 1 of both tables, k = 1 .. n, with the cosine and
 *	sine of (2 x direction) x pi / k.
 */
void fftTwiddles(int n, int direction, double *cosTable, double *sinTable)
{
    for (int k = 1; k <= n; k++) {
        double angle = (2.0 * direction) * PI / k;
        cosTable[k - 1] = std::cos(angle);
        sinTable[k - 1] = std::sin(angle);
    }
}

/*
 *----------------------------------------------------------------------
 *
 * fftComplex --
 *
 *	Transforms n complex values in place: bit-reversal, then butterflies
 *	over blocks of 2, 4, ... n values. The inverse (direction not
 *	positive) divides every component by n.
 *
 * Results:
 *	None.
 *
 * Side effects:
 *	data holds the transform; nothing changes when n is not a power of
 *	two or memory is short ("Error in malloc.\n").
 *
 *----------------------------------------------------------------------
 */
void fftComplex(int n, float *data, int direction, const double *cosTable,
                const double *sinTable)
{
    if (!isPowerOfTwo(n) || data == NULL) {
        return;
    }
    LinePlan plan;
    if (!makePlan(&plan, n, direction, cosTable, sinTable, false)) {
        return;
    }
    plan.run(data, (size_t)n, 1, 1);
    plan.release();
}

/*
 * fftRows --
 *	Transforms rowCount rows of n values each, centring every row.
 *	Returns 1; 0 when the work area cannot be had (data unchanged).
 */
int fftRows(float *data, const double *sinTable, const double *cosTable, int rowCount, int n,
            int direction)
{
    if (data == NULL || rowCount < 1 || !isPowerOfTwo(n)) {
        return 1;
    }
    LinePlan plan;
    if (!makePlan(&plan, n, direction, cosTable, sinTable, true)) {
        return 0;
    }
    for (int r = 0; r < rowCount; r += plan.lanes) {
        int count = rowCount - r < plan.lanes ? rowCount - r : plan.lanes;
        plan.run(data + (size_t)r * (size_t)n * 2, (size_t)n, 1, count);
    }
    plan.release();
    return 1;
}

/*
 * fftColumns --
 *	Transforms the width columns (n values each) of a row-major n x
 *	width array, centring every column, LANES neighbouring columns at a
 *	time. Returns as fftRows.
 */
int fftColumns(float *data, const double *sinTable, const double *cosTable, int n, int width,
               int direction)
{
    if (data == NULL || width < 1 || !isPowerOfTwo(n)) {
        return 1;
    }
    LinePlan plan;
    if (!makePlan(&plan, n, direction, cosTable, sinTable, true)) {
        return 0;
    }
    for (int c = 0; c < width; c += plan.lanes) {
        int count = width - c < plan.lanes ? width - c : plan.lanes;
        plan.run(data + (size_t)c * 2, 1, (size_t)width, count);
    }
    plan.release();
    return 1;
}
