/*
 * glw_stub.cpp --
 *
 *	Registration of the 3-D graphics package: the glw command answers
 *	"not available" and no GL command exists yet, but the package is
 *	provided so that scripts can ask for it.
 */
#include "core/inits.h"
#include "core/package.h"

/*
 *----------------------------------------------------------------------
 *
 * Glw_Init --
 *
 *	Creates glw and provides package "glw" 1.0.
 *
 * Results:
 *	The outcome of providing the package (glw itself is optional).
 *
 *----------------------------------------------------------------------
 */
int
Glw_Init(Tcl_Interp *interp)
{
    (void)ovexCreatePlaceholder(interp, "glw");
    return Tcl_PkgProvide(interp, "glw", "1.0");
}
