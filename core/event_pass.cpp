/*
 * event_pass.cpp --
 *
 *	tclUpdate: the event pass of long computations and of console output,
 *	the C form of Tcl's "update".
 */
#include "ovex/ovex.h"

#include "core/console_io.h"

/*
 *----------------------------------------------------------------------
 *
 * tclUpdate --
 *
 *	Handles pending events of the kinds in flags, without waiting, until
 *	none is left.
 *
 * Side effects:
 *	Whatever the event handlers do; resets interp's result when interp is
 *	given.
 *
 *----------------------------------------------------------------------
 */
void tclUpdate(Tcl_Interp *interp, int flags)
{
    /* Event handlers may write too: collected output goes first. */
    consoleFlush();
    while (Tcl_DoOneEvent(flags | TCL_DONT_WAIT) != 0) {
        /* keep going until nothing was handled */
    }
    if (interp != NULL) {
        Tcl_ResetResult(interp);
    }
}
