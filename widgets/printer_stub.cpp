/*
 * printer_stub.cpp --
 *
 *	Registration of the printing package: the package is provided,
 *	printer and gmetafile answer "not available" until they are built.
 */
#include "core/inits.h"
#include "core/package.h"

/*
 *----------------------------------------------------------------------
 *
 * Printer_Init --
 *
 *	Provides package "TK_PRINTER" 1.0 and creates printer and gmetafile.
 *
 * Results:
 *	The outcome of providing the package when it failed; TCL_ERROR when
 *	either command cannot be created; else TCL_OK.
 *
 *----------------------------------------------------------------------
 */
int
Printer_Init(Tcl_Interp *interp)
{
    int code = Tcl_PkgProvide(interp, "TK_PRINTER", "1.0");
    if (code != TCL_OK) {
        return code;
    }
    if (ovexCreatePlaceholder(interp, "printer") != TCL_OK
            || ovexCreatePlaceholder(interp, "gmetafile") != TCL_OK) {
        return TCL_ERROR;
    }
    return TCL_OK;
}
