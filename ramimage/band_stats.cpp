/*
 * band_stats.cpp --
 *
 *	Band statistics and histograms of RAM images: the records, their
 *	accumulation from raw cached rows (one switch per row, a loop per
 *	pixel type), the whole image's statistics kept in image->stats, and
 *	the statistics of a mask image's pixels or of scanline spans.
 */
#include "ramimage/band_stats.h"
#include "core/gmem.h"
#include "ovex/ovex.h"
#include "core/point_list.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

#include <cmath>
#include <cstring>
#include <limits>

static const double kInfinity = std::numeric_limits<double>::infinity();

int histBinsFor(int pixel)
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
 * createHist --
 *	Returns an array of nbands empty records (see resetBandStats), each
 *	with a zeroed histogram of nBins counts when nBins is above 0. NULL
 *	when nbands is below 1 or an allocation fails; nothing is left
 *	allocated then.
 */
BandStats *createHist(int nbands, int nBins)
{
    if (nbands < 1) {
        return NULL;
    }
    if (nBins < 0) {
        nBins = 0;
    }
    BandStats *stats = (BandStats *)gmemAlloc((size_t)nbands * sizeof(BandStats));
    if (stats == NULL) {
        return NULL;
    }
    memset(stats, 0, (size_t)nbands * sizeof(BandStats));
    for (int b = 0; b < nbands; b++) {
        stats[b].nBins = nBins;
        if (nBins > 0) {
            stats[b].hist = (uint32_t *)gmemAlloc((size_t)nBins * sizeof(uint32_t));
            if (stats[b].hist == NULL) {
                freeHist(stats, b);
                return NULL;
            }
        }
        resetBandStats(&stats[b]);
    }
    return stats;
}

void freeHist(BandStats *stats, int nbands)
{
    if (stats == NULL) {
        return;
    }
    for (int b = 0; b < nbands; b++) {
        gmemFree(stats[b].hist);
    }
    gmemFree(stats);
}

/*
 * resetBandStats --
 *	Empties the record: sums and count 0, min +infinity, max -infinity,
 *	histogram zeroed, not valid. Writers call it for every band whose
 *	pixels they change.
 */
void resetBandStats(BandStats *stats)
{
    if (stats == NULL) {
        return;
    }
    stats->sum = 0.0;
    stats->sumSq = 0.0;
    stats->count = 0.0;
    stats->mean = 0.0;
    stats->std = 0.0;
    stats->min = kInfinity;
    stats->max = -kInfinity;
    stats->valid = 0;
    if (stats->hist != NULL && stats->nBins > 0) {
        memset(stats->hist, 0, (size_t)stats->nBins * sizeof(uint32_t));
    }
}

/*
 * accumulateSamples --
 *	The loop of accumulateHist for one way of fetching a sample: fetch(x)
 *	gives the value of column x. Samples of the small integer types also
 *	count in the histogram, when the record has a bin for them.
 */
template <bool withHist, typename Fetch>
static void accumulateSamples(BandStats *stats, int n, int step, Fetch fetch)
{
    double sum = stats->sum;
    double sumSq = stats->sumSq;
    double lowest = stats->min;
    double highest = stats->max;
    uint32_t *hist = stats->hist;
    unsigned int bins = (hist != NULL && stats->nBins > 0) ? (unsigned int)stats->nBins : 0;

    for (int64_t x = 0; x < n; x += step) {
        auto value = fetch((size_t)x);
        double v = (double)value;
        if (v < lowest) {
            lowest = v;
        }
        if (v > highest) {
            highest = v;
        }
        sum += v;
        sumSq += v * v;
        if constexpr (withHist) {
            if ((unsigned int)value < bins) {
                hist[(unsigned int)value]++;
            }
        }
    }
    stats->sum = sum;
    stats->sumSq = sumSq;
    stats->min = lowest;
    stats->max = highest;
    stats->count += (double)((n - 1) / step + 1);
}

template <typename T>
static void accumulateTyped(BandStats *stats, int n, int step, const unsigned char *row)
{
    accumulateSamples<false>(stats, n, step, [row](size_t x) {
        T value;
        memcpy(&value, row + x * sizeof(T), sizeof(T));
        return value;
    });
}

/*
 * accumulateBytesExactly --
 *	accumulateSamples for a row of bytes, with whole-number sums. While
 *	the record's sums stay below 2^53 every partial sum of bytes and of
 *	their squares is a whole number a double holds exactly, so adding the
 *	row's integer sums once gives the very sums the sample-by-sample loop
 *	gives; the loops then run without a chain of double additions and
 *	vectorise. Returns false, adding nothing, when the sums could leave
 *	that range.
 */
static bool accumulateBytesExactly(BandStats *stats, int n, int step, const unsigned char *bytes)
{
    const double exact = 9007199254740992.0;    /* 2^53 */
    uint64_t count = (uint64_t)((n - 1) / step + 1);
    if (!(stats->sum >= 0.0 && stats->sumSq >= 0.0
          && stats->sum + 255.0 * (double)count < exact
          && stats->sumSq + 65025.0 * (double)count < exact)) {
        return false;
    }
    uint64_t sum = 0, sumSq = 0;
    unsigned int lowest = 255, highest = 0;
    uint32_t *hist = stats->hist;
    unsigned int bins = (hist != NULL && stats->nBins > 0) ? (unsigned int)stats->nBins : 0;
    if (bins >= 256 && step == 1 && n >= 1024) {
        /* Four tables in turn: neighbouring equal bytes (smooth pictures
         * are full of them) would otherwise wait on each other's count.
         * The row's sums and extremes then come from its 256 counts, not
         * from another pass over its bytes. */
        uint32_t part[4][256];
        memset(part, 0, sizeof(part));
        int x = 0;
        for (; x + 4 <= n; x += 4) {
            part[0][bytes[x]]++;
            part[1][bytes[x + 1]]++;
            part[2][bytes[x + 2]]++;
            part[3][bytes[x + 3]]++;
        }
        for (; x < n; x++) {
            part[0][bytes[x]]++;
        }
        for (unsigned int v = 0; v < 256; v++) {
            uint32_t count = part[0][v] + part[1][v] + part[2][v] + part[3][v];
            if (count == 0) {
                continue;
            }
            hist[v] += count;
            sum += (uint64_t)v * count;
            sumSq += (uint64_t)(v * v) * count;
            lowest = v < lowest ? v : lowest;
            highest = v;
        }
    } else {
        if (step == 1) {
            for (int x = 0; x < n; x++) {
                unsigned int v = bytes[x];
                sum += v;
                sumSq += v * v;
                lowest = v < lowest ? v : lowest;
                highest = v > highest ? v : highest;
            }
        } else {
            for (int64_t x = 0; x < n; x += step) {
                unsigned int v = bytes[x];
                sum += v;
                sumSq += v * v;
                lowest = v < lowest ? v : lowest;
                highest = v > highest ? v : highest;
            }
        }
        if (bins >= 256) {
            for (int64_t x = 0; x < n; x += step) {
                hist[bytes[x]]++;
            }
        } else if (bins > 0) {
            for (int64_t x = 0; x < n; x += step) {
                if (bytes[x] < bins) {
                    hist[bytes[x]]++;
                }
            }
        }
    }
    stats->sum += (double)sum;
    stats->sumSq += (double)sumSq;
    if ((double)lowest < stats->min) {
        stats->min = (double)lowest;
    }
    if ((double)highest > stats->max) {
        stats->max = (double)highest;
    }
    stats->count += (double)count;
    return true;
}

/*
 * accumulateHist --
 *	Adds the samples at positions 0, step, 2 step ... below n of a raw
 *	cached row of the pixel type to the record. 1-bit samples are read
 *	least significant bit first and 4-bit samples high nibble first
 *	whatever the image's byte order. Types without a conversion (and an
 *	empty row) add nothing.
 */
void accumulateHist(BandStats *stats, int pixel, int n, int step, const void *row)
{
    if (stats == NULL || row == NULL || n < 1) {
        return;
    }
    if (step < 1) {
        step = 1;
    }
    const unsigned char *bytes = (const unsigned char *)row;
    switch (pixel) {
    case PIXEL_1BIT:
        accumulateSamples<true>(stats, n, step, [bytes](size_t x) {
            return (unsigned int)((bytes[x >> 3] >> (x & 7)) & 1);
        });
        break;
    case PIXEL_4BITS:
        accumulateSamples<true>(stats, n, step, [bytes](size_t x) {
            unsigned int pair = bytes[x >> 1];
            return (x & 1) ? (pair & 0x0f) : (pair >> 4);
        });
        break;
    case PIXEL_BYTE:
        if (!accumulateBytesExactly(stats, n, step, bytes)) {
            accumulateSamples<true>(stats, n, step, [bytes](size_t x) {
                return (unsigned int)bytes[x];
            });
        }
        break;
    case PIXEL_SHORT:
        accumulateTyped<int16_t>(stats, n, step, bytes);
        break;
    case PIXEL_LONG:
        accumulateTyped<int32_t>(stats, n, step, bytes);
        break;
    case PIXEL_FLOAT:
        accumulateTyped<float>(stats, n, step, bytes);
        break;
    case PIXEL_USHORT:
        accumulateTyped<uint16_t>(stats, n, step, bytes);
        break;
    case PIXEL_ULONG:
        accumulateTyped<uint32_t>(stats, n, step, bytes);
        break;
    case PIXEL_SBYTE:
        accumulateTyped<int8_t>(stats, n, step, bytes);
        break;
    default:
        break;
    }
}

/*
 * histMean, histStd --
 *	Compute mean and standard deviation into the record and return one
 *	of them. An empty record gives 0 for both rather than 0 / 0; a
 *	variance that rounding leaves at or below 0 gives 0.
 */
static void computeMeanStd(BandStats *stats)
{
    if (stats->count <= 0.0) {
        stats->mean = 0.0;
        stats->std = 0.0;
        return;
    }
    stats->mean = stats->sum / stats->count;
    double variance = stats->sumSq / stats->count - stats->mean * stats->mean;
    stats->std = (variance > 0.0) ? std::sqrt(variance) : 0.0;
}

double histMean(BandStats *stats)
{
    if (stats == NULL) {
        return 0.0;
    }
    computeMeanStd(stats);
    return stats->mean;
}

double histStd(BandStats *stats)
{
    if (stats == NULL) {
        return 0.0;
    }
    computeMeanStd(stats);
    return stats->std;
}

static int allBandsValid(const BandStats *stats, int nbands)
{
    for (int b = 0; b < nbands; b++) {
        if (!stats[b].valid) {
            return 0;
        }
    }
    return 1;
}

static void markAllValid(BandStats *stats, int nbands)
{
    for (int b = 0; b < nbands; b++) {
        stats[b].valid = 1;
    }
}

static int isBandSequential(int imgid)
{
    return imgid == IMGID_BSQ || imgid == IMGID_E74BSQ || imgid == IMGID_BSQD;
}

/*
 * accumulateImageRow --
 *	Adds the sampled columns of one cached band row. A row the loader
 *	cannot supply adds nothing.
 */
static void accumulateImageRow(RAMIMG *image, BandStats *stats, int row, int band, int colStep)
{
    const unsigned char *data = ramRow(image, row, band, 1);
    if (data != NULL) {
        accumulateHist(stats, image->head.pixel, image->head.columns, colStep, data);
    }
}

/*
 * ramImageHist --
 *	Returns the image's statistics, kept in image->stats: mode 0 returns
 *	them as they are when every band is valid, mode 2 discards them
 *	first, and otherwise the bands that are not valid are computed again
 *	from the rows 0, rowStep ... and columns 0, colStep ... (steps below
 *	1 count as 1). Rows are visited in the order of the file's layout
 *	so that the row cache streams. NULL when the records cannot be made.
 */
BandStats *ramImageHist(RAMIMG *image, int mode, int colStep, int rowStep)
{
    return ramImageHistMetered(image, mode, colStep, rowStep, NULL);
}

/*
 * histMeterStep --
 *	Shows the fraction of done rows of total when it reaches *next.
 *	Returns 0 when an event run by the meter replaced the statistics.
 */
static int histMeterStep(RAMIMG *image, const BandStats *stats, const char *label, float *next,
                         int64_t done, int64_t total)
{
    if (label == NULL || total <= 0) {
        return 1;
    }
    float fraction = (float)done / (float)total;
    if (fraction < *next) {
        return 1;
    }
    meterSet(label, *next);
    float step = meterInc();
    *next = step > 0.0f ? *next + step : 2.0f;
    return image->stats == stats;
}

BandStats *ramImageHistMetered(RAMIMG *image, int mode, int colStep, int rowStep,
                               const char *label)
{
    if (image == NULL || image->head.nbands < 1) {
        return NULL;
    }
    int nbands = image->head.nbands;
    int rows = image->head.rows;
    if (colStep < 1) {
        colStep = 1;
    }
    if (rowStep < 1) {
        rowStep = 1;
    }

    if (mode == HIST_REUSE && image->stats != NULL && allBandsValid(image->stats, nbands)) {
        return image->stats;
    }
    if (mode == HIST_RECOMPUTE && image->stats != NULL) {
        freeHist(image->stats, nbands);
        image->stats = NULL;
    }
    if (image->stats == NULL) {
        image->stats = createHist(nbands, histBinsFor(image->head.pixel));
        if (image->stats == NULL) {
            return NULL;
        }
    }
    BandStats *stats = image->stats;

    // A band that is not valid may hold a partial count: start it afresh.
    for (int b = 0; b < nbands; b++) {
        if (!stats[b].valid) {
            resetBandStats(&stats[b]);
        }
    }

    if (image->head.imgid == IMGID_FFT && nbands >= 2
        && fftStatsFromHeader(image->fd, &image->head, stats)) {
        markAllValid(stats, nbands);
        return stats;
    }

    float next = 0.0f;
    if (isBandSequential(image->head.imgid)) {
        int64_t total = (int64_t)nbands * rows;
        for (int b = 0; b < nbands; b++) {
            if (stats[b].valid) {
                continue;
            }
            for (int64_t r = 0; r < rows; r += rowStep) {
                accumulateImageRow(image, &stats[b], (int)r, b, colStep);
                if (!histMeterStep(image, stats, label, &next, (int64_t)b * rows + r + 1, total)) {
                    return NULL;
                }
            }
        }
    } else {
        for (int64_t r = 0; r < rows; r += rowStep) {
            for (int b = 0; b < nbands; b++) {
                if (!stats[b].valid) {
                    accumulateImageRow(image, &stats[b], (int)r, b, colStep);
                }
            }
            if (!histMeterStep(image, stats, label, &next, r + 1, rows)) {
                return NULL;
            }
        }
    }
    if (label != NULL) {
        meterSet(label, 1.0f);
    }
    markAllValid(stats, nbands);
    return stats;
}

/*
 * bandStatsSummary --
 *	Standard deviation, mean, minimum and maximum of a band, stored
 *	through the pointers that are not NULL. For a palette image and band
 *	0 or more they are those of palette channel band % 3 weighted by the
 *	histogram of band 0 (the extremes over every palette entry the
 *	histogram has a bin for). Returns 1, or 0 when the image's statistics
 *	cannot be made.
 */
int bandStatsSummary(RAMIMG *image, int band, double *stdOut, double *meanOut,
                     double *minOut, double *maxOut)
{
    if (image == NULL) {
        return 0;
    }
    BandStats *stats = ramImageHist(image, HIST_REUSE, 1, 1);
    if (stats == NULL) {
        return 0;
    }
    double mean;
    double deviation;
    double lowest;
    double highest;

    if (image->head.nindices < 1 || stats[0].hist == NULL || band < 0) {
        BandStats *record = &stats[(band < 0 ? 0 : band) % image->head.nbands];
        mean = histMean(record);
        deviation = histStd(record);
        lowest = record->min;
        highest = record->max;
    } else {
        int channel = band % 3;
        int bins = stats[0].nBins < 256 ? stats[0].nBins : 256;
        double sum = 0.0;
        double sumSq = 0.0;
        lowest = kInfinity;
        highest = -kInfinity;
        for (int i = 0; i < bins; i++) {
            double u = image->head.palette[i][channel];
            double h = stats[0].hist[i];
            sum += u * h;
            sumSq += u * u * h;
            if (u < lowest) {
                lowest = u;
            }
            if (u > highest) {
                highest = u;
            }
        }
        double count = stats[0].count;
        if (count > 0.0) {
            mean = sum / count;
            double variance = sumSq / count - mean * mean;
            deviation = (variance > 0.0) ? std::sqrt(variance) : 0.0;
        } else {
            mean = 0.0;
            deviation = 0.0;
        }
    }

    if (stdOut != NULL) {
        *stdOut = deviation;
    }
    if (meanOut != NULL) {
        *meanOut = mean;
    }
    if (minOut != NULL) {
        *minOut = lowest;
    }
    if (maxOut != NULL) {
        *maxOut = highest;
    }
    return 1;
}

/*
 * dropImageStats --
 *	Frees the image's own statistics and forgets them.
 */
static void dropImageStats(RAMIMG *image)
{
    if (image->stats != NULL) {
        freeHist(image->stats, image->head.nbands);
        image->stats = NULL;
    }
}

/*
 * newRestrictedStats --
 *	The empty records of a mask or span pass; NULL after the message
 *	when they cannot be allocated.
 */
static BandStats *newRestrictedStats(RAMIMG *image)
{
    BandStats *stats = createHist(image->head.nbands, histBinsFor(image->head.pixel));
    if (stats == NULL) {
        ovex_fprintf(stderr, "Error in createHist.\n");
    }
    return stats;
}

/*
 * finishRestrictedStats --
 *	Marks the records complete and, with keep, hands them to the image.
 */
static BandStats *finishRestrictedStats(RAMIMG *image, BandStats *stats, int keep)
{
    markAllValid(stats, image->head.nbands);
    if (keep) {
        image->stats = stats;
    }
    return stats;
}

/*
 * ramImageHistWithMask --
 *	Statistics of the pixels of rows 0, rowStep ... and columns 0,
 *	colStep ... whose band-0 byte in the mask image is not 0 (mask
 *	pixels outside the mask read as 0). Images of more than 8 bits per
 *	pixel are accumulated as floats, others as bytes. With keep the
 *	image's statistics are replaced by the result. NULL when the records
 *	or the row buffers cannot be allocated (message on stderr).
 */
BandStats *ramImageHistWithMask(RAMIMG *image, RAMIMG *mask, int colStep, int rowStep,
                                int keep)
{
    if (image == NULL || mask == NULL) {
        return NULL;
    }
    if (colStep < 1) {
        colStep = 1;
    }
    if (rowStep < 1) {
        rowStep = 1;
    }
    if (keep) {
        dropImageStats(image);
    }
    BandStats *stats = newRestrictedStats(image);
    if (stats == NULL) {
        return NULL;
    }

    int nbands = image->head.nbands;
    int rows = image->head.rows;
    int columns = image->head.columns > 0 ? image->head.columns : 0;
    bool wide = image->head.bits > 8;
    size_t cells = (size_t)(columns > 0 ? columns : 1);
    unsigned char *maskRow = (unsigned char *)gmemAlloc(cells);
    void *valueRow = gmemAlloc(cells * (wide ? sizeof(float) : 1));
    if (maskRow == NULL || valueRow == NULL) {
        ovex_fprintf(stderr, "Error in ramImageHistWithMask - malloc...\n");
        gmemFree(maskRow);
        gmemFree(valueRow);
        freeHist(stats, nbands);
        return NULL;
    }
    float *floats = (float *)valueRow;
    unsigned char *bytes = (unsigned char *)valueRow;

    for (int64_t r = 0; r < rows; r += rowStep) {
        getRowByte(mask, (int)r, 0, columns, 0, maskRow);
        bool any = false;
        for (int64_t x = 0; x < columns; x += colStep) {
            if (maskRow[x] != 0) {
                any = true;
                break;
            }
        }
        if (!any) {
            continue;
        }
        for (int b = 0; b < nbands; b++) {
            // The kept samples are packed in place: k never passes x.
            int kept = 0;
            if (wide) {
                getRowFloat(image, (int)r, 0, columns, b, floats);
                for (int64_t x = 0; x < columns; x += colStep) {
                    if (maskRow[x] != 0) {
                        floats[kept++] = floats[x];
                    }
                }
                accumulateHist(&stats[b], PIXEL_FLOAT, kept, 1, floats);
            } else {
                getRowByte(image, (int)r, 0, columns, b, bytes);
                for (int64_t x = 0; x < columns; x += colStep) {
                    if (maskRow[x] != 0) {
                        bytes[kept++] = bytes[x];
                    }
                }
                accumulateHist(&stats[b], PIXEL_BYTE, kept, 1, bytes);
            }
        }
    }
    gmemFree(maskRow);
    gmemFree(valueRow);
    return finishRestrictedStats(image, stats, keep);
}

/*
 * ramImageHistWithROI --
 *	Statistics of the pixels of a span list (pairs (x0, y) (x1, y) for
 *	columns x0 .. x1 - 1 of row y), each span clipped to the image. With
 *	keep the image's statistics are replaced by the result. NULL when no
 *	span meets the image, or when the records or the row buffer cannot be
 *	allocated (message on stderr).
 */
BandStats *ramImageHistWithROI(RAMIMG *image, const PointList *spans, int keep)
{
    if (image == NULL) {
        return NULL;
    }
    if (keep) {
        dropImageStats(image);
    }
    BandStats *stats = newRestrictedStats(image);
    if (stats == NULL) {
        return NULL;
    }

    int nbands = image->head.nbands;
    int rows = image->head.rows;
    int columns = image->head.columns;
    bool wide = image->head.bits > 8;
    size_t cells = (size_t)(columns > 0 ? columns : 1);
    void *valueRow = gmemAlloc(cells * (wide ? sizeof(float) : 1));
    if (valueRow == NULL) {
        ovex_fprintf(stderr, wide ? "Error in ramImageHistWithMask - malloc...\n"
                                  : "Error in ramImageHistWithROI - malloc...\n");
        freeHist(stats, nbands);
        return NULL;
    }

    int64_t total = 0;
    int count = (spans != NULL && spans->points != NULL) ? spans->count : 0;
    for (int i = 0; i + 1 < count; i += 2) {
        int x0 = spans->points[i].x;
        int y = spans->points[i].y;
        int x1 = spans->points[i + 1].x;
        if (y < 0 || y >= rows || x0 >= columns || x1 < 1) {
            continue;
        }
        if (x0 < 0) {
            x0 = 0;
        }
        if (x1 > columns) {
            x1 = columns;
        }
        int length = x1 - x0;
        if (length <= 0) {
            continue;
        }
        total += length;
        for (int b = 0; b < nbands; b++) {
            if (wide) {
                float *floats = (float *)valueRow;
                getRowFloat(image, y, x0, length, b, floats);
                accumulateHist(&stats[b], PIXEL_FLOAT, length, 1, floats);
            } else {
                unsigned char *bytes = (unsigned char *)valueRow;
                getRowByte(image, y, x0, length, b, bytes);
                accumulateHist(&stats[b], PIXEL_BYTE, length, 1, bytes);
            }
        }
    }
    gmemFree(valueRow);

    if (total == 0) {
        freeHist(stats, nbands);
        return NULL;
    }
    return finishRestrictedStats(image, stats, keep);
}
