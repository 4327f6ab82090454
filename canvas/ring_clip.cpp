/*
 * ring_clip.cpp --
 *
 *	Sutherland-Hodgman clipping of drawable rings to a box. Each side
 *	walks the ring's edges from the previous point p to the current
 *	point q (p starting at the last point): q inside after p outside
 *	gives the crossing and q, both inside q, q leaving gives the
 *	crossing, both outside nothing. A side can thus grow a ring by half,
 *	so the work areas are sized by clipRoom, not by twice the input.
 */
#include <stdlib.h>
#include <string.h>
#include "canvas/ring_clip.h"
#include "core/rounding.h"

int clipRoom(int n)
{
    if (n <= 0) return 0;
    /* A ring of one point is converted to drawable points as two. */
    long long m = n < 2 ? 2 : n;
    for (int side = 0; side < 4; side++) m += m / 2;
    return m > 0x3fffffff ? 0x3fffffff : (int)m;
}

static short toShort(int v)
{
    return (short)(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
}

XPoint clipCrossX(XPoint p, XPoint q, int c)
{
    XPoint r;
    r.x = toShort(c);
    r.y = toShort(roundToInt(p.y + (double)(c - p.x) * (p.y - q.y) / (double)(p.x - q.x)));
    return r;
}

XPoint clipCrossY(XPoint p, XPoint q, int c)
{
    XPoint r;
    r.x = toShort(roundToInt(p.x + (double)(c - p.y) * (p.x - q.x) / (double)(p.y - q.y)));
    r.y = toShort(c);
    return r;
}

enum Side { LEFT, RIGHT, TOP, BOTTOM };

static inline int inside(XPoint p, Side side, int bound)
{
    switch (side) {
    case LEFT: return p.x >= bound;
    case RIGHT: return p.x <= bound;
    case TOP: return p.y >= bound;
    default: return p.y <= bound;
    }
}

static int clipSide(const XPoint *in, int n, XPoint *out, int bound, Side side)
{
    if (n <= 0) return 0;
    int count = 0;
    XPoint p = in[n - 1];
    int pIn = inside(p, side, bound);
    for (int i = 0; i < n; i++) {
        XPoint q = in[i];
        int qIn = inside(q, side, bound);
        if (qIn != pIn) {
            out[count++] = (side == LEFT || side == RIGHT) ? clipCrossX(p, q, bound) : clipCrossY(p, q, bound);
        }
        if (qIn) out[count++] = q;
        p = q;
        pIn = qIn;
    }
    return count;
}

int clipLeft(const XPoint *in, int n, XPoint *out, int bound) { return clipSide(in, n, out, bound, LEFT); }
int clipRight(const XPoint *in, int n, XPoint *out, int bound) { return clipSide(in, n, out, bound, RIGHT); }
int clipTop(const XPoint *in, int n, XPoint *out, int bound) { return clipSide(in, n, out, bound, TOP); }
int clipBottom(const XPoint *in, int n, XPoint *out, int bound) { return clipSide(in, n, out, bound, BOTTOM); }

int clipPolygonToBox(XPoint *points, int n, int left, int top, int right, int bottom)
{
    if (n <= 0) return 0;
    int room = clipRoom(n);
    XPoint small[2 * 64];
    XPoint *a = room <= 64 ? small : (XPoint *)malloc(2 * (size_t)room * sizeof(XPoint));
    if (a == NULL) return 0;
    XPoint *b = a + room;
    int m = clipLeft(points, n, a, left);
    m = clipRight(a, m, b, right);
    m = clipTop(b, m, a, top);
    m = clipBottom(a, m, points, bottom);
    if (a != small) free(a);
    return m;
}

int clipRingsToBox(XPoint *points, int ringCount, int *sizes, int left, int top, int right, int bottom)
{
    int total = 0;
    long long slot = 0;
    for (int k = 0; k < ringCount; k++) {
        int n = sizes[k] > 0 ? sizes[k] : 0;
        if (n > 0 && slot != total) memmove(points + total, points + slot, (size_t)n * sizeof(XPoint));
        slot += clipRoom(n);
        int m = clipPolygonToBox(points + total, n, left, top, right, bottom);
        sizes[k] = m;
        total += m;
    }
    return total;
}
