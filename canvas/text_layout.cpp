/*
 * text_layout.cpp --
 *
 *	The rotated text layout: Tk's line breaking, tabs, justification,
 *	character boxes, hit tests and PostScript strings over the drawing
 *	layer's fonts, drawn turned about the layout's origin.
 */
#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "canvas/text_layout.h"
#include "core/rounding.h"

/* A limit meaning "no limit" for measure() below. */
static const int NO_LIMIT = INT_MIN;

/*
 * measure --
 *	The bytes of source that fit in limit pixels, as Tk measures.
 *	ovexMeasureChars takes every limit <= 0 as "no limit"; here a
 *	bounded limit of 0 or less lets nothing fit but the one character
 *	that at-least-one asks for.
 */
static int measure(OvexFont *font, const char *source, int numBytes, int limit, int flags,
                   int *length)
{
    *length = 0;
    if (numBytes <= 0) {
        return 0;
    }
    if (limit == NO_LIMIT) {
        return ovexMeasureChars(font, source, numBytes, 0, 0, length);
    }
    if (limit <= 0) {
        if (!(flags & OVEX_AT_LEAST_ONE)) {
            return 0;
        }
        int bytes = (int)(Tcl_UtfNext(source) - source);
        if (bytes > numBytes) {
            bytes = numBytes;
        }
        return ovexMeasureChars(font, source, bytes, 0, 0, length);
    }
    return ovexMeasureChars(font, source, numBytes, limit, flags, length);
}

static int widthOf(OvexFont *font, const char *source, int numBytes)
{
    int length;
    measure(font, source, numBytes, NO_LIMIT, 0, &length);
    return length;
}

int rotTextTabWidth(const OvexFont *font)
{
    if (font->tabWidth > 0) {
        return font->tabWidth;
    }
    /* A font that carries no tab width: eight average characters. */
    int w = 8 * font->averageWidth;
    if (w <= 0) {
        w = 8 * (font->ascent + font->descent) / 2;
    }
    return w > 0 ? w : 1;
}

static LayoutChunk *newChunk(RotatedLayout **layoutPtr, const char *start, int numBytes, int curX,
                             int newX, int y, int line)
{
    RotatedLayout *layout = *layoutPtr;
    if (layout->numChunks == layout->capacity) {
        int capacity = layout->capacity * 2;
        size_t size = sizeof(RotatedLayout) + (size_t)(capacity - 1) * sizeof(LayoutChunk);
        layout = (RotatedLayout *)ckrealloc((char *)layout, size);
        layout->capacity = capacity;
        *layoutPtr = layout;
    }
    int numChars = Tcl_NumUtfChars(start, numBytes);
    LayoutChunk *chunk = &layout->chunks[layout->numChunks++];
    chunk->start = start;
    chunk->numBytes = numBytes;
    chunk->numChars = numChars;
    chunk->numDisplayChars = numChars;
    chunk->x = curX;
    chunk->y = y;
    chunk->totalWidth = newX - curX;
    chunk->displayWidth = newX - curX;
    chunk->line = line;
    return chunk;
}

static int isLayoutSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

RotatedLayout *rotTextComputeLayout(OvexFont *font, const char *string, int numChars,
                                    int wrapLength, int justify, int flags, int *widthPtr,
                                    int *heightPtr)
{
    if (widthPtr != NULL) *widthPtr = 0;
    if (heightPtr != NULL) *heightPtr = 0;
    if (font == NULL || string == NULL) {
        return NULL;
    }
    int ascent = font->ascent, descent = font->descent;
    int lineHeight = ascent + descent;
    int tabWidth = rotTextTabWidth(font);
    if (numChars < 0) {
        numChars = Tcl_NumUtfChars(string, -1);
    }
    const char *end = Tcl_UtfAtIndex(string, numChars);

    RotatedLayout *layout = (RotatedLayout *)ckalloc(sizeof(RotatedLayout));
    layout->font = font;
    layout->string = string;
    layout->width = 0;
    layout->numChunks = 0;
    layout->cosine = 1.0;
    layout->sine = 0.0;
    layout->capacity = 1;

    int lineSpace = 16, numLines = 0;
    int lineStack[16];
    int *lineLengths = lineStack;

    flags &= (ROT_TEXT_IGNORE_TABS | ROT_TEXT_IGNORE_NEWLINES);
    flags |= OVEX_WHOLE_WORDS | OVEX_AT_LEAST_ONE;
    int baseline = ascent, maxWidth = 0, curX = 0;
    const char *start = string;
    while (start < end) {
        const char *special = end;
        for (const char *p = start; p < end; p++) {
            if (!(flags & ROT_TEXT_IGNORE_NEWLINES) && (*p == '\n' || *p == '\r')) {
                special = p;
                break;
            }
            if (!(flags & ROT_TEXT_IGNORE_TABS) && *p == '\t') {
                special = p;
                break;
            }
        }
        LayoutChunk *chunk = NULL;
        int lineEnds = 1;
        if (start < special) {
            int newX;
            int limit = wrapLength > 0 ? wrapLength - curX : NO_LIMIT;
            int bytes = measure(font, start, (int)(special - start), limit, flags, &newX);
            newX += curX;
            flags &= ~OVEX_AT_LEAST_ONE;
            if (bytes > 0) {
                chunk = newChunk(&layout, start, bytes, curX, newX, baseline, numLines);
                start += bytes;
                curX = newX;
            }
        }
        int skipSpaces = 1;
        if (start == special && special < end) {
            chunk = NULL;
            if (*special == '\t') {
                int newX = curX + tabWidth;
                newX -= newX % tabWidth;
                newChunk(&layout, start, 1, curX, newX, baseline, numLines)->numDisplayChars = -1;
                start++;
                curX = newX;
                flags &= ~OVEX_AT_LEAST_ONE;
                if (start < end && (wrapLength <= 0 || newX <= wrapLength)) {
                    lineEnds = 0;
                }
            } else {
                newChunk(&layout, start, 1, curX, curX, baseline, numLines)->numDisplayChars = -1;
                start++;
                skipSpaces = 0;
            }
        }
        if (!lineEnds) {
            continue;
        }
        if (skipSpaces) {
            const char *from = start;
            while (start < end && isLayoutSpace(*start)) {
                if (!(flags & ROT_TEXT_IGNORE_NEWLINES) && (*start == '\n' || *start == '\r')) break;
                if (!(flags & ROT_TEXT_IGNORE_TABS) && *start == '\t') break;
                start++;
            }
            if (chunk != NULL && start > from) {
                /* The spaces at the break go to the line's last chunk, undrawn. */
                int spaces = (int)(start - from);
                chunk->numBytes += spaces;
                chunk->numChars += Tcl_NumUtfChars(from, spaces);
                chunk->totalWidth = widthOf(font, chunk->start, chunk->numBytes) + chunk->x;
            }
        }
        /* Line end. */
        flags |= OVEX_AT_LEAST_ONE;
        if (numLines == lineSpace) {
            int *grown = (int *)ckalloc(sizeof(int) * (size_t)lineSpace * 2);
            memcpy(grown, lineLengths, sizeof(int) * (size_t)lineSpace);
            if (lineLengths != lineStack) ckfree((char *)lineLengths);
            lineLengths = grown;
            lineSpace *= 2;
        }
        lineLengths[numLines++] = curX;
        if (curX > maxWidth) maxWidth = curX;
        curX = 0;
        baseline += lineHeight;
    }

    if (layout->numChunks > 0 && !(flags & ROT_TEXT_IGNORE_NEWLINES)
            && layout->chunks[layout->numChunks - 1].start[0] == '\n') {
        newChunk(&layout, start, 0, curX, curX, baseline, numLines)->numDisplayChars = -1;
        if (numLines == lineSpace) {
            int *grown = (int *)ckalloc(sizeof(int) * (size_t)lineSpace * 2);
            memcpy(grown, lineLengths, sizeof(int) * (size_t)lineSpace);
            if (lineLengths != lineStack) ckfree((char *)lineLengths);
            lineLengths = grown;
            lineSpace *= 2;
        }
        lineLengths[numLines++] = curX;
        baseline += lineHeight;
    }

    layout->width = maxWidth;
    int height = baseline - ascent;
    if (layout->numChunks == 0) {
        height = lineHeight;
        LayoutChunk *chunk = &layout->chunks[0];
        layout->numChunks = 1;
        chunk->start = string;
        chunk->numBytes = chunk->numChars = 0;
        chunk->numDisplayChars = -1;
        chunk->x = 0;
        chunk->y = ascent;
        chunk->totalWidth = chunk->displayWidth = 0;
        chunk->line = 0;
    } else if (justify == TK_JUSTIFY_RIGHT || justify == TK_JUSTIFY_CENTER) {
        for (int i = 0; i < layout->numChunks; i++) {
            LayoutChunk *chunk = &layout->chunks[i];
            int line = chunk->line < numLines ? chunk->line : numLines - 1;
            int extra = maxWidth - lineLengths[line];
            chunk->x += justify == TK_JUSTIFY_CENTER ? extra / 2 : extra;
        }
    }
    if (lineLengths != lineStack) ckfree((char *)lineLengths);
    if (widthPtr != NULL) *widthPtr = layout->width;
    if (heightPtr != NULL) *heightPtr = height;
    return layout;
}

void rotTextSetRotation(RotatedLayout *layout, double sine, double cosine)
{
    if (layout == NULL) return;
    layout->sine = sine;
    layout->cosine = cosine;
}

void rotTextFreeLayout(RotatedLayout *layout)
{
    if (layout != NULL) ckfree((char *)layout);
}

void rotTextToLayoutXY(const RotatedLayout *layout, double x, double y, double *lx, double *ly)
{
    double c = layout->cosine, s = layout->sine;
    *lx = c * x - s * y;
    *ly = c * y + s * x;
}

void rotTextToLayout(const RotatedLayout *layout, double *x, double *y)
{
    rotTextToLayoutXY(layout, *x, *y, x, y);
}

void rotTextFromLayout(const RotatedLayout *layout, double lx, double ly, double *x, double *y)
{
    double c = layout->cosine, s = layout->sine;
    *x = c * lx + s * ly;
    *y = c * ly - s * lx;
}

void rotTextFromLayoutInPlace(const RotatedLayout *layout, double *x, double *y)
{
    rotTextFromLayout(layout, *x, *y, x, y);
}

void rotTextDrawLayout(Display *display, Drawable drawable, GC gc, const RotatedLayout *layout,
                       int x, int y, int firstChar, int lastChar)
{
    if (layout == NULL) return;
    if (lastChar < 0) lastChar = INT_MAX;
    for (int i = 0; i < layout->numChunks && lastChar > 0; i++) {
        const LayoutChunk *chunk = &layout->chunks[i];
        if (chunk->numDisplayChars > 0 && chunk->numDisplayChars > firstChar) {
            const char *first = chunk->start;
            int skipped = 0;
            if (firstChar > 0) {
                first = Tcl_UtfAtIndex(chunk->start, firstChar);
                skipped = widthOf(layout->font, chunk->start, (int)(first - chunk->start));
            }
            int upTo = chunk->numDisplayChars < lastChar ? chunk->numDisplayChars : lastChar;
            const char *last = Tcl_UtfAtIndex(chunk->start, upTo);
            double dx, dy;
            rotTextFromLayout(layout, (double)(chunk->x + skipped), (double)chunk->y, &dx, &dy);
            drawRotatedChars(display, drawable, gc, layout->font, first, (int)(last - first),
                             x + (int)dx, y + (int)dy, layout->cosine, layout->sine);
        }
        firstChar -= chunk->numChars;
        lastChar -= chunk->numChars;
    }
}

void rotTextUnderline(Display *display, Drawable drawable, GC gc, const RotatedLayout *layout,
                      int x, int y, int index)
{
    int cx, cy, width;
    if (layout != NULL && rotTextCharBbox(layout, index, &cx, &cy, &width, NULL) && width != 0) {
        XFillRectangle(display, drawable, gc, x + cx,
                       y + cy + layout->font->ascent + layout->font->underlinePos,
                       (unsigned)width, (unsigned)(layout->font->underlineHeight > 0
                                                       ? layout->font->underlineHeight : 1));
    }
}

int rotTextPointToChar(const RotatedLayout *layout, int x, int y)
{
    if (layout == NULL || y < 0) return 0;
    int descent = layout->font->descent;
    int numChars = 0;
    int i = 0;
    while (i < layout->numChunks) {
        const LayoutChunk *chunk = &layout->chunks[i];
        int baseline = chunk->y;
        if (y < baseline + descent) {
            if (x < chunk->x) return numChars;
            if (x >= layout->width) x = INT_MAX;
            while (i < layout->numChunks && layout->chunks[i].y == baseline) {
                chunk = &layout->chunks[i];
                if (x < chunk->x + chunk->totalWidth) {
                    if (chunk->numDisplayChars < 0) return numChars;
                    int length;
                    int limit = x == INT_MAX ? NO_LIMIT : x - chunk->x;
                    int bytes = measure(layout->font, chunk->start, chunk->numBytes, limit, 0,
                                        &length);
                    return numChars + Tcl_NumUtfChars(chunk->start, bytes);
                }
                numChars += chunk->numChars;
                i++;
            }
            /* Past the line's last chunk: the last character of the line,
             * unless this is the last line. */
            if (i < layout->numChunks) numChars--;
            return numChars;
        }
        numChars += chunk->numChars;
        i++;
    }
    return numChars;
}

int rotTextCharBbox(const RotatedLayout *layout, int index, int *xPtr, int *yPtr, int *widthPtr,
                    int *heightPtr)
{
    if (layout == NULL || index < 0 || layout->numChunks == 0) return 0;
    OvexFont *font = layout->font;
    const LayoutChunk *chunk = layout->chunks;
    int x = 0, w = 0;
    int found = 0;
    for (int i = 0; i < layout->numChunks; i++, chunk++) {
        if (chunk->numDisplayChars < 0) {
            if (index == 0) {
                x = chunk->x;
                w = chunk->totalWidth;
                found = 1;
                break;
            }
        } else if (index < chunk->numChars) {
            const char *at = Tcl_UtfAtIndex(chunk->start, index);
            x = chunk->x + widthOf(font, chunk->start, (int)(at - chunk->start));
            w = widthOf(font, at, (int)(Tcl_UtfNext(at) - at));
            found = 1;
            break;
        }
        index -= chunk->numChars;
    }
    if (!found) {
        if (index != 0) return 0;
        chunk--;
        x = chunk->x + chunk->totalWidth;
        w = 0;
    }
    if (x > layout->width) x = layout->width;
    if (x + w > layout->width) w = layout->width - x;
    if (xPtr != NULL) *xPtr = x;
    if (yPtr != NULL) *yPtr = chunk->y - font->ascent;
    if (widthPtr != NULL) *widthPtr = w;
    if (heightPtr != NULL) *heightPtr = font->ascent + font->descent;
    return 1;
}

int rotTextDistance(const RotatedLayout *layout, int x, int y)
{
    if (layout == NULL) return INT_MAX;
    double lx, ly;
    rotTextToLayoutXY(layout, (double)x, (double)y, &lx, &ly);
    int px = roundToInt(lx), py = roundToInt(ly);
    int ascent = layout->font->ascent, descent = layout->font->descent;
    int best = -1;
    for (int i = 0; i < layout->numChunks; i++) {
        const LayoutChunk *chunk = &layout->chunks[i];
        if (chunk->numBytes > 0 && chunk->start[0] == '\n') continue;
        int x1 = chunk->x, x2 = chunk->x + chunk->displayWidth;
        int y1 = chunk->y - ascent, y2 = chunk->y + descent;
        double dx = px < x1 ? x1 - px : (px >= x2 ? px - x2 + 1 : 0);
        double dy = py < y1 ? y1 - py : (py >= y2 ? py - y2 + 1 : 0);
        if (dx == 0 && dy == 0) return 0;
        int d = clampToInt(hypot(dx, dy));
        if (best < 0 || d < best) best = d;
    }
    return best < 0 ? 0 : best;
}

int rotTextIntersect(const RotatedLayout *layout, int x, int y, int width, int height)
{
    if (layout == NULL) return -1;
    int right = x + width, bottom = y + height;
    int ascent = layout->font->ascent, descent = layout->font->descent;
    int result = 0, first = 1;
    for (int i = 0; i < layout->numChunks; i++) {
        const LayoutChunk *chunk = &layout->chunks[i];
        if (chunk->numBytes > 0 && chunk->start[0] == '\n') continue;
        int x1 = chunk->x, x2 = chunk->x + chunk->displayWidth;
        int y1 = chunk->y - ascent, y2 = chunk->y + descent;
        int partial;
        if (right < x1 || x >= x2 || bottom < y1 || y >= y2) {
            partial = -1;
        } else if (x1 < x || y1 < y || x2 > right || y2 > bottom) {
            return 0;
        } else {
            partial = 1;
        }
        if (first) {
            result = partial;
            first = 0;
        } else if (result != partial) {
            return 0;
        }
    }
    return first ? -1 : result;
}

void rotTextLayoutToPostscript(Tcl_Interp *interp, const RotatedLayout *layout)
{
    enum { MAXUSE = 128 };
    char buf[MAXUSE + 30];
    int used = 0;
    buf[used++] = '(';
    if (layout != NULL && layout->numChunks > 0) {
        int baseline = layout->chunks[0].y;
        for (int i = 0; i < layout->numChunks; i++) {
            const LayoutChunk *chunk = &layout->chunks[i];
            if (chunk->y != baseline) {
                buf[used++] = ')';
                buf[used++] = '\n';
                buf[used++] = '(';
                baseline = chunk->y;
            }
            if (chunk->numDisplayChars <= 0) {
                if (chunk->numBytes > 0 && chunk->start[0] == '\t') {
                    buf[used++] = '\\';
                    buf[used++] = 't';
                }
            } else {
                const char *p = chunk->start;
                for (int j = 0; j < chunk->numDisplayChars; j++) {
                    Tcl_UniChar ch = 0;
                    p += Tcl_UtfToUniChar(p, &ch);
                    unsigned c = (unsigned)ch & 0xff;
                    if (c == '(' || c == ')' || c == '\\' || c < 0x20 || c > 0x7e) {
                        snprintf(buf + used, 5, "\\%03o", c);
                        used += 4;
                    } else {
                        buf[used++] = (char)c;
                    }
                    if (used >= MAXUSE) {
                        buf[used] = '\0';
                        Tcl_AppendResult(interp, buf, (char *)NULL);
                        used = 0;
                    }
                }
            }
            if (used >= MAXUSE) {
                buf[used] = '\0';
                Tcl_AppendResult(interp, buf, (char *)NULL);
                used = 0;
            }
        }
    }
    buf[used++] = ')';
    buf[used++] = '\n';
    buf[used] = '\0';
    Tcl_AppendResult(interp, buf, (char *)NULL);
}
