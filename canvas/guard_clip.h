/*
 * guard_clip.h --
 *
 *	Cutting lines and rings to a guard box around the area being drawn,
 *	in floating point, before they become 16-bit drawable points. At map
 *	scales a figure's points can lie millions of pixels away; clamped to
 *	the drawable's range one by one they would move, and a line would be
 *	drawn in a different direction. Figures whose points all lie near
 *	the drawable are drawn as they are: their pixels stay exactly those
 *	of the plain conversion.
 */
#ifndef OVEX_CANVAS_GUARD_CLIP_H
#define OVEX_CANVAS_GUARD_CLIP_H

#include "canvas/gcanvas.h"

/* Drawable coordinates within which points convert as they are. Beyond,
 * X's 16-bit coordinates and the server's own arithmetic on long wide or
 * dashed lines no longer hold. */
enum { GUARD_NEAR_LOW = -8192, GUARD_NEAR_HIGH = 24575 };

/* Left, top, right, bottom in canvas pixels; a point on an edge is in. */
typedef struct GuardBox {
    double left, top, right, bottom;
} GuardBox;

/* 1 when every one of the n points (canvas pixels) lies near the
 * drawable whose top-left pixel is canvas pixel (ox, oy). */
int canvasPointsNear(const double *points, int n, int ox, int oy);

/* The guard of a redraw of the area x, y, width, height (canvas pixels):
 * the area grown by a margin and the line width, so that the ends cut on
 * it, with their caps and joins, stay far out of sight. */
void guardAroundArea(GuardBox *box, int x, int y, int width, int height, double lineWidth);

/* The near range of the drawable with origin (ox, oy) as a guard box, for
 * callers that do not know the area drawn (filled figures cut anywhere
 * outside the drawable look the same). */
void guardNearDrawable(GuardBox *box, int ox, int oy);

/* Liang-Barsky: the part of the segment (x0, y0) - (x1, y1) inside box
 * is the parameters t0 <= t <= t1 of x0 + t (x1 - x0). 0 when none is. */
int clipSegmentToGuard(const GuardBox *box, double x0, double y0, double x1, double y1, double *t0,
                       double *t1);

/* A run of drawable points of a clipped polyline; startLength is the
 * distance along the polyline, in pixels, from its first point to the
 * run's first point (where a dash pattern must take up its phase). */
typedef void (*GuardedRunProc)(void *clientData, const XPoint *points, int count,
                               double startLength);

/* Cuts the polyline of n points (canvas pixels) to box and hands each
 * visible run, in drawable points for origin (ox, oy), to run. room holds
 * at least 2 * n points. */
void clipPolylineToGuard(const double *points, int n, int ox, int oy, const GuardBox *box,
                         XPoint *room, GuardedRunProc run, void *clientData);

/* Points that clipping a ring of n points to a box may need (each side
 * can add half as many again). */
long long guardRingRoom(int n);

/* Sutherland-Hodgman of the ring of n points (canvas pixels) to box.
 * out and scratch hold guardRingRoom(n) points each; returns the count
 * written to out (0 when nothing remains). */
int clipRingToGuard(const double *points, int n, const GuardBox *box, double *out,
                    double *scratch);

/* 1 when every one of the n points (world units) lands near the
 * canvas's current drawable. */
int worldPointsNear(GcCanvas c, const double *points, int n);

/* Drawable points that worldRingsToScreenGuarded may write for rings of
 * these sizes. */
long long guardRingsRoom(const int *sizes, int ringCount);

/* Rings of world points, each cut to box (canvas pixels) in floating
 * point and then converted as worldToScreenRing does, packed from out;
 * sizes become the kept counts (0 for a ring cut away). Returns the
 * total. */
int worldRingsToScreenGuarded(GcCanvas c, const double *points, int ringCount, int *sizes, const GuardBox *box,
                              XPoint *out);

/* Points along the arc of the oval inscribed in rect (left, top, right,
 * bottom in canvas pixels) from start through extent degrees, counted
 * counter-clockwise on the screen as the oval's own angles: dense (off
 * the true curve by under a quarter pixel) where the arc comes near box,
 * a few chords elsewhere that never reach the box. Stored in *points
 * (ckalloc'ed, the caller frees it); returns the count, 0 for a
 * degenerate or non-finite oval. Far ovals are drawn from these points,
 * cut to box like rings and lines. */
int ovalArcPoints(const double *rect, double start, double extent, const GuardBox *box, double **points);

#endif /* OVEX_CANVAS_GUARD_CLIP_H */
