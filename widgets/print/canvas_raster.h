/*
 * canvas_raster.h --
 *
 *	The one canvas-to-raster step that printing and metafile export
 *	share: a canvas region rendered into an X pixmap, read back and
 *	turned into 0x00RRGGBB pixels through the visual's colour masks.
 */
#ifndef OVEX_WIDGETS_PRINT_CANVAS_RASTER_H
#define OVEX_WIDGETS_PRINT_CANVAS_RASTER_H

#include <stdint.h>
#include <tcl.h>
#include <tk.h>

#include <memory>

#include "canvas/canvas_render.h"

struct CanvasRaster {
    int width = 0, height = 0;
    /* Row by row, top row first, 0x00RRGGBB; every pixel is written, so the
     * block is not cleared first. */
    std::unique_ptr<uint32_t[]> pixels;
    /* Rows the caller provides (rowStride pixels apart), written instead of
     * pixels when set: a print converts straight into its page image. */
    uint32_t *rows = nullptr;
    int rowStride = 0;
    Tk_Window tkwin = NULL;         /* the canvas's window */

    uint32_t *row(int y) const
    {
        return rows != nullptr ? rows + (size_t)y * (size_t)rowStride
                               : pixels.get() + (size_t)y * (size_t)width;
    }
};

/* Renders the region from (x0, y0) to (x1, y1) of canvasName: window
 * pixels (coordType 0) or a Tk canvas's pixels with both corners
 * included (the integer parts of the numbers are taken), or a gcanvas's
 * world units (coordType not 0) at the canvas's resolution, the corners
 * the region's edges.
 * Returns: TCL_OK, or TCL_ERROR with the lookup's or renderer's message
 * in the result. */
int canvasToRaster(Tcl_Interp *interp, const char *canvasName, double x0, double y0, double x1,
                   double y1, int coordType, CanvasRaster *raster);

/* The pixmap the region was rendered into, for targets that take X
 * drawables (the clipboard), and its size in *width, *height; None on
 * failure. Freed with Tk_FreePixmap. */
Pixmap canvasToPixmap(Tcl_Interp *interp, const char *canvasName, double x0, double y0,
                      double x1, double y1, int coordType, Tk_Window *tkwin, int *width,
                      int *height);

/* The canvas-pixel rectangle (ordered, far edges exclusive) of a
 * command's region, read as canvasToRaster reads it. TCL_ERROR with
 * CANVAS_REGION_OUTSIDE in the result when it meets nothing the canvas
 * can show (canvasRegionDrawable). */
int regionInPixels(Tcl_Interp *interp, const CanvasInfo *info, double x0, double y0, double x1,
                   double y1, int coordType, double out[4]);

/* A part of a gcanvas drawn at kx x ky pixels per canvas pixel: width x
 * height pixels from (tx, ty) pixels beyond the canvas pixel (left, top)
 * (drawGcanvasAtScale). */
int gcanvasToScaledRaster(Tcl_Interp *interp, const CanvasInfo *info, double left, double top,
                          double kx, double ky, int tx, int ty, int width, int height,
                          CanvasRaster *raster);

#endif /* OVEX_WIDGETS_PRINT_CANVAS_RASTER_H */
