/*
 * ddw_stub.cpp --
 *
 *	Registration of the direct-draw window package: the package is
 *	provided, ddw answers "not available" until it is built.
 */
#include "core/inits.h"
#include "core/package.h"

/*
 *----------------------------------------------------------------------
 *
 * Ddw_Init --
 *
 *	Provides package "TK_DIRECTX" 1.0 and creates ddw.
 *
 * Results:
 *	The outcome of providing the package when it failed, else TCL_OK
 *	(ddw itself is optional).
 *
 *----------------------------------------------------------------------
 */
int
Ddw_Init(Tcl_Interp *interp)
{
    int code = Tcl_PkgProvide(interp, "TK_DIRECTX", "1.0");
    if (code != TCL_OK) {
        return code;
    }
    (void)ovexCreatePlaceholder(interp, "ddw");
    return TCL_OK;
}
