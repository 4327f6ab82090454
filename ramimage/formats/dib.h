/*
 * dib.h --
 *
 *	Device-independent bitmaps: the BMP file header and the bitmap
 *	information header as plain records, their little-endian byte
 *	images, and the conversion of an information header and its palette
 *	into an ImageHead (used by the BMP reader and by the display code that
 *	turns in-memory bitmaps into RAM images). The probe, header writer
 *	and palette writer of BMP files are declared in format_entry.h.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_DIB_H
#define OVEX_RAMIMAGE_FORMATS_DIB_H

#include <stdint.h>

#include "ovex/ramimage.h"

#define DIB_FILE_HEADER_SIZE 14
#define DIB_INFO_HEADER_SIZE 40

/* A DIB head's encoding: rows stored top-down (negative height) instead of
 * bottom-up. */
#define DIB_TOP_DOWN 1

typedef struct DibFileHeader {
    uint16_t type;                  /* "BM": 0x4D42 */
    uint32_t fileSize;
    uint16_t reserved1;
    uint16_t reserved2;
    uint32_t pixelOffset;           /* first pixel byte */
} DibFileHeader;

typedef struct DibInfoHeader {
    uint32_t size;                  /* of the information header: 40, 108, 124 ... */
    int32_t width;
    int32_t height;                 /* negative: rows stored top-down */
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;           /* 0: none */
    uint32_t imageSize;
    int32_t xPixelsPerMeter;
    int32_t yPixelsPerMeter;
    uint32_t colorsUsed;
    uint32_t colorsImportant;
} DibInfoHeader;

/* The records from and to their 14 and 40 little-endian bytes. */
void decodeDibFileHeader(const unsigned char *bytes, DibFileHeader *header);
void encodeDibFileHeader(const DibFileHeader *header, unsigned char *bytes);
void decodeDibInfoHeader(const unsigned char *bytes, DibInfoHeader *info);
void encodeDibInfoHeader(const DibInfoHeader *info, unsigned char *bytes);

/* Bytes of one stored row: whole 32-bit words. -1 when width is below 1,
 * bitCount is not 1 to 32, or the count exceeds 32 bits. */
int64_t dibRowBytes(int bitCount, int64_t width);

/* Describes uncompressed rows of the information header in head (imgid 7
 * DIB, no file offset yet, palette untouched). Returns 1, or 0 after
 * "Error in initDIB_Bi: invalid BitCount.\n" on standard error for a bit
 * count other than 1, 4, 8, 24 and 32, and 0 silently for a width below 1,
 * a height of 0 or beyond 32 bits, a palette of more than 256 colours or
 * rows beyond 32 bits. head is changed only on success. */
int initDIB_Bi(ImageHead *head, const DibInfoHeader *info);

/* Sets nindices to count (kept within 0 to 256) and the head's palette from
 * count RGBQUAD entries: 4 bytes each, blue, green, red, reserved. */
void setDIBPalette(ImageHead *head, const unsigned char *rgbQuads, int count);

/* File position of image row `row` of an open DIB image (row 0 at the top):
 * rows are stored bottom-up unless the head's encoding is DIB_TOP_DOWN. */
int64_t dibRowPosition(const RAMIMG *image, int row);

#endif /* OVEX_RAMIMAGE_FORMATS_DIB_H */
