/*
 * ram_draw.h --
 *
 *	Drawing lines, polylines and filled polygons of one value into one
 *	band of a RAM image (x is the column, y the row; band from 0).
 *	Pixels outside the image are skipped. The rows drawn stay in the
 *	cache until written back; no client is told.
 */
#ifndef OVEX_RAMIMAGE_RAM_DRAW_H
#define OVEX_RAMIMAGE_RAM_DRAW_H

#include "ovex/ramimage.h"
#include "core/point_list.h"

/* Draws the line from (x0, y0) to (x1, y1), end points included. Returns
 * the number of pixels written. */
int ramImageDrawLine(RAMIMG *image, int band, int value, int x0, int y0, int x1, int y1);

/* Draws a line from each point of the list to the next. Returns the
 * number of segments (0 for fewer than two points). */
int ramImageDrawPolyline(RAMIMG *image, int band, int value, const PointList *points);

/* Fills the polygon of the list (its scanline spans). Returns the number
 * of spans. */
int ramImageFillPolygon(RAMIMG *image, int band, int value, const PointList *points);

#endif /* OVEX_RAMIMAGE_RAM_DRAW_H */
