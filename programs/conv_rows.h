/*
 * conv_rows.h --
 *
 *	The multiply-add of the convolution kernels: weighted sums of
 *	shifted rows, column by column.
 */
#ifndef OVEX_PROGRAMS_CONV_ROWS_H
#define OVEX_PROGRAMS_CONV_ROWS_H

/* Sets out[j], for j < n, to the single-precision sum
 *   ((0 + weights[0] * rows[0][j]) + weights[1] * rows[1][j]) + ...
 * over the taps rows, added in that order whatever the vector width, so
 * every column gets the same bits as a plain loop would give it. out may
 * not overlap the rows. */
void weightedRowSum(int n, int taps, const float *const *rows, const float *weights, float *out);

/* Most that the absolute whole-number weights of wholeWeightedRowSum may
 * add up to: 255 times it stays within 16 bits. */
#define CONV_WHOLE_WEIGHT_LIMIT 128

/* Sets out[j], for j < n, to the byte of the sum of weights[t] * rows[t][j]
 * over the taps rows: below 0 gives 0, above 255 gives 255. The weights
 * are whole numbers whose absolute values add up to at most
 * CONV_WHOLE_WEIGHT_LIMIT, so every partial sum is exact in 16 bits and
 * in single precision alike: the bytes are those of weightedRowSum on the
 * same values stored as a byte pixel stores floats. */
void wholeWeightedRowSum(int n, int taps, const unsigned char *const *rows, const short *weights,
                         unsigned char *out);

/* The same without the wider vector units, which wholeWeightedRowSum
 * takes where the processor has them. */
void wholeWeightedRowSumPortable(int n, int taps, const unsigned char *const *rows,
                                 const short *weights, unsigned char *out);

#endif /* OVEX_PROGRAMS_CONV_ROWS_H */
