/*
 * nad2nad_objects.cpp --
 *
 *	Datum-conversion objects: points between NAD27 and NAD83, each side
 *	in degrees or a UTM or State Plane zone, through the region's grid
 *	and optionally a high-precision grid.
 */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>

#include "core/option_engine.h"
#include "core/package.h"
#include "geo/proj/nad_datums.h"
#include "geo/proj/object_kit.h"
#include "geo/proj/proj_commands.h"
#include "geo/proj/proj_library.h"
#include "geo/proj/run_guard.h"

namespace {

struct Nad2nadData {
    char *fmt;
    double ix, iy, ox, oy;
    char *inad, *onad, *region;
    int valid;
    NadDatumSpec *input, *output;
    NadTable *regionTable, *hpTable;
};

Tk_ConfigSpec nadSpecs[] = {
    {TK_CONFIG_STRING, "-r", NULL, NULL, "conus", Tk_Offset(Nad2nadData, region), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_STRING, "-inad", NULL, NULL, "27,utm=10", Tk_Offset(Nad2nadData, inad), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_STRING, "-onad", NULL, NULL, "83,utm=10", Tk_Offset(Nad2nadData, onad), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_DOUBLE, "-ix", NULL, NULL, "500000.0", Tk_Offset(Nad2nadData, ix), 0, NULL},
    {TK_CONFIG_DOUBLE, "-iy", NULL, NULL, "3000000.0", Tk_Offset(Nad2nadData, iy), 0, NULL},
    {TK_CONFIG_DOUBLE, "-ox", NULL, NULL, "499986.22875", Tk_Offset(Nad2nadData, ox), 0, NULL},
    {TK_CONFIG_DOUBLE, "-oy", NULL, NULL, "3000264.81766", Tk_Offset(Nad2nadData, oy), 0, NULL},
    {TK_CONFIG_STRING, "-fmt", NULL, NULL, "%.12g", Tk_Offset(Nad2nadData, fmt), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

const double degToRad = M_PI / 180.0;
const double radToDeg = 180.0 / M_PI;

void nad2nadDataFree(Nad2nadData *d)
{
    if (d == NULL) return;
    delete d->input;
    delete d->output;
    nadFree(d->regionTable);
    nadFree(d->hpTable);
    ovexFreeOptions(nadSpecs, (char *)d, 0);
    delete d;
}

void nad2nadConvert(Nad2nadData *d, double u, double v, double *ou, double *ov)
{
    if (d->input->reversed) std::swap(u, v);
    double lam, phi;
    if (d->input->projection != NULL) {
        projInverse(d->input->projection, u, v, &lam, &phi);
    } else {
        lam = u * degToRad;
        phi = v * degToRad;
    }
    if (!d->input->hp.empty() && d->hpTable != NULL) nadCvtInverse(d->hpTable, lam, phi, &lam, &phi);
    if (d->regionTable != NULL) {
        if (d->input->datum == 83) nadCvtInverse(d->regionTable, lam, phi, &lam, &phi);
        else nadCvtForward(d->regionTable, lam, phi, &lam, &phi);
    }
    if (!d->output->hp.empty() && d->hpTable != NULL) nadCvtForward(d->hpTable, lam, phi, &lam, &phi);
    double x, y;
    if (d->output->projection != NULL) {
        projForward(d->output->projection, lam, phi, &x, &y);
    } else {
        x = lam * radToDeg;
        y = phi * radToDeg;
    }
    if (d->output->reversed) std::swap(x, y);
    *ou = x;
    *ov = y;
}

void restoreText(char **field, const std::string &text)
{
    if (*field != NULL) ckfree(*field);
    *field = NULL;
    if (!text.empty()) {
        *field = (char *)ckalloc(text.size() + 1);
        memcpy(*field, text.c_str(), text.size() + 1);
    }
}

int nad2nadObjSetup(Nad2nadData *d, Tcl_Interp *interp, int argc, const char **argv, int flags)
{
    std::string inad = d->inad != NULL ? d->inad : "";
    std::string onad = d->onad != NULL ? d->onad : "";
    std::string region = d->region != NULL ? d->region : "";
    if (ovexConfigure(interp, ovexMainWindow(interp), nadSpecs, argc, argv, (char *)d, flags) !=
        TCL_OK) {
        return TCL_ERROR;
    }
    std::unique_ptr<NadDatumSpec> newIn, newOut;
    NadTable *hp = NULL, *regionTable = NULL;
    std::string message;
    std::string notes;
    auto fail = [&]() {
        nadFree(hp);
        nadFree(regionTable);
        restoreText(&d->inad, inad);
        restoreText(&d->onad, onad);
        restoreText(&d->region, region);
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, notes.c_str(), message.c_str(), (char *)NULL);
        return TCL_ERROR;
    };
    if (d->inad == NULL) { message = "missing inad specification"; return fail(); }
    if (d->onad == NULL) { message = "missing onad specification"; return fail(); }
    struct Side { const char *text; const std::string &old; NadDatumSpec *installed;
                  std::unique_ptr<NadDatumSpec> &made; const char *name; };
    Side sides[] = {{d->inad, inad, d->input, newIn, "inad"}, {d->onad, onad, d->output, newOut, "onad"}};
    for (Side &side : sides) {
        if (side.installed != NULL && side.old == side.text) continue;
        side.made.reset(nad2nadParseDatum(side.text));
        if (!side.made) {
            message = std::string("error in parsing ") + side.name + ":" + side.text;
            return fail();
        }
        if (!side.made->hp.empty()) {
            if (side.made->datum == 27) {
                notes += std::string("conflict datum and hp in ") + side.name + " specification";
            } else {
                side.made->datum = 83;
            }
        }
    }
    NadDatumSpec *in = newIn ? newIn.get() : d->input;
    NadDatumSpec *out = newOut ? newOut.get() : d->output;
    if (!in->hp.empty() && !out->hp.empty()) {
        message = "Either inad or onad can be high precision but not both";
        return fail();
    }
    const std::string &hpName = !in->hp.empty() ? in->hp : out->hp;
    if (!hpName.empty()) {
        hp = nadInit(hpName.c_str());
        if (hp == NULL) { message = "fail to initialize htab:" + hpName; return fail(); }
    }
    if (d->region != NULL) {
        if (in->hp.empty() && out->hp.empty() && in->datum == out->datum) {
            message = "idential datums";
            return fail();
        }
        regionTable = nadInit(d->region);
        if (regionTable == NULL) {
            message = std::string("error in initializing region:") + d->region;
            return fail();
        }
    } else if (in->datum != out->datum) {
        message = "conversion region (-r) not specified";
        return fail();
    }
    nadFree(d->regionTable);
    d->regionTable = regionTable;
    nadFree(d->hpTable);
    d->hpTable = hp;
    if (newIn) { delete d->input; d->input = newIn.release(); }
    if (newOut) { delete d->output; d->output = newOut.release(); }
    nad2nadConvert(d, d->ix, d->iy, &d->ox, &d->oy);
    d->valid = 1;
    if (!notes.empty()) Tcl_AppendResult(interp, notes.c_str(), (char *)NULL);
    return TCL_OK;
}

Nad2nadData *fromWords(int argc, const char **argv)
{
    Nad2nadData *d = new Nad2nadData();
    Tcl_Interp *interp = projInterp;
    Tcl_SavedResult saved;
    Tcl_SaveResult(interp, &saved);
    int status = nad2nadObjSetup(d, interp, argc, argv, 0);
    Tcl_RestoreResult(interp, &saved);
    if (status != TCL_OK) {
        nad2nadDataFree(d);
        return NULL;
    }
    return d;
}

int objCount(RAMOBJ *) { return 1; }
int objSubtype(RAMOBJ *) { return 0; }

void *objClone(void *source, int)
{
    Nad2nadData *from = (Nad2nadData *)source;
    if (from->inad == NULL && from->onad == NULL && from->region == NULL) {
        Nad2nadData *d = new Nad2nadData();
        restoreText(&d->fmt, from->fmt != NULL ? from->fmt : "");
        d->ix = from->ix, d->iy = from->iy, d->ox = from->ox, d->oy = from->oy;
        return d;
    }
    const char *words[6];
    int n = 0;
    if (from->inad) words[n++] = "-inad", words[n++] = from->inad;
    if (from->onad) words[n++] = "-onad", words[n++] = from->onad;
    if (from->region) words[n++] = "-r", words[n++] = from->region;
    return fromWords(n, words);
}

std::string element(const char *text)
{
    Tcl_Obj *word = Tcl_NewStringObj(text, -1);
    Tcl_Obj *list = Tcl_NewListObj(1, &word);
    Tcl_IncrRefCount(list);
    std::string out = Tcl_GetString(list);
    Tcl_DecrRefCount(list);
    return out;
}

int objSave(RAMOBJ *obj, const char *fileName, int)
{
    Nad2nadData *d = (Nad2nadData *)obj->data;
    if (d == NULL) return 0;
    std::string text;
    if (d->inad) text += "-inad " + element(d->inad) + " ";
    if (d->onad) text += "-onad " + element(d->onad) + " ";
    if (d->region) text += "-r " + element(d->region) + " ";
    char b[256];
    snprintf(b, sizeof b, "-ix %f -iy %f -ox %f -oy %f -fmt ", d->ix, d->iy, d->ox, d->oy);
    text += b + element(d->fmt != NULL ? d->fmt : "");
    return writeWholeText(fileName, text);
}

void *objLoad(const char *fileName, int *)
{
    std::string text;
    if (!readWholeText(fileName, &text)) return NULL;
    int count;
    const char **words;
    if (Tcl_SplitList(NULL, text.c_str(), &count, &words) != TCL_OK) return NULL;
    Nad2nadData *d = fromWords(count, words);
    Tcl_Free((char *)words);
    return d;
}

void objFree(void *data) { nad2nadDataFree((Nad2nadData *)data); }
int objModified(RAMOBJ *obj) { return obj->data != NULL ? ((Nad2nadData *)obj->data)->valid : 0; }

int ifaceHasInverse(void *) { return 0; }
int ifaceReversed(void *data)
{
    Nad2nadData *d = (Nad2nadData *)data;
    return d->input != NULL ? d->input->reversed : 0;
}
void ifaceForward(void *data, double u, double v, double *x, double *y)
{
    nad2nadConvert((Nad2nadData *)data, u, v, x, y);
}
ProjAccessTable nadAccessTable = {ifaceHasInverse, ifaceReversed, ifaceForward, NULL};

const char *const nadUsage =
    " command (cget class clone close config count nadconfigure nad2nad nadget save type version)";

int usage(Tcl_Interp *interp, const char *name, const char *pattern)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", name, pattern, (char *)NULL);
    return TCL_ERROR;
}

int nad2nadObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ *obj = (RAMOBJ *)clientData;
    if (argc < 2) return usage(interp, argv[0], nadUsage);
    /* clone runs among the shared subcommands, before the guard, and
     * sets its copy up through projInterp: never a deleted interpreter. */
    projInterp = interp;
    int status = objDefCommand(clientData, interp, argc, argv);
    if (status != TCL_CONTINUE) return status;
    return projRunGuarded(interp, argv[0], [&]() -> int {
        Nad2nadData *d = (Nad2nadData *)obj->data;
        const char *word = argv[1];
        if (word[0] != 'n' || strlen(word) < 6) return usage(interp, argv[0], nadUsage);
        if (d == NULL) {
            Tcl_SetObjResult(interp, Tcl_NewStringObj("Undefined object", -1));
            return TCL_ERROR;
        }
        Tk_Window win = ovexMainWindow(interp);
        if (strcmp(word, "nad2nad") == 0) {
            if (argc != 4) return usage(interp, argv[0], " nad2nad u v");
            if (d->input == NULL || d->output == NULL) {
                Tcl_SetObjResult(interp, Tcl_NewStringObj("nad2nad not defined", -1));
                return TCL_ERROR;
            }
            double x, y, point[2];
            if (readCoordinates(interp, argv + 2, 2, point) != TCL_OK) return TCL_ERROR;
            nad2nadConvert(d, point[0], point[1], &x, &y);
            std::string text = formatNumber(d->fmt, x) + " " + formatNumber(d->fmt, y);
            Tcl_SetObjResult(interp, Tcl_NewStringObj(text.c_str(), -1));
            return TCL_OK;
        }
        if (prefixOf(word, "nadget")) {
            if (argc != 3) return usage(interp, argv[0], " nadget option");
            return ovexConfigureValue(interp, win, nadSpecs, (char *)d, argv[2], 0);
        }
        if (prefixOf(word, "nadconfigure")) {
            if (argc == 2) return ovexConfigureInfo(interp, win, nadSpecs, (char *)d, NULL, 0);
            if (argc == 3) return ovexConfigureInfo(interp, win, nadSpecs, (char *)d, argv[2], 0);
            return nad2nadObjSetup(d, interp, argc - 2, argv + 2, TK_CONFIG_ARGV_ONLY);
        }
        return usage(interp, argv[0], nadUsage);
    });
}

}  // namespace

int nad2nadCreateCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ templ = {};
    templ.type = OBJ_NAD2NAD;
    templ.count = objCount;
    templ.subtype = objSubtype;
    templ.clone = objClone;
    templ.save = objSave;
    templ.acquire = objAcquire;
    templ.release = objRelease;
    templ.close = objClose;
    templ.load = objLoad;
    templ.freeData = objFree;
    templ.command = nad2nadObjCmd;
    templ.modified = objModified;
    templ.interface = &nadAccessTable;
    return projObjectCreate(interp, argc, argv, "nad2nad.create", templ, [](Tcl_Interp *ip) {
        Nad2nadData *d = new Nad2nadData();
        nad2nadObjSetup(d, ip, 0, NULL, 0);
        return (void *)d;
    });
}
