// Geodesic set-up and the series solutions on their edge cases.
#include <gtest/gtest.h>
#include <math.h>

#include "geo/proj/geodesic.h"
#include "geo/proj/run_guard.h"

using ovexgeod::GeodState;

namespace {

const double deg = M_PI / 180;

int setUp(GeodState *g, std::initializer_list<const char *> words)
{
    std::vector<const char *> list(words);
    return ovexgeod::geodSetR((int)list.size(), list.data(), g);
}

TEST(Geodesic, EllipsoidOnlyLeavesThePointAlone)
{
    GeodState g = {};
    g.lam1 = 0.5;
    ASSERT_EQ(setUp(&g, {"ellps=clrk66"}), 1);
    EXPECT_EQ(g.lam1, 0.5);
    EXPECT_EQ(g.to_meter, 1);
    EXPECT_EQ(g.fr_meter, 1);
    EXPECT_NEAR(g.a, 6378206.4, 1e-6);
    EXPECT_EQ(g.ellipse, 1);
}

TEST(Geodesic, RefusedSetUps)
{
    const std::vector<std::vector<const char *>> cases = {
        {},
        {"ellps=nosuch"},
        {"lat_1=10"},
        {"ellps=WGS84", "units=furlong"},
        {"ellps=WGS84", "lat_1=10", "lon_1=10"},
        {"ellps=WGS84", "lat_1=10", "lon_1=10", "S=1000", "n_A=3"},
        {"ellps=WGS84", "lat_1=10", "lon_1=10", "S=1000"},
    };
    for (const auto &words : cases) {
        GeodState g = {};
        EXPECT_EQ(ovexgeod::geodSetR((int)words.size(), words.data(), &g), 0) << words.size();
    }
}

TEST(Geodesic, FractionalUnitsUseTheFactor)
{
    GeodState g = {};
    ASSERT_EQ(setUp(&g, {"ellps=WGS84", "units=cm"}), 1);
    EXPECT_DOUBLE_EQ(g.to_meter, 0.01);
    ASSERT_EQ(setUp(&g, {"ellps=WGS84", "units=us-in"}), 1);
    EXPECT_NEAR(g.to_meter, 1 / 39.37, 1e-15);
}

TEST(Geodesic, KilometreUnits)
{
    GeodState m = {}, k = {};
    ASSERT_EQ(setUp(&m, {"ellps=WGS84"}), 1);
    ASSERT_EQ(setUp(&k, {"ellps=WGS84", "units=km"}), 1);
    m.phi1 = k.phi1 = 10 * deg;
    m.phi2 = k.phi2 = 20 * deg;
    m.lam2 = k.lam2 = 5 * deg;
    ovexgeod::geodInvR(&m);
    ovexgeod::geodInvR(&k);
    EXPECT_NEAR(k.S * 1000, m.S, 1e-6);
    k.S = 1;
    m.S = 1000;
    k.al12 = m.al12 = 0.3;
    ovexgeod::geodPreR(&m);
    ovexgeod::geodForR(&m);
    ovexgeod::geodPreR(&k);
    ovexgeod::geodForR(&k);
    EXPECT_NEAR(k.phi2, m.phi2, 1e-15);
}

TEST(Geodesic, CoincidentPoints)
{
    GeodState g = {};
    ASSERT_EQ(setUp(&g, {"ellps=WGS84"}), 1);
    g.phi1 = g.phi2 = 0.3;
    g.lam1 = 0.1;
    g.lam2 = 0.1 + 1e-13;
    g.al12 = g.al21 = g.S = 5;
    ovexgeod::geodInvR(&g);
    EXPECT_EQ(g.al12, 0);
    EXPECT_EQ(g.al21, 0);
    EXPECT_EQ(g.S, 0);
}

TEST(Geodesic, MeridianLines)
{
    GeodState g = {};
    ASSERT_EQ(setUp(&g, {"ellps=WGS84"}), 1);
    struct { double az, back, dlat; } cases[] = {{0, M_PI, 1}, {M_PI, 0, -1}};
    for (const auto &c : cases) {
        g.lam1 = 0.2;
        g.phi1 = 0.5;
        g.al12 = c.az;
        g.S = 100000;
        ovexgeod::geodPreR(&g);
        ovexgeod::geodForR(&g);
        EXPECT_NEAR(fabs(g.al21), c.back, 1e-12);
        EXPECT_NEAR(g.lam2, 0.2, 1e-12);
        EXPECT_GT((g.phi2 - 0.5) * c.dlat, 0);
    }
}

TEST(Geodesic, SphereDistanceIsRadiusTimesArc)
{
    GeodState g = {};
    ASSERT_EQ(setUp(&g, {"R=6371000"}), 1);
    EXPECT_EQ(g.ellipse, 0);
    g.phi1 = 0;
    g.lam1 = 0;
    g.phi2 = 0;
    g.lam2 = 1;
    ovexgeod::geodInvR(&g);
    EXPECT_NEAR(g.S, 6371000, 1e-6);
    g.al12 = M_PI / 2;
    g.S = 6371000;
    ovexgeod::geodPreR(&g);
    ovexgeod::geodForR(&g);
    EXPECT_NEAR(g.lam2, 1, 1e-12);
    EXPECT_NEAR(g.phi2, 0, 1e-12);
}

}  // namespace
