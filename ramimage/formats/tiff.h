/*
 * tiff.h --
 *
 *	TIFF directories as the reader, the writer and the tiff command see
 *	them: the directory chain of a file, its entries converted to host
 *	order, the tag accessors, colour maps and GeoTIFF georeference, and
 *	the TIFF state an open TIFF image keeps as its private data.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_TIFF_H
#define OVEX_RAMIMAGE_FORMATS_TIFF_H

#include <stddef.h>
#include <stdint.h>

#include "ovex/ramimage.h"
#include "ramimage/tiff_layout.h"

/* Field types. */
enum {
    TIFF_BYTE = 1, TIFF_ASCII = 2, TIFF_SHORT = 3, TIFF_LONG = 4, TIFF_RATIONAL = 5,
    TIFF_SBYTE = 6, TIFF_UNDEFINED = 7, TIFF_SSHORT = 8, TIFF_SLONG = 9,
    TIFF_SRATIONAL = 10, TIFF_FLOAT = 11, TIFF_DOUBLE = 12
};

/* Byte-order words of the header. */
enum {
    TIFF_LITTLE_ENDIAN = 0x4949,    /* "II" */
    TIFF_BIG_ENDIAN = 0x4D4D        /* "MM" */
};

/* Tags the reader and the writer use. */
enum {
    TIFFTAG_IMAGE_WIDTH = 256, TIFFTAG_IMAGE_LENGTH = 257, TIFFTAG_BITS_PER_SAMPLE = 258,
    TIFFTAG_COMPRESSION = 259, TIFFTAG_PHOTOMETRIC = 262, TIFFTAG_FILL_ORDER = 266,
    TIFFTAG_STRIP_OFFSETS = 273, TIFFTAG_ORIENTATION = 274, TIFFTAG_SAMPLES_PER_PIXEL = 277,
    TIFFTAG_ROWS_PER_STRIP = 278, TIFFTAG_STRIP_BYTE_COUNTS = 279,
    TIFFTAG_MIN_SAMPLE_VALUE = 280, TIFFTAG_MAX_SAMPLE_VALUE = 281,
    TIFFTAG_PLANAR_CONFIG = 284, TIFFTAG_COLOR_MAP = 320, TIFFTAG_TILE_WIDTH = 322,
    TIFFTAG_TILE_LENGTH = 323, TIFFTAG_TILE_OFFSETS = 324, TIFFTAG_TILE_BYTE_COUNTS = 325,
    TIFFTAG_EXTRA_SAMPLES = 338, TIFFTAG_SAMPLE_FORMAT = 339, TIFFTAG_MODEL_PIXEL_SCALE = 33550,
    TIFFTAG_MODEL_TIEPOINT = 33922, TIFFTAG_GEO_KEY_DIRECTORY = 34735,
    TIFFTAG_GEO_ASCII_PARAMS = 34737
};

/* The 8-byte file header, numbers in host order. */
struct TiffHeader {
    uint16_t byteOrder;
    uint16_t version;               /* 42 */
    uint32_t firstOffset;
};

/* One directory entry. value is the value field in host order: BYTE,
 * ASCII, SBYTE and UNDEFINED fields of up to 4 bytes hold their bytes in
 * file order from the least significant byte up; one or two SHORT or
 * SSHORT values stand in the low and high halves; anything else is one
 * 32-bit number (an offset when the values do not fit). */
struct TiffEntry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value;
};

struct TiffDir {
    int64_t offset;                 /* of the directory in the file */
    int64_t next;                   /* of the next directory, 0 for the last */
    int count;
    TiffEntry *entries;             /* in file order */
};

struct TiffDirList {
    int count;
    uint16_t byteOrder;
    uint16_t version;
    uint32_t firstOffset;
    TiffDir *dirs;                  /* in chain order */
};

/* The private data of an open TIFF or GeoTIFF image. */
struct TiffState {
    uint32_t magic;                 /* TIFF_STATE_MAGIC */
    int geotiff;
    int tileWidth;                  /* -1 when absent */
    int tileLength;
    int stripCount;
    int rowsPerStrip;
    int64_t stripByteCounts;        /* the single count, or the offset of the counts */
    int compression;                /* -1 when absent */
    int byteOrder;
    int volume;                     /* current directory, 1 for the first */
    TiffDirList *list;
    TiffLayout layout;              /* what the row cache reads */
};

#define TIFF_STATE_MAGIC 0x54494646u

/* ---- Directory chain ----------------------------------------------------- */

/* 1, 2, 4 or 8 for types 1 to 12; -1 after "Unknown data type: %d". */
int tiffTypeSize(int type);
/* Total entry count of the chain, 0 when the file is not TIFF or a count
 * cannot be read; fills header. */
int getTiffInfo(int fd, TiffHeader *header);
/* The directory at offset (gmemAlloc'd with its entries), or NULL. */
TiffDir *getNextIFDEntry(int fd, int byteOrder, int64_t offset);
/* Frees a directory made by getNextIFDEntry. */
void freeTiffDir(TiffDir *dir);
/* Every directory of the file, or NULL when it is not TIFF or its first
 * directory cannot be read. A chain that loops ends before the repeat. */
TiffDirList *readTiffIFDs(int fd);
void freeTiffIFDs(TiffDirList *list);

/* ---- Tag accessors -------------------------------------------------------- */

int tiffFindTag(const TiffDir *dir, int tag);
/* Element index of a 32-bit array at arrayOffset; 0 when unreadable. */
uint32_t tiffReadLong(int fd, int byteOrder, int64_t arrayOffset, int64_t index);
/* The value field as a number of its type (BYTE unsigned, ASCII and
 * UNDEFINED signed 8-bit, SHORT unsigned and SSHORT signed 16-bit, SLONG
 * signed, anything else the unsigned field). */
int64_t tiffShortValue(int type, uint32_t value);
/* Element index of the tag's values (RATIONALs: numerator 0, denominator
 * 1); -1 when absent, out of range, unreadable or of a type that has no
 * integer elements. */
int64_t tiffArrayElement(int fd, const TiffDir *dir, int tag, int64_t index, int byteOrder);
/* Reads every value of entry into out (count x type size bytes, file
 * order converted to host order for numbers). Returns 1, 0 when they
 * cannot be read or lie outside the file. */
int tiffReadEntryValues(int fd, const TiffEntry *entry, int byteOrder, void *out, size_t outSize);

/* Single-value getters: -1 when the tag is absent. */
int64_t tiffImageWidth(const TiffDir *dir);
int64_t tiffImageLength(const TiffDir *dir);
int64_t tiffCompression(const TiffDir *dir);
int64_t tiffTileWidth(const TiffDir *dir);
int64_t tiffTileLength(const TiffDir *dir);
int64_t tiffSamplesPerPixel(const TiffDir *dir);   /* 1 when absent */
int64_t tiffPhotometric(const TiffDir *dir);
int64_t tiffRowsPerStrip(const TiffDir *dir);
int64_t tiffStripByteCounts(const TiffDir *dir);
int64_t tiffStripOffsets(const TiffDir *dir, int64_t *count);
int64_t tiffBitsPerSample(int fd, const TiffDir *dir, int byteOrder);
int64_t tiffSampleFormat(int fd, const TiffDir *dir, int byteOrder);

/* ---- Colour maps and georeference ---------------------------------------- */

/* Values read into palette (value k to channel k / n of entry k mod n, n
 * = count / 3), or -1 without a usable ColorMap. */
int tiffReadColorMap(int fd, const TiffDir *dir, unsigned char palette[256][3], int byteOrder);
/* The ColorMap of dir written from palette; values written, -1 without
 * a ColorMap, 0 for a type that cannot be written. */
int tiffWriteColorMap(int fd, const TiffDir *dir, unsigned char palette[256][3], int byteOrder);
/* The tag's value count (at most 3 or 6 doubles read), -1 when absent. */
int tiffReadModelPixelScale(int fd, const TiffDir *dir, int byteOrder, double scale[3]);
int tiffReadModelTiepoint(int fd, const TiffDir *dir, int byteOrder, double tiepoint[6]);

/* ---- GeoTIFF keys of a written file (geotiff.cpp) ------------------------- */

/* The mapid a GeoTIFF directory names: its ProjectedCSTypeGeoKey when
 * that is a numbered system (20000 to 32766), the map its citation names
 * for a user-defined one, latitude/longitude for a geographic file, else
 * fallback. */
int tiffGeoMapid(int fd, const TiffDir *dir, int byteOrder, int fallback);
/* 1 when the tie points are pixel centres (RasterPixelIsPoint). */
int tiffGeoPixelIsPoint(int fd, const TiffDir *dir, int byteOrder);
/* The GeoKeyDirectory of a projected or geographic (LATLONG, LONGLAT) image:
 * 20 SHORT values. */
void tiffGeoKeyDirectory(const ImageHead *head, uint16_t keys[20], int citationLength);
/* The GeoAsciiParams text of head ("NAME|" and "IMGDES|" when imgdes is
 * not empty) into text; its length without the terminating zero. */
int tiffGeoCitation(const ImageHead *head, char *text, size_t size);

#endif /* OVEX_RAMIMAGE_FORMATS_TIFF_H */
