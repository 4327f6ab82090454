/*
 * band_interleave.cpp --
 *
 *	The three-band byte copies of band_interleave.h. The loops are plain;
 *	the attributes let the compiler turn the stride-3 accesses into
 *	shuffles (and use AVX2 where the processor has it), which the default
 *	cost model declines although it makes the copy three times faster.
 */
#include "ramimage/band_interleave.h"

#if defined(__clang__)
#define VECTORISED __attribute__((target_clones("avx2", "default")))
#else
#define VECTORISED \
    __attribute__((target_clones("avx2", "default"), optimize("vect-cost-model=dynamic")))
#endif

VECTORISED
void interleaveBytes3(const unsigned char *__restrict first, const unsigned char *__restrict second,
                      const unsigned char *__restrict third, unsigned char *__restrict out,
                      size_t n)
{
    for (size_t i = 0; i < n; i++) {
        out[3 * i] = first[i];
        out[3 * i + 1] = second[i];
        out[3 * i + 2] = third[i];
    }
}

VECTORISED
void splitBytes3(const unsigned char *__restrict in, unsigned char *__restrict first,
                 unsigned char *__restrict second, unsigned char *__restrict third, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        first[i] = in[3 * i];
        second[i] = in[3 * i + 1];
        third[i] = in[3 * i + 2];
    }
}
