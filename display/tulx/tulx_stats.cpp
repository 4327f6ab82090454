/*
 * tulx_stats.cpp --
 *
 *	The statistics subcommands of a "tulx" image (stats, std, mean, min,
 *	max): band statistics of the shown RAM image over the whole image
 *	(the statistics the image keeps), over the pixels its exported mask
 *	shows, or over regions of interest given as shapes in image
 *	coordinates (overlaps cancel). Also recomputes the kept statistics.
 */
#include <stdio.h>
#include <string.h>

#include "display/roi_polygon.h"
#include "display/tulx/tulx_subcommands.h"
#include "ramimage/band_stats.h"

int tulxStatsCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    static const char *const kinds[] = {"stats", "std", "mean", "min", "max"};
    size_t length = strlen(argv[1]);
    int kind = -1;
    for (int i = 0; i < 5 && kind < 0; i++) {
        if (length > 0 && strncmp(argv[1], kinds[i], length) == 0) {
            kind = i;
        }
    }
    if (kind < 0) {
        Tcl_SetResult(interp, (char *)"unknown stats.", TCL_STATIC);
        return TCL_ERROR;
    }
    int normalize = 0, update = 0;
    const char *mode = argc > 2 ? argv[2] : "";
    int modeOk = 1;
    if (strcmp(mode, "normalize") == 0) {
        normalize = 1;
    } else if (strcmp(mode, "update") == 0) {
        update = 1;
    } else if (mode[0] != '\0' && strcmp(mode, "true") != 0) {
        modeOk = 0;
    }
    if (!modeOk || (argc > 3 && strcmp(argv[3], "mask") != 0)) {
        Tcl_AppendResult(interp, "Wrong # args. should be: \"", argv[0], " ", argv[1],
                         "[normalize|[true|{}]] [mask args]\"", (char *)NULL);
        return TCL_ERROR;
    }
    int useMask = argc > 3;
    PointList *shapes = NULL;
    if (argc > 4) {
        shapes = parseRoiShapes(interp, argc - 4, argv + 4);
        if (shapes == NULL) {
            Tcl_AppendResult(interp, "Error in parsing ROIs.\n", (char *)NULL);
            return TCL_ERROR;
        }
    }
    RAMIMG *image = master->ramImage;
    if (image == NULL) {
        polyFree(shapes);
        Tcl_SetResult(interp, (char *)"Image not configured", TCL_STATIC);
        return TCL_ERROR;
    }
    BandStats *stats;
    int own = 0;
    if (!useMask) {
        stats = ramImageHist(image, update ? HIST_RECOMPUTE : HIST_REUSE, 4, 4);
    } else if (shapes == NULL) {
        if (master->maskImage == NULL) {
            Tcl_SetResult(interp, (char *)"No mask image available.\n", TCL_STATIC);
            return TCL_ERROR;
        }
        stats = ramImageHistWithMask(image, master->maskImage, 1, 1, update);
        own = !update;
    } else {
        PointList *spans = polyChainSpans(shapes);
        polyFree(shapes);
        stats = spans != NULL ? ramImageHistWithROI(image, spans, update) : NULL;
        polyFree(spans);
        own = !update;
    }
    if (stats == NULL) {
        Tcl_SetResult(interp, (char *)"Error in image histogram calculation", TCL_STATIC);
        return TCL_ERROR;
    }
    if (update) {
        tulxReloadHeader(master);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    int pal = master->head.nindices > 0;
    int first = pal ? -1 : 0, last = pal ? 2 : image->head.nbands - 1;
    Tcl_DString out;
    Tcl_DStringInit(&out);
    char buffer[4 * TCL_DOUBLE_SPACE + 16];
    double count = 0;
    for (int channel = first; channel <= last; channel++) {
        BandSummary s;
        tulxBandStats(master, stats, channel, &s);
        if (normalize && s.std != 0) {
            s.min = (s.min - s.mean) / s.std;
            s.max = (s.max - s.mean) / s.std;
            s.std = 1;
            s.mean = 0;
        }
        switch (kind) {
        case 0:
            snprintf(buffer, sizeof(buffer), "{%-.3f %-.3f %-.3f %-.3f} ", s.mean, s.std, s.min,
                     s.max);
            break;
        case 1:
            snprintf(buffer, sizeof(buffer), "%-.3f ", s.std);
            break;
        case 2:
            snprintf(buffer, sizeof(buffer), "%-.3f ", s.mean);
            break;
        case 3:
            snprintf(buffer, sizeof(buffer), "%-.3f ", s.min);
            break;
        default:
            snprintf(buffer, sizeof(buffer), "%-.3f ", s.max);
            break;
        }
        Tcl_DStringAppend(&out, buffer, -1);
        count = s.count;
    }
    snprintf(buffer, sizeof(buffer), "%.1f", count);
    Tcl_DStringAppend(&out, buffer, -1);
    if (own) {
        freeHist(stats, image->head.nbands);
    }
    Tcl_DStringResult(interp, &out);
    return TCL_OK;
}
