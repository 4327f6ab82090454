/*
 * object_item_draw.cpp --
 *
 *	Drawing of the object item: every selected record that meets the
 *	area being redrawn, through one draw batch with one set of drawing
 *	objects per GC, so that tens of thousands of records cost one
 *	request each. Point records become symbols, line records polylines,
 *	polygon records filled rings with holes left open.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include "canvas/guard_clip.h"
#include "canvas/object_item.h"
#include "canvas/ring_clip.h"
#include "core/package.h"
#include "core/rounding.h"
#include "ovex/draw.h"
#include "ovex/ovexstdio.h"

enum { CLIP_MARGIN = 8 };

/* Drawable points for one record: grown as records need, kept across
 * the records of one display. */
typedef struct PointBuffer {
    XPoint *points;
    long long room;
    XPoint fixed[200];
} PointBuffer;

static XPoint *pointRoom(PointBuffer *b, long long need)
{
    if (need > b->room) {
        if (b->points != b->fixed) ckfree((char *)b->points);
        b->points = (XPoint *)ckalloc((size_t)need * sizeof(XPoint));
        b->room = need;
    }
    return b->points;
}

static void pointBufferFree(PointBuffer *b)
{
    if (b->points != b->fixed) ckfree((char *)b->points);
}

/* Smooths the geometry's parts of more than 2 points when the item
 * smooths and the record has at least minTotal points: the smoothed
 * points (world units) go to the item's buffer, kept for the next record
 * and redraw, and the part sizes and point count are set to theirs.
 * Returns the points to draw, the record's own when nothing is smoothed. */
static const double *smoothParts(GcCanvas c, ObjectItem *o, RecordGeometry *g, int minTotal)
{
    if (o->smooth == NULL || g->numPoints < minTotal) return g->points;
    long long total = 0;
    for (int k = 0; k < g->numParts; k++) {
        int n = g->parts[k];
        total += n > 2 ? o->smooth->coordProc(c, NULL, n, o->splineSteps, NULL, NULL) : n;
    }
    long long need = total > 0 ? total : 1;
    if (need > o->smoothRoom) {
        if (o->smoothPoints != NULL) ckfree((char *)o->smoothPoints);
        o->smoothPoints = (double *)ckalloc((size_t)need * 2 * sizeof(double));
        o->smoothRoom = need;
    }
    double *out = o->smoothPoints;
    const double *src = g->points;
    double *dst = out;
    for (int k = 0; k < g->numParts; k++) {
        int n = g->parts[k];
        int m = n;
        if (n > 2) {
            m = o->smooth->coordProc(c, src, n, o->splineSteps, NULL, dst);
        } else if (n > 0) {
            memcpy(dst, src, 2 * (size_t)n * sizeof(double));
        }
        src += 2 * n;
        dst += 2 * m;
        g->parts[k] = m;
    }
    g->numPoints = (int)(dst - out) / 2;
    return out;
}

static int boxMeets(const double *b, const double *area)
{
    return b[0] <= area[2] && area[0] <= b[2] && b[1] <= area[3] && area[1] <= b[3];
}

/* ---- points ---- */

static void drawSymbol(ObjectItem *o, GcanvasWidget *w, GcCanvas c, double px, double py, GCObjects *F,
                       GCObjects *O, GCObjects *M)
{
    int sw = o->symbolXSize, sh = o->symbolYSize;
    int hw = o->symbolXSize / 2, hh = o->symbolYSize / 2;
    int cx = gcanvasDrawableCoords(w->drawableXOrigin, worldToCanvasX(c, px));
    int cy = gcanvasDrawableCoords(w->drawableYOrigin, worldToCanvasY(c, py));
    int left = cx - hw, top = cy - hh;
    switch (o->symbolType) {
    case OBJ_SYMBOL_OVAL:
        if (F) batchDrawArc(F, left, top, sw, sh, 0, 23040, 1);
        if (O) batchDrawArc(O, left, top, sw, sh, 0, 23040, 0);
        break;
    case OBJ_SYMBOL_RECTANGLE:
        if (F) batchFillRectangle(F, (short)left, (short)top, (unsigned short)sw, (unsigned short)sh);
        if (O) batchDrawRectangle(O, left, top, sw, sh);
        break;
    case OBJ_SYMBOL_DIAMOND: {
        XPoint p[5] = {{(short)cx, (short)top}, {(short)left, (short)cy}, {(short)cx, (short)(top + sh)},
                       {(short)(left + sw), (short)cy}, {(short)cx, (short)top}};
        if (F) batchFillPolygon(F, p, 5, Complex, CoordModeOrigin);
        if (O) batchDrawLines(O, p, 5, CoordModeOrigin);
        break;
    }
    case OBJ_SYMBOL_CROSSHAIR: {
        XPoint p[13] = {{(short)(cx + 1), (short)top},        {(short)(cx + 1), (short)(cy - 1)},
                        {(short)(cx + hw), (short)(cy - 1)},  {(short)(cx + hw), (short)(cy + 1)},
                        {(short)(cx + 1), (short)(cy + 1)},   {(short)(cx + 1), (short)(top + sh)},
                        {(short)(cx - 1), (short)(top + sh)}, {(short)(cx - 1), (short)(cy + 1)},
                        {(short)left, (short)(cy + 1)},       {(short)left, (short)(cy - 1)},
                        {(short)(cx - 1), (short)(cy - 1)},   {(short)(cx - 1), (short)top},
                        {(short)(cx + 1), (short)top}};
        if (F) batchFillPolygon(F, p, 13, Complex, CoordModeOrigin);
        if (O) batchDrawLines(O, p, 13, CoordModeOrigin);
        break;
    }
    default:
        break;
    }
    if (M) {
        if (o->markerType == OBJ_MARKER_CROSS) {
            XPoint h[2] = {{(short)(left + 1), (short)cy}, {(short)(left + sw - 1), (short)cy}};
            XPoint v[2] = {{(short)cx, (short)(top + 1)}, {(short)cx, (short)(top + sh - 1)}};
            batchDrawLines(M, h, 2, CoordModeOrigin);
            batchDrawLines(M, v, 2, CoordModeOrigin);
        } else {
            batchDrawRectangle(M, cx, cy, 1, 1);
        }
    }
}

static int objectDrawPoints(GcCanvas c, ObjectItem *o, Display *display, Drawable drawable, const double *area)
{
    DrawBatch *batch = beginDrawBatch(display, drawable);
    GCObjects *F = newGCObjects(batch, o->fillGC);
    GCObjects *O = newGCObjects(batch, o->outline.gc);
    GCObjects *M = newGCObjects(batch, o->markerGC);
    if (F == NULL && O == NULL && M == NULL) {
        endDrawBatch(batch);
        return 0;
    }
    GCObjects *H = newGCObjects(batch, o->highlightGC);
    GcanvasWidget *w = gcanvasWidgetOf(c);
    RAMOBJ *obj = o->obj;
    const ShapeAccessTable *t = objectAccess(obj);
    int count = obj->count(obj), drawn = 0;
    for (int i = 0; i < count; i++) {
        if (!t->isSelected(obj, i)) continue;
        int n = 0;
        const char *pts = (const char *)t->recordPoints(obj, i, &n);
        if (pts == NULL || n <= 0) continue;
        double p[2];
        memcpy(p, pts, sizeof p);
        if (p[0] < area[0] || p[0] > area[2] || p[1] < area[1] || p[1] > area[3]) continue;
        drawn++;
        GCObjects *fill = i == o->highlightRecord && H != NULL ? H : F;
        for (int k = 0; k < n; k++) {
            memcpy(p, pts + 16 * (size_t)k, sizeof p);
            drawSymbol(o, w, c, p[0], p[1], fill, O, M);
        }
    }
    freeGCObjects(H);
    freeGCObjects(M);
    freeGCObjects(O);
    freeGCObjects(F);
    endDrawBatch(batch);
    return drawn;
}

/* ---- records with parts ---- */

/* The pens of a records pass: normal for each record, highlight (when
 * set) for the highlighted one, and a polygon's outline and clip box. */
typedef struct RecordPens {
    GCObjects *normal, *highlight, *outline;
    const int *clip;
    const GuardBox *guard;      /* lines reaching far off the drawable are cut to it */
} RecordPens;

typedef void (*RecordDraw)(GcCanvas c, ObjectItem *o, RecordGeometry *g, GCObjects *pen, const RecordPens *pens,
                           PointBuffer *buf);

/* Draws each selected record whose box meets area; returns how many. */
static int drawRecords(GcCanvas c, ObjectItem *o, const double *area, const RecordPens *pens, RecordDraw draw)
{
    RAMOBJ *obj = o->obj;
    const ShapeAccessTable *t = objectAccess(obj);
    int count = obj->count(obj), drawn = 0;
    RecordGeometry g;
    recordGeometryInit(&g);
    PointBuffer buf;
    buf.points = buf.fixed;
    buf.room = 200;
    for (int i = 0; i < count; i++) {
        if (!t->isSelected(obj, i)) continue;
        double b[4];
        if (!recordBox(obj, i, b) || !boxMeets(b, area)) continue;
        drawn++;
        recordGeometryRead(obj, i, &g, NULL);
        draw(c, o, &g, i == o->highlightRecord && pens->highlight != NULL ? pens->highlight : pens->normal, pens,
             &buf);
    }
    pointBufferFree(&buf);
    recordGeometryFree(&g);
    return drawn;
}

/* ---- lines ---- */

/* A line record reaching far off the drawable: each part cut to the
 * guard, its runs drawn with the dashes in phase with the part's start. */
typedef struct FarRecordStroke {
    GcCanvas c;
    ObjectItem *o;
    GCObjects *pen;
    int phased;
} FarRecordStroke;

static void strokeFarRecordRun(void *clientData, const XPoint *points, int count, double along)
{
    FarRecordStroke *f = (FarRecordStroke *)clientData;
    if (f->phased) outlineDashPhase(f->c, &f->o->header, &f->o->outline, 0, along);
    batchDrawLines(f->pen, points, count, CoordModeOrigin);
}

static void drawFarLineRecord(GcCanvas c, ObjectItem *o, RecordGeometry *g, const double *pts, GCObjects *G,
                              const RecordPens *pens)
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    FarRecordStroke f = {c, o, G, G == pens->normal};
    for (int k = 0; k < g->numParts; k++) {
        int n = g->parts[k];
        if (n >= 2) {
            double *canvasPts = (double *)ckalloc(2 * (size_t)n * sizeof(double));
            XPoint *room = (XPoint *)ckalloc(2 * (size_t)n * sizeof(XPoint));
            for (int i = 0; i < n; i++) {
                canvasPts[2 * i] = worldToCanvasX(c, pts[2 * i]);
                canvasPts[2 * i + 1] = worldToCanvasY(c, pts[2 * i + 1]);
            }
            clipPolylineToGuard(canvasPts, n, w->drawableXOrigin, w->drawableYOrigin, pens->guard, room,
                                strokeFarRecordRun, &f);
            if (f.phased) outlineDashPhase(c, &o->header, &o->outline, 0, 0.0);
            ckfree((char *)room);
            ckfree((char *)canvasPts);
        }
        pts += 2 * (n > 0 ? n : 0);
    }
}

static void drawLineRecord(GcCanvas c, ObjectItem *o, RecordGeometry *g, GCObjects *G, const RecordPens *pens,
                           PointBuffer *buf)
{
    if (G == NULL || g->numParts <= 0) return;
    const double *pts = smoothParts(c, o, g, 3);
    if (pens->guard != NULL && !worldPointsNear(c, pts, g->numPoints)) {
        drawFarLineRecord(c, o, g, pts, G, pens);
        return;
    }
    long long room = 0;
    for (int k = 0; k < g->numParts; k++) room += g->parts[k] < 2 ? 2 : g->parts[k];
    XPoint *xp = pointRoom(buf, room);
    worldToScreenRings(c, pts, xp, g->numParts, g->parts);
    const XPoint *at = xp;
    for (int k = 0; k < g->numParts; k++) {
        int n = g->parts[k];
        if (n >= 2 && !(n == 2 && at[0].x == at[1].x && at[0].y == at[1].y)) {
            batchDrawLines(G, at, n, CoordModeOrigin);
        }
        at += n;
    }
}

static int objectDrawLines(GcCanvas c, ObjectItem *o, Display *display, Drawable drawable, const double *area,
                           const GuardBox *guard)
{
    DrawBatch *batch = beginDrawBatch(display, drawable);
    GCObjects *O = newGCObjects(batch, o->outline.gc);
    GCObjects *H = newGCObjects(batch, o->highlightGC);
    RecordPens pens = {O, H, O, NULL, guard};
    int drawn = drawRecords(c, o, area, &pens, drawLineRecord);
    freeGCObjects(H);
    freeGCObjects(O);
    endDrawBatch(batch);
    return drawn;
}

/* ---- polygons ---- */

static void drawPolygonRecord(GcCanvas c, ObjectItem *o, RecordGeometry *g, GCObjects *F, const RecordPens *pens,
                              PointBuffer *buf)
{
    GCObjects *O = pens->outline;
    const int *clip = pens->clip;
    if (g->numParts <= 0 || g->numPoints <= 0) return;
    if (g->parts[0] < 3 && O == NULL) return;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    if (g->numPoints < 3) {
        if (O == NULL) return;
        XGCValues v;
        XGetGCValues(c->display, o->outline.gc, GCLineWidth, &v);
        int lw = v.line_width;
        int cx = gcanvasDrawableCoords(w->drawableXOrigin, worldToCanvasX(c, g->points[0]));
        int cy = gcanvasDrawableCoords(w->drawableYOrigin, worldToCanvasY(c, g->points[1]));
        batchDrawArc(O, cx - lw / 2, cy - lw / 2, lw + 1, lw + 1, 0, 23040, 1);
        return;
    }
    const double *pts = smoothParts(c, o, g, 4);
    /* Each ring gets the clipper's worst case after it: the drawable
     * conversion keeps at most max(n, 2) points of a ring of n, and
     * clipping may add to those, so room for twice the input would not
     * do for small rings cut at several corners. */
    long long room = 0;
    for (int k = 0; k < g->numParts; k++) room += clipRoom(g->parts[k]);
    int total;
    if (!worldPointsNear(c, pts, g->numPoints)) {
        /* Far points are cut in floating point before they are converted:
         * clamped one by one they would bend the edges. */
        GuardBox box = {(double)clip[0] + w->drawableXOrigin, (double)clip[1] + w->drawableYOrigin,
                        (double)clip[2] + w->drawableXOrigin, (double)clip[3] + w->drawableYOrigin};
        XPoint *xp = pointRoom(buf, guardRingsRoom(g->parts, g->numParts));
        total = worldRingsToScreenGuarded(c, pts, g->numParts, g->parts, &box, xp);
    } else {
        XPoint *xp = pointRoom(buf, room > 0 ? room : 1);
        worldToScreenRingsSpaced(c, pts, xp, g->numParts, g->parts);
        total = clipRingsToBox(xp, g->numParts, g->parts, clip[0], clip[1], clip[2], clip[3]);
    }
    XPoint *xp = buf->points;
    if (total <= 0) return;
    if (F) batchFillPolygonRings(F, xp, g->numParts, g->parts, Complex, CoordModeOrigin);
    if (O) {
        const XPoint *at = xp;
        for (int k = 0; k < g->numParts; k++) {
            if (g->parts[k] > 0) batchDrawLines(O, at, g->parts[k], CoordModeOrigin);
            at += g->parts[k];
        }
    }
}

static int objectDrawPolygons(GcCanvas c, ObjectItem *o, Display *display, Drawable drawable, int dx, int dy,
                              int width, int height, const double *area)
{
    DrawBatch *batch = beginDrawBatch(display, drawable);
    GCObjects *F = newGCObjects(batch, o->fillGC);
    GCObjects *O = newGCObjects(batch, o->outline.gc);
    if (F == NULL && O == NULL) {
        endDrawBatch(batch);
        return 0;
    }
    GCObjects *H = newGCObjects(batch, o->highlightGC);
    Pixmap stipple = None;
    if (o->fillGC != NULL) {
        XGCValues v;
        XGetGCValues(display, o->fillGC, GCFillStyle | GCStipple, &v);
        if (v.fill_style == FillStippled) {
            stipple = v.stipple;
            StippleOffset offset = o->tsoffset;
            if (!(offset.flags & GC_OFFSET_INDEX)) {
                int sw = 0, sh = 0;
                Tk_SizeOfBitmap(display, stipple, &sw, &sh);
                if (offset.flags & GC_OFFSET_CENTER) offset.xoffset -= sw / 2;
                if (offset.flags & GC_OFFSET_MIDDLE) offset.yoffset -= sh / 2;
            }
            gcanvasSetOffset(c, o->fillGC, &offset);
        }
    }
    outlineChangeGC(c, &o->header, &o->outline);
    int clip[4] = {dx - CLIP_MARGIN, dy - CLIP_MARGIN, dx + width + CLIP_MARGIN, dy + height + CLIP_MARGIN};
    RecordPens pens = {F, H, O, clip, NULL};
    int drawn = drawRecords(c, o, area, &pens, drawPolygonRecord);
    outlineResetGC(c, &o->header, &o->outline);
    if (stipple != None) XSetTSOrigin(display, o->fillGC, 0, 0);
    freeGCObjects(H);
    freeGCObjects(O);
    freeGCObjects(F);
    endDrawBatch(batch);
    return drawn;
}

/* ---- display ---- */

static double monotonicSeconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + ts.tv_nsec * 1e-9;
}

void objectDisplay(GcCanvas c, GcanvasItem *item, Display *display, Drawable drawable, int x, int y, int width,
                   int height)
{
    ObjectItem *o = (ObjectItem *)item;
    if (o->obj == NULL || drawable == None) return;
    double t0 = monotonicSeconds();
    double sxOrigin = c->sxOrigin, syOrigin = c->syOrigin;
    c->sxOrigin -= o->x * c->mx;
    c->syOrigin -= o->y * c->my;
    double w = o->outline.width;
    double lineArea[4], pointArea[4];
    screenCornersToWorld(c, x - w, y - w, x + width + w, y + height + w, lineArea);
    double hx = o->symbolXSize / 2.0, hy = o->symbolYSize / 2.0;
    screenCornersToWorld(c, x - w - hx, y - w - hy, x + width + w + hx, y + height + w + hy, pointArea);
    GcanvasWidget *cw = gcanvasWidgetOf(c);
    int dx = gcanvasDrawableCoords(cw->drawableXOrigin, x - w);
    int dy = gcanvasDrawableCoords(cw->drawableYOrigin, y - w);
    int drawn = 0;
    int subtype = o->obj->subtype ? o->obj->subtype(o->obj) : 0;
    int iw = clampToInt(ceil(2 * w)) + width, ih = clampToInt(ceil(2 * w)) + height;
    if (subtype == SHAPE_CLASS_POINT) {
        drawn = objectDrawPoints(c, o, display, drawable, pointArea);
    } else if (subtype == SHAPE_CLASS_LINE) {
        GuardBox guard;
        guardAroundArea(&guard, x, y, width, height, w);
        drawn = objectDrawLines(c, o, display, drawable, lineArea, &guard);
    } else if (subtype == SHAPE_CLASS_POLYGON) {
        drawn = objectDrawPolygons(c, o, display, drawable, dx, dy, iw, ih, lineArea);
    }
    c->sxOrigin = sxOrigin;
    c->syOrigin = syOrigin;
    double t1 = monotonicSeconds();
    if (getOvexDebug()) fprintf(stderr, "drawn %d items in %f s\n", drawn, t1 - t0);
}
