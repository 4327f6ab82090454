/*
 * fft_image.cpp --
 *
 *	FFT image files opened as RAM images (the file itself is described
 *	in fft_header.h).
 *
 *	offset  size  type     field
 *	     0    16  char     "FFT IMAGE FILE" and its terminating zero
 *	    84     4  int32    rows
 *	    88     4  int32    columns
 *	   104     8  double   count of the values summarised below
 *	   112     8  double   maximum, then minimum, of band 1 (first components)
 *	   128     8  double   maximum, then minimum, of band 2 (second components)
 *	   144     8  double   mean of band 1, then of band 2
 *	   160     8  double   standard deviation of band 1, then of band 2
 *	  1024                 rows x columns pairs of 32-bit floats
 *
 *	The image has two FLOAT bands interleaved by pixel (the pair's first
 *	and second components) and rows of columns x 8 bytes. The header's
 *	1024 bytes are kept with the image as its private data.
 */
#include <cstring>

#include "core/gmem.h"
#include "ramimage/formats/fft_header.h"
#include "ramimage/formats/file_extent.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/positional_io.h"

/*
 *----------------------------------------------------------------------
 *
 * probeFft --
 *
 *	Recognises an FFT image file by its magic.
 *
 * Results:
 *	1 for an FFT image file whose rows lie inside it; 0 for a short
 *	file, another magic, fewer than one row or column, or rows beyond
 *	the file; -1 when the copy of the header cannot be allocated.
 *
 * Side effects:
 *	On success fills the head (imgid 16, two FLOAT bands) and sets *priv
 *	to a copy of the header, freed with the image.
 *
 *----------------------------------------------------------------------
 */
int probeFft(int fd, ImageHead *head, void **priv)
{
    FftHeader header;
    if (head == NULL || readAt(fd, &header, sizeof(header), 0) != (ssize_t)sizeof(header)
        || memcmp(header.magic, FFT_MAGIC, FFT_MAGIC_SIZE) != 0) {
        return 0;
    }
    int64_t block = (int64_t)header.columns * 8;
    if (header.rows < 1 || header.columns < 1 || block > INT32_MAX
        || !areaFitsFile(fd, FFT_HEADER_SIZE, block, header.rows)) {
        return 0;
    }
    FftHeader *copy = NULL;
    if (priv != NULL) {
        copy = (FftHeader *)gmemAlloc(sizeof(FftHeader));
        if (copy == NULL) {
            return -1;
        }
        memcpy(copy, &header, sizeof(header));
        *priv = copy;
    }

    head->imgid = IMGID_FFT;
    head->pixel = PIXEL_FLOAT;
    head->bits = 32;
    head->nbands = 2;
    head->mapid = 1;
    head->offset = FFT_HEADER_SIZE;
    head->rows = header.rows;
    head->columns = header.columns;
    head->block = (int32_t)block;
    head->msbf = 0;             /* little-endian, never swapped */
    head->nindices = 0;
    head->transparent = -1;
    head->top = head->left = 0;
    head->x0 = head->y0 = 0.0;
    head->dx = head->dy = 1.0;
    return 1;
}
