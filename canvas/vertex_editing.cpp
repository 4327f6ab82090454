/*
 * vertex_editing.cpp --
 *
 *	Vertex index, insert and delete shared by the line and polygon
 *	items; each item keeps its own rules on top (clamped or wrapped
 *	indices, how few vertices a part may keep).
 */
#include "canvas/vertex_editing.h"
#include <math.h>
#include <stdlib.h>
#include <string.h>

static int givenCount(const int *storedSizes, const int *closingPoints, int k)
{
    return storedSizes[k] - (closingPoints != NULL ? closingPoints[k] : 0);
}

int vertexIndexFromObj(Tcl_Interp *interp, GcCanvas c, Tcl_Obj *obj, const double *points, int numParts,
                       const int *storedSizes, const int *closingPoints, int wrap, int *indexPtr)
{
    const char *s = Tcl_GetString(obj);
    size_t len = strlen(s);
    int total = 0;
    for (int k = 0; k < numParts; k++) total += givenCount(storedSizes, closingPoints, k);
    total *= 2;
    if (len > 0 && s[0] == 'e' && strncmp(s, "end", len) == 0) {
        *indexPtr = total;
        return TCL_OK;
    }
    if (s[0] == '@') {
        char *end;
        double x = strtod(s + 1, &end);
        if (end != s + 1 && *end == ',') {
            const char *ys = end + 1;
            double y = strtod(ys, &end);
            if (end != ys && *end == '\0') {
                double best = HUGE_VAL;
                int bestIndex = 0, at = 0;
                const double *src = points;
                for (int k = 0; k < numParts; k++) {
                    int g = givenCount(storedSizes, closingPoints, k);
                    for (int i = 0; i < g; i++, at++) {
                        double d = hypot((src[2 * i] - x) * c->mx, (src[2 * i + 1] - y) * c->my);
                        if (d < best) {
                            best = d;
                            bestIndex = 2 * at;
                        }
                    }
                    src += 2 * storedSizes[k];
                }
                *indexPtr = bestIndex;
                return TCL_OK;
            }
        }
    } else {
        int i;
        if (Tcl_GetIntFromObj(NULL, obj, &i) == TCL_OK) {
            i &= ~1;
            if (!wrap) {
                if (i < 0) i = 0;
                if (i > total) i = total;
                *indexPtr = i;
            } else if (total == 0) {
                *indexPtr = 0;
            } else if (i > 0) {
                *indexPtr = ((i - 2) % total) + 2;
            } else {
                *indexPtr = -((-i) % total);
            }
            return TCL_OK;
        }
    }
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "bad index \"", s, "\"", (char *)NULL);
    return TCL_ERROR;
}

double *vertexValuesFromObj(Tcl_Obj *obj, int *count)
{
    int objc;
    Tcl_Obj **objv;
    *count = 0;
    if (Tcl_ListObjGetElements(NULL, obj, &objc, &objv) != TCL_OK || objc == 0 || (objc & 1)) return NULL;
    double *vals = (double *)ckalloc(objc * sizeof(double));
    for (int i = 0; i < objc; i++) {
        if (Tcl_GetDoubleFromObj(NULL, objv[i], &vals[i]) != TCL_OK) {
            ckfree((char *)vals);
            *count = -1;
            return NULL;
        }
    }
    *count = objc;
    return vals;
}

void verticesInsert(const double *points, int numPoints, const int *sizes, int numParts, int before,
                    const double *vals, int added, double **pointsOut, int **sizesOut, int *numPartsOut)
{
    if (before < 0) before = 0;
    if (before > numPoints) before = numPoints;
    int total = numPoints + added;
    double *merged = (double *)ckalloc((total > 0 ? 2 * total : 1) * sizeof(double));
    if (before > 0) memcpy(merged, points, 2 * before * sizeof(double));
    if (added > 0) memcpy(merged + 2 * before, vals, 2 * added * sizeof(double));
    if (numPoints > before) {
        memcpy(merged + 2 * (before + added), points + 2 * before, 2 * (numPoints - before) * sizeof(double));
    }
    int parts = numParts > 0 ? numParts : 1;
    int *newSizes = (int *)ckalloc(parts * sizeof(int));
    if (numParts > 0) {
        memcpy(newSizes, sizes, numParts * sizeof(int));
        newSizes[partOfVertex(before, sizes, numParts)] += added;
    } else {
        newSizes[0] = added;
    }
    *pointsOut = merged;
    *sizesOut = newSizes;
    *numPartsOut = parts;
}

int verticesKeepOutside(const double *points, const int *sizes, int numParts, int from, int to, int minPart,
                        double *keptPoints, int *keptSizes, int *keptTotal)
{
    int parts = 0, at = 0, start = 0;
    for (int k = 0; k < numParts; k++) {
        int m = 0;
        for (int i = start; i < start + sizes[k]; i++) {
            int inRun = from <= to ? i >= from && i <= to : i >= from || i <= to;
            if (!inRun) {
                keptPoints[2 * (at + m)] = points[2 * i];
                keptPoints[2 * (at + m) + 1] = points[2 * i + 1];
                m++;
            }
        }
        if (m > 0 && m >= minPart) {
            keptSizes[parts++] = m;
            at += m;
        }
        start += sizes[k];
    }
    *keptTotal = at;
    return parts;
}

void pointsScale(double *points, int n, double ox, double oy, double sx, double sy)
{
    for (int i = 0; i < n; i++) {
        points[2 * i] = ox + sx * (points[2 * i] - ox);
        points[2 * i + 1] = oy + sy * (points[2 * i + 1] - oy);
    }
}

void pointsTranslate(double *points, int n, double dx, double dy)
{
    for (int i = 0; i < n; i++) {
        points[2 * i] += dx;
        points[2 * i + 1] += dy;
    }
}

void componentHighlight(GcCanvas c, GcanvasItem *item, int on, int picked, int *highlight, int count,
                        ComponentRedraw redraw)
{
    if (on) {
        if (picked >= 0 && picked < count && picked != *highlight) {
            redraw(c, item, picked);
            *highlight = picked;
        }
    } else if (*highlight >= 0) {
        if (*highlight < count) redraw(c, item, *highlight);
        *highlight = -1;
    }
}
