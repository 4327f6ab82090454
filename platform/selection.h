/*
 * selection.h --
 *
 *	Tells whether a selection (the clipboard or another named X
 *	selection) holds text, through Tk's selection retrieval.
 */
#ifndef OVEX_PLATFORM_SELECTION_H
#define OVEX_PLATFORM_SELECTION_H

#include <tcl.h>
#include <tk.h>

/* 1 when the selection's first portion of text is not empty, 0 when it is
 * empty, -1 when it cannot be retrieved; an absent CLIPBOARD counts as
 * empty (0). The interpreter's result is left as it was. */
int selectionHasText(Tcl_Interp *interp, Tk_Window tkwin, const char *selection);

#endif
