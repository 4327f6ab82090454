/*
 * gcanvas_geometry_test.cpp --
 *
 *	Canvas conversions that need no window: drawable coordinates with
 *	clamping, ring conversion with repeated and collinear points removed,
 *	the part holding a vertex, grid alignment, scroll fractions and dash
 *	patterns.
 */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "canvas/gcanvas.h"
#include "canvas/gcanvas_outline.h"

namespace {

TEST(GcanvasDrawableCoords, RoundsHalvesAwayAndClamps)
{
    struct { int origin; double value; int expected; } cases[] = {
        {0, 2.5, 3}, {0, -2.5, -3}, {0, 0.0, 0}, {0, 1e12, 32767}, {0, -1e12, -32768},
        {10, 5.2, -5}, {0, 32767.4, 32767}, {0, -32768.9, -32768}, {-2147483647, 1e300, 32767},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(gcanvasDrawableCoords(c.origin, c.value), c.expected) << c.origin << " " << c.value;
    }
}

/* A widget record with just the transform and origins set. */
struct Fixture {
    GcanvasWidget w;
    Fixture(double mx, double my, double vx, double vy)
    {
        memset((void *)&w, 0, sizeof w);
        w.canvasPtr = &w;
        w.mx = mx;
        w.my = my;
        w.sxOrigin = mx * vx;
        w.syOrigin = my * vy;
    }
};

std::vector<std::pair<int, int>> ring(GcCanvas c, std::vector<double> pts)
{
    std::vector<XPoint> out(pts.size());
    int n = worldToScreenRing(c, pts.data(), out.data(), (int)pts.size() / 2);
    std::vector<std::pair<int, int>> r;
    for (int i = 0; i < n; i++) r.push_back({out[i].x, out[i].y});
    return r;
}

TEST(GcanvasTransform, WorldAndCanvasPixels)
{
    Fixture f(2, -1, 10, 0);
    EXPECT_DOUBLE_EQ(worldToCanvasX(&f.w, 10), 0);
    EXPECT_DOUBLE_EQ(worldToCanvasX(&f.w, 11), 2);
    EXPECT_DOUBLE_EQ(worldToCanvasY(&f.w, 5), -5);
    double in[2] = {2, -5}, out[2];
    screenToWorldPoints(&f.w, in, out, 1);
    EXPECT_DOUBLE_EQ(out[0], 11);
    EXPECT_DOUBLE_EQ(out[1], 5);
    double r[4];
    worldRectToScreen(&f.w, 10, 0, 20, 100, r);
    EXPECT_EQ(std::vector<double>(r, r + 4), (std::vector<double>{0, -100, 20, 0}));
}

TEST(GcanvasTransform, RingsDropRepeatsAndStraightRuns)
{
    Fixture f(1, 1, 0, 0);
    typedef std::vector<std::pair<int, int>> P;
    EXPECT_EQ(ring(&f.w, {0, 0, 0, 0.2, 0, 0.4}), (P{{0, 0}, {0, 0}}));
    EXPECT_EQ(ring(&f.w, {0, 0, 0, 5, 0, 10}), (P{{0, 0}, {0, 10}}));
    EXPECT_EQ(ring(&f.w, {0, 0, 0, 10, 0, 5}), (P{{0, 0}, {0, 10}, {0, 5}}));
    EXPECT_EQ(ring(&f.w, {0, 0, 10, 10, 5, 5}), (P{{0, 0}, {5, 5}}));
    EXPECT_EQ(ring(&f.w, {0, 0, 10, 0, 10, 10, 0, 10, 0, 0}),
              (P{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}));
}

TEST(GcanvasTransform, PartOfVertex)
{
    int sizes[2] = {3, 4};
    struct { int vertex, part; } cases[] = {{2, 0}, {3, 1}, {100, 1}, {-1, 0}};
    for (const auto &c : cases) EXPECT_EQ(partOfVertex(c.vertex, sizes, 2), c.part) << c.vertex;
    EXPECT_EQ(partOfVertex(0, sizes, 0), -1);
}

TEST(GcanvasScroll, GridAndFractions)
{
    EXPECT_DOUBLE_EQ(gridAlign(14, 10), 10);
    EXPECT_DOUBLE_EQ(gridAlign(15, 10), 20);
    EXPECT_DOUBLE_EQ(gridAlign(-15, 10), -20);
    EXPECT_DOUBLE_EQ(gridAlign(3.3, 0), 3.3);
    char buf[64];
    printScrollFractions(0, 400, 0, 1000, buf);
    EXPECT_STREQ(buf, "0 0.4");
    printScrollFractions(1900, 2300, 0, 1000, buf);
    EXPECT_STREQ(buf, "1.9 2.3");
    printScrollFractions(0, 400, 5, 5, buf);
    EXPECT_STREQ(buf, "0 1");
}

std::string dashes(const char *pattern, double width)
{
    char out[64];
    int n = dashConvert(out, pattern, -1, width);
    std::string s;
    for (int i = 0; i < n; i++) s += (i ? " " : "") + std::to_string((unsigned char)out[i]);
    return n < 0 ? "bad" : s;
}

TEST(GcanvasDash, PatternCharacters)
{
    EXPECT_EQ(dashes("-.", 1), "6 4 2 4");
    EXPECT_EQ(dashes("-.", 3), "18 12 6 12");
    EXPECT_EQ(dashes("- ", 1), "6 6");
    EXPECT_EQ(dashes(" -", 1), "");
    EXPECT_EQ(dashes("_,", 0), "8 4 4 4");
    EXPECT_EQ(dashes("-x", 1), "bad");
}

} // namespace

#include "canvas/gcanvas_postscript.h"

namespace {

/* On TrueColor screens a pixel value's colour comes from the visual's
 * masks; no colour table is read (there is none to fill). */
TEST(GcanvasPsImage, PixelColoursFromMasksOnTrueColor)
{
    PsVisualInfo tc = {1, 0xff0000, 0x00ff00, 0x0000ff, 256};
    double r, g, b;
    psPixelColor(&tc, nullptr, 0xff8000, &r, &g, &b);
    EXPECT_DOUBLE_EQ(r, 1.0);
    EXPECT_NEAR(g, 128.0 / 255.0, 1e-12);
    EXPECT_DOUBLE_EQ(b, 0.0);
    PsVisualInfo rgb565 = {1, 0xf800, 0x07e0, 0x001f, 64};
    psPixelColor(&rgb565, nullptr, 0x07e0, &r, &g, &b);
    EXPECT_EQ(std::vector<double>({r, g, b}), (std::vector<double>{0.0, 1.0, 0.0}));
    XColor cells[2];
    cells[1].red = 65535;
    cells[1].green = 0;
    cells[1].blue = 32768;
    PsVisualInfo pseudo = {0, 0, 0, 0, 2};
    psPixelColor(&pseudo, cells, 1, &r, &g, &b);
    EXPECT_DOUBLE_EQ(r, 1.0);
    EXPECT_DOUBLE_EQ(g, 0.0);
    EXPECT_NEAR(b, 0.5, 1e-4);
    psPixelColor(&pseudo, cells, 7, &r, &g, &b);
    EXPECT_DOUBLE_EQ(r + g + b, 0.0);
}

TEST(GcanvasPsPoints, UnitsAndErrors)
{
    double d;
    EXPECT_EQ(getPostscriptPoints(nullptr, "2i", &d), TCL_OK);
    EXPECT_DOUBLE_EQ(d, 144.0);
    EXPECT_EQ(getPostscriptPoints(nullptr, "1 c ", &d), TCL_OK);
    EXPECT_DOUBLE_EQ(d, 72.0 / 2.54);
}

} // namespace
