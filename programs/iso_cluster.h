/*
 * iso_cluster.h --
 *
 *	The machinery shared by the passes of iso clustering: the state of
 *	one run, the assignment of a pixel vector to its nearest cluster in
 *	band-normalised distance (opening a cluster for a far vector), the
 *	update that recomputes and compacts the clusters after a pass and
 *	fills the "ISOFEATU" info, the acceleration step, the class cache
 *	of pixel-table entries and the colour table of the output.
 *
 *	The clusters live in an "ISOFEATU" FeatureBlock whose items are
 *	IsoItem records; the block may move whenever a cluster is opened or
 *	the clusters are compacted, so it is always reached through the run.
 */
#ifndef OVEX_PROGRAMS_ISO_CLUSTER_H
#define OVEX_PROGRAMS_ISO_CLUSTER_H

#include <stdint.h>

#include "ovex/ramimage.h"
#include "programs/feature_file.h"
#include "programs/pixel_table.h"

#define ISO_INFO_SIZE 152

struct IsoRun {
    /* Images and windows. */
    RAMIMG *in;
    RAMIMG *out;
    int inRow, inCol, h, w;
    int outRow, outCol, outRows, outCols, outBand;

    /* Bands: n chosen bands (0-based image bands, vector order) and the
     * sort order (n positions into that list). */
    int n;
    int *bands;
    int *sortOrder;
    float *std;                 /* per band; FLT_MAX for a constant band */

    /* Pixel table with its class cache (one class per vector, -1 none). */
    PTABLE *table;
    int16_t *tableClass;

    /* Clusters and limits. */
    FeatureBlock *block;
    int nc, ncMax, nr, sk;
    float dis, dis02, cv;
    int create, repoint, verbose;
    int16_t colourClass[256];   /* class cache of colour indices */

    /* Outcome of the last update. */
    double rms, weightedRatio, leastRatio;
    int32_t total;

    float progressBase;
    int passes;
    char source[128];

    float *scratch;             /* n floats for byte vectors */
};

/* Fills the run with defaults for n bands and allocates its band list
 * (0 .. n-1), sort order (identity), std (all 1) and scratch vector;
 * everything else zero, caches empty. 1, or 0 when memory runs out
 * (then nothing stays allocated). */
int isoRunInit(IsoRun *run, int n);
/* Frees what isoRunInit allocated and the block and table class cache
 * if set; the table and images stay the caller's. */
void isoRunFree(IsoRun *run);

/* The nearest cluster of x (f32[n]), opening one when create allows;
 * x is gathered into it. -1 when there is no cluster to take it. */
int isoAssign(IsoRun *run, const float *x);
/* The same for a byte vector. */
int isoAssignBytes(IsoRun *run, const unsigned char *x);
/* Adds weight copies of x to cluster k's sums and count. */
void isoGather(IsoRun *run, int k, const float *x, uint32_t weight);

/* Recomputes the means from the pass's sums, drops clusters that
 * gathered nothing, describes the run in the block's info and empties
 * the table's class cache. The least size ratio. */
double isoUpdateClusters(IsoRun *run);
/* Moves every mean on by half its last change when the last update's
 * least ratio is above 0.5. */
void isoSpeed(IsoRun *run);
/* Hands cached table entries nearer to the newest cluster to it. */
void isoRepointTable(IsoRun *run);
/* Empties the table's class cache; the number of entries that held a class. */
uint32_t isoResetTableClasses(IsoRun *run);
/* Fills the output's colour table from the cluster means (only for an
 * output with colour indices) and writes its header again. */
void isoSetColors(IsoRun *run);

#endif /* OVEX_PROGRAMS_ISO_CLUSTER_H */
