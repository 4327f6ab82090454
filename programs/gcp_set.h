/*
 * gcp_set.h --
 *
 *	Ground control point sets: up to 300 points pairing (X1, Y1) of a
 *	first coordinate system with (X2, Y2) of a second, and the
 *	least-squares 2-D polynomial from the first to the second. The calc
 *	geocalc command, the geocalc console and the gcp objects share it.
 *
 *	The polynomial of power p >= 1 has the terms 1; x, y; x^2, xy, y^2;
 *	... up to degree p ((p + 1)(p + 2) / 2 of them); power 0 is the
 *	bilinear 1, x, y, xy. It is evaluated on the point centred by the
 *	means of the fit: X2 = meanX2 + sum Jcoef[k] term_k, Y2 = meanY2 + sum
 *	Icoef[k] term_k (J gives X2, I gives Y2 everywhere).
 *
 *	GCPOBJ file (the machine's little-endian order, no padding):
 *
 *	  offset  size        content
 *	  0       6           magic "GCPOBJ", no terminator
 *	  6       4           count, int32
 *	  10      4           power, int32
 *	  14      4           nterms, int32 (0: the set had no fit)
 *	  18      48 x count  records: +0 selected, +4 id (int32), +8 X1, +16 Y1,
 *	                      +24 X2, +32 Y2 (double), +40 DX, +44 DY (float)
 *
 *	Coefficients are not stored: a set read with nterms >= 1 is refitted.
 *	Messages go to standard error. Nothing here is thread-safe.
 */
#ifndef OVEX_PROGRAMS_GCP_SET_H
#define OVEX_PROGRAMS_GCP_SET_H

#include <stddef.h>
#include <stdint.h>

#define GCP_CAPACITY 300
#define GCPOBJ_MAGIC "GCPOBJ"
#define GCPOBJ_MAGIC_SIZE 6
#define GCPOBJ_HEAD_SIZE 18
#define GCPOBJ_RECORD_SIZE 48

#define GCP_LINE_SIZE 128
#define GCP_MAX_WORDS 24
#define GCP_HELP_PATH_SIZE 80

struct GcpRecord {
    int32_t selected;   /* non-zero: takes part in the fit */
    int32_t id;         /* the user's number; lookups take the first match */
    double X1, Y1;      /* source system */
    double X2, Y2;      /* target system */
    float DX, DY;       /* observed minus fitted X2 and Y2 of the last fit */
};

struct GcpSet {
    GcpRecord *records;   /* room for GCP_CAPACITY */
    int32_t capacity;     /* always GCP_CAPACITY */
    int32_t count;
    int32_t current;      /* console list position: 0 .. count-1, 0 when empty */
    /* Console state, left alone by every other client. */
    int32_t running;
    int32_t lineLength;
    int32_t wordCount;
    int32_t changed;      /* records changed since the set was last saved */
    int32_t nterms;       /* terms of the current fit; 0: no fit */
    int32_t power;        /* power of the current fit */
    char line[GCP_LINE_SIZE];
    char words[GCP_LINE_SIZE];
    char *wordList[GCP_MAX_WORDS];
    char helpPath[GCP_HELP_PATH_SIZE];
    double *Icoef;        /* nterms values: the Y2 polynomial, NULL without a fit */
    double *Jcoef;        /* nterms values: the X2 polynomial */
    double *xy;           /* nterms + 2 values: terms of the point being evaluated */
    double meanX1, meanY1, meanY2, meanX2;
    double rmsDX, rmsDY, rmsTotal;
};

/* Number of terms of a fit of power (4 for power 0); -1 for a negative power. */
long long gcpTermCount(int power);

/* A new empty set, or a copy of source (records, counters, fit and means;
 * changed cleared, fresh console line). NULL when memory is short. */
GcpSet *newGcpSet(const GcpSet *source);
/* Frees the set with its records and fit; NULL is ignored. */
void freeGcpSet(GcpSet *set);

/* 1 and *index of the first record with id, else 0 with *index = count. */
int findGcp(const GcpSet *set, int id, int *index);
/* Removes record index (0 <= index < count); other indices do nothing. */
void deleteGcp(GcpSet *set, int index);
/* Appends the record "selected id X1 Y1 X2 Y2". Returns the new count, or
 * 0 after "GCP number overflow.\n" or "Invalid record:\n%s". */
int addGcpRecord(GcpSet *set, const char *text);

/* Fits the polynomial of power over the selected records and fills every
 * record's residuals and the RMS values. Returns 1, or 0 after "Not enough
 * GCPs !" (fewer selected records than terms), after an allocation
 * message, for a negative power, or when the points cannot determine the
 * polynomial (all on one line, for example). A failed fit leaves the
 * previous fit, its means and the residuals as they were. */
int gcpFit(GcpSet *set, int power);
/* The fitted point of (x1, y1): 1 with *y2 and *x2, or 0 without a fit. */
int gcpTransform(GcpSet *set, double x1, double y1, double *y2, double *x2);
/* Swaps (X1, Y1) and (X2, Y2) of every record and ends the fit. */
void gcpExchange(GcpSet *set);

/* "%d %.3f %.3f" (id, DX, DY) of record index into buffer (size bytes).
 * Returns 1, or 0 when index is out of range. */
int formatGcpResidual(const GcpSet *set, int index, char *buffer, size_t size);
/* The X2 (J) or Y2 (I) coefficients, each in the caller's printf format
 * for one double, separated by one blank; the first includes the output
 * mean. Empty without a fit; cut short rather than overrun size bytes.
 * Returns buffer. */
char *formatJcoef(const GcpSet *set, const char *format, char *buffer, size_t size);
char *formatIcoef(const GcpSet *set, const char *format, char *buffer, size_t size);
/* rmsDX, rmsDY and rmsTotal in format, separated by one blank. Returns buffer. */
char *formatGcpRms(const GcpSet *set, const char *format, char *buffer, size_t size);

/* 1 when the set holds a fit (gcpFit succeeded since the last change). */
int gcpHasFit(const GcpSet *set);
/* Writes the fit as a georectification parameter file. Returns 1, or 0
 * after the writer's message; without a fit nothing is written and the
 * message is "No function is available: FILE is not written.\n". */
int gcpToGeorect(const GcpSet *set, const char *fileName);

/* Writes the GCPOBJ file (mode 0666 less the umask) and clears changed. Returns 1, or 0
 * after "fileName: system error text\n". */
int saveGcpObj(GcpSet *set, const char *fileName);
/* A new set from a GCPOBJ file, refitted when it was stored with a fit
 * (returned also when that refit fails). NULL, without a message, when
 * the file cannot be read, is not a GCPOBJ file, declares a count outside
 * 0 .. 300 or is shorter than its records. */
GcpSet *loadGcpObj(const char *fileName);

#endif /* OVEX_PROGRAMS_GCP_SET_H */
