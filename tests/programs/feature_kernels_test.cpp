/*
 * feature_kernels_test.cpp --
 *
 *	Gauss-Jordan inversion with the determinant (full and packed) and
 *	power iteration with deflation.
 */
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "programs/feature_file.h"
#include "programs/feature_fixtures.h"
#include "programs/feature_kernels.h"

namespace {

using namespace feature_fixtures;

typedef FeatureTest FeatureKernels;

/* Row-major product of two n x n matrices. */
Doubles multiply(const Doubles &a, const Doubles &b, int n)
{
    Doubles out((size_t)n * n, 0.0);
    for (int i = 0; i < n; i++) {
        for (int j = 0; j < n; j++) {
            for (int k = 0; k < n; k++) {
                out[(size_t)i * n + j] += a[(size_t)i * n + k] * b[(size_t)k * n + j];
            }
        }
    }
    return out;
}

void expectIdentity(const Doubles &m, int n)
{
    for (int i = 0; i < n; i++) {
        for (int j = 0; j < n; j++) {
            EXPECT_NEAR(i == j ? 1.0 : 0.0, m[(size_t)i * n + j], 1e-12) << i << "," << j;
        }
    }
}

TEST_F(FeatureKernels, DgbInvertsAndGivesTheDeterminant)
{
    Doubles one = {4.0};
    EXPECT_DOUBLE_EQ(4.0, dgb(one.data(), 1));
    EXPECT_DOUBLE_EQ(0.25, one[0]);
    Doubles negative = {-0.5};
    EXPECT_DOUBLE_EQ(-0.5, dgb(negative.data(), 1));
    EXPECT_DOUBLE_EQ(-2.0, negative[0]);

    /* Not symmetric, with a small first diagonal element: pivoting on the
     * larger diagonal elements first still gives the inverse. */
    const Doubles a = {0.5, 2.0, 1.0,
                       1.0, 3.0, -1.0,
                       2.0, 0.0, 4.0};
    Doubles inverse = a;
    double det = dgb(inverse.data(), 3);
    EXPECT_NEAR(-12.0, det, 1e-12);   /* 0.5*12 - 2*6 + 1*(-6) */
    expectIdentity(multiply(a, inverse, 3), 3);
    expectIdentity(multiply(inverse, a, 3), 3);
    EXPECT_EQ("", console.takeStderr());
}

TEST_F(FeatureKernels, DgbRefusesAZeroPivotWithTheOrder)
{
    struct {
        Doubles matrix;
        int n;
    } cases[] = {
        {{0.0}, 1},
        {{0.0, 1.0, 1.0, 0.0}, 2},              /* invertible, but no diagonal pivot */
        {{1.0, 2.0, 2.0, 4.0}, 2},              /* singular */
        {{1e-39, 0, 0, 0, 1e-39, 0, 0, 0, 1e-39}, 3},
    };
    for (auto &c : cases) {
        EXPECT_EQ(0.0, dgb(c.matrix.data(), c.n));
        EXPECT_EQ("Error in dgb - zero value of a main element: " + std::to_string(c.n) + "\n",
                  console.takeStderr());
    }
}

TEST_F(FeatureKernels, PackedInverseReplacesAllButNegativeDeterminants)
{
    /* Packed (0,0) (0,1) (1,1) (0,2) (1,2) (2,2). */
    Doubles packed = {4.0, 1.0, 3.0, 0.5, -1.0, 2.0};
    Doubles full = {4.0, 1.0, 0.5, 1.0, 3.0, -1.0, 0.5, -1.0, 2.0};
    Doubles inverse = full;
    double expected = dgb(inverse.data(), 3);
    double det = invertPackedSym(packed.data(), 3);
    EXPECT_DOUBLE_EQ(expected, det);
    for (int j = 0; j < 3; j++) {
        for (int i = 0; i <= j; i++) {
            EXPECT_DOUBLE_EQ(inverse[(size_t)i * 3 + j], packed[packedIndex(i, j)]);
        }
    }

    Doubles indefinite = {1.0, 2.0, 1.0};       /* determinant 1 - 4 */
    EXPECT_DOUBLE_EQ(-3.0, invertPackedSym(indefinite.data(), 2));
    EXPECT_EQ((Doubles{1.0, 2.0, 1.0}), indefinite);
}

TEST_F(FeatureKernels, CalcEvOfADiagonalMatrixGivesItsFirstElement)
{
    Doubles packed = {5.0, 0.0, 9.0, 0.0, 0.0, 2.0};
    Doubles vector(3, 7.0);
    double value = 0.0;
    /* The start vector is already an eigenvector: two iterations settle it
     * however many are allowed. */
    ASSERT_EQ(1, calcEV(packed.data(), vector.data(), 3, 1e-6f, 2, &value));
    EXPECT_EQ(5.0, value);
    packed = {5.0, 0.0, 9.0, 0.0, 0.0, 2.0};
    ASSERT_EQ(1, calcEV(packed.data(), vector.data(), 3, 1e-6f, 1000, &value));
    EXPECT_EQ(5.0, value);
    EXPECT_EQ((Doubles{1.0, 0.0, 0.0}), vector);
    EXPECT_EQ((Doubles{0.0, 0.0, 9.0, 0.0, 0.0, 2.0}), packed);  /* deflated */
}

TEST_F(FeatureKernels, CalcEvFindsTheComponentsInDecreasingOrder)
{
    /* Covariance of eigenvalues 6, 3 and 1 (Q diag Q^T, Q orthonormal). */
    const double s = 1.0 / sqrt(2.0), t = 1.0 / sqrt(3.0), u = 1.0 / sqrt(6.0);
    const Doubles q[3] = {{t, t, t}, {s, -s, 0.0}, {u, u, -2.0 * u}};
    const double lambdas[3] = {6.0, 3.0, 1.0};
    Doubles packed(6, 0.0);
    for (int j = 0; j < 3; j++) {
        for (int i = 0; i <= j; i++) {
            for (int k = 0; k < 3; k++) {
                packed[packedIndex(i, j)] += lambdas[k] * q[k][(size_t)i] * q[k][(size_t)j];
            }
        }
    }
    Doubles vector(3);
    for (int k = 0; k < 3; k++) {
        double value = 0.0;
        ASSERT_EQ(1, calcEV(packed.data(), vector.data(), 3, 1e-9f, 1000, &value));
        EXPECT_NEAR(lambdas[k], value, 1e-6) << "component " << k;
        double dot = 0.0, norm = 0.0;
        for (int i = 0; i < 3; i++) {
            dot += vector[(size_t)i] * q[k][(size_t)i];
            norm += vector[(size_t)i] * vector[(size_t)i];
        }
        EXPECT_NEAR(1.0, norm, 1e-12);
        EXPECT_NEAR(1.0, fabs(dot), 1e-6) << "component " << k;
    }
    for (double left : packed) {
        EXPECT_NEAR(0.0, left, 1e-5);
    }
}

TEST_F(FeatureKernels, CalcEvOfAMatrixThatMapsTheVectorToZero)
{
    Doubles packed(3, 0.0);
    Doubles vector(2, 9.0);
    double value = 1.0;
    ASSERT_EQ(1, calcEV(packed.data(), vector.data(), 2, 1e-6f, 50, &value));
    EXPECT_EQ(0.0, value);
    EXPECT_EQ((Doubles{1.0, 0.0}), vector);
    EXPECT_EQ((Doubles{0.0, 0.0, 0.0}), packed);
}

TEST_F(FeatureKernels, CalcEvRestartsFromTheNextUnitVectorWhenTheProductVanishes)
{
    /* diag(0, 0, 9): (1, 0, 0) and (0, 1, 0) map to 0, (0, 0, 1) does not. */
    Doubles packed = {0.0, 0.0, 0.0, 0.0, 0.0, 9.0};
    Doubles vector(3, 0.0);
    double value = 0.0;
    ASSERT_EQ(1, calcEV(packed.data(), vector.data(), 3, 1e-6f, 50, &value));
    EXPECT_EQ(9.0, value);
    EXPECT_EQ((Doubles{0.0, 0.0, 1.0}), vector);
    EXPECT_EQ((Doubles{0.0, 0.0, 0.0, 0.0, 0.0, 0.0}), packed);
}

TEST_F(FeatureKernels, CalcEvReportsShortMemoryInsteadOfEnding)
{
    /* INT_MAX doubles do not fit in one block: nothing is touched. */
    Doubles packed = {2.0};
    Doubles vector = {7.0};
    double value = 3.0;
    EXPECT_EQ(0, calcEV(packed.data(), vector.data(), INT_MAX, 1e-6f, 10, &value));
    EXPECT_NE(std::string::npos, console.takeStderr().find("Error of malloc in calcEV.\n"));
    EXPECT_EQ(3.0, value);
    EXPECT_EQ(7.0, vector[0]);
    EXPECT_EQ(2.0, packed[0]);
}

}  // namespace
