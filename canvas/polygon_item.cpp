/*
 * polygon_item.cpp --
 *
 *	The polygon item: one or more closed rings in world units (outer
 *	rings and holes), filled together by the even-odd rule (a ring inside
 *	another is a hole whichever way it runs) and outlined
 *	ring by ring. A ring whose given points do not end where they begin
 *	is closed by a copy of its first point, which coords leaves out.
 *	Drawn rings are clipped to the area drawn, so the 16-bit drawable
 *	coordinates never wrap. The ring nearest the pointer is the item's
 *	component and can be highlighted.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "canvas/fill_outline_specs.h"
#include "canvas/gcanvas_geometry.h"
#include "canvas/gcanvas_outline.h"
#include "canvas/gcanvas_postscript.h"
#include "canvas/guard_clip.h"
#include "canvas/item_kit.h"
#include "canvas/point_list_parse.h"
#include "canvas/polygon_item.h"
#include "canvas/polyline_measures.h"
#include "canvas/ring_clip.h"
#include "canvas/vertex_editing.h"
#include "core/rounding.h"
#include "display/windraw/lines_split.h"
#include "display/windraw/rings.h"
#include "ovex/draw.h"

typedef struct PolygonItem {
    GcanvasItem header;
    int numPoints;              /* stored points, closing points included */
    int *ringSizes;             /* ring sizes, then the auto-closed flags, in one block */
    int numRings;
    int pointsAllocated;
    double *points;
    StippleOffset tsoffset;
    XColor *fillColor, *activeFillColor, *disabledFillColor;
    Pixmap fillStipple, activeFillStipple, disabledFillStipple;
    GC fillGC;
    ItemOutline outline;
    int joinStyle;
    int splineSteps;
    const SmoothMethod *smooth;
    int *autoClosed;
    int pickedRing;
    int highlightRing;
    XColor *highlightColor;
    GC highlightGC;
} PolygonItem;

enum { FIXED_POINTS = 200, CLIP_MARGIN = 128 };

#define PO(f) ((int)offsetof(PolygonItem, f))

static Tk_ConfigSpec configSpecs[] = {
    FILL_OUTLINE_STATE_SPECS(PO)
    {TK_CONFIG_COLOR, "-fill", NULL, NULL, "black", PO(fillColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_INT, "-floating", NULL, NULL, "0", PO(header.floating), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_COLOR, "-highlightcolor", NULL, NULL, "yellow", PO(highlightColor), TK_CONFIG_NULL_OK, NULL},
    FILL_OUTLINE_BACKGROUND_SPECS(PO)
    {TK_CONFIG_COLOR, "-outline", NULL, NULL, NULL, PO(outline.color), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-outlineoffset", NULL, NULL, "0,0", PO(outline.tsoffset), TK_CONFIG_NULL_OK,
     &gcanvasIndexOffsetOption},
    FILL_OUTLINE_STYLE_SPECS(PO)
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

/* ---- shared drawing ---- */

void drawRingOutlines(Display *display, Drawable drawable, GC gc, const XPoint *points, int ringCount,
                      const int *sizes)
{
    for (int k = 0; k < ringCount; k++) {
        if (sizes[k] >= 2) drawLinesSplit(display, drawable, gc, points, sizes[k], CoordModeOrigin);
        points += sizes[k] > 0 ? sizes[k] : 0;
    }
}

/* polygonFillDraw for figures reaching far off the drawable: the fill
 * cut to the drawable's near range, the outline cut as a line. */
static void polygonFarDraw(GcCanvas c, const double *points, int n, Display *display, Drawable drawable,
                           GC fillGC, GC outlineGC, int canvasFlag)
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    GuardBox box;
    guardNearDrawable(&box, w->drawableXOrigin, w->drawableYOrigin);
    long long room = guardRingRoom(n);
    double *canvasPts = (double *)ckalloc(2 * (size_t)n * sizeof(double));
    double *clipped = (double *)ckalloc(2 * (size_t)room * sizeof(double));
    double *scratch = (double *)ckalloc(2 * (size_t)room * sizeof(double));
    XPoint *xp = (XPoint *)ckalloc((size_t)(room > 2 * n ? room : 2 * n) * sizeof(XPoint));
    for (int i = 0; i < n; i++) {
        canvasPts[2 * i] = canvasFlag ? points[2 * i] : worldToCanvasX(c, points[2 * i]);
        canvasPts[2 * i + 1] = canvasFlag ? points[2 * i + 1] : worldToCanvasY(c, points[2 * i + 1]);
    }
    if (fillGC != NULL && n > 3) {
        int m = clipRingToGuard(canvasPts, n, &box, clipped, scratch);
        for (int i = 0; i < m; i++) {
            xp[i].x = gcanvasDrawableCoords(w->drawableXOrigin, clipped[2 * i]);
            xp[i].y = gcanvasDrawableCoords(w->drawableYOrigin, clipped[2 * i + 1]);
        }
        if (m >= 3) XFillPolygon(display, drawable, fillGC, xp, m, Complex, CoordModeOrigin);
    }
    if (outlineGC != NULL) {
        struct Stroke {
            Display *display;
            Drawable drawable;
            GC gc;
            static void run(void *cd, const XPoint *pts, int count, double)
            {
                Stroke *s = (Stroke *)cd;
                drawLinesSplit(s->display, s->drawable, s->gc, pts, count, CoordModeOrigin);
            }
        } stroke = {display, drawable, outlineGC};
        clipPolylineToGuard(canvasPts, n, w->drawableXOrigin, w->drawableYOrigin, &box, xp, Stroke::run,
                            &stroke);
    }
    ckfree((char *)xp);
    ckfree((char *)scratch);
    ckfree((char *)clipped);
    ckfree((char *)canvasPts);
}

void polygonFillDraw(GcCanvas c, const double *points, int n, Display *display, Drawable drawable, GC fillGC,
                     GC outlineGC, int canvasFlag)
{
    if (n <= 0) return;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    XPoint fixed[FIXED_POINTS];
    XPoint *xp = n <= FIXED_POINTS ? fixed : (XPoint *)ckalloc(n * sizeof(XPoint));
    int far = 0;
    for (int i = 0; i < n; i++) {
        double xy[2] = {points[2 * i], points[2 * i + 1]};
        if (!canvasFlag) {
            xy[0] = worldToCanvasX(c, xy[0]);
            xy[1] = worldToCanvasY(c, xy[1]);
        }
        far |= !canvasPointsNear(xy, 1, w->drawableXOrigin, w->drawableYOrigin);
        xp[i].x = gcanvasDrawableCoords(w->drawableXOrigin, xy[0]);
        xp[i].y = gcanvasDrawableCoords(w->drawableYOrigin, xy[1]);
    }
    if (far) {
        /* Clamped one by one, far points would bend the figure: cut it
         * in floating point to the drawable's near range instead. */
        if (xp != fixed) ckfree((char *)xp);
        polygonFarDraw(c, points, n, display, drawable, fillGC, outlineGC, canvasFlag);
        return;
    }
    if (fillGC != NULL && n > 3) XFillPolygon(display, drawable, fillGC, xp, n, Complex, CoordModeOrigin);
    if (outlineGC != NULL) drawLinesSplit(display, drawable, outlineGC, xp, n, CoordModeOrigin);
    if (xp != fixed) ckfree((char *)xp);
}

/* Fills (one ring directly, several as their even-odd region, as the
 * PostScript's eofill does) and outlines rings already clipped and packed. */
static void fillAndOutline(Display *display, Drawable drawable, GC fillGC, GC outlineGC, XPoint *xp, int ringCount,
                           const int *sizes, int total)
{
    if (fillGC != NULL) {
        if (ringCount == 1) {
            if (total >= 3) XFillPolygon(display, drawable, fillGC, xp, total, Complex, CoordModeOrigin);
        } else {
            fillRingsEvenOdd(display, drawable, fillGC, xp, ringCount, sizes);
        }
    }
    if (outlineGC != NULL) drawRingOutlines(display, drawable, outlineGC, xp, ringCount, sizes);
}

void drawRingsClipped(GcCanvas c, const double *points, int n, int ringCount, const int *sizes, Display *display,
                      Drawable drawable, GC fillGC, GC outlineGC, int clipX, int clipY, int clipWidth,
                      int clipHeight)
{
    if (n <= 0 || ringCount <= 0) return;
    int fixedSizes[8];
    int *sz = ringCount <= 8 ? fixedSizes : (int *)ckalloc(ringCount * sizeof(int));
    long long room = 0;
    for (int k = 0; k < ringCount; k++) {
        sz[k] = sizes[k];
        room += clipRoom(sizes[k] > 0 ? sizes[k] : 0);
    }
    if (ringCount == 1) {
        sz[0] = n;
        room = clipRoom(n);
    }
    XPoint fixed[FIXED_POINTS];
    XPoint *xp = room <= FIXED_POINTS ? fixed : (XPoint *)ckalloc((size_t)room * sizeof(XPoint));
    int total;
    int x2 = clipX + clipWidth, y2 = clipY + clipHeight;
    if (!worldPointsNear(c, points, n)) {
        /* Far points are cut in floating point before they are
         * converted: clamped one by one they would bend the edges. */
        GcanvasWidget *w = gcanvasWidgetOf(c);
        GuardBox box = {(double)clipX + w->drawableXOrigin, (double)clipY + w->drawableYOrigin,
                        (double)x2 + w->drawableXOrigin, (double)y2 + w->drawableYOrigin};
        long long farRoom = guardRingsRoom(sz, ringCount);
        if (farRoom > room) {
            if (xp != fixed) ckfree((char *)xp);
            xp = farRoom <= FIXED_POINTS ? fixed : (XPoint *)ckalloc((size_t)farRoom * sizeof(XPoint));
        }
        total = worldRingsToScreenGuarded(c, points, ringCount, sz, &box, xp);
    } else if (ringCount == 1) {
        total = worldToScreenRing(c, points, xp, n);
        total = clipPolygonToBox(xp, total, clipX, clipY, x2, y2);
        sz[0] = total;
    } else {
        worldToScreenRingsSpaced(c, points, xp, ringCount, sz);
        total = clipRingsToBox(xp, ringCount, sz, clipX, clipY, x2, y2);
    }
    if (total > 0) fillAndOutline(display, drawable, fillGC, outlineGC, xp, ringCount, sz, total);
    if (xp != fixed) ckfree((char *)xp);
    if (sz != fixedSizes) ckfree((char *)sz);
}

/* ---- state helpers ---- */

static double effWidth(GcCanvas c, PolygonItem *p)
{
    double width = p->outline.width;
    if (gcanvasIsCurrentItem(c, &p->header)) {
        if (p->outline.activeWidth > width) width = p->outline.activeWidth;
    } else if (gcanvasItemState(c, &p->header) == GC_STATE_DISABLED) {
        if (p->outline.disabledWidth > 0) width = p->outline.disabledWidth;
    }
    return width * gcanvasWidgetOf(c)->pixelRatio;
}

static void chooseFill(GcCanvas c, PolygonItem *p, XColor **color, Pixmap *stipple)
{
    *color = p->fillColor;
    *stipple = p->fillStipple;
    if (gcanvasIsCurrentItem(c, &p->header)) {
        if (p->activeFillColor) *color = p->activeFillColor;
        if (p->activeFillStipple != None) *stipple = p->activeFillStipple;
    } else if (gcanvasItemState(c, &p->header) == GC_STATE_DISABLED) {
        if (p->disabledFillColor) *color = p->disabledFillColor;
        if (p->disabledFillStipple != None) *stipple = p->disabledFillStipple;
    }
}

static XColor *outlineColor(GcCanvas c, PolygonItem *p)
{
    XColor *color = p->outline.color;
    if (gcanvasIsCurrentItem(c, &p->header)) {
        if (p->outline.activeColor) color = p->outline.activeColor;
    } else if (gcanvasItemState(c, &p->header) == GC_STATE_DISABLED) {
        if (p->outline.disabledColor) color = p->outline.disabledColor;
    }
    return color;
}

static int givenCount(PolygonItem *p, int k)
{
    return p->ringSizes[k] - p->autoClosed[k];
}

static int givenTotal(PolygonItem *p)
{
    int total = 0;
    for (int k = 0; k < p->numRings; k++) total += givenCount(p, k);
    return total;
}

static const double *ringStart(PolygonItem *p, int ring)
{
    const double *pts = p->points;
    for (int k = 0; k < ring; k++) pts += 2 * p->ringSizes[k];
    return pts;
}

/* ---- geometry storage ---- */

static void freeGeometry(PolygonItem *p)
{
    if (p->points != NULL) ckfree((char *)p->points);
    if (p->ringSizes != NULL) ckfree((char *)p->ringSizes);
    p->points = NULL;
    p->ringSizes = p->autoClosed = NULL;
    p->numPoints = p->numRings = p->pointsAllocated = 0;
}

/* Replaces the geometry by rings of given points, each closed with a
 * copy of its first point unless it already ends there. */
static void setRings(PolygonItem *p, const double *given, int numRings, const int *givenSizes)
{
    int numGiven = 0;
    for (int k = 0; k < numRings; k++) numGiven += givenSizes[k];
    int alloc = numGiven + numRings;
    double *points = (double *)ckalloc((alloc > 0 ? 2 * alloc : 1) * sizeof(double));
    int *block = (int *)ckalloc((numRings > 0 ? 2 * numRings : 1) * sizeof(int));
    int stored = 0;
    for (int k = 0; k < numRings; k++) {
        int n = givenSizes[k];
        memcpy(points + 2 * stored, given, 2 * n * sizeof(double));
        int closed = n > 0 && given[0] == given[2 * n - 2] && given[1] == given[2 * n - 1];
        if (!closed && n > 0) {
            points[2 * (stored + n)] = given[0];
            points[2 * (stored + n) + 1] = given[1];
        }
        block[k] = n + (closed || n == 0 ? 0 : 1);
        block[numRings + k] = closed || n == 0 ? 0 : 1;
        stored += block[k];
        given += 2 * n;
    }
    freeGeometry(p);
    p->points = points;
    p->pointsAllocated = alloc;
    p->ringSizes = block;
    p->autoClosed = block + numRings;
    p->numRings = numRings;
    p->numPoints = stored;
}

/* The given coordinates of every ring, one after the other, and their
 * per-ring counts (caller frees both). */
static double *collectGiven(PolygonItem *p, int **sizesOut)
{
    int total = givenTotal(p);
    double *out = (double *)ckalloc((total > 0 ? 2 * total : 1) * sizeof(double));
    int *sizes = (int *)ckalloc((p->numRings > 0 ? p->numRings : 1) * sizeof(int));
    const double *src = p->points;
    int at = 0;
    for (int k = 0; k < p->numRings; k++) {
        int g = givenCount(p, k);
        memcpy(out + 2 * at, src, 2 * g * sizeof(double));
        sizes[k] = g;
        at += g;
        src += 2 * p->ringSizes[k];
    }
    *sizesOut = sizes;
    return out;
}

/* ---- box ---- */

static void resolveOffset(StippleOffset *off, const double *box, const double *ring, int ringGiven, int modulus)
{
    if (off->flags & GC_OFFSET_INDEX) {
        if (modulus <= 0 || ring == NULL) return;
        int index = off->flags == INT32_MAX ? 2 * ringGiven : (off->flags & ~1);
        index %= modulus;
        if (index < 0) index += modulus;
        index &= ~1;
        off->xoffset = roundToInt(ring[index]);
        off->yoffset = roundToInt(ring[index + 1]);
        return;
    }
    if (off->flags & GC_OFFSET_LEFT) off->xoffset = clampToInt(box[0]);
    else if (off->flags & GC_OFFSET_CENTER) off->xoffset = roundToInt((box[0] + box[2]) * 0.5);
    else if (off->flags & GC_OFFSET_RIGHT) off->xoffset = clampToInt(box[2]);
    if (off->flags & GC_OFFSET_TOP) off->yoffset = clampToInt(box[1]);
    else if (off->flags & GC_OFFSET_MIDDLE) off->yoffset = roundToInt((box[1] + box[3]) * 0.5);
    else if (off->flags & GC_OFFSET_BOTTOM) off->yoffset = clampToInt(box[3]);
}

static void computeBbox(GcCanvas c, GcanvasItem *item)
{
    PolygonItem *p = (PolygonItem *)item;
    if (p->numPoints == 0 || gcanvasItemState(c, item) == GC_STATE_HIDDEN) {
        item->x1 = item->y1 = item->x2 = item->y2 = -1;
        return;
    }
    double box[4];
    pointsBounds(p->points, p->numPoints, box);
    double s = (fabs(c->mx) + fabs(c->my)) * 0.5;
    double w = effWidth(c, p);
    double ww = w / s;
    int firstGiven = givenCount(p, 0);
    resolveOffset(&p->tsoffset, box, p->points, firstGiven, 2 * firstGiven);
    item->x1 = box[0];
    item->y1 = box[1];
    item->x2 = box[2];
    item->y2 = box[3];
    double m = 0.0;
    if (p->outline.gc != NULL) {
        resolveOffset(&p->outline.tsoffset, box, p->points, firstGiven, (p->ringSizes[0] - 1) * 2);
        m = w / 2;
        if (p->joinStyle == JoinMiter) {
            int n = p->ringSizes[0];
            double *pts = p->points;
            double m1[2], m2[2];
            if (n > 3 && TkGetMiterPoints(pts + 2 * n - 4, pts, pts + 2, ww, m1, m2)) {
                includePointDouble(item, m1);
                includePointDouble(item, m2);
            }
            for (int i = 0; i + 2 < n; i++) {
                if (TkGetMiterPoints(pts + 2 * i, pts + 2 * i + 2, pts + 2 * i + 4, ww, m1, m2)) {
                    includePointDouble(item, m1);
                    includePointDouble(item, m2);
                }
            }
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

static int configGCs(GcCanvas c, PolygonItem *p)
{
    GcanvasItem *item = &p->header;
    ItemOutline *o = &p->outline;
    Tk_Window tkwin = gcanvasTkwin(c);
    if (o->activeWidth > o->width || o->activeDash.number != 0 || o->activeColor != NULL
            || o->activeStipple != None || p->activeFillColor != NULL || p->activeFillStipple != None) {
        item->redraw_flags |= GC_ITEM_STATE_DEPENDANT;
    } else {
        item->redraw_flags &= ~GC_ITEM_STATE_DEPENDANT;
    }
    if (p->splineSteps < 1) p->splineSteps = 1;
    else if (p->splineSteps > 100) p->splineSteps = 100;
    if (gcanvasItemState(c, item) == GC_STATE_HIDDEN) return TCL_OK;

    XGCValues v;
    GC newGC = NULL;
    int mask = outlineConfigGC(&v, c, item, o);
    if (mask) {
        v.cap_style = CapRound;
        v.join_style = p->joinStyle;
        mask |= GCCapStyle | GCJoinStyle;
        newGC = Tk_GetGC(tkwin, mask, &v);
    }
    if (o->gc != NULL) Tk_FreeGC(c->display, o->gc);
    o->gc = newGC;

    XColor *color;
    Pixmap stipple;
    chooseFill(c, p, &color, &stipple);
    newGC = NULL;
    if (color != NULL) {
        v.foreground = color->pixel;
        mask = GCForeground;
        if (stipple != None) {
            v.stipple = stipple;
            v.fill_style = FillStippled;
            mask |= GCStipple | GCFillStyle;
        }
        newGC = Tk_GetGC(tkwin, mask, &v);
    }
    if (p->fillGC != NULL) Tk_FreeGC(c->display, p->fillGC);
    p->fillGC = newGC;

    newGC = NULL;
    if (p->highlightColor != NULL) {
        double width = o->width;
        if (gcanvasIsCurrentItem(c, item) && o->activeWidth > width) width = o->activeWidth;
        if (width < 1.0) width = 1.0;
        v.foreground = p->highlightColor->pixel;
        v.line_width = clampToInt(width + 0.5);
        v.cap_style = CapRound;
        v.join_style = p->joinStyle;
        newGC = Tk_GetGC(tkwin, GCForeground | GCLineWidth | GCCapStyle | GCJoinStyle, &v);
    }
    if (p->highlightGC != NULL) Tk_FreeGC(c->display, p->highlightGC);
    p->highlightGC = newGC;
    return TCL_OK;
}

static int configure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                     int flags)
{
    PolygonItem *p = (PolygonItem *)item;
    if (Tk_ConfigureWidget(interp, gcanvasTkwin(c), configSpecs, objc, (const char **)objv, (char *)p,
                           flags | TK_CONFIG_OBJS) != TCL_OK) {
        return TCL_ERROR;
    }
    if (configGCs(c, p) != TCL_OK) return TCL_ERROR;
    computeBbox(c, item);
    return TCL_OK;
}

static void polygonInit(PolygonItem *p)
{
    p->numPoints = p->numRings = p->pointsAllocated = 0;
    p->ringSizes = p->autoClosed = NULL;
    p->points = NULL;
    p->tsoffset.flags = p->tsoffset.xoffset = p->tsoffset.yoffset = 0;
    p->fillColor = p->activeFillColor = p->disabledFillColor = NULL;
    p->fillStipple = p->activeFillStipple = p->disabledFillStipple = None;
    p->fillGC = NULL;
    outlineInit(&p->outline);
    p->joinStyle = JoinRound;
    p->splineSteps = 12;
    p->smooth = NULL;
    p->pickedRing = p->highlightRing = -1;
    p->highlightColor = NULL;
    p->highlightGC = NULL;
}

static void deleteProc(GcCanvas, GcanvasItem *item, Display *display)
{
    PolygonItem *p = (PolygonItem *)item;
    outlineFree(display, &p->outline);
    freeGeometry(p);
    XColor *colors[4] = {p->fillColor, p->activeFillColor, p->disabledFillColor, p->highlightColor};
    for (int i = 0; i < 4; i++) {
        if (colors[i] != NULL) Tk_FreeColor(colors[i]);
    }
    Pixmap stipples[3] = {p->fillStipple, p->activeFillStipple, p->disabledFillStipple};
    for (int i = 0; i < 3; i++) {
        if (stipples[i] != None) Tk_FreeBitmap(display, stipples[i]);
    }
    if (p->fillGC != NULL) Tk_FreeGC(display, p->fillGC);
    if (p->highlightGC != NULL) Tk_FreeGC(display, p->highlightGC);
    p->fillColor = p->activeFillColor = p->disabledFillColor = p->highlightColor = NULL;
    p->fillStipple = p->activeFillStipple = p->disabledFillStipple = None;
    p->fillGC = p->highlightGC = NULL;
}

static int readCoord(ClientData cd, Tcl_Interp *interp, Tcl_Obj *obj, double *out)
{
    return gcanvasGetCoordFromObj(interp, (GcCanvas)cd, obj, out);
}

static int coords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    PolygonItem *p = (PolygonItem *)item;
    if (objc == 0) {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        const double *src = p->points;
        for (int k = 0; k < p->numRings; k++) {
            int g = givenCount(p, k);
            for (int i = 0; i < 2 * g; i++) Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(src[i]));
            src += 2 * p->ringSizes[k];
        }
        if (p->numRings > 1) {
            Tcl_Obj *sizes = Tcl_NewListObj(0, NULL);
            for (int k = 0; k < p->numRings; k++) Tcl_ListObjAppendElement(NULL, sizes, Tcl_NewIntObj(givenCount(p, k)));
            Tcl_ListObjAppendElement(NULL, list, sizes);
        }
        Tcl_SetObjResult(interp, list);
        return TCL_OK;
    }
    ParsedPoints parsed;
    if (parsePointList(interp, objc, objv, POINTS_POLYGON, readCoord, (ClientData)c, &parsed) != TCL_OK) {
        return TCL_ERROR;
    }
    setRings(p, parsed.points, parsed.numParts, parsed.sizes);
    freeParsedPoints(&parsed);
    if (p->pickedRing >= p->numRings) p->pickedRing = -1;
    if (p->highlightRing >= p->numRings) p->highlightRing = -1;
    computeBbox(c, item);
    return TCL_OK;
}

static int create(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    PolygonItem *p = (PolygonItem *)item;
    polygonInit(p);
    int n = gcanvasLeadingCoordWords(objc, objv);
    if ((n > 0 && coords(interp, c, item, n, objv) != TCL_OK)
            || configure(interp, c, item, objc - n, objv + n, 0) != TCL_OK) {
        deleteProc(c, item, c->display);
        return TCL_ERROR;
    }
    return TCL_OK;
}

/* ---- display ---- */

/* A smoothed polygon reaching far off the drawable: each ring smoothed in
 * canvas pixels, cut to box in floating point, then converted, so that
 * clamped far points never bend the curve. */
static void drawSmoothFar(GcCanvas c, PolygonItem *p, Display *d, Drawable drawable, GC outlineGC,
                          const GuardBox *box)
{
    int rings = p->numRings;
    int *sz = (int *)ckalloc(rings * sizeof(int));
    int largest = 2;
    long long room = 0;
    for (int k = 0; k < rings; k++) {
        int n = p->ringSizes[k];
        int m = n >= 3 ? p->smooth->coordProc(c, NULL, n, p->splineSteps, NULL, NULL) : n;
        largest = m > largest ? m : largest;
        room += guardRingRoom(m);
    }
    long long ringRoom = guardRingRoom(largest);
    double *canvasPts = (double *)ckalloc(2 * (size_t)p->numPoints * sizeof(double));
    double *smoothed = (double *)ckalloc(2 * (size_t)largest * sizeof(double));
    double *clipped = (double *)ckalloc(2 * (size_t)ringRoom * sizeof(double));
    double *scratch = (double *)ckalloc(2 * (size_t)ringRoom * sizeof(double));
    XPoint *xp = (XPoint *)ckalloc((size_t)(room > 0 ? room : 1) * sizeof(XPoint));
    worldToScreenPoints(c, p->points, canvasPts, p->numPoints);
    const double *src = canvasPts;
    XPoint *at = xp;
    int total = 0, hlStart = -1, hlSize = 0;
    for (int k = 0; k < rings; k++) {
        int n = p->ringSizes[k];
        int m = n;
        if (n >= 3) {
            m = p->smooth->coordProc(c, src, n, p->splineSteps, NULL, smoothed);
        } else if (n > 0) {
            memcpy(smoothed, src, 2 * (size_t)n * sizeof(double));
        }
        int kept = m > 0 ? clipRingToGuard(smoothed, m, box, clipped, scratch) : 0;
        sz[k] = kept > 0 ? canvasToScreenRing(c, clipped, at, kept) : 0;
        if (k == p->highlightRing) {
            hlStart = total;
            hlSize = sz[k];
        }
        total += sz[k];
        at += sz[k];
        src += 2 * (n > 0 ? n : 0);
    }
    if (total > 0) {
        if (p->fillGC != NULL) fillAndOutline(d, drawable, p->fillGC, NULL, xp, rings, sz, total);
        if (hlStart >= 0 && p->highlightGC != NULL && hlSize >= 3) {
            XFillPolygon(d, drawable, p->highlightGC, xp + hlStart, hlSize, Complex, CoordModeOrigin);
        }
        if (outlineGC != NULL) drawRingOutlines(d, drawable, outlineGC, xp, rings, sz);
    }
    ckfree((char *)xp);
    ckfree((char *)scratch);
    ckfree((char *)clipped);
    ckfree((char *)smoothed);
    ckfree((char *)canvasPts);
    ckfree((char *)sz);
}

static void display(GcCanvas c, GcanvasItem *item, Display *d, Drawable drawable, int, int, int width, int height)
{
    PolygonItem *p = (PolygonItem *)item;
    GC outlineGC = p->outline.gc;
    if ((p->fillGC == NULL && outlineGC == NULL) || p->numPoints == 0 || (p->numPoints < 3 && outlineGC == NULL)) {
        return;
    }
    GcanvasWidget *w = gcanvasWidgetOf(c);
    XColor *fillColor;
    Pixmap fillStipple;
    chooseFill(c, p, &fillColor, &fillStipple);
    if (p->fillGC != NULL && fillStipple != None) {
        gcanvasSetFillStippleOffset(c, d, p->fillGC, &p->tsoffset, fillStipple);
    }
    outlineChangeGC(c, item, &p->outline);
    /* The clip box reaches well beyond the drawn area on every side, so
     * that edges it adds are never seen. */
    int cx = -CLIP_MARGIN, cy = -CLIP_MARGIN, cw = width + 2 * CLIP_MARGIN, ch = height + 2 * CLIP_MARGIN;
    if (p->numPoints < 3) {
        double width2 = effWidth(c, p);
        int dia = clampToInt(width2 + 0.5);
        if (dia < 1) dia = 1;
        short x = gcanvasDrawableCoords(w->drawableXOrigin, worldToCanvasX(c, p->points[0]));
        short y = gcanvasDrawableCoords(w->drawableYOrigin, worldToCanvasY(c, p->points[1]));
        XFillArc(d, drawable, outlineGC, x - dia / 2, y - dia / 2, (unsigned)dia + 1, (unsigned)dia + 1, 0,
                 64 * 360);
    } else if (p->smooth == NULL || p->numPoints < 4) {
        drawRingsClipped(c, p->points, p->numPoints, p->numRings, p->ringSizes, d, drawable, p->fillGC, outlineGC,
                         cx, cy, cw, ch);
        if (p->highlightRing >= 0 && p->highlightRing < p->numRings && p->highlightGC != NULL) {
            int size = p->ringSizes[p->highlightRing];
            drawRingsClipped(c, ringStart(p, p->highlightRing), size, 1, &size, d, drawable, p->highlightGC,
                             outlineGC, cx, cy, cw, ch);
        }
    } else if (!worldPointsNear(c, p->points, p->numPoints)) {
        GuardBox box = {(double)cx + w->drawableXOrigin, (double)cy + w->drawableYOrigin,
                        (double)cx + cw + w->drawableXOrigin, (double)cy + ch + w->drawableYOrigin};
        drawSmoothFar(c, p, d, drawable, outlineGC, &box);
    } else {
        int rings = p->numRings;
        int *sz = (int *)ckalloc(rings * sizeof(int));
        long long room = 0;
        for (int k = 0; k < rings; k++) {
            room += clipRoom(p->smooth->coordProc(c, NULL, p->ringSizes[k], p->splineSteps, NULL, NULL));
        }
        double *canvasPts = (double *)ckalloc(2 * p->numPoints * sizeof(double));
        worldToScreenPoints(c, p->points, canvasPts, p->numPoints);
        XPoint *xp = (XPoint *)ckalloc((size_t)(room > 0 ? room : 1) * sizeof(XPoint));
        XPoint *at = xp;
        const double *src = canvasPts;
        int hlStart = -1, hlSize = 0;
        for (int k = 0; k < rings; k++) {
            int n = p->ringSizes[k];
            sz[k] = n >= 3 ? p->smooth->coordProc(c, src, n, p->splineSteps, at, NULL) : 0;
            if (n < 3) {
                for (int i = 0; i < n; i++) {
                    at[i].x = gcanvasDrawableCoords(w->drawableXOrigin, src[2 * i]);
                    at[i].y = gcanvasDrawableCoords(w->drawableYOrigin, src[2 * i + 1]);
                }
                sz[k] = n;
            }
            at += clipRoom(p->smooth->coordProc(c, NULL, n, p->splineSteps, NULL, NULL));
            src += 2 * n;
        }
        /* The layout above spaces rings by their bound; repack to the
         * clipper's spacing (by the actual counts), then clip. */
        at = xp;
        XPoint *slot = xp;
        for (int k = 0; k < rings; k++) {
            int bound = clipRoom(p->smooth->coordProc(c, NULL, p->ringSizes[k], p->splineSteps, NULL, NULL));
            if (at != slot) memmove(at, slot, sz[k] * sizeof(XPoint));
            slot += bound;
            at += clipRoom(sz[k]);
        }
        int total = rings == 1 ? clipPolygonToBox(xp, sz[0], cx, cy, cx + cw, cy + ch)
                               : clipRingsToBox(xp, rings, sz, cx, cy, cx + cw, cy + ch);
        if (rings == 1) sz[0] = total;
        if (p->highlightRing >= 0 && p->highlightRing < rings) {
            hlStart = 0;
            for (int k = 0; k < p->highlightRing; k++) hlStart += sz[k];
            hlSize = sz[p->highlightRing];
        }
        if (p->fillGC != NULL) fillAndOutline(d, drawable, p->fillGC, NULL, xp, rings, sz, total);
        if (hlStart >= 0 && p->highlightGC != NULL && hlSize >= 3) {
            XFillPolygon(d, drawable, p->highlightGC, xp + hlStart, hlSize, Complex, CoordModeOrigin);
        }
        if (outlineGC != NULL) drawRingOutlines(d, drawable, outlineGC, xp, rings, sz);
        ckfree((char *)xp);
        ckfree((char *)canvasPts);
        ckfree((char *)sz);
    }
    outlineResetGC(c, item, &p->outline);
    if (p->fillGC != NULL && fillStipple != None) XSetTSOrigin(d, p->fillGC, 0, 0);
}

/* ---- hit tests ---- */

/* The ring's points for testing: smoothed (world units) when a method is
 * set and the ring has 3 points or more. *buffer is freed by the caller
 * when it is not fixed. */
static const double *testPoints(GcCanvas c, PolygonItem *p, const double *ring, int n, double *fixed,
                                double **buffer, int *count)
{
    *buffer = NULL;
    *count = n;
    if (p->smooth == NULL || n < 3) return ring;
    int bound = p->smooth->coordProc(c, NULL, n, p->splineSteps, NULL, NULL);
    double *out = bound <= FIXED_POINTS ? fixed : (*buffer = (double *)ckalloc(2 * bound * sizeof(double)));
    *count = p->smooth->coordProc(c, ring, n, p->splineSteps, NULL, out);
    return out;
}

static double ringToPoint(GcCanvas c, PolygonItem *p, const double *ring, int n, const double *world, double *edge)
{
    double sx = fabs(c->mx), sy = fabs(c->my), s = (sx + sy) * 0.5;
    double w = effWidth(c, p), ww = w / s;
    double fixed[2 * FIXED_POINTS];
    double *buffer;
    int count;
    const double *pts = testPoints(c, p, ring, n, fixed, &buffer, &count);
    double d = polygonToPointDouble(sx, sy, pts, count, world, edge);
    if (d > 0 && p->outline.gc != NULL && p->joinStyle == JoinRound) {
        d -= w / 2;
        if (d <= 0) d = 0;
    }
    if (d > 0 && p->outline.gc != NULL && w > 1.0) {
        double st = strokeToPointScaled(sx, sy, pts, count, ww, w, CapButt, p->joinStyle, world);
        if (st < d) d = st;
    }
    if (buffer != NULL) ckfree((char *)buffer);
    return d;
}

static double toPoint(GcCanvas c, GcanvasItem *item, double *point)
{
    PolygonItem *p = (PolygonItem *)item;
    if (p->numPoints == 0 || gcanvasItemState(c, item) == GC_STATE_HIDDEN) {
        p->pickedRing = -1;
        return 1.0e36;
    }
    double world[2] = {canvasToWorldX(c, point[0]), canvasToWorldY(c, point[1])};
    double bestOuter = HUGE_VAL, bestHole = HUGE_VAL, bestHoleEdge = HUGE_VAL;
    int outerRing = -1, holeRing = -1, holeEdgeRing = -1, insideRing = -1;
    const double *ring = p->points;
    for (int k = 0; k < p->numRings; k++) {
        int n = p->ringSizes[k];
        double e;
        double d = ringToPoint(c, p, ring, n, world, &e);
        int outer = p->numRings == 1 || ringAreaDouble(ring, n) > 0;
        if (outer) {
            if (d <= 0) insideRing = k;
            else if (d < bestOuter) {
                bestOuter = d;
                outerRing = k;
            }
        } else if (d == 0 && e < bestHoleEdge) {
            bestHoleEdge = e;
            holeEdgeRing = k;
        } else if (d < bestHole) {
            bestHole = d;
            holeRing = k;
        }
        ring += 2 * n;
    }
    double result;
    int picked;
    if (insideRing >= 0) {
        if (holeEdgeRing >= 0) {
            result = bestHoleEdge;
            picked = holeEdgeRing;
        } else {
            result = 0.0;
            picked = insideRing;
        }
    } else {
        result = bestHole;
        picked = holeRing;
        if (bestHoleEdge < result) {
            result = bestHoleEdge;
            picked = holeEdgeRing;
        }
        if (bestOuter < bestHole && bestOuter < bestHoleEdge) {
            result = bestOuter;
            picked = outerRing;
        }
    }
    p->pickedRing = result > c->closeEnough ? -1 : picked;
    return result;
}

static int ringToArea(GcCanvas c, PolygonItem *p, const double *ring, int n, const double *rect)
{
    double s = (fabs(c->mx) + fabs(c->my)) * 0.5;
    double w = effWidth(c, p), ww = w / s;
    if (n < 2) return -1;
    if (n == 2) {
        double oval[4] = {ring[0] - ww / 2, ring[1] - ww / 2, ring[0] + ww / 2, ring[1] + ww / 2};
        return TkOvalToArea(oval, (double *)rect);
    }
    double fixed[2 * FIXED_POINTS];
    double *buffer;
    int count;
    const double *pts = testPoints(c, p, ring, n, fixed, &buffer, &count);
    int state;
    if (p->fillGC != NULL) {
        state = TkPolygonToArea((double *)pts, count, (double *)rect);
    } else {
        state = pts[0] >= rect[0] && pts[0] <= rect[2] && pts[1] >= rect[1] && pts[1] <= rect[3] ? 1 : -1;
    }
    if (state != 0 && p->outline.gc != NULL) {
        double poly[10];
        for (int i = 0; i < count && state != 0; i++) {
            if (p->joinStyle == JoinRound) {
                double oval[4] = {pts[2 * i] - ww / 2, pts[2 * i + 1] - ww / 2, pts[2 * i] + ww / 2,
                                  pts[2 * i + 1] + ww / 2};
                if (TkOvalToArea(oval, (double *)rect) != state) state = 0;
            }
            if (i + 1 < count && state != 0) {
                TkGetButtPoints((double *)pts + 2 * i + 2, (double *)pts + 2 * i, ww, 0, poly, poly + 2);
                TkGetButtPoints((double *)pts + 2 * i, (double *)pts + 2 * i + 2, ww, 0, poly + 4, poly + 6);
                poly[8] = poly[0];
                poly[9] = poly[1];
                if (TkPolygonToArea(poly, 5, (double *)rect) != state) state = 0;
            }
        }
    }
    if (buffer != NULL) ckfree((char *)buffer);
    return state;
}

/* The rectangle lies inside the ring, clear of its edges by margin. */
static int rectInsideRing(const double *ring, int n, const double *rect, double margin)
{
    double r[4] = {rect[0] - margin, rect[1] - margin, rect[2] + margin, rect[3] + margin};
    for (int i = 0; i + 1 < n; i++) {
        if (lineToAreaDouble(ring + 2 * i, ring + 2 * i + 2, r) != -1) return 0;
    }
    if (n >= 2 && lineToAreaDouble(ring + 2 * n - 2, ring, r) != -1) return 0;
    return polygonToPointDouble(1, 1, ring, n, r, NULL) == 0.0;
}

static int toArea(GcCanvas c, GcanvasItem *item, double *area)
{
    PolygonItem *p = (PolygonItem *)item;
    if (p->numPoints < 2 || gcanvasItemState(c, item) == GC_STATE_HIDDEN) return -1;
    double rect[4];
    screenRectToWorld(c, area, rect);
    if (p->numRings == 1) return ringToArea(c, p, p->points, p->numPoints, rect);
    /* Several rings: 1 when every ring is inside, -1 when the rectangle
     * meets no ring or lies within a hole (and within no other ring than
     * the outer rings around that hole), else 0. */
    int answers[16];
    int *ans = p->numRings <= 16 ? answers : (int *)ckalloc(p->numRings * sizeof(int));
    int allIn = 1, allOut = 1;
    const double *ring = p->points;
    for (int k = 0; k < p->numRings; k++) {
        ans[k] = ringToArea(c, p, ring, p->ringSizes[k], rect);
        if (ans[k] != 1) allIn = 0;
        if (ans[k] != -1) allOut = 0;
        ring += 2 * p->ringSizes[k];
    }
    int result = allIn ? 1 : allOut ? -1 : 0;
    if (result == 0) {
        double s = (fabs(c->mx) + fabs(c->my)) * 0.5;
        double margin = (p->outline.gc != NULL ? effWidth(c, p) / 2 : 0.0) / s;
        const double *h = p->points;
        for (int k = 0; k < p->numRings && result == 0; k++) {
            int n = p->ringSizes[k];
            if (ringAreaDouble(h, n) <= 0 && rectInsideRing(h, n, rect, margin)) {
                int clear = 1;
                const double *o = p->points;
                for (int j = 0; j < p->numRings && clear; j++) {
                    int m = p->ringSizes[j];
                    if (j != k && ans[j] != -1
                            && !(ringAreaDouble(o, m) > 0 && rectInsideRing(o, m, rect, margin))) {
                        clear = 0;
                    }
                    o += 2 * m;
                }
                if (clear) result = -1;
            }
            h += 2 * n;
        }
    }
    if (ans != answers) ckfree((char *)ans);
    return result;
}

/* ---- components ---- */

static int getComponent(GcanvasItem *item)
{
    return ((PolygonItem *)item)->pickedRing;
}

static void redrawRing(GcCanvas c, GcanvasItem *item, int ring)
{
    PolygonItem *p = (PolygonItem *)item;
    if (p->numRings == 1) {
        gcanvasEventuallyRedraw(c, p->header.x1, p->header.y1, p->header.x2, p->header.y2, !p->header.floating);
        return;
    }
    double b[4], r[4];
    pointsBounds(ringStart(p, ring), p->ringSizes[ring], b);
    worldRectToScreen(c, b[0], b[1], b[2], b[3], r);
    double m = p->header.marginX;
    gcanvasEventuallyRedraw(c, r[0] - m, r[1] - m, r[2] + m, r[3] + m, !p->header.floating);
}

static void highlightComponent(GcCanvas c, GcanvasItem *item, int on)
{
    PolygonItem *p = (PolygonItem *)item;
    componentHighlight(c, item, on, p->pickedRing, &p->highlightRing, p->numRings, redrawRing);
}

/* ---- index, insert, delete ---- */

static int indexProc(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, Tcl_Obj *obj, int *indexPtr)
{
    PolygonItem *p = (PolygonItem *)item;
    return vertexIndexFromObj(interp, c, obj, p->points, p->numRings, p->ringSizes, p->autoClosed, 1, indexPtr);
}

static void insertProc(GcCanvas c, GcanvasItem *item, int beforeThis, Tcl_Obj *obj)
{
    PolygonItem *p = (PolygonItem *)item;
    int objc;
    double *vals = vertexValuesFromObj(obj, &objc);
    if (vals == NULL) return;
    int added = objc / 2;
    if (p->numRings == 0) {
        setRings(p, vals, 1, &added);
    } else {
        int L = 2 * givenTotal(p);
        if (L > 0) {
            while (beforeThis > L) beforeThis -= L;
            while (beforeThis < 0) beforeThis += L;
        }
        int *sizes;
        double *given = collectGiven(p, &sizes);
        double *merged;
        int *mergedSizes, numRings;
        verticesInsert(given, L / 2, sizes, p->numRings, beforeThis / 2, vals, added, &merged, &mergedSizes,
                       &numRings);
        setRings(p, merged, numRings, mergedSizes);
        ckfree((char *)merged);
        ckfree((char *)mergedSizes);
        ckfree((char *)given);
        ckfree((char *)sizes);
    }
    ckfree((char *)vals);
    computeBbox(c, item);
}

static void deleteCoords(GcCanvas c, GcanvasItem *item, int first, int last)
{
    PolygonItem *p = (PolygonItem *)item;
    if (p->numRings == 0) return;
    int L = 2 * givenTotal(p);
    if (L == 0) return;
    first &= ~1;
    last &= ~1;
    while (first < 0) first += L;
    while (first >= L) first -= L;
    while (last < 0) last += L;
    while (last >= L) last -= L;
    /* The run goes forward from first and wraps past the end to reach last. */
    int n = L / 2, from = first / 2, to = last / 2;
    int count = from <= to ? to - from + 1 : n - from + to + 1;
    if (count >= n) {
        freeGeometry(p);
        p->pickedRing = p->highlightRing = -1;
        computeBbox(c, item);
        return;
    }
    int *sizes;
    double *given = collectGiven(p, &sizes);
    double *kept = (double *)ckalloc(2 * n * sizeof(double));
    int *newSizes = (int *)ckalloc(p->numRings * sizeof(int));
    /* A ring left with a single point is dropped, as is an empty one. */
    int at;
    int rings = verticesKeepOutside(given, sizes, p->numRings, from, to, 2, kept, newSizes, &at);
    setRings(p, kept, rings, newSizes);
    ckfree((char *)kept);
    ckfree((char *)newSizes);
    ckfree((char *)given);
    ckfree((char *)sizes);
    if (p->pickedRing >= p->numRings) p->pickedRing = -1;
    if (p->highlightRing >= p->numRings) p->highlightRing = -1;
    computeBbox(c, item);
}

/* ---- moving, scaling ---- */

static void scaleProc(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy)
{
    PolygonItem *p = (PolygonItem *)item;
    pointsScale(p->points, p->numPoints, ox, oy, sx, sy);
    computeBbox(c, item);
}

static void translateProc(GcCanvas c, GcanvasItem *item, double dx, double dy)
{
    PolygonItem *p = (PolygonItem *)item;
    pointsTranslate(p->points, p->numPoints, dx, dy);
    computeBbox(c, item);
}

/* ---- point sets ---- */

static int createFromPoints(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, PointSetDesc *desc)
{
    PolygonItem *p = (PolygonItem *)item;
    polygonInit(p);
    if (Tk_ConfigureWidget(interp, gcanvasTkwin(c), configSpecs, 0, NULL, (char *)p, TK_CONFIG_OBJS) != TCL_OK) {
        deleteProc(c, item, c->display);
        return TCL_ERROR;
    }
    if (desc != NULL && desc->numParts > 0) {
        int rings = desc->partSizes != NULL ? desc->numParts : 1;
        int single = desc->numParts;
        const int *sizes = desc->partSizes != NULL ? desc->partSizes : &single;
        int total = 0;
        for (int k = 0; k < rings; k++) total += sizes[k] > 0 ? sizes[k] : 0;
        double *points = (double *)ckalloc((total > 0 ? 2 * total : 1) * sizeof(double));
        int *block = (int *)ckalloc(2 * rings * sizeof(int));
        memcpy(points, desc->points, 2 * total * sizeof(double));
        for (int k = 0; k < rings; k++) {
            block[k] = sizes[k] > 0 ? sizes[k] : 0;
            block[rings + k] = block[k] > 0 ? 1 : 0; /* the last point is taken as the closing one */
        }
        freeGeometry(p);
        p->points = points;
        p->pointsAllocated = total;
        p->ringSizes = block;
        p->autoClosed = block + rings;
        p->numRings = rings;
        p->numPoints = total;
        if (desc->outline != NULL) {
            OutlineSource *os = (OutlineSource *)desc->outline;
            ItemOutline *src = &os->outline;
            p->splineSteps = os->splineSteps;
            p->smooth = os->smooth;
            p->outline.width = src->width;
            Tk_Window tkwin = gcanvasTkwin(c);
            XColor **dst[5] = {&p->outline.color, &p->outline.activeColor, &p->fillColor, &p->activeFillColor,
                               &p->disabledFillColor};
            XColor *from[5] = {src->color, src->activeColor, desc->fill, desc->activeFill, desc->disabledFill};
            copyColorsForWindow(interp, tkwin, dst, from, 5);
            if (configGCs(c, p) != TCL_OK) {
                deleteProc(c, item, c->display);
                return TCL_ERROR;
            }
        }
    }
    computeBbox(c, item);
    return TCL_OK;
}

static double *getPoints(GcanvasItem *item, int *count)
{
    PolygonItem *p = (PolygonItem *)item;
    *count = p->numPoints;
    return p->points;
}

static int *getParts(GcanvasItem *item, int *count)
{
    PolygonItem *p = (PolygonItem *)item;
    *count = p->numRings;
    return p->ringSizes;
}

/* ---- measures ---- */

static double areaMeasure(GcCanvas, GcanvasItem *item)
{
    PolygonItem *p = (PolygonItem *)item;
    double sum = 0.0;
    const double *ring = p->points;
    for (int k = 0; k < p->numRings; k++) {
        sum += polygonSignedArea(ring, p->ringSizes[k]);
        ring += 2 * p->ringSizes[k];
    }
    return sum;
}

static double lengthMeasure(GcCanvas, GcanvasItem *item)
{
    PolygonItem *p = (PolygonItem *)item;
    double sum = 0.0;
    const double *ring = p->points;
    for (int k = 0; k < p->numRings; k++) {
        sum += polylineLength(ring, p->ringSizes[k]);
        ring += 2 * p->ringSizes[k];
    }
    return sum;
}

static double centroidMeasure(GcCanvas, GcanvasItem *item, double *cx, double *cy)
{
    PolygonItem *p = (PolygonItem *)item;
    if (p->numRings == 0) {
        *cx = *cy = 0.0;
        return 0.0;
    }
    if (p->numRings == 1) return polygonAreaCentroid(p->points, p->numPoints, cx, cy);
    double sa = 0.0, sx = 0.0, sy = 0.0;
    const double *ring = p->points;
    for (int k = 0; k < p->numRings; k++) {
        double x, y;
        double a = polygonAreaCentroid(ring, p->ringSizes[k], &x, &y);
        sa += a;
        sx += a * x;
        sy += a * y;
        ring += 2 * p->ringSizes[k];
    }
    *cx = sx / sa;
    *cy = sy / sa;
    return sa;
}

static double vertexAngle(GcCanvas, GcanvasItem *item, int index)
{
    PolygonItem *p = (PolygonItem *)item;
    return pointsVertexAngle(p->points, p->numPoints, index);
}

static double angleAt(GcCanvas, GcanvasItem *item, double position, double *x, double *y)
{
    PolygonItem *p = (PolygonItem *)item;
    return partAngleAt(p->points, p->numRings > 0 ? p->ringSizes[0] : 0, position, x, y);
}

/* ---- PostScript ---- */

static void ringsPath(Tcl_Interp *interp, GcCanvas c, PolygonItem *p)
{
    const double *ring = p->points;
    for (int k = 0; k < p->numRings; k++) {
        int n = p->ringSizes[k];
        if (p->smooth != NULL && p->smooth->postscriptProc != NULL && n >= 3) {
            double *cp = (double *)ckalloc(2 * n * sizeof(double));
            worldToScreenPoints(c, ring, cp, n);
            p->smooth->postscriptProc(interp, c, cp, n);
            ckfree((char *)cp);
        } else {
            gcanvasPsPath(interp, c, ring, n);
        }
        ring += 2 * n;
    }
}

static int postscript(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int)
{
    PolygonItem *p = (PolygonItem *)item;
    if (p->numPoints < 2) return TCL_OK;
    double width = effWidth(c, p);
    XColor *outline = outlineColor(c, p);
    Pixmap outlineStipple = p->outline.stipple;
    if (gcanvasIsCurrentItem(c, item)) {
        if (p->outline.activeStipple != None) outlineStipple = p->outline.activeStipple;
    } else if (gcanvasItemState(c, item) == GC_STATE_DISABLED) {
        if (p->outline.disabledStipple != None) outlineStipple = p->outline.disabledStipple;
    }
    XColor *fill;
    Pixmap fillStipple;
    chooseFill(c, p, &fill, &fillStipple);
    char buf[400];
    if (p->numPoints == 2) {
        if (outline == NULL) return TCL_OK;
        double x = worldToCanvasX(c, p->points[0]), y = worldToCanvasY(c, p->points[1]);
        snprintf(buf, sizeof buf, "matrix currentmatrix\n%.15g %.15g translate %.15g %.15g", x, gcanvasPsY(c, y),
                 width / 2, width / 2);
        Tcl_AppendResult(interp, buf, " scale 1 0 moveto 0 0 1 0 360 arc\nsetmatrix\n", (char *)NULL);
        if (gcanvasPsColor(interp, c, outline) != TCL_OK) return TCL_ERROR;
        if (outlineStipple != None) {
            Tcl_AppendResult(interp, "clip ", (char *)NULL);
            return gcanvasPsStipple(interp, c, outlineStipple);
        }
        Tcl_AppendResult(interp, "fill\n", (char *)NULL);
        return TCL_OK;
    }
    if (fill != NULL && p->numPoints > 3) {
        ringsPath(interp, c, p);
        if (gcanvasPsColor(interp, c, fill) != TCL_OK) return TCL_ERROR;
        if (fillStipple != None) {
            Tcl_AppendResult(interp, "eoclip ", (char *)NULL);
            if (gcanvasPsStipple(interp, c, fillStipple) != TCL_OK) return TCL_ERROR;
            if (outline != NULL) Tcl_AppendResult(interp, "grestore gsave\n", (char *)NULL);
        } else {
            Tcl_AppendResult(interp, "eofill\n", (char *)NULL);
        }
    }
    if (outline != NULL) {
        ringsPath(interp, c, p);
        const char *join = p->joinStyle == JoinRound ? "1" : p->joinStyle == JoinBevel ? "2" : "0";
        Tcl_AppendResult(interp, join, " setlinejoin 1 setlinecap\n", (char *)NULL);
        if (outlinePostscript(c, item, &p->outline) != TCL_OK) return TCL_ERROR;
    }
    return TCL_OK;
}

GcanvasItemType gcanvasPolygonType = {
    "polygon", sizeof(PolygonItem), create, configSpecs, configure, coords, deleteProc, display,
    GC_TYPE_OBJECTS, toPoint, toArea, postscript, scaleProc, translateProc, indexProc, NULL, NULL, insertProc,
    deleteCoords, computeBbox, NULL, NULL, NULL, createFromPoints, NULL, getPoints, getParts, NULL, NULL,
    getComponent, highlightComponent, areaMeasure, lengthMeasure, centroidMeasure, vertexAngle, angleAt,
    NULL, NULL, NULL, NULL};
