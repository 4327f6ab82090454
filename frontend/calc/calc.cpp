/*
 * calc.cpp --
 *
 *	The calc command: one name for small computations and diagnostics.
 *	This file only dispatches; every subcommand lives with its concern
 *	and is reached through the table below.
 */
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "frontend/calc/calc_handlers.h"
#include "core/console_io.h"
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
    {"bands", 4, calcBands},
    {"bitmap", 4, calcBitmap},
    {"chars", 5, calcChars},
    {"clrscr", 5, calcClrscr},
    {"correl", 5, calcCorrel},
    {"comptest", 5, calcCompTest},
    {"compsave", 5, calcCompSave},
    {"decompload", 4, calcDecompLoad},
    {"d2r", 3, calcDegToRad},
    {"fgets", 3, calcFgets},
    {"fscanf", 3, calcFscanf},
    {"fplane", 3, calcFplane},
    {"ftime", 3, calcFtime},
    {"freeDisk", 3, calcFreeDisk},
    {"galloc", 5, calcGalloc},
    {"gfree", 5, calcGfree},
    {"gotoxy", 5, calcGotoxy},
    {"geocalc", 5, calcGeocalc},
    {"handles", 5, calcHandles},
    {"loadtime", 4, calcLoadtime},
    {"malloc", 4, calcMalloc},
    {"memid", 4, calcMemid},
    {"memory", 4, calcMemory},
    {"meter", 4, calcMeter},
    {"panic", 3, calcPanic},
    {"rand", 3, calcRand},
    {"realloc", 3, calcRealloc},
    {"refImgCoord", 3, calcRefImgCoord},
    {"rrand", 3, calcRrand},
    {"r2d", 3, calcRadToDeg},
    {"scangif", 4, calcScanGif},
    {"scramble", 4, calcScramble},
    {"srand", 4, calcSrand},
    {"stime", 4, calcStime},
    {"test", 4, calcTest},
    {"xyzRotate", 3, calcXyzRotate},
};

/* The answer to calc without a word (gotoxy and realloc are not listed). */
static const char calcCommandList[] =
    "Commands: bands bitmap chars clrscr correl comptest compsave decompload d2r "
    "fgets fscanf fplane ftime freeDisk galloc gfree geocalc handles loadtime "
    "malloc memid memory meter panic test rand refImgCoord rrand r2d scangif "
    "scramble srand stime xyzRotate";

/*
 * formatResult --
 *	Sets or appends a printf-formatted text to the interpreter's result;
 *	a text that cannot be allocated leaves the result alone.
 */
static void formatResult(Tcl_Interp *interp, int append, const char *format, va_list ap)
{
    char buffer[512];
    va_list again;
    va_copy(again, ap);
    int length = vsnprintf(buffer, sizeof buffer, format, ap);
    char *text = buffer;
    if (length >= (int)sizeof buffer) {
        text = Tcl_AttemptAlloc((unsigned int)length + 1);
        if (text != NULL) {
            vsnprintf(text, (size_t)length + 1, format, again);
        }
    }
    va_end(again);
    if (length < 0 || text == NULL) {
        return;
    }
    if (append) {
        Tcl_AppendResult(interp, text, (char *)NULL);
    } else {
        Tcl_SetResult(interp, text, TCL_VOLATILE);
    }
    if (text != buffer) {
        Tcl_Free(text);
    }
}

void calcSetResult(Tcl_Interp *interp, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    formatResult(interp, 0, format, ap);
    va_end(ap);
}

void calcAppendResult(Tcl_Interp *interp, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    formatResult(interp, 1, format, ap);
    va_end(ap);
}

/*
 * calcDebugErrorInfo --
 *	Subcommands that report through errorInfo show it on standard error
 *	while the script sets Ovex_Debug to 1.
 */
void calcDebugErrorInfo(Tcl_Interp *interp)
{
    const char *debug = Tcl_GetVar(interp, "Ovex_Debug", 0);
    if (debug == NULL || strcmp(debug, "1") != 0) {
        return;
    }
    const char *info = Tcl_GetVar(interp, "errorInfo", TCL_GLOBAL_ONLY);
    if (info != NULL) {
        ovex_fprintf(stderr, "%s\n", info);
    }
}

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
        /* Listings print line by line: the lines go out together, and
         * all of them before the command returns. */
        ConsoleBatch batch;
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
