/*
 * symbol_points_test.cpp --
 *
 *	Symbol items made from point sets (needs a display: run under Xvfb
 *	through the WithDisplay filter): an empty set gives an item that
 *	draws, picks and prints nothing, and a source outline lends the
 *	symbols its width and colours.
 */
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include <tcl.h>
#include <tk.h>

#include "canvas/gcanvas.h"
#include "canvas/gcanvas_outline.h"
#include "core/inits.h"

namespace {

class SymbolPointsWithDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (getenv("DISPLAY") == NULL) {
            GTEST_SKIP() << "no display";
        }
        Tcl_FindExecutable(nullptr);
        interp = Tcl_CreateInterp();
        ASSERT_EQ(Tcl_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
        ASSERT_EQ(Tk_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
        ASSERT_EQ(Gcanvas_Init(interp), TCL_OK);
        eval("gcanvas .c -width 200 -height 150 -bg white -highlightthickness 0 -bd 0; pack .c; update");
        Tcl_CmdInfo info;
        ASSERT_TRUE(Tcl_GetCommandInfo(interp, ".c", &info));
        canvas = (GcanvasWidget *)info.objClientData;
    }
    void TearDown() override
    {
        if (interp != NULL) {
            Tcl_Eval(interp, "destroy .c; update");
            Tcl_DeleteInterp(interp);
        }
    }
    void eval(const char *script)
    {
        ASSERT_EQ(Tcl_Eval(interp, script), TCL_OK) << script << ": " << Tcl_GetStringResult(interp);
    }
    std::string result(const std::string &script)
    {
        EXPECT_EQ(Tcl_Eval(interp, script.c_str()), TCL_OK) << script << ": " << Tcl_GetStringResult(interp);
        return Tcl_GetStringResult(interp);
    }
    GcanvasItem *fromPoints(PointSetDesc *desc)
    {
        GcanvasItem *item = gcanvasCreateItemFromPoints(canvas, interp, &gcanvasSymbolType, desc, "pts");
        EXPECT_NE(item, nullptr) << Tcl_GetStringResult(interp);
        return item;
    }

    Tcl_Interp *interp = nullptr;
    GcanvasWidget *canvas = nullptr;
};

TEST_F(SymbolPointsWithDisplay, AnEmptyPointSetDrawsPicksAndPrintsNothing)
{
    PointSetDesc desc = {0, NULL, NULL, NULL, NULL, NULL, NULL};
    GcanvasItem *item = fromPoints(&desc);
    ASSERT_NE(item, nullptr);
    eval(".c itemconfigure pts -text label -symboltype handle -anchor n; update");
    std::string id = std::to_string(item->id);
    EXPECT_EQ(result(".c coords " + id), "");
    EXPECT_EQ(result(".c bbox " + id), "");
    EXPECT_EQ(result(".c find overlapping 0 0 200 150"), "");
    std::string rect = result(".c create rectangle 150 100 160 110");
    EXPECT_EQ(result(".c find closest 10 10"), rect);
    std::string ps = result(".c postscript");
    EXPECT_EQ(ps.find("DrawText\n"), std::string::npos);
    /* Points given later make it an ordinary symbol item. */
    eval(".c coords pts 50 50");
    EXPECT_EQ(result(".c find overlapping 49 49 51 51"), id);
    EXPECT_EQ(result(".c find closest 52 52"), id);
}

TEST_F(SymbolPointsWithDisplay, ASourceOutlineLendsWidthColoursAndFill)
{
    double points[] = {20, 30, 40, 50, 60, 70};
    ItemOutline outline;
    outlineInit(&outline);
    outline.width = 3.0;
    Tk_Window tkwin = Tk_NameToWindow(interp, ".c", Tk_MainWindow(interp));
    outline.color = Tk_GetColor(interp, tkwin, "blue");
    outline.activeColor = Tk_GetColor(interp, tkwin, "green");
    XColor *fill = Tk_GetColor(interp, tkwin, "yellow");
    PointSetDesc desc = {3, points, NULL, &outline, fill, NULL, NULL};
    GcanvasItem *item = fromPoints(&desc);
    ASSERT_NE(item, nullptr);
    std::string id = std::to_string(item->id);
    EXPECT_EQ(result(".c coords " + id), "20.0 30.0 40.0 50.0 60.0 70.0");
    EXPECT_EQ(result(".c itemcget " + id + " -width"), "3.0");
    EXPECT_EQ(result(".c itemcget " + id + " -outline"), "blue");
    EXPECT_EQ(result(".c itemcget " + id + " -activeoutline"), "green");
    EXPECT_EQ(result(".c itemcget " + id + " -symbolcolor"), "yellow");
    Tk_FreeColor(outline.color);
    Tk_FreeColor(outline.activeColor);
    Tk_FreeColor(fill);
}

}  // namespace
