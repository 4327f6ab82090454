/*
 * feature_stats.cpp --
 *
 *	Statistics arithmetic of class items and running sums (see
 *	feature_stats.h).
 */
#include "programs/feature_stats.h"

#include <cstring>
#include <cmath>
#include <cstdint>

#include "core/rounding.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/feature_kernels.h"

int findStatByName(const FeatureBlock *block, const char *name)
{
    for (int k = 0; (uint32_t)k < block->itemCount; k++) {
        /* A name from a file may fill its field without a terminator. */
        char itemName[STAT_NAME_SIZE + 1];
        memcpy(itemName, statItem(block, k)->name, STAT_NAME_SIZE);
        itemName[STAT_NAME_SIZE] = '\0';
        if (strcmpiNull(itemName, name) == 0) {
            return k;
        }
    }
    return -1;
}

void covToCorrelation(FeatureBlock *block, int k)
{
    float *cov = statCov(block, k);
    if (cov == NULL) {
        return;
    }
    int n = (int)block->nBands;
    for (int j = 1; j < n; j++) {
        for (int i = 0; i < j; i++) {
            double value = cov[packedIndex(i, j)];
            value = value / sqrt((double)cov[packedIndex(i, i)]) / sqrt((double)cov[packedIndex(j, j)]);
            cov[packedIndex(i, j)] = (float)value;
        }
    }
    for (int i = 0; i < n; i++) {
        cov[packedIndex(i, i)] = 1.0f;
    }
}

int invertStatCov(FeatureBlock *block, int k, double *determinant)
{
    StatItem *item = statItem(block, k);
    if (item == NULL) {
        return 0;
    }
    int n = (int)block->nBands;
    if (item->nPixels < n) {
        ovex_fprintf(stderr, "Not enough samples.\n");
        return 0;
    }
    size_t size = packedSize(n);
    double *work = (double *)gmemAlloc(size > 0 ? size * sizeof(double) : 1);
    if (work == NULL) {
        ovex_fprintf(stderr, "Error of malloc in invertStatCov.\n");
        return 0;
    }
    float *cov = statCov(block, k);
    for (size_t p = 0; p < size; p++) {
        work[p] = cov[p];
    }
    *determinant = invertPackedSym(work, n);
    int inverted = *determinant > 0.0;
    if (inverted) {
        for (size_t p = 0; p < size; p++) {
            cov[p] = (float)work[p];
        }
    }
    gmemFree(work);
    return inverted;
}

void accumulateSamples(double *cross, double *sums, int n, const float *samples, int count)
{
    for (int s = 0; s < count; s++) {
        const float *x = samples + (size_t)s * (size_t)n;
        for (int j = 0; j < n; j++) {
            double xj = x[j];
            sums[j] += xj;
            for (int i = 0; i <= j; i++) {
                cross[packedIndex(i, j)] += (double)x[i] * xj;
            }
        }
    }
}

int mergeMoments(int N, int n, double *second, double *means, const double *cross,
                 const double *sums, int m)
{
    if (m <= 0) {
        return N;
    }
    double total = (double)N + (double)m;
    double w = (double)N / total;
    for (int i = 0; i < n; i++) {
        means[i] = (1.0 - w) * sums[i] / m + w * means[i];
    }
    size_t size = packedSize(n);
    for (size_t p = 0; p < size; p++) {
        second[p] = (1.0 - w) * cross[p] / m + w * second[p];
    }
    return clampToInt(total);
}

void momentsToCovariance(double *second, const double *means, int n)
{
    for (int j = 0; j < n; j++) {
        for (int i = 0; i <= j; i++) {
            second[packedIndex(i, j)] -= means[i] * means[j];
        }
    }
}

/*
 *----------------------------------------------------------------------
 *
 * updateStatItem --
 *
 *	Pools a batch's covariance and means into a class item.
 *
 * Results:
 *	1, or 0 for a missing item.
 *
 * Side effects:
 *	The item's nPixels, mean and covariance.
 *
 *----------------------------------------------------------------------
 */
int updateStatItem(FeatureBlock *block, int k, const double *covariance, const double *means,
                   int m)
{
    StatItem *item = statItem(block, k);
    if (item == NULL) {
        return 0;
    }
    if (m <= 0) {
        return 1;
    }
    int64_t total = (int64_t)(item->nPixels > 0 ? item->nPixels : 0) + m;
    item->nPixels = total > INT32_MAX ? INT32_MAX : (int32_t)total;
    double w = (double)m / (double)total;
    double w0 = 1.0 - w;
    int n = (int)block->nBands;
    float *mu = statMean(block, k);
    float *cov = statCov(block, k);
    for (int j = 0; j < n; j++) {
        for (int i = 0; i <= j; i++) {
            size_t p = packedIndex(i, j);
            double pooledI = mu[i] * w0 + means[i] * w;
            double pooledJ = mu[j] * w0 + means[j] * w;
            double value = ((double)mu[i] * mu[j] + cov[p]) * w0
                           + (means[i] * means[j] + covariance[p]) * w - pooledI * pooledJ;
            cov[p] = (float)value;
        }
    }
    for (int i = 0; i < n; i++) {
        mu[i] = (float)(mu[i] * w0 + means[i] * w);
    }
    return 1;
}
