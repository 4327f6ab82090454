/*
 * fft_kernel.cpp --
 *
 *	Radix-2 decimation-in-time FFT over single-precision complex pairs.
 *	Within a stage the twiddle advances by one complex multiplication in
 *	double precision, from the tabulated step of that stage; products
 *	are rounded to single precision before they meet the data, so the
 *	results match the FFT image files written before.
 */
#include "programs/fft_kernel.h"

#include <cmath>
#include <cstring>

#include "core/gmem.h"
#include "ovex/ovexstdio.h"

namespace {

const double PI = 3.141592653589793;

bool isPowerOfTwo(int n)
{
    return n >= 1 && (n & (n - 1)) == 0;
}

/* Exchanges every element with the one at its bit-reversed index. */
void bitReverse(int n, float *data)
{
    for (int i = 1, j = 0; i < n; i++) {
        int bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            float re = data[2 * i], im = data[2 * i + 1];
            data[2 * i] = data[2 * j];
            data[2 * i + 1] = data[2 * j + 1];
            data[2 * j] = re;
            data[2 * j + 1] = im;
        }
    }
}

/*
 * CentredLines --
 *	The work vector of the row and column passes: one line of n complex
 *	values gathered with a stride, transformed, and scattered back with
 *	the centring swap (forward) or after undoing it (inverse).
 */
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

/*
 * butterflyStages --
 *	The stages of the radix-2 transform after the bit reversal. The
 *	compiler makes a copy for wider vector units, picked when the
 *	library loads; each copy does the same operations in the same order
 *	(no fused multiply-add), so the results are the same bits.
 */
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void butterflyStages(int n, float *data, const double *table)
{
    for (int length = 2; length <= n; length <<= 1) {
        int half = length / 2;
        const double *wReAt = table + 2 * (size_t)(half - 1), *wImAt = wReAt + half;
        for (int base = 0; base < n; base += length) {
            float *low = data + 2 * (size_t)base;
            float *high = low + 2 * (size_t)half;
            for (int m = 0; m < half; m++) {
                double wr = wReAt[m], wi = wImAt[m];
                float xRe = high[2 * m], xIm = high[2 * m + 1];
                float tRe = (float)(wr * xRe - wi * xIm);
                float tIm = (float)(wr * xIm + wi * xRe);
                float aRe = low[2 * m], aIm = low[2 * m + 1];
                high[2 * m] = aRe - tRe;
                high[2 * m + 1] = aIm - tIm;
                low[2 * m] = aRe + tRe;
                low[2 * m + 1] = aIm + tIm;
            }
        }
    }
}

/*
 * transformLine --
 *	The radix-2 transform of n values in place, with the twiddles of
 *	stageTwiddles: each stage walks the data in order, one group of
 *	butterflies after the other.
 */
void transformLine(int n, float *data, int direction, const double *table)
{
    bitReverse(n, data);
    butterflyStages(n, data, table);
    if (direction <= 0) {
        float scale = (float)n;
        for (int i = 0; i < 2 * n; i++) {
            data[i] /= scale;
        }
    }
}

/* Columns gathered at once by fftColumns: one cache line of complex values. */
const int COLUMN_GROUP = 8;

struct CentredLines {
    float *work;
    int n;
    int direction;
    const double *twiddles;         /* of stageTwiddles */

    /* Transforms the n values at line, line + stride, ... (strides in
     * complex values). */
    void transform(float *line, size_t stride) const
    {
        int half = n / 2;
        for (int p = 0; p < n; p++) {
            int to = (direction > 0) ? p : (p + half) % n;
            work[2 * to] = line[2 * stride * p];
            work[2 * to + 1] = line[2 * stride * p + 1];
        }
        transformLine(n, work, direction, twiddles);
        for (int j = 0; j < n; j++) {
            int to = (direction > 0) ? (j + half) % n : j;
            line[2 * stride * to] = work[2 * j];
            line[2 * stride * to + 1] = work[2 * j + 1];
        }
    }

    /* transform of count (at most COLUMN_GROUP) neighbouring lines from
     * line, gathered and scattered together; work holds count lines. */
    void transformGroup(float *line, size_t stride, int count) const
    {
        int half = n / 2;
        size_t length = 2 * (size_t)n;
        for (int p = 0; p < n; p++) {
            int to = (direction > 0) ? p : (p + half) % n;
            const float *from = line + 2 * stride * p;
            for (int q = 0; q < count; q++) {
                work[q * length + 2 * to] = from[2 * q];
                work[q * length + 2 * to + 1] = from[2 * q + 1];
            }
        }
        for (int q = 0; q < count; q++) {
            transformLine(n, work + q * length, direction, twiddles);
        }
        for (int j = 0; j < n; j++) {
            int to = (direction > 0) ? (j + half) % n : j;
            float *into = line + 2 * stride * to;
            for (int q = 0; q < count; q++) {
                into[2 * q] = work[q * length + 2 * j];
                into[2 * q + 1] = work[q * length + 2 * j + 1];
            }
        }
    }
};

/* The work vector of n complex values, or NULL after the message. */
/* count work lines of n complex values, then 2n doubles of twiddles. */
float *allocLine(int n, int count = 1)
{
    float *work = (float *)gmemAlloc((size_t)n * 2 * sizeof(float) * (size_t)count
                                     + 2 * (size_t)n * sizeof(double));
    if (work == NULL) {
        ovex_fprintf(stderr, "Error in malloc.\n");
    }
    return work;
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
 *	two.
 *
 *----------------------------------------------------------------------
 */
void fftComplex(int n, float *data, int direction, const double *cosTable,
                const double *sinTable)
{
    if (!isPowerOfTwo(n) || data == NULL) {
        return;
    }
    double *twiddles = (double *)gmemAlloc(2 * (size_t)n * sizeof(double));
    if (twiddles == NULL) {
        ovex_fprintf(stderr, "Error in malloc.\n");
        return;
    }
    stageTwiddles(n, cosTable, sinTable, twiddles);
    transformLine(n, data, direction, twiddles);
    gmemFree(twiddles);
}

/*
 * fftRows --
 *	Transforms rowCount rows of n values each, centring every row.
 *	Returns 1; 0 when the work vector cannot be had (data unchanged).
 */
int fftRows(float *data, const double *sinTable, const double *cosTable, int rowCount, int n,
            int direction)
{
    if (data == NULL || rowCount < 1 || !isPowerOfTwo(n)) {
        return 1;
    }
    float *work = allocLine(n);
    if (work == NULL) {
        return 0;
    }
    double *twiddles = (double *)(work + 2 * (size_t)n);
    stageTwiddles(n, cosTable, sinTable, twiddles);
    CentredLines lines = {work, n, direction, twiddles};
    for (int r = 0; r < rowCount; r++) {
        lines.transform(data + (size_t)r * (size_t)n * 2, 1);
    }
    gmemFree(work);
    return 1;
}

/*
 * fftColumns --
 *	Transforms the width columns (n values each) of a row-major n x
 *	width array, centring every column. Returns as fftRows.
 */
int fftColumns(float *data, const double *sinTable, const double *cosTable, int n, int width,
               int direction)
{
    if (data == NULL || width < 1 || !isPowerOfTwo(n)) {
        return 1;
    }
    float *work = allocLine(n, COLUMN_GROUP);
    if (work == NULL) {
        return 0;
    }
    double *twiddles = (double *)(work + 2 * (size_t)n * COLUMN_GROUP);
    stageTwiddles(n, cosTable, sinTable, twiddles);
    CentredLines lines = {work, n, direction, twiddles};
    for (int c = 0; c < width; c += COLUMN_GROUP) {
        int count = width - c < COLUMN_GROUP ? width - c : COLUMN_GROUP;
        lines.transformGroup(data + (size_t)c * 2, (size_t)width, count);
    }
    gmemFree(work);
    return 1;
}
