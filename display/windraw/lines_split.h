/*
 * lines_split.h --
 *
 *	Polylines longer than one X request can carry, drawn as pieces that
 *	share their joining points.
 */
#ifndef OVEX_DISPLAY_WINDRAW_LINES_SPLIT_H
#define OVEX_DISPLAY_WINDRAW_LINES_SPLIT_H

#include <X11/Xlib.h>

/* XDrawLines of count points (mode CoordModeOrigin or CoordModePrevious):
 * one request when it fits the server's largest request, else pieces
 * each beginning at the last point of the one before. */
void drawLinesSplit(Display *display, Drawable drawable, GC gc, const XPoint *points, int count,
                    int mode);

/* The same with at most maxPoints points per piece (at least 2). */
void drawLinesInPieces(Display *display, Drawable drawable, GC gc, const XPoint *points,
                       int count, int mode, int maxPoints);

/* Points per PolyLine request that the display accepts. */
int maxPolylinePoints(Display *display);

#endif /* OVEX_DISPLAY_WINDRAW_LINES_SPLIT_H */
