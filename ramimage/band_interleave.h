/*
 * band_interleave.h --
 *
 *	Splitting a file row whose samples are interleaved by pixel into one
 *	row per band, and joining band rows back into such a file row: the
 *	copies every pixel-interleaved row load and write-back goes through.
 */
#ifndef OVEX_RAMIMAGE_BAND_INTERLEAVE_H
#define OVEX_RAMIMAGE_BAND_INTERLEAVE_H

/*
 * splitBands: n pixels of `nbands` samples of `width` bytes (1, 2 or 4)
 * at `source` go to rows[b] (band b, n samples each).
 * joinBands: the reverse, into `target`.
 * The band rows must not overlap the interleaved row or each other.
 */
void splitBands(int width, int nbands, const unsigned char *source, unsigned char *const *rows,
                int n);
void joinBands(int width, int nbands, const unsigned char *const *rows, unsigned char *target,
               int n);

#endif /* OVEX_RAMIMAGE_BAND_INTERLEAVE_H */
