/*
 * text_layout_test.cpp --
 *
 *	The turned text layout over DejaVu Sans Mono: lines, wrapping,
 *	absorbed spaces, tabs (also from a font that carries no tab width),
 *	character boxes and hit tests, turned distances and partial drawing,
 *	and PostScript strings (needs a display).
 */
#include <math.h>
#include <string.h>

#include <string>

#include "display/windraw/draw_fixture.h"

#ifndef MODULE_SCOPE
#define MODULE_SCOPE extern
#endif
typedef struct TkMainInfo TkMainInfo;
#include "tk-private/generic/tkFont.h"
#include "canvas/text_layout.h"

namespace {

class TextLayoutWithDisplay : public DrawFixture {
protected:
    void SetUp() override
    {
        DrawFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        TkFontAttributes attributes;
        memset(&attributes, 0, sizeof(attributes));
        attributes.family = Tk_GetUid("DejaVu Sans Mono");
        attributes.size = -14;
        font = ovexGetFontFromAttributes(NULL, tkwin, &attributes, 0, 0, 0, 0);
        ovexMeasureChars(font, "0", 1, 0, 0, &cw);
        line = font->ascent + font->descent;
    }
    void TearDown() override
    {
        for (RotatedLayout *l : layouts) rotTextFreeLayout(l);
        ovexDeleteFont(font);
        DrawFixture::TearDown();
    }
    RotatedLayout *lay(const char *text, int wrap = 0, int justify = TK_JUSTIFY_LEFT, int *w = NULL,
                       int *h = NULL, OvexFont *f = NULL)
    {
        RotatedLayout *l = rotTextComputeLayout(f != NULL ? f : font, text, -1, wrap, justify, 0, w, h);
        layouts.push_back(l);
        return l;
    }
    /* Painted pixels, as a set of indices. */
    std::vector<char> ink()
    {
        std::vector<unsigned long> p = pixels();
        std::vector<char> out(p.size());
        for (size_t i = 0; i < p.size(); i++) out[i] = p[i] != white;
        return out;
    }

    OvexFont *font = nullptr;
    int cw = 0, line = 0;
    std::vector<RotatedLayout *> layouts;
};

TEST_F(TextLayoutWithDisplay, LinesWrappingAndAbsorbedSpaces)
{
    int w, h;
    RotatedLayout *empty = lay("", 0, TK_JUSTIFY_LEFT, &w, &h);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->numChunks, 1);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, line);

    int h1, h2;
    lay("word", 0, TK_JUSTIFY_LEFT, NULL, &h1);
    lay("word\n", 0, TK_JUSTIFY_LEFT, NULL, &h2);
    EXPECT_EQ(h2 - h1, line);

    /* "aaaa bbbb" wrapped after five characters: two lines, the space
     * absorbed into the first line's chunk and not drawn. */
    RotatedLayout *l = lay("aaaa bbbb", 5 * cw, TK_JUSTIFY_LEFT, &w, &h);
    EXPECT_EQ(h, 2 * line);
    EXPECT_EQ(w, 4 * cw);
    ASSERT_EQ(l->numChunks, 2);
    EXPECT_EQ(l->chunks[0].numChars, 5);
    EXPECT_EQ(l->chunks[0].numDisplayChars, 4);
    EXPECT_EQ(l->chunks[1].y - l->chunks[0].y, line);

    /* A word longer than the wrap width is cut at the width, as Tk cuts
     * it: every line takes at least one character. */
    lay("abcdefghij", 3 * cw, TK_JUSTIFY_LEFT, &w, &h);
    EXPECT_EQ(h, 4 * line);
    EXPECT_EQ(w, 3 * cw);
    lay("abcdefghij", 1, TK_JUSTIFY_LEFT, &w, &h);
    EXPECT_EQ(h, 10 * line);

    /* Right justification moves the short line by the difference. */
    l = lay("ab\nabcd", 0, TK_JUSTIFY_RIGHT);
    EXPECT_EQ(l->chunks[0].x, 2 * cw);
    l = lay("ab\nabcd", 0, TK_JUSTIFY_CENTER);
    EXPECT_EQ(l->chunks[0].x, cw);
}

TEST_F(TextLayoutWithDisplay, TabsUseTheFontsTabWidthAndNeverDivideByZero)
{
    int w;
    lay("a\tb", 0, TK_JUSTIFY_LEFT, &w);
    EXPECT_EQ(w, 8 * cw + cw);

    /* A font record that carries no tab width still lays tabs out. */
    OvexFont copy = *font;
    copy.tabWidth = 0;
    EXPECT_GT(rotTextTabWidth(&copy), 0);
    RotatedLayout *l = lay("a\tb\t", 0, TK_JUSTIFY_LEFT, &w, NULL, &copy);
    ASSERT_NE(l, nullptr);
    EXPECT_GT(w, 2 * cw);
    copy.averageWidth = 0;
    copy.ascent = copy.descent = 0;
    EXPECT_EQ(rotTextTabWidth(&copy), 1);
    l = lay("\t\tx", 0, TK_JUSTIFY_LEFT, &w, NULL, &copy);
    EXPECT_EQ(w, 2 + cw);
}

TEST_F(TextLayoutWithDisplay, CharacterBoxesAndPointToChar)
{
    RotatedLayout *l = lay("abc\ndefg");
    int x, y, w, h;
    ASSERT_EQ(rotTextCharBbox(l, 1, &x, &y, &w, &h), 1);
    EXPECT_EQ(x, cw);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, cw);
    EXPECT_EQ(h, line);
    ASSERT_EQ(rotTextCharBbox(l, 5, &x, &y, &w, &h), 1);
    EXPECT_EQ(x, cw);
    EXPECT_EQ(y, line);
    ASSERT_EQ(rotTextCharBbox(l, 8, &x, &y, &w, NULL), 1);  /* just past the end */
    EXPECT_EQ(w, 0);
    EXPECT_EQ(rotTextCharBbox(l, 9, NULL, NULL, NULL, NULL), 0);
    EXPECT_EQ(rotTextCharBbox(l, -1, NULL, NULL, NULL, NULL), 0);

    EXPECT_EQ(rotTextPointToChar(l, 5, -3), 0);
    EXPECT_EQ(rotTextPointToChar(l, cw + 1, 2), 1);
    EXPECT_EQ(rotTextPointToChar(l, 100 * cw, 2), 3);         /* the newline of line 1 */
    EXPECT_EQ(rotTextPointToChar(l, 2 * cw + 1, line + 2), 6);
    EXPECT_EQ(rotTextPointToChar(l, 100 * cw, line + 2), 8);
    EXPECT_EQ(rotTextPointToChar(l, 0, 10 * line), 8);        /* below all lines */
}

TEST_F(TextLayoutWithDisplay, TurnedDistanceAndAxes)
{
    RotatedLayout *l = lay("upwards");
    rotTextSetRotation(l, 1.0, 0.0);   /* 90 degrees: the text goes up the screen */
    double lx, ly, x, y;
    rotTextToLayoutXY(l, 0, -3 * cw, &lx, &ly);
    EXPECT_DOUBLE_EQ(lx, 3 * cw);
    EXPECT_DOUBLE_EQ(ly, 0);
    rotTextFromLayout(l, lx, ly, &x, &y);
    EXPECT_NEAR(x, 0, 1e-12);
    EXPECT_NEAR(y, -3 * cw, 1e-12);
    /* A point straight above the origin, one line's half across the text. */
    EXPECT_EQ(rotTextDistance(l, line / 2, -3 * cw), 0);
    EXPECT_GT(rotTextDistance(l, line / 2, 3 * cw), 0);
    EXPECT_GT(rotTextDistance(l, 3 * cw, 0), 0);

    EXPECT_EQ(rotTextIntersect(lay("ab"), -5, -5, 10 * cw, 2 * line), 1);
    EXPECT_EQ(rotTextIntersect(lay("ab"), 100 * cw, 0, 5, 5), -1);
    EXPECT_EQ(rotTextIntersect(lay("ab"), cw, 0, 5, 5), 0);
}

TEST_F(TextLayoutWithDisplay, PartOfATurnedLineDrawsWhereItStandsInTheWhole)
{
    TkFontAttributes attributes;
    memset(&attributes, 0, sizeof(attributes));
    attributes.family = Tk_GetUid("DejaVu Sans Mono");
    attributes.size = -20;
    OvexFont *turned = ovexGetFontFromAttributes(NULL, tkwin, &attributes, 0, 30, 30, 0);
    RotatedLayout *l = lay("ABCDEF", 0, TK_JUSTIFY_LEFT, NULL, NULL, turned);
    double a = 30 * M_PI / 180;
    rotTextSetRotation(l, sin(a), cos(a));
    GC gc = makeGC(black);
    rotTextDrawLayout(display, pixmap, gc, l, 40, 150, 0, -1);
    std::vector<char> whole = ink();
    clear();
    rotTextDrawLayout(display, pixmap, gc, l, 40, 150, 2, 4);
    std::vector<char> part = ink();
    int inPart = 0, alsoInWhole = 0;
    for (size_t i = 0; i < part.size(); i++) {
        inPart += part[i];
        alsoInWhole += part[i] && whole[i];
    }
    EXPECT_GT(inPart, 20);
    EXPECT_GE(alsoInWhole, inPart * 95 / 100);
    rotTextFreeLayout(l);
    layouts.pop_back();
    ovexDeleteFont(turned);
}

TEST_F(TextLayoutWithDisplay, PostscriptStrings)
{
    Tcl_ResetResult(interp);
    rotTextLayoutToPostscript(interp, lay("a(b)\\\t\x01\nsecond"));
    EXPECT_STREQ(Tcl_GetStringResult(interp), "(a\\050b\\051\\134\\t\\001)\n(second)\n");
    Tcl_ResetResult(interp);
    std::string longText(300, 'x');
    rotTextLayoutToPostscript(interp, lay(longText.c_str()));
    EXPECT_EQ(std::string(Tcl_GetStringResult(interp)), "(" + longText + ")\n");
}

TEST_F(TextLayoutWithDisplay, NullArguments)
{
    int w = 5, h = 5;
    EXPECT_EQ(rotTextComputeLayout(NULL, "x", -1, 0, 0, 0, &w, &h), nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(rotTextComputeLayout(font, NULL, -1, 0, 0, 0, NULL, NULL), nullptr);
    rotTextFreeLayout(NULL);
    EXPECT_EQ(rotTextPointToChar(NULL, 0, 0), 0);
    EXPECT_EQ(rotTextCharBbox(NULL, 0, NULL, NULL, NULL, NULL), 0);
}

}  // namespace
