/*
 * comb_str.cpp --
 *
 *	The string row (class str): an optional label, an entry and an
 *	optional button between two spacers, with items lined up before the
 *	end spacer.
 */
#include <string.h>

#include <string>

#include "widgets/comb/comb_build.h"
#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"
#include "core/comb_eval.h"

#define MAIN_WINDOW combMainWindow(clientData, interp)

/* Packs path on the row's side with the row's padding, and extra words. */
#define STR_PACK(ap, path, ...) \
    combEval(ap, pack.clientData, interp, pack.proc, "pack", path, "-side", side.c_str(), \
             __VA_ARGS__, "-padx", \
             padx.c_str(), "-pady", pady.c_str(), NULL)

/* str.create w ?-ent list? ?-label list? ?-btn list? ?-padx n? ?-pady n? ?-layout side? */
COMB_COMMAND(strCreateCmd)
{
    if (argc < 2) {
        ovex_printf("usage: %s w args", argv[0]);
        return TCL_ERROR;
    }
    const char *w = argv[1];
    Tk_Window mainWindow = MAIN_WINDOW;
    if (!combHaveTk(mainWindow, interp, argv[0])) {
        return TCL_ERROR;
    }
    return combWithAbortPoint(
        [&](CombAbort *ap) {
            if (!combCheckPath(mainWindow, interp, w, 1)) {
                ovex_printf("invalid path: %s\n", w);
                return TCL_ERROR;
            }
            combSettleDestroyedPath(mainWindow, interp, w);
            combEval(ap, mainWindow, interp, combSetCmd, "comb.set", w, "class", "str", "cf-ent",
                     "", "cf-label", "", "cf-btn", "", "cf-padx", "0", "cf-pady", "0",
                     "cf-layout", "right", NULL);
            if (!combParseParams(interp, w, argc - 2, argv + 2)) {
                combFreePath(mainWindow, interp, w);
                return TCL_ERROR;
            }
            std::string side = combGetString(interp, "%s,cf-layout", w);
            if (side != "left" && side != "right") {
                combAddErrorInfo(interp, "wrong layout - should be left or right");
                combFreePath(mainWindow, interp, w);
                return TCL_ERROR;
            }
            std::string padx = combGetString(interp, "%s,cf-padx", w);
            std::string pady = combGetString(interp, "%s,cf-pady", w);
            std::string path = w;
            std::string w1 = path + ".1", w2 = path + ".2";

            /* The commands are looked up once, and again after each option
             * list (which may run scripts); one that is missing is looked up
             * by combEval, which reports it. */
            Tcl_CmdInfo frame, bind, pack;
            auto lookUp = [&]() {
                frame.proc = bind.proc = pack.proc = NULL;
                (void)combCommandInfo(interp, "frame", &frame);
                (void)combCommandInfo(interp, "bind", &bind);
                (void)combCommandInfo(interp, "pack", &pack);
            };
            lookUp();

            combEval(ap, frame.clientData, interp, frame.proc, "frame", w, "-relief", "raise",
                     "-bd", "1", NULL);
            std::string freeScript = "comb.free " + path;
            combEval(ap, bind.clientData, interp, bind.proc, "bind", w, "<Destroy>",
                     freeScript.c_str(), NULL);

            combSetVar(interp, w1.c_str(), "%s,w1", w);
            combSetVar(interp, w2.c_str(), "%s,w2", w);
            combEval(ap, frame.clientData, interp, frame.proc, "frame", w1.c_str(), "-width",
                     "2", NULL);
            combEval(ap, pack.clientData, interp, pack.proc, "pack", w1.c_str(), "-side",
                     side.c_str(), "-padx", padx.c_str(), "-pady", pady.c_str(), NULL);

            std::string cfLabel = combGetString(interp, "%s,cf-label", w);
            if (!cfLabel.empty()) {
                std::string label = path + ".label";
                combSetVar(interp, label.c_str(), "%s,-label", w);
                combEvalSplit(ap, interp, "label", label.c_str(), "-width", "6",
                         "-relief", "flat", "-bd", "1", "-highlightthickness", "0",
                         cfLabel.c_str(), NULL);
                lookUp();
                std::string script = "+str.freeItem " + path + " -label";
                combEval(ap, bind.clientData, interp, bind.proc, "bind", label.c_str(), "<Destroy>",
                         script.c_str(), NULL);
                STR_PACK(ap, label.c_str(), "-fill", "both");
            } else {
                combUnsetVar(interp, "%s,cf-label", w);
            }

            std::string entry = path + ".ent";
            combSetVar(interp, entry.c_str(), "%s,-ent", w);
            combEval(ap, NULL, interp, NULL, "entry", entry.c_str(), "-width", "12", "-bd", "1",
                     "-highlightthickness", "0", NULL);
            std::string entryScript = "+str.freeItem " + path + " -ent";
            combEval(ap, bind.clientData, interp, bind.proc, "bind", entry.c_str(), "<Destroy>",
                     entryScript.c_str(), NULL);
            STR_PACK(ap, entry.c_str(), "-expand", "1", "-fill", "both");
            std::string cfEnt = combGetString(interp, "%s,cf-ent", w);
            if (!cfEnt.empty()) {
                combEvalSplit(ap, interp, entry.c_str(), "config", cfEnt.c_str(),
                         NULL);
                lookUp();
            }

            std::string cfBtn = combGetString(interp, "%s,cf-btn", w);
            if (!cfBtn.empty()) {
                std::string button = path + ".btn";
                combSetVar(interp, button.c_str(), "%s,-btn", w);
                combEvalSplit(ap, interp, "button", button.c_str(), "-width", "6",
                         "-relief", "raise", "-bd", "1", "-padx", "0", "-pady", "0",
                         "-highlightthickness", "0", cfBtn.c_str(), NULL);
                lookUp();
                STR_PACK(ap, button.c_str(), "-fill", "both");
                std::string returnScript = "eval [" + button + " cget -command]";
                combEval(ap, bind.clientData, interp, bind.proc, "bind", entry.c_str(), "<Return>",
                         returnScript.c_str(), NULL);
            } else {
                combUnsetVar(interp, "%s,cf-btn", w);
            }

            combEval(ap, frame.clientData, interp, frame.proc, "frame", w2.c_str(), "-width",
                     "2", NULL);
            combEval(ap, pack.clientData, interp, pack.proc, "pack", w2.c_str(), "-side",
                     side.c_str(), "-padx", padx.c_str(), "-pady", pady.c_str(), NULL);
            combSetResult(interp, path);
            return TCL_OK;
        },
        [&]() {
            Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_ERROR);
            (void)combGlobalEval(interp, "destroy %s", w);
            (void)Tcl_RestoreInterpState(interp, saved);
        });
}

/* str.add w id creator ?option?: items line up before the end spacer. */
COMB_COMMAND(strAddCmd)
{
    if (argc < 4) {
        ovex_printf("usage: %s w id creator ?option?\n", argv[0]);
        return TCL_ERROR;
    }
    const char *w = argv[1];
    CombItemSpec spec = {"str", "str.freeItem", w};
    std::string item;
    int status = combAddItemSteps(
        MAIN_WINDOW, interp, argv[0], w, argv[2], argv[3], argc >= 5 ? argv[4] : NULL, spec,
        [&](CombAbort *ap, const std::string &path) {
            std::string side = combGetString(interp, "%s,cf-layout", w);
            std::string padx = combGetString(interp, "%s,cf-padx", w);
            std::string pady = combGetString(interp, "%s,cf-pady", w);
            std::string w2 = combGetString(interp, "%s,w2", w);
            Tcl_CmdInfo pack;
            pack.proc = NULL;
            (void)combCommandInfo(interp, "pack", &pack);
            combEval(ap, NULL, interp, NULL, "pack", "forget", w2.c_str(), NULL);
            STR_PACK(ap, path.c_str(), "-expand", "1", "-fill", "y");
            combEval(ap, NULL, interp, NULL, "pack", w2.c_str(), "-side", side.c_str(), "-padx",
                     padx.c_str(), "-pady", pady.c_str(), NULL);
        },
        item);
    if (status == TCL_OK) {
        combSetResult(interp, item);
    }
    return status;
}
