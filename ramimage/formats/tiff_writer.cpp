/*
 * tiff_writer.cpp --
 *
 *	Writer of new TIFF and GeoTIFF files: one uncompressed strip of
 *	interleaved samples, then the arrays of the directory, then the
 *	directory itself. Numbers are in the host's byte order, which the
 *	header names; the row cache fills the strip afterwards.
 *
 *	     0     8  header: "II" or "MM", 42, offset of the directory
 *	     8     P  pixels: rows x block bytes (P padded to an even length)
 *	   8+P     A  arrays of the entries whose values exceed 4 bytes, in
 *	              ascending tag order, each padded to an even length
 *	 8+P+A  2+12n+4  the directory: n entries in ascending tag order, 0
 */
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

#include "core/gmem.h"
#include "ramimage/file_checks.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/tiff.h"
#include "ramimage/positional_io.h"
#include "ramimage/ramimg.h"

namespace {

const int MAX_ENTRIES = 24;
const int CITATION_SIZE = 2 * RAMIMG_NAME_SIZE;

/* One entry as it will be written; its values in host order. */
struct OutEntry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    const void *values;             /* count values of the type's size */
};

struct OutDirectory {
    OutEntry entries[MAX_ENTRIES];
    int count;
};

void addEntry(OutDirectory *dir, int tag, int type, uint32_t count, const void *values)
{
    OutEntry *e = &dir->entries[dir->count++];
    e->tag = (uint16_t)tag;
    e->type = (uint16_t)type;
    e->count = count;
    e->values = values;
}

int typeSize(int type)
{
    return type == TIFF_SHORT ? 2 : (type == TIFF_LONG ? 4 : (type == TIFF_DOUBLE ? 8 : 1));
}

void putNumber(unsigned char *at, int width, uint64_t value, bool bigEndian)
{
    for (int i = 0; i < width; i++) {
        at[bigEndian ? width - 1 - i : i] = (unsigned char)(value & 0xFF);
        value >>= 8;
    }
}

/* The values of e at `at`, each in the file's byte order. */
void putValues(unsigned char *at, const OutEntry *e, bool bigEndian)
{
    int size = typeSize(e->type);
    const unsigned char *from = (const unsigned char *)e->values;
    for (uint32_t i = 0; i < e->count; i++) {
        uint64_t v = 0;
        switch (e->type) {
        case TIFF_SHORT: { uint16_t s; memcpy(&s, from + 2 * i, 2); v = s; break; }
        case TIFF_LONG: { uint32_t l; memcpy(&l, from + 4 * i, 4); v = l; break; }
        case TIFF_DOUBLE: { memcpy(&v, from + 8 * i, 8); break; }
        default: v = from[i]; break;
        }
        putNumber(at + (size_t)i * size, size, v, bigEndian);
    }
}

uint16_t sampleFormatOf(int pixel)
{
    switch (pixel) {
    case PIXEL_SHORT: case PIXEL_LONG: case PIXEL_SBYTE:
        return 2;
    case PIXEL_FLOAT:
        return 3;
    default:
        return 1;                   /* unsigned, sub-byte types too */
    }
}

/* Bytes of one file row: interleaved samples, sub-byte rows packed. */
int64_t rowBytesOf(const ImageHead *head, int bits)
{
    if (bits >= 8) {
        return (int64_t)head->columns * head->nbands * bits / 8;
    }
    return ((int64_t)bits * head->columns - 1) / 8 + 1;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * writeTiffImage --
 *
 *	Writes the header and directory of a new TIFF (or, for imgid 15,
 *	GeoTIFF) file whose single strip of block x rows bytes starts at
 *	byte 8.
 *
 * Results:
 *	8, the pixel offset; -1 when the head cannot be written as TIFF,
 *	the file would pass 4 GiB, the disk lacks room (checkSpace, for the
 *	size and file of spaceHead) or a write fails.
 *
 * Side effects:
 *	head's offset becomes 8, its block the file row length and its msbf
 *	the host's byte order (bit order most significant first for 1- and
 *	4-bit pixels), so that the row cache fills the strip as the header
 *	says.
 *
 *----------------------------------------------------------------------
 */
int writeTiffImage(int fd, int checkSpace, const ImageHead *spaceHead, ImageHead *head)
{
    if (head == NULL) {
        return -1;
    }
    int bits = bitsPerPixel(head->pixel);
    if (bits < 1 || head->columns < 1 || head->rows < 1 || head->nbands < 1
        || head->nbands > 65535 || (bits < 8 && head->nbands != 1)) {
        ovex_fprintf(stderr, "writeTiffImage - Can't write a %d-band image of %d bits as TIFF.\n",
                     head->nbands, bits);
        return -1;
    }
    int64_t block = rowBytesOf(head, bits);
    int64_t pixelBytes = block * head->rows;
    if (block > INT_MAX) {
        ovex_fprintf(stderr, "writeTiffImage - image too large for a TIFF file.\n");
        return -1;
    }
    if (checkSpace) {
        const ImageHead *sized = spaceHead != NULL ? spaceHead : head;
        int sizedBits = bitsPerPixel(sized->pixel);
        /* In doubles: a head far too large must still be refused, not wrap. */
        double rowBytes = sizedBits >= 8
            ? (double)sized->columns * sized->nbands * sizedBits / 8
            : std::floor(((double)sizedBits * sized->columns - 1) / 8) + 1;
        double needed = 8 + rowBytes * sized->rows;
        double available = diskFreeBytes(sized->file);
        if (needed > available) {
            ovex_fprintf(stderr, "Insufficient disk space.  Requested:%.f Available:%.f\n",
                         needed, available);
            return -1;
        }
    }
    bool big = msbFirst() != 0;
    bool geotiff = head->imgid == IMGID_GEOTIFF;
    bool palette = head->nbands == 1 && head->nindices > 0 && bits <= 8;
    uint16_t photometric = palette ? 3 : (head->nbands == 3 ? 2 : 1);
    int colourChannels = photometric == 2 ? 3 : 1;

    /* Values of the entries. */
    size_t bandValues = (size_t)head->nbands;
    uint16_t *perBand = (uint16_t *)gmemAlloc(3 * bandValues * sizeof(uint16_t));
    uint16_t *colorMap = (uint16_t *)gmemAlloc(3 * 256 * sizeof(uint16_t));
    if (perBand == NULL || colorMap == NULL) {
        gmemFree(perBand);
        gmemFree(colorMap);
        return -1;
    }
    uint16_t *bitsValues = perBand;
    uint16_t *formatValues = perBand + bandValues;
    uint16_t *extraValues = perBand + 2 * bandValues;
    for (size_t b = 0; b < bandValues; b++) {
        bitsValues[b] = (uint16_t)bits;
        formatValues[b] = sampleFormatOf(head->pixel);
        extraValues[b] = 0;         /* unspecified data */
    }
    /* A ColorMap has 2^bits entries of 16-bit intensities. */
    uint32_t mapEntries = palette ? (1u << bits) : 0;
    for (uint32_t k = 0; k < 3 * mapEntries; k++) {
        colorMap[k] = (uint16_t)(head->palette[k % mapEntries][k / mapEntries] * 257u);
    }
    uint32_t columns = (uint32_t)head->columns, rows = (uint32_t)head->rows;
    uint32_t stripOffset = 8;
    uint32_t stripBytes = (uint32_t)pixelBytes;
    uint16_t one = 1, zero = 0, maxByte = 255, nbands = (uint16_t)head->nbands;
    double scale[3] = {head->dx, head->dy, 0.0};
    double tiepoint[6] = {0.0, 0.0, 0.0, head->x0, head->y0, 0.0};
    char citation[CITATION_SIZE];
    int citationLength = tiffGeoCitation(head, citation, sizeof(citation));
    uint16_t keys[20];
    tiffGeoKeyDirectory(head, keys, citationLength);

    OutDirectory dir;
    dir.count = 0;
    addEntry(&dir, TIFFTAG_IMAGE_WIDTH, TIFF_LONG, 1, &columns);
    addEntry(&dir, TIFFTAG_IMAGE_LENGTH, TIFF_LONG, 1, &rows);
    addEntry(&dir, TIFFTAG_BITS_PER_SAMPLE, TIFF_SHORT, (uint32_t)bandValues, bitsValues);
    addEntry(&dir, TIFFTAG_COMPRESSION, TIFF_SHORT, 1, &one);
    addEntry(&dir, TIFFTAG_PHOTOMETRIC, TIFF_SHORT, 1, &photometric);
    addEntry(&dir, TIFFTAG_STRIP_OFFSETS, TIFF_LONG, 1, &stripOffset);
    addEntry(&dir, TIFFTAG_ORIENTATION, TIFF_SHORT, 1, &one);
    addEntry(&dir, TIFFTAG_SAMPLES_PER_PIXEL, TIFF_SHORT, 1, &nbands);
    addEntry(&dir, TIFFTAG_ROWS_PER_STRIP, TIFF_LONG, 1, &rows);
    addEntry(&dir, TIFFTAG_STRIP_BYTE_COUNTS, TIFF_LONG, 1, &stripBytes);
    if (head->pixel == PIXEL_BYTE) {
        addEntry(&dir, TIFFTAG_MIN_SAMPLE_VALUE, TIFF_SHORT, 1, &zero);
        addEntry(&dir, TIFFTAG_MAX_SAMPLE_VALUE, TIFF_SHORT, 1, &maxByte);
    }
    addEntry(&dir, TIFFTAG_PLANAR_CONFIG, TIFF_SHORT, 1, &one);
    if (palette) {
        addEntry(&dir, TIFFTAG_COLOR_MAP, TIFF_SHORT, 3 * mapEntries, colorMap);
    }
    /* Samples beyond the colour channels are declared, as readers expect. */
    if (head->nbands > colourChannels) {
        addEntry(&dir, TIFFTAG_EXTRA_SAMPLES, TIFF_SHORT, (uint32_t)(head->nbands - colourChannels), extraValues);
    }
    addEntry(&dir, TIFFTAG_SAMPLE_FORMAT, TIFF_SHORT, (uint32_t)bandValues, formatValues);
    if (geotiff) {
        addEntry(&dir, TIFFTAG_MODEL_PIXEL_SCALE, TIFF_DOUBLE, 3, scale);
        addEntry(&dir, TIFFTAG_MODEL_TIEPOINT, TIFF_DOUBLE, 6, tiepoint);
        addEntry(&dir, TIFFTAG_GEO_KEY_DIRECTORY, TIFF_SHORT, 20, keys);
        addEntry(&dir, TIFFTAG_GEO_ASCII_PARAMS, TIFF_ASCII, (uint32_t)citationLength + 1, citation);
    }

    /* Arrays, then the directory, after the pixels. */
    int64_t arraysAt = 8 + pixelBytes + (pixelBytes & 1);
    int64_t arrayBytes = 0;
    for (int i = 0; i < dir.count; i++) {
        int64_t size = (int64_t)dir.entries[i].count * typeSize(dir.entries[i].type);
        if (size > 4) {
            arrayBytes += size + (size & 1);
        }
    }
    int64_t dirAt = arraysAt + arrayBytes;
    int64_t dirBytes = 2 + 12 * (int64_t)dir.count + 4;
    if (dirAt + dirBytes > (int64_t)UINT32_MAX) {
        ovex_fprintf(stderr, "writeTiffImage - image too large for a TIFF file.\n");
        gmemFree(perBand);
        gmemFree(colorMap);
        return -1;
    }
    size_t trailerBytes = (size_t)(arrayBytes + dirBytes);
    unsigned char *trailer = (unsigned char *)gmemAlloc(trailerBytes);
    if (trailer == NULL) {
        gmemFree(perBand);
        gmemFree(colorMap);
        return -1;
    }
    memset(trailer, 0, trailerBytes);
    unsigned char *array = trailer;
    unsigned char *entry = trailer + arrayBytes;
    putNumber(entry, 2, (uint64_t)dir.count, big);
    entry += 2;
    for (int i = 0; i < dir.count; i++, entry += 12) {
        const OutEntry *e = &dir.entries[i];
        int64_t size = (int64_t)e->count * typeSize(e->type);
        putNumber(entry, 2, e->tag, big);
        putNumber(entry + 2, 2, e->type, big);
        putNumber(entry + 4, 4, e->count, big);
        if (size <= 4) {
            /* Left-justified in the value field whatever the byte order. */
            putValues(entry + 8, e, big);
        } else {
            putNumber(entry + 8, 4, (uint64_t)(arraysAt + (array - trailer)), big);
            putValues(array, e, big);
            array += size + (size & 1);
        }
    }
    /* The next-directory offset stays 0. */

    unsigned char header[8];
    header[0] = header[1] = big ? 'M' : 'I';
    putNumber(header + 2, 2, 42, big);
    putNumber(header + 4, 4, (uint64_t)dirAt, big);
    int written = writeAt(fd, trailer, trailerBytes, arraysAt) && writeAt(fd, header, 8, 0);
    int savedErrno = errno;
    gmemFree(trailer);
    gmemFree(perBand);
    gmemFree(colorMap);
    if (!written) {
        ovex_fprintf(stderr, "writeTiffImage - write failed: %s\n", strerror(savedErrno));
        return -1;
    }
    head->offset = 8;
    head->block = (int32_t)block;
    head->msbf = bits < 8 ? 1 : (big ? 1 : 0);
    return 8;
}
