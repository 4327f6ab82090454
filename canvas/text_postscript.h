/*
 * text_postscript.h --
 *
 *	PostScript for one block of text, shared by the text items and the
 *	symbol item's labels: font, colour, stipple, the start point, the
 *	strings (given by the caller) and the DrawText call placing them by
 *	anchor and justification.
 */
#ifndef OVEX_CANVAS_TEXT_POSTSCRIPT_H
#define OVEX_CANVAS_TEXT_POSTSCRIPT_H

#include "canvas/gcanvas.h"

/* Appends the bracketed strings of the text to interp's result. */
typedef void (*TextPsStrings)(Tcl_Interp *interp, const void *text);

/* Writes the text at canvas position (cx, cy); on the prepass only the
 * font is recorded. */
int textBlockPostscript(Tcl_Interp *interp, GcCanvas c, Tk_Font tkfont, XColor *color, Pixmap stipple,
                        double cx, double cy, Tk_Anchor anchor, Tk_Justify justify, int prepass,
                        TextPsStrings strings, const void *text);

#endif /* OVEX_CANVAS_TEXT_POSTSCRIPT_H */
