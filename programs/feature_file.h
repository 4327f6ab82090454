/*
 * feature_file.h --
 *
 *	Feature blocks: the class statistics ("STATFTUR"), eigenvectors
 *	("EIGENID") and iso clusters ("ISOFEATU") that the classification
 *	programs exchange. A block is one contiguous allocation whose bytes
 *	are exactly its file (little-endian, no padding):
 *
 *	  offset          size        content
 *	  0               8           kind tag ("EIGENID" ends in one zero byte)
 *	  8               4           totalSize: bytes of the block and file
 *	  12              4           reserved, 0
 *	  16              4           itemsOffset: where item 0 starts
 *	  20              4           itemSize
 *	  24              4           itemCount
 *	  28              4           nBands (n)
 *	  32              4n          the 0-based image bands, in the order
 *	                              every vector of every item follows
 *	  32 + 4n         info size   kind-specific info (may be empty)
 *	  itemsOffset     items       itemCount items of itemSize bytes
 *
 *	Packed symmetric matrices (covariances, correlations, inverses,
 *	cross products) hold element (i, j), i <= j, at i + j(j+1)/2: column
 *	by column of the upper triangle, n(n+1)/2 elements for n bands.
 *
 *	The block that a program reads or creates is its own and is freed
 *	with freeFeature; addFeature and cutFeature may move it and return
 *	the new address. Item and info pointers last until the next resize.
 */
#ifndef OVEX_PROGRAMS_FEATURE_FILE_H
#define OVEX_PROGRAMS_FEATURE_FILE_H

#include <stddef.h>
#include <stdint.h>

#define FEATURE_TAG_SIZE 8
#define FEATURE_HEAD_SIZE 32

/* Tags as 8-byte arrays; FEATURE_EIGEN's zero byte is part of it. */
#define FEATURE_STAT "STATFTUR"
#define FEATURE_EIGEN "EIGENID"
#define FEATURE_ISO "ISOFEATU"

/* Kinds, as featureInfo(block, FEATURE_KIND) numbers them. */
enum { FEATURE_KIND_UNKNOWN = 0, FEATURE_KIND_STAT = 1, FEATURE_KIND_EIGEN = 2,
       FEATURE_KIND_ISO = 3 };

/* Selectors of featureInfo. */
enum { FEATURE_TOTAL_SIZE = 0, FEATURE_ITEM_COUNT = 1, FEATURE_ITEM_SIZE = 2,
       FEATURE_ITEMS_OFFSET = 3, FEATURE_NBANDS = 4, FEATURE_KIND = 5 };

/* The head of a block; the band list follows at byte 32. */
struct FeatureBlock {
    char type[FEATURE_TAG_SIZE];
    uint32_t totalSize;
    uint32_t reserved;
    uint32_t itemsOffset;
    uint32_t itemSize;
    uint32_t itemCount;
    uint32_t nBands;
};

/* ---- STATFTUR ------------------------------------------------------------- */

#define STAT_INFO_SIZE 192
#define STAT_NAME_SIZE 32
#define STAT_ITEM_HEAD 72

struct StatInfo {
    char source[64];                /* image the statistics were first taken from */
    char note[128];
};

/* One class; n f32 means and the n(n+1)/2 packed f32 covariance
 * (divisor: the number of samples) follow the head. */
struct StatItem {
    char name[STAT_NAME_SIZE];      /* compared without regard to case */
    char note[32];
    int32_t nPixels;
    int32_t id;                     /* position in the block at the last update */
};

/* ---- EIGENID -------------------------------------------------------------- */

#define EIGEN_TEXT_SIZE 512

/* The head of the info; one EigenBand per band follows. */
struct EigenInfo {
    char text[EIGEN_TEXT_SIZE];
    uint32_t normalised;            /* 1: vectors of the correlation matrix */
};

/* Statistics of the source, before any normalisation. */
struct EigenBand {
    float variance;
    float mean;
};

/* One component; n f32 weights (a unit vector) follow. */
struct EigenItem {
    int32_t index;                  /* 0-based, in decreasing order of extraction */
    float value;                    /* the eigenvalue */
    float percent;                  /* of the trace */
};

/* ---- ISOFEATU ------------------------------------------------------------- */

/* Packed: the doubles of these records lie on 4-byte boundaries. */
struct __attribute__((packed)) IsoInfo {
    double rms;                     /* sample-weighted mean srmd2 of the clusters */
    double dis;                     /* excluding distance */
    int32_t nSamples;               /* samples of the last pass */
    int32_t nClasses;
    char source[128];               /* the clustered image */
};

/* One cluster; n IsoBand records follow. */
struct __attribute__((packed)) IsoItem {
    int32_t nSamples;               /* assigned in the last completed pass */
    uint32_t count;                 /* gathered in the pass under way */
    float srmd2;                    /* RMS of the last change of the mean */
};

struct __attribute__((packed)) IsoBand {
    float mean;
    float dmean;                    /* last change of the mean */
    double sum;                     /* gathered in the pass under way */
};

/* ---- Sizes ---------------------------------------------------------------- */

/* Item and info sizes of each kind for n bands (0 for an unknown kind). */
uint64_t featureKindItemSize(int kind, uint64_t n);
uint64_t featureKindInfoSize(int kind, uint64_t n);

/* 72 + 4n(n+3)/2. */
uint32_t statItemSize(int n);

/* Index of element (i, j) of a packed symmetric matrix, either order. */
inline size_t packedIndex(int i, int j)
{
    if (i > j) {
        int t = i;
        i = j;
        j = t;
    }
    return (size_t)i + (size_t)j * (size_t)(j + 1) / 2;
}

/* Elements of a packed matrix of n bands. */
inline size_t packedSize(int n)
{
    return n > 0 ? (size_t)n * (size_t)(n + 1) / 2 : 0;
}

/* ---- Block operations ----------------------------------------------------- */

/* A zero-filled block of 32 + 4n + info length (negative counts as 0) +
 * itemSize x itemCount bytes with its head, band list and (when info is
 * not NULL) info set; NULL after "Error in malloc of newFeature." on
 * standard error, also when the size does not fit in 32 bits. */
FeatureBlock *newFeature(const char *type, const uint32_t *bands, int n, int itemSize,
                         int itemCount, const void *info, int infoLength);

void freeFeature(FeatureBlock *block);

/* The file read into a new block. With type (8 bytes) the file's tag
 * must match it, else NULL silently; without, the kind must be known
 * ("Unknown feature ID.\n"). NULL silently for a file that cannot be
 * opened; NULL after "Error in reading features. count %d size %d\n"
 * (bytes there, bytes wanted) for a file shorter than its head or its
 * stated size, after "Error in feature file layout.\n" for a head whose
 * sizes do not add up (or do not fit its kind), after "Error of malloc
 * in getFeature" when memory is short. */
FeatureBlock *getFeature(const char *fileName, const char *type);

/* Replaces fileName whole (its mode kept, 0666 less the umask for a new
 * file; a failed write leaves an old file as it was); an existing file of another kind is
 * refused ("%s: File already exists\n") with the block's bytes.
 * 1, or 0 after "name: system error text\n" on standard error when the
 * file cannot be created or written. */
int writeFeature(const char *fileName, const FeatureBlock *block);

/* A head field by selector (see above); an unknown tag gives 0 and
 * "Unknown feature ID.\n", an unknown selector 0 and "Undefine feature
 * info.\n" on standard error. */
int featureInfo(const FeatureBlock *block, int selector);

/* The kind of a tag (8 bytes), without a message. */
int featureKindOfTag(const char *tag);

/* Item k, or NULL for k outside 0 .. itemCount - 1. */
void *featureItem(const FeatureBlock *block, int k);

/* bands[i], or -1 for i outside 0 .. n - 1. */
int featureBand(const FeatureBlock *block, int i);

/* The band list. */
const uint32_t *featureBands(const FeatureBlock *block);

/* The info area, or NULL when it is empty; featureInfoSize its bytes. */
void *featurePrivateInfo(const FeatureBlock *block);
uint32_t featureInfoSize(const FeatureBlock *block);

/* Copies min(length, info size) bytes to the start of the info area. */
void setFeaturePrivateInfo(FeatureBlock *block, const void *bytes, int length);

/* Grows the block by one item, filled from item (or zeros). The new
 * block, or NULL after "Error of realloc in addFeature." on standard
 * error; then block is unchanged and still the caller's. */
FeatureBlock *addFeature(FeatureBlock *block, const void *item);

/* Makes the item count max(count, 0), zero-filling new items. The
 * (possibly moved) block, or NULL after "Error of realloc in
 * cutFeature." on standard error; then block is unchanged. */
FeatureBlock *cutFeature(FeatureBlock *block, int count);

/* ---- Items of each kind --------------------------------------------------- */

StatItem *statItem(const FeatureBlock *block, int k);
float *statMean(const FeatureBlock *block, int k);
float *statCov(const FeatureBlock *block, int k);

EigenItem *eigenItem(const FeatureBlock *block, int k);
float *eigenVector(const FeatureBlock *block, int k);

IsoItem *isoItem(const FeatureBlock *block, int k);
/* Band i's record of cluster k (no check of i). */
IsoBand *isoBand(const FeatureBlock *block, int k, int i);

#endif /* OVEX_PROGRAMS_FEATURE_FILE_H */
