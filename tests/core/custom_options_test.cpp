// Custom option types: value syntax, stored layout, printed form and the
// messages of bad values, driven through an option table as commands do.
#include <gtest/gtest.h>  // before Tk: X11 defines None

#include "core/custom_options.h"

#include "core/gmem.h"
#include "core/option_engine.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct ImageOptions {
    int imgid;
    int mapid;
    int pixel;
    int imgtype;
    int func;
    int range;
    int rotation;
    char description[OVEX_OPTION_TEXT_SIZE];
    char file[OVEX_OPTION_TEXT_SIZE];
    PaletteLevels palette;
    BandCombination comb;
};

const Tk_ConfigSpec imageSpecs[] = {
    {TK_CONFIG_CUSTOM, "-imgid", NULL, NULL, NULL, offsetof(ImageOptions, imgid), 0, &imgidOption},
    {TK_CONFIG_CUSTOM, "-mapid", NULL, NULL, NULL, offsetof(ImageOptions, mapid), 0, &mapidOption},
    {TK_CONFIG_CUSTOM, "-pixel", NULL, NULL, NULL, offsetof(ImageOptions, pixel), 0, &pixelOption},
    {TK_CONFIG_CUSTOM, "-imgtype", NULL, NULL, NULL, offsetof(ImageOptions, imgtype), 0,
     &imgtypeOption},
    {TK_CONFIG_CUSTOM, "-func", NULL, NULL, NULL, offsetof(ImageOptions, func), 0, &funcOption},
    {TK_CONFIG_CUSTOM, "-range", NULL, NULL, NULL, offsetof(ImageOptions, range), 0, &rangeOption},
    {TK_CONFIG_CUSTOM, "-rotation", NULL, NULL, NULL, offsetof(ImageOptions, rotation), 0,
     &rotationidOption},
    {TK_CONFIG_CUSTOM, "-description", NULL, NULL, NULL, offsetof(ImageOptions, description), 0,
     &imgdesOption},
    {TK_CONFIG_CUSTOM, "-file", NULL, NULL, NULL, offsetof(ImageOptions, file), 0, &fileOption},
    {TK_CONFIG_CUSTOM, "-palette", NULL, NULL, NULL, offsetof(ImageOptions, palette), 0,
     &paletteOption},
    {TK_CONFIG_CUSTOM, "-comb", NULL, NULL, NULL, offsetof(ImageOptions, comb), 0, &combOption},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL},
};

class CustomOptions : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Tcl_FindExecutable(nullptr); }
    void SetUp() override
    {
        interp = Tcl_CreateInterp();
        memset(&options, 0x55, sizeof(options));
    }
    void TearDown() override { Tcl_DeleteInterp(interp); }

    int set(const char *option, const std::string &value)
    {
        Tcl_ResetResult(interp);
        const char *words[] = {option, value.c_str()};
        return ovexConfigure(interp, NULL, imageSpecs, 2, words, (char *)&options,
                             TK_CONFIG_ARGV_ONLY);
    }
    std::string get(const char *option)
    {
        EXPECT_EQ(ovexConfigureValue(interp, NULL, imageSpecs, (char *)&options, option, 0), TCL_OK);
        return result();
    }
    std::string result() const { return Tcl_GetStringResult(interp); }

    Tcl_Interp *interp = nullptr;
    ImageOptions options;
};

TEST_F(CustomOptions, IdentifierOptionsStoreCodesAndPrintNames)
{
    struct Case {
        const char *option;
        const char *value;
        int ImageOptions::*field;
        int code;
    } cases[] = {
        {"-imgid", "GEOTIFF", &ImageOptions::imgid, 15},
        {"-imgid", "UNKNOWN", &ImageOptions::imgid, 0},
        {"-mapid", "UTM33", &ImageOptions::mapid, 35},
        {"-mapid", "PCS32633", &ImageOptions::mapid, 32633},
        {"-pixel", "FLOAT", &ImageOptions::pixel, 6},
        {"-imgtype", "SLOPE", &ImageOptions::imgtype, 4},
        {"-func", "HISTEQ", &ImageOptions::func, 4},
        {"-range", "MEAN", &ImageOptions::range, 1},
        {"-rotation", "YZX", &ImageOptions::rotation, 4},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(set(c.option, c.value), TCL_OK) << c.value << ": " << result();
        EXPECT_EQ(options.*c.field, c.code) << c.value;
        EXPECT_EQ(get(c.option), c.value);
    }
}

TEST_F(CustomOptions, BadIdentifiersKeepTheField)
{
    struct Case {
        const char *option;
        const char *value;
        const char *message;
    } cases[] = {
        {"-pixel", "UNKNOWN", "Invalid value: UNKNOWN for pixel"},
        {"-mapid", "UNKNOWN", "Invalid value: UNKNOWN for mapid"},
        {"-mapid", "PCS100", "Invalid value: PCS100 for mapid"},
        {"-imgid", "bsq", "Invalid value: bsq for imgid"},
        {"-rotation", "", "Invalid value:  for rotationid"},
    };
    for (const Case &c : cases) {
        options.pixel = options.mapid = options.imgid = options.rotation = 2;
        EXPECT_EQ(set(c.option, c.value), TCL_ERROR) << c.value;
        EXPECT_EQ(result(), c.message);
        EXPECT_EQ(options.pixel + options.mapid + options.imgid + options.rotation, 8) << c.value;
    }
}

TEST_F(CustomOptions, GetIDStrHandsBackACopyForTclFree)
{
    options.mapid = 111;
    Tcl_FreeProc *freeProc = NULL;
    char *name = GetIDStr(mapidOption.clientData, NULL, (char *)&options,
                          offsetof(ImageOptions, mapid), &freeProc);
    EXPECT_STREQ(name, "LATLONG");
    EXPECT_EQ(freeProc, (Tcl_FreeProc *)tclFreeProc);
    freeProc(name);
}

TEST_F(CustomOptions, Palette)
{
    struct Case {
        const char *value;
        PaletteLevels stored;
        const char *printed;
    } cases[] = {
        {"DEFAULT", {-1, 0, 0, 0}, "Default"},
        {"default", {-1, 0, 0, 0}, "Default"},
        {"16", {16, 0, 0, 0}, "16"},
        {"8/8/4", {0, 8, 8, 4}, "8/8/4"},
        {"/256//1/2/", {0, 256, 1, 2}, "256/1/2"},
        {"1", {1, 0, 0, 0}, "1"},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(set("-palette", c.value), TCL_OK) << c.value << ": " << result();
        EXPECT_EQ(options.palette.levels, c.stored.levels) << c.value;
        EXPECT_EQ(options.palette.red, c.stored.red) << c.value;
        EXPECT_EQ(options.palette.green, c.stored.green) << c.value;
        EXPECT_EQ(options.palette.blue, c.stored.blue) << c.value;
        EXPECT_EQ(get("-palette"), c.printed);
    }
}

TEST_F(CustomOptions, BadPalettes)
{
    const char *values[] = {"8/8", "0", "300", "257", "", "/", "8/8/4/2", "x", "8/y/8", "-4", "16x"};
    for (const char *value : values) {
        options.palette = PaletteLevels{5, 6, 7, 8};
        EXPECT_EQ(set("-palette", value), TCL_ERROR) << value;
        EXPECT_EQ(result(), std::string("Invalid value: ") + value + " for palette");
        EXPECT_EQ(options.palette.levels, 5) << value;
        EXPECT_EQ(options.palette.blue, 8) << value;
    }
}

TEST_F(CustomOptions, Comb)
{
    struct Case {
        const char *value;
        BandCombination stored;
        const char *printed;
    } cases[] = {
        {"1/2/3", {3, {1, 2, 3}}, "1/2/3"},
        {"3", {1, {3, 0, 0}}, "3"},
        {"0/2", {2, {0, 2}}, "0/2"},
        {"4/0/0", {3, {4, 0, 0}}, "4/0/0"},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(set("-comb", c.value), TCL_OK) << c.value << ": " << result();
        EXPECT_EQ(options.comb.count, c.stored.count) << c.value;
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(options.comb.band[i], c.stored.band[i]) << c.value << " band " << i;
        }
        EXPECT_EQ(get("-comb"), c.printed);
    }
}

TEST_F(CustomOptions, BadCombs)
{
    const char *values[] = {"0/0", "0", "-1/2", "1/2/3/4", "", "1//2", "/1", "a", "1/b"};
    for (const char *value : values) {
        options.comb = BandCombination{2, {7, 8, 0}};
        EXPECT_EQ(set("-comb", value), TCL_ERROR) << value;
        EXPECT_EQ(result(), std::string("Invalid value: ") + value + " for comb");
        EXPECT_EQ(options.comb.count, 2) << value;
        EXPECT_EQ(options.comb.band[0], 7) << value;
    }
}

TEST_F(CustomOptions, DescriptionUpTo255Characters)
{
    std::string longest(255, 'd');
    ASSERT_EQ(set("-description", longest), TCL_OK);
    EXPECT_EQ(get("-description"), longest);

    std::string tooLong(256, 'e');
    EXPECT_EQ(set("-description", tooLong), TCL_ERROR);
    EXPECT_EQ(result(), "Error in parsing image description: " + tooLong + " for imgdes");
    EXPECT_EQ(std::string(options.description), longest);
}

TEST_F(CustomOptions, FileNamesAreTildeExpandedAndMustFit)
{
    const char *home = getenv("HOME");
    ASSERT_NE(home, nullptr);
    ASSERT_EQ(set("-file", "~/a.img"), TCL_OK) << result();
    std::string expected = std::string(home) + "/a.img";
    EXPECT_EQ(std::string(options.file), expected);
    EXPECT_EQ(get("-file"), expected);

    std::string longest = "/" + std::string(254, 'f');
    ASSERT_EQ(set("-file", longest), TCL_OK);
    EXPECT_EQ(get("-file"), longest);

    struct Case {
        std::string value;
    } bad[] = {{"/" + std::string(255, 'g')}, {"~no_such_user_ovex_test/x"}};
    for (const Case &c : bad) {
        EXPECT_EQ(set("-file", c.value), TCL_ERROR) << c.value;
        EXPECT_EQ(result(), "Error in file name translation: " + c.value + " for file");
        EXPECT_EQ(std::string(options.file), longest);
    }
}

}  // namespace
