/*
 * gl_binding.cpp --
 *
 *	Words of GL commands as GL arguments, and the command table.
 */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "gl/gl_binding.h"
#include "gl/glw_surface.h"
#include "core/package.h"
#include "core/rounding.h"

int32_t glEnumValue(const GlEnumRow *table, const char *word)
{
    for (; table->name != NULL; table++) {
        if (strcmp(table->name, word) == 0) {
            return table->value;
        }
    }
    return -1;
}

const char *glEnumName(const GlEnumRow *table, int32_t value)
{
    for (; table->name != NULL; table++) {
        if (table->value == value) {
            return table->name;
        }
    }
    return NULL;
}

/* Element first of a numeric item, as a double; integer types exact. */
static double elementDouble(const GlItem *item, int64_t i)
{
    switch (item->type) {
    case GLTYPE_BYTE: return ((const GLbyte *)item->data)[i];
    case GLTYPE_UBYTE: return ((const GLubyte *)item->data)[i];
    case GLTYPE_SHORT: return ((const GLshort *)item->data)[i];
    case GLTYPE_USHORT: return ((const GLushort *)item->data)[i];
    case GLTYPE_INT: return ((const GLint *)item->data)[i];
    case GLTYPE_UINT: return ((const GLuint *)item->data)[i];
    case GLTYPE_FLOAT: return ((const GLfloat *)item->data)[i];
    case GLTYPE_DOUBLE: return ((const GLdouble *)item->data)[i];
    default: return 0.0;
    }
}

/* The item a scalar word names, with its element; false for a literal. */
static bool scalarItem(const char *word, const GlItem **item, int64_t *index)
{
    int64_t first, last;
    int bad;
    const GlItem *found = glItemLookup(word, &first, &last, &bad);
    if (found == NULL || glTypeIsGluObject(found->type) || found->count < 1) {
        return false;
    }
    *item = found;
    *index = first < 0 ? 0 : first;
    return true;
}

double glScalarDouble(const char *word)
{
    const GlItem *item;
    int64_t index;
    if (word != NULL && scalarItem(word, &item, &index)) {
        if (item->type == GLTYPE_CHAR) {
            return atof((const char *)item->data);
        }
        return elementDouble(item, index);
    }
    return word == NULL ? 0.0 : atof(word);
}

int glScalarInt(const char *word)
{
    const GlItem *item;
    int64_t index;
    if (word != NULL && scalarItem(word, &item, &index)) {
        switch (item->type) {
        case GLTYPE_CHAR: return atoi((const char *)item->data);
        case GLTYPE_UINT: return (int)((const GLuint *)item->data)[index];
        case GLTYPE_FLOAT: case GLTYPE_DOUBLE: return clampToInt(elementDouble(item, index));
        default: return clampToInt(elementDouble(item, index));
        }
    }
    return word == NULL ? 0 : atoi(word);
}

/* A temporary item made for one command; its data, or NULL. */
static void *temporary(GlItem *item)
{
    if (item == NULL) {
        return NULL;
    }
    if (!glItemStore(NULL, item)) {
        glItemFree(item);
        return NULL;
    }
    return item->data;
}

void *glArrayOfType(const char *word, uint32_t type, int64_t n)
{
    if (type == GL_2_BYTES || type == GL_3_BYTES || type == GL_4_BYTES) {
        return glArrayOfType(word, GLTYPE_UBYTE, n * (type - GL_2_BYTES + 2));
    }
    int size = glTypeElementSize(type);
    if (glwCurrentItems() == NULL || size == 0 || n < 1 || n > GL_ITEM_MAX_COUNT) {
        return NULL;
    }
    if (word == NULL) {
        return temporary(glItemCreate(type, n, NULL, 0, n - 1));
    }
    int64_t first, last;
    int bad;
    GlItem *item = glItemLookup(word, &first, &last, &bad);
    if (item != NULL) {
        if (!glTypeIsNumeric(item->type) || n > item->count - first) {
            return NULL;
        }
        if (item->type == type) {
            return (char *)item->data + first * size;
        }
        return temporary(glConvertItem(item, first, n, type));
    }
    if (glValueWordCount(word) != n) {
        return NULL;
    }
    return temporary(glItemCreate(type, n, word, 0, n - 1));
}

int glFormatComponents(GLenum format)
{
    switch (format) {
    case GL_RGB: return 3;
    case GL_RGBA: return 4;
    case GL_LUMINANCE_ALPHA: return 2;
    default: return 1;
    }
}

bool isPowerOfTwo(int64_t n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

int glUnpackAlignment(void)
{
    GLint alignment = 4;
    if (glwBoundSurface() != NULL) {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    }
    return alignment < 1 ? 1 : alignment;
}

bool glPixelLayout(GLenum type, int64_t width, int64_t height, int alignment,
                   uint32_t *elementType, int64_t *count)
{
    int64_t rowBytes;
    switch (type) {
    case GL_BYTE: *elementType = GLTYPE_BYTE; rowBytes = width; break;
    case GL_UNSIGNED_BYTE: *elementType = GLTYPE_UBYTE; rowBytes = width; break;
    case GL_BITMAP: *elementType = GLTYPE_UBYTE; rowBytes = (width + 7) / 8; break;
    case GL_SHORT: case GL_UNSIGNED_SHORT: *elementType = GLTYPE_SHORT; rowBytes = width * 2; break;
    case GL_INT: *elementType = GLTYPE_INT; rowBytes = width * 4; break;
    case GL_UNSIGNED_INT: *elementType = GLTYPE_UINT; rowBytes = width * 4; break;
    case GL_FLOAT: *elementType = GLTYPE_FLOAT; rowBytes = width * 4; break;
    default: return false;
    }
    if (width < 0 || height < 0 || width > GL_ITEM_MAX_COUNT || height > GL_ITEM_MAX_COUNT) {
        return false;
    }
    rowBytes = (rowBytes + alignment - 1) / alignment * alignment;
    *count = rowBytes / glTypeElementSize(*elementType) * height;
    return *count <= GL_ITEM_MAX_COUNT;
}

void *glPixelArray(const char *word, GLenum type, int64_t width, int64_t height)
{
    uint32_t elementType;
    int64_t count;
    if (!glPixelLayout(type, width, height, glUnpackAlignment(), &elementType, &count)) {
        return NULL;
    }
    if (type == GL_UNSIGNED_SHORT && word != NULL) {
        /* Unsigned shorts go bit for bit into the short layout. */
        GlItem *item;
        int64_t first, last;
        int bad;
        if ((item = glItemLookup(word, &first, &last, &bad)) != NULL && item->type == GLTYPE_USHORT) {
            if (count > item->count - first) {
                return NULL;
            }
            return (GLushort *)item->data + first;
        }
    }
    return glArrayOfType(word, elementType, count);
}

void setVarFromGLArray(Tcl_Interp *interp, const char *varName, GLenum type, const void *data,
                       int64_t width, int64_t height)
{
    Tcl_DString list;
    Tcl_DStringInit(&list);
    int64_t n = width * height;
    if (type == GL_BITMAP) {
        int alignment = glUnpackAlignment();
        int64_t rowBytes = ((width + 7) / 8 + alignment - 1) / alignment * alignment;
        n = rowBytes * height;
    }
    char text[64];
    for (int64_t i = 0; data != NULL && i < n; i++) {
        switch (type) {
        case GL_BYTE: snprintf(text, sizeof text, "%d", ((const GLbyte *)data)[i]); break;
        case GL_UNSIGNED_BYTE: case GL_BITMAP: snprintf(text, sizeof text, "%d", ((const GLubyte *)data)[i]); break;
        case GL_SHORT: snprintf(text, sizeof text, "%d", ((const GLshort *)data)[i]); break;
        case GL_UNSIGNED_SHORT: snprintf(text, sizeof text, "%d", ((const GLushort *)data)[i]); break;
        case GL_INT: snprintf(text, sizeof text, "%d", ((const GLint *)data)[i]); break;
        case GL_UNSIGNED_INT: snprintf(text, sizeof text, "%d", (int)((const GLuint *)data)[i]); break;
        case GL_FLOAT: snprintf(text, sizeof text, "%f", ((const GLfloat *)data)[i]); break;
        case GL_DOUBLE: snprintf(text, sizeof text, "%f", ((const GLdouble *)data)[i]); break;
        default: n = 0; continue;
        }
        Tcl_DStringAppendElement(&list, text);
    }
    Tcl_SetVar(interp, varName, Tcl_DStringValue(&list), 0);
    Tcl_DStringFree(&list);
}

int glFail(Tcl_Interp *interp, const char *message)
{
    ovexAddErrorInfo(interp, message);
    return TCL_ERROR;
}

int glFailResult(Tcl_Interp *interp, const char *message)
{
    Tcl_AppendResult(interp, message, (char *)NULL);
    return TCL_ERROR;
}

int GlCall::okInt(long long value)
{
    release();
    Tcl_SetObjResult(interp, Tcl_NewWideIntObj(value));
    return TCL_OK;
}

int GlCall::okText(const char *text)
{
    release();
    Tcl_SetResult(interp, (char *)(text ? text : ""), TCL_VOLATILE);
    return TCL_OK;
}

std::vector<GlCommandRow> glCommandTable(void)
{
    std::vector<GlCommandRow> table;
    for (const GlCommandRow *family : {glItemCommands, glCoreCommands, glPixelCommands,
                                       glStateCommands, gluCommands, glutCommands, glDemCommands}) {
        for (const GlCommandRow *row = family; row->name != NULL; row++) {
            table.push_back(*row);
        }
    }
    return table;
}

int Ogl_Init(Tcl_Interp *interp)
{
    for (const GlCommandRow &row : glCommandTable()) {
        if (Tcl_CreateCommand(interp, row.name, row.proc, NULL, NULL) == NULL) {
            return 1;
        }
    }
    return 0;
}
