/*
 * eigen_features.h --
 *
 *	Building "EIGENID" blocks: the principal components of one class
 *	item of a "STATFTUR" block, from its covariance or correlation
 *	matrix.
 */
#ifndef OVEX_PROGRAMS_EIGEN_FEATURES_H
#define OVEX_PROGRAMS_EIGEN_FEATURES_H

#include "programs/feature_file.h"

/* An "EIGENID" block over the stat block's bands with min(n, count)
 * zeroed items (none for count <= 0) and its info filled from stat item
 * statIndex: the text "name index", the normalised flag and each band's
 * variance and mean. NULL after "Error in creating EGV feature.\n" on
 * standard error (also when the item does not exist). */
FeatureBlock *createEgvFeature(const FeatureBlock *stat, int statIndex, int normalised,
                               int count);

/* The filled "EIGENID" block of stat item statIndex: component k holds
 * the k-th eigenvalue found by calcEV (with tolerance and iterations),
 * its unit vector and its percentage of the trace; the meter shows
 * "egv". With normalised set the item's covariance is first turned into
 * its correlation in the stat block itself. NULL after a message. */
FeatureBlock *calcEigenFeatures(int count, FeatureBlock *stat, int normalised, int statIndex,
                                float tolerance, int iterations);

#endif /* OVEX_PROGRAMS_EIGEN_FEATURES_H */
