/*
 * feature_listings_test.cpp --
 *
 *	The exact text of the feature block listings.
 */
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "programs/feature_fixtures.h"
#include "programs/feature_listings.h"

namespace {

using namespace feature_fixtures;

typedef FeatureTest FeatureListings;

/* One value in a listing's format. */
std::string fmt(const char *format, double value)
{
    char text[64];
    snprintf(text, sizeof text, format, value);
    return text;
}

std::string e15(double value)
{
    return fmt("%15.6e", value);
}

TEST_F(FeatureListings, StatisticsPrivateInfo)
{
    FeatureBlock *block = statBlock({0}, {});
    printStatPrivateInfo(block);
    EXPECT_EQ("Stat Source: scene.img\nStat Note  : Created by GSTATS\n", console.takeStdout());

    /* A source that fills its field ends there. */
    memset(((StatInfo *)featurePrivateInfo(block))->source, 'S', 64);
    printStatPrivateInfo(block);
    EXPECT_EQ("Stat Source: " + std::string(64, 'S') + "\nStat Note  : Created by GSTATS\n",
              console.takeStdout());
    freeFeature(block);

    const uint32_t band = 0;
    block = newFeature(FEATURE_STAT, &band, 1, (int)statItemSize(1), 0, nullptr, 0);
    printStatPrivateInfo(block);
    EXPECT_EQ("No private info.\n", console.takeStdout());
    freeFeature(block);
}

TEST_F(FeatureListings, StatisticsItemWithEveryListing)
{
    FeatureBlock *block = statBlock({0, 1}, {{"other", 5, {0, 0}, {1, 0, 1}},
                                             {"field", 40, {10.0, 20.0}, {4.0, 3.0, 9.0}}});
    printStatInfo(block, 1, STAT_LIST_ALL);
    EXPECT_EQ("Stat Info Sequence # 1\n"
              "ID     : 1\n"
              "name   : field\n"
              "note   : note 1\n"
              "nPixels: 40\n"
              "Mean values:\n"
              "   1.000000e+01   2.000000e+01\n"
              "Std values:\n"
              "   2.000000e+00   3.000000e+00\n"
              "Covariance values:\n"
              "   4.000000e+00   3.000000e+00\n"
              "   3.000000e+00   9.000000e+00\n"
              "\n"
              "Correlation values:\n"
              "   1.000000e+00   5.000000e-01\n"
              "   5.000000e-01   1.000000e+00\n"
              "\n",
              console.takeStdout());
    EXPECT_FLOAT_EQ(3.0f, statCov(block, 1)[1]);   /* correlation only printed */

    printStatInfo(block, 0, 0);
    EXPECT_EQ("Stat Info Sequence # 0\nID     : 0\nname   : other\nnote   : note 0\n"
              "nPixels: 5\n",
              console.takeStdout());
    freeFeature(block);
}

TEST_F(FeatureListings, LongListsBreakAfterEveryFifthValue)
{
    /* Six bands: diagonal 1 .. 6, one off-diagonal element (0, 5). */
    Doubles cov(packedSize(6), 0.0);
    for (int i = 0; i < 6; i++) {
        cov[packedIndex(i, i)] = i + 1;
    }
    cov[packedIndex(0, 5)] = 0.5;
    FeatureBlock *block = statBlock({0, 1, 2, 3, 4, 5}, {{"six", 9, {1, 2, 3, 4, 5, 6}, cov}});
    printStatInfo(block, 0, STAT_LIST_MEAN | STAT_LIST_COV);
    std::string expected = "Stat Info Sequence # 0\nID     : 0\nname   : six\nnote   : note 0\n"
                           "nPixels: 9\nMean values:\n";
    for (int i = 0; i < 6; i++) {
        expected += e15(i + 1) + (i == 4 ? "\n" : "");
    }
    expected += "\nCovariance values:\n";
    for (int c0 : {0, 5}) {
        for (int r = 0; r < 6; r++) {
            for (int c = c0; c < c0 + 5 && c < 6; c++) {
                expected += e15(cov[packedIndex(r, c)]);
            }
            expected += "\n";
        }
        expected += "\n";
    }
    EXPECT_EQ(expected, console.takeStdout());
    freeFeature(block);

    /* Exactly five values: the break after the fifth and the final one. */
    block = statBlock({0, 1, 2, 3, 4}, {{"five", 9, {1, 2, 3, 4, 5}, Doubles(15, 0.0)}});
    printStatInfo(block, 0, STAT_LIST_MEAN);
    std::string out = console.takeStdout();
    EXPECT_EQ("Mean values:\n" + e15(1) + e15(2) + e15(3) + e15(4) + e15(5) + "\n\n",
              out.substr(out.find("Mean values:")));
    freeFeature(block);
}

/* An eigenvector block over six bands with set values, percents and
 * vectors (weight of band i in component k: k + i / 10). */
FeatureBlock *eigenBlock(int components)
{
    const uint32_t bands[] = {0, 1, 2, 3, 4, 9};
    FeatureBlock *block = newFeature(FEATURE_EIGEN, bands, 6, 12 + 24, components, nullptr,
                                     (int)featureKindInfoSize(FEATURE_KIND_EIGEN, 6));
    EigenInfo *info = (EigenInfo *)featurePrivateInfo(block);
    snprintf(info->text, sizeof info->text, "stats.ftr field 1");
    info->normalised = 1;
    EigenBand *source = (EigenBand *)(info + 1);
    for (int i = 0; i < 6; i++) {
        source[i].variance = (float)(i + 1) * 2.0f;
        source[i].mean = (float)(i + 1) * 10.0f;
    }
    const float percents[] = {40, 20, 15, 10, 10, 5};
    for (int k = 0; k < components; k++) {
        eigenItem(block, k)->index = k;
        eigenItem(block, k)->value = (float)(6 - k);
        eigenItem(block, k)->percent = percents[k];
        for (int i = 0; i < 6; i++) {
            eigenVector(block, k)[i] = (float)k + (float)i / 10.0f;
        }
    }
    return block;
}

TEST_F(FeatureListings, EigenvectorInfo)
{
    FeatureBlock *block = eigenBlock(0);
    printEvInfo(block);
    std::string expected = "EVINFO Source  : stats.ftr field 1\n"
                           "EVINFO Note    : Normalized\n"
                           "EVINFO SQSTD   :\n";
    for (int i = 0; i < 6; i++) {
        expected += e15((i + 1) * 2.0) + (i == 4 ? "\n" : "");
    }
    expected += "\nEVINFO MEAN    :\n";
    for (int i = 0; i < 6; i++) {
        expected += e15((i + 1) * 10.0) + (i == 4 ? "\n" : "");
    }
    expected += "\n";
    EXPECT_EQ(expected, console.takeStdout());

    ((EigenInfo *)featurePrivateInfo(block))->normalised = 0;
    printEvInfo(block);
    EXPECT_NE(std::string::npos, console.takeStdout().find("EVINFO Note    : Non Normalized\n"));

    /* Without any items all there is is the final line end. */
    printEigenVectors(block, 1);
    EXPECT_EQ("\n", console.takeStdout());
    freeFeature(block);

    const uint32_t band = 0;
    block = newFeature(FEATURE_EIGEN, &band, 1, 16, 0, nullptr, 0);
    printEvInfo(block);
    EXPECT_EQ("No Private EVINFO.\n", console.takeStdout());
    freeFeature(block);
}

TEST_F(FeatureListings, EigenvectorsFiveComponentsAtATime)
{
    FeatureBlock *block = eigenBlock(6);
    const double percents[] = {40, 20, 15, 10, 10, 5};
    const int bandNumbers[] = {1, 2, 3, 4, 5, 10};
    for (int withVectors = 0; withVectors <= 1; withVectors++) {
        printEigenVectors(block, withVectors);
        std::string expected;
        double running = 0.0;
        for (int k0 : {0, 5}) {
            int end = k0 == 0 ? 5 : 6;
            expected += "\n\nEigen Vector Information\nID    :";
            for (int k = k0; k < end; k++) {
                expected += fmt("%7.0f      ", k + 1);
            }
            expected += "\nValue :";
            for (int k = k0; k < end; k++) {
                expected += fmt("%13.6e", 6 - k);
            }
            expected += "\nPct   :";
            for (int k = k0; k < end; k++) {
                expected += fmt("%13.6f", percents[k]);
            }
            expected += "\nAPct  :";
            for (int k = k0; k < end; k++) {
                running += percents[k];
                expected += fmt("%13.6f", running);
            }
            expected += "\n";
            if (withVectors) {
                expected += "Vector:\n";
                for (int i = 0; i < 6; i++) {
                    expected += fmt("ch%4.0f:", bandNumbers[i]);
                    for (int k = k0; k < end; k++) {
                        expected += fmt("%13.7f", (float)k + (float)i / 10.0f);
                    }
                    expected += "\n";
                }
            }
        }
        expected += "\n";
        EXPECT_EQ(expected, console.takeStdout()) << "with vectors " << withVectors;
    }
    /* The head of the first block, spelled out. */
    printEigenVectors(block, 0);
    EXPECT_EQ(0u, console.takeStdout().find(
                      "\n\nEigen Vector Information\n"
                      "ID    :      1            2            3            4            5      \n"
                      "Value : 6.000000e+00 5.000000e+00 4.000000e+00 3.000000e+00 2.000000e+00\n"
                      "Pct   :    40.000000    20.000000    15.000000    10.000000    10.000000\n"
                      "APct  :    40.000000    60.000000    75.000000    85.000000    95.000000\n"));
    freeFeature(block);
}

TEST_F(FeatureListings, IsoClusterSummaryAndTables)
{
    const uint32_t bands[] = {0, 2};
    FeatureBlock *block = newFeature(FEATURE_ISO, bands, 2, 44, 2, nullptr, 152);
    IsoInfo *info = (IsoInfo *)featurePrivateInfo(block);
    info->rms = 0.123456;
    info->dis = 2.5;
    info->nSamples = 300;
    info->nClasses = 2;
    snprintf(info->source, sizeof info->source, "scene.img");
    for (int k = 0; k < 2; k++) {
        isoItem(block, k)->nSamples = 120 + 60 * k;
        isoItem(block, k)->srmd2 = 0.25f * (float)(k + 1);
        for (int i = 0; i < 2; i++) {
            isoBand(block, k, i)->mean = 10.5f + 10 * (float)i + (float)k;
            isoBand(block, k, i)->dmean = -0.125f * (float)(i + 1);
            isoBand(block, k, i)->sum = 1000.0 * (k + 1) + i;
        }
    }
    printIsoInfo(block);
    EXPECT_EQ("source: scene.img\nnClasses: 2 nSamples 300 RMS: 0.1235 DIS: 2.5000\n",
              console.takeStdout());

    const char *const head = "  ID  SAMPLES    SRMD2     1       3  \n";
    struct {
        int which;
        std::string text;
    } tables[] = {
        {ISO_LIST_MEAN, std::string("ISO_MEAN:\n") + head + "#  0      120    0.250  10.500  20.500 \n"
                                                      "#  1      180    0.500  11.500  21.500 \n"},
        {ISO_LIST_DMEAN, std::string("ISO_DMEAN:\n") + head + "#  0      120    0.250  -0.125  -0.250 \n"
                                                        "#  1      180    0.500  -0.125  -0.250 \n"},
        {ISO_LIST_SUM, std::string("ISO_SUM:\n") + head + "#  0      120    0.250 1000.000 1001.000 \n"
                                                    "#  1      180    0.500 2000.000 2001.000 \n"},
    };
    for (const auto &t : tables) {
        isoPrint(block, t.which);
        EXPECT_EQ(t.text, console.takeStdout());
    }
    isoPrint(block, 3);
    EXPECT_EQ("", console.takeStdout());
    EXPECT_EQ("Wrong flag for isoPrint\n", console.takeStderr());
    freeFeature(block);
}

}  // namespace
