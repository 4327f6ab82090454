/*
 * feature_fixtures.h --
 *
 *	Shared pieces of the feature block tests: a console that records
 *	what the code prints, a scratch folder, and builders of class
 *	statistics blocks from sample sets.
 */
#ifndef OVEX_TESTS_PROGRAMS_FEATURE_FIXTURES_H
#define OVEX_TESTS_PROGRAMS_FEATURE_FIXTURES_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "programs/feature_file.h"
#include "kit/fixture_kit.h"
#include "ramimage/console_capture.h"

namespace feature_fixtures {

typedef std::vector<double> Doubles;
typedef std::vector<std::vector<double>> Samples;

/* A console and a scratch folder, removed with its files at the end. */
class FeatureTest : public ::testing::Test {
protected:
    std::string path(const char *name) const { return scratch.at(name); }

    std::string fileBytes(const std::string &file) const
    {
        fixture::Bytes bytes = fixture::readBytes(file);
        return std::string(bytes.begin(), bytes.end());
    }

    void writeBytes(const std::string &file, const std::string &bytes) const
    {
        ASSERT_TRUE(fixture::writeBytes(file, fixture::Bytes(bytes.begin(), bytes.end())));
    }

    console_capture::ConsoleCapture console;
    fixture::ScratchDir scratch{"ovex-feature"};
};

/* Mean and covariance (divisor: the count) of samples. */
inline void sampleMoments(const Samples &samples, Doubles &mean, Doubles &cov)
{
    int n = (int)samples[0].size();
    mean.assign((size_t)n, 0.0);
    cov.assign(packedSize(n), 0.0);
    for (const auto &x : samples) {
        for (int i = 0; i < n; i++) {
            mean[(size_t)i] += x[(size_t)i] / (double)samples.size();
        }
    }
    for (const auto &x : samples) {
        for (int j = 0; j < n; j++) {
            for (int i = 0; i <= j; i++) {
                cov[packedIndex(i, j)] += (x[(size_t)i] - mean[(size_t)i])
                                          * (x[(size_t)j] - mean[(size_t)j]) / (double)samples.size();
            }
        }
    }
}

/* A "STATFTUR" block over bands (0-based) with one item per entry of
 * names, each holding count, means and packed covariance given. */
struct StatClass {
    const char *name;
    int nPixels;
    Doubles mean;
    Doubles cov;
};

inline FeatureBlock *statBlock(const std::vector<uint32_t> &bands,
                               const std::vector<StatClass> &classes,
                               const char *source = "scene.img", const char *note = "Created by GSTATS")
{
    int n = (int)bands.size();
    StatInfo info;
    memset(&info, 0, sizeof info);
    snprintf(info.source, sizeof info.source, "%s", source);
    snprintf(info.note, sizeof info.note, "%s", note);
    FeatureBlock *block = newFeature(FEATURE_STAT, bands.data(), n, (int)statItemSize(n),
                                     (int)classes.size(), &info, (int)sizeof info);
    for (size_t k = 0; k < classes.size(); k++) {
        StatItem *item = statItem(block, (int)k);
        snprintf(item->name, sizeof item->name, "%s", classes[k].name);
        snprintf(item->note, sizeof item->note, "note %d", (int)k);
        item->nPixels = classes[k].nPixels;
        item->id = (int)k;
        for (int i = 0; i < n; i++) {
            statMean(block, (int)k)[i] = (float)classes[k].mean[(size_t)i];
        }
        for (size_t p = 0; p < packedSize(n); p++) {
            statCov(block, (int)k)[p] = (float)classes[k].cov[p];
        }
    }
    return block;
}

}  // namespace feature_fixtures

#endif /* OVEX_TESTS_PROGRAMS_FEATURE_FIXTURES_H */
