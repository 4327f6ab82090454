/*
 * draw_batch.cpp --
 *
 *	Draw batches: many figures into one drawable with the caller's GCs.
 *	The X server keeps the drawing state in the GC, so a batch holds no
 *	state of its own to cache or restore; each figure is one request (or
 *	as few as its size allows) and the GC's clip, dashes, stipple and
 *	function apply to all of them.
 */
#include <string.h>

#include "display/windraw/lines_split.h"
#include "display/windraw/rings.h"
#include "ovex/draw.h"
#include "ovex/ovex.h"

struct DrawBatch {
    Display *display;
    Drawable drawable;
};

struct GCObjects {
    DrawBatch *batch;
    GC gc;
};

DrawBatch *beginDrawBatch(Display *display, Drawable drawable)
{
    DrawBatch *batch = (DrawBatch *)gmemAlloc(sizeof(DrawBatch));
    if (batch != NULL) {
        batch->display = display;
        batch->drawable = drawable;
    }
    return batch;
}

void endDrawBatch(DrawBatch *batch)
{
    gmemFree(batch);
}

void restoreDrawBatch(DrawBatch *batch)
{
}

GCObjects *newGCObjects(DrawBatch *batch, GC gc)
{
    if (batch == NULL || gc == NULL) {
        return NULL;
    }
    GCObjects *set = (GCObjects *)gmemAlloc(sizeof(GCObjects));
    if (set != NULL) {
        set->batch = batch;
        set->gc = gc;
    }
    return set;
}

void freeGCObjects(GCObjects *set)
{
    gmemFree(set);
}

/* Whether the set can draw. */
static int usable(const GCObjects *set)
{
    return set != NULL && set->batch != NULL && set->batch->display != NULL &&
           set->batch->drawable != None;
}

void batchDrawLines(GCObjects *set, const XPoint *points, int count, int mode)
{
    if (usable(set) && count > 0) {
        drawLinesSplit(set->batch->display, set->batch->drawable, set->gc, points, count, mode);
    }
}

void batchFillPolygon(GCObjects *set, const XPoint *points, int count, int shape, int mode)
{
    if (usable(set) && points != NULL && count > 2) {
        XFillPolygon(set->batch->display, set->batch->drawable, set->gc, (XPoint *)points, count,
                     Complex, mode);
    }
}

void batchFillPolygonRings(GCObjects *set, const XPoint *points, int nRings,
                           const int *ringSizes, int shape, int mode)
{
    if (usable(set)) {
        fillPolygonRings(set->batch->display, set->batch->drawable, set->gc, points, nRings,
                         ringSizes, shape, mode);
    }
}

void batchDrawArc(GCObjects *set, int x, int y, unsigned int width, unsigned int height,
                  int start, int extent, int fill)
{
    if (!usable(set)) {
        return;
    }
    if (fill) {
        XFillArc(set->batch->display, set->batch->drawable, set->gc, x, y, width, height, start,
                 extent);
    } else {
        XDrawArc(set->batch->display, set->batch->drawable, set->gc, x, y, width, height, start,
                 extent);
    }
}

void batchDrawRectangle(GCObjects *set, int x, int y, unsigned int width, unsigned int height)
{
    if (usable(set)) {
        XDrawRectangle(set->batch->display, set->batch->drawable, set->gc, x, y, width, height);
    }
}

void batchFillRectangle(GCObjects *set, short x, short y, unsigned short width,
                        unsigned short height)
{
    XRectangle rect = {x, y, width, height};
    batchFillRectangles(set, &rect, 1);
}

void batchFillRectangles(GCObjects *set, const XRectangle *rects, int count)
{
    if (usable(set) && rects != NULL && count > 0) {
        XFillRectangles(set->batch->display, set->batch->drawable, set->gc, (XRectangle *)rects,
                        count);
    }
}
