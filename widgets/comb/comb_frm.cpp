/*
 * comb_frm.cpp --
 *
 *	The labelled groove frame (class frm) and the radio/check button
 *	group (class gbtn), whose titled frame is built the same way.
 */
#include <string.h>

#include <string>

#include "widgets/comb/comb_build.h"
#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"
#include "core/comb_eval.h"

#define MAIN_WINDOW combMainWindow(clientData, interp)

/* frm.create w ?-frm list? ?-label list? ?-pad list? */
COMB_COMMAND(frmCreateCmd)
{
    if (argc < 2) {
        ovex_printf("usage: %s w\n", argv[0]);
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
            combEval(ap, mainWindow, interp, combSetCmd, "comb.set", w, "class", "frm",
                     "cf-frm", "", "cf-label", "", "cf-pad", "-bd 6", NULL);
            if (!combParseParams(interp, w, argc - 2, argv + 2)) {
                combFreePath(mainWindow, interp, w);
                return TCL_ERROR;
            }
            std::string path = w;
            std::string label = path + ".label", groove = path + ".f", pad = path + ".f.f";
            std::string top = path + ".f1";
            combEval(ap, NULL, interp, NULL, "frame", w, NULL);
            combBindFreeAfterIdle(ap, interp, w);
            combSetVar(interp, label.c_str(), "%s,-label", w);
            combSetVar(interp, groove.c_str(), "%s,-frm", w);
            combEval(ap, NULL, interp, NULL, "frame", top.c_str(), "-height", "8", NULL);
            combEval(ap, NULL, interp, NULL, "pack", top.c_str(), "-fill", "x", "-side", "top",
                     NULL);
            std::string cfLabel = combGetString(interp, "%s,cf-label", w);
            combEval(ap, NULL, interp, NULL, "eval", "label", label.c_str(), "-text", "Frame",
                     cfLabel.c_str(), "-pady 0 -bd 0", NULL);
            combEval(ap, NULL, interp, NULL, "place", label.c_str(), "-x", "10", NULL);
            std::string cfFrm = combGetString(interp, "%s,cf-frm", w);
            combEval(ap, NULL, interp, NULL, "eval", "frame", groove.c_str(), "-relief", "groove",
                     "-bd", "2", "-width", "128", "-height", "64", cfFrm.c_str(), NULL);
            combEval(ap, NULL, interp, NULL, "pack", groove.c_str(), "-fill", "both", "-expand",
                     "1", "-side", "top", NULL);
            combSetVar(interp, pad.c_str(), "%s,-pad", w);
            std::string cfPad = combGetString(interp, "%s,cf-pad", w);
            combEval(ap, NULL, interp, NULL, "eval", "frame", pad.c_str(), cfPad.c_str(), NULL);
            combEval(ap, NULL, interp, NULL, "pack", pad.c_str(), "-fill", "both", "-expand", "1",
                     NULL);
            /* Below the placed title, so that the title covers the groove. */
            combEval(ap, NULL, interp, NULL, "lower", groove.c_str(), NULL);
            combSetResult(interp, w);
            return TCL_OK;
        },
        [&]() { combDestroyPath(interp, w); });
}

/* frm.add w id creator ?opts? */
COMB_COMMAND(frmAddCmd)
{
    if (argc < 4) {
        ovex_printf("usage: %s w id opts\n", argv[0]);
        return TCL_ERROR;
    }
    CombItemSpec spec = {"frm", "frm.freeItem", std::string(argv[1]) + ".f.f"};
    std::string item;
    int status = combAddItemSteps(MAIN_WINDOW, interp, argv[0], argv[1], argv[2], argv[3],
                                  argc >= 5 ? argv[4] : NULL, spec,
                                  [](CombAbort *, const std::string &) {}, item);
    if (status == TCL_OK) {
        combSetResult(interp, item);
    }
    return status;
}

/* gbtn.frame w: the titled groove frame of a button group; its inner frame. */
COMB_COMMAND(gbtnFrameCmd)
{
    if (argc != 2) {
        ovex_printf("usage: %s w\n", argv[0]);
        return TCL_ERROR;
    }
    if (!combHaveTk(MAIN_WINDOW, interp, argv[0])) {
        return TCL_ERROR;
    }
    const char *w = argv[1];
    return combWithAbortPoint(
        [&](CombAbort *ap) {
            std::string path = w;
            std::string top = path + ".f1", label = path + ".label", groove = path + ".btn";
            std::string pad = path + ".btn.f";
            combEval(ap, NULL, interp, NULL, "frame", w, NULL);
            combBindFreeAfterIdle(ap, interp, w);
            combEval(ap, NULL, interp, NULL, "frame", top.c_str(), "-height", "10", NULL);
            combEval(ap, NULL, interp, NULL, "pack", top.c_str(), "-fill", "x", "-side", "top",
                     NULL);
            combSetVar(interp, label.c_str(), "%s,-label", w);
            std::string cfLabel = combGetString(interp, "%s,cf-label", w);
            combEval(ap, NULL, interp, NULL, "eval", "label", label.c_str(), cfLabel.c_str(),
                     NULL);
            combEval(ap, NULL, interp, NULL, "place", label.c_str(), "-x", "10", NULL);
            combEval(ap, NULL, interp, NULL, "frame", groove.c_str(), "-relief", "groove", "-bd",
                     "2", NULL);
            combEval(ap, NULL, interp, NULL, "pack", groove.c_str(), "-fill", "both", "-expand",
                     "1", "-side", "top", NULL);
            combEval(ap, NULL, interp, NULL, "lower", groove.c_str(), NULL);
            combSetVar(interp, pad.c_str(), "%s,-pad", w);
            std::string cfPad = combGetString(interp, "%s,cf-pad", w);
            combEval(ap, NULL, interp, NULL, "eval", "frame", pad.c_str(), cfPad.c_str(), NULL);
            combEval(ap, NULL, interp, NULL, "pack", pad.c_str(), "-expand", "1", "-fill", "both",
                     NULL);
            combSetResult(interp, pad);
            return TCL_OK;
        },
        []() {});
}

/* The full type name of a button specification's type word, or NULL. */
static const char *
gbtnType(const std::string &type)
{
    if (type.empty() || strncmp(type.c_str(), "radiobutton", type.size()) == 0) {
        return "radiobutton";
    }
    if (strncmp(type.c_str(), "checkbutton", type.size()) == 0) {
        return "checkbutton";
    }
    return NULL;
}

/* gbtn.create w ?-label list? ?-btns list? ?-layout word? ?-pad list? */
COMB_COMMAND(gbtnCreateCmd)
{
    if (argc < 2) {
        ovex_printf("usage: %s w", argv[0]);
        return TCL_ERROR;
    }
    const char *w = argv[1];
    Tk_Window mainWindow = MAIN_WINDOW;
    if (!combHaveTk(mainWindow, interp, argv[0])) {
        return TCL_ERROR;
    }
    const char **buttons = NULL;
    int count = 0;
    int status = combWithAbortPoint(
        [&](CombAbort *ap) {
            if (!combCheckPath(mainWindow, interp, w, 1)) {
                combAddErrorInfo(interp, "\ninvalid path: %s\n", w);
                return TCL_ERROR;
            }
            combSettleDestroyedPath(mainWindow, interp, w);
            combEval(ap, mainWindow, interp, combSetCmd, "comb.set", w, "class", "gbtn",
                     "cf-label", "", "cf-btns", "", "cf-layout", "vertical", "cf-pad", "-bd 6",
                     NULL);
            if (!combParseParams(interp, w, argc - 2, argv + 2)) {
                combFreePath(mainWindow, interp, w);
                return TCL_ERROR;
            }
            std::string layout = combGetString(interp, "%s,cf-layout", w);
            const char *side;
            if (strncmp(layout.c_str(), "vertical", 8) == 0) {
                side = "top";
            } else if (strncmp(layout.c_str(), "horizontal", 10) == 0) {
                side = "left";
            } else {
                combAddErrorInfo(interp, "\nwrong layout - should be vertical or horizontal\n");
                combFreePath(mainWindow, interp, w);
                return TCL_ERROR;
            }
            combEval(ap, mainWindow, interp, gbtnFrameCmd, "gbtn.frame", w, NULL);
            std::string pad = Tcl_GetStringResult(interp);
            combSetVar(interp, pad.c_str(), "%s,btFrame", w);

            std::string list = combGetString(interp, "%s,cf-btns", w);
            if (Tcl_SplitList(interp, list.c_str(), &count, &buttons) != TCL_OK) {
                buttons = NULL;
                combAbort(ap, "error - gbtn: bad button list\n");
            }
            for (int i = 0; i < count; i++) {
                std::string spec = buttons[i];
                size_t space = spec.find(' ');
                std::string type = spec.substr(0, space);
                std::string options = space == std::string::npos ? "" : spec.substr(space + 1);
                const char *fullType = gbtnType(type);
                if (fullType == NULL) {
                    combAddErrorInfo(interp, "unknow button type: %s\n", spec.c_str());
                    std::string message = "error - frm: " + pad + " type:" + spec + " opt:"
                                          + options + "\n";
                    combAbort(ap, message.c_str());
                }
                std::string index = combInt(i);
                std::string button = pad + "." + index;
                combSetVar(interp, button.c_str(), "%s,-btn%d", w, i);
                combSetVar(interp, options.c_str(), "%s,cf-btn%d", w, i);
                combEval(ap, NULL, interp, NULL, "eval", fullType, button.c_str(), "-bd", "1",
                         "-anchor", "w", options.c_str(), NULL);
                std::string script = std::string("+gbtn.freeItem ") + w + " " + index;
                combEval(ap, NULL, interp, NULL, "bind", button.c_str(), "<Destroy>",
                         script.c_str(), NULL);
                combEval(ap, NULL, interp, NULL, "pack", button.c_str(), "-side", side, "-anchor",
                         "w", NULL);
            }
            combUnsetVar(interp, "%s,cf-btns", w);
            combUnsetVar(interp, "%s,cf-layout", w);
            combSetResult(interp, w);
            return TCL_OK;
        },
        [&]() { combDestroyPath(interp, w); });
    if (buttons != NULL) {
        Tcl_Free((char *)buttons);
    }
    return status;
}
