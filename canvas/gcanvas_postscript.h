/*
 * gcanvas_postscript.h --
 *
 *	PostScript functions for item types beyond those in
 *	gcanvas_outline.h: fonts, bitmaps, paths, images, and the colour of a
 *	screen pixel value.
 */
#ifndef OVEX_CANVAS_GCANVAS_POSTSCRIPT_H
#define OVEX_CANVAS_GCANVAS_POSTSCRIPT_H

#include "canvas/gcanvas.h"

/* What the colour of a pixel value depends on. */
typedef struct PsVisualInfo {
    int trueColor;              /* TrueColor or DirectColor: colours come from the masks */
    unsigned long redMask, greenMask, blueMask;
    int mapEntries;
} PsVisualInfo;

/* The colour (0..1 per channel) of a pixel value: from the masks on
 * TrueColor and DirectColor visuals, else from the queried cells. */
void psPixelColor(const PsVisualInfo *v, const XColor *cells, unsigned long pixel, double *r, double *g,
                  double *b);

int getPostscriptPoints(Tcl_Interp *interp, const char *string, double *out);
int gcanvasPsFont(Tcl_Interp *interp, GcCanvas c, Tk_Font tkfont);
int gcanvasPsBitmap(Tcl_Interp *interp, GcCanvas c, Pixmap bitmap, int x, int y, int width, int height);
void gcanvasPsPath(Tcl_Interp *interp, GcCanvas c, const double *world, int n);
int gcanvasPsImage(Tcl_Interp *interp, GcCanvas c, XImage *ximage, int x, int y, int width, int height);

#endif /* OVEX_CANVAS_GCANVAS_POSTSCRIPT_H */
