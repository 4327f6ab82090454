/*
 * dib.cpp --
 *
 *	Reader and writers of BMP files (device-independent bitmaps, imgid 7).
 *	Every number is little-endian.
 *
 *	File header, 14 bytes at byte 0:
 *	offset  size  type     field
 *	     0     2  char     type: "BM"
 *	     2     4  uint32   file size
 *	     6     2  uint16   reserved, 0
 *	     8     2  uint16   reserved, 0
 *	    10     4  uint32   offset of the first pixel byte
 *
 *	Information header at byte 14; its first field gives its size (40
 *	here; 108 and 124 from writers that add colour-space fields, which
 *	are skipped):
 *	    14     4  uint32   header size, at least 40
 *	    18     4  int32    width
 *	    22     4  int32    height: positive, rows stored bottom-up;
 *	                       negative, top-down
 *	    26     2  uint16   planes, 1
 *	    28     2  uint16   bits per pixel: 1, 4, 8, 24 or 32 are read
 *	    30     4  uint32   compression: only 0 (none) is read
 *	    34     4  uint32   image size (0 when uncompressed)
 *	    38     4  int32    horizontal resolution, pixels per metre
 *	    42     4  int32    vertical resolution
 *	    46     4  uint32   colours used (0: all that the bit count allows)
 *	    50     4  uint32   colours important
 *
 *	Palette at 14 + header size: 4 bytes per entry (blue, green, red, 0);
 *	2, 16 or 256 entries for 1, 4 and 8 bits unless colours used says
 *	fewer, none for 24 and 32 bits.
 *
 *	Between the palette and the pixels this system stores its
 *	georeference line with its terminating zero byte; the file header's
 *	pixel offset covers it.
 *
 *	Pixels: rows of ((bits x width + 31) / 32) x 4 bytes. Bands of a
 *	pixel are interleaved byte by byte in the order blue, green, red (and
 *	a fourth byte for 32 bits), so band 1 of a colour image is blue.
 */
#include "ramimage/formats/dib.h"

#include <climits>
#include <cstring>
#include <sys/stat.h>

#include "core/vocabulary.h"
#include "ramimage/file_checks.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/georef_line.h"
#include "ramimage/positional_io.h"
#include "ramimage/ramimg.h"

namespace {

const uint16_t DIB_TYPE_BM = 0x4D42;    /* "BM" read as a little-endian number */
const int MAX_PALETTE = 256;
const int QUAD_SIZE = 4;
const int64_t MAX_GEOREF_GAP = 256;

/* ---- Little-endian fields --------------------------------------------- */

uint32_t getLE(const unsigned char *at, int width)
{
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; i--) {
        value = (value << 8) | at[i];
    }
    return value;
}

void putLE(unsigned char *at, int width, uint32_t value)
{
    for (int i = 0; i < width; i++) {
        at[i] = (unsigned char)(value & 0xFF);
        value >>= 8;
    }
}

/* All size bytes read at position. */
bool readWhole(int fd, unsigned char *buffer, size_t size, int64_t position)
{
    return readAt(fd, buffer, size, position) == (ssize_t)size;
}

/* Size of a regular file; -1 for other files, whose size is not known. */
int64_t bmpFileSize(int fd)
{
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return (int64_t)info.st_size;
}

/* Reads and decodes both headers from byte 0; false when either is short
 * or the type is not "BM". */
bool readDibHeaders(int fd, DibFileHeader *file, DibInfoHeader *info)
{
    unsigned char bytes[DIB_FILE_HEADER_SIZE + DIB_INFO_HEADER_SIZE];
    if (!readWhole(fd, bytes, DIB_FILE_HEADER_SIZE, 0)) {
        return false;
    }
    decodeDibFileHeader(bytes, file);
    if (file->type != DIB_TYPE_BM
        || !readWhole(fd, bytes + DIB_FILE_HEADER_SIZE, DIB_INFO_HEADER_SIZE,
                      DIB_FILE_HEADER_SIZE)) {
        return false;
    }
    decodeDibInfoHeader(bytes + DIB_FILE_HEADER_SIZE, info);
    return true;
}

/* Palette entries stored in a file of the bit count: colours used, else
 * all the bit count allows; 0 for colour images. */
int storedPaletteEntries(const DibInfoHeader *info)
{
    if (info->bitCount > 8) {
        return 0;
    }
    return info->colorsUsed != 0 ? (int)info->colorsUsed : 1 << info->bitCount;
}

/*
 * dibWriteLayout --
 *	The bit count and palette entries that a head's pixel type is written
 *	with: one band of 1BIT, 4BITS or BYTE with its palette, or BYTE with
 *	several bands as 24-bit colour. False for anything else.
 */
bool dibWriteLayout(const ImageHead *head, int *bitCount, int *entries)
{
    switch (head->pixel) {
    case PIXEL_1BIT:
        *bitCount = 1;
        *entries = 2;
        return head->nbands == 1;
    case PIXEL_4BITS:
        *bitCount = 4;
        *entries = 16;
        return head->nbands == 1;
    case PIXEL_BYTE:
        *bitCount = head->nbands == 1 ? 8 : 24;
        *entries = head->nbands == 1 ? 256 : 0;
        return head->nbands >= 1;
    default:
        return false;
    }
}

/*
 * fillWritePalette --
 *	RGBQUAD entries of a new file: the head's colours below nindices,
 *	then a grey ramp from black to white over all the entries (a 1-bit
 *	file gets black and white, not two shades of black).
 */
void fillWritePalette(const ImageHead *head, int entries, unsigned char *quads)
{
    int given = head->nindices < 0 ? 0 : (head->nindices > entries ? entries : head->nindices);
    for (int i = 0; i < entries; i++) {
        unsigned char *quad = quads + (size_t)i * QUAD_SIZE;
        if (i < given) {
            quad[0] = head->palette[i][2];
            quad[1] = head->palette[i][1];
            quad[2] = head->palette[i][0];
        } else {
            unsigned char grey = (unsigned char)(entries > 1 ? i * 255 / (entries - 1) : 0);
            quad[0] = quad[1] = quad[2] = grey;
        }
        quad[3] = 0;
    }
}

} // namespace

/* ---- Records and their bytes ------------------------------------------- */

void decodeDibFileHeader(const unsigned char *bytes, DibFileHeader *header)
{
    header->type = (uint16_t)getLE(bytes, 2);
    header->fileSize = getLE(bytes + 2, 4);
    header->reserved1 = (uint16_t)getLE(bytes + 6, 2);
    header->reserved2 = (uint16_t)getLE(bytes + 8, 2);
    header->pixelOffset = getLE(bytes + 10, 4);
}

void encodeDibFileHeader(const DibFileHeader *header, unsigned char *bytes)
{
    putLE(bytes, 2, header->type);
    putLE(bytes + 2, 4, header->fileSize);
    putLE(bytes + 6, 2, header->reserved1);
    putLE(bytes + 8, 2, header->reserved2);
    putLE(bytes + 10, 4, header->pixelOffset);
}

void decodeDibInfoHeader(const unsigned char *bytes, DibInfoHeader *info)
{
    info->size = getLE(bytes, 4);
    info->width = (int32_t)getLE(bytes + 4, 4);
    info->height = (int32_t)getLE(bytes + 8, 4);
    info->planes = (uint16_t)getLE(bytes + 12, 2);
    info->bitCount = (uint16_t)getLE(bytes + 14, 2);
    info->compression = getLE(bytes + 16, 4);
    info->imageSize = getLE(bytes + 20, 4);
    info->xPixelsPerMeter = (int32_t)getLE(bytes + 24, 4);
    info->yPixelsPerMeter = (int32_t)getLE(bytes + 28, 4);
    info->colorsUsed = getLE(bytes + 32, 4);
    info->colorsImportant = getLE(bytes + 36, 4);
}

void encodeDibInfoHeader(const DibInfoHeader *info, unsigned char *bytes)
{
    putLE(bytes, 4, info->size);
    putLE(bytes + 4, 4, (uint32_t)info->width);
    putLE(bytes + 8, 4, (uint32_t)info->height);
    putLE(bytes + 12, 2, info->planes);
    putLE(bytes + 14, 2, info->bitCount);
    putLE(bytes + 16, 4, info->compression);
    putLE(bytes + 20, 4, info->imageSize);
    putLE(bytes + 24, 4, (uint32_t)info->xPixelsPerMeter);
    putLE(bytes + 28, 4, (uint32_t)info->yPixelsPerMeter);
    putLE(bytes + 32, 4, info->colorsUsed);
    putLE(bytes + 36, 4, info->colorsImportant);
}

int64_t dibRowBytes(int bitCount, int64_t width)
{
    if (width < 1 || bitCount < 1 || bitCount > 32 || width > INT32_MAX) {
        return -1;
    }
    int64_t bytes = ((int64_t)bitCount * width + 31) / 32 * 4;
    return bytes > INT32_MAX ? -1 : bytes;
}

/*
 *----------------------------------------------------------------------
 *
 * initDIB_Bi --
 *
 *	Describes the rows of a bitmap information header as a DIB image.
 *
 * Results:
 *	1, or 0 for a bit count other than 1, 4, 8, 24 and 32 (after the
 *	message on standard error) or a size the head cannot describe.
 *
 * Side effects:
 *	On success sets the head's imgid, mapid, imgtype, pixel, bits,
 *	nbands, nindices, msbf, offset (0), top, left, rows, columns, block,
 *	transparent, x0, y0, dx, dy and encoding (DIB_TOP_DOWN for a
 *	negative height). The palette is left to setDIBPalette.
 *
 *----------------------------------------------------------------------
 */
int initDIB_Bi(ImageHead *head, const DibInfoHeader *info)
{
    int pixel, nbands, nindices, msbf, defaultColors;
    switch (info->bitCount) {
    case 1: pixel = PIXEL_1BIT; nbands = 1; defaultColors = 2; msbf = 1; break;
    case 4: pixel = PIXEL_4BITS; nbands = 1; defaultColors = 16; msbf = 1; break;
    case 8: pixel = PIXEL_BYTE; nbands = 1; defaultColors = 256; msbf = 0; break;
    case 24: pixel = PIXEL_BYTE; nbands = 3; defaultColors = 0; msbf = 0; break;
    case 32: pixel = PIXEL_BYTE; nbands = 4; defaultColors = 0; msbf = 0; break;
    default:
        ovex_fprintf(stderr, "Error in initDIB_Bi: invalid BitCount.\n");
        return 0;
    }
    if (info->height == 0 || info->height == INT32_MIN
        || (defaultColors > 0 && info->colorsUsed > MAX_PALETTE)) {
        return 0;
    }
    int64_t block = dibRowBytes(info->bitCount, info->width);
    if (block < 0) {
        return 0;
    }
    nindices = (defaultColors > 0 && info->colorsUsed != 0) ? (int)info->colorsUsed : defaultColors;

    head->imgid = IMGID_DIB;
    head->mapid = 1;
    head->imgtype = 0;
    head->pixel = pixel;
    head->bits = bitsPerPixel(pixel);
    head->nbands = nbands;
    head->nindices = nindices;
    head->msbf = msbf;
    head->offset = 0;
    head->top = 0;
    head->left = 0;
    head->rows = info->height < 0 ? -info->height : info->height;
    head->columns = info->width;
    head->block = (int32_t)block;
    head->transparent = -1;
    head->x0 = 0.0;
    head->y0 = 0.0;
    head->dx = 1.0;
    head->dy = 1.0;
    head->encoding = info->height < 0 ? DIB_TOP_DOWN : 0;
    return 1;
}

void setDIBPalette(ImageHead *head, const unsigned char *rgbQuads, int count)
{
    if (count < 0) {
        count = 0;
    } else if (count > MAX_PALETTE) {
        count = MAX_PALETTE;
    }
    head->nindices = count;
    for (int i = 0; i < count; i++) {
        const unsigned char *quad = rgbQuads + (size_t)i * QUAD_SIZE;
        head->palette[i][0] = quad[2];
        head->palette[i][1] = quad[1];
        head->palette[i][2] = quad[0];
    }
}

int64_t dibRowPosition(const RAMIMG *image, int row)
{
    int64_t fileRow = image->head.encoding == DIB_TOP_DOWN
                          ? row : (int64_t)image->head.rows - 1 - row;
    return image->dataOffset + fileRow * image->head.block;
}

/*
 *----------------------------------------------------------------------
 *
 * probeDib --
 *
 *	Recognises a BMP file with uncompressed rows.
 *
 * Results:
 *	1 for a BMP whose headers, palette and rows lie inside the file; 0
 *	for anything else: a short or foreign header, a bit count that is
 *	not read (after initDIB_Bi's message), compressed rows (after a
 *	message), impossible sizes, or pixels beyond the end of the file.
 *
 * Side effects:
 *	On success fills the head as initDIB_Bi does, its palette from the
 *	file when the palette lies whole before the pixels, its mapid, x0,
 *	y0, dx and dy from a georeference line between palette and pixels,
 *	and its offset. The head is untouched otherwise.
 *
 *----------------------------------------------------------------------
 */
int probeDib(int fd, ImageHead *head)
{
    DibFileHeader file;
    DibInfoHeader info;
    if (head == NULL || !readDibHeaders(fd, &file, &info)) {
        return 0;
    }
    int64_t fileSize = bmpFileSize(fd);
    int64_t infoEnd = (int64_t)DIB_FILE_HEADER_SIZE + info.size;
    if (info.size < DIB_INFO_HEADER_SIZE || (fileSize >= 0 && infoEnd > fileSize)) {
        return 0;
    }

    ImageHead found = *head;
    if (!initDIB_Bi(&found, &info)) {
        return 0;
    }
    if (info.compression != 0) {
        /* Run-length and bit-field rows are not plain rows: reading them
         * raw would show noise. */
        ovex_fprintf(stderr, "Error in probeDib: compression %ld is not supported.\n",
                     (long)info.compression);
        return 0;
    }

    /* Pixels after the headers, every row inside the file. */
    int64_t pixelOffset = file.pixelOffset;
    if (pixelOffset < infoEnd || pixelOffset > INT32_MAX) {
        return 0;
    }
    int64_t dataEnd = pixelOffset + (int64_t)found.rows * found.block;
    if (fileSize >= 0 && dataEnd > fileSize) {
        return 0;
    }

    int64_t paletteEnd = infoEnd;
    if (found.nindices > 0) {
        unsigned char quads[MAX_PALETTE * QUAD_SIZE];
        size_t paletteBytes = (size_t)found.nindices * QUAD_SIZE;
        paletteEnd = infoEnd + (int64_t)paletteBytes;
        if (paletteEnd <= pixelOffset && readWhole(fd, quads, paletteBytes, infoEnd)) {
            setDIBPalette(&found, quads, found.nindices);
        }
    }

    int64_t gap = pixelOffset - paletteEnd;
    if (gap >= 1 && gap <= MAX_GEOREF_GAP) {
        unsigned char line[MAX_GEOREF_GAP];
        if (readWhole(fd, line, (size_t)gap, paletteEnd)) {
            parseGeorefBytes(&found, line, (size_t)gap);
        }
    }

    found.offset = (int32_t)pixelOffset;
    *head = found;
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * writeDibHeader --
 *
 *	Writes the headers, palette and georeference line of a new BMP file
 *	for the head at byte 0.
 *
 * Results:
 *	The offset of the pixels, or -1 when the head's pixel type or band
 *	count has no BMP layout (1BIT and 4BITS with one band, BYTE), its
 *	size cannot be described, the disk lacks room (checkSpace non-zero)
 *	or the write falls short.
 *
 * Side effects:
 *	On success sets the head's block, offset, msbf (1 for 1-bit and 4-bit
 *	pixels, whose leftmost pixel is in the high bits; else the host's
 *	order), encoding (0: rows bottom-up) and, for several BYTE bands,
 *	nbands 3.
 *	The file position is not moved.
 *
 *----------------------------------------------------------------------
 */
int writeDibHeader(int fd, int checkSpace, ImageHead *head)
{
    int bitCount, entries;
    if (head == NULL) {
        return -1;
    }
    if (!dibWriteLayout(head, &bitCount, &entries)) {
        ovex_fprintf(stderr, "Error in writeDibHeader: a BMP file cannot hold %ld band(s) of "
                     "%s pixels.\n", (long)head->nbands, pixelName(head->pixel));
        return -1;
    }
    int64_t block = dibRowBytes(bitCount, head->columns);
    if (block < 0 || head->rows < 1) {
        return -1;
    }

    char line[GEOREF_LINE_SIZE];
    int lineLength = formatGeorefLine(head, line);
    int64_t paletteBytes = (int64_t)entries * QUAD_SIZE;
    int64_t headerBytes = DIB_FILE_HEADER_SIZE + DIB_INFO_HEADER_SIZE + paletteBytes + lineLength;
    int64_t fileSize = headerBytes + (int64_t)head->rows * block;
    if (fileSize > UINT32_MAX) {
        /* The file header could not state its size. */
        ovex_fprintf(stderr, "Error in writeDibHeader: a BMP file of %ld rows of %ld bytes "
                     "exceeds 4 GiB.\n", (long)head->rows, (long)block);
        return -1;
    }
    if (checkSpace) {
        double available = diskFreeBytes(head->file);
        if ((double)fileSize > available) {
            ovex_fprintf(stderr, "Insufficient disk space. Request:%ld Available:%.f\n",
                         (long)fileSize, available);
            return -1;
        }
    }

    unsigned char bytes[DIB_FILE_HEADER_SIZE + DIB_INFO_HEADER_SIZE + MAX_PALETTE * QUAD_SIZE
                        + GEOREF_LINE_SIZE];
    DibFileHeader file = {DIB_TYPE_BM, (uint32_t)fileSize, 0, 0, (uint32_t)headerBytes};
    DibInfoHeader info;
    memset(&info, 0, sizeof(info));
    info.size = DIB_INFO_HEADER_SIZE;
    info.width = head->columns;
    info.height = head->rows;
    info.planes = 1;
    info.bitCount = (uint16_t)bitCount;
    encodeDibFileHeader(&file, bytes);
    encodeDibInfoHeader(&info, bytes + DIB_FILE_HEADER_SIZE);
    unsigned char *palette = bytes + DIB_FILE_HEADER_SIZE + DIB_INFO_HEADER_SIZE;
    fillWritePalette(head, entries, palette);
    memcpy(palette + paletteBytes, line, (size_t)lineLength);
    if (!writeAt(fd, bytes, (size_t)headerBytes, 0)) {
        return -1;
    }

    head->block = (int32_t)block;
    head->offset = (int32_t)headerBytes;
    /* Packed pixels are stored leftmost in the high bits, as initDIB_Bi
     * describes them; bytes have no order, so they take the host's. */
    head->msbf = bitCount < 8 ? 1 : msbFirst();
    head->encoding = 0;
    if (bitCount == 24) {
        head->nbands = 3;
    }
    return (int)headerBytes;
}

/*
 *----------------------------------------------------------------------
 *
 * writeDibPalette --
 *
 *	Writes the head's palette over the palette of an open one-band BMP
 *	file, keeping each entry's fourth byte.
 *
 * Results:
 *	The entries written; 0 when the image has several bands, the file is
 *	no readable BMP of 1, 4 or 8 bits, the head's pixel type or entry
 *	count differs from the file's, the palette does not lie before the
 *	pixels, or reading or writing falls short.
 *
 * Side effects:
 *	Changes the file's palette; the file position is not moved.
 *
 *----------------------------------------------------------------------
 */
int writeDibPalette(int fd, ImageHead *head)
{
    DibFileHeader file;
    DibInfoHeader info;
    if (head == NULL || head->nbands != 1 || !readDibHeaders(fd, &file, &info)
        || info.size < DIB_INFO_HEADER_SIZE) {
        return 0;
    }
    int pixel;
    switch (info.bitCount) {
    case 1: pixel = PIXEL_1BIT; break;
    case 4: pixel = PIXEL_4BITS; break;
    case 8: pixel = PIXEL_BYTE; break;
    default: return 0;
    }
    int count = storedPaletteEntries(&info);
    int64_t paletteAt = (int64_t)DIB_FILE_HEADER_SIZE + info.size;
    if (head->pixel != pixel || head->nindices != count || count > MAX_PALETTE
        || paletteAt + (int64_t)count * QUAD_SIZE > (int64_t)file.pixelOffset) {
        return 0;
    }

    unsigned char quads[MAX_PALETTE * QUAD_SIZE];
    size_t bytes = (size_t)count * QUAD_SIZE;
    if (!readWhole(fd, quads, bytes, paletteAt)) {
        return 0;
    }
    for (int i = 0; i < count; i++) {
        unsigned char *quad = quads + (size_t)i * QUAD_SIZE;
        quad[0] = head->palette[i][2];
        quad[1] = head->palette[i][1];
        quad[2] = head->palette[i][0];
    }
    return writeAt(fd, quads, bytes, paletteAt) ? count : 0;
}
