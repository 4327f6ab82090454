/*
 * pixel_access_test.cpp --
 *
 *	Float and byte access to RAM-image pixels: reading every pixel type,
 *	clamping and rounding on writing, bit and nibble order, rows, bands
 *	and columns outside the image, palette channels, band gathering, and
 *	sampling and drawing along lines.
 */
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <fcntl.h>
#include <tcl.h>
#include <unistd.h>

#include "core/gmem.h"
#include "kit/fixture_kit.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"
#include "ram_fixtures.h"

namespace {

using ram_fixtures::ServedImage;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
const double kPi = 3.14159265358979323846;

class PixelEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Tcl_FindExecutable(NULL); }
};
::testing::Environment *const pixelEnvironment =
    ::testing::AddGlobalTestEnvironment(new PixelEnvironment);

template <class T> void storeRaw(unsigned char *row, int x, T value)
{
    memcpy(row + (size_t)x * sizeof(T), &value, sizeof(T));
}
template <class T> T loadRaw(const unsigned char *row, int x)
{
    T value;
    memcpy(&value, row + (size_t)x * sizeof(T), sizeof(T));
    return value;
}

/* Fills a one-band FLOAT image's row r with the given values. */
void fillFloatRow(ServedImage &image, int r, std::vector<float> values, int band = 0)
{
    for (size_t x = 0; x < values.size(); x++) {
        storeRaw<float>(image.row(r, band), (int)x, values[x]);
    }
}

/* ---- Reading ---------------------------------------------------------------- */

TEST(PixelRead, EveryPixelTypeAsFloatAndByte)
{
    struct Case {
        const char *what;
        int pixel;
        int msbf;
        std::vector<unsigned char> raw;     /* the row's first bytes */
        std::vector<float> floats;          /* columns 0, 1, ... */
        std::vector<unsigned char> bytes;
    };
    auto raw16 = [](std::vector<int> v) {
        std::vector<unsigned char> out(v.size() * 2);
        for (size_t i = 0; i < v.size(); i++) {
            uint16_t bits = (uint16_t)v[i];
            memcpy(&out[i * 2], &bits, 2);
        }
        return out;
    };
    auto raw32 = [](std::vector<int32_t> v) {
        std::vector<unsigned char> out(v.size() * 4);
        memcpy(out.data(), v.data(), out.size());
        return out;
    };
    auto rawFloat = [](std::vector<float> v) {
        std::vector<unsigned char> out(v.size() * 4);
        memcpy(out.data(), v.data(), out.size());
        return out;
    };
    const Case cases[] = {
        {"1BIT msbf", PIXEL_1BIT, 1, {0xA0}, {1, 0, 1, 0}, {1, 0, 1, 0}},
        {"1BIT lsbf", PIXEL_1BIT, 0, {0x05}, {1, 0, 1, 0}, {1, 0, 1, 0}},
        {"4BITS msbf", PIXEL_4BITS, 1, {0x3A, 0xF0}, {3, 10, 15, 0}, {3, 10, 15, 0}},
        {"4BITS lsbf", PIXEL_4BITS, 0, {0x3A, 0x0F}, {10, 3, 15, 0}, {10, 3, 15, 0}},
        {"BYTE", PIXEL_BYTE, 0, {200, 0, 255, 7}, {200, 0, 255, 7}, {200, 0, 255, 7}},
        {"SHORT", PIXEL_SHORT, 0, raw16({-2, 300, 32767, -32768}),
         {-2, 300, 32767, -32768}, {254, 44, 255, 0}},
        {"LONG", PIXEL_LONG, 0, raw32({-70000, 256, 2147483647, 1}),
         {-70000, 256, 2147483647.0f, 1}, {0x90, 0, 255, 1}},
        {"FLOAT", PIXEL_FLOAT, 0, rawFloat({300.7f, -2.5f, 0.9f, 1e20f}),
         {300.7f, -2.5f, 0.9f, 1e20f}, {44, 254, 0, 255}},
        {"USHORT", PIXEL_USHORT, 0, raw16({65535, 258, 0, 40000}),
         {65535, 258, 0, 40000}, {255, 2, 0, 0x40}},
        {"ULONG", PIXEL_ULONG, 0, raw32({-1, 256, 0, 70000}),
         {4294967295.0f, 256, 0, 70000}, {255, 0, 0, 0x70}},
        {"SBYTE", PIXEL_SBYTE, 0, {251, 5, 128, 127}, {-5, 5, -128, 127}, {251, 5, 128, 127}},
        {"UNKNOWN", PIXEL_UNKNOWN, 0, {9, 9, 9, 9}, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ServedImage image(c.pixel, 4, 2, 1, c.msbf);
        memcpy(image.row(1, 0), c.raw.data(), c.raw.size());
        float floats[4] = {-9, -9, -9, -9};
        unsigned char bytes[4] = {99, 99, 99, 99};
        getRowFloat(&image.image, 1, 0, 4, 0, floats);
        getRowByte(&image.image, 1, 0, 4, 0, bytes);
        for (int x = 0; x < 4; x++) {
            EXPECT_FLOAT_EQ(floats[x], c.floats[x]) << "column " << x;
            EXPECT_EQ(bytes[x], c.bytes[x]) << "column " << x;
            EXPECT_FLOAT_EQ(getPixelFloat(&image.image, x, 1, 0), c.floats[x]) << "column " << x;
        }
        EXPECT_EQ(image.badLoads, 0);
    }
}

TEST(PixelRead, RowsBandsAndColumnsOutsideReadAsZeroWithoutTouchingTheCache)
{
    ServedImage image(PIXEL_BYTE, 3, 2, 2);
    const unsigned char pixels[] = {10, 20, 30};
    memcpy(image.row(0, 1), pixels, 3);
    struct Case {
        int row, col, n, band;
        std::vector<float> expected;
        int loads;
    } cases[] = {
        {-1, 0, 3, 1, {0, 0, 0}, 0},
        {2, 0, 3, 1, {0, 0, 0}, 0},
        {0, 0, 3, 2, {0, 0, 0}, 0},
        {0, 0, 3, -1, {0, 0, 0}, 0},
        {0, -2, 5, 1, {0, 0, 10, 20, 30}, 1},
        {0, 2, 3, 1, {30, 0, 0}, 1},
        {0, -5, 3, 1, {0, 0, 0}, 0},
        {0, 3, 2, 1, {0, 0}, 0},
        {0, INT_MAX, 3, 1, {0, 0, 0}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << c.row << " col " << c.col << " band "
                                          << c.band);
        image.loads = 0;
        std::vector<float> floats(c.expected.size(), -9.0f);
        std::vector<unsigned char> bytes(c.expected.size(), 99);
        getRowFloat(&image.image, c.row, c.col, c.n, c.band, floats.data());
        getRowByte(&image.image, c.row, c.col, c.n, c.band, bytes.data());
        for (size_t k = 0; k < c.expected.size(); k++) {
            EXPECT_EQ(floats[k], c.expected[k]) << "sample " << k;
            EXPECT_EQ(bytes[k], (unsigned char)c.expected[k]) << "sample " << k;
        }
        EXPECT_EQ(image.loads, 2 * c.loads);
    }
    EXPECT_EQ(image.badLoads, 0);
}

TEST(PixelRead, StrideLeavesTheBytesBetweenAlone)
{
    ServedImage image(PIXEL_SHORT, 3, 1, 1);
    storeRaw<int16_t>(image.row(0, 0), 0, 1);
    storeRaw<int16_t>(image.row(0, 0), 1, -1);
    storeRaw<int16_t>(image.row(0, 0), 2, 513);
    unsigned char out[12];
    memset(out, 77, sizeof out);
    getRowBytesStride(&image.image, 0, -1, 4, 0, out, 3);
    const unsigned char expected[12] = {0, 77, 77, 1, 77, 77, 255, 77, 77, 1, 77, 77};
    EXPECT_EQ(0, memcmp(out, expected, sizeof out));
}

TEST(PixelRead, PixelVectorReadsEveryBandAndLeavesUnconvertedTypesAlone)
{
    ServedImage image(PIXEL_USHORT, 2, 2, 3);
    for (int band = 0; band < 3; band++) {
        storeRaw<uint16_t>(image.row(1, band), 1, (uint16_t)(1000 * (band + 1)));
    }
    float out[3] = {-1, -1, -1};
    getPixelVector(&image.image, 1, 1, out);
    EXPECT_EQ(out[0], 1000.0f);
    EXPECT_EQ(out[1], 2000.0f);
    EXPECT_EQ(out[2], 3000.0f);
    getPixelVector(&image.image, 5, 1, out);
    EXPECT_EQ(out[0], 0.0f);

    ServedImage unknown(PIXEL_UNKNOWN, 2, 2, 2);
    float kept[2] = {4, 5};
    getPixelVector(&unknown.image, 0, 0, kept);
    EXPECT_EQ(kept[0], 4.0f);
    EXPECT_EQ(kept[1], 5.0f);
}

/* ---- Writing ---------------------------------------------------------------- */

TEST(PixelWrite, FloatsAreClampedAndRoundedPerType)
{
    struct Case {
        int pixel;
        float in;
        double stored;
    } cases[] = {
        {PIXEL_BYTE, 255.4f, 255}, {PIXEL_BYTE, -0.2f, 0}, {PIXEL_BYTE, 12.5f, 13},
        {PIXEL_BYTE, 12.49f, 12}, {PIXEL_BYTE, 254.6f, 255}, {PIXEL_BYTE, kNaN, 0},
        {PIXEL_BYTE, kInf, 255}, {PIXEL_BYTE, -kInf, 0},
        {PIXEL_4BITS, 20.0f, 15}, {PIXEL_4BITS, -1.0f, 0}, {PIXEL_4BITS, 7.5f, 8},
        {PIXEL_4BITS, 14.6f, 15}, {PIXEL_4BITS, kNaN, 0},
        /* Signed types round halves away from zero: whole negative values
         * survive a float round trip. */
        {PIXEL_SHORT, -2.3f, -2}, {PIXEL_SHORT, -2.7f, -3}, {PIXEL_SHORT, -2.0f, -2},
        {PIXEL_SHORT, 2.5f, 3},
        {PIXEL_SHORT, -40000.0f, -32768}, {PIXEL_SHORT, -32768.5f, -32768},
        {PIXEL_SHORT, 40000.0f, 32767}, {PIXEL_SHORT, 32766.7f, 32767},
        {PIXEL_SHORT, kNaN, 0}, {PIXEL_SHORT, -kInf, -32768},
        {PIXEL_LONG, 3e9f, 2147483647.0}, {PIXEL_LONG, -3e9f, -2147483648.0},
        {PIXEL_LONG, -2.3f, -2}, {PIXEL_LONG, -700.0f, -700}, {PIXEL_LONG, -2.5f, -3}, {PIXEL_LONG, 1000000.5f, 1000001}, {PIXEL_LONG, kNaN, 0},
        {PIXEL_LONG, kInf, 2147483647.0},
        {PIXEL_USHORT, 70000.0f, 65535}, {PIXEL_USHORT, -5.0f, 0},
        {PIXEL_USHORT, 65534.6f, 65535}, {PIXEL_USHORT, 0.49f, 0},
        {PIXEL_FLOAT, 1.25f, 1.25}, {PIXEL_FLOAT, -300.7f, -300.7f},
        {PIXEL_1BIT, 0.1f, 1}, {PIXEL_1BIT, 0.0f, 0}, {PIXEL_1BIT, -1.0f, 0},
        {PIXEL_1BIT, kNaN, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "pixel " << c.pixel << " value " << c.in);
        ServedImage image(c.pixel, 3, 1, 1);
        if (c.pixel == PIXEL_1BIT || c.pixel == PIXEL_4BITS) {
            memset(image.row(0, 0), 0xFF, (size_t)image.image.rowBytes);
        }
        EXPECT_EQ(1, putRowFloat(&image.image, 0, 1, 1, 0, &c.in));
        EXPECT_EQ((double)getPixelFloat(&image.image, 1, 0, 0), (double)(float)c.stored);
        EXPECT_TRUE(image.isDirty(0, 0));
    }
}

TEST(PixelWrite, BytesAndUnsigned16BitValuesPerType)
{
    struct Case {
        int pixel;
        unsigned char byteIn;
        uint16_t wordIn;
        float fromByte;
        float fromWord;
    } cases[] = {
        {PIXEL_1BIT, 2, 256, 1, 1},
        {PIXEL_4BITS, 0xAB, 0x1234, 11, 4},
        {PIXEL_BYTE, 200, 0x1234, 200, 0x34},
        {PIXEL_SHORT, 200, 65535, 200, -1},
        {PIXEL_LONG, 200, 65535, 200, 65535},
        {PIXEL_FLOAT, 200, 65535, 200, 65535},
        {PIXEL_USHORT, 200, 65535, 200, 65535},
        {PIXEL_ULONG, 200, 65535, 200, 65535},
        {PIXEL_SBYTE, 200, 0x1234, -56, 0x34},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "pixel " << c.pixel);
        ServedImage image(c.pixel, 2, 1, 1);
        EXPECT_EQ(1, putRowByte(&image.image, 0, 0, 1, 0, &c.byteIn));
        EXPECT_EQ(1, putUSHORTBILData(&image.image, 0, 1, 1, 0, &c.wordIn));
        EXPECT_EQ(getPixelFloat(&image.image, 0, 0, 0), c.fromByte);
        EXPECT_EQ(getPixelFloat(&image.image, 1, 0, 0), c.fromWord);
    }
    for (int pixel : {PIXEL_UNKNOWN}) {
        ServedImage image(pixel, 2, 1, 1);
        const unsigned char byteIn[2] = {5, 6};
        const uint16_t wordIn[2] = {5, 6};
        const float floatIn[2] = {5, 6};
        EXPECT_EQ(0, putRowByte(&image.image, 0, 0, 2, 0, byteIn));
        EXPECT_EQ(0, putUSHORTBILData(&image.image, 0, 0, 2, 0, wordIn));
        EXPECT_EQ(0, putRowFloat(&image.image, 0, 0, 2, 0, floatIn));
        EXPECT_EQ(image.row(0, 0)[0], 0);
        EXPECT_EQ(image.row(0, 0)[1], 0);
    }
}

TEST(PixelWrite, BitAndNibbleOrderFollowMsbf)
{
    const float one = 1.0f;
    const float nibbles[3] = {3, 10, 6};
    struct Case {
        int pixel, msbf;
        unsigned char expected[2];
    } cases[] = {
        {PIXEL_1BIT, 1, {0x80, 0}}, {PIXEL_1BIT, 0, {0x01, 0}},
        {PIXEL_4BITS, 1, {0x3A, 0x60}}, {PIXEL_4BITS, 0, {0xA3, 0x06}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "pixel " << c.pixel << " msbf " << c.msbf);
        ServedImage image(c.pixel, 9, 1, 1, c.msbf);
        if (c.pixel == PIXEL_1BIT) {
            putRowFloat(&image.image, 0, 0, 1, 0, &one);
        } else {
            putRowFloat(&image.image, 0, 0, 3, 0, nibbles);
        }
        EXPECT_EQ(image.row(0, 0)[0], c.expected[0]);
        EXPECT_EQ(image.row(0, 0)[1], c.expected[1]);
    }
    /* A store into one column keeps its neighbours. */
    ServedImage bits(PIXEL_1BIT, 16, 1, 1, 1);
    memset(bits.row(0, 0), 0xFF, 2);
    const float zero = 0.0f;
    putRowFloat(&bits.image, 0, 9, 1, 0, &zero);
    EXPECT_EQ(bits.row(0, 0)[0], 0xFF);
    EXPECT_EQ(bits.row(0, 0)[1], 0xBF);
    ServedImage nib(PIXEL_4BITS, 4, 1, 1, 0);
    memset(nib.row(0, 0), 0xFF, 2);
    putRowFloat(&nib.image, 0, 2, 1, 0, &zero);
    EXPECT_EQ(nib.row(0, 0)[0], 0xFF);
    EXPECT_EQ(nib.row(0, 0)[1], 0xF0);
}

TEST(PixelWrite, ColumnsAreClippedAndOutsideRowsOrBandsStoreNothing)
{
    ServedImage image(PIXEL_BYTE, 3, 2, 2);
    const float in[5] = {1, 2, 3, 4, 5};
    struct Case {
        int row, col, n, band;
        int stored;
        std::vector<unsigned char> row0band1;
    } cases[] = {
        {-1, 0, 3, 1, 0, {0, 0, 0}},
        {2, 0, 3, 1, 0, {0, 0, 0}},
        {0, 0, 3, 2, 0, {0, 0, 0}},
        {0, 0, 3, -1, 0, {0, 0, 0}},
        {0, 3, 3, 1, 0, {0, 0, 0}},
        {0, -5, 3, 1, 0, {0, 0, 0}},
        {0, INT_MAX, 5, 1, 0, {0, 0, 0}},
        {0, -2, 5, 1, 3, {3, 4, 5}},
        {0, 2, 5, 1, 1, {0, 0, 1}},
        {0, 1, 0, 1, 0, {0, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << c.row << " col " << c.col << " band "
                                          << c.band);
        memset(image.data.data(), 0, image.data.size());
        memset(image.dirty.data(), 0, image.dirty.size());
        EXPECT_EQ(c.stored, putRowFloat(&image.image, c.row, c.col, c.n, c.band, in));
        EXPECT_EQ(0, memcmp(image.row(0, 1), c.row0band1.data(), 3));
        EXPECT_EQ(c.stored > 0, image.anyDirty());
        EXPECT_EQ(c.stored > 0, image.isDirty(0, 1));
        size_t changed = 0;
        for (unsigned char b : image.data) {
            changed += b != 0;
        }
        EXPECT_EQ(changed, (size_t)c.stored);
    }
    EXPECT_EQ(image.badLoads, 0);
}

TEST(PixelWrite, PixelInterleavedWriters)
{
    ServedImage image(PIXEL_FLOAT, 3, 1, 3);
    /* Two pixels of three values from column 1; band0 1 cuts the third value. */
    const float bip[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(2, putFloatBIPData(&image.image, 1, 3, 0, 1, 2, bip));
    float out[3];
    EXPECT_EQ(0.0f, getRowFloat(&image.image, 0, 0, 3, 0, out)[1]);
    getRowFloat(&image.image, 0, 0, 3, 1, out);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 1.0f);
    EXPECT_EQ(out[2], 4.0f);
    getRowFloat(&image.image, 0, 0, 3, 2, out);
    EXPECT_EQ(out[1], 2.0f);
    EXPECT_EQ(out[2], 5.0f);
    EXPECT_EQ(0, putFloatBIPData(&image.image, 3, 2, 0, 0, 2, bip));

    ServedImage listed(PIXEL_FLOAT, 2, 1, 3);
    const int bands[3] = {2, 7, 0};
    EXPECT_EQ(2, writeFloatBIPData(&listed.image, 0, 0, 2, 3, bands, bip));
    getRowFloat(&listed.image, 0, 0, 2, 2, out);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[1], 4.0f);
    getRowFloat(&listed.image, 0, 0, 2, 0, out);
    EXPECT_EQ(out[0], 3.0f);
    EXPECT_EQ(out[1], 6.0f);
    getRowFloat(&listed.image, 0, 0, 2, 1, out);
    EXPECT_EQ(out[0], 0.0f);
    const int none[1] = {5};
    EXPECT_EQ(0, writeFloatBIPData(&listed.image, 0, 0, 2, 1, none, bip));

    const float pixel[2] = {8, 9};
    const int pair[2] = {1, 0};
    putPixelBandsFloat(&listed.image, 1, 0, 2, pair, pixel);
    float back[2];
    getPixelBandsFloat(&listed.image, 1, 0, 2, pair, back);
    EXPECT_EQ(back[0], 8.0f);
    EXPECT_EQ(back[1], 9.0f);
    EXPECT_EQ(getPixelFloat(&listed.image, 1, 0, 0), 9.0f);
}

/* ---- Palettes and gathering ---------------------------------------------------- */

/* A one-band palette image of n columns whose row 0 holds indices 0, 1, 2, 3,
 * 0, 1 ... and entry i is (10 i + 1, 10 i + 2, 10 i + 3). */
void makePaletteImage(ServedImage &image)
{
    image.image.head.nindices = 4;
    for (int i = 0; i < 256; i++) {
        for (int c = 0; c < 3; c++) {
            image.image.head.palette[i][c] = (unsigned char)(10 * i + c + 1);
        }
    }
    for (int x = 0; x < image.image.head.columns; x++) {
        image.row(0, 0)[x] = (unsigned char)(x % 4);
    }
}

TEST(PixelPalette, ChannelsOfPaletteImages)
{
    ServedImage image(PIXEL_BYTE, 10, 1, 1);
    makePaletteImage(image);
    struct Case {
        int channel;
        int add;        /* expected: 10 index + add, or the index when -1 */
    } cases[] = {{0, 1}, {1, 2}, {2, 3}, {-1, -1}, {3, -1}, {255, -1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "channel " << c.channel);
        unsigned char bytes[10];
        float floats[10];
        getRowBytePal(&image.image, 0, 0, 10, c.channel, bytes);
        getRowFloatPal(&image.image, 0, 0, 10, c.channel, floats);
        for (int x = 0; x < 10; x++) {
            int index = x % 4;
            int expected = c.add < 0 ? index : 10 * index + c.add;
            EXPECT_EQ(bytes[x], expected) << "column " << x;
            EXPECT_EQ(floats[x], (float)expected) << "column " << x;
        }
    }
    /* Without a palette the channel is the band. */
    ServedImage plain(PIXEL_BYTE, 2, 1, 3);
    plain.row(0, 1)[1] = 42;
    unsigned char byte = 0;
    float value = 0;
    EXPECT_EQ(42, getRowBytePal(&plain.image, 0, 1, 1, 1, &byte)[0]);
    EXPECT_EQ(42.0f, getRowFloatPal(&plain.image, 0, 1, 1, 1, &value)[0]);
    EXPECT_EQ(0, getRowBytePal(&plain.image, 0, 1, 1, -1, &byte)[0]);
}

TEST(PixelGather, BandsInterleavedWithStep)
{
    ServedImage image(PIXEL_BYTE, 5, 1, 3);
    for (int band = 0; band < 3; band++) {
        for (int x = 0; x < 5; x++) {
            image.row(0, band)[x] = (unsigned char)(10 * band + x);
        }
    }
    unsigned char out[12];
    memset(out, 99, sizeof out);
    getRowsBytesBands(&image.image, 0, 0, 5, 2, 3, NULL, out);
    const unsigned char expected[9] = {0, 10, 20, 2, 12, 22, 4, 14, 24};
    EXPECT_EQ(0, memcmp(out, expected, 9));
    EXPECT_EQ(out[9], 99);

    /* Without a list, bands beyond the image wrap. */
    getRowsBytesBands(&image.image, 0, 3, 2, 1, 4, NULL, out);
    const unsigned char wrapped[8] = {3, 13, 23, 3, 4, 14, 24, 4};
    EXPECT_EQ(0, memcmp(out, wrapped, 8));

    const int list[2] = {2, 0};
    const float expectedFloats[8] = {21, 1, 22, 2, 23, 3, 24, 4};
    for (int step : {1, 0}) {   /* a step below 1 counts as 1 */
        float floats[8];
        getRowsFloatBands(&image.image, 0, 1, 4, step, 2, list, floats);
        for (int k = 0; k < 8; k++) {
            EXPECT_EQ(floats[k], expectedFloats[k]) << "step " << step << " value " << k;
        }
    }
}

TEST(PixelGather, LongRowsAcrossChunksAndPaletteChannels)
{
    const int columns = 3001;
    ServedImage image(PIXEL_USHORT, columns, 1, 2);
    for (int x = 0; x < columns; x++) {
        storeRaw<uint16_t>(image.row(0, 0), x, (uint16_t)x);
        storeRaw<uint16_t>(image.row(0, 1), x, (uint16_t)(x + 5000));
    }
    for (int step : {1, 7, 1024, 5000}) {
        SCOPED_TRACE(::testing::Message() << "step " << step);
        int samples = (columns + step - 1) / step;
        std::vector<float> out((size_t)samples * 2, -1.0f);
        getRowsFloatBands(&image.image, 0, 0, columns, step, 2, NULL, out.data());
        for (int k = 0; k < samples; k++) {
            ASSERT_EQ(out[2 * k], (float)(k * step)) << k;
            ASSERT_EQ(out[2 * k + 1], (float)(k * step + 5000)) << k;
        }
    }

    ServedImage palette(PIXEL_BYTE, 6, 1, 1);
    makePaletteImage(palette);
    unsigned char rgb[9];
    const int rgbList[3] = {0, 1, 2};
    getRowsBytesBands(&palette.image, 0, 1, 3, 1, 3, rgbList, rgb);
    const unsigned char expected[9] = {11, 12, 13, 21, 22, 23, 31, 32, 33};
    EXPECT_EQ(0, memcmp(rgb, expected, 9));
    float green[1];
    const int channel[1] = {1};
    EXPECT_EQ(32.0f, getPixelBandsFloat(&palette.image, 3, 0, 1, channel, green)[0]);
}

/* ---- Lines ---------------------------------------------------------------------- */

TEST(PixelLines, SampleAlongAngle)
{
    ServedImage image(PIXEL_FLOAT, 4, 3, 1);
    for (int r = 0; r < 3; r++) {
        fillFloatRow(image, r, {10.0f * r + 1, 10.0f * r + 2, 10.0f * r + 3, 10.0f * r + 4});
    }
    float out[6];
    sampleAlongAngle(&image.image, 0, 0, 0, 0.0, 1.0, 0.0, out, 5, SAMPLE_NEAREST);
    const float alongRow[5] = {1, 2, 3, 4, 0};
    for (int k = 0; k < 5; k++) {
        EXPECT_EQ(out[k], alongRow[k]) << k;
    }
    /* pi/2 points towards row 0. */
    sampleAlongAngle(&image.image, 1, 2, 0, kPi / 2, 1.0, 0.0, out, 4, SAMPLE_NEAREST);
    const float upwards[4] = {22, 12, 2, 0};
    for (int k = 0; k < 4; k++) {
        EXPECT_EQ(out[k], upwards[k]) << k;
    }
    /* start moves the first point; bilinear halves between columns and
     * mixes with 0 past the last column. */
    sampleAlongAngle(&image.image, 0, 0, 0, 0.0, 1.0, 0.5, out, 4, SAMPLE_BILINEAR);
    const float halves[4] = {1.5f, 2.5f, 3.5f, 2.0f};
    for (int k = 0; k < 4; k++) {
        EXPECT_FLOAT_EQ(out[k], halves[k]) << k;
    }
    sampleAlongAngle(&image.image, 1.5, 0.5, 0, 0.0, 1.0, 0.0, out, 1, SAMPLE_BILINEAR);
    EXPECT_FLOAT_EQ(out[0], (2 + 3 + 12 + 13) / 4.0f);
    out[0] = 77;
    sampleAlongAngle(&image.image, 0, 0, 0, 0.0, 1.0, 0.0, out, 1, 3);
    EXPECT_EQ(out[0], 77.0f);
    sampleAlongAngle(&image.image, std::nan(""), 0, 0, 0.0, 1.0, 0.0, out, 1, SAMPLE_BILINEAR);
    EXPECT_EQ(out[0], 0.0f);
}

TEST(PixelLines, SampleAlongAngleOnOneRow)
{
    ServedImage image(PIXEL_BYTE, 3, 1, 1);
    image.row(0, 0)[0] = 10;
    image.row(0, 0)[1] = 30;
    float out[1];
    sampleAlongAngle(&image.image, 0.5, 0, 0, 0.0, 1.0, 0.0, out, 1, SAMPLE_BILINEAR);
    EXPECT_FLOAT_EQ(out[0], 20.0f);
}

TEST(PixelLines, SampleLineFloat)
{
    ServedImage image(PIXEL_FLOAT, 4, 2, 2);
    fillFloatRow(image, 0, {1, 2, 3, 4}, 0);
    fillFloatRow(image, 1, {5, 6, 7, 8}, 0);
    fillFloatRow(image, 0, {-1, -2, -3, -4}, 1);
    fillFloatRow(image, 1, {-5, -6, -7, -8}, 1);
    const int bands[2] = {1, 0};
    float out[12];
    sampleLineFloat(&image.image, 0, 0, 3, 0, 2, bands, out, 4, SAMPLE_NEAREST);
    const float nearest[8] = {-1, 1, -2, 2, -3, 3, -4, 4};
    for (int k = 0; k < 8; k++) {
        EXPECT_EQ(out[k], nearest[k]) << k;
    }
    /* Bilinear repeats the edge pixel: the last column mixes with itself. */
    const int band0[1] = {0};
    sampleLineFloat(&image.image, 2.5, 0.5, 3.5, 0.5, 1, band0, out, 2, SAMPLE_BILINEAR);
    EXPECT_FLOAT_EQ(out[0], (3 + 4 + 7 + 8) / 4.0f);
    EXPECT_FLOAT_EQ(out[1], (4 + 8) / 2.0f);
    /* Outside, and past the image by rounding. */
    sampleLineFloat(&image.image, 0, 5, 4, 5, 1, band0, out, 3, SAMPLE_NEAREST);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[2], 0.0f);
    sampleLineFloat(&image.image, 3.6, 0, 3.6, 0, 1, band0, out, 1, SAMPLE_NEAREST);
    EXPECT_EQ(out[0], 0.0f);
    /* Far outside: whole-int coordinates clamp and read as zeros. */
    sampleLineFloat(&image.image, 1e30, 0, -1e30, 1e30, 1, band0, out, 3, SAMPLE_BILINEAR);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 0.0f);
    out[0] = 77;
    sampleLineFloat(&image.image, 0, 0, 1, 1, 1, band0, out, 1, 0);
    EXPECT_EQ(out[0], 77.0f);
}

std::vector<float> floatRow(ServedImage &image, int r, int band = 0)
{
    std::vector<float> out((size_t)image.image.head.columns);
    getRowFloat(&image.image, r, 0, image.image.head.columns, band, out.data());
    return out;
}

TEST(PixelLines, PutLineFloat)
{
    const int band0[1] = {0};
    const float ramp[5] = {10, 11, 12, 13, 14};
    {
        ServedImage image(PIXEL_FLOAT, 6, 3, 1);
        EXPECT_EQ(5, putLineFloat(&image.image, 0, 0, 4, 0, 1, band0, ramp, 5, SAMPLE_NEAREST));
        EXPECT_EQ(floatRow(image, 0), (std::vector<float>{10, 11, 12, 13, 14, 0}));
    }
    {
        ServedImage image(PIXEL_FLOAT, 6, 3, 1);
        EXPECT_EQ(1, putLineFloat(&image.image, 2, 2, 2, 2, 1, band0, ramp, 5, SAMPLE_NEAREST));
        EXPECT_EQ(floatRow(image, 2), (std::vector<float>{0, 0, 10, 0, 0, 0}));
        EXPECT_EQ(floatRow(image, 1), std::vector<float>(6, 0.0f));
    }
    {
        /* Interpolating: t runs 0 .. 2 in quarter steps over half-pixel steps. */
        ServedImage image(PIXEL_FLOAT, 6, 1, 1);
        const float three[3] = {0, 10, 20};
        EXPECT_EQ(3, putLineFloat(&image.image, 0, 0, 4, 0, 1, band0, three, 3, SAMPLE_BILINEAR));
        EXPECT_EQ(floatRow(image, 0), (std::vector<float>{0, 2.5f, 7.5f, 12.5f, 17.5f, 0}));
    }
    {
        /* Steep, running towards row 0, into two listed bands. */
        ServedImage image(PIXEL_BYTE, 3, 4, 2);
        const int bands[2] = {1, 0};
        const float pairs[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        EXPECT_EQ(4, putLineFloat(&image.image, 1, 3, 1, 0, 2, bands, pairs, 4, SAMPLE_NEAREST));
        for (int r = 0; r < 4; r++) {
            EXPECT_EQ(getPixelFloat(&image.image, 1, r, 1), (float)(1 + 2 * (3 - r))) << r;
            EXPECT_EQ(getPixelFloat(&image.image, 1, r, 0), (float)(2 + 2 * (3 - r))) << r;
        }
    }
    {
        /* A line far longer than the image draws only what crosses it. */
        ServedImage image(PIXEL_BYTE, 4, 3, 1);
        const float fives[2] = {5, 5};
        EXPECT_EQ(2, putLineFloat(&image.image, -1e12, 1, 1e12, 1, 1, band0, fives, 2,
                                  SAMPLE_NEAREST));
        EXPECT_EQ(floatRow(image, 1), std::vector<float>(4, 5.0f));
        EXPECT_EQ(floatRow(image, 0), std::vector<float>(4, 0.0f));
        EXPECT_EQ(image.badLoads, 0);
    }
    {
        /* Nothing is drawn for other modes or coordinates that are not finite. */
        ServedImage image(PIXEL_BYTE, 4, 3, 1);
        putLineFloat(&image.image, 0, 0, 3, 0, 1, band0, ramp, 2, 0);
        putLineFloat(&image.image, std::nan(""), 0, 3, 0, 1, band0, ramp, 2, SAMPLE_NEAREST);
        putLineFloat(&image.image, 0, 0, HUGE_VAL, 0, 1, band0, ramp, 2, SAMPLE_NEAREST);
        EXPECT_FALSE(image.anyDirty());
        EXPECT_EQ(0, putLineFloat(&image.image, 0, 0, 3, 0, 1, band0, ramp, 0, SAMPLE_NEAREST));
    }
}

/* ---- Through the real row cache ---------------------------------------------- */

TEST(PixelCache, MemoryImageRoundTripThroughTheRowCache)
{
    for (int imgid : {IMGID_MBIL, IMGID_MBSQ}) {
        SCOPED_TRACE(::testing::Message() << "imgid " << imgid);
        RAMIMG *image = (RAMIMG *)calloc(1, sizeof(RAMIMG));
        ASSERT_NE(image, nullptr);
        image->head.pixel = PIXEL_SHORT;
        image->head.imgid = imgid;
        image->head.columns = 5;
        image->head.rows = 4;
        image->head.nbands = 2;
        image->head.bits = 16;
        image->head.transparent = -1;
        image->head.dataFd = -1;
        image->fd = -1;
        image->frame = 1;
        image->rowBytes = 10;
        image->rowLoader = getRAMImageLine;
        image->rowFlusher = flushCacheRow;
        ASSERT_EQ(4, setRAMImageBuf(image, 4));
        for (int r = 0; r < 4; r++) {
            for (int band = 0; band < 2; band++) {
                float values[5];
                for (int x = 0; x < 5; x++) {
                    values[x] = (float)(1000 * band + 100 * r + x);
                }
                ASSERT_EQ(5, putRowFloat(image, r, 0, 5, band, values));
            }
        }
        for (int r = 0; r < 4; r++) {
            for (int band = 0; band < 2; band++) {
                float values[5];
                getRowFloat(image, r, 0, 5, band, values);
                for (int x = 0; x < 5; x++) {
                    EXPECT_EQ(values[x], (float)(1000 * band + 100 * r + x));
                }
            }
        }
        float none[2] = {9, 9};
        getRowFloat(image, 4, 0, 2, 0, none);
        EXPECT_EQ(none[0], 0.0f);
        EXPECT_EQ(getPixelFloat(image, 2, 0, 0), 2.0f);
        gmemFree(image->cacheBlock);
        free(image);
    }
}

TEST(PixelCache, FileRowsWrittenWholeAndInPartReachTheFile)
{
    fixture::ScratchDir folder("pixels");
    std::string path = folder.at("rows.bsq");
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const unsigned char initial[12] = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
    ASSERT_EQ(12, write(fd, initial, 12));

    RAMIMG *image = (RAMIMG *)calloc(1, sizeof(RAMIMG));
    ASSERT_NE(image, nullptr);
    image->head.pixel = PIXEL_BYTE;
    image->head.imgid = IMGID_BSQ;
    image->head.columns = 3;
    image->head.rows = 4;
    image->head.nbands = 1;
    image->head.bits = 8;
    image->head.block = 3;
    image->head.transparent = -1;
    image->head.dataFd = -1;
    image->fd = fd;
    image->frame = 1;
    image->rowBytes = 3;
    image->rowLoader = getRAMImageLine;
    image->rowFlusher = flushCacheRow;
    /* Two cached rows for four: every row below evicts another. */
    ASSERT_EQ(2, setRAMImageBuf(image, 2));
    const float whole[3] = {7, 8, 9};
    const float one = 50;
    EXPECT_EQ(3, putRowFloat(image, 0, 0, 3, 0, whole));
    EXPECT_EQ(1, putRowFloat(image, 3, 1, 1, 0, &one));
    EXPECT_EQ(3, putRowFloat(image, 2, 0, 3, 0, whole));
    EXPECT_EQ(1, putRowFloat(image, 1, 2, 1, 0, &one));
    EXPECT_EQ(1, flushRamImage(image));
    unsigned char stored[12];
    ASSERT_EQ(12, pread(fd, stored, 12, 0));
    const unsigned char expected[12] = {7, 8, 9, 2, 2, 50, 7, 8, 9, 4, 50, 4};
    EXPECT_EQ(0, memcmp(stored, expected, 12));

    gmemFree(image->cacheBlock);
    free(image);
    close(fd);
}

}  // namespace
