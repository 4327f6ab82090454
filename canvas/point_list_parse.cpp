/*
 * point_list_parse.cpp --
 *
 *	Coordinates of lines and polygons with an optional trailing list of
 *	part sizes. The sizes are read as leading digits (0 when none) and
 *	must add up to the point count; a size below the least a part may
 *	hold is refused as well, before a coordinate is read.
 */
#include <stdlib.h>
#include <string.h>
#include "canvas/point_list_parse.h"

void freeParsedPoints(ParsedPoints *p)
{
    if (p->points != NULL) ckfree((char *)p->points);
    if (p->sizes != NULL) ckfree((char *)p->sizes);
    p->points = NULL;
    p->sizes = NULL;
    p->numPoints = p->numParts = 0;
}

int parsePointList(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[], int kind,
                   GcReadCoordProc *readCoord, ClientData clientData, ParsedPoints *out)
{
    out->numPoints = out->numParts = 0;
    out->points = NULL;
    out->sizes = NULL;
    const char *what = kind == POINTS_POLYGON ? "polygon" : "polyline";
    Tcl_Obj **words = (Tcl_Obj **)objv;
    if (objc == 1 && Tcl_ListObjGetElements(interp, objv[0], &objc, &words) != TCL_OK) return TCL_ERROR;
    int numValues = objc;
    int numParts = 1;
    Tcl_Obj **sizeWords = NULL;
    if (objc % 2 == 1) {
        numValues = objc - 1;
        if (Tcl_ListObjGetElements(interp, words[objc - 1], &numParts, &sizeWords) != TCL_OK) {
            Tcl_AppendResult(interp, "error in parsing ", what, " description list", (char *)NULL);
            return TCL_ERROR;
        }
    }
    int numPoints = numValues / 2;
    if (numPoints == 0 && sizeWords == NULL) return TCL_OK;
    int *sizes = (int *)ckalloc((numParts > 0 ? numParts : 1) * sizeof(int));
    int least = kind == POINTS_POLYGON ? 3 : 1;
    int tooSmall = 0;
    if (sizeWords == NULL) {
        sizes[0] = numPoints;
        tooSmall = numPoints < least;
    } else {
        long long sum = 0;
        for (int i = 0; i < numParts; i++) {
            long v = strtol(Tcl_GetString(sizeWords[i]), NULL, 10);
            sizes[i] = v > 0x7fffffff ? 0x7fffffff : v < -0x7fffffff ? -0x7fffffff : (int)v;
            sum += sizes[i];
            if (sizes[i] < least) tooSmall = 1;
        }
        /* A size below 1 makes the description inconsistent whatever the sum. */
        if (sum != numPoints || (kind == POINTS_POLYLINE && tooSmall) ) {
            ckfree((char *)sizes);
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "Invalid or inconsistent ", what, " description list", (char *)NULL);
            return TCL_ERROR;
        }
    }
    /* A ring-size list of no points ("0") is a ring too small, not an
     * empty item. */
    if (tooSmall) {
        ckfree((char *)sizes);
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "A polygon or hole must have at least three vertices.", (char *)NULL);
        return TCL_ERROR;
    }
    if (numPoints == 0) {
        ckfree((char *)sizes);
        return TCL_OK;
    }
    double *points = (double *)ckalloc((numPoints > 0 ? 2 * numPoints : 1) * sizeof(double));
    for (int i = 0; i < 2 * numPoints; i++) {
        if (readCoord(clientData, interp, words[i], &points[i]) != TCL_OK) {
            ckfree((char *)points);
            ckfree((char *)sizes);
            return TCL_ERROR;
        }
    }
    out->numPoints = numPoints;
    out->points = points;
    out->numParts = numParts;
    out->sizes = sizes;
    return TCL_OK;
}
