/*
 * fft_lanes.h --
 *
 *	The inner kernels of the FFT: the butterfly stages over a group of
 *	FFT_LANES lines held side by side, and the moves of such a group
 *	between the caller's array and the work area. One set is written
 *	for any machine; sets for wider vector units do the same arithmetic
 *	in the same order and so give the same bits.
 *
 *	The work area holds, for each of the n positions of the lines in
 *	bit-reversed order, FFT_LANES real parts and then FFT_LANES
 *	imaginary parts; it starts 64-byte aligned.
 */
#ifndef OVEX_PROGRAMS_FFT_LANES_H
#define OVEX_PROGRAMS_FFT_LANES_H

#include <stddef.h>

#define FFT_LANES 16

/* Where the values of a group go: position p of a line is gathered into
 * work row slot[p]; work row j is scattered to position target[j] of its
 * line, multiplied by factor when scaled. */
struct FftLaneMap {
    int n;
    const int *slot;
    const int *target;
    bool scaled;
    float factor;
};

struct FftLaneKernel {
    const char *name;
    /* Every butterfly stage of the lines in the work area; table as
     * fftStageTwiddles makes it. */
    void (*stages)(int n, float *work, const double *table);
    /* FFT_LANES neighbouring columns: line q of position p is the complex
     * value at base + 2 (p x step + q). */
    void (*gatherStrip)(const FftLaneMap *map, float *work, const float *base, size_t step);
    void (*scatterStrip)(const FftLaneMap *map, const float *work, float *base, size_t step);
    /* FFT_LANES rows: position p of line q is at base + 2 (q x lineStep + p). */
    void (*gatherRows)(const FftLaneMap *map, float *work, const float *base, size_t lineStep);
    void (*scatterRows)(const FftLaneMap *map, const float *work, float *base,
                        size_t lineStep);
};

/* The twiddles of every stage of a transform of n values, made by the
 * recurrence of the radix-2 butterfly loop from the steps in cosTable and
 * sinTable: the stage of half h keeps h real parts, then h imaginary
 * parts, from entry 2 (h - 1); 2 (n - 1) doubles in all. */
void fftStageTwiddles(int n, const double *cosTable, const double *sinTable, double *table);

/* Every stage of one line of n complex values (pairs of floats) in place,
 * the values already in bit-reversed order. */
void fftLineStages(int n, float *data, const double *table);

/* The fastest kernel set this machine runs. */
const FftLaneKernel *fftLaneKernel(void);

/* The kernel sets this machine runs, the portable one first. */
int fftLaneKernelCount(void);
const FftLaneKernel *fftLaneKernelAt(int index);

#endif /* OVEX_PROGRAMS_FFT_LANES_H */
