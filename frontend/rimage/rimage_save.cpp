/*
 * rimage_save.cpp --
 *
 *	rimage save: an image held as an encoded file in memory (base64 or
 *	terra tile) is written out whole; a file image writes its changed
 *	rows back to its own file. Memory layouts have no file to save to.
 */
#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "frontend/rimage/rimage_command.h"
#include "ramimage/ramimg.h"
#include "core/safe_replace.h"
#include "core/package.h"
#include "core/paths.h"

/* Writes the image's encoded block into fd; 1 when every byte went. */
static int writeEncodedBlock(int fd, void *clientData)
{
    const RAMIMG *image = (const RAMIMG *)clientData;
    const unsigned char *bytes = image->extBuffer;
    size_t left = image->extSize;
    while (left > 0) {
        ssize_t written = write(fd, bytes, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return 0;
        }
        bytes += written;
        left -= (size_t)written;
    }
    return 1;
}

/*
 * reopenImagesOn --
 *	Images that had the replaced file open keep reading the old, unlinked
 *	contents unless their descriptor is opened again on the new file.
 */
static void reopenImagesOn(const char *target)
{
    std::string path = absolutePath(target);
    if (path.empty()) {
        return;
    }
    for (RAMIMG *image = ramImageListHead(); image != NULL; image = image->next) {
        if (image->fd >= 0 && strcmp(image->head.file, path.c_str()) == 0) {
            reopenReplacedFile(path.c_str(), &image->fd);
        }
    }
}

/*
 *----------------------------------------------------------------------
 *
 * rimageSave --
 *
 *	rimage save NAME ?FILE?: writes the image NAME out (see the file
 *	comment). The encoded block replaces FILE (or the file NAME) whole,
 *	through a temporary file in the same folder, keeping the old file's
 *	mode (0666 less the umask for a new file).
 *
 * Results:
 *	TCL_OK with an empty result, or TCL_ERROR with the message: the
 *	image cannot be opened, it has no file, the file cannot be written
 *	or a row cannot be written back.
 *
 *----------------------------------------------------------------------
 */
int rimageSave(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3 && argc != 4) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Usage: ", argv[0], " save imgid [fileName]", (char *)NULL);
        return TCL_ERROR;
    }
    const char *name = argv[2];
    int err = RAMIMG_OK;
    RAMIMG *image = openRAMImage(name, name, NULL, NULL, &err);
    if (image == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Error to open: ", name, (char *)NULL);
        ovexAddErrorInfo(interp, ramImageErrorText(err));
        return TCL_ERROR;
    }

    const char *failure = NULL;
    const char *failureName = "";
    if (isSystemImgid(image->head.imgid)) {
        failure = "Can't save a memory image.";
    } else if (image->extBuffer != NULL) {
        const char *target = argc == 4 ? argv[3] : name;
        if (replaceFileSafely(target, writeEncodedBlock, image)) {
            reopenImagesOn(target);
        } else {
            failure = "Fail to create file:";
            failureName = target;
        }
    } else if (image->fd < 0) {
        /* Neither a file nor an encoded block: nothing could hold it. */
        failure = "Can't save a memory image.";
    } else if (!flushRamImage(image)) {
        failure = "Fail to write back rimage: ";
        failureName = name;
    }
    closeRAMImage(image, NULL);

    Tcl_ResetResult(interp);
    if (failure != NULL) {
        Tcl_AppendResult(interp, failure, failureName, (char *)NULL);
        return TCL_ERROR;
    }
    return TCL_OK;
}
