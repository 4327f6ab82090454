// Terra stores below the object command: the vocabularies, the tile grid,
// growing the block, the georeference of a tile and of the group, the byte
// order swap, and the operations on the file a store keeps open.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "core/gmem.h"
#include "geo/terra/terra_store.h"
#include "kit/fixture_kit.h"
#include "ramimage/ramimg.h"

namespace {

struct Store : ::testing::Test {
    TerraCache store;
    void SetUp() override
    {
        memset(&store, 0, sizeof store);
        store.fd = -1;
    }
    void TearDown() override { closeTerraCache(&store); }
};

TEST(TerraVocabulary, NamesCodesAndSizes)
{
    EXPECT_EQ(terraThemeCode("Photo"), 1);
    EXPECT_EQ(terraThemeCode("Relief"), 3);
    EXPECT_EQ(terraThemeCode("photo"), 0);
    EXPECT_EQ(terraThemeCode("UNKNOWN"), 0);
    EXPECT_EQ(terraScaleCode("Scale1mm"), 1);
    EXPECT_EQ(terraScaleCode("Scale16km"), 25);
    EXPECT_EQ(terraScaleCode("UNKNOWN"), 0);
    EXPECT_STREQ(terraScaleName(7), "Scale63mm");
    EXPECT_DOUBLE_EQ(terraMetresPerPixel(7), 0.063);
    EXPECT_DOUBLE_EQ(terraMetresPerPixel(21), 1000);
    EXPECT_STREQ(terraThemeName(2), "Topo");
}

TEST_F(Store, GridOfAGroup)
{
    ASSERT_TRUE(createTerraCache(&store, 2, 12, 32, 2, 3, 5, 0));
    EXPECT_EQ(terraHeaderSize(&store), 80);
    EXPECT_EQ(store.capacity, 80 + 4 * 10240);
    EXPECT_EQ(terraTileIndex(&store, 7, 11), 3);
    EXPECT_EQ(terraTileIndex(&store, 5, 11), -1);
    EXPECT_EQ(terraTileIndex(&store, 7, 12), -1);
    int tx, ty;
    ASSERT_TRUE(terraTileXY(&store, 3, &tx, &ty));
    EXPECT_EQ(tx, 7);
    EXPECT_EQ(ty, 11);
    EXPECT_FALSE(terraTileXY(&store, 4, &tx, &ty));
    EXPECT_FALSE(terraTileXY(&store, -1, &tx, &ty));
}

TEST_F(Store, GeoreferenceOfATileAndOfTheGroup)
{
    ASSERT_TRUE(createTerraCache(&store, 1, 12, 32, 1, 1, 0, 0));
    ImageHead head;
    memset(&head, 0, sizeof head);
    terraTileGeoref(&store, 0, &head);
    EXPECT_DOUBLE_EQ(head.x0, 400);
    EXPECT_DOUBLE_EQ(head.y0, 398);
    EXPECT_DOUBLE_EQ(head.dx, 2);
    EXPECT_DOUBLE_EQ(head.dy, 2);
    closeTerraCache(&store);
    ASSERT_TRUE(createTerraCache(&store, 1, 12, 32, 2, 3, 5, 0));
    terraCacheGeoref(&store, &head);
    EXPECT_DOUBLE_EQ(head.x0, 2400);
    EXPECT_DOUBLE_EQ(head.y0, (200.0 * 12 - 1) * 2);
    EXPECT_EQ(head.mapid, store.mapid);
    EXPECT_GT(store.mapid, 0);
}

TEST_F(Store, PutGrowsTheBlockForEveryMissingTile)
{
    ASSERT_TRUE(createTerraCache(&store, 1, 11, 33, 2, 1, 1, 0));
    std::string big(50000, 'x');
    ASSERT_TRUE(putTerraTile(&store, 1, (const unsigned char *)big.data(), (int)big.size()));
    EXPECT_EQ(store.capacity, 80 + 4 * 10240 + 4 * 50000);
    EXPECT_FALSE(putTerraTile(&store, 1, (const unsigned char *)"y", 1));
    EXPECT_FALSE(putTerraTile(&store, 4, (const unsigned char *)"y", 1));
    EXPECT_FALSE(putTerraTile(&store, 0, (const unsigned char *)"y", 0));
    EXPECT_EQ(terraTilesPresent(&store), 1);
    int length = 0;
    const unsigned char *bytes = terraTileData(&store, 1, &length);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(length, 50000);
    EXPECT_EQ(bytes[49999], 'x');
    length = -7;
    EXPECT_EQ(terraTileData(&store, 0, &length), nullptr);
    EXPECT_EQ(length, -7);
}

TEST_F(Store, GroupsTooBigForTheFileAreRefused)
{
    EXPECT_FALSE(createTerraCache(&store, 1, 11, 33, 20000, 1, 1, 0));
    EXPECT_FALSE(createTerraCache(&store, 1, 11, 33, 0, 1, 1, 0));
    EXPECT_FALSE(createTerraCache(&store, 1, 11, 33, 2, 2000000000, 1, 0));
    EXPECT_EQ(store.block, nullptr);
}

// Tile counts whose index could never fit the file are refused before
// n * n or the index size is formed: 1518500250 wraps 8 n^2 to 290948384,
// which a sparse file of that size would otherwise satisfy, and the
// largest n wraps it below zero.
TEST_F(Store, TileCountsWhoseIndexCannotFitAreRefused)
{
    fixture::ScratchDir dir("terra");
    const int64_t wrappedIndex = 290948384;
    struct Case {
        int32_t n;
        int64_t dataEnd;
    } cases[] = {{1518500250, TERRA_HEADER_FIXED + wrappedIndex},
                 {INT32_MAX, 1 << 20},
                 {65536, 1 << 20},
                 {-3, 1 << 20}};
    for (const Case &c : cases) {
        std::string path = dir.at("big.terra");
        unsigned char head[TERRA_MIN_FILE];
        memset(head, 0, sizeof head);
        memcpy(head, "TERRA", 6);
        head[TERRA_AT_ORDER] = (unsigned char)msbFirst();
        int32_t end = (int32_t)c.dataEnd;
        memcpy(head + TERRA_AT_DATA_END, &end, 4);
        memcpy(head + TERRA_AT_HEADER_SIZE, &end, 4);
        memcpy(head + TERRA_AT_N, &c.n, 4);
        FILE *file = fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(fwrite(head, 1, sizeof head, file), sizeof head);
        ASSERT_EQ(ftruncate(fileno(file), (off_t)c.dataEnd), 0);   // sparse
        fclose(file);
        EXPECT_FALSE(openTerraFile(path.c_str(), &store)) << "n " << c.n;
        EXPECT_EQ(store.block, nullptr);
        EXPECT_FALSE(createTerraCache(&store, 1, 11, 33, c.n, 0, 0, 0)) << "n " << c.n;
    }
}

TEST(TerraSwap, HeaderAndIndexWordsAreReversed)
{
    unsigned char block[64];
    memset(block, 0, sizeof block);
    // n = 1 stored most significant byte first.
    block[TERRA_AT_N + 3] = 1;
    block[TERRA_AT_DATA_END + 3] = 64;
    block[TERRA_AT_INDEX + 3] = 56;
    block[TERRA_AT_INDEX + 7] = 8;
    swapTerraHeader(block);
    int32_t n, end, offset, length;
    memcpy(&n, block + TERRA_AT_N, 4);
    memcpy(&end, block + TERRA_AT_DATA_END, 4);
    memcpy(&offset, block + TERRA_AT_INDEX, 4);
    memcpy(&length, block + TERRA_AT_INDEX + 4, 4);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(end, 64);
    EXPECT_EQ(offset, 56);
    EXPECT_EQ(length, 8);
}

// A save over the file the store has open replaces that file: the store's
// descriptor moves to the new one, so tiles appended later are kept.
TEST_F(Store, SaveOverTheOpenFileMovesItsDescriptor)
{
    fixture::ScratchDir dir("terra");
    std::string path = dir.at("open.terra");
    ASSERT_TRUE(createTerraCache(&store, 1, 11, 33, 2, 1, 1, 0));
    ASSERT_TRUE(saveTerraFile(path.c_str(), &store));
    closeTerraCache(&store);
    ASSERT_TRUE(openTerraFile(path.c_str(), &store));
    ASSERT_TRUE(putTerraTile(&store, 0, (const unsigned char *)"abc", 3));
    ASSERT_TRUE(saveTerraFile(path.c_str(), &store));
    ASSERT_TRUE(appendTerraTile(&store, 1, (const unsigned char *)"tile", 4));
    closeTerraCache(&store);
    ASSERT_TRUE(openTerraFile(path.c_str(), &store));
    int length = 0;
    const unsigned char *first = terraTileData(&store, 0, &length);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::string((const char *)first, (size_t)length), "abc");
    const unsigned char *second = terraTileData(&store, 1, &length);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(std::string((const char *)second, (size_t)length), "tile");
}

TEST_F(Store, AppendAndReadOnTheOpenFile)
{
    fixture::ScratchDir dir("terra");
    std::string path = dir.at("open.terra");
    ASSERT_TRUE(createTerraCache(&store, 1, 11, 33, 1, 1, 1, 0));
    ASSERT_TRUE(saveTerraFile(path.c_str(), &store));
    closeTerraCache(&store);
    ASSERT_TRUE(openTerraFile(path.c_str(), &store));
    EXPECT_GE(store.fd, 0);
    ASSERT_TRUE(appendTerraTile(&store, 0, (const unsigned char *)"tile", 4));
    EXPECT_FALSE(appendTerraTile(&store, 0, (const unsigned char *)"more", 4));
    int length = 0;
    unsigned char *bytes = readTerraTile(&store, 0, &length);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string((char *)bytes, (size_t)length), "tile");
    gmemFree(bytes);
    closeTerraCache(&store);
    EXPECT_EQ(store.fd, -1);
    // The file holds header, index and the tile.
    ASSERT_TRUE(openTerraFile(path.c_str(), &store));
    const unsigned char *kept = terraTileData(&store, 0, &length);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(std::string((const char *)kept, (size_t)length), "tile");
    EXPECT_EQ(terraDataEnd(&store), 60);
}

}  // namespace
