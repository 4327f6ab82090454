/*
 * gcanvas_outline.cpp --
 *
 *	Item outlines: dash lists (numbers or the pattern characters
 *	"_-,. "), the outline GC with an optional background colour drawn in
 *	the gaps of a dash, and outline PostScript.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "canvas/gcanvas_outline.h"
#include "core/rounding.h"

static char *dashBytes(DashList *d)
{
    int n = d->number < 0 ? -d->number : d->number;
    return n > (int)sizeof(char *) ? d->pattern.pt : d->pattern.array;
}

int dashConvert(char *out, const char *pattern, int n, double width)
{
    int result = 0;
    int size, intWidth = clampToInt(width + 0.5);
    if (intWidth < 1) intWidth = 1;
    if (n < 0) n = (int)strlen(pattern);
    while (n-- && *pattern) {
        switch (*pattern++) {
        case ' ':
            if (result) {
                if (out) out[-1] += intWidth + 1;
                continue;
            }
            return 0;
        case '_': size = 8; break;
        case '-': size = 6; break;
        case ',': size = 4; break;
        case '.': size = 2; break;
        default: return -1;
        }
        if (out) {
            *out++ = (char)(size * intWidth);
            *out++ = (char)(4 * intWidth);
        }
        result += 2;
    }
    return result;
}

static int badDash(Tcl_Interp *interp, const char *value, DashList *dash)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "bad dash list \"", value, "\": must be a list of integers or a format like \"-..\"",
                     (char *)NULL);
    if ((dash->number < 0 ? -dash->number : dash->number) > (int)sizeof(char *)) ckfree(dash->pattern.pt);
    dash->number = 0;
    return TCL_ERROR;
}

int getDash(Tcl_Interp *interp, const char *value, DashList *dash)
{
    int old = dash->number < 0 ? -dash->number : dash->number;
    if (value == NULL || *value == '\0') {
        if (old > (int)sizeof(char *)) ckfree(dash->pattern.pt);
        dash->number = 0;
        return TCL_OK;
    }
    if (strchr(".,-_", value[0]) != NULL) {
        if (dashConvert(NULL, value, -1, 0.0) <= 0) {
            return badDash(interp, value, dash);
        }
        if (old > (int)sizeof(char *)) ckfree(dash->pattern.pt);
        int n = (int)strlen(value);
        char *p = dash->pattern.array;
        if (n > (int)sizeof(char *)) p = dash->pattern.pt = (char *)ckalloc(n);
        memcpy(p, value, n);
        dash->number = -n;
        return TCL_OK;
    }
    int argc;
    const char **argv;
    if (Tcl_SplitList(interp, value, &argc, &argv) != TCL_OK) {
        Tcl_ResetResult(interp);
        return badDash(interp, value, dash);
    }
    if (old > (int)sizeof(char *)) ckfree(dash->pattern.pt);
    dash->number = 0;
    char *p = dash->pattern.array;
    if (argc > (int)sizeof(char *)) p = dash->pattern.pt = (char *)ckalloc(argc);
    dash->number = argc;
    for (int i = 0; i < argc; i++) {
        int v;
        if (Tcl_GetInt(interp, argv[i], &v) != TCL_OK || v < 1 || v > 255) {
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "expected integer in the range 1..255 but got \"", argv[i], "\"",
                             (char *)NULL);
            ckfree((char *)argv);
            if (argc > (int)sizeof(char *)) ckfree(dash->pattern.pt);
            dash->number = 0;
            return TCL_ERROR;
        }
        p[i] = (char)v;
    }
    ckfree((char *)argv);
    return TCL_OK;
}

static int dashParse(ClientData, Tcl_Interp *interp, Tk_Window, const char *value, char *rec, int offset)
{
    return getDash(interp, value, (DashList *)(rec + offset));
}

static const char *dashPrint(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    DashList *d = (DashList *)(rec + offset);
    *freeProc = NULL;
    if (d->number == 0) return "";
    char *bytes = dashBytes(d);
    if (d->number < 0) {
        char *s = (char *)ckalloc(1 - d->number);
        memcpy(s, bytes, -d->number);
        s[-d->number] = '\0';
        *freeProc = TCL_DYNAMIC;
        return s;
    }
    char *s = (char *)ckalloc(4 * d->number + 1);
    char *q = s;
    for (int i = 0; i < d->number; i++) {
        q += sprintf(q, i ? " %d" : "%d", (unsigned char)bytes[i]);
    }
    *freeProc = TCL_DYNAMIC;
    return s;
}

Tk_CustomOption gcanvasDashOption = {dashParse, dashPrint, NULL};

void outlineInit(ItemOutline *o)
{
    o->gc = NULL;
    o->width = 1.0;
    o->activeWidth = o->disabledWidth = 0.0;
    o->offset = 0;
    o->dash.number = o->activeDash.number = o->disabledDash.number = 0;
    o->tsoffset.flags = o->tsoffset.xoffset = o->tsoffset.yoffset = 0;
    o->color = o->background = o->activeColor = o->disabledColor = NULL;
    o->stipple = o->activeStipple = o->disabledStipple = None;
}

void outlineFree(Display *display, ItemOutline *o)
{
    if (o->gc != NULL) Tk_FreeGC(display, o->gc);
    DashList *ds[3] = {&o->dash, &o->activeDash, &o->disabledDash};
    for (int i = 0; i < 3; i++) {
        int n = ds[i]->number < 0 ? -ds[i]->number : ds[i]->number;
        if (n > (int)sizeof(char *)) ckfree(ds[i]->pattern.pt);
        ds[i]->number = 0;
    }
    XColor *cs[4] = {o->color, o->background, o->activeColor, o->disabledColor};
    for (int i = 0; i < 4; i++) {
        if (cs[i] != NULL) Tk_FreeColor(cs[i]);
    }
    Pixmap ps[3] = {o->stipple, o->activeStipple, o->disabledStipple};
    for (int i = 0; i < 3; i++) {
        if (ps[i] != None) Tk_FreeBitmap(display, ps[i]);
    }
}

typedef struct Effective {
    double width;
    DashList *dash;
    XColor *color;
    Pixmap stipple;
} Effective;

/* mode 0: GC config; 1: change/reset (disabled width must exceed width); 2: PostScript */
static void effective(GcCanvas c, GcanvasItem *item, ItemOutline *o, int mode, Effective *e)
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    int state = item->state == GC_STATE_NULL ? w->canvasState : item->state;
    e->width = o->width;
    e->dash = &o->dash;
    e->color = o->color;
    e->stipple = o->stipple;
    if (w->currentItemPtr == item) {
        if (o->activeWidth > e->width) e->width = o->activeWidth;
        if (mode == 2 ? o->activeDash.number > 0 : o->activeDash.number != 0) e->dash = &o->activeDash;
        if (o->activeColor) e->color = o->activeColor;
        if (o->activeStipple != None) e->stipple = o->activeStipple;
    } else if (state == GC_STATE_DISABLED) {
        if (mode == 1 ? o->disabledWidth > e->width : o->disabledWidth > 0) e->width = o->disabledWidth;
        if (mode == 2 ? o->disabledDash.number > 0 : o->disabledDash.number != 0) e->dash = &o->disabledDash;
        if (o->disabledColor) e->color = o->disabledColor;
        if (o->disabledStipple != None) e->stipple = o->disabledStipple;
    }
    if (mode != 2 && e->width < 1.0) e->width = 1.0;
    if (mode != 2) e->width *= w->pixelRatio;
}

int outlineConfigGC(XGCValues *v, GcCanvas c, GcanvasItem *item, ItemOutline *o)
{
    if (o->width < 0) o->width = 0;
    if (o->activeWidth < 0) o->activeWidth = 0;
    if (o->disabledWidth < 0) o->disabledWidth = 0;
    if (item->state == GC_STATE_HIDDEN) return 0;
    Effective e;
    effective(c, item, o, 0, &e);
    if (e.color == NULL) return 0;
    int mask = GCForeground | GCLineWidth;
    v->line_width = clampToInt(e.width + 0.5);
    v->foreground = e.color->pixel;
    if (e.stipple != None) {
        v->stipple = e.stipple;
        v->fill_style = FillStippled;
        mask |= GCStipple | GCFillStyle;
    }
    if (e.dash->number != 0) {
        if (o->background != NULL) {
            v->background = o->background->pixel;
            mask |= GCBackground;
            v->line_style = LineDoubleDash;
        } else {
            v->line_style = LineOnOffDash;
        }
        v->dash_offset = o->offset;
        if (e.dash->number >= 2) {
            v->dashes = 4;
        } else if (e.dash->number > 0) {
            v->dashes = dashBytes(e.dash)[0];
        } else {
            v->dashes = (char)clampToInt(4 * e.width);
        }
        mask |= GCLineStyle | GCDashList | GCDashOffset;
    }
    return mask;
}

static int replacesDashes(DashList *d)
{
    return d->number < 0 || d->number > 2 || (d->number == 2 && dashBytes(d)[0] != dashBytes(d)[1]);
}

int outlineChangeGC(GcCanvas c, GcanvasItem *item, ItemOutline *o)
{
    Effective e;
    effective(c, item, o, 1, &e);
    if (e.color == NULL || o->gc == NULL) return 0;
    Display *d = c->display;
    if (e.dash->number < 0) {
        int n = -e.dash->number;
        char *list = (char *)ckalloc(2 * n + 1);
        int m = dashConvert(list, dashBytes(e.dash), n, e.width);
        if (m > 0) XSetDashes(d, o->gc, o->offset, list, m);
        ckfree(list);
    } else if (replacesDashes(e.dash)) {
        XSetDashes(d, o->gc, o->offset, dashBytes(e.dash), e.dash->number);
    }
    if (e.stipple != None) {
        int w = 0, h = 0;
        StippleOffset *off = &o->tsoffset;
        if (!(off->flags & GC_OFFSET_INDEX) && (off->flags & (GC_OFFSET_CENTER | GC_OFFSET_MIDDLE))) {
            Tk_SizeOfBitmap(d, e.stipple, &w, &h);
            if (off->flags & GC_OFFSET_CENTER) w /= 2; else w = 0;
            if (off->flags & GC_OFFSET_MIDDLE) h /= 2; else h = 0;
            off->xoffset -= w;
            off->yoffset -= h;
            gcanvasSetOffset(c, o->gc, off);
            off->xoffset += w;
            off->yoffset += h;
        } else {
            gcanvasSetOffset(c, o->gc, off);
        }
        return 1;
    }
    return 0;
}

void outlineDashPhase(GcCanvas c, GcanvasItem *item, ItemOutline *o, int changed, double along)
{
    Effective e;
    effective(c, item, o, 1, &e);
    if (e.color == NULL || o->gc == NULL || e.dash->number == 0) return;
    /* The list the GC holds now: what outlineChangeGC set, else what the
     * GC was made with. */
    char fixed[64];
    char *list = fixed;
    int n;
    if (!changed) {
        n = 1;
        list[0] = e.dash->number >= 2 ? 4
                  : e.dash->number > 0 ? dashBytes(e.dash)[0]
                                       : (char)clampToInt(4 * e.width);
    } else if (e.dash->number < 0) {
        int k = -e.dash->number;
        if (2 * k + 1 > (int)sizeof fixed) list = (char *)ckalloc(2 * k + 1);
        n = dashConvert(list, dashBytes(e.dash), k, e.width);
    } else if (replacesDashes(e.dash)) {
        n = e.dash->number;
        if (n > (int)sizeof fixed) list = (char *)ckalloc(n);
        memcpy(list, dashBytes(e.dash), n);
    } else {
        n = 1;
        list[0] = e.dash->number == 1 ? dashBytes(e.dash)[0] : 4;
    }
    long period = 0;
    for (int i = 0; i < n; i++) period += (unsigned char)list[i];
    if (n % 2 == 1) period *= 2;
    if (n > 0 && period > 0) {
        double shift = isfinite(along) ? fmod(floor(along + 0.5), (double)period) : 0.0;
        long offset = ((long)o->offset + (long)shift) % period;
        if (offset < 0) offset += period;
        XSetDashes(c->display, o->gc, (int)offset, list, n);
    }
    if (list != fixed) ckfree(list);
}

int outlineResetGC(GcCanvas c, GcanvasItem *item, ItemOutline *o)
{
    Effective e;
    effective(c, item, o, 1, &e);
    if (e.color == NULL || o->gc == NULL) return 0;
    if (replacesDashes(e.dash)) {
        char dash;
        if (e.dash->number < 0) {
            dash = (char)clampToInt(4 * e.width + 0.5);
        } else if (e.dash->number <= 2) {
            dash = dashBytes(e.dash)[0];
        } else {
            dash = 4;
        }
        XSetDashes(c->display, o->gc, o->offset, &dash, 1);
    }
    if (e.stipple != None) {
        XSetTSOrigin(c->display, o->gc, 0, 0);
        return 1;
    }
    return 0;
}

int outlinePostscript(GcCanvas c, GcanvasItem *item, ItemOutline *o)
{
    Tcl_Interp *interp = c->interp;
    Effective e;
    effective(c, item, o, 2, &e);
    char buf[512];
    snprintf(buf, sizeof buf, "%.15g setlinewidth\n", e.width);
    Tcl_AppendResult(interp, buf, (char *)NULL);
    Tcl_DString ds;
    Tcl_DStringInit(&ds);
    if (e.dash->number > 0) {
        unsigned char *b = (unsigned char *)dashBytes(e.dash);
        int n = e.dash->number;
        for (int rep = 0; rep < (n % 2 ? 2 : 1); rep++) {
            for (int i = 0; i < n; i++) {
                snprintf(buf, sizeof buf, (rep == 0 && i == 0) ? "[%d" : " %d", b[i]);
                Tcl_DStringAppend(&ds, buf, -1);
            }
        }
        snprintf(buf, sizeof buf, "] %d setdash\n", o->offset);
        Tcl_DStringAppend(&ds, buf, -1);
    } else if (e.dash->number < 0) {
        int n = -e.dash->number;
        char *list = (char *)ckalloc(2 * n + 1);
        int m = dashConvert(list, dashBytes(e.dash), n, e.width);
        if (m <= 0) {
            Tcl_DStringAppend(&ds, "[] 0 setdash\n", -1);
        } else {
            for (int i = 0; i < m; i++) {
                snprintf(buf, sizeof buf, i == 0 ? "[%d" : " %d", (unsigned char)list[i]);
                Tcl_DStringAppend(&ds, buf, -1);
            }
            snprintf(buf, sizeof buf, "] %d setdash\n", o->offset);
            Tcl_DStringAppend(&ds, buf, -1);
        }
        ckfree(list);
    } else {
        Tcl_DStringAppend(&ds, "[] 0 setdash\n", -1);
    }
    Tcl_AppendResult(interp, Tcl_DStringValue(&ds), (char *)NULL);
    Tcl_DStringFree(&ds);
    if (gcanvasPsColor(interp, c, e.color) != TCL_OK) return TCL_ERROR;
    if (e.stipple != None) {
        Tcl_AppendResult(interp, "StrokeClip ", (char *)NULL);
        return gcanvasPsStipple(interp, c, e.stipple);
    }
    Tcl_AppendResult(interp, "stroke\n", (char *)NULL);
    return TCL_OK;
}
