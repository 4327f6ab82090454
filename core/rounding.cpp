/*
 * rounding.cpp --
 *
 *	Rounding, byte reversal for file formats of the other byte order,
 *	and NULL-tolerant case-blind comparison.
 */
#include "core/rounding.h"

#include <cstring>

/*
 * roundToInt --
 *	The nearest int, halves away from zero, clamped to the int range
 *	(NaN gives 0).
 */
int roundToInt(double x)
{
    return x > 0 ? clampToInt(x + 0.5) : clampToInt(x - 0.5);
}

uint16_t swapBytes16(uint16_t value)
{
    return (uint16_t)((value >> 8) | (value << 8));
}

/*
 * swapBytes32 --
 *	value stored most significant byte first, read back as a host word:
 *	a reversal on hosts that store the least significant byte first.
 */
uint32_t swapBytes32(uint32_t value)
{
    unsigned char bytes[4] = {
        (unsigned char)(value >> 24), (unsigned char)(value >> 16),
        (unsigned char)(value >> 8), (unsigned char)value};
    uint32_t result;
    memcpy(&result, bytes, sizeof(result));
    return result;
}

/*
 * reverseBytes --
 *	Reverses the order of the first n bytes in place (n / 2 exchanges).
 */
void reverseBytes(void *bytes, int n)
{
    unsigned char *low = (unsigned char *)bytes;
    if (low == NULL || n < 2) {
        return;
    }
    unsigned char *high = low + n - 1;
    while (low < high) {
        unsigned char byte = *low;
        *low++ = *high;
        *high-- = byte;
    }
}

void reverseBytesN(void *bytes, unsigned char n)
{
    reverseBytes(bytes, n);
}

/*
 * swapErdasHeader --
 *	Reverses the 2-byte and 4-byte fields of a 128-byte ERDAS 7.x header
 *	so that a host storing the most significant byte first writes the
 *	file least significant byte first.
 */
void swapErdasHeader(void *header)
{
    static const int shortFields[] = {6, 8, 10, 88, 90, 106};
    static const int longFields[] = {16, 20, 24, 28, 36, 40, 108, 112, 116, 120, 124};
    unsigned char *bytes = (unsigned char *)header;
    for (int offset : shortFields) {
        reverseBytesN(bytes + offset, 2);
    }
    for (int offset : longFields) {
        reverseBytesN(bytes + offset, 4);
    }
}

static int upperAscii(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

/*
 * strcmpiNull --
 *	0 when both are NULL or the texts match ignoring ASCII case; -1 when
 *	only a is NULL, 1 when only b is; otherwise the difference of the
 *	first differing pair of upper-cased characters.
 */
int strcmpiNull(const char *a, const char *b)
{
    if (a == NULL || b == NULL) {
        return (a == NULL) ? (b == NULL ? 0 : -1) : 1;
    }
    const unsigned char *left = (const unsigned char *)a;
    const unsigned char *right = (const unsigned char *)b;
    for (;; left++, right++) {
        int difference = upperAscii(*left) - upperAscii(*right);
        if (difference != 0 || *left == '\0') {
            return difference;
        }
    }
}
