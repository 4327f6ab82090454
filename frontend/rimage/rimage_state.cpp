/*
 * rimage_state.cpp --
 *
 *	The "rimage" subcommands that act on one open image as it is: lock,
 *	unlock, flush, resident, update (client notices) and volume (frame
 *	selection). Their usage texts come back as results with TCL_OK.
 */
#include "frontend/rimage/rimage_maintenance.h"

#include <string.h>

#include "core/package.h"
#include "ramimage/format_hooks.h"
#include "ramimage/ramimg.h"

/*
 * namedOpenImage --
 *	The open image named by argv[2] (tag, then file), or NULL with the
 *	result "Can't found RAMIMG: " + the name.
 */
static RAMIMG *namedOpenImage(Tcl_Interp *interp, const char **argv)
{
    RAMIMG *image = findOpenRamImage(argv[2]);
    if (image == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Can't found RAMIMG: ", argv[2], (char *)NULL);
    }
    return image;
}

/*
 * commandImage --
 *	The open image named by argv[2] when the command has 3 to maxArgc
 *	words. Otherwise NULL with *code: TCL_OK with the usage (argv[0]
 *	argv[1] + usage) as the result for a wrong word count, TCL_ERROR with
 *	namedOpenImage's message for an image that is not open.
 */
static RAMIMG *commandImage(Tcl_Interp *interp, int argc, const char **argv, int maxArgc,
                            const char *usage, int *code)
{
    if (argc < 3 || argc > maxArgc) {
        setRimageUsage(interp, argv, usage);
        *code = TCL_OK;
        return NULL;
    }
    *code = TCL_ERROR;
    return namedOpenImage(interp, argv);
}

/*
 * rimageLock, rimageUnlock --
 *	rimage lock|unlock NAME: replaces the image's whole flags word with 1
 *	(locked: its last close keeps it) or 0. Empty result.
 */
static int setImageFlags(Tcl_Interp *interp, int argc, const char **argv, unsigned int flags)
{
    int code;
    RAMIMG *image = commandImage(interp, argc, argv, 3, " imgID", &code);
    if (image == NULL) {
        return code;
    }
    attrRAMImage(image, flags);
    return TCL_OK;
}

int rimageLock(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    return setImageFlags(interp, argc, argv, RAMIMG_LOCKED);
}

int rimageUnlock(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    return setImageFlags(interp, argc, argv, 0);
}

/*
 * rimageFlush --
 *	rimage flush NAME: writes the image's changed rows back to its file.
 *	A write the file refused is an error ("Error in writing RAMIMG ..."),
 *	never an empty success.
 */
int rimageFlush(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    int code;
    RAMIMG *image = commandImage(interp, argc, argv, 3, " imgID", &code);
    if (image == NULL) {
        return code;
    }
    return flushRamImageForCommand(interp, image) ? TCL_OK : TCL_ERROR;
}

/*
 * rimageResident --
 *	rimage resident NAME: "1" when the image has no file (memory images,
 *	images made resident or read from a buffer), else "0".
 */
int rimageResident(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    int code;
    RAMIMG *image = commandImage(interp, argc, argv, 3, " imgID", &code);
    if (image == NULL) {
        return code;
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj(image->fd < 0 ? "1" : "0", -1));
    return TCL_OK;
}

/*
 * rimageUpdate --
 *	rimage update NAME ?DISPLAY|CONFIG|ALL|DATA?: tells every client of the
 *	image that its data (DISPLAY, the default), its configuration
 *	(CONFIG) or both (ALL) changed. DATA first empties the row cache, so
 *	rows are read again from the file or buffer and changes not written
 *	back are dropped, then sends the data notice. Empty result.
 */
int rimageUpdate(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    int code;
    RAMIMG *image = commandImage(interp, argc, argv, 4,
                                 " imgID [DISPLAY|CONFIG|ALL|DATA] (def: DISPLAY)", &code);
    if (image == NULL) {
        return code;
    }
    const char *mode = argc == 4 ? argv[3] : "DISPLAY";
    int mask;
    if (strcmp(mode, "DISPLAY") == 0) {
        mask = RAMIMG_NOTIFY_DATA;
    } else if (strcmp(mode, "CONFIG") == 0) {
        mask = RAMIMG_NOTIFY_CONFIG;
    } else if (strcmp(mode, "ALL") == 0) {
        mask = RAMIMG_NOTIFY_CONFIG | RAMIMG_NOTIFY_DATA;
    } else if (strcmp(mode, "DATA") == 0) {
        invalidateRowCache(image);
        mask = RAMIMG_NOTIFY_DATA;
    } else {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Invalid option: ", mode, (char *)NULL);
        return TCL_ERROR;
    }
    updateClient(image, 0, mask);
    return TCL_OK;
}

/*
 * rimageVolume --
 *	rimage volume NAME ?vID?: with vID selects that frame (0 the next, out
 *	of range the last); 0 at the last frame wraps to frame 1, so repeated
 *	calls cycle through the frames. After a selection the clients are
 *	told that the configuration changed.
 * Returns: the current frame number.
 */
int rimageVolume(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    int code;
    RAMIMG *image = commandImage(interp, argc, argv, 4, " imgID [vID]", &code);
    if (image == NULL) {
        return code;
    }
    if (argc == 4) {
        int wanted = ovexLenientInt(argv[3]);
        int selected = seekRamImage(image, wanted);
        if (selected == -2 && wanted == 0) {
            selected = seekRamImage(image, 1);
        }
        if (selected == -1) {
            Tcl_SetObjResult(interp, Tcl_NewStringObj("Error in seek", -1));
            return TCL_ERROR;
        }
    }
    /* A client may release the image while it is told: read the frame first. */
    int frame = image->frame;
    if (argc == 4) {
        updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    }
    Tcl_SetObjResult(interp, Tcl_NewIntObj(frame));
    return TCL_OK;
}
