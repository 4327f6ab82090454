/*
 * ddw_widget.h --
 *
 *	The ddw widget: a window showing a RAM image (band combination and
 *	per-band stretch) or a video, drawn through the surfaces of
 *	dd_x11.h. The record, and the functions its files share.
 */
#ifndef OVEX_WIDGETS_DDW_DDW_WIDGET_H
#define OVEX_WIDGETS_DDW_DDW_WIDGET_H

#include <tk.h>

#include "core/custom_options.h"
#include "ovex/ramimage.h"
#include "widgets/ddw/dd_x11.h"

struct VideoStream;

enum { DDW_PALETTE_NONE = 0, DDW_PALETTE_GREY = 1, DDW_PALETTE_CUBE = 2, DDW_PALETTE_IMAGE = 3 };

typedef struct DdwWidget {
    Tcl_Interp *interp;
    Tk_Window tkwin;                /* NULL once the window is destroyed */
    Window windowId;
    Colormap colormap;
    Display *display;               /* NULL marks the record freed */
    GC gc;
    XColor *foregroundColor, *backgroundColor;
    Tcl_Command widgetCmd;
    int redrawPending;
    int width, height;
    BandCombination comb;
    int paletteCount;
    unsigned char palette[256][3];
    unsigned char indexMap[256];
    double std;
    unsigned long *pixels;
    int pixelCount;
    Tk_Uid background, foreground, imageName, teststr, video, vvar, vstop;
    RAMIMG *image;
    struct VideoStream *stream;
    int playState;
    Tcl_TimerToken timer;
    double endTime;
    int primaryReady;               /* primary holds the window */
    DdPrimary primary;
    DdSurface back;
    int backReady;
    RamImageClient client;
    double low[3], high[3];
    int paletteKind;
    unsigned long textPixel;        /* pure red for -teststr */
    int textPixelAllocated;
} DdwWidget;

/* ddw_render.cpp */
int ddwRender(DdwWidget *w);
void ddwRenderImage(DdwWidget *w, int force);
int ddwBlt(DdwWidget *w);
int ddwCreateBackSurface(DdwWidget *w);
void ddwBuildPalette(DdwWidget *w, const unsigned char (*rgb)[3], int n, int useIndexMap,
                     int colourMode, int force);
void ddwFreePaletteColors(DdwWidget *w);
int ddwTestArea(DdwWidget *w);
int ddwTestLine(DdwWidget *w);
/* Scales one row of a wide band to bytes (see ddw_render.cpp). */
void ddwScaleValues(const float *values, int n, double low, double high, unsigned char *out,
                    int stride);

/* ddw_video.cpp */
int ddwOpenVideo(DdwWidget *w, const char *file);
void ddwCloseVideo(DdwWidget *w, int destroying);
int ddwVideoCmd(DdwWidget *w, Tcl_Interp *interp, int argc, const char **argv);
int ddwShowCmd(DdwWidget *w, Tcl_Interp *interp, int argc, const char **argv);

#endif /* OVEX_WIDGETS_DDW_DDW_WIDGET_H */
