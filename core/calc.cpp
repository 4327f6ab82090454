/*
 * calc.cpp --
 *
 *	The calc command: one name for small computations and diagnostics.
 *	This file only dispatches; every subcommand lives with its concern
 *	and is reached through the table below.
 */
#include <cstring>

#include "core/inits.h"
#include "core/package.h"
#include "core/script_library.h"

/* One subcommand: a word matches when it is a prefix of name and at least
 * minLength long. A subcommand without a handler is known but not built. */
struct CalcSubcommand {
    const char *name;
    int minLength;
    Tcl_CmdProc *handler;
};

/* The minimum length is shared by all names of one first letter, except
 * d2r, which needs its whole name. */
static const CalcSubcommand calcSubcommands[] = {
    {"bands", 4, NULL},
    {"bitmap", 4, NULL},
    {"chars", 5, NULL},
    {"clrscr", 5, NULL},
    {"correl", 5, NULL},
    {"comptest", 5, calcCompTest},
    {"compsave", 5, calcCompSave},
    {"decompload", 4, calcDecompLoad},
    {"d2r", 3, NULL},
    {"fgets", 3, NULL},
    {"fscanf", 3, NULL},
    {"fplane", 3, NULL},
    {"ftime", 3, NULL},
    {"freeDisk", 3, NULL},
    {"galloc", 5, NULL},
    {"gfree", 5, NULL},
    {"gotoxy", 5, NULL},
    {"geocalc", 5, NULL},
    {"handles", 5, NULL},
    {"loadtime", 4, NULL},
    {"malloc", 4, NULL},
    {"memid", 4, NULL},
    {"memory", 4, NULL},
    {"meter", 4, NULL},
    {"panic", 3, NULL},
    {"rand", 3, NULL},
    {"realloc", 3, NULL},
    {"refImgCoord", 3, NULL},
    {"rrand", 3, NULL},
    {"r2d", 3, NULL},
    {"scangif", 4, NULL},
    {"scramble", 4, NULL},
    {"srand", 4, NULL},
    {"stime", 4, NULL},
    {"test", 4, NULL},
    {"xyzRotate", 3, NULL},
};

/* The answer to calc without a word (gotoxy and realloc are not listed). */
static const char calcCommandList[] =
    "Commands: bands bitmap chars clrscr correl comptest compsave decompload d2r "
    "fgets fscanf fplane ftime freeDisk galloc gfree geocalc handles loadtime "
    "malloc memid memory meter panic test rand refImgCoord rrand r2d scangif "
    "scramble srand stime xyzRotate";

/*
 * calcCmd --
 *	calc subcommand ?arg ...?
 * Returns: the subcommand's outcome; TCL_OK with the command list for no
 *	word and with "Unknown command" for a word that matches none.
 */
static int calcCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        Tcl_SetResult(interp, (char *)calcCommandList, TCL_STATIC);
        return TCL_OK;
    }
    for (const CalcSubcommand &sub : calcSubcommands) {
        if (!ovexMatchWord(argv[1], sub.name, sub.minLength)) {
            continue;
        }
        if (sub.handler == NULL) {
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "calc ", sub.name, ": not available in this build",
                             (char *)NULL);
            return TCL_ERROR;
        }
        return sub.handler(NULL, interp, argc, argv);
    }
    Tcl_SetResult(interp, (char *)"Unknown command", TCL_STATIC);
    return TCL_OK;
}

/*
 * Calc_Init --
 * Returns: TCL_OK, or TCL_ERROR when calc cannot be created.
 * Changes: creates the command calc in interp.
 */
int Calc_Init(Tcl_Interp *interp)
{
    if (Tcl_CreateCommand(interp, "calc", calcCmd, NULL, NULL) == NULL) {
        return TCL_ERROR;
    }
    return TCL_OK;
}
