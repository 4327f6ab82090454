/*
 * text_editing.h --
 *
 *	Editing of an item's text shared by the text items and the symbol
 *	item's label: reading a character index, splicing the string, and
 *	moving the selection, its anchor and the insertion cursor after an
 *	insert or a delete.
 */
#ifndef OVEX_CANVAS_TEXT_EDITING_H
#define OVEX_CANVAS_TEXT_EDITING_H

#include "canvas/gcanvas.h"

/* Reads a character index of a text of numChars characters: "end",
 * "insert", "sel.first", "sel.last" (abbreviations allowed), a number
 * (clamped to 0..numChars) or "@x,y", which sets *isPoint and the window
 * position (*indexPtr 0) for the item to resolve. Leaves "bad index" or
 * "selection isn't in item" in interp. */
int textIndexFromObj(Tcl_Interp *interp, GcanvasTextInfo *info, GcanvasItem *item, Tcl_Obj *obj, int numChars,
                     int insertPos, int *indexPtr, int *isPoint, double *px, double *py);

/* A new string (caller frees): text of numBytes with add of byteCount
 * bytes put at byte at, or with the bytes from..to-1 taken out. */
char *textSpliceIn(const char *text, int numBytes, int at, const char *add, int byteCount);
char *textSpliceOut(const char *text, int numBytes, int from, int to);

/* Moves the item's selection, anchor and cursor after charsAdded
 * characters were put before index, or count taken out from first. */
void textMarksInserted(GcanvasTextInfo *info, GcanvasItem *item, int *insertPos, int index, int charsAdded);
void textMarksDeleted(GcanvasTextInfo *info, GcanvasItem *item, int *insertPos, int first, int count);

#endif /* OVEX_CANVAS_TEXT_EDITING_H */
