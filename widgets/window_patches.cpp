/*
 * window_patches.cpp --
 *
 *	ovexMainWindow and ovexToplevelWindow: switches of the patches that
 *	keep Tk's pointer and grab state right while a grab is set and the
 *	user clicks on the window frame. On X11 Tk's own event handling
 *	already sees every button, focus and frame event, so the patch has
 *	nothing to take over: the switches keep their flags, usage and
 *	results, and installing succeeds wherever Tk has a main window.
 */
#include <string.h>

#include "core/inits.h"
#include "core/package.h"

/* Read by the drawing layer: X11 draws as the NT family does. */
int notWindowsNT = 0;

namespace {

int mainPatchOn = 0;
int toplevelPatchOn = 0;

/*
 *----------------------------------------------------------------------
 *
 * patchCmd --
 *
 *	NAME ?0|1?: without an argument the flag; "0" turns the patch off;
 *	"1" turns it on and installs it when it was off.
 *
 * Results:
 *	TCL_OK; TCL_ERROR with the usage for a bad argument, and with an
 *	empty result when there is no Tk main window to patch (the flag
 *	stays on, as a failed installation leaves it).
 *
 *----------------------------------------------------------------------
 */
int patchCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    int *flag = (int *)clientData;
    if (argc == 1) {
        Tcl_SetObjResult(interp, Tcl_NewIntObj(*flag));
        return TCL_OK;
    }
    if (argc != 2 || (strcmp(argv[1], "0") != 0 && strcmp(argv[1], "1") != 0)) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " [0|1]", (char *)NULL);
        return TCL_ERROR;
    }
    if (argv[1][0] == '0') {
        *flag = 0;
        return TCL_OK;
    }
    if (*flag) {
        return TCL_OK;
    }
    *flag = 1;
    if (ovexMainWindow(interp) == NULL) {
        return TCL_ERROR;
    }
    return TCL_OK;
}

}  // namespace

/*
 * WinPatch_Init --
 *	Creates ovexMainWindow and ovexToplevelWindow. TCL_ERROR when either
 *	cannot be created.
 */
int WinPatch_Init(Tcl_Interp *interp)
{
    if (Tcl_CreateCommand(interp, "ovexMainWindow", patchCmd, &mainPatchOn, NULL) == NULL
            || Tcl_CreateCommand(interp, "ovexToplevelWindow", patchCmd, &toplevelPatchOn, NULL)
                   == NULL) {
        return TCL_ERROR;
    }
    notWindowsNT = 0;
    return TCL_OK;
}
