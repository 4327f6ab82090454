/*
 * band_stats.h --
 *
 *	Running statistics of the bands of a RAM image (sum, sum of squares,
 *	count, extremes, mean, standard deviation) with a histogram for 1-,
 *	4- and 8-bit images: the whole image's statistics kept in its stats
 *	field, and statistics restricted to a mask image or to scanline spans.
 *	BandStats is the record of ovex/ramimage.h; arrays of nbands records
 *	are allocated and freed together (createHist, freeHist).
 */
#ifndef OVEX_RAMIMAGE_BAND_STATS_H
#define OVEX_RAMIMAGE_BAND_STATS_H

#include "ovex/ramimage.h"

struct PointList;

/* ramImageHist modes: 0 reuses complete statistics, 2 computes every band
 * again; any other mode computes the bands that are not valid. */
enum {
    HIST_REUSE = 0,
    HIST_UPDATE = 1,
    HIST_RECOMPUTE = 2
};

/* Histogram bins of a pixel type: 2, 16 or 256, 0 for wider types. */
int histBinsFor(int pixel);

/* An array of nbands empty records with a zeroed histogram of nBins counts
 * each when nBins is above 0; NULL when nbands is below 1 or memory runs
 * out. */
BandStats *createHist(int nbands, int nBins);
/* Frees the records' histograms and the array; NULL does nothing. */
void freeHist(BandStats *stats, int nbands);
/* Empties one record (sums 0, extremes infinite, histogram zeroed) and
 * marks it not valid. */
void resetBandStats(BandStats *stats);
/* Adds the samples at 0, step, 2 step ... below n of a raw row of the pixel
 * type (steps below 1 count as 1); types without a conversion add nothing. */
void accumulateHist(BandStats *stats, int pixel, int n, int step, const void *row);
/* Mean (or standard deviation) computed into the record and returned; 0
 * for both when nothing was accumulated. */
double histMean(BandStats *stats);
double histStd(BandStats *stats);

/* The image's statistics, computed from its pixels where needed and kept
 * in image->stats (see the modes above); NULL when they cannot be made. */
BandStats *ramImageHist(RAMIMG *image, int mode, int colStep, int rowStep);
/* The same, showing its progress on the meter under label (NULL: none).
 * NULL also when an event passed by the meter replaced the statistics. */
BandStats *ramImageHistMetered(RAMIMG *image, int mode, int colStep, int rowStep,
                               const char *label);
/* Standard deviation, mean, minimum and maximum of a band (of a palette
 * channel for a palette image and band >= 0); any out pointer may be NULL.
 * Returns 1, or 0 when the statistics cannot be made. */
int bandStatsSummary(RAMIMG *image, int band, double *stdOut, double *meanOut,
                     double *minOut, double *maxOut);
/* Statistics of the pixels whose band-0 value in the mask image is not 0,
 * and of the pixels of a span list. With keep the result replaces
 * image->stats and belongs to the image, else the caller frees it with
 * freeHist. NULL on failure (the span variant also when no span meets the
 * image). */
BandStats *ramImageHistWithMask(RAMIMG *image, RAMIMG *mask, int colStep, int rowStep,
                                int keep);
BandStats *ramImageHistWithROI(RAMIMG *image, const struct PointList *spans, int keep);

/* Statistics of the two bands of an FFT image file taken from its header:
 * 1 when taken, 0 when the image is not one (the FFT format provides it). */
int fftStatsFromHeader(int fd, ImageHead *head, BandStats *stats);

#endif /* OVEX_RAMIMAGE_BAND_STATS_H */
