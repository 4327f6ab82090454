// Least-squares fits, elimination, term vectors and 3 x 3 rotations.
// GoogleTest before the Tcl/Tk headers: X11 defines None.
#include <gtest/gtest.h>

#include "core/numeric.h"
#include "ovex/ovex.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

class Numeric : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Tcl_FindExecutable(nullptr); }
};

void expectValues(const double *actual, const std::vector<double> &expected, double tolerance)
{
    for (size_t k = 0; k < expected.size(); k++) {
        EXPECT_NEAR(actual[k], expected[k], tolerance) << "element " << k;
    }
}

TEST_F(Numeric, TermVector2D)
{
    struct Case { int power; std::vector<double> expected; } cases[] = {
        {0, {1, 2, 3, 6}},
        {1, {1, 2, 3}},
        {2, {1, 2, 3, 4, 6, 9}},
        {3, {1, 2, 3, 4, 6, 9, 8, 12, 18, 27}},
    };
    for (const Case &c : cases) {
        double vector[16] = {-1, 2, 3};
        EXPECT_EQ(termVector2D(vector, c.power), vector);
        expectValues(vector, c.expected, 0.0);
    }
}

TEST_F(Numeric, PowerVector)
{
    double out[4] = {-1, -1, -1, -1};
    powerVector(0, 5.0, out);
    EXPECT_EQ(out[0], 1.0);
    EXPECT_EQ(out[1], -1.0);  // nothing beyond p written
    powerVector(3, -2.0, out);
    expectValues(out, {1, -2, 4, -8}, 0.0);
}

// Fits z = polynomial of x with the 1-D regression; returns the residual
// variance and fills coefficients (p + 1).
double regress(const std::vector<double> &xs, const std::vector<double> &zs, int p,
               std::vector<double> *coefficients, int *status)
{
    int n = p + 1;
    std::vector<double> matrix(n * n, 0.0), sums(n + 1, 0.0), work(n + 1 + p, 0.0);
    for (size_t k = 0; k < xs.size(); k++) {
        addObservation2D(xs[k], zs[k], p, matrix.data(), sums.data(), work.data());
    }
    EXPECT_EQ(sums[0], (double)xs.size());
    scaleNormalMatrix(n, (int)sums[0], matrix.data(), sums.data() + 1);
    *status = resolve(matrix.data(), p, n, work.data());
    coefficients->assign(n, 0.0);
    extractSolution(coefficients->data(), matrix.data(), sums.data(), n);
    EXPECT_EQ(sums[0], sums[n]) << "means[0] holds the value's mean afterwards";
    return matrix[n * n - 1];
}

TEST_F(Numeric, RegressionOfAStraightLine)
{
    std::vector<double> coefficients;
    int status = 0;
    double residual = regress({0, 1, 2}, {1, 3, 5}, 1, &coefficients, &status);
    EXPECT_EQ(status, 1);
    expectValues(coefficients.data(), {1, 2}, 1e-12);
    EXPECT_NEAR(residual, 0.0, 1e-12);
}

TEST_F(Numeric, RegressionOfAParabolaWithNoise)
{
    // z = 2 - x + 0.5 x^2, then +-0.1 alternately: the quadratic fit
    // recovers the curve closely and keeps a positive residual variance.
    std::vector<double> xs, zs;
    for (int k = -3; k <= 4; k++) {
        xs.push_back(k);
        zs.push_back(2 - k + 0.5 * k * k);
    }
    std::vector<double> coefficients;
    int status = 0;
    double residual = regress(xs, zs, 2, &coefficients, &status);
    EXPECT_EQ(status, 1);
    expectValues(coefficients.data(), {2, -1, 0.5}, 1e-9);
    EXPECT_NEAR(residual, 0.0, 1e-9);

    for (size_t k = 0; k < zs.size(); k++) {
        zs[k] += (k % 2) ? 0.1 : -0.1;
    }
    residual = regress(xs, zs, 2, &coefficients, &status);
    EXPECT_EQ(status, 1);
    expectValues(coefficients.data(), {2, -1, 0.5}, 0.2);
    EXPECT_GT(residual, 0.0);
    EXPECT_LT(residual, 0.011);
}

TEST_F(Numeric, ResolveWithAndWithoutWorkAreaAgree)
{
    const double original[9] = {4, 1, 2, 1, 3, 1, 2, 1, 5};
    double withWork[9], allocated[9];
    memcpy(withWork, original, sizeof(original));
    memcpy(allocated, original, sizeof(original));
    double work[5];
    EXPECT_EQ(resolve(withWork, 2, 3, work), 1);
    EXPECT_EQ(resolve(allocated, 2, 3, nullptr), 1);
    for (int k = 0; k < 9; k++) {
        EXPECT_DOUBLE_EQ(withWork[k], allocated[k]) << "element " << k;
    }
    double tooWide[9];
    memcpy(tooWide, original, sizeof(original));
    EXPECT_EQ(resolve(tooWide, 4, 3, nullptr), 0);
    EXPECT_EQ(memcmp(tooWide, original, sizeof(original)), 0);
}

TEST_F(Numeric, SweepWithOffDiagonalPivotsSolvesTheSystem)
{
    // A = [[1, 4], [3, 2]] puts its largest element off the diagonal, so
    // the pivoting order has to be undone. A x = b for x = (1, 2).
    double matrix[9] = {
        1, 4, 9,
        3, 2, 7,
        9, 7, 30,
    };
    ASSERT_EQ(gaussJordanSweep(matrix, 2, 1), 1);
    EXPECT_NEAR(matrix[0 * 3 + 2], 1.0, 1e-12);  // predictor 0
    EXPECT_NEAR(matrix[1 * 3 + 2], 2.0, 1e-12);  // predictor 1
    EXPECT_NEAR(matrix[2 * 3 + 0], 1.0, 1e-12);  // mirrored
    EXPECT_NEAR(matrix[2 * 3 + 1], 2.0, 1e-12);
    EXPECT_NEAR(matrix[2 * 3 + 2], 30.0 - (9 * 1 + 7 * 2), 1e-12);  // c - r A^-1 b
}

TEST_F(Numeric, SweepOfSingularBlockFails)
{
    struct Case { std::vector<double> matrix; int m; int k; } cases[] = {
        {{0, 0, 1, 0, 0, 1, 1, 1, 1}, 2, 1},      // all zero
        {{1, 2, 1, 2, 4, 1, 1, 1, 1}, 2, 1},      // rank one
        {{NAN, 1, 1, 1, 1, 1, 1, 1, 1}, 2, 1},    // not finite
        {{INFINITY, 0, 0, 1}, 1, 1},
    };
    for (Case &c : cases) {
        EXPECT_EQ(gaussJordanSweep(c.matrix.data(), c.m, c.k), 0);
    }
    double empty[1] = {3};
    EXPECT_EQ(gaussJordanSweep(empty, 0, 1), 1);
    EXPECT_EQ(empty[0], 3);
}

// Accumulates the 2-D fit of power 2 (6 terms) over the given points.
struct PolyFit {
    static const int nterms = 6;
    static const int n = nterms + 1;
    double matrix[n * n] = {0};
    double sums[n + 1] = {0};
    void add(double x, double y, double x2, double y2)
    {
        double vector[n + 1] = {0, x, y};
        termVector2D(vector, 2);
        accumulateNormal(x2, y2, n, matrix, sums, vector);
    }
};

double xPolynomial(double x, double y) { return 10 + 2 * x - 3 * y + 0.5 * x * x - 0.25 * x * y + 0.125 * y * y; }
double yPolynomial(double x, double y) { return -4 + x + y; }

TEST_F(Numeric, PolyFitRecoversBothPolynomials)
{
    PolyFit fit;
    for (int gx = 0; gx < 4; gx++) {
        for (int gy = 0; gy < 4; gy++) {
            double x = 100 + 50 * gx + 3 * gy, y = 20 + 40 * gy - 2 * gx;
            fit.add(x, y, xPolynomial(x, y), yPolynomial(x, y));
        }
    }
    EXPECT_EQ(fit.sums[0], 16);
    double j[PolyFit::nterms] = {0}, i[PolyFit::nterms] = {0};
    ASSERT_EQ(solvePolyFit(j, i, fit.matrix, fit.sums, PolyFit::n), 1);
    expectValues(j, {10, 2, -3, 0.5, -0.25, 0.125}, 1e-6);
    expectValues(i, {-4, 1, 1, 0, 0, 0}, 1e-6);
    double terms[PolyFit::n + 1] = {0, 130, 75};
    termVector2D(terms, 2);
    EXPECT_NEAR(dotTerms(j, terms, PolyFit::nterms), xPolynomial(130, 75), 1e-6);
}

TEST_F(Numeric, PolyFitOfCollinearPointsFails)
{
    // Points on one line cannot fix a first-degree surface: (1, x, y) with
    // y = 2x + 1.
    const int nterms = 3, n = nterms + 1;
    double matrix[n * n] = {0}, sums[n + 1] = {0};
    for (int k = 0; k < 4; k++) {
        double vector[n + 1] = {0, (double)k, 2.0 * k + 1};
        termVector2D(vector, 1);
        accumulateNormal(5.0 * k, -1.0 * k, n, matrix, sums, vector);
    }
    double j[nterms] = {7, 7, 7}, i[nterms] = {7, 7, 7};
    EXPECT_EQ(solvePolyFit(j, i, matrix, sums, n), 0);
    for (int k = 0; k < nterms; k++) {
        EXPECT_EQ(j[k], 7);
        EXPECT_EQ(i[k], 7);
    }
}

TEST_F(Numeric, ScaleWithoutObservationsChangesNothing)
{
    double matrix[4] = {1, 2, 2, 5}, sums[2] = {3, 4};
    scaleNormalMatrix(2, 0, matrix, sums);
    expectValues(matrix, {1, 2, 2, 5}, 0.0);
    expectValues(sums, {3, 4}, 0.0);
}

TEST_F(Numeric, DotTermsAndByteOrder)
{
    const double a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
    EXPECT_EQ(dotTerms(a, b, 0), 0.0);
    EXPECT_EQ(dotTerms(a, b, -2), 0.0);
    EXPECT_EQ(dotTerms(a, b, 3), 32.0);

    unsigned char four[4] = {1, 2, 3, 4}, three[3] = {1, 2, 3};
    reverseByteOrder(four, 4);
    reverseByteOrder(three, 3);
    const unsigned char fourReversed[4] = {4, 3, 2, 1}, threeReversed[3] = {3, 2, 1};
    EXPECT_EQ(memcmp(four, fourReversed, 4), 0);
    EXPECT_EQ(memcmp(three, threeReversed, 3), 0);
}

TEST_F(Numeric, MemAllocClearsAndFailsCleanly)
{
    unsigned char *block = (unsigned char *)memAlloc(64, "test block");
    ASSERT_NE(block, nullptr);
    for (int k = 0; k < 64; k++) {
        EXPECT_EQ(block[k], 0);
    }
    gmemFree(block);
#ifndef OVEX_SYSTEM_MALLOC  // sanitizers abort on such a request instead of failing
    EXPECT_EQ(memAlloc(SIZE_MAX / 2, "huge block"), nullptr);
#endif
}

TEST_F(Numeric, RotationAboutZOfIdentity)
{
    double matrix[9];
    rotateMatrix3(matrix, ROTATE_IDENTITY, 0);
    rotateMatrix3(matrix, ROTATE_ABOUT_Z, M_PI / 2);
    expectValues(matrix, {0, 1, 0, -1, 0, 0, 0, 0, 1}, 1e-15);
}

TEST_F(Numeric, RotationsComposeInCallOrder)
{
    const double a = 0.3, b = -1.1, c = 2.0;
    double matrix[9];
    rotateMatrix3(matrix, ROTATE_IDENTITY, 0);
    rotateMatrix3(matrix, ROTATE_ABOUT_X, a);
    rotateMatrix3(matrix, ROTATE_ABOUT_Y, b);
    rotateMatrix3(matrix, ROTATE_ABOUT_Z, c);

    const double rx[9] = {1, 0, 0, 0, cos(a), sin(a), 0, -sin(a), cos(a)};
    const double ry[9] = {cos(b), 0, -sin(b), 0, 1, 0, sin(b), 0, cos(b)};
    const double rz[9] = {cos(c), sin(c), 0, -sin(c), cos(c), 0, 0, 0, 1};
    double yx[9], expected[9];
    mat3Mul(yx, ry, rx);
    mat3Mul(expected, rz, yx);
    expectValues(matrix, std::vector<double>(expected, expected + 9), 1e-15);

    // A rotation's transpose is its inverse.
    double transposed[9], product[9];
    memcpy(transposed, matrix, sizeof(matrix));
    rotateMatrix3(transposed, ROTATE_TRANSPOSE, 0);
    EXPECT_EQ(transposed[1], matrix[3]);
    mat3Mul(product, matrix, transposed);
    expectValues(product, {1, 0, 0, 0, 1, 0, 0, 0, 1}, 1e-15);

    double unchanged[9];
    memcpy(unchanged, matrix, sizeof(matrix));
    rotateMatrix3(unchanged, 5, 1.0);
    EXPECT_EQ(memcmp(unchanged, matrix, sizeof(matrix)), 0);
}

TEST_F(Numeric, Mat3ProductsAllowAliasing)
{
    double m[9] = {1, 2, 3, 4, 5, 6, 7, 8, 10};
    double v[3] = {1, -1, 2};
    mat3MulVec(m, v, v);
    expectValues(v, {5, 11, 19}, 0.0);
    double copy[9];
    memcpy(copy, m, sizeof(m));
    double squared[9];
    mat3Mul(squared, copy, copy);
    mat3Mul(m, m, m);
    expectValues(m, std::vector<double>(squared, squared + 9), 0.0);
    expectValues(squared, {30, 36, 45, 66, 81, 102, 109, 134, 169}, 0.0);
}

}  // namespace
