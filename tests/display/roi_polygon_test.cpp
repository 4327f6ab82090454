/*
 * roi_polygon_test.cpp --
 *
 *	parseRoiPolygon: coordinate lists into point lists, the least count
 *	of values, rounding and the error text; oval outlines and shape
 *	chains.
 */
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <tcl.h>

#include "display/roi_polygon.h"

namespace {

typedef std::vector<std::pair<int, int>> Points;

class RoiPolygon : public ::testing::Test {
protected:
    void SetUp() override { interp = Tcl_CreateInterp(); }
    void TearDown() override { Tcl_DeleteInterp(interp); }

    Points parse(int minCount, const char *text)
    {
        PointList *list = parseRoiPolygon(interp, minCount, text);
        Points out;
        if (list == NULL) {
            return out;
        }
        for (int i = 0; i < list->count; i++) {
            out.push_back({list->points[i].x, list->points[i].y});
        }
        EXPECT_EQ(list->next, nullptr);
        polyFree(list);
        return out;
    }

    Tcl_Interp *interp;
};

TEST_F(RoiPolygon, ValuesBecomePointsInOrder)
{
    EXPECT_EQ(parse(4, "0 0 9 9"), (Points{{0, 0}, {9, 9}}));
    EXPECT_EQ(parse(6, "{1} 2 3 4 5 6"), (Points{{1, 2}, {3, 4}, {5, 6}}));
    EXPECT_STREQ(Tcl_GetStringResult(interp), "");
}

TEST_F(RoiPolygon, ValuesRoundHalvesAwayFromZeroAndReadTheirLeadingNumber)
{
    EXPECT_EQ(parse(4, "2.5 -2.5 1.49 -0.5"), (Points{{3, -3}, {1, -1}}));
    EXPECT_EQ(parse(4, "12abc x 1e1 7"), (Points{{12, 0}, {10, 7}}));
    /* Beyond 16 bits a coordinate saturates. */
    EXPECT_EQ(parse(4, "40000 -40000 0 0"), (Points{{32767, -32768}, {0, 0}}));
}

TEST_F(RoiPolygon, TooFewOrOddValuesFailWithTheMessage)
{
    struct Case {
        int minCount;
        const char *text;
    } cases[] = {{4, "0 0 9"}, {6, "0 0 1 1"}, {4, "0 0 1 1 2"}, {4, ""}, {0, ""}};
    for (const Case &c : cases) {
        Tcl_ResetResult(interp);
        EXPECT_EQ(parseRoiPolygon(interp, c.minCount, c.text), nullptr) << c.text;
        EXPECT_STREQ(Tcl_GetStringResult(interp), "Error in parsing polygon.\n") << c.text;
    }
}

TEST_F(RoiPolygon, TextThatIsNoListKeepsTclsMessageFirst)
{
    EXPECT_EQ(parseRoiPolygon(interp, 4, "0 {0 9 9"), nullptr);
    EXPECT_EQ(std::string(Tcl_GetStringResult(interp)),
              "unmatched open brace in listError in parsing polygon.\n");
}

static Points pointsOf(const PointList *list)
{
    Points out;
    for (int i = 0; list != NULL && i < list->count; i++) {
        out.push_back({list->points[i].x, list->points[i].y});
    }
    return out;
}

TEST_F(RoiPolygon, OvalsFollowTheLongerSideAndSmallBoxesStayRectangles)
{
    PointList *oval = parseRoiOval(interp, "10 4 0 0");
    ASSERT_NE(oval, nullptr);
    Points points = pointsOf(oval);
    ASSERT_EQ(points.size(), 18u);
    /* Columns 0..8 along the upper half, then 9 down to 1 along the lower. */
    for (int i = 0; i < 9; i++) {
        EXPECT_EQ(points[i].first, i);
        EXPECT_EQ(points[9 + i].first, 9 - i);
        EXPECT_LE(points[i].second, points[9 + i].second);
    }
    EXPECT_EQ(points[0], (std::pair<int, int>{0, 2}));
    EXPECT_EQ(points[4], (std::pair<int, int>{4, 0}));
    EXPECT_EQ(points[13], (std::pair<int, int>{5, 3}));
    polyFree(oval);

    PointList *tall = parseRoiOval(interp, "0 0 4 10");
    ASSERT_NE(tall, nullptr);
    EXPECT_EQ(tall->count, 18);
    EXPECT_EQ(tall->points[0].y, 0);
    EXPECT_EQ(tall->points[9].y, 9);
    polyFree(tall);

    PointList *small = parseRoiOval(interp, "1.4 1 3 3.2");
    EXPECT_EQ(pointsOf(small), (Points{{1, 1}, {1, 3}, {3, 3}, {3, 1}}));
    polyFree(small);

    Tcl_ResetResult(interp);
    EXPECT_EQ(parseRoiOval(interp, "1 2 3"), nullptr);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "Error in parsing oval.\n");
}

TEST_F(RoiPolygon, ShapeChainsListTheLastShapeFirstAndFailWhole)
{
    const char *words[] = {"rc", "0 0 2 3", "pl", "0 0 5 0 5 5", "ov", "0 0 2 2"};
    PointList *chain = parseRoiShapes(interp, 6, words);
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->count, 4);                 /* the small oval, a rectangle */
    ASSERT_NE(chain->next, nullptr);
    EXPECT_EQ(pointsOf(chain->next), (Points{{0, 0}, {5, 0}, {5, 5}}));
    ASSERT_NE(chain->next->next, nullptr);
    EXPECT_EQ(pointsOf(chain->next->next), (Points{{0, 0}, {0, 3}, {2, 3}, {2, 0}}));
    EXPECT_EQ(chain->next->next->next, nullptr);
    polyFree(chain);

    struct Case {
        int n;
        const char *words[4];
        const char *message;
    } cases[] = {
        {3, {"rc", "0 0 1 1", "pl"}, "Missing coordinates of shape: pl\n"},
        {4, {"rc", "0 0 1 1", "sq", "1 2"}, "Unknown obj type: sq"},
        {2, {"rc", "0 0 1"}, "Error in parsing rectangle.\n"},
        {4, {"ov", "0 0 9 9", "pl", "0 0 1 1"}, "Error in parsing polygon.\n"},
    };
    for (const Case &c : cases) {
        Tcl_ResetResult(interp);
        EXPECT_EQ(parseRoiShapes(interp, c.n, c.words), nullptr) << c.message;
        EXPECT_STREQ(Tcl_GetStringResult(interp), c.message);
    }
}

}  // namespace
