/*
 * feature_stats.h --
 *
 *	Statistics arithmetic on the class items of "STATFTUR" blocks and on
 *	the running sums the class statistics program gathers: moment
 *	accumulation and pooling, covariance from moments, correlation and
 *	inversion. All arithmetic is in double precision; the f32 item
 *	fields are converted on reading and rounded on writing. Matrices are
 *	packed symmetric (see feature_file.h).
 */
#ifndef OVEX_PROGRAMS_FEATURE_STATS_H
#define OVEX_PROGRAMS_FEATURE_STATS_H

#include "programs/feature_file.h"

/* Index of the first item named name regardless of case, or -1. */
int findStatByName(const FeatureBlock *block, const char *name);

/* Item k's covariance turned into its correlation matrix in place. */
void covToCorrelation(FeatureBlock *block, int k);

/* Replaces item k's covariance by its inverse when the determinant is
 * positive, which goes to *determinant. Returns 1 then, else 0 with the
 * item unchanged: also after "Not enough samples.\n" on standard error
 * when the item has fewer samples than bands (then *determinant is
 * left alone), and for a missing item. */
int invertStatCov(FeatureBlock *block, int k, double *determinant);

/* Adds count samples (n f32 values each, consecutive) to sums (n) and
 * the packed cross-product sums. */
void accumulateSamples(double *cross, double *sums, int n, const float *samples, int count);

/* Pools a batch of m samples (its sums and cross sums) into running raw
 * moments (means, packed second moments) over N samples, which stay
 * exact averages over all pooled samples. Returns N + m; a batch of no
 * samples (m <= 0) changes nothing and returns N. */
int mergeMoments(int N, int n, double *second, double *means, const double *cross,
                 const double *sums, int m);

/* Raw second moments into the covariance in place. */
void momentsToCovariance(double *second, const double *means, int n);

/* Pools a batch of m samples with covariance Q (packed) and means b into
 * item k: the item then holds the covariance and mean of the union of
 * its old and the new samples (a fresh item takes Q and b as they are).
 * Returns 1, or 0 when item k does not exist. A batch of no samples
 * (m <= 0) leaves the item as it is. */
int updateStatItem(FeatureBlock *block, int k, const double *covariance, const double *means,
                   int m);

#endif /* OVEX_PROGRAMS_FEATURE_STATS_H */
