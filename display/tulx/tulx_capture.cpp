/*
 * tulx_capture.cpp --
 *
 *	Pictures moved between images: capture renders a rectangle of the
 *	view, as widgets show it, into a memory RAM image or onto the
 *	clipboard; copy and crop make the image a second view of another
 *	"tulx" image's RAM image (a magnifier centred on a point of the
 *	source's view, or a detail view at the source's zoom).
 */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "core/rounding.h"
#include "display/tulx/tulx_subcommands.h"
#include "display/windraw/capture.h"
#include "display/windraw/clipboard.h"
#include "display/windraw/x_error_trap.h"
#include "ramimage/ramimg.h"

/*
 * tulxCapturePixmap --
 *	A new pixmap at the screen's depth holding the view rectangle as
 *	the display procedure draws it (masks applied), or 0.
 */
static Pixmap tulxCapturePixmap(TulxMaster *master, int x0, int y0, int width, int height)
{
    Tk_Window main = master->tkwin;
    if (main == NULL || master->display == NULL) {
        return 0;
    }
    Tk_MakeWindowExist(main);
    Pixmap pixmap = trappedPixmap(master->display, Tk_WindowId(main), width, height,
                                  Tk_Depth(main));
    if (pixmap == 0) {
        return 0;
    }
    if (master->gc != NULL) {
        XFillRectangle(master->display, pixmap, master->gc, 0, 0, (unsigned)width,
                       (unsigned)height);
    }
    TulxInstance instance;
    memset(&instance, 0, sizeof(instance));
    instance.master = master;
    tulxDisplay(&instance, master->display, pixmap, x0, y0, width, height, 0, 0);
    return pixmap;
}

int tulxCaptureCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc < 3 || argc > 7) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1],
                         " rimgTag [x0 y0 width height]", (char *)NULL);
        return TCL_ERROR;
    }
    if (master->imageView.pixmap == 0) {
        Tcl_SetResult(interp, (char *)"No pixmap.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    int values[4] = {0, 0, master->imageView.width, master->imageView.height};
    for (int i = 3; i < argc; i++) {
        if (Tcl_GetInt(interp, argv[i], &values[i - 3]) != TCL_OK) {
            return TCL_ERROR;
        }
    }
    int x0 = values[0], y0 = values[1], width = values[2], height = values[3];
    /* X ends the process on a pixmap without area: refused here first. */
    if (width < 1 || height < 1 || width > CAPTURE_MAX_SIDE || height > CAPTURE_MAX_SIDE) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("Invalid capture size: %d x %d\n", width, height));
        return TCL_ERROR;
    }
    Pixmap pixmap = tulxCapturePixmap(master, x0, y0, width, height);
    if (pixmap == 0) {
        Tcl_SetResult(interp, (char *)"No pixmap.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    const char *tag = argv[2];
    if (strcmp(tag, "clipboard") == 0) {
        copyToClipboard(master->display, pixmap, 0, 0, width, height);
        Tk_FreePixmap(master->display, pixmap);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    int existed = getRAMImageByTag(tag) != NULL;
    RAMIMG *image = rimgWindow(tag, master->display, pixmap, master->colormap, 0, 0, width,
                               height);
    Tk_FreePixmap(master->display, pixmap);
    if (image == NULL) {
        Tcl_SetResult(interp, (char *)"Error in rimgWindow...\n", TCL_STATIC);
        return TCL_ERROR;
    }
    Tcl_SetResult(interp, image->tag, TCL_VOLATILE);
    if (existed) {
        updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
        closeRAMImage(image, NULL);
    } else {
        image->openCount++;
        image->refCount--;
    }
    return TCL_OK;
}

/* The view of the target over the source's RAM image (see the file
 * comment); copy centres image pixel (c, r), crop starts at (c, r). */
static void borrowView(TulxMaster *target, TulxMaster *source, int copy, int c, int r, int x0,
                       int y0)
{
    if (target->ramImage != NULL) {
        closeRAMImage(target->ramImage, &target->imageClient);
        target->ramImage = NULL;
    }
    target->srcImageName[0] = '\0';
    target->head.file[0] = '\0';
    target->xflip = source->colMap.flip;
    target->yflip = source->rowMap.flip;
    target->rotate = source->rotate;
    int rotated = target->rotate != 0;
    int w = target->width > 0 ? target->width : 0, h = target->height > 0 ? target->height : 0;
    int vw = rotated ? h : w, vh = rotated ? w : h;
    double zx, zy;
    if (copy) {
        zx = target->mx * source->mx;
        zy = target->my * source->my;
        target->sc = roundToInt(c - (vw / fabs(zx)) * 0.5);
        target->sr = roundToInt(r - (vh / fabs(zy)) * 0.5);
    } else {
        zx = source->mx;
        zy = source->my;
        target->sc = c;
        target->sr = r;
    }
    target->head.left = source->head.left;
    target->head.top = source->head.top;
    target->head.x0 = source->head.x0;
    target->head.y0 = source->head.y0;
    target->head.dx = source->head.dx;
    target->head.dy = source->head.dy;
    target->head.pixel = source->head.pixel;
    target->head.mapid = source->head.mapid;
    if (vw > 0) {
        makeZoomMap(&target->colMap, vw, target->sc, target->xflip, zx);
    } else {
        zoomMapFree(&target->colMap);
    }
    if (vh > 0) {
        makeZoomMap(&target->rowMap, vh, target->sr, target->yflip, zy);
    } else {
        zoomMapFree(&target->rowMap);
    }
    Tk_MakeWindowExist(target->tkwin);
    Drawable drawable = Tk_WindowId(target->tkwin);
    int ox = copy ? x0 : 0, oy = copy ? y0 : 0;
    vpPixmapSet(&target->imageView, drawable, w, h, target->depth, ox, oy, 0, 0);
    if (vpPixmapSet(&target->maskView, drawable, w, h, 1, ox, oy, 0, 0)) {
        tulxViewRegion(target);
    }
}

static void finishBorrow(TulxMaster *target, TulxMaster *source)
{
    snprintf(target->srcImageName, sizeof(target->srcImageName), "%s", source->name);
    if (source->ramImage != NULL) {
        target->viewReady = 0;
        tulxChanged(target);
    }
    Tcl_ResetResult(target->interp);
}

int tulxCopyCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc < 5 || argc > 10) {
        Tcl_AppendResult(interp, "Usage: ",
                         "targetImage copy sourceImage xc yc ?mx? ?my? ?flag? ?x0? ?y0?",
                         (char *)NULL);
        return TCL_ERROR;
    }
    TulxMaster *source = tulxFindImage(interp, argv[2]);
    if (source == NULL) {
        Tcl_AppendResult(interp, "tulx ", argv[2], " not found", (char *)NULL);
        return TCL_ERROR;
    }
    double mx = master->mx, my = master->my;
    int flag = 1, x0 = 0, y0 = 0;
    if ((argc > 5 && Tcl_GetDouble(interp, argv[5], &mx) != TCL_OK)
            || (argc > 6 && Tcl_GetDouble(interp, argv[6], &my) != TCL_OK)
            || (argc > 7 && Tcl_GetInt(interp, argv[7], &flag) != TCL_OK)
            || (argc > 8 && Tcl_GetInt(interp, argv[8], &x0) != TCL_OK)
            || (argc > 9 && Tcl_GetInt(interp, argv[9], &y0) != TCL_OK)) {
        return TCL_ERROR;
    }
    if (!(mx > 0) || !(my > 0)) {
        Tcl_SetResult(interp, (char *)"Invalid magnification value!\n", TCL_STATIC);
        return TCL_ERROR;
    }
    master->mx = mx;
    master->my = my;
    int u, v;
    tulxParseViewXY(source, argv[3], argv[4], &u, &v);
    int c = 0, r = 0;
    if (source->colMap.n > 0) {
        u = u < 0 ? 0 : (u >= source->colMap.n ? source->colMap.n - 1 : u);
        c = source->colMap.index[u];
    }
    if (source->rowMap.n > 0) {
        v = v < 0 ? 0 : (v >= source->rowMap.n ? source->rowMap.n - 1 : v);
        r = source->rowMap.index[v];
    }
    if (master->instances == NULL) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    borrowView(master, source, 1, c, r, x0, y0);
    vpLock(&master->imageView, !flag);
    finishBorrow(master, source);
    return TCL_OK;
}

int tulxCropCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc < 5 || argc > 6) {
        Tcl_AppendResult(interp, "Usage: ", "targetImage copysub sourceImage x0 y0 ?flag?",
                         (char *)NULL);
        return TCL_ERROR;
    }
    TulxMaster *source = tulxFindImage(interp, argv[2]);
    if (source == NULL) {
        Tcl_AppendResult(interp, "tulx ", argv[2], " not found", (char *)NULL);
        return TCL_ERROR;
    }
    int u, v;
    tulxParseViewXY(source, argv[3], argv[4], &u, &v);
    master->mx = source->mx;
    master->my = source->my;
    if (master->instances == NULL) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    borrowView(master, source, 0, u, v, 0, 0);
    finishBorrow(master, source);
    return TCL_OK;
}
