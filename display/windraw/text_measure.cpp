/*
 * text_measure.cpp --
 *
 *	How much of a text fits in a width, as Tk measures: whole words,
 *	at least one character, a partial last character.
 */
#include "display/windraw/font_faces.h"
#include "ovex/ovex.h"

/* White space in the ASCII sense; bytes of 0x80 and above never are. */
static int isSpaceByte(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}


int ovexMeasureChars(OvexFont *font, const char *source, int numBytes, int maxLength, int flags,
                     int *length)
{
    int dummy;
    if (length == NULL) {
        length = &dummy;
    }
    *length = 0;
    if (font == NULL || source == NULL || numBytes <= 0) {
        return 0;
    }
    if (maxLength <= 0) {
        int width = 0;
        for (int at = 0; at < numBytes;) {
            FcChar32 ch;
            at += nextCharacter(source + at, numBytes - at, &ch);
            width += fontAdvance(font, ch);
        }
        *length = width;
        return numBytes;
    }

    /* Walk until the first character that does not fit: fitBytes ends the
     * characters that fit, fitWidth is their width. */
    int fitBytes = 0, fitWidth = 0;
    int at = 0;
    while (at < numBytes) {
        FcChar32 ch;
        int taken = nextCharacter(source + at, numBytes - at, &ch);
        int width = fitWidth + fontAdvance(font, ch);
        if (width > maxLength) {
            break;
        }
        at += taken;
        fitBytes = at;
        fitWidth = width;
    }
    int maxBytes = fitBytes;

    if ((flags & OVEX_WHOLE_WORDS) && maxBytes < numBytes) {
        /* Back from the first byte that does not fit: over the word it
         * belongs to, then over the spaces before that word. */
        int i = maxBytes;
        while (i > 0 && !isSpaceByte((unsigned char)source[i])) {
            i--;
        }
        if (!isSpaceByte((unsigned char)source[i])) {
            if (!(flags & OVEX_AT_LEAST_ONE)) {
                maxBytes = 0;
            }
        } else {
            while (i > 0 && isSpaceByte((unsigned char)source[i - 1])) {
                i--;
            }
            maxBytes = i;
        }
    }

    /* The width of the bytes kept (a shorter prefix when words were cut). */
    int width = 0;
    if (maxBytes == fitBytes) {
        width = fitWidth;
    } else {
        for (int j = 0; j < maxBytes;) {
            FcChar32 ch;
            j += nextCharacter(source + j, maxBytes - j, &ch);
            width += fontAdvance(font, ch);
        }
    }

    int oneMore = ((flags & OVEX_PARTIAL_OK) && maxBytes < numBytes && width < maxLength)
                  || ((flags & OVEX_AT_LEAST_ONE) && maxBytes == 0 && numBytes > 0);
    if (oneMore) {
        FcChar32 ch;
        int taken = nextCharacter(source + maxBytes, numBytes - maxBytes, &ch);
        width += fontAdvance(font, ch);
        maxBytes += taken;
    }
    *length = width;
    return maxBytes;
}
