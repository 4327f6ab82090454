/*
 * ram_draw_test.cpp --
 *
 *	Lines, polylines and filled polygons drawn into one band of a
 *	memory image: pixels written, counts, clipping and bands.
 */
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "ramimage/ram_draw.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

namespace {

typedef std::set<std::pair<int, int>> Pixels;   /* (x, y) */

class RamDraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        ImageHead head;
        initImageHead(&head);
        head.imgid = IMGID_MBSQ;
        head.pixel = PIXEL_BYTE;
        head.bits = 8;
        head.columns = 10;
        head.rows = 10;
        head.nbands = 2;
        head.block = 10;
        head.transparent = -1;
        head.dataFd = -1;
        int err = 0;
        image = openRAMImage("ram_draw_test", NULL, &head, NULL, &err);
        ASSERT_NE(image, nullptr);
    }
    void TearDown() override { closeRAMImage(image, NULL); }

    /* The pixels of band holding value. */
    Pixels pixelsOf(int band, int value)
    {
        Pixels out;
        unsigned char row[10];
        for (int y = 0; y < 10; y++) {
            getRowByte(image, y, 0, 10, band, row);
            for (int x = 0; x < 10; x++) {
                if (row[x] == value) {
                    out.insert({x, y});
                }
            }
        }
        return out;
    }

    PointList *points(std::vector<std::pair<int, int>> xy)
    {
        PointList *list = polyNew((int)xy.size());
        for (size_t i = 0; i < xy.size(); i++) {
            list->points[i].x = (int16_t)xy[i].first;
            list->points[i].y = (int16_t)xy[i].second;
        }
        return list;
    }

    RAMIMG *image = nullptr;
};

TEST_F(RamDraw, LineRoundsTheMinorAxisHalvesAwayFromZero)
{
    EXPECT_EQ(ramImageDrawLine(image, 0, 7, 0, 0, 4, 2), 5);
    EXPECT_EQ(pixelsOf(0, 7), (Pixels{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));
}

TEST_F(RamDraw, LinesInEveryDirectionIncludeBothEnds)
{
    struct Case {
        int x0, y0, x1, y1;
        Pixels expected;
    } cases[] = {
        {4, 2, 0, 0, {{4, 2}, {3, 2}, {2, 1}, {1, 1}, {0, 0}}},
        {0, 0, 0, 3, {{0, 0}, {0, 1}, {0, 2}, {0, 3}}},
        {3, 0, 0, 3, {{3, 0}, {2, 1}, {1, 2}, {0, 3}}},
        {0, 0, 2, 6, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 5}, {2, 6}}},
        /* A slope of 5/7 summed in single precision must not lose the end. */
        {0, 0, 7, 5, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {6, 4}, {7, 5}}},
    };
    int value = 1;
    for (const Case &c : cases) {
        EXPECT_EQ(ramImageDrawLine(image, 1, value, c.x0, c.y0, c.x1, c.y1),
                  (int)c.expected.size());
        EXPECT_EQ(pixelsOf(1, value), c.expected) << c.x0 << "," << c.y0 << " " << c.x1 << ","
                                                  << c.y1;
        value++;
    }
}

TEST_F(RamDraw, OnlyPixelsInsideTheImageAndBandAreWritten)
{
    EXPECT_EQ(ramImageDrawLine(image, 0, 255, 0, 0, 20, 20), 10);
    EXPECT_EQ(pixelsOf(0, 255).size(), 10u);
    EXPECT_EQ(ramImageDrawLine(image, 0, 9, -5, 3, -1, 3), 0);
    EXPECT_EQ(ramImageDrawLine(image, 0, 9, 3, 3, 3, 3), 1);
    EXPECT_EQ(ramImageDrawLine(image, 0, 9, 30, 3, 30, 3), 0);
    EXPECT_EQ(ramImageDrawLine(image, 2, 9, 0, 0, 5, 0), 0);
    EXPECT_EQ(pixelsOf(0, 9), (Pixels{{3, 3}}));
    EXPECT_TRUE(pixelsOf(1, 255).empty());
}

TEST_F(RamDraw, PolylineDrawsEverySegmentAndCountsThem)
{
    PointList *list = points({{0, 0}, {3, 0}, {3, 2}});
    EXPECT_EQ(ramImageDrawPolyline(image, 0, 5, list), 2);
    EXPECT_EQ(pixelsOf(0, 5), (Pixels{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}}));
    list->count = 1;
    EXPECT_EQ(ramImageDrawPolyline(image, 0, 6, list), 0);
    EXPECT_TRUE(pixelsOf(0, 6).empty());
    polyFree(list);
}

TEST_F(RamDraw, PolygonFillsItsSpansClippedToTheImage)
{
    PointList *square = points({{2, 2}, {6, 2}, {6, 6}, {2, 6}});
    EXPECT_EQ(ramImageFillPolygon(image, 1, 200, square), 4);
    Pixels expected;
    for (int y = 2; y < 6; y++) {
        for (int x = 2; x < 6; x++) {
            expected.insert({x, y});
        }
    }
    EXPECT_EQ(pixelsOf(1, 200), expected);
    polyFree(square);

    PointList *large = points({{-5, -5}, {20, -5}, {20, 3}, {-5, 3}});
    ramImageFillPolygon(image, 0, 100, large);
    EXPECT_EQ(pixelsOf(0, 100).size(), 30u);
    polyFree(large);
}

}  // namespace
