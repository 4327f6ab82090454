/*
 * gcp_object.cpp --
 *
 *	GCP objects: gcp.create makes an object command over a ground control
 *	point set (programs/gcp_set), which scripts edit point by point,
 *	select, fit with a polynomial, evaluate and save. Points are
 *	{id x y u v}: (x, y) in the first system, (u, v) in the second. Ids
 *	are the user's; indexes are positions in the set.
 */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "core/error_note.h"
#include "core/inits.h"
#include "core/objects.h"
#include "core/package.h"
#include "geo/object_create.h"
#include "ovex/ovex.h"
#include "programs/gcp_set.h"

namespace {

const char gcpUsage[] = " [calc config cget class clone close count delete error function get id "
                        "modified reverse save savefunction select set setxy setuv unselect "
                        "version]";

GcpSet *setOf(RAMOBJ *obj)
{
    return (GcpSet *)obj->data;
}

/* ---- Type procedures ---------------------------------------------------------- */

int gcpObjCount(RAMOBJ *obj)
{
    return setOf(obj) != NULL ? setOf(obj)->count : 0;
}

int gcpObjIsSelected(RAMOBJ *obj, int index)
{
    GcpSet *set = setOf(obj);
    return set != NULL && index >= 0 && index < set->count && set->records[index].selected != 0;
}

int gcpObjSubtype(RAMOBJ *obj)
{
    return 256;
}

void *gcpObjClone(void *data, int selected)
{
    GcpSet *copy = newGcpSet((const GcpSet *)data);
    if (copy != NULL && selected == 0) {
        for (int i = 0; i < copy->count; i++) {
            copy->records[i].selected = 1;
        }
    }
    return copy;
}

int gcpObjSave(RAMOBJ *obj, const char *fileName, int selected)
{
    return setOf(obj) != NULL ? saveGcpObj(setOf(obj), fileName) : 0;
}

void *gcpObjLoad(const char *fileName, int *status)
{
    return loadGcpObj(fileName);
}

void gcpObjFree(void *data)
{
    freeGcpSet((GcpSet *)data);
}

int gcpObjModified(RAMOBJ *obj)
{
    return setOf(obj) != NULL ? setOf(obj)->changed : 0;
}

RAMOBJ *gcpObjClose(RAMOBJ *obj)
{
    return objClose(obj);
}

/* ---- Subcommands ---------------------------------------------------------------- */

int usage(Tcl_Interp *interp, const char *argv0, const char *text)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv0, text, (char *)NULL);
    return TCL_ERROR;
}

int fail(Tcl_Interp *interp, const char *message)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, message, (char *)NULL);
    return TCL_ERROR;
}

void appendFormatted(Tcl_Interp *interp, const char *format, ...) OVEX_PRINTF(2, 3);

void appendFormatted(Tcl_Interp *interp, const char *format, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    Tcl_AppendElement(interp, buffer);
}

void appendResidual(Tcl_Interp *interp, const GcpRecord &r)
{
    appendFormatted(interp, "%d %-.12g %-.12g", r.id, (double)r.DX, (double)r.DY);
}

void appendPoint(Tcl_Interp *interp, const GcpRecord &r)
{
    appendFormatted(interp, "%d %-.12g %-.12g %-.12g %-.12g", r.id, r.X1, r.Y1, r.X2, r.Y2);
}

bool isAll(int argc, const char **argv)
{
    return argc == 3 && strcmp(argv[2], "all") == 0;
}

/* error ?id? ...|all: residuals by id. */
int errorWord(GcpSet *set, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) return usage(interp, argv[0], " error ?id? ...|all");
    Tcl_ResetResult(interp);
    if (isAll(argc, argv)) {
        for (int i = 0; i < set->count; i++) appendResidual(interp, set->records[i]);
        return TCL_OK;
    }
    for (int k = 2; k < argc; k++) {
        int index;
        if (findGcp(set, ovexLenientInt(argv[k]), &index)) {
            appendResidual(interp, set->records[index]);
        }
    }
    return TCL_OK;
}

/* get ?index? ...|all: points by index. */
int getWord(GcpSet *set, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) return usage(interp, argv[0], " get ?index? ...|all");
    Tcl_ResetResult(interp);
    if (isAll(argc, argv)) {
        for (int i = 0; i < set->count; i++) appendPoint(interp, set->records[i]);
        return TCL_OK;
    }
    for (int k = 2; k < argc; k++) {
        int index = ovexLenientInt(argv[k]);
        if (index >= 0 && index < set->count) appendPoint(interp, set->records[index]);
    }
    return TCL_OK;
}

/* id ?index? ...|all: ids by index, an empty element for an index out of range. */
int idWord(GcpSet *set, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) return usage(interp, argv[0], " id ?index? ...|all");
    Tcl_ResetResult(interp);
    if (isAll(argc, argv)) {
        for (int i = 0; i < set->count; i++) appendFormatted(interp, "%d", set->records[i].id);
        return TCL_OK;
    }
    for (int k = 2; k < argc; k++) {
        int index = ovexLenientInt(argv[k]);
        if (index >= 0 && index < set->count) {
            appendFormatted(interp, "%d", set->records[index].id);
        } else {
            Tcl_AppendElement(interp, "");
        }
    }
    return TCL_OK;
}

/* select / unselect ?id? ...|all. */
int selectWord(GcpSet *set, Tcl_Interp *interp, int argc, const char **argv, int flag)
{
    if (argc < 3) {
        return usage(interp, argv[0], flag ? " select ?id? ...|all" : " unselect ?id? ...|all");
    }
    if (isAll(argc, argv)) {
        for (int i = 0; i < set->count; i++) set->records[i].selected = flag;
    } else {
        for (int k = 2; k < argc; k++) {
            int index;
            if (findGcp(set, ovexLenientInt(argv[k]), &index)) {
                set->records[index].selected = flag;
            }
        }
    }
    set->changed = 1;
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* set {id x y u v}, setxy {id x y}, setuv {id u v}. */
int setWord(GcpSet *set, Tcl_Interp *interp, int argc, const char **argv, const char *which)
{
    bool whole = strcmp(which, "set") == 0;
    const char *text = whole                        ? " set {id x y u v}"
                       : strcmp(which, "setxy") == 0 ? " setxy {id x y}"
                                                     : " setuv {id u v}";
    int want = whole ? 5 : 3;
    int n = 0;
    const char **items = NULL;
    if (argc != 3 || Tcl_SplitList(NULL, argv[2], &n, &items) != TCL_OK || n != want) {
        if (items != NULL) Tcl_Free((char *)items);
        return usage(interp, argv[0], text);
    }
    int id = ovexLenientInt(items[0]);
    double v[4];
    for (int k = 1; k < n; k++) v[k - 1] = ovexLenientDouble(items[k]);
    Tcl_Free((char *)items);
    int index;
    bool found = findGcp(set, id, &index) != 0;
    if (whole) {
        if (id < 1) return fail(interp, "id must be greater than 0");
        if (!found) {
            if (set->count >= GCP_CAPACITY) return fail(interp, "GCP number overflow");
            index = set->count++;
            memset(&set->records[index], 0, sizeof(GcpRecord));
            set->records[index].selected = 1;
            set->records[index].id = id;
        }
        GcpRecord &r = set->records[index];
        r.X1 = v[0]; r.Y1 = v[1]; r.X2 = v[2]; r.Y2 = v[3];
    } else {
        if (!found) return fail(interp, "can't find specified GCP");
        GcpRecord &r = set->records[index];
        if (which[4] == 'y') {
            r.X1 = v[0]; r.Y1 = v[1];
        } else {
            r.X2 = v[0]; r.Y2 = v[1];
        }
    }
    set->changed = 1;
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int functionWord(GcpSet *set, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) return usage(interp, argv[0], " power");
    int power = ovexLenientInt(argv[2]);
    if (power < 0) power = 0;
    if (!gcpFit(set, power)) return fail(interp, "No enough GCPs");
    /* Each coefficient takes at most about 20 characters in "%.12g". */
    std::string buffer((size_t)set->nterms * 32 + 128, '\0');
    Tcl_ResetResult(interp);
    formatGcpRms(set, "%.12g", &buffer[0], buffer.size());
    Tcl_AppendElement(interp, buffer.c_str());
    formatJcoef(set, "%.12g", &buffer[0], buffer.size());
    Tcl_AppendElement(interp, buffer.c_str());
    formatIcoef(set, "%.12g", &buffer[0], buffer.size());
    Tcl_AppendElement(interp, buffer.c_str());
    return TCL_OK;
}

/*
 * gcpObjCmd --
 *	The shared object subcommands first, then the set's own words by
 *	first letter.
 */
int gcpObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ *obj = (RAMOBJ *)clientData;
    if (argc < 2) return usage(interp, argv[0], gcpUsage);
    int code = objDefCommand(clientData, interp, argc, argv);
    if (code != TCL_CONTINUE) return code;

    const char *word = argv[1];
    size_t length = strlen(word);
    bool own = strchr("cefgirsu", word[0]) != NULL && word[0] != '\0';
    if (word[0] == 'd' && length >= 3) own = true;
    if (!own) return usage(interp, argv[0], gcpUsage);

    GcpSet *set = setOf(obj);
    if (set == NULL) return fail(interp, "Undefined object");

    if (strcmp(word, "calc") == 0) {
        if (argc != 4) return usage(interp, argv[0], " calc x y");
        double y2, x2;
        if (!gcpTransform(set, ovexLenientInt(argv[2]), ovexLenientInt(argv[3]), &y2, &x2)) {
            return fail(interp, "No function is available");
        }
        char buffer[96];
        snprintf(buffer, sizeof buffer, "%.12g %.12g", y2, x2);
        Tcl_SetResult(interp, buffer, TCL_VOLATILE);
        return TCL_OK;
    }
    if (ovexMatchWord(word, "delete", 3)) {
        if (argc != 3) return usage(interp, argv[0], " delete index");
        int index = ovexLenientInt(argv[2]);
        if (index < 0 || index >= set->count) return fail(interp, "Invalid index");
        deleteGcp(set, index);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (strcmp(word, "error") == 0) return errorWord(set, interp, argc, argv);
    if (strcmp(word, "function") == 0) return functionWord(set, interp, argc, argv);
    if (ovexMatchWord(word, "get", 1)) return getWord(set, interp, argc, argv);
    if (strcmp(word, "id") == 0) return idWord(set, interp, argc, argv);
    if (strcmp(word, "reverse") == 0) {
        gcpExchange(set);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (strcmp(word, "select") == 0) return selectWord(set, interp, argc, argv, 1);
    if (strcmp(word, "set") == 0 || strcmp(word, "setxy") == 0 || strcmp(word, "setuv") == 0) {
        return setWord(set, interp, argc, argv, word);
    }
    if (ovexMatchWord(word, "savefunction", 5)) {
        if (argc != 3) return usage(interp, argv[0], " savefuntion fileName");
        /* Without a fit nothing is written, and the answer says why. */
        if (!gcpHasFit(set)) return fail(interp, "No function is available");
        errorNoteListen();
        int saved = gcpToGeorect(set, argv[2]);
        std::string reason = errorNoteMessage();
        errorNoteStop();
        if (!saved) {
            std::string text = "Error in saving";
            if (!reason.empty()) {
                text += ": " + reason;
            }
            return fail(interp, text.c_str());
        }
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (strcmp(word, "unselect") == 0) return selectWord(set, interp, argc, argv, 0);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/*
 * gcpCreateCmd --
 *	gcp.create name ?option value ...?
 */
int gcpCreateCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        return objectCreateUsage(interp, argv[0]);
    }
    RAMOBJ *obj = newObjectRecord(OBJ_GCP);
    if (obj == NULL) return fail(interp, "Error in create gcp obj");
    obj->count = gcpObjCount;
    obj->isSelected = gcpObjIsSelected;
    obj->subtype = gcpObjSubtype;
    obj->clone = gcpObjClone;
    obj->save = gcpObjSave;
    obj->acquire = objAcquire;
    obj->release = objRelease;
    obj->close = gcpObjClose;
    obj->load = gcpObjLoad;
    obj->freeData = gcpObjFree;
    obj->command = gcpObjCmd;
    obj->modified = gcpObjModified;
    if (Tcl_CreateCommand(interp, argv[1], gcpObjCmd, obj, objDelete) == NULL) {
        objDelete(obj);
        Tcl_ResetResult(interp);
        return TCL_ERROR;
    }
    if (registerAndConfigure(interp, obj, argv[1], argc - 2, argv + 2) != TCL_OK) {
        return TCL_ERROR;
    }
    if (obj->data == NULL) {
        obj->data = newGcpSet(NULL);
    }
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, argv[1], (char *)NULL);
    return TCL_OK;
}

} // namespace

int Gcp_Init(Tcl_Interp *interp)
{
    return Tcl_CreateCommand(interp, "gcp.create", gcpCreateCmd, NULL, NULL) == NULL ? 1 : 0;
}
