/*
 * rings.h --
 *
 *	The region a polygon of outer rings and holes covers.
 */
#ifndef OVEX_DISPLAY_WINDRAW_RINGS_H
#define OVEX_DISPLAY_WINDRAW_RINGS_H

#include <X11/Xlib.h>
#include <X11/Xutil.h>

/* How a set of rings is to be filled. */
typedef enum RingFill {
    RINGS_NOTHING,      /* no ring of 3 points or more */
    RINGS_EACH,         /* fill every ring of 3+ points as a polygon (one ring, or only holes) */
    RINGS_REGION        /* fill the region's rectangles */
} RingFill;

/* Decides how to fill nRings rings (points as fillPolygonRings takes
 * them; relative rings start at an absolute point each). For RINGS_REGION
 * *region receives the outer rings' union XOR the holes' union (the
 * caller destroys it). Returns RINGS_NOTHING when memory runs out. */
RingFill ringsToFill(const XPoint *points, int nRings, const int *ringSizes, int mode,
                     Region *region);

/* Fills the region's rectangles with gc, in as few requests as Xlib makes. */
void fillRegionRectangles(Display *display, Drawable drawable, GC gc, Region region);

/* Fills each ring of 3+ points with XFillPolygon (Complex shape). */
void fillEachRing(Display *display, Drawable drawable, GC gc, const XPoint *points, int nRings,
                  const int *ringSizes, int mode);

/* Fills the rings (absolute points) together by the even-odd rule, as
 * PostScript's eofill does: a point is inside when an odd number of ring
 * edges lie between it and the outside, whichever way each ring runs. */
void fillRingsEvenOdd(Display *display, Drawable drawable, GC gc, const XPoint *points, int nRings,
                      const int *ringSizes);

#endif /* OVEX_DISPLAY_WINDRAW_RINGS_H */
