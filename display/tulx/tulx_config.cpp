/*
 * tulx_config.cpp --
 *
 *	Options of a "tulx" image and their effect: the option table, the
 *	shown RAM image chosen by -file or -data, and the view set-up
 *	(geometry, contrast, palette, lookup tables, masks) applied after
 *	every change.
 */
#include <ctype.h>
#include <math.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <string>

#include "core/gmem.h"
#include "core/package.h"
#include "core/rounding.h"
#include "display/tulx/tulx.h"
#include "ramimage/band_stats.h"
#include "display/photo_bridge.h"
#include "ramimage/ramimg.h"
#include "ovex/ovexstdio.h"

#define HEAD(field) (offsetof(TulxMaster, head) + offsetof(ImageHead, field))
#define OPT(field) offsetof(TulxMaster, field)

Tk_ConfigSpec tulxConfigSpecs[] = {
    {TK_CONFIG_UID, "-background", NULL, NULL, "#000000", OPT(background), 0, NULL},
    {TK_CONFIG_UID, "-foreground", NULL, NULL, "#ffffff", OPT(foreground), 0, NULL},
    {TK_CONFIG_STRING, "-file", NULL, NULL, NULL, OPT(file), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_STRING, "-maskfile", NULL, NULL, NULL, OPT(maskfile), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_STRING, "-maskclass", NULL, NULL, NULL, OPT(maskclass), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_STRING, "-data", NULL, NULL, NULL, OPT(data), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-mapid", NULL, NULL, "GRID", HEAD(mapid), 0, &mapidOption},
    {TK_CONFIG_CUSTOM, "-imgid", NULL, NULL, "BSQ", HEAD(imgid), 0, &imgidOption},
    {TK_CONFIG_INT, "-offset", NULL, NULL, "0", HEAD(offset), 0, NULL},
    {TK_CONFIG_CUSTOM, "-pixel", NULL, NULL, "BYTE", HEAD(pixel), 0, &pixelOption},
    {TK_CONFIG_INT, "-nbands", NULL, NULL, "1", HEAD(nbands), 0, NULL},
    {TK_CONFIG_INT, "-msbf", NULL, NULL, "-1", HEAD(msbf), 0, NULL},
    {TK_CONFIG_INT, "-rows", NULL, NULL, "512", HEAD(rows), 0, NULL},
    {TK_CONFIG_INT, "-columns", NULL, NULL, "512", HEAD(columns), 0, NULL},
    {TK_CONFIG_INT, "-left", NULL, NULL, "0", HEAD(left), 0, NULL},
    {TK_CONFIG_INT, "-top", NULL, NULL, "0", HEAD(top), 0, NULL},
    {TK_CONFIG_DOUBLE, "-x0", NULL, NULL, "0.0", HEAD(x0), 0, NULL},
    {TK_CONFIG_DOUBLE, "-y0", NULL, NULL, "0.0", HEAD(y0), 0, NULL},
    {TK_CONFIG_DOUBLE, "-dx", NULL, NULL, "1.0", HEAD(dx), 0, NULL},
    {TK_CONFIG_DOUBLE, "-dy", NULL, NULL, "1.0", HEAD(dy), 0, NULL},
    {TK_CONFIG_CUSTOM, "-func", NULL, NULL, "NONE", OPT(func), 0, &funcOption},
    {TK_CONFIG_CUSTOM, "-range", NULL, NULL, "DETAIL", OPT(range), 0, &rangeOption},
    {TK_CONFIG_DOUBLE, "-std", NULL, NULL, "2.5", OPT(stdK), 0, NULL},
    {TK_CONFIG_BOOLEAN, "-test", NULL, NULL, "false", OPT(test), 0, NULL},
    {TK_CONFIG_BOOLEAN, "-autod", NULL, NULL, "true", OPT(autod), 0, NULL},
    {TK_CONFIG_BOOLEAN, "-update", NULL, NULL, "false", OPT(update), 0, NULL},
    {TK_CONFIG_INT, "-width", NULL, NULL, "128", OPT(width), 0, NULL},
    {TK_CONFIG_INT, "-height", NULL, NULL, "128", OPT(height), 0, NULL},
    {TK_CONFIG_DOUBLE, "-mx", NULL, NULL, "1.0", OPT(mx), 0, NULL},
    {TK_CONFIG_DOUBLE, "-my", NULL, NULL, "1.0", OPT(my), 0, NULL},
    {TK_CONFIG_INT, "-sr", NULL, NULL, "0", OPT(sr), 0, NULL},
    {TK_CONFIG_INT, "-sc", NULL, NULL, "0", OPT(sc), 0, NULL},
    {TK_CONFIG_DOUBLE, "-low0", NULL, NULL, "0", OPT(low[0]), 0, NULL},
    {TK_CONFIG_DOUBLE, "-low1", NULL, NULL, "0", OPT(low[1]), 0, NULL},
    {TK_CONFIG_DOUBLE, "-low2", NULL, NULL, "0", OPT(low[2]), 0, NULL},
    {TK_CONFIG_DOUBLE, "-high0", NULL, NULL, "255", OPT(high[0]), 0, NULL},
    {TK_CONFIG_DOUBLE, "-high1", NULL, NULL, "255", OPT(high[1]), 0, NULL},
    {TK_CONFIG_DOUBLE, "-high2", NULL, NULL, "255", OPT(high[2]), 0, NULL},
    {TK_CONFIG_CUSTOM, "-palette", NULL, NULL, "Default", OPT(palette), 0, &paletteOption},
    {TK_CONFIG_INT, "-layer", NULL, NULL, "0", OPT(layer), 0, NULL},
    {TK_CONFIG_CUSTOM, "-comb", NULL, NULL, "1", OPT(comb), 0, &combOption},
    {TK_CONFIG_INT, "-maxw", NULL, NULL, "4096", OPT(maxw), 0, NULL},
    {TK_CONFIG_INT, "-maxh", NULL, NULL, "4096", OPT(maxh), 0, NULL},
    {TK_CONFIG_INT, "-dither", NULL, NULL, "0", OPT(dither), 0, NULL},
    {TK_CONFIG_DOUBLE, "-dg", NULL, NULL, "0.9", OPT(dg), 0, NULL},
    {TK_CONFIG_INT, "-gmid", NULL, NULL, "0", OPT(gmid), 0, NULL},
    {TK_CONFIG_DOUBLE, "-gamma", NULL, NULL, "1.0", OPT(gamma), 0, NULL},
    {TK_CONFIG_DOUBLE, "-contrast", NULL, NULL, "1.0", OPT(contrast), 0, NULL},
    {TK_CONFIG_DOUBLE, "-bright", NULL, NULL, "0.5", OPT(bright), 0, NULL},
    {TK_CONFIG_DOUBLE, "-sharpness", NULL, NULL, "0.0", OPT(sharpness), 0, NULL},
    {TK_CONFIG_DOUBLE, "-emboss", NULL, NULL, "0.0", OPT(emboss), 0, NULL},
    {TK_CONFIG_INT, "-filterdir", NULL, NULL, "0", OPT(filterdir), 0, NULL},
    {TK_CONFIG_INT, "-filterbg", NULL, NULL, "0", OPT(filterbg), 0, NULL},
    {TK_CONFIG_INT, "-yflip", NULL, NULL, "0", OPT(yflip), 0, NULL},
    {TK_CONFIG_INT, "-xflip", NULL, NULL, "0", OPT(xflip), 0, NULL},
    {TK_CONFIG_INT, "-rotate", NULL, NULL, "0", OPT(rotate), 0, NULL},
    {TK_CONFIG_INT, "-tile", NULL, NULL, "0", OPT(tile), 0, NULL},
    {TK_CONFIG_INT, "-tw", NULL, NULL, "2048", OPT(tw), 0, NULL},
    {TK_CONFIG_INT, "-th", NULL, NULL, "2048", OPT(th), 0, NULL},
    {TK_CONFIG_INT, "-turbo", NULL, NULL, "0", OPT(turbo), 0, NULL},
    {TK_CONFIG_INT, "-maskon", NULL, NULL, "1", OPT(maskon), 0, NULL},
    {TK_CONFIG_INT, "-maskopaque", NULL, NULL, "0", OPT(maskopaque), 0, NULL},
    {TK_CONFIG_INT, "-maskimgband", NULL, NULL, "1", OPT(maskimgband), 0, NULL},
    {TK_CONFIG_UID, "-stipple", NULL, NULL, "None", OPT(stippleName), 0, NULL},
    {TK_CONFIG_INT, "-pixmaponly", NULL, NULL, "0", OPT(pixmaponly), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL},
};

static void setStringOption(char **field, const char *text)
{
    if (*field != NULL) {
        ckfree(*field);
    }
    *field = NULL;
    if (text != NULL) {
        size_t length = strlen(text);
        size_t size = length + 1 < RAMIMG_NAME_SIZE ? RAMIMG_NAME_SIZE : length + 1;
        *field = (char *)ckalloc(size);
        memset(*field, 0, size);
        memcpy(*field, text, length);
    }
}

/* Closes the shown image and forgets its rendering. */
static void releaseShownImage(TulxMaster *master)
{
    if (master->ramImage == NULL) {
        return;
    }
    closeRAMImage(master->ramImage, &master->imageClient);
    master->ramImage = NULL;
    master->viewReady = 0;
    vpFreePixmap(&master->imageView);
    if (master->masksPresent) {
        tulxClearMask(master, TULX_MASK_ALL, 1);
    }
}

/*
 * openShownImage --
 *	Finds or opens the image that the -file text names: a RAM image tag,
 *	an image file, a Tk photo, or raw data described by the head. NULL
 *	with the message in the interpreter when nothing can be opened.
 */
/* Why the open of a file just failed: the library's reason, else the
 * text of the error code. */
static std::string openFailure(int err)
{
    const char *reason = ramImageOpenReason();
    return reason[0] != '\0' ? reason : ramImageErrorText(err);
}

static RAMIMG *openShownImage(TulxMaster *master, const char *text)
{
    Tcl_Interp *interp = master->interp;
    int err = RAMIMG_OK;
    RAMIMG *image = NULL;
    std::string why;            /* the reason a file open failed, for the message */
    if (master->autod) {
        if (getRAMImageByTag(text) != NULL) {
            image = openRAMImage(text, NULL, NULL, NULL, &err);
        } else {
            /* The image's own name is the tag, unless another image has it. */
            const char *tag = getRAMImageByTag(master->name) == NULL ? master->name : NULL;
            image = openRAMImage(tag, text, NULL, NULL, &err);
            if (image == NULL) {
                why = openFailure(err);
            }
            if (image == NULL && err == RAMIMG_EOPEN && findPhoto(interp, text) != NULL) {
                image = photoToRAMImage(interp, text, &master->head, NULL);
                ovex_fprintf(stderr, image != NULL ? "opened tkPhoto object...\n"
                                                   : "failed to open tkphoto object ...\n");
            }
        }
        if (image == NULL) {
            if (err == RAMIMG_EUNHANDLED) {
                Tcl_AppendResult(interp, "Unable to hanlde the image.", (char *)NULL);
                return NULL;
            }
            if (err != RAMIMG_ECREATE) {
                image = loadPhotoFile(interp, "-file", text, &master->head);
                ovex_fprintf(stderr, image != NULL ? "opened tkPhoto image...\n"
                                                   : "failed to open photo image ...\n");
            }
        }
    }
    if (image == NULL) {
        ImageHead *head = &master->head;
        head->bits = bitsPerPixel(head->pixel);
        head->nindices = 0;
        head->transparent = -1;
        head->block = 0;
        RAMIMG *tagged = getRAMImageByTag(text);
        if (tagged != NULL) {
            image = openRAMImage(text, NULL, NULL, NULL, &err);
            if (image != NULL) {
                memcpy(head->file, image->head.file, sizeof(head->file));
                if (image == master->ramImage) {
                    reopenRamImage(NULL, head, image, &err);
                }
            }
        } else {
            snprintf(head->file, sizeof(head->file), "%s", text);
            if (head->rows > 0 && head->columns > 0 && head->nbands > 0) {
                const char *tag = getRAMImageByTag(master->name) == NULL ? master->name : NULL;
                /* -msbf -1 keeps an image's own order; raw data has none but the host's. */
                ImageHead raw;
                memcpy(&raw, head, sizeof(raw));
                if (raw.msbf < 0) {
                    raw.msbf = msbFirst();
                }
                image = openRAMImage(tag, text, &raw, NULL, &err);
                if (image == NULL) {
                    why = openFailure(err);
                }
            }
        }
        if (image == NULL) {
            /* The file and, when known, why it did not open. */
            Tcl_AppendResult(interp, "Fail to open ram image. Error in open ", text, (char *)NULL);
            if (!why.empty()) {
                Tcl_AppendResult(interp, ": ", why.c_str(), (char *)NULL);
            }
        }
    }
    return image;
}

static int configureFile(TulxMaster *master)
{
    if (master->file == NULL || master->file[0] == '\0') {
        releaseShownImage(master);
        if (master->srcImageName[0] != '\0') {
            TulxMaster *src = tulxFindImage(master->interp, master->srcImageName);
            if (src != NULL) {
                master->rotate = src->rotate;
                master->xflip = src->xflip;
                master->yflip = src->yflip;
            }
        }
        return tulxConfigView(master);
    }
    char text[RAMIMG_NAME_SIZE];
    strncpy(text, master->file, sizeof(text) - 1);
    text[sizeof(text) - 1] = '\0';
    master->srcImageName[0] = '\0';
    int changed = 1;
    if (master->ramImage != NULL
            && (getRAMImageByTag(text) == master->ramImage
                || getRAMImageByName(text) == master->ramImage)) {
        changed = 0;
    }
    if (!changed && !master->update) {
        return tulxConfigView(master);
    }
    RAMIMG *image = openShownImage(master, text);
    if (image == NULL) {
        setStringOption(&master->file, master->head.file);
        return TCL_ERROR;
    }
    if (image != master->ramImage) {
        releaseShownImage(master);
        addRamImageClient(&master->imageClient, image);
        memcpy(master->head.file, image->head.file, sizeof(master->head.file));
        master->ramImage = image;
        if (image->head.nindices > 0) {
            master->layer = 1;
        }
        return tulxReloadHeader(master);
    }
    closeRAMImage(image, NULL);
    return changed ? tulxReloadHeader(master) : tulxConfigView(master);
}

/*
 * tulxConfigure --
 *	Parses option words into the master and applies them.
 */
int tulxConfigure(TulxMaster *master, int argc, const char **argv, int flags)
{
    Tcl_Interp *interp = master->interp;
    Tk_Uid oldFg = master->foreground, oldBg = master->background;
    Tk_Uid oldStipple = master->stippleName;
    if (Tk_ConfigureWidget(interp, master->tkwin, tulxConfigSpecs, argc, argv, (char *)master,
                           flags) != TCL_OK) {
        return TCL_ERROR;
    }
    if (master->foreground != oldFg) {
        XColor *color = Tk_GetColor(interp, master->tkwin, master->foreground);
        if (color == NULL) {
            master->foreground = oldFg;
            ovexAddErrorInfo(interp, "Fail to get fg color.");
            return TCL_ERROR;
        }
        if (master->fgColor != NULL) {
            Tk_FreeColor(master->fgColor);
        }
        master->fgColor = color;
        XSetForeground(master->display, master->gc, color->pixel);
    }
    if (master->background != oldBg) {
        XColor *color = Tk_GetColor(interp, master->tkwin, master->background);
        if (color == NULL) {
            master->background = oldBg;
            ovexAddErrorInfo(interp, "Fail to get bg color.");
            return TCL_ERROR;
        }
        if (master->bgColor != NULL) {
            Tk_FreeColor(master->bgColor);
        }
        master->bgColor = color;
        XSetBackground(master->display, master->gc, color->pixel);
    }
    if (master->stippleName != oldStipple) {
        if (strcmp(master->stippleName, "None") == 0) {
            tulxMakeGCs(master);
            if (master->stipple != 0) {
                Tk_FreeBitmap(master->display, master->stipple);
            }
            master->stipple = 0;
        } else {
            Pixmap bitmap = Tk_GetBitmap(interp, master->tkwin, master->stippleName);
            if (bitmap == 0) {
                master->stippleName = oldStipple;
                ovexAddErrorInfo(interp, "Fail to get stipple pixmap.");
                return TCL_ERROR;
            }
            XSetStipple(master->display, master->gc, bitmap);
            if (master->stipple != 0) {
                Tk_FreeBitmap(master->display, master->stipple);
            }
            master->stipple = bitmap;
        }
    }
    if (master->data != NULL) {
        RAMIMG *image = loadPhotoFile(interp, "-data", master->data, &master->head);
        if (image == NULL) {
            Tcl_AppendResult(interp, "Fail to open ramimg from string data.", (char *)NULL);
            return TCL_ERROR;
        }
        setStringOption(&master->data, NULL);
        setStringOption(&master->file, image->tag);
        /* Showing the image takes a hold of its own; this one goes. */
        int code = configureFile(master);
        closeRAMImage(image, NULL);
        return code;
    }
    master->head.block = (bitsPerPixel(master->head.pixel) * master->head.columns + 7) / 8;
    return configureFile(master);
}

/* Applies the mask file, its band and its classes; 1 when masks changed. */
static int configureMaskFile(TulxMaster *master, int *failed)
{
    Tcl_Interp *interp = master->interp;
    int changed = 0;
    *failed = 0;
    if (master->maskclass != NULL) {
        int n = parseIndexRanges(master->classMask, 0, master->maskclass);
        if (n < 0) {
            Tcl_AppendResult(interp, "Error in parsing mask class.", (char *)NULL);
            *failed = 1;
            return 0;
        }
        changed = n > 0;
    }
    if (master->maskfile == NULL || master->maskfile[0] == '\0') {
        if (master->maskFileImage != NULL) {
            closeRAMImage(master->maskFileImage, &master->maskFileClient);
            master->maskFileImage = NULL;
            bitmapFree(&master->classBitmap);
            changed = 1;
        }
        return changed;
    }
    const char *name = master->maskfile;
    if (strcasecmp(name, "Default") == 0 && master->file != NULL) {
        name = master->file;
    }
    RAMIMG *image = NULL;
    int err;
    if (getRAMImageByTag(name) != NULL) {
        image = openRAMImage(name, NULL, NULL, NULL, &err);
    } else if (getRAMImageByName(name) != NULL) {
        image = openRAMImage(NULL, name, NULL, NULL, &err);
    } else {
        image = openRAMImage(NULL, name, NULL, NULL, &err);
        if (image == NULL) {
            image = loadPhotoFile(interp, "-file", name, &master->head);
        }
        if (image == NULL && findPhoto(interp, name) != NULL) {
            image = photoToRAMImage(interp, name, &master->head, NULL);
        }
    }
    if (image == NULL) {
        Tcl_AppendResult(interp, "Fail to open mask image file", (char *)NULL);
        *failed = 1;
        return 0;
    }
    if (image == master->maskFileImage) {
        closeRAMImage(image, NULL);
    } else {
        if (master->maskFileImage != NULL) {
            closeRAMImage(master->maskFileImage, &master->maskFileClient);
        }
        addRamImageClient(&master->maskFileClient, image);
        master->maskFileImage = image;
        bitmapFree(&master->classBitmap);
        changed = 1;
    }
    if (master->maskimgband < 1) {
        master->maskimgband = 1;
    }
    if (master->maskimgband > image->head.nbands) {
        master->maskimgband = image->head.nbands;
    }
    if (master->maskimgband != master->maskImgBandApplied) {
        master->maskImgBandApplied = master->maskimgband;
        bitmapFree(&master->classBitmap);
        changed = 1;
    }
    return changed;
}

/*
 * tulxConfigView --
 *	Applies every view option: geometry, contrast, palette, tables and
 *	masks, then asks for a redisplay.
 */
int tulxConfigView(TulxMaster *master)
{
    Tcl_Interp *interp = master->interp;
    ImageHead *head = &master->head;
    RAMIMG *image = master->ramImage;
    if (head->nbands < 1) {
        head->nbands = 1;
    }
    if (master->layer < 0) {
        master->layer = 0;
    }
    if (master->layer > head->nbands) {
        master->layer = head->nbands;
    }
    if (image != NULL) {
        if (master->layer == 0) {
            head->nindices = 0;
        } else if (head->nindices == 0) {
            if (image->head.nindices > 0) {
                head->nindices = image->head.nindices;
                memcpy(head->palette, image->head.palette, sizeof(head->palette));
            } else {
                head->nindices = makeCubePalette(head->palette, 256, 0, 0, 0);
            }
            tulxFreeColors(master);
        }
        if (master->sr < 0) {
            master->sr = 0;
        }
        if (master->sr >= image->head.rows) {
            master->sr = image->head.rows - 1;
        }
        if (master->sc < 0) {
            master->sc = 0;
        }
        if (master->sc >= image->head.columns) {
            master->sc = image->head.columns - 1;
        }
        if (head->msbf >= 0 && head->msbf != image->head.msbf) {
            image->head.msbf = head->msbf;
            setRAMImageBuf(image, 128);
            if (image->stats != NULL && image->head.pixel != PIXEL_BYTE) {
                ramImageHist(image, HIST_RECOMPUTE, 4, 4);
            }
        }
    }
    if (head->dx <= 0) {
        head->dx = 1.0;
    }
    if (head->dy <= 0) {
        head->dy = 1.0;
    }
    if (tulxConfigMagnification(master, master->mx, master->my) != 0) {
        Tcl_AppendResult(interp, "Error in tulxConfigMagnification ...\n", (char *)NULL);
        return TCL_ERROR;
    }
    tulxContrastLimits(master);

    if (image != NULL && image->head.imgid == IMGID_XBMP && image->head.bits == 1) {
        head->palette[0][0] = master->fgColor->red >> 8;
        head->palette[0][1] = master->fgColor->green >> 8;
        head->palette[0][2] = master->fgColor->blue >> 8;
        head->palette[1][0] = master->bgColor->red >> 8;
        head->palette[1][1] = master->bgColor->green >> 8;
        head->palette[1][2] = master->bgColor->blue >> 8;
        tulxFreeColors(master);
    }
    if (image != NULL && image->head.transparent >= 0 && image->head.transparent < 256) {
        int t = image->head.transparent;
        XColor *color = NULL;
        if (image->head.imgid == IMGID_GIF87A || image->head.imgid == IMGID_GIF89A) {
            const char *name = Tcl_GetVar(interp, "TRANSPARENT_GIF_COLOR", TCL_GLOBAL_ONLY);
            if (name != NULL) {
                color = Tk_GetColor(interp, master->tkwin, Tk_GetUid(name));
                Tcl_ResetResult(interp);
            }
        }
        XColor *use = color != NULL ? color : master->bgColor;
        head->palette[t][0] = use->red >> 8;
        head->palette[t][1] = use->green >> 8;
        head->palette[t][2] = use->blue >> 8;
        if (color != NULL) {
            Tk_FreeColor(color);
        }
        if (master->pixels != NULL) {
            tulxFreeColors(master);
        }
    }
    int bands = head->nbands > 0 ? head->nbands : 1;
    bool paletteBands = image != NULL && head->nindices > 0 && master->layer >= 1;
    for (int c = 0; c < 3; c++) {
        int b = master->comb.band[c];
        if (b > 0) {
            master->comb.band[c] = paletteBands ? ((b - 1) % 3) + 1 : ((b - 1) % bands) + 1;
        }
    }
    master->funcApplied = master->func;
    master->filterdir = master->filterdir < 0 ? 0 : (master->filterdir > 4 ? 4 : master->filterdir);
    master->filterbg = master->filterbg < 0 ? 0 : (master->filterbg > 255 ? 255 : master->filterbg);
    double factor;
    if (master->emboss != 0.0) {
        factor = master->emboss;
        master->filterBgApplied = -1;
    } else {
        factor = master->sharpness;
        master->filterBgApplied = master->filterbg;
    }
    master->directPalette = master->layer >= 1 && master->filterFactor == 0.0
        && master->dither == 0;
    if (master->palette.levels < 0) {
        master->palette.levels = 28;
    }
    int *applied = master->paletteApplied;
    int wanted[4] = {master->palette.levels, master->palette.red, master->palette.green,
                     master->palette.blue};
    bool filterSwitch = (master->filterFactor == 0.0) != (factor == 0.0);
    if (master->dither != master->ditherApplied || master->pixels == NULL
            || master->layer != master->layerApplied || filterSwitch
            || memcmp(applied, wanted, sizeof(wanted)) != 0) {
        master->ditherApplied = master->dither;
        master->filterFactor = factor;
        master->layerApplied = master->layer;
        memcpy(applied, wanted, sizeof(wanted));
        master->paletteFlags = (applied[0] != 0 ? 1 : 0) | (applied[1] > 1 ? 2 : 0)
            | (applied[2] > 1 ? 4 : 0) | (applied[3] > 1 ? 8 : 0);
        if (master->depth <= 8) {
            truePalette(master);
        }
        master->palette.levels = applied[0];
        master->palette.red = applied[1];
        master->palette.green = applied[2];
        master->palette.blue = applied[3];
    }
    master->filterFactor = factor;
    tulxUpdateLut(master, master->funcApplied, (float)master->stdK);

    int failed;
    int masksChanged = configureMaskFile(master, &failed);
    if (failed) {
        return TCL_ERROR;
    }
    int op = master->maskon < 0 ? 0 : (master->maskon > 4 ? 4 : master->maskon);
    master->maskon = op;
    if (op != master->maskOnApplied) {
        if (op == 0) {
            if (master->maskOnApplied > 0) {
                master->maskOnApplied = -master->maskOnApplied;
            }
        } else if (op == -master->maskOnApplied) {
            master->maskOnApplied = op;
        } else {
            master->maskOnApplied = op;
            if (!masksChanged) {
                master->masksPresent = tulxUpdateMasks(master);
            }
        }
    }
    if (masksChanged) {
        tulxMaskImageChanged(master);
    }
    tulxRedisplay(master);
    return TCL_OK;
}

static int stripRows(int size, int turbo)
{
    return turbo ? size : (size < 256 ? size : 256);
}

/* The view side for a zoomed extent: the extent rounded up, except that
 * a product a few ulps above a whole number (a scale times a pixel size,
 * both rounded to binary) counts as that number. */
static double viewSideCeil(double extent)
{
    double whole = floor(extent + 0.5);
    if (fabs(extent - whole) <= 1e-9 * (fabs(extent) > 1 ? fabs(extent) : 1)) {
        return whole;
    }
    return ceil(extent);
}

/*
 * tulxConfigMagnification --
 *	Stores the zoom and rebuilds the view geometry and the zoom maps.
 */
int tulxConfigMagnification(TulxMaster *master, double mx, double my)
{
    master->mx = mx;
    master->my = my;
    RAMIMG *image = master->ramImage;
    if (image != NULL) {
        double columns = image->head.columns - (master->sc > 0 ? master->sc : 0);
        double rows = image->head.rows - (master->sr > 0 ? master->sr : 0);
        master->width = clampToInt(viewSideCeil(columns * fabs(mx)));
        master->height = clampToInt(viewSideCeil(rows * fabs(my)));
    }
    if (master->maxw > 0 && master->maxw < master->width) {
        master->width = master->maxw;
    }
    if (master->maxh > 0 && master->maxh < master->height) {
        master->height = master->maxh;
    }
    /* A view of no area maps nothing and draws nothing. */
    int w = master->width > 0 ? master->width : 0;
    int h = master->height > 0 ? master->height : 0;
    int viewW, viewH, stripW, stripH;
    Tk_MakeWindowExist(master->tkwin);
    Drawable drawable = Tk_WindowId(master->tkwin);
    int changed;
    if (master->srcImageName[0] == '\0') {
        if (w > 0) {
            makeZoomMap(&master->colMap, w, master->sc, master->xflip, mx);
        } else {
            zoomMapFree(&master->colMap);
        }
        if (h > 0) {
            makeZoomMap(&master->rowMap, h, master->sr, master->yflip, my);
        } else {
            zoomMapFree(&master->rowMap);
        }
        viewW = master->rotate ? h : w;
        viewH = master->rotate ? w : h;
        changed = vpPixmapSet(&master->imageView, drawable, viewW, viewH, master->depth, 0, 0, 0,
                              0);
    } else {
        viewW = w;
        viewH = h;
        int colN = master->rotate ? h : w, rowN = master->rotate ? w : h;
        double colZoom = master->colMap.zoom != 0.0 ? master->colMap.zoom : mx;
        double rowZoom = master->rowMap.zoom != 0.0 ? master->rowMap.zoom : my;
        if (colN > 0) {
            makeZoomMap(&master->colMap, colN, master->colMap.origin, master->colMap.flip, colZoom);
        }
        if (rowN > 0) {
            makeZoomMap(&master->rowMap, rowN, master->rowMap.origin, master->rowMap.flip, rowZoom);
        }
        changed = vpPixmapSet(&master->imageView, drawable, viewW, viewH, master->depth,
                              master->imageView.x0, master->imageView.y0, master->imageView.x,
                              master->imageView.y);
    }
    if (master->rotate) {
        stripW = stripRows(viewW, master->turbo);
        stripH = viewH;
    } else {
        stripW = viewW;
        stripH = stripRows(viewH, master->turbo);
    }
    if (master->ximage != NULL) {
        master->ximage->width = stripW;
        master->ximage->height = stripH;
        master->ximage->bytes_per_line =
            ((master->ximage->bits_per_pixel * stripW + 31) / 32) * 4;
        master->ximage->data = NULL;
    }
    master->viewReady = 0;
    if (changed) {
        tulxViewRegion(master);
    }
    vpPixmapSet(&master->maskView, drawable, viewW, viewH, 1, master->imageView.x0,
                master->imageView.y0, master->imageView.x, master->imageView.y);
    vpPixmapSet(&master->stippleView, drawable, viewW, viewH, 1, master->imageView.x0,
                master->imageView.y0, master->imageView.x, master->imageView.y);
    if (master->frameShapes != NULL && viewW > 0 && viewH > 0) {
        bitmapAlloc(&master->frameBitmap, viewW, viewH, 0);
        polyFillBitmap(master->frameShapes, &master->frameBitmap, master->frameEvenOdd);
    }
    vpLock(&master->imageView, master->srcImageName[0] != '\0');
    return 0;
}

void tulxContrastLimits(TulxMaster *master)
{
    if (master->contrast > 1) {
        master->contrast = 1.0;
    }
    if (master->contrast < -1) {
        master->contrast = -1.0;
    }
    double c = master->contrast;
    if (c <= 0) {
        master->lutHigh = roundToInt((1 + c) * 127.5);
        master->lutLow = 255 - master->lutHigh;
    } else {
        master->lutLow = roundToInt((1 - c) * 127.5);
        master->lutHigh = 255 - master->lutLow;
    }
    int shift = roundToInt((master->bright - 0.5) * 512);
    master->lutLow += shift;
    master->lutHigh += shift;
    master->lutLow = master->lutLow < 0 ? 0 : (master->lutLow > 255 ? 255 : master->lutLow);
    master->lutHigh = master->lutHigh < 0 ? 0 : (master->lutHigh > 255 ? 255 : master->lutHigh);
}

/*
 * parseIndexRanges --
 *	Values and ranges "a" or "a-b" (0..255) separated by commas or
 *	blanks; mode 0 replaces, 1 adds, 2 toggles. The number of flags
 *	changed, or -1 on a syntax error (flags unchanged).
 */
int parseIndexRanges(unsigned char flags[256], int mode, const char *text)
{
    unsigned char work[256];
    if (mode != 0) {
        memcpy(work, flags, sizeof(work));
    } else {
        memset(work, 0, sizeof(work));
    }
    if (text == NULL) {
        return -1;
    }
    char *copy = (char *)malloc(strlen(text) + 1);
    if (copy == NULL) {
        return -1;
    }
    strcpy(copy, text);
    int tokens = 0;
    int result = 0;
    char *save = NULL;
    for (char *token = strtok_r(copy, ", \t\n", &save); token != NULL;
            token = strtok_r(NULL, ", \t\n", &save)) {
        int a, b;
        int got = sscanf(token, "%d-%d", &a, &b);
        if (got < 1) {
            result = -1;
            break;
        }
        if (got == 1) {
            b = a;
        }
        if (a < 0 || a > b || b > 255) {
            result = -1;
            break;
        }
        tokens++;
        for (int i = a; i <= b; i++) {
            work[i] = (mode >= 2) ? !work[i] : 1;
        }
    }
    free(copy);
    if (result < 0 || tokens == 0) {
        return -1;
    }
    int changed = 0;
    for (int i = 0; i < 256; i++) {
        changed += (work[i] != 0) != (flags[i] != 0);
        flags[i] = work[i];
    }
    return changed;
}
