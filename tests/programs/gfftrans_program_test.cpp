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

namespace {

TEST(GfftransWorkBuffer, WholeArrayWhenItFitsTheBudgetElseTheBudgetNeverBelowFourMiB)
{
    const int64_t MiB = 1 << 20;
    struct Case {
        int64_t bytes, budget;
        size_t expected;
    } cases[] = {
        {8 * MiB, 1, 4 * MiB},                  /* streamed as before */
        {8 * MiB, 0, 4 * MiB},
        {8 * MiB, 1024 * MiB, 8 * MiB},         /* one read, in memory, one write */
        {2 * MiB, 1, 2 * MiB},
        {8192 * MiB, 1024 * MiB, 1024 * MiB},   /* larger than the budget: large strips */
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.expected, gfftWorkBytes(c.bytes, c.budget)) << c.bytes << " " << c.budget;
    }
}

class GfftransBudget : public registry_fixtures::RegistryTest {
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

/* An array of 8 MiB, twice the streaming buffer: transformed in memory and
 * streamed in strips under a budget of 1 byte, the files are the same to
 * the byte, header statistics included. */
TEST_F(GfftransBudget, InMemoryAndStreamedTransformsWriteTheSameFiles)
{
    const int n = 1024;
    imagedefFile("in.img", IMGID_BSQ, PIXEL_FLOAT, n, n, 1);
    std::string in = path("in.img");
    RAMIMG *source = progOpenImage(in.c_str(), NULL);
    ASSERT_NE(source, nullptr);
    std::vector<float> row((size_t)n);
    for (int r = 0; r < n; r++) {
        for (int c = 0; c < n; c++) {
            row[(size_t)c] = (float)((c * 7 + r * 13) % 97) + 0.25f * (float)(r % 5);
        }
        putRowFloat(source, r, 0, n, 0, row.data());
    }
    flushRamImage(source);
    progReleaseImage(source);

    /* One pass, two passes, and four passes with a filter between (kept
     * in memory between passes, or written and read back). */
    const std::vector<std::vector<std::string>> runs = {
        {"-op", "XYRI"}, {"-op", "XYPP"}, {"-op", "YRI"}, {"-op", "XY", "-fp", "bell,40,2"},
        {"-op", "YY", "-fp", "high,30,2,0.5"}};
    for (const std::vector<std::string> &words : runs) {
        SCOPED_TRACE(words[1]);
        std::string streamed = path("streamed.fft"), memory = path("memory.fft");
        std::vector<std::string> toStreamed = {"-in", in, "-out", streamed};
        std::vector<std::string> toMemory = {"-in", in, "-out", memory};
        toStreamed.insert(toStreamed.end(), words.begin(), words.end());
        toMemory.insert(toMemory.end(), words.begin(), words.end());
        Tcl_SetVar2(console, "env", "OVEX_FFT_MEMORY", "1", TCL_GLOBAL_ONLY);
        ASSERT_EQ(PROGRAM_DONE, run(toStreamed));
        Tcl_UnsetVar2(console, "env", "OVEX_FFT_MEMORY", TCL_GLOBAL_ONLY);
        ASSERT_EQ(PROGRAM_DONE, run(toMemory));
        std::vector<unsigned char> a = fixture::readBytes(streamed);
        std::vector<unsigned char> b = fixture::readBytes(memory);
        ASSERT_EQ((size_t)1024 + (size_t)n * n * 8, a.size());
        EXPECT_TRUE(a == b);
        /* The inverse of the file, read back as an FFT input, likewise. */
        std::string back1 = path("back1.fft"), back2 = path("back2.fft");
        Tcl_SetVar2(console, "env", "OVEX_FFT_MEMORY", "1", TCL_GLOBAL_ONLY);
        ASSERT_EQ(PROGRAM_DONE, run({"-in", memory, "-out", back1}));
        Tcl_UnsetVar2(console, "env", "OVEX_FFT_MEMORY", TCL_GLOBAL_ONLY);
        ASSERT_EQ(PROGRAM_DONE, run({"-in", memory, "-out", back2}));
        EXPECT_TRUE(fixture::readBytes(back1) == fixture::readBytes(back2));
        if (words[1] == "XYPP") {
            /* A filter of the power-phase spectrum, then the inverse from
             * what the filter left: in memory that stays power-phase
             * between the passes. */
            Tcl_SetVar2(console, "env", "OVEX_FFT_MEMORY", "1", TCL_GLOBAL_ONLY);
            ASSERT_EQ(PROGRAM_DONE, run({"-in", memory, "-out", back1, "-op", "XPP", "-fp",
                                         "notch,20,2,0.5,3,4"}));
            Tcl_UnsetVar2(console, "env", "OVEX_FFT_MEMORY", TCL_GLOBAL_ONLY);
            ASSERT_EQ(PROGRAM_DONE, run({"-in", memory, "-out", back2, "-op", "XPP", "-fp",
                                         "notch,20,2,0.5,3,4"}));
            EXPECT_TRUE(fixture::readBytes(back1) == fixture::readBytes(back2));
        }
        for (const std::string &file : {streamed, memory, back1, back2}) {
            RAMIMG *open = getRAMImageByTag(file.c_str());
            while (open != NULL && closeRAMImage(open, NULL) > 0) {
            }
            unlink(file.c_str());
        }
    }
}

}  // namespace
