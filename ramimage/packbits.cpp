/*
 * packbits.cpp --
 *
 *	PackBits: a signed control byte n; -128 is a no-op, n below 0 repeats
 *	the next byte 1 - n times, n from 0 to 127 copies the next n + 1
 *	bytes. Used by TIFF strips and DICOM frames.
 */
#include "ramimage/packbits.h"
#include "ramimage/ramimg.h"

#include <string.h>

void packBitsInit(PackBitsDecoder *decoder, unsigned char *out, size_t outLength, size_t skip)
{
    decoder->out = out;
    decoder->outLength = outLength;
    decoder->produced = 0;
    decoder->skip = skip;
    decoder->literal = 0;
    decoder->repeat = 0;
}

/*
 * emitBytes --
 *	Stores n decoded bytes (copied from source, or `value` repeated when
 *	source is NULL) after dropping what is still to be skipped.
 */
static void emitBytes(PackBitsDecoder *decoder, const unsigned char *source, int value, size_t n)
{
    if (decoder->skip > 0) {
        size_t dropped = n < decoder->skip ? n : decoder->skip;
        decoder->skip -= dropped;
        n -= dropped;
        if (source != NULL) {
            source += dropped;
        }
    }
    size_t room = decoder->outLength - decoder->produced;
    if (n > room) {
        n = room;                   /* a run is cut where the output ends */
    }
    if (source != NULL) {
        memcpy(decoder->out + decoder->produced, source, n);
    } else {
        memset(decoder->out + decoder->produced, value, n);
    }
    decoder->produced += n;
}

int packBitsFeed(PackBitsDecoder *decoder, const unsigned char *source, size_t length)
{
    size_t at = 0;
    while (decoder->produced < decoder->outLength) {
        if (decoder->literal > 0) {
            if (at >= length) {
                break;
            }
            size_t n = length - at < (size_t)decoder->literal ? length - at
                                                              : (size_t)decoder->literal;
            emitBytes(decoder, source + at, 0, n);
            at += n;
            decoder->literal -= (int)n;
            continue;
        }
        if (decoder->repeat > 0) {
            if (at >= length) {
                break;
            }
            emitBytes(decoder, NULL, source[at++], (size_t)decoder->repeat);
            decoder->repeat = 0;
            continue;
        }
        if (at >= length) {
            break;
        }
        int control = (signed char)source[at++];
        if (control == -128) {
            continue;
        }
        if (control < 0) {
            decoder->repeat = 1 - control;
        } else {
            decoder->literal = control + 1;
        }
    }
    return decoder->produced >= decoder->outLength;
}

/*
 * packBitsDecode --
 *	Decodes source into destination until either ends. Returns the bytes
 *	written.
 */
int packBitsDecode(const unsigned char *source, size_t sourceLength, unsigned char *destination,
                   size_t destinationLength)
{
    PackBitsDecoder decoder;
    packBitsInit(&decoder, destination, destinationLength, 0);
    packBitsFeed(&decoder, source, sourceLength);
    return (int)decoder.produced;
}
