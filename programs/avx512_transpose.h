/*
 * avx512_transpose.h --
 *
 *	The transposition of sixteen AVX-512 registers of sixteen floats,
 *	for the FFT kernels that handle sixteen lines or runs side by side.
 *	Only for x86-64 builds with GCC; the function is built for AVX-512
 *	whatever the file's own target, and is called only where the
 *	machine has it.
 */
#ifndef OVEX_PROGRAMS_AVX512_TRANSPOSE_H
#define OVEX_PROGRAMS_AVX512_TRANSPOSE_H

#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx512f")

/* Transposes the 16 x 16 floats of v: afterwards v[j] holds float j of
 * every register before, in register order. */
static inline void transpose16(__m512 v[16])
{
    __m512 t[16];
    for (int i = 0; i < 8; i++) {
        t[2 * i] = _mm512_unpacklo_ps(v[2 * i], v[2 * i + 1]);
        t[2 * i + 1] = _mm512_unpackhi_ps(v[2 * i], v[2 * i + 1]);
    }
    /* u[4g + k] holds, in 128-bit lane l, float 4l + k of rows 4g .. 4g + 3. */
    __m512 u[16];
    for (int g = 0; g < 4; g++) {
        __m512d a = _mm512_castps_pd(t[4 * g]), b = _mm512_castps_pd(t[4 * g + 1]);
        __m512d c = _mm512_castps_pd(t[4 * g + 2]), d = _mm512_castps_pd(t[4 * g + 3]);
        u[4 * g] = _mm512_castpd_ps(_mm512_unpacklo_pd(a, c));
        u[4 * g + 1] = _mm512_castpd_ps(_mm512_unpackhi_pd(a, c));
        u[4 * g + 2] = _mm512_castpd_ps(_mm512_unpacklo_pd(b, d));
        u[4 * g + 3] = _mm512_castpd_ps(_mm512_unpackhi_pd(b, d));
    }
    for (int k = 0; k < 4; k++) {
        __m512 lowLanes01 = _mm512_shuffle_f32x4(u[k], u[4 + k], 0x44);
        __m512 highLanes01 = _mm512_shuffle_f32x4(u[8 + k], u[12 + k], 0x44);
        __m512 lowLanes23 = _mm512_shuffle_f32x4(u[k], u[4 + k], 0xEE);
        __m512 highLanes23 = _mm512_shuffle_f32x4(u[8 + k], u[12 + k], 0xEE);
        v[k] = _mm512_shuffle_f32x4(lowLanes01, highLanes01, 0x88);
        v[4 + k] = _mm512_shuffle_f32x4(lowLanes01, highLanes01, 0xDD);
        v[8 + k] = _mm512_shuffle_f32x4(lowLanes23, highLanes23, 0x88);
        v[12 + k] = _mm512_shuffle_f32x4(lowLanes23, highLanes23, 0xDD);
    }
}

#pragma GCC pop_options

#endif /* OVEX_PROGRAMS_AVX512_TRANSPOSE_H */
