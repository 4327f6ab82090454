/*
 * printer_command.cpp --
 *
 *	The printer command: the printers of the machine and their
 *	capabilities, the print, setup and page-setup dialogs, and printing a
 *	canvas region fitted or scaled over a grid of pages, each page made
 *	of tiles rendered from the canvas as rasters.
 *
 *	X11 has no print dialogs: when the script procedure ovex.printDialog
 *	exists it stands in for all three (print, setup, pagesetup), else a
 *	dialog is taken as confirmed with the values unchanged.
 */
#include <limits.h>
#include <math.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "core/inits.h"
#include "core/package.h"
#include "core/rounding.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "canvas/canvas_render.h"
#include "canvas/gcanvas.h"
#include "widgets/print/canvas_raster.h"
#include "widgets/print/caps_tables.h"
#include "widgets/print/print_commands.h"
#include "widgets/print/print_device.h"
#include "widgets/print/printer_catalogue.h"

namespace {

/* Print-dialog flags, as the Windows dialog names them. */
enum { PD_PRINTSETUP = 0x40, PD_RETURNDC = 0x100, PD_RETURNDEFAULT = 0x400 };

struct PrinterState {
    Tcl_Interp *interp = NULL;
    float marginLeft = 25.4f, marginRight = 25.4f, marginTop = 25.4f, marginBottom = 25.4f;
    int interactive = 1;
    int fromPage = 1;
    int toPage = 1;
    int pageCount = 1;
    std::string printer;        /* the chosen printer; "" none yet */
};

/* Shared by every interpreter of the process. */
int tileWidth = 2048;
int tileHeight = 1536;
int busyCount = 0;
bool exitHandlerSet = false;

const char *PROGRESS_TEXT = "Printing done";

void printerExitHandler(ClientData) {}

void printerDeleteProc(ClientData clientData)
{
    delete (PrinterState *)clientData;
}

/* The path name of the window that owns a dialog: windowName when it
 * names a window, else the main window; "" without Tk. */
std::string ownerPath(Tcl_Interp *interp, const char *windowName)
{
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        return "";
    }
    if (windowName != NULL) {
        Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
        Tk_Window window = Tk_NameToWindow(interp, windowName, main);
        Tcl_RestoreInterpState(interp, saved);
        if (window != NULL) {
            return Tk_PathName(window);
        }
    }
    return Tk_PathName(main);
}

enum DialogOutcome { DIALOG_OK, DIALOG_CANCEL, DIALOG_FAILED };

/*
 * runDialog --
 *	Evaluates "ovex.printDialog WORDS..." with every Tcl event serviced,
 *	leaving the interpreter's result alone.
 * Returns: DIALOG_OK with its answer in *answer (also when there is no
 *	such procedure: *answer empty and *present false), DIALOG_CANCEL for
 *	an empty answer, DIALOG_FAILED for an error.
 */
DialogOutcome runDialog(Tcl_Interp *interp, const std::vector<std::string> &words,
                        std::vector<std::string> *answer, bool *present)
{
    Tcl_CmdInfo info;
    *present = Tcl_GetCommandInfo(interp, "ovex.printDialog", &info) != 0;
    answer->clear();
    if (!*present) {
        return DIALOG_OK;
    }
    Tcl_Obj *command = Tcl_NewListObj(0, NULL);
    Tcl_IncrRefCount(command);
    Tcl_ListObjAppendElement(NULL, command, Tcl_NewStringObj("ovex.printDialog", -1));
    for (const std::string &word : words) {
        Tcl_ListObjAppendElement(NULL, command, Tcl_NewStringObj(word.c_str(), -1));
    }
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    int mode = Tcl_SetServiceMode(TCL_SERVICE_ALL);
    int code = Tcl_EvalObjEx(interp, command, TCL_EVAL_GLOBAL);
    Tcl_SetServiceMode(mode);
    Tcl_DecrRefCount(command);
    DialogOutcome outcome = DIALOG_FAILED;
    if (code == TCL_OK) {
        int count = 0;
        Tcl_Obj **elements = NULL;
        if (Tcl_ListObjGetElements(interp, Tcl_GetObjResult(interp), &count, &elements) == TCL_OK) {
            for (int i = 0; i < count; i++) {
                answer->push_back(Tcl_GetString(elements[i]));
            }
            outcome = count == 0 ? DIALOG_CANCEL : DIALOG_OK;
        }
    }
    Tcl_RestoreInterpState(interp, saved);
    return outcome;
}

bool readInt(const std::string &text, int *value)
{
    char *end = NULL;
    long v = strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || v < INT_MIN || v > INT_MAX) {
        return false;
    }
    *value = (int)v;
    return true;
}

/* The stored printer, or the default one when none is stored or the
 * stored one is gone. */
PrinterEntry storedOrDefault(const PrinterState *state)
{
    PrinterEntry entry;
    if (!state->printer.empty() && findPrinter(state->printer, &entry)) {
        return entry;
    }
    return defaultPrinter();
}

/* A page range that is empty or starts beyond the grid of pageCount
 * pages becomes the whole grid; one that runs past the grid ends with it.
 * A range kept from an earlier print of a larger grid thus never leaves a
 * print without pages. */
void settlePageRange(int pageCount, int *from, int *to)
{
    if (*from < 1 || *from > pageCount || *to < *from) {
        *from = 1;
        *to = pageCount;
    } else if (*to > pageCount) {
        *to = pageCount;
    }
}

/*
 *----------------------------------------------------------------------
 *
 * printerPrintDlg --
 *
 *	The print dialog: picks the printer and the page range. With
 *	PD_RETURNDEFAULT (added when no printer is stored yet and the state
 *	is not interactive) the default printer is taken without a dialog;
 *	quiet takes the stored one without a dialog.
 *
 * Results:
 *	A device of the chosen printer, or NULL with *errorCode 0 for a
 *	cancel and non-zero for a failure.
 *
 * Side effects:
 *	Stores the printer and the page range chosen.
 *
 *----------------------------------------------------------------------
 */
std::unique_ptr<PrintDevice> printerPrintDlg(PrinterState *state, Tcl_Interp *interp,
                                             const std::string &owner, int flags, bool quiet,
                                             int *errorCode)
{
    *errorCode = 0;
    if (state->printer.empty() && !state->interactive) {
        flags |= PD_RETURNDEFAULT;
    }
    PrinterEntry chosen = (flags & PD_RETURNDEFAULT) ? defaultPrinter() : storedOrDefault(state);
    int from = state->fromPage, to = state->pageCount;
    settlePageRange(state->pageCount, &from, &to);
    if (!(flags & PD_RETURNDEFAULT) && !quiet) {
        bool setup = (flags & PD_PRINTSETUP) != 0;
        std::vector<std::string> words = {setup ? "setup" : "print", owner, chosen.name};
        if (!setup) {
            words.push_back(std::to_string(from));
            words.push_back(std::to_string(to));
            words.push_back(std::to_string(state->pageCount));
        }
        std::vector<std::string> answer;
        bool present = false;
        DialogOutcome outcome = runDialog(interp, words, &answer, &present);
        if (outcome == DIALOG_CANCEL) {
            return nullptr;
        }
        if (outcome == DIALOG_FAILED) {
            *errorCode = 1;
            return nullptr;
        }
        if (present) {
            size_t expected = setup ? 1 : 3;
            if (answer.size() != expected || !findPrinter(answer[0], &chosen)
                    || (!setup && (!readInt(answer[1], &from) || !readInt(answer[2], &to)))) {
                *errorCode = 2;
                return nullptr;
            }
        }
    }
    settlePageRange(state->pageCount, &from, &to);
    state->printer = chosen.name;
    state->fromPage = from;
    state->toPage = to;
    return std::unique_ptr<PrintDevice>(new PrintDevice(chosen));
}

/* The device of the stored printer, or of the default one (then stored). */
std::unique_ptr<PrintDevice> printerDefaultDC(PrinterState *state, Tcl_Interp *interp)
{
    if (!state->printer.empty()) {
        PrinterEntry entry;
        if (findPrinter(state->printer, &entry)) {
            return std::unique_ptr<PrintDevice>(new PrintDevice(entry));
        }
    }
    int errorCode = 0;
    return printerPrintDlg(state, interp, ownerPath(interp, NULL),
                           PD_RETURNDC | PD_RETURNDEFAULT, true, &errorCode);
}

struct PrintArea {
    int left, top, right, bottom;
};

/* The printable area of the stored or default printer in device pixels,
 * inside the margins. */
bool printableArea(PrinterState *state, Tcl_Interp *interp, PrintArea *area)
{
    std::unique_ptr<PrintDevice> device = printerDefaultDC(state, interp);
    if (!device) {
        return false;
    }
    PrinterCaps caps = device->caps();
    area->left = roundToInt(state->marginLeft / caps.horzSize * caps.horzRes);
    area->top = roundToInt(state->marginTop / caps.vertSize * caps.vertRes);
    area->right = caps.horzRes - roundToInt(state->marginRight / caps.horzSize * caps.horzRes);
    area->bottom = caps.vertRes - roundToInt(state->marginBottom / caps.vertSize * caps.vertRes);
    return area->right > area->left && area->bottom > area->top;
}

/* Places a tile rendered into the device's image rows, or painted from
 * its own pixels when the device had no image to give. */
void placeRaster(PrintDevice *device, const CanvasRaster &raster, int x, int y, int w, int h)
{
    if (raster.rows != nullptr) {
        device->placeImage(x, y, w, h);
    } else {
        device->paint(raster.pixels.get(), raster.width, raster.height, x, y, w, h);
    }
}

/*
 *----------------------------------------------------------------------
 *
 * printTiles --
 *
 *	Prints the canvas region (x0, y0)-(x1, y1) of one page as tiles of
 *	at most tileWidth x tileHeight canvas units (each spanning to the
 *	next tile's start), placed from the printable area's corner at the
 *	rounded scaled sizes, and moves the meter over the page's share.
 *
 * Results:
 *	true, or false with the renderer's message in the result.
 *
 *----------------------------------------------------------------------
 */
bool printTiles(PrintDevice *device, int pageIndex, int pageTotal, Tcl_Interp *interp,
                const char *canvasName, int coordType, int left, int top, int x0, int y0, int x1,
                int y1, double scale)
{
    float fraction = (float)pageIndex / (float)pageTotal;
    float nextMark = fraction;
    meterSet(PROGRESS_TEXT, fraction);
    long long columns = ((long long)x1 - x0 + tileWidth - 1) / tileWidth;
    long long n = columns * ((long long)y1 - y0 + tileHeight - 1) / tileHeight;
    if (n < 1) {
        n = 1;
    }
    int deviceX = left;
    for (long long tx = x0; tx < x1; tx += tileWidth) {
        int txe = (int)std::min<long long>(tx + tileWidth, x1);
        int deviceY = top;
        int columnWidth = 0;
        for (long long ty = y0; ty < y1; ty += tileHeight) {
            int tye = (int)std::min<long long>(ty + tileHeight, y1);
            int w = roundToInt((txe - tx + 1) * scale);
            int h = roundToInt((tye - ty + 1) * scale);
            /* The tile is converted straight into the page's image. */
            CanvasRaster raster;
            raster.rows = device->imageRows(txe - (int)tx + 1, tye - (int)ty + 1,
                                            &raster.rowStride);
            if (canvasToRaster(interp, canvasName, (int)tx, (int)ty, txe, tye, coordType, &raster)
                    != TCL_OK) {
                return false;
            }
            placeRaster(device, raster, deviceX, deviceY, w, h);
            deviceY += h;
            columnWidth = w;
            fraction += (float)((1.0 / (double)n) / pageTotal);
            if (fraction >= nextMark) {
                meterSet(PROGRESS_TEXT, nextMark);
                nextMark += meterInc();
            }
            Tcl_DoOneEvent(TCL_ALL_EVENTS | TCL_DONT_WAIT);
        }
        deviceX += columnWidth;
    }
    meterSet(PROGRESS_TEXT, fraction);
    return true;
}

/*
 *----------------------------------------------------------------------
 *
 * printGcanvasPage --
 *
 *	Prints the canvas-pixel rectangle page (left, top, right, bottom)
 *	of a gcanvas at k device pixels per canvas pixel, from the printable
 *	area's corner: the canvas is drawn at the device's resolution, in
 *	tiles of at most tileWidth x tileHeight device pixels, each placed
 *	pixel for pixel.
 *
 * Results:
 *	true, or false with the renderer's message in the result.
 *
 *----------------------------------------------------------------------
 */
bool printGcanvasPage(PrintDevice *device, int pageIndex, int pageTotal, Tcl_Interp *interp,
                      const char *canvasName, int left, int top, const double page[4], double k)
{
    float fraction = (float)pageIndex / (float)pageTotal;
    float nextMark = fraction;
    meterSet(PROGRESS_TEXT, fraction);
    int width = std::max(1, roundToInt((page[2] - page[0]) * k));
    int height = std::max(1, roundToInt((page[3] - page[1]) * k));
    /* The rounded device size fixes the exact scale of each axis. */
    double kx = width / (page[2] - page[0]), ky = height / (page[3] - page[1]);
    long long columns = ((long long)width + tileWidth - 1) / tileWidth;
    long long n = columns * (((long long)height + tileHeight - 1) / tileHeight);
    for (int tx = 0; tx < width; tx += tileWidth) {
        int tw = std::min(tileWidth, width - tx);
        for (int ty = 0; ty < height; ty += tileHeight) {
            int th = std::min(tileHeight, height - ty);
            /* Looked up for each tile: the events serviced between tiles
             * may have changed the canvas, or destroyed it. */
            CanvasInfo info;
            if (getCanvasInfo(interp, canvasName, &info) != TCL_OK) {
                return false;
            }
            if (info.kind != CANVAS_KIND_GCANVAS) {
                Tcl_SetResult(interp, (char *)"Not a canvas widget", TCL_STATIC);
                return false;
            }
            CanvasRaster raster;
            raster.rows = device->imageRows(tw, th, &raster.rowStride);
            if (gcanvasToScaledRaster(interp, &info, page[0], page[1], kx, ky, tx, ty, tw, th,
                                      &raster) != TCL_OK) {
                return false;
            }
            placeRaster(device, raster, left + tx, top + ty, tw, th);
            fraction += (float)((1.0 / (double)n) / pageTotal);
            if (fraction >= nextMark) {
                meterSet(PROGRESS_TEXT, nextMark);
                nextMark += meterInc();
            }
            Tcl_DoOneEvent(TCL_ALL_EVENTS | TCL_DONT_WAIT);
        }
    }
    meterSet(PROGRESS_TEXT, fraction);
    return true;
}

/* The file an ovex-pdf job of canvasName goes to: the path without its
 * leading dot, dots as "_", and ".pdf". */
std::string pdfNameOf(const char *canvasName)
{
    std::string name = canvasName[0] == '.' ? canvasName + 1 : canvasName;
    for (char &c : name) {
        if (c == '.' || c == '/') {
            c = '_';
        }
    }
    return name + ".pdf";
}

/* Holds the busy count up for one canvas print. */
struct BusyHold {
    BusyHold() { busyCount++; }
    ~BusyHold() { busyCount--; }
};

int printerCanvas(PrinterState *state, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3 && argc != 4 && argc != 8 && argc != 9 && argc != 12) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1],
                         " canvasName [scale x0 y0 x1 y1 [coordType] [printerDriver printerName "
                         "port]]",
                         (char *)NULL);
        return TCL_ERROR;
    }
    if (busyCount != 0) {
        Tcl_SetResult(interp, (char *)"Printer is busy...", TCL_STATIC);
        return TCL_ERROR;
    }
    PrintArea area;
    if (!printableArea(state, interp, &area)) {
        Tcl_SetResult(interp, (char *)"Error in resolving print region", TCL_STATIC);
        return TCL_ERROR;
    }
    BusyHold busy;
    const char *canvasName = argv[2];
    double scale = argc >= 4 ? ovexLenientDouble(argv[3]) : 0.0;
    int coordType = argc >= 9 ? ovexLenientInt(argv[8]) : 0;
    CanvasInfo info;
    if (getCanvasInfo(interp, canvasName, &info) != TCL_OK) {
        return TCL_ERROR;
    }
    /* A gcanvas prints through its transform at the device's resolution,
     * over a page grid in canvas pixels; its canvas coordinates are world
     * units, and the scale then device pixels per world unit along x. */
    bool sharp = info.kind == CANVAS_KIND_GCANVAS;
    bool world = sharp && coordType != 0;
    int x0, y0, x1, y1;
    double corners[4];
    if (argc >= 8) {
        x0 = ovexLenientInt(argv[4]);
        y0 = ovexLenientInt(argv[5]);
        x1 = ovexLenientInt(argv[6]);
        y1 = ovexLenientInt(argv[7]);
        for (int i = 0; i < 4; i++) {
            corners[i] = world ? ovexLenientDouble(argv[4 + i]) : ovexLenientInt(argv[4 + i]);
        }
    } else {
        canvasItemsBBox(&info, &x0, &y0, &x1, &y1);
        corners[0] = x0, corners[1] = y0, corners[2] = x1, corners[3] = y1;
    }
    double region[4];
    if (regionInPixels(interp, &info, corners[0], corners[1], corners[2], corners[3], coordType,
                       region) != TCL_OK) {
        return TCL_ERROR;
    }
    int pageW = area.right - area.left + 1, pageH = area.bottom - area.top + 1;
    double canvasW = (double)x1 - x0 + 1, canvasH = (double)y1 - y0 + 1;
    /* The region's pixel edges: a region given in pixels includes both
     * corners, and a page reaches one pixel into the next (inclusive). */
    int inclusive = world ? 0 : 1;
    if (sharp) {
        canvasW = region[2] - region[0];
        canvasH = region[3] - region[1];
    }
    if (!(scale > 0.0)) {
        double sx = pageW / canvasW;
        double sy = pageH / canvasH;
        scale = sx < sy ? sx : sy;
    } else if (world) {
        scale /= fabs(((GcanvasWidget *)info.widget)->mx);
    }
    /* A page step below one canvas unit would make the page grid endless. */
    double stepX = std::isfinite(scale) && scale > 0.0 ? pageW / scale : 0.0;
    double stepY = std::isfinite(scale) && scale > 0.0 ? pageH / scale : 0.0;
    if (!world) {
        stepX = roundToInt(stepX);
        stepY = roundToInt(stepY);
    }
    if (!(stepX >= 1.0) || !(stepY >= 1.0) || !(canvasW > 0.0) || !(canvasH > 0.0)) {
        Tcl_SetResult(interp, (char *)"Error in resolving print region", TCL_STATIC);
        return TCL_ERROR;
    }

    double spanX = sharp ? canvasW - inclusive : (double)x1 - x0;
    double spanY = sharp ? canvasH - inclusive : (double)y1 - y0;
    long long rows = spanY > 0 ? (long long)ceil(spanY / stepY - 1e-9) : 0;
    long long columns = spanX > 0 ? (long long)ceil(spanX / stepX - 1e-9) : 0;
    long long pages = rows > 0 && columns > 0 ? rows * columns : 0;
    if (pages < 1) {
        /* A region of no width or height gives no page to print. */
        Tcl_SetResult(interp, (char *)"Error in resolving print region", TCL_STATIC);
        return TCL_ERROR;
    }

    std::unique_ptr<PrintDevice> device;
    if (argc == 12) {
        PrinterEntry entry;
        if (!findPrinter(argv[10], &entry)) {
            Tcl_SetResult(interp, (char *)"Fail to get specified printer DC", TCL_STATIC);
            return TCL_ERROR;
        }
        device.reset(new PrintDevice(entry));
        state->pageCount = state->fromPage = state->toPage = 1;
    } else {
        state->pageCount = (int)std::min<long long>(pages, INT_MAX);
        int errorCode = 0;
        std::string owner = Tk_PathName(info.tkwin);
        device = printerPrintDlg(state, interp, owner, state->interactive ? 0 : PD_RETURNDC,
                                 !state->interactive, &errorCode);
        if (!device) {
            if (errorCode == 0) {
                Tcl_SetResult(interp, (char *)"0", TCL_STATIC);
                return TCL_OK;
            }
            Tcl_SetResult(interp, (char *)"Fail to get default printer DC", TCL_STATIC);
            return TCL_ERROR;
        }
        Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
        Tcl_EvalEx(interp, "update; _busyIcon", -1, TCL_EVAL_GLOBAL);
        Tcl_RestoreInterpState(interp, saved);
    }

    if (!device->startDoc(canvasName, pdfNameOf(canvasName))) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(device->error().c_str(), -1));
        return TCL_ERROR;
    }
    meterReset();
    int number = 0;
    int pageTotal = state->toPage - state->fromPage + 1;
    for (long long row = 0; row < rows; row++) {
        for (long long column = 0; column < columns; column++) {
            number++;
            if (number < state->fromPage || number > state->toPage) {
                continue;
            }
            device->startPage();
            bool printed;
            int index = number - state->fromPage, total = pageTotal > 0 ? pageTotal : 1;
            if (sharp) {
                double page[4] = {region[0] + column * stepX, region[1] + row * stepY, 0, 0};
                page[2] = std::min(page[0] + stepX + inclusive, region[2]);
                page[3] = std::min(page[1] + stepY + inclusive, region[3]);
                printed = printGcanvasPage(device.get(), index, total, interp, canvasName,
                                           area.left, area.top, page, scale);
            } else {
                long long x = x0 + column * (long long)stepX, y = y0 + row * (long long)stepY;
                int pageX1 = (int)std::min<long long>(x + (long long)stepX, x1);
                int pageY1 = (int)std::min<long long>(y + (long long)stepY, y1);
                printed = printTiles(device.get(), index, total, interp, canvasName, coordType,
                                     area.left, area.top, (int)x, (int)y, pageX1, pageY1, scale);
            }
            if (!printed) {
                /* The job is abandoned: no file, nothing spooled. */
                device.reset();
                meterReset();
                return TCL_ERROR;
            }
            device->endPage();
        }
    }
    bool ok = device->endDoc();
    meterReset();
    if (!ok) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(device->error().c_str(), -1));
        return TCL_ERROR;
    }
    Tcl_SetResult(interp, (char *)"1", TCL_STATIC);
    return TCL_OK;
}

std::string braceIfBlank(const std::string &text)
{
    return text.find(' ') != std::string::npos ? "{" + text + "}" : text;
}

int printerEnum(Tcl_Interp *interp, int argc, const char **argv)
{
    int flags = 0;
    if (argc < 3) {
        Tcl_AppendResult(interp, argv[0], " ", argv[1], " level ?options?", (char *)NULL);
        return TCL_ERROR;
    }
    int level = ovexLenientInt(argv[2]);
    if (level != 1 && level != 2 && level != 4 && level != 5) {
        Tcl_SetResult(interp, (char *)"valid level is 1, 2, 4, 5\n", TCL_STATIC);
        return TCL_ERROR;
    }
    for (int i = 3; i < argc; i++) {
        int value = capsNameValue(enumFlagTable, argv[i]);
        if (value < 0) {
            Tcl_AppendResult(interp, argv[0], " ", argv[1], " level ?options?", (char *)NULL);
            return TCL_ERROR;
        }
        flags |= value;
    }
    if (argc == 3) {
        flags = 7;
    }
    /* Every printer here is local: local, favourite and name listings show
     * them all, the default flag alone only the default one. */
    bool all = (flags & (2 | 4 | 8)) != 0;
    bool defaultOnly = !all && (flags & 1) != 0;
    for (const PrinterEntry &p : listPrinters()) {
        if (!all && !(defaultOnly && p.isDefault)) {
            continue;
        }
        std::string element = braceIfBlank(p.name);
        switch (level) {
        case 2:
            element += " " + braceIfBlank(p.driver) + " " + braceIfBlank(p.port);
            break;
        case 4:
            element += " localhost " + braceIfBlank(capsFlagsText(level4AttributeTable, 64));
            break;
        case 5:
            element += " " + braceIfBlank(p.port) + " "
                       + braceIfBlank(capsFlagsText(level5AttributeTable, p.isDefault ? 4 : 0));
            break;
        default:
            break;
        }
        Tcl_AppendElement(interp, element.c_str());
    }
    return TCL_OK;
}

int printerCapability(PrinterState *state, Tcl_Interp *interp, int argc, const char **argv)
{
    PrinterEntry printer;
    if (argc == 5) {
        if (!findPrinter(argv[3], &printer)) {
            Tcl_SetResult(interp, (char *)"Unknown error", TCL_STATIC);
            return TCL_ERROR;
        }
    } else if (argc == 2) {
        printer = defaultPrinter();
        state->printer = printer.name;
    } else {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1],
                         " [printerDriver printerName port]", (char *)NULL);
        return TCL_ERROR;
    }
    PrinterCaps caps = printerCaps(printer);
    const int rasterCaps = 1 | 128 | 512 | 2048 | 8192;  /* bit blocks and DIBs, stretched */
    const int clipCaps = 1;                              /* rectangles */
    std::vector<std::string> items = {
        "DRIVERVERSION 1024",
        "TECHNOLOGY " + capsValueName(technologyTable, 2),
        "HORZSIZE " + std::to_string(caps.horzSize),
        "VERTSIZE " + std::to_string(caps.vertSize),
        "HORZRES " + std::to_string(caps.horzRes),
        "VERTRES " + std::to_string(caps.vertRes),
        "LOGPIXELSX " + std::to_string(caps.logPixels),
        "LOGPIXELSY " + std::to_string(caps.logPixels),
        "BITSPIXEL 24",
        "PLANES 1",
        "NUMBRUSHES -1",
        "NUMPENS -1",
        "NUMFONTS 0",
        "NUMCOLORS -1",
        "ASPECTX " + std::to_string(caps.logPixels),
        "ASPECTY " + std::to_string(caps.logPixels),
        "ASPECTXY " + std::to_string(roundToInt(caps.logPixels * sqrt(2.0))),
        "CLIPCAPS " + std::to_string(clipCaps),
        "SIZEPALETTE 0",
        "COLORRES 24",
        "PHYSICALWIDTH " + std::to_string(caps.horzRes),
        "PHYSICALHEIGHT " + std::to_string(caps.vertRes),
        "SCALINGFACTORX 0",
        "SCALINGFACTORY 0",
        "BLTALIGNMENT 0",
        "RASTERCAPS " + capsFlagsText(rasterCapsTable, rasterCaps),
        "CURVECAPS " + capsFlagsText(curveCapsTable, 0),
        "LINECAPS " + capsFlagsText(lineCapsTable, 0),
        "POLYGONCAPS " + capsFlagsText(polygonCapsTable, 0),
        "TEXTCAPS " + capsFlagsText(textCapsTable, 0),
        "CLIPCAPS " + capsFlagsText(clipCapsTable, clipCaps),
    };
    for (const std::string &item : items) {
        Tcl_AppendElement(interp, item.c_str());
    }
    return TCL_OK;
}

int printerPageSetup(PrinterState *state, Tcl_Interp *interp, const char *window)
{
    PrinterEntry chosen = storedOrDefault(state);
    std::vector<std::string> words = {
        "pagesetup", ownerPath(interp, window), chosen.name,
        std::to_string(roundToInt(state->marginLeft / 25.4 * 1000)),
        std::to_string(roundToInt(state->marginTop / 25.4 * 1000)),
        std::to_string(roundToInt(state->marginRight / 25.4 * 1000)),
        std::to_string(roundToInt(state->marginBottom / 25.4 * 1000))};
    std::vector<std::string> answer;
    bool present = false;
    DialogOutcome outcome = runDialog(interp, words, &answer, &present);
    if (outcome == DIALOG_CANCEL) {
        return TCL_OK;
    }
    int margins[4];
    bool valid = outcome == DIALOG_OK
                 && (!present
                     || (answer.size() == 5 && findPrinter(answer[0], &chosen)
                         && readInt(answer[1], &margins[0]) && readInt(answer[2], &margins[1])
                         && readInt(answer[3], &margins[2]) && readInt(answer[4], &margins[3])));
    if (!valid) {
        state->printer.clear();
        Tcl_SetResult(interp, (char *)"Error in PageSetupDlg.", TCL_STATIC);
        return TCL_ERROR;
    }
    state->printer = chosen.name;
    if (present) {
        state->marginLeft = (float)(margins[0] * 25.4 * 0.001);
        state->marginTop = (float)(margins[1] * 25.4 * 0.001);
        state->marginRight = (float)(margins[2] * 25.4 * 0.001);
        state->marginBottom = (float)(margins[3] * 25.4 * 0.001);
    }
    return TCL_OK;
}

int printerSetup(PrinterState *state, Tcl_Interp *interp, const char *window)
{
    int errorCode = 0;
    std::unique_ptr<PrintDevice> device =
        printerPrintDlg(state, interp, ownerPath(interp, window), PD_PRINTSETUP, false, &errorCode);
    return device || errorCode == 0 ? TCL_OK : TCL_ERROR;
}

int tileSize(Tcl_Interp *interp, int argc, const char **argv, int *size, const char *invalid)
{
    if (argc < 3) {
        Tcl_SetObjResult(interp, Tcl_NewIntObj(*size));
        return TCL_OK;
    }
    int value = ovexLenientInt(argv[2]);
    if (value < 128) {
        Tcl_SetResult(interp, (char *)invalid, TCL_STATIC);
        return TCL_ERROR;
    }
    *size = value;
    return TCL_OK;
}

int printerCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    PrinterState *state = (PrinterState *)clientData;
    const char *word = argc >= 2 ? argv[1] : "";
    if (ovexMatchWord(word, "enum", 3)) {
        return printerEnum(interp, argc, argv);
    }
    if (ovexMatchWord(word, "canvas", 4)) {
        return printerCanvas(state, interp, argc, argv);
    }
    if (ovexMatchWord(word, "capability", 4)) {
        return printerCapability(state, interp, argc, argv);
    }
    if (ovexMatchWord(word, "interactive", 5)) {
        if (argc == 2) {
            Tcl_SetObjResult(interp, Tcl_NewIntObj(state->interactive));
            return TCL_OK;
        }
        if (argc > 3) {
            Tcl_AppendResult(interp, "Usage: ", argv[0], " interactive [option]", (char *)NULL);
            return TCL_ERROR;
        }
        state->interactive = ovexLenientInt(argv[2]);
        return TCL_OK;
    }
    bool pageSetup = ovexMatchWord(word, "pagesetup", 4);
    if (pageSetup || ovexMatchWord(word, "setup", 5)) {
        if (argc > 3) {
            Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], " window", (char *)NULL);
            return TCL_ERROR;
        }
        const char *window = argc == 3 ? argv[2] : NULL;
        return pageSetup ? printerPageSetup(state, interp, window)
                         : printerSetup(state, interp, window);
    }
    if (ovexMatchWord(word, "tilewidth", 5)) {
        return tileSize(interp, argc, argv, &tileWidth, "Invalid tile width.");
    }
    if (ovexMatchWord(word, "tileheight", 5)) {
        return tileSize(interp, argc, argv, &tileHeight, "Invalid tile height.");
    }
    Tcl_AppendResult(interp, "Usage: ", argv[0],
                     " enum capability canvas interactive pagesetup setup tilewidth tileheight",
                     (char *)NULL);
    return TCL_ERROR;
}

void gmetafileDelete(ClientData) {}

}  // namespace

/*
 *----------------------------------------------------------------------
 *
 * Printer_Init --
 *
 *	Provides package "TK_PRINTER" 1.0 and creates printer (with its
 *	state) and gmetafile.
 *
 * Results:
 *	The outcome of providing the package when it failed; TCL_ERROR when
 *	a command cannot be created; else TCL_OK.
 *
 *----------------------------------------------------------------------
 */
int Printer_Init(Tcl_Interp *interp)
{
    int code = Tcl_PkgProvide(interp, "TK_PRINTER", "1.0");
    if (code != TCL_OK) {
        return code;
    }
    PrinterState *state = new PrinterState;
    state->interp = interp;
    if (Tcl_CreateCommand(interp, "printer", printerCmd, state, printerDeleteProc) == NULL) {
        delete state;
        return TCL_ERROR;
    }
    if (Tcl_CreateCommand(interp, "gmetafile", gmetafileCmd, NULL, gmetafileDelete) == NULL) {
        return TCL_ERROR;
    }
    if (!exitHandlerSet) {
        Tcl_CreateExitHandler(printerExitHandler, NULL);
        exitHandlerSet = true;
    }
    return TCL_OK;
}
