/*
 * canvas_render.cpp --
 *
 *	Canvas widgets reached through Tk's canvas record: checking that a
 *	path names one, the bounding box of its items, and rendering its
 *	items into a pixmap through their display procedures.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>

/* Tk's private canvas record; its few declarations of Tk-internal
 * functions are not used here. */
#ifndef MODULE_SCOPE
#define MODULE_SCOPE extern
#endif
#include "tk-private/generic/tkCanvas.h"

#include "canvas/canvas_render.h"
#include "canvas/gcanvas.h"
#include "display/windraw/capture.h"
#include "display/windraw/x_error_trap.h"
#include "core/package.h"
#include "core/rounding.h"
#include "ovex/ovex.h"

/* Extra pixels around a rendered region. */
#define RENDER_MARGIN 30

void *getCommandClientData(Tcl_Interp *interp, const char *name)
{
    Tcl_CmdInfo info;
    if (name == NULL || !Tcl_GetCommandInfo(interp, name, &info)) {
        return NULL;
    }
    return info.isNativeObjectProc ? info.objClientData : info.clientData;
}

/*
 * tkCanvasWidgetProc --
 *	The object procedure of Tk's canvas widget commands, learnt once
 *	from a canvas made for the purpose. A window of class "Canvas" whose
 *	command has another procedure holds some other record, which must
 *	not be read as a canvas. NULL when no canvas could be made.
 */
static Tcl_ObjCmdProc *tkCanvasWidgetProc(Tcl_Interp *interp)
{
    static Tcl_ObjCmdProc *widgetProc = NULL;
    if (widgetProc != NULL) {
        return widgetProc;
    }
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        return NULL;
    }
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    char probe[64];
    for (int n = 0; n < 100 && widgetProc == NULL; n++) {
        snprintf(probe, sizeof probe, ".ovexCanvasProbe%d", n);
        if (Tk_NameToWindow(interp, probe, main) != NULL) {
            continue;
        }
        if (Tcl_VarEval(interp, "::canvas ", probe, (char *)NULL) != TCL_OK) {
            break;
        }
        Tcl_CmdInfo info;
        if (Tcl_GetCommandInfo(interp, probe, &info) && info.isNativeObjectProc) {
            widgetProc = info.objProc;
        }
        Tk_Window made = Tk_NameToWindow(interp, probe, main);
        if (made != NULL) {
            Tk_DestroyWindow(made);
        }
        break;
    }
    Tcl_RestoreInterpState(interp, saved);
    return widgetProc;
}

static int notACanvas(Tcl_Interp *interp)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Not a canvas widget", (char *)NULL);
    return TCL_ERROR;
}

/*
 *----------------------------------------------------------------------
 *
 * getCanvasInfo --
 *
 *	Checks that pathName is a canvas widget and describes it.
 *
 * Results:
 *	TCL_OK with info filled, or TCL_ERROR with the message.
 *
 *----------------------------------------------------------------------
 */
int getCanvasInfo(Tcl_Interp *interp, const char *pathName, CanvasInfo *info)
{
    memset(info, 0, sizeof(CanvasInfo));
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        return notACanvas(interp);
    }
    Tk_Window tkwin = Tk_NameToWindow(interp, pathName, main);
    if (tkwin == NULL) {
        return notACanvas(interp);
    }
    int gcanvas = Tk_Class(tkwin) != NULL && strcmp(Tk_Class(tkwin), "Gcanvas") == 0;
    if (!gcanvas && (Tk_Class(tkwin) == NULL || strcmp(Tk_Class(tkwin), "Canvas") != 0)) {
        return notACanvas(interp);
    }
    Tcl_CmdInfo command;
    if (!Tcl_GetCommandInfo(interp, pathName, &command)) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Error in getting canvas info.\n", (char *)NULL);
        return TCL_ERROR;
    }
    void *widget = getCommandClientData(interp, pathName);
    if (widget == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Error in getting canvas info.\n", (char *)NULL);
        return TCL_ERROR;
    }
    if (gcanvas) {
        /* Only our own widget command's record is read as a gcanvas. */
        if (!command.isNativeObjectProc || command.objProc != gcanvasWidgetCmd
                || ((GcanvasWidget *)widget)->tkwin != tkwin) {
            return notACanvas(interp);
        }
        info->kind = CANVAS_KIND_GCANVAS;
        info->width = Tk_Width(tkwin);
        info->height = Tk_Height(tkwin);
        info->widget = widget;
        info->tkwin = tkwin;
        return TCL_OK;
    }
    Tcl_ObjCmdProc *widgetProc = tkCanvasWidgetProc(interp);
    if (widgetProc == NULL || !command.isNativeObjectProc || command.objProc != widgetProc
            || ((TkCanvas *)widget)->tkwin != tkwin) {
        return notACanvas(interp);
    }
    info->kind = CANVAS_KIND_TK;
    info->width = Tk_Width(tkwin);
    info->height = Tk_Height(tkwin);
    info->widget = widget;
    info->tkwin = tkwin;
    return TCL_OK;
}

/* The same three operations on a gcanvas, whose item boxes are doubles
 * in canvas pixels. */
static int gcanvasItemsBBox(const CanvasInfo *info, int *x0, int *y0, int *x1, int *y1)
{
    const GcanvasWidget *canvas = (const GcanvasWidget *)info->widget;
    int any = 0;
    double left = 0, top = 0, right = 0, bottom = 0;
    for (const GcanvasItem *item = canvas->firstItemPtr; item != NULL; item = item->nextPtr) {
        if (!(item->x1 < item->x2 && item->y1 < item->y2)) {
            continue;
        }
        if (!any) {
            left = item->x1, top = item->y1, right = item->x2, bottom = item->y2;
            any = 1;
            continue;
        }
        left = item->x1 < left ? item->x1 : left;
        top = item->y1 < top ? item->y1 : top;
        right = item->x2 > right ? item->x2 : right;
        bottom = item->y2 > bottom ? item->y2 : bottom;
    }
    if (!any) {
        return 0;
    }
    *x0 = clampToInt(floor(left - canvas->xOrigin));
    *y0 = clampToInt(floor(top - canvas->yOrigin));
    *x1 = clampToInt(ceil(right - canvas->xOrigin));
    *y1 = clampToInt(ceil(bottom - canvas->yOrigin));
    return 1;
}

int canvasItemsBBox(const CanvasInfo *info, int *x0, int *y0, int *x1, int *y1)
{
    *x0 = *y0 = *x1 = *y1 = 0;
    if (info->kind == CANVAS_KIND_GCANVAS) {
        return gcanvasItemsBBox(info, x0, y0, x1, y1);
    }
    if (info->kind != CANVAS_KIND_TK) {
        return 0;
    }
    const TkCanvas *canvas = (const TkCanvas *)info->widget;
    const Tk_Item *item = canvas->firstItemPtr;
    if (item == NULL) {
        return 0;
    }
    double left = item->x1, top = item->y1, right = item->x2, bottom = item->y2;
    for (item = item->nextPtr; item != NULL; item = item->nextPtr) {
        left = item->x1 < left ? item->x1 : left;
        top = item->y1 < top ? item->y1 : top;
        right = item->x2 > right ? item->x2 : right;
        bottom = item->y2 > bottom ? item->y2 : bottom;
    }
    *x0 = clampToInt(floor(left - canvas->xOrigin));
    *y0 = clampToInt(floor(top - canvas->yOrigin));
    *x1 = clampToInt(ceil(right - canvas->xOrigin));
    *y1 = clampToInt(ceil(bottom - canvas->yOrigin));
    return 1;
}

/*
 * makeRegionPixmap --
 *	A pixmap for a region of width by height pixels and the margin,
 *	filled through gc (the canvas's background). None with the message
 *	in the result when the sides are out of range or X refuses.
 */
static Pixmap makeRegionPixmap(Tcl_Interp *interp, const CanvasInfo *info, GC gc, int width,
                               int height)
{
    /* X sides are 16-bit; a region of no pixels makes no pixmap. */
    if (width < 1 || height < 1 || width > CAPTURE_MAX_SIDE - RENDER_MARGIN
            || height > CAPTURE_MAX_SIDE - RENDER_MARGIN) {
        Tcl_SetResult(interp, fmt("Error in create pixmap: width %d height %d\n", width, height),
                      TCL_VOLATILE);
        return None;
    }
    if (gc == NULL) {
        Tcl_SetResult(interp, (char *)"No pixmapGC", TCL_STATIC);
        return None;
    }
    Display *display = Tk_Display(info->tkwin);
    Pixmap made = trappedPixmap(display, RootWindowOfScreen(Tk_Screen(info->tkwin)),
                                width + RENDER_MARGIN, height + RENDER_MARGIN,
                                Tk_Depth(info->tkwin));
    if (made == None) {
        Tcl_SetResult(interp, fmt("Error in create pixmap: width %d height %d\n", width, height),
                      TCL_VOLATILE);
        return None;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    XFillRectangle(display, made, gc, 0, 0, (unsigned int)(width + RENDER_MARGIN),
                   (unsigned int)(height + RENDER_MARGIN));
    if (xErrorTrapEnd(&trap) != 0) {
        xErrorTrapBegin(&trap, display);
        Tk_FreePixmap(display, made);
        xErrorTrapEnd(&trap);
        Tcl_SetResult(interp, fmt("Error in create pixmap: width %d height %d\n", width, height),
                      TCL_VOLATILE);
        return None;
    }
    return made;
}

/* Items the canvas itself would not draw. */
static int itemHidden(const TkCanvas *canvas, const Tk_Item *item)
{
    return item->state == TK_STATE_HIDDEN
           || (item->state == TK_STATE_NULL && canvas->canvas_state == TK_STATE_HIDDEN);
}

/*
 * renderRegion --
 *	The one drawing path of both canvas kinds: a pixmap when no drawable
 *	is given, the region's corner in canvas pixels (coordType 0: x0, y0
 *	are window pixels), then every shown item meeting the region drawn
 *	with the canvas's drawable origin at that corner meanwhile.
 *	roundFarEdge: the far edges are rounded from x0 + width like the
 *	corner (Tk's canvas) rather than counted from the rounded corner.
 */
template <typename Canvas, typename Item, typename Hidden, typename Draw>
static Drawable renderRegion(Tcl_Interp *interp, Drawable drawable, const CanvasInfo *info,
                             Canvas *canvas, Item *first, double x0, double y0, int width,
                             int height, int coordType, bool roundFarEdge, Hidden hidden,
                             Draw draw)
{
    Display *display = Tk_Display(info->tkwin);
    if (drawable == None) {
        drawable = makeRegionPixmap(interp, info, canvas->pixmapGC, width, height);
        if (drawable == None) {
            return None;
        }
    }
    int left, top;
    double right, bottom;
    if (coordType == 0) {
        left = roundToInt(x0 + canvas->xOrigin);
        top = roundToInt(y0 + canvas->yOrigin);
    } else {
        left = roundToInt(x0);
        top = roundToInt(y0);
    }
    if (!roundFarEdge) {
        right = (double)left + width;
        bottom = (double)top + height;
    } else if (coordType == 0) {
        right = roundToInt(x0 + width + canvas->xOrigin);
        bottom = roundToInt(y0 + height + canvas->yOrigin);
    } else {
        right = roundToInt(x0 + width);
        bottom = roundToInt(y0 + height);
    }
    int savedX = canvas->drawableXOrigin, savedY = canvas->drawableYOrigin;
    canvas->drawableXOrigin = left;
    canvas->drawableYOrigin = top;
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    for (Item *item = first; item != NULL; item = item->nextPtr) {
        if (item->x1 < right && left < item->x2 && item->y1 < bottom && top < item->y2
                && !hidden(item) && item->typePtr->displayProc != NULL) {
            draw(item, display, drawable, left, top);
        }
    }
    xErrorTrapEnd(&trap);
    canvas->drawableXOrigin = savedX;
    canvas->drawableYOrigin = savedY;
    return drawable;
}

/*
 *----------------------------------------------------------------------
 *
 * drawCanvasToPixmap --
 *
 *	Renders the canvas items of a region (see canvas_render.h).
 *
 * Results:
 *	The drawable, or None with the message in the result.
 *
 * Side effects:
 *	The canvas's drawable origin is changed while the items draw and
 *	restored afterwards.
 *
 *----------------------------------------------------------------------
 */
Drawable drawCanvasToPixmap(Tcl_Interp *interp, Drawable drawable, const CanvasInfo *info,
                            double x0, double y0, int width, int height, int coordType)
{
    if (info->kind == CANVAS_KIND_GCANVAS && info->widget != NULL) {
        GcanvasWidget *canvas = (GcanvasWidget *)info->widget;
        return renderRegion(
            interp, drawable, info, canvas, canvas->firstItemPtr, x0, y0, width, height,
            coordType, false,
            [canvas](GcanvasItem *item) { return gcanvasItemHidden(canvas, item); },
            [canvas, width, height](GcanvasItem *item, Display *display, Drawable target, int left,
                                    int top) {
                item->typePtr->displayProc(canvas, item, display, target, left, top, width,
                                           height);
            });
    }
    if (info->kind != CANVAS_KIND_TK || info->widget == NULL) {
        notACanvas(interp);
        return None;
    }
    TkCanvas *canvas = (TkCanvas *)info->widget;
    return renderRegion(
        interp, drawable, info, canvas, canvas->firstItemPtr, x0, y0, width, height, coordType,
        true, [canvas](const Tk_Item *item) { return itemHidden(canvas, item); },
        [canvas, width, height](Tk_Item *item, Display *display, Drawable target, int left,
                                int top) {
            item->typePtr->displayProc((Tk_Canvas)canvas, item, display, target, left, top, width,
                                       height);
        });
}

void canvasRegionToPixels(const CanvasInfo *info, int coordType, double x0, double y0, double x1,
                          double y1, double out[4])
{
    double ox = 0.0, oy = 0.0;
    if (info->kind == CANVAS_KIND_GCANVAS && info->widget != NULL) {
        GcanvasWidget *canvas = (GcanvasWidget *)info->widget;
        if (coordType != 0) {
            worldRectToScreen(canvas, x0, y0, x1, y1, out);
            return;
        }
        ox = canvas->xOrigin;
        oy = canvas->yOrigin;
    } else if (info->kind == CANVAS_KIND_TK && info->widget != NULL && coordType == 0) {
        ox = ((const TkCanvas *)info->widget)->xOrigin;
        oy = ((const TkCanvas *)info->widget)->yOrigin;
    }
    out[0] = (x0 < x1 ? x0 : x1) + ox;
    out[1] = (y0 < y1 ? y0 : y1) + oy;
    out[2] = (x0 < x1 ? x1 : x0) + ox;
    out[3] = (y0 < y1 ? y1 : y0) + oy;
}

/* Whether two rectangles share an edge or more (closed on both sides: a
 * one-pixel region at a box's edge still shows it). */
static int rectanglesMeet(const double *a, double x1, double y1, double x2, double y2)
{
    return a[0] <= x2 && x1 <= a[2] && a[1] <= y2 && y1 <= a[3];
}

int canvasRegionDrawable(const CanvasInfo *info, const double region[4])
{
    int x0, y0, x1, y1;
    int xOrigin = 0, yOrigin = 0;
    bool scrolls = false;
    double sx1 = 0, sy1 = 0, sx2 = 0, sy2 = 0;
    if (info->kind == CANVAS_KIND_GCANVAS && info->widget != NULL) {
        const GcanvasWidget *canvas = (const GcanvasWidget *)info->widget;
        xOrigin = canvas->xOrigin;
        yOrigin = canvas->yOrigin;
        scrolls = canvas->regionString != NULL && canvas->regionString[0] != '\0';
        sx1 = canvas->scrollX1, sy1 = canvas->scrollY1, sx2 = canvas->scrollX2, sy2 = canvas->scrollY2;
    } else if (info->kind == CANVAS_KIND_TK && info->widget != NULL) {
        const TkCanvas *canvas = (const TkCanvas *)info->widget;
        xOrigin = canvas->xOrigin;
        yOrigin = canvas->yOrigin;
        scrolls = canvas->regionString != NULL && canvas->regionString[0] != '\0';
        sx1 = canvas->scrollX1, sy1 = canvas->scrollY1, sx2 = canvas->scrollX2, sy2 = canvas->scrollY2;
    } else {
        return 0;
    }
    if (rectanglesMeet(region, xOrigin, yOrigin, (double)xOrigin + info->width,
                       (double)yOrigin + info->height)) {
        return 1;
    }
    if (scrolls && rectanglesMeet(region, sx1, sy1, sx2, sy2)) {
        return 1;
    }
    /* The items' box comes in window pixels. */
    return canvasItemsBBox(info, &x0, &y0, &x1, &y1)
           && rectanglesMeet(region, (double)x0 + xOrigin, (double)y0 + yOrigin,
                             (double)x1 + xOrigin, (double)y1 + yOrigin);
}

/* Runs every item's configure procedure again, as a change of the world
 * transform needs (boxes, fonts, line widths), without asking for a
 * redraw. */
static void reconfigureItems(GcanvasWidget *canvas)
{
    for (GcanvasItem *item = canvas->firstItemPtr; item != NULL; item = item->nextPtr) {
        if (item->typePtr->configProc(canvas->interp, canvas, item, 0, NULL, TK_CONFIG_ARGV_ONLY)
                != TCL_OK) {
            Tcl_ResetResult(canvas->interp);
        }
    }
}

/*
 *----------------------------------------------------------------------
 *
 * drawGcanvasAtScale --
 *
 *	Renders part of a gcanvas at a finer resolution (see
 *	canvas_render.h).
 *
 * Side effects:
 *	The items are configured twice (for the scaled transform, then for
 *	the canvas's own again) and the window is redrawn afterwards.
 *
 *----------------------------------------------------------------------
 */
Drawable drawGcanvasAtScale(Tcl_Interp *interp, const CanvasInfo *info, double left, double top,
                            double kx, double ky, int tx, int ty, int width, int height)
{
    if (info->kind != CANVAS_KIND_GCANVAS || info->widget == NULL) {
        notACanvas(interp);
        return None;
    }
    GcanvasWidget *canvas = (GcanvasWidget *)info->widget;
    if (!(kx > 0.0) || !(ky > 0.0) || !std::isfinite(kx) || !std::isfinite(ky)) {
        Tcl_SetResult(interp, fmt("Error in create pixmap: width %d height %d\n", width, height),
                      TCL_VOLATILE);
        return None;
    }
    double mx = canvas->mx, my = canvas->my, sx = canvas->sxOrigin, sy = canvas->syOrigin;
    double ratio = canvas->pixelRatio;
    int textMin = canvas->textSizeMin, textMax = canvas->textSizeMax;
    /* Scaled canvas pixels start at the region's corner, so that they stay
     * small numbers whatever the world's. */
    canvas->mx = mx * kx;
    canvas->my = my * ky;
    canvas->sxOrigin = (sx + left) * kx;
    canvas->syOrigin = (sy + top) * ky;
    canvas->pixelRatio = ratio * sqrt(kx * ky);
    canvas->textSizeMin = clampToInt(floor(textMin * sqrt(kx * ky)));
    canvas->textSizeMax = clampToInt(ceil(textMax * sqrt(kx * ky)));
    reconfigureItems(canvas);
    Drawable made = renderRegion(
        interp, None, info, canvas, canvas->firstItemPtr, tx, ty, width, height, 1, false,
        [canvas](GcanvasItem *item) {
            return gcanvasItemHidden(canvas, item) || item->typePtr == &gcanvasWindowType;
        },
        [canvas, width, height](GcanvasItem *item, Display *display, Drawable target, int x,
                                int y) {
            item->typePtr->displayProc(canvas, item, display, target, x, y, width, height);
        });
    canvas->mx = mx;
    canvas->my = my;
    canvas->sxOrigin = sx;
    canvas->syOrigin = sy;
    canvas->pixelRatio = ratio;
    canvas->textSizeMin = textMin;
    canvas->textSizeMax = textMax;
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    gcanvasWorldChanged((ClientData)canvas);
    Tcl_RestoreInterpState(interp, saved);
    return made;
}
