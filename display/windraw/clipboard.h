/*
 * clipboard.h --
 *
 *	Bitmaps on the X CLIPBOARD selection. A bitmap copied by this
 *	process is kept as a pixmap that the process owns the selection
 *	for, and is offered to other clients as the PIXMAP target; a bitmap
 *	offered by another client is read through that same target.
 *
 *	The selection is owned by the main window of the console
 *	interpreter; without Tk there, the bitmap stays within the process.
 */
#ifndef OVEX_DISPLAY_WINDRAW_CLIPBOARD_H
#define OVEX_DISPLAY_WINDRAW_CLIPBOARD_H

#include <tk.h>

#include "display/windraw/palette.h"

/* Empties the clipboard; with a drawable, then puts the rectangle
 * (x, y, width, height) of it on the clipboard as a bitmap (with the
 * colours of an indexed display as its palette). Returns 1 when a bitmap
 * was put on it, else 0. */
int copyToClipboard(Display *display, Drawable drawable, int x, int y, int width, int height);

/* 1 with the width and height of the clipboard's bitmap, 0 when it holds
 * none. tkwin is the window that asks (its interpreter's result is left
 * as it was). */
int clipboardBitmapSize(Tk_Window tkwin, int *width, int *height);

/* A new pixmap on tkwin's screen holding a copy of the clipboard's bitmap,
 * with its size; 0 when the clipboard holds none, 0 after "Failed to
 * create pixmap.\n" on standard error when the copy fails. Freed with
 * Tk_FreePixmap. */
Pixmap clipboardToPixmap(Tk_Window tkwin, int *width, int *height);

/* A copy of the clipboard's palette, or NULL when it has none. */
OvexPalette *clipboardPalette(Tk_Window tkwin);

/* A colormap record of the clipboard's palette, or of the system palette
 * when it has none; NULL when memory runs out. Freed with
 * ovexFreeColormapRecord. */
OvexColormapRecord *clipboardColormap(void);

#endif /* OVEX_DISPLAY_WINDRAW_CLIPBOARD_H */
