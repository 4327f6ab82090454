/*
 * point_list.cpp --
 *
 *	Point lists, their growth and sorting, and the scan conversion of
 *	polygons into scanline spans (one polygon, or the even-odd
 *	combination of a chain).
 */
#include "core/point_list.h"
#include "core/rounding.h"
#include "ovex/ovexstdio.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

int16_t pointCoord(int value)
{
    if (value > INT16_MAX) {
        return INT16_MAX;
    }
    if (value < INT16_MIN) {
        return INT16_MIN;
    }
    return (int16_t)value;
}

/*
 * polyNew --
 *	Returns a new list of n zeroed points with count = capacity = n, or
 *	NULL (nothing left allocated) when n is not above 0 or memory runs
 *	out.
 */
PointList *polyNew(int n)
{
    if (n <= 0) {
        return NULL;
    }
    PointList *list = (PointList *)calloc(1, sizeof(PointList));
    if (list == NULL) {
        return NULL;
    }
    list->points = (PolyPoint *)calloc((size_t)n, sizeof(PolyPoint));
    if (list->points == NULL) {
        free(list);
        return NULL;
    }
    list->capacity = n;
    list->count = n;
    return list;
}

/*
 * polyAllocPt --
 *	Resizes the list's point array to n slots, keeping the points that
 *	fit and zeroing added slots; count is cut to n. Returns the array, or
 *	NULL when n <= 0 (the array is freed) or when it cannot be resized:
 *	then the list is left empty and the failure is reported on stderr.
 */
PolyPoint *polyAllocPt(PointList *list, int n)
{
    if (list == NULL) {
        return NULL;
    }
    if (n <= 0) {
        free(list->points);
        list->points = NULL;
        list->capacity = 0;
        list->count = 0;
        return NULL;
    }
    PolyPoint *points = (PolyPoint *)realloc(list->points, (size_t)n * sizeof(PolyPoint));
    if (points == NULL) {
        free(list->points);
        list->points = NULL;
        list->capacity = 0;
        list->count = 0;
        ovex_fprintf(stderr, "Error in polyAllocPt: fail to allocate memory.\n");
        return NULL;
    }
    if (n > list->capacity) {
        memset(points + list->capacity, 0, (size_t)(n - list->capacity) * sizeof(PolyPoint));
    }
    list->points = points;
    list->capacity = n;
    if (list->count > n) {
        list->count = n;
    }
    return points;
}

/*
 * growList --
 *	Adds POINT_LIST_GROWTH slots. Returns 0 when the list could not grow
 *	(it is then empty, as polyAllocPt leaves it).
 */
static int growList(PointList *list)
{
    if (list->capacity > INT32_MAX - POINT_LIST_GROWTH) {
        polyAllocPt(list, 0);
        ovex_fprintf(stderr, "Error in polyAllocPt: fail to allocate memory.\n");
        return 0;
    }
    return polyAllocPt(list, list->capacity + POINT_LIST_GROWTH) != NULL;
}

void polyAppend(PointList *list, int x, int y)
{
    if (list == NULL) {
        return;
    }
    if (list->count >= list->capacity && !growList(list)) {
        return;
    }
    list->points[list->count].x = pointCoord(x);
    list->points[list->count].y = pointCoord(y);
    list->count++;
}

void polyAppendPair(PointList *list, PolyPoint a, PolyPoint b)
{
    if (list == NULL) {
        return;
    }
    if (list->capacity - list->count < 2 && !growList(list)) {
        return;
    }
    list->points[list->count++] = a;
    list->points[list->count++] = b;
}

void polyFree(PointList *list)
{
    while (list != NULL) {
        PointList *next = list->next;
        free(list->points);
        free(list);
        list = next;
    }
}

void polySortYX(PointList *list)
{
    if (list == NULL || list->count < 2) {
        return;
    }
    std::sort(list->points, list->points + list->count, [](const PolyPoint &a, const PolyPoint &b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
}

/*
 * spansCompact --
 *	Removes the pairs whose two points are equal (empty spans), and a
 *	trailing point without a partner; shrinks the array to the points
 *	left (freeing it when none is).
 */
void spansCompact(PointList *spans)
{
    if (spans == NULL) {
        return;
    }
    int kept = 0;
    for (int i = 0; i + 1 < spans->count; i += 2) {
        PolyPoint a = spans->points[i];
        PolyPoint b = spans->points[i + 1];
        if (a.x == b.x && a.y == b.y) {
            continue;
        }
        spans->points[kept++] = a;
        spans->points[kept++] = b;
    }
    spans->count = kept;
    polyAllocPt(spans, kept);
}

/*
 * polyToSpans --
 *	Scan-converts the first polygon of the list (closed implicitly):
 *	every edge contributes one crossing on each of its interior rows, a
 *	vertex passed monotonically in y one crossing, a local top or bottom
 *	none. Sorted by y then x, consecutive points pair into spans whose
 *	second x is exclusive. Returns a new list (empty for fewer than two
 *	points), or NULL when its first slots cannot be allocated.
 */
PointList *polyToSpans(const PointList *polygon)
{
    PointList *spans = polyNew(POINT_LIST_GROWTH);
    if (spans == NULL) {
        return NULL;
    }
    spans->count = 0;
    if (polygon == NULL || polygon->count < 2 || polygon->points == NULL) {
        return spans;
    }

    const PolyPoint *p = polygon->points;
    int n = polygon->count;
    // A polygon that repeats its first point at the end is the same polygon.
    int start = (p[n - 1].x == p[0].x && p[n - 1].y == p[0].y) ? 1 : 0;
    PolyPoint prev = p[n - 1];
    int dyPrev = p[n - 2].y - p[n - 1].y;
    double slope = 0.0;
    double intercept = 0.0;

    for (int i = start; i < n; i++) {
        PolyPoint cur = p[i];
        int dy = prev.y - cur.y;
        if (dy != 0) {
            slope = (double)(prev.x - cur.x) / dy;
            intercept = cur.x - slope * cur.y;
        }
        if (dy < 0) {
            if (dyPrev <= 0) {
                polyAppend(spans, prev.x, prev.y);
            }
            for (int y = prev.y + 1; y < cur.y; y++) {
                polyAppend(spans, roundToInt(slope * y + intercept), y);
            }
        } else {
            if (dyPrev > 0) {
                polyAppend(spans, prev.x, prev.y);
            }
            for (int y = prev.y - 1; y > cur.y; y--) {
                polyAppend(spans, roundToInt(slope * y + intercept), y);
            }
        }
        dyPrev = dy;
        prev = cur;
    }
    polySortYX(spans);
    return spans;
}

/*
 * polyChainSpans --
 *	The spans of every polygon of the chain merged and re-paired after
 *	one sort, so that a pixel is inside when an odd number of polygons
 *	hold it (holes and overlaps drop out); empty pairs are removed.
 *	Returns NULL for an empty chain or when memory runs out.
 */
PointList *polyChainSpans(const PointList *chain)
{
    if (chain == NULL) {
        return NULL;
    }
    PointList *all = polyToSpans(chain);
    if (all == NULL) {
        return NULL;
    }
    for (const PointList *polygon = chain->next; polygon != NULL; polygon = polygon->next) {
        PointList *spans = polyToSpans(polygon);
        if (spans == NULL) {
            continue;
        }
        for (int i = 0; i + 1 < spans->count; i += 2) {
            polyAppendPair(all, spans->points[i], spans->points[i + 1]);
        }
        polyFree(spans);
    }
    polySortYX(all);
    spansCompact(all);
    return all;
}
