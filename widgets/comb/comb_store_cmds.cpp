/*
 * comb_store_cmds.cpp --
 *
 *	Commands that read and write the _comb store and check paths, ids and
 *	classes.
 */
#include <string.h>

#include <string>

#include "core/package.h"
#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"
#include "core/comb_eval.h"

#define MAIN_WINDOW combMainWindow(clientData, interp)

/* Evaluates words at global level; the objects are released afterwards. */
static int
combGlobalWords(Tcl_Interp *interp, std::initializer_list<const char *> words)
{
    Tcl_Obj *objv[8];
    int objc = 0;
    for (const char *word : words) {
        objv[objc] = Tcl_NewStringObj(word, -1);
        Tcl_IncrRefCount(objv[objc]);
        objc++;
    }
    int status = Tcl_EvalObjv(interp, objc, objv, TCL_EVAL_GLOBAL);
    for (int i = 0; i < objc; i++) {
        Tcl_DecrRefCount(objv[i]);
    }
    return status;
}

/* comb.set w ?key value ...? */
COMB_COMMAND(combSetCmd)
{
    if (argc < 2 || argc % 2 != 0) {
        combAddErrorInfo(interp, "syntax error in params!");
        return TCL_ERROR;
    }
    for (int i = 2; i < argc; i += 2) {
        if (combSetVar(interp, argv[i + 1], "%s,%s", argv[1], argv[i]) == NULL) {
            combAddErrorInfo(interp, "Error in comb.set");
            return TCL_ERROR;
        }
    }
    return TCL_OK;
}

/* comb.get w key ?key ...? */
COMB_COMMAND(combGetCmd)
{
    if (argc < 3) {
        combAddErrorInfo(interp, "Error in param parsing");
        return TCL_ERROR;
    }
    Tcl_Obj *values = Tcl_NewListObj(0, NULL);
    Tcl_IncrRefCount(values);
    for (int i = 2; i < argc; i++) {
        const char *value = combGetVar(interp, "%s,%s", argv[1], argv[i]);
        if (value == NULL) {
            Tcl_DecrRefCount(values);
            combAddErrorInfo(interp, "comb varialbe %s,%s does not exist!", argv[1], argv[i]);
            return TCL_ERROR;
        }
        Tcl_ListObjAppendElement(NULL, values, Tcl_NewStringObj(value, -1));
    }
    if (argc == 3) {
        Tcl_Obj *only;
        Tcl_ListObjIndex(NULL, values, 0, &only);
        Tcl_SetObjResult(interp, only);
    } else {
        Tcl_SetObjResult(interp, values);
    }
    Tcl_DecrRefCount(values);
    return TCL_OK;
}

/* comb.free pathname: every field of that path, none of its children's. */
COMB_COMMAND(combFreeCmd)
{
    if (argc != 2) {
        combSetResult(interp, "comb.free pathname");
        return TCL_OK;
    }
    std::string pattern = std::string(argv[1]) + ",*";
    (void)combGlobalWords(interp, {"array", "unset", "_comb", pattern.c_str()});
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* The option names of a path ("-name "), in the order the array lists them. */
static std::string
combOptionNames(Tcl_Interp *interp, const char *path)
{
    std::string pattern = std::string(path) + ",cf-*";
    std::string names;
    if (combGlobalWords(interp, {"array", "names", "_comb", pattern.c_str()}) != TCL_OK) {
        return names;
    }
    int count;
    Tcl_Obj **elements;
    if (Tcl_ListObjGetElements(NULL, Tcl_GetObjResult(interp), &count, &elements) != TCL_OK) {
        return names;
    }
    size_t skip = strlen(path) + 3;   /* "<path>,cf" */
    for (int i = 0; i < count; i++) {
        const char *name = Tcl_GetString(elements[i]);
        if (strlen(name) >= skip) {
            names += name + skip;
            names += ' ';
        }
    }
    return names;
}

/* comb.cf pathname */
COMB_COMMAND(combCfCmd)
{
    if (argc < 2) {
        combSetResult(interp, "comb.cf pathname");
        return TCL_OK;
    }
    std::string names = combOptionNames(interp, argv[1]);
    combSetResult(interp, names);
    return TCL_OK;
}

/* comb.class pathname */
COMB_COMMAND(combClassCmd)
{
    if (argc < 2) {
        combSetResult(interp, "comb.class pathname");
        return TCL_OK;
    }
    Tk_Window window = combWindow(MAIN_WINDOW, interp, argv[1]);
    if (window == NULL) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    const char *className = combGetVar(interp, "%s,class", argv[1]);
    combSetResult(interp, className != NULL ? className : Tk_Class(window));
    return TCL_OK;
}

/* comb.dir w ?id ...? */
COMB_COMMAND(combDirCmd)
{
    if (argc < 2) {
        return combGlobalEval(interp, "puts \"comd.dir w ?option?\"");
    }
    const char *target = getID(interp, argv[1], argc - 2, argv + 2);
    if (target == NULL) {
        return TCL_OK;
    }
    std::string path = target;
    const char *found = combClassOf(MAIN_WINDOW, interp, path.c_str());
    if (found == NULL) {
        return TCL_OK;
    }
    std::string className = found;
    if (combIsTkClass(className.c_str())) {
        return combGlobalEval(interp, "puts \"%s is not a combined widget\"", path.c_str());
    }
    return combGlobalEval(interp, "concat %s [comb.cf %s]", className.c_str(), path.c_str());
}

/* comb.args arrayName element value */
COMB_COMMAND(combArgsCmd)
{
    if (argc != 4) {
        return TCL_ERROR;
    }
    (void)Tcl_SetVar2(interp, argv[1], argv[2], argv[3], TCL_GLOBAL_ONLY);
    return TCL_OK;
}

/* comb.proc procName: {proc name {formal arguments} body}. */
COMB_COMMAND(combProcCmd)
{
    if (argc != 2) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("Usage: %s procName\n", argv[0]));
        return TCL_ERROR;
    }
    const char *name = argv[1];
    if (combGlobalWords(interp, {"info", "args", name}) != TCL_OK) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("\"%s\" isn't a procedure", name));
        return TCL_ERROR;
    }
    Tcl_Obj *argNames = Tcl_GetObjResult(interp);
    Tcl_IncrRefCount(argNames);
    int count;
    Tcl_Obj **elements;
    Tcl_ListObjGetElements(NULL, argNames, &count, &elements);

    Tcl_Obj *formals = Tcl_NewListObj(0, NULL);
    for (int i = 0; i < count; i++) {
        const char *argName = Tcl_GetString(elements[i]);
        Tcl_Obj *formal = elements[i];
        if (strcmp(argName, "args") != 0
                && combGlobalWords(interp, {"info", "default", name, argName, "::tcl::comb_default"})
                       == TCL_OK) {
            Tcl_Obj *has = Tcl_GetObjResult(interp);
            int flag = 0;
            if (Tcl_GetBooleanFromObj(NULL, has, &flag) == TCL_OK && flag) {
                Tcl_Obj *value = Tcl_GetVar2Ex(interp, "::tcl::comb_default", NULL, 0);
                formal = Tcl_NewListObj(0, NULL);
                Tcl_ListObjAppendElement(NULL, formal, elements[i]);
                Tcl_ListObjAppendElement(NULL, formal, value != NULL ? value : Tcl_NewObj());
            }
            Tcl_UnsetVar2(interp, "::tcl::comb_default", NULL, 0);
        }
        Tcl_ListObjAppendElement(NULL, formals, formal);
    }
    Tcl_DecrRefCount(argNames);

    if (combGlobalWords(interp, {"info", "body", name}) != TCL_OK) {
        Tcl_DecrRefCount(formals);
        return TCL_ERROR;
    }
    Tcl_Obj *definition = Tcl_NewListObj(0, NULL);
    Tcl_ListObjAppendElement(NULL, definition, Tcl_NewStringObj("proc", -1));
    Tcl_ListObjAppendElement(NULL, definition, Tcl_NewStringObj(name, -1));
    Tcl_ListObjAppendElement(NULL, definition, formals);
    Tcl_ListObjAppendElement(NULL, definition, Tcl_GetObjResult(interp));
    Tcl_SetObjResult(interp, definition);
    return TCL_OK;
}

/* comb.update ?idletasks or all?: passes pending events, never waiting. */
COMB_COMMAND(combUpdateCmd)
{
    int flags = TCL_WINDOW_EVENTS | TCL_FILE_EVENTS | TCL_TIMER_EVENTS;
    if (argc == 2) {
        size_t length = strlen(argv[1]);
        if (strncmp(argv[1], "idletasks", length) == 0) {
            flags = TCL_IDLE_EVENTS;
        } else if (strncmp(argv[1], "all", length) == 0) {
            flags = TCL_ALL_EVENTS;
        } else {
            Tcl_SetObjResult(interp, Tcl_ObjPrintf(
                "bad option \"%s\": must be idletasks or all", argv[1]));
            return TCL_ERROR;
        }
    } else if (argc > 2) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf(
            "wrong # args: should be \"%s idletasks or all\"", argv[0]));
        return TCL_ERROR;
    }
    tclUpdate(interp, flags);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* comb.parse w optionList */
COMB_COMMAND(combParseCmd)
{
    if (argc < 3) {
        combSetResult(interp, "1");
        return TCL_ERROR;
    }
    if (strcmp(argv[2], "-") == 0) {
        std::string names = combOptionNames(interp, argv[1]);
        ovex_printf("options: %s\n", names.c_str());
        combSetResult(interp, "0");
        return TCL_ERROR;
    }
    int count;
    const char **words;
    if (Tcl_SplitList(interp, argv[2], &count, &words) != TCL_OK) {
        combSetResult(interp, "0");
        return TCL_ERROR;
    }
    int ok = combParseParams(interp, argv[1], count, words);
    Tcl_Free((char *)words);
    combSetResult(interp, ok ? "1" : "0");
    return ok ? TCL_OK : TCL_ERROR;
}

/* comb.validClass w class cmdName */
COMB_COMMAND(combValidClassCmd)
{
    if (argc != 4) {
        combSetResult(interp, "0");
        return TCL_OK;
    }
    Tk_Window window = combWindow(MAIN_WINDOW, interp, argv[1]);
    if (window == NULL) {
        combAddErrorInfo(interp, "%s - invalid widget pathname", argv[3]);
        combSetResult(interp, "0");
        return TCL_OK;
    }
    const char *className = combGetVar(interp, "%s,class", argv[1]);
    if (argv[2][0] == '\0') {
        combSetResult(interp, className != NULL ? className : Tk_Class(window));
        return TCL_OK;
    }
    if (className != NULL && strcmp(className, argv[2]) == 0) {
        combSetResult(interp, "1");
        return TCL_OK;
    }
    combAddErrorInfo(interp, "%s is not a %s widget", argv[1], argv[2]);
    combSetResult(interp, "0");
    return TCL_OK;
}

/* comb.validID w id */
COMB_COMMAND(combValidIDCmd)
{
    combSetResult(interp, argc >= 3 && combIsValidID(argv[2]) ? "1" : "0");
    return TCL_OK;
}

/* comb.validPath w ?new? */
COMB_COMMAND(combValidPathCmd)
{
    if (argc < 2 || argv[1][0] != '.') {
        combSetResult(interp, "0");
        return TCL_OK;
    }
    int mustBeNew = argc < 3 || strcmp(argv[2], "new") == 0;
    bool ok = combCheckPath(MAIN_WINDOW, interp, argv[1], mustBeNew);
    combSetResult(interp, ok ? "1" : "0");
    return TCL_OK;
}

/* comb.validSubName w class id cmdName */
COMB_COMMAND(combValidSubNameCmd)
{
    if (argc != 5) {
        combAddErrorInfo(interp, "error in params");
        return TCL_ERROR;
    }
    bool ok = combCheckNewItem(MAIN_WINDOW, interp, argv[1], argv[2], argv[3], argv[4]);
    combSetResult(interp, ok ? "1" : "0");
    return TCL_OK;
}
