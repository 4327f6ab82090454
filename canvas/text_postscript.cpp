/*
 * text_postscript.cpp --
 *
 *	PostScript for one block of text, shared by the text items and the
 *	symbol item's labels.
 */
#include <stdio.h>

#include "canvas/text_postscript.h"
#include "canvas/gcanvas_outline.h"
#include "canvas/gcanvas_postscript.h"

int textBlockPostscript(Tcl_Interp *interp, GcCanvas c, Tk_Font tkfont, XColor *color, Pixmap stipple,
                        double cx, double cy, Tk_Anchor anchor, Tk_Justify justify, int prepass,
                        TextPsStrings strings, const void *text)
{
    if (gcanvasPsFont(interp, c, tkfont) != TCL_OK) return TCL_ERROR;
    if (prepass) return TCL_OK;
    if (gcanvasPsColor(interp, c, color) != TCL_OK) return TCL_ERROR;
    if (stipple != None) {
        Tcl_AppendResult(interp, "/StippleText {\n    ", (char *)NULL);
        if (gcanvasPsStipple(interp, c, stipple) != TCL_OK) return TCL_ERROR;
        Tcl_AppendResult(interp, "} bind def\n", (char *)NULL);
    }
    char buf[200];
    snprintf(buf, sizeof buf, "%.15g %.15g [\n", cx, gcanvasPsY(c, cy));
    Tcl_AppendResult(interp, buf, (char *)NULL);
    strings(interp, text);
    int xf = 1, yf = 1;
    switch (anchor) {
    case TK_ANCHOR_NW: xf = 0; yf = 0; break;
    case TK_ANCHOR_N: xf = 1; yf = 0; break;
    case TK_ANCHOR_NE: xf = 2; yf = 0; break;
    case TK_ANCHOR_E: xf = 2; yf = 1; break;
    case TK_ANCHOR_SE: xf = 2; yf = 2; break;
    case TK_ANCHOR_S: xf = 1; yf = 2; break;
    case TK_ANCHOR_SW: xf = 0; yf = 2; break;
    case TK_ANCHOR_W: xf = 0; yf = 1; break;
    default: break;
    }
    Tk_FontMetrics fm;
    Tk_GetFontMetrics(tkfont, &fm);
    const char *just = justify == TK_JUSTIFY_CENTER ? "0.5" : justify == TK_JUSTIFY_RIGHT ? "1" : "0";
    snprintf(buf, sizeof buf, "] %d %g %g %s %s DrawText\n", fm.linespace, -xf / 2.0, yf / 2.0, just,
             stipple != None ? "true" : "false");
    Tcl_AppendResult(interp, buf, (char *)NULL);
    return TCL_OK;
}
