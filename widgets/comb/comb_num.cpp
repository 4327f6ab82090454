/*
 * comb_num.cpp --
 *
 *	The numeric entry (class num): an entry with up and down arrow buttons
 *	that step the value between bounds, repeating while a button is held.
 *	The value itself is shown and read by the application's num.get and
 *	num.set.
 */
#include <stdlib.h>
#include <string.h>

#include <string>

#include "core/package.h"
#include "widgets/comb/comb_build.h"
#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"
#include "core/comb_eval.h"
#include "widgets/comb/comb_num_format.h"

#define MAIN_WINDOW combMainWindow(clientData, interp)

/* Pause of the repeat: six event passes of 20 ms each. */
#define NUM_PASSES 6
#define NUM_PASS_MS 20

/* num.create w ?-option value ...? */
COMB_COMMAND(numCreateCmd)
{
    if (argc < 2) {
        ovex_printf("usage: %s w\n", argv[0]);
        return TCL_ERROR;
    }
    tclUpdate(interp, TCL_WINDOW_EVENTS | TCL_FILE_EVENTS | TCL_TIMER_EVENTS);
    const char *w = argv[1];
    Tk_Window mainWindow = MAIN_WINDOW;
    if (!combHaveTk(mainWindow, interp, argv[0])) {
        return TCL_ERROR;
    }
    if (!combCheckPath(mainWindow, interp, w, 1)) {
        ovex_printf("invalid path: %s\n", w);
        return TCL_ERROR;
    }
    combSettleDestroyedPath(mainWindow, interp, w);
    if (combEval(NULL, mainWindow, interp, combSetCmd, "comb.set", w, "class", "num", "cf-max",
                 "10", "cf-min", "0", "cf-init", "5", "cf-inc", "1", "cf-dec", "1", "cf-ent", "",
                 "cf-up", "", "cf-down", "", "cf-label", "", "cf-chck", "", "cf-fmt", "%.0f",
                 NULL) != TCL_OK
            || !combParseParams(interp, w, argc - 2, argv + 2)) {
        combFreePath(mainWindow, interp, w);
        return TCL_ERROR;
    }
    /* A failure from here on leaves the half-built widget in place. */
    return combWithAbortPoint(
        [&](CombAbort *ap) {
            std::string path = w;
            combEval(ap, NULL, interp, NULL, "_image.get", "up.bmp", "up.bmp", "bitmap", NULL);
            combEval(ap, NULL, interp, NULL, "_image.get", "down.bmp", "down.bmp", "bitmap",
                     NULL);
            combEval(ap, NULL, interp, NULL, "frame", w, "-bd", "1", "-relief", "sunken",
                     "-highlightthickness", "0", NULL);
            combBindFreeAfterIdle(ap, interp, w);

            std::string buttons = path + ".b";
            combSetVar(interp, buttons.c_str(), "%s,wb", w);
            combEval(ap, NULL, interp, NULL, "frame", buttons.c_str(), "-bd", "0", NULL);
            combEval(ap, NULL, interp, NULL, "pack", buttons.c_str(), "-side", "right", "-padx",
                     "1", "-pady", "1", "-ipady", "0", NULL);

            std::string check = combGetString(interp, "%s,cf-chck", w);
            if (!check.empty()) {
                std::string child = path + ".chck";
                combSetVar(interp, child.c_str(), "%s,-chck", w);
                combEval(ap, NULL, interp, NULL, "eval", "checkbutton", child.c_str(),
                         check.c_str(), NULL);
                combEval(ap, NULL, interp, NULL, "pack", child.c_str(), "-side", "left", "-pady",
                         "1", "-padx", "1", NULL);
            }
            std::string label = combGetString(interp, "%s,cf-label", w);
            if (!label.empty()) {
                std::string child = path + ".label";
                combSetVar(interp, child.c_str(), "%s,-label", w);
                combEval(ap, NULL, interp, NULL, "eval", "label", child.c_str(), label.c_str(),
                         NULL);
                combEval(ap, NULL, interp, NULL, "pack", child.c_str(), "-side", "left", "-padx",
                         "1", "-pady", "1", NULL);
            }
            std::string entry = path + ".entry";
            combSetVar(interp, entry.c_str(), "%s,-ent", w);
            std::string cfEnt = combGetString(interp, "%s,cf-ent", w);
            combEval(ap, NULL, interp, NULL, "eval", "entry", entry.c_str(), "-bd", "1", "-width",
                     "5", "-highlightthickness", "1", cfEnt.c_str(), NULL);

            std::string done = "comb.set " + path + " done 1";
            static const char *const names[2][3] = {{"-up", ".b.up", "up.bmp"},
                                                    {"-down", ".b.down", "down.bmp"}};
            std::string arrows[2];
            for (int k = 0; k < 2; k++) {
                arrows[k] = path + names[k][1];
                combSetVar(interp, arrows[k].c_str(), "%s,%s", w, names[k][0]);
                combEval(ap, NULL, interp, NULL, "button", arrows[k].c_str(), "-command",
                         done.c_str(), "-bd", "1", "-image", names[k][2], "-width", "12",
                         "-height", "5", "-highlightthickness", "0", NULL);
                std::string extra = combGetString(interp, "%s,cf%s", w, names[k][0]);
                if (!extra.empty()) {
                    combEval(ap, NULL, interp, NULL, "eval", arrows[k].c_str(), "config",
                             extra.c_str(), NULL);
                }
            }
            combEval(ap, NULL, interp, NULL, "pack", entry.c_str(), "-side", "left", "-fill", "x",
                     "-expand", "1", "-padx", "1", "-pady", "1", NULL);
            combEval(ap, NULL, interp, NULL, "pack", arrows[0].c_str(), "-side", "top", "-pady",
                     "0", NULL);
            combEval(ap, NULL, interp, NULL, "pack", arrows[1].c_str(), "-side", "bottom",
                     "-pady", "0", NULL);

            static const char *const flags[2] = {"up", "down"};
            for (int k = 0; k < 2; k++) {
                combEval(ap, NULL, interp, NULL, "bind", arrows[k].c_str(), "<ButtonRelease-1>",
                         done.c_str(), NULL);
                combEval(ap, NULL, interp, NULL, "bind", arrows[k].c_str(), "<Leave>",
                         done.c_str(), NULL);
                std::string press = "after idle num.update " + path + " " + flags[k];
                combEval(ap, NULL, interp, NULL, "bind", arrows[k].c_str(), "<ButtonPress-1>",
                         press.c_str(), NULL);
            }
            std::string init = combGetString(interp, "%s,cf-init", w);
            combEval(ap, NULL, interp, NULL, "num.set", w, init.c_str(), NULL);
            combSetResult(interp, path);
            return TCL_OK;
        },
        []() {});
}

static float
numField(Tcl_Interp *interp, const char *w, const char *field)
{
    return (float)strtod(combGetString(interp, "%s,%s", w, field).c_str(), NULL);
}

/* num.update w ?up or down?: steps the value until the button is let go. */
COMB_COMMAND(numUpdateCmd)
{
    if (argc != 2 && argc != 3) {
        ovex_printf("usage: %s w flag\n", argv[0]);
        return TCL_ERROR;
    }
    std::string w = argv[1];
    float upper = numField(interp, w.c_str(), "cf-max");
    float lower = numField(interp, w.c_str(), "cf-min");
    std::string format = combGetString(interp, "%s,cf-fmt", w.c_str());
    bool up = argc == 2 || strcmp(argv[2], "up") == 0;
    float step = up ? numField(interp, w.c_str(), "cf-inc") : -numField(interp, w.c_str(), "cf-dec");
    if (numFormatKind(format.c_str()) == NUM_FORMAT_BAD) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf(
            "bad value format \"%s\": must hold one conversion of its kind", format.c_str()));
        return TCL_ERROR;
    }

    combSetVar(interp, "0", "%s,done", w.c_str());
    Tcl_Preserve(interp);
    int status = TCL_OK;
    for (;;) {
        const char *done = combGetVar(interp, "%s,done", w.c_str());
        if (done == NULL || done[0] != '0' || Tcl_InterpDeleted(interp)) {
            break;
        }
        if (combEval(NULL, NULL, interp, NULL, "num.get", w.c_str(), NULL) != TCL_OK) {
            status = TCL_ERROR;
            break;
        }
        float value = (float)strtod(Tcl_GetStringResult(interp), NULL) + step;
        if (value > upper) {
            value = upper;
        } else if (value < lower) {
            value = lower;
        }
        char text[NUM_TEXT_MAX + 1];
        if (!numFormatValue(format.c_str(), value, text, sizeof(text))) {
            Tcl_SetObjResult(interp, Tcl_ObjPrintf("cannot format the value by \"%s\"",
                                                   format.c_str()));
            status = TCL_ERROR;
            break;
        }
        if (combEval(NULL, NULL, interp, NULL, "num.set", w.c_str(), text, NULL) != TCL_OK) {
            status = TCL_ERROR;
            break;
        }
        for (int pass = 0; pass < NUM_PASSES; pass++) {
            tclUpdate(NULL, TCL_ALL_EVENTS);
            Tcl_Sleep(NUM_PASS_MS);
        }
    }
    if (status == TCL_OK && !Tcl_InterpDeleted(interp)) {
        Tcl_ResetResult(interp);
    }
    Tcl_Release(interp);
    return status;
}
