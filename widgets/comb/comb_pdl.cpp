/*
 * comb_pdl.cpp --
 *
 *	The pull-down list (class pdl): an entry with an arrow button that
 *	opens a borderless list window below it and grabs the pointer while
 *	the list is open. Selecting, closing and aborting are the
 *	application's pdl.selList, pdl.closeList and pdl.abort.
 */
#include <string>

#include "core/package.h"
#include "widgets/comb/comb_build.h"
#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"
#include "core/comb_eval.h"

#define MAIN_WINDOW combMainWindow(clientData, interp)

/* pdl.create w ?-option value ...? */
COMB_COMMAND(pdlCreateCmd)
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
            combEval(ap, NULL, interp, NULL, "_image.get", "downarro.bmp", "downarro.bmp",
                     "bitmap", NULL);
            combEval(ap, mainWindow, interp, combSetCmd, "comb.set", w, "class", "pdl",
                     "cf-items", "", "cf-ent", "", "cf-btn", "", "cf-list", "", "cf-scrb", "",
                     "cf-label", "", NULL);
            if (!combParseParams(interp, w, argc - 2, argv + 2)) {
                combFreePath(mainWindow, interp, w);
                return TCL_ERROR;
            }
            std::string path = w;
            combEval(ap, NULL, interp, NULL, "frame", w, "-bd", "1", "-relief", "sunken", NULL);
            combBindFreeAfterIdle(ap, interp, w);

            std::string label = combGetString(interp, "%s,cf-label", w);
            if (!label.empty()) {
                std::string child = path + ".label";
                combSetVar(interp, child.c_str(), "%s,-label", w);
                combEval(ap, NULL, interp, NULL, "eval", "label", child.c_str(), label.c_str(),
                         NULL);
                combEval(ap, NULL, interp, NULL, "pack", child.c_str(), "-side", "left", NULL);
            }
            std::string entry = path + ".entry", button = path + ".btn", right = path + ".r";
            combSetVar(interp, entry.c_str(), "%s,-ent", w);
            combSetVar(interp, button.c_str(), "%s,-btn", w);
            combSetVar(interp, right.c_str(), "%s,wr", w);
            std::string cfEnt = combGetString(interp, "%s,cf-ent", w);
            combEval(ap, NULL, interp, NULL, "eval", "entry", entry.c_str(), "-bd", "1",
                     "-highlightthickness", "1", cfEnt.c_str(), NULL);
            std::string cfBtn = combGetString(interp, "%s,cf-btn", w);
            std::string open = "{pdl.openList " + path + "}";
            combEval(ap, NULL, interp, NULL, "eval", "button", button.c_str(), "-width", "14",
                     "-height", "14", "-bd", "1", "-image", "downarro.bmp", "-command",
                     open.c_str(), cfBtn.c_str(), NULL);
            combEval(ap, NULL, interp, NULL, "frame", right.c_str(), NULL);
            combEval(ap, NULL, interp, NULL, "pack", entry.c_str(), "-side", "left", "-fill", "x",
                     "-expand", "1", "-pady", "1", "-padx", "2", NULL);
            combEval(ap, NULL, interp, NULL, "pack", button.c_str(), right.c_str(), "-side",
                     "left", NULL);
            combEval(ap, mainWindow, interp, pdlCreateListCmd, "pdl.createList", w, NULL);
            combSetResult(interp, path);
            return TCL_OK;
        },
        [&]() { combReportAndDestroy(interp, w); });
}

/* pdl.createList w: the withdrawn list window; failing steps do not stop it. */
COMB_COMMAND(pdlCreateListCmd)
{
    if (argc != 2) {
        ovex_printf("usage: %s w\n", argv[0]);
        return TCL_ERROR;
    }
    if (!combHaveTk(MAIN_WINDOW, interp, argv[0])) {
        return TCL_ERROR;
    }
    const char *w = argv[1];
    std::string path = w;
    std::string top = path + ".f", list = path + ".f.list", scroll = path + ".f.scroll";
    combSetVar(interp, top.c_str(), "%s,wf", w);
    combSetVar(interp, list.c_str(), "%s,-list", w);
    combSetVar(interp, scroll.c_str(), "%s,-scrb", w);

    combEval(NULL, NULL, interp, NULL, "toplevel", top.c_str(), "-width", "200", "-relief",
             "raise", "-bd", "1", "-highlightthickness", "0", NULL);
    combEval(NULL, NULL, interp, NULL, "wm", "transient", top.c_str(), NULL);
    combEval(NULL, NULL, interp, NULL, "wm", "overrideredirect", top.c_str(), "1", NULL);
    combEval(NULL, NULL, interp, NULL, "wm", "withdraw", top.c_str(), NULL);

    std::string cfList = combGetString(interp, "%s,cf-list", w);
    std::string cfScrb = combGetString(interp, "%s,cf-scrb", w);
    std::string yscroll = "{" + scroll + " set}", yview = "{" + list + " yview}";
    combEval(NULL, NULL, interp, NULL, "eval", "listbox", list.c_str(), "-height", "5", "-bd",
             "1", "-relief", "flat", "-yscrollcomm", yscroll.c_str(), cfList.c_str(), NULL);
    combEval(NULL, NULL, interp, NULL, "eval", "scrollbar", scroll.c_str(), "-bd", "1",
             "-command", yview.c_str(), cfScrb.c_str(), NULL);
    combEval(NULL, NULL, interp, NULL, "pack", scroll.c_str(), "-side", "right", "-fill", "y",
             "-padx", "1", "-pady", "2", NULL);
    combEval(NULL, NULL, interp, NULL, "pack", list.c_str(), "-side", "left", "-fill", "both",
             "-expand", "1", "-padx", "2", "-pady", "2", NULL);

    std::string items = combGetString(interp, "%s,cf-items", w);
    if (!items.empty()) {
        combEval(NULL, NULL, interp, NULL, "eval", list.c_str(), "insert", "end", items.c_str(),
                 NULL);
    }
    combUnsetVar(interp, "%s,cf-items", w);

    std::string select = "pdl.selList " + path + " %x %y";
    std::string close = "pdl.closeList " + path;
    std::string abort = "pdl.abort " + path;
    std::string regrab = "grab release " + path + "; after idle grab -global " + path;
    combEval(NULL, NULL, interp, NULL, "bind", list.c_str(), "<ButtonRelease-1>", select.c_str(),
             NULL);
    combEval(NULL, NULL, interp, NULL, "bind", list.c_str(), "<Double-Button-1>", close.c_str(),
             NULL);
    combEval(NULL, NULL, interp, NULL, "bind", w, "<ButtonRelease-1>", abort.c_str(), NULL);
    combEval(NULL, NULL, interp, NULL, "bind", scroll.c_str(), "<ButtonRelease-1>",
             regrab.c_str(), NULL);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* pdl.openList w: shows the list below w and grabs the pointer for it. */
COMB_COMMAND(pdlOpenListCmd)
{
    if (argc != 2) {
        ovex_printf("usage: %s w\n", argv[0]);
        return TCL_ERROR;
    }
    if (!combHaveTk(MAIN_WINDOW, interp, argv[0])) {
        return TCL_ERROR;
    }
    const char *w = argv[1];
    std::string path = w;
    combEval(NULL, NULL, interp, NULL, "_image.get", "uparrow.bmp", "uparrow.bmp", "bitmap",
             NULL);
    std::string button = combGetString(interp, "%s,-btn", w);
    std::string close = "pdl.closeList " + path;
    combEval(NULL, NULL, interp, NULL, button.c_str(), "config", "-image", "uparrow.bmp",
             "-command", close.c_str(), NULL);

    Tk_Window window = combWindow(MAIN_WINDOW, interp, w);
    std::string top = combGetString(interp, "%s,wf", w);
    Tk_Window topWindow = combWindow(MAIN_WINDOW, interp, top.c_str());
    if (window == NULL || topWindow == NULL) {
        return TCL_ERROR;
    }
    int x, y;
    Tk_GetRootCoords(window, &x, &y);
    y += Tk_Height(window);

    combEval(NULL, NULL, interp, NULL, "wm", "geom", top.c_str(), "+32767+0", NULL);
    combEval(NULL, NULL, interp, NULL, "wm", "deiconify", top.c_str(), NULL);
    /* A list window never shown yet has no height of its own: use the one
     * it asks for. */
    int height = Tk_Height(topWindow) > 1 ? Tk_Height(topWindow) : Tk_ReqHeight(topWindow);
    char geometry[96];
    snprintf(geometry, sizeof(geometry), "%dx%d+%d+%d", Tk_Width(window), height, x, y);
    combEval(NULL, NULL, interp, NULL, "wm", "geom", top.c_str(), geometry, NULL);

    tclUpdate(interp, TCL_ALL_EVENTS);
    combEval(NULL, NULL, interp, NULL, "raise", top.c_str(), NULL);

    std::string holder;
    if (combEval(NULL, NULL, interp, NULL, "grab", "current", w, NULL) == TCL_OK) {
        holder = Tcl_GetStringResult(interp);
    }
    combSetVar(interp, holder.c_str(), "%s,grab", w);
    if (!holder.empty()) {
        std::string restore;
        if (combEval(NULL, NULL, interp, NULL, "grab", "status", holder.c_str(), NULL) == TCL_OK
                && std::string(Tcl_GetStringResult(interp)) == "local") {
            restore = "grab " + holder;
        } else {
            restore = "grab -global " + holder;
        }
        combSetVar(interp, restore.c_str(), "%s,grab", w);
    }
    combEval(NULL, NULL, interp, NULL, "grab", "-global", w, NULL);
    Tcl_ResetResult(interp);
    return TCL_OK;
}
