/*
 * format_hooks.h --
 *
 *	What the RAM-image core calls in the format readers: frame selection,
 *	whole-image decoding and write-back, and the strip and row readers of
 *	TIFF and DICOM images. Formats not built yet answer "not handled".
 */
#ifndef OVEX_RAMIMAGE_FORMAT_HOOKS_H
#define OVEX_RAMIMAGE_FORMAT_HOOKS_H

#include "ovex/ramimage.h"

/* Frames. seekRamImage: the new frame number, -2 when there is no further
 * frame, -1 on error, 0 when the image cannot be seeked. */
int seekRamImage(RAMIMG *image, int frame);
int seekImagedefFrame(RAMIMG *image, int frame);
int tiffSeekHook(RAMIMG *image, int frame);
void tiffFreeHook(RAMIMG *image);
int gifSeekHook(RAMIMG *image, int frame);
int dicomSeekFrame(RAMIMG *image, int frame);
void dicomFreeHook(RAMIMG *image);
/* Time between frames in milliseconds of a DICOM image's private data. */
float dicomFrameTime(void *priv);

/* Whole-image formats: decoding into the cache and writing back. */
int readGIF(RAMIMG *image);          /* 1 decoded, 2 end of file, 0 error */
void saveGifRamImage(RAMIMG *image);
int readJPEG(RAMIMG *image);         /* 1, or 0 when the cache cannot be built */
void writeJpegRamImage(RAMIMG *image);
/* Fills the slots of `row` of a JPEG whose cache holds fewer than all its
 * rows, decoding its file row by row (again from the top for an earlier
 * row); 1, or 0 when the rows read as zero after a decoding error. */
int loadJpegRow(RAMIMG *image, int row);
/* Ends the row-by-row decoder of a JPEG image, if it has one. */
void dropJpegStream(RAMIMG *image);
/*
 * A new JPEG file whose cache is a window of rows is encoded row by row
 * as the rows leave the window in order (jpeg_frames.cpp).
 * jpegWritesRowByRow: true while that holds for the image.
 * jpegBeforeMiss: before the cache misses `row` into `slot`: encodes the
 * rows up to the slot's changed row, or, when the rows are not written in
 * order, gives the cache every row (nothing encoded yet) or writes the
 * file whole (jpegFinishRows); the cache may change. jpegRowsEncoded: the
 * rows already encoded, which only a finished file gives back.
 * jpegFinishRows: encodes the remaining rows (those never written are
 * zero) and ends the file, then the image reads its file as any JPEG; 1,
 * or 0 after a failed write (remembered for flushRamImage).
 */
int jpegWritesRowByRow(const RAMIMG *image);
void jpegBeforeMiss(RAMIMG *image, int row, int slot);
int jpegRowsEncoded(const RAMIMG *image);
int jpegFinishRows(RAMIMG *image);
/* jpegWriteBlankIfEmpty: a new JPEG created empty whose rows are all still
 * blank gets its blank picture written, so that its file is a whole JPEG. */
void jpegWriteBlankIfEmpty(RAMIMG *image);
int readXbmRamImage(RAMIMG *image);  /* 1 when every row was filled */
void writeXbmRamImage(RAMIMG *image);

/* Row sources of TIFF and DICOM images: a buffer of consecutive file rows
 * (block bytes each) starting at *row, *count of them; the caller frees it
 * with gmemFree. NULL when nothing could be read. */
unsigned char *readTiffStrips(RAMIMG *image, int *row, int *count);
unsigned char *dicomReadRows(RAMIMG *image, int *row, int *count);

/* Rows per strip or tile length of a TIFF image's private data, 0 when the
 * image has none described (for the cache depth). */
int tiffCacheUnit(RAMIMG *image);

#endif /* OVEX_RAMIMAGE_FORMAT_HOOKS_H */
