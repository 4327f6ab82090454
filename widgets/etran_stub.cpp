/*
 * etran_stub.cpp --
 *
 *	Registration of etran, which answers "not available" until it is
 *	built.
 */
#include "core/inits.h"
#include "core/package.h"

/*
 * Creates etran. Returns TCL_ERROR when it cannot be created, else TCL_OK.
 */
int
Etran_Init(Tcl_Interp *interp)
{
    return ovexCreatePlaceholder(interp, "etran") == TCL_OK ? TCL_OK : TCL_ERROR;
}
