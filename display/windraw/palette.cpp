/*
 * palette.cpp --
 *
 *	Palette records, the palette read from a colormap, the system
 *	palette, and colormap records.
 */
#include <string.h>

#include "display/windraw/palette.h"
#include "display/windraw/x_error_trap.h"
#include "core/package.h"
#include "ovex/ovex.h"

OvexPalette *ovexPaletteNew(int count)
{
    OvexPalette *palette = (OvexPalette *)gmemAlloc(sizeof(OvexPalette));
    if (palette == NULL) {
        return NULL;
    }
    memset(palette, 0, sizeof(OvexPalette));
    palette->count = count < 0 ? 0 : (count > OVEX_PALETTE_MAX ? OVEX_PALETTE_MAX : count);
    return palette;
}

OvexPalette *ovexPaletteCopy(const OvexPalette *palette)
{
    if (palette == NULL) {
        return NULL;
    }
    OvexPalette *copy = ovexPaletteNew(palette->count);
    if (copy != NULL) {
        memcpy(copy, palette, sizeof(OvexPalette));
    }
    return copy;
}

void ovexPaletteFree(OvexPalette *palette)
{
    gmemFree(palette);
}

int ovexPaletteEntries(const OvexPalette *palette, int start, int n, unsigned char (*out)[3])
{
    if (palette == NULL || start < 0 || n <= 0 || start >= palette->count) {
        return 0;
    }
    if (n > palette->count - start) {
        n = palette->count - start;
    }
    memcpy(out, palette->entries[start], (size_t)n * 3);
    return n;
}

/* Visual classes whose pixel values index a colormap. */
static int isIndexedVisual(const Visual *visual)
{
    int c = visual->c_class;
    return c == PseudoColor || c == StaticColor || c == GrayScale || c == StaticGray;
}

/*
 * paletteOfColormap --
 *	Reads the colours of pixels 0 .. min(map entries, 256) - 1. Returns
 *	a new palette (empty for a decomposed visual or a failed query), or
 *	NULL when memory runs out.
 */
OvexPalette *paletteOfColormap(Display *display, Visual *visual, Colormap colormap)
{
    if (display == NULL || visual == NULL || !isIndexedVisual(visual) || colormap == None) {
        return ovexPaletteNew(0);
    }
    int count = visual->map_entries;
    if (count > OVEX_PALETTE_MAX) {
        count = OVEX_PALETTE_MAX;
    }
    OvexPalette *palette = ovexPaletteNew(count);
    if (palette == NULL || count <= 0) {
        return palette;
    }
    XColor colors[OVEX_PALETTE_MAX];
    for (int i = 0; i < count; i++) {
        colors[i].pixel = (unsigned long)i;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    XQueryColors(display, colormap, colors, count);
    if (xErrorTrapEnd(&trap) != 0) {
        palette->count = 0;
        return palette;
    }
    for (int i = 0; i < count; i++) {
        palette->entries[i][0] = (unsigned char)(colors[i].red >> 8);
        palette->entries[i][1] = (unsigned char)(colors[i].green >> 8);
        palette->entries[i][2] = (unsigned char)(colors[i].blue >> 8);
    }
    return palette;
}

/*
 * systemPalette --
 *	The palette of the display's default colormap, as recorded when the
 *	package was loaded. A true-colour display has no palette: the result
 *	is then empty.
 */
OvexPalette *systemPalette(void)
{
    Display *display = getOvexDisplay();
    if (display == NULL) {
        return ovexPaletteNew(0);
    }
    int screen = DefaultScreen(display);
    return paletteOfColormap(display, DefaultVisual(display, screen),
                             DefaultColormap(display, screen));
}

OvexColormapRecord *ovexNewColormapRecord(const OvexPalette *palette)
{
    OvexColormapRecord *record = (OvexColormapRecord *)gmemAlloc(sizeof(OvexColormapRecord));
    if (record == NULL) {
        return NULL;
    }
    record->palette = palette != NULL ? ovexPaletteCopy(palette) : ovexPaletteNew(0);
    record->refCounts = createIntHashTable();
    if (record->palette == NULL || record->refCounts == NULL) {
        ovexPaletteFree(record->palette);
        if (record->refCounts != NULL) {
            destroyHashTable(record->refCounts);
        }
        gmemFree(record);
        return NULL;
    }
    record->count = record->palette->count;
    record->stale = 0;
    return record;
}

void ovexFreeColormapRecord(OvexColormapRecord *record)
{
    if (record == NULL) {
        return;
    }
    ovexPaletteFree(record->palette);
    destroyHashTable(record->refCounts);
    gmemFree(record);
}
