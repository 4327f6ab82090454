/*
 * tulx_type.cpp --
 *
 *	The "tulx" image type: the process-wide registry of masters, the
 *	type record handed to Tk, Tk's create, get, free and delete
 *	procedures, the deferred destruction, and the entry points of the
 *	package start-up and exit.
 */
#include <stdlib.h>
#include <string.h>

#include "core/gmem.h"
#include "core/inits.h"
#include "core/package.h"
#include "display/tulx/tulx.h"
#include "display/windraw/x_error_trap.h"
#include "ramimage/ramimg.h"
#include "ovex/ovexstdio.h"

static int tulxCreate(Tcl_Interp *interp, const char *name, int objc, Tcl_Obj *const objv[],
                      const Tk_ImageType *typePtr, Tk_ImageMaster tkMaster,
                      ClientData *masterOut);
static ClientData tulxGet(Tk_Window tkwin, ClientData masterData);
static void tulxFree(ClientData instanceData, Display *display);
static void tulxDelete(ClientData masterData);
static void tulxDestroy(char *memPtr);

Tk_ImageType tulxImageType = {
    (char *)"tulx", tulxCreate, tulxGet, tulxDisplay, tulxFree, tulxDelete, NULL, NULL, NULL,
};

static TulxMaster **registry;       /* TULX_MAX_IMAGES slots, NULL = free */
static int typeRegistered;

/* ---- Registration ------------------------------------------------------ */

static void registerType(void)
{
    if (!typeRegistered) {
        typeRegistered = 1;
        Tk_CreateImageType(&tulxImageType);
    }
    if (registry == NULL) {
        registry = (TulxMaster **)tclAlloc(sizeof(TulxMaster *) * TULX_MAX_IMAGES);
        if (registry != NULL) {
            memset(registry, 0, sizeof(TulxMaster *) * TULX_MAX_IMAGES);
        }
    }
}

/* Tk sets tk_version while it initialises; only then may the type be
 * registered (the image-type list is reached through Tk's own stubs). */
static char *tkVersionTrace(ClientData clientData, Tcl_Interp *interp, const char *name1,
                            const char *name2, int flags)
{
    if (flags & TCL_TRACE_WRITES) {
        Tcl_UntraceVar2(interp, "tk_version", NULL, TCL_GLOBAL_ONLY | TCL_TRACE_WRITES,
                        tkVersionTrace, NULL);
        registerType();
    }
    return NULL;
}

/*
 * Tulx_Init --
 *	Registers the image type now when the interpreter has Tk, else as
 *	soon as Tk is initialised in it. Never fails.
 */
int Tulx_Init(Tcl_Interp *interp)
{
    if (typeRegistered) {
        return TCL_OK;
    }
    if (interp != NULL && ovexMainWindow(interp) != NULL) {
        registerType();
    } else if (interp != NULL) {
        Tcl_TraceVar2(interp, "tk_version", NULL, TCL_GLOBAL_ONLY | TCL_TRACE_WRITES,
                      tkVersionTrace, NULL);
    }
    return TCL_OK;
}

int tulxRegister(TulxMaster *master)
{
    if (registry != NULL) {
        for (int i = 0; i < TULX_MAX_IMAGES; i++) {
            if (registry[i] == NULL) {
                registry[i] = master;
                return 1;
            }
        }
    }
    ovex_fprintf(stderr, "Fail to add the tulx.\n");
    return 0;
}

void tulxUnregister(TulxMaster *master)
{
    if (registry == NULL) {
        return;
    }
    for (int i = 0; i < TULX_MAX_IMAGES; i++) {
        if (registry[i] == master) {
            registry[i] = NULL;
            return;
        }
    }
}

int tulxImageCount(void)
{
    int count = 0;
    for (int i = 0; registry != NULL && i < TULX_MAX_IMAGES; i++) {
        count += registry[i] != NULL;
    }
    return count;
}

/*
 * tulxFindImage --
 *	The master of interp whose per-image command is now called name.
 */
TulxMaster *tulxFindImage(Tcl_Interp *interp, const char *name)
{
    if (registry == NULL || name == NULL) {
        return NULL;
    }
    for (int i = 0; i < TULX_MAX_IMAGES; i++) {
        TulxMaster *master = registry[i];
        if (master == NULL || master->interp != interp) {
            continue;
        }
        const char *cmdName = master->imageCmd != NULL
            ? Tcl_GetCommandName(interp, master->imageCmd) : "";
        if (strcmp(cmdName, name) == 0) {
            return master;
        }
    }
    return NULL;
}

int tulxListNames(Tcl_Interp *interp)
{
    for (int i = 0; registry != NULL && i < TULX_MAX_IMAGES; i++) {
        if (registry[i] != NULL) {
            Tcl_AppendResult(interp, registry[i]->name, " ", (char *)NULL);
        }
    }
    return TCL_OK;
}

/*
 * tulxDeleteAll --
 *	At exit: every live image is deleted through Tk while the display is
 *	still open, then the registry goes.
 */
void tulxDeleteAll(void)
{
    if (registry == NULL) {
        return;
    }
    for (int i = 0; i < TULX_MAX_IMAGES; i++) {
        if (registry[i] != NULL) {
            tulxCmdDeleted(registry[i]);
        }
    }
    TulxMaster **old = registry;
    registry = NULL;
    tclFree(old);
}

/* ---- GCs ----------------------------------------------------------------- */

static GC makeGC(TulxMaster *master, Drawable drawable)
{
    XGCValues values;
    values.foreground = master->fgColor != NULL ? master->fgColor->pixel : 0;
    values.background = master->bgColor != NULL ? master->bgColor->pixel : 0;
    values.graphics_exposures = False;
    return XCreateGC(master->display, drawable, GCForeground | GCBackground | GCGraphicsExposures,
                     &values);
}

/*
 * tulxMakeGCs --
 *	The master's own GCs (it sets clip masks and regions on them, so
 *	Tk's shared ones will not do): one on the main window, one for
 *	depth-1 drawables.
 */
int tulxMakeGCs(TulxMaster *master)
{
    Tk_MakeWindowExist(master->tkwin);
    GC gc = makeGC(master, Tk_WindowId(master->tkwin));
    if (gc == NULL) {
        ovexAddErrorInfo(master->interp, "Fail to get GC.\n");
        return 1;
    }
    if (master->gc != NULL) {
        XFreeGC(master->display, master->gc);
    }
    master->gc = gc;
    Pixmap mono = trappedPixmap(master->display, Tk_WindowId(master->tkwin), 8, 8, 1);
    if (mono != 0) {
        GC monoGC = makeGC(master, mono);
        Tk_FreePixmap(master->display, mono);
        if (master->monoGC != NULL) {
            XFreeGC(master->display, master->monoGC);
        }
        master->monoGC = monoGC;
    }
    return 0;
}

int tulxMakeDrawGC(TulxMaster *master)
{
    Tk_MakeWindowExist(master->tkwin);
    GC gc = makeGC(master, Tk_WindowId(master->tkwin));
    if (gc == NULL) {
        ovexAddErrorInfo(master->interp, "Fail to get drawGC.\n");
        return 1;
    }
    if (master->drawGC != NULL) {
        XFreeGC(master->display, master->drawGC);
    }
    master->drawGC = gc;
    return 0;
}

/* ---- Tk's type procedures ------------------------------------------------- */

static void clientInit(RamImageClient *client, TulxMaster *master, void (*config)(void *))
{
    memset(client, 0, sizeof(*client));
    client->configChanged = config;
    client->dataChanged = tulxRedisplayCb;
    client->rectChanged = tulxRectChangedCb;
    client->id = (intptr_t)master;
    client->clientData = master;
}

/*
 * tulxCreate --
 *	Builds a master with its defaults and configures it from the words
 *	of "image create tulx". A half-built master is deleted again.
 */
static int tulxCreate(Tcl_Interp *interp, const char *name, int objc, Tcl_Obj *const objv[],
                      const Tk_ImageType *typePtr, Tk_ImageMaster tkMaster,
                      ClientData *masterOut)
{
    Tk_Window mainWin = ovexMainWindow(interp);
    if (mainWin == NULL) {
        Tcl_SetResult(interp, (char *)"tulx images need Tk", TCL_STATIC);
        return TCL_ERROR;
    }
    /* A cut name would list as another image, so long names are refused. */
    if (strlen(name) >= TULX_NAME_SIZE) {
        Tcl_AppendResult(interp, "Image name too long (at most 127 characters): ", name,
                         (char *)NULL);
        return TCL_ERROR;
    }
    TulxMaster *master = (TulxMaster *)tclAlloc(sizeof(TulxMaster));
    if (master == NULL) {
        Tcl_SetResult(interp, (char *)"Fail to allocate the tulx.", TCL_STATIC);
        return TCL_ERROR;
    }
    memset(master, 0, sizeof(*master));
    master->tkMaster = tkMaster;
    master->interp = interp;
    master->imageCmd = Tcl_CreateCommand(interp, name, tulxImageCmd, master, tulxCmdDeleted);
    strcpy(master->name, name);

    master->tkwin = mainWin;
    master->display = Tk_Display(mainWin);
    master->colormap = Tk_Colormap(mainWin);
    master->depth = Tk_Depth(mainWin);
    master->visual = Tk_Visual(mainWin);

    master->foreground = Tk_GetUid("#ffffff");
    master->background = Tk_GetUid("#000000");
    master->stippleName = Tk_GetUid("None");
    master->bgColor = Tk_GetColor(interp, mainWin, Tk_GetUid("#000000"));
    master->fgColor = Tk_GetColor(interp, mainWin, Tk_GetUid("#ffffff"));

    maskBitmapInit(&master->rowMaskBitmap);
    maskBitmapInit(&master->frameBitmap);
    maskBitmapInit(&master->clipBitmap);
    maskBitmapInit(&master->classBitmap);
    maskBitmapInit(&master->dataBitmap);
    memset(master->dataMask, 1, sizeof(master->dataMask));
    memset(master->classMask, 1, sizeof(master->classMask));
    master->classMask[0] = 0;
    master->maskOnApplied = 1;
    master->clipEvenOdd = master->frameEvenOdd = master->frameDynamic = 1;

    clientInit(&master->imageClient, master, tulxReloadHeaderCb);
    clientInit(&master->maskImageClient, master, tulxMaskImageChangedCb);
    clientInit(&master->maskFileClient, master, tulxMaskImageChangedCb);
    vpInit(&master->maskView, master->display);
    vpInit(&master->imageView, master->display);
    vpInit(&master->stippleView, master->display);

    master->lutHigh = 255;
    master->transparentApplied = -1;
    master->animDelay = -1;
    master->animRepeat = 1;
    for (int c = 0; c < 3; c++) {
        for (int i = 0; i < 256; i++) {
            master->identityLut[c][i] = (unsigned char)i;
        }
    }

    /* The strip buffer always has the window's depth: X refuses an image
     * of another depth than the drawable's. */
    master->ximage = XCreateImage(master->display, master->visual, master->depth,
                                  master->depth < 2 ? XYBitmap : ZPixmap, 0, NULL, 128, 128, 32, 0);

    int failed = 0;
    if (master->ximage == NULL) {
        ovexAddErrorInfo(interp, "Fail to allocate ximg.");
        failed = 1;
    } else if (master->fgColor == NULL || master->bgColor == NULL) {
        ovexAddErrorInfo(interp, "Fail to allocate fg/bg color.");
        failed = 1;
    } else if (tulxMakeGCs(master) != 0) {
        failed = 1;
    } else if (!tulxRegister(master)) {
        Tcl_SetResult(interp, (char *)"Fail to add the tulx.", TCL_STATIC);
        failed = 1;
    } else {
        int code = tulxConfigure(master, objc, (const char **)objv, TK_CONFIG_OBJS);
        failed = code != TCL_OK;
    }
    if (failed) {
        /* Keep the message of the failing step; deleting the command must
         * not delete the image through Tk a second time. */
        Tcl_Obj *message = Tcl_GetObjResult(interp);
        Tcl_IncrRefCount(message);
        tulxDelete(master);
        Tcl_SetObjResult(interp, message);
        Tcl_DecrRefCount(message);
        return TCL_ERROR;
    }
    *masterOut = master;
    return TCL_OK;
}

static ClientData tulxGet(Tk_Window tkwin, ClientData masterData)
{
    TulxMaster *master = (TulxMaster *)masterData;
    TulxInstance *instance = (TulxInstance *)tclAlloc(sizeof(TulxInstance));
    if (instance == NULL) {
        return NULL;
    }
    instance->master = master;
    instance->tkwin = tkwin;
    instance->next = master->instances;
    master->instances = instance;
    master->instanceCount++;
    return instance;
}

static void tulxFree(ClientData instanceData, Display *display)
{
    TulxInstance *instance = (TulxInstance *)instanceData;
    if (instance == NULL) {
        return;
    }
    TulxMaster *master = instance->master;
    if (master == NULL || master->tkMaster == NULL || master->imageCmd == NULL
            || master->instances == NULL) {
        return;
    }
    for (TulxInstance **link = &master->instances; *link != NULL; link = &(*link)->next) {
        if (*link == instance) {
            *link = instance->next;
            master->instanceCount--;
            tclFree(instance);
            return;
        }
    }
}

/*
 * tulxDelete --
 *	Tk's delete procedure: instances and the command go, the memory once
 *	no caller holds the master any more.
 */
static void tulxDelete(ClientData masterData)
{
    TulxMaster *master = (TulxMaster *)masterData;
    /* A second deletion would free the master twice. */
    if (master->tkMaster == NULL) {
        return;
    }
    while (master->instances != NULL) {
        TulxInstance *next = master->instances->next;
        tclFree(master->instances);
        master->instances = next;
    }
    master->instanceCount = 0;
    master->tkMaster = NULL;
    if (master->imageCmd != NULL) {
        Tcl_Command cmd = master->imageCmd;
        master->imageCmd = NULL;
        Tcl_DeleteCommandFromToken(master->interp, cmd);
    }
    tulxStopAnimation(master);
    Tcl_EventuallyFree(master, tulxDestroy);
}

/*
 * tulxCmdDeleted --
 *	Delete procedure of the per-image command: deletes the image too.
 */
void tulxCmdDeleted(ClientData clientData)
{
    TulxMaster *master = (TulxMaster *)clientData;
    if (master->tkMaster == NULL) {
        master->imageCmd = NULL;
        return;
    }
    Tcl_Interp *interp = master->interp;
    Tcl_Preserve(interp);
    master->imageCmd = NULL;
    Tk_DeleteImage(interp, Tk_NameOfImage(master->tkMaster));
    Tcl_Release(interp);
}

static void closeClientImage(RAMIMG **image, RamImageClient *client)
{
    if (*image != NULL) {
        closeRAMImage(*image, client);
        *image = NULL;
    }
}

/*
 * tulxDestroy --
 *	Frees everything the master owns. X errors are caught: a resource
 *	the server already dropped must not end the process.
 */
static void tulxDestroy(char *memPtr)
{
    TulxMaster *master = (TulxMaster *)memPtr;
    Display *display = master->display;
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);

    tulxUnregister(master);
    Tk_FreeOptions(tulxConfigSpecs, (char *)master, display, 0);
    if (master->pixels != NULL) {
        tulxFreeColors(master);
    }
    closeClientImage(&master->ramImage, &master->imageClient);
    closeClientImage(&master->maskImage, &master->maskImageClient);
    closeClientImage(&master->maskFileImage, &master->maskFileClient);
    polyFree(master->clipShapes);
    polyFree(master->frameShapes);
    zoomMapFree(&master->colMap);
    zoomMapFree(&master->rowMap);
    vpFreePixmap(&master->maskView);
    vpFreePixmap(&master->imageView);
    vpFreePixmap(&master->stippleView);
    bitmapFree(&master->rowMaskBitmap);
    bitmapFree(&master->frameBitmap);
    bitmapFree(&master->clipBitmap);
    bitmapFree(&master->classBitmap);
    bitmapFree(&master->dataBitmap);
    if (master->ximage != NULL) {
        if (master->ximage->data != NULL) {
            tclFree(master->ximage->data);
            master->ximage->data = NULL;
        }
        XDestroyImage(master->ximage);
    }
    if (master->stripBuffer != NULL) {
        tclFree(master->stripBuffer);
        master->stripBuffer = NULL;
        master->stripBufferSize = 0;
    }
    if (master->gc != NULL) {
        XFreeGC(display, master->gc);
    }
    if (master->monoGC != NULL) {
        XFreeGC(display, master->monoGC);
    }
    if (master->drawGC != NULL) {
        XFreeGC(display, master->drawGC);
    }
    if (master->viewRegion != NULL) {
        XDestroyRegion(master->viewRegion);
    }
    if (master->clipRegion != NULL) {
        XDestroyRegion(master->clipRegion);
    }
    if (master->stipple != 0) {
        Tk_FreeBitmap(display, master->stipple);
    }
    if (master->fgColor != NULL) {
        Tk_FreeColor(master->fgColor);
    }
    if (master->bgColor != NULL) {
        Tk_FreeColor(master->bgColor);
    }
    xErrorTrapEnd(&trap);
    tclFree(master);
}
