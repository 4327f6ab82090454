/*
 * fuzz_hershey.cpp --
 *
 *	Fuzz target: Hershey glyph files loaded into the glyph store, and the
 *	same bytes read as a font definition file whose glyphs are looked up.
 */
#include "fuzz/fuzz_harness.h"

#include <cstdlib>

#include "geo/grass/stroke_fonts.h"
#include "ovex/grass.h"

/* Keeps the reads of the bytes from being optimised away. */
static volatile long fuzzSink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.hmp", data, size);
    if (path.empty()) {
        return 0;
    }
    GlyphStore *store = glyphStoreCreate();
    if (store == NULL) {
        return 0;
    }
    fontLoad(store, path.c_str());
    int sum = 0;
    StrokeFont *font = fontDefIndex("fuzz", path.c_str());
    if (font != NULL) {
        fontAppend(font);
        R_font("fuzz");
        for (int i = 0; i < font->count; i++) {
            const GlyphSlot *glyph = fontGetGlyph(store, font->glyphs[i]);
            if (glyph != NULL) {
                sum += glyph->width + glyph->height + glyph->chars[glyph->count - 1];
            }
        }
    }
    strokeFontsFree();
    fuzzSink = sum;
    return 0;
}
