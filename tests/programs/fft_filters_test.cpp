/*
 * fft_filters_test.cpp --
 *
 *	The filter texts of rimage gfftrans and the gains of the kernels:
 *	both radius forms, the centres, rotation, the notch at a point and
 *	its mirror, and the magnitude-only gain of PP data.
 */
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "programs/fft_filters.h"
#include "programs/gfftrans_program.h"

namespace {

typedef std::vector<float> Floats;

/* rows x columns elements of (1, 1). */
Floats ones(int rows, int columns)
{
    return Floats((size_t)rows * (size_t)columns * 2, 1.0f);
}

FilterParams parsed(const char *text, int rows, int columns, float angle = 0.0f)
{
    FilterParams params;
    int name = -1;
    EXPECT_EQ(1, parseFftFilter(text, rows, columns, angle, &name, &params)) << text;
    return params;
}

TEST(FftFilters, TextFormsAndTheirValues)
{
    FilterParams bell = parsed("bell,2,3;", 8, 16);
    EXPECT_EQ(2.0f, bell.radiusX);
    EXPECT_EQ(2.0f, bell.radiusY);
    EXPECT_EQ(3.0f, bell.order);
    EXPECT_EQ(8.0f, bell.centreX);
    EXPECT_EQ(4.0f, bell.centreY);

    FilterParams high = parsed("high,2,4,1.5,0.5", 8, 8);
    EXPECT_EQ(2.0f, high.radiusX);
    EXPECT_EQ(4.0f, high.radiusY);
    EXPECT_EQ(3.0f, high.radius);
    EXPECT_EQ(1.5f, high.order);
    EXPECT_EQ(0.5f, high.amplitude);

    FilterParams notch = parsed("notch,1,2,0.75,5,6", 8, 8);
    EXPECT_EQ(0.75f, notch.amplitude);
    EXPECT_EQ(5.0f, notch.centreX);
    EXPECT_EQ(6.0f, notch.centreY);

    const char *refused[] = {"bell,1",     "bell,1,2,3,4", "Bell,1,2", "high,1,1",
                             "notch,1,1,1,1", "low,1,1",    "bell",     "bell,0,1",
                             "bell,1,-1,2", "",             "bell,x,1"};
    for (const char *text : refused) {
        FilterParams params;
        int name;
        EXPECT_EQ(0, parseFftFilter(text, 8, 8, 0.0f, &name, &params)) << text;
    }
}

TEST(FftFilters, BellGainFallsFromTheCentreAndTurnsWithTheAngle)
{
    /* radii 1 across, 4 down: (4, 2) is one radius to the right, (2, 1)
     * would be one radius below only when the ellipse is turned 90 degrees. */
    FilterParams params = parsed("bell,1,4,1", 4, 4);
    Floats block = ones(4, 4);
    bellFilter2D(&params, block.data(), 0, 4, 0, 4);
    EXPECT_FLOAT_EQ(1.0f, block[(2 * 4 + 2) * 2]);
    EXPECT_FLOAT_EQ(std::exp(-1.0f), block[(2 * 4 + 3) * 2]);
    EXPECT_FLOAT_EQ(std::exp(-1.0f / 16), block[(3 * 4 + 2) * 2 + 1]);

    FilterParams turned = parsed("bell,1,4,1", 4, 4, 90.0f);
    Floats turnedBlock = ones(4, 4);
    bellFilter2D(&turned, turnedBlock.data(), 0, 4, 0, 4);
    EXPECT_NEAR(std::exp(-1.0f / 16), turnedBlock[(2 * 4 + 3) * 2], 1e-6);
    EXPECT_NEAR(std::exp(-1.0f), turnedBlock[(3 * 4 + 2) * 2], 1e-6);
}

TEST(FftFilters, NotchesDipThePointAndItsMirrorOnly)
{
    /* Along X of 8 columns: the point 6 and its mirror 2 about the centre 4. */
    FilterParams params = parsed("notch,0.5,1,1,6,0", 1, 8);
    Floats line = ones(1, 8);
    notchFilterX(&params, line.data(), 0, 8, 0, 1);
    for (int x = 0; x < 8; x++) {
        EXPECT_EQ((x == 2 || x == 6) ? 0.0f : 1.0f, line[2 * x]) << x;
    }
    /* Both axes over 8 x 8: (6, 5) and (2, 3). */
    FilterParams both = parsed("notch,0.5,1,0.5,6,5", 8, 8);
    Floats block = ones(8, 8);
    notchFilter2D(&both, block.data(), 0, 8, 0, 8);
    int dipped = 0;
    for (int i = 0; i < 64; i++) {
        if (block[2 * i] != 1.0f) {
            dipped++;
            EXPECT_TRUE(i == 5 * 8 + 6 || i == 3 * 8 + 2) << i;
            EXPECT_FLOAT_EQ(0.5f, block[2 * i]);
        }
    }
    EXPECT_EQ(2, dipped);
}

TEST(FftFilters, BlocksKnowWhereTheyLieAndPowerFormKeepsThePhase)
{
    /* Rows 2 .. 3 of a 4 x 4 array, as a block: the centre row is its first. */
    FilterParams params = parsed("high,1,1,1", 4, 4);
    Floats block = ones(2, 4);
    highFilterY(&params, block.data(), 0, 4, 2, 2);
    EXPECT_FLOAT_EQ(0.0f, block[0]);
    EXPECT_FLOAT_EQ(1.0f - std::exp(-1.0f), block[8]);

    params.powerForm = 1;
    Floats pp = ones(2, 4);
    highFilterY(&params, pp.data(), 0, 4, 2, 2);
    EXPECT_FLOAT_EQ(0.0f, pp[0]);
    EXPECT_FLOAT_EQ(1.0f, pp[1]);
}

TEST(FftForms, PowerPhaseAndBack)
{
    Floats values = {3.0f, -4.0f, 0.0f, 0.0f, -2.0f, 0.0f};
    riToPp(values.data(), 3);
    EXPECT_FLOAT_EQ(5.0f, values[0]);
    EXPECT_FLOAT_EQ((float)std::atan2(-4.0, 3.0), values[1]);
    EXPECT_EQ(0.0f, values[3]);
    EXPECT_FLOAT_EQ((float)M_PI, values[5]);
    ppToRi(values.data(), 3);
    EXPECT_NEAR(3.0f, values[0], 1e-6);
    EXPECT_NEAR(-4.0f, values[1], 1e-6);
    EXPECT_NEAR(-2.0f, values[4], 1e-6);
    EXPECT_NEAR(0.0f, values[5], 1e-6);
}

} // namespace
