/*
 * palette.h --
 *
 *	Palettes of up to 256 RGB entries (what a bitmap's colours are read
 *	through), the system palette of the display, and colormap records
 *	built from a palette.
 */
#ifndef OVEX_DISPLAY_WINDRAW_PALETTE_H
#define OVEX_DISPLAY_WINDRAW_PALETTE_H

#include <tcl.h>
#include <X11/Xlib.h>

#define OVEX_PALETTE_MAX 256

typedef struct OvexPalette {
    int count;                                  /* entries in use, 0 .. 256 */
    unsigned char entries[OVEX_PALETTE_MAX][3]; /* red, green, blue */
} OvexPalette;

/* A colormap record: a palette, its entry count, a stale flag and a table
 * of reference counts keyed by pixel value. */
typedef struct OvexColormapRecord {
    OvexPalette *palette;
    int count;
    int stale;
    Tcl_HashTable *refCounts;
} OvexColormapRecord;

/* A new palette of count entries (kept within 0 .. 256), all black; NULL
 * when memory runs out. */
OvexPalette *ovexPaletteNew(int count);
/* A copy of palette, or NULL (also for NULL). */
OvexPalette *ovexPaletteCopy(const OvexPalette *palette);
/* Frees a palette; NULL does nothing. */
void ovexPaletteFree(OvexPalette *palette);
/* Copies entries start .. start + n - 1 (those that exist) into out as
 * red, green, blue triples. Returns the number copied. */
int ovexPaletteEntries(const OvexPalette *palette, int start, int n, unsigned char (*out)[3]);

/* The colours of the first entries (at most 256) of colormap on a visual
 * whose pixels index a colormap (PseudoColor, StaticColor, GrayScale,
 * StaticGray); for other visuals an empty palette. NULL when memory runs
 * out. X errors are trapped. */
OvexPalette *paletteOfColormap(Display *display, Visual *visual, Colormap colormap);

/* The system palette: paletteOfColormap of the recorded display's default
 * visual and colormap (empty without a display). The caller frees it. */
OvexPalette *systemPalette(void);

/* A colormap record holding a copy of palette (an empty one for NULL);
 * NULL when memory runs out. Freed with ovexFreeColormapRecord. */
OvexColormapRecord *ovexNewColormapRecord(const OvexPalette *palette);
void ovexFreeColormapRecord(OvexColormapRecord *record);

#endif /* OVEX_DISPLAY_WINDRAW_PALETTE_H */
