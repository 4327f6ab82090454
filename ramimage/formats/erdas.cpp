/*
 * erdas.cpp --
 *
 *	Reader and writer of ERDAS 7.x image headers (.lan, .gis).
 *
 *	Header, 128 bytes at byte 0; numbers little-endian on every host.
 *
 *	offset  size  type     field
 *	     0     6  char     magic: "HEADER" (7.3), "HEAD74" (7.4, band-
 *	                       interleaved by line) or "E74BSQ" (7.4 fields,
 *	                       band-sequential)
 *	     6     2  int16    packing: 0 8-bit, 1 4-bit, 2 16-bit unsigned,
 *	                       3 32-bit integer, 4 32-bit float, 5 16-bit signed
 *	     8     2  int16    nbands
 *	    10     2  int16    imgtype
 *	    12     4  float    zscale
 *	    16     4  -        columns: float in "HEADER", int32 otherwise
 *	    20     4  -        rows: as columns
 *	    24     4  int32    left
 *	    28     4  int32    top
 *	    32     4  float    z0
 *	    36     4  float    zmin
 *	    40     4  float    zmax
 *	    44    48  -        zero when written; not read
 *	    92     2  uint16   mapid (0 is read as 1)
 *	    94    18  -        zero when written; not read
 *	   112     4  float    x0
 *	   116     4  float    y0
 *	   120     4  float    dx
 *	   124     4  float    dy
 *
 *	Pixel rows follow at byte 128; one band row is ((columns x bits - 1)
 *	/ 8 + 1) bytes. "HEADER" and "HEAD74" hold row 1 of every band, then
 *	row 2; "E74BSQ" holds all rows of band 1, then band 2. 4-bit pixels
 *	go two to a byte, the first in the high half. Wider pixels are
 *	written least significant byte first on every host, as the other
 *	readers of the format expect; the format keeps no byte-order field.
 */
#include <climits>
#include <cstring>

#include "core/rounding.h"
#include "ovex/ovexstdio.h"
#include "ramimage/file_checks.h"
#include "ramimage/formats/file_extent.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/le_fields.h"
#include "ramimage/positional_io.h"
#include "ramimage/ramimg.h"

namespace {

const int HEADER_SIZE = 128;
const size_t MAGIC_SIZE = 6;

enum {
    AT_PACKING = 6, AT_NBANDS = 8, AT_IMGTYPE = 10, AT_ZSCALE = 12, AT_COLUMNS = 16,
    AT_ROWS = 20, AT_LEFT = 24, AT_TOP = 28, AT_Z0 = 32, AT_ZMIN = 36, AT_ZMAX = 40,
    AT_MAPID = 92, AT_X0 = 112, AT_Y0 = 116, AT_DX = 120, AT_DY = 124
};

/* Largest count a float holds exactly: "HEADER" sizes beyond it cannot be
 * written truthfully. */
const int FLOAT_EXACT_LIMIT = 1 << 24;

struct Packing {
    int code;
    int pixel;
    int bits;
};

const Packing PACKINGS[] = {
    {0, PIXEL_BYTE, 8}, {1, PIXEL_4BITS, 4}, {2, PIXEL_USHORT, 16},
    {3, PIXEL_LONG, 32}, {4, PIXEL_FLOAT, 32}, {5, PIXEL_SHORT, 16},
};

const Packing *packingByCode(int code)
{
    for (const Packing &p : PACKINGS) {
        if (p.code == code) {
            return &p;
        }
    }
    return NULL;
}

const Packing *packingByPixel(int pixel)
{
    for (const Packing &p : PACKINGS) {
        if (p.pixel == pixel) {
            return &p;
        }
    }
    return NULL;
}

int imgidOfMagic(const unsigned char *header)
{
    if (memcmp(header, "HEADER", MAGIC_SIZE) == 0) {
        return IMGID_E73;
    }
    if (memcmp(header, "HEAD74", MAGIC_SIZE) == 0) {
        return IMGID_E74;
    }
    if (memcmp(header, "E74BSQ", MAGIC_SIZE) == 0) {
        return IMGID_E74BSQ;
    }
    return 0;
}

/* Bytes of one band row, or -1 when it does not fit 32 bits. */
int64_t bandRowBytes(int64_t columns, int bits)
{
    int64_t bytes = (columns * bits - 1) / 8 + 1;
    return bytes > INT32_MAX ? -1 : bytes;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * probeErdas --
 *
 *	Recognises an ERDAS 7.x header at the start of the file.
 *
 * Results:
 *	The imgid by the magic (4, 5 or 14); 0 for a short file, another
 *	magic, an unknown packing code, fewer than one row, column or band,
 *	or pixel rows that do not fit inside the file.
 *
 * Side effects:
 *	On success fills the head from the header; the head is untouched
 *	otherwise.
 *
 *----------------------------------------------------------------------
 */
int probeErdas(int fd, ImageHead *head)
{
    unsigned char header[HEADER_SIZE];
    if (head == NULL || readAt(fd, header, sizeof(header), 0) != HEADER_SIZE) {
        return 0;
    }
    int imgid = imgidOfMagic(header);
    if (imgid == 0) {
        return 0;
    }
    const Packing *packing = packingByCode(leI16(header + AT_PACKING));
    if (packing == NULL) {
        return 0;
    }
    int nbands = leI16(header + AT_NBANDS);
    int columns, rows;
    if (imgid == IMGID_E73) {
        /* 7.3 keeps the sizes as floats; a fraction is dropped. */
        columns = clampToInt(leF32(header + AT_COLUMNS));
        rows = clampToInt(leF32(header + AT_ROWS));
    } else {
        columns = leI32(header + AT_COLUMNS);
        rows = leI32(header + AT_ROWS);
    }
    if (nbands < 1 || columns < 1 || rows < 1) {
        return 0;
    }
    int64_t block = bandRowBytes(columns, packing->bits);
    if (block < 0 || !areaFitsFile(fd, HEADER_SIZE, block, (int64_t)rows * nbands)) {
        return 0;
    }

    head->imgid = imgid;
    head->pixel = packing->pixel;
    head->bits = packing->bits;
    /* 4-bit pixels: first pixel in the high half; wider ones little-endian. */
    head->msbf = (packing->pixel == PIXEL_4BITS) ? 1 : 0;
    head->nbands = nbands;
    head->imgtype = leI16(header + AT_IMGTYPE);
    head->zscale = leF32(header + AT_ZSCALE);
    head->columns = columns;
    head->rows = rows;
    head->left = leI32(header + AT_LEFT);
    head->top = leI32(header + AT_TOP);
    head->z0 = leF32(header + AT_Z0);
    head->zmin = leF32(header + AT_ZMIN);
    head->zmax = leF32(header + AT_ZMAX);
    int mapid = leU16(header + AT_MAPID);
    head->mapid = (mapid == 0) ? 1 : mapid;
    head->x0 = leF32(header + AT_X0);
    head->y0 = leF32(header + AT_Y0);
    head->dx = leF32(header + AT_DX);
    head->dy = leF32(header + AT_DY);
    head->offset = HEADER_SIZE;
    head->block = (int32_t)block;
    head->nindices = 0;
    head->transparent = -1;
    return imgid;
}

/*
 *----------------------------------------------------------------------
 *
 * writeErdasHeader --
 *
 *	Writes the 128-byte ERDAS header of the head at byte 0: "HEADER" for
 *	imgid 4, "HEAD74" for 5, "E74BSQ" otherwise.
 *
 * Results:
 *	128; -1 for a pixel type the format cannot pack, a geometry that
 *	cannot be described, a failed write, or (with checkSpace) a file
 *	larger than the free space of its disk, reported on standard error.
 *
 * Side effects:
 *	Sets the head's offset (128), block, bits and msbf. The file
 *	position is not moved. Nothing is written on failure.
 *
 *----------------------------------------------------------------------
 */
int writeErdasHeader(int fd, int checkSpace, ImageHead *head)
{
    if (head == NULL) {
        return -1;
    }
    const Packing *packing = packingByPixel(head->pixel);
    if (packing == NULL || head->columns < 1 || head->rows < 1 || head->nbands < 1
        || head->nbands > SHRT_MAX) {
        return -1;
    }
    bool floatSizes = head->imgid == IMGID_E73;
    if (floatSizes && (head->columns > FLOAT_EXACT_LIMIT || head->rows > FLOAT_EXACT_LIMIT)) {
        return -1;
    }
    int64_t block = bandRowBytes(head->columns, packing->bits);
    if (block < 0 || block * head->nbands > (INT64_MAX - HEADER_SIZE) / head->rows) {
        return -1;
    }

    int64_t needed = block * head->nbands * head->rows + HEADER_SIZE;
    if (checkSpace) {
        double available = diskFreeBytes(head->file);
        if ((double)needed > available) {
            ovex_fprintf(stderr, "Insufficient disk space. Requested:%lld Available:%.f\n",
                         (long long)needed, available);
            return -1;
        }
    }

    unsigned char header[HEADER_SIZE];
    memset(header, 0, sizeof(header));
    memcpy(header, floatSizes ? "HEADER" : (head->imgid == IMGID_E74 ? "HEAD74" : "E74BSQ"),
           MAGIC_SIZE);
    putLeU16(header + AT_PACKING, (uint16_t)packing->code);
    putLeU16(header + AT_NBANDS, (uint16_t)head->nbands);
    putLeU16(header + AT_IMGTYPE, (uint16_t)head->imgtype);
    putLeF32(header + AT_ZSCALE, (float)head->zscale);
    if (floatSizes) {
        putLeF32(header + AT_COLUMNS, (float)head->columns);
        putLeF32(header + AT_ROWS, (float)head->rows);
    } else {
        putLeU32(header + AT_COLUMNS, (uint32_t)head->columns);
        putLeU32(header + AT_ROWS, (uint32_t)head->rows);
    }
    putLeU32(header + AT_LEFT, (uint32_t)head->left);
    putLeU32(header + AT_TOP, (uint32_t)head->top);
    putLeF32(header + AT_Z0, (float)head->z0);
    putLeF32(header + AT_ZMIN, (float)head->zmin);
    putLeF32(header + AT_ZMAX, (float)head->zmax);
    putLeU16(header + AT_MAPID, (uint16_t)head->mapid);
    putLeF32(header + AT_X0, (float)head->x0);
    putLeF32(header + AT_Y0, (float)head->y0);
    putLeF32(header + AT_DX, (float)head->dx);
    putLeF32(header + AT_DY, (float)head->dy);

    if (!writeAt(fd, header, sizeof(header), 0)) {
        return -1;
    }
    head->offset = HEADER_SIZE;
    head->block = (int32_t)block;
    head->bits = packing->bits;
    head->msbf = (packing->pixel == PIXEL_4BITS) ? 1 : 0;
    return HEADER_SIZE;
}
