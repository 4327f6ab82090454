/*
 * tulx_dump.cpp --
 *
 *	The dump subcommand of a "tulx" image: what the view shows (zoom,
 *	flips, quarter turn, stretch, palette and filter; masks are not
 *	applied) written to a new DIB, X bitmap, TIFF, GIF or JPEG file, or
 *	into a Tk photo. The view is rendered again through the display's
 *	own row conversion with lookup tables computed for the output depth,
 *	row by row into a new RAM image whose format writer makes the file;
 *	turned views are gathered in strips of 256 view rows and written
 *	turned, so no more than a strip is held at once.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "core/native_path.h"
#include "core/gmem.h"
#include "display/tulx/tulx_subcommands.h"
#include "display/photo_bridge.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

/* View rows gathered before a turned strip is written. */
#define DUMP_STRIP_ROWS 256

typedef struct DumpFormat {
    const char *name;
    int imgid;                  /* 0: a Tk photo */
    unsigned allowedBits;       /* bit n set: n bits allowed */
    const char *bitsMessage;
} DumpFormat;

#define BITS(n) (1u << (n))
static const DumpFormat formats[] = {
    {"DIB", IMGID_DIB, BITS(1) | BITS(4) | BITS(8) | BITS(24), NULL},
    {"XBMP", IMGID_XBMP, BITS(1), "Illegal bits for XBMP file.\n"},
    {"TIFF", IMGID_TIFF, BITS(8) | BITS(24), "Illegal bits for TIFF file.\n"},
    {"GIF87a", IMGID_GIF87A, BITS(1) | BITS(4) | BITS(8), "Illegal bits for GIF file.\n"},
    {"GIF89a", IMGID_GIF89A, BITS(1) | BITS(4) | BITS(8), "Illegal bits for GIF file.\n"},
    {"JPEG", IMGID_JPEG, BITS(8) | BITS(24), "Illegal bits for JPEG file.\n"},
    {"TKPHOTO", 0, BITS(8) | BITS(24), "Illegal bits for TKPHOTO.\n"},
    {NULL, 0, 0, NULL}};

/* What one dump works with while rendering. */
typedef struct DumpJob {
    TulxMaster *master;
    RAMIMG *image;              /* shown */
    RAMIMG *out;
    int bits;
    int xbm;
    int swapRedBlue;            /* DIB rows are blue, green, red */
    int nCols, nRows;           /* the view before the turn */
    int first, last;            /* view columns inside the image */
    unsigned char *lines[3];
    unsigned char *raw;
    unsigned char *previous[3]; /* filter state per channel */
    signed char *carry;         /* dithering errors */
    unsigned char *strip;       /* turned views: up to 256 rows of each band */
} DumpJob;

/* One view row as palette indices (1, 4, 8 bits) into lines[0]. */
/* Image layout of a dump of bits per pixel (0 ends the table and stands
 * for 24), with the levels of its cube palette: grey, or red, green and
 * blue when the view is in colour (1 bit stays grey). */
struct DumpDepth {
    int bits;
    int nbands, bandBits, pixel;
    int greyLevels;
    int colourLevels[3];
};

static const DumpDepth depths[] = {
    {1, 1, 1, PIXEL_1BIT, 2, {0, 0, 0}},
    {4, 1, 4, PIXEL_4BITS, 16, {4, 2, 2}},
    {8, 1, 8, PIXEL_BYTE, 256, {8, 8, 4}},
    {0, 3, 8, PIXEL_BYTE, 0, {0, 0, 0}},
};

static void renderIndexRow(DumpJob *job, int y, int imageRow)
{
    TulxMaster *m = job->master;
    RAMIMG *image = job->image;
    int n = job->nCols;
    unsigned char *line = job->lines[0];
    memset(line, 0, (size_t)n);
    int filter = m->filterFactor != 0.0;
    int dither = m->ditherApplied != 0;
    int layerBand = m->layerApplied >= 1 ? m->layerApplied - 1 : -1;
    int channels = m->nChannels > 0 ? m->nChannels : 1;
    for (int c = 0; c < channels && c < 3; c++) {
        int band = layerBand >= 0 ? layerBand : m->channelBand[c];
        if (m->channelBand[c] < 0 || band < 0 || band >= image->head.nbands) {
            continue;
        }
        tulxRowToRaw(image, imageRow, band, m->colMap.index, job->first, job->last, n,
                     (float)m->rangeLow[c], (float)m->rangeHigh[c], job->raw);
        if (filter) {
            tulxFilterRow(n, job->raw, job->previous[c], (float)m->filterFactor,
                          m->filterBgApplied, y == 0, m->filterdir);
        }
        if (dither) {
            ditherRow(n, line, job->raw, m->displayLut[c], m->ditherIndex[c], m->ditherError[c],
                      job->carry + (size_t)c * (n + 2), m->ditherApplied, y & 1);
        } else {
            const unsigned char *table = m->displayLut[c];
            for (int i = 0; i < n; i++) {
                line[i] = (unsigned char)(line[i] + table[job->raw[i]]);
            }
        }
    }
    for (int i = 0; i < job->first && i < n; i++) {
        line[i] = 0;
    }
    for (int i = job->last > 0 ? job->last : 0; i < n; i++) {
        line[i] = 0;
    }
    if (job->xbm) {
        for (int i = 0; i < n; i++) {
            line[i] = line[i] == 0 ? 1 : 0;
        }
    }
}

/* One view row as red, green and blue levels into lines[0..2]. */
static void renderRgbRow(DumpJob *job, int y, int imageRow)
{
    TulxMaster *m = job->master;
    RAMIMG *image = job->image;
    int n = job->nCols;
    int filter = m->filterFactor != 0.0;
    int layerBand = m->layerApplied >= 1 ? m->layerApplied - 1 : -1;
    for (int c = 0; c < 3; c++) {
        memset(job->lines[c], 0, (size_t)n);
        int band = layerBand >= 0 ? layerBand : m->channelBand[c];
        if (m->channelBand[c] < 0 || band < 0 || band >= image->head.nbands) {
            continue;
        }
        /* The same band through the same table: convert once. */
        if (c > 0 && !filter && m->channelBand[c] == m->channelBand[c - 1]
                && memcmp(m->displayLut[c], m->displayLut[c - 1], 256) == 0
                && m->rangeLow[c] == m->rangeLow[c - 1] && m->rangeHigh[c] == m->rangeHigh[c - 1]) {
            memcpy(job->lines[c], job->lines[c - 1], (size_t)n);
            continue;
        }
        if (filter) {
            tulxRowToRaw(image, imageRow, band, m->colMap.index, job->first, job->last, n,
                         (float)m->rangeLow[c], (float)m->rangeHigh[c], job->lines[c]);
        } else {
            tulxRowToIndex(image, imageRow, band, m->colMap.index, job->first, job->last, n, NULL,
                           (float)m->rangeLow[c], (float)m->rangeHigh[c], m->displayLut[c],
                           job->lines[c]);
        }
    }
    int grey = (m->paletteFlags & 1) && m->nChannels > 0 && layerBand < 0;
    if (grey) {
        int k = m->nChannels;
        for (int i = 0; i < n; i++) {
            int s = job->lines[0][i] + job->lines[1][i] + job->lines[2][i] + 1;
            job->lines[0][i] = job->lines[1][i] = job->lines[2][i] = (unsigned char)(s / k);
        }
        if (filter) {
            tulxFilterRow(n, job->lines[0], job->previous[0], (float)m->filterFactor,
                          m->filterBgApplied, y == 0, m->filterdir);
            for (int i = 0; i < n; i++) {
                unsigned char v = m->displayLut[0][job->lines[0][i]];
                job->lines[0][i] = job->lines[1][i] = job->lines[2][i] = v;
            }
        }
    } else if (filter) {
        for (int c = 0; c < 3; c++) {
            if (m->channelBand[c] < 0 && layerBand < 0 && m->head.nindices <= 0) {
                continue;
            }
            tulxFilterRow(n, job->lines[c], job->previous[c], (float)m->filterFactor,
                          m->filterBgApplied, y == 0, m->filterdir);
            for (int i = 0; i < n; i++) {
                job->lines[c][i] = m->displayLut[c][job->lines[c][i]];
            }
        }
    }
    for (int c = 0; c < 3; c++) {
        for (int i = 0; i < job->first && i < n; i++) {
            job->lines[c][i] = 0;
        }
        for (int i = job->last > 0 ? job->last : 0; i < n; i++) {
            job->lines[c][i] = 0;
        }
    }
}

/* Writes the gathered strip of view rows [v0, v0 + count) turned. */
static void writeTurnedStrip(DumpJob *job, int v0, int count, int rotate, int bands)
{
    int n = job->nCols, outW = job->nRows;
    unsigned char *segment = job->raw;
    for (int b = 0; b < bands; b++) {
        const unsigned char *plane = job->strip + (size_t)b * DUMP_STRIP_ROWS * n;
        for (int c = 0; c < n; c++) {
            if (rotate < 0) {
                /* view row v -> output column v, view column c -> row n-1-c */
                for (int k = 0; k < count; k++) {
                    segment[k] = plane[(size_t)k * n + c];
                }
                putRowByte(job->out, n - 1 - c, v0, count, b, segment);
            } else {
                /* view row v -> output column outW-1-v, view column c -> row c */
                for (int k = 0; k < count; k++) {
                    segment[k] = plane[(size_t)(count - 1 - k) * n + c];
                }
                putRowByte(job->out, c, outW - 1 - (v0 + count - 1), count, b, segment);
            }
        }
    }
}

static int renderAll(DumpJob *job)
{
    TulxMaster *m = job->master;
    int rotate = m->rotate;
    int bands = job->bits == 24 ? 3 : 1;
    int k = 0, v0 = 0, previousRow = -2;
    int filtering = m->filterFactor != 0.0 || m->ditherApplied != 0;
    for (int y = 0; y < job->nRows; y++) {
        int imageRow = m->rowMap.index[y];
        int outside = imageRow < 0 || imageRow >= job->image->head.rows;
        if (outside) {
            for (int b = 0; b < bands; b++) {
                memset(job->lines[b], 0, (size_t)job->nCols);
            }
        } else if (imageRow != previousRow || filtering) {
            if (bands == 3) {
                renderRgbRow(job, y, imageRow);
            } else {
                renderIndexRow(job, y, imageRow);
            }
        }
        previousRow = outside ? -2 : imageRow;
        unsigned char *order[3] = {job->lines[0], job->lines[1], job->lines[2]};
        if (job->swapRedBlue) {
            order[0] = job->lines[2];
            order[2] = job->lines[0];
        }
        if (rotate == 0) {
            for (int b = 0; b < bands; b++) {
                putRowByte(job->out, y, 0, job->nCols, b, order[b]);
            }
            continue;
        }
        for (int b = 0; b < bands; b++) {
            memcpy(job->strip + ((size_t)b * DUMP_STRIP_ROWS + k) * job->nCols, order[b],
                   (size_t)job->nCols);
        }
        if (++k == DUMP_STRIP_ROWS) {
            writeTurnedStrip(job, v0, k, rotate, bands);
            v0 += k;
            k = 0;
        }
    }
    if (rotate != 0 && k > 0) {
        writeTurnedStrip(job, v0, k, rotate, bands);
    }
    return 1;
}

/* The view counts as in colour: a colour composite without grey levels,
 * or a palette layer. */
static int viewInColour(const TulxMaster *m)
{
    return (m->comb.count == 3 && m->paletteApplied[0] == 0) || m->layerApplied != 0;
}

int tulxDumpCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc != 6 && argc != 7) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " dump fileName imgID bits owFlag [option]\n",
                         (char *)NULL);
        return TCL_ERROR;
    }
    RAMIMG *image = master->ramImage;
    if (image == NULL) {
        Tcl_SetResult(interp, (char *)"No image is defined.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    const char *fileName = argv[2];
    const char *option = argc == 7 ? argv[6] : NULL;
    const DumpFormat *format = formats;
    while (format->name != NULL && strcmp(format->name, argv[3]) != 0) {
        format++;
    }
    if (format->name == NULL) {
        Tcl_SetResult(interp, (char *)"The image ID is not supported.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    int bits, overwrite;
    if (Tcl_GetInt(interp, argv[4], &bits) != TCL_OK || (bits != 1 && bits != 4 && bits != 8
                                                         && bits != 24)) {
        Tcl_SetResult(interp, (char *)"Illegal bits.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    if (Tcl_GetInt(interp, argv[5], &overwrite) != TCL_OK) {
        return TCL_ERROR;
    }
    int photo = format->imgid == 0;
    struct stat info;
    if (!overwrite && (!photo || option != NULL) && stat(nativePath(fileName).c_str(), &info) == 0) {
        Tcl_SetResult(interp, (char *)"The file already exists.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    /* Writing over the file of an open image would pull its rows away
     * from under it (the shown image among them). */
    if ((!photo || option != NULL) && stat(nativePath(fileName).c_str(), &info) == 0
            && getRAMImageByName(fileName) != NULL) {
        Tcl_SetResult(interp, (char *)"The file is open as an image.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    if (!(format->allowedBits & BITS(bits))) {
        Tcl_SetResult(interp, (char *)format->bitsMessage, TCL_STATIC);
        return TCL_ERROR;
    }
    int rotated = master->rotate != 0;
    int nCols = master->colMap.n, nRows = master->rowMap.n;
    if (nCols < 1 || nRows < 1) {
        Tcl_SetResult(interp, (char *)"Error in image creation.\n", TCL_STATIC);
        return TCL_ERROR;
    }

    /* The output head: the view's size, a unit georeference, and the
     * depth's palette. */
    ImageHead head;
    memcpy(&head, &master->head, sizeof(head));
    if (strlen(fileName) >= sizeof(head.file)) {
        Tcl_SetResult(interp, (char *)"Error in image creation.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    strcpy(head.file, fileName);
    head.imgid = photo ? IMGID_MBSQ : format->imgid;
    head.rows = rotated ? nCols : nRows;
    head.columns = rotated ? nRows : nCols;
    head.top = head.left = 0;
    head.offset = 0;
    head.block = 0;
    head.x0 = head.y0 = 0;
    head.dx = head.dy = 1;
    head.frames = 0;
    head.encoding = 0;
    head.dataFd = -1;
    head.transparent = -1;
    head.mapid = 0;
    int colour = viewInColour(master) && format->imgid != IMGID_JPEG;
    const DumpDepth *depth = &depths[0];
    while (depth->bits != 0 && depth->bits != bits) {
        depth++;
    }
    head.nbands = depth->nbands;
    head.bits = depth->bandBits;
    head.pixel = depth->pixel;
    int levels[4] = {0, 0, 0, 0};
    if (colour && depth->colourLevels[0] > 0) {
        memcpy(levels + 1, depth->colourLevels, sizeof depth->colourLevels);
    } else {
        levels[0] = depth->greyLevels;
    }
    int ownPalette = master->layerApplied != 0 && master->ditherApplied == 0 && bits != 24;
    int nColors = 0;
    if (bits != 24 && !ownPalette) {
        nColors = makeCubePalette(head.palette, levels[0], levels[1], levels[2], levels[3]);
        head.nindices = nColors;
    } else if (ownPalette) {
        nColors = master->head.nindices;
        memcpy(levels, master->paletteApplied, sizeof(levels));
    }
    if (bits == 24 || format->imgid == IMGID_JPEG) {
        head.nindices = 0;
    }

    /* Create the output. */
    RAMIMG *out;
    char photoName[TULX_NAME_SIZE + 64];
    photoName[0] = '\0';
    if (photo) {
        if (option == NULL) {
            snprintf(photoName, sizeof(photoName), "%s", fileName);
        }
        out = createPhotoRAMImage(interp, photoName, sizeof(photoName), &head);
        if (out == NULL) {
            Tcl_SetResult(interp, (char *)"Error in rimg creation.\n", TCL_STATIC);
            return TCL_ERROR;
        }
    } else {
        if (createImageFile(&head) == -1) {
            Tcl_SetResult(interp, (char *)"Error in image creation.\n", TCL_STATIC);
            return TCL_ERROR;
        }
        int err = RAMIMG_OK;
        out = openRAMImage(NULL, head.file, NULL, NULL, &err);
        if (out == NULL) {
            Tcl_SetResult(interp, (char *)"Error in image open.\n", TCL_STATIC);
            return TCL_ERROR;
        }
        if (format->imgid == IMGID_JPEG) {
            int quality = 90;
            if (option != NULL && (Tcl_GetInt(NULL, option, &quality) != TCL_OK || quality < 0
                                   || quality > 100)) {
                quality = 90;
            }
            out->head.block = quality;
        }
    }

    /* Tables for the output palette, the display's own restored after. */
    int savedLevels[4], savedColors = master->nColors;
    memcpy(savedLevels, master->paletteApplied, sizeof(savedLevels));
    memcpy(master->paletteApplied, levels, sizeof(levels));
    master->nColors = nColors;
    tulxUpdateLut(master, master->funcApplied, (float)master->stdK);

    DumpJob job;
    memset(&job, 0, sizeof(job));
    job.master = master;
    job.image = image;
    job.out = out;
    job.bits = bits;
    job.xbm = format->imgid == IMGID_XBMP;
    job.swapRedBlue = format->imgid == IMGID_DIB && bits == 24;
    job.nCols = nCols;
    job.nRows = nRows;
    zoomMapSpan(&master->colMap, image->head.columns, &job.first, &job.last);
    size_t n = (size_t)nCols;
    size_t stripBytes = rotated ? (size_t)3 * DUMP_STRIP_ROWS * n : 0;
    size_t total = n * 7 + 3 * (n + 2) + stripBytes + (size_t)DUMP_STRIP_ROWS + 64;
    unsigned char *block = (unsigned char *)tclAlloc(total);
    int ok = block != NULL;
    if (ok) {
        memset(block, 0, total);
        for (int c = 0; c < 3; c++) {
            job.lines[c] = block + (size_t)c * n;
            job.previous[c] = block + (size_t)(3 + c) * n;
        }
        job.raw = block + 6 * n;
        job.carry = (signed char *)(block + 7 * n);
        job.strip = rotated ? block + 7 * n + 3 * (n + 2) : NULL;
        /* Strip segments reuse raw; a strip is no longer than the view. */
        if (rotated && (size_t)DUMP_STRIP_ROWS > n) {
            job.raw = block + 7 * n + 3 * (n + 2) + stripBytes;
        }
        renderAll(&job);
        tclFree(block);
    }

    int code = TCL_OK;
    if (!ok) {
        Tcl_SetResult(interp, (char *)"Out of memory", TCL_STATIC);
        code = TCL_ERROR;
    } else if (photo) {
        ramImageToPhoto(interp, out, photoName);
        Tcl_ResetResult(interp);
        if (option != NULL) {
            Tcl_DString script;
            Tcl_DStringInit(&script);
            Tcl_DStringAppendElement(&script, photoName);
            Tcl_DStringAppend(&script, " write ", -1);
            Tcl_DStringAppendElement(&script, fileName);
            Tcl_DStringAppend(&script, " ", -1);
            Tcl_DStringAppend(&script, option, -1);
            code = Tcl_EvalEx(interp, Tcl_DStringValue(&script), -1, TCL_EVAL_GLOBAL);
            Tcl_DStringFree(&script);
            Tcl_Obj *result = Tcl_GetObjResult(interp);
            Tcl_IncrRefCount(result);
            Tcl_VarEval(interp, "image delete ", photoName, (char *)NULL);
            Tcl_SetObjResult(interp, result);
            Tcl_DecrRefCount(result);
        }
    }
    closeRAMImage(out, NULL);
    memcpy(master->paletteApplied, savedLevels, sizeof(savedLevels));
    master->nColors = savedColors;
    tulxUpdateLut(master, master->funcApplied, (float)master->stdK);
    if (code != TCL_OK) {
        if (ok) {
            Tcl_AppendResult(interp, "Error in writing TKPHOTO.\n", (char *)NULL);
        }
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}
