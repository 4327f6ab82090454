/*
 * comb_popup.cpp --
 *
 *	The popup (class pop): a borderless toplevel posted next to a
 *	reference window, at the screen centre or at given coordinates.
 */
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <string>

#include "widgets/comb/comb_build.h"
#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"
#include "core/comb_eval.h"

#define MAIN_WINDOW combMainWindow(clientData, interp)

/* popup.create w ?-option value ...? */
COMB_COMMAND(popupCreateCmd)
{
    if (argc < 2) {
        ovex_printf("Usage: %s w\n", argv[0]);
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
            combEval(ap, mainWindow, interp, combSetCmd, "comb.set", w, "class", "pop", "cf-pop",
                     "", "-pop", "", NULL);
            if (!combParseParams(interp, w, argc - 2, argv + 2)) {
                combFreePath(mainWindow, interp, w);
                return TCL_ERROR;
            }
            std::string cfPop = combGetString(interp, "%s,cf-pop", w);
            combEval(ap, NULL, interp, NULL, "eval", "toplevel", w, "-width 0 -height 1",
                     cfPop.c_str(), NULL);
            combEval(ap, NULL, interp, NULL, "wm", "withdraw", w, NULL);
            combEval(ap, NULL, interp, NULL, "wm", "overrideredirect", w, "1", NULL);
            combBindFreeAfterIdle(ap, interp, w);
            combSetResult(interp, w);
            return TCL_OK;
        },
        [&]() { combReportAndDestroy(interp, w); });
}

/* popup.add w id creator ?opts? */
COMB_COMMAND(popupAddCmd)
{
    if (argc < 4) {
        ovex_printf("usage: %s w id opts\n", argv[0]);
        return TCL_ERROR;
    }
    CombItemSpec spec = {"pop", "popup.freeItem", argv[1]};
    std::string item;
    int status = combAddItemSteps(MAIN_WINDOW, interp, argv[0], argv[1], argv[2], argv[3],
                                  argc >= 5 ? argv[4] : NULL, spec,
                                  [](CombAbort *, const std::string &) {}, item);
    if (status == TCL_OK) {
        combSetResult(interp, item);
    }
    return status;
}

/* Anchor names: the popup's corner relative to the reference window. */
enum PopupSide { POP_BEFORE, POP_START, POP_CENTRE, POP_END, POP_AFTER };

static const struct {
    const char *name, *shortName;
    PopupSide x, y;
} popupAnchors[] = {
    {"northwest", "nw", POP_START, POP_BEFORE},  {"northeast", "ne", POP_END, POP_BEFORE},
    {"southwest", "sw", POP_START, POP_AFTER},   {"southeast", "se", POP_END, POP_AFTER},
    {"north", "n", POP_CENTRE, POP_BEFORE},      {"south", "s", POP_CENTRE, POP_AFTER},
    {"west", "w", POP_BEFORE, POP_CENTRE},       {"east", "e", POP_AFTER, POP_CENTRE},
    {"center", "c", POP_CENTRE, POP_CENTRE},
};

/* One coordinate of the popup: reference at r with size sr, popup size sp. */
static int
popupPlace(PopupSide side, int r, int sr, int sp)
{
    switch (side) {
    case POP_BEFORE: return r - sp;
    case POP_START: return r;
    case POP_CENTRE: return r + (sr - sp) / 2;
    case POP_END: return r + sr - sp;
    default: return r + sr;
    }
}

/* popup.post w ref ?anchor? */
COMB_COMMAND(popupPostCmd)
{
    if (argc != 3 && argc != 4) {
        ovex_printf("usage: %s w ref\n", argv[0]);
        return TCL_ERROR;
    }
    const char *w = argv[1], *ref = argv[2];
    Tk_Window mainWindow = MAIN_WINDOW;
    if (!combIsClass(mainWindow, interp, w, "pop")) {
        ovex_printf("%s is not a popup\n", w);
        return TCL_ERROR;
    }
    return combWithAbortPoint(
        [&](CombAbort *ap) {
            int anchor = 0;
            if (argc == 4) {
                anchor = -1;
                for (size_t i = 0; i < sizeof(popupAnchors) / sizeof(popupAnchors[0]); i++) {
                    if (strcasecmp(argv[3], popupAnchors[i].name) == 0
                            || strcasecmp(argv[3], popupAnchors[i].shortName) == 0) {
                        anchor = (int)i;
                        break;
                    }
                }
                if (anchor < 0) {
                    ovex_printf("Unknow anchor type: %s", argv[3]);
                    return TCL_ERROR;
                }
            }
            combEval(ap, NULL, interp, NULL, "raise", w, NULL);
            combEval(ap, NULL, interp, NULL, "wm", "deiconify", w, NULL);
            Tk_Window popup = combWindow(mainWindow, interp, w);
            int wp = popup != NULL ? Tk_Width(popup) : 0;
            int hp = popup != NULL ? Tk_Height(popup) : 0;

            int x = 0, y = 0;
            Tk_Window reference = combWindow(mainWindow, interp, ref);
            if (reference != NULL) {
                int rx, ry;
                Tk_GetRootCoords(reference, &rx, &ry);
                x = popupPlace(popupAnchors[anchor].x, rx, Tk_Width(reference), wp);
                y = popupPlace(popupAnchors[anchor].y, ry, Tk_Height(reference), hp);
                if (popupAnchors[anchor].x == POP_CENTRE && popupAnchors[anchor].y == POP_CENTRE) {
                    x = rx - (wp - Tk_Width(reference)) / 2;
                }
            } else {
                Tcl_ResetResult(interp);
                if (strcmp(ref, "center") == 0) {
                    Tk_Window screen = mainWindow;
                    int sw = screen != NULL ? WidthOfScreen(Tk_Screen(screen)) : 0;
                    int sh = screen != NULL ? HeightOfScreen(Tk_Screen(screen)) : 0;
                    x = sw / 2 - wp / 2;
                    y = sh / 2 - hp / 2;
                } else if (sscanf(ref, "%d %d", &x, &y) != 2) {
                    /* A value that does not read stays 0. */
                }
            }
            char geometry[64];
            snprintf(geometry, sizeof(geometry), "+%d+%d", x, y);
            return combEval(ap, NULL, interp, NULL, "wm", "geom", w, geometry, NULL);
        },
        []() {});
}

/* popup.hide path */
COMB_COMMAND(popupHideCmd)
{
    if (argc != 2) {
        ovex_printf("Usage: %s path\n", argv[0]);
        return TCL_ERROR;
    }
    if (!combIsClass(MAIN_WINDOW, interp, argv[1], "pop")) {
        ovex_printf("%s is not a popup\n", argv[1]);
        return TCL_ERROR;
    }
    return combEval(NULL, NULL, interp, NULL, "wm", "withdraw", argv[1], NULL);
}
