/*
 * tiff.cpp --
 *
 *	Reader of TIFF 6.0 and GeoTIFF files: the directory chain, the tag
 *	accessors, colour maps, the probe that describes one directory (a
 *	"volume") in an ImageHead, and the TIFF state the row cache reads the
 *	strips and tiles through.
 *
 *	Header, 8 bytes at byte 0:
 *
 *	offset  size  type    field
 *	     0     2  char    byte order: "II" least or "MM" most significant
 *	                      byte first; every number below is in that order
 *	     2     2  uint16  42
 *	     4     4  uint32  offset of the first directory
 *
 *	Directory (IFD), at an even offset anywhere in the file:
 *
 *	     0     2  uint16  entry count n
 *	     2  12 n  entry   n entries in ascending tag order:
 *	                        0  2  uint16  tag
 *	                        2  2  uint16  field type (1 BYTE ... 12 DOUBLE)
 *	                        4  4  uint32  count of values
 *	                        8  4          the values when they fit in 4
 *	                                      bytes (left-justified), else the
 *	                                      uint32 offset of the values
 *	2+12n      4  uint32  offset of the next directory, 0 for the last
 *
 *	Pixels lie in strips (StripOffsets 273, StripByteCounts 279,
 *	RowsPerStrip 278) or tiles (TileOffsets 324, TileByteCounts 325,
 *	TileWidth 322, TileLength 323), plain or PackBits-compressed (32773),
 *	samples of a pixel interleaved (PlanarConfiguration 1), the bits of
 *	each byte from the most significant (FillOrder 1) or the least (2).
 */
#include "ramimage/formats/tiff.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "core/gmem.h"
#include "ramimage/band_stats.h"
#include "ramimage/format_hooks.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/positional_io.h"
#include "ramimage/ram_geometry.h"
#include "ramimage/ramimg.h"

namespace {

const int PHOTOMETRIC_MIN_IS_BLACK = 1;
const int PHOTOMETRIC_YCBCR = 6;
const int TIFFTAG_YCBCR_SUBSAMPLING = 530;
const int PLANAR_SEPARATE = 2;
const int FILL_ORDER_LSB_FIRST = 2;
const int SAMPLE_UNSIGNED = 1, SAMPLE_SIGNED = 2, SAMPLE_FLOAT = 3;

/* ---- Numbers in a file's byte order ------------------------------------- */

bool isBigEndian(int byteOrder)
{
    return byteOrder == TIFF_BIG_ENDIAN;
}

uint32_t getNumber(const unsigned char *at, int width, bool bigEndian)
{
    uint32_t value = 0;
    for (int i = 0; i < width; i++) {
        value = (value << 8) | at[bigEndian ? i : width - 1 - i];
    }
    return value;
}

void putNumber(unsigned char *at, int width, uint32_t value, bool bigEndian)
{
    for (int i = 0; i < width; i++) {
        at[bigEndian ? width - 1 - i : i] = (unsigned char)(value & 0xFF);
        value >>= 8;
    }
}

/* Size of a regular file; directories and arrays are checked against
 * it. Other descriptors are trusted as far as reads reach. */
int64_t fileSizeOf(int fd)
{
    struct stat info;
    if (fstat(fd, &info) != 0) {
        return -1;
    }
    return S_ISREG(info.st_mode) ? (int64_t)info.st_size : INT64_MAX;
}

/* True when [offset, offset + length) lies inside a file of size bytes. */
bool insideFile(int64_t offset, int64_t length, int64_t size)
{
    return offset >= 0 && length >= 0 && offset <= size && length <= size - offset;
}

int quietTypeSize(int type)
{
    static const int sizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return (type >= 1 && type <= 12) ? sizes[type] : -1;
}

bool isByteType(int type)
{
    return type == TIFF_BYTE || type == TIFF_ASCII || type == TIFF_SBYTE
        || type == TIFF_UNDEFINED;
}

void reportIoError(const char *what, int error)
{
    ovex_fprintf(stderr, "Error: %s in getNextIFDEntry: %s\n", what,
                 error != 0 ? strerror(error) : "unexpected end of file");
}

/* ---- Offsets already visited (a looping chain) --------------------------- */

struct OffsetSet {
    uint32_t *slots;                /* 0 marks an empty slot: no directory lies at 0 */
    size_t capacity;
    size_t used;
};

bool offsetSetGrow(OffsetSet *set)
{
    size_t capacity = set->capacity ? set->capacity * 2 : 64;
    uint32_t *slots = (uint32_t *)gmemAlloc(capacity * sizeof(uint32_t));
    if (slots == NULL) {
        return false;
    }
    memset(slots, 0, capacity * sizeof(uint32_t));
    for (size_t i = 0; i < set->capacity; i++) {
        uint32_t v = set->slots[i];
        if (v != 0) {
            size_t k = (v * 2654435761u) & (capacity - 1);
            while (slots[k] != 0) {
                k = (k + 1) & (capacity - 1);
            }
            slots[k] = v;
        }
    }
    gmemFree(set->slots);
    set->slots = slots;
    set->capacity = capacity;
    return true;
}

/* Adds v; false when it was there already or memory ran out. */
bool offsetSetAdd(OffsetSet *set, uint32_t v)
{
    if ((set->used + 1) * 2 > set->capacity && !offsetSetGrow(set)) {
        return false;
    }
    size_t k = (v * 2654435761u) & (set->capacity - 1);
    while (set->slots[k] != 0) {
        if (set->slots[k] == v) {
            return false;
        }
        k = (k + 1) & (set->capacity - 1);
    }
    set->slots[k] = v;
    set->used++;
    return true;
}

/* ---- Header ---------------------------------------------------------------- */

bool readTiffHeader(int fd, TiffHeader *header)
{
    unsigned char bytes[8];
    if (readAt(fd, bytes, 8, 0) != 8) {
        return false;
    }
    uint16_t order = (uint16_t)((bytes[0] << 8) | bytes[1]);
    if ((order != TIFF_LITTLE_ENDIAN && order != TIFF_BIG_ENDIAN) || bytes[0] != bytes[1]) {
        return false;
    }
    bool big = isBigEndian(order);
    header->byteOrder = order;
    header->version = (uint16_t)getNumber(bytes + 2, 2, big);
    header->firstOffset = getNumber(bytes + 4, 4, big);
    /* 43 is BigTIFF, whose directories have another layout. */
    if (header->version == 43) {
        ovex_fprintf(stderr, "imgTiff - BigTIFF files are not supported\n");
    }
    return header->version == 42;
}

/*
 * convertValueField --
 *	The value field of an entry in host order (see TiffEntry).
 */
uint32_t convertValueField(const unsigned char *field, int type, uint32_t count, bool big)
{
    if (isByteType(type) && count <= 4) {
        return (uint32_t)field[0] | ((uint32_t)field[1] << 8) | ((uint32_t)field[2] << 16)
               | ((uint32_t)field[3] << 24);
    }
    if ((type == TIFF_SHORT || type == TIFF_SSHORT) && count <= 2) {
        uint32_t low = getNumber(field, 2, big);
        return count == 2 ? low | (getNumber(field + 2, 2, big) << 16) : low;
    }
    return getNumber(field, 4, big);
}

const TiffEntry *findEntry(const TiffDir *dir, int tag)
{
    int i = tiffFindTag(dir, tag);
    return i >= 0 ? &dir->entries[i] : NULL;
}

/* A single-valued tag as a number of its type, -1 when absent. */
int64_t singleValue(const TiffDir *dir, int tag)
{
    const TiffEntry *e = findEntry(dir, tag);
    return e != NULL ? tiffShortValue(e->type, e->value) : -1;
}

int64_t rawValue(const TiffDir *dir, int tag)
{
    const TiffEntry *e = findEntry(dir, tag);
    return e != NULL ? (int64_t)e->value : -1;
}

} // namespace

/* ======================================================================
 * Directory chain
 * ====================================================================== */

int tiffTypeSize(int type)
{
    int size = quietTypeSize(type);
    if (size < 0) {
        ovex_fprintf(stderr, "Unknown data type: %d\n", type);
    }
    return size;
}

/*
 *----------------------------------------------------------------------
 *
 * getNextIFDEntry --
 *
 *	Reads the directory at offset: its entries converted to host order
 *	and the offset of the next one.
 *
 * Results:
 *	The directory (free with freeTiffDir), or NULL after a message on
 *	standard error when it does not lie inside the file or cannot be
 *	read or allocated.
 *
 *----------------------------------------------------------------------
 */
TiffDir *getNextIFDEntry(int fd, int byteOrder, int64_t offset)
{
    bool big = isBigEndian(byteOrder);
    int64_t size = fileSizeOf(fd);
    if (size < 0) {
        reportIoError("lseek", errno);
        return NULL;
    }
    if (!insideFile(offset, 2, size)) {
        reportIoError("lseek", EINVAL);
        return NULL;
    }
    unsigned char countBytes[2];
    errno = 0;
    if (readAt(fd, countBytes, 2, offset) != 2) {
        reportIoError("read", errno);
        return NULL;
    }
    int count = (int)getNumber(countBytes, 2, big);
    size_t tableBytes = (size_t)count * 12;
    if (!insideFile(offset + 2, (int64_t)tableBytes, size)) {
        reportIoError("read", 0);
        return NULL;
    }

    TiffDir *dir = (TiffDir *)gmemAlloc(sizeof(TiffDir));
    unsigned char *table = (unsigned char *)gmemAlloc(tableBytes + 4);
    TiffEntry *entries = (TiffEntry *)gmemAlloc((size_t)(count > 0 ? count : 1) * sizeof(TiffEntry));
    if (dir == NULL || table == NULL || entries == NULL) {
        ovex_fprintf(stderr, "Error: gmemAlloc in getNextIFDEntry: %s\n", strerror(ENOMEM));
        gmemFree(dir);
        gmemFree(table);
        gmemFree(entries);
        return NULL;
    }
    errno = 0;
    ssize_t got = readAt(fd, table, tableBytes + 4, offset + 2);
    if (got < (ssize_t)tableBytes) {
        reportIoError("read", errno);
        gmemFree(dir);
        gmemFree(table);
        gmemFree(entries);
        return NULL;
    }
    for (int i = 0; i < count; i++) {
        const unsigned char *at = table + 12 * (size_t)i;
        TiffEntry *e = &entries[i];
        e->tag = (uint16_t)getNumber(at, 2, big);
        e->type = (uint16_t)getNumber(at + 2, 2, big);
        e->count = getNumber(at + 4, 4, big);
        e->value = convertValueField(at + 8, e->type, e->count, big);
    }
    dir->offset = offset;
    /* A chain cut off after the entries ends here. */
    dir->next = got >= (ssize_t)tableBytes + 4 ? getNumber(table + tableBytes, 4, big) : 0;
    dir->count = count;
    dir->entries = entries;
    gmemFree(table);
    return dir;
}

void freeTiffDir(TiffDir *dir)
{
    if (dir != NULL) {
        gmemFree(dir->entries);
        gmemFree(dir);
    }
}

/*
 *----------------------------------------------------------------------
 *
 * readTiffIFDs --
 *
 *	Reads the header and every directory of the chain.
 *
 * Results:
 *	The list (free with freeTiffIFDs), or NULL when the file is not
 *	TIFF or its first directory cannot be read. A later directory that
 *	cannot be read, an offset met before (a looping chain) or more
 *	entries than the file can hold end the chain there.
 *
 *----------------------------------------------------------------------
 */
TiffDirList *readTiffIFDs(int fd)
{
    TiffHeader header;
    if (!readTiffHeader(fd, &header)) {
        return NULL;
    }
    int64_t size = fileSizeOf(fd);
    TiffDirList *list = (TiffDirList *)gmemAlloc(sizeof(TiffDirList));
    if (list == NULL || size < 0) {
        gmemFree(list);
        return NULL;
    }
    memset(list, 0, sizeof(*list));
    list->byteOrder = header.byteOrder;
    list->version = header.version;
    list->firstOffset = header.firstOffset;

    /* Directories that do not overlap hold at most size / 12 entries and
     * size / 6 directories; overlapping ones must not multiply memory. */
    int64_t entryLimit = size / 12 + 16;
    int64_t dirLimit = size / 6 + 1;
    int64_t entriesRead = 0;
    int capacity = 0;
    OffsetSet visited = {NULL, 0, 0};
    uint32_t offset = header.firstOffset;
    while (offset != 0 && list->count < dirLimit && list->count < INT_MAX) {
        if (!offsetSetAdd(&visited, offset)) {
            break;
        }
        TiffDir *dir = getNextIFDEntry(fd, list->byteOrder, offset);
        if (dir == NULL) {
            break;
        }
        entriesRead += dir->count;
        if (list->count == capacity) {
            int grown = capacity ? capacity * 2 : 4;
            TiffDir *dirs = (TiffDir *)gmemRealloc(list->dirs, (size_t)grown * sizeof(TiffDir));
            if (dirs == NULL) {
                freeTiffDir(dir);
                break;
            }
            list->dirs = dirs;
            capacity = grown;
        }
        list->dirs[list->count++] = *dir;
        gmemFree(dir);
        if (entriesRead > entryLimit) {
            break;
        }
        offset = (uint32_t)list->dirs[list->count - 1].next;
    }
    gmemFree(visited.slots);
    if (list->count == 0) {
        freeTiffIFDs(list);
        return NULL;
    }
    return list;
}

void freeTiffIFDs(TiffDirList *list)
{
    if (list == NULL) {
        return;
    }
    for (int i = 0; i < list->count; i++) {
        gmemFree(list->dirs[i].entries);
    }
    gmemFree(list->dirs);
    gmemFree(list);
}

/*
 * getTiffInfo --
 *	Fills header and counts the entries of every directory of the chain.
 *	Returns the total, 0 when the file is not TIFF or no directory can
 *	be read.
 */
int getTiffInfo(int fd, TiffHeader *header)
{
    TiffHeader local;
    if (header == NULL) {
        header = &local;
    }
    if (!readTiffHeader(fd, header)) {
        return 0;
    }
    TiffDirList *list = readTiffIFDs(fd);
    if (list == NULL) {
        ovex_fprintf(stderr, "Error: read in getTiffInfo: %s\n", strerror(EINVAL));
        return 0;
    }
    int64_t total = 0;
    for (int i = 0; i < list->count; i++) {
        total += list->dirs[i].count;
    }
    freeTiffIFDs(list);
    return total > INT_MAX ? INT_MAX : (int)total;
}

/* ======================================================================
 * Tag accessors
 * ====================================================================== */

int tiffFindTag(const TiffDir *dir, int tag)
{
    if (dir == NULL) {
        return -1;
    }
    for (int i = 0; i < dir->count; i++) {
        if (dir->entries[i].tag == tag) {
            return i;
        }
    }
    return -1;
}

uint32_t tiffReadLong(int fd, int byteOrder, int64_t arrayOffset, int64_t index)
{
    unsigned char bytes[4];
    if (index < 0 || readAt(fd, bytes, 4, arrayOffset + 4 * index) != 4) {
        return 0;
    }
    return getNumber(bytes, 4, isBigEndian(byteOrder));
}

int64_t tiffShortValue(int type, uint32_t value)
{
    switch (type) {
    case TIFF_BYTE:
        return value & 0xFF;
    case TIFF_ASCII:
    case TIFF_UNDEFINED:
        return (int8_t)(value & 0xFF);
    case TIFF_SHORT:
        return value & 0xFFFF;
    case TIFF_SSHORT:
        return (int16_t)(value & 0xFFFF);
    case TIFF_SLONG:
        return (int32_t)value;
    default:
        return value;
    }
}

/*
 * tiffReadEntryValues --
 *	All values of an entry in host order, each of its type's size
 *	(RATIONALs as two 32-bit numbers) into out. Returns 1, or 0 when out
 *	is too small, the type is unknown or the values lie outside the
 *	file or cannot be read.
 */
int tiffReadEntryValues(int fd, const TiffEntry *entry, int byteOrder, void *out, size_t outSize)
{
    int size = quietTypeSize(entry->type);
    if (size < 0) {
        return 0;
    }
    uint64_t total = (uint64_t)entry->count * (uint64_t)size;
    if (total > outSize) {
        return 0;
    }
    unsigned char *bytes = (unsigned char *)out;
    bool big = isBigEndian(byteOrder);
    if (total <= 4) {
        /* The values stand in the entry, already in host order. */
        if (size == 1) {
            for (uint64_t i = 0; i < total; i++) {
                bytes[i] = (unsigned char)(entry->value >> (8 * i));
            }
        } else if (size == 2) {
            for (uint64_t i = 0; i < entry->count; i++) {
                uint16_t v = (uint16_t)(entry->value >> (16 * i));
                memcpy(bytes + 2 * i, &v, 2);
            }
        } else if (total == 4) {
            memcpy(bytes, &entry->value, 4);
        }
        return 1;
    }
    int64_t fileSize = fileSizeOf(fd);
    if (!insideFile(entry->value, (int64_t)total, fileSize)
        || readAt(fd, bytes, (size_t)total, entry->value) != (ssize_t)total) {
        return 0;
    }
    /* RATIONALs are pairs of 32-bit numbers; DOUBLEs are 8-byte numbers. */
    int width = (entry->type == TIFF_RATIONAL || entry->type == TIFF_SRATIONAL) ? 4 : size;
    if (width > 1 && big != (msbFirst() != 0)) {
        for (uint64_t at = 0; at < total; at += (uint64_t)width) {
            for (int i = 0; i < width / 2; i++) {
                unsigned char t = bytes[at + i];
                bytes[at + i] = bytes[at + width - 1 - i];
                bytes[at + width - 1 - i] = t;
            }
        }
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * tiffArrayElement --
 *
 *	Element index of a tag's values as an integer.
 *
 * Results:
 *	The element; -1 when the tag is absent, the index is not below its
 *	count, the type is FLOAT or DOUBLE, a RATIONAL is asked beyond its
 *	numerator (0) and denominator (1), or the element cannot be read.
 *	SBYTE and unknown types give -1 after a message.
 *
 *----------------------------------------------------------------------
 */
int64_t tiffArrayElement(int fd, const TiffDir *dir, int tag, int64_t index, int byteOrder)
{
    const TiffEntry *e = findEntry(dir, tag);
    if (e == NULL || index < 0) {
        return -1;
    }
    bool big = isBigEndian(byteOrder);
    unsigned char bytes[4];
    switch (e->type) {
    case TIFF_RATIONAL:
    case TIFF_SRATIONAL:
        if (index > 1 || e->count < 1 || readAt(fd, bytes, 4, (int64_t)e->value + 4 * index) != 4) {
            return -1;
        }
        return e->type == TIFF_RATIONAL ? (int64_t)getNumber(bytes, 4, big)
                                        : (int64_t)(int32_t)getNumber(bytes, 4, big);
    case TIFF_FLOAT:
    case TIFF_DOUBLE:
        return -1;
    case TIFF_BYTE:
    case TIFF_ASCII:
    case TIFF_UNDEFINED:
        if (index >= e->count) {
            return -1;
        }
        if (e->count <= 4) {
            return (e->value >> (8 * index)) & 0xFF;
        }
        return readAt(fd, bytes, 1, (int64_t)e->value + index) == 1 ? bytes[0] : -1;
    case TIFF_SHORT:
    case TIFF_SSHORT: {
        if (index >= e->count) {
            return -1;
        }
        uint32_t v;
        if (e->count <= 2) {
            v = (e->value >> (16 * index)) & 0xFFFF;
        } else if (readAt(fd, bytes, 2, (int64_t)e->value + 2 * index) == 2) {
            v = getNumber(bytes, 2, big);
        } else {
            return -1;
        }
        return e->type == TIFF_SHORT ? (int64_t)v : (int64_t)(int16_t)v;
    }
    case TIFF_LONG:
    case TIFF_SLONG: {
        if (index >= e->count) {
            return -1;
        }
        uint32_t v;
        if (e->count == 1) {
            v = e->value;
        } else if (readAt(fd, bytes, 4, (int64_t)e->value + 4 * index) == 4) {
            v = getNumber(bytes, 4, big);
        } else {
            return -1;
        }
        return e->type == TIFF_LONG ? (int64_t)v : (int64_t)(int32_t)v;
    }
    default:
        ovex_fprintf(stderr, "Unknown data type for array element at index: %d tagged as: %d\n",
                     (int)index, tag);
        return -1;
    }
}

int64_t tiffImageWidth(const TiffDir *dir) { return singleValue(dir, TIFFTAG_IMAGE_WIDTH); }
int64_t tiffImageLength(const TiffDir *dir) { return singleValue(dir, TIFFTAG_IMAGE_LENGTH); }
int64_t tiffCompression(const TiffDir *dir) { return singleValue(dir, TIFFTAG_COMPRESSION); }
int64_t tiffTileWidth(const TiffDir *dir) { return singleValue(dir, TIFFTAG_TILE_WIDTH); }
int64_t tiffTileLength(const TiffDir *dir) { return singleValue(dir, TIFFTAG_TILE_LENGTH); }
int64_t tiffPhotometric(const TiffDir *dir) { return rawValue(dir, TIFFTAG_PHOTOMETRIC); }
int64_t tiffRowsPerStrip(const TiffDir *dir) { return rawValue(dir, TIFFTAG_ROWS_PER_STRIP); }
int64_t tiffStripByteCounts(const TiffDir *dir) { return rawValue(dir, TIFFTAG_STRIP_BYTE_COUNTS); }

int64_t tiffSamplesPerPixel(const TiffDir *dir)
{
    int64_t n = singleValue(dir, TIFFTAG_SAMPLES_PER_PIXEL);
    return findEntry(dir, TIFFTAG_SAMPLES_PER_PIXEL) != NULL ? n : 1;
}

int64_t tiffStripOffsets(const TiffDir *dir, int64_t *count)
{
    const TiffEntry *e = findEntry(dir, TIFFTAG_STRIP_OFFSETS);
    if (count != NULL) {
        *count = e != NULL ? (int64_t)e->count : 0;
    }
    return e != NULL ? (int64_t)e->value : -1;
}

int64_t tiffBitsPerSample(int fd, const TiffDir *dir, int byteOrder)
{
    return tiffArrayElement(fd, dir, TIFFTAG_BITS_PER_SAMPLE, 0, byteOrder);
}

int64_t tiffSampleFormat(int fd, const TiffDir *dir, int byteOrder)
{
    return tiffArrayElement(fd, dir, TIFFTAG_SAMPLE_FORMAT, 0, byteOrder);
}

/* ======================================================================
 * Colour maps and georeference
 * ====================================================================== */

/* Entries of a usable ColorMap entry: count 3n with n from 1 to 256. */
static int colorMapEntries(const TiffEntry *e)
{
    if (e == NULL || e->count < 3 || e->count % 3 != 0 || e->count / 3 > 256) {
        return 0;
    }
    return (int)(e->count / 3);
}

/*
 *----------------------------------------------------------------------
 *
 * tiffReadColorMap --
 *
 *	Reads the directory's ColorMap into palette: value k goes to channel
 *	k / n (red, green, blue) of entry k mod n, n = count / 3, from the
 *	high byte of a SHORT, the byte of a BYTE, bits 8 to 15 of a LONG.
 *
 * Results:
 *	The number of values; -1 when there is no ColorMap, its count is not
 *	3n with n from 1 to 256, it cannot be read, or (after "Unknown data
 *	type for ColorMap") its type is not BYTE, SHORT or LONG. The palette
 *	is changed only on success.
 *
 *----------------------------------------------------------------------
 */
int tiffReadColorMap(int fd, const TiffDir *dir, unsigned char palette[256][3], int byteOrder)
{
    const TiffEntry *e = findEntry(dir, TIFFTAG_COLOR_MAP);
    if (e == NULL) {
        return -1;
    }
    if (e->type != TIFF_BYTE && e->type != TIFF_SHORT && e->type != TIFF_LONG) {
        ovex_fprintf(stderr, "Unknown data type for ColorMap\n");
        return -1;
    }
    int n = colorMapEntries(e);
    if (n == 0) {
        return -1;
    }
    uint32_t values[768 * 4 / sizeof(uint32_t)];
    if (!tiffReadEntryValues(fd, e, byteOrder, values, sizeof(values))) {
        return -1;
    }
    const unsigned char *bytes = (const unsigned char *)values;
    int count = 3 * n;
    for (int k = 0; k < count; k++) {
        unsigned char v;
        if (e->type == TIFF_BYTE) {
            v = bytes[k];
        } else if (e->type == TIFF_SHORT) {
            uint16_t s;
            memcpy(&s, bytes + 2 * k, 2);
            v = (unsigned char)(s >> 8);
        } else {
            uint32_t l;
            memcpy(&l, bytes + 4 * k, 4);
            v = (unsigned char)((l >> 8) & 0xFF);
        }
        palette[k % n][k / n] = v;
    }
    return count;
}

/*
 *----------------------------------------------------------------------
 *
 * tiffWriteColorMap --
 *
 *	Writes palette over the directory's ColorMap in the file's byte
 *	order: value k from channel k / n of entry k mod n; a BYTE map takes
 *	the byte, SHORT and LONG maps the byte x 257 (full scale 65535).
 *
 * Results:
 *	The values written; -1 without a ColorMap; 0 when its type, count or
 *	place cannot take a palette, or the write fails.
 *
 *----------------------------------------------------------------------
 */
int tiffWriteColorMap(int fd, const TiffDir *dir, unsigned char palette[256][3], int byteOrder)
{
    int index = tiffFindTag(dir, TIFFTAG_COLOR_MAP);
    if (index < 0) {
        return -1;
    }
    const TiffEntry *e = &dir->entries[index];
    int size = quietTypeSize(e->type);
    int n = colorMapEntries(e);
    if ((e->type != TIFF_BYTE && e->type != TIFF_SHORT && e->type != TIFF_LONG) || n == 0) {
        return 0;
    }
    bool big = isBigEndian(byteOrder);
    int count = 3 * n;
    unsigned char bytes[768 * 4];
    for (int k = 0; k < count; k++) {
        unsigned char v = palette[k % n][k / n];
        if (e->type == TIFF_BYTE) {
            bytes[k] = v;
        } else {
            putNumber(bytes + (size_t)k * size, size, (uint32_t)v * 257u, big);
        }
    }
    int64_t total = (int64_t)count * size;
    /* Three BYTE values stand in the entry itself. */
    int64_t at = total <= 4 ? dir->offset + 2 + 12 * (int64_t)index + 8 : (int64_t)e->value;
    if (!insideFile(at, total, fileSizeOf(fd)) || !writeAt(fd, bytes, (size_t)total, at)) {
        return 0;
    }
    return count;
}

/* Up to `most` DOUBLE values of a tag into out; the tag's count, or -1
 * when it is absent or not DOUBLE. */
static int readDoubles(int fd, const TiffDir *dir, int tag, int byteOrder, double *out, int most)
{
    const TiffEntry *e = findEntry(dir, tag);
    if (e == NULL || e->type != TIFF_DOUBLE) {
        return -1;
    }
    TiffEntry first = *e;
    if (first.count > (uint32_t)most) {
        first.count = (uint32_t)most;
    }
    double values[8];
    if (first.count > 0 && !tiffReadEntryValues(fd, &first, byteOrder, values, sizeof(values))) {
        return -1;
    }
    for (uint32_t i = 0; i < first.count; i++) {
        out[i] = values[i];
    }
    return e->count > INT_MAX ? INT_MAX : (int)e->count;
}

int tiffReadModelPixelScale(int fd, const TiffDir *dir, int byteOrder, double scale[3])
{
    return readDoubles(fd, dir, TIFFTAG_MODEL_PIXEL_SCALE, byteOrder, scale, 3);
}

int tiffReadModelTiepoint(int fd, const TiffDir *dir, int byteOrder, double tiepoint[6])
{
    return readDoubles(fd, dir, TIFFTAG_MODEL_TIEPOINT, byteOrder, tiepoint, 6);
}

/* ======================================================================
 * Describing a volume
 * ====================================================================== */

namespace {

/* Where a directory's strips or tiles lie, as found and checked. */
struct UnitPlan {
    const TiffEntry *offsets;
    const TiffEntry *counts;        /* NULL when absent */
    bool tiled;
    int64_t units;                  /* strips or tiles the image needs */
    int64_t unitBytes;              /* uncompressed bytes of one full unit */
};

/* Bytes of one value of an offsets or counts array: BYTE, SHORT or LONG
 * (TIFF 6.0 allows SHORT or LONG; writers use BYTE too); 0 for any
 * other type. */
int offsetArrayWidth(int type)
{
    return type == TIFF_BYTE ? 1 : type == TIFF_SHORT ? 2 : type == TIFF_LONG ? 4 : 0;
}

/* True when the values of an offsets or counts entry stand in the entry
 * itself (at most 4 bytes), not in an array elsewhere in the file. */
bool arrayInEntry(const TiffEntry *e)
{
    return (uint64_t)e->count * (uint64_t)offsetArrayWidth(e->type) <= 4;
}

/* Value k of an entry whose values stand in the entry (host order, value
 * i at bits width x 8 x i). */
uint32_t entryArrayValue(const TiffEntry *e, int64_t k)
{
    int width = offsetArrayWidth(e->type);
    if (width == 4) {
        return e->value;
    }
    uint32_t mask = width == 1 ? 0xFFu : 0xFFFFu;
    return (e->value >> (8 * width * k)) & mask;
}

/* Entry k of an offsets or counts array (BYTE, SHORT or LONG). */
bool arrayValue(int fd, const TiffEntry *e, bool big, int64_t k, uint32_t *value,
                unsigned char *chunk, size_t chunkEntries, int64_t *chunkStart)
{
    if (k < 0 || k >= (int64_t)e->count) {
        return false;
    }
    if (arrayInEntry(e)) {
        *value = entryArrayValue(e, k);
        return true;
    }
    int width = offsetArrayWidth(e->type);
    if (*chunkStart < 0 || k < *chunkStart || k >= *chunkStart + (int64_t)chunkEntries) {
        int64_t start = k;
        int64_t n = (int64_t)e->count - start;
        if (n > (int64_t)chunkEntries) {
            n = (int64_t)chunkEntries;
        }
        if (readAt(fd, chunk, (size_t)(n * width), (int64_t)e->value + start * width) != n * width) {
            return false;
        }
        *chunkStart = start;
    }
    *value = getNumber(chunk + (k - *chunkStart) * width, width, big);
    return true;
}

/* PackBits output per input byte at most: a two-byte run gives 128 bytes. */
const int64_t PACKBITS_MAX_EXPANSION = 64;

/*
 * checkUnits --
 *	Every strip or tile the image needs lies inside the file: its whole
 *	uncompressed size, or its byte count when compressed; and a PackBits
 *	unit is long enough to decode into its rows, so that a few bytes
 *	cannot announce an image of gigabytes. Prints the reason and
 *	returns false otherwise.
 */
bool checkUnits(int fd, const UnitPlan *plan, const ImageHead *head, int rowsPerStrip,
                bool compressed, bool big, int64_t fileSize)
{
    const size_t chunkEntries = 4096;
    unsigned char offsetChunk[4096 * 4], countChunk[4096 * 4];
    int64_t offsetStart = -1, countStart = -1;
    for (int64_t k = 0; k < plan->units; k++) {
        uint32_t offset, counted;
        int64_t length;
        if (!arrayValue(fd, plan->offsets, big, k, &offset, offsetChunk, chunkEntries, &offsetStart)) {
            ovex_fprintf(stderr, "imgTiff - Fail to read the Tiff strip offsets.\n");
            return false;
        }
        int64_t unitBytes = plan->unitBytes;
        if (!plan->tiled) {
            int64_t rowsLeft = head->rows - k * rowsPerStrip;
            unitBytes = (rowsLeft < rowsPerStrip ? rowsLeft : rowsPerStrip) * (int64_t)head->block;
        }
        if (compressed) {
            if (!arrayValue(fd, plan->counts, big, k, &counted, countChunk, chunkEntries, &countStart)) {
                ovex_fprintf(stderr, "imgTiff - Fail to read the Tiff strip byte counts.\n");
                return false;
            }
            length = counted;
            if (length * PACKBITS_MAX_EXPANSION < unitBytes) {
                ovex_fprintf(stderr, "imgTiff - Tiff strip %d of %lld bytes cannot hold its %lld bytes of pixels.\n",
                             (int)k, (long long)length, (long long)unitBytes);
                return false;
            }
        } else {
            length = unitBytes;
        }
        /* Writers of sparse files leave the offset of an empty strip 0,
         * where the header is: its pixels are not in the file. */
        if (offset == 0) {
            ovex_fprintf(stderr, "imgTiff - Tiff strip %d is not stored (a sparse file).\n", (int)k);
            return false;
        }
        if (!insideFile(offset, length, fileSize)) {
            ovex_fprintf(stderr, "imgTiff - Tiff strip %d lies outside the file.\n", (int)k);
            return false;
        }
    }
    return true;
}

/* Bits of every sample equal to the first; false for mixed depths. */
bool uniformBits(int fd, const TiffDir *dir, int byteOrder, int64_t bits, int64_t nbands)
{
    const TiffEntry *e = findEntry(dir, TIFFTAG_BITS_PER_SAMPLE);
    if (e == NULL) {
        return true;
    }
    int64_t n = (int64_t)e->count < nbands ? (int64_t)e->count : nbands;
    for (int64_t i = 1; i < n; i++) {
        if (tiffArrayElement(fd, dir, TIFFTAG_BITS_PER_SAMPLE, i, byteOrder) != bits) {
            return false;
        }
    }
    return true;
}

/*
 * choosePixel --
 *	Pixel type, file row bytes and byte order of the samples. Returns
 *	false after a message for a depth or sample format that has no pixel
 *	type.
 */
bool choosePixel(ImageHead *head, int64_t bits, int64_t format, bool big, int fillOrder)
{
    int64_t columns = head->columns, nbands = head->nbands;
    int64_t block;
    head->msbf = big ? 1 : 0;
    switch (bits) {
    case 8:
        head->pixel = format == SAMPLE_SIGNED ? PIXEL_SBYTE : PIXEL_BYTE;
        block = nbands * columns;
        break;
    case 1:
    case 4:
        if (nbands != 1) {
            ovex_fprintf(stderr, "imgTiff - invalid nBands: %d\n", (int)nbands);
            return false;
        }
        head->pixel = bits == 1 ? PIXEL_1BIT : PIXEL_4BITS;
        block = bits == 1 ? (columns - 1) / 8 + 1 : (columns + 1) / 2;
        head->msbf = (bits == 1 && fillOrder == FILL_ORDER_LSB_FIRST) ? 0 : 1;
        break;
    case 16:
        if (format != SAMPLE_UNSIGNED && format != SAMPLE_SIGNED) {
            ovex_fprintf(stderr, "imgTiff - invalid sample format:%d\n", (int)format);
            return false;
        }
        head->pixel = format == SAMPLE_UNSIGNED ? PIXEL_USHORT : PIXEL_SHORT;
        block = 2 * nbands * columns;
        break;
    case 32:
        if (format == SAMPLE_UNSIGNED) {
            head->pixel = PIXEL_ULONG;
        } else if (format == SAMPLE_SIGNED) {
            head->pixel = PIXEL_LONG;
        } else if (format == SAMPLE_FLOAT) {
            head->pixel = PIXEL_FLOAT;
        } else {
            ovex_fprintf(stderr, "imgTiff - invalid sample format:%d\n", (int)format);
            return false;
        }
        block = 4 * nbands * columns;
        break;
    default:
        /* Other depths are packed in ways no pixel type describes. */
        ovex_fprintf(stderr, "imgTiff - invalid nBits: %d\n", (int)bits);
        return false;
    }
    if (block > INT_MAX) {
        ovex_fprintf(stderr, "imgTiff - invalid col/row: %d/%d\n", head->columns, head->rows);
        return false;
    }
    head->bits = (int32_t)bits;
    head->block = (int32_t)block;
    return true;
}

/*
 * planUnits --
 *	Finds the strips or tiles of the directory and fills the state's
 *	layout. Returns 1, or -1 after a message when the file cannot be
 *	read as described.
 */
int planUnits(int fd, const TiffDir *dir, ImageHead *head, TiffState *state, int64_t fileSize)
{
    bool big = isBigEndian(state->byteOrder);
    UnitPlan plan;
    plan.tiled = state->tileWidth >= 1 || state->tileLength >= 1
                 || findEntry(dir, TIFFTAG_TILE_OFFSETS) != NULL;
    plan.offsets = findEntry(dir, plan.tiled ? TIFFTAG_TILE_OFFSETS : TIFFTAG_STRIP_OFFSETS);
    plan.counts = findEntry(dir, plan.tiled ? TIFFTAG_TILE_BYTE_COUNTS : TIFFTAG_STRIP_BYTE_COUNTS);
    if (plan.offsets == NULL || plan.offsets->count < 1 || offsetArrayWidth(plan.offsets->type) == 0) {
        ovex_fprintf(stderr, "imgTiff - Fail to find Tiff strip offset.\n");
        return -1;
    }
    if (plan.offsets->count > INT_MAX
        || (!arrayInEntry(plan.offsets)
            && !insideFile(plan.offsets->value,
                           (int64_t)plan.offsets->count * offsetArrayWidth(plan.offsets->type),
                           fileSize))) {
        ovex_fprintf(stderr, "imgTiff - Fail to read the Tiff strip offsets.\n");
        return -1;
    }
    bool compressed = state->compression == TIFF_COMPRESSION_PACKBITS;
    if (plan.counts != NULL && offsetArrayWidth(plan.counts->type) == 0) {
        plan.counts = NULL;         /* unusable counts are not needed uncompressed */
    }
    if (compressed) {
        if (plan.counts == NULL || plan.counts->count != plan.offsets->count
            || (!arrayInEntry(plan.counts)
                && !insideFile(plan.counts->value,
                               (int64_t)plan.counts->count * offsetArrayWidth(plan.counts->type),
                               fileSize))) {
            ovex_fprintf(stderr, "imgTiff - Fail to read the Tiff strip byte counts.\n");
            return -1;
        }
    }

    int64_t rows = head->rows;
    int64_t rowsPerStrip = rows;
    if (plan.tiled) {
        int64_t lineBits = (int64_t)state->tileWidth * head->bits * head->nbands;
        if (state->tileWidth < 1 || state->tileLength < 1 || lineBits % 8 != 0
            || lineBits / 8 * state->tileLength > INT_MAX) {
            ovex_fprintf(stderr, "imgTiff - invalid tile size: %d/%d\n", state->tileWidth,
                         state->tileLength);
            return -1;
        }
        int64_t across = (head->columns - 1) / state->tileWidth + 1;
        int64_t down = (rows - 1) / state->tileLength + 1;
        plan.units = across * down;
        plan.unitBytes = lineBits / 8 * state->tileLength;
    } else {
        const TiffEntry *r = findEntry(dir, TIFFTAG_ROWS_PER_STRIP);
        if (r != NULL && (r->type == TIFF_SHORT || r->type == TIFF_LONG)) {
            int64_t v = tiffShortValue(r->type, r->value);
            if (v >= 1 && v < rows) {
                rowsPerStrip = v;
            }
        }
        /* One strip holds every row, whatever RowsPerStrip says. */
        if (plan.offsets->count == 1) {
            rowsPerStrip = rows;
        }
        plan.units = (rows - 1) / rowsPerStrip + 1;
        plan.unitBytes = rowsPerStrip * head->block;
    }
    if ((int64_t)plan.offsets->count < plan.units) {
        ovex_fprintf(stderr, "imgTiff - Tiff has %d strips of %d.\n", (int)plan.offsets->count,
                     (int)plan.units);
        return -1;
    }
    if (!checkUnits(fd, &plan, head, (int)rowsPerStrip, compressed, big, fileSize)) {
        return -1;
    }
    /* The row cache addresses the single strip or tile as dataOffset;
     * several are found through their array (dataOffset is its place in
     * the file) or, when the values stand in the entry, kept here. */
    TiffLayout *layout = &state->layout;
    memset(layout, 0, sizeof(*layout));
    bool offsetsInEntry = arrayInEntry(plan.offsets);
    if (plan.offsets->count == 1 || offsetsInEntry) {
        int64_t first = entryArrayValue(plan.offsets, 0);
        if (first > INT32_MAX) {
            ovex_fprintf(stderr, "imgTiff - Tiff strip offset out of range: %lld\n", (long long)first);
            return -1;
        }
        head->offset = (int32_t)first;
    } else {
        if (plan.offsets->value > INT32_MAX) {
            ovex_fprintf(stderr, "imgTiff - Tiff strip offset out of range: %lld\n",
                         (long long)plan.offsets->value);
            return -1;
        }
        head->offset = (int32_t)plan.offsets->value;
    }
    layout->offsetsInEntry = plan.offsets->count > 1 && offsetsInEntry;
    for (uint32_t k = 0; layout->offsetsInEntry && k < plan.offsets->count; k++) {
        layout->entryOffsets[k] = entryArrayValue(plan.offsets, k);
    }

    state->stripCount = (int)plan.offsets->count;
    state->rowsPerStrip = plan.tiled ? (int)tiffRowsPerStrip(dir) : (int)rowsPerStrip;
    int64_t counts = -1;
    if (plan.counts != NULL) {
        bool countsInEntry = arrayInEntry(plan.counts);
        counts = plan.counts->count == 1 || countsInEntry ? (int64_t)entryArrayValue(plan.counts, 0)
                                                          : (int64_t)plan.counts->value;
        layout->countsInEntry = plan.counts->count > 1 && countsInEntry;
        for (uint32_t k = 0; layout->countsInEntry && k < plan.counts->count; k++) {
            layout->entryCounts[k] = entryArrayValue(plan.counts, k);
        }
        layout->countsWidth = offsetArrayWidth(plan.counts->type);
    }
    state->stripByteCounts = counts;

    layout->tileWidth = plan.tiled ? state->tileWidth : -1;
    layout->tileLength = plan.tiled ? state->tileLength : -1;
    layout->stripCount = state->stripCount;
    layout->rowsPerStrip = (int)rowsPerStrip;
    layout->stripByteCounts = counts;
    layout->compression = compressed ? TIFF_COMPRESSION_PACKBITS : TIFF_COMPRESSION_NONE;
    layout->msbf = big ? 1 : 0;
    layout->offsetsWidth = offsetArrayWidth(plan.offsets->type);
    return 1;
}

/* Georeference of the model tags: dx, dy, x0, y0 and whether both tags
 * are there with their full counts (a GeoTIFF). */
bool readGeoreference(int fd, const TiffDir *dir, int byteOrder, ImageHead *head)
{
    double scale[3] = {1.0, 1.0, 0.0}, tie[6] = {0, 0, 0, 0, 0, 0};
    bool hasScale = tiffReadModelPixelScale(fd, dir, byteOrder, scale) == 3;
    bool hasTie = tiffReadModelTiepoint(fd, dir, byteOrder, tie) == 6;
    head->dx = hasScale ? scale[0] : 1.0;
    head->dy = hasScale ? scale[1] : 1.0;
    head->x0 = hasTie ? tie[3] - tie[0] * head->dx : 0.0;
    head->y0 = hasTie ? tie[4] - tie[1] * head->dy : 0.0;
    /* A tie at a pixel's centre: x0/y0 are the corner of the first pixel. */
    if (hasScale && hasTie && tiffGeoPixelIsPoint(fd, dir, byteOrder)) {
        head->x0 -= 0.5 * head->dx;
        head->y0 += 0.5 * head->dy;
    }
    return hasScale && hasTie;
}

/*
 * describeVolume --
 *	Fills head from directory `volume` of the state's list and the
 *	state's fields for it. 1 described, 0 not described, -1 refused.
 */
int describeVolume(int fd, ImageHead *head, int volume, TiffState *state)
{
    const TiffDir *dir = &state->list->dirs[volume - 1];
    int byteOrder = state->byteOrder;
    bool big = isBigEndian(byteOrder);
    int64_t fileSize = fileSizeOf(fd);
    if (fileSize < 0) {
        return 0;
    }
    head->frames = state->list->count;
    state->volume = volume;

    int64_t compression = tiffCompression(dir);
    state->compression = (int)compression;
    if (compression == -1 || compression == TIFF_COMPRESSION_NONE) {
        head->encoding = 0;
    } else if (compression == TIFF_COMPRESSION_PACKBITS) {
        head->encoding = 2;
    } else {
        ovex_fprintf(stderr, "imgTiff - Can't read the Tiff with a compression ID:%d\n",
                     (int)compression);
        return -1;
    }
    if (findEntry(dir, TIFFTAG_STRIP_OFFSETS) == NULL && findEntry(dir, TIFFTAG_TILE_OFFSETS) == NULL) {
        ovex_fprintf(stderr, "imgTiff - Fail to find Tiff strip offset.\n");
        return -1;
    }
    int64_t tileWidth = tiffTileWidth(dir), tileLength = tiffTileLength(dir);
    state->tileWidth = tileWidth > INT_MAX ? INT_MAX : (int)tileWidth;
    state->tileLength = tileLength > INT_MAX ? INT_MAX : (int)tileLength;
    head->imgid = IMGID_TIFF;
    head->mapid = 1;

    /* BitsPerSample defaults to 1 (bilevel) when absent. */
    int64_t bits = findEntry(dir, TIFFTAG_BITS_PER_SAMPLE) != NULL
                       ? tiffBitsPerSample(fd, dir, byteOrder) : 1;
    int64_t nbands = tiffSamplesPerPixel(dir);
    int64_t columns = tiffImageWidth(dir), rows = tiffImageLength(dir);
    if (bits < 1) {
        ovex_fprintf(stderr, "imgTiff - invalid nBits: %d\n", (int)bits);
        return 0;
    }
    if (nbands < 1) {
        ovex_fprintf(stderr, "imgTiff - invalid nBands: %d\n", (int)nbands);
        return 0;
    }
    if (columns < 1 || rows < 1 || columns > INT_MAX || rows > INT_MAX) {
        ovex_fprintf(stderr, "imgTiff - invalid col/row: %d/%d\n", (int)columns, (int)rows);
        return 0;
    }
    if (!uniformBits(fd, dir, byteOrder, bits, nbands)) {
        ovex_fprintf(stderr, "imgTiff - invalid nBits: %d\n", (int)bits);
        return 0;
    }
    head->top = 0;
    head->left = 0;
    head->columns = (int32_t)columns;
    head->rows = (int32_t)rows;
    head->nbands = (int32_t)nbands;

    int64_t format = tiffSampleFormat(fd, dir, byteOrder);
    if (format < 0) {
        format = SAMPLE_UNSIGNED;
    }
    /* FillOrder 2: a plain bilevel image reads its bits least significant
     * first; in any other image the bits of every stored byte are reversed
     * as they are read, compressed bytes before decoding, as libtiff does. */
    bool lsbFirst = singleValue(dir, TIFFTAG_FILL_ORDER) == FILL_ORDER_LSB_FIRST;
    bool bilevelLsbFirst = lsbFirst && bits == 1 && compression != TIFF_COMPRESSION_PACKBITS;
    if (!choosePixel(head, bits, format, big, bilevelLsbFirst ? FILL_ORDER_LSB_FIRST : 1)) {
        return 0;
    }
    if (nbands > 1 && singleValue(dir, TIFFTAG_PLANAR_CONFIG) == PLANAR_SEPARATE) {
        ovex_fprintf(stderr, "imgTiff - Can't read a planar-separate Tiff of %d samples.\n",
                     (int)nbands);
        return -1;
    }
    if (singleValue(dir, TIFFTAG_PHOTOMETRIC) == PHOTOMETRIC_YCBCR) {
        /* Chroma samples shared by blocks of pixels (2 x 2 unless the
         * tag says otherwise) are no interleaved rows; 1 x 1 is read as
         * its raw Y, Cb and Cr samples. */
        int64_t across = findEntry(dir, TIFFTAG_YCBCR_SUBSAMPLING) != NULL
                             ? tiffArrayElement(fd, dir, TIFFTAG_YCBCR_SUBSAMPLING, 0, byteOrder) : 2;
        int64_t down = findEntry(dir, TIFFTAG_YCBCR_SUBSAMPLING) != NULL
                           ? tiffArrayElement(fd, dir, TIFFTAG_YCBCR_SUBSAMPLING, 1, byteOrder) : 2;
        if (across != 1 || down != 1) {
            ovex_fprintf(stderr, "imgTiff - Can't read a YCbCr Tiff subsampled %d x %d.\n",
                         (int)across, (int)down);
            return -1;
        }
    }
    if (planUnits(fd, dir, head, state, fileSize) < 0) {
        return -1;
    }
    state->layout.reverseBits = lsbFirst && !bilevelLsbFirst;

    state->geotiff = readGeoreference(fd, dir, byteOrder, head) ? 1 : 0;

    head->nindices = 0;
    int values = tiffReadColorMap(fd, dir, head->palette, byteOrder);
    if (values > 0) {
        head->nindices = values / 3;
    } else if (head->pixel == PIXEL_1BIT) {
        /* Bilevel without a map: PhotometricInterpretation says which is black. */
        bool blackIsZero = tiffPhotometric(dir) >= PHOTOMETRIC_MIN_IS_BLACK;
        unsigned char zero = blackIsZero ? 0 : 255;
        memset(head->palette[0], zero, 3);
        memset(head->palette[1], 255 - zero, 3);
        head->nindices = 2;
    }
    head->transparent = -1;
    if (state->geotiff) {
        head->imgid = IMGID_GEOTIFF;
        head->mapid = tiffGeoMapid(fd, dir, byteOrder, head->mapid);
    }
    return 1;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * imgTiff --
 *
 *	Describes volume `volume` of a TIFF file in head. Probing passes a
 *	NULL *state: the directory list is read and volume 1 described.
 *	Switching passes the image's state: volume 0 is the one after the
 *	current one, a negative one or one past the last is the last.
 *
 * Results:
 *	1 described (imgid 9, or 15 with a tie point and pixel scale); 0
 *	not described (not TIFF, no volume after the current one, or bits,
 *	bands, size or sample format without a pixel type); -1 refused (a
 *	compression, strip layout or planar configuration that cannot be
 *	read).
 *
 * Side effects:
 *	On 1 the head and the state describe the volume and a probe's
 *	*state receives the new state. Otherwise neither head nor state
 *	changes, and a probe frees what it read.
 *
 *----------------------------------------------------------------------
 */
int imgTiff(int fd, ImageHead *head, int volume, struct TiffState **statePtr)
{
    if (head == NULL || statePtr == NULL) {
        return 0;
    }
    TiffState *state = *statePtr;
    bool probing = state == NULL;
    if (probing) {
        TiffDirList *list = readTiffIFDs(fd);
        if (list == NULL) {
            return 0;
        }
        state = (TiffState *)gmemAlloc(sizeof(TiffState));
        if (state == NULL) {
            freeTiffIFDs(list);
            return 0;
        }
        memset(state, 0, sizeof(*state));
        state->magic = TIFF_STATE_MAGIC;
        state->list = list;
        state->byteOrder = list->byteOrder;
        volume = 1;
    } else {
        if (state->magic != TIFF_STATE_MAGIC || state->list == NULL) {
            return 0;
        }
        int last = state->list->count;
        if (volume == 0) {
            if (state->volume >= last) {
                return 0;
            }
            volume = state->volume + 1;
        } else if (volume < 0 || volume > last) {
            volume = last;
        }
    }

    TiffState next = *state;
    ImageHead described = *head;
    int result = describeVolume(fd, &described, volume, &next);
    if (result == 1) {
        *state = next;
        *head = described;
        *statePtr = state;
    } else if (probing) {
        freeTiffIFDs(state->list);
        gmemFree(state);
    }
    return result;
}

/* ======================================================================
 * The image's TIFF state in the row cache
 * ====================================================================== */

static TiffState *stateOf(const RAMIMG *image)
{
    if (image == NULL
        || (image->head.imgid != IMGID_TIFF && image->head.imgid != IMGID_GEOTIFF)) {
        return NULL;
    }
    TiffState *state = (TiffState *)image->priv;
    return (state != NULL && state->magic == TIFF_STATE_MAGIC) ? state : NULL;
}

const TiffLayout *tiffLayoutOf(RAMIMG *image)
{
    TiffState *state = stateOf(image);
    return state != NULL ? &state->layout : NULL;
}

/*
 *----------------------------------------------------------------------
 *
 * tiffSeekHook --
 *
 *	Selects volume k of the image's TIFF file (0 the next, negative or
 *	beyond the count the last).
 *
 * Results:
 *	The new frame; -2 when there is no volume after the current one; -1
 *	when the volume cannot be described or no cache fits it; 0 when the
 *	image has no TIFF state.
 *
 * Side effects:
 *	Changed rows go back to the file first. A new volume replaces the
 *	head and the cache (its size, pixel type or strips may differ) and
 *	resets the band statistics. On failure the image stays on its
 *	volume.
 *
 *----------------------------------------------------------------------
 */
int tiffSeekHook(RAMIMG *image, int frame)
{
    TiffState *state = stateOf(image);
    if (state == NULL || image->fd < 0) {
        return 0;
    }
    if (image->frameCount < 0) {
        image->frameCount = image->head.frames;
    }
    flushRamImage(image);
    int volume;
    if (frame < 0 || frame > image->frameCount) {
        volume = -1;
    } else if (frame == 0) {
        if (state->volume >= state->list->count) {
            return -2;
        }
        volume = 0;
    } else {
        volume = frame;
    }

    TiffState oldState = *state;
    ImageHead oldHead = image->head;
    int oldRowBytes = image->rowBytes;
    ImageHead head = image->head;
    if (imgTiff(image->fd, &head, volume, &state) != 1) {
        return -1;
    }
    int target = state->volume;
    if (target == image->frame) {
        image->head = head;
        image->dataOffset = head.offset;
        return target;
    }
    int rowBytes = 0;
    if (settleFileHead(&head, &rowBytes) != 0) {
        *state = oldState;
        return -1;
    }
    head.dataFd = oldHead.dataFd;
    memcpy(head.file, oldHead.file, sizeof(head.file));
    image->head = head;
    image->rowBytes = rowBytes;
    image->dataOffset = head.offset;
    /* Strip height, compression, size and type may all differ: the cache
     * and its scratch areas are built again for the new volume. */
    if (setRAMImageBuf(image, defaultCacheDepth(head.nbands, rowBytes)) <= 0) {
        image->head = oldHead;
        image->rowBytes = oldRowBytes;
        image->dataOffset = oldHead.offset;
        *state = oldState;
        return -1;
    }
    invalidateRowCache(image);
    if (image->stats != NULL) {
        if (head.nbands == oldHead.nbands) {
            for (int b = 0; b < head.nbands; b++) {
                resetBandStats(&image->stats[b]);
            }
        } else {
            freeHist(image->stats, oldHead.nbands);
            image->stats = NULL;
        }
    }
    image->frameCount = head.frames;
    image->frame = target;
    return target;
}

/*
 * tiffFreeHook --
 *	Frees the image's TIFF state with its directory list.
 */
void tiffFreeHook(RAMIMG *image)
{
    if (image == NULL || image->priv == NULL) {
        return;
    }
    TiffState *state = (TiffState *)image->priv;
    if (state->magic == TIFF_STATE_MAGIC) {
        freeTiffIFDs(state->list);
        state->magic = 0;
    }
    gmemFree(image->priv);
    image->priv = NULL;
}

/*
 * tiffFlushColorMap --
 *	Writes head's palette over the ColorMap of the state's current
 *	volume, or of the file's first directory when there is no state.
 *	Returns the values written, negative without a ColorMap.
 */
int tiffFlushColorMap(int fd, ImageHead *head, struct TiffState *state)
{
    if (fd < 0 || head == NULL) {
        return 0;
    }
    if (state != NULL && state->magic == TIFF_STATE_MAGIC && state->list != NULL
        && state->volume >= 1 && state->volume <= state->list->count) {
        return tiffWriteColorMap(fd, &state->list->dirs[state->volume - 1], head->palette,
                                 state->byteOrder);
    }
    TiffDirList *list = readTiffIFDs(fd);
    if (list == NULL) {
        return -1;
    }
    int written = tiffWriteColorMap(fd, &list->dirs[0], head->palette, list->byteOrder);
    freeTiffIFDs(list);
    return written;
}
