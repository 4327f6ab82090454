/*
 * comb_pal.cpp --
 *
 *	The colour palette (class pal): a grid of colour cells on a canvas, a
 *	swatch and three numeric entries for red, green and blue.
 */
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "core/rounding.h"
#include "widgets/comb/comb_build.h"
#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"
#include "core/comb_eval.h"

#define MAIN_WINDOW combMainWindow(clientData, interp)

/* pal.create w ?-option value ...? */
COMB_COMMAND(palCreateCmd)
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
    if (!combCheckPath(mainWindow, interp, w, 1)) {
        combAddErrorInfo(interp, "\ninvalid path: %s\n", w);
        return TCL_ERROR;
    }
    combSettleDestroyedPath(mainWindow, interp, w);
    return combWithAbortPoint(
        [&](CombAbort *ap) {
            combEval(ap, mainWindow, interp, combSetCmd, "comb.set", w, "class", "pal", "cf-r",
                     "", "cf-g", "", "cf-b", "", "cf-d", "3", "cf-nx", "8", "cf-ny", "9",
                     "cf-colors", "", "cf-highlight", "white", "cf-outline", "black", NULL);
            if (!combParseParams(interp, w, argc - 2, argv + 2)) {
                combFreePath(mainWindow, interp, w);
                return TCL_ERROR;
            }
            std::string path = w;
            std::string swatch = path + ".rgb", cells = path + ".canv";
            combEval(ap, NULL, interp, NULL, "frame", w, "-bd", "1", "-relief", "raise", NULL);
            combBindFreeAfterIdle(ap, interp, w);
            combSetVar(interp, swatch.c_str(), "%s,rgb", w);
            combSetVar(interp, cells.c_str(), "%s,canv", w);
            static const char *const parts[3] = {"r", "g", "b"};
            static const char *const labels[3] = {"-label {-text R -width 2}",
                                                  "-label {-text G -width 2}",
                                                  "-label {-text B -width 2}"};
            std::string nums[3];
            for (int k = 0; k < 3; k++) {
                nums[k] = path + "." + parts[k];
                combSetVar(interp, nums[k].c_str(), "%s,-%s", w, parts[k]);
            }
            combEval(ap, NULL, interp, NULL, "canvas", swatch.c_str(), "-bg", "red", "-width",
                     "20", "-height", "24", "-bd", "1", "-highlightthickness", "0", NULL);
            for (int k = 0; k < 3; k++) {
                std::string extra = combGetString(interp, "%s,cf-%s", w, parts[k]);
                combEval(ap, NULL, interp, NULL, "eval", "num.create", nums[k].c_str(), "-max",
                         "255", "-min", "0", "-init", "255", "-inc", "16", "-dec", "16",
                         "-ent {-width 4}", labels[k], extra.c_str(), NULL);
            }
            combEval(ap, NULL, interp, NULL, "canvas", cells.c_str(), "-width", "180", "-height",
                     "20", "-bd", "1", "-highlightthickness", "0", NULL);
            std::string redraw = "pal.colors " + path;
            combEval(ap, NULL, interp, NULL, "bind", cells.c_str(), "<Configure>",
                     redraw.c_str(), NULL);

            combEval(ap, NULL, interp, NULL, "grid", cells.c_str(), "-rowspan", "4", "-column",
                     "0", "-row", "0", "-padx", "4", "-pady", "2", "-sticky", "ns", NULL);
            combEval(ap, NULL, interp, NULL, "grid", swatch.c_str(), "-column", "1", "-row", "0",
                     "-padx", "4", "-pady", "4", "-sticky", "nsew", NULL);
            static const char *const rows[3] = {"1", "2", "3"};
            static const char *const padys[3] = {"2", "2", "4"};
            for (int k = 0; k < 3; k++) {
                combEval(ap, NULL, interp, NULL, "grid", nums[k].c_str(), "-column", "1", "-row",
                         rows[k], "-padx", "4", "-pady", padys[k], "-sticky", "we", NULL);
            }
            std::string change = "pal.update " + path + " " + swatch + " config -bg";
            for (int k = 0; k < 3; k++) {
                combEval(ap, NULL, interp, NULL, "num.bindChange", nums[k].c_str(),
                         change.c_str(), NULL);
            }
            combSetVar(interp, redraw.c_str(), "%s,redraw", w);
            combSetResult(interp, path);
            return TCL_OK;
        },
        [&]() { combDestroyPath(interp, w); });
}

/* The 72 colours of the default palette: 64 of four levels, 8 greys. */
static std::vector<std::string>
palDefaultColors()
{
    std::vector<std::string> colors;
    char text[16];
    for (int b = 0; b < 4; b++) {
        for (int g = 0; g < 4; g++) {
            for (int r = 0; r < 4; r++) {
                snprintf(text, sizeof(text), "#%02x%02x%02x", roundToInt(r / 3.0 * 255),
                         roundToInt(g / 3.0 * 255), roundToInt(b / 3.0 * 255));
                colors.push_back(text);
            }
        }
    }
    for (int k = 0; k < 8; k++) {
        int grey = roundToInt(k / 7.0 * 255);
        snprintf(text, sizeof(text), "#%02x%02x%02x", grey, grey, grey);
        colors.push_back(text);
    }
    return colors;
}

/* pal.colors w: draws the colour cells over the cell canvas. */
COMB_COMMAND(palColorsCmd)
{
    if (argc != 2) {
        ovex_printf("usage: %s w \n", argv[0]);
        return TCL_ERROR;
    }
    const char *w = argv[1];
    std::string canvas = combGetString(interp, "%s,canv", w);
    long nx = strtol(combGetString(interp, "%s,cf-nx", w).c_str(), NULL, 10);
    long ny = strtol(combGetString(interp, "%s,cf-ny", w).c_str(), NULL, 10);
    long d = strtol(combGetString(interp, "%s,cf-d", w).c_str(), NULL, 10);
    std::string colorList = combGetString(interp, "%s,cf-colors", w);
    std::string outline = combGetString(interp, "%s,cf-outline", w);
    std::string highlight = combGetString(interp, "%s,cf-highlight", w);
    if (nx <= 0 || ny <= 0) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf(
            "bad palette grid %ld x %ld: columns and rows must be positive", nx, ny));
        return TCL_ERROR;
    }
    Tk_Window cellWindow = combWindow(MAIN_WINDOW, interp, canvas.c_str());
    if (cellWindow == NULL) {
        return TCL_ERROR;
    }
    long W = Tk_Width(cellWindow), H = Tk_Height(cellWindow);
    long cw = (W - 2) / nx, ch = (H - 2) / ny;

    return combWithAbortPoint(
        [&](CombAbort *ap) {
            combEval(ap, NULL, interp, NULL, canvas.c_str(), "delete", "clrs", NULL);
            std::vector<std::string> colors;
            if (!colorList.empty()) {
                int count;
                const char **words;
                if (Tcl_SplitList(interp, colorList.c_str(), &count, &words) != TCL_OK) {
                    combAbort(ap, "error - pal: bad colour list\n");
                }
                colors.assign(words, words + count);
                Tcl_Free((char *)words);
            } else {
                colors = palDefaultColors();
            }
            size_t next = 0;
            for (long row = 0; row < ny && next < colors.size(); row++) {
                for (long column = 0; column < nx && next < colors.size(); column++) {
                    std::string x1 = combInt(column * cw), y1 = combInt(row * ch);
                    std::string x2 = combInt(column * cw + cw - d);
                    std::string y2 = combInt(row * ch + ch - d);
                    char tags[64];
                    snprintf(tags, sizeof(tags), "clrs c(%ld,%ld)", column, row);
                    combEval(ap, NULL, interp, NULL, canvas.c_str(), "create", "rect", x1.c_str(),
                             y1.c_str(), x2.c_str(), y2.c_str(), "-tag", tags, "-fill",
                             colors[next].c_str(), "-outline", outline.c_str(), NULL);
                    next++;
                }
            }
            std::string dx = combInt((W - (nx * cw - 4)) / 2), dy = combInt((H - ny * ch) / 2);
            combEval(ap, NULL, interp, NULL, canvas.c_str(), "move", "clrs", dx.c_str(),
                     dy.c_str(), NULL);

            std::string lit = highlight.empty() ? "{}" : highlight;
            std::string plain = outline.empty() ? "{}" : outline;
            std::string enter = canvas + " itemconfig current -outline " + lit;
            std::string leave = canvas + " itemconfig current -outline " + plain;
            std::string click = std::string("pal.set ") + w + " [" + canvas
                                + " itemcget current -fill]";
            combEval(ap, NULL, interp, NULL, canvas.c_str(), "bind", "clrs", "<Any-Enter>",
                     enter.c_str(), NULL);
            combEval(ap, NULL, interp, NULL, canvas.c_str(), "bind", "clrs", "<Any-Leave>",
                     leave.c_str(), NULL);
            combEval(ap, NULL, interp, NULL, canvas.c_str(), "bind", "clrs", "<Button-1>",
                     click.c_str(), NULL);
            Tcl_ResetResult(interp);
            return TCL_OK;
        },
        []() {});
}
