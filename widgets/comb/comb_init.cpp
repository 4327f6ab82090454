/*
 * comb_init.cpp --
 *
 *	Package init of the composite widgets.
 */
#include "core/inits.h"
#include "widgets/comb/comb_cmd_cache.h"

/*
 *----------------------------------------------------------------------
 *
 * Comb_Init --
 *
 *	Refreshes the table of directly called Tcl and Tk commands from this
 *	interpreter. The composite-widget commands are not part of this build.
 *
 * Results:
 *	TCL_OK.
 *
 *----------------------------------------------------------------------
 */
int
Comb_Init(Tcl_Interp *interp)
{
    combFillCmdCache(interp);
    return TCL_OK;
}
