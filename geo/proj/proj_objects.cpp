/*
 * proj_objects.cpp --
 *
 *	Projection objects: a command holding one projection set up from a
 *	PROJ definition, converting single points between degrees and
 *	projected coordinates, saved as its definition text.
 */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "core/objects.h"
#include "core/option_engine.h"
#include "core/package.h"
#include "geo/proj/object_kit.h"
#include "geo/proj/proj_commands.h"
#include "geo/proj/proj_library.h"
#include "geo/proj/proj_objects.h"
#include "geo/proj/run_guard.h"

namespace {

const double degToRad = M_PI / 180.0;
const double radToDeg = 180.0 / M_PI;

/* Forward from degrees. A lat/long definition (proj=longlat, latlong,
 * ...) answers degrees too, not the library's radians. */
void forwardDegrees(ProjHandle *p, double lon, double lat, double *x, double *y)
{
    projForward(p, lon * degToRad, lat * degToRad, x, y);
    if (projIsLatLong(p)) {
        *x *= radToDeg;
        *y *= radToDeg;
    }
}

/* Inverse to degrees; a lat/long definition takes degrees. */
void inverseDegrees(ProjHandle *p, double x, double y, double *lon, double *lat)
{
    if (projIsLatLong(p)) {
        x *= degToRad;
        y *= degToRad;
    }
    projInverse(p, x, y, lon, lat);
    *lon *= radToDeg;
    *lat *= radToDeg;
}

struct ProjData {
    char *projdef;
    int inverse;
    int modified;
    int reversed;
    const char *fmtll;
    const char *fmtxy;
    ProjHandle *projection;
    double x, y, longitude, latitude;
};

Tk_ConfigSpec projSpecs[] = {
    {TK_CONFIG_STRING, "-projdef", NULL, NULL, "proj=utm", Tk_Offset(ProjData, projdef),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_INT, "-inv", NULL, NULL, "0", Tk_Offset(ProjData, inverse), 0, NULL},
    {TK_CONFIG_DOUBLE, "-longitude", NULL, NULL, "0.0", Tk_Offset(ProjData, longitude), 0, NULL},
    {TK_CONFIG_DOUBLE, "-latitude", NULL, NULL, "0.0", Tk_Offset(ProjData, latitude), 0, NULL},
    {TK_CONFIG_DOUBLE, "-x", NULL, NULL, "0.0", Tk_Offset(ProjData, x), 0, NULL},
    {TK_CONFIG_DOUBLE, "-y", NULL, NULL, "0.0", Tk_Offset(ProjData, y), 0, NULL},
    {TK_CONFIG_UID, "-fmtxy", NULL, NULL, "%.12g", Tk_Offset(ProjData, fmtxy), 0, NULL},
    {TK_CONFIG_UID, "-fmtll", NULL, NULL, "%.12g", Tk_Offset(ProjData, fmtll), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

void projDataFree(ProjData *data)
{
    if (data == NULL) return;
    projFree(data->projection);
    ovexFreeOptions(projSpecs, (char *)data, 0);
    delete data;
}

/* Puts the previous definition text back after a refused one. */
void restoreDefinition(ProjData *data, const std::string &previous)
{
    if (data->projection == NULL) return;
    if (data->projdef != NULL) ckfree(data->projdef);
    data->projdef = NULL;
    if (!previous.empty()) {
        data->projdef = (char *)ckalloc(previous.size() + 1);
        memcpy(data->projdef, previous.c_str(), previous.size() + 1);
    }
}

int projObjSetup(ProjData *data, Tcl_Interp *interp, int argc, const char **argv, int flags)
{
    std::string previous = data->projdef != NULL ? data->projdef : "";
    if (ovexConfigure(interp, ovexMainWindow(interp), projSpecs, argc, argv, (char *)data,
                      flags) != TCL_OK) {
        return TCL_ERROR;
    }
    if (data->projection == NULL || data->projdef == NULL || previous != data->projdef) {
        const char *text = data->projdef != NULL ? data->projdef : "{}";
        int count = 0;
        const char **words = NULL;
        ProjHandle *made = NULL;
        if (Tcl_SplitList(NULL, text, &count, &words) == TCL_OK) {
            data->reversed = 0;
            for (int i = 0; i < count; i++) {
                if (strcmp(words[i], "-r") == 0) data->reversed = 1;
            }
            made = projInitArgv(count, (char **)words);
            Tcl_Free((char *)words);
        }
        if (made == NULL) {
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "Error in allocating projection: ", text, (char *)NULL);
            return TCL_ERROR;
        }
        /* A whole coordinate system (init=epsg:3857) is made, but no
         * point goes through it: refused now, as PROJ's proj does. */
        const char *refusal = projPointRefusal(made);
        if (refusal != NULL) {
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "Error in allocating projection: ", text, ": ", refusal,
                             (char *)NULL);
            projFree(made);
            restoreDefinition(data, previous);
            return TCL_ERROR;
        }
        projFree(data->projection);
        data->projection = made;
    }
    if (!data->inverse) {
        forwardDegrees(data->projection, data->longitude, data->latitude, &data->x, &data->y);
    } else if (!projHasInverse(data->projection)) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("inverse projection not available", -1));
        return TCL_ERROR;
    } else {
        inverseDegrees(data->projection, data->x, data->y, &data->longitude, &data->latitude);
    }
    return TCL_OK;
}

/* A new set-up from a definition text; NULL (message in interp) when
 * the library refuses it. */
ProjData *projDataFromDefinition(Tcl_Interp *interp, const char *text)
{
    ProjData *data = new ProjData();
    const char *words[] = {"-projdef", text};
    if (projObjSetup(data, interp, text != NULL ? 2 : 0, words, 0) != TCL_OK) {
        projDataFree(data);
        return NULL;
    }
    return data;
}

int projObjCount(RAMOBJ *) { return projListCount(); }

int subtypeOf(ProjHandle *projection)
{
    if (projection == NULL) return -1;
    for (ProjParam *p = projParams(projection); p != NULL; p = paramNext(p)) {
        if (strncmp(paramText(p), "proj=", 5) == 0) {
            return projListIndex(paramText(p) + 5);
        }
    }
    return -1;
}

int projObjSubtype(RAMOBJ *obj)
{
    ProjData *data = (ProjData *)obj->data;
    return data != NULL ? subtypeOf(data->projection) : -1;
}

void *projObjClone(void *source, int)
{
    ProjData *from = (ProjData *)source;
    if (from->projdef == NULL) {
        ProjData *copy = new ProjData();
        copy->fmtll = from->fmtll;
        copy->fmtxy = from->fmtxy;
        return copy;
    }
    Tcl_Interp *interp = projInterp;
    Tcl_SavedResult saved;
    Tcl_SaveResult(interp, &saved);
    ProjData *copy = projDataFromDefinition(interp, from->projdef);
    Tcl_RestoreResult(interp, &saved);
    return copy;
}

int projObjSave(RAMOBJ *obj, const char *fileName, int)
{
    ProjData *data = (ProjData *)obj->data;
    if (data == NULL || data->projdef == NULL) return 0;
    return writeWholeText(fileName, data->projdef);
}

void *projObjLoad(const char *fileName, int *status)
{
    std::string text;
    if (!readWholeText(fileName, &text)) return NULL;
    Tcl_Interp *interp = projInterp;
    Tcl_SavedResult saved;
    Tcl_SaveResult(interp, &saved);
    ProjData *data = projDataFromDefinition(interp, text.c_str());
    /* The refusal ("Error in allocating projection: ...") says why. */
    if (data == NULL) objLoadFailure(Tcl_GetStringResult(interp));
    Tcl_RestoreResult(interp, &saved);
    return data;
}

void projObjFree(void *data) { projDataFree((ProjData *)data); }

int projObjModified(RAMOBJ *obj)
{
    ProjData *data = (ProjData *)obj->data;
    return data != NULL ? data->modified : 0;
}

int ifaceHasInverse(void *data)
{
    ProjData *d = (ProjData *)data;
    return d->projection != NULL && projHasInverse(d->projection);
}

int ifaceReversed(void *data) { return ((ProjData *)data)->reversed; }

void ifaceForward(void *data, double u, double v, double *x, double *y)
{
    forwardDegrees(((ProjData *)data)->projection, u, v, x, y);
}

void ifaceInverse(void *data, double x, double y, double *u, double *v)
{
    inverseDegrees(((ProjData *)data)->projection, x, y, u, v);
}

ProjAccessTable projAccessTable = {ifaceHasInverse, ifaceReversed, ifaceForward, ifaceInverse};

int usage(Tcl_Interp *interp, const char *name, const char *pattern)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", name, pattern, (char *)NULL);
    return TCL_ERROR;
}

const char *const projUsage =
    " command (cget class clone close config count info projconfigure params project projget "
    "save type version)";

int project(ProjData *data, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4) return usage(interp, argv[0], " project u v");
    if (data == NULL || data->projection == NULL) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("projection function not defined", -1));
        return TCL_ERROR;
    }
    double point[2];
    if (readCoordinates(interp, argv + 2, 2, point) != TCL_OK) return TCL_ERROR;
    std::string text;
    if (!data->inverse) {
        data->longitude = point[0];
        data->latitude = point[1];
        forwardDegrees(data->projection, data->longitude, data->latitude, &data->x, &data->y);
        text = formatNumber(data->fmtxy, data->x) + " " + formatNumber(data->fmtxy, data->y);
    } else {
        if (!projHasInverse(data->projection)) {
            Tcl_SetObjResult(interp, Tcl_NewStringObj("projection is not inversible", -1));
            return TCL_ERROR;
        }
        data->x = point[0];
        data->y = point[1];
        inverseDegrees(data->projection, data->x, data->y, &data->longitude, &data->latitude);
        text = formatNumber(data->fmtll, data->longitude) + " " +
               formatNumber(data->fmtll, data->latitude);
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text.c_str(), -1));
    return TCL_OK;
}

int projObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ *obj = (RAMOBJ *)clientData;
    if (argc < 2) return usage(interp, argv[0], projUsage);
    /* clone runs among the shared subcommands, before the guard, and
     * sets its copy up through projInterp: never a deleted interpreter. */
    projInterp = interp;
    int status = objDefCommand(clientData, interp, argc, argv);
    if (status != TCL_CONTINUE) return status;
    return projRunGuarded(interp, argv[0], [&]() -> int {
        ProjData *data = (ProjData *)obj->data;
        const char *word = argv[1];
        size_t length = strlen(word);
        Tk_Window win = ovexMainWindow(interp);
        if (word[0] == 'p' && length >= 5) {
            if (prefixOf(word, "project")) return project(data, interp, argc, argv);
            if (data == NULL) {
                Tcl_SetObjResult(interp, Tcl_NewStringObj("Undefined object", -1));
                return TCL_ERROR;
            }
            if (prefixOf(word, "projget")) {
                if (argc != 3) return usage(interp, argv[0], " projget option");
                return ovexConfigureValue(interp, win, projSpecs, (char *)data, argv[2], 0);
            }
            if (prefixOf(word, "projconfigure")) {
                if (argc == 2)
                    return ovexConfigureInfo(interp, win, projSpecs, (char *)data, NULL, 0);
                if (argc == 3)
                    return ovexConfigureInfo(interp, win, projSpecs, (char *)data, argv[2], 0);
                return projObjSetup(data, interp, argc - 2, argv + 2, TK_CONFIG_ARGV_ONLY);
            }
            if (prefixOf(word, "params")) {
                Tcl_Obj *list = Tcl_NewListObj(0, NULL);
                if (data->projection != NULL) {
                    for (ProjParam *p = projParams(data->projection); p; p = paramNext(p)) {
                        Tcl_ListObjAppendElement(NULL, list, Tcl_NewStringObj(paramText(p), -1));
                    }
                }
                Tcl_SetObjResult(interp, list);
                return TCL_OK;
            }
        } else if (word[0] == 'i' && length >= 4 && prefixOf(word, "info")) {
            Tcl_ResetResult(interp);
            if (data != NULL && data->projection != NULL) projObjInfo(interp, data->projection);
            return TCL_OK;
        } else if (word[0] == 't' && length >= 4 && prefixOf(word, "type")) {
            Tcl_ResetResult(interp);
            int index = data != NULL ? subtypeOf(data->projection) : -1;
            if (index >= 0) {
                Tcl_SetObjResult(interp, Tcl_NewStringObj(projEntryId(projListEntry(index)), -1));
            }
            return TCL_OK;
        }
        return usage(interp, argv[0], projUsage);
    });
}

}  // namespace

void projObjInfo(Tcl_Interp *interp, ProjHandle *projection)
{
    Tcl_Obj *list = Tcl_GetObjResult(interp);
    if (Tcl_IsShared(list)) {
        list = Tcl_DuplicateObj(list);
    }
    struct {
        const char *name;
        double (*get)(ProjHandle *);
    } fields[] = {{"a", projGetA},       {"e", projGetE},         {"lam0", projGetLam0},
                  {"phi0", projGetPhi0}, {"x0", projGetX0},       {"y0", projGetY0},
                  {"k0", projGetK0},     {"to_meter", projGetToMeter}, {"fr_meter", projGetFrMeter}};
    for (const auto &field : fields) {
        Tcl_ListObjAppendElement(NULL, list,
                                 Tcl_ObjPrintf("%s %f", field.name, field.get(projection)));
    }
    Tcl_ListObjAppendElement(NULL, list,
                             Tcl_ObjPrintf("datum_type %s", projDatumTypeName(projection)));
    int count;
    const double *p = projDatumParams(projection, &count);
    Tcl_ListObjAppendElement(NULL, list,
                             Tcl_ObjPrintf("datum_params %f %f %f %f %f %f %f", p[0], p[1], p[2],
                                           p[3], p[4], p[5], p[6]));
    Tcl_SetObjResult(interp, list);
}

int projCreateCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ templ = {};
    templ.type = OBJ_PROJ;
    templ.count = projObjCount;
    templ.subtype = projObjSubtype;
    templ.clone = projObjClone;
    templ.save = projObjSave;
    templ.acquire = objAcquire;
    templ.release = objRelease;
    templ.close = objClose;
    templ.load = projObjLoad;
    templ.freeData = projObjFree;
    templ.command = projObjCmd;
    templ.modified = projObjModified;
    templ.interface = &projAccessTable;
    return projObjectCreate(interp, argc, argv, "proj.create", templ, [](Tcl_Interp *ip) {
        ProjData *data = new ProjData();
        /* The object exists even when the default set-up is refused; the
         * message stays in front of the name. */
        projObjSetup(data, ip, 0, NULL, 0);
        return (void *)data;
    });
}
