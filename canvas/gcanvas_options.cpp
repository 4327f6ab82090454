/*
 * gcanvas_options.cpp --
 *
 *	Services item types share: the container's window and text
 *	information, screen distances, stipple origins, and the custom
 *	option procedures for -state, -offset, double screen distances and
 *	-tags.
 */
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "canvas/gcanvas.h"

Tk_Window gcanvasTkwin(GcCanvas c)
{
    return c->tkwin;
}

GcanvasTextInfo *gcanvasGetTextInfo(GcCanvas c)
{
    return &gcanvasWidgetOf(c)->textInfo;
}

namespace {

/* True when obj is a plain decimal number that Tcl and Tk's distance
 * reader both read as the same double: a number object, or text of
 * digits, one point and an exponent with no leading zero before a digit
 * (Tcl reads "017" as octal, Tk as 17) and no other letters ("0x10",
 * "1c", "nan" take the distance reader). */
bool plainNumber(Tcl_Obj *obj)
{
    static const Tcl_ObjType *doubleType = Tcl_GetObjType("double");
    static const Tcl_ObjType *intType = Tcl_GetObjType("int");
    if (obj->typePtr != NULL && (obj->typePtr == doubleType || obj->typePtr == intType)) {
        return true;
    }
    int length;
    const char *p = Tcl_GetStringFromObj(obj, &length);
    const char *end = p + length;
    if (p < end && (*p == '-' || *p == '+')) p++;
    if (p < end && p[0] == '0' && p + 1 < end && p[1] >= '0' && p[1] <= '9') return false;
    bool digits = false;
    while (p < end && *p >= '0' && *p <= '9') p++, digits = true;
    if (p < end && *p == '.') {
        p++;
        while (p < end && *p >= '0' && *p <= '9') p++, digits = true;
    }
    if (!digits) return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        p++;
        if (p < end && (*p == '-' || *p == '+')) p++;
        if (p == end || *p < '0' || *p > '9') return false;
        while (p < end && *p >= '0' && *p <= '9') p++;
    }
    return p == end;
}

}  // namespace

/* Tk's own object reader of distances: the first letter after the number
 * names the unit, so "1cm" and "2mm" read as "1c" and "2m" do. A plain
 * number is read directly (no text made of a number object, no parse of
 * units), with the same arithmetic as the reader's, so the same double. */
int gcanvasGetCoordFromObj(Tcl_Interp *interp, GcCanvas c, Tcl_Obj *obj, double *out)
{
    double value;
    if (plainNumber(obj) && Tcl_GetDoubleFromObj(NULL, obj, &value) == TCL_OK) {
        Screen *screen = Tk_Screen(c->tkwin);
        double mm = value / WidthOfScreen(screen);
        mm *= WidthMMOfScreen(screen);
        *out = mm * gcanvasWidgetOf(c)->pixelsPerMM;
        return TCL_OK;
    }
    double mm;
    if (Tk_GetMMFromObj(interp, c->tkwin, obj, &mm) != TCL_OK) {
        return TCL_ERROR;
    }
    *out = mm * gcanvasWidgetOf(c)->pixelsPerMM;
    return TCL_OK;
}

int gcanvasGetCoord(Tcl_Interp *interp, GcCanvas c, const char *string, double *out)
{
    double mm;
    if (Tk_GetScreenMM(interp, c->tkwin, string, &mm) != TCL_OK) {
        return TCL_ERROR;
    }
    *out = mm * gcanvasWidgetOf(c)->pixelsPerMM;
    return TCL_OK;
}

void gcanvasSetOffset(GcCanvas c, GC gc, StippleOffset *offset)
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    int x = -w->drawableXOrigin, y = -w->drawableYOrigin;
    if (offset != NULL) {
        x += offset->xoffset;
        y += offset->yoffset;
        if ((offset->flags & GC_OFFSET_RELATIVE) && !(offset->flags & GC_OFFSET_INDEX)) {
            Tk_SetTSOrigin(w->tkwin, gc, x - w->xOrigin, y - w->yOrigin);
            return;
        }
    }
    XSetTSOrigin(w->display, gc, x, y);
}

int gcanvasItemState(GcCanvas c, GcanvasItem *item)
{
    return item->state == GC_STATE_NULL ? gcanvasWidgetOf(c)->canvasState : item->state;
}

/* ---- -state ---- */

static int stateParse(ClientData cd, Tcl_Interp *interp, Tk_Window, const char *value, char *rec,
                      int offset)
{
    long bits = (long)cd;
    int *field = (int *)(rec + offset);
    size_t n = value ? strlen(value) : 0;
    if (n == 0) {
        *field = GC_STATE_NULL;
        return TCL_OK;
    }
    if (value[0] == 'n' && strncmp(value, "normal", n) == 0) {
        *field = GC_STATE_NORMAL;
        return TCL_OK;
    }
    if (value[0] == 'd' && strncmp(value, "disabled", n) == 0) {
        *field = GC_STATE_DISABLED;
        return TCL_OK;
    }
    if ((bits & 1) && value[0] == 'a' && strncmp(value, "active", n) == 0) {
        *field = GC_STATE_ACTIVE;
        return TCL_OK;
    }
    if ((bits & 2) && value[0] == 'h' && strncmp(value, "hidden", n) == 0) {
        *field = GC_STATE_HIDDEN;
        return TCL_OK;
    }
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "bad ", (bits & 4) ? "-default" : "state", " value \"", value,
                     "\": must be normal", (char *)NULL);
    if (bits & 1) Tcl_AppendResult(interp, ", active", (char *)NULL);
    if (bits & 2) Tcl_AppendResult(interp, ", hidden", (char *)NULL);
    if (bits & 3) Tcl_AppendResult(interp, ",", (char *)NULL);
    Tcl_AppendResult(interp, " or disabled", (char *)NULL);
    *field = GC_STATE_NORMAL;
    return TCL_ERROR;
}

static const char *statePrint(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    *freeProc = NULL;
    switch (*(int *)(rec + offset)) {
    case GC_STATE_ACTIVE: return "active";
    case GC_STATE_DISABLED: return "disabled";
    case GC_STATE_NORMAL: return "normal";
    case GC_STATE_HIDDEN: return "hidden";
    default: return "";
    }
}

/* ---- -offset ---- */

static int offsetParse(ClientData cd, Tcl_Interp *interp, Tk_Window tkwin, const char *value,
                       char *rec, int offset)
{
    long bits = (long)cd;
    StippleOffset *off = (StippleOffset *)(rec + offset);
    int flags = 0;
    const char *p = value ? value : "";
    if (*p == '\0') {
        off->flags = GC_OFFSET_CENTER | GC_OFFSET_MIDDLE;
        return TCL_OK;
    }
    switch (p[0]) {
    case '#':
        if (!(bits & 2)) goto bad;
        flags = GC_OFFSET_RELATIVE;
        p++;
        goto xy;
    case 'e':
        if (p[1] == '\0') { off->flags = GC_OFFSET_RIGHT | GC_OFFSET_MIDDLE; return TCL_OK; }
        if (strcmp(p, "end") == 0 && (bits & 1)) { off->flags = INT_MAX; return TCL_OK; }
        goto bad;
    case 'w':
        if (p[1] == '\0') { off->flags = GC_OFFSET_LEFT | GC_OFFSET_MIDDLE; return TCL_OK; }
        goto bad;
    case 'n': case 's': {
        int v = p[0] == 'n' ? GC_OFFSET_TOP : GC_OFFSET_BOTTOM;
        if (p[1] == '\0') { off->flags = v | GC_OFFSET_CENTER; return TCL_OK; }
        if (p[2] == '\0' && p[1] == 'w') { off->flags = v | GC_OFFSET_LEFT; return TCL_OK; }
        if (p[2] == '\0' && p[1] == 'e') { off->flags = v | GC_OFFSET_RIGHT; return TCL_OK; }
        goto bad;
    }
    case 'c':
        if (strncmp(p, "center", strlen(p)) == 0) {
            off->flags = GC_OFFSET_CENTER | GC_OFFSET_MIDDLE;
            return TCL_OK;
        }
        goto bad;
    default:
        break;
    }
xy: {
        const char *comma = strchr(p, ',');
        if (comma == NULL) {
            if (bits & 1) {
                int index;
                if (Tcl_GetInt(interp, p, &index) == TCL_OK) {
                    off->flags = index | GC_OFFSET_INDEX;
                    return TCL_OK;
                }
                Tcl_ResetResult(interp);
            }
            goto bad;
        }
        Tcl_DString ds;
        Tcl_DStringInit(&ds);
        Tcl_DStringAppend(&ds, p, (int)(comma - p));
        int x, y;
        int ok = Tk_GetPixels(interp, tkwin, Tcl_DStringValue(&ds), &x) == TCL_OK
                 && Tk_GetPixels(interp, tkwin, comma + 1, &y) == TCL_OK;
        Tcl_DStringFree(&ds);
        if (!ok) {
            return TCL_ERROR;
        }
        off->flags = flags;
        off->xoffset = x;
        off->yoffset = y;
        return TCL_OK;
    }
bad:
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "bad offset \"", value, "\": expected \"x,y\"", (char *)NULL);
    if (bits & 2) Tcl_AppendResult(interp, ", \"#x,y\"", (char *)NULL);
    if (bits & 1) Tcl_AppendResult(interp, ", <index>", (char *)NULL);
    Tcl_AppendResult(interp, ", n, ne, e, se, s, sw, w, nw, or center", (char *)NULL);
    return TCL_ERROR;
}

static const char *offsetPrint(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    StippleOffset *off = (StippleOffset *)(rec + offset);
    *freeProc = NULL;
    if (off->flags & GC_OFFSET_INDEX) {
        if (off->flags == INT_MAX) return "end";
        char *s = (char *)ckalloc(24);
        snprintf(s, 24, "%d", off->flags & ~GC_OFFSET_INDEX);
        *freeProc = TCL_DYNAMIC;
        return s;
    }
    if (off->flags & (GC_OFFSET_TOP | GC_OFFSET_MIDDLE | GC_OFFSET_BOTTOM)) {
        static const char *names[3][3] = {{"nw", "n", "ne"}, {"w", "center", "e"}, {"sw", "s", "se"}};
        int row = (off->flags & GC_OFFSET_TOP) ? 0 : (off->flags & GC_OFFSET_MIDDLE) ? 1 : 2;
        int col = (off->flags & GC_OFFSET_LEFT) ? 0 : (off->flags & GC_OFFSET_CENTER) ? 1 : 2;
        return names[row][col];
    }
    char *s = (char *)ckalloc(32);
    snprintf(s, 32, "%s%d,%d", (off->flags & GC_OFFSET_RELATIVE) ? "#" : "", off->xoffset, off->yoffset);
    *freeProc = TCL_DYNAMIC;
    return s;
}

/* ---- double screen distances ---- */

static int pixelParse(ClientData cd, Tcl_Interp *interp, Tk_Window tkwin, const char *value, char *rec,
                      int offset)
{
    double d;
    if (Tk_GetScreenMM(interp, tkwin, value, &d) != TCL_OK) {
        return TCL_ERROR;
    }
    /* Tk_GetScreenMM gives millimetres; turn them into pixels. */
    Screen *screen = Tk_Screen(tkwin);
    d *= (double)WidthOfScreen(screen) / (double)WidthMMOfScreen(screen);
    if (cd == NULL && d < 0.0) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "bad screen distance \"", value, "\"", (char *)NULL);
        return TCL_ERROR;
    }
    *(double *)(rec + offset) = d;
    return TCL_OK;
}

static const char *pixelPrint(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    char *s = (char *)ckalloc(TCL_DOUBLE_SPACE + 1);
    Tcl_PrintDouble(NULL, *(double *)(rec + offset), s);
    *freeProc = TCL_DYNAMIC;
    return s;
}

/* ---- -tags ---- */

static int tagsParse(ClientData, Tcl_Interp *interp, Tk_Window, const char *value, char *rec, int)
{
    GcanvasItem *item = (GcanvasItem *)rec;
    int argc;
    const char **argv;
    if (Tcl_SplitList(interp, value, &argc, &argv) != TCL_OK) {
        return TCL_ERROR;
    }
    if (argc > item->tagSpace) {
        Tk_Uid *newPtr = (Tk_Uid *)ckalloc(sizeof(Tk_Uid) * argc);
        for (int i = 0; i < item->numTags; i++) {
            newPtr[i] = item->tagPtr[i];
        }
        if (item->tagPtr != item->staticTagSpace) {
            ckfree((char *)item->tagPtr);
        }
        item->tagPtr = newPtr;
        item->tagSpace = argc;
    }
    item->numTags = argc;
    for (int i = 0; i < argc; i++) {
        item->tagPtr[i] = Tk_GetUid(argv[i]);
    }
    ckfree((char *)argv);
    return TCL_OK;
}

static const char *tagsPrint(ClientData, Tk_Window, char *rec, int, Tcl_FreeProc **freeProc)
{
    GcanvasItem *item = (GcanvasItem *)rec;
    *freeProc = NULL;
    if (item->numTags == 0) return "";
    if (item->numTags == 1) return item->tagPtr[0];
    *freeProc = TCL_DYNAMIC;
    return Tcl_Merge(item->numTags, (const char *const *)item->tagPtr);
}

Tk_CustomOption gcanvasStateOption = {stateParse, statePrint, (ClientData)2};
Tk_CustomOption gcanvasWidgetStateOption = {stateParse, statePrint, (ClientData)0};
Tk_CustomOption gcanvasOffsetOption = {offsetParse, offsetPrint, (ClientData)0};
Tk_CustomOption gcanvasRelOffsetOption = {offsetParse, offsetPrint, (ClientData)2};
Tk_CustomOption gcanvasIndexOffsetOption = {offsetParse, offsetPrint, (ClientData)3};
Tk_CustomOption gcanvasPixelOption = {pixelParse, pixelPrint, (ClientData)NULL};
Tk_CustomOption gcanvasTagsOption = {tagsParse, tagsPrint, (ClientData)NULL};
