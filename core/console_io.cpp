/*
 * console_io.cpp --
 *
 *	Console output and input: every text written to standard output or
 *	standard error and every line read from standard input goes through
 *	the console interpreter, where a text command shows it (Tk's console,
 *	the system's own console windows, or plain puts/gets).
 */
#include "core/console_io.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/error_note.h"
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

/* Collected output of the open batches and the channel it is for. */
int batchDepth = 0;
int batchType = TCL_STDOUT;
std::string batch;
const size_t BATCH_LIMIT = 64 * 1024;

/* Appends text as the console shows it: a NUL byte in Tcl's two-byte form. */
void appendShown(std::string &shown, const char *text, int length)
{
    const char *end = text + length;
    while (text < end) {
        const char *nul = (const char *)memchr(text, '\0', (size_t)(end - text));
        const char *stop = nul != NULL ? nul : end;
        shown.append(text, (size_t)(stop - text));
        if (nul == NULL) {
            break;
        }
        shown.append(TCL_NUL, 2);
        text = nul + 1;
    }
}

/* The command procedure of Tcl's own puts, taken from a fresh interpreter
 * once. */
Tcl_ObjCmdProc *builtinPuts()
{
    static bool known = false;
    static Tcl_ObjCmdProc *proc = NULL;
    if (!known) {
        known = true;
        Tcl_Interp *fresh = Tcl_CreateInterp();
        Tcl_CmdInfo info;
        if (fresh != NULL && Tcl_GetCommandInfo(fresh, "::puts", &info) && info.isNativeObjectProc) {
            proc = info.objProc;
        }
        if (fresh != NULL) {
            Tcl_DeleteInterp(fresh);
        }
    }
    return proc;
}

/*
 * standardChannelOf --
 *	The channel "puts -nonewline stdout" (or stderr) would write in
 *	interp, when that is Tcl's own puts and the channel is registered
 *	there and writable; NULL otherwise (a script must then decide). The
 *	interpreter's result is not touched.
 */
Tcl_Channel standardChannelOf(Tcl_Interp *interp, int standardType)
{
    Tcl_CmdInfo info;
    Tcl_ObjCmdProc *puts = builtinPuts();
    if (puts == NULL || !Tcl_GetCommandInfo(interp, "::puts", &info) || !info.isNativeObjectProc
        || info.objProc != puts) {
        return NULL;
    }
    Tcl_Channel standard = Tcl_GetStdChannel(standardType);
    if (standard == NULL || !Tcl_IsChannelRegistered(interp, standard)) {
        return NULL;
    }
    Tcl_Channel out = Tcl_GetChannel(interp, standardType == TCL_STDERR ? "stderr" : "stdout", NULL);
    if (out == NULL || (Tcl_GetChannelMode(out) & TCL_WRITABLE) == 0) {
        return NULL;
    }
    return out;
}

/* Flushes the console's standard channel of that type when it is one
 * written directly (a console script does its own buffering). */
void flushStandard(Tcl_Interp *interp, int standardType)
{
    if (ovexState.tkConsole) {
        return;
    }
    Tcl_Channel out = standardChannelOf(interp, standardType);
    if (out != NULL) {
        Tcl_Flush(out);
    }
}

/* Writes text as "puts -nonewline" does, straight into the channel; false
 * (nothing written) when a script has to do it. */
bool writeChannelDirectly(Tcl_Interp *interp, int standardType, const char *text, int length)
{
    if (ovexState.tkConsole) {
        return false;
    }
    Tcl_Channel out = standardChannelOf(interp, standardType);
    if (out == NULL) {
        return false;
    }
    Tcl_SetErrno(0);
    if (memchr(text, '\0', (size_t)length) == NULL) {
        Tcl_WriteChars(out, text, length);
    } else {
        std::string shown;
        appendShown(shown, text, length);
        Tcl_WriteChars(out, shown.data(), (int)shown.size());
    }
    return true;
}

/* Writes text with the console's text command, ringing the bell for each
 * BEL character first; the interpreter's state is kept. */
void writeWithScript(Tcl_Interp *interp, int channel, const char *text, int length)
{
    Tcl_Preserve(interp);
    Tcl_SetErrno(0);
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);

    std::string shown;
    shown.reserve((size_t)length);
    for (int i = 0; i < length; i++) {
        if (text[i] == BELL_CHARACTER) {
            Tcl_EvalEx(interp, "bell", -1, TCL_EVAL_GLOBAL);
        }
    }
    appendShown(shown, text, length);
    shown.erase(std::remove(shown.begin(), shown.end(), BELL_CHARACTER), shown.end());

    /* One list element, so braces, brackets and backslashes reach the
     * console as written. */
    Tcl_DString command;
    Tcl_DStringInit(&command);
    Tcl_DStringAppend(&command, outputCommand(channel), -1);
    Tcl_DStringAppendElement(&command, shown.c_str());
    Tcl_EvalEx(interp, Tcl_DStringValue(&command), Tcl_DStringLength(&command), TCL_EVAL_GLOBAL);
    Tcl_DStringFree(&command);

    if (ovexState.eventPass) {
        tclUpdate(interp, TCL_ALL_EVENTS);
    }

    Tcl_RestoreInterpState(interp, saved);
    Tcl_Release(interp);
}

/* Writes the collected output of the batch, if any. */
void writeBatch()
{
    if (batch.empty()) {
        return;
    }
    std::string text;
    text.swap(batch);
    /* Collected while output was shown: it is shown, also when output is
     * suppressed by now. */
    Tcl_Interp *interp = getConsoleInterp();
    if (interp == NULL) {
        return;
    }
    if (!writeChannelDirectly(interp, batchType, text.data(), (int)text.size())) {
        writeWithScript(interp, batchType, text.data(), (int)text.size());
    }
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
    writeBatch();
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
 *	not shown. Inside a batch the text may be collected and written later
 *	(see consoleBatchBegin).
 *
 * Results:
 *	length, also when the text is dropped because there is no console
 *	or output is suppressed; 0 for no text.
 *
 * Side effects:
 *	Writes the console's standard channel, or evaluates the console's
 *	text command, "bell", and with the event-pass flag an event pass; the
 *	console interpreter's result and error information are left as they
 *	were.
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
    /* Heard also without a console: a failing command names the reason. */
    if (channel == TCL_STDERR) {
        errorNoteKeep(text, length);
    } else {
        errorNoteBreak(text, length);
    }
    Tcl_Interp *interp = getConsoleInterp();
    if (interp == NULL || ovexState.suppressOutput != 0) {
        return length;
    }
    int standardType = channel == TCL_STDERR ? TCL_STDERR : TCL_STDOUT;
    bool rings = memchr(text, BELL_CHARACTER, (size_t)length) != NULL;

    if (batchDepth > 0 && !ovexState.tkConsole && !ovexState.eventPass && !rings) {
        if (batchType != standardType) {
            writeBatch();
            if (standardType == TCL_STDERR) {
                flushStandard(interp, TCL_STDOUT);
            }
            batchType = standardType;
        }
        appendShown(batch, text, length);
        if (batch.size() >= BATCH_LIMIT) {
            writeBatch();
        }
        return length;
    }
    writeBatch();
    if (standardType == TCL_STDERR) {
        /* A message comes after the output written before it, also when
         * both streams go to one file. */
        flushStandard(interp, TCL_STDOUT);
    }
    if (!ovexState.eventPass && !rings && writeChannelDirectly(interp, standardType, text, length)) {
        return length;
    }
    writeWithScript(interp, channel, text, length);
    return length;
}

void consoleInterpChanging(void)
{
    writeBatch();
    builtinPuts();
}

void consoleBatchBegin(void)
{
    batchDepth++;
}

void consoleBatchEnd(void)
{
    if (batchDepth > 0 && --batchDepth == 0) {
        consoleFlush();
    }
}

void consoleFlush(void)
{
    writeBatch();
    Tcl_Interp *interp = getConsoleInterp();
    if (interp == NULL) {
        return;
    }
    flushStandard(interp, TCL_STDOUT);
    flushStandard(interp, TCL_STDERR);
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
    /* What was written before the question is seen before the answer. */
    consoleFlush();
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
    consoleFlush();
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
