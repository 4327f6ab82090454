/*
 * winpatch_stub.cpp --
 *
 *	Registration of the window-patch commands, which answer "not
 *	available" until they are built.
 */
#include "core/inits.h"
#include "core/package.h"

/*
 *----------------------------------------------------------------------
 *
 * WinPatch_Init --
 *
 *	Creates ovexMainWindow and ovexToplevelWindow.
 *
 * Results:
 *	TCL_ERROR when either cannot be created, else TCL_OK.
 *
 *----------------------------------------------------------------------
 */
int
WinPatch_Init(Tcl_Interp *interp)
{
    if (ovexCreatePlaceholder(interp, "ovexMainWindow") != TCL_OK
            || ovexCreatePlaceholder(interp, "ovexToplevelWindow") != TCL_OK) {
        return TCL_ERROR;
    }
    return TCL_OK;
}
