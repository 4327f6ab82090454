/*
 * point_list_test.cpp --
 *
 *	Point lists: allocation and growth, 16-bit saturation, sorting,
 *	compaction, scan conversion of single polygons and the even-odd
 *	combination of chains.
 */
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core/point_list.h"

namespace {

typedef std::vector<std::pair<int, int>> Points;

PointList *makeList(std::initializer_list<std::pair<int, int>> points)
{
    PointList *list = polyNew((int)points.size());
    int i = 0;
    for (const auto &p : points) {
        list->points[i].x = (int16_t)p.first;
        list->points[i].y = (int16_t)p.second;
        i++;
    }
    return list;
}

Points pointsOf(const PointList *list)
{
    Points out;
    for (int i = 0; list != NULL && i < list->count; i++) {
        out.push_back({list->points[i].x, list->points[i].y});
    }
    return out;
}

/* The spans as "y:x0-x1" words, the form the expectations are written in. */
std::string spanText(const PointList *spans)
{
    std::string text;
    for (int i = 0; i + 1 < spans->count; i += 2) {
        if (!text.empty()) {
            text += ' ';
        }
        text += std::to_string(spans->points[i].y) + ":" + std::to_string(spans->points[i].x)
              + "-" + std::to_string(spans->points[i + 1].x);
    }
    return text;
}

std::string spansOf(std::initializer_list<std::pair<int, int>> polygon)
{
    PointList *list = makeList(polygon);
    PointList *spans = polyToSpans(list);
    std::string text = spanText(spans);
    polyFree(spans);
    polyFree(list);
    return text;
}

} // namespace

TEST(PointListAlloc, NewListHasZeroedPoints)
{
    EXPECT_TRUE(polyNew(0) == NULL);
    EXPECT_TRUE(polyNew(-3) == NULL);
    PointList *list = polyNew(3);
    ASSERT_TRUE(list != NULL);
    EXPECT_EQ(3, list->capacity);
    EXPECT_EQ(3, list->count);
    EXPECT_TRUE(list->next == NULL);
    EXPECT_EQ((Points{{0, 0}, {0, 0}, {0, 0}}), pointsOf(list));
    polyFree(list);
    polyFree(NULL);
}

TEST(PointListAlloc, ResizeKeepsPointsZeroesNewSlotsAndCutsCount)
{
    PointList *list = makeList({{1, 2}, {3, 4}, {5, 6}});
    ASSERT_TRUE(polyAllocPt(list, 5) != NULL);
    EXPECT_EQ(5, list->capacity);
    EXPECT_EQ(3, list->count);
    EXPECT_EQ(0, list->points[3].x);
    EXPECT_EQ(0, list->points[4].y);

    ASSERT_TRUE(polyAllocPt(list, 2) != NULL);
    EXPECT_EQ(2, list->capacity);
    EXPECT_EQ((Points{{1, 2}, {3, 4}}), pointsOf(list));

    EXPECT_TRUE(polyAllocPt(list, 0) == NULL);
    EXPECT_TRUE(list->points == NULL);
    EXPECT_EQ(0, list->capacity);
    EXPECT_EQ(0, list->count);
    polyFree(list);
}

TEST(PointListAlloc, AppendGrowsInSteps)
{
    PointList *list = makeList({{7, 7}});
    polyAllocPt(list, 0);
    polyAppend(list, 1, 2);
    EXPECT_EQ(POINT_LIST_GROWTH, list->capacity);
    for (int i = 1; i < POINT_LIST_GROWTH; i++) {
        polyAppend(list, i, i);
    }
    EXPECT_EQ(POINT_LIST_GROWTH, list->capacity);
    polyAppend(list, -1, -1);
    EXPECT_EQ(2 * POINT_LIST_GROWTH, list->capacity);
    EXPECT_EQ(POINT_LIST_GROWTH + 1, list->count);
    EXPECT_EQ(1, list->points[0].x);
    EXPECT_EQ(2, list->points[0].y);
    EXPECT_EQ(-1, list->points[POINT_LIST_GROWTH].x);
    polyFree(list);
}

TEST(PointListAlloc, AppendPairNeedsTwoFreeSlots)
{
    PointList *list = polyNew(3);
    list->count = 2;
    polyAppendPair(list, PolyPoint{1, 9}, PolyPoint{4, 9});
    EXPECT_EQ(3 + POINT_LIST_GROWTH, list->capacity);
    EXPECT_EQ((Points{{0, 0}, {0, 0}, {1, 9}, {4, 9}}), pointsOf(list));

    polyAllocPt(list, 0);
    polyAppendPair(list, PolyPoint{2, 3}, PolyPoint{5, 3});
    EXPECT_EQ((Points{{2, 3}, {5, 3}}), pointsOf(list));
    polyFree(list);
}

TEST(PointListCoords, WiderValuesSaturateTo16Bits)
{
    struct Case {
        int value;
        int expected;
    } cases[] = {
        {0, 0}, {-1, -1}, {32767, 32767}, {32768, 32767}, {100000, 32767},
        {-32768, -32768}, {-32769, -32768}, {-2147483647 - 1, -32768},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.expected, pointCoord(c.value)) << c.value;
    }
    PointList *list = polyNew(1);
    list->count = 0;
    polyAppend(list, 40000, -40000);
    EXPECT_EQ((Points{{32767, -32768}}), pointsOf(list));
    polyFree(list);
}

TEST(PointListSort, ByYThenXSigned)
{
    PointList *list = makeList({{3, 1}, {-2, 1}, {5, -4}, {0, 0}, {-7, 1}});
    polySortYX(list);
    EXPECT_EQ((Points{{5, -4}, {0, 0}, {-7, 1}, {-2, 1}, {3, 1}}), pointsOf(list));
    polyFree(list);
}

TEST(PointListSpans, CompactDropsEmptyPairsAndShrinks)
{
    PointList *list = makeList({{1, 0}, {1, 0}, {2, 1}, {5, 1}, {4, 2}, {4, 2}, {0, 3}, {1, 3}});
    spansCompact(list);
    EXPECT_EQ((Points{{2, 1}, {5, 1}, {0, 3}, {1, 3}}), pointsOf(list));
    EXPECT_EQ(4, list->capacity);

    PointList *empty = makeList({{3, 3}, {3, 3}});
    spansCompact(empty);
    EXPECT_EQ(0, empty->count);
    EXPECT_EQ(0, empty->capacity);
    EXPECT_TRUE(empty->points == NULL);
    polyFree(empty);
    polyFree(list);
}

TEST(PointListSpans, ScanConversionOfShapes)
{
    struct Case {
        const char *name;
        std::string spans;
        std::string expected;
    } cases[] = {
        // Corners in the order a rectangle shape is built.
        {"rectangle", spansOf({{2, 1}, {2, 4}, {6, 4}, {6, 1}}), "1:2-6 2:2-6 3:2-6"},
        {"rectangle reversed corners", spansOf({{6, 4}, {6, 1}, {2, 1}, {2, 4}}),
         "1:2-6 2:2-6 3:2-6"},
        // Apex alone on top: its row has no span; the bottom edge's row none.
        {"triangle", spansOf({{5, 0}, {9, 4}, {1, 4}}), "1:4-6 2:3-7 3:2-8"},
        // A horizontal top edge covers its row, a horizontal bottom edge not.
        {"trapezoid", spansOf({{2, 0}, {6, 0}, {8, 4}, {0, 4}}),
         "0:2-6 1:2-7 2:1-7 3:1-8"},
        {"negative coordinates", spansOf({{-3, -2}, {-3, 0}, {1, 0}, {1, -2}}),
         "-2:-3-1 -1:-3-1"},
        {"one point", spansOf({{4, 4}}), ""},
        // A line encloses nothing: both of its edges cross each row at one x.
        {"two points", spansOf({{1, 1}, {5, 5}}), "2:2-2 3:3-3 4:4-4"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.expected, c.spans) << c.name;
    }
}

TEST(PointListSpans, RepeatedClosingPointChangesNothing)
{
    std::string shapes[][2] = {
        {spansOf({{5, 0}, {9, 4}, {1, 4}}), spansOf({{5, 0}, {9, 4}, {1, 4}, {5, 0}})},
        {spansOf({{2, 1}, {2, 4}, {6, 4}, {6, 1}}), spansOf({{2, 1}, {2, 4}, {6, 4}, {6, 1}, {2, 1}})},
        {spansOf({{0, 0}, {8, 2}, {3, 9}, {1, 5}}), spansOf({{0, 0}, {8, 2}, {3, 9}, {1, 5}, {0, 0}})},
    };
    for (auto &pair : shapes) {
        EXPECT_FALSE(pair[0].empty());
        EXPECT_EQ(pair[0], pair[1]);
    }
}

TEST(PointListSpans, ResultIsNewAndPolygonUnchanged)
{
    PointList *polygon = makeList({{2, 1}, {2, 4}, {6, 4}, {6, 1}});
    PointList *spans = polyToSpans(polygon);
    ASSERT_TRUE(spans != NULL);
    EXPECT_TRUE(spans->next == NULL);
    EXPECT_EQ(POINT_LIST_GROWTH, spans->capacity);
    EXPECT_EQ((Points{{2, 1}, {2, 4}, {6, 4}, {6, 1}}), pointsOf(polygon));
    polyFree(spans);

    PointList *none = polyToSpans(NULL);
    ASSERT_TRUE(none != NULL);
    EXPECT_EQ(0, none->count);
    polyFree(none);
    polyFree(polygon);
}

TEST(PointListChain, IdenticalPolygonsCancel)
{
    PointList *chain = makeList({{2, 1}, {2, 4}, {6, 4}, {6, 1}});
    chain->next = makeList({{2, 1}, {2, 4}, {6, 4}, {6, 1}});
    PointList *spans = polyChainSpans(chain);
    ASSERT_TRUE(spans != NULL);
    EXPECT_EQ(0, spans->count);
    EXPECT_TRUE(spans->next == NULL);
    polyFree(spans);
    polyFree(chain);
}

TEST(PointListChain, EvenOddHolesAndOverlaps)
{
    // A ring inside another leaves a hole.
    PointList *rings = makeList({{0, 0}, {0, 4}, {8, 4}, {8, 0}});
    rings->next = makeList({{3, 1}, {3, 3}, {5, 3}, {5, 1}});
    PointList *spans = polyChainSpans(rings);
    EXPECT_EQ("0:0-8 1:0-3 1:5-8 2:0-3 2:5-8 3:0-8", spanText(spans));
    polyFree(spans);
    polyFree(rings);

    // Overlapping rectangles: the overlap drops out.
    PointList *overlap = makeList({{0, 0}, {0, 2}, {4, 2}, {4, 0}});
    overlap->next = makeList({{2, 1}, {2, 3}, {6, 3}, {6, 1}});
    spans = polyChainSpans(overlap);
    EXPECT_EQ("0:0-4 1:0-2 1:4-6 2:2-6", spanText(spans));
    polyFree(spans);
    polyFree(overlap);

    // Rectangles sharing an edge stay two spans that meet there.
    PointList *adjacent = makeList({{0, 0}, {0, 1}, {3, 1}, {3, 0}});
    adjacent->next = makeList({{3, 0}, {3, 1}, {5, 1}, {5, 0}});
    spans = polyChainSpans(adjacent);
    EXPECT_EQ("0:0-3 0:3-5", spanText(spans));
    polyFree(spans);
    polyFree(adjacent);

    EXPECT_TRUE(polyChainSpans(NULL) == NULL);
}
