/*
 * window_geometry.cpp --
 *
 *	The screen rectangle of a Tk window, of its top-level frame, and
 *	their cut to the virtual root.
 */
#include "display/windraw/window_geometry.h"
#include "display/windraw/capture.h"
#include "display/windraw/x_error_trap.h"
#include "core/package.h"

/*
 * addPositionsToTop --
 *	Adds the position of tkwin in its parent, and of each ancestor up to
 *	and including the top-level window, to *x and *y; sets the size to
 *	tkwin's own. Returns 1, or 0 on an X error.
 */
static int addPositionsToTop(Tk_Window tkwin, int *x, int *y, int *width, int *height)
{
    Display *display = Tk_Display(tkwin);
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Window root;
    int wx, wy;
    unsigned int w, h, border, depth;
    int ok = XGetGeometry(display, Tk_WindowId(tkwin), &root, &wx, &wy, &w, &h, &border, &depth);
    if (ok) {
        *width = (int)w;
        *height = (int)h;
    }
    for (Tk_Window win = tkwin; ok && win != NULL; win = Tk_Parent(win)) {
        ok = Tk_WindowId(win) != None
             && XGetGeometry(display, Tk_WindowId(win), &root, &wx, &wy, &w, &h, &border, &depth);
        if (ok) {
            *x += wx;
            *y += wy;
        }
        if (Tk_IsTopLevel(win)) {
            break;
        }
    }
    return xErrorTrapEnd(&trap) == 0 && ok;
}

/*
 * screenPosition --
 *	The outer corner of tkwin on the screen. With a window manager the
 *	top-level window sits inside decorations that the walk to the top
 *	does not see, so the frame's corner plus that walk would miss them.
 */
static int screenPosition(Tk_Window tkwin, int *x, int *y)
{
    Display *display = Tk_Display(tkwin);
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Window root, child;
    int wx, wy, rx = 0, ry = 0;
    unsigned int w, h, border, depth;
    int ok = XGetGeometry(display, Tk_WindowId(tkwin), &root, &wx, &wy, &w, &h, &border, &depth);
    if (ok) {
        ok = XTranslateCoordinates(display, Tk_WindowId(tkwin), root, 0, 0, &rx, &ry, &child);
    }
    if (xErrorTrapEnd(&trap) != 0 || !ok) {
        return 0;
    }
    *x = rx - (int)border;
    *y = ry - (int)border;
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * windowGeometry --
 *
 *	See window_geometry.h.
 *
 * Results:
 *	0 with the rectangle, or 1 with the reason in errorInfo.
 *
 *----------------------------------------------------------------------
 */
int windowGeometry(Tcl_Interp *interp, const char *pathName, int *x, int *y, int *width,
                   int *height, int flags)
{
    Tk_Window main = ovexMainWindow(interp);
    Tk_Window tkwin = main != NULL ? Tk_NameToWindow(interp, pathName, main) : NULL;
    if (tkwin == NULL) {
        Tcl_ResetResult(interp);
        ovexAddErrorInfo(interp, "Invalid window path.\n");
        return 1;
    }
    if (!Tk_IsMapped(tkwin) || Tk_WindowId(tkwin) == None) {
        ovexAddErrorInfo(interp, "Window is not mapped.\n");
        return 1;
    }
    int rootX, rootY, rootWidth, rootHeight;
    Tk_GetVRootGeometry(tkwin, &rootX, &rootY, &rootWidth, &rootHeight);
    *x = 0;
    *y = 0;
    *width = rootWidth;
    *height = rootHeight;

    if (flags & WINDOW_GEOMETRY_FRAME) {
        toplevelScreenRect(interp, pathName, x, y, width, height);
    }
    if (flags & WINDOW_GEOMETRY_RECT) {
        int ok = addPositionsToTop(tkwin, x, y, width, height);
        if (ok && (flags & WINDOW_GEOMETRY_FRAME)) {
            ok = screenPosition(tkwin, x, y);
        }
        if (!ok) {
            ovexAddErrorInfo(interp, "Window is not mapped.\n");
            return 1;
        }
    }
    if (flags & WINDOW_GEOMETRY_CLIP) {
        if (*x < 0) {
            *width += *x;
            *x = 0;
        }
        if (*y < 0) {
            *height += *y;
            *y = 0;
        }
        if (*x + *width > rootWidth) {
            *width = rootWidth - *x;
        }
        if (*y + *height > rootHeight) {
            *height = rootHeight - *y;
        }
    }
    return 0;
}
