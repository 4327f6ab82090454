/*
 * ovex_command.cpp --
 *
 *	The small package commands: ovex (debug flag, tulx list, version),
 *	ovex.selection and ovex.listconcat.
 */
#include "core/inits.h"
#include "core/package.h"
#include "platform/selection.h"

#include <cstdio>
#include <string>

/*
 * ovexCmd --
 *	ovex debug ?N? | tulx | identify | version
 */
int ovexCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc >= 2) {
        const char *word = argv[1];
        if (ovexMatchWord(word, "debug", 3) && argc <= 3) {
            if (argc == 2) {
                Tcl_SetResult(interp, (char *)(ovexState.debug ? "1" : "0"), TCL_STATIC);
            } else {
                ovexState.debug = ovexLenientInt(argv[2]) != 0;
            }
            return TCL_OK;
        }
        if (ovexMatchWord(word, "tulx", 3)) {
            return ovexListTulxImages(interp);
        }
        if (ovexMatchWord(word, "identify", 2)) {
            Tcl_SetResult(interp, (char *)"0", TCL_STATIC);
            return TCL_OK;
        }
        if (ovexMatchWord(word, "version", 3)) {
            Tcl_SetResult(interp, (char *)ovexVersionString(), TCL_STATIC);
            return TCL_OK;
        }
    }
    Tcl_SetResult(interp, (char *)"Commands: debug tulx identify version", TCL_STATIC);
    return TCL_ERROR;
}

/*
 * ovexSelectionCmd --
 *	ovex.selection SELECTION: "1" when the selection holds text, "0" when
 *	it is empty (or, for CLIPBOARD, absent), "-1" when another selection
 *	cannot be retrieved; empty without a Tk main window.
 */
int ovexSelectionCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 2) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " selection", (char *)NULL);
        return TCL_ERROR;
    }
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    int state = selectionHasText(interp, main, argv[1]);
    Tcl_SetObjResult(interp, Tcl_NewIntObj(state));
    return TCL_OK;
}

/*
 * ovexListconcatCmd --
 *	ovex.listconcat LIST: the elements joined with nothing between them.
 */
int ovexListconcatCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 2) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " list", (char *)NULL);
        return TCL_ERROR;
    }
    int count;
    const char **elements;
    if (Tcl_SplitList(interp, argv[1], &count, &elements) != TCL_OK) {
        Tcl_AppendResult(interp, "Error in slipt list", (char *)NULL);
        return TCL_ERROR;
    }
    Tcl_DString joined;
    Tcl_DStringInit(&joined);
    for (int i = 0; i < count; i++) {
        Tcl_DStringAppend(&joined, elements[i], -1);
    }
    Tcl_Free((char *)elements);
    Tcl_DStringResult(interp, &joined);
    return TCL_OK;
}
