/*
 * text_item.cpp --
 *
 *	The text item: editable text anchored at one world point, laid out
 *	with the rotated layout (unturned) over a font of its own made at
 *	the scaled size; and the procedures the gtext item shares with it
 *	(options, GCs, editing, indices, selection, PostScript).
 *
 *	The layout points into the item's text without copying it, so the
 *	layout is dropped whenever the text changes or is not shown; every
 *	procedure treats a missing layout as an empty text.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "canvas/text_item.h"
#include "canvas/text_editing.h"
#include "canvas/text_postscript.h"
#include "canvas/gcanvas_outline.h"
#include "canvas/gcanvas_postscript.h"
#include "core/rounding.h"

#ifndef MODULE_SCOPE
#define MODULE_SCOPE extern
#endif
typedef struct TkMainInfo TkMainInfo;   /* named by the header, not used here */
#include "tk-private/generic/tkFont.h"

#define T(f) TEXT_ITEM_SPEC(f)

static Tk_ConfigSpec configSpecs[] = {
    {TK_CONFIG_COLOR, "-activefill", NULL, NULL, NULL, T(activeColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-activestipple", NULL, NULL, NULL, T(activeStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_ANCHOR, "-anchor", NULL, NULL, "center", T(anchor), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_COLOR, "-disabledfill", NULL, NULL, NULL, T(disabledColor), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_BITMAP, "-disabledstipple", NULL, NULL, NULL, T(disabledStipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_COLOR, "-fill", NULL, NULL, "black", T(color), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_INT, "-floating", NULL, NULL, "0", T(header.floating), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_FONT, "-font", NULL, NULL, "{MS Sans Serif} 8", T(tkfont), 0, NULL},
    {TK_CONFIG_JUSTIFY, "-justify", NULL, NULL, "left", T(justify), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-offset", NULL, NULL, "0,0", T(tsoffset), TK_CONFIG_DONT_SET_DEFAULT,
     &gcanvasRelOffsetOption},
    {TK_CONFIG_INT, "-scalable", NULL, NULL, "0", T(header.scalable), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_CUSTOM, "-state", NULL, NULL, NULL, T(header.state), TK_CONFIG_NULL_OK, &gcanvasStateOption},
    {TK_CONFIG_BITMAP, "-stipple", NULL, NULL, NULL, T(stipple), TK_CONFIG_NULL_OK, NULL},
    {TK_CONFIG_CUSTOM, "-tags", NULL, NULL, NULL, 0, TK_CONFIG_NULL_OK, &gcanvasTagsOption},
    {TK_CONFIG_STRING, "-text", NULL, NULL, "", T(text), 0, NULL},
    {TK_CONFIG_PIXELS, "-width", NULL, NULL, "0", T(width), TK_CONFIG_DONT_SET_DEFAULT, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

/* ---- scaled fonts ------------------------------------------------------ */

/* Many items ask for the same scaled font: one font per distinct set of
 * attributes, counted. */
typedef struct ScaledFontEntry {
    OvexFont *font;
    int refCount;
    Tcl_HashEntry *entry;
} ScaledFontEntry;

static Tcl_HashTable scaledFonts;
static int scaledFontsReady = 0;
static Tcl_HashTable fontOwners;        /* OvexFont * -> ScaledFontEntry */

OvexFont *acquireScaledFont(Tk_Window tkwin, Tk_Font tkfont, int size, double widthFactor,
                            double escapement, double orientation, int advanced)
{
    if (!scaledFontsReady) {
        Tcl_InitHashTable(&scaledFonts, TCL_STRING_KEYS);
        Tcl_InitHashTable(&fontOwners, TCL_ONE_WORD_KEYS);
        scaledFontsReady = 1;
    }
    TkFontAttributes fa = ((TkFont *)tkfont)->fa;
    fa.size = size;
    char key[512];
    snprintf(key, sizeof key, "%p|%.200s|%d|%d|%d|%d|%d|%.9g|%.9g|%.9g|%d", (void *)tkwin,
             fa.family != NULL ? fa.family : "", size, fa.weight, fa.slant, fa.underline,
             fa.overstrike, widthFactor, escapement, orientation, advanced);
    int isNew;
    Tcl_HashEntry *e = Tcl_CreateHashEntry(&scaledFonts, key, &isNew);
    if (!isNew) {
        ScaledFontEntry *s = (ScaledFontEntry *)Tcl_GetHashValue(e);
        s->refCount++;
        return s->font;
    }
    OvexFont *font = ovexGetFontFromAttributes(NULL, tkwin, &fa, widthFactor, escapement,
                                               orientation, advanced);
    if (font == NULL) {
        Tcl_DeleteHashEntry(e);
        return NULL;
    }
    ScaledFontEntry *s = (ScaledFontEntry *)ckalloc(sizeof(ScaledFontEntry));
    s->font = font;
    s->refCount = 1;
    s->entry = e;
    Tcl_SetHashValue(e, s);
    Tcl_HashEntry *owner = Tcl_CreateHashEntry(&fontOwners, (char *)font, &isNew);
    Tcl_SetHashValue(owner, s);
    return font;
}

void releaseScaledFont(OvexFont *font)
{
    if (font == NULL || !scaledFontsReady) return;
    Tcl_HashEntry *owner = Tcl_FindHashEntry(&fontOwners, (char *)font);
    if (owner == NULL) return;
    ScaledFontEntry *s = (ScaledFontEntry *)Tcl_GetHashValue(owner);
    if (--s->refCount > 0) return;
    Tcl_DeleteHashEntry(owner);
    Tcl_DeleteHashEntry(s->entry);
    ovexDeleteFont(s->font);
    ckfree((char *)s);
}

double fontGivenSize(Tcl_Interp *interp, Tk_Font tkfont)
{
    if (tkfont == NULL) return 0;
    TkFont *f = (TkFont *)tkfont;
    const char *name = Tk_NameOfFont(tkfont);
    double size = 0;
    if (f->namedHashPtr != NULL && interp != NULL) {
        /* A named font: the size it was configured with. */
        Tcl_Obj *cmd[4] = {Tcl_NewStringObj("font", -1), Tcl_NewStringObj("configure", -1),
                           Tcl_NewStringObj(name, -1), Tcl_NewStringObj("-size", -1)};
        for (int i = 0; i < 4; i++) Tcl_IncrRefCount(cmd[i]);
        Tcl_InterpState state = Tcl_SaveInterpState(interp, TCL_OK);
        if (Tcl_EvalObjv(interp, 4, cmd, TCL_EVAL_GLOBAL) == TCL_OK) {
            Tcl_GetDoubleFromObj(NULL, Tcl_GetObjResult(interp), &size);
        }
        Tcl_RestoreInterpState(interp, state);
        for (int i = 0; i < 4; i++) Tcl_DecrRefCount(cmd[i]);
        return size;
    }
    int argc;
    const char **argv;
    if (Tcl_SplitList(NULL, name, &argc, &argv) != TCL_OK) return f->fa.size;
    if (argc == 1 && argv[0][0] == '-') {
        size = f->fa.size;                  /* an XLFD name: what was found */
    } else if (argc >= 2 && argv[0][0] == '-') {
        for (int i = 0; i + 1 < argc; i += 2) {
            if (strcmp(argv[i], "-size") == 0) Tcl_GetDouble(NULL, argv[i + 1], &size);
        }
    } else if (argc >= 2) {
        Tcl_GetDouble(NULL, argv[1], &size);
    }
    ckfree((char *)argv);
    return size;
}

int scaledTextSize(GcCanvas c, int scalable, double givenSize, double *sx, double *sy, int *size)
{
    /* Unscaled text keeps its size in screen pixels, which a print at the
     * page's resolution draws larger. */
    *sx = *sy = gcanvasWidgetOf(c)->pixelRatio;
    if (scalable) {
        *sx = fabs(c->mx * c->textSizeRatio);
        *sy = fabs(c->my * c->textSizeRatio);
    }
    *size = roundToInt(givenSize * *sy);
    if (*size < c->textSizeMin) return 0;
    if (*size > c->textSizeMax) *size = c->textSizeMax;
    return 1;
}

/* ---- shared helpers ----------------------------------------------------- */

int textItemState(GcCanvas c, GcanvasItem *item)
{
    return gcanvasItemState(c, item);
}

void textItemChoose(GcCanvas c, TextItem *t, XColor **color, Pixmap *stipple)
{
    *color = t->color;
    *stipple = t->stipple;
    if (gcanvasWidgetOf(c)->currentItemPtr == &t->header) {
        if (t->activeColor != NULL) *color = t->activeColor;
        if (t->activeStipple != None) *stipple = t->activeStipple;
    } else if (textItemState(c, &t->header) == GC_STATE_DISABLED) {
        if (t->disabledColor != NULL) *color = t->disabledColor;
        if (t->disabledStipple != None) *stipple = t->disabledStipple;
    }
}

int textItemBlank(GcCanvas c, TextItem *t)
{
    XColor *color;
    Pixmap stipple;
    textItemChoose(c, t, &color, &stipple);
    return textItemState(c, &t->header) == GC_STATE_HIDDEN || color == NULL || t->text == NULL
           || t->text[0] == '\0';
}

void textItemDropLayout(TextItem *t)
{
    rotTextFreeLayout(t->layout);
    t->layout = NULL;
}

int textItemMargin(GcCanvas c)
{
    GcanvasTextInfo *info = gcanvasGetTextInfo(c);
    int f = (info->insertWidth + 1) / 2;
    return info->selBorderWidth > f ? info->selBorderWidth : f;
}

/* The byte offset of character index in a text of numChars characters. */
static int byteOffset(const char *text, int numChars, int index)
{
    if (index <= 0) return 0;
    if (index > numChars) index = numChars;
    return (int)(Tcl_UtfAtIndex(text, index) - text);
}

static void computeBbox(GcCanvas c, GcanvasItem *item)
{
    item->typePtr->bboxProc(c, item);
}

/* ---- creation, configuration, deletion --------------------------------- */

int textItemCoords(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    TextItem *t = (TextItem *)item;
    if (objc == 0) {
        Tcl_Obj *list = Tcl_NewListObj(0, NULL);
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(t->x));
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewDoubleObj(t->y));
        Tcl_SetObjResult(interp, list);
        return TCL_OK;
    }
    Tcl_Obj **words = (Tcl_Obj **)objv;
    char buf[80];
    if (objc == 1) {
        int n;
        if (Tcl_ListObjGetElements(interp, objv[0], &n, &words) != TCL_OK) return TCL_ERROR;
        if (n != 2) {
            snprintf(buf, sizeof buf, "wrong # coordinates: expected 2, got %d", n);
            Tcl_SetResult(interp, buf, TCL_VOLATILE);
            return TCL_ERROR;
        }
    } else if (objc != 2) {
        snprintf(buf, sizeof buf, "wrong # coordinates: expected 0 or 2, got %d", objc);
        Tcl_SetResult(interp, buf, TCL_VOLATILE);
        return TCL_ERROR;
    }
    double x, y;
    if (gcanvasGetCoordFromObj(interp, c, words[0], &x) != TCL_OK
            || gcanvasGetCoordFromObj(interp, c, words[1], &y) != TCL_OK) {
        return TCL_ERROR;
    }
    if (t->text == NULL) {
        t->x = x;
        t->y = y;
        computeBbox(c, item);
    } else {
        item->typePtr->translateProc(c, item, x - t->x, y - t->y);
    }
    return TCL_OK;
}

int textItemCreate(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[])
{
    TextItem *t = (TextItem *)item;
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
    t->textInfoPtr = gcanvasGetTextInfo(c);
    t->insertPos = 0;
    t->anchor = TK_ANCHOR_CENTER;
    t->justify = TK_JUSTIFY_LEFT;
    if (textItemCoords(interp, c, item, numCoords, objv) != TCL_OK
            || item->typePtr->configProc(interp, c, item, objc - numCoords, objv + numCoords, 0) != TCL_OK) {
        textItemDelete(c, item, c->display);
        return TCL_ERROR;
    }
    return TCL_OK;
}

int textItemConfigure(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int objc, Tcl_Obj *const objv[],
                      int flags)
{
    TextItem *t = (TextItem *)item;
    Tk_Window tkwin = gcanvasTkwin(c);
    GcanvasTextInfo *info = t->textInfoPtr;
    /* The text may be replaced below: the layout must not outlive it. */
    textItemDropLayout(t);
    int status = Tk_ConfigureWidget(interp, tkwin, item->typePtr->configSpecs, objc, (const char **)objv,
                                    (char *)t, flags | TK_CONFIG_OBJS);
    if (t->activeColor != NULL || t->activeStipple != None) {
        item->redraw_flags |= GC_ITEM_STATE_DEPENDANT;
    } else {
        item->redraw_flags &= ~GC_ITEM_STATE_DEPENDANT;
    }
    XColor *color;
    Pixmap stipple;
    textItemChoose(c, t, &color, &stipple);

    XGCValues values;
    GC newGC = NULL, newSelGC = NULL;
    if (t->tkfont != NULL) {
        unsigned long mask = GCFont;
        values.font = Tk_FontId(t->tkfont);
        if (color != NULL) {
            values.foreground = color->pixel;
            mask |= GCForeground;
            if (stipple != None) {
                values.stipple = stipple;
                values.fill_style = FillStippled;
                mask |= GCStipple | GCFillStyle;
            }
            newGC = Tk_GetGC(tkwin, mask, &values);
        }
        mask = GCFont;
        if (info->selFgColorPtr != NULL) {
            values.foreground = info->selFgColorPtr->pixel;
            mask |= GCForeground;
        }
        if (stipple != None) {
            values.stipple = stipple;
            values.fill_style = FillStippled;
            mask |= GCStipple | GCFillStyle;
        }
        newSelGC = Tk_GetGC(tkwin, mask, &values);
    }
    if (t->gc != NULL) Tk_FreeGC(c->display, t->gc);
    t->gc = newGC;
    if (t->selTextGC != NULL) Tk_FreeGC(c->display, t->selTextGC);
    t->selTextGC = newSelGC;

    newGC = NULL;
    XColor *insertColor = info->insertBorder != NULL ? Tk_3DBorderColor(info->insertBorder) : NULL;
    XColor *selColor = info->selBorder != NULL ? Tk_3DBorderColor(info->selBorder) : NULL;
    if (insertColor != NULL && selColor != NULL && insertColor->pixel == selColor->pixel) {
        Screen *screen = Tk_Screen(tkwin);
        values.foreground = BlackPixelOfScreen(screen) == insertColor->pixel ? WhitePixelOfScreen(screen)
                                                                             : BlackPixelOfScreen(screen);
        newGC = Tk_GetGC(tkwin, GCForeground, &values);
    }
    if (t->cursorOffGC != NULL) Tk_FreeGC(c->display, t->cursorOffGC);
    t->cursorOffGC = newGC;

    if (t->text == NULL) {
        t->text = (char *)ckalloc(1);
        t->text[0] = '\0';
    }
    t->numBytes = (int)strlen(t->text);
    t->numChars = Tcl_NumUtfChars(t->text, t->numBytes);
    if (info->selItemPtr == item) {
        if (info->selectFirst >= t->numChars) {
            info->selItemPtr = NULL;
        } else {
            if (info->selectLast >= t->numChars) info->selectLast = t->numChars - 1;
            if (info->anchorItemPtr == item && info->selectAnchor >= t->numChars) {
                info->selectAnchor = t->numChars - 1;
            }
        }
    }
    if (t->insertPos >= t->numChars) t->insertPos = t->numChars;
    t->givenSize = fontGivenSize(c->interp, t->tkfont);
    computeBbox(c, item);
    return status;
}

void textItemDelete(GcCanvas c, GcanvasItem *item, Display *display)
{
    TextItem *t = (TextItem *)item;
    (void)c;
    if (t->color != NULL) Tk_FreeColor(t->color);
    if (t->activeColor != NULL) Tk_FreeColor(t->activeColor);
    if (t->disabledColor != NULL) Tk_FreeColor(t->disabledColor);
    if (t->tkfont != NULL) Tk_FreeFont(t->tkfont);
    if (t->stipple != None) Tk_FreeBitmap(display, t->stipple);
    if (t->activeStipple != None) Tk_FreeBitmap(display, t->activeStipple);
    if (t->disabledStipple != None) Tk_FreeBitmap(display, t->disabledStipple);
    textItemDropLayout(t);
    if (t->text != NULL) ckfree(t->text);
    if (t->gc != NULL) Tk_FreeGC(display, t->gc);
    if (t->selTextGC != NULL) Tk_FreeGC(display, t->selTextGC);
    if (t->cursorOffGC != NULL) Tk_FreeGC(display, t->cursorOffGC);
    releaseScaledFont(t->scaledFont);
    t->scaledFont = NULL;
    t->color = t->activeColor = t->disabledColor = NULL;
    t->tkfont = NULL;
    t->stipple = t->activeStipple = t->disabledStipple = None;
    t->text = NULL;
    t->gc = t->selTextGC = t->cursorOffGC = NULL;
}

void textItemScale(GcCanvas c, GcanvasItem *item, double ox, double oy, double sx, double sy)
{
    TextItem *t = (TextItem *)item;
    t->x = ox + sx * (t->x - ox);
    t->y = oy + sy * (t->y - oy);
    computeBbox(c, item);
}

void textItemTranslate(GcCanvas c, GcanvasItem *item, double dx, double dy)
{
    TextItem *t = (TextItem *)item;
    t->x += dx;
    t->y += dy;
    computeBbox(c, item);
}

/* ---- indices, cursor, selection, editing -------------------------------- */

int textItemIndexCommon(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, Tcl_Obj *obj, int *indexPtr,
                        int *isPoint, double *px, double *py)
{
    TextItem *t = (TextItem *)item;
    (void)c;
    return textIndexFromObj(interp, t->textInfoPtr, item, obj, t->numChars, t->insertPos, indexPtr, isPoint, px, py);
}

static int textIndex(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, Tcl_Obj *obj, int *indexPtr)
{
    TextItem *t = (TextItem *)item;
    int isPoint;
    double x, y;
    if (textItemIndexCommon(interp, c, item, obj, indexPtr, &isPoint, &x, &y) != TCL_OK) return TCL_ERROR;
    if (isPoint) {
        GcanvasWidget *w = gcanvasWidgetOf(c);
        x = roundToInt(x);
        y = roundToInt(y);
        *indexPtr = t->layout == NULL ? 0
                    : rotTextPointToChar(t->layout, roundToInt(x + w->xOrigin - t->leftEdge),
                                         roundToInt(y + w->yOrigin - item->y1));
    }
    return TCL_OK;
}

void textItemSetCursor(GcCanvas c, GcanvasItem *item, int index)
{
    TextItem *t = (TextItem *)item;
    (void)c;
    if (index < 0) index = 0;
    if (index > t->numChars) index = t->numChars;
    t->insertPos = index;
}

int textItemGetSelection(GcCanvas c, GcanvasItem *item, int offset, char *buffer, int maxBytes)
{
    TextItem *t = (TextItem *)item;
    GcanvasTextInfo *info = t->textInfoPtr;
    (void)c;
    if (t->text == NULL || info->selectFirst < 0 || info->selectFirst > info->selectLast) return 0;
    int from = byteOffset(t->text, t->numChars, info->selectFirst);
    int to = byteOffset(t->text, t->numChars, info->selectLast + 1);
    int count = to - from - offset;
    if (count > maxBytes) count = maxBytes;
    if (count <= 0) return 0;
    memcpy(buffer, t->text + from + offset, (size_t)count);
    buffer[count] = '\0';
    return count;
}

void textItemInsert(GcCanvas c, GcanvasItem *item, int index, Tcl_Obj *obj)
{
    TextItem *t = (TextItem *)item;
    GcanvasTextInfo *info = t->textInfoPtr;
    int byteCount;
    const char *s = Tcl_GetStringFromObj(obj, &byteCount);
    if (t->text == NULL) return;
    if (index < 0) index = 0;
    if (index > t->numChars) index = t->numChars;
    int charsAdded = Tcl_NumUtfChars(s, byteCount);
    if (charsAdded == 0) return;
    int at = byteOffset(t->text, t->numChars, index);
    char *text = textSpliceIn(t->text, t->numBytes, at, s, byteCount);
    textItemDropLayout(t);
    ckfree(t->text);
    t->text = text;
    t->numChars += charsAdded;
    t->numBytes += byteCount;
    textMarksInserted(info, item, &t->insertPos, index, charsAdded);
    computeBbox(c, item);
}

void textItemDeleteChars(GcCanvas c, GcanvasItem *item, int first, int last)
{
    TextItem *t = (TextItem *)item;
    GcanvasTextInfo *info = t->textInfoPtr;
    if (t->text == NULL) return;
    if (first < 0) first = 0;
    if (last >= t->numChars) last = t->numChars - 1;
    if (first > last) return;
    int charsRemoved = last + 1 - first;
    int from = byteOffset(t->text, t->numChars, first);
    int to = byteOffset(t->text, t->numChars, last + 1);
    int byteCount = to - from;
    char *text = textSpliceOut(t->text, t->numBytes, from, to);
    textItemDropLayout(t);
    ckfree(t->text);
    t->text = text;
    t->numChars -= charsRemoved;
    t->numBytes -= byteCount;
    textMarksDeleted(info, item, &t->insertPos, first, charsRemoved);
    computeBbox(c, item);
}

/* ---- drawing ------------------------------------------------------------ */

void textItemDrawSelection(GcCanvas c, TextItem *t, Display *display, Drawable drawable, double left,
                           double right, double top, int *firstPtr, int *lastPtr)
{
    GcanvasTextInfo *info = t->textInfoPtr;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    *firstPtr = -1;
    *lastPtr = -1;
    (void)display;
    if (info->selItemPtr != &t->header || t->layout == NULL) return;
    int first = info->selectFirst, last = info->selectLast;
    if (last >= t->numChars) last = t->numChars - 1;
    if (first < 0 || first > last) return;
    *firstPtr = first;
    *lastPtr = last;
    int x, y, height, lastX, lastY, lastWidth;
    if (!rotTextCharBbox(t->layout, first, &x, &y, NULL, &height)
            || !rotTextCharBbox(t->layout, last, &lastX, &lastY, &lastWidth, NULL) || height <= 0) {
        return;
    }
    lastX += lastWidth;
    int bw = info->selBorderWidth;
    Tk_Window tkwin = gcanvasTkwin(c);
    while (y <= lastY) {
        int width = y == lastY ? lastX - x : roundToInt(right - left - x);
        short dx = gcanvasDrawableCoords(w->drawableXOrigin, left + x - bw);
        short dy = gcanvasDrawableCoords(w->drawableYOrigin, top + y);
        if (width + 2 * bw > 0 && info->selBorder != NULL) {
            Tk_Fill3DRectangle(tkwin, drawable, info->selBorder, dx, dy, width + 2 * bw, height, bw,
                               TK_RELIEF_RAISED);
        }
        x = 0;
        y += height;
    }
}

int textItemDisplayBegin(GcCanvas c, TextItem *t, Display *display, Drawable drawable, Pixmap *stipplePtr,
                         int *firstPtr, int *lastPtr)
{
    GcanvasItem *item = &t->header;
    if (item->x1 == item->x2 || item->y1 == item->y2 || t->gc == NULL || t->layout == NULL) return 0;
    XColor *color;
    textItemChoose(c, t, &color, stipplePtr);
    if (*stipplePtr != None) gcanvasSetOffset(c, t->gc, &t->tsoffset);
    textItemDrawSelection(c, t, display, drawable, t->leftEdge, t->rightEdge, item->y1, firstPtr, lastPtr);
    return 1;
}

void textItemDisplayText(TextItem *t, Display *display, Drawable drawable, int px, int py, int first, int last,
                         Pixmap stipple)
{
    rotTextDrawLayout(display, drawable, t->gc, t->layout, px, py, 0, -1);
    if (first >= 0 && t->selTextGC != NULL && t->selTextGC != t->gc) {
        rotTextDrawLayout(display, drawable, t->selTextGC, t->layout, px, py, first, last + 1);
    }
    if (stipple != None) XSetTSOrigin(display, t->gc, 0, 0);
}

static void textDisplay(GcCanvas c, GcanvasItem *item, Display *display, Drawable drawable, int, int, int,
                        int)
{
    TextItem *t = (TextItem *)item;
    GcanvasWidget *w = gcanvasWidgetOf(c);
    GcanvasTextInfo *info = t->textInfoPtr;
    Pixmap stipple;
    int first, last;
    if (!textItemDisplayBegin(c, t, display, drawable, &stipple, &first, &last)) return;

    int x, y, height;
    if (info->focusItemPtr == item && info->gotFocus
            && rotTextCharBbox(t->layout, t->insertPos, &x, &y, NULL, &height)) {
        int dx = gcanvasDrawableCoords(w->drawableXOrigin, t->leftEdge) + x - info->insertWidth / 2;
        int dy = gcanvasDrawableCoords(w->drawableYOrigin, item->y1 + y);
        if (info->cursorOn) {
            if (info->insertBorder != NULL && info->insertWidth > 0 && height > 0) {
                Tk_Fill3DRectangle(gcanvasTkwin(c), drawable, info->insertBorder, dx, dy, info->insertWidth,
                                   height, info->insertBorderWidth, TK_RELIEF_RAISED);
            }
        } else if (t->cursorOffGC != NULL && info->insertWidth > 0 && height > 0) {
            XFillRectangle(display, drawable, t->cursorOffGC, dx, dy, (unsigned)info->insertWidth,
                           (unsigned)height);
        }
    }

    double cx = worldToCanvasX(c, t->x), cy = worldToCanvasY(c, t->y);
    int px = gcanvasDrawableCoords(w->drawableXOrigin, cx + t->dx);
    int py = gcanvasDrawableCoords(w->drawableYOrigin, cy + t->dy);
    textItemDisplayText(t, display, drawable, px, py, first, last, stipple);
}

static void textBbox(GcCanvas c, GcanvasItem *item)
{
    TextItem *t = (TextItem *)item;
    double cx = worldToCanvasX(c, t->x), cy = worldToCanvasY(c, t->y);
    double sx, sy;
    int size;
    if (t->tkfont == NULL || t->text == NULL || !scaledTextSize(c, item->scalable, t->givenSize, &sx, &sy, &size)) {
        /* Not shown at this scale: nothing may keep pointing at the text. */
        textItemDropLayout(t);
        item->x1 = item->x2 = cx;
        item->y1 = item->y2 = cy;
        item->marginX = item->marginY = 0;
        t->leftEdge = t->rightEdge = cx;
        t->dx = t->dy = 0;
        return;
    }
    double factor = sx == sy ? 0.0 : (sx / sy) * 0.4;
    OvexFont *font = acquireScaledFont(gcanvasTkwin(c), t->tkfont, size, factor, 0.0, 0.0, 0);
    textItemDropLayout(t);
    releaseScaledFont(t->scaledFont);
    t->scaledFont = font;
    int w = 0, h = 0;
    t->layout = rotTextComputeLayout(font, t->text, t->numChars, t->width, t->justify, 0, &w, &h);
    int state = textItemState(c, item);
    XColor *color;
    Pixmap stipple;
    textItemChoose(c, t, &color, &stipple);
    if (state == GC_STATE_HIDDEN || color == NULL) w = h = 0;
    int dx = 0, dy = 0;
    switch (t->anchor) {
    case TK_ANCHOR_NW: case TK_ANCHOR_N: case TK_ANCHOR_NE: dy = 0; break;
    case TK_ANCHOR_W: case TK_ANCHOR_CENTER: case TK_ANCHOR_E: dy = -(h / 2); break;
    default: dy = -h; break;
    }
    switch (t->anchor) {
    case TK_ANCHOR_NW: case TK_ANCHOR_W: case TK_ANCHOR_SW: dx = 0; break;
    case TK_ANCHOR_N: case TK_ANCHOR_CENTER: case TK_ANCHOR_S: dx = -(w / 2); break;
    default: dx = -w; break;
    }
    t->dx = dx;
    t->dy = dy;
    int f = textItemMargin(c);
    item->x1 = cx + dx - f;
    item->y1 = cy + dy;
    item->x2 = cx + dx + w + f;
    item->y2 = cy + dy + h;
    t->leftEdge = (float)(cx + dx);
    t->rightEdge = (float)(t->leftEdge + w);
    item->marginX = (float)f;
    item->marginY = 0;
}

static double textPoint(GcCanvas c, GcanvasItem *item, double *p)
{
    TextItem *t = (TextItem *)item;
    if (textItemBlank(c, t) || t->layout == NULL) return 1.0e36;
    return rotTextDistance(t->layout, roundToInt(p[0] - t->leftEdge), roundToInt(p[1] - item->y1));
}

int textItemArea(GcCanvas c, GcanvasItem *item, double *r)
{
    TextItem *t = (TextItem *)item;
    if (textItemBlank(c, t) || t->layout == NULL) return -1;
    return rotTextIntersect(t->layout, roundToInt(r[0] - t->leftEdge), roundToInt(r[1] - item->y1),
                            roundToInt(r[2] - r[0]), roundToInt(r[3] - r[1]));
}

static void textPsStrings(Tcl_Interp *interp, const void *text)
{
    rotTextLayoutToPostscript(interp, (const RotatedLayout *)text);
}

int textItemPostscript(Tcl_Interp *interp, GcCanvas c, GcanvasItem *item, int prepass)
{
    TextItem *t = (TextItem *)item;
    if (textItemBlank(c, t) || t->layout == NULL || t->tkfont == NULL) return TCL_OK;
    XColor *color;
    Pixmap stipple;
    textItemChoose(c, t, &color, &stipple);
    double cx = worldToCanvasX(c, t->x), cy = worldToCanvasY(c, t->y);
    return textBlockPostscript(interp, c, t->tkfont, color, stipple, cx, cy, t->anchor, t->justify, prepass,
                               textPsStrings, t->layout);
}

GcanvasItemType gcanvasTextType = {
    "text", sizeof(TextItem), textItemCreate, configSpecs, textItemConfigure, textItemCoords,
    textItemDelete, textDisplay, GC_TYPE_OBJECTS, textPoint, textItemArea, textItemPostscript, textItemScale,
    textItemTranslate, textIndex, textItemSetCursor, textItemGetSelection, textItemInsert,
    textItemDeleteChars, textBbox, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
    NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL};
