// Rounding, clamping, byte order and case-blind comparison.
#include "core/rounding.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Rounding, RoundToIntHalvesAwayFromZero)
{
    struct Case { double x; int expected; } cases[] = {
        {2.5, 3}, {-2.5, -3}, {0.0, 0}, {-0.4, 0}, {0.49999, 0}, {-1.5, -2},
        {7.5, 8}, {1.4999, 1}, {-7.5, -8}, {2147483646.6, INT_MAX},
        {1e300, INT_MAX}, {-1e300, INT_MIN}, {kInf, INT_MAX}, {-kInf, INT_MIN}, {kNaN, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(roundToInt(c.x), c.expected) << "x = " << c.x;
    }
}

TEST(Rounding, ClampToIntTruncatesAndClamps)
{
    struct Case { double x; int expected; } cases[] = {
        {kNaN, 0}, {kInf, INT_MAX}, {-kInf, INT_MIN}, {1e300, INT_MAX}, {-1e300, INT_MIN},
        {2147483647.9, INT_MAX}, {2147483648.0, INT_MAX}, {-2147483648.9, INT_MIN},
        {-2147483649.0, INT_MIN}, {3.99, 3}, {-3.99, -3}, {-0.5, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(clampToInt(c.x), c.expected) << "x = " << c.x;
    }
}

TEST(Rounding, ClampToInt64CoversFileOffsets)
{
    EXPECT_EQ(clampToInt64(kNaN), 0);
    EXPECT_EQ(clampToInt64(1e300), INT64_MAX);
    EXPECT_EQ(clampToInt64(-1e300), INT64_MIN);
    EXPECT_EQ(clampToInt64(9223372036854775808.0), INT64_MAX);
    EXPECT_EQ(clampToInt64(-9223372036854775808.0), INT64_MIN);
    EXPECT_EQ(clampToInt64(6442450944.7), INT64_C(6442450944));
    EXPECT_EQ(clampToInt64(-5.9), -5);
}

TEST(ByteOrder, Swap16And32)
{
    EXPECT_EQ(swapBytes16(0x1234), 0x3412);
    uint32_t swapped = swapBytes32(0x11223344u);
    unsigned char bytes[4];
    memcpy(bytes, &swapped, 4);
    // Stored most significant byte first, whatever the host.
    EXPECT_EQ(bytes[0], 0x11);
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x33);
    EXPECT_EQ(bytes[3], 0x44);
}

TEST(ByteOrder, ReverseBytes)
{
    struct Case { int n; const char *before; const char *after; } cases[] = {
        {3, "\1\2\3", "\3\2\1"}, {4, "\1\2\3\4", "\4\3\2\1"}, {0, "\1\2", "\1\2"},
        {1, "\1\2", "\1\2"}, {-4, "\1\2", "\1\2"}, {2, "\1\2\3", "\2\1\3"},
    };
    for (const Case &c : cases) {
        unsigned char buffer[8] = {0};
        memcpy(buffer, c.before, strlen(c.before));
        reverseBytes(buffer, c.n);
        EXPECT_EQ(memcmp(buffer, c.after, strlen(c.after)), 0) << "n = " << c.n;
    }
    unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    reverseBytesN(eight, 8);
    const unsigned char expected[8] = {8, 7, 6, 5, 4, 3, 2, 1};
    EXPECT_EQ(memcmp(eight, expected, 8), 0);
}

TEST(ByteOrder, ErdasHeaderFieldsReversedOthersKept)
{
    unsigned char header[128];
    for (int k = 0; k < 128; k++) {
        header[k] = (unsigned char)k;
    }
    swapErdasHeader(header);
    const int shorts[] = {6, 8, 10, 88, 90, 106};
    const int longs[] = {16, 20, 24, 28, 36, 40, 108, 112, 116, 120, 124};
    bool touched[128] = {false};
    for (int offset : shorts) {
        EXPECT_EQ(header[offset], offset + 1);
        EXPECT_EQ(header[offset + 1], offset);
        touched[offset] = touched[offset + 1] = true;
    }
    for (int offset : longs) {
        for (int k = 0; k < 4; k++) {
            EXPECT_EQ(header[offset + k], offset + 3 - k) << "offset " << offset;
            touched[offset + k] = true;
        }
    }
    for (int k = 0; k < 128; k++) {
        if (!touched[k]) {
            EXPECT_EQ(header[k], k) << "byte " << k;
        }
    }
}

int sign(int value) { return (value > 0) - (value < 0); }

TEST(Compare, StrcmpiNull)
{
    struct Case { const char *a; const char *b; int expectedSign; } cases[] = {
        {"Photo.TIF", "photo.tif", 0}, {nullptr, "", -1}, {"", nullptr, 1},
        {nullptr, nullptr, 0}, {"a", "B", -1}, {"B", "a", 1}, {"abc", "ABCD", -1},
        {"ABCD", "abc", 1}, {"", "", 0}, {"[", "{", -1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(sign(strcmpiNull(c.a, c.b)), c.expectedSign)
            << (c.a ? c.a : "NULL") << " vs " << (c.b ? c.b : "NULL");
    }
    EXPECT_EQ(strcmpiNull(nullptr, ""), -1);
    EXPECT_EQ(strcmpiNull("x", nullptr), 1);
    EXPECT_EQ(strcmpiNull("a", "B"), 'A' - 'B');
}

}  // namespace
