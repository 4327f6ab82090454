/*
 * program_meters_test.cpp --
 *
 *	The progress of the programs that visit every pixel of an image
 *	(statistics, gconv, gdem, gslope, gfftrans): with a meter step set,
 *	each shows its own label at rising thresholds, ends at 1.0 and then
 *	empties the meter.
 */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../ramimage/registry_fixtures.h"
#include "core/package.h"
#include "programs/gconv_program.h"
#include "programs/gdem_program.h"
#include "programs/gfftrans_program.h"
#include "programs/gslope_program.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"

namespace {

class ProgramMeters : public registry_fixtures::RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        ASSERT_EQ(TCL_OK, Tcl_Eval(console,
            "set ::shown {}\n"
            "proc meter.set {w f label} {lappend ::shown [format %.2f $f] $label}\n"
            "proc meter.reset {w} {lappend ::shown reset}\n"));
        savedStep = ovexState.meterStep;
        ovexState.meterStep = 0.25f;
    }

    void TearDown() override
    {
        ovexState.meterStep = savedStep;
        RegistryTest::TearDown();
    }

    /* A memory FLOAT image of 16 rows and 8 columns with varied values. */
    RAMIMG *source(const char *tag)
    {
        ImageHead head = memoryHead(IMGID_MBSQ, PIXEL_FLOAT, 16, 8);
        head.dx = head.dy = 1.0;
        int err = -1;
        RAMIMG *image = openRAMImage(tag, NULL, &head, NULL, &err);
        EXPECT_NE(image, nullptr) << err;
        for (int r = 0; image != NULL && r < 16; r++) {
            float row[8];
            for (int c = 0; c < 8; c++) {
                row[c] = (float)((r * 7 + c * 3) % 11);
            }
            putRowFloat(image, r, 0, 8, 0, row);
        }
        return image;
    }

    int run(RimageProgram *program, const std::vector<std::string> &words)
    {
        std::vector<const char *> argv;
        for (const std::string &word : words) {
            argv.push_back(word.c_str());
        }
        return program("rimage", (int)argv.size(), argv.data());
    }

    /* The meter calls since the last call, which empties them. */
    std::string shown()
    {
        std::string text = Tcl_GetVar(console, "::shown", TCL_GLOBAL_ONLY);
        Tcl_SetVar(console, "::shown", "", TCL_GLOBAL_ONLY);
        return text;
    }

    float savedStep = 0.0f;
};

TEST_F(ProgramMeters, StatisticsShowTheirRows)
{
    RAMIMG *image = source("rt_m");
    ASSERT_NE(image, nullptr);
    ASSERT_NE(ramImageHistMetered(image, HIST_RECOMPUTE, 1, 1, "hist"), nullptr);
    EXPECT_EQ("0.00 hist 0.25 hist 0.50 hist 0.75 hist 1.00 hist 1.00 hist", shown());
    /* Without a label nothing is shown. */
    ASSERT_NE(ramImageHist(image, HIST_RECOMPUTE, 1, 1), nullptr);
    EXPECT_EQ("", shown());
}

TEST_F(ProgramMeters, EachProgramShowsItsLabelEndsAndResets)
{
    ASSERT_NE(source("rt_m"), nullptr);
    ASSERT_NE(source("rt_dem"), nullptr);
    ASSERT_EQ(PROGRAM_DONE, run(rimageGdem, {"-dem", "rt_dem", "-op", "NORM"}));
    shown();
    struct Case {
        RimageProgram *program;
        std::vector<std::string> words;
        const char *expected;
    } cases[] = {
        {rimageGconv, {"-in", "rt_m", "-out", path("c.img"), "-kn", "@2D 3 3 1 1 1 1 1 1 1 1 1"},
         "0.00 gconv 0.25 gconv 0.50 gconv 0.75 gconv 1.00 gconv reset"},
        {rimageGdem, {"-dem", "rt_dem", "-shade", path("s.img")},
         "0.00 gdem 0.25 gdem 0.50 gdem 0.75 gdem 1.00 gdem 1.00 gdem reset"},
        {rimageGslope, {"-in", "rt_dem", "-out", path("sl.img")},
         "0.00 gslope 0.25 gslope 0.50 gslope 0.75 gslope 1.00 gslope 1.00 gslope reset"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(PROGRAM_DONE, run(c.program, c.words)) << c.words[1] << " " << stderrText();
        EXPECT_EQ(c.expected, shown()) << c.words[1];
    }
    /* An FFT runs a pass over the rows and one over the columns. */
    EXPECT_EQ(PROGRAM_DONE, run(rimageGfftrans, {"-in", "rt_m", "-out", path("f.fft")}))
        << stderrText();
    std::string fft = shown();
    EXPECT_EQ(0u, fft.find("0.00 gfftrans")) << fft;
    EXPECT_NE(std::string::npos, fft.find("1.00 gfftrans reset")) << fft;
}

} // namespace
