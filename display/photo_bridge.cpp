/*
 * photo_bridge.cpp --
 *
 *	Tk photo images copied into memory RAM images and RAM images shown
 *	in photos. Photos keep their pixels as red, green, blue (and alpha)
 *	bytes; the RAM images made here hold them as three BYTE bands.
 */
#include <limits.h>
#include <string.h>

#include "display/photo_bridge.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"
#include "core/comb_eval.h"
#include "core/package.h"

Tk_PhotoHandle findPhoto(Tcl_Interp *interp, const char *name)
{
    if (interp == NULL || name == NULL || ovexMainWindow(interp) == NULL) {
        return NULL;
    }
    return Tk_FindPhoto(interp, name);
}

/*
 *----------------------------------------------------------------------
 *
 * photoToRAMImage --
 *
 *	Copies a photo's pixels into a memory image (see photo_bridge.h).
 *
 * Results:
 *	The image with one reference taken, or NULL.
 *
 * Side effects:
 *	An open memory image of the same tag is rebuilt in place. The rows
 *	are written straight into the image's cache: nothing is marked
 *	dirty and no client is told.
 *
 *----------------------------------------------------------------------
 */
RAMIMG *photoToRAMImage(Tcl_Interp *interp, const char *photoName, const ImageHead *tmpl,
                        const char *tag)
{
    Tk_PhotoHandle photo = findPhoto(interp, photoName);
    if (photo == NULL) {
        return NULL;
    }
    int width = 0, height = 0;
    Tk_PhotoGetSize(photo, &width, &height);
    Tk_PhotoImageBlock block;
    memset(&block, 0, sizeof block);
    Tk_PhotoGetImage(photo, &block);
    if (width <= 0 || height <= 0 || block.pixelPtr == NULL) {
        return NULL;
    }

    ImageHead h;
    if (tmpl != NULL) {
        h = *tmpl;
    } else {
        initImageHead(&h);
    }
    h.columns = width;
    h.rows = height;
    h.nbands = 3;
    h.pixel = PIXEL_BYTE;
    h.bits = 8;
    h.imgid = IMGID_MBSQ;
    h.block = width;
    h.nindices = 0;
    h.transparent = -1;
    h.dataFd = -1;

    Tcl_DString name;
    Tcl_DStringInit(&name);
    Tcl_DStringAppend(&name, tag != NULL ? tag : photoName, -1);
    if (tag == NULL) {
        Tcl_DStringAppend(&name, ".photo", -1);
    }
    RAMIMG *image = NULL;
    if (Tcl_DStringLength(&name) < RAMIMG_NAME_SIZE) {
        int err = RAMIMG_OK;
        image = openRAMImage(Tcl_DStringValue(&name), NULL, &h, NULL, &err);
    }
    if (image != NULL) {
        strcpy(image->head.file, Tcl_DStringValue(&name));
    }
    Tcl_DStringFree(&name);
    if (image == NULL) {
        return NULL;
    }

    for (int band = 0; band < 3; band++) {
        for (int row = 0; row < height; row++) {
            unsigned char *line = getRAMImageLine(image, row, band, 0);
            if (line == NULL) {
                continue;
            }
            const unsigned char *pixel =
                block.pixelPtr + (size_t)row * (size_t)block.pitch + block.offset[band];
            for (int col = 0; col < width; col++, pixel += block.pixelSize) {
                line[col] = *pixel;
            }
        }
    }
    return image;
}

/*
 * loadPhotoFile --
 *	Reads an image through a temporary photo (see photo_bridge.h).
 */
RAMIMG *loadPhotoFile(Tcl_Interp *interp, const char *optionWord, const char *optionValue,
                      const ImageHead *tmpl)
{
    if (ovexMainWindow(interp) == NULL) {
        return NULL;
    }
    if (combEval(NULL, NULL, interp, NULL, "image", "create", "photo", optionWord, optionValue,
                 (char *)NULL) != TCL_OK) {
        Tcl_ResetResult(interp);
        return NULL;
    }
    Tcl_DString photo;
    Tcl_DStringInit(&photo);
    Tcl_DStringAppend(&photo, Tcl_GetStringResult(interp), -1);
    RAMIMG *image = photoToRAMImage(interp, Tcl_DStringValue(&photo), tmpl, NULL);
    Tcl_VarEval(interp, "image delete ", Tcl_DStringValue(&photo), (char *)NULL);
    Tcl_DStringFree(&photo);
    return image;
}

/*
 * createPhotoRAMImage --
 *	Makes a new photo and the memory image of head that goes with it
 *	(see photo_bridge.h). The photo is deleted again when the image
 *	cannot be made.
 */
RAMIMG *createPhotoRAMImage(Tcl_Interp *interp, char *name, size_t nameSize, ImageHead *head)
{
    if (ovexMainWindow(interp) == NULL || name == NULL || nameSize == 0) {
        return NULL;
    }
    int status = name[0] != '\0'
                     ? combEval(NULL, NULL, interp, NULL, "image", "create", "photo", name,
                                (char *)NULL)
                     : combEval(NULL, NULL, interp, NULL, "image", "create", "photo",
                                (char *)NULL);
    if (status != TCL_OK) {
        return NULL;
    }
    const char *created = Tcl_GetStringResult(interp);
    size_t length = strlen(created);
    if (length + sizeof(".ramimg") > RAMIMG_NAME_SIZE || length >= nameSize) {
        Tcl_VarEval(interp, "image delete ", created, (char *)NULL);
        return NULL;
    }
    memcpy(name, created, length + 1);

    char tag[RAMIMG_NAME_SIZE];
    memcpy(tag, name, length);
    memcpy(tag + length, ".ramimg", sizeof(".ramimg"));
    int err = RAMIMG_OK;
    RAMIMG *image = openRAMImage(tag, NULL, head, NULL, &err);
    if (image == NULL) {
        Tcl_VarEval(interp, "image delete ", name, (char *)NULL);
    }
    return image;
}

/*
 *----------------------------------------------------------------------
 *
 * ramImageToPhoto --
 *
 *	Shows the image in the photo photoName, one row at a time.
 *
 * Results:
 *	0 done, 1 no such photo, 2 out of memory (the photo may then hold
 *	part of the image).
 *
 * Side effects:
 *	The photo is resized to the image.
 *
 *----------------------------------------------------------------------
 */
int ramImageToPhoto(Tcl_Interp *interp, RAMIMG *image, const char *photoName)
{
    Tk_PhotoHandle photo = findPhoto(interp, photoName);
    if (photo == NULL) {
        return 1;
    }
    int columns = image->head.columns;
    int rows = image->head.rows;
    if (Tk_PhotoSetSize(interp, photo, columns, rows) != TCL_OK) {
        return 2;
    }
    if (columns <= 0 || rows <= 0) {
        return 0;
    }
    if (3 * (size_t)columns > UINT_MAX) {
        return 2;
    }
    unsigned char *planes = (unsigned char *)Tcl_AttemptAlloc((unsigned int)(3 * (size_t)columns));
    if (planes == NULL) {
        return 2;
    }

    /* One row as three planes: red, green, blue. An alpha offset outside
     * the pixel makes every pixel opaque. */
    Tk_PhotoImageBlock block;
    block.pixelPtr = planes;
    block.width = columns;
    block.height = 1;
    block.pitch = 3 * columns;
    block.pixelSize = 1;
    block.offset[0] = 0;
    block.offset[1] = columns;
    block.offset[2] = 2 * columns;
    block.offset[3] = -1;

    int nbands = image->head.nbands;
    int status = 0;
    for (int row = 0; row < rows && status == 0; row++) {
        if (image->head.nindices > 0) {
            unsigned char *indices = planes;
            getRowByte(image, row, 0, columns, 0, indices);
            /* Blue and green first: the red plane holds the indices. */
            for (int channel = 2; channel >= 0; channel--) {
                unsigned char *plane = planes + (size_t)channel * columns;
                for (int col = 0; col < columns; col++) {
                    plane[col] = image->head.palette[indices[col]][channel];
                }
            }
        } else {
            for (int channel = 0; channel < 3; channel++) {
                int band = channel < nbands ? channel : nbands - 1;
                getRowByte(image, row, 0, columns, band, planes + (size_t)channel * columns);
            }
        }
        if (Tk_PhotoPutBlock(interp, photo, &block, 0, row, columns, 1, TK_PHOTO_COMPOSITE_SET)
                != TCL_OK) {
            status = 2;
        }
    }
    Tcl_Free((char *)planes);
    return status;
}
