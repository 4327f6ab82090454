/*
 * band_interleave.cpp --
 *
 *	Band splitting and joining for pixel-interleaved rows. Two to four
 *	bands are moved in one pass with the band count fixed at compile time,
 *	which the compiler turns into shuffles; byte samples also get a copy
 *	built for SSSE3 (byte shuffles), chosen once when the processor has
 *	it. Other band counts go band by band.
 */
#include "ramimage/band_interleave.h"

#include <cstdint>
#include <cstring>

namespace {

template <typename T>
inline T loadAt(const unsigned char *at)
{
    T value;
    memcpy(&value, at, sizeof(T));
    return value;
}

template <typename T>
inline void storeAt(unsigned char *at, T value)
{
    memcpy(at, &value, sizeof(T));
}

template <typename T, int NB>
inline __attribute__((always_inline)) void splitFixed(const unsigned char *__restrict source,
                                                      unsigned char *const *rows, int n)
{
    unsigned char *__restrict r[NB];
    for (int b = 0; b < NB; b++) {
        r[b] = rows[b];
    }
    for (int k = 0; k < n; k++) {
        for (int b = 0; b < NB; b++) {
            storeAt<T>(r[b] + (size_t)k * sizeof(T),
                       loadAt<T>(source + ((size_t)k * NB + b) * sizeof(T)));
        }
    }
}

template <typename T, int NB>
inline __attribute__((always_inline)) void joinFixed(const unsigned char *const *rows,
                                                     unsigned char *__restrict target, int n)
{
    const unsigned char *__restrict r[NB];
    for (int b = 0; b < NB; b++) {
        r[b] = rows[b];
    }
    for (int k = 0; k < n; k++) {
        for (int b = 0; b < NB; b++) {
            storeAt<T>(target + ((size_t)k * NB + b) * sizeof(T),
                       loadAt<T>(r[b] + (size_t)k * sizeof(T)));
        }
    }
}

template <typename T>
void splitAny(int nbands, const unsigned char *source, unsigned char *const *rows, int n)
{
    for (int b = 0; b < nbands; b++) {
        unsigned char *row = rows[b];
        const unsigned char *from = source + (size_t)b * sizeof(T);
        for (int k = 0; k < n; k++) {
            storeAt<T>(row + (size_t)k * sizeof(T), loadAt<T>(from + (size_t)k * nbands * sizeof(T)));
        }
    }
}

template <typename T>
void joinAny(int nbands, const unsigned char *const *rows, unsigned char *target, int n)
{
    for (int b = 0; b < nbands; b++) {
        const unsigned char *row = rows[b];
        unsigned char *to = target + (size_t)b * sizeof(T);
        for (int k = 0; k < n; k++) {
            storeAt<T>(to + (size_t)k * nbands * sizeof(T), loadAt<T>(row + (size_t)k * sizeof(T)));
        }
    }
}

template <typename T>
void splitPlain(int nbands, const unsigned char *source, unsigned char *const *rows, int n)
{
    switch (nbands) {
    case 2: splitFixed<T, 2>(source, rows, n); break;
    case 3: splitFixed<T, 3>(source, rows, n); break;
    case 4: splitFixed<T, 4>(source, rows, n); break;
    default: splitAny<T>(nbands, source, rows, n); break;
    }
}

template <typename T>
void joinPlain(int nbands, const unsigned char *const *rows, unsigned char *target, int n)
{
    switch (nbands) {
    case 2: joinFixed<T, 2>(rows, target, n); break;
    case 3: joinFixed<T, 3>(rows, target, n); break;
    case 4: joinFixed<T, 4>(rows, target, n); break;
    default: joinAny<T>(nbands, rows, target, n); break;
    }
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("ssse3"))) void splitBytesShuffled(int nbands, const unsigned char *source,
                                                         unsigned char *const *rows, int n)
{
    switch (nbands) {
    case 2: splitFixed<uint8_t, 2>(source, rows, n); break;
    case 3: splitFixed<uint8_t, 3>(source, rows, n); break;
    case 4: splitFixed<uint8_t, 4>(source, rows, n); break;
    default: splitAny<uint8_t>(nbands, source, rows, n); break;
    }
}

__attribute__((target("ssse3"))) void joinBytesShuffled(int nbands, const unsigned char *const *rows,
                                                        unsigned char *target, int n)
{
    switch (nbands) {
    case 2: joinFixed<uint8_t, 2>(rows, target, n); break;
    case 3: joinFixed<uint8_t, 3>(rows, target, n); break;
    case 4: joinFixed<uint8_t, 4>(rows, target, n); break;
    default: joinAny<uint8_t>(nbands, rows, target, n); break;
    }
}

bool haveByteShuffles()
{
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}
#else
void splitBytesShuffled(int nbands, const unsigned char *source, unsigned char *const *rows, int n)
{
    splitPlain<uint8_t>(nbands, source, rows, n);
}

void joinBytesShuffled(int nbands, const unsigned char *const *rows, unsigned char *target, int n)
{
    joinPlain<uint8_t>(nbands, rows, target, n);
}

bool haveByteShuffles()
{
    return false;
}
#endif

} // namespace

void splitBands(int width, int nbands, const unsigned char *source, unsigned char *const *rows,
                int n)
{
    if (n <= 0 || nbands < 1) {
        return;
    }
    switch (width) {
    case 1:
        if (haveByteShuffles()) {
            splitBytesShuffled(nbands, source, rows, n);
        } else {
            splitPlain<uint8_t>(nbands, source, rows, n);
        }
        break;
    case 2: splitPlain<uint16_t>(nbands, source, rows, n); break;
    case 4: splitPlain<uint32_t>(nbands, source, rows, n); break;
    default: break;
    }
}

void joinBands(int width, int nbands, const unsigned char *const *rows, unsigned char *target,
               int n)
{
    if (n <= 0 || nbands < 1) {
        return;
    }
    switch (width) {
    case 1:
        if (haveByteShuffles()) {
            joinBytesShuffled(nbands, rows, target, n);
        } else {
            joinPlain<uint8_t>(nbands, rows, target, n);
        }
        break;
    case 2: joinPlain<uint16_t>(nbands, rows, target, n); break;
    case 4: joinPlain<uint32_t>(nbands, rows, target, n); break;
    default: break;
    }
}
