/*
 * smetric_notify_test.cpp --
 *
 *	What rimage smetric tells the clients of its output: a data change
 *	after a calibration, also after one that stopped without writing,
 *	and the output's band statistics reset either way; nothing when the
 *	options were refused.
 */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../ramimage/registry_fixtures.h"
#include "core/console_io.h"
#include "programs/smetric_program.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "kit/fixture_kit.h"

namespace {

class SmetricNotify : public registry_fixtures::RegistryTest {
protected:
    void TearDown() override
    {
        notes.stop();
        RegistryTest::TearDown();
    }

    int run(const std::vector<std::string> &words)
    {
        std::vector<const char *> argv;
        for (const std::string &word : words) {
            argv.push_back(word.c_str());
        }
        return rimageSmetric("rimage smetric", (int)argv.size(), argv.data());
    }

    void clearStderrText() { Tcl_SetVar(console, "::stderr", "", TCL_GLOBAL_ONLY); }

    fixture::NoticeCounter notes;
};

TEST_F(SmetricNotify, EveryCalibrationNotifiesAndResetsStatistics)
{
    struct Case {
        const char *low;
        int result;
        const char *message;
        unsigned char first;    /* output pixel (0, 0) afterwards */
    };
    /* Columns 1 2 3 over rows of 1 2 3 and 3 4 5: means 2 3 4. */
    const Case cases[] = {
        {"0", PROGRAM_DONE, "", 2},
        {"100", PROGRAM_FAILED, "Failed to find pixel in xStats.\nb: 0  j: 0\n", 9},
    };
    imagedefFile("in.img", IMGID_BSQ, PIXEL_BYTE, 2, 3, 1);
    imagedefFile("out.img", IMGID_BSQ, PIXEL_BYTE, 2, 3, 1);
    RAMIMG *in = progOpenImage(path("in.img").c_str(), NULL);
    RAMIMG *out = progOpenImage(path("out.img").c_str(), NULL);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    const unsigned char rows[2][3] = {{1, 2, 3}, {3, 4, 5}};
    putRowByte(in, 0, 0, 3, 0, rows[0]);
    putRowByte(in, 1, 0, 3, 0, rows[1]);
    notes.watch(out);

    for (const Case &c : cases) {
        const unsigned char nines[3] = {9, 9, 9};
        putRowByte(out, 0, 0, 3, 0, nines);
        ASSERT_NE(ramImageHist(out, HIST_RECOMPUTE, 1, 1), nullptr);
        notes.reset();
        clearStderrText();
        EXPECT_EQ(c.result, run({"-in", in->tag, "-out", out->tag, "-w", "1", "-l", c.low}));
        EXPECT_EQ(c.message, stderrText());
        EXPECT_EQ(1, notes.data) << c.low;
        EXPECT_EQ(0, notes.config) << c.low;
        EXPECT_FALSE(out->stats[0].valid) << c.low;
        unsigned char first;
        getRowByte(out, 0, 0, 1, 0, &first);
        EXPECT_EQ(c.first, first) << c.low;
    }

    notes.reset();
    clearStderrText();
    EXPECT_EQ(PROGRAM_FAILED, run({"-in", in->tag, "-out", out->tag, "-m", "both"}));
    EXPECT_EQ("Unknown model.\n", stderrText());
    EXPECT_EQ(0, notes.data);
    progReleaseImage(in);
    progReleaseImage(out);
}

}  // namespace
