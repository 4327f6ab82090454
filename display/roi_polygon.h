/*
 * roi_polygon.h --
 *
 *	Polygons and lines given as Tcl lists of x y values.
 */
#ifndef OVEX_DISPLAY_ROI_POLYGON_H
#define OVEX_DISPLAY_ROI_POLYGON_H

#include <tcl.h>

#include "core/point_list.h"

/* A new point list from a Tcl list of x y values (each element read by its
 * leading numeric part and rounded half away from zero). The list must
 * hold at least minCount values and an even number of them; otherwise, or
 * when the text is not a list, "Error in parsing polygon.\n" is appended
 * to the result and NULL returned. Freed with polyFree. */
PointList *parseRoiPolygon(Tcl_Interp *interp, int minCount, const char *coords);

/* The outline of the ellipse inscribed in the box "x0 y0 x1 y1" (a
 * rectangle for boxes of 2 pixels or less); NULL with "Error in parsing
 * oval.\n" appended. */
PointList *parseRoiOval(Tcl_Interp *interp, const char *coords);

/* n words read as (type, coordinates) pairs, types "rc" (x0 y0 x1 y1),
 * "pl" (x y list of 3 points or more) and "ov" (a box); a chain of the
 * shapes, last first. NULL with the message in the result when a shape
 * fails, a type is unknown or a type has no coordinates. */
PointList *parseRoiShapes(Tcl_Interp *interp, int n, const char *const *words);

#endif /* OVEX_DISPLAY_ROI_POLYGON_H */
