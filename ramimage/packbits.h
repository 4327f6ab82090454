/*
 * packbits.h --
 *
 *	PackBits decoding that can be fed a compressed stream in pieces, so
 *	that a strip is decoded through a small fixed buffer, and can drop a
 *	number of leading output bytes (rows above the ones wanted).
 */
#ifndef OVEX_RAMIMAGE_PACKBITS_H
#define OVEX_RAMIMAGE_PACKBITS_H

#include <stddef.h>

struct PackBitsDecoder {
    unsigned char *out;
    size_t outLength;
    size_t produced;                /* bytes stored into out */
    size_t skip;                    /* decoded bytes still to drop before storing */
    int literal;                    /* literal bytes still to copy */
    int repeat;                     /* copies of the run byte still to make, once it is read */
};

void packBitsInit(PackBitsDecoder *decoder, unsigned char *out, size_t outLength, size_t skip);
/* Decodes `length` more source bytes; returns 1 once out is full, else 0. */
int packBitsFeed(PackBitsDecoder *decoder, const unsigned char *source, size_t length);

#endif /* OVEX_RAMIMAGE_PACKBITS_H */
