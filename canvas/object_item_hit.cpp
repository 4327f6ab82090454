/*
 * object_item_hit.cpp --
 *
 *	Point and area tests of the object item. Only selected records
 *	count; records are tried from the last to the first, and a record
 *	whose box cannot matter is skipped before any exact geometry. The
 *	geometry is done in world units with the widget's scales, so that
 *	distances come out in canvas pixels.
 */
#include <math.h>
#include <string.h>
#include "canvas/object_item.h"
#include "canvas/polyline_measures.h"
#include "core/rounding.h"

/* Smoothed points of a part when the item smooths and the part has at
 * least 3 points; else the part itself. *buffer is set when allocated. */
static const double *smoothedPart(GcCanvas c, ObjectItem *o, const double *p, int *n, double *fixed, int fixedRoom,
                                  double **buffer)
{
    *buffer = NULL;
    if (o->smooth == NULL || *n < 3) return p;
    int bound = o->smooth->coordProc(c, NULL, *n, o->splineSteps, NULL, NULL);
    double *out = bound <= fixedRoom ? fixed : (*buffer = (double *)ckalloc(2 * (size_t)bound * sizeof(double)));
    *n = o->smooth->coordProc(c, p, *n, o->splineSteps, NULL, out);
    return out;
}

/* ---- point test ---- */

static double symbolDistance(ObjectItem *o, const RecordGeometry *g, const double *wp, double sx, double sy)
{
    double rx = o->symbolXSize / 2.0, ry = o->symbolYSize / 2.0;
    if (rx <= 0) rx = 0.5;
    if (ry <= 0) ry = 0.5;
    double half = roundToInt(o->outline.width) / 2.0, best = HUGE_VAL;
    for (int i = 0; i < g->numPoints; i++) {
        double d = hypot((g->points[2 * i] - wp[0]) * sx / rx, (g->points[2 * i + 1] - wp[1]) * sy / ry) - half;
        if (d < best) best = d;
    }
    return best;
}

static double lineDistance(GcCanvas c, ObjectItem *o, const RecordGeometry *g, const double *wp, double sx,
                           double sy)
{
    double s = (sx + sy) / 2, w = o->outline.width;
    if (w < 1.0) w = 1.0;
    double ww = w / s, best = HUGE_VAL;
    const double *p = g->points;
    for (int k = 0; k < g->numParts; k++) {
        int n = g->parts[k];
        double d = HUGE_VAL;
        if (n == 1) {
            d = hypot(sx * (p[0] - wp[0]), sy * (p[1] - wp[1])) - w / 2;
            if (d < 0) d = 0;
        } else if (n > 1) {
            double fixed[400], *buffer;
            int m = n;
            const double *q = smoothedPart(c, o, p, &m, fixed, 200, &buffer);
            d = strokeToPointScaled(sx, sy, q, m, ww, w, CapRound, o->joinStyle, wp);
            if (buffer) ckfree((char *)buffer);
        }
        if (d < best) best = d;
        p += 2 * n;
    }
    return best;
}

static double ringDistance(GcCanvas c, ObjectItem *o, const double *p, int n, const double *wp, double sx,
                           double sy, double *edge)
{
    double fixed[400], *buffer;
    const double *q = smoothedPart(c, o, p, &n, fixed, 200, &buffer);
    double d = polygonToPointDouble(sx, sy, q, n, wp, edge);
    double w = o->outline.width;
    if (d > 0 && o->outline.gc != NULL) {
        if (o->joinStyle == JoinRound) d -= w / 2;
        if (d > 0 && w > 1) {
            double s = (sx + sy) / 2;
            double stroke = strokeToPointScaled(sx, sy, q, n, w / s, w, CapButt, o->joinStyle, wp);
            if (stroke < d) d = stroke;
        }
        if (d < 0) d = 0;
    }
    if (buffer) ckfree((char *)buffer);
    return d <= 0 ? 0 : d;
}

static double polygonDistance(GcCanvas c, ObjectItem *o, const RecordGeometry *g, const double *wp, double sx,
                              double sy)
{
    int inOuter = 0, inHole = 0;
    double outer = HUGE_VAL, holeEdge = HUGE_VAL, holeOut = HUGE_VAL;
    const double *p = g->points;
    for (int k = 0; k < g->numParts; k++) {
        int n = g->parts[k];
        if (n > 0) {
            double e = HUGE_VAL;
            double d = ringDistance(c, o, p, n, wp, sx, sy, &e);
            if (ringAreaDouble(p, n) > 0) {
                if (d == 0) inOuter = 1;
                else if (d < outer) outer = d;
            } else if (d == 0) {
                inHole = 1;
                if (e < holeEdge) holeEdge = e;
            } else if (d < holeOut) {
                holeOut = d;
            }
        }
        p += 2 * n;
    }
    if (inOuter && !inHole) return 0;
    if (inOuter && inHole) return holeEdge;
    double best = outer;
    if (holeEdge < best) best = holeEdge;
    if (holeOut < best) best = holeOut;
    return best;
}

double objectToPoint(GcCanvas c, GcanvasItem *item, double *point)
{
    ObjectItem *o = (ObjectItem *)item;
    o->hitRecord = -1;
    if (o->obj == NULL || objectEffectiveState(c, item) == GC_STATE_HIDDEN) return HUGE_VAL;
    double wp[2] = {canvasToWorldX(c, point[0]) - o->x, canvasToWorldY(c, point[1]) - o->y};
    double sx = fabs(c->mx), sy = fabs(c->my), px = 1 / sx, py = 1 / sy;
    RAMOBJ *obj = o->obj;
    const ShapeAccessTable *t = objectAccess(obj);
    double best = HUGE_VAL;
    int hit = -1;
    RecordGeometry g;
    recordGeometryInit(&g);
    for (int i = obj->count(obj) - 1; i >= 0; i--) {
        if (!t->isSelected(obj, i)) continue;
        double b[4];
        if (recordBox(obj, i, b)
            && (wp[0] < b[0] - px || wp[0] > b[2] + px || wp[1] < b[1] - py || wp[1] > b[3] + py)) {
            continue;
        }
        recordGeometryRead(obj, i, &g, NULL);
        double d;
        if (g.classCode == SHAPE_CLASS_POINT) d = symbolDistance(o, &g, wp, sx, sy);
        else if (g.classCode == SHAPE_CLASS_LINE) d = lineDistance(c, o, &g, wp, sx, sy);
        else if (g.classCode == SHAPE_CLASS_POLYGON) d = polygonDistance(c, o, &g, wp, sx, sy);
        else continue;
        if (d < best) {
            best = d;
            hit = i;
            if (best < c->closeEnough) break;
        }
    }
    recordGeometryFree(&g);
    o->hitRecord = hit;
    return best;
}

/* ---- area test ---- */

static int pointsToArea(ObjectItem *o, const RecordGeometry *g, const double *wr, double sx, double sy)
{
    double hx = (o->symbolXSize / 2.0 + roundToInt(o->outline.width)) / sx;
    double hy = (o->symbolYSize / 2.0 + roundToInt(o->outline.width)) / sy;
    int crossed = 0;
    for (int i = 0; i < g->numPoints; i++) {
        double x1 = g->points[2 * i] - hx, x2 = g->points[2 * i] + hx;
        double y1 = g->points[2 * i + 1] - hy, y2 = g->points[2 * i + 1] + hy;
        if (x1 >= wr[0] && x2 <= wr[2] && y1 >= wr[1] && y2 <= wr[3]) return 1;
        if (x1 < wr[2] && wr[0] < x2 && y1 < wr[3] && wr[1] < y2) crossed = 1;
    }
    return crossed ? 0 : -1;
}

static int linesToArea(GcCanvas c, ObjectItem *o, const RecordGeometry *g, double *wr, double s)
{
    double w = o->outline.width, ww = w / s, r = (w + 1) / 2 / s;
    int anyIn = 0, anyOut = 0;
    const double *p = g->points;
    for (int k = 0; k < g->numParts; k++) {
        int n = g->parts[k];
        int r1 = -1;
        if (n == 1) {
            double oval[4] = {p[0] - r, p[1] - r, p[0] + r, p[1] + r};
            r1 = TkOvalToArea(oval, wr);
        } else if (n > 1) {
            double fixed[400], *buffer;
            int m = n;
            const double *q = smoothedPart(c, o, p, &m, fixed, 200, &buffer);
            r1 = TkThickPolyLineToArea((double *)q, m, ww, CapRound, o->joinStyle, wr);
            if (buffer) ckfree((char *)buffer);
        }
        if (r1 == 0) return 0;
        if (r1 > 0) anyIn = 1;
        else anyOut = 1;
        p += 2 * n;
    }
    if (anyOut) return anyIn ? 0 : -1;
    return 1;
}

static int ringToArea(GcCanvas c, ObjectItem *o, const double *p, int n, double *wr, double s)
{
    double hw = o->outline.width / 2 / s;
    if (n < 2) return -1;
    if (n == 2) {
        double oval[4] = {p[0] - hw, p[1] - hw, p[0] + hw, p[1] + hw};
        return TkOvalToArea(oval, wr);
    }
    double fixed[400], *buffer;
    const double *q = smoothedPart(c, o, p, &n, fixed, 200, &buffer);
    int state;
    if (o->fillGC != NULL) {
        state = TkPolygonToArea((double *)q, n, wr);
    } else {
        state = q[0] >= wr[0] && q[0] <= wr[2] && q[1] >= wr[1] && q[1] <= wr[3] ? 1 : -1;
    }
    if (state != 0 && o->outline.gc != NULL) {
        if (TkThickPolyLineToArea((double *)q, n, 2 * hw, CapButt, o->joinStyle, wr) != state) state = 0;
    }
    if (buffer) ckfree((char *)buffer);
    return state;
}

/* A polygon record answers as its rings when they all agree, else it
 * lies across the rectangle. */
static int polygonsToArea(GcCanvas c, ObjectItem *o, const RecordGeometry *g, double *wr, double s)
{
    int answer = 2;
    const double *p = g->points;
    for (int k = 0; k < g->numParts; k++) {
        int n = g->parts[k];
        if (n > 0) {
            int r = ringToArea(c, o, p, n, wr, s);
            if (r == 0) return 0;
            if (answer == 2) answer = r;
            else if (answer != r) return 0;
        }
        p += 2 * n;
    }
    return answer == 2 ? -1 : answer;
}

int objectToArea(GcCanvas c, GcanvasItem *item, double *rect)
{
    ObjectItem *o = (ObjectItem *)item;
    if (o->obj == NULL || objectEffectiveState(c, item) == GC_STATE_HIDDEN) return -1;
    double wr[4];
    screenRectToWorld(c, rect, wr);
    if (wr[0] > wr[2]) { double t = wr[0]; wr[0] = wr[2]; wr[2] = t; }
    if (wr[1] > wr[3]) { double t = wr[1]; wr[1] = wr[3]; wr[3] = t; }
    wr[0] -= o->x;
    wr[2] -= o->x;
    wr[1] -= o->y;
    wr[3] -= o->y;
    double sx = fabs(c->mx), sy = fabs(c->my), s = (sx + sy) / 2;
    RAMOBJ *obj = o->obj;
    const ShapeAccessTable *t = objectAccess(obj);
    int inside = 0, outside = 0, answer = 2;
    RecordGeometry g;
    recordGeometryInit(&g);
    for (int i = obj->count(obj) - 1; i >= 0 && answer == 2; i--) {
        if (!t->isSelected(obj, i)) continue;
        double b[4];
        if (recordBox(obj, i, b) && !(b[0] <= wr[2] && wr[0] <= b[2] && b[1] <= wr[3] && wr[1] <= b[3])) continue;
        recordGeometryRead(obj, i, &g, NULL);
        int r;
        if (g.classCode == SHAPE_CLASS_POINT) r = pointsToArea(o, &g, wr, sx, sy);
        else if (g.classCode == SHAPE_CLASS_LINE) r = linesToArea(c, o, &g, wr, s);
        else if (g.classCode == SHAPE_CLASS_POLYGON) r = polygonsToArea(c, o, &g, wr, s);
        else continue;
        if (r == 0) answer = 0;
        else if (r < 0) outside = 1;
        else inside = 1;
    }
    recordGeometryFree(&g);
    if (answer == 0) return 0;
    if (!inside) return -1;
    return outside ? 0 : 1;
}
