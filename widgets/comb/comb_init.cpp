/*
 * comb_init.cpp --
 *
 *	Package init of the composite widgets.
 */
#include <string>

#include "core/inits.h"
#include "core/package.h"
#include "widgets/comb/comb_cmd_cache.h"
#include "widgets/comb/comb_commands.h"

/* Creation order of the commands. */
static const struct {
    const char *name;
    Tcl_CmdProc *proc;
} combCommands[] = {
    {"comb.addItem", combAddItemCmd},       {"comb.bind", combBindCmd},
    {"comb.class", combClassCmd},           {"comb.cf", combCfCmd},
    {"comb.cget", combCgetCmd},             {"comb.config", combConfigCmd},
    {"comb.dir", combDirCmd},               {"comb.dis", combDisCmd},
    {"comb.dis0", combDis0Cmd},             {"comb.ena", combEnaCmd},
    {"comb.exec", combExecCmd},             {"comb.eval", combEvalCmd},
    {"comb.focus", combFocusCmd},           {"comb.free", combFreeCmd},
    {"comb.get", combGetCmd},               {"comb.id", combIdCmd},
    {"comb.layout", combLayoutCmd},         {"comb.parse", combParseCmd},
    {"comb.proc", combProcCmd},             {"comb.set", combSetCmd},
    {"comb.validClass", combValidClassCmd}, {"comb.validID", combValidIDCmd},
    {"comb.validPath", combValidPathCmd},   {"comb.validSubName", combValidSubNameCmd},
    {"comb.args", combArgsCmd},             {"fold.add", foldAddCmd},
    {"fold.addFoldItem", foldAddFoldItemCmd}, {"fold.addItem", foldAddItemCmd},
    {"fold.create", foldCreateCmd},         {"fold.draw", foldDrawCmd},
    {"fold.get", foldGetCmd},               {"fold.page", foldPageCmd},
    {"frm.create", frmCreateCmd},           {"frm.add", frmAddCmd},
    {"gbtn.create", gbtnCreateCmd},         {"gbtn.frame", gbtnFrameCmd},
    {"num.create", numCreateCmd},           {"num.update", numUpdateCmd},
    {"pal.create", palCreateCmd},           {"pal.colors", palColorsCmd},
    {"pdl.create", pdlCreateCmd},           {"pdl.createList", pdlCreateListCmd},
    {"pdl.openList", pdlOpenListCmd},       {"popup.add", popupAddCmd},
    {"popup.create", popupCreateCmd},       {"popup.post", popupPostCmd},
    {"popup.hide", popupHideCmd},           {"slis.create", slisCreateCmd},
    {"str.create", strCreateCmd},           {"str.add", strAddCmd},
    {"comb.update", combUpdateCmd},
};

/* The procedures the widgets bind to <Destroy> of their items and pages.
 * The application's script library supplies them; one that is missing
 * would turn every destruction into a background error, whose default
 * report waits on a dialog. */
static const char *const destroyProcedures[] = {
    "comb.freeItem", "frm.freeItem",  "str.freeItem", "popup.freeItem",
    "fold.freeItem", "gbtn.freeItem", "fold.freePage",
};

/*
 * combDefaultFreeCmd --
 *	Stands in for a missing item-free procedure: "container id" drops
 *	the element container,id of the store when it is there; any other
 *	call (fold.freePage, whose page elements are freed natively) does
 *	nothing. Always TCL_OK.
 */
static int combDefaultFreeCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 3) {
        std::string element = std::string(argv[1]) + "," + argv[2];
        (void)Tcl_UnsetVar2(interp, "_comb", element.c_str(), TCL_GLOBAL_ONLY);
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/*
 *----------------------------------------------------------------------
 *
 * Comb_Init --
 *
 *	Creates the composite-widget commands with the interpreter's main
 *	window as client data and stand-ins for the item-free procedures
 *	the application has not defined, then refreshes the table of
 *	directly called Tcl and Tk commands from this interpreter.
 *
 * Results:
 *	TCL_OK, or TCL_ERROR when a command cannot be created.
 *
 *----------------------------------------------------------------------
 */
int
Comb_Init(Tcl_Interp *interp)
{
    ClientData mainWindow = (ClientData)ovexMainWindow(interp);
    for (const auto &command : combCommands) {
        if (Tcl_CreateCommand(interp, command.name, command.proc, mainWindow, NULL) == NULL) {
            return TCL_ERROR;
        }
    }
    /* Stand-ins only where the application has not defined its own; a
     * later proc of the same name replaces them. */
    for (const char *name : destroyProcedures) {
        Tcl_CmdInfo info;
        if (!Tcl_GetCommandInfo(interp, name, &info)
                && Tcl_CreateCommand(interp, name, combDefaultFreeCmd, NULL, NULL) == NULL) {
            return TCL_ERROR;
        }
    }
    combFillCmdCache(interp);
    return TCL_OK;
}
