/*
 * gcanvas_postscript.cpp --
 *
 *	The postscript subcommand: Encapsulated PostScript of a canvas area
 *	with its header, prolog and page set-up, and the functions item types
 *	write their parts with (colours, fonts, bitmaps, stipples, paths,
 *	images).
 */
#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <X11/Xutil.h>
#include "canvas/gcanvas_outline.h"
#include "canvas/gcanvas_postscript.h"
#include "core/rounding.h"
#include "core/safe_replace.h"

struct PsInfo {
    int x, y, width, height, x2, y2;
    char *pageXString, *pageYString;
    double pageX, pageY;
    char *pageWidthString, *pageHeightString;
    double scale;
    Tk_Anchor pageAnchor;
    int rotate;
    char *fontVar, *colorVar, *colorMode;
    int colorLevel;
    char *fileName, *channelName;
    Tcl_Channel chan;
    Tcl_HashTable fontTable;
    int prepass, prolog;
};

#define PS_OFF(f) ((int)offsetof(PsInfo, f))

static Tk_ConfigSpec psConfigSpecs[] = {
    {TK_CONFIG_STRING, "-colormap", NULL, NULL, "", PS_OFF(colorVar), 0, NULL},
    {TK_CONFIG_STRING, "-colormode", NULL, NULL, "", PS_OFF(colorMode), 0, NULL},
    {TK_CONFIG_STRING, "-file", NULL, NULL, "", PS_OFF(fileName), 0, NULL},
    {TK_CONFIG_STRING, "-channel", NULL, NULL, "", PS_OFF(channelName), 0, NULL},
    {TK_CONFIG_STRING, "-fontmap", NULL, NULL, "", PS_OFF(fontVar), 0, NULL},
    {TK_CONFIG_PIXELS, "-height", NULL, NULL, "", PS_OFF(height), 0, NULL},
    {TK_CONFIG_ANCHOR, "-pageanchor", NULL, NULL, "", PS_OFF(pageAnchor), 0, NULL},
    {TK_CONFIG_STRING, "-pageheight", NULL, NULL, "", PS_OFF(pageHeightString), 0, NULL},
    {TK_CONFIG_STRING, "-pagewidth", NULL, NULL, "", PS_OFF(pageWidthString), 0, NULL},
    {TK_CONFIG_STRING, "-pagex", NULL, NULL, "", PS_OFF(pageXString), 0, NULL},
    {TK_CONFIG_STRING, "-pagey", NULL, NULL, "", PS_OFF(pageYString), 0, NULL},
    {TK_CONFIG_BOOLEAN, "-prolog", NULL, NULL, "", PS_OFF(prolog), 0, NULL},
    {TK_CONFIG_BOOLEAN, "-rotate", NULL, NULL, "", PS_OFF(rotate), 0, NULL},
    {TK_CONFIG_PIXELS, "-width", NULL, NULL, "", PS_OFF(width), 0, NULL},
    {TK_CONFIG_PIXELS, "-x", NULL, NULL, "", PS_OFF(x), 0, NULL},
    {TK_CONFIG_PIXELS, "-y", NULL, NULL, "", PS_OFF(y), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}};

/* The procedures canvas items call in their output. */
static const char prolog[] =
    "%%BeginProlog\n"
    "50 dict begin\n"
    "% Shared state of the text and stipple procedures.\n"
    "/baseline 0 def /stipimage 0 def /height 0 def /justify 0 def\n"
    "/lineLength 0 def /spacing 0 def /stipple 0 def /strings 0 def\n"
    "/xoffset 0 def /yoffset 0 def /tmpstip null def\n"
    "systemdict /ISOLatin1Encoding known not {\n"
    "  /ISOLatin1Encoding StandardEncoding 256 array copy def\n"
    "} if\n"
    "% font ISOEncode font: the font re-encoded to ISO Latin 1.\n"
    "/ISOEncode {\n"
    "  dup length dict begin\n"
    "    { 1 index /FID ne { def } { pop pop } ifelse } forall\n"
    "    /Encoding ISOLatin1Encoding def\n"
    "    currentdict\n"
    "  end\n"
    "  /Temporary exch definefont\n"
    "} bind def\n"
    "% Clip to the outline the current path would stroke; printers that\n"
    "% cannot make the path with dashes get it without them.\n"
    "/StrokeClip {\n"
    "  { strokepath } stopped {\n"
    "    (This Postscript printer gets limitcheck overflows when) =\n"
    "    (stippling dashed lines; lines will be printed solid instead.) =\n"
    "    [] 0 setdash strokepath } if\n"
    "  clip\n"
    "} bind def\n"
    "% desiredSize EvenPixels closestSize: a size of whole device pixels.\n"
    "/EvenPixels {\n"
    "  dup 0 matrix currentmatrix dtransform\n"
    "  dup mul exch dup mul add sqrt\n"
    "  dup round dup 1 lt { pop 1 } if\n"
    "  exch div mul\n"
    "} bind def\n"
    "% width height string StippleFill: fill the clip with the stipple.\n"
    "/StippleFill {\n"
    "  /tmpstip 1 index def\n"
    "  1 EvenPixels dup scale\n"
    "  pathbbox\n"
    "  4 2 roll 5 index div dup 0 lt { 1 sub } if cvi 5 index mul\n"
    "  4 1 roll 6 index div dup 0 lt { 1 sub } if cvi 6 index mul\n"
    "  6 index 6 index 4 index 4 index\n"
    "  pop pop pop pop\n"
    "  4 2 roll\n"
    "  3 index 6 index 5 index {\n"
    "    dup 2 index 7 index exch 4 index {\n"
    "      gsave 1 index 1 index translate\n"
    "      7 index 7 index true matrix tmpstip imagemask\n"
    "      grestore pop\n"
    "    } for pop\n"
    "  } for\n"
    "  pop pop pop pop pop pop pop\n"
    "} bind def\n"
    "% Turn the current colour to gray below colour level 2, and to black\n"
    "% or white at level 0.\n"
    "/AdjustColor {\n"
    "  CL 2 lt {\n"
    "    currentgray\n"
    "    CL 0 eq { .5 lt { 0 } { 1 } ifelse } if\n"
    "    setgray\n"
    "  } if\n"
    "} bind def\n"
    "% x y strings spacing xoffset yoffset justify stipple DrawText:\n"
    "% the lines of a text item, anchored by the offsets and justified.\n"
    "/DrawText {\n"
    "  /stipple exch def /justify exch def /yoffset exch def\n"
    "  /xoffset exch def /spacing exch def /strings exch def\n"
    "  /lineLength 0 def\n"
    "  strings { stringwidth pop dup lineLength gt { /lineLength exch def } { pop } ifelse\n"
    "    newpath } forall\n"
    "  0 0 moveto (TXygqPZ) false charpath pathbbox dup\n"
    "  /baseline exch def exch pop exch sub /height exch def pop newpath\n"
    "  translate\n"
    "  lineLength xoffset mul\n"
    "  strings length 1 sub spacing mul height add yoffset mul translate\n"
    "  justify lineLength mul baseline neg translate\n"
    "  strings {\n"
    "    dup stringwidth pop justify neg mul 0 moveto\n"
    "    stipple {\n"
    "      gsave /char (X) def\n"
    "      { char 0 3 -1 roll put currentpoint gsave char true charpath clip\n"
    "        StippleText grestore char stringwidth translate moveto } forall\n"
    "      grestore\n"
    "    } { show } ifelse\n"
    "    0 spacing neg translate\n"
    "  } forall\n"
    "} bind def\n"
    "%%EndProlog\n";

static GcanvasWidget *activeWidget(GcCanvas c)
{
    return gcanvasWidgetOf(c);
}

int getPostscriptPoints(Tcl_Interp *interp, const char *string, double *out)
{
    char *end;
    double d = strtod(string, &end);
    if (end == string) goto bad;
    while (*end == ' ' || *end == '\t' || *end == '\n') end++;
    switch (*end) {
    case 'c': d *= 72.0 / 2.54; end++; break;
    case 'i': d *= 72.0; end++; break;
    case 'm': d *= 72.0 / 25.4; end++; break;
    case 'p': end++; break;
    case 0: break;
    default: goto bad;
    }
    while (*end == ' ' || *end == '\t' || *end == '\n') end++;
    if (*end != 0) goto bad;
    *out = d;
    return TCL_OK;
bad:
    Tcl_AppendResult(interp, "bad distance \"", string, "\"", (char *)NULL);
    return TCL_ERROR;
}

double gcanvasPsY(GcCanvas c, double y)
{
    PsInfo *ps = activeWidget(c)->psInfo;
    return ps ? (double)ps->y2 - y : -y;
}

int gcanvasPsColor(Tcl_Interp *interp, GcCanvas c, XColor *color)
{
    PsInfo *ps = activeWidget(c)->psInfo;
    if (ps == NULL || ps->prepass) return TCL_OK;
    if (ps->colorVar != NULL && ps->colorVar[0] != '\0') {
        const char *cmd = Tcl_GetVar2(interp, ps->colorVar, Tk_NameOfColor(color), 0);
        if (cmd != NULL) {
            Tcl_AppendResult(interp, cmd, "\n", (char *)NULL);
            return TCL_OK;
        }
    }
    char buf[200];
    snprintf(buf, sizeof buf, "%.3f %.3f %.3f setrgbcolor AdjustColor\n", ((color->red >> 8) / 255.0),
             ((color->green >> 8) / 255.0), ((color->blue >> 8) / 255.0));
    Tcl_AppendResult(interp, buf, (char *)NULL);
    return TCL_OK;
}

int gcanvasPsFont(Tcl_Interp *interp, GcCanvas c, Tk_Font tkfont)
{
    PsInfo *ps = activeWidget(c)->psInfo;
    if (ps == NULL) return TCL_OK;
    Tcl_DString ds;
    Tcl_DStringInit(&ds);
    int points = 0;
    const char *fontName = Tk_NameOfFont(tkfont);
    const char *entry = NULL;
    if (ps->fontVar != NULL && ps->fontVar[0] != '\0') {
        entry = Tcl_GetVar2(interp, ps->fontVar, fontName, 0);
    }
    if (entry != NULL) {
        int argc;
        const char **argv;
        double size;
        char *end;
        if (Tcl_SplitList(interp, entry, &argc, &argv) != TCL_OK || argc != 2
                || (size = strtod(argv[1], &end), *end != '\0' || end == argv[1]) || size <= 0) {
            if (Tcl_SplitList(NULL, entry, &argc, &argv) == TCL_OK) ckfree((char *)argv);
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "bad font map entry for \"", fontName, "\": \"", entry, "\"", (char *)NULL);
            return TCL_ERROR;
        }
        Tcl_DStringAppend(&ds, argv[0], -1);
        points = clampToInt(size);
        ckfree((char *)argv);
    } else {
        points = Tk_PostscriptFontName(tkfont, &ds);
    }
    const char *name = Tcl_DStringValue(&ds);
    char buf[64];
    snprintf(buf, sizeof buf, "%d", points);
    Tcl_AppendResult(interp, "/", name, " findfont ", buf, " scalefont ", (char *)NULL);
    if (strcasecmp(name, "Symbol") != 0) Tcl_AppendResult(interp, "ISOEncode ", (char *)NULL);
    Tcl_AppendResult(interp, "setfont\n", (char *)NULL);
    int isNew;
    Tcl_CreateHashEntry(&ps->fontTable, name, &isNew);
    Tcl_DStringFree(&ds);
    return TCL_OK;
}

int gcanvasPsBitmap(Tcl_Interp *interp, GcCanvas c, Pixmap bitmap, int x, int y, int width, int height)
{
    GcanvasWidget *w = activeWidget(c);
    PsInfo *ps = w->psInfo;
    if (ps == NULL || ps->prepass) return TCL_OK;
    Display *d = Tk_Display(w->tkwin);
    Window root;
    int rx, ry;
    unsigned bw, bh, border, depth;
    XGetGeometry(d, bitmap, &root, &rx, &ry, &bw, &bh, &border, &depth);
    /* A bad bitmap must not end the process through Xlib's default
     * error handler. */
    Tk_ErrorHandler handler = Tk_CreateErrorHandler(d, -1, -1, -1, NULL, NULL);
    XImage *image = XGetImage(d, bitmap, 0, 0, bw, bh, 1, XYPixmap);
    Tk_DeleteErrorHandler(handler);
    if (image == NULL) {
        Tcl_AppendResult(interp, "can't read the bitmap's pixels", (char *)NULL);
        return TCL_ERROR;
    }
    Tcl_DString ds;
    Tcl_DStringInit(&ds);
    Tcl_DStringAppend(&ds, "<", 1);
    int charsInLine = 0;
    char buf[8];
    for (int row = y + height - 1; row >= y; row--) {
        int mask = 0x80, value = 0;
        for (int col = x; col < x + width; col++) {
            if (XGetPixel(image, col, row)) value |= mask;
            mask >>= 1;
            if (mask == 0) {
                snprintf(buf, sizeof buf, "%02x", value);
                Tcl_DStringAppend(&ds, buf, 2);
                mask = 0x80;
                value = 0;
                charsInLine += 2;
                if (charsInLine >= 60) {
                    Tcl_DStringAppend(&ds, "\n", 1);
                    charsInLine = 0;
                }
            }
        }
        if (mask != 0x80) {
            snprintf(buf, sizeof buf, "%02x", value);
            Tcl_DStringAppend(&ds, buf, 2);
            charsInLine += 2;
        }
    }
    Tcl_DStringAppend(&ds, ">", 1);
    Tcl_AppendResult(interp, Tcl_DStringValue(&ds), (char *)NULL);
    Tcl_DStringFree(&ds);
    XDestroyImage(image);
    return TCL_OK;
}

int gcanvasPsStipple(Tcl_Interp *interp, GcCanvas c, Pixmap bitmap)
{
    GcanvasWidget *w = activeWidget(c);
    PsInfo *ps = w->psInfo;
    if (ps == NULL || ps->prepass) return TCL_OK;
    Window root;
    int rx, ry;
    unsigned bw, bh, border, depth;
    XGetGeometry(Tk_Display(w->tkwin), bitmap, &root, &rx, &ry, &bw, &bh, &border, &depth);
    char buf[64];
    snprintf(buf, sizeof buf, "%u %u ", bw, bh);
    Tcl_AppendResult(interp, buf, (char *)NULL);
    if (gcanvasPsBitmap(interp, c, bitmap, 0, 0, (int)bw, (int)bh) != TCL_OK) return TCL_ERROR;
    Tcl_AppendResult(interp, " StippleFill\n", (char *)NULL);
    return TCL_OK;
}

void gcanvasPsPath(Tcl_Interp *interp, GcCanvas c, const double *world, int n)
{
    PsInfo *ps = activeWidget(c)->psInfo;
    if (ps == NULL || ps->prepass) return;
    char buf[120];
    for (int i = 0; i < n; i++) {
        double x = worldToCanvasX(c, world[2 * i]), y = worldToCanvasY(c, world[2 * i + 1]);
        snprintf(buf, sizeof buf, i == 0 ? "%.15g %.15g moveto\n" : "%.15g %.15g lineto\n", x,
                 gcanvasPsY(c, y));
        Tcl_AppendResult(interp, buf, (char *)NULL);
    }
}

/* The lowest set bit of a mask, as a shift. */
static int maskShift(unsigned long mask)
{
    int shift = 0;
    if (mask == 0) return 0;
    while (!(mask & 1)) {
        mask >>= 1;
        shift++;
    }
    return shift;
}

void psPixelColor(const PsVisualInfo *v, const XColor *cells, unsigned long pixel, double *r, double *g,
                  double *b)
{
    if (v->trueColor) {
        /* The pixel value encodes the colour through the visual's masks. */
        unsigned long masks[3] = {v->redMask, v->greenMask, v->blueMask};
        double *out[3] = {r, g, b};
        for (int i = 0; i < 3; i++) {
            unsigned long m = masks[i];
            int shift = maskShift(m);
            unsigned long top = m >> shift;
            unsigned long value = (pixel & m) >> shift;
            *out[i] = top == 0 ? 0.0 : (double)value / (double)top;
        }
        return;
    }
    if (cells == NULL || pixel >= (unsigned long)v->mapEntries) {
        *r = *g = *b = 0.0;
        return;
    }
    *r = cells[pixel].red / 65535.0;
    *g = cells[pixel].green / 65535.0;
    *b = cells[pixel].blue / 65535.0;
}

int gcanvasPsImage(Tcl_Interp *interp, GcCanvas c, XImage *ximage, int x, int y, int width, int height)
{
    GcanvasWidget *w = activeWidget(c);
    PsInfo *ps = w->psInfo;
    (void)y;
    if (ps == NULL || ps->prepass) return TCL_OK;
    Visual *visual = Tk_Visual(w->tkwin);
    PsVisualInfo v;
    v.trueColor = visual->c_class == TrueColor || visual->c_class == DirectColor;
    v.redMask = visual->red_mask;
    v.greenMask = visual->green_mask;
    v.blueMask = visual->blue_mask;
    v.mapEntries = visual->map_entries;
    XColor *cells = NULL;
    if (!v.trueColor) {
        /* Only palette visuals have colours to look up per pixel value. */
        cells = (XColor *)ckalloc(sizeof(XColor) * v.mapEntries);
        for (int i = 0; i < v.mapEntries; i++) {
            cells[i].pixel = (unsigned long)i;
            cells[i].red = cells[i].green = cells[i].blue = 0;
        }
        XQueryColors(Tk_Display(w->tkwin), Tk_Colormap(w->tkwin), cells, v.mapEntries);
    }
    int level = ps->colorLevel;
    if ((visual->c_class == StaticGray || visual->c_class == GrayScale) && level == 2) {
        level = v.mapEntries == 2 ? 0 : 1;
    }
    int bytesPerRow = level == 0 ? (width + 7) / 8 : level == 1 ? width : 3 * width;
    if (bytesPerRow > 60000) {
        if (cells) ckfree((char *)cells);
        char buf[100];
        snprintf(buf, sizeof buf, "Can't generate Postscript for images more than %d pixels wide",
                 level == 0 ? 240000 : level == 1 ? 60000 : 20000);
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, buf, (char *)NULL);
        return TCL_ERROR;
    }
    int bandRows = bytesPerRow > 0 ? 60000 / bytesPerRow : height;
    if (bandRows < 1) bandRows = 1;
    Tcl_DString ds;
    Tcl_DStringInit(&ds);
    char buf[64];
    int row = height - 1;
    while (row >= 0) {
        int rows = row + 1 < bandRows ? row + 1 : bandRows;
        snprintf(buf, sizeof buf, "%d %d %d matrix {\n<", width, rows, level == 0 ? 1 : 8);
        Tcl_DStringAppend(&ds, buf, -1);
        int count = 0;
        for (int r = 0; r < rows; r++, row--) {
            int mask = 0x80, value = 0;
            for (int col = x; col < x + width; col++) {
                double red, green, blue;
                psPixelColor(&v, cells, XGetPixel(ximage, col, row), &red, &green, &blue);
                if (level == 0) {
                    if (0.30 * red + 0.59 * green + 0.11 * blue > 0.5) value |= mask;
                    mask >>= 1;
                    if (mask == 0) {
                        snprintf(buf, sizeof buf, "%02X", value);
                        Tcl_DStringAppend(&ds, buf, 2);
                        count += 2;
                        mask = 0x80;
                        value = 0;
                    }
                } else if (level == 1) {
                    snprintf(buf, sizeof buf, "%02X",
                             clampToInt(floor(0.5 + 255.0 * (0.30 * red + 0.59 * green + 0.11 * blue))));
                    Tcl_DStringAppend(&ds, buf, 2);
                    count += 2;
                } else {
                    snprintf(buf, sizeof buf, "%02X%02X%02X", clampToInt(floor(0.5 + 255.0 * red)),
                             clampToInt(floor(0.5 + 255.0 * green)), clampToInt(floor(0.5 + 255.0 * blue)));
                    Tcl_DStringAppend(&ds, buf, 6);
                    count += 6;
                }
                if (count > 60) {
                    Tcl_DStringAppend(&ds, "\n", 1);
                    count = 0;
                }
            }
            if (level == 0 && mask != 0x80) {
                snprintf(buf, sizeof buf, "%02X", value);
                Tcl_DStringAppend(&ds, buf, 2);
                count += 2;
            }
        }
        Tcl_DStringAppend(&ds, level == 2 ? ">\n} false 3 colorimage\n" : ">\n} image\n", -1);
        snprintf(buf, sizeof buf, "0 %d translate\n", rows);
        Tcl_DStringAppend(&ds, buf, -1);
    }
    Tcl_AppendResult(interp, Tcl_DStringValue(&ds), (char *)NULL);
    Tcl_DStringFree(&ds);
    if (cells) ckfree((char *)cells);
    return TCL_OK;
}

/* Writes what the result holds to the channel, if any, and empties it. */
static int flushToChannel(Tcl_Interp *interp, PsInfo *ps)
{
    if (ps->chan == NULL) return TCL_OK;
    int len;
    const char *s = Tcl_GetStringFromObj(Tcl_GetObjResult(interp), &len);
    if (Tcl_Write(ps->chan, s, len) < 0) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "problem writing postscript data to channel: ", Tcl_PosixError(interp),
                         (char *)NULL);
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static int itemMeetsArea(GcanvasItem *item, PsInfo *ps)
{
    return item->x1 < ps->x2 && item->x2 >= ps->x && item->y1 < ps->y2 && item->y2 >= ps->y;
}

int gcanvasPostscriptCmd(GcanvasWidget *c, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    PsInfo psInfo, *ps = &psInfo;
    memset(ps, 0, sizeof psInfo);
    ps->x = c->xOrigin;
    ps->y = c->yOrigin;
    ps->width = ps->height = -1;
    ps->pageX = 306.0;
    ps->pageY = 396.0;
    ps->pageAnchor = TK_ANCHOR_CENTER;
    ps->scale = 1.0;
    ps->prolog = 1;
    Tcl_InitHashTable(&ps->fontTable, TCL_STRING_KEYS);
    PsInfo *oldInfo = c->psInfo;
    c->psInfo = ps;
    int status = TCL_ERROR;
    int deltaX = 0, deltaY = 0;
    char buf[400];
    /* -file: the document goes to a new file that replaces the old one only
     * once all of it was written. */
    FileReplacement psFile;

    if (Tk_ConfigureWidget(interp, c->tkwin, psConfigSpecs, objc - 2, (const char **)(objv + 2), (char *)ps,
                           TK_CONFIG_ARGV_ONLY | TK_CONFIG_OBJS) != TCL_OK) {
        goto cleanup;
    }
    if (ps->width == -1) ps->width = Tk_Width(c->tkwin);
    if (ps->height == -1) ps->height = Tk_Height(c->tkwin);
    ps->x2 = clampToInt((double)ps->x + ps->width);
    ps->y2 = clampToInt((double)ps->y + ps->height);
    if (ps->pageXString && ps->pageXString[0]
            && getPostscriptPoints(interp, ps->pageXString, &ps->pageX) != TCL_OK) {
        goto cleanup;
    }
    if (ps->pageYString && ps->pageYString[0]
            && getPostscriptPoints(interp, ps->pageYString, &ps->pageY) != TCL_OK) {
        goto cleanup;
    }
    if (ps->pageWidthString && ps->pageWidthString[0]) {
        if (getPostscriptPoints(interp, ps->pageWidthString, &ps->scale) != TCL_OK) goto cleanup;
        ps->scale /= ps->width != 0 ? ps->width : 1;
    } else if (ps->pageHeightString && ps->pageHeightString[0]) {
        if (getPostscriptPoints(interp, ps->pageHeightString, &ps->scale) != TCL_OK) goto cleanup;
        ps->scale /= ps->height != 0 ? ps->height : 1;
    } else {
        Screen *screen = Tk_Screen(c->tkwin);
        ps->scale = (72.0 / 25.4) * WidthMMOfScreen(screen) / (double)WidthOfScreen(screen);
    }
    switch (ps->pageAnchor) {
    case TK_ANCHOR_NW: case TK_ANCHOR_W: case TK_ANCHOR_SW: deltaX = 0; break;
    case TK_ANCHOR_N: case TK_ANCHOR_CENTER: case TK_ANCHOR_S: deltaX = -ps->width / 2; break;
    default: deltaX = -ps->width; break;
    }
    switch (ps->pageAnchor) {
    case TK_ANCHOR_N: case TK_ANCHOR_NE: case TK_ANCHOR_NW: deltaY = -ps->height; break;
    case TK_ANCHOR_W: case TK_ANCHOR_CENTER: case TK_ANCHOR_E: deltaY = -ps->height / 2; break;
    default: deltaY = 0; break;
    }
    if (ps->colorMode == NULL || ps->colorMode[0] == '\0') {
        ps->colorLevel = 2;
    } else {
        size_t n = strlen(ps->colorMode);
        if (strncmp(ps->colorMode, "monochrome", n) == 0) {
            ps->colorLevel = 0;
        } else if (strncmp(ps->colorMode, "gray", n) == 0) {
            ps->colorLevel = 1;
        } else if (strncmp(ps->colorMode, "color", n) == 0) {
            ps->colorLevel = 2;
        } else {
            Tcl_AppendResult(interp, "bad color mode \"", ps->colorMode, "\": must be monochrome, ",
                             "gray, or color", (char *)NULL);
            goto cleanup;
        }
    }
    if (ps->fileName && ps->fileName[0]) {
        if (ps->channelName && ps->channelName[0]) {
            Tcl_AppendResult(interp, "can't specify both -file", " and -channel", (char *)NULL);
            goto cleanup;
        }
        if (Tcl_IsSafe(interp)) {
            Tcl_AppendResult(interp, "can't specify -file in a", " safe interpreter", (char *)NULL);
            goto cleanup;
        }
        Tcl_DString native;
        if (Tcl_TranslateFileName(interp, ps->fileName, &native) == NULL) goto cleanup;
        int opened = psFile.open(Tcl_DStringValue(&native));
        Tcl_DStringFree(&native);
        int copy = opened ? fcntl(psFile.fd(), F_DUPFD_CLOEXEC, 0) : -1;
        if (copy < 0) {
            Tcl_SetErrno(errno);
            Tcl_AppendResult(interp, "couldn't open \"", ps->fileName, "\": ", Tcl_PosixError(interp),
                             (char *)NULL);
            goto cleanup;
        }
        ps->chan = Tcl_MakeFileChannel((ClientData)(intptr_t)copy, TCL_WRITABLE);
    } else if (ps->channelName && ps->channelName[0]) {
        int mode;
        ps->chan = Tcl_GetChannel(interp, ps->channelName, &mode);
        if (ps->chan == NULL) goto cleanup;
        if (!(mode & TCL_WRITABLE)) {
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "channel \"", ps->channelName, "\" wasn't opened for writing", (char *)NULL);
            ps->chan = NULL;
            goto cleanup;
        }
    }

    ps->prepass = 1;
    for (GcanvasItem *item = c->firstItemPtr; item != NULL; item = item->nextPtr) {
        if (!itemMeetsArea(item, ps) || item->typePtr->postscriptProc == NULL) continue;
        int r = item->typePtr->postscriptProc(interp, c, item, 1);
        Tcl_ResetResult(interp);
        if (r != TCL_OK) break;
    }
    ps->prepass = 0;

    if (ps->prolog) {
        Tcl_AppendResult(interp, "%!PS-Adobe-3.0 EPSF-3.0\n", "%%Creator: Tk Canvas Widget\n", (char *)NULL);
        time_t now = time(NULL);
        char timeBuf[64];
        ctime_r(&now, timeBuf);
        timeBuf[24] = '\0';
        Tcl_AppendResult(interp, "%%Title: Window ", Tk_PathName(c->tkwin), "\n", "%%CreationDate: ", timeBuf,
                         "\n", (char *)NULL);
        if (!ps->rotate) {
            snprintf(buf, sizeof buf, "%%%%BoundingBox: %d %d %d %d\n",
                     clampToInt(ps->pageX + ps->scale * deltaX), clampToInt(ps->pageY + ps->scale * deltaY),
                     clampToInt(ps->pageX + ps->scale * (deltaX + ps->width) + 1.0),
                     clampToInt(ps->pageY + ps->scale * (deltaY + ps->height) + 1.0));
        } else {
            snprintf(buf, sizeof buf, "%%%%BoundingBox: %d %d %d %d\n",
                     clampToInt(ps->pageX - ps->scale * (deltaY + ps->height)),
                     clampToInt(ps->pageY + ps->scale * deltaX),
                     clampToInt(ps->pageX - ps->scale * deltaY + 1.0),
                     clampToInt(ps->pageY + ps->scale * (deltaX + ps->width) + 1.0));
        }
        Tcl_AppendResult(interp, buf, "%%Pages: 1\n", "%%DocumentData: Clean7Bit\n", "%%Orientation: ",
                         ps->rotate ? "Landscape\n" : "Portrait\n", (char *)NULL);
        Tcl_HashSearch search;
        const char *p = "%%DocumentNeededResources: font ";
        for (Tcl_HashEntry *e = Tcl_FirstHashEntry(&ps->fontTable, &search); e != NULL;
             e = Tcl_NextHashEntry(&search)) {
            Tcl_AppendResult(interp, p, (const char *)Tcl_GetHashKey(&ps->fontTable, e), "\n", (char *)NULL);
            p = "%%+ font ";
        }
        Tcl_AppendResult(interp, "%%EndComments\n\n", prolog, (char *)NULL);
        if (flushToChannel(interp, ps) != TCL_OK) goto cleanup;

        snprintf(buf, sizeof buf, "%%%%BeginSetup\n/CL %d def\n", ps->colorLevel);
        Tcl_AppendResult(interp, buf, (char *)NULL);
        for (Tcl_HashEntry *e = Tcl_FirstHashEntry(&ps->fontTable, &search); e != NULL;
             e = Tcl_NextHashEntry(&search)) {
            Tcl_AppendResult(interp, "%%IncludeResource: font ", (const char *)Tcl_GetHashKey(&ps->fontTable, e),
                             "\n", (char *)NULL);
        }
        Tcl_AppendResult(interp, "%%EndSetup\n\n", "%%Page: 1 1\n", "save\n", (char *)NULL);
        snprintf(buf, sizeof buf, "%.1f %.1f translate\n", ps->pageX, ps->pageY);
        Tcl_AppendResult(interp, buf, (char *)NULL);
        if (ps->rotate) Tcl_AppendResult(interp, "90 rotate\n", (char *)NULL);
        snprintf(buf, sizeof buf, "%.4g %.4g scale\n", ps->scale, ps->scale);
        Tcl_AppendResult(interp, buf, (char *)NULL);
        snprintf(buf, sizeof buf, "%lld %d translate\n", (long long)deltaX - ps->x, deltaY);
        Tcl_AppendResult(interp, buf, (char *)NULL);
        snprintf(buf, sizeof buf,
                 "%d %.15g moveto %d %.15g lineto %d %.15g lineto %d %.15g lineto closepath clip newpath\n",
                 ps->x, (double)ps->y2 - ps->y, ps->x2, (double)ps->y2 - ps->y, ps->x2, 0.0, ps->x, 0.0);
        Tcl_AppendResult(interp, buf, (char *)NULL);
        if (flushToChannel(interp, ps) != TCL_OK) goto cleanup;
    }

    for (GcanvasItem *item = c->firstItemPtr; item != NULL; item = item->nextPtr) {
        if (!itemMeetsArea(item, ps) || item->typePtr->postscriptProc == NULL
                || item->state == GC_STATE_HIDDEN) {
            continue;
        }
        Tcl_AppendResult(interp, "gsave\n", (char *)NULL);
        if (item->typePtr->postscriptProc(interp, c, item, 0) != TCL_OK) {
            snprintf(buf, sizeof buf, "\n    (generating Postscript for item %d)", item->id);
            Tcl_AddErrorInfo(interp, buf);
            goto cleanup;
        }
        Tcl_AppendResult(interp, "grestore\n", (char *)NULL);
        if (flushToChannel(interp, ps) != TCL_OK) goto cleanup;
    }
    if (ps->prolog) {
        Tcl_AppendResult(interp, "restore showpage\n\n", "%%Trailer\nend\n%%EOF\n", (char *)NULL);
    }
    if (flushToChannel(interp, ps) != TCL_OK) goto cleanup;
    status = TCL_OK;

cleanup:
    if (ps->chan != NULL && ps->fileName && ps->fileName[0]) {
        int closed = Tcl_Close(NULL, ps->chan);
        if (status == TCL_OK && (closed != TCL_OK || !psFile.commit())) {
            if (closed == TCL_OK) Tcl_SetErrno(errno);
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "problem writing postscript data to channel: ", Tcl_PosixError(interp),
                             (char *)NULL);
            status = TCL_ERROR;
        }
    }
    psFile.abandon();
    Tk_FreeOptions(psConfigSpecs, (char *)ps, c->display, 0);
    Tcl_DeleteHashTable(&ps->fontTable);
    c->psInfo = oldInfo;
    return status;
}
