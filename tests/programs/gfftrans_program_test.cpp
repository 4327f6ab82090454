/*
 * gfftrans_program_test.cpp --
 *
 *	What rimage gfftrans leaves in an output image that stays open: its
 *	clients told of new data, no stale cached rows or statistics.
 */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../ramimage/registry_fixtures.h"
#include "kit/fixture_kit.h"
#include "programs/gfftrans_program.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"

namespace {

class GfftransNotify : public registry_fixtures::RegistryTest {
protected:
    int run(const std::vector<std::string> &words)
    {
        std::vector<const char *> argv;
        for (const std::string &word : words) {
            argv.push_back(word.c_str());
        }
        return rimageGfftrans("rimage gfftrans", (int)argv.size(), argv.data());
    }
};

TEST_F(GfftransNotify, OpenOutputIsRefreshedAndNotified)
{
    imagedefFile("in.img", IMGID_BSQ, PIXEL_BYTE, 2, 2, 1);
    std::string in = path("in.img"), out = path("out.fft");
    RAMIMG *source = progOpenImage(in.c_str(), NULL);
    ASSERT_NE(source, nullptr);
    const unsigned char rows[2][2] = {{1, 2}, {3, 4}};
    putRowByte(source, 0, 0, 2, 0, rows[0]);
    putRowByte(source, 1, 0, 2, 0, rows[1]);
    flushRamImage(source);

    ASSERT_EQ(PROGRAM_DONE, run({"-in", in, "-out", out, "-op", "RI"}));
    RAMIMG *image = progOpenImage(out.c_str(), NULL);
    ASSERT_NE(image, nullptr);
    fixture::NoticeCounter notes;
    notes.watch(image, 3);
    float values[2];
    getRowFloat(image, 0, 0, 2, 0, values);
    EXPECT_EQ(1.0f, values[0]);
    ASSERT_NE(ramImageHist(image, HIST_RECOMPUTE, 1, 1), nullptr);

    /* The spectrum: 10 at the centre (1, 1), the rest -2, -4 and 0. */
    notes.reset();
    ASSERT_EQ(PROGRAM_DONE, run({"-in", in, "-out", out}));
    EXPECT_EQ(1, notes.data);
    EXPECT_EQ(nullptr, image->stats);
    getRowFloat(image, 1, 0, 2, 0, values);
    EXPECT_FLOAT_EQ(-2.0f, values[0]);
    EXPECT_FLOAT_EQ(10.0f, values[1]);
    BandStats *stats = ramImageHist(image, HIST_REUSE, 1, 1);
    ASSERT_NE(stats, nullptr);
    EXPECT_DOUBLE_EQ(10.0, stats[0].max);
    EXPECT_DOUBLE_EQ(-4.0, stats[0].min);

    notes.stop();
    progReleaseImage(source);
}

}  // namespace
