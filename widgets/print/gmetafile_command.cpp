/*
 * gmetafile_command.cpp --
 *
 *	gmetafile canvasName metaFile ?x0 y0 x1 y1? ?coordType?: a canvas
 *	region as an enhanced metafile in a file, or on the clipboard under
 *	the name "clipboard". The picture is the canvas rendered as a raster,
 *	so the file holds one bitmap record.
 */
#include <errno.h>
#include <string.h>
#include <unistd.h>

#include "core/package.h"
#include "core/safe_replace.h"
#include "display/windraw/clipboard.h"
#include "canvas/canvas_render.h"
#include "widgets/print/canvas_raster.h"
#include "widgets/print/emf_writer.h"
#include "widgets/print/print_commands.h"

namespace {

int writeBytes(int fd, void *clientData)
{
    const std::vector<unsigned char> *bytes = (const std::vector<unsigned char> *)clientData;
    size_t done = 0;
    while (done < bytes->size()) {
        ssize_t n = write(fd, bytes->data() + done, bytes->size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return 0;
        }
        done += (size_t)n;
    }
    return 1;
}

}  // namespace

int gmetafileCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3 && argc != 7 && argc != 8) {
        Tcl_AppendResult(interp, "Usage: ", argv[0],
                         " canvasName metaFile [x0 y0 x1 y1] [coordType]", (char *)NULL);
        return TCL_ERROR;
    }
    const char *canvasName = argv[1];
    bool toClipboard = strcmp(argv[2], "clipboard") == 0;
    int coordType = argc == 8 ? ovexLenientInt(argv[7]) : 0;
    CanvasInfo info;
    if (getCanvasInfo(interp, canvasName, &info) != TCL_OK) {
        return TCL_ERROR;
    }
    /* A gcanvas's canvas coordinates are world units, not whole numbers. */
    bool world = info.kind == CANVAS_KIND_GCANVAS && coordType != 0;
    double x0, y0, x1, y1;
    if (argc >= 7) {
        double *corners[4] = {&x0, &y0, &x1, &y1};
        for (int i = 0; i < 4; i++) {
            *corners[i] = world ? ovexLenientDouble(argv[3 + i]) : ovexLenientInt(argv[3 + i]);
        }
    } else {
        int bx0, by0, bx1, by1;
        canvasItemsBBox(&info, &bx0, &by0, &bx1, &by1);
        x0 = bx0, y0 = by0, x1 = bx1, y1 = by1;
    }
    double region[4];
    if (regionInPixels(interp, &info, x0, y0, x1, y1, coordType, region) != TCL_OK) {
        return TCL_ERROR;
    }

    if (toClipboard) {
        Tk_Window tkwin = NULL;
        int width = 0, height = 0;
        Pixmap pixmap = canvasToPixmap(interp, canvasName, x0, y0, x1, y1, coordType, &tkwin,
                                       &width, &height);
        if (pixmap == None) {
            return TCL_ERROR;
        }
        int ok = copyToClipboard(Tk_Display(tkwin), pixmap, 0, 0, width, height);
        Tk_FreePixmap(Tk_Display(tkwin), pixmap);
        if (!ok) {
            Tcl_ResetResult(interp);
            return TCL_ERROR;
        }
        Tcl_ResetResult(interp);
        return TCL_OK;
    }

    CanvasRaster raster;
    if (canvasToRaster(interp, canvasName, x0, y0, x1, y1, coordType, &raster) != TCL_OK) {
        return TCL_ERROR;
    }
    Screen *screen = Tk_Screen(raster.tkwin);
    EmfDevice device = {WidthOfScreen(screen), HeightOfScreen(screen), WidthMMOfScreen(screen),
                        HeightMMOfScreen(screen)};
    std::vector<unsigned char> emf = buildEmf(raster.pixels.get(), raster.width, raster.height,
                                              device);
    /* A failed export leaves no file, nor a half-written one. */
    Tcl_ResetResult(interp);
    return replaceFileSafely(argv[2], writeBytes, &emf) ? TCL_OK : TCL_ERROR;
}
