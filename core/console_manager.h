/*
 * console_manager.h --
 *
 *	Console mode: up to 16 consoles, each a pair of interpreters (the
 *	application interpreter where scripts and package commands run, and a
 *	console interpreter whose Tk window shows output and takes input), the
 *	console-manager form of the ovex command, and their teardown.
 */
#ifndef OVEX_CORE_CONSOLE_MANAGER_H
#define OVEX_CORE_CONSOLE_MANAGER_H

#include <tcl.h>

#define OVEX_CONSOLE_SLOTS 16

/* Creates the console-manager ovex in interp, once per process the console
 * table and channels, then runs ovexAppInit. Returns its code. */
int ovexShellInit(Tcl_Interp *interp);

/* The slot holding interp as application or console interpreter, or
 * OVEX_CONSOLE_SLOTS when it is in none. */
int conSlotOf(Tcl_Interp *interp);

/* Full teardown of every console (flags: the event kinds passed first).
 * A teardown started while one runs does nothing. */
void conExitAll(int flags);

/* Closes every console window; the application interpreters stay. */
void conCloseAll(int flags);

/* setConStdIO: makes the calling interpreter the console interpreter. */
int setConStdIO(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);

#endif /* OVEX_CORE_CONSOLE_MANAGER_H */
