/*
 * gcanvas_items.cpp --
 *
 *	The list of item types, type look-up, and making and freeing items.
 */
#include <string.h>
#include "canvas/gcanvas.h"
#include "canvas/item_pool.h"

GcanvasItemType *gcanvasItemTypes = NULL;

void gcanvasQueueItem(GcanvasWidget *c, GcanvasItem *item);

/* Links a type at the end of the list. */
static void appendItemType(GcanvasItemType *type)
{
    GcanvasItemType **slot = &gcanvasItemTypes;
    while (*slot != NULL) slot = &(*slot)->nextPtr;
    type->nextPtr = NULL;
    *slot = type;
}

void gcanvasInitTypes(void)
{
    if (gcanvasItemTypes != NULL) {
        return;
    }
    /* Look-up by abbreviation walks the list in this order. */
    GcanvasItemType *const order[] = {
        &gcanvasRectangleType,
        &gcanvasTextType,
        &gcanvasLineType,
        &gcanvasPolygonType,
        &gcanvasImageType,
        &gcanvasOvalType,
        &gcanvasBitmapType,
        &gcanvasArcType,
        &gcanvasGtextType,
        &gcanvasGroupType,
        &gcanvasSymbolType,
        &gcanvasWindowType,
        &gcanvasObjectType,
    };
    for (GcanvasItemType *type : order) {
        appendItemType(type);
    }
    gcanvasInitUids();
}

GcanvasItemType *gcanvasFindItemType(const char *name)
{
    gcanvasInitTypes();
    for (GcanvasItemType *t = gcanvasItemTypes; t != NULL; t = t->nextPtr) {
        if (strcmp(t->name, name) == 0) {
            return t;
        }
    }
    return NULL;
}

GcanvasItemType *gcanvasMatchItemType(const char *word)
{
    size_t n = strlen(word);
    GcanvasItemType *match = NULL;
    if (n == 0) {
        return NULL;
    }
    for (GcanvasItemType *t = gcanvasItemTypes; t != NULL; t = t->nextPtr) {
        if (word[0] == t->name[0] && strncmp(word, t->name, n) == 0) {
            if (match != NULL) {
                return NULL;
            }
            match = t;
        }
    }
    return match;
}

static GcanvasItem *allocItem(GcanvasWidget *c, GcanvasItemType *type)
{
    GcanvasItem *item = (GcanvasItem *)itemPoolAllocZeroed(type->itemSize);
    /* The id is taken before the type's create procedure runs, as Tk
     * does: a script it runs (a magnify command) may create items too. */
    item->id = c->nextId++;
    item->tagPtr = item->staticTagSpace;
    item->tagSpace = 3;
    item->typePtr = type;
    item->state = GC_STATE_NULL;
    return item;
}

/* A failed creation gives its id back, unless items made meanwhile took
 * later ones. */
static void releaseId(GcanvasWidget *c, GcanvasItem *item)
{
    if (c->nextId == item->id + 1) {
        c->nextId = item->id;
    }
}

static void linkItem(GcanvasWidget *c, GcanvasItem *item)
{
    int isNew;
    item->nextPtr = NULL;
    Tcl_HashEntry *e = Tcl_CreateHashEntry(&c->idTable, (char *)(intptr_t)item->id, &isNew);
    Tcl_SetHashValue(e, item);
    item->prevPtr = c->lastItemPtr;
    c->hotPtr = item;
    c->hotPrevPtr = c->lastItemPtr;
    if (c->lastItemPtr == NULL) {
        c->firstItemPtr = item;
    } else {
        c->lastItemPtr->nextPtr = item;
    }
    c->lastItemPtr = item;
    item->redraw_flags |= GC_ITEM_BOX_QUEUED;
    gcanvasQueueItem(c, item);
    gcanvasEventuallyRedrawItem(c, item);
    c->flags |= GC_REPICK_NEEDED;
}

int gcanvasCreateItem(Tcl_Interp *interp, GcanvasWidget *c, GcanvasItemType *type, int objc,
                      Tcl_Obj *const objv[], PointSetDesc *desc, GcanvasItem **itemOut)
{
    GcanvasItem *item = allocItem(c, type);
    int status;
    if (objv != NULL || desc == NULL) {
        status = type->createProc(interp, c, item, objc, objv);
    } else {
        status = type->createFromPointsProc ? type->createFromPointsProc(interp, c, item, desc) : TCL_ERROR;
    }
    if (status != TCL_OK) {
        releaseId(c, item);
        if (item->tagPtr != item->staticTagSpace) {
            ckfree((char *)item->tagPtr);
        }
        itemPoolFree(item, type->itemSize);
        return TCL_ERROR;
    }
    linkItem(c, item);
    *itemOut = item;
    return TCL_OK;
}

GcanvasItem *gcanvasCreateItemFromPoints(GcanvasWidget *c, Tcl_Interp *interp, GcanvasItemType *type,
                                         PointSetDesc *desc, const char *tags)
{
    if (type->createFromPointsProc == NULL) {
        return NULL;
    }
    GcanvasItem *item = allocItem(c, type);
    if (type->createFromPointsProc(interp, c, item, desc) != TCL_OK) {
        releaseId(c, item);
        itemPoolFree(item, type->itemSize);
        return NULL;
    }
    if (tags != NULL) {
        Tk_CustomOption *opt = &gcanvasTagsOption;
        if (opt->parseProc(NULL, interp, c->tkwin, tags, (char *)item, 0) != TCL_OK) {
            releaseId(c, item);
            gcanvasFreeItem(c, item);
            return NULL;
        }
    }
    linkItem(c, item);
    return item;
}

static void freeItemRecord(char *block)
{
    itemPoolFree(block, ((GcanvasItem *)block)->typePtr->itemSize);
}

/* Runs the type's delete procedure and frees the record and its tags.
 * The record goes through Tcl's deferred free: an item that runs a
 * script (a magnify command) holds itself meanwhile. */
void gcanvasFreeItem(GcanvasWidget *c, GcanvasItem *item)
{
    c->itemsFreed++;
    if (item->typePtr->deleteProc != NULL) {
        item->typePtr->deleteProc(c, item, c->display);
    }
    if (item->tagPtr != item->staticTagSpace) {
        ckfree((char *)item->tagPtr);
        item->tagPtr = item->staticTagSpace;
    }
    Tcl_EventuallyFree((ClientData)item, freeItemRecord);
}
