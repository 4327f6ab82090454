/*
 * dib_bits.cpp --
 *
 *	Packed DIBs in memory and their conversion into memory RAM images.
 *
 *	Layout of a packed DIB:
 *	    0   information header (size field >= 40, little-endian)
 *	    H   colour table: one 4-byte entry (blue, green, red, 0) per colour
 *	    ... pixel rows, each padded to whole 32-bit words; bottom row
 *	        first unless the height is negative
 */
#include <string.h>

#include "display/windraw/dib_bits.h"
#include "ramimage/formats/dib.h"
#include "ramimage/ramimg.h"
#include "ovex/ovex.h"

#define QUAD_SIZE 4

int packedDibAlloc(PackedDib *dib, int width, int height, int bitCount, int colors)
{
    memset(dib, 0, sizeof(PackedDib));
    int64_t rows = height < 0 ? -(int64_t)height : (int64_t)height;
    int64_t rowLength = dibRowBytes(bitCount, width);
    if (rowLength < 0 || rows < 1 || colors < 0 || colors > 256) {
        return 0;
    }
    int64_t tableSize = (int64_t)colors * QUAD_SIZE;
    int64_t size = DIB_INFO_HEADER_SIZE + tableSize + rows * rowLength;
    if (size > (int64_t)UINT32_MAX) {
        return 0;
    }
    dib->bytes = (unsigned char *)gmemAlloc((size_t)size);
    if (dib->bytes == NULL) {
        return 0;
    }
    memset(dib->bytes, 0, (size_t)size);

    DibInfoHeader info;
    memset(&info, 0, sizeof info);
    info.size = DIB_INFO_HEADER_SIZE;
    info.width = width;
    info.height = height;
    info.planes = 1;
    info.bitCount = (uint16_t)bitCount;
    info.imageSize = (uint32_t)(rows * rowLength);
    info.colorsUsed = (uint32_t)colors;
    encodeDibInfoHeader(&info, dib->bytes);

    dib->size = (size_t)size;
    dib->colorTable = dib->bytes + DIB_INFO_HEADER_SIZE;
    dib->rows = dib->colorTable + tableSize;
    dib->rowLength = rowLength;
    return 1;
}

/*
 * copyDibRows --
 *	Fills the image's rows from the stored rows: one band byte for byte,
 *	several bands from bytes 0, 1 and 2 of each pixel.
 */
static void copyDibRows(RAMIMG *image, const unsigned char *rows, int64_t rowLength,
                        int topDown)
{
    int nrows = image->head.rows;
    int columns = image->head.columns;
    int nbands = image->head.nbands;
    for (int r = 0; r < nrows; r++) {
        const unsigned char *source = rows + (size_t)r * (size_t)rowLength;
        int target = topDown ? r : nrows - 1 - r;
        if (nbands == 1) {
            unsigned char *line = getRAMImageLine(image, target, 0, 0);
            if (line != NULL) {
                size_t n = (size_t)image->rowBytes < (size_t)rowLength ? (size_t)image->rowBytes
                                                                        : (size_t)rowLength;
                memcpy(line, source, n);
            }
            continue;
        }
        for (int band = 0; band < 3 && band < nbands; band++) {
            unsigned char *line = getRAMImageLine(image, target, band, 0);
            if (line == NULL) {
                continue;
            }
            for (int c = 0; c < columns; c++) {
                line[c] = source[(size_t)c * (size_t)nbands + (size_t)band];
            }
        }
    }
}

/*
 *----------------------------------------------------------------------
 *
 * dibToRAMImage --
 *
 *	Makes the memory image tagged tag from a packed DIB.
 *
 * Results:
 *	The image with one reference taken, or NULL.
 *
 * Side effects:
 *	An open memory image of that tag is rebuilt in place.
 *
 *----------------------------------------------------------------------
 */
RAMIMG *dibToRAMImage(const char *tag, const unsigned char *dib, size_t size)
{
    if (tag == NULL || dib == NULL || size < DIB_INFO_HEADER_SIZE) {
        return NULL;
    }
    DibInfoHeader info;
    decodeDibInfoHeader(dib, &info);
    /* Later header versions are longer; their colour table follows them.
     * Compressed rows and bit-field masks are not pixel rows. */
    if (info.size < DIB_INFO_HEADER_SIZE || info.size > size || info.compression != 0) {
        return NULL;
    }
    ImageHead head;
    initImageHead(&head);
    head.dataFd = -1;
    if (!initDIB_Bi(&head, &info)) {
        return NULL;
    }
    int colors = info.bitCount <= 8 ? head.nindices : 0;
    int64_t tableEnd = (int64_t)info.size + (int64_t)colors * QUAD_SIZE;
    int64_t rowLength = head.block;
    if (tableEnd + (int64_t)head.rows * rowLength > (int64_t)size) {
        return NULL;
    }
    if (colors > 0) {
        setDIBPalette(&head, dib + info.size, colors);
    }
    strncpy(head.file, tag, RAMIMG_NAME_SIZE - 1);
    head.file[RAMIMG_NAME_SIZE - 1] = '\0';

    int err = RAMIMG_OK;
    RAMIMG *image = openRAMImage(tag, NULL, &head, NULL, &err);
    if (image == NULL) {
        return NULL;
    }
    copyDibRows(image, dib + tableEnd, rowLength, info.height < 0);
    return image;
}
