/*
 * image_probe.h --
 *
 *	Recognising an image file's format (registered readers, then the
 *	built-in formats in a fixed order) and the writer side by imgid:
 *	headers of new files, headers rewritten, palettes written back, the
 *	data area or whole file of a new image, and creating an image file.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_IMAGE_PROBE_H
#define OVEX_RAMIMAGE_FORMATS_IMAGE_PROBE_H

#include "ovex/ramimage.h"

/* A reader plug-in: a positive imgid when it recognises the file and has
 * filled head, 0 when the file is not its format, negative when it is but
 * cannot be read. *priv may receive the format's private data. */
typedef int (ImageReaderProc)(int fd, const char *fileName, ImageHead *head, void **priv);

typedef struct ImageReaderHook {
    ImageReaderProc *reader;
    struct ImageReaderHook *next;
} ImageReaderHook;

/* The recognised file's imgid (positive), 0 when nothing recognises it, -1
 * when a reader recognised it but failed. Sets *priv (NULL when the format
 * keeps none), and head's dataFd -1, frames 0 and encoding 0 before
 * probing. */
int probeImageFile(int fd, const char *fileName, ImageHead *head, void **priv);

/* Puts reader first in the list tried before the built-in formats (last 0)
 * or last in the list tried after them (last non-zero), after removing it
 * from both. 1, or 0 for a NULL reader or when no node can be allocated. */
int addImageReader(ImageReaderProc *reader, int last);
/* Removes reader from both lists; nothing when it is in neither. */
void removeImageReader(ImageReaderProc *reader);
/* Frees both lists (package exit). */
void freeImageReaders(void);

/* Header of a new image file by head's imgid; may adjust its offset, block,
 * nbands, nindices and msbf. checkSpace non-zero lets the ERDAS, DIB and
 * TIFF writers refuse a file larger than the free disk space. The data
 * offset or header bytes written (at least 0), -1 on failure, -2 when the
 * format has no header writer. */
int writeImageHeader(int fd, int checkSpace, ImageHead *head);
/* The header of an existing IMAGEDEF-family or ERDAS image written again;
 * results as writeImageHeader, -2 for every other imgid. */
int rewriteImageHeader(int fd, ImageHead *head);
/* A changed palette written into a one-band DIB or a TIFF/GeoTIFF file
 * (context: the TIFF state kept as the image's private data). Entries or
 * values written; 0 for a negative fd or a format without a palette. */
int flushImageTrailer(int fd, ImageHead *head, void *context);
/* X bitmap, GIF and JPEG: a whole file of a blank image, the writer's
 * result. Every other format: its data area zero-filled from offset, the
 * result offset. -1 on a failed write or a head whose data area has a
 * negative or unrepresentable size. The file position is kept. */
int saveWholeImage(int fd, ImageHead *head);
/* Creates (or truncates) head->file with permission 0666 less the umask, writes its header
 * (with the space check) and data area or whole file. The result of
 * saveWholeImage, or -1 when the file cannot be created, its header writer
 * fails or it cannot be closed. */
int createImageFile(ImageHead *head);

/* While true, a new JPEG file is created empty (its picture blank to the
 * cache) rather than holding an encoded blank picture: set by a caller that
 * writes every row next. The file gets the blank picture at its first
 * flush should no row have been written (jpegWriteBlankIfEmpty). */
extern thread_local bool jpegBlankDeferred;

#endif /* OVEX_RAMIMAGE_FORMATS_IMAGE_PROBE_H */
