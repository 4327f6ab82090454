/*
 * rimage_lookup.cpp --
 *
 *	What the maintenance subcommands of "rimage" share: usage texts,
 *	finding an open image by tag or file, opening one for the length of a
 *	subcommand, and a write-back whose failure reaches the script.
 */
#include "frontend/rimage/rimage_maintenance.h"

#include "core/package.h"
#include "ramimage/ramimg.h"

/*
 * setRimageUsage --
 *	Result: "Usage: " + the command word + " " + the subcommand word as
 *	typed + syntax.
 */
void setRimageUsage(Tcl_Interp *interp, const char **argv, const char *syntax)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], syntax, (char *)NULL);
}

/*
 * findOpenRamImage --
 *	Returns the image tagged name, else the image open on the file name
 *	(canonical path, or last path element when no such file exists);
 *	NULL when neither is open. Takes no reference.
 */
RAMIMG *findOpenRamImage(const char *name)
{
    RAMIMG *image = getRAMImageByTag(name);
    return image != NULL ? image : getRAMImageByName(name);
}

/*
 * openRamImageForCommand --
 *	Returns the image tagged name or open on it, or opens the file name,
 *	taking one reference that the caller gives back with closeRAMImage.
 *	NULL on failure, with the open's error text in errorInfo and the
 *	result "Error in open " + name.
 */
RAMIMG *openRamImageForCommand(Tcl_Interp *interp, const char *name)
{
    int err = RAMIMG_OK;
    RAMIMG *image = openRAMImage(name, name, NULL, NULL, &err);
    if (image == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Error in open ", name, (char *)NULL);
        ovexAddErrorInfo(interp, ramImageErrorText(err));
    }
    return image;
}

/*
 * flushRamImageForCommand --
 *	Writes back the image's changed rows. Returns 1, or 0 with the result
 *	"Error in writing RAMIMG TAG: FILE" when a write-back failed (rows
 *	the disk refused are not silently taken as saved).
 */
int flushRamImageForCommand(Tcl_Interp *interp, RAMIMG *image)
{
    if (flushRamImage(image)) {
        return 1;
    }
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Error in writing RAMIMG ", image->tag, ": ", image->head.file,
                     (char *)NULL);
    return 0;
}
