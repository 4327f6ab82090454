/*
 * object_item.cpp --
 *
 *	The object item's record, options, attachment to a shape object,
 *	box, moves, components and measures. Record geometry is read through
 *	the object's access table only; the item copies nothing to keep.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "canvas/object_item.h"
#include "canvas/fill_outline_specs.h"
#include "canvas/point_item.h"
#include "canvas/polyline_measures.h"
#include "core/objects.h"
#include "core/rounding.h"
#include "ovex/ovexstdio.h"

/* ---- record geometry ---- */

void recordGeometryInit(RecordGeometry *g)
{
    g->classCode = 0;
    g->numPoints = g->numParts = 0;
    g->points = g->fixedPoints;
    g->parts = g->fixedParts;
    g->pointRoom = 100;
    g->partRoom = 200;
}

void recordGeometryFree(RecordGeometry *g)
{
    if (g->points != g->fixedPoints) ckfree((char *)g->points);
    if (g->parts != g->fixedParts) ckfree((char *)g->parts);
    recordGeometryInit(g);
}

void recordGeometryRead(RAMOBJ *obj, int index, RecordGeometry *g, int *hasParts)
{
    const ShapeAccessTable *t = objectAccess(obj);
    int cls = 0, np = 0, n = 0;
    const int32_t *parts = t->recordParts(obj, index, &cls, &np);
    const void *pts = t->recordPoints(obj, index, &n);
    if (n < 0 || pts == NULL) n = 0;
    if (np < 0) np = 0;
    g->classCode = cls;
    if (n > g->pointRoom) {
        if (g->points != g->fixedPoints) ckfree((char *)g->points);
        g->points = (double *)ckalloc(2 * (size_t)n * sizeof(double));
        g->pointRoom = n;
    }
    if (n > 0) memcpy(g->points, pts, 2 * (size_t)n * sizeof(double));
    g->numPoints = n;
    int want = parts != NULL && np > 0 ? np : 1;
    if (want > g->partRoom) {
        if (g->parts != g->fixedParts) ckfree((char *)g->parts);
        g->parts = (int *)ckalloc((size_t)want * sizeof(int));
        g->partRoom = want;
    }
    if (parts != NULL && np > 0) {
        memcpy(g->parts, parts, (size_t)np * sizeof(int));
        /* Sizes that claim more points than the record holds are cut. */
        int left = n;
        for (int k = 0; k < np; k++) {
            if (g->parts[k] < 0) g->parts[k] = 0;
            if (g->parts[k] > left) g->parts[k] = left;
            left -= g->parts[k];
        }
        g->numParts = np;
        if (hasParts) *hasParts = 1;
    } else {
        g->parts[0] = n;
        g->numParts = 1;
        if (hasParts) *hasParts = 0;
    }
}

int recordBox(RAMOBJ *obj, int index, double *box)
{
    const void *b = objectAccess(obj)->recordBBox(obj, index);
    if (b == NULL) return 0;
    memcpy(box, b, 4 * sizeof(double));
    return 1;
}

static int firstPoint(RAMOBJ *obj, int index, double *p)
{
    int n = 0;
    const void *pts = objectAccess(obj)->recordPoints(obj, index, &n);
    if (pts == NULL || n <= 0) return 0;
    memcpy(p, pts, 2 * sizeof(double));
    return 1;
}

/* ---- options ---- */

static const char *const symbolNames[] = {"oval", "rectangle", "diamond", "crosshair", "handle", NULL};
static const char *const markerNames[] = {"point", "cross", NULL};

static int keywordParse(const char *const *names, const char *value, int *out)
{
    *out = 0;
    if (value == NULL || value[0] == '\0') return 1;
    size_t len = strlen(value);
    for (int i = 0; names[i] != NULL; i++) {
        if (value[0] == names[i][0] && strncmp(value, names[i], len) == 0) {
            *out = i;
            return 1;
        }
    }
    return 0;
}

static int symbolParse(ClientData, Tcl_Interp *interp, Tk_Window, const char *value, char *rec, int offset)
{
    int *slot = (int *)(rec + offset);
    if (keywordParse(symbolNames, value, slot)) return TCL_OK;
    Tcl_AppendResult(interp, "invalid -symboltype option \"", value,
                     "\": must be oval, rectangle, diamond, crosshair, handle", (char *)NULL);
    return TCL_ERROR;
}

static const char *symbolPrint(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    int v = *(int *)(rec + offset);
    *freeProc = NULL;
    return v >= 0 && v <= 4 ? symbolNames[v] : "unknown";
}

static int markerParse(ClientData, Tcl_Interp *interp, Tk_Window, const char *value, char *rec, int offset)
{
    int *slot = (int *)(rec + offset);
    if (keywordParse(markerNames, value, slot)) return TCL_OK;
    Tcl_AppendResult(interp, "invalid -markertype option \"", value, "\": must be point or cross", (char *)NULL);
    return TCL_ERROR;
}

static const char *markerPrint(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    int v = *(int *)(rec + offset);
    *freeProc = NULL;
    return v >= 0 && v <= 1 ? markerNames[v] : "unknown";
}

static Tk_CustomOption symbolTypeOption = {symbolParse, symbolPrint, NULL};
static Tk_CustomOption markerTypeOption = {markerParse, markerPrint, NULL};

#define OO(f) Tk_Offset(ObjectItem, f)
static Tk_ConfigSpec configSpecs[] = {
    FILL_OUTLINE_STATE_SPECS(OO)
    {TK_CONFIG_COLOR, "-fill", NULL, NULL, NULL, OO(fillColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_INT, "-floating", NULL, NULL, "0", OO(header.floating), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    FILL_OUTLINE_BACKGROUND_SPECS(OO)
    {TK_CONFIG_COLOR, "-outline", NULL, NULL, "black", OO(outline.color), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-outlineoffset", NULL, NULL, "0,0", OO(outline.tsoffset), TK_CONFIG_NULL_OK,
     &gcanvasOffsetOption},
    FILL_OUTLINE_STYLE_SPECS(OO)
    {TK_CONFIG_STRING, "-object", NULL, NULL, NULL, OO(objectName), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_ANCHOR, "-anchor", NULL, NULL, "center", OO(anchor), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_PIXELS, "-symbolxsize", NULL, NULL, "10", OO(symbolXSize), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_PIXELS, "-symbolysize", NULL, NULL, "10", OO(symbolYSize), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-symboltype", NULL, NULL, "oval", OO(symbolType), TK_CONFIG_DONT_SET_DEFAULT,
     &symbolTypeOption},
    {TK_CONFIG_CUSTOM, "-markertype", NULL, NULL, "point", OO(markerType), TK_CONFIG_DONT_SET_DEFAULT,
     &markerTypeOption},
    {TK_CONFIG_COLOR, "-markercolor", NULL, NULL, "red", OO(markerColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-highlightcolor", NULL, NULL, "yellow", OO(highlightColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

/* ---- state helpers ---- */

int objectEffectiveState(GcCanvas c, GcanvasItem *item)
{
    return item->state == GC_STATE_NULL ? gcanvasWidgetOf(c)->canvasState : item->state;
}

static int isCurrent(GcCanvas c, GcanvasItem *item)
{
    return gcanvasWidgetOf(c)->currentItemPtr == item;
}

/* ---- attaching ---- */

static void objectChangedProc(RAMOBJ *obj, ClientData clientData);

static int objectAttach(ObjectItem *o, RAMOBJ *obj)
{
    if (obj == NULL || obj->magic != RAMOBJ_MAGIC || obj->type != OBJ_SHAPE || obj->acquire == NULL
        || obj->interface == NULL) {
        return 0;
    }
    if (!obj->acquire(obj, objectChangedProc, (ClientData)o)) return 0;
    if (obj->version < RAMOBJ_VERSION) {
        fprintf(stderr, "RAMOBJ version 0x%x or higher is required\n", RAMOBJ_VERSION);
        if (obj->release) obj->release(obj, objectChangedProc, (ClientData)o);
        return 0;
    }
    o->obj = obj;
    return 1;
}

static void objectDetach(ObjectItem *o)
{
    if (o->obj == NULL) return;
    RAMOBJ *obj = o->obj;
    o->obj = NULL;
    o->highlightRecord = o->hitRecord = -1;
    if (obj->release) obj->release(obj, objectChangedProc, (ClientData)o);
}

static void objectChangedProc(RAMOBJ *, ClientData clientData)
{
    ObjectItem *o = (ObjectItem *)clientData;
    GcCanvas c = o->canvas;
    gcanvasEventuallyRedraw(c, o->header.x1, o->header.y1, o->header.x2, o->header.y2, !o->header.floating);
    objectComputeBbox(c, &o->header);
    gcanvasEventuallyRedraw(c, o->header.x1, o->header.y1, o->header.x2, o->header.y2, !o->header.floating);
}

/* ---- box ---- */

void objectComputeBbox(GcCanvas c, GcanvasItem *item)
{
    ObjectItem *o = (ObjectItem *)item;
    int count = o->obj != NULL && o->obj->count != NULL ? o->obj->count(o->obj) : 0;
    if (o->obj == NULL || objectEffectiveState(c, item) == GC_STATE_HIDDEN || count <= 0) {
        item->x1 = item->y1 = item->x2 = item->y2 = -1;
        item->marginX = item->marginY = 0;
        return;
    }
    double w = 0;
    if (o->outline.gc != NULL) {
        XGCValues v;
        XGetGCValues(c->display, o->outline.gc, GCLineWidth, &v);
        w = v.line_width;
    }
    double ax = worldToCanvasX(c, o->x), ay = worldToCanvasY(c, o->y);
    double x1 = HUGE_VAL, y1 = HUGE_VAL, x2 = -HUGE_VAL, y2 = -HUGE_VAL;
    int lastWithoutBox = 0;
    for (int i = 0; i < count; i++) {
        double b[4];
        lastWithoutBox = 0;
        if (!recordBox(o->obj, i, b)) {
            lastWithoutBox = 1;
            if (!firstPoint(o->obj, i, b)) continue;
            b[2] = b[0];
            b[3] = b[1];
        }
        if (b[0] < x1) x1 = b[0];
        if (b[1] < y1) y1 = b[1];
        if (b[2] > x2) x2 = b[2];
        if (b[3] > y2) y2 = b[3];
    }
    if (x1 > x2) {
        item->x1 = item->y1 = item->x2 = item->y2 = -1;
        item->marginX = item->marginY = 0;
        return;
    }
    x1 *= c->mx;
    x2 *= c->mx;
    y1 *= c->my;
    y2 *= c->my;
    if (x1 > x2) { double t = x1; x1 = x2; x2 = t; }
    if (y1 > y2) { double t = y1; y1 = y2; y2 = t; }
    item->x1 = x1 + ax - w;
    item->y1 = y1 + ay - w;
    item->x2 = x2 + ax + w;
    item->y2 = y2 + ay + w;
    if (lastWithoutBox) {
        item->x1 -= o->symbolXSize / 2.0;
        item->x2 += o->symbolXSize / 2.0;
        item->y1 -= o->symbolYSize / 2.0;
        item->y2 += o->symbolYSize / 2.0;
    }
    item->marginX = item->marginY = (float)w;
}

/* ---- configuration ---- */

static void configGCs(GcCanvas c, ObjectItem *o)
{
    GcanvasItem *item = &o->header;
    Tk_Window tkwin = gcanvasTkwin(c);
    int state = objectEffectiveState(c, item);
    XGCValues v;
    unsigned long mask;

    XColor *color = o->fillColor;
    Pixmap stipple = o->fillStipple;
    if (isCurrent(c, item)) {
        if (o->activeFillColor) color = o->activeFillColor;
        if (o->activeFillStipple != None) stipple = o->activeFillStipple;
    } else if (state == GC_STATE_DISABLED) {
        if (o->disabledFillColor) color = o->disabledFillColor;
        if (o->disabledFillStipple != None) stipple = o->disabledFillStipple;
    }
    GC newGC = NULL;
    if (color != NULL) {
        v.foreground = color->pixel;
        mask = GCForeground;
        if (stipple != None) {
            v.stipple = stipple;
            v.fill_style = FillStippled;
            mask |= GCStipple | GCFillStyle;
        }
        newGC = Tk_GetGC(tkwin, mask, &v);
    }
    if (o->fillGC != NULL) Tk_FreeGC(c->display, o->fillGC);
    o->fillGC = newGC;

    mask = outlineConfigGC(&v, c, item, &o->outline);
    newGC = NULL;
    if (mask) {
        v.cap_style = CapRound;
        v.join_style = o->joinStyle;
        newGC = Tk_GetGC(tkwin, mask | GCCapStyle | GCJoinStyle, &v);
    }
    if (o->outline.gc != NULL) Tk_FreeGC(c->display, o->outline.gc);
    o->outline.gc = newGC;

    if (o->splineSteps < 1) o->splineSteps = 1;
    if (o->splineSteps > 100) o->splineSteps = 100;

    newGC = NULL;
    if (o->markerColor != NULL) {
        v.foreground = o->markerColor->pixel;
        newGC = Tk_GetGC(tkwin, GCForeground, &v);
    }
    if (o->markerGC != NULL) Tk_FreeGC(c->display, o->markerGC);
    o->markerGC = newGC;

    double width = o->outline.width;
    if (isCurrent(c, item) && o->outline.activeWidth > width) width = o->outline.activeWidth;
    if (width < 1.0) width = 1.0;
    newGC = NULL;
    if (o->highlightColor != NULL) {
        v.foreground = o->highlightColor->pixel;
        v.line_width = clampToInt(floor(width + 0.5));
        newGC = Tk_GetGC(tkwin, GCForeground | GCLineWidth, &v);
    }
    if (o->highlightGC != NULL) Tk_FreeGC(c->display, o->highlightGC);
    o->highlightGC = newGC;
}

static int objectConfigure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                           int flags)
{
    ObjectItem *o = (ObjectItem *)item;
    Tcl_DString before;
    Tcl_DStringInit(&before);
    Tcl_DStringAppend(&before, o->objectName != NULL ? o->objectName : "", -1);
    if (Tk_ConfigureWidget(interp, gcanvasTkwin(c), configSpecs, objc, (const char **)objv, (char *)o,
                           flags | TK_CONFIG_OBJS) != TCL_OK) {
        Tcl_DStringFree(&before);
        return TCL_ERROR;
    }
    const char *now = o->objectName != NULL ? o->objectName : "";
    if (strcmp(now, Tcl_DStringValue(&before)) != 0) {
        if (now[0] == '\0') {
            objectDetach(o);
        } else {
            Tcl_CmdInfo info;
            RAMOBJ *previous = o->obj;
            int accepted = 0;
            /* Only a registered record is read: another command's client
             * data may be anything at all. */
            RAMOBJ *candidate = NULL;
            if (Tcl_GetCommandInfo(interp, now, &info)) {
                candidate = (RAMOBJ *)(info.isNativeObjectProc ? info.objClientData : info.clientData);
                if (!objIsRegistered(candidate)) candidate = NULL;
            }
            if (candidate != NULL) {
                if (candidate != previous) {
                    o->obj = NULL;
                    accepted = objectAttach(o, candidate);
                    if (accepted) {
                        o->obj = previous;
                        objectDetach(o);
                        o->obj = candidate;
                    } else {
                        o->obj = previous;
                    }
                } else {
                    accepted = 1;
                }
            }
            if (!accepted) {
                if (o->objectName != NULL) ckfree(o->objectName);
                o->objectName = NULL;
                if (Tcl_DStringLength(&before) > 0) {
                    o->objectName = (char *)ckalloc(Tcl_DStringLength(&before) + 1);
                    strcpy(o->objectName, Tcl_DStringValue(&before));
                }
                Tcl_DStringFree(&before);
                Tcl_SetResult(interp, (char *)"Invalid object!", TCL_STATIC);
                return TCL_ERROR;
            }
        }
    }
    Tcl_DStringFree(&before);

    int redraw = o->outline.activeWidth > o->outline.width || o->outline.activeDash.number != 0
                 || o->outline.activeColor != NULL || o->outline.activeStipple != None
                 || o->activeFillColor != NULL || o->activeFillStipple != None;
    if (redraw) item->redraw_flags |= GC_ITEM_STATE_DEPENDANT;
    else item->redraw_flags &= ~GC_ITEM_STATE_DEPENDANT;

    if (objectEffectiveState(c, item) != GC_STATE_HIDDEN) configGCs(c, o);
    objectComputeBbox(c, item);
    return TCL_OK;
}

/* ---- creation, coordinates, deletion ---- */

static void objectInit(GcCanvas c, ObjectItem *o)
{
    o->x = o->y = 0;
    o->anchor = TK_ANCHOR_CENTER;
    o->tsoffset.flags = o->tsoffset.xoffset = o->tsoffset.yoffset = 0;
    o->fillColor = o->activeFillColor = o->disabledFillColor = NULL;
    o->fillStipple = o->activeFillStipple = o->disabledFillStipple = None;
    o->fillGC = NULL;
    outlineInit(&o->outline);
    o->joinStyle = JoinRound;
    o->capStyle = CapRound;
    o->splineSteps = 12;
    o->smooth = NULL;
    o->objectName = NULL;
    o->obj = NULL;
    o->highlightRecord = o->hitRecord = -1;
    o->canvas = c;
    o->symbolXSize = o->symbolYSize = 10;
    o->symbolType = OBJ_SYMBOL_OVAL;
    o->markerType = OBJ_MARKER_POINT;
    o->markerGC = NULL;
    o->markerColor = NULL;
    o->highlightGC = NULL;
    o->highlightColor = NULL;
    o->smoothPoints = NULL;
    o->smoothRoom = 0;
}

static void objectDelete(GcCanvas, GcanvasItem *item, Display *display)
{
    ObjectItem *o = (ObjectItem *)item;
    outlineFree(display, &o->outline);
    XColor *colors[5] = {o->fillColor, o->activeFillColor, o->disabledFillColor, o->markerColor,
                         o->highlightColor};
    for (XColor *col : colors) {
        if (col != NULL) Tk_FreeColor(col);
    }
    Pixmap bitmaps[3] = {o->fillStipple, o->activeFillStipple, o->disabledFillStipple};
    for (Pixmap b : bitmaps) {
        if (b != None) Tk_FreeBitmap(display, b);
    }
    GC gcs[3] = {o->fillGC, o->markerGC, o->highlightGC};
    for (GC gc : gcs) {
        if (gc != NULL) Tk_FreeGC(display, gc);
    }
    if (o->objectName != NULL) ckfree(o->objectName);
    o->objectName = NULL;
    if (o->smoothPoints != NULL) ckfree((char *)o->smoothPoints);
    o->smoothPoints = NULL;
    o->smoothRoom = 0;
    objectDetach(o);
}

static int objectCoords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    ObjectItem *o = (ObjectItem *)item;
    char buf[TCL_DOUBLE_SPACE];
    if (objc == 0) {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        Tcl_ListObjAppendElement(interp, list, Tcl_NewDoubleObj(o->x));
        Tcl_ListObjAppendElement(interp, list, Tcl_NewDoubleObj(o->y));
        Tcl_SetObjResult(interp, list);
        return TCL_OK;
    }
    if (objc > 2) {
        snprintf(buf, sizeof buf, "%d", objc);
        Tcl_AppendResult(interp, "wrong # coordinates: expected 0 or 2, got ", buf, (char *)NULL);
        return TCL_ERROR;
    }
    double x, y;
    if (objc == 1) {
        int n = 0;
        Tcl_Obj **elems;
        if (Tcl_ListObjGetElements(interp, objv[0], &n, &elems) != TCL_OK) return TCL_ERROR;
        if (n != 2) {
            if (strcmp(Tcl_GetString(objv[0]), "disassemble") == 0) {
                (void)objectDisassemble(interp, c, item);
                Tcl_AppendResult(interp, "...", (char *)NULL);
                return TCL_OK;
            }
            snprintf(buf, sizeof buf, "%d", n);
            Tcl_AppendResult(interp, "wrong # coordinates: expected 2, got ", buf, (char *)NULL);
            return TCL_ERROR;
        }
        if (gcanvasGetCoordFromObj(interp, c, elems[0], &x) != TCL_OK
            || gcanvasGetCoordFromObj(interp, c, elems[1], &y) != TCL_OK) {
            return TCL_ERROR;
        }
    } else if (gcanvasGetCoordFromObj(interp, c, objv[0], &x) != TCL_OK
               || gcanvasGetCoordFromObj(interp, c, objv[1], &y) != TCL_OK) {
        return TCL_ERROR;
    }
    o->x = x;
    o->y = y;
    objectComputeBbox(c, item);
    return TCL_OK;
}

static int objectCreate(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    ObjectItem *o = (ObjectItem *)item;
    objectInit(c, o);
    int words = gcanvasPointCreateWords(interp, c, item, objc, objv);
    if (words < 0) {
        objectDelete(c, item, c->display);
        return TCL_ERROR;
    }
    if (objectCoords(interp, c, item, words, objv) != TCL_OK
        || objectConfigure(interp, c, item, objc - words, objv + words, 0) != TCL_OK) {
        objectDelete(c, item, c->display);
        return TCL_ERROR;
    }
    return TCL_OK;
}

/* ---- moves and the text-like slots ---- */

static void objectScale(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy)
{
    ObjectItem *o = (ObjectItem *)item;
    o->x = ox + (o->x - ox) * sx;
    o->y = oy + (o->y - oy) * sy;
    objectComputeBbox(c, item);
}

static void objectTranslate(GcCanvas c, GcanvasItem *item, double dx, double dy)
{
    ObjectItem *o = (ObjectItem *)item;
    o->x += dx;
    o->y += dy;
    objectComputeBbox(c, item);
}

static int objectIndex(Tcl_Interp *, GcCanvas, GcanvasItem *, Tcl_Obj *, int *indexPtr)
{
    *indexPtr = 0;
    return TCL_OK;
}

static void objectInsert(GcCanvas c, GcanvasItem *item, int, Tcl_Obj *) { objectComputeBbox(c, item); }
static void objectDChars(GcCanvas c, GcanvasItem *item, int, int) { objectComputeBbox(c, item); }

static int objectPostscript(Tcl_Interp *, GcCanvas, GcanvasItem *, int) { return TCL_OK; }

/* ---- components ---- */

static void objectRedrawRecord(GcCanvas c, ObjectItem *o, int record)
{
    if (o->header.floating) {
        gcanvasEventuallyRedrawItem(c, &o->header);
        return;
    }
    if (o->obj == NULL || record < 0 || record >= o->obj->count(o->obj)) return;
    double b[4];
    if (!recordBox(o->obj, record, b)) {
        if (!firstPoint(o->obj, record, b)) return;
        double hx = o->symbolXSize / 2.0 / fabs(c->mx), hy = o->symbolYSize / 2.0 / fabs(c->my);
        b[2] = b[0] + hx;
        b[3] = b[1] + hy;
        b[0] -= hx;
        b[1] -= hy;
    }
    double out[4];
    worldRectToScreen(c, b[0] + o->x, b[1] + o->y, b[2] + o->x, b[3] + o->y, out);
    double w = o->outline.width + 1;
    gcanvasEventuallyRedraw(c, out[0] - w, out[1] - w, out[2] + w, out[3] + w, 1);
}

static int objectGetComponent(GcanvasItem *item) { return ((ObjectItem *)item)->hitRecord; }

static void objectHighlightRecord(GcCanvas c, GcanvasItem *item, int on)
{
    ObjectItem *o = (ObjectItem *)item;
    if (!on) {
        if (o->highlightRecord >= 0) {
            objectRedrawRecord(c, o, o->highlightRecord);
            o->highlightRecord = -1;
        }
    } else if (o->hitRecord >= 0 && o->hitRecord != o->highlightRecord) {
        objectRedrawRecord(c, o, o->hitRecord);
        o->highlightRecord = o->hitRecord;
    }
}

/* ---- measures ---- */

enum { MEASURE_AREA, MEASURE_LENGTH, MEASURE_CENTROID };

static double measure(ObjectItem *o, int which, double *cx, double *cy)
{
    double total = 0, sx = 0, sy = 0;
    if (o->obj != NULL) {
        int cls = o->obj->subtype ? o->obj->subtype(o->obj) : 0;
        int count = o->obj->count(o->obj);
        const ShapeAccessTable *t = objectAccess(o->obj);
        RecordGeometry g;
        recordGeometryInit(&g);
        for (int i = 0; i < count; i++) {
            if (!t->isSelected(o->obj, i)) continue;
            recordGeometryRead(o->obj, i, &g, NULL);
            const double *p = g.points;
            for (int k = 0; k < g.numParts; k++) {
                int n = g.parts[k];
                double w = 0, px = 0, py = 0;
                if (which == MEASURE_AREA) {
                    if (cls == SHAPE_CLASS_POLYGON) total += polygonSignedArea(p, n);
                } else if (which == MEASURE_LENGTH) {
                    if (cls == SHAPE_CLASS_LINE || cls == SHAPE_CLASS_POLYGON) total += polylineLength(p, n);
                } else {
                    if (cls == SHAPE_CLASS_POINT) w = pointsMean(p, n, &px, &py);
                    else if (cls == SHAPE_CLASS_LINE) w = polylineCentroid(p, n, &px, &py);
                    else if (cls == SHAPE_CLASS_POLYGON) w = polygonAreaCentroid(p, n, &px, &py);
                    if (w != 0) {
                        sx += px * w;
                        sy += py * w;
                        total += w;
                    }
                }
                p += 2 * n;
            }
        }
        recordGeometryFree(&g);
    }
    if (which == MEASURE_CENTROID) {
        *cx = sx / total;
        *cy = sy / total;
    }
    return total;
}

static double objectArea(GcCanvas, GcanvasItem *item) { return measure((ObjectItem *)item, MEASURE_AREA, NULL, NULL); }
static double objectLength(GcCanvas, GcanvasItem *item)
{
    return measure((ObjectItem *)item, MEASURE_LENGTH, NULL, NULL);
}
static double objectCentroid(GcCanvas, GcanvasItem *item, double *cx, double *cy)
{
    return measure((ObjectItem *)item, MEASURE_CENTROID, cx, cy);
}

GcanvasItemType gcanvasObjectType = {
    "object",
    sizeof(ObjectItem),
    objectCreate,
    configSpecs,
    objectConfigure,
    objectCoords,
    objectDelete,
    objectDisplay,
    GC_TYPE_OBJECTS,
    objectToPoint,
    objectToArea,
    objectPostscript,
    objectScale,
    objectTranslate,
    objectIndex,
    NULL,
    NULL,
    objectInsert,
    objectDChars,
    objectComputeBbox,
    NULL,
    NULL,
    NULL,
    NULL,
    objectDisassemble,
    NULL,
    NULL,
    NULL,
    NULL,
    objectGetComponent,
    objectHighlightRecord,
    objectArea,
    objectLength,
    objectCentroid,
    NULL,
    NULL,
    NULL,
    NULL,
    NULL,
    NULL,
};
