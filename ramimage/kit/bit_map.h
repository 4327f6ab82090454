/*
 * bit_map.h --
 *
 *	Bit maps: byte arrays in which bit k is bit k mod 8 of byte k / 8,
 *	least significant bit first. The row cache keeps its dirty marks in
 *	one.
 */
#ifndef OVEX_RAMIMAGE_BIT_MAP_H
#define OVEX_RAMIMAGE_BIT_MAP_H

#include <stddef.h>
#include <stdint.h>

/* Operations of bitMapOp. */
enum {
    BITMAP_TEST = -1,        /* 1 when set, else 0 */
    BITMAP_CLEAR = 0,        /* clears; 1 */
    BITMAP_SET = 1,          /* sets; 1 */
    BITMAP_MASKED = 2,       /* the mask when set, else 0 */
    BITMAP_TEST_CLEAR = 3,   /* the mask when clear, else 0 */
    BITMAP_TOGGLE = 4        /* flips; 1 when now set, 0 when now clear */
};

/* Tests or changes bit of map as op says (above); any other op does
 * nothing and gives 1. A negative bit touches nothing and gives 0. */
int bitMapOp(unsigned char *map, int64_t bit, int op);

/* Bytes of a map of bits bits (0 for none). */
size_t bitMapBytes(int64_t bits);

#endif /* OVEX_RAMIMAGE_BIT_MAP_H */
