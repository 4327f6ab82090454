/*
 * draw.h --
 *
 *	The drawing layer over X11 for modules linked against libovex:
 *	polygons made of outer rings and holes, the regions they are built
 *	from, draw batches for many figures in one drawable, fonts with a
 *	width factor and an angle, turned text, and the colours of an 8-bit
 *	screen's colormap.
 *
 *	Everything else (lines, arcs, rectangles, copies, dashes, stipples,
 *	clip masks) is libX11's own and is drawn with its X* calls.
 */
#ifndef OVEX_DRAW_H
#define OVEX_DRAW_H

#include <tcl.h>
#include <tk.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "ovex.h"

#ifdef __cplusplus
extern "C" {
#endif


/* Tk's font attribute record (Tk's private tkFont.h). */
struct TkFontAttributes;

/* ---- rings and regions ---------------------------------------------- */

/* Sum over the ring of (x - previous x) * (y + previous y), the previous
 * point of the first being the last: minus twice the ring's area. A ring
 * running clockwise on the screen (y down) gives a negative value and is
 * a hole. Summed in 64 bits and clamped to the int range; 0 for count <= 0. */
OVEX_API int ringAreaInt(const XPoint *points, int count);

/* Fills a polygon of nRings rings whose points follow one another
 * (ringSizes[i] points for ring i), holes left empty. mode is
 * CoordModeOrigin or CoordModePrevious (each ring's first point is then
 * absolute). The shape hint is ignored. The GC is not changed; its clip
 * applies. */
OVEX_API void fillPolygonRings(Display *display, Drawable drawable, GC gc,
                                    const XPoint *points, int nRings, const int *ringSizes,
                                    int shape, int mode);

/* A new region of the polygon (even-odd when winding is 0, else winding);
 * freed with XDestroyRegion. */
OVEX_API Region polygonRegion(const XPoint *points, int count, int winding);
/* result = a | b, result = a ^ b (result may be a or b). */
OVEX_API void regionUnion(Region a, Region b, Region result);
OVEX_API void regionXor(Region a, Region b, Region result);

/* The X server draws in one graphics mode only: returns 0, does nothing. */
OVEX_API int setAdvancedGraphicsMode(Display *display, Drawable drawable, int on);

/* ---- draw batches ---------------------------------------------------- */

/* A batch draws many figures into one drawable; a GCObjects set binds a
 * GC to it. The GC itself is the drawing state: its clip, dashes,
 * stipple and function apply to every figure of the set. */
typedef struct DrawBatch DrawBatch;
typedef struct GCObjects GCObjects;

OVEX_API DrawBatch *beginDrawBatch(Display *display, Drawable drawable);
OVEX_API void endDrawBatch(DrawBatch *batch);
OVEX_API void restoreDrawBatch(DrawBatch *batch);
OVEX_API GCObjects *newGCObjects(DrawBatch *batch, GC gc);
OVEX_API void freeGCObjects(GCObjects *set);
OVEX_API void batchDrawLines(GCObjects *set, const XPoint *points, int count, int mode);
OVEX_API void batchFillPolygon(GCObjects *set, const XPoint *points, int count, int shape,
                                    int mode);
OVEX_API void batchFillPolygonRings(GCObjects *set, const XPoint *points, int nRings,
                                         const int *ringSizes, int shape, int mode);
/* An arc outline (fill 0) or a chord or pie by the GC's arc mode (fill 1);
 * angles in 1/64 degree. */
OVEX_API void batchDrawArc(GCObjects *set, int x, int y, unsigned int width,
                                unsigned int height, int start, int extent, int fill);
OVEX_API void batchDrawRectangle(GCObjects *set, int x, int y, unsigned int width,
                                      unsigned int height);
OVEX_API void batchFillRectangle(GCObjects *set, short x, short y, unsigned short width,
                                      unsigned short height);
OVEX_API void batchFillRectangles(GCObjects *set, const XRectangle *rects, int count);

/* ---- fonts and text -------------------------------------------------- */

typedef struct OvexFontFaces OvexFontFaces;

/* A font with a width factor and an angle. */
typedef struct OvexFont {
    /* attributes */
    Tk_Uid family;          /* the family that was found */
    double size;            /* points (negative: pixels), as asked */
    int weight;             /* 0 normal, 1 bold */
    int slant;              /* 0 roman, 1 italic */
    int underline;
    int overstrike;
    /* metrics of the unturned font */
    int pixels;             /* character height in pixels */
    int ascent;
    int descent;
    int maxWidth;
    int fixed;              /* every character equally wide */
    int averageWidth;       /* average character width after stretching */
    int tabWidth;           /* 8 times the width of "0" */
    int underlinePos;       /* below the baseline */
    int underlineHeight;
    /* turning */
    double widthFactor;     /* 0: natural width */
    double escapement;      /* degrees, counter-clockwise: direction of the baseline */
    double orientation;     /* degrees: direction of the glyphs with advanced set */
    int advanced;
    double stretch;         /* horizontal scale applied to the natural face */
    Tk_Font tkfont;         /* Tk's font of the same attributes, unturned */
    Tk_Window tkwin;        /* the window whose screen the font belongs to */
    OvexFontFaces *faces;   /* the Xft faces (private) */
} OvexFont;

/* Measuring flags, as Tk's. */
#define OVEX_WHOLE_WORDS 1
#define OVEX_AT_LEAST_ONE 2
#define OVEX_PARTIAL_OK 4

/* Pixels of a size: negative sizes are pixels, others points. */
OVEX_API int ovexFontGetPixels(Tk_Window tkwin, double size);
/* A font of the attributes (refilled in place when refill is not NULL).
 * widthFactor scales the average character width to |pixels| * factor (0
 * keeps the face's); escapement and orientation in degrees. A family that
 * is missing falls back to Tk's default font. Never NULL. */
OVEX_API OvexFont *ovexGetFontFromAttributes(OvexFont *refill, Tk_Window tkwin,
                                                  const struct TkFontAttributes *attributes,
                                                  double widthFactor, double escapement,
                                                  double orientation, int advanced);
/* The stock fonts "ansifixed", "ansi", "device", "oemfixed",
 * "systemfixed" and "system"; NULL for other names. */
OVEX_API OvexFont *ovexGetNativeFont(Tk_Window tkwin, const char *name);
OVEX_API void ovexDeleteFont(OvexFont *font);
/* Appends every font family to the interpreter's result, one list element each. */
OVEX_API void ovexGetFontFamilies(Tcl_Interp *interp, Tk_Window tkwin);
/* As Tk_MeasureChars: the bytes of source (numBytes) that fit in maxLength
 * pixels (all when maxLength <= 0), ending on a character boundary; their
 * width in *length. */
OVEX_API int ovexMeasureChars(OvexFont *font, const char *source, int numBytes,
                                   int maxLength, int flags, int *length);
/* Text with its baseline's left end at (x, y) in the GC's foreground,
 * turned as the font is; stippled when the GC's fill style says so. */
OVEX_API void ovexDrawChars(Display *display, Drawable drawable, GC gc, OvexFont *font,
                                 const char *source, int numBytes, int x, int y);
/* The same for the caller's turned text layouts (cosine and sine of the
 * angle the font was made with). */
OVEX_API void drawRotatedChars(Display *display, Drawable drawable, GC gc, OvexFont *font,
                                    const char *source, int numBytes, int x, int y,
                                    double cosine, double sine);
/* The box of a width x height text box turned by cosine and sine. */
OVEX_API void rotatedTextBounds(double cosine, double sine, int width, int height,
                                     int *left, int *top, int *boxWidth, int *boxHeight);

/* ---- palettes -------------------------------------------------------- */

/* On a colormap-indexed visual: the colours of the first min(n, map
 * entries, 256) cells, pixel i in colors[i]; returns the count. On other
 * visuals returns 0. */
OVEX_API int queryPaletteColors(Display *display, Colormap colormap, XColor *colors, int n);
/* Fills the colour of color->pixel on a colormap-indexed visual; leaves
 * it alone on others and for pixels past the map. */
OVEX_API void queryPaletteColor(Display *display, Colormap colormap, XColor *color);

#ifdef __cplusplus
}
#endif

#endif /* OVEX_DRAW_H */
