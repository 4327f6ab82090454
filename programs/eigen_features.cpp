/*
 * eigen_features.cpp --
 *
 *	Building "EIGENID" blocks from class statistics (see
 *	eigen_features.h).
 */
#include "programs/eigen_features.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/feature_kernels.h"
#include "programs/feature_stats.h"

FeatureBlock *createEgvFeature(const FeatureBlock *stat, int statIndex, int normalised,
                               int count)
{
    StatItem *item = statItem(stat, statIndex);
    int n = (int)stat->nBands;
    int items = count < n ? count : n;
    uint64_t infoSize = featureKindInfoSize(FEATURE_KIND_EIGEN, (uint64_t)n);
    uint64_t itemSize = featureKindItemSize(FEATURE_KIND_EIGEN, (uint64_t)n);
    FeatureBlock *block = NULL;
    if (item != NULL && infoSize <= INT32_MAX && itemSize <= INT32_MAX) {
        block = newFeature(FEATURE_EIGEN, featureBands(stat), n, (int)itemSize,
                           items > 0 ? items : 0, NULL, (int)infoSize);
    }
    if (block == NULL) {
        ovex_fprintf(stderr, "Error in creating EGV feature.\n");
        return NULL;
    }
    EigenInfo *info = (EigenInfo *)featurePrivateInfo(block);
    char name[STAT_NAME_SIZE + 1];
    memcpy(name, item->name, STAT_NAME_SIZE);
    name[STAT_NAME_SIZE] = '\0';
    snprintf(info->text, sizeof info->text, "%s %d", name, statIndex);
    info->normalised = normalised ? 1 : 0;
    EigenBand *bands = (EigenBand *)(info + 1);
    const float *mean = statMean(stat, statIndex);
    const float *cov = statCov(stat, statIndex);
    for (int i = 0; i < n; i++) {
        bands[i].variance = cov[packedIndex(i, i)];
        bands[i].mean = mean[i];
    }
    return block;
}

/*
 * completeNullVector --
 *	A component of value 0 comes from a matrix deflated to nothing, where
 *	every direction is an eigenvector: vector becomes the first unit
 *	vector's part orthogonal to the k components found before, normalised,
 *	so no component repeats another.
 */
static void completeNullVector(const FeatureBlock *block, int k, double *vector, int n)
{
    for (int unit = 0; unit < n; unit++) {
        for (int i = 0; i < n; i++) {
            vector[i] = i == unit ? 1.0 : 0.0;
        }
        for (int j = 0; j < k; j++) {
            const float *earlier = eigenVector(block, j);
            double dot = 0.0;
            for (int i = 0; i < n; i++) {
                dot += vector[i] * earlier[i];
            }
            for (int i = 0; i < n; i++) {
                vector[i] -= dot * earlier[i];
            }
        }
        double norm = 0.0;
        for (int i = 0; i < n; i++) {
            norm += vector[i] * vector[i];
        }
        if (norm > 1e-6) {
            norm = sqrt(norm);
            for (int i = 0; i < n; i++) {
                vector[i] /= norm;
            }
            return;
        }
    }
}

/*
 *----------------------------------------------------------------------
 *
 * calcEigenFeatures --
 *
 *	The principal components of one class item.
 *
 * Results:
 *	The new "EIGENID" block, or NULL after a message on standard error.
 *
 * Side effects:
 *	With normalised set, the item's covariance becomes its correlation.
 *	The meter runs and is reset.
 *
 *----------------------------------------------------------------------
 */
FeatureBlock *calcEigenFeatures(int count, FeatureBlock *stat, int normalised, int statIndex,
                                float tolerance, int iterations)
{
    FeatureBlock *block = createEgvFeature(stat, statIndex, normalised, count);
    if (block == NULL) {
        return NULL;
    }
    if (normalised) {
        covToCorrelation(stat, statIndex);
    }
    int n = (int)stat->nBands;
    size_t size = packedSize(n);
    double *work = (double *)gmemAlloc((size + (size_t)n) * sizeof(double) + 1);
    if (work == NULL) {
        ovex_fprintf(stderr, "Error of malloc in calcEigenFeatures.\n");
        freeFeature(block);
        return NULL;
    }
    double *vector = work + size;
    const float *cov = statCov(stat, statIndex);
    float trace = 0.0f;
    for (size_t p = 0; p < size; p++) {
        work[p] = cov[p];
    }
    for (int i = 0; i < n; i++) {
        trace += cov[packedIndex(i, i)];
    }

    int items = (int)block->itemCount;
    for (int k = 0; k < items; k++) {
        double value = 0.0;
        if (!calcEV(work, vector, n, tolerance, iterations, &value)) {
            gmemFree(work);
            freeFeature(block);
            meterReset();
            return NULL;
        }
        if (value == 0.0) {
            completeNullVector(block, k, vector, n);
        }
        EigenItem *item = eigenItem(block, k);
        float *weights = eigenVector(block, k);
        item->index = k;
        item->value = (float)value;
        for (int i = 0; i < n; i++) {
            weights[i] = (float)vector[i];
        }
        item->percent = (float)(value / trace * 100.0);
        meterSet("egv", (float)(k + 1) / (float)items);
    }
    meterReset();
    gmemFree(work);
    return block;
}
