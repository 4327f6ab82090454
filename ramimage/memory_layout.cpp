/*
 * memory_layout.cpp --
 *
 *	Packed layouts of the memory RGB images, the least row length of
 *	each layout and the default grey palette.
 */
#include <stdint.h>

#include "ramimage/memory_layout.h"
#include "ramimage/ramimg.h"
#include "core/rounding.h"

/*
 * isSystemImgid --
 *	1 for the layouts held only in memory (21 to 30), else 0.
 */
int isSystemImgid(int imgid)
{
    return imgid >= IMGID_MBSQ && imgid <= IMGID_MRGB1;
}

/* Bytes of a row of n bits padded to 32-bit words. */
static int64_t wordPaddedBytes(int64_t bits)
{
    return ((bits + 31) / 32) * 4;
}

/*
 * packedRowLength --
 *	Bytes of one packed row of a memory RGB layout (24 to 30) of the
 *	given columns; -1 for any other layout.
 */
static int64_t packedRowLength(int imgid, int64_t columns)
{
    switch (imgid) {
    case IMGID_MRGB32:
        return columns * 4;
    case IMGID_MRGB24:
        return wordPaddedBytes(columns * 24);
    case IMGID_MRGB565:
    case IMGID_MRGB555:
        return wordPaddedBytes(columns * 16);
    case IMGID_MRGB8:
        return wordPaddedBytes(columns * 8);
    case IMGID_MRGB4:
        return wordPaddedBytes(columns * 4);
    case IMGID_MRGB1:
        return wordPaddedBytes(columns);
    default:
        return -1;
    }
}

/*
 * applyMemoryLayout --
 *	Gives a memory RGB head (24 to 30) the bands, pixel type, palette
 *	size and packed row length of its layout. MBSQ, MBIL and MBIP keep
 *	what they were given.
 */
void applyMemoryLayout(ImageHead *head)
{
    switch (head->imgid) {
    case IMGID_MRGB32:
        head->nbands = 4;
        head->pixel = PIXEL_BYTE;
        break;
    case IMGID_MRGB24:
    case IMGID_MRGB565:
    case IMGID_MRGB555:
        head->nbands = 3;
        head->pixel = PIXEL_BYTE;
        break;
    case IMGID_MRGB8:
        head->nbands = 1;
        head->pixel = PIXEL_BYTE;
        head->nindices = 256;
        break;
    case IMGID_MRGB4:
        head->nbands = 1;
        head->pixel = PIXEL_4BITS;
        head->nindices = 16;
        break;
    case IMGID_MRGB1:
        head->nbands = 1;
        head->pixel = PIXEL_1BIT;
        head->nindices = 2;
        break;
    default:
        return;
    }
    int64_t block = packedRowLength(head->imgid, head->columns);
    head->bits = bitsPerPixel(head->pixel);
    head->block = (int32_t)(block < 0 ? 0 : (block > INT32_MAX ? INT32_MAX : block));
}

/*
 * leastRowLength --
 *	The least number of bytes one row of head's layout takes in its
 *	file (or packed in memory), in 64 bits so that no size overflows.
 */
int64_t leastRowLength(const ImageHead *head)
{
    int64_t columns = head->columns;
    int64_t bits = head->bits;
    int64_t bands = head->nbands;
    switch (head->imgid) {
    case IMGID_MRGB32: case IMGID_MRGB24: case IMGID_MRGB565: case IMGID_MRGB555:
    case IMGID_MRGB8: case IMGID_MRGB4: case IMGID_MRGB1:
        return packedRowLength(head->imgid, columns);
    case IMGID_BIP:
    case IMGID_DIB:
    case IMGID_MBIP:
        return wordPaddedBytes(columns * bits * bands);
    case IMGID_TIFF:
    case IMGID_PPM:
        return (columns * bits * bands + 7) / 8;
    default:
        return (columns * bits + 7) / 8;
    }
}

/*
 * fillGreyRamp --
 *	Palette entries 0 .. nindices - 1 become an even grey ramp from
 *	black to white (a one-entry ramp is black).
 */
void fillGreyRamp(ImageHead *head)
{
    int n = head->nindices;
    if (n > 256) {
        n = 256;
    }
    for (int i = 0; i < n; i++) {
        int v = 0;
        if (n > 1) {
            v = roundToInt((float)i / (float)(n - 1) * 255.0f);
        }
        head->palette[i][0] = head->palette[i][1] = head->palette[i][2] = (unsigned char)v;
    }
}

