/*
 * text_draw.cpp --
 *
 *	Text in turned and stretched fonts. Xft places the glyphs of a
 *	turned face along their turned advances in a way that does not
 *	follow the baseline (at 90 degrees it runs downwards), so the glyphs
 *	are placed one by one here, along the baseline, from the advances of
 *	the unturned face. Plain text is drawn by Xft; stippled text, or text
 *	with a drawing function other than copy, goes through a mask of the
 *	glyphs used as the clip of a scratch copy of the caller's GC.
 */
#include <math.h>
#include <string.h>

#include "display/windraw/font_faces.h"
#include "display/windraw/x_error_trap.h"
#include "core/rounding.h"
#include "ovex/ovex.h"

void rotatedTextBounds(double cosine, double sine, int width, int height, int *left, int *top,
                       int *boxWidth, int *boxHeight)
{
    const int px[4] = {0, 0, width, width};
    const int py[4] = {0, height, 0, height};
    int minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 0; i < 4; i++) {
        int x = roundToInt(px[i] * cosine - py[i] * sine);
        int y = roundToInt(px[i] * sine + py[i] * cosine);
        if (i == 0 || x < minX) minX = x;
        if (i == 0 || x > maxX) maxX = x;
        if (i == 0 || y < minY) minY = y;
        if (i == 0 || y > maxY) maxY = y;
    }
    if (left != NULL) *left = minX;
    if (top != NULL) *top = minY;
    if (boxWidth != NULL) *boxWidth = maxX - minX + 1;
    if (boxHeight != NULL) *boxHeight = maxY - minY + 1;
}

/* A coordinate kept within what X requests carry. */
static short toShort(double v)
{
    int i = roundToInt(v);
    return (short)(i < -32768 ? -32768 : (i > 32767 ? 32767 : i));
}

/* The 16-bit component of pixel under mask. */
static unsigned short maskComponent(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (!((mask >> shift) & 1)) {
        shift++;
    }
    unsigned long maximum = mask >> shift;
    unsigned long value = (pixel & mask) >> shift;
    return (unsigned short)(value * 65535UL / maximum);
}

/* The Xft colour of an X pixel value (kept for the next call). */
static const XftColor *colorOf(OvexFontFaces *faces, unsigned long pixel)
{
    if (faces->haveColor && faces->colorPixel == pixel) {
        return &faces->color;
    }
    XRenderColor render;
    const Visual *visual = faces->visual;
    if (visual->c_class == TrueColor || visual->c_class == DirectColor) {
        render.red = maskComponent(pixel, visual->red_mask);
        render.green = maskComponent(pixel, visual->green_mask);
        render.blue = maskComponent(pixel, visual->blue_mask);
    } else {
        XColor query;
        query.pixel = pixel;
        query.red = query.green = query.blue = 0;
        XQueryColor(faces->display, faces->colormap, &query);
        render.red = query.red;
        render.green = query.green;
        render.blue = query.blue;
    }
    render.alpha = 0xffff;
    faces->color.pixel = pixel;
    faces->color.color = render;
    faces->colorPixel = pixel;
    faces->haveColor = 1;
    return &faces->color;
}

/* Glyphs through a depth-1 mask: the caller's GC (its stipple, function
 * and colours) fills where the glyphs are. */
static void drawThroughMask(Display *display, Drawable drawable, GC gc, OvexFontFaces *faces,
                            XftGlyphSpec *specs, int count)
{
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0, any = 0;
    for (int i = 0; i < count; i++) {
        XGlyphInfo info;
        XftGlyphExtents(display, faces->turned, &specs[i].glyph, 1, &info);
        if (info.width == 0 || info.height == 0) {
            continue;
        }
        int gx = specs[i].x - info.x, gy = specs[i].y - info.y;
        if (!any || gx < x0) x0 = gx;
        if (!any || gy < y0) y0 = gy;
        if (!any || gx + info.width > x1) x1 = gx + info.width;
        if (!any || gy + info.height > y1) y1 = gy + info.height;
        any = 1;
    }
    if (!any) {
        return;
    }
    unsigned int width = (unsigned int)(x1 - x0), height = (unsigned int)(y1 - y0);
    /* Glyphs spread over more than X can address (a huge size) make no
     * mask: the text is not drawn rather than the process ended. */
    Pixmap mask = trappedPixmap(display, drawable, (int)width, (int)height, 1);
    if (mask == None) {
        return;
    }
    GC maskGC = XCreateGC(display, mask, 0, NULL);
    XSetForeground(display, maskGC, 0);
    XFillRectangle(display, mask, maskGC, 0, 0, width, height);
    XFreeGC(display, maskGC);
    XftDraw *maskDraw = XftDrawCreateBitmap(display, mask);
    if (maskDraw != NULL) {
        for (int i = 0; i < count; i++) {
            specs[i].x = (short)(specs[i].x - x0);
            specs[i].y = (short)(specs[i].y - y0);
        }
        XftColor set;
        set.pixel = 1;
        set.color.red = set.color.green = set.color.blue = set.color.alpha = 0xffff;
        XftDrawGlyphSpec(maskDraw, &set, faces->turned, specs, count);
        XftDrawDestroy(maskDraw);
    }
    GC scratch = XCreateGC(display, drawable, 0, NULL);
    XCopyGC(display, gc, (1UL << (GCLastBit + 1)) - 1, scratch);
    XSetClipMask(display, scratch, mask);
    XSetClipOrigin(display, scratch, x0, y0);
    XFillRectangle(display, drawable, scratch, x0, y0, width, height);
    XFreeGC(display, scratch);
    XFreePixmap(display, mask);
}

/* A band along the baseline from pen 0 to length, offset below it by
 * offset pixels, thickness high (underline and overstrike). */
static void drawBand(Display *display, Drawable drawable, GC gc, const OvexFontFaces *faces,
                     int x, int y, double length, int offset, int thickness)
{
    double c = faces->baseCos, s = faces->baseSin;
    if (fabs(s) < 1e-9 && c > 0) {
        XFillRectangle(display, drawable, gc, x, y + offset, (unsigned int)roundToInt(length),
                       (unsigned int)thickness);
        return;
    }
    /* Along the baseline (c, -s); below it (s, c). */
    double ax[4] = {0, length, length, 0};
    double bx[4] = {(double)offset, (double)offset, (double)(offset + thickness),
                    (double)(offset + thickness)};
    XPoint corners[4];
    for (int i = 0; i < 4; i++) {
        corners[i].x = toShort(x + ax[i] * c + bx[i] * s);
        corners[i].y = toShort(y - ax[i] * s + bx[i] * c);
    }
    XFillPolygon(display, drawable, gc, corners, 4, Convex, CoordModeOrigin);
}

/*
 * slantedChunk --
 *	The server composites a run of glyphs through a scratch mask as large
 *	as the run's bounding box: for a slanted baseline that box grows with
 *	the square of the run's length. Slanted runs go in short pieces.
 */
static int slantedChunk(const OvexFontFaces *faces)
{
    double c = fabs(faces->baseCos), s = fabs(faces->baseSin);
    if (c < 0.05 || s < 0.05) {
        return 1 << 30;
    }
    return 3;
}

static void drawText(Display *display, Drawable drawable, GC gc, OvexFont *font,
                     const char *source, int numBytes, int x, int y)
{
    if (display == NULL || drawable == None || gc == NULL || font == NULL
            || font->faces == NULL || source == NULL || numBytes <= 0) {
        return;
    }
    OvexFontFaces *faces = font->faces;
    XftGlyphSpec stack[256];
    XftGlyphSpec *specs = numBytes <= 256 ? stack
                          : (XftGlyphSpec *)gmemAlloc((size_t)numBytes * sizeof(XftGlyphSpec));
    if (specs == NULL) {
        return;
    }
    int count = 0;
    double pen = 0;
    for (int at = 0; at < numBytes;) {
        FcChar32 ch;
        at += nextCharacter(source + at, numBytes - at, &ch);
        specs[count].glyph = XftCharIndex(display, faces->turned, ch);
        specs[count].x = toShort(x + pen * faces->baseCos);
        specs[count].y = toShort(y - pen * faces->baseSin);
        count++;
        pen += fontAdvance(font, ch);
    }

    XGCValues values;
    XGetGCValues(display, gc, GCFunction | GCForeground | GCFillStyle, &values);
    Tk_ErrorHandler handler = Tk_CreateErrorHandler(display, -1, -1, -1, NULL, NULL);
    int stippled = values.fill_style == FillStippled || values.fill_style == FillOpaqueStippled;
    if (stippled || values.function != GXcopy) {
        drawThroughMask(display, drawable, gc, faces, specs, count);
    } else {
        if (faces->draw == NULL) {
            faces->draw = XftDrawCreate(display, drawable, faces->visual, faces->colormap);
            faces->drawDrawable = drawable;
        } else if (faces->drawDrawable != drawable) {
            XftDrawChange(faces->draw, drawable);
            faces->drawDrawable = drawable;
        }
        if (faces->draw != NULL) {
            const XftColor *color = colorOf(faces, values.foreground);
            int chunk = slantedChunk(faces);
            for (int i = 0; i < count; i += chunk) {
                XftDrawGlyphSpec(faces->draw, color, faces->turned, specs + i,
                                 count - i < chunk ? count - i : chunk);
            }
        }
    }
    if (font->underline) {
        drawBand(display, drawable, gc, faces, x, y, pen, font->underlinePos,
                 font->underlineHeight);
    }
    if (font->overstrike) {
        drawBand(display, drawable, gc, faces, x, y, pen, -(font->ascent * 3 / 10),
                 font->underlineHeight);
    }
    Tk_DeleteErrorHandler(handler);
    if (specs != stack) {
        gmemFree(specs);
    }
}

void ovexDrawChars(Display *display, Drawable drawable, GC gc, OvexFont *font,
                   const char *source, int numBytes, int x, int y)
{
    drawText(display, drawable, gc, font, source, numBytes, x, y);
}

void drawRotatedChars(Display *display, Drawable drawable, GC gc, OvexFont *font,
                      const char *source, int numBytes, int x, int y, double cosine,
                      double sine)
{
    /* The font turns the text; cosine and sine only describe it. */
    drawText(display, drawable, gc, font, source, numBytes, x, y);
}
