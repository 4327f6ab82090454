/*
 * x_error_trap.cpp --
 *
 *	Protocol errors of a run of X requests caught through Tk's error
 *	handlers.
 */
#include "display/windraw/x_error_trap.h"

static int countXError(ClientData clientData, XErrorEvent *event)
{
    (void)event;
    ((XErrorTrap *)clientData)->errors++;
    return 0;
}

void xErrorTrapBegin(XErrorTrap *trap, Display *display)
{
    trap->display = display;
    trap->errors = 0;
    trap->handler = Tk_CreateErrorHandler(display, -1, -1, -1, countXError, (ClientData)trap);
}

int xErrorTrapEnd(XErrorTrap *trap)
{
    /* Errors arrive asynchronously: only after the round trip have all
     * replies to the requests so far reached the handler. */
    XSync(trap->display, False);
    Tk_DeleteErrorHandler(trap->handler);
    return trap->errors;
}

int trappedDrawableGeometry(Display *display, Drawable drawable, DrawableGeometry *geometry)
{
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Status got = XGetGeometry(display, drawable, &geometry->root, &geometry->x, &geometry->y,
                              &geometry->width, &geometry->height, &geometry->border,
                              &geometry->depth);
    return xErrorTrapEnd(&trap) == 0 && got != 0;
}

Pixmap trappedPixmap(Display *display, Drawable drawable, int width, int height, int depth)
{
    if (display == NULL || drawable == None || width < 1 || height < 1 || depth < 1
            || width > TRAPPED_PIXMAP_MAX_SIDE || height > TRAPPED_PIXMAP_MAX_SIDE) {
        return None;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Pixmap pixmap = Tk_GetPixmap(display, drawable, width, height, depth);
    if (xErrorTrapEnd(&trap) == 0) {
        return pixmap;
    }
    if (pixmap != None) {
        /* The id was handed out though the server made nothing: freeing
         * it raises an error of its own, caught as well. */
        xErrorTrapBegin(&trap, display);
        Tk_FreePixmap(display, pixmap);
        xErrorTrapEnd(&trap);
    }
    return None;
}
