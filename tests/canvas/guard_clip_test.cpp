/*
 * guard_clip_test.cpp --
 *
 *	Cutting lines and rings to a guard box in floating point: where a
 *	far segment enters and leaves the box, the distance along the line at
 *	which each visible run starts (the dash phase), and rings cut to the
 *	box in arrays of exactly guardRingRoom points, so that the sanitizer
 *	pass sees every write.
 */
#include <gtest/gtest.h>  // before Tk: X11 defines None

#include <cmath>
#include <vector>

#include "canvas/guard_clip.h"

namespace {

struct CutRun {
    std::vector<int> points;
    double along;
};

void collect(void *clientData, const XPoint *points, int count, double along)
{
    CutRun run;
    for (int i = 0; i < count; i++) {
        run.points.push_back(points[i].x);
        run.points.push_back(points[i].y);
    }
    run.along = along;
    static_cast<std::vector<CutRun> *>(clientData)->push_back(run);
}

std::vector<CutRun> cut(const std::vector<double> &points, const GuardBox &box, int ox = 0, int oy = 0)
{
    int n = (int)points.size() / 2;
    std::vector<XPoint> room(2 * n);
    std::vector<CutRun> runs;
    clipPolylineToGuard(points.data(), n, ox, oy, &box, room.data(), collect, &runs);
    return runs;
}

TEST(GuardClip, FarSegmentIsCutWhereItCrossesTheBox)
{
    // The road of the viewer example, in canvas pixels relative to a
    // window at (499950, 149950): it enters the box on its left side.
    GuardBox box = {499950 - 1000.0, 149950 - 1000.0, 500050 + 1000.0, 150050 + 1000.0};
    std::vector<CutRun> runs = cut({0, 0, 1000000, 300000}, box, 499950, 149950);
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].points.size(), 4u);
    EXPECT_EQ(runs[0].points[0], -1000);
    EXPECT_EQ(runs[0].points[1], -265);  // 0.3 * 498950 - 149950, rounded
    EXPECT_EQ(runs[0].points[2], 1100);
    EXPECT_EQ(runs[0].points[3], 365);
    EXPECT_NEAR(runs[0].along, 498950 * 1.0440306508910551, 1e-3);
}

TEST(GuardClip, RunsRestartWithTheirDistanceAlongTheLine)
{
    GuardBox box = {0, 0, 100, 100};
    // In, out to the right, back in: two runs; a segment wholly outside
    // draws nothing; the second run starts 50 + 100 + 50 pixels along.
    std::vector<CutRun> runs = cut({50, 50, 150, 50, 150, 60, 50, 60}, box);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].points, (std::vector<int>{50, 50, 100, 50}));
    EXPECT_DOUBLE_EQ(runs[0].along, 0.0);
    EXPECT_EQ(runs[1].points, (std::vector<int>{100, 60, 50, 60}));
    EXPECT_DOUBLE_EQ(runs[1].along, 160.0);
    EXPECT_TRUE(cut({-50, -50, -10, 200}, box).empty());
}

TEST(GuardClip, SegmentsKeepTheirInsidePartOnly)
{
    GuardBox box = {0, 0, 10, 10};
    double t0, t1;
    EXPECT_TRUE(clipSegmentToGuard(&box, -10, 5, 20, 5, &t0, &t1));
    EXPECT_DOUBLE_EQ(t0, 1.0 / 3);
    EXPECT_DOUBLE_EQ(t1, 2.0 / 3);
    EXPECT_FALSE(clipSegmentToGuard(&box, -10, 11, 20, 11, &t0, &t1));
    EXPECT_FALSE(clipSegmentToGuard(&box, 0, 0, NAN, 1, &t0, &t1));
}

TEST(GuardClip, RingsAreCutInExactRoom)
{
    GuardBox box = {0, 0, 100, 100};
    // A huge triangle over the box, and a zigzag crossing one side often.
    std::vector<std::vector<double>> rings = {
        {-1e6, -1e6, 1e6, -1e6, 0, 1e6},
        {-10, 0, 10, 10, -10, 20, 10, 30, -10, 40, 10, 50, -10, 60},
    };
    for (const std::vector<double> &ring : rings) {
        int n = (int)ring.size() / 2;
        long long room = guardRingRoom(n);
        std::vector<double> out(2 * room), scratch(2 * room);
        int m = clipRingToGuard(ring.data(), n, &box, out.data(), scratch.data());
        ASSERT_GT(m, 2);
        ASSERT_LE(m, room);
        for (int i = 0; i < m; i++) {
            EXPECT_GE(out[2 * i], 0.0);
            EXPECT_LE(out[2 * i], 100.0);
            EXPECT_GE(out[2 * i + 1], 0.0);
            EXPECT_LE(out[2 * i + 1], 100.0);
        }
    }
}

TEST(GuardClip, OvalArcsAreFineNearTheBoxOnly)
{
    // Circles about the origin seen through a box on their edge at 45
    // degrees, an oval wide and flat seen where it bends, and a small
    // circle wholly in the box.
    struct Case {
        double rx, ry, angle;
        GuardBox box;
    };
    std::vector<Case> cases;
    for (double r : {1e6, 1e9, 1e12}) {
        double x = r * std::cos(M_PI / 4);
        cases.push_back({r, r, 45, {x - 1000, -x - 1000, x + 1000, -x + 1000}});
    }
    cases.push_back({1e9, 1e3, 0, {1e9 - 1000, -1000, 1e9 + 1000, 1000}});
    cases.push_back({50, 50, 45, {-100, -100, 100, 100}});
    for (const Case &k : cases) {
        double rect[4] = {-k.rx, -k.ry, k.rx, k.ry};
        double *points = nullptr;
        int n = ovalArcPoints(rect, 0, 360, &k.box, &points);
        ASSERT_GT(n, 2);
        EXPECT_LT(n, 20000);
        int inside = 0;
        for (int i = 0; i < n; i++) {
            double x = points[2 * i] / k.rx, y = points[2 * i + 1] / k.ry;
            EXPECT_NEAR(std::hypot(x, y), 1.0, 1e-9);
            if (i == 0) continue;
            double t0, t1;
            double *p = points + 2 * (i - 1), *q = points + 2 * i;
            if (!clipSegmentToGuard(&k.box, p[0], p[1], q[0], q[1], &t0, &t1)) continue;
            inside++;
            // A chord reaching the box keeps within a quarter pixel of the
            // curve: its midpoint lies that close to the oval.
            double mx = (p[0] + q[0]) / 2, my = (p[1] + q[1]) / 2;
            double a = std::atan2(-my / k.ry, mx / k.rx);
            double cx = k.rx * std::cos(a), cy = -k.ry * std::sin(a);
            EXPECT_LT(std::hypot(mx - cx, my - cy), 0.26);
        }
        EXPECT_GE(inside, 1);
        EXPECT_NEAR(points[0], k.rx, 1e-3);
        EXPECT_NEAR(points[2 * n - 2], k.rx, 1e-3);
        ckfree((char *)points);
    }
    // A part arc: its ends where its angles say, none of it for a
    // degenerate or non-finite oval.
    GuardBox box = {-200, -200, 200, 200};
    double rect[4] = {-100, -100, 100, 100};
    double *points = nullptr;
    int n = ovalArcPoints(rect, 90, -90, &box, &points);
    ASSERT_GT(n, 2);
    EXPECT_NEAR(points[0], 0, 1e-9);
    EXPECT_NEAR(points[1], -100, 1e-9);
    EXPECT_NEAR(points[2 * n - 2], 100, 1e-9);
    EXPECT_NEAR(points[2 * n - 1], 0, 1e-9);
    ckfree((char *)points);
    double bad[4] = {0, 0, NAN, 10};
    EXPECT_EQ(ovalArcPoints(bad, 0, 90, &box, &points), 0);
    EXPECT_EQ(points, nullptr);
}

}  // namespace
