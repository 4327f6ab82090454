/*
 * comb_config_cmds.cpp --
 *
 *	comb.cget and comb.config: options of composite widgets and of their
 *	parts, named by option words whose leading elements are an id path.
 */
#include <string.h>

#include <string>

#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"
#include "core/comb_eval.h"

#define MAIN_WINDOW combMainWindow(clientData, interp)

/* An option word split into its id path and the option itself. */
class CombOptionWord {
public:
    CombOptionWord() : count(0), words(NULL) {}
    ~CombOptionWord() { if (words != NULL) Tcl_Free((char *)words); }

    /* False when the word is no list or has no element. */
    bool split(Tcl_Interp *interp, const char *word)
    {
        if (words != NULL) {
            Tcl_Free((char *)words);
            words = NULL;
        }
        if (Tcl_SplitList(interp, word, &count, &words) != TCL_OK) {
            words = NULL;
            count = 0;
            return false;
        }
        return count > 0;
    }
    const char *option() const { return words[count - 1]; }

    /* The path the id path leads to from w, or NULL. */
    const char *target(Tcl_Interp *interp, const char *w) const
    {
        return getID(interp, w, count - 1, words);
    }

private:
    CombOptionWord(const CombOptionWord &);
    CombOptionWord &operator=(const CombOptionWord &);

    int count;
    const char **words;
};

/* comb.cget w option */
COMB_COMMAND(combCgetCmd)
{
    if (argc != 3) {
        return combGlobalEval(interp, "puts \"comb.cget w option\"");
    }
    const char *w = argv[1];
    if (combClassOf(MAIN_WINDOW, interp, w) == NULL) {
        return combGlobalEval(interp, "%s cget %s", w, argv[2]);
    }
    CombOptionWord word;
    return combWithAbortPoint(
        [&](CombAbort *abortPoint) {
            if (!word.split(interp, argv[2])) {
                combAddErrorInfo(interp, "comb.cget - option syntax error!");
                return TCL_ERROR;
            }
            const char *reached = word.target(interp, w);
            if (reached == NULL) {
                return TCL_ERROR;
            }
            std::string target = reached;
            const char *value = combGetVar(interp, "%s,cf%s", target.c_str(), word.option());
            if (value != NULL) {
                Tcl_SetObjResult(interp, Tcl_NewStringObj(value, -1));
                return TCL_OK;
            }
            return combEval(abortPoint, NULL, interp, NULL, target.c_str(), "cget",
                            word.option(), NULL);
        },
        []() {});
}

/* Appends {option ?child class? value} for each cf element name. */
static int
combListOptions(Tk_Window mainWindow, Tcl_Interp *interp, const std::string &target,
                int count, Tcl_Obj *const *names)
{
    Tcl_Obj *listing = Tcl_NewListObj(0, NULL);
    Tcl_IncrRefCount(listing);
    size_t skip = target.size() + 3;   /* "<path>,cf" */
    for (int i = 0; i < count; i++) {
        const char *name = Tcl_GetString(names[i]);
        if (strlen(name) < skip) {
            continue;
        }
        std::string option = name + skip;
        Tcl_Obj *entry = Tcl_NewListObj(0, NULL);
        Tcl_ListObjAppendElement(NULL, entry, Tcl_NewStringObj(option.c_str(), -1));
        const char *child = combGetVar(interp, "%s,%s", target.c_str(), option.c_str());
        if (child != NULL) {
            std::string childPath = child;
            Tcl_ListObjAppendElement(NULL, entry, Tcl_NewStringObj(childPath.c_str(), -1));
            const char *childClass = combClassOf(mainWindow, interp, childPath.c_str());
            Tcl_ListObjAppendElement(NULL, entry,
                                     Tcl_NewStringObj(childClass != NULL ? childClass : "", -1));
        }
        const char *value = combGetVar(interp, "%s", name);
        Tcl_ListObjAppendElement(NULL, entry, Tcl_NewStringObj(value != NULL ? value : "", -1));
        Tcl_ListObjAppendElement(NULL, listing, entry);
    }
    Tcl_SetObjResult(interp, listing);
    Tcl_DecrRefCount(listing);
    return TCL_OK;
}

/* Lists all options of w, in the order the array lists them. */
static int
combListAllOptions(Tk_Window mainWindow, Tcl_Interp *interp, const char *w)
{
    std::string pattern = std::string(w) + ",cf-*";
    Tcl_Obj *objv[4] = {Tcl_NewStringObj("array", -1), Tcl_NewStringObj("names", -1),
                        Tcl_NewStringObj("_comb", -1), Tcl_NewStringObj(pattern.c_str(), -1)};
    for (Tcl_Obj *obj : objv) {
        Tcl_IncrRefCount(obj);
    }
    int status = Tcl_EvalObjv(interp, 4, objv, TCL_EVAL_GLOBAL);
    for (Tcl_Obj *obj : objv) {
        Tcl_DecrRefCount(obj);
    }
    if (status != TCL_OK) {
        return status;
    }
    Tcl_Obj *names = Tcl_GetObjResult(interp);
    Tcl_IncrRefCount(names);
    int count;
    Tcl_Obj **elements;
    Tcl_ListObjGetElements(NULL, names, &count, &elements);
    status = combListOptions(mainWindow, interp, w, count, elements);
    Tcl_DecrRefCount(names);
    return status;
}

/* comb.config w ?option? ?value option value ...? */
COMB_COMMAND(combConfigCmd)
{
    if (argc < 2) {
        return combGlobalEval(interp, "puts \"comb.config w args\"");
    }
    const char *w = argv[1];
    Tk_Window mainWindow = MAIN_WINDOW;
    const char *className = combClassOf(mainWindow, interp, w);
    CombOptionWord word;

    return combWithAbortPoint(
        [&](CombAbort *abortPoint) {
            if (className == NULL || combIsTkClass(className)) {
                /* A plain Tk widget: its own config. */
                const char **words = (const char **)Tcl_Alloc(sizeof(char *) * (size_t)(argc + 1));
                struct Release {
                    const char **words;
                    ~Release() { Tcl_Free((char *)words); }
                } release = {words};
                words[0] = w;
                words[1] = "config";
                for (int i = 2; i < argc; i++) {
                    words[i] = argv[i];
                }
                words[argc] = NULL;
                return combEvalVar(abortPoint, interp, argc, words);
            }
            if (argc == 2) {
                return combListAllOptions(mainWindow, interp, w);
            }
            if (argc == 3) {
                if (!word.split(interp, argv[2]) || !combIsValidID(word.option())) {
                    combAddErrorInfo(interp, "comb.config - option syntax error!");
                    return TCL_ERROR;
                }
                const char *reached = word.target(interp, w);
                if (reached == NULL) {
                    return TCL_ERROR;
                }
                std::string target = reached;
                std::string name = target + ",cf" + word.option();
                if (combGetVar(interp, "%s", name.c_str()) == NULL) {
                    return combGlobalEval(interp, "%s config %s", target.c_str(), word.option());
                }
                Tcl_Obj *nameObj = Tcl_NewStringObj(name.c_str(), -1);
                Tcl_IncrRefCount(nameObj);
                int status = combListOptions(mainWindow, interp, target, 1, &nameObj);
                Tcl_DecrRefCount(nameObj);
                return status;
            }

            /* Setting: stop at the first failing pair; no redraw then. */
            bool redraw = false;
            for (int i = 2; i < argc; i += 2) {
                if (i + 1 >= argc || !word.split(interp, argv[i])) {
                    combAddErrorInfo(interp, "comb.config - option syntax error!");
                    return TCL_ERROR;
                }
                const char *value = argv[i + 1];
                const char *reached = word.target(interp, w);
                if (reached == NULL) {
                    return TCL_ERROR;
                }
                std::string target = reached;
                const char *option = word.option();
                if (combGetVar(interp, "%s,cf%s", target.c_str(), option) == NULL) {
                    combEval(abortPoint, NULL, interp, NULL, target.c_str(), "config", option,
                             value, NULL);
                    continue;
                }
                const char *child = combGetVar(interp, "%s,%s", target.c_str(), option);
                if (child != NULL) {
                    std::string childPath = child;
                    /* The value is an option list for the child. */
                    int status = combGlobalEval(interp, "comb.config %s %s", childPath.c_str(),
                                                value);
                    if (status != TCL_OK) {
                        return TCL_ERROR;
                    }
                    combSetVar(interp, value, "%s,cf%s", target.c_str(), option);
                } else {
                    combSetVar(interp, value, "%s,cf%s", target.c_str(), option);
                    redraw = true;
                }
            }
            if (redraw) {
                const char *script = combGetVar(interp, "%s,redraw", w);
                if (script != NULL) {
                    std::string copy = script;
                    (void)Tcl_EvalEx(interp, copy.c_str(), -1, TCL_EVAL_GLOBAL);
                }
            }
            return TCL_OK;
        },
        []() {});
}
