/*
 * georect_mapping_test.cpp --
 *
 *	Georectification polynomials: term order, the two-step evaluation
 *	against a direct sum, the traced input box, and a written file read
 *	back (errors of the reader are covered by the georef suite).
 */
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "ovex/ovex.h"
#include "programs/georect_file.h"
#include "programs/georect_mapping.h"
#include "programs/georect_reader.h"

namespace {

TEST(GeorectMappingTest, TermIndexFollowsDegreeThenPowerOfY)
{
    const int expected[][3] = {{0, 0, 0}, {1, 0, 1}, {0, 1, 2}, {2, 0, 3},
                               {1, 1, 4}, {0, 2, 5}, {3, 0, 6}, {0, 3, 9}};
    for (const auto &row : expected) {
        EXPECT_EQ(polyTermIndex(row[0], row[1]), row[2]) << row[0] << "," << row[1];
    }
    EXPECT_EQ(georectTermCount(0), 4u);
    EXPECT_EQ(georectTermCount(2), 6u);
    EXPECT_EQ(georectTermCount(14), 120u);
    EXPECT_EQ(georectTermCount(15), 0u);
}

/* Direct sums of the terms x^i y^j against both reductions. */
TEST(GeorectMappingTest, ReductionsAgreeWithTheDirectSum)
{
    for (uint32_t degree : {0u, 1u, 2u, 3u}) {
        int n = (int)georectTermCount(degree);
        double coef[40];
        for (int k = 0; k < 2 * n; k++) {
            coef[k] = 0.5 + 0.25 * k - 0.1 * k * k;
        }
        double x = 1.7, y = -0.6, wantI = 0.0, wantJ = 0.0;
        if (degree == 0) {
            const double term[4] = {1.0, x, y, x * y};
            for (int k = 0; k < 4; k++) {
                wantI += coef[k] * term[k];
                wantJ += coef[4 + k] * term[k];
            }
        } else {
            for (int i = 0; i <= (int)degree; i++) {
                for (int j = 0; i + j <= (int)degree; j++) {
                    double term = std::pow(x, i) * std::pow(y, j);
                    wantI += coef[polyTermIndex(i, j)] * term;
                    wantJ += coef[n + polyTermIndex(i, j)] * term;
                }
            }
        }
        PolyPair pairs[GEORECT_MAX_PAIRS];
        double x2, y2;
        reducePolyAtY(coef, pairs, y, degree);
        evalPoly2D(pairs, x, 2 * (int)degree + 2, &x2, &y2);
        EXPECT_NEAR(x2, wantJ, 1e-12) << "degree " << degree;
        EXPECT_NEAR(y2, wantI, 1e-12) << "degree " << degree;
        reducePolyAtX(coef, pairs, x, degree);
        evalPoly2D(pairs, y, 2 * (int)degree + 2, &x2, &y2);
        EXPECT_NEAR(x2, wantJ, 1e-12) << "degree " << degree;
        EXPECT_NEAR(y2, wantI, 1e-12) << "degree " << degree;
    }
}

/* The identity with means 10, 20: a window maps onto itself, rounded out. */
TEST(GeorectMappingTest, IdentityTracesTheWindowItself)
{
    const double icoef[3] = {0, 0, 1}, jcoef[3] = {0, 1, 0};
    GeorectParams *block = makeGeorectParams(10.0, 20.0, 10.0, 20.0, 3, 1, icoef, jcoef);
    ASSERT_NE(block, nullptr);
    ImageHead head = {};
    head.left = 2;
    head.top = 3;
    head.columns = 5;
    head.rows = 4;
    GeoExtent extent, window;
    PixelBox frame, box;
    imagePixelExtent(&head, &extent);
    imageBox(&head, &frame);
    EXPECT_EQ(georectInputBox(block, &window, &box, &extent, &frame, 4, 3, 2, 3), 6);
    EXPECT_EQ(box.xmin, 3);
    EXPECT_EQ(box.xmax, 5);
    EXPECT_EQ(box.ymin, 4);
    EXPECT_EQ(box.ymax, 5);
    /* One pixel still samples its point on every edge. */
    EXPECT_EQ(georectInputBox(block, &window, &box, &extent, &frame, 3, 2, 1, 1), 1);
    EXPECT_EQ(box.xmin, 2);
    EXPECT_EQ(box.ymin, 3);
    /* A step of zero samples the edge's ends instead of never ending. */
    GeoExtent flat = {4.0, 4.0, 7.0, 7.0, 0.0, 0.0};
    traceGeorectBox(block, &flat, &box);
    EXPECT_EQ(box.xmin, 4);
    EXPECT_EQ(box.ymax, 7);
    gmemFree(block);
}

TEST(GeorectMappingTest, WrittenFileReadsBackWithTheMeansInTheConstants)
{
    std::string path = ::testing::TempDir() + "georect_mapping_test.par";
    const double icoef[6] = {1, 2, 3, 4, 5, 6}, jcoef[6] = {-1, -2, -3, -4, -5, -6};
    ASSERT_EQ(writeGeorectParams(path.c_str(), 1.0, 2.0, 30.0, 40.0, 6, 2, icoef, jcoef), 1);
    GeorectParams block;
    ASSERT_EQ(readGeorectParams(path.c_str(), &block), 1);
    unlink(path.c_str());
    EXPECT_EQ(block.nCoef, 6u);
    EXPECT_EQ(block.degree, 2u);
    EXPECT_DOUBLE_EQ(block.meanX1, 1.0);
    EXPECT_DOUBLE_EQ(block.coef[0], 41.0);
    EXPECT_DOUBLE_EQ(block.coef[6], 29.0);
    EXPECT_DOUBLE_EQ(block.coef[11], -6.0);
}

}  // namespace
