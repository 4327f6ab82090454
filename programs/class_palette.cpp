/*
 * class_palette.cpp --
 *
 *	The colour table of a class image from the class means.
 */
#include "programs/class_palette.h"

#include <cfloat>

#include "core/rounding.h"
#include "ramimage/band_stats.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/kit/sample_width.h"

/* The stretch of one channel: mean +- 2.5 deviations within the band's
 * range (a constant band is not stretched apart). */
static void channelRange(RAMIMG *in, int band, double *lo, double *width)
{
    double std = 0.0, mean = 0.0, min = 0.0, max = 0.0;
    bandStatsSummary(in, band, &std, &mean, &min, &max);
    if (std == 0.0) {
        std = FLT_MAX;
    }
    double low = mean - 2.5 * std;
    double high = mean + 2.5 * std;
    low = low < min ? min : low;
    high = high > max ? max : high;
    *lo = low;
    *width = high - low != 0.0 ? high - low : 1e-17;
}

void setClassPalette(RAMIMG *out, RAMIMG *in, const int *channelBands, int channels, int nClasses,
                     ClassMeanProc *meanOf, const void *data)
{
    ImageHead *head = &out->head;
    if (channels > CLASS_PALETTE_CHANNELS) {
        channels = CLASS_PALETTE_CHANNELS;
    }
    double lo[CLASS_PALETTE_CHANNELS] = {0.0, 0.0, 0.0};
    double width[CLASS_PALETTE_CHANNELS] = {1.0, 1.0, 1.0};
    int stretch = in != NULL && progNeedsFloat(&in->head);
    if (stretch) {
        for (int c = 0; c < channels; c++) {
            channelRange(in, channelBands[c], &lo[c], &width[c]);
        }
    }
    int K = nClasses < 256 ? (nClasses > 0 ? nClasses : 0) : 256;
    for (int k = 0; k < K; k++) {
        for (int c = 0; c < channels; c++) {
            double mean = meanOf(data, k, c);
            int value;
            if (stretch) {
                value = roundToInt((mean - lo[c]) / width[c] * 255.0);
                value = value < 0 ? 0 : (value > 255 ? 255 : value);
            } else {
                value = roundToInt(mean) & 0xFF;
            }
            head->palette[k][c] = (unsigned char)value;
        }
        if (channels == 1) {
            head->palette[k][1] = head->palette[k][2] = head->palette[k][0];
        }
    }
    for (int k = K; k < 256; k++) {
        head->palette[k][0] = head->palette[k][1] = head->palette[k][2] = 0;
    }
    if (out->fd >= 0 && rewriteImageHeader(out->fd, head) == -2) {
        flushImageTrailer(out->fd, head, out->priv);
    }
}
