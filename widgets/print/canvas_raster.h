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

struct CanvasRaster {
    int width = 0, height = 0;
    /* Row by row, top row first, 0x00RRGGBB; every pixel is written, so the
     * block is not cleared first. */
    std::unique_ptr<uint32_t[]> pixels;
    Tk_Window tkwin = NULL;         /* the canvas's window */
};

/* Renders the region from (x0, y0) to (x1, y1) of canvasName, both
 * corners included (coordType as the canvas renderer reads it).
 * Returns: TCL_OK, or TCL_ERROR with the lookup's or renderer's message
 * in the result. */
int canvasToRaster(Tcl_Interp *interp, const char *canvasName, int x0, int y0, int x1, int y1,
                   int coordType, CanvasRaster *raster);

/* The pixmap the region was rendered into, for targets that take X
 * drawables (the clipboard); None on failure. Freed with Tk_FreePixmap. */
Pixmap canvasToPixmap(Tcl_Interp *interp, const char *canvasName, int x0, int y0, int x1, int y1,
                      int coordType, Tk_Window *tkwin);

#endif /* OVEX_WIDGETS_PRINT_CANVAS_RASTER_H */
