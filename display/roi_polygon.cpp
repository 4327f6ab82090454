/*
 * roi_polygon.cpp --
 *
 *	Parsing of coordinate lists into point lists, shared by the region
 *	shapes of the image display and the drawing of lines and polygons
 *	into RAM images.
 */
#include <stdlib.h>

#include "display/roi_polygon.h"
#include "core/rounding.h"

static const char POLYGON_ERROR[] = "Error in parsing polygon.\n";

/*
 *----------------------------------------------------------------------
 *
 * parseRoiPolygon --
 *
 *	Reads coords as a Tcl list of x y values.
 *
 * Results:
 *	A new list of count / 2 points, or NULL with "Error in parsing
 *	polygon.\n" appended to the result (after Tcl's own message when the
 *	text is not a list).
 *
 *----------------------------------------------------------------------
 */
PointList *parseRoiPolygon(Tcl_Interp *interp, int minCount, const char *coords)
{
    int count = 0;
    const char **values = NULL;
    if (Tcl_SplitList(interp, coords, &count, &values) != TCL_OK) {
        Tcl_AppendResult(interp, POLYGON_ERROR, (char *)NULL);
        return NULL;
    }
    if (count < minCount || count % 2 != 0 || count == 0) {
        Tcl_Free((char *)values);
        Tcl_AppendResult(interp, POLYGON_ERROR, (char *)NULL);
        return NULL;
    }
    PointList *list = polyNew(count / 2);
    if (list == NULL) {
        Tcl_Free((char *)values);
        Tcl_AppendResult(interp, POLYGON_ERROR, (char *)NULL);
        return NULL;
    }
    for (int i = 0; i < count / 2; i++) {
        /* Like atof: "12abc" reads 12, a word without a number 0. */
        list->points[i].x = pointCoord(roundToInt(strtod(values[2 * i], NULL)));
        list->points[i].y = pointCoord(roundToInt(strtod(values[2 * i + 1], NULL)));
    }
    Tcl_Free((char *)values);
    return list;
}
