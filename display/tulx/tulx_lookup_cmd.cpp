/*
 * tulx_lookup_cmd.cpp --
 *
 *	Subcommands of a "tulx" image that read and write the tables and the
 *	palette behind its display: a one-off stretch (enhance), the data
 *	ranges of the channels (setRange), the per-channel user tables and
 *	the computed display tables (getLookup, setLookup), and the palette
 *	entries (getIndices, setIndices).
 */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "core/rounding.h"
#include "display/tulx/tulx_subcommands.h"

/* ---- Index lists ----------------------------------------------------------- */

/* Reads one token "i" or "lo-hi" (the whole text). 1 when it reads. */
static int readRange(const char *token, size_t length, long *lo, long *hi)
{
    const char *end = token + length;
    char *stop;
    if (length == 0 || !isdigit((unsigned char)token[0])) {
        return 0;
    }
    *lo = strtol(token, &stop, 10);
    *hi = *lo;
    if (stop < end && *stop == '-') {
        const char *q = stop + 1;
        if (q >= end || !isdigit((unsigned char)*q)) {
            return 0;
        }
        *hi = strtol(q, &stop, 10);
    }
    return stop == end;
}

/* Calls visit(lo, hi) for every token of a list of values and ranges
 * separated by commas and/or blanks (separators: commas only with
 * commasOnly). 0 when a token does not read or lies outside 0..limit
 * (lo above hi counts as outside). */
template <typename Visit>
static int eachRange(const char *text, int commasOnly, long limit, Visit visit)
{
    const char *p = text;
    int any = 0;
    for (;;) {
        while (*p == ',' || (!commasOnly && isspace((unsigned char)*p))) {
            p++;
        }
        if (*p == '\0') {
            return any;
        }
        const char *end = p;
        while (*end != '\0' && *end != ',' && (commasOnly || !isspace((unsigned char)*end))) {
            end++;
        }
        long lo, hi;
        if (!readRange(p, (size_t)(end - p), &lo, &hi) || lo < 0 || lo > hi || hi > limit) {
            return 0;
        }
        visit((int)lo, (int)hi);
        any = 1;
        p = end;
    }
}

/* ---- enhance and setRange -------------------------------------------------- */

int tulxEnhanceCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (master->ramImage == NULL) {
        Tcl_SetResult(interp, (char *)"Image not configured", TCL_STATIC);
        return TCL_ERROR;
    }
    if (argc != 3 && argc != 4) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1],
                         " [linear | hists | histeq] [std]", (char *)NULL);
        return TCL_ERROR;
    }
    static const struct {
        const char *name;
        int func;
    } modes[] = {{"none", TULX_FUNC_NONE}, {"linear", TULX_FUNC_LINEAR},
                 {"hists", TULX_FUNC_HISTS}, {"histeq", TULX_FUNC_HISTEQ}};
    int func = 0;
    for (auto &mode : modes) {
        if (strcasecmp(argv[2], mode.name) == 0) {
            func = mode.func;
        }
    }
    if (func == 0) {
        Tcl_SetResult(interp, (char *)"Unknown enhance mode.", TCL_STATIC);
        return TCL_ERROR;
    }
    double k = 2.5;
    if (argc == 4 && Tcl_GetDouble(interp, argv[3], &k) != TCL_OK) {
        return TCL_ERROR;
    }
    tulxUpdateLut(master, func, (float)k);
    tulxRedisplay(master);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int tulxSetRangeCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    double v[6];
    int got = 0;
    if (argc == 3) {
        got = sscanf(argv[2], "%lf %lf %lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3], &v[4],
                     &v[5]);
    }
    if (argc > 3 || (argc == 3 && got != 2 && got != 4 && got != 6)) {
        Tcl_SetResult(interp, (char *)"Usage: setRange {low0 hihg0 low1 high1 low2 high2}",
                      TCL_STATIC);
        return TCL_ERROR;
    }
    if (argc == 2) {
        for (int c = 0; c < 3; c++) {
            master->low[c] = 0;
            master->high[c] = 255;
        }
    } else {
        for (int c = 0; c < got / 2; c++) {
            master->low[c] = v[2 * c];
            master->high[c] = v[2 * c + 1];
        }
    }
    tulxUpdateLut(master, master->funcApplied, (float)master->stdK);
    if (master->update > 0) {
        tulxUpdateCmd(master);
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* ---- getLookup and setLookup ------------------------------------------------ */

int tulxGetLookupCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc == 3 && strcmp(argv[2], "?") == 0) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " getLookup [?indices?|internal ?indices?]",
                         (char *)NULL);
        return TCL_ERROR;
    }
    int N = master->head.nindices > 0 ? master->head.nindices : 256;
    N = N > 256 ? 256 : N;
    int first = 2;
    unsigned char (*table)[256] = master->identityLut;
    if (argc > 2 && strcmp(argv[2], "internal") == 0) {
        table = master->displayLut;
        first = 3;
    }
    Tcl_DString out;
    Tcl_DStringInit(&out);
    char buffer[64];
    auto entries = [&](int lo, int hi) {
        for (int i = lo; i <= hi; i++) {
            snprintf(buffer, sizeof(buffer), "{%d %d %d %d} ", i, table[0][i], table[1][i],
                     table[2][i]);
            Tcl_DStringAppend(&out, buffer, -1);
        }
    };
    if (argc <= first) {
        entries(0, N - 1);
    }
    for (int a = first; a < argc; a++) {
        long lo, hi;
        if (!readRange(argv[a], strlen(argv[a]), &lo, &hi) || lo < 0 || lo > hi || hi >= N) {
            Tcl_DStringResult(interp, &out);
            Tcl_AppendResult(interp, "Invalid index", (char *)NULL);
            return TCL_ERROR;
        }
        entries((int)lo, (int)hi);
    }
    Tcl_DStringResult(interp, &out);
    return TCL_OK;
}

int tulxSetLookupCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc > 4) {
        Tcl_AppendResult(interp, "Usage: ", argv[0],
                         " setLookup [?lutList?|[?internal lutlist?]]", (char *)NULL);
        return TCL_ERROR;
    }
    int internal = argc > 2 && strcmp(argv[2], "internal") == 0;
    const char *list = internal ? (argc > 3 ? argv[3] : NULL) : (argc > 2 ? argv[2] : NULL);
    if (list == NULL && !internal) {
        for (int c = 0; c < 3; c++) {
            for (int i = 0; i < 256; i++) {
                master->identityLut[c][i] = (unsigned char)i;
            }
        }
    }
    if (list != NULL) {
        int count;
        const char **elements;
        if (Tcl_SplitList(NULL, list, &count, &elements) != TCL_OK) {
            Tcl_SetResult(interp, (char *)"Error in Tcl_SplitList.\n", TCL_STATIC);
            return TCL_ERROR;
        }
        unsigned char (*table)[256] = internal ? master->displayLut : master->identityLut;
        for (int e = 0; e < count; e++) {
            int i;
            float v[3];
            int got = sscanf(elements[e], "%d %f %f %f", &i, &v[0], &v[1], &v[2]);
            if (got < 2 || i < 1 || i > 255) {
                continue;
            }
            for (int c = 0; c < got - 1; c++) {
                int value = roundToInt(v[c]);
                table[c][i] = (unsigned char)(value < 0 ? 0 : (value > 255 ? 255 : value));
            }
        }
        Tcl_Free((char *)elements);
    }
    if (!(internal && list != NULL)) {
        tulxUpdateLut(master, master->funcApplied, (float)master->stdK);
    }
    if (master->update) {
        tulxUpdateCmd(master);
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* ---- getIndices and setIndices ------------------------------------------------ */

int tulxGetIndicesCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    if (argc > 4) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " getIndice format [indices]", (char *)NULL);
        return TCL_ERROR;
    }
    int form = 2; /* X, XRGB, RGB */
    if (argc > 2) {
        if (strcasecmp(argv[2], "X") == 0) {
            form = 0;
        } else if (strcasecmp(argv[2], "XRGB") == 0) {
            form = 1;
        } else if (strcasecmp(argv[2], "RGB") == 0) {
            form = 2;
        } else {
            Tcl_SetResult(interp, (char *)"Undefined color format.  Must be X, XRGB, or RGB.",
                          TCL_STATIC);
            return TCL_ERROR;
        }
    }
    Tcl_DString out;
    Tcl_DStringInit(&out);
    char buffer[96];
    const unsigned char (*pal)[3] = master->head.palette;
    auto entries = [&](int lo, int hi) {
        for (int i = lo; i <= hi; i++) {
            if (form == 0) {
                snprintf(buffer, sizeof(buffer), "{%d #%02x%02x%02x} ", i, pal[i][0], pal[i][1],
                         pal[i][2]);
            } else if (form == 1) {
                snprintf(buffer, sizeof(buffer), "{%d %ld %ld %ld} ", i, pal[i][0] * 256L,
                         pal[i][1] * 256L, pal[i][2] * 256L);
            } else {
                snprintf(buffer, sizeof(buffer), "{%d %d %d %d} ", i, pal[i][0], pal[i][1],
                         pal[i][2]);
            }
            Tcl_DStringAppend(&out, buffer, -1);
        }
    };
    if (argc < 4) {
        int n = master->head.nindices > 256 ? 256 : master->head.nindices;
        if (n > 0) {
            entries(0, n - 1);
        }
    } else if (!eachRange(argv[3], 0, 255, entries)) {
        Tcl_DStringFree(&out);
        Tcl_SetResult(interp, (char *)"invalid index specification\n", TCL_STATIC);
        return TCL_ERROR;
    }
    Tcl_DStringResult(interp, &out);
    return TCL_OK;
}

/* Sets -foreground or -background to a palette entry's colour. */
static void setGcColour(TulxMaster *master, Tk_Uid *option, XColor **color, int foreground,
                        const unsigned char rgb[3])
{
    char text[16];
    snprintf(text, sizeof(text), "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
    Tk_Uid uid = Tk_GetUid(text);
    if (uid == *option || master->tkwin == NULL) {
        return;
    }
    XColor *newColor = Tk_GetColor(master->interp, master->tkwin, uid);
    if (newColor == NULL) {
        return;
    }
    *option = uid;
    if (*color != NULL) {
        Tk_FreeColor(*color);
    }
    *color = newColor;
    if (master->gc != NULL) {
        if (foreground) {
            XSetForeground(master->display, master->gc, newColor->pixel);
        } else {
            XSetBackground(master->display, master->gc, newColor->pixel);
        }
    }
}

/* X, XRGB, RGB: elements {indices colour} or {indices r g b}. */
static int setColours(TulxMaster *master, int form, const char *modeWord, const char *list)
{
    Tcl_Interp *interp = master->interp;
    static const char *const names[3] = {"X Color parse error: ", "XRGB Color parse error: ",
                                         "RGB Color parse error: "};
    if (master->head.nindices <= 0) {
        master->head.nindices = makeCubePalette(master->head.palette, 256, 0, 0, 0);
    }
    int count;
    const char **elements;
    if (Tcl_SplitList(interp, list, &count, &elements) != TCL_OK) {
        return TCL_ERROR;
    }
    int code = TCL_OK;
    for (int e = 0; e < count && code == TCL_OK; e++) {
        int words;
        const char **parts;
        if (Tcl_SplitList(NULL, elements[e], &words, &parts) != TCL_OK) {
            Tcl_AppendResult(interp, names[form], elements[e], (char *)NULL);
            code = TCL_ERROR;
            break;
        }
        unsigned char rgb[3] = {0, 0, 0};
        int ok = words == (form == 0 ? 2 : 4);
        if (ok && form == 0) {
            XColor xc;
            memset(&xc, 0, sizeof(xc));
            ok = master->display != NULL
                && XParseColor(master->display, master->colormap, parts[1], &xc) != 0;
            rgb[0] = (unsigned char)(xc.red >> 8);
            rgb[1] = (unsigned char)(xc.green >> 8);
            rgb[2] = (unsigned char)(xc.blue >> 8);
        } else if (ok) {
            for (int k = 0; k < 3 && ok; k++) {
                int v;
                ok = Tcl_GetInt(NULL, parts[k + 1], &v) == TCL_OK;
                rgb[k] = (unsigned char)(form == 1 ? ((unsigned)v >> 8) & 255 : (unsigned)v & 255);
            }
        }
        if (!ok) {
            Tcl_AppendResult(interp, names[form], elements[e], (char *)NULL);
            code = TCL_ERROR;
        } else {
            auto paint = [&](int lo, int hi) {
                for (int i = lo; i <= hi; i++) {
                    memcpy(master->head.palette[i], rgb, 3);
                }
                if (hi + 1 > master->head.nindices) {
                    master->head.nindices = hi + 1;
                }
            };
            if (!eachRange(parts[0], 1, 255, paint)) {
                Tcl_AppendResult(interp, "Invalid color indices.\n", (char *)NULL);
                code = TCL_ERROR;
            }
        }
        Tcl_Free((char *)parts);
    }
    Tcl_Free((char *)elements);
    (void)modeWord;
    if (code != TCL_OK) {
        return code;
    }
    if (master->head.bits == 1) {
        setGcColour(master, &master->foreground, &master->fgColor, 1, master->head.palette[0]);
        setGcColour(master, &master->background, &master->bgColor, 0, master->head.palette[1]);
    }
    tulxApplyPalette(master);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int tulxSetIndicesCmd(TulxMaster *master, int argc, const char **argv)
{
    Tcl_Interp *interp = master->interp;
    const char *mode = argc > 2 ? argv[2] : "RESTORE";
    RAMIMG *image = master->ramImage;
    if (strcasecmp(mode, "RESTORE") == 0 && argc <= 3) {
        if (image != NULL) {
            master->head.nindices = image->head.nindices;
            memcpy(master->head.palette, image->head.palette, sizeof(master->head.palette));
        }
        tulxApplyPalette(master);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (strcasecmp(mode, "RESTORE") == 0) {
        if (image != NULL && (image->head.nindices > 0 || master->layerApplied != 0)) {
            unsigned char wanted[256];
            memset(wanted, 0, sizeof(wanted));
            int top = -1, low = 256;
            auto mark = [&](int lo, int hi) {
                for (int i = lo; i <= hi; i++) {
                    wanted[i] = 1;
                }
                top = hi > top ? hi : top;
                low = lo < low ? lo : low;
            };
            if (!eachRange(argv[3], 0, 255, mark)) {
                Tcl_SetResult(interp, (char *)"index out of range.\n", TCL_STATIC);
                return TCL_ERROR;
            }
            for (int i = master->head.nindices < 0 ? 0 : master->head.nindices; i < low; i++) {
                wanted[i] = 1;
            }
            for (int i = 0; i < 256; i++) {
                if (wanted[i]) {
                    memcpy(master->head.palette[i], image->head.palette[i], 3);
                }
            }
            if (top + 1 > master->head.nindices) {
                master->head.nindices = top + 1;
            }
            tulxApplyPalette(master);
        }
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (strcasecmp(mode, "NONE") == 0) {
        master->head.nindices = 0;
        tulxApplyPalette(master);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    int form = strcasecmp(mode, "X") == 0 ? 0
        : strcasecmp(mode, "XRGB") == 0 ? 1 : strcasecmp(mode, "RGB") == 0 ? 2 : -1;
    if (form >= 0) {
        if (argc != 4) {
            Tcl_AppendResult(interp, "Usage: ", argv[0], " setIndices ", mode, " colorIndices",
                             (char *)NULL);
            return TCL_ERROR;
        }
        return setColours(master, form, mode, argv[3]);
    }
    int pseudo = strcasecmp(mode, "PSEUDO") == 0;
    if (pseudo || strcasecmp(mode, "BW") == 0) {
        if (argc > 5) {
            Tcl_AppendResult(interp, "Usage: ", argv[0], " setIndices ", mode, " colorIndices",
                             (char *)NULL);
            return TCL_ERROR;
        }
        int lo = 0, hi = 255;
        if ((argc > 3 && Tcl_GetInt(interp, argv[3], &lo) != TCL_OK)
                || (argc > 4 && Tcl_GetInt(interp, argv[4], &hi) != TCL_OK)) {
            return TCL_ERROR;
        }
        lo = lo < 0 ? 0 : (lo > 254 ? 254 : lo);
        hi = hi > 255 ? 255 : hi;
        hi = hi < lo ? lo + 1 : hi;
        unsigned char source[256][3];
        memset(source, 0, sizeof(source));
        if (pseudo) {
            makeCubePalette(source, 0, 8, 8, 4);
        } else {
            makeCubePalette(source, 256, 0, 0, 0);
        }
        master->head.nindices = 256;
        float scale = 255.0f / (float)(hi - lo);
        for (int i = 0; i < 256; i++) {
            int from = i < lo ? 0 : (i > hi ? 255 : roundToInt((float)(i - lo) * scale));
            from = from < 0 ? 0 : (from > 255 ? 255 : from);
            memcpy(master->head.palette[i], source[from], 3);
        }
        tulxApplyPalette(master);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    Tcl_AppendResult(interp, "Usage: ", argv[0],
                     " setIndices X|XRGB|RGB|PSEUDO|BW|NONE|RESTORE palList|indiceList\n",
                     (char *)NULL);
    return TCL_OK;
}
