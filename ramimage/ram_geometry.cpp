/*
 * ram_geometry.cpp --
 *
 *	Pixel sizes, cached row lengths and the attribute checks of RAM
 *	images. Every product is formed in 64 bits and compared with the
 *	limit of the field or index that will hold it.
 */
#include "ramimage/ram_geometry.h"
#include "ramimage/ramimg.h"

#include <climits>
#include <cstdint>

/*
 * msbFirst --
 *	0: this host stores the least significant byte first. Readers and
 *	writers compare it with a file's byte order.
 */
int msbFirst(void)
{
    return 0;
}

/*
 * bitsPerPixel --
 *	Bits of one sample of the pixel type; 0 for UNKNOWN and for codes
 *	outside 0 to 9.
 */
int bitsPerPixel(int pixel)
{
    static const int bits[10] = {0, 1, 4, 8, 16, 32, 32, 16, 32, 8};
    if (pixel < 0 || pixel > 9) {
        return 0;
    }
    return bits[pixel];
}

/*
 * rowBytesFor --
 *	Bytes the row cache gives one band row of columns samples of the
 *	pixel type; -1 for negative columns, an unknown type or a length
 *	beyond INT_MAX.
 */
int rowBytesFor(int pixel, int columns)
{
    if (columns < 0) {
        return -1;
    }
    int64_t n = columns;
    int64_t bytes;
    switch (pixel) {
    case PIXEL_1BIT:
        bytes = (n + 7) / 8;
        break;
    case PIXEL_4BITS:
        bytes = (4 * n + 4) / 8;
        break;
    case PIXEL_SHORT:
    case PIXEL_USHORT:
        bytes = 2 * n;
        break;
    case PIXEL_LONG:
    case PIXEL_FLOAT:
    case PIXEL_ULONG:
        bytes = 4 * n;
        break;
    case PIXEL_UNKNOWN:
    case PIXEL_BYTE:
    case PIXEL_SBYTE:
        bytes = n;
        break;
    default:
        return -1;
    }
    return bytes > INT_MAX ? -1 : (int)bytes;
}

int defaultCacheDepth(int nbands, int rowBytes)
{
    const int64_t target = 262144;
    for (int64_t k = 4; k <= 127; k++) {
        int64_t slots = (int64_t)nbands * k;
        /* The division first: wide rows of many bands overflow the product. */
        if ((int64_t)rowBytes + 4 > target / slots
                || slots * ((int64_t)rowBytes + 4) + slots / 8 + 1 >= target) {
            return (int)k;
        }
    }
    return 127;
}

/* Pixel types whose bands the cache separates out of interleaved rows. */
static bool separatesBands(int pixel)
{
    return pixel == PIXEL_BYTE || pixel == PIXEL_SHORT || pixel == PIXEL_LONG
        || pixel == PIXEL_FLOAT || pixel == PIXEL_USHORT || pixel == PIXEL_ULONG
        || pixel == PIXEL_SBYTE;
}

/* Layouts whose file rows are read whole and scattered into band slots. */
static bool scattersRows(int imgid)
{
    switch (imgid) {
    case IMGID_BIP: case IMGID_TIFF: case IMGID_PPM: case IMGID_GEOTIFF:
    case IMGID_FFT: case IMGID_DICOM: case IMGID_BIPD:
        return true;
    default:
        return false;
    }
}

/*
 * settleCommon --
 *	Checks shared by every image: the vocabulary codes, at least one row,
 *	column and band, slot ids (row x nbands + band) that fit an int, and
 *	a cached row length that fits an int. Fills bits when unset.
 */
static int settleCommon(ImageHead *head, int *rowBytes, int sizeCode)
{
    if (head->imgid < 0 || head->imgid > IMGID_MRGB1) {
        return RAMIMG_EUNKNOWN_TYPE;
    }
    if (head->pixel < 0 || head->pixel > PIXEL_SBYTE) {
        return sizeCode;
    }
    if (head->rows < 1 || head->columns < 1 || head->nbands < 1) {
        return sizeCode;
    }
    if ((int64_t)head->rows * head->nbands > INT_MAX) {
        return sizeCode;
    }
    int bytes = rowBytesFor(head->pixel, head->columns);
    if (bytes < 1) {
        return sizeCode;
    }
    if (head->bits <= 0) {
        head->bits = bitsPerPixel(head->pixel);
    }
    *rowBytes = bytes;
    return 0;
}

/*
 * settlePackedRgb --
 *	The packed memory layouts convert one byte per column into their
 *	slots (24 to 27) or hand out the packed row itself (28 to 30): the
 *	band count is bounded by the layout, and every packed row is at
 *	least the layout's padded row and, when handed out, a cached row.
 */
static int settlePackedRgb(ImageHead *head, int rowBytes, int sizeCode)
{
    static const int bandsOf[7] = {4, 3, 3, 3, 1, 1, 1};
    static const int bitsOf[7] = {32, 24, 16, 16, 8, 4, 1};
    int index = head->imgid - IMGID_MRGB32;
    if (head->nbands > bandsOf[index]) {
        return sizeCode;
    }
    if (head->imgid <= IMGID_MRGB555 && rowBytes < head->columns) {
        return sizeCode;
    }
    int64_t packed = ((int64_t)head->columns * bitsOf[index] + 31) / 32 * 4;
    if (head->imgid >= IMGID_MRGB8 && packed < rowBytes) {
        packed = rowBytes;
    }
    if (packed > INT_MAX) {
        return sizeCode;
    }
    if (head->block < packed) {
        head->block = (int32_t)packed;
    }
    return 0;
}

int settleMemoryHead(ImageHead *head, int *rowBytes)
{
    int code = settleCommon(head, rowBytes, RAMIMG_ENOMEM);
    if (code != 0) {
        return code;
    }
    if (head->imgid == IMGID_MBIP) {
        int64_t pixelRow = (int64_t)*rowBytes * head->nbands;
        if (pixelRow > INT_MAX) {
            return RAMIMG_ENOMEM;
        }
        if (head->block < pixelRow) {
            head->block = (int32_t)pixelRow;
        }
    }
    if (head->imgid >= IMGID_MRGB32) {
        return settlePackedRgb(head, *rowBytes, RAMIMG_ENOMEM);
    }
    return 0;
}

/*
 * fileRowBytes --
 *	The file row length chosen for a head whose block is shorter than a
 *	cached row: all bands of a pixel-interleaved row, a DIB row padded to
 *	4 bytes, else one band's row. INT64_MAX when it cannot be counted.
 */
static int64_t fileRowBytes(const ImageHead *head)
{
    int64_t bits = (int64_t)head->columns * head->bits;
    switch (head->imgid) {
    case IMGID_BIP: case IMGID_TIFF: case IMGID_PPM: case IMGID_GEOTIFF:
    case IMGID_DIB:
        if (bits > 0 && head->nbands > (INT64_MAX - 31) / bits) {
            return INT64_MAX;
        }
        return (head->imgid == IMGID_DIB) ? (head->nbands * bits + 31) / 32 * 4
                                          : head->nbands * bits / 8;
    default:
        return (bits + 7) / 8;
    }
}

int settleFileHead(ImageHead *head, int *rowBytes)
{
    int code = settleCommon(head, rowBytes, RAMIMG_EUNHANDLED);
    if (code != 0) {
        return code;
    }
    /* "MBSQ" indexes every row of every band in the cache, which a file
     * image holds only a window of. */
    if (head->imgid == IMGID_MBSQ || head->offset < 0) {
        return RAMIMG_EUNHANDLED;
    }
    if (head->imgid >= IMGID_MRGB32) {
        return settlePackedRgb(head, *rowBytes, RAMIMG_EUNHANDLED);
    }
    /* A JPEG's block is its compression quality, not a file row (the
     * picture is decoded and written whole): raising it to the row length
     * would write a wide image back at another quality. */
    if (head->imgid == IMGID_JPEG) {
        return 0;
    }

    /* Bands of 1- and 4-bit pixels cannot be picked out of rows that
     * interleave them by pixel: such a layout is refused, never read as
     * zeros. */
    if (scattersRows(head->imgid) && head->nbands > 1 && !separatesBands(head->pixel)) {
        return RAMIMG_EUNHANDLED;
    }
    /* The least file row a read or write-back of the layout touches. */
    int64_t needed = *rowBytes;
    if (scattersRows(head->imgid) && head->nbands > 1 && separatesBands(head->pixel)) {
        needed = (int64_t)*rowBytes * head->nbands;
    }
    if (head->imgid == IMGID_DIB && head->nbands > 1) {
        if (*rowBytes < head->columns) {
            return RAMIMG_EUNHANDLED;
        }
        int64_t interleaved = (int64_t)head->columns * head->nbands;
        if (interleaved > needed) {
            needed = interleaved;
        }
    }
    if (head->block < *rowBytes) {
        int64_t chosen = fileRowBytes(head);
        if (chosen < needed) {
            chosen = needed;
        }
        if (chosen > INT_MAX) {
            return RAMIMG_EUNHANDLED;
        }
        head->block = (int32_t)chosen;
    }
    if (head->block < needed) {
        return RAMIMG_EUNHANDLED;
    }
    return 0;
}
