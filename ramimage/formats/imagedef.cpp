/*
 * imagedef.cpp --
 *
 *	Reader and writer of IMAGEDEF headers.
 *
 *	Header, 1152 bytes at byte 0. Numbers are in the byte order the magic
 *	names (this system writes its host's order); doubles are IEEE 754
 *	binary64.
 *
 *	offset  size  type     field
 *	     0    14  char     magic, NUL-terminated: "IMAGEDEF_MSBF" (numbers
 *	                       most significant byte first) or "IMAGEDEF_MSBL"
 *	    14     2  -        zero
 *	    16     4  int32    msbf: byte order of the pixel data (1: MSB first)
 *	    20     4  int32    imgid: 1 BSQ, 2 BIL, 3 BIP
 *	    24     4  int32    mapid
 *	    28     4  int32    imgtype
 *	    32     4  int32    offset: first pixel row, at least 1152
 *	    36     4  int32    pixel type code
 *	    40     4  int32    nbands
 *	    44     4  int32    rows
 *	    48     4  int32    columns
 *	    52     4  int32    top
 *	    56     4  int32    left
 *	    60     8  double   x0
 *	    68     8  double   y0
 *	    76     8  double   z0
 *	    84     8  double   zscale
 *	    92     8  double   zmin
 *	   100     8  double   zmax
 *	   108     8  double   dx
 *	   116     8  double   dy
 *	   124     4  int32    nindices: palette entries, 0 to 256
 *	   128   768  uint8    palette: nindices (red, green, blue), rest zero
 *	   896   256  char     imgdes, NUL-terminated, rest zero
 *
 *	Bytes 1152 up to offset are zero; pixel rows start at offset. A band's
 *	file row holds ((columns x bits - 1) / 8 + 1) bytes; a BIP row holds
 *	that times nbands.
 */
#include "ramimage/formats/imagedef.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "ramimage/ramimg.h"

namespace {

const char MAGIC_MSBF[] = "IMAGEDEF_MSBF";
const char MAGIC_MSBL[] = "IMAGEDEF_MSBL";
const size_t MAGIC_SIZE = 14;       /* the text and its NUL */

enum {
    AT_MSBF = 16, AT_IMGID = 20, AT_MAPID = 24, AT_IMGTYPE = 28, AT_OFFSET = 32,
    AT_PIXEL = 36, AT_NBANDS = 40, AT_ROWS = 44, AT_COLUMNS = 48, AT_TOP = 52,
    AT_LEFT = 56, AT_X0 = 60, AT_Y0 = 68, AT_Z0 = 76, AT_ZSCALE = 84, AT_ZMIN = 92,
    AT_ZMAX = 100, AT_DX = 108, AT_DY = 116, AT_NINDICES = 124, AT_PALETTE = 128,
    AT_IMGDES = 896
};

const int MAX_PALETTE = 256;
const size_t DESCRIPTION_SIZE = 256;

/* Header numbers, read and written one field at a time in an explicit
 * byte order, so that the layout never depends on the compiler's. */
uint64_t getUnsigned(const unsigned char *at, int width, bool bigEndian)
{
    uint64_t value = 0;
    for (int i = 0; i < width; i++) {
        int k = bigEndian ? i : width - 1 - i;
        value = (value << 8) | at[k];
    }
    return value;
}

void putUnsigned(unsigned char *at, int width, uint64_t value, bool bigEndian)
{
    for (int i = 0; i < width; i++) {
        int k = bigEndian ? width - 1 - i : i;
        at[k] = (unsigned char)(value & 0xFF);
        value >>= 8;
    }
}

int32_t getInt32(const unsigned char *header, int at, bool bigEndian)
{
    return (int32_t)(uint32_t)getUnsigned(header + at, 4, bigEndian);
}

double getDouble(const unsigned char *header, int at, bool bigEndian)
{
    uint64_t bits = getUnsigned(header + at, 8, bigEndian);
    double value;
    memcpy(&value, &bits, sizeof(value));
    return value;
}

void putInt32(unsigned char *header, int at, int32_t value, bool bigEndian)
{
    putUnsigned(header + at, 4, (uint32_t)value, bigEndian);
}

void putDouble(unsigned char *header, int at, double value, bool bigEndian)
{
    uint64_t bits;
    memcpy(&bits, &value, sizeof(bits));
    putUnsigned(header + at, 8, bits, bigEndian);
}

/* Reads up to size bytes at position; returns how many arrived. */
size_t readAt(int fd, unsigned char *buffer, size_t size, off_t position)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, buffer + done, size - done, position + (off_t)done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += (size_t)n;
    }
    return done;
}

/* Writes all size bytes at position; false on any shortfall. */
bool writeAt(int fd, const unsigned char *buffer, size_t size, off_t position)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(fd, buffer + done, size - done, position + (off_t)done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += (size_t)n;
    }
    return true;
}

bool isImagedefLayout(int imgid)
{
    return imgid == IMGID_BSQ || imgid == IMGID_BIL || imgid == IMGID_BIP;
}

/*
 * fileRowBytes --
 *	Bytes of one file row of the layout (all bands for BIP), or -1 when
 *	the geometry cannot be described in 32 bits.
 */
int64_t fileRowBytes(int imgid, int pixel, int columns, int nbands)
{
    int64_t bandRow = imagedefBandRowBytes(pixel, columns);
    if (bandRow < 0) {
        return -1;
    }
    if (imgid == IMGID_BIP || imgid == IMGID_BIPD) {
        if (nbands < 1 || bandRow > INT32_MAX / nbands) {
            return -1;
        }
        return bandRow * nbands;
    }
    return bandRow;
}

/*
 * fitsTheFile --
 *	Whether the rows a header announces lie inside the file (a regular
 *	file's size is known; other files are trusted) and their row length
 *	fits 32 bits (the cached band row is never longer than the file's).
 *	All sizes are 64-bit and checked before any product that could
 *	overflow.
 */
bool fitsTheFile(int fd, int imgid, int pixel, int rows, int columns, int nbands, int32_t offset,
                 int64_t *block)
{
    if (pixel <= PIXEL_UNKNOWN || pixel > PIXEL_SBYTE || rows < 1 || columns < 1 || nbands < 1
        || offset < IMAGEDEF_HEADER_SIZE) {
        return false;
    }
    int64_t rowBytes = fileRowBytes(imgid, pixel, columns, nbands);
    if (rowBytes < 0) {
        return false;
    }
    int64_t rowsInFile = (int64_t)rows * (imgid == IMGID_BIP ? 1 : nbands);
    if (rowsInFile > (INT64_MAX - offset) / rowBytes) {
        return false;
    }
    int64_t end = offset + rowsInFile * rowBytes;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        return false;
    }
    if (S_ISREG(info.st_mode) && (int64_t)info.st_size < end) {
        return false;
    }
    *block = rowBytes;
    return true;
}

} // namespace

int64_t imagedefBandRowBytes(int pixel, int columns)
{
    if (pixel <= PIXEL_UNKNOWN || pixel > PIXEL_SBYTE || columns < 1) {
        return -1;
    }
    int64_t bytes = ((int64_t)columns * bitsPerPixel(pixel) - 1) / 8 + 1;
    return (bytes > INT32_MAX) ? -1 : bytes;
}

/*
 *----------------------------------------------------------------------
 *
 * probeImagedef --
 *
 *	Recognises an IMAGEDEF header at the start of the file.
 *
 * Results:
 *	1 when the file is an IMAGEDEF image whose rows lie inside it; 0 for
 *	a short file, another magic, a layout other than BSQ, BIL or BIP, or
 *	a header whose geometry, offset or palette size is out of range.
 *
 * Side effects:
 *	On success fills the head's fields from the header, its transparent
 *	index (-1), bits and block; palette entries beyond nindices keep what
 *	the head held.
 *
 *----------------------------------------------------------------------
 */
int probeImagedef(int fd, ImageHead *head)
{
    unsigned char header[IMAGEDEF_HEADER_SIZE];
    if (head == NULL || readAt(fd, header, sizeof(header), 0) != sizeof(header)) {
        return 0;
    }
    bool bigEndian;
    if (memcmp(header, MAGIC_MSBF, MAGIC_SIZE) == 0) {
        bigEndian = true;
    } else if (memcmp(header, MAGIC_MSBL, MAGIC_SIZE) == 0) {
        bigEndian = false;
    } else {
        return 0;
    }

    int32_t imgid = getInt32(header, AT_IMGID, bigEndian);
    if (!isImagedefLayout(imgid)) {
        return 0;
    }
    int32_t pixel = getInt32(header, AT_PIXEL, bigEndian);
    int32_t rows = getInt32(header, AT_ROWS, bigEndian);
    int32_t columns = getInt32(header, AT_COLUMNS, bigEndian);
    int32_t nbands = getInt32(header, AT_NBANDS, bigEndian);
    int32_t offset = getInt32(header, AT_OFFSET, bigEndian);
    int32_t nindices = getInt32(header, AT_NINDICES, bigEndian);
    int64_t block = 0;
    if (nindices < 0 || nindices > MAX_PALETTE
        || !fitsTheFile(fd, imgid, pixel, rows, columns, nbands, offset, &block)) {
        return 0;
    }

    head->imgid = imgid;
    head->mapid = getInt32(header, AT_MAPID, bigEndian);
    head->imgtype = getInt32(header, AT_IMGTYPE, bigEndian);
    head->pixel = pixel;
    head->msbf = getInt32(header, AT_MSBF, bigEndian);
    head->nbands = nbands;
    head->rows = rows;
    head->columns = columns;
    head->top = getInt32(header, AT_TOP, bigEndian);
    head->left = getInt32(header, AT_LEFT, bigEndian);
    head->x0 = getDouble(header, AT_X0, bigEndian);
    head->y0 = getDouble(header, AT_Y0, bigEndian);
    head->z0 = getDouble(header, AT_Z0, bigEndian);
    head->zscale = getDouble(header, AT_ZSCALE, bigEndian);
    head->zmin = getDouble(header, AT_ZMIN, bigEndian);
    head->zmax = getDouble(header, AT_ZMAX, bigEndian);
    head->dx = getDouble(header, AT_DX, bigEndian);
    head->dy = getDouble(header, AT_DY, bigEndian);
    head->offset = offset;
    head->nindices = nindices;
    head->transparent = -1;
    head->bits = bitsPerPixel(pixel);
    memcpy(head->imgdes, header + AT_IMGDES, DESCRIPTION_SIZE - 1);
    head->imgdes[DESCRIPTION_SIZE - 1] = '\0';
    memcpy(head->palette, header + AT_PALETTE, (size_t)nindices * 3);
    head->block = (int32_t)block;
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * writeImagedefHeader --
 *
 *	Writes the IMAGEDEF header of the head at the start of the file.
 *
 * Results:
 *	The data offset, which is the number of bytes written (0 for a
 *	headerless image); -1 when a write falls short or the head's layout
 *	has no describable row length.
 *
 * Side effects:
 *	Sets the head's block by its layout; raises offset to 1152, or sets
 *	it to 0 for headerless images (BSQD, BILD, BIPD, or a requested
 *	offset of 0 or less), which also get nindices 0. nindices is kept
 *	within the palette's 256 entries. The file position is not moved.
 *
 *----------------------------------------------------------------------
 */
int writeImagedefHeader(int fd, ImageHead *head)
{
    int32_t requested = head->offset;
    int imgid = head->imgid;
    bool family = isImagedefLayout(imgid) || imgid == IMGID_BSQD || imgid == IMGID_BILD
                  || imgid == IMGID_BIPD;
    if (family) {
        if (head->rows < 1 || head->nbands < 1) {
            return -1;
        }
        int64_t block = fileRowBytes(imgid, head->pixel, head->columns, head->nbands);
        if (block < 0) {
            return -1;
        }
        head->block = (int32_t)block;
    }
    if (imgid == IMGID_BSQD || imgid == IMGID_BILD || imgid == IMGID_BIPD) {
        requested = 0;
        head->nindices = 0;
    }
    if (requested <= 0) {
        head->offset = 0;
        return 0;
    }

    int32_t offset = (requested < IMAGEDEF_HEADER_SIZE) ? IMAGEDEF_HEADER_SIZE : requested;
    if (head->nindices < 0) {
        head->nindices = 0;
    } else if (head->nindices > MAX_PALETTE) {
        head->nindices = MAX_PALETTE;
    }
    head->offset = offset;

    bool bigEndian = (msbFirst() != 0);
    unsigned char header[IMAGEDEF_HEADER_SIZE];
    memset(header, 0, sizeof(header));
    memcpy(header, bigEndian ? MAGIC_MSBF : MAGIC_MSBL, MAGIC_SIZE);
    putInt32(header, AT_MSBF, head->msbf, bigEndian);
    putInt32(header, AT_IMGID, head->imgid, bigEndian);
    putInt32(header, AT_MAPID, head->mapid, bigEndian);
    putInt32(header, AT_IMGTYPE, head->imgtype, bigEndian);
    putInt32(header, AT_OFFSET, offset, bigEndian);
    putInt32(header, AT_PIXEL, head->pixel, bigEndian);
    putInt32(header, AT_NBANDS, head->nbands, bigEndian);
    putInt32(header, AT_ROWS, head->rows, bigEndian);
    putInt32(header, AT_COLUMNS, head->columns, bigEndian);
    putInt32(header, AT_TOP, head->top, bigEndian);
    putInt32(header, AT_LEFT, head->left, bigEndian);
    putDouble(header, AT_X0, head->x0, bigEndian);
    putDouble(header, AT_Y0, head->y0, bigEndian);
    putDouble(header, AT_Z0, head->z0, bigEndian);
    putDouble(header, AT_ZSCALE, head->zscale, bigEndian);
    putDouble(header, AT_ZMIN, head->zmin, bigEndian);
    putDouble(header, AT_ZMAX, head->zmax, bigEndian);
    putDouble(header, AT_DX, head->dx, bigEndian);
    putDouble(header, AT_DY, head->dy, bigEndian);
    putInt32(header, AT_NINDICES, head->nindices, bigEndian);
    memcpy(header + AT_PALETTE, head->palette, (size_t)head->nindices * 3);
    memcpy(header + AT_IMGDES, head->imgdes, strnlen(head->imgdes, DESCRIPTION_SIZE - 1));

    if (!writeAt(fd, header, sizeof(header), 0)) {
        return -1;
    }
    /* The gap up to the data is zero, written in pieces so that a large
     * offset needs no large buffer. */
    static const unsigned char zeros[8192] = {0};
    for (off_t at = IMAGEDEF_HEADER_SIZE; at < offset;) {
        size_t piece = (size_t)((offset - at < (off_t)sizeof(zeros)) ? offset - at : (off_t)sizeof(zeros));
        if (!writeAt(fd, zeros, piece, at)) {
            return -1;
        }
        at += (off_t)piece;
    }
    return offset;
}
