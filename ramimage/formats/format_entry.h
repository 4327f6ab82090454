/*
 * format_entry.h --
 *
 *	The entry points of each image format that the probe and the writers
 *	of image_probe.cpp call: recognising a file, writing a new file's
 *	header, writing a changed palette back and writing whole-image files.
 *	Each format's own file in this folder defines its entries; formats not
 *	built yet have stand-ins in format_standins.cpp that recognise nothing
 *	and write nothing.
 *
 *	Probes read from byte 0 with pread (whatever the file position) and
 *	fill the head only for a file they recognise; a short read means "not
 *	this format". Header writers put the file position back.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_FORMAT_ENTRY_H
#define OVEX_RAMIMAGE_FORMATS_FORMAT_ENTRY_H

#include <stddef.h>

#include "ovex/ramimage.h"

struct TiffState;

/* ---- Probes ------------------------------------------------------------- */

/* DICOM data set; 1 (imgid 17) or 0. *priv receives the element table. */
int probeDicom(int fd, ImageHead *head, void **priv);
/* "BM" file; 1 (imgid 7) or 0. */
int probeDib(int fd, ImageHead *head);
/* X bitmap text; 1 (imgid 8) or 0; -1 (reported) when its decoded size is
 * above ovexWholeImageCap(). */
int probeXbm(int fd, ImageHead *head);
/* ERDAS 7.x; the imgid 4, 5 or 14 by the magic, or 0. */
int probeErdas(int fd, ImageHead *head);
/* GIF from a file (block NULL) or a memory block (fd -1); 10, 11 or 0. */
int probeGif(int fd, ImageHead *head, const unsigned char *block, size_t length);
/* FFT image file; 1 (imgid 16) or 0; -1 when the header copy that *priv
 * receives cannot be allocated. */
int probeFft(int fd, ImageHead *head, void **priv);
/* ELAS; 1 (imgid 6) or 0. */
int probeElas(int fd, ImageHead *head);
/* Describes TIFF volume `volume` (1 for the first). Probing passes a NULL
 * *state, which receives the new TIFF state on success. 1 described
 * (imgid 9 or 15), 0 not described, -1 refused (ends the probe). */
int imgTiff(int fd, ImageHead *head, int volume, struct TiffState **state);
/* JPEG from a file (block NULL) or a memory block (fd -1); 1 (imgid 13) or 0;
 * -1 for a file whose decoded size is above the whole-image cap. */
int probeJpeg(int fd, ImageHead *head, const unsigned char *block, size_t length);
/* PGM/PPM; 1 (imgid 12) or 0. */
int probePpm(int fd, ImageHead *head);

/* ---- Header writers: data offset (at least 0) or -1 --------------------- */

/* checkSpace non-zero: refuse when the disk of head->file lacks room. */
int writeErdasHeader(int fd, int checkSpace, ImageHead *head);
int writeDibHeader(int fd, int checkSpace, ImageHead *head);
/* spaceHead gives the size checked for room; head the image written. */
int writeTiffImage(int fd, int checkSpace, const ImageHead *spaceHead, ImageHead *head);
int writePpmHeader(int fd, ImageHead *head);

/* ---- Palettes written back: entries or values written, 0 for none ------- */

int writeDibPalette(int fd, ImageHead *head);
/* The colour map of the state's current volume; negative when it has none. */
int tiffFlushColorMap(int fd, ImageHead *head, struct TiffState *state);

/* ---- Whole files of a blank image: the writer's result, -1 on failure --- */

/* bits NULL: every row all zero, bytesPerRow ((columns - 1) / 8 + 1). */
int writeXbm(int fd, ImageHead *head, const unsigned char *bits, int bytesPerRow);
int writeGifImage(int fd, const void *ignored, ImageHead *head);
int writeJpegBlank(int fd, ImageHead *head);

#endif /* OVEX_RAMIMAGE_FORMATS_FORMAT_ENTRY_H */
