/*
 * twain_stub.cpp --
 *
 *	Registration of the scanner command twimg, which answers "not
 *	available" until it is built.
 */
#include "core/inits.h"
#include "core/package.h"

/*
 * Creates twimg. A scanner is never required, so this always returns
 * TCL_OK.
 */
int
Twain_Init(Tcl_Interp *interp)
{
    (void)ovexCreatePlaceholder(interp, "twimg");
    return TCL_OK;
}
