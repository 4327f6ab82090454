/*
 * window_item.cpp --
 *
 *	Window items: another Tk window placed at a world point and anchored
 *	to it, its geometry managed by the "canvas" geometry manager. The
 *	anchor is mirrored along an axis whose scale is negative, so that a
 *	window keeps its side of the point when the world axes are flipped.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <X11/Xutil.h>
#include "canvas/gcanvas_outline.h"
#include "canvas/gcanvas_postscript.h"
#include "canvas/item_kit.h"
#include "canvas/point_item.h"
#include "core/rounding.h"
#include "display/windraw/drawable_image.h"

/* Tk's flag of windows at the top of a hierarchy (top-levels, menus,
 * embedded windows); from Tk's private tkInt.h. */
#ifndef TK_TOP_HIERARCHY
#define TK_TOP_HIERARCHY 0x20000
#endif

typedef struct WindowItem {
    GcanvasItem header;
    double x, y;                /* world units: the anchor point */
    Tk_Window tkwin;            /* the managed window, or null */
    int width, height;          /* <= 0: the window's requested size */
    Tk_Anchor anchor;
    GcCanvas canvas;
} WindowItem;

#define WO(f) ((int)offsetof(WindowItem, f))

static Tk_ConfigSpec configSpecs[] = {
    {TK_CONFIG_ANCHOR, "-anchor", NULL, NULL, "center", WO(anchor), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_PIXELS, "-height", NULL, NULL, "0", WO(height), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-state", NULL, NULL, NULL, WO(header.state), TK_CONFIG_NULL_OK, &gcanvasStateOption},
    {TK_CONFIG_CUSTOM, "-tags", NULL, NULL, NULL, 0, TK_CONFIG_NULL_OK, &gcanvasTagsOption},
    {TK_CONFIG_PIXELS, "-width", NULL, NULL, "0", WO(width), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_WINDOW, "-window", NULL, NULL, NULL, WO(tkwin), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

static void windowItemRequest(ClientData clientData, Tk_Window tkwin);
static void windowItemLostSlave(ClientData clientData, Tk_Window tkwin);

static const Tk_GeomMgr canvasGeomMgr = {"canvas", windowItemRequest, windowItemLostSlave};

static int isTopHierarchy(Tk_Window w)
{
    return Tk_IsTopLevel(w) || (((Tk_FakeWin *)w)->flags & TK_TOP_HIERARCHY);
}

static void windowItemComputeBbox(GcCanvas c, GcanvasItem *item)
{
    WindowItem *wi = (WindowItem *)item;
    int px = roundToInt(worldToCanvasX(c, wi->x)), py = roundToInt(worldToCanvasY(c, wi->y));
    item->marginX = item->marginY = 0;
    if (wi->tkwin == NULL || gcanvasItemState(c, item) == GC_STATE_HIDDEN) {
        item->x1 = px;
        item->y1 = py;
        item->x2 = (double)px + 1;
        item->y2 = (double)py + 1;
        return;
    }
    int w = wi->width > 0 ? wi->width : Tk_ReqWidth(wi->tkwin);
    int h = wi->height > 0 ? wi->height : Tk_ReqHeight(wi->tkwin);
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    int dx, dy;
    gcanvasMirroredAnchor(wi->anchor, c->mx, c->my, w, h, &dx, &dy);
    item->x1 = (double)px + dx;
    item->y1 = (double)py + dy;
    item->x2 = item->x1 + w;
    item->y2 = item->y1 + h;
}

/* Moves, maps or unmaps the window after the item's box; the drawable is
 * not used, since the window draws itself. */
static void windowItemDisplay(GcCanvas c, GcanvasItem *item, Display *d, Drawable drawable, int, int, int, int)
{
    WindowItem *wi = (WindowItem *)item;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    (void)d;
    (void)drawable;
    Tk_Window canvasTkwin = w->tkwin;
    if (wi->tkwin == NULL || canvasTkwin == NULL) return;
    if (gcanvasItemState(c, item) == GC_STATE_HIDDEN) {
        Tk_UnmapWindow(wi->tkwin);
        return;
    }
    int x = gcanvasDrawableCoords(w->xOrigin, item->x1);
    int y = gcanvasDrawableCoords(w->yOrigin, item->y1);
    int width = roundToInt(item->x2 - item->x1);
    int height = roundToInt(item->y2 - item->y1);
    int isParent = canvasTkwin == Tk_Parent(wi->tkwin);
    if (x + width <= 0 || y + height <= 0 || x >= Tk_Width(canvasTkwin) || y >= Tk_Height(canvasTkwin)) {
        if (isParent) {
            Tk_UnmapWindow(wi->tkwin);
        } else {
            Tk_UnmaintainGeometry(wi->tkwin, canvasTkwin);
        }
        return;
    }
    if (isParent) {
        if (x != Tk_X(wi->tkwin) || y != Tk_Y(wi->tkwin) || width != Tk_Width(wi->tkwin)
                || height != Tk_Height(wi->tkwin)) {
            /* The move runs the window's <Configure> bindings, which may
             * destroy the window (the structure handler then clears
             * tkwin) or delete this very item. */
            Tcl_Preserve((ClientData)wi);
            Tk_MoveResizeWindow(wi->tkwin, x, y, width, height);
            int gone = wi->tkwin == NULL;
            Tcl_Release((ClientData)wi);
            if (gone) return;
        }
        Tk_MapWindow(wi->tkwin);
    } else {
        Tk_MaintainGeometry(wi->tkwin, canvasTkwin, x, y, width, height);
    }
}

static void windowItemComputeBbox(GcCanvas c, GcanvasItem *item);

/* A window destroyed behind the item's back leaves a 1 x 1 box. */
static void windowItemStructureProc(ClientData clientData, XEvent *eventPtr)
{
    WindowItem *wi = (WindowItem *)clientData;
    if (eventPtr->type == DestroyNotify) {
        wi->tkwin = NULL;
        windowItemComputeBbox(wi->canvas, &wi->header);
    }
}

static void windowItemRequest(ClientData clientData, Tk_Window tkwin)
{
    WindowItem *wi = (WindowItem *)clientData;
    (void)tkwin;
    windowItemComputeBbox(wi->canvas, &wi->header);
    windowItemDisplay(wi->canvas, &wi->header, NULL, None, 0, 0, 0, 0);
}

/* Lets go of the window: no handler, no geometry management, unmapped. */
static void releaseWindow(WindowItem *wi, int giveUpManager)
{
    Tk_Window canvasTkwin = gcanvasWidgetOf(wi->canvas)->tkwin;
    Tk_DeleteEventHandler(wi->tkwin, StructureNotifyMask, windowItemStructureProc, (ClientData)wi);
    if (giveUpManager) Tk_ManageGeometry(wi->tkwin, NULL, NULL);
    if (canvasTkwin != Tk_Parent(wi->tkwin)) Tk_UnmaintainGeometry(wi->tkwin, canvasTkwin);
    Tk_UnmapWindow(wi->tkwin);
}

static void windowItemLostSlave(ClientData clientData, Tk_Window tkwin)
{
    WindowItem *wi = (WindowItem *)clientData;
    (void)tkwin;
    if (wi->tkwin == NULL) return;
    releaseWindow(wi, 0);
    wi->tkwin = NULL;
    windowItemComputeBbox(wi->canvas, &wi->header);
}

static int windowItemConfigure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc,
                               Tcl_Obj *const objv[], int flags)
{
    WindowItem *wi = (WindowItem *)item;
    Tk_Window oldWindow = wi->tkwin;
    Tk_Window canvasTkwin = gcanvasTkwin(c);
    if (Tk_ConfigureWidget(interp, canvasTkwin, configSpecs, objc, (const char **)objv, (char *)wi,
                           flags | TK_CONFIG_OBJS) != TCL_OK) {
        return TCL_ERROR;
    }
    if (oldWindow != wi->tkwin) {
        if (oldWindow != NULL) {
            Tk_Window newWindow = wi->tkwin;
            wi->tkwin = oldWindow;
            releaseWindow(wi, 1);
            wi->tkwin = newWindow;
        }
        if (wi->tkwin != NULL) {
            /* The window must be a child of the canvas or of one of its
             * ancestors, reached without crossing a top-level. */
            Tk_Window parent = Tk_Parent(wi->tkwin);
            int bad = isTopHierarchy(wi->tkwin) || wi->tkwin == canvasTkwin;
            for (Tk_Window ancestor = canvasTkwin; !bad; ancestor = Tk_Parent(ancestor)) {
                if (ancestor == parent) break;
                if (ancestor == NULL || isTopHierarchy(ancestor)) bad = 1;
            }
            if (bad) {
                Tcl_ResetResult(interp);
                Tcl_AppendResult(interp, "can't use ", Tk_PathName(wi->tkwin), " in a window item of this canvas",
                                 (char *)NULL);
                wi->tkwin = NULL;
                windowItemComputeBbox(c, item);
                return TCL_ERROR;
            }
            Tk_CreateEventHandler(wi->tkwin, StructureNotifyMask, windowItemStructureProc, (ClientData)wi);
            Tk_ManageGeometry(wi->tkwin, &canvasGeomMgr, (ClientData)wi);
        }
    }
    windowItemComputeBbox(c, item);
    return TCL_OK;
}

static void windowItemDelete(GcCanvas c, GcanvasItem *item, Display *display)
{
    WindowItem *wi = (WindowItem *)item;
    (void)c;
    (void)display;
    if (wi->tkwin != NULL) {
        releaseWindow(wi, 1);
        wi->tkwin = NULL;
    }
}

static int windowItemCoords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    WindowItem *wi = (WindowItem *)item;
    if (gcanvasPointCoords(interp, c, objc, objv, &wi->x, &wi->y) != TCL_OK) return TCL_ERROR;
    if (objc != 0) windowItemComputeBbox(c, item);
    return TCL_OK;
}

static int windowItemCreate(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    WindowItem *wi = (WindowItem *)item;
    int numCoords = gcanvasPointCreateWords(interp, c, item, objc, objv);
    if (numCoords < 0) return TCL_ERROR;
    wi->tkwin = NULL;
    wi->width = wi->height = 0;
    wi->anchor = TK_ANCHOR_CENTER;
    wi->canvas = c;
    if (windowItemCoords(interp, c, item, numCoords, objv) != TCL_OK
            || windowItemConfigure(interp, c, item, objc - numCoords, objv + numCoords, 0) != TCL_OK) {
        windowItemDelete(c, item, c->display);
        return TCL_ERROR;
    }
    return TCL_OK;
}

static double windowItemToPoint(GcCanvas c, GcanvasItem *item, double *p)
{
    (void)c;
    double dx = p[0] < item->x1 ? item->x1 - p[0] : p[0] >= item->x2 ? p[0] + 1 - item->x2 : 0.0;
    double dy = p[1] < item->y1 ? item->y1 - p[1] : p[1] >= item->y2 ? p[1] + 1 - item->y2 : 0.0;
    return hypot(dx, dy);
}

static int windowItemToArea(GcCanvas c, GcanvasItem *item, double *r)
{
    (void)c;
    return gcanvasBoxArea(item, r);
}

static void windowItemScale(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy)
{
    WindowItem *wi = (WindowItem *)item;
    wi->x = ox + sx * (wi->x - ox);
    wi->y = oy + sy * (wi->y - oy);
    if (wi->width > 0) wi->width = clampToInt(sx * wi->width);
    if (wi->height > 0) wi->height = clampToInt(sy * wi->height);
    windowItemComputeBbox(c, item);
}

static void windowItemTranslate(GcCanvas c, GcanvasItem *item, double dx, double dy)
{
    WindowItem *wi = (WindowItem *)item;
    wi->x += dx;
    wi->y += dy;
    windowItemComputeBbox(c, item);
}

/* The window's pixels as an image, when the window's own command offers
 * no PostScript. */
static int windowPixelsPostscript(Tcl_Interp *interp, GcCanvas c, Tk_Window tkwin, int w, int h)
{
    Display *d = Tk_Display(tkwin);
    if (w <= 0 || h <= 0 || Tk_WindowId(tkwin) == None) return TCL_OK;
    /* An unviewable window answers XGetImage with an error, which must
     * not reach Xlib's default handler. */
    DrawableImage read;
    if (!readDrawableImage(d, Tk_WindowId(tkwin), Tk_Visual(tkwin), Tk_Depth(tkwin), 0, 0,
                           (unsigned)w, (unsigned)h, &read)) {
        return TCL_OK;
    }
    int status = gcanvasPsImage(interp, c, read.image, 0, 0, w, h);
    freeDrawableImage(d, &read);
    return status;
}

static int windowItemPostscript(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int prepass)
{
    WindowItem *wi = (WindowItem *)item;
    Tk_Window tkwin = wi->tkwin;
    if (prepass || tkwin == NULL) return TCL_OK;
    int w = Tk_Width(tkwin), h = Tk_Height(tkwin);
    double x = worldToCanvasX(c, wi->x);
    double y = gcanvasPsY(c, worldToCanvasY(c, wi->y));
    gcanvasPsAnchorCorner(wi->anchor, w, h, &x, &y);

    Tcl_DString ds;
    Tcl_DStringInit(&ds);
    char buf[200];
    const char *cls = Tk_Class(tkwin);
    Tcl_DStringAppend(&ds, "\n%% ", -1);
    Tcl_DStringAppend(&ds, cls ? cls : "", -1);
    Tcl_DStringAppend(&ds, " item (", -1);
    Tcl_DStringAppend(&ds, Tk_PathName(tkwin), -1);
    snprintf(buf, sizeof buf, ", %d x %d)\n%.15g %.15g translate\n", w, h, x, y);
    Tcl_DStringAppend(&ds, buf, -1);
    Tcl_AppendResult(interp, Tcl_DStringValue(&ds), (char *)NULL);
    Tcl_DStringFree(&ds);

    /* The window's own PostScript, if its command writes any; the document
     * so far waits in a saved result. */
    Tcl_Obj *saved = Tcl_GetObjResult(interp);
    Tcl_IncrRefCount(saved);
    Tcl_ResetResult(interp);
    Tcl_DStringInit(&ds);
    Tcl_DStringAppend(&ds, Tk_PathName(tkwin), -1);
    Tcl_DStringAppend(&ds, " postscript -prolog 0\n", -1);
    int code = Tcl_EvalEx(interp, Tcl_DStringValue(&ds), -1, TCL_EVAL_GLOBAL);
    Tcl_DStringFree(&ds);
    Tcl_Obj *own = Tcl_GetObjResult(interp);
    Tcl_IncrRefCount(own);
    Tcl_SetObjResult(interp, saved);
    Tcl_DecrRefCount(saved);

    int status = TCL_OK;
    if (code == TCL_OK) {
        snprintf(buf, sizeof buf, "0 %d moveto %d 0 rlineto 0 -%d rlineto -%d", h, w, h, w);
        Tcl_AppendResult(interp, "50 dict begin\nsave\ngsave\n", buf, " 0 rlineto closepath\n",
                         "1.000 1.000 1.000 setrgbcolor AdjustColor\nfill\ngrestore\n", Tcl_GetString(own),
                         "\nrestore\nend\n\n\n", (char *)NULL);
    } else if (wi->tkwin != NULL) {
        status = windowPixelsPostscript(interp, c, wi->tkwin, w, h);
    }
    Tcl_DecrRefCount(own);
    return status;
}

GcanvasItemType gcanvasWindowType = {
    "window", sizeof(WindowItem), windowItemCreate, configSpecs, windowItemConfigure, windowItemCoords,
    windowItemDelete, windowItemDisplay, GC_TYPE_OBJECTS | GC_TYPE_ALWAYS_REDRAW, windowItemToPoint,
    windowItemToArea, windowItemPostscript, windowItemScale, windowItemTranslate, NULL, NULL, NULL, NULL, NULL,
    windowItemComputeBbox};
