/*
 * rimage_indices.cpp --
 *
 *	rimage getIndices and setIndices: reading the palette entries of an
 *	image, and setting them and writing the palette into its file.
 */
#include "frontend/rimage/rimage_maintenance.h"

#include <ctype.h>
#include <stdio.h>

#include "core/package.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/ramimg.h"

/*
 * scanInt --
 *	A decimal integer as formatted input reads it: leading white space,
 *	an optional sign, at least one digit. Values beyond int are refused.
 * Returns: 1 with *value and *text moved past the number, else 0.
 */
static int scanInt(const char **text, int *value)
{
    const char *p = *text;
    while (isspace((unsigned char)*p)) {
        p++;
    }
    int sign = 1;
    if (*p == '+' || *p == '-') {
        sign = (*p == '-') ? -1 : 1;
        p++;
    }
    if (!isdigit((unsigned char)*p)) {
        return 0;
    }
    long long number = 0;
    while (isdigit((unsigned char)*p)) {
        number = number * 10 + (*p - '0');
        if (number > 2147483648LL) {
            return 0;
        }
        p++;
    }
    number *= sign;
    if (number > 2147483647LL) {
        return 0;
    }
    *value = (int)number;
    *text = p;
    return 1;
}

/*
 * scanIndexRange --
 *	"N" or "N-M" (nothing else may follow but white space).
 * Returns: 1 with *first <= *last, else 0.
 */
static int scanIndexRange(const char *word, int *first, int *last)
{
    const char *p = word;
    if (!scanInt(&p, first)) {
        return 0;
    }
    *last = *first;
    if (*p == '-') {
        p++;
        if (!scanInt(&p, last)) {
            return 0;
        }
    }
    while (isspace((unsigned char)*p)) {
        p++;
    }
    if (*p != '\0') {
        return 0;
    }
    if (*first > *last) {
        int swap = *first;
        *first = *last;
        *last = swap;
    }
    return 1;
}

/* Palette entries the image uses; the head holds at most 256. */
static int paletteEntries(const RAMIMG *image)
{
    return image->head.nindices > 256 ? 256 : image->head.nindices;
}

/* Appends the element "INDEX R G B". */
static void appendEntry(Tcl_Interp *interp, const RAMIMG *image, int index)
{
    const unsigned char *rgb = image->head.palette[index];
    char element[64];
    snprintf(element, sizeof element, "%d %d %d %d", index, rgb[0], rgb[1], rgb[2]);
    Tcl_AppendElement(interp, element);
}

/*
 *----------------------------------------------------------------------
 *
 * rimageGetIndices --
 *
 *	rimage getIndices NAME ?index ...?: the palette entries of NAME (tag
 *	or file, opened for the call when not open), all of them or those
 *	named by indices and ranges "N-M" (0 to 255, either order).
 *
 * Results:
 *	A list of "INDEX R G B" elements; empty for an image without
 *	colours. TCL_ERROR with "Invalid index.", "Error in open NAME" or
 *	the usage text.
 *
 *----------------------------------------------------------------------
 */
int rimageGetIndices(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Usage: ", argv[0], " getIndices imgid [index]", (char *)NULL);
        return TCL_ERROR;
    }
    RAMIMG *image = openRamImageForCommand(interp, argv[2]);
    if (image == NULL) {
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    int status = TCL_OK;
    if (image->head.nindices > 0) {
        if (argc == 3) {
            for (int i = 0; i < paletteEntries(image); i++) {
                appendEntry(interp, image, i);
            }
        }
        for (int w = 3; w < argc; w++) {
            int first, last;
            if (!scanIndexRange(argv[w], &first, &last) || first < 0 || last > 255) {
                Tcl_SetObjResult(interp, Tcl_NewStringObj("Invalid index.", -1));
                status = TCL_ERROR;
                break;
            }
            for (int i = first; i <= last; i++) {
                appendEntry(interp, image, i);
            }
        }
    }
    closeRAMImage(image, NULL);
    return status;
}

/*
 * scanColorSpec --
 *	"N-M R G B" (a range of indices and a colour) or, failing that,
 *	"N R G B", read as formatted input reads them.
 * Returns: 1 with the range (first <= last) and the colour, else 0.
 */
static int scanColorSpec(const char *word, int *first, int *last, int rgb[3])
{
    const char *p = word;
    if (scanInt(&p, first) && *p == '-') {
        p++;
        if (scanInt(&p, last) && scanInt(&p, &rgb[0]) && scanInt(&p, &rgb[1])
                && scanInt(&p, &rgb[2])) {
            if (*first > *last) {
                int swap = *first;
                *first = *last;
                *last = swap;
            }
            return 1;
        }
    }
    p = word;
    if (scanInt(&p, first) && scanInt(&p, &rgb[0]) && scanInt(&p, &rgb[1])
            && scanInt(&p, &rgb[2])) {
        *last = *first;
        return 1;
    }
    return 0;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageSetIndices --
 *
 *	rimage setIndices NAME ?{index r g b} ...?: sets palette entries of
 *	NAME (a range "N-M" of entries takes one colour) and writes the
 *	palette into the image's file. Clients are not told.
 *
 * Results:
 *	The number of entries the file received ("0" for an image without
 *	a file or a format that keeps no palette). TCL_ERROR with "Not a
 *	color index image.", "Invalid color index specification." (entries
 *	set by earlier words stay set), "Error in open NAME" or the usage.
 *
 *----------------------------------------------------------------------
 */
int rimageSetIndices(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Usage: ", argv[0], " setIndices imgid {index r g b} ...",
                         (char *)NULL);
        return TCL_ERROR;
    }
    RAMIMG *image = openRamImageForCommand(interp, argv[2]);
    if (image == NULL) {
        return TCL_ERROR;
    }
    int entries = paletteEntries(image);
    if (entries < 1) {
        closeRAMImage(image, NULL);
        Tcl_SetObjResult(interp, Tcl_NewStringObj("Not a color index image.", -1));
        return TCL_ERROR;
    }
    for (int w = 3; w < argc; w++) {
        int first, last, rgb[3];
        if (!scanColorSpec(argv[w], &first, &last, rgb) || first < 0 || last >= entries
                || rgb[0] < 0 || rgb[0] > 255 || rgb[1] < 0 || rgb[1] > 255
                || rgb[2] < 0 || rgb[2] > 255) {
            closeRAMImage(image, NULL);
            Tcl_SetObjResult(interp,
                             Tcl_NewStringObj("Invalid color index specification.", -1));
            return TCL_ERROR;
        }
        for (int i = first; i <= last; i++) {
            for (int c = 0; c < 3; c++) {
                image->head.palette[i][c] = (unsigned char)rgb[c];
            }
        }
    }
    int written = flushImageTrailer(image->fd, &image->head, image->priv);
    closeRAMImage(image, NULL);
    Tcl_SetObjResult(interp, Tcl_NewIntObj(written));
    return TCL_OK;
}
