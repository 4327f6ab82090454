/*
 * comb_checks.cpp --
 *
 *	Option parsing, id paths and the path and class checks of the
 *	composite widgets.
 */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "core/package.h"
#include "widgets/comb/comb_checks.h"

static std::string
combVFormat(const char *format, va_list ap)
{
    char stack[256];
    va_list again;
    va_copy(again, ap);
    int quick = combFormatStrings(stack, sizeof(stack), format, ap);
    if (quick >= 0) {
        va_end(again);
        return std::string(stack, (size_t)quick);
    }
    va_list retry;
    va_copy(retry, again);
    int length = vsnprintf(stack, sizeof(stack), format, retry);
    va_end(retry);
    std::string text;
    if (length >= 0 && (size_t)length < sizeof(stack)) {
        text.assign(stack, (size_t)length);
    } else if (length >= 0) {
        text.resize((size_t)length + 1);
        vsnprintf(&text[0], text.size(), format, again);
        text.resize((size_t)length);
    }
    va_end(again);
    return text;
}

std::string
combGetString(Tcl_Interp *interp, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    const char *value = combGetVarV(interp, format, ap);
    va_end(ap);
    return value != NULL ? std::string(value) : std::string();
}

void
combUnsetVar(Tcl_Interp *interp, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    std::string name = combVFormat(format, ap);
    va_end(ap);
    Tcl_UnsetVar2(interp, "_comb", name.c_str(), TCL_GLOBAL_ONLY);
}

void
combSetResult(Tcl_Interp *interp, const std::string &text)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text.data(), (int)text.size()));
}

/*
 *----------------------------------------------------------------------
 * combParseParams --
 *	Walks the words in pairs and stores each value in <path>,cf<option>,
 *	which must already exist.
 * Results:
 *	1 when every pair was stored; 0 at the first bad pair, whose message
 *	is appended to errorInfo. Earlier pairs stay stored.
 *----------------------------------------------------------------------
 */
int
combParseParams(Tcl_Interp *interp, const char *path, int argc, const char **argv)
{
    for (int i = 0; i < argc; i += 2) {
        const char *option = argv[i];
        if (i + 1 >= argc) {
            combAddErrorInfo(interp, "\ncombParseParams: no value given to option %s\n", option);
            return 0;
        }
        if (option[0] != '-') {
            combAddErrorInfo(interp, "\ncombParseParams: option syntax error: %s\n", option);
            return 0;
        }
        if (combGetVar(interp, "%s,cf%s", path, option) == NULL) {
            combAddErrorInfo(interp, "\ncombParseParams: unknown option: %s %s\n", option,
                             argv[i + 1]);
            return 0;
        }
        if (combSetVar(interp, argv[i + 1], "%s,cf%s", path, option) == NULL) {
            return 0;
        }
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 * getID --
 *	Follows the ids from path through the elements <current>,<id>.
 * Results:
 *	The path reached (path itself with no ids), or NULL with
 *	"getID - syntex error" or "getID - invalid path" in errorInfo.
 *----------------------------------------------------------------------
 */
const char *
getID(Tcl_Interp *interp, const char *path, int argc, const char **argv)
{
    const char *current = path;
    for (int i = 0; i < argc; i++) {
        if (argv[i][0] != '-') {
            combAddErrorInfo(interp, "getID - syntex error");
            return NULL;
        }
        current = combGetVar(interp, "%s,%s", current, argv[i]);
        if (current == NULL) {
            combAddErrorInfo(interp, "getID - invalid path");
            return NULL;
        }
    }
    return current;
}

const char *
getIDList(Tcl_Interp *interp, const char *path, const char *idList)
{
    int argc;
    const char **argv;
    if (Tcl_SplitList(interp, idList, &argc, &argv) != TCL_OK) {
        return NULL;
    }
    const char *reached = getID(interp, path, argc, argv);
    Tcl_Free((char *)argv);
    return reached;
}

Tk_Window
combWindow(Tk_Window mainWindow, Tcl_Interp *interp, const char *path)
{
    if (mainWindow == NULL) {
        /* A plain Tcl interpreter has no windows at all. */
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("bad window path name \"%s\"", path));
        return NULL;
    }
    return Tk_NameToWindow(interp, path, mainWindow);
}

const char *
combClassOf(Tk_Window mainWindow, Tcl_Interp *interp, const char *path)
{
    const char *className = combGetVar(interp, "%s,class", path);
    if (className != NULL) {
        return className;
    }
    Tk_Window window = combWindow(mainWindow, interp, path);
    if (window == NULL) {
        Tcl_ResetResult(interp);
        return NULL;
    }
    return Tk_Class(window);
}

bool
combIsClass(Tk_Window mainWindow, Tcl_Interp *interp, const char *path, const char *className)
{
    Tk_Window window = combWindow(mainWindow, interp, path);
    if (window == NULL) {
        return false;
    }
    const char *actual = combGetVar(interp, "%s,class", path);
    if (actual == NULL) {
        actual = Tk_Class(window);
    }
    return actual != NULL && strcmp(actual, className) == 0;
}

bool
combIsTkClass(const char *className)
{
    return className != NULL && className[0] >= 'A' && className[0] <= 'Z';
}

bool
combIsValidID(const char *word)
{
    return word != NULL && word[0] == '-' && word[1] != '\0' && word[1] != '-';
}

/* Raises message as Tcl's error command would at global level: the result
 * holds it and errorInfo begins with it. */
static void
combRaise(Tcl_Interp *interp, const std::string &message)
{
    Tcl_Obj *words[2] = {Tcl_NewStringObj("error", -1),
                         Tcl_NewStringObj(message.data(), (int)message.size())};
    for (Tcl_Obj *word : words) {
        Tcl_IncrRefCount(word);
    }
    (void)Tcl_EvalObjv(interp, 2, words, TCL_EVAL_GLOBAL);
    for (Tcl_Obj *word : words) {
        Tcl_DecrRefCount(word);
    }
}

bool
combCheckPath(Tk_Window mainWindow, Tcl_Interp *interp, const char *path, int mustBeNew)
{
    if (path[0] != '.') {
        combRaise(interp, "Invalid widget pathname");
        return false;
    }
    /* Asked without the interpreter: its message would be dropped here. */
    Tk_Window window = mainWindow != NULL ? Tk_NameToWindow(NULL, path, mainWindow) : NULL;
    if (window == NULL) {
        Tcl_ResetResult(interp);
        if (mustBeNew) {
            return true;
        }
        combRaise(interp, std::string("None-existed widget: ") + path);
        return false;
    }
    if (mustBeNew) {
        combRaise(interp, std::string("Path ") + path + " already exists!");
        return false;
    }
    if (combGetVar(interp, "%s,class", path) == NULL) {
        combRaise(interp, std::string(path) + " is not a combined widget or has currupted");
        return false;
    }
    return true;
}

bool
combCheckNewItem(Tk_Window mainWindow, Tcl_Interp *interp, const char *path,
                 const char *className, const char *id, const char *cmdName)
{
    if (!combIsClass(mainWindow, interp, path, className)) {
        combAddErrorInfo(interp, "%s - invalid class", cmdName);
        return false;
    }
    if (!combIsValidID(id)) {
        combAddErrorInfo(interp, "%s - invalid ID", cmdName);
        return false;
    }
    if (combGetVar(interp, "%s,%s", path, id) != NULL) {
        combAddErrorInfo(interp, "%s - id %s already exists", cmdName, id);
        return false;
    }
    return true;
}

int
combCallCommand(Tcl_Interp *interp, int argc, const char **argv)
{
    Tcl_CmdInfo info;
    if (!Tcl_GetCommandInfo(interp, argv[0], &info) || info.proc == NULL) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("invalid command name \"%s\"", argv[0]));
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    return info.proc(info.clientData, interp, argc, argv);
}

Tk_Window
combMainWindow(ClientData clientData, Tcl_Interp *interp)
{
    return clientData != NULL ? (Tk_Window)clientData : ovexMainWindow(interp);
}

bool
combHaveTk(Tk_Window mainWindow, Tcl_Interp *interp, const char *command)
{
    if (mainWindow != NULL) {
        return true;
    }
    Tcl_SetObjResult(interp, Tcl_ObjPrintf("%s: Tk is not loaded", command));
    return false;
}
