/*
 * bitmap_copy_test.cpp --
 *
 *	Copies of a drawable's rectangle and of a whole pixmap into new
 *	pixmaps, and their refusals (needs a display).
 */
#include "display/windraw/draw_fixture.h"

#include "display/windraw/bitmap_copy.h"
#include "display/windraw/clipboard.h"
#include "display/windraw/x_error_trap.h"
#include "ramimage/console_capture.h"

namespace {

class BitmapCopyWithDisplay : public DrawFixture {
protected:
    unsigned long pixelOf(Pixmap p, int x, int y)
    {
        XImage *image = XGetImage(display, p, x, y, 1, 1, AllPlanes, ZPixmap);
        unsigned long v = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return v;
    }
};

TEST_F(BitmapCopyWithDisplay, RectanglesAndWholePixmapsAreCopied)
{
    unsigned long red = rgb(255, 0, 0);
    XFillRectangle(display, pixmap, makeGC(red), 10, 20, 5, 5);

    Pixmap part = copyDCBitmap(display, pixmap, 8, 18, 10, 10);
    ASSERT_NE(None, part);
    DrawableGeometry g;
    ASSERT_TRUE(trappedDrawableGeometry(display, part, &g));
    EXPECT_EQ(10u, g.width);
    EXPECT_EQ(10u, g.height);
    EXPECT_EQ((unsigned)Tk_Depth(tkwin), g.depth);
    EXPECT_EQ(white, pixelOf(part, 0, 0));
    EXPECT_EQ(red, pixelOf(part, 2, 2));
    EXPECT_EQ(red, pixelOf(part, 6, 6));
    EXPECT_EQ(white, pixelOf(part, 7, 7));

    /* Beyond the source's edge the copy is pixel 0. */
    Pixmap edge = copyDCBitmap(display, pixmap, kSide - 2, 0, 4, 1);
    ASSERT_NE(None, edge);
    EXPECT_EQ(white, pixelOf(edge, 1, 0));
    EXPECT_EQ(0ul, pixelOf(edge, 2, 0));

    Pixmap whole = copyBitmap(display, part);
    ASSERT_NE(None, whole);
    ASSERT_TRUE(trappedDrawableGeometry(display, whole, &g));
    EXPECT_EQ(10u, g.width);
    EXPECT_EQ(red, pixelOf(whole, 3, 3));

    Tk_FreePixmap(display, part);
    Tk_FreePixmap(display, edge);
    Tk_FreePixmap(display, whole);
}

TEST_F(BitmapCopyWithDisplay, BadRequestsGiveNone)
{
    console_capture::ConsoleCapture console;
    EXPECT_EQ(None, copyDCBitmap(display, pixmap, 0, 0, 0, 5));
    EXPECT_EQ(None, copyDCBitmap(display, None, 0, 0, 5, 5));
    EXPECT_EQ(None, copyDCBitmap(display, (Drawable)0x7ffffff, 0, 0, 5, 5));
    EXPECT_EQ(None, copyBitmap(display, None));
    std::string said = console.takeStderr();
    EXPECT_EQ("Error in copyDCBitmap.\nError in copyDCBitmap.\nError in copyDCBitmap.\n"
              "Error in copyBitmap.\n", said);
    int width = 0, height = 0;
    if (!clipboardBitmapSize(tkwin, &width, &height)) {
        EXPECT_EQ(None, clipboardBitmapCopy(tkwin));
    }
    EXPECT_EQ(None, clipboardBitmapCopy(NULL));
}

}  // namespace
