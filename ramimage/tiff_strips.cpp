/*
 * tiff_strips.cpp --
 *
 *	Reading and writing the rows of a TIFF or GeoTIFF image where its
 *	strips or tiles put them, for the row cache. Strips and tiles may be
 *	plain or PackBits-compressed; the bytes of a FillOrder 2 file have
 *	their bits reversed as they are read (before decoding, as libtiff
 *	does) and written. The TIFF reader describes the image
 *	(tiff_layout.h); until it does, the image has no rows to read.
 */
#include "ramimage/tiff_layout.h"

#include <string.h>

#include "core/gmem.h"
#include "ramimage/format_hooks.h"
#include "ramimage/packbits.h"
#include "ramimage/positional_io.h"

/* Scratch above this is read in pieces, starting at the row asked for. */
static const size_t tiffScratchLimit = 4u << 20;
/* Compressed bytes read at once. */
static const size_t packBitsChunk = 64u << 10;

static bool isTiled(const TiffLayout *layout)
{
    return layout->tileWidth >= 1;
}

static bool isUncompressed(const TiffLayout *layout)
{
    return layout->compression == 0 || layout->compression == TIFF_COMPRESSION_NONE;
}

static int64_t tileLineBytes(const TiffLayout *layout, const RAMIMG *image)
{
    return (int64_t)layout->tileWidth * image->head.bits * image->head.nbands / 8;
}

void tiffReverseBits(unsigned char *bytes, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        unsigned v = bytes[i];
        v = ((v & 0xF0u) >> 4) | ((v & 0x0Fu) << 4);
        v = ((v & 0xCCu) >> 2) | ((v & 0x33u) << 2);
        v = ((v & 0xAAu) >> 1) | ((v & 0x55u) << 1);
        bytes[i] = (unsigned char)v;
    }
}

/*
 * unitByteCount --
 *	The stored length of strip or tile `index` (StripByteCounts or
 *	TileByteCounts). Returns 1 and the length, or 0 when it cannot be read.
 */
static int unitByteCount(RAMIMG *image, const TiffLayout *layout, int64_t index, int64_t *length);

/*
 * decodePackBits --
 *	Decodes the PackBits unit of `length` bytes at pos into out (outLength
 *	bytes, after dropping `skip` decoded bytes), reading it through chunk;
 *	what it does not fill is zero. Returns the compressed bytes read: a
 *	unit that was read counts as loaded even when it decodes to nothing,
 *	so that its rows are not decoded again one by one.
 */
static int64_t decodePackBits(RAMIMG *image, const TiffLayout *layout, int64_t pos,
                              int64_t length, unsigned char *out, size_t outLength, size_t skip,
                              unsigned char *chunk, size_t chunkCapacity)
{
    PackBitsDecoder decoder;
    packBitsInit(&decoder, out, outLength, skip);
    int64_t done = 0;
    while (done < length && chunkCapacity > 0) {
        size_t piece = length - done < (int64_t)chunkCapacity ? (size_t)(length - done)
                                                              : chunkCapacity;
        ssize_t got = readAt(image->fd, chunk, piece, pos + done);
        if (got <= 0) {
            break;
        }
        if (layout->reverseBits) {
            tiffReverseBits(chunk, (size_t)got);
        }
        done += got;
        if (packBitsFeed(&decoder, chunk, (size_t)got)) {
            break;
        }
    }
    memset(out + decoder.produced, 0, outLength - decoder.produced);
    return done;
}

/*
 * readArrayEntry --
 *	Entry k of an array of width-byte numbers (1, 2 or 4) at pos in the
 *	file's byte order. Returns 1 and the value, or 0 when it cannot be
 *	read.
 */
static int readArrayEntry(RAMIMG *image, const TiffLayout *layout, int64_t pos, int64_t k,
                          int64_t *value, int width)
{
    unsigned char bytes[4];
    if (width != 1 && width != 2) {
        width = 4;
    }
    if (readAt(image->fd, bytes, (size_t)width, pos + width * k) != width) {
        return 0;
    }
    uint32_t v = 0;
    for (int i = 0; i < width; i++) {
        v = (v << 8) | bytes[layout->msbf ? i : width - 1 - i];
    }
    *value = v;
    return 1;
}

/*
 * unitStart --
 *	File position of strip or tile `index`: the array entry when there
 *	are several, the data position itself when there is one.
 */
static int unitStart(RAMIMG *image, const TiffLayout *layout, int64_t index, int64_t *pos)
{
    if (layout->stripCount > 1) {
        if (index < 0 || index >= layout->stripCount) {
            return 0;
        }
        if (layout->offsetsInEntry) {
            *pos = index < 4 ? layout->entryOffsets[index] : 0;
            return index < 4;
        }
        return readArrayEntry(image, layout, image->dataOffset, index, pos, layout->offsetsWidth);
    }
    if (index != 0) {
        return 0;
    }
    *pos = image->dataOffset;
    return 1;
}

static int unitByteCount(RAMIMG *image, const TiffLayout *layout, int64_t index, int64_t *length)
{
    if (layout->stripCount > 1) {
        if (index < 0 || index >= layout->stripCount) {
            return 0;
        }
        if (layout->countsInEntry) {
            *length = index < 4 ? layout->entryCounts[index] : 0;
            return index < 4;
        }
        return readArrayEntry(image, layout, layout->stripByteCounts, index, length,
                              layout->countsWidth);
    }
    *length = layout->stripByteCounts;
    return index == 0 && *length >= 0;
}

int tiffLayoutUnit(const TiffLayout *layout, const RAMIMG *image)
{
    if (layout == NULL) {
        return 0;
    }
    int unit = isTiled(layout) ? layout->tileLength : layout->rowsPerStrip;
    if (unit < 1) {
        return 0;                   /* no usable strip height */
    }
    return unit < image->head.rows ? unit : image->head.rows;
}

void tiffScratchBytes(const TiffLayout *layout, const RAMIMG *image, int unitRows,
                      size_t *rowBytes, size_t *workBytes)
{
    *rowBytes = 0;
    *workBytes = 0;
    int64_t block = image->head.block;
    if (layout == NULL || unitRows < 1 || block < 1) {
        return;
    }
    int64_t rows = unitRows;
    if ((uint64_t)(rows * block) > tiffScratchLimit) {
        rows = (int64_t)tiffScratchLimit / block;
        if (rows < 1) {
            rows = 1;
        }
    }
    *rowBytes = (size_t)(rows * block);
    if (isTiled(layout)) {
        int64_t line = tileLineBytes(layout, image);
        *workBytes = line > 0 ? (size_t)(rows * line) : 0;
        if (line > 0 && layout->compression == TIFF_COMPRESSION_PACKBITS) {
            *workBytes += packBitsChunk;    /* the compressed bytes after the lines */
        }
    } else if (layout->compression == TIFF_COMPRESSION_PACKBITS) {
        *workBytes = packBitsChunk;
    }
}

/*
 * chooseRows --
 *	The rows returned of a unit [start, end) holding row: the whole unit
 *	when it fits in `limit` rows, else as much as fits from row on.
 */
static void chooseRows(int row, int start, int end, int64_t limit, int *first, int *count)
{
    if (end - start <= limit) {
        *first = start;
        *count = end - start;
    } else {
        *first = row;
        *count = (int)((end - row) < limit ? (end - row) : limit);
    }
}

static int readTiledRows(RAMIMG *image, const TiffLayout *layout, int row, int *first,
                         int *count, unsigned char *rows, size_t rowsCapacity,
                         unsigned char *work, size_t workCapacity)
{
    int64_t block = image->head.block;
    int64_t line = tileLineBytes(layout, image);
    int tileLength = tiffLayoutUnit(layout, image);
    if (line < 1 || tileLength < 1 || layout->tileLength < 1) {
        return 0;
    }
    /* A compressed tile is read through the end of the work area, after
     * the lines it decodes into. */
    bool compressed = layout->compression == TIFF_COMPRESSION_PACKBITS;
    if (!compressed && !isUncompressed(layout)) {
        return 0;
    }
    size_t chunkBytes = compressed ? packBitsChunk : 0;
    if (workCapacity <= chunkBytes) {
        return 0;
    }
    int64_t limit = (int64_t)(rowsCapacity / (size_t)block);
    int64_t workLimit = (int64_t)((workCapacity - chunkBytes) / (size_t)line);
    if (workLimit < limit) {
        limit = workLimit;
    }
    if (limit < 1) {
        return 0;
    }
    int64_t tileRow = row / layout->tileLength;
    int start = (int)(tileRow * layout->tileLength);
    int end = start + layout->tileLength < image->head.rows ? start + layout->tileLength
                                                            : image->head.rows;
    chooseRows(row, start, end, limit, first, count);

    int64_t across = (image->head.columns - 1) / layout->tileWidth + 1;
    size_t wanted = (size_t)(*count * line);
    int anyRead = 0;
    for (int64_t i = 0; i < across; i++) {
        int64_t part = block - i * line;
        if (part <= 0) {
            break;
        }
        if (part > line) {
            part = line;
        }
        int64_t tile = tileRow * across + i;
        int64_t pos, length;
        if (!unitStart(image, layout, tile, &pos)) {
            memset(work, 0, wanted);
        } else if (compressed) {
            if (!unitByteCount(image, layout, tile, &length)) {
                memset(work, 0, wanted);
            } else if (decodePackBits(image, layout, pos, length, work, wanted,
                                      (size_t)(*first - start) * (size_t)line, work + wanted,
                                      workCapacity - wanted) > 0) {
                anyRead = 1;
            }
        } else {
            ssize_t got = readAt(image->fd, work, wanted, pos + (int64_t)(*first - start) * line);
            if (got <= 0) {
                got = 0;
            } else {
                anyRead = 1;
                if (layout->reverseBits) {
                    tiffReverseBits(work, (size_t)got);
                }
            }
            memset(work + got, 0, wanted - (size_t)got);
        }
        for (int k = 0; k < *count; k++) {
            memcpy(rows + (size_t)k * (size_t)block + (size_t)(i * line), work + (size_t)(k * line),
                   (size_t)part);
        }
    }
    return anyRead;
}

static int readStrippedRows(RAMIMG *image, const TiffLayout *layout, int row, int *first,
                            int *count, unsigned char *rows, size_t rowsCapacity,
                            unsigned char *work, size_t workCapacity)
{
    int64_t block = image->head.block;
    int rowsPerStrip = tiffLayoutUnit(layout, image);
    int64_t limit = (int64_t)(rowsCapacity / (size_t)block);
    if (rowsPerStrip < 1 || limit < 1) {
        return 0;
    }
    int64_t strip = row / rowsPerStrip;
    int start = (int)(strip * rowsPerStrip);
    int end = start + rowsPerStrip < image->head.rows ? start + rowsPerStrip : image->head.rows;
    chooseRows(row, start, end, limit, first, count);
    size_t wanted = (size_t)(*count * block);
    int64_t pos;
    if (!unitStart(image, layout, strip, &pos)) {
        return 0;
    }

    if (isUncompressed(layout)) {
        ssize_t got = readAt(image->fd, rows, wanted, pos + (int64_t)(*first - start) * block);
        if (got <= 0) {
            return 0;
        }
        if (layout->reverseBits) {
            tiffReverseBits(rows, (size_t)got);
        }
        memset(rows + got, 0, wanted - (size_t)got);
        return 1;
    }
    if (layout->compression != TIFF_COMPRESSION_PACKBITS || workCapacity < 1) {
        return 0;
    }

    /* A compressed strip is decoded from its start; rows above the first
     * wanted are dropped as they come out. */
    int64_t length;
    if (!unitByteCount(image, layout, strip, &length)) {
        return 0;
    }
    return decodePackBits(image, layout, pos, length, rows, wanted,
                          (size_t)(*first - start) * (size_t)block, work, workCapacity) > 0;
}

int readTiffRowsInto(RAMIMG *image, const TiffLayout *layout, int *row, int *count,
                     unsigned char *rows, size_t rowsCapacity, unsigned char *work,
                     size_t workCapacity)
{
    int r = *row;
    if (image == NULL || layout == NULL || image->fd < 0 || r < 0 || r >= image->head.rows
        || image->head.block < 1) {
        return 0;
    }
    int first = r, n = 0;
    int ok = isTiled(layout)
        ? readTiledRows(image, layout, r, &first, &n, rows, rowsCapacity, work, workCapacity)
        : readStrippedRows(image, layout, r, &first, &n, rows, rowsCapacity, work, workCapacity);
    if (!ok) {
        return 0;
    }
    *row = first;
    *count = n;
    return 1;
}

int tiffRowPosition(RAMIMG *image, const TiffLayout *layout, int row, int64_t *pos,
                    int *rowsLeft)
{
    int unit = tiffLayoutUnit(layout, image);
    int64_t block = image->head.block;
    if (unit < 1 || block < 1 || isTiled(layout) || row < 0 || row >= image->head.rows) {
        return 0;
    }
    int64_t strip = row / unit, start;
    if (!unitStart(image, layout, strip, &start)) {
        return 0;
    }
    int64_t end = (strip + 1) * unit < image->head.rows ? (strip + 1) * unit : image->head.rows;
    *pos = start + (row - strip * unit) * block;
    *rowsLeft = (int)(end - row);
    return 1;
}

/* Writes n bytes of a row at pos, their bits reversed for FillOrder 2
 * (through a small buffer: data is the caller's). */
static int writeRowBytes(RAMIMG *image, const TiffLayout *layout, const unsigned char *data,
                         size_t n, int64_t pos)
{
    if (!layout->reverseBits) {
        return writeAt(image->fd, data, n, pos);
    }
    unsigned char piece[4096];
    for (size_t done = 0; done < n;) {
        size_t k = n - done < sizeof(piece) ? n - done : sizeof(piece);
        memcpy(piece, data + done, k);
        tiffReverseBits(piece, k);
        if (!writeAt(image->fd, piece, k, pos + (int64_t)done)) {
            return 0;
        }
        done += k;
    }
    return 1;
}

int writeTiffRow(RAMIMG *image, const TiffLayout *layout, int row, const unsigned char *data)
{
    int64_t block = image->head.block;
    int unit = tiffLayoutUnit(layout, image);
    if (!isUncompressed(layout) || unit < 1 || block < 1) {
        return 0;
    }
    if (!isTiled(layout)) {
        int64_t strip = row / unit, pos;
        if (!unitStart(image, layout, strip, &pos)) {
            return 0;
        }
        return writeRowBytes(image, layout, data, (size_t)block, pos + (row - strip * unit) * block);
    }
    int64_t line = tileLineBytes(layout, image);
    if (line < 1 || layout->tileLength < 1) {
        return 0;
    }
    int64_t tileRow = row / layout->tileLength;
    int64_t across = (image->head.columns - 1) / layout->tileWidth + 1;
    int64_t lineInTile = row - tileRow * layout->tileLength;
    for (int64_t i = 0; i < across; i++) {
        int64_t part = block - i * line;
        if (part <= 0) {
            break;
        }
        int64_t pos;
        if (!unitStart(image, layout, tileRow * across + i, &pos)
            || !writeRowBytes(image, layout, data + i * line, (size_t)(part > line ? line : part),
                              pos + lineInTile * line)) {
            return 0;
        }
    }
    return 1;
}

/*
 * readTiffStrips --
 *	The file rows of the strip or tile row holding *row, in a buffer the
 *	caller frees with gmemFree; *row receives the first row and *count
 *	their number. NULL when the image has no TIFF layout described or
 *	nothing could be read.
 */
unsigned char *readTiffStrips(RAMIMG *image, int *row, int *count)
{
    const TiffLayout *layout = image != NULL ? tiffLayoutOf(image) : NULL;
    int unit = tiffLayoutUnit(layout, image);
    int64_t block = image != NULL ? image->head.block : 0;
    if (layout == NULL || unit < 1 || block < 1) {
        return NULL;
    }
    size_t rowsBytes = (size_t)unit * (size_t)block;
    size_t workBytes = 0;
    if (isTiled(layout)) {
        workBytes = (size_t)unit * (size_t)tileLineBytes(layout, image);
        if (layout->compression == TIFF_COMPRESSION_PACKBITS) {
            workBytes += packBitsChunk;
        }
    } else if (layout->compression == TIFF_COMPRESSION_PACKBITS) {
        workBytes = packBitsChunk;
    }
    unsigned char *rows = (unsigned char *)gmemAlloc(rowsBytes);
    unsigned char *work = workBytes > 0 ? (unsigned char *)gmemAlloc(workBytes) : NULL;
    if (rows == NULL || (workBytes > 0 && work == NULL)) {
        gmemFree(rows);
        gmemFree(work);
        return NULL;
    }
    int ok = readTiffRowsInto(image, layout, row, count, rows, rowsBytes, work, workBytes);
    gmemFree(work);
    if (!ok) {
        gmemFree(rows);
        return NULL;
    }
    return rows;
}

/*
 * tiffCacheUnit --
 *	Rows per strip or tile length of the image's TIFF layout, 0 when it
 *	has none described.
 */
int tiffCacheUnit(RAMIMG *image)
{
    return image != NULL ? tiffLayoutUnit(tiffLayoutOf(image), image) : 0;
}

/*
 * tiffRowsAddressable --
 *	1 when every row of the image's TIFF layout lies whole at its own
 *	place in the file (uncompressed strips, bits in the usual order): the
 *	cache then reads and writes any run of rows and need not hold whole
 *	strips.
 */
int tiffRowsAddressable(RAMIMG *image)
{
    const TiffLayout *layout = image != NULL ? tiffLayoutOf(image) : NULL;
    return layout != NULL && !isTiled(layout) && isUncompressed(layout) && !layout->reverseBits
           && tiffLayoutUnit(layout, image) > 0;
}
