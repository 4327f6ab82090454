/*
 * base64.h --
 *
 *	Base64 text (the standard alphabet "A"-"Z", "a"-"z", "0"-"9", "+",
 *	"/", with "=" padding) for images and objects handed over as text.
 *
 *	char *base64Encode(size_t length, const unsigned char *bytes,
 *	                   size_t *outLength);
 *	unsigned char *base64Decode(size_t length, const char *text,
 *	                            size_t *outLength);
 *
 *	Both return a new block freed with gmemFree, or NULL (with *outLength
 *	0) when memory runs out.
 */
#ifndef OVEX_RAMIMAGE_BASE64_H
#define OVEX_RAMIMAGE_BASE64_H

#include <stddef.h>

/* Characters of one encoded line before its newline. */
#define BASE64_LINE_LENGTH 72

/* The encoding of length bytes: groups of 3 bytes as 4 characters, a
 * newline after every 72 characters, "=" padding in the last group. The
 * text is NUL-terminated; *outLength counts its characters before the NUL,
 * newlines included (0 and the empty text for no bytes). NULL when memory
 * runs out. */
char *base64Encode(size_t length, const unsigned char *bytes, size_t *outLength);

/* Decodes length characters of text: characters outside the alphabet
 * (newlines, blanks, NUL ...) are skipped; each "=" reads as 0 and drops
 * the last byte of its group, so concatenated encodings decode whole.
 * *outLength receives the number of decoded bytes (0 for no groups; the
 * block is never NULL then). A last group of fewer than 4 characters
 * prints "Invalid base64 data block detected.\n" on standard error and
 * still gives the whole bytes it holds. NULL when memory runs out. */
unsigned char *base64Decode(size_t length, const char *text, size_t *outLength);

#endif /* OVEX_RAMIMAGE_BASE64_H */
