/*
 * run_guard.cpp --
 *
 *	The guard of projection commands and the two commands that report on
 *	the last guarded run.
 */
#include "geo/proj/run_guard.h"

#include <string>

#include "core/console_io.h"
#include "core/package.h"

Tcl_Interp *projInterp = NULL;

namespace {
int exitCode = 0;
std::string moduleName;
int guardDepth = 0;
unsigned long runSerial = 0;
unsigned long runsStarted = 0;
}  // namespace

int projRunGuarded(Tcl_Interp *interp, const char *module, const std::function<int()> &work)
{
    projInterp = interp;
    exitCode = 0;
    moduleName = module;
    if (guardDepth++ == 0) {
        runSerial = ++runsStarted;
    }
    /* A run writes many short lines: they go out together, and are all
     * out when the command returns. */
    ConsoleBatch batch;
    int status;
    try {
        status = work();
    } catch (const ProjRunExit &end) {
        exitCode = end.code != 0 ? end.code : 1;
        moduleName = module;
        projInterp = interp;
        status = TCL_ERROR;
    }
    if (--guardDepth == 0) {
        runSerial = 0;
    }
    return status;
}

void projExit(int code)
{
    if (guardDepth == 0) {
        /* Nothing to return to: the run is abandoned where it stands. */
        ovexPanicMessage("projection run ended outside a guarded command (code %d)", code);
    }
    throw ProjRunExit{code};
}

unsigned long projRunSerial(void) { return runSerial; }
int projLastExitCode(void) { return exitCode; }
const char *projLastModule(void) { return moduleName.c_str(); }
