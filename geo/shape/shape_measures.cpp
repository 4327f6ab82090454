/*
 * shape_measures.cpp --
 *
 *	Areas, lengths, centroids and directions of shape records, the
 *	validity test of new geometry, and the projdef and projection
 *	subcommands, which keep a projection text with the data set and
 *	reproject every coordinate through the projection layer.
 *
 *	Reprojection converts a copy of the records: the data set changes
 *	only when every point converted, so a failing point leaves it as it
 *	was and the stored text still describes its coordinates.
 */
#include "geo/shape/shape_measures.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <string>

#include "geo/proj/proj_library.h"
#include "geo/shape/shape_layout.h"

/* ---- geometry ---- */

static inline double X(const void *pts, int i)
{
    return shapeGetDouble((const unsigned char *)pts + 16 * (int64_t)i);
}
static inline double Y(const void *pts, int i)
{
    return shapeGetDouble((const unsigned char *)pts + 16 * (int64_t)i + 8);
}

double shapeRingArea(const void *pts, int n)
{
    if (n <= 0) return 0;
    double sum = 0;
    for (int i = 0; i < n; i++) {
        int j = i == 0 ? n - 1 : i - 1;
        sum += X(pts, i) * Y(pts, j) - X(pts, j) * Y(pts, i);
    }
    return 0.5 * sum;
}

double shapePathLength(const void *pts, int n)
{
    double sum = 0;
    for (int i = 1; i < n; i++) sum += hypot(X(pts, i) - X(pts, i - 1), Y(pts, i) - Y(pts, i - 1));
    return sum;
}

double shapeRingCentroid(const void *pts, int n, double *cx, double *cy)
{
    double a = 0, sx = 0, sy = 0;
    for (int i = 0; i < n; i++) {
        int j = i == 0 ? n - 1 : i - 1;
        double c = X(pts, i) * Y(pts, j) - X(pts, j) * Y(pts, i);
        a += c;
        sx += (X(pts, j) + X(pts, i)) * c;
        sy += (Y(pts, j) + Y(pts, i)) * c;
    }
    a *= 0.5;
    *cx = sx / 6 / a;
    *cy = sy / 6 / a;
    return a;
}

double shapeLineCentroid(const void *pts, int n, double *cx, double *cy)
{
    double total = 0, sx = 0, sy = 0;
    for (int i = 1; i < n; i++) {
        double l = hypot(X(pts, i) - X(pts, i - 1), Y(pts, i) - Y(pts, i - 1));
        total += l;
        sx += (X(pts, i - 1) + X(pts, i)) * l;
        sy += (Y(pts, i - 1) + Y(pts, i)) * l;
    }
    if (total > 0) {
        *cx = 0.5 * sx / total;
        *cy = 0.5 * sy / total;
    } else if (n > 0) {
        *cx = X(pts, n - 1);
        *cy = Y(pts, n - 1);
    } else {
        *cx = *cy = 0;
    }
    return total;
}

double shapePointsMean(const void *pts, int n, double *cx, double *cy)
{
    double sx = 0, sy = 0;
    for (int i = 0; i < n; i++) {
        sx += X(pts, i);
        sy += Y(pts, i);
    }
    *cx = sx / n;
    *cy = sy / n;
    return n;
}

double shapeSegmentAngle(double x1, double y1, double x2, double y2)
{
    double dx = x2 - x1, dy = y2 - y1;
    if (dx == 0 && dy == 0) return 0;
    double h = hypot(dx, dy);
    if (dy > 0) return acos(dx / h) * 180 / M_PI;
    return acos(-dx / h) * 180 / M_PI - 180;
}

int shapeRecordValid(int t, const void *pts, int n, const int *parts, int p)
{
    bool line = t == 3 || t == 13 || t == 23;
    bool polygon = t == 5 || t == 15 || t == 25;
    if (!line && !polygon) return 1;
    int least = line ? 2 : 4;
    auto closed = [&](int first, int last) {
        return X(pts, first) == X(pts, last) && Y(pts, first) == Y(pts, last);
    };
    if (parts == NULL) {
        if (n < least) return 0;
        return line || closed(0, n - 1);
    }
    if (p < 1) return 0;
    long start = 0;
    for (int j = 0; j < p; j++) {
        if (parts[j] < least || start + parts[j] > n) return 0;
        if (polygon && !closed((int)start, (int)(start + parts[j] - 1))) return 0;
        start += parts[j];
    }
    return start == n;
}

/* Calls each(points of the part, count) for every part of rec; a record
 * without a part array has a part per point. Parts never reach past the
 * record's points. */
static void forEachPart(ShapeRecord *rec, const std::function<void(const unsigned char *, int)> &each)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    if (L.points == NULL) return;
    if (L.parts == NULL) {
        for (int i = 0; i < L.n; i++) each(L.points + 16 * (int64_t)i, 1);
        return;
    }
    int64_t start = 0;
    for (int j = 0; j < L.p && start < L.n; j++) {
        int64_t c = shapeGetInt(L.parts + 4 * (int64_t)j);
        if (c < 0) c = 0;
        if (start + c > L.n) c = L.n - start;
        each(L.points + 16 * start, (int)c);
        start += c;
    }
}

/* Part k of rec (points and count); false when the record has none. */
static bool partAt(ShapeRecord *rec, int k, const unsigned char **pts, int *count)
{
    int parts = 0;
    forEachPart(rec, [&](const unsigned char *, int) { parts++; });
    if (parts == 0) return false;
    int want = ((k % parts) + parts) % parts, at = 0;
    forEachPart(rec, [&](const unsigned char *p, int c) {
        if (at++ == want) {
            *pts = p;
            *count = c;
        }
    });
    return true;
}

/* ---- subcommands ---- */

static int fail(Tcl_Interp *interp, const char *message)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, message, (char *)NULL);
    return TCL_ERROR;
}

static int usage(Tcl_Interp *interp, const char **argv, const char *pattern)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], pattern, (char *)NULL);
    return TCL_ERROR;
}

/* Sum of measure over the parts of the records named by argv[2..]. */
static int sumOverRecords(ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv,
                          double (*measure)(const void *, int))
{
    double total = 0;
    auto add = [&](int i) {
        forEachPart(getShapeRecord(sf, i),
                    [&](const unsigned char *p, int c) { total += measure(p, c); });
    };
    if (strcmp(argv[2], "all") == 0) {
        for (int i = 0; i < sf->count; i++) add(i);
    } else {
        for (int a = 2; a < argc; a++) {
            int index = shapeLeadInt(argv[a]);
            if (index < 0 || index >= sf->count) return fail(interp, "invalid index");
            add(index);
        }
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj(fmt("%.12g", total), -1));
    return TCL_OK;
}

int shapeAreaCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) return usage(interp, argv, " index ?index?... | all");
    if (!shapeTypeIsPolygon(sf->head->shapeType)) return fail(interp, "shape object does not have area.");
    return sumOverRecords(sf, interp, argc, argv, shapeRingArea);
}

int shapeLengthCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Usage: ", argv[0], " length index ?index?... | all", (char *)NULL);
        return TCL_ERROR;
    }
    int t = sf->head->shapeType;
    if (!shapeTypeHasParts(t)) return fail(interp, "shape object does not have length.");
    return sumOverRecords(sf, interp, argc, argv, shapePathLength);
}

int shapeCentroidCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if ((argc != 3 && argc != 4) || (argc == 4 && strcmp(argv[3], "average") != 0)) {
        return usage(interp, argv, " index [average]");
    }
    int index = shapeLeadInt(argv[2]);
    if (index < 0 || index >= sf->count) return fail(interp, "invalid index");
    int t = sf->head->shapeType;
    std::string out;
    double sw = 0, swx = 0, swy = 0;
    forEachPart(getShapeRecord(sf, index), [&](const unsigned char *p, int c) {
        double cx, cy, w;
        if (shapeTypeIsPolygon(t)) w = shapeRingCentroid(p, c, &cx, &cy);
        else if (t == 3 || t == 13 || t == 23) w = shapeLineCentroid(p, c, &cx, &cy);
        else w = shapePointsMean(p, c, &cx, &cy);
        sw += w;
        swx += cx * w;
        swy += cy * w;
        if (argc == 3) {
            if (!out.empty()) out += ' ';
            out += fmt("{%.12g %.12g %.12g}", cx, cy, w);
        }
    });
    if (argc == 4) out = fmt("{%.12g %.12g %.12g}", swx / sw, swy / sw, sw);
    Tcl_SetObjResult(interp, Tcl_NewStringObj(out.c_str(), -1));
    return TCL_OK;
}

static int recordIndex(ShapeFile *sf, Tcl_Interp *interp, const char *word, int *index)
{
    if (Tcl_GetInt(interp, word, index) != TCL_OK) return TCL_ERROR;
    if (*index < 0 || *index >= sf->count) return fail(interp, "invalid index");
    return TCL_OK;
}

static int answerPoint(Tcl_Interp *interp, double x, double y, double angle)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(fmt("%.12g %.12g %.12g", x, y, angle), -1));
    return TCL_OK;
}

int shapeLangleCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3 && argc != 4) return usage(interp, argv, " index [pIndex]");
    int index;
    if (recordIndex(sf, interp, argv[2], &index) != TCL_OK) return TCL_ERROR;
    double position = 0.5;
    if (argc == 4 && Tcl_GetDouble(interp, argv[3], &position) != TCL_OK) return TCL_ERROR;
    if (!(fabs(position) < 1e9)) position = 0;
    int k = (int)position;
    double f = position - k;
    ShapeRecord *rec = getShapeRecord(sf, index);
    int n = 0;
    const unsigned char *all = getShapePoints(rec, &n);
    if (n == 1) return answerPoint(interp, X(all, 0), Y(all, 0), 0);
    const unsigned char *pts = NULL;
    int count = 0;
    if (!partAt(rec, k, &pts, &count) || count == 0) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (count == 1) return answerPoint(interp, X(pts, 0), Y(pts, 0), 0);
    double remaining = shapePathLength(pts, count) * f;
    int j = 0;
    double seg = 0;
    for (;; j++) {
        seg = hypot(X(pts, j + 1) - X(pts, j), Y(pts, j + 1) - Y(pts, j));
        if (seg >= remaining || j == count - 2) break;
        remaining -= seg;
    }
    double t = seg > 0 ? remaining / seg : 0;
    if (t < 0) t = 0;
    if (t > 1) t = 1;
    return answerPoint(interp, (1 - t) * X(pts, j) + t * X(pts, j + 1),
                       (1 - t) * Y(pts, j) + t * Y(pts, j + 1),
                       shapeSegmentAngle(X(pts, j), Y(pts, j), X(pts, j + 1), Y(pts, j + 1)));
}

int shapeVangleCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3 && argc != 4) return usage(interp, argv, " index [pos]");
    int position = argc == 4 ? shapeLeadInt(argv[3]) : 0;
    int index;
    if (recordIndex(sf, interp, argv[2], &index) != TCL_OK) return TCL_ERROR;
    int n = 0;
    const unsigned char *pts = getShapePoints(getShapeRecord(sf, index), &n);
    if (n == 1) return answerPoint(interp, X(pts, 0), Y(pts, 0), 0);
    if (n < 2) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (position < 0) position = 0;
    if (position > n - 2) position = n - 2;
    int a = position, b = position + 1;
    return answerPoint(interp, 0.5 * (X(pts, a) + X(pts, b)), 0.5 * (Y(pts, a) + Y(pts, b)),
                       shapeSegmentAngle(X(pts, a), Y(pts, a), X(pts, b), Y(pts, b)));
}

/* ---- projections ---- */

/* A projection made from a definition list, freed on scope exit. */
struct Projection {
    ProjHandle *handle = NULL;
    bool swapped = false;
    const char *refusal = NULL;  /* why the library cannot take points */
    ~Projection()
    {
        if (handle != NULL) projFree(handle);
    }
    /* 0 made, 1 not a list, 2 refused by the library. */
    int make(Tcl_Interp *interp, const char *text)
    {
        int count;
        const char **words;
        if (Tcl_SplitList(interp, text, &count, &words) != TCL_OK) return 1;
        for (int i = 0; i < count; i++) {
            if (words[i][0] == '-' && strchr(words[i], 'r') != NULL) swapped = true;
        }
        handle = count > 0 ? projInitArgv(count, (char **)words) : NULL;
        Tcl_Free((char *)words);
        if (handle != NULL && (refusal = projPointRefusal(handle)) != NULL) {
            projFree(handle);
            handle = NULL;
        }
        return handle != NULL ? 0 : 2;
    }
    /* Longitude and latitude in degrees (proj=longlat, latlong, ...). */
    bool geographic() const { return handle != NULL && projIsLatLong(handle); }
};

/* message, then ": " and the library's reason when there is one. */
static int refuse(Tcl_Interp *interp, const char *message, const Projection &p)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, message, p.refusal != NULL ? ": " : "",
                     p.refusal != NULL ? p.refusal : "", (char *)NULL);
    return TCL_ERROR;
}

/* The bare words of a data set in degrees: longlat, or latlong with the
 * latitude first. */
static bool bareGeographic(const std::string &text)
{
    return text == "longlat" || text == "latlong";
}

int shapeProjdefCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(getShapeProjDef(sf), -1));
        return TCL_OK;
    }
    if (argc != 3) return usage(interp, argv, " proj_definition");
    const char *text = argv[2];
    if (!bareGeographic(text)) {
        Projection check;
        int made = check.make(interp, text);
        if (made == 1) return fail(interp, "Error in parsing projection definition");
        if (made == 2) return refuse(interp, "Invalid projectin definition", check);
    }
    setShapeProjDef(sf, text);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static const double radiansToDegrees = 57.29577951308232;

/*
 * A lat/long side (the bare words, the target inverse, or a definition
 * whose projection is lat/long) is degrees; the library's projections
 * take and give radians. Between two definitions that name different
 * datums, the library's transformation applies the shift, as cs2cs does;
 * otherwise the points go through the inverse of one projection and the
 * forward of the other, on their own ellipsoids.
 */
int shapeProjectionCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) return usage(interp, argv, " proj_definition");
    const std::string current = getShapeProjDef(sf);
    const std::string wanted = argv[2];
    Tcl_ResetResult(interp);
    if (current == wanted) return TCL_OK;

    bool inverse = wanted == "inverse";
    bool targetBare = inverse || bareGeographic(wanted);
    Projection target;
    if (!targetBare) {
        int made = target.make(interp, wanted.c_str());
        if (made == 1) return fail(interp, "Error in parsing projection definition");
        if (made == 2) return refuse(interp, "Invalid projection definition", target);
    }
    bool sourceBare = bareGeographic(current);
    bool sourceSwapped = current == "latlong";
    Projection source;
    if (!sourceBare) {
        if (source.make(interp, current.c_str()) != 0) {
            return fail(interp, "The current projection is unknown");
        }
        sourceSwapped = source.swapped;
        if (!projHasInverse(source.handle)) {
            return fail(interp, "The current projection is not invertible");
        }
    }
    bool sourceDegrees = sourceBare || source.geographic();
    /* Degrees already: nothing to invert. */
    if (inverse && sourceDegrees) return TCL_OK;
    bool targetDegrees = targetBare || target.geographic();
    bool targetSwapped = target.swapped || wanted == "latlong";
    bool exchange = sourceSwapped != targetSwapped;
    bool shift = !sourceBare && !targetBare && !projSameDatum(source.handle, target.handle);

    /* Convert a copy; the data set takes it only when every point went. */
    int64_t bytes = (int64_t)sf->head->fileLength * 2 - 100 + 12;
    unsigned char *copy = (unsigned char *)gmemAlloc((size_t)bytes);
    if (copy == NULL) return fail(interp, "Error in projection: out of memory");
    memcpy(copy, sf->buffer, (size_t)bytes);
    for (int i = 0; i < sf->count; i++) {
        int n = 0;
        unsigned char *pts = getShapePoints(copy + sf->offsets[i], &n);
        for (int j = 0; j < n; j++) {
            unsigned char *at = pts + 16 * (int64_t)j;
            double x = shapeGetDouble(at), y = shapeGetDouble(at + 8), u, v;
            if (shift) {
                u = sourceDegrees ? x * M_PI / 180 : x;
                v = sourceDegrees ? y * M_PI / 180 : y;
                if (exchange && sourceDegrees) std::swap(u, v);
                if (projTransform(source.handle, target.handle, u, v, 0, &x, &y, NULL) != 0) {
                    x = y = HUGE_VAL;
                } else if (targetDegrees) {
                    x *= radiansToDegrees;
                    y *= radiansToDegrees;
                    if (exchange && !sourceDegrees) std::swap(x, y);
                }
            } else {
                if (sourceDegrees) {
                    u = x * M_PI / 180;
                    v = y * M_PI / 180;
                    /* A definition's own longitude rules (pm=, lon_wrap=). */
                    if (!sourceBare) projInverse(source.handle, u, v, &u, &v);
                } else {
                    projInverse(source.handle, x, y, &u, &v);
                }
                if (exchange) std::swap(u, v);
                if (targetBare || !isfinite(u) || u == projErrorValue) {
                    x = u * radiansToDegrees;
                    y = v * radiansToDegrees;
                } else {
                    projForward(target.handle, u, v, &x, &y);
                    if (targetDegrees) {
                        x *= radiansToDegrees;
                        y *= radiansToDegrees;
                    }
                }
            }
            if (!isfinite(x) || !isfinite(y)) {
                gmemFree(copy);
                Tcl_ResetResult(interp);
                Tcl_AppendResult(interp, fmt("Cannot project point %d of record %d", j, i),
                                 (char *)NULL);
                return TCL_ERROR;
            }
            shapePutDouble(at, x);
            shapePutDouble(at + 8, y);
        }
    }
    gmemFree(sf->buffer);
    sf->buffer = copy;
    sf->capacity = bytes;
    setShapeProjDef(sf, inverse ? "longlat" : wanted.c_str());
    updateShapeBounds(sf, 1);
    objUpdate(obj);
    Tcl_ResetResult(interp);
    return TCL_OK;
}
