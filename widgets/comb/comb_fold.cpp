/*
 * comb_fold.cpp --
 *
 *	The notebook (class fold): a canvas with a row of tabs drawn as canvas
 *	items and one frame per page embedded as a window item, a line of
 *	information text and optional buttons below it.
 */
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "core/package.h"
#include "widgets/comb/comb_build.h"
#include "widgets/comb/comb_checks.h"
#include "widgets/comb/comb_commands.h"
#include "core/comb_eval.h"

#define MAIN_WINDOW combMainWindow(clientData, interp)
#define FOLD_EVENTS (TCL_WINDOW_EVENTS | TCL_FILE_EVENTS | TCL_TIMER_EVENTS)

static long
foldInt(Tcl_Interp *interp, const char *w, const char *field)
{
    return strtol(combGetString(interp, "%s,%s", w, field).c_str(), NULL, 10);
}

/* fold.create w ?-option value ...? */
COMB_COMMAND(foldCreateCmd)
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
    const char **labels = NULL;
    int status = combWithAbortPoint(
        [&](CombAbort *ap) {
            if (!combCheckPath(mainWindow, interp, w, 1)) {
                combAddErrorInfo(interp, "\ninvalid path: %s\n", w);
                return TCL_ERROR;
            }
            combSettleDestroyedPath(mainWindow, interp, w);
            std::string path = w;
            std::string canvas = path + ".canv", info = path + ".info";
            std::string infoLabel = path + ".info.lable";
            combEval(ap, mainWindow, interp, combSetCmd, "comb.set", w, "class", "fold",
                     "cf-page", "12", "cf-labels", "", "cf-fwidth", "280", "cf-fheight", "256",
                     "cf-fclr", "black", "cf-bclr", "gray50", "cf-x", "1", "cf-y", "4", "cf-dy",
                     "22", "cf-dx", "80", "cf-maxdx", "128", "cf-wx", "10", "cf-wy", "10",
                     "cf-btns", "", "cf-font", "-*-Helvetica-bold-r-normal-*-*-140-*-*-*-*-*",
                     "id", "0", "labels", "", "pid", "", "info", "", "top", "", NULL);
            if (!combParseParams(interp, w, argc - 2, argv + 2)) {
                combFreePath(mainWindow, interp, w);
                return TCL_ERROR;
            }
            std::string width = combGetString(interp, "%s,cf-fwidth", w);
            std::string height = combGetString(interp, "%s,cf-fheight", w);
            combEval(ap, NULL, interp, NULL, "frame", w, "-bd", "1", "-width", width.c_str(),
                     "-height", height.c_str(), NULL);
            combBindFreeAfterIdle(ap, interp, w);

            combSetVar(interp, canvas.c_str(), "%s,canv", w);
            combEval(ap, NULL, interp, NULL, "canvas", canvas.c_str(), "-relief", "flat", "-bd",
                     "1", "-width", width.c_str(), "-height", height.c_str(), "-bg", "gray50",
                     "-highlightthickness", "0", NULL);

            combSetVar(interp, info.c_str(), "%s,-info", w);
            combSetVar(interp, infoLabel.c_str(), "%s,-infoLable", w);
            combEval(ap, NULL, interp, NULL, "frame", info.c_str(), "-height", "10", "-bd", "0",
                     NULL);
            std::string textVariable = "_comb(" + path + ",info)";
            combEval(ap, NULL, interp, NULL, "label", infoLabel.c_str(), "-text", "", "-textv",
                     textVariable.c_str(), NULL);
            combEval(ap, NULL, interp, NULL, "pack", infoLabel.c_str(), "-side", "left", NULL);
            combEval(ap, NULL, interp, NULL, "pack", info.c_str(), "-side", "bottom", "-fill",
                     "x", NULL);
            combEval(ap, NULL, interp, NULL, "pack", canvas.c_str(), "-side", "top", "-fill",
                     "both", "-expand", "1", NULL);
            std::string configure = "fold.winconfig " + path;
            combEval(ap, NULL, interp, NULL, "bind", canvas.c_str(), "<Configure>",
                     configure.c_str(), NULL);

            int count = 0;
            std::string buttons = combGetString(interp, "%s,cf-btns", w);
            if (Tcl_SplitList(interp, buttons.c_str(), &count, &labels) != TCL_OK) {
                labels = NULL;
                combAbort(ap, "error - fold: bad button list\n");
            }
            for (int i = 0; i < count; i++) {
                std::string button = info + ".btn" + combInt(i);
                combSetVar(interp, labels[i], "%s,cf-btn%d", w, i);
                combSetVar(interp, button.c_str(), "%s,-btn%d", w, i);
                combEval(ap, NULL, interp, NULL, "button", button.c_str(), NULL);
                combEval(ap, NULL, interp, NULL, "eval", button.c_str(), "config", labels[i],
                         NULL);
                combEval(ap, NULL, interp, NULL, "pack", button.c_str(), "-side", "right",
                         "-padx", "3", "-pady", "5", NULL);
            }
            Tcl_Free((char *)labels);
            labels = NULL;

            /* The canvas gets its size before the tabs are laid out. */
            tclUpdate(interp, FOLD_EVENTS);
            combSetVar(interp, "p0", "%s,top", w);

            std::string labelList = combGetString(interp, "%s,cf-labels", w);
            if (Tcl_SplitList(interp, labelList.c_str(), &count, &labels) != TCL_OK) {
                labels = NULL;
                combAbort(ap, "error - fold: bad label list\n");
            }
            if (count > 0) {
                combSetVar(interp, combInt(count).c_str(), "%s,cf-page", w);
            } else {
                long pages = foldInt(interp, w, "cf-page");
                Tcl_Obj *made = Tcl_NewListObj(0, NULL);
                Tcl_IncrRefCount(made);
                for (long i = 0; i < pages; i++) {
                    Tcl_ListObjAppendElement(NULL, made, Tcl_ObjPrintf("p%ld", i));
                }
                combSetVar(interp, Tcl_GetString(made), "%s,cf-labels", w);
                Tcl_DecrRefCount(made);
                Tcl_Free((char *)labels);
                labels = NULL;
                labelList = combGetString(interp, "%s,cf-labels", w);
                Tcl_SplitList(NULL, labelList.c_str(), &count, &labels);
            }
            for (int i = 0; i < count; i++) {
                combEval(ap, mainWindow, interp, foldAddCmd, "fold.add", w, labels[i], NULL);
            }
            std::string redraw = "fold.winconfig " + path;
            combSetVar(interp, redraw.c_str(), "%s,redraw", w);
            combSetResult(interp, path);
            return TCL_OK;
        },
        [&]() { combDestroyPath(interp, w); });
    if (labels != NULL) {
        Tcl_Free((char *)labels);
    }
    return status;
}

/* fold.get w label: the page of that label, or empty. */
COMB_COMMAND(foldGetCmd)
{
    if (argc != 3) {
        ovex_printf("usage: %s w label\n", argv[0]);
        return TCL_ERROR;
    }
    const char *w = argv[1];
    if (!combIsClass(MAIN_WINDOW, interp, w, "fold")) {
        ovex_printf("%s is not a fold class!\n", w);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    std::string labels = combGetString(interp, "%s,labels", w);
    Tcl_Obj *objv[3] = {Tcl_NewStringObj("lsearch", -1),
                        Tcl_NewStringObj(labels.c_str(), -1), Tcl_NewStringObj(argv[2], -1)};
    for (Tcl_Obj *obj : objv) {
        Tcl_IncrRefCount(obj);
    }
    int status = Tcl_EvalObjv(interp, 3, objv, TCL_EVAL_GLOBAL);
    for (Tcl_Obj *obj : objv) {
        Tcl_DecrRefCount(obj);
    }
    int position = -1;
    if (status == TCL_OK) {
        Tcl_GetIntFromObj(NULL, Tcl_GetObjResult(interp), &position);
    }
    const char *page = position >= 0 ? combGetVar(interp, "%s,-p%d", w, position) : NULL;
    combSetResult(interp, page != NULL ? page : "");
    return TCL_OK;
}

/* fold.add w label ?update?: a page for the label, made when missing. */
COMB_COMMAND(foldAddCmd)
{
    if (argc != 3 && argc != 4) {
        ovex_printf("usage: %s w label {update}\n", argv[0]);
        return TCL_ERROR;
    }
    const char *w = argv[1];
    if (!combIsClass(MAIN_WINDOW, interp, w, "fold")) {
        ovex_printf("%s is not a fold\n", w);
        return TCL_ERROR;
    }
    const char *getWords[] = {"fold.get", w, argv[2], NULL};
    foldGetCmd(clientData, interp, 3, getWords);
    std::string existing = Tcl_GetStringResult(interp);
    if (!existing.empty()) {
        return TCL_OK;
    }
    Tcl_SetVar2(interp, "_comb", (std::string(w) + ",labels").c_str(), argv[2],
                TCL_GLOBAL_ONLY | TCL_APPEND_VALUE | TCL_LIST_ELEMENT);

    std::string n = combGetString(interp, "%s,id", w);
    std::string colour;
    if (combEval(NULL, NULL, interp, NULL, w, "cget", "-bg", NULL) == TCL_OK) {
        colour = Tcl_GetStringResult(interp);
    }
    combSetVar(interp, ("-bg " + colour).c_str(), "%s,cf-p%s", w, n.c_str());
    std::string page = std::string(w) + ".canv.fp" + n;
    std::string pageId = "p" + n;
    combSetVar(interp, page.c_str(), "%s,-p%s", w, n.c_str());
    combEval(NULL, NULL, interp, NULL, "frame", page.c_str(), "-bg", colour.c_str(), NULL);
    std::string freeScript = "comb.free " + page;
    combEval(NULL, NULL, interp, NULL, "bind", page.c_str(), "<Destroy>", freeScript.c_str(),
             NULL);
    combSetVar(interp, "page", "%s,class", page.c_str());

    tclUpdate(interp, FOLD_EVENTS);
    std::string canvas = combGetString(interp, "%s,canv", w);
    std::string x = combInt(foldInt(interp, w, "cf-wx") + foldInt(interp, w, "cf-x"));
    std::string y = combInt(foldInt(interp, w, "cf-wy") + foldInt(interp, w, "cf-y")
                            + foldInt(interp, w, "cf-dy"));
    std::string tag = "wp" + n;
    combEval(NULL, NULL, interp, NULL, canvas.c_str(), "create", "window", x.c_str(), y.c_str(),
             "-anchor", "nw", "-tag", tag.c_str(), "-window", page.c_str(), NULL);

    Tcl_SetVar2(interp, "_comb", (std::string(w) + ",pid").c_str(), pageId.c_str(),
                TCL_GLOBAL_ONLY | TCL_APPEND_VALUE | TCL_LIST_ELEMENT);
    combSetVar(interp, combInt(strtol(n.c_str(), NULL, 10) + 1).c_str(), "%s,id", w);

    std::string raiseScript = std::string("fold.page ") + w + " " + pageId;
    std::string infoScript = std::string("fold.info ") + w + " " + pageId;
    combEval(NULL, NULL, interp, NULL, canvas.c_str(), "bind", pageId.c_str(), "<Button-1>",
             raiseScript.c_str(), NULL);
    combEval(NULL, NULL, interp, NULL, canvas.c_str(), "bind", pageId.c_str(), "<Any-Enter>",
             infoScript.c_str(), NULL);
    std::string pageFree = std::string("+fold.freePage ") + w + " " + pageId + " update";
    combEval(NULL, NULL, interp, NULL, "bind", page.c_str(), "<Destroy>", pageFree.c_str(), NULL);

    if (argc == 4) {
        const char *pageWords[] = {"fold.page", w, NULL};
        foldPageCmd(clientData, interp, 2, pageWords);
    }
    combSetResult(interp, page);
    return TCL_OK;
}

/* A split Tcl list, freed with the object. */
struct FoldList {
    int count = 0;
    const char **words = NULL;
    ~FoldList() { if (words != NULL) Tcl_Free((char *)words); }
};

/* fold.page w ?id?: redraws the tab row with the page id raised. */
COMB_COMMAND(foldPageCmd)
{
    if (argc != 2 && argc != 3) {
        ovex_printf("usage: %s w id\n", argv[0]);
        return TCL_ERROR;
    }
    const char *w = argv[1];
    Tk_Window mainWindow = MAIN_WINDOW;
    std::string id = argc == 3 ? argv[2] : combGetString(interp, "%s,top", w);
    FoldList labels, pids;
    return combWithAbortPoint(
        [&](CombAbort *ap) {
            std::string canvas = combGetString(interp, "%s,canv", w);
            combEval(ap, NULL, interp, NULL, canvas.c_str(), "delete", "fold", NULL);
            Tk_Window canvasWindow = combWindow(mainWindow, interp, canvas.c_str());
            long width = canvasWindow != NULL ? Tk_Width(canvasWindow) : 0;
            long height = canvasWindow != NULL ? Tk_Height(canvasWindow) : 0;

            std::string labelText = combGetString(interp, "%s,labels", w);
            std::string pidText = combGetString(interp, "%s,pid", w);
            if (Tcl_SplitList(NULL, labelText.c_str(), &labels.count, &labels.words) != TCL_OK) {
                labels.words = NULL;
                labels.count = 0;
            }
            if (Tcl_SplitList(NULL, pidText.c_str(), &pids.count, &pids.words) != TCL_OK) {
                pids.words = NULL;
                pids.count = 0;
            }
            if (pids.count == 0) {
                ovex_printf("No pages to draw\n");
                return TCL_ERROR;
            }
            long X = foldInt(interp, w, "cf-x"), Y = foldInt(interp, w, "cf-y");
            long DX = foldInt(interp, w, "cf-dx"), DY = foldInt(interp, w, "cf-dy");
            long MAXDX = foldInt(interp, w, "cf-maxdx");
            long W = width - 2 * X, H = height - 2 * X;
            long step = (W - DX) / pids.count;
            long tab = step < DX ? DX : std::min(step, MAXDX);
            tab -= 2;

            combSetVar(interp, id.c_str(), "%s,top", w);
            long offset = 5;
            for (int i = 0; i < pids.count; i++) {
                bool raised = id == pids.words[i];
                std::string y = combInt(raised ? Y + 4 : Y);
                std::string dy = combInt(raised ? DY - 4 : DY);
                const char *label = i < labels.count ? labels.words[i] : pids.words[i];
                combEval(ap, mainWindow, interp, foldDrawCmd, "fold.draw", w, pids.words[i],
                         combInt(X).c_str(), y.c_str(), combInt(W).c_str(), combInt(H).c_str(),
                         combInt(offset).c_str(), combInt(tab).c_str(), dy.c_str(), label, NULL);
                long end = strtol(Tcl_GetStringResult(interp), NULL, 10);
                offset = std::min(offset + step, end);
            }
            combEval(ap, NULL, interp, NULL, canvas.c_str(), "raise", id.c_str(), NULL);
            std::string page = combGetString(interp, "%s,-%s", w, id.c_str());
            combEval(ap, NULL, interp, NULL, "raise", page.c_str(), NULL);
            Tcl_ResetResult(interp);
            return TCL_OK;
        },
        []() {});
}

/* fold.draw w id x y wd ht offset dx dy ?label?: one tab over its page box. */
COMB_COMMAND(foldDrawCmd)
{
    if (argc != 10 && argc != 11) {
        ovex_printf("usage: %s w id x y wd ht offset dx dy label\n", argv[0]);
        return TCL_ERROR;
    }
    const char *w = argv[1], *id = argv[2];
    const char *label = argc == 11 ? argv[10] : id;
    long X = strtol(argv[3], NULL, 10), Y = strtol(argv[4], NULL, 10);
    long wd = strtol(argv[5], NULL, 10), ht = strtol(argv[6], NULL, 10);
    long T = X + strtol(argv[7], NULL, 10);
    long dx = strtol(argv[8], NULL, 10);
    long B = Y + strtol(argv[9], NULL, 10);
    return combWithAbortPoint(
        [&](CombAbort *ap) {
            std::string canvas = combGetString(interp, "%s,canv", w);
            combEval(ap, NULL, interp, NULL, w, "cget", "-bg", NULL);
            std::string colour = Tcl_GetStringResult(interp);

            const long points[13][2] = {
                {X, B}, {std::max(T - 2, X), B}, {T, B - 2}, {T, Y + 2}, {T + 2, Y},
                {T + dx - 2, Y}, {T + dx, Y + 2}, {T + dx, B - 2}, {T + dx + 2, B},
                {X + wd, B}, {X + wd, B + ht}, {X, B + ht}, {X, B}};
            auto pointText = [&](int from, int to) {
                std::string text;
                for (int i = from; i <= to; i++) {
                    text += combInt(points[i][0]) + " " + combInt(points[i][1]) + " ";
                }
                text.pop_back();
                return text;
            };
            std::string polygon = pointText(0, 12);
            combEval(ap, NULL, interp, NULL, "eval", canvas.c_str(), "create", "polygon",
                     polygon.c_str(), "-fill", colour.c_str(), "-outline", "white", "-tag", id,
                     NULL);
            combEval(ap, NULL, interp, NULL, canvas.c_str(), "addtag", "fold", "withtag", id,
                     NULL);
            std::string tags = std::string("{") + id + " fold}";
            std::string box = pointText(9, 11), slope = pointText(5, 8);
            combEval(ap, NULL, interp, NULL, "eval", canvas.c_str(), "create", "line",
                     box.c_str(), "-fill", "black", "-tag", tags.c_str(), NULL);
            combEval(ap, NULL, interp, NULL, "eval", canvas.c_str(), "create", "line",
                     slope.c_str(), "-fill", "black", "-tag", tags.c_str(), NULL);

            std::string top = combGetString(interp, "%s,top", w);
            std::string fill = combGetString(interp, top == id ? "%s,cf-fclr" : "%s,cf-bclr", w);
            std::string font = combGetString(interp, "%s,cf-font", w);
            std::string textTags = std::string(id) + " fold";
            combEval(ap, NULL, interp, NULL, canvas.c_str(), "create", "text",
                     combInt(T + 6).c_str(), combInt(Y + 2).c_str(), "-fill", fill.c_str(),
                     "-text", label, "-tag", textTags.c_str(), "-anchor", "nw", "-font",
                     font.c_str(), NULL);
            combSetResult(interp, combInt(T + dx - 2));
            return TCL_OK;
        },
        []() {});
}

/* fold.addFoldItem page id creator ?opts? */
COMB_COMMAND(foldAddFoldItemCmd)
{
    if (argc < 4 || argc > 5) {
        ovex_printf("usgae: %s fid itemID creator opts\n", argv[0]);
        return TCL_ERROR;
    }
    CombItemSpec spec = {"page", "fold.freeItem", argv[1]};
    std::string item;
    int status = combAddItemSteps(MAIN_WINDOW, interp, argv[0], argv[1], argv[2], argv[3],
                                  argc == 5 ? argv[4] : NULL, spec,
                                  [](CombAbort *, const std::string &) {}, item);
    if (status == TCL_OK) {
        Tcl_ResetResult(interp);
    }
    return status;
}

/* fold.addItem w label id creator ?opts?: into the page of that label. */
COMB_COMMAND(foldAddItemCmd)
{
    if (argc < 5 || argc > 6) {
        ovex_printf("usgae: %s w label itemID creator opts\n", argv[0]);
        return TCL_ERROR;
    }
    const char *getWords[] = {"fold.get", argv[1], argv[2], NULL};
    foldGetCmd(clientData, interp, 3, getWords);
    std::string page = Tcl_GetStringResult(interp);
    if (page.empty()) {
        combAddErrorInfo(interp, "fold.addItem - invalid fold label: %s", argv[2]);
        return TCL_ERROR;
    }
    CombItemSpec spec = {"page", "fold.freeItem", page};
    std::string item;
    int status = combAddItemSteps(MAIN_WINDOW, interp, argv[0], page.c_str(), argv[3], argv[4],
                                  argc == 6 ? argv[5] : NULL, spec,
                                  [](CombAbort *, const std::string &) {}, item);
    if (status == TCL_OK) {
        Tcl_ResetResult(interp);
    }
    return status;
}
