/*
 * three_bands.h --
 *
 *	Byte rows of three bands interleaved pixel by pixel (RGB files),
 *	split into one row per band and joined back, in one pass each.
 */
#ifndef OVEX_RAMIMAGE_THREE_BANDS_H
#define OVEX_RAMIMAGE_THREE_BANDS_H

/* first[k], second[k], third[k] = pixels[3k], pixels[3k + 1], pixels[3k + 2]
 * for k < n. The four areas may not overlap. */
void splitThreeBands(const unsigned char *pixels, unsigned char *first, unsigned char *second,
                     unsigned char *third, int n);

/* The reverse: pixels[3k + b] from the row of band b, for k < n. */
void joinThreeBands(const unsigned char *first, const unsigned char *second,
                    const unsigned char *third, unsigned char *pixels, int n);

#endif /* OVEX_RAMIMAGE_THREE_BANDS_H */
