/*
 * comb_checks.h --
 *
 *	Option parsing, id paths and the path and class checks shared by all
 *	composite-widget commands.
 */
#ifndef OVEX_WIDGETS_COMB_COMB_CHECKS_H
#define OVEX_WIDGETS_COMB_COMB_CHECKS_H

#include <tcl.h>
#include <tk.h>

#include <string>

#include "core/comb_eval.h"

/* Stores -option value pairs into the widget's cf elements; only options
 * the widget gave a default can be set. 1 when all pairs were stored, 0 on
 * the first bad pair (its message appended to errorInfo). */
int combParseParams(Tcl_Interp *interp, const char *path, int argc, const char **argv);

/* Follows an id path from path; NULL when it leads nowhere (message in
 * errorInfo). The returned value is Tcl's storage of the last element. */
const char *getID(Tcl_Interp *interp, const char *path, int argc, const char **argv);
const char *getIDList(Tcl_Interp *interp, const char *path, const char *idList);

/* The comb class of path, else its Tk class, else NULL (result reset). */
const char *combClassOf(Tk_Window mainWindow, Tcl_Interp *interp, const char *path);
bool combIsClass(Tk_Window mainWindow, Tcl_Interp *interp, const char *path, const char *className);
bool combIsTkClass(const char *className);
bool combIsValidID(const char *word);
bool combCheckPath(Tk_Window mainWindow, Tcl_Interp *interp, const char *path, int mustBeNew);
bool combCheckNewItem(Tk_Window mainWindow, Tcl_Interp *interp, const char *path,
                      const char *className, const char *id, const char *cmdName);

/* The application's main window: the command's client data, or when Tk came
 * after the library, the interpreter's; NULL without Tk. */
Tk_Window combMainWindow(ClientData clientData, Tcl_Interp *interp);

/* False, with "<command>: Tk is not loaded" as the result, without Tk. */
bool combHaveTk(Tk_Window mainWindow, Tcl_Interp *interp, const char *command);

/* The Tk window of path, or NULL (Tk's message then in the result). */
Tk_Window combWindow(Tk_Window mainWindow, Tcl_Interp *interp, const char *path);

/* Copy of a _comb element, empty when it does not exist. */
std::string combGetString(Tcl_Interp *interp, const char *format, ...) OVEX_PRINTF(2, 3);

/* Removes the _comb element whose name is formatted, if any. */
void combUnsetVar(Tcl_Interp *interp, const char *format, ...) OVEX_PRINTF(2, 3);

/* Calls the command named by argv[0] directly, adding nothing to errorInfo;
 * a missing command gives TCL_ERROR with Tcl's own message. */
int combCallCommand(Tcl_Interp *interp, int argc, const char **argv);

/* Sets the result to a plain text. */
void combSetResult(Tcl_Interp *interp, const std::string &text);

#endif /* OVEX_WIDGETS_COMB_COMB_CHECKS_H */
