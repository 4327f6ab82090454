/*
 * text_test.cpp --
 *
 *	Fonts with a width factor and an angle: where turned text lands,
 *	stippled text against plain, stretched widths, Tk's measuring rules,
 *	the box of turned text and the stock fonts (needs a display).
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
#include "ovex/draw.h"

namespace {

class TextWithDisplay : public DrawFixture {
protected:
    OvexFont *font(double pixels, double factor = 0, double angle = 0,
                   const char *family = "DejaVu Sans Mono")
    {
        TkFontAttributes attributes;
        memset(&attributes, 0, sizeof(attributes));
        attributes.family = family != NULL ? Tk_GetUid(family) : NULL;
        attributes.size = -pixels;
        OvexFont *f = ovexGetFontFromAttributes(NULL, tkwin, &attributes, factor, angle, angle, 0);
        fonts.push_back(f);
        return f;
    }
    void TearDown() override
    {
        for (OvexFont *f : fonts) {
            ovexDeleteFont(f);
        }
        DrawFixture::TearDown();
    }

    /* The centre of the painted pixels relative to (ox, oy), and their box. */
    struct Ink {
        int count = 0;
        double cx = 0, cy = 0;
        int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    };
    Ink ink(int ox, int oy)
    {
        Ink out;
        std::vector<unsigned long> p = pixels();
        for (int y = 0; y < kSide; y++) {
            for (int x = 0; x < kSide; x++) {
                if (at(p, x, y) != white) {
                    out.count++;
                    out.cx += x - ox;
                    out.cy += y - oy;
                    out.x0 = std::min(out.x0, x);
                    out.y0 = std::min(out.y0, y);
                    out.x1 = std::max(out.x1, x);
                    out.y1 = std::max(out.y1, y);
                }
            }
        }
        if (out.count > 0) {
            out.cx /= out.count;
            out.cy /= out.count;
        }
        return out;
    }

    std::vector<OvexFont *> fonts;
};

TEST_F(TextWithDisplay, TurnedTextRunsAlongItsAngleAboveItsBaseline)
{
    const double angles[] = {0, 90, 180, 270, 45};
    for (double angle : angles) {
        SCOPED_TRACE(angle);
        clear();
        OvexFont *f = font(16, 0, angle);
        double c = cos(angle * M_PI / 180), s = sin(angle * M_PI / 180);
        drawRotatedChars(display, pixmap, makeGC(black), f, "HHHHHHHH", 8, 128, 128, c, s);
        Ink got = ink(128, 128);
        ASSERT_GT(got.count, 100);
        /* Along the baseline (c, -s): half the text's length ahead. */
        double along = got.cx * c - got.cy * s;
        /* Towards the glyphs' tops, (-s, -c): above the baseline. */
        double up = -got.cx * s - got.cy * c;
        int width = 0;
        ovexMeasureChars(f, "HHHHHHHH", 8, 0, 0, &width);
        EXPECT_NEAR(along, width / 2.0, 3.0);
        EXPECT_GT(up, 2.0);
        EXPECT_LT(up, 12.0);
    }
}

TEST_F(TextWithDisplay, StippledTextLandsWhereThePlainTextDoes)
{
    const double angles[] = {0, 90, 30};
    for (double angle : angles) {
        SCOPED_TRACE(angle);
        OvexFont *f = font(20, 0, angle);
        clear();
        GC plain = makeGC(black);
        drawRotatedChars(display, pixmap, plain, f, "Stipple", 7, 100, 140, 0, 0);
        Ink a = ink(0, 0);

        clear();
        Pixmap stipple = XCreatePixmap(display, pixmap, 8, 8, 1);
        GC ones = XCreateGC(display, stipple, 0, NULL);
        XSetForeground(display, ones, 1);
        XFillRectangle(display, stipple, ones, 0, 0, 8, 8);
        XFreeGC(display, ones);
        GC stippled = makeGC(black);
        XSetStipple(display, stippled, stipple);
        XSetFillStyle(display, stippled, FillStippled);
        drawRotatedChars(display, pixmap, stippled, f, "Stipple", 7, 100, 140, 0, 0);
        XFreePixmap(display, stipple);
        Ink b = ink(0, 0);

        ASSERT_GT(b.count, 50);
        EXPECT_LE(abs(a.x0 - b.x0), 2);
        EXPECT_LE(abs(a.y0 - b.y0), 2);
        EXPECT_LE(abs(a.x1 - b.x1), 2);
        EXPECT_LE(abs(a.y1 - b.y1), 2);
        EXPECT_NEAR(a.cx, b.cx, 1.0);
        EXPECT_NEAR(a.cy, b.cy, 1.0);
    }
}

TEST_F(TextWithDisplay, WidthFactorSetsTheAverageCharacterWidth)
{
    OvexFont *f = font(20, 1.2);
    int width = 0;
    EXPECT_EQ(4, ovexMeasureChars(f, "HHHH", 4, 0, 0, &width));
    EXPECT_NEAR(96, width, 4);
    EXPECT_STREQ("DejaVu Sans Mono", f->family);
    EXPECT_TRUE(f->fixed);

    /* What is drawn is as wide as what is measured. */
    clear();
    drawRotatedChars(display, pixmap, makeGC(black), f, "HHHH", 4, 10, 100, 1, 0);
    Ink got = ink(0, 0);
    EXPECT_NEAR(width, got.x1 - got.x0 + 1, 8);

    OvexFont *natural = font(20);
    int naturalWidth = 0;
    ovexMeasureChars(natural, "HHHH", 4, 0, 0, &naturalWidth);
    EXPECT_NEAR(4 * 20 * 0.602, naturalWidth, 4);
    EXPECT_EQ(8 * (naturalWidth / 4), natural->tabWidth);
}

TEST_F(TextWithDisplay, MeasuringFollowsTkFlags)
{
    OvexFont *f = font(16);
    int a = 0;
    ovexMeasureChars(f, "a", 1, 0, 0, &a);
    ASSERT_GT(a, 0);
    struct Case {
        const char *text;
        int maxLength;
        int flags;
        int bytes;
        int width;      /* in character widths */
    } cases[] = {
        {"ab cd", 0, 0, 5, 5},
        {"ab cd", 4 * a, 0, 4, 4},
        {"ab cd", 4 * a, OVEX_WHOLE_WORDS, 2, 2},
        {"ab cd", 1, OVEX_AT_LEAST_ONE, 1, 1},
        {"ab cd", 1, 0, 0, 0},
        {"abcde", 3 * a, OVEX_WHOLE_WORDS, 0, 0},
        {"abcde", 3 * a, OVEX_WHOLE_WORDS | OVEX_AT_LEAST_ONE, 3, 3},
        {"ab cd", 3 * a + 1, OVEX_PARTIAL_OK, 4, 4},
        {"ab cd", 3 * a, OVEX_PARTIAL_OK, 3, 3},
        {"abcdef", 100 * a, OVEX_WHOLE_WORDS, 6, 6},
        {"", 10, OVEX_AT_LEAST_ONE, 0, 0},
        /* two-byte characters are never cut */
        {"\xc3\xa9\xc3\xa9\xc3\xa9", 2 * a, 0, 4, 2},
        {"\xc3\xa9\xc3\xa9\xc3\xa9", 1, OVEX_AT_LEAST_ONE, 2, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.maxLength) + " " +
                     std::to_string(c.flags));
        int length = -1;
        EXPECT_EQ(c.bytes, ovexMeasureChars(f, c.text, (int)strlen(c.text), c.maxLength,
                                            c.flags, &length));
        EXPECT_EQ(c.width * a, length);
    }
}

TEST_F(TextWithDisplay, TurnedBoxesPixelSizesAndStockFonts)
{
    int left, top, width, height;
    rotatedTextBounds(1, 0, 10, 5, &left, &top, &width, &height);
    EXPECT_EQ(0, left);
    EXPECT_EQ(0, top);
    EXPECT_EQ(11, width);
    EXPECT_EQ(6, height);
    rotatedTextBounds(0, 1, 10, 5, &left, &top, &width, &height);
    EXPECT_EQ(-5, left);
    EXPECT_EQ(0, top);
    EXPECT_EQ(6, width);
    EXPECT_EQ(11, height);

    EXPECT_EQ(13, ovexFontGetPixels(tkwin, -13));
    Screen *screen = Tk_Screen(tkwin);
    int expected = (int)(10 * 25.4 / 72 * WidthOfScreen(screen) / WidthMMOfScreen(screen) + 0.5);
    EXPECT_EQ(expected, ovexFontGetPixels(tkwin, 10));

    EXPECT_EQ(NULL, ovexGetNativeFont(tkwin, "nosuchfont"));
    OvexFont *fixed = ovexGetNativeFont(tkwin, "ansifixed");
    ASSERT_NE(nullptr, fixed);
    EXPECT_TRUE(fixed->fixed);
    EXPECT_GT(fixed->ascent, 0);
    EXPECT_NE(nullptr, fixed->tkfont);
    ovexDeleteFont(fixed);

    /* A family that does not exist still gives a usable font. */
    OvexFont *missing = font(14, 0, 0, "No Such Family Anywhere");
    int w = 0;
    ovexMeasureChars(missing, "abc", 3, 0, 0, &w);
    EXPECT_GT(w, 0);

    /* Refilling keeps the record. */
    TkFontAttributes attributes;
    memset(&attributes, 0, sizeof(attributes));
    attributes.family = Tk_GetUid("DejaVu Sans Mono");
    attributes.size = -30;
    OvexFont *same = ovexGetFontFromAttributes(missing, tkwin, &attributes, 0, 0, 0, 0);
    EXPECT_EQ(missing, same);
    EXPECT_EQ(30, same->pixels);

    Tcl_ResetResult(interp);
    ovexGetFontFamilies(interp, tkwin);
    int found = 0;
    int n = 0;
    Tcl_Obj **names;
    Tcl_ListObjGetElements(NULL, Tcl_GetObjResult(interp), &n, &names);
    for (int i = 0; i < n; i++) {
        found += strcmp(Tcl_GetString(names[i]), "DejaVu Sans Mono") == 0;
    }
    EXPECT_EQ(1, found);
}

}  // namespace
