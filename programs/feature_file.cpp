/*
 * feature_file.cpp --
 *
 *	Feature blocks and their files (layout in feature_file.h): making,
 *	growing and shrinking blocks, the head fields, the items of each
 *	kind, and reading and writing a block as one file.
 *
 *	A file's head is checked against the file's size and against its
 *	kind before any of its lengths is used, so that a damaged or foreign
 *	file never makes a block whose items lie outside it.
 */
#include "core/native_path.h"
#include "programs/feature_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/whole_file.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/positional_io.h"
#include "ramimage/kit/output_checks.h"
#include "ramimage/kit/program_kit.h"

static_assert(sizeof(FeatureBlock) == FEATURE_HEAD_SIZE, "feature head is 32 bytes");
static_assert(sizeof(StatInfo) == STAT_INFO_SIZE && sizeof(StatItem) == STAT_ITEM_HEAD,
              "statistics records at their file sizes");
static_assert(sizeof(EigenInfo) == 516 && sizeof(EigenBand) == 8 && sizeof(EigenItem) == 12,
              "eigenvector records at their file sizes");
static_assert(sizeof(IsoInfo) == 152 && sizeof(IsoItem) == 12 && sizeof(IsoBand) == 16,
              "iso-cluster records at their file sizes");

/* Head bytes read before the stated size is looked at: the fixed head
 * and the first band word (a block without bands has none). */
static const size_t FILE_HEAD_READ = 36;

uint64_t featureKindItemSize(int kind, uint64_t n)
{
    switch (kind) {
    case FEATURE_KIND_STAT:
        return STAT_ITEM_HEAD + 4 * (n * (n + 3) / 2);
    case FEATURE_KIND_EIGEN:
        return sizeof(EigenItem) + 4 * n;
    case FEATURE_KIND_ISO:
        return sizeof(IsoItem) + sizeof(IsoBand) * n;
    default:
        return 0;
    }
}

uint64_t featureKindInfoSize(int kind, uint64_t n)
{
    switch (kind) {
    case FEATURE_KIND_STAT:
        return STAT_INFO_SIZE;
    case FEATURE_KIND_EIGEN:
        return sizeof(EigenInfo) + sizeof(EigenBand) * n;
    case FEATURE_KIND_ISO:
        return sizeof(IsoInfo);
    default:
        return 0;
    }
}

uint32_t statItemSize(int n)
{
    return (uint32_t)featureKindItemSize(FEATURE_KIND_STAT, n > 0 ? (uint64_t)n : 0);
}

int featureKindOfTag(const char *tag)
{
    if (memcmp(tag, FEATURE_STAT, FEATURE_TAG_SIZE) == 0) {
        return FEATURE_KIND_STAT;
    }
    if (memcmp(tag, FEATURE_EIGEN, FEATURE_TAG_SIZE) == 0) {
        return FEATURE_KIND_EIGEN;
    }
    if (memcmp(tag, FEATURE_ISO, FEATURE_TAG_SIZE) == 0) {
        return FEATURE_KIND_ISO;
    }
    return FEATURE_KIND_UNKNOWN;
}

/* ---- Block operations ----------------------------------------------------- */

FeatureBlock *newFeature(const char *type, const uint32_t *bands, int n, int itemSize,
                         int itemCount, const void *info, int infoLength)
{
    uint64_t bandCount = n > 0 ? (uint64_t)n : 0;
    uint64_t infoBytes = infoLength > 0 ? (uint64_t)infoLength : 0;
    uint64_t itemBytes = (itemSize > 0 ? (uint64_t)itemSize : 0)
                         * (itemCount > 0 ? (uint64_t)itemCount : 0);
    uint64_t total = FEATURE_HEAD_SIZE + 4 * bandCount + infoBytes + itemBytes;
    FeatureBlock *block = total <= UINT32_MAX ? (FeatureBlock *)gmemAlloc((size_t)total) : NULL;
    if (block == NULL) {
        ovex_fprintf(stderr, "Error in malloc of newFeature.");
        return NULL;
    }
    memset(block, 0, (size_t)total);
    memcpy(block->type, type, FEATURE_TAG_SIZE);
    block->totalSize = (uint32_t)total;
    block->itemsOffset = (uint32_t)(total - itemBytes);
    block->itemSize = itemSize > 0 ? (uint32_t)itemSize : 0;
    block->itemCount = itemCount > 0 ? (uint32_t)itemCount : 0;
    block->nBands = (uint32_t)bandCount;
    if (bands != NULL && bandCount > 0) {
        memcpy((unsigned char *)block + FEATURE_HEAD_SIZE, bands, 4 * (size_t)bandCount);
    }
    if (info != NULL) {
        setFeaturePrivateInfo(block, info, infoLength);
    }
    return block;
}

void freeFeature(FeatureBlock *block)
{
    gmemFree(block);
}

int featureInfo(const FeatureBlock *block, int selector)
{
    switch (selector) {
    case FEATURE_TOTAL_SIZE:
        return (int)block->totalSize;
    case FEATURE_ITEM_COUNT:
        return (int)block->itemCount;
    case FEATURE_ITEM_SIZE:
        return (int)block->itemSize;
    case FEATURE_ITEMS_OFFSET:
        return (int)block->itemsOffset;
    case FEATURE_NBANDS:
        return (int)block->nBands;
    case FEATURE_KIND: {
        int kind = featureKindOfTag(block->type);
        if (kind == FEATURE_KIND_UNKNOWN) {
            ovex_fprintf(stderr, "Unknown feature ID.\n");
        }
        return kind;
    }
    default:
        ovex_fprintf(stderr, "Undefine feature info.\n");
        return 0;
    }
}

void *featureItem(const FeatureBlock *block, int k)
{
    if (k < 0 || (uint32_t)k >= block->itemCount) {
        return NULL;
    }
    return (unsigned char *)block + block->itemsOffset + (size_t)block->itemSize * (size_t)k;
}

const uint32_t *featureBands(const FeatureBlock *block)
{
    return (const uint32_t *)((const unsigned char *)block + FEATURE_HEAD_SIZE);
}

int featureBand(const FeatureBlock *block, int i)
{
    if (i < 0 || (uint32_t)i >= block->nBands) {
        return -1;
    }
    return (int)featureBands(block)[i];
}

uint32_t featureInfoSize(const FeatureBlock *block)
{
    uint64_t start = FEATURE_HEAD_SIZE + 4 * (uint64_t)block->nBands;
    return block->itemsOffset > start ? (uint32_t)(block->itemsOffset - start) : 0;
}

void *featurePrivateInfo(const FeatureBlock *block)
{
    if (featureInfoSize(block) == 0) {
        return NULL;
    }
    return (unsigned char *)block + FEATURE_HEAD_SIZE + 4 * (size_t)block->nBands;
}

void setFeaturePrivateInfo(FeatureBlock *block, const void *bytes, int length)
{
    void *info = featurePrivateInfo(block);
    if (info == NULL || bytes == NULL || length <= 0) {
        return;
    }
    uint32_t size = featureInfoSize(block);
    memcpy(info, bytes, (uint32_t)length < size ? (size_t)length : size);
}

FeatureBlock *addFeature(FeatureBlock *block, const void *item)
{
    uint64_t total = (uint64_t)block->totalSize + block->itemSize;
    FeatureBlock *grown = total <= UINT32_MAX
                              ? (FeatureBlock *)gmemRealloc(block, (size_t)total) : NULL;
    if (grown == NULL) {
        ovex_fprintf(stderr, "Error of realloc in addFeature.");
        return NULL;
    }
    unsigned char *last = (unsigned char *)grown + grown->totalSize;
    if (item != NULL) {
        memcpy(last, item, grown->itemSize);
    } else {
        memset(last, 0, grown->itemSize);
    }
    grown->totalSize = (uint32_t)total;
    grown->itemCount++;
    return grown;
}

FeatureBlock *cutFeature(FeatureBlock *block, int count)
{
    uint32_t wanted = count > 0 ? (uint32_t)count : 0;
    if (wanted == block->itemCount) {
        return block;
    }
    uint64_t total = block->itemsOffset + (uint64_t)block->itemSize * wanted;
    FeatureBlock *resized = total <= UINT32_MAX
                                ? (FeatureBlock *)gmemRealloc(block, total > 0 ? (size_t)total : 1)
                                : NULL;
    if (resized == NULL) {
        ovex_fprintf(stderr, "Error of realloc in cutFeature.");
        return NULL;
    }
    if (wanted > resized->itemCount) {
        size_t old = resized->itemsOffset + (size_t)resized->itemSize * resized->itemCount;
        memset((unsigned char *)resized + old, 0, (size_t)total - old);
    }
    resized->totalSize = (uint32_t)total;
    resized->itemCount = wanted;
    return resized;
}

/* ---- Items ---------------------------------------------------------------- */

StatItem *statItem(const FeatureBlock *block, int k)
{
    return (StatItem *)featureItem(block, k);
}

float *statMean(const FeatureBlock *block, int k)
{
    unsigned char *item = (unsigned char *)featureItem(block, k);
    return item != NULL ? (float *)(item + STAT_ITEM_HEAD) : NULL;
}

float *statCov(const FeatureBlock *block, int k)
{
    float *mean = statMean(block, k);
    return mean != NULL ? mean + block->nBands : NULL;
}

EigenItem *eigenItem(const FeatureBlock *block, int k)
{
    return (EigenItem *)featureItem(block, k);
}

float *eigenVector(const FeatureBlock *block, int k)
{
    unsigned char *item = (unsigned char *)featureItem(block, k);
    return item != NULL ? (float *)(item + sizeof(EigenItem)) : NULL;
}

IsoItem *isoItem(const FeatureBlock *block, int k)
{
    return (IsoItem *)featureItem(block, k);
}

IsoBand *isoBand(const FeatureBlock *block, int k, int i)
{
    unsigned char *item = (unsigned char *)featureItem(block, k);
    return item != NULL ? (IsoBand *)(item + sizeof(IsoItem) + sizeof(IsoBand) * (size_t)i)
                        : NULL;
}

/* ---- Files ---------------------------------------------------------------- */

/*
 * layoutHolds --
 *	Whether the head's sizes describe exactly size bytes: the band list
 *	and info before the items, the items filling the rest, and for a
 *	known kind the item and info sizes of its band count.
 */
static bool layoutHolds(const FeatureBlock *head, uint64_t size)
{
    if (head->totalSize != size || size < FEATURE_HEAD_SIZE) {
        return false;
    }
    uint64_t infoStart = FEATURE_HEAD_SIZE + 4 * (uint64_t)head->nBands;
    if (infoStart > head->itemsOffset || head->itemsOffset > size) {
        return false;
    }
    if ((uint64_t)head->itemSize * head->itemCount != size - head->itemsOffset) {
        return false;
    }
    int kind = featureKindOfTag(head->type);
    if (kind == FEATURE_KIND_UNKNOWN) {
        return true;
    }
    return head->itemSize == featureKindItemSize(kind, head->nBands)
           && head->itemsOffset - infoStart == featureKindInfoSize(kind, head->nBands);
}

/*
 *----------------------------------------------------------------------
 *
 * getFeature --
 *
 *	Reads a feature file into a new block.
 *
 * Results:
 *	The block, or NULL (see feature_file.h for the messages).
 *
 * Side effects:
 *	None beyond the messages; the file is closed in every case.
 *
 *----------------------------------------------------------------------
 */
FeatureBlock *getFeature(const char *fileName, const char *type)
{
    int fd = open(nativePath(fileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return NULL;
    }
    FeatureBlock *block = NULL;
    FeatureBlock head;
    memset(&head, 0, sizeof head);
    unsigned char bytes[FILE_HEAD_READ];
    ssize_t got = readAt(fd, bytes, sizeof bytes, 0);
    struct stat info;
    if (got < 0 || fstat(fd, &info) != 0) {
        goto done;
    }
    memcpy(&head, bytes, (size_t)got < sizeof head ? (size_t)got : sizeof head);
    if (type != NULL) {
        if (got < FEATURE_TAG_SIZE || memcmp(bytes, type, FEATURE_TAG_SIZE) != 0) {
            goto done;
        }
    } else if (featureInfo(&head, FEATURE_KIND) == FEATURE_KIND_UNKNOWN) {
        goto done;
    }
    if ((size_t)got < FEATURE_HEAD_SIZE || (uint64_t)info.st_size < head.totalSize) {
        int have = (size_t)got < FEATURE_HEAD_SIZE ? (int)got : (int)info.st_size;
        int want = (size_t)got < FEATURE_HEAD_SIZE ? FEATURE_HEAD_SIZE : (int)head.totalSize;
        ovex_fprintf(stderr, "Error in reading features. count %d size %d\n", have, want);
        goto done;
    }
    if (!layoutHolds(&head, head.totalSize)) {
        ovex_fprintf(stderr, "Error in feature file layout.\n");
        goto done;
    }
    block = (FeatureBlock *)gmemAlloc(head.totalSize);
    if (block == NULL) {
        ovex_fprintf(stderr, "Error of malloc in getFeature");
        goto done;
    }
    got = readAt(fd, block, head.totalSize, 0);
    /* The file may have changed since its head was read. */
    if (got != (ssize_t)head.totalSize || !layoutHolds(block, head.totalSize)) {
        ovex_fprintf(stderr, "Error in reading features. count %d size %d\n", (int)got,
                     (int)head.totalSize);
        gmemFree(block);
        block = NULL;
    }
done:
    close(fd);
    return block;
}

int writeFeature(const char *fileName, const FeatureBlock *block)
{
    /* Only a file of the block's own kind is replaced: eigenvectors never
     * overwrite the class statistics gathered over many runs. */
    char tag[FEATURE_TAG_SIZE + 1];
    memcpy(tag, block->type, FEATURE_TAG_SIZE);
    tag[FEATURE_TAG_SIZE] = '\0';
    const char *const kinds[] = {tag, NULL};
    if (!progOutputFileAllowed(fileName, kinds)) {
        return 0;
    }
    progNoteOutputFile(fileName);
    if (writeNewFile(fileName, block, block->totalSize) != WHOLE_FILE_WRITTEN) {
        ovex_fprintf(stderr, "%s: %s\n", fileName, strerror(errno));
        return 0;
    }
    return 1;
}
