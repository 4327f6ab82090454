/*
 * vertex_editing.h --
 *
 *	Index, insert and delete over the vertices of items made of parts
 *	(the line's polylines, the polygon's rings). A part may end in
 *	closing points that the item stores but the user never gives;
 *	indices count only the given ones, two per vertex. Also moving and
 *	scaling of point lists and the highlight of one picked component,
 *	shared with the symbol item.
 */
#ifndef OVEX_CANVAS_VERTEX_EDITING_H
#define OVEX_CANVAS_VERTEX_EDITING_H

#include "canvas/gcanvas.h"

/* Reads an index: "end" (or an abbreviation), "@x,y" (the nearest given
 * vertex in screen distance) or a number, made even and then clamped to
 * 0..end, or with wrap set taken round the given vertices. points holds
 * numParts parts of storedSizes[k] points, the last closingPoints[k]
 * (when closingPoints is not NULL) of each not given. Leaves "bad index"
 * in interp for anything else. */
int vertexIndexFromObj(Tcl_Interp *interp, GcCanvas c, Tcl_Obj *obj, const double *points, int numParts,
                       const int *storedSizes, const int *closingPoints, int wrap, int *indexPtr);

/* The coordinates of a nonempty list of an even number of numbers
 * (caller frees), or NULL with *count 0 when obj is no such list and -1
 * when an element is no number. *count is the number of doubles. */
double *vertexValuesFromObj(Tcl_Obj *obj, int *count);

/* points (numPoints, in numParts parts of sizes) with the added vertices
 * of vals put before vertex before, the part holding that vertex (the
 * last for the end) growing by added; one part of them when there are
 * no parts. The caller frees *pointsOut and *sizesOut. */
void verticesInsert(const double *points, int numPoints, const int *sizes, int numParts, int before,
                    const double *vals, int added, double **pointsOut, int **sizesOut, int *numPartsOut);

/* Copies the vertices outside the run from..to (vertex numbers; the run
 * wraps past the last vertex when from > to) part by part to keptPoints
 * and their counts to keptSizes, leaving out a part that keeps fewer
 * than minPart vertices. Returns the parts kept; *keptTotal their
 * vertices. */
int verticesKeepOutside(const double *points, const int *sizes, int numParts, int from, int to, int minPart,
                        double *keptPoints, int *keptSizes, int *keptTotal);

/* Scales n points about (ox, oy) by (sx, sy); moves n points by (dx, dy). */
void pointsScale(double *points, int n, double ox, double oy, double sx, double sy);
void pointsTranslate(double *points, int n, double dx, double dy);

/* Marks component part of item for redrawing. */
typedef void (*ComponentRedraw)(GcCanvas c, GcanvasItem *item, int part);

/* Puts the highlight on the picked one of count components (on) or takes
 * it off, redrawing the component that changes; *highlight is -1 when
 * none is highlighted. */
void componentHighlight(GcCanvas c, GcanvasItem *item, int on, int picked, int *highlight, int count,
                        ComponentRedraw redraw);

#endif /* OVEX_CANVAS_VERTEX_EDITING_H */
