// Degree-minute-second text of the projection programs.
#include <gtest/gtest.h>
#include <math.h>

#include "geo/proj/program_kit.h"

namespace {

const double deg = M_PI / 180;

TEST(Rtodms, FieldsTrimmedAndHemispheres)
{
    setRtodms(3, 0);
    struct { double degrees; int pos, neg; const char *text; } cases[] = {
        {9, 'E', 'W', "9dE"},
        {-9.5, 'E', 'W', "9d30'W"},
        {48.25, 'N', 'S', "48d15'N"},
        {47.999998, 'N', 'S', "47d59'59.993\"N"},
        {10.360279, 'E', 'W', "10d21'37.004\"E"},
        {-0.5, 0, 0, "-0d30'"},
        {0.373033, 0, 0, "0d22'22.919\""},
        {12.5 / 3600, 0, 0, "0d0'12.5\""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(rtodms(c.degrees * deg, c.pos, c.neg), c.text) << c.degrees;
    }
}

TEST(Rtodms, DigitsAndFullWidth)
{
    setRtodms(5, 0);
    EXPECT_EQ(rtodms(47.999998 * deg, 'N', 'S'), "47d59'59.9928\"N");
    setRtodms(2, 1);
    EXPECT_EQ(rtodms(9 * deg, 'E', 'W'), "9d00'00.00\"E");
    setRtodms(0, 1);
    EXPECT_EQ(rtodms(9.5 * deg, 'E', 'W'), "9d30'00\"E");
    setRtodms(3, 0);
}

TEST(Rtodms, NotANumberOrInfinityGivesText)
{
    EXPECT_FALSE(rtodms(NAN, 'E', 'W').empty());
    EXPECT_FALSE(rtodms(HUGE_VAL, 0, 0).empty());
}

}  // namespace
