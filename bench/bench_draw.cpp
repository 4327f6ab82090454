/*
 * bench_draw.cpp --
 *
 *	The drawing layer beside what a caller would otherwise use, in the
 *	same run, on a 1024 x 1024 pixmap of the X server named by DISPLAY
 *	(run under Xvfb: xvfb-run -a ./ovex_bench_draw):
 *
 *	- fillPolygonRings of one 20,000-point outer ring and 200 holes of
 *	  50 points, beside one even-odd XFillPolygon of the rings joined;
 *	- drawRotatedChars of 1,000 labels of 11 characters at 45 degrees,
 *	  width factor 1.5, 16 pixels, beside Tk's TkDrawAngledChars of the
 *	  same labels unstretched.
 *
 *	Each pass ends with a round trip so that the server's work counts;
 *	every pass runs 7 times after a warm-up and the median is printed.
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

#ifndef MODULE_SCOPE
#define MODULE_SCOPE extern
#endif
typedef struct TkMainInfo TkMainInfo;
#include "tk-private/generic/tkFont.h"

#include "ovex/draw.h"

/* Tk's own turned text (exported by libtk, declared in its private headers). */
extern "C" void TkDrawAngledChars(Display *display, Drawable drawable, GC gc, Tk_Font tkfont,
                                  const char *source, int numBytes, double x, double y,
                                  double angle);

namespace {

const int side = 1024;

double medianMs(Display *display, const std::function<void()> &pass)
{
    pass();
    XSync(display, False);
    std::vector<double> times;
    for (int i = 0; i < 7; i++) {
        auto start = std::chrono::steady_clock::now();
        pass();
        XSync(display, False);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
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
    double rings = medianMs(display, [&] {
        fillPolygonRings(display, pixmap, gc, points.data(), (int)sizes.size(), sizes.data(),
                         Complex, CoordModeOrigin);
    });
    double evenOdd = medianMs(display, [&] {
        XFillPolygon(display, pixmap, gc, points.data(), (int)points.size(), Complex,
                     CoordModeOrigin);
    });

    /* Labels at 45 degrees. */
    TkFontAttributes attributes;
    memset(&attributes, 0, sizeof(attributes));
    attributes.family = Tk_GetUid("DejaVu Sans Mono");
    attributes.size = -16;
    OvexFont *font = ovexGetFontFromAttributes(NULL, tkwin, &attributes, 1.5, 45, 45, 0);
    Tk_Font tkfont = Tk_GetFont(interp, tkwin, "{DejaVu Sans Mono} -16");
    const char *label = "Label 12345";
    double c = cos(M_PI / 4), s = sin(M_PI / 4);
    double ours = medianMs(display, [&] {
        for (int i = 0; i < 1000; i++) {
            drawRotatedChars(display, pixmap, gc, font, label, 11, 100 + (i % 40) * 20,
                             200 + (i / 40) * 30, c, s);
        }
    });
    double tks = medianMs(display, [&] {
        for (int i = 0; i < 1000; i++) {
            TkDrawAngledChars(display, pixmap, gc, tkfont, label, 11, 100 + (i % 40) * 20,
                              200 + (i / 40) * 30, 45.0);
        }
    });

    /* Requests each way, for the record. */
    unsigned long r0 = NextRequest(display);
    for (int i = 0; i < 1000; i++) {
        drawRotatedChars(display, pixmap, gc, font, label, 11, 100, 200, c, s);
    }
    unsigned long r1 = NextRequest(display);
    for (int i = 0; i < 1000; i++) {
        TkDrawAngledChars(display, pixmap, gc, tkfont, label, 11, 100, 200, 45.0);
    }
    unsigned long r2 = NextRequest(display);
    XSync(display, False);

    printf("%-58s %10s %10s %7s\n", "pass", "ours ms", "peer ms", "ratio");
    printf("%-58s %10.2f %10.2f %7.2f\n",
           "rings: 20000-point ring + 200 holes vs even-odd XFillPolygon", rings, evenOdd,
           rings / evenOdd);
    printf("%-58s %10.2f %10.2f %7.2f\n",
           "text: 1000 labels 45 deg x1.5 vs TkDrawAngledChars", ours, tks, ours / tks);
    printf("text requests: ours %lu, Tk's %lu\n", r1 - r0, r2 - r1);

    ovexDeleteFont(font);
    Tk_FreeFont(tkfont);
    XFreeGC(display, gc);
    Tk_FreePixmap(display, pixmap);
    Tcl_DeleteInterp(interp);
    return 0;
}
