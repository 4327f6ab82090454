/*
 * program_kit_test.cpp --
 *
 *	The program kit: per-call option copies, usage, image references,
 *	the row-loop meter, the -u update convention, the yes/no question
 *	and the band listing.
 */
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "../console_capture.h"
#include "core/console_io.h"
#include "../registry_fixtures.h"
#include "kit/fixture_kit.h"
#include "ramimage/band_stats.h"
#include "ramimage/kit/program_kit.h"

namespace {

using console_capture::ConsoleCapture;

/* ---- Options and usage ---------------------------------------------------- */

const ProgOption kitOptions[] = {{"-in", NULL}, {"-out", NULL}, {"-u", NULL}, {NULL, NULL}};

TEST(ProgMatchOptions, FillsACopyAndLeavesTheTableAlone)
{
    ConsoleCapture console;
    const char *outer[] = {"-in", "a", "-u", "2"};
    ProgOptions first;
    ASSERT_EQ(1, progMatchOptions(&first, kitOptions, 4, outer, stderr));

    /* A nested run of the same program (started by an event) matches its
     * own words without touching the first call's values. */
    const char *inner[] = {"-in", "b", "-out", "c"};
    ProgOptions nested;
    ASSERT_EQ(1, progMatchOptions(&nested, kitOptions, 4, inner, stderr));

    EXPECT_STREQ("a", progOptionValue(&first, "-in"));
    EXPECT_STREQ("2", progOptionValue(&first, "-u"));
    EXPECT_EQ(nullptr, progOptionValue(&first, "-out"));
    EXPECT_STREQ("b", progOptionValue(&nested, "-in"));
    EXPECT_STREQ("c", progOptionValue(&nested, "-out"));
    EXPECT_EQ(nullptr, progOptionValue(&nested, "-nosuch"));
    for (const ProgOption *row = kitOptions; row->name != NULL; row++) {
        EXPECT_EQ(nullptr, row->value) << row->name;
    }
    EXPECT_EQ("", console.takeStderr());
}

TEST(ProgMatchOptions, ReportsUnknownWordsOnTheGivenStream)
{
    ConsoleCapture console;
    ProgOptions options;
    const char *words[] = {"-in", "a", "-x", "1", "-in", "b", "-out"};
    EXPECT_EQ(0, progMatchOptions(&options, kitOptions, 7, words, stderr));
    EXPECT_EQ("Error: 3 unknown param(s).\nUnknown option -x; repeated option -in; "
              "no value after -out; valid options: -in -out -u\n",
              console.takeStderr());
    EXPECT_EQ("", console.takeStdout());

    EXPECT_EQ(0, progMatchOptions(&options, kitOptions, 2, words + 2, stdout));
    EXPECT_EQ("Error: 1 unknown param(s).\nUnknown option -x; valid options: -in -out -u\n",
              console.takeStdout());
    EXPECT_EQ("", console.takeStderr());
}

TEST(ProgPrintUsage, FirstLineTakesTheProgramName)
{
    ConsoleCapture console;
    const char *const usage[] = {"Usage: %s -in IN -scale SCALE\n", "    where\n",
                                 "    SCALE  the scale (100%).\n", NULL};
    EXPECT_EQ(PROGRAM_USAGE, progPrintUsage("rimage gslope", usage));
    EXPECT_EQ("Usage: rimage gslope -in IN -scale SCALE\n    where\n    SCALE  the scale (100%).\n",
              console.takeStdout());
}

TEST(ProgUpdateFlag, DefaultsAndRange)
{
    const struct {
        const char *value;
        int defaultFlag;
        int flag;
    } cases[] = {{NULL, 1, 1}, {NULL, 0, 0}, {"0", 1, 0}, {"2", 1, 2}, {"3", 1, -1},
                 {"-1", 1, -1}, {"1x", 0, 1}};
    for (const auto &c : cases) {
        EXPECT_EQ(c.flag, progUpdateFlag(c.value, c.defaultFlag)) << (c.value ? c.value : "none");
    }
}

/* ---- Meter and abort ------------------------------------------------------ */

TEST(ProgMeter, ShowsEachThresholdOnceItIsReached)
{
    ConsoleCapture console;
    ASSERT_EQ(TCL_OK, Tcl_Eval(console.interp,
        "set ::shown {}; proc meter.set {w f label} {lappend ::shown [format %.2f $f] $label}"));
    float savedStep = ovexState.meterStep;
    ovexState.meterStep = 0.25f;

    ProgMeter meter;
    progMeterStart(&meter, "crop");
    for (int r = 0; r < 10; r++) {
        progMeterStep(&meter, r + 1, 10);
    }
    progMeterEnd(&meter);
    ovexState.meterStep = savedStep;

    EXPECT_STREQ("0.00 crop 0.25 crop 0.50 crop 0.75 crop 1.00 crop 1.00 crop",
                 Tcl_GetVar(console.interp, "::shown", TCL_GLOBAL_ONLY));
}

TEST(ProgAborted, FollowsThePauseAbortState)
{
    ConsoleCapture console;
    ASSERT_EQ(TCL_OK, Tcl_Eval(console.interp, "proc ovex.abort {} {set ::asked 1}"));
    int saved = ovexState.pauseAbort;
    ovexState.pauseAbort = 0;
    EXPECT_EQ(0, progAborted());
    ovexState.pauseAbort = OVEX_STATE_ABORT;
    EXPECT_EQ(1, progAborted());
    ovexState.pauseAbort = saved;
    EXPECT_STREQ("1", Tcl_GetVar(console.interp, "::asked", TCL_GLOBAL_ONLY));
}

/* ---- Images and the update convention ------------------------------------- */

class ProgImages : public registry_fixtures::RegistryTest {
protected:
    /* A 4 x 3 BSQ byte file of 2 bands, opened as a program opens it,
     * with a client that counts notifications. */
    RAMIMG *openSample()
    {
        imagedefFile("sample.img", IMGID_BSQ, PIXEL_BYTE, 4, 3, 2);
        int err = -1;
        RAMIMG *image = progOpenImage(path("sample.img").c_str(), &err);
        EXPECT_NE(image, nullptr) << err;
        if (image != NULL) {
            notes.watch(image, 99);
        }
        return image;
    }

    void TearDown() override
    {
        notes.stop();
        RegistryTest::TearDown();
    }

    /* Byte (row, column) of band 1 in the file. */
    unsigned char fileByte(int row, int column)
    {
        std::vector<unsigned char> bytes = registry_fixtures::readFile(path("sample.img"));
        size_t at = 1152 + 4 * 3 + (size_t)row * 3 + (size_t)column;
        return at < bytes.size() ? bytes[at] : 0xEE;
    }

    fixture::NoticeCounter notes;
};

TEST_F(ProgImages, OpensByFileOrTagAndReleases)
{
    int err = 0;
    EXPECT_EQ(nullptr, progOpenImage("", &err));
    EXPECT_EQ(RAMIMG_EOPEN, err);
    EXPECT_EQ(nullptr, progOpenImage(path("missing.img").c_str(), &err));

    RAMIMG *image = openSample();
    ASSERT_NE(image, nullptr);
    int refs = image->refCount;
    RAMIMG *again = progOpenImage(image->tag, &err);
    EXPECT_EQ(image, again);
    EXPECT_EQ(refs + 1, image->refCount);
    progReleaseImage(again);
    EXPECT_EQ(refs, image->refCount);
    progReleaseImage(NULL);
}

TEST_F(ProgImages, UpdateZeroWritesNothingAndTellsNoOne)
{
    RAMIMG *image = openSample();
    ASSERT_NE(image, nullptr);
    registry_fixtures::storeByte(image, 2, 1, 1, 77);
    EXPECT_EQ(1, progUpdateImage(image, 0, NULL, 0));
    EXPECT_EQ(0, fileByte(2, 1));
    EXPECT_EQ(0, notes.config + notes.data);
}

TEST_F(ProgImages, UpdateOneWritesBackAndTellsOfData)
{
    RAMIMG *image = openSample();
    ASSERT_NE(image, nullptr);
    registry_fixtures::storeByte(image, 2, 1, 1, 77);
    EXPECT_EQ(1, progUpdateImage(image, 1, NULL, 0));
    EXPECT_EQ(77, fileByte(2, 1));
    EXPECT_EQ(0, notes.config);
    EXPECT_EQ(1, notes.data);
    EXPECT_EQ("", stderrText());
}

TEST_F(ProgImages, UpdateTwoResetsTheWrittenBandsStatistics)
{
    RAMIMG *image = openSample();
    ASSERT_NE(image, nullptr);
    ASSERT_NE(ramImageHist(image, HIST_RECOMPUTE, 1, 1), nullptr);
    ASSERT_TRUE(image->stats[0].valid && image->stats[1].valid);
    registry_fixtures::storeByte(image, 0, 1, 0, 5);

    const int written[] = {1};
    EXPECT_EQ(1, progUpdateImage(image, 2, written, 1));
    EXPECT_EQ(5, fileByte(0, 0));
    EXPECT_TRUE(image->stats[0].valid);
    EXPECT_FALSE(image->stats[1].valid);
    EXPECT_EQ(1, notes.config);
    EXPECT_EQ(0, notes.data);

    /* The colour index (-1) stands for band 0. */
    const int index[] = {-1};
    EXPECT_EQ(1, progUpdateImage(image, 2, index, 1));
    EXPECT_FALSE(image->stats[0].valid);
}

TEST_F(ProgImages, UpdateTwoWithoutStatisticsTellsOfData)
{
    RAMIMG *image = openSample();
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(nullptr, image->stats);
    EXPECT_EQ(1, progUpdateImage(image, 2, NULL, 0));
    EXPECT_EQ(0, notes.config);
    EXPECT_EQ(1, notes.data);
}

TEST_F(ProgImages, AFailedWriteBackIsAnError)
{
    RAMIMG *image = openSample();
    ASSERT_NE(image, nullptr);
    registry_fixtures::storeByte(image, 3, 1, 2, 9);
    /* The image's descriptor now refuses writes. */
    int readOnly = open(path("sample.img").c_str(), O_RDONLY);
    ASSERT_GE(readOnly, 0);
    ASSERT_GE(dup2(readOnly, image->fd), 0);
    close(readOnly);

    EXPECT_EQ(0, progUpdateImage(image, 1, NULL, 0));
    EXPECT_EQ("Error in writing " + path("sample.img") + ".\n", stderrText());
    EXPECT_EQ(0, fileByte(3, 2));
    EXPECT_EQ(1, notes.data);
}

/* ---- Console -------------------------------------------------------------- */

TEST(AskYesNo, AsksUntilYOrN)
{
    ConsoleCapture console;
    ASSERT_EQ(TCL_OK, Tcl_Eval(console.interp, "proc bell args {append ::stdout <bell>}"));
    const struct {
        std::vector<std::string> answers;
        int result;
        int reads;
        const char *bells;
    } cases[] = {
        {{"y"}, 1, 1, ""},
        {{"No thanks"}, 0, 1, ""},
        {{"", "Y"}, 1, 2, ""},                 /* one empty answer is skipped */
        {{"x", "q", "n"}, 0, 3, "<bell><bell>"},
        {{"x", "", "y"}, 0, 2, "<bell>"},      /* no text any more: no */
        {{}, 0, 2, ""},                         /* the end of input */
    };
    for (const auto &c : cases) {
        console.queueInput(c.answers);
        EXPECT_EQ(c.result, askYesNo("Overwrite?"));
        EXPECT_EQ(c.reads, console.reads());
        EXPECT_EQ(std::string("\nOverwrite? (Y/N) ") + c.bells, console.takeStdout());
    }
}

/* A feature block head with the given band list (0-based). */
std::vector<unsigned char> blockWithBands(const std::vector<uint32_t> &bands, uint32_t size = 0)
{
    std::vector<unsigned char> block(32 + 4 * bands.size(), 0);
    memcpy(block.data(), "STATFTUR", 8);
    uint32_t total = size != 0 ? size : (uint32_t)block.size();
    uint32_t count = (uint32_t)bands.size();
    memcpy(block.data() + 8, &total, 4);
    memcpy(block.data() + 28, &count, 4);
    if (!bands.empty()) {
        memcpy(block.data() + 32, bands.data(), 4 * bands.size());
    }
    return block;
}

TEST(PrintBands, ListsBandsEightToALine)
{
    ConsoleCapture console;
    printBands(blockWithBands({0, 2, 4}).data());
    EXPECT_EQ("Bands: 3\n         1         3         5\n", console.takeStdout());

    printBands(blockWithBands({0, 1, 2, 3, 4, 5, 6, 7, 9}).data());
    EXPECT_EQ("Bands: 9\n"
              "         1         2         3         4         5         6         7         8\n"
              "        10\n",
              console.takeStdout());

    printBands(blockWithBands({0, 1, 2, 3, 4, 5, 6, 7}).data());
    EXPECT_EQ("Bands: 8\n"
              "         1         2         3         4         5         6         7         8\n"
              "\n",
              console.takeStdout());
}

TEST(PrintBands, StopsAtTheBlocksSize)
{
    ConsoleCapture console;
    std::vector<unsigned char> block = blockWithBands({3, 4, 5, 6}, 40);
    printBands(block.data());
    EXPECT_EQ("Bands: 4\n         4         5\n", console.takeStdout());
}

}  // namespace
