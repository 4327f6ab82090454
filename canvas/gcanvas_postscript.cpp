/*
 * gcanvas_postscript.cpp --
 *
 *	PostScript helpers items use for their own output.
 */
#include <stdio.h>
#include "canvas/gcanvas_outline.h"

struct PsInfo {
    double y2;                  /* canvas y of the top of the printed area */
    int colorMode;
};

double gcanvasPsY(GcCanvas c, double y)
{
    PsInfo *ps = gcanvasWidgetOf(c)->psInfo;
    return ps ? ps->y2 - y : -y;
}

int gcanvasPsColor(Tcl_Interp *interp, GcCanvas c, XColor *color)
{
    (void)c;
    char buf[200];
    snprintf(buf, sizeof buf, "%.3f %.3f %.3f setrgbcolor AdjustColor\n", (color->red >> 8) / 255.0,
             (color->green >> 8) / 255.0, (color->blue >> 8) / 255.0);
    Tcl_AppendResult(interp, buf, (char *)NULL);
    return TCL_OK;
}

int gcanvasPsStipple(Tcl_Interp *interp, GcCanvas c, Pixmap bitmap)
{
    (void)c;
    (void)bitmap;
    Tcl_AppendResult(interp, "fill\n", (char *)NULL);
    return TCL_OK;
}

int gcanvasPostscriptCmd(GcanvasWidget *c, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    (void)c;
    (void)objc;
    (void)objv;
    Tcl_SetResult(interp, (char *)"postscript: not available yet", TCL_STATIC);
    return TCL_ERROR;
}
