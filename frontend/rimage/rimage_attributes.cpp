/*
 * rimage_attributes.cpp --
 *
 *	The attribute options of the rimage command over ImageHead, the rules
 *	that keep a head consistent whenever options change it (band count,
 *	palette size, format constraints, row length, grey palette), and the
 *	packed layouts of the memory images.
 */
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "frontend/rimage/rimage_command.h"
#include "ramimage/memory_layout.h"
#include "ramimage/ramimg.h"
#include "core/custom_options.h"
#include "core/option_engine.h"
#include "core/rounding.h"

#define HEAD_OFFSET(field) offsetof(ImageHead, field)

/* No option-database names: only the defaults ever apply. */
const Tk_ConfigSpec rimageAttributeSpecs[] = {
    {TK_CONFIG_CUSTOM, "-file", NULL, NULL, "rimage.lan", HEAD_OFFSET(file), 0, &fileOption},
    {TK_CONFIG_CUSTOM, "-mapid", NULL, NULL, "GRID", HEAD_OFFSET(mapid), 0, &mapidOption},
    {TK_CONFIG_CUSTOM, "-imgid", NULL, NULL, "E74", HEAD_OFFSET(imgid), 0, &imgidOption},
    {TK_CONFIG_CUSTOM, "-imgdes", NULL, NULL, "", HEAD_OFFSET(imgdes), 0, &imgdesOption},
    {TK_CONFIG_CUSTOM, "-imgtype", NULL, NULL, "GENERAL", HEAD_OFFSET(imgtype), 0,
     &imgtypeOption},
    {TK_CONFIG_CUSTOM, "-pixel", NULL, NULL, "BYTE", HEAD_OFFSET(pixel), 0, &pixelOption},
    {TK_CONFIG_INT, "-nbands", NULL, NULL, "1", HEAD_OFFSET(nbands), 0, NULL},
    {TK_CONFIG_INT, "-msbf", NULL, NULL, "0", HEAD_OFFSET(msbf), 0, NULL},
    {TK_CONFIG_INT, "-rows", NULL, NULL, "512", HEAD_OFFSET(rows), 0, NULL},
    {TK_CONFIG_INT, "-columns", NULL, NULL, "512", HEAD_OFFSET(columns), 0, NULL},
    {TK_CONFIG_INT, "-top", NULL, NULL, "0", HEAD_OFFSET(top), 0, NULL},
    {TK_CONFIG_INT, "-left", NULL, NULL, "0", HEAD_OFFSET(left), 0, NULL},
    {TK_CONFIG_DOUBLE, "-x0", NULL, NULL, "0.0", HEAD_OFFSET(x0), 0, NULL},
    {TK_CONFIG_DOUBLE, "-y0", NULL, NULL, "0.0", HEAD_OFFSET(y0), 0, NULL},
    {TK_CONFIG_DOUBLE, "-z0", NULL, NULL, "0.0", HEAD_OFFSET(z0), 0, NULL},
    {TK_CONFIG_DOUBLE, "-dx", NULL, NULL, "1.0", HEAD_OFFSET(dx), 0, NULL},
    {TK_CONFIG_DOUBLE, "-dy", NULL, NULL, "1.0", HEAD_OFFSET(dy), 0, NULL},
    {TK_CONFIG_DOUBLE, "-zscale", NULL, NULL, "1.0", HEAD_OFFSET(zscale), 0, NULL},
    {TK_CONFIG_DOUBLE, "-zmin", NULL, NULL, "0.0", HEAD_OFFSET(zmin), 0, NULL},
    {TK_CONFIG_DOUBLE, "-zmax", NULL, NULL, "0.0", HEAD_OFFSET(zmax), 0, NULL},
    {TK_CONFIG_INT, "-offset", NULL, NULL, "128", HEAD_OFFSET(offset), 0, NULL},
    {TK_CONFIG_INT, "-block", NULL, NULL, "512", HEAD_OFFSET(block), 0, NULL},
    {TK_CONFIG_INT, "-nindices", NULL, NULL, "0", HEAD_OFFSET(nindices), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL},
};

/* Palette entries the pixel type of a one-band image can index. */
static int paletteLimit(int pixel)
{
    switch (pixel) {
    case PIXEL_1BIT:
        return 2;
    case PIXEL_4BITS:
        return 16;
    case PIXEL_BYTE:
        return 256;
    default:
        return 0;
    }
}

/*
 * applyFormatRules --
 *	Makes the bands, pixel type and palette size of h fit its imgid.
 *	Returns NULL, or the message that refuses the combination.
 */
static const char *applyFormatRules(ImageHead *h)
{
    switch (h->imgid) {
    case IMGID_BSQ: case IMGID_BIL: case IMGID_BIP:
    case IMGID_MBSQ: case IMGID_MBIL: case IMGID_MBIP:
        if (h->pixel == PIXEL_1BIT) {
            h->nindices = 2;
        }
        break;
    case IMGID_TIFF:
    case IMGID_GEOTIFF:
        if (h->nbands == 1) {
            h->nindices = paletteLimit(h->pixel);
        }
        break;
    case IMGID_DIB:
        if (h->nbands == 1) {
            int limit = paletteLimit(h->pixel);
            if (limit == 0) {
                return "Illegal pixel for a DIB image.";
            }
            h->nindices = limit;
        } else if (h->nbands == 3) {
            if (h->pixel != PIXEL_BYTE) {
                return "Illegal pixel for a 24-BIT DIB image.";
            }
            h->nindices = 0;
        } else {
            return "Illegal bands for a DIB image.";
        }
        break;
    case IMGID_JPEG:
    case IMGID_PPM:
        if (h->nbands != 1 && h->nbands != 3) {
            return h->imgid == IMGID_JPEG ? "Illegal bands for a JPEG image."
                                          : "Illegal bands for a PPM image.";
        }
        h->pixel = PIXEL_BYTE;
        h->nindices = 0;
        h->offset = 0;
        break;
    case IMGID_FFT:
        h->nbands = 2;
        h->pixel = PIXEL_FLOAT;
        h->imgid = IMGID_BIP;
        break;
    case IMGID_MRGB32: case IMGID_MRGB24: case IMGID_MRGB565: case IMGID_MRGB555:
    case IMGID_MRGB8: case IMGID_MRGB4: case IMGID_MRGB1: {
        /* The block is only raised to the packed length, below. */
        int32_t block = h->block;
        applyMemoryLayout(h);
        h->block = block;
        if (h->imgid <= IMGID_MRGB555) {
            h->nindices = 0;
        }
        break;
    }
    default:
        break;
    }
    return NULL;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageParseAttributes --
 *
 *	Applies attribute options to head: the given options on a copy,
 *	then the band, palette and format rules, the row length and the
 *	grey palette. With 0 words the result lists every option, with 1
 *	word that option.
 *
 * Results:
 *	0 on success; 1 with the message in the result, head unchanged.
 *
 * Side effects:
 *	head takes the new attributes.
 *
 *----------------------------------------------------------------------
 */
int rimageParseAttributes(ImageHead *head, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        const char *name = argc == 1 ? argv[0] : NULL;
        return ovexConfigureInfo(interp, NULL, rimageAttributeSpecs, (char *)head, name, 0)
                   == TCL_OK ? 0 : 1;
    }

    ImageHead h = *head;
    if (ovexConfigure(interp, NULL, rimageAttributeSpecs, argc, argv, (char *)&h,
                      TK_CONFIG_ARGV_ONLY) != TCL_OK) {
        return 1;
    }
    if (h.nbands < 1) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(fmt("Invalid band number:%d", h.nbands), -1));
        return 1;
    }
    if (h.nbands == 1) {
        if (h.nindices < 0 || h.nindices > paletteLimit(h.pixel)) {
            Tcl_SetObjResult(interp, Tcl_NewStringObj("Invalid index number.", -1));
            return 1;
        }
    } else {
        h.nindices = 0;
    }
    const char *refusal = applyFormatRules(&h);
    if (refusal != NULL) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(refusal, -1));
        return 1;
    }

    h.bits = bitsPerPixel(h.pixel);
    int64_t least = leastRowLength(&h);
    if (least > INT32_MAX) {
        /* A row that no 32-bit block can hold would wrap every size
         * computed from it. */
        Tcl_SetObjResult(interp, Tcl_NewStringObj("Image row too long.", -1));
        return 1;
    }
    if (h.block < least) {
        h.block = (int32_t)least;
    }

    if (head->nindices == 0) {
        fillGreyRamp(&h);
    } else {
        h.nindices = head->nindices;
        memcpy(h.palette, head->palette, sizeof h.palette);
    }
    *head = h;
    return 0;
}
