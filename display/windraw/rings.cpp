/*
 * rings.cpp --
 *
 *	Polygons of several rings, holes left empty: the ring orientation,
 *	the regions of rings and the fill of their combination.
 */
#include <limits.h>
#include <stdint.h>
#include <string.h>

#include "display/windraw/rings.h"

#include <X11/Xregion.h>
#include "ovex/draw.h"
#include "ovex/ovex.h"

int ringAreaInt(const XPoint *points, int count)
{
    if (points == NULL || count <= 0) {
        return 0;
    }
    /* 64 bits: a ring spanning the 16-bit plane sums to about 2^33, and an
     * overflow would flip the sign that tells holes from outer rings. */
    int64_t sum = 0;
    const XPoint *previous = &points[count - 1];
    for (int i = 0; i < count; i++) {
        sum += (int64_t)((int)points[i].x - (int)previous->x) *
               (int64_t)((int)points[i].y + (int)previous->y);
        previous = &points[i];
    }
    if (sum > INT_MAX) {
        return INT_MAX;
    }
    if (sum < INT_MIN) {
        return INT_MIN;
    }
    return (int)sum;
}

Region polygonRegion(const XPoint *points, int count, int winding)
{
    if (points == NULL || count <= 0) {
        return XCreateRegion();
    }
    return XPolygonRegion((XPoint *)points, count, winding ? WindingRule : EvenOddRule);
}

void regionUnion(Region a, Region b, Region result)
{
    XUnionRegion(a, b, result);
}

void regionXor(Region a, Region b, Region result)
{
    XXorRegion(a, b, result);
}

int setAdvancedGraphicsMode(Display *display, Drawable drawable, int on)
{
    return 0;
}

/* Copies ring points, summing relative ones so that each ring's first
 * point is absolute. */
static XPoint *absoluteRings(const XPoint *points, int nRings, const int *ringSizes, int total)
{
    XPoint *out = (XPoint *)gmemAlloc((size_t)(total > 0 ? total : 1) * sizeof(XPoint));
    if (out == NULL) {
        return NULL;
    }
    int at = 0;
    for (int r = 0; r < nRings; r++) {
        int n = ringSizes[r] > 0 ? ringSizes[r] : 0;
        for (int i = 0; i < n; i++, at++) {
            if (i == 0) {
                out[at] = points[at];
            } else {
                out[at].x = (short)(unsigned short)((unsigned)out[at - 1].x + (unsigned)points[at].x);
                out[at].y = (short)(unsigned short)((unsigned)out[at - 1].y + (unsigned)points[at].y);
            }
        }
    }
    return out;
}

RingFill ringsToFill(const XPoint *points, int nRings, const int *ringSizes, int mode,
                     Region *region)
{
    *region = NULL;
    if (points == NULL || ringSizes == NULL || nRings <= 0) {
        return RINGS_NOTHING;
    }
    int total = 0, filled = 0;
    for (int r = 0; r < nRings; r++) {
        if (ringSizes[r] > 0) {
            total += ringSizes[r];
        }
        if (ringSizes[r] > 2) {
            filled++;
        }
    }
    if (filled == 0) {
        return RINGS_NOTHING;
    }
    if (nRings == 1) {
        return RINGS_EACH;
    }
    /* Regions are made from absolute points. */
    XPoint *absolute = NULL;
    const XPoint *rings = points;
    if (mode == CoordModePrevious) {
        absolute = absoluteRings(points, nRings, ringSizes, total);
        if (absolute == NULL) {
            return RINGS_NOTHING;
        }
        rings = absolute;
    }
    Region outer = NULL, holes = NULL;
    int at = 0;
    for (int r = 0; r < nRings; r++) {
        int n = ringSizes[r] > 0 ? ringSizes[r] : 0;
        if (n > 2) {
            Region ring = polygonRegion(rings + at, n, 0);
            if (ring != NULL) {
                Region *into = ringAreaInt(rings + at, n) < 0 ? &holes : &outer;
                if (*into == NULL) {
                    *into = ring;
                } else {
                    regionUnion(*into, ring, *into);
                    XDestroyRegion(ring);
                }
            }
        }
        at += n;
    }
    gmemFree(absolute);
    if (outer == NULL) {
        /* Only holes: each ring is filled as it is. */
        if (holes != NULL) {
            XDestroyRegion(holes);
        }
        return RINGS_EACH;
    }
    if (holes != NULL) {
        regionXor(outer, holes, outer);
        XDestroyRegion(holes);
    }
    *region = outer;
    return RINGS_REGION;
}

void fillRegionRectangles(Display *display, Drawable drawable, GC gc, Region region)
{
    long n = region != NULL ? region->numRects : 0;
    if (n <= 0) {
        return;
    }
    XRectangle stack[256];
    XRectangle *rects = n <= 256 ? stack : (XRectangle *)gmemAlloc((size_t)n * sizeof(XRectangle));
    if (rects == NULL) {
        return;
    }
    for (long i = 0; i < n; i++) {
        const BOX *box = &region->rects[i];
        rects[i].x = box->x1;
        rects[i].y = box->y1;
        rects[i].width = (unsigned short)(box->x2 - box->x1);
        rects[i].height = (unsigned short)(box->y2 - box->y1);
    }
    XFillRectangles(display, drawable, gc, rects, (int)n);
    if (rects != stack) {
        gmemFree(rects);
    }
}

void fillEachRing(Display *display, Drawable drawable, GC gc, const XPoint *points, int nRings,
                  const int *ringSizes, int mode)
{
    int at = 0;
    for (int r = 0; r < nRings; r++) {
        int n = ringSizes[r] > 0 ? ringSizes[r] : 0;
        if (n > 2) {
            XFillPolygon(display, drawable, gc, (XPoint *)(points + at), n, Complex, mode);
        }
        at += n;
    }
}

void fillRingsEvenOdd(Display *display, Drawable drawable, GC gc, const XPoint *points, int nRings,
                      const int *ringSizes)
{
    if (display == NULL || drawable == None || gc == NULL || points == NULL || ringSizes == NULL) {
        return;
    }
    /* The XOR of every ring's even-odd region is the even-odd region of
     * all their edges together: what PostScript's eofill paints. */
    Region all = NULL;
    int at = 0;
    for (int r = 0; r < nRings; r++) {
        int n = ringSizes[r] > 0 ? ringSizes[r] : 0;
        if (n > 2) {
            Region ring = polygonRegion(points + at, n, 0);
            if (ring != NULL) {
                if (all == NULL) {
                    all = ring;
                } else {
                    regionXor(all, ring, all);
                    XDestroyRegion(ring);
                }
            }
        }
        at += n;
    }
    if (all != NULL) {
        fillRegionRectangles(display, drawable, gc, all);
        XDestroyRegion(all);
    }
}

void fillPolygonRings(Display *display, Drawable drawable, GC gc, const XPoint *points,
                      int nRings, const int *ringSizes, int shape, int mode)
{
    if (display == NULL || drawable == None || gc == NULL) {
        return;
    }
    Region region;
    switch (ringsToFill(points, nRings, ringSizes, mode, &region)) {
    case RINGS_NOTHING:
        break;
    case RINGS_EACH:
        /* The rings keep their own mode: X starts each request's relative
         * points at its first point. */
        fillEachRing(display, drawable, gc, points, nRings, ringSizes, mode);
        break;
    case RINGS_REGION:
        fillRegionRectangles(display, drawable, gc, region);
        XDestroyRegion(region);
        break;
    }
}
