// The scan-line search of the pushbroom scanner on given residuals, and on
// the residuals of real nadir lines.
#include <gtest/gtest.h>
#include <math.h>

#include "geo/sensor/pushbroom_model.h"
#include "geo/sensor/rotation.h"

namespace {

struct FindCase {
    const char *name;
    int lines;
    double (*residual)(int line);
    int line;
    double residual0;
    double spread;
    double row;   // line + residual / spread
};

double threeMinus(int i) { return 3.0 - i; }
double quarterPast(int i) { return 3.25 - i; }
double quarterBefore(int i) { return i - 3.25; }
double onLineZero(int i) { return i == 0 ? 0.0 : -1.0 * i; }
double beforeAll(int i) { return 2.0 + i; }
double notANumber(int) { return NAN; }

TEST(PushbroomFindLine, BracketsTheResidualsOfTheExamples)
{
    const FindCase cases[] = {
        {"3 - i", 8, threeMinus, 3, 0.0, 1.0, 3.0},
        {"3.25 - i", 8, quarterPast, 3, 0.25, 1.0, 3.25},
        {"i - 3.25", 8, quarterBefore, 3, -0.25, 1.0, 2.75},
        // Both ends end on line 0 with residual 0: no spread, and
        // rectify writes 0 there.
        {"two lines, on line 0", 2, onLineZero, 0, 0.0, 0.0, NAN},
        // Every line sees the point before itself: the search ends at
        // line 0, the smallest residual.
        {"2 + i", 8, beforeAll, 0, 2.0, 5.0, 0.4},
    };
    for (const FindCase &c : cases) {
        SCOPED_TRACE(c.name);
        PushbroomFix fix = {};
        pushbroomBracket(c.lines, c.residual, &fix);
        EXPECT_EQ(fix.line, c.line);
        EXPECT_DOUBLE_EQ(fix.residual, c.residual0);
        EXPECT_DOUBLE_EQ(fix.spread, c.spread);
        if (c.spread != 0.0) {
            EXPECT_DOUBLE_EQ(fix.line + fix.residual / fix.spread, c.row);
        }
    }
}

TEST(PushbroomFindLine, NotANumberEndsTheSearch)
{
    PushbroomFix fix = {};
    pushbroomBracket(100, notANumber, &fix);
    EXPECT_GE(fix.line, 0);
    EXPECT_LT(fix.line, 100);
}

TEST(PushbroomFindLine, BisectStepNarrowsUntilNeighbours)
{
    PushbroomEnd A = {0, 3.0};
    PushbroomEnd B = {7, -4.0};
    int steps = 0;
    while (pushbroomBisectStep(&A, &B, threeMinus)) steps++;
    EXPECT_EQ(A.line, 3);
    EXPECT_EQ(B.line, 4);
    EXPECT_EQ(steps, 2);
}

TEST(PushbroomFindLine, NadirLinesFindTheirRowAndColumn)
{
    // Lines every 2 units in y, 1-unit pixels: map point (X, Y) lies on
    // line (10 - Y) / 2 at column X + 1.5.
    PushbroomGeometry g;
    g.in = {1.0, 1.0, 1.0, 1.5, 0.0};
    for (int i = 0; i < 6; i++) {
        g.lines.push_back({0, 0, 0, 0.0, 10.0 - 2 * i, 1.0});
        const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        g.matrices.insert(g.matrices.end(), identity, identity + 9);
    }
    PushbroomFix fix = {};
    pushbroomFindLine(g, 0.5, 5.0, 0.0, &fix);
    EXPECT_DOUBLE_EQ(fix.col, 2.0);
    EXPECT_DOUBLE_EQ(fix.line + fix.residual / fix.spread, 2.5);
}

TEST(Rotation, AnglesComeBackInEveryOrder)
{
    for (int order = ROT_ZYX; order <= ROT_XZY; order++) {
        SCOPED_TRACE(order);
        double R[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        double x = sensorRadians(10), y = sensorRadians(20), z = sensorRadians(30);
        rotationMatrix(order, R, sin(x), cos(x), sin(y), cos(y), sin(z), cos(z));
        const double offsets[3] = {0, 0, 0};
        double angles[3];
        ASSERT_EQ(rotationAngles(order, R, angles, offsets), 1);
        EXPECT_NEAR(angles[0], 10, 1e-12);
        EXPECT_NEAR(angles[1], 20, 1e-12);
        EXPECT_NEAR(angles[2], 30, 1e-12);
    }
    double R[9] = {2, 0, 0, 0, 2, 0, 0, 0, 2};
    double angles[3] = {7, 8, 9};
    const double offsets[3] = {0, 0, 0};
    EXPECT_EQ(rotationAngles(ROT_UNKNOWN, R, angles, offsets), 0);
    EXPECT_EQ(angles[0], 7);
}

TEST(Rotation, DegenerateMatricesGiveFiniteAnglesAndQuaternions)
{
    // A zero matrix: 0/0 ratios and the arcsine of 0.
    const double zero[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    const double offsets[3] = {0, 0, 0};
    for (int order = ROT_ZYX; order <= ROT_XZY; order++) {
        double angles[3];
        rotationAngles(order, zero, angles, offsets);
        EXPECT_TRUE(allFinite(angles, 3));
    }
    // Rounding just past 1 in the arcsine element.
    const double past[9] = {1, 0, 0, 0, 0, 1.0000000000000002, 0, -1, 0};
    double angles[3];
    rotationAngles(ROT_ZXY, past, angles, offsets);
    EXPECT_DOUBLE_EQ(angles[0], 90.0);
    double q[4];
    matrixToQuaternion(zero, q);
    EXPECT_TRUE(allFinite(q, 4));
}

TEST(Rotation, HalfTurnsTakeTheLargestDiagonal)
{
    const double turns[3][9] = {{1, 0, 0, 0, -1, 0, 0, 0, -1},
                                {-1, 0, 0, 0, 1, 0, 0, 0, -1},
                                {-1, 0, 0, 0, -1, 0, 0, 0, 1}};
    for (int axis = 0; axis < 3; axis++) {
        double q[4];
        matrixToQuaternion(turns[axis], q);
        for (int i = 0; i < 4; i++) {
            EXPECT_DOUBLE_EQ(q[i], i == axis + 1 ? 1.0 : 0.0) << axis << " " << i;
        }
        double back[9];
        quaternionToMatrix(q, back);
        for (int i = 0; i < 9; i++) EXPECT_DOUBLE_EQ(back[i] + 0.0, turns[axis][i] + 0.0);
    }
    // 170 degrees about a slanted axis: the off-trace branch, w kept >= 0.
    double R[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double a = sensorRadians(170), b = sensorRadians(30);
    rotationMatrix(ROT_ZXY, R, sin(a), cos(a), 0, 1, sin(b), cos(b));
    double q[4], back[9];
    matrixToQuaternion(R, q);
    EXPECT_GE(q[0], 0.0);
    quaternionToMatrix(q, back);
    for (int i = 0; i < 9; i++) EXPECT_NEAR(back[i], R[i], 1e-12);
}

TEST(Rotation, SlerpClampsAndBlendsLinearlyWhereTheSineIsZero)
{
    const double q1[4] = {1, 0, 0, 0};
    const double q2[4] = {0, 1, 0, 0};
    double out[4];
    quaternionSlerp(q1, q2, 0.5, out);
    EXPECT_NEAR(out[0], M_SQRT1_2, 1e-15);
    EXPECT_NEAR(out[1], M_SQRT1_2, 1e-15);
    // A dot product past 1 by rounding.
    const double p[4] = {0.6, 0.8, 0, 0};
    const double p2[4] = {0.6000000000000001, 0.8, 0, 0};
    quaternionSlerp(p, p2, 0.5, out);
    EXPECT_TRUE(allFinite(out, 4));
    EXPECT_NEAR(out[0], 0.6, 1e-15);
    // Opposite quaternions: no sign correction, the linear blend.
    const double minus[4] = {-1, 0, 0, 0};
    quaternionSlerp(q1, minus, 0.25, out);
    EXPECT_DOUBLE_EQ(out[0], 0.5);
    // Equal quaternions: q1 itself.
    quaternionSlerp(p, p, 0.7, out);
    EXPECT_EQ(out[0], 0.6);
    EXPECT_EQ(out[1], 0.8);
}

} // namespace
