/*
 * elas.cpp --
 *
 *	Reader of ELAS image headers (read only).
 *
 *	Header, 1024 bytes at byte 0; 4-byte numbers little-endian.
 *
 *	offset  size  type     field
 *	     0     4  int32    offset of the pixel rows
 *	     4     4  int32    bytes per file row (block)
 *	     8     4  int32    first line (top)
 *	    12     4  int32    last line; rows = last - first + 1
 *	    16     4  int32    first element (left)
 *	    20     4  int32    last element; columns = last - first + 1
 *	    24     4  int32    nbands
 *	    28     4  int32    4321, the mark of an ELAS header
 *	    36     4  int32    y0 (a whole number)
 *	    44     4  int32    x0 (a whole number)
 *	    48     4  float    dy
 *	    52     4  float    dx
 *
 *	Pixels are bytes, band-interleaved by line: row r of band b starts at
 *	offset + (r x nbands + b) x block.
 */
#include <cstdint>

#include "ramimage/formats/file_extent.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/le_fields.h"
#include "ramimage/positional_io.h"

namespace {

const int HEADER_SIZE = 1024;
const int32_t ELAS_MARK = 4321;

enum {
    AT_OFFSET = 0, AT_BLOCK = 4, AT_FIRST_LINE = 8, AT_LAST_LINE = 12, AT_FIRST_ELEMENT = 16,
    AT_LAST_ELEMENT = 20, AT_NBANDS = 24, AT_MARK = 28, AT_Y0 = 36, AT_X0 = 44, AT_DY = 48,
    AT_DX = 52
};

/* last - first + 1 in 64 bits, or -1 when it is not a count of 1 to
 * INT32_MAX. */
int64_t spanOf(int32_t first, int32_t last)
{
    int64_t count = (int64_t)last - first + 1;
    return (count < 1 || count > INT32_MAX) ? -1 : count;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * probeElas --
 *
 *	Recognises an ELAS header at the start of the file.
 *
 * Results:
 *	1 for an ELAS file whose rows lie inside it; 0 for a short file, a
 *	missing mark, fewer than one row, column or band, a row length
 *	shorter than the columns, or rows that reach beyond the file.
 *
 * Side effects:
 *	On success fills the head (imgid 6, BYTE pixels); untouched
 *	otherwise.
 *
 *----------------------------------------------------------------------
 */
int probeElas(int fd, ImageHead *head)
{
    unsigned char header[HEADER_SIZE];
    if (head == NULL || readAt(fd, header, sizeof(header), 0) != HEADER_SIZE
        || leI32(header + AT_MARK) != ELAS_MARK) {
        return 0;
    }
    int32_t offset = leI32(header + AT_OFFSET);
    int32_t block = leI32(header + AT_BLOCK);
    int32_t nbands = leI32(header + AT_NBANDS);
    int32_t top = leI32(header + AT_FIRST_LINE);
    int32_t left = leI32(header + AT_FIRST_ELEMENT);
    int64_t rows = spanOf(top, leI32(header + AT_LAST_LINE));
    int64_t columns = spanOf(left, leI32(header + AT_LAST_ELEMENT));
    if (rows < 0 || columns < 0 || nbands < 1 || block < columns || offset < 0) {
        return 0;
    }
    /* The last row needs only its pixels, not the padding after them. */
    if (!areaFitsFile(fd, (int64_t)offset + columns, block, rows * nbands - 1)) {
        return 0;
    }

    head->imgid = IMGID_ELAS;
    head->pixel = PIXEL_BYTE;
    head->bits = 8;
    head->mapid = 1;
    head->msbf = 0;
    head->nindices = 0;
    head->transparent = -1;
    head->offset = offset;
    head->block = block;
    head->top = top;
    head->left = left;
    head->rows = (int32_t)rows;
    head->columns = (int32_t)columns;
    head->nbands = nbands;
    head->y0 = leI32(header + AT_Y0);
    head->x0 = leI32(header + AT_X0);
    head->dy = leF32(header + AT_DY);
    head->dx = leF32(header + AT_DX);
    return 1;
}
