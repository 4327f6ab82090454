/*
 * grass_command.cpp --
 *
 *	The grass command, the script side of the GRASS emulation: opening
 *	and closing the raster driver on the virtual display, single driver
 *	operations, glyph files and stroke fonts, and the sample vask form.
 *	Every call remembers its interpreter as the one the R_ and V_
 *	functions evaluate their scripts in.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "core/inits.h"
#include "core/package.h"
#include "geo/grass/grass_driver.h"
#include "geo/grass/stroke_fonts.h"
#include "geo/grass/vask_forms.h"
#include "ovex/ovexstdio.h"

/*
 * grassExitHandler --
 *	Frees the glyph store and the fonts and forgets the interpreter; runs
 *	when grass is deleted and at exit. A second run finds nothing.
 */
static void grassExitHandler(ClientData)
{
    strokeFontsFree();
    grassSetInterp(NULL);
}

static int fail(Tcl_Interp *interp, const char *message)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(message, -1));
    return TCL_ERROR;
}

static int failWith(Tcl_Interp *interp, const char *lead, const char *word)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, lead, word, (char *)NULL);
    return TCL_ERROR;
}

static int usage(Tcl_Interp *interp, const char **argv, const char *pattern)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv[0], pattern, (char *)NULL);
    return TCL_ERROR;
}

/* ---- driver ------------------------------------------------------------------ */

static int driverOp(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) {
        return usage(interp, argv,
                     " driver ?options? (open_driver close_driver erase "
                     "get_location_with_pointer get_location_with_line get_location_with_box "
                     "move_abs move_rel text textsize textrotation)");
    }
    const char *op = argv[2];
    Tcl_ResetResult(interp);
    if (strcmp(op, "open_driver") == 0) {
        vdispOpenDriver(interp);
        return TCL_OK;
    }
    if (strcmp(op, "close_driver") == 0) {
        R_close_driver();
        return TCL_OK;
    }
    if (grassDriverImage() == NULL) {
        return fail(interp, "driver not open.\n");
    }
    int stabilize = 1;
    if (strcmp(op, "erase") == 0) {
        R_erase();
    } else if (strcmp(op, "get_location_with_pointer") == 0) {
        if (argc != 5) {
            return fail(interp, "Usage: get_location_with_pointer x y\n");
        }
        int x = ovexLenientInt(argv[3]), y = ovexLenientInt(argv[4]), button = 1;
        R_get_location_with_pointer(&x, &y, &button);
        Tcl_ResetResult(interp);
        ovex_printf("x:%d y:%d bt:%d\n", x, y, button);
        stabilize = 0;
    } else if (strcmp(op, "get_location_with_line") == 0
               || strcmp(op, "get_location_with_box") == 0) {
        bool line = op[18] == 'l';
        if (argc != 7) {
            return fail(interp, line ? "Usage: get_location_with_line x0 y0 x1 y1\n"
                                     : "Usage: get_location_with_box x0 y0 x1 y1\n");
        }
        int x0 = ovexLenientInt(argv[3]), y0 = ovexLenientInt(argv[4]);
        int x1 = ovexLenientInt(argv[5]), y1 = ovexLenientInt(argv[6]), button = 1;
        if (line) {
            R_get_location_with_line(x0, y0, &x1, &y1, &button);
        } else {
            R_get_location_with_box(x0, y0, &x1, &y1, &button);
        }
        Tcl_ResetResult(interp);
        ovex_printf("x0:%d y0:%d x1:%d y1:%d bt:%d\n", x0, y0, x1, y1, button);
        stabilize = 0;
    } else if (strcmp(op, "move_abs") == 0 || strcmp(op, "move_rel") == 0) {
        bool absolute = op[5] == 'a';
        if (argc != 5) {
            return fail(interp, absolute ? "Usage: move_abs x y" : "Usage: move_rel x y");
        }
        int x = ovexLenientInt(argv[3]), y = ovexLenientInt(argv[4]);
        if (absolute) {
            R_move_abs(x, y);
        } else {
            R_move_rel(x, y);
        }
    } else if (strcmp(op, "text") == 0) {
        if (argc != 4) {
            return fail(interp, "Usage: text textString");
        }
        R_text(argv[3]);
    } else if (strcmp(op, "textsize") == 0) {
        if (argc != 5) {
            return fail(interp, "Usage: textsize width height");
        }
        R_text_size(ovexLenientInt(argv[3]), ovexLenientInt(argv[4]));
    } else if (strcmp(op, "textrotation") == 0) {
        if (argc != 4) {
            return fail(interp, "Usage: textrotation angle");
        }
        R_text_rotation(ovexLenientDouble(argv[3]) * M_PI / 180.0);
    } else {
        return fail(interp, "unknown option");
    }
    if (stabilize) {
        R_stabilize();
    }
    return TCL_OK;
}

/* ---- fonts -------------------------------------------------------------------------- */

static int fontDef(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4) {
        return usage(interp, argv, " fontDef fontName fontFile.\n");
    }
    StrokeFont *font = fontDefIndex(argv[2], argv[3]);
    if (font == NULL) {
        return fail(interp, "Error in fontDefIndex.\n");
    }
    bool first = fontList() == NULL;
    fontAppend(font);
    if (first) {
        setCurrentFont(font);
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static int fontIndices(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) {
        return usage(interp, argv, " fontIndices fontName.\n");
    }
    const StrokeFont *font = fontFind(argv[2]);
    if (font == NULL) {
        return fail(interp, "Can't found the named indices.\n");
    }
    std::string text;
    char number[16];
    for (int i = 0; i < font->count; i++) {
        snprintf(number, sizeof number, "%d ", (int)font->glyphs[i]);
        text += number;
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text.c_str(), -1));
    return TCL_OK;
}

static int fontListCmd(Tcl_Interp *interp)
{
    std::string text;
    char count[16];
    for (const StrokeFont *font = fontList(); font != NULL; font = font->next) {
        snprintf(count, sizeof count, " %d} ", (int)font->count);
        text += "{";
        text += font->name;
        text += count;
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text.c_str(), -1));
    return TCL_OK;
}

static int fontLoadCmd(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) {
        return usage(interp, argv, " fontLoad fontFile");
    }
    if (glyphStore() == NULL || !fontLoad(glyphStore(), argv[2])) {
        return fail(interp, "Error in fontLoad...\n");
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static int fontGet(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4 && argc != 5) {
        return usage(interp, argv, " fontGet index offset fontName\n");
    }
    if (glyphStore() == NULL) {
        return fail(interp, "Font has not been defined\n");
    }
    const StrokeFont *font;
    if (argc == 5) {
        font = fontFind(argv[4]);
        if (font == NULL) {
            return failWith(interp, "Can't found font: ", argv[4]);
        }
    } else {
        font = currentFont() != NULL ? currentFont() : fontList();
        if (font == NULL) {
            return fail(interp, "Font has not been defined\n");
        }
    }
    int index = ovexLenientInt(argv[2]);
    if (index < 0 || index >= font->count) {
        return fail(interp, "Index is out of range\n");
    }
    const GlyphSlot *glyph = fontGetGlyph(glyphStore(), font->glyphs[index]);
    if (glyph == NULL) {
        return failWith(interp, "Can't find symbol: ", argv[2]);
    }
    Tcl_ResetResult(interp);
    fontGlyphText(interp, glyph, ovexLenientInt(argv[3]));
    return TCL_OK;
}

static int fontSymbol(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) {
        return usage(interp, argv, " fontSymbol Id\n");
    }
    const GlyphSlot *glyph = fontGetGlyph(glyphStore(), ovexLenientInt(argv[2]));
    if (glyph == NULL) {
        return failWith(interp, "Can't find symbol: ", argv[2]);
    }
    char offset[16];
    snprintf(offset, sizeof offset, "%d ", (int)glyph->offset);
    std::string text = offset;
    text.append(glyph->chars, (size_t)glyph->count);
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text.c_str(), (int)text.size()));
    return TCL_OK;
}

static int fontCoord(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3 && argc != 4) {
        return usage(interp, argv, " fontCoord Id offset\n");
    }
    const GlyphSlot *glyph = fontGetGlyph(glyphStore(), ovexLenientInt(argv[2]));
    if (glyph == NULL) {
        return failWith(interp, "Can't find symbol: ", argv[2]);
    }
    Tcl_ResetResult(interp);
    fontGlyphText(interp, glyph, argc == 4 ? ovexLenientInt(argv[3]) : 0);
    return TCL_OK;
}

static int fontSet(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc > 3) {
        return usage(interp, argv, " fontSet fontName");
    }
    if (argc == 3) {
        if (glyphStore() == NULL || !R_font(argv[2])) {
            return failWith(interp, "Can't found font: ", argv[2]);
        }
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (currentFont() == NULL) {
        setCurrentFont(fontList());
    }
    if (currentFont() == NULL) {
        return fail(interp, "Font has not been defined.\n");
    }
    Tcl_SetObjResult(interp, Tcl_NewStringObj(currentFont()->name, -1));
    return TCL_OK;
}

/*
 *----------------------------------------------------------------------
 *
 * grassCmd --
 *
 *	grass driver|fontDef|fontIndices|fontList|fontLoad|fontGet|
 *	fontSymbol|fontCoord|fontSet|vaskTest ?args?
 *
 *----------------------------------------------------------------------
 */
static int grassCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    grassSetInterp(interp);
    if (argc < 2) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Usage: ", argv[0],
                         " driver fontCoord fontDef fontGet fontIndices fontSymbol fontList "
                         "fontLoad fontSet",
                         (char *)NULL);
        return TCL_OK;
    }
    const char *word = argv[1];
    switch (word[0]) {
    case 'd':
        if (ovexMatchWord(word, "driver", 5)) return driverOp(interp, argc, argv);
        break;
    case 'f':
        if (ovexMatchWord(word, "fontDef", 6)) return fontDef(interp, argc, argv);
        if (ovexMatchWord(word, "fontIndices", 6)) return fontIndices(interp, argc, argv);
        if (ovexMatchWord(word, "fontList", 6)) return fontListCmd(interp);
        if (ovexMatchWord(word, "fontLoad", 6)) return fontLoadCmd(interp, argc, argv);
        if (ovexMatchWord(word, "fontGet", 6)) return fontGet(interp, argc, argv);
        if (ovexMatchWord(word, "fontSymbol", 6)) return fontSymbol(interp, argc, argv);
        if (ovexMatchWord(word, "fontCoord", 6)) return fontCoord(interp, argc, argv);
        if (ovexMatchWord(word, "fontSet", 6)) return fontSet(interp, argc, argv);
        break;
    case 'v':
        if (ovexMatchWord(word, "vaskTest", 3)) {
            Tcl_SetObjResult(interp, Tcl_NewIntObj(vaskTest()));
            return TCL_OK;
        }
        break;
    default:
        break;
    }
    return fail(interp, "Unknown grass command.\n");
}

int Grass_Init(Tcl_Interp *interp)
{
    glyphStoreCreate();
    if (Tcl_CreateCommand(interp, "grass", grassCmd, NULL, grassExitHandler) == NULL
        || Tcl_CreateCommand(interp, "_vask.parseInput", vaskParseInputCmd, NULL, NULL) == NULL) {
        return TCL_ERROR;
    }
    Tcl_CreateExitHandler(grassExitHandler, NULL);
    grassSetInterp(interp);
    return TCL_OK;
}
