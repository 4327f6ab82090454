/*
 * ring_clip.h --
 *
 *	Clipping rings of 16-bit drawable points to a box (Sutherland-
 *	Hodgman over the four sides), so that the drawing layer never gets a
 *	figure reaching far outside the area drawn. A box holds a point when
 *	left <= x <= right and top <= y <= bottom.
 */
#ifndef OVEX_CANVAS_RING_CLIP_H
#define OVEX_CANVAS_RING_CLIP_H

#include <X11/Xlib.h>

/* The most points a ring of n points can have once clipped: each side
 * adds at most one point for every two of its input (a triangle cut at
 * three corners has 7). Arrays handed to the clipper hold this many; a
 * ring of one point counts as two, as the drawable conversion leaves it. */
int clipRoom(int n);

/* Clips the ring of n points in place; points must hold clipRoom(n).
 * Returns the clipped count (0 when nothing remains). */
int clipPolygonToBox(XPoint *points, int n, int left, int top, int right, int bottom);

/* Rings laid out with ring k starting at the sum of clipRoom(size j) of
 * the rings before it (as worldToScreenRingsSpaced leaves them) are
 * clipped and packed from the start of points; sizes receive the clipped
 * counts (0 for a ring that vanishes). Returns the total. */
int clipRingsToBox(XPoint *points, int ringCount, int *sizes, int left, int top, int right, int bottom);

/* One side each: reads n points of in, writes the kept ones and the
 * crossings to out (room for clipRoom-style growth), returns the count. */
int clipLeft(const XPoint *in, int n, XPoint *out, int bound);
int clipRight(const XPoint *in, int n, XPoint *out, int bound);
int clipTop(const XPoint *in, int n, XPoint *out, int bound);
int clipBottom(const XPoint *in, int n, XPoint *out, int bound);
XPoint clipCrossX(XPoint p, XPoint q, int c);
XPoint clipCrossY(XPoint p, XPoint q, int c);

#endif /* OVEX_CANVAS_RING_CLIP_H */
