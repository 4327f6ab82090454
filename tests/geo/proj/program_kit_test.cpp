// Degree-minute-second and number text of the projection programs.
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "geo/proj/object_kit.h"
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

// Lines are built by appending into one string kept from line to line:
// each piece is the text printf gives, whatever was there before.
TEST(ProgramNumbers, AppendedTextIsPrintfs)
{
    const char *formats[] = {"%.2f", "%.0f", "%.3f", "%.12f", "%.17f", "%12.3e", "%.9g",
                             "%+.4f", "%d", "%s %f", "no conversion", nullptr};
    std::mt19937_64 bits(11);
    std::vector<double> values = {0.0, -0.0, -0.001, 0.005, 0.015, 2.675, -2.675, 1.005,
                                  0.125, 1e300, -1e300, 1e-300, HUGE_VAL, -HUGE_VAL, NAN,
                                  123456789.125, 9007199254740993.0, 5e-324};
    for (int i = 0; i < 2000; i++) {
        values.push_back(ldexp((double)(bits() >> 11), -(int)(bits() % 70)) *
                         (bits() & 1 ? -1 : 1));
    }
    std::string line = "kept\t";
    for (const char *format : formats) {
        for (double v : values) {
            char expected[600];
            snprintf(expected, sizeof expected, "%.12g", v);
            std::string printed = formatNumber(format, v);
            if (format != nullptr && strchr(format, 'd') == nullptr &&
                strchr(format, 's') == nullptr && strchr(format, '%') != nullptr) {
                snprintf(expected, sizeof expected, format, v);
            }
            ASSERT_EQ(printed, expected) << (format ? format : "(none)") << " " << v;
            line.resize(5);
            appendNumber(line, format, v);
            ASSERT_EQ(line, std::string("kept\t") + expected);
        }
    }
}

TEST(ProgramNumbers, AppendedAnglesAreRtodms)
{
    setRtodms(3, 0);
    std::string line = "x";
    for (double d : {9.0, -9.5, 47.999998, 0.0, -0.5, 12.5 / 3600, 179.9999999}) {
        line.resize(1);
        appendRtodms(line, d * deg, 'N', 'S');
        EXPECT_EQ(line, "x" + rtodms(d * deg, 'N', 'S'));
    }
}

}  // namespace
