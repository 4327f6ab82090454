/*
 * tulx_lut.cpp --
 *
 *	Display lookup tables: the tone curve, the stretches (none, linear,
 *	levels and cumulative equalisation over a mean or detail range),
 *	per-channel tables for deep screens and for allocated colour cells,
 *	and the packing of up to three channels into one 8-bit index. Every
 *	per-pixel step of display goes through these 256-entry tables.
 */
#include <float.h>
#include <math.h>
#include <string.h>

#include "core/rounding.h"
#include "display/tulx/tulx.h"
#include "ramimage/band_stats.h"
#include "ramimage/ramimg.h"

double toneCurve(double x, double gamma, int mode)
{
    if (mode == 0) {
        return x <= 0 ? 0.0 : pow(x + 1e-11, gamma);
    }
    if (mode == 1) {
        if (x <= 0) {
            return 0.0;
        }
        if (x >= 1) {
            return 1.0;
        }
        if (x >= 0.5) {
            return 1 - pow((1 - x) * 2 + 1e-11, gamma) * 0.5;
        }
        return pow(x * 2 + 1e-11, gamma) * 0.5;
    }
    return x;
}

void buildLut(unsigned char *lut, int n, int outLo, int outHi, double lo, double hi,
              const unsigned char *src, double gamma, int mode)
{
    int lower = outLo < outHi ? outLo : outHi;
    int upper = outLo < outHi ? outHi : outLo;
    for (int i = 0; i < n; i++) {
        double v = src != NULL ? src[i] : i;
        if (v >= hi) {
            v = hi;
        } else if (v <= lo) {
            v = lo;
        }
        double out;
        if (hi - lo == 0) {
            out = outLo;
        } else {
            double t = toneCurve((v - lo) / (hi - lo), gamma, mode);
            out = outLo * (1 - t) + (outHi + 0.999) * t;
        }
        int value = clampToInt(out);
        lut[i] = (unsigned char)(value < lower ? lower : (value > upper ? upper : value));
    }
}

void quantizeLut(unsigned char *lut, int n, int step, int cap)
{
    if (step <= 0) {
        return;
    }
    for (int i = 0; i < n; i++) {
        int v = lut[i] < cap ? lut[i] : cap;
        lut[i] = (unsigned char)(((step / 2 + v) / step) * step);
    }
}

static void summaryFromStats(BandStats *stats, int band, BandSummary *out)
{
    BandStats *s = &stats[band];
    out->mean = histMean(s);
    out->std = histStd(s);
    out->min = s->min;
    out->max = s->max;
    out->count = s->count;
    out->nBins = s->nBins > 256 ? 256 : s->nBins;
    for (int i = 0; i < out->nBins && s->hist != NULL; i++) {
        out->hist[i] = s->hist[i];
    }
}

/* Statistics of one palette component over the histogram of a band. */
static void paletteSummary(const ImageHead *head, BandStats *s, int component,
                           BandSummary *out)
{
    double sum = 0, sumSq = 0, lo = INFINITY, hi = DBL_MIN;
    for (int i = 0; i < s->nBins && i < 256 && s->hist != NULL; i++) {
        double v = head->palette[i][component];
        double h = s->hist[i];
        sum += v * h;
        sumSq += v * v * h;
        out->hist[(int)v] += (unsigned int)h;
        /* Entries no pixel uses do not bound the component. */
        if (h == 0) {
            continue;
        }
        if (v < lo) {
            lo = v;
        }
        if (v > hi) {
            hi = v;
        }
    }
    out->count = s->count;
    out->mean = s->count > 0 ? sum / s->count : 0;
    double var = s->count > 0 ? sumSq / s->count - out->mean * out->mean : 0;
    out->std = sumSq > 0 && var > 0 ? sqrt(var) : 0;
    out->min = lo;
    out->max = hi;
    out->nBins = 256;
}

int tulxBandStats(TulxMaster *master, BandStats *stats, int channel, BandSummary *out)
{
    memset(out, 0, sizeof(*out));
    if (stats == NULL) {
        return 0;
    }
    int L = master->layerApplied - 1;
    if (master->head.nindices <= 0 || master->layerApplied < 1 || stats[L].nBins == 0
            || channel < 0) {
        int band = master->layerApplied >= 1 ? L : (channel < 0 ? 0 : channel);
        summaryFromStats(stats, band, out);
        return 1;
    }
    paletteSummary(&master->head, &stats[L], channel % 3, out);
    return 1;
}

int tulxStretchStats(TulxMaster *master, RAMIMG *image, int channel, BandSummary *out)
{
    memset(out, 0, sizeof(*out));
    BandStats *stats = ramImageHist(image, HIST_REUSE, 4, 4);
    if (stats == NULL) {
        return 0;
    }
    int bands = image->head.nbands > 0 ? image->head.nbands : 1;
    int L = master->layerApplied - 1;
    if (master->head.nindices <= 0 || master->layerApplied < 1 || L >= bands
            || stats[L].nBins == 0 || channel < 0) {
        int band = master->layerApplied >= 1 ? L : (channel < 0 ? 0 : channel);
        summaryFromStats(stats, ((band % bands) + bands) % bands, out);
        return 1;
    }
    paletteSummary(&master->head, &stats[L], channel % 3, out);
    return 1;
}

static const unsigned char *paletteSource(int n, const unsigned char rgb[][3], int component,
                                          unsigned char out[256], const unsigned char *identity)
{
    if (n <= 0) {
        return identity;
    }
    for (int i = 0; i < n && i < 256; i++) {
        out[i] = rgb[i][component % 3];
    }
    return out;
}

/* Levels (HISTS) or cumulative (HISTEQ) equalisation table over the bins. */
static bool equalisationTable(const BandSummary *s, int func, double lo, double hi, double gamma,
                              int mode, double T[256])
{
    double total = 0;
    for (int i = 0; i < s->nBins; i++) {
        if (i >= lo && i <= hi) {
            total += s->hist[i];
        }
    }
    if (total == 0) {
        return false;
    }
    double acc = 0;
    int ilo = roundToInt(lo);
    double base = (ilo >= 0 && ilo < s->nBins) ? s->hist[ilo] / total : 0;
    int level = -1, prev = 0;
    for (int i = 0; i < s->nBins; i++) {
        double f;
        if (i < lo) {
            f = 0;
        } else if (i < hi) {
            acc += s->hist[i];
            f = acc / total;
        } else {
            f = 1;
        }
        if (func == TULX_FUNC_HISTS) {
            int v = f == 0 ? 0 : roundToInt(toneCurve(f, gamma, mode) * 255);
            if (v > level && v > prev) {
                level++;
            }
            prev = v;
            T[i] = level;
        } else {
            T[i] = f > base ? roundToInt(toneCurve((f - base) / (1 - base), gamma, mode) * 255)
                            : 0;
        }
    }
    if (func == TULX_FUNC_HISTS) {
        for (int i = 0; i < s->nBins; i++) {
            int v = roundToInt(T[i] / (level + 0.0001) * 255);
            T[i] = v < 0 ? 0 : (v > 255 ? 255 : v);
        }
    }
    return true;
}

/*
 * tulxStretchBand --
 *	The display table of one channel: the data range found by the
 *	stretch (or the given one) mapped onto outLo..outHi.
 */
static int tulxStretchBand(TulxMaster *master, int func, float k, int channel, float gamma,
                           unsigned char *lut, int n, int outLo, int outHi, double *lo,
                           double *hi, const unsigned char *src)
{
    double a = 0, b = 255;
    if (master->filterBgApplied != 0) {
        func = TULX_FUNC_NONE;
    } else if (bitsPerPixel(master->head.pixel) <= 8 && master->head.pixel != PIXEL_SBYTE) {
        /* Signed bytes are scaled into 0..255 like the wide types. */
        a = *lo;
        b = *hi;
    }
    unsigned char table[256];
    BandSummary s;
    if (func != TULX_FUNC_NONE && master->ramImage != NULL
            && tulxStretchStats(master, master->ramImage, channel, &s) && s.std != 0) {
        if (master->range == TULX_RANGE_MEAN
                || (master->range == TULX_RANGE_DETAIL && s.nBins < 16)) {
            *lo = s.mean - s.std * k;
            *hi = s.mean + s.std * k;
        } else if (master->range == TULX_RANGE_DETAIL) {
            double tail = 0.005 * k;
            double acc = 0;
            int i = 0;
            while (acc < tail && i < s.nBins) {
                acc += s.hist[i] / s.count;
                i++;
            }
            *lo = i;
            acc = 0;
            i = s.nBins - 1;
            while (acc < tail && i > 1) {
                acc += s.hist[i] / s.count;
                i--;
            }
            *hi = i;
        }
        if (*lo < s.min) {
            *lo = s.min;
        }
        if (*hi > s.max) {
            *hi = s.max;
        }
        a = 0;
        b = 255;
        if (s.nBins > 2) {
            if (func == TULX_FUNC_LINEAR) {
                a = *lo;
                b = *hi;
            } else if (func == TULX_FUNC_HISTS || func == TULX_FUNC_HISTEQ) {
                double T[256];
                if (equalisationTable(&s, func, *lo, *hi, gamma, master->gmid, T)) {
                    for (int i = 0; i < s.nBins && i < 256; i++) {
                        int v = (int)T[src != NULL ? src[i] : i];
                        table[i] = (unsigned char)v;
                    }
                    for (int i = s.nBins; i < 256; i++) {
                        table[i] = table[s.nBins - 1];
                    }
                    src = table;
                    gamma = 1.0f;
                }
            }
        }
    }
    buildLut(lut, n, outLo, outHi, a, b, src, gamma, master->gmid);
    return 1;
}

static void bandLuts(TulxMaster *master, int func, float k)
{
    unsigned char source[256];
    int count = master->head.nindices;
    if (master->comb.count == 1 && master->comb.band[0] > 0 && (master->paletteFlags & 1)) {
        master->nChannels = 0;
        int band = master->comb.band[0] - 1;
        for (int c = 0; c < 3; c++) {
            const unsigned char *src = paletteSource(count, master->head.palette, band, source,
                                                     master->identityLut[c]);
            master->channelBand[c] = band;
            master->rangeLow[c] = master->low[0];
            master->rangeHigh[c] = master->high[0];
            tulxStretchBand(master, func, k, band, (float)master->gamma, master->displayLut[c],
                            256, master->lutLow, master->lutHigh, &master->rangeLow[c],
                            &master->rangeHigh[c], src);
        }
        master->low[0] = master->rangeLow[0];
        master->high[0] = master->rangeHigh[0];
        return;
    }
    master->nChannels = 0;
    for (int c = 0; c < 3; c++) {
        int b = master->comb.band[c] - 1;
        if (b >= 0) {
            master->nChannels++;
            master->channelBand[c] = b;
            const unsigned char *src = paletteSource(count, master->head.palette, b, source,
                                                     master->identityLut[c]);
            tulxStretchBand(master, func, k, b, (float)master->gamma, master->displayLut[c], 256,
                            master->lutLow, master->lutHigh, &master->rangeLow[c],
                            &master->rangeHigh[c], src);
        } else {
            master->channelBand[c] = -1;
        }
        if (master->paletteApplied[c + 1] == 1) {
            master->channelBand[c] = -1;
        }
    }
    for (int c = 0; c < 3; c++) {
        if (master->comb.band[c] > 0) {
            master->low[c] = master->rangeLow[c];
            master->high[c] = master->rangeHigh[c];
        }
    }
}

static int cellIndex(int level, int cells)
{
    return (int)(level / 255.0 * (cells - 1) + 0.5);
}

static void paletteLuts(TulxMaster *master, int func, float k)
{
    unsigned char sources[3][256];
    int count = master->head.nindices;
    bool dither = master->ditherApplied != 0;
    bool filter = master->filterFactor != 0.0;
    if (master->directPalette) {
        master->nChannels = 1;
        int first = 1;
        for (int c = 0; c < 3; c++) {
            if (master->comb.band[c] > 0) {
                first = master->comb.band[c];
                break;
            }
        }
        int bands = master->head.nbands > 0 ? master->head.nbands : 1;
        master->channelBand[0] = (first - 1) % bands;
        RAMIMG *image = master->ramImage;
        if (image != NULL && image->head.nindices > 0 && bitsPerPixel(image->head.pixel) <= 8) {
            for (int i = 0; i < 256; i++) {
                master->displayLut[0][i] = (unsigned char)(i < count ? i : 0);
            }
        } else {
            master->rangeLow[0] = master->low[0];
            master->rangeHigh[0] = master->high[0];
            tulxStretchBand(master, func, k, master->channelBand[0], (float)master->gamma,
                            master->displayLut[0], 256, master->lutLow, master->lutHigh,
                            &master->rangeLow[0], &master->rangeHigh[0], NULL);
        }
        return;
    }
    int *levels = master->paletteApplied;
    if (levels[0] > 0) {
        int outLo = dither ? master->lutLow : cellIndex(master->lutLow, master->nColors);
        int outHi = dither ? master->lutHigh : cellIndex(master->lutHigh, master->nColors);
        int slots = 0;
        for (int c = 0; c < 3; c++) {
            int band = master->comb.band[c] - 1;
            if (band < 0 || (master->comb.count == 1 && c > 0)) {
                continue;
            }
            int j = slots++;
            const unsigned char *src = filter ? master->identityLut[j]
                : paletteSource(count, master->head.palette, band, sources[j],
                                master->identityLut[j]);
            master->rangeLow[j] = master->low[c];
            master->rangeHigh[j] = master->high[c];
            tulxStretchBand(master, func, k, band, (float)master->gamma, master->displayLut[j],
                            256, outLo, outHi, &master->rangeLow[j], &master->rangeHigh[j], src);
            if (dither) {
                makeLevelTables(master->ditherError[j], NULL, master->nColors,
                                master->ditherIndex[j], 1.0f);
            }
            master->channelBand[j] = band;
            master->low[c] = master->rangeLow[j];
            master->high[c] = master->rangeHigh[j];
        }
        master->nChannels = slots;
        if (slots > 1) {
            for (int i = 0; i < 256; i++) {
                int s = 0;
                for (int j = 0; j < slots; j++) {
                    s += master->displayLut[j][i];
                }
                if (s != 0) {
                    double m = s / slots < 255 ? s / slots : 255;
                    for (int j = 0; j < slots; j++) {
                        master->displayLut[j][i] =
                            (unsigned char)(int)(master->displayLut[j][i] / (double)s * m + 0.5);
                    }
                }
            }
        }
    } else {
        int R = levels[1], G = levels[2], B = levels[3];
        int M[3] = {G * B, B, 1};
        int Q[3] = {(R - 1) * G * B, (G - 1) * B, B - 1};
        int A[3] = {R * G * B - 1, G * B - 1, B - 1};
        int L[3] = {R, G, B};
        int slots = 0;
        for (int c = 0; c < 3; c++) {
            int band = master->comb.band[c] - 1;
            if (band < 0) {
                continue;
            }
            int j = slots++;
            const unsigned char *src = filter ? master->identityLut[j]
                : paletteSource(count, master->head.palette, band, sources[j],
                                master->identityLut[j]);
            master->rangeLow[j] = master->low[c];
            master->rangeHigh[j] = master->high[c];
            if (dither) {
                tulxStretchBand(master, func, k, band, (float)master->gamma,
                                master->displayLut[j], 256, master->lutLow, master->lutHigh,
                                &master->rangeLow[j], &master->rangeHigh[j], src);
                makeLevelTables(master->ditherError[j], NULL, L[c], master->ditherIndex[j],
                                (float)M[c]);
            } else {
                tulxStretchBand(master, func, k, band, (float)master->gamma,
                                master->displayLut[j], 256,
                                (int)(master->lutLow / 255.0 * A[c] + 0.5),
                                (int)(master->lutHigh / 255.0 * A[c] + 0.5),
                                &master->rangeLow[j], &master->rangeHigh[j], src);
                quantizeLut(master->displayLut[j], 256, M[c], Q[c]);
            }
            master->channelBand[j] = band;
            master->low[c] = master->rangeLow[j];
            master->high[c] = master->rangeHigh[j];
        }
        if (!dither && count > 0) {
            for (int j = 1; j < slots; j++) {
                for (int i = 0; i < 256; i++) {
                    master->displayLut[0][i] =
                        (unsigned char)(master->displayLut[0][i] + master->displayLut[j][i]);
                }
            }
            master->nChannels = 1;
            master->channelBand[0] = master->layerApplied - 1 > 0 ? master->layerApplied - 1 : 0;
        } else {
            master->nChannels = slots;
        }
    }
    if (dither) {
        for (int j = 0; j < 3; j++) {
            for (int i = 0; i < 256; i++) {
                master->ditherError[j][i] =
                    (signed char)roundToInt(master->ditherError[j][i] * master->dg);
            }
        }
    }
}

static void indexLuts(TulxMaster *master, int func, float k)
{
    bool same = true;
    for (int c = 1; c < master->nChannels; c++) {
        same = same && master->channelBand[c] == master->channelBand[0];
    }
    if (same) {
        for (int i = 0; i < 256; i++) {
            master->indexLut[0][i] = (unsigned char)i;
        }
        memset(master->indexLut[1], 0, 256);
        memset(master->indexLut[2], 0, 256);
        return;
    }
    static const int table2[2][3] = {{255, 16, 240}, {15, 1, 15}};
    static const int table3[3][3] = {{255, 32, 224}, {31, 4, 28}, {3, 1, 3}};
    for (int c = 0; c < master->nChannels && c < 3; c++) {
        const int *abq = master->nChannels == 2 ? table2[c < 2 ? c : 1] : table3[c];
        double lo = 0, hi = 255;
        tulxStretchBand(master, func, k, master->channelBand[c], (float)master->gamma,
                        master->indexLut[c], 256, 0, abq[0], &lo, &hi, NULL);
        quantizeLut(master->indexLut[c], 256, abq[1], abq[2]);
    }
}

int tulxUpdateLut(TulxMaster *master, int func, float k)
{
    memset(master->displayLut, 0, sizeof(master->displayLut));
    memset(master->ditherIndex, 0, sizeof(master->ditherIndex));
    for (int c = 0; c < 3; c++) {
        master->rangeLow[c] = master->low[c];
        master->rangeHigh[c] = master->high[c];
    }
    if (master->nColors > 0) {
        paletteLuts(master, func, k);
    } else {
        bandLuts(master, func, k);
    }
    indexLuts(master, func, k);
    return 1;
}
