/*
 * gcanvas_transform.cpp --
 *
 *	Conversions between world units, canvas pixels and 16-bit drawable
 *	pixels. canvas = world * scale - scaled origin. Conversions to
 *	integers clamp, so that worlds far from the view keep drawing.
 */
#include <math.h>
#include <string.h>
#include "canvas/gcanvas.h"
#include "core/rounding.h"

void worldToScreenPoints(GcCanvas c, const double *in, double *out, int n)
{
    for (int i = 0; i < n; i++) {
        out[2 * i] = in[2 * i] * c->mx - c->sxOrigin;
        out[2 * i + 1] = in[2 * i + 1] * c->my - c->syOrigin;
    }
}

void screenToWorldPoints(GcCanvas c, const double *in, double *out, int n)
{
    for (int i = 0; i < n; i++) {
        out[2 * i] = (in[2 * i] + c->sxOrigin) / c->mx;
        out[2 * i + 1] = (in[2 * i + 1] + c->syOrigin) / c->my;
    }
}

static void orderRect(double *r)
{
    double t;
    if (r[0] > r[2]) { t = r[0]; r[0] = r[2]; r[2] = t; }
    if (r[1] > r[3]) { t = r[1]; r[1] = r[3]; r[3] = t; }
}

void worldCornersToScreen(GcCanvas c, const double *in, double *out)
{
    worldToScreenPoints(c, in, out, 2);
    orderRect(out);
}

void worldRectToScreen(GcCanvas c, double x1, double y1, double x2, double y2, double *out)
{
    double in[4] = {x1, y1, x2, y2};
    worldCornersToScreen(c, in, out);
}

void setItemBboxFromWorld(GcCanvas c, double x1, double y1, double x2, double y2, GcanvasItem *item)
{
    double out[4];
    worldRectToScreen(c, x1, y1, x2, y2, out);
    item->x1 = out[0];
    item->y1 = out[1];
    item->x2 = out[2];
    item->y2 = out[3];
}

void screenRectToWorld(GcCanvas c, const double *in, double *out)
{
    screenToWorldPoints(c, in, out, 2);
    orderRect(out);
}

void screenCornersToWorld(GcCanvas c, double x1, double y1, double x2, double y2, double *out)
{
    double in[4] = {x1, y1, x2, y2};
    screenRectToWorld(c, in, out);
}

void pointsBounds(const double *points, int n, double *out)
{
    out[0] = out[2] = points[0];
    out[1] = out[3] = points[1];
    for (int i = 1; i < n; i++) {
        double x = points[2 * i], y = points[2 * i + 1];
        if (x < out[0]) out[0] = x; else if (x > out[2]) out[2] = x;
        if (y < out[1]) out[1] = y; else if (y > out[3]) out[3] = y;
    }
}

short gcanvasDrawableCoords(int origin, double value)
{
    double t = value - (double)origin;
    t = t > 0 ? t + 0.5 : t - 0.5;
    if (t > 32767.0) {
        return 32767;
    }
    if (t < -32768.0) {
        return -32768;
    }
    return (short)clampToInt(t);
}

/*
 * worldToScreenRing --
 *	One ring to drawable points, repeated points collapsed and points
 *	inside straight runs dropped. Returns the number kept (at least 2).
 */
static int toScreenRing(GcCanvas c, const double *points, XPoint *out, int n, int world);

int worldToScreenRing(GcCanvas c, const double *points, XPoint *out, int n)
{
    return toScreenRing(c, points, out, n, 1);
}

int canvasToScreenRing(GcCanvas c, const double *points, XPoint *out, int n)
{
    return toScreenRing(c, points, out, n, 0);
}

static int toScreenRing(GcCanvas c, const double *points, XPoint *out, int n, int world)
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    int ox = w->drawableXOrigin, oy = w->drawableYOrigin;
    out[0].x = gcanvasDrawableCoords(ox, world ? worldToCanvasX(c, points[0]) : points[0]);
    out[0].y = gcanvasDrawableCoords(oy, world ? worldToCanvasY(c, points[1]) : points[1]);
    int kept = 1;
    for (int i = 1; i < n; i++) {
        double x = points[2 * i], y = points[2 * i + 1];
        out[kept].x = gcanvasDrawableCoords(ox, world ? worldToCanvasX(c, x) : x);
        out[kept].y = gcanvasDrawableCoords(oy, world ? worldToCanvasY(c, y) : y);
        if (out[kept].x != out[kept - 1].x || out[kept].y != out[kept - 1].y) {
            kept++;
        }
    }
    if (kept <= 2) {
        if (kept == 1) {
            out[1] = out[0];
        }
        return 2;
    }
    int a = 0, b = 1;
    for (int i = 2; i < kept; i++) {
        long dx1 = out[b].x - out[a].x, dy1 = out[b].y - out[a].y;
        long dx2 = out[i].x - out[b].x, dy2 = out[i].y - out[b].y;
        int drop = (dx1 == 0 && dx2 == 0 && dy1 * dy2 > 0) || (dy1 == 0 && dy2 == 0 && dx1 * dx2 > 0)
                   || (dx1 != 0 && dx2 != 0 && dy1 * dx2 == dx1 * dy2);
        if (drop) {
            out[b] = out[i];
        } else {
            a = b;
            b = b + 1;
            out[b] = out[i];
        }
    }
    return b + 1;
}

int partOfVertex(int vertex, const int *sizes, int partCount)
{
    if (vertex < 0) {
        return 0;
    }
    if (partCount <= 0) {
        return -1;
    }
    long total = 0;
    for (int i = 0; i < partCount; i++) {
        total += sizes[i];
        if (total > vertex) {
            return i;
        }
    }
    return partCount - 1;
}

XColor *colorForWindow(Tcl_Interp *interp, Tk_Window tkwin, XColor *color)
{
    if (color == NULL) {
        return NULL;
    }
    return Tk_GetColor(interp, tkwin, Tk_NameOfColor(color));
}

void copyColorsForWindow(Tcl_Interp *interp, Tk_Window tkwin, XColor **const *dst, XColor *const *src, int n)
{
    for (int i = 0; i < n; i++) {
        if (src[i] == NULL) continue;
        XColor *nc = colorForWindow(interp, tkwin, src[i]);
        if (*dst[i] != NULL) Tk_FreeColor(*dst[i]);
        *dst[i] = nc;
    }
}
