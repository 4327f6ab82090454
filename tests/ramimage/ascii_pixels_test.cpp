/*
 * ascii_pixels_test.cpp --
 *
 *	Pixel values given as text: tokens, the rectangle form in its three
 *	orders, the box form in its six, missing values, palette limits,
 *	windows reaching past the image, and the header's error messages.
 */
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include <tcl.h>

#include "core/package.h"
#include "ramimage/ascii_pixels.h"
#include "ramimage/pixel_access.h"
#include "ram_fixtures.h"

namespace {

using ram_fixtures::ServedImage;

/*
 * The console is an interpreter whose puts records what reaches standard
 * error, so that each case can expect its one message.
 */
class AsciiPixelsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Tcl_FindExecutable(NULL);
        savedState = ovexState;
        interp = Tcl_CreateInterp();
        ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "set ::stderr {}; rename puts tclPuts;"
                                           "proc puts {args} {"
                                           "  if {[lindex $args end-1] eq {stderr}} {"
                                           "    append ::stderr [lindex $args end]"
                                           "  }"
                                           "}"));
        previousConsole = setConsoleInterp(interp);
        ovexState.tkConsole = 0;
        ovexState.suppressOutput = 0;
        ovexState.eventPass = 0;
    }

    void TearDown() override
    {
        setConsoleInterp(previousConsole);
        Tcl_DeleteInterp(interp);
        Tcl_Interp *console = ovexState.consoleInterp;
        ovexState = savedState;
        ovexState.consoleInterp = console;
    }

    std::string takeStderr()
    {
        std::string text = Tcl_GetVar(interp, "::stderr", TCL_GLOBAL_ONLY);
        Tcl_SetVar(interp, "::stderr", "", TCL_GLOBAL_ONLY);
        return text;
    }

    /* Band b (0-based) of image as rows of floats. */
    static std::vector<std::vector<float>> bandOf(ServedImage &image, int band)
    {
        std::vector<std::vector<float>> rows;
        for (int r = 0; r < image.image.head.rows; r++) {
            std::vector<float> row((size_t)image.image.head.columns);
            getRowFloat(&image.image, r, 0, image.image.head.columns, band, row.data());
            rows.push_back(row);
        }
        return rows;
    }

    typedef std::vector<std::vector<float>> Grid;

    PackageState savedState;
    Tcl_Interp *interp = nullptr;
    Tcl_Interp *previousConsole = nullptr;
};

TEST_F(AsciiPixelsTest, Tokens)
{
    const char *text = "  12\n\n-3.5e1 \tx\r  ";
    const char *pos = text;
    EXPECT_EQ(2, asciiNextToken(&pos));
    EXPECT_EQ(pos, text + 2);
    int i = 0;
    EXPECT_EQ(2, asciiNextInt(&pos, &i));
    EXPECT_EQ(12, i);
    float f = 0;
    EXPECT_EQ(6, asciiNextFloat(&pos, &f));
    EXPECT_FLOAT_EQ(-35.0f, f);
    /* Tabs and carriage returns belong to tokens; a token of a tab alone
     * does not reach into the next one. */
    EXPECT_EQ(3, asciiNextFloat(&pos, &f));
    EXPECT_EQ(0.0f, f);
    f = 9;
    EXPECT_EQ(0, asciiNextFloat(&pos, &f));
    EXPECT_EQ(9.0f, f);
    EXPECT_EQ(0, asciiNextToken(&pos));

    const char *tabbed = "\t 7";
    pos = tabbed;
    EXPECT_EQ(1, asciiNextInt(&pos, &i));
    EXPECT_EQ(0, i);
    EXPECT_EQ(1, asciiNextInt(&pos, &i));
    EXPECT_EQ(7, i);
    const char *big = "99999999999 12abc";
    pos = big;
    asciiNextInt(&pos, &i);
    EXPECT_EQ(INT_MAX, i);
    asciiNextInt(&pos, &i);
    EXPECT_EQ(12, i);
}

TEST_F(AsciiPixelsTest, RectangleForms)
{
    struct Case {
        const char *text;
        Grid band0;
        Grid band1;
    } cases[] = {
        {"BSQ 1 1 0 0 2 2 1 2 3 4", {{1, 2, 0}, {3, 4, 0}}, {{0, 0, 0}, {0, 0, 0}}},
        {"BSQ 1 1 0 0 2 2 7", {{7, 7, 0}, {7, 7, 0}}, {{0, 0, 0}, {0, 0, 0}}},
        {"BSQ 1 1 0 0 2 2 1 2 3", {{1, 2, 0}, {3, 3, 0}}, {{0, 0, 0}, {0, 0, 0}}},
        {"BSQ 2 1 1 1 2 1 5 6", {{0, 0, 0}, {0, 0, 0}}, {{0, 0, 0}, {0, 5, 6}}},
        {"BSQ 1 2 0 0 2 1 1 2 3 4", {{1, 2, 0}, {0, 0, 0}}, {{3, 4, 0}, {0, 0, 0}}},
        {"BIL 1 2 0 0 2 2 1 2 3 4 5 6 7 8", {{1, 2, 0}, {5, 6, 0}}, {{3, 4, 0}, {7, 8, 0}}},
        {"BIP 1 2 1 0 2 2 1 2 3 4 5 6 7 8", {{0, 1, 3}, {0, 5, 7}}, {{0, 2, 4}, {0, 6, 8}}},
        {"BIP 1 2 0 0 1 1 9", {{9, 0, 0}, {0, 0, 0}}, {{9, 0, 0}, {0, 0, 0}}},
        /* The window is cut to the image; the values keep their places. */
        {"BSQ 1 1 2 1 2 2 1 2 3 4", {{0, 0, 0}, {0, 0, 1}}, {{0, 0, 0}, {0, 0, 0}}},
        {"BSQ 2 3 0 0 1 2 1 2 3 4 5 6", {{0, 0, 0}, {0, 0, 0}}, {{1, 0, 0}, {2, 0, 0}}},
        {"BIL 2 2 0 0 2 2 1 2 3 4 5 6 7 8", {{0, 0, 0}, {0, 0, 0}}, {{1, 2, 0}, {5, 6, 0}}},
        {"BIP 2 2 1 0 3 1 1 2 3 4 5 6", {{0, 0, 0}, {0, 0, 0}}, {{0, 1, 3}, {0, 0, 0}}},
        {"BIL 1 3 2 0 2 1 1 2 3 4 5 6", {{0, 0, 1}, {0, 0, 0}}, {{0, 0, 3}, {0, 0, 0}}},
        {"BSQ 1 1 5 5 2 2 1 2 3 4", {{0, 0, 0}, {0, 0, 0}}, {{0, 0, 0}, {0, 0, 0}}},
        /* Counts far beyond the text or the image allocate nothing from them. */
        {"BSQ 1 2000000000 0 1 2000000000 2000000000 4",
         {{0, 0, 0}, {4, 4, 4}}, {{0, 0, 0}, {4, 4, 4}}},
        {"BIP 1 2000000000 0 0 2000000000 2000000000 1 2",
         {{1, 2, 2}, {2, 2, 2}}, {{2, 2, 2}, {2, 2, 2}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        ServedImage image(PIXEL_FLOAT, 3, 2, 2);
        EXPECT_EQ(1, parseASCIIData(&image.image, c.text));
        EXPECT_EQ(bandOf(image, 0), c.band0);
        EXPECT_EQ(bandOf(image, 1), c.band1);
        EXPECT_EQ("", takeStderr());
    }
}

TEST_F(AsciiPixelsTest, BoxForms)
{
    struct Case {
        const char *text;
        Grid band0;
        Grid band1;
    } cases[] = {
        {"BSQV 1 1 0 1 0 1 1 2 3 4", {{1, 3, 0}, {2, 4, 0}}, {{0, 0, 0}, {0, 0, 0}}},
        {"BSQH 1 1 0 1 0 1 1 2 3 4", {{1, 2, 0}, {3, 4, 0}}, {{0, 0, 0}, {0, 0, 0}}},
        {"BSQH 2 1 0 0 0 0 5 6", {{6, 0, 0}, {0, 0, 0}}, {{5, 0, 0}, {0, 0, 0}}},
        {"BIPH 2 1 0 0 0 0 5 6", {{6, 0, 0}, {0, 0, 0}}, {{5, 0, 0}, {0, 0, 0}}},
        {"BSQH 1 1 2 0 1 1 1 2 3", {{0, 0, 0}, {3, 2, 1}}, {{0, 0, 0}, {0, 0, 0}}},
        {"BILH 1 2 0 1 0 1 1 2 3 4 5 6 7 8", {{1, 2, 0}, {5, 6, 0}}, {{3, 4, 0}, {7, 8, 0}}},
        {"BILV 1 2 0 1 0 1 1 2 3 4 5 6 7 8", {{1, 5, 0}, {2, 6, 0}}, {{3, 7, 0}, {4, 8, 0}}},
        {"BIPH 1 2 0 1 0 1 1 2 3 4 5 6 7 8", {{1, 3, 0}, {5, 7, 0}}, {{2, 4, 0}, {6, 8, 0}}},
        {"BIPV 1 2 0 1 0 1 1 2 3 4 5 6 7 8", {{1, 5, 0}, {3, 7, 0}}, {{2, 6, 0}, {4, 8, 0}}},
        {"BSQV 1 1 0 0 1 0 1 2", {{2, 0, 0}, {1, 0, 0}}, {{0, 0, 0}, {0, 0, 0}}},
        {"BSQH 1 2 0 2 1 1 8", {{0, 0, 0}, {8, 8, 8}}, {{0, 0, 0}, {8, 8, 8}}},
        {"BSQH 1 1 0 2 0 0", {{0, 0, 0}, {0, 0, 0}}, {{0, 0, 0}, {0, 0, 0}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        ServedImage image(PIXEL_FLOAT, 3, 2, 2);
        EXPECT_EQ(1, parseASCIIData(&image.image, c.text));
        EXPECT_EQ(bandOf(image, 0), c.band0);
        EXPECT_EQ(bandOf(image, 1), c.band1);
        EXPECT_EQ("", takeStderr());
    }
}

TEST_F(AsciiPixelsTest, PaletteImagesHoldValuesToTheirIndices)
{
    ServedImage image(PIXEL_BYTE, 4, 1, 1);
    image.image.head.nindices = 16;
    EXPECT_EQ(1, parseASCIIData(&image.image, "BSQ 1 1 0 0 3 1 20 -3 7"));
    EXPECT_EQ(bandOf(image, 0), (Grid{{15, 0, 7, 0}}));
    EXPECT_EQ(1, parseASCIIData(&image.image, "BSQH 1 1 0 3 0 0 99"));
    EXPECT_EQ(bandOf(image, 0), (Grid{{15, 15, 15, 15}}));
}

TEST_F(AsciiPixelsTest, HeaderErrorsStoreNothing)
{
    struct Case {
        const char *text;
        const char *message;
    } cases[] = {
        {"BSQ 0 1 0 0 1 1 5", "Error in parsing startBand\n"},
        {"BSQ 3 1 0 0 1 1 5", "Error in parsing startBand\n"},
        {"BSQ 1 0 0 0 1 1 5", "Error in parsing nbands\n"},
        {"BSQ 1 1 -1 0 1 1 5", "Error in parsing x\n"},
        {"BSQ 1 1 0 -1 1 1 5", "Error in parsing y\n"},
        {"BSQ 1 1 0 0 0 1 5", "Error in parsing width\n"},
        {"BSQ 1 1 0 0 1 0 5", "Error in parsing height\n"},
        {"BSQ 1 1 0 0 1", "Error in parsing height\n"},
        {"BSQ", "Error in parsing imgid\n"},
        {"", "Error in parsing imgid\n"},
        {"BSQXY 1 1 0 0 1 1 5", "Error in parsing imgid\n"},
        {"BIG 1 1 0 0 1 1 5", "imgid must be BSQ or BIL or BIP\n"},
        {"bsq 1 1 0 0 1 1 5", "imgid must be BSQ or BIL or BIP\n"},
        {"BSQHV 1 1 0 0 0 0 5", "Error in parsing imgid\n"},
        {"BSQX 1 1 0 0 0 0 5", "imgid must be BSQH or BILH or BIPH or BSQV or BILV or BIPV\n"},
        {"BSQH 0 1 0 0 0 0 5", "Error in parsing b0\n"},
        {"BSQH 1 3 0 0 0 0 5", "Error in parsing b1\n"},
        {"BSQH 1 1 3 0 0 0 5", "Error in parsing x0\n"},
        {"BSQH 1 1 0 -1 0 0 5", "Error in parsing x1\n"},
        {"BSQH 1 1 0 0 2 0 5", "Error in parsing y0\n"},
        {"BSQH 1 1 0 0 0 2 5", "Error in parsing y1\n"},
        {"BSQH 1 1 0 0 0", "Error in parsing y1\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        ServedImage image(PIXEL_FLOAT, 3, 2, 2);
        EXPECT_EQ(0, parseASCIIData(&image.image, c.text));
        EXPECT_EQ(c.message, takeStderr());
        EXPECT_FALSE(image.anyDirty());
        EXPECT_EQ(image.loads, 0);
    }
}

}  // namespace
