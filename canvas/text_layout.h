/*
 * text_layout.h --
 *
 *	Multi-line text layout over the drawing layer's fonts, with a
 *	rotation: lines broken at a wrap width, tabs, newlines and
 *	justification are computed in unrotated layout axes (x along the
 *	baseline, y down across the lines, origin at the top-left corner);
 *	drawing and the distance test turn the layout about its origin by
 *	the stored cosine and sine (a positive angle turns the text
 *	counter-clockwise on the screen).
 */
#ifndef OVEX_CANVAS_TEXT_LAYOUT_H
#define OVEX_CANVAS_TEXT_LAYOUT_H

#include <tcl.h>
#include <tk.h>

#include "ovex/draw.h"

/* Layout flags kept from the caller (as Tk's). */
enum { ROT_TEXT_IGNORE_TABS = 8, ROT_TEXT_IGNORE_NEWLINES = 16 };

/* One run of characters on one line. */
typedef struct LayoutChunk {
    const char *start;          /* first byte in the laid-out string */
    int numBytes;
    int numChars;               /* trailing spaces absorbed at the line end included */
    int numDisplayChars;        /* drawn; -1 for a tab, a newline or an empty chunk */
    int x, y;                   /* first character's x, baseline y, layout axes */
    int totalWidth;             /* absorbed spaces included */
    int displayWidth;
    int line;                   /* line number (for justification) */
} LayoutChunk;

typedef struct RotatedLayout {
    OvexFont *font;             /* not owned */
    const char *string;         /* not copied: the owner keeps it alive */
    int width;                  /* longest line */
    int numChunks;
    double cosine, sine;
    int capacity;
    LayoutChunk chunks[1];
} RotatedLayout;

RotatedLayout *rotTextComputeLayout(OvexFont *font, const char *string, int numChars,
                                    int wrapLength, int justify, int flags, int *width,
                                    int *height);
void rotTextSetRotation(RotatedLayout *layout, double sine, double cosine);
void rotTextFreeLayout(RotatedLayout *layout);

/* Drawable axes offset <-> layout axes. */
void rotTextToLayout(const RotatedLayout *layout, double *x, double *y);
void rotTextToLayoutXY(const RotatedLayout *layout, double x, double y, double *lx, double *ly);
void rotTextFromLayout(const RotatedLayout *layout, double lx, double ly, double *x, double *y);
void rotTextFromLayoutInPlace(const RotatedLayout *layout, double *x, double *y);

void rotTextDrawLayout(Display *display, Drawable drawable, GC gc, const RotatedLayout *layout,
                       int x, int y, int firstChar, int lastChar);
void rotTextUnderline(Display *display, Drawable drawable, GC gc, const RotatedLayout *layout,
                      int x, int y, int index);
int rotTextPointToChar(const RotatedLayout *layout, int x, int y);
int rotTextCharBbox(const RotatedLayout *layout, int index, int *x, int *y, int *width,
                    int *height);
int rotTextDistance(const RotatedLayout *layout, int x, int y);
int rotTextIntersect(const RotatedLayout *layout, int x, int y, int width, int height);
void rotTextLayoutToPostscript(Tcl_Interp *interp, const RotatedLayout *layout);

/* The tab width a layout uses with the font: the font's own, never 0. */
int rotTextTabWidth(const OvexFont *font);

#endif /* OVEX_CANVAS_TEXT_LAYOUT_H */
