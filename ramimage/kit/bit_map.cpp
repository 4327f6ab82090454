/*
 * bit_map.cpp --
 *
 *	One-bit operations on bit maps.
 */
#include "ramimage/kit/bit_map.h"

/*
 * bitMapOp --
 *	Tests, sets, clears or toggles one bit.
 * Returns: the result of op (see bit_map.h).
 * Changes: the bit's byte for BITMAP_CLEAR, BITMAP_SET and BITMAP_TOGGLE.
 */
int bitMapOp(unsigned char *map, int64_t bit, int op)
{
    if (bit < 0) {
        return 0;
    }
    unsigned char *byte = map + bit / 8;
    unsigned char mask = (unsigned char)(1u << (bit % 8));
    switch (op) {
    case BITMAP_TEST:
        return (*byte & mask) != 0;
    case BITMAP_CLEAR:
        *byte &= (unsigned char)~mask;
        return 1;
    case BITMAP_SET:
        *byte |= mask;
        return 1;
    case BITMAP_MASKED:
        return *byte & mask;
    case BITMAP_TEST_CLEAR:
        return (*byte & mask) ? 0 : mask;
    case BITMAP_TOGGLE:
        *byte ^= mask;
        return (*byte & mask) != 0;
    default:
        return 1;
    }
}

size_t bitMapBytes(int64_t bits)
{
    return bits > 0 ? (size_t)((bits + 7) / 8) : 0;
}
