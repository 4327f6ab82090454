/*
 * gtop_geometry.h --
 *
 *	The view geometry of rimage gtop: the orientation of a camera at a
 *	view point looking at a target, the polar extent of a rectangle seen
 *	from a point with the angle branch in which that extent is
 *	continuous, segment clipping, the central projection of a ground
 *	point into the view, and the profile that displaces the samples of a
 *	ground ray by their heights (hiding those behind nearer ones).
 *
 *	Coordinates are pixel positions of the ground image (x a column, y a
 *	row); angles are radians from +x towards +y.
 */
#ifndef OVEX_PROGRAMS_GTOP_GEOMETRY_H
#define OVEX_PROGRAMS_GTOP_GEOMETRY_H

/* The angle of a point (a, b) at distance r from the view point, in the
 * branch of one region around a rectangle. */
typedef double GtopAngleProc(float a, float b, float r);

/* r = |(dx, dy, dz)|; *ax and *az the angles about x and z that turn the
 * view towards (dx, dy, dz) from above; matrix (3 x 3, row-major) =
 * Rx(ax) Rz(az), whose third row is the unit vector from the target to
 * the view point. Returns r. */
double viewAngles(double *matrix, double dx, double dy, double dz, double *ax, double *az);

/* Nearest and farthest distance and the angular range of the rectangle
 * (x0, y0)-(x1, y1) seen from (px, py); returns the angle routine of the
 * region the point lies in. */
GtopAngleProc *polarExtent(double x0, double y0, double x1, double y1, double px, double py,
                           double *rmin, double *rmax, double *amin, double *amax);

/* Clips the segment (a0, b0)-(a1, b1) in place to bmin <= b <= bmax and
 * amin <= a <= amax. 0 when nothing remains, else 1. */
int clipSegment(double *a0, double *b0, double *a1, double *b1, double bmin, double bmax,
                double amin, double amax);

/* The view position (u, v), relative to the view's centre, of the ground
 * point (b, c) (relative to the view point) at height d, for a view point
 * at height a looking at the target (e, f) (relative) at height g; M the
 * transpose of the orientation. Single-precision arithmetic; a zero
 * determinant gives non-finite positions. */
void centralProjectionSolve(const double *M, double a, double b, double c, double d, double e,
                            double f, double g, double *u, double *v);

/* The relief displacement of a ground ray (see gtop_geometry.cpp). */
int reliefProfile(const float *values, const float *heights, int n, double zs, float *out,
                  int outCols, int nBands, double zc, int *start);

#endif /* OVEX_PROGRAMS_GTOP_GEOMETRY_H */
