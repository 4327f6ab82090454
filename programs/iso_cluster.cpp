/*
 * iso_cluster.cpp --
 *
 *	Assignment, update, acceleration, table cache and colours of iso
 *	clustering (see iso_cluster.h).
 */
#include "programs/iso_cluster.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/rounding.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/class_palette.h"
#include "ramimage/band_stats.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/ramimg.h"


int isoRunInit(IsoRun *run, int n)
{
    memset(run, 0, sizeof(*run));
    memset(run->colourClass, 0xFF, sizeof(run->colourClass));
    if (n <= 0) {
        return 0;
    }
    run->n = n;
    run->bands = (int *)gmemAlloc(sizeof(int) * (size_t)n);
    run->sortOrder = (int *)gmemAlloc(sizeof(int) * (size_t)n);
    run->std = (float *)gmemAlloc(sizeof(float) * (size_t)n);
    run->scratch = (float *)gmemAlloc(sizeof(float) * (size_t)n);
    if (run->bands == NULL || run->sortOrder == NULL || run->std == NULL ||
        run->scratch == NULL) {
        isoRunFree(run);
        return 0;
    }
    for (int i = 0; i < n; i++) {
        run->bands[i] = i;
        run->sortOrder[i] = i;
        run->std[i] = 1.0f;
    }
    run->leastRatio = FLT_MAX;
    return 1;
}

void isoRunFree(IsoRun *run)
{
    gmemFree(run->bands);
    gmemFree(run->sortOrder);
    gmemFree(run->std);
    gmemFree(run->scratch);
    gmemFree(run->tableClass);
    if (run->block != NULL) {
        freeFeature(run->block);
    }
    run->bands = run->sortOrder = NULL;
    run->std = run->scratch = NULL;
    run->tableClass = NULL;
    run->block = NULL;
}

void isoGather(IsoRun *run, int k, const float *x, uint32_t weight)
{
    IsoItem *item = isoItem(run->block, k);
    if (item == NULL || weight == 0) {
        return;
    }
    for (int i = 0; i < run->n; i++) {
        isoBand(run->block, k, i)->sum += (double)x[i] * weight;
    }
    item->count += weight;
}

/* Opens cluster nc with mean x; its index, or -1 when the block cannot grow. */
static int openCluster(IsoRun *run, const float *x)
{
    int k = run->nc;
    if ((uint32_t)k >= run->block->itemCount) {
        FeatureBlock *grown = addFeature(run->block, NULL);
        if (grown == NULL) {
            return -1;
        }
        run->block = grown;
    }
    memset(isoItem(run->block, k), 0, run->block->itemSize);
    for (int i = 0; i < run->n; i++) {
        isoBand(run->block, k, i)->mean = x[i];
    }
    run->nc++;
    if (run->repoint) {
        isoRepointTable(run);
    }
    return k;
}

int isoAssign(IsoRun *run, const float *x)
{
    int n = run->n;
    int best = -1;
    float bestD = FLT_MAX;
    if (run->block == NULL) {
        return -1;
    }
    for (int k = 0; k < run->nc; k++) {
        float d = 0.0f;
        int i = 0;
        for (; i < n; i++) {
            float t = (x[i] - isoBand(run->block, k, i)->mean) / run->std[i];
            d += t * t;
            if (d > bestD) {
                break;
            }
        }
        if (i < n) {
            continue;
        }
        if (d < bestD || best < 0) {
            bestD = d;
            best = k;
        }
        if (d < run->dis02) {
            break;
        }
    }
    if (best < 0 && run->nc > 0) {
        best = 0;               /* every distance overflowed */
    }
    if (run->create && (best < 0 || bestD > run->dis) && run->nc < run->ncMax) {
        /* A block that cannot grow leaves the vector to its nearest cluster. */
        int opened = openCluster(run, x);
        if (opened >= 0) {
            best = opened;
        }
    }
    if (best >= 0) {
        isoGather(run, best, x, 1);
    }
    return best;
}

int isoAssignBytes(IsoRun *run, const unsigned char *x)
{
    for (int i = 0; i < run->n; i++) {
        run->scratch[i] = (float)x[i];
    }
    return isoAssign(run, run->scratch);
}

double isoUpdateClusters(IsoRun *run)
{
    FeatureBlock *block = run->block;
    int n = run->n;
    double total = 0.0;
    for (int k = 0; k < run->nc; k++) {
        total += isoItem(block, k)->count;
    }
    double rms = 0.0, weighted = 0.0, least = FLT_MAX;
    int kept = 0;
    for (int k = 0; k < run->nc; k++) {
        IsoItem *item = isoItem(block, k);
        double a = item->nSamples, b = item->count;
        double hi = a > b ? a : b;
        double ratio = hi > 0.0 ? (a < b ? a : b) / hi : 0.0;
        if (ratio < least) {
            least = ratio;
        }
        if (item->count == 0) {
            continue;
        }
        double sq = 0.0;
        for (int i = 0; i < n; i++) {
            IsoBand *band = isoBand(block, k, i);
            float mean = (float)(band->sum / item->count);
            band->dmean = mean - band->mean;
            band->mean = mean;
            band->sum = 0.0;
            sq += (double)band->dmean * band->dmean;
        }
        item->srmd2 = (float)sqrt(sq / n);
        rms += item->count * (double)item->srmd2 / total;
        weighted += item->count * ratio / total;
        item->nSamples = (int32_t)(item->count > INT32_MAX ? INT32_MAX : item->count);
        item->count = 0;
        if (kept != k) {
            memcpy(isoItem(block, kept), item, block->itemSize);
        }
        kept++;
    }
    run->nc = kept;
    FeatureBlock *cut = cutFeature(block, kept);
    if (cut != NULL) {
        run->block = block = cut;
    }
    run->rms = rms;
    run->weightedRatio = weighted;
    run->leastRatio = least;
    run->total = total > INT32_MAX ? INT32_MAX : (int32_t)total;

    IsoInfo info;
    memset(&info, 0, sizeof(info));
    info.rms = rms;
    info.dis = run->dis;
    info.nSamples = run->total;
    info.nClasses = run->nc;
    memcpy(info.source, run->source, sizeof(info.source) - 1);
    setFeaturePrivateInfo(block, &info, (int)sizeof(info));

    if (run->table != NULL && run->tableClass != NULL) {
        uint32_t reset = isoResetTableClasses(run);
        if (run->verbose && run->table->count > 0) {
            ovex_printf("Unstable ratio: %8.3f\n", (double)reset / run->table->count);
        }
    }
    return least;
}

void isoSpeed(IsoRun *run)
{
    if (run->verbose) {
        ovex_printf("isoSpeed...\n");
    }
    if (!(run->leastRatio > 0.5)) {
        return;
    }
    for (int k = 0; k < run->nc; k++) {
        for (int i = 0; i < run->n; i++) {
            IsoBand *band = isoBand(run->block, k, i);
            band->mean += 0.5f * band->dmean;
        }
    }
}

void isoRepointTable(IsoRun *run)
{
    if (run->table == NULL || run->tableClass == NULL || run->nc <= 0) {
        return;
    }
    int fresh = run->nc - 1;
    int n = run->n;
    for (uint32_t e = 0; e < run->table->count; e++) {
        int k = run->tableClass[e];
        if (k < 0 || k >= run->nc) {
            continue;
        }
        const unsigned char *v = run->table->vectors + (size_t)e * run->table->nBands;
        float d = 0.0f;
        for (int i = 0; i < n; i++) {
            float old = isoBand(run->block, k, i)->mean - v[i];
            float now = isoBand(run->block, fresh, i)->mean - v[i];
            d += old * old - now * now;
        }
        if (d > 0.0f) {
            run->tableClass[e] = (int16_t)fresh;
        }
    }
}

uint32_t isoResetTableClasses(IsoRun *run)
{
    uint32_t reset = 0;
    if (run->table == NULL || run->tableClass == NULL) {
        return 0;
    }
    for (uint32_t e = 0; e < run->table->count; e++) {
        if (run->tableClass[e] >= 0) {
            reset++;
        }
        run->tableClass[e] = -1;
    }
    return reset;
}

/* The mean of cluster k in colour channel c (bands in sort order). */
static double clusterMean(const void *data, int k, int c)
{
    const IsoRun *run = (const IsoRun *)data;
    return isoBand(run->block, k, run->sortOrder[c])->mean;
}

void isoSetColors(IsoRun *run)
{
    if (run->out == NULL || run->out->head.nindices <= 0 || run->block == NULL) {
        return;
    }
    int channelBands[CLASS_PALETTE_CHANNELS] = {0, 0, 0};
    for (int c = 0; c < CLASS_PALETTE_CHANNELS && c < run->n; c++) {
        channelBands[c] = run->bands[run->sortOrder[c]];
    }
    setClassPalette(run->out, run->in, channelBands, run->n, run->nc, clusterMean, run);
}
