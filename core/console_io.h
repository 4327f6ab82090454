/*
 * console_io.h --
 *
 *	Internal side of the console layer: evaluation in the console
 *	interpreter that leaves its caller's state alone, cursor and clear
 *	commands of the console window, and the pause/abort poll of long
 *	computations. The exported part (consolePuts, conGets, the meter ...)
 *	is declared in ovex/ovex.h.
 */
#ifndef OVEX_CORE_CONSOLE_IO_H
#define OVEX_CORE_CONSOLE_IO_H

#include <tcl.h>

/* Values of the pause/abort state that the poll acts on. */
#define OVEX_STATE_PAUSE 2
#define OVEX_STATE_ABORT 3

/* Evaluates script globally in interp, which is kept alive meanwhile; the
 * interpreter's result, errorInfo and errorCode are left as they were,
 * because on Linux the console interpreter is usually the one running the
 * calling command. Returns the script's code. */
int consoleEval(Tcl_Interp *interp, const char *script, int length);

/* Output batches. While a batch is open, console output that needs no
 * script of its own (no Tk-style console, no event pass, no bell) is
 * collected and written in large pieces; anything that may run a script or
 * wait for input writes the collected text first, so the order of output
 * stays as written. Closing the outermost batch writes the rest and flushes
 * the console's output channels, so that the output is visible when the
 * command returns. Batches nest. */
void consoleBatchBegin(void);
void consoleBatchEnd(void);

/* Called when the console interpreter changes: writes what was collected
 * for the old one, and learns once which command is Tcl's own puts (from
 * a fresh interpreter, made while the process runs normally rather than
 * in the middle of some later write). */
void consoleInterpChanging(void);

/* Writes collected output and flushes the console's standard output and
 * error channels. */
void consoleFlush(void);

#ifdef __cplusplus
/* Holds a batch open for one scope, also when the scope is left by an
 * exception. */
class ConsoleBatch {
public:
    ConsoleBatch() { consoleBatchBegin(); }
    ~ConsoleBatch() { consoleBatchEnd(); }
    ConsoleBatch(const ConsoleBatch &) = delete;
    ConsoleBatch &operator=(const ConsoleBatch &) = delete;
};
#endif

/* Moves the console cursor ("tkConsoleXY x y"); nothing without a console. */
void consoleGotoXY(int x, int y);

/* Clears the console window ("clear"); nothing without a console. */
void consoleClear(void);

/* Passes pending events and runs "ovex.pause" or "ovex.abort" when the
 * state asks for it. Returns the pause/abort state (0..3); a computation
 * stops when it sees OVEX_STATE_ABORT. */
int pollPauseAbort(void);

#endif /* OVEX_CORE_CONSOLE_IO_H */
