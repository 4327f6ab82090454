/*
 * bitmap_copy.cpp --
 *
 *	Copies of drawables into new Tk pixmaps.
 */
#include <stdio.h>

#include "display/windraw/bitmap_copy.h"
#include "display/windraw/capture.h"
#include "display/windraw/clipboard.h"
#include "display/windraw/x_error_trap.h"
#include "ovex/ovex.h"

/* Copies (x, y, width, height) of drawable into a new pixmap; message
 * names the caller in its error texts. */
static Pixmap copyIntoPixmap(Display *display, Drawable drawable, int x, int y, int width,
                             int height, const char *caller)
{
    DrawableGeometry geometry;
    if (display == NULL || drawable == None || width < 1 || height < 1
            || width > CAPTURE_MAX_SIDE || height > CAPTURE_MAX_SIDE
            || !trappedDrawableGeometry(display, drawable, &geometry)) {
        ovex_fprintf(stderr, "Error in %s.\n", caller);
        return None;
    }
    Pixmap pixmap = trappedPixmap(display, drawable, width, height, (int)geometry.depth);
    if (pixmap == None) {
        ovex_fprintf(stderr, "Error in %s.\n", caller);
        return None;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    XGCValues values;
    values.graphics_exposures = False;
    values.subwindow_mode = IncludeInferiors;
    values.foreground = 0;
    GC gc = XCreateGC(display, pixmap, GCGraphicsExposures | GCSubwindowMode | GCForeground,
                      &values);
    /* What lies outside the source is not copied: leave it at pixel 0. */
    XFillRectangle(display, pixmap, gc, 0, 0, (unsigned int)width, (unsigned int)height);
    XCopyArea(display, drawable, pixmap, gc, x, y, (unsigned int)width, (unsigned int)height, 0,
              0);
    XFreeGC(display, gc);
    if (xErrorTrapEnd(&trap) != 0) {
        ovex_fprintf(stderr, "Error in %s: XCopyArea.\n", caller);
    }
    return pixmap;
}

Pixmap copyDCBitmap(Display *display, Drawable drawable, int x, int y, int width, int height)
{
    return copyIntoPixmap(display, drawable, x, y, width, height, "copyDCBitmap");
}

Pixmap copyBitmap(Display *display, Pixmap pixmap)
{
    DrawableGeometry geometry;
    if (display == NULL || pixmap == None
            || !trappedDrawableGeometry(display, pixmap, &geometry)) {
        ovex_fprintf(stderr, "Error in copyBitmap.\n");
        return None;
    }
    return copyIntoPixmap(display, pixmap, 0, 0, (int)geometry.width, (int)geometry.height,
                          "copyBitmap");
}

Pixmap clipboardBitmapCopy(Tk_Window tkwin)
{
    int width = 0, height = 0;
    if (tkwin == NULL || !clipboardBitmapSize(tkwin, &width, &height)) {
        return None;
    }
    return clipboardToPixmap(tkwin, &width, &height);
}
