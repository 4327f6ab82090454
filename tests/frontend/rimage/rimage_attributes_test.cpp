/*
 * rimage_attributes_test.cpp --
 *
 *	The attribute rules of rimage heads: band and palette checks, the
 *	constraints of each format, the least row length, and the palette
 *	that a head with colours keeps. Also the parsing of data ranges.
 */
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/option_engine.h"
#include "ramimage/kit/data_range.h"
#include "ramimage/ramimg.h"
#include "frontend/rimage/rimage_command.h"

namespace {

class RimageAttributes : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Tcl_FindExecutable(nullptr); }

    void SetUp() override
    {
        interp = Tcl_CreateInterp();
        initImageHead(&head);
        head.transparent = -1;
        head.dataFd = -1;
        memset(head.palette, 0, sizeof head.palette);
        ASSERT_EQ(TCL_OK, ovexConfigure(interp, NULL, rimageAttributeSpecs, 0, NULL,
                                        (char *)&head, 0));
    }

    void TearDown() override { Tcl_DeleteInterp(interp); }

    int apply(std::vector<const char *> words)
    {
        return rimageParseAttributes(&head, interp, (int)words.size(), words.data());
    }

    std::string result() { return Tcl_GetStringResult(interp); }

    Tcl_Interp *interp = nullptr;
    ImageHead head;
};

TEST_F(RimageAttributes, DefaultsOfTheTable)
{
    EXPECT_STREQ("rimage.lan", head.file);
    EXPECT_EQ(IMGID_E74, head.imgid);
    EXPECT_EQ(PIXEL_BYTE, head.pixel);
    EXPECT_EQ(1, head.nbands);
    EXPECT_EQ(512, head.rows);
    EXPECT_EQ(512, head.columns);
    EXPECT_EQ(128, head.offset);
    EXPECT_EQ(512, head.block);
    EXPECT_EQ(0, head.nindices);
    EXPECT_DOUBLE_EQ(1.0, head.dx);
    EXPECT_DOUBLE_EQ(1.0, head.zscale);
}

/* Each refused combination: its exact message, and the head unchanged. */
TEST_F(RimageAttributes, RefusalsLeaveTheHeadAlone)
{
    struct Case {
        std::vector<const char *> words;
        const char *message;
    };
    const Case cases[] = {
        {{"-nbands", "0"}, "Invalid band number:0"},
        {{"-nbands", "-3"}, "Invalid band number:-3"},
        {{"-pixel", "FLOAT", "-nindices", "4"}, "Invalid index number."},
        {{"-pixel", "1BIT", "-nindices", "3"}, "Invalid index number."},
        {{"-pixel", "4BITS", "-nindices", "17"}, "Invalid index number."},
        {{"-nindices", "257"}, "Invalid index number."},
        {{"-nindices", "-1"}, "Invalid index number."},
        {{"-imgid", "DIB", "-nbands", "2"}, "Illegal bands for a DIB image."},
        {{"-imgid", "DIB", "-pixel", "FLOAT"}, "Illegal pixel for a DIB image."},
        {{"-imgid", "DIB", "-nbands", "3", "-pixel", "SHORT"},
         "Illegal pixel for a 24-BIT DIB image."},
        {{"-imgid", "JPEG", "-nbands", "2"}, "Illegal bands for a JPEG image."},
        {{"-imgid", "PPM", "-nbands", "4"}, "Illegal bands for a PPM image."},
        {{"-imgid", "BIP", "-pixel", "FLOAT", "-nbands", "2", "-columns", "2147483647"},
         "Image row too long."},
        {{"-rows", "many"}, "expected integer but got \"many\""},
        {{"-imgid", "NOPE"}, nullptr},
    };
    for (const Case &c : cases) {
        ImageHead before = head;
        EXPECT_EQ(1, apply(c.words)) << c.words[0] << " " << c.words[1];
        if (c.message != nullptr) {
            EXPECT_EQ(c.message, result());
        }
        EXPECT_EQ(0, memcmp(&before, &head, sizeof head)) << c.words[0] << " " << c.words[1];
    }
}

/* Accepted combinations: what the rules make of bands, type, palette and
 * row length. */
TEST_F(RimageAttributes, FormatRules)
{
    struct Case {
        std::vector<const char *> words;
        int imgid, nbands, pixel, nindices, block, offset;
    };
    const Case cases[] = {
        {{"-imgid", "FFT"}, IMGID_BIP, 2, PIXEL_FLOAT, 0, 4096, 128},
        {{"-imgid", "BSQ", "-pixel", "1BIT"}, IMGID_BSQ, 1, PIXEL_1BIT, 2, 512, 128},
        {{"-imgid", "MBIL", "-pixel", "1BIT"}, IMGID_MBIL, 1, PIXEL_1BIT, 2, 512, 128},
        {{"-imgid", "TIFF", "-pixel", "4BITS"}, IMGID_TIFF, 1, PIXEL_4BITS, 16, 512, 128},
        {{"-imgid", "GEOTIFF", "-pixel", "SHORT"}, IMGID_GEOTIFF, 1, PIXEL_SHORT, 0, 1024, 128},
        {{"-imgid", "TIFF", "-nbands", "3", "-columns", "1000"}, IMGID_TIFF, 3, PIXEL_BYTE, 0,
         3000, 128},
        {{"-imgid", "GEOTIFF", "-nbands", "3", "-columns", "1000"}, IMGID_GEOTIFF, 3, PIXEL_BYTE,
         0, 1000, 128},
        {{"-imgid", "DIB", "-pixel", "4BITS", "-columns", "2001"}, IMGID_DIB, 1, PIXEL_4BITS, 16,
         1004, 128},
        {{"-imgid", "DIB", "-nbands", "3"}, IMGID_DIB, 3, PIXEL_BYTE, 0, 1536, 128},
        {{"-imgid", "JPEG", "-nbands", "3", "-pixel", "SHORT"}, IMGID_JPEG, 3, PIXEL_BYTE, 0, 512,
         0},
        {{"-imgid", "PPM", "-nbands", "3"}, IMGID_PPM, 3, PIXEL_BYTE, 0, 1536, 0},
        {{"-imgid", "BIP", "-nbands", "3", "-nindices", "7"}, IMGID_BIP, 3, PIXEL_BYTE, 0, 1536,
         128},
        {{"-pixel", "SHORT", "-columns", "1000"}, IMGID_E74, 1, PIXEL_SHORT, 0, 2000, 128},
        {{"-block", "1", "-columns", "3"}, IMGID_E74, 1, PIXEL_BYTE, 0, 3, 128},
        {{"-imgid", "MRGB24", "-columns", "5"}, IMGID_MRGB24, 3, PIXEL_BYTE, 0, 512, 128},
        {{"-imgid", "MRGB32", "-columns", "200", "-nbands", "2"}, IMGID_MRGB32, 4, PIXEL_BYTE, 0,
         800, 128},
        {{"-imgid", "MRGB1", "-pixel", "SHORT"}, IMGID_MRGB1, 1, PIXEL_1BIT, 2, 512, 128},
    };
    for (const Case &c : cases) {
        SetUp();
        ASSERT_EQ(0, apply(c.words)) << c.words[1] << ": " << result();
        EXPECT_EQ(c.imgid, head.imgid) << c.words[1];
        EXPECT_EQ(c.nbands, head.nbands) << c.words[1];
        EXPECT_EQ(c.pixel, head.pixel) << c.words[1];
        EXPECT_EQ(bitsPerPixel(c.pixel), head.bits) << c.words[1];
        EXPECT_EQ(c.nindices, head.nindices) << c.words[1];
        EXPECT_EQ(c.block, head.block) << c.words[1];
        EXPECT_EQ(c.offset, head.offset) << c.words[1];
        TearDown();
    }
    SetUp();
}

TEST_F(RimageAttributes, NewPaletteIsAGreyRamp)
{
    ASSERT_EQ(0, apply({"-nindices", "3"}));
    EXPECT_EQ(3, head.nindices);
    EXPECT_EQ(0, head.palette[0][0]);
    EXPECT_EQ(128, head.palette[1][1]);
    EXPECT_EQ(255, head.palette[2][2]);
    EXPECT_EQ(0, head.palette[3][0]);
}

TEST_F(RimageAttributes, OneEntryRampIsBlack)
{
    head.palette[0][0] = 99;
    ASSERT_EQ(0, apply({"-nindices", "1"}));
    EXPECT_EQ(0, head.palette[0][0]);
}

TEST_F(RimageAttributes, ColoursStayWhateverTheOptionsAsk)
{
    head.nindices = 4;
    head.palette[2][0] = 10;
    head.palette[2][1] = 20;
    head.palette[2][2] = 30;
    ASSERT_EQ(0, apply({"-nindices", "16", "-pixel", "4BITS"}));
    EXPECT_EQ(4, head.nindices);
    EXPECT_EQ(10, head.palette[2][0]);
    EXPECT_EQ(30, head.palette[2][2]);
    ASSERT_EQ(0, apply({"-nbands", "3"}));
    EXPECT_EQ(4, head.nindices);
}

TEST_F(RimageAttributes, ListingLeavesTheHeadAlone)
{
    ImageHead before = head;
    ASSERT_EQ(0, apply({}));
    EXPECT_NE(std::string::npos, result().find("{-file {} {} rimage.lan rimage.lan}"));
    EXPECT_NE(std::string::npos, result().find("{-nindices {} {} 0 0}"));
    ASSERT_EQ(0, apply({"-rows"}));
    EXPECT_EQ("-rows {} {} 512 512", result());
    EXPECT_EQ(1, apply({"-nope"}));
    EXPECT_EQ(0, memcmp(&before, &head, sizeof head));
}

TEST(RimageSystemImgid, MemoryLayoutsOnly)
{
    EXPECT_EQ(0, isSystemImgid(IMGID_BIPD));
    EXPECT_EQ(1, isSystemImgid(IMGID_MBSQ));
    EXPECT_EQ(1, isSystemImgid(IMGID_MRGB1));
    EXPECT_EQ(0, isSystemImgid(31));
    EXPECT_EQ(0, isSystemImgid(-1));
}

TEST(DataRange, Forms)
{
    struct Case {
        const char *text;
        int ok;
        DataRange range;
    };
    /* Over 10 columns, 6 rows and 3 bands. */
    const Case cases[] = {
        {"@2:5,1:3,0:2", 1, {2, 5, 1, 3, 0, 2}},
        {"@9:0,*,*", 1, {9, 0, 0, 5, 0, 2}},
        {"@0:99,*,0", 0, {}},
        {"@4,:,", 1, {4, 4, 0, 5, 0, 2}},
        {"@", 1, {0, 9, 0, 5, 0, 2}},
        {"@,,1", 1, {0, 9, 0, 5, 1, 1}},
        {"@3", 1, {3, 3, 0, 5, 0, 2}},
        {"@1:2,3:4", 1, {1, 2, 3, 4, 0, 2}},
        {"@-1,*,*", 0, {}},
        {"@10,*,*", 0, {}},
        {"@*,6,*", 0, {}},
        {"@*,*,3", 0, {}},
        {"@1:,*,*", 0, {}},
        {"@1:2:3,*,*", 0, {}},
        {"@1x,*,*", 0, {}},
        {"@ 1,*,*", 0, {}},
        {"@*,*,*,*", 0, {}},
        {"@*,*,*,", 0, {}},
        {"1:2,*,*", 0, {}},
        {"@99999999999,*,*", 0, {}},
    };
    for (const Case &c : cases) {
        DataRange range = {-7, -7, -7, -7, -7, -7};
        ASSERT_EQ(c.ok, parseDataRange(c.text, 10, 6, 3, &range)) << c.text;
        if (c.ok) {
            EXPECT_EQ(c.range.c0, range.c0) << c.text;
            EXPECT_EQ(c.range.c1, range.c1) << c.text;
            EXPECT_EQ(c.range.r0, range.r0) << c.text;
            EXPECT_EQ(c.range.r1, range.r1) << c.text;
            EXPECT_EQ(c.range.b0, range.b0) << c.text;
            EXPECT_EQ(c.range.b1, range.b1) << c.text;
        }
    }
}

TEST(DataRange, LongPartIsRefused)
{
    std::string text = "@" + std::string(250, '0') + "1:" + std::string(10, '0') + "2,*,*";
    DataRange range;
    EXPECT_EQ(0, parseDataRange(text.c_str(), 10, 6, 3, &range));
    EXPECT_EQ(0, parseDataRange(NULL, 10, 6, 3, &range));
    EXPECT_EQ(0, parseDataRange("@*,*,*", 0, 6, 3, &range));
}

}  // namespace
