/*
 * drawable_image.h --
 *
 *	Reading the pixels of a drawable into an XImage. Where the X server
 *	shares memory with this process (MIT-SHM on a local display) the
 *	pixels come through a shared segment, which saves copying them over
 *	the X connection; elsewhere (a remote display, a server that refuses
 *	the segment, a depth with no visual) through XGetImage.
 */
#ifndef OVEX_DISPLAY_WINDRAW_DRAWABLE_IMAGE_H
#define OVEX_DISPLAY_WINDRAW_DRAWABLE_IMAGE_H

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

typedef struct DrawableImage {
    XImage *image;              /* the pixels, ZPixmap; NULL when none were read */
    int shared;                 /* 0: XGetImage's memory; 1: the segment kept
                                 * for the display's reads; 2: a segment of this
                                 * read alone (shm) */
    XShmSegmentInfo shm;
} DrawableImage;

/* Reads the rectangle (x, y, width, height) of drawable, all planes.
 * visual and depth are the drawable's (visual NULL: no shared memory is
 * tried). Protocol errors are caught. Returns 1, or 0 with nothing held. */
int readDrawableImage(Display *display, Drawable drawable, Visual *visual, int depth, int x,
                      int y, unsigned int width, unsigned int height, DrawableImage *out);

/* Frees what readDrawableImage made (the display's kept segment stays
 * for the next read); harmless on an empty record. */
void freeDrawableImage(Display *display, DrawableImage *image);

/* Whether the next read on display may go through shared memory (the
 * server offers it, it has not refused a segment, and OVEX_XSHM is not
 * "0"). */
int drawableImageSharesMemory(Display *display);

#endif /* OVEX_DISPLAY_WINDRAW_DRAWABLE_IMAGE_H */
