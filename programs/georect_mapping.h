/*
 * georect_mapping.h --
 *
 *	Applying a georectification block (georect_file.h): the term order of
 *	its polynomials, their evaluation in two steps (reduce for one fixed
 *	coordinate, then sum along the other), and the extents with which a
 *	rectifier works out which input pixels an output window needs.
 *
 *	Terms of degree p >= 1: x^i y^j with i + j <= p, by rising total
 *	degree and, within one degree, rising power of y (1, x, y, x^2, xy,
 *	y^2, ...). Degree 0 is the bilinear 1, x, y, xy. Coordinates are
 *	centred by the block's meanX1 and meanY1 before either step; the
 *	result is (X2, Y2), an input position as (column, row).
 */
#ifndef OVEX_PROGRAMS_GEORECT_MAPPING_H
#define OVEX_PROGRAMS_GEORECT_MAPPING_H

#include <stdint.h>

#include "ovex/ramimage.h"
#include "programs/georect_file.h"

/* Highest degree whose two polynomials fit a block's fixed room. */
#define GEORECT_MAX_DEGREE 14

/* The coordinate extent of an image or window. */
struct GeoExtent {
    double xEnd;    /* x of the last column */
    double xStart;  /* x of the first column */
    double yStart;  /* y of the first row */
    double yEnd;    /* y of the last row */
    double dx;      /* x step from one column to the next */
    double dy;      /* step by which y falls from one row to the next */
};

/* An inclusive box of columns and rows in an image's frame (the frame in
 * which the first pixel is at the head's left and top). */
struct PixelBox {
    int32_t xmin, ymin, xmax, ymax;
};

/* The two polynomials reduced for one fixed coordinate: the coefficient
 * of one power of the other coordinate, the I (Y2) value first. */
struct PolyPair {
    double i;
    double j;
};

/* Pairs a reduction fills: degree + 1, and 2 for the bilinear degree 0. */
#define GEORECT_MAX_PAIRS (GEORECT_MAX_DEGREE + 1)

/* Terms of each polynomial of degree (4 for 0); 0 above the highest degree. */
uint32_t georectTermCount(uint32_t degree);

/* Index of the term x^i y^j: d(d + 1)/2 + j with d = i + j. */
int polyTermIndex(int i, int j);

/* Fills pairs (2 * degree + 2 values' worth, see evalPoly2D) with the
 * polynomials of coef (Icoef then Jcoef, the degree's term count each) as
 * polynomials in x at the centred y; reducePolyAtX likewise in y at x. */
void reducePolyAtY(const double *coef, PolyPair *pairs, double y, uint32_t degree);
void reducePolyAtX(const double *coef, PolyPair *pairs, double x, uint32_t degree);

/* Sums the pairs at the centred value v: pairs 0 and 1 always, then
 * pairs 2 .. count/2 - 1. *x2 gets the J sum, *y2 the I sum. */
void evalPoly2D(const PolyPair *pairs, double v, int count, double *x2, double *y2);

/* The smallest integer box (floor and ceil outward) holding the images of
 * points sampled along the four edges of extent, at steps of |dx| and
 * |dy|; a zero or unusable step samples the edge's two ends only.
 * Points that are not numbers widen nothing; nothing widened leaves
 * xmin > xmax. */
void traceGeorectBox(const GeorectParams *block, const GeoExtent *extent, PixelBox *box);

/* The extent of the window (start row and column in the frame of the
 * image of extent and imageBox, rows and columns) into *window, and the
 * traced input box into *box. Returns the box's area, 0 when empty. */
int64_t georectInputBox(const GeorectParams *block, GeoExtent *window, PixelBox *box,
                        const GeoExtent *extent, const PixelBox *imageBox, int startRow,
                        int startColumn, int rows, int columns);

/* {left, top, left + columns - 1, top + rows - 1} of head. */
void imageBox(const ImageHead *head, PixelBox *box);
/* The head's georeferenced extent: from x0, y0, dx, dy; y falls by dy per row. */
void imageGeoExtent(const ImageHead *head, GeoExtent *extent);
/* The head's pixel frame: columns from left and rows from top, dx 1, dy -1. */
void imagePixelExtent(const ImageHead *head, GeoExtent *extent);

#endif /* OVEX_PROGRAMS_GEORECT_MAPPING_H */
