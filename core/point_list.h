/*
 * point_list.h --
 *
 *	Growable lists of 16-bit points: polygons (a chain of lists linked
 *	through next is a set of polygons) and scanline span lists, whose
 *	points go in pairs (x0, y) (x1, y) standing for the pixels
 *	x0 <= x < x1 of row y.
 *
 *	Lists live on the runtime heap (malloc), never in the gmem pool, so
 *	that modules may free what they were given. Coordinates that do not
 *	fit in 16 bits are saturated to -32768 .. 32767 wherever a point is
 *	made from a wider value.
 */
#ifndef OVEX_CORE_POINT_LIST_H
#define OVEX_CORE_POINT_LIST_H

#include <stdint.h>

/* Same layout as an X11 XPoint, so point arrays can be drawn directly. */
typedef struct PolyPoint {
    int16_t x;
    int16_t y;
} PolyPoint;

typedef struct PointList {
    int32_t capacity;           /* point slots allocated */
    int32_t count;              /* points in use, 0 .. capacity */
    PolyPoint *points;          /* capacity slots, NULL when capacity is 0 */
    struct PointList *next;     /* next polygon of a chain, or NULL */
} PointList;

/* Slots by which a list grows when it is full. */
#define POINT_LIST_GROWTH 256

/* A 16-bit coordinate from an int: values beyond the range saturate. */
int16_t pointCoord(int value);

/* A new list of n zeroed points (count = capacity = n); NULL when n is not
 * above 0 or memory runs out. */
PointList *polyNew(int n);
/* Resizes the point array to n slots (new slots zeroed, count cut to n).
 * Returns the array; NULL for n <= 0 (array freed) or on failure (list
 * left empty, message on standard error). */
PolyPoint *polyAllocPt(PointList *list, int n);
/* Appends one point, growing the list first when it is full. */
void polyAppend(PointList *list, int x, int y);
/* Appends the two points of one span. */
void polyAppendPair(PointList *list, PolyPoint a, PolyPoint b);
/* Frees every list of the chain; NULL does nothing. */
void polyFree(PointList *list);
/* Sorts the points by y, then x (signed). */
void polySortYX(PointList *list);
/* Drops the empty pairs (both points equal) and shrinks the array. */
void spansCompact(PointList *spans);
/* The scanline spans of the first polygon of the list, sorted; an empty
 * list for fewer than two points; NULL only when memory runs out. */
PointList *polyToSpans(const PointList *polygon);
/* The even-odd combination of every polygon of the chain; NULL for an
 * empty chain or when memory runs out. */
PointList *polyChainSpans(const PointList *chain);

#endif /* OVEX_CORE_POINT_LIST_H */
