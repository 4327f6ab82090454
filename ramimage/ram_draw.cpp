/*
 * ram_draw.cpp --
 *
 *	Lines and filled polygons drawn into one band of a RAM image.
 */
#include <stdint.h>
#include <string.h>

#include "ramimage/ram_draw.h"
#include "ramimage/pixel_access.h"
#include "core/rounding.h"
#include "ovex/ovex.h"

/* Writes one pixel when it lies inside the image; returns 1 when stored. */
static int plot(RAMIMG *image, int band, unsigned char value, int64_t x, int64_t y)
{
    if (x < 0 || y < 0 || x >= image->head.columns || y >= image->head.rows) {
        return 0;
    }
    return putRowByte(image, (int)y, (int)x, 1, band, &value);
}

/*
 *----------------------------------------------------------------------
 *
 * ramImageDrawLine --
 *
 *	Steps one pixel at a time along the axis of the larger difference
 *	and by the slope along the other, rounding halves away from zero:
 *	(0, 0) to (4, 2) writes (0,0) (1,1) (2,1) (3,2) (4,2).
 *
 * Results:
 *	The number of pixels written.
 *
 *----------------------------------------------------------------------
 */
int ramImageDrawLine(RAMIMG *image, int band, int value, int x0, int y0, int x1, int y1)
{
    unsigned char byte = (unsigned char)value;
    if (x0 == x1 && y0 == y1) {
        return plot(image, band, byte, x0, y0);
    }
    int64_t dx = (int64_t)x1 - x0, dy = (int64_t)y1 - y0;
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    int64_t steps = adx > ady ? adx : ady;
    float stepX = adx >= ady ? (dx > 0 ? 1.0f : -1.0f) : (float)dx / (float)ady;
    float stepY = ady >= adx ? (dy > 0 ? 1.0f : -1.0f) : (float)dy / (float)adx;

    /* The number of points comes from the major axis: summing a slope in
     * single precision can overshoot the end by a rounding error and would
     * otherwise drop the last pixel. */
    float x = (float)x0, y = (float)y0;
    int count = 0;
    for (int64_t i = 0; i <= steps; i++) {
        count += plot(image, band, byte, roundToInt(x), roundToInt(y));
        x += stepX;
        y += stepY;
    }
    return count;
}

int ramImageDrawPolyline(RAMIMG *image, int band, int value, const PointList *points)
{
    if (points == NULL || points->count < 2) {
        return 0;
    }
    for (int i = 0; i + 1 < points->count; i++) {
        ramImageDrawLine(image, band, value, points->points[i].x, points->points[i].y,
                         points->points[i + 1].x, points->points[i + 1].y);
    }
    return points->count - 1;
}

/*
 *----------------------------------------------------------------------
 *
 * ramImageFillPolygon --
 *
 *	Writes value into the pixels x0 .. x1 - 1 of row y for every span
 *	(y, x0) (y, x1) of the polygon, clipped to the image.
 *
 * Results:
 *	The number of spans, 0 when memory runs out.
 *
 *----------------------------------------------------------------------
 */
int ramImageFillPolygon(RAMIMG *image, int band, int value, const PointList *points)
{
    if (points == NULL || image->head.columns <= 0) {
        return 0;
    }
    PointList *spans = polyToSpans(points);
    if (spans == NULL) {
        return 0;
    }
    unsigned char *run = (unsigned char *)gmemAlloc((size_t)image->head.columns);
    if (run == NULL) {
        polyFree(spans);
        return 0;
    }
    memset(run, value, (size_t)image->head.columns);
    int count = spans->count / 2;
    for (int i = 0; i < count; i++) {
        int y = spans->points[2 * i].y;
        int left = spans->points[2 * i].x;
        int right = spans->points[2 * i + 1].x;
        if (y < 0 || y >= image->head.rows) {
            continue;
        }
        if (left < 0) {
            left = 0;
        }
        if (right > image->head.columns) {
            right = image->head.columns;
        }
        if (left < right) {
            putRowByte(image, y, left, right - left, band, run);
        }
    }
    gmemFree(run);
    polyFree(spans);
    return count;
}
