/*
 * band_interleave.h --
 *
 *	Three byte bands to and from pixel-interleaved rows (RGB scanlines,
 *	PPM rows): the copies every colour row of the JPEG codec and of the
 *	interleaved file layouts goes through, vectorised.
 */
#ifndef OVEX_RAMIMAGE_BAND_INTERLEAVE_H
#define OVEX_RAMIMAGE_BAND_INTERLEAVE_H

#include <stddef.h>

/* out[3i], out[3i + 1], out[3i + 2] = first[i], second[i], third[i] for i < n. */
void interleaveBytes3(const unsigned char *first, const unsigned char *second,
                      const unsigned char *third, unsigned char *out, size_t n);

/* The reverse: first[i], second[i], third[i] = in[3i], in[3i + 1], in[3i + 2]. */
void splitBytes3(const unsigned char *in, unsigned char *first, unsigned char *second,
                 unsigned char *third, size_t n);

#endif /* OVEX_RAMIMAGE_BAND_INTERLEAVE_H */
