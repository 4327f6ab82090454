#include <gtest/gtest.h>

#include <cstring>

#include "cache_fixtures.h"
#include "ramimage/cache_block.h"
#include "ramimage/ramimg.h"

using namespace cache_fixtures;

namespace {

/* A packed memory RGB image of `columns` x `rows` pixels. */
struct PackedImage : CacheImage {
    PackedImage(int imgid, int nbands, int bytesPerPixelTimes8, int columns, int rows)
        : CacheImage("", {imgid, PIXEL_BYTE, rows, columns, nbands,
                          ((columns * bytesPerPixelTimes8 + 7) / 8 + 3) & ~3, 0, 0},
                     rows, 0, loadMemoryRgbRow, flushMemoryRgbRow)
    {
    }
    unsigned char *packed(int row)
    {
        return ramImageExtraArea(image) + (size_t)row * (size_t)image->head.block;
    }
    unsigned word(int row, int k) { return packed(row)[2 * k] | (packed(row)[2 * k + 1] << 8); }
    void setWord(int row, int k, unsigned w)
    {
        packed(row)[2 * k] = (unsigned char)w;
        packed(row)[2 * k + 1] = (unsigned char)(w >> 8);
    }
};

TEST(MemoryRgb, CacheKeepsThreeRowsPerBandOrOneForIndices)
{
    PackedImage rgb(IMGID_MRGB565, 3, 16, 5, 7);
    EXPECT_EQ(3, rgb.built);
    EXPECT_EQ(9, rgb.image->slots);
    for (int k = 0; k < rgb.image->slots; k++) {
        EXPECT_EQ(-1, rgb.image->rowIds[k]);
    }
    PackedImage indices(IMGID_MRGB4, 1, 4, 5, 7);
    EXPECT_EQ(1, indices.built);
    EXPECT_EQ(indices.packed(6), ramRow(indices.image, 6, 0, 1)) << "the packed row itself";
}

struct WordCase {
    int imgid;
    unsigned word;
    unsigned char bands[3];
};

TEST(MemoryRgb, SixteenBitWordsSplitIntoBandBytes)
{
    const WordCase cases[] = {
        {IMGID_MRGB565, 0xF800, {248, 0, 0}},
        {IMGID_MRGB565, 0x07E0, {0, 252, 0}},
        {IMGID_MRGB565, 0x001F, {0, 0, 248}},
        {IMGID_MRGB565, 0xFFFF, {248, 252, 248}},
        {IMGID_MRGB555, 0x7C00, {248, 0, 0}},
        {IMGID_MRGB555, 0x03E0, {0, 248, 0}},
        {IMGID_MRGB555, 0x801F, {0, 0, 248}},
    };
    for (const WordCase &c : cases) {
        PackedImage img(c.imgid, 3, 16, 3, 2);
        img.setWord(1, 2, c.word);
        for (int b = 0; b < 3; b++) {
            const unsigned char *row = ramRow(img.image, 1, b, 1);
            ASSERT_NE(nullptr, row);
            EXPECT_EQ(c.bands[b], row[2]) << "imgid " << c.imgid << " word " << c.word << " band " << b;
            EXPECT_EQ(0, row[0]);
        }
    }
}

TEST(MemoryRgb, StoredBandsArePackedBackIntoTheWord)
{
    struct Store {
        int imgid;
        unsigned before;
        unsigned char bands[3];
        unsigned after;
    } cases[] = {
        {IMGID_MRGB565, 0x0000, {255, 255, 255}, 0xFFFF},
        {IMGID_MRGB565, 0xFFFF, {0, 0, 0}, 0x0000},
        {IMGID_MRGB565, 0x0000, {0x08, 0x04, 0x08}, 0x0821},
        {IMGID_MRGB555, 0x0000, {255, 255, 255}, 0x7FFF},
        {IMGID_MRGB555, 0x8000, {0x08, 0x08, 0x08}, 0x0421},
    };
    for (auto &c : cases) {
        PackedImage img(c.imgid, 3, 16, 4, 3);
        img.setWord(2, 3, c.before);
        img.setWord(2, 0, 0x1234);
        for (int b = 0; b < 3; b++) {
            unsigned char *row = ramRow(img.image, 2, b, 1);
            row[3] = c.bands[b];
            markRowDirty(img.image, 2, b);
        }
        EXPECT_EQ(1, flushRamImage(img.image));
        EXPECT_EQ(c.after, img.word(2, 3)) << "imgid " << c.imgid;
        EXPECT_EQ(0x1234u, img.word(2, 0)) << "other pixels keep their value";
    }
}

TEST(MemoryRgb, ByteLayoutsTakeTheirBandByte)
{
    PackedImage rgba(IMGID_MRGB32, 4, 32, 3, 2);
    PackedImage rgb(IMGID_MRGB24, 3, 24, 3, 2);
    for (int k = 0; k < 12; k++) {
        rgba.packed(1)[k] = (unsigned char)(10 + k);
    }
    for (int k = 0; k < 9; k++) {
        rgb.packed(1)[k] = (unsigned char)(50 + k);
    }
    EXPECT_EQ(0, memcmp(ramRow(rgba.image, 1, 3, 1), "\x0d\x11\x15", 3));
    EXPECT_EQ(0, memcmp(ramRow(rgb.image, 1, 1, 1), "\x33\x36\x39", 3));
    EXPECT_EQ(0, memcmp(loadMemoryRgbRow(rgb.image, 1, 4, 1), "\x33\x36\x39", 3))
        << "bands are taken modulo the band count";

    unsigned char *row = ramRow(rgb.image, 0, 2, 1);
    memcpy(row, "\x01\x02\x03", 3);
    markRowDirty(rgb.image, 0, 2);
    /* Rows 0 and 3 would share slots; a miss writes the row back first. */
    flushRamImage(rgb.image);
    EXPECT_EQ(0, memcmp(rgb.packed(0), "\x00\x00\x01\x00\x00\x02\x00\x00\x03", 9));
}

TEST(MemoryRgb, LoadZeroClaimsTheSlotWithoutConverting)
{
    PackedImage img(IMGID_MRGB24, 3, 24, 2, 5);
    memset(img.packed(4), 0x44, 6);
    unsigned char *row = ramRow(img.image, 4, 0, 0);
    EXPECT_EQ(0, row[0]);
    EXPECT_EQ(nullptr, loadMemoryRgbRow(img.image, 5, 0, 1));
    EXPECT_EQ(nullptr, loadMemoryRgbRow(img.image, -1, 0, 1));
}

}  // namespace
