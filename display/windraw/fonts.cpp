/*
 * fonts.cpp --
 *
 *	Fonts with a width factor and an angle, made from Tk font attributes
 *	through fontconfig and Xft, the stock fonts, font families and the
 *	pixel size of a point size.
 */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <tk.h>

#ifndef MODULE_SCOPE
#define MODULE_SCOPE extern
#endif
typedef struct TkMainInfo TkMainInfo;   /* named by the header, not used here */
#include "tk-private/generic/tkFont.h"

#include "display/windraw/font_faces.h"
#include "core/package.h"
#include "core/rounding.h"
#include "ovex/ovex.h"

/* Pixel size when the attributes give none. */
#define DEFAULT_PIXELS 12

int ovexFontGetPixels(Tk_Window tkwin, double size)
{
    if (size < 0) {
        return clampToInt(-size);
    }
    Screen *screen = NULL;
    if (tkwin != NULL) {
        screen = Tk_Screen(tkwin);
    } else if (getOvexDisplay() != NULL) {
        screen = DefaultScreenOfDisplay(getOvexDisplay());
    }
    double pixelsPerMm = 96.0 / 25.4;
    if (screen != NULL && WidthMMOfScreen(screen) > 0) {
        pixelsPerMm = (double)WidthOfScreen(screen) / (double)WidthMMOfScreen(screen);
    }
    return clampToInt(size * 25.4 / 72.0 * pixelsPerMm + 0.5);
}

int nextCharacter(const char *text, int available, FcChar32 *ch)
{
    int taken = FcUtf8ToUcs4((const FcChar8 *)text, ch, available);
    if (taken <= 0) {
        /* A stray byte stands for itself. */
        *ch = (unsigned char)text[0];
        return 1;
    }
    return taken;
}

int fontAdvance(OvexFont *font, FcChar32 ch)
{
    OvexFontFaces *faces = font->faces;
    if (faces == NULL || faces->plain == NULL) {
        return 0;
    }
    if (ch < 128 && faces->asciiAdvance[ch] >= 0) {
        return faces->asciiAdvance[ch];
    }
    XGlyphInfo info;
    XftTextExtents32(faces->display, faces->plain, &ch, 1, &info);
    if (ch < 128) {
        faces->asciiAdvance[ch] = info.xOff;
    }
    return info.xOff;
}

/* Opens pattern (a copy; the original stays the caller's) with matrix,
 * or without one when matrix is NULL. */
static XftFont *openWithMatrix(Display *display, FcPattern *pattern, const FcMatrix *matrix)
{
    FcPattern *copy = FcPatternDuplicate(pattern);
    if (copy == NULL) {
        return NULL;
    }
    FcPatternDel(copy, FC_MATRIX);
    if (matrix != NULL) {
        FcPatternAddMatrix(copy, FC_MATRIX, matrix);
    }
    XftFont *font = XftFontOpenPattern(display, copy);
    if (font == NULL) {
        FcPatternDestroy(copy);
    }
    return font;
}

/* The matched pattern of family (NULL: the default face) at pixels. */
static FcPattern *matchFace(Display *display, int screen, const char *family, int pixels,
                            int bold, int italic)
{
    FcPattern *pattern = FcPatternCreate();
    if (pattern == NULL) {
        return NULL;
    }
    FcPatternAddString(pattern, FC_FAMILY, (const FcChar8 *)(family != NULL ? family : "sans-serif"));
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, (double)pixels);
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcResult result;
    FcPattern *matched = XftFontMatch(display, screen, pattern, &result);
    FcPatternDestroy(pattern);
    return matched;
}

/* Face metrics that FreeType knows better than Xft: the average
 * character width and the underline. Returns the average width in pixels
 * (0 when the face has no OS/2 table). */
static double faceMetrics(Display *display, XftFont *natural, OvexFont *font)
{
    double average = 0;
    FT_Face face = XftLockFace(natural);
    if (face == NULL) {
        return 0;
    }
    if (face->size != NULL && face->units_per_EM > 0) {
        double scale = (double)font->pixels / (double)face->units_per_EM;
        TT_OS2 *os2 = (TT_OS2 *)FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
        if (os2 != NULL && os2->xAvgCharWidth > 0) {
            average = os2->xAvgCharWidth * scale;
        }
        if (face->underline_thickness > 0) {
            font->underlinePos = roundToInt(-face->underline_position * scale);
            font->underlineHeight = roundToInt(face->underline_thickness * scale);
        }
    }
    XftUnlockFace(natural);
    return average;
}

static void closeFaces(OvexFont *font)
{
    OvexFontFaces *faces = font->faces;
    if (faces == NULL) {
        return;
    }
    if (faces->draw != NULL) {
        Tk_ErrorHandler handler = Tk_CreateErrorHandler(faces->display, -1, -1, -1, NULL, NULL);
        XftDrawDestroy(faces->draw);
        Tk_DeleteErrorHandler(handler);
    }
    if (faces->turned != NULL && faces->turned != faces->plain) {
        XftFontClose(faces->display, faces->turned);
    }
    if (faces->plain != NULL) {
        XftFontClose(faces->display, faces->plain);
    }
    gmemFree(faces);
    font->faces = NULL;
}

/* Tk's font of the attributes (unturned), or its default font. */
static Tk_Font tkFontOf(Tk_Window tkwin, const char *family, int pixels, int bold, int italic,
                        int underline, int overstrike)
{
    Tcl_Interp *interp = Tk_Interp(tkwin);
    if (interp == NULL) {
        return NULL;
    }
    Tcl_DString description;
    Tcl_DStringInit(&description);
    Tcl_DStringAppendElement(&description, family != NULL ? family : "TkDefaultFont");
    Tcl_DStringAppendElement(&description, fmt("%d", -pixels));
    Tcl_DStringAppendElement(&description, bold ? "bold" : "normal");
    Tcl_DStringAppendElement(&description, italic ? "italic" : "roman");
    if (underline) {
        Tcl_DStringAppendElement(&description, "underline");
    }
    if (overstrike) {
        Tcl_DStringAppendElement(&description, "overstrike");
    }
    Tcl_InterpState state = Tcl_SaveInterpState(interp, TCL_OK);
    Tk_Font tkfont = Tk_GetFont(interp, tkwin, Tcl_DStringValue(&description));
    if (tkfont == NULL) {
        tkfont = Tk_GetFont(interp, tkwin, "TkDefaultFont");
    }
    Tcl_RestoreInterpState(interp, state);
    Tcl_DStringFree(&description);
    return tkfont;
}

/*
 * makeFont --
 *	Fills font (all of its fields) for the family at pixels, stretched
 *	by widthFactor, its glyphs turned by the angle and its baseline
 *	along the escapement.
 */
static void makeFont(OvexFont *font, Tk_Window tkwin, const char *family, double size, int bold,
                     int italic, int underline, int overstrike, double widthFactor,
                     double escapement, double orientation, int advanced)
{
    Display *display = tkwin != NULL ? Tk_Display(tkwin) : getOvexDisplay();
    int screen = tkwin != NULL ? Tk_ScreenNumber(tkwin)
                               : (display != NULL ? DefaultScreen(display) : 0);
    int pixels = abs(ovexFontGetPixels(tkwin, size));
    if (pixels == 0) {
        pixels = DEFAULT_PIXELS;
    }
    memset(font, 0, sizeof(OvexFont));
    font->size = size;
    font->weight = bold ? 1 : 0;
    font->slant = italic ? 1 : 0;
    font->underline = underline;
    font->overstrike = overstrike;
    font->pixels = pixels;
    font->widthFactor = widthFactor;
    font->escapement = escapement;
    font->orientation = orientation;
    font->advanced = advanced;
    font->stretch = 1.0;
    font->tkwin = tkwin;
    font->underlinePos = pixels / 10 > 0 ? pixels / 10 : 1;
    font->underlineHeight = pixels / 14 > 0 ? pixels / 14 : 1;
    if (tkwin != NULL) {
        font->tkfont = tkFontOf(tkwin, family, pixels, bold, italic, underline, overstrike);
    }
    font->family = Tk_GetUid(family != NULL ? family : "");
    if (display == NULL) {
        font->ascent = pixels * 4 / 5;
        font->descent = pixels - font->ascent;
        font->maxWidth = font->averageWidth = pixels / 2 > 0 ? pixels / 2 : 1;
        font->tabWidth = 8 * font->averageWidth;
        return;
    }

    FcPattern *matched = matchFace(display, screen, family, pixels, bold, italic);
    if (matched == NULL && family != NULL) {
        matched = matchFace(display, screen, NULL, pixels, bold, italic);
    }
    XftFont *natural = matched != NULL ? openWithMatrix(display, matched, NULL) : NULL;
    if (natural == NULL) {
        /* No face at all: the core font Xft always has. */
        if (matched != NULL) {
            FcPatternDestroy(matched);
        }
        matched = NULL;
        natural = XftFontOpenName(display, screen, "fixed");
    }
    OvexFontFaces *faces = (OvexFontFaces *)gmemAlloc(sizeof(OvexFontFaces));
    if (natural == NULL || faces == NULL) {
        gmemFree(faces);
        if (natural != NULL) {
            XftFontClose(display, natural);
        }
        if (matched != NULL) {
            FcPatternDestroy(matched);
        }
        font->ascent = pixels * 4 / 5;
        font->descent = pixels - font->ascent;
        font->maxWidth = font->averageWidth = pixels / 2 > 0 ? pixels / 2 : 1;
        font->tabWidth = 8 * font->averageWidth;
        return;
    }
    memset(faces, 0, sizeof(OvexFontFaces));
    memset(faces->asciiAdvance, 0xff, sizeof(faces->asciiAdvance));
    faces->display = display;
    faces->visual = tkwin != NULL ? Tk_Visual(tkwin) : DefaultVisual(display, screen);
    faces->colormap = tkwin != NULL ? Tk_Colormap(tkwin) : DefaultColormap(display, screen);
    faces->depth = tkwin != NULL ? Tk_Depth(tkwin) : DefaultDepth(display, screen);
    font->faces = faces;

    FcChar8 *foundFamily = NULL;
    if (FcPatternGetString(natural->pattern, FC_FAMILY, 0, &foundFamily) == FcResultMatch) {
        font->family = Tk_GetUid((const char *)foundFamily);
    }
    int spacing = 0;
    font->fixed = FcPatternGetInteger(natural->pattern, FC_SPACING, 0, &spacing) == FcResultMatch
                  && spacing >= FC_MONO;

    /* Stretch: the average character width becomes |pixels| x factor. */
    double average = faceMetrics(display, natural, font);
    if (average <= 0) {
        XGlyphInfo info;
        XftTextExtentsUtf8(display, natural, (const FcChar8 *)"x", 1, &info);
        average = info.xOff;
    }
    int wanted = clampToInt(pixels * widthFactor);
    if (wanted > 0 && average > 0) {
        font->stretch = wanted / average;
    }
    font->ascent = natural->ascent;
    font->descent = natural->descent;

    double glyphAngle = (advanced ? orientation : escapement) * M_PI / 180.0;
    double baseAngle = escapement * M_PI / 180.0;
    faces->baseCos = cos(baseAngle);
    faces->baseSin = sin(baseAngle);
    int stretched = fabs(font->stretch - 1.0) > 1e-6;
    int turned = fabs(sin(glyphAngle)) > 1e-9 || cos(glyphAngle) < 0;
    if (stretched && matched != NULL) {
        FcMatrix scale;
        FcMatrixInit(&scale);
        scale.xx = font->stretch;
        faces->plain = openWithMatrix(display, matched, &scale);
    }
    if (faces->plain == NULL) {
        faces->plain = natural;
        natural = NULL;
    }
    if (turned && matched != NULL) {
        double c = cos(glyphAngle), s = sin(glyphAngle);
        FcMatrix matrix;
        matrix.xx = c * font->stretch;
        matrix.xy = -s;
        matrix.yx = s * font->stretch;
        matrix.yy = c;
        faces->turned = openWithMatrix(display, matched, &matrix);
    }
    if (faces->turned == NULL) {
        faces->turned = faces->plain;
    }
    if (natural != NULL) {
        XftFontClose(display, natural);
    }
    if (matched != NULL) {
        FcPatternDestroy(matched);
    }

    font->maxWidth = faces->plain->max_advance_width;
    font->averageWidth = roundToInt(average * font->stretch);
    int zero = fontAdvance(font, '0');
    font->tabWidth = 8 * (zero > 0 ? zero : (font->averageWidth > 0 ? font->averageWidth : 1));
    if (font->underlineHeight < 1) {
        font->underlineHeight = 1;
    }
}

static void releaseFont(OvexFont *font)
{
    closeFaces(font);
    if (font->tkfont != NULL) {
        Tk_FreeFont(font->tkfont);
        font->tkfont = NULL;
    }
}

OvexFont *ovexGetFontFromAttributes(OvexFont *refill, Tk_Window tkwin,
                                    const struct TkFontAttributes *attributes,
                                    double widthFactor, double escapement, double orientation,
                                    int advanced)
{
    OvexFont *font = refill;
    if (font != NULL) {
        releaseFont(font);
    } else {
        font = (OvexFont *)gmemAlloc(sizeof(OvexFont));
        if (font == NULL) {
            return NULL;
        }
    }
    const char *family = NULL;
    double size = 0;
    int bold = 0, italic = 0, underline = 0, overstrike = 0;
    if (attributes != NULL) {
        family = attributes->family != NULL && attributes->family[0] != '\0'
                 ? attributes->family : NULL;
        size = attributes->size;
        bold = attributes->weight == TK_FW_BOLD;
        italic = attributes->slant == TK_FS_ITALIC || attributes->slant == TK_FS_OBLIQUE;
        underline = attributes->underline != 0;
        overstrike = attributes->overstrike != 0;
    }
    makeFont(font, tkwin, family, size, bold, italic, underline, overstrike, widthFactor,
             escapement, orientation, advanced);
    return font;
}

/* The stock font names; those ending in "fixed" are monospaced. */
static const char *const nativeNames[] = {
    "ansifixed", "ansi", "device", "oemfixed", "systemfixed", "system", NULL,
};

OvexFont *ovexGetNativeFont(Tk_Window tkwin, const char *name)
{
    if (name == NULL) {
        return NULL;
    }
    int known = 0;
    for (int i = 0; nativeNames[i] != NULL; i++) {
        if (strcmp(name, nativeNames[i]) == 0) {
            known = 1;
        }
    }
    if (!known) {
        return NULL;
    }
    size_t length = strlen(name);
    int fixed = length >= 5 && strcmp(name + length - 5, "fixed") == 0;
    OvexFont *font = (OvexFont *)gmemAlloc(sizeof(OvexFont));
    if (font != NULL) {
        makeFont(font, tkwin, fixed ? "monospace" : "sans-serif", -13, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    return font;
}

void ovexDeleteFont(OvexFont *font)
{
    if (font == NULL) {
        return;
    }
    releaseFont(font);
    gmemFree(font);
}

static int compareNames(const void *a, const void *b)
{
    return strcmp(*(const char *const *)a, *(const char *const *)b);
}

void ovexGetFontFamilies(Tcl_Interp *interp, Tk_Window tkwin)
{
    if (interp == NULL) {
        return;
    }
    FcPattern *pattern = FcPatternCreate();
    FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, (char *)NULL);
    FcFontSet *set = pattern != NULL && objects != NULL ? FcFontList(NULL, pattern, objects) : NULL;
    if (set != NULL && set->nfont > 0) {
        const char **names = (const char **)gmemAlloc((size_t)set->nfont * sizeof(char *));
        int n = 0;
        for (int i = 0; names != NULL && i < set->nfont; i++) {
            FcChar8 *family;
            if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch) {
                names[n++] = (const char *)family;
            }
        }
        if (names != NULL) {
            qsort(names, (size_t)n, sizeof(char *), compareNames);
            for (int i = 0; i < n; i++) {
                if (i == 0 || strcmp(names[i], names[i - 1]) != 0) {
                    Tcl_AppendElement(interp, names[i]);
                }
            }
            gmemFree(names);
        }
    }
    if (set != NULL) {
        FcFontSetDestroy(set);
    }
    if (objects != NULL) {
        FcObjectSetDestroy(objects);
    }
    if (pattern != NULL) {
        FcPatternDestroy(pattern);
    }
}
