/*
 * ddw_command.cpp --
 *
 *	The ddw command, its widget command and options, window events and
 *	the end of a widget.
 */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "core/inits.h"
#include "core/package.h"
#include "ramimage/ramimg.h"
#include "widgets/ddw/ddw_widget.h"

static Tk_ConfigSpec ddwConfigSpecs[] = {
    {TK_CONFIG_UID, (char *)"-image", NULL, NULL, (char *)"", offsetof(DdwWidget, imageName), 0,
     NULL},
    {TK_CONFIG_UID, (char *)"-video", NULL, NULL, (char *)"", offsetof(DdwWidget, video), 0, NULL},
    {TK_CONFIG_UID, (char *)"-vvar", NULL, NULL, (char *)"", offsetof(DdwWidget, vvar), 0, NULL},
    {TK_CONFIG_UID, (char *)"-vstop", NULL, NULL, (char *)"", offsetof(DdwWidget, vstop), 0, NULL},
    {TK_CONFIG_UID, (char *)"-teststr", NULL, NULL, (char *)"", offsetof(DdwWidget, teststr), 0,
     NULL},
    {TK_CONFIG_UID, (char *)"-background", NULL, NULL, (char *)"#000000",
     offsetof(DdwWidget, background), 0, NULL},
    {TK_CONFIG_UID, (char *)"-foreground", NULL, NULL, (char *)"#ffffff",
     offsetof(DdwWidget, foreground), 0, NULL},
    {TK_CONFIG_INT, (char *)"-width", NULL, NULL, (char *)"128", offsetof(DdwWidget, width), 0,
     NULL},
    {TK_CONFIG_INT, (char *)"-height", NULL, NULL, (char *)"128", offsetof(DdwWidget, height), 0,
     NULL},
    {TK_CONFIG_DOUBLE, (char *)"-std", NULL, NULL, (char *)"2.5", offsetof(DdwWidget, std), 0,
     NULL},
    {TK_CONFIG_CUSTOM, (char *)"-comb", NULL, NULL, (char *)"1", offsetof(DdwWidget, comb), 0,
     &combOption},
    {TK_CONFIG_DOUBLE, (char *)"-low0", NULL, NULL, (char *)"0.0", offsetof(DdwWidget, low[0]), 0,
     NULL},
    {TK_CONFIG_DOUBLE, (char *)"-low1", NULL, NULL, (char *)"0.0", offsetof(DdwWidget, low[1]), 0,
     NULL},
    {TK_CONFIG_DOUBLE, (char *)"-low2", NULL, NULL, (char *)"0.0", offsetof(DdwWidget, low[2]), 0,
     NULL},
    {TK_CONFIG_DOUBLE, (char *)"-high0", NULL, NULL, (char *)"255.0", offsetof(DdwWidget, high[0]),
     0, NULL},
    {TK_CONFIG_DOUBLE, (char *)"-high1", NULL, NULL, (char *)"255.0", offsetof(DdwWidget, high[1]),
     0, NULL},
    {TK_CONFIG_DOUBLE, (char *)"-high2", NULL, NULL, (char *)"255.0", offsetof(DdwWidget, high[2]),
     0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

static void ddwIdleRedraw(ClientData clientData);

static void scheduleRedraw(DdwWidget *w)
{
    if (!w->redrawPending && w->tkwin != NULL) {
        w->redrawPending = 1;
        Tcl_DoWhenIdle(ddwIdleRedraw, (ClientData)w);
    }
}

static void ddwIdleRedraw(ClientData clientData)
{
    DdwWidget *w = (DdwWidget *)clientData;
    w->redrawPending = 0;
    if (w->tkwin != NULL && Tk_IsMapped(w->tkwin)) {
        Tcl_Interp *interp = w->interp;
        Tcl_SavedResult saved;
        Tcl_SaveResult(interp, &saved);
        (void)ddwBlt(w);
        Tcl_RestoreResult(interp, &saved);
    }
}

/* The RAM image's notifications. */
static void ddwImageChanged(void *clientData)
{
    DdwWidget *w = (DdwWidget *)clientData;
    if (w->display == NULL || w->image == NULL) {
        return;
    }
    ddwRenderImage(w, 0);
    /* A new size of the image needs a new back surface. */
    (void)ddwCreateBackSurface(w);
}

static void ddwImageDataChanged(void *clientData)
{
    DdwWidget *w = (DdwWidget *)clientData;
    if (w->display != NULL) {
        (void)ddwRender(w);
    }
}

/* Sets up the primary surface and the back surface once. */
static int ddwInitDirectDraw(Tcl_Interp *interp, DdwWidget *w)
{
    if (w->primaryReady) {
        return TCL_OK;
    }
    w->windowId = Tk_WindowId(w->tkwin);
    if (!ddPrimaryInit(&w->primary, w->tkwin)) {
        ddPrimaryFree(&w->primary);
        Tcl_SetResult(interp, (char *)"Error in creating primary surface", TCL_STATIC);
        return TCL_ERROR;
    }
    w->primaryReady = 1;
    return ddwCreateBackSurface(w);
}

/* Allocates a colour option's colour; NULL with the message set. */
static XColor *allocColor(Tcl_Interp *interp, DdwWidget *w, Tk_Uid name, const char *message)
{
    XColor *color = Tk_GetColor(interp, w->tkwin, name);
    if (color == NULL) {
        Tcl_SetResult(interp, (char *)message, TCL_STATIC);
    }
    return color;
}

static int ddwConfigure(Tcl_Interp *interp, DdwWidget *w, int argc, const char **argv, int flags)
{
    Tk_Uid oldBackground = w->background;
    Tk_Uid oldForeground = w->foreground;
    Tk_Uid oldImage = w->imageName;
    Tk_Uid oldVideo = w->video;

    if (Tk_ConfigureWidget(interp, w->tkwin, ddwConfigSpecs, argc, argv, (char *)w, flags)
        != TCL_OK) {
        return TCL_ERROR;
    }
    int colourChanged = 0;
    if (w->background != oldBackground || w->foreground != oldForeground
        || w->backgroundColor == NULL) {
        XColor *background = w->backgroundColor;
        XColor *foreground = w->foregroundColor;
        if (w->background != oldBackground || background == NULL) {
            background = allocColor(interp, w, w->background, "Error in allocate bg color");
            if (background == NULL) {
                return TCL_ERROR;
            }
        }
        if (w->foreground != oldForeground || foreground == NULL) {
            foreground = allocColor(interp, w, w->foreground, "Error in allocate fg color");
            if (foreground == NULL) {
                if (background != w->backgroundColor) {
                    Tk_FreeColor(background);
                }
                return TCL_ERROR;
            }
        }
        if (background != w->backgroundColor) {
            if (w->backgroundColor != NULL) {
                Tk_FreeColor(w->backgroundColor);
            }
            w->backgroundColor = background;
        }
        if (foreground != w->foregroundColor) {
            if (w->foregroundColor != NULL) {
                Tk_FreeColor(w->foregroundColor);
            }
            w->foregroundColor = foreground;
        }
        colourChanged = 1;
    }
    XGCValues values;
    values.graphics_exposures = False;
    values.foreground = w->foregroundColor->pixel;
    values.background = w->backgroundColor->pixel;
    GC gc = Tk_GetGC(w->tkwin, GCGraphicsExposures | GCForeground | GCBackground, &values);
    if (w->gc != NULL) {
        Tk_FreeGC(w->display, w->gc);
    }
    w->gc = gc;

    Tk_GeometryRequest(w->tkwin, w->width, w->height);
    Tk_MakeWindowExist(w->tkwin);
    if (colourChanged) {
        scheduleRedraw(w);
    }
    if (ddwInitDirectDraw(interp, w) != TCL_OK) {
        return TCL_ERROR;
    }
    if (w->video != oldVideo && strcmp(w->video, oldVideo != NULL ? oldVideo : "") != 0) {
        if (ddwOpenVideo(w, w->video) != TCL_OK) {
            ovexAddErrorInfo(interp, "Error in open video stream");
            w->video = oldVideo;
            return TCL_ERROR;
        }
    }
    int newImage = 0;
    if (w->imageName != oldImage) {
        RAMIMG *image = NULL;
        if (w->imageName[0] != '\0') {
            int err = 0;
            image = openRAMImage(w->imageName, w->imageName, NULL, &w->client, &err);
            if (image == NULL) {
                ovexAddErrorInfo(interp, "Error in open rimage");
                w->imageName = oldImage;
                return TCL_ERROR;
            }
        }
        if (w->image != NULL) {
            closeRAMImage(w->image, &w->client);
        }
        w->image = image;
        newImage = 1;
    }
    ddwRenderImage(w, 0);
    return newImage ? ddwCreateBackSurface(w) : ddwRender(w);
}

/* getpal: the 256 entries the screen offers. */
static int ddwGetPalette(Tcl_Interp *interp, DdwWidget *w)
{
    unsigned char rgb[256][3];
    Visual *visual = Tk_Visual(w->tkwin);
    if (visual->c_class == PseudoColor || visual->c_class == GrayScale
        || visual->c_class == StaticColor || visual->c_class == StaticGray) {
        XColor cells[256];
        int n = visual->map_entries < 256 ? visual->map_entries : 256;
        for (int i = 0; i < 256; i++) {
            cells[i].pixel = (unsigned long)(i < n ? i : 0);
        }
        Colormap colormap = DefaultColormap(w->display, Tk_ScreenNumber(w->tkwin));
        XQueryColors(w->display, colormap, cells, 256);
        for (int i = 0; i < 256; i++) {
            rgb[i][0] = (unsigned char)(cells[i].red >> 8);
            rgb[i][1] = (unsigned char)(cells[i].green >> 8);
            rgb[i][2] = (unsigned char)(cells[i].blue >> 8);
        }
    } else {
        for (int r = 0; r < 8; r++) {
            for (int g = 0; g < 8; g++) {
                for (int b = 0; b < 4; b++) {
                    unsigned char *e = rgb[r * 32 + g * 4 + b];
                    e[0] = (unsigned char)(r * 255 / 7.0 + 0.5);
                    e[1] = (unsigned char)(g * 255 / 7.0 + 0.5);
                    e[2] = (unsigned char)(b * 255 / 3.0 + 0.5);
                }
            }
        }
    }
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    for (int i = 0; i < 256; i++) {
        char entry[64];
        snprintf(entry, sizeof(entry), "%d %d %d %d", i, rgb[i][0], rgb[i][1], rgb[i][2]);
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewStringObj(entry, -1));
    }
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

static int ddwSurfaceInfo(Tcl_Interp *interp, DdwWidget *w)
{
    if (!w->backReady) {
        ovexAddErrorInfo(interp, "No back surface");
        return TCL_ERROR;
    }
    DdDescription d;
    if (!ddDescribe(&w->back, &d)) {
        ovexAddErrorInfo(interp, "Error in GetSurfaceDesc");
        return TCL_ERROR;
    }
    char text[160];
    snprintf(text, sizeof(text), "%d %d %d %d %d %d 0x%04lx 0x%04lx 0x%04lx", d.width, d.height,
             d.pitch, 0, 0, d.bitsPerPixel, d.redMask, d.greenMask, d.blueMask);
    Tcl_SetResult(interp, text, TCL_VOLATILE);
    return TCL_OK;
}

static int ddwWidgetCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    DdwWidget *w = (DdwWidget *)clientData;
    if (argc < 2) {
        Tcl_AppendResult(interp, "wrong # args: should be \"", argv[0], " option ?arg arg ...?\"",
                         NULL);
        return TCL_ERROR;
    }
    const char *word = argv[1];
    int code = TCL_OK;
    Tcl_Preserve((ClientData)w);
    if (word[0] == 'c' && ovexMatchWord(word, "cget", 2)) {
        if (argc != 3) {
            Tcl_AppendResult(interp, "wrong # args: should be \"", argv[0], " cget option\"", NULL);
            code = TCL_ERROR;
        } else {
            code = Tk_ConfigureValue(interp, w->tkwin, ddwConfigSpecs, (char *)w, argv[2], 0);
        }
    } else if (word[0] == 'c' && ovexMatchWord(word, "configure", 3)) {
        if (argc == 2) {
            code = Tk_ConfigureInfo(interp, w->tkwin, ddwConfigSpecs, (char *)w, NULL, 0);
        } else if (argc == 3) {
            code = Tk_ConfigureInfo(interp, w->tkwin, ddwConfigSpecs, (char *)w, argv[2], 0);
        } else {
            code = ddwConfigure(interp, w, argc - 2, argv + 2, TK_CONFIG_ARGV_ONLY);
        }
    } else if (word[0] == 'd' && ovexMatchWord(word, "ddsd", 1)) {
        code = ddwSurfaceInfo(interp, w);
    } else if (word[0] == 'd' && ovexMatchWord(word, "ddarea", 1)) {
        code = ddwTestArea(w);
    } else if (word[0] == 'd' && ovexMatchWord(word, "ddline", 1)) {
        code = ddwTestLine(w);
    } else if (word[0] == 'd' && ovexMatchWord(word, "dshow", 1)) {
        code = ddwShowCmd(w, interp, argc, argv);
    } else if (word[0] == 'g' && ovexMatchWord(word, "getpal", 1)) {
        code = ddwGetPalette(interp, w);
    } else if (word[0] == 's' && ovexMatchWord(word, "setpal", 1)) {
        code = TCL_OK;
    } else if (word[0] == 'v') {
        code = ovexMatchWord(word, "video", 1) ? ddwVideoCmd(w, interp, argc, argv) : TCL_ERROR;
    } else if (word[0] == 'u' && ovexMatchWord(word, "update", 1)) {
        ddwRenderImage(w, 1);
        code = ddwRender(w);
    } else {
        Tcl_SetResult(interp, (char *)"unknown command", TCL_STATIC);
        code = TCL_ERROR;
    }
    Tcl_Release((ClientData)w);
    return code;
}

static void ddwCmdDeleted(ClientData clientData)
{
    (void)clientData;
}

static void ddwDestroy(char *memory)
{
    DdwWidget *w = (DdwWidget *)memory;
    Display *display = w->display;
    Tk_FreeOptions(ddwConfigSpecs, (char *)w, display, 0);
    if (w->primaryReady) {
        ddFreeSurface(&w->primary, &w->back);
        ddPrimaryFree(&w->primary);
    }
    ddwFreePaletteColors(w);
    if (w->textPixelAllocated) {
        XFreeColors(display, w->colormap, &w->textPixel, 1, 0);
    }
    if (w->backgroundColor != NULL) {
        Tk_FreeColor(w->backgroundColor);
    }
    if (w->foregroundColor != NULL) {
        Tk_FreeColor(w->foregroundColor);
    }
    if (w->gc != NULL) {
        Tk_FreeGC(display, w->gc);
    }
    if (w->image != NULL) {
        closeRAMImage(w->image, &w->client);
        w->image = NULL;
    }
    w->display = NULL;
    ckfree(memory);
}

static void ddwEventProc(ClientData clientData, XEvent *event)
{
    DdwWidget *w = (DdwWidget *)clientData;
    switch (event->type) {
    case Expose:
        scheduleRedraw(w);
        break;
    case ConfigureNotify:
        w->width = Tk_Width(w->tkwin);
        w->height = Tk_Height(w->tkwin);
        if (w->primaryReady) {
            w->primary.width = w->width;
            w->primary.height = w->height;
            Tcl_SavedResult saved;
            Tcl_SaveResult(w->interp, &saved);
            if (ddwCreateBackSurface(w) != TCL_OK) {
                ovexPanicMessage("Error in ddConfig");
            }
            Tcl_RestoreResult(w->interp, &saved);
        }
        scheduleRedraw(w);
        break;
    case DestroyNotify:
        if (w->tkwin == NULL) {
            break;
        }
        w->tkwin = NULL;
        Tcl_DeleteCommandFromToken(w->interp, w->widgetCmd);
        if (w->redrawPending) {
            Tcl_CancelIdleCall(ddwIdleRedraw, (ClientData)w);
            w->redrawPending = 0;
        }
        ddwCloseVideo(w, 1);
        Tcl_EventuallyFree((ClientData)w, ddwDestroy);
        break;
    default:
        break;
    }
}

static int ddwCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    (void)clientData;
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        Tcl_SetResult(interp, (char *)"ddw: Tk is not loaded", TCL_STATIC);
        return TCL_ERROR;
    }
    if (argc < 2) {
        Tcl_AppendResult(interp, "wrong # args: should be \"", argv[0], " pathName ?options?\"",
                         NULL);
        return TCL_ERROR;
    }
    Tk_Window tkwin = Tk_CreateWindowFromPath(interp, main, argv[1], NULL);
    if (tkwin == NULL) {
        return TCL_ERROR;
    }
    Tk_SetClass(tkwin, "DDW");
    DdwWidget *w = (DdwWidget *)ckalloc(sizeof(DdwWidget));
    memset((void *)w, 0, sizeof(DdwWidget));
    w->interp = interp;
    w->tkwin = tkwin;
    w->display = Tk_Display(main);
    w->colormap = Tk_Colormap(main);
    w->widgetCmd = Tcl_CreateCommand(interp, Tk_PathName(tkwin), ddwWidgetCmd, (ClientData)w,
                                     ddwCmdDeleted);
    w->comb.count = 1;
    w->comb.band[0] = 1;
    w->paletteCount = 256;
    for (int i = 0; i < 256; i++) {
        w->palette[i][0] = w->palette[i][1] = w->palette[i][2] = (unsigned char)i;
        w->indexMap[i] = (unsigned char)i;
    }
    w->client.configChanged = ddwImageChanged;
    w->client.dataChanged = ddwImageDataChanged;
    w->client.rectChanged = NULL;
    w->client.id = (intptr_t)w;
    w->client.clientData = w;
    w->imageName = Tk_GetUid("");
    w->video = Tk_GetUid("");
    w->background = Tk_GetUid("#000000");
    w->foreground = Tk_GetUid("#ffffff");
    Tk_CreateEventHandler(tkwin, ExposureMask | StructureNotifyMask, ddwEventProc, (ClientData)w);
    w->backgroundColor = Tk_GetColor(interp, tkwin, w->background);
    w->foregroundColor = Tk_GetColor(interp, tkwin, w->foreground);
    if (w->backgroundColor == NULL || w->foregroundColor == NULL) {
        Tcl_SetResult(interp, (char *)"Error in allocate bg/fg colors", TCL_STATIC);
        Tk_DestroyWindow(tkwin);
        return TCL_ERROR;
    }
    if (ddwConfigure(interp, w, argc - 2, argv + 2, 0) != TCL_OK) {
        Tk_DestroyWindow(tkwin);
        return TCL_ERROR;
    }
    Tcl_SetResult(interp, (char *)Tk_PathName(tkwin), TCL_VOLATILE);
    return TCL_OK;
}

static void ddwExitHandler(ClientData clientData)
{
    (void)clientData;
}

int Ddw_Init(Tcl_Interp *interp)
{
    static int exitHandlerSet = 0;
    int code = Tcl_PkgProvide(interp, "TK_DIRECTX", "1.0");
    if (code != TCL_OK) {
        return code;
    }
    Tcl_CreateCommand(interp, "ddw", ddwCmd, (ClientData)ovexMainWindow(interp), NULL);
    if (!exitHandlerSet) {
        exitHandlerSet = 1;
        Tcl_CreateExitHandler(ddwExitHandler, NULL);
    }
    return TCL_OK;
}
