/*
 * fft_kernel.cpp --
 *
 *	The FFT programs' transforms: plans shared by the lines of a pass,
 *	and the row and column passes over two-dimensional arrays. FFT_LANES
 *	lines go through the work area together (fft_lanes.h); gathering
 *	them there also does the bit reversal and the centring swap, and the
 *	transposition makes a column strip as cheap to transform as a block
 *	of rows.
 */
#include "programs/fft_kernel.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/gmem.h"
#include "ovex/ovexstdio.h"
#include "programs/fft_lanes.h"

namespace {

const double PI = 3.141592653589793;

const int LANES = FFT_LANES;

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

/* ---- Plans ----------------------------------------------------------------- */

/*
 * LinePlan --
 *	What the lines of one pass share: the stage twiddles, where each
 *	input position goes in the work area (bit reversal, after the
 *	centring swap of an inverse), where each result goes (the centring
 *	swap of a forward transform), the scale of an inverse, the kernel
 *	set and the work area of `lanes` lines.
 */
struct LinePlan {
    const FftLaneKernel *kernel;
    FftLaneMap map;
    int n;
    int lanes;                      /* LANES, or 1 for long lines */
    double *twiddles;
    int *slot;                      /* n: work position of input position p */
    int *target;                    /* n: output position of work position j */
    float *work;                    /* n x 2 x lanes floats, 64-byte aligned */
    void *block;

    /* Makes the plan; false (nothing held) when memory is short. centred
     * gives the swap of the halves around the transform. */
    bool make(const FftLaneKernel *set, int length, int direction, const double *cosTable,
              const double *sinTable, bool centred)
    {
        kernel = set;
        n = length;
        lanes = n <= LANE_LENGTH_MAX ? LANES : 1;
        bool inverse = direction <= 0;
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
        /* Lanes of a partial group compute on zeros rather than on
         * whatever the block held. */
        memset(work, 0, workBytes);
        fftStageTwiddles(n, cosTable, sinTable, twiddles);
        int bits = log2Of(n), half = n / 2;
        for (int p = 0; p < n; p++) {
            int from = (centred && inverse) ? (p + half) % n : p;
            slot[p] = bitReversed(from, bits);
            target[p] = (centred && !inverse) ? (p + half) % n : p;
        }
        /* Dividing by a power of two and multiplying by its inverse give
         * the same bits. */
        map.n = n;
        map.slot = slot;
        map.target = target;
        map.scaled = inverse;
        map.factor = inverse ? (float)(1.0 / n) : 1.0f;
        return true;
    }

    void release()
    {
        gmemFree(block);
        block = NULL;
    }

    /* Gathers count lines into the work area of L lanes: line q starts at
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
                if (map.scaled) {
                    re *= map.factor;
                    im *= map.factor;
                }
                to[2 * lineStep * q] = re;
                to[2 * lineStep * q + 1] = im;
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
                fftLineStages(n, work, twiddles);
                scatter<1>(line, 0, step, 1);
            }
            return;
        }
        if (count == LANES && lineStep == 1) {
            kernel->gatherStrip(&map, work, base, step);
            kernel->stages(n, work, twiddles);
            kernel->scatterStrip(&map, work, base, step);
        } else if (count == LANES && step == 1) {
            kernel->gatherRows(&map, work, base, lineStep);
            kernel->stages(n, work, twiddles);
            kernel->scatterRows(&map, work, base, lineStep);
        } else {
            gather<LANES>(base, lineStep, step, count);
            kernel->stages(n, work, twiddles);
            scatter<LANES>(base, lineStep, step, count);
        }
    }
};

/* The plan, or false after the message. */
bool makePlan(LinePlan *plan, const FftLaneKernel *kernel, int n, int direction,
              const double *cosTable, const double *sinTable, bool centred)
{
    if (!plan->make(kernel != NULL ? kernel : fftLaneKernel(), n, direction, cosTable, sinTable,
                    centred)) {
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
    if (!makePlan(&plan, NULL, n, direction, cosTable, sinTable, false)) {
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
    return fftRowsWith(NULL, data, sinTable, cosTable, rowCount, n, direction);
}

int fftRowsWith(const FftLaneKernel *kernel, float *data, const double *sinTable,
                const double *cosTable, int rowCount, int n, int direction)
{
    if (data == NULL || rowCount < 1 || !isPowerOfTwo(n)) {
        return 1;
    }
    LinePlan plan;
    if (!makePlan(&plan, kernel, n, direction, cosTable, sinTable, true)) {
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
    return fftColumnsWith(NULL, data, sinTable, cosTable, n, width, direction);
}

int fftColumnsWith(const FftLaneKernel *kernel, float *data, const double *sinTable,
                   const double *cosTable, int n, int width, int direction)
{
    if (data == NULL || width < 1 || !isPowerOfTwo(n)) {
        return 1;
    }
    LinePlan plan;
    if (!makePlan(&plan, kernel, n, direction, cosTable, sinTable, true)) {
        return 0;
    }
    for (int c = 0; c < width; c += plan.lanes) {
        int count = width - c < plan.lanes ? width - c : plan.lanes;
        plan.run(data + (size_t)c * 2, 1, (size_t)width, count);
    }
    plan.release();
    return 1;
}
