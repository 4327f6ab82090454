/*
 * ram_geometry.h --
 *
 *	The checks a RAM image's attributes pass before a cache is built for
 *	them, so that no row, slot id, file position or cache size can run
 *	past what the record's ints and the allocator can hold.
 */
#ifndef OVEX_RAMIMAGE_RAM_GEOMETRY_H
#define OVEX_RAMIMAGE_RAM_GEOMETRY_H

#include "ovex/ramimage.h"

/* Settles head for an image read from a file: bits from the pixel type
 * when unset, block raised to what one file row of the layout needs.
 * Returns 0 with *rowBytes set, or the error code: 2 for an imgid outside
 * the vocabulary, 8 for any attribute the file layouts cannot handle. */
int settleFileHead(ImageHead *head, int *rowBytes);

/* The same for a memory image (block raised for "MBIP" and the packed
 * RGB layouts); the error code is 2 or 1. */
int settleMemoryHead(ImageHead *head, int *rowBytes);

/* Rows per band of a file image's default cache: the smallest depth from
 * 4 to 127 whose cache reaches 256 KiB, else 127. */
int defaultCacheDepth(int nbands, int rowBytes);

#endif /* OVEX_RAMIMAGE_RAM_GEOMETRY_H */
