/*
 * proj_init.cpp --
 *
 *	Registration of the projection commands and the two commands that
 *	report how the last guarded projection command ended.
 */
#include <stdio.h>

#include "core/inits.h"
#include "core/package.h"
#include "geo/proj/proj_commands.h"
#include "geo/proj/programs.h"
#include "geo/proj/run_guard.h"
#include "ovex/ovexstdio.h"

static int projExitCodeCmd(ClientData, Tcl_Interp *interp, int, const char **)
{
    Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d", projLastExitCode()));
    return TCL_OK;
}

static int projModuleCmd(ClientData, Tcl_Interp *interp, int, const char **)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(projLastModule(), -1));
    return TCL_OK;
}

static void projExitHandler(ClientData) {}

/*
 *----------------------------------------------------------------------
 *
 * Proj_Init --
 *
 *	Creates the projection, datum-shift and geodesic commands, and once
 *	per process the (empty) exit handler.
 *
 * Results:
 *	TCL_OK, or TCL_ERROR after naming the command that could not be
 *	created on standard error.
 *
 *----------------------------------------------------------------------
 */
int
Proj_Init(Tcl_Interp *interp)
{
    /* A NULL procedure marks a command not built yet. */
    static const struct {
        const char *name;
        Tcl_CmdProc *proc;
    } commands[] = {
        {"proj", projProgramCmd},
        {"proj.create", projCreateCmd},
        {"proj.exitCode", projExitCodeCmd},
        {"proj.module", projModuleCmd},
        {"proj.info", projInfoCmd},
        {"nad2nad", nad2nadProgramCmd},
        {"nad2nad.create", nad2nadCreateCmd},
        {"geod", geodProgramCmd},
        {"geod.create", geodCreateCmd},
        {"cs2cs", cs2csProgramCmd},
        {"cs2cs.create", cs2csCreateCmd},
    };
    static bool exitHandlerSet = false;

    for (const auto &row : commands) {
        int ok = row.proc != NULL
                     ? Tcl_CreateCommand(interp, row.name, row.proc, NULL, NULL) != NULL
                     : ovexCreatePlaceholder(interp, row.name) == TCL_OK;
        if (!ok) {
            ovex_fprintf(stderr, "Fail to create command:%s", row.name);
            return TCL_ERROR;
        }
    }
    if (!exitHandlerSet) {
        Tcl_CreateExitHandler(projExitHandler, NULL);
        exitHandlerSet = true;
    }
    return TCL_OK;
}
