/*
 * ring_clip_test.cpp --
 *
 *	The ring clipper, the coordinate-list parser of lines and polygons,
 *	the measures of rings and polylines, and the geometry on doubles:
 *	what needs no window. Rings that grow past twice their size and
 *	part sizes that would reach outside the values given are checked
 *	here so that the sanitizer pass sees every write.
 */
#include <gtest/gtest.h>  // before Tk: X11 defines None

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "canvas/cliptest_cmd.h"
#include "canvas/gcanvas_geometry.h"
#include "canvas/point_list_parse.h"
#include "canvas/polyline_measures.h"
#include "canvas/ring_clip.h"

namespace {

typedef std::vector<int> Ints;

/* Clips in an array of exactly clipRoom(n) points, so that a write past
 * the room is a heap overflow the sanitizer reports. */
Ints clip(const Ints &flat, int l, int t, int r, int b)
{
    int n = (int)flat.size() / 2;
    int room = clipRoom(n);
    XPoint *pts = (XPoint *)malloc((room > 0 ? room : 1) * sizeof(XPoint));
    for (int i = 0; i < n; i++) {
        pts[i].x = (short)flat[2 * i];
        pts[i].y = (short)flat[2 * i + 1];
    }
    int m = clipPolygonToBox(pts, n, l, t, r, b);
    Ints out;
    for (int i = 0; i < m; i++) {
        out.push_back(pts[i].x);
        out.push_back(pts[i].y);
    }
    free(pts);
    return out;
}

TEST(RingClip, Cases)
{
    struct { Ints in; Ints box; Ints out; } cases[] = {
        /* crossings on x = 0 and y = 10, the kept point, (0, 10) twice */
        {{-5, 5, 5, 5, 5, 15}, {0, 0, 10, 10}, {0, 10, 0, 10, 0, 5, 5, 5, 5, 10}},
        /* wholly inside: unchanged, from its first point */
        {{2, 3, 8, 3, 5, 9}, {0, 0, 10, 10}, {2, 3, 8, 3, 5, 9}},
        /* wholly outside */
        {{20, 20, 30, 20, 25, 30}, {0, 0, 10, 10}, {}},
        /* enclosing the box: its four corners */
        {{-50, -50, 50, -50, 50, 50, -50, 50}, {0, 0, 10, 10}, {0, 10, 0, 0, 10, 0, 10, 10}},
        /* a crossing at half a pixel rounds away from zero: y = 0.5 -> 1 */
        {{-1, 0, 1, 1, 1, 0}, {0, -5, 10, 5}, {0, 0, 0, 1, 1, 1, 1, 0}},
        /* the 4-point ring that clips to 11 points */
        {{14, 1, -5, -3, 18, 18, -7, -6}, {0, 0, 10, 10},
         {0, 0, 10, 0, 10, 0, 10, 0, 10, 0, 0, 0, 0, 2, 9, 10, 10, 10, 10, 10, 0, 1}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.out, clip(c.in, c.box[0], c.box[1], c.box[2], c.box[3]));
    }
}

TEST(RingClip, TriangleCutAtThreeCornersHasSevenPoints)
{
    Ints out = clip({-3, 5, 5, -3, 13, 13}, 0, 0, 10, 10);
    EXPECT_EQ(14u, out.size());
    EXPECT_GE(clipRoom(3), 7);
}

TEST(RingClip, RoomHoldsEveryClipOfRandomRings)
{
    /* Jagged rings around the box, each clipped in an exact-size room. */
    srand(7);
    for (int trial = 0; trial < 2000; trial++) {
        int n = 3 + rand() % 12;
        Ints ring;
        for (int i = 0; i < 2 * n; i++) ring.push_back(rand() % 60 - 25);
        Ints out = clip(ring, 0, 0, 10, 10);
        ASSERT_LE((int)out.size() / 2, clipRoom(n));
        for (size_t i = 0; i < out.size(); i += 2) {
            ASSERT_TRUE(out[i] >= 0 && out[i] <= 10 && out[i + 1] >= 0 && out[i + 1] <= 10);
        }
    }
}

TEST(RingClip, SeveralRingsArePackedWithTheirNewSizes)
{
    /* Three rings laid out at their clipRoom spacing: one grows, one vanishes. */
    Ints r0 = {14, 1, -5, -3, 18, 18, -7, -6}, r1 = {20, 20, 30, 20, 25, 30}, r2 = {2, 3, 8, 3, 5, 9};
    int sizes[3] = {4, 3, 3};
    int room = clipRoom(4) + clipRoom(3) + clipRoom(3);
    std::vector<XPoint> pts(room);
    int at = 0;
    for (const Ints *r : {&r0, &r1, &r2}) {
        for (size_t i = 0; i < r->size(); i += 2) pts[at + i / 2] = XPoint{(short)(*r)[i], (short)(*r)[i + 1]};
        at += clipRoom((int)r->size() / 2);
    }
    int total = clipRingsToBox(pts.data(), 3, sizes, 0, 0, 10, 10);
    EXPECT_EQ(14, total);
    EXPECT_EQ(11, sizes[0]);
    EXPECT_EQ(0, sizes[1]);
    EXPECT_EQ(3, sizes[2]);
    EXPECT_EQ(2, pts[11].x);
    EXPECT_EQ(3, pts[11].y);
    EXPECT_EQ(5, pts[13].x);
}

/* ---- cliptest ---- */

struct Interp {
    Tcl_Interp *interp = Tcl_CreateInterp();
    ~Interp() { Tcl_DeleteInterp(interp); }
    std::pair<int, std::string> run(std::vector<const char *> argv)
    {
        int code = cliptestCmd(NULL, interp, (int)argv.size(), argv.data());
        return {code, Tcl_GetStringResult(interp)};
    }
};

TEST(Cliptest, AnswersAndErrors)
{
    Interp t;
    typedef std::pair<int, std::string> R;
    EXPECT_EQ(R(TCL_OK, "0 10 0 10 0 5 5 5 5 10"), t.run({"cliptest", "0 0 10 10", "-5 5 5 5 5 15"}));
    EXPECT_EQ(R(TCL_OK, ""), t.run({"cliptest", "0 0 10 10", "20 20 30 20 25 30"}));
    EXPECT_EQ(R(TCL_ERROR, "Error in parsing clip box"), t.run({"cliptest", "0 0 10", "1 2 3 4"}));
    EXPECT_EQ(R(TCL_ERROR, "Invalid vertex specification"), t.run({"cliptest", "0 0 10 10", "1 2 3"}));
    EXPECT_EQ(R(TCL_ERROR, "unmatched open brace in listError in parsing vertices"),
              t.run({"cliptest", "0 0 10 10", "{1 2"}));
    EXPECT_EQ(R(TCL_ERROR, "Usage: cliptest {left top right bottom} {x0 y0 x1 y1 ...}"), t.run({"cliptest"}));
    /* digits only, then kept as 16 bits: 65541 is 5 */
    EXPECT_EQ(R(TCL_OK, "5 5 7 5 7 7"), t.run({"cliptest", "0 0 10 10", "65541 5x 7 5 7 7"}));
}

/* ---- the coordinate parser ---- */

int readDouble(ClientData, Tcl_Interp *interp, Tcl_Obj *obj, double *out)
{
    return Tcl_GetDoubleFromObj(interp, obj, out);
}

std::pair<int, std::string> parse(Interp &t, const char *list, int kind, ParsedPoints *out)
{
    Tcl_Obj *obj = Tcl_NewStringObj(list, -1);
    Tcl_IncrRefCount(obj);
    Tcl_ResetResult(t.interp);
    int code = parsePointList(t.interp, 1, &obj, kind, readDouble, NULL, out);
    Tcl_DecrRefCount(obj);
    return {code, Tcl_GetStringResult(t.interp)};
}

TEST(PointListParse, SizesAreCheckedBeforeAnyCoordinate)
{
    Interp t;
    const char *poly = "A polygon or hole must have at least three vertices.";
    const char *line = "Invalid or inconsistent polyline description list";
    struct { const char *list; int kind; int code; const char *message; } cases[] = {
        {"0 0 10 0 10 10 {-1 4}", POINTS_POLYLINE, TCL_ERROR, line},
        {"0 0 10 0 10 10 {0 3}", POINTS_POLYLINE, TCL_ERROR, line},
        {"0 0 10 0 10 10 {2 2}", POINTS_POLYLINE, TCL_ERROR, line},
        {"0 0 10 0 10 10 {x 3}", POINTS_POLYLINE, TCL_ERROR, line},
        {"0 0 10 0 10 10 \"1 \\{\"", POINTS_POLYLINE, TCL_ERROR,
         "unmatched open brace in listerror in parsing polyline description list"},
        /* a bad coordinate is reported only once the sizes hold */
        {"0 0 10 zz 10 10 {1 2}", POINTS_POLYLINE, TCL_ERROR, "expected floating-point number but got \"zz\""},
        {"0 0 10 zz 10 10 {1 5}", POINTS_POLYLINE, TCL_ERROR, line},
        {"0 0 10 0 {2}", POINTS_POLYGON, TCL_ERROR, poly},
        {"0 0 10 0", POINTS_POLYGON, TCL_ERROR, poly},
        {"0 0 1 0 1 1 0 1 5 5 6 5 {-1 7}", POINTS_POLYGON, TCL_ERROR, poly},
        {"0 0 1 0 1 1 0 1 5 5 6 5 {4 1}", POINTS_POLYGON, TCL_ERROR,
         "Invalid or inconsistent polygon description list"},
        {"0 0 1 0 1 1 0 1 5 5 6 zz {3 3}", POINTS_POLYGON, TCL_ERROR,
         "expected floating-point number but got \"zz\""},
        {"0 0 1 0 1 1 0 1 5 5 6 5 {3 3}", POINTS_POLYGON, TCL_OK, ""},
        {"", POINTS_POLYGON, TCL_OK, ""},
        {"5 5", POINTS_POLYLINE, TCL_OK, ""},
    };
    for (const auto &c : cases) {
        ParsedPoints p;
        auto r = parse(t, c.list, c.kind, &p);
        EXPECT_EQ(c.code, r.first) << c.list;
        EXPECT_EQ(c.message, r.second) << c.list;
        if (r.first != TCL_OK) {
            EXPECT_EQ(nullptr, p.points);
            EXPECT_EQ(nullptr, p.sizes);
        }
        freeParsedPoints(&p);
    }
}

TEST(PointListParse, PartsAndPoints)
{
    Interp t;
    ParsedPoints p;
    ASSERT_EQ(TCL_OK, parse(t, "0 0 10 0 10 10 20 10 {2 2}", POINTS_POLYLINE, &p).first);
    EXPECT_EQ(4, p.numPoints);
    EXPECT_EQ(2, p.numParts);
    EXPECT_EQ(2, p.sizes[1]);
    EXPECT_EQ(20.0, p.points[6]);
    freeParsedPoints(&p);
}

/* ---- measures ---- */

TEST(Measures, AreasCentroidsLengthsAngles)
{
    const double cw[] = {0, 0, 0, 1, 1, 1, 1, 0}, ccw[] = {0, 0, 1, 0, 1, 1, 0, 1};
    EXPECT_DOUBLE_EQ(1.0, polygonSignedArea(cw, 4));
    EXPECT_DOUBLE_EQ(-1.0, polygonSignedArea(ccw, 4));
    EXPECT_DOUBLE_EQ(1.0, ringAreaDouble(cw, 4));
    /* L shape: area centroid, not the vertex mean */
    const double L[] = {0, 0, 0, 2, 1, 2, 1, 1, 2, 1, 2, 0};
    double cx, cy;
    EXPECT_DOUBLE_EQ(3.0, polygonAreaCentroid(L, 6, &cx, &cy));
    EXPECT_NEAR(5.0 / 6.0, cx, 1e-12);
    EXPECT_NEAR(5.0 / 6.0, cy, 1e-12);
    const double pl[] = {0, 0, 10, 0, 10, 10};
    EXPECT_DOUBLE_EQ(20.0, polylineLength(pl, 3));
    EXPECT_DOUBLE_EQ(20.0, polylineCentroid(pl, 3, &cx, &cy));
    EXPECT_DOUBLE_EQ(7.5, cx);
    EXPECT_DOUBLE_EQ(2.5, cy);
    EXPECT_DOUBLE_EQ(3.0, pointsMean(pl, 3, &cx, &cy));
    EXPECT_DOUBLE_EQ(0.0, vectorAngleDeg(0, 0));
    EXPECT_DOUBLE_EQ(0.0, vectorAngleDeg(1, 0));
    EXPECT_DOUBLE_EQ(90.0, vectorAngleDeg(0, 1));
    EXPECT_DOUBLE_EQ(-90.0, vectorAngleDeg(0, -1));
    EXPECT_DOUBLE_EQ(-180.0, vectorAngleDeg(-1, 0));
    double x, y;
    EXPECT_DOUBLE_EQ(0.0, partAngleAt(pl, 3, 0.25, &x, &y));
    EXPECT_DOUBLE_EQ(5.0, x);
    EXPECT_DOUBLE_EQ(90.0, partAngleAt(pl, 3, 0.75, &x, &y));
    EXPECT_DOUBLE_EQ(5.0, y);
    EXPECT_DOUBLE_EQ(90.0, pointsVertexAngle(pl, 3, 2));
    EXPECT_DOUBLE_EQ(0.0, pointsVertexAngle(pl, 3, -3));
}

/* ---- geometry ---- */

TEST(Geometry, PointTestsAndSmoothing)
{
    const double sq[] = {0, 0, 10, 0, 10, 10, 0, 10};
    const double in[] = {5, 5}, out[] = {15, 5}, edge[] = {10, 10};
    double e;
    EXPECT_EQ(0.0, polygonToPointDouble(1, 1, sq, 4, in, &e));
    EXPECT_DOUBLE_EQ(5.0, e);
    EXPECT_DOUBLE_EQ(10.0, polygonToPointDouble(2, 1, sq, 4, out, NULL));
    EXPECT_DOUBLE_EQ(0.0, polygonToPointDouble(1, 1, sq, 4, edge, NULL));
    const double a[] = {0, 0}, b[] = {10, 0.0005}, p[] = {5, 3};
    EXPECT_DOUBLE_EQ(6.0, lineToPointDouble(1, 2, a, b, p));
    const double oval[] = {0, 0, 10, 10}, mid[] = {5, 5};
    EXPECT_DOUBLE_EQ(0.0, ovalToPointEx(1, 1, oval, 1, 1, mid));
    /* a two-point open curve smooths to its first point only */
    const double two[] = {0, 0, 10, 0};
    double buf[64];
    EXPECT_EQ(25, bezierSmoothCoords(NULL, NULL, 2, 12, NULL, NULL));
    EXPECT_EQ(1, bezierSmoothCoords(NULL, two, 2, 12, NULL, buf));
    const double three[] = {0, 0, 10, 0, 10, 10};
    EXPECT_EQ(13, bezierSmoothCoords(NULL, three, 3, 12, NULL, buf));
    EXPECT_DOUBLE_EQ(10.0, buf[24]);
    EXPECT_DOUBLE_EQ(10.0, buf[25]);
    /* 11 degrees is mitered, sharper is not */
    const double p1[] = {100, 0}, p2[] = {0, 0};
    double m1[2], m2[2];
    double t = 11.5 * M_PI / 180, u = 10.5 * M_PI / 180;
    const double wide[] = {100 * cos(t), 100 * sin(t)}, sharp[] = {100 * cos(u), 100 * sin(u)};
    EXPECT_EQ(1, miterPointsDouble(p1, p2, wide, 4, m1, m2));
    EXPECT_EQ(0, miterPointsDouble(p1, p2, sharp, 4, m1, m2));
}

}  // namespace
