/*
 * fft_filters.h --
 *
 *	Frequency-domain filters of rimage gfftrans: bell (low-pass),
 *	high-pass and notch gains over centred spectra, along both axes,
 *	along X only or along Y only, optionally rotated; and the text form
 *	"name,v1,v2,..." that selects one.
 *
 *	A kernel multiplies the elements of a block of a rows x columns
 *	complex array in place: the block holds width x height elements, row
 *	by row, for the columns x0 .. x0 + width - 1 and the rows y0 ..
 *	y0 + height - 1.
 */
#ifndef OVEX_PROGRAMS_FFT_FILTERS_H
#define OVEX_PROGRAMS_FFT_FILTERS_H

#include <stdint.h>

enum FftFilterName {
    FFT_FILTER_BELL = 0,
    FFT_FILTER_HIGH = 1,
    FFT_FILTER_NOTCH = 2
};

/* What every kernel receives. */
struct FilterParams {
    int32_t rows, columns;          /* of the whole array */
    float angle;                    /* rotation, degrees */
    float centreX, centreY;         /* bell and high: the array's centre; notch: its point */
    float radius;                   /* (radiusX + radiusY) / 2 */
    float order;
    float radiusX, radiusY;
    float amplitude;                /* high and notch */
    int powerForm;                  /* 1: elements are (magnitude, phase); only the
                                     * magnitude takes the gain */
};

typedef void (FftFilterKernel)(const FilterParams *params, float *block, int x0, int width,
                               int y0, int height);

FftFilterKernel bellFilter2D, highFilter2D, notchFilter2D;
FftFilterKernel bellFilterX, highFilterX, notchFilterX;
FftFilterKernel bellFilterY, highFilterY, notchFilterY;

/* Axis sets of the kernels. */
enum FftFilterAxes {
    FFT_AXES_BOTH = 0,
    FFT_AXES_X = 1,
    FFT_AXES_Y = 2
};

/* The kernel of a filter name along an axis set. */
FftFilterKernel *fftFilterKernel(int name, int axes);

/* Reads "name,v1,...": a name of the characters 'A' .. 'z' compared with
 * case ("bell", "high", "notch"), then up to six reals after commas, as
 * many as one of the name's forms takes (r,n or rx,ry,n for bell; one
 * more, amp, for high; two more, x and y, for notch). Fills the filter
 * values of params for an array of rows x columns and sets *name.
 * Returns 1, or 0 for another name or count, or a radius that is not
 * above 0. */
int parseFftFilter(const char *text, int rows, int columns, float angle, int *name,
                   FilterParams *params);

#endif /* OVEX_PROGRAMS_FFT_FILTERS_H */
