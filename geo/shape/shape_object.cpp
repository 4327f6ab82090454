/*
 * shape_object.cpp --
 *
 *	The shape object type: its RAMOBJ slots, its access table, the shape
 *	type and geometry-class vocabularies, and the commands shape.create
 *	and shape.info.
 */
#include "geo/shape/shape_object.h"

#include <string.h>

#include "core/inits.h"
#include "core/objects.h"
#include "geo/object_create.h"
#include "geo/shape/shape_layout.h"

/* ---- vocabularies ---- */

static const struct {
    int code;
    const char *name;
} shapeTypeTable[] = {
    {0, "NULL"}, {1, "POINT"}, {3, "POLYLINE"}, {5, "POLYGON"}, {8, "MULTIPOINT"},
    {11, "POINTZ"}, {13, "POLYLINEZ"}, {15, "POLYGONZ"}, {18, "MULTIPOINTZ"}, {21, "POINTM"},
    {23, "POLYLINEM"}, {25, "POLYGONM"}, {28, "MULTIPOINTM"}, {31, "MULTIPATCH"}, {-1, NULL},
};

int shapeTypeFromName(const char *name)
{
    for (int i = 0; shapeTypeTable[i].name != NULL; i++) {
        if (strcmp(shapeTypeTable[i].name, name) == 0) return shapeTypeTable[i].code;
    }
    return -1;
}

const char *shapeTypeName(int type)
{
    for (int i = 0; shapeTypeTable[i].name != NULL; i++) {
        if (shapeTypeTable[i].code == type) return shapeTypeTable[i].name;
    }
    return NULL;
}

const char *shapeTypeNameAt(int position)
{
    int count = (int)(sizeof shapeTypeTable / sizeof shapeTypeTable[0]) - 1;
    return position >= 0 && position < count ? shapeTypeTable[position].name : NULL;
}

int shapeTypeFromClass(int classCode)
{
    static const int table[][2] = {
        {0x100, 1}, {0x200, 3}, {0x400, 5}, {0x1100, 21}, {0x1200, 23}, {0x1400, 25},
        {0x2100, 11}, {0x2200, 13}, {0x2400, 15}, {0x4000, 31}, {0x4100, 8}, {0x4200, 28},
        {0x4400, 18},
    };
    for (const auto &entry : table) {
        if (entry[0] == classCode) return entry[1];
    }
    return -1;
}

int shapeClassOfType(int type)
{
    switch (type) {
    case 1: case 8: case 11: case 18: case 21: case 28: return 0x100;
    case 3: case 13: case 23: return 0x200;
    case 5: case 15: case 25: return 0x400;
    default: return 0;
    }
}

/* ---- RAMOBJ slots ---- */

static ShapeFile *dataOf(RAMOBJ *obj) { return (ShapeFile *)obj->data; }

int shapeObjCount(RAMOBJ *obj) { return obj->data ? dataOf(obj)->count : 0; }

int shapeObjSubtype(RAMOBJ *obj)
{
    return obj->data ? shapeClassOfType(dataOf(obj)->head->shapeType) : 0;
}

void *shapeObjClone(void *data, int selectedOnly)
{
    ShapeFile *sf = (ShapeFile *)data;
    return selectedOnly ? copySelectedShapes(sf) : copyShapeFile(sf);
}

int shapeObjSave(RAMOBJ *obj, const char *fileName, int selectedOnly)
{
    return writeShape(fileName, dataOf(obj), selectedOnly, NULL);
}

void *shapeObjLoad(const char *fileName, int *status)
{
    ShapeFile *sf = openShapeFile(fileName, status);
    if (sf == NULL) objLoadFailure(shapeOpenFailure());
    return sf;
}

void shapeObjFree(void *data) { freeShapeFile((ShapeFile *)data); }

int shapeObjModified(RAMOBJ *obj) { return obj->data ? dataOf(obj)->modified : 0; }

/* ---- access table ---- */

static ShapeRecord *recordOf(RAMOBJ *obj, int index)
{
    ShapeFile *sf = dataOf(obj);
    return sf->buffer + sf->offsets[index];
}

static int accessRecordNumber(RAMOBJ *obj, int index)
{
    return getShapeRecordNumber(recordOf(obj, index));
}

static ShapeFile *accessReset(RAMOBJ *obj, int classCode, const int *partCounts,
                              const int *pointCounts, int n)
{
    ShapeFile *fresh = newShapeFile(shapeTypeFromClass(classCode), partCounts, pointCounts, n);
    if (fresh == NULL) return NULL;
    freeShapeFile(dataOf(obj));
    obj->data = fresh;
    return fresh;
}

static const void *accessRecordBBox(RAMOBJ *obj, int index)
{
    return getShapeBBox(recordOf(obj, index));
}

static const int32_t *accessRecordParts(RAMOBJ *obj, int index, int *classCode, int *count)
{
    ShapeRecord *rec = recordOf(obj, index);
    if (classCode) *classCode = shapeClassOfType(getShapeRecordType(rec));
    return (const int32_t *)getShapeParts(rec, count);
}

static const void *accessRecordPoints(RAMOBJ *obj, int index, int *count)
{
    return getShapePoints(recordOf(obj, index), count);
}

/* Refuses counts the record was not made for: its size stays as made. */
static int accessSetGeometry(RAMOBJ *obj, int index, const void *points, int n,
                             const int *partCounts, int p, const void *z, const void *m,
                             const int *partTypes)
{
    ShapeRecord *rec = recordOf(obj, index);
    int t = getShapeRecordType(rec);
    if (n < 0 || p < 0 || shapeRecordSize(t, n, p) > getShapeRecordSize(rec)) return 0;
    if (shapeTypeIsMultiPoint(t)) {
        shapePutInt(rec + 44, n);
    } else if (shapeTypeHasParts(t) || t == 31) {
        shapePutInt(rec + 44, p);
        shapePutInt(rec + 48, n);
    } else if (shapeTypeIsPoint(t) && n != 1) {
        return 0;
    }
    bool complete = true;
    if (points != NULL && t != 0) complete = setShapePoints(rec, points, 0, n) == n && complete;
    if (partCounts != NULL) complete = setShapeParts(rec, partCounts, 0, p) == p && complete;
    if (partTypes != NULL) complete = setShapePartTypes(rec, partTypes, 0, p) == p && complete;
    if (z != NULL) complete = setShapeZ(rec, z, 0, n) == n && complete;
    if (m != NULL) complete = setShapeM(rec, m, 0, n) == n && complete;
    return complete ? n : 0;
}

static ShapeRecord *accessAppend(RAMOBJ *obj, int number, const void *points, int n,
                                 const int *partCounts, int p, const void *z, const void *m,
                                 const int *partTypes)
{
    return appendShape(dataOf(obj), number, points, n, partCounts, p, z, m, partTypes);
}

static int accessRecordBytes(RAMOBJ *, int classCode, int n, int p)
{
    return (int)shapeRecordSize(shapeTypeFromClass(classCode), n, p);
}

static int accessIsSelected(RAMOBJ *obj, int index) { return isShapeSelected(dataOf(obj), index); }
static void accessSelect(RAMOBJ *obj, int index) { selectShape(dataOf(obj), index); }
static int accessSelectAll(RAMOBJ *obj) { return selectAllShapes(dataOf(obj)); }
static void accessUnselect(RAMOBJ *obj, int index) { unselectShape(dataOf(obj), index); }
static int accessUnselectAll(RAMOBJ *obj) { return unselectAllShapes(dataOf(obj)); }
static void accessToggle(RAMOBJ *obj, int index) { toggleShape(dataOf(obj), index); }
static int accessCountSelected(RAMOBJ *obj) { return countSelectedShapes(dataOf(obj)); }

const ShapeAccessTable shapeAccessTable = {
    accessRecordNumber, accessReset,       accessRecordBBox,  accessRecordParts,
    accessRecordPoints, accessSetGeometry, accessAppend,      accessRecordBytes,
    accessIsSelected,   accessSelect,      accessSelectAll,   accessUnselect,
    accessUnselectAll,  accessToggle,      accessCountSelected,
};

/* ---- commands ---- */

void shapeAppendHeadInfo(Tcl_Interp *interp, const ShapeHead *h)
{
    const char *name = shapeTypeName(h->shapeType);
    Tcl_AppendElement(interp, fmt("shapeID %d", h->fileCode));
    Tcl_AppendElement(interp, fmt("version %d", h->version));
    Tcl_AppendElement(interp, fmt("typeID %d", h->shapeType));
    Tcl_AppendElement(interp, fmt("type %s", name ? name : ""));
    Tcl_AppendElement(interp, fmt("length %d", h->fileLength));
    Tcl_AppendElement(interp, fmt("xyrange {%.12g %.12g %.12g %.12g}", h->xmin, h->ymin, h->xmax,
                                  h->ymax));
    Tcl_AppendElement(interp, fmt("zrange {%.12g %.12g}", h->zmin, h->zmax));
    Tcl_AppendElement(interp, fmt("mrange {%.12g %.12g}", h->mmin, h->mmax));
}

static int shapeCreateCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        return objectCreateUsage(interp, argv[0]);
    }
    RAMOBJ *obj = newObjectRecord(OBJ_SHAPE);
    if (obj == NULL) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("Error in create shape obj", -1));
        return TCL_ERROR;
    }
    obj->count = shapeObjCount;
    obj->subtype = shapeObjSubtype;
    obj->clone = shapeObjClone;
    obj->save = shapeObjSave;
    obj->acquire = objAcquire;
    obj->release = objRelease;
    obj->close = objClose;
    obj->load = shapeObjLoad;
    obj->freeData = shapeObjFree;
    obj->command = shapeObjCmd;
    obj->modified = shapeObjModified;
    obj->interface = (void *)&shapeAccessTable;
    if (Tcl_CreateCommand(interp, argv[1], shapeObjCmd, obj, objDelete) == NULL) {
        gmemFree(obj);
        return TCL_ERROR;
    }
    if (registerAndConfigure(interp, obj, argv[1], argc - 2, argv + 2) != TCL_OK) {
        return TCL_ERROR;
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj(argv[1], -1));
    return TCL_OK;
}

static int shapeInfoCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 2) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Usage: ", argv[0], " shapeFile", (char *)NULL);
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    ShapeHead *h = getShapeHead(argv[1], NULL);
    if (h == NULL) return TCL_OK;
    shapeAppendHeadInfo(interp, h);
    gmemFree(h);
    int count = 0;
    if (getShapeCount(argv[1], &count)) Tcl_AppendElement(interp, fmt("count %d", count));
    return TCL_OK;
}

int Shape_Init(Tcl_Interp *interp)
{
    if (Tcl_CreateCommand(interp, "shape.create", shapeCreateCmd, NULL, NULL) == NULL
        || Tcl_CreateCommand(interp, "shape.info", shapeInfoCmd, NULL, NULL) == NULL) {
        return TCL_ERROR;
    }
    return TCL_OK;
}
