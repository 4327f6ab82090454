/*
 * draw_fixture.h --
 *
 *	A Tk main window and a white pixmap to draw into, with GCs made on
 *	demand and the pixels read back.
 */
#ifndef OVEX_TESTS_DISPLAY_WINDRAW_DRAW_FIXTURE_H
#define OVEX_TESTS_DISPLAY_WINDRAW_DRAW_FIXTURE_H

#include <gtest/gtest.h>

#include <stdlib.h>

#include <functional>
#include <vector>

#include <tcl.h>
#include <tk.h>
#include <X11/Xutil.h>

class DrawFixture : public ::testing::Test {
protected:
    static const int kSide = 256;

    void SetUp() override
    {
        if (getenv("DISPLAY") == NULL) {
            GTEST_SKIP() << "no display";
        }
        Tcl_FindExecutable(nullptr);
        interp = Tcl_CreateInterp();
        ASSERT_EQ(Tcl_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
        ASSERT_EQ(Tk_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
        tkwin = Tk_MainWindow(interp);
        Tk_MakeWindowExist(tkwin);
        display = Tk_Display(tkwin);
        visual = Tk_Visual(tkwin);
        pixmap = Tk_GetPixmap(display, Tk_WindowId(tkwin), kSide, kSide, Tk_Depth(tkwin));
        white = WhitePixelOfScreen(Tk_Screen(tkwin));
        black = BlackPixelOfScreen(Tk_Screen(tkwin));
        clear();
    }

    void TearDown() override
    {
        for (GC gc : gcs) {
            XFreeGC(display, gc);
        }
        if (pixmap != None) {
            Tk_FreePixmap(display, pixmap);
        }
        if (interp != NULL) {
            Tcl_DeleteInterp(interp);
        }
    }

    /* A GC of its own for the test (freed at the end). */
    GC makeGC(unsigned long foreground)
    {
        XGCValues values;
        values.foreground = foreground;
        values.background = white;
        values.graphics_exposures = False;
        GC gc = XCreateGC(display, pixmap, GCForeground | GCBackground | GCGraphicsExposures,
                          &values);
        gcs.push_back(gc);
        return gc;
    }

    /* The pixel of an RGB colour on a true-colour visual. */
    unsigned long rgb(int r, int g, int b)
    {
        XColor color;
        color.red = (unsigned short)(r * 257);
        color.green = (unsigned short)(g * 257);
        color.blue = (unsigned short)(b * 257);
        XAllocColor(display, Tk_Colormap(tkwin), &color);
        return color.pixel;
    }

    void clear()
    {
        GC gc = makeGC(white);
        XFillRectangle(display, pixmap, gc, 0, 0, kSide, kSide);
    }

    /* Every pixel of the pixmap, row by row. */
    std::vector<unsigned long> pixels()
    {
        XImage *image = XGetImage(display, pixmap, 0, 0, kSide, kSide, AllPlanes, ZPixmap);
        std::vector<unsigned long> out((size_t)kSide * kSide);
        for (int y = 0; y < kSide; y++) {
            for (int x = 0; x < kSide; x++) {
                out[(size_t)y * kSide + x] = XGetPixel(image, x, y);
            }
        }
        XDestroyImage(image);
        return out;
    }

    unsigned long at(const std::vector<unsigned long> &p, int x, int y)
    {
        return p[(size_t)y * kSide + x];
    }

    /* Pixels that are not white. */
    int painted()
    {
        int n = 0;
        for (unsigned long p : pixels()) {
            n += p != white;
        }
        return n;
    }

    Tcl_Interp *interp = nullptr;
    Tk_Window tkwin = nullptr;
    Display *display = nullptr;
    Visual *visual = nullptr;
    Pixmap pixmap = None;
    unsigned long white = 0, black = 0;
    std::vector<GC> gcs;
};

#endif
