/*
 * conv_rows.cpp --
 *
 *	Weighted sums of rows for the convolution kernels. Sixteen columns
 *	at a time stay in registers while every tap is added to them, so
 *	each sum is loaded and stored once rather than once per tap.
 */
#include "programs/conv_rows.h"

#include <string.h>

namespace {

typedef float Lanes __attribute__((vector_size(32)));

const int LANES = (int)(sizeof(Lanes) / sizeof(float));

}  // namespace

/*
 * weightedRowSum --
 *	The compiler makes a copy for wider vector units, picked when the
 *	library loads. Neither copy fuses a multiply with its add: products
 *	are rounded before they are added, as in the plain loop.
 */
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void weightedRowSum(int n, int taps, const float *const *rows, const float *weights, float *out)
{
    int j = 0;
    for (; j + 2 * LANES <= n; j += 2 * LANES) {
        Lanes low = {}, high = {};
        for (int t = 0; t < taps; t++) {
            Lanes weight = {}, first, second;
            weight += weights[t];
            memcpy(&first, rows[t] + j, sizeof first);
            memcpy(&second, rows[t] + j + LANES, sizeof second);
            low += weight * first;
            high += weight * second;
        }
        memcpy(out + j, &low, sizeof low);
        memcpy(out + j + LANES, &high, sizeof high);
    }
    for (; j < n; j++) {
        float sum = 0.0f;
        for (int t = 0; t < taps; t++) {
            sum += weights[t] * rows[t][j];
        }
        out[j] = sum;
    }
}
