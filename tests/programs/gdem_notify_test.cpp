/*
 * gdem_notify_test.cpp --
 *
 *	What rimage gdem tells the clients of the images it changes and what
 *	becomes of their band statistics: the shade and the calibrated image
 *	always hear of a data change, the DEM only under NORM with -u; the
 *	shade band's statistics are reset, the calibrated image keeps none.
 */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../ramimage/registry_fixtures.h"
#include "kit/fixture_kit.h"
#include "programs/gdem_program.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"

namespace {

class GdemNotify : public registry_fixtures::RegistryTest {
protected:
    /* A memory FLOAT image tagged tag (2 x 3), watched by a client. */
    RAMIMG *watched(const char *tag, int nbands, fixture::NoticeCounter *notes)
    {
        ImageHead head = registry_fixtures::templateHead(IMGID_MBSQ, PIXEL_FLOAT, 2, 3, nbands);
        head.dx = head.dy = 1.0;
        int err = -1;
        RAMIMG *image = openRAMImage(tag, NULL, &head, NULL, &err);
        EXPECT_NE(image, nullptr) << err;
        if (image != NULL) {
            notes->watch(image, (intptr_t)notes);
        }
        return image;
    }

    int run(const std::vector<std::string> &words)
    {
        std::vector<const char *> argv;
        for (const std::string &word : words) {
            argv.push_back(word.c_str());
        }
        return rimageGdem("rimage gdem", (int)argv.size(), argv.data());
    }
};

TEST_F(GdemNotify, ShadeAndCalibratedImageHearOfTheirData)
{
    fixture::NoticeCounter demNotes, shadeNotes, calibNotes;
    RAMIMG *dem = watched("rt_dem", 1, &demNotes);
    RAMIMG *shade = watched("rt_shade", 2, &shadeNotes);
    RAMIMG *calib = watched("rt_calib", 2, &calibNotes);
    ASSERT_TRUE(dem && shade && calib);
    ASSERT_NE(ramImageHist(shade, HIST_RECOMPUTE, 1, 1), nullptr);
    ASSERT_NE(ramImageHist(calib, HIST_RECOMPUTE, 1, 1), nullptr);

    EXPECT_EQ(PROGRAM_DONE, run({"-dem", "rt_dem", "-shade", "rt_shade", "-b", "1:2", "-calib",
                                 "rt_calib", "-va", "90", "-s", "3", "-fb", "1"}));
    EXPECT_EQ("", stderrText());
    EXPECT_EQ(0, demNotes.data + demNotes.config);
    EXPECT_EQ(1, shadeNotes.data);
    EXPECT_EQ(0, shadeNotes.config);
    EXPECT_EQ(1, calibNotes.data);
    EXPECT_EQ(0, calibNotes.config);
    EXPECT_TRUE(shade->stats[0].valid);
    EXPECT_FALSE(shade->stats[1].valid);
    EXPECT_EQ(nullptr, calib->stats);

    /* A flat DEM lit from straight above shades to s; calibration adds s
     * and fb x s to the zeros of the calibrated image. */
    float row[3];
    getRowFloat(shade, 1, 0, 3, 1, row);
    EXPECT_FLOAT_EQ(3.0f, row[2]);
    getRowFloat(calib, 1, 0, 3, 1, row);
    EXPECT_FLOAT_EQ(6.0f, row[0]);
}

TEST_F(GdemNotify, NormTellsTheDemOnlyWithUpdate)
{
    fixture::NoticeCounter notes;
    RAMIMG *dem = watched("rt_dem", 1, &notes);
    ASSERT_NE(dem, nullptr);
    EXPECT_EQ(PROGRAM_DONE, run({"-dem", "rt_dem", "-op", "NORM"}));
    EXPECT_EQ(0, notes.data);
    EXPECT_EQ(PROGRAM_DONE, run({"-dem", "rt_dem", "-op", "NORM", "-u", "1"}));
    EXPECT_EQ(1, notes.data);
    EXPECT_EQ(0, notes.config);
    EXPECT_EQ(100, dem->head.imgtype);
}

}  // namespace
