/*
 * classifier_model.cpp --
 *
 *	Building and applying the classification model (see
 *	classifier_model.h). Inversions are in double precision, the scores
 *	in single precision.
 */
#include "programs/classifier_model.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/package.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/feature_kernels.h"

int classifierRule(const char *word)
{
    static const char *const keywords[] = {"EUCLIDEAN", "PARALLELPIPE", "MAHALANOBIS",
                                           "BAYES"};
    if (word == NULL) {
        return CLASSIFY_EUCLIDEAN;
    }
    size_t length = strlen(word);
    for (int k = 0; k < 4; k++) {
        if (length <= strlen(keywords[k]) && strncmp(keywords[k], word, length) == 0) {
            return CLASSIFY_EUCLIDEAN + k;
        }
    }
    return 0;
}

int featureBandPosition(const FeatureBlock *block, int band)
{
    const uint32_t *bands = featureBands(block);
    for (int i = 0; (uint32_t)i < block->nBands; i++) {
        if (band >= 0 && bands[i] == (uint32_t)band) {
            return i;
        }
    }
    return -1;
}

/* One allocation of count floats (at least one), or NULL. */
static float *floatArray(size_t count)
{
    return (float *)gmemAlloc((count > 0 ? count : 1) * sizeof(float));
}

/*
 * invertClass --
 *	Class k's covariance of the chosen bands (a: n x n of work space)
 *	inverted into the model.
 * Returns: 1, or 0 when the determinant is not positive.
 */
static int invertClass(ClassifierModel *model, const FeatureBlock *block, int k,
                       const int *positions, double *a)
{
    int n = model->nBands;
    const float *cov = statCov(block, k);
    for (int i = 0; i < n; i++) {
        for (int j = 0; j < n; j++) {
            a[(size_t)i * n + j] = cov[packedIndex(positions[i], positions[j])];
        }
    }
    double determinant = dgb(a, n);
    if (!(determinant > 0.0)) {
        return 0;
    }
    float *inverse = model->inverses + (size_t)k * n * n;
    for (size_t p = 0; p < (size_t)n * n; p++) {
        inverse[p] = (float)a[p];
    }
    model->logDets[k] = (float)log(determinant > DBL_MIN ? determinant : DBL_MIN);
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * createClusters --
 *
 *	The model of every class for the chosen bands under one rule.
 *
 * Results:
 *	The model, or NULL after the message.
 *
 * Side effects:
 *	None on the block.
 *
 *----------------------------------------------------------------------
 */
ClassifierModel *createClusters(const FeatureBlock *block, const int *positions, int n,
                                int rule, double t)
{
    ClassifierModel *model = (ClassifierModel *)gmemAlloc(sizeof(ClassifierModel));
    if (model == NULL) {
        ovex_fprintf(stderr, "Error in gmemAlloc - createClusters.\n");
        return NULL;
    }
    memset(model, 0, sizeof(*model));
    int K = (int)block->itemCount;
    model->rule = rule;
    model->nClasses = K;
    model->nBands = n;
    double t2 = t * t;
    switch (rule) {
    case CLASSIFY_EUCLIDEAN:
        model->threshold = (float)(n * t2 * n * t2);
        break;
    case CLASSIFY_PARALLELPIPE:
        model->threshold = (float)(n * t2);
        break;
    default:
        model->threshold = (float)t2;
        break;
    }
    int inverting = rule == CLASSIFY_MAHALANOBIS || rule == CLASSIFY_BAYES;
    size_t perClass = (size_t)K * n;
    model->means = floatArray(perClass);
    model->logDets = floatArray(K);
    model->priors = floatArray(K);
    model->hits = (uint32_t *)gmemAlloc((K > 0 ? K : 1) * sizeof(uint32_t));
    model->work = floatArray(n);
    if (inverting) {
        model->inverses = floatArray(perClass * n);
    } else {
        model->variances = floatArray(perClass);
    }
    double *a = inverting ? (double *)gmemAlloc(((size_t)n * n + 1) * sizeof(double)) : NULL;
    if (model->means == NULL || model->logDets == NULL || model->priors == NULL
        || model->hits == NULL || model->work == NULL
        || (inverting ? model->inverses == NULL || a == NULL : model->variances == NULL)) {
        ovex_fprintf(stderr, "Error in gmemAlloc - createClusters.\n");
        gmemFree(a);
        freeClusters(model);
        return NULL;
    }
    memset(model->priors, 0, (K > 0 ? K : 1) * sizeof(float));
    memset(model->hits, 0, (K > 0 ? K : 1) * sizeof(uint32_t));
    memset(model->logDets, 0, (K > 0 ? K : 1) * sizeof(float));

    int errors = 0;
    for (int k = 0; k < K; k++) {
        const float *mean = statMean(block, k);
        const float *cov = statCov(block, k);
        for (int b = 0; b < n; b++) {
            model->means[(size_t)k * n + b] = mean[positions[b]];
            if (!inverting) {
                model->variances[(size_t)k * n + b] =
                    cov[packedIndex(positions[b], positions[b])];
            }
        }
        if (inverting && !invertClass(model, block, k, positions, a)) {
            ovex_fprintf(stderr, "Error in inverting:%d\n", k);
            errors++;
        }
    }
    gmemFree(a);
    if (errors > 0) {
        ovex_fprintf(stderr, "Total Errors in invertStateItem:%d\n", errors);
        freeClusters(model);
        return NULL;
    }
    return model;
}

void freeClusters(ClassifierModel *model)
{
    if (model == NULL) {
        return;
    }
    gmemFree(model->means);
    gmemFree(model->variances);
    gmemFree(model->inverses);
    gmemFree(model->logDets);
    gmemFree(model->priors);
    gmemFree(model->hits);
    gmemFree(model->work);
    gmemFree(model);
}

/* The score of class k for x under rule. */
static float classScore(ClassifierModel *model, int rule, int k, const float *x)
{
    int n = model->nBands;
    const float *mean = model->means + (size_t)k * n;
    float score = 0.0f;
    switch (rule) {
    case CLASSIFY_EUCLIDEAN:
        for (int b = 0; b < n; b++) {
            float d = x[b] - mean[b];
            score += d * d;
        }
        return score;
    case CLASSIFY_PARALLELPIPE:
        for (int b = 0; b < n; b++) {
            score += fabsf(x[b] - mean[b]);
        }
        return score;
    default:
        break;
    }
    float *d = model->work;
    for (int b = 0; b < n; b++) {
        d[b] = x[b] - mean[b];
    }
    const float *inverse = model->inverses + (size_t)k * n * n;
    for (int i = 0; i < n; i++) {
        float row = 0.0f;
        for (int j = 0; j < n; j++) {
            row += inverse[(size_t)i * n + j] * d[j];
        }
        score += d[i] * row;
    }
    score = model->logDets[k] + score;
    if (rule == CLASSIFY_BAYES) {
        score -= model->priors[k];
    }
    return score;
}

int nearestClass(ClassifierModel *model, int rule, float threshold, const float *x)
{
    int K = model->nClasses;
    if (K <= 0) {
        return 0;
    }
    int best = 0;
    float bestScore = classScore(model, rule, 0, x);
    for (int k = 1; k < K; k++) {
        float score = classScore(model, rule, k, x);
        if (score < bestScore) {
            bestScore = score;
            best = k;
        }
    }
    if (!(bestScore < threshold)) {
        return K;
    }
    model->hits[best]++;
    return best;
}

void setPriorsFromHits(ClassifierModel *model, double t)
{
    int K = model->nClasses;
    double total = 0.0;
    for (int k = 0; k < K; k++) {
        total += model->hits[k];
    }
    double sum = 0.0;
    for (int k = 0; k < K; k++) {
        double prior = model->hits[k] > 0 ? 2.0 * log(model->hits[k] / total) : 0.0;
        model->priors[k] = (float)prior;
        sum += model->priors[k];
        model->hits[k] = 0;
    }
    double meanPrior = K > 0 ? sum / K : 0.0;
    model->threshold = (float)(t * t - meanPrior);
}
