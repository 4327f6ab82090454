/*
 * gcanvas_geometry.h --
 *
 *	Geometry on coordinates held as doubles: hit tests that measure in
 *	canvas pixels from world geometry (the per-axis scales applied to
 *	coordinate differences), box growth, Bezier smoothing and its
 *	PostScript form, miter points, smoothing methods, and the ring
 *	conversions to drawable points.
 */
#ifndef OVEX_CANVAS_GCANVAS_GEOMETRY_H
#define OVEX_CANVAS_GCANVAS_GEOMETRY_H

#include "canvas/gcanvas.h"

/* Canvas geometry routines libtk exports (declared in Tk's private tkInt.h). */
extern "C" {
void TkGetButtPoints(double p1[], double p2[], double width, int project, double m1[], double m2[]);
int TkGetMiterPoints(double p1[], double p2[], double p3[], double width, double m1[], double m2[]);
int TkLineToArea(double end1Ptr[], double end2Ptr[], double rectPtr[]);
double TkLineToPoint(double end1Ptr[], double end2Ptr[], double pointPtr[]);
int TkOvalToArea(double *ovalPtr, double *rectPtr);
double TkOvalToPoint(double ovalPtr[], double width, int filled, double pointPtr[]);
int TkPolygonToArea(double *polyPtr, int numPoints, double *rectPtr);
double TkPolygonToPoint(double *polyPtr, int numPoints, double *pointPtr);
int TkThickPolyLineToArea(double *coordPtr, int numPoints, double width, int capStyle, int joinStyle,
                          double *rectPtr);
}

double lineToPointDouble(double sx, double sy, const double *end1, const double *end2, const double *point);
int lineToAreaDouble(const double *end1, const double *end2, const double *rect);
double polygonToPointDouble(double sx, double sy, const double *points, int n, const double *point,
                            double *edgeDistance);
int polygonToAreaDouble(const double *points, int n, const double *rect);
double ovalToPointEx(double sx, double sy, const double *oval, double width, int filled, const double *point);
int boxToBoxDouble(const double *box, const double *area);
double thickPolylineToPoint(const double *points, int n, double width, int capStyle, int joinStyle,
                            const double *point);
/* The stroke test of thickPolylineToPoint with the pieces built in world
 * units (width ww) and distances measured in canvas pixels (scales sx, sy,
 * pixel width w for round caps and joints). Stops at the first 0. */
double strokeToPointScaled(double sx, double sy, const double *points, int n, double ww, double w,
                           int capStyle, int joinStyle, const double *point);
void includePointDouble(GcanvasItem *item, const double *point);
void includeXYDouble(GcanvasItem *item, double x, double y);
void includePointsDouble(GcanvasItem *item, const double *points, int n);
void bezierScreenPoints(GcCanvas c, const double *control, int numSteps, XPoint *out);
void bezierPointsDouble(const double *control, int numSteps, double *out);
int bezierSmoothCoords(GcCanvas c, const double *points, int numPoints, int numSteps, XPoint *xPoints,
                       double *dblPoints);
void bezierSmoothPostscript(Tcl_Interp *interp, GcCanvas c, const double *points, int numPoints);
int miterPointsDouble(const double *p1, const double *p2, const double *p3, double width, double *m1,
                      double *m2);

/* Smoothing methods: the built-in "bezier" and those an application adds. */
typedef int GcSmoothCoordProc(GcCanvas c, const double *points, int numPoints, int numSteps,
                              XPoint *xPoints, double *dblPoints);
typedef void GcSmoothPostscriptProc(Tcl_Interp *interp, GcCanvas c, const double *points, int numPoints);
typedef struct SmoothMethod {
    const char *name;
    GcSmoothCoordProc *coordProc;
    GcSmoothPostscriptProc *postscriptProc;
} SmoothMethod;
extern SmoothMethod gcanvasBezierSmooth;
extern Tk_CustomOption gcanvasSmoothOption;
void createSmoothMethod(Tcl_Interp *interp, const SmoothMethod *method);

/* Every ring converted in turn with worldToScreenRing; sizes are replaced
 * by the kept counts. The spaced form leaves after each ring free room as
 * large as the ring for the clipper. Returns the total kept. */
int worldToScreenRings(GcCanvas c, const double *points, XPoint *out, int ringCount, int *sizes);
int worldToScreenRingsSpaced(GcCanvas c, const double *points, XPoint *out, int ringCount, int *sizes);

#endif /* OVEX_CANVAS_GCANVAS_GEOMETRY_H */
