/*
 * text_item.h --
 *
 *	The record and the procedures that the text and gtext items share:
 *	options, GCs, editing, indices, selection, the scaled text size and
 *	the PostScript of a text. The gtext item adds its angles and the
 *	corners of its turned layout to the same record.
 */
#ifndef OVEX_CANVAS_TEXT_ITEM_H
#define OVEX_CANVAS_TEXT_ITEM_H

#include "canvas/gcanvas.h"
#include "canvas/text_layout.h"

typedef struct TextItem {
    GcanvasItem header;
    GcanvasTextInfo *textInfoPtr;
    double x, y;                /* anchor point, world units */
    int insertPos;
    Tk_Anchor anchor;
    StippleOffset tsoffset;
    XColor *color, *activeColor, *disabledColor;
    Tk_Font tkfont;
    OvexFont *scaledFont;       /* shared through the scaled font cache */
    Tk_Justify justify;
    Pixmap stipple, activeStipple, disabledStipple;
    char *text;
    int width;                  /* wrap length, pixels */
    int numChars, numBytes;
    RotatedLayout *layout;      /* over scaledFont and text; NULL while the text is not shown */
    double leftEdge, rightEdge; /* canvas pixels */
    GC gc, selTextGC, cursorOffGC;
    double dx, dy;              /* layout's top-left from the anchor, canvas pixels */
    double givenSize;           /* the -font's size as given (points, or negative pixels) */
    /* gtext only */
    double corners[8];          /* P0..P3 relative to the anchor, canvas pixels */
    double escapement, orientation, aspectRatio;
} TextItem;

/* The option table entries both types share (terminated). */
#define TEXT_ITEM_SPEC(f) ((int)offsetof(TextItem, f))

/* Shared procedures. */
int textItemCreate(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[]);
int textItemConfigure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                      int flags);
int textItemCoords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[]);
void textItemDelete(GcCanvas c, GcanvasItem *item, Display *display);
void textItemScale(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy);
void textItemTranslate(GcCanvas c, GcanvasItem *item, double dx, double dy);
int textItemIndexCommon(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, Tcl_Obj *obj, int *indexPtr,
                        int *isPoint, double *px, double *py);
void textItemSetCursor(GcCanvas c, GcanvasItem *item, int index);
int textItemGetSelection(GcCanvas c, GcanvasItem *item, int offset, char *buffer, int maxBytes);
void textItemInsert(GcCanvas c, GcanvasItem *item, int beforeThis, Tcl_Obj *obj);
void textItemDeleteChars(GcCanvas c, GcanvasItem *item, int first, int last);
int textItemPostscript(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int prepass);

/* Colour and stipple by state (current item: active; disabled: disabled). */
void textItemChoose(GcCanvas c, TextItem *t, XColor **color, Pixmap *stipple);
/* The effective state (the widget's when the item follows it). */
int textItemState(GcCanvas c, GcanvasItem *item);
/* True when the item draws nothing at all: hidden, no colour, no text. */
int textItemBlank(GcCanvas c, TextItem *t);
/* Where the rectangle r (canvas pixels) lies against the text: -1 outside,
 * 0 across, 1 inside. */
int textItemArea(GcCanvas c, GcanvasItem *item, double *r);
/* Drops the layout (the text is not shown, or is about to change). */
void textItemDropLayout(TextItem *t);

/* The scaled text size rule: sx, sy and the size; 0 when the text is
 * not shown at the present scale (size below -textsizemin). */
int scaledTextSize(GcCanvas c, int scalable, double givenSize, double *sx, double *sy, int *size);
/* The size of a Tk font as its description gives it (points, negative
 * pixels, 0 when none is given). */
double fontGivenSize(Tcl_Interp *interp, Tk_Font tkfont);
/* A font of tkfont's attributes at size, shared among the items that ask
 * for the same one; released with releaseScaledFont. */
OvexFont *acquireScaledFont(Tk_Window tkwin, Tk_Font tkfont, int size, double widthFactor,
                            double escapement, double orientation, int advanced);
void releaseScaledFont(OvexFont *font);

/* Margin of the box for the insertion cursor and the selection border. */
int textItemMargin(GcCanvas c);
/* Selection background and cursor of an unturned layout placed at
 * (left, top) canvas pixels. */
void textItemDrawSelection(GcCanvas c, TextItem *t, Display *display, Drawable drawable, double left,
                           double right, double top, int *firstPtr, int *lastPtr);

/* The start of drawing a text item: 0 when nothing is shown; else sets
 * the stipple offset, draws the selection background and gives the
 * stipple and the selected characters. */
int textItemDisplayBegin(GcCanvas c, TextItem *t, Display *display, Drawable drawable, Pixmap *stipplePtr,
                         int *firstPtr, int *lastPtr);

/* Draws the layout at drawable (px, py), the selected characters again in
 * the selection colour, and puts the stipple origin back. */
void textItemDisplayText(TextItem *t, Display *display, Drawable drawable, int px, int py, int first, int last,
                         Pixmap stipple);

extern GcanvasItemType gcanvasTextType, gcanvasGtextType;

#endif /* OVEX_CANVAS_TEXT_ITEM_H */
