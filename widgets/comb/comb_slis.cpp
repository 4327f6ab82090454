/*
 * comb_slis.cpp --
 *
 *	The scrolled list (class slis): a listbox with a vertical and/or a
 *	horizontal scrollbar, filled by the application's slis.setList.
 */
#include <string>

#include "widgets/comb/comb_build.h"
#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"
#include "core/comb_eval.h"

#define MAIN_WINDOW combMainWindow(clientData, interp)

/* slis.create w ?-option value ...? */
COMB_COMMAND(slisCreateCmd)
{
    if (argc < 2) {
        ovex_printf("usage: %s w args\n", argv[0]);
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
                combAddErrorInfo(interp, "\ninvalid path: %s\n", w);
                return TCL_ERROR;
            }
            combSettleDestroyedPath(mainWindow, interp, w);
            combEval(ap, mainWindow, interp, combSetCmd, "comb.set", w, "class", "slis",
                     "cf-items", "", "cf-list", "", "cf-scrbv", "", "cf-scrbh", "", "cf-layout",
                     "v", NULL);
            if (!combParseParams(interp, w, argc - 2, argv + 2)) {
                combFreePath(mainWindow, interp, w);
                return TCL_ERROR;
            }
            std::string path = w;
            std::string list = path + ".list", vbar = path + ".scrbv", hbar = path + ".scrbh";
            combEval(ap, NULL, interp, NULL, "frame", w, "-bd", "1", "-relief", "sunken", NULL);
            combBindFreeAfterIdle(ap, interp, w);
            combSetVar(interp, list.c_str(), "%s,-list", w);

            std::string layout = combGetString(interp, "%s,cf-layout", w);
            std::string cfList = combGetString(interp, "%s,cf-list", w);
            std::string cfV = combGetString(interp, "%s,cf-scrbv", w);
            std::string cfH = combGetString(interp, "%s,cf-scrbh", w);
            std::string vset = "{" + vbar + " set}", hset = "{" + hbar + " set}";
            std::string yview = "{" + list + " yview}", xview = "{" + list + " xview}";
            if (layout == "v") {
                combSetVar(interp, vbar.c_str(), "%s,-scrbv", w);
                combEval(ap, NULL, interp, NULL, "eval", "listbox", list.c_str(), "-height", "5",
                         "-bd", "1", "-relief", "flat", "-yscrollcomm", vset.c_str(),
                         cfList.c_str(), NULL);
                combEval(ap, NULL, interp, NULL, "eval", "scrollbar", vbar.c_str(), "-bd", "1",
                         "-orient", "vertical", "-comm", yview.c_str(), cfV.c_str(), NULL);
                combEval(ap, NULL, interp, NULL, "pack", vbar.c_str(), "-side", "right", "-fill",
                         "y", NULL);
                combEval(ap, NULL, interp, NULL, "pack", list.c_str(), "-side", "right",
                         "-expand", "1", "-fill", "both", NULL);
                combUnsetVar(interp, "%s,cf-scrbh", w);
            } else if (layout == "h") {
                combSetVar(interp, hbar.c_str(), "%s,-scrbh", w);
                combEval(ap, NULL, interp, NULL, "eval", "listbox", list.c_str(), "-height", "5",
                         "-bd", "1", "-relief", "flat", "-xscrollcomm", hset.c_str(),
                         cfList.c_str(), NULL);
                combEval(ap, NULL, interp, NULL, "eval", "scrollbar", hbar.c_str(), "-bd", "1",
                         "-orient", "horizontal", "-comm", xview.c_str(), cfH.c_str(), NULL);
                combEval(ap, NULL, interp, NULL, "pack", hbar.c_str(), "-side", "bottom",
                         "-fill", "x", NULL);
                combEval(ap, NULL, interp, NULL, "pack", list.c_str(), "-side", "top", "-expand",
                         "1", "-fill", "both", NULL);
                combUnsetVar(interp, "%s,cf-scrbv", w);
            } else if (layout == "vh" || layout == "hv") {
                combSetVar(interp, vbar.c_str(), "%s,-scrbv", w);
                combSetVar(interp, hbar.c_str(), "%s,-scrbh", w);
                std::string scrolls = "-xscrollcomm " + hset + " -yscrollcomm " + vset;
                combEval(ap, NULL, interp, NULL, "eval", "listbox", list.c_str(), "-height", "5",
                         "-bd", "1", "-relief", "flat", scrolls.c_str(), cfList.c_str(), NULL);
                combEval(ap, NULL, interp, NULL, "eval", "scrollbar", hbar.c_str(), "-bd", "1",
                         "-orient", "horizontal", "-comm", xview.c_str(), cfH.c_str(), NULL);
                combEval(ap, NULL, interp, NULL, "eval", "scrollbar", vbar.c_str(), "-bd", "1",
                         "-orient", "vertical", "-comm", yview.c_str(), cfV.c_str(), NULL);
                combEval(ap, NULL, interp, NULL, "pack", vbar.c_str(), "-side", "right", "-fill",
                         "y", NULL);
                combEval(ap, NULL, interp, NULL, "pack", hbar.c_str(), "-side", "bottom",
                         "-fill", "x", NULL);
                combEval(ap, NULL, interp, NULL, "pack", list.c_str(), "-side", "right",
                         "-expand", "1", "-fill", "both", NULL);
            } else {
                combAddErrorInfo(interp, "layout must be v or h or vh or hv\n");
                combAbort(ap, "error in layout");
            }

            std::string items = combGetString(interp, "%s,cf-items", w);
            if (!items.empty()) {
                combEval(ap, NULL, interp, NULL, "slis.setList", w, items.c_str(), NULL);
            }
            combUnsetVar(interp, "%s,cf-items", w);
            combSetResult(interp, path);
            return TCL_OK;
        },
        [&]() { combDestroyPath(interp, w); });
}
