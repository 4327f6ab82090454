/*
 * palette_query.cpp --
 *
 *	The colours of a colormap's cells on screens whose pixels index a
 *	colormap. Decomposed (true-colour) visuals have no palette to list.
 */
#include "display/windraw/palette.h"
#include "display/windraw/x_error_trap.h"
#include "ovex/draw.h"

/* Visual classes whose pixel values index a colormap. */
static int indexesColormap(const Visual *visual)
{
    int c = visual->c_class;
    return c == PseudoColor || c == StaticColor || c == GrayScale || c == StaticGray;
}

/*
 * colormapVisual --
 *	X cannot tell which visual a colormap was made for: the default
 *	visual of the screen whose default colormap it is, else the default
 *	visual of the default screen.
 */
static Visual *colormapVisual(Display *display, Colormap colormap)
{
    for (int s = 0; s < ScreenCount(display); s++) {
        if (DefaultColormap(display, s) == colormap) {
            return DefaultVisual(display, s);
        }
    }
    return DefaultVisual(display, DefaultScreen(display));
}

/* The number of cells listed: map entries, at most the palette's size. */
static int paletteCells(Display *display, Colormap colormap)
{
    if (display == NULL || colormap == None) {
        return 0;
    }
    Visual *visual = colormapVisual(display, colormap);
    if (visual == NULL || !indexesColormap(visual)) {
        return 0;
    }
    int cells = visual->map_entries;
    return cells > OVEX_PALETTE_MAX ? OVEX_PALETTE_MAX : cells;
}

int queryPaletteColors(Display *display, Colormap colormap, XColor *colors, int n)
{
    int count = paletteCells(display, colormap);
    if (colors == NULL || n <= 0 || count <= 0) {
        return 0;
    }
    if (count > n) {
        count = n;
    }
    for (int i = 0; i < count; i++) {
        colors[i].pixel = (unsigned long)i;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    XQueryColors(display, colormap, colors, count);
    return xErrorTrapEnd(&trap) == 0 ? count : 0;
}

void queryPaletteColor(Display *display, Colormap colormap, XColor *color)
{
    int count = paletteCells(display, colormap);
    if (color == NULL || color->pixel >= (unsigned long)(count > 0 ? count : 0)) {
        return;
    }
    XColor answer = *color;
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    XQueryColor(display, colormap, &answer);
    if (xErrorTrapEnd(&trap) == 0) {
        color->red = answer.red;
        color->green = answer.green;
        color->blue = answer.blue;
    }
}
