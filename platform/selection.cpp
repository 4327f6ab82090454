#include "platform/selection.h"

#include <X11/Xatom.h>
#include <cstring>

struct FirstPortion {
    int seen;
    int notEmpty;
};

/* Only the first portion matters: whether it holds anything. */
static int recordFirstPortion(ClientData clientData, Tcl_Interp *interp, const char *portion)
{
    FirstPortion *first = (FirstPortion *)clientData;
    if (!first->seen) {
        first->seen = 1;
        first->notEmpty = portion[0] != '\0';
    }
    return TCL_OK;
}

int selectionHasText(Tcl_Interp *interp, Tk_Window tkwin, const char *selection)
{
    bool clipboard = strcmp(selection, "CLIPBOARD") == 0;
    Atom atom = Tk_InternAtom(tkwin, selection);
    FirstPortion first = {0, 0};
    Tcl_InterpState state = Tcl_SaveInterpState(interp, TCL_OK);
    int code = Tk_GetSelection(interp, tkwin, atom, XA_STRING, recordFirstPortion, &first);
    Tcl_RestoreInterpState(interp, state);
    if (code != TCL_OK && !first.seen) {
        return clipboard ? 0 : -1;
    }
    return first.notEmpty;
}
