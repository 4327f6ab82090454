/*
 * gcp_set.cpp --
 *
 *	Ground control point sets: editing, the polynomial fit, formatting of
 *	its results, and the GCPOBJ file (layout in gcp_set.h).
 */
#include "core/native_path.h"
#include "programs/gcp_set.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/numeric.h"
#include "core/objects.h"
#include "core/read_bytes.h"
#include "core/whole_file.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/georect_file.h"
#include "ramimage/kit/output_checks.h"

static_assert(sizeof(GcpRecord) == GCPOBJ_RECORD_SIZE, "a record is its 48 file bytes");

static const char GCP_HELP_PATH[] = "/geocalc.hlp";

long long gcpTermCount(int power)
{
    if (power < 0) {
        return -1;
    }
    if (power == 0) {
        return 4;
    }
    return ((long long)power + 1) * ((long long)power + 2) / 2;
}

/* Copies count doubles into a new block, or NULL when memory is short. */
static double *copyDoubles(const double *source, size_t count)
{
    double *copy = (double *)gmemAlloc(count * sizeof(double));
    if (copy != NULL) {
        memcpy(copy, source, count * sizeof(double));
    }
    return copy;
}

static void freeFit(GcpSet *set)
{
    gmemFree(set->xy);
    gmemFree(set->Icoef);
    gmemFree(set->Jcoef);
    set->xy = set->Icoef = set->Jcoef = NULL;
}

/*
 * newGcpSet --
 * Returns: a new empty set, or a copy of source; NULL when memory is
 *	short (nothing is left allocated).
 */
GcpSet *newGcpSet(const GcpSet *source)
{
    GcpSet *set = (GcpSet *)gmemAlloc(sizeof(GcpSet));
    if (set == NULL) {
        return NULL;
    }
    memset(set, 0, sizeof(GcpSet));
    set->records = (GcpRecord *)gmemAlloc(GCP_CAPACITY * sizeof(GcpRecord));
    if (set->records == NULL) {
        gmemFree(set);
        return NULL;
    }
    memset(set->records, 0, GCP_CAPACITY * sizeof(GcpRecord));
    set->capacity = GCP_CAPACITY;
    set->running = 1;
    snprintf(set->helpPath, sizeof set->helpPath, "%s", GCP_HELP_PATH);
    if (source == NULL) {
        return set;
    }

    int count = source->count < 0 ? 0 : source->count > GCP_CAPACITY ? GCP_CAPACITY : source->count;
    memcpy(set->records, source->records, (size_t)count * sizeof(GcpRecord));
    set->count = count;
    set->current = source->current;
    set->running = source->running;
    set->lineLength = source->lineLength;
    set->wordCount = source->wordCount;
    set->nterms = source->nterms;
    set->power = source->power;
    set->meanX1 = source->meanX1;
    set->meanY1 = source->meanY1;
    set->meanY2 = source->meanY2;
    set->meanX2 = source->meanX2;
    set->rmsDX = source->rmsDX;
    set->rmsDY = source->rmsDY;
    set->rmsTotal = source->rmsTotal;
    if (source->Jcoef != NULL && source->nterms > 0) {
        size_t n = (size_t)source->nterms;
        set->Jcoef = copyDoubles(source->Jcoef, n);
        set->Icoef = source->Icoef != NULL ? copyDoubles(source->Icoef, n) : NULL;
        set->xy = source->xy != NULL ? copyDoubles(source->xy, n + 2)
                                     : (double *)memAlloc((n + 2) * sizeof(double), "xy");
        if (set->Jcoef == NULL || set->Icoef == NULL || set->xy == NULL) {
            freeGcpSet(set);
            return NULL;
        }
    } else {
        set->nterms = 0;
    }
    return set;
}

void freeGcpSet(GcpSet *set)
{
    if (set == NULL) {
        return;
    }
    freeFit(set);
    gmemFree(set->records);
    gmemFree(set);
}

int findGcp(const GcpSet *set, int id, int *index)
{
    for (int i = 0; i < set->count; i++) {
        if (set->records[i].id == id) {
            *index = i;
            return 1;
        }
    }
    *index = set->count;
    return 0;
}

/*
 * deleteGcp --
 * Changes: removes record index, moving the later ones down; keeps
 *	current within 0 .. count-1 (0 when empty); sets changed.
 */
void deleteGcp(GcpSet *set, int index)
{
    if (index < 0 || index >= set->count) {
        return;
    }
    memmove(set->records + index, set->records + index + 1,
            (size_t)(set->count - index - 1) * sizeof(GcpRecord));
    set->count--;
    memset(set->records + set->count, 0, sizeof(GcpRecord));
    set->changed = 1;
    if (set->current >= set->count) {
        set->current = set->count - 1;
    }
    if (set->current < 0) {
        set->current = 0;
    }
}

/*
 * addGcpRecord --
 * Returns: the new count, or 0 after a message when the set is full or
 *	the text holds fewer than six fields.
 * Changes: appends the record and sets changed.
 */
int addGcpRecord(GcpSet *set, const char *text)
{
    if (set->count >= GCP_CAPACITY) {
        ovex_fprintf(stderr, "GCP number overflow.\n");
        return 0;
    }
    GcpRecord record;
    memset(&record, 0, sizeof record);
    int selected = 0, id = 0;
    if (text == NULL
            || sscanf(text, "%d %d %lf %lf %lf %lf", &selected, &id, &record.X1, &record.Y1,
                      &record.X2, &record.Y2) < 6) {
        ovex_fprintf(stderr, "Invalid record:\n%s", text != NULL ? text : "");
        return 0;
    }
    record.selected = selected;
    record.id = id;
    set->records[set->count++] = record;
    set->changed = 1;
    return set->count;
}

/*
 * centredTerms --
 *	Fills xy with the terms of record's source point centred by the means
 *	given and returns the centred target point in *dx2, *dy2.
 */
static void centredTerms(const GcpRecord *record, const double means[4], int power, double *xy,
                         double *dx2, double *dy2)
{
    xy[1] = record->X1 - means[0];
    xy[2] = record->Y1 - means[1];
    *dx2 = record->X2 - means[2];
    *dy2 = record->Y2 - means[3];
    termVector2D(xy, power);
}

/* A term whose variance is no larger than this fraction of its coordinate's
 * square magnitude is constant up to rounding. */
#define GCP_CONSTANT_TERM 1e-20
/* A term explained by the others up to this fraction of its variance
 * makes the points unable to determine the polynomial. */
#define GCP_DEPENDENT_TERM 1e-10

/*
 * termsAreIndependent --
 *	Checks the accumulated sums of a fit of m terms besides the constant
 *	(matrix: sums of products over terms 1..m and the two values, sums:
 *	the count, then the sums) before they are solved. Points on one line,
 *	or any other configuration that leaves a term constant or a linear
 *	combination of the others, would otherwise give coefficients that
 *	fit rounding noise. The check runs on the correlation matrix, so it
 *	does not depend on the units of the coordinates.
 * Returns: 1 when the terms are independent, else 0.
 */
static int termsAreIndependent(const double *matrix, const double *sums, int m,
                               const double means[4])
{
    int n = m + 2;
    double count = sums[0];
    double *correlation = (double *)gmemAlloc((size_t)m * (size_t)m * sizeof(double));
    double *deviation = (double *)gmemAlloc((size_t)m * sizeof(double));
    int independent = correlation != NULL && deviation != NULL && count > 0.0;
    for (int i = 0; independent && i < m; i++) {
        double mean = sums[1 + i] / count;
        double variance = matrix[i * n + i] / count - mean * mean;
        /* The linear terms are centred coordinates: compare them with the
         * coordinates themselves. */
        double magnitude = i == 0 ? means[0] * means[0] : i == 1 ? means[1] * means[1] : 0.0;
        if (!(variance > GCP_CONSTANT_TERM * (magnitude + variance)) || !std::isfinite(variance)) {
            independent = 0;
            break;
        }
        deviation[i] = sqrt(variance);
    }
    for (int i = 0; independent && i < m; i++) {
        for (int j = 0; j < m; j++) {
            double covariance = matrix[i * n + j] / count
                                - (sums[1 + i] / count) * (sums[1 + j] / count);
            correlation[i * m + j] = covariance / deviation[i] / deviation[j];
        }
    }
    /* Symmetric elimination: each pivot is the share of a term's variance
     * that the terms before it leave unexplained. */
    for (int k = 0; independent && k < m; k++) {
        double pivot = correlation[k * m + k];
        if (!(pivot > GCP_DEPENDENT_TERM)) {
            independent = 0;
            break;
        }
        for (int i = k + 1; i < m; i++) {
            double factor = correlation[i * m + k] / pivot;
            for (int j = k + 1; j < m; j++) {
                correlation[i * m + j] -= factor * correlation[k * m + j];
            }
        }
    }
    gmemFree(correlation);
    gmemFree(deviation);
    return independent;
}

/*
 * gcpFit --
 *	Least squares through the covariance matrix of the centred terms, so
 *	that X2 and Y2 come out of one elimination. Everything is computed
 *	into new arrays and takes the place of the previous fit only when the
 *	fit succeeds.
 * Returns: 1, or 0 (see gcp_set.h).
 * Changes: on success the fit, its means, nterms, power, the residuals of
 *	every record (selected or not) and the RMS values.
 */
int gcpFit(GcpSet *set, int power)
{
    long long termCount = gcpTermCount(power);
    if (termCount < 1) {
        return 0;
    }
    /* means[]: X1, Y1, X2, Y2 over the selected records. */
    double means[4] = {0.0, 0.0, 0.0, 0.0};
    int selected = 0;
    for (int r = 0; r < set->count; r++) {
        const GcpRecord *record = &set->records[r];
        if (record->selected) {
            means[0] += record->X1;
            means[1] += record->Y1;
            means[2] += record->X2;
            means[3] += record->Y2;
            selected++;
        }
    }
    if (termCount > selected) {
        ovex_fprintf(stderr, "Not enough GCPs !");
        return 0;
    }
    int nterms = (int)termCount;
    for (double &mean : means) {
        mean /= selected;
    }

    size_t n = (size_t)nterms;
    double *jcoef = (double *)memAlloc(n * sizeof(double), "Jcoef");
    double *icoef = (double *)memAlloc(n * sizeof(double), "Icoef");
    double *xy = (double *)memAlloc((n + 2) * sizeof(double), "xy");
    double *sums = (double *)memAlloc((n + 2) * sizeof(double), "sumptr");
    double *matrix = (double *)memAlloc((n + 1) * (n + 1) * sizeof(double), "covptr");
    int solved = 0;
    if (jcoef != NULL && icoef != NULL && xy != NULL && sums != NULL && matrix != NULL) {
        for (int r = 0; r < set->count; r++) {
            if (set->records[r].selected) {
                double dx2, dy2;
                centredTerms(&set->records[r], means, power, xy, &dx2, &dy2);
                accumulateNormal(dx2, dy2, nterms + 1, matrix, sums, xy);
            }
        }
        solved = termsAreIndependent(matrix, sums, nterms - 1, means)
                 && solvePolyFit(jcoef, icoef, matrix, sums, nterms + 1);
        for (size_t k = 0; solved && k < n; k++) {
            solved = std::isfinite(jcoef[k]) && std::isfinite(icoef[k]);
        }
    }
    gmemFree(matrix);
    gmemFree(sums);
    if (!solved) {
        gmemFree(jcoef);
        gmemFree(icoef);
        gmemFree(xy);
        return 0;
    }

    freeFit(set);
    set->Jcoef = jcoef;
    set->Icoef = icoef;
    set->xy = xy;
    set->nterms = nterms;
    set->power = power;
    set->meanX1 = means[0];
    set->meanY1 = means[1];
    set->meanX2 = means[2];
    set->meanY2 = means[3];

    double sumDX2 = 0.0, sumDY2 = 0.0;
    for (int r = 0; r < set->count; r++) {
        GcpRecord *record = &set->records[r];
        double dx2, dy2;
        centredTerms(record, means, power, xy, &dx2, &dy2);
        double dy = dy2 - dotTerms(icoef, xy, nterms);
        double dx = dx2 - dotTerms(jcoef, xy, nterms);
        record->DY = (float)dy;
        record->DX = (float)dx;
        if (record->selected) {
            sumDX2 += dx * dx;
            sumDY2 += dy * dy;
        }
    }
    set->rmsDX = sqrt(sumDX2 / selected);
    set->rmsDY = sqrt(sumDY2 / selected);
    set->rmsTotal = sqrt((sumDX2 + sumDY2) / selected);
    return 1;
}

int gcpTransform(GcpSet *set, double x1, double y1, double *y2, double *x2)
{
    if (set->xy == NULL || set->Icoef == NULL || set->Jcoef == NULL) {
        return 0;
    }
    set->xy[1] = x1 - set->meanX1;
    set->xy[2] = y1 - set->meanY1;
    termVector2D(set->xy, set->power);
    *y2 = dotTerms(set->Icoef, set->xy, set->nterms) + set->meanY2;
    *x2 = dotTerms(set->Jcoef, set->xy, set->nterms) + set->meanX2;
    return 1;
}

/*
 * gcpExchange --
 * Changes: swaps the two points of every record, ends the fit (power,
 *	means and RMS values stay) and sets changed.
 */
void gcpExchange(GcpSet *set)
{
    for (int r = 0; r < set->count; r++) {
        GcpRecord *record = &set->records[r];
        double x = record->X1, y = record->Y1;
        record->X1 = record->X2;
        record->Y1 = record->Y2;
        record->X2 = x;
        record->Y2 = y;
    }
    freeFit(set);
    set->nterms = 0;
    set->changed = 1;
}

int formatGcpResidual(const GcpSet *set, int index, char *buffer, size_t size)
{
    if (index < 0 || index >= set->count) {
        return 0;
    }
    const GcpRecord *record = &set->records[index];
    snprintf(buffer, size, "%d %.3f %.3f", record->id, record->DX, record->DY);
    return 1;
}

/*
 * formatValues --
 *	count values in format separated by one blank, the first plus
 *	firstOffset; stops at the last value that fits into size bytes.
 */
static char *formatValues(const double *values, int count, double firstOffset,
                          const char *format, char *buffer, size_t size)
{
    if (size == 0) {
        return buffer;
    }
    buffer[0] = '\0';
    size_t used = 0;
    for (int k = 0; k < count && values != NULL; k++) {
        char piece[512];
        snprintf(piece, sizeof piece, format, values[k] + (k == 0 ? firstOffset : 0.0));
        size_t length = strlen(piece) + (k > 0 ? 1 : 0);
        if (used + length >= size) {
            break;
        }
        snprintf(buffer + used, size - used, "%s%s", k > 0 ? " " : "", piece);
        used += length;
    }
    return buffer;
}

char *formatJcoef(const GcpSet *set, const char *format, char *buffer, size_t size)
{
    return formatValues(set->Jcoef, set->nterms, set->meanX2, format, buffer, size);
}

char *formatIcoef(const GcpSet *set, const char *format, char *buffer, size_t size)
{
    return formatValues(set->Icoef, set->nterms, set->meanY2, format, buffer, size);
}

char *formatGcpRms(const GcpSet *set, const char *format, char *buffer, size_t size)
{
    double values[3] = {set->rmsDX, set->rmsDY, set->rmsTotal};
    return formatValues(values, 3, 0.0, format, buffer, size);
}

int gcpHasFit(const GcpSet *set)
{
    return set->nterms >= 1 && set->Icoef != NULL && set->Jcoef != NULL;
}

int gcpToGeorect(const GcpSet *set, const char *fileName)
{
    if (!gcpHasFit(set)) {
        ovex_fprintf(stderr, "No function is available: %s is not written.\n", fileName);
        return 0;
    }
    return writeGeorectParams(fileName, set->meanX1, set->meanY1, set->meanX2, set->meanY2,
                              (uint32_t)set->nterms, (uint32_t)set->power, set->Icoef,
                              set->Jcoef);
}

/* ---- GCPOBJ file -------------------------------------------------------- */

static void putInt32(unsigned char *at, int32_t value)
{
    memcpy(at, &value, sizeof value);
}

static int32_t getInt32(const unsigned char *at)
{
    int32_t value;
    memcpy(&value, at, sizeof value);
    return value;
}

/*
 * saveGcpObj --
 * Returns: 1, or 0 after the file name and the system's reason on
 *	standard error (a failed write is reported like a failed open).
 * Changes: replaces fileName whole (an old file stays as it was when the
 *	write fails); clears changed on success.
 */
int saveGcpObj(GcpSet *set, const char *fileName)
{
    static const char *const kinds[] = {GCPOBJ_MAGIC, NULL};
    if (!progOutputFileAllowed(fileName, kinds)) {
        return 0;
    }
    size_t size = GCPOBJ_HEAD_SIZE + (size_t)set->count * GCPOBJ_RECORD_SIZE;
    unsigned char *bytes = (unsigned char *)gmemAlloc(size);
    if (bytes == NULL) {
        return 0;
    }
    memcpy(bytes, GCPOBJ_MAGIC, GCPOBJ_MAGIC_SIZE);
    putInt32(bytes + 6, set->count);
    putInt32(bytes + 10, set->power);
    putInt32(bytes + 14, set->nterms);
    memcpy(bytes + GCPOBJ_HEAD_SIZE, set->records, (size_t)set->count * GCPOBJ_RECORD_SIZE);

    int ok = writeNewFile(fileName, bytes, size) == WHOLE_FILE_WRITTEN;
    int savedErrno = errno;
    gmemFree(bytes);
    if (!ok) {
        ovex_fprintf(stderr, "%s: %s\n", fileName, strerror(savedErrno));
        return 0;
    }
    set->changed = 0;
    return 1;
}

/*
 * loadGcpObj --
 * Returns: a new set (see gcp_set.h), or NULL.
 */
GcpSet *loadGcpObj(const char *fileName)
{
    int fd = open(nativePath(fileName).c_str(), O_RDONLY);
    if (fd < 0) {
        objLoadFailure(Tcl_ErrnoMsg(errno));
        return NULL;
    }
    unsigned char head[GCPOBJ_HEAD_SIZE];
    ssize_t got = readUpTo(fd, head, sizeof head);
    if (got < GCPOBJ_MAGIC_SIZE || memcmp(head, GCPOBJ_MAGIC, GCPOBJ_MAGIC_SIZE) != 0
            || got < GCPOBJ_HEAD_SIZE) {
        close(fd);
        objLoadFailure("not a GCP object file: no GCPOBJ code and header at its start");
        return NULL;
    }
    int32_t count = getInt32(head + 6);
    int32_t power = getInt32(head + 10);
    int32_t nterms = getInt32(head + 14);
    if (count < 0 || count > GCP_CAPACITY) {
        close(fd);
        objLoadFailure("point count out of range");
        return NULL;
    }
    GcpSet *set = newGcpSet(NULL);
    if (set == NULL) {
        close(fd);
        return NULL;
    }
    size_t recordBytes = (size_t)count * GCPOBJ_RECORD_SIZE;
    got = readUpTo(fd, (unsigned char *)set->records, recordBytes);
    close(fd);
    if (got < 0 || (size_t)got != recordBytes) {
        freeGcpSet(set);
        objLoadFailure("file shorter than its points");
        return NULL;
    }
    set->count = count;
    set->power = power;
    if (nterms >= 1) {
        gcpFit(set, power);  /* the set is the caller's also when the refit fails */
    }
    return set;
}
