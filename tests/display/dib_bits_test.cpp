/*
 * dib_bits_test.cpp --
 *
 *	Packed DIBs into memory images: row order, band order, palettes,
 *	and DIBs that must be refused.
 */
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/windraw/dib_bits.h"
#include "ovex/ovex.h"
#include "ramimage/formats/dib.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

namespace {

/* The bytes of band of row, columns wide. */
std::vector<int> rowOf(RAMIMG *image, int row, int band)
{
    std::vector<unsigned char> bytes((size_t)image->head.columns);
    getRowByte(image, row, 0, image->head.columns, band, bytes.data());
    return std::vector<int>(bytes.begin(), bytes.end());
}

/* A 2 x 3 24-bit DIB whose row r holds pixels (b, g, r) = (10r, 20r, 30r)
 * and (10r + 1, 20r + 1, 30r + 1), stored in the order of height's sign. */
PackedDib rgbDib(int height)
{
    PackedDib dib;
    EXPECT_TRUE(packedDibAlloc(&dib, 2, height, 24, 0));
    EXPECT_EQ(dib.rowLength, 8);
    for (int r = 0; r < 3; r++) {
        unsigned char *row = dib.rows + r * dib.rowLength;
        for (int c = 0; c < 2; c++) {
            row[3 * c] = (unsigned char)(10 * r + c);
            row[3 * c + 1] = (unsigned char)(20 * r + c);
            row[3 * c + 2] = (unsigned char)(30 * r + c);
        }
    }
    return dib;
}

TEST(DibBits, TopDownRowsKeepTheirOrderAndBandsAreBlueGreenRed)
{
    PackedDib dib = rgbDib(-3);
    RAMIMG *image = dibToRAMImage("dib_top", dib.bytes, dib.size);
    gmemFree(dib.bytes);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->head.nbands, 3);
    EXPECT_EQ(image->head.rows, 3);
    EXPECT_EQ(image->head.columns, 2);
    EXPECT_EQ(image->head.pixel, PIXEL_BYTE);
    EXPECT_STREQ(image->head.file, "dib_top");
    EXPECT_EQ(rowOf(image, 0, 0), (std::vector<int>{0, 1}));
    EXPECT_EQ(rowOf(image, 2, 0), (std::vector<int>{20, 21}));
    EXPECT_EQ(rowOf(image, 2, 1), (std::vector<int>{40, 41}));
    EXPECT_EQ(rowOf(image, 2, 2), (std::vector<int>{60, 61}));
    closeRAMImage(image, NULL);
}

TEST(DibBits, BottomUpRowsAreTurnedOver)
{
    PackedDib dib = rgbDib(3);
    RAMIMG *image = dibToRAMImage("dib_bottom", dib.bytes, dib.size);
    gmemFree(dib.bytes);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(rowOf(image, 0, 2), (std::vector<int>{60, 61}));
    EXPECT_EQ(rowOf(image, 2, 2), (std::vector<int>{0, 1}));
    closeRAMImage(image, NULL);
}

TEST(DibBits, PureRedGivesRedInTheThirdBand)
{
    PackedDib dib;
    ASSERT_TRUE(packedDibAlloc(&dib, 1, -1, 24, 0));
    dib.rows[2] = 255;
    RAMIMG *image = dibToRAMImage("dib_red", dib.bytes, dib.size);
    gmemFree(dib.bytes);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(rowOf(image, 0, 0)[0], 0);
    EXPECT_EQ(rowOf(image, 0, 1)[0], 0);
    EXPECT_EQ(rowOf(image, 0, 2)[0], 255);
    closeRAMImage(image, NULL);
}

TEST(DibBits, EightBitDibsCarryTheirColourTable)
{
    PackedDib dib;
    ASSERT_TRUE(packedDibAlloc(&dib, 3, -1, 8, 2));
    const unsigned char table[8] = {0, 0, 0, 0, 30, 20, 10, 0};
    memcpy(dib.colorTable, table, sizeof table);
    dib.rows[0] = 1;
    dib.rows[2] = 1;
    RAMIMG *image = dibToRAMImage("dib_palette", dib.bytes, dib.size);
    gmemFree(dib.bytes);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->head.nbands, 1);
    EXPECT_EQ(image->head.nindices, 2);
    EXPECT_EQ(image->head.palette[1][0], 10);
    EXPECT_EQ(image->head.palette[1][1], 20);
    EXPECT_EQ(image->head.palette[1][2], 30);
    EXPECT_EQ(rowOf(image, 0, 0), (std::vector<int>{1, 0, 1}));
    closeRAMImage(image, NULL);
}

TEST(DibBits, TruncatedCompressedAndOddDibsAreRefused)
{
    PackedDib dib = rgbDib(-3);
    EXPECT_EQ(dibToRAMImage("dib_bad", dib.bytes, dib.size - 1), nullptr);
    EXPECT_EQ(dibToRAMImage("dib_bad", dib.bytes, 39), nullptr);

    DibInfoHeader info;
    decodeDibInfoHeader(dib.bytes, &info);
    info.compression = 1;
    encodeDibInfoHeader(&info, dib.bytes);
    EXPECT_EQ(dibToRAMImage("dib_bad", dib.bytes, dib.size), nullptr);

    info.compression = 0;
    info.size = 1000;
    encodeDibInfoHeader(&info, dib.bytes);
    EXPECT_EQ(dibToRAMImage("dib_bad", dib.bytes, dib.size), nullptr);
    EXPECT_EQ(getRAMImageByTag("dib_bad"), nullptr);
    gmemFree(dib.bytes);

    EXPECT_FALSE(packedDibAlloc(&dib, 0, 3, 24, 0));
    EXPECT_FALSE(packedDibAlloc(&dib, 2, 0, 24, 0));
    EXPECT_FALSE(packedDibAlloc(&dib, 2, 3, 24, 300));
}

}  // namespace
