/*
 * imagedef.h --
 *
 *	IMAGEDEF, the system's own raw image file: a 1152-byte header, then
 *	band-sequential (BSQ), band-interleaved-by-line (BIL) or
 *	band-interleaved-by-pixel (BIP) rows; the headerless BSQD, BILD and
 *	BIPD layouts hold the same rows from byte 0.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_IMAGEDEF_H
#define OVEX_RAMIMAGE_FORMATS_IMAGEDEF_H

#include <stdint.h>

#include "ovex/ramimage.h"

#define IMAGEDEF_HEADER_SIZE 1152

/* Reads the header from byte 0 and fills head. 1 for an IMAGEDEF file whose
 * geometry fits the file, 0 for anything else (head untouched then). */
int probeImagedef(int fd, ImageHead *head);

/* Writes head's header at byte 0 (the file position is kept) and sets its
 * block; headerless layouts and a requested offset of 0 or less write
 * nothing and set offset 0. Returns the data offset (the bytes written),
 * or -1 when the header cannot be written whole or the head's geometry
 * cannot be described. */
int writeImagedefHeader(int fd, ImageHead *head);

/* Bytes of one band's file row of `columns` pixels of the pixel type: their
 * bits rounded up to whole bytes. -1 when the pixel type has no bits,
 * columns is below 1 or the count exceeds 32 bits. */
int64_t imagedefBandRowBytes(int pixel, int columns);

#endif /* OVEX_RAMIMAGE_FORMATS_IMAGEDEF_H */
