/*
 * comb_build.cpp --
 *
 *	Steps shared by the create and add commands of the composite-widget
 *	classes.
 */
#include <stdio.h>
#include <string.h>

#include "widgets/comb/comb_build.h"
#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"

void
combFreePath(Tk_Window mainWindow, Tcl_Interp *interp, const char *path)
{
    const char *words[] = {"comb.free", path, NULL};
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_ERROR);
    (void)combFreeCmd((ClientData)mainWindow, interp, 2, words);
    (void)Tcl_RestoreInterpState(interp, saved);
}

void
combDestroyPath(Tcl_Interp *interp, const char *path)
{
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_ERROR);
    (void)combEval(NULL, NULL, interp, NULL, "destroy", path, NULL);
    (void)Tcl_RestoreInterpState(interp, saved);
}

void
combSettleDestroyedPath(Tk_Window mainWindow, Tcl_Interp *interp, const char *path)
{
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    std::string release = std::string("comb.free ") + path;
    bool pending = false;
    if (Tcl_Eval(interp, "after info") == TCL_OK) {
        Tcl_Obj *ids = Tcl_GetObjResult(interp);
        Tcl_IncrRefCount(ids);
        int count = 0;
        Tcl_Obj **elements = NULL;
        (void)Tcl_ListObjGetElements(NULL, ids, &count, &elements);
        for (int i = 0; i < count; i++) {
            std::string id = Tcl_GetString(elements[i]);
            if (combEval(NULL, NULL, interp, NULL, "after", "info", id.c_str(), NULL) != TCL_OK) {
                continue;
            }
            Tcl_Obj *info = Tcl_GetObjResult(interp);
            Tcl_Obj *script = NULL, *kind = NULL;
            if (Tcl_ListObjIndex(NULL, info, 0, &script) == TCL_OK && script != NULL
                    && Tcl_ListObjIndex(NULL, info, 1, &kind) == TCL_OK && kind != NULL
                    && release == Tcl_GetString(script) && strcmp(Tcl_GetString(kind), "idle") == 0) {
                (void)combEval(NULL, NULL, interp, NULL, "after", "cancel", id.c_str(), NULL);
                pending = true;
            }
        }
        Tcl_DecrRefCount(ids);
    }
    (void)Tcl_RestoreInterpState(interp, saved);
    if (pending) {
        combFreePath(mainWindow, interp, path);
    }
}

void
combBindFreeAfterIdle(CombAbort *abortPoint, Tcl_Interp *interp, const char *path)
{
    std::string script = std::string("after idle comb.free ") + path;
    combEval(abortPoint, NULL, interp, NULL, "bind", path, "<Destroy>", script.c_str(), NULL);
}

std::string
combInt(long value)
{
    char text[32];
    snprintf(text, sizeof(text), "%ld", value);
    return text;
}

int
combAddItemSteps(Tk_Window mainWindow, Tcl_Interp *interp, const char *cmdName,
                 const char *container, const char *id, const char *creator,
                 const char *opts, const CombItemSpec &spec,
                 const std::function<void(CombAbort *, const std::string &)> &place,
                 std::string &item)
{
    return combWithAbortPoint(
        [&](CombAbort *abortPoint) {
            if (!combCheckNewItem(mainWindow, interp, container, spec.className, id, cmdName)) {
                return TCL_ERROR;
            }
            item = spec.itemParent + "." + (id + 1);
            const char *optionList = opts != NULL ? opts : "";
            combSetVar(interp, item.c_str(), "%s,%s", container, id);
            combSetVar(interp, optionList, "%s,cf%s", container, id);
            combEval(abortPoint, NULL, interp, NULL, "eval", creator, item.c_str(), optionList,
                     NULL);
            std::string script = std::string("+") + spec.freeProc + " " + container + " " + id;
            combEval(abortPoint, NULL, interp, NULL, "bind", item.c_str(), "<Destroy>",
                     script.c_str(), NULL);
            place(abortPoint, item);
            return TCL_OK;
        },
        []() {});
}

void
combReportAndDestroy(Tcl_Interp *interp, const char *path)
{
    const char *errorInfo = Tcl_GetVar(interp, "errorInfo", TCL_GLOBAL_ONLY);
    ovex_printf("error: %s\n", errorInfo != NULL ? errorInfo : "");
    combDestroyPath(interp, path);
}
