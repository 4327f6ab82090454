/*
 * clipboard.cpp --
 *
 *	The clipboard's bitmap: a pixmap kept by this process while it owns
 *	the CLIPBOARD selection (offered as the PIXMAP target), or a pixmap
 *	that another client offers through that target.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <X11/Xatom.h>

#include "display/windraw/clipboard.h"
#include "display/windraw/capture.h"
#include "display/windraw/x_error_trap.h"
#include "core/package.h"
#include "ovex/ovex.h"

/* The bitmap this process put on the clipboard. */
struct ClipboardBitmap {
    Display *display;
    Tk_Window owner;            /* window owning the selection for it, or NULL */
    Pixmap pixmap;              /* None when the clipboard holds no bitmap of ours */
    int width, height, depth;
    OvexPalette *palette;       /* colours of an indexed display, or NULL */
};

static ClipboardBitmap clip = {NULL, NULL, None, 0, 0, 0, NULL};

/* Frees the bitmap of ours, leaving the ownership as it is. */
static void dropBitmap(void)
{
    if (clip.pixmap != None && clip.display != NULL) {
        XErrorTrap trap;
        xErrorTrapBegin(&trap, clip.display);
        Tk_FreePixmap(clip.display, clip.pixmap);
        xErrorTrapEnd(&trap);
    }
    clip.pixmap = None;
    clip.width = clip.height = clip.depth = 0;
    ovexPaletteFree(clip.palette);
    clip.palette = NULL;
}

/* Another owner took the clipboard, or the owner window went away. */
static void clipboardLost(ClientData clientData)
{
    (void)clientData;
    dropBitmap();
    clip.owner = NULL;
}

/* Answers the PIXMAP target with the pixmap's id; refuses while the
 * clipboard holds no bitmap. */
static int answerPixmapTarget(ClientData clientData, int offset, char *buffer, int maxBytes)
{
    (void)clientData;
    if (clip.pixmap == None) {
        return -1;
    }
    if (offset > 0) {
        return 0;
    }
    int length = snprintf(buffer, (size_t)maxBytes + 1, "0x%lx", (unsigned long)clip.pixmap);
    return length > maxBytes ? maxBytes : length;
}

/* The window that owns the clipboard for this process: the console
 * interpreter's main window when it is on display. */
static Tk_Window clipboardOwner(Display *display)
{
    Tk_Window main = ovexMainWindow(getConsoleInterp());
    if (main == NULL || Tk_Display(main) != display) {
        return NULL;
    }
    return main;
}

/*
 *----------------------------------------------------------------------
 *
 * copyToClipboard --
 *
 *	Empties the clipboard and, with a drawable, puts a copy of the
 *	rectangle on it.
 *
 * Results:
 *	1 when a bitmap was put on the clipboard, else 0.
 *
 * Side effects:
 *	This process takes the CLIPBOARD selection (the previous owner loses
 *	its contents).
 *
 *----------------------------------------------------------------------
 */
int copyToClipboard(Display *display, Drawable drawable, int x, int y, int width, int height)
{
    dropBitmap();
    if (display == NULL) {
        return 0;
    }
    clip.display = display;
    Tk_Window owner = clipboardOwner(display);
    if (owner != NULL) {
        Tk_MakeWindowExist(owner);
        Atom clipboard = Tk_InternAtom(owner, "CLIPBOARD");
        Tk_CreateSelHandler(owner, clipboard, XA_PIXMAP, answerPixmapTarget, NULL, XA_PIXMAP);
        Tk_OwnSelection(owner, clipboard, clipboardLost, NULL);
        clip.owner = owner;
    }
    if (drawable == None) {
        return 0;
    }
    int capturedWidth = 0, capturedHeight = 0;
    Pixmap pixmap = makeBitmapFromDrawable(display, drawable, None, x, y, width, height,
                                           &capturedWidth, &capturedHeight);
    if (pixmap == None) {
        return 0;
    }
    DrawableGeometry geometry;
    if (!trappedDrawableGeometry(display, pixmap, &geometry)) {
        XErrorTrap trap;
        xErrorTrapBegin(&trap, display);
        Tk_FreePixmap(display, pixmap);
        xErrorTrapEnd(&trap);
        return 0;
    }
    clip.pixmap = pixmap;
    clip.width = capturedWidth;
    clip.height = capturedHeight;
    clip.depth = (int)geometry.depth;
    clip.palette = drawablePalette(display, drawable);
    return 1;
}

/* Reads the id that the owner answers for the PIXMAP target. */
static int readPixmapId(ClientData clientData, Tcl_Interp *interp, const char *portion)
{
    (void)interp;
    Pixmap *id = (Pixmap *)clientData;
    if (*id == None) {
        *id = (Pixmap)strtoul(portion, NULL, 0);
    }
    return TCL_OK;
}

/* The clipboard's bitmap as the pixmap that holds it. */
struct ClipboardSource {
    Display *display;
    Pixmap pixmap;
    int width, height, depth;
};

/*
 * findClipboardBitmap --
 *	Our own bitmap, or the pixmap another owner of the selection offers
 *	(of tkwin's depth). Returns 1 with the source, else 0.
 */
static int findClipboardBitmap(Tk_Window tkwin, ClipboardSource *source)
{
    if (clip.pixmap != None) {
        source->display = clip.display;
        source->pixmap = clip.pixmap;
        source->width = clip.width;
        source->height = clip.height;
        source->depth = clip.depth;
        return 1;
    }
    /* While we own it, the clipboard holds no bitmap: it was emptied. */
    if (tkwin == NULL || clip.owner != NULL || Tk_Interp(tkwin) == NULL) {
        return 0;
    }
    Tcl_Interp *interp = Tk_Interp(tkwin);
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    Pixmap id = None;
    int status = Tk_GetSelection(interp, tkwin, Tk_InternAtom(tkwin, "CLIPBOARD"), XA_PIXMAP,
                                 readPixmapId, (ClientData)&id);
    Tcl_RestoreInterpState(interp, saved);
    if (status != TCL_OK || id == None) {
        return 0;
    }
    Display *display = Tk_Display(tkwin);
    DrawableGeometry geometry;
    if (!trappedDrawableGeometry(display, id, &geometry) || (int)geometry.depth != Tk_Depth(tkwin)
            || geometry.width < 1 || geometry.height < 1 || geometry.width > CAPTURE_MAX_SIDE
            || geometry.height > CAPTURE_MAX_SIDE) {
        return 0;
    }
    source->display = display;
    source->pixmap = id;
    source->width = (int)geometry.width;
    source->height = (int)geometry.height;
    source->depth = (int)geometry.depth;
    return 1;
}

int clipboardBitmapSize(Tk_Window tkwin, int *width, int *height)
{
    ClipboardSource source;
    if (!findClipboardBitmap(tkwin, &source)) {
        return 0;
    }
    *width = source.width;
    *height = source.height;
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * clipboardToPixmap --
 *
 *	Copies the clipboard's bitmap into a new pixmap on tkwin's screen.
 *
 * Results:
 *	The pixmap with its size, or 0.
 *
 *----------------------------------------------------------------------
 */
Pixmap clipboardToPixmap(Tk_Window tkwin, int *width, int *height)
{
    ClipboardSource source;
    if (tkwin == NULL || !findClipboardBitmap(tkwin, &source)) {
        return 0;
    }
    Display *display = Tk_Display(tkwin);
    if (source.display != display) {
        ovex_fprintf(stderr, "Failed to create pixmap.\n");
        return 0;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Pixmap pixmap = Tk_GetPixmap(display, RootWindowOfScreen(Tk_Screen(tkwin)), source.width,
                                 source.height, source.depth);
    XGCValues values;
    values.graphics_exposures = False;
    GC gc = XCreateGC(display, pixmap, GCGraphicsExposures, &values);
    XCopyArea(display, source.pixmap, pixmap, gc, 0, 0, (unsigned int)source.width,
              (unsigned int)source.height, 0, 0);
    XFreeGC(display, gc);
    if (xErrorTrapEnd(&trap) != 0) {
        xErrorTrapBegin(&trap, display);
        Tk_FreePixmap(display, pixmap);
        xErrorTrapEnd(&trap);
        ovex_fprintf(stderr, "Failed to create pixmap.\n");
        return 0;
    }
    *width = source.width;
    *height = source.height;
    return pixmap;
}

OvexPalette *clipboardPalette(Tk_Window tkwin)
{
    (void)tkwin;
    if (clip.pixmap == None || clip.palette == NULL || clip.palette->count == 0) {
        return NULL;
    }
    return ovexPaletteCopy(clip.palette);
}

OvexColormapRecord *clipboardColormap(void)
{
    OvexPalette *palette = clipboardPalette(NULL);
    if (palette == NULL) {
        palette = systemPalette();
    }
    OvexColormapRecord *record = ovexNewColormapRecord(palette);
    ovexPaletteFree(palette);
    return record;
}
