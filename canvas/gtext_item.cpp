/*
 * gtext_item.cpp --
 *
 *	The gtext item: the text item turned and stretched. Its text runs at
 *	an escapement angle (measured in world axes), its glyphs may lean at
 *	their own orientation, and their width may be set as a ratio of their
 *	height. The layout carries the escapement; the four corners of the
 *	turned layout give the box, place the text and the cursor.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "canvas/text_item.h"
#include "core/rounding.h"
#include "ovex/ovexstdio.h"

#define T(f) TEXT_ITEM_SPEC(f)

static Tk_ConfigSpec configSpecs[] = {
    {TK_CONFIG_COLOR, "-activefill", NULL, NULL, NULL, T(activeColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-activestipple", NULL, NULL, NULL, T(activeStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_ANCHOR, "-anchor", NULL, NULL, "center", T(anchor), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_DOUBLE, "-aspectratio", "aspectratio", "Aspectratio", "0.0", T(aspectRatio), 0, NULL},
    {TK_CONFIG_COLOR, "-disabledfill", NULL, NULL, NULL, T(disabledColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-disabledstipple", NULL, NULL, NULL, T(disabledStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_DOUBLE, "-escapement", "escapement", "Escapement", "0.0", T(escapement), 0, NULL},
    {TK_CONFIG_COLOR, "-fill", NULL, NULL, "black", T(color), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_INT, "-floating", NULL, NULL, "0", T(header.floating), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_FONT, "-font", NULL, NULL, "{MS Sans Serif} 8", T(tkfont), 0, NULL},
    {TK_CONFIG_JUSTIFY, "-justify", NULL, NULL, "left", T(justify), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-offset", NULL, NULL, "0,0", T(tsoffset), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasRelOffsetOption},
    {TK_CONFIG_DOUBLE, "-orientation", "orientation", "Orientation", "0.0", T(orientation), 0, NULL},
    {TK_CONFIG_INT, "-scalable", NULL, NULL, "0", T(header.scalable), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-state", NULL, NULL, NULL, T(header.state), TK_CONFIG_NULL_OK, &gcanvasStateOption},
    {TK_CONFIG_BITMAP, "-stipple", NULL, NULL, NULL, T(stipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-tags", NULL, NULL, NULL, 0, TK_CONFIG_NULL_OK, &gcanvasTagsOption},
    {TK_CONFIG_STRING, "-text", NULL, NULL, "", T(text), 0, NULL},
    {TK_CONFIG_PIXELS, "-width", NULL, NULL, "0", T(width), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

static const double PI = 3.14159265358979323846;

/* Anchor fractions along the layout's width (fx) and height (fy). */
static void anchorFractions(Tk_Anchor anchor, double *fx, double *fy)
{
    switch (anchor) {
    case TK_ANCHOR_NW: case TK_ANCHOR_W: case TK_ANCHOR_SW: *fx = 0; break;
    case TK_ANCHOR_N: case TK_ANCHOR_CENTER: case TK_ANCHOR_S: *fx = 0.5; break;
    default: *fx = 1; break;
    }
    switch (anchor) {
    case TK_ANCHOR_NW: case TK_ANCHOR_N: case TK_ANCHOR_NE: *fy = 0; break;
    case TK_ANCHOR_W: case TK_ANCHOR_CENTER: case TK_ANCHOR_E: *fy = 0.5; break;
    default: *fy = 1; break;
    }
}

static void collapse(GcanvasItem *item, TextItem *t, double cx, double cy)
{
    item->x1 = item->x2 = cx;
    item->y1 = item->y2 = cy;
    item->marginX = item->marginY = 0;
    t->leftEdge = t->rightEdge = roundToInt(cx);
    for (int i = 0; i < 8; i++) t->corners[i] = 0;
}

static void gtextBbox(GcCanvas c, GcanvasItem *item)
{
    TextItem *t = (TextItem *)item;
    GcanvasWidget *widget = gcanvasWidgetOf(c);
    double cx = worldToCanvasX(c, t->x), cy = worldToCanvasY(c, t->y);
    /* The escapement runs from the world x axis toward the world y axis. */
    double e = c->my <= 0 ? t->escapement : -t->escapement;
    double sx, sy;
    int size;
    if (t->tkfont == NULL || t->text == NULL || !scaledTextSize(c, item->scalable, t->givenSize, &sx, &sy, &size)) {
        textItemDropLayout(t);
        collapse(item, t, cx, cy);
        return;
    }
    double factor;
    if (t->aspectRatio == 0.0) {
        factor = sx == sy ? 0.0 : (sx / sy) * 0.4;
    } else {
        factor = (sx / sy) * t->aspectRatio;
    }
    /* The angle to tenths of a degree, for the glyphs and the layout alike. */
    int tenths = roundToInt(e * 10);
    OvexFont *font = acquireScaledFont(gcanvasTkwin(c), t->tkfont, size, factor, tenths / 10.0,
                                       t->orientation, widget->graphicsMode != 0);
    textItemDropLayout(t);
    releaseScaledFont(t->scaledFont);
    t->scaledFont = font;
    int w = 0, h = 0;
    t->layout = rotTextComputeLayout(font, t->text, t->numChars, t->width, t->justify, 0, &w, &h);
    double a = tenths * PI / 1800.0;
    double cs = cos(a), sn = sin(a);
    rotTextSetRotation(t->layout, sn, cs);
    XColor *color;
    Pixmap stipple;
    textItemChoose(c, t, &color, &stipple);
    if (textItemState(c, item) == GC_STATE_HIDDEN || color == NULL) w = h = 0;
    double fx, fy;
    anchorFractions(t->anchor, &fx, &fy);
    double *p = t->corners;
    p[0] = -fx * w * cs - fy * h * sn;
    p[1] = fx * w * sn - fy * h * cs;
    p[2] = p[0] + w * cs;
    p[3] = p[1] - w * sn;
    p[4] = p[2] + h * sn;
    p[5] = p[3] + h * cs;
    p[6] = p[0] + h * sn;
    p[7] = p[1] + h * cs;
    double x1 = p[0], y1 = p[1], x2 = p[0], y2 = p[1];
    for (int i = 1; i < 4; i++) {
        x1 = fmin(x1, p[2 * i]);
        x2 = fmax(x2, p[2 * i]);
        y1 = fmin(y1, p[2 * i + 1]);
        y2 = fmax(y2, p[2 * i + 1]);
    }
    int f = textItemMargin(c);
    item->x1 = x1 + cx;
    item->y1 = y1 + cy;
    item->x2 = x2 + cx;
    item->y2 = y2 + cy;
    t->leftEdge = roundToInt(item->x1);
    t->rightEdge = t->leftEdge + w;
    item->x1 -= f;
    item->x2 += f;
    item->marginX = (float)f;
    item->marginY = 0;
}

static int gtextConfigure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                          int flags)
{
    return textItemConfigure(interp, c, item, objc, objv, flags);
}

static void gtextDisplay(GcCanvas c, GcanvasItem *item, Display *display, Drawable drawable, int, int, int,
                         int)
{
    TextItem *t = (TextItem *)item;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    GcanvasTextInfo *info = t->textInfoPtr;
    Pixmap stipple;
    int first, last;
    if (!textItemDisplayBegin(c, t, display, drawable, &stipple, &first, &last)) return;

    int x, y, height;
    if (info->focusItemPtr == item && info->gotFocus
            && rotTextCharBbox(t->layout, t->insertPos, &x, &y, NULL, &height)) {
        double lx[4] = {(double)(x - info->insertWidth), (double)(x - info->insertWidth), (double)x, (double)x};
        double ly[4] = {(double)y, (double)(y + height), (double)(y + height), (double)y};
        double ox = t->x * c->mx + t->corners[0] - c->sxOrigin;
        double oy = t->y * c->my + t->corners[1] - c->syOrigin;
        XPoint points[5];
        for (int i = 0; i < 4; i++) {
            double dx, dy;
            rotTextFromLayout(t->layout, lx[i], ly[i], &dx, &dy);
            points[i].x = gcanvasDrawableCoords(w->drawableXOrigin, ox + dx);
            points[i].y = gcanvasDrawableCoords(w->drawableYOrigin, oy + dy);
        }
        points[4] = points[0];
        if (info->cursorOn) {
            if (info->insertBorder != NULL) {
                GC gc = Tk_3DBorderGC(gcanvasTkwin(c), info->insertBorder, TK_3D_FLAT_GC);
                XFillPolygon(display, drawable, gc, points, 5, Complex, CoordModeOrigin);
            }
        } else if (t->cursorOffGC != NULL) {
            XFillPolygon(display, drawable, t->cursorOffGC, points, 5, Complex, CoordModeOrigin);
        }
    }

    double cx = worldToCanvasX(c, t->x), cy = worldToCanvasY(c, t->y);
    int px = gcanvasDrawableCoords(w->drawableXOrigin, roundToInt(cx) + t->corners[0]);
    int py = gcanvasDrawableCoords(w->drawableYOrigin, roundToInt(cy) + t->corners[1]);
    int previous = setAdvancedGraphicsMode(display, drawable, w->graphicsMode != 0);
    textItemDisplayText(t, display, drawable, px, py, first, last, stipple);
    setAdvancedGraphicsMode(display, drawable, previous);
}

static double gtextPoint(GcCanvas c, GcanvasItem *item, double *p)
{
    TextItem *t = (TextItem *)item;
    if (textItemBlank(c, t) || t->layout == NULL) return 1.0e36;
    double cx = worldToCanvasX(c, t->x), cy = worldToCanvasY(c, t->y);
    return rotTextDistance(t->layout, roundToInt(p[0] - cx - t->corners[0]),
                           roundToInt(p[1] - cy - t->corners[1]));
}

static int gtextIndex(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, Tcl_Obj *obj, int *indexPtr)
{
    TextItem *t = (TextItem *)item;
    int isPoint;
    double x, y;
    if (textItemIndexCommon(interp, c, item, obj, indexPtr, &isPoint, &x, &y) != TCL_OK) return TCL_ERROR;
    if (isPoint) {
        GcanvasWidget *w = gcanvasWidgetOf(c);
        x += w->xOrigin - (worldToCanvasX(c, t->x) + t->corners[0]);
        y += w->yOrigin - (worldToCanvasY(c, t->y) + t->corners[1]);
        if (t->layout == NULL) {
            *indexPtr = 0;
        } else {
            rotTextToLayout(t->layout, &x, &y);
            *indexPtr = rotTextPointToChar(t->layout, (int)x, (int)y);
        }
        ovex_fprintf(stderr, "index:%d\n", *indexPtr);
    }
    return TCL_OK;
}

GcanvasItemType gcanvasGtextType = {
    "gtext", sizeof(TextItem), textItemCreate, configSpecs, gtextConfigure, textItemCoords,
    textItemDelete, gtextDisplay, GC_TYPE_OBJECTS, gtextPoint, textItemArea, textItemPostscript,
    textItemScale, textItemTranslate, gtextIndex, textItemSetCursor, textItemGetSelection,
    textItemInsert, textItemDeleteChars, gtextBbox, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
    NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL};
