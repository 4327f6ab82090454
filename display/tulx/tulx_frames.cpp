/*
 * tulx_frames.cpp --
 *
 *	Frames of a "tulx" image whose RAM image holds several (animated
 *	GIFs, multi-page files): seeking a frame, and animation on a Tcl
 *	timer (or idle calls for no wait) with the file's frame delay or a
 *	given one, a number of passes or forever. A frame whose palette
 *	differs from the one shown installs it first. The master is
 *	preserved around each step, and its deletion cancels the pending
 *	step, so no step runs on a freed image.
 */
#include <stdio.h>
#include <string.h>

#include "core/rounding.h"
#include "display/tulx/tulx_subcommands.h"
#include "ovex/ovexstdio.h"
#include "ramimage/format_hooks.h"

static void animateProc(ClientData clientData);

void tulxApplyPalette(TulxMaster *master)
{
    if (master->ditherApplied == 0 && master->depth < 9) {
        truePalette(master);
    }
    tulxUpdateLut(master, master->funcApplied, (float)master->stdK);
    tulxUpdateCmd(master);
}

void tulxStopAnimation(TulxMaster *master)
{
    if (master->animTimer != NULL) {
        Tcl_DeleteTimerHandler(master->animTimer);
        master->animTimer = NULL;
    } else {
        Tcl_CancelIdleCall(animateProc, master);
    }
    master->animDelay = -1;
}

static int currentFrame(const RAMIMG *image)
{
    return image->frame < 1 ? 1 : image->frame;
}

/* Shows the RAM image's current frame, with its palette when that
 * differs from the one shown. */
static void showFrame(TulxMaster *master)
{
    RAMIMG *image = master->ramImage;
    if (image == NULL) {
        return;
    }
    int n = image->head.nindices;
    if (n == master->head.nindices
            && (n <= 0 || memcmp(image->head.palette, master->head.palette,
                                 sizeof(unsigned char) * 3 * (size_t)(n > 256 ? 256 : n)) == 0)) {
        tulxRedisplay(master);
        return;
    }
    master->transparentApplied = image->head.transparent;
    master->head.nindices = n;
    master->head.transparent = image->head.transparent;
    memcpy(master->head.palette, image->head.palette, sizeof(master->head.palette));
    tulxApplyPalette(master);
}

static void processPending(int flags)
{
    while (Tcl_DoOneEvent(flags | TCL_DONT_WAIT)) {
    }
}

int tulxSeekCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    RAMIMG *image = master->ramImage;
    if (image == NULL) {
        Tcl_SetResult(interp, (char *)"Image has not been defined.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    if (argc > 3) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("Usage: %s seek volumeID\n", argv[0]));
        return TCL_ERROR;
    }
    int before = currentFrame(image);
    if (argc == 2) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d", before));
        return TCL_OK;
    }
    int k;
    if (Tcl_GetInt(interp, argv[2], &k) != TCL_OK) {
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    if (k == before) {
        if (image->frameCount > 1) {
            Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d", before));
        }
        return TCL_OK;
    }
    Tcl_Preserve(master);
    int result = seekRamImage(image, k);
    if (result == -2 && k == 0) {
        result = seekRamImage(image, 1);
    }
    if (result == -1) {
        Tcl_Release(master);
        return TCL_ERROR;
    }
    image = master->ramImage;
    int now = image != NULL ? currentFrame(image) : 1;
    if (now != before) {
        showFrame(master);
        processPending(TCL_ALL_EVENTS);
    } else if (now == 1) {
        Tcl_Release(master);
        return TCL_OK;
    }
    Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d", now));
    Tcl_Release(master);
    return TCL_OK;
}

/* Gone: the image was deleted, or the step was called off. */
static int stepCalledOff(TulxMaster *master)
{
    return master->imageCmd == NULL || master->tkMaster == NULL || master->animDelay == -1
        || master->ramImage == NULL;
}

static void animateProc(ClientData clientData)
{
    TulxMaster *master = (TulxMaster *)clientData;
    Tcl_Preserve(master);
    master->animTimer = NULL;
    if (stepCalledOff(master)) {
        master->animDelay = -1;
        Tcl_Release(master);
        return;
    }
    showFrame(master);
    processPending(TCL_IDLE_EVENTS);
    if (stepCalledOff(master)) {
        if (master->animDelay != -1) {
            tulxStopAnimation(master);
        }
        Tcl_Release(master);
        return;
    }
    RAMIMG *image = master->ramImage;
    int wait = master->animDelay >= 1 ? master->animDelay : roundToInt(image->frameDelay);
    int result = seekRamImage(image, 0);
    int stop = 0;
    if (result == -2) {
        if (master->animRepeat > 0) {
            master->animRepeat--;
        }
        int several = image->frameCount > 1 || image->frame > 1;
        if (several && master->animRepeat != 0) {
            stop = seekRamImage(image, 1) <= 0;
        } else {
            stop = 1;
        }
    } else if (result == -1) {
        ovex_fprintf(stderr, "Error in getRAMImageVolume\n");
        stop = 1;
    } else if (result == 0) {
        stop = 1;
    }
    if (stop) {
        tulxStopAnimation(master);
        Tcl_Release(master);
        return;
    }
    if (wait < 1) {
        Tcl_DoWhenIdle(animateProc, master);
    } else {
        master->animTimer = Tcl_CreateTimerHandler(wait, animateProc, master);
        if (master->animTimer == NULL) {
            ovex_fprintf(stderr, "Error in creating tulx animation timer handler.\n");
        }
    }
    Tcl_Release(master);
}

int tulxAnimateCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    RAMIMG *image = master->ramImage;
    if (image == NULL) {
        Tcl_SetResult(interp, (char *)"Image has not been defined.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    if (argc > 4) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf(
            "Usage: %s animate [milliSeconds|default] [repeat]\n", argv[0]));
        return TCL_ERROR;
    }
    int delay = 0, repeat = 0;
    int useDefault = argc < 3 || strcmp(argv[2], "default") == 0;
    if (!useDefault && Tcl_GetInt(interp, argv[2], &delay) != TCL_OK) {
        return TCL_ERROR;
    }
    if (argc == 4 && Tcl_GetInt(interp, argv[3], &repeat) != TCL_OK) {
        return TCL_ERROR;
    }
    int previousRepeat = master->animRepeat;
    if (argc == 4) {
        master->animRepeat = repeat;
    }
    if (previousRepeat == 0 && image->frameCount > 0 && currentFrame(image) >= image->frameCount) {
        seekRamImage(image, 1);
    }
    int running = master->animDelay != -1;
    Tcl_ResetResult(interp);
    if (!useDefault) {
        master->animDelay = delay < 0 ? -1 : delay;
        if (argc == 3 && previousRepeat == 0) {
            master->animRepeat = 1;
        }
        if (!running && master->animDelay >= 0) {
            Tcl_DoWhenIdle(animateProc, master);
            return TCL_OK;
        }
        if (master->animDelay == -1) {
            tulxStopAnimation(master);
        }
        processPending(TCL_ALL_EVENTS);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (argc < 4 && previousRepeat == 0) {
        master->animRepeat = 1;
    }
    master->animDelay = -2;
    if (!running) {
        Tcl_DoWhenIdle(animateProc, master);
    }
    return TCL_OK;
}
