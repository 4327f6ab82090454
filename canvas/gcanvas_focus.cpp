/*
 * gcanvas_focus.cpp --
 *
 *	Keyboard focus, the blinking insertion cursor and the PRIMARY
 *	selection of text-like items.
 */
#include <X11/Xatom.h>
#include "canvas/gcanvas.h"

static void blinkProc(ClientData clientData)
{
    GcanvasWidget *c = (GcanvasWidget *)clientData;
    if (!c->textInfo.gotFocus || c->insertOffTime == 0) return;
    if (c->textInfo.cursorOn) {
        c->textInfo.cursorOn = 0;
        c->insertBlinkHandler = Tcl_CreateTimerHandler(c->insertOffTime, blinkProc, clientData);
    } else {
        c->textInfo.cursorOn = 1;
        c->insertBlinkHandler = Tcl_CreateTimerHandler(c->insertOnTime, blinkProc, clientData);
    }
    if (c->textInfo.focusItemPtr != NULL) gcanvasEventuallyRedrawItem(c, c->textInfo.focusItemPtr);
}

void gcanvasFocusChange(GcanvasWidget *c, int gotFocus)
{
    Tcl_DeleteTimerHandler(c->insertBlinkHandler);
    c->insertBlinkHandler = NULL;
    if (gotFocus) {
        c->textInfo.gotFocus = 1;
        c->textInfo.cursorOn = 1;
        if (c->insertOffTime != 0) {
            c->insertBlinkHandler = Tcl_CreateTimerHandler(c->insertOffTime, blinkProc, (ClientData)c);
        }
    } else {
        c->textInfo.gotFocus = 0;
        c->textInfo.cursorOn = 0;
    }
    if (c->textInfo.focusItemPtr != NULL) gcanvasEventuallyRedrawItem(c, c->textInfo.focusItemPtr);
    if (c->highlightWidth > 0 && c->tkwin != NULL) {
        c->flags |= GC_REDRAW_BORDERS;
        if (!(c->flags & GC_REDRAW_PENDING)) {
            Tcl_DoWhenIdle(gcanvasDisplay, (ClientData)c);
            c->flags |= GC_REDRAW_PENDING;
        }
    }
}

static void lostSelection(ClientData clientData)
{
    GcanvasWidget *c = (GcanvasWidget *)clientData;
    if (c->textInfo.selItemPtr != NULL) gcanvasEventuallyRedrawItem(c, c->textInfo.selItemPtr);
    c->textInfo.selItemPtr = NULL;
}

static void selectTo(GcanvasWidget *c, GcanvasItem *item, int index)
{
    GcanvasTextInfo *t = &c->textInfo;
    int oldFirst = t->selectFirst, oldLast = t->selectLast;
    GcanvasItem *oldSel = t->selItemPtr;
    if (t->selItemPtr == NULL) {
        Tk_OwnSelection(c->tkwin, XA_PRIMARY, lostSelection, (ClientData)c);
    } else if (t->selItemPtr != item) {
        gcanvasEventuallyRedrawItem(c, t->selItemPtr);
    }
    t->selItemPtr = item;
    if (t->anchorItemPtr != item) {
        t->anchorItemPtr = item;
        t->selectAnchor = index;
    }
    if (t->selectAnchor <= index) {
        t->selectFirst = t->selectAnchor;
        t->selectLast = index;
    } else {
        t->selectFirst = index;
        t->selectLast = t->selectAnchor - 1;
    }
    if (t->selectFirst != oldFirst || t->selectLast != oldLast || item != oldSel) {
        gcanvasEventuallyRedrawItem(c, item);
    }
}

int gcanvasSelectionProc(ClientData clientData, int offset, char *buffer, int maxBytes)
{
    GcanvasWidget *c = (GcanvasWidget *)clientData;
    GcanvasItem *item = c->textInfo.selItemPtr;
    if (item != NULL && item->typePtr->selectionProc != NULL) {
        return item->typePtr->selectionProc(c, item, offset, buffer, maxBytes);
    }
    return -1;
}

int gcanvasFocusCmd(Tcl_Interp *interp, GcanvasWidget *c, int objc, Tcl_Obj *const objv[], GcTagSearch **search)
{
    const char *cmd = Tcl_GetString(objv[1]);
    GcanvasItem *item;
    GcanvasTextInfo *t = &c->textInfo;
    if (cmd[0] == 'f') {
        if (objc > 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "?tagOrId?");
            return TCL_ERROR;
        }
        if (objc == 2) {
            if (t->focusItemPtr != NULL) Tcl_SetObjResult(interp, Tcl_NewIntObj(t->focusItemPtr->id));
            return TCL_OK;
        }
        if (t->focusItemPtr != NULL && t->gotFocus) gcanvasEventuallyRedrawItem(c, t->focusItemPtr);
        if (Tcl_GetString(objv[2])[0] == '\0') {
            t->focusItemPtr = NULL;
            return TCL_OK;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
            if (item->typePtr->icursorProc != NULL) break;
        }
        if (item == NULL) return TCL_OK;
        t->focusItemPtr = item;
        if (t->gotFocus) gcanvasEventuallyRedrawItem(c, item);
        return TCL_OK;
    }
    if (cmd[0] == 'i' && cmd[1] == 'c') {
        if (objc != 4) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId index");
            return TCL_ERROR;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
            if (item->typePtr->indexProc == NULL || item->typePtr->icursorProc == NULL) break;
            int index;
            if (item->typePtr->indexProc(interp, c, item, objv[3], &index) != TCL_OK) return TCL_ERROR;
            item->typePtr->icursorProc(c, item, index);
            if (item == t->focusItemPtr && t->cursorOn) gcanvasEventuallyRedrawItem(c, item);
        }
        return TCL_OK;
    }
    if (cmd[0] == 'i') {
        if (objc != 4) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId string");
            return TCL_ERROR;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
            if (item->typePtr->indexProc != NULL) break;
        }
        if (item == NULL) {
            Tcl_AppendResult(interp, "can't find an indexable item \"", Tcl_GetString(objv[2]), "\"",
                             (char *)NULL);
            return TCL_ERROR;
        }
        int index;
        if (item->typePtr->indexProc(interp, c, item, objv[3], &index) != TCL_OK) return TCL_ERROR;
        Tcl_SetObjResult(interp, Tcl_NewIntObj(index));
        return TCL_OK;
    }
    /* select */
    if (objc < 3) {
        Tcl_WrongNumArgs(interp, 2, objv, "option ?tagOrId? ?arg?");
        return TCL_ERROR;
    }
    item = NULL;
    int index = 0;
    if (objc >= 4) {
        if (tagSearchScan(c, objv[3], search) != TCL_OK) return TCL_ERROR;
        for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
            if (item->typePtr->indexProc != NULL && item->typePtr->selectionProc != NULL) break;
        }
        if (item == NULL) {
            Tcl_AppendResult(interp, "can't find an indexable and selectable item \"", Tcl_GetString(objv[3]),
                             "\"", (char *)NULL);
            return TCL_ERROR;
        }
    }
    if (objc == 5 && item->typePtr->indexProc(interp, c, item, objv[4], &index) != TCL_OK) return TCL_ERROR;
    static const char *const options[] = {"adjust", "clear", "from", "item", "to", NULL};
    int opt;
    if (Tcl_GetIndexFromObj(interp, objv[2], options, "select option", 0, &opt) != TCL_OK) return TCL_ERROR;
    switch (opt) {
    case 0:
        if (objc != 5) {
            Tcl_WrongNumArgs(interp, 3, objv, "tagOrId index");
            return TCL_ERROR;
        }
        if (t->selItemPtr == item) {
            if (index < (t->selectFirst + t->selectLast) / 2) {
                t->selectAnchor = t->selectLast + 1;
            } else {
                t->selectAnchor = t->selectFirst;
            }
        }
        selectTo(c, item, index);
        return TCL_OK;
    case 1:
        if (objc != 3) {
            Tcl_WrongNumArgs(interp, 3, objv, NULL);
            return TCL_ERROR;
        }
        if (t->selItemPtr != NULL) {
            gcanvasEventuallyRedrawItem(c, t->selItemPtr);
            t->selItemPtr = NULL;
        }
        return TCL_OK;
    case 2:
        if (objc != 5) {
            Tcl_WrongNumArgs(interp, 3, objv, "tagOrId index");
            return TCL_ERROR;
        }
        t->anchorItemPtr = item;
        t->selectAnchor = index;
        return TCL_OK;
    case 3:
        if (objc != 3) {
            Tcl_WrongNumArgs(interp, 3, objv, NULL);
            return TCL_ERROR;
        }
        if (t->selItemPtr != NULL) Tcl_SetObjResult(interp, Tcl_NewIntObj(t->selItemPtr->id));
        return TCL_OK;
    default:
        if (objc != 5) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId index");
            return TCL_ERROR;
        }
        selectTo(c, item, index);
        return TCL_OK;
    }
}
