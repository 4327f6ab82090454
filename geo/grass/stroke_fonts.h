/*
 * stroke_fonts.h --
 *
 *	Hershey stroke fonts for the text of the GRASS driver: one process-wide
 *	glyph store filled from glyph files, and named fonts that map the
 *	characters from the blank upward to glyph numbers.
 *
 *	A glyph is a run of coordinate characters, value = code - 'R': first
 *	the left and right bound, then points x y; the pair " R" lifts the
 *	pen. Metrics are kept in coordinate characters.
 */
#ifndef OVEX_GEO_GRASS_STROKE_FONTS_H
#define OVEX_GEO_GRASS_STROKE_FONTS_H

#include <stdint.h>

#include <tcl.h>

#define GLYPH_ORIGIN 'R'              /* the coordinate character of value 0 */
#define GLYPH_MAX_PAIRS 512           /* pairs kept of one glyph record */
#define FONT_MAX_GLYPHS 1024          /* glyph numbers of one font */
#define FONT_NAME_MAX 15              /* characters of a font name */
#define FONT_DEF_MAX_TEXT 1023        /* characters of a definition file read */

typedef struct GlyphSlot {
    int32_t count;                    /* coordinate characters, 0: no glyph */
    int width, height, left, top;     /* metrics */
    int32_t offset;                   /* of the characters in the pool */
    const char *chars;                /* filled in by fontGetGlyph */
} GlyphSlot;

typedef struct GlyphStore {
    int32_t slotCount;
    int32_t poolCapacity;
    int32_t poolUsed;
    int32_t fontHeight;
    GlyphSlot *slots;
    char *pool;
} GlyphStore;

typedef struct StrokeFont {
    char name[FONT_NAME_MAX + 1];
    int32_t count;
    struct StrokeFont *next;
    int32_t *glyphs;                  /* glyph number per character from the blank */
} StrokeFont;

/* The process-wide store (NULL when none), the fonts and the current one. */
GlyphStore *glyphStore(void);
StrokeFont *fontList(void);
StrokeFont *currentFont(void);
void setCurrentFont(StrokeFont *font);

/* A new empty store replacing the old one (freed); NULL when memory runs
 * out. */
GlyphStore *glyphStoreCreate(void);
void glyphStoreInit(GlyphStore *store);
/* Frees the store and every font; the current font is cleared. */
void strokeFontsFree(void);

int fontAddISlots(GlyphStore *store, int count);
int fontAddCSlots(GlyphStore *store, int count);
int fontAddGlyph(GlyphStore *store, int number, int count, const char *chars);
GlyphSlot *fontGetGlyph(GlyphStore *store, int number);
int fontLoad(GlyphStore *store, const char *fileName);
StrokeFont *fontDefIndex(const char *name, const char *fileName);
/* Appends a font to the list. */
void fontAppend(StrokeFont *font);
StrokeFont *fontFind(const char *name);
void fontGlyphText(Tcl_Interp *interp, const GlyphSlot *glyph, int offset);

#endif /* OVEX_GEO_GRASS_STROKE_FONTS_H */
