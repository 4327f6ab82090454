/*
 * gcanvas_geometry.cpp --
 *
 *	Hit tests, box growth and miter points on double coordinates. The
 *	scaled tests keep the geometry in world units and measure the
 *	distance in canvas pixels: a world offset (dx, dy) is
 *	hypot(sx * dx, sy * dy) pixels.
 */
#include <math.h>
#include "canvas/gcanvas_geometry.h"
#include "canvas/ring_clip.h"

double lineToPointDouble(double sx, double sy, const double *end1, const double *end2, const double *point)
{
    double x, y;
    if (fabs(end1[0] - end2[0]) < 0.001) {
        x = end1[0];
        double lo = end1[1] < end2[1] ? end1[1] : end2[1], hi = end1[1] < end2[1] ? end2[1] : end1[1];
        y = point[1] < lo ? lo : point[1] > hi ? hi : point[1];
    } else if (fabs(end1[1] - end2[1]) < 0.001) {
        y = end1[1];
        double lo = end1[0] < end2[0] ? end1[0] : end2[0], hi = end1[0] < end2[0] ? end2[0] : end1[0];
        x = point[0] < lo ? lo : point[0] > hi ? hi : point[0];
    } else {
        double m = (end2[1] - end1[1]) / (end2[0] - end1[0]);
        double b = end1[1] - m * end1[0];
        x = ((point[1] + point[0] / m) - b) / (m + 1 / m);
        y = m * x + b;
        if (end1[0] > end2[0]) {
            if (x > end1[0]) { x = end1[0]; y = end1[1]; }
            else if (x < end2[0]) { x = end2[0]; y = end2[1]; }
        } else {
            if (x > end2[0]) { x = end2[0]; y = end2[1]; }
            else if (x < end1[0]) { x = end1[0]; y = end1[1]; }
        }
    }
    return hypot((point[0] - x) * sx, (point[1] - y) * sy);
}

int lineToAreaDouble(const double *end1, const double *end2, const double *rect)
{
    int in1 = end1[0] >= rect[0] && end1[0] <= rect[2] && end1[1] >= rect[1] && end1[1] <= rect[3];
    int in2 = end2[0] >= rect[0] && end2[0] <= rect[2] && end2[1] >= rect[1] && end2[1] <= rect[3];
    if (in1 != in2) return 0;
    if (in1) return 1;
    if (end1[0] == end2[0]) {
        if (((end1[1] >= rect[1]) ^ (end2[1] >= rect[1])) && end1[0] >= rect[0] && end1[0] <= rect[2]) {
            return 0;
        }
    } else if (end1[1] == end2[1]) {
        if (((end1[0] >= rect[0]) ^ (end2[0] >= rect[0])) && end1[1] >= rect[1] && end1[1] <= rect[3]) {
            return 0;
        }
    } else {
        double m = (end2[1] - end1[1]) / (end2[0] - end1[0]);
        double xlo = end1[0] < end2[0] ? end1[0] : end2[0], xhi = end1[0] < end2[0] ? end2[0] : end1[0];
        double ylo = end1[1] < end2[1] ? end1[1] : end2[1], yhi = end1[1] < end2[1] ? end2[1] : end1[1];
        const double xs[2] = {rect[0], rect[2]};
        for (int i = 0; i < 2; i++) {
            double y = end1[1] + (xs[i] - end1[0]) * m;
            if (y >= rect[1] && y <= rect[3] && xs[i] >= xlo && xs[i] <= xhi) return 0;
        }
        const double ys[2] = {rect[1], rect[3]};
        for (int i = 0; i < 2; i++) {
            double x = end1[0] + (ys[i] - end1[1]) / m;
            if (x >= rect[0] && x <= rect[2] && ys[i] >= ylo && ys[i] <= yhi) return 0;
        }
    }
    return -1;
}

double polygonToPointDouble(double sx, double sy, const double *points, int n, const double *point,
                            double *edgeDistance)
{
    double best = HUGE_VAL;
    int crossings = 0;
    double px = point[0], py = point[1];
    const double *p = points + 2 * (n - 1);
    for (int i = 0; i < n; i++) {
        const double *q = points + 2 * i;
        double x, y;
        double xlo = p[0] < q[0] ? p[0] : q[0], xhi = p[0] < q[0] ? q[0] : p[0];
        if (p[0] == q[0]) {
            x = p[0];
            double lo = p[1] < q[1] ? p[1] : q[1], hi = p[1] < q[1] ? q[1] : p[1];
            y = py < lo ? lo : py > hi ? hi : py;
        } else if (p[1] == q[1]) {
            y = p[1];
            x = px < xlo ? xlo : px > xhi ? xhi : px;
            if (py < y && px >= xlo && px < xhi) crossings++;
        } else {
            double m = (q[1] - p[1]) / (q[0] - p[0]);
            double b = p[1] - m * p[0];
            x = ((py + px / m) - b) / (m + 1 / m);
            y = m * x + b;
            if (x > xhi) {
                x = xhi;
                y = p[0] > q[0] ? p[1] : q[1];
            } else if (x < xlo) {
                x = xlo;
                y = p[0] < q[0] ? p[1] : q[1];
            }
            if (px >= xlo && px < xhi && m * px + b > py) crossings++;
        }
        double d = hypot((px - x) * sx, (py - y) * sy);
        if (d < best) best = d;
        p = q;
    }
    if (edgeDistance != NULL) *edgeDistance = best;
    return (crossings & 1) ? 0.0 : best;
}

int polygonToAreaDouble(const double *points, int n, const double *rect)
{
    if (n < 2) return -1;
    int state = TkLineToArea((double *)points, (double *)points + 2, (double *)rect);
    if (state == 0) return 0;
    for (int i = 1; i < n - 1; i++) {
        if (TkLineToArea((double *)points + 2 * i, (double *)points + 2 * i + 2, (double *)rect) != state) {
            return 0;
        }
    }
    if (state == 1) return 1;
    if (TkPolygonToPoint((double *)points, n, (double *)rect) == 0.0) return 0;
    return -1;
}

double ovalToPointEx(double sx, double sy, const double *oval, double width, int filled, const double *point)
{
    double ax = fabs(sx), ay = fabs(sy);
    double cx = (oval[0] + oval[2]) / 2, cy = (oval[1] + oval[3]) / 2;
    double dx = point[0] - cx, dy = point[1] - cy;
    double d = hypot(ax * dx, ay * dy);
    double s = hypot(dx / ((width / ax + oval[2] - oval[0]) / 2), dy / ((width / ay + oval[3] - oval[1]) / 2));
    if (s > 1.0) return (d / s) * (s - 1);
    if (filled) return 0.0;
    double r;
    if (s > 1e-10) {
        r = (d / s) * (1 - s) - width;
    } else {
        double wx = (oval[2] - oval[0]) * ax, wy = (oval[3] - oval[1]) * ay;
        r = wy <= wx ? (wy - width) / 2 : (wx - width) / 2;
    }
    return r > 0 ? r : 0;
}

int boxToBoxDouble(const double *box, const double *area)
{
    if (box[2] < area[0] || box[0] > area[2] || box[3] < area[1] || box[1] > area[3]) return -1;
    if (area[0] <= box[0] && box[2] <= area[2] && area[1] <= box[1] && box[3] <= area[3]) return 1;
    return 0;
}

double strokeToPointScaled(double sx, double sy, const double *points, int n, double ww, double w,
                           int capStyle, int joinStyle, const double *point)
{
    double best = 1.0e36, d;
    double poly[10];
    int changedMiterToBevel = 0;
    const double *c = points;
    for (int count = n; count >= 2; count--, c += 2) {
        if ((capStyle == CapRound && count == n) || (joinStyle == JoinRound && count != n)) {
            d = hypot(sx * (c[0] - point[0]), sy * (c[1] - point[1])) - w / 2;
            if (d <= 0.0) return 0.0;
            if (d < best) best = d;
        }
        if (count == n) {
            TkGetButtPoints((double *)c + 2, (double *)c, ww, capStyle == CapProjecting, poly, poly + 2);
        } else if (joinStyle == JoinMiter && !changedMiterToBevel) {
            poly[0] = poly[6];
            poly[1] = poly[7];
            poly[2] = poly[4];
            poly[3] = poly[5];
        } else {
            TkGetButtPoints((double *)c + 2, (double *)c, ww, 0, poly, poly + 2);
            if (joinStyle == JoinBevel || changedMiterToBevel) {
                poly[8] = poly[0];
                poly[9] = poly[1];
                d = polygonToPointDouble(sx, sy, poly, 5, point, NULL);
                if (d <= 0.0) return 0.0;
                if (d < best) best = d;
                changedMiterToBevel = 0;
            }
        }
        if (count == 2) {
            TkGetButtPoints((double *)c, (double *)c + 2, ww, capStyle == CapProjecting, poly + 4, poly + 6);
        } else if (joinStyle == JoinMiter) {
            if (TkGetMiterPoints((double *)c, (double *)c + 2, (double *)c + 4, ww, poly + 4, poly + 6) == 0) {
                changedMiterToBevel = 1;
                TkGetButtPoints((double *)c, (double *)c + 2, ww, 0, poly + 4, poly + 6);
            }
        } else {
            TkGetButtPoints((double *)c, (double *)c + 2, ww, 0, poly + 4, poly + 6);
        }
        poly[8] = poly[0];
        poly[9] = poly[1];
        d = polygonToPointDouble(sx, sy, poly, 5, point, NULL);
        if (d <= 0.0) return 0.0;
        if (d < best) best = d;
    }
    if (capStyle == CapRound && n >= 1) {
        d = hypot(sx * (c[0] - point[0]), sy * (c[1] - point[1])) - w / 2;
        if (d <= 0.0) return 0.0;
        if (d < best) best = d;
    }
    return best;
}

double thickPolylineToPoint(const double *points, int n, double width, int capStyle, int joinStyle,
                            const double *point)
{
    return strokeToPointScaled(1.0, 1.0, points, n, width, width, capStyle, joinStyle, point);
}

void includeXYDouble(GcanvasItem *item, double x, double y)
{
    if (x < item->x1) item->x1 = x;
    if (x > item->x2) item->x2 = x;
    if (y < item->y1) item->y1 = y;
    if (y > item->y2) item->y2 = y;
}

void includePointDouble(GcanvasItem *item, const double *point)
{
    includeXYDouble(item, point[0], point[1]);
}

void includePointsDouble(GcanvasItem *item, const double *points, int n)
{
    for (int i = 0; i < n; i++) includeXYDouble(item, points[2 * i], points[2 * i + 1]);
}

int miterPointsDouble(const double *p1in, const double *p2in, const double *p3in, double width, double *m1,
                      double *m2)
{
    double p1[2] = {floor(p1in[0] + 0.5), floor(p1in[1] + 0.5)};
    double p2[2] = {floor(p2in[0] + 0.5), floor(p2in[1] + 0.5)};
    double p3[2] = {floor(p3in[0] + 0.5), floor(p3in[1] + 0.5)};
    double theta1, theta2;
    if (p2[1] == p1[1]) theta1 = p2[0] < p1[0] ? 0.0 : M_PI;
    else if (p2[0] == p1[0]) theta1 = p2[1] < p1[1] ? M_PI / 2 : -M_PI / 2;
    else theta1 = atan2(p1[1] - p2[1], p1[0] - p2[0]);
    if (p3[1] == p2[1]) theta2 = p3[0] > p2[0] ? 0.0 : M_PI;
    else if (p3[0] == p2[0]) theta2 = p3[1] > p2[1] ? M_PI / 2 : -M_PI / 2;
    else theta2 = atan2(p3[1] - p2[1], p3[0] - p2[0]);
    double theta = theta1 - theta2;
    if (theta > M_PI) theta -= 2 * M_PI;
    else if (theta <= -M_PI) theta += 2 * M_PI;
    if (fabs(theta) < 0.19198621771937624) return 0;
    double dist = fabs(0.5 * width / sin(0.5 * theta));
    double bisector = (theta1 + theta2) / 2;
    if (sin(bisector - (theta1 + M_PI)) < 0.0) bisector += M_PI;
    double dx = dist * cos(bisector), dy = dist * sin(bisector);
    m1[0] = p2[0] + dx;
    m1[1] = p2[1] + dy;
    m2[0] = p2[0] - dx;
    m2[1] = p2[1] - dy;
    return 1;
}

static int ringsToScreen(GcCanvas c, const double *points, XPoint *out, int ringCount, int *sizes, int spaced);

int worldToScreenRings(GcCanvas c, const double *points, XPoint *out, int ringCount, int *sizes)
{
    return ringsToScreen(c, points, out, ringCount, sizes, 0);
}

int worldToScreenRingsSpaced(GcCanvas c, const double *points, XPoint *out, int ringCount, int *sizes)
{
    return ringsToScreen(c, points, out, ringCount, sizes, 1);
}



static int ringsToScreen(GcCanvas c, const double *points, XPoint *out, int ringCount, int *sizes, int spaced)
{
    int total = 0;
    for (int k = 0; k < ringCount; k++) {
        int n = sizes[k];
        int kept = n > 0 ? worldToScreenRing(c, points, out, n) : 0;
        points += 2 * (n > 0 ? n : 0);
        sizes[k] = kept;
        total += kept;
        out += spaced ? clipRoom(kept) : kept;
    }
    return total;
}
