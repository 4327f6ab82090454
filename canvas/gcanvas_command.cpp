/*
 * gcanvas_command.cpp --
 *
 *	The widget command: dispatch and the canvas subcommands that create,
 *	configure, move, scale, delete and list items.
 */
#include <stdio.h>
#include <string.h>
#include "canvas/gcanvas.h"

static const char *const optionStrings[] = {
    "addtag", "area", "assemble", "bbox", "bind", "canvasx", "canvasy", "centroid", "cget",
    "configure", "coords", "count", "create", "dbbox", "dchars", "delete", "disassemble", "dtag",
    "find", "focus", "gettags", "group", "icursor", "index", "insert", "itemcget", "itemconfigure",
    "langle", "length", "lower", "mbbox", "move", "postscript", "raise", "redraw", "sbbox", "scale",
    "scan", "select", "type", "vangle", "xview", "yview", NULL};
enum {
    C_ADDTAG, C_AREA, C_ASSEMBLE, C_BBOX, C_BIND, C_CANVASX, C_CANVASY, C_CENTROID, C_CGET,
    C_CONFIGURE, C_COORDS, C_COUNT, C_CREATE, C_DBBOX, C_DCHARS, C_DELETE, C_DISASSEMBLE, C_DTAG,
    C_FIND, C_FOCUS, C_GETTAGS, C_GROUP, C_ICURSOR, C_INDEX, C_INSERT, C_ITEMCGET, C_ITEMCONFIGURE,
    C_LANGLE, C_LENGTH, C_LOWER, C_MBBOX, C_MOVE, C_POSTSCRIPT, C_RAISE, C_REDRAW, C_SBBOX, C_SCALE,
    C_SCAN, C_SELECT, C_TYPE, C_VANGLE, C_XVIEW, C_YVIEW
};

static void deleteItem(GcanvasWidget *c, GcanvasItem *item)
{
    gcanvasEventuallyRedrawItem(c, item);
    if (c->bindingTable != NULL) {
        Tk_DeleteAllBindings(c->bindingTable, (ClientData)item);
    }
    Tcl_HashEntry *e = Tcl_FindHashEntry(&c->idTable, (char *)(intptr_t)item->id);
    if (e != NULL) {
        Tcl_DeleteHashEntry(e);
    }
    if (item->nextPtr != NULL) item->nextPtr->prevPtr = item->prevPtr;
    if (item->prevPtr != NULL) item->prevPtr->nextPtr = item->nextPtr;
    if (c->firstItemPtr == item) c->firstItemPtr = item->nextPtr;
    if (c->lastItemPtr == item) c->lastItemPtr = item->prevPtr;
    if (c->currentItemPtr == item) {
        c->currentItemPtr = NULL;
        c->flags |= GC_REPICK_NEEDED;
    }
    if (c->newCurrentPtr == item) {
        c->newCurrentPtr = NULL;
        c->flags |= GC_REPICK_NEEDED;
    }
    if (c->textInfo.focusItemPtr == item) c->textInfo.focusItemPtr = NULL;
    if (c->textInfo.selItemPtr == item) c->textInfo.selItemPtr = NULL;
    if (c->textInfo.anchorItemPtr == item) c->textInfo.anchorItemPtr = NULL;
    if (c->hotPtr == item || c->hotPrevPtr == item) c->hotPtr = NULL;
    gcanvasForgetQueued(c, item);
    gcanvasFreeItem(c, item);
}

/* The widget's delete of one top-level item, for commands that reach an
 * item otherwise than by tag search. */
void gcanvasDeleteItem(GcanvasWidget *c, GcanvasItem *item)
{
    deleteItem(c, item);
}

static int charsCmd(Tcl_Interp *interp, GcanvasWidget *c, int index, int objc, Tcl_Obj *const objv[],
                    GcTagSearch **search)
{
    if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
    for (GcanvasItem *item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
        GcanvasItemType *t = item->typePtr;
        if (t->indexProc == NULL) continue;
        if (index == C_DCHARS) {
            if (t->dCharsProc == NULL) continue;
            int first, last;
            if (t->indexProc(interp, c, item, objv[3], &first) != TCL_OK) return TCL_ERROR;
            last = first;
            if (objc == 5 && t->indexProc(interp, c, item, objv[4], &last) != TCL_OK) return TCL_ERROR;
            double x1 = item->x1, y1 = item->y1, x2 = item->x2, y2 = item->y2;
            item->redraw_flags &= ~GC_ITEM_DONT_REDRAW;
            t->dCharsProc(c, item, first, last);
            if (!(item->redraw_flags & GC_ITEM_DONT_REDRAW)) {
                gcanvasEventuallyRedraw(c, x1, y1, x2, y2, 1);
                gcanvasEventuallyRedrawItem(c, item);
            }
        } else {
            if (t->insertProc == NULL) continue;
            int before;
            if (t->indexProc(interp, c, item, objv[3], &before) != TCL_OK) return TCL_ERROR;
            double x1 = item->x1, y1 = item->y1, x2 = item->x2, y2 = item->y2;
            item->redraw_flags &= ~GC_ITEM_DONT_REDRAW;
            t->insertProc(c, item, before, objv[4]);
            if (!(item->redraw_flags & GC_ITEM_DONT_REDRAW)) {
                gcanvasEventuallyRedraw(c, x1, y1, x2, y2, 1);
                gcanvasEventuallyRedrawItem(c, item);
            }
        }
        item->redraw_flags &= ~GC_ITEM_DONT_REDRAW;
    }
    return TCL_OK;
}

static int dispatch(GcanvasWidget *c, Tcl_Interp *interp, int index, int objc, Tcl_Obj *const objv[],
                    GcTagSearch **search)
{
    GcanvasItem *item;
    switch (index) {
    case C_ADDTAG:
        if (objc < 4) {
            Tcl_WrongNumArgs(interp, 2, objv, "tag searchCommand ?arg arg ...?");
            return TCL_ERROR;
        }
        return gcanvasFindItems(interp, c, objc, objv, objv[2], 3, search);
    case C_AREA: case C_BBOX: case C_CENTROID: case C_COUNT: case C_DBBOX: case C_LENGTH:
    case C_MBBOX: case C_SBBOX: case C_REDRAW: case C_LANGLE: case C_VANGLE: case C_GROUP:
    case C_ASSEMBLE: case C_DISASSEMBLE:
        return gcanvasMeasureCmd(interp, c, index, objc, objv, search);
    case C_BIND:
        return gcanvasBindCmd(interp, c, objc, objv, search);
    case C_CANVASX: case C_CANVASY: {
        if (objc != 3 && objc != 4) {
            Tcl_WrongNumArgs(interp, 2, objv, index == C_CANVASX ? "screenx ?gridspacing?"
                                                                  : "screeny ?gridspacing?");
            return TCL_ERROR;
        }
        int screen;
        double grid = 0.0;
        if (Tk_GetPixels(interp, c->tkwin, Tcl_GetString(objv[2]), &screen) != TCL_OK) return TCL_ERROR;
        if (objc == 4 && gcanvasGetCoordFromObj(interp, c, objv[3], &grid) != TCL_OK) return TCL_ERROR;
        double v = index == C_CANVASX ? ((double)screen + c->xOrigin + c->sxOrigin) / c->mx
                                      : ((double)screen + c->yOrigin + c->syOrigin) / c->my;
        Tcl_SetObjResult(interp, Tcl_NewDoubleObj(gridAlign(v, grid)));
        return TCL_OK;
    }
    case C_CGET:
        if (objc != 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "option");
            return TCL_ERROR;
        }
        return Tk_ConfigureValue(interp, c->tkwin, gcanvasConfigSpecs, (char *)c, Tcl_GetString(objv[2]), 0);
    case C_CONFIGURE:
        if (objc == 2) {
            return Tk_ConfigureInfo(interp, c->tkwin, gcanvasConfigSpecs, (char *)c, NULL, 0);
        }
        if (objc == 3) {
            return Tk_ConfigureInfo(interp, c->tkwin, gcanvasConfigSpecs, (char *)c, Tcl_GetString(objv[2]), 0);
        }
        return gcanvasConfigure(interp, c, objc - 2, objv + 2, TK_CONFIG_ARGV_ONLY);
    case C_COORDS:
        if (objc < 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId ?x y x y ...?");
            return TCL_ERROR;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        item = tagSearchFirst(*search);
        if (item != NULL && item->typePtr->coordProc != NULL) {
            if (objc != 3) gcanvasEventuallyRedrawItem(c, item);
            int status = item->typePtr->coordProc(interp, c, item, objc - 3, objv + 3);
            if (objc != 3) gcanvasEventuallyRedrawItem(c, item);
            return status;
        }
        return TCL_OK;
    case C_CREATE: {
        if (objc < 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "type ?arg arg ...?");
            return TCL_ERROR;
        }
        GcanvasItemType *type = gcanvasMatchItemType(Tcl_GetString(objv[2]));
        if (type == NULL) {
            Tcl_AppendResult(interp, "unknown or ambiguous item type \"", Tcl_GetString(objv[2]), "\"",
                             (char *)NULL);
            return TCL_ERROR;
        }
        if (gcanvasCreateItem(interp, c, type, objc - 3, objv + 3, NULL, &item) != TCL_OK) {
            return TCL_ERROR;
        }
        Tcl_SetObjResult(interp, Tcl_NewIntObj(item->id));
        return TCL_OK;
    }
    case C_DCHARS:
        if (objc != 4 && objc != 5) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId first ?last?");
            return TCL_ERROR;
        }
        return charsCmd(interp, c, index, objc, objv, search);
    case C_INSERT:
        if (objc != 5) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId beforeThis string");
            return TCL_ERROR;
        }
        return charsCmd(interp, c, index, objc, objv, search);
    case C_DELETE:
        for (int i = 2; i < objc; i++) {
            if (tagSearchScan(c, objv[i], search) != TCL_OK) return TCL_ERROR;
            for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
                deleteItem(c, item);
            }
        }
        return TCL_OK;
    case C_DTAG: {
        if (objc != 3 && objc != 4) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId ?tagToDelete?");
            return TCL_ERROR;
        }
        Tk_Uid tag = Tk_GetUid(Tcl_GetString(objv[objc == 4 ? 3 : 2]));
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
            for (int i = item->numTags - 1; i >= 0; i--) {
                if (item->tagPtr[i] == tag) {
                    item->tagPtr[i] = item->tagPtr[item->numTags - 1];
                    item->numTags--;
                }
            }
        }
        return TCL_OK;
    }
    case C_FIND:
        if (objc < 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "searchCommand ?arg arg ...?");
            return TCL_ERROR;
        }
        return gcanvasFindItems(interp, c, objc, objv, NULL, 2, search);
    case C_FOCUS: case C_ICURSOR: case C_INDEX: case C_SELECT:
        return gcanvasFocusCmd(interp, c, objc, objv, search);
    case C_GETTAGS:
        if (objc != 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId");
            return TCL_ERROR;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        item = tagSearchFirst(*search);
        if (item != NULL) {
            for (int i = 0; i < item->numTags; i++) {
                Tcl_AppendElement(interp, item->tagPtr[i]);
            }
        }
        return TCL_OK;
    case C_ITEMCGET:
        if (objc != 4) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId option");
            return TCL_ERROR;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        item = tagSearchFirst(*search);
        if (item != NULL) {
            return Tk_ConfigureValue(interp, c->tkwin, item->typePtr->configSpecs, (char *)item,
                                     Tcl_GetString(objv[3]), 0);
        }
        return TCL_OK;
    case C_ITEMCONFIGURE:
        if (objc < 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId ?option value ...?");
            return TCL_ERROR;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
            if (objc <= 4) {
                return Tk_ConfigureInfo(interp, c->tkwin, item->typePtr->configSpecs, (char *)item,
                                        objc == 3 ? NULL : Tcl_GetString(objv[3]), 0);
            }
            gcanvasEventuallyRedrawItem(c, item);
            int status = item->typePtr->configProc(interp, c, item, objc - 3, objv + 3,
                                                   TK_CONFIG_ARGV_ONLY);
            gcanvasEventuallyRedrawItem(c, item);
            c->flags |= GC_REPICK_NEEDED;
            if (status != TCL_OK) return status;
        }
        return TCL_OK;
    case C_LOWER: case C_RAISE: {
        if (objc != 3 && objc != 4) {
            Tcl_WrongNumArgs(interp, 2, objv, index == C_LOWER ? "tagOrId ?belowThis?" : "tagOrId ?aboveThis?");
            return TCL_ERROR;
        }
        GcanvasItem *prev;
        if (objc == 3) {
            prev = index == C_LOWER ? NULL : c->lastItemPtr;
        } else {
            if (tagSearchScan(c, objv[3], search) != TCL_OK) return TCL_ERROR;
            if (index == C_LOWER) {
                item = tagSearchFirst(*search);
                if (item == NULL) {
                    Tcl_AppendResult(interp, "tag \"", Tcl_GetString(objv[3]), "\" doesn't match any items",
                                     (char *)NULL);
                    return TCL_ERROR;
                }
                prev = item->prevPtr;
            } else {
                prev = NULL;
                for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
                    prev = item;
                }
                if (prev == NULL) {
                    Tcl_AppendResult(interp, "tagOrId \"", Tcl_GetString(objv[3]),
                                     "\" doesn't match any items", (char *)NULL);
                    return TCL_ERROR;
                }
            }
        }
        return gcanvasRelinkItems(c, objv[2], prev, search);
    }
    case C_MOVE: {
        if (objc != 5) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId xAmount yAmount");
            return TCL_ERROR;
        }
        double dx, dy;
        if (gcanvasGetCoordFromObj(interp, c, objv[3], &dx) != TCL_OK
                || gcanvasGetCoordFromObj(interp, c, objv[4], &dy) != TCL_OK) {
            return TCL_ERROR;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
            if (item->typePtr->translateProc == NULL) continue;
            gcanvasEventuallyRedrawItem(c, item);
            item->typePtr->translateProc(c, item, dx, dy);
            gcanvasEventuallyRedrawItem(c, item);
            c->flags |= GC_REPICK_NEEDED;
        }
        return TCL_OK;
    }
    case C_POSTSCRIPT:
        return gcanvasPostscriptCmd(c, interp, objc, objv);
    case C_SCALE: {
        if (objc != 7) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId xOrigin yOrigin xScale yScale");
            return TCL_ERROR;
        }
        double xo, yo, xs, ys;
        if (gcanvasGetCoordFromObj(interp, c, objv[3], &xo) != TCL_OK
                || gcanvasGetCoordFromObj(interp, c, objv[4], &yo) != TCL_OK
                || Tcl_GetDoubleFromObj(interp, objv[5], &xs) != TCL_OK
                || Tcl_GetDoubleFromObj(interp, objv[6], &ys) != TCL_OK) {
            return TCL_ERROR;
        }
        if (xs == 0.0 || ys == 0.0) {
            Tcl_SetResult(interp, (char *)"scale factor cannot be zero", TCL_STATIC);
            return TCL_ERROR;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
            if (item->typePtr->scaleProc == NULL) continue;
            gcanvasEventuallyRedrawItem(c, item);
            item->typePtr->scaleProc(c, item, xo, yo, xs, ys);
            gcanvasEventuallyRedrawItem(c, item);
            c->flags |= GC_REPICK_NEEDED;
        }
        return TCL_OK;
    }
    case C_SCAN:
        return gcanvasScanCmd(interp, c, objc, objv);
    case C_TYPE:
        if (objc != 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "tag");
            return TCL_ERROR;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        item = tagSearchFirst(*search);
        if (item != NULL) {
            Tcl_SetResult(interp, (char *)item->typePtr->name, TCL_STATIC);
        }
        return TCL_OK;
    case C_XVIEW: case C_YVIEW:
        return gcanvasViewCmd(interp, c, objc, objv, index == C_YVIEW);
    }
    return TCL_OK;
}

int gcanvasWidgetCmd(ClientData clientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    GcanvasWidget *c = (GcanvasWidget *)clientData;
    if (objc < 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "option ?arg arg ...?");
        return TCL_ERROR;
    }
    int index;
    if (Tcl_GetIndexFromObj(interp, objv[1], optionStrings, "option", 0, &index) != TCL_OK) {
        return TCL_ERROR;
    }
    GcTagSearch *search = NULL;
    Tcl_Preserve((ClientData)c);
    int status = (c->tkwin == NULL) ? TCL_OK : dispatch(c, interp, index, objc, objv, &search);
    tagSearchDestroy(search);
    Tcl_Release((ClientData)c);
    return status;
}
