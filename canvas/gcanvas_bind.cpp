/*
 * gcanvas_bind.cpp --
 *
 *	Item bindings, the current item under the pointer with its Enter and
 *	Leave events, and the component highlight.
 */
#include <string.h>
#include "canvas/gcanvas.h"

static GcanvasItem *findClosest(GcanvasWidget *c, double *p)
{
    double ce = c->closeEnough;
    for (GcanvasItem *item = c->lastItemPtr; item != NULL; item = item->prevPtr) {
        int state = item->state == GC_STATE_NULL ? c->canvasState : item->state;
        if (state == GC_STATE_HIDDEN || state == GC_STATE_DISABLED) continue;
        if (item->x1 > p[0] + ce || item->x2 < p[0] - ce || item->y1 > p[1] + ce || item->y2 < p[1] - ce) {
            continue;
        }
        if (item->typePtr->pointProc != NULL && item->typePtr->pointProc(c, item, p) <= ce) {
            return item;
        }
    }
    return NULL;
}

static void doEvent(GcanvasWidget *c, XEvent *eventPtr)
{
    if (c->bindingTable == NULL) return;
    GcanvasItem *item = c->currentItemPtr;
    if (eventPtr->type == KeyPress || eventPtr->type == KeyRelease) {
        item = c->textInfo.focusItemPtr;
    }
    if (item == NULL) return;
    int numExprs = 0;
    for (GcTagSearchExpr *e = c->bindTagExprs; e != NULL; e = e->next) {
        e->index = 0;
        e->match = tagSearchEvalExpr(e, item);
        numExprs += e->match;
    }
    int numObjs = item->numTags + 2 + numExprs;
    ClientData staticObjs[3];
    ClientData *objs = numObjs <= 3 ? staticObjs : (ClientData *)ckalloc(numObjs * sizeof(ClientData));
    int n = 0;
    objs[n++] = (ClientData)allUid;
    for (int i = 0; i < item->numTags; i++) objs[n++] = (ClientData)item->tagPtr[i];
    objs[n++] = (ClientData)item;
    for (GcTagSearchExpr *e = c->bindTagExprs; e != NULL; e = e->next) {
        if (e->match) objs[n++] = (ClientData)e->uid;
    }
    if (c->tkwin != NULL) {
        Tk_BindEvent(c->bindingTable, eventPtr, c->tkwin, n, objs);
    }
    if (objs != staticObjs) ckfree((char *)objs);
}

void gcanvasPickCurrentItem(GcanvasWidget *c, XEvent *eventPtr)
{
    int buttonDown = c->state & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask);
    if (!buttonDown) c->flags &= ~GC_LEFT_GRABBED_ITEM;
    if (eventPtr != &c->pickEvent) {
        if (eventPtr->type == MotionNotify || eventPtr->type == ButtonRelease) {
            XEvent *p = &c->pickEvent;
            memset(p, 0, sizeof(XEvent));
            p->xcrossing.type = EnterNotify;
            p->xcrossing.serial = eventPtr->xmotion.serial;
            p->xcrossing.send_event = eventPtr->xmotion.send_event;
            p->xcrossing.display = eventPtr->xmotion.display;
            p->xcrossing.window = eventPtr->xmotion.window;
            p->xcrossing.root = eventPtr->xmotion.root;
            p->xcrossing.subwindow = None;
            p->xcrossing.time = eventPtr->xmotion.time;
            p->xcrossing.x = eventPtr->xmotion.x;
            p->xcrossing.y = eventPtr->xmotion.y;
            p->xcrossing.x_root = eventPtr->xmotion.x_root;
            p->xcrossing.y_root = eventPtr->xmotion.y_root;
            p->xcrossing.mode = NotifyNormal;
            p->xcrossing.detail = NotifyNonlinear;
            p->xcrossing.same_screen = eventPtr->xmotion.same_screen;
            p->xcrossing.focus = False;
            p->xcrossing.state = eventPtr->xmotion.state;
        } else {
            c->pickEvent = *eventPtr;
        }
    }
    if (c->flags & GC_REPICK_IN_PROGRESS) return;

    double p[2] = {(double)c->pickEvent.xcrossing.x + c->xOrigin, (double)c->pickEvent.xcrossing.y + c->yOrigin};
    c->newCurrentPtr = c->pickEvent.type == LeaveNotify ? NULL : findClosest(c, p);

    GcanvasItem *old = c->currentItemPtr;
    if (c->newCurrentPtr == old && !(c->flags & GC_LEFT_GRABBED_ITEM)) {
        if (c->updateComponent) {
            if (old && old->typePtr->highlightComponentProc) old->typePtr->highlightComponentProc(c, old, 0);
            if (old && old->typePtr->highlightComponentProc) old->typePtr->highlightComponentProc(c, old, 1);
        }
        return;
    }
    if (c->newCurrentPtr != old && old != NULL && !(c->flags & GC_LEFT_GRABBED_ITEM)) {
        XEvent event = c->pickEvent;
        event.type = LeaveNotify;
        event.xcrossing.detail = NotifyAncestor;
        c->flags |= GC_REPICK_IN_PROGRESS;
        doEvent(c, &event);
        c->flags &= ~GC_REPICK_IN_PROGRESS;
        if (c->currentItemPtr == old && !buttonDown) {
            for (int i = old->numTags - 1; i >= 0; i--) {
                if (old->tagPtr[i] == currentUid) {
                    old->tagPtr[i] = old->tagPtr[old->numTags - 1];
                    old->numTags--;
                    break;
                }
            }
        }
    }
    if (c->newCurrentPtr != c->currentItemPtr && buttonDown) {
        c->flags |= GC_LEFT_GRABBED_ITEM;
        return;
    }
    c->flags &= ~GC_LEFT_GRABBED_ITEM;
    old = c->currentItemPtr;
    if (old != NULL && old->typePtr->highlightComponentProc) old->typePtr->highlightComponentProc(c, old, 0);
    c->currentItemPtr = c->newCurrentPtr;
    if (old != NULL && old != c->currentItemPtr && (old->redraw_flags & GC_ITEM_STATE_DEPENDANT)) {
        gcanvasEventuallyRedrawItem(c, old);
        old->typePtr->configProc(c->interp, c, old, 0, NULL, TK_CONFIG_ARGV_ONLY);
    }
    GcanvasItem *cur = c->currentItemPtr;
    if (cur != NULL) {
        if (c->updateComponent && cur->typePtr->highlightComponentProc) {
            cur->typePtr->highlightComponentProc(c, cur, 1);
        }
        gcanvasDoItem(NULL, cur, currentUid);
        if ((cur->redraw_flags & GC_ITEM_STATE_DEPENDANT) && cur != old) {
            cur->typePtr->configProc(c->interp, c, cur, 0, NULL, TK_CONFIG_ARGV_ONLY);
            gcanvasEventuallyRedrawItem(c, cur);
        }
        XEvent event = c->pickEvent;
        event.type = EnterNotify;
        event.xcrossing.detail = NotifyAncestor;
        doEvent(c, &event);
    }
}

void gcanvasBindProc(ClientData clientData, XEvent *eventPtr)
{
    GcanvasWidget *c = (GcanvasWidget *)clientData;
    Tcl_Preserve((ClientData)c);
    if (eventPtr->type == ButtonPress || eventPtr->type == ButtonRelease) {
        static const int masks[] = {0, Button1Mask, Button2Mask, Button3Mask, Button4Mask, Button5Mask};
        unsigned b = eventPtr->xbutton.button;
        int mask = b >= 1 && b <= 5 ? masks[b] : 0;
        if (eventPtr->type == ButtonPress) {
            c->state = eventPtr->xbutton.state;
            gcanvasPickCurrentItem(c, eventPtr);
            c->state ^= mask;
            doEvent(c, eventPtr);
        } else {
            c->state = eventPtr->xbutton.state;
            doEvent(c, eventPtr);
            eventPtr->xbutton.state ^= mask;
            c->state = eventPtr->xbutton.state;
            gcanvasPickCurrentItem(c, eventPtr);
            eventPtr->xbutton.state ^= mask;
        }
    } else if (eventPtr->type == EnterNotify || eventPtr->type == LeaveNotify) {
        c->state = eventPtr->xcrossing.state;
        gcanvasPickCurrentItem(c, eventPtr);
    } else if (eventPtr->type == MotionNotify) {
        c->state = eventPtr->xmotion.state;
        gcanvasPickCurrentItem(c, eventPtr);
        doEvent(c, eventPtr);
    } else {
        doEvent(c, eventPtr);
    }
    Tcl_Release((ClientData)c);
}

int gcanvasBindCmd(Tcl_Interp *interp, GcanvasWidget *c, int objc, Tcl_Obj *const objv[], GcTagSearch **search)
{
    if (objc < 3 || objc > 5) {
        Tcl_WrongNumArgs(interp, 2, objv, "tagOrId ?sequence? ?command?");
        return TCL_ERROR;
    }
    if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
    ClientData object;
    if ((*search)->type == 1) {
        Tcl_HashEntry *e = Tcl_FindHashEntry(&c->idTable, (char *)(intptr_t)(*search)->id);
        if (e == NULL) {
            Tcl_AppendResult(interp, "item \"", Tcl_GetString(objv[2]), "\" doesn't exist", (char *)NULL);
            return TCL_ERROR;
        }
        object = Tcl_GetHashValue(e);
    } else {
        object = (ClientData)Tk_GetUid(Tcl_GetString(objv[2]));
    }
    if (c->bindingTable == NULL) {
        c->bindingTable = Tk_CreateBindingTable(interp);
    }
    if (objc == 5) {
        const char *command = Tcl_GetString(objv[4]);
        const char *sequence = Tcl_GetString(objv[3]);
        if (command[0] == '\0') {
            return Tk_DeleteBinding(interp, c->bindingTable, object, sequence);
        }
        if ((*search)->type == 4) {
            GcTagSearchExpr *e;
            for (e = c->bindTagExprs; e != NULL; e = e->next) {
                if (e->uid == (*search)->expr->uid) break;
            }
            if (e == NULL) {
                (*search)->expr->next = c->bindTagExprs;
                c->bindTagExprs = (*search)->expr;
                (*search)->expr = NULL;
            }
        }
        unsigned long mask;
        if (command[0] == '+') {
            mask = Tk_CreateBinding(interp, c->bindingTable, object, sequence, command + 1, 1);
        } else {
            mask = Tk_CreateBinding(interp, c->bindingTable, object, sequence, command, 0);
        }
        if (mask == 0) return TCL_ERROR;
        if (mask & ~(unsigned long)(ButtonMotionMask | Button1MotionMask | Button2MotionMask
                                    | Button3MotionMask | Button4MotionMask | Button5MotionMask
                                    | ButtonPressMask | ButtonReleaseMask | EnterWindowMask
                                    | LeaveWindowMask | KeyPressMask | KeyReleaseMask
                                    | PointerMotionMask | VirtualEventMask)) {
            Tk_DeleteBinding(interp, c->bindingTable, object, sequence);
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "requested illegal events; ", "only key, button, motion, enter, leave, and virtual ",
                             "events may be used", (char *)NULL);
            return TCL_ERROR;
        }
        return TCL_OK;
    }
    if (objc == 4) {
        const char *command = Tk_GetBinding(interp, c->bindingTable, object, Tcl_GetString(objv[3]));
        if (command == NULL) {
            const char *string = Tcl_GetStringResult(interp);
            return string[0] == '\0' ? TCL_OK : TCL_ERROR;
        }
        Tcl_SetResult(interp, (char *)command, TCL_VOLATILE);
        return TCL_OK;
    }
    Tk_GetAllBindings(interp, c->bindingTable, object);
    return TCL_OK;
}
