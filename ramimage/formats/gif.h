/*
 * gif.h --
 *
 *	GIF87a and GIF89a files: the block reader over a file or a memory
 *	block, the descriptors, the extension readers and the block writers.
 *	The LZW code itself is gif_lzw.h; decoding into and writing from the
 *	row cache is gif_frames.cpp.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_GIF_H
#define OVEX_RAMIMAGE_FORMATS_GIF_H

#include <stddef.h>
#include <stdint.h>

#include "ovex/ramimage.h"
#include "ramimage/formats/gif_lzw.h"

/* The logical screen descriptor and every image descriptor read after it. */
typedef struct GifDescriptor {
    int left, top, width, height;
    int colorCount;                 /* entries of the colour table read, 0 for none */
    int interlace;
    int sort;
    int codeSize;                   /* LZW minimum code size (image descriptors) */
    int background;
    int bits;
    int colorResolution;
    int aspect;
    unsigned char palette[256][3];
} GifDescriptor;

/* A graphic control extension as read. */
typedef struct GifGraphicControl {
    int transparentFlag;
    int transparentIndex;
    int userInput;
    int delay;                      /* milliseconds: hundredths x 10 */
    int disposal;
} GifGraphicControl;

enum { GIF_READ_AHEAD = 4096 };

typedef struct GifStream {
    int fd;                         /* -1 when reading a memory block */
    const unsigned char *memory;
    size_t length;                  /* of the memory block */
    int64_t position;               /* of the next byte, file or memory */
    int64_t aheadStart;             /* file bytes held in ahead */
    size_t aheadLength;
    unsigned char ahead[GIF_READ_AHEAD];
    unsigned char block[256];       /* the current data sub-block */
    GifDescriptor desc;
    GifLzwDecoder lzw;
} GifStream;

/* ---- Reading ----------------------------------------------------------------- */

/* A stream over fd (read with pread at the stream's own position, so the
 * descriptor's offset is never moved) or over memory[0 .. length). */
void gifStreamInit(int fd, const unsigned char *memory, size_t length, GifStream *stream);
/* Bytes read into buffer (0 at the end), -1 on a read error. */
int64_t gifRead(GifStream *stream, void *buffer, int64_t n);
/* whence 0: offset; 1: position + offset; 2: for a file its size + offset
 * (as lseek), for a memory block length - offset. The result is kept at 0
 * or more (at most length for a memory block). Returns the new position. */
int64_t gifSeek(GifStream *stream, int64_t offset, int whence);
/* The next byte, or -1 at the end. */
int gifGetByte(GifStream *stream);

/* 10 for "GIF87a", 11 for "GIF89a", 0 otherwise (six bytes read). */
int gifSignature(GifStream *stream);
/* The logical screen descriptor and global colour table into stream->desc;
 * 1, or 0 on a short read. */
int getGifLSD(GifStream *stream);
/* An image descriptor after the separator: 2 with a local colour table, 1
 * without, 0 on a short read. */
int getGIFImgDes(GifStream *stream, GifDescriptor *desc);
/* One data sub-block: its size (1 to 255), 0 at the block terminator, -1 on
 * a short read (reported). */
int gifReadSubBlock(GifStream *stream, unsigned char *buffer);
/* Skips data sub-blocks through the terminator; 1, or 0 when the data end
 * first. */
int gifSkipSubBlocks(GifStream *stream);
/* Reads the rest of a graphic control extension (after its label). 1 when
 * it held data, 0 when empty, -1 on a short read. */
int gifReadGraphicControl(GifStream *stream, GifGraphicControl *control);
/* Reads the sub-blocks of an extension (after its label), keeping its
 * first `room` bytes in text; returns the whole length, -1 on a short read. */
int64_t gifReadExtensionText(GifStream *stream, unsigned char *text, int64_t room);
/* Reads up to the next image separator. The position after it; 0 at the
 * end of the data; -1 for an unknown extension label. A graphic control
 * extension with its transparency bit sets *transparent. */
int64_t gifFindTransparent(GifStream *stream, int *transparent);

/* GIF from fd (memory NULL) or from a memory block (fd -1): fills head and
 * returns 10 or 11, or 0 when it is not a GIF this reader can hold. */
int probeGif(int fd, ImageHead *head, const unsigned char *memory, size_t length);

/* Lists the blocks of the GIF on standard output (errors on standard
 * error). *status: -1, then 1 when listed to the trailer or 0. Returns 1
 * when listed to the trailer, 0 otherwise. Defined with calc scangif. */
int scanGIF(GifStream *stream, int *status);

/* ---- Writing (1 on success, 0 on a short write) ------------------------------- */

int gifWriteSignature(int fd, int imgid);
/* palette NULL: no global colour table. bits 1 to 8; width and height up
 * to 65535. */
int gifWriteScreen(int fd, int width, int height, int bits, const unsigned char (*palette)[3],
                   int background);
int gifWriteComment(int fd, const void *text, int length);
int gifWriteGraphicControl(int fd, int transparent, int delayMs, int disposal, int userInput);
int gifWriteImageDesc(int fd, int top, int left, int width, int height, int codeSize, int bits);
int gifWriteTrailer(int fd);

/* Bits per pixel of a table of n colours: the smallest b >= 1 with
 * (1 << b) >= n, 8 when n is 0 or less or above 256. */
int gifBitsFor(int n);
/* The LZW minimum code size of b bits per pixel (2 for 1 bit). */
int gifCodeSizeFor(int bits);

/* Reads the GIF header of the image's file or buffer again and decodes its
 * first image on a cleared cache: readGIF's result, 0 when it cannot. */
int rewindGif(RAMIMG *image);

/* A whole GIF file of a blank image (index 0) for head; sets head->offset
 * to where its LZW data begin. 0, or -1 when a write failed or the size
 * does not fit a GIF. */
int writeGifImage(int fd, const void *ignored, ImageHead *head);

#endif /* OVEX_RAMIMAGE_FORMATS_GIF_H */
