/*
 * meter.cpp --
 *
 *	The progress meter of the console and the pause/abort poll of long
 *	computations. A computation keeps a next threshold starting at 0;
 *	whenever its completed fraction reaches it, it calls meterSet with the
 *	threshold and adds meterInc; at the end it calls meterSet with 1.0.
 *	A meter step of 0 (the default) turns the meter off.
 */
#include <cstdio>

#include "core/console_io.h"
#include "core/package.h"

namespace {

const char METER_WIDGET[] = ".status.info.meter";

/* The console interpreter when the meter is on, else NULL. */
Tcl_Interp *meterConsole()
{
    if (ovexState.meterStep == 0.0f) {
        return NULL;
    }
    return getConsoleInterp();
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * meterReset --
 *
 *	Empties the console's meter ("meter.reset .status.info.meter").
 *
 * Results:
 *	The code of the meter command; 0 when the meter is off or there is
 *	no console.
 *
 * Side effects:
 *	The last meter fraction becomes 0.
 *
 *----------------------------------------------------------------------
 */
int meterReset(void)
{
    Tcl_Interp *interp = meterConsole();
    if (interp == NULL) {
        return 0;
    }
    Tcl_SetErrno(0);
    ovexState.meterLast = 0.0f;
    return consoleEval(interp, "meter.reset .status.info.meter", -1);
}

/*
 *----------------------------------------------------------------------
 *
 * meterSet --
 *
 *	Shows fraction and label on the console's meter ("meter.set
 *	.status.info.meter FRACTION LABEL"); the label is one list element.
 *
 * Results:
 *	The code of the meter command; 0 when the meter is off or there is
 *	no console.
 *
 * Side effects:
 *	Stores fraction as the last meter fraction.
 *
 *----------------------------------------------------------------------
 */
int meterSet(const char *label, float fraction)
{
    Tcl_Interp *interp = meterConsole();
    if (interp == NULL) {
        return 0;
    }
    ovexState.meterLast = fraction;

    char prefix[TCL_DOUBLE_SPACE + sizeof METER_WIDGET + 32];
    snprintf(prefix, sizeof prefix, "meter.set %s %f", METER_WIDGET, (double)fraction);
    Tcl_DString command;
    Tcl_DStringInit(&command);
    Tcl_DStringAppend(&command, prefix, -1);
    Tcl_DStringAppendElement(&command, label != NULL ? label : "");
    int code = consoleEval(interp, Tcl_DStringValue(&command), Tcl_DStringLength(&command));
    Tcl_DStringFree(&command);
    return code;
}

/* The meter step: the fraction between two meter updates (0 = off). */
float meterInc(void)
{
    return ovexState.meterStep;
}

/*
 *----------------------------------------------------------------------
 *
 * pollPauseAbort --
 *
 *	When the pause/abort state is set and there is a console: passes all
 *	pending events (which may change the state), then evaluates
 *	"ovex.pause" for state 2 or "ovex.abort" for state 3.
 *
 * Results:
 *	The state after the event pass; 0 with no console.
 *
 *----------------------------------------------------------------------
 */
int pollPauseAbort(void)
{
    if (getConsoleInterp() == NULL || ovexState.pauseAbort == 0) {
        return 0;
    }
    consoleFlush();
    tclUpdate(NULL, TCL_ALL_EVENTS);
    int state = ovexState.pauseAbort;
    /* The event pass may have deleted or replaced the console. */
    Tcl_Interp *interp = getConsoleInterp();
    if (interp != NULL) {
        if (state == OVEX_STATE_PAUSE) {
            consoleEval(interp, "ovex.pause", -1);
        } else if (state == OVEX_STATE_ABORT) {
            consoleEval(interp, "ovex.abort", -1);
        }
    }
    return state;
}
