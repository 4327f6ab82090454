/*
 * roi_polygon_test.cpp --
 *
 *	parseRoiPolygon: coordinate lists into point lists, the least count
 *	of values, rounding and the error text.
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

}  // namespace
