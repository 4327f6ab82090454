/*
 * roi_polygon.h --
 *
 *	Polygons and lines given as Tcl lists of x y values.
 */
#ifndef OVEX_DISPLAY_ROI_POLYGON_H
#define OVEX_DISPLAY_ROI_POLYGON_H

#include <tcl.h>

#include "display/point_list.h"

/* A new point list from a Tcl list of x y values (each element read by its
 * leading numeric part and rounded half away from zero). The list must
 * hold at least minCount values and an even number of them; otherwise, or
 * when the text is not a list, "Error in parsing polygon.\n" is appended
 * to the result and NULL returned. Freed with polyFree. */
PointList *parseRoiPolygon(Tcl_Interp *interp, int minCount, const char *coords);

#endif /* OVEX_DISPLAY_ROI_POLYGON_H */
