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

#endif /* OVEX_PROGRAMS_CONV_ROWS_H */
