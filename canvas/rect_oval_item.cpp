/*
 * rect_oval_item.cpp --
 *
 *	Rectangle and oval items: two opposite corners in world units, drawn,
 *	hit-tested and written to PostScript in canvas pixels through the
 *	world transform. The two types share one record and set of
 *	procedures; the first letter of the type name tells them apart.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>
#include "canvas/gcanvas_outline.h"
#include "canvas/guard_clip.h"
#include "canvas/item_kit.h"
#include "core/rounding.h"
#include "display/windraw/lines_split.h"

/* Geometry routines libtk exports (declared in Tk's private tkInt.h). */
extern "C" {
double TkOvalToPoint(double ovalPtr[], double width, int filled, double pointPtr[]);
int TkOvalToArea(double *ovalPtr, double *rectPtr);
}

typedef struct RectOvalItem {
    GcanvasItem header;
    ItemOutline outline;
    double bbox[4];             /* world corners */
    StippleOffset tsoffset;
    XColor *fillColor, *activeFillColor, *disabledFillColor;
    Pixmap fillStipple, activeFillStipple, disabledFillStipple;
    GC fillGC;
} RectOvalItem;

#define RO(f) ((int)offsetof(RectOvalItem, f))

static Tk_ConfigSpec configSpecs[] = {
    {TK_CONFIG_CUSTOM, "-activedash", NULL, NULL, NULL, RO(outline.activeDash), TK_CONFIG_NULL_OK,
     &gcanvasDashOption},
    {TK_CONFIG_COLOR, "-activefill", NULL, NULL, NULL, RO(activeFillColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-activeoutline", NULL, NULL, NULL, RO(outline.activeColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-activeoutlinestipple", NULL, NULL, NULL, RO(outline.activeStipple),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-activestipple", NULL, NULL, NULL, RO(activeFillStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-activewidth", NULL, NULL, "0.0", RO(outline.activeWidth),
     TK_CONFIG_DONT_SET_DEFAULT, &gcanvasPixelOption},
    {TK_CONFIG_COLOR, "-background", "background", "Background", NULL, RO(outline.background),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_SYNONYM, "-bg", "background", NULL, NULL, 0, 0, NULL},
    {TK_CONFIG_CUSTOM, "-dash", NULL, NULL, NULL, RO(outline.dash), TK_CONFIG_NULL_OK, &gcanvasDashOption},
    {TK_CONFIG_PIXELS, "-dashoffset", NULL, NULL, "0", RO(outline.offset), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-disableddash", NULL, NULL, NULL, RO(outline.disabledDash), TK_CONFIG_NULL_OK,
     &gcanvasDashOption},
    {TK_CONFIG_COLOR, "-disabledfill", NULL, NULL, NULL, RO(disabledFillColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-disabledoutline", NULL, NULL, NULL, RO(outline.disabledColor), TK_CONFIG_NULL_OK,
     NULL},
    {TK_CONFIG_BITMAP, "-disabledoutlinestipple", NULL, NULL, NULL, RO(outline.disabledStipple),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-disabledstipple", NULL, NULL, NULL, RO(disabledFillStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-disabledwidth", NULL, NULL, "0.0", RO(outline.disabledWidth),
     TK_CONFIG_DONT_SET_DEFAULT, &gcanvasPixelOption},
    {TK_CONFIG_COLOR, "-fill", NULL, NULL, NULL, RO(fillColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_INT, "-floating", NULL, NULL, "0", RO(header.floating), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-offset", NULL, NULL, "0,0", RO(tsoffset), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasRelOffsetOption},
    {TK_CONFIG_COLOR, "-outline", NULL, NULL, "black", RO(outline.color), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-outlineoffset", NULL, NULL, "0,0", RO(outline.tsoffset), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasRelOffsetOption},
    {TK_CONFIG_BITMAP, "-outlinestipple", NULL, NULL, NULL, RO(outline.stipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-state", NULL, NULL, NULL, RO(header.state), TK_CONFIG_NULL_OK, &gcanvasStateOption},
    {TK_CONFIG_BITMAP, "-stipple", NULL, NULL, NULL, RO(fillStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-tags", NULL, NULL, NULL, 0, TK_CONFIG_NULL_OK, &gcanvasTagsOption},
    {TK_CONFIG_CUSTOM, "-width", NULL, NULL, "1.0", RO(outline.width), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasPixelOption},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

static int isRect(GcanvasItem *item)
{
    return item->typePtr->name[0] == 'r';
}

static double effWidth(GcCanvas c, RectOvalItem *r)
{
    double width = r->outline.width;
    if (gcanvasIsCurrentItem(c, &r->header)) {
        if (r->outline.activeWidth > width) width = r->outline.activeWidth;
    } else if (gcanvasItemState(c, &r->header) == GC_STATE_DISABLED) {
        if (r->outline.disabledWidth > 0) width = r->outline.disabledWidth;
    }
    return width * gcanvasWidgetOf(c)->pixelRatio;
}

static void chooseFill(GcCanvas c, RectOvalItem *r, XColor **color, Pixmap *stipple)
{
    *color = r->fillColor;
    *stipple = r->fillStipple;
    if (gcanvasIsCurrentItem(c, &r->header)) {
        if (r->activeFillColor) *color = r->activeFillColor;
        if (r->activeFillStipple != None) *stipple = r->activeFillStipple;
    } else if (gcanvasItemState(c, &r->header) == GC_STATE_DISABLED) {
        if (r->disabledFillColor) *color = r->disabledFillColor;
        if (r->disabledFillStipple != None) *stipple = r->disabledFillStipple;
    }
}

static void computeBbox(GcCanvas c, GcanvasItem *item)
{
    RectOvalItem *r = (RectOvalItem *)item;
    if (gcanvasItemState(c, item) == GC_STATE_HIDDEN) {
        item->x1 = item->y1 = item->x2 = item->y2 = -1;
        return;
    }
    double t;
    if (r->bbox[2] < r->bbox[0]) { t = r->bbox[0]; r->bbox[0] = r->bbox[2]; r->bbox[2] = t; }
    if (r->bbox[3] < r->bbox[1]) { t = r->bbox[1]; r->bbox[1] = r->bbox[3]; r->bbox[3] = t; }
    float m = r->outline.gc == NULL ? 1.0f : (float)((effWidth(c, r) + 1) * 0.5);
    double cb[4];
    worldCornersToScreen(c, r->bbox, cb);
    item->x1 = cb[0] - m;
    item->y1 = cb[1] - m;
    item->x2 = (cb[2] > cb[0] + 1 ? cb[2] : cb[0] + 1) + m;
    item->y2 = (cb[3] > cb[1] + 1 ? cb[3] : cb[1] + 1) + m;
    item->marginX = item->marginY = m;
}

static int configure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                     int flags)
{
    RectOvalItem *r = (RectOvalItem *)item;
    Tk_Window tkwin = gcanvasTkwin(c);
    if (Tk_ConfigureWidget(interp, tkwin, configSpecs, objc, (const char **)objv, (char *)r,
                           flags | TK_CONFIG_OBJS) != TCL_OK) {
        return TCL_ERROR;
    }
    ItemOutline *o = &r->outline;
    if (o->activeWidth > o->width || o->activeDash.number != 0 || o->activeColor != NULL
            || o->activeStipple != None || r->activeFillColor != NULL || r->activeFillStipple != None) {
        item->redraw_flags |= GC_ITEM_STATE_DEPENDANT;
    } else {
        item->redraw_flags &= ~GC_ITEM_STATE_DEPENDANT;
    }
    gcanvasAnchorStippleOffset(&o->tsoffset, r->bbox);

    XGCValues gcValues;
    GC newGC = NULL;
    int mask = outlineConfigGC(&gcValues, c, item, o);
    if (mask && o->width != 0.0 && o->color != NULL) {
        gcValues.cap_style = CapProjecting;
        mask |= GCCapStyle;
        newGC = Tk_GetGC(tkwin, mask, &gcValues);
    }
    if (o->gc != NULL) Tk_FreeGC(c->display, o->gc);
    o->gc = newGC;

    if (gcanvasItemState(c, item) == GC_STATE_HIDDEN) {
        computeBbox(c, item);
        return TCL_OK;
    }
    XColor *color;
    Pixmap stipple;
    chooseFill(c, r, &color, &stipple);
    newGC = NULL;
    if (color != NULL) {
        gcValues.foreground = color->pixel;
        mask = GCForeground;
        if (stipple != None) {
            gcValues.stipple = stipple;
            gcValues.fill_style = FillStippled;
            mask |= GCStipple | GCFillStyle;
        }
        newGC = Tk_GetGC(tkwin, mask, &gcValues);
    }
    if (r->fillGC != NULL) Tk_FreeGC(c->display, r->fillGC);
    r->fillGC = newGC;
    gcanvasAnchorStippleOffset(&r->tsoffset, r->bbox);
    computeBbox(c, item);
    return TCL_OK;
}

static void deleteProc(GcCanvas c, GcanvasItem *item, Display *display)
{
    RectOvalItem *r = (RectOvalItem *)item;
    outlineFree(display, &r->outline);
    if (r->fillColor) Tk_FreeColor(r->fillColor);
    if (r->activeFillColor) Tk_FreeColor(r->activeFillColor);
    if (r->disabledFillColor) Tk_FreeColor(r->disabledFillColor);
    if (r->fillStipple != None) Tk_FreeBitmap(display, r->fillStipple);
    if (r->activeFillStipple != None) Tk_FreeBitmap(display, r->activeFillStipple);
    if (r->disabledFillStipple != None) Tk_FreeBitmap(display, r->disabledFillStipple);
    if (r->fillGC != NULL) Tk_FreeGC(display, r->fillGC);
    (void)c;
}

static int coords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    RectOvalItem *r = (RectOvalItem *)item;
    if (objc == 0) {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        for (int i = 0; i < 4; i++) Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(r->bbox[i]));
        Tcl_SetObjResult(interp, list);
        return TCL_OK;
    }
    Tcl_Obj **words = (Tcl_Obj **)objv;
    int n = objc;
    if (objc == 1 && Tcl_ListObjGetElements(interp, objv[0], &n, &words) != TCL_OK) return TCL_ERROR;
    if (n != 4) {
        char buf[80];
        snprintf(buf, sizeof buf, "wrong # coordinates: expected 0 or 4, got %d", n);
        Tcl_SetResult(interp, buf, TCL_VOLATILE);
        return TCL_ERROR;
    }
    for (int i = 0; i < 4; i++) {
        if (gcanvasGetCoordFromObj(interp, c, words[i], &r->bbox[i]) != TCL_OK) return TCL_ERROR;
    }
    computeBbox(c, item);
    return TCL_OK;
}

static int create(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    RectOvalItem *r = (RectOvalItem *)item;
    int numCoords = gcanvasCreateCoordWords(interp, c, item, objc, objv, 4, "x1 y1 x2 y2 ?options?");
    if (numCoords < 0) return TCL_ERROR;
    outlineInit(&r->outline);
    r->tsoffset.flags = r->tsoffset.xoffset = r->tsoffset.yoffset = 0;
    r->fillColor = r->activeFillColor = r->disabledFillColor = NULL;
    r->fillStipple = r->activeFillStipple = r->disabledFillStipple = None;
    r->fillGC = NULL;
    if (coords(interp, c, item, numCoords, objv) != TCL_OK
            || configure(interp, c, item, objc - numCoords, objv + numCoords, 0) != TCL_OK) {
        deleteProc(c, item, c->display);
        return TCL_ERROR;
    }
    return TCL_OK;
}

/* An outline run cut to the guard, its dashes in phase with the
 * oval's first point. */
typedef struct FarOvalStroke {
    GcCanvas c;
    RectOvalItem *r;
    Display *display;
    Drawable drawable;
    int changed;
} FarOvalStroke;

static void strokeFarOvalRun(void *clientData, const XPoint *points, int count, double along)
{
    FarOvalStroke *f = (FarOvalStroke *)clientData;
    outlineDashPhase(f->c, &f->r->header, &f->r->outline, f->changed, along);
    drawLinesSplit(f->display, f->drawable, f->r->outline.gc, points, count, CoordModeOrigin);
}

/*
 * ovalFarDisplay --
 *	An oval whose rectangle reaches far off the drawable: X's 16-bit
 *	arcs cannot hold it, so the part near the area drawn is traced in
 *	floating point and drawn as a ring and a polyline cut to the guard.
 *	(Rectangles need no such care: clamped, a far side stays out of
 *	sight and the near sides keep their places.)
 */
static void ovalFarDisplay(GcCanvas c, RectOvalItem *r, Display *d, Drawable drawable, const double *rect,
                           const GuardBox *box)
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    double *ring;
    int n = ovalArcPoints(rect, 0.0, 360.0, box, &ring);
    if (n < 2) {
        if (ring != NULL) ckfree((char *)ring);
        return;
    }
    long long room = guardRingRoom(n);
    if (room < 2LL * n) room = 2LL * n;
    XPoint *xp = (XPoint *)ckalloc((size_t)room * sizeof(XPoint));
    if (r->fillGC != NULL) {
        double *clipped = (double *)ckalloc(2 * (size_t)room * sizeof(double));
        double *scratch = (double *)ckalloc(2 * (size_t)room * sizeof(double));
        int m = clipRingToGuard(ring, n, box, clipped, scratch);
        for (int i = 0; i < m; i++) {
            xp[i].x = gcanvasDrawableCoords(w->drawableXOrigin, clipped[2 * i]);
            xp[i].y = gcanvasDrawableCoords(w->drawableYOrigin, clipped[2 * i + 1]);
        }
        if (m >= 3) {
            XColor *color;
            Pixmap stipple;
            chooseFill(c, r, &color, &stipple);
            if (stipple != None) gcanvasSetFillStippleOffset(c, d, r->fillGC, &r->tsoffset, stipple);
            XFillPolygon(d, drawable, r->fillGC, xp, m, Complex, CoordModeOrigin);
            if (stipple != None) XSetTSOrigin(d, r->fillGC, 0, 0);
        }
        ckfree((char *)scratch);
        ckfree((char *)clipped);
    }
    if (r->outline.gc != NULL) {
        int changed = outlineChangeGC(c, &r->header, &r->outline);
        FarOvalStroke f = {c, r, d, drawable, changed};
        clipPolylineToGuard(ring, n, w->drawableXOrigin, w->drawableYOrigin, box, xp, strokeFarOvalRun, &f);
        outlineDashPhase(c, &r->header, &r->outline, changed, 0.0);
        outlineResetGC(c, &r->header, &r->outline);
    }
    ckfree((char *)xp);
    ckfree((char *)ring);
}

static void display(GcCanvas c, GcanvasItem *item, Display *d, Drawable drawable, int ax, int ay, int awidth,
                    int aheight)
{
    RectOvalItem *r = (RectOvalItem *)item;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    if (!isRect(item)) {
        double rect[4] = {worldToCanvasX(c, r->bbox[0]), worldToCanvasY(c, r->bbox[1]),
                          worldToCanvasX(c, r->bbox[2]), worldToCanvasY(c, r->bbox[3])};
        if (!canvasPointsNear(rect, 2, w->drawableXOrigin, w->drawableYOrigin)) {
            GuardBox box;
            guardAroundArea(&box, ax, ay, awidth, aheight, effWidth(c, r));
            ovalFarDisplay(c, r, d, drawable, rect, &box);
            return;
        }
    }
    short x1 = gcanvasDrawableCoords(w->drawableXOrigin, worldToCanvasX(c, r->bbox[0]));
    short y1 = gcanvasDrawableCoords(w->drawableYOrigin, worldToCanvasY(c, r->bbox[1]));
    short x2 = gcanvasDrawableCoords(w->drawableXOrigin, worldToCanvasX(c, r->bbox[2]));
    short y2 = gcanvasDrawableCoords(w->drawableYOrigin, worldToCanvasY(c, r->bbox[3]));
    short t;
    if (x2 < x1) { t = x1; x1 = x2; x2 = t; }
    if (y2 < y1) { t = y1; y1 = y2; y2 = t; }
    int ix2 = x2 == x1 ? x1 + 1 : x2, iy2 = y2 == y1 ? y1 + 1 : y2;
    unsigned width = (unsigned)(ix2 - x1), height = (unsigned)(iy2 - y1);
    if (r->fillGC != NULL) {
        XColor *color;
        Pixmap stipple;
        chooseFill(c, r, &color, &stipple);
        if (stipple != None) {
            gcanvasSetFillStippleOffset(c, d, r->fillGC, &r->tsoffset, stipple);
        }
        if (isRect(item)) {
            XFillRectangle(d, drawable, r->fillGC, x1, y1, width, height);
        } else {
            XFillArc(d, drawable, r->fillGC, x1, y1, width, height, 0, 360 * 64);
        }
        if (stipple != None) XSetTSOrigin(d, r->fillGC, 0, 0);
    }
    if (r->outline.gc != NULL) {
        outlineChangeGC(c, item, &r->outline);
        if (isRect(item)) {
            XDrawRectangle(d, drawable, r->outline.gc, x1, y1, width, height);
        } else {
            XDrawArc(d, drawable, r->outline.gc, x1, y1, width, height, 0, 360 * 64);
        }
        outlineResetGC(c, item, &r->outline);
    }
}

static double rectPoint(GcCanvas c, GcanvasItem *item, double *p)
{
    RectOvalItem *r = (RectOvalItem *)item;
    double b[4];
    worldCornersToScreen(c, r->bbox, b);
    double width = effWidth(c, r);
    if (r->outline.gc != NULL) {
        b[0] -= width / 2;
        b[1] -= width / 2;
        b[2] += width / 2;
        b[3] += width / 2;
    }
    if (p[0] >= b[0] && p[0] < b[2] && p[1] >= b[1] && p[1] < b[3]) {
        if (r->fillGC != NULL || r->outline.gc == NULL) return 0.0;
        double d = p[0] - b[0];
        if (b[2] - p[0] < d) d = b[2] - p[0];
        if (p[1] - b[1] < d) d = p[1] - b[1];
        if (b[3] - p[1] < d) d = b[3] - p[1];
        d -= width;
        return d < 0 ? 0 : d;
    }
    double dx = p[0] < b[0] ? b[0] - p[0] : p[0] > b[2] ? p[0] - b[2] : 0;
    double dy = p[1] < b[1] ? b[1] - p[1] : p[1] > b[3] ? p[1] - b[3] : 0;
    return hypot(dx, dy);
}

static double ovalPoint(GcCanvas c, GcanvasItem *item, double *p)
{
    RectOvalItem *r = (RectOvalItem *)item;
    double width = effWidth(c, r);
    int filled = r->fillGC != NULL;
    if (r->outline.gc == NULL) {
        width = 0;
        filled = 1;
    }
    double b[4];
    worldCornersToScreen(c, r->bbox, b);
    return TkOvalToPoint(b, width, filled, p);
}

static double halfWidthWorld(GcCanvas c, RectOvalItem *r)
{
    if (r->outline.gc == NULL) return 0.0;
    return effWidth(c, r) / (fabs(c->mx) + fabs(c->my));
}

static int rectArea(GcCanvas c, GcanvasItem *item, double *area)
{
    RectOvalItem *r = (RectOvalItem *)item;
    double hw = halfWidthWorld(c, r);
    double a[4];
    screenRectToWorld(c, area, a);
    double *b = r->bbox;
    if (a[2] <= b[0] - hw || a[0] >= b[2] + hw || a[3] <= b[1] - hw || a[1] >= b[3] + hw) return -1;
    if (r->fillGC == NULL && r->outline.gc != NULL && a[0] >= b[0] + hw && a[1] >= b[1] + hw
            && a[2] <= b[2] - hw && a[3] <= b[3] - hw) {
        return -1;
    }
    if (a[0] <= b[0] - hw && a[1] <= b[1] - hw && a[2] >= b[2] + hw && a[3] >= b[3] + hw) return 1;
    return 0;
}

static int ovalArea(GcCanvas c, GcanvasItem *item, double *area)
{
    RectOvalItem *r = (RectOvalItem *)item;
    double hw = halfWidthWorld(c, r);
    double a[4];
    screenRectToWorld(c, area, a);
    double g[4] = {r->bbox[0] - hw, r->bbox[1] - hw, r->bbox[2] + hw, r->bbox[3] + hw};
    int result = TkOvalToArea(g, a);
    if (result == 0 && r->outline.gc != NULL && r->fillGC == NULL) {
        double cx = (g[0] + g[2]) / 2, cy = (g[1] + g[3]) / 2;
        double ra = (g[2] - g[0]) / 2 - hw, rb = (g[3] - g[1]) / 2 - hw;
        if (ra <= 0 || rb <= 0) return result;
        double xs[2] = {a[0], a[2]}, ys[2] = {a[1], a[3]};
        for (int i = 0; i < 2; i++) {
            for (int j = 0; j < 2; j++) {
                double dx = (xs[i] - cx) / ra, dy = (ys[j] - cy) / rb;
                if (dx * dx + dy * dy >= 1) return result;
            }
        }
        return -1;
    }
    return result;
}

static void scale(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy)
{
    RectOvalItem *r = (RectOvalItem *)item;
    r->bbox[0] = (r->bbox[0] - ox) * sx + ox;
    r->bbox[1] = (r->bbox[1] - oy) * sy + oy;
    r->bbox[2] = (r->bbox[2] - ox) * sx + ox;
    r->bbox[3] = (r->bbox[3] - oy) * sy + oy;
    computeBbox(c, item);
}

static void translate(GcCanvas c, GcanvasItem *item, double dx, double dy)
{
    RectOvalItem *r = (RectOvalItem *)item;
    r->bbox[0] += dx;
    r->bbox[1] += dy;
    r->bbox[2] += dx;
    r->bbox[3] += dy;
    computeBbox(c, item);
}

static const double PI = 3.141592653589793;

static double rectAreaMeasure(GcCanvas, GcanvasItem *item)
{
    RectOvalItem *r = (RectOvalItem *)item;
    return (r->bbox[3] - r->bbox[1]) * (r->bbox[2] - r->bbox[0]);
}
static double ovalAreaMeasure(GcCanvas c, GcanvasItem *item)
{
    return rectAreaMeasure(c, item) * 0.25 * PI;
}
static double rectLength(GcCanvas, GcanvasItem *item)
{
    RectOvalItem *r = (RectOvalItem *)item;
    return ((r->bbox[3] - r->bbox[1]) + (r->bbox[2] - r->bbox[0])) * 2;
}
static double ovalLength(GcCanvas, GcanvasItem *item)
{
    RectOvalItem *r = (RectOvalItem *)item;
    double w = r->bbox[2] - r->bbox[0], h = r->bbox[3] - r->bbox[1];
    return PI * sqrt((w * w + h * h) / 2);
}
static double rectCentroid(GcCanvas c, GcanvasItem *item, double *cx, double *cy)
{
    RectOvalItem *r = (RectOvalItem *)item;
    *cx = (r->bbox[0] + r->bbox[2]) / 2;
    *cy = (r->bbox[1] + r->bbox[3]) / 2;
    return rectAreaMeasure(c, item);
}
static double ovalCentroid(GcCanvas c, GcanvasItem *item, double *cx, double *cy)
{
    return rectCentroid(c, item, cx, cy) * 0.25 * PI;
}

static int postscript(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int prepass)
{
    (void)prepass;
    RectOvalItem *r = (RectOvalItem *)item;
    double x1 = worldToCanvasX(c, r->bbox[0]), x2 = worldToCanvasX(c, r->bbox[2]);
    double y1 = worldToCanvasY(c, r->bbox[1]), y2 = worldToCanvasY(c, r->bbox[3]);
    double t;
    if (x2 < x1) { t = x1; x1 = x2; x2 = t; }
    if (y2 < y1) { t = y1; y1 = y2; y2 = t; }
    double py1 = gcanvasPsY(c, y1), py2 = gcanvasPsY(c, y2);
    char path[600];
    if (isRect(item)) {
        snprintf(path, sizeof path,
                 "%.15g %.15g moveto %.15g 0 rlineto 0 %.15g rlineto %.15g 0 rlineto closepath\n", x1, py1,
                 x2 - x1, py2 - py1, x1 - x2);
    } else {
        snprintf(path, sizeof path,
                 "matrix currentmatrix\n%.15g %.15g translate %.15g %.15g scale 1 0 moveto 0 0 1 0 360 arc\n"
                 "setmatrix\n",
                 (x1 + x2) / 2, (py1 + py2) / 2, (x2 - x1) / 2, (py1 - py2) / 2);
    }
    XColor *outline = r->outline.color, *fill;
    Pixmap stipple;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    if (w->currentItemPtr == item) {
        if (r->outline.activeColor) outline = r->outline.activeColor;
    } else if (gcanvasItemState(c, item) == GC_STATE_DISABLED) {
        if (r->outline.disabledColor) outline = r->outline.disabledColor;
    }
    chooseFill(c, r, &fill, &stipple);
    if (fill != NULL) {
        Tcl_AppendResult(interp, path, (char *)NULL);
        if (gcanvasPsColor(interp, c, fill) != TCL_OK) return TCL_ERROR;
        if (stipple != None) {
            Tcl_AppendResult(interp, "clip ", (char *)NULL);
            if (gcanvasPsStipple(interp, c, stipple) != TCL_OK) return TCL_ERROR;
            if (outline != NULL) Tcl_AppendResult(interp, "grestore gsave\n", (char *)NULL);
        } else {
            Tcl_AppendResult(interp, "fill\n", (char *)NULL);
        }
    }
    if (outline != NULL) {
        Tcl_AppendResult(interp, path, "0 setlinejoin 2 setlinecap\n", (char *)NULL);
        if (outlinePostscript(c, item, &r->outline) != TCL_OK) return TCL_ERROR;
    }
    return TCL_OK;
}

GcanvasItemType gcanvasRectangleType = {
    "rectangle", sizeof(RectOvalItem), create, configSpecs, configure, coords, deleteProc, display,
    GC_TYPE_OBJECTS, rectPoint, rectArea, postscript, scale, translate, NULL, NULL, NULL, NULL, NULL,
    computeBbox, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, rectAreaMeasure,
    rectLength, rectCentroid, NULL, NULL, NULL, NULL, NULL, NULL};

GcanvasItemType gcanvasOvalType = {
    "oval", sizeof(RectOvalItem), create, configSpecs, configure, coords, deleteProc, display,
    GC_TYPE_OBJECTS, ovalPoint, ovalArea, postscript, scale, translate, NULL, NULL, NULL, NULL, NULL,
    computeBbox, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, ovalAreaMeasure,
    ovalLength, ovalCentroid, NULL, NULL, NULL, NULL, NULL, NULL};
