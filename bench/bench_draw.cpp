/*
 * bench_draw.cpp --
 *
 *	One side of a drawing row of bench/rows.py, on a white 1024 x 1024
 *	pixmap of the X server named by DISPLAY (bench/run_all.sh runs the
 *	rows under Xvfb):
 *
 *	    ovex_bench_draw rings|evenodd OUT.ppm
 *
 *	rings: fillPolygonRings of one 20,000-point outer ring and 200 holes
 *	of 50 points; evenodd: the same area as one even-odd XFillPolygon,
 *	the holes joined to the outer ring's first point by edges that go
 *	there and back (so that they enclose nothing).
 *
 *	Each pass ends with a round trip so that the server's work counts; the
 *	pass runs 7 times after a warm-up and the median seconds are printed.
 *	OUT.ppm receives the pixmap after one more pass on white.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include <tcl.h>
#include <tk.h>

#include "ovex/draw.h"

namespace {

const int side = 1024;

double medianSeconds(Display *display, const std::function<void()> &pass)
{
    pass();
    XSync(display, False);
    std::vector<double> times;
    for (int i = 0; i < 7; i++) {
        auto start = std::chrono::steady_clock::now();
        pass();
        XSync(display, False);
        times.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

/* Writes the pixmap (a TrueColor visual's pixels) as a binary PPM. */
bool writePixmap(Display *display, Pixmap pixmap, Visual *visual, const char *path)
{
    XImage *image = XGetImage(display, pixmap, 0, 0, side, side, AllPlanes, ZPixmap);
    FILE *out = fopen(path, "wb");
    if (image == NULL || out == NULL) {
        return false;
    }
    fprintf(out, "P6\n%d %d\n255\n", side, side);
    auto channel = [](unsigned long pixel, unsigned long mask) {
        int shift = 0;
        while (mask != 0 && (mask & 1) == 0) {
            mask >>= 1;
            shift++;
        }
        return (unsigned char)(mask ? ((pixel >> shift) & mask) * 255 / mask : 0);
    };
    for (int y = 0; y < side; y++) {
        for (int x = 0; x < side; x++) {
            unsigned long pixel = XGetPixel(image, x, y);
            unsigned char rgb[3] = {channel(pixel, visual->red_mask),
                                    channel(pixel, visual->green_mask),
                                    channel(pixel, visual->blue_mask)};
            fwrite(rgb, 1, 3, out);
        }
    }
    XDestroyImage(image);
    return fclose(out) == 0;
}

/* A ring of n points around (cx, cy): counter-clockwise on the screen for
 * an outer ring, clockwise for a hole; its radius wobbles a little. */
void addRing(std::vector<XPoint> &points, double cx, double cy, double radius, int n, bool hole)
{
    for (int i = 0; i < n; i++) {
        double a = 2 * M_PI * i / n;
        double r = radius * (1 + 0.03 * sin(a * 37));
        double y = hole ? sin(a) : -sin(a);
        points.push_back({(short)lround(cx + r * cos(a)), (short)lround(cy + r * y)});
    }
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || (strcmp(argv[1], "rings") != 0 && strcmp(argv[1], "evenodd") != 0)) {
        fprintf(stderr, "usage: %s rings|evenodd OUT.ppm\n", argv[0]);
        return 2;
    }
    bool rings = strcmp(argv[1], "rings") == 0;
    if (getenv("DISPLAY") == NULL) {
        fprintf(stderr, "ovex_bench_draw: no DISPLAY (run under xvfb-run -a)\n");
        return 1;
    }
    Tcl_FindExecutable(argv[0]);
    Tcl_Interp *interp = Tcl_CreateInterp();
    if (Tcl_Init(interp) != TCL_OK || Tk_Init(interp) != TCL_OK) {
        fprintf(stderr, "ovex_bench_draw: %s\n", Tcl_GetStringResult(interp));
        return 1;
    }
    Tk_Window tkwin = Tk_MainWindow(interp);
    Tk_MakeWindowExist(tkwin);
    Display *display = Tk_Display(tkwin);
    Pixmap pixmap = Tk_GetPixmap(display, Tk_WindowId(tkwin), side, side, Tk_Depth(tkwin));
    XGCValues values;
    values.foreground = BlackPixelOfScreen(Tk_Screen(tkwin));
    values.fill_rule = EvenOddRule;
    values.graphics_exposures = False;
    GC gc = XCreateGC(display, pixmap, GCForeground | GCFillRule | GCGraphicsExposures, &values);
    XGCValues white;
    white.foreground = WhitePixelOfScreen(Tk_Screen(tkwin));
    GC clear = XCreateGC(display, pixmap, GCForeground, &white);

    /* Rings: the outer ring, then 200 holes on a grid inside it. */
    std::vector<XPoint> points;
    std::vector<int> sizes;
    addRing(points, 512, 512, 480, 20000, false);
    sizes.push_back(20000);
    for (int i = 0; i < 200; i++) {
        double cx = 512 + (i % 20 - 9.5) * 30, cy = 512 + (i / 20 - 4.5) * 60;
        addRing(points, cx, cy, 12, 50, true);
        sizes.push_back(50);
    }
    /* The same rings as one polygon: after the outer ring (closed at its
     * first point), each hole is reached from that point, closed, and
     * left back to it. */
    std::vector<XPoint> joined(points.begin(), points.begin() + sizes[0]);
    XPoint first = points[0];
    joined.push_back(first);
    size_t at = (size_t)sizes[0];
    for (size_t k = 1; k < sizes.size(); k++) {
        joined.insert(joined.end(), points.begin() + at, points.begin() + at + sizes[k]);
        joined.push_back(points[at]);
        joined.push_back(first);
        at += (size_t)sizes[k];
    }

    std::function<void()> pass;
    if (rings) {
        pass = [&] {
            fillPolygonRings(display, pixmap, gc, points.data(), (int)sizes.size(), sizes.data(),
                             Complex, CoordModeOrigin);
        };
    } else {
        pass = [&] {
            XFillPolygon(display, pixmap, gc, joined.data(), (int)joined.size(), Complex,
                         CoordModeOrigin);
        };
    }
    double seconds = medianSeconds(display, pass);
    XFillRectangle(display, pixmap, clear, 0, 0, side, side);
    pass();
    XSync(display, False);
    bool written = writePixmap(display, pixmap, Tk_Visual(tkwin), argv[2]);
    printf("%.6f\n", seconds);

    XFreeGC(display, gc);
    XFreeGC(display, clear);
    Tk_FreePixmap(display, pixmap);
    Tcl_DeleteInterp(interp);
    return written ? 0 : 1;
}
