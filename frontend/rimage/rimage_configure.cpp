/*
 * rimage_configure.cpp --
 *
 *	The attribute subcommands of "rimage": create (an image or image file
 *	from the attribute template), configure (the template's or an open
 *	image's attributes) and cget (one attribute). They go through the
 *	option engine, so they work in a plain tclsh.
 */
#include "frontend/rimage/rimage_maintenance.h"

#include <string.h>
#include <unistd.h>

#include <string>

#include "core/option_engine.h"
#include "core/package.h"
#include "core/paths.h"
#include "ramimage/band_stats.h"
#include "ramimage/file_checks.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/ramimg.h"

/* ---- create ------------------------------------------------------------- */

/*
 * imageOpenOnFile --
 *	The image (not a memory one) whose file is exactly the canonical path
 *	of file, or NULL.
 */
static RAMIMG *imageOpenOnFile(const char *file)
{
    std::string path = absolutePath(file);
    if (path.empty()) {
        return NULL;
    }
    for (RAMIMG *image = ramImageListHead(); image != NULL; image = image->next) {
        if (!isSystemImgid(image->head.imgid) && strcmp(image->head.file, path.c_str()) == 0) {
            return image;
        }
    }
    return NULL;
}

/*
 * createMemoryImage --
 *	Makes the memory image tagged with the template's file, or rebuilds
 *	the one of that tag in place (its clients are then told that the
 *	configuration changed). The image lives until the script closes it.
 * Returns: 1 when made, 0 when not (the open's error text in errorInfo);
 *	-1 with "Image already exists" when overwriting was not allowed.
 */
static int createMemoryImage(ImageHead *tmpl, Tcl_Interp *interp, int overwrite)
{
    RAMIMG *existing = getRAMImageByTag(tmpl->file);
    if (existing != NULL && !overwrite) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("Image already exists", -1));
        return -1;
    }
    int err = RAMIMG_OK;
    RAMIMG *image = openRAMImage(tmpl->file, NULL, tmpl, NULL, &err);
    if (image == NULL) {
        ovexAddErrorInfo(interp, ramImageErrorText(err));
        return 0;
    }
    image->refCount--;
    if (image->openCount < 1) {
        image->openCount = 1;
    }
    if (existing != NULL) {
        updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    }
    return 1;
}

/*
 * createFileImage --
 *	Writes the image file named by the template's file with its header
 *	and data area; the file is not opened as an image. The writers may
 *	adjust the head they are given (offset, block ...): they get a copy,
 *	so a headerless create does not leave the template headerless. An
 *	image open on that file has its changed rows written back first and
 *	is then rebuilt on the new file, so no old row lands in the new
 *	layout and no stale row is shown.
 * Returns: 1 when written, 0 when not (reason in errorInfo); -1 with
 *	"Image file already exists" when overwriting was not allowed.
 */
static int createFileImage(ImageHead *tmpl, Tcl_Interp *interp, int overwrite)
{
    if (fileExists(tmpl->file) == 0 && !overwrite) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("Image file already exists", -1));
        return -1;
    }
    RAMIMG *open = imageOpenOnFile(tmpl->file);
    if (open != NULL) {
        if (open->flags & RAMIMG_LOCKED) {
            ovexAddErrorInfo(interp, ramImageErrorText(RAMIMG_ESYSTEM));
            return 0;
        }
        flushRamImage(open);
    }
    ImageHead head = *tmpl;
    if (createImageFile(&head) == -1) {
        ovexAddErrorInfo(interp, ramImageErrorText(RAMIMG_ECREATE));
        return 0;
    }
    if (open != NULL) {
        int err = RAMIMG_OK;
        ImageHead *described = head.offset == 0 ? &head : NULL;
        if (openRamImageFile(head.file, described, open, &err) == NULL) {
            ovexAddErrorInfo(interp, ramImageErrorText(err));
            /* Its rows and descriptor no longer describe the file: drop
             * what the cache holds so nothing stale is written back. */
            invalidateRowCache(open);
            return 0;
        }
        updateClient(open, 0, RAMIMG_NOTIFY_CONFIG | RAMIMG_NOTIFY_DATA);
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageCreate --
 *
 *	rimage create ?overwrite? ?-option value ...?: applies the options
 *	to the template (which keeps them), then makes the memory image
 *	tagged with its file (memory layouts) or writes the image file.
 *
 * Results:
 *	"1" when an image or file was made, "0" when not, with TCL_OK;
 *	TCL_ERROR for bad options, "Image already exists" or "Image file
 *	already exists".
 *
 *----------------------------------------------------------------------
 */
int rimageCreate(ImageHead *tmpl, Tcl_Interp *interp, int argc, const char **argv)
{
    int first = 2;
    int overwrite = 0;
    if (argc > 2 && strcmp(argv[2], "overwrite") == 0) {
        overwrite = 1;
        first = 3;
    }
    /* A create that makes nothing leaves the template as it was. */
    ImageHead before = *tmpl;
    if (argc > first && rimageParseAttributes(tmpl, interp, argc - first, argv + first) != 0) {
        *tmpl = before;
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    int made = isSystemImgid(tmpl->imgid) ? createMemoryImage(tmpl, interp, overwrite)
                                          : createFileImage(tmpl, interp, overwrite);
    if (made <= 0) {
        *tmpl = before;
    }
    if (made < 0) {
        return TCL_ERROR;
    }
    Tcl_SetObjResult(interp, Tcl_NewIntObj(made));
    return TCL_OK;
}

/* ---- configure ---------------------------------------------------------- */

/* 1 when the two heads lay out the pixels differently. */
static int layoutDiffers(const ImageHead *a, const ImageHead *b)
{
    return a->nbands != b->nbands || a->msbf != b->msbf || a->rows != b->rows
        || a->columns != b->columns || a->bits != b->bits || a->pixel != b->pixel
        || a->imgid != b->imgid;
}

/*
 * rebuildFailed --
 *	Result "Update ramimg error in open file: FILE" with the rebuild's
 *	error text in errorInfo.
 */
static int rebuildFailed(Tcl_Interp *interp, int err, const char *file)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Update ramimg error in open file: ", file, (char *)NULL);
    ovexAddErrorInfo(interp, ramImageErrorText(err));
    return TCL_ERROR;
}

/*
 * moveImageToMemory --
 *	A file image whose new imgid is a memory layout: it is rebuilt in
 *	memory from h, whose file becomes the image's tag, and its file is
 *	closed. The file stays open until the rebuild has succeeded.
 */
static RAMIMG *moveImageToMemory(RAMIMG *image, ImageHead *h, int *err)
{
    strncpy(h->file, image->tag, RAMIMG_NAME_SIZE - 1);
    h->file[RAMIMG_NAME_SIZE - 1] = '\0';
    int fd = image->fd;
    image->fd = -1;
    if (createRamImage(h, image, err) == NULL) {
        image->fd = fd;
        return NULL;
    }
    close(fd);
    return image;
}

/*
 * applyAttributes --
 *	Gives the image the attributes h after its changed rows went back:
 *	- rows that keep their place (rebuild 0) just take h;
 *	- an image without a file is rebuilt in memory from h;
 *	- a file image whose new imgid is a memory layout moves into memory;
 *	- a file image keeping its file is rebuilt on it as h describes it,
 *	  so the cache never holds rows of the old size;
 *	- a file image given a new file is reopened on it, probed anew.
 * Returns: TCL_OK, or TCL_ERROR with the image as it was.
 */
static int applyAttributes(Tcl_Interp *interp, RAMIMG *image, ImageHead *h, int keepsFile,
                           int rebuild)
{
    if (!flushRamImageForCommand(interp, image)) {
        return TCL_ERROR;
    }
    int err = RAMIMG_OK;
    RAMIMG *done = image;
    if (!rebuild) {
        image->head = *h;
    } else if (image->fd < 0) {
        done = reopenRamImage(h->file, h, image, &err);
    } else if (isSystemImgid(h->imgid)) {
        done = moveImageToMemory(image, h, &err);
    } else {
        done = reopenRamImage(h->file, keepsFile ? h : NULL, image, &err);
    }
    return done != NULL ? TCL_OK : rebuildFailed(interp, err, h->file);
}

/*
 *----------------------------------------------------------------------
 *
 * rimageConfigure --
 *
 *	rimage configure ?-option value ...?: lists or changes the template.
 *	rimage configure TAG ?-option value ...?: lists or changes the
 *	attributes of the open image tagged TAG under the attribute rules.
 *	A change of layout (bands, byte order, rows, columns, bits, pixel
 *	type, format) or of where rows lie (row length; offset in a file)
 *	frees the band statistics, rebuilds the image and tells its clients
 *	that the configuration changed. A file image given a new file name is
 *	reopened on that file.
 *
 * Results:
 *	Option listings, or empty. TCL_ERROR with the option engine's or
 *	the attribute rules' message, "Not found the ramimg tagged by: TAG",
 *	"Can't config a locked RAMIMG.\n", "Error in writing RAMIMG ..." or
 *	"Update ramimg error in open file: FILE"; the image's attributes
 *	and rows are then left as they were.
 *
 *----------------------------------------------------------------------
 */
int rimageConfigure(ImageHead *tmpl, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2 || argv[2][0] == '-') {
        return rimageParseAttributes(tmpl, interp, argc - 2, argv + 2) ? TCL_ERROR : TCL_OK;
    }
    RAMIMG *image = getRAMImageByTag(argv[2]);
    if (image == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Not found the ramimg tagged by: ", argv[2], (char *)NULL);
        return TCL_ERROR;
    }
    ImageHead h = image->head;
    if (rimageParseAttributes(&h, interp, argc - 3, argv + 3) != 0) {
        return TCL_ERROR;
    }
    if (argc - 3 < 2) {
        return TCL_OK;
    }
    Tcl_ResetResult(interp);
    if (image->flags & RAMIMG_LOCKED) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("Can't config a locked RAMIMG.\n", -1));
        return TCL_ERROR;
    }

    int keepsFile = image->fd >= 0 && strcmp(h.file, image->head.file) == 0;
    if (keepsFile && memcmp(&h, &image->head, sizeof h) == 0) {
        return TCL_OK;
    }
    if (image->fd >= 0 && !keepsFile && !isSystemImgid(h.imgid)) {
        /* A new file: whatever else was asked, the file describes itself. */
        if (applyAttributes(interp, image, &h, 0, 1) != TCL_OK) {
            return TCL_ERROR;
        }
        updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
        return TCL_OK;
    }
    int layoutChanged = layoutDiffers(&h, &image->head);
    int rebuild = layoutChanged || h.block != image->head.block
        || (image->fd >= 0 && h.offset != image->head.offset);
    if (rebuild) {
        freeHist(image->stats, image->head.nbands);
        image->stats = NULL;
    }
    if (applyAttributes(interp, image, &h, keepsFile, rebuild) != TCL_OK) {
        return TCL_ERROR;
    }
    if (rebuild) {
        updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    }
    return TCL_OK;
}

/* ---- cget --------------------------------------------------------------- */

/*
 *----------------------------------------------------------------------
 *
 * rimageCget --
 *
 *	rimage cget -option: the template's value of the option.
 *	rimage cget NAME -option: the value for the image NAME (tag or file,
 *	opened for the call when not open).
 *
 * Results:
 *	The value; TCL_ERROR with the option engine's message, "Error in
 *	open NAME" or the usage text.
 *
 *----------------------------------------------------------------------
 */
int rimageCget(ImageHead *tmpl, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2 || (argc == 3 && argv[2][0] != '-')) {
        setRimageUsage(interp, argv, " [TAG] option");
        return TCL_ERROR;
    }
    if (argc == 3) {
        return ovexConfigureValue(interp, NULL, rimageAttributeSpecs, (char *)tmpl, argv[2], 0);
    }
    RAMIMG *image = openRamImageForCommand(interp, argv[2]);
    if (image == NULL) {
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    int status = ovexConfigureValue(interp, NULL, rimageAttributeSpecs, (char *)&image->head,
                                    argv[3], 0);
    closeRAMImage(image, NULL);
    return status;
}
