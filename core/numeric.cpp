/*
 * numeric.cpp --
 *
 *	Least squares through the covariance matrix: observations accumulate
 *	into sums and sums of products, which are scaled to means and
 *	covariances; the predictor block is eliminated with the observed
 *	values carried along, and the constant terms come from the means.
 */
#include "core/numeric.h"
#include "core/rounding.h"

#include "ovex/ovex.h"

#include <cmath>
#include <cstring>

/*
 * memAlloc --
 *	size bytes from gmemAlloc, cleared; NULL after a message naming label
 *	on standard error.
 */
void *memAlloc(size_t size, const char *label)
{
    void *block = gmemAlloc(size);
    if (block == NULL) {
        ovex_fprintf(stderr, "\ngmemAlloc error in memAlloc: %s.\n", label ? label : "");
        return NULL;
    }
    memset(block, 0, size);
    return block;
}

void addVector(const double *source, double *target, int n)
{
    for (int k = 0; k < n; k++) {
        target[k] += source[k];
    }
}

/*
 * addOuterProduct --
 *	Adds vector * vector^T to the symmetric n x n matrix: the upper
 *	triangle is summed and mirrored into the lower.
 */
void addOuterProduct(int n, double *matrix, const double *vector)
{
    for (int i = 0; i < n; i++) {
        for (int j = i; j < n; j++) {
            matrix[i * n + j] += vector[i] * vector[j];
            matrix[j * n + i] = matrix[i * n + j];
        }
    }
}

void powerVector(int p, double x, double *out)
{
    if (p < 0) {
        return;
    }
    out[0] = 1.0;
    for (int k = 1; k <= p; k++) {
        out[k] = out[k - 1] * x;
    }
}

/*
 * termVector2D --
 *	Completes the term vector 1, x, y, x^2, xy, y^2, x^3, ... in place:
 *	each degree is the previous degree times x, followed by the previous
 *	degree's last term times y. Power 0 is the bilinear 1, x, y, xy.
 *	Returns vector.
 */
double *termVector2D(double *vector, int power)
{
    vector[0] = 1.0;
    if (power == 0) {
        vector[3] = vector[1] * vector[2];
        return vector;
    }
    for (int degree = 2; degree <= power; degree++) {
        int previous = (degree - 1) * degree / 2;  /* first term of degree - 1 */
        int first = degree * (degree + 1) / 2;
        for (int k = 0; k < degree; k++) {
            vector[first + k] = vector[previous + k] * vector[1];
        }
        vector[first + degree] = vector[previous + degree - 1] * vector[2];
    }
    return vector;
}

/*
 * addObservation2D --
 *	Accumulates the point (x, z) of the 1-D regression of degree p: the
 *	observation is x, x^2, ..., x^p, z with the constant 1 counted first.
 */
void addObservation2D(double x, double z, int p, double *matrix, double *sums, double *work)
{
    powerVector(p, x, work);
    work[p + 1] = z;
    addVector(work, sums, p + 2);
    addOuterProduct(p + 1, matrix, work + 1);
}

/*
 * accumulateNormal --
 *	Accumulates one control point of the 2-D fit: its terms (already in
 *	vector[0 .. n-2]) followed by the observed values a and b.
 */
void accumulateNormal(double a, double b, int n, double *matrix, double *sums, double *vector)
{
    vector[n - 1] = a;
    vector[n] = b;
    addOuterProduct(n, matrix, vector + 1);
    addVector(vector, sums, n + 1);
}

/*
 * scaleNormalMatrix --
 *	Turns the sums of products into covariances (divided by count, not
 *	count - 1) and the sums into means.
 */
void scaleNormalMatrix(int n, int count, double *matrix, double *sums)
{
    if (count < 1) {
        return;  /* nothing observed: no means to take */
    }
    double observations = count;
    for (int i = 0; i < n; i++) {
        for (int j = i; j < n; j++) {
            matrix[i * n + j] -= sums[i] * sums[j] / observations;
            matrix[j * n + i] = matrix[i * n + j];
        }
    }
    for (int i = 0; i < n; i++) {
        sums[i] /= observations;
        for (int j = i; j < n; j++) {
            matrix[i * n + j] /= observations;
            matrix[j * n + i] = matrix[i * n + j];
        }
    }
}

/*
 * permuteInPlace --
 *	Moves value k of the strided sequence to position destination[k] for
 *	the m values, following each cycle once. destination holds a
 *	permutation of 0 .. m-1 as doubles; it is marked while walking (by
 *	adding m) and restored before returning.
 */
static void permuteInPlace(double *values, int stride, double *destination, int m)
{
    for (int start = 0; start < m; start++) {
        if (destination[start] >= m) {
            continue;
        }
        double carried = values[start * stride];
        int current = start;
        do {
            int to = (int)destination[current];
            destination[current] += m;
            double displaced = values[to * stride];
            values[to * stride] = carried;
            carried = displaced;
            current = to;
        } while (current != start);
    }
    for (int k = 0; k < m; k++) {
        destination[k] -= m;
    }
}

/*
 * sweep --
 *	Gauss-Jordan elimination of the leading m x m block of a size x size
 *	matrix with full pivoting. pairing holds 2m doubles: the column each
 *	leading row was pivoted on, then the row each leading column was
 *	pivoted on (-1 while free). Returns 1, or 0 when no non-zero finite
 *	pivot remains (the matrix is then partly eliminated).
 */
static int sweep(double *a, int m, int size, double *pairing)
{
    double *columnOfRow = pairing;
    double *rowOfColumn = pairing + m;
    for (int k = 0; k < m; k++) {
        columnOfRow[k] = -1;
        rowOfColumn[k] = -1;
    }

    for (int step = 0; step < m; step++) {
        /* Largest free element; only a strictly larger one replaces the first. */
        int pivotRow = -1, pivotColumn = -1;
        double largest = 0.0;
        for (int c = 0; c < m; c++) {
            if (rowOfColumn[c] >= 0) {
                continue;
            }
            for (int r = 0; r < m; r++) {
                if (columnOfRow[r] >= 0) {
                    continue;
                }
                double magnitude = fabs(a[r * size + c]);
                if (pivotRow < 0 || magnitude > largest) {
                    largest = magnitude;
                    pivotRow = r;
                    pivotColumn = c;
                }
            }
        }
        if (pivotRow < 0 || !(largest > 0.0) || !std::isfinite(largest)) {
            return 0;
        }
        int r = pivotRow, c = pivotColumn;
        columnOfRow[r] = c;
        rowOfColumn[c] = r;

        double pivot = a[r * size + c];
        double *pivotRowValues = a + r * size;
        for (int j = 0; j < size; j++) {
            pivotRowValues[j] /= pivot;
        }
        for (int i = 0; i < size; i++) {
            if (i == r) {
                continue;
            }
            double factor = a[i * size + c];
            for (int j = 0; j < size; j++) {
                if (j != c) {
                    a[i * size + j] -= pivotRowValues[j] * factor;
                }
            }
        }
        for (int i = 0; i < size; i++) {
            a[i * size + c] = -a[i * size + c] / pivot;
        }
        a[r * size + c] = 1.0 / pivot;
    }

    /* Undo the pivoting order: leading columns within each leading row,
     * then the trailing columns of the leading rows, mirrored into the
     * trailing rows. */
    for (int i = 0; i < m; i++) {
        permuteInPlace(a + i * size, 1, rowOfColumn, m);
    }
    for (int t = m; t < size; t++) {
        permuteInPlace(a + t, size, columnOfRow, m);
        for (int i = 0; i < m; i++) {
            a[t * size + i] = a[i * size + t];
        }
    }
    return 1;
}

/*
 * gaussJordanSweep --
 *	Eliminates the leading m x m block of the (m + k) x (m + k) matrix in
 *	place. Returns 1, or 0 when the block is singular or memory is short.
 */
int gaussJordanSweep(double *matrix, int m, int k)
{
    if (m <= 0) {
        return 1;
    }
    if (k < 0) {
        return 0;
    }
    double *pairing = (double *)gmemAlloc(2 * (size_t)m * sizeof(double));
    if (pairing == NULL) {
        return 0;
    }
    int ok = sweep(matrix, m, m + k, pairing);
    gmemFree(pairing);
    return ok;
}

/*
 * resolve --
 *	The same elimination on a size x size matrix, in the caller's work
 *	area of size + m doubles when given. Returns 1, or 0 when singular or
 *	when no work area can be allocated (the matrix is then unchanged).
 */
int resolve(double *matrix, int m, int size, double *work)
{
    if (m <= 0) {
        return 1;
    }
    if (m > size) {
        return 0;
    }
    if (work != NULL) {
        return sweep(matrix, m, size, work);
    }
    double *own = (double *)gmemAlloc(((size_t)size + (size_t)m) * sizeof(double));
    if (own == NULL) {
        ovex_fprintf(stderr, "Error in resolve: gmemAlloc.\n");
        return 0;
    }
    int ok = sweep(matrix, m, size, own);
    gmemFree(own);
    return ok;
}

/*
 * solutionFromRow --
 *	Coefficients 1 .. count-1 from the value row, then coefficient 0 as
 *	the value's mean (written into means[0]) less the mean terms times
 *	their coefficients.
 */
static void solutionFromRow(double *coefficients, const double *row, double *means,
                            double valueMean, int count)
{
    for (int k = 1; k < count; k++) {
        coefficients[k] = row[k - 1];
    }
    means[0] = valueMean;
    coefficients[0] = -1.0;
    coefficients[0] = -dotTerms(coefficients, means, count);
}

/*
 * extractSolution --
 *	The n coefficients of the value in row n - 1 after elimination;
 *	overwrites means[0].
 */
void extractSolution(double *coefficients, const double *matrix, double *means, int n)
{
    solutionFromRow(coefficients, matrix + (size_t)(n - 1) * n, means, means[n], n);
}

/*
 * extractSolutionPair --
 *	The n - 1 coefficients of each value of the 2-D fit: J (the first
 *	value) from row n - 2, I (the second) from row n - 1. Overwrites
 *	means[0].
 */
void extractSolutionPair(double *j, double *i, const double *matrix, double *means, int n)
{
    solutionFromRow(j, matrix + (size_t)(n - 2) * n, means, means[n - 1], n - 1);
    solutionFromRow(i, matrix + (size_t)(n - 1) * n, means, means[n], n - 1);
}

/*
 * solvePolyFit --
 *	Solves the accumulated 2-D fit (n = number of terms + 1) into J and I.
 *	Returns 1, or 0 when the points do not determine the polynomial; J
 *	and I are then left untouched.
 */
int solvePolyFit(double *j, double *i, double *matrix, double *sums, int n)
{
    scaleNormalMatrix(n, clampToInt(sums[0]), matrix, sums + 1);
    if (!gaussJordanSweep(matrix, n - 2, 2)) {
        return 0;
    }
    extractSolutionPair(j, i, matrix, sums, n);
    return 1;
}

double dotTerms(const double *coefficients, const double *terms, int n)
{
    double sum = 0.0;
    for (int k = 0; k < n; k++) {
        sum += coefficients[k] * terms[k];
    }
    return sum;
}

void reverseByteOrder(void *buffer, int n)
{
    reverseBytes(buffer, n);
}

void mat3MulVec(const double *matrix, const double *vector, double *out)
{
    double result[3];
    for (int r = 0; r < 3; r++) {
        result[r] = matrix[r * 3] * vector[0] + matrix[r * 3 + 1] * vector[1] +
                    matrix[r * 3 + 2] * vector[2];
    }
    memcpy(out, result, sizeof(result));
}

void mat3Mul(double *out, const double *a, const double *b)
{
    double result[9];
    for (int r = 0; r < 3; r++) {
        for (int c = 0; c < 3; c++) {
            result[r * 3 + c] = a[r * 3] * b[c] + a[r * 3 + 1] * b[3 + c] + a[r * 3 + 2] * b[6 + c];
        }
    }
    memcpy(out, result, sizeof(result));
}

/*
 * rotateMatrix3 --
 *	Sets matrix to the identity or its transpose, or multiplies a
 *	rotation about z, y or x onto it from the left, so that successive
 *	calls compose in call order.
 */
void rotateMatrix3(double *matrix, int operation, double angle)
{
    static const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double c = cos(angle), s = sin(angle);
    switch (operation) {
    case ROTATE_IDENTITY:
        memcpy(matrix, identity, sizeof(identity));
        return;
    case ROTATE_TRANSPOSE:
        for (int r = 0; r < 3; r++) {
            for (int k = r + 1; k < 3; k++) {
                double value = matrix[r * 3 + k];
                matrix[r * 3 + k] = matrix[k * 3 + r];
                matrix[k * 3 + r] = value;
            }
        }
        return;
    case ROTATE_ABOUT_Z: {
        const double rotation[9] = {c, s, 0, -s, c, 0, 0, 0, 1};
        mat3Mul(matrix, rotation, matrix);
        return;
    }
    case ROTATE_ABOUT_Y: {
        const double rotation[9] = {c, 0, -s, 0, 1, 0, s, 0, c};
        mat3Mul(matrix, rotation, matrix);
        return;
    }
    case ROTATE_ABOUT_X: {
        const double rotation[9] = {1, 0, 0, 0, c, s, 0, -s, c};
        mat3Mul(matrix, rotation, matrix);
        return;
    }
    default:
        return;
    }
}
