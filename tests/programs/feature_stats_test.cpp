/*
 * feature_stats_test.cpp --
 *
 *	Statistics arithmetic of class items: moments gathered in batches,
 *	pooling into items, correlation, inversion and lookup by name.
 */
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "programs/feature_fixtures.h"
#include "programs/feature_kernels.h"
#include "programs/feature_stats.h"

namespace {

using namespace feature_fixtures;

typedef FeatureTest FeatureStats;

const Samples SAMPLES = {
    {10, 20, 5}, {12, 18, 7}, {9, 25, 4}, {15, 22, 6}, {11, 19, 9},
    {14, 24, 3}, {8, 21, 8},  {13, 17, 5}, {10, 23, 6},
};

Samples slice(size_t from, size_t to)
{
    return Samples(SAMPLES.begin() + (long)from, SAMPLES.begin() + (long)to);
}

std::vector<float> flat(const Samples &samples)
{
    std::vector<float> out;
    for (const auto &x : samples) {
        out.insert(out.end(), x.begin(), x.end());
    }
    return out;
}

void expectItem(const FeatureBlock *block, int k, const Doubles &mean, const Doubles &cov,
                double tolerance)
{
    for (size_t i = 0; i < mean.size(); i++) {
        EXPECT_NEAR(mean[i], statMean(block, k)[i], tolerance) << "mean " << i;
    }
    for (size_t p = 0; p < cov.size(); p++) {
        EXPECT_NEAR(cov[p], statCov(block, k)[p], tolerance) << "cov " << p;
    }
}

TEST_F(FeatureStats, MomentsGatheredInUnequalBatchesAreThoseOfAllSamples)
{
    const size_t cuts[] = {0, 1, 5, 5, 9};      /* batches of 1, 4, 0 and 4 samples */
    Doubles means(3, 0.0), second(6, 0.0);
    int N = 0;
    for (size_t b = 0; b + 1 < sizeof cuts / sizeof cuts[0]; b++) {
        Samples batch = slice(cuts[b], cuts[b + 1]);
        Doubles sums(3, 0.0), cross(6, 0.0);
        std::vector<float> values = flat(batch);
        accumulateSamples(cross.data(), sums.data(), 3, values.data(), (int)batch.size());
        N = mergeMoments(N, 3, second.data(), means.data(), cross.data(), sums.data(),
                         (int)batch.size());
    }
    EXPECT_EQ(9, N);
    momentsToCovariance(second.data(), means.data(), 3);
    Doubles mean, cov;
    sampleMoments(SAMPLES, mean, cov);
    for (size_t i = 0; i < 3; i++) {
        EXPECT_NEAR(mean[i], means[i], 1e-12);
    }
    for (size_t p = 0; p < 6; p++) {
        EXPECT_NEAR(cov[p], second[p], 1e-10);
    }
}

TEST_F(FeatureStats, PoolingTwoBatchesEqualsOneBatchOfAll)
{
    FeatureBlock *block = statBlock({0, 1, 2}, {{"water", 0, Doubles(3, 0.0), Doubles(6, 0.0)}});
    Doubles mean1, cov1, mean2, cov2, meanAll, covAll;
    sampleMoments(slice(0, 4), mean1, cov1);
    sampleMoments(slice(4, 9), mean2, cov2);
    sampleMoments(SAMPLES, meanAll, covAll);

    /* A fresh item takes the batch as it is. */
    ASSERT_EQ(1, updateStatItem(block, 0, cov1.data(), mean1.data(), 4));
    EXPECT_EQ(4, statItem(block, 0)->nPixels);
    expectItem(block, 0, mean1, cov1, 1e-6);

    ASSERT_EQ(1, updateStatItem(block, 0, cov2.data(), mean2.data(), 5));
    EXPECT_EQ(9, statItem(block, 0)->nPixels);
    expectItem(block, 0, meanAll, covAll, 1e-4);

    /* No samples change nothing; a missing item is refused. */
    ASSERT_EQ(1, updateStatItem(block, 0, cov2.data(), mean2.data(), 0));
    EXPECT_EQ(9, statItem(block, 0)->nPixels);
    expectItem(block, 0, meanAll, covAll, 1e-4);
    EXPECT_EQ(0, updateStatItem(block, 1, cov2.data(), mean2.data(), 5));
    freeFeature(block);
}

TEST_F(FeatureStats, CorrelationHasUnitDiagonal)
{
    FeatureBlock *block = statBlock({0, 1}, {{"a", 10, {1, 2}, {4.0, 3.0, 9.0}}});
    covToCorrelation(block, 0);
    EXPECT_FLOAT_EQ(1.0f, statCov(block, 0)[0]);
    EXPECT_FLOAT_EQ(0.5f, statCov(block, 0)[1]);
    EXPECT_FLOAT_EQ(1.0f, statCov(block, 0)[2]);
    EXPECT_FLOAT_EQ(2.0f, statMean(block, 0)[1]);
    freeFeature(block);
}

TEST_F(FeatureStats, InversionNeedsSamplesAndAPositiveDeterminant)
{
    FeatureBlock *block = statBlock({0, 1}, {
        {"good", 10, {1, 2}, {4.0, 1.0, 2.0}},
        {"few", 1, {1, 2}, {4.0, 1.0, 2.0}},
        {"singular", 10, {1, 2}, {1.0, 2.0, 4.0}},
        {"indefinite", 10, {1, 2}, {1.0, 2.0, 1.0}},
    });
    double det = -1.0;
    ASSERT_EQ(1, invertStatCov(block, 0, &det));
    EXPECT_NEAR(7.0, det, 1e-12);
    EXPECT_FLOAT_EQ(2.0f / 7.0f, statCov(block, 0)[0]);
    EXPECT_FLOAT_EQ(-1.0f / 7.0f, statCov(block, 0)[1]);
    EXPECT_FLOAT_EQ(4.0f / 7.0f, statCov(block, 0)[2]);
    EXPECT_EQ("", console.takeStderr());

    struct {
        int k;
        const char *message;
    } refusals[] = {
        {1, "Not enough samples.\n"},
        {2, "Error in dgb - zero value of a main element: 2\n"},
        {3, ""},
    };
    for (const auto &r : refusals) {
        std::vector<float> before(statCov(block, r.k), statCov(block, r.k) + 3);
        EXPECT_EQ(0, invertStatCov(block, r.k, &det)) << r.k;
        EXPECT_EQ(r.message, console.takeStderr());
        EXPECT_EQ(before, std::vector<float>(statCov(block, r.k), statCov(block, r.k) + 3));
    }
    freeFeature(block);
}

TEST_F(FeatureStats, NamesAreFoundRegardlessOfCase)
{
    FeatureBlock *block = statBlock({0}, {{"Water", 3, {1}, {1}}, {"FOREST", 3, {1}, {1}},
                                          {"forest", 3, {1}, {1}}});
    EXPECT_EQ(0, findStatByName(block, "wATER"));
    EXPECT_EQ(1, findStatByName(block, "Forest"));
    EXPECT_EQ(-1, findStatByName(block, "Fores"));
    /* A name that fills its whole field. */
    memset(statItem(block, 2)->name, 'x', STAT_NAME_SIZE);
    EXPECT_EQ(2, findStatByName(block, std::string(STAT_NAME_SIZE, 'X').c_str()));
    block = cutFeature(block, 0);
    EXPECT_EQ(-1, findStatByName(block, "water"));
    freeFeature(block);
}

}  // namespace
