/*
 * gif_lzw.cpp --
 *
 *	LZW decoding and encoding of GIF image data.
 *
 *	Data layout: a sequence of data sub-blocks (a size byte 1 to 255 and
 *	that many bytes) ended by a zero byte. The codes run across sub-block
 *	boundaries, least significant bit first. With a minimum code size m,
 *	codes below 1 << m are literal indices, 1 << m is the clear code,
 *	(1 << m) + 1 the end code; defined strings follow. Codes start m + 1
 *	bits wide and grow by one bit each time the table reaches the next
 *	power of two, up to 12 bits (code 4095).
 *
 *	Minimum code sizes above 8 (some writers use up to 11) are decoded
 *	with the same 4096-entry tables; a pixel above 255, which no byte
 *	index holds, is corrupt data.
 *
 *	The decoder trusts nothing: a code beyond the next one to be defined,
 *	a string longer than its stack or a self-referencing entry ends the
 *	image with an error instead of reading or writing out of bounds.
 */
#include "ramimage/formats/gif_lzw.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "ovex/ovexstdio.h"
#include "ramimage/formats/gif.h"

namespace {

/* ---- Decoder --------------------------------------------------------------- */

void resetTable(GifLzwDecoder *d)
{
    for (int i = 0; i < d->clearCode; i++) {
        d->prefix[i] = 0;
        d->suffix[i] = (uint8_t)i;
    }
    memset(d->prefix + d->clearCode, 0, sizeof(d->prefix[0]) * (GIF_LZW_TABLE_SIZE - d->clearCode));
    memset(d->suffix + d->clearCode, 0, GIF_LZW_TABLE_SIZE - d->clearCode);
    d->codeSize = d->initCodeSize + 1;
    d->codeLimit = 2 * d->clearCode;
    d->nextFree = d->clearCode + 2;
    d->stackTop = 0;
    d->oldCode = -1;
}

/* The next code of the data, or -1 when the sub-blocks end first. */
int readCode(GifStream *s)
{
    GifLzwDecoder *d = &s->lzw;
    while (d->bitCount < d->codeSize) {
        if (d->blockPos >= d->blockLength) {
            int n = gifReadSubBlock(s, s->block);
            if (n <= 0) {
                return -1;
            }
            d->blockLength = n;
            d->blockPos = 0;
        }
        d->bitBuffer |= (uint32_t)s->block[d->blockPos++] << d->bitCount;
        d->bitCount += 8;
    }
    int code = (int)(d->bitBuffer & ((1u << d->codeSize) - 1));
    d->bitBuffer >>= d->codeSize;
    d->bitCount -= d->codeSize;
    return code;
}

bool fail(GifLzwDecoder *d)
{
    d->status = GIF_LZW_FAILED;
    d->stackTop = 0;
    return false;
}

/*
 * decodeCode --
 *	Reads codes until one yields pixels on the stack. Returns true then;
 *	false when the data ended (the end code skips to the block
 *	terminator) or are corrupt (reported), with the status set.
 */
bool decodeCode(GifStream *s)
{
    GifLzwDecoder *d = &s->lzw;
    for (;;) {
        int code = readCode(s);
        if (code < 0) {
            d->status = GIF_LZW_ENDED;
            return false;
        }
        if (code == d->clearCode) {
            resetTable(d);
            continue;
        }
        if (code == d->endCode) {
            /* Bits after the end code are padding, not pixels. */
            gifSkipSubBlocks(s);
            d->status = GIF_LZW_ENDED;
            return false;
        }
        if (d->oldCode < 0) {
            if (code > d->clearCode) {
                ovex_fprintf(stderr, "Error in GIF data: code %d where a pixel must come\n", code);
                return fail(d);
            }
            if (code > 255) {
                ovex_fprintf(stderr, "Error in GIF data: pixel %d above 255\n", code);
                return fail(d);
            }
            d->stack[d->stackTop++] = (uint8_t)code;
            d->firstPixel = code;
            d->oldCode = code;
            return true;
        }

        int current = code;
        if (code > d->nextFree || (code == d->nextFree && d->nextFree >= GIF_LZW_TABLE_SIZE)) {
            ovex_fprintf(stderr, "Error in GIF data: code %d above the next free code %d\n", code,
                         d->nextFree);
            return fail(d);
        }
        if (code == d->nextFree) {
            /* The string not yet defined: the previous one plus its own first pixel. */
            d->stack[d->stackTop++] = (uint8_t)d->firstPixel;
            current = d->oldCode;
        }
        while (current >= d->clearCode) {
            if (d->prefix[current] == current) {
                ovex_fprintf(stderr, "circular table entry BIG ERROR: %d\n", current);
                return fail(d);
            }
            if (d->stackTop >= GIF_LZW_STACK_SIZE - 1) {
                ovex_fprintf(stderr, "Error in GIF data: string of code %d too long\n", code);
                return fail(d);
            }
            d->stack[d->stackTop++] = d->suffix[current];
            current = d->prefix[current];
        }
        if (current > 255) {
            ovex_fprintf(stderr, "Error in GIF data: pixel %d above 255\n", current);
            return fail(d);
        }
        d->firstPixel = current;
        d->stack[d->stackTop++] = (uint8_t)current;

        if (d->nextFree < GIF_LZW_TABLE_SIZE) {
            d->prefix[d->nextFree] = (uint16_t)d->oldCode;
            d->suffix[d->nextFree] = (uint8_t)d->firstPixel;
            d->nextFree++;
            if (d->nextFree >= d->codeLimit && d->codeLimit < GIF_LZW_TABLE_SIZE) {
                d->codeLimit *= 2;
                d->codeSize++;
            }
        }
        d->oldCode = code;
        return true;
    }
}

/* ---- Encoder --------------------------------------------------------------- */

bool writeAll(int fd, const unsigned char *bytes, size_t n)
{
    while (n > 0) {
        ssize_t done = write(fd, bytes, n);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        bytes += done;
        n -= (size_t)done;
    }
    return true;
}

void writeBytes(GifEncoder *e, const unsigned char *bytes, size_t n)
{
    if (!e->failed && !writeAll(e->fd, bytes, n)) {
        e->failed = 1;
    }
}

/* Writes the full 255-byte sub-block and keeps the bits that spilled past it. */
void flushFullBlock(GifEncoder *e)
{
    e->block[0] = 255;
    writeBytes(e, e->block, 256);
    unsigned char spill[4];
    memcpy(spill, e->block + 256, sizeof(spill));
    memset(e->block, 0, sizeof(e->block));
    memcpy(e->block + 1, spill, sizeof(spill));
    e->bitPos -= 2040;
}

void emitCode(GifEncoder *e, int code)
{
    if (e->bitPos > 2048) {
        flushFullBlock(e);
    }
    uint32_t bits = (uint32_t)code << (e->bitPos & 7);
    unsigned char *at = e->block + (e->bitPos >> 3);
    at[0] |= (unsigned char)bits;
    at[1] |= (unsigned char)(bits >> 8);
    at[2] |= (unsigned char)(bits >> 16);
    e->bitPos += e->codeSize;
}

void clearTable(GifEncoder *e)
{
    memset(e->hashCode, 0xFF, sizeof(e->hashCode));
    emitCode(e, e->clearCode);
    e->codeSize = e->initCodeSize + 1;
    e->maxCode = (1 << e->codeSize) - 1;
    e->nextFree = e->clearCode + 2;
}

inline void encodeOne(GifEncoder *e, int pixel)
{
    pixel &= e->clearCode - 1;      /* an index the code size cannot hold must not become a code */
    if (e->prefix < 0) {
        clearTable(e);
        e->prefix = pixel;
        return;
    }
    int slot = (pixel << 4) ^ e->prefix;
    int step = slot == 0 ? 1 : GIF_HASH_SIZE - slot;
    while (e->hashCode[slot] >= 0) {
        if (e->hashPrefix[slot] == e->prefix && e->hashByte[slot] == pixel) {
            e->prefix = e->hashCode[slot];
            return;
        }
        slot -= step;
        if (slot < 0) {
            slot += GIF_HASH_SIZE;
        }
    }
    emitCode(e, e->prefix);
    if (e->nextFree <= GIF_LZW_TABLE_SIZE - 1) {
        if (e->nextFree > e->maxCode) {
            e->codeSize++;
            e->maxCode = (1 << e->codeSize) - 1;
        }
        e->hashCode[slot] = (int16_t)e->nextFree++;
        e->hashPrefix[slot] = (int16_t)e->prefix;
        e->hashByte[slot] = (uint8_t)pixel;
    } else {
        clearTable(e);
    }
    e->prefix = pixel;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * gifLzwInit --
 *
 *	Prepares the stream's decoder for the image whose descriptor was
 *	read last.
 *
 * Results:
 *	1, or 0 when the minimum code size is outside 1 to 11 (its clear
 *	code would not fit the tables; the decoder is then marked failed
 *	and yields nothing).
 *
 *----------------------------------------------------------------------
 */
int gifLzwInit(GifStream *stream)
{
    GifLzwDecoder *d = &stream->lzw;
    int size = stream->desc.codeSize;
    d->bitBuffer = 0;
    d->bitCount = 0;
    d->blockLength = 0;
    d->blockPos = 0;
    d->stackTop = 0;
    d->firstPixel = 0;
    if (size < 1 || size > GIF_LZW_MAX_BITS - 1) {
        ovex_fprintf(stderr, "Error in GIF data: LZW code size %d\n", size);
        d->initCodeSize = 1;
        d->clearCode = 2;
        d->endCode = 3;
        resetTable(d);
        d->status = GIF_LZW_FAILED;
        return 0;
    }
    d->initCodeSize = size;
    d->clearCode = 1 << size;
    d->endCode = d->clearCode + 1;
    resetTable(d);
    d->status = GIF_LZW_RUNNING;
    return 1;
}

int gifLzwNextPixel(GifStream *stream)
{
    GifLzwDecoder *d = &stream->lzw;
    if (d->stackTop == 0 && (d->status != GIF_LZW_RUNNING || !decodeCode(stream))) {
        return d->status == GIF_LZW_FAILED ? -2 : -1;
    }
    return d->stack[--d->stackTop];
}

/*
 * gifLzwReadPixels --
 *	Decodes up to n indices into out. Returns the count stored; fewer
 *	than n only when the data ended or failed (the decoder's status
 *	tells which).
 */
int gifLzwReadPixels(GifStream *stream, unsigned char *out, int n)
{
    GifLzwDecoder *d = &stream->lzw;
    int done = 0;
    while (done < n) {
        if (d->stackTop == 0 && (d->status != GIF_LZW_RUNNING || !decodeCode(stream))) {
            break;
        }
        while (d->stackTop > 0 && done < n) {
            out[done++] = d->stack[--d->stackTop];
        }
    }
    return done;
}

/*
 *----------------------------------------------------------------------
 *
 * gifEncInit --
 *
 *	Sets up an encoder writing to fd with the LZW minimum code size
 *	(clamped to 2 .. 8). With a first prefix of 0 or more, the clear code
 *	is emitted at once and that value becomes the first pixel.
 *
 *----------------------------------------------------------------------
 */
void gifEncInit(int fd, int codeSize, int firstPrefix, GifEncoder *encoder)
{
    GifEncoder *e = encoder;
    if (codeSize < 2) {
        codeSize = 2;
    } else if (codeSize > 8) {
        codeSize = 8;
    }
    e->fd = fd;
    e->initCodeSize = codeSize;
    e->clearCode = 1 << codeSize;
    e->endCode = e->clearCode + 1;
    e->codeSize = codeSize + 1;
    e->maxCode = (1 << e->codeSize) - 1;
    e->nextFree = e->clearCode + 2;
    e->prefix = -1;
    e->failed = 0;
    e->bitPos = 8;
    memset(e->block, 0, sizeof(e->block));
    memset(e->hashCode, 0xFF, sizeof(e->hashCode));
    if (firstPrefix >= 0) {
        clearTable(e);
        e->prefix = firstPrefix & (e->clearCode - 1);
    }
}

void gifEncodePixel(GifEncoder *encoder, int pixel)
{
    encodeOne(encoder, pixel);
}

void gifEncodePixels(GifEncoder *encoder, int n, const unsigned char *pixels)
{
    for (int i = 0; i < n; i++) {
        encodeOne(encoder, pixels[i]);
    }
}

/*
 *----------------------------------------------------------------------
 *
 * gifEncFinish --
 *
 *	Ends the image data: the pending string, the end code, the last
 *	sub-block (a full one first when the codes ran past 255 bytes, so no
 *	size byte ever overflows) and the block terminator.
 *
 * Results:
 *	1, or 0 when any write of this encoder came up short.
 *
 *----------------------------------------------------------------------
 */
int gifEncFinish(GifEncoder *encoder)
{
    GifEncoder *e = encoder;
    if (e->prefix >= 0) {
        emitCode(e, e->prefix);
    }
    emitCode(e, e->endCode);
    if (e->bitPos > 2048) {
        flushFullBlock(e);
    }
    int bytes = (e->bitPos + 7) / 8 - 1;
    if (bytes > 0) {
        e->block[0] = (unsigned char)bytes;
        writeBytes(e, e->block, (size_t)bytes + 1);
    }
    static const unsigned char terminator = 0;
    writeBytes(e, &terminator, 1);
    e->prefix = -1;
    return e->failed ? 0 : 1;
}
