/*
 * fft_header_stats.cpp --
 *
 *	Band statistics of an FFT image file taken from the statistics its
 *	header keeps, so that they are known without reading a row.
 */
#include "ramimage/band_stats.h"

#include <cmath>
#include <cstring>

#include "ramimage/formats/fft_header.h"
#include "ramimage/positional_io.h"

/* Fills one band's record from the header's count, mean, deviation and
 * extremes. */
static void statsFromHeader(BandStats *stats, double count, double mean, double std,
                            double min, double max)
{
    stats->count = count;
    stats->sum = mean * count;
    stats->sumSq = (std * std + mean * mean) * count;
    stats->mean = mean;
    stats->std = std;
    stats->min = min;
    stats->max = max;
}

/*
 *----------------------------------------------------------------------
 *
 * fftStatsFromHeader --
 *
 *	Takes the statistics of the two bands of an FFT image (imgid 16)
 *	from its file's header.
 *
 * Results:
 *	1 when they were taken; 0 when the head is not an FFT image, the
 *	header cannot be read or holds no usable count (the caller then
 *	computes the statistics from the pixels).
 *
 * Side effects:
 *	Fills stats[0] and stats[1] (count, sum, sum of squares, mean,
 *	deviation, minimum and maximum).
 *
 *----------------------------------------------------------------------
 */
int fftStatsFromHeader(int fd, ImageHead *head, BandStats *stats)
{
    if (head == NULL || stats == NULL || head->imgid != IMGID_FFT || head->nbands < 2) {
        return 0;
    }
    FftHeader header;
    if (readAt(fd, &header, sizeof(header), 0) != (ssize_t)sizeof(header)
        || memcmp(header.magic, FFT_MAGIC, FFT_MAGIC_SIZE) != 0) {
        return 0;
    }
    if (!std::isfinite(header.count) || header.count <= 0.0) {
        return 0;
    }
    statsFromHeader(&stats[0], header.count, header.meanRe, header.stdRe, header.minRe,
                    header.maxRe);
    statsFromHeader(&stats[1], header.count, header.meanIm, header.stdIm, header.minIm,
                    header.maxIm);
    return 1;
}
