/*
 * bitmap_item.cpp --
 *
 *	Bitmap items: a two-colour bitmap drawn at its pixel size at a point
 *	given in world units. The bitmap is never scaled; its anchor is
 *	mirrored along an axis whose scale is negative, so that it keeps its
 *	side of the point in world terms.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>
#include "canvas/gcanvas_outline.h"
#include "canvas/gcanvas_postscript.h"
#include "canvas/item_kit.h"
#include "canvas/point_item.h"
#include "core/rounding.h"

typedef struct BitmapItem {
    GcanvasItem header;
    double x, y;                /* world units: the anchor point */
    Tk_Anchor anchor;
    Pixmap bitmap, activeBitmap, disabledBitmap;
    XColor *fgColor, *activeFgColor, *disabledFgColor;
    XColor *bgColor, *activeBgColor, *disabledBgColor;   /* null: transparent */
    GC gc;
} BitmapItem;

#define BO(f) ((int)offsetof(BitmapItem, f))

static Tk_ConfigSpec configSpecs[] = {
    {TK_CONFIG_COLOR, "-activebackground", NULL, NULL, NULL, BO(activeBgColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-activebitmap", NULL, NULL, NULL, BO(activeBitmap), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-activeforeground", NULL, NULL, NULL, BO(activeFgColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_ANCHOR, "-anchor", NULL, NULL, "center", BO(anchor), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_COLOR, "-background", NULL, NULL, NULL, BO(bgColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-bitmap", NULL, NULL, NULL, BO(bitmap), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-disabledbackground", NULL, NULL, NULL, BO(disabledBgColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-disabledbitmap", NULL, NULL, NULL, BO(disabledBitmap), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-disabledforeground", NULL, NULL, NULL, BO(disabledFgColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-foreground", NULL, NULL, "black", BO(fgColor), 0, NULL},
    {TK_CONFIG_CUSTOM, "-state", NULL, NULL, NULL, BO(header.state), TK_CONFIG_NULL_OK, &gcanvasStateOption},
    {TK_CONFIG_CUSTOM, "-tags", NULL, NULL, NULL, 0, TK_CONFIG_NULL_OK, &gcanvasTagsOption},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

/* The bitmap and colours in use: active ones for the current item,
 * disabled ones for a disabled item, each only when set. */
static void effective(GcCanvas c, BitmapItem *b, Pixmap *bitmap, XColor **fg, XColor **bg)
{
    *bitmap = b->bitmap;
    *fg = b->fgColor;
    *bg = b->bgColor;
    if (gcanvasWidgetOf(c)->currentItemPtr == &b->header) {
        if (b->activeBitmap != None) *bitmap = b->activeBitmap;
        if (b->activeFgColor) *fg = b->activeFgColor;
        if (b->activeBgColor) *bg = b->activeBgColor;
    } else if (gcanvasItemState(c, &b->header) == GC_STATE_DISABLED) {
        if (b->disabledBitmap != None) *bitmap = b->disabledBitmap;
        if (b->disabledFgColor) *fg = b->disabledFgColor;
        if (b->disabledBgColor) *bg = b->disabledBgColor;
    }
}

static void bitmapComputeBbox(GcCanvas c, GcanvasItem *item)
{
    BitmapItem *b = (BitmapItem *)item;
    int px = clampToInt(worldToCanvasX(c, b->x)), py = clampToInt(worldToCanvasY(c, b->y));
    item->marginX = item->marginY = 0;
    Pixmap bitmap;
    XColor *fg, *bg;
    effective(c, b, &bitmap, &fg, &bg);
    if (gcanvasItemState(c, item) == GC_STATE_HIDDEN || bitmap == None) {
        item->x1 = item->x2 = px;
        item->y1 = item->y2 = py;
        return;
    }
    int w, h, dx, dy;
    Tk_SizeOfBitmap(c->display, bitmap, &w, &h);
    gcanvasMirroredAnchor(b->anchor, c->mx, c->my, w, h, &dx, &dy);
    item->x1 = (double)px + dx;
    item->y1 = (double)py + dy;
    item->x2 = item->x1 + w;
    item->y2 = item->y1 + h;
}

/* A GC for the bitmap in the given colours; without a background the
 * bitmap is its own clip mask, so that only its set bits paint. */
static GC bitmapGC(Tk_Window tkwin, Pixmap bitmap, XColor *fg, XColor *bg)
{
    XGCValues v;
    unsigned long mask = GCForeground;
    v.foreground = fg->pixel;
    if (bg != NULL) {
        v.background = bg->pixel;
        mask |= GCBackground;
    } else {
        v.clip_mask = bitmap;
        mask |= GCClipMask;
    }
    return Tk_GetGC(tkwin, mask, &v);
}

static int bitmapConfigure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                           int flags)
{
    BitmapItem *b = (BitmapItem *)item;
    Tk_Window tkwin = gcanvasTkwin(c);
    if (Tk_ConfigureWidget(interp, tkwin, configSpecs, objc, (const char **)objv, (char *)b,
                           flags | TK_CONFIG_OBJS) != TCL_OK) {
        return TCL_ERROR;
    }
    if (b->activeFgColor != NULL || b->activeBgColor != NULL || b->activeBitmap != None) {
        item->redraw_flags |= GC_ITEM_STATE_DEPENDANT;
    } else {
        item->redraw_flags &= ~GC_ITEM_STATE_DEPENDANT;
    }
    int state = gcanvasItemState(c, item);
    if (state == GC_STATE_HIDDEN) {
        bitmapComputeBbox(c, item);
        return TCL_OK;
    }
    Pixmap bitmap;
    XColor *fg, *bg;
    effective(c, b, &bitmap, &fg, &bg);
    /* A disabled item keeps the GC it had; one that never had a GC gets
     * one, so that a bitmap created disabled still draws. */
    if (bitmap == None || fg == NULL || (state == GC_STATE_DISABLED && b->gc != NULL)) {
        bitmapComputeBbox(c, item);
        return TCL_OK;
    }
    GC newGC = bitmapGC(tkwin, bitmap, fg, bg);
    if (b->gc != NULL) Tk_FreeGC(c->display, b->gc);
    b->gc = newGC;
    bitmapComputeBbox(c, item);
    return TCL_OK;
}

static void bitmapDelete(GcCanvas c, GcanvasItem *item, Display *display)
{
    BitmapItem *b = (BitmapItem *)item;
    (void)c;
    Pixmap maps[3] = {b->bitmap, b->activeBitmap, b->disabledBitmap};
    for (int i = 0; i < 3; i++) {
        if (maps[i] != None) Tk_FreeBitmap(display, maps[i]);
    }
    XColor *colors[6] = {b->fgColor, b->activeFgColor, b->disabledFgColor,
                         b->bgColor, b->activeBgColor, b->disabledBgColor};
    for (int i = 0; i < 6; i++) {
        if (colors[i] != NULL) Tk_FreeColor(colors[i]);
    }
    if (b->gc != NULL) Tk_FreeGC(display, b->gc);
}

static int bitmapCoords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    BitmapItem *b = (BitmapItem *)item;
    if (gcanvasPointCoords(interp, c, objc, objv, &b->x, &b->y) != TCL_OK) return TCL_ERROR;
    if (objc != 0) bitmapComputeBbox(c, item);
    return TCL_OK;
}

static int bitmapCreate(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    BitmapItem *b = (BitmapItem *)item;
    int numCoords = gcanvasPointCreateWords(interp, c, item, objc, objv);
    if (numCoords < 0) return TCL_ERROR;
    b->anchor = TK_ANCHOR_CENTER;
    b->bitmap = b->activeBitmap = b->disabledBitmap = None;
    b->fgColor = b->activeFgColor = b->disabledFgColor = NULL;
    b->bgColor = b->activeBgColor = b->disabledBgColor = NULL;
    b->gc = NULL;
    if (bitmapCoords(interp, c, item, numCoords, objv) != TCL_OK
            || bitmapConfigure(interp, c, item, objc - numCoords, objv + numCoords, 0) != TCL_OK) {
        bitmapDelete(c, item, c->display);
        return TCL_ERROR;
    }
    return TCL_OK;
}

static void bitmapDisplay(GcCanvas c, GcanvasItem *item, Display *d, Drawable drawable, int rx, int ry, int rw,
                          int rh)
{
    BitmapItem *b = (BitmapItem *)item;
    Pixmap bitmap;
    XColor *fg, *bg;
    effective(c, b, &bitmap, &fg, &bg);
    if (bitmap == None || b->gc == NULL) return;
    double x1 = item->x1, y1 = item->y1, x2 = item->x2, y2 = item->y2;
    int sx, sy, w, h;
    if (rx > x1) {
        sx = clampToInt(rx - x1);
        w = clampToInt(x2 - rx);
    } else {
        sx = 0;
        w = rx + rw < x2 ? clampToInt(rx + rw - x1) : clampToInt(x2 - x1);
    }
    if (ry > y1) {
        sy = clampToInt(ry - y1);
        h = clampToInt(y2 - ry);
    } else {
        sy = 0;
        h = ry + rh < y2 ? clampToInt(ry + rh - y1) : clampToInt(y2 - y1);
    }
    if (w <= 0 || h <= 0) return;
    GcanvasWidget *wdg = gcanvasWidgetOf(c);
    int dx = gcanvasDrawableCoords(wdg->drawableXOrigin, x1 + sx);
    int dy = gcanvasDrawableCoords(wdg->drawableYOrigin, y1 + sy);
    XSetClipOrigin(d, b->gc, dx - sx, dy - sy);
    XCopyPlane(d, bitmap, drawable, b->gc, sx, sy, (unsigned)w, (unsigned)h, dx, dy, 1);
    XSetClipOrigin(d, b->gc, 0, 0);
}

static double bitmapToPoint(GcCanvas c, GcanvasItem *item, double *p)
{
    (void)c;
    return gcanvasBoxDistance(item, p);
}

static int bitmapToArea(GcCanvas c, GcanvasItem *item, double *rect)
{
    (void)c;
    double r[4] = {rect[0], rect[1], rect[2], rect[3]};
    double t;
    if (r[2] < r[0]) { t = r[0]; r[0] = r[2]; r[2] = t; }
    if (r[3] < r[1]) { t = r[1]; r[1] = r[3]; r[3] = t; }
    return gcanvasBoxArea(item, r);
}

static void bitmapScale(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy)
{
    BitmapItem *b = (BitmapItem *)item;
    b->x = ox + sx * (b->x - ox);
    b->y = oy + sy * (b->y - oy);
    bitmapComputeBbox(c, item);
}

static void bitmapTranslate(GcCanvas c, GcanvasItem *item, double dx, double dy)
{
    BitmapItem *b = (BitmapItem *)item;
    b->x += dx;
    b->y += dy;
    bitmapComputeBbox(c, item);
}

static int bitmapPostscript(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int prepass)
{
    (void)prepass;
    BitmapItem *b = (BitmapItem *)item;
    if (b->bitmap == None) return TCL_OK;
    double x = worldToCanvasX(c, b->x);
    double y = gcanvasPsY(c, worldToCanvasY(c, b->y));
    int w, h;
    Tk_SizeOfBitmap(c->display, b->bitmap, &w, &h);
    gcanvasPsAnchorCorner(b->anchor, w, h, &x, &y);
    char buf[200];
    if (b->bgColor != NULL) {
        snprintf(buf, sizeof buf, "%.15g %.15g moveto %d 0 rlineto 0 %d rlineto %d %s\n", x, y, w, h, -w,
                 "0 rlineto closepath");
        Tcl_AppendResult(interp, buf, (char *)NULL);
        if (gcanvasPsColor(interp, c, b->bgColor) != TCL_OK) return TCL_ERROR;
        Tcl_AppendResult(interp, "fill\n", (char *)NULL);
    }
    if (b->fgColor != NULL) {
        if (gcanvasPsColor(interp, c, b->fgColor) != TCL_OK) return TCL_ERROR;
        if (w > 60000) {
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "can't generate Postscript", " for bitmaps more than 60000 pixels wide",
                             (char *)NULL);
            return TCL_ERROR;
        }
        int rowsAtOnce = w > 0 ? 60000 / w : 1;
        if (rowsAtOnce < 1) rowsAtOnce = 1;
        snprintf(buf, sizeof buf, "%.15g %.15g translate\n", x, y + h);
        Tcl_AppendResult(interp, buf, (char *)NULL);
        for (int row = 0; row < h; row += rowsAtOnce) {
            int rows = h - row < rowsAtOnce ? h - row : rowsAtOnce;
            snprintf(buf, sizeof buf, "0 -%.15g translate\n%d %d true matrix {\n", (double)rows, w, rows);
            Tcl_AppendResult(interp, buf, (char *)NULL);
            if (gcanvasPsBitmap(interp, c, b->bitmap, 0, row, w, rows) != TCL_OK) return TCL_ERROR;
            Tcl_AppendResult(interp, "\n} imagemask\n", (char *)NULL);
        }
    }
    return TCL_OK;
}

GcanvasItemType gcanvasBitmapType = {
    "bitmap", sizeof(BitmapItem), bitmapCreate, configSpecs, bitmapConfigure, bitmapCoords, bitmapDelete,
    bitmapDisplay, GC_TYPE_OBJECTS, bitmapToPoint, bitmapToArea, bitmapPostscript, bitmapScale,
    bitmapTranslate, NULL, NULL, NULL, NULL, NULL, bitmapComputeBbox};
