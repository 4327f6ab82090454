/*
 * gl_types.h --
 *
 *	Type codes of GL data items: the standard GL element types and four
 *	of our own for GLU objects and text.
 */
#ifndef OVEX_GL_GL_TYPES_H
#define OVEX_GL_GL_TYPES_H

#include <stdint.h>

enum : uint32_t {
    GLTYPE_BYTE = 0x1400,
    GLTYPE_UBYTE = 0x1401,
    GLTYPE_SHORT = 0x1402,
    GLTYPE_USHORT = 0x1403,
    GLTYPE_INT = 0x1404,
    GLTYPE_UINT = 0x1405,
    GLTYPE_FLOAT = 0x1406,
    GLTYPE_DOUBLE = 0x140A,
    GLTYPE_QUADRIC = 0xA000,
    GLTYPE_NURBS = 0xA001,
    GLTYPE_TESS = 0xA002,
    GLTYPE_CHAR = 0xA003,
};

/* Bytes per element of a GL element type, 0 for any other code. */
int glTypeElementSize(uint32_t type);

/* True for the eight numeric element types. */
bool glTypeIsNumeric(uint32_t type);

/* True for the three GLU object types. */
bool glTypeIsGluObject(uint32_t type);

/* The largest element count an item may hold. */
const int64_t GL_ITEM_MAX_COUNT = 0x7fffffff;

#endif /* OVEX_GL_GL_TYPES_H */
