/*
 * image_item.cpp --
 *
 *	Image items: a Tk image with a corner or side anchored at a world
 *	point. With -scalable the item asks its image to follow the world
 *	scale whenever its box is computed: a "tulx" image through its own
 *	magnify subcommand, any other image through -magnifycommand. The
 *	PostScript form renders the image into a pixmap and writes its
 *	pixels, since images offer no PostScript of their own.
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
#include "display/windraw/x_error_trap.h"

typedef struct ImageItem {
    GcanvasItem header;
    GcCanvas canvas;            /* for the image-changed callback */
    double x, y;                /* world units: the anchor point */
    Tk_Anchor anchor;
    char *imageString, *activeImageString, *disabledImageString;
    Tk_Image image, activeImage, disabledImage;
    char *magnifyCommand;
    int deleted;                /* set by the delete procedure; read while a script runs */
} ImageItem;

#define IO(f) ((int)offsetof(ImageItem, f))

static Tk_ConfigSpec configSpecs[] = {
    {TK_CONFIG_STRING, "-activeimage", NULL, NULL, NULL, IO(activeImageString), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_ANCHOR, "-anchor", NULL, NULL, "center", IO(anchor), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_STRING, "-disabledimage", NULL, NULL, NULL, IO(disabledImageString), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_STRING, "-image", NULL, NULL, NULL, IO(imageString), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-state", NULL, NULL, NULL, IO(header.state), TK_CONFIG_NULL_OK, &gcanvasStateOption},
    {TK_CONFIG_INT, "-scalable", NULL, NULL, "0", IO(header.scalable), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-tags", NULL, NULL, NULL, 0, TK_CONFIG_NULL_OK, &gcanvasTagsOption},
    {TK_CONFIG_STRING, "-magnifycommand", NULL, NULL, NULL, IO(magnifyCommand), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

/* The image to show: the active one for the current item, the disabled
 * one for a disabled item, each only when set. */
static Tk_Image shownImage(GcCanvas c, ImageItem *ii)
{
    if (gcanvasWidgetOf(c)->currentItemPtr == &ii->header && ii->activeImage != NULL) {
        return ii->activeImage;
    }
    if (gcanvasItemState(c, &ii->header) == GC_STATE_DISABLED && ii->disabledImage != NULL) {
        return ii->disabledImage;
    }
    return ii->image;
}

/* A scale written as the magnify requests write it: six decimals. */
/* Scales go over as text at full precision: rounded to a few decimals
 * they would size the image a pixel off at map scales. */
static void appendScale(Tcl_DString *ds, double v)
{
    char buf[TCL_DOUBLE_SPACE + 1];
    Tcl_PrintDouble(NULL, v, buf);
    Tcl_DStringAppend(ds, " ", 1);
    Tcl_DStringAppend(ds, buf, -1);
}

/*
 * requestMagnification --
 *	Asks the image to follow the widget's scales. The texts are built
 *	without a length bound; the image name goes in as one word, so that
 *	a name with spaces or brackets is never taken for script. Scripts run
 *	at global level, whatever procedure changed the item. Returns 0 when
 *	a script deleted the item meanwhile.
 */
static int requestMagnification(GcCanvas c, ImageItem *ii)
{
    Tcl_Interp *interp = c->interp;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    Tcl_Preserve((ClientData)ii);
    Tcl_Preserve((ClientData)w);
    if (ii->magnifyCommand != NULL) {
        Tcl_DString ds;
        Tcl_DStringInit(&ds);
        Tcl_DStringAppend(&ds, ii->magnifyCommand, -1);
        appendScale(&ds, c->mx);
        appendScale(&ds, c->my);
        (void)Tcl_EvalEx(interp, Tcl_DStringValue(&ds), Tcl_DStringLength(&ds), TCL_EVAL_GLOBAL);
        Tcl_DStringFree(&ds);
    } else if (ii->imageString != NULL) {
        Tcl_Obj *name = Tcl_NewStringObj(ii->imageString, -1);
        Tcl_IncrRefCount(name);
        Tcl_Obj *typeWords[3] = {Tcl_NewStringObj("image", -1), Tcl_NewStringObj("type", -1), name};
        for (int i = 0; i < 2; i++) Tcl_IncrRefCount(typeWords[i]);
        int code = Tcl_EvalObjv(interp, 3, typeWords, TCL_EVAL_GLOBAL);
        for (int i = 0; i < 2; i++) Tcl_DecrRefCount(typeWords[i]);
        if (code == TCL_OK && strcmp(Tcl_GetStringResult(interp), "tulx") == 0 && !ii->deleted) {
            Tcl_Obj *words[6] = {name, Tcl_NewStringObj("magnify", -1), Tcl_NewDoubleObj(c->mx),
                                 Tcl_NewDoubleObj(c->my), Tcl_NewIntObj(0), Tcl_NewIntObj(1)};
            for (int i = 1; i < 6; i++) Tcl_IncrRefCount(words[i]);
            if (Tcl_EvalObjv(interp, 6, words, TCL_EVAL_GLOBAL) == TCL_OK) Tcl_ResetResult(interp);
            for (int i = 1; i < 6; i++) Tcl_DecrRefCount(words[i]);
        } else {
            Tcl_ResetResult(interp);
        }
        Tcl_DecrRefCount(name);
    }
    int alive = !ii->deleted && w->tkwin != NULL;
    Tcl_Release((ClientData)w);
    Tcl_Release((ClientData)ii);
    return alive;
}

static void imageComputeBbox(GcCanvas c, GcanvasItem *item)
{
    ImageItem *ii = (ImageItem *)item;
    if (item->scalable && !requestMagnification(c, ii)) return;
    int px = roundToInt(worldToCanvasX(c, ii->x)), py = roundToInt(worldToCanvasY(c, ii->y));
    item->marginX = item->marginY = 0;
    Tk_Image image = shownImage(c, ii);
    if (gcanvasItemState(c, item) == GC_STATE_HIDDEN || image == NULL) {
        item->x1 = item->x2 = px;
        item->y1 = item->y2 = py;
        return;
    }
    int w, h;
    Tk_SizeOfImage(image, &w, &h);
    int dx, dy;
    switch (ii->anchor) {
    case TK_ANCHOR_NW: dx = 0; dy = 0; break;
    case TK_ANCHOR_N: dx = -(w / 2); dy = 0; break;
    case TK_ANCHOR_NE: dx = -w; dy = 0; break;
    case TK_ANCHOR_E: dx = -w; dy = -(h / 2); break;
    case TK_ANCHOR_SE: dx = -w; dy = -h; break;
    case TK_ANCHOR_S: dx = -(w / 2); dy = -h; break;
    case TK_ANCHOR_SW: dx = 0; dy = -h; break;
    case TK_ANCHOR_W: dx = 0; dy = -(h / 2); break;
    default: dx = -(w / 2); dy = -(h / 2); break;
    }
    item->x1 = (double)px + dx;
    item->y1 = (double)py + dy;
    item->x2 = item->x1 + w;
    item->y2 = item->y1 + h;
}

/* Tk's image manager calls this when the image changes. */
static void imageChangedProc(ClientData clientData, int x, int y, int width, int height, int imgWidth,
                             int imgHeight)
{
    ImageItem *ii = (ImageItem *)clientData;
    GcanvasItem *item = &ii->header;
    GcCanvas c = ii->canvas;
    if (item->x2 - item->x1 != imgWidth || item->y2 - item->y1 != imgHeight) {
        x = y = 0;
        width = imgWidth;
        height = imgHeight;
        gcanvasEventuallyRedraw(c, item->x1, item->y1, item->x2, item->y2, 1);
    }
    Tcl_Preserve((ClientData)ii);
    imageComputeBbox(c, item);
    if (!ii->deleted) {
        gcanvasEventuallyRedraw(c, item->x1 + x, item->y1 + y, clampToInt(item->x1 + x + width),
                                clampToInt(item->y1 + y + height), 1);
    }
    Tcl_Release((ClientData)ii);
}

/* Replaces *slot by an instance of the named image, or by none. */
static int acquireImage(Tcl_Interp *interp, Tk_Window tkwin, ImageItem *ii, const char *name, Tk_Image *slot)
{
    Tk_Image image = NULL;
    if (name != NULL) {
        image = Tk_GetImage(interp, tkwin, name, imageChangedProc, (ClientData)ii);
        if (image == NULL) return TCL_ERROR;
    }
    if (*slot != NULL) Tk_FreeImage(*slot);
    *slot = image;
    return TCL_OK;
}

static int imageConfigure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                          int flags)
{
    ImageItem *ii = (ImageItem *)item;
    Tk_Window tkwin = gcanvasTkwin(c);
    if (Tk_ConfigureWidget(interp, tkwin, configSpecs, objc, (const char **)objv, (char *)ii,
                           flags | TK_CONFIG_OBJS) != TCL_OK) {
        return TCL_ERROR;
    }
    if (ii->activeImageString != NULL) {
        item->redraw_flags |= GC_ITEM_STATE_DEPENDANT;
    } else {
        item->redraw_flags &= ~GC_ITEM_STATE_DEPENDANT;
    }
    /* Options given as empty strings read back as none. */
    char **names[3] = {&ii->imageString, &ii->activeImageString, &ii->disabledImageString};
    for (int i = 0; i < 3; i++) {
        if (*names[i] != NULL && (*names[i])[0] == '\0') {
            ckfree(*names[i]);
            *names[i] = NULL;
        }
    }
    if (acquireImage(interp, tkwin, ii, ii->imageString, &ii->image) != TCL_OK
            || acquireImage(interp, tkwin, ii, ii->activeImageString, &ii->activeImage) != TCL_OK
            || acquireImage(interp, tkwin, ii, ii->disabledImageString, &ii->disabledImage) != TCL_OK) {
        return TCL_ERROR;
    }
    imageComputeBbox(c, item);
    return TCL_OK;
}

static void imageDelete(GcCanvas c, GcanvasItem *item, Display *display)
{
    ImageItem *ii = (ImageItem *)item;
    (void)display;
    ii->deleted = 1;
    Tk_Image images[3] = {ii->image, ii->activeImage, ii->disabledImage};
    ii->image = ii->activeImage = ii->disabledImage = NULL;
    for (int i = 0; i < 3; i++) {
        if (images[i] != NULL) Tk_FreeImage(images[i]);
    }
    Tk_FreeOptions(configSpecs, (char *)ii, c->display, 0);
}

static int imageCoords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    ImageItem *ii = (ImageItem *)item;
    if (gcanvasPointCoords(interp, c, objc, objv, &ii->x, &ii->y) != TCL_OK) return TCL_ERROR;
    if (objc != 0) imageComputeBbox(c, item);
    return TCL_OK;
}

static int imageCreate(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    ImageItem *ii = (ImageItem *)item;
    int numCoords = gcanvasPointCreateWords(interp, c, item, objc, objv);
    if (numCoords < 0) return TCL_ERROR;
    ii->canvas = c;
    ii->anchor = TK_ANCHOR_CENTER;
    ii->imageString = ii->activeImageString = ii->disabledImageString = NULL;
    ii->image = ii->activeImage = ii->disabledImage = NULL;
    ii->magnifyCommand = NULL;
    ii->deleted = 0;
    if (imageCoords(interp, c, item, numCoords, objv) != TCL_OK
            || imageConfigure(interp, c, item, objc - numCoords, objv + numCoords, 0) != TCL_OK) {
        imageDelete(c, item, c->display);
        return TCL_ERROR;
    }
    return TCL_OK;
}

static void imageDisplay(GcCanvas c, GcanvasItem *item, Display *d, Drawable drawable, int x, int y, int width,
                         int height)
{
    ImageItem *ii = (ImageItem *)item;
    (void)d;
    Tk_Image image = shownImage(c, ii);
    if (image == NULL || width <= 0 || height <= 0) return;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    int drawX = gcanvasDrawableCoords(w->drawableXOrigin, x);
    int drawY = gcanvasDrawableCoords(w->drawableYOrigin, y);
    Tk_RedrawImage(image, clampToInt(x - item->x1), clampToInt(y - item->y1), width, height, drawable, drawX,
                   drawY);
}

static double imageToPoint(GcCanvas c, GcanvasItem *item, double *p)
{
    (void)c;
    return gcanvasBoxDistance(item, p);
}

static int imageToArea(GcCanvas c, GcanvasItem *item, double *r)
{
    (void)c;
    return gcanvasBoxArea(item, r);
}

static void imageScale(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy)
{
    ImageItem *ii = (ImageItem *)item;
    ii->x = ox + sx * (ii->x - ox);
    ii->y = oy + sy * (ii->y - oy);
    imageComputeBbox(c, item);
}

static void imageTranslate(GcCanvas c, GcanvasItem *item, double dx, double dy)
{
    ImageItem *ii = (ImageItem *)item;
    ii->x += dx;
    ii->y += dy;
    imageComputeBbox(c, item);
}

/*
 * imagePostscriptImage --
 *	The image's pixels over white, read back from a pixmap and written
 *	as a PostScript image at the current origin.
 */
static int imagePostscriptImage(Tcl_Interp *interp, GcCanvas c, Tk_Image image, int w, int h)
{
    Tk_Window tkwin = gcanvasTkwin(c);
    Display *d = Tk_Display(tkwin);
    Tk_MakeWindowExist(tkwin);
    /* Pixmap or read-back failures arrive as X errors; they end in no
     * image, never in Xlib's default handler. */
    Pixmap pixmap = trappedPixmap(d, Tk_WindowId(tkwin), w, h, Tk_Depth(tkwin));
    if (pixmap == None) return TCL_OK;
    Tk_ErrorHandler handler = Tk_CreateErrorHandler(d, -1, -1, -1, NULL, NULL);
    XGCValues v;
    v.foreground = WhitePixelOfScreen(Tk_Screen(tkwin));
    GC gc = Tk_GetGC(tkwin, GCForeground, &v);
    if (gc != NULL) {
        XFillRectangle(d, pixmap, gc, 0, 0, (unsigned)w, (unsigned)h);
        Tk_FreeGC(d, gc);
    }
    Tk_RedrawImage(image, 0, 0, w, h, pixmap, 0, 0);
    DrawableImage read;
    int got = readDrawableImage(d, pixmap, Tk_Visual(tkwin), Tk_Depth(tkwin), 0, 0, (unsigned)w,
                                (unsigned)h, &read);
    Tk_FreePixmap(d, pixmap);
    XSync(d, False);
    Tk_DeleteErrorHandler(handler);
    if (!got) return TCL_OK;
    int status = gcanvasPsImage(interp, c, read.image, 0, 0, w, h);
    freeDrawableImage(d, &read);
    return status;
}

static int imagePostscript(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int prepass)
{
    ImageItem *ii = (ImageItem *)item;
    Tk_Image image = shownImage(c, ii);
    if (image == NULL) return TCL_OK;
    int w, h;
    Tk_SizeOfImage(image, &w, &h);
    if (w <= 0 || h <= 0) return TCL_OK;
    double x = worldToCanvasX(c, ii->x);
    double y = gcanvasPsY(c, worldToCanvasY(c, ii->y));
    gcanvasPsAnchorCorner(ii->anchor, w, h, &x, &y);
    if (prepass) return TCL_OK;
    char buf[120];
    snprintf(buf, sizeof buf, "%.15g %.15g", x, y);
    Tcl_AppendResult(interp, buf, " translate\n", (char *)NULL);
    return imagePostscriptImage(interp, c, image, w, h);
}

GcanvasItemType gcanvasImageType = {
    "image", sizeof(ImageItem), imageCreate, configSpecs, imageConfigure, imageCoords, imageDelete,
    imageDisplay, GC_TYPE_OBJECTS, imageToPoint, imageToArea, imagePostscript, imageScale, imageTranslate, NULL,
    NULL, NULL, NULL, NULL, imageComputeBbox};
