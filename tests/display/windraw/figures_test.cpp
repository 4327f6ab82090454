/*
 * figures_test.cpp --
 *
 *	Polygons of rings and holes, long polylines, dashes, stipples and
 *	draw batches, read back from a pixmap (needs a display); the ring
 *	orientation and palette queries on a true-colour screen.
 */
#include <limits.h>
#include <math.h>

#include "display/windraw/draw_fixture.h"
#include "display/windraw/lines_split.h"
#include "ovex/draw.h"

namespace {

/* A square ring: counter-clockwise on the screen (an outer ring) or
 * clockwise (a hole). */
std::vector<XPoint> square(short x, short y, short side, bool hole)
{
    std::vector<XPoint> ring = {{x, y}, {(short)(x + side), y},
                                {(short)(x + side), (short)(y + side)},
                                {x, (short)(y + side)}};
    if (!hole) {
        std::swap(ring[1], ring[3]);
    }
    return ring;
}

std::vector<XPoint> relative(const std::vector<XPoint> &ring)
{
    std::vector<XPoint> out = ring;
    for (size_t i = ring.size() - 1; i > 0; i--) {
        out[i].x = (short)(ring[i].x - ring[i - 1].x);
        out[i].y = (short)(ring[i].y - ring[i - 1].y);
    }
    return out;
}

TEST(RingArea, SignTellsHolesAndSurvivesHugeRings)
{
    XPoint unit[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    EXPECT_EQ(-2, ringAreaInt(unit, 4));
    XPoint reversed[] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    EXPECT_EQ(2, ringAreaInt(reversed, 4));
    EXPECT_EQ(0, ringAreaInt(unit, 0));
    EXPECT_EQ(0, ringAreaInt(NULL, 4));
    /* Twice the area is about 2^33: a 32-bit sum would wrap. */
    XPoint huge[] = {{-32768, -32768}, {32767, -32768}, {32767, 32767}, {-32768, 32767}};
    EXPECT_EQ(INT_MIN, ringAreaInt(huge, 4));
    XPoint hugeReversed[] = {{-32768, 32767}, {32767, 32767}, {32767, -32768}, {-32768, -32768}};
    EXPECT_EQ(INT_MAX, ringAreaInt(hugeReversed, 4));
    std::vector<XPoint> hole = square(0, 0, 30000, true);
    EXPECT_LT(ringAreaInt(hole.data(), 4), 0);
}

class FiguresWithDisplay : public DrawFixture {
protected:
    /* Fills rings (joined) and returns how many pixels were painted. */
    int fillRings(GC gc, const std::vector<std::vector<XPoint>> &rings, int mode)
    {
        std::vector<XPoint> points;
        std::vector<int> sizes;
        for (const auto &ring : rings) {
            std::vector<XPoint> r = mode == CoordModePrevious ? relative(ring) : ring;
            points.insert(points.end(), r.begin(), r.end());
            sizes.push_back((int)r.size());
        }
        clear();
        fillPolygonRings(display, pixmap, gc, points.data(), (int)rings.size(), sizes.data(),
                         Complex, mode);
        return painted();
    }
};

TEST_F(FiguresWithDisplay, RingsHolesAndStrayRings)
{
    GC gc = makeGC(black);
    auto outer = square(10, 10, 80, false);
    auto hole = square(30, 30, 40, true);
    auto stray = square(150, 150, 40, true);
    const int modes[] = {CoordModeOrigin, CoordModePrevious};
    for (int mode : modes) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(6400, fillRings(gc, {outer, hole, stray}, mode));
        std::vector<unsigned long> p = pixels();
        EXPECT_EQ(white, at(p, 50, 50));       /* in the hole */
        EXPECT_EQ(black, at(p, 15, 15));
        EXPECT_EQ(black, at(p, 160, 160));     /* the stray ring is added */
        /* Only holes: each ring filled. */
        EXPECT_EQ(3200, fillRings(gc, {hole, stray}, mode));
        /* One ring, either way round. */
        EXPECT_EQ(1600, fillRings(gc, {hole}, mode));
        EXPECT_EQ(6400, fillRings(gc, {outer}, mode));
        /* Two outer rings overlapping: their union. */
        EXPECT_EQ(6400 + 1600 - 400, fillRings(gc, {outer, square(70, 70, 40, false)}, mode));
    }
    /* Rings of two points or fewer are stepped over. */
    std::vector<XPoint> points = {{0, 0}, {5, 5}};
    auto o = outer, h = hole;
    points.insert(points.end(), o.begin(), o.end());
    points.insert(points.end(), h.begin(), h.end());
    int sizes[] = {2, 4, 4};
    clear();
    fillPolygonRings(display, pixmap, gc, points.data(), 3, sizes, Complex, CoordModeOrigin);
    EXPECT_EQ(4800, painted());
}

TEST_F(FiguresWithDisplay, CallersClipCutsTheRingsAndTheGCIsLeftAlone)
{
    GC gc = makeGC(black);
    XRectangle left = {0, 0, 50, kSide};
    XSetClipRectangles(display, gc, 0, 0, &left, 1, Unsorted);
    XGCValues before;
    XGetGCValues(display, gc, GCForeground | GCFunction | GCFillStyle | GCClipXOrigin, &before);
    /* 10..50 of the 80-square minus 30..50 of the hole. */
    EXPECT_EQ(40 * 80 - 20 * 40,
              fillRings(gc, {square(10, 10, 80, false), square(30, 30, 40, true)},
                        CoordModeOrigin));
    XGCValues after;
    XGetGCValues(display, gc, GCForeground | GCFunction | GCFillStyle | GCClipXOrigin, &after);
    EXPECT_EQ(before.foreground, after.foreground);
    EXPECT_EQ(before.function, after.function);
    EXPECT_EQ(before.fill_style, after.fill_style);
    /* The clip is still the caller's rectangle. */
    clear();
    XFillRectangle(display, pixmap, gc, 0, 0, 100, 10);
    EXPECT_EQ(500, painted());
}

TEST_F(FiguresWithDisplay, DoubleDashShowsBothColoursOnly)
{
    unsigned long red = rgb(255, 0, 0), green = rgb(0, 255, 0);
    GC gc = makeGC(red);
    XSetBackground(display, gc, green);
    XSetLineAttributes(display, gc, 3, LineDoubleDash, CapButt, JoinMiter);
    char dashes[] = {6, 4};
    XSetDashes(display, gc, 0, dashes, 2);
    XPoint line[] = {{10, 20}, {200, 20}, {200, 120}};
    XDrawLines(display, pixmap, gc, line, 3, CoordModeOrigin);
    int reds = 0, greens = 0, others = 0;
    for (unsigned long p : pixels()) {
        if (p == red) reds++;
        else if (p == green) greens++;
        else if (p != white) others++;
    }
    EXPECT_GT(reds, 100);
    EXPECT_GT(greens, 100);
    EXPECT_EQ(0, others);
}

TEST_F(FiguresWithDisplay, LongWidePolylinesPaintEveryVertexInOneOrManyPieces)
{
    GC gc = makeGC(black);
    XSetLineAttributes(display, gc, 3, LineSolid, CapButt, JoinMiter);
    std::vector<XPoint> zigzag;
    for (int i = 0; i < 3000; i++) {
        int row = i / 60, col = i % 60;
        zigzag.push_back({(short)(10 + (row % 2 ? 59 - col : col) * 4), (short)(10 + row * 4)});
    }
    drawLinesSplit(display, pixmap, gc, zigzag.data(), 3000, CoordModeOrigin);
    std::vector<unsigned long> whole = pixels();
    for (const XPoint &p : zigzag) {
        ASSERT_EQ(black, at(whole, p.x, p.y)) << p.x << "," << p.y;
    }
    /* Pieces of 1360 points sharing their ends paint the vertices too,
     * from absolute or relative points. */
    const int modes[] = {CoordModeOrigin, CoordModePrevious};
    for (int mode : modes) {
        clear();
        std::vector<XPoint> points = mode == CoordModePrevious ? relative(zigzag) : zigzag;
        drawLinesInPieces(display, pixmap, gc, points.data(), 3000, mode, 1360);
        std::vector<unsigned long> pieces = pixels();
        for (const XPoint &p : zigzag) {
            ASSERT_EQ(black, at(pieces, p.x, p.y)) << mode << ": " << p.x << "," << p.y;
        }
    }
    EXPECT_GT(maxPolylinePoints(display), 3000);
}

TEST_F(FiguresWithDisplay, PieThroughAllOnesStippleEqualsThePlainPie)
{
    GC plain = makeGC(black);
    XSetArcMode(display, plain, ArcPieSlice);
    XFillArc(display, pixmap, plain, 37, 41, 120, 90, 30 * 64, 200 * 64);
    std::vector<unsigned long> a = pixels();

    clear();
    Pixmap stipple = XCreatePixmap(display, pixmap, 8, 8, 1);
    GC ones = XCreateGC(display, stipple, 0, NULL);
    XSetForeground(display, ones, 1);
    XFillRectangle(display, stipple, ones, 0, 0, 8, 8);
    XFreeGC(display, ones);
    GC stippled = makeGC(black);
    XSetArcMode(display, stippled, ArcPieSlice);
    XSetStipple(display, stippled, stipple);
    XSetFillStyle(display, stippled, FillStippled);
    DrawBatch *batch = beginDrawBatch(display, pixmap);
    GCObjects *set = newGCObjects(batch, stippled);
    batchDrawArc(set, 37, 41, 120, 90, 30 * 64, 200 * 64, 1);
    freeGCObjects(set);
    endDrawBatch(batch);
    XFreePixmap(display, stipple);
    EXPECT_TRUE(a == pixels());
}

TEST_F(FiguresWithDisplay, BatchesCostOneRequestPerFigureAndKeepTheGCsClip)
{
    GC gc = makeGC(black);
    XSync(display, False);
    unsigned long first = NextRequest(display);
    DrawBatch *batch = beginDrawBatch(display, pixmap);
    GCObjects *set = newGCObjects(batch, gc);
    for (int i = 0; i < 1000; i++) {
        XPoint line[] = {{(short)(i % 200), 5}, {(short)(i % 200 + 20), 60}, {(short)(i % 200), 90}};
        batchDrawLines(set, line, 3, CoordModeOrigin);
    }
    freeGCObjects(set);
    endDrawBatch(batch);
    EXPECT_LE(NextRequest(display) - first, 1020u);

    EXPECT_EQ(nullptr, newGCObjects(NULL, gc));
    EXPECT_EQ(nullptr, newGCObjects(batch = beginDrawBatch(display, pixmap), NULL));
    freeGCObjects(NULL);
    restoreDrawBatch(NULL);
    endDrawBatch(batch);
    endDrawBatch(NULL);

    /* A clip region on the GC cuts every kind of figure. */
    clear();
    GC clipped = makeGC(black);
    XRectangle top = {0, 0, kSide, 100};
    XSetClipRectangles(display, clipped, 0, 0, &top, 1, Unsorted);
    batch = beginDrawBatch(display, pixmap);
    set = newGCObjects(batch, clipped);
    XPoint line[] = {{10, 50}, {10, 200}};
    batchDrawLines(set, line, 2, CoordModeOrigin);
    XPoint triangle[] = {{30, 50}, {60, 200}, {30, 200}};
    batchFillPolygon(set, triangle, 3, Complex, CoordModeOrigin);
    batchDrawArc(set, 80, 50, 40, 100, 0, 360 * 64, 0);
    batchDrawArc(set, 130, 50, 40, 100, 0, 360 * 64, 1);
    batchDrawRectangle(set, 180, 50, 20, 100);
    batchFillRectangle(set, 210, 50, 20, 100);
    std::vector<XPoint> ring = square(220, 90, 30, false);
    int sizes[] = {4};
    batchFillPolygonRings(set, ring.data(), 1, sizes, Complex, CoordModeOrigin);
    freeGCObjects(set);
    endDrawBatch(batch);
    std::vector<unsigned long> p = pixels();
    int above = 0, below = 0;
    for (int y = 0; y < kSide; y++) {
        for (int x = 0; x < kSide; x++) {
            if (at(p, x, y) != white) {
                (y < 100 ? above : below)++;
            }
        }
    }
    EXPECT_GT(above, 1000);
    EXPECT_EQ(0, below);
    EXPECT_EQ(black, at(p, 10, 99));
    EXPECT_EQ(black, at(p, 150, 99));
}

TEST_F(FiguresWithDisplay, RegionsAndGraphicsMode)
{
    /* A pentagram: its middle is covered twice. */
    XPoint star[5];
    for (int k = 0; k < 5; k++) {
        double a = (90 + 144 * k) * M_PI / 180;
        star[k].x = (short)lround(50 + 40 * cos(a));
        star[k].y = (short)lround(50 - 40 * sin(a));
    }
    Region r = polygonRegion(star, 5, 0);
    Region winding = polygonRegion(star, 5, 1);
    EXPECT_TRUE(XPointInRegion(r, 50, 52) == False);
    EXPECT_TRUE(XPointInRegion(winding, 50, 52) == True);
    EXPECT_TRUE(XPointInRegion(r, 50, 15) == True);
    XDestroyRegion(winding);
    std::vector<XPoint> s = square(100, 100, 10, false);
    Region other = polygonRegion(s.data(), 4, 0);
    Region both = XCreateRegion();
    regionUnion(r, other, both);
    EXPECT_TRUE(XPointInRegion(both, 105, 105) == True);
    regionXor(both, other, both);
    EXPECT_TRUE(XPointInRegion(both, 105, 105) == False);
    EXPECT_TRUE(XPointInRegion(both, 50, 15) == True);
    XDestroyRegion(r);
    XDestroyRegion(other);
    XDestroyRegion(both);

    EXPECT_EQ(0, setAdvancedGraphicsMode(display, pixmap, 1));
    EXPECT_EQ(0, setAdvancedGraphicsMode(display, pixmap, 0));
}

TEST_F(FiguresWithDisplay, TrueColorHasNoPalette)
{
    if (visual->c_class != TrueColor) {
        GTEST_SKIP() << "not a true-colour screen";
    }
    XColor colors[256];
    EXPECT_EQ(0, queryPaletteColors(display, Tk_Colormap(tkwin), colors, 256));
    XColor one;
    one.pixel = 3;
    one.red = 1;
    one.green = 2;
    one.blue = 3;
    queryPaletteColor(display, Tk_Colormap(tkwin), &one);
    EXPECT_EQ(1, one.red);
    EXPECT_EQ(2, one.green);
    EXPECT_EQ(3, one.blue);
}

/* On an 8-bit screen (run under Xvfb at depth 8). */
class PaletteWithDepth8Display : public DrawFixture {};

TEST_F(PaletteWithDepth8Display, CellsEqualTheServersColours)
{
    if (Tk_Depth(tkwin) != 8 || visual->c_class != PseudoColor) {
        GTEST_SKIP() << "not an 8-bit colormap-indexed screen";
    }
    Colormap colormap = Tk_Colormap(tkwin);
    XColor ours[300], theirs[256];
    EXPECT_EQ(256, queryPaletteColors(display, colormap, ours, 300));
    for (int i = 0; i < 256; i++) {
        theirs[i].pixel = (unsigned long)i;
    }
    XQueryColors(display, colormap, theirs, 256);
    for (int i = 0; i < 256; i++) {
        ASSERT_EQ((unsigned long)i, ours[i].pixel);
        ASSERT_EQ(theirs[i].red, ours[i].red) << i;
        ASSERT_EQ(theirs[i].green, ours[i].green) << i;
        ASSERT_EQ(theirs[i].blue, ours[i].blue) << i;
    }
    EXPECT_EQ(20, queryPaletteColors(display, colormap, ours, 20));

    unsigned long red = rgb(255, 0, 0);
    XColor one;
    one.pixel = red;
    queryPaletteColor(display, colormap, &one);
    EXPECT_EQ(0xffff, one.red);
    EXPECT_EQ(0, one.green);
    EXPECT_EQ(0, one.blue);
    one.pixel = 4000;   /* past the map: left alone */
    one.red = 7;
    queryPaletteColor(display, colormap, &one);
    EXPECT_EQ(7, one.red);
}

}  // namespace
