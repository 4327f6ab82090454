/*
 * gl_items.h --
 *
 *	Named, typed data items of a GL surface: arrays of GL element types,
 *	GLU objects and texts, kept in one hash table per surface and
 *	referred to by commands as name, name(i) or name(i:j).
 */
#ifndef OVEX_GL_GL_ITEMS_H
#define OVEX_GL_GL_ITEMS_H

#include <stdint.h>
#include <tcl.h>

#include "gl/gl_types.h"

typedef const char *(GlItemFormatter)(const void *data, int64_t index);

struct GlItem {
    uint32_t type;          /* a GLTYPE_ code */
    int32_t count;          /* number of elements */
    int32_t elementSize;    /* bytes per element; text length for GLchar */
    void *data;             /* elements, GLU object or text (owned) */
    GlItemFormatter *formatter;  /* element as text for glv; NULL for GLU objects */
};

/* Parses a reference: returns the length of its name part and sets first
 * and last; -1 when it breaks the syntax; 0 with 0 and INT32_MAX for no
 * reference at all. Indices beyond INT32_MAX read as INT32_MAX. */
int glItemNameParse(const char *reference, int64_t *first, int64_t *last);

/* The item a reference denotes in the selected surface, with its range
 * clamped to the item; bad is set for a syntax error or a range end past
 * the last element. first and last carry the parsed range also when no
 * item is found. */
GlItem *glItemLookup(const char *reference, int64_t *first, int64_t *last, int *bad);

/* The data of the item of exactly that name when it has the type and at
 * least n elements; NULL otherwise. */
void *glItemData(const char *name, uint32_t type, int64_t n);

/* The item record of exactly that name, or NULL. */
GlItem *glItemFind(const char *name);

/* Makes and stores an item; NULL when the reference names an existing
 * item or is bad, or creation fails. No reference makes a temporary. */
void *glItemNew(const char *reference, uint32_t type, int64_t count, const char *values);

/* A new unstored item (see the creation rules in gl_items.cpp). */
GlItem *glItemCreate(uint32_t type, int64_t count, const char *values, int64_t first, int64_t last);

/* Stores an item under the name part of reference, or under its
 * temporary name without one; an item stored there before is freed. */
int glItemStore(const char *reference, GlItem *item);

/* Removes and frees the item of that name when type is negative or its
 * own. */
void glItemDelete(const char *name, int64_t type);

/* Frees an unstored item record and its data. */
void glItemFree(GlItem *item);

/* Deletes the temporary item whose data is data; nothing for NULL or a
 * named item's data. */
void glTempFree(void *data);

/* Frees every item of a table and the table itself. */
void glItemTableFree(Tcl_HashTable *table);

/* A new GLU object item under the next GLU object name in the selected
 * surface; the name, or NULL. */
const char *gluObjectNew(uint32_t type);

/* Conversion of count source elements from first into a new unstored
 * item of the target type; NULL for a source that is not numeric. */
GlItem *glConvertItem(const GlItem *source, int64_t first, int64_t count, uint32_t target);

/* Parses up to count values of a value list into data of the type
 * (blanks, commas and tabs separate; missing values repeat the last). */
void glParseValueList(const char *text, uint32_t type, void *data, int64_t count);

/* Number of words of a value list separated by blanks and tabs only. */
int64_t glValueWordCount(const char *text);

/* An item from the bytes of a file: 0 when stored, -1 on failure. */
int glItemLoadFile(const char *name, const char *path, int glType, int64_t offset);

/* Copies an RGB photo block bottom-up into a new GLubyte item, rows
 * padded to alignment. 0 when stored, -1 on failure. */
struct Tk_PhotoImageBlock;
int glItemFromPhoto(const char *name, const Tk_PhotoImageBlock *block, int alignment);

/* Called before an item's data goes away: GL must not keep pointing at
 * it as a client array or as the feedback or selection buffer. */
void glItemReleaseFromGL(const void *data, int64_t bytes);

/* GLU error callback: reports the error text to the selected surface's
 * interpreter and raises an error there. */
void gluErrorCallback(unsigned int errorCode);

/* The name of a GL type code among the item type names, or NULL. */
const char *glTypeName(uint32_t type);

#endif /* OVEX_GL_GL_ITEMS_H */
