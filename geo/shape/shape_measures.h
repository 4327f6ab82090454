/*
 * shape_measures.h --
 *
 *	Plane geometry of shape records, the validity test new geometry must
 *	pass, and the measuring and reprojecting subcommands of the shape
 *	object command.
 */
#ifndef OVEX_GEO_SHAPE_SHAPE_MEASURES_H
#define OVEX_GEO_SHAPE_SHAPE_MEASURES_H

#include <tcl.h>

#include "geo/shape/shape_file.h"
#include "ovex/ovex.h"

/* Points are n pairs of doubles X, Y at any alignment. */
double shapeRingArea(const void *points, int n);
double shapePathLength(const void *points, int n);
double shapeRingCentroid(const void *points, int n, double *cx, double *cy);
double shapeLineCentroid(const void *points, int n, double *cx, double *cy);
double shapePointsMean(const void *points, int n, double *cx, double *cy);
double shapeSegmentAngle(double x1, double y1, double x2, double y2);
/* 1 when the geometry suits type; partCounts may be NULL (p ignored). */
int shapeRecordValid(int type, const void *points, int n, const int *partCounts, int p);

/* Subcommands: argv[0] the object name, argv[1] the subcommand. */
typedef int (ShapeSubcommand)(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc,
                              const char **argv);
ShapeSubcommand shapeAreaCmd, shapeLengthCmd, shapeCentroidCmd, shapeLangleCmd, shapeVangleCmd,
    shapeProjdefCmd, shapeProjectionCmd;

/* Record index read leniently (longest leading integer, else 0). */
int shapeLeadInt(const char *text);

#endif
