/*
 * program_notify_test.cpp --
 *
 *	What the copy, data and rform programs tell the clients of the image
 *	they changed (a view bound to it redraws on these notices), how -u
 *	chooses the notice, and an aborted copy, which still notifies.
 */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../ramimage/registry_fixtures.h"
#include "core/console_io.h"
#include "programs/copy_crop.h"
#include "programs/data_program.h"
#include "programs/rform_program.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "kit/fixture_kit.h"

namespace {

class ProgramNotify : public registry_fixtures::RegistryTest {
protected:
    /* An IMAGEDEF BSQ byte file of 2 rows, 3 columns and 2 bands, opened
     * as a program opens it; with watch, a client counts its notices. */
    RAMIMG *openFile(const char *name, bool watch)
    {
        imagedefFile(name, IMGID_BSQ, PIXEL_BYTE, 2, 3, 2);
        int err = -1;
        RAMIMG *image = progOpenImage(path(name).c_str(), &err);
        EXPECT_NE(image, nullptr) << err;
        if (image != NULL && watch) {
            notes.watch(image);
        }
        return image;
    }

    /* Runs a program on words given as strings. */
    int run(RimageProgram *program, const char *name, const std::vector<std::string> &words)
    {
        std::vector<const char *> argv;
        for (const std::string &word : words) {
            argv.push_back(word.c_str());
        }
        return program(name, (int)argv.size(), argv.data());
    }

    void TearDown() override
    {
        notes.stop();
        ovexState.pauseAbort = savedPauseAbort;
        RegistryTest::TearDown();
    }

    fixture::NoticeCounter notes;
    int savedPauseAbort = ovexState.pauseAbort;
};

/* Input band 1 of the copies: 1 2 3 / 4 5 6. */
void fillInput(RAMIMG *in)
{
    const unsigned char rows[2][3] = {{1, 2, 3}, {4, 5, 6}};
    putRowByte(in, 0, 0, 3, 0, rows[0]);
    putRowByte(in, 1, 0, 3, 0, rows[1]);
}

TEST_F(ProgramNotify, CopyUpdateFlagChoosesTheNotice)
{
    struct Case {
        const char *update;
        bool withStats;
        int data;
        int config;
    };
    const Case cases[] = {
        {"0", false, 0, 0},
        {"1", false, 1, 0},
        {"2", false, 1, 0},
        {"2", true, 0, 1},
    };
    RAMIMG *in = openFile("in.img", false);
    RAMIMG *out = openFile("out.img", true);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    fillInput(in);
    for (const Case &c : cases) {
        notes.reset();
        if (c.withStats) {
            ASSERT_NE(ramImageHist(out, HIST_RECOMPUTE, 1, 1), nullptr);
        }
        EXPECT_EQ(PROGRAM_DONE, run(rimageCopy, "rimage copy",
                                    {"-in", in->tag, "-out", out->tag, "-b", "1:2", "-u",
                                     c.update}))
            << c.update;
        EXPECT_EQ(c.data, notes.data) << c.update << c.withStats;
        EXPECT_EQ(c.config, notes.config) << c.update << c.withStats;
        if (c.withStats) {
            /* Only the band written loses its statistics. */
            EXPECT_TRUE(out->stats[0].valid);
            EXPECT_FALSE(out->stats[1].valid);
        }
    }
    float row[3];
    getRowFloat(out, 1, 0, 3, 1, row);
    EXPECT_EQ(4.0f, row[0]);
    EXPECT_EQ(6.0f, row[2]);
    EXPECT_EQ("", stderrText());
    progReleaseImage(in);
    progReleaseImage(out);
}

TEST_F(ProgramNotify, AbortedCopyKeepsItsRowsAndStillNotifies)
{
    ASSERT_EQ(TCL_OK, Tcl_Eval(console, "proc ovex.abort {} {set ::abortShown 1}"));
    RAMIMG *in = openFile("in.img", false);
    RAMIMG *out = openFile("out.img", true);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    fillInput(in);
    ovexState.pauseAbort = OVEX_STATE_ABORT;
    EXPECT_EQ(PROGRAM_DONE, run(rimageCopy, "rimage crop", {"-in", in->tag, "-out", out->tag}));
    ovexState.pauseAbort = 0;
    EXPECT_EQ("rimage crop canceled...\n", stderrText());
    EXPECT_EQ(1, notes.data);
    EXPECT_STREQ("1", Tcl_GetVar(console, "::abortShown", TCL_GLOBAL_ONLY));
    float row[3];
    getRowFloat(out, 0, 0, 3, 0, row);
    EXPECT_EQ(0.0f, row[0]);
    progReleaseImage(in);
    progReleaseImage(out);
}

TEST_F(ProgramNotify, DataNotifiesUnlessUpdateIsZero)
{
    RAMIMG *image = openFile("data.img", true);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(PROGRAM_DONE, run(rimageData, "rimage data",
                                {"-in", image->tag, "-data", "BSQ 1 1 0 0 3 1 9"}));
    EXPECT_EQ(1, notes.data);
    EXPECT_EQ(PROGRAM_DONE, run(rimageData, "rimage data",
                                {"-in", image->tag, "-u", "0", "-data", "BSQ 1 1 0 0 3 1 8"}));
    EXPECT_EQ(1, notes.data);
    EXPECT_EQ(0, notes.config);
    EXPECT_EQ(PROGRAM_FAILED, run(rimageData, "rimage data",
                                  {"-in", image->tag, "-data", "XYZ"}));
    EXPECT_EQ(1, notes.data);
    progReleaseImage(image);
}

TEST_F(ProgramNotify, RformNotifiesConfigurationAndDropsStaleStatistics)
{
    RAMIMG *image = openFile("rform.img", true);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(PROGRAM_DONE, run(rimageRform, "rimage rform",
                                {"-in", image->tag, "-x0", "5", "-u", "0"}));
    EXPECT_EQ(0, notes.config);

    /* 2 bands of 2 rows become 2 bands of 2 rows holding other rows: the
     * statistics describe bands that are no more. */
    ASSERT_NE(ramImageHist(image, HIST_RECOMPUTE, 1, 1), nullptr);
    EXPECT_EQ(PROGRAM_DONE, run(rimageRform, "rimage rform", {"-in", image->tag, "-imgid", "BIL"}));
    EXPECT_EQ(1, notes.config);
    EXPECT_EQ(0, notes.data);
    EXPECT_EQ(nullptr, image->stats);
    EXPECT_EQ(IMGID_BIL, image->head.imgid);
    EXPECT_EQ(5.0, image->head.x0);
    progReleaseImage(image);
}

}  // namespace
