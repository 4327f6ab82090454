/*
 * polygon_item.h --
 *
 *	Drawing procedures of the polygon item that the line (arrowheads)
 *	and other items share.
 */
#ifndef OVEX_CANVAS_POLYGON_ITEM_H
#define OVEX_CANVAS_POLYGON_ITEM_H

#include "canvas/gcanvas_geometry.h"
#include "canvas/gcanvas_outline.h"

/* What a PointSetDesc's source outline points at: the outline of the item
 * the points come from, followed by its spline steps and smoothing method. */
typedef struct OutlineSource {
    ItemOutline outline;
    int splineSteps;
    const SmoothMethod *smooth;
} OutlineSource;

/* n points (world units, or canvas pixels when canvasFlag is set) filled
 * with fillGC (Complex shape, when given and n > 3) and stroked with
 * outlineGC (when given). */
void polygonFillDraw(GcCanvas c, const double *points, int n, Display *display, Drawable drawable, GC fillGC,
                     GC outlineGC, int canvasFlag);

/* Rings of world points (ringCount rings of sizes[k] points, n in all)
 * converted to drawable points, clipped to the drawable rectangle
 * (clipX, clipY, clipWidth, clipHeight), filled together (holes left
 * open) and outlined ring by ring. */
void drawRingsClipped(GcCanvas c, const double *points, int n, int ringCount, const int *sizes, Display *display,
                      Drawable drawable, GC fillGC, GC outlineGC, int clipX, int clipY, int clipWidth,
                      int clipHeight);

/* Outlines: one XDrawLines per ring of at least 2 points, split when a
 * ring is longer than one request carries. */
void drawRingOutlines(Display *display, Drawable drawable, GC gc, const XPoint *points, int ringCount,
                      const int *sizes);

#endif /* OVEX_CANVAS_POLYGON_ITEM_H */
