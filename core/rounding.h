/*
 * rounding.h --
 *
 *	Rounding, byte-order and comparison helpers used across the library.
 *	clampToInt is the one conversion from floating point to int: every
 *	other conversion goes through it, so that NaN and values out of range
 *	never reach the undefined behaviour of a plain cast.
 */
#ifndef OVEX_CORE_ROUNDING_H
#define OVEX_CORE_ROUNDING_H

#include <climits>
#include <cstdint>

/* x truncated toward zero; NaN gives 0, values beyond int clamp to
 * INT_MIN or INT_MAX. */
inline int clampToInt(double x)
{
    if (x != x) {
        return 0;
    }
    if (x >= 2147483648.0) {
        return INT_MAX;
    }
    if (x <= -2147483649.0) {
        return INT_MIN;
    }
    return (int)x;
}

/* The same for 64-bit file offsets and sizes. */
inline int64_t clampToInt64(double x)
{
    if (x != x) {
        return 0;
    }
    if (x >= 9223372036854775808.0) {
        return INT64_MAX;
    }
    if (x <= -9223372036854775808.0) {
        return INT64_MIN;
    }
    return (int64_t)x;
}

/* The nearest int, halves away from zero: 2.5 gives 3, -2.5 gives -3. */
int roundToInt(double x);

/* The two bytes exchanged. */
uint16_t swapBytes16(uint16_t value);
/* The value whose bytes in memory are value's from the most significant
 * to the least significant (big-endian storage of value). */
uint32_t swapBytes32(uint32_t value);

/* Reverses the first n bytes in place; n below 2 changes nothing. */
void reverseBytes(void *bytes, int n);
void reverseBytesN(void *bytes, unsigned char n);

/* Reverses the multi-byte fields of a 128-byte ERDAS 7.x header in place. */
void swapErdasHeader(void *header);

/* Case-blind comparison of ASCII texts where NULL sorts first: 0 when
 * equal, otherwise the difference of the first differing pair of
 * upper-cased characters; NULL against a text gives -1 (1 reversed). */
int strcmpiNull(const char *a, const char *b);

#endif /* OVEX_CORE_ROUNDING_H */
