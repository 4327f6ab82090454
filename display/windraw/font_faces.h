/*
 * font_faces.h --
 *
 *	The Xft faces behind an OvexFont: one unturned (stretched) for
 *	advances and measuring, one turned for the glyph images, the baseline
 *	direction, and the drawing surface and colour reused between calls.
 */
#ifndef OVEX_DISPLAY_WINDRAW_FONT_FACES_H
#define OVEX_DISPLAY_WINDRAW_FONT_FACES_H

#include <X11/Xft/Xft.h>

#include "ovex/draw.h"

struct OvexFontFaces {
    Display *display;
    Visual *visual;
    Colormap colormap;
    int depth;
    XftFont *plain;             /* stretched, unturned */
    XftFont *turned;            /* stretched and turned; may be plain itself */
    double baseCos, baseSin;    /* direction of the baseline (escapement) */
    int asciiAdvance[128];      /* advances in plain, -1 until known */
    XftDraw *draw;              /* reused surface, or NULL */
    Drawable drawDrawable;
    int haveColor;
    unsigned long colorPixel;
    XftColor color;
};

/* The advance of character ch in the font's unturned face. */
int fontAdvance(OvexFont *font, FcChar32 ch);

/* Decodes the next character of text (at most available bytes, at least
 * one byte consumed); returns the bytes it took. */
int nextCharacter(const char *text, int available, FcChar32 *ch);

#endif /* OVEX_DISPLAY_WINDRAW_FONT_FACES_H */
