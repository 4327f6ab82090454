/*
 * console_channels.h --
 *
 *	The console channels console0, console1 and console2: standard input,
 *	output and error of console mode. Writes go to the console through
 *	consolePuts and reads take lines from the console through conGets, so
 *	"puts" and "gets stdin" of every interpreter reach the console window.
 */
#ifndef OVEX_CORE_CONSOLE_CHANNELS_H
#define OVEX_CORE_CONSOLE_CHANNELS_H

#include <tcl.h>

/* Creates the console channels once per process, makes them the standard
 * channels and registers them in interp. A channel name that interp
 * already holds for another channel (Tk's own console channels) is left to
 * that channel. The previous standard channels come back at exit. */
void conCreateChannels(Tcl_Interp *interp);

/* Registers in interp those console channels that are standard channels,
 * so that "stdin", "stdout" and "stderr" resolve there. */
void conRegisterStdChannels(Tcl_Interp *interp);

/* Makes console0 the standard input (creating it when needed) and
 * registers it in interp; used when Tk's console is adopted. */
void conUseConsoleInput(Tcl_Interp *interp);

/* Exit handler: the standard channels from before console mode. */
void conRestoreStdChannels(ClientData clientData);

/* Channel procedures. instanceData is the standard-channel constant the
 * channel stands for (TCL_STDIN, TCL_STDOUT, TCL_STDERR). */
int consoleChannelInput(ClientData instanceData, char *buffer, int size, int *errorCode);
int consoleChannelOutput(ClientData instanceData, const char *bytes, int count, int *errorCode);

/* Forgets a console line of which only a part was handed over. */
void conDropPendingInput(void);

#endif /* OVEX_CORE_CONSOLE_CHANNELS_H */
