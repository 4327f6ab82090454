/*
 * gcanvas_measure.cpp --
 *
 *	Subcommands beyond Tk's canvas: area, length, centroid, vangle,
 *	langle, the four box flavours, count by geometry class, redraw,
 *	group, disassemble and assemble.
 */
#include <stdio.h>
#include <string.h>
#include "canvas/gcanvas.h"
#include "core/shape_access.h"
#include "ovex/ovex.h"

static const struct { int code; const char *name; } geomTypeTable[] = {
    {0x100, "POINT"}, {0x200, "LINE"}, {0x400, "POLYGON"}, {0x1100, "POINTM"}, {0x1200, "LINEM"},
    {0x1400, "POLYGONM"}, {0x2100, "POINTZ"}, {0x2200, "LINEZ"}, {0x2400, "POLYGONZ"},
    {0x4000, "MULTIPATCH"}, {0x4100, "MULTIPOINT"}, {0x4200, "MULTIPOINTM"}, {0x4400, "MULTIPOINTZ"},
    {-1, NULL}};

int geomTypeByName(const char *name)
{
    for (int i = 0; geomTypeTable[i].name != NULL; i++) {
        if (strcmp(geomTypeTable[i].name, name) == 0) return geomTypeTable[i].code;
    }
    return -1;
}

const char *geomTypeNameByIndex(int row)
{
    if (row < 0 || row >= 13) return NULL;
    return geomTypeTable[row].name;
}

int itemGeomType(GcanvasItem *item)
{
    const char *n = item->typePtr->name;
    if (strcmp(n, "line") == 0) return 0x200;
    if (strcmp(n, "polygon") == 0) return 0x400;
    if (strcmp(n, "symbol") == 0 || strcmp(n, "gtext") == 0 || strcmp(n, "text") == 0
            || strcmp(n, "image") == 0 || strcmp(n, "bitmap") == 0) {
        return 0x100;
    }
    return -1;
}

static int invalidType(Tcl_Interp *interp)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Invalid object type. Should be", (char *)NULL);
    for (int i = 0; geomTypeTable[i].name != NULL; i++) {
        Tcl_AppendResult(interp, " ", geomTypeTable[i].name, (char *)NULL);
    }
    return TCL_ERROR;
}

static void orderPair(double *a, double *b)
{
    if (*a > *b) {
        double t = *a;
        *a = *b;
        *b = t;
    }
}

enum { M_AREA = 1, M_ASSEMBLE = 2, M_BBOX = 3, M_CENTROID = 7, M_COUNT = 11, M_DBBOX = 13,
       M_DISASSEMBLE = 16, M_GROUP = 21, M_LANGLE = 27, M_LENGTH = 28, M_MBBOX = 30, M_REDRAW = 34,
       M_SBBOX = 35, M_VANGLE = 40 };

int gcanvasMeasureCmd(Tcl_Interp *interp, GcanvasWidget *c, int index, int objc, Tcl_Obj *const objv[],
                      GcTagSearch **search)
{
    GcanvasItem *item;
    switch (index) {
    case M_AREA: case M_LENGTH: case M_CENTROID: {
        if (objc < 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId ?tagOrId ...?");
            return TCL_ERROR;
        }
        double sum = 0, sx = 0, sy = 0;
        int counted = 0;
        for (int i = 2; i < objc; i++) {
            if (tagSearchScan(c, objv[i], search) != TCL_OK) return TCL_ERROR;
            for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
                GcanvasItemType *t = item->typePtr;
                if (index == M_AREA && t->measureAreaProc) {
                    sum += t->measureAreaProc(c, item);
                    counted++;
                } else if (index == M_LENGTH && t->measureLengthProc) {
                    sum += t->measureLengthProc(c, item);
                    counted++;
                } else if (index == M_CENTROID && t->centroidProc) {
                    double cx, cy;
                    double w = t->centroidProc(c, item, &cx, &cy);
                    sum += w;
                    sx += w * cx;
                    sy += w * cy;
                    counted++;
                }
            }
        }
        if (counted == 0) return TCL_OK;
        if (index == M_CENTROID) {
            Tcl_Obj *list = Tcl_NewListObj(0, NULL);
            Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(sx / sum));
            Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(sy / sum));
            Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(c->my > 0 ? -sum : sum));
            Tcl_SetObjResult(interp, list);
        } else {
            if (index == M_AREA && c->my > 0) sum = -sum;
            Tcl_SetObjResult(interp, Tcl_NewDoubleObj(sum));
        }
        return TCL_OK;
    }
    case M_VANGLE: case M_LANGLE: {
        if (objc < 4) {
            Tcl_WrongNumArgs(interp, 2, objv, index == M_VANGLE ? "tagOrId vertexindex ?vertexindex...?"
                                                                 : "tagOrId pIndex ?pIndex...?");
            return TCL_ERROR;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        item = tagSearchFirst(*search);
        if (item == NULL) return TCL_OK;
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        for (int i = 3; i < objc; i++) {
            if (index == M_VANGLE && item->typePtr->vertexAngleProc) {
                int v;
                if (Tcl_GetIntFromObj(interp, objv[i], &v) != TCL_OK) {
                    Tcl_DecrRefCount(list);
                    return TCL_ERROR;
                }
                Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(item->typePtr->vertexAngleProc(c, item, v)));
            } else if (index == M_LANGLE && item->typePtr->angleAtProc) {
                double pos, x, y;
                if (Tcl_GetDoubleFromObj(interp, objv[i], &pos) != TCL_OK) {
                    Tcl_DecrRefCount(list);
                    return TCL_ERROR;
                }
                double a = item->typePtr->angleAtProc(c, item, pos, &x, &y);
                Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(a));
                Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(x));
                Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(y));
            }
        }
        Tcl_SetObjResult(interp, list);
        return TCL_OK;
    }
    case M_BBOX: case M_MBBOX: case M_SBBOX: case M_DBBOX: {
        if (objc < 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId ?tagOrId ...?");
            return TCL_ERROR;
        }
        int got = 0;
        double b[4] = {0, 0, 0, 0};
        for (int i = 2; i < objc; i++) {
            if (tagSearchScan(c, objv[i], search) != TCL_OK) return TCL_ERROR;
            for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
                if (!(item->x1 < item->x2 && item->y1 < item->y2)) continue;
                double r[4] = {item->x1, item->y1, item->x2, item->y2};
                if (index == M_DBBOX) {
                    r[0] += item->marginX;
                    r[1] += item->marginY;
                    r[2] -= item->marginX;
                    r[3] -= item->marginY;
                }
                if (!got) {
                    memcpy(b, r, sizeof b);
                    got = 1;
                } else {
                    if (r[0] < b[0]) b[0] = r[0];
                    if (r[1] < b[1]) b[1] = r[1];
                    if (r[2] > b[2]) b[2] = r[2];
                    if (r[3] > b[3]) b[3] = r[3];
                }
            }
        }
        if (!got) return TCL_OK;
        if (index == M_BBOX || index == M_DBBOX) {
            double in[4] = {b[0], b[1], b[2], b[3]};
            screenToWorldPoints(c, in, b, 2);
            orderPair(&b[0], &b[2]);
            orderPair(&b[1], &b[3]);
        } else if (index == M_SBBOX) {
            b[0] -= c->xOrigin;
            b[2] -= c->xOrigin;
            b[1] -= c->yOrigin;
            b[3] -= c->yOrigin;
        }
        for (int i = 0; i < 4; i++) {
            b[i] += 0.0; /* no "-0.000000" */
        }
        char buf[4 * 330];
        snprintf(buf, sizeof buf, "%f %f %f %f", b[0], b[1], b[2], b[3]);
        Tcl_SetResult(interp, buf, TCL_VOLATILE);
        return TCL_OK;
    }
    case M_COUNT: {
        if (objc < 3) {
            Tcl_WrongNumArgs(interp, 2, objv, "all or type id ...");
            return TCL_ERROR;
        }
        if (objc == 3) {
            int n = 0;
            for (item = c->firstItemPtr; item != NULL; item = item->nextPtr) n++;
            Tcl_SetObjResult(interp, Tcl_NewIntObj(n));
            return TCL_OK;
        }
        int cls = geomTypeByName(Tcl_GetString(objv[2]));
        if (cls == -1) return invalidType(interp);
        if (cls != 0x100 && cls != 0x200 && cls != 0x400) {
            Tcl_SetResult(interp, (char *)"Not implemented yet.", TCL_STATIC);
            return TCL_OK;
        }
        int n = 0;
        for (int i = 3; i < objc; i++) {
            if (tagSearchScan(c, objv[i], search) != TCL_OK) return TCL_ERROR;
            for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
                if (itemGeomType(item) == cls) n++;
            }
            Tcl_SetObjResult(interp, Tcl_NewIntObj(n));
        }
        return TCL_OK;
    }
    case M_REDRAW: {
        if (objc != 6) {
            Tcl_WrongNumArgs(interp, 2, objv, "x0 y0 x1 y1");
            return TCL_ERROR;
        }
        double r[4];
        for (int i = 0; i < 4; i++) {
            if (Tcl_GetDoubleFromObj(interp, objv[2 + i], &r[i]) != TCL_OK) return TCL_ERROR;
        }
        gcanvasEventuallyRedraw(c, r[0], r[1], r[2], r[3], 1);
        return TCL_OK;
    }
    case M_GROUP: {
        if (objc < 4) {
            Tcl_WrongNumArgs(interp, 2, objv, "tagOrId command ?arg ...?");
            return TCL_ERROR;
        }
        Tcl_HashEntry *e = Tcl_FindHashEntry(&c->groupTable, Tcl_GetString(objv[2]));
        if (e != NULL) {
            item = (GcanvasItem *)Tcl_GetHashValue(e);
            if (item == NULL) return TCL_OK;
            GcanvasItem *group = item->group != NULL ? item->group : item;
            if (group->typePtr->groupNameCmdProc == NULL) {
                Tcl_SetResult(interp, (char *)"Invalid item command", TCL_STATIC);
                return TCL_ERROR;
            }
            /* The redraw covers the top-level group, whose box holds the
             * change; the command may delete that group. */
            GcanvasItem *top = gcanvasGroupTopLevel(group);
            int topId = top->id;
            gcanvasEventuallyRedrawItem(c, top);
            int status = group->typePtr->groupNameCmdProc(interp, c, item, objc - 3, objv + 3);
            Tcl_HashEntry *live = Tcl_FindHashEntry(&c->idTable, (char *)(intptr_t)topId);
            if (live != NULL) gcanvasEventuallyRedrawItem(c, (GcanvasItem *)Tcl_GetHashValue(live));
            c->flags |= GC_REPICK_NEEDED;
            return status;
        }
        if (tagSearchScan(c, objv[2], search) != TCL_OK) return TCL_ERROR;
        item = tagSearchFirst(*search);
        if (item == NULL) return TCL_OK;
        if (item->typePtr->groupTagCmdProc == NULL) {
            Tcl_SetResult(interp, (char *)"Invalid item command", TCL_STATIC);
            return TCL_ERROR;
        }
        gcanvasEventuallyRedrawItem(c, item);
        int status = item->typePtr->groupTagCmdProc(interp, c, item, objc - 3, objv + 3);
        gcanvasEventuallyRedrawItem(c, item);
        c->flags |= GC_REPICK_NEEDED;
        return status;
    }
    case M_DISASSEMBLE:
        for (int i = 2; i < objc; i++) {
            if (tagSearchScan(c, objv[i], search) != TCL_OK) return TCL_ERROR;
            for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
                if (item->typePtr->disassembleProc) (void)item->typePtr->disassembleProc(interp, c, item);
            }
        }
        Tcl_ResetResult(interp);
        return TCL_OK;
    case M_ASSEMBLE: {
        if (objc < 5) {
            Tcl_WrongNumArgs(interp, 2, objv, "object type id ...");
            return TCL_ERROR;
        }
        RAMOBJ *obj = NULL;
        if (openObject(interp, OBJ_SHAPE, Tcl_GetString(objv[2]), &obj) != TCL_OK) return TCL_ERROR;
        int status = TCL_OK;
        int cls = geomTypeByName(Tcl_GetString(objv[3]));
        const ShapeAccessTable *access = (const ShapeAccessTable *)obj->interface;
        if (cls != -1 && obj->data == NULL && access != NULL) (void)access->reset(obj, cls, NULL, NULL, 0);
        if (cls == -1) {
            status = invalidType(interp);
        } else if (obj->data != NULL && obj->subtype != NULL && obj->subtype(obj) != cls) {
            Tcl_SetResult(interp, (char *)"The object is different from the specified type", TCL_STATIC);
            status = TCL_ERROR;
        } else if (cls != 0x100 && cls != 0x200 && cls != 0x400) {
            Tcl_SetResult(interp, (char *)"Not implemented yet.", TCL_STATIC);
        } else {
            /* Items of the class that give points and parts become one
             * record each; the others (text, images) are passed over. */
            int n = 0;
            for (int i = 4; i < objc && status == TCL_OK; i++) {
                status = tagSearchScan(c, objv[i], search);
                if (status != TCL_OK || access == NULL) continue;
                for (item = tagSearchFirst(*search); item != NULL; item = tagSearchNext(*search)) {
                    GcanvasItemType *type = item->typePtr;
                    if (itemGeomType(item) != cls || type->getPointsProc == NULL || type->getPartsProc == NULL) {
                        continue;
                    }
                    int numPoints = 0, numParts = 0;
                    double *points = type->getPointsProc(item, &numPoints);
                    int *parts = type->getPartsProc(item, &numParts);
                    if (parts == NULL) numParts = 0;
                    (void)access->append(obj, -1, points, numPoints, parts, numParts, NULL, NULL, NULL);
                    n++;
                }
            }
            if (n > 0) objUpdate(obj);
            if (status == TCL_OK) Tcl_SetObjResult(interp, Tcl_NewIntObj(n));
        }
        closeObject(obj);
        return status;
    }
    }
    return TCL_OK;
}
