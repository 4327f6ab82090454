/*
 * comb_eval.h --
 *
 *	The composite-widget store and the direct evaluator under all
 *	composite widgets, kept in the core because the photo bridge and the
 *	GRASS display keep their state and call Tk through them too.
 *
 *	The store is the global array _comb, whose element names are
 *	"<path>,<field>"; combGetVar and combSetVar read and write it from any
 *	procedure level.
 *
 *	combEval and combEvalVar call a Tcl or Tk command's string procedure
 *	with a prepared word list, without building or parsing a script. A
 *	command that builds widgets step by step passes an abort point: a
 *	failing step then prints its trace and unwinds to that point instead of
 *	returning, so the command needs one clean-up path only:
 *
 *	    return combWithAbortPoint(
 *	        [&](CombAbort *abortPoint) {
 *	            combEval(abortPoint, mainWindow, interp, frameProc, "frame", path, NULL);
 *	            ...
 *	            return TCL_OK;
 *	        },
 *	        [&]() { ...free what was made... });
 *
 *	The unwinding is a C++ exception thrown from combEval's own frame after
 *	the called command has returned, so it never crosses a Tcl (C) frame as
 *	long as the abort point is only passed down to calls made by the
 *	command that set it.
 */
#ifndef OVEX_CORE_COMB_EVAL_H
#define OVEX_CORE_COMB_EVAL_H

#include <stdarg.h>
#include <stddef.h>

#include <tcl.h>

#include "ovex/ovexstdio.h"

/* Longest word list of combEval (the array keeps one more slot for NULL). */
#define COMB_MAX_WORDS 4095

/* Formatted element names, scripts and messages up to this size are built
 * on the stack; longer ones are allocated. */
#define COMB_FORMAT_SIZE 16384

/* An abort point; its address identifies it. */
struct CombAbort {
    int landed;  /* 1 once a step has aborted to this point */
};

/* What an aborting step throws; caught by combWithAbortPoint. */
struct CombAbortException {
    CombAbort *point;
};

#if defined(__GNUC__)
#define COMB_SENTINEL __attribute__((sentinel))
#else
#define COMB_SENTINEL
#endif

/* Runs the command named by the first word, or proc with clientData when
 * proc is given; the words end with a NULL word. Returns the command's
 * status; a failure under an abort point unwinds to it instead. */
int combEval(CombAbort *abortPoint, ClientData clientData, Tcl_Interp *interp,
             Tcl_CmdProc *proc, ...) COMB_SENTINEL;

/* Runs "eval" on the words after it, as combEval(..., NULL, "eval", ...)
 * would. When the script eval would build holds no substitution, quoting or
 * command separator, it is the plain list of the words' elements: the
 * command is then called directly on those elements, and only a failure
 * runs again through eval, so that messages and traces are eval's own. Use
 * it only where a failed call leaves nothing behind (Tk widget creation and
 * configuration). */
int combEvalSplit(CombAbort *abortPoint, Tcl_Interp *interp, ...) COMB_SENTINEL;

/* Runs the command named by argv[0] with the caller's word array (argv[argc]
 * NULL, as for any Tcl command procedure). Status and abort as combEval. */
int combEvalVar(CombAbort *abortPoint, Tcl_Interp *interp, int argc, const char **argv);

/* Tcl_GetCommandInfo on name, through a kept object of the name whose
 * resolution Tcl caches and checks. 0, with info->proc NULL, when name is
 * not a command with a string procedure. */
int combCommandInfo(Tcl_Interp *interp, const char *name, Tcl_CmdInfo *info);

/* Formats fmt into text when it holds no conversion but "%s" and "%%"
 * (element names mostly do), without printf. Returns the length, or -1 when
 * fmt has another conversion or the text does not fit; ap is then spent. */
int combFormatStrings(char *text, size_t size, const char *fmt, va_list ap);

/* Value of the _comb element whose name is formatted, or NULL when it does
 * not exist. The value is Tcl's own storage: copy it before changing the
 * store. */
const char *combGetVar(Tcl_Interp *interp, const char *format, ...) OVEX_PRINTF(2, 3);

/* combGetVar with its arguments in a va_list (left unspent). */
const char *combGetVarV(Tcl_Interp *interp, const char *format, va_list ap);

/* Stores value in the _comb element whose name is formatted. Returns the
 * stored value, or NULL when Tcl refuses the assignment. */
const char *combSetVar(Tcl_Interp *interp, const char *value, const char *format, ...)
    OVEX_PRINTF(3, 4);

/* Formats a script and evaluates it at global level; returns its status. */
int combGlobalEval(Tcl_Interp *interp, const char *format, ...) OVEX_PRINTF(2, 3);

/* Formats a message and appends it to errorInfo; the result is unchanged. */
void combAddErrorInfo(Tcl_Interp *interp, const char *format, ...) OVEX_PRINTF(2, 3);

/* Writes message on standard error and unwinds to the abort point. Without
 * an abort point there is nowhere to go, so it returns after writing. */
void combAbort(CombAbort *abortPoint, const char *message);

/*
 * Runs body(abortPoint). When a step aborts, onAbort() runs and the result
 * is TCL_ERROR; otherwise the result is what body returns.
 */
template <typename Body, typename OnAbort>
int
combWithAbortPoint(Body body, OnAbort onAbort)
{
    CombAbort abortPoint = {0};
    try {
        return body(&abortPoint);
    } catch (const CombAbortException &) {
        onAbort();
        return TCL_ERROR;
    }
}

#endif /* OVEX_CORE_COMB_EVAL_H */
