/*
 * roi_polygon.cpp --
 *
 *	Parsing of coordinate lists into point lists, shared by the region
 *	shapes of the image display and the drawing of lines and polygons
 *	into RAM images.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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

static const char RECTANGLE_ERROR[] = "Error in parsing rectangle.\n";
static const char OVAL_ERROR[] = "Error in parsing oval.\n";

/* The rectangle polygon of four numbers. */
static PointList *rectanglePolygon(float x0, float y0, float x1, float y1)
{
    PointList *list = polyNew(4);
    if (list == NULL) {
        return NULL;
    }
    int ix0 = roundToInt(x0), iy0 = roundToInt(y0), ix1 = roundToInt(x1), iy1 = roundToInt(y1);
    list->points[0].x = pointCoord(ix0);
    list->points[0].y = pointCoord(iy0);
    list->points[1].x = pointCoord(ix0);
    list->points[1].y = pointCoord(iy1);
    list->points[2].x = pointCoord(ix1);
    list->points[2].y = pointCoord(iy1);
    list->points[3].x = pointCoord(ix1);
    list->points[3].y = pointCoord(iy0);
    return list;
}

static PointList *parseRoiRectangle(Tcl_Interp *interp, const char *coords)
{
    float x0, y0, x1, y1;
    PointList *list = NULL;
    if (sscanf(coords, "%f %f %f %f", &x0, &y0, &x1, &y1) == 4) {
        list = rectanglePolygon(x0, y0, x1, y1);
    }
    if (list == NULL) {
        Tcl_AppendResult(interp, RECTANGLE_ERROR, (char *)NULL);
    }
    return list;
}

/*
 * parseRoiOval --
 *	The outline of the ellipse inscribed in a box: one point per pixel
 *	column (or row) along the longer side, upper (left) half first, then
 *	the lower (right) half backwards. Small boxes stay rectangles.
 */
PointList *parseRoiOval(Tcl_Interp *interp, const char *coords)
{
    float x0, y0, x1, y1;
    if (sscanf(coords, "%f %f %f %f", &x0, &y0, &x1, &y1) != 4) {
        Tcl_AppendResult(interp, OVAL_ERROR, (char *)NULL);
        return NULL;
    }
    if (x0 > x1) {
        float t = x0;
        x0 = x1;
        x1 = t;
    }
    if (y0 > y1) {
        float t = y0;
        y0 = y1;
        y1 = t;
    }
    int ix0 = roundToInt(x0), iy0 = roundToInt(y0);
    int ix1 = roundToInt(x1) - 1, iy1 = roundToInt(y1) - 1;
    int wide = 2 * (ix1 - ix0), tall = 2 * (iy1 - iy0);
    PointList *list = NULL;
    if (wide < 4 && tall < 4) {
        list = rectanglePolygon(x0, y0, x1, y1);
    } else {
        float a = (float)(ix1 - ix0) * 0.5f, b = (float)(iy1 - iy0) * 0.5f;
        float cx = (float)(ix1 + ix0) * 0.5f, cy = (float)(iy1 + iy0) * 0.5f;
        int horizontal = tall < wide;
        list = polyNew(horizontal ? wide : tall);
        if (list != NULL) {
            int k = 0;
            /* Distance from the centre line at position p of the long side. */
            auto half = [](float p, float c, float r) -> double {
                float t = (p - c) / r;
                float q = 1.0f - t * t;
                return q < 0 ? -1.0 : sqrt((double)q);
            };
            if (horizontal) {
                for (int x = ix0; x <= ix1 - 1; x++, k++) {
                    double h = half((float)x, cx, a);
                    list->points[k].x = pointCoord(x);
                    list->points[k].y = pointCoord(h < 0 ? roundToInt(cy)
                                                         : roundToInt(cy - (float)(h * b)));
                }
                for (int x = ix1; x >= ix0 + 1; x--, k++) {
                    double h = half((float)x, cx, a);
                    list->points[k].x = pointCoord(x);
                    list->points[k].y = pointCoord(h < 0 ? roundToInt(cy)
                                                         : roundToInt(cy + (float)(h * b)));
                }
            } else {
                for (int y = iy0; y <= iy1 - 1; y++, k++) {
                    double h = half((float)y, cy, b);
                    list->points[k].y = pointCoord(y);
                    list->points[k].x = pointCoord(h < 0 ? roundToInt(cx)
                                                         : roundToInt(cx - (float)(h * a)));
                }
                for (int y = iy1; y >= iy0 + 1; y--, k++) {
                    double h = half((float)y, cy, b);
                    list->points[k].y = pointCoord(y);
                    list->points[k].x = pointCoord(h < 0 ? roundToInt(cx)
                                                         : roundToInt(cx + (float)(h * a)));
                }
            }
            list->count = k;
        }
    }
    if (list == NULL) {
        Tcl_AppendResult(interp, OVAL_ERROR, (char *)NULL);
    }
    return list;
}

/*
 *----------------------------------------------------------------------
 *
 * parseRoiShapes --
 *
 *	Reads n words as (type, coordinates) pairs: "rc" rectangles, "pl"
 *	polygons, "ov" ovals.
 *
 * Results:
 *	A new chain with the last shape first, or NULL with the message in
 *	the result; nothing is left allocated on failure.
 *
 *----------------------------------------------------------------------
 */
PointList *parseRoiShapes(Tcl_Interp *interp, int n, const char *const *words)
{
    if (n % 2 != 0) {
        Tcl_AppendResult(interp, "Missing coordinates of shape: ", words[n - 1], "\n",
                         (char *)NULL);
        return NULL;
    }
    PointList *chain = NULL;
    for (int i = 0; i + 1 < n; i += 2) {
        PointList *shape;
        if (strcmp(words[i], "rc") == 0) {
            shape = parseRoiRectangle(interp, words[i + 1]);
        } else if (strcmp(words[i], "pl") == 0) {
            shape = parseRoiPolygon(interp, 6, words[i + 1]);
        } else if (strcmp(words[i], "ov") == 0) {
            shape = parseRoiOval(interp, words[i + 1]);
        } else {
            Tcl_AppendResult(interp, "Unknown obj type: ", words[i], (char *)NULL);
            shape = NULL;
        }
        if (shape == NULL) {
            polyFree(chain);
            return NULL;
        }
        shape->next = chain;
        chain = shape;
    }
    return chain;
}
