/*
 * georef_line_test.cpp --
 *
 *	The georeference line: its text, exact round trips of the doubles,
 *	projection words, and texts that are not a line.
 */
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include "core/vocabulary.h"
#include "ramimage/georef_line.h"

namespace {

ImageHead headWith(int mapid, double x0, double y0, double dx, double dy)
{
    ImageHead head;
    memset(&head, 0, sizeof head);
    head.mapid = mapid;
    head.x0 = x0;
    head.y0 = y0;
    head.dx = dx;
    head.dy = dy;
    head.z0 = 7.0;
    return head;
}

std::string lineOf(const ImageHead &head, int *stored = nullptr)
{
    char buffer[GEOREF_LINE_SIZE];
    memset(buffer, 'x', sizeof buffer);
    int n = formatGeorefLine(&head, buffer);
    if (stored != nullptr) {
        *stored = n;
    }
    return buffer;
}

/* A head whose every field read by the parser is a marker value. */
ImageHead markedHead()
{
    return headWith(-7, -1.5, -2.5, -3.5, -4.5);
}

TEST(GeorefLine, WritesTheLineWithItsZero)
{
    int stored = 0;
    std::string line = lineOf(headWith(mapidFromName("UTM"), 500000, 4e6, 30, -30), &stored);
    EXPECT_EQ("ovex proj:UTM x0:500000 y0:4000000 dx:30 dy:-30", line);
    EXPECT_EQ((int)line.size() + 1, stored);
}

TEST(GeorefLine, NumberedSystemsRoundTrip)
{
    ImageHead head = headWith(32633, 1, 2, 3, 4);
    std::string line = lineOf(head);
    EXPECT_EQ(0u, line.find("ovex proj:PCS32633 x0:1 "));
    ImageHead back = markedHead();
    ASSERT_EQ(1, parseGeorefLine(&back, line.c_str()));
    EXPECT_EQ(32633, back.mapid);
}

TEST(GeorefLine, DoublesComeBackExactly)
{
    const double values[] = {0.1, 1.0 / 3.0, -123456789.123456789, 1e300, -DBL_MIN,
                             4.9406564584124654e-324, -DBL_MAX, 0.0};
    for (double v : values) {
        ImageHead head = headWith(2, v, -v, v * 0.5, v);
        std::string line = lineOf(head);
        ASSERT_LT(line.size(), (size_t)GEOREF_LINE_SIZE);
        ImageHead back = markedHead();
        ASSERT_EQ(1, parseGeorefLine(&back, line.c_str())) << line;
        EXPECT_EQ(head.x0, back.x0) << line;
        EXPECT_EQ(head.y0, back.y0) << line;
        EXPECT_EQ(head.dx, back.dx) << line;
        EXPECT_EQ(head.dy, back.dy) << line;
        EXPECT_EQ(2, back.mapid);
        EXPECT_EQ(7.0, back.z0);  /* not part of the line */
    }
}

TEST(GeorefLine, TheLongestLineFits)
{
    int stored = 0;
    std::string line = lineOf(headWith(65535, -DBL_MIN, -DBL_MAX, -4.9406564584124654e-324,
                                       -1.0 / 3.0), &stored);
    EXPECT_EQ((int)line.size() + 1, stored);
    ImageHead back = markedHead();
    EXPECT_EQ(1, parseGeorefLine(&back, line.c_str()));
    EXPECT_EQ(-DBL_MAX, back.y0);
}

TEST(GeorefLine, ReadsLooseWhiteSpaceAndIgnoresTheRest)
{
    ImageHead head = markedHead();
    ASSERT_EQ(1, parseGeorefLine(&head, "ovex\n proj:LATLONG \tx0:1.5  y0:-2 dx:0.25\ndy:4e-3 tail"));
    EXPECT_EQ(mapidFromName("LATLONG"), head.mapid);
    EXPECT_EQ(1.5, head.x0);
    EXPECT_EQ(-2.0, head.y0);
    EXPECT_EQ(0.25, head.dx);
    EXPECT_EQ(4e-3, head.dy);
}

TEST(GeorefLine, AnUnknownProjectionStillSetsTheNumbers)
{
    ImageHead head = markedHead();
    ASSERT_EQ(1, parseGeorefLine(&head, "ovex proj:NOSUCH x0:1 y0:2 dx:3 dy:4"));
    EXPECT_EQ(-1, head.mapid);
    EXPECT_EQ(1.0, head.x0);
    EXPECT_EQ(4.0, head.dy);
}

TEST(GeorefLine, TextsThatAreNotALineChangeNothing)
{
    const std::string longWord(200, 'P');
    const std::string texts[] = {
        "ovex proj:UTM x0:1 y0:2",                    /* stops after y0 */
        "ovex proj:UTM x0:1 y0:2 dx:3 dy:",
        "ovex proj:UTM x0:1 y0:2 dx:3 dz:4",
        "OVEX proj:UTM x0:1 y0:2 dx:3 dy:4",
        " ovex proj:UTM x0:1 y0:2 dx:3 dy:4",
        "ovex proj: x0:1 y0:2 dx:3 dy:4",             /* the word would be x0:1 */
        "ovex proj:" + longWord + " x0:1 y0:2 dx:3 dy:4",
        "",
    };
    for (const std::string &text : texts) {
        ImageHead head = markedHead();
        EXPECT_EQ(0, parseGeorefLine(&head, text.c_str())) << text;
        EXPECT_EQ(-7, head.mapid) << text;
        EXPECT_EQ(-1.5, head.x0) << text;
        EXPECT_EQ(-2.5, head.y0) << text;
        EXPECT_EQ(-3.5, head.dx) << text;
        EXPECT_EQ(-4.5, head.dy) << text;
    }
    ImageHead head = markedHead();
    EXPECT_EQ(0, parseGeorefLine(&head, NULL));
}

TEST(GeorefLine, BytesWithoutAZero)
{
    const char text[] = "ovex proj:UTM x0:1 y0:2 dx:3 dy:45";
    std::string bytes(text, strlen(text));
    ImageHead head = markedHead();
    /* Only the given bytes count: dy is read as 4. */
    ASSERT_EQ(1, parseGeorefBytes(&head, (const unsigned char *)bytes.data(), bytes.size() - 1));
    EXPECT_EQ(4.0, head.dy);

    ImageHead other = markedHead();
    EXPECT_EQ(0, parseGeorefBytes(&other, (const unsigned char *)bytes.data(), 20));
    EXPECT_EQ(-7, other.mapid);
}

}  // namespace
