/*
 * feature_kernels.cpp --
 *
 *	Gauss-Jordan inversion with the determinant, and power iteration with
 *	deflation (see feature_kernels.h).
 */
#include "programs/feature_kernels.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/feature_file.h"

/* A pivot this small counts as zero. */
static const double SMALLEST_PIVOT = 1.0e-38;

/* An eigenvalue no matrix of the programs comes near, so that the first
 * iteration never looks converged. */
static const double FIRST_EIGENVALUE = 1000.0;

/* gmemAlloc of count doubles, NULL also when the size overflows. */
static double *allocDoubles(uint64_t count)
{
    if (count == 0 || count > SIZE_MAX / sizeof(double)) {
        return NULL;
    }
    return (double *)gmemAlloc((size_t)count * sizeof(double));
}

double dgb(double *a, int n)
{
    if (n <= 0) {
        return 0.0;
    }
    unsigned char *done = (unsigned char *)gmemAlloc((size_t)n);
    if (done == NULL) {
        ovex_fprintf(stderr, "Error of malloc in dgb.\n");
        return 0.0;
    }
    memset(done, 0, (size_t)n);
    size_t size = (size_t)n;
    double determinant = 1.0;
    for (int step = 0; step < n; step++) {
        int r = -1;
        for (int i = 0; i < n; i++) {
            if (!done[i] && (r < 0 || fabs(a[i * size + i]) >= fabs(a[r * size + r]))) {
                r = i;
            }
        }
        done[r] = 1;
        double p = a[r * size + r];
        if (fabs(p) <= SMALLEST_PIVOT) {
            ovex_fprintf(stderr, "Error in dgb - zero value of a main element: %d\n", n);
            gmemFree(done);
            return 0.0;
        }
        double *pivotRow = a + r * size;
        for (size_t j = 0; j < size; j++) {
            pivotRow[j] /= p;
        }
        for (size_t i = 0; i < size; i++) {
            if (i == (size_t)r) {
                continue;
            }
            double *row = a + i * size;
            double factor = row[r];
            for (size_t j = 0; j < size; j++) {
                if (j != (size_t)r) {
                    row[j] -= factor * pivotRow[j];
                }
            }
        }
        for (size_t i = 0; i < size; i++) {
            a[i * size + r] /= -p;
        }
        pivotRow[r] = 1.0 / p;
        determinant *= p;
    }
    gmemFree(done);
    return determinant;
}

double invertPackedSym(double *packed, int n)
{
    double *full = n > 0 ? allocDoubles((uint64_t)n * (uint64_t)n) : NULL;
    if (full == NULL) {
        ovex_fprintf(stderr, "Error of malloc in invertPackedSym.\n");
        return 0.0;
    }
    size_t size = (size_t)n;
    for (int j = 0; j < n; j++) {
        for (int i = 0; i <= j; i++) {
            full[i * size + j] = full[j * size + i] = packed[packedIndex(i, j)];
        }
    }
    double determinant = dgb(full, n);
    if (!(determinant < 0.0)) {
        for (int j = 0; j < n; j++) {
            for (int i = 0; i <= j; i++) {
                packed[packedIndex(i, j)] = full[i * size + j];
            }
        }
    }
    gmemFree(full);
    return determinant;
}

/* y = A v, from the full matrix when there is one, else from the packed
 * array. */
static void multiply(const double *full, const double *packed, const double *v, double *y, int n)
{
    size_t size = (size_t)n;
    for (int i = 0; i < n; i++) {
        double sum = 0.0;
        if (full != NULL) {
            const double *row = full + i * size;
            for (int j = 0; j < n; j++) {
                sum += row[j] * v[j];
            }
        } else {
            for (int j = 0; j < n; j++) {
                sum += packed[packedIndex(i, j)] * v[j];
            }
        }
        y[i] = sum;
    }
}

/*
 *----------------------------------------------------------------------
 *
 * calcEV --
 *
 *	The dominant eigenvalue and eigenvector of a packed symmetric
 *	matrix, which is deflated by them.
 *
 * Results:
 *	1 with *eigenvalue and vector set; 0 after the message when the
 *	product vector cannot be allocated.
 *
 * Side effects:
 *	packed loses the found component.
 *
 *----------------------------------------------------------------------
 */
int calcEV(double *packed, double *vector, int n, float tolerance, int maxIterations,
           double *eigenvalue)
{
    double *y = n > 0 ? allocDoubles((uint64_t)n) : NULL;
    if (y == NULL) {
        ovex_fprintf(stderr, "Error of malloc in calcEV.\n");
        return 0;
    }
    size_t size = (size_t)n;
    /* Products run over whole rows of a full copy; the packed array only
     * when the copy does not fit. */
    double *full = allocDoubles((uint64_t)n * (uint64_t)n);
    if (full != NULL) {
        for (int j = 0; j < n; j++) {
            for (int i = 0; i <= j; i++) {
                full[i * size + j] = full[j * size + i] = packed[packedIndex(i, j)];
            }
        }
    }

    double *v = vector;
    v[0] = 1.0;
    for (int i = 1; i < n; i++) {
        v[i] = 0.0;
    }
    double previous = FIRST_EIGENVALUE;
    double lambda = 0.0;
    int iterations = 0;
    int nextStart = 1;
    for (;;) {
        multiply(full, packed, v, y, n);
        lambda = 0.0;
        for (int i = 0; i < n; i++) {
            if (fabs(y[i]) > fabs(lambda)) {
                lambda = y[i];
            }
        }
        if (lambda == 0.0) {
            /* A v = 0: after deflation the start may lie in the null space
             * (a diagonal matrix), so start again from the next unit
             * vector not yet tried. When every one vanishes, the matrix
             * is 0 and the first unit vector serves. */
            if (nextStart >= n) {
                for (int i = 0; i < n; i++) {
                    v[i] = i == 0 ? 1.0 : 0.0;
                }
                break;
            }
            for (int i = 0; i < n; i++) {
                v[i] = i == nextStart ? 1.0 : 0.0;
            }
            nextStart++;
            previous = FIRST_EIGENVALUE;
            continue;
        }
        double delta = 0.0;
        for (int i = 0; i < n; i++) {
            double next = y[i] / lambda;
            double moved = fabs(next - v[i]);
            if (moved > delta) {
                delta = moved;
            }
            v[i] = next;
        }
        iterations++;
        double change = fabs(lambda - previous);
        previous = lambda;
        if (!(delta > tolerance || change > tolerance) || iterations >= maxIterations) {
            break;
        }
    }

    double norm = 0.0;
    for (int i = 0; i < n; i++) {
        norm += v[i] * v[i];
    }
    norm = sqrt(norm);
    if (norm > 0.0) {
        for (int i = 0; i < n; i++) {
            v[i] /= norm;
        }
    }
    for (int j = 0; j < n; j++) {
        for (int i = 0; i <= j; i++) {
            packed[packedIndex(i, j)] -= v[i] * v[j] * lambda;
        }
    }
    gmemFree(full);
    gmemFree(y);
    *eigenvalue = lambda;
    return 1;
}
