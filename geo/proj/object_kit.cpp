/*
 * object_kit.cpp --
 *
 *	Shared steps of the projection-like object types.
 */
#include "core/native_path.h"
#include "geo/proj/object_kit.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <charconv>

#include "core/objects.h"
#include "core/whole_file.h"
#include "geo/object_create.h"
#include "geo/proj/run_guard.h"

int projObjectCreate(Tcl_Interp *interp, int argc, const char **argv, const char *module,
                     const RAMOBJ &templ, const std::function<void *(Tcl_Interp *)> &makeDefault)
{
    return projRunGuarded(interp, module, [&]() -> int {
        if (argc < 2) {
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "Usage: ", argv[0], " objName options", (char *)NULL);
            return TCL_OK;
        }
        Tcl_CmdInfo info;
        if (Tcl_GetCommandInfo(interp, argv[1], &info)) {
            Tcl_SetObjResult(interp, Tcl_NewStringObj("command already exists", -1));
            return TCL_ERROR;
        }
        RAMOBJ *obj = (RAMOBJ *)gmemAlloc(sizeof(RAMOBJ));
        if (obj == NULL) {
            Tcl_SetObjResult(interp, Tcl_NewStringObj("out of memory", -1));
            return TCL_ERROR;
        }
        *obj = templ;
        obj->magic = RAMOBJ_MAGIC;
        obj->version = RAMOBJ_VERSION;
        obj->refCount = 0;
        obj->data = NULL;
        obj->file = NULL;
        obj->callbacks = NULL;
        if (Tcl_CreateCommand(interp, argv[1], obj->command, obj, objDelete) == NULL) {
            gmemFree(obj);
            return TCL_ERROR;
        }
        if (registerAndConfigure(interp, obj, argv[1], argc - 2, argv + 2) != TCL_OK) {
            return TCL_ERROR;
        }
        if (obj->data == NULL) {
            obj->data = makeDefault(interp);
        }
        Tcl_AppendResult(interp, argv[1], (char *)NULL);
        return TCL_OK;
    });
}

namespace {

/* What a script-given number format is, worked out once for the lines of
 * a run that all use it. */
struct NumberFormat {
    std::string text;       /* the format as given */
    const char *use;        /* the format printed with */
    int fixedDigits;        /* N of a plain "%.Nf", else -1 */
};

void parseNumberFormat(const char *format, NumberFormat &f)
{
    f.text = format;
    int conversions = 0;
    bool ok = true;
    for (const char *p = format; ok && *p != '\0'; p++) {
        if (*p != '%') continue;
        p++;
        if (*p == '%') continue;
        p += strspn(p, "-+ #0");
        p += strspn(p, "0123456789");
        if (*p == '.') {
            p++;
            p += strspn(p, "0123456789");
        }
        if (*p == 'l') p++;
        if (*p == '\0' || strchr("eEfFgGaA", *p) == NULL) {
            ok = false;
            break;
        }
        conversions++;
    }
    f.use = ok && conversions == 1 ? f.text.c_str() : "%.12g";
    /* "%.Nf" alone: written by to_chars, which gives printf's digits
     * (the exact value rounded to N places) without its locale and
     * argument machinery. */
    f.fixedDigits = -1;
    const char *t = f.use;
    if (t[0] == '%' && t[1] == '.' && t[2] >= '0' && t[2] <= '9') {
        int digits = t[2] - '0';
        const char *q = t + 3;
        if (*q >= '0' && *q <= '9') digits = digits * 10 + (*q++ - '0');
        if (q[0] == 'f' && q[1] == '\0' && digits <= 17) f.fixedDigits = digits;
    }
}

}  // namespace

void appendNumber(std::string &out, const char *format, double value)
{
    /* A run formats every line with the same one or two formats. */
    static thread_local NumberFormat cache[2];
    static thread_local int next = 0;
    if (format == NULL) format = "%.12g";    /* what a missing format prints with */
    NumberFormat *f = NULL;
    for (NumberFormat &c : cache) {
        if (c.use != NULL && c.text == format) {
            f = &c;
            break;
        }
    }
    if (f == NULL) {
        f = &cache[next];
        next = (next + 1) % 2;
        parseNumberFormat(format, *f);
    }
    char buffer[512];
    if (f->fixedDigits >= 0) {
        std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value,
                                               std::chars_format::fixed, f->fixedDigits);
        if (r.ec == std::errc()) {
            out.append(buffer, (size_t)(r.ptr - buffer));
            return;
        }
    }
    const char *use = f->use;
    int n = snprintf(buffer, sizeof buffer, use, value);
    if (n < (int)sizeof buffer) {
        out.append(buffer, n < 0 ? 0 : (size_t)n);
        return;
    }
    size_t at = out.size();
    out.resize(at + (size_t)n + 1);
    snprintf(&out[at], (size_t)n + 1, use, value);
    out.resize(at + (size_t)n);
}

std::string formatNumber(const char *format, double value)
{
    std::string out;
    appendNumber(out, format, value);
    return out;
}

bool readWholeText(const char *path, std::string *text)
{
    FILE *f = fopen(nativePath(path).c_str(), "r");
    if (f == NULL) {
        /* A loader's failure: the reason goes into the object's message. */
        objLoadFailure(Tcl_ErrnoMsg(errno));
        return false;
    }
    text->clear();
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
        text->append(buffer, n);
    }
    bool failed = ferror(f) != 0;
    fclose(f);
    return !failed;
}

int writeWholeText(const char *path, const std::string &text)
{
    return writeNewFile(path, text.data(), text.size()) == WHOLE_FILE_WRITTEN ? 1 : 0;
}

int prefixOf(const char *word, const char *name)
{
    size_t n = strlen(word);
    return n > 0 && strncmp(word, name, n) == 0;
}

int readCoordinates(Tcl_Interp *interp, const char *const *words, int count, double *out)
{
    for (int i = 0; i < count; i++) {
        if (Tcl_GetDouble(interp, words[i], &out[i]) != TCL_OK) return TCL_ERROR;
    }
    return TCL_OK;
}
