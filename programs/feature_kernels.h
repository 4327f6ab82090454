/*
 * feature_kernels.h --
 *
 *	The two numeric kernels of the classification programs: Gauss-Jordan
 *	inversion with its determinant (also of packed symmetric matrices),
 *	and power iteration with deflation for the eigenvectors of a
 *	covariance or correlation matrix.
 */
#ifndef OVEX_PROGRAMS_FEATURE_KERNELS_H
#define OVEX_PROGRAMS_FEATURE_KERNELS_H

/* Inverts the row-major n x n matrix a in place, pivoting on the
 * diagonal (the largest remaining diagonal element; the later row on a
 * tie). Returns the determinant (the product of the pivots), or 0.0
 * after "Error in dgb - zero value of a main element: %d\n" (n) on
 * standard error when a pivot is at most 1.0e-38 in size; the matrix is
 * then left partly transformed. */
double dgb(double *a, int n);

/* Inverts a packed symmetric matrix of order n through dgb; the inverse
 * replaces the packed array unless the determinant is negative. Returns
 * the determinant (0.0 after a message when memory is short). */
double invertPackedSym(double *packed, int n);

/*
 * The dominant eigenvalue of a packed symmetric matrix by power iteration
 * from (1, 0, ..., 0), scaled by the largest component, until both the
 * change of the vector and of the eigenvalue are at most tolerance or
 * maxIterations are done. vector (n values) receives the unit
 * eigenvector, *eigenvalue the value, and the matrix is deflated by them
 * for the next call. A matrix that maps the vector to zero ends the
 * iteration with eigenvalue 0 and that vector.
 * Returns 1, or 0 after "Error of malloc in calcEV.\n" on standard error
 * when memory is short (matrix and vector untouched).
 */
int calcEV(double *packed, double *vector, int n, float tolerance, int maxIterations,
           double *eigenvalue);

#endif /* OVEX_PROGRAMS_FEATURE_KERNELS_H */
