/*
 * bit_map_test.cpp --
 *
 *	Every operation of bitMapOp on set and clear bits, and the byte and
 *	mask each bit number reaches.
 */
#include <gtest/gtest.h>

#include <vector>

#include "ramimage/kit/bit_map.h"

namespace {

TEST(BitMap, BitNineIsMaskTwoOfByteOne)
{
    unsigned char map[3] = {0, 0, 0};
    EXPECT_EQ(1, bitMapOp(map, 9, BITMAP_SET));
    EXPECT_EQ(0, map[0]);
    EXPECT_EQ(2, map[1]);
    EXPECT_EQ(0, map[2]);
}

TEST(BitMap, EveryBitHasItsOwnByteAndMask)
{
    for (int bit = 0; bit < 24; bit++) {
        unsigned char map[3] = {0, 0, 0};
        bitMapOp(map, bit, BITMAP_SET);
        for (int b = 0; b < 3; b++) {
            EXPECT_EQ(b == bit / 8 ? 1 << (bit % 8) : 0, map[b]) << "bit " << bit;
        }
    }
}

TEST(BitMap, OperationsOnSetAndClearBits)
{
    const int bit = 13;  /* mask 32 of byte 1 */
    struct Case {
        int op;
        bool setBefore;
        int result;
        bool setAfter;
    } cases[] = {
        {BITMAP_TEST, true, 1, true},          {BITMAP_TEST, false, 0, false},
        {BITMAP_CLEAR, true, 1, false},        {BITMAP_CLEAR, false, 1, false},
        {BITMAP_SET, true, 1, true},           {BITMAP_SET, false, 1, true},
        {BITMAP_MASKED, true, 32, true},       {BITMAP_MASKED, false, 0, false},
        {BITMAP_TEST_CLEAR, true, 0, true},    {BITMAP_TEST_CLEAR, false, 32, false},
        {BITMAP_TOGGLE, true, 0, false},       {BITMAP_TOGGLE, false, 1, true},
        {5, true, 1, true},                    {-2, false, 1, false},
    };
    for (const Case &c : cases) {
        /* The neighbours are the opposite of the bit, so a change that
         * leaks to them shows. */
        unsigned char map[2] = {0xFF, (unsigned char)(c.setBefore ? 0x20 : 0xDF)};
        EXPECT_EQ(c.result, bitMapOp(map, bit, c.op)) << "op " << c.op;
        EXPECT_EQ(c.setAfter, (map[1] & 0x20) != 0) << "op " << c.op;
        EXPECT_EQ(c.setBefore ? 0x00 : 0xDF, map[1] & 0xDF) << "op " << c.op;
        EXPECT_EQ(0xFF, map[0]) << "op " << c.op;
    }
}

TEST(BitMap, NegativeBitsAndSizes)
{
    unsigned char map[1] = {0};
    EXPECT_EQ(0, bitMapOp(map + 0, -1, BITMAP_SET));
    EXPECT_EQ(0, map[0]);
    EXPECT_EQ(0u, bitMapBytes(0));
    EXPECT_EQ(0u, bitMapBytes(-5));
    EXPECT_EQ(1u, bitMapBytes(1));
    EXPECT_EQ(1u, bitMapBytes(8));
    EXPECT_EQ(2u, bitMapBytes(9));
}

}  // namespace
