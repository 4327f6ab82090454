/*
 * gcanvas_stub.cpp --
 *
 *	Registration of the canvas widget's commands, which answer "not
 *	available" until the widget is built.
 */
#include "core/inits.h"
#include "core/package.h"

/*
 *----------------------------------------------------------------------
 *
 * Gcanvas_Init --
 *
 *	Creates cliptest and gcanvas.
 *
 * Results:
 *	TCL_ERROR when gcanvas cannot be created (cliptest is optional),
 *	else TCL_OK.
 *
 *----------------------------------------------------------------------
 */
extern "C" OVEX_API int
Gcanvas_Init(Tcl_Interp *interp)
{
    (void)ovexCreatePlaceholder(interp, "cliptest");
    if (ovexCreatePlaceholder(interp, "gcanvas") != TCL_OK) {
        return TCL_ERROR;
    }
    return TCL_OK;
}
