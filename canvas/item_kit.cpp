/*
 * item_kit.cpp --
 *
 *	Creation-word splitting and bounding-box tests shared by item types.
 */
#include <math.h>
#include "canvas/item_kit.h"

int gcanvasIsOptionWord(Tcl_Obj *word)
{
    const char *arg = Tcl_GetString(word);
    return arg[0] == '-' && arg[1] >= 'a' && arg[1] <= 'z';
}

int gcanvasLeadingCoordWords(int objc, Tcl_Obj *const objv[])
{
    int i;
    for (i = 0; i < objc; i++) {
        if (gcanvasIsOptionWord(objv[i])) break;
    }
    return i;
}

int gcanvasCreateCoordWords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                            int fullWords, const char *usage)
{
    int numCoords = fullWords;
    if (objc == 1) {
        numCoords = 1;
    } else if (objc > 1) {
        if (gcanvasIsOptionWord(objv[1])) numCoords = 1;
    }
    if (objc < numCoords) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "wrong # args: should be \"", Tk_PathName(gcanvasTkwin(c)), " create ",
                         item->typePtr->name, " ", usage, "\"", (char *)NULL);
        return -1;
    }
    return numCoords;
}

double gcanvasBoxDistance(const GcanvasItem *item, const double *p)
{
    double dx = p[0] < item->x1 ? item->x1 - p[0] : p[0] > item->x2 ? p[0] - item->x2 : 0.0;
    double dy = p[1] < item->y1 ? item->y1 - p[1] : p[1] > item->y2 ? p[1] - item->y2 : 0.0;
    return hypot(dx, dy);
}

int gcanvasBoxArea(const GcanvasItem *item, const double *r)
{
    if (r[2] <= item->x1 || r[0] >= item->x2 || r[3] <= item->y1 || r[1] >= item->y2) return -1;
    if (r[0] <= item->x1 && r[1] <= item->y1 && r[2] >= item->x2 && r[3] >= item->y2) return 1;
    return 0;
}
