/*
 * rimage_capture.cpp --
 *
 *	rimage canvas, clipboard, window and draw: canvas renderings, the
 *	clipboard's bitmap and screen areas captured into memory images (or
 *	put on the clipboard), window geometry, and lines and polygons drawn
 *	into one band of an image.
 */
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "frontend/rimage/rimage_capture.h"
#include "frontend/rimage/rimage_maintenance.h"
#include "canvas/canvas_render.h"
#include "ramimage/ram_draw.h"
#include "ramimage/ramimg.h"
#include "display/windraw/window_geometry.h"
#include "display/roi_polygon.h"
#include "display/windraw/capture.h"
#include "display/windraw/clipboard.h"
#include "display/windraw/x_error_trap.h"
#include "core/package.h"
#include "core/rounding.h"

/* The TAG that puts a capture on the clipboard instead of into an image. */
static const char CLIPBOARD_TAG[] = "clipboard";

static void setResult(Tcl_Interp *interp, const char *text)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
}

/* The main window, or NULL with a message when Tk is not loaded. */
static Tk_Window requireTk(Tcl_Interp *interp, const char **argv)
{
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, argv[0], " ", argv[1], ": Tk is not loaded", (char *)NULL);
    }
    return main;
}

/*
 * parseDecimal --
 *	A whole word read as a decimal int (blanks around allowed). Returns
 *	1, or 0 for anything else.
 */
static int parseDecimal(const char *word, int *value)
{
    char *end = NULL;
    errno = 0;
    long n = strtol(word, &end, 10);
    if (end == word || errno != 0 || n < INT32_MIN || n > INT32_MAX) {
        return 0;
    }
    while (*end == ' ' || *end == '\t') {
        end++;
    }
    if (*end != '\0') {
        return 0;
    }
    *value = (int)n;
    return 1;
}

/*
 * parseRegion --
 *	Four integers "x0 y0 width height" at the head of text (as "%d %d
 *	%d %d" reads them). Returns 1 when all four were read.
 */
static int parseRegion(const char *text, int values[4])
{
    const char *p = text;
    for (int i = 0; i < 4; i++) {
        char *end = NULL;
        errno = 0;
        long n = strtol(p, &end, 10);
        if (end == p || errno != 0 || n < INT32_MIN || n > INT32_MAX) {
            return 0;
        }
        values[i] = (int)n;
        p = end;
    }
    return 1;
}

static void freePixmap(Display *display, Pixmap pixmap)
{
    if (pixmap == None) {
        return;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Tk_FreePixmap(display, pixmap);
    xErrorTrapEnd(&trap);
}

/*
 * holdCapture --
 *	Settles the references of a capture: an image that existed gives
 *	back the capture's reference after its clients heard of the change
 *	(mask); a new one is held like an image that rimage open made. The
 *	result is the tag.
 */
static int holdCapture(Tcl_Interp *interp, RAMIMG *image, int existed, int mask)
{
    setResult(interp, image->tag);
    if (existed) {
        updateClient(image, 0, mask);
        closeRAMImage(image, NULL);
    } else {
        image->openCount++;
        image->refCount--;
    }
    return TCL_OK;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageCanvas --
 *
 *	rimage canvas CANVAS TAG ?x0 y0 width height? ?coordType?: renders
 *	the canvas region (default: the whole window) and captures it into
 *	the memory image TAG, or puts it on the clipboard for TAG
 *	"clipboard".
 *
 * Results:
 *	TCL_OK with the tag (empty for the clipboard), or TCL_ERROR.
 *
 *----------------------------------------------------------------------
 */
int rimageCanvas(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4 && argc != 8 && argc != 9) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, argv[0], " ", argv[1],
                         " canvasId rimgTag [x0 y0 width height] [coordType].\n", (char *)NULL);
        return TCL_ERROR;
    }
    Tk_Window main = requireTk(interp, argv);
    if (main == NULL) {
        return TCL_ERROR;
    }
    CanvasInfo info;
    if (getCanvasInfo(interp, argv[2], &info) != TCL_OK) {
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    const char *tag = argv[3];
    int x0 = 0, y0 = 0, width = info.width, height = info.height, coordType = 0;
    if (argc == 9) {
        coordType = ovexLenientInt(argv[8]);
    }
    /* A gcanvas's canvas coordinates are world units: the region they name
     * is taken at the canvas's resolution. */
    bool world = argc >= 8 && info.kind == CANVAS_KIND_GCANVAS && coordType != 0;
    double corner[2] = {0, 0}, extent[2] = {0, 0};
    if (argc >= 8) {
        x0 = ovexLenientInt(argv[4]);
        y0 = ovexLenientInt(argv[5]);
        width = ovexLenientInt(argv[6]);
        height = ovexLenientInt(argv[7]);
        corner[0] = world ? ovexLenientDouble(argv[4]) : x0;
        corner[1] = world ? ovexLenientDouble(argv[5]) : y0;
        extent[0] = world ? ovexLenientDouble(argv[6]) : width;
        extent[1] = world ? ovexLenientDouble(argv[7]) : height;
    }
    double region[4];
    if (world) {
        canvasRegionToPixels(&info, coordType, corner[0], corner[1], corner[0] + extent[0],
                             corner[1] + extent[1], region);
        width = roundToInt(region[2] - region[0]);
        height = roundToInt(region[3] - region[1]);
    }
    if (!(extent[0] >= 0) || !(extent[1] >= 0) || width < 1 || height < 1) {
        Tcl_SetResult(interp, fmt("Error in create pixmap: width %d height %d\n", width, height),
                      TCL_VOLATILE);
        return TCL_ERROR;
    }
    if (argc >= 8) {
        if (!world) {
            canvasRegionToPixels(&info, coordType, x0, y0, (double)x0 + width,
                                 (double)y0 + height, region);
        }
        if (!canvasRegionDrawable(&info, region)) {
            Tcl_SetResult(interp, (char *)CANVAS_REGION_OUTSIDE, TCL_STATIC);
            return TCL_ERROR;
        }
    }

    /* One pixel more on each side before the region: its corner is the
     * pixmap's pixel (1, 1). */
    Pixmap pixmap = world ? drawCanvasToPixmap(interp, None, &info, region[0] - 1, region[1] - 1,
                                               width + 1, height + 1, 1)
                          : drawCanvasToPixmap(interp, None, &info, (double)x0 - 1,
                                               (double)y0 - 1, width + 1, height + 1, coordType);
    if (pixmap == None) {
        return TCL_ERROR;
    }
    Display *display = Tk_Display(main);
    if (strcmp(tag, CLIPBOARD_TAG) == 0) {
        copyToClipboard(display, pixmap, 1, 1, width, height);
        freePixmap(display, pixmap);
        return TCL_OK;
    }
    int existed = getRAMImageByTag(tag) != NULL;
    RAMIMG *image = rimgWindow(tag, display, pixmap, Tk_Colormap(main), 1, 1, width, height);
    freePixmap(display, pixmap);
    if (image == NULL) {
        setResult(interp, "Error in rimgDrawable...\n");
        return TCL_ERROR;
    }
    return holdCapture(interp, image, existed, RAMIMG_NOTIFY_CONFIG);
}

/* rimage clipboard palette: the clipboard's (or the system's) palette on
 * standard error. */
static void printClipboardPalette(Tk_Window main)
{
    OvexPalette *palette = clipboardPalette(main);
    if (palette == NULL) {
        palette = systemPalette();
    }
    if (palette == NULL) {
        return;
    }
    for (int i = 0; i < palette->count; i++) {
        ovex_fprintf(stderr, "i: %d r: %d g: %d b: %d\n", i, palette->entries[i][0],
                     palette->entries[i][1], palette->entries[i][2]);
    }
    ovexPaletteFree(palette);
}

/*
 *----------------------------------------------------------------------
 *
 * rimageClipboard --
 *
 *	rimage clipboard ? | ~ | palette | TAG ?x y width height?: the
 *	clipboard bitmap's size, emptying the clipboard, its palette, or a
 *	rectangle of the bitmap captured into the memory image TAG (TAG
 *	"clipboard": the clipboard cropped to the rectangle).
 *
 * Results:
 *	TCL_OK with the size or the tag (or empty), else TCL_ERROR.
 *
 *----------------------------------------------------------------------
 */
int rimageClipboard(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) {
        setRimageUsage(interp, argv, " rimgTag [x y width height]");
        return TCL_OK;
    }
    Tk_Window main = requireTk(interp, argv);
    if (main == NULL) {
        return TCL_ERROR;
    }
    Display *display = Tk_Display(main);
    const char *tag = argv[2];
    int bitmapWidth = 0, bitmapHeight = 0;
    int hasBitmap = clipboardBitmapSize(main, &bitmapWidth, &bitmapHeight);

    Tcl_ResetResult(interp);
    if (strcmp(tag, "?") == 0) {
        if (hasBitmap) {
            Tcl_SetResult(interp, fmt("%d %d", bitmapWidth, bitmapHeight), TCL_VOLATILE);
        }
        return TCL_OK;
    }
    if (strcmp(tag, "~") == 0) {
        if (hasBitmap) {
            copyToClipboard(display, None, 0, 0, 0, 0);
        }
        return TCL_OK;
    }
    if (strcmp(tag, "palette") == 0) {
        printClipboardPalette(main);
        return TCL_OK;
    }
    if (argc > 7) {
        setRimageUsage(interp, argv, " rimgTag [x y width height]");
        return TCL_ERROR;
    }
    if (!hasBitmap) {
        setResult(interp, "Failed to get image from clipboard.\n");
        return TCL_ERROR;
    }
    int rect[4] = {0, 0, bitmapWidth, bitmapHeight};
    for (int i = 0; i < 4 && 3 + i < argc; i++) {
        if (!parseDecimal(argv[3 + i], &rect[i])) {
            rect[2] = 0;    /* refused below */
        }
    }
    int x = rect[0], y = rect[1], width = rect[2], height = rect[3];
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || (int64_t)x + width > bitmapWidth
            || (int64_t)y + height > bitmapHeight) {
        setResult(interp, "Invalid bitmap range");
        return TCL_ERROR;
    }

    int pixmapWidth = 0, pixmapHeight = 0;
    Pixmap pixmap = clipboardToPixmap(main, &pixmapWidth, &pixmapHeight);
    if (pixmap == None) {
        ovex_fprintf(stderr, "Error in copyClipboard\n");
        return TCL_ERROR;
    }
    OvexColormapRecord *colors = clipboardColormap();

    if (strcmp(tag, CLIPBOARD_TAG) == 0) {
        Pixmap cut = drawableToPixmap(display, pixmap, None, x, y, width, height);
        freePixmap(display, pixmap);
        ovexFreeColormapRecord(colors);
        if (cut == None) {
            ovex_fprintf(stderr, "error in get pixmap.\n");
            return TCL_ERROR;
        }
        copyToClipboard(display, cut, 0, 0, width, height);
        freePixmap(display, cut);
        return TCL_OK;
    }

    int existed = getRAMImageByTag(tag) != NULL;
    RAMIMG *image = colors != NULL
                        ? rimgWindowWithRecord(tag, display, pixmap, colors, x, y, width, height)
                        : NULL;
    freePixmap(display, pixmap);
    ovexFreeColormapRecord(colors);
    if (image == NULL) {
        setResult(interp, "Error in rimgDrawable...\n");
        return TCL_ERROR;
    }
    return holdCapture(interp, image, existed, RAMIMG_NOTIFY_CONFIG | RAMIMG_NOTIFY_DATA);
}

/*
 * parseGeometryOptions --
 *	"frame", "rect" and "clip" separated by blanks, commas or "|" into
 *	windowGeometry flags. Returns 1, or 0 for another word.
 */
static int parseGeometryOptions(const char *text, int *flags)
{
    *flags = 0;
    const char *p = text;
    while (*p != '\0') {
        size_t skip = strspn(p, " \t\n,|");
        p += skip;
        size_t length = strcspn(p, " \t\n,|");
        if (length == 0) {
            break;
        }
        if (length == 5 && strncmp(p, "frame", 5) == 0) {
            *flags |= WINDOW_GEOMETRY_FRAME;
        } else if (length == 4 && strncmp(p, "rect", 4) == 0) {
            *flags |= WINDOW_GEOMETRY_RECT;
        } else if (length == 4 && strncmp(p, "clip", 4) == 0) {
            *flags |= WINDOW_GEOMETRY_CLIP;
        } else {
            return 0;
        }
        p += length;
    }
    return 1;
}

/* The window named by path, or NULL; the result is left as it was. */
static Tk_Window existingWindow(Tcl_Interp *interp, Tk_Window main, const char *path)
{
    if (path[0] != '.') {
        return NULL;
    }
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    Tk_Window tkwin = Tk_NameToWindow(interp, path, main);
    Tcl_RestoreInterpState(interp, saved);
    return tkwin;
}

/* rimage window PATH ?OPTIONS?: the window's geometry. */
static int answerWindowGeometry(Tcl_Interp *interp, int argc, const char **argv)
{
    int flags = WINDOW_GEOMETRY_RECT;
    if (argc == 4 && !parseGeometryOptions(argv[3], &flags)) {
        Tcl_ResetResult(interp);
        ovexAddErrorInfo(interp, "Invalide option.\n");
        return TCL_ERROR;
    }
    int x, y, width, height;
    if (windowGeometry(interp, argv[2], &x, &y, &width, &height, flags) != 0) {
        return TCL_ERROR;
    }
    Tcl_SetResult(interp, fmt("%d %d %d %d", x, y, width, height), TCL_VOLATILE);
    return TCL_OK;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageWindow --
 *
 *	rimage window PATH ?OPTIONS?: the geometry of an existing window.
 *	rimage window TAG ?REGION?: captures a screen region (default: the
 *	whole virtual root; REGION a window path or "x0 y0 width height")
 *	into the memory image TAG, or onto the clipboard for TAG
 *	"clipboard".
 *
 * Results:
 *	TCL_OK with the geometry or the tag (empty for the clipboard), or
 *	TCL_ERROR.
 *
 *----------------------------------------------------------------------
 */
int rimageWindow(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3 && argc != 4) {
        setRimageUsage(interp, argv, " imgID [x0 y0 width height]");
        return TCL_ERROR;
    }
    Tk_Window main = requireTk(interp, argv);
    if (main == NULL) {
        return TCL_ERROR;
    }
    const char *tag = argv[2];
    if (existingWindow(interp, main, tag) != NULL) {
        return answerWindowGeometry(interp, argc, argv);
    }
    Tcl_ResetResult(interp);
    RAMIMG *existing = getRAMImageByTag(tag);
    if (existing != NULL && existing->fd != -1) {
        setResult(interp, "rimage must be memory resident");
        return TCL_ERROR;
    }
    if (existing != NULL && (existing->flags & RAMIMG_LOCKED)) {
        setResult(interp, "can't update a system rimage");
        return TCL_ERROR;
    }

    int rootX, rootY, rootWidth, rootHeight;
    Tk_GetVRootGeometry(main, &rootX, &rootY, &rootWidth, &rootHeight);
    int region[4] = {0, 0, rootWidth, rootHeight};
    if (argc == 4) {
        if (existingWindow(interp, main, argv[3]) != NULL) {
            if (windowGeometry(interp, argv[3], &region[0], &region[1], &region[2], &region[3],
                               WINDOW_GEOMETRY_FRAME | WINDOW_GEOMETRY_RECT
                                   | WINDOW_GEOMETRY_CLIP) != 0) {
                return TCL_ERROR;
            }
        } else if (!parseRegion(argv[3], region)) {
            setResult(interp, "Invalid region.");
            return TCL_ERROR;
        }
    }
    int x = region[0], y = region[1], width = region[2], height = region[3];
    if (x < 0 || y < 0 || width < 1 || height < 1 || (int64_t)x + width > rootWidth
            || (int64_t)y + height > rootHeight) {
        setResult(interp, "Window is out of limits.\n");
        return TCL_ERROR;
    }

    Display *display = Tk_Display(main);
    Window root = DefaultRootWindow(display);
    if (strcmp(tag, CLIPBOARD_TAG) == 0) {
        Pixmap pixmap = drawableToPixmap(display, root, Tk_Colormap(main), x, y, width, height);
        if (pixmap == None) {
            ovexAddErrorInfo(interp, "error in get pixmap.\n");
            return TCL_ERROR;
        }
        copyToClipboard(display, pixmap, 0, 0, width, height);
        freePixmap(display, pixmap);
        return TCL_OK;
    }
    RAMIMG *image = rimgWindow(tag, display, root, Tk_Colormap(main), x, y, width, height);
    if (image == NULL) {
        ovexAddErrorInfo(interp, "Error in rimgDrawable...\n");
        return TCL_ERROR;
    }
    return holdCapture(interp, image, existing != NULL,
                       RAMIMG_NOTIFY_CONFIG | RAMIMG_NOTIFY_DATA);
}

/*
 *----------------------------------------------------------------------
 *
 * rimageDraw --
 *
 *	rimage draw NAME line|polygon COORDS ?value? ?band?: draws a line
 *	through the points, or fills the polygon, with value (0 .. 255,
 *	default 0) in band (from 1, default 1).
 *
 * Results:
 *	TCL_OK with an empty result (also for the usage text), or
 *	TCL_ERROR with the message.
 *
 * Side effects:
 *	The drawn rows stay in the image's cache; clients are not told.
 *
 *----------------------------------------------------------------------
 */
int rimageDraw(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 5 || argc > 7) {
        Tcl_SetResult(interp,
                      fmt("Usage: %s %s imgID graphID coordList ?value? ?band?\n", argv[0], argv[1]),
                      TCL_VOLATILE);
        return TCL_OK;
    }
    int err = RAMIMG_OK;
    RAMIMG *image = openRAMImage(argv[2], argv[2], NULL, NULL, &err);
    if (image == NULL) {
        Tcl_SetResult(interp, fmt("Error in open: %s\n", argv[2]), TCL_VOLATILE);
        return TCL_ERROR;
    }
    int isLine = strcmp(argv[3], "line") == 0;
    int value = 0, band = 1;
    const char *message = NULL;
    if (!isLine && strcmp(argv[3], "polygon") != 0) {
        message = "Unknown graphic id\n";
    } else if (argc >= 6 && (!parseDecimal(argv[5], &value) || value < 0 || value > 255)) {
        message = fmt("Invalid color value: %s\n", argv[5]);
    } else if (argc == 7 && (!parseDecimal(argv[6], &band) || band < 1
                             || band > image->head.nbands)) {
        message = "Invalid band number.\n";
    }
    if (message != NULL) {
        Tcl_SetResult(interp, (char *)message, TCL_VOLATILE);
        closeRAMImage(image, NULL);
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    PointList *points = parseRoiPolygon(interp, isLine ? 4 : 6, argv[4]);
    if (points == NULL) {
        closeRAMImage(image, NULL);
        return TCL_ERROR;
    }
    if (isLine) {
        ramImageDrawPolyline(image, band - 1, value, points);
    } else {
        ramImageFillPolygon(image, band - 1, value, points);
    }
    polyFree(points);
    closeRAMImage(image, NULL);
    return TCL_OK;
}
