/*
 * twain_connection.cpp --
 *
 *	The TWAIN connection of twimg: the source manager module loaded with
 *	dlopen, the operations sent to it and to the source, the polling of
 *	an enabled source from the event loop, and the transfer of native
 *	images into the RAM image "twain.img".
 */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/gmem.h"
#include "display/windraw/dib_bits.h"
#include "ovex/ovexstdio.h"
#include "platform/library_folder.h"
#include "ramimage/ramimg.h"
#include "widgets/twain/twain_state.h"

static TwainState state;

TwainState *twainState(void)
{
    return &state;
}

static void copyText(char *out, const char *text)
{
    snprintf(out, sizeof(TW_STR32), "%s", text);
}

/* The manager module shipped beside the library. */
static char *defaultManagerFile(void)
{
    std::string path = besideLibrary("libovex_twain.so");
    char *copy = (char *)gmemAlloc(path.size() + 1);
    if (copy != NULL) {
        memcpy(copy, path.c_str(), path.size() + 1);
    }
    return copy;
}

static void interpDeleted(ClientData clientData, Tcl_Interp *interp)
{
    (void)clientData;
    if (state.interp == interp) {
        state.interp = NULL;
    }
}

void twainAdoptInterp(Tcl_Interp *interp)
{
    if (state.interp == NULL && interp != NULL) {
        state.interp = interp;
        Tcl_CallWhenDeleted(interp, interpDeleted, NULL);
    }
}

void twainInitState(Tcl_Interp *interp)
{
    memset(&state, 0, sizeof(state));
    state.initialised = 1;
    twainAdoptInterp(interp);
    state.interactive = 1;
    state.mode = TWAIN_MODE_NATIVE;
    state.dsmName = defaultManagerFile();
    TW_IDENTITY *app = &state.appIdentity;
    app->Version.MajorNum = 1;
    app->Version.MinorNum = 0;
    app->Version.Language = 13;
    app->Version.Country = 1;
    copyText(app->Version.Info, OVEX_VERSION);
    app->ProtocolMajor = 1;
    app->ProtocolMinor = 8;
    app->SupportedGroups = DG_CONTROL | DG_IMAGE;
    copyText(app->Manufacturer, "Ovex");
    copyText(app->ProductFamily, "Image tools");
    copyText(app->ProductName, "Ovex twimg");
}

/* Sends an operation to the manager (destination NULL) or the source. */
static TW_UINT16 sendOperation(TW_IDENTITY *destination, TW_UINT32 dg, TW_UINT16 dat,
                               TW_UINT16 msg, TW_MEMREF data)
{
    if (state.dsmEntry == NULL) {
        state.rc = TWRC_FAILURE;
        return state.rc;
    }
    state.rc = state.dsmEntry(&state.appIdentity, destination, dg, dat, msg, data);
    if (state.rc != TWRC_SUCCESS && dat != DAT_EVENT) {
        memset(&state.status, 0, sizeof(state.status));
        TW_UINT16 saved = state.rc;
        state.dsmEntry(&state.appIdentity, destination, DG_CONTROL, DAT_STATUS, MSG_GET,
                       &state.status);
        state.rc = saved;
        /* Transfer-done and cancel answers are normal outcomes. */
        if (state.debug && state.rc != TWRC_XFERDONE && state.rc != TWRC_CANCEL) {
            if (destination == NULL) {
                ovex_fprintf(stderr, "Error in callDSM - twRC: %d code: %d\n", state.rc,
                             state.status.ConditionCode);
            } else {
                ovex_fprintf(stderr, "Error in callDS - twRC: %d code %d.\n", state.rc,
                             state.status.ConditionCode);
            }
        }
    }
    return state.rc;
}

static TW_UINT16 callDSM(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    int mode = Tcl_SetServiceMode(TCL_SERVICE_ALL);
    TW_UINT16 rc = sendOperation(NULL, DG_CONTROL, dat, msg, data);
    Tcl_SetServiceMode(mode);
    return rc;
}

static TW_UINT16 callDS(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    return sendOperation(&state.dsIdentity, dg, dat, msg, data);
}

static void unloadManager(void)
{
    if (state.dsmModule != NULL) {
        dlclose(state.dsmModule);
    }
    state.dsmModule = NULL;
    state.dsmEntry = NULL;
    state.appIdentity.Id = 0;
}

/* Loads and opens the manager named name and asks for the default
 * source. Messages go to interp's result when given, else to stderr. */
static int openManager(const char *name, Tcl_Interp *interp)
{
    if (state.dsmModule != NULL) {
        return 1;
    }
    if (name == NULL) {
        name = "";
    }
    /* Kept mapped after its close: a manager's scanner drivers may hold
     * memory and threads that outlive it. */
    state.dsmModule = dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (state.dsmModule == NULL) {
        if (interp != NULL) {
            Tcl_AppendResult(interp, "Fail to open: ", name, (char *)NULL);
        } else {
            ovex_fprintf(stderr, "Fail to load TWAIN DLL: %s\n", name);
        }
        return 0;
    }
    state.appIdentity.Id = 0;
    state.dsmEntry = (DSMENTRYPROC)dlsym(state.dsmModule, "DSM_Entry");
    const char *failure = NULL;
    if (state.dsmEntry == NULL) {
        failure = interp != NULL ? "Fail get DSM entry." : "Fail to get DSM entry.";
    } else if (callDSM(DAT_PARENT, MSG_OPENDSM, &state.window) != TWRC_SUCCESS) {
        failure = interp != NULL ? "Error in initializing DSM." : "Fail to open DSM.";
    } else if (callDSM(DAT_IDENTITY, MSG_GETDEFAULT, &state.dsIdentity) != TWRC_SUCCESS) {
        failure = interp != NULL ? "Error in get default DS." : "Fail to get default DS.";
        callDSM(DAT_PARENT, MSG_CLOSEDSM, &state.window);
    }
    if (failure != NULL) {
        if (interp != NULL) {
            Tcl_SetResult(interp, (char *)failure, TCL_STATIC);
        } else {
            ovex_fputs(failure, stderr);
        }
        unloadManager();
        return 0;
    }
    return 1;
}

int twOpenDSM(Tcl_Interp *interp)
{
    return openManager(state.dsmName, interp);
}

/* twimg open ?managerFile?: a loaded manager stays; the name is kept. */
int twimgOpenManager(Tcl_Interp *interp, const char *name)
{
    if (state.dsmModule == NULL && !openManager(name, interp)) {
        return 0;
    }
    size_t length = strlen(name);
    char *copy = (char *)gmemAlloc(length + 1);
    if (copy != NULL) {
        memcpy(copy, name, length + 1);
        gmemFree(state.dsmName);
        state.dsmName = copy;
    }
    return 1;
}

/* Asks the source for the transfer mechanism of mode. */
static int setupTransferMode(int mode)
{
    TW_ONEVALUE value;
    value.ItemType = TWTY_UINT16;
    value.Item = mode == TWAIN_MODE_MEMORY ? TWSX_MEMORY : TWSX_NATIVE;
    TW_CAPABILITY cap;
    cap.Cap = ICAP_XFERMECH;
    cap.ConType = TWON_ONEVALUE;
    cap.hContainer = &value;
    return callDS(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap) == TWRC_SUCCESS;
}

int twOpenDS(int mode)
{
    if (!twOpenDSM(NULL)) {
        return 0;
    }
    if (state.stateBits != 0) {
        return 1;
    }
    if (callDSM(DAT_IDENTITY, MSG_OPENDS, &state.dsIdentity) != TWRC_SUCCESS) {
        return 0;
    }
    state.stateBits |= TWAIN_DS_OPEN;
    if (setupTransferMode(mode)) {
        state.mode = mode;
    } else {
        ovex_fprintf(stderr, "Fail to setup data mode.\n");
    }
    return 1;
}

static void stopEventPolling(void)
{
    if (state.eventTimer != NULL) {
        Tcl_DeleteTimerHandler(state.eventTimer);
        state.eventTimer = NULL;
    }
}

int twDisableDS(void)
{
    if (!(state.stateBits & TWAIN_DS_ENABLED)) {
        return 1;
    }
    TW_USERINTERFACE ui;
    ui.ShowUI = 255;
    ui.ModalUI = 0;
    ui.hParent = state.window;
    if (callDS(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) != TWRC_SUCCESS) {
        return 0;
    }
    state.stateBits = (TW_UINT16)((state.stateBits & ~TWAIN_DS_ENABLED) | TWAIN_DS_DISABLED);
    stopEventPolling();
    return 1;
}

int twCloseDS(void)
{
    if (state.stateBits == 0) {
        return 1;
    }
    if (!twDisableDS()) {
        ovex_fprintf(stderr, "Error in twCloseDS: fail to disable.\n");
        return 0;
    }
    if (callDSM(DAT_IDENTITY, MSG_CLOSEDS, &state.dsIdentity) != TWRC_SUCCESS) {
        ovex_fprintf(stderr, "Error in twCloseDS: fail to close.\n");
        return 0;
    }
    state.dsIdentity.Id = 0;
    state.dsIdentity.ProductName[0] = '\0';
    state.stateBits = 0;
    return 1;
}

static void releaseHeldImage(void)
{
    if (state.image != NULL) {
        closeRAMImage(state.image, NULL);
        state.image = NULL;
    }
}

int twCloseDSM(Tcl_Interp *interp)
{
    if (state.dsmModule != NULL) {
        if (state.stateBits != 0) {
            (void)twCloseDS();
        }
        stopEventPolling();
        if (callDSM(DAT_PARENT, MSG_CLOSEDSM, &state.window) != TWRC_SUCCESS) {
            if (interp != NULL) {
                Tcl_SetResult(interp, (char *)"Error in closing DSM.", TCL_STATIC);
            }
            return TCL_ERROR;
        }
        if (dlclose(state.dsmModule) != 0) {
            state.dsmModule = NULL;
            state.dsmEntry = NULL;
            if (interp != NULL) {
                Tcl_SetResult(interp, (char *)"Error in FreeLibrary.", TCL_STATIC);
            }
            return TCL_ERROR;
        }
        state.dsmModule = NULL;
        state.dsmEntry = NULL;
        state.appIdentity.Id = 0;
        state.dsIdentity.Id = 0;
        state.stateBits = 0;
    }
    releaseHeldImage();
    return TCL_OK;
}

static void twDSEvent(ClientData clientData);

static void rearmEvent(ClientData clientData)
{
    state.eventTimer = NULL;
    twDSEvent(clientData);
}

/*
 * twDSEvent --
 *	Asks the enabled source once whether it has something to say (the
 *	event record carries no window message), acts on the answer and
 *	asks again 10 ms later while the source stays enabled. Never blocks.
 */
static void twDSEvent(ClientData clientData)
{
    (void)clientData;
    if (!(state.stateBits & TWAIN_DS_ENABLED) || state.dsmEntry == NULL) {
        return;
    }
    int mode = Tcl_SetServiceMode(TCL_SERVICE_ALL);
    Tcl_Interp *interp = state.interp;
    if (interp != NULL) {
        Tcl_Preserve((ClientData)interp);
    }
    TW_EVENT event;
    event.pEvent = NULL;
    event.TWMessage = MSG_NULL;
    callDS(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    switch (event.TWMessage) {
    case MSG_XFERREADY:
        (void)twGetImage();
        if (state.interactive == 0) {
            (void)twCloseDS();
        }
        break;
    case MSG_CLOSEDSREQ:
    case MSG_CLOSEDSOK:
        (void)twCloseDS();
        break;
    default:
        break;
    }
    if ((state.stateBits & TWAIN_DS_ENABLED) && state.eventTimer == NULL) {
        state.eventTimer = Tcl_CreateTimerHandler(10, rearmEvent, NULL);
    }
    if (interp != NULL) {
        Tcl_Release((ClientData)interp);
    }
    Tcl_SetServiceMode(mode);
}

int twEnableDS(int showUI, int mode, TW_HANDLE parent)
{
    (void)Tcl_DoOneEvent(TCL_ALL_EVENTS | TCL_DONT_WAIT);
    if (!twOpenDS(mode)) {
        ovex_fprintf(stderr, "Error in twEnableDS: fail to open DS.\n");
        return 0;
    }
    if (state.stateBits & TWAIN_DS_ENABLED) {
        return 1;
    }
    TW_USERINTERFACE ui;
    ui.ShowUI = (TW_BOOL)(showUI ? 1 : 0);
    ui.ModalUI = 0;
    ui.hParent = parent != NULL ? parent : state.window;
    if (callDS(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS) {
        (void)twCloseDS();
        ovex_fprintf(stderr, "Error in twEnableDS: fail to enable DS.");
        return 0;
    }
    state.stateBits = (TW_UINT16)((state.stateBits & ~TWAIN_DS_DISABLED) | TWAIN_DS_ENABLED);
    Tcl_CancelIdleCall(twDSEvent, NULL);
    Tcl_DoWhenIdle(twDSEvent, NULL);
    return 1;
}

int twAcquire(int mode, TW_HANDLE parent)
{
    if (state.stateBits & TWAIN_DS_ENABLED) {
        return 0;
    }
    return twEnableDS(1, mode, parent);
}

int twEnableDSUIOnly(void)
{
    if ((state.stateBits & TWAIN_DS_ENABLED) || !twOpenDS(TWAIN_MODE_NATIVE)) {
        return 0;
    }
    TW_USERINTERFACE ui;
    ui.ShowUI = 1;
    ui.ModalUI = 0;
    ui.hParent = state.window;
    if (callDS(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, &ui) != TWRC_SUCCESS) {
        (void)twCloseDS();
        return 0;
    }
    state.stateBits = (TW_UINT16)((state.stateBits & ~TWAIN_DS_DISABLED) | TWAIN_DS_ENABLED);
    return 1;
}

/* The size of a packed DIB from its header; 0 when it is not sound. */
static size_t packedDibSize(const unsigned char *dib)
{
    int32_t header[10];
    memcpy(header, dib, sizeof(header));
    uint16_t bitCount;
    memcpy(&bitCount, dib + 14, 2);
    int64_t width = header[1];
    int64_t height = header[2] < 0 ? -(int64_t)header[2] : header[2];
    if (header[0] < 40 || width < 1 || height < 1 || width > 1000000 || height > 1000000
        || (bitCount != 8 && bitCount != 24 && bitCount != 32)) {
        return 0;
    }
    int64_t colours = bitCount <= 8 ? (header[8] > 0 && header[8] <= 256 ? header[8] : 256) : 0;
    int64_t rowLength = (width * bitCount + 31) / 32 * 4;
    return (size_t)(header[0] + colours * 4 + rowLength * height);
}

/* One native transfer; 1 when an image arrived. */
static int twNativeXfer(void)
{
    TW_HANDLE handle = NULL;
    TW_UINT16 rc = callDS(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    int done = 0;
    if (rc == TWRC_XFERDONE && handle != NULL) {
        free(state.dib);
        state.dib = (unsigned char *)handle;
        done = 1;
    } else if (rc == TWRC_CANCEL) {
        free(handle);
        if (state.debug) {
            ovex_fprintf(stderr, "TW Cancel...\n");
        }
    } else if (rc == TWRC_FAILURE) {
        if (state.debug) {
            ovex_fprintf(stderr, "TW Failure...\n");
        }
    } else if (state.debug) {
        ovex_fprintf(stderr, "TW Abort...\n");
    }
    callDS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &state.pending);
    return done;
}

/* The memory-transfer set-up: the buffer sizes are reported, no image. */
static void memoryXferSetup(void)
{
    TW_SETUPMEMXFER setup;
    memset(&setup, 0, sizeof(setup));
    TW_UINT16 rc = callDS(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    ovex_fprintf(stdout, "max:%d min:%d pref:%d\n", (int)setup.MaxBufSize, (int)setup.MinBufSize,
                 (int)setup.Preferred);
    ovex_fprintf(stdout, "status:%d\n", rc);
}

/* Evaluates a script without disturbing a command's result; its errors
 * go to the background error handler. */
static void evalScript(Tcl_Interp *interp, const char *script)
{
    if (interp == NULL) {
        return;
    }
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    if (Tcl_EvalEx(interp, script, -1, TCL_EVAL_GLOBAL) != TCL_OK) {
        Tcl_BackgroundError(interp);
    }
    (void)Tcl_RestoreInterpState(interp, saved);
}

int twGetImage(void)
{
    if (!(state.stateBits & TWAIN_DS_ENABLED)) {
        ovex_fprintf(stderr, "DS not enabled.\n");
        return 0;
    }
    TW_IMAGEINFO info;
    memset(&info, 0, sizeof(info));
    if (callDS(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS) {
        return 0;
    }
    Tcl_Interp *interp = state.interp;
    if (interp != NULL) {
        Tcl_Preserve((ClientData)interp);
    }
    int ok = 1;
    for (;;) {
        if (state.mode == TWAIN_MODE_MEMORY) {
            memoryXferSetup();
            ok = 0;
            break;
        }
        if (!twNativeXfer()) {
            ok = 0;
            break;
        }
        RAMIMG *image = NULL;
        if (state.dib != NULL) {
            size_t size = packedDibSize(state.dib);
            image = size > 0 ? dibToRAMImage("twain.img", state.dib, size) : NULL;
            free(state.dib);
            state.dib = NULL;
        }
        if (image != NULL) {
            if (image == state.image && image->refCount > 0) {
                image->refCount--;
            } else {
                releaseHeldImage();
                state.image = image;
            }
            if (image->clients != NULL || state.afterScript != NULL) {
                updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
            } else {
                evalScript(interp, "after idle {view {-file twain.img}}");
            }
        }
        if (state.afterScript != NULL) {
            evalScript(interp, state.afterScript);
        }
        if (state.pending.Count == 0) {
            break;
        }
    }
    if (interp != NULL) {
        Tcl_Release((ClientData)interp);
    }
    return ok;
}

int twDoAfterCapture(const char *text)
{
    gmemFree(state.afterScript);
    state.afterScript = NULL;
    if (text != NULL && text[0] != '\0') {
        size_t length = strlen(text);
        state.afterScript = (char *)gmemAlloc(length + 1);
        if (state.afterScript == NULL) {
            ovex_fprintf(stderr, "Error in twDoAfterCapture: memory alloc.");
            return 0;
        }
        memcpy(state.afterScript, text, length + 1);
    }
    return 1;
}

int twPendingCount(void)
{
    TW_PENDINGXFERS pending;
    memset(&pending, 0, sizeof(pending));
    if (callDS(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending) != TWRC_SUCCESS) {
        return -1;
    }
    return pending.Count;
}

int twCapabilityIsTrue(TW_UINT16 cap)
{
    TW_CAPABILITY capability;
    capability.Cap = cap;
    capability.ConType = TWON_DONTCARE16;
    capability.hContainer = NULL;
    if (callDS(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability) != TWRC_SUCCESS) {
        return 0;
    }
    int isTrue = 0;
    if (capability.ConType == TWON_ONEVALUE && capability.hContainer != NULL) {
        const TW_ONEVALUE *value = (const TW_ONEVALUE *)capability.hContainer;
        isTrue = value->Item == 1;
    }
    free(capability.hContainer);
    return isTrue;
}

int twImageInfo(TW_IMAGEINFO *info)
{
    if (!(state.stateBits & TWAIN_DS_ENABLED)) {
        return 0;
    }
    memset(info, 0, sizeof(*info));
    return callDS(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, info) == TWRC_SUCCESS;
}

int twimgSelect(Tcl_Interp *interp)
{
    if (state.dsmModule == NULL && !twOpenDSM(NULL)) {
        Tcl_SetResult(interp, (char *)"Fail to open DSM.", TCL_STATIC);
        return -1;
    }
    if (state.stateBits != 0) {
        Tcl_SetResult(interp, (char *)"Error in DS select: DS already opened.", TCL_STATIC);
        return -1;
    }
    TW_IDENTITY chosen;
    memset(&chosen, 0, sizeof(chosen));
    TW_UINT16 rc = callDSM(DAT_IDENTITY, MSG_USERSELECT, &chosen);
    if (rc == TWRC_SUCCESS) {
        state.dsIdentity = chosen;
        return 1;
    }
    if (rc == TWRC_FAILURE) {
        Tcl_SetResult(interp, (char *)"Error in get default DS.", TCL_STATIC);
        return -1;
    }
    return 0;
}

void twainExitHandler(ClientData clientData)
{
    (void)clientData;
    if (!state.initialised) {
        return;
    }
    if (state.stateBits & TWAIN_DS_ENABLED) {
        (void)twCloseDSM(NULL);
    }
    stopEventPolling();
    Tcl_CancelIdleCall(twDSEvent, NULL);
    if (state.dsmModule != NULL) {
        if (state.stateBits != 0) {
            (void)twCloseDS();
        }
        callDSM(DAT_PARENT, MSG_CLOSEDSM, &state.window);
        dlclose(state.dsmModule);
        state.dsmModule = NULL;
        state.dsmEntry = NULL;
        state.appIdentity.Id = 0;
        state.dsIdentity.Id = 0;
    }
    releaseHeldImage();
    free(state.dib);
    state.dib = NULL;
    gmemFree(state.afterScript);
    state.afterScript = NULL;
    gmemFree(state.dsmName);
    state.dsmName = NULL;
    if (state.interp != NULL) {
        Tcl_DontCallWhenDeleted(state.interp, interpDeleted, NULL);
    }
    state.initialised = 0;
}
