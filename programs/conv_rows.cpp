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

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#include <immintrin.h>
#endif

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

/* The columns from j on, one at a time. */
static void wholeSumTail(int j, int n, int taps, const unsigned char *const *rows,
                         const short *weights, unsigned char *out)
{
    for (; j < n; j++) {
        int sum = 0;
        for (int t = 0; t < taps; t++) {
            sum += weights[t] * rows[t][j];
        }
        out[j] = (unsigned char)(sum < 0 ? 0 : sum > 255 ? 255 : sum);
    }
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
/*
 * wholeSumsWide --
 *	Thirty-two columns at a time: each tap's bytes widened to 16 bits,
 *	multiplied and added; the saturating pack to unsigned bytes is the
 *	clamp to 0 .. 255. The pack works within halves, so the four
 *	quarters are put back in column order.
 */
__attribute__((target("avx2")))
static void wholeSumsWide(int n, int taps, const unsigned char *const *rows, const short *weights,
                          unsigned char *out)
{
    int j = 0;
    for (; j + 32 <= n; j += 32) {
        __m256i low = _mm256_setzero_si256(), high = _mm256_setzero_si256();
        for (int t = 0; t < taps; t++) {
            const unsigned char *row = rows[t] + j;
            __m256i weight = _mm256_set1_epi16(weights[t]);
            __m256i first = _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i *)row));
            __m256i second = _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i *)(row + 16)));
            low = _mm256_add_epi16(low, _mm256_mullo_epi16(first, weight));
            high = _mm256_add_epi16(high, _mm256_mullo_epi16(second, weight));
        }
        __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xD8);
        _mm256_storeu_si256((__m256i *)(out + j), bytes);
    }
    wholeSumTail(j, n, taps, rows, weights, out);
}

#endif

/* wholeWeightedRowSum for any processor, sixteen columns at a time. */
void wholeWeightedRowSumPortable(int n, int taps, const unsigned char *const *rows,
                                 const short *weights, unsigned char *out)
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
    wholeSumTail(j, n, taps, rows, weights, out);
}

void wholeWeightedRowSum(int n, int taps, const unsigned char *const *rows, const short *weights,
                         unsigned char *out)
{
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide) {
        wholeSumsWide(n, taps, rows, weights, out);
        return;
    }
#endif
    wholeWeightedRowSumPortable(n, taps, rows, weights, out);
}
