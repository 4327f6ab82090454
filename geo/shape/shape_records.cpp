/*
 * shape_records.cpp --
 *
 *	Records of a ShapeFile: their layout by type, the accessors, the
 *	setters of points, parts and measures, boxes and bounds, and the
 *	selection and deletion flags.
 *
 *	Record layout (offsets from the record header; content from 8):
 *	  8 int32 type
 *	  point types:  12 X, 20 Y; POINTM 28 M; POINTZ 28 Z, 36 M
 *	  multipoints:  12 box[4], 44 n, 48 points[n], then Z and/or M blocks
 *	  parts types:  12 box[4], 44 p, 48 n, 52 parts[p], (MULTIPATCH: part
 *	                types[p]), points[n], then Z and/or M blocks
 *	A Z or M block is {min, max, values[n]}. A Z type may lack its M block
 *	(writers leave it out when no measure is used); the record's own
 *	content length tells.
 */
#include "geo/shape/shape_layout.h"

#include <float.h>

int shapeTypeHasZ(int t) { return t == 11 || t == 13 || t == 15 || t == 18 || t == 31; }
int shapeTypeHasM(int t)
{
    return t == 11 || t == 13 || t == 15 || t == 18 || t == 21 || t == 23 || t == 25 || t == 28
        || t == 31;
}
int shapeTypeIsPolygon(int t) { return t == 5 || t == 15 || t == 25; }
int shapeTypeHasParts(int t)
{
    return t == 3 || t == 5 || t == 13 || t == 15 || t == 23 || t == 25;
}
int shapeTypeIsMultiPoint(int t) { return t == 8 || t == 18 || t == 28; }
int shapeTypeIsPoint(int t) { return t == 1 || t == 11 || t == 21; }
int shapeTypeHasBox(int t)
{
    return shapeTypeHasParts(t) || shapeTypeIsMultiPoint(t) || t == 31;
}

int64_t shapeRecordSize(int t, int64_t n, int64_t p)
{
    switch (t) {
    case 1: return 28;
    case 21: return 36;
    case 11: return 44;
    case 8: return 48 + 16 * n;
    case 28: return 64 + 24 * n;
    case 18: return 80 + 32 * n;
    case 3: case 5: return 52 + 4 * p + 16 * n;
    case 23: case 25: return 68 + 4 * p + 24 * n;
    case 13: case 15: return 84 + 4 * p + 32 * n;
    case 31: return 84 + 8 * p + 32 * n;
    default: return 12;
    }
}

void shapeLayoutOf(ShapeRecord *rec, ShapeLayout *L)
{
    memset(L, 0, sizeof *L);
    int t = L->type = shapeGetInt(rec + 8);
    int64_t size = (int64_t)shapeGetInt(rec + 4) * 2 + 8;
    unsigned char *after = NULL;  /* first byte after the points */
    if (shapeTypeIsPoint(t)) {
        L->n = 1;
        L->points = rec + 12;
        if (t == 21) {
            L->mVals = rec + 28;
        } else if (t == 11) {
            L->zVals = rec + 28;
            if (size >= 44) L->mVals = rec + 36;
        }
        return;
    }
    if (shapeTypeIsMultiPoint(t)) {
        L->box = rec + 12;
        L->n = shapeGetInt(rec + 44);
        L->points = rec + 48;
        after = L->points + 16 * (int64_t)L->n;
    } else if (shapeTypeHasParts(t) || t == 31) {
        L->box = rec + 12;
        L->p = shapeGetInt(rec + 44);
        L->n = shapeGetInt(rec + 48);
        L->parts = rec + 52;
        unsigned char *next = L->parts + 4 * (int64_t)L->p;
        if (t == 31) {
            L->partTypes = next;
            next += 4 * (int64_t)L->p;
        }
        L->points = next;
        after = L->points + 16 * (int64_t)L->n;
    } else {
        return;
    }
    int64_t block = 16 + 8 * (int64_t)L->n;
    if (shapeTypeHasZ(t)) {
        L->zRange = after;
        L->zVals = after + 16;
        after += block;
        if (after + block <= rec + size) {
            L->mRange = after;
            L->mVals = after + 16;
        }
    } else if (shapeTypeHasM(t)) {
        L->mRange = after;
        L->mVals = after + 16;
    }
}

int shapeRecordFits(ShapeRecord *rec, int64_t size)
{
    if (size < 12) return 0;
    int t = shapeGetInt(rec + 8);
    int64_t n = 0, p = 0;
    if (shapeTypeIsMultiPoint(t)) {
        if (size < 48) return 0;
        n = shapeGetInt(rec + 44);
    } else if (shapeTypeHasParts(t) || t == 31) {
        if (size < 52) return 0;
        p = shapeGetInt(rec + 44);
        n = shapeGetInt(rec + 48);
    }
    if (n < 0 || p < 0) return 0;
    int64_t need = shapeRecordSize(t, n, p);
    if (t == 11 || t == 13 || t == 15 || t == 18 || t == 31) {
        need -= (t == 11) ? 8 : 16 + 8 * n;  /* the M block is optional */
    }
    return need <= size;
}

/* ---- accessors ---- */

ShapeRecord *getShapeRecord(ShapeFile *sf, int index)
{
    if (sf == NULL || index < 0 || index >= sf->count) return NULL;
    return sf->buffer + sf->offsets[index];
}

ShapeRecord *nextShapeRecord(ShapeRecord *rec)
{
    ShapeRecord *next = rec + getShapeRecordSize(rec);
    if (shapeGetInt(next + 4) == 0 || shapeGetInt(next) < 0) return NULL;
    return next;
}

int getShapeRecordCount(ShapeFile *sf) { return sf->count; }
int getShapeFileType(ShapeFile *sf) { return sf->head->shapeType; }
int isShapeFileModified(ShapeFile *sf) { return sf->modified; }
int64_t getShapeBufferSize(ShapeFile *sf) { return sf->capacity; }
int getShapeRecordNumber(ShapeRecord *rec) { return shapeGetInt(rec); }
int64_t getShapeRecordSize(ShapeRecord *rec) { return (int64_t)shapeGetInt(rec + 4) * 2 + 8; }
int getShapeRecordType(ShapeRecord *rec) { return shapeGetInt(rec + 8); }

unsigned char *getShapeBBox(ShapeRecord *rec)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    return L.box;
}

unsigned char *getShapePoints(ShapeRecord *rec, int *count)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    if (count) *count = L.n;
    return L.points;
}

unsigned char *getShapeParts(ShapeRecord *rec, int *count)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    if (count) {
        if (L.parts != NULL) *count = L.p;
        else if (shapeTypeIsPoint(L.type)) *count = 1;
        else *count = L.n;
    }
    return L.parts;
}

unsigned char *getShapePartTypes(ShapeRecord *rec)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    return L.partTypes;
}

static unsigned char *valuesWithRange(unsigned char *vals, unsigned char *range, double *min,
                                      double *max)
{
    if (vals == NULL) return NULL;
    double lo = range ? shapeGetDouble(range) : shapeGetDouble(vals);
    double hi = range ? shapeGetDouble(range + 8) : shapeGetDouble(vals);
    if (min) *min = lo;
    if (max) *max = hi;
    return vals;
}

unsigned char *getShapeZ(ShapeRecord *rec, double *min, double *max)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    return valuesWithRange(L.zVals, L.zRange, min, max);
}

unsigned char *getShapeM(ShapeRecord *rec, double *min, double *max)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    return valuesWithRange(L.mVals, L.mRange, min, max);
}

/* ---- setters ---- */

int setShapePoints(ShapeRecord *rec, const void *points, int start, int k)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    int copied = 0;
    if (L.points == NULL || points == NULL) return 0;
    for (int pos = start; copied < k && pos >= 0 && pos < L.n; pos++, copied++) {
        memcpy(L.points + 16 * (int64_t)pos, (const unsigned char *)points + 16 * (int64_t)copied,
               16);
    }
    if (L.box != NULL) computeShapeBBox(rec);
    return copied;
}

static int setValues(unsigned char *vals, unsigned char *range, int n, const void *values,
                     int start, int k)
{
    if (vals == NULL || values == NULL) return 0;
    int copied = 0;
    for (int pos = start; copied < k && pos >= 0 && pos < n; pos++, copied++) {
        memcpy(vals + 8 * (int64_t)pos, (const unsigned char *)values + 8 * (int64_t)copied, 8);
    }
    if (copied >= 2 && range != NULL) {
        double lo = shapeGetDouble(vals), hi = lo;
        for (int i = 1; i < n; i++) {
            double v = shapeGetDouble(vals + 8 * (int64_t)i);
            if (v < lo) lo = v;
            if (v > hi) hi = v;
        }
        shapePutDouble(range, lo);
        shapePutDouble(range + 8, hi);
    }
    return copied;
}

int setShapeZ(ShapeRecord *rec, const void *values, int start, int k)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    return setValues(L.zVals, L.zRange, L.n, values, start, k);
}

int setShapeM(ShapeRecord *rec, const void *values, int start, int k)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    return setValues(L.mVals, L.mRange, L.n, values, start, k);
}

int setShapeParts(ShapeRecord *rec, const int *values, int start, int k)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    if (L.parts == NULL || values == NULL) return 0;
    int copied = 0;
    for (int pos = start; copied < k && pos >= 0 && pos < L.p && values[copied] <= L.n;
         pos++, copied++) {
        shapePutInt(L.parts + 4 * (int64_t)pos, values[copied]);
    }
    return copied;
}

int setShapePartTypes(ShapeRecord *rec, const int *values, int start, int k)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    if (L.partTypes == NULL || values == NULL) return 0;
    int copied = 0;
    for (int pos = start; copied < k && pos >= 0 && pos < L.p; pos++, copied++) {
        shapePutInt(L.partTypes + 4 * (int64_t)pos, values[copied]);
    }
    return copied;
}

/* ---- boxes and bounds ---- */

void computeShapeBBox(ShapeRecord *rec)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    if (L.box == NULL) return;
    double b[4] = {0, 0, 0, 0};
    for (int i = 0; i < L.n; i++) {
        double x = shapeGetDouble(L.points + 16 * (int64_t)i);
        double y = shapeGetDouble(L.points + 16 * (int64_t)i + 8);
        if (i == 0 || x < b[0]) b[0] = x;
        if (i == 0 || y < b[1]) b[1] = y;
        if (i == 0 || x > b[2]) b[2] = x;
        if (i == 0 || y > b[3]) b[3] = y;
    }
    memcpy(L.box, b, sizeof b);
}

/* The record's X/Y box, Z and M ranges; false for what it lacks. */
struct RecordBounds {
    bool hasXY, hasZ, hasM;
    double xy[4], z[2], m[2];
};

static RecordBounds recordBounds(ShapeRecord *rec)
{
    RecordBounds r;
    memset(&r, 0, sizeof r);
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    if (L.box != NULL) {
        memcpy(r.xy, L.box, sizeof r.xy);
        r.hasXY = true;
    } else if (shapeTypeIsPoint(L.type)) {
        r.xy[0] = r.xy[2] = shapeGetDouble(L.points);
        r.xy[1] = r.xy[3] = shapeGetDouble(L.points + 8);
        r.hasXY = true;
    }
    r.hasZ = valuesWithRange(L.zVals, L.zRange, &r.z[0], &r.z[1]) != NULL;
    r.hasM = valuesWithRange(L.mVals, L.mRange, &r.m[0], &r.m[1]) != NULL;
    return r;
}

void setShapeHeadBounds(ShapeHead *head, ShapeRecord *rec)
{
    RecordBounds r = recordBounds(rec);
    if (r.hasXY) {
        head->xmin = r.xy[0];
        head->ymin = r.xy[1];
        head->xmax = r.xy[2];
        head->ymax = r.xy[3];
    }
    if (r.hasZ) {
        head->zmin = r.z[0];
        head->zmax = r.z[1];
    }
    if (r.hasM) {
        head->mmin = r.m[0];
        head->mmax = r.m[1];
    }
}

void growShapeHeadBounds(ShapeHead *head, ShapeRecord *rec)
{
    RecordBounds r = recordBounds(rec);
    if (r.hasXY) {
        if (r.xy[0] < head->xmin) head->xmin = r.xy[0];
        if (r.xy[1] < head->ymin) head->ymin = r.xy[1];
        if (r.xy[2] > head->xmax) head->xmax = r.xy[2];
        if (r.xy[3] > head->ymax) head->ymax = r.xy[3];
    }
    if (r.hasZ) {
        if (r.z[0] < head->zmin) head->zmin = r.z[0];
        if (r.z[1] > head->zmax) head->zmax = r.z[1];
    }
    if (r.hasM) {
        if (r.m[0] < head->mmin) head->mmin = r.m[0];
        if (r.m[1] > head->mmax) head->mmax = r.m[1];
    }
}

void updateShapeBounds(ShapeFile *sf, int recomputeBoxes)
{
    if (sf == NULL || sf->count == 0) return;
    for (int i = 0; i < sf->count; i++) {
        ShapeRecord *rec = sf->buffer + sf->offsets[i];
        if (recomputeBoxes) computeShapeBBox(rec);
        if (i == 0) setShapeHeadBounds(sf->head, rec);
        else growShapeHeadBounds(sf->head, rec);
    }
    sf->modified = 1;
}

/* ---- selection and deletion ---- */

void selectShape(ShapeFile *sf, int i)
{
    if (!(sf->flags[i] & SHAPE_DELETED)) sf->flags[i] |= SHAPE_SELECTED;
}
void unselectShape(ShapeFile *sf, int i)
{
    if (!(sf->flags[i] & SHAPE_DELETED)) sf->flags[i] &= ~SHAPE_SELECTED;
}
void toggleShape(ShapeFile *sf, int i)
{
    if (!(sf->flags[i] & SHAPE_DELETED)) sf->flags[i] ^= SHAPE_SELECTED;
}
void deleteShape(ShapeFile *sf, int i) { sf->flags[i] = SHAPE_DELETED; }
void undeleteShape(ShapeFile *sf, int i)
{
    if (sf->flags[i] & SHAPE_DELETED) sf->flags[i] = SHAPE_SELECTED;
}
int isShapeSelected(ShapeFile *sf, int i) { return (sf->flags[i] & SHAPE_SELECTED) ? 1 : 0; }
int isShapeDeleted(ShapeFile *sf, int i) { return (sf->flags[i] & SHAPE_DELETED) ? 1 : 0; }

int selectAllShapes(ShapeFile *sf)
{
    int changed = 0;
    for (int i = 0; i < sf->count; i++) {
        if (sf->flags[i] == 0) {
            sf->flags[i] = SHAPE_SELECTED;
            changed++;
        }
    }
    return changed;
}

int unselectAllShapes(ShapeFile *sf)
{
    int changed = 0;
    for (int i = 0; i < sf->count; i++) {
        if (sf->flags[i] == SHAPE_SELECTED) {
            sf->flags[i] = 0;
            changed++;
        }
    }
    return changed;
}

int countSelectedShapes(ShapeFile *sf)
{
    int n = 0;
    for (int i = 0; i < sf->count; i++) n += (sf->flags[i] & SHAPE_SELECTED) ? 1 : 0;
    return n;
}

int countDeletedShapes(ShapeFile *sf)
{
    int n = 0;
    for (int i = 0; i < sf->count; i++) n += (sf->flags[i] & SHAPE_DELETED) ? 1 : 0;
    return n;
}

int setShapeProjDef(ShapeFile *sf, const char *text)
{
    sf->projDef = text;
    return (int)sf->projDef.size();
}

const char *getShapeProjDef(ShapeFile *sf) { return sf->projDef.c_str(); }
