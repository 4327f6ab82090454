/*
 * shape_layout.h --
 *
 *	Where the fields of one record lie, by its own type word; shared by
 *	the record operations and the file reader and writer.
 */
#ifndef OVEX_GEO_SHAPE_SHAPE_LAYOUT_H
#define OVEX_GEO_SHAPE_SHAPE_LAYOUT_H

#include "geo/shape/shape_file.h"

typedef struct ShapeLayout {
    int type;
    int32_t n, p;              /* points; parts (types with parts and MULTIPATCH) */
    unsigned char *box;        /* 4 doubles, or NULL */
    unsigned char *parts;      /* p int32, or NULL */
    unsigned char *partTypes;  /* p int32 (MULTIPATCH), or NULL */
    unsigned char *points;     /* n pairs, or NULL */
    unsigned char *zRange, *zVals;
    unsigned char *mRange, *mVals;
} ShapeLayout;

void shapeLayoutOf(ShapeRecord *rec, ShapeLayout *layout);

/* 1 when a record of size bytes (header included) holds every field its
 * type word and counts call for. */
int shapeRecordFits(ShapeRecord *rec, int64_t size);

#endif
