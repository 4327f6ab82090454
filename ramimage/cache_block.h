/*
 * cache_block.h --
 *
 *	The layout of a RAM image's cache block and the small accessors the
 *	row loaders and flushers share. One allocation holds, in this order:
 *
 *	  rows       slots x rowBytes bytes, slot k at k x rowBytes
 *	  extra      packed pixels of a memory RGB image (0 bytes otherwise)
 *	  (pad)      up to 8-byte alignment
 *	  rowIds     slots ints
 *	  dirtyBits  slots / 8 + 1 bytes
 *	  (pad)      up to 16-byte alignment
 *	  trailer    CacheTrailer: scratch sizes and the write-failure flag
 *	  flush      one interleaved file row for write-back (flushBytes)
 *	  read       file rows read at once, or the gap skipped between rows
 *	             of a padded band file (readBytes)
 *	  work       TIFF tile lines or compressed strip chunks (workBytes)
 *
 *	The scratch areas live in the block so that a miss never allocates;
 *	the trailer dies with the block, so a failed write is remembered
 *	without a field in the record.
 */
#ifndef OVEX_RAMIMAGE_CACHE_BLOCK_H
#define OVEX_RAMIMAGE_CACHE_BLOCK_H

#include <stddef.h>
#include <stdint.h>

#include "ovex/ramimage.h"

struct CacheTrailer {
    size_t flushBytes;
    size_t readBytes;
    size_t workBytes;
    int writeFailed;                /* a write-back failed since the last flushRamImage */
    int unwrittenFrom;              /* file rows from here on were never written since the
                                       file was created and read as zero; rows when unknown */
    int uncleared;                  /* the rows hold no values yet: a whole-image decoder
                                       fills them before any is used */
    int blankRows;                  /* the file holds a blank picture: a row not cached is
                                       zero, made without decoding */
    int madeForRows;                /* the image's rows when the block was made */
};

/* How the loaders and flushers treat an imgid. */
enum CacheLayout {
    LAYOUT_NONE,                    /* UNKNOWN and anything unlisted: nothing read or written */
    LAYOUT_BSQ,                     /* 1, 14, 18 */
    LAYOUT_BIL,                     /* 2, 4, 5, 6, 19 */
    LAYOUT_BIP,                     /* 3, 12, 16, 20 */
    LAYOUT_DIB,                     /* 7 */
    LAYOUT_TIFF,                    /* 9, 15 */
    LAYOUT_DICOM,                   /* 17 */
    LAYOUT_WHOLE,                   /* 8, 10, 11, 13: decoded and written as one */
    LAYOUT_MBSQ,                    /* 21 */
    LAYOUT_MEMORY,                  /* 22, 23 */
    LAYOUT_MRGB,                    /* 24 to 27: slots converted from the extra area */
    LAYOUT_MRGB_INDEX               /* 28 to 30: the packed rows themselves */
};

inline CacheLayout cacheLayoutOf(int imgid)
{
    switch (imgid) {
    case IMGID_BSQ: case IMGID_E74BSQ: case IMGID_BSQD:
        return LAYOUT_BSQ;
    case IMGID_BIL: case IMGID_E73: case IMGID_E74: case IMGID_ELAS: case IMGID_BILD:
        return LAYOUT_BIL;
    case IMGID_BIP: case IMGID_PPM: case IMGID_FFT: case IMGID_BIPD:
        return LAYOUT_BIP;
    case IMGID_DIB:
        return LAYOUT_DIB;
    case IMGID_TIFF: case IMGID_GEOTIFF:
        return LAYOUT_TIFF;
    case IMGID_DICOM:
        return LAYOUT_DICOM;
    case IMGID_XBMP: case IMGID_GIF87A: case IMGID_GIF89A: case IMGID_JPEG:
        return LAYOUT_WHOLE;
    case IMGID_MBSQ:
        return LAYOUT_MBSQ;
    case IMGID_MBIL: case IMGID_MBIP:
        return LAYOUT_MEMORY;
    case IMGID_MRGB32: case IMGID_MRGB24: case IMGID_MRGB565: case IMGID_MRGB555:
        return LAYOUT_MRGB;
    case IMGID_MRGB8: case IMGID_MRGB4: case IMGID_MRGB1:
        return LAYOUT_MRGB_INDEX;
    default:
        return LAYOUT_NONE;
    }
}

inline size_t alignUp(size_t n, size_t to)
{
    return (n + to - 1) & ~(to - 1);
}

/* Offset of rowIds in a block of `slots` rows plus `extra` bytes. */
inline size_t rowIdsOffset(size_t slots, size_t rowBytes, size_t extra)
{
    return alignUp(slots * rowBytes + extra, 8);
}

inline CacheTrailer *cacheTrailer(const RAMIMG *image)
{
    if (image->cacheBlock == NULL) {
        return NULL;
    }
    uintptr_t end = (uintptr_t)(image->dirtyBits + image->slots / 8 + 1);
    return (CacheTrailer *)alignUp(end, 16);
}

inline unsigned char *cacheFlushArea(const RAMIMG *image)
{
    return (unsigned char *)(cacheTrailer(image) + 1);
}

inline unsigned char *cacheReadArea(const RAMIMG *image)
{
    return cacheFlushArea(image) + cacheTrailer(image)->flushBytes;
}

inline unsigned char *cacheWorkArea(const RAMIMG *image)
{
    return cacheReadArea(image) + cacheTrailer(image)->readBytes;
}

/* The packed pixels of a memory RGB image: row r at r x block. */
inline unsigned char *ramImageExtraArea(const RAMIMG *image)
{
    return image->cacheBlock + (size_t)image->slots * (size_t)image->rowBytes;
}

inline unsigned char *slotRow(const RAMIMG *image, int slot)
{
    return image->cacheBlock + (size_t)slot * (size_t)image->rowBytes;
}

inline int slotOf(const RAMIMG *image, int64_t id)
{
    return (int)(id % image->slots);
}

inline bool slotDirty(const RAMIMG *image, int slot)
{
    return (image->dirtyBits[slot >> 3] >> (slot & 7)) & 1;
}

inline void setSlotDirty(RAMIMG *image, int slot)
{
    image->dirtyBits[slot >> 3] |= (unsigned char)(1u << (slot & 7));
}

inline void clearSlotDirty(RAMIMG *image, int slot)
{
    image->dirtyBits[slot >> 3] &= (unsigned char)~(1u << (slot & 7));
}

inline void noteWriteFailure(RAMIMG *image)
{
    CacheTrailer *trailer = cacheTrailer(image);
    if (trailer != NULL) {
        trailer->writeFailed = 1;
    }
}

/* Multi-byte pixel types whose rows are swapped for a foreign byte order. */
inline bool pixelHasByteOrder(int pixel)
{
    return pixel == PIXEL_SHORT || pixel == PIXEL_USHORT || pixel == PIXEL_LONG
        || pixel == PIXEL_FLOAT || pixel == PIXEL_ULONG;
}

/* Bytes of one element for the interleaving copies, 0 for types that are
 * not interleaved by element. */
inline int interleavedElementBytes(int pixel)
{
    switch (pixel) {
    case PIXEL_BYTE: case PIXEL_SBYTE: return 1;
    case PIXEL_SHORT: case PIXEL_USHORT: return 2;
    case PIXEL_LONG: case PIXEL_FLOAT: case PIXEL_ULONG: return 4;
    default: return 0;
    }
}

#endif /* OVEX_RAMIMAGE_CACHE_BLOCK_H */
