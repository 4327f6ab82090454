/*
 * rimage_bind.cpp --
 *
 *	rimage bind: opens an image and makes a view command bound to it, or
 *	moves an existing view to it.
 */
#include <string.h>

#include "core/package.h"
#include "ramimage/kit/program_support.h"
#include "ramimage/ramimg.h"
#include "frontend/rimage/rimage_maintenance.h"
#include "frontend/rimage/view_object.h"

static int bindFailed(Tcl_Interp *interp, const char *message)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(message, -1));
    return TCL_ERROR;
}

/*
 * openBoundImage --
 *	Opens file under the tag for a view, holding one reference for the
 *	view's client to take over. An open that rebuilds the image of that
 *	tag in place from a new file takes no reference of its own; one is
 *	taken here, or a view rebound from that image to itself would free
 *	it when its client leaves it.
 */
static RAMIMG *openBoundImage(const char *tag, const char *file, int *err)
{
    RAMIMG *tagged = tag != NULL ? getRAMImageByTag(tag) : NULL;
    int taggedRefs = tagged != NULL ? tagged->refCount : 0;
    RAMIMG *image = openRAMImage(tag, file, NULL, NULL, err);
    if (image != NULL && image == tagged && image->refCount == taggedRefs) {
        image->refCount++;
    }
    return image;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageBind --
 *
 *	rimage bind -file FILE ?-obj NAME? ?-roi ROI? ?-bands MAP?: opens
 *	FILE (a tag or a file) and binds the view command NAME (default the
 *	image's tag) to it, making the command or rebinding the view of that
 *	name; then applies the ROI and the band map.
 *
 * Results:
 *	The view's name; TCL_ERROR with the usage, "Error: FILE missing.",
 *	"Error in open FILE", "Error: objName conflits with Tcl command.",
 *	"Error: malloc", "Invalid ROI." or "Invalid band specification".
 *
 * Side effects:
 *	The view's client holds the image. A failure after the open releases
 *	the image, and a view made or rebound by this call is deleted.
 *
 *----------------------------------------------------------------------
 */
int rimageBind(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    ProgOption options[] = {
        {"-obj", NULL}, {"-file", NULL}, {"-roi", NULL}, {"-bands", NULL}, {NULL, NULL}};
    if (argc <= 2 || matchOptions(options, argc - 2, argv + 2) > 0) {
        setRimageUsage(interp, argv, " -file FILE [-obj objName] [-roi ROI] [-bands bands]");
        return TCL_ERROR;
    }
    const char *objName = options[0].value;
    const char *file = options[1].value;
    const char *roi = options[2].value;
    const char *bandMap = options[3].value;
    if (file == NULL) {
        return bindFailed(interp, "Error: FILE missing.");
    }

    int err = RAMIMG_OK;
    RAMIMG *image = openBoundImage(objName, file, &err);
    if (image == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Error in open ", file, (char *)NULL);
        ovexAddErrorInfo(interp, ramImageErrorText(err));
        return TCL_ERROR;
    }
    Tcl_DString name;
    Tcl_DStringInit(&name);
    Tcl_DStringAppend(&name, objName != NULL ? objName : image->tag, -1);

    Tcl_CmdInfo info;
    RimgObj *obj;
    if (Tcl_GetCommandInfo(interp, Tcl_DStringValue(&name), &info)) {
        obj = findRimgObj(interp, Tcl_DStringValue(&name));
        if (obj == NULL) {
            closeRAMImage(image, NULL);
            Tcl_DStringFree(&name);
            return bindFailed(interp, "Error: objName conflits with Tcl command.");
        }
        RAMIMG *previous = obj->image;
        obj->image = NULL;
        if (previous != NULL) {
            closeRAMImage(previous, &obj->client);
        }
    } else {
        obj = (RimgObj *)gmemAlloc(sizeof(RimgObj));
        if (obj == NULL) {
            closeRAMImage(image, NULL);
            Tcl_DStringFree(&name);
            return bindFailed(interp, "Error: malloc");
        }
        memset(obj, 0, sizeof *obj);
        /* A name whose namespace cannot be made gets no command, and
         * nothing would ever free the record. */
        Tcl_Command token = Tcl_CreateCommand(interp, Tcl_DStringValue(&name), rimgObjCmd,
                                              (ClientData)obj, rimgObjDelete);
        if (token == NULL || findRimgObj(interp, Tcl_DStringValue(&name)) != obj) {
            if (token != NULL) {
                Tcl_DeleteCommandFromToken(interp, token);  /* frees the record */
            } else {
                gmemFree(obj);
            }
            closeRAMImage(image, NULL);
            Tcl_DStringFree(&name);
            return bindFailed(interp, "Error: objName conflits with Tcl command.");
        }
    }

    const char *message = NULL;
    if (!rimgObjAttach(obj, image)) {
        message = "Error: malloc";
    } else if (roi != NULL && !parseROI(roi, image->head.columns, image->head.rows, &obj->x,
                                        &obj->y, &obj->srcx, &obj->srcy, &obj->width,
                                        &obj->height)) {
        message = "Invalid ROI.";
    } else if (bandMap != NULL) {
        int largest = 0;
        int pairs = parseBandSpec(bandMap, obj->bands, obj->ownBands, obj->operandBands,
                                  &largest);
        if (pairs == 0) {
            message = "Invalid band specification";
        } else {
            obj->pairs = pairs;
            obj->maxOperandBand = largest;
        }
    }
    if (message != NULL) {
        /* The delete procedure releases the image with the client. */
        Tcl_DeleteCommand(interp, Tcl_DStringValue(&name));
        Tcl_DStringFree(&name);
        return bindFailed(interp, message);
    }
    Tcl_DStringResult(interp, &name);
    return TCL_OK;
}
