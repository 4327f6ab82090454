/*
 * numeric.h --
 *
 *	Plain numeric routines shared by the programs: least-squares normal
 *	equations for the 2-D polynomial fit of control points and the 1-D
 *	polynomial regression, Gauss-Jordan elimination with full pivoting,
 *	term and power vectors, and 3 x 3 matrix work for the photogrammetric
 *	programs. Arrays are the caller's; matrices are square and row-major
 *	(element [row][column] = array[row * size + column]).
 */
#ifndef OVEX_CORE_NUMERIC_H
#define OVEX_CORE_NUMERIC_H

#include <stddef.h>

/* A zero-filled gmemAlloc block, or NULL after "gmemAlloc error in
 * memAlloc" with label on standard error. */
void *memAlloc(size_t size, const char *label);

/* target[k] += source[k] for k < n. */
void addVector(const double *source, double *target, int n);
/* matrix[i][j] += vector[i] * vector[j] over the n x n matrix. */
void addOuterProduct(int n, double *matrix, const double *vector);
/* out[k] = x^k for k = 0 .. p (p + 1 values). */
void powerVector(int p, double x, double *out);
/* Fills the 2-D polynomial terms of degree 2 .. power from vector[1] (x)
 * and vector[2] (y), sets vector[0] to 1; power 0 gives 1, x, y, xy.
 * Returns vector, which must hold (power + 1)(power + 2) / 2 values
 * (4 for power 0). */
double *termVector2D(double *vector, int power);

/* One observation (x, z) of the 1-D regression of degree p: adds to
 * sums (p + 2 values) and matrix ((p + 1) x (p + 1)); work holds p + 2. */
void addObservation2D(double x, double z, int p, double *matrix, double *sums, double *work);
/* One observation of the 2-D fit: vector[0 .. n-2] holds the terms (1
 * first); a and b are the observed values. Adds to sums (n + 1 values,
 * sums[0] counting observations) and the n x n matrix. vector holds n + 1. */
void accumulateNormal(double a, double b, int n, double *matrix, double *sums, double *vector);
/* Sums of products into covariances (divided by count) and sums into
 * means; sums here are the n sums after the count. A count below 1
 * leaves both unchanged. */
void scaleNormalMatrix(int n, int count, double *matrix, double *sums);

/* Gauss-Jordan elimination with full pivoting of the leading m x m block
 * of an (m + k) x (m + k) matrix; afterwards the trailing columns of the
 * leading rows hold the solutions (mirrored into the trailing rows) and
 * the trailing block the residual (co)variances. Returns 1, or 0 when the
 * block is singular (no non-zero finite pivot left) or memory is short. */
int gaussJordanSweep(double *matrix, int m, int k);
/* The same on a size x size matrix; work (size + m doubles) or NULL to
 * allocate one. Returns 1, or 0 when singular or memory is short. */
int resolve(double *matrix, int m, int size, double *work);

/* Coefficients of the value in row n - 1 after elimination: out[1 .. n-1]
 * from that row, out[0] from the means (means[1 .. n] as scaled sums,
 * means[0] is overwritten). */
void extractSolution(double *coefficients, const double *matrix, double *means, int n);
/* The same for the two values of the 2-D fit: J from row n - 2, I from
 * row n - 1, each nterms = n - 1 coefficients. */
void extractSolutionPair(double *j, double *i, const double *matrix, double *means, int n);
/* Scales, eliminates and extracts the 2-D fit of n - 1 terms. Returns 1,
 * or 0 when the points cannot determine the polynomial (singular). */
int solvePolyFit(double *j, double *i, double *matrix, double *sums, int n);

/* Sum of coefficients[k] * terms[k] for k < n; 0 for n <= 0. */
double dotTerms(const double *coefficients, const double *terms, int n);
/* Reverses the order of n bytes in place. */
void reverseByteOrder(void *buffer, int n);

/* out = matrix * vector (3 x 3 times 3); out may be vector. */
void mat3MulVec(const double *matrix, const double *vector, double *out);
/* out = a * b (3 x 3); out may be a or b. */
void mat3Mul(double *out, const double *a, const double *b);

enum {
    ROTATE_IDENTITY = 0, ROTATE_TRANSPOSE = 1,
    ROTATE_ABOUT_Z = 2, ROTATE_ABOUT_Y = 3, ROTATE_ABOUT_X = 4
};
/* operation 0: matrix := identity; 1: its transpose; 2, 3, 4: matrix :=
 * R * matrix with R the rotation by angle (radians) about z, y or x.
 * Other operations change nothing. */
void rotateMatrix3(double *matrix, int operation, double angle);

#endif /* OVEX_CORE_NUMERIC_H */
