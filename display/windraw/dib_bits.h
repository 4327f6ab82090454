/*
 * dib_bits.h --
 *
 *	Packed DIBs in memory (a 40-byte information header, its colour
 *	table, then the pixel rows): making one, and turning one into a
 *	memory RAM image.
 */
#ifndef OVEX_DISPLAY_WINDRAW_DIB_BITS_H
#define OVEX_DISPLAY_WINDRAW_DIB_BITS_H

#include <stddef.h>
#include <stdint.h>

#include "ovex/ramimage.h"

typedef struct PackedDib {
    unsigned char *bytes;       /* header, colour table, rows (gmemAlloc) */
    size_t size;
    unsigned char *colorTable;  /* colors x 4 bytes: blue, green, red, 0 */
    unsigned char *rows;        /* first stored row */
    int64_t rowLength;          /* bytes of one stored row */
} PackedDib;

/* Allocates a zeroed packed DIB of width x |height| pixels (negative
 * height: rows stored top-down) of bitCount bits with a colour table of
 * colors entries, its header filled in. Returns 1, or 0 when the sizes
 * are invalid or memory runs out (dib->bytes NULL). Freed with gmemFree
 * of dib->bytes. */
int packedDibAlloc(PackedDib *dib, int width, int height, int bitCount, int colors);

/* The memory image tagged tag made from the packed DIB of size bytes
 * (1-, 4- and 8-bit DIBs one band with the colour table as palette,
 * 24-bit three bands and 32-bit four bands holding bytes 0, 1, 2 of each
 * pixel: blue, green, red; the fourth band is left zero). Rows go top to
 * bottom whatever the stored order. Returns the image with one reference
 * taken, or NULL for a truncated, compressed or unsupported DIB or when
 * the image cannot be made. */
RAMIMG *dibToRAMImage(const char *tag, const unsigned char *dib, size_t size);

#endif /* OVEX_DISPLAY_WINDRAW_DIB_BITS_H */
