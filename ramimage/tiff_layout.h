/*
 * tiff_layout.h --
 *
 *	Where the pixels of a TIFF or GeoTIFF image lie, as the TIFF reader
 *	describes the current image for the row cache. The image's dataOffset
 *	is the StripOffsets (or TileOffsets) field: the data position itself
 *	when there is one strip or tile, else the position of an array of
 *	offsets of offsetsWidth bytes (entry k at dataOffset + width x k, in
 *	the file's byte order). A few short offsets that stand in the
 *	directory entry itself are kept in the layout instead.
 */
#ifndef OVEX_RAMIMAGE_TIFF_LAYOUT_H
#define OVEX_RAMIMAGE_TIFF_LAYOUT_H

#include <stddef.h>
#include <stdint.h>

#include "ovex/ramimage.h"

enum {
    TIFF_COMPRESSION_NONE = 1,      /* 0 (absent) means the same */
    TIFF_COMPRESSION_PACKBITS = 32773
};

struct TiffLayout {
    int tileWidth;                  /* below 1: stripped */
    int tileLength;
    int stripCount;                 /* strips, or tiles of a tiled image */
    int rowsPerStrip;
    int64_t stripByteCounts;        /* the count itself for one strip, else the counts array */
    int compression;
    int msbf;                       /* byte order of the offset and count arrays */
    int offsetsWidth;               /* bytes of one offsets array entry: 1, 2 or 4 */
    int countsWidth;                /* bytes of one counts array entry: 1, 2 or 4 */
    int offsetsInEntry;             /* 1: several offsets stood in the entry: entryOffsets */
    int countsInEntry;              /* 1: several counts stood in the entry: entryCounts */
    uint32_t entryOffsets[4];
    uint32_t entryCounts[4];
    int reverseBits;                /* 1: FillOrder 2, the bits of every stored byte
                                     * in reverse order */
};

/* The layout of the image's current TIFF image, or NULL when the image has
 * none described (the TIFF reader provides it). */
const TiffLayout *tiffLayoutOf(RAMIMG *image);

/* Rows of one strip or tile row (the cache unit); 0 when there is none
 * usable. */
int tiffLayoutUnit(const TiffLayout *layout, const RAMIMG *image);

/* 1 when the image's rows lie whole at their own places (uncompressed
 * strips in the usual bit order), so that any run of rows can be read or
 * written alone. */
int tiffRowsAddressable(RAMIMG *image);

/* For an image whose rows are addressable (tiffRowsAddressable): the file
 * position of `row` and the rows from it to the end of its strip, which
 * follow it in the file. Returns 1, or 0 when the strip cannot be found. */
int tiffRowPosition(RAMIMG *image, const TiffLayout *layout, int row, int64_t *pos,
                    int *rowsLeft);

/* Scratch bytes the cache keeps for reading: decoded rows (rowBytes) and
 * tile lines or compressed chunks (workBytes) for `unitRows` rows. */
void tiffScratchBytes(const TiffLayout *layout, const RAMIMG *image, int unitRows,
                      size_t *rowBytes, size_t *workBytes);

/* Reads the strip or tile row holding *row into rows (file rows of block
 * bytes): *row receives the first row read and *count the rows, fewer
 * than the strip when rowsCapacity is short (then reading starts at the
 * row asked for). Returns 1, or 0 when nothing could be read. */
int readTiffRowsInto(RAMIMG *image, const TiffLayout *layout, int *row, int *count,
                     unsigned char *rows, size_t rowsCapacity, unsigned char *work,
                     size_t workCapacity);

/* Reverses the order of the bits of each of n bytes (FillOrder 2). */
void tiffReverseBits(unsigned char *bytes, size_t n);

/* Writes one interleaved file row (block bytes, in the usual bit order:
 * reversed here for FillOrder 2) where the row lies in an uncompressed
 * image. 1 when written, 0 when not (compressed, or a write
 * failed). */
int writeTiffRow(RAMIMG *image, const TiffLayout *layout, int row, const unsigned char *data);

#endif /* OVEX_RAMIMAGE_TIFF_LAYOUT_H */
