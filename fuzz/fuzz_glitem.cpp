/*
 * fuzz_glitem.cpp --
 *
 *	Fuzz target: GL data items read from files (glload).
 *
 *	Input: one byte picking the element type, one byte giving the
 *	offset (values from 250 stand for offsets far outside any file),
 *	the item reference up to the first zero byte (at most 64 bytes),
 *	then the file. An item that loads is looked up by its name and by
 *	ranges, its elements formatted as glv shows them, converted to every
 *	numeric type and deleted.
 */
#include "fuzz/fuzz_harness.h"

#include <GL/gl.h>
#include <string.h>

#include "core/package.h"
#include "gl/gl_items.h"
#include "gl/glw_surface.h"

static volatile size_t fuzzSink;

/* A surface with an item table and no GL context: items need no GL. */
static void selectItemSurface(void)
{
    static GlwInfo surface;
    if (surface.itemsReady) {
        return;
    }
    Tcl_InitHashTable(&surface.items, TCL_STRING_KEYS);
    surface.itemsReady = 1;
    glwSetCurrent(getConsoleInterp(), &surface);
}

static void exercise(const char *name)
{
    static const uint32_t targets[] = {GLTYPE_BYTE, GLTYPE_UBYTE, GLTYPE_SHORT, GLTYPE_USHORT,
                                       GLTYPE_INT, GLTYPE_UINT, GLTYPE_FLOAT, GLTYPE_DOUBLE};
    size_t sum = 0;
    size_t nameLength = strcspn(name, "(");
    std::string bare(name, nameLength);
    for (const char *range : {"", "(0)", "(1:3)", "(2:)", "(:5)"}) {
        int64_t first = 0, last = 0;
        int bad = 0;
        GlItem *item = glItemLookup((bare + range).c_str(), &first, &last, &bad);
        if (item == NULL || bad || item->formatter == NULL) {
            continue;
        }
        for (int64_t i = first; i <= last && i < first + 64; i++) {
            const char *text = item->formatter(item->data, i);
            sum += text != NULL ? strlen(text) : 0;
        }
        for (uint32_t target : targets) {
            int64_t count = last - first + 1 < 64 ? last - first + 1 : 64;
            glItemFree(glConvertItem(item, first, count, target));
        }
    }
    glItemDelete(bare.c_str(), -1);
    fuzzSink = sum;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const int types[] = {GL_BYTE, GL_UNSIGNED_BYTE, GL_SHORT, GL_UNSIGNED_SHORT, GL_INT,
                                GL_UNSIGNED_INT, GL_FLOAT, GL_DOUBLE, GL_BITMAP};
    fuzzSetUp();
    selectItemSurface();
    if (size < 2) {
        return 0;
    }
    int type = types[data[0] % (sizeof types / sizeof types[0])];
    int64_t offset = data[1] < 250 ? data[1] : (int64_t)(data[1] - 253) * ((int64_t)1 << 40);
    data += 2;
    size -= 2;
    const uint8_t *zero = (const uint8_t *)memchr(data, 0, size < 65 ? size : 65);
    if (zero == NULL) {
        return 0;
    }
    std::string name((const char *)data, (size_t)(zero - data));
    size -= (size_t)(zero - data) + 1;
    data = zero + 1;
    std::string path = fuzzWriteFile("input.gldata", data, size);
    if (path.empty()) {
        return 0;
    }
    if (glItemLoadFile(name.c_str(), path.c_str(), type, offset) == 0) {
        exercise(name.c_str());
    }
    return 0;
}
