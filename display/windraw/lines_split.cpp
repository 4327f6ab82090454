/*
 * lines_split.cpp --
 *
 *	Long polylines in pieces that fit X requests.
 */
#include <stdlib.h>

#include "display/windraw/lines_split.h"
#include "ovex/ovex.h"

/* Words of a PolyLine request before its points (one more for the length
 * word of a big request). */
#define POLYLINE_HEADER_WORDS 4

int maxPolylinePoints(Display *display)
{
    long words = XExtendedMaxRequestSize(display);
    if (words <= 0) {
        words = XMaxRequestSize(display);
    }
    long points = words - POLYLINE_HEADER_WORDS;   /* one point is one 4-byte word */
    if (points < 2) {
        points = 2;
    }
    return points > 0x7fffffffL ? 0x7fffffff : (int)points;
}

void drawLinesInPieces(Display *display, Drawable drawable, GC gc, const XPoint *points,
                       int count, int mode, int maxPoints)
{
    if (display == NULL || drawable == None || points == NULL || count <= 0) {
        return;
    }
    if (maxPoints < 2) {
        maxPoints = 2;
    }
    if (count <= maxPoints) {
        XDrawLines(display, drawable, gc, (XPoint *)points, count, mode);
        return;
    }
    /* A piece's first point is absolute: relative points are summed over
     * the whole list first, in a wrapping 16-bit sum as the server's. */
    const XPoint *absolute = points;
    XPoint *summed = NULL;
    if (mode == CoordModePrevious) {
        summed = (XPoint *)gmemAlloc((size_t)count * sizeof(XPoint));
        if (summed == NULL) {
            return;
        }
        summed[0] = points[0];
        for (int i = 1; i < count; i++) {
            summed[i].x = (short)(unsigned short)((unsigned)summed[i - 1].x + (unsigned)points[i].x);
            summed[i].y = (short)(unsigned short)((unsigned)summed[i - 1].y + (unsigned)points[i].y);
        }
        absolute = summed;
    }
    for (int start = 0; start < count - 1; start += maxPoints - 1) {
        int n = count - start;
        if (n > maxPoints) {
            n = maxPoints;
        }
        XDrawLines(display, drawable, gc, (XPoint *)(absolute + start), n, CoordModeOrigin);
    }
    gmemFree(summed);
}

void drawLinesSplit(Display *display, Drawable drawable, GC gc, const XPoint *points, int count,
                    int mode)
{
    if (display == NULL) {
        return;
    }
    drawLinesInPieces(display, drawable, gc, points, count, mode, maxPolylinePoints(display));
}
