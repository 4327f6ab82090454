/*
 * console_interp.cpp --
 *
 *	The process-wide package record and the console interpreter: the
 *	interpreter that receives all console output, input, getenv and the
 *	meter. Interpreters that have been the console interpreter are watched:
 *	when one is deleted, the one made console before it takes over.
 */
#include "core/console_io.h"
#include "core/package.h"

#include <algorithm>
#include <vector>

PackageState ovexState;

/* Interpreters that have been the console interpreter, oldest first; the
 * current one is always the last. */
static std::vector<Tcl_Interp *> consoleHistory;

static void consoleInterpDeleted(ClientData clientData, Tcl_Interp *interp)
{
    consoleHistory.erase(std::remove(consoleHistory.begin(), consoleHistory.end(), interp),
                         consoleHistory.end());
    if (ovexState.consoleInterp == interp) {
        ovexState.consoleInterp = consoleHistory.empty() ? NULL : consoleHistory.back();
    }
}

/*
 * setConsoleInterp --
 *	Makes interp (or none) the console interpreter.
 * Results:
 *	The previous console interpreter, or NULL.
 */
Tcl_Interp *setConsoleInterp(Tcl_Interp *interp)
{
    Tcl_Interp *previous = ovexState.consoleInterp;
    consoleInterpChanging();
    if (interp != NULL) {
        bool watched = std::find(consoleHistory.begin(), consoleHistory.end(), interp)
                       != consoleHistory.end();
        if (watched) {
            consoleHistory.erase(std::remove(consoleHistory.begin(), consoleHistory.end(), interp),
                                 consoleHistory.end());
        } else {
            Tcl_CallWhenDeleted(interp, consoleInterpDeleted, NULL);
        }
        consoleHistory.push_back(interp);
    }
    ovexState.consoleInterp = interp;
    return previous;
}

/*
 * getConsoleInterp --
 *	The console interpreter, or NULL when there is none or it is being
 *	deleted.
 */
Tcl_Interp *getConsoleInterp(void)
{
    Tcl_Interp *interp = ovexState.consoleInterp;
    if (interp == NULL || Tcl_InterpDeleted(interp)) {
        return NULL;
    }
    return interp;
}

Display *getOvexDisplay(void) { return ovexState.display; }
int getOvexDepth(void) { return ovexState.depth; }
Colormap getOvexColormap(void) { return ovexState.colormap; }
int getOvexDebug(void) { return ovexState.debug; }

/*
 * ovexMainWindow --
 *	The interpreter's Tk main window, or NULL when Tk is not loaded in it
 *	(plain tclsh) or its main window is gone. The interpreter's result and
 *	error information are left as they were.
 */
Tk_Window ovexMainWindow(Tcl_Interp *interp)
{
    if (interp == NULL || Tcl_InterpDeleted(interp)) {
        return NULL;
    }
    Tcl_InterpState state = Tcl_SaveInterpState(interp, TCL_OK);
    Tk_Window main = NULL;
    if (Tcl_PkgPresent(interp, "Tk", NULL, 0) != NULL) {
        main = Tk_MainWindow(interp);
    }
    Tcl_RestoreInterpState(interp, state);
    return main;
}
