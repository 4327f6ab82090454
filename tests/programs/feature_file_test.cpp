/*
 * feature_file_test.cpp --
 *
 *	Feature blocks: layout of a new block, head fields, items, growing
 *	and shrinking, and the file round trip with the refusals of damaged
 *	and foreign files.
 */
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "programs/feature_file.h"
#include "programs/feature_fixtures.h"

namespace {

using namespace feature_fixtures;

typedef FeatureTest FeatureFile;

std::string blockBytes(const FeatureBlock *block)
{
    return std::string((const char *)block, block->totalSize);
}

/* A block of each kind over three bands, with two items of known bytes. */
FeatureBlock *sampleBlock(int kind)
{
    const uint32_t bands[] = {4, 0, 2};
    const char *tags[] = {nullptr, FEATURE_STAT, FEATURE_EIGEN, FEATURE_ISO};
    int itemSize = (int)featureKindItemSize(kind, 3);
    int infoSize = (int)featureKindInfoSize(kind, 3);
    FeatureBlock *block = newFeature(tags[kind], bands, 3, itemSize, 2, nullptr, infoSize);
    unsigned char *info = (unsigned char *)featurePrivateInfo(block);
    for (int b = 0; b < infoSize; b++) {
        info[b] = (unsigned char)('a' + b % 26);
    }
    for (int k = 0; k < 2; k++) {
        unsigned char *item = (unsigned char *)featureItem(block, k);
        for (int b = 0; b < itemSize; b++) {
            item[b] = (unsigned char)(b * 7 + k);
        }
    }
    return block;
}

TEST_F(FeatureFile, NewBlockHoldsHeadBandsInfoAndZeroedItems)
{
    const uint32_t bands[] = {3, 1};
    const char info[] = "0123456789";
    FeatureBlock *block = newFeature(FEATURE_ISO, bands, 2, 44, 3, info, 4);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(0, memcmp(block->type, "ISOFEATU", 8));
    EXPECT_EQ(32u + 8 + 4 + 44 * 3, block->totalSize);
    EXPECT_EQ(0u, block->reserved);
    EXPECT_EQ(44u, block->itemsOffset);
    EXPECT_EQ(44u, block->itemSize);
    EXPECT_EQ(3u, block->itemCount);
    EXPECT_EQ(2u, block->nBands);
    EXPECT_EQ(4u, featureInfoSize(block));
    EXPECT_EQ(0, memcmp(featurePrivateInfo(block), "0123", 4));

    const int selectors[][2] = {{FEATURE_TOTAL_SIZE, 176}, {FEATURE_ITEM_COUNT, 3},
                                {FEATURE_ITEM_SIZE, 44},   {FEATURE_ITEMS_OFFSET, 44},
                                {FEATURE_NBANDS, 2},       {FEATURE_KIND, FEATURE_KIND_ISO}};
    for (const auto &s : selectors) {
        EXPECT_EQ(s[1], featureInfo(block, s[0])) << "selector " << s[0];
    }
    EXPECT_EQ(0, featureInfo(block, 6));
    EXPECT_EQ("Undefine feature info.\n", console.takeStderr());

    EXPECT_EQ(3, featureBand(block, 0));
    EXPECT_EQ(1, featureBand(block, 1));
    EXPECT_EQ(-1, featureBand(block, 2));
    EXPECT_EQ(-1, featureBand(block, -1));
    EXPECT_EQ((unsigned char *)block + 44 + 88, featureItem(block, 2));
    EXPECT_EQ(nullptr, featureItem(block, 3));
    EXPECT_EQ(nullptr, featureItem(block, -1));
    EXPECT_EQ(std::string(132, '\0'), std::string((char *)featureItem(block, 0), 132));

    /* Only as much info as there is room for is copied. */
    setFeaturePrivateInfo(block, "abcdefgh", 8);
    EXPECT_EQ(0, memcmp(featurePrivateInfo(block), "abcd", 4));
    EXPECT_EQ(3, featureBand(block, 0));
    freeFeature(block);
}

TEST_F(FeatureFile, KindsAndTheirSizes)
{
    FeatureBlock *block = newFeature("EIGENID", nullptr, 0, 12, 0, nullptr, -5);
    EXPECT_EQ(32u, block->totalSize);
    EXPECT_EQ(nullptr, featurePrivateInfo(block));
    EXPECT_EQ(FEATURE_KIND_EIGEN, featureInfo(block, FEATURE_KIND));
    memcpy(block->type, "EIGENIDX", 8);     /* the zero after the 7 letters counts */
    EXPECT_EQ(FEATURE_KIND_UNKNOWN, featureInfo(block, FEATURE_KIND));
    EXPECT_EQ("Unknown feature ID.\n", console.takeStderr());
    freeFeature(block);

    EXPECT_EQ(72u + 4 * 4 * 7 / 2, statItemSize(4));
    EXPECT_EQ(72u, statItemSize(0));
    EXPECT_EQ(12u + 16, featureKindItemSize(FEATURE_KIND_EIGEN, 4));
    EXPECT_EQ(516u + 32, featureKindInfoSize(FEATURE_KIND_EIGEN, 4));
    EXPECT_EQ(12u + 64, featureKindItemSize(FEATURE_KIND_ISO, 4));
    EXPECT_EQ(152u, featureKindInfoSize(FEATURE_KIND_ISO, 4));
    EXPECT_EQ(192u, featureKindInfoSize(FEATURE_KIND_STAT, 4));
    EXPECT_EQ(2u + 3 * 4 / 2, packedIndex(2, 3));
    EXPECT_EQ(packedIndex(2, 3), packedIndex(3, 2));
}

TEST_F(FeatureFile, AddAndCutKeepItemsAndZeroNewOnes)
{
    FeatureBlock *block = sampleBlock(FEATURE_KIND_EIGEN);
    std::string before = blockBytes(block);
    uint32_t itemSize = block->itemSize;

    std::string item(itemSize, 'q');
    block = addFeature(block, item.data());
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(3u, block->itemCount);
    EXPECT_EQ(before.size() + itemSize, block->totalSize);
    EXPECT_EQ(item, std::string((char *)featureItem(block, 2), itemSize));
    block = addFeature(block, nullptr);
    EXPECT_EQ(std::string(itemSize, '\0'), std::string((char *)featureItem(block, 3), itemSize));

    struct {
        int count;
        uint32_t items;
    } cuts[] = {{4, 4}, {1, 1}, {3, 3}, {-2, 0}, {0, 0}};
    for (const auto &c : cuts) {
        block = cutFeature(block, c.count);
        ASSERT_NE(nullptr, block);
        EXPECT_EQ(c.items, block->itemCount) << "cut to " << c.count;
        EXPECT_EQ(block->itemsOffset + itemSize * c.items, block->totalSize);
    }
    /* Grown again after the cuts: the old first item is gone, zeros come. */
    block = cutFeature(block, 2);
    EXPECT_EQ(std::string(2 * itemSize, '\0'), std::string((char *)featureItem(block, 0), 2 * itemSize));
    EXPECT_EQ(before.substr(0, block->itemsOffset), blockBytes(block).substr(0, block->itemsOffset));
    freeFeature(block);
}

TEST_F(FeatureFile, BlocksBeyondFourGigabytesAreRefused)
{
    EXPECT_EQ(nullptr, newFeature(FEATURE_STAT, nullptr, 0, 1 << 20, 1 << 12, nullptr, 0));
    EXPECT_EQ("Error in malloc of newFeature.", console.takeStderr());

    /* A head that claims a size near the limit: growing it is refused
     * and the block stays the caller's, unchanged. */
    FeatureBlock *block = sampleBlock(FEATURE_KIND_ISO);
    uint32_t size = block->totalSize;
    block->totalSize = UINT32_MAX - 10;
    EXPECT_EQ(nullptr, addFeature(block, nullptr));
    EXPECT_EQ("Error of realloc in addFeature.", console.takeStderr());
    EXPECT_EQ(2u, block->itemCount);
    block->totalSize = size;
    block->itemSize = 1u << 31;
    EXPECT_EQ(nullptr, cutFeature(block, 4));
    EXPECT_EQ("Error of realloc in cutFeature.", console.takeStderr());
    EXPECT_EQ(2u, block->itemCount);
    freeFeature(block);
}

TEST_F(FeatureFile, WrittenBlocksReadBackByteForByte)
{
    for (int kind = FEATURE_KIND_STAT; kind <= FEATURE_KIND_ISO; kind++) {
        FeatureBlock *block = sampleBlock(kind);
        /* One file per kind: a file of another kind is not replaced. */
        std::string file = path(("round" + std::to_string(kind) + ".ftr").c_str());
        ASSERT_EQ(1, writeFeature(file.c_str(), block));
        EXPECT_EQ(blockBytes(block), fileBytes(file));

        FeatureBlock *read = getFeature(file.c_str(), nullptr);
        ASSERT_NE(nullptr, read) << "kind " << kind;
        EXPECT_EQ(blockBytes(block), blockBytes(read));
        freeFeature(read);
        read = getFeature(file.c_str(), block->type);
        ASSERT_NE(nullptr, read);
        freeFeature(read);

        /* Without items the file ends where the items would start. */
        block = cutFeature(block, 0);
        ASSERT_EQ(1, writeFeature(file.c_str(), block));
        read = getFeature(file.c_str(), nullptr);
        ASSERT_NE(nullptr, read);
        EXPECT_EQ(read->itemsOffset, read->totalSize);
        EXPECT_EQ(read->totalSize, (uint32_t)fileBytes(file).size());
        freeFeature(read);
        freeFeature(block);
    }
    /* A kind of the caller's own, down to the bare head. */
    FeatureBlock *bare = newFeature("PRIVTAGS", nullptr, 0, 0, 0, nullptr, 0);
    std::string file = path("bare.ftr");
    ASSERT_EQ(1, writeFeature(file.c_str(), bare));
    FeatureBlock *read = getFeature(file.c_str(), "PRIVTAGS");
    ASSERT_NE(nullptr, read);
    EXPECT_EQ(blockBytes(bare), blockBytes(read));
    freeFeature(read);
    freeFeature(bare);
    EXPECT_EQ("", console.takeStderr());
}

TEST_F(FeatureFile, OtherTagsAndMissingFilesGiveNothingSilently)
{
    FeatureBlock *block = sampleBlock(FEATURE_KIND_EIGEN);
    std::string file = path("eigen.ftr");
    ASSERT_EQ(1, writeFeature(file.c_str(), block));
    freeFeature(block);

    EXPECT_EQ(nullptr, getFeature(file.c_str(), FEATURE_STAT));
    EXPECT_EQ(nullptr, getFeature(file.c_str(), "EIGENIDX"));
    EXPECT_EQ(nullptr, getFeature(path("missing.ftr").c_str(), nullptr));
    EXPECT_EQ(nullptr, getFeature(path("missing.ftr").c_str(), FEATURE_EIGEN));
    EXPECT_EQ("", console.takeStderr());

    writeBytes(path("text.ftr"), "Not a feature file at all, but long enough to hold a head.");
    EXPECT_EQ(nullptr, getFeature(path("text.ftr").c_str(), nullptr));
    EXPECT_EQ("Unknown feature ID.\n", console.takeStderr());
}

TEST_F(FeatureFile, DamagedFilesAreRefusedWithAMessage)
{
    FeatureBlock *block = sampleBlock(FEATURE_KIND_STAT);
    const std::string good = blockBytes(block);
    freeFeature(block);
    const uint32_t size = (uint32_t)good.size();

    auto withWord = [&](size_t offset, uint32_t value) {
        std::string bytes = good;
        memcpy(&bytes[offset], &value, 4);
        return bytes;
    };
    struct {
        const char *what;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"cut short", good.substr(0, size - 5),
         "Error in reading features. count " + std::to_string(size - 5) + " size "
             + std::to_string(size) + "\n"},
        {"head only in part", good.substr(0, 20), "Error in reading features. count 20 size 32\n"},
        {"size beyond the file", withWord(8, size + 1000),
         "Error in reading features. count " + std::to_string(size) + " size "
             + std::to_string(size + 1000) + "\n"},
        {"size below the head", withWord(8, 16), "Error in feature file layout.\n"},
        {"items beyond the size", withWord(24, 3), "Error in feature file layout.\n"},
        {"items offset beyond the size", withWord(16, size + 4), "Error in feature file layout.\n"},
        {"bands over the info", withWord(28, 60), "Error in feature file layout.\n"},
        {"huge band count", withWord(28, 0x40000000), "Error in feature file layout.\n"},
        {"item size of another band count", withWord(20, statItemSize(2)),
         "Error in feature file layout.\n"},
    };
    for (const auto &c : cases) {
        std::string file = path("damaged.ftr");
        writeBytes(file, c.bytes);
        EXPECT_EQ(nullptr, getFeature(file.c_str(), nullptr)) << c.what;
        EXPECT_EQ(c.message, console.takeStderr()) << c.what;
    }
}

TEST_F(FeatureFile, WriteFailuresAreReported)
{
    FeatureBlock *block = sampleBlock(FEATURE_KIND_ISO);
    std::string missing = path("no/such/folder.ftr");
    EXPECT_EQ(0, writeFeature(missing.c_str(), block));
    EXPECT_EQ(missing + ": No such file or directory\n", console.takeStderr());
    /* A write that does not take every byte is a failure too. */
    EXPECT_EQ(0, writeFeature("/dev/full", block));
    EXPECT_EQ("/dev/full: No space left on device\n", console.takeStderr());
    freeFeature(block);
}

TEST_F(FeatureFile, ItemsOfEachKindLieWhereTheLayoutSays)
{
    const uint32_t bands[] = {0, 1, 2};
    FeatureBlock *stat = newFeature(FEATURE_STAT, bands, 3, (int)statItemSize(3), 2, nullptr, 192);
    unsigned char *item1 = (unsigned char *)featureItem(stat, 1);
    EXPECT_EQ((void *)item1, statItem(stat, 1));
    EXPECT_EQ((void *)(item1 + 72), statMean(stat, 1));
    EXPECT_EQ((void *)(item1 + 84), statCov(stat, 1));
    EXPECT_EQ(nullptr, statMean(stat, 2));
    freeFeature(stat);

    FeatureBlock *eigen = newFeature(FEATURE_EIGEN, bands, 3, 24, 2, nullptr, 540);
    EXPECT_EQ((void *)((unsigned char *)featureItem(eigen, 1) + 12), eigenVector(eigen, 1));
    freeFeature(eigen);

    FeatureBlock *iso = newFeature(FEATURE_ISO, bands, 3, 60, 2, nullptr, 152);
    unsigned char *cluster = (unsigned char *)featureItem(iso, 1);
    isoBand(iso, 1, 2)->sum = 2.5;
    double sum;
    memcpy(&sum, cluster + 20 + 16 * 2, 8);
    EXPECT_EQ(2.5, sum);
    freeFeature(iso);
}

}  // namespace
