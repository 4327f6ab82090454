/*
 * point_item.cpp --
 *
 *	What the items placed at one world point share (bitmap, image and
 *	window): their coordinate words, and where a rectangle lies relative
 *	to its anchor on the screen and on the PostScript page.
 */
#include <stdio.h>
#include "canvas/point_item.h"
#include "canvas/item_kit.h"

/* Coordinates of a one-point item: none gives x y, else one list of two
 * or two words. Shared by the bitmap, image and window items. */
int gcanvasPointCoords(Tcl_Interp *interp, GcCanvas c, int objc, Tcl_Obj *const objv[], double *x, double *y)
{
    char buf[80];
    if (objc == 0) {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(*x));
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(*y));
        Tcl_SetObjResult(interp, list);
        return TCL_OK;
    }
    Tcl_Obj **words = (Tcl_Obj **)objv;
    int n = objc;
    if (objc == 1) {
        if (Tcl_ListObjGetElements(interp, objv[0], &n, &words) != TCL_OK) return TCL_ERROR;
        if (n != 2) {
            snprintf(buf, sizeof buf, "wrong # coordinates: expected 2, got %d", n);
            Tcl_SetResult(interp, buf, TCL_VOLATILE);
            return TCL_ERROR;
        }
    } else if (objc != 2) {
        snprintf(buf, sizeof buf, "wrong # coordinates: expected 0 or 2, got %d", objc);
        Tcl_SetResult(interp, buf, TCL_VOLATILE);
        return TCL_ERROR;
    }
    double vx, vy;
    if (gcanvasGetCoordFromObj(interp, c, words[0], &vx) != TCL_OK
            || gcanvasGetCoordFromObj(interp, c, words[1], &vy) != TCL_OK) {
        return TCL_ERROR;
    }
    *x = vx;
    *y = vy;
    return TCL_OK;
}

/* The number of leading coordinate words of a one-point item, or -1
 * (with the message) when there are too few. */
int gcanvasPointCreateWords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    return gcanvasCreateCoordWords(interp, c, item, objc, objv, 2, "x y ?options?");
}

/*
 * gcanvasMirroredAnchor --
 *	Where a w x h rectangle starts relative to its anchor point in
 *	canvas pixels: Tk's anchoring for positive scales, mirrored along
 *	an axis whose scale is negative. Shared with the window item.
 */
void gcanvasMirroredAnchor(Tk_Anchor anchor, double mx, double my, int w, int h, int *dx, int *dy)
{
    *dx = *dy = 0;
    switch (anchor) {
    case TK_ANCHOR_N:
        *dx = -(w / 2);
        if (my < 0) *dy = -h;
        break;
    case TK_ANCHOR_NE:
        if (mx > 0) *dx = -w;
        if (my < 0) *dy = -h;
        break;
    case TK_ANCHOR_E:
        if (mx > 0) *dx = -w;
        *dy = -(h / 2);
        break;
    case TK_ANCHOR_SE:
        if (mx > 0) *dx = -w;
        if (my > 0) *dy = -h;
        break;
    case TK_ANCHOR_S:
        *dx = -(w / 2);
        if (my > 0) *dy = -h;
        break;
    case TK_ANCHOR_SW:
        if (mx < 0) *dx = -w;
        if (my > 0) *dy = -h;
        break;
    case TK_ANCHOR_W:
        if (mx < 0) *dx = -w;
        *dy = -(h / 2);
        break;
    case TK_ANCHOR_NW:
        if (mx < 0) *dx = -w;
        if (my < 0) *dy = -h;
        break;
    default:
        *dx = -(w / 2);
        *dy = -(h / 2);
        break;
    }
}

/* The lower-left corner of a w x h rectangle on the PostScript page,
 * by Tk's table (never mirrored). */
void gcanvasPsAnchorCorner(Tk_Anchor anchor, double w, double h, double *x, double *y)
{
    switch (anchor) {
    case TK_ANCHOR_NW: *y -= h; break;
    case TK_ANCHOR_N: *x -= w / 2.0; *y -= h; break;
    case TK_ANCHOR_NE: *x -= w; *y -= h; break;
    case TK_ANCHOR_E: *x -= w; *y -= h / 2.0; break;
    case TK_ANCHOR_SE: *x -= w; break;
    case TK_ANCHOR_S: *x -= w / 2.0; break;
    case TK_ANCHOR_SW: break;
    case TK_ANCHOR_W: *y -= h / 2.0; break;
    default: *x -= w / 2.0; *y -= h / 2.0; break;
    }
}

