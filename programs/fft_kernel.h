/*
 * fft_kernel.h --
 *
 *	The in-place FFT of the FFT programs, with its twiddle tables, and
 *	the row and column passes over two-dimensional complex arrays that
 *	centre the spectrum (zero frequency at index n/2 of every transformed
 *	axis). The results are those of the plain radix-2 decimation-in-time
 *	transform to the bit (see fft_lanes.h).
 *
 *	Complex values are pairs of floats; n complex values are 2n floats.
 *	Directions are +1 (forward: X(j) = sum x(k) e^(+2 pi i jk/n),
 *	unscaled) and -1 (inverse, divided by n). Lengths are powers of two.
 */
#ifndef OVEX_PROGRAMS_FFT_KERNEL_H
#define OVEX_PROGRAMS_FFT_KERNEL_H

/* Fills cosTable and sinTable (n doubles each): entry k - 1 holds the cosine
 * and sine of (2 x direction) x pi / k. */
void fftTwiddles(int n, int direction, double *cosTable, double *sinTable);

/* Transforms n complex values in place with tables made for the same n and
 * direction. A length that is not a power of two changes nothing. */
void fftComplex(int n, float *data, int direction, const double *cosTable,
                const double *sinTable);

/* Transforms each of rowCount consecutive rows of n complex values, centred.
 * Returns 1, or 0 after "Error in malloc.\n" on standard error (the data
 * is left untransformed). */
int fftRows(float *data, const double *sinTable, const double *cosTable, int rowCount, int n,
            int direction);

/* Transforms each of the width columns of an n x width complex array (row-
 * major, width values per row), centred along the columns. Returns as
 * fftRows. */
int fftColumns(float *data, const double *sinTable, const double *cosTable, int n, int width,
               int direction);

/* fftRows and fftColumns with a kernel set of fft_lanes.h (NULL: the
 * fastest this machine runs), so that each set can be checked. */
struct FftLaneKernel;
int fftRowsWith(const FftLaneKernel *kernel, float *data, const double *sinTable,
                const double *cosTable, int rowCount, int n, int direction);
int fftColumnsWith(const FftLaneKernel *kernel, float *data, const double *sinTable,
                   const double *cosTable, int n, int width, int direction);

#endif /* OVEX_PROGRAMS_FFT_KERNEL_H */
