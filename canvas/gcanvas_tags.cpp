/*
 * gcanvas_tags.cpp --
 *
 *	Item tags and the tagOrId search: ids (decimal, octal, hex), "all",
 *	plain tags and boolean tag expressions evaluated left to right
 *	without precedence.
 */
#include <stdlib.h>
#include <string.h>
#include "canvas/gcanvas.h"

Tk_Uid allUid, currentUid, andUid, orUid, xorUid, parenUid, endparenUid, negparenUid, tagvalUid,
    negtagvalUid;

void gcanvasInitUids(void)
{
    if (allUid != NULL) {
        return;
    }
    allUid = Tk_GetUid("all");
    currentUid = Tk_GetUid("current");
    andUid = Tk_GetUid("&&");
    orUid = Tk_GetUid("||");
    xorUid = Tk_GetUid("^");
    parenUid = Tk_GetUid("(");
    endparenUid = Tk_GetUid(")");
    negparenUid = Tk_GetUid("!(");
    tagvalUid = Tk_GetUid("!!");
    negtagvalUid = Tk_GetUid("!");
}

void tagSearchExprInit(GcTagSearchExpr **exprPtrPtr)
{
    GcTagSearchExpr *expr = *exprPtrPtr;
    if (expr == NULL) {
        expr = (GcTagSearchExpr *)ckalloc(sizeof(GcTagSearchExpr));
        expr->allocated = 0;
        expr->uids = NULL;
        expr->next = NULL;
        *exprPtrPtr = expr;
    }
    expr->uid = NULL;
    expr->index = 0;
    expr->length = 0;
}

void tagSearchExprDestroy(GcTagSearchExpr *expr)
{
    if (expr != NULL) {
        if (expr->uids) {
            ckfree((char *)expr->uids);
        }
        ckfree((char *)expr);
    }
}

static void exprEmit(GcTagSearchExpr *expr, Tk_Uid uid)
{
    if (expr->length >= expr->allocated) {
        expr->allocated += 15;
        expr->uids = (Tk_Uid *)ckrealloc((char *)expr->uids, expr->allocated * sizeof(Tk_Uid));
    }
    expr->uids[expr->length++] = uid;
}

static int searchError(Tcl_Interp *interp, const char *msg)
{
    Tcl_AppendResult(interp, msg, (char *)NULL);
    return TCL_ERROR;
}

/* Compiles one level of the expression up to its ")" or the end. */
static int tagSearchScanExpr(Tcl_Interp *interp, GcTagSearch *s, GcTagSearchExpr *expr)
{
    int looking_for_tag = 1, negate_result = 0, found_tag = 0;
    while (s->stringIndex < s->stringLength) {
        char c = s->string[s->stringIndex++];
        if (looking_for_tag) {
            switch (c) {
            case ' ': case '\t': case '\n': case '\r':
                break;
            case '!':
                if (negate_result) {
                    return searchError(interp, "Too many '!' in tag search expression");
                }
                negate_result = 1;
                break;
            case '(':
                exprEmit(expr, negate_result ? negparenUid : parenUid);
                negate_result = 0;
                if (tagSearchScanExpr(interp, s, expr) != TCL_OK) {
                    return TCL_ERROR;
                }
                looking_for_tag = 0;
                found_tag = 1;
                break;
            case '"': {
                exprEmit(expr, negate_result ? negtagvalUid : tagvalUid);
                negate_result = 0;
                char *tag = s->rewritebuffer;
                int found_endquote = 0;
                while (s->stringIndex < s->stringLength) {
                    c = s->string[s->stringIndex++];
                    if (c == '\\') {
                        if (s->stringIndex < s->stringLength) {
                            c = s->string[s->stringIndex++];
                        }
                    } else if (c == '"') {
                        found_endquote = 1;
                        break;
                    }
                    *tag++ = c;
                }
                if (!found_endquote) {
                    return searchError(interp, "Missing endquote in tag search expression");
                }
                if (tag == s->rewritebuffer) {
                    return searchError(interp, "Null quoted tag string in tag search expression");
                }
                *tag = '\0';
                exprEmit(expr, Tk_GetUid(s->rewritebuffer));
                looking_for_tag = 0;
                found_tag = 1;
                break;
            }
            case '&': case '|': case '^': case ')':
                return searchError(interp, "Unexpected operator in tag search expression");
            default: {
                exprEmit(expr, negate_result ? negtagvalUid : tagvalUid);
                negate_result = 0;
                char *tag = s->rewritebuffer;
                *tag++ = c;
                while (s->stringIndex < s->stringLength) {
                    c = s->string[s->stringIndex];
                    if (c == '!' || c == '&' || c == '|' || c == '^' || c == '(' || c == ')'
                            || c == '"') {
                        break;
                    }
                    *tag++ = c;
                    s->stringIndex++;
                }
                while (tag > s->rewritebuffer
                       && (tag[-1] == ' ' || tag[-1] == '\t' || tag[-1] == '\n' || tag[-1] == '\r')) {
                    tag--;
                }
                *tag = '\0';
                exprEmit(expr, Tk_GetUid(s->rewritebuffer));
                looking_for_tag = 0;
                found_tag = 1;
                break;
            }
            }
        } else {
            switch (c) {
            case ' ': case '\t': case '\n': case '\r':
                break;
            case '&':
                if (s->stringIndex >= s->stringLength || s->string[s->stringIndex++] != '&') {
                    return searchError(interp, "Singleton '&' in tag search expression");
                }
                exprEmit(expr, andUid);
                looking_for_tag = 1;
                break;
            case '|':
                if (s->stringIndex >= s->stringLength || s->string[s->stringIndex++] != '|') {
                    return searchError(interp, "Singleton '|' in tag search expression");
                }
                exprEmit(expr, orUid);
                looking_for_tag = 1;
                break;
            case '^':
                exprEmit(expr, xorUid);
                looking_for_tag = 1;
                break;
            case ')':
                exprEmit(expr, endparenUid);
                goto done;
            default:
                return searchError(interp, "Invalid boolean operator in tag search expression");
            }
        }
    }
done:
    if (found_tag && !looking_for_tag) {
        return TCL_OK;
    }
    return searchError(interp, "Missing tag in tag search expression");
}

int tagSearchScan(GcanvasWidget *canvas, Tcl_Obj *tagObj, GcTagSearch **searchPtrPtr)
{
    int length;
    const char *tag = Tcl_GetStringFromObj(tagObj, &length);
    GcTagSearch *s = *searchPtrPtr;
    if (s == NULL) {
        s = (GcTagSearch *)ckalloc(sizeof(GcTagSearch));
        memset(s, 0, sizeof(GcTagSearch));
        s->rewritebufferAllocated = 100;
        s->rewritebuffer = (char *)ckalloc(s->rewritebufferAllocated);
        *searchPtrPtr = s;
    }
    tagSearchExprInit(&s->expr);
    s->string = tag;
    s->stringLength = length;
    s->stringIndex = 0;
    if ((unsigned)length >= s->rewritebufferAllocated) {
        s->rewritebufferAllocated = length + 100;
        s->rewritebuffer = (char *)ckrealloc(s->rewritebuffer, s->rewritebufferAllocated);
    }
    s->canvasPtr = canvas;
    s->searchOver = 0;
    s->type = 0;
    if (length > 0 && tag[0] >= '0' && tag[0] <= '9') {
        char *end;
        unsigned long id = strtoul(tag, &end, 0);
        if (*end == '\0') {
            s->id = (int)id;
            s->type = 1;
            return TCL_OK;
        }
    }
    s->expr->uid = Tk_GetUid(tag);
    if (length == 0) {
        s->type = 0;
        return TCL_OK;
    }
    int inQuote = 0;
    for (int i = 0; i < length; i++) {
        char c = tag[i];
        if (inQuote) {
            if (c == '\\' && i + 1 < length) {
                i++;
            } else if (c == '"') {
                inQuote = 0;
            }
        } else if (c == '"') {
            inQuote = 1;
        } else if ((c == '&' && i + 1 < length && tag[i + 1] == '&')
                   || (c == '|' && i + 1 < length && tag[i + 1] == '|') || c == '^' || c == '!') {
            s->type = 4;
            break;
        }
    }
    if (s->type == 4) {
        s->stringIndex = 0;
        if (tagSearchScanExpr(canvas->interp, s, s->expr) != TCL_OK) {
            s->stringLength = 0; /* a failed expression matches nothing */
            return TCL_ERROR;
        }
        s->stringLength = s->stringIndex;
        return TCL_OK;
    }
    s->type = (s->expr->uid == allUid) ? 2 : 3;
    return TCL_OK;
}

void tagSearchDestroy(GcTagSearch *s)
{
    if (s != NULL) {
        tagSearchExprDestroy(s->expr);
        ckfree(s->rewritebuffer);
        ckfree((char *)s);
    }
}

static int itemHasTag(GcanvasItem *item, Tk_Uid uid)
{
    for (int i = 0; i < item->numTags; i++) {
        if (item->tagPtr[i] == uid) {
            return 1;
        }
    }
    return 0;
}

int tagSearchEvalExpr(GcTagSearchExpr *expr, GcanvasItem *item)
{
    int looking_for_tag = 1, negate_result = 0, result = 0;
    while (expr->index < expr->length) {
        Tk_Uid uid = expr->uids[expr->index++];
        if (looking_for_tag) {
            if (uid == tagvalUid || uid == negtagvalUid) {
                Tk_Uid tag = expr->uids[expr->index++];
                result = itemHasTag(item, tag);
                if (uid == negtagvalUid) result = !result;
            } else if (uid == parenUid || uid == negparenUid) {
                result = tagSearchEvalExpr(expr, item);
                if (uid == negparenUid) result = !result;
            }
            if (negate_result) {
                result = !result;
                negate_result = 0;
            }
            looking_for_tag = 0;
        } else {
            if ((uid == andUid && !result) || (uid == orUid && result)) {
                /* Short circuit: skip the rest of this level. */
                int parendepth = 0;
                while (expr->index < expr->length) {
                    uid = expr->uids[expr->index++];
                    if (uid == tagvalUid || uid == negtagvalUid) {
                        expr->index++;
                        continue;
                    }
                    if (uid == parenUid || uid == negparenUid) {
                        parendepth++;
                        continue;
                    }
                    if (uid == endparenUid) {
                        parendepth--;
                        if (parendepth < 0) break;
                    }
                }
                return result;
            } else if (uid == xorUid) {
                negate_result = result;
            } else if (uid == endparenUid) {
                return result;
            }
            looking_for_tag = 1;
        }
    }
    return result;
}

static GcanvasItem *searchFrom(GcTagSearch *s, GcanvasItem *lastPtr, GcanvasItem *item)
{
    Tk_Uid uid = s->expr->uid;
    for (; item != NULL; lastPtr = item, item = item->nextPtr) {
        int match;
        if (s->type == 3) {
            match = itemHasTag(item, uid);
        } else {
            s->expr->index = 0;
            match = tagSearchEvalExpr(s->expr, item);
        }
        if (match) {
            s->lastPtr = lastPtr;
            s->currentPtr = item;
            return item;
        }
    }
    s->lastPtr = lastPtr;
    s->searchOver = 1;
    return NULL;
}

GcanvasItem *tagSearchFirst(GcTagSearch *s)
{
    GcanvasWidget *c = s->canvasPtr;
    if (s->stringLength == 0) {
        return NULL;
    }
    if (s->type == 1) {
        GcanvasItem *item = NULL, *prev = NULL;
        if (c->hotPtr != NULL && c->hotPtr->id == s->id && c->hotPrevPtr != NULL
                && c->hotPrevPtr->nextPtr == c->hotPtr) {
            item = c->hotPtr;
            prev = c->hotPrevPtr;
        } else {
            Tcl_HashEntry *e = Tcl_FindHashEntry(&c->idTable, (char *)(intptr_t)s->id);
            if (e != NULL) {
                item = (GcanvasItem *)Tcl_GetHashValue(e);
                prev = item->prevPtr;
            }
        }
        s->lastPtr = prev;
        s->searchOver = 1;
        c->hotPtr = item;
        c->hotPrevPtr = prev;
        s->currentPtr = item;
        return item;
    }
    if (s->type == 2) {
        s->lastPtr = NULL;
        s->currentPtr = c->firstItemPtr;
        return c->firstItemPtr;
    }
    if (s->type == 0) {
        return NULL;
    }
    return searchFrom(s, NULL, c->firstItemPtr);
}

GcanvasItem *tagSearchNext(GcTagSearch *s)
{
    GcanvasItem *lastPtr = s->lastPtr;
    GcanvasItem *item = lastPtr == NULL ? s->canvasPtr->firstItemPtr : lastPtr->nextPtr;
    if (item == NULL || s->searchOver) {
        s->searchOver = 1;
        return NULL;
    }
    if (item == s->currentPtr) {
        lastPtr = item;
        item = item->nextPtr;
    }
    if (s->type == 2) {
        s->lastPtr = lastPtr;
        s->currentPtr = item;
        if (item == NULL) s->searchOver = 1;
        return item;
    }
    if (s->type == 0 || s->type == 1) {
        s->searchOver = 1;
        return NULL;
    }
    return searchFrom(s, lastPtr, item);
}

void gcanvasDoItem(Tcl_Interp *interp, GcanvasItem *item, Tk_Uid tag)
{
    if (tag == NULL) {
        Tcl_ListObjAppendElement(interp, Tcl_GetObjResult(interp), Tcl_NewIntObj(item->id));
        return;
    }
    if (itemHasTag(item, tag)) {
        return;
    }
    if (item->numTags == item->tagSpace) {
        item->tagSpace += 5;
        Tk_Uid *newPtr = (Tk_Uid *)ckalloc(item->tagSpace * sizeof(Tk_Uid));
        memcpy(newPtr, item->tagPtr, item->numTags * sizeof(Tk_Uid));
        if (item->tagPtr != item->staticTagSpace) {
            ckfree((char *)item->tagPtr);
        }
        item->tagPtr = newPtr;
    }
    item->tagPtr[item->numTags++] = tag;
}
