/*
 * run_guard.h --
 *
 *	The guard every projection command runs under. The projection
 *	programs end a run by calling projExit instead of exiting the process;
 *	the guard catches that end, turns it into TCL_ERROR and remembers the
 *	exit code and the command for proj.exitCode and proj.module. Guards
 *	nest: an exit ends the innermost guarded command still running.
 */
#ifndef OVEX_GEO_PROJ_RUN_GUARD_H
#define OVEX_GEO_PROJ_RUN_GUARD_H

#include <tcl.h>

#include <functional>

/* Interpreter of the guarded command entered last. */
extern Tcl_Interp *projInterp;

/* Runs work as the guarded command named module. Returns work's status,
 * or TCL_ERROR (result untouched) when the run ended through projExit. */
int projRunGuarded(Tcl_Interp *interp, const char *module, const std::function<int()> &work);

/* Ends the current guarded run with code (0 is reported as 1). */
[[noreturn]] void projExit(int code);

/* Number of the guarded run in progress (each outermost run gets a new
 * one), 0 outside guarded runs. What a run looks up once (the environment)
 * holds for the whole run. */
unsigned long projRunSerial(void);

/* Code and module the diagnostic commands report. */
int projLastExitCode(void);
const char *projLastModule(void);

/* Thrown by projExit; caught only by projRunGuarded. Frames between may
 * release what they hold by ordinary destructors. */
struct ProjRunExit {
    int code;
};

#endif /* OVEX_GEO_PROJ_RUN_GUARD_H */
