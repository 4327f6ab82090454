/*
 * geod_objects.cpp --
 *
 *	Geodesic objects: an ellipsoid (and distance unit) from PROJ-style
 *	words answering forward and inverse geodesic questions in degrees.
 */
#include <math.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "core/option_engine.h"
#include "core/package.h"
#include "geo/proj/geodesic.h"
#include "geo/proj/object_kit.h"
#include "geo/proj/proj_commands.h"
#include "geo/proj/run_guard.h"

using ovexgeod::GeodState;

namespace {

struct GeodData {
    char *definition;
    char *fmt;
    int valid;
    double A, S, lat1, lat2, lon1, lon2;
    GeodState work;      /* its mode is -inv */
    GeodState prepared;  /* what the subcommands compute on */
};

Tk_ConfigSpec geodSpecs[] = {
    {TK_CONFIG_STRING, "-geod", NULL, NULL, "ellps=clrk66", offsetof(GeodData, definition),
     0, NULL},
    {TK_CONFIG_INT, "-inv", NULL, NULL, "1", offsetof(GeodData, work.mode), 0, NULL},
    {TK_CONFIG_DOUBLE, "-lat_1", NULL, NULL, "42.25", offsetof(GeodData, lat1), 0, NULL},
    {TK_CONFIG_DOUBLE, "-lon_1", NULL, NULL, "-71.11666667", offsetof(GeodData, lon1), 0, NULL},
    {TK_CONFIG_DOUBLE, "-lat_2", NULL, NULL, "45.51666667", offsetof(GeodData, lat2), 0, NULL},
    {TK_CONFIG_DOUBLE, "-lon_2", NULL, NULL, "-123.6833333", offsetof(GeodData, lon2), 0, NULL},
    {TK_CONFIG_DOUBLE, "-A", NULL, NULL, "-66.53059438", offsetof(GeodData, A), 0, NULL},
    {TK_CONFIG_DOUBLE, "-S", NULL, NULL, "4164192.64828", offsetof(GeodData, S), 0, NULL},
    {TK_CONFIG_STRING, "-fmt", NULL, NULL, "%.12g", offsetof(GeodData, fmt), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

const double toRad = M_PI * (1.0 / 180.0);
const double toDeg = (1.0 / M_PI) * 180.0;

void geodDataFree(GeodData *data)
{
    if (data == NULL) return;
    ovexFreeOptions(geodSpecs, (char *)data, 0);
    delete data;
}

/* End point of a line; answers the back azimuth (degrees). */
double geodFwdDeg(GeodState *g, double lon, double lat, double az, double dist, double *lon2,
                  double *lat2)
{
    g->lam1 = lon * toRad;
    g->phi1 = lat * toRad;
    g->al12 = az * toRad;
    g->S = dist;
    ovexgeod::geodPreR(g);
    ovexgeod::geodForR(g);
    *lon2 = g->lam2 * toDeg;
    *lat2 = g->phi2 * toDeg;
    return g->al21 * toDeg;
}

/* Distance between two points; azimuths (degrees) where asked. */
double geodInvDeg(GeodState *g, double lon1, double lat1, double lon2, double lat2, double *az12,
                  double *az21)
{
    g->lam1 = lon1 * toRad;
    g->phi1 = lat1 * toRad;
    g->lam2 = lon2 * toRad;
    g->phi2 = lat2 * toRad;
    ovexgeod::geodInvR(g);
    if (az12 != NULL) *az12 = g->al12 * toDeg;
    if (az21 != NULL) *az21 = g->al21 * toDeg;
    return g->S;
}

int geodStateInit(GeodState *g, const char *text)
{
    int count;
    const char **words;
    if (Tcl_SplitList(NULL, text, &count, &words) != TCL_OK) return 0;
    int ok = ovexgeod::geodSetR(count, words, g);
    Tcl_Free((char *)words);
    return ok;
}

void setText(char **field, const std::string &text)
{
    if (*field != NULL) ckfree(*field);
    *field = NULL;
    if (!text.empty()) {
        *field = (char *)ckalloc(text.size() + 1);
        memcpy(*field, text.c_str(), text.size() + 1);
    }
}

int geodObjSetup(GeodData *data, Tcl_Interp *interp, int argc, const char **argv, int flags)
{
    std::string previous = data->definition != NULL ? data->definition : "";
    bool hadState = data->valid;
    if (ovexConfigure(interp, ovexMainWindow(interp), geodSpecs, argc, argv, (char *)data,
                      flags) != TCL_OK) {
        return TCL_ERROR;
    }
    std::string message;
    if (data->definition == NULL) {
        message = "missing geod specification";
    } else if (!hadState || previous != data->definition) {
        if (!geodStateInit(&data->work, data->definition)) {
            message = std::string("error in parsing ") + data->definition;
        } else {
            data->prepared = data->work;
        }
    }
    if (!message.empty()) {
        setText(&data->definition, previous);
        if (!previous.empty()) {
            geodStateInit(&data->work, previous.c_str());
        }
        Tcl_SetObjResult(interp, Tcl_NewStringObj(message.c_str(), -1));
        return TCL_ERROR;
    }
    if (data->work.mode != 0) {
        data->S = geodInvDeg(&data->work, data->lon1, data->lat1, data->lon2, data->lat2, &data->A,
                             NULL);
    } else {
        geodFwdDeg(&data->work, data->lon1, data->lat1, data->A, data->S, &data->lon2,
                   &data->lat2);
    }
    data->valid = 1;
    return TCL_OK;
}

int geodObjCount(RAMOBJ *) { return 1; }
int geodObjSubtype(RAMOBJ *) { return -1; }

void *geodObjClone(void *source, int)
{
    GeodData *from = (GeodData *)source;
    GeodData *copy = new GeodData();
    setText(&copy->definition, from->definition != NULL ? from->definition : "");
    setText(&copy->fmt, from->fmt != NULL ? from->fmt : "");
    copy->work = from->work;
    copy->prepared = from->prepared;
    return copy;
}

std::string listElement(const char *text)
{
    Tcl_Obj *word = Tcl_NewStringObj(text != NULL ? text : "", -1);
    Tcl_Obj *list = Tcl_NewListObj(1, &word);
    Tcl_IncrRefCount(list);
    std::string out = Tcl_GetString(list);
    Tcl_DecrRefCount(list);
    return out;
}

int geodObjSave(RAMOBJ *obj, const char *fileName, int)
{
    GeodData *d = (GeodData *)obj->data;
    if (d == NULL) return 0;
    std::string text = "-geod " + listElement(d->definition) + " -inv " +
                       std::to_string(d->work.mode);
    const struct { const char *name; double value; } values[] = {
        {"-lat_1", d->lat1}, {"-lon_1", d->lon1}, {"-lat_2", d->lat2},
        {"-lon_2", d->lon2}, {"-A", d->A},        {"-S", d->S}};
    for (const auto &v : values) {
        text += std::string(" ") + v.name + " " + formatNumber("%.12g", v.value);
    }
    text += " -fmt " + listElement(d->fmt);
    return writeWholeText(fileName, text);
}

void *geodObjLoad(const char *fileName, int *)
{
    std::string text;
    if (!readWholeText(fileName, &text)) return NULL;
    int count;
    const char **words;
    if (Tcl_SplitList(NULL, text.c_str(), &count, &words) != TCL_OK) return NULL;
    GeodData *data = new GeodData();
    Tcl_Interp *interp = projInterp;
    Tcl_SavedResult saved;
    Tcl_SaveResult(interp, &saved);
    int status = geodObjSetup(data, interp, count, words, 0);
    Tcl_RestoreResult(interp, &saved);
    Tcl_Free((char *)words);
    if (status != TCL_OK) {
        geodDataFree(data);
        return NULL;
    }
    return data;
}

void geodObjFree(void *data) { geodDataFree((GeodData *)data); }

int geodObjModified(RAMOBJ *obj)
{
    GeodData *d = (GeodData *)obj->data;
    return d != NULL ? d->valid : 0;
}

const char *const geodUsage =
    " command (calcarc, calcgeod, cget class clone close config count geodconfigure geodfwd "
    "geodget geodinv save type version)";

int usage(Tcl_Interp *interp, const char *name, const char *pattern)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", name, pattern, (char *)NULL);
    return TCL_ERROR;
}

void appendNumber(Tcl_Obj *list, const char *format, double value)
{
    Tcl_ListObjAppendElement(NULL, list,
                             Tcl_NewStringObj(formatNumber(format, value).c_str(), -1));
}

int geodObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ *obj = (RAMOBJ *)clientData;
    if (argc < 2) return usage(interp, argv[0], geodUsage);
    /* clone runs among the shared subcommands, before the guard, and
     * sets its copy up through projInterp: never a deleted interpreter. */
    projInterp = interp;
    int status = objDefCommand(clientData, interp, argc, argv);
    if (status != TCL_CONTINUE) return status;
    return projRunGuarded(interp, argv[0], [&]() -> int {
        GeodData *data = (GeodData *)obj->data;
        const char *word = argv[1];
        size_t length = strlen(word);
        if (!((word[0] == 'c' || word[0] == 'g') && length >= 5)) {
            Tcl_ResetResult(interp);
            return TCL_ERROR;
        }
        if (data == NULL) {
            Tcl_SetObjResult(interp, Tcl_NewStringObj("Undefined object", -1));
            return TCL_ERROR;
        }
        GeodState *g = &data->prepared;
        const char *fmt = data->fmt;
        Tk_Window win = ovexMainWindow(interp);
        bool arc = word[0] == 'c' && prefixOf(word, "calcarc");
        bool line = !arc && word[0] == 'c' && prefixOf(word, "calcgeod");
        if (arc || line) {
            if (arc && argc != 8) return usage(interp, argv[0], " calcarc lon lat A S n dA");
            if (line && argc != 7) return usage(interp, argv[0], " calcgeod lon lat A S n");
            double given[4], dA = 0;
            int n;
            if (readCoordinates(interp, argv + 2, 4, given) != TCL_OK
                || Tcl_GetInt(interp, argv[6], &n) != TCL_OK
                || (arc && readCoordinates(interp, argv + 7, 1, &dA) != TCL_OK)) {
                return TCL_ERROR;
            }
            double lon = given[0], lat = given[1], az = given[2], dist = given[3];
            if (n < 1) {
                Tcl_SetObjResult(interp, Tcl_NewStringObj("Invalid n (must be >= 1)", -1));
                return TCL_ERROR;
            }
            Tcl_Obj *list = Tcl_NewListObj(0, NULL);
            double x, y;
            if (arc) {
                for (int i = 0; i < n; i++, az += dA) {
                    geodFwdDeg(g, lon, lat, az, dist, &x, &y);
                    appendNumber(list, fmt, x);
                    appendNumber(list, fmt, y);
                }
            } else {
                double step = dist / n, s = 0;
                appendNumber(list, fmt, lon);
                appendNumber(list, fmt, lat);
                for (int i = 0; i < n; i++) {
                    s += step;
                    geodFwdDeg(g, lon, lat, az, s, &x, &y);
                    appendNumber(list, fmt, x);
                    appendNumber(list, fmt, y);
                }
            }
            Tcl_SetObjResult(interp, list);
            return TCL_OK;
        }
        if (word[0] == 'g') {
            if (strcmp(word, "geodinv") == 0) {
                if (argc != 6) return usage(interp, argv[0], " geodinv lon1 lat1 lon2 lat2");
                double a12, a21, p[4];
                if (readCoordinates(interp, argv + 2, 4, p) != TCL_OK) return TCL_ERROR;
                double s = geodInvDeg(g, p[0], p[1], p[2], p[3], &a12, &a21);
                std::string text = formatNumber(fmt, a12) + " " + formatNumber(fmt, a21) + " " +
                                   formatNumber(fmt, s);
                Tcl_SetObjResult(interp, Tcl_NewStringObj(text.c_str(), -1));
                return TCL_OK;
            }
            if (strcmp(word, "geodfwd") == 0) {
                if (argc != 6) return usage(interp, argv[0], " geodfwd lon lat A S");
                double x, y, p[4];
                if (readCoordinates(interp, argv + 2, 4, p) != TCL_OK) return TCL_ERROR;
                double back = geodFwdDeg(g, p[0], p[1], p[2], p[3], &x, &y);
                std::string text = formatNumber(fmt, x) + " " + formatNumber(fmt, y) + " " +
                                   formatNumber(fmt, back);
                Tcl_SetObjResult(interp, Tcl_NewStringObj(text.c_str(), -1));
                return TCL_OK;
            }
            if (prefixOf(word, "geodget")) {
                if (argc != 3) return usage(interp, argv[0], " geodget option");
                return ovexConfigureValue(interp, win, geodSpecs, (char *)data, argv[2], 0);
            }
            if (prefixOf(word, "geodconfigure")) {
                if (argc == 2)
                    return ovexConfigureInfo(interp, win, geodSpecs, (char *)data, NULL, 0);
                if (argc == 3)
                    return ovexConfigureInfo(interp, win, geodSpecs, (char *)data, argv[2], 0);
                return geodObjSetup(data, interp, argc - 2, argv + 2, TK_CONFIG_ARGV_ONLY);
            }
        }
        return usage(interp, argv[0], geodUsage);
    });
}

}  // namespace

int geodCreateCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ templ = {};
    templ.type = OBJ_GEOD;
    templ.count = geodObjCount;
    templ.subtype = geodObjSubtype;
    templ.clone = geodObjClone;
    templ.save = geodObjSave;
    templ.acquire = objAcquire;
    templ.release = objRelease;
    templ.close = objClose;
    templ.load = geodObjLoad;
    templ.freeData = geodObjFree;
    templ.command = geodObjCmd;
    templ.modified = geodObjModified;
    return projObjectCreate(interp, argc, argv, "geod.create", templ, [](Tcl_Interp *ip) {
        GeodData *data = new GeodData();
        geodObjSetup(data, ip, 0, NULL, 0);
        return (void *)data;
    });
}
