/*
 * tulx_tables_test.cpp --
 *
 *	The display's pure pieces: zoom maps, level tables and colour cubes,
 *	index ranges, mask bitmaps, row conversion of every pixel type, the
 *	row filter and dithering, lookup tables, and the view area that a
 *	changed image rectangle covers in mirrored and turned views.
 */
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "display/tulx/tulx.h"
#include "ramimage/ram_fixtures.h"

namespace {

std::vector<int> entries(const ZoomMap &map)
{
    return std::vector<int>(map.index, map.index + map.n);
}

TEST(TulxZoomMap, ZoomFlipAndNegativeZoom)
{
    struct Case { int n, origin, flip; double zoom; std::vector<int> want; };
    const Case cases[] = {
        {6, 10, 0, 2.0, {10, 10, 11, 11, 12, 12}},
        {6, 10, 1, 2.0, {12, 12, 11, 11, 10, 10}},
        {6, 10, 0, -2.0, {12, 12, 11, 11, 10, 10}},
        {6, 10, 1, -2.0, {10, 10, 11, 11, 12, 12}},
        {3, 0, 0, 0.5, {0, 2, 4}},
    };
    for (const Case &c : cases) {
        ZoomMap map;
        zoomMapInit(&map);
        ASSERT_NE(makeZoomMap(&map, c.n, c.origin, c.flip, c.zoom), nullptr);
        EXPECT_EQ(entries(map), c.want) << "zoom " << c.zoom << " flip " << c.flip;
        zoomMapFree(&map);
    }
    ZoomMap map;
    zoomMapInit(&map);
    EXPECT_EQ(makeZoomMap(&map, 0, 0, 0, 1.0), nullptr);
}

TEST(TulxZoomMap, SubMapSpanAndRoundTrip)
{
    ZoomMap map;
    zoomMapInit(&map);
    makeZoomMap(&map, 4, 5, 0, 1.0);
    ZoomMap *sub = zoomSubMap(&map, -1, 6);
    EXPECT_EQ(entries(*sub), (std::vector<int>{-1, 5, 6, 7, 8, -1}));
    zoomMapDelete(sub);

    int first, last;
    makeZoomMap(&map, 6, 2, 0, 1.0);          /* 2..7 */
    zoomMapSpan(&map, 5, &first, &last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 3);
    makeZoomMap(&map, 6, 2, 1, 1.0);          /* 7..2 */
    zoomMapSpan(&map, 5, &first, &last);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 6);

    for (int flip = 0; flip < 2; flip++) {
        for (double zoom : {2.0, -2.0, 0.5, -0.5}) {
            makeZoomMap(&map, 9, 3, flip, zoom);
            for (double v : {3.0, 4.5, 7.0}) {
                EXPECT_DOUBLE_EQ(zoomScreenToImage(&map, zoomImageToScreen(&map, v)), v);
            }
        }
    }
    zoomMapFree(&map);
}

TEST(TulxViewArea, MirroredAndTurnedViewsCoverTheChangedRows)
{
    ZoomMap cols, rows;
    zoomMapInit(&cols);
    zoomMapInit(&rows);
    int cover[4], area[4];
    /* 10 x 10 image zoomed by 2: a 3 x 2 change at (4, 6). */
    makeZoomMap(&cols, 20, 0, 0, 2.0);
    makeZoomMap(&rows, 20, 0, 0, 2.0);
    ASSERT_TRUE(tulxViewArea(&cols, &rows, 0, 4, 6, 3, 2, cover, area));
    EXPECT_EQ(std::vector<int>(cover, cover + 4), (std::vector<int>{8, 12, 6, 4}));
    EXPECT_EQ(std::vector<int>(area, area + 4), (std::vector<int>{8, 12, 6, 4}));
    /* Mirrored columns: image column 4..6 shows at view 6..11 of 20. */
    makeZoomMap(&cols, 20, 0, 1, 2.0);
    ASSERT_TRUE(tulxViewArea(&cols, &rows, 0, 4, 6, 3, 2, cover, area));
    EXPECT_EQ(std::vector<int>(cover, cover + 4), (std::vector<int>{6, 12, 6, 4}));
    /* A negative row zoom mirrors the rows the same way. */
    makeZoomMap(&rows, 20, 0, 0, -2.0);
    ASSERT_TRUE(tulxViewArea(&cols, &rows, 0, 4, 6, 3, 2, cover, area));
    EXPECT_EQ(std::vector<int>(cover, cover + 4), (std::vector<int>{6, 4, 6, 4}));
    /* Turned clockwise (view 20 x 20 turned): rows become columns. */
    makeZoomMap(&cols, 20, 0, 0, 2.0);
    makeZoomMap(&rows, 20, 0, 0, 2.0);
    ASSERT_TRUE(tulxViewArea(&cols, &rows, 1, 4, 6, 3, 2, cover, area));
    EXPECT_EQ(std::vector<int>(area, area + 4), (std::vector<int>{4, 8, 4, 6}));
    ASSERT_TRUE(tulxViewArea(&cols, &rows, -1, 4, 6, 3, 2, cover, area));
    EXPECT_EQ(std::vector<int>(area, area + 4), (std::vector<int>{12, 6, 4, 6}));
    /* Outside the view: nothing. */
    EXPECT_FALSE(tulxViewArea(&cols, &rows, 0, 40, 6, 3, 2, cover, area));
    zoomMapFree(&cols);
    zoomMapFree(&rows);
}

TEST(TulxPalette, LevelTablesAndCubes)
{
    int levels[256];
    signed char errors[256];
    unsigned char indices[256];
    makeLevelTables(errors, levels, 8, indices, 1.0f);
    EXPECT_EQ(std::vector<int>(levels, levels + 8),
              (std::vector<int>{0, 37, 73, 110, 146, 183, 219, 255}));
    EXPECT_EQ(indices[110], 3);
    EXPECT_EQ(errors[112], 2);
    /* 28 grey levels: 110 shows as the level 114. */
    makeLevelTables(NULL, levels, 28, indices, 1.0f);
    EXPECT_EQ(levels[indices[110]], 114);

    unsigned char rgb[256][3];
    EXPECT_EQ(makeCubePalette(rgb, 2, 2, 2, 2), 0);
    EXPECT_EQ(makeCubePalette(rgb, 0, 4, 4, 0), 0);
    EXPECT_EQ(makeCubePalette(rgb, 0, 8, 8, 8), 0);
    EXPECT_EQ(makeCubePalette(rgb, 0, 6, 6, 6), 216);
    EXPECT_EQ(rgb[6 * 6 * 5 + 6 * 2 + 1][0], 255);
    EXPECT_EQ(rgb[6 * 6 * 5 + 6 * 2 + 1][1], 102);
    EXPECT_EQ(rgb[6 * 6 * 5 + 6 * 2 + 1][2], 51);
    EXPECT_EQ(makeCubePalette(rgb, 256, 0, 0, 0), 256);
    EXPECT_EQ(rgb[200][0], 200);
}

TEST(TulxOptions, IndexRanges)
{
    unsigned char flags[256];
    memset(flags, 0, sizeof flags);
    EXPECT_EQ(parseIndexRanges(flags, 0, "1-3, 7"), 4);
    EXPECT_TRUE(flags[1] && flags[2] && flags[3] && flags[7]);
    EXPECT_FALSE(flags[0] || flags[4]);
    EXPECT_EQ(parseIndexRanges(flags, 2, "3-4"), 2);
    EXPECT_FALSE(flags[3]);
    EXPECT_TRUE(flags[4]);
    for (const char *bad : {"3-1", "", "x", "300", "-2"}) {
        EXPECT_EQ(parseIndexRanges(flags, 1, bad), -1) << bad;
    }
    EXPECT_TRUE(flags[4]);
}

TEST(TulxMaskBitmap, SpansStrideAndCombineOverTheSharedArea)
{
    MaskBitmap bitmap;
    maskBitmapInit(&bitmap);
    ASSERT_NE(bitmapAlloc(&bitmap, 17, 2, 0), nullptr);
    EXPECT_EQ(bitmap.stride, 4);
    bitmapAlloc(&bitmap, 20, 1, 0);
    maskBitmapFillSpan(&bitmap, 0, 3, 13);
    for (int x = 0; x < 20; x++) {
        EXPECT_EQ(maskBitmapGetBit(&bitmap, x, 0), x >= 3 && x < 13) << x;
    }
    maskBitmapFillSpan(&bitmap, 0, -5, 100);
    for (int x = 0; x < 20; x++) {
        EXPECT_EQ(maskBitmapGetBit(&bitmap, x, 0), 1);
    }
    /* A smaller source: AND hides what it does not cover, OR keeps it. */
    MaskBitmap big, small;
    maskBitmapInit(&big);
    maskBitmapInit(&small);
    bitmapAlloc(&big, 40, 4, 255);
    bitmapAlloc(&small, 3, 2, 255);
    maskBitmapCombine(&big, &small, 1);
    EXPECT_EQ(maskBitmapGetBit(&big, 2, 1), 1);
    EXPECT_EQ(maskBitmapGetBit(&big, 3, 1), 0);
    EXPECT_EQ(maskBitmapGetBit(&big, 0, 2), 0);
    bitmapAlloc(&big, 40, 4, 0);
    maskBitmapCombine(&big, &small, 0);
    EXPECT_EQ(maskBitmapGetBit(&big, 1, 1), 1);
    EXPECT_EQ(maskBitmapGetBit(&big, 3, 0), 0);
    /* A larger source is read only where the destination has pixels. */
    bitmapAlloc(&small, 3, 2, 0);
    maskBitmapCombine(&small, &big, 0);
    EXPECT_EQ(maskBitmapGetBit(&small, 1, 1), 1);
    bitmapFree(&bitmap);
    bitmapFree(&big);
    bitmapFree(&small);
}

std::vector<int> convert(ram_fixtures::ServedImage &served, int n, float low, float high,
                         bool raw = false)
{
    ZoomMap map;
    zoomMapInit(&map);
    makeZoomMap(&map, n, 0, 0, 1.0);
    unsigned char table[256];
    for (int i = 0; i < 256; i++) {
        table[i] = (unsigned char)i;
    }
    std::vector<unsigned char> out(n);
    unsigned char *got = raw
        ? tulxRowToRaw(&served.image, 0, 0, map.index, 0, n, n, low, high, out.data())
        : tulxRowToIndex(&served.image, 0, 0, map.index, 0, n, n, NULL, low, high, table,
                         out.data());
    zoomMapFree(&map);
    if (got == NULL) {
        return {};
    }
    return std::vector<int>(out.begin(), out.end());
}

TEST(TulxRowConvert, NarrowTypesAndBitOrder)
{
    ram_fixtures::ServedImage msb(PIXEL_1BIT, 16, 1, 1, 1);
    msb.row(0, 0)[0] = 0x80;
    msb.row(0, 0)[1] = 0x01;
    EXPECT_EQ(convert(msb, 16, 0, 255),
              (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    ram_fixtures::ServedImage lsb(PIXEL_1BIT, 16, 1, 1, 0);
    lsb.row(0, 0)[0] = 0x80;
    lsb.row(0, 0)[1] = 0x01;
    EXPECT_EQ(convert(lsb, 16, 0, 255),
              (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0}));
    ram_fixtures::ServedImage nibbles(PIXEL_4BITS, 2, 1, 1, 1);
    nibbles.row(0, 0)[0] = 0x3c;
    EXPECT_EQ(convert(nibbles, 2, 0, 255), (std::vector<int>{3, 12}));
}

TEST(TulxRowConvert, ByteRowsGoThroughTheWholeTable)
{
    ram_fixtures::ServedImage bytes(PIXEL_BYTE, 6, 1, 1);
    unsigned char values[6] = {0, 10, 127, 200, 255, 3};
    memcpy(bytes.row(0, 0), values, sizeof values);
    /* Fixed at 0, 127 and 255 but not the identity elsewhere. */
    unsigned char table[256];
    for (int i = 0; i < 256; i++) {
        table[i] = (unsigned char)i;
    }
    table[10] = 20;
    table[200] = 100;
    table[3] = 4;
    struct Case { int n, origin, flip; double zoom; std::vector<int> want; };
    const Case cases[] = {
        {6, 0, 0, 1.0, {0, 20, 127, 100, 255, 4}},
        {4, 2, 0, 1.0, {127, 100, 255, 4}},
        {4, 0, 1, 1.0, {100, 127, 20, 0}},
        {4, 1, 0, 2.0, {20, 20, 127, 127}},
        {8, 0, 0, 1.0, {0, 20, 127, 100, 255, 4, 0, 0}},
    };
    for (const Case &c : cases) {
        ZoomMap map;
        zoomMapInit(&map);
        ASSERT_NE(makeZoomMap(&map, c.n, c.origin, c.flip, c.zoom), nullptr);
        int first, last;
        zoomMapSpan(&map, 6, &first, &last);
        std::vector<unsigned char> out(c.n);
        ASSERT_NE(tulxRowToIndex(&bytes.image, 0, 0, map.index, first, last, c.n, NULL, 0, 255,
                                 table, out.data()),
                  nullptr);
        EXPECT_EQ(std::vector<int>(out.begin(), out.end()), c.want)
            << "origin " << c.origin << " flip " << c.flip << " zoom " << c.zoom;
        zoomMapFree(&map);
    }
}

TEST(TulxRowConvert, WideTypesScaleThroughLowAndHigh)
{
    ram_fixtures::ServedImage shorts(PIXEL_SHORT, 4, 1, 1);
    int16_t values[4] = {-1000, 0, 1000, 2000};
    memcpy(shorts.row(0, 0), values, sizeof values);
    EXPECT_EQ(convert(shorts, 4, -1000, 1000), (std::vector<int>{0, 128, 255, 255}));
    /* low = high: at or above it 255, below 0. */
    EXPECT_EQ(convert(shorts, 4, 0, 0), (std::vector<int>{0, 255, 255, 255}));
    EXPECT_EQ(convert(shorts, 4, -1000, 1000, true), (std::vector<int>{0, 128, 255, 255}));

    /* Signed bytes and unsigned longs give lines like the other types. */
    ram_fixtures::ServedImage sbytes(PIXEL_BYTE, 3, 1, 1);
    sbytes.image.head.pixel = PIXEL_SBYTE;
    signed char sb[3] = {-128, 0, 127};
    memcpy(sbytes.row(0, 0), sb, 3);
    EXPECT_EQ(convert(sbytes, 3, -128, 127), (std::vector<int>{0, 128, 255}));
    ram_fixtures::ServedImage ulongs(PIXEL_ULONG, 3, 1, 1);
    uint32_t ul[3] = {0, 150, 200};
    memcpy(ulongs.row(0, 0), ul, sizeof ul);
    EXPECT_EQ(convert(ulongs, 3, 0, 200), (std::vector<int>{0, 191, 255}));
}

TEST(TulxRowFilter, EmbossSharpenAndDither)
{
    unsigned char line[4] = {50, 50, 50, 50}, previous[4];
    tulxFilterRow(4, line, previous, 1.5f, -1, 1, 0);
    EXPECT_EQ(std::vector<int>(line, line + 4), (std::vector<int>{192, 192, 192, 192}));
    unsigned char flat[4] = {80, 80, 80, 80};
    tulxFilterRow(4, flat, previous, 2.0f, 0, 1, 0);
    EXPECT_EQ(std::vector<int>(flat, flat + 4), (std::vector<int>{80, 80, 80, 80}));

    /* Mode 0 with the level tables is plain quantisation. */
    signed char errors[256];
    unsigned char indices[256], table[256];
    for (int i = 0; i < 256; i++) {
        table[i] = (unsigned char)i;
    }
    makeLevelTables(errors, NULL, 4, indices, 1.0f);
    unsigned char values[3] = {0, 100, 255}, out[3] = {0, 0, 0};
    signed char carry[4] = {0, 0, 0, 0};
    ditherRow(3, out, values, table, indices, errors, carry, 0, 0);
    EXPECT_EQ(std::vector<int>(out, out + 3), (std::vector<int>{0, 1, 3}));
}

TEST(TulxLut, LinearInvertedAndToneCurves)
{
    unsigned char lut[256];
    buildLut(lut, 256, 0, 255, 0, 255, NULL, 1.0, 0);
    EXPECT_EQ(lut[0], 0);
    EXPECT_EQ(lut[100], 100);
    EXPECT_EQ(lut[255], 255);
    buildLut(lut, 256, 255, 0, 0, 255, NULL, 1.0, 0);
    EXPECT_EQ(lut[0], 255);
    EXPECT_EQ(lut[100], 155);
    EXPECT_EQ(lut[255], 0);
    buildLut(lut, 256, 0, 255, 60, 140, NULL, 1.0, 0);
    EXPECT_EQ(lut[60], 0);
    EXPECT_EQ(lut[100], 127);
    EXPECT_EQ(lut[140], 255);
    EXPECT_DOUBLE_EQ(toneCurve(0.5, 2.0, 2), 0.5);
    EXPECT_NEAR(toneCurve(0.25, 2.0, 1), 0.125, 1e-9);
    quantizeLut(lut, 256, 36, 180);
    EXPECT_EQ(lut[140], 180);
}

}  // namespace
