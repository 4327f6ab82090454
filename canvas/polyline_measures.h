/*
 * polyline_measures.h --
 *
 *	Measures of point lists in world units: signed ring area (positive
 *	for a ring running clockwise when y grows upward), area centroid,
 *	polyline length and length-weighted centroid, mean point, and the
 *	direction of a vector in degrees (-180 up to just under 180).
 */
#ifndef OVEX_CANVAS_POLYLINE_MEASURES_H
#define OVEX_CANVAS_POLYLINE_MEASURES_H

double polygonSignedArea(const double *points, int n);
double ringAreaDouble(const double *points, int n);
double polygonAreaCentroid(const double *points, int n, double *cx, double *cy);
double polylineLength(const double *points, int n);
double polylineCentroid(const double *points, int n, double *cx, double *cy);
double pointsMean(const double *points, int n, double *cx, double *cy);
double vectorAngleDeg(double dx, double dy);

/* The vertex angle and the angle at a position along the first part of
 * an item's stored points (parts or rings one after the other). */
double pointsVertexAngle(const double *points, int n, int index);
double partAngleAt(const double *points, int n, double position, double *x, double *y);

#endif /* OVEX_CANVAS_POLYLINE_MEASURES_H */
