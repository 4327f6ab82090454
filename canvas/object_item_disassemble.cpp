/*
 * object_item_disassemble.cpp --
 *
 *	Breaking an object item into plain items: a symbol item for each
 *	point record, a line item for each line record and a polygon item
 *	for each polygon record, at the records' own coordinates, with the
 *	object item's outline and fill colours and the tags name.number and
 *	disassembled. The object item and its object stay as they are.
 */
#include <stdio.h>
#include <string.h>
#include "canvas/object_item.h"
#include "canvas/polygon_item.h"

int objectDisassemble(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item)
{
    ObjectItem *o = (ObjectItem *)item;
    if (o->obj == NULL) return TCL_OK;
    GcanvasItemType *polygonType = gcanvasFindItemType("polygon");
    GcanvasItemType *lineType = gcanvasFindItemType("line");
    GcanvasItemType *symbolType = gcanvasFindItemType("symbol");
    RAMOBJ *obj = o->obj;
    const ShapeAccessTable *t = objectAccess(obj);
    OutlineSource source;
    source.outline = o->outline;
    source.splineSteps = o->splineSteps;
    source.smooth = o->smooth;
    const char *name = o->objectName != NULL ? o->objectName : "";
    Tcl_DString tags;
    Tcl_DStringInit(&tags);
    RecordGeometry g;
    recordGeometryInit(&g);
    int count = obj->count(obj);
    for (int i = 0; i < count; i++) {
        /* The object may change under a creation script; stop at its end. */
        if (o->obj != obj || i >= obj->count(obj)) break;
        int hasParts = 0;
        recordGeometryRead(obj, i, &g, &hasParts);
        GcanvasItemType *type = g.classCode == SHAPE_CLASS_POINT     ? symbolType
                                : g.classCode == SHAPE_CLASS_LINE    ? lineType
                                : g.classCode == SHAPE_CLASS_POLYGON ? polygonType
                                                                     : NULL;
        if (type == NULL) continue;
        PointSetDesc desc;
        desc.numParts = hasParts ? g.numParts : g.numPoints;
        desc.points = g.points;
        desc.partSizes = hasParts ? g.parts : NULL;
        desc.outline = &source;
        desc.fill = o->fillColor;
        desc.activeFill = o->activeFillColor;
        desc.disabledFill = o->disabledFillColor;
        char number[32];
        snprintf(number, sizeof number, ".%d disassembled", t->recordNumber(obj, i));
        Tcl_DStringSetLength(&tags, 0);
        Tcl_DStringAppend(&tags, name, -1);
        Tcl_DStringAppend(&tags, number, -1);
        GcanvasItem *made = gcanvasCreateItemFromPoints(gcanvasWidgetOf(c), interp, type, &desc,
                                                        Tcl_DStringValue(&tags));
        if (made != NULL) gcanvasEventuallyRedrawItem(c, made);
    }
    recordGeometryFree(&g);
    Tcl_DStringFree(&tags);
    return TCL_OK;
}
