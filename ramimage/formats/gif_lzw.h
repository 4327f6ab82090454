/*
 * gif_lzw.h --
 *
 *	The variable-length LZW code of GIF image data: the decoder that turns
 *	the data sub-blocks of one image into palette indices, and the encoder
 *	that writes indices as data sub-blocks. Codes are packed least
 *	significant bit first; code sizes grow from the minimum code size + 1
 *	up to 12 bits.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_GIF_LZW_H
#define OVEX_RAMIMAGE_FORMATS_GIF_LZW_H

#include <stdint.h>

struct GifStream;

enum {
    GIF_LZW_MAX_BITS = 12,
    GIF_LZW_TABLE_SIZE = 4096,
    GIF_LZW_STACK_SIZE = 8192,
    GIF_HASH_SIZE = 5021
};

/* What gifLzwNextPixel and gifLzwReadPixels end with. */
enum { GIF_LZW_RUNNING = 0, GIF_LZW_ENDED = 1, GIF_LZW_FAILED = 2 };

typedef struct GifLzwDecoder {
    int codeSize;                   /* bits of the next code */
    int initCodeSize;               /* the image's LZW minimum code size */
    int clearCode;
    int endCode;
    int codeLimit;                  /* first code that needs one more bit */
    int nextFree;                   /* next table entry to define */
    int firstPixel;                 /* first pixel of the current string */
    int oldCode;                    /* previous code, -1 right after a clear */
    uint32_t bitBuffer;             /* bits not yet taken, lowest first */
    int bitCount;
    int blockLength;                /* bytes of the current sub-block */
    int blockPos;                   /* next unread byte in it */
    int status;                     /* GIF_LZW_RUNNING, _ENDED or _FAILED */
    int stackTop;
    uint16_t prefix[GIF_LZW_TABLE_SIZE];
    uint8_t suffix[GIF_LZW_TABLE_SIZE];
    uint8_t stack[GIF_LZW_STACK_SIZE];
} GifLzwDecoder;

typedef struct GifEncoder {
    int fd;
    int codeSize;
    int maxCode;                    /* (1 << codeSize) - 1 */
    int initCodeSize;
    int clearCode;
    int nextFree;
    int endCode;
    int prefix;                     /* code of the string so far, -1 for none */
    int failed;                     /* a write came up short */
    int bitPos;                     /* next bit in block; bit 8 is the first data bit */
    int16_t hashCode[GIF_HASH_SIZE];    /* -1: empty slot */
    int16_t hashPrefix[GIF_HASH_SIZE];
    uint8_t hashByte[GIF_HASH_SIZE];
    unsigned char block[260];       /* size byte, 255 data bytes, spill-over */
} GifEncoder;

/* ---- Decoding ------------------------------------------------------------ */

/* Starts decoding the image whose descriptor was just read into the stream
 * (its codeSize is the LZW minimum code size). 1, or 0 for a code size whose
 * clear code the tables cannot hold (outside 1 to 11; the decoder then
 * yields nothing). Literal pixels above 255 are corrupt data. */
int gifLzwInit(struct GifStream *stream);
/* The next palette index; -1 at the end of the data, -2 on corrupt data
 * (reported on standard error). */
int gifLzwNextPixel(struct GifStream *stream);
/* Up to n indices into out; fewer only when the data ended or failed (see
 * the decoder's status). Returns how many were stored. */
int gifLzwReadPixels(struct GifStream *stream, unsigned char *out, int n);

/* ---- Encoding ------------------------------------------------------------ */

/* Sets up encoder for fd. firstPrefix 0 or more: the table is cleared (the
 * clear code emitted) and that value taken as the first pixel. */
void gifEncInit(int fd, int codeSize, int firstPrefix, GifEncoder *encoder);
void gifEncodePixel(GifEncoder *encoder, int pixel);
void gifEncodePixels(GifEncoder *encoder, int n, const unsigned char *pixels);
/* Emits the pending string and the end code, writes the last data
 * sub-block and the block terminator. 1, or 0 when any write of this
 * encoder came up short. */
int gifEncFinish(GifEncoder *encoder);

#endif /* OVEX_RAMIMAGE_FORMATS_GIF_LZW_H */
