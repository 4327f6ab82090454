/*
 * guard_clip.cpp --
 *
 *	Lines and rings cut to a guard box in floating point, so that only
 *	points near the drawable are ever converted to 16-bit coordinates.
 */
#include <math.h>
#include "canvas/gcanvas.h"
#include "canvas/guard_clip.h"

/* Beyond the area drawn, the guard leaves room for the widest caps and
 * joins; Tk's canvas keeps a margin of the same order. */
enum { GUARD_MARGIN = 1000 };

static int nearDrawable(double value, int origin)
{
    double t = value - (double)origin;
    return t >= GUARD_NEAR_LOW && t <= GUARD_NEAR_HIGH;
}

int canvasPointsNear(const double *points, int n, int ox, int oy)
{
    for (int i = 0; i < n; i++) {
        /* NaN compares false and so counts as far. */
        if (!nearDrawable(points[2 * i], ox) || !nearDrawable(points[2 * i + 1], oy)) {
            return 0;
        }
    }
    return 1;
}

void guardAroundArea(GuardBox *box, int x, int y, int width, int height, double lineWidth)
{
    double grow = GUARD_MARGIN + (lineWidth > 0 && lineWidth < 1e6 ? 2 * lineWidth : 0);
    box->left = x - grow;
    box->top = y - grow;
    box->right = (double)x + width + grow;
    box->bottom = (double)y + height + grow;
}

void guardNearDrawable(GuardBox *box, int ox, int oy)
{
    box->left = (double)ox + GUARD_NEAR_LOW;
    box->top = (double)oy + GUARD_NEAR_LOW;
    box->right = (double)ox + GUARD_NEAR_HIGH;
    box->bottom = (double)oy + GUARD_NEAR_HIGH;
}

/* One edge of Liang-Barsky: p t <= q. */
static int clipEdge(double p, double q, double *t0, double *t1)
{
    if (p == 0) {
        return q >= 0;
    }
    double r = q / p;
    if (p < 0) {
        if (r > *t1) return 0;
        if (r > *t0) *t0 = r;
    } else {
        if (r < *t0) return 0;
        if (r < *t1) *t1 = r;
    }
    return 1;
}

int clipSegmentToGuard(const GuardBox *box, double x0, double y0, double x1, double y1, double *t0,
                       double *t1)
{
    double dx = x1 - x0, dy = y1 - y0;
    *t0 = 0.0;
    *t1 = 1.0;
    if (!isfinite(x0) || !isfinite(y0) || !isfinite(x1) || !isfinite(y1)) {
        return 0;
    }
    return clipEdge(-dx, x0 - box->left, t0, t1) && clipEdge(dx, box->right - x0, t0, t1)
           && clipEdge(-dy, y0 - box->top, t0, t1) && clipEdge(dy, box->bottom - y0, t0, t1);
}

typedef struct RunBuilder {
    XPoint *points;
    int count;
    double startLength;
    int ox, oy;
    GuardedRunProc run;
    void *clientData;
} RunBuilder;

static void runAdd(RunBuilder *b, double x, double y)
{
    XPoint p;
    p.x = gcanvasDrawableCoords(b->ox, x);
    p.y = gcanvasDrawableCoords(b->oy, y);
    b->points[b->count++] = p;
}

static void runFlush(RunBuilder *b)
{
    if (b->count >= 2) {
        b->run(b->clientData, b->points, b->count, b->startLength);
    }
    b->count = 0;
}

void clipPolylineToGuard(const double *points, int n, int ox, int oy, const GuardBox *box,
                         XPoint *room, GuardedRunProc run, void *clientData)
{
    RunBuilder b = {room, 0, 0.0, ox, oy, run, clientData};
    double travelled = 0.0;
    for (int i = 0; i + 1 < n; i++) {
        double x0 = points[2 * i], y0 = points[2 * i + 1];
        double x1 = points[2 * i + 2], y1 = points[2 * i + 3];
        double dx = x1 - x0, dy = y1 - y0;
        double length = hypot(dx, dy);
        double t0, t1;
        if (clipSegmentToGuard(box, x0, y0, x1, y1, &t0, &t1)) {
            if (t0 > 0.0 || b.count == 0) {
                runFlush(&b);
                b.startLength = travelled + t0 * length;
                runAdd(&b, x0 + t0 * dx, y0 + t0 * dy);
            }
            if (t1 < 1.0) {
                runAdd(&b, x0 + t1 * dx, y0 + t1 * dy);
                runFlush(&b);
            } else {
                runAdd(&b, x1, y1);
            }
        } else {
            runFlush(&b);
        }
        if (isfinite(length)) {
            travelled += length;
        }
    }
    runFlush(&b);
}

long long guardRingRoom(int n)
{
    if (n <= 0) return 0;
    long long m = n < 2 ? 2 : n;
    for (int side = 0; side < 4; side++) m += m / 2 + 1;
    return m;
}

enum Side { LEFT, RIGHT, TOP, BOTTOM };

static int insideSide(const double *p, Side side, const GuardBox *box)
{
    switch (side) {
    case LEFT: return p[0] >= box->left;
    case RIGHT: return p[0] <= box->right;
    case TOP: return p[1] >= box->top;
    default: return p[1] <= box->bottom;
    }
}

static void crossing(const double *p, const double *q, Side side, const GuardBox *box, double *out)
{
    if (side == LEFT || side == RIGHT) {
        double c = side == LEFT ? box->left : box->right;
        out[0] = c;
        out[1] = p[1] + (c - p[0]) * (q[1] - p[1]) / (q[0] - p[0]);
    } else {
        double c = side == TOP ? box->top : box->bottom;
        out[0] = p[0] + (c - p[1]) * (q[0] - p[0]) / (q[1] - p[1]);
        out[1] = c;
    }
}

static int clipRingSide(const double *in, int n, double *out, Side side, const GuardBox *box)
{
    int m = 0;
    if (n <= 0) return 0;
    const double *p = in + 2 * (n - 1);
    int pIn = insideSide(p, side, box);
    for (int i = 0; i < n; i++) {
        const double *q = in + 2 * i;
        int qIn = insideSide(q, side, box);
        if (qIn != pIn) {
            crossing(p, q, side, box, out + 2 * m);
            m++;
        }
        if (qIn) {
            out[2 * m] = q[0];
            out[2 * m + 1] = q[1];
            m++;
        }
        p = q;
        pIn = qIn;
    }
    return m;
}

int clipRingToGuard(const double *points, int n, const GuardBox *box, double *out, double *scratch)
{
    for (int i = 0; i < 2 * n; i++) {
        if (!isfinite(points[i])) return 0;
    }
    int m = clipRingSide(points, n, scratch, LEFT, box);
    m = clipRingSide(scratch, m, out, RIGHT, box);
    m = clipRingSide(out, m, scratch, TOP, box);
    m = clipRingSide(scratch, m, out, BOTTOM, box);
    return m;
}

int worldPointsNear(GcCanvas c, const double *points, int n)
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    for (int i = 0; i < n; i++) {
        double xy[2] = {worldToCanvasX(c, points[2 * i]), worldToCanvasY(c, points[2 * i + 1])};
        if (!canvasPointsNear(xy, 1, w->drawableXOrigin, w->drawableYOrigin)) return 0;
    }
    return 1;
}

long long guardRingsRoom(const int *sizes, int ringCount)
{
    long long room = 0;
    for (int k = 0; k < ringCount; k++) room += guardRingRoom(sizes[k]);
    return room > 0 ? room : 1;
}

int worldRingsToScreenGuarded(GcCanvas c, const double *points, int ringCount, int *sizes, const GuardBox *box,
                              XPoint *out)
{
    int largest = 0;
    for (int k = 0; k < ringCount; k++) largest = sizes[k] > largest ? sizes[k] : largest;
    long long room = guardRingRoom(largest);
    double *canvasPts = (double *)ckalloc(2 * (size_t)(largest > 0 ? largest : 1) * sizeof(double));
    double *clipped = (double *)ckalloc(2 * (size_t)(room > 0 ? room : 1) * sizeof(double));
    double *scratch = (double *)ckalloc(2 * (size_t)(room > 0 ? room : 1) * sizeof(double));
    int total = 0;
    for (int k = 0; k < ringCount; k++) {
        int n = sizes[k] > 0 ? sizes[k] : 0;
        for (int i = 0; i < n; i++) {
            canvasPts[2 * i] = worldToCanvasX(c, points[2 * i]);
            canvasPts[2 * i + 1] = worldToCanvasY(c, points[2 * i + 1]);
        }
        int m = n > 0 ? clipRingToGuard(canvasPts, n, box, clipped, scratch) : 0;
        int kept = m > 0 ? canvasToScreenRing(c, clipped, out, m) : 0;
        sizes[k] = kept;
        total += kept;
        out += kept;
        points += 2 * n;
    }
    ckfree((char *)scratch);
    ckfree((char *)clipped);
    ckfree((char *)canvasPts);
    return total;
}

/* ---- arcs of ovals ---- */

/* Off the true curve by no more than this, in pixels. */
static const double ARC_TOLERANCE = 0.25;
/* Sampling stops splitting beyond these, whatever the oval. */
enum { ARC_MAX_DEPTH = 60, ARC_MAX_POINTS = 1 << 20 };

typedef struct ArcSampler {
    double cx, cy, rx, ry, rmax;
    const GuardBox *box;
    double *points;
    int count, room;
} ArcSampler;

static void arcPoint(const ArcSampler *s, double angle, double *p)
{
    /* Screen y runs down: counter-clockwise on the screen is -angle. */
    p[0] = s->cx + s->rx * cos(angle);
    p[1] = s->cy - s->ry * sin(angle);
}

static void arcPush(ArcSampler *s, const double *p)
{
    if (s->count == s->room) {
        s->room *= 2;
        s->points = (double *)ckrealloc((char *)s->points, 2 * (size_t)s->room * sizeof(double));
    }
    s->points[2 * s->count] = p[0];
    s->points[2 * s->count + 1] = p[1];
    s->count++;
}

/* The arc from a to b (radians, b - a at most pi) stays within sag of its
 * chord and, seen in the unit circle the oval is scaled from, within the
 * rectangle on the chord sag high: so within the chord ends' bounds grown
 * by sag. */
static int arcMayMeetBox(const ArcSampler *s, const double *p, const double *q, double sag)
{
    double left = (p[0] < q[0] ? p[0] : q[0]) - sag, right = (p[0] > q[0] ? p[0] : q[0]) + sag;
    double top = (p[1] < q[1] ? p[1] : q[1]) - sag, bottom = (p[1] > q[1] ? p[1] : q[1]) + sag;
    return right >= s->box->left && left <= s->box->right && bottom >= s->box->top && top <= s->box->bottom;
}

/* Appends the points after p up to q, q included. */
static void arcSplit(ArcSampler *s, double a, double b, const double *p, const double *q, int depth)
{
    double half = fabs(b - a) / 2;
    double sag = s->rmax * (1 - cos(half));
    int split = half > 0.785 || (sag > ARC_TOLERANCE && arcMayMeetBox(s, p, q, sag));
    if (split && depth < ARC_MAX_DEPTH && s->count < ARC_MAX_POINTS) {
        double m = (a + b) / 2, mid[2];
        arcPoint(s, m, mid);
        arcSplit(s, a, m, p, mid, depth + 1);
        arcSplit(s, m, b, mid, q, depth + 1);
        return;
    }
    arcPush(s, q);
}

int ovalArcPoints(const double *rect, double start, double extent, const GuardBox *box, double **points)
{
    *points = NULL;
    for (int i = 0; i < 4; i++) {
        if (!isfinite(rect[i])) return 0;
    }
    if (!isfinite(start) || !isfinite(extent)) return 0;
    ArcSampler s;
    s.cx = (rect[0] + rect[2]) / 2;
    s.cy = (rect[1] + rect[3]) / 2;
    s.rx = fabs(rect[2] - rect[0]) / 2;
    s.ry = fabs(rect[3] - rect[1]) / 2;
    s.rmax = s.rx > s.ry ? s.rx : s.ry;
    s.box = box;
    s.count = 0;
    s.room = 64;
    s.points = (double *)ckalloc(2 * (size_t)s.room * sizeof(double));
    if (extent > 360) extent = 360;
    if (extent < -360) extent = -360;
    double a = start * (M_PI / 180), b = (start + extent) * (M_PI / 180);
    double p[2], q[2];
    arcPoint(&s, a, p);
    arcPush(&s, p);
    arcPoint(&s, b, q);
    if (a != b) arcSplit(&s, a, b, p, q, 0);
    *points = s.points;
    return s.count;
}
