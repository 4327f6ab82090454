/*
 * iso_cluster_test.cpp --
 *
 *	Iso clustering passes on small sample sets worked by hand: the
 *	assignment rule (early take within a fifth of the excluding
 *	distance, opening at and beyond it, constant bands), the update
 *	that drops empty clusters and describes the run, the acceleration
 *	step, the table cache and the colour table.
 */
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <vector>

#include "../ramimage/registry_fixtures.h"
#include "ovex/ovex.h"
#include "programs/iso_cluster.h"
#include "ramimage/ramimg.h"

namespace {

using Means = std::vector<std::vector<float>>;

class IsoCluster : public registry_fixtures::RegistryTest {
protected:
    IsoRun run{};

    void TearDown() override
    {
        isoRunFree(&run);
        registry_fixtures::RegistryTest::TearDown();
    }

    /* A run over the clusters of means, with the given excluding distance. */
    void start(const Means &means, int n, float dis, int ncMax = 16)
    {
        ASSERT_EQ(1, isoRunInit(&run, n));
        std::vector<uint32_t> bands(n);
        for (int i = 0; i < n; i++) {
            bands[i] = (uint32_t)i;
        }
        run.block = newFeature(FEATURE_ISO, bands.data(), n, 12 + 16 * n, (int)means.size(),
                               nullptr, ISO_INFO_SIZE);
        ASSERT_NE(run.block, nullptr);
        for (size_t k = 0; k < means.size(); k++) {
            for (int i = 0; i < n; i++) {
                isoBand(run.block, (int)k, i)->mean = means[k][i];
            }
        }
        run.nc = (int)means.size();
        run.ncMax = ncMax;
        run.dis = dis;
        run.dis02 = 0.2f * dis;
    }

    float mean(int k, int i) { return isoBand(run.block, k, i)->mean; }
};

TEST_F(IsoCluster, AssignsByTheRuleOfNearestAndFifthOfDistance)
{
    struct Case {
        const char *what;
        float x, dis;
        int create, ncMax, cls, nc;
    } cases[] = {
        /* Within 0.2 DIS of cluster 0 (1.44 < 2): taken though cluster 1 is nearer. */
        {"early take", 1.2f, 10.0f, 0, 16, 0, 2},
        {"nearest", 1.2f, 5.0f, 0, 16, 1, 2},
        /* Cluster 1 at 1: distance 16 exactly DIS opens nothing. */
        {"at DIS", 5.0f, 16.0f, 1, 16, 1, 2},
        {"beyond DIS", 5.5f, 16.0f, 1, 16, 2, 3},
        {"beyond DIS, full", 5.5f, 16.0f, 1, 2, 1, 2},
        {"beyond DIS, create off", 5.5f, 16.0f, 0, 16, 1, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        start({{0.0f}, {1.0f}}, 1, c.dis, c.ncMax);
        run.create = c.create;
        EXPECT_EQ(c.cls, isoAssign(&run, &c.x));
        EXPECT_EQ(c.nc, run.nc);
        EXPECT_EQ(1u, isoItem(run.block, c.cls)->count);
        EXPECT_DOUBLE_EQ(c.x, isoBand(run.block, c.cls, 0)->sum);
        if (c.nc == 3) {
            EXPECT_FLOAT_EQ(c.x, mean(2, 0));
        }
        isoRunFree(&run);
    }
}

TEST_F(IsoCluster, WithoutClustersOnlyCreateTakesTheVector)
{
    float x = 3.0f;
    start({}, 1, 1.0f);
    EXPECT_EQ(-1, isoAssign(&run, &x));
    run.create = 1;
    EXPECT_EQ(0, isoAssign(&run, &x));
    EXPECT_EQ(1, run.nc);
    EXPECT_FLOAT_EQ(3.0f, mean(0, 0));
}

TEST_F(IsoCluster, ConstantBandAddsPracticallyNothing)
{
    start({{0.0f, 0.0f}, {5.0f, 1000.0f}}, 2, 10.0f);
    run.std[1] = FLT_MAX;
    unsigned char x[2] = {5, 0};
    EXPECT_EQ(1, isoAssignBytes(&run, x));
}

TEST_F(IsoCluster, UpdateRecomputesDropsEmptyAndDescribes)
{
    start({{0.0f, 0.0f}, {50.0f, 50.0f}, {10.0f, 10.0f}}, 2, 3.0f);
    snprintf(run.source, sizeof run.source, "scene.img");
    isoItem(run.block, 0)->nSamples = 2;
    isoItem(run.block, 1)->nSamples = 5;
    isoItem(run.block, 2)->nSamples = 4;
    float a[2] = {1, 0}, b[2] = {3, 4}, c[2] = {12, 12};
    isoGather(&run, 0, a, 1);
    isoGather(&run, 0, b, 1);
    isoGather(&run, 2, c, 1);

    /* Ratios 1, 0 and 1/4; both survivors moved by (2, 2): srmd2 2. */
    EXPECT_DOUBLE_EQ(0.0, isoUpdateClusters(&run));
    EXPECT_EQ(2, run.nc);
    EXPECT_EQ(2u, run.block->itemCount);
    EXPECT_EQ(3, run.total);
    EXPECT_NEAR(2.0, run.rms, 1e-6);
    EXPECT_NEAR(0.75, run.weightedRatio, 1e-9);
    const float expect[2][2] = {{2, 2}, {12, 12}};
    const int samples[2] = {2, 1};
    for (int k = 0; k < 2; k++) {
        EXPECT_EQ(samples[k], isoItem(run.block, k)->nSamples);
        EXPECT_EQ(0u, isoItem(run.block, k)->count);
        EXPECT_FLOAT_EQ(2.0f, isoItem(run.block, k)->srmd2);
        for (int i = 0; i < 2; i++) {
            EXPECT_FLOAT_EQ(expect[k][i], mean(k, i));
            EXPECT_FLOAT_EQ(2.0f, isoBand(run.block, k, i)->dmean);
            EXPECT_EQ(0.0, isoBand(run.block, k, i)->sum);
        }
    }
    IsoInfo info;
    memcpy(&info, featurePrivateInfo(run.block), sizeof info);
    EXPECT_NEAR(2.0, info.rms, 1e-6);
    EXPECT_FLOAT_EQ(3.0f, (float)info.dis);
    EXPECT_EQ(3, info.nSamples);
    EXPECT_EQ(2, info.nClasses);
    EXPECT_STREQ("scene.img", info.source);
}

TEST_F(IsoCluster, SpeedMovesOnlyAboveHalfRatio)
{
    for (double ratio : {0.6, 0.5}) {
        start({{10.0f}}, 1, 1.0f);
        isoBand(run.block, 0, 0)->dmean = 4.0f;
        run.leastRatio = ratio;
        isoSpeed(&run);
        EXPECT_FLOAT_EQ(ratio > 0.5 ? 12.0f : 10.0f, mean(0, 0)) << ratio;
        isoRunFree(&run);
    }
}

TEST_F(IsoCluster, OpeningRepointsNearerTableEntriesAndUpdateEmptiesCache)
{
    start({{0.0f}}, 1, 1.0f);
    PTABLE *table = createPTable(4, 1, nullptr);
    ASSERT_NE(table, nullptr);
    const unsigned char vectors[4] = {0, 4, 9, 10};
    memcpy(table->vectors, vectors, 4);
    table->count = 4;
    run.table = table;
    run.tableClass = (int16_t *)gmemAlloc(4 * sizeof(int16_t));
    const int16_t cached[4] = {0, 0, 0, -1};
    memcpy(run.tableClass, cached, sizeof cached);
    run.create = run.repoint = 1;

    float x = 8.0f;
    EXPECT_EQ(1, isoAssign(&run, &x));
    /* 0 stays (nearer 0), 4 ties and stays, 9 moves, the empty entry stays empty. */
    const int16_t expect[4] = {0, 0, 1, -1};
    for (int e = 0; e < 4; e++) {
        EXPECT_EQ(expect[e], run.tableClass[e]) << e;
    }
    isoUpdateClusters(&run);
    for (int e = 0; e < 4; e++) {
        EXPECT_EQ(-1, run.tableClass[e]) << e;
    }
    freePTable(table);
}

TEST_F(IsoCluster, ColoursFollowSortOrderAndBlackenUnusedEntries)
{
    ImageHead head = memoryHead(IMGID_MBSQ, PIXEL_BYTE, 2, 2, 1);
    head.nindices = 256;
    int err = 0;
    RAMIMG *out = openRAMImageNew(&head, NULL, 0, &err);
    ASSERT_NE(out, nullptr) << err;
    memset(out->head.palette, 7, sizeof out->head.palette);

    start({{10.5f, 300.0f, -2.5f}, {1.0f, 2.0f, 3.0f}}, 3, 1.0f);
    run.out = out;
    run.sortOrder[0] = 2;
    run.sortOrder[1] = 0;
    run.sortOrder[2] = 1;
    isoSetColors(&run);
    /* Halves round away from zero and keep their low byte. */
    const unsigned char expect[2][3] = {{253, 11, 44}, {3, 1, 2}};
    for (int k = 0; k < 2; k++) {
        for (int c = 0; c < 3; c++) {
            EXPECT_EQ(expect[k][c], out->head.palette[k][c]) << k << " " << c;
        }
    }
    for (int c = 0; c < 3; c++) {
        EXPECT_EQ(0, out->head.palette[2][c]);
        EXPECT_EQ(0, out->head.palette[255][c]);
    }
    isoRunFree(&run);

    /* One band: green and blue repeat red. */
    start({{9.0f}}, 1, 1.0f);
    run.out = out;
    isoSetColors(&run);
    EXPECT_EQ(9, out->head.palette[0][1]);
    EXPECT_EQ(9, out->head.palette[0][2]);
    closeRAMImage(out, nullptr);
}

}  // namespace
