/*
 * gl_pixel_commands.cpp --
 *
 *	OpenGL commands of pixel blocks, textures, client arrays and the
 *	feedback and selection buffers: the arguments GL reads as blocks or
 *	keeps as pointers. Arguments GL keeps must name an item of the right
 *	type; before an item's memory goes, GL is told to let go of it.
 */
#include <GL/gl.h>

#include "gl/gl_binding.h"
#include "gl/gl_enums.h"
#include "gl/glw_surface.h"

/* ---- Items GL keeps pointers into ------------------------------------------- */

static bool inside(const void *pointer, const void *data, int64_t bytes)
{
    const char *p = (const char *)pointer, *d = (const char *)data;
    return p != NULL && p >= d && p < d + (bytes > 0 ? bytes : 1);
}

void glItemReleaseFromGL(const void *data, int64_t bytes)
{
    if (glwBoundSurface() == NULL || data == NULL) {
        return;
    }
    static const struct { GLenum pointer, array; } arrays[] = {
        {GL_VERTEX_ARRAY_POINTER, GL_VERTEX_ARRAY}, {GL_NORMAL_ARRAY_POINTER, GL_NORMAL_ARRAY},
        {GL_COLOR_ARRAY_POINTER, GL_COLOR_ARRAY}, {GL_INDEX_ARRAY_POINTER, GL_INDEX_ARRAY},
        {GL_TEXTURE_COORD_ARRAY_POINTER, GL_TEXTURE_COORD_ARRAY}, {GL_EDGE_FLAG_ARRAY_POINTER, GL_EDGE_FLAG_ARRAY},
    };
    for (const auto &a : arrays) {
        void *pointer = NULL;
        glGetPointerv(a.pointer, &pointer);
        if (!inside(pointer, data, bytes)) {
            continue;
        }
        glDisableClientState(a.array);
        switch (a.array) {
        case GL_VERTEX_ARRAY: glVertexPointer(4, GL_FLOAT, 0, NULL); break;
        case GL_NORMAL_ARRAY: glNormalPointer(GL_FLOAT, 0, NULL); break;
        case GL_COLOR_ARRAY: glColorPointer(4, GL_FLOAT, 0, NULL); break;
        case GL_INDEX_ARRAY: glIndexPointer(GL_FLOAT, 0, NULL); break;
        case GL_TEXTURE_COORD_ARRAY: glTexCoordPointer(4, GL_FLOAT, 0, NULL); break;
        default: glEdgeFlagPointer(0, NULL); break;
        }
    }
    void *pointer = NULL;
    GLint mode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &mode);
    glGetPointerv(GL_FEEDBACK_BUFFER_POINTER, &pointer);
    if (inside(pointer, data, bytes)) {
        if (mode != GL_RENDER) glRenderMode(GL_RENDER);
        glFeedbackBuffer(0, GL_2D, NULL);
    }
    pointer = NULL;
    glGetPointerv(GL_SELECTION_BUFFER_POINTER, &pointer);
    if (inside(pointer, data, bytes)) {
        if (mode != GL_RENDER) glRenderMode(GL_RENDER);
        glSelectBuffer(0, NULL);
    }
}

/* ---- Client arrays --------------------------------------------------------------- */

GL_COMMAND(glColorPointer)
{
    GL_ARGC(5);
    int32_t type = c.e(glColorArrayTypes, 2);
    GL_ENUMS(type);
    int size = c.i(1);
    if (size < 2 || size > 4) return c.failResult("Invalide size");
    void *pointer = glItemData(argv[4], (uint32_t)type, size);
    if (pointer == NULL) return c.failResult("Error in parsing color array");
    glColorPointer(size, type, c.i(3), pointer);
    return c.ok();
}
GL_COMMAND(glEdgeFlagPointer)
{
    GL_ARGC(3);
    void *pointer = glItemData(argv[2], GLTYPE_UBYTE, 1);
    if (pointer == NULL) return c.failResult("Error in parsing edge flag array");
    glEdgeFlagPointer(c.i(1), pointer);
    return c.ok();
}
GL_COMMAND(glIndexPointer)
{
    GL_ARGC(4);
    int32_t type = c.e(glIndexArrayTypes, 1);
    GL_ENUMS(type);
    void *pointer = glItemData(argv[3], (uint32_t)type, 1);
    if (pointer == NULL) return c.failResult("Error in parsing index array");
    glIndexPointer(type, c.i(2), pointer);
    return c.ok();
}
GL_COMMAND(glInterleavedArrays)
{
    GL_ARGC(4);
    int32_t format = c.e(glInterleavedFormats, 1);
    GL_ENUMS(format);
    void *pointer = glItemData(argv[3], GLTYPE_FLOAT, 1);
    if (pointer == NULL) return c.failResult("Error in parsing interleave array");
    glInterleavedArrays(format, c.i(2), pointer);
    return c.ok();
}
GL_COMMAND(glNormalPointer)
{
    GL_ARGC(4);
    int32_t type = c.e(glNormalArrayTypes, 1);
    GL_ENUMS(type);
    void *pointer = glItemData(argv[3], (uint32_t)type, 3);
    if (pointer == NULL) return c.failResult("Error in parsing normal array");
    glNormalPointer(type, c.i(2), pointer);
    return c.ok();
}
GL_COMMAND(glTexCoordPointer)
{
    GL_ARGC(5);
    int32_t type = c.e(glTexCoordArrayTypes, 2);
    GL_ENUMS(type);
    int size = c.i(1);
    if (size < 1 || size > 4) return c.failResult("Invalide size");
    void *pointer = glItemData(argv[4], (uint32_t)type, size);
    if (pointer == NULL) return c.failResult("Error in parsing Tex coord array");
    glTexCoordPointer(size, type, c.i(3), pointer);
    return c.ok();
}
GL_COMMAND(glVertexPointer)
{
    GL_ARGC(5);
    int32_t type = c.e(glVertexArrayTypes, 2);
    GL_ENUMS(type);
    int size = c.i(1);
    if (size < 2 || size > 4) return c.failResult("Invalide size");
    void *pointer = glItemData(argv[4], (uint32_t)type, size);
    if (pointer == NULL) return c.failResult("Error in parsing vertex array");
    glVertexPointer(size, type, c.i(3), pointer);
    return c.ok();
}
GL_COMMAND(glEnableClientState) { GL_ARGC(2); glEnableClientState((GLenum)c.i(1)); return c.ok(); }
GL_COMMAND(glDisableClientState) { GL_ARGC(2); glDisableClientState((GLenum)c.i(1)); return c.ok(); }
GL_COMMAND(glDrawArrays)
{
    GL_ARGC(4);
    int32_t mode = c.e(glPrimitiveModes, 1);
    GL_ENUMS(mode);
    glDrawArrays(mode, c.i(2), c.i(3));
    return c.ok();
}
GL_COMMAND(glDrawElements)
{
    GL_ARGC(5);
    int32_t mode = c.e(glPrimitiveModes, 1), type = c.e(glElementIndexTypes, 3);
    GL_ENUMS(mode, type);
    int count = c.i(2);
    void *indices = c.pixels(4, type, count, 1);
    if (indices == NULL) return c.syntax();
    glDrawElements(mode, count, type, indices);
    return c.ok();
}

/* ---- Feedback and selection --------------------------------------------------------- */

GL_COMMAND(glFeedbackBuffer)
{
    GL_ARGC(4);
    int32_t type = c.e(glFeedbackTypes, 2);
    GL_ENUMS(type);
    int size = c.i(1);
    GLfloat *buffer = size < 0 ? NULL : (GLfloat *)glItemData(argv[3], GLTYPE_FLOAT, size);
    if (buffer == NULL) return c.fail("Error in parse feedback buffer");
    glFeedbackBuffer(size, type, buffer);
    return c.ok();
}
GL_COMMAND(glSelectBuffer)
{
    GL_ARGC(3);
    int size = c.i(1);
    GLuint *buffer = size < 0 ? NULL : (GLuint *)glItemData(argv[2], GLTYPE_UINT, size);
    if (buffer == NULL) return c.fail("Error in parse buffer");
    glSelectBuffer(size, buffer);
    return c.ok();
}

/* ---- Pixel blocks ----------------------------------------------------------------------- */

GL_COMMAND(glBitmap)
{
    GL_ARGC(8);
    int width = c.i(1), height = c.i(2);
    void *bitmap = c.pixels(7, GL_BITMAP, width, height);
    if (bitmap == NULL) return c.syntax();
    glBitmap(width, height, c.f(3), c.f(4), c.f(5), c.f(6), (const GLubyte *)bitmap);
    return c.ok();
}
GL_COMMAND(glDrawPixels)
{
    GL_ARGC(6);
    int32_t format = c.e(glPixelFormats, 3), type = c.e(glPixelTypes, 4);
    GL_ENUMS(format, type);
    int width = c.i(1), height = c.i(2);
    void *pixels = c.pixels(5, type, (int64_t)width * glFormatComponents(format), height);
    if (pixels == NULL) return c.fail("Error in parsing pixel values.");
    glDrawPixels(width, height, format, type, pixels);
    return c.ok();
}
GL_COMMAND(glPixelMap)
{
    GL_ARGC(4);
    int32_t map = c.e(glPixelMaps, 1);
    GL_ENUMS(map);
    int size = c.i(2);
    GLfloat *values = c.floats(3, size);
    if (values == NULL) return c.syntax();
    glPixelMapfv(map, size, values);
    return c.ok();
}
GL_COMMAND(glPixelStore)
{
    GL_ARGC(3);
    int32_t p = c.e(glPixelStoreParams, 1);
    GL_ENUMS(p);
    int value = c.i(2);
    if ((p == GL_PACK_ALIGNMENT || p == GL_UNPACK_ALIGNMENT) && value != 1 && value != 2 && value != 4
            && value != 8) {
        return c.syntax();
    }
    glPixelStorei(p, value);
    return c.ok();
}
GL_COMMAND(glPixelTransfer) { GL_ARGC(3); int32_t p = c.e(glPixelTransferParams, 1); GL_ENUMS(p); glPixelTransferf(p, c.f(2)); return c.ok(); }
GL_COMMAND(glPixelZoom) { GL_ARGC(3); glPixelZoom(c.f(1), c.f(2)); return c.ok(); }
GL_COMMAND(glPolygonStipple)
{
    GL_ARGC(2);
    GLubyte *mask = c.ubytes(1, 128);
    if (mask == NULL) return c.fail("Error in parsing mask");
    glPolygonStipple(mask);
    return c.ok();
}
GL_COMMAND(glReadBuffer) { GL_ARGC(2); int32_t m = c.e(glReadBuffers, 1); GL_ENUMS(m); glReadBuffer(m); return c.ok(); }
GL_COMMAND(glReadPixels)
{
    GL_ARGC(8);
    int32_t format = c.e(glPixelFormats, 5), type = c.e(glPixelTypes, 6);
    GL_ENUMS(format, type);
    int x = c.i(1), y = c.i(2), width = c.i(3), height = c.i(4);
    int64_t n = (int64_t)width * glFormatComponents(format);
    int alignment = glUnpackAlignment();
    void *pixels = c.pixels(-1, type, n, height);
    if (pixels == NULL) return c.syntax();
    /* GL packs into the scratch block exactly as it was laid out: the
     * same alignment, no row length and no skips. */
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glReadPixels(x, y, width, height, format, type, pixels);
    glPopClientAttrib();
    setVarFromGLArray(interp, argv[7], type, pixels, n, height);
    return c.ok();
}

/* ---- Textures ----------------------------------------------------------------------------- */

GL_COMMAND(glAreTexturesResident)
{
    GL_ARGC(4);
    int n = c.i(1);
    GLuint *textures = c.uints(2, n);
    if (textures == NULL) return c.syntax();
    GLubyte *residences = c.ubytes(-1, n);
    if (residences == NULL) return c.syntax();
    GLboolean all = glAreTexturesResident(n, textures, residences);
    if (!all) {
        setVarFromGLArray(interp, argv[3], GL_UNSIGNED_BYTE, residences, n, 1);
    }
    return c.okInt(all);
}
GL_COMMAND(glDeleteTextures)
{
    GL_ARGC(3);
    int n = c.i(1);
    void *textures = c.pixels(2, GL_UNSIGNED_INT, n, 1);
    if (textures == NULL) return c.syntax();
    glDeleteTextures(n, (const GLuint *)textures);
    return c.ok();
}
GL_COMMAND(glGenTextures)
{
    GL_ARGC(3);
    int n = c.i(1);
    GLuint *textures = n < 0 ? NULL : (GLuint *)glItemData(argv[2], GLTYPE_UINT, n);
    if (textures == NULL) return c.syntax();
    glGenTextures(n, textures);
    return c.ok();
}
GL_COMMAND(glIsTexture) { GL_ARGC(2); return c.okInt(glIsTexture(c.i(1))); }
GL_COMMAND(glPrioritizeTextures)
{
    GL_ARGC(4);
    int n = c.i(1);
    GLuint *textures = c.uints(2, n);
    GLfloat *priorities = textures ? c.floats(3, n) : NULL;
    if (priorities == NULL) return c.syntax();
    glPrioritizeTextures(n, textures, priorities);
    return c.ok();
}

static int borderCheck(GlCall &c, int border)
{
    return border == 0 || border == 1 ? TCL_OK : c.fail("Invalid border");
}

GL_COMMAND(glCopyTexImage1D)
{
    GL_ARGC(8);
    int32_t target = c.e(glTexture1DTarget, 1), internal = c.e(glInternalFormats, 3);
    GL_ENUMS(target, internal);
    int width = c.i(6), border = c.i(7);
    if (borderCheck(c, border) != TCL_OK) return TCL_ERROR;
    if (!isPowerOfTwo(width)) return c.fail("Invalid image width");
    glCopyTexImage1D(target, c.i(2), internal, c.i(4), c.i(5), width, border);
    return c.ok();
}
GL_COMMAND(glCopyTexImage2D)
{
    GL_ARGC(9);
    int32_t target = c.e(glTexture2DTarget, 1), internal = c.e(glInternalFormats, 3);
    GL_ENUMS(target, internal);
    int width = c.i(6), height = c.i(7), border = c.i(8);
    if (borderCheck(c, border) != TCL_OK) return TCL_ERROR;
    if (!isPowerOfTwo(width)) return c.fail("Invalid image width");
    if (!isPowerOfTwo(height)) return c.fail("Invalid image height");
    glCopyTexImage2D(target, c.i(2), internal, c.i(4), c.i(5), width, height, border);
    return c.ok();
}
GL_COMMAND(glCopyTexSubImage1D)
{
    GL_ARGC(7);
    int32_t target = c.e(glTexture1DTarget, 1);
    GL_ENUMS(target);
    glCopyTexSubImage1D(target, c.i(2), c.i(3), c.i(4), c.i(5), c.i(6));
    return c.ok();
}
GL_COMMAND(glCopyTexSubImage2D)
{
    GL_ARGC(9);
    int32_t target = c.e(glTexture2DTarget, 1);
    GL_ENUMS(target);
    glCopyTexSubImage2D(target, c.i(2), c.i(3), c.i(4), c.i(5), c.i(6), c.i(7), c.i(8));
    return c.ok();
}

/* Internal format: 1 to 4 components as a number, else a format name. */
static int32_t internalFormat(const char *word)
{
    int n = glScalarInt(word);
    return n >= 1 && n <= 4 ? n : glEnumValue(glInternalFormats, word);
}

GL_COMMAND(glTexImage1D)
{
    GL_ARGC(9);
    int32_t target = c.e(glTexImage1DTargets, 1), format = c.e(glTextureFormats, 6), type = c.e(glPixelTypes, 7);
    GL_ENUMS(target, format, type);
    int level = c.i(2);
    int32_t internal = internalFormat(argv[3]);
    if (internal == -1) return c.fail("Invalid components");
    int width = c.i(4), border = c.i(5);
    if (borderCheck(c, border) != TCL_OK) return TCL_ERROR;
    if (!isPowerOfTwo(width)) return c.fail("Invalid image width");
    void *pixels = NULL;
    if (target != GL_PROXY_TEXTURE_1D) {
        pixels = c.pixels(8, type, (int64_t)width * glFormatComponents(format), 1);
        if (pixels == NULL) return c.fail("Error in parsing pixel values.");
    }
    glTexImage1D(target, level, internal, width, border, format, type, pixels);
    return c.ok();
}
GL_COMMAND(glTexImage2D)
{
    GL_ARGC(10);
    int32_t target = c.e(glTexImage2DTargets, 1), format = c.e(glTextureFormats, 7), type = c.e(glPixelTypes, 8);
    GL_ENUMS(target, format, type);
    int level = c.i(2);
    int32_t internal = internalFormat(argv[3]);
    if (internal == -1) return c.fail("Invalid components");
    int width = c.i(4), height = c.i(5), border = c.i(6);
    if (borderCheck(c, border) != TCL_OK) return TCL_ERROR;
    if (!isPowerOfTwo(width)) return c.fail("Invalid image width");
    if (!isPowerOfTwo(height)) return c.fail("Invalid image height");
    void *pixels = NULL;
    if (target != GL_PROXY_TEXTURE_2D) {
        pixels = c.pixels(9, type, (int64_t)width * glFormatComponents(format), height);
        if (pixels == NULL) return c.fail("Error in parsing pixel values.");
    }
    glTexImage2D(target, level, internal, width, height, border, format, type, pixels);
    return c.ok();
}
GL_COMMAND(glTexSubImage1D)
{
    GL_ARGC(8);
    int32_t target = c.e(glTexture1DTarget, 1), format = c.e(glTextureFormats, 5), type = c.e(glPixelTypes, 6);
    GL_ENUMS(target, format, type);
    int width = c.i(4);
    if (!isPowerOfTwo(width)) return c.fail("Invalid image width");
    void *pixels = c.pixels(7, type, (int64_t)width * glFormatComponents(format), 1);
    if (pixels == NULL) return c.fail("Error in parsing pixel values.");
    glTexSubImage1D(target, c.i(2), c.i(3), width, format, type, pixels);
    return c.ok();
}
GL_COMMAND(glTexSubImage2D)
{
    GL_ARGC(10);
    int32_t target = c.e(glTexture2DTarget, 1), format = c.e(glTextureFormats, 7), type = c.e(glPixelTypes, 8);
    GL_ENUMS(target, format, type);
    int width = c.i(5), height = c.i(6);
    if (!isPowerOfTwo(width)) return c.fail("Invalid image width");
    if (!isPowerOfTwo(height)) return c.fail("Invalid image height");
    void *pixels = c.pixels(9, type, (int64_t)width * glFormatComponents(format), height);
    if (pixels == NULL) return c.fail("Error in parsing pixel values.");
    glTexSubImage2D(target, c.i(2), c.i(3), c.i(4), width, height, format, type, pixels);
    return c.ok();
}
GL_COMMAND(glTexEnv)
{
    GL_ARGC(4);
    int32_t target = c.e(glTexEnvTargets, 1), p = c.e(glTexEnvParams, 2);
    GL_ENUMS(target, p);
    if (p == GL_TEXTURE_ENV_MODE) {
        int32_t mode = c.e(glTexEnvModes, 3);
        GL_ENUMS(mode);
        glTexEnvi(target, p, mode);
    } else {
        GLfloat *color = c.floats(3, 4);
        if (color == NULL) return c.fail("Error in parsing coefients");
        glTexEnvfv(target, p, color);
    }
    return c.ok();
}
GL_COMMAND(glTexGen)
{
    GL_ARGC(4);
    int32_t coord = c.e(glTexGenCoords, 1), p = c.e(glTexGenParams, 2);
    GL_ENUMS(coord, p);
    if (p == GL_TEXTURE_GEN_MODE) {
        int32_t mode = c.e(glTexGenModes, 3);
        GL_ENUMS(mode);
        glTexGeni(coord, p, mode);
    } else {
        GLdouble *plane = c.doubles(3, 4);
        if (plane == NULL) return c.fail("Error in parsing coefients");
        glTexGendv(coord, p, plane);
    }
    return c.ok();
}
GL_COMMAND(glTexParameter)
{
    GL_ARGC(4);
    int32_t target = c.e(glTextureTargets, 1), p = c.e(glTexParams, 2);
    GL_ENUMS(target, p);
    if (p == GL_TEXTURE_PRIORITY) {
        GLfloat *priority = c.floats(3, 1);
        if (priority == NULL) return c.fail("Error in parsing GL_TEXTUER_PRIORITY");
        glTexParameterf(target, p, *priority);
    } else if (p == GL_TEXTURE_BORDER_COLOR) {
        GLfloat *color = c.floats(3, 4);
        if (color == NULL) return c.fail("Error in parsing GL_TEXTUER_BORDER_COLOR");
        glTexParameterfv(target, p, color);
    } else {
        const GlEnumRow *table = p == GL_TEXTURE_MIN_FILTER ? glMinFilters
                                 : p == GL_TEXTURE_MAG_FILTER ? glMagFilters : glWrapModes;
        int32_t value = c.e(table, 3);
        if (value == -1) return c.fail("Error in parsing texture param");
        glTexParameteri(target, p, value);
    }
    return c.ok();
}

const GlCommandRow glPixelCommands[] = {
    {glAreTexturesResidentCmd, "glAreTexturesResident"}, {glBitmapCmd, "glBitmap"},
    {glColorPointerCmd, "glColorPointer"}, {glCopyTexImage1DCmd, "glCopyTexImage1D"},
    {glCopyTexImage2DCmd, "glCopyTexImage2D"}, {glCopyTexSubImage1DCmd, "glCopyTexSubImage1D"},
    {glCopyTexSubImage2DCmd, "glCopyTexSubImage2D"}, {glDeleteTexturesCmd, "glDeleteTextures"},
    {glDisableClientStateCmd, "glDisableClientState"}, {glDrawArraysCmd, "glDrawArrays"},
    {glDrawElementsCmd, "glDrawElements"}, {glDrawPixelsCmd, "glDrawPixels"},
    {glEdgeFlagPointerCmd, "glEdgeFlagPointer"}, {glEnableClientStateCmd, "glEnableClientState"},
    {glFeedbackBufferCmd, "glFeedbackBuffer"}, {glGenTexturesCmd, "glGenTextures"},
    {glIndexPointerCmd, "glIndexPointer"}, {glInterleavedArraysCmd, "glInterleavedArrays"},
    {glIsTextureCmd, "glIsTexture"}, {glNormalPointerCmd, "glNormalPointer"}, {glPixelMapCmd, "glPixelMap"},
    {glPixelStoreCmd, "glPixelStore"}, {glPixelTransferCmd, "glPixelTransfer"}, {glPixelZoomCmd, "glPixelZoom"},
    {glPolygonStippleCmd, "glPolygonStipple"}, {glPrioritizeTexturesCmd, "glPrioritizeTextures"},
    {glReadBufferCmd, "glReadBuffer"}, {glReadPixelsCmd, "glReadPixels"}, {glSelectBufferCmd, "glSelectBuffer"},
    {glTexCoordPointerCmd, "glTexCoordPointer"}, {glTexEnvCmd, "glTexEnv"}, {glTexGenCmd, "glTexGen"},
    {glTexImage1DCmd, "glTexImage1D"}, {glTexImage2DCmd, "glTexImage2D"}, {glTexParameterCmd, "glTexParameter"},
    {glTexSubImage1DCmd, "glTexSubImage1D"}, {glTexSubImage2DCmd, "glTexSubImage2D"},
    {glVertexPointerCmd, "glVertexPointer"},
    {NULL, NULL},
};
