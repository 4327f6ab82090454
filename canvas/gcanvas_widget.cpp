/*
 * gcanvas_widget.cpp --
 *
 *	The gcanvas command: widget creation, the option table,
 *	configuration with the world transform, the world-changed procedure
 *	and destruction.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <X11/Xatom.h>
#include "canvas/gcanvas.h"
#include "canvas/cliptest_cmd.h"
#include "core/inits.h"
#include "core/package.h"
#include "core/rounding.h"

/* The widget record extends the container part by single, non-virtual
 * inheritance, whose layout GCC fixes: offsets into it are sound. */
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#define GC_OFF(f) ((int)offsetof(GcanvasWidget, f))

Tk_ConfigSpec gcanvasConfigSpecs[] = {
    {TK_CONFIG_BORDER, "-background", "background", "Background", "#d9d9d9", GC_OFF(bgBorder),
     TK_CONFIG_COLOR_ONLY, NULL},
    {TK_CONFIG_BORDER, "-background", "background", "Background", "White", GC_OFF(bgBorder),
     TK_CONFIG_MONO_ONLY, NULL},
    {TK_CONFIG_SYNONYM, "-bd", "borderWidth", NULL, NULL, 0, 0, NULL},
    {TK_CONFIG_SYNONYM, "-bg", "background", NULL, NULL, 0, 0, NULL},
    {TK_CONFIG_PIXELS, "-borderwidth", "borderWidth", "BorderWidth", "0", GC_OFF(borderWidth), 0, NULL},
    {TK_CONFIG_DOUBLE, "-closeenough", "closeEnough", "CloseEnough", "1", GC_OFF(closeEnough), 0, NULL},
    {TK_CONFIG_DOUBLE, "-mx", "mx", "Mx", "1.0", GC_OFF(mx), 0, NULL},
    {TK_CONFIG_DOUBLE, "-my", "my", "My", "1.0", GC_OFF(my), 0, NULL},
    {TK_CONFIG_DOUBLE, "-viewxorigin", "viewxorigin", "Viewxorigin", "0.0", GC_OFF(viewXOrigin), 0, NULL},
    {TK_CONFIG_DOUBLE, "-viewyorigin", "viewyorigin", "Viewyorigin", "0.0", GC_OFF(viewYOrigin), 0, NULL},
    {TK_CONFIG_BOOLEAN, "-confine", "confine", "Confine", "1", GC_OFF(confine), 0, NULL},
    {TK_CONFIG_ACTIVE_CURSOR, "-cursor", "cursor", "Cursor", "", GC_OFF(cursor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_PIXELS, "-height", "height", "Height", "7c", GC_OFF(height), 0, NULL},
    {TK_CONFIG_COLOR, "-highlightbackground", "highlightBackground", "HighlightBackground", "#d9d9d9",
     GC_OFF(highlightBgColorPtr), 0, NULL},
    {TK_CONFIG_COLOR, "-highlightcolor", "highlightColor", "HighlightColor", "#000000",
     GC_OFF(highlightColorPtr), 0, NULL},
    {TK_CONFIG_PIXELS, "-highlightthickness", "highlightThickness", "HighlightThickness", "2",
     GC_OFF(highlightWidth), 0, NULL},
    {TK_CONFIG_BORDER, "-insertbackground", "insertBackground", "Foreground", "#000000",
     GC_OFF(textInfo.insertBorder), 0, NULL},
    {TK_CONFIG_PIXELS, "-insertborderwidth", "insertBorderWidth", "BorderWidth", "0",
     GC_OFF(textInfo.insertBorderWidth), 0, NULL},
    {TK_CONFIG_INT, "-insertofftime", "insertOffTime", "OffTime", "300", GC_OFF(insertOffTime), 0, NULL},
    {TK_CONFIG_INT, "-insertontime", "insertOnTime", "OnTime", "600", GC_OFF(insertOnTime), 0, NULL},
    {TK_CONFIG_PIXELS, "-insertwidth", "insertWidth", "InsertWidth", "2", GC_OFF(textInfo.insertWidth),
     0, NULL},
    {TK_CONFIG_CUSTOM, "-offset", "offset", "Offset", "0,0", GC_OFF(tsoffset), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasRelOffsetOption},
    {TK_CONFIG_RELIEF, "-relief", "relief", "Relief", "flat", GC_OFF(relief), 0, NULL},
    {TK_CONFIG_STRING, "-scrollregion", "scrollRegion", "ScrollRegion", "", GC_OFF(regionString),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BORDER, "-selectbackground", "selectBackground", "Foreground", "#c3c3c3",
     GC_OFF(textInfo.selBorder), TK_CONFIG_COLOR_ONLY, NULL},
    {TK_CONFIG_BORDER, "-selectbackground", "selectBackground", "Foreground", "Black",
     GC_OFF(textInfo.selBorder), TK_CONFIG_MONO_ONLY, NULL},
    {TK_CONFIG_PIXELS, "-selectborderwidth", "selectBorderWidth", "BorderWidth", "1",
     GC_OFF(textInfo.selBorderWidth), TK_CONFIG_COLOR_ONLY, NULL},
    {TK_CONFIG_PIXELS, "-selectborderwidth", "selectBorderWidth", "BorderWidth", "0",
     GC_OFF(textInfo.selBorderWidth), TK_CONFIG_MONO_ONLY, NULL},
    {TK_CONFIG_COLOR, "-selectforeground", "selectForeground", "Background", "#000000",
     GC_OFF(textInfo.selFgColorPtr), TK_CONFIG_COLOR_ONLY | TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-selectforeground", "selectForeground", "Background", "White",
     GC_OFF(textInfo.selFgColorPtr), TK_CONFIG_MONO_ONLY | TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_INT, "-graphicsmode", "graphicsMode", "Graphicsmode", "0", GC_OFF(graphicsMode), 0, NULL},
    {TK_CONFIG_DOUBLE, "-textsizeratio", "textSizeratio", "TextSizeratio", "1.0", GC_OFF(textSizeRatio),
     0, NULL},
    {TK_CONFIG_INT, "-textsizemin", "textsizemin", "Textsizemin", "4", GC_OFF(textSizeMin), 0, NULL},
    {TK_CONFIG_INT, "-textsizemax", "textSizemax", "Textsizemax", "400", GC_OFF(textSizeMax), 0, NULL},
    {TK_CONFIG_CUSTOM, "-state", "state", "State", "normal", GC_OFF(canvasState),
     TK_CONFIG_DONT_SET_DEFAULT, &gcanvasWidgetStateOption},
    {TK_CONFIG_STRING, "-takefocus", "takeFocus", "TakeFocus", NULL, GC_OFF(takeFocus),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_INT, "-updatecomponent", "updatecomponent", "UpdateComponent", NULL,
     GC_OFF(updateComponent), 0, NULL},
    {TK_CONFIG_PIXELS, "-width", "width", "Width", "10c", GC_OFF(width), 0, NULL},
    {TK_CONFIG_STRING, "-xscrollcommand", "xScrollCommand", "ScrollCommand", "", GC_OFF(xScrollCmd),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_PIXELS, "-xscrollincrement", "xScrollIncrement", "ScrollIncrement", "0",
     GC_OFF(xScrollIncrement), 0, NULL},
    {TK_CONFIG_STRING, "-yscrollcommand", "yScrollCommand", "ScrollCommand", "", GC_OFF(yScrollCmd),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_PIXELS, "-yscrollincrement", "yScrollIncrement", "ScrollIncrement", "0",
     GC_OFF(yScrollIncrement), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

static Tk_ClassProcs gcanvasClass = {sizeof(Tk_ClassProcs), gcanvasWorldChanged, NULL, NULL};

static void cmdDeleted(ClientData clientData)
{
    GcanvasWidget *c = (GcanvasWidget *)clientData;
    Tk_Window tkwin = c->tkwin;
    if (tkwin != NULL) {
        c->tkwin = NULL;
        Tk_DestroyWindow(tkwin);
    }
}

static void freeWidget(char *memPtr)
{
    GcanvasWidget *c = (GcanvasWidget *)memPtr;
    while (c->firstItemPtr != NULL) {
        GcanvasItem *item = c->firstItemPtr;
        c->firstItemPtr = item->nextPtr;
        gcanvasFreeItem(c, item);
    }
    Tcl_DeleteHashTable(&c->idTable);
    Tcl_DeleteHashTable(&c->groupTable);
    if (c->pixmapGC != NULL) {
        Tk_FreeGC(c->display, c->pixmapGC);
    }
    for (GcTagSearchExpr *e = c->bindTagExprs; e != NULL;) {
        GcTagSearchExpr *next = e->next;
        tagSearchExprDestroy(e);
        e = next;
    }
    if (c->bindingTable != NULL) {
        Tk_DeleteBindingTable(c->bindingTable);
    }
    Tk_FreeOptions(gcanvasConfigSpecs, (char *)c, c->display, 0);
    if (c->cache != None) {
        Tk_FreePixmap(c->display, c->cache);
    }
    if (c->queued != NULL) {
        ckfree((char *)c->queued);
    }
    ckfree((char *)c);
}

void gcanvasDestroy(GcanvasWidget *c)
{
    if (c->tkwin != NULL) {
        c->tkwin = NULL;
        Tcl_DeleteCommandFromToken(c->interp, c->widgetCmd);
    }
    if (c->flags & GC_REDRAW_PENDING) {
        Tcl_CancelIdleCall(gcanvasDisplay, (ClientData)c);
    }
    Tcl_DeleteTimerHandler(c->insertBlinkHandler);
    Tcl_EventuallyFree((ClientData)c, freeWidget);
}

static int gcanvasCmd(ClientData clientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    (void)clientData;
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        Tcl_SetResult(interp, (char *)"gcanvas: Tk is not loaded", TCL_STATIC);
        return TCL_ERROR;
    }
    if (objc < 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "pathName ?options?");
        return TCL_ERROR;
    }
    gcanvasInitTypes();
    Tk_Window tkwin = Tk_CreateWindowFromPath(interp, main, Tcl_GetString(objv[1]), NULL);
    if (tkwin == NULL) {
        return TCL_ERROR;
    }
    GcanvasWidget *c = (GcanvasWidget *)ckalloc(sizeof(GcanvasWidget));
    memset((void *)c, 0, sizeof(GcanvasWidget));
    c->tkwin = tkwin;
    c->display = Tk_Display(tkwin);
    c->interp = interp;
    c->canvasPtr = c;
    c->nextId = 1;
    c->widgetCmd = Tcl_CreateObjCommand(interp, Tk_PathName(tkwin), gcanvasWidgetCmd, (ClientData)c,
                                        cmdDeleted);
    c->relief = TK_RELIEF_FLAT;
    c->textInfo.selectFirst = -1;
    c->textInfo.selectLast = -1;
    c->closeEnough = 0.1;
    c->pickEvent.type = LeaveNotify;
    c->mx = c->my = 1.0;
    c->pixelRatio = 1.0;
    Screen *screen = Tk_Screen(tkwin);
    c->pixelsPerMM = (double)WidthOfScreen(screen) / (double)WidthMMOfScreen(screen);
    Tcl_InitHashTable(&c->idTable, TCL_ONE_WORD_KEYS);
    Tcl_InitHashTable(&c->groupTable, TCL_STRING_KEYS);
    c->canvasState = GC_STATE_NORMAL;
    c->hasTables = 1;

    Tk_SetClass(tkwin, "Gcanvas");
    Tk_SetClassProcs(tkwin, &gcanvasClass, (ClientData)c);
    Tk_CreateEventHandler(tkwin, ExposureMask | StructureNotifyMask | FocusChangeMask, gcanvasEventProc,
                          (ClientData)c);
    Tk_CreateEventHandler(tkwin,
                          KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask
                              | EnterWindowMask | LeaveWindowMask | PointerMotionMask | VirtualEventMask,
                          gcanvasBindProc, (ClientData)c);
    Tk_CreateSelHandler(tkwin, XA_PRIMARY, XA_STRING, gcanvasSelectionProc, (ClientData)c, XA_STRING);
    if (gcanvasConfigure(interp, c, objc - 2, objv + 2, 0) != TCL_OK) {
        Tk_DestroyWindow(tkwin);
        return TCL_ERROR;
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj(Tk_PathName(tkwin), -1));
    return TCL_OK;
}

/* Reads the -scrollregion string into the canvas-pixel region. */
static int readScrollRegion(Tcl_Interp *interp, GcanvasWidget *c)
{
    c->scrollX1 = c->scrollY1 = c->scrollX2 = c->scrollY2 = 0;
    if (c->regionString == NULL || c->regionString[0] == '\0') {
        return TCL_OK;
    }
    double v[4];
    if (sscanf(c->regionString, "%lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3]) != 4) {
        int argc = 0;
        const char **argv = NULL;
        int listOk = Tcl_SplitList(interp, c->regionString, &argc, &argv) == TCL_OK;
        if (!listOk || argc != 4) {
            if (listOk) {
                ckfree((char *)argv);
            }
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "bad scrollRegion \"", c->regionString, "\"", (char *)NULL);
            ckfree(c->regionString);
            c->regionString = NULL;
            return TCL_ERROR;
        }
        for (int i = 0; i < 4; i++) {
            int pix;
            if (Tk_GetPixels(interp, c->tkwin, argv[i], &pix) != TCL_OK) {
                ckfree((char *)argv);
                return TCL_ERROR;
            }
            v[i] = pix;
        }
        ckfree((char *)argv);
    }
    double out[4];
    worldRectToScreen(c, v[0], v[1], v[2], v[3], out);
    c->scrollX1 = out[0];
    c->scrollY1 = out[1];
    c->scrollX2 = out[2];
    c->scrollY2 = out[3];
    return TCL_OK;
}

int gcanvasConfigure(Tcl_Interp *interp, GcanvasWidget *c, int objc, Tcl_Obj *const objv[], int flags)
{
    Tk_3DBorder oldBg = c->bgBorder;
    double oldMx = c->mx, oldMy = c->my, oldSx = c->sxOrigin, oldSy = c->syOrigin;
    double oldRatio = c->textSizeRatio;
    int oldMin = c->textSizeMin, oldMax = c->textSizeMax;

    if (Tk_ConfigureWidget(interp, c->tkwin, gcanvasConfigSpecs, objc, (const char **)objv, (char *)c,
                           flags | TK_CONFIG_OBJS) != TCL_OK) {
        return TCL_ERROR;
    }
    if (c->mx == 0.0) c->mx = 1.0;
    if (c->my == 0.0) c->my = 1.0;
    c->sxOrigin = c->mx * c->viewXOrigin;
    c->syOrigin = c->my * c->viewYOrigin;

    Tk_SetBackgroundFromBorder(c->tkwin, c->bgBorder);
    if (c->highlightWidth < 0) c->highlightWidth = 0;
    c->inset = c->borderWidth + c->highlightWidth;
    XGCValues gcValues;
    gcValues.function = GXcopy;
    gcValues.graphics_exposures = False;
    gcValues.foreground = Tk_3DBorderColor(c->bgBorder)->pixel;
    GC newGC = Tk_GetGC(c->tkwin, GCFunction | GCGraphicsExposures | GCForeground, &gcValues);
    if (c->pixmapGC != NULL) {
        Tk_FreeGC(c->display, c->pixmapGC);
    }
    c->pixmapGC = newGC;
    Tk_GeometryRequest(c->tkwin, c->width + 2 * c->inset, c->height + 2 * c->inset);
    if (c->textInfo.gotFocus) {
        gcanvasFocusChange(c, 1);
    }

    int status = readScrollRegion(interp, c);

    if (c->tsoffset.flags & GC_OFFSET_LEFT) {
        c->tsoffset.xoffset = 0;
    } else if (c->tsoffset.flags & GC_OFFSET_CENTER) {
        c->tsoffset.xoffset = c->width / 2;
    } else if (c->tsoffset.flags & GC_OFFSET_RIGHT) {
        c->tsoffset.xoffset = c->width;
    }
    if (c->tsoffset.flags & GC_OFFSET_TOP) {
        c->tsoffset.yoffset = 0;
    } else if (c->tsoffset.flags & GC_OFFSET_MIDDLE) {
        c->tsoffset.yoffset = c->height / 2;
    } else if (c->tsoffset.flags & GC_OFFSET_BOTTOM) {
        c->tsoffset.yoffset = c->height;
    }
    if (status != TCL_OK) {
        return TCL_ERROR;
    }

    gcanvasSetOrigin(c, c->xOrigin, c->yOrigin);
    c->flags |= GC_UPDATE_SCROLLBARS | GC_REDRAW_BORDERS;

    if (c->mx == oldMx && c->my == oldMy && c->sxOrigin == oldSx && c->syOrigin == oldSy
            && c->textSizeRatio == oldRatio && c->textSizeMin == oldMin && c->textSizeMax == oldMax) {
        gcanvasEventuallyRedraw(c, c->xOrigin, c->yOrigin, (double)c->xOrigin + Tk_Width(c->tkwin),
                                (double)c->yOrigin + Tk_Height(c->tkwin), c->bgBorder != oldBg);
    } else {
        if (c->cache != None) {
            Tk_FreePixmap(c->display, c->cache);
            c->cache = None;
        }
        gcanvasWorldChanged((ClientData)c);
    }
    return TCL_OK;
}

void gcanvasWorldChanged(ClientData clientData)
{
    GcanvasWidget *c = (GcanvasWidget *)clientData;
    for (GcanvasItem *item = c->firstItemPtr; item != NULL; item = item->nextPtr) {
        if (item->typePtr->configProc(c->interp, c, item, 0, NULL, TK_CONFIG_ARGV_ONLY) != TCL_OK) {
            Tcl_ResetResult(c->interp);
        }
    }
    c->flags |= GC_REPICK_NEEDED;
    if (c->tkwin != NULL) {
        gcanvasEventuallyRedraw(c, c->xOrigin, c->yOrigin, (double)c->xOrigin + Tk_Width(c->tkwin),
                                (double)c->yOrigin + Tk_Height(c->tkwin), 1);
    }
}

extern "C" OVEX_API int
Gcanvas_Init(Tcl_Interp *interp)
{
    (void)Tcl_CreateCommand(interp, "cliptest", cliptestCmd, NULL, NULL);
    if (Tcl_CreateObjCommand(interp, "gcanvas", gcanvasCmd, NULL, NULL) == NULL) {
        return TCL_ERROR;
    }
    return TCL_OK;
}
