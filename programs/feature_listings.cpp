/*
 * feature_listings.cpp --
 *
 *	Text listings of feature blocks (see feature_listings.h). Texts from
 *	a file are printed only up to the end of their field, terminated or
 *	not.
 */
#include "programs/feature_listings.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

/* Values per line of the value lists and columns per matrix block. */
static const int PER_LINE = 5;

/* Length of the text in field[0 .. width - 1]. */
static int fieldLength(const char *field, size_t width)
{
    const char *end = (const char *)memchr(field, '\0', width);
    return end != NULL ? (int)(end - field) : (int)width;
}

/* The text of info bytes [offset, offset + width), cut at the info's end. */
static void printField(const char *format, const unsigned char *info, uint32_t infoSize,
                       size_t offset, size_t width)
{
    const char *text = "";
    int length = 0;
    if (offset < infoSize) {
        size_t room = infoSize - offset < width ? infoSize - offset : width;
        text = (const char *)info + offset;
        length = fieldLength(text, room);
    }
    ovex_printf(format, length, text);
}

/* count values as "%15.6e", a line end after every fifth and at the end. */
static void printValueList(const double *values, int count)
{
    for (int i = 0; i < count; i++) {
        ovex_printf("%15.6e", values[i]);
        if ((i + 1) % PER_LINE == 0) {
            ovex_printf("\n");
        }
    }
    ovex_printf("\n");
}

void printStatPrivateInfo(const FeatureBlock *block)
{
    const unsigned char *info = (const unsigned char *)featurePrivateInfo(block);
    if (info == NULL) {
        ovex_printf("No private info.\n");
        return;
    }
    uint32_t size = featureInfoSize(block);
    printField("Stat Source: %.*s\n", info, size, offsetof(StatInfo, source),
               sizeof(((StatInfo *)0)->source));
    printField("Stat Note  : %.*s\n", info, size, offsetof(StatInfo, note),
               sizeof(((StatInfo *)0)->note));
}

/* The full symmetric matrix in blocks of five columns; as correlations
 * when correlation is set. */
static void printMatrix(const float *cov, int n, int correlation)
{
    ovex_printf(correlation ? "Correlation values:\n" : "Covariance values:\n");
    for (int c0 = 0; c0 < n; c0 += PER_LINE) {
        int end = c0 + PER_LINE < n ? c0 + PER_LINE : n;
        for (int r = 0; r < n; r++) {
            for (int c = c0; c < end; c++) {
                double value = cov[packedIndex(r, c)];
                if (correlation) {
                    value = value / sqrt((double)cov[packedIndex(r, r)])
                            / sqrt((double)cov[packedIndex(c, c)]);
                }
                ovex_printf("%15.6e", value);
            }
            ovex_printf("\n");
        }
        ovex_printf("\n");
    }
}

void printStatInfo(const FeatureBlock *block, int k, int flags)
{
    const StatItem *item = statItem(block, k);
    if (item == NULL) {
        return;
    }
    ovex_printf("Stat Info Sequence # %d\n", k);
    ovex_printf("ID     : %d\n", (int)item->id);
    ovex_printf("name   : %.*s\n", fieldLength(item->name, sizeof item->name), item->name);
    ovex_printf("note   : %.*s\n", fieldLength(item->note, sizeof item->note), item->note);
    ovex_printf("nPixels: %d\n", (int)item->nPixels);

    int n = (int)block->nBands;
    const float *mean = statMean(block, k);
    const float *cov = statCov(block, k);
    if (flags & (STAT_LIST_MEAN | STAT_LIST_STD)) {
        double *values = (double *)gmemAlloc((size_t)n * sizeof(double) + 1);
        if (values == NULL) {
            return;
        }
        if (flags & STAT_LIST_MEAN) {
            ovex_printf("Mean values:\n");
            for (int i = 0; i < n; i++) {
                values[i] = mean[i];
            }
            printValueList(values, n);
        }
        if (flags & STAT_LIST_STD) {
            ovex_printf("Std values:\n");
            for (int i = 0; i < n; i++) {
                values[i] = sqrt((double)cov[packedIndex(i, i)]);
            }
            printValueList(values, n);
        }
        gmemFree(values);
    }
    if (flags & STAT_LIST_COV) {
        printMatrix(cov, n, 0);
    }
    if (flags & STAT_LIST_COR) {
        printMatrix(cov, n, 1);
    }
}

void printEvInfo(const FeatureBlock *block)
{
    const EigenInfo *info = (const EigenInfo *)featurePrivateInfo(block);
    int n = (int)block->nBands;
    if (info == NULL || featureInfoSize(block) < featureKindInfoSize(FEATURE_KIND_EIGEN, n)) {
        ovex_printf("No Private EVINFO.\n");
        return;
    }
    ovex_printf("EVINFO Source  : %.*s\n", fieldLength(info->text, sizeof info->text), info->text);
    ovex_printf(info->normalised ? "EVINFO Note    : Normalized\n"
                                 : "EVINFO Note    : Non Normalized\n");
    const EigenBand *bands = (const EigenBand *)(info + 1);
    double *values = (double *)gmemAlloc((size_t)n * sizeof(double) + 1);
    if (values == NULL) {
        return;
    }
    ovex_printf("EVINFO SQSTD   :\n");
    for (int i = 0; i < n; i++) {
        values[i] = bands[i].variance;
    }
    printValueList(values, n);
    ovex_printf("EVINFO MEAN    :\n");
    for (int i = 0; i < n; i++) {
        values[i] = bands[i].mean;
    }
    printValueList(values, n);
    gmemFree(values);
}

void printEigenVectors(const FeatureBlock *block, int withVectors)
{
    int count = (int)block->itemCount;
    int n = (int)block->nBands;
    double accumulated = 0.0;
    for (int k0 = 0; k0 < count; k0 += PER_LINE) {
        int end = k0 + PER_LINE < count ? k0 + PER_LINE : count;
        ovex_printf("\n\nEigen Vector Information\n");
        ovex_printf("ID    :");
        for (int k = k0; k < end; k++) {
            ovex_printf("%7d      ", k + 1);
        }
        ovex_printf("\nValue :");
        for (int k = k0; k < end; k++) {
            ovex_printf("%13.6e", (double)eigenItem(block, k)->value);
        }
        ovex_printf("\nPct   :");
        for (int k = k0; k < end; k++) {
            ovex_printf("%13.6f", (double)eigenItem(block, k)->percent);
        }
        ovex_printf("\nAPct  :");
        for (int k = k0; k < end; k++) {
            accumulated += eigenItem(block, k)->percent;
            ovex_printf("%13.6f", accumulated);
        }
        ovex_printf("\n");
        if (withVectors) {
            ovex_printf("Vector:\n");
            for (int i = 0; i < n; i++) {
                ovex_printf("ch%4d:", featureBand(block, i) + 1);
                for (int k = k0; k < end; k++) {
                    ovex_printf("%13.7f", (double)eigenVector(block, k)[i]);
                }
                ovex_printf("\n");
            }
        }
    }
    ovex_printf("\n");
}

void printIsoInfo(const FeatureBlock *block)
{
    const IsoInfo *info = (const IsoInfo *)featurePrivateInfo(block);
    if (info == NULL || featureInfoSize(block) < sizeof(IsoInfo)) {
        return;
    }
    ovex_printf("source: %.*s\n", fieldLength(info->source, sizeof info->source), info->source);
    ovex_printf("nClasses: %d nSamples %d RMS: %.4f DIS: %.4f\n", (int)info->nClasses,
                (int)info->nSamples, (double)info->rms, (double)info->dis);
}

void isoPrint(const FeatureBlock *block, int which)
{
    static const char *const titles[] = {"ISO_MEAN:\n", "ISO_DMEAN:\n", "ISO_SUM:\n"};
    if (which < ISO_LIST_MEAN || which > ISO_LIST_SUM) {
        ovex_fprintf(stderr, "Wrong flag for isoPrint\n");
        return;
    }
    int n = (int)block->nBands;
    ovex_printf("%s", titles[which]);
    ovex_printf("  ID  SAMPLES    SRMD2");
    for (int i = 0; i < n; i++) {
        ovex_printf("  %4d  ", featureBand(block, i) + 1);
    }
    ovex_printf("\n");
    for (int k = 0; (uint32_t)k < block->itemCount; k++) {
        const IsoItem *item = isoItem(block, k);
        ovex_printf("#%3d %8d %8.3f ", k, (int)item->nSamples, (double)item->srmd2);
        for (int i = 0; i < n; i++) {
            const IsoBand *band = isoBand(block, k, i);
            double value = which == ISO_LIST_MEAN ? band->mean
                           : which == ISO_LIST_DMEAN ? band->dmean : band->sum;
            ovex_printf("%7.3f ", value);
        }
        ovex_printf("\n");
    }
}
