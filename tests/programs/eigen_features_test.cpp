/*
 * eigen_features_test.cpp --
 *
 *	Eigenvector blocks built from class statistics.
 */
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "programs/eigen_features.h"
#include "programs/feature_fixtures.h"

namespace {

using namespace feature_fixtures;

typedef FeatureTest EigenFeatures;

/* Covariance with eigenvalues 8 and 2 along (1, 1) and (1, -1). */
FeatureBlock *twoBandStats()
{
    return statBlock({3, 5}, {{"other", 5, {0, 0}, {1, 0, 1}},
                              {"field", 40, {10.0, 20.0}, {5.0, 3.0, 5.0}}});
}

TEST_F(EigenFeatures, ComponentsOfTheCovariance)
{
    FeatureBlock *stat = twoBandStats();
    FeatureBlock *block = calcEigenFeatures(5, stat, 0, 1, 1e-7f, 500);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(0, memcmp(block->type, "EIGENID\0", 8));
    EXPECT_EQ(2u, block->itemCount);                 /* no more than the bands */
    EXPECT_EQ(3, featureBand(block, 0));
    EXPECT_EQ(5, featureBand(block, 1));

    const EigenInfo *info = (const EigenInfo *)featurePrivateInfo(block);
    EXPECT_STREQ("field 1", info->text);
    EXPECT_EQ(0u, info->normalised);
    const EigenBand *bands = (const EigenBand *)(info + 1);
    EXPECT_EQ(5.0f, bands[0].variance);
    EXPECT_EQ(10.0f, bands[0].mean);
    EXPECT_EQ(20.0f, bands[1].mean);

    const double values[] = {8.0, 2.0};
    const double percents[] = {80.0, 20.0};
    for (int k = 0; k < 2; k++) {
        EXPECT_EQ(k, eigenItem(block, k)->index);
        EXPECT_NEAR(values[k], eigenItem(block, k)->value, 1e-4);
        EXPECT_NEAR(percents[k], eigenItem(block, k)->percent, 1e-3);
        const float *v = eigenVector(block, k);
        EXPECT_NEAR(1.0, v[0] * v[0] + v[1] * v[1], 1e-6);
        EXPECT_NEAR(k == 0 ? 1.0 : -1.0, v[0] * v[1] * 2.0, 1e-4);
    }
    EXPECT_FLOAT_EQ(3.0f, statCov(stat, 1)[1]);       /* the source is untouched */
    freeFeature(block);
    freeFeature(stat);
}

TEST_F(EigenFeatures, NormalisedComponentsComeFromTheCorrelation)
{
    FeatureBlock *stat = twoBandStats();
    FeatureBlock *block = calcEigenFeatures(1, stat, 1, 1, 1e-7f, 500);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(1u, block->itemCount);
    const EigenInfo *info = (const EigenInfo *)featurePrivateInfo(block);
    EXPECT_EQ(1u, info->normalised);
    /* The variances are those before the normalisation. */
    EXPECT_EQ(5.0f, ((const EigenBand *)(info + 1))[1].variance);
    EXPECT_NEAR(1.6, eigenItem(block, 0)->value, 1e-4);  /* 1 + 0.6 */
    EXPECT_NEAR(80.0, eigenItem(block, 0)->percent, 1e-3);
    EXPECT_FLOAT_EQ(0.6f, statCov(stat, 1)[1]);
    freeFeature(block);
    freeFeature(stat);
}

TEST_F(EigenFeatures, AMissingStatItemIsRefused)
{
    FeatureBlock *stat = twoBandStats();
    EXPECT_EQ(nullptr, calcEigenFeatures(2, stat, 0, 2, 1e-7f, 500));
    EXPECT_EQ("Error in creating EGV feature.\n", console.takeStderr());
    FeatureBlock *empty = createEgvFeature(stat, 0, 0, 0);
    ASSERT_NE(nullptr, empty);
    EXPECT_EQ(0u, empty->itemCount);
    EXPECT_EQ(empty->itemsOffset, empty->totalSize);
    freeFeature(empty);
    freeFeature(stat);
}

}  // namespace
