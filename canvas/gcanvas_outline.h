/*
 * gcanvas_outline.h --
 *
 *	The outline record of items that draw outlines, dash lists, and the
 *	procedures that configure, adjust and restore the outline GC.
 */
#ifndef OVEX_CANVAS_GCANVAS_OUTLINE_H
#define OVEX_CANVAS_GCANVAS_OUTLINE_H

#include "canvas/gcanvas.h"

typedef struct DashList {
    int number;                 /* >0 lengths, <0 pattern characters, 0 none */
    union {
        char *pt;
        char array[sizeof(char *)];
    } pattern;
} DashList;

typedef struct ItemOutline {
    GC gc;
    double width, activeWidth, disabledWidth;
    int offset;                 /* -dashoffset */
    DashList dash, activeDash, disabledDash;
    void *reserved1, *reserved2, *reserved3;
    StippleOffset tsoffset;
    XColor *color;
    XColor *background;         /* drawn in the gaps of a dashed outline */
    XColor *activeColor, *disabledColor;
    Pixmap stipple, activeStipple, disabledStipple;
} ItemOutline;

extern Tk_CustomOption gcanvasDashOption;

void outlineInit(ItemOutline *outline);
void outlineFree(Display *display, ItemOutline *outline);
int outlineConfigGC(XGCValues *gcValues, GcCanvas canvas, GcanvasItem *item, ItemOutline *outline);
int outlineChangeGC(GcCanvas canvas, GcanvasItem *item, ItemOutline *outline);
int outlineResetGC(GcCanvas canvas, GcanvasItem *item, ItemOutline *outline);
/* Sets the outline GC's dashes to take up their pattern "along" pixels
 * from the start (0: the item's own -dashoffset), for lines drawn from a
 * point after their first, as cut at a guard box. changed: the dashes are
 * those of outlineChangeGC, else those the GC was made with. */
void outlineDashPhase(GcCanvas canvas, GcanvasItem *item, ItemOutline *outline, int changed, double along);
int outlinePostscript(GcCanvas canvas, GcanvasItem *item, ItemOutline *outline);
int dashConvert(char *out, const char *pattern, int n, double width);
int getDash(Tcl_Interp *interp, const char *value, DashList *dash);

/* PostScript helpers. */
double gcanvasPsY(GcCanvas canvas, double y);
int gcanvasPsColor(Tcl_Interp *interp, GcCanvas canvas, XColor *color);
int gcanvasPsStipple(Tcl_Interp *interp, GcCanvas canvas, Pixmap bitmap);

#endif /* OVEX_CANVAS_GCANVAS_OUTLINE_H */
