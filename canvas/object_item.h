/*
 * object_item.h --
 *
 *	The object item: a shape object shown on the canvas, all its
 *	selected records at once, read only through the object's record
 *	procedures. Shared by its configuration, drawing, hit tests and
 *	disassembly.
 */
#ifndef OVEX_CANVAS_OBJECT_ITEM_H
#define OVEX_CANVAS_OBJECT_ITEM_H

#include "canvas/gcanvas.h"
#include "canvas/gcanvas_geometry.h"
#include "canvas/gcanvas_outline.h"
#include "core/shape_access.h"

typedef struct ObjectItem {
    GcanvasItem header;
    double x, y;                        /* position, world units */
    Tk_Anchor anchor;
    StippleOffset tsoffset;
    XColor *fillColor, *activeFillColor, *disabledFillColor;
    Pixmap fillStipple, activeFillStipple, disabledFillStipple;
    GC fillGC;
    ItemOutline outline;                /* these five stay together */
    int joinStyle;
    int capStyle;
    int splineSteps;
    const SmoothMethod *smooth;
    char *objectName;                   /* -object */
    RAMOBJ *obj;                        /* attached object or NULL */
    int highlightRecord;
    int hitRecord;
    GcCanvas canvas;
    int symbolXSize, symbolYSize;
    int symbolType;                     /* oval, rectangle, diamond, crosshair, handle */
    int markerType;                     /* point, cross */
    GC markerGC;
    XColor *markerColor;
    GC highlightGC;
    XColor *highlightColor;
    double *smoothPoints;               /* smoothed x, y pairs of the record being drawn; kept across redraws */
    long long smoothRoom;               /* points smoothPoints holds */
} ObjectItem;

enum { OBJ_SYMBOL_OVAL, OBJ_SYMBOL_RECTANGLE, OBJ_SYMBOL_DIAMOND, OBJ_SYMBOL_CROSSHAIR, OBJ_SYMBOL_HANDLE };
enum { OBJ_MARKER_POINT, OBJ_MARKER_CROSS };

extern GcanvasItemType gcanvasObjectType;

static inline const ShapeAccessTable *objectAccess(RAMOBJ *obj)
{
    return (const ShapeAccessTable *)obj->interface;
}

/* One record's geometry copied out of the object (the object's doubles
 * may lie at any alignment). Buffers grow as records need and are kept
 * for the next record; recordGeometryFree releases them. */
typedef struct RecordGeometry {
    int classCode;
    int numPoints, numParts;
    double *points;                     /* numPoints x, y pairs */
    int *parts;                         /* numParts sizes; one part of all points when the record has none */
    int pointRoom, partRoom;
    double fixedPoints[200];
    int fixedParts[200];
} RecordGeometry;

void recordGeometryInit(RecordGeometry *g);
void recordGeometryFree(RecordGeometry *g);
/* Reads record index; hasParts tells whether the record had a parts array. */
void recordGeometryRead(RAMOBJ *obj, int index, RecordGeometry *g, int *hasParts);
/* The record's box (x1 y1 x2 y2) or 0 when it has none. */
int recordBox(RAMOBJ *obj, int index, double *box);

int objectEffectiveState(GcCanvas c, GcanvasItem *item);
void objectComputeBbox(GcCanvas c, GcanvasItem *item);
void objectDisplay(GcCanvas c, GcanvasItem *item, Display *display, Drawable drawable, int x, int y, int width,
                   int height);
double objectToPoint(GcCanvas c, GcanvasItem *item, double *point);
int objectToArea(GcCanvas c, GcanvasItem *item, double *rect);
int objectDisassemble(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item);

#endif /* OVEX_CANVAS_OBJECT_ITEM_H */
