/*
 * point_item.h --
 *
 *	Services of the items placed at one world point (bitmap, image and
 *	window).
 */
#ifndef OVEX_CANVAS_POINT_ITEM_H
#define OVEX_CANVAS_POINT_ITEM_H

#include "canvas/gcanvas.h"

/* The coords procedure of a one-point item: no words give the list x y;
 * one list of two or two words set *x and *y (screen distances). */
int gcanvasPointCoords(Tcl_Interp *interp, GcCanvas c, int objc, Tcl_Obj *const objv[], double *x, double *y);

/* The number of leading coordinate words at creation (1 or 2), or -1 with
 * the "wrong # args" message. */
int gcanvasPointCreateWords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[]);

/* The offset of a w x h rectangle from its anchor point in canvas pixels,
 * mirrored along an axis whose scale is negative. */
void gcanvasMirroredAnchor(Tk_Anchor anchor, double mx, double my, int w, int h, int *dx, int *dy);

/* Moves (x, y) from the anchor point to the lower-left corner of a w x h
 * rectangle on the PostScript page (never mirrored). */
void gcanvasPsAnchorCorner(Tk_Anchor anchor, double w, double h, double *x, double *y);

#endif /* OVEX_CANVAS_POINT_ITEM_H */
