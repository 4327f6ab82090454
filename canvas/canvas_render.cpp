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
