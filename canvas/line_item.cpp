/*
 * line_item.cpp --
 *
 *	The line item: one or more polylines (parts) in world units drawn as
 *	one item, with arrowheads, caps, joins, dashes, stipples and optional
 *	smoothing. Arrowheads keep their shape in canvas pixels under any
 *	transform: a part's end is stored pulled back to its arrowhead's
 *	neck, the tip kept in the arrowhead. The part nearest the pointer is
 *	the item's component and can be highlighted.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "canvas/gcanvas_geometry.h"
#include "canvas/gcanvas_outline.h"
#include "canvas/gcanvas_postscript.h"
#include "canvas/guard_clip.h"
#include "canvas/item_kit.h"
#include "canvas/point_list_parse.h"
#include "canvas/polygon_item.h"
#include "canvas/polyline_measures.h"
#include "canvas/vertex_editing.h"
#include "core/rounding.h"
#include "display/windraw/lines_split.h"

enum { ARROW_NONE = 0, ARROW_FIRST = 1, ARROW_LAST = 2, ARROW_BOTH = 3 };
enum { FIXED_POINTS = 200 };

typedef struct LineItem {
    GcanvasItem header;
    GcCanvas canvas;
    int numPoints;
    int numParts;
    int *partSizes;
    double *points;
    GC arrowGC;
    int arrow;
    float shapeA, shapeB, shapeC;
    double *firstArrows;        /* 6 points per part; points 0 and 5 are the tip */
    double *lastArrows;
    ItemOutline outline;
    int joinStyle;
    int capStyle;
    int splineSteps;
    const SmoothMethod *smooth;
    int pickedPart;
    int highlightPart;
    XColor *highlightColor;
    GC highlightGC;
} LineItem;

/* ---- -arrow and -arrowshape ---- */

static int arrowParse(ClientData, Tcl_Interp *interp, Tk_Window, const char *value, char *rec, int offset)
{
    int *arrow = (int *)(rec + offset);
    size_t n = value != NULL ? strlen(value) : 0;
    if (n == 0) {
        *arrow = ARROW_NONE;
        return TCL_OK;
    }
    static const char *const names[4] = {"none", "first", "last", "both"};
    for (int i = 0; i < 4; i++) {
        if (value[0] == names[i][0] && strncmp(value, names[i], n) == 0) {
            *arrow = i;
            return TCL_OK;
        }
    }
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "bad arrow spec \"", value, "\": must be none, first, last, or both", (char *)NULL);
    *arrow = ARROW_NONE;
    return TCL_ERROR;
}

static const char *arrowPrint(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    static const char *const names[4] = {"none", "first", "last", "both"};
    int arrow = *(int *)(rec + offset);
    *freeProc = NULL;
    return names[arrow >= 0 && arrow < 4 ? arrow : 0];
}

static Tk_CustomOption arrowOption = {arrowParse, arrowPrint, NULL};

static int shapeParse(ClientData, Tcl_Interp *interp, Tk_Window tkwin, const char *value, char *rec, int offset)
{
    float *shape = (float *)(rec + offset);
    int argc;
    const char **argv = NULL;
    double d[3];
    int ok = value != NULL && Tcl_SplitList(interp, value, &argc, &argv) == TCL_OK && argc == 3;
    if (ok) {
        Screen *screen = Tk_Screen(tkwin);
        double ppm = (double)WidthOfScreen(screen) / (double)WidthMMOfScreen(screen);
        for (int i = 0; i < 3 && ok; i++) {
            double mm;
            if (Tk_GetScreenMM(interp, tkwin, argv[i], &mm) != TCL_OK) ok = 0;
            else d[i] = mm * ppm;
        }
    }
    if (argv != NULL) ckfree((char *)argv);
    if (!ok) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "bad arrow shape \"", value ? value : "", "\": must be list with three numbers",
                         (char *)NULL);
        return TCL_ERROR;
    }
    for (int i = 0; i < 3; i++) shape[i] = (float)d[i];
    return TCL_OK;
}

static const char *shapePrint(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    float *shape = (float *)(rec + offset);
    char *s = (char *)ckalloc(120);
    snprintf(s, 120, "%.5g %.5g %.5g", shape[0], shape[1], shape[2]);
    *freeProc = TCL_DYNAMIC;
    return s;
}

static Tk_CustomOption shapeOption = {shapeParse, shapePrint, NULL};

#define LO(f) ((int)offsetof(LineItem, f))

static Tk_ConfigSpec configSpecs[] = {
    {TK_CONFIG_CUSTOM, "-activedash", NULL, NULL, NULL, LO(outline.activeDash), TK_CONFIG_NULL_OK,
     &gcanvasDashOption},
    {TK_CONFIG_COLOR, "-activefill", NULL, NULL, NULL, LO(outline.activeColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-activestipple", NULL, NULL, NULL, LO(outline.activeStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-activewidth", NULL, NULL, "0.0", LO(outline.activeWidth), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasPixelOption},
    {TK_CONFIG_CUSTOM, "-arrow", NULL, NULL, "none", LO(arrow), TK_CONFIG_DONT_SET_DEFAULT, &arrowOption},
    {TK_CONFIG_CUSTOM, "-arrowshape", NULL, NULL, "8 10 3", LO(shapeA), TK_CONFIG_DONT_SET_DEFAULT, &shapeOption},
    {TK_CONFIG_CAP_STYLE, "-capstyle", NULL, NULL, "butt", LO(capStyle), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_COLOR, "-fill", "fill", NULL, "black", LO(outline.color), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_SYNONYM, "-outline", "fill", NULL, NULL, 0, 0, NULL},
    {TK_CONFIG_COLOR, "-background", "background", "Background", NULL, LO(outline.background), TK_CONFIG_NULL_OK,
     NULL},
    {TK_CONFIG_SYNONYM, "-bg", "background", NULL, NULL, 0, 0, NULL},
    {TK_CONFIG_CUSTOM, "-dash", NULL, NULL, NULL, LO(outline.dash), TK_CONFIG_NULL_OK, &gcanvasDashOption},
    {TK_CONFIG_PIXELS, "-dashoffset", NULL, NULL, "0", LO(outline.offset), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-disableddash", NULL, NULL, NULL, LO(outline.disabledDash), TK_CONFIG_NULL_OK,
     &gcanvasDashOption},
    {TK_CONFIG_COLOR, "-disabledfill", NULL, NULL, NULL, LO(outline.disabledColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-disabledstipple", NULL, NULL, NULL, LO(outline.disabledStipple), TK_CONFIG_NULL_OK,
     NULL},
    {TK_CONFIG_CUSTOM, "-disabledwidth", NULL, NULL, "0.0", LO(outline.disabledWidth),
     TK_CONFIG_DONT_SET_DEFAULT, &gcanvasPixelOption},
    {TK_CONFIG_INT, "-floating", NULL, NULL, "0", LO(header.floating), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_JOIN_STYLE, "-joinstyle", NULL, NULL, "round", LO(joinStyle), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_COLOR, "-highlightcolor", NULL, NULL, "yellow", LO(highlightColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-offset", NULL, NULL, "0,0", LO(outline.tsoffset), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasIndexOffsetOption},
    {TK_CONFIG_CUSTOM, "-smooth", NULL, NULL, "0", LO(smooth), TK_CONFIG_DONT_SET_DEFAULT, &gcanvasSmoothOption},
    {TK_CONFIG_INT, "-splinesteps", NULL, NULL, "12", LO(splineSteps), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-state", NULL, NULL, NULL, LO(header.state), TK_CONFIG_NULL_OK, &gcanvasStateOption},
    {TK_CONFIG_BITMAP, "-stipple", NULL, NULL, NULL, LO(outline.stipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-tags", NULL, NULL, NULL, 0, TK_CONFIG_NULL_OK, &gcanvasTagsOption},
    {TK_CONFIG_CUSTOM, "-width", NULL, NULL, "1.0", LO(outline.width), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasPixelOption},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

/* ---- state ---- */

static double effWidth(GcCanvas c, LineItem *l)
{
    double width = l->outline.width;
    if (gcanvasIsCurrentItem(c, &l->header)) {
        if (l->outline.activeWidth > width) width = l->outline.activeWidth;
    } else if (gcanvasItemState(c, &l->header) == GC_STATE_DISABLED) {
        if (l->outline.disabledWidth > 0) width = l->outline.disabledWidth;
    }
    return width * gcanvasWidgetOf(c)->pixelRatio;
}

static int partStart(LineItem *l, int part)
{
    int start = 0;
    for (int k = 0; k < part; k++) start += l->partSizes[k];
    return start;
}

/* ---- arrowheads ---- */

/* Puts every part's ends back at their arrow tips and frees the
 * arrowheads of the ends named (first, last or both). */
static void restoreEnds(LineItem *l, int which)
{
    int start = 0;
    for (int k = 0; k < l->numParts; k++) {
        int n = l->partSizes[k];
        if (n > 0) {
            if ((which & ARROW_FIRST) && l->firstArrows != NULL) {
                l->points[2 * start] = l->firstArrows[12 * k];
                l->points[2 * start + 1] = l->firstArrows[12 * k + 1];
            }
            if ((which & ARROW_LAST) && l->lastArrows != NULL) {
                l->points[2 * (start + n - 1)] = l->lastArrows[12 * k];
                l->points[2 * (start + n - 1) + 1] = l->lastArrows[12 * k + 1];
            }
        }
        start += n;
    }
    if ((which & ARROW_FIRST) && l->firstArrows != NULL) {
        ckfree((char *)l->firstArrows);
        l->firstArrows = NULL;
    }
    if ((which & ARROW_LAST) && l->lastArrows != NULL) {
        ckfree((char *)l->lastArrows);
        l->lastArrows = NULL;
    }
}

static void makeArrow(GcCanvas c, LineItem *l, double *group, double *end, const double *q, double w)
{
    double mx = c->mx, my = c->my;
    /* The shape is in screen pixels, drawn larger by a print's pixel ratio
     * like the line's width w. */
    double ratio = gcanvasWidgetOf(c)->pixelRatio;
    double a = l->shapeA * ratio + 0.001, b = l->shapeB * ratio + 0.001;
    double cc = l->shapeC * ratio + w / 2 + 0.001;
    double frac = (w / 2) / cc;
    double backup = frac * b + a * (1 - frac) / 2;
    double tipX = group[0], tipY = group[1];
    double dx = (tipX - q[0]) * mx, dy = (tipY - q[1]) * my;
    double len = hypot(dx, dy);
    double cosT = len == 0 ? 0 : dx / len, sinT = len == 0 ? 0 : dy / len;
    double neckX = tipX - a * cosT / mx, neckY = tipY - a * sinT / my;
    double p1x = tipX - (b * cosT - cc * sinT) / mx, p1y = tipY - (b * sinT + cc * cosT) / my;
    double p4x = p1x - 2 * cc * sinT / mx, p4y = p1y + 2 * cc * cosT / my;
    group[2] = p1x;
    group[3] = p1y;
    group[4] = p1x * frac + neckX * (1 - frac);
    group[5] = p1y * frac + neckY * (1 - frac);
    group[6] = p4x * frac + neckX * (1 - frac);
    group[7] = p4y * frac + neckY * (1 - frac);
    group[8] = p4x;
    group[9] = p4y;
    group[10] = tipX;
    group[11] = tipY;
    end[0] = tipX - backup * cosT / mx;
    end[1] = tipY - backup * sinT / my;
}

static void configureArrows(GcCanvas c, LineItem *l)
{
    if (l->numPoints < 2 || l->numParts <= 0) return;
    double w = effWidth(c, l);
    for (int side = ARROW_FIRST; side <= ARROW_LAST; side++) {
        if (!(l->arrow & side)) continue;
        double **arr = side == ARROW_FIRST ? &l->firstArrows : &l->lastArrows;
        if (*arr == NULL) {
            *arr = (double *)ckalloc(12 * l->numParts * sizeof(double));
            int start = 0;
            for (int k = 0; k < l->numParts; k++) {
                int n = l->partSizes[k];
                int at = side == ARROW_FIRST ? start : start + n - 1;
                for (int i = 0; i < 6; i++) {
                    (*arr)[12 * k + 2 * i] = l->points[2 * at];
                    (*arr)[12 * k + 2 * i + 1] = l->points[2 * at + 1];
                }
                start += n;
            }
        }
        int start = 0;
        for (int k = 0; k < l->numParts; k++) {
            int n = l->partSizes[k];
            double *group = *arr + 12 * k;
            if (n >= 2) {
                int at = side == ARROW_FIRST ? start : start + n - 1;
                int qi = side == ARROW_FIRST ? start + 1 : start + n - 2;
                makeArrow(c, l, group, l->points + 2 * at, l->points + 2 * qi, w);
            }
            start += n;
        }
    }
}

/* ---- box ---- */

static void resolveOffset(LineItem *l, const double *box)
{
    StippleOffset *off = &l->outline.tsoffset;
    if (off->flags & GC_OFFSET_INDEX) {
        if (l->numPoints == 0) return;
        int index = off->flags == INT32_MAX ? 2 * l->numPoints : (off->flags & ~1);
        const double *pt;
        if (index <= 0) pt = l->firstArrows != NULL ? l->firstArrows : l->points;
        else if (index >= 2 * l->numPoints) {
            pt = l->lastArrows != NULL ? l->lastArrows + 12 * (l->numParts - 1) : l->points + 2 * l->numPoints - 2;
        } else pt = l->points + index;
        off->xoffset = clampToInt(pt[0] + 0.5);
        off->yoffset = clampToInt(pt[1] + 0.5);
        return;
    }
    if (off->flags & GC_OFFSET_LEFT) off->xoffset = roundToInt(box[0]);
    else if (off->flags & GC_OFFSET_CENTER) off->xoffset = roundToInt((box[0] + box[2]) * 0.5);
    else if (off->flags & GC_OFFSET_RIGHT) off->xoffset = roundToInt(box[2]);
    if (off->flags & GC_OFFSET_TOP) off->yoffset = roundToInt(box[1]);
    else if (off->flags & GC_OFFSET_MIDDLE) off->yoffset = roundToInt((box[1] + box[3]) * 0.5);
    else if (off->flags & GC_OFFSET_BOTTOM) off->yoffset = roundToInt(box[3]);
}

static void computeBbox(GcCanvas c, GcanvasItem *item)
{
    LineItem *l = (LineItem *)item;
    if (l->numPoints == 0 || gcanvasItemState(c, item) == GC_STATE_HIDDEN) {
        item->x1 = item->y1 = item->x2 = item->y2 = -1;
        return;
    }
    double s = (fabs(c->mx) + fabs(c->my)) * 0.5;
    double w = effWidth(c, l);
    if (w < 1.0) w = 1.0;
    double m = trunc(w + 1.5);
    double ww = w / s;
    double box[4];
    pointsBounds(l->points, l->numPoints, box);
    item->x1 = box[0];
    item->y1 = box[1];
    item->x2 = box[2];
    item->y2 = box[3];
    if (l->firstArrows != NULL) includePointDouble(item, l->firstArrows);
    if (l->lastArrows != NULL) includePointDouble(item, l->lastArrows);
    double wb[4] = {item->x1, item->y1, item->x2, item->y2};
    resolveOffset(l, wb);
    if (l->numPoints > 1) {
        if (l->joinStyle == JoinMiter) {
            double m1[2], m2[2];
            for (int i = 0; i + 2 < l->numPoints; i++) {
                if (TkGetMiterPoints(l->points + 2 * i, l->points + 2 * i + 2, l->points + 2 * i + 4, ww, m1, m2)) {
                    includePointDouble(item, m1);
                    includePointDouble(item, m2);
                }
            }
        }
        for (int k = 0; k < l->numParts; k++) {
            if (l->firstArrows != NULL) includePointsDouble(item, l->firstArrows + 12 * k, 6);
            if (l->lastArrows != NULL) includePointsDouble(item, l->lastArrows + 12 * k, 6);
        }
    }
    setItemBboxFromWorld(c, item->x1, item->y1, item->x2, item->y2, item);
    item->x1 -= m;
    item->y1 -= m;
    item->x2 += m;
    item->y2 += m;
    item->marginX = item->marginY = (float)m;
}

/* ---- configuration ---- */

static int configGCs(GcCanvas c, LineItem *l)
{
    GcanvasItem *item = &l->header;
    ItemOutline *o = &l->outline;
    Tk_Window tkwin = gcanvasTkwin(c);
    if (o->activeWidth > o->width || o->activeDash.number != 0 || o->activeColor != NULL
            || o->activeStipple != None) {
        item->redraw_flags |= GC_ITEM_STATE_DEPENDANT;
    } else {
        item->redraw_flags &= ~GC_ITEM_STATE_DEPENDANT;
    }
    XGCValues v;
    GC newGC = NULL, newArrowGC = NULL;
    int mask = outlineConfigGC(&v, c, item, o);
    if (mask) {
        if (l->arrow == ARROW_NONE) {
            v.cap_style = l->capStyle;
            mask |= GCCapStyle;
        }
        v.join_style = l->joinStyle;
        mask |= GCJoinStyle;
        newGC = Tk_GetGC(tkwin, mask, &v);
        v.line_width = 0;
        newArrowGC = Tk_GetGC(tkwin, mask, &v);
    }
    if (o->gc != NULL) Tk_FreeGC(c->display, o->gc);
    if (l->arrowGC != NULL) Tk_FreeGC(c->display, l->arrowGC);
    o->gc = newGC;
    l->arrowGC = newArrowGC;
    if (l->splineSteps < 1) l->splineSteps = 1;
    else if (l->splineSteps > 100) l->splineSteps = 100;
    newGC = NULL;
    if (l->highlightColor != NULL) {
        double width = o->width;
        if (gcanvasIsCurrentItem(c, item) && o->activeWidth > width) width = o->activeWidth;
        if (width < 1.0) width = 1.0;
        v.foreground = l->highlightColor->pixel;
        v.line_width = clampToInt(width + 0.5);
        v.cap_style = l->capStyle;
        v.join_style = l->joinStyle;
        newGC = Tk_GetGC(tkwin, GCForeground | GCLineWidth | GCCapStyle | GCJoinStyle, &v);
    }
    if (l->highlightGC != NULL) Tk_FreeGC(c->display, l->highlightGC);
    l->highlightGC = newGC;
    return TCL_OK;
}

static void arrowSteps(GcCanvas c, LineItem *l)
{
    if (l->numPoints == 0 || gcanvasItemState(c, &l->header) == GC_STATE_HIDDEN) return;
    int unwanted = 0;
    if (!(l->arrow & ARROW_FIRST)) unwanted |= ARROW_FIRST;
    if (!(l->arrow & ARROW_LAST)) unwanted |= ARROW_LAST;
    restoreEnds(l, unwanted);
    if (l->arrow != ARROW_NONE) configureArrows(c, l);
}

static int configure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                     int flags)
{
    LineItem *l = (LineItem *)item;
    if (Tk_ConfigureWidget(interp, gcanvasTkwin(c), configSpecs, objc, (const char **)objv, (char *)l,
                           flags | TK_CONFIG_OBJS) != TCL_OK) {
        return TCL_ERROR;
    }
    configGCs(c, l);
    arrowSteps(c, l);
    computeBbox(c, item);
    return TCL_OK;
}

static void lineInit(GcCanvas c, LineItem *l)
{
    l->canvas = c;
    l->numPoints = l->numParts = 0;
    l->partSizes = NULL;
    l->points = NULL;
    l->arrowGC = NULL;
    l->arrow = ARROW_NONE;
    l->shapeA = 8;
    l->shapeB = 10;
    l->shapeC = 3;
    l->firstArrows = l->lastArrows = NULL;
    outlineInit(&l->outline);
    l->joinStyle = JoinRound;
    l->capStyle = CapButt;
    l->splineSteps = 12;
    l->smooth = NULL;
    l->pickedPart = l->highlightPart = -1;
    l->highlightColor = NULL;
    l->highlightGC = NULL;
}

static void freeGeometry(LineItem *l)
{
    if (l->points != NULL) ckfree((char *)l->points);
    if (l->partSizes != NULL) ckfree((char *)l->partSizes);
    if (l->firstArrows != NULL) ckfree((char *)l->firstArrows);
    if (l->lastArrows != NULL) ckfree((char *)l->lastArrows);
    l->points = l->firstArrows = l->lastArrows = NULL;
    l->partSizes = NULL;
    l->numPoints = l->numParts = 0;
}

static void deleteProc(GcCanvas, GcanvasItem *item, Display *display)
{
    LineItem *l = (LineItem *)item;
    outlineFree(display, &l->outline);
    freeGeometry(l);
    if (l->arrowGC != NULL) Tk_FreeGC(display, l->arrowGC);
    if (l->highlightColor != NULL) Tk_FreeColor(l->highlightColor);
    if (l->highlightGC != NULL) Tk_FreeGC(display, l->highlightGC);
    l->arrowGC = l->highlightGC = NULL;
    l->highlightColor = NULL;
}

static int readCoord(ClientData cd, Tcl_Interp *interp, Tcl_Obj *obj, double *out)
{
    return gcanvasGetCoordFromObj(interp, (GcCanvas)cd, obj, out);
}

static void setGeometry(LineItem *l, double *points, int numPoints, int *sizes, int numParts)
{
    freeGeometry(l);
    l->points = points;
    l->numPoints = numPoints;
    l->partSizes = sizes;
    l->numParts = numParts;
    if (l->pickedPart >= numParts) l->pickedPart = -1;
    if (l->highlightPart >= numParts) l->highlightPart = -1;
}

static int coords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    LineItem *l = (LineItem *)item;
    if (objc == 0) {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        int start = 0;
        for (int k = 0; k < l->numParts; k++) {
            int n = l->partSizes[k];
            for (int i = 0; i < n; i++) {
                const double *pt = l->points + 2 * (start + i);
                if (i == 0 && l->firstArrows != NULL) pt = l->firstArrows + 12 * k;
                else if (i == n - 1 && l->lastArrows != NULL) pt = l->lastArrows + 12 * k;
                Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(pt[0]));
                Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(pt[1]));
            }
            start += n;
        }
        if (l->numParts > 1) {
            Tcl_Obj *sizes = Tcl_NewListObj(0, NULL);
            for (int k = 0; k < l->numParts; k++) Tcl_ListObjAppendElement(NULL, sizes, Tcl_NewIntObj(l->partSizes[k]));
            Tcl_ListObjAppendElement(NULL, list, sizes);
        }
        Tcl_SetObjResult(interp, list);
        return TCL_OK;
    }
    ParsedPoints parsed;
    if (parsePointList(interp, objc, objv, POINTS_POLYLINE, readCoord, (ClientData)c, &parsed) != TCL_OK) {
        return TCL_ERROR;
    }
    setGeometry(l, parsed.points, parsed.numPoints, parsed.sizes, parsed.numParts);
    if (l->arrow != ARROW_NONE) configureArrows(c, l);
    computeBbox(c, item);
    return TCL_OK;
}

static int create(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    LineItem *l = (LineItem *)item;
    lineInit(c, l);
    int n = gcanvasLeadingCoordWords(objc, objv);
    if ((n > 0 && coords(interp, c, item, n, objv) != TCL_OK)
            || configure(interp, c, item, objc - n, objv + n, 0) != TCL_OK) {
        deleteProc(c, item, c->display);
        return TCL_ERROR;
    }
    return TCL_OK;
}

/* ---- display ---- */

/* A part reaching far off the drawable: cut to the guard in canvas
 * pixels, each visible run drawn with the dashes in phase with the part's
 * first point. */
typedef struct FarStroke {
    GcCanvas c;
    LineItem *l;
    Display *d;
    Drawable drawable;
    GC gc;
    int phased;
} FarStroke;

static void strokeFarRun(void *clientData, const XPoint *points, int count, double along)
{
    FarStroke *f = (FarStroke *)clientData;
    if (f->phased) outlineDashPhase(f->c, &f->l->header, &f->l->outline, 1, along);
    drawLinesSplit(f->d, f->drawable, f->gc, points, count, CoordModeOrigin);
}

static void strokeFarPart(FarStroke *f, const double *world, int n, const GuardBox *guard)
{
    GcanvasWidget *w = gcanvasWidgetOf(f->c);
    double *canvasPts = (double *)ckalloc(2 * (size_t)n * sizeof(double));
    XPoint *room = (XPoint *)ckalloc(2 * (size_t)n * sizeof(XPoint));
    for (int i = 0; i < n; i++) {
        canvasPts[2 * i] = worldToCanvasX(f->c, world[2 * i]);
        canvasPts[2 * i + 1] = worldToCanvasY(f->c, world[2 * i + 1]);
    }
    clipPolylineToGuard(canvasPts, n, w->drawableXOrigin, w->drawableYOrigin, guard, room, strokeFarRun, f);
    if (f->phased) outlineDashPhase(f->c, &f->l->header, &f->l->outline, 1, 0.0);
    ckfree((char *)room);
    ckfree((char *)canvasPts);
}

static void display(GcCanvas c, GcanvasItem *item, Display *d, Drawable drawable, int x, int y, int width,
                    int height)
{
    LineItem *l = (LineItem *)item;
    if (l->numPoints == 0 || l->outline.gc == NULL) return;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    int smooth = l->smooth != NULL && l->numPoints >= 3;
    long long total = 0;
    for (int k = 0; k < l->numParts; k++) {
        int n = l->partSizes[k];
        total += smooth && n >= 3 ? l->smooth->coordProc(c, NULL, n, l->splineSteps, NULL, NULL) : (n < 2 ? 2 : n);
    }
    XPoint fixed[FIXED_POINTS];
    XPoint *xp = total <= FIXED_POINTS ? fixed : (XPoint *)ckalloc((size_t)total * sizeof(XPoint));
    int fixedSizes[16];
    int *sz = l->numParts <= 16 ? fixedSizes : (int *)ckalloc(l->numParts * sizeof(int));
    /* Parts reaching far off the drawable are marked with the size -1 and
     * drawn cut to the guard below. */
    double *smoothBuf = NULL;
    int smoothRoom = 0;
    XPoint *at = xp;
    const double *src = l->points;
    for (int k = 0; k < l->numParts; k++) {
        int n = l->partSizes[k];
        if (n == 1) {
            at[0].x = gcanvasDrawableCoords(w->drawableXOrigin, worldToCanvasX(c, src[0]));
            at[0].y = gcanvasDrawableCoords(w->drawableYOrigin, worldToCanvasY(c, src[1]));
            sz[k] = 1;
        } else if (smooth && n >= 3) {
            int bound = l->smooth->coordProc(c, NULL, n, l->splineSteps, NULL, NULL);
            if (bound > smoothRoom) {
                if (smoothBuf != NULL) ckfree((char *)smoothBuf);
                smoothBuf = (double *)ckalloc(2 * bound * sizeof(double));
                smoothRoom = bound;
            }
            int m = l->smooth->coordProc(c, src, n, l->splineSteps, NULL, smoothBuf);
            if (m > 0 && !worldPointsNear(c, smoothBuf, m)) {
                sz[k] = -1;
            } else {
                sz[k] = m > 0 ? worldToScreenRing(c, smoothBuf, at, m) : 0;
            }
        } else if (n > 0 && !worldPointsNear(c, src, n)) {
            sz[k] = -1;
        } else {
            sz[k] = n > 0 ? worldToScreenRing(c, src, at, n) : 0;
        }
        at += sz[k] > 0 ? sz[k] : 0;
        src += 2 * (n > 0 ? n : 0);
    }
    if (outlineChangeGC(c, item, &l->outline) && l->arrowGC != NULL) {
        gcanvasSetOffset(c, l->arrowGC, &l->outline.tsoffset);
    }
    double lineWidth = l->outline.width;
    if (gcanvasIsCurrentItem(c, item)) {
        if (l->outline.activeWidth != lineWidth && l->outline.activeWidth > 0) lineWidth = l->outline.activeWidth;
    } else if (gcanvasItemState(c, item) == GC_STATE_DISABLED) {
        if (l->outline.disabledWidth != lineWidth && l->outline.disabledWidth > 0) {
            lineWidth = l->outline.disabledWidth;
        }
    }
    int dia = clampToInt(lineWidth + 0.5);
    if (dia < 1) dia = 1;
    GuardBox guard;
    guardAroundArea(&guard, x, y, width, height, lineWidth);
    at = xp;
    src = l->points;
    for (int k = 0; k < l->numParts; k++) {
        int high = k == l->highlightPart && l->highlightGC != NULL;
        GC strokeGC = high ? l->highlightGC : l->outline.gc;
        GC fillGC = high ? l->highlightGC : l->arrowGC;
        int n = l->partSizes[k];
        if (sz[k] < 0) {
            FarStroke f = {c, l, d, drawable, strokeGC, strokeGC == l->outline.gc};
            if (smooth && n >= 3) {
                int m = l->smooth->coordProc(c, src, n, l->splineSteps, NULL, smoothBuf);
                strokeFarPart(&f, smoothBuf, m, &guard);
            } else {
                strokeFarPart(&f, src, n, &guard);
            }
        } else if (sz[k] < 2) {
            if (sz[k] == 1) {
                XFillArc(d, drawable, strokeGC, at[0].x - dia / 2, at[0].y - dia / 2, (unsigned)dia + 1,
                         (unsigned)dia + 1, 0, 64 * 360);
            }
        } else {
            drawLinesSplit(d, drawable, strokeGC, at, sz[k], CoordModeOrigin);
        }
        if (l->firstArrows != NULL && n >= 2) {
            polygonFillDraw(c, l->firstArrows + 12 * k, 6, d, drawable, fillGC, NULL, 0);
        }
        if (l->lastArrows != NULL && n >= 2) {
            polygonFillDraw(c, l->lastArrows + 12 * k, 6, d, drawable, fillGC, NULL, 0);
        }
        at += sz[k] > 0 ? sz[k] : 0;
        src += 2 * (n > 0 ? n : 0);
    }
    if (smoothBuf != NULL) ckfree((char *)smoothBuf);
    if (outlineResetGC(c, item, &l->outline) && l->arrowGC != NULL) XSetTSOrigin(d, l->arrowGC, 0, 0);
    if (xp != fixed) ckfree((char *)xp);
    if (sz != fixedSizes) ckfree((char *)sz);
}

/* ---- hit tests ---- */

static double partToPoint(GcCanvas c, LineItem *l, const double *pts, int n, const double *first,
                          const double *last, const double *point)
{
    double world[2] = {canvasToWorldX(c, point[0]), canvasToWorldY(c, point[1])};
    double sx = fabs(c->mx), sy = fabs(c->my), s = (sx + sy) * 0.5;
    double w = effWidth(c, l);
    if (w < 1.0) w = 1.0;
    double ww = w / s;
    if (n <= 0 || l->header.state == GC_STATE_HIDDEN) return 1.0e36;
    if (n == 1) {
        double d = hypot(sx * (pts[0] - world[0]), sy * (pts[1] - world[1])) - w / 2;
        return d < 0 ? 0 : d;
    }
    double fixed[2 * FIXED_POINTS];
    double *buffer = NULL;
    if (l->smooth != NULL && n >= 3) {
        int bound = l->smooth->coordProc(c, NULL, n, l->splineSteps, NULL, NULL);
        double *out = bound <= FIXED_POINTS ? fixed : (buffer = (double *)ckalloc(2 * bound * sizeof(double)));
        n = l->smooth->coordProc(c, pts, n, l->splineSteps, NULL, out);
        pts = out;
    }
    double best = strokeToPointScaled(sx, sy, pts, n, ww, w, l->capStyle, l->joinStyle, world);
    if (buffer != NULL) ckfree((char *)buffer);
    if (best <= 0.0) return 0.0;
    const double *heads[2] = {first, last};
    for (int i = 0; i < 2; i++) {
        if (heads[i] == NULL) continue;
        double d = polygonToPointDouble(sx, sy, heads[i], 6, world, NULL);
        if (d < best) best = d;
        if (best <= 0.0) return 0.0;
    }
    return best;
}

static double toPoint(GcCanvas c, GcanvasItem *item, double *point)
{
    LineItem *l = (LineItem *)item;
    double best = 1.0e36;
    l->pickedPart = -1;
    int start = l->numPoints;
    for (int k = l->numParts - 1; k >= 0; k--) {
        int n = l->partSizes[k];
        start -= n;
        double d = partToPoint(c, l, l->points + 2 * start, n, l->firstArrows ? l->firstArrows + 12 * k : NULL,
                               l->lastArrows ? l->lastArrows + 12 * k : NULL, point);
        if (d < best && d < c->closeEnough) {
            best = d;
            l->pickedPart = k;
            break;
        }
        if (d < best) best = d;
    }
    return best;
}

static int partToArea(GcCanvas c, LineItem *l, const double *pts, int n, const double *first, const double *last,
                      const double *rect)
{
    double s = (fabs(c->mx) + fabs(c->my)) * 0.5;
    double w = effWidth(c, l), ww = w / s, r = (w + 1) / 2 / s;
    if (gcanvasItemState(c, &l->header) == GC_STATE_HIDDEN || n <= 0) return -1;
    if (n == 1) {
        double oval[4] = {pts[0] - r, pts[1] - r, pts[0] + r, pts[1] + r};
        return TkOvalToArea(oval, (double *)rect);
    }
    double fixed[2 * FIXED_POINTS];
    double *buffer = NULL;
    if (l->smooth != NULL && n >= 3) {
        int bound = l->smooth->coordProc(c, NULL, n, l->splineSteps, NULL, NULL);
        double *out = bound <= FIXED_POINTS ? fixed : (buffer = (double *)ckalloc(2 * bound * sizeof(double)));
        n = l->smooth->coordProc(c, pts, n, l->splineSteps, NULL, out);
        pts = out;
    }
    int state = TkThickPolyLineToArea((double *)pts, n, ww, l->capStyle, l->joinStyle, (double *)rect);
    if (buffer != NULL) ckfree((char *)buffer);
    const double *heads[2] = {first, last};
    for (int i = 0; i < 2 && state != 0; i++) {
        if (heads[i] != NULL && TkPolygonToArea((double *)heads[i], 6, (double *)rect) != state) state = 0;
    }
    return state;
}

static int toArea(GcCanvas c, GcanvasItem *item, double *area)
{
    LineItem *l = (LineItem *)item;
    if (l->numPoints == 0) return -1;
    double rect[4];
    screenRectToWorld(c, area, rect);
    int allIn = 1, allOut = 1, start = 0;
    for (int k = 0; k < l->numParts; k++) {
        int n = l->partSizes[k];
        int r = partToArea(c, l, l->points + 2 * start, n, l->firstArrows ? l->firstArrows + 12 * k : NULL,
                           l->lastArrows ? l->lastArrows + 12 * k : NULL, rect);
        if (r == 0) return 0;
        if (r != 1) allIn = 0;
        if (r != -1) allOut = 0;
        start += n;
    }
    return allIn ? 1 : allOut ? -1 : 0;
}

/* ---- components ---- */

static int getComponent(GcanvasItem *item)
{
    return ((LineItem *)item)->pickedPart;
}

static void redrawPart(GcCanvas c, GcanvasItem *item, int part)
{
    LineItem *l = (LineItem *)item;
    if (l->numParts == 1) {
        gcanvasEventuallyRedraw(c, l->header.x1, l->header.y1, l->header.x2, l->header.y2, !l->header.floating);
        return;
    }
    double b[4], r[4];
    int start = partStart(l, part), n = l->partSizes[part];
    pointsBounds(l->points + 2 * start, n, b);
    double *heads[2] = {l->firstArrows, l->lastArrows};
    for (int i = 0; i < 2; i++) {
        if (heads[i] == NULL) continue;
        double hb[4];
        pointsBounds(heads[i] + 12 * part, 6, hb);
        if (hb[0] < b[0]) b[0] = hb[0];
        if (hb[1] < b[1]) b[1] = hb[1];
        if (hb[2] > b[2]) b[2] = hb[2];
        if (hb[3] > b[3]) b[3] = hb[3];
    }
    worldRectToScreen(c, b[0], b[1], b[2], b[3], r);
    /* Widened by the line's margin so that wide strokes redraw whole. */
    double m = l->header.marginX;
    gcanvasEventuallyRedraw(c, r[0] - m, r[1] - m, r[2] + m, r[3] + m, !l->header.floating);
}

static void highlightComponent(GcCanvas c, GcanvasItem *item, int on)
{
    LineItem *l = (LineItem *)item;
    componentHighlight(c, item, on, l->pickedPart, &l->highlightPart, l->numParts, redrawPart);
}

/* ---- index, insert, delete ---- */

static int indexProc(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, Tcl_Obj *obj, int *indexPtr)
{
    LineItem *l = (LineItem *)item;
    return vertexIndexFromObj(interp, c, obj, l->points, 1, &l->numPoints, NULL, 0, indexPtr);
}

static void insertProc(GcCanvas c, GcanvasItem *item, int beforeThis, Tcl_Obj *obj)
{
    LineItem *l = (LineItem *)item;
    int objc;
    double *vals = vertexValuesFromObj(obj, &objc);
    if (vals == NULL) {
        if (objc < 0 && c->interp != NULL) Tcl_ResetResult(c->interp);
        return;
    }
    if (beforeThis < 0) beforeThis = 0;
    if (beforeThis > 2 * l->numPoints) beforeThis = 2 * l->numPoints;
    restoreEnds(l, ARROW_BOTH);
    double *points;
    int *sizes, numParts;
    verticesInsert(l->points, l->numPoints, l->partSizes, l->numParts, beforeThis / 2, vals, objc / 2, &points,
                   &sizes, &numParts);
    ckfree((char *)vals);
    setGeometry(l, points, l->numPoints + objc / 2, sizes, numParts);
    if (l->arrow != ARROW_NONE) configureArrows(c, l);
    computeBbox(c, item);
}

static void deleteCoords(GcCanvas c, GcanvasItem *item, int first, int last)
{
    LineItem *l = (LineItem *)item;
    first &= ~1;
    last &= ~1;
    if (first < 0) first = 0;
    if (last >= 2 * l->numPoints) last = 2 * l->numPoints - 2;
    if (first > last) return;
    restoreEnds(l, ARROW_BOTH);
    int from = first / 2, to = last / 2;
    int kept = l->numPoints - (to - from + 1);
    double *points = (double *)ckalloc((kept > 0 ? 2 * kept : 1) * sizeof(double));
    int *sizes = (int *)ckalloc((l->numParts > 0 ? l->numParts : 1) * sizeof(int));
    int at;
    int parts = verticesKeepOutside(l->points, l->partSizes, l->numParts, from, to, 1, points, sizes, &at);
    if (parts == 0) {
        ckfree((char *)points);
        ckfree((char *)sizes);
        freeGeometry(l);
        l->pickedPart = l->highlightPart = -1;
    } else {
        setGeometry(l, points, at, sizes, parts);
        if (l->arrow != ARROW_NONE) configureArrows(c, l);
    }
    computeBbox(c, item);
}

/* ---- moving, scaling ---- */

static void scaleProc(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy)
{
    LineItem *l = (LineItem *)item;
    restoreEnds(l, ARROW_BOTH);
    pointsScale(l->points, l->numPoints, ox, oy, sx, sy);
    if (l->arrow != ARROW_NONE) configureArrows(c, l);
    computeBbox(c, item);
}

static void translateProc(GcCanvas c, GcanvasItem *item, double dx, double dy)
{
    LineItem *l = (LineItem *)item;
    pointsTranslate(l->points, l->numPoints, dx, dy);
    double *heads[2] = {l->firstArrows, l->lastArrows};
    for (int h = 0; h < 2; h++) {
        if (heads[h] == NULL) continue;
        pointsTranslate(heads[h], 6 * l->numParts, dx, dy);
    }
    computeBbox(c, item);
}

/* ---- point sets ---- */

static int createFromPoints(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, PointSetDesc *desc)
{
    LineItem *l = (LineItem *)item;
    lineInit(c, l);
    if (Tk_ConfigureWidget(interp, gcanvasTkwin(c), configSpecs, 0, NULL, (char *)l, TK_CONFIG_OBJS) != TCL_OK) {
        deleteProc(c, item, c->display);
        return TCL_ERROR;
    }
    if (desc != NULL && desc->numParts > 0) {
        int parts = desc->partSizes != NULL ? desc->numParts : 1;
        int single = desc->numParts;
        const int *src = desc->partSizes != NULL ? desc->partSizes : &single;
        int total = 0;
        for (int k = 0; k < parts; k++) total += src[k] > 0 ? src[k] : 0;
        double *points = (double *)ckalloc((total > 0 ? 2 * total : 1) * sizeof(double));
        int *sizes = (int *)ckalloc(parts * sizeof(int));
        memcpy(points, desc->points, 2 * total * sizeof(double));
        for (int k = 0; k < parts; k++) sizes[k] = src[k] > 0 ? src[k] : 0;
        setGeometry(l, points, total, sizes, parts);
        if (desc->outline != NULL) {
            OutlineSource *os = (OutlineSource *)desc->outline;
            l->splineSteps = os->splineSteps;
            l->smooth = os->smooth;
            l->outline.width = os->outline.width;
            Tk_Window tkwin = gcanvasTkwin(c);
            XColor **dst[2] = {&l->outline.color, &l->outline.activeColor};
            XColor *from[2] = {os->outline.color, os->outline.activeColor};
            copyColorsForWindow(interp, tkwin, dst, from, 2);
            configGCs(c, l);
        }
        arrowSteps(c, l);
    }
    computeBbox(c, item);
    return TCL_OK;
}

static double *getPoints(GcanvasItem *item, int *count)
{
    LineItem *l = (LineItem *)item;
    *count = l->numPoints;
    return l->points;
}

static int *getParts(GcanvasItem *item, int *count)
{
    LineItem *l = (LineItem *)item;
    *count = l->numParts;
    return l->partSizes;
}

/* ---- measures ---- */

/* The points as given, arrow tips in place of the pulled-back ends, so
 * that measures depend neither on -arrow nor on the zoom (the pull-back
 * is in pixels). Returns the stored points when there are no arrowheads;
 * otherwise a copy the caller frees. */
static double *givenPoints(LineItem *l)
{
    if (l->firstArrows == NULL && l->lastArrows == NULL) return l->points;
    double *copy = (double *)ckalloc((l->numPoints > 0 ? 2 * l->numPoints : 1) * sizeof(double));
    memcpy(copy, l->points, 2 * l->numPoints * sizeof(double));
    int start = 0;
    for (int k = 0; k < l->numParts; k++) {
        int n = l->partSizes[k];
        if (n >= 2) {
            if (l->firstArrows != NULL) memcpy(copy + 2 * start, l->firstArrows + 12 * k, 2 * sizeof(double));
            if (l->lastArrows != NULL) memcpy(copy + 2 * (start + n - 1), l->lastArrows + 12 * k, 2 * sizeof(double));
        }
        start += n;
    }
    return copy;
}

static void releasePoints(LineItem *l, double *pts)
{
    if (pts != l->points) ckfree((char *)pts);
}

static double lengthMeasure(GcCanvas, GcanvasItem *item)
{
    LineItem *l = (LineItem *)item;
    double *pts = givenPoints(l);
    double sum = 0.0;
    int start = 0;
    for (int k = 0; k < l->numParts; k++) {
        sum += polylineLength(pts + 2 * start, l->partSizes[k]);
        start += l->partSizes[k];
    }
    releasePoints(l, pts);
    return sum;
}

static double centroidMeasure(GcCanvas, GcanvasItem *item, double *cx, double *cy)
{
    LineItem *l = (LineItem *)item;
    if (l->numPoints == 0) {
        *cx = *cy = 0.0;
        return 0.0;
    }
    double *pts = givenPoints(l);
    pointsMean(pts, l->numPoints, cx, cy);
    releasePoints(l, pts);
    return 0.0;
}

static double vertexAngle(GcCanvas, GcanvasItem *item, int index)
{
    LineItem *l = (LineItem *)item;
    double *pts = givenPoints(l);
    double a = pointsVertexAngle(pts, l->numPoints, index);
    releasePoints(l, pts);
    return a;
}

static double angleAt(GcCanvas, GcanvasItem *item, double position, double *x, double *y)
{
    LineItem *l = (LineItem *)item;
    double *pts = givenPoints(l);
    double a = partAngleAt(pts, l->numParts > 0 ? l->partSizes[0] : 0, position, x, y);
    releasePoints(l, pts);
    return a;
}

/* ---- PostScript ---- */

static int postscript(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int)
{
    LineItem *l = (LineItem *)item;
    double width = l->outline.width;
    XColor *color = l->outline.color;
    Pixmap stipple = l->outline.stipple;
    if (gcanvasIsCurrentItem(c, item)) {
        if (l->outline.activeWidth > width) width = l->outline.activeWidth;
        if (l->outline.activeColor != NULL) color = l->outline.activeColor;
        if (l->outline.activeStipple != None) stipple = l->outline.activeStipple;
    } else if (gcanvasItemState(c, item) == GC_STATE_DISABLED) {
        if (l->outline.disabledWidth > 0) width = l->outline.disabledWidth;
        if (l->outline.disabledColor != NULL) color = l->outline.disabledColor;
        if (l->outline.disabledStipple != None) stipple = l->outline.disabledStipple;
    }
    if (color == NULL || l->numPoints == 0) return TCL_OK;
    char buf[400];
    if (l->numPoints == 1) {
        double x = worldToCanvasX(c, l->points[0]), y = worldToCanvasY(c, l->points[1]);
        snprintf(buf, sizeof buf, "matrix currentmatrix\n%.15g %.15g translate %.15g %.15g", x, gcanvasPsY(c, y),
                 width / 2, width / 2);
        Tcl_AppendResult(interp, buf, " scale 1 0 moveto 0 0 1 0 360 arc\nsetmatrix\n", (char *)NULL);
        if (gcanvasPsColor(interp, c, color) != TCL_OK) return TCL_ERROR;
        if (stipple != None) {
            Tcl_AppendResult(interp, "clip ", (char *)NULL);
            return gcanvasPsStipple(interp, c, stipple);
        }
        Tcl_AppendResult(interp, "fill\n", (char *)NULL);
        return TCL_OK;
    }
    int start = 0;
    for (int k = 0; k < l->numParts; k++) {
        int n = l->partSizes[k];
        const double *pts = l->points + 2 * start;
        if (l->smooth == NULL || n < 3) {
            gcanvasPsPath(interp, c, pts, n);
        } else if (stipple == None && l->smooth->postscriptProc != NULL) {
            double *cp = (double *)ckalloc(2 * n * sizeof(double));
            worldToScreenPoints(c, pts, cp, n);
            l->smooth->postscriptProc(interp, c, cp, n);
            ckfree((char *)cp);
        } else {
            int bound = l->smooth->coordProc(c, NULL, n, l->splineSteps, NULL, NULL);
            double *out = (double *)ckalloc(2 * bound * sizeof(double));
            int m = l->smooth->coordProc(c, pts, n, l->splineSteps, NULL, out);
            gcanvasPsPath(interp, c, out, m);
            ckfree((char *)out);
        }
        start += n;
    }
    const char *cap = l->capStyle == CapRound ? "1" : l->capStyle == CapProjecting ? "2" : "0";
    const char *join = l->joinStyle == JoinRound ? "1" : l->joinStyle == JoinBevel ? "2" : "0";
    Tcl_AppendResult(interp, cap, " setlinecap\n", join, " setlinejoin\n", (char *)NULL);
    if (outlinePostscript(c, item, &l->outline) != TCL_OK) return TCL_ERROR;
    for (int k = 0; k < l->numParts; k++) {
        double *heads[2] = {l->firstArrows, l->lastArrows};
        for (int h = 0; h < 2; h++) {
            if (heads[h] == NULL) continue;
            if (stipple != None) Tcl_AppendResult(interp, "grestore gsave\n", (char *)NULL);
            gcanvasPsPath(interp, c, heads[h] + 12 * k, 6);
            if (stipple != None) {
                Tcl_AppendResult(interp, "clip ", (char *)NULL);
                if (gcanvasPsStipple(interp, c, stipple) != TCL_OK) return TCL_ERROR;
            } else {
                Tcl_AppendResult(interp, "fill\n", (char *)NULL);
            }
        }
    }
    return TCL_OK;
}

GcanvasItemType gcanvasLineType = {
    "line", sizeof(LineItem), create, configSpecs, configure, coords, deleteProc, display, GC_TYPE_OBJECTS,
    toPoint, toArea, postscript, scaleProc, translateProc, indexProc, NULL, NULL, insertProc, deleteCoords,
    computeBbox, NULL, NULL, NULL, createFromPoints, NULL, getPoints, getParts, NULL, NULL, getComponent,
    highlightComponent, NULL, lengthMeasure, centroidMeasure, vertexAngle, angleAt, NULL, NULL, NULL, NULL};
