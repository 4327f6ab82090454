/*
 * shape_file.h --
 *
 *	One shapefile data set in memory (ShapeFile) and the operations that
 *	read it from a main file (.shp) and its index (.shx), change it record
 *	by record and write both files back.
 *
 *	The records live back to back in one buffer, each as in the main file
 *	except that the record number and content length are in host order
 *	and, for types with parts, parts[] holds the point count of each part
 *	instead of the index of its first point. An end marker {-1, 0, 0}
 *	follows the last record. Doubles inside a record are not aligned:
 *	read and write them through shapeGetDouble/shapePutDouble (memcpy).
 */
#ifndef OVEX_GEO_SHAPE_SHAPE_FILE_H
#define OVEX_GEO_SHAPE_SHAPE_FILE_H

#include <stdint.h>
#include <string.h>

#include <string>

/* Shape type codes. */
enum {
    SHP_NULL = 0, SHP_POINT = 1, SHP_POLYLINE = 3, SHP_POLYGON = 5, SHP_MULTIPOINT = 8,
    SHP_POINTZ = 11, SHP_POLYLINEZ = 13, SHP_POLYGONZ = 15, SHP_MULTIPOINTZ = 18,
    SHP_POINTM = 21, SHP_POLYLINEM = 23, SHP_POLYGONM = 25, SHP_MULTIPOINTM = 28,
    SHP_MULTIPATCH = 31
};

#define SHAPE_FILE_CODE 9994
#define SHAPE_HEAD_BYTES 100
#define SHAPE_SELECTED 1
#define SHAPE_DELETED 2

/* The 100-byte header of the main and index files, in host order. */
typedef struct ShapeHead {
    int32_t fileCode;
    int32_t unused[5];
    int32_t fileLength;   /* 16-bit words, header included */
    int32_t version;
    int32_t shapeType;
    double xmin, ymin, xmax, ymax, zmin, zmax, mmin, mmax;
} ShapeHead;

/* One record in the buffer starts at its 8-byte record header. */
typedef unsigned char ShapeRecord;

typedef struct ShapeFile {
    std::string name;         /* main file as opened, empty when made here */
    std::string projDef;      /* projection text of the coordinates */
    ShapeHead *head;
    unsigned char *buffer;    /* records, then the end marker */
    int32_t busy;
    int32_t packPending;
    int32_t modified;
    int64_t capacity;         /* bytes allocated for buffer */
    int32_t count;            /* records */
    int32_t nextNumber;       /* number of the next record added without one */
    int64_t *offsets;         /* byte offset of each record in buffer */
    unsigned char *flags;     /* SHAPE_SELECTED / SHAPE_DELETED per record */
    int32_t arrayCapacity;    /* entries allocated in offsets and flags */
} ShapeFile;

/* ---- unaligned field access ---- */
static inline double shapeGetDouble(const void *p)
{
    double v;
    memcpy(&v, p, sizeof v);
    return v;
}
static inline void shapePutDouble(void *p, double v) { memcpy(p, &v, sizeof v); }
static inline int32_t shapeGetInt(const void *p)
{
    int32_t v;
    memcpy(&v, p, sizeof v);
    return v;
}
static inline void shapePutInt(void *p, int32_t v) { memcpy(p, &v, sizeof v); }

/* ---- shape types ---- */
int shapeTypeHasZ(int type);
int shapeTypeHasM(int type);
int shapeTypeIsPolygon(int type);
int shapeTypeHasParts(int type);     /* 3, 5, 13, 15, 23, 25 (not 31) */
int shapeTypeHasBox(int type);
int shapeTypeIsMultiPoint(int type);
int shapeTypeIsPoint(int type);      /* 1, 11, 21 */
/* Bytes of a record (header included) of type with n points and p parts. */
int64_t shapeRecordSize(int type, int64_t n, int64_t p);

/* ---- files and whole data sets ---- */
ShapeHead *getShapeHead(const char *fileName, int *status);
int saveShapeHead(int fd, ShapeHead *head);
int getShapeCount(const char *mainName, int *count);
/* Index entries as pairs {offset, content length}; NULL when missing or
 * inconsistent with the main file. Free with delete[]. */
int32_t *readShapeIndex(const char *mainName, int *count, int *status);
std::string shapeIndexName(const char *mainName);
ShapeFile *openShapeFile(const char *fileName, int *status);
/* Why the last openShapeFile returned NULL ("no such file or directory",
 * "not a shapefile: ...", ...). */
const char *shapeOpenFailure(void);
/* Writes the main and the index file; both replace the old pair, or
 * neither does (core/safe_replace.h). 1, or 0 with the old files whole. */
int writeShape(const char *fileName, ShapeFile *sf, int selectedOnly, int *status);
ShapeHead *newShapeHead(int type);
ShapeFile *newShapeFile(int type, const int *partCounts, const int *pointCounts, int n);
ShapeFile *copyShapeFile(ShapeFile *sf);
ShapeFile *copySelectedShapes(ShapeFile *sf);
void clearShapeFile(ShapeFile *sf);
int packShapeFile(ShapeFile *sf);
void freeShapeFile(ShapeFile *sf);

/* ---- records ----
 * Points are n pairs of doubles X, Y (any alignment); partCounts p point
 * counts; z and m n values; partTypes p values. Absent arrays are NULL. */
ShapeRecord *appendShape(ShapeFile *sf, int number, const void *points, int n,
                         const int *partCounts, int p, const void *z, const void *m,
                         const int *partTypes);
ShapeRecord *insertShape(ShapeFile *sf, int index, int number, const void *points, int n,
                         const int *partCounts, int p, const void *z, const void *m,
                         const int *partTypes);
ShapeRecord *replaceShape(ShapeFile *sf, int index, int number, const void *points, int n,
                          const int *partCounts, int p, const void *z, const void *m,
                          const int *partTypes);
int deleteShapes(ShapeFile *sf, int first, int last);
ShapeRecord *getShapeRecord(ShapeFile *sf, int index);
ShapeRecord *nextShapeRecord(ShapeRecord *rec);
int getShapeRecordCount(ShapeFile *sf);
int getShapeFileType(ShapeFile *sf);
int isShapeFileModified(ShapeFile *sf);
int64_t getShapeBufferSize(ShapeFile *sf);
int getShapeRecordNumber(ShapeRecord *rec);
int64_t getShapeRecordSize(ShapeRecord *rec);
int getShapeRecordType(ShapeRecord *rec);
unsigned char *getShapeBBox(ShapeRecord *rec);                   /* 4 doubles */
unsigned char *getShapePoints(ShapeRecord *rec, int *count);     /* pairs */
unsigned char *getShapeParts(ShapeRecord *rec, int *count);      /* int32 counts */
unsigned char *getShapePartTypes(ShapeRecord *rec);
unsigned char *getShapeZ(ShapeRecord *rec, double *min, double *max);
unsigned char *getShapeM(ShapeRecord *rec, double *min, double *max);
int setShapePoints(ShapeRecord *rec, const void *points, int start, int k);
int setShapeZ(ShapeRecord *rec, const void *values, int start, int k);
int setShapeM(ShapeRecord *rec, const void *values, int start, int k);
int setShapeParts(ShapeRecord *rec, const int *values, int start, int k);
int setShapePartTypes(ShapeRecord *rec, const int *values, int start, int k);
void computeShapeBBox(ShapeRecord *rec);
void setShapeHeadBounds(ShapeHead *head, ShapeRecord *rec);
void growShapeHeadBounds(ShapeHead *head, ShapeRecord *rec);
void updateShapeBounds(ShapeFile *sf, int recomputeBoxes);

/* ---- selection and deletion ---- */
void selectShape(ShapeFile *sf, int i);
void unselectShape(ShapeFile *sf, int i);
void toggleShape(ShapeFile *sf, int i);
void deleteShape(ShapeFile *sf, int i);
void undeleteShape(ShapeFile *sf, int i);
int isShapeSelected(ShapeFile *sf, int i);
int isShapeDeleted(ShapeFile *sf, int i);
int selectAllShapes(ShapeFile *sf);
int unselectAllShapes(ShapeFile *sf);
int countSelectedShapes(ShapeFile *sf);
int countDeletedShapes(ShapeFile *sf);

/* ---- projection text (any length) ---- */
int setShapeProjDef(ShapeFile *sf, const char *text);
const char *getShapeProjDef(ShapeFile *sf);

#endif
