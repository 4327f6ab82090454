/*
 * float_bytes.cpp --
 *
 *	Floats to bytes in single precision, sixteen at a time. The value is
 *	held to 0 .. 255 first (NaN to 0), so truncating it is defined; its
 *	whole part then goes up by one when its fraction, which the
 *	subtraction finds exactly, is at least a half. That is the whole part
 *	of v + 0.5 taken in double precision, where that sum is exact.
 */
#include "ramimage/float_bytes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

/* One value as the vector loop makes it. */
static inline unsigned char floatToByte(float v)
{
    v = v > 0.0f ? v : 0.0f;
    v = v < 255.0f ? v : 255.0f;
    int whole = (int)v;
    float fraction = v - (float)whole;
    return (unsigned char)(whole + (fraction >= 0.5f ? 1 : 0));
}

#if defined(__SSE2__)
/* Four values to four 32-bit results; maxps gives its second operand
 * for a NaN, so NaN becomes 0. */
static inline __m128i roundFour(__m128 v)
{
    v = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    __m128i whole = _mm_cvttps_epi32(v);
    __m128 fraction = _mm_sub_ps(v, _mm_cvtepi32_ps(whole));
    __m128i up = _mm_castps_si128(_mm_cmpge_ps(fraction, _mm_set1_ps(0.5f)));
    return _mm_sub_epi32(whole, up);    /* the mask is -1 where it rounds up */
}
#endif

void floatsToBytes(const float *in, int count, unsigned char *out)
{
    int k = 0;
#if defined(__SSE2__)
    for (; k + 16 <= count; k += 16) {
        __m128i a = roundFour(_mm_loadu_ps(in + k));
        __m128i b = roundFour(_mm_loadu_ps(in + k + 4));
        __m128i c = roundFour(_mm_loadu_ps(in + k + 8));
        __m128i d = roundFour(_mm_loadu_ps(in + k + 12));
        __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
        _mm_storeu_si128((__m128i *)(out + k), bytes);
    }
#endif
    for (; k < count; k++) {
        out[k] = floatToByte(in[k]);
    }
}
