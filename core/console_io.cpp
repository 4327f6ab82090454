/*
 * console_io.cpp --
 *
 *	Console output and input: every text written to standard output or
 *	standard error and every line read from standard input goes through
 *	the console interpreter, where a text command shows it (Tk's console,
 *	the system's own console windows, or plain puts/gets).
 */
#include "core/console_io.h"

#include <cstdio>
#include <cstring>

#include "core/package.h"

namespace {

const char BELL_CHARACTER = '\007';

/* Tcl keeps a NUL byte inside a string in this two-byte form. */
const char TCL_NUL[] = "\xC0\x80";

/* The last line read by conGets; valid until the next conGets. */
Tcl_DString lineBuffer;
bool lineBufferReady = false;

Tcl_DString *resetLineBuffer()
{
    if (!lineBufferReady) {
        Tcl_DStringInit(&lineBuffer);
        lineBufferReady = true;
    } else {
        Tcl_DStringFree(&lineBuffer);
    }
    return &lineBuffer;
}

/* The text command that shows output of a channel. */
const char *outputCommand(int channel)
{
    if (channel == TCL_STDERR) {
        return ovexState.tkConsole ? "tkConsoleOutput stderr" : "puts -nonewline stderr";
    }
    return ovexState.tkConsole ? "tkConsoleOutput stdout" : "puts -nonewline stdout";
}

/*
 *----------------------------------------------------------------------
 *
 * readConsoleLine --
 *
 *	Evaluates the input script in the console interpreter and appends the
 *	line it gave to line: the global consoleCmdLine for Tk's console, the
 *	interpreter's result otherwise. A failing script gives no line (its
 *	result would be an error message, and consoleCmdLine a stale line).
 *
 * Results:
 *	1 when a line (possibly empty) was appended, else 0.
 *
 * Side effects:
 *	Whatever the input script does; the interpreter's result and error
 *	information are left as they were.
 *
 *----------------------------------------------------------------------
 */
int readConsoleLine(Tcl_Interp *interp, const char *script, Tcl_DString *line)
{
    int found = 0;
    Tcl_Preserve(interp);
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    if (Tcl_EvalEx(interp, script, -1, TCL_EVAL_GLOBAL) == TCL_OK) {
        Tcl_Obj *text = ovexState.tkConsole
                            ? Tcl_GetVar2Ex(interp, "consoleCmdLine", NULL, TCL_GLOBAL_ONLY)
                            : Tcl_GetObjResult(interp);
        if (text != NULL) {
            int length = 0;
            const char *bytes = Tcl_GetStringFromObj(text, &length);
            Tcl_DStringAppend(line, bytes, length);
            found = 1;
        }
    }
    Tcl_RestoreInterpState(interp, saved);
    Tcl_Release(interp);
    return found;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * consoleEval --
 *
 *	Evaluates script globally in interp, preserved meanwhile.
 *
 * Results:
 *	The script's code.
 *
 * Side effects:
 *	Whatever the script does; interp's result, errorInfo and errorCode
 *	are restored afterwards.
 *
 *----------------------------------------------------------------------
 */
int consoleEval(Tcl_Interp *interp, const char *script, int length)
{
    Tcl_Preserve(interp);
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    int code = Tcl_EvalEx(interp, script, length, TCL_EVAL_GLOBAL);
    Tcl_RestoreInterpState(interp, saved);
    Tcl_Release(interp);
    return code;
}

/*
 *----------------------------------------------------------------------
 *
 * consolePuts --
 *
 *	Writes length bytes of text (all of it when length is negative) to
 *	the console's standard error (channel TCL_STDERR) or standard output
 *	(any other channel). Each BEL character rings the bell at once and is
 *	not shown.
 *
 * Results:
 *	length, also when the text is dropped because there is no console
 *	or output is suppressed; 0 for no text.
 *
 * Side effects:
 *	Evaluates the console's text command, "bell", and with the event-pass
 *	flag an event pass; the console interpreter's result and error
 *	information are left as they were.
 *
 *----------------------------------------------------------------------
 */
int consolePuts(int channel, const char *text, int length)
{
    if (text == NULL) {
        return 0;
    }
    if (length < 0) {
        length = (int)strlen(text);
    }
    Tcl_Interp *interp = getConsoleInterp();
    if (interp == NULL || ovexState.suppressOutput != 0) {
        return length;
    }

    Tcl_Preserve(interp);
    Tcl_SetErrno(0);
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);

    Tcl_DString shown;
    Tcl_DStringInit(&shown);
    for (int i = 0; i < length; i++) {
        if (text[i] == BELL_CHARACTER) {
            Tcl_EvalEx(interp, "bell", -1, TCL_EVAL_GLOBAL);
        } else if (text[i] == '\0') {
            Tcl_DStringAppend(&shown, TCL_NUL, 2);
        } else {
            Tcl_DStringAppend(&shown, text + i, 1);
        }
    }

    /* One list element, so braces, brackets and backslashes reach the
     * console as written. */
    Tcl_DString command;
    Tcl_DStringInit(&command);
    Tcl_DStringAppend(&command, outputCommand(channel), -1);
    Tcl_DStringAppendElement(&command, Tcl_DStringValue(&shown));
    Tcl_EvalEx(interp, Tcl_DStringValue(&command), Tcl_DStringLength(&command), TCL_EVAL_GLOBAL);
    Tcl_DStringFree(&command);
    Tcl_DStringFree(&shown);

    if (ovexState.eventPass) {
        tclUpdate(interp, TCL_ALL_EVENTS);
    }

    Tcl_RestoreInterpState(interp, saved);
    Tcl_Release(interp);
    return length;
}

/*
 *----------------------------------------------------------------------
 *
 * conGets --
 *
 *	Reads one line from the console: "tkConsoleInput" and the global
 *	consoleCmdLine with Tk's console, else "gets stdin" (which gives the
 *	line without its newline).
 *
 * Results:
 *	The line, valid until the next conGets, or NULL when no line of at
 *	least one character came. *length (when given) receives the line's
 *	length, 0 with no console.
 *
 * Side effects:
 *	Replaces the previous line.
 *
 *----------------------------------------------------------------------
 */
char *conGets(int *length)
{
    Tcl_DString *line = resetLineBuffer();
    Tcl_Interp *interp = getConsoleInterp();
    if (interp != NULL) {
        readConsoleLine(interp, ovexState.tkConsole ? "tkConsoleInput" : "gets stdin", line);
    }
    int count = Tcl_DStringLength(line);
    if (length != NULL) {
        *length = count;
    }
    return count < 1 ? NULL : Tcl_DStringValue(line);
}

/*
 *----------------------------------------------------------------------
 *
 * consoleGetchar --
 *
 *	Reads one console line ("tkConsoleInput 1" with Tk's console, else
 *	"gets stdin").
 *
 * Results:
 *	Its first character as a signed 8-bit value; 0 when there is no
 *	console or no text.
 *
 *----------------------------------------------------------------------
 */
int consoleGetchar(void)
{
    Tcl_Interp *interp = getConsoleInterp();
    if (interp == NULL) {
        return 0;
    }
    Tcl_DString line;
    Tcl_DStringInit(&line);
    readConsoleLine(interp, ovexState.tkConsole ? "tkConsoleInput 1" : "gets stdin", &line);
    int first = (signed char)Tcl_DStringValue(&line)[0];
    Tcl_DStringFree(&line);
    return first;
}

void consoleGotoXY(int x, int y)
{
    Tcl_Interp *interp = getConsoleInterp();
    if (interp == NULL) {
        return;
    }
    char script[64];
    snprintf(script, sizeof script, "tkConsoleXY %d %d", x, y);
    consoleEval(interp, script, -1);
}

void consoleClear(void)
{
    Tcl_Interp *interp = getConsoleInterp();
    if (interp != NULL) {
        consoleEval(interp, "clear", -1);
    }
}
