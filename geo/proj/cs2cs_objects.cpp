/*
 * cs2cs_objects.cpp --
 *
 *	Coordinate-system conversion objects: two PROJ definitions and the
 *	library's datum-aware transformation of single 3-D points between
 *	them; geographic sides take and answer degrees.
 */
#include <stdlib.h>
#include <string.h>

#include <string>

#include "core/option_engine.h"
#include "core/package.h"
#include "geo/proj/object_kit.h"
#include "geo/proj/proj_commands.h"
#include "geo/proj/proj_library.h"
#include "geo/proj/proj_objects.h"
#include "geo/proj/run_guard.h"

namespace {

struct Cs2csData {
    double ix, iy, iz, ox, oy, oz;
    int reversed;
    char *fmt;
    char *ics, *ocs;
    ProjHandle *input, *output;
    int valid;
};

Tk_ConfigSpec cs2csSpecs[] = {
    {TK_CONFIG_STRING, "-ics", NULL, NULL, "proj=utm zone=10 datum=NAD27", Tk_Offset(Cs2csData, ics),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_STRING, "-ocs", NULL, NULL, "proj=utm zone=10 datum=NAD83", Tk_Offset(Cs2csData, ocs),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_DOUBLE, "-ix", NULL, NULL, "500000.0", Tk_Offset(Cs2csData, ix), 0, NULL},
    {TK_CONFIG_DOUBLE, "-iy", NULL, NULL, "3000000.0", Tk_Offset(Cs2csData, iy), 0, NULL},
    {TK_CONFIG_DOUBLE, "-iz", NULL, NULL, "0.0", Tk_Offset(Cs2csData, iz), 0, NULL},
    {TK_CONFIG_DOUBLE, "-ox", NULL, NULL, "499986.22875", Tk_Offset(Cs2csData, ox), 0, NULL},
    {TK_CONFIG_DOUBLE, "-oy", NULL, NULL, "3000264.81766", Tk_Offset(Cs2csData, oy), 0, NULL},
    {TK_CONFIG_DOUBLE, "-oz", NULL, NULL, "0.0", Tk_Offset(Cs2csData, oz), 0, NULL},
    {TK_CONFIG_INT, "-rev", NULL, NULL, "0", Tk_Offset(Cs2csData, reversed), 0, NULL},
    {TK_CONFIG_STRING, "-fmt", NULL, NULL, "%.12g", Tk_Offset(Cs2csData, fmt), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

const double degToRad = 0.017453292519943295;
const double radToDeg = 57.29577951308232;

void cs2csDataFree(Cs2csData *data)
{
    if (data == NULL) return;
    projFree(data->input);
    projFree(data->output);
    ovexFreeOptions(cs2csSpecs, (char *)data, 0);
    delete data;
}

ProjHandle *cs2csInitPJ(const char *text)
{
    int count;
    const char **words;
    if (Tcl_SplitList(NULL, text, &count, &words) != TCL_OK) return NULL;
    ProjHandle *made = projInitArgv(count, (char **)words);
    Tcl_Free((char *)words);
    return made;
}

/* 0 with the point transformed, else the library's code. */
int cs2csTransformPoint(Cs2csData *data, double x, double y, double z, double *ox, double *oy,
                        double *oz)
{
    if (projIsLatLong(data->input)) {
        x *= degToRad;
        y *= degToRad;
    }
    int code = projTransform(data->input, data->output, x, y, z, ox, oy, oz);
    if (code == 0 && projIsLatLong(data->output)) {
        *ox *= radToDeg;
        *oy *= radToDeg;
    }
    return code;
}

/* Sets a string option field to a copy of text (NULL for empty). */
void restoreText(char **field, const std::string &text)
{
    if (*field != NULL) ckfree(*field);
    *field = NULL;
    if (!text.empty()) {
        *field = (char *)ckalloc(text.size() + 1);
        memcpy(*field, text.c_str(), text.size() + 1);
    }
}

int cs2csObjSetup(Cs2csData *data, Tcl_Interp *interp, int argc, const char **argv, int flags)
{
    int reversed = data->reversed;
    double coords[6] = {data->ix, data->iy, data->iz, data->ox, data->oy, data->oz};
    std::string ics = data->ics != NULL ? data->ics : "";
    std::string ocs = data->ocs != NULL ? data->ocs : "";
    if (ovexConfigure(interp, ovexMainWindow(interp), cs2csSpecs, argc, argv, (char *)data,
                      flags) != TCL_OK) {
        return TCL_ERROR;
    }
    ProjHandle *newInput = NULL, *newOutput = NULL;
    const char *message = NULL;
    std::string text;
    if (data->ics == NULL) {
        message = "missing ics specification";
    } else if (data->ocs == NULL) {
        message = "missing ocs specification";
    } else {
        if (data->input == NULL || ics != data->ics) {
            newInput = cs2csInitPJ(data->ics);
            if (newInput == NULL) {
                message = "error in parsing ics:";
                text = data->ics;
            }
        }
        if (message == NULL && (data->output == NULL || ocs != data->ocs)) {
            newOutput = cs2csInitPJ(data->ocs);
            if (newOutput == NULL) {
                message = "error in parsing ocs:";
                text = data->ocs;
            }
        }
    }
    if (message == NULL) {
        /* Both sides made: the library must also find a way between them
         * (a name it does not know is refused here, not at a point). */
        int code = projTransformCheck(newInput != NULL ? newInput : data->input,
                                      newOutput != NULL ? newOutput : data->output);
        if (code != 0) {
            message = "cannot transform from ics to ocs: ";
            text = projErrorText();
        }
    }
    if (message != NULL) {
        projFree(newInput);
        projFree(newOutput);
        restoreText(&data->ics, ics);
        restoreText(&data->ocs, ocs);
        data->reversed = reversed;
        data->ix = coords[0], data->iy = coords[1], data->iz = coords[2];
        data->ox = coords[3], data->oy = coords[4], data->oz = coords[5];
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, message, text.c_str(), (char *)NULL);
        return TCL_ERROR;
    }
    if (newInput != NULL) {
        projFree(data->input);
        data->input = newInput;
    }
    if (newOutput != NULL) {
        projFree(data->output);
        data->output = newOutput;
    }
    /* A point the library cannot transform leaves the previous output. */
    double ox, oy, oz;
    if (cs2csTransformPoint(data, data->ix, data->iy, data->iz, &ox, &oy, &oz) == 0) {
        data->ox = ox, data->oy = oy, data->oz = oz;
    }
    data->valid = 1;
    return TCL_OK;
}

Cs2csData *cs2csFromWords(Tcl_Interp *interp, int argc, const char **argv)
{
    Cs2csData *data = new Cs2csData();
    Tcl_SavedResult saved;
    Tcl_SaveResult(interp, &saved);
    int status = cs2csObjSetup(data, interp, argc, argv, 0);
    Tcl_RestoreResult(interp, &saved);
    if (status != TCL_OK) {
        cs2csDataFree(data);
        return NULL;
    }
    return data;
}

int cs2csObjCount(RAMOBJ *) { return projListCount(); }

int cs2csObjSubtype(RAMOBJ *obj)
{
    Cs2csData *data = (Cs2csData *)obj->data;
    if (data == NULL || data->output == NULL) return -1;
    for (ProjParam *p = projParams(data->output); p != NULL; p = paramNext(p)) {
        if (strncmp(paramText(p), "proj=", 5) == 0) return projListIndex(paramText(p) + 5);
    }
    return -1;
}

void *cs2csObjClone(void *source, int)
{
    Cs2csData *from = (Cs2csData *)source;
    const char *words[4];
    int n = 0;
    if (from->ics != NULL) words[n++] = "-ics", words[n++] = from->ics;
    if (from->ocs != NULL) words[n++] = "-ocs", words[n++] = from->ocs;
    return cs2csFromWords(projInterp, n, words);
}

int cs2csObjSave(RAMOBJ *obj, const char *fileName, int)
{
    Cs2csData *data = (Cs2csData *)obj->data;
    if (data == NULL) return 0;
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    Tcl_IncrRefCount(list);
    auto add = [&](const char *word) { Tcl_ListObjAppendElement(NULL, list, Tcl_NewStringObj(word, -1)); };
    add("-ics"); add(data->ics != NULL ? data->ics : "");
    add("-ocs"); add(data->ocs != NULL ? data->ocs : "");
    std::string text = Tcl_GetString(list);
    Tcl_DecrRefCount(list);
    text += " -ix " + formatNumber("%.12g", data->ix) + " -iy " + formatNumber("%.12g", data->iy) +
            " -ox " + formatNumber("%.12g", data->ox) + " -oy " + formatNumber("%.12g", data->oy) +
            " -rev " + std::to_string(data->reversed) + " -fmt ";
    Tcl_Obj *fmtWord = Tcl_NewStringObj(data->fmt != NULL ? data->fmt : "", -1);
    Tcl_Obj *one = Tcl_NewListObj(1, &fmtWord);
    Tcl_IncrRefCount(one);
    text += Tcl_GetString(one);
    Tcl_DecrRefCount(one);
    return writeWholeText(fileName, text);
}

void *cs2csObjLoad(const char *fileName, int *)
{
    std::string text;
    if (!readWholeText(fileName, &text)) return NULL;
    int count;
    const char **words;
    if (Tcl_SplitList(NULL, text.c_str(), &count, &words) != TCL_OK) return NULL;
    Cs2csData *data = cs2csFromWords(projInterp, count, words);
    Tcl_Free((char *)words);
    return data;
}

void cs2csObjFree(void *data) { cs2csDataFree((Cs2csData *)data); }

int cs2csObjModified(RAMOBJ *obj)
{
    Cs2csData *data = (Cs2csData *)obj->data;
    return data != NULL ? data->valid : 0;
}

int ifaceHasInverse(void *) { return 0; }
int ifaceReversed(void *) { return 0; }

void ifaceForward(void *data, double u, double v, double *x, double *y)
{
    Cs2csData *d = (Cs2csData *)data;
    double z;
    projTransform(d->input, d->output, u, v, 0, x, y, &z);
}

ProjAccessTable cs2csAccessTable = {ifaceHasInverse, ifaceReversed, ifaceForward, NULL};

const char *const cs2csUsage =
    " command (cget class clone close config count csconfigure cs2cs csget iinfo iparams oinfo "
    "oparams save type version)";

int usage(Tcl_Interp *interp, const char *name, const char *pattern)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", name, pattern, (char *)NULL);
    return TCL_ERROR;
}

Tcl_Obj *paramList(ProjHandle *projection)
{
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    if (projection != NULL) {
        for (ProjParam *p = projParams(projection); p != NULL; p = paramNext(p)) {
            Tcl_ListObjAppendElement(NULL, list, Tcl_NewStringObj(paramText(p), -1));
        }
    }
    return list;
}

int cs2csObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ *obj = (RAMOBJ *)clientData;
    if (argc < 2) return usage(interp, argv[0], cs2csUsage);
    /* clone runs among the shared subcommands, before the guard, and
     * sets its copy up through projInterp: never a deleted interpreter. */
    projInterp = interp;
    int status = objDefCommand(clientData, interp, argc, argv);
    if (status != TCL_CONTINUE) return status;
    return projRunGuarded(interp, argv[0], [&]() -> int {
        Cs2csData *data = (Cs2csData *)obj->data;
        const char *word = argv[1];
        size_t length = strlen(word);
        Tk_Window win = ovexMainWindow(interp);
        bool listed = (word[0] == 'c' && length >= 5) || (word[0] == 'i' && length >= 4) ||
                      (word[0] == 'o' && length >= 4);
        if (!listed) {
            Tcl_ResetResult(interp);
            return TCL_ERROR;
        }
        if (data == NULL) {
            Tcl_SetObjResult(interp, Tcl_NewStringObj("Undefined object", -1));
            return TCL_ERROR;
        }
        if (strcmp(word, "cs2cs") == 0) {
            if (argc != 5) return usage(interp, argv[0], " cs2cs x y z");
            if (data->input == NULL || data->output == NULL) {
                Tcl_SetObjResult(interp, Tcl_NewStringObj("cs2cs not defined", -1));
                return TCL_ERROR;
            }
            double x, y, z, point[3];
            if (readCoordinates(interp, argv + 2, 3, point) != TCL_OK) return TCL_ERROR;
            if (cs2csTransformPoint(data, point[0], point[1], point[2], &x, &y, &z) != 0) {
                const char *why = projErrorText();
                Tcl_SetObjResult(interp,
                                 Tcl_NewStringObj(*why != '\0' ? why : "transform failed", -1));
                return TCL_ERROR;
            }
            std::string text = formatNumber(data->fmt, x) + " " + formatNumber(data->fmt, y) +
                               " " + formatNumber(data->fmt, z);
            Tcl_SetObjResult(interp, Tcl_NewStringObj(text.c_str(), -1));
            return TCL_OK;
        }
        if (word[0] == 'c' && prefixOf(word, "csget")) {
            if (argc != 3) return usage(interp, argv[0], " csget option");
            return ovexConfigureValue(interp, win, cs2csSpecs, (char *)data, argv[2], 0);
        }
        if (word[0] == 'c' && prefixOf(word, "csconfigure")) {
            if (argc == 2) return ovexConfigureInfo(interp, win, cs2csSpecs, (char *)data, NULL, 0);
            if (argc == 3)
                return ovexConfigureInfo(interp, win, cs2csSpecs, (char *)data, argv[2], 0);
            return cs2csObjSetup(data, interp, argc - 2, argv + 2, TK_CONFIG_ARGV_ONLY);
        }
        ProjHandle *side = word[0] == 'i' ? data->input : data->output;
        if (word[0] != 'c' && (prefixOf(word + 1, "params"))) {
            Tcl_SetObjResult(interp, paramList(side));
            return TCL_OK;
        }
        if (word[0] != 'c' && prefixOf(word + 1, "info")) {
            Tcl_ResetResult(interp);
            if (side != NULL) projObjInfo(interp, side);
            return TCL_OK;
        }
        return usage(interp, argv[0], cs2csUsage);
    });
}

}  // namespace

int cs2csCreateCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ templ = {};
    templ.type = OBJ_CS2CS;
    templ.count = cs2csObjCount;
    templ.subtype = cs2csObjSubtype;
    templ.clone = cs2csObjClone;
    templ.save = cs2csObjSave;
    templ.acquire = objAcquire;
    templ.release = objRelease;
    templ.close = objClose;
    templ.load = cs2csObjLoad;
    templ.freeData = cs2csObjFree;
    templ.command = cs2csObjCmd;
    templ.modified = cs2csObjModified;
    templ.interface = &cs2csAccessTable;
    return projObjectCreate(interp, argc, argv, "cs2cs.create", templ, [](Tcl_Interp *ip) {
        Cs2csData *data = new Cs2csData();
        cs2csObjSetup(data, ip, 0, NULL, 0);
        return (void *)data;
    });
}
