/*
 * gl_binding.h --
 *
 *	How the words of a GL command become GL arguments: enumeration
 *	tables, scalars and arrays from literals, inline lists or data items,
 *	pixel blocks laid out as GL unpacks them, and results written back
 *	into variables. GlCall gathers one command's words and releases its
 *	temporaries on every path.
 */
#ifndef OVEX_GL_GL_BINDING_H
#define OVEX_GL_GL_BINDING_H

#include <stdint.h>
#include <initializer_list>
#include <vector>

#include <GL/gl.h>
#include <tcl.h>

#include "gl/gl_items.h"
#include "gl/gl_types.h"

/* One row of an enumeration table; the table ends with a NULL name. */
struct GlEnumRow {
    const char *name;
    int32_t value;
};

/* The value of the row named exactly word, or -1. */
int32_t glEnumValue(const GlEnumRow *table, const char *word);

/* The name of the first row of that value, or NULL. */
const char *glEnumName(const GlEnumRow *table, int32_t value);

/* A number from a literal (atof/atoi rules: no error, 0 without digits)
 * or from element first of an item reference. */
double glScalarDouble(const char *word);
int glScalarInt(const char *word);

/* n elements of a type from an item reference or an inline list (see
 * gl_binding.cpp); NULL when neither gives exactly enough. A NULL word
 * gives n zero elements. Temporaries are freed with glTempFree. */
void *glArrayOfType(const char *word, uint32_t type, int64_t n);

/* Element type and count of a pixel block of width x height laid out as
 * GL unpacks (rows rounded up to GL_UNPACK_ALIGNMENT); false for a type
 * without a pixel layout or a block beyond the item limit. */
bool glPixelLayout(GLenum type, int64_t width, int64_t height, int alignment,
                   uint32_t *elementType, int64_t *count);
void *glPixelArray(const char *word, GLenum type, int64_t width, int64_t height);

/* Component count of a pixel format. */
int glFormatComponents(GLenum format);

bool isPowerOfTwo(int64_t n);

/* The alignment GL unpacks with now (4 without a context). */
int glUnpackAlignment(void);

/* Sets varName to width x height elements of data as list elements. */
void setVarFromGLArray(Tcl_Interp *interp, const char *varName, GLenum type, const void *data,
                       int64_t width, int64_t height);

/* Messages: errorInfo (the default channel of GL commands) or result. */
int glFail(Tcl_Interp *interp, const char *message);
int glFailResult(Tcl_Interp *interp, const char *message);

/* The words of one GL command and the temporaries it made. */
struct GlCall {
    Tcl_Interp *interp;
    int argc;
    const char **argv;
    std::vector<void *> temps;

    GlCall(Tcl_Interp *i, int c, const char **v) : interp(i), argc(c), argv(v) {}
    ~GlCall() { release(); }
    void release()
    {
        for (void *data : temps) glTempFree(data);
        temps.clear();
    }
    int fail(const char *message) { release(); return glFail(interp, message); }
    int failResult(const char *message) { release(); return glFailResult(interp, message); }
    int syntax() { return fail("Syntax Error"); }
    int badEnum() { return fail("GLenum Error"); }
    int i(int k) const { return glScalarInt(argv[k]); }
    double d(int k) const { return glScalarDouble(argv[k]); }
    float f(int k) const { return (float)glScalarDouble(argv[k]); }
    int32_t e(const GlEnumRow *table, int k) const { return glEnumValue(table, argv[k]); }
    void *keep(void *data) { if (data) temps.push_back(data); return data; }
    void *array(int k, uint32_t type, int64_t n) { return keep(glArrayOfType(k < 0 ? NULL : argv[k], type, n)); }
    GLfloat *floats(int k, int64_t n) { return (GLfloat *)array(k, GLTYPE_FLOAT, n); }
    GLdouble *doubles(int k, int64_t n) { return (GLdouble *)array(k, GLTYPE_DOUBLE, n); }
    GLint *ints(int k, int64_t n) { return (GLint *)array(k, GLTYPE_INT, n); }
    GLuint *uints(int k, int64_t n) { return (GLuint *)array(k, GLTYPE_UINT, n); }
    GLubyte *ubytes(int k, int64_t n) { return (GLubyte *)array(k, GLTYPE_UBYTE, n); }
    void *pixels(int k, GLenum type, int64_t w, int64_t h) { return keep(glPixelArray(k < 0 ? NULL : argv[k], type, w, h)); }
    int ok() { release(); return TCL_OK; }
    int okInt(long long value);
    int okText(const char *text);
};

/* One row of the command table. */
struct GlCommandRow {
    Tcl_CmdProc *proc;
    const char *name;
};

/* The command families, each a NULL-ended part of the command table. */
extern const GlCommandRow glItemCommands[];
extern const GlCommandRow glCoreCommands[];
extern const GlCommandRow glPixelCommands[];
extern const GlCommandRow glStateCommands[];
extern const GlCommandRow gluCommands[];
extern const GlCommandRow glutCommands[];
extern const GlCommandRow glDemCommands[];

/* The whole table in registration order (226 rows). */
std::vector<GlCommandRow> glCommandTable(void);

/* Shorthands of the command files: the word count, and enumeration
 * words looked up together and refused together. */
#define GL_ARGC(n) \
    GlCall c(interp, argc, argv); \
    if (argc != (n)) return c.syntax()
inline bool glEnumsFound(std::initializer_list<int32_t> values)
{
    for (int32_t v : values) if (v == -1) return false;
    return true;
}
#define GL_ENUMS(...) \
    if (!glEnumsFound({__VA_ARGS__})) return c.badEnum()

#define GL_COMMAND(name) static int name##Cmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)

#endif /* OVEX_GL_GL_BINDING_H */
