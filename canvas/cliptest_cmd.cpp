/*
 * cliptest_cmd.cpp --
 *
 *	The cliptest command: clips an integer polygon to a box with the
 *	canvas's ring clipper and returns the clipped ring as x y pairs.
 *	Needs no Tk.
 */
#include <stdio.h>
#include <stdlib.h>
#include "canvas/ring_clip.h"
#include "canvas/cliptest_cmd.h"

int cliptestCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Usage: ", argv[0], " {left top right bottom} {x0 y0 x1 y1 ...}",
                         (char *)NULL);
        return TCL_ERROR;
    }
    int box[4];
    if (sscanf(argv[1], "%d %d %d %d", &box[0], &box[1], &box[2], &box[3]) < 4) {
        Tcl_SetResult(interp, (char *)"Error in parsing clip box", TCL_STATIC);
        return TCL_ERROR;
    }
    int count;
    const char **elements;
    if (Tcl_SplitList(interp, argv[2], &count, &elements) != TCL_OK) {
        Tcl_AppendResult(interp, "Error in parsing vertices", (char *)NULL);
        return TCL_ERROR;
    }
    if (count % 2 != 0) {
        ckfree((char *)elements);
        Tcl_SetResult(interp, (char *)"Invalid vertex specification", TCL_STATIC);
        return TCL_ERROR;
    }
    int n = count / 2;
    XPoint *points = (XPoint *)ckalloc((clipRoom(n) + 1) * sizeof(XPoint));
    for (int i = 0; i < n; i++) {
        points[i].x = (short)strtol(elements[2 * i], NULL, 10);
        points[i].y = (short)strtol(elements[2 * i + 1], NULL, 10);
    }
    ckfree((char *)elements);
    int m = clipPolygonToBox(points, n, box[0], box[1], box[2], box[3]);
    Tcl_Obj *result = Tcl_NewListObj(0, NULL);
    for (int i = 0; i < m; i++) {
        Tcl_ListObjAppendElement(NULL, result, Tcl_NewIntObj(points[i].x));
        Tcl_ListObjAppendElement(NULL, result, Tcl_NewIntObj(points[i].y));
    }
    ckfree((char *)points);
    Tcl_SetObjResult(interp, result);
    return TCL_OK;
}
