/*
 * window_geometry.h --
 *
 *	Where a Tk window lies on the screen.
 */
#ifndef OVEX_DISPLAY_WINDRAW_WINDOW_GEOMETRY_H
#define OVEX_DISPLAY_WINDRAW_WINDOW_GEOMETRY_H

#include <tcl.h>

/* windowGeometry flags. */
enum {
    WINDOW_GEOMETRY_FRAME = 1,  /* the top-level frame's screen rectangle */
    WINDOW_GEOMETRY_RECT = 2,   /* the window's own size and position */
    WINDOW_GEOMETRY_CLIP = 8    /* cut to the virtual root */
};

/* The rectangle of the window pathName chosen by flags, starting from
 * (0, 0) and the virtual root's size: FRAME takes the top-level frame's
 * screen rectangle; RECT the window's size, its origin moved by its
 * position in its parent and that of each ancestor up to the top-level
 * window (with FRAME as well: the window's own place on the screen); CLIP
 * cuts the result to the virtual root. Returns 0, or 1 with "Invalid
 * window path.\n" or "Window is not mapped.\n" added to errorInfo. */
int windowGeometry(Tcl_Interp *interp, const char *pathName, int *x, int *y, int *width,
                   int *height, int flags);

#endif /* OVEX_DISPLAY_WINDRAW_WINDOW_GEOMETRY_H */
