/*
 * projcompat.cpp --
 *
 *	The one file that speaks to the PROJ library. It keeps a single
 *	library context set up as the library's own command-line tools set
 *	theirs (no logging, the old "+init" rules), looks data files up in
 *	the directories of env(PROJ_LIB) and then the library's data folder,
 *	and turns the handles, fields and lists of the library into the small
 *	interface of proj_library.h. The library is loaded with dlopen when
 *	first needed, so that libproj and what it pulls in (curl, TLS,
 *	Kerberos, SQLite) are not mapped by programs that never project;
 *	without it nothing can be projected and the lists are empty.
 */
#include <proj.h>

#include <dlfcn.h>
#include <limits.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "geo/proj/proj_library.h"
#include "geo/proj/run_guard.h"
#include "ovex/ovexstdio.h"

#ifndef OVEX_PROJ_DATADIR
#define OVEX_PROJ_DATADIR "/usr/share/proj"
#endif
#ifndef OVEX_PROJ_LIBRARY
#error "OVEX_PROJ_LIBRARY: the file name (soname) of the PROJ library, given by the build"
#endif

const double projErrorValue = HUGE_VAL;

struct ProjHandle {
    PJ *op = nullptr;           /* the operation made from the words */
    std::string definition;     /* the library's expanded definition text */
    /* The definition as words without "+"; a word may hold blanks (a
     * grid path), so the text above is never split again to find them. */
    std::vector<std::string> words;
    std::vector<std::string> given;  /* the words as given, for transformations */
    ProjParam *params = nullptr;
    int hasInverse = 0;
    int latlong = 0;
    int angularInput = 0;  /* the operation takes longitude and latitude */
    /* An oblique transformation about a latitude/longitude system gives
     * angles: as the classic programs do, its plane coordinates are
     * (angle + x_0) in the definition's units. */
    int obliqueAngles = 0;
    double a = 0, e = 0, lam0 = 0, phi0 = 0, x0 = 0, y0 = 0, k0 = 1;
    double toMeter = 1, frMeter = 1;
    int datumType = 0;
    double datumParams[7] = {0, 0, 0, 0, 0, 0, 0};
    /* The last transformation asked for with this handle as source. */
    PJ *transOp = nullptr;
    std::vector<std::string> transTarget;
    PJ_CONTEXT *transContext = nullptr;
};

struct NadTable {
    PJ *op;
};

namespace {

/* The functions of the library this file calls. */
#define PROJ_CALLS(X) \
    X(proj_angular_input) X(proj_angular_output) X(proj_context_create) \
    X(proj_context_errno) X(proj_context_errno_string) X(proj_context_set_file_finder) \
    X(proj_context_set_search_paths) X(proj_context_use_proj4_init_rules) X(proj_coord) \
    X(proj_coordoperation_get_param) X(proj_coordoperation_get_param_count) X(proj_create) \
    X(proj_create_argv) X(proj_create_crs_to_crs_from_pj) X(proj_crs_get_coordoperation) \
    X(proj_destroy) X(proj_dmstor) X(proj_errno) X(proj_errno_reset) X(proj_factors) \
    X(proj_get_source_crs) X(proj_get_type) X(proj_list_ellps) X(proj_list_operations) \
    X(proj_list_units) X(proj_log_func) X(proj_log_level) X(proj_pj_info) X(proj_trans)

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
struct ProjCalls {
#define PROJ_MEMBER(name) decltype(&::name) name;
    PROJ_CALLS(PROJ_MEMBER)
#undef PROJ_MEMBER
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

/* lastError when the library could not be loaded; loadFailure says why. */
const int PROJ_UNAVAILABLE = INT_MIN;
char loadFailure[512];

const ProjCalls *loadProj()
{
    static ProjCalls calls;
    /* Kept loaded for the life of the process, as linking it would. */
    void *library = dlopen(OVEX_PROJ_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char *why = dlerror();
        snprintf(loadFailure, sizeof(loadFailure), "Error in loading PROJ: %s",
                 why != nullptr ? why : OVEX_PROJ_LIBRARY);
        return nullptr;
    }
#define PROJ_BIND(name)                                                                  \
    calls.name = (decltype(calls.name))dlsym(library, #name);                            \
    if (calls.name == nullptr) {                                                         \
        snprintf(loadFailure, sizeof(loadFailure), "Error in loading PROJ: %s lacks %s", \
                 OVEX_PROJ_LIBRARY, #name);                                              \
        dlclose(library);                                                                \
        return nullptr;                                                                  \
    }
    PROJ_CALLS(PROJ_BIND)
#undef PROJ_BIND
    return &calls;
}

/* The library's functions, or NULL when it cannot be loaded. */
const ProjCalls *projLoaded()
{
    static const ProjCalls *calls = loadProj();
    return calls;
}

/* The functions, where a handle or an earlier check shows them loaded. */
const ProjCalls &pj()
{
    return *projLoaded();
}

ProjFileFinder *userFinder = nullptr;
bool userFinderSet = false;

const char *finderTrampoline(PJ_CONTEXT *, const char *name, void *)
{
    return userFinder != nullptr ? userFinder(name) : nullptr;
}

/* The library's last error message: its error codes alone are often
 * generic ("Unknown error"), its log says what was wrong. Nothing is
 * printed. */
std::string lastLogMessage;

void recordLog(void *, int level, const char *message)
{
    if (level <= PJ_LOG_ERROR && message != nullptr) lastLogMessage = message;
}

PJ_CONTEXT *context()
{
    static PJ_CONTEXT *ctx = nullptr;
    static std::string lastProjLib;
    /* A guarded run (cs2cs over a million points) looks PROJ_LIB up once:
     * each lookup reads the process environment through Tcl's env array. */
    static unsigned long checkedRun = 0;
    unsigned long run = projRunSerial();
    if (ctx != nullptr && run != 0 && run == checkedRun) {
        return ctx;
    }
    checkedRun = run;
    const char *env = ovex_getenv("PROJ_LIB");
    std::string now = env != nullptr ? env : "";
    if (ctx == nullptr || now != lastProjLib) {
        /* A fresh context: the library remembers which grids it found.
         * Handles made under the old one keep it, so it is never freed. */
        static std::vector<PJ_CONTEXT *> *made = new std::vector<PJ_CONTEXT *>;
        lastProjLib = now;
        ctx = pj().proj_context_create();
        made->push_back(ctx);
        pj().proj_log_level(ctx, PJ_LOG_ERROR);
        pj().proj_log_func(ctx, nullptr, recordLog);
        pj().proj_context_use_proj4_init_rules(ctx, 1);
        if (userFinderSet) {
            pj().proj_context_set_file_finder(ctx, finderTrampoline, nullptr);
        }
        std::vector<std::string> dirs;
        size_t start = 0;
        while (start <= now.size() && !now.empty()) {
            size_t colon = now.find(':', start);
            std::string dir = now.substr(start, colon == std::string::npos ? std::string::npos
                                                                          : colon - start);
            if (!dir.empty()) {
                dirs.push_back(dir);
            }
            if (colon == std::string::npos) {
                break;
            }
            start = colon + 1;
        }
        dirs.push_back(OVEX_PROJ_DATADIR);
        std::vector<const char *> paths;
        for (const std::string &dir : dirs) {
            paths.push_back(dir.c_str());
        }
        pj().proj_context_set_search_paths(ctx, (int)paths.size(), paths.data());
    }
    return ctx;
}

int lastError = 0;

typedef std::vector<std::string> Words;

/* Value of name= among words without "+"; false when not there. */
bool definitionValue(const Words &def, const char *name, std::string *value)
{
    size_t len = strlen(name);
    for (const std::string &word : def) {
        if (word.compare(0, len, name) == 0 && word.size() > len && word[len] == '=') {
            *value = word.substr(len + 1);
            return true;
        }
        if (word == name) {
            *value = "";
            return true;
        }
    }
    return false;
}

double numberValue(const Words &def, const char *name, double fallback, bool *given = nullptr)
{
    std::string text;
    if (!definitionValue(def, name, &text)) {
        if (given) *given = false;
        return fallback;
    }
    if (given) *given = true;
    return atof(text.c_str());
}

double angleValue(const Words &def, const char *name)
{
    std::string text;
    if (!definitionValue(def, name, &text)) {
        return 0;
    }
    double r = pj().proj_dmstor(text.c_str(), nullptr);
    return r == HUGE_VAL ? 0 : r;
}

/* Major axis and eccentricity from the ellipsoid words of a definition. */
void setEllipsoid(ProjHandle *h)
{
    const Words &def = h->words;
    double a = 0, es = -1;
    std::string text;
    if (definitionValue(def, "ellps", &text)) {
        for (const PJ_ELLPS *el = pj().proj_list_ellps(); el->id != nullptr; el++) {
            if (text == el->id) {
                Words pair = {el->major, el->ell};
                a = numberValue(pair, "a", 0);
                bool given;
                double rf = numberValue(pair, "rf", 0, &given);
                if (given && rf != 0) {
                    double f = 1 / rf;
                    es = 2 * f - f * f;
                }
                double b = numberValue(pair, "b", 0, &given);
                if (given && a != 0) {
                    es = 1 - (b * b) / (a * a);
                }
                break;
            }
        }
    }
    bool given;
    double R = numberValue(def, "R", 0, &given);
    if (given) {
        a = R;
        es = 0;
    }
    double v = numberValue(def, "a", 0, &given);
    if (given) a = v;
    v = numberValue(def, "es", 0, &given);
    if (given) es = v;
    v = numberValue(def, "e", 0, &given);
    if (given) es = v * v;
    v = numberValue(def, "rf", 0, &given);
    if (given && v != 0) es = 2 / v - 1 / (v * v);
    v = numberValue(def, "f", 0, &given);
    if (given) es = 2 * v - v * v;
    v = numberValue(def, "b", 0, &given);
    if (given && a != 0) es = 1 - (v * v) / (a * a);
    h->a = a;
    h->e = es > 0 ? sqrt(es) : 0;
}

/* Datum type code and parameters from the expanded definition. */
void setDatum(ProjHandle *h)
{
    const Words &def = h->words;
    std::string text;
    if (definitionValue(def, "nadgrids", &text)) {
        h->datumType = 3;
        return;
    }
    if (!definitionValue(def, "towgs84", &text)) {
        return;
    }
    double v[7] = {0, 0, 0, 0, 0, 0, 0};
    int n = 0;
    const char *p = text.c_str();
    while (*p != '\0' && n < 7) {
        char *end;
        v[n++] = strtod(p, &end);
        p = end;
        if (*p == ',') p++;
        else break;
    }
    memcpy(h->datumParams, v, sizeof v);
    if (n == 7) {
        h->datumType = 2;
        for (int i = 3; i < 6; i++) {
            h->datumParams[i] = v[i] * M_PI / 648000.0;
        }
        h->datumParams[6] = 1.0 + v[6] / 1000000.0;
    } else if (n == 3) {
        h->datumType = 1;
        std::string ellps;
        definitionValue(def, "ellps", &ellps);
        if (v[0] == 0 && v[1] == 0 && v[2] == 0 && (ellps == "WGS84" || ellps == "GRS80")) {
            h->datumType = 4;
        }
    }
}

/* "+name=value" of a word for a definition text: a value holding
 * blanks goes in double quotes (quotes in it doubled), which the
 * library's parser reads back as one word. */
std::string textWord(const std::string &word)
{
    size_t equals = word.find('=');
    if (word.find_first_of(" \t") == std::string::npos || equals == std::string::npos) {
        return "+" + word;
    }
    std::string out = "+" + word.substr(0, equals + 1) + "\"";
    for (size_t i = equals + 1; i < word.size(); i++) {
        out += word[i];
        if (word[i] == '"') out += '"';
    }
    return out + "\"";
}

/* "+w1 +w2 ... +type=crs" of a definition; a definition of one word
 * naming a system by authority and code ("EPSG:3857") is that word. */
std::string crsDefinition(const Words &def)
{
    if (def.size() == 1 && def[0].find(':') != std::string::npos
        && def[0].find('=') == std::string::npos && def[0][0] != '-') {
        return def[0];
    }
    std::string out;
    for (const std::string &word : def) {
        /* Flag words of ours (such as -r) are not the library's. */
        if (!word.empty() && word[0] != '-') out += textWord(word) + " ";
    }
    return out + "+type=crs";
}

/* A word as the library's definition text shows it: runs of blanks
 * as one, none beside "=" or ",". */
std::string shownWord(const std::string &word)
{
    std::string out;
    for (char c : word) {
        bool blank = c == ' ' || c == '\t';
        if (blank && (out.empty() || out.back() == ' ' || out.back() == '=' || out.back() == ',')) {
            continue;
        }
        if ((c == '=' || c == ',') && !out.empty() && out.back() == ' ') out.pop_back();
        out += blank ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

/* The words of the library's definition text. Blanks part words, except
 * inside a given word that holds blanks: that word is taken whole. */
Words definitionWords(const std::string &def, const Words &given)
{
    std::vector<std::pair<std::string, const std::string *>> blanked;
    for (const std::string &word : given) {
        if (word.find_first_of(" \t") != std::string::npos) {
            blanked.emplace_back(shownWord(word), &word);
        }
    }
    Words words;
    size_t pos = 0;
    while (pos < def.size()) {
        if (def[pos] == ' ') {
            pos++;
            continue;
        }
        bool taken = false;
        for (const auto &b : blanked) {
            size_t end = pos + b.first.size();
            if (!b.first.empty() && def.compare(pos, b.first.size(), b.first) == 0
                && (end == def.size() || def[end] == ' ')) {
                words.push_back(*b.second);
                pos = end;
                taken = true;
                break;
            }
        }
        if (taken) continue;
        size_t end = def.find(' ', pos);
        if (end == std::string::npos) end = def.size();
        words.push_back(def.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

/* Origin, false origin and scale from the library's own reading of the
 * conversion, falling back to the words when it has none. */
void setConversion(ProjHandle *h)
{
    const Words &def = h->words;
    h->lam0 = angleValue(def, "lon_0");
    h->phi0 = angleValue(def, "lat_0");
    h->x0 = numberValue(def, "x_0", 0);
    h->y0 = numberValue(def, "y_0", 0);
    h->k0 = numberValue(def, "k_0", numberValue(def, "k", 1));
    std::string crsText = crsDefinition(def);
    PJ_CONTEXT *ctx = context();
    PJ *crs = pj().proj_create(ctx, crsText.c_str());
    if (crs == nullptr) {
        pj().proj_errno_reset(nullptr);
        return;
    }
    if (pj().proj_get_type(crs) == PJ_TYPE_BOUND_CRS) {
        /* A datum shift wraps the projected system. */
        PJ *base = pj().proj_get_source_crs(ctx, crs);
        pj().proj_destroy(crs);
        crs = base;
        if (crs == nullptr) {
            pj().proj_errno_reset(nullptr);
            return;
        }
    }
    PJ *conv = pj().proj_crs_get_coordoperation(ctx, crs);
    if (conv != nullptr) {
        int count = pj().proj_coordoperation_get_param_count(ctx, conv);
        for (int i = 0; i < count; i++) {
            const char *name, *auth, *code, *valueText, *unitName, *unitAuth, *unitCode,
                *unitCategory;
            double value, factor;
            if (!pj().proj_coordoperation_get_param(ctx, conv, i, &name, &auth, &code, &value,
                                               &valueText, &factor, &unitName, &unitAuth,
                                               &unitCode, &unitCategory) || code == nullptr) {
                continue;
            }
            double v = value * factor;
            int epsg = atoi(code);
            switch (epsg) {
            case 8802: case 8822: case 8812: h->lam0 = v; break;
            case 8801: case 8821: case 8811: h->phi0 = v; break;
            case 8805: case 8815: h->k0 = value; break;
            case 8806: case 8826: case 8816: h->x0 = v; break;
            case 8807: case 8827: case 8817: h->y0 = v; break;
            default: break;
            }
        }
        pj().proj_destroy(conv);
    }
    pj().proj_destroy(crs);
}

void setUnits(ProjHandle *h)
{
    std::string text;
    double toMeter = 1;
    if (definitionValue(h->words, "to_meter", &text)) {
        const char *slash = strchr(text.c_str(), '/');
        toMeter = atof(text.c_str());
        if (slash != nullptr && atof(slash + 1) != 0) {
            toMeter /= atof(slash + 1);
        }
    } else if (definitionValue(h->words, "units", &text)) {
        double f = projUnitToMeter(text.c_str());
        if (f != 0) toMeter = f;
    }
    h->toMeter = toMeter;
    h->frMeter = toMeter != 0 ? 1 / toMeter : 0;
}

void freeParams(ProjParam *p)
{
    while (p != nullptr) {
        ProjParam *next = p->next;
        free(p->param);
        delete p;
        p = next;
    }
}

/* The library's lists, empty without the library. */
const PJ_UNITS *unitList()
{
    static const PJ_UNITS none[1] = {};
    return projLoaded() != nullptr ? pj().proj_list_units() : none;
}

const PJ_OPERATIONS *operationList()
{
    static const PJ_OPERATIONS none[1] = {};
    return projLoaded() != nullptr ? pj().proj_list_operations() : none;
}

const PJ_ELLPS *ellpsList()
{
    static const PJ_ELLPS none[1] = {};
    return projLoaded() != nullptr ? pj().proj_list_ellps() : none;
}

}  // namespace

ProjHandle *projInitArgv(int argc, char **argv)
{
    if (projLoaded() == nullptr) {
        lastError = PROJ_UNAVAILABLE;
        return nullptr;
    }
    PJ_CONTEXT *ctx = context();
    pj().proj_context_errno(ctx);
    lastLogMessage.clear();
    PJ *op = pj().proj_create_argv(ctx, argc, argv);
    if (op == nullptr) {
        lastError = pj().proj_context_errno(ctx);
        pj().proj_errno_reset(nullptr);
        return nullptr;
    }
    lastError = 0;
    ProjHandle *h = new ProjHandle;
    h->op = op;
    for (int i = 0; i < argc; i++) {
        h->given.push_back(argv[i][0] == '+' ? argv[i] + 1 : argv[i]);
    }
    PJ_PROJ_INFO info = pj().proj_pj_info(op);
    h->definition = info.definition != nullptr ? info.definition : "";
    h->words = definitionWords(h->definition, h->given);
    h->hasInverse = info.has_inverse;
    h->latlong = pj().proj_angular_input(op, PJ_FWD) && pj().proj_angular_output(op, PJ_FWD);
    ProjParam **tail = &h->params;
    for (const std::string &word : h->words) {
        ProjParam *node = new ProjParam;
        node->next = nullptr;
        node->used = 0;
        node->param = strdup(word.c_str());
        *tail = node;
        tail = &node->next;
    }
    /* Points are projected on the definition's own ellipsoid: the
     * library would otherwise read them as WGS84 and shift them first. */
    std::string bare;
    for (const std::string &word : h->words) {
        if (word.compare(0, 8, "towgs84=") != 0 && word.compare(0, 9, "nadgrids=") != 0
            && word.compare(0, 6, "datum=") != 0) {
            bare += textWord(word) + " ";
        }
    }
    if (bare != "") {
        PJ *plain = pj().proj_create(ctx, bare.c_str());
        if (plain != nullptr) {
            pj().proj_destroy(h->op);
            h->op = plain;
        } else {
            pj().proj_errno_reset(nullptr);
        }
    }
    h->angularInput = pj().proj_angular_input(h->op, PJ_FWD);
    setEllipsoid(h);
    setDatum(h);
    setUnits(h);
    if (!h->latlong) {
        setConversion(h);
    }
    std::string inner;
    if (definitionValue(h->words, "proj", &inner) && inner == "ob_tran"
        && definitionValue(h->words, "o_proj", &inner)
        && (inner == "latlon" || inner == "latlong" || inner == "lonlat" || inner == "longlat")) {
        h->obliqueAngles = 1;
        h->x0 = numberValue(h->words, "x_0", 0);
        h->y0 = numberValue(h->words, "y_0", 0);
    }
    return h;
}

void projFree(ProjHandle *P)
{
    if (P == nullptr) return;
    pj().proj_destroy(P->transOp);
    pj().proj_destroy(P->op);
    freeParams(P->params);
    delete P;
}

int projHasInverse(ProjHandle *P) { return P->hasInverse ? 1 : 0; }

const char *projPointRefusal(ProjHandle *P)
{
    /* The words PROJ's own proj program refuses such a definition with. */
    if (!P->angularInput) return "can't initialize operations that take non-angular input coordinates";
    return nullptr;
}

int projSameDatum(ProjHandle *a, ProjHandle *b)
{
    if (a->datumType == 0 || b->datumType == 0) return 1;
    if (a->datumType != b->datumType || a->a != b->a || a->e != b->e) return 0;
    if (a->datumType == 3) {
        std::string ga, gb;
        definitionValue(a->words, "nadgrids", &ga);
        definitionValue(b->words, "nadgrids", &gb);
        return ga == gb;
    }
    return memcmp(a->datumParams, b->datumParams, sizeof a->datumParams) == 0;
}
int projIsLatLong(ProjHandle *P) { return P->latlong; }
const char *projDefinition(ProjHandle *P) { return P->definition.c_str(); }

static void transOne(PJ *op, PJ_DIRECTION dir, double u, double v, double *x, double *y)
{
    PJ_COORD c = pj().proj_coord(u, v, 0, 0);
    pj().proj_errno_reset(op);
    PJ_COORD r = pj().proj_trans(op, dir, c);
    if (pj().proj_errno(op) != 0 || r.xy.x == HUGE_VAL) {
        lastError = pj().proj_errno(op);
        pj().proj_errno_reset(op);
        *x = *y = HUGE_VAL;
        return;
    }
    *x = r.xy.x;
    *y = r.xy.y;
}

void projForward(ProjHandle *P, double lam, double phi, double *x, double *y)
{
    transOne(P->op, PJ_FWD, lam, phi, x, y);
    if (P->obliqueAngles && *x != HUGE_VAL) {
        *x = P->frMeter * (*x + P->x0);
        *y = P->frMeter * (*y + P->y0);
    }
}

void projInverse(ProjHandle *P, double x, double y, double *lam, double *phi)
{
    if (!P->hasInverse) {
        *lam = *phi = HUGE_VAL;
        return;
    }
    if (P->obliqueAngles) {
        x = P->toMeter * x - P->x0;
        y = P->toMeter * y - P->y0;
    }
    transOne(P->op, PJ_INV, x, y, lam, phi);
}

void projApply(ProjFunction *fn, ProjHandle *P, double u, double v, double *x, double *y)
{
    fn(P, u, v, x, y);
}

/* Makes (or keeps) src's transformation to dst; 0 or the error code. */
static int prepareTransform(ProjHandle *src, ProjHandle *dst)
{
    PJ_CONTEXT *ctx = context();
    /* Compared as words, so that no definition text is built per point. */
    const std::vector<std::string> &target = dst->given;
    if (src->transOp == nullptr || src->transTarget != target || src->transContext != ctx) {
        pj().proj_destroy(src->transOp);
        src->transOp = nullptr;
        src->transTarget.clear();
        lastLogMessage.clear();
        PJ *a = pj().proj_create(ctx, crsDefinition(src->given).c_str());
        PJ *b = a != nullptr ? pj().proj_create(ctx, crsDefinition(target).c_str()) : nullptr;
        PJ *op = b != nullptr ? pj().proj_create_crs_to_crs_from_pj(ctx, a, b, nullptr, nullptr)
                              : nullptr;
        pj().proj_destroy(a);
        pj().proj_destroy(b);
        if (op == nullptr) {
            lastError = pj().proj_context_errno(ctx);
            /* The context's code may be an earlier one's: the log is this one's. */
            if (lastError == 0 || !lastLogMessage.empty()) lastError = -1;
            pj().proj_errno_reset(nullptr);
            return lastError;
        }
        src->transOp = op;
        src->transTarget = target;
        src->transContext = ctx;
    }
    return 0;
}

int projTransformCheck(ProjHandle *src, ProjHandle *dst) { return prepareTransform(src, dst); }

int projTransform(ProjHandle *src, ProjHandle *dst, double x, double y, double z, double *ox,
                  double *oy, double *oz)
{
    if (prepareTransform(src, dst) != 0) return lastError;
    const double toDeg = 180.0 / M_PI;
    double zz = z;
    PJ_COORD c = src->latlong ? pj().proj_coord(x * toDeg, y * toDeg, zz, HUGE_VAL)
                              : pj().proj_coord(x, y, zz, HUGE_VAL);
    pj().proj_errno_reset(src->transOp);
    lastLogMessage.clear();
    PJ_COORD r = pj().proj_trans(src->transOp, PJ_FWD, c);
    int err = pj().proj_errno(src->transOp);
    if (err != 0 || r.xyz.x == HUGE_VAL) {
        lastError = err != 0 ? err : -1;
        pj().proj_errno_reset(src->transOp);
        return lastError;
    }
    if (dst->latlong) {
        r.xyz.x /= toDeg;
        r.xyz.y /= toDeg;
    }
    *ox = r.xyz.x;
    *oy = r.xyz.y;
    if (oz != nullptr) *oz = r.xyz.z;
    return 0;
}

const char *projErrorText(void)
{
    if (lastError == 0) return "";
    if (lastError == PROJ_UNAVAILABLE) return loadFailure;
    /* No code of its own: the library's logged message says what failed. */
    if (lastError == -1 && !lastLogMessage.empty()) {
        return lastLogMessage.c_str();
    }
    const char *text = pj().proj_context_errno_string(context(), lastError);
    return text != nullptr ? text : "";
}

double projGetA(ProjHandle *P) { return P->a; }
double projGetE(ProjHandle *P) { return P->e; }
double projGetLam0(ProjHandle *P) { return P->lam0; }
double projGetPhi0(ProjHandle *P) { return P->phi0; }
double projGetX0(ProjHandle *P) { return P->x0; }
double projGetY0(ProjHandle *P) { return P->y0; }
double projGetK0(ProjHandle *P) { return P->k0; }
double projGetToMeter(ProjHandle *P) { return P->toMeter; }
double projGetFrMeter(ProjHandle *P) { return P->frMeter; }

const char *projDatumTypeName(ProjHandle *P)
{
    switch (P->datumType) {
    case 1: return "3PARAM";
    case 2: return "7PARAM";
    case 3: return "GRIDSHIFT";
    case 4: return "WGS84";
    default: return "UNKNOWN";
    }
}

const double *projDatumParams(ProjHandle *P, int *count)
{
    *count = 7;
    return P->datumParams;
}

ProjParam *projParams(ProjHandle *P) { return P->params; }
ProjParam *paramNext(ProjParam *node) { return node->next; }
const char *paramText(ProjParam *node) { return node->param; }
int paramUsed(ProjParam *node) { return node->used; }

NadTable *nadInit(const char *name)
{
    if (projLoaded() == nullptr) {
        lastError = PROJ_UNAVAILABLE;
        return nullptr;
    }
    std::string text = "+proj=hgridshift " + textWord(std::string("grids=") + name);
    PJ *op = pj().proj_create(context(), text.c_str());
    if (op == nullptr) {
        lastError = pj().proj_context_errno(context());
        pj().proj_errno_reset(nullptr);
        return nullptr;
    }
    return new NadTable{op};
}

void nadFree(NadTable *table)
{
    if (table == nullptr) return;
    pj().proj_destroy(table->op);
    delete table;
}

void nadCvtForward(NadTable *table, double lam, double phi, double *outLam, double *outPhi)
{
    transOne(table->op, PJ_FWD, lam, phi, outLam, outPhi);
}

void nadCvtInverse(NadTable *table, double lam, double phi, double *outLam, double *outPhi)
{
    transOne(table->op, PJ_INV, lam, phi, outLam, outPhi);
}

/* ---- lists ---- */

ProjListEntry *projListFirst(void) { return (ProjListEntry *)operationList(); }

ProjListEntry *projListNext(ProjListEntry *entry)
{
    const PJ_OPERATIONS *op = (const PJ_OPERATIONS *)entry;
    return op->id != nullptr ? (ProjListEntry *)(op + 1) : nullptr;
}

int projListCount(void)
{
    int n = 0;
    for (const PJ_OPERATIONS *op = operationList(); op->id != nullptr; op++) n++;
    return n;
}

ProjListEntry *projListEntry(int index)
{
    return index < 0 ? nullptr : (ProjListEntry *)(operationList() + index);
}

int projListIndex(const char *id)
{
    int i = 0;
    for (const PJ_OPERATIONS *op = operationList(); op->id != nullptr; op++, i++) {
        if (strcmp(op->id, id) == 0) return i;
    }
    return -1;
}

const char *projEntryDescr(ProjListEntry *entry)
{
    const PJ_OPERATIONS *op = (const PJ_OPERATIONS *)entry;
    if (op == nullptr || op->descr == nullptr) return nullptr;
    return *op->descr;
}

const char *projEntryId(ProjListEntry *entry) { return ((const PJ_OPERATIONS *)entry)->id; }

EllpsListEntry *ellpsListFirst(void) { return (EllpsListEntry *)ellpsList(); }

EllpsListEntry *ellpsListNext(EllpsListEntry *entry)
{
    const PJ_ELLPS *el = (const PJ_ELLPS *)entry;
    return el->id != nullptr ? (EllpsListEntry *)(el + 1) : nullptr;
}

int ellpsListCount(void)
{
    int n = 0;
    for (const PJ_ELLPS *el = ellpsList(); el->id != nullptr; el++) n++;
    return n;
}

EllpsListEntry *ellpsListEntry(int index)
{
    return index < 0 ? nullptr : (EllpsListEntry *)(ellpsList() + index);
}

int ellpsListIndex(const char *id)
{
    int i = 0;
    for (const PJ_ELLPS *el = ellpsList(); el->id != nullptr; el++, i++) {
        if (strcmp(el->id, id) == 0) return i;
    }
    return -1;
}

const char *ellpsEntryId(EllpsListEntry *e) { return ((const PJ_ELLPS *)e)->id; }
const char *ellpsEntryMajor(EllpsListEntry *e) { return ((const PJ_ELLPS *)e)->major; }
const char *ellpsEntryEll(EllpsListEntry *e) { return ((const PJ_ELLPS *)e)->ell; }
const char *ellpsEntryName(EllpsListEntry *e) { return ((const PJ_ELLPS *)e)->name; }

double projUnitToMeter(const char *id)
{
    for (const PJ_UNITS *u = unitList(); u->id != nullptr; u++) {
        if (strcmp(u->id, id) == 0) return u->factor;
    }
    return 0;
}

int projUnitCount(void)
{
    int n = 0;
    for (const PJ_UNITS *u = unitList(); u->id != nullptr; u++) n++;
    return n;
}

const char *projUnitId(int i) { return unitList()[i].id; }
const char *projUnitFactorText(int i) { return unitList()[i].to_meter; }
const char *projUnitName(int i) { return unitList()[i].name; }

double projDmsToRadians(const char *text, char **rest)
{
    if (projLoaded() == nullptr) {
        /* Nothing read. */
        if (rest != nullptr) *rest = (char *)text;
        return 0.0;
    }
    return pj().proj_dmstor(text, rest);
}

int projFactors(ProjHandle *P, double lam, double phi, ProjFactors *out)
{
    pj().proj_errno_reset(P->op);
    PJ_FACTORS f = pj().proj_factors(P->op, pj().proj_coord(lam, phi, 0, 0));
    if (pj().proj_errno(P->op) != 0) {
        pj().proj_errno_reset(P->op);
        return 0;
    }
    out->meridionalScale = f.meridional_scale;
    out->parallelScale = f.parallel_scale;
    out->arealScale = f.areal_scale;
    out->angularDistortion = f.angular_distortion;
    out->meridianParallelAngle = f.meridian_parallel_angle;
    out->meridianConvergence = f.meridian_convergence;
    out->tissotSemimajor = f.tissot_semimajor;
    out->tissotSemiminor = f.tissot_semiminor;
    out->dxdlam = f.dx_dlam;
    out->dxdphi = f.dx_dphi;
    out->dydlam = f.dy_dlam;
    out->dydphi = f.dy_dphi;
    return 1;
}

void projSetFinder(ProjFileFinder *finder)
{
    userFinder = finder;
    userFinderSet = finder != nullptr;
    if (projLoaded() == nullptr) return;
    pj().proj_context_set_file_finder(context(), finder != nullptr ? finderTrampoline : nullptr,
                                 nullptr);
}
