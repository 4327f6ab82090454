/*
 * bitmap_copy.h --
 *
 *	Copies of a drawable's rectangle, of a whole pixmap and of the
 *	clipboard's bitmap into new Tk pixmaps.
 */
#ifndef OVEX_DISPLAY_WINDRAW_BITMAP_COPY_H
#define OVEX_DISPLAY_WINDRAW_BITMAP_COPY_H

#include <tk.h>

/* A new pixmap of the drawable's depth holding its rectangle (x, y,
 * width, height); parts outside the drawable are black. None after
 * "Error in copyDCBitmap.\n" on standard error when no pixmap could be
 * made; a copy that failed prints "Error in copyDCBitmap: XCopyArea.\n"
 * and still returns the pixmap. Freed with Tk_FreePixmap. */
Pixmap copyDCBitmap(Display *display, Drawable drawable, int x, int y, int width, int height);

/* A new pixmap holding a copy of the whole of pixmap; None after "Error in
 * copyBitmap.\n" when there is none to copy or no pixmap could be made. */
Pixmap copyBitmap(Display *display, Pixmap pixmap);

/* A new pixmap holding the clipboard's bitmap, None when it has none. */
Pixmap clipboardBitmapCopy(Tk_Window tkwin);

#endif /* OVEX_DISPLAY_WINDRAW_BITMAP_COPY_H */
