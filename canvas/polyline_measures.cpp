/*
 * polyline_measures.cpp --
 *
 *	Measures of rings and polylines held as doubles. Ring sums run over
 *	the n edges from p(i-1) to p(i), the first closing the ring from the
 *	last point; the area's sign is the negative of the usual shoelace
 *	value, so that clockwise rings in y-up axes are positive (outer).
 */
#include <math.h>
#include "canvas/polyline_measures.h"

double polygonSignedArea(const double *p, int n)
{
    if (n < 1) return 0.0;
    double sum = 0.0;
    const double *prev = p + 2 * (n - 1);
    for (int i = 0; i < n; i++) {
        const double *q = p + 2 * i;
        sum += q[0] * prev[1] - prev[0] * q[1];
        prev = q;
    }
    return 0.5 * sum;
}

double ringAreaDouble(const double *p, int n)
{
    if (n < 1) return 0.0;
    double sum = 0.0;
    const double *prev = p + 2 * (n - 1);
    for (int i = 0; i < n; i++) {
        const double *q = p + 2 * i;
        sum += (q[0] - prev[0]) * (q[1] + prev[1]);
        prev = q;
    }
    return 0.5 * sum;
}

double polygonAreaCentroid(const double *p, int n, double *cx, double *cy)
{
    double a = polygonSignedArea(p, n);
    double sx = 0.0, sy = 0.0;
    if (n >= 1) {
        const double *prev = p + 2 * (n - 1);
        for (int i = 0; i < n; i++) {
            const double *q = p + 2 * i;
            double t = q[0] * prev[1] - prev[0] * q[1];
            sx += (prev[0] + q[0]) * t;
            sy += (prev[1] + q[1]) * t;
            prev = q;
        }
    }
    /* No guard: a ring of no area has no centroid (non-finite). */
    *cx = (1.0 / 6.0) * sx / a;
    *cy = (1.0 / 6.0) * sy / a;
    return a;
}

double polylineLength(const double *p, int n)
{
    double len = 0.0;
    for (int i = 1; i < n; i++) len += hypot(p[2 * i - 2] - p[2 * i], p[2 * i - 1] - p[2 * i + 1]);
    return len;
}

double polylineCentroid(const double *p, int n, double *cx, double *cy)
{
    double len = 0.0, sx = 0.0, sy = 0.0;
    for (int i = 1; i < n; i++) {
        double s = hypot(p[2 * i - 2] - p[2 * i], p[2 * i - 1] - p[2 * i + 1]);
        len += s;
        sx += (p[2 * i - 2] + p[2 * i]) * s;
        sy += (p[2 * i - 1] + p[2 * i + 1]) * s;
    }
    if (len == 0.0) {
        if (n > 0) {
            *cx = p[2 * n - 2];
            *cy = p[2 * n - 1];
        } else {
            *cx = *cy = 0.0;
        }
        return 0.0;
    }
    *cx = 0.5 * sx / len;
    *cy = 0.5 * sy / len;
    return len;
}

double pointsMean(const double *p, int n, double *cx, double *cy)
{
    double sx = 0.0, sy = 0.0;
    for (int i = 0; i < n; i++) {
        sx += p[2 * i];
        sy += p[2 * i + 1];
    }
    *cx = sx / n;
    *cy = sy / n;
    return (double)n;
}

double vectorAngleDeg(double dx, double dy)
{
    if (dx == 0.0 && dy == 0.0) return 0.0;
    double h = hypot(dx, dy);
    if (dy > 0) return acos(dx / h) * (1 / M_PI) * 180;
    return acos(-dx / h) * (1 / M_PI) * 180 - 180;
}

double pointsVertexAngle(const double *p, int n, int index)
{
    /* Fewer than two points have no direction: 0. */
    if (n < 2) return 0.0;
    int k = index % n;
    if (k < 0) k += n;
    if (k == n - 1) k = n - 2;
    return vectorAngleDeg(p[2 * k + 2] - p[2 * k], p[2 * k + 3] - p[2 * k + 1]);
}

double partAngleAt(const double *p, int n, double position, double *x, double *y)
{
    if (n < 2) {
        /* No segment: the point itself (or the origin), direction 0. */
        *x = n > 0 ? p[0] : 0.0;
        *y = n > 0 ? p[1] : 0.0;
        return 0.0;
    }
    double d = position * polylineLength(p, n);
    int i = 0;
    double s = 0.0;
    for (;; i++) {
        s = hypot(p[2 * i + 2] - p[2 * i], p[2 * i + 3] - p[2 * i + 1]);
        if (s >= d || i == n - 2) break;
        d -= s;
    }
    double t = s > 0.0 ? d / s : 0.0;
    if (t > 1.0) t = 1.0;
    const double *a = p + 2 * i, *b = a + 2;
    *x = (1 - t) * a[0] + t * b[0];
    *y = (1 - t) * a[1] + t * b[1];
    return vectorAngleDeg(b[0] - a[0], b[1] - a[1]);
}
