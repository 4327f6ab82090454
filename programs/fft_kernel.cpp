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
struct CentredLines {
    float *work;
    int n;
    int direction;
    const double *cosTable;
    const double *sinTable;

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
        fftComplex(n, work, direction, cosTable, sinTable);
        for (int j = 0; j < n; j++) {
            int to = (direction > 0) ? (j + half) % n : j;
            line[2 * stride * to] = work[2 * j];
            line[2 * stride * to + 1] = work[2 * j + 1];
        }
    }
};

/* The work vector of n complex values, or NULL after the message. */
float *allocLine(int n)
{
    float *work = (float *)gmemAlloc((size_t)n * 2 * sizeof(float));
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
    bitReverse(n, data);
    for (int length = 2; length <= n; length <<= 1) {
        double stepRe = cosTable[length - 1], stepIm = sinTable[length - 1];
        double wRe = 1.0, wIm = 0.0;
        int half = length / 2;
        for (int m = 0; m < half; m++) {
            for (int a = m; a < n; a += length) {
                int c = a + half;
                float xRe = data[2 * c], xIm = data[2 * c + 1];
                float tRe = (float)(wRe * xRe - wIm * xIm);
                float tIm = (float)(wRe * xIm + wIm * xRe);
                float aRe = data[2 * a], aIm = data[2 * a + 1];
                data[2 * c] = aRe - tRe;
                data[2 * c + 1] = aIm - tIm;
                data[2 * a] = aRe + tRe;
                data[2 * a + 1] = aIm + tIm;
            }
            double previous = wRe;
            wRe = wRe * stepRe - wIm * stepIm;
            wIm = wIm * stepRe + previous * stepIm;
        }
    }
    if (direction <= 0) {
        float scale = (float)n;
        for (int i = 0; i < 2 * n; i++) {
            data[i] /= scale;
        }
    }
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
    CentredLines lines = {work, n, direction, cosTable, sinTable};
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
    float *work = allocLine(n);
    if (work == NULL) {
        return 0;
    }
    CentredLines lines = {work, n, direction, cosTable, sinTable};
    for (int c = 0; c < width; c++) {
        lines.transform(data + (size_t)c * 2, (size_t)width);
    }
    gmemFree(work);
    return 1;
}
