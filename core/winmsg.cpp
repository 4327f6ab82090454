/*
 * winmsg.cpp --
 *
 *	winmsg ?FLAG?: runs the event loop until told to stop. Scripts run
 *	from inside the loop end it with "winmsg 0"; deleting the command
 *	ends it too.
 */
#include "core/package.h"

#include <cstdio>

int winmsgCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        Tcl_SetResult(interp, (char *)(ovexState.messageLoop ? "1" : "0"), TCL_STATIC);
        return TCL_OK;
    }
    if (ovexLenientInt(argv[1]) == 0) {
        ovexState.messageLoop = 0;
        return TCL_OK;
    }
    if (ovexState.messageLoop) {
        return TCL_OK;
    }
    ovexState.messageLoop = 1;
    int count = 0;
    Tcl_Preserve(interp);
    while (ovexState.messageLoop == 1 && !Tcl_InterpDeleted(interp)) {
        Tcl_DoOneEvent(TCL_ALL_EVENTS);
        count++;
    }
    Tcl_Release(interp);
    char text[96];
    snprintf(text, sizeof text, "Exit Window's message loop: %d messages recorded...", count);
    Tcl_SetResult(interp, text, TCL_VOLATILE);
    return TCL_OK;
}

void winmsgDelete(ClientData clientData)
{
    ovexState.messageLoop = 0;
}
