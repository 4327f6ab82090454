/*
 * item_kit.cpp --
 *
 *	Creation-word splitting and bounding-box tests shared by item types.
 */
#include <math.h>
#include "canvas/item_kit.h"
#include "core/rounding.h"

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

void gcanvasSetFillStippleOffset(GcCanvas c, Display *d, GC gc, StippleOffset *off, Pixmap stipple)
{
    int sw = 0, sh = 0;
    if (off->flags & (GC_OFFSET_CENTER | GC_OFFSET_MIDDLE)) {
        Tk_SizeOfBitmap(d, stipple, &sw, &sh);
        sw = (off->flags & GC_OFFSET_CENTER) ? sw / 2 : 0;
        sh = (off->flags & GC_OFFSET_MIDDLE) ? sh / 2 : 0;
    }
    off->xoffset -= sw;
    off->yoffset -= sh;
    gcanvasSetOffset(c, gc, off);
    off->xoffset += sw;
    off->yoffset += sh;
}

void gcanvasAnchorStippleOffset(StippleOffset *off, const double *b)
{
    if (off->flags & GC_OFFSET_LEFT) off->xoffset = clampToInt(b[0] + 0.5);
    else if (off->flags & GC_OFFSET_CENTER) off->xoffset = clampToInt((b[0] + b[2] + 1) * 0.5);
    else if (off->flags & GC_OFFSET_RIGHT) off->xoffset = clampToInt(b[2] + 0.5);
    if (off->flags & GC_OFFSET_TOP) off->yoffset = clampToInt(b[1] + 0.5);
    else if (off->flags & GC_OFFSET_MIDDLE) off->yoffset = clampToInt((b[1] + b[3] + 1) * 0.5);
    else if (off->flags & GC_OFFSET_BOTTOM) off->yoffset = clampToInt(b[3] + 0.5);
}

int gcanvasIsCurrentItem(GcCanvas c, GcanvasItem *item)
{
    return gcanvasWidgetOf(c)->currentItemPtr == item;
}
