/*
 * gcanvas_find.cpp --
 *
 *	find and addtag searches (closest in world units, enclosed and
 *	overlapping in canvas pixels) and restacking for raise and lower.
 */
#include <string.h>
#include "canvas/gcanvas.h"
#include "core/rounding.h"

static void selectItem(Tcl_Interp *interp, GcanvasItem *item, Tk_Uid tag)
{
    gcanvasDoItem(interp, item, tag);
}

static int findArea(Tcl_Interp *interp, GcanvasWidget *c, Tcl_Obj *const coords[], Tk_Uid tag,
                    int enclosed)
{
    double r[4];
    for (int i = 0; i < 4; i++) {
        if (gcanvasGetCoordFromObj(interp, c, coords[i], &r[i]) != TCL_OK) return TCL_ERROR;
    }
    double t;
    if (r[0] > r[2]) { t = r[0]; r[0] = r[2]; r[2] = t; }
    if (r[1] > r[3]) { t = r[1]; r[1] = r[3]; r[3] = t; }
    double x1 = (double)clampToInt(r[0] - 1), y1 = (double)clampToInt(r[1] - 1);
    double x2 = (double)clampToInt(r[2] + 1), y2 = (double)clampToInt(r[3] + 1);
    for (GcanvasItem *item = c->firstItemPtr; item != NULL; item = item->nextPtr) {
        if (item->x1 >= x2 || item->x2 <= x1 || item->y1 >= y2 || item->y2 <= y1) continue;
        if (gcanvasItemHidden(c, item)) continue;
        if (item->typePtr->areaProc == NULL) continue;
        if (item->typePtr->areaProc(c, item, r) >= enclosed) {
            selectItem(interp, item, tag);
        }
    }
    return TCL_OK;
}

int gcanvasFindItems(Tcl_Interp *interp, GcanvasWidget *c, int objc, Tcl_Obj *const objv[],
                     Tcl_Obj *newTag, int first, GcTagSearch **search)
{
    static const char *const options[] = {"above", "all", "below", "closest", "component", "enclosed",
                                          "overlapping", "withtag", NULL};
    enum { F_ABOVE, F_ALL, F_BELOW, F_CLOSEST, F_COMPONENT, F_ENCLOSED, F_OVERLAPPING, F_WITHTAG };
    int index;
    if (Tcl_GetIndexFromObj(interp, objv[first], options, "search command", 0, &index) != TCL_OK) {
        return TCL_ERROR;
    }
    Tk_Uid tag = newTag ? Tk_GetUid(Tcl_GetString(newTag)) : NULL;
    GcanvasItem *item;
    switch (index) {
    case F_ABOVE: case F_BELOW: case F_WITHTAG: case F_COMPONENT: {
        if (objc != first + 2) {
            Tcl_WrongNumArgs(interp, first + 1, objv, "tagOrId");
            return TCL_ERROR;
        }
        if (tagSearchScan(c, objv[first + 1], search) != TCL_OK) return TCL_ERROR;
        if (index == F_WITHTAG) {
            for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
                selectItem(interp, item, tag);
            }
        } else if (index == F_ABOVE) {
            GcanvasItem *last = NULL;
            for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
                last = item;
            }
            if (last != NULL && last->nextPtr != NULL) selectItem(interp, last->nextPtr, tag);
        } else if (index == F_BELOW) {
            item = tagSearchFirst(*search);
            if (item != NULL && item->prevPtr != NULL) selectItem(interp, item->prevPtr, tag);
        } else {
            item = tagSearchFirst(*search);
            if (item != NULL && item->typePtr->getComponentProc != NULL) {
                Tcl_SetObjResult(interp, Tcl_NewIntObj(item->typePtr->getComponentProc(item)));
            }
        }
        return TCL_OK;
    }
    case F_ALL:
        if (objc != first + 1) {
            Tcl_WrongNumArgs(interp, first + 1, objv, NULL);
            return TCL_ERROR;
        }
        for (item = c->firstItemPtr; item != NULL; item = item->nextPtr) {
            selectItem(interp, item, tag);
        }
        return TCL_OK;
    case F_CLOSEST: {
        if (objc < first + 3 || objc > first + 5) {
            Tcl_WrongNumArgs(interp, first + 1, objv, "x y ?halo? ?start?");
            return TCL_ERROR;
        }
        double p[2], halo = 0.0;
        if (gcanvasGetCoordFromObj(interp, c, objv[first + 1], &p[0]) != TCL_OK
                || gcanvasGetCoordFromObj(interp, c, objv[first + 2], &p[1]) != TCL_OK) {
            return TCL_ERROR;
        }
        p[0] = worldToCanvasX(c, p[0]);
        p[1] = worldToCanvasY(c, p[1]);
        if (objc > first + 3) {
            if (gcanvasGetCoordFromObj(interp, c, objv[first + 3], &halo) != TCL_OK) return TCL_ERROR;
            if (halo < 0.0) {
                Tcl_AppendResult(interp, "can't have negative halo value \"",
                                 Tcl_GetString(objv[first + 3]), "\"", (char *)NULL);
                return TCL_ERROR;
            }
        }
        GcanvasItem *start = c->firstItemPtr;
        if (objc == first + 5) {
            if (tagSearchScan(c, objv[first + 4], search) != TCL_OK) return TCL_ERROR;
            item = tagSearchFirst(*search);
            if (item != NULL) start = item;
        }
        item = start;
        while (item != NULL && gcanvasItemHidden(c, item)) item = item->nextPtr;
        if (item == NULL || item->typePtr->pointProc == NULL) return TCL_OK;
        GcanvasItem *closest = item;
        double dist = item->typePtr->pointProc(c, item, p) - halo;
        if (dist < 0.0) dist = 0.0;
        double box[4];
        for (;;) {
            box[0] = clampToInt(p[0] - dist - halo - 1);
            box[1] = clampToInt(p[1] - dist - halo - 1);
            box[2] = clampToInt(p[0] + dist + halo + 1);
            box[3] = clampToInt(p[1] + dist + halo + 1);
            GcanvasItem *next = item->nextPtr;
            int found = 0;
            for (;;) {
                if (next == NULL) next = c->firstItemPtr;
                if (next == start) {
                    selectItem(interp, closest, tag);
                    return TCL_OK;
                }
                if (!gcanvasItemHidden(c, next)
                        && !(next->x1 >= box[2] || next->x2 <= box[0] || next->y1 >= box[3]
                             || next->y2 <= box[1])
                        && next->typePtr->pointProc != NULL) {
                    double d = next->typePtr->pointProc(c, next, p) - halo;
                    if (d < 0.0) d = 0.0;
                    if (d <= dist) {
                        dist = d;
                        closest = next;
                        item = next;
                        found = 1;
                        break;
                    }
                }
                next = next->nextPtr;
            }
            (void)found;
        }
    }
    case F_ENCLOSED: case F_OVERLAPPING:
        if (objc != first + 5) {
            Tcl_WrongNumArgs(interp, first + 1, objv, "x1 y1 x2 y2");
            return TCL_ERROR;
        }
        return findArea(interp, c, objv + first + 1, tag, index == F_ENCLOSED ? 1 : 0);
    }
    return TCL_OK;
}

int gcanvasRelinkItems(GcanvasWidget *c, Tcl_Obj *tagObj, GcanvasItem *prevPtr, GcTagSearch **search)
{
    if (tagSearchScan(c, tagObj, search) != TCL_OK) return TCL_ERROR;
    GcanvasItem *firstMove = NULL, *lastMove = NULL;
    for (GcanvasItem *item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
        if (item == prevPtr) {
            prevPtr = prevPtr->prevPtr;
        }
        if (item->prevPtr == NULL) {
            if (item->nextPtr != NULL) item->nextPtr->prevPtr = NULL;
            c->firstItemPtr = item->nextPtr;
        } else {
            if (item->nextPtr != NULL) item->nextPtr->prevPtr = item->prevPtr;
            item->prevPtr->nextPtr = item->nextPtr;
        }
        if (c->lastItemPtr == item) c->lastItemPtr = item->prevPtr;
        if (firstMove == NULL) {
            item->prevPtr = NULL;
            firstMove = item;
        } else {
            item->prevPtr = lastMove;
            lastMove->nextPtr = item;
        }
        lastMove = item;
        gcanvasEventuallyRedrawItem(c, item);
        c->flags |= GC_REPICK_NEEDED;
    }
    if (firstMove == NULL) return TCL_OK;
    if (prevPtr == NULL) {
        if (c->firstItemPtr != NULL) c->firstItemPtr->prevPtr = lastMove;
        lastMove->nextPtr = c->firstItemPtr;
        c->firstItemPtr = firstMove;
    } else {
        if (prevPtr->nextPtr != NULL) prevPtr->nextPtr->prevPtr = lastMove;
        lastMove->nextPtr = prevPtr->nextPtr;
        firstMove->prevPtr = prevPtr;
        prevPtr->nextPtr = firstMove;
    }
    if (c->lastItemPtr == prevPtr) c->lastItemPtr = lastMove;
    if (c->lastItemPtr == NULL) c->lastItemPtr = lastMove;
    return TCL_OK;
}
