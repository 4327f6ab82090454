/*
 * capture.h --
 *
 *	Captures of drawables: a rectangle of a window, a pixmap or the
 *	screen area of a top-level window with its frame copied into a new
 *	pixmap (the display's bitmap) or into a memory RAM image, and the
 *	screen rectangle of a top-level frame.
 *
 *	Captured images follow the bitmap conventions: a display of 8 bits
 *	or less gives one band of pixel indices with the colours as palette,
 *	a deeper one three bands in the order blue, green, red.
 */
#ifndef OVEX_DISPLAY_WINDRAW_CAPTURE_H
#define OVEX_DISPLAY_WINDRAW_CAPTURE_H

#include <tcl.h>
#include <tk.h>

#include "display/windraw/palette.h"
#include "ovex/ramimage.h"

/* Largest side of a pixmap made here. */
#define CAPTURE_MAX_SIDE 32767

/* A new Tk pixmap of drawable's depth holding the rectangle (x, y, width,
 * height) of drawable, or None ("Error in makeBitmapFromDrawable.\n" on
 * standard error). For a Tk top-level window the rectangle is instead its
 * frame's screen rectangle clipped to the screen, read from the screen;
 * *width and *height (when not NULL) receive the size captured. Parts of
 * the rectangle outside the drawable are black. Freed with Tk_FreePixmap. */
Pixmap makeBitmapFromDrawable(Display *display, Drawable drawable, Colormap colormap, int x,
                              int y, int width, int height, int *capturedWidth,
                              int *capturedHeight);

/* The same capture as a pixmap for the caller (0 when nothing was
 * captured); freed with Tk_FreePixmap. */
Pixmap drawableToPixmap(Display *display, Drawable drawable, Colormap colormap, int x, int y,
                        int width, int height);

/* Captures the rectangle into the memory image tagged tag (made, or
 * rebuilt in place when one of that tag exists), colours read through
 * colormap (None: the drawable's own). Returns the image with one
 * reference taken, or NULL. */
RAMIMG *rimgWindow(const char *tag, Display *display, Drawable drawable, Colormap colormap,
                   int x, int y, int width, int height);

/* rimgWindow with the colours of indexed pixels read from a colormap
 * record (as made by clipboardColormap) instead of an X colormap. */
RAMIMG *rimgWindowWithRecord(const char *tag, Display *display, Drawable drawable,
                             const OvexColormapRecord *colors, int x, int y, int width,
                             int height);

/* Converts the whole of bitmap (a pixmap whose pixels belong to visual)
 * into the memory image tagged tag. Indexed pixels take their colours
 * from palette when it has entries, else from colormap. Returns the image
 * with one reference taken, or NULL ("no bitmap data converted.\n" on
 * standard error). */
RAMIMG *bitmapToRAMImage(const char *tag, Display *display, Pixmap bitmap, Visual *visual,
                         Colormap colormap, const OvexPalette *palette);

/* The colours of drawable's pixels when its visual indexes a colormap
 * (the entries of its colormap, at most 256); NULL for other visuals, for
 * no drawable or when memory runs out. */
OvexPalette *drawablePalette(Display *display, Drawable drawable);

/* The screen rectangle (left, top, width, height) of the frame around the
 * top-level window that holds the window pathName: the outermost window
 * below the root, decorations included. Returns 1, or 0 (outputs 0) when
 * there is no such window or it has no X window yet. */
int toplevelScreenRect(Tcl_Interp *interp, const char *pathName, int *x, int *y, int *width,
                       int *height);

#endif /* OVEX_DISPLAY_WINDRAW_CAPTURE_H */
