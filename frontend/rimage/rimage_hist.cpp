/*
 * rimage_hist.cpp --
 *
 *	rimage hist -imgid NAME ?-dx DX? ?-dy DY? ?-u UPDATE? ?-list
 *	stats|hist|sum?: recomputes the band statistics of an image from
 *	every DX-th column of every DY-th row and reports them.
 */
#include "frontend/rimage/rimage_maintenance.h"

#include <stdio.h>
#include <strings.h>

#include "core/package.h"
#include "ramimage/band_stats.h"
#include "ramimage/kit/program_support.h"
#include "ramimage/ramimg.h"

enum HistListing { LIST_NONE, LIST_STATS, LIST_HIST, LIST_SUM };

/* The channels reported: the bands, or red, green and blue of a palette. */
static int channelCount(const RAMIMG *image)
{
    return image->head.nindices > 0 ? 3 : image->head.nbands;
}

/* One element "STD MEAN MIN MAX" per channel. */
static void listStats(Tcl_Interp *interp, RAMIMG *image)
{
    for (int c = 0; c < channelCount(image); c++) {
        double deviation = 0.0, mean = 0.0, lowest = 0.0, highest = 0.0;
        bandStatsSummary(image, c, &deviation, &mean, &lowest, &highest);
        char element[160];
        snprintf(element, sizeof element, "%.6f %.6f %.6f %.6f", deviation, mean, lowest,
                 highest);
        Tcl_AppendElement(interp, element);
    }
}

/* One element per channel: its mean times the first band's sample count,
 * the sum of the sampled values. */
static void listSums(Tcl_Interp *interp, RAMIMG *image, const BandStats *stats)
{
    for (int c = 0; c < channelCount(image); c++) {
        double mean = 0.0;
        bandStatsSummary(image, c, NULL, &mean, NULL, NULL);
        char element[64];
        snprintf(element, sizeof element, "%.6f", mean * stats[0].count);
        Tcl_AppendElement(interp, element);
    }
}

/* "{N0 N1 ...} " per band for images of at most 8 bits per pixel; wider
 * pixels (and types without bins) have no histogram and list nothing. */
static void listHistograms(Tcl_Interp *interp, const RAMIMG *image, const BandStats *stats)
{
    if (image->head.bits > 8) {
        return;
    }
    for (int b = 0; b < image->head.nbands; b++) {
        if (stats[b].hist == NULL || stats[b].nBins < 1) {
            return;
        }
    }
    for (int b = 0; b < image->head.nbands; b++) {
        char count[24];
        snprintf(count, sizeof count, "{%u", (unsigned)stats[b].hist[0]);
        Tcl_AppendResult(interp, count, (char *)NULL);
        for (int i = 1; i < stats[b].nBins; i++) {
            snprintf(count, sizeof count, " %u", (unsigned)stats[b].hist[i]);
            Tcl_AppendResult(interp, count, (char *)NULL);
        }
        Tcl_AppendResult(interp, "} ", (char *)NULL);
    }
}

/*
 *----------------------------------------------------------------------
 *
 * rimageHist --
 *
 *	Discards the image's statistics and computes them again (DX and DY
 *	default to 1); with UPDATE not 0 the clients are told that the
 *	configuration changed. -list (any case) chooses what is reported.
 *
 * Results:
 *	The usage text with TCL_OK when no option is given; else TCL_OK with
 *	the listing (empty without -list), or TCL_ERROR with "syntax error: "
 *	and the words it could not place (unmatchedOptionsText), "Fail to
 *	find RAMIMG: NAME" or "Invalid list option".
 *
 *----------------------------------------------------------------------
 */
int rimageHist(ImageHead *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        setRimageUsage(interp, argv,
                       " -imgid imgid [-dx DX] [-dy DY] [-u UPDATE] [-list stats|hist|sum]");
        return TCL_OK;
    }
    ProgOption options[] = {{"-imgid", NULL}, {"-dx", NULL}, {"-dy", NULL}, {"-u", NULL},
                            {"-list", NULL}, {NULL, NULL}};
    if (matchOptions(options, argc - 2, argv + 2) != 0) {
        std::string text = "syntax error: " + unmatchedOptionsText(options, argc - 2, argv + 2);
        Tcl_SetObjResult(interp, Tcl_NewStringObj(text.c_str(), -1));
        return TCL_ERROR;
    }
    const char *name = options[0].value != NULL ? options[0].value : "";
    RAMIMG *image = findOpenRamImage(name);
    if (image == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Fail to find RAMIMG: ", name, (char *)NULL);
        return TCL_ERROR;
    }
    int colStep = options[1].value != NULL ? ovexLenientInt(options[1].value) : 1;
    int rowStep = options[2].value != NULL ? ovexLenientInt(options[2].value) : 1;
    int update = options[3].value != NULL ? ovexLenientInt(options[3].value) : 0;
    HistListing listing = LIST_NONE;
    if (options[4].value != NULL) {
        if (strcasecmp(options[4].value, "stats") == 0) {
            listing = LIST_STATS;
        } else if (strcasecmp(options[4].value, "hist") == 0) {
            listing = LIST_HIST;
        } else if (strcasecmp(options[4].value, "sum") == 0) {
            listing = LIST_SUM;
        } else {
            Tcl_SetObjResult(interp, Tcl_NewStringObj("Invalid list option.", -1));
            return TCL_ERROR;
        }
    }

    /* Steps below 1 count as 1 (a step of 0 would never advance). */
    /* The meter passes events: hold the image while it runs. */
    int err = 0;
    RAMIMG *held = openRAMImage(image->tag, NULL, NULL, NULL, &err);
    BandStats *stats = ramImageHistMetered(image, HIST_RECOMPUTE, colStep, rowStep, "hist");
    meterReset();
    int gone = held == NULL || getRAMImageByTag(held->tag) != held;
    if (held != NULL) {
        closeRAMImage(held, NULL);
    }
    if (gone) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Fail to find RAMIMG: ", name, (char *)NULL);
        return TCL_ERROR;
    }
    if (stats == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Error in createHist: ", image->tag, (char *)NULL);
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    switch (listing) {
    case LIST_STATS:
        listStats(interp, image);
        break;
    case LIST_SUM:
        listSums(interp, image, stats);
        break;
    case LIST_HIST:
        listHistograms(interp, image, stats);
        break;
    case LIST_NONE:
        break;
    }
    /* Last: a client may release the image while it is told. */
    if (update != 0) {
        updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    }
    return TCL_OK;
}
