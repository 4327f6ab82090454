/*
 * base64.cpp --
 *
 *	Base64 encoding with 72-character lines, and a decoder that skips
 *	whatever is not part of the alphabet.
 */
#include "ramimage/kit/base64.h"

#include <stdint.h>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

static const char base64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

/* Marks of base64Value for characters that are not 6-bit digits. */
enum { BASE64_SKIP = -1, BASE64_PAD = -2 };

/* The 6-bit value of c, BASE64_PAD for "=", BASE64_SKIP otherwise. */
static int base64Value(unsigned char c)
{
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return c == '=' ? BASE64_PAD : BASE64_SKIP;
}

/*
 * base64Encode --
 *	A new text holding the encoding of bytes; see base64.h.
 * Returns: the text (gmemFree) and its length in *outLength, or NULL.
 */
char *base64Encode(size_t length, const unsigned char *bytes, size_t *outLength)
{
    *outLength = 0;
    if (bytes == NULL) {
        length = 0;
    }
    /* Keeps 4 characters per group and 2 per line inside size_t. */
    if (length > SIZE_MAX / 2) {
        return NULL;
    }
    size_t groups = (length + 2) / 3;
    size_t characters = groups * 4;
    size_t lines = (characters + BASE64_LINE_LENGTH - 1) / BASE64_LINE_LENGTH;
    char *text = (char *)gmemAlloc(characters + 2 * lines + 1);
    if (text == NULL) {
        return NULL;
    }

    char *out = text;
    size_t lineFill = 0;
    size_t whole = length - length % 3;
    for (size_t i = 0; i < whole; i += 3) {
        uint32_t bits = ((uint32_t)bytes[i] << 16) | ((uint32_t)bytes[i + 1] << 8) | bytes[i + 2];
        *out++ = base64Alphabet[(bits >> 18) & 63];
        *out++ = base64Alphabet[(bits >> 12) & 63];
        *out++ = base64Alphabet[(bits >> 6) & 63];
        *out++ = base64Alphabet[bits & 63];
        lineFill += 4;
        if (lineFill == BASE64_LINE_LENGTH) {
            *out++ = '\n';
            lineFill = 0;
        }
    }
    /* The padded last group ends the text without a line break. */
    size_t rest = length - whole;
    if (rest > 0) {
        uint32_t bits = (uint32_t)bytes[whole] << 16;
        if (rest == 2) {
            bits |= (uint32_t)bytes[whole + 1] << 8;
        }
        *out++ = base64Alphabet[(bits >> 18) & 63];
        *out++ = base64Alphabet[(bits >> 12) & 63];
        *out++ = rest == 2 ? base64Alphabet[(bits >> 6) & 63] : '=';
        *out++ = '=';
    }
    *out = '\0';
    *outLength = (size_t)(out - text);
    return text;
}

/*
 * storeGroup --
 *	Writes the bytes of one group of count 6-bit values (the missing ones
 *	read as 0): count - 1 bytes of information, less one per "=".
 * Returns: the number of bytes kept at out (0 to 3).
 */
static size_t storeGroup(const int values[4], int count, int padding, unsigned char *out)
{
    uint32_t bits = 0;
    for (int k = 0; k < 4; k++) {
        bits = (bits << 6) | (uint32_t)(k < count ? values[k] : 0);
    }
    out[0] = (unsigned char)(bits >> 16);
    out[1] = (unsigned char)(bits >> 8);
    out[2] = (unsigned char)bits;
    int kept = (count == 4 ? 3 : count - 1) - padding;
    return kept > 0 ? (size_t)kept : 0;
}

/*
 * base64Decode --
 *	Decodes length characters of text; see base64.h. The block has room
 *	for 3 bytes per started group of 4 characters, so a truncated or
 *	malformed text never writes past it.
 * Returns: the bytes (gmemFree) and their count in *outLength, or NULL.
 */
unsigned char *base64Decode(size_t length, const char *text, size_t *outLength)
{
    *outLength = 0;
    if (text == NULL) {
        length = 0;
    }
    size_t room = (length / 4 + (length % 4 != 0)) * 3;
    unsigned char *bytes = (unsigned char *)gmemAlloc(room > 0 ? room : 1);
    if (bytes == NULL) {
        return NULL;
    }

    size_t stored = 0;
    int values[4];
    int count = 0;
    int padding = 0;
    for (size_t i = 0; i < length; i++) {
        int value = base64Value((unsigned char)text[i]);
        if (value == BASE64_SKIP) {
            continue;
        }
        if (value == BASE64_PAD) {
            value = 0;
            padding++;
        }
        values[count++] = value;
        if (count == 4) {
            stored += storeGroup(values, 4, padding, bytes + stored);
            count = 0;
            padding = 0;
        }
    }
    if (count > 0) {
        ovex_fprintf(stderr, "Invalid base64 data block detected.\n");
        stored += storeGroup(values, count, padding, bytes + stored);
    }
    *outLength = stored;
    return bytes;
}
