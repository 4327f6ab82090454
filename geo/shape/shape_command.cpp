/*
 * shape_command.cpp --
 *
 *	The command of a shape object: dispatch of its subcommands and those
 *	that build, edit, select, delete and list records. The measuring and
 *	reprojecting subcommands live in shape_measures.cpp.
 *
 *	Record indices are read leniently (the longest valid leading part,
 *	else 0), as scripts written for this command expect; coordinates,
 *	measures, part counts and types must be numbers.
 */
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/package.h"
#include "geo/shape/shape_layout.h"
#include "geo/shape/shape_measures.h"
#include "geo/shape/shape_object.h"

/* ---- values ---- */

int shapeLeadInt(const char *text)
{
    errno = 0;
    long v = strtol(text, NULL, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return (int)v;
}

/* Coordinates, measures and counts of geometry lists are numbers: a word
 * that is none is refused with Tcl's own message, never read as 0. The
 * message is kept for the caller, which reports it. */
static std::string numberFault;

static bool readDouble(Tcl_Interp *interp, const char *text, double *value)
{
    if (Tcl_GetDouble(interp, text, value) == TCL_OK) return true;
    numberFault = Tcl_GetStringResult(interp);
    return false;
}

static bool readInt(Tcl_Interp *interp, const char *text, int *value)
{
    if (Tcl_GetInt(interp, text, value) == TCL_OK) return true;
    numberFault = Tcl_GetStringResult(interp);
    return false;
}

/* The words as doubles; false (numberFault set) at one that is none. */
static bool readDoubles(Tcl_Interp *interp, int count, const char **words, std::vector<double> *out)
{
    out->resize((size_t)count);
    for (int i = 0; i < count; i++) {
        if (!readDouble(interp, words[i], &(*out)[i])) return false;
    }
    return true;
}

/* A Tcl list split into words; false when the text is not a list. */
struct WordList {
    int count = 0;
    const char **words = NULL;
    ~WordList() { Tcl_Free((char *)words); }
    bool split(Tcl_Interp *interp, const char *text)
    {
        return Tcl_SplitList(interp, text, &count, &words) == TCL_OK;
    }
};

static int fail(Tcl_Interp *interp, const char *message)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, message, (char *)NULL);
    return TCL_ERROR;
}

static int usage(Tcl_Interp *interp, const char *name, const char *sub, const char *pattern)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", name, sub ? " " : "", sub ? sub : "", pattern,
                     (char *)NULL);
    return TCL_ERROR;
}

/* Result text built in one string: list elements, braced value lists. */
struct Output {
    std::string text;
    void element(const char *word)
    {
        if (!text.empty()) text += ' ';
        text += word;
    }
    void values(const unsigned char *vals, int n)
    {
        if (n <= 0) return;
        if (n == 1) {
            element(fmt("%.12g", shapeGetDouble(vals)));
            return;
        }
        if (!text.empty()) text += ' ';
        char buf[40];
        for (int i = 0; i < n; i++) {
            snprintf(buf, sizeof buf, i == 0 ? "{%.12g" : " %.12g", shapeGetDouble(vals + 8 * i));
            text += buf;
        }
        text += '}';
    }
    void ints(const unsigned char *vals, int n)
    {
        if (n <= 0) return;
        if (n == 1) {
            element(fmt("%d", shapeGetInt(vals)));
            return;
        }
        if (!text.empty()) text += ' ';
        char buf[24];
        for (int i = 0; i < n; i++) {
            snprintf(buf, sizeof buf, i == 0 ? "{%d" : " %d", shapeGetInt(vals + 4 * i));
            text += buf;
        }
        text += '}';
    }
    int finish(Tcl_Interp *interp, int code = TCL_OK)
    {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, text.c_str(), (char *)NULL);
        return code;
    }
    int invalidIndex(Tcl_Interp *interp)
    {
        element("invalid index");
        return finish(interp, TCL_ERROR);
    }
};

/* ---- building records ---- */

static int initializeCmd(RAMOBJ *obj, ShapeFile *, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) return usage(interp, argv[0], NULL, " initialize shapeID");
    int type = shapeTypeFromName(argv[2]);
    if (type < 0) {
        std::string message = "Invalid shapeID. Should be";
        for (int i = 0; shapeTypeNameAt(i) != NULL; i++) {
            message += ' ';
            message += shapeTypeNameAt(i);
        }
        return fail(interp, message.c_str());
    }
    ShapeFile *fresh = newShapeFile(type, NULL, NULL, 0);
    if (fresh == NULL) return fail(interp, "Error in initialize");
    freeShapeFile((ShapeFile *)obj->data);
    obj->data = fresh;
    objUpdate(obj);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* The lists of addrecord, insertrecord and setrecord, parsed and checked. */
struct Geometry {
    std::vector<double> points, z, m;
    std::vector<int> parts, types;
    bool hasParts = false, hasZ = false, hasM = false, hasTypes = false;
    int n = 0, p = 0;
};

static const char *parseGeometry(Tcl_Interp *interp, int argc, const char **lists, Geometry *g)
{
    WordList v;
    if (!v.split(interp, lists[0]) || v.count % 2 != 0) return "Error in parsing verticeList";
    g->n = v.count / 2;
    if (!readDoubles(interp, v.count, v.words, &g->points)) return numberFault.c_str();
    if (argc > 1) {
        WordList w;
        if (!w.split(interp, lists[1])) return "Error in parsing partList";
        g->hasParts = true;
        g->p = w.count;
        long total = 0;
        for (int i = 0; i < w.count; i++) {
            int c;
            if (!readInt(interp, w.words[i], &c)) return numberFault.c_str();
            total += c;
            if (c < 0 || total > g->n) return "Invalid part sepcification";
            g->parts.push_back(c);
        }
    }
    if (argc > 2) {
        WordList w;
        if (!w.split(interp, lists[2])) return "Error in parsing mvalueList";
        if (w.count != g->n) return "Unequal numbers of veritces and m values";
        g->hasM = true;
        if (!readDoubles(interp, w.count, w.words, &g->m)) return numberFault.c_str();
    }
    if (argc > 3) {
        WordList w;
        if (!w.split(interp, lists[3])) return "Error in parsing zvalueList";
        if (w.count != g->n) return "Unequal numbers of veritces and z values";
        g->hasZ = true;
        if (!readDoubles(interp, w.count, w.words, &g->z)) return numberFault.c_str();
    }
    if (argc > 4) {
        WordList w;
        if (!w.split(interp, lists[4])) return "Error in parsing typeList";
        if (w.count != g->p) return "Unequal numbers of types and parts";
        g->hasTypes = true;
        for (int i = 0; i < w.count; i++) {
            int c;
            if (!readInt(interp, w.words[i], &c)) return numberFault.c_str();
            g->types.push_back(c);
        }
    }
    return NULL;
}

/* The checks by shape type, in the order of their messages. */
static const char *checkGeometry(int type, const Geometry &g)
{
    const char *name = shapeTypeName(type);
    std::string n = name ? name : "";
    static std::string message;
    auto say = [&](const char *lead) -> const char * {
        message = std::string(lead) + n;
        return message.c_str();
    };
    bool onePoint = g.n == 1 && g.p <= 1;
    bool multiParts = !g.hasParts || g.p == 0 || (g.p == 1 && g.parts[0] == 0);
    switch (type) {
    case SHP_POINT:
        if (!onePoint) return say("More than one points for ");
        if (g.hasM || g.hasZ || g.hasTypes) return say("z value list or m value list or typeList is not allowed for ");
        break;
    case SHP_POINTM:
        if (!onePoint) return say("More than one points for ");
        if (!g.hasM) return say("missing m value list for ");
        if (g.hasZ || g.hasTypes) return say("z value list or type list is not allowed for ");
        break;
    case SHP_POINTZ:
        if (!onePoint) return say("More than one points for ");
        if (!g.hasM) return say("missing m value list for ");
        if (!g.hasZ) return say("missing z value list for ");
        if (g.hasTypes) return say("type list is not allowed for ");
        break;
    case SHP_MULTIPOINT:
        if (!multiParts) return say("Invalid part specification for ");
        if (g.hasM || g.hasZ || g.hasTypes) return say("z value list or m value list or type list is not allowed for ");
        break;
    case SHP_MULTIPOINTM:
        if (!multiParts) return say("Invalid part specification for ");
        if (!g.hasM) return say("missing m value list for ");
        if (g.hasZ || g.hasTypes) return say("z value list or type list is not allowed for ");
        break;
    case SHP_MULTIPOINTZ:
        if (!multiParts) return say("Invalid part specification for ");
        if (!g.hasZ) return say("missing z value list for ");
        if (!g.hasM) return say("missing m value list for ");
        if (g.hasTypes) return say("type list is not allowed for ");
        break;
    case SHP_POLYLINE:
    case SHP_POLYGON:
        if (g.hasM || g.hasZ || g.hasTypes) return say("z value list or m value list or type list is not allowed for ");
        break;
    case SHP_POLYLINEM:
    case SHP_POLYGONM:
        if (!g.hasM) return say("missing m value list for ");
        if (g.hasZ || g.hasTypes) return say("z value list or type list is not allowed for ");
        break;
    case SHP_POLYLINEZ:
    case SHP_POLYGONZ:
        if (!g.hasM) return say("missing m value list for ");
        if (!g.hasZ) return say("missing z value list for ");
        if (g.hasTypes) return say("type list is not allowed for ");
        break;
    case SHP_MULTIPATCH:
        if (!g.hasM) return say("missing m value list for ");
        if (!g.hasZ) return say("missing z value list for ");
        if (!g.hasTypes) return say("missing type list for ");
        break;
    default:
        break;
    }
    return NULL;
}

enum RecordStep { ADD_RECORD, INSERT_RECORD, SET_RECORD };

static int recordCmd(RecordStep step, RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc,
                     const char **argv)
{
    int first = step == ADD_RECORD ? 2 : 3;
    int lists = argc - first;
    if (lists < 1 || lists > 5) {
        return usage(interp, argv[0], argv[1],
                     step == ADD_RECORD
                         ? " verticeList partList mvalueList zvalueList typeList"
                         : " index verticeList partList mvalueList zvalueList typeList");
    }
    int index = 0;
    if (step != ADD_RECORD) {
        index = shapeLeadInt(argv[2]);
        if (step == INSERT_RECORD) {
            if (index < 0) index = 0;
            if (index > sf->count) index = sf->count;
        } else if (index < 0 || index >= sf->count) {
            return fail(interp, "invalid index");
        }
    }
    Geometry g;
    const char *message = parseGeometry(interp, lists, argv + first, &g);
    int type = sf->head->shapeType;
    if (message == NULL) message = checkGeometry(type, g);
    if (message == NULL
        && !shapeRecordValid(type, g.points.data(), g.n, g.hasParts && g.p > 0 ? g.parts.data() : NULL,
                             g.p)) {
        message = "Error in parsing verticeList";
    }
    if (message != NULL) return fail(interp, message);
    const int *parts = g.hasParts && g.p > 0 && (shapeTypeHasParts(type) || type == SHP_MULTIPATCH)
                           ? g.parts.data()
                           : NULL;
    int p = parts ? g.p : 0;
    const void *z = g.hasZ ? g.z.data() : NULL;
    const void *m = g.hasM ? g.m.data() : NULL;
    const int *types = g.hasTypes && g.p > 0 ? g.types.data() : NULL;
    ShapeRecord *rec;
    if (step == ADD_RECORD) {
        rec = appendShape(sf, 0, g.points.data(), g.n, parts, p, z, m, types);
    } else if (step == INSERT_RECORD) {
        rec = insertShape(sf, index, 0, g.points.data(), g.n, parts, p, z, m, types);
    } else {
        rec = replaceShape(sf, index, 0, g.points.data(), g.n, parts, p, z, m, types);
    }
    if (rec == NULL) {
        Tcl_ResetResult(interp);
        if (step == ADD_RECORD) Tcl_AppendResult(interp, "Error in ", argv[0], " ", argv[1], (char *)NULL);
        else Tcl_AppendResult(interp, "Error in ", argv[1], " ", argv[2], (char *)NULL);
        return TCL_ERROR;
    }
    objUpdate(obj);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static int addrecordCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    return recordCmd(ADD_RECORD, obj, sf, interp, argc, argv);
}
static int insertrecordCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc,
                           const char **argv)
{
    return recordCmd(INSERT_RECORD, obj, sf, interp, argc, argv);
}
static int setrecordCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    return recordCmd(SET_RECORD, obj, sf, interp, argc, argv);
}

static int eraserecordCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc,
                          const char **argv)
{
    if (argc != 3) return usage(interp, argv[0], argv[1], " index");
    if (sf->count > 0) {
        int index = shapeLeadInt(argv[2]);
        if (index < 0) index = 0;
        if (index >= sf->count) index = sf->count - 1;
        deleteShapes(sf, index, index);
    }
    objUpdate(obj);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* ---- flags ---- */

/* Applies op to each index word, or to every record without one. */
static int eachIndex(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv,
                     void (*op)(ShapeFile *, int))
{
    Output out;
    int code = TCL_OK;
    if (argc == 2) {
        for (int i = 0; i < sf->count; i++) op(sf, i);
    } else {
        for (int a = 2; a < argc; a++) {
            int index = shapeLeadInt(argv[a]);
            if (index < 0 || index >= sf->count) {
                code = TCL_ERROR;
                break;
            }
            op(sf, index);
        }
    }
    objUpdate(obj);
    return code == TCL_OK ? out.finish(interp) : out.invalidIndex(interp);
}

static int deleteshapeCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc,
                          const char **argv)
{
    return eachIndex(obj, sf, interp, argc, argv, deleteShape);
}
static int undeleteshapeCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc,
                            const char **argv)
{
    return eachIndex(obj, sf, interp, argc, argv, undeleteShape);
}
static int selectCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    return eachIndex(obj, sf, interp, argc, argv, selectShape);
}
static int unselectCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    return eachIndex(obj, sf, interp, argc, argv, unselectShape);
}
static int aselectCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    return eachIndex(obj, sf, interp, argc, argv, toggleShape);
}
static int selectonlyCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc,
                         const char **argv)
{
    unselectAllShapes(sf);
    if (argc == 2) {
        objUpdate(obj);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    return eachIndex(obj, sf, interp, argc, argv, selectShape);
}
static int unselectonlyCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc,
                           const char **argv)
{
    selectAllShapes(sf);
    if (argc == 2) {
        objUpdate(obj);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    return eachIndex(obj, sf, interp, argc, argv, unselectShape);
}

static int isselectedCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) return usage(interp, argv[0], argv[1], " index");
    int index = shapeLeadInt(argv[2]);
    if (index < 0 || index >= sf->count) return fail(interp, "invalid index");
    Tcl_SetObjResult(interp, Tcl_NewIntObj(isShapeSelected(sf, index)));
    return TCL_OK;
}

static int countselectionsCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int, const char **)
{
    Tcl_SetObjResult(interp, Tcl_NewIntObj(countSelectedShapes(sf)));
    return TCL_OK;
}
static int countdeletionsCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int, const char **)
{
    Tcl_SetObjResult(interp, Tcl_NewIntObj(countDeletedShapes(sf)));
    return TCL_OK;
}

static int purgeCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int, const char **)
{
    packShapeFile(sf);
    objUpdate(obj);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* The selection of a table object's rows, copied onto the records. */
static int matchCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) return usage(interp, argv[0], argv[1], " tableObj");
    RAMOBJ *table = NULL;
    if (openObject(interp, OBJ_TABLE, argv[2], &table) != TCL_OK) return TCL_ERROR;
    int rows = table->count != NULL && table->data != NULL ? table->count(table) : 0;
    int limit = rows < sf->count ? rows : sf->count;
    for (int i = 0; i < limit && table->isSelected != NULL; i++) {
        if (table->isSelected(table, i)) selectShape(sf, i);
        else unselectShape(sf, i);
    }
    closeObject(table);
    objUpdate(obj);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* ---- listing ---- */

static int idCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    Output out;
    if (argc == 2) {
        for (int i = 0; i < sf->count; i++) {
            out.element(fmt("%d", getShapeRecordNumber(getShapeRecord(sf, i))));
        }
        return out.finish(interp);
    }
    for (int a = 2; a < argc; a++) {
        int index = shapeLeadInt(argv[a]);
        if (index < 0 || index >= sf->count) return out.invalidIndex(interp);
        out.element(fmt("%d", getShapeRecordNumber(getShapeRecord(sf, index))));
    }
    return out.finish(interp);
}

static int typeCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int, const char **)
{
    const char *name = shapeTypeName(sf->head->shapeType);
    Tcl_SetObjResult(interp, Tcl_NewStringObj(name ? name : fmt("%d", sf->head->shapeType), -1));
    return TCL_OK;
}

static int infoCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int, const char **)
{
    Tcl_ResetResult(interp);
    shapeAppendHeadInfo(interp, sf->head);
    Tcl_AppendElement(interp, fmt("count %d", sf->count));
    return TCL_OK;
}

/* Runs each for the records an " ?index? | all" argument list names;
 * each returns false to stop with its own message already in out. */
template <typename Each>
static int forRecords(ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv, Output &out,
                      Each each)
{
    if (argc == 3 && strcmp(argv[2], "all") == 0) {
        for (int i = 0; i < sf->count; i++) {
            if (!each(i)) return out.finish(interp, TCL_ERROR);
        }
        return out.finish(interp);
    }
    for (int a = 2; a < argc; a++) {
        int index = shapeLeadInt(argv[a]);
        if (index < 0 || index >= sf->count) return out.invalidIndex(interp);
        if (!each(index)) return out.finish(interp, TCL_ERROR);
    }
    return out.finish(interp);
}

static int bboxCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (shapeTypeIsPoint(sf->head->shapeType)) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (argc < 3) return usage(interp, argv[0], argv[1], " ?index? | all");
    Output out;
    return forRecords(sf, interp, argc, argv, out, [&](int i) {
        out.values(getShapeBBox(getShapeRecord(sf, i)), 4);
        return true;
    });
}

/* Total of count(record) over all records or the index words after "count". */
template <typename Count>
static int countOver(ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv, Count count)
{
    long total = 0;
    Output out;
    if (argc == 3) {
        for (int i = 0; i < sf->count; i++) total += count(getShapeRecord(sf, i));
    } else {
        for (int a = 3; a < argc; a++) {
            int index = shapeLeadInt(argv[a]);
            if (index < 0 || index >= sf->count) return out.invalidIndex(interp);
            total += count(getShapeRecord(sf, index));
        }
    }
    Tcl_SetObjResult(interp, Tcl_NewLongObj(total));
    return TCL_OK;
}

static int vertexCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) return usage(interp, argv[0], argv[1], " ?index? | all | count");
    if (strcmp(argv[2], "count") == 0) {
        return countOver(sf, interp, argc, argv, [](ShapeRecord *rec) {
            int n = 0;
            getShapePoints(rec, &n);
            return n;
        });
    }
    Output out;
    auto each = [&](int i) {
        int n = 0;
        const unsigned char *pts = getShapePoints(getShapeRecord(sf, i), &n);
        out.values(pts, 2 * n);
        return true;
    };
    if (strcmp(argv[2], "all") == 0) {
        for (int i = 0; i < sf->count; i++) each(i);
        return out.finish(interp);
    }
    for (int a = 2; a < argc; a++) {
        int index;
        if (Tcl_GetInt(interp, argv[a], &index) != TCL_OK) return TCL_ERROR;
        if (index < 0 || index >= sf->count) return out.invalidIndex(interp);
        each(index);
    }
    return out.finish(interp);
}

static int partsCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) return usage(interp, argv[0], argv[1], " ?index? | all");
    if (strcmp(argv[2], "count") == 0) {
        return countOver(sf, interp, argc, argv, [](ShapeRecord *rec) {
            int p = 0;
            const unsigned char *parts = getShapeParts(rec, &p);
            if (parts == NULL) return p;
            long total = 0;
            for (int j = 0; j < p; j++) total += shapeGetInt(parts + 4 * j);
            return (int)total;
        });
    }
    Output out;
    return forRecords(sf, interp, argc, argv, out, [&](int i) {
        int p = 0;
        const unsigned char *parts = getShapeParts(getShapeRecord(sf, i), &p);
        if (parts != NULL) out.ints(parts, p);
        return true;
    });
}

static int vpartsCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) return usage(interp, argv[0], argv[1], " ?index? | all");
    Output out;
    return forRecords(sf, interp, argc, argv, out, [&](int i) {
        ShapeRecord *rec = getShapeRecord(sf, i);
        int n = 0, p = 0;
        const unsigned char *pts = getShapePoints(rec, &n);
        const unsigned char *parts = getShapeParts(rec, &p);
        out.values(pts, 2 * n);
        if (parts != NULL && p > 1 && n > 0) {
            out.text.pop_back();  /* the closing brace */
            out.text += " {";
            for (int j = 0; j < p; j++) {
                out.text += fmt(j + 1 < p ? "%d " : "%d}}", shapeGetInt(parts + 4 * j));
            }
        }
        return true;
    });
}

static int patchtypesCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) return usage(interp, argv[0], argv[1], " ?index? | all");
    if (sf->head->shapeType != SHP_MULTIPATCH) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, argv[0], " is not a multipatch shape object", (char *)NULL);
        return TCL_ERROR;
    }
    Output out;
    return forRecords(sf, interp, argc, argv, out, [&](int i) {
        ShapeRecord *rec = getShapeRecord(sf, i);
        int p = 0;
        getShapeParts(rec, &p);
        const unsigned char *types = getShapePartTypes(rec);
        if (types != NULL) out.ints(types, p);
        return true;
    });
}

static int measureValuesCmd(bool wantZ, ShapeFile *sf, Tcl_Interp *interp, int argc,
                            const char **argv)
{
    if (argc < 3) return usage(interp, argv[0], argv[1], " ?index? | all");
    int t = sf->head->shapeType;
    if (wantZ ? !shapeTypeHasZ(t) : !shapeTypeHasM(t)) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, argv[0], wantZ ? " has no z values" : " has no measurement values",
                         (char *)NULL);
        return TCL_ERROR;
    }
    Output out;
    return forRecords(sf, interp, argc, argv, out, [&](int i) {
        ShapeRecord *rec = getShapeRecord(sf, i);
        const unsigned char *vals = wantZ ? getShapeZ(rec, NULL, NULL) : getShapeM(rec, NULL, NULL);
        if (vals == NULL) {
            out.text = fmt(wantZ ? "record %d has no z values" : "record %d has no measurement values",
                           i);
            return false;
        }
        int n = 0;
        getShapePoints(rec, &n);
        out.values(vals, n);
        return true;
    });
}

static int mvaluesCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    return measureValuesCmd(false, sf, interp, argc, argv);
}
static int zvaluesCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    return measureValuesCmd(true, sf, interp, argc, argv);
}

/* ---- setting values of one record ---- */

enum ValueKind { SET_VERTICES, SET_M, SET_Z, SET_PATCH_TYPES };

static int setValuesCmd(ValueKind kind, RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc,
                        const char **argv)
{
    static const char *const usages[] = {
        " setvertex index vertexList [offset]", " setmvalue index mvalueList [offset]",
        " setzvalues index zvalueList [offset]", " setpatchtypes index patchTypeList [offset]"};
    static const char *const typeFaults[] = {NULL, " has no measurement values", " has no z values",
                                             " has no patch values"};
    static const char *const listFaults[] = {"Error in parsing vertexList", "Error in parsing mvalueList",
                                             "Error in parsing zvalueList",
                                             "Error in parsing patchTypeList"};
    static const char *const countFaults[] = {"Invalid number of vertices", "Invalid number of measurements",
                                              "Invalid number of zvalues",
                                              "Invalid number of patch types"};
    if (argc != 4 && argc != 5) return usage(interp, argv[0], NULL, usages[kind]);
    int t = sf->head->shapeType;
    bool typeOk = kind == SET_VERTICES || (kind == SET_M && shapeTypeHasM(t))
                  || (kind == SET_Z && shapeTypeHasZ(t)) || (kind == SET_PATCH_TYPES && t == SHP_MULTIPATCH);
    if (!typeOk) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, argv[0], typeFaults[kind], (char *)NULL);
        return TCL_ERROR;
    }
    int index = shapeLeadInt(argv[2]);
    if (index < 0 || index >= sf->count) return fail(interp, "invalid index");
    ShapeRecord *rec = getShapeRecord(sf, index);
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    int limit = kind == SET_PATCH_TYPES ? (L.partTypes ? L.p : 0) : L.n;
    int offset = argc == 5 ? shapeLeadInt(argv[4]) : 0;
    if (offset < 0 || offset >= limit) return fail(interp, "Invalid offset");
    WordList w;
    if (!w.split(interp, argv[3])) return fail(interp, listFaults[kind]);
    int values = kind == SET_VERTICES ? w.count / 2 : w.count;
    if ((kind == SET_VERTICES && w.count % 2 != 0) || (long)values + offset > limit) {
        return fail(interp, countFaults[kind]);
    }
    if (kind == SET_PATCH_TYPES) {
        std::vector<int> ints((size_t)w.count);
        for (int i = 0; i < w.count; i++) {
            if (!readInt(interp, w.words[i], &ints[i])) return fail(interp, numberFault.c_str());
        }
        setShapePartTypes(rec, ints.data(), offset, values);
    } else {
        std::vector<double> vals;
        if (!readDoubles(interp, w.count, w.words, &vals)) return fail(interp, numberFault.c_str());
        if (kind == SET_VERTICES) {
            setShapePoints(rec, vals.data(), offset, values);
        } else if ((kind == SET_M ? L.mVals : L.zVals) == NULL) {
            return fail(interp, fmt(kind == SET_M ? "record %d has no measurement values"
                                                  : "record %d has no z values",
                                    index));
        } else if (kind == SET_M) {
            setShapeM(rec, vals.data(), offset, values);
        } else {
            setShapeZ(rec, vals.data(), offset, values);
        }
    }
    sf->modified = 1;
    objUpdate(obj);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static int setverticesCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc,
                          const char **argv)
{
    return setValuesCmd(SET_VERTICES, obj, sf, interp, argc, argv);
}
static int setmvaluesCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    return setValuesCmd(SET_M, obj, sf, interp, argc, argv);
}
static int setzvaluesCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc, const char **argv)
{
    return setValuesCmd(SET_Z, obj, sf, interp, argc, argv);
}
static int setpatchtypesCmd(RAMOBJ *obj, ShapeFile *sf, Tcl_Interp *interp, int argc,
                            const char **argv)
{
    return setValuesCmd(SET_PATCH_TYPES, obj, sf, interp, argc, argv);
}

static int setrangeCmd(RAMOBJ *, ShapeFile *sf, Tcl_Interp *interp, int, const char **)
{
    updateShapeBounds(sf, 1);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* ---- dispatch ---- */

namespace {
struct Subcommand {
    const char *name;
    int least;       /* letters that must be typed */
    bool wholeWord;  /* must be typed in full */
    ShapeSubcommand *proc;
};
}  // namespace

static const Subcommand subcommands[] = {
    {"addrecord", 3, false, addrecordCmd},
    {"area", 3, false, shapeAreaCmd},
    {"aselect", 3, false, aselectCmd},
    {"countselections", 6, false, countselectionsCmd},
    {"countdeletions", 6, false, countdeletionsCmd},
    {"centroid", 6, false, shapeCentroidCmd},
    {"eraserecord", 4, false, eraserecordCmd},
    {"id", 2, false, idCmd},
    {"info", 2, true, infoCmd},
    {"insertrecord", 2, false, insertrecordCmd},
    {"isselected", 2, false, isselectedCmd},
    {"bbox", 3, false, bboxCmd},
    {"deleteshape", 4, false, deleteshapeCmd},
    {"langle", 4, false, shapeLangleCmd},
    {"length", 4, false, shapeLengthCmd},
    {"match", 4, false, matchCmd},
    {"mvalues", 4, false, mvaluesCmd},
    {"parts", 4, false, partsCmd},
    {"patchtypes", 4, false, patchtypesCmd},
    {"projdef", 4, false, shapeProjdefCmd},
    {"projection", 4, false, shapeProjectionCmd},
    {"purge", 4, true, purgeCmd},
    {"select", 5, false, selectCmd},
    {"selectonly", 5, false, selectonlyCmd},
    {"setrange", 5, false, setrangeCmd},
    {"setvertices", 5, false, setverticesCmd},
    {"setvertex", 9, true, setverticesCmd},  /* the word its usage text shows */
    {"setmvalues", 5, false, setmvaluesCmd},
    {"setpatchtypes", 5, false, setpatchtypesCmd},
    {"setzvalues", 5, false, setzvaluesCmd},
    {"setrecord", 5, false, setrecordCmd},
    {"undeleteshape", 5, false, undeleteshapeCmd},
    {"unselectonly", 5, true, unselectonlyCmd},
    {"unselect", 5, true, unselectCmd},
    {"vangle", 4, false, shapeVangleCmd},
    {"vertex", 4, false, vertexCmd},
    {"vparts", 4, false, vpartsCmd},
    {"type", 4, false, typeCmd},
    {"zvalues", 4, false, zvaluesCmd},
};

int shapeObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ *obj = (RAMOBJ *)clientData;
    if (argc < 2) {
        return usage(interp, argv[0], NULL,
                     " [addrecord area aselect bbox centroid config cget class clone close count "
                     "countdeletions countselections deleteshape id initialize info insertrecord "
                     "isselected langle length match mvalues parts patchtypes projdef projection "
                     "purge save select selectonly setmvalues setpatchtypes setrecord setvertices "
                     "setzvalues setrange type undeleteshap unselect unselectonly vangle version "
                     "vertex vparts zvalues]");
    }
    int code = objDefCommand(clientData, interp, argc, argv);
    if (code != TCL_CONTINUE) return code;
    const char *word = argv[1];
    if (ovexMatchWord(word, "initialize", 2)) {
        return initializeCmd(obj, (ShapeFile *)obj->data, interp, argc, argv);
    }
    ShapeFile *sf = (ShapeFile *)obj->data;
    if (sf == NULL) return fail(interp, "Undefined object");
    for (const Subcommand &sub : subcommands) {
        bool match = sub.wholeWord ? strcmp(word, sub.name) == 0
                                   : ovexMatchWord(word, sub.name, sub.least);
        if (match) return sub.proc(obj, sf, interp, argc, argv);
    }
    return fail(interp, "Unknown command");
}
