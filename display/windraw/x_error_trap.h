/*
 * x_error_trap.h --
 *
 *	Catching the protocol errors of a run of X requests, so that a bad
 *	drawable or rectangle makes a call fail instead of ending the process
 *	through Xlib's default handler.
 */
#ifndef OVEX_DISPLAY_WINDRAW_X_ERROR_TRAP_H
#define OVEX_DISPLAY_WINDRAW_X_ERROR_TRAP_H

#include <tk.h>

typedef struct XErrorTrap {
    Display *display;
    Tk_ErrorHandler handler;
    int errors;                 /* protocol errors seen since the trap was set */
} XErrorTrap;

/* Starts catching every error of requests made on display from now on. */
void xErrorTrapBegin(XErrorTrap *trap, Display *display);
/* Waits for the requests made so far to be processed and stops catching.
 * Returns the number of errors caught (0 when all went well). */
int xErrorTrapEnd(XErrorTrap *trap);

/* What XGetGeometry tells of a drawable. */
typedef struct DrawableGeometry {
    Window root;
    int x, y;
    unsigned int width, height, border, depth;
} DrawableGeometry;

/* XGetGeometry of drawable with its errors caught. Returns 1, or 0 when
 * the request failed or raised an error. */
int trappedDrawableGeometry(Display *display, Drawable drawable, DrawableGeometry *geometry);

/* Sides beyond this make no pixmap: X coordinates into it would wrap. */
enum { TRAPPED_PIXMAP_MAX_SIDE = 32767 };

/* Tk_GetPixmap with its protocol errors caught: None when a side is below
 * 1 or above TRAPPED_PIXMAP_MAX_SIDE, when the depth is below 1, or when
 * the server refuses the pixmap (BadAlloc for a pixmap larger than its
 * memory), instead of the end of the process. Free with Tk_FreePixmap. */
Pixmap trappedPixmap(Display *display, Drawable drawable, int width, int height, int depth);

#endif /* OVEX_DISPLAY_WINDRAW_X_ERROR_TRAP_H */
