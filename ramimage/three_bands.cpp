/*
 * three_bands.cpp --
 *
 *	Splitting and joining three interleaved byte bands. The compiler
 *	makes a copy for wider vector units with byte shuffles, picked when
 *	the library loads; the plain copy serves the others.
 */
#include "ramimage/three_bands.h"

#include <stddef.h>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define OVEX_WIDER_COPY __attribute__((target_clones("avx2", "default")))
#else
#define OVEX_WIDER_COPY
#endif

OVEX_WIDER_COPY
void splitThreeBands(const unsigned char *__restrict pixels, unsigned char *__restrict first,
                     unsigned char *__restrict second, unsigned char *__restrict third, int n)
{
    for (int k = 0; k < n; k++) {
        size_t at = 3 * (size_t)k;
        first[k] = pixels[at];
        second[k] = pixels[at + 1];
        third[k] = pixels[at + 2];
    }
}

OVEX_WIDER_COPY
void joinThreeBands(const unsigned char *__restrict first, const unsigned char *__restrict second,
                    const unsigned char *__restrict third, unsigned char *__restrict pixels, int n)
{
    for (int k = 0; k < n; k++) {
        size_t at = 3 * (size_t)k;
        pixels[at] = first[k];
        pixels[at + 1] = second[k];
        pixels[at + 2] = third[k];
    }
}
