/*
 * shape_access.h --
 *
 *	The contract between shape objects and the code that draws and
 *	builds them without knowing the shapefile layer: a shape object's
 *	RAMOBJ carries this procedure table in its interface slot. It sits
 *	with the object layer so that the canvas, which sits below the
 *	geospatial objects, can use it.
 */
#ifndef OVEX_CORE_SHAPE_ACCESS_H
#define OVEX_CORE_SHAPE_ACCESS_H

#include <stdint.h>

#include "ovex/ovex.h"

/* The records of a shape object; only the shapefile layer sees inside. */
typedef struct ShapeFile ShapeFile;
typedef unsigned char ShapeRecord;

/* Geometry classes as the canvas names them. */
enum {
    SHAPE_CLASS_POINT = 0x100, SHAPE_CLASS_LINE = 0x200, SHAPE_CLASS_POLYGON = 0x400,
    SHAPE_CLASS_POINTM = 0x1100, SHAPE_CLASS_LINEM = 0x1200, SHAPE_CLASS_POLYGONM = 0x1400,
    SHAPE_CLASS_POINTZ = 0x2100, SHAPE_CLASS_LINEZ = 0x2200, SHAPE_CLASS_POLYGONZ = 0x2400,
    SHAPE_CLASS_MULTIPATCH = 0x4000, SHAPE_CLASS_MULTIPOINT = 0x4100,
    SHAPE_CLASS_MULTIPOINTM = 0x4200, SHAPE_CLASS_MULTIPOINTZ = 0x4400
};

/*
 * The fifteen procedures of a shape object, in this order. Each takes the
 * shape RAMOBJ first; record indices run from 0 to count - 1 and are not
 * checked. Points, boxes, Z and M values point into the record buffer and
 * are doubles at any alignment: copy them out with memcpy. They stay
 * valid until the next change of the records.
 */
typedef struct ShapeAccessTable {
    int (*recordNumber)(RAMOBJ *obj, int index);
    ShapeFile *(*reset)(RAMOBJ *obj, int classCode, const int *partCounts,
                        const int *pointCounts, int n);
    const void *(*recordBBox)(RAMOBJ *obj, int index);   /* 4 doubles or NULL */
    const int32_t *(*recordParts)(RAMOBJ *obj, int index, int *classCode, int *count);
    const void *(*recordPoints)(RAMOBJ *obj, int index, int *count);
    int (*setGeometry)(RAMOBJ *obj, int index, const void *points, int n,
                       const int *partCounts, int p, const void *z, const void *m,
                       const int *partTypes);
    ShapeRecord *(*append)(RAMOBJ *obj, int number, const void *points, int n,
                           const int *partCounts, int p, const void *z, const void *m,
                           const int *partTypes);
    int (*recordBytes)(RAMOBJ *obj, int classCode, int n, int p);
    int (*isSelected)(RAMOBJ *obj, int index);
    void (*select)(RAMOBJ *obj, int index);
    int (*selectAll)(RAMOBJ *obj);
    void (*unselect)(RAMOBJ *obj, int index);
    int (*unselectAll)(RAMOBJ *obj);
    void (*toggle)(RAMOBJ *obj, int index);
    int (*countSelected)(RAMOBJ *obj);
} ShapeAccessTable;

#endif /* OVEX_CORE_SHAPE_ACCESS_H */
