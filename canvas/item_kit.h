/*
 * item_kit.h --
 *
 *	Small pieces several item types share: splitting the creation words
 *	into coordinates and options, and the distance and overlap tests of
 *	items that fill their bounding box.
 */
#ifndef OVEX_CANVAS_ITEM_KIT_H
#define OVEX_CANVAS_ITEM_KIT_H

#include "canvas/gcanvas.h"

/* Whether a creation word starts the options ("-" and a lower-case
 * letter; "-5" stays a coordinate). */
int gcanvasIsOptionWord(Tcl_Obj *word);

/* How many leading words come before the first option. */
int gcanvasLeadingCoordWords(int objc, Tcl_Obj *const objv[]);

/* The number of leading coordinate words of an item made from a fixed
 * number of them (fullWords, or 1 for one list), or -1 with the
 * "wrong # args" message naming usage (e.g. "x y ?options?"). */
int gcanvasCreateCoordWords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                            int fullWords, const char *usage);

/* Distance from p to the item's bounding box (0 inside). */
double gcanvasBoxDistance(const GcanvasItem *item, const double *p);

/* -1, 0 or 1 as the ordered rectangle r misses, overlaps or encloses the
 * item's bounding box. */
int gcanvasBoxArea(const GcanvasItem *item, const double *r);

/* Sets the fill GC's stipple origin from the item's -offset, an anchor
 * there ("center", "n"...) standing for the middle of the stipple. */
void gcanvasSetFillStippleOffset(GcCanvas c, Display *d, GC gc, StippleOffset *off, Pixmap stipple);

/* An anchored stipple offset ("nw", "center"...) placed on the world
 * rectangle b (x1 y1 x2 y2). */
void gcanvasAnchorStippleOffset(StippleOffset *off, const double *b);

/* Whether the item is the one under the pointer (its active look). */
int gcanvasIsCurrentItem(GcCanvas c, GcanvasItem *item);

#endif /* OVEX_CANVAS_ITEM_KIT_H */
