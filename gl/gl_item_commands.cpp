/*
 * gl_item_commands.cpp --
 *
 *	The type commands (GLfloat, GLint ...) and the item commands gldel,
 *	gllist, glinfo, glitems, glsize, glv, glset, glload, glphoto and
 *	glscanfb, all on the selected surface.
 */
#include <string.h>

#include <GL/gl.h>
#include <tk.h>

#include "gl/gl_binding.h"
#include "gl/gl_enums.h"
#include "gl/gl_items.h"
#include "gl/glw_surface.h"
#include "core/package.h"

/* Word count, then a selected surface, as every item command checks. */
static int itemPrologue(Tcl_Interp *interp, int argc, int least, int most)
{
    if (argc < least || argc > most) {
        return glFail(interp, "Syntax Error");
    }
    if (glwCurrentItems() == NULL) {
        return glFail(interp, "No OGL selected");
    }
    return TCL_OK;
}

/* A reference that denotes no item of the selected surface: the message
 * names it (in the result, so that errorInfo holds it too). */
static int noSuchItem(Tcl_Interp *interp, const char *reference)
{
    Tcl_AppendResult(interp, "No GL item \"", reference, "\"", (char *)NULL);
    return TCL_ERROR;
}

static int typeCommand(Tcl_Interp *interp, int argc, const char **argv, uint32_t type)
{
    if (itemPrologue(interp, argc, 2, 3) != TCL_OK) {
        return TCL_ERROR;
    }
    return glItemNew(argv[1], type, 0, argc == 3 ? argv[2] : NULL) != NULL ? TCL_OK : TCL_ERROR;
}

#define TYPE_COMMAND(name, code) \
    static int name##Cmd(ClientData, Tcl_Interp *interp, int argc, const char **argv) \
    { return typeCommand(interp, argc, argv, code); }
TYPE_COMMAND(GLdouble, GLTYPE_DOUBLE)
TYPE_COMMAND(GLfloat, GLTYPE_FLOAT)
TYPE_COMMAND(GLint, GLTYPE_INT)
TYPE_COMMAND(GLuint, GLTYPE_UINT)
TYPE_COMMAND(GLshort, GLTYPE_SHORT)
TYPE_COMMAND(GLushort, GLTYPE_USHORT)
TYPE_COMMAND(GLbyte, GLTYPE_BYTE)
TYPE_COMMAND(GLubyte, GLTYPE_UBYTE)
TYPE_COMMAND(GLchar, GLTYPE_CHAR)

GL_COMMAND(gldel)
{
    if (itemPrologue(interp, argc, 2, 2) != TCL_OK) {
        return TCL_ERROR;
    }
    glItemDelete(argv[1], -1);
    return TCL_OK;
}

GL_COMMAND(gllist)
{
    if (itemPrologue(interp, argc, 1, 1) != TCL_OK) {
        return TCL_ERROR;
    }
    Tcl_HashTable *table = glwCurrentItems();
    Tcl_HashSearch search;
    for (Tcl_HashEntry *entry = Tcl_FirstHashEntry(table, &search); entry; entry = Tcl_NextHashEntry(&search)) {
        Tcl_AppendElement(interp, (const char *)Tcl_GetHashKey(table, entry));
    }
    return TCL_OK;
}

GL_COMMAND(glinfo)
{
    if (itemPrologue(interp, argc, 2, 2) != TCL_OK) {
        return TCL_ERROR;
    }
    int64_t first, last;
    int bad;
    GlItem *item = glItemLookup(argv[1], &first, &last, &bad);
    if (item == NULL) {
        return noSuchItem(interp, argv[1]);
    }
    Tcl_SetResult(interp, fmt("%d %d %s", item->count, item->elementSize, glTypeName(item->type)), TCL_VOLATILE);
    return TCL_OK;
}

GL_COMMAND(glitems)
{
    if (itemPrologue(interp, argc, 2, 2) != TCL_OK) {
        return TCL_ERROR;
    }
    int64_t first, last;
    int bad;
    GlItem *item = glItemLookup(argv[1], &first, &last, &bad);
    if (item == NULL) {
        return noSuchItem(interp, argv[1]);
    }
    Tcl_SetResult(interp, fmt("%d", item->count), TCL_VOLATILE);
    return TCL_OK;
}

static const struct { const char *name; int size; } typeSizes[] = {
    {"GLfloat", 4}, {"GLdouble", 8}, {"GLint", 4}, {"GLuint", 4}, {"GLshort", 2}, {"GLushort", 2},
    {"GLbyte", 1}, {"GLubyte", 1}, {"GLUnurbs", 4}, {"GLUquadric", 4}, {"GLUtess", 4}, {"GLchar", 1},
};

GL_COMMAND(glsize)
{
    if (itemPrologue(interp, argc, 2, 2) != TCL_OK) {
        return TCL_ERROR;
    }
    int64_t first, last;
    int bad;
    GlItem *item = glItemLookup(argv[1], &first, &last, &bad);
    if (item != NULL) {
        Tcl_SetObjResult(interp, Tcl_NewWideIntObj((last - first + 1) * item->elementSize));
        return TCL_OK;
    }
    for (const auto &row : typeSizes) {
        if (strcmp(row.name, argv[1]) == 0) {
            Tcl_SetObjResult(interp, Tcl_NewIntObj(row.size));
            return TCL_OK;
        }
    }
    return noSuchItem(interp, argv[1]);
}

GL_COMMAND(glv)
{
    if (itemPrologue(interp, argc, 2, 2) != TCL_OK) {
        return TCL_ERROR;
    }
    int64_t first, last;
    int bad;
    GlItem *item = glItemLookup(argv[1], &first, &last, &bad);
    if (item == NULL) {
        return noSuchItem(interp, argv[1]);
    }
    if (item->formatter == NULL) {
        return TCL_OK;
    }
    if (item->type == GLTYPE_CHAR) {
        Tcl_AppendElement(interp, item->formatter(item->data, 0));
        return TCL_OK;
    }
    Tcl_DString list;
    Tcl_DStringInit(&list);
    for (int64_t i = first; i <= last; i++) {
        Tcl_DStringAppendElement(&list, item->formatter(item->data, i));
    }
    Tcl_DStringResult(interp, &list);
    return TCL_OK;
}

GL_COMMAND(glset)
{
    if (itemPrologue(interp, argc, 3, 3) != TCL_OK) {
        return TCL_ERROR;
    }
    int64_t first, last;
    int bad;
    GlItem *item = glItemLookup(argv[1], &first, &last, &bad);
    if (item == NULL || bad) {
        return TCL_ERROR;
    }
    if (item->type == GLTYPE_CHAR) {
        if (glItemFind(argv[1]) == item) {
            /* The old text goes first; a script item may be replaced by
             * the script itself, which runs from its own copy. */
            glItemDelete(argv[1], -1);
            glItemNew(argv[1], GLTYPE_CHAR, 1, argv[2]);
        }
        return TCL_OK;
    }
    if (glTypeIsNumeric(item->type) && last >= first) {
        glParseValueList(argv[2], item->type, (char *)item->data + first * item->elementSize, last - first + 1);
    }
    return TCL_OK;
}

GL_COMMAND(glload)
{
    if (itemPrologue(interp, argc, 4, 5) != TCL_OK) {
        return TCL_ERROR;
    }
    int32_t type = glEnumValue(glLoadTypes, argv[3]);
    if (type == -1) {
        return glFail(interp, "GLenum Error");
    }
    int64_t offset = argc == 5 ? glScalarInt(argv[4]) : 0;
    return glItemLoadFile(argv[1], argv[2], type, offset) == 0 ? TCL_OK : TCL_ERROR;
}

GL_COMMAND(glphoto)
{
    if (itemPrologue(interp, argc, 3, 3) != TCL_OK) {
        return TCL_ERROR;
    }
    if (ovexMainWindow(interp) == NULL) {
        return glFail(interp, "Not found photo");
    }
    Tk_PhotoHandle photo = Tk_FindPhoto(interp, argv[2]);
    if (photo == NULL) {
        return glFail(interp, "Not found photo");
    }
    Tk_PhotoImageBlock block;
    if (!Tk_PhotoGetImage(photo, &block)) {
        return glFail(interp, "Fail to get photo");
    }
    if (glItemFromPhoto(argv[1], &block, glUnpackAlignment()) != 0) {
        return glFail(interp, "Fail to alloc photo");
    }
    return TCL_OK;
}

GL_COMMAND(glscanfb)
{
    if (argc != 3) {
        return glFail(interp, "Syntax Error");
    }
    int n = glScalarInt(argv[1]);
    const GLfloat *buffer = n < 0 ? NULL : (const GLfloat *)glItemData(argv[2], GLTYPE_FLOAT, n);
    if (buffer == NULL) {
        return glFail(interp, "Error in parse buffer");
    }
    static const struct { GLfloat token; const char *name; } tokens[] = {
        {GL_POINT_TOKEN, "POINT"}, {GL_LINE_TOKEN, "LINE"}, {GL_LINE_RESET_TOKEN, "LINE_RESET"},
        {GL_POLYGON_TOKEN, "POLYGON"}, {GL_BITMAP_TOKEN, "BITMAP"}, {GL_DRAW_PIXEL_TOKEN, "DRAW_PIXEL"},
        {GL_COPY_PIXEL_TOKEN, "COPY_PIXEL"}, {GL_PASS_THROUGH_TOKEN, "PASS_THROUGH"},
    };
    for (int i = 0; i < n; i++) {
        for (const auto &token : tokens) {
            if (buffer[i] == token.token) {
                Tcl_AppendElement(interp, fmt("%s %d", token.name, i));
                break;
            }
        }
    }
    return TCL_OK;
}

const GlCommandRow glItemCommands[] = {
    {GLdoubleCmd, "GLdouble"}, {GLfloatCmd, "GLfloat"}, {GLintCmd, "GLint"}, {GLuintCmd, "GLuint"},
    {GLshortCmd, "GLshort"}, {GLushortCmd, "GLushort"}, {GLbyteCmd, "GLbyte"}, {GLubyteCmd, "GLubyte"},
    {GLcharCmd, "GLchar"},
    {gldelCmd, "gldel"}, {glinfoCmd, "glinfo"}, {glitemsCmd, "glitems"}, {glloadCmd, "glload"},
    {gllistCmd, "gllist"}, {glphotoCmd, "glphoto"}, {glsetCmd, "glset"}, {glsizeCmd, "glsize"},
    {glvCmd, "glv"}, {glscanfbCmd, "glscanfb"},
    {NULL, NULL},
};
