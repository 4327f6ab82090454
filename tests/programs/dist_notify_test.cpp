/*
 * dist_notify_test.cpp --
 *
 *	What rimage dist leaves on the image it wrote: the distances in band
 *	1, that band's statistics dropped (the others kept), and one data
 *	notice to its clients.
 */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../ramimage/registry_fixtures.h"
#include "core/console_io.h"
#include "programs/dist_program.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "kit/fixture_kit.h"

namespace {

class DistNotify : public registry_fixtures::RegistryTest {};

TEST_F(DistNotify, WritesBandOneDropsItsStatisticsAndNotifiesData)
{
    imagedefFile("in.img", IMGID_BSQ, PIXEL_BYTE, 2, 3, 2);
    imagedefFile("out.img", IMGID_BSQ, PIXEL_BYTE, 2, 3, 2);
    int err = -1;
    RAMIMG *in = progOpenImage(path("in.img").c_str(), &err);
    RAMIMG *out = progOpenImage(path("out.img").c_str(), &err);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    const unsigned char classes[2][3] = {{0, 0, 0}, {0, 0, 9}};
    putRowByte(in, 0, 0, 3, 1, classes[0]);
    putRowByte(in, 1, 0, 3, 1, classes[1]);
    fixture::NoticeCounter notes;
    notes.watch(out);
    ASSERT_NE(ramImageHist(out, HIST_RECOMPUTE, 1, 1), nullptr);

    std::vector<std::string> words = {"-in", in->tag, "-out", out->tag, "-b", "2", "-c", "9"};
    std::vector<const char *> argv;
    for (const std::string &word : words) {
        argv.push_back(word.c_str());
    }
    EXPECT_EQ(PROGRAM_DONE, rimageDist("rimage dist", (int)argv.size(), argv.data()));

    EXPECT_EQ(1, notes.data);
    EXPECT_EQ(0, notes.config);
    EXPECT_FALSE(out->stats[0].valid);
    EXPECT_TRUE(out->stats[1].valid);
    unsigned char rows[2][3];
    getRowByte(out, 0, 0, 3, 0, rows[0]);
    getRowByte(out, 1, 0, 3, 0, rows[1]);
    const unsigned char expected[2][3] = {{2, 1, 1}, {2, 1, 0}};
    for (int r = 0; r < 2; r++) {
        for (int c = 0; c < 3; c++) {
            EXPECT_EQ(expected[r][c], rows[r][c]) << r << "," << c;
        }
    }
    EXPECT_EQ("", stderrText());
    progReleaseImage(in);
    progReleaseImage(out);
}

} // namespace
