/*
 * classifier_model.h --
 *
 *	The per-class model that the supervised classification rules work
 *	on, built from the class items of a "STATFTUR" block for a chosen
 *	set of bands: means, variances or inverse covariances with their
 *	log-determinants, prior terms, and the hit count of each class.
 */
#ifndef OVEX_PROGRAMS_CLASSIFIER_MODEL_H
#define OVEX_PROGRAMS_CLASSIFIER_MODEL_H

#include <stdint.h>

#include "programs/feature_file.h"
#include "ramimage/kit/program_kit.h"

/* Rules, in the order their keywords are tried. */
enum {
    CLASSIFY_EUCLIDEAN = 1,
    CLASSIFY_PARALLELPIPE = 2,
    CLASSIFY_MAHALANOBIS = 3,
    CLASSIFY_BAYES = 4
};

struct ClassifierModel {
    int rule;
    int nClasses;                   /* K; class K stands for unknown */
    int nBands;                     /* n */
    float threshold;                /* a least score at or above it is unknown */
    float *means;                   /* K x n, in the order of the chosen bands */
    float *variances;               /* K x n (Euclidean, parallelepiped) */
    float *inverses;                /* K x n x n row-major (Mahalanobis, Bayes) */
    float *logDets;                 /* K */
    float *priors;                  /* K */
    uint32_t *hits;                 /* K */
    float *work;                    /* n */
};


/* The rule of an -o value: the first keyword of which word is a leading
 * part (case counts; NULL or "" gives EUCLIDEAN), 0 when none is. */
int classifierRule(const char *word);

/* Index of band (0-based) in the block's band list, or -1. */
int featureBandPosition(const FeatureBlock *block, int band);

/* The model of every item of block for the n chosen bands, given by
 * their positions in the block's band list, and threshold value t.
 * NULL after "Error in inverting:%d\n" per class whose covariance has no
 * positive determinant and "Total Errors in invertStateItem:%d\n", or
 * after "Error in gmemAlloc - createClusters.\n" (standard error). */
ClassifierModel *createClusters(const FeatureBlock *block, const int *positions, int n,
                                int rule, double t);

/* NULL does nothing. */
void freeClusters(ClassifierModel *model);

/* The class (0 .. K - 1) of pixel vector x under rule with the least
 * score below threshold, the earlier class on equal scores; K when the
 * least score is not below it. A class found counts a hit. */
int nearestClass(ClassifierModel *model, int rule, float threshold, const float *x);

/* Turns the hit counts into the prior terms, 2 ln(hits_k / total hits)
 * (0 for a class without hits), clears them, and lowers the threshold
 * from t squared by the mean prior. */
void setPriorsFromHits(ClassifierModel *model, double t);

#endif /* OVEX_PROGRAMS_CLASSIFIER_MODEL_H */
