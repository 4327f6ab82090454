/*
 * tulx_pixels.cpp --
 *
 *	Measuring subcommands of a "tulx" image: the values of one pixel in
 *	several forms, horizontal and vertical runs, profiles along an
 *	angle, sections between two image points, band histograms, writing
 *	one pixel, and the test mark of graph. Positions are view pixels
 *	unless said otherwise. For a head with a palette band 0 is the index
 *	and bands 1..3 its red, green and blue.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "core/gmem.h"
#include "core/rounding.h"
#include "display/tulx/tulx_subcommands.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

static const char NOT_CONFIGURED[] = "Image not configured";
static const char HIST_ERROR[] = "Error in image histogram calculation";

static void appendf(Tcl_DString *out, const char *format, double value)
{
    char buffer[TCL_DOUBLE_SPACE + 16];
    snprintf(buffer, sizeof(buffer), format, value);
    Tcl_DStringAppend(out, buffer, -1);
}

static void appendi(Tcl_DString *out, const char *format, int value)
{
    char buffer[32];
    snprintf(buffer, sizeof(buffer), format, value);
    Tcl_DStringAppend(out, buffer, -1);
}

static int hasPalette(const TulxMaster *master)
{
    return master->head.nindices > 0;
}

static unsigned char paletteEntry(const TulxMaster *master, double index, int component)
{
    int i = roundToInt(index);
    i = i < 0 ? 0 : (i > 255 ? 255 : i);
    return master->head.palette[i][component];
}

/* 1 when there is an image to read; else 0 after "Image not configured". */
static int imageConfigured(TulxMaster *master)
{
    if (master->ramImage == NULL) {
        Tcl_SetResult(master->interp, (char *)NOT_CONFIGURED, TCL_STATIC);
        return 0;
    }
    return 1;
}

/* Pixel and line: fewest..most words, else the quoted usage, then an
 * image to read. */
static int readWords(TulxMaster *master, int argc, const char **argv, int fewest, int most,
                     const char *usage)
{
    if (argc < fewest || argc > most) {
        Tcl_AppendResult(master->interp, "Usage: \"", argv[0], " ", argv[1], usage, "\"",
                         (char *)NULL);
        return 0;
    }
    return imageConfigured(master);
}

/* The view point (x, y) as indices into the zoom maps; 0 after "Undefined
 * column " or "Undefined row" when it lies outside the shown image. */
static int shownPoint(TulxMaster *master, const char *x, const char *y, int *u, int *v)
{
    tulxParseViewXY(master, x, y, u, v);
    if (*u < 0 || *u >= master->colMap.n) {
        Tcl_SetResult(master->interp, (char *)"Undefined column ", TCL_STATIC);
        return 0;
    }
    if (*v < 0 || *v >= master->rowMap.n) {
        Tcl_SetResult(master->interp, (char *)"Undefined row", TCL_STATIC);
        return 0;
    }
    return 1;
}

/* ---- pixel ------------------------------------------------------------ */

int tulxPixelCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (!readWords(master, argc, argv, 4, 5, " x y [truevalue|normalize|relative|rgb|display]")) {
        return TCL_ERROR;
    }
    RAMIMG *image = master->ramImage;
    enum { TRUE_VALUE, NORMALIZE, RELATIVE, RGB, DISPLAY } mode = TRUE_VALUE;
    if (argc == 5) {
        static const char *const names[] = {"truevalue", "normalize", "relative", "rgb",
                                            "display"};
        int found = -1;
        for (int i = 0; i < 5; i++) {
            if (strcmp(argv[4], names[i]) == 0) {
                found = i;
            }
        }
        if (found < 0) {
            Tcl_AppendResult(interp, "Unknown pixel type: ", argv[4], (char *)NULL);
            return TCL_ERROR;
        }
        mode = (decltype(mode))found;
    }
    BandStats *stats = NULL;
    if (mode == NORMALIZE || mode == RELATIVE) {
        stats = ramImageHist(image, HIST_REUSE, 4, 4);
        if (stats == NULL) {
            Tcl_SetResult(interp, (char *)HIST_ERROR, TCL_STATIC);
            return TCL_ERROR;
        }
    }
    int u, v;
    if (!shownPoint(master, argv[2], argv[3], &u, &v)) {
        return TCL_ERROR;
    }
    int col = master->colMap.index[u], row = master->rowMap.index[v];
    Tcl_DString out;
    Tcl_DStringInit(&out);
    if (mode == DISPLAY) {
        int before = 0;
        /* A grey view shows one band through all three tables without
         * counting channels: each table with a band then counts. */
        int channels = master->nChannels > 0 ? master->nChannels : 3;
        for (int c = 0; c < channels && c < 3; c++) {
            int band = master->layerApplied > 0 ? master->layerApplied - 1 : master->channelBand[c];
            if (master->nChannels == 0 && band < 0) {
                continue;
            }
            unsigned char level = 0;
            if (band >= 0) {
                tulxRowToIndex(image, row, band, &master->colMap.index[u], 0, 1, 1, &before,
                               (float)master->rangeLow[c], (float)master->rangeHigh[c],
                               master->displayLut[c], &level);
            }
            appendi(&out, "%3d ", level);
        }
        /* Without a channel there is no value before the table: 0. */
        appendi(&out, "%3d ", before);
        Tcl_DStringResult(interp, &out);
        return TCL_OK;
    }
    int nb = image->head.nbands > 0 ? image->head.nbands : 1;
    float *values = (float *)tclAlloc(sizeof(float) * (size_t)(nb > 4 ? nb : 4));
    if (values == NULL) {
        Tcl_SetResult(interp, (char *)"Out of memory", TCL_STATIC);
        return TCL_ERROR;
    }
    memset(values, 0, sizeof(float) * (size_t)(nb > 4 ? nb : 4));
    getPixelVector(image, row, col, values);
    int n = nb, index = 0;
    if (image->head.nindices > 0) {
        index = roundToInt(values[0]);
        index = index < 0 ? 0 : (index > 255 ? 255 : index);
        for (int k = 0; k < 3; k++) {
            values[k + 1] = image->head.palette[index][k];
        }
        n = 4;
    } else if (hasPalette(master)) {
        int layer = master->layerApplied > 0 && master->layerApplied <= nb
            ? master->layerApplied - 1 : 0;
        values[0] = values[layer];
        index = roundToInt(values[0]);
        for (int k = 0; k < 3; k++) {
            values[k + 1] = paletteEntry(master, values[0], k);
        }
        n = 4;
    }
    switch (mode) {
    case TRUE_VALUE:
        for (int i = 0; i < n; i++) {
            appendf(&out, "%-.3f ", values[i]);
        }
        break;
    case NORMALIZE:
        for (int i = 0; i < n; i++) {
            BandSummary s;
            tulxBandStats(master, stats, hasPalette(master) ? i - 1 : i, &s);
            if (s.std > 0) {
                appendf(&out, "%-.3f ", (values[i] - s.mean) / (3 * s.std));
            } else {
                Tcl_DStringAppend(&out, "0.000 ", -1);
            }
        }
        break;
    case RELATIVE: {
        double lo = INFINITY, hi = -INFINITY;
        if (hasPalette(master)) {
            for (int i = 0; i < master->head.nindices && i < 256; i++) {
                for (int k = 0; k < 3; k++) {
                    lo = fmin(lo, master->head.palette[i][k]);
                    hi = fmax(hi, master->head.palette[i][k]);
                }
            }
        } else {
            for (int b = 0; b < nb; b++) {
                lo = fmin(lo, stats[b].min);
                hi = fmax(hi, stats[b].max);
            }
        }
        for (int i = 0; i < n; i++) {
            if (hi > lo) {
                appendf(&out, "%-.3f ", ((values[i] - lo) / (hi - lo) - 0.5) * 2);
            } else {
                Tcl_DStringAppend(&out, "0.000 ", -1);
            }
        }
        break;
    }
    default: { /* RGB */
        int pal = hasPalette(master);
        if (pal) {
            appendi(&out, "i:%d ", index);
        }
        const BandCombination *comb = &master->comb;
        int isFloat = image->head.pixel == PIXEL_FLOAT;
        auto value = [&](int b) -> double {
            int k = pal ? b : b - 1;
            return k >= 0 && k < n ? values[k] : 0.0;
        };
        if (comb->count == 1 && comb->band[0] != 0) {
            double x = values[comb->band[0] - 1 >= 0 && comb->band[0] - 1 < n ? comb->band[0] - 1
                                                                                 : 0];
            if (isFloat) {
                appendf(&out, "v: %.3f", x);
            } else {
                appendi(&out, "v: %d", roundToInt(x));
            }
        } else {
            static const char *const floatFormats[3] = {"r:%.3f ", "g:%.3f ", "b:%.3f"};
            static const char *const intFormats[3] = {"r:%d ", "g:%d ", "b:%d"};
            for (int k = 0; k < 3; k++) {
                if (comb->band[k] > 0) {
                    double x = value(comb->band[k]);
                    if (isFloat) {
                        appendf(&out, floatFormats[k], x);
                    } else {
                        appendi(&out, intFormats[k], roundToInt(x));
                    }
                }
            }
        }
        break;
    }
    }
    tclFree(values);
    Tcl_DStringResult(interp, &out);
    return TCL_OK;
}

/* ---- hist ------------------------------------------------------------- */

int tulxHistCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc > 4) {
        Tcl_AppendResult(interp, "wrong # args: should be \"", argv[0], " ", argv[1],
                         " ?band?\"", (char *)NULL);
        return TCL_ERROR;
    }
    int N = hasPalette(master) ? 3 : master->head.nbands;
    int band = 1;
    if (argc > 2) {
        const char *p = argv[2];
        char *end;
        long value = strtol(p, &end, 10);
        int digits = end > p && (end[-1] >= '0' && end[-1] <= '9');
        while (*end == ' ') {
            end++;
        }
        if (!digits || *end != '\0' || value > 1000000 || value < -1000000) {
            Tcl_AppendResult(interp, "Invalid band number: ", argv[2], (char *)NULL);
            return TCL_ERROR;
        }
        band = (int)value;
        if (band < 0) {
            Tcl_SetObjResult(interp, Tcl_ObjPrintf("%d", N));
            return TCL_OK;
        }
    }
    int type = 0; /* short, long, normalize */
    if (argc > 3) {
        if (strcasecmp(argv[3], "short") == 0) {
            type = 0;
        } else if (strcasecmp(argv[3], "long") == 0) {
            type = 1;
        } else if (strcasecmp(argv[3], "normalize") == 0) {
            type = 2;
        } else {
            Tcl_AppendResult(interp, "Unknown histogram type: ", argv[3], (char *)NULL);
            return TCL_ERROR;
        }
    }
    if (!imageConfigured(master)) {
        return TCL_ERROR;
    }
    BandStats *stats = ramImageHist(master->ramImage, HIST_REUSE, 4, 4);
    if (stats == NULL || N < 1) {
        Tcl_SetResult(interp, (char *)HIST_ERROR, TCL_STATIC);
        return TCL_ERROR;
    }
    int channel = ((band - 1) % N + N) % N;
    BandSummary s;
    tulxBandStats(master, stats, channel, &s);
    Tcl_DString out;
    Tcl_DStringInit(&out);
    char buffer[200];
    if (type == 2) {
        float top = 0;
        for (int i = 0; i < s.nBins; i++) {
            top = fmaxf(top, (float)s.hist[i]);
        }
        for (int i = 0; i < s.nBins; i++) {
            float share = top > 0 ? (float)s.hist[i] * 100.0f / top : 0.0f;
            snprintf(buffer, sizeof(buffer), "%.3f ", share);
            Tcl_DStringAppend(&out, buffer, -1);
        }
    } else {
        snprintf(buffer, sizeof(buffer), "{%-.1f %-.8f %-.8f %-.8f %-.8f} ", s.count, s.mean,
                 s.std, s.min, s.max);
        Tcl_DStringAppend(&out, buffer, -1);
        for (int i = 0; i < s.nBins; i++) {
            if (type == 1 || s.hist[i] != 0) {
                snprintf(buffer, sizeof(buffer), "{%d %u} ", i, s.hist[i]);
                Tcl_DStringAppend(&out, buffer, -1);
            }
        }
    }
    Tcl_DStringResult(interp, &out);
    return TCL_OK;
}

/* ---- Runs, profiles and sections ---------------------------------------- */

/* Appends n values (palette bands 1..3 looked up), plain or normalised. */
static void appendValues(TulxMaster *master, Tcl_DString *out, const float *values, int n,
                         int paletteComponent, const BandSummary *norm)
{
    for (int i = 0; i < n; i++) {
        double x = values[i];
        if (paletteComponent >= 0) {
            x = paletteEntry(master, x, paletteComponent);
        }
        if (norm != NULL) {
            /* A constant band has nothing to normalise by: 0. */
            x = norm->std > 0 ? (x - norm->mean) / norm->std : 0.0;
        }
        appendf(out, "%-.3f ", x);
    }
}

/* n of line, profile and section: at least 1; 0 after "Too many values"
 * when above 2^24. */
static int valueCount(Tcl_Interp *interp, int *n)
{
    *n = *n < 1 ? 1 : *n;
    if (*n > 1 << 24) {
        Tcl_SetResult(interp, (char *)"Too many values", TCL_STATIC);
        return 0;
    }
    return 1;
}

/* n zeroed floats from tclAlloc, or NULL after "Out of memory". */
static float *zeroedValues(Tcl_Interp *interp, int n)
{
    float *values = (float *)tclAlloc(sizeof(float) * (size_t)n);
    if (values == NULL) {
        Tcl_SetResult(interp, (char *)"Out of memory", TCL_STATIC);
        return NULL;
    }
    memset(values, 0, sizeof(float) * (size_t)n);
    return values;
}

/* Sets the result to the n values as appendValues writes them and frees
 * values. */
static int resultValues(TulxMaster *master, float *values, int n, int component,
                        const BandSummary *norm)
{
    Tcl_DString out;
    Tcl_DStringInit(&out);
    appendValues(master, &out, values, n, component, norm);
    tclFree(values);
    Tcl_DStringResult(master->interp, &out);
    return TCL_OK;
}

/* Statistics for normalising a band (0-based image band or palette
 * channel); 0 and the message when they cannot be made. */
static int normalizer(TulxMaster *master, int channel, BandSummary *s)
{
    BandStats *stats = ramImageHist(master->ramImage, HIST_REUSE, 4, 4);
    if (stats == NULL) {
        Tcl_SetResult(master->interp, (char *)HIST_ERROR, TCL_STATIC);
        return 0;
    }
    tulxBandStats(master, stats, channel, s);
    return 1;
}

/* Reads values for band b of the command's numbering (palette: 0 index,
 * 1..3 components) from image band *imageBand, component *component. */
static void bandSource(TulxMaster *master, int b, int *imageBand, int *component)
{
    if (hasPalette(master)) {
        *imageBand = master->layerApplied > 0 ? master->layerApplied - 1 : 0;
        if (master->ramImage != NULL && *imageBand >= master->ramImage->head.nbands) {
            *imageBand = 0;
        }
        *component = b >= 1 ? b - 1 : -1;
    } else {
        *imageBand = b - 1;
        *component = -1;
    }
}

int tulxLineCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    int vertical = argv[1][4] == 'v';
    if (!readWords(master, argc, argv, 6, 7, " band x y n [normalize]")) {
        return TCL_ERROR;
    }
    RAMIMG *image = master->ramImage;
    int normalize = 0;
    if (argc == 7) {
        if (strcmp(argv[6], "normalize") != 0) {
            Tcl_AppendResult(interp, "Unknown pixel type: ", argv[6], (char *)NULL);
            return TCL_ERROR;
        }
        normalize = 1;
    }
    int band, n;
    if (Tcl_GetInt(interp, argv[2], &band) != TCL_OK
            || Tcl_GetInt(interp, argv[5], &n) != TCL_OK) {
        return TCL_ERROR;
    }
    if (!valueCount(interp, &n)) {
        return TCL_ERROR;
    }
    int pal = hasPalette(master);
    if ((pal && (band < 0 || band > 3)) || (!pal && (band < 1 || band > image->head.nbands))) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("Invalid band: %d", band));
        return TCL_ERROR;
    }
    int imageBand, component;
    bandSource(master, band, &imageBand, &component);
    BandSummary s;
    if (normalize && !normalizer(master, band - 1, &s)) {
        return TCL_ERROR;
    }
    int u, v;
    tulxParseViewXY(master, argv[3], argv[4], &u, &v);
    float *values = zeroedValues(interp, n);
    if (values == NULL) {
        return TCL_ERROR;
    }
    const ZoomMap *cm = &master->colMap, *rm = &master->rowMap;
    if (!vertical) {
        if (v >= 0 && v < rm->n && u < cm->n) {
            int skip = u < 0 ? -u : 0;
            if (skip < n) {
                int first = cm->index[u + skip];
                getRowFloat(image, rm->index[v], first, n - skip, imageBand, values + skip);
            }
        }
    } else {
        if (u >= 0 && u < cm->n && v < rm->n) {
            int col = cm->index[u];
            for (int i = 0; i < n; i++) {
                int vv = v + i;
                if (vv >= 0 && vv < rm->n) {
                    getRowFloat(image, rm->index[vv], col, 1, imageBand, values + i);
                }
            }
        }
    }
    return resultValues(master, values, n, component, normalize ? &s : NULL);
}

/* Band of profile and section: modulo 4 with a palette, else modulo the
 * band count (numbered from 1). */
static void sampledBand(TulxMaster *master, int band, int *imageBand, int *component,
                        int *channel)
{
    if (hasPalette(master)) {
        int b = ((band % 4) + 4) % 4;
        bandSource(master, b, imageBand, component);
        *channel = b - 1;
    } else {
        int nb = master->ramImage->head.nbands > 0 ? master->ramImage->head.nbands : 1;
        *imageBand = ((band - 1) % nb + nb) % nb;
        *component = -1;
        *channel = *imageBand;
    }
}

/* Profile and section: an image to sample and fewest..most words; 0
 * after "Image not configured" or the usage. */
static int sampledWords(TulxMaster *master, int argc, const char **argv, int fewest, int most,
                        const char *usage)
{
    if (!imageConfigured(master)) {
        return 0;
    }
    if (argc < fewest || argc > most) {
        Tcl_AppendResult(master->interp, "Usage: ", argv[0], " ", argv[1], usage, (char *)NULL);
        return 0;
    }
    return 1;
}

int tulxProfileCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    RAMIMG *image = master->ramImage;
    if (!sampledWords(master, argc, argv, 6, 11, " band x y n [alpha step offset op normalize]")) {
        return TCL_ERROR;
    }
    int band, n;
    double alpha = 0, step = 1.0;
    if (Tcl_GetInt(interp, argv[2], &band) != TCL_OK
            || Tcl_GetInt(interp, argv[5], &n) != TCL_OK
            || (argc > 6 && Tcl_GetDouble(interp, argv[6], &alpha) != TCL_OK)
            || (argc > 7 && Tcl_GetDouble(interp, argv[7], &step) != TCL_OK)) {
        return TCL_ERROR;
    }
    if (!valueCount(interp, &n)) {
        return TCL_ERROR;
    }
    const char *offsetWord = argc > 8 ? argv[8] : "auto";
    int mode = argc > 9 && strcmp(argv[9], "BI") != 0 ? SAMPLE_NEAREST : SAMPLE_BILINEAR;
    int normalize = argc > 10 && strcmp(argv[10], "normalize") == 0;
    int u, v;
    if (!shownPoint(master, argv[3], argv[4], &u, &v)) {
        return TCL_ERROR;
    }
    /* A band below 1 without palette would be a negative remainder:
     * refused as lineh refuses it. */
    if (!hasPalette(master) && band < 1) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("Invalid band: %d", band));
        return TCL_ERROR;
    }
    int imageBand, component, channel;
    sampledBand(master, band, &imageBand, &component, &channel);
    double radians = alpha * (1.0 / 180.0) * M_PI;
    double x0 = master->colMap.index[u], y0 = master->rowMap.index[v];
    double offset;
    if (strcmp(offsetWord, "auto") == 0) {
        offset = -x0 / cos(radians);
    } else if (strcmp(offsetWord, "pivot") == 0) {
        offset = trunc(-n / 2.0) * step;
    } else if (Tcl_GetDouble(interp, offsetWord, &offset) != TCL_OK) {
        return TCL_ERROR;
    }
    BandSummary s;
    if (normalize && !normalizer(master, channel, &s)) {
        return TCL_ERROR;
    }
    float *values = zeroedValues(interp, n);
    if (values == NULL) {
        return TCL_ERROR;
    }
    sampleAlongAngle(image, x0, y0, imageBand, radians, step, offset, values, n, mode);
    return resultValues(master, values, n, component, normalize ? &s : NULL);
}

int tulxSectionCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    RAMIMG *image = master->ramImage;
    if (!sampledWords(master, argc, argv, 8, 10, " band x0 y0 x1 y1 n [op normalize]")) {
        return TCL_ERROR;
    }
    int band, n;
    double x0, y0, x1, y1;
    if (Tcl_GetInt(interp, argv[2], &band) != TCL_OK
            || Tcl_GetDouble(interp, argv[3], &x0) != TCL_OK
            || Tcl_GetDouble(interp, argv[4], &y0) != TCL_OK
            || Tcl_GetDouble(interp, argv[5], &x1) != TCL_OK
            || Tcl_GetDouble(interp, argv[6], &y1) != TCL_OK
            || Tcl_GetInt(interp, argv[7], &n) != TCL_OK) {
        return TCL_ERROR;
    }
    band = band < 1 ? 1 : band;
    if (!valueCount(interp, &n)) {
        return TCL_ERROR;
    }
    int mode = argc > 8 && strcmp(argv[8], "BI") != 0 ? SAMPLE_NEAREST : SAMPLE_BILINEAR;
    int normalize = argc > 9 && strcmp(argv[9], "normalize") == 0;
    int imageBand, component, channel;
    sampledBand(master, band, &imageBand, &component, &channel);
    BandSummary s;
    if (normalize && !normalizer(master, channel, &s)) {
        return TCL_ERROR;
    }
    float *values = zeroedValues(interp, n);
    if (values == NULL) {
        return TCL_ERROR;
    }
    sampleLineFloat(image, x0, y0, x1, y1, 1, &imageBand, values, n, mode);
    return resultValues(master, values, n, component, normalize ? &s : NULL);
}

/* ---- setPixel and graph ------------------------------------------------- */

int tulxSetPixelCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc < 4) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " setPixel x y v1 v2 ... vn", (char *)NULL);
        return TCL_OK;
    }
    RAMIMG *image = master->ramImage;
    if (image == NULL) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    int u, v;
    tulxParseViewXY(master, argv[2], argv[3], &u, &v);
    if (u < 0 || u >= master->colMap.n || v < 0 || v >= master->rowMap.n) {
        Tcl_SetResult(interp, (char *)"pixel is out of image\n", TCL_STATIC);
        return TCL_ERROR;
    }
    int nb = image->head.nbands > 0 ? image->head.nbands : 1;
    float *values = (float *)tclAlloc(sizeof(float) * (size_t)nb);
    if (values == NULL) {
        Tcl_SetResult(interp, (char *)"Out of memory", TCL_STATIC);
        return TCL_ERROR;
    }
    float last = 0;
    for (int b = 0; b < nb; b++) {
        if (b + 4 < argc) {
            double x;
            if (Tcl_GetDouble(interp, argv[b + 4], &x) != TCL_OK) {
                tclFree(values);
                return TCL_ERROR;
            }
            last = (float)x;
        }
        values[b] = last;
        /* Palette images: an index of an existing entry, 0 .. count - 1. */
        if (hasPalette(master)) {
            float top = (float)(master->head.nindices - 1);
            values[b] = values[b] < 0 ? 0 : (values[b] > top ? top : values[b]);
        }
    }
    int stored = putFloatBIPData(image, 0, nb, master->rowMap.index[v], master->colMap.index[u],
                                 1, values);
    tclFree(values);
    Tcl_ResetResult(interp);
    if (stored <= 0) {
        Tcl_SetResult(interp, (char *)"Error in write ramimg\n", TCL_STATIC);
        return TCL_OK;
    }
    if (master->update) {
        tulxRedisplay(master);
    }
    return TCL_OK;
}

int tulxGraphCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (master->imageView.pixmap == 0) {
        Tcl_SetResult(interp, (char *)"view port not defined.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    if (argc < 3) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("Usage: %s %s id coords\n", argv[0], argv[1]));
        return TCL_ERROR;
    }
    if (master->drawGC == NULL && tulxMakeDrawGC(master) != 0) {
        Tcl_SetResult(interp, (char *)"Error in creating drawGC.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    if (master->gc != NULL) {
        XDrawRectangle(master->display, master->imageView.pixmap, master->gc, 0, 0, 128, 128);
    }
    tulxChanged(master);
    Tcl_ResetResult(interp);
    return TCL_OK;
}
