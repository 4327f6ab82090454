/*
 * text_editing.cpp --
 *
 *	Index, splice and mark moves shared by the items that edit a text.
 */
#include "canvas/text_editing.h"
#include <stdlib.h>
#include <string.h>

int textIndexFromObj(Tcl_Interp *interp, GcanvasTextInfo *info, GcanvasItem *item, Tcl_Obj *obj, int numChars,
                     int insertPos, int *indexPtr, int *isPoint, double *px, double *py)
{
    int length;
    const char *s = Tcl_GetStringFromObj(obj, &length);
    size_t n = (size_t)length;
    *isPoint = 0;
    if (s[0] == 'e' && strncmp(s, "end", n) == 0) {
        *indexPtr = numChars;
    } else if (s[0] == 'i' && strncmp(s, "insert", n) == 0) {
        *indexPtr = insertPos;
    } else if (s[0] == 's' && length >= 5 && strncmp(s, "sel.first", n) == 0) {
        if (info->selItemPtr != item) {
            Tcl_SetResult(interp, (char *)"selection isn't in item", TCL_STATIC);
            return TCL_ERROR;
        }
        *indexPtr = info->selectFirst;
    } else if (s[0] == 's' && length >= 5 && strncmp(s, "sel.last", n) == 0) {
        if (info->selItemPtr != item) {
            Tcl_SetResult(interp, (char *)"selection isn't in item", TCL_STATIC);
            return TCL_ERROR;
        }
        *indexPtr = info->selectLast;
    } else if (s[0] == '@') {
        char *end;
        double x = strtod(s + 1, &end);
        if (end == s + 1 || *end != ',') goto badIndex;
        const char *ys = end + 1;
        double y = strtod(ys, &end);
        if (end == ys || *end != '\0') goto badIndex;
        *isPoint = 1;
        *px = x;
        *py = y;
        *indexPtr = 0;
    } else {
        if (Tcl_GetIntFromObj(NULL, obj, indexPtr) != TCL_OK) goto badIndex;
        if (*indexPtr < 0) *indexPtr = 0;
        if (*indexPtr > numChars) *indexPtr = numChars;
    }
    return TCL_OK;
badIndex:
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "bad index \"", s, "\"", (char *)NULL);
    return TCL_ERROR;
}

char *textSpliceIn(const char *text, int numBytes, int at, const char *add, int byteCount)
{
    char *fresh = (char *)ckalloc((unsigned)(numBytes + byteCount + 1));
    memcpy(fresh, text, (size_t)at);
    memcpy(fresh + at, add, (size_t)byteCount);
    memcpy(fresh + at + byteCount, text + at, (size_t)(numBytes - at + 1));
    return fresh;
}

char *textSpliceOut(const char *text, int numBytes, int from, int to)
{
    char *fresh = (char *)ckalloc((unsigned)(numBytes + 1 - (to - from)));
    memcpy(fresh, text, (size_t)from);
    memcpy(fresh + from, text + to, (size_t)(numBytes - to + 1));
    return fresh;
}

void textMarksInserted(GcanvasTextInfo *info, GcanvasItem *item, int *insertPos, int index, int charsAdded)
{
    if (info->selItemPtr == item) {
        if (info->selectFirst >= index) info->selectFirst += charsAdded;
        if (info->selectLast >= index) info->selectLast += charsAdded;
        if (info->anchorItemPtr == item && info->selectAnchor >= index) info->selectAnchor += charsAdded;
    }
    if (*insertPos >= index) *insertPos += charsAdded;
}

void textMarksDeleted(GcanvasTextInfo *info, GcanvasItem *item, int *insertPos, int first, int count)
{
    if (info->selItemPtr == item) {
        if (info->selectFirst > first) {
            info->selectFirst -= count;
            if (info->selectFirst < first) info->selectFirst = first;
        }
        if (info->selectLast >= first) {
            info->selectLast -= count;
            if (info->selectLast < first - 1) info->selectLast = first - 1;
        }
        if (info->selectFirst > info->selectLast) info->selItemPtr = NULL;
        if (info->anchorItemPtr == item && info->selectAnchor > first) {
            info->selectAnchor -= count;
            if (info->selectAnchor < first) info->selectAnchor = first;
        }
    }
    if (*insertPos > first) {
        *insertPos -= count;
        if (*insertPos < first) *insertPos = first;
    }
}
