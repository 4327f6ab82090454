/*
 * resample_program_test.cpp --
 *
 *	The footprint weights of rimage resample, and what it tells the
 *	clients of its output and does to the output's band statistics
 *	under -u.
 */
#include <gtest/gtest.h>

#include <cmath>

#include "../ramimage/registry_fixtures.h"
#include "kit/fixture_kit.h"
#include "programs/resample_program.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"

namespace {

TEST(ResampleOverlap, PartOfTheSecondIntervalThatTheFirstCovers)
{
    struct Case {
        double a0, a1, b0, b1;
        double expected;
    };
    const Case cases[] = {
        {0, 10, 5, 15, 0.5},        /* half of it */
        {0, 10, 0, 10, 1.0},
        {0, 20, 5, 10, 1.0},        /* all of it, from outside */
        {5, 6, 0, 10, 0.1},         /* a part inside */
        {0, 10, 10, 20, 0.0},       /* touching only */
        {20, 30, 0, 10, 0.0},
        {0, 10, 5, 5, 0.0},         /* an empty interval has no parts */
        {0, 10, NAN, 5, 0.0},
    };
    for (const Case &c : cases) {
        EXPECT_DOUBLE_EQ(c.expected, overlapFraction(c.a0, c.a1, c.b0, c.b1))
            << c.a0 << " " << c.a1 << " " << c.b0 << " " << c.b1;
    }
}

class ResampleUpdate : public registry_fixtures::RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        savedStep = ovexState.meterStep;
    }

    void TearDown() override
    {
        notes.stop();
        ovexState.meterStep = savedStep;
        RegistryTest::TearDown();
    }

    /* A 4 x 3 IMAGEDEF byte image of 2 bands on the unit grid. */
    RAMIMG *openFile(const char *name)
    {
        imagedefFile(name, IMGID_BSQ, PIXEL_BYTE, 4, 3, 2);
        RAMIMG *image = progOpenImage(path(name).c_str(), NULL);
        EXPECT_NE(image, nullptr);
        if (image != NULL) {
            image->head.x0 = 0.0;
            image->head.y0 = 0.0;
            image->head.dx = 1.0;
            image->head.dy = 1.0;
        }
        return image;
    }

    fixture::NoticeCounter notes;
    float savedStep = 0.0f;
};

TEST_F(ResampleUpdate, UpdateFlagNotifiesAndResetsTheBandsWritten)
{
    RAMIMG *in = openFile("in.img");
    RAMIMG *out = openFile("out.img");
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    const unsigned char values[3] = {7, 8, 9};
    putRowByte(in, 2, 0, 3, 0, values);
    notes.watch(out);
    ASSERT_NE(ramImageHist(out, HIST_RECOMPUTE, 1, 1), nullptr);
    /* Thresholds 0 and 0.5 are reached after rows 0 and 2 of 4. */
    ovexState.meterStep = 0.5f;

    const char *quiet[] = {"-in", in->tag, "-out", out->tag, "-b", "1", "-u", "0"};
    EXPECT_EQ(PROGRAM_DONE, rimageResample("rimage resample", 8, quiet));
    EXPECT_EQ(0, notes.data);
    EXPECT_TRUE(out->stats[0].valid);

    const char *told[] = {"-in", in->tag, "-out", out->tag, "-b", "1", "-rsp", "NN"};
    EXPECT_EQ(PROGRAM_DONE, rimageResample("rimage resample", 8, told));
    EXPECT_EQ(3, notes.data);
    EXPECT_EQ(0, notes.config);
    EXPECT_FALSE(out->stats[0].valid);
    EXPECT_TRUE(out->stats[1].valid);

    float row[3];
    getRowFloat(out, 2, 0, 3, 0, row);
    EXPECT_EQ(8.0f, row[1]);
    EXPECT_EQ("", stderrText());
    progReleaseImage(in);
    progReleaseImage(out);
}

}  // namespace
