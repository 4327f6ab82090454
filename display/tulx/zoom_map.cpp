/*
 * zoom_map.cpp --
 *
 *	Zoom maps: for every view column (or row) the image column it shows,
 *	resolved once per geometry change so that rendering never divides
 *	per pixel. A negative zoom mirrors like the flip; both cancel.
 */
#include <stdlib.h>
#include <string.h>

#include "core/gmem.h"
#include "core/rounding.h"
#include "display/tulx/tulx.h"

void zoomMapInit(ZoomMap *map)
{
    memset(map, 0, sizeof(*map));
}

ZoomMap *zoomMapNew(void)
{
    ZoomMap *map = (ZoomMap *)tclAlloc(sizeof(ZoomMap));
    if (map != NULL) {
        zoomMapInit(map);
    }
    return map;
}

void zoomMapFree(ZoomMap *map)
{
    if (map->index != NULL) {
        tclFree(map->index);
    }
    zoomMapInit(map);
}

void zoomMapDelete(ZoomMap *map)
{
    if (map != NULL) {
        zoomMapFree(map);
        tclFree(map);
    }
}

/*
 * makeZoomMap --
 *	Fills the map for n view positions from origin. NULL for n < 1 or
 *	when the table cannot be allocated.
 */
ZoomMap *makeZoomMap(ZoomMap *map, int n, int origin, int flip, double zoom)
{
    if (n < 1) {
        return NULL;
    }
    if (map->index != NULL && n == map->n && origin == map->origin && flip == map->flip
            && zoom == map->zoom) {
        return map;
    }
    if (n != map->n && map->index != NULL) {
        tclFree(map->index);
        map->index = NULL;
    }
    map->n = n;
    map->origin = origin;
    map->flip = flip;
    map->zoom = zoom;
    if (map->index == NULL) {
        map->index = (int *)tclAlloc(sizeof(int) * (size_t)n);
        if (map->index == NULL) {
            map->n = 0;
            return NULL;
        }
    }
    /* A zoom of 0 would divide by zero; it shows the origin everywhere. */
    for (int i = 0; i < n; i++) {
        double step = zoom != 0.0 ? i / zoom : 0.0;
        int value;
        if (zoom > 0) {
            value = clampToInt(origin + step);
            map->index[flip ? n - 1 - i : i] = value;
        } else {
            value = clampToInt(origin - step);
            map->index[flip ? i : n - 1 - i] = value;
        }
    }
    return map;
}

/*
 * zoomSubMap --
 *	A new map of n entries taken from map at start, -1 outside it.
 */
ZoomMap *zoomSubMap(const ZoomMap *map, int start, int n)
{
    ZoomMap *sub = zoomMapNew();
    if (sub == NULL || n < 1) {
        return sub;
    }
    sub->index = (int *)tclAlloc(sizeof(int) * (size_t)n);
    if (sub->index == NULL) {
        return sub;
    }
    sub->n = n;
    for (int j = 0; j < n; j++) {
        int k = start + j;
        sub->index[j] = (k >= 0 && k < map->n) ? map->index[k] : -1;
    }
    sub->zoom = map->zoom;
    sub->origin = sub->index[0];
    sub->flip = 0;
    return sub;
}

/*
 * zoomMapSpan --
 *	The run [first, last) of view positions whose image index lies in
 *	0 .. limit-1. Maps of either direction are scanned from their start.
 */
void zoomMapSpan(const ZoomMap *map, int limit, int *first, int *last)
{
    int n = map->n;
    int i = 0;
    bool decreasing = n > 1 && map->index[n - 1] < map->index[0];
    if (!decreasing) {
        while (i < n && map->index[i] < 0) {
            i++;
        }
        *first = i;
        while (i < n && map->index[i] < limit) {
            i++;
        }
    } else {
        while (i < n && map->index[i] >= limit) {
            i++;
        }
        *first = i;
        while (i < n && map->index[i] >= 0) {
            i++;
        }
    }
    *last = i;
}

double zoomImageToScreen(const ZoomMap *map, double v)
{
    double z = map->zoom, o = map->origin;
    int n = map->n;
    if (z > 0) {
        return map->flip ? (o - v) * z + n - 1 : (v - o) * z;
    }
    return map->flip ? (o - v) * z : (v - o) * z + n - 1;
}

double zoomScreenToImage(const ZoomMap *map, double v)
{
    double z = map->zoom, o = map->origin;
    int n = map->n;
    if (z == 0.0) {
        return o;
    }
    if (z > 0) {
        return map->flip ? ((n - 1) - v) / z + o : v / z + o;
    }
    return map->flip ? o - v / z : o - ((n - 1) - v) / z;
}
