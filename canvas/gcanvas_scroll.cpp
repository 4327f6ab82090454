/*
 * gcanvas_scroll.cpp --
 *
 *	The view origin, scrollbars, xview, yview and scan. The scroll
 *	region is held in doubles; the origin, increments and scan marks stay
 *	whole pixels, reached from doubles only through clamping.
 */
#include <math.h>
#include <stdio.h>
#include "canvas/gcanvas.h"
#include "core/rounding.h"

static int remTrunc(int a, int b)
{
    return b == 0 ? 0 : a % b;
}

static int adjustOne(int origin, int inc, int inset, int confine, int hasRegion, double r1, double r2,
                     int size)
{
    if (inc > 0) {
        if (origin >= 0) {
            origin += inc / 2;
            origin -= remTrunc(origin + inset, inc);
        } else {
            int t = -origin + inc / 2;
            origin = -(t - remTrunc(t - inset, inc));
        }
    }
    if (confine && hasRegion) {
        int left = clampToInt(((double)origin + inset) - r1);
        int right = clampToInt(r2 - ((double)origin + size - inset));
        if (left < 0 && right > 0) {
            int delta = -left < right ? -left : right;
            if (inc > 0) delta -= delta % inc;
            origin += delta;
        } else if (right < 0 && left > 0) {
            int delta = -right < left ? -right : left;
            if (inc > 0) delta -= delta % inc;
            origin -= delta;
        }
    }
    return origin;
}

/* The view origin stays this far inside int, so that adding window sizes,
 * insets and increments to it never overflows, however far the world
 * transform or a scroll request reaches. */
enum { ORIGIN_LIMIT = 1 << 30 };

static int limitOrigin(int v)
{
    return v > ORIGIN_LIMIT ? ORIGIN_LIMIT : v < -ORIGIN_LIMIT ? -ORIGIN_LIMIT : v;
}

void gcanvasSetOrigin(GcanvasWidget *c, int xOrigin, int yOrigin)
{
    if (c->tkwin == NULL) return;
    xOrigin = limitOrigin(xOrigin);
    yOrigin = limitOrigin(yOrigin);
    int hasRegion = c->regionString != NULL && c->regionString[0] != '\0';
    xOrigin = adjustOne(xOrigin, c->xScrollIncrement, c->inset, c->confine, hasRegion, c->scrollX1,
                        c->scrollX2, Tk_Width(c->tkwin));
    yOrigin = adjustOne(yOrigin, c->yScrollIncrement, c->inset, c->confine, hasRegion, c->scrollY1,
                        c->scrollY2, Tk_Height(c->tkwin));
    xOrigin = limitOrigin(xOrigin);
    yOrigin = limitOrigin(yOrigin);
    if (xOrigin == c->xOrigin && yOrigin == c->yOrigin) return;
    gcanvasEventuallyRedraw(c, c->xOrigin, c->yOrigin, (double)c->xOrigin + Tk_Width(c->tkwin),
                            (double)c->yOrigin + Tk_Height(c->tkwin), 0);
    c->xOrigin = xOrigin;
    c->yOrigin = yOrigin;
    c->flags |= GC_UPDATE_SCROLLBARS;
    gcanvasEventuallyRedraw(c, c->xOrigin, c->yOrigin, (double)c->xOrigin + Tk_Width(c->tkwin),
                            (double)c->yOrigin + Tk_Height(c->tkwin), 0);
}

void printScrollFractions(int screen1, int screen2, double object1, double object2, char *buffer)
{
    double range = object2 - object1, f1, f2;
    if (range <= 0) {
        f1 = 0;
        f2 = 1.0;
    } else {
        f1 = (screen1 - object1) / range;
        f2 = (screen2 - object1) / range;
        if (f2 < f1) f2 = f1;
    }
    snprintf(buffer, 64, "%g %g", f1, f2);
}

void gcanvasUpdateScrollbars(GcanvasWidget *c)
{
    Tcl_Interp *interp = c->interp;
    Tcl_Preserve((ClientData)interp);
    Tcl_Obj *xCmd = c->xScrollCmd ? Tcl_NewStringObj(c->xScrollCmd, -1) : NULL;
    Tcl_Obj *yCmd = c->yScrollCmd ? Tcl_NewStringObj(c->yScrollCmd, -1) : NULL;
    if (xCmd) Tcl_IncrRefCount(xCmd);
    if (yCmd) Tcl_IncrRefCount(yCmd);
    int xo = c->xOrigin, yo = c->yOrigin, inset = c->inset;
    int w = c->tkwin ? Tk_Width(c->tkwin) : 0, h = c->tkwin ? Tk_Height(c->tkwin) : 0;
    double x1 = c->scrollX1, x2 = c->scrollX2, y1 = c->scrollY1, y2 = c->scrollY2;
    c->flags &= ~GC_UPDATE_SCROLLBARS;
    char buffer[64];
    if (xCmd != NULL && Tcl_GetString(xCmd)[0] != '\0') {
        printScrollFractions(xo + inset, xo + w - inset, x1, x2, buffer);
        if (Tcl_VarEval(interp, Tcl_GetString(xCmd), " ", buffer, (char *)NULL) != TCL_OK) {
            Tcl_BackgroundError(interp);
        }
        Tcl_ResetResult(interp);
    }
    if (yCmd != NULL && Tcl_GetString(yCmd)[0] != '\0') {
        printScrollFractions(yo + inset, yo + h - inset, y1, y2, buffer);
        if (Tcl_VarEval(interp, Tcl_GetString(yCmd), " ", buffer, (char *)NULL) != TCL_OK) {
            Tcl_BackgroundError(interp);
        }
        Tcl_ResetResult(interp);
    }
    if (xCmd) Tcl_DecrRefCount(xCmd);
    if (yCmd) Tcl_DecrRefCount(yCmd);
    Tcl_Release((ClientData)interp);
}

double gridAlign(double coord, double spacing)
{
    if (spacing <= 0.0) return coord;
    if (coord < 0) return -trunc(-coord / spacing + 0.5) * spacing;
    return trunc(coord / spacing + 0.5) * spacing;
}

int gcanvasViewCmd(Tcl_Interp *interp, GcanvasWidget *c, int objc, Tcl_Obj *const objv[], int vertical)
{
    int origin = vertical ? c->yOrigin : c->xOrigin;
    int size = vertical ? Tk_Height(c->tkwin) : Tk_Width(c->tkwin);
    double r1 = vertical ? c->scrollY1 : c->scrollX1, r2 = vertical ? c->scrollY2 : c->scrollX2;
    int inc = vertical ? c->yScrollIncrement : c->xScrollIncrement;
    if (objc == 2) {
        char buffer[64];
        printScrollFractions(origin + c->inset, origin + size - c->inset, r1, r2, buffer);
        Tcl_SetResult(interp, buffer, TCL_VOLATILE);
        return TCL_OK;
    }
    double fraction;
    int count;
    int type = Tk_GetScrollInfoObj(interp, objc, objv, &fraction, &count);
    int newOrigin = origin;
    switch (type) {
    case TK_SCROLL_ERROR:
        return TCL_ERROR;
    case TK_SCROLL_MOVETO:
        newOrigin = roundToInt((r2 - r1) * fraction + (r1 - c->inset));
        break;
    case TK_SCROLL_PAGES:
        newOrigin = clampToInt(origin + count * 0.9 * (size - 2 * c->inset));
        break;
    case TK_SCROLL_UNITS:
        if (inc > 0) {
            newOrigin = clampToInt((double)origin + (double)count * inc);
        } else {
            newOrigin = clampToInt(origin + count * 0.1 * (size - 2 * c->inset));
        }
        break;
    }
    if (vertical) {
        gcanvasSetOrigin(c, c->xOrigin, newOrigin);
    } else {
        gcanvasSetOrigin(c, newOrigin, c->yOrigin);
    }
    return TCL_OK;
}

int gcanvasScanCmd(Tcl_Interp *interp, GcanvasWidget *c, int objc, Tcl_Obj *const objv[])
{
    static const char *const options[] = {"mark", "dragto", NULL};
    int index;
    if (objc < 3) {
        Tcl_WrongNumArgs(interp, 2, objv, "mark|dragto x y ?dragGain?");
        return TCL_ERROR;
    }
    if (Tcl_GetIndexFromObj(interp, objv[2], options, "scan option", 0, &index) != TCL_OK) return TCL_ERROR;
    if (!(objc == 5 || (index == 1 && objc == 6))) {
        Tcl_WrongNumArgs(interp, 3, objv, index == 0 ? "x y" : "x y ?gain?");
        return TCL_ERROR;
    }
    double x, y, gain = 10.0;
    if (Tcl_GetDoubleFromObj(interp, objv[3], &x) != TCL_OK || Tcl_GetDoubleFromObj(interp, objv[4], &y) != TCL_OK
            || (objc == 6 && Tcl_GetDoubleFromObj(interp, objv[5], &gain) != TCL_OK)) {
        return TCL_ERROR;
    }
    if (index == 0) {
        c->scanX = clampToInt(x);
        c->scanXOrigin = c->xOrigin;
        c->scanY = clampToInt(y);
        c->scanYOrigin = c->yOrigin;
    } else {
        gcanvasSetOrigin(c, clampToInt(c->scanXOrigin - (x - c->scanX) * gain),
                         clampToInt(c->scanYOrigin - (y - c->scanY) * gain));
    }
    return TCL_OK;
}
