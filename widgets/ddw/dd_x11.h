/*
 * dd_x11.h --
 *
 *	Surfaces of the ddw widget over X: an off-screen surface is a
 *	client-memory XImage of the window's visual (in shared memory when
 *	the server offers MIT-SHM); the primary surface is the window
 *	itself, which the server clips. Blits stretch a surface to the
 *	window by nearest neighbour and put it under an X error trap.
 */
#ifndef OVEX_WIDGETS_DDW_DD_X11_H
#define OVEX_WIDGETS_DDW_DD_X11_H

#include <tk.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

/* Result codes of the surface calls, named after the errors a blit can
 * report. */
enum DdResult {
    DD_OK = 0,
    DDERR_GENERIC,
    DDERR_INVALIDRECT,
    DDERR_INVALIDPARAMS,
    DDERR_INVALIDOBJECT,
    DDERR_SURFACELOST,
    DDERR_UNSUPPORTED
};

typedef struct DdSurface {
    XImage *image;              /* NULL: no surface */
    XShmSegmentInfo shm;
    int useShm;
} DdSurface;

/* What a surface description reports. */
typedef struct DdDescription {
    int width, height, pitch, bitsPerPixel;
    unsigned long redMask, greenMask, blueMask;
} DdDescription;

/* The window every surface of a widget is shown in. */
typedef struct DdPrimary {
    Display *display;
    Window window;
    Visual *visual;
    int depth;
    GC gc;                      /* plain copy GC of the window */
    int shmOffered;
    int width, height;          /* the window's size, kept by its owner */
    DdSurface frame;            /* window-sized surface of the stretched picture */
} DdPrimary;

/* Sets the primary up for a window; 1 on success. */
int ddPrimaryInit(DdPrimary *primary, Tk_Window tkwin);
void ddPrimaryFree(DdPrimary *primary);

/* A width x height surface of the primary's visual, zero-filled. */
int ddCreateSurface(DdPrimary *primary, DdSurface *surface, int width, int height);
void ddFreeSurface(DdPrimary *primary, DdSurface *surface);
int ddDescribe(const DdSurface *surface, DdDescription *description);
/* Sets every byte of the surface to 0. */
void ddClearSurface(DdSurface *surface);

/* Copies the surface stretched to width x height into the window at
 * (0, 0). Returns a DdResult. */
int ddBlt(DdPrimary *primary, DdSurface *surface, int width, int height);
/* Puts the surface into the window at (0, 0) as it is. */
int ddPut(DdPrimary *primary, DdSurface *surface);

/* Draws text in the pixel value into the surface, the top-left of its
 * cell at (x, y), through a pixmap copy. Returns a DdResult. */
int ddDrawText(DdPrimary *primary, DdSurface *surface, Tk_Window tkwin, const char *text,
               int x, int y, unsigned long pixel);

/* The pixel value of an RGB colour for the primary's visual (TrueColor
 * masks), or the colour allocated in colormap for other visuals. */
unsigned long ddRgbPixel(DdPrimary *primary, Colormap colormap, int red, int green, int blue);

#endif /* OVEX_WIDGETS_DDW_DD_X11_H */
