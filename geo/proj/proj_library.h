/*
 * proj_library.h --
 *
 *	Our thin layer over the PROJ library. Everything else in Ovex reaches
 *	projections, datum shifts, grid tables and the library's lists only
 *	through these functions; only projcompat.cpp includes the library's
 *	header. Angles are radians throughout.
 */
#ifndef OVEX_GEO_PROJ_PROJ_LIBRARY_H
#define OVEX_GEO_PROJ_PROJ_LIBRARY_H

/* A set-up projection (opaque). */
typedef struct ProjHandle ProjHandle;
/* A loaded grid-shift table (opaque). */
typedef struct NadTable NadTable;
/* Entries of the library's projection and ellipsoid lists (opaque). */
typedef struct ProjListEntry ProjListEntry;
typedef struct EllpsListEntry EllpsListEntry;

/* One word of a definition, in the order the definition gave them. */
typedef struct ProjParam {
    struct ProjParam *next;
    signed char used;
    char *param;  /* name=value or a bare flag */
} ProjParam;

/* Error value the library writes for points it cannot convert. */
extern const double projErrorValue;

/* ---- set-up and use of projections ---- */
ProjHandle *projInitArgv(int argc, char **argv);  /* NULL when refused */
void projFree(ProjHandle *P);
int projHasInverse(ProjHandle *P);
int projIsLatLong(ProjHandle *P);
/* NULL when points can be projected with P (it takes longitude and
 * latitude), else why not: a whole coordinate system ("init=epsg:3857",
 * "EPSG:3857") is a definition for transformations only. */
const char *projPointRefusal(ProjHandle *P);
/* 1 when points pass from a to b without a datum shift: one of them
 * names no datum, or both name the same (ellipsoid, shift or grids). */
int projSameDatum(ProjHandle *a, ProjHandle *b);
void projForward(ProjHandle *P, double lam, double phi, double *x, double *y);
void projInverse(ProjHandle *P, double x, double y, double *lam, double *phi);
typedef void (ProjFunction)(ProjHandle *P, double u, double v, double *x, double *y);
void projApply(ProjFunction *fn, ProjHandle *P, double u, double v, double *x, double *y);
/* Datum-aware transform of one point; 0 and the outputs written on
 * success, the library's error code and nothing written otherwise. */
int projTransform(ProjHandle *src, ProjHandle *dst, double x, double y, double z, double *ox,
                  double *oy, double *oz);
/* Makes the transformation projTransform would use; 0 or the library's
 * error code (projErrorText says why). */
int projTransformCheck(ProjHandle *src, ProjHandle *dst);
const char *projErrorText(void);
/* The library's expanded definition text (words without "+"). */
const char *projDefinition(ProjHandle *P);

/* ---- fields ---- */
double projGetA(ProjHandle *P);
double projGetE(ProjHandle *P);
double projGetLam0(ProjHandle *P);
double projGetPhi0(ProjHandle *P);
double projGetX0(ProjHandle *P);
double projGetY0(ProjHandle *P);
double projGetK0(ProjHandle *P);
double projGetToMeter(ProjHandle *P);
double projGetFrMeter(ProjHandle *P);
const char *projDatumTypeName(ProjHandle *P);
const double *projDatumParams(ProjHandle *P, int *count);
ProjParam *projParams(ProjHandle *P);
ProjParam *paramNext(ProjParam *node);
const char *paramText(ProjParam *node);
int paramUsed(ProjParam *node);

/* ---- grid-shift tables ---- */
NadTable *nadInit(const char *name);
void nadFree(NadTable *table);
void nadCvtForward(NadTable *table, double lam, double phi, double *outLam, double *outPhi);
void nadCvtInverse(NadTable *table, double lam, double phi, double *outLam, double *outPhi);

/* ---- the library's lists ---- */
ProjListEntry *projListFirst(void);
ProjListEntry *projListNext(ProjListEntry *entry);
int projListCount(void);
ProjListEntry *projListEntry(int index);
int projListIndex(const char *id);
const char *projEntryDescr(ProjListEntry *entry);
const char *projEntryId(ProjListEntry *entry);

EllpsListEntry *ellpsListFirst(void);
EllpsListEntry *ellpsListNext(EllpsListEntry *entry);
int ellpsListCount(void);
EllpsListEntry *ellpsListEntry(int index);
int ellpsListIndex(const char *id);
const char *ellpsEntryId(EllpsListEntry *entry);
const char *ellpsEntryMajor(EllpsListEntry *entry);
const char *ellpsEntryEll(EllpsListEntry *entry);
const char *ellpsEntryName(EllpsListEntry *entry);

/* Metres per unit of a unit id of the library's list; 0 when not listed. */
double projUnitToMeter(const char *id);
/* The unit list as {id, factor text, name} rows (NULL-id terminated). */
int projUnitCount(void);
const char *projUnitId(int index);
const char *projUnitFactorText(int index);
const char *projUnitName(int index);

/* Degrees-minutes-seconds text to radians; *rest past the number.
 * HUGE_VAL when unreadable. */
double projDmsToRadians(const char *text, char **rest);

/* Scale factors of a point (radians); 0 when the library cannot. */
typedef struct ProjFactors {
    double meridionalScale, parallelScale, arealScale, angularDistortion;
    double meridianParallelAngle, meridianConvergence, tissotSemimajor, tissotSemiminor;
    double dxdlam, dxdphi, dydlam, dydphi;
} ProjFactors;
int projFactors(ProjHandle *P, double lam, double phi, ProjFactors *out);

/* File finder hook: returns the path for a file name, or NULL. */
typedef const char *(ProjFileFinder)(const char *name);
void projSetFinder(ProjFileFinder *finder);

#endif /* OVEX_GEO_PROJ_PROJ_LIBRARY_H */
