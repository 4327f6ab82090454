/*
 * gl_items.cpp --
 *
 *	Data items of the selected GL surface: reference parsing, creation
 *	from value lists, conversion between element types, temporaries,
 *	items from files and photos. Every count and size is computed in 64
 *	bits and refused above INT32_MAX elements, so no count can wrap into
 *	a small buffer.
 */
#include <errno.h>
#include <inttypes.h>
#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <tk.h>

#include "core/native_path.h"
#include "gl/gl_items.h"
#include "gl/glw_surface.h"
#include "core/package.h"
#include "core/rounding.h"

int glTypeElementSize(uint32_t type)
{
    switch (type) {
    case GLTYPE_BYTE: case GLTYPE_UBYTE: return 1;
    case GLTYPE_SHORT: case GLTYPE_USHORT: return 2;
    case GLTYPE_INT: case GLTYPE_UINT: case GLTYPE_FLOAT: return 4;
    case GLTYPE_DOUBLE: return 8;
    default: return 0;
    }
}

bool glTypeIsNumeric(uint32_t type)
{
    return glTypeElementSize(type) != 0;
}

bool glTypeIsGluObject(uint32_t type)
{
    return type == GLTYPE_QUADRIC || type == GLTYPE_NURBS || type == GLTYPE_TESS;
}

static const struct { const char *name; uint32_t type; } typeNames[] = {
    {"GLUquadric", GLTYPE_QUADRIC}, {"GLUnurbs", GLTYPE_NURBS}, {"GLUtess", GLTYPE_TESS},
    {"GLfloat", GLTYPE_FLOAT}, {"GLdouble", GLTYPE_DOUBLE}, {"GLint", GLTYPE_INT},
    {"GLshort", GLTYPE_SHORT}, {"GLbyte", GLTYPE_BYTE}, {"GLuint", GLTYPE_UINT},
    {"GLushort", GLTYPE_USHORT}, {"GLubyte", GLTYPE_UBYTE}, {"GLchar", GLTYPE_CHAR},
};

const char *glTypeName(uint32_t type)
{
    for (const auto &row : typeNames) {
        if (row.type == type) {
            return row.name;
        }
    }
    return NULL;
}

/* ---- Formatters --------------------------------------------------------- */

static char formatBuffer[64];

static const char *formatByte(const void *d, int64_t i) { snprintf(formatBuffer, sizeof formatBuffer, "%d", ((const GLbyte *)d)[i]); return formatBuffer; }
static const char *formatUByte(const void *d, int64_t i) { snprintf(formatBuffer, sizeof formatBuffer, "%d", ((const GLubyte *)d)[i]); return formatBuffer; }
static const char *formatShort(const void *d, int64_t i) { snprintf(formatBuffer, sizeof formatBuffer, "%d", ((const GLshort *)d)[i]); return formatBuffer; }
static const char *formatUShort(const void *d, int64_t i) { snprintf(formatBuffer, sizeof formatBuffer, "%d", ((const GLushort *)d)[i]); return formatBuffer; }
static const char *formatInt(const void *d, int64_t i) { snprintf(formatBuffer, sizeof formatBuffer, "%d", ((const GLint *)d)[i]); return formatBuffer; }
/* GLuint prints as a signed number, as the element's bits read as int. */
static const char *formatUInt(const void *d, int64_t i) { snprintf(formatBuffer, sizeof formatBuffer, "%d", (int)((const GLuint *)d)[i]); return formatBuffer; }
static const char *formatFloat(const void *d, int64_t i) { snprintf(formatBuffer, sizeof formatBuffer, "%f", ((const GLfloat *)d)[i]); return formatBuffer; }
static const char *formatDouble(const void *d, int64_t i) { snprintf(formatBuffer, sizeof formatBuffer, "%f", ((const GLdouble *)d)[i]); return formatBuffer; }
static const char *formatText(const void *d, int64_t) { return (const char *)d; }

static GlItemFormatter *formatterOf(uint32_t type)
{
    switch (type) {
    case GLTYPE_BYTE: return formatByte;
    case GLTYPE_UBYTE: return formatUByte;
    case GLTYPE_SHORT: return formatShort;
    case GLTYPE_USHORT: return formatUShort;
    case GLTYPE_INT: return formatInt;
    case GLTYPE_UINT: return formatUInt;
    case GLTYPE_FLOAT: return formatFloat;
    case GLTYPE_DOUBLE: return formatDouble;
    case GLTYPE_CHAR: return formatText;
    default: return NULL;
    }
}

/* ---- References ---------------------------------------------------------- */

static bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
static bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '_' || c == '.'; }

/* Decimal digits at *p into value (saturating at INT32_MAX); false when
 * there are none. */
static bool readIndex(const char **p, int64_t *value)
{
    const char *s = *p;
    int64_t v = 0;
    if (*s < '0' || *s > '9') {
        return false;
    }
    for (; *s >= '0' && *s <= '9'; s++) {
        v = v * 10 + (*s - '0');
        if (v > GL_ITEM_MAX_COUNT) {
            v = GL_ITEM_MAX_COUNT;
        }
    }
    *value = v;
    *p = s;
    return true;
}

int glItemNameParse(const char *reference, int64_t *first, int64_t *last)
{
    *first = 0;
    *last = GL_ITEM_MAX_COUNT;
    if (reference == NULL || *reference == '\0') {
        return 0;
    }
    if (!isNameStart(reference[0])) {
        return -1;
    }
    int n = 1;
    while (isNameChar(reference[n])) {
        n++;
    }
    if (reference[n] == '\0') {
        *first = *last = 0;
        return n;
    }
    if (reference[n] != '(') {
        return -1;
    }
    const char *p = reference + n + 1;
    int64_t i, j;
    if (!readIndex(&p, &i)) {
        return -1;
    }
    j = i;
    if (*p == ':') {
        p++;
        if (!readIndex(&p, &j)) {
            return -1;
        }
    }
    if (*p != ')' || p[1] != '\0' || i > j) {
        return -1;
    }
    *first = i;
    *last = j;
    return n;
}

static Tcl_HashEntry *findEntry(const char *key)
{
    Tcl_HashTable *table = glwCurrentItems();
    return table == NULL ? NULL : Tcl_FindHashEntry(table, key);
}

GlItem *glItemFind(const char *name)
{
    Tcl_HashEntry *entry = name == NULL ? NULL : findEntry(name);
    return entry == NULL ? NULL : (GlItem *)Tcl_GetHashValue(entry);
}

GlItem *glItemLookup(const char *reference, int64_t *first, int64_t *last, int *bad)
{
    *bad = 0;
    *first = 0;
    *last = GL_ITEM_MAX_COUNT;
    if (reference == NULL || *reference == '\0' || glwCurrentItems() == NULL) {
        return NULL;
    }
    GlItem *item = glItemFind(reference);
    if (item != NULL) {
        *first = 0;
        *last = item->count - 1;
        return item;
    }
    int n = glItemNameParse(reference, first, last);
    if (n < 0) {
        *bad = 1;
        return NULL;
    }
    if (n == 0 || n > 4095) {
        return NULL;
    }
    char name[4096];
    memcpy(name, reference, (size_t)n);
    name[n] = '\0';
    item = glItemFind(name);
    if (item == NULL) {
        return NULL;
    }
    if (*last >= item->count) {
        *last = item->count - 1;
        *bad = 1;
    }
    if (*first >= item->count) {
        *first = item->count - 1;
    }
    return item;
}

void *glItemData(const char *name, uint32_t type, int64_t n)
{
    GlItem *item = glItemFind(name);
    if (item == NULL || item->type != type || n > item->count) {
        return NULL;
    }
    return item->data;
}

/* ---- Value lists --------------------------------------------------------- */

int64_t glValueWordCount(const char *text)
{
    int64_t count = 0;
    bool inWord = false;
    for (const char *p = text; *p; p++) {
        bool separator = *p == ' ' || *p == '\t';
        if (!separator && !inWord) {
            count++;
        }
        inWord = !separator;
    }
    return count;
}

/* Stores v into element i of data of the type; integers keep the low
 * bits of the target width. */
static void storeInteger(uint32_t type, void *data, int64_t i, int64_t v)
{
    switch (type) {
    case GLTYPE_BYTE: ((GLbyte *)data)[i] = (GLbyte)(uint8_t)v; break;
    case GLTYPE_UBYTE: ((GLubyte *)data)[i] = (GLubyte)v; break;
    case GLTYPE_SHORT: ((GLshort *)data)[i] = (GLshort)(uint16_t)v; break;
    case GLTYPE_USHORT: ((GLushort *)data)[i] = (GLushort)v; break;
    case GLTYPE_INT: ((GLint *)data)[i] = (GLint)(uint32_t)v; break;
    case GLTYPE_UINT: ((GLuint *)data)[i] = (GLuint)v; break;
    default: break;
    }
}

void glParseValueList(const char *text, uint32_t type, void *data, int64_t count)
{
    if (text == NULL || count <= 0) {
        return;
    }
    bool floating = type == GLTYPE_FLOAT || type == GLTYPE_DOUBLE;
    double lastDouble = 0.0;
    int64_t lastInt = 0;
    int64_t read = 0;
    const char *p = text;
    while (read < count) {
        while (*p == ' ' || *p == ',' || *p == '\t') {
            p++;
        }
        if (*p == '\0') {
            break;
        }
        const char *end = p;
        while (*end && *end != ' ' && *end != ',' && *end != '\t') {
            end++;
        }
        char token[128];
        size_t len = (size_t)(end - p) < sizeof token - 1 ? (size_t)(end - p) : sizeof token - 1;
        memcpy(token, p, len);
        token[len] = '\0';
        if (floating) {
            lastDouble = atof(token);
            if (type == GLTYPE_FLOAT) ((GLfloat *)data)[read] = (GLfloat)lastDouble;
            else ((GLdouble *)data)[read] = lastDouble;
        } else {
            lastInt = atoi(token);
            storeInteger(type, data, read, lastInt);
        }
        read++;
        p = end;
    }
    for (int64_t i = read; read > 0 && i < count; i++) {
        if (floating) {
            if (type == GLTYPE_FLOAT) ((GLfloat *)data)[i] = (GLfloat)lastDouble;
            else ((GLdouble *)data)[i] = lastDouble;
        } else {
            storeInteger(type, data, i, lastInt);
        }
    }
}

static void freeItemData(GlItem *item);

/* ---- Creation and storage ------------------------------------------------ */

static GlItem *newRecord(uint32_t type, int64_t count, int elementSize, void *data)
{
    GlItem *item = (GlItem *)calloc(1, sizeof(GlItem));
    if (item == NULL) {
        return NULL;
    }
    item->type = type;
    item->count = (int32_t)count;
    item->elementSize = elementSize;
    item->data = data;
    item->formatter = formatterOf(type);
    return item;
}

/* Zeroed storage for count elements; NULL above the item limit. */
static void *allocElements(int64_t count, int elementSize)
{
    if (count < 1 || count > GL_ITEM_MAX_COUNT) {
        return NULL;
    }
    return calloc((size_t)count, (size_t)elementSize);
}

GlItem *glItemCreate(uint32_t type, int64_t count, const char *values, int64_t first, int64_t last)
{
    if (type == GLTYPE_CHAR) {
        const char *text = values ? values : "";
        char *copy = strdup(text);
        if (copy == NULL) {
            return NULL;
        }
        GlItem *item = newRecord(type, 1, (int)strlen(text), copy);
        if (item == NULL) {
            free(copy);
        }
        return item;
    }
    if (glTypeIsGluObject(type)) {
        void *object = type == GLTYPE_QUADRIC ? (void *)gluNewQuadric()
                       : type == GLTYPE_NURBS ? (void *)gluNewNurbsRenderer()
                                              : (void *)gluNewTess();
        if (object == NULL) {
            return NULL;
        }
        GlItem *item = newRecord(type, 1, 4, object);
        if (item == NULL) {
            GlItem temporary = {type, 1, 4, object, NULL};
            freeItemData(&temporary);
        }
        return item;
    }
    int size = glTypeElementSize(type);
    if (size == 0) {
        return NULL;
    }
    if (count < 1) {
        if (values != NULL) {
            count = glValueWordCount(values);
            if (last == 0) {
                last = count - 1;
            }
            if (last >= count) {
                count = last + 1;
            }
        } else {
            count = last + 1;
        }
    }
    if (count < 1 || count > GL_ITEM_MAX_COUNT) {
        return NULL;
    }
    if (first >= count) first = count - 1;
    if (last >= count) last = count - 1;
    if (first < 0) first = 0;
    void *data = allocElements(count, size);
    if (data == NULL) {
        return NULL;
    }
    if (values != NULL && last >= first) {
        glParseValueList(values, type, (char *)data + first * size, last - first + 1);
    }
    GlItem *item = newRecord(type, count, size, data);
    if (item == NULL) {
        free(data);
    }
    return item;
}

static void freeItemData(GlItem *item)
{
    if (item->data != NULL) {
        switch (item->type) {
        case GLTYPE_QUADRIC: gluDeleteQuadric((GLUquadric *)item->data); break;
        case GLTYPE_NURBS: gluDeleteNurbsRenderer((GLUnurbs *)item->data); break;
        case GLTYPE_TESS: gluDeleteTess((GLUtesselator *)item->data); break;
        default:
            glItemReleaseFromGL(item->data, (int64_t)item->count * item->elementSize);
            free(item->data);
            break;
        }
    }
}

void glItemFree(GlItem *item)
{
    if (item != NULL) {
        freeItemData(item);
        free(item);
    }
}

static void tempName(const void *data, char *buffer, size_t size)
{
    snprintf(buffer, size, "ogl%" PRIuPTR, (uintptr_t)data);
}

int glItemStore(const char *reference, GlItem *item)
{
    Tcl_HashTable *table = glwCurrentItems();
    if (table == NULL) {
        return 0;
    }
    char key[4096];
    if (reference == NULL || *reference == '\0') {
        tempName(item->data, key, sizeof key);
    } else {
        size_t n = strcspn(reference, "(");
        if (n > 4095) {
            return 0;
        }
        memcpy(key, reference, n);
        key[n] = '\0';
    }
    int isNew;
    Tcl_HashEntry *entry = Tcl_CreateHashEntry(table, key, &isNew);
    if (!isNew) {
        glItemFree((GlItem *)Tcl_GetHashValue(entry));
    }
    Tcl_SetHashValue(entry, item);
    return 1;
}

void *glItemNew(const char *reference, uint32_t type, int64_t count, const char *values)
{
    if (glwCurrentItems() == NULL) {
        return NULL;
    }
    int64_t first = 0, last = 0;
    if (reference != NULL && *reference != '\0') {
        int bad;
        if (glItemLookup(reference, &first, &last, &bad) != NULL || bad) {
            return NULL;
        }
        if (glItemNameParse(reference, &first, &last) <= 0) {
            return NULL;
        }
    }
    GlItem *item = glItemCreate(type, count, values, first, last);
    if (item == NULL) {
        return NULL;
    }
    if (!glItemStore(reference, item)) {
        glItemFree(item);
        return NULL;
    }
    return item->data;
}

void glItemDelete(const char *name, int64_t type)
{
    Tcl_HashEntry *entry = name == NULL ? NULL : findEntry(name);
    if (entry == NULL) {
        return;
    }
    GlItem *item = (GlItem *)Tcl_GetHashValue(entry);
    if (type >= 0 && (uint32_t)type != item->type) {
        return;
    }
    Tcl_DeleteHashEntry(entry);
    glItemFree(item);
}

void glTempFree(void *data)
{
    if (data == NULL) {
        return;
    }
    char key[64];
    tempName(data, key, sizeof key);
    glItemDelete(key, -1);
}

void glItemTableFree(Tcl_HashTable *table)
{
    Tcl_HashSearch search;
    for (Tcl_HashEntry *entry = Tcl_FirstHashEntry(table, &search); entry != NULL;
         entry = Tcl_NextHashEntry(&search)) {
        glItemFree((GlItem *)Tcl_GetHashValue(entry));
    }
    Tcl_DeleteHashTable(table);
}

/* One counter for the names of every GLU object of the process. */
static int gluNextId = 0;

const char *gluObjectNew(uint32_t type)
{
    if (glwCurrentItems() == NULL) {
        return NULL;
    }
    GlItem *item = glItemCreate(type, 1, NULL, 0, 0);
    if (item == NULL) {
        return NULL;
    }
    static char name[64];
    snprintf(name, sizeof name, "%s_%d", glTypeName(type), gluNextId++);
    glItemStore(name, item);
    return name;
}

void gluErrorCallback(unsigned int errorCode)
{
    GlwInfo *surface = currentGlw();
    if (surface == NULL || surface->interp == NULL) {
        return;
    }
    const char *text = (const char *)gluErrorString(errorCode);
    /* The result first: errorInfo begins with it. */
    Tcl_ResetResult(surface->interp);
    Tcl_SetObjResult(surface->interp, Tcl_NewStringObj("error from ogl callback", -1));
    ovexAddErrorInfo(surface->interp, text ? text : "");
}

/* ---- Conversion ------------------------------------------------------------ */

/* Source element i as an integer of 64 bits, by its own type. */
static int64_t integerAt(const GlItem *s, int64_t i)
{
    switch (s->type) {
    case GLTYPE_BYTE: return ((const GLbyte *)s->data)[i];
    case GLTYPE_UBYTE: return ((const GLubyte *)s->data)[i];
    case GLTYPE_SHORT: return ((const GLshort *)s->data)[i];
    case GLTYPE_USHORT: return ((const GLushort *)s->data)[i];
    case GLTYPE_INT: return ((const GLint *)s->data)[i];
    case GLTYPE_UINT: return ((const GLuint *)s->data)[i];
    default: return 0;
    }
}

static double doubleAt(const GlItem *s, int64_t i)
{
    if (s->type == GLTYPE_FLOAT) return ((const GLfloat *)s->data)[i];
    if (s->type == GLTYPE_DOUBLE) return ((const GLdouble *)s->data)[i];
    return (double)integerAt(s, i);
}

/* Rounded to the nearest integer, halves away from zero, kept in 64
 * bits so that the low bits survive for the narrow targets. */
static int64_t roundedAt(const GlItem *s, int64_t i)
{
    return clampToInt64(round(doubleAt(s, i)));
}

static int64_t truncatedAt(const GlItem *s, int64_t i)
{
    return clampToInt64(trunc(doubleAt(s, i)));
}

GlItem *glConvertItem(const GlItem *source, int64_t first, int64_t count, uint32_t target)
{
    int size = glTypeElementSize(target);
    if (!glTypeIsNumeric(source->type) || size == 0 || first < 0 || count < 1
            || first + count > source->count) {
        return NULL;
    }
    void *data = allocElements(count, size);
    if (data == NULL) {
        return NULL;
    }
    bool fromFloat = source->type == GLTYPE_FLOAT;
    bool fromDouble = source->type == GLTYPE_DOUBLE;
    for (int64_t k = 0; k < count; k++) {
        int64_t i = first + k;
        switch (target) {
        case GLTYPE_FLOAT:
            ((GLfloat *)data)[k] = (GLfloat)doubleAt(source, i);
            break;
        case GLTYPE_DOUBLE:
            ((GLdouble *)data)[k] = doubleAt(source, i);
            break;
        case GLTYPE_BYTE: case GLTYPE_UBYTE:
            storeInteger(target, data, k, fromFloat || fromDouble ? roundedAt(source, i) : integerAt(source, i));
            break;
        case GLTYPE_SHORT:
            storeInteger(target, data, k, fromDouble ? roundedAt(source, i)
                                          : fromFloat ? truncatedAt(source, i) : integerAt(source, i));
            break;
        case GLTYPE_USHORT:
            storeInteger(target, data, k, fromFloat || fromDouble ? truncatedAt(source, i) : integerAt(source, i));
            break;
        case GLTYPE_INT: case GLTYPE_UINT:
            storeInteger(target, data, k, fromDouble ? roundedAt(source, i)
                                          : fromFloat ? truncatedAt(source, i) : integerAt(source, i));
            break;
        }
    }
    GlItem *item = newRecord(target, count, size, data);
    if (item == NULL) {
        free(data);
    }
    return item;
}

/* ---- Items from files and photos ------------------------------------------ */

int glItemLoadFile(const char *name, const char *path, int glType, int64_t offset)
{
    int64_t first, last;
    int bad;
    if (glwCurrentItems() == NULL || glItemLookup(name, &first, &last, &bad) != NULL || bad
            || glItemNameParse(name, &first, &last) <= 0) {
        return -1;
    }
    uint32_t type;
    switch (glType) {
    case GL_BYTE: type = GLTYPE_BYTE; break;
    case GL_UNSIGNED_BYTE: type = GLTYPE_UBYTE; break;
    case GL_SHORT: type = GLTYPE_SHORT; break;
    case GL_UNSIGNED_SHORT: type = GLTYPE_USHORT; break;
    case GL_INT: type = GLTYPE_INT; break;
    case GL_UNSIGNED_INT: type = GLTYPE_UINT; break;
    case GL_FLOAT: type = GLTYPE_FLOAT; break;
    case GL_DOUBLE: type = GLTYPE_DOUBLE; break;
    default: return -1;
    }
    int size = glTypeElementSize(type);
    FILE *file = fopen(nativePath(path).c_str(), "rb");
    if (file == NULL) {
        return -1;
    }
    int result = -1;
    void *data = NULL;
    int64_t length = -1;
    if (fseeko(file, 0, SEEK_END) == 0) {
        length = ftello(file);
    }
    /* An offset outside the file leaves nothing to read. */
    int64_t bytes = length - offset;
    int64_t count = bytes / size;
    if (length >= 0 && offset >= 0 && offset < length && bytes % size == 0
            && count <= GL_ITEM_MAX_COUNT && fseeko(file, (off_t)offset, SEEK_SET) == 0
            && (data = allocElements(count, size)) != NULL) {
        int64_t done = 0;
        while (done < bytes) {
            size_t block = bytes - done > 32768 ? 32768 : (size_t)(bytes - done);
            size_t got = fread((char *)data + done, 1, block, file);
            if (got == 0) {
                break;
            }
            done += (int64_t)got;
        }
        if (done == bytes) {
            GlItem *item = newRecord(type, count, size, data);
            if (item != NULL && glItemStore(name, item)) {
                data = NULL;
                result = 0;
            } else if (item != NULL) {
                item->data = NULL;
                free(item);
            }
        }
    }
    free(data);
    fclose(file);
    return result;
}

int glItemFromPhoto(const char *name, const Tk_PhotoImageBlock *block, int alignment)
{
    int64_t first, last;
    int bad;
    if (glwCurrentItems() == NULL || glItemLookup(name, &first, &last, &bad) != NULL || bad
            || glItemNameParse(name, &first, &last) <= 0 || block->width < 0 || block->height < 0) {
        return -1;
    }
    if (alignment < 1) {
        alignment = 1;
    }
    int64_t rowBytes = (int64_t)block->width * 3;
    rowBytes = (rowBytes + alignment - 1) / alignment * alignment;
    int64_t count = rowBytes * block->height;
    GLubyte *data = (GLubyte *)allocElements(count, 1);
    if (data == NULL) {
        return -1;
    }
    for (int r = 0; r < block->height; r++) {
        const unsigned char *src = block->pixelPtr + (int64_t)(block->height - 1 - r) * block->pitch;
        GLubyte *dst = data + r * rowBytes;
        for (int c = 0; c < block->width; c++) {
            const unsigned char *pixel = src + (int64_t)c * block->pixelSize;
            dst[3 * c] = pixel[block->offset[0]];
            dst[3 * c + 1] = pixel[block->offset[1]];
            dst[3 * c + 2] = pixel[block->offset[2]];
        }
    }
    GlItem *item = newRecord(GLTYPE_UBYTE, count, 1, data);
    if (item == NULL || !glItemStore(name, item)) {
        free(data);
        free(item);
        return -1;
    }
    return 0;
}
