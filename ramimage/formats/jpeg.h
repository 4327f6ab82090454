/*
 * jpeg.h --
 *
 *	JPEG files (imgid 13) over libjpeg's 6b interface: the probe, the
 *	whole-image decoder, and the encoders of a blank image and of a RAM
 *	image's rows. probeJpeg and writeJpegBlank are declared with the
 *	other formats' entries in format_entry.h.
 *
 *	Library errors never end the process: each call sets a return point
 *	that the library's error exit jumps back to, and answers failure after
 *	the library's own message on standard error.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_JPEG_H
#define OVEX_RAMIMAGE_FORMATS_JPEG_H

#include <stddef.h>

#include "ovex/ramimage.h"
#include "ramimage/formats/format_entry.h"

struct jpeg_compress_struct;
struct jpeg_decompress_struct;

/* Quality the probe gives a JPEG image read from a file (in head.block). */
#define JPEG_DEFAULT_QUALITY 90

/* Scans a progressive stream may have before it is refused: each scan
 * passes over the whole image, so a crafted file of tiny scans would
 * otherwise hold the decoder for hours. */
#define JPEG_MAX_SCANS 1000

/* True when the first three bytes are FF D8 FF. */
int isJpegSignature(const unsigned char *bytes);

/*
 * readJpegFile --
 *	Decodes the whole JPEG from the file fd (block NULL) or the memory
 *	block of length bytes (fd -1). Row r of band b goes to
 *	buffer + (r x bands + b) x rowBytes. The stream must fit the buffer:
 *	at most rowBytes columns, at most rows rows and exactly bands
 *	components.
 * Results:
 *	1, or 0 after "not a jpeg file...\n", a size that does not fit or a
 *	library error; the rows decoded before an error stay in the buffer.
 *	A stream that ends early is a warning: its rows decode as far as
 *	the data goes and grey after, as the library gives them (1).
 * Side effects:
 *	fd's position is put back to where it was.
 */
int readJpegFile(int fd, unsigned char *buffer, int rowBytes, int rows, int bands,
                 const unsigned char *block, size_t length);
/* readJpegFile that also sets *decoded to the rows decoded (all of them
 * or those before an error). */
int readJpegRows(int fd, unsigned char *buffer, int rowBytes, int rows, int bands,
                 const unsigned char *block, size_t length, int *decoded);

/*
 * A JPEG file decoded row by row, in file order (baseline and other
 * sequential files). openJpegRowStream reads the header through pread on
 * fd from byte 0 (the descriptor's position is never used) and starts the
 * decoder; NULL when memory runs out, or with *progressive set for a file
 * whose scans must all be read before the first row. A library error, or
 * a picture that does not fit rowBytes x rows x bands, gives a stream that
 * has failed at row 0. jpegRowStreamNext decodes the next row, band b into
 * bandRows[b]: its row number, or -1 at the end or once the stream failed
 * (it then gives no more rows, and its position stays the row it failed
 * at, so that a caller never decodes a damaged file again row by row).
 */
struct JpegRowStream;
JpegRowStream *openJpegRowStream(int fd, int rowBytes, int rows, int bands, int *progressive);
int jpegRowStreamNext(JpegRowStream *stream, unsigned char *const *bandRows);
int jpegRowStreamPosition(const JpegRowStream *stream);     /* the next row */
int jpegRowStreamFailed(const JpegRowStream *stream);
void closeJpegRowStream(JpegRowStream *stream);

/*
 * A JPEG file encoded row by row, in order, from band rows: the bytes are
 * those writeJpegImage writes for the same rows. openJpegRowSink empties
 * fd and starts the encoder (quality and bands as writeJpegImage); NULL
 * after a library error or when the stream cannot be had.
 * jpegRowSinkWrite encodes the next row (bandRows[b] band b; the first
 * band alone for a greyscale stream): 1, or 0 after a library error (the
 * sink then takes no more rows) or past the last row. finishJpegRowSink
 * ends a stream that got every row and frees the sink: 1, or 0 when a row
 * is missing, after a library error or when the file did not get every
 * byte. abandonJpegRowSink frees a sink without ending its stream.
 */
struct JpegRowSink;
JpegRowSink *openJpegRowSink(int fd, const ImageHead *head);
int jpegRowSinkWrite(JpegRowSink *sink, const unsigned char *const *bandRows);
int jpegRowSinkPosition(const JpegRowSink *sink);   /* the next row */
int finishJpegRowSink(JpegRowSink *sink);
void abandonJpegRowSink(JpegRowSink *sink);

/*
 * writeJpegImage --
 *	Encodes head's rows x columns image from band-interleaved-by-line
 *	rows (row r of band b at rows + (r x nbands + b) x rowBytes) into
 *	fd, which is truncated first. Quality is head->block (90 when
 *	negative, 100 above 100). Three bands are RGB; any other band count
 *	writes its first band as greyscale.
 * Results:
 *	1, or 0 after a library error or rows that cannot hold the image.
 */
int writeJpegImage(int fd, const ImageHead *head, const unsigned char *rows, int rowBytes);

/* The two COM markers of head: its georeference line, then its imgdes,
 * each with its terminating zero. Called right after jpeg_start_compress. */
void writeJpegComments(struct jpeg_compress_struct *cinfo, const ImageHead *head);

/* Applies the saved COM markers: the first that is a georeference line
 * sets mapid, x0, y0, dx and dy; the marker after it becomes imgdes (at
 * most 255 characters). */
void readJpegComments(struct jpeg_decompress_struct *cinfo, ImageHead *head);

#endif /* OVEX_RAMIMAGE_FORMATS_JPEG_H */
