/*
 * canvas_render.h --
 *
 *	Canvas widgets seen from outside: which widget a path names, the
 *	bounding box of its items, and rendering its items into a pixmap.
 */
#ifndef OVEX_CANVAS_CANVAS_RENDER_H
#define OVEX_CANVAS_CANVAS_RENDER_H

#include <tcl.h>
#include <tk.h>

enum { CANVAS_KIND_TK = 1, CANVAS_KIND_GCANVAS = 2 };

typedef struct CanvasInfo {
    int kind;                   /* CANVAS_KIND_... */
    int width, height;          /* the window's current size */
    void *widget;               /* client data of the widget's command */
    Tk_Window tkwin;
} CanvasInfo;

/* The client data of the command named name: that of its object
 * procedure when it was created as an object command, else that of its
 * string procedure; NULL when there is no such command. */
void *getCommandClientData(Tcl_Interp *interp, const char *name);

/* Fills info for the canvas widget pathName. TCL_OK, or TCL_ERROR with
 * "Not a canvas widget" (no such window, or not a canvas) or "Error in
 * getting canvas info.\n" (no command of that name) in the result. */
int getCanvasInfo(Tcl_Interp *interp, const char *pathName, CanvasInfo *info);

/* The bounding box of all items in window coordinates (floor of the
 * least, ceiling of the greatest). Returns 1, or 0 with all four 0 for a
 * canvas without items. */
int canvasItemsBBox(const CanvasInfo *info, int *x0, int *y0, int *x1, int *y1);

/* Renders the items that overlap the region (x0, y0, width, height) into
 * drawable, the region's corner at (0, 0); coordType 0: the region is in
 * window coordinates, else in canvas coordinates. Without a drawable a
 * pixmap of (width + 30) x (height + 30) of the canvas's depth is made and
 * filled with the background first. Returns the drawable, or None with
 * the message in the result ("Error in create pixmap: width %d height
 * %d\n", "No pixmapGC"). A made pixmap is freed with Tk_FreePixmap. */
Drawable drawCanvasToPixmap(Tcl_Interp *interp, Drawable drawable, const CanvasInfo *info,
                            double x0, double y0, int width, int height, int coordType);

/* The canvas-pixel rectangle (left, top, right, bottom; ordered) of the
 * region from (x0, y0) to (x1, y1) named in a command's coordType: 0
 * window pixels, to which the scroll origin is added; any other value
 * canvas coordinates, which on a gcanvas are its world units (those that
 * its canvasx, canvasy and bbox answer) and on a Tk canvas its pixels. */
void canvasRegionToPixels(const CanvasInfo *info, int coordType, double x0, double y0, double x1,
                          double y1, double out[4]);

/* Whether the canvas-pixel rectangle meets anything the canvas can show:
 * its window's area, its scroll region or the box of its items. A region
 * meeting none of them would only ever be blank. */
int canvasRegionDrawable(const CanvasInfo *info, const double region[4]);

/* The message of a region that canvasRegionDrawable refuses. */
#define CANVAS_REGION_OUTSIDE "Region lies outside the canvas"

/* Renders a gcanvas at kx x ky pixels per canvas pixel: the pixmap of
 * width x height (with the margin of drawCanvasToPixmap) holds the part
 * that starts (tx, ty) pixels to the right of and below the canvas pixel
 * (left, top). The world transform is scaled meanwhile, and with it line
 * widths and text that keep their size on screen, so the picture is the
 * screen's drawn at the finer resolution. Embedded windows are left out.
 * Returns the pixmap (freed with Tk_FreePixmap), or None with the message
 * in the result. */
Drawable drawGcanvasAtScale(Tcl_Interp *interp, const CanvasInfo *info, double left, double top,
                            double kx, double ky, int tx, int ty, int width, int height);

#endif /* OVEX_CANVAS_CANVAS_RENDER_H */
