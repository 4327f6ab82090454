/*
 * comb_tree_cmds.cpp --
 *
 *	Commands that work on a composite widget's tree of windows: id paths,
 *	bindings, direct evaluation, items, disabling and grid layout.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"
#include "core/comb_eval.h"

#define MAIN_WINDOW combMainWindow(clientData, interp)

/* A list of words split by Tcl, freed with the object. */
class CombSplit {
public:
    CombSplit() : count(0), words(NULL) {}
    ~CombSplit() { if (words != NULL) Tcl_Free((char *)words); }
    bool split(Tcl_Interp *interp, const char *list)
    {
        if (Tcl_SplitList(interp, list, &count, &words) != TCL_OK) {
            words = NULL;
            count = 0;
            return false;
        }
        return true;
    }
    int count;
    const char **words;

private:
    CombSplit(const CombSplit &);
    CombSplit &operator=(const CombSplit &);
};

/* Runs a word vector through its command; the vector gets its NULL end. */
static int
combCallWords(Tcl_Interp *interp, std::vector<const char *> &words)
{
    int argc = (int)words.size();
    words.push_back(NULL);
    int status = combCallCommand(interp, argc, words.data());
    words.pop_back();
    return status;
}

/* comb.bind w ?sequence? ?script? ?idList? */
COMB_COMMAND(combBindCmd)
{
    std::string target = argc >= 2 ? argv[1] : "";
    if (argc >= 5 && argv[4][0] != '\0') {
        const char *reached = getIDList(interp, argv[1], argv[4]);
        if (reached == NULL) {
            combAddErrorInfo(interp, "bad comb-widget path: %s", argv[4]);
            return TCL_ERROR;
        }
        target = reached;
    }
    std::vector<const char *> words = {"bind"};
    if (argc >= 2) {
        words.push_back(target.c_str());
    }
    for (int i = 2; i < argc && i < 4; i++) {
        words.push_back(argv[i]);
    }
    return combCallWords(interp, words);
}

/* comb.exec w command idList ?arg ...? */
COMB_COMMAND(combExecCmd)
{
    if (argc < 4) {
        combAddErrorInfo(interp, "comb.exec - syntax error");
        return TCL_ERROR;
    }
    const char *reached = getIDList(interp, argv[1], argv[3]);
    if (reached == NULL) {
        combAddErrorInfo(interp, "comb.exec - bad path");
        return TCL_ERROR;
    }
    std::string target = reached;
    std::vector<const char *> words = {argv[2], target.c_str()};
    for (int i = 4; i < argc; i++) {
        words.push_back(argv[i]);
    }
    int count = (int)words.size();
    words.push_back(NULL);
    return combWithAbortPoint(
        [&](CombAbort *abortPoint) {
            return combEvalVar(abortPoint, interp, count, words.data());
        },
        []() {});
}

/* comb.id pathname ?idList? */
COMB_COMMAND(combIdCmd)
{
    if (argc < 2) {
        combSetResult(interp, "comb.id pathname");
        return TCL_OK;
    }
    if (combWindow(MAIN_WINDOW, interp, argv[1]) == NULL) {
        return TCL_ERROR;
    }
    if (argc >= 3) {
        const char *reached = getIDList(interp, argv[1], argv[2]);
        if (reached == NULL) {
            return TCL_ERROR;
        }
        combSetResult(interp, reached);
        return TCL_OK;
    }
    combSetResult(interp, argv[1]);
    return TCL_OK;
}

/* comb.eval command ?word ...?: the words as they are, never parsed. */
COMB_COMMAND(combEvalCmd)
{
    if (argc < 2) {
        return TCL_ERROR;
    }
    return combWithAbortPoint(
        [&](CombAbort *abortPoint) {
            switch (argc) {
            case 2:
                return combEval(abortPoint, NULL, interp, NULL, argv[1], NULL);
            case 3:
                return combEval(abortPoint, NULL, interp, NULL, argv[1], argv[2], NULL);
            case 4:
                return combEval(abortPoint, NULL, interp, NULL, argv[1], argv[2], argv[3], NULL);
            default:
                return combEvalVar(abortPoint, interp, argc - 1, argv + 1);
            }
        },
        []() {});
}

/* comb.addItem w pw id creator ?opts? */
COMB_COMMAND(combAddItemCmd)
{
    if (argc != 5 && argc != 6) {
        combAddErrorInfo(interp, "usage: comb.addItem w pw id creator opts\n");
        return TCL_ERROR;
    }
    const char *w = argv[1], *pw = argv[2], *id = argv[3], *creator = argv[4];
    if (combGetVar(interp, "%s,%s", w, id) != NULL) {
        combAddErrorInfo(interp, "id %s already exists!\n", id);
        return TCL_ERROR;
    }
    const char *counter = combGetVar(interp, "%s,_itemID_", w);
    if (counter == NULL) {
        counter = combSetVar(interp, "0", "%s,_itemID_", w);
    }
    std::string n = counter != NULL ? counter : "0";
    std::string item = std::string(pw) + ".item" + n;

    int status;
    bool withOpts = argc == 6 && argv[5][0] != '\0';
    if (withOpts) {
        status = combEval(NULL, NULL, interp, NULL, "eval", creator, item.c_str(), argv[5], NULL);
        if (status == TCL_OK) {
            combSetVar(interp, argv[5], "%s,cf%s", w, id);
        }
    } else {
        status = combEval(NULL, NULL, interp, NULL, "eval", creator, item.c_str(), NULL);
    }
    if (status == TCL_OK) {
        combSetVar(interp, item.c_str(), "%s,%s", w, id);
        std::string script = std::string("+comb.freeItem ") + w + " " + id;
        status = combEval(NULL, NULL, interp, NULL, "bind", item.c_str(), "<Destroy>",
                          script.c_str(), NULL);
    }
    if (status != TCL_OK) {
        Tcl_ResetResult(interp);
        return status;
    }
    char next[32];
    snprintf(next, sizeof(next), "%ld", strtol(n.c_str(), NULL, 10) + 1);
    combSetVar(interp, next, "%s,_itemID_", w);
    combSetResult(interp, item);
    return TCL_OK;
}

/* Result of a widget command's cget, or false when it has no such option. */
static bool
combCgetText(Tcl_Interp *interp, const char *window, const char *option, std::string &value)
{
    if (combEval(NULL, NULL, interp, NULL, window, "cget", option, NULL) != TCL_OK) {
        return false;
    }
    value = Tcl_GetStringResult(interp);
    return true;
}

/* Disables the tree under window, children first, recording restore scripts. */
static void
combDisableTree(Tk_Window mainWindow, Tcl_Interp *interp, const std::string &window,
                std::vector<std::string> &scripts)
{
    if (combWindow(mainWindow, interp, window.c_str()) == NULL) {
        Tcl_ResetResult(interp);
        return;
    }
    if (combEval(NULL, NULL, interp, NULL, "winfo", "child", window.c_str(), NULL) == TCL_OK) {
        std::string children = Tcl_GetStringResult(interp);
        CombSplit list;
        if (list.split(interp, children.c_str())) {
            for (int i = 0; i < list.count; i++) {
                combDisableTree(mainWindow, interp, list.words[i], scripts);
            }
        }
    }
    std::string state, colour;
    bool hasState = combCgetText(interp, window.c_str(), "-state", state);
    bool hasColour = combCgetText(interp, window.c_str(), "-fg", colour);
    const char *path = window.c_str();
    if (hasState && hasColour) {
        combEval(NULL, NULL, interp, NULL, path, "config", "-state", "disabled", "-fg", "gray50",
                 NULL);
        scripts.push_back(window + " config -state " + state + " -fg " + colour);
    } else if (hasState) {
        combEval(NULL, NULL, interp, NULL, path, "config", "-state", "disabled", NULL);
        scripts.push_back(window + " config -state " + state);
    } else if (hasColour) {
        combEval(NULL, NULL, interp, NULL, path, "config", "-fg", "gray50", NULL);
        scripts.push_back(window + " config -fg " + colour);
    }
}

/* comb.dis0 w path */
COMB_COMMAND(combDis0Cmd)
{
    if (argc != 3) {
        combAddErrorInfo(interp, "comb.dis0 - syntax error");
        return TCL_ERROR;
    }
    std::vector<std::string> scripts;
    combDisableTree(MAIN_WINDOW, interp, argv[2], scripts);

    std::vector<const char *> texts;
    for (const std::string &script : scripts) {
        texts.push_back(script.c_str());
    }
    char *list = Tcl_Merge((int)texts.size(), texts.data());
    combSetVar(interp, list, "%s,STATES", argv[1]);
    Tcl_Free(list);
    std::string freeScript = std::string("after idle comb.free ") + argv[1];
    combEval(NULL, NULL, interp, NULL, "bind", argv[1], "<Destroy>", freeScript.c_str(), NULL);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* comb.dis w: a widget is not disabled twice. */
COMB_COMMAND(combDisCmd)
{
    if (argc != 2) {
        combAddErrorInfo(interp, "comb.dis - syntax error");
        return TCL_ERROR;
    }
    if (combGetVar(interp, "%s,STATES", argv[1]) != NULL) {
        return TCL_OK;
    }
    const char *words[] = {"comb.dis0", argv[1], argv[1], NULL};
    return combDis0Cmd(clientData, interp, 3, words);
}

/* comb.ena w */
COMB_COMMAND(combEnaCmd)
{
    if (argc != 2) {
        combAddErrorInfo(interp, "comb.ena - syntax error");
        return TCL_ERROR;
    }
    const char *states = combGetVar(interp, "%s,STATES", argv[1]);
    if (states != NULL) {
        CombSplit scripts;
        std::string copy = states;
        if (scripts.split(interp, copy.c_str())) {
            for (int i = 0; i < scripts.count; i++) {
                (void)Tcl_EvalEx(interp, scripts.words[i], -1, TCL_EVAL_GLOBAL);
            }
        }
        combUnsetVar(interp, "%s,STATES", argv[1]);
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* comb.focus event dir w1 ?w2 ...?: moves focus along the windows. */
COMB_COMMAND(combFocusCmd)
{
    if (argc < 4) {
        combSetResult(interp, "comb.focus event dir args");
        return TCL_OK;
    }
    int count = argc - 3;
    const char **windows = argv + 3;
    if (count == 1) {
        return TCL_OK;
    }
    int step;
    if (strcasecmp(argv[2], "up") == 0) {
        step = count - 1;
    } else if (strcasecmp(argv[2], "down") == 0) {
        step = 1;
    } else {
        combAddErrorInfo(interp, "Error - comb.focus");
        return TCL_OK;
    }
    for (int i = 0; i < count; i++) {
        std::string script = std::string("+focus ") + windows[(i + step) % count];
        combEval(NULL, NULL, interp, NULL, "bind", windows[i], argv[1], script.c_str(), NULL);
    }
    return TCL_OK;
}

/* Forgets every slave of pathname under the geometry manager (pack, grid). */
static void
combForgetSlaves(Tcl_Interp *interp, const char *manager, const char *pathname)
{
    if (combEval(NULL, NULL, interp, NULL, manager, "slaves", pathname, NULL) != TCL_OK) {
        return;
    }
    std::string slaves = Tcl_GetStringResult(interp);
    if (!slaves.empty()) {
        combEval(NULL, NULL, interp, NULL, "eval", manager, "forget", slaves.c_str(), NULL);
    }
}

/* comb.layout pathname ?width? ?winList? ?option ...? */
COMB_COMMAND(combLayoutCmd)
{
    if (argc < 2) {
        combSetResult(interp, "comb.layout pathname width winList options");
        return TCL_OK;
    }
    const char *pathname = argv[1];
    int width = argc >= 3 ? atoi(argv[2]) : 1;
    std::string winList;
    if (argc >= 4 && argv[3][0] != '\0' && argv[3][0] != ' ') {
        winList = argv[3];
    } else {
        if (combEval(NULL, NULL, interp, NULL, "winfo", "child", pathname, NULL) != TCL_OK) {
            return TCL_ERROR;
        }
        winList = Tcl_GetStringResult(interp);
        if (winList.empty()) {
            return TCL_ERROR;
        }
    }
    combForgetSlaves(interp, "pack", pathname);
    combForgetSlaves(interp, "grid", pathname);

    CombSplit windows;
    if (!windows.split(interp, winList.c_str())) {
        return TCL_ERROR;
    }
    int status = TCL_OK;
    int column = 0, row = 0;
    for (int i = 0; i < windows.count; i++) {
        char columnText[16], rowText[16];
        snprintf(columnText, sizeof(columnText), "%d", column);
        snprintf(rowText, sizeof(rowText), "%d", row);
        std::vector<const char *> words = {"grid", windows.words[i]};
        for (int k = 4; k < argc; k++) {
            words.push_back(argv[k]);
        }
        words.insert(words.end(), {"-column", columnText, "-row", rowText});
        int count = (int)words.size();
        words.push_back(NULL);
        status = combEvalVar(NULL, interp, count, words.data());
        if (status != TCL_OK) {
            combAddErrorInfo(interp, "Error - comb.layout");
        }
        if (++column >= width) {
            column = 0;
            row++;
        }
    }
    Tcl_ResetResult(interp);
    return status;
}
