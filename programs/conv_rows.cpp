/*
 * conv_rows.cpp --
 *
 *	Weighted sums of rows for the convolution kernels. Sixteen columns
 *	at a time stay in registers while every tap is added to them, so
 *	each sum is loaded and stored once rather than once per tap. Byte
 *	rows under whole-number weights are summed in 16-bit integers.
 */
#include "programs/conv_rows.h"

#include <string.h>

namespace {

typedef float Lanes __attribute__((vector_size(32)));
typedef short Shorts __attribute__((vector_size(32)));
typedef unsigned char Bytes __attribute__((vector_size(16)));

const int LANES = (int)(sizeof(Lanes) / sizeof(float));
const int SHORT_LANES = (int)(sizeof(Shorts) / sizeof(short));

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

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void wholeWeightedRowSum(int n, int taps, const unsigned char *const *rows, const short *weights,
                         unsigned char *out)
{
    int j = 0;
    for (; j + SHORT_LANES <= n; j += SHORT_LANES) {
        Shorts sum = {};
        for (int t = 0; t < taps; t++) {
            Bytes bytes;
            memcpy(&bytes, rows[t] + j, sizeof bytes);
            Shorts weight = {};
            weight += weights[t];
            sum += weight * __builtin_convertvector(bytes, Shorts);
        }
        Shorts low = {}, high = low + 255;
        sum = sum < low ? low : sum;
        sum = sum > high ? high : sum;
        Bytes result = __builtin_convertvector(sum, Bytes);
        memcpy(out + j, &result, sizeof result);
    }
    for (; j < n; j++) {
        int sum = 0;
        for (int t = 0; t < taps; t++) {
            sum += weights[t] * rows[t][j];
        }
        out[j] = (unsigned char)(sum < 0 ? 0 : sum > 255 ? 255 : sum);
    }
}
