/*
 * stroke_fonts.cpp --
 *
 *	The glyph store, the Hershey glyph-file and font-definition readers,
 *	and the text functions of the GRASS driver that draw strings as line
 *	strokes, scaled and rotated, into the driver's image. Glyphs and
 *	fonts live on the runtime heap.
 */
#include "core/native_path.h"
#include "geo/grass/stroke_fonts.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/rounding.h"
#include "geo/grass/grass_driver.h"
#include "ovex/ovexstdio.h"

static GlyphStore *store = NULL;
static StrokeFont *fonts = NULL;
static StrokeFont *current = NULL;

/* Height of a store whose fonts have not been measured. */
#define DEFAULT_FONT_HEIGHT 30
#define SLOT_GROWTH 512
#define POOL_GROWTH 4096

GlyphStore *glyphStore(void)
{
    return store;
}

StrokeFont *fontList(void)
{
    return fonts;
}

StrokeFont *currentFont(void)
{
    return current;
}

void setCurrentFont(StrokeFont *font)
{
    current = font;
}

void glyphStoreInit(GlyphStore *s)
{
    s->slotCount = 0;
    s->poolCapacity = 0;
    s->poolUsed = 0;
    s->fontHeight = DEFAULT_FONT_HEIGHT;
    s->slots = NULL;
    s->pool = NULL;
}

static void glyphStoreFree(GlyphStore *s)
{
    if (s != NULL) {
        free(s->slots);
        free(s->pool);
        free(s);
    }
}

GlyphStore *glyphStoreCreate(void)
{
    glyphStoreFree(store);
    store = (GlyphStore *)malloc(sizeof(GlyphStore));
    if (store != NULL) {
        glyphStoreInit(store);
    }
    return store;
}

void strokeFontsFree(void)
{
    glyphStoreFree(store);
    store = NULL;
    while (fonts != NULL) {
        StrokeFont *next = fonts->next;
        free(fonts->glyphs);
        free(fonts);
        fonts = next;
    }
    current = NULL;
}

/* ---- The store ------------------------------------------------------------- */

int fontAddISlots(GlyphStore *s, int count)
{
    int64_t size = (int64_t)s->slotCount + count;
    GlyphSlot *slots = size > 0 && size <= INT32_MAX
        ? (GlyphSlot *)realloc(s->slots, (size_t)size * sizeof(GlyphSlot)) : NULL;
    if (slots == NULL) {
        ovex_fprintf(stderr, "Error in fontAddISlots: realloc size: %d\n", (int)size);
        free(s->slots);
        s->slots = NULL;
        s->slotCount = 0;
        return 0;
    }
    memset(slots + s->slotCount, 0, (size_t)count * sizeof(GlyphSlot));
    s->slots = slots;
    s->slotCount = (int32_t)size;
    return s->slotCount;
}

int fontAddCSlots(GlyphStore *s, int count)
{
    int64_t size = (int64_t)s->poolCapacity + count;
    char *pool = size > 0 && size <= INT32_MAX ? (char *)realloc(s->pool, (size_t)size) : NULL;
    if (pool == NULL) {
        ovex_fprintf(stderr, "Error in fontAddCSlots: realloc size: %d\n", (int)size);
        /* No glyph may point into a pool that is gone. */
        free(s->pool);
        s->pool = NULL;
        s->poolCapacity = 0;
        s->poolUsed = 0;
        for (int i = 0; i < s->slotCount; i++) {
            s->slots[i].count = 0;
        }
        return 0;
    }
    s->pool = pool;
    s->poolCapacity = (int32_t)size;
    return s->poolCapacity;
}

/*
 * glyphMetrics --
 *	Width and left from the bounds; top and height from the points that
 *	are not pen lifts (top 'R' and height 20 without points).
 */
static void glyphMetrics(GlyphSlot *slot, const char *chars)
{
    unsigned char left = (unsigned char)chars[0], right = (unsigned char)chars[1];
    slot->left = left;
    slot->width = right - left + 1;
    if (slot->count <= 2) {
        slot->top = GLYPH_ORIGIN;
        slot->height = 20;
        return;
    }
    int low = (unsigned char)chars[3], high = low;
    for (int i = 4; i + 1 < slot->count; i += 2) {
        if (chars[i] == ' ') {
            continue;
        }
        int y = (unsigned char)chars[i + 1];
        low = y < low ? y : low;
        high = y > high ? y : high;
    }
    slot->top = low;
    slot->height = high - low + 1;
}

int fontAddGlyph(GlyphStore *s, int number, int count, const char *chars)
{
    if (number < 0 || count < 0) {
        return 0;
    }
    if (number >= s->slotCount) {
        int64_t need = (int64_t)number + 1 - s->slotCount;
        if (fontAddISlots(s, (int)(need > SLOT_GROWTH ? need : SLOT_GROWTH)) == 0) {
            return 0;
        }
    }
    if ((int64_t)s->poolUsed + count > s->poolCapacity) {
        int64_t need = (int64_t)s->poolUsed + count - s->poolCapacity;
        if (fontAddCSlots(s, (int)(need > POOL_GROWTH ? need : POOL_GROWTH)) == 0) {
            return 0;
        }
    }
    GlyphSlot *slot = &s->slots[number];
    memset(slot, 0, sizeof *slot);
    slot->count = count;
    slot->offset = s->poolUsed;
    if (count > 0) {                /* an empty glyph has no pool yet */
        memcpy(s->pool + s->poolUsed, chars, (size_t)count);
    }
    s->poolUsed += count;
    if (count >= 2) {
        glyphMetrics(slot, chars);
    }
    return 1;
}

GlyphSlot *fontGetGlyph(GlyphStore *s, int number)
{
    if (s == NULL || number < 0 || number >= s->slotCount || s->slots[number].count < 2) {
        return NULL;
    }
    GlyphSlot *slot = &s->slots[number];
    slot->chars = s->pool + slot->offset;
    return slot;
}

/* ---- Glyph files ---------------------------------------------------------------- */

/* The next character that is not a line end, or EOF. */
static int nextGlyphChar(FILE *file)
{
    int c;
    do {
        c = fgetc(file);
    } while (c == '\n' || c == '\r');
    return c;
}

/* Reads n characters skipping line ends; 0 when the file ends first. */
static int readGlyphChars(FILE *file, char *out, int n)
{
    for (int i = 0; i < n; i++) {
        int c = nextGlyphChar(file);
        if (c == EOF) {
            return 0;
        }
        out[i] = (char)c;
    }
    return 1;
}

static int headerNumber(const char *text, int width)
{
    char field[8];
    memcpy(field, text, (size_t)width);
    field[width] = '\0';
    return atoi(field);
}

int fontLoad(GlyphStore *s, const char *fileName)
{
    FILE *file = fopen(nativePath(fileName).c_str(), "r");
    if (file == NULL) {
        ovex_fprintf(stderr, "Error in load font file: %s\n", fileName);
        return 0;
    }
    char header[8];
    char chars[2 * GLYPH_MAX_PAIRS];
    int ok = 1;
    while (readGlyphChars(file, header, 8)) {
        int number = headerNumber(header, 5);
        int pairs = headerNumber(header + 5, 3);
        if (pairs < 0) {
            pairs = 0;
        }
        int kept = pairs > GLYPH_MAX_PAIRS ? GLYPH_MAX_PAIRS : pairs;
        if (!readGlyphChars(file, chars, 2 * kept)) {
            break;
        }
        /* Pairs beyond the limit are read past and dropped. */
        char spare[2];
        int complete = 1;
        for (int i = kept; i < pairs && complete; i++) {
            complete = readGlyphChars(file, spare, 2);
        }
        if (!complete) {
            break;
        }
        if (!fontAddGlyph(s, number, 2 * kept, chars) && number >= 0) {
            ok = 0;
            break;
        }
    }
    fclose(file);
    return ok;
}

/* ---- Font definitions --------------------------------------------------------------- */

static void addGlyphNumber(StrokeFont *font, int number)
{
    if (font->count < FONT_MAX_GLYPHS) {
        font->glyphs[font->count++] = number;
    }
}

StrokeFont *fontDefIndex(const char *name, const char *fileName)
{
    FILE *file = fopen(nativePath(fileName).c_str(), "r");
    if (file == NULL) {
        ovex_fprintf(stderr, "Error in open: %s\n", fileName);
        return NULL;
    }
    char text[FONT_DEF_MAX_TEXT + 1];
    size_t length = fread(text, 1, FONT_DEF_MAX_TEXT, file);
    fclose(file);
    text[length] = '\0';

    StrokeFont *font = (StrokeFont *)calloc(1, sizeof(StrokeFont));
    int32_t *glyphs = (int32_t *)malloc(FONT_MAX_GLYPHS * sizeof(int32_t));
    if (font == NULL || glyphs == NULL) {
        free(font);
        free(glyphs);
        return NULL;
    }
    font->glyphs = glyphs;
    snprintf(font->name, sizeof font->name, "%s", name);

    char *save = NULL;
    for (char *token = strtok_r(text, " \t\r\n", &save);
         token != NULL && font->count < FONT_MAX_GLYPHS; token = strtok_r(NULL, " \t\r\n", &save)) {
        int first, last;
        int read = sscanf(token, "%d-%d", &first, &last);
        if (read == 2) {
            for (int64_t g = first; g <= last && font->count < FONT_MAX_GLYPHS; g++) {
                addGlyphNumber(font, (int)g);
            }
        } else if (read == 1) {
            addGlyphNumber(font, first);
        }
    }
    if (font->count == 0) {
        free(font->glyphs);
        free(font);
        return NULL;
    }
    return font;
}

void fontAppend(StrokeFont *font)
{
    StrokeFont **link = &fonts;
    while (*link != NULL) {
        link = &(*link)->next;
    }
    font->next = NULL;
    *link = font;
}

StrokeFont *fontFind(const char *name)
{
    for (StrokeFont *font = fonts; font != NULL; font = font->next) {
        if (strcmp(font->name, name) == 0) {
            return font;
        }
    }
    return NULL;
}

void fontGlyphText(Tcl_Interp *interp, const GlyphSlot *glyph, int offset)
{
    const unsigned char *c = (const unsigned char *)glyph->chars;
    char text[64];
    snprintf(text, sizeof text, "%d %d %d", (int)glyph->offset, c[0] - offset, c[1] - offset);
    Tcl_AppendResult(interp, text, (char *)NULL);
    int started = 0, lifted = 0;
    for (int i = 2; i + 1 < glyph->count; i += 2) {
        if (c[i] == ' ' && c[i + 1] == GLYPH_ORIGIN) {
            lifted = 1;
            continue;
        }
        snprintf(text, sizeof text, "%s%d %d", !started ? " {" : lifted ? "} {" : " ",
                 c[i] - offset, c[i + 1] - offset);
        Tcl_AppendResult(interp, text, (char *)NULL);
        started = 1;
        lifted = 0;
    }
    if (started) {
        Tcl_AppendResult(interp, "}", (char *)NULL);
    }
}

/* ---- Text of the driver -------------------------------------------------------------------- */

/* The glyph of text byte b in the current font, NULL when there is none. */
static const GlyphSlot *glyphOfByte(unsigned char b)
{
    if (current == NULL || b < 32 || b - 32 >= current->count) {
        return NULL;
    }
    return fontGetGlyph(store, current->glyphs[b - 32]);
}

extern "C" int R_font(const char *name)
{
    StrokeFont *font = name != NULL ? fontFind(name) : NULL;
    if (font == NULL) {
        ovex_fprintf(stderr, "Can't found font: %s\n", name != NULL ? name : "");
        return 0;
    }
    current = font;
    if (store != NULL) {
        int low = GLYPH_ORIGIN, high = GLYPH_ORIGIN;
        for (int i = 0; i < font->count; i++) {
            const GlyphSlot *glyph = fontGetGlyph(store, font->glyphs[i]);
            if (glyph == NULL) {
                continue;
            }
            const unsigned char *c = (const unsigned char *)glyph->chars;
            for (int k = 3; k < glyph->count; k += 2) {
                low = c[k] < low ? c[k] : low;
                high = c[k] > high ? c[k] : high;
            }
        }
        store->fontHeight = high - low + 1;
    }
    return 1;
}

static int fontHeight(void)
{
    return store != NULL ? store->fontHeight : DEFAULT_FONT_HEIGHT;
}

extern "C" void R_text_size(int width, int height)
{
    if (grassDriverImage() == NULL) {
        return;
    }
    grassDriver.textWidthScale = (double)width / fontHeight();
    grassDriver.textHeightScale = (double)height / fontHeight();
}

extern "C" void R_text_rotation(double angle)
{
    if (grassDriverImage() == NULL) {
        return;
    }
    grassDriver.rotation = angle;
    grassDriver.rotationSin = sin(angle);
    grassDriver.rotationCos = cos(angle);
}

/*
 * strokeGlyph --
 *	Draws one glyph with its origin at the cursor (x, y): each point
 *	scaled from the left bound and the font's line height, rotated, and
 *	joined to the previous one unless the pen was lifted. Positions that
 *	are not finite are skipped.
 */
static void strokeGlyph(const GlyphSlot *glyph, double x, double y, double lineHeight)
{
    const GrassDriverState *s = &grassDriver;
    const unsigned char *c = (const unsigned char *)glyph->chars;
    double ws = s->textWidthScale, hs = s->textHeightScale;
    double sn = s->rotationSin, cs = s->rotationCos;
    int strokeStart = 1;
    for (int i = 2; i + 1 < glyph->count; i += 2) {
        if (c[i] == ' ' && c[i + 1] == GLYPH_ORIGIN) {
            strokeStart = 1;
            continue;
        }
        double dx = ((double)c[i] - c[0]) * ws;
        double dy = c[i + 1] * hs - (GLYPH_ORIGIN * hs - lineHeight);
        double px = x + dx * cs - dy * sn;
        double py = y + dy * cs + dx * sn;
        if (!isfinite(px) || !isfinite(py)) {
            strokeStart = 1;
            continue;
        }
        if (strokeStart) {
            R_move_abs(roundToInt(px), roundToInt(py));
        } else {
            R_cont_abs(roundToInt(px), roundToInt(py));
        }
        strokeStart = 0;
    }
}

extern "C" void R_text(const char *text)
{
    if (grassDriverImage() == NULL || current == NULL || text == NULL) {
        return;
    }
    const GrassDriverState *s = &grassDriver;
    double x0 = s->penX, y0 = s->penY;
    double lineHeight = fontHeight() * s->textHeightScale;
    double x = x0, y = y0;
    int line = 0;
    for (const unsigned char *p = (const unsigned char *)text; *p != '\0'; p++) {
        if (*p == '\n') {
            line++;
            x = x0 - line * lineHeight * s->rotationSin;
            y = y0 + line * lineHeight * s->rotationCos;
            continue;
        }
        const GlyphSlot *glyph = glyphOfByte(*p);
        if (glyph == NULL) {
            continue;
        }
        strokeGlyph(glyph, x, y, lineHeight);
        double advance = glyph->width * s->textWidthScale;
        x += advance * s->rotationCos;
        y += advance * s->rotationSin;
    }
    if (isfinite(x) && isfinite(y)) {
        R_move_abs(roundToInt(x), roundToInt(y));
    }
}

extern "C" void R_get_text_box(const char *text, int *top, int *bottom, int *left, int *right)
{
    if (grassDriverImage() == NULL || text == NULL) {
        return;
    }
    double widest = 0, total = 0, lineWidth = 0, lineHeight = 0;
    for (const unsigned char *p = (const unsigned char *)text;; p++) {
        if (*p == '\n' || *p == '\0') {
            widest = lineWidth > widest ? lineWidth : widest;
            total += lineHeight;
            lineWidth = 0;
            lineHeight = 0;
            if (*p == '\0') {
                break;
            }
            continue;
        }
        const GlyphSlot *glyph = glyphOfByte(*p);
        if (glyph != NULL) {
            lineWidth += glyph->width;
            lineHeight = glyph->height > lineHeight ? glyph->height : lineHeight;
        }
    }
    const GrassDriverState *s = &grassDriver;
    *top = clampToInt((double)s->penY + roundToInt(total * s->textHeightScale));
    *bottom = s->penY;
    *left = s->penX;
    *right = clampToInt((double)s->penX + roundToInt(widest * s->textWidthScale));
}

extern "C" char *grassFont(char *buffer, int size)
{
    if (buffer == NULL || size < 1) {
        return buffer;
    }
    buffer[0] = '\0';
    size_t used = 0;
    int64_t count = 0;
    for (StrokeFont *font = fonts; font != NULL; font = font->next) {
        size_t length = strlen(font->name);
        count += (int64_t)length + 1;
        if (count > size) {
            break;
        }
        memcpy(buffer + used, font->name, length + 1);
        used += length;
        if (count == size) {
            break;
        }
        if (font->next != NULL) {
            buffer[used++] = ',';
            buffer[used] = '\0';
            count++;
        }
    }
    return buffer;
}
