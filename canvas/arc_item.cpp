/*
 * arc_item.cpp --
 *
 *	Arc items: a section of the oval inscribed in a rectangle given in
 *	world units, as a pie slice, a chord or an open arc. Drawing, hit
 *	tests and PostScript work on the rectangle in canvas pixels; the
 *	angles are mirrored along a flipped axis so that an arc keeps its
 *	world orientation.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>
#include "canvas/gcanvas_outline.h"
#include "canvas/guard_clip.h"
#include "canvas/item_kit.h"
#include "core/rounding.h"
#include "display/windraw/lines_split.h"

/* Geometry routines libtk exports (declared in Tk's private tkInt.h). */
extern "C" {
void TkGetButtPoints(double p1[], double p2[], double width, int project, double m1[], double m2[]);
double TkLineToPoint(double end1Ptr[], double end2Ptr[], double pointPtr[]);
int TkLineToArea(double end1Ptr[], double end2Ptr[], double rectPtr[]);
double TkPolygonToPoint(double *polyPtr, int numPoints, double *pointPtr);
int TkPolygonToArea(double *polyPtr, int numPoints, double *rectPtr);
double TkOvalToPoint(double ovalPtr[], double width, int filled, double pointPtr[]);
}

enum { PIESLICE_STYLE = 0, CHORD_STYLE = 1, ARC_STYLE = 2 };

/* Points of the polygons that draw thick straight edges. */
enum { CHORD_OUTLINE_PTS = 7, PIE_OUTLINE1_PTS = 6, PIE_OUTLINE2_PTS = 7, OUTLINE_DOUBLES = 26 };

static const double PI = 3.14159265358979323846;

typedef struct ArcItem {
    GcanvasItem header;
    ItemOutline outline;
    double bbox[4];             /* world rectangle */
    double start;               /* degrees, [0, 360) */
    double extent;              /* degrees, (-360, 360) */
    double *outlinePtr;         /* canvas pixels; null until first needed */
    int numOutlinePoints;
    StippleOffset tsoffset;
    XColor *fillColor, *activeFillColor, *disabledFillColor;
    Pixmap fillStipple, activeFillStipple, disabledFillStipple;
    int style;
    GC fillGC;
    double center1[2], center2[2];   /* canvas pixels: the ends of the arc */
} ArcItem;

static int styleParse(ClientData, Tcl_Interp *interp, Tk_Window, const char *value, char *rec, int offset)
{
    int *field = (int *)(rec + offset);
    size_t n = value ? strlen(value) : 0;
    if (n == 0) {
        *field = PIESLICE_STYLE;
        return TCL_OK;
    }
    if (value[0] == 'a' && strncmp(value, "arc", n) == 0) {
        *field = ARC_STYLE;
        return TCL_OK;
    }
    if (value[0] == 'c' && strncmp(value, "chord", n) == 0) {
        *field = CHORD_STYLE;
        return TCL_OK;
    }
    if (value[0] == 'p' && strncmp(value, "pieslice", n) == 0) {
        *field = PIESLICE_STYLE;
        return TCL_OK;
    }
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "bad -style option \"", value, "\": must be arc, chord, or pieslice", (char *)NULL);
    *field = PIESLICE_STYLE;
    return TCL_ERROR;
}

static const char *stylePrint(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    *freeProc = NULL;
    int style = *(int *)(rec + offset);
    return style == ARC_STYLE ? "arc" : style == CHORD_STYLE ? "chord" : "pieslice";
}

static Tk_CustomOption styleOption = {styleParse, stylePrint, NULL};

#define AO(f) ((int)offsetof(ArcItem, f))

static Tk_ConfigSpec configSpecs[] = {
    {TK_CONFIG_CUSTOM, "-activedash", NULL, NULL, NULL, AO(outline.activeDash), TK_CONFIG_NULL_OK,
     &gcanvasDashOption},
    {TK_CONFIG_COLOR, "-activefill", NULL, NULL, NULL, AO(activeFillColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-activeoutline", NULL, NULL, NULL, AO(outline.activeColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-activeoutlinestipple", NULL, NULL, NULL, AO(outline.activeStipple),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-activestipple", NULL, NULL, NULL, AO(activeFillStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-activewidth", NULL, NULL, "0.0", AO(outline.activeWidth),
     TK_CONFIG_DONT_SET_DEFAULT, &gcanvasPixelOption},
    {TK_CONFIG_COLOR, "-background", "background", "Background", NULL, AO(outline.background),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_SYNONYM, "-bg", "background", NULL, NULL, 0, 0, NULL},
    {TK_CONFIG_CUSTOM, "-dash", NULL, NULL, NULL, AO(outline.dash), TK_CONFIG_NULL_OK, &gcanvasDashOption},
    {TK_CONFIG_PIXELS, "-dashoffset", NULL, NULL, "0", AO(outline.offset), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-disableddash", NULL, NULL, NULL, AO(outline.disabledDash), TK_CONFIG_NULL_OK,
     &gcanvasDashOption},
    {TK_CONFIG_COLOR, "-disabledfill", NULL, NULL, NULL, AO(disabledFillColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-disabledoutline", NULL, NULL, NULL, AO(outline.disabledColor), TK_CONFIG_NULL_OK,
     NULL},
    {TK_CONFIG_BITMAP, "-disabledoutlinestipple", NULL, NULL, NULL, AO(outline.disabledStipple),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-disabledstipple", NULL, NULL, NULL, AO(disabledFillStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-disabledwidth", NULL, NULL, "0.0", AO(outline.disabledWidth),
     TK_CONFIG_DONT_SET_DEFAULT, &gcanvasPixelOption},
    {TK_CONFIG_DOUBLE, "-extent", NULL, NULL, "90", AO(extent), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_COLOR, "-fill", NULL, NULL, NULL, AO(fillColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-offset", NULL, NULL, "0,0", AO(tsoffset), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasRelOffsetOption},
    {TK_CONFIG_COLOR, "-outline", NULL, NULL, "black", AO(outline.color), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-outlineoffset", NULL, NULL, "0,0", AO(outline.tsoffset), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasRelOffsetOption},
    {TK_CONFIG_BITMAP, "-outlinestipple", NULL, NULL, NULL, AO(outline.stipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_DOUBLE, "-start", NULL, NULL, "0", AO(start), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-state", NULL, NULL, NULL, AO(header.state), TK_CONFIG_NULL_OK, &gcanvasStateOption},
    {TK_CONFIG_BITMAP, "-stipple", NULL, NULL, NULL, AO(fillStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-style", NULL, NULL, NULL, AO(style), TK_CONFIG_DONT_SET_DEFAULT, &styleOption},
    {TK_CONFIG_CUSTOM, "-tags", NULL, NULL, NULL, 0, TK_CONFIG_NULL_OK, &gcanvasTagsOption},
    {TK_CONFIG_CUSTOM, "-width", NULL, NULL, "1.0", AO(outline.width), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasPixelOption},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

/* ---- effective values ---- */

/* The outline width in use. strict: a disabled width counts only when it
 * exceeds the plain one (the outline geometry), else when it is set. */
static double effWidth(GcCanvas c, ArcItem *a, int strict)
{
    ItemOutline *o = &a->outline;
    double width = o->width;
    if (gcanvasIsCurrentItem(c, &a->header)) {
        if (o->activeWidth > width) width = o->activeWidth;
    } else if (gcanvasItemState(c, &a->header) == GC_STATE_DISABLED) {
        if (strict ? o->disabledWidth > width : o->disabledWidth > 0) width = o->disabledWidth;
    }
    return width * gcanvasWidgetOf(c)->pixelRatio;
}

static DashList *effDash(GcCanvas c, ArcItem *a)
{
    ItemOutline *o = &a->outline;
    if (gcanvasIsCurrentItem(c, &a->header)) {
        if (o->activeDash.number != 0) return &o->activeDash;
    } else if (gcanvasItemState(c, &a->header) == GC_STATE_DISABLED) {
        if (o->disabledDash.number != 0) return &o->disabledDash;
    }
    return &o->dash;
}

static void effOutline(GcCanvas c, ArcItem *a, XColor **color, Pixmap *stipple)
{
    ItemOutline *o = &a->outline;
    *color = o->color;
    *stipple = o->stipple;
    if (gcanvasIsCurrentItem(c, &a->header)) {
        if (o->activeColor) *color = o->activeColor;
        if (o->activeStipple != None) *stipple = o->activeStipple;
    } else if (gcanvasItemState(c, &a->header) == GC_STATE_DISABLED) {
        if (o->disabledColor) *color = o->disabledColor;
        if (o->disabledStipple != None) *stipple = o->disabledStipple;
    }
}

static void effFill(GcCanvas c, ArcItem *a, XColor **color, Pixmap *stipple)
{
    *color = a->fillColor;
    *stipple = a->fillStipple;
    if (gcanvasIsCurrentItem(c, &a->header)) {
        if (a->activeFillColor) *color = a->activeFillColor;
        if (a->activeFillStipple != None) *stipple = a->activeFillStipple;
    } else if (gcanvasItemState(c, &a->header) == GC_STATE_DISABLED) {
        if (a->disabledFillColor) *color = a->disabledFillColor;
        if (a->disabledFillStipple != None) *stipple = a->disabledFillStipple;
    }
}

/* Brings an angle into [0, 360) (start) or (-360, 360) (extent). */
static double reduceStart(double s)
{
    s -= (double)(long long)(s / 360.0) * 360.0;
    if (s < 0) s += 360.0;
    return s + 0.0; /* no negative zero */
}

static double reduceExtent(double e)
{
    return e - (double)(long long)(e / 360.0) * 360.0 + 0.0;
}

/*
 * arcMirrorAngles --
 *	The start and extent as drawn on the screen: a negative scale
 *	mirrors the arc along its axis, so that it covers the same world
 *	points on a flipped axis.
 */
static void arcMirrorAngles(GcCanvas c, ArcItem *a, double *sOut, double *eOut)
{
    double s = a->start, e = a->extent;
    if (c->mx < 0 && c->my < 0) {
        s = s + 180.0;
    } else if (c->my < 0) {
        s = -s;
        e = -e;
    } else if (c->mx < 0) {
        s = 180.0 - s;
        e = -e;
    }
    *sOut = reduceStart(s);
    *eOut = reduceExtent(e);
}

/* The item's rectangle in canvas pixels, ordered. */
static void canvasRect(GcCanvas c, ArcItem *a, double *r)
{
    worldCornersToScreen(c, a->bbox, r);
}

/*
 * arcComputeOutline --
 *	The two ends of the arc and the polygons that draw thick straight
 *	edges of chords and pie slices, in canvas pixels.
 */
static void arcComputeOutline(GcCanvas c, ArcItem *a)
{
    double r[4];
    canvasRect(c, a, r);
    double s, e;
    arcMirrorAngles(c, a, &s, &e);
    double w = r[2] - r[0], h = r[3] - r[1];
    double vertex[2] = {(r[0] + r[2]) / 2.0, (r[1] + r[3]) / 2.0};
    double a1 = -s * (PI / 180.0);
    double a2 = a1 - e * (PI / 180.0);
    double sin1 = sin(a1), cos1 = cos(a1), sin2 = sin(a2), cos2 = cos(a2);
    a->center1[0] = vertex[0] + cos1 * w / 2.0;
    a->center1[1] = vertex[1] + sin1 * h / 2.0;
    a->center2[0] = vertex[0] + cos2 * w / 2.0;
    a->center2[1] = vertex[1] + sin2 * h / 2.0;

    if (a->outlinePtr == NULL) {
        a->outlinePtr = (double *)ckalloc(OUTLINE_DOUBLES * sizeof(double));
        memset(a->outlinePtr, 0, OUTLINE_DOUBLES * sizeof(double));
        a->numOutlinePoints = 22;
    }
    double *p = a->outlinePtr;
    double width = a->outline.width < 1.0 ? 1.0 : a->outline.width;
    double ew = effWidth(c, a, 1);
    if (ew > width) width = ew;
    double halfWidth = width / 2.0;

    /* The outer corner of each end, along the oval's normal there. */
    double corner1[2], corner2[2];
    double y = w * sin1, x = h * cos1;
    double angle = (x == 0.0 && y == 0.0) ? 0.0 : atan2(y, x);
    corner1[0] = a->center1[0] + cos(angle) * halfWidth;
    corner1[1] = a->center1[1] + sin(angle) * halfWidth;
    y = w * sin2;
    x = h * cos2;
    angle = (x == 0.0 && y == 0.0) ? 0.0 : atan2(y, x);
    corner2[0] = a->center2[0] + cos(angle) * halfWidth;
    corner2[1] = a->center2[1] + sin(angle) * halfWidth;

    if (a->style == CHORD_STYLE) {
        p[0] = p[12] = corner1[0];
        p[1] = p[13] = corner1[1];
        TkGetButtPoints(a->center2, a->center1, width, 0, p + 10, p + 2);
        p[4] = a->center2[0] + p[2] - a->center1[0];
        p[5] = a->center2[1] + p[3] - a->center1[1];
        p[6] = corner2[0];
        p[7] = corner2[1];
        p[8] = a->center2[0] + p[10] - a->center1[0];
        p[9] = a->center2[1] + p[11] - a->center1[1];
    } else if (a->style == PIESLICE_STYLE) {
        TkGetButtPoints(a->center1, vertex, width, 0, p, p + 2);
        p[4] = a->center1[0] + p[2] - vertex[0];
        p[5] = a->center1[1] + p[3] - vertex[1];
        p[6] = corner1[0];
        p[7] = corner1[1];
        p[8] = a->center1[0] + p[0] - vertex[0];
        p[9] = a->center1[1] + p[1] - vertex[1];
        p[10] = p[0];
        p[11] = p[1];
        TkGetButtPoints(a->center2, vertex, width, 0, p + 12, p + 16);
        if (e > 180.0 || (e < 0.0 && e > -180.0)) {
            p[14] = p[0];
            p[15] = p[1];
        } else {
            p[14] = p[2];
            p[15] = p[3];
        }
        p[18] = a->center2[0] + p[16] - vertex[0];
        p[19] = a->center2[1] + p[17] - vertex[1];
        p[20] = corner2[0];
        p[21] = corner2[1];
        p[22] = a->center2[0] + p[12] - vertex[0];
        p[23] = a->center2[1] + p[13] - vertex[1];
        p[24] = p[12];
        p[25] = p[13];
    }
}

/* Whether the screen angle a (degrees) lies inside the mirrored arc. */
static int angleInArc(double a, double s, double e)
{
    double t = a - s;
    if (t < 0) t += 360.0;
    return t < e || t - 360.0 > e;
}

static void includeXY(GcanvasItem *item, double x, double y)
{
    if (x < item->x1) item->x1 = x;
    if (x > item->x2) item->x2 = x;
    if (y < item->y1) item->y1 = y;
    if (y > item->y2) item->y2 = y;
}

static void arcComputeBbox(GcCanvas c, GcanvasItem *item)
{
    ArcItem *a = (ArcItem *)item;
    if (gcanvasItemState(c, item) == GC_STATE_HIDDEN) {
        item->x1 = item->y1 = item->x2 = item->y2 = -1;
        return;
    }
    double t;
    if (a->bbox[2] < a->bbox[0]) { t = a->bbox[0]; a->bbox[0] = a->bbox[2]; a->bbox[2] = t; }
    if (a->bbox[3] < a->bbox[1]) { t = a->bbox[1]; a->bbox[1] = a->bbox[3]; a->bbox[3] = t; }
    arcComputeOutline(c, a);
    double r[4];
    canvasRect(c, a, r);
    double cx = (r[0] + r[2]) / 2.0, cy = (r[1] + r[3]) / 2.0;
    double s, e;
    arcMirrorAngles(c, a, &s, &e);

    item->x1 = item->x2 = roundToInt(a->center1[0]);
    item->y1 = item->y2 = roundToInt(a->center1[1]);
    includeXY(item, a->center2[0], a->center2[1]);
    if (a->style == PIESLICE_STYLE) includeXY(item, cx, cy);
    if (angleInArc(0.0, s, e)) includeXY(item, r[2], cy);
    if (angleInArc(90.0, s, e)) includeXY(item, cx, r[1]);
    if (angleInArc(180.0, s, e)) includeXY(item, r[0], cy);
    if (angleInArc(270.0, s, e)) includeXY(item, cx, r[3]);

    double width = effWidth(c, a, 0);
    if (width < 1.0) width = 1.0;
    int m = a->outline.gc != NULL ? roundToInt(width + 1.5) : roundToInt(1.0);
    item->x1 -= m;
    item->y1 -= m;
    item->x2 += m;
    item->y2 += m;
}

/* An angle that is not a finite number would leave every later angle
 * undefined: refuse it and keep 0. */
static int checkAngle(Tcl_Interp *interp, double *angle, const char *option)
{
    if (isfinite(*angle)) return TCL_OK;
    char buf[TCL_DOUBLE_SPACE];
    Tcl_PrintDouble(NULL, *angle, buf);
    *angle = 0.0;
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "bad ", option, " value \"", buf, "\": must be a finite number", (char *)NULL);
    return TCL_ERROR;
}

static int arcConfigure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                        int flags)
{
    ArcItem *a = (ArcItem *)item;
    Tk_Window tkwin = gcanvasTkwin(c);
    if (Tk_ConfigureWidget(interp, tkwin, configSpecs, objc, (const char **)objv, (char *)a,
                           flags | TK_CONFIG_OBJS) != TCL_OK) {
        return TCL_ERROR;
    }
    int status = TCL_OK;
    if (checkAngle(interp, &a->start, "-start") != TCL_OK || checkAngle(interp, &a->extent, "-extent") != TCL_OK) {
        status = TCL_ERROR;
    }
    ItemOutline *o = &a->outline;
    if (o->activeWidth > o->width || o->activeDash.number != 0 || o->activeColor != NULL
            || o->activeStipple != None || a->activeFillColor != NULL || a->activeFillStipple != None) {
        item->redraw_flags |= GC_ITEM_STATE_DEPENDANT;
    } else {
        item->redraw_flags &= ~GC_ITEM_STATE_DEPENDANT;
    }
    gcanvasAnchorStippleOffset(&o->tsoffset, a->bbox);
    a->start = reduceStart(a->start);
    a->extent = reduceExtent(a->extent);

    XGCValues gcValues;
    GC newGC = NULL;
    int mask = outlineConfigGC(&gcValues, c, item, o);
    if (mask) {
        gcValues.cap_style = CapButt;
        mask |= GCCapStyle;
        newGC = Tk_GetGC(tkwin, mask, &gcValues);
    }
    if (o->gc != NULL) Tk_FreeGC(c->display, o->gc);
    o->gc = newGC;

    if (gcanvasItemState(c, item) == GC_STATE_HIDDEN) {
        arcComputeBbox(c, item);
        return status;
    }
    XColor *color;
    Pixmap stipple;
    effFill(c, a, &color, &stipple);
    newGC = NULL;
    if (a->style != ARC_STYLE && color != NULL) {
        gcValues.foreground = color->pixel;
        gcValues.arc_mode = a->style == CHORD_STYLE ? ArcChord : ArcPieSlice;
        mask = GCForeground | GCArcMode;
        if (stipple != None) {
            gcValues.stipple = stipple;
            gcValues.fill_style = FillStippled;
            mask |= GCStipple | GCFillStyle;
        }
        newGC = Tk_GetGC(tkwin, mask, &gcValues);
    }
    if (a->fillGC != NULL) Tk_FreeGC(c->display, a->fillGC);
    a->fillGC = newGC;
    gcanvasAnchorStippleOffset(&a->tsoffset, a->bbox);
    arcComputeBbox(c, item);
    return status;
}

static void arcDelete(GcCanvas c, GcanvasItem *item, Display *display)
{
    ArcItem *a = (ArcItem *)item;
    (void)c;
    outlineFree(display, &a->outline);
    if (a->outlinePtr != NULL) ckfree((char *)a->outlinePtr);
    a->outlinePtr = NULL;
    if (a->fillColor) Tk_FreeColor(a->fillColor);
    if (a->activeFillColor) Tk_FreeColor(a->activeFillColor);
    if (a->disabledFillColor) Tk_FreeColor(a->disabledFillColor);
    if (a->fillStipple != None) Tk_FreeBitmap(display, a->fillStipple);
    if (a->activeFillStipple != None) Tk_FreeBitmap(display, a->activeFillStipple);
    if (a->disabledFillStipple != None) Tk_FreeBitmap(display, a->disabledFillStipple);
    if (a->fillGC != NULL) Tk_FreeGC(display, a->fillGC);
}

static int arcCoords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    ArcItem *a = (ArcItem *)item;
    char buf[80];
    if (objc == 0) {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        for (int i = 0; i < 4; i++) Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(a->bbox[i]));
        Tcl_SetObjResult(interp, list);
        return TCL_OK;
    }
    if (objc != 1 && objc != 4) {
        snprintf(buf, sizeof buf, "wrong # coordinates: expected 0 or 4, got %d", objc);
        Tcl_SetResult(interp, buf, TCL_VOLATILE);
        return TCL_ERROR;
    }
    Tcl_Obj **words = (Tcl_Obj **)objv;
    int n = objc;
    if (objc == 1) {
        if (Tcl_ListObjGetElements(interp, objv[0], &n, &words) != TCL_OK) return TCL_ERROR;
        if (n != 4) {
            snprintf(buf, sizeof buf, "wrong # coordinates: expected 4, got %d", n);
            Tcl_SetResult(interp, buf, TCL_VOLATILE);
            return TCL_ERROR;
        }
    }
    double v[4];
    for (int i = 0; i < 4; i++) {
        if (gcanvasGetCoordFromObj(interp, c, words[i], &v[i]) != TCL_OK) return TCL_ERROR;
    }
    memcpy(a->bbox, v, sizeof v);
    arcComputeBbox(c, item);
    return TCL_OK;
}

static int arcCreate(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    ArcItem *a = (ArcItem *)item;
    int numCoords = gcanvasCreateCoordWords(interp, c, item, objc, objv, 4, "x1 y1 x2 y2 ?options?");
    if (numCoords < 0) return TCL_ERROR;
    outlineInit(&a->outline);
    a->start = 0.0;
    a->extent = 90.0;
    a->outlinePtr = NULL;
    a->numOutlinePoints = 0;
    a->tsoffset.flags = a->tsoffset.xoffset = a->tsoffset.yoffset = 0;
    a->fillColor = a->activeFillColor = a->disabledFillColor = NULL;
    a->fillStipple = a->activeFillStipple = a->disabledFillStipple = None;
    a->style = PIESLICE_STYLE;
    a->fillGC = NULL;
    if (arcCoords(interp, c, item, numCoords, objv) != TCL_OK
            || arcConfigure(interp, c, item, objc - numCoords, objv + numCoords, 0) != TCL_OK) {
        arcDelete(c, item, c->display);
        return TCL_ERROR;
    }
    return TCL_OK;
}

static void drawEdgePolygon(Display *d, Drawable drawable, GC gc, GcanvasWidget *w, const double *pts, int n)
{
    XPoint xp[8];
    for (int i = 0; i < n; i++) {
        xp[i].x = gcanvasDrawableCoords(w->drawableXOrigin, pts[2 * i]);
        xp[i].y = gcanvasDrawableCoords(w->drawableYOrigin, pts[2 * i + 1]);
    }
    XFillPolygon(d, drawable, gc, xp, n, Complex, CoordModeOrigin);
}

static void drawEdgeLine(Display *d, Drawable drawable, GC gc, GcanvasWidget *w, const double *p1,
                         const double *p2)
{
    XDrawLine(d, drawable, gc, gcanvasDrawableCoords(w->drawableXOrigin, p1[0]),
              gcanvasDrawableCoords(w->drawableYOrigin, p1[1]), gcanvasDrawableCoords(w->drawableXOrigin, p2[0]),
              gcanvasDrawableCoords(w->drawableYOrigin, p2[1]));
}

/* An outline run cut to the guard, drawn with its dashes in phase with
 * the outline's first point. */
typedef struct FarArcStroke {
    GcCanvas c;
    GcanvasItem *item;
    ItemOutline *outline;
    Display *display;
    Drawable drawable;
    int changed;
} FarArcStroke;

static void strokeFarArcRun(void *clientData, const XPoint *points, int count, double along)
{
    FarArcStroke *f = (FarArcStroke *)clientData;
    outlineDashPhase(f->c, f->item, f->outline, f->changed, along);
    drawLinesSplit(f->display, f->drawable, f->outline->gc, points, count, CoordModeOrigin);
}

/*
 * arcFarDisplay --
 *	An arc whose rectangle reaches far off the drawable: X's 16-bit
 *	arcs cannot hold it, so the part near the area drawn is traced in
 *	floating point and drawn as a ring and a polyline cut to the guard.
 */
static void arcFarDisplay(GcCanvas c, ArcItem *a, Display *d, Drawable drawable, const double *r, double s,
                          double e, const GuardBox *box)
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    double *arc;
    int n = ovalArcPoints(r, s, e, box, &arc);
    if (n < 2) {
        if (arc != NULL) ckfree((char *)arc);
        return;
    }
    /* The figure: the vertex, the arc and the vertex again for a pie
     * slice; the arc closed by its chord otherwise. */
    int pie = a->style == PIESLICE_STYLE;
    int total = n + (pie ? 2 : 1);
    double *figure = (double *)ckalloc(2 * (size_t)total * sizeof(double));
    int k = 0;
    if (pie) {
        figure[0] = (r[0] + r[2]) / 2.0;
        figure[1] = (r[1] + r[3]) / 2.0;
        k = 1;
    }
    memcpy(figure + 2 * k, arc, 2 * (size_t)n * sizeof(double));
    k += n;
    figure[2 * k] = figure[0];
    figure[2 * k + 1] = figure[1];
    ckfree((char *)arc);

    long long room = guardRingRoom(total);
    if (room < 2LL * total) room = 2LL * total;
    XPoint *xp = (XPoint *)ckalloc((size_t)room * sizeof(XPoint));
    if (a->fillGC != NULL && a->style != ARC_STYLE) {
        double *clipped = (double *)ckalloc(2 * (size_t)room * sizeof(double));
        double *scratch = (double *)ckalloc(2 * (size_t)room * sizeof(double));
        int m = clipRingToGuard(figure, total, box, clipped, scratch);
        for (int i = 0; i < m; i++) {
            xp[i].x = gcanvasDrawableCoords(w->drawableXOrigin, clipped[2 * i]);
            xp[i].y = gcanvasDrawableCoords(w->drawableYOrigin, clipped[2 * i + 1]);
        }
        if (m >= 3) {
            XColor *color;
            Pixmap stipple;
            effFill(c, a, &color, &stipple);
            if (stipple != None) gcanvasSetFillStippleOffset(c, d, a->fillGC, &a->tsoffset, stipple);
            XFillPolygon(d, drawable, a->fillGC, xp, m, Complex, CoordModeOrigin);
            if (stipple != None) XSetTSOrigin(d, a->fillGC, 0, 0);
        }
        ckfree((char *)scratch);
        ckfree((char *)clipped);
    }
    if (a->outline.gc != NULL) {
        int changed = outlineChangeGC(c, &a->header, &a->outline);
        FarArcStroke f = {c, &a->header, &a->outline, d, drawable, changed};
        /* An open arc is its points alone. */
        int strokeCount = a->style == ARC_STYLE ? n : total;
        clipPolylineToGuard(figure, strokeCount, w->drawableXOrigin, w->drawableYOrigin, box, xp,
                            strokeFarArcRun, &f);
        outlineDashPhase(c, &a->header, &a->outline, changed, 0.0);
        outlineResetGC(c, &a->header, &a->outline);
    }
    ckfree((char *)xp);
    ckfree((char *)figure);
}

static void arcDisplay(GcCanvas c, GcanvasItem *item, Display *d, Drawable drawable, int ax, int ay,
                       int awidth, int aheight)
{
    ArcItem *a = (ArcItem *)item;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    double r[4];
    canvasRect(c, a, r);
    if (!canvasPointsNear(r, 2, w->drawableXOrigin, w->drawableYOrigin)) {
        double s, e;
        arcMirrorAngles(c, a, &s, &e);
        if (e == 0.0) return;
        GuardBox box;
        guardAroundArea(&box, ax, ay, awidth, aheight, effWidth(c, a, 0));
        arcFarDisplay(c, a, d, drawable, r, s, e, &box);
        return;
    }
    int x1 = gcanvasDrawableCoords(w->drawableXOrigin, r[0]);
    int y1 = gcanvasDrawableCoords(w->drawableYOrigin, r[1]);
    int x2 = gcanvasDrawableCoords(w->drawableXOrigin, r[2]);
    int y2 = gcanvasDrawableCoords(w->drawableYOrigin, r[3]);
    int t;
    if (x2 < x1) { t = x1; x1 = x2; x2 = t; }
    if (y2 < y1) { t = y1; y1 = y2; y2 = t; }
    if (x2 == x1) x2 = x1 + 1;
    if (y2 == y1) y2 = y1 + 1;
    unsigned width = (unsigned)(x2 - x1), height = (unsigned)(y2 - y1);
    double s, e;
    arcMirrorAngles(c, a, &s, &e);
    int start = roundToInt(s * 64.0), extent = roundToInt(e * 64.0);

    if (a->fillGC != NULL && extent != 0) {
        XColor *color;
        Pixmap stipple;
        effFill(c, a, &color, &stipple);
        if (stipple != None) {
            gcanvasSetFillStippleOffset(c, d, a->fillGC, &a->tsoffset, stipple);
        }
        XFillArc(d, drawable, a->fillGC, x1, y1, width, height, start, extent);
        if (stipple != None) XSetTSOrigin(d, a->fillGC, 0, 0);
    }
    if (a->outline.gc == NULL) return;
    outlineChangeGC(c, item, &a->outline);
    if (extent != 0) {
        XDrawArc(d, drawable, a->outline.gc, x1, y1, width, height, start, extent);
    }
    if (a->style != ARC_STYLE && a->outlinePtr != NULL) {
        double lineWidth = effWidth(c, a, 0);
        if (lineWidth < 1.0) lineWidth = 1.0;
        if (lineWidth < 1.5 || effDash(c, a)->number != 0) {
            double vertex[2] = {(r[0] + r[2]) / 2.0, (r[1] + r[3]) / 2.0};
            if (a->style == CHORD_STYLE) {
                drawEdgeLine(d, drawable, a->outline.gc, w, a->center1, a->center2);
            } else {
                drawEdgeLine(d, drawable, a->outline.gc, w, vertex, a->center1);
                drawEdgeLine(d, drawable, a->outline.gc, w, vertex, a->center2);
            }
        } else if (a->style == CHORD_STYLE) {
            drawEdgePolygon(d, drawable, a->outline.gc, w, a->outlinePtr, CHORD_OUTLINE_PTS);
        } else {
            drawEdgePolygon(d, drawable, a->outline.gc, w, a->outlinePtr, PIE_OUTLINE1_PTS);
            drawEdgePolygon(d, drawable, a->outline.gc, w, a->outlinePtr + 2 * PIE_OUTLINE1_PTS,
                            PIE_OUTLINE2_PTS);
        }
    }
    outlineResetGC(c, item, &a->outline);
}

static void ensureOutline(GcCanvas c, ArcItem *a)
{
    if (a->outlinePtr == NULL) arcComputeOutline(c, a);
}

static double arcToPoint(GcCanvas c, GcanvasItem *item, double *p)
{
    ArcItem *a = (ArcItem *)item;
    ensureOutline(c, a);
    double r[4];
    canvasRect(c, a, r);
    double vertex[2] = {(r[0] + r[2]) / 2.0, (r[1] + r[3]) / 2.0};
    double s, e;
    arcMirrorAngles(c, a, &s, &e);

    double t1 = r[3] - r[1] != 0.0 ? (p[1] - vertex[1]) / (r[3] - r[1]) : 0.0;
    double t2 = r[2] - r[0] != 0.0 ? (p[0] - vertex[0]) / (r[2] - r[0]) : 0.0;
    double angle = (t1 == 0.0 && t2 == 0.0) ? 0.0 : -atan2(t1, t2) * 180.0 / PI;
    double diff = angle - s;
    diff -= floor(diff / 360.0) * 360.0;
    if (diff >= 360.0) diff -= 360.0;
    int inRange = diff <= e || (e < 0 && diff - 360.0 >= e);

    double width = effWidth(c, a, 0);
    if (a->style == ARC_STYLE) {
        if (inRange) return TkOvalToPoint(r, width, 0, p);
        double d1 = hypot(p[0] - a->center1[0], p[1] - a->center1[1]);
        double d2 = hypot(p[0] - a->center2[0], p[1] - a->center2[1]);
        return d1 < d2 ? d1 : d2;
    }
    int filled = a->fillGC != NULL || a->outline.gc == NULL;
    if (a->outline.gc == NULL) width = 0.0;

    double dist, newDist;
    if (a->style == PIESLICE_STYLE) {
        if (width > 1.0) {
            dist = TkPolygonToPoint(a->outlinePtr, PIE_OUTLINE1_PTS, p);
            newDist = TkPolygonToPoint(a->outlinePtr + 2 * PIE_OUTLINE1_PTS, PIE_OUTLINE2_PTS, p);
        } else {
            dist = TkLineToPoint(vertex, a->center1, p);
            newDist = TkLineToPoint(vertex, a->center2, p);
        }
        if (newDist < dist) dist = newDist;
        if (inRange) {
            newDist = TkOvalToPoint(r, width, filled, p);
            if (newDist < dist) dist = newDist;
        }
        return dist;
    }
    /* Chord. */
    if (width > 1.0) {
        dist = TkPolygonToPoint(a->outlinePtr, CHORD_OUTLINE_PTS, p);
    } else {
        dist = TkLineToPoint(a->center1, a->center2, p);
    }
    double poly[8] = {vertex[0], vertex[1], a->center1[0], a->center1[1], a->center2[0], a->center2[1],
                      vertex[0], vertex[1]};
    double polyDist = TkPolygonToPoint(poly, 4, p);
    if (inRange) {
        if (e < -180.0 || e > 180.0 || polyDist > 0.0) {
            newDist = TkOvalToPoint(r, width, filled, p);
            if (newDist < dist) dist = newDist;
        }
    } else if ((e < -180.0 || e > 180.0) && filled) {
        if (polyDist < dist) dist = polyDist;
    }
    return dist;
}

/* Whether (x, y), relative to the oval's centre, lies in the arc's angles. */
static int angleInRange(double x, double y, double s, double e)
{
    if (x == 0.0 && y == 0.0) return 1;
    double diff = -atan2(y, x) * (180.0 / PI) - s;
    while (diff > 360.0) diff -= 360.0;
    while (diff < 0.0) diff += 360.0;
    if (e >= 0) return diff <= e;
    return diff - 360.0 >= e;
}

static int horizLineToArc(double x1, double x2, double y, double rx, double ry, double s, double e)
{
    double ty = y / ry;
    double tmp = 1 - ty * ty;
    if (tmp < 0) return 0;
    double tx = sqrt(tmp);
    double x = tx * rx;
    if (x >= x1 && x <= x2 && angleInRange(tx, ty, s, e)) return 1;
    if (-x >= x1 && -x <= x2 && angleInRange(-tx, ty, s, e)) return 1;
    return 0;
}

static int vertLineToArc(double x, double y1, double y2, double rx, double ry, double s, double e)
{
    double tx = x / rx;
    double tmp = 1 - tx * tx;
    if (tmp < 0) return 0;
    double ty = sqrt(tmp);
    double y = ty * ry;
    if (y > y1 && y < y2 && angleInRange(tx, ty, s, e)) return 1;
    if (-y > y1 && -y < y2 && angleInRange(tx, -ty, s, e)) return 1;
    return 0;
}

static int arcToArea(GcCanvas c, GcanvasItem *item, double *rect)
{
    ArcItem *a = (ArcItem *)item;
    if (gcanvasItemState(c, item) == GC_STATE_HIDDEN) return -1;
    ensureOutline(c, a);
    double r[4];
    canvasRect(c, a, r);
    double s, e;
    arcMirrorAngles(c, a, &s, &e);
    double width = effWidth(c, a, 0);
    int filled = a->fillGC != NULL || a->outline.gc == NULL;
    if (a->outline.gc == NULL) width = 0.0;

    double center[2] = {(r[0] + r[2]) / 2.0, (r[1] + r[3]) / 2.0};
    double tRect[4] = {rect[0] - center[0], rect[1] - center[1], rect[2] - center[0], rect[3] - center[1]};
    double rx = r[2] - center[0] + width / 2.0;
    double ry = r[3] - center[1] + width / 2.0;

    /* The extreme points: both ends, the centre of a narrow pie slice and
     * the quarter points the arc passes through. */
    double points[20];
    int n = 0;
    double angle = -s * (PI / 180.0);
    points[2 * n] = rx * cos(angle);
    points[2 * n + 1] = ry * sin(angle);
    n++;
    angle += -e * (PI / 180.0);
    points[2 * n] = rx * cos(angle);
    points[2 * n + 1] = ry * sin(angle);
    n++;
    if (a->style == PIESLICE_STYLE && e < 180.0) {
        points[2 * n] = points[2 * n + 1] = 0.0;
        n++;
    }
    static const double quarter[4][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};
    for (int q = 0; q < 4; q++) {
        if (angleInArc(90.0 * q, s, e)) {
            points[2 * n] = quarter[q][0] * rx;
            points[2 * n + 1] = quarter[q][1] * ry;
            n++;
        }
    }
    int inside = points[0] > tRect[0] && points[0] < tRect[2] && points[1] > tRect[1] && points[1] < tRect[3];
    for (int i = 1; i < n; i++) {
        int in = points[2 * i] > tRect[0] && points[2 * i] < tRect[2] && points[2 * i + 1] > tRect[1]
                 && points[2 * i + 1] < tRect[3];
        if (in != inside) return 0;
    }
    if (inside) return 1;

    if (a->style == PIESLICE_STYLE) {
        if (width >= 1.0) {
            if (TkPolygonToArea(a->outlinePtr, PIE_OUTLINE1_PTS, rect) != -1) return 0;
            if (TkPolygonToArea(a->outlinePtr + 2 * PIE_OUTLINE1_PTS, PIE_OUTLINE2_PTS, rect) != -1) return 0;
        } else {
            if (TkLineToArea(center, a->center1, rect) != -1 || TkLineToArea(center, a->center2, rect) != -1) {
                return 0;
            }
        }
    } else if (a->style == CHORD_STYLE) {
        if (width >= 1.0) {
            if (TkPolygonToArea(a->outlinePtr, CHORD_OUTLINE_PTS, rect) != -1) return 0;
        } else if (TkLineToArea(a->center1, a->center2, rect) != -1) {
            return 0;
        }
    }
    for (int pass = 0; pass < 2; pass++) {
        if (pass == 1) {
            if (!(width > 1.0 && !filled)) break;
            rx -= width;
            ry -= width;
        }
        if (horizLineToArc(tRect[0], tRect[2], tRect[1], rx, ry, s, e)
                || horizLineToArc(tRect[0], tRect[2], tRect[3], rx, ry, s, e)
                || vertLineToArc(tRect[0], tRect[1], tRect[3], rx, ry, s, e)
                || vertLineToArc(tRect[2], tRect[1], tRect[3], rx, ry, s, e)) {
            return 0;
        }
    }
    if (arcToPoint(c, item, rect) == 0.0) return 0;
    return -1;
}

static void arcScale(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy)
{
    ArcItem *a = (ArcItem *)item;
    a->bbox[0] = ox + sx * (a->bbox[0] - ox);
    a->bbox[1] = oy + sy * (a->bbox[1] - oy);
    a->bbox[2] = ox + sx * (a->bbox[2] - ox);
    a->bbox[3] = oy + sy * (a->bbox[3] - oy);
    arcComputeBbox(c, item);
}

static void arcTranslate(GcCanvas c, GcanvasItem *item, double dx, double dy)
{
    ArcItem *a = (ArcItem *)item;
    a->bbox[0] += dx;
    a->bbox[1] += dy;
    a->bbox[2] += dx;
    a->bbox[3] += dy;
    arcComputeBbox(c, item);
}

/* A polygon already in canvas pixels as a PostScript path. */
static void psCanvasPath(Tcl_Interp *interp, GcCanvas c, const double *pts, int n)
{
    char buf[120];
    for (int i = 0; i < n; i++) {
        snprintf(buf, sizeof buf, i == 0 ? "%.15g %.15g moveto\n" : "%.15g %.15g lineto\n", pts[2 * i],
                 gcanvasPsY(c, pts[2 * i + 1]));
        Tcl_AppendResult(interp, buf, (char *)NULL);
    }
}

static int psFillOrStipple(Tcl_Interp *interp, GcCanvas c, XColor *color, Pixmap stipple)
{
    if (color != NULL && gcanvasPsColor(interp, c, color) != TCL_OK) return TCL_ERROR;
    if (stipple != None) {
        Tcl_AppendResult(interp, "clip ", (char *)NULL);
        return gcanvasPsStipple(interp, c, stipple);
    }
    Tcl_AppendResult(interp, "fill\n", (char *)NULL);
    return TCL_OK;
}

static int arcPostscript(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int prepass)
{
    (void)prepass;
    ArcItem *a = (ArcItem *)item;
    ensureOutline(c, a);
    double r[4];
    canvasRect(c, a, r);
    double y1 = gcanvasPsY(c, r[1]), y2 = gcanvasPsY(c, r[3]);
    double s, e;
    arcMirrorAngles(c, a, &s, &e);
    double ang1 = s, ang2 = s + e;
    if (ang2 < ang1) {
        double t = ang1;
        ang1 = ang2;
        ang2 = t;
    }
    XColor *color, *fillColor;
    Pixmap stipple, fillStipple;
    effOutline(c, a, &color, &stipple);
    effFill(c, a, &fillColor, &fillStipple);
    char buf[400];
    snprintf(buf, sizeof buf, "matrix currentmatrix\n%.15g %.15g translate %.15g %.15g scale\n",
             (r[0] + r[2]) / 2, (y1 + y2) / 2, (r[2] - r[0]) / 2, (y1 - y2) / 2);
    const char *matrix = buf;
    char arcBuf[200];

    if (a->fillGC != NULL && fillColor != NULL) {
        snprintf(arcBuf, sizeof arcBuf, "%s0 0 1 %.15g %.15g arc closepath\nsetmatrix\n",
                 a->style == CHORD_STYLE ? "" : "0 0 moveto ", ang1, ang2);
        Tcl_AppendResult(interp, matrix, arcBuf, (char *)NULL);
        if (gcanvasPsColor(interp, c, fillColor) != TCL_OK) return TCL_ERROR;
        if (fillStipple != None) {
            Tcl_AppendResult(interp, "clip ", (char *)NULL);
            if (gcanvasPsStipple(interp, c, fillStipple) != TCL_OK) return TCL_ERROR;
            if (a->outline.gc != NULL) Tcl_AppendResult(interp, "grestore gsave\n", (char *)NULL);
        } else {
            Tcl_AppendResult(interp, "fill\n", (char *)NULL);
        }
    }
    if (a->outline.gc != NULL && color != NULL) {
        snprintf(arcBuf, sizeof arcBuf, "0 0 1 %.15g %.15g", ang1, ang2);
        Tcl_AppendResult(interp, matrix, arcBuf, " arc\nsetmatrix\n0 setlinecap\n", (char *)NULL);
        if (outlinePostscript(c, item, &a->outline) != TCL_OK) return TCL_ERROR;
        if (a->style != ARC_STYLE) {
            Tcl_AppendResult(interp, "grestore gsave\n", (char *)NULL);
            if (a->style == CHORD_STYLE) {
                psCanvasPath(interp, c, a->outlinePtr, CHORD_OUTLINE_PTS);
            } else {
                psCanvasPath(interp, c, a->outlinePtr, PIE_OUTLINE1_PTS);
                if (psFillOrStipple(interp, c, color, stipple) != TCL_OK) return TCL_ERROR;
                Tcl_AppendResult(interp, "grestore gsave\n", (char *)NULL);
                psCanvasPath(interp, c, a->outlinePtr + 2 * PIE_OUTLINE1_PTS, PIE_OUTLINE2_PTS);
            }
            if (psFillOrStipple(interp, c, color, stipple) != TCL_OK) return TCL_ERROR;
        }
    }
    return TCL_OK;
}

GcanvasItemType gcanvasArcType = {
    "arc", sizeof(ArcItem), arcCreate, configSpecs, arcConfigure, arcCoords, arcDelete, arcDisplay,
    GC_TYPE_OBJECTS, arcToPoint, arcToArea, arcPostscript, arcScale, arcTranslate, NULL, NULL, NULL, NULL,
    NULL, arcComputeBbox};
