/*
 * drawable_image_test.cpp --
 *
 *	Pixels read from a pixmap through shared memory and through
 *	XGetImage agree, the shared path is taken where the server offers
 *	it, and OVEX_XSHM=0 or a drawable that is gone falls back or fails
 *	cleanly (needs a display).
 */
#include "display/windraw/draw_fixture.h"

#include <stdlib.h>

#include "display/windraw/drawable_image.h"

namespace {

class DrawableImageWithDisplay : public DrawFixture {
protected:
    /* Reads the rectangle and checks every pixel against XGetImage's. */
    void expectSameAsGetImage(int x, int y, int w, int h, int expectShared)
    {
        DrawableImage read;
        ASSERT_EQ(1, readDrawableImage(display, pixmap, visual, Tk_Depth(tkwin), x, y,
                                       (unsigned)w, (unsigned)h, &read));
        EXPECT_EQ(expectShared, read.shared);
        XImage *plain = XGetImage(display, pixmap, x, y, (unsigned)w, (unsigned)h, AllPlanes,
                                  ZPixmap);
        ASSERT_NE(nullptr, plain);
        int differing = 0;
        for (int j = 0; j < h; j++) {
            for (int i = 0; i < w; i++) {
                differing += XGetPixel(read.image, i, j) != XGetPixel(plain, i, j);
            }
        }
        EXPECT_EQ(0, differing);
        XDestroyImage(plain);
        freeDrawableImage(display, &read);
        EXPECT_EQ(nullptr, read.image);
    }
};

TEST_F(DrawableImageWithDisplay, SharedAndPlainReadsAgree)
{
    XFillRectangle(display, pixmap, makeGC(rgb(255, 0, 0)), 10, 20, 30, 40);
    XFillRectangle(display, pixmap, makeGC(rgb(0, 0, 255)), 100, 5, 7, 200);
    int offered = XShmQueryExtension(display) ? 1 : 0;
    unsetenv("OVEX_XSHM");
    EXPECT_EQ(offered, drawableImageSharesMemory(display));
    /* Xvfb on this machine offers MIT-SHM: the shared path is the one
     * timed by the print benchmark. */
    expectSameAsGetImage(0, 0, kSide, kSide, offered);
    expectSameAsGetImage(5, 15, 101, 33, offered);

    setenv("OVEX_XSHM", "0", 1);
    EXPECT_EQ(0, drawableImageSharesMemory(display));
    expectSameAsGetImage(5, 15, 101, 33, 0);
    unsetenv("OVEX_XSHM");
}

TEST_F(DrawableImageWithDisplay, BadDrawablesAndSizesFailCleanly)
{
    DrawableImage read;
    Pixmap gone = Tk_GetPixmap(display, Tk_WindowId(tkwin), 8, 8, Tk_Depth(tkwin));
    Tk_FreePixmap(display, gone);
    EXPECT_EQ(0, readDrawableImage(display, gone, visual, Tk_Depth(tkwin), 0, 0, 8, 8, &read));
    EXPECT_EQ(nullptr, read.image);
    /* A rectangle past the pixmap's edge is a protocol error on both paths. */
    EXPECT_EQ(0, readDrawableImage(display, pixmap, visual, Tk_Depth(tkwin), kSide - 4, 0, 8, 8,
                                   &read));
    EXPECT_EQ(0, readDrawableImage(display, pixmap, visual, Tk_Depth(tkwin), 0, 0, 0, 8, &read));
    /* The display still reads after the failures. */
    EXPECT_EQ(1, readDrawableImage(display, pixmap, visual, Tk_Depth(tkwin), 0, 0, 8, 8, &read));
    freeDrawableImage(display, &read);
}

}  // namespace
