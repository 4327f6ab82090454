/*
 * symbol_item.cpp --
 *
 *	Symbol items: one point symbol (oval, rectangle, diamond, crosshair
 *	or handle of a fixed pixel size) with a marker on top and an optional
 *	text label beside it, repeated at every world point of the item. Each
 *	point is a component that picking records and the widget highlights.
 *	The label is laid out once, in lines measured with the item's scaled
 *	font, and drawn at every point.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>
#include "canvas/gcanvas_geometry.h"
#include "canvas/gcanvas_outline.h"
#include "canvas/gcanvas_postscript.h"
#include "canvas/text_editing.h"
#include "canvas/vertex_editing.h"
#include "canvas/text_postscript.h"
#include "core/rounding.h"
#include "ovex/draw.h"
#ifndef MODULE_SCOPE
#define MODULE_SCOPE extern
#endif
typedef struct TkMainInfo TkMainInfo;   /* named by the header, not used here */
#include "tk-private/generic/tkFont.h"

enum { SYM_OVAL, SYM_RECTANGLE, SYM_DIAMOND, SYM_CROSSHAIR, SYM_HANDLE };
enum { MARK_POINT, MARK_CROSS };

/* One line of the label: its bytes and characters in the text, and its
 * left and width in pixels within the label. */
typedef struct LabelLine {
    int byteStart, numBytes;
    int charStart, numChars;
    int x, width;
} LabelLine;

/* The label laid out with the scaled font; owned by the item, dropped
 * whenever the text changes or is not shown. */
typedef struct LabelLayout {
    OvexFont *font;             /* the item's scaled font (not owned) */
    int numLines;
    int lineHeight, ascent;
    int width, height;
    LabelLine lines[1];
} LabelLayout;

typedef struct SymbolItem {
    GcanvasItem header;
    GcanvasTextInfo *textInfoPtr;
    double *points;             /* count x, y pairs, world units */
    int numPoints;
    int insertPos;
    Tk_Anchor anchor;
    StippleOffset tsoffset;
    XColor *color, *activeColor, *disabledColor;
    Tk_Font tkfont;
    OvexFont *scaledFont;
    Tk_Justify justify;
    Pixmap stipple, activeStipple, disabledStipple;
    char *text;
    int width;                  /* -textwidth: wrap length of the label */
    int numChars, numBytes;
    LabelLayout *layout;
    double labelLeft, labelRight, labelTop, labelBottom;
    int rightEdgeMargin;        /* cursor margin */
    GC gc, selTextGC, cursorOffGC;
    int symbolType, markerType;
    int xparam, yparam;
    int handleDx, handleDy;
    GC symbolGC;
    XColor *symbolColor;
    GC markerGC;
    XColor *markerColor;
    ItemOutline outline;
    int highlightComp, pickedComp;
    GC highlightGC;
    XColor *highlightColor;
} SymbolItem;

/* ---- the -symboltype and -markertype options ---- */

static const char *const symbolWords[] = {"oval", "rectangle", "diamond", "crosshair", "handle", NULL};
static const char *const markerWords[] = {"point", "cross", NULL};

static int parseKeyword(Tcl_Interp *interp, const char *value, int *field, const char *const *words,
                        const char *option, const char *choices)
{
    *field = 0;
    if (value == NULL || value[0] == '\0') return TCL_OK;
    size_t n = strlen(value);
    for (int i = 0; words[i] != NULL; i++) {
        if (value[0] == words[i][0] && strncmp(value, words[i], n) == 0 && n <= strlen(words[i])) {
            *field = i;
            return TCL_OK;
        }
    }
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "invalid ", option, " option \"", value, "\": must be ", choices, (char *)NULL);
    return TCL_ERROR;
}

static int parseSymbolType(ClientData, Tcl_Interp *interp, Tk_Window, const char *value, char *rec, int offset)
{
    return parseKeyword(interp, value, (int *)(rec + offset), symbolWords, "-symboltype",
                        "oval, rectangle, diamond, crosshair, handle");
}

static int parseMarkerType(ClientData, Tcl_Interp *interp, Tk_Window, const char *value, char *rec, int offset)
{
    return parseKeyword(interp, value, (int *)(rec + offset), markerWords, "-markertype", "point or cross");
}

static const char *printSymbolType(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    int v = *(int *)(rec + offset);
    *freeProc = NULL;
    return v >= 0 && v <= SYM_HANDLE ? symbolWords[v] : "unknown";
}

static const char *printMarkerType(ClientData, Tk_Window, char *rec, int offset, Tcl_FreeProc **freeProc)
{
    int v = *(int *)(rec + offset);
    *freeProc = NULL;
    return v >= 0 && v <= MARK_CROSS ? markerWords[v] : "unknown";
}

static Tk_CustomOption symbolTypeOption = {parseSymbolType, printSymbolType, NULL};
static Tk_CustomOption markerTypeOption = {parseMarkerType, printMarkerType, NULL};

#define SY(f) ((int)offsetof(SymbolItem, f))

static Tk_ConfigSpec configSpecs[] = {
    {TK_CONFIG_CUSTOM, "-activedash", NULL, NULL, NULL, SY(outline.activeDash), TK_CONFIG_NULL_OK,
     &gcanvasDashOption},
    {TK_CONFIG_COLOR, "-activeoutline", NULL, NULL, NULL, SY(outline.activeColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-activeoutlinestipple", NULL, NULL, NULL, SY(outline.activeStipple),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-activewidth", NULL, NULL, "0.0", SY(outline.activeWidth),
     TK_CONFIG_DONT_SET_DEFAULT, &gcanvasPixelOption},
    {TK_CONFIG_CUSTOM, "-dash", NULL, NULL, NULL, SY(outline.dash), TK_CONFIG_NULL_OK, &gcanvasDashOption},
    {TK_CONFIG_PIXELS, "-dashoffset", NULL, NULL, "0", SY(outline.offset), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-disableddash", NULL, NULL, NULL, SY(outline.disabledDash), TK_CONFIG_NULL_OK,
     &gcanvasDashOption},
    {TK_CONFIG_COLOR, "-disabledoutline", NULL, NULL, NULL, SY(outline.disabledColor), TK_CONFIG_NULL_OK,
     NULL},
    {TK_CONFIG_BITMAP, "-disabledoutlinestipple", NULL, NULL, NULL, SY(outline.disabledStipple),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-disabledwidth", NULL, NULL, "0.0", SY(outline.disabledWidth),
     TK_CONFIG_DONT_SET_DEFAULT, &gcanvasPixelOption},
    {TK_CONFIG_COLOR, "-background", "background", "Background", NULL, SY(outline.background),
     TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_SYNONYM, "-bg", "background", NULL, NULL, 0, 0, NULL},
    {TK_CONFIG_COLOR, "-outline", NULL, NULL, "red", SY(outline.color), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-outlineoffset", NULL, NULL, "0,0", SY(outline.tsoffset), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasRelOffsetOption},
    {TK_CONFIG_BITMAP, "-outlinestipple", NULL, NULL, NULL, SY(outline.stipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-width", NULL, NULL, "1.0", SY(outline.width), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasPixelOption},
    {TK_CONFIG_CUSTOM, "-symboltype", NULL, NULL, "oval", SY(symbolType), TK_CONFIG_DONT_SET_DEFAULT,
     &symbolTypeOption},
    {TK_CONFIG_COLOR, "-symbolcolor", NULL, NULL, "", SY(symbolColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-markertype", NULL, NULL, "point", SY(markerType), TK_CONFIG_DONT_SET_DEFAULT,
     &markerTypeOption},
    {TK_CONFIG_COLOR, "-markercolor", NULL, NULL, "red", SY(markerColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-activefill", NULL, NULL, NULL, SY(activeColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-activestipple", NULL, NULL, NULL, SY(activeStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_ANCHOR, "-anchor", NULL, NULL, "center", SY(anchor), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_COLOR, "-disabledfill", NULL, NULL, NULL, SY(disabledColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-disabledstipple", NULL, NULL, NULL, SY(disabledStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-fill", NULL, NULL, "black", SY(color), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_INT, "-floating", NULL, NULL, "0", SY(header.floating), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_FONT, "-font", NULL, NULL, "{MS Sans Serif} 8", SY(tkfont), 0, NULL},
    {TK_CONFIG_COLOR, "-highlightcolor", NULL, NULL, "yellow", SY(highlightColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_JUSTIFY, "-justify", NULL, NULL, "left", SY(justify), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-offset", NULL, NULL, "0,0", SY(tsoffset), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasOffsetOption},
    {TK_CONFIG_INT, "-scalable", NULL, NULL, "0", SY(header.scalable), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-state", NULL, NULL, NULL, SY(header.state), TK_CONFIG_NULL_OK, &gcanvasStateOption},
    {TK_CONFIG_BITMAP, "-stipple", NULL, NULL, NULL, SY(stipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-tags", NULL, NULL, NULL, 0, TK_CONFIG_NULL_OK, &gcanvasTagsOption},
    {TK_CONFIG_STRING, "-text", NULL, NULL, "", SY(text), 0, NULL},
    {TK_CONFIG_PIXELS, "-textwidth", NULL, NULL, "0", SY(width), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_PIXELS, "-xparam", NULL, NULL, "10", SY(xparam), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_PIXELS, "-yparam", NULL, NULL, "10", SY(yparam), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

/* ---- state ---- */

static int effState(GcCanvas c, GcanvasItem *item)
{
    return item->state == GC_STATE_NULL ? gcanvasWidgetOf(c)->canvasState : item->state;
}

static void chooseLabel(GcCanvas c, SymbolItem *s, XColor **color, Pixmap *stipple)
{
    *color = s->color;
    *stipple = s->stipple;
    if (gcanvasWidgetOf(c)->currentItemPtr == &s->header) {
        if (s->activeColor) *color = s->activeColor;
        if (s->activeStipple != None) *stipple = s->activeStipple;
    } else if (effState(c, &s->header) == GC_STATE_DISABLED) {
        if (s->disabledColor) *color = s->disabledColor;
        if (s->disabledStipple != None) *stipple = s->disabledStipple;
    }
}

/* Whether the label takes part in drawing, picking and PostScript. */
static int labelShown(GcCanvas c, SymbolItem *s)
{
    XColor *color;
    Pixmap stipple;
    chooseLabel(c, s, &color, &stipple);
    return effState(c, &s->header) != GC_STATE_HIDDEN && color != NULL && s->text != NULL && s->text[0] != '\0';
}

/* ---- the label layout ---- */

static void freeLayout(SymbolItem *s)
{
    if (s->layout != NULL) ckfree((char *)s->layout);
    s->layout = NULL;
}

/* Lines break at newlines (a trailing one adds an empty line) and, with a
 * wrap length, between words. */
static LabelLayout *computeLayout(OvexFont *font, const char *text, int wrap, Tk_Justify justify)
{
    int len = (int)strlen(text);
    int space = 4;
    LabelLayout *lay = (LabelLayout *)ckalloc(sizeof(LabelLayout) + space * sizeof(LabelLine));
    lay->font = font;
    lay->numLines = 0;
    lay->ascent = font->ascent;
    lay->lineHeight = font->ascent + font->descent;
    int pos = 0, chars = 0;
    for (;;) {
        const char *nl = (const char *)memchr(text + pos, '\n', len - pos);
        int end = nl != NULL ? (int)(nl - text) : len;
        int start = pos;
        do {
            int take = end - start, width = 0;
            if (take > 0) {
                take = ovexMeasureChars(font, text + start, end - start, wrap,
                                        wrap > 0 ? OVEX_WHOLE_WORDS | OVEX_AT_LEAST_ONE : 0, &width);
                if (take <= 0) take = end - start;
            }
            if (lay->numLines == space + 1) {
                space *= 2;
                lay = (LabelLayout *)ckrealloc((char *)lay, sizeof(LabelLayout) + space * sizeof(LabelLine));
            }
            LabelLine *line = &lay->lines[lay->numLines++];
            line->byteStart = start;
            line->numBytes = take;
            line->charStart = chars;
            line->numChars = Tcl_NumUtfChars(text + start, take);
            line->x = 0;
            line->width = width;
            chars += line->numChars;
            start += take;
            /* Blanks at a wrap point belong to the line they end. */
            while (start < end && text[start] == ' ') {
                start++;
                line->numBytes++;
                line->numChars++;
                chars++;
            }
        } while (start < end);
        if (nl == NULL) break;
        lay->lines[lay->numLines - 1].numBytes++;
        lay->lines[lay->numLines - 1].numChars++;
        chars++;
        pos = end + 1;
    }
    int w = 0;
    for (int i = 0; i < lay->numLines; i++) {
        if (lay->lines[i].width > w) w = lay->lines[i].width;
    }
    for (int i = 0; i < lay->numLines; i++) {
        LabelLine *line = &lay->lines[i];
        if (justify == TK_JUSTIFY_CENTER) line->x = (w - line->width) / 2;
        else if (justify == TK_JUSTIFY_RIGHT) line->x = w - line->width;
    }
    lay->width = w;
    lay->height = lay->numLines * lay->lineHeight;
    return lay;
}

/* The pixel left of character index within its line, and the line. */
static int charBox(const char *text, LabelLayout *lay, int index, int *x, int *y, int *height)
{
    if (lay == NULL || index < 0) return 0;
    for (int i = 0; i < lay->numLines; i++) {
        LabelLine *line = &lay->lines[i];
        int last = i == lay->numLines - 1;
        if (index < line->charStart + line->numChars || (last && index <= line->charStart + line->numChars)) {
            const char *start = text + line->byteStart;
            int bytes = (int)(Tcl_UtfAtIndex(start, index - line->charStart) - start), w = 0;
            if (bytes > 0) ovexMeasureChars(lay->font, start, bytes, 0, 0, &w);
            *x = line->x + w;
            *y = i * lay->lineHeight;
            *height = lay->lineHeight;
            return 1;
        }
    }
    return 0;
}

static int pointToChar(const char *text, LabelLayout *lay, int x, int y)
{
    if (lay == NULL || lay->numLines == 0) return 0;
    int i = y < 0 ? 0 : y / (lay->lineHeight > 0 ? lay->lineHeight : 1);
    if (i >= lay->numLines) i = lay->numLines - 1;
    LabelLine *line = &lay->lines[i];
    if (x <= line->x) return line->charStart;
    int w = 0;
    const char *start = text + line->byteStart;
    int bytes = ovexMeasureChars(lay->font, start, line->numBytes, x - line->x + 1, OVEX_PARTIAL_OK, &w);
    int chars = Tcl_NumUtfChars(start, bytes);
    if (chars > 0 && w > x - line->x) chars--;
    int lastOnLine = line->numChars - (i < lay->numLines - 1 ? 1 : 0);
    return line->charStart + (chars < lastOnLine ? chars : lastOnLine);
}

static double layoutDistance(LabelLayout *lay, int x, int y)
{
    if (lay == NULL) return 1.0e36;
    double best = 1.0e36;
    for (int i = 0; i < lay->numLines; i++) {
        LabelLine *line = &lay->lines[i];
        int x1 = line->x, x2 = line->x + line->width, y1 = i * lay->lineHeight, y2 = y1 + lay->lineHeight;
        int dx = x < x1 ? x1 - x : x >= x2 ? x - x2 + 1 : 0;
        int dy = y < y1 ? y1 - y : y >= y2 ? y - y2 + 1 : 0;
        if (dx == 0 && dy == 0) return 0.0;
        double d = hypot((double)dx, (double)dy);
        if (d < best) best = d;
    }
    return best;
}

/* -1 when no line meets the rectangle, 1 when all lie inside it, else 0. */
static int layoutIntersect(LabelLayout *lay, int x, int y, int w, int h)
{
    if (lay == NULL) return -1;
    int inside = 0, outside = 0;
    for (int i = 0; i < lay->numLines; i++) {
        LabelLine *line = &lay->lines[i];
        if (line->width == 0) continue;
        int x1 = line->x, x2 = line->x + line->width, y1 = i * lay->lineHeight, y2 = y1 + lay->lineHeight;
        if (x2 <= x || x1 >= x + w || y2 <= y || y1 >= y + h) outside++;
        else if (x1 >= x && x2 <= x + w && y1 >= y && y2 <= y + h) inside++;
        else return 0;
        if (inside && outside) return 0;
    }
    return inside ? 1 : -1;
}

/* ---- box ---- */

static void computeBbox(GcCanvas c, GcanvasItem *item)
{
    SymbolItem *s = (SymbolItem *)item;
    if (s->numPoints <= 0 || s->points == NULL) {
        item->x1 = item->y1 = item->x2 = item->y2 = -1;
        item->marginX = item->marginY = 0;
        return;
    }
    double b[4] = {s->points[0], s->points[1], s->points[0], s->points[1]};
    for (int i = 1; i < s->numPoints; i++) {
        double x = s->points[2 * i], y = s->points[2 * i + 1];
        if (x < b[0]) b[0] = x;
        if (x > b[2]) b[2] = x;
        if (y < b[1]) b[1] = y;
        if (y > b[3]) b[3] = y;
    }
    setItemBboxFromWorld(c, b[0], b[1], b[2], b[3], item);
    double X1 = item->x1, Y1 = item->y1, X2 = item->x2, Y2 = item->y2;
    double hx = s->xparam / 2.0, hy = s->yparam / 2.0;
    int w = 0, h = 0, f = 0;
    double lx = 0, ly = 0;
    if (s->tkfont == NULL || s->text == NULL || s->text[0] == '\0') {
        freeLayout(s);
        s->rightEdgeMargin = 0;
        s->labelLeft = s->labelRight = s->labelTop = s->labelBottom = 0;
    } else {
        double sx = gcanvasWidgetOf(c)->pixelRatio, sy = sx;
        if (item->scalable) {
            sx = fabs(c->mx * c->textSizeRatio);
            sy = fabs(c->my * c->textSizeRatio);
        }
        TkFontAttributes fa = ((TkFont *)s->tkfont)->fa;
        int size = roundToInt(fa.size * sy);
        if (size < c->textSizeMin) size = c->textSizeMin;
        if (size > c->textSizeMax) size = c->textSizeMax;
        double factor = sy != 0.0 ? fabs(sx / sy * 0.6) : 0.0;
        fa.size = size;
        if (s->scaledFont != NULL) {
            freeLayout(s);
            ovexDeleteFont(s->scaledFont);
        }
        s->scaledFont = ovexGetFontFromAttributes(NULL, gcanvasTkwin(c), &fa, factor, 0.0, 0.0, 0);
        freeLayout(s);
        s->layout = computeLayout(s->scaledFont, s->text, s->width, s->justify);
        w = s->layout->width;
        h = s->layout->height;
        XColor *color;
        Pixmap stipple;
        chooseLabel(c, s, &color, &stipple);
        if (effState(c, item) == GC_STATE_HIDDEN || color == NULL) w = h = 0;

        StippleOffset *o = &s->outline.tsoffset;
        if (o->flags & GC_OFFSET_LEFT) o->xoffset = roundToInt(-hx);
        else if (o->flags & GC_OFFSET_CENTER) o->xoffset = 0;
        else if (o->flags & GC_OFFSET_RIGHT) o->xoffset = roundToInt(hx);
        if (o->flags & GC_OFFSET_TOP) o->yoffset = roundToInt(-hy);
        else if (o->flags & GC_OFFSET_MIDDLE) o->yoffset = 0;
        else if (o->flags & GC_OFFSET_BOTTOM) o->yoffset = roundToInt(hy);

        switch (s->anchor) {
        case TK_ANCHOR_N: case TK_ANCHOR_NE: case TK_ANCHOR_NW:
            ly = -(h + hy + 2);
            s->handleDy = clampToInt(-hy);
            break;
        case TK_ANCHOR_S: case TK_ANCHOR_SE: case TK_ANCHOR_SW:
            ly = hy + 2;
            s->handleDy = clampToInt(hy);
            break;
        default:
            ly = -h / 2.0;
            s->handleDy = 0;
            break;
        }
        switch (s->anchor) {
        case TK_ANCHOR_NW: case TK_ANCHOR_W: case TK_ANCHOR_SW:
            lx = -(w + hx + 2);
            s->handleDx = clampToInt(-hx);
            break;
        case TK_ANCHOR_NE: case TK_ANCHOR_E: case TK_ANCHOR_SE:
            lx = hx + 2;
            s->handleDx = clampToInt(hx);
            break;
        default:
            lx = -(w / 2);
            s->handleDx = 0;
            break;
        }
        GcanvasTextInfo *ti = s->textInfoPtr;
        f = (ti->insertWidth + 1) / 2;
        if (ti->selBorderWidth > f) f = ti->selBorderWidth;
        s->labelLeft = lx;
        s->labelRight = lx + w;
        s->labelTop = ly;
        s->labelBottom = ly + h;
        s->rightEdgeMargin = f;
    }
    float mx = (float)(f + s->outline.width + 1), my = (float)(s->outline.width + 1);
    item->marginX = mx;
    item->marginY = my;
    includeXYDouble(item, X1 + lx - mx, Y1 + ly - my);
    includeXYDouble(item, X2 + lx + mx + w, Y2 + ly + my + h);
    includeXYDouble(item, X1 - hx, Y1 - hy);
    includeXYDouble(item, X2 + hx, Y2 + hy);
}

/* ---- configuration ---- */

static void setGC(GcCanvas c, GC *slot, GC gc)
{
    if (*slot != NULL) Tk_FreeGC(c->display, *slot);
    *slot = gc;
}

static GC colorGC(Tk_Window tkwin, XColor *color, int lineWidth)
{
    if (color == NULL) return NULL;
    XGCValues v;
    v.foreground = color->pixel;
    unsigned long mask = GCForeground;
    if (lineWidth > 0) {
        v.line_width = lineWidth;
        mask |= GCLineWidth;
    }
    return Tk_GetGC(tkwin, mask, &v);
}

static void clampText(GcCanvas c, SymbolItem *s)
{
    GcanvasTextInfo *ti = s->textInfoPtr;
    s->numBytes = s->text != NULL ? (int)strlen(s->text) : 0;
    s->numChars = s->text != NULL ? Tcl_NumUtfChars(s->text, s->numBytes) : 0;
    if (ti->selItemPtr == &s->header) {
        if (ti->selectFirst >= s->numChars) {
            ti->selItemPtr = NULL;
        } else {
            if (ti->selectLast >= s->numChars) ti->selectLast = s->numChars - 1;
            if (ti->anchorItemPtr == &s->header && ti->selectAnchor >= s->numChars) {
                ti->selectAnchor = s->numChars - 1;
            }
        }
    }
    if (s->insertPos >= s->numChars) s->insertPos = s->numChars;
    (void)c;
}

static void configGCs(GcCanvas c, SymbolItem *s)
{
    GcanvasItem *item = &s->header;
    Tk_Window tkwin = gcanvasTkwin(c);
    ItemOutline *o = &s->outline;
    if (o->activeWidth > o->width || o->activeDash.number != 0 || o->activeColor != NULL
            || o->activeStipple != None || s->activeColor != NULL || s->activeStipple != None) {
        item->redraw_flags |= GC_ITEM_STATE_DEPENDANT;
    } else {
        item->redraw_flags &= ~GC_ITEM_STATE_DEPENDANT;
    }
    XColor *color;
    Pixmap stipple;
    chooseLabel(c, s, &color, &stipple);
    GC gc = NULL, selGC = NULL, offGC = NULL;
    XGCValues v;
    if (s->tkfont != NULL) {
        v.font = Tk_FontId(s->tkfont);
        unsigned long mask = GCFont;
        if (color != NULL) {
            v.foreground = color->pixel;
            mask |= GCForeground;
            if (stipple != None) {
                v.stipple = stipple;
                v.fill_style = FillStippled;
                mask |= GCStipple | GCFillStyle;
            }
            gc = Tk_GetGC(tkwin, mask, &v);
        }
        mask = GCFont;
        XColor *selFg = s->textInfoPtr->selFgColorPtr;
        if (selFg != NULL) {
            v.foreground = selFg->pixel;
            mask |= GCForeground;
        }
        if (stipple != None) {
            v.stipple = stipple;
            v.fill_style = FillStippled;
            mask |= GCStipple | GCFillStyle;
        }
        selGC = Tk_GetGC(tkwin, mask, &v);
    }
    GcanvasTextInfo *ti = s->textInfoPtr;
    if (ti->insertBorder != NULL && ti->selBorder != NULL
            && Tk_3DBorderColor(ti->insertBorder)->pixel == Tk_3DBorderColor(ti->selBorder)->pixel) {
        Screen *scr = Tk_Screen(tkwin);
        v.foreground = Tk_3DBorderColor(ti->selBorder)->pixel == BlackPixelOfScreen(scr)
                           ? WhitePixelOfScreen(scr) : BlackPixelOfScreen(scr);
        offGC = Tk_GetGC(tkwin, GCForeground, &v);
    }
    setGC(c, &s->gc, gc);
    setGC(c, &s->selTextGC, selGC);
    setGC(c, &s->cursorOffGC, offGC);

    gc = NULL;
    int mask = outlineConfigGC(&v, c, item, o);
    if (mask && o->width != 0.0 && o->color != NULL) {
        v.cap_style = CapProjecting;
        mask |= GCCapStyle;
        gc = Tk_GetGC(tkwin, mask, &v);
    }
    setGC(c, &o->gc, gc);
    setGC(c, &s->symbolGC, colorGC(tkwin, s->symbolColor, 0));
    setGC(c, &s->markerGC, colorGC(tkwin, s->markerColor, 0));
    double width = o->width;
    if (gcanvasWidgetOf(c)->currentItemPtr == item && o->activeWidth > width) width = o->activeWidth;
    if (width < 1.0) width = 1.0;
    setGC(c, &s->highlightGC, colorGC(tkwin, s->highlightColor, clampToInt(width)));
    clampText(c, s);
}

static int configure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                     int flags)
{
    SymbolItem *s = (SymbolItem *)item;
    char *oldText = s->text;
    int status = Tk_ConfigureWidget(interp, gcanvasTkwin(c), configSpecs, objc, (const char **)objv, (char *)s,
                                    flags | TK_CONFIG_OBJS);
    /* The layout refers into the text: never keep it past a new string. */
    if (s->text != oldText) freeLayout(s);
    if (status != TCL_OK) return TCL_ERROR;
    configGCs(c, s);
    computeBbox(c, item);
    return TCL_OK;
}

static void initItem(GcCanvas c, SymbolItem *s)
{
    GcanvasItem header = s->header;
    memset((char *)s, 0, sizeof *s);
    s->header = header;
    s->textInfoPtr = gcanvasGetTextInfo(c);
    s->anchor = TK_ANCHOR_CENTER;
    s->justify = TK_JUSTIFY_LEFT;
    s->stipple = s->activeStipple = s->disabledStipple = None;
    s->xparam = s->yparam = 10;
    s->highlightComp = s->pickedComp = -1;
    outlineInit(&s->outline);
}

static void deleteProc(GcCanvas c, GcanvasItem *item, Display *display)
{
    SymbolItem *s = (SymbolItem *)item;
    outlineFree(display, &s->outline);
    XColor *colors[] = {s->color, s->activeColor, s->disabledColor, s->symbolColor, s->markerColor,
                        s->highlightColor};
    for (XColor *color : colors) {
        if (color != NULL) Tk_FreeColor(color);
    }
    if (s->tkfont != NULL) Tk_FreeFont(s->tkfont);
    Pixmap stipples[] = {s->stipple, s->activeStipple, s->disabledStipple};
    for (Pixmap p : stipples) {
        if (p != None) Tk_FreeBitmap(display, p);
    }
    if (s->text != NULL) ckfree(s->text);
    if (s->points != NULL) ckfree((char *)s->points);
    freeLayout(s);
    GC gcs[] = {s->gc, s->selTextGC, s->cursorOffGC, s->symbolGC, s->markerGC, s->highlightGC};
    for (GC gc : gcs) {
        if (gc != NULL) Tk_FreeGC(display, gc);
    }
    if (s->scaledFont != NULL) ovexDeleteFont(s->scaledFont);
    s->text = NULL;
    s->points = NULL;
    s->numPoints = 0;
    s->scaledFont = NULL;
    (void)c;
}

static int coords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    SymbolItem *s = (SymbolItem *)item;
    if (objc == 0) {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        for (int i = 0; i < 2 * s->numPoints; i++) {
            Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(s->points[i]));
        }
        Tcl_SetObjResult(interp, list);
        return TCL_OK;
    }
    if (objc % 2 != 0) {
        char buf[100];
        snprintf(buf, sizeof buf, "wrong # coordinates: expected even number of coordates, got %d", objc);
        Tcl_SetResult(interp, buf, TCL_VOLATILE);
        return TCL_ERROR;
    }
    double *points = (double *)ckalloc(objc * sizeof(double));
    for (int i = 0; i < objc; i++) {
        if (gcanvasGetCoordFromObj(interp, c, objv[i], &points[i]) != TCL_OK) {
            ckfree((char *)points);
            return TCL_ERROR;
        }
    }
    if (s->points != NULL) ckfree((char *)s->points);
    s->points = points;
    s->numPoints = objc / 2;
    if (s->highlightComp >= s->numPoints) s->highlightComp = -1;
    if (s->pickedComp >= s->numPoints) s->pickedComp = -1;
    computeBbox(c, item);
    return TCL_OK;
}

static int create(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    SymbolItem *s = (SymbolItem *)item;
    int numCoords = 2;
    if (objc == 1) {
        numCoords = 1;
    } else if (objc > 1) {
        const char *arg = Tcl_GetString(objv[1]);
        if (arg[0] == '-' && arg[1] >= 'a' && arg[1] <= 'z') numCoords = 1;
    }
    if (objc < numCoords) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "wrong # args: should be \"", Tk_PathName(gcanvasTkwin(c)), " create ",
                         item->typePtr->name, " x y ?options?\"", (char *)NULL);
        return TCL_ERROR;
    }
    initItem(c, s);
    if (coords(interp, c, item, numCoords, objv) != TCL_OK
            || configure(interp, c, item, objc - numCoords, objv + numCoords, 0) != TCL_OK) {
        deleteProc(c, item, c->display);
        return TCL_ERROR;
    }
    return TCL_OK;
}

static int createFromPoints(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, PointSetDesc *desc)
{
    SymbolItem *s = (SymbolItem *)item;
    initItem(c, s);
    if (Tk_ConfigureWidget(interp, gcanvasTkwin(c), configSpecs, 0, NULL, (char *)s, TK_CONFIG_OBJS) != TCL_OK) {
        deleteProc(c, item, c->display);
        return TCL_ERROR;
    }
    if (desc != NULL) {
        if (desc->numParts > 0 && desc->points != NULL) {
            s->points = (double *)ckalloc(2 * desc->numParts * sizeof(double));
            memcpy(s->points, desc->points, 2 * desc->numParts * sizeof(double));
            s->numPoints = desc->numParts;
        }
        if (desc->outline != NULL) {
            ItemOutline *from = (ItemOutline *)desc->outline;
            Tk_Window tkwin = gcanvasTkwin(c);
            s->outline.width = from->width;
            XColor **dst[3] = {&s->outline.color, &s->outline.activeColor, &s->symbolColor};
            XColor *src[3] = {from->color, from->activeColor, desc->fill};
            copyColorsForWindow(interp, tkwin, dst, src, 3);
            configGCs(c, s);
        }
    }
    computeBbox(c, item);
    return TCL_OK;
}

/* ---- drawing ---- */

static void drawLabel(GcCanvas c, SymbolItem *s, Display *d, Drawable drawable, double X, double Y)
{
    GcanvasWidget *w = gcanvasWidgetOf(c);
    GcanvasTextInfo *ti = s->textInfoPtr;
    LabelLayout *lay = s->layout;
    double left = X + s->labelLeft, top = Y + s->labelTop;
    XColor *color;
    Pixmap stipple;
    chooseLabel(c, s, &color, &stipple);
    if (stipple != None) gcanvasSetOffset(c, s->gc, &s->tsoffset);

    int first = -1, last = -1;
    if (ti->selItemPtr == &s->header) {
        first = ti->selectFirst;
        last = ti->selectLast;
        if (last >= s->numChars) last = s->numChars - 1;
    }
    int x, y, height;
    if (first >= 0 && first <= last && ti->selBorder != NULL && charBox(s->text, lay, first, &x, &y, &height)) {
        int lx, lyy, lh;
        charBox(s->text, lay, last + 1 <= s->numChars ? last + 1 : s->numChars, &lx, &lyy, &lh);
        int bw = ti->selBorderWidth;
        for (; y <= lyy; y += height) {
            int width = y == lyy ? lx - x : roundToInt(s->labelRight - s->labelLeft - x);
            if (width > 0) {
                Tk_Fill3DRectangle(gcanvasTkwin(c), drawable, ti->selBorder,
                                   gcanvasDrawableCoords(w->drawableXOrigin, left + x - bw),
                                   gcanvasDrawableCoords(w->drawableYOrigin, top + y), width + 2 * bw, height, bw,
                                   TK_RELIEF_RAISED);
            }
            x = 0;
        }
    }
    if (ti->focusItemPtr == &s->header && ti->gotFocus && ti->insertBorder != NULL
            && charBox(s->text, lay, s->insertPos, &x, &y, &height)) {
        int cx = gcanvasDrawableCoords(w->drawableXOrigin, left) + x - ti->insertWidth / 2;
        int cy = gcanvasDrawableCoords(w->drawableYOrigin, top + y);
        if (ti->cursorOn) {
            Tk_Fill3DRectangle(gcanvasTkwin(c), drawable, ti->insertBorder, cx, cy, ti->insertWidth, height,
                               ti->insertBorderWidth, TK_RELIEF_RAISED);
        } else if (s->cursorOffGC != NULL) {
            XFillRectangle(d, drawable, s->cursorOffGC, cx, cy, ti->insertWidth, height);
        }
    }
    int ox = gcanvasDrawableCoords(w->drawableXOrigin, left);
    int oy = gcanvasDrawableCoords(w->drawableYOrigin, top);
    for (int i = 0; i < lay->numLines; i++) {
        LabelLine *line = &lay->lines[i];
        int n = line->numBytes;
        while (n > 0 && s->text[line->byteStart + n - 1] == '\n') n--;
        if (n == 0) continue;
        int baseY = oy + i * lay->lineHeight + lay->ascent;
        drawRotatedChars(d, drawable, s->gc, lay->font, s->text + line->byteStart, n, ox + line->x, baseY, 1.0,
                         0.0);
        if (first >= 0 && s->selTextGC != NULL && s->selTextGC != s->gc) {
            int a = first > line->charStart ? first - line->charStart : 0;
            int b = last + 1 - line->charStart;
            int lineChars = Tcl_NumUtfChars(s->text + line->byteStart, n);
            if (b > lineChars) b = lineChars;
            if (a < b) {
                const char *start = s->text + line->byteStart;
                const char *pa = Tcl_UtfAtIndex(start, a), *pb = Tcl_UtfAtIndex(start, b);
                int skip = 0;
                if (pa > start) ovexMeasureChars(lay->font, start, (int)(pa - start), 0, 0, &skip);
                drawRotatedChars(d, drawable, s->selTextGC, lay->font, pa, (int)(pb - pa), ox + line->x + skip, baseY,
                                 1.0, 0.0);
            }
        }
    }
    if (stipple != None) XSetTSOrigin(d, s->gc, 0, 0);
}

static void display(GcCanvas c, GcanvasItem *item, Display *d, Drawable drawable, int, int, int, int)
{
    SymbolItem *s = (SymbolItem *)item;
    if (s->numPoints <= 0) return;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    int drawLabels = s->gc != NULL && s->layout != NULL && s->labelRight > s->labelLeft;
    GC outlineGC = s->outline.gc;
    if (outlineGC != NULL) outlineChangeGC(c, item, &s->outline);
    int xp = s->xparam, yp = s->yparam;
    for (int i = 0; i < s->numPoints; i++) {
        double X = worldToCanvasX(c, s->points[2 * i]), Y = worldToCanvasY(c, s->points[2 * i + 1]);
        if (drawLabels) drawLabel(c, s, d, drawable, X, Y);
        GC fillGC = i == s->highlightComp && s->highlightGC != NULL ? s->highlightGC : s->symbolGC;
        int DX = gcanvasDrawableCoords(w->drawableXOrigin, X);
        int DY = gcanvasDrawableCoords(w->drawableYOrigin, Y);
        int left = DX - xp / 2, top = DY - yp / 2;
        switch (s->symbolType) {
        case SYM_OVAL:
            if (fillGC != NULL) XFillArc(d, drawable, fillGC, left, top, xp, yp, 0, 23040);
            if (outlineGC != NULL) XDrawArc(d, drawable, outlineGC, left, top, xp, yp, 0, 23040);
            break;
        case SYM_RECTANGLE:
            if (fillGC != NULL) XFillRectangle(d, drawable, fillGC, left, top, xp, yp);
            if (outlineGC != NULL) XDrawRectangle(d, drawable, outlineGC, left, top, xp, yp);
            break;
        case SYM_DIAMOND: {
            XPoint p[5] = {{(short)DX, (short)top}, {(short)left, (short)DY}, {(short)DX, (short)(top + yp)},
                           {(short)(left + xp), (short)DY}, {(short)DX, (short)top}};
            if (fillGC != NULL) XFillPolygon(d, drawable, fillGC, p, 5, Complex, CoordModeOrigin);
            if (outlineGC != NULL) XDrawLines(d, drawable, outlineGC, p, 5, CoordModeOrigin);
            break;
        }
        case SYM_CROSSHAIR: {
            short hx = (short)(xp / 2);
            XPoint p[13] = {{(short)(DX + 1), (short)top},         {(short)(DX + 1), (short)(DY - 1)},
                            {(short)(DX + hx), (short)(DY - 1)},   {(short)(DX + hx), (short)(DY + 1)},
                            {(short)(DX + 1), (short)(DY + 1)},    {(short)(DX + 1), (short)(top + yp)},
                            {(short)(DX - 1), (short)(top + yp)},  {(short)(DX - 1), (short)(DY + 1)},
                            {(short)left, (short)(DY + 1)},        {(short)left, (short)(DY - 1)},
                            {(short)(DX - 1), (short)(DY - 1)},    {(short)(DX - 1), (short)top},
                            {(short)(DX + 1), (short)top}};
            if (fillGC != NULL) XFillPolygon(d, drawable, fillGC, p, 13, Complex, CoordModeOrigin);
            if (outlineGC != NULL) XDrawLines(d, drawable, outlineGC, p, 13, CoordModeOrigin);
            break;
        }
        default:
            if (outlineGC != NULL) {
                XDrawLine(d, drawable, outlineGC, DX, DY, DX + s->handleDx, DY + s->handleDy);
            }
            break;
        }
        if (s->markerGC != NULL) {
            if (s->markerType == MARK_POINT) {
                XDrawRectangle(d, drawable, s->markerGC, DX, DY, 1, 1);
            } else {
                XDrawLine(d, drawable, s->markerGC, left + 1, DY, left + xp - 1, DY);
                XDrawLine(d, drawable, s->markerGC, DX, top + 1, DX, top + yp - 1);
            }
        }
    }
    if (outlineGC != NULL) outlineResetGC(c, item, &s->outline);
}

/* ---- hit tests ---- */

static double symbolDistance(GcCanvas c, SymbolItem *s, int i, const double *p, int withLabel)
{
    double X = worldToCanvasX(c, s->points[2 * i]), Y = worldToCanvasY(c, s->points[2 * i + 1]);
    double hx = s->xparam / 2.0, hy = s->yparam / 2.0;
    double box[4] = {X - hx, Y - hy, X + hx, Y + hy};
    double d = ovalToPointEx(1.0, 1.0, box, 0.0, s->symbolGC != NULL, p);
    if (s->symbolType == SYM_HANDLE) {
        /* The outline GC always has projecting caps and miter joins, so
         * these hold whether or not the item has one. */
        double line[4] = {X, Y, X + s->handleDx, Y + s->handleDy};
        double dl = thickPolylineToPoint(line, 2, s->outline.width, CapProjecting, JoinMiter, p);
        if (dl < d) d = dl;
    }
    if (withLabel) {
        double dl = layoutDistance(s->layout, roundToInt(p[0] - X - s->labelLeft),
                                   roundToInt(p[1] - Y - s->labelTop));
        if (dl < d) d = dl;
    }
    return d;
}

static double toPoint(GcCanvas c, GcanvasItem *item, double *p)
{
    SymbolItem *s = (SymbolItem *)item;
    double best = 1.0e36;
    int picked = -1;
    int withLabel = labelShown(c, s) && s->layout != NULL;
    double closeEnough = gcanvasWidgetOf(c)->closeEnough;
    for (int i = s->numPoints - 1; i >= 0; i--) {
        double d = symbolDistance(c, s, i, p, withLabel);
        if (d < best) {
            best = d;
            picked = i;
            if (d < closeEnough) break;
        }
    }
    s->pickedComp = picked;
    return best;
}

static int toArea(GcCanvas c, GcanvasItem *item, double *area)
{
    SymbolItem *s = (SymbolItem *)item;
    if (s->numPoints <= 0) return -1;
    double ib[4] = {item->x1, item->y1, item->x2, item->y2};
    int r = boxToBoxDouble(ib, area);
    if (s->numPoints == 1 || r == -1) return r;
    double hx = s->xparam / 2.0, hy = s->yparam / 2.0;
    int withLabel = labelShown(c, s) && s->layout != NULL;
    for (int i = 0; i < s->numPoints; i++) {
        double X = worldToCanvasX(c, s->points[2 * i]), Y = worldToCanvasY(c, s->points[2 * i + 1]);
        double box[4] = {X - hx, Y - hy, X + hx, Y + hy};
        r = boxToBoxDouble(box, area);
        if (r >= 0) return r;
        if (withLabel) {
            double LX = X + s->labelLeft, LY = Y + s->labelTop;
            r = layoutIntersect(s->layout, roundToInt(area[0] - LX), roundToInt(area[1] - LY),
                                roundToInt(area[2] - area[0]), roundToInt(area[3] - area[1]));
            if (r >= 0) return r;
        }
    }
    return -1;
}

/* ---- components ---- */

static double *getPoints(GcanvasItem *item, int *count)
{
    SymbolItem *s = (SymbolItem *)item;
    *count = s->numPoints;
    return s->points;
}

static int *getParts(GcanvasItem *item, int *count)
{
    *count = ((SymbolItem *)item)->numPoints;
    return NULL;
}

static int getComponent(GcanvasItem *item)
{
    return ((SymbolItem *)item)->pickedComp;
}

static void redrawSymbol(GcCanvas c, GcanvasItem *item, int i)
{
    SymbolItem *s = (SymbolItem *)item;
    double X = worldToCanvasX(c, s->points[2 * i]), Y = worldToCanvasY(c, s->points[2 * i + 1]);
    double hx = s->xparam / 2.0, hy = s->yparam / 2.0;
    gcanvasEventuallyRedraw(c, X - hx, Y - hy, X + hx, Y + hy, 1);
}

static void highlightComponent(GcCanvas c, GcanvasItem *item, int on)
{
    SymbolItem *s = (SymbolItem *)item;
    componentHighlight(c, item, on, s->pickedComp, &s->highlightComp, s->numPoints, redrawSymbol);
}

static void scaleProc(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy)
{
    SymbolItem *s = (SymbolItem *)item;
    pointsScale(s->points, s->numPoints, ox, oy, sx, sy);
    computeBbox(c, item);
}

static void translateProc(GcCanvas c, GcanvasItem *item, double dx, double dy)
{
    SymbolItem *s = (SymbolItem *)item;
    pointsTranslate(s->points, s->numPoints, dx, dy);
    computeBbox(c, item);
}

/* ---- label editing ---- */

static int indexProc(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, Tcl_Obj *obj, int *indexPtr)
{
    SymbolItem *s = (SymbolItem *)item;
    int isPoint;
    double x, y;
    if (textIndexFromObj(interp, s->textInfoPtr, item, obj, s->numChars, s->insertPos, indexPtr, &isPoint, &x, &y)
        != TCL_OK) {
        return TCL_ERROR;
    }
    if (!isPoint) return TCL_OK;
    /* A window position names a character of the label of the point
     * nearest to it. */
    GcanvasWidget *w = gcanvasWidgetOf(c);
    double cx = roundToInt(x) + w->xOrigin, cy = roundToInt(y) + w->yOrigin;
    int best = -1;
    double bestD = 0;
    for (int i = 0; i < s->numPoints; i++) {
        double dx = worldToCanvasX(c, s->points[2 * i]) - cx, dy = worldToCanvasY(c, s->points[2 * i + 1]) - cy;
        double d = dx * dx + dy * dy;
        if (best < 0 || d < bestD) {
            best = i;
            bestD = d;
        }
    }
    *indexPtr = 0;
    if (best >= 0 && s->layout != NULL) {
        double X = worldToCanvasX(c, s->points[2 * best]), Y = worldToCanvasY(c, s->points[2 * best + 1]);
        *indexPtr = pointToChar(s->text, s->layout, roundToInt(cx - X - s->labelLeft),
                                roundToInt(cy - Y - s->labelTop));
    }
    return TCL_OK;
}

static void icursorProc(GcCanvas c, GcanvasItem *item, int index)
{
    SymbolItem *s = (SymbolItem *)item;
    s->insertPos = index < 0 ? 0 : index > s->numChars ? s->numChars : index;
    GcanvasTextInfo *ti = s->textInfoPtr;
    if (ti->focusItemPtr == item && ti->cursorOn) gcanvasEventuallyRedrawItem(c, item);
}

static int selectionProc(GcCanvas c, GcanvasItem *item, int offset, char *buffer, int maxBytes)
{
    SymbolItem *s = (SymbolItem *)item;
    GcanvasTextInfo *ti = s->textInfoPtr;
    if (ti->selectFirst < 0 || ti->selectFirst > ti->selectLast || s->text == NULL) return 0;
    const char *from = Tcl_UtfAtIndex(s->text, ti->selectFirst);
    const char *to = Tcl_UtfAtIndex(from, ti->selectLast - ti->selectFirst + 1);
    int count = (int)(to - from) - offset;
    if (count > maxBytes) count = maxBytes;
    if (count <= 0) return 0;
    memcpy(buffer, from + offset, count);
    buffer[count] = '\0';
    (void)c;
    return count;
}

static void insertProc(GcCanvas c, GcanvasItem *item, int index, Tcl_Obj *obj)
{
    SymbolItem *s = (SymbolItem *)item;
    GcanvasTextInfo *ti = s->textInfoPtr;
    int byteCount;
    const char *add = Tcl_GetStringFromObj(obj, &byteCount);
    if (byteCount == 0) return;
    if (index < 0) index = 0;
    if (index > s->numChars) index = s->numChars;
    const char *text = s->text != NULL ? s->text : "";
    int at = (int)(Tcl_UtfAtIndex(text, index) - text);
    char *fresh = textSpliceIn(text, s->numBytes, at, add, byteCount);
    freeLayout(s);
    if (s->text != NULL) ckfree(s->text);
    s->text = fresh;
    int charsAdded = Tcl_NumUtfChars(add, byteCount);
    s->numChars += charsAdded;
    s->numBytes += byteCount;
    textMarksInserted(ti, item, &s->insertPos, index, charsAdded);
    computeBbox(c, item);
}

static void dCharsProc(GcCanvas c, GcanvasItem *item, int first, int last)
{
    SymbolItem *s = (SymbolItem *)item;
    GcanvasTextInfo *ti = s->textInfoPtr;
    if (first < 0) first = 0;
    if (last >= s->numChars) last = s->numChars - 1;
    if (first > last || s->text == NULL) return;
    int count = last + 1 - first;
    char *from = (char *)Tcl_UtfAtIndex(s->text, first);
    const char *to = Tcl_UtfAtIndex(from, count);
    int bytes = (int)(to - from);
    char *fresh = textSpliceOut(s->text, s->numBytes, (int)(from - s->text), (int)(to - s->text));
    freeLayout(s);
    ckfree(s->text);
    s->text = fresh;
    s->numChars -= count;
    s->numBytes -= bytes;
    textMarksDeleted(ti, item, &s->insertPos, first, count);
    computeBbox(c, item);
}

/* ---- PostScript: the labels only ---- */

static void appendPsStrings(Tcl_Interp *interp, SymbolItem *s)
{
    LabelLayout *lay = s->layout;
    Tcl_DString ds;
    Tcl_DStringInit(&ds);
    Tcl_DStringAppend(&ds, "(", 1);
    for (int i = 0; i < lay->numLines; i++) {
        LabelLine *line = &lay->lines[i];
        if (i > 0) Tcl_DStringAppend(&ds, ")\n(", 3);
        const char *p = s->text + line->byteStart, *end = p + line->numBytes;
        while (p < end) {
            Tcl_UniChar ch;
            int n = Tcl_UtfToUniChar(p, &ch);
            p += n;
            if (ch == '\n') continue;
            char buf[8];
            if (ch == '\t') {
                Tcl_DStringAppend(&ds, "\\t", 2);
                continue;
            }
            unsigned char b = (unsigned char)(ch & 0xff);
            if (b == '(' || b == ')' || b == '\\' || b < 32 || b > 126) {
                snprintf(buf, sizeof buf, "\\%03o", b);
                Tcl_DStringAppend(&ds, buf, -1);
            } else {
                buf[0] = (char)b;
                Tcl_DStringAppend(&ds, buf, 1);
            }
        }
    }
    Tcl_DStringAppend(&ds, ")\n", 2);
    Tcl_AppendResult(interp, Tcl_DStringValue(&ds), (char *)NULL);
    Tcl_DStringFree(&ds);
}

static void labelPsStrings(Tcl_Interp *interp, const void *text)
{
    appendPsStrings(interp, (SymbolItem *)text);
}

static int labelPostscript(Tcl_Interp *interp, GcCanvas c, SymbolItem *s, int i, int prepass)
{
    XColor *color;
    Pixmap stipple;
    chooseLabel(c, s, &color, &stipple);
    double X = worldToCanvasX(c, s->points[2 * i]), Y = worldToCanvasY(c, s->points[2 * i + 1]);
    return textBlockPostscript(interp, c, s->tkfont, color, stipple, X, Y, s->anchor, s->justify, prepass,
                               labelPsStrings, s);
}

static int postscript(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int prepass)
{
    SymbolItem *s = (SymbolItem *)item;
    if (!labelShown(c, s) || s->layout == NULL || s->tkfont == NULL) return TCL_OK;
    for (int i = 0; i < s->numPoints; i++) {
        /* A failing label is left out; the next point follows. */
        Tcl_Obj *saved = Tcl_GetObjResult(interp);
        Tcl_IncrRefCount(saved);
        Tcl_ResetResult(interp);
        if (labelPostscript(interp, c, s, i, prepass) == TCL_OK) {
            if (Tcl_IsShared(saved)) {
                Tcl_Obj *copy = Tcl_DuplicateObj(saved);
                Tcl_DecrRefCount(saved);
                saved = copy;
                Tcl_IncrRefCount(saved);
            }
            Tcl_AppendObjToObj(saved, Tcl_GetObjResult(interp));
        }
        Tcl_SetObjResult(interp, saved);
        Tcl_DecrRefCount(saved);
        if (prepass) break;
    }
    return TCL_OK;
}

GcanvasItemType gcanvasSymbolType = {
    "symbol", sizeof(SymbolItem), create, configSpecs, configure, coords, deleteProc, display,
    GC_TYPE_OBJECTS, toPoint, toArea, postscript, scaleProc, translateProc, indexProc, icursorProc,
    selectionProc, insertProc, dCharsProc, computeBbox, NULL, NULL, NULL, createFromPoints, NULL, getPoints,
    getParts, NULL, NULL, getComponent, highlightComponent, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
    NULL};
