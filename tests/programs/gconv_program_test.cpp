/*
 * gconv_program_test.cpp --
 *
 *	What rimage gconv tells the clients of its output and what it does to
 *	the output's band statistics, for the window and the separable
 *	kernels alike, and that a new output file holds the filtered rows
 *	once the program has let it go.
 */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../ramimage/registry_fixtures.h"
#include "kit/fixture_kit.h"
#include "programs/gconv_program.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"

namespace {

class GconvProgram : public registry_fixtures::RegistryTest {
protected:
    /* An IMAGEDEF BSQ byte file of 2 rows, 3 columns and 2 bands. */
    RAMIMG *openFile(const char *name)
    {
        imagedefFile(name, IMGID_BSQ, PIXEL_BYTE, 2, 3, 2);
        int err = -1;
        RAMIMG *image = progOpenImage(path(name).c_str(), &err);
        EXPECT_NE(image, nullptr) << err;
        return image;
    }

    int run(const std::vector<std::string> &words)
    {
        std::vector<const char *> argv;
        for (const std::string &word : words) {
            argv.push_back(word.c_str());
        }
        return rimageGconv("rimage gconv", (int)argv.size(), argv.data());
    }

    void TearDown() override
    {
        notes.stop();
        RegistryTest::TearDown();
    }

    fixture::NoticeCounter notes;
};

TEST_F(GconvProgram, OutputClientsHearOfDataAndWrittenBandsLoseTheirStatistics)
{
    RAMIMG *in = openFile("in.img");
    RAMIMG *out = openFile("out.img");
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    const unsigned char rows[2][3] = {{1, 2, 3}, {4, 5, 6}};
    putRowByte(in, 0, 0, 3, 0, rows[0]);
    putRowByte(in, 1, 0, 3, 0, rows[1]);
    notes.watch(out, 9);

    for (const char *kernel : {"@2D 1 1 2", "@1Ds 1 1 2 1", "@median 1 1", "@dynamic 1 1"}) {
        notes.reset();
        ASSERT_NE(ramImageHist(out, HIST_RECOMPUTE, 1, 1), nullptr);
        EXPECT_EQ(PROGRAM_DONE, run({"-in", in->tag, "-out", out->tag, "-b", "1:2", "-kn", kernel}))
            << kernel;
        EXPECT_EQ(1, notes.data) << kernel;
        EXPECT_EQ(0, notes.config) << kernel;
        EXPECT_TRUE(out->stats[0].valid) << kernel;
        EXPECT_FALSE(out->stats[1].valid) << kernel;
    }
    float row[3];
    getRowFloat(out, 1, 0, 3, 1, row);
    EXPECT_EQ(4.0f, row[0]);
    EXPECT_EQ(6.0f, row[2]);

    /* A refused run tells nobody. */
    notes.reset();
    EXPECT_EQ(PROGRAM_FAILED, run({"-in", in->tag, "-out", out->tag, "-kn", "@2D 1"}));
    EXPECT_EQ(0, notes.data);
    EXPECT_EQ("Error in parsing conv kernel.\n", stderrText());
    progReleaseImage(in);
    progReleaseImage(out);
}

TEST_F(GconvProgram, NewOutputFileHoldsTheRowsOnceReleased)
{
    RAMIMG *in = openFile("in.img");
    ASSERT_NE(in, nullptr);
    const unsigned char rows[2][3] = {{10, 20, 30}, {40, 50, 60}};
    putRowByte(in, 0, 0, 3, 1, rows[0]);
    putRowByte(in, 1, 0, 3, 1, rows[1]);
    std::string out = path("new.bmp");
    EXPECT_EQ(PROGRAM_DONE, run({"-in", in->tag, "-out", out, "-kn", "@2D 3 1 1 1 1", "-norm",
                                 "yes"}));
    EXPECT_EQ(nullptr, getRAMImageByName(out.c_str()));  /* let go */

    int err = -1;
    RAMIMG *made = progOpenImage(out.c_str(), &err);
    ASSERT_NE(made, nullptr) << err;
    EXPECT_EQ(IMGID_DIB, made->head.imgid);
    EXPECT_EQ(3, made->head.nbands);
    float values[3];
    getRowFloat(made, 1, 0, 3, 1, values);
    /* means of 40 40 50, 40 50 60 and 50 60 60 */
    EXPECT_EQ(43.0f, values[0]);
    EXPECT_EQ(50.0f, values[1]);
    EXPECT_EQ(57.0f, values[2]);
    EXPECT_EQ("", stderrText());
    progReleaseImage(made);
    progReleaseImage(in);
}

}  // namespace
