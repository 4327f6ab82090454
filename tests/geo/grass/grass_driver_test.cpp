// The exported R_ functions on a small memory image shown by a virtual
// display: lines, boxes, dots, polygons, rasters, colours, the location
// procedures, and calls that must change nothing (driver closed, empty
// arrays, pixels and colour entries out of range).
#include <gtest/gtest.h>
#include <tcl.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/inits.h"
#include "geo/grass/grass_driver.h"
#include "geo/grass/stroke_fonts.h"
#include "ramimage/ramimg.h"

namespace {

struct Driver : ::testing::Test {
    Tcl_Interp *interp = Tcl_CreateInterp();
    RAMIMG *image = nullptr;

    void SetUp() override
    {
        ASSERT_EQ(Rimg_Init(interp), TCL_OK);
        ASSERT_EQ(Grass_Init(interp), TCL_OK);
        eval("rimage open gv MBSQ -rows 16 -columns 16 -nbands 1");
        eval("set virtural_display .vd; set _comb(.vd,class) vdisp; set _comb(.vd,rimage) gv");
        image = getRAMImageByTag("gv");
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(vdispOpenDriver(interp), 1);
    }
    ~Driver() override
    {
        R_close_driver();
        Tcl_Eval(interp, "catch {while 1 {rimage close gv}}");
        Tcl_DeleteInterp(interp);
    }
    void eval(const char *script)
    {
        ASSERT_EQ(Tcl_Eval(interp, script), TCL_OK) << Tcl_GetStringResult(interp);
    }
    int pixel(int x, int y) { return getRAMImageLine(image, y, 0, 1)[x]; }
    // Every pixel as one text row per image row: '.' for 0, else the value
    // as a digit or letter.
    std::vector<std::string> picture()
    {
        std::vector<std::string> rows;
        for (int y = 0; y < image->head.rows; y++) {
            std::string row;
            for (int x = 0; x < image->head.columns; x++) {
                int v = pixel(x, y);
                row += v == 0 ? '.' : v < 10 ? char('0' + v) : char('a' + (v - 10) % 26);
            }
            rows.push_back(row);
        }
        return rows;
    }
    int painted()
    {
        int n = 0;
        for (const std::string &row : picture()) {
            for (char c : row) n += c != '.';
        }
        return n;
    }
};

TEST_F(Driver, DefaultsOfAnEmptyWidget)
{
    EXPECT_EQ(R_curx(), 0);
    EXPECT_EQ(R_cury(), 0);
    EXPECT_EQ(R_color(7), 255);
    EXPECT_EQ(R_color_offset(3), 0);
    EXPECT_EQ(R_get_num_colors(), 256);
    EXPECT_EQ(R_screen_top(), 0);
    EXPECT_EQ(R_screen_left(), 0);
    EXPECT_EQ(R_screen_bot(), 15);
    EXPECT_EQ(R_screen_rite(), 15);
    EXPECT_EQ(R_color_table_fixed(), 0);
    EXPECT_EQ(R_color_table_float(), -1);
    EXPECT_EQ(grassDriver.clipRight, 16);
    EXPECT_EQ(grassDriver.clipBottom, 16);
    EXPECT_DOUBLE_EQ(grassDriver.textWidthScale, 0.75);
    EXPECT_EQ(grassDriver.rgb[200][1], 200);
}

TEST_F(Driver, BoxOutlineLeavesThePenAtTheSecondCorner)
{
    R_color(4);
    R_box_abs(0, 0, 9, 9);
    std::vector<std::string> rows = picture();
    EXPECT_EQ(rows[0], "4444444444......");
    for (int y = 1; y < 9; y++) EXPECT_EQ(rows[y], "4........4......") << y;
    EXPECT_EQ(rows[9], "4444444444......");
    EXPECT_EQ(R_curx(), 9);
    EXPECT_EQ(R_cury(), 9);
}

TEST_F(Driver, RelativePolylineStartsAtPenPlusTheFirstStep)
{
    R_color(3);
    R_move_abs(10, 10);
    int dx[] = {0, 5}, dy[] = {0, 2};
    R_polyline_rel(dx, dy, 2);
    EXPECT_EQ(pixel(10, 10), 3);
    EXPECT_EQ(pixel(15, 12), 3);
    EXPECT_EQ(painted(), 6);
    EXPECT_EQ(R_curx(), 15);
    EXPECT_EQ(R_cury(), 12);
}

TEST_F(Driver, RasterWritesNonZeroValuesAndOnesForZerosOnRequest)
{
    for (int x = 0; x < 3; x++) {
        getRAMImageLine(image, 0, 0, 1)[x] = 9;
        getRAMImageLine(image, 1, 0, 1)[x] = 9;
    }
    int values[] = {5, 0, 7};
    R_raster(3, 2, 0, values);
    EXPECT_EQ(picture()[0].substr(0, 3), "597");
    EXPECT_EQ(picture()[1].substr(0, 3), "597");
    EXPECT_EQ(picture()[2].substr(0, 3), "...");
    R_raster(3, 1, 1, values);
    EXPECT_EQ(picture()[0].substr(0, 3), "517");
    EXPECT_EQ(R_curx(), 0);
    EXPECT_EQ(R_cury(), 0);
}

TEST_F(Driver, RasterAndDotsOutsideTheImageAreClipped)
{
    int values[] = {1, 2, 3, 4};
    R_move_abs(-2, 15);
    R_raster(4, 3, 0, values);
    EXPECT_EQ(picture()[15].substr(0, 3), "34.");
    R_move_abs(14, -1);
    R_raster(4, 2, 0, values);
    EXPECT_EQ(picture()[0].substr(13), ".12");
    EXPECT_EQ(painted(), 4);
    int xs[] = {-1, 16, 3, 2000000000}, ys[] = {0, 0, 16, 5};
    R_polydots_abs(xs, ys, 4);
    EXPECT_EQ(painted(), 4);
    EXPECT_EQ(R_curx(), 2000000000);
}

TEST_F(Driver, LinesFarBeyondTheImageAreCutToIt)
{
    R_color(1);
    R_move_abs(-2000000000, 3);
    R_cont_abs(2000000000, 3);
    EXPECT_EQ(picture()[3], "1111111111111111");
    EXPECT_EQ(painted(), 16);
    R_move_abs(5, -2147483647);
    R_cont_abs(5, 2147483647);
    EXPECT_EQ(painted(), 31);
    // A long line that misses the image draws nothing.
    R_move_abs(-100000, -5);
    R_cont_abs(100000, -5);
    EXPECT_EQ(painted(), 31);
    EXPECT_EQ(R_curx(), 100000);
}

TEST_F(Driver, RgbRasterSumsTheTableAndWrapsAt256)
{
    unsigned char table[256];
    for (int i = 0; i < 256; i++) table[i] = (unsigned char)i;
    R_set_RGB_color(table, table, table);
    unsigned char r[] = {100, 0}, g[] = {100, 0}, b[] = {60, 0};
    R_move_abs(1, 1);
    R_RGB_raster(2, 1, r, g, b, 1);
    EXPECT_EQ(pixel(1, 1), (100 + 100 + 60) % 256);
    EXPECT_EQ(pixel(2, 1), 1);
    R_RGB_color(1, 2, 3);
    EXPECT_EQ(R_color(0), 6);
}

TEST_F(Driver, DotsAndFilledPolygonsInTheColoursLowByte)
{
    R_color(0x105);
    int xs[] = {1, 3}, ys[] = {2, 4};
    R_polydots_abs(xs, ys, 2);
    EXPECT_EQ(pixel(1, 2), 5);
    EXPECT_EQ(pixel(3, 4), 5);
    EXPECT_EQ(painted(), 2);
    int dx[] = {1, 1}, dy[] = {1, 1};
    R_move_abs(5, 5);
    R_polydots_rel(dx, dy, 2);
    EXPECT_EQ(pixel(6, 6), 5);
    EXPECT_EQ(pixel(7, 7), 5);
    R_color(2);
    int px[] = {8, 14, 14, 8}, py[] = {0, 0, 4, 4};
    R_polygon_abs(px, py, 4);
    EXPECT_EQ(pixel(10, 2), 2);
    EXPECT_EQ(R_curx(), 8);
    EXPECT_EQ(R_cury(), 4);
}

TEST_F(Driver, ColourTableEntriesAndTheColourCount)
{
    eval("set _comb(.vd,RGB) {{1 2 3} {4 5} {7 8 9}}");
    ASSERT_EQ(vdispOpenDriver(interp), 1);
    EXPECT_EQ(R_get_num_colors(), 3);
    EXPECT_EQ(grassDriver.rgb[1][2], 0);
    EXPECT_EQ(grassDriver.rgb[2][0], 7);
    EXPECT_EQ(grassDriver.rgb[3][0], 3);
    EXPECT_EQ(R_reset_color(1, 2, 3, 5), 1);
    EXPECT_EQ(image->head.palette[5][0], 1);
    EXPECT_EQ(image->head.palette[5][2], 3);
    EXPECT_EQ(R_get_num_colors(), 5);
    R_reset_color(9, 9, 9, 10);
    EXPECT_EQ(R_get_num_colors(), 10);
    // Entries outside the table change nothing.
    unsigned char before[256][3];
    memcpy(before, image->head.palette, sizeof before);
    R_reset_color(1, 1, 1, 256);
    R_reset_color(1, 1, 1, -1);
    EXPECT_EQ(memcmp(before, image->head.palette, sizeof before), 0);
    EXPECT_EQ(R_get_num_colors(), 10);
    unsigned char red[] = {11, 12}, green[] = {21, 22}, blue[] = {31, 32};
    R_reset_colors(254, 255, red, green, blue);
    EXPECT_EQ(image->head.palette[255][1], 22);
    R_reset_colors(3, 2, red, green, blue);
    EXPECT_EQ(R_get_num_colors(), 255);
}

TEST_F(Driver, MoreThan256ColoursKeepTheFirst256)
{
    std::string list;
    for (int i = 0; i < 300; i++) list += "{" + std::to_string(i % 256) + " 0 0} ";
    Tcl_SetVar2(interp, "_comb", ".vd,RGB", list.c_str(), TCL_GLOBAL_ONLY);
    ASSERT_EQ(vdispOpenDriver(interp), 1);
    EXPECT_EQ(R_get_num_colors(), 256);
    EXPECT_EQ(grassDriver.rgb[255][0], 255);
}

TEST_F(Driver, ClosedDriverChangesNothing)
{
    R_move_abs(3, 3);
    unsigned char before[256][3];
    memcpy(before, image->head.palette, sizeof before);
    EXPECT_EQ(R_close_driver(), 1);
    EXPECT_EQ(R_close_driver(), 0);
    int xs[] = {1, 2}, ys[] = {1, 2}, values[] = {5};
    R_cont_abs(10, 10);
    R_box_abs(0, 0, 5, 5);
    R_polydots_abs(xs, ys, 2);
    R_polygon_abs(xs, ys, 2);
    R_polyline_abs(xs, ys, 2);
    R_raster(1, 1, 1, values);
    R_move_abs(7, 7);
    R_reset_color(1, 1, 1, 4);
    R_text("abc");
    EXPECT_EQ(painted(), 0);
    EXPECT_EQ(R_curx(), 3);
    EXPECT_EQ(memcmp(before, image->head.palette, sizeof before), 0);
    EXPECT_EQ(R_stabilize(), 0);
}

TEST_F(Driver, EmptyArraysDrawNothingAndKeepThePen)
{
    R_move_abs(4, 4);
    R_polydots_abs(nullptr, nullptr, 0);
    R_polygon_rel(nullptr, nullptr, 0);
    R_polyline_abs(nullptr, nullptr, -1);
    R_raster(0, 3, 1, nullptr);
    EXPECT_EQ(painted(), 0);
    EXPECT_EQ(R_curx(), 4);
}

TEST_F(Driver, ImageClosedBehindTheDriverIsNotTouched)
{
    eval("rimage close gv");
    EXPECT_EQ(getRAMImageByTag("gv"), nullptr);
    R_cont_abs(5, 5);
    R_erase();
    EXPECT_EQ(R_screen_bot(), 0);
    eval("set _comb(.vd,rimage) nothing");
    EXPECT_EQ(vdispOpenDriver(interp), 0);
    image = nullptr;
}

TEST_F(Driver, LocationProceduresGetTheirWords)
{
    eval("proc vdisp.get.point args {set ::words $args; return {3 11 12}}");
    eval("proc vdisp.get.line args {set ::words $args; return {2 0 0 7 8}}");
    eval("proc vdisp.get.box args {set ::words $args; error nope}");
    int x = 5, y = 6, button = 1;
    EXPECT_EQ(R_get_location_with_pointer(&x, &y, &button), 3);
    EXPECT_STREQ(Tcl_GetVar(interp, "words", 0), ".vd 1 5 6");
    EXPECT_EQ(button, 3);
    EXPECT_EQ(x, 11);
    EXPECT_EQ(y, 12);
    EXPECT_EQ(R_get_location_with_line(1, 2, &x, &y, &button), 5);
    EXPECT_STREQ(Tcl_GetVar(interp, "words", 0), ".vd 1 1 2 11 12");
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
    EXPECT_EQ(button, 2);
    EXPECT_EQ(R_get_location_with_box(1, 2, &x, &y, &button), TCL_ERROR);
    EXPECT_STREQ(Tcl_GetVar(interp, "words", 0), ".vd 1 1 2 7 8");
    EXPECT_EQ(x, 7);
}

TEST_F(Driver, TextWithoutACurrentFontDrawsNothing)
{
    strokeFontsFree();
    ASSERT_NE(glyphStoreCreate(), nullptr);
    R_move_abs(2, 3);
    R_text("abc");
    int top = -1, bottom = -1, left = -1, right = -1;
    R_get_text_box("abc", &top, &bottom, &left, &right);
    EXPECT_EQ(painted(), 0);
    EXPECT_EQ(R_curx(), 2);
    EXPECT_EQ(R_cury(), 3);
    EXPECT_EQ(top, 3);
    EXPECT_EQ(bottom, 3);
    EXPECT_EQ(left, 2);
    EXPECT_EQ(right, 2);
}

TEST_F(Driver, TextBoxOfTwoLines)
{
    strokeFontsFree();
    GlyphStore *store = glyphStoreCreate();
    ASSERT_NE(store, nullptr);
    // Glyph 1: 11 wide, no points (height 20); glyph 2: 9 wide, 9 high.
    ASSERT_TRUE(fontAddGlyph(store, 1, 2, "MW"));
    ASSERT_TRUE(fontAddGlyph(store, 2, 12, "NVRNRV RNRVR"));
    StrokeFont *font = (StrokeFont *)calloc(1, sizeof(StrokeFont));
    font->glyphs = (int32_t *)malloc(2 * sizeof(int32_t));
    font->glyphs[0] = 1;
    font->glyphs[1] = 2;
    font->count = 2;
    strcpy(font->name, "t");
    fontAppend(font);
    ASSERT_EQ(R_font("t"), 1);
    EXPECT_EQ(store->fontHeight, 9);
    R_text_size(18, 9);
    R_move_abs(1, 2);
    int top, bottom, left, right;
    R_get_text_box("!!\n !", &top, &bottom, &left, &right);
    // Widest line 20 (11 + 9) x 2; heights 9 and 20; scales 2 and 1.
    EXPECT_EQ(top, 2 + 29);
    EXPECT_EQ(bottom, 2);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(right, 1 + 40);
    strokeFontsFree();
}

TEST_F(Driver, FontNamesAsFarAsTheyFit)
{
    strokeFontsFree();
    StrokeFont *a = (StrokeFont *)calloc(1, sizeof(StrokeFont));
    StrokeFont *bb = (StrokeFont *)calloc(1, sizeof(StrokeFont));
    strcpy(a->name, "a");
    strcpy(bb->name, "bb");
    fontAppend(a);
    fontAppend(bb);
    char buffer[16];
    EXPECT_STREQ(grassFont(buffer, 4), "a,");
    EXPECT_STREQ(grassFont(buffer, 5), "a,");
    EXPECT_STREQ(grassFont(buffer, 6), "a,bb");
    EXPECT_STREQ(grassFont(buffer, 2), "a");
    EXPECT_STREQ(grassFont(buffer, 1), "");
    strokeFontsFree();
}

}  // namespace
