/*
 * gcanvas_redraw.cpp --
 *
 *	Redraw requests, the idle display and the backing cache. The cache
 *	holds the rendered non-floating items of the visible area with a
 *	margin of 8 pixels; a display re-renders only what changed or came
 *	into view, then draws the floating items over a copy of the cache.
 */
#include <math.h>
#include "canvas/gcanvas.h"
#include "core/rounding.h"
#include "display/windraw/x_error_trap.h"

enum { CACHE_MARGIN = 8 };

void gcanvasQueueItem(GcanvasWidget *c, GcanvasItem *item);

static void scheduleDisplay(GcanvasWidget *c)
{
    if (!(c->flags & GC_REDRAW_PENDING)) {
        Tcl_DoWhenIdle(gcanvasDisplay, (ClientData)c);
        c->flags |= GC_REDRAW_PENDING;
    }
}

static void addToArea(GcanvasWidget *c, int x1, int y1, int x2, int y2)
{
    if (c->flags & GC_AREA_NOT_EMPTY) {
        if (x1 <= c->redrawX1) c->redrawX1 = x1;
        if (y1 <= c->redrawY1) c->redrawY1 = y1;
        if (x2 >= c->redrawX2) c->redrawX2 = x2;
        if (y2 >= c->redrawY2) c->redrawY2 = y2;
    } else {
        c->redrawX1 = x1;
        c->redrawY1 = y1;
        c->redrawX2 = x2;
        c->redrawY2 = y2;
        c->flags |= GC_AREA_NOT_EMPTY;
    }
}

/* Boxes round outwards; values beyond int clamp. */
static void roundOut(double x1, double y1, double x2, double y2, int *r)
{
    r[0] = clampToInt(floor(x1 - 0.5));
    r[1] = clampToInt(floor(y1 - 0.5));
    r[2] = clampToInt(ceil(x2 + 0.5));
    r[3] = clampToInt(ceil(y2 + 0.5));
}

void gcanvasEventuallyRedraw(GcCanvas cc, double x1, double y1, double x2, double y2, int rebuildCache)
{
    GcanvasWidget *c = gcanvasWidgetOf(cc);
    if (c->tkwin == NULL) {
        return;
    }
    if (x1 > x2 || y1 > y2 || x2 < c->xOrigin || y2 < c->yOrigin
            || x1 >= (double)c->xOrigin + Tk_Width(c->tkwin)
            || y1 >= (double)c->yOrigin + Tk_Height(c->tkwin)) {
        return;
    }
    int r[4];
    roundOut(x1, y1, x2, y2, r);
    addToArea(c, r[0], r[1], r[2], r[3]);
    c->rebuildCache |= rebuildCache;
    scheduleDisplay(c);
}

/* Remembers an item whose final box the next display must add. */
void gcanvasQueueItem(GcanvasWidget *c, GcanvasItem *item)
{
    if (c->numQueued == c->queuedSpace) {
        c->queuedSpace = c->queuedSpace ? 2 * c->queuedSpace : 16;
        c->queued = (GcanvasItem **)ckrealloc((char *)c->queued, c->queuedSpace * sizeof(GcanvasItem *));
    }
    c->queued[c->numQueued++] = item;
}

void gcanvasForgetQueued(GcanvasWidget *c, GcanvasItem *item)
{
    if (!(item->redraw_flags & GC_ITEM_BOX_QUEUED)) return;
    for (int i = 0; i < c->numQueued; i++) {
        if (c->queued[i] == item) c->queued[i] = NULL;
    }
}

void gcanvasEventuallyRedrawItem(GcCanvas cc, GcanvasItem *item)
{
    GcanvasWidget *c = gcanvasWidgetOf(cc);
    if (c->tkwin == NULL) {
        return;
    }
    int r[4];
    roundOut(item->x1, item->y1, item->x2, item->y2, r);
    if (!item->floating) {
        c->rebuildCache = 1;
    }
    int visible = r[0] < r[2] && r[1] < r[3] && r[2] >= c->xOrigin && r[3] >= c->yOrigin
                  && (double)r[0] < (double)c->xOrigin + Tk_Width(c->tkwin)
                  && (double)r[1] < (double)c->yOrigin + Tk_Height(c->tkwin);
    if (!visible && !(item->typePtr->flags & GC_TYPE_ALWAYS_REDRAW)) {
        return;
    }
    if (!(item->redraw_flags & GC_ITEM_BOX_QUEUED)) {
        addToArea(c, r[0], r[1], r[2], r[3]);
        item->redraw_flags |= GC_ITEM_BOX_QUEUED;
        gcanvasQueueItem(c, item);
    }
    scheduleDisplay(c);
}

/*
 * displayItem --
 *	Calls the item's display procedure. Those of types that are always
 *	redrawn (windows) move, map and unmap windows, which runs their
 *	<Configure>, <Map> and <Unmap> bindings; a binding may delete items
 *	or destroy the canvas. Returns 0 when it did: the item list can no
 *	longer be walked, and the display is marked cut short (its caller
 *	holds the canvas preserved and asks for another).
 */
static int displayItem(GcanvasWidget *c, GcanvasItem *item, Display *d, Drawable drawable, int x, int y, int w,
                       int h)
{
    if (!(item->typePtr->flags & GC_TYPE_ALWAYS_REDRAW)) {
        item->typePtr->displayProc(c, item, d, drawable, x, y, w, h);
        return 1;
    }
    unsigned long freed = c->itemsFreed;
    item->typePtr->displayProc(c, item, d, drawable, x, y, w, h);
    if (c->itemsFreed != freed || c->tkwin == NULL) {
        c->flags |= GC_DISPLAY_CUT_SHORT;
        return 0;
    }
    return 1;
}

/*
 * gcanvasRenderRegion --
 *	Renders the canvas rectangle (clipped to the redraw area) into the
 *	cache through a temporary pixmap.
 */
void gcanvasRenderRegion(GcanvasWidget *c, int mx, int my, int x1, int y1, int x2, int y2)
{
    if (x1 < c->redrawX1) x1 = c->redrawX1;
    if (y1 < c->redrawY1) y1 = c->redrawY1;
    if (x2 > c->redrawX2) x2 = c->redrawX2;
    if (y2 > c->redrawY2) y2 = c->redrawY2;
    if (x1 >= x2 || y1 >= y2 || c->tkwin == NULL || c->cache == None
            || (c->flags & GC_DISPLAY_CUT_SHORT)) {
        return;
    }
    Tk_Window tkwin = c->tkwin;
    Display *d = c->display;
    int w = x2 - x1, h = y2 - y1;
    /* The whole cache area is rendered in place: what items paint beyond
     * it falls into the margin, which is never shown. A part of it goes
     * through a pixmap of its own, so that the rest stays untouched. */
    int whole = x1 == c->cacheX1 && y1 == c->cacheY1 && x2 == c->cacheX2 && y2 == c->cacheY2
                && mx == CACHE_MARGIN && my == CACHE_MARGIN;
    c->drawableXOrigin = x1 - mx;
    c->drawableYOrigin = y1 - my;
    Pixmap pm = whole ? c->cache
                      : trappedPixmap(d, Tk_WindowId(tkwin), w + 2 * mx, h + 2 * my, Tk_Depth(tkwin));
    if (pm == None) {
        /* The server could not make the pixmap: the area keeps what it
         * showed rather than the process ending. */
        return;
    }
    XFillRectangle(d, pm, c->pixmapGC, whole ? 0 : mx, whole ? 0 : my, (unsigned)(whole ? w + 2 * mx : w),
                   (unsigned)(whole ? h + 2 * my : h));
    for (GcanvasItem *item = c->firstItemPtr; item != NULL; item = item->nextPtr) {
        int meets = item->x1 < x2 && item->y1 < y2 && item->x2 >= x1 && item->y2 >= y1;
        if ((!meets && !(item->typePtr->flags & GC_TYPE_ALWAYS_REDRAW)) || item->floating
                || gcanvasItemHidden(c, item)) {
            continue;
        }
        if (!meets && (item->typePtr->flags & GC_TYPE_ALWAYS_REDRAW)) {
            meets = item->x1 < c->redrawX2 && item->y1 < c->redrawY2 && item->x2 >= c->redrawX1
                    && item->y2 >= c->redrawY1;
        }
        if (meets && item->typePtr->displayProc != NULL && !displayItem(c, item, d, pm, x1, y1, w, h)) {
            break;
        }
    }
    if (!whole) {
        XCopyArea(d, pm, c->cache, c->pixmapGC, mx, my, (unsigned)w, (unsigned)h,
                  x1 - c->cacheX1 + CACHE_MARGIN, y1 - c->cacheY1 + CACHE_MARGIN);
        Tk_FreePixmap(d, pm);
    }
}

static void composeView(GcanvasWidget *c)
{
    Tk_Window tkwin = c->tkwin;
    Display *d = c->display;
    int vx1 = c->xOrigin + c->inset, vy1 = c->yOrigin + c->inset;
    int vx2 = c->xOrigin + Tk_Width(tkwin) - c->inset, vy2 = c->yOrigin + Tk_Height(tkwin) - c->inset;
    int w = vx2 - vx1, h = vy2 - vy1;
    if (w <= 0 || h <= 0) {
        return;
    }
    int keep = c->cache != None && c->rebuildCache != 1 && vx1 >= c->cacheX1 && vx2 <= c->cacheX2
               && vy1 >= c->cacheY1 && vy2 <= c->cacheY2;
    if (!keep && c->cache != None && c->rebuildCache == 1 && vx1 == c->cacheX1 && vy1 == c->cacheY1
            && vx2 == c->cacheX2 && vy2 == c->cacheY2) {
        /* A rebuild of the same area renders into the pixmap in place. */
        gcanvasRenderRegion(c, CACHE_MARGIN, CACHE_MARGIN, vx1, vy1, vx2, vy2);
        keep = 1;
    }
    if (!keep) {
        Pixmap old = c->cache;
        int ox1 = c->cacheX1, oy1 = c->cacheY1, ox2 = c->cacheX2, oy2 = c->cacheY2;
        c->cache = trappedPixmap(d, Tk_WindowId(tkwin), w + 2 * CACHE_MARGIN, h + 2 * CACHE_MARGIN,
                                 Tk_Depth(tkwin));
        if (c->cache == None) {
            /* The server could not make the cache: the window is left
             * blank in the background colour, and the next redraw asks
             * again. */
            if (old != None) Tk_FreePixmap(d, old);
            XFillRectangle(d, Tk_WindowId(tkwin), c->pixmapGC, c->inset, c->inset, (unsigned)w,
                           (unsigned)h);
            c->rebuildCache = 1;
            return;
        }
        c->cacheX1 = vx1;
        c->cacheY1 = vy1;
        c->cacheX2 = vx2;
        c->cacheY2 = vy2;
        if (old == None) {
            gcanvasRenderRegion(c, CACHE_MARGIN, CACHE_MARGIN, vx1, vy1, vx2, vy2);
        } else {
            int px1 = ox1 > vx1 ? ox1 : vx1, py1 = oy1 > vy1 ? oy1 : vy1;
            int px2 = ox2 < vx2 ? ox2 : vx2, py2 = oy2 < vy2 ? oy2 : vy2;
            if (px1 < px2 && py1 < py2) {
                XCopyArea(d, old, c->cache, c->pixmapGC, px1 - ox1 + CACHE_MARGIN,
                          py1 - oy1 + CACHE_MARGIN, (unsigned)(px2 - px1), (unsigned)(py2 - py1),
                          px1 - vx1 + CACHE_MARGIN, py1 - vy1 + CACHE_MARGIN);
                Tk_FreePixmap(d, old);
                if (c->rebuildCache == 1) {
                    gcanvasRenderRegion(c, CACHE_MARGIN, CACHE_MARGIN, px1, py1, px2, py2);
                }
                if (vy1 < py1) gcanvasRenderRegion(c, CACHE_MARGIN, CACHE_MARGIN, vx1, vy1, vx2, py1);
                if (py2 < vy2) gcanvasRenderRegion(c, CACHE_MARGIN, CACHE_MARGIN, vx1, py2, vx2, vy2);
                if (vx1 < px1) gcanvasRenderRegion(c, CACHE_MARGIN, CACHE_MARGIN, vx1, py1, px1, py2);
                if (px2 < vx2) gcanvasRenderRegion(c, CACHE_MARGIN, CACHE_MARGIN, px2, py1, vx2, py2);
            } else {
                Tk_FreePixmap(d, old);
                gcanvasRenderRegion(c, CACHE_MARGIN, CACHE_MARGIN, vx1, vy1, vx2, vy2);
            }
        }
    }
    if (c->flags & GC_DISPLAY_CUT_SHORT) {
        /* Scripts changed the items or destroyed the canvas meanwhile. */
        return;
    }
    GcanvasItem *firstFloating = c->firstItemPtr;
    while (firstFloating != NULL && (!firstFloating->floating || gcanvasItemHidden(c, firstFloating))) {
        firstFloating = firstFloating->nextPtr;
    }
    if (firstFloating == NULL) {
        /* Nothing floats: the cache goes to the window as it is. */
        XCopyArea(d, c->cache, Tk_WindowId(tkwin), c->pixmapGC, CACHE_MARGIN, CACHE_MARGIN, (unsigned)w,
                  (unsigned)h, c->inset, c->inset);
        c->rebuildCache = 0;
        return;
    }
    Pixmap view = trappedPixmap(d, Tk_WindowId(tkwin), w, h, Tk_Depth(tkwin));
    if (view == None) {
        /* No room for the floating items' pixmap: the cache alone. */
        XCopyArea(d, c->cache, Tk_WindowId(tkwin), c->pixmapGC, CACHE_MARGIN, CACHE_MARGIN, (unsigned)w,
                  (unsigned)h, c->inset, c->inset);
        c->rebuildCache = 0;
        return;
    }
    XCopyArea(d, c->cache, view, c->pixmapGC, CACHE_MARGIN, CACHE_MARGIN, (unsigned)w, (unsigned)h,
              0, 0);
    c->drawableXOrigin = vx1;
    c->drawableYOrigin = vy1;
    for (GcanvasItem *item = firstFloating; item != NULL; item = item->nextPtr) {
        if (item->floating && !gcanvasItemHidden(c, item) && item->typePtr->displayProc != NULL
                && !displayItem(c, item, d, view, vx1, vy1, w, h)) {
            break;
        }
    }
    if (!(c->flags & GC_DISPLAY_CUT_SHORT)) {
        XCopyArea(d, view, Tk_WindowId(tkwin), c->pixmapGC, 0, 0, (unsigned)w, (unsigned)h, c->inset,
                  c->inset);
    }
    Tk_FreePixmap(d, view);
    c->rebuildCache = 0;
}

void gcanvasDisplay(ClientData clientData)
{
    GcanvasWidget *c = (GcanvasWidget *)clientData;
    Tk_Window tkwin = c->tkwin;
    if (tkwin == NULL) {
        return;
    }
    if (Tk_IsMapped(tkwin)) {
        while (c->flags & GC_REPICK_NEEDED) {
            Tcl_Preserve((ClientData)c);
            c->flags &= ~GC_REPICK_NEEDED;
            gcanvasPickCurrentItem(c, &c->pickEvent);
            tkwin = c->tkwin;
            Tcl_Release((ClientData)c);
            if (tkwin == NULL) {
                return;
            }
        }
        /* The final boxes of the items changed since the last display. */
        int n = c->numQueued;
        for (int i = 0; i < n; i++) {
            GcanvasItem *item = c->queued[i];
            if (item != NULL && (item->redraw_flags & GC_ITEM_BOX_QUEUED)) {
                item->redraw_flags &= ~GC_ITEM_BOX_QUEUED;
                gcanvasEventuallyRedrawItem(c, item);
                item->redraw_flags &= ~GC_ITEM_BOX_QUEUED;
            }
        }
        c->numQueued = 0;
        if (c->redrawX1 < c->redrawX2 && c->redrawY1 < c->redrawY2) {
            Tcl_Preserve((ClientData)c);
            c->flags &= ~GC_DISPLAY_CUT_SHORT;
            composeView(c);
            if (c->flags & GC_DISPLAY_CUT_SHORT) {
                /* Bindings run by window items changed the items: the whole
                 * view is drawn again at the next idle time. */
                c->flags &= ~(GC_DISPLAY_CUT_SHORT | GC_REDRAW_PENDING | GC_AREA_NOT_EMPTY);
                c->redrawX1 = c->redrawY1 = c->redrawX2 = c->redrawY2 = 0;
                if (c->tkwin != NULL) {
                    gcanvasEventuallyRedraw(c, c->xOrigin, c->yOrigin, (double)c->xOrigin + Tk_Width(c->tkwin),
                                            (double)c->yOrigin + Tk_Height(c->tkwin), 1);
                }
                Tcl_Release((ClientData)c);
                return;
            }
            Tcl_Release((ClientData)c);
        }
        if (c->flags & GC_REDRAW_BORDERS) {
            c->flags &= ~GC_REDRAW_BORDERS;
            if (c->borderWidth > 0) {
                Tk_Draw3DRectangle(tkwin, Tk_WindowId(tkwin), c->bgBorder, c->highlightWidth,
                                   c->highlightWidth, Tk_Width(tkwin) - 2 * c->highlightWidth,
                                   Tk_Height(tkwin) - 2 * c->highlightWidth, c->borderWidth,
                                   c->relief);
            }
            if (c->highlightWidth != 0) {
                XColor *color = c->textInfo.gotFocus ? c->highlightColorPtr : c->highlightBgColorPtr;
                GC fgGC = Tk_GCForColor(color, Tk_WindowId(tkwin));
                Tk_DrawFocusHighlight(tkwin, fgGC, c->highlightWidth, Tk_WindowId(tkwin));
            }
        }
    }
    c->flags &= ~(GC_REDRAW_PENDING | GC_AREA_NOT_EMPTY);
    c->redrawX1 = c->redrawY1 = c->redrawX2 = c->redrawY2 = 0;
    if (c->flags & GC_UPDATE_SCROLLBARS) {
        gcanvasUpdateScrollbars(c);
    }
}

void gcanvasEventProc(ClientData clientData, XEvent *eventPtr)
{
    GcanvasWidget *c = (GcanvasWidget *)clientData;
    if (eventPtr->type == Expose) {
        int x = eventPtr->xexpose.x, y = eventPtr->xexpose.y;
        int w = eventPtr->xexpose.width, h = eventPtr->xexpose.height;
        gcanvasEventuallyRedraw(c, (double)x + c->xOrigin, (double)y + c->yOrigin,
                                (double)x + c->xOrigin + w, (double)y + c->yOrigin + h, 0);
        if (x < c->inset || y < c->inset || x + w > Tk_Width(c->tkwin) - c->inset
                || y + h > Tk_Height(c->tkwin) - c->inset) {
            c->flags |= GC_REDRAW_BORDERS;
        }
    } else if (eventPtr->type == DestroyNotify) {
        extern void gcanvasDestroy(GcanvasWidget *);
        gcanvasDestroy(c);
    } else if (eventPtr->type == ConfigureNotify) {
        c->flags |= GC_UPDATE_SCROLLBARS;
        gcanvasSetOrigin(c, c->xOrigin, c->yOrigin);
        gcanvasEventuallyRedraw(c, c->xOrigin, c->yOrigin, (double)c->xOrigin + Tk_Width(c->tkwin),
                                (double)c->yOrigin + Tk_Height(c->tkwin), 1);
        c->flags |= GC_REDRAW_BORDERS;
    } else if (eventPtr->type == FocusIn) {
        if (eventPtr->xfocus.detail != NotifyInferior) {
            gcanvasFocusChange(c, 1);
        }
    } else if (eventPtr->type == FocusOut) {
        if (eventPtr->xfocus.detail != NotifyInferior) {
            gcanvasFocusChange(c, 0);
        }
    } else if (eventPtr->type == UnmapNotify) {
        Tcl_Preserve((ClientData)c);
        for (GcanvasItem *item = c->firstItemPtr; item != NULL; item = item->nextPtr) {
            if ((item->typePtr->flags & GC_TYPE_ALWAYS_REDRAW) && item->typePtr->displayProc
                    && !displayItem(c, item, c->display, None, 0, 0, 0, 0)) {
                /* Bindings changed the items; the remaining windows are
                 * placed by the next display. */
                c->flags &= ~GC_DISPLAY_CUT_SHORT;
                break;
            }
        }
        Tcl_Release((ClientData)c);
    }
}
