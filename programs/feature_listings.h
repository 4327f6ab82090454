/*
 * feature_listings.h --
 *
 *	Text listings of feature blocks on standard output. The band list
 *	itself is printBands of the program kit.
 */
#ifndef OVEX_PROGRAMS_FEATURE_LISTINGS_H
#define OVEX_PROGRAMS_FEATURE_LISTINGS_H

#include "programs/feature_file.h"

/* Listings of printStatInfo, by bit. */
enum { STAT_LIST_MEAN = 1, STAT_LIST_STD = 2, STAT_LIST_COV = 4, STAT_LIST_COR = 8,
       STAT_LIST_ALL = 15 };

/* Which table isoPrint lists. */
enum { ISO_LIST_MEAN = 0, ISO_LIST_DMEAN = 1, ISO_LIST_SUM = 2 };

/* "Stat Source: " and "Stat Note  : " lines, or "No private info.\n". */
void printStatPrivateInfo(const FeatureBlock *block);

/* Item k's head lines and the listings of flags (STAT_LIST_*). */
void printStatInfo(const FeatureBlock *block, int k, int flags);

/* The source text, normalisation and per-band variances and means, or
 * "No Private EVINFO.\n". */
void printEvInfo(const FeatureBlock *block);

/* The components five to a block, with their vectors when withVectors. */
void printEigenVectors(const FeatureBlock *block, int withVectors);

/* "source: ..." and the cluster summary line. */
void printIsoInfo(const FeatureBlock *block);

/* The table of each cluster's means, dmeans or sums (ISO_LIST_*); any
 * other which gives "Wrong flag for isoPrint\n" on standard error. */
void isoPrint(const FeatureBlock *block, int which);

#endif /* OVEX_PROGRAMS_FEATURE_LISTINGS_H */
