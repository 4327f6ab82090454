/*
 * gl_commands.cpp --
 *
 *	OpenGL commands of drawing state, primitives, matrices, lights,
 *	evaluators and display lists: one Tcl command per GL function family,
 *	words read in the order of the GL function's parameters.
 */
#include <GL/gl.h>

#include "gl/gl_binding.h"
#include "gl/gl_enums.h"

GL_COMMAND(glAccum) { GL_ARGC(3); int32_t op = c.e(glAccumOps, 1); GL_ENUMS(op); glAccum(op, c.f(2)); return c.ok(); }
GL_COMMAND(glAlphaFunc) { GL_ARGC(3); int32_t f = c.e(glCompareFuncs, 1); GL_ENUMS(f); glAlphaFunc(f, c.f(2)); return c.ok(); }
GL_COMMAND(glArrayElement) { GL_ARGC(2); glArrayElement(c.i(1)); return c.ok(); }
GL_COMMAND(glBegin) { GL_ARGC(2); int32_t m = c.e(glBeginModes, 1); GL_ENUMS(m); glBegin(m); return c.ok(); }
GL_COMMAND(glBindTexture) { GL_ARGC(3); int32_t t = c.e(glTextureTargets, 1); GL_ENUMS(t); glBindTexture(t, c.i(2)); return c.ok(); }
GL_COMMAND(glBlendFunc)
{
    GL_ARGC(3);
    int32_t s = c.e(glBlendSrcFactors, 1), d = c.e(glBlendDstFactors, 2);
    GL_ENUMS(s, d);
    glBlendFunc(s, d);
    return c.ok();
}
GL_COMMAND(glCallList) { GL_ARGC(2); glCallList(c.i(1)); return c.ok(); }
GL_COMMAND(glCallLists)
{
    GL_ARGC(4);
    int n = c.i(1);
    int32_t type = c.e(glCallListTypes, 2);
    uint32_t itemType = type == GL_BYTE ? GLTYPE_BYTE : type == GL_UNSIGNED_BYTE ? GLTYPE_UBYTE
                      : type == GL_SHORT ? GLTYPE_SHORT : type == GL_UNSIGNED_SHORT ? GLTYPE_USHORT
                      : type == GL_UNSIGNED_INT ? GLTYPE_UINT : type == GL_FLOAT ? GLTYPE_FLOAT
                      : (uint32_t)type;
    void *lists = type == -1 ? NULL : c.array(3, itemType, n);
    if (lists == NULL) return c.syntax();
    glCallLists(n, type, lists);
    return c.ok();
}
GL_COMMAND(glClear)
{
    GlCall c(interp, argc, argv);
    if (argc < 2) return c.syntax();
    GLbitfield mask = 0;
    for (int k = 1; k < argc; k++) {
        int32_t bit = c.e(glClearBits, k);
        if (bit == -1) return c.badEnum();
        mask |= (GLbitfield)bit;
    }
    glClear(mask);
    return c.ok();
}
GL_COMMAND(glClearAccum) { GL_ARGC(5); glClearAccum(c.f(1), c.f(2), c.f(3), c.f(4)); return c.ok(); }
GL_COMMAND(glClearColor) { GL_ARGC(5); glClearColor(c.f(1), c.f(2), c.f(3), c.f(4)); return c.ok(); }
GL_COMMAND(glClearDepth) { GL_ARGC(2); glClearDepth(c.d(1)); return c.ok(); }
GL_COMMAND(glClearIndex) { GL_ARGC(2); glClearIndex(c.f(1)); return c.ok(); }
GL_COMMAND(glClearStencil) { GL_ARGC(2); glClearStencil(c.i(1)); return c.ok(); }
GL_COMMAND(glClipPlane)
{
    GL_ARGC(3);
    int32_t plane = c.e(glClipPlanes, 1);
    GL_ENUMS(plane);
    GLdouble *equation = c.doubles(2, 4);
    if (equation == NULL) return c.syntax();
    glClipPlane(plane, equation);
    return c.ok();
}
GL_COMMAND(glColor)
{
    GlCall c(interp, argc, argv);
    if (argc == 4) glColor3f(c.f(1), c.f(2), c.f(3));
    else if (argc == 5) glColor4f(c.f(1), c.f(2), c.f(3), c.f(4));
    else return c.syntax();
    return c.ok();
}
GL_COMMAND(glColorMask) { GL_ARGC(5); glColorMask(c.i(1), c.i(2), c.i(3), c.i(4)); return c.ok(); }
GL_COMMAND(glColorMaterial)
{
    GL_ARGC(3);
    int32_t face = c.e(glFaces, 1), mode = c.e(glColorMaterialParams, 2);
    GL_ENUMS(face, mode);
    glColorMaterial(face, mode);
    return c.ok();
}
GL_COMMAND(glCopyPixels)
{
    GL_ARGC(6);
    int32_t type = c.e(glCopyTypes, 5);
    GL_ENUMS(type);
    glCopyPixels(c.i(1), c.i(2), c.i(3), c.i(4), type);
    return c.ok();
}
GL_COMMAND(glCullFace) { GL_ARGC(2); int32_t m = c.e(glCullFaces, 1); GL_ENUMS(m); glCullFace(m); return c.ok(); }
GL_COMMAND(glDeleteLists) { GL_ARGC(3); glDeleteLists(c.i(1), c.i(2)); return c.ok(); }
GL_COMMAND(glDepthFunc) { GL_ARGC(2); int32_t f = c.e(glCompareFuncs, 1); GL_ENUMS(f); glDepthFunc(f); return c.ok(); }
GL_COMMAND(glDepthMask) { GL_ARGC(2); int32_t f = c.e(glBooleans, 1); GL_ENUMS(f); glDepthMask((GLboolean)f); return c.ok(); }
/* Both ends are read as integers. */
GL_COMMAND(glDepthRange) { GL_ARGC(3); glDepthRange(c.i(1), c.i(2)); return c.ok(); }
GL_COMMAND(glDisable) { GL_ARGC(2); int32_t cap = c.e(glCapabilities, 1); GL_ENUMS(cap); glDisable(cap); return c.ok(); }
GL_COMMAND(glDrawBuffer) { GL_ARGC(2); int32_t m = c.e(glDrawBuffers, 1); GL_ENUMS(m); glDrawBuffer(m); return c.ok(); }
GL_COMMAND(glEdgeFlag) { GL_ARGC(2); glEdgeFlag((GLboolean)c.i(1)); return c.ok(); }
GL_COMMAND(glEnable) { GL_ARGC(2); int32_t cap = c.e(glCapabilities, 1); GL_ENUMS(cap); glEnable(cap); return c.ok(); }
GL_COMMAND(glEnd) { GL_ARGC(1); glEnd(); return c.ok(); }
GL_COMMAND(glEndList) { GL_ARGC(1); glEndList(); return c.ok(); }
GL_COMMAND(glEvalCoord1) { GL_ARGC(2); glEvalCoord1d(c.d(1)); return c.ok(); }
GL_COMMAND(glEvalCoord2) { GL_ARGC(3); glEvalCoord2d(c.d(1), c.d(2)); return c.ok(); }
GL_COMMAND(glEvalMesh1)
{
    GL_ARGC(4);
    int32_t m = c.e(glMesh1Modes, 1);
    GL_ENUMS(m);
    glEvalMesh1(m, c.i(2), c.i(3));
    return c.ok();
}
GL_COMMAND(glEvalMesh2)
{
    GL_ARGC(6);
    int32_t m = c.e(glMesh2Modes, 1);
    GL_ENUMS(m);
    glEvalMesh2(m, c.i(2), c.i(3), c.i(4), c.i(5));
    return c.ok();
}
GL_COMMAND(glEvalPoint1) { GL_ARGC(2); glEvalPoint1(c.i(1)); return c.ok(); }
GL_COMMAND(glEvalPoint2) { GL_ARGC(3); glEvalPoint2(c.i(1), c.i(2)); return c.ok(); }
GL_COMMAND(glFinish) { GL_ARGC(1); glFinish(); return c.ok(); }
GL_COMMAND(glFlush) { GL_ARGC(1); glFlush(); return c.ok(); }
GL_COMMAND(glFog)
{
    GL_ARGC(3);
    int32_t p = c.e(glFogParams, 1);
    GL_ENUMS(p);
    GLfloat *params = c.floats(2, p == GL_FOG_COLOR ? 4 : 1);
    if (params == NULL) return c.syntax();
    glFogfv(p, params);
    return c.ok();
}
GL_COMMAND(glFrontFace) { GL_ARGC(2); int32_t m = c.e(glFrontFaces, 1); GL_ENUMS(m); glFrontFace(m); return c.ok(); }
GL_COMMAND(glFrustum) { GL_ARGC(7); glFrustum(c.d(1), c.d(2), c.d(3), c.d(4), c.d(5), c.d(6)); return c.ok(); }
GL_COMMAND(glGenLists) { GL_ARGC(2); return c.okInt(glGenLists(c.i(1))); }
GL_COMMAND(glHint)
{
    GL_ARGC(3);
    int32_t t = c.e(glHintTargets, 1), m = c.e(glHintModes, 2);
    GL_ENUMS(t, m);
    glHint(t, m);
    return c.ok();
}
GL_COMMAND(glIndex) { GL_ARGC(2); glIndexd(c.d(1)); return c.ok(); }
GL_COMMAND(glIndexMask) { GL_ARGC(2); glIndexMask(c.i(1)); return c.ok(); }
GL_COMMAND(glInitNames) { GL_ARGC(1); glInitNames(); return c.ok(); }
GL_COMMAND(glIsEnabled) { GL_ARGC(2); int32_t cap = c.e(glCapabilities, 1); GL_ENUMS(cap); return c.okInt(glIsEnabled(cap)); }
GL_COMMAND(glIsList) { GL_ARGC(2); return c.okInt(glIsList(c.i(1))); }
GL_COMMAND(glLight)
{
    GL_ARGC(4);
    int32_t light = c.e(glLights, 1), p = c.e(glLightParams, 2);
    GL_ENUMS(light, p);
    int n = p == GL_AMBIENT || p == GL_DIFFUSE || p == GL_SPECULAR || p == GL_POSITION ? 4
            : p == GL_SPOT_DIRECTION ? 3 : 1;
    GLfloat *params = c.floats(3, n);
    if (params == NULL) return c.syntax();
    glLightfv(light, p, params);
    return c.ok();
}
GL_COMMAND(glLightModel)
{
    GL_ARGC(3);
    int32_t p = c.e(glLightModelParams, 1);
    GL_ENUMS(p);
    GLfloat *params = c.floats(2, p == GL_LIGHT_MODEL_AMBIENT ? 4 : 1);
    if (params == NULL) return c.syntax();
    glLightModelfv(p, params);
    return c.ok();
}
GL_COMMAND(glLineStipple) { GL_ARGC(3); glLineStipple(c.i(1), (GLushort)c.i(2)); return c.ok(); }
GL_COMMAND(glLineWidth) { GL_ARGC(2); glLineWidth(c.f(1)); return c.ok(); }
GL_COMMAND(glListBase) { GL_ARGC(2); glListBase(c.i(1)); return c.ok(); }
GL_COMMAND(glLoadIdentity) { GL_ARGC(1); glLoadIdentity(); return c.ok(); }
GL_COMMAND(glLoadMatrix)
{
    GL_ARGC(2);
    GLdouble *m = c.doubles(1, 16);
    if (m == NULL) return c.syntax();
    glLoadMatrixd(m);
    return c.ok();
}
GL_COMMAND(glLoadName) { GL_ARGC(2); glLoadName(c.i(1)); return c.ok(); }
GL_COMMAND(glLogicOp) { GL_ARGC(2); int32_t op = c.e(glLogicOps, 1); GL_ENUMS(op); glLogicOp(op); return c.ok(); }

/* Values per control point of an evaluator target. */
static int targetComponents(int32_t target)
{
    switch (target) {
    case GL_MAP1_VERTEX_3: case GL_MAP2_VERTEX_3: case GL_MAP1_NORMAL: case GL_MAP2_NORMAL:
    case GL_MAP1_TEXTURE_COORD_3: case GL_MAP2_TEXTURE_COORD_3: return 3;
    case GL_MAP1_VERTEX_4: case GL_MAP2_VERTEX_4: case GL_MAP1_COLOR_4: case GL_MAP2_COLOR_4:
    case GL_MAP1_TEXTURE_COORD_4: case GL_MAP2_TEXTURE_COORD_4: return 4;
    case GL_MAP1_TEXTURE_COORD_2: case GL_MAP2_TEXTURE_COORD_2: return 2;
    default: return 1;
    }
}

GL_COMMAND(glMap1)
{
    GL_ARGC(7);
    int32_t target = c.e(glMap1Targets, 1);
    GL_ENUMS(target);
    int u1 = c.i(2), u2 = c.i(3), stride = c.i(4), order = c.i(5);
    /* GL reads (order - 1) * stride + k values; a shorter list could not
     * cover them. */
    int64_t n = (int64_t)stride * order;
    int64_t read = order < 1 ? 0 : (int64_t)(order - 1) * stride + targetComponents(target);
    if (read > n) n = read;
    GLdouble *points = stride < 0 || order < 1 ? NULL : c.doubles(6, n);
    if (points == NULL) return c.fail("Error in parsing control points");
    glMap1d(target, u1, u2, stride, order, points);
    return c.ok();
}

GL_COMMAND(glMap2)
{
    GL_ARGC(11);
    int32_t target = c.e(glMap2Targets, 1);
    GL_ENUMS(target);
    int u1 = c.i(2), u2 = c.i(3), ustride = c.i(4), uorder = c.i(5);
    int v1 = c.i(6), v2 = c.i(7), vstride = c.i(8), vorder = c.i(9);
    /* Exactly what the evaluator reads, whichever dimension is outer. */
    int64_t n = -1;
    if (ustride >= 0 && vstride >= 0 && uorder >= 1 && vorder >= 1) {
        n = (int64_t)(uorder - 1) * ustride + (int64_t)(vorder - 1) * vstride + targetComponents(target);
    }
    GLdouble *points = n < 1 ? NULL : c.doubles(10, n);
    if (points == NULL) return c.fail("Error in parsing control points");
    glMap2d(target, u1, u2, ustride, uorder, v1, v2, vstride, vorder, points);
    return c.ok();
}

GL_COMMAND(glMapGrid1) { GL_ARGC(4); glMapGrid1d(c.i(1), c.d(2), c.d(3)); return c.ok(); }
GL_COMMAND(glMapGrid2) { GL_ARGC(7); glMapGrid2d(c.i(1), c.d(2), c.d(3), c.i(4), c.d(5), c.d(6)); return c.ok(); }
GL_COMMAND(glMaterial)
{
    GL_ARGC(4);
    int32_t face = c.e(glFaces, 1), p = c.e(glMaterialParams, 2);
    GL_ENUMS(face, p);
    GLfloat *params = c.floats(3, p == GL_SHININESS ? 1 : p == GL_COLOR_INDEXES ? 3 : 4);
    if (params == NULL) return c.syntax();
    glMaterialfv(face, p, params);
    return c.ok();
}
GL_COMMAND(glMatrixMode) { GL_ARGC(2); int32_t m = c.e(glMatrixModes, 1); GL_ENUMS(m); glMatrixMode(m); return c.ok(); }
GL_COMMAND(glMultMatrix)
{
    GL_ARGC(2);
    GLdouble *m = c.doubles(1, 16);
    if (m == NULL) return c.syntax();
    glMultMatrixd(m);
    return c.ok();
}
GL_COMMAND(glNewList) { GL_ARGC(3); int32_t m = c.e(glListModes, 2); GL_ENUMS(m); glNewList(c.i(1), m); return c.ok(); }
GL_COMMAND(glNormal) { GL_ARGC(4); glNormal3d(c.d(1), c.d(2), c.d(3)); return c.ok(); }
GL_COMMAND(glOrtho) { GL_ARGC(7); glOrtho(c.d(1), c.d(2), c.d(3), c.d(4), c.d(5), c.d(6)); return c.ok(); }
GL_COMMAND(glPassThrough) { GL_ARGC(2); glPassThrough(c.f(1)); return c.ok(); }
GL_COMMAND(glPointSize) { GL_ARGC(2); glPointSize(c.f(1)); return c.ok(); }
GL_COMMAND(glPolygonMode)
{
    GL_ARGC(3);
    int32_t face = c.e(glFaces, 1), m = c.e(glPolygonModes, 2);
    GL_ENUMS(face, m);
    glPolygonMode(face, m);
    return c.ok();
}
GL_COMMAND(glPopAttrib) { GL_ARGC(1); glPopAttrib(); return c.ok(); }
GL_COMMAND(glPopClientAttrib) { GL_ARGC(1); glPopClientAttrib(); return c.ok(); }
GL_COMMAND(glPopMatrix) { GL_ARGC(1); glPopMatrix(); return c.ok(); }
GL_COMMAND(glPopName) { GL_ARGC(1); glPopName(); return c.ok(); }
GL_COMMAND(glPushAttrib) { GL_ARGC(2); int32_t m = c.e(glAttribBits, 1); GL_ENUMS(m); glPushAttrib((GLbitfield)m); return c.ok(); }
/* A word outside the vocabulary reads as all bits, the value the lookup
 * answers for a missing name. */
GL_COMMAND(glPushClientAttrib) { GL_ARGC(2); glPushClientAttrib((GLbitfield)c.e(glClientAttribBits, 1)); return c.ok(); }
GL_COMMAND(glPushMatrix) { GL_ARGC(1); glPushMatrix(); return c.ok(); }
GL_COMMAND(glPushName) { GL_ARGC(2); glPushName(c.i(1)); return c.ok(); }
GL_COMMAND(glRasterPos)
{
    GlCall c(interp, argc, argv);
    if (argc == 3) glRasterPos2d(c.d(1), c.d(2));
    else if (argc == 4) glRasterPos3d(c.d(1), c.d(2), c.d(3));
    else if (argc == 5) glRasterPos4d(c.d(1), c.d(2), c.d(3), c.d(4));
    else return c.syntax();
    return c.ok();
}
GL_COMMAND(glRect) { GL_ARGC(5); glRectd(c.d(1), c.d(2), c.d(3), c.d(4)); return c.ok(); }
GL_COMMAND(glRenderMode) { GL_ARGC(2); int32_t m = c.e(glRenderModes, 1); GL_ENUMS(m); return c.okInt(glRenderMode(m)); }
GL_COMMAND(glRotate) { GL_ARGC(5); glRotatef(c.f(1), c.f(2), c.f(3), c.f(4)); return c.ok(); }
GL_COMMAND(glScale) { GL_ARGC(4); glScaled(c.d(1), c.d(2), c.d(3)); return c.ok(); }
GL_COMMAND(glScissor) { GL_ARGC(5); glScissor(c.i(1), c.i(2), c.i(3), c.i(4)); return c.ok(); }
GL_COMMAND(glShadeModel) { GL_ARGC(2); int32_t m = c.e(glShadeModels, 1); GL_ENUMS(m); glShadeModel(m); return c.ok(); }
GL_COMMAND(glStencilFunc)
{
    GL_ARGC(4);
    int32_t f = c.e(glCompareFuncs, 1);
    GL_ENUMS(f);
    glStencilFunc(f, c.i(2), (GLuint)c.i(3));
    return c.ok();
}
GL_COMMAND(glStencilMask) { GL_ARGC(2); glStencilMask((GLuint)c.i(1)); return c.ok(); }
GL_COMMAND(glStencilOp)
{
    GL_ARGC(4);
    int32_t f = c.e(glStencilOps, 1), zf = c.e(glStencilOps, 2), zp = c.e(glStencilOps, 3);
    GL_ENUMS(f, zf, zp);
    glStencilOp(f, zf, zp);
    return c.ok();
}
GL_COMMAND(glTexCoord)
{
    GlCall c(interp, argc, argv);
    if (argc == 3) glTexCoord2f(c.f(1), c.f(2));
    else if (argc == 4) glTexCoord3f(c.f(1), c.f(2), c.f(3));
    else if (argc == 5) glTexCoord4f(c.f(1), c.f(2), c.f(3), c.f(4));
    else return c.syntax();
    return c.ok();
}
GL_COMMAND(glTranslate) { GL_ARGC(4); glTranslated(c.d(1), c.d(2), c.d(3)); return c.ok(); }
GL_COMMAND(glVertex)
{
    GlCall c(interp, argc, argv);
    if (argc == 3) glVertex2f(c.f(1), c.f(2));
    else if (argc == 4) glVertex3f(c.f(1), c.f(2), c.f(3));
    else if (argc == 5) glVertex4f(c.f(1), c.f(2), c.f(3), c.f(4));
    else return c.syntax();
    return c.ok();
}

#define VERTEX_VECTOR(name, kind, n) \
    GL_COMMAND(name) \
    { \
        GL_ARGC(2); \
        auto *v = c.kind(1, n); \
        if (v == NULL) return c.fail("Error in parse vertex."); \
        name(v); \
        return c.ok(); \
    }
VERTEX_VECTOR(glVertex2fv, floats, 2)
VERTEX_VECTOR(glVertex3fv, floats, 3)
VERTEX_VECTOR(glVertex4fv, floats, 4)
VERTEX_VECTOR(glVertex2dv, doubles, 2)
VERTEX_VECTOR(glVertex3dv, doubles, 3)
VERTEX_VECTOR(glVertex4dv, doubles, 4)

GL_COMMAND(glViewport) { GL_ARGC(5); glViewport(c.i(1), c.i(2), c.i(3), c.i(4)); return c.ok(); }

const GlCommandRow glCoreCommands[] = {
    {glAccumCmd, "glAccum"}, {glAlphaFuncCmd, "glAlphaFunc"}, {glArrayElementCmd, "glArrayElement"},
    {glBeginCmd, "glBegin"}, {glBindTextureCmd, "glBindTexture"}, {glBlendFuncCmd, "glBlendFunc"},
    {glCallListCmd, "glCallList"}, {glCallListsCmd, "glCallLists"}, {glClearCmd, "glClear"},
    {glClearAccumCmd, "glClearAccum"}, {glClearColorCmd, "glClearColor"}, {glClearDepthCmd, "glClearDepth"},
    {glClearIndexCmd, "glClearIndex"}, {glClearStencilCmd, "glClearStencil"}, {glClipPlaneCmd, "glClipPlane"},
    {glColorCmd, "glColor"}, {glColorMaskCmd, "glColorMask"}, {glColorMaterialCmd, "glColorMaterial"},
    {glCopyPixelsCmd, "glCopyPixels"}, {glCullFaceCmd, "glCullFace"}, {glDeleteListsCmd, "glDeleteLists"},
    {glDepthFuncCmd, "glDepthFunc"}, {glDepthMaskCmd, "glDepthMask"}, {glDepthRangeCmd, "glDepthRange"},
    {glDisableCmd, "glDisable"}, {glDrawBufferCmd, "glDrawBuffer"}, {glEdgeFlagCmd, "glEdgeFlag"},
    {glEnableCmd, "glEnable"}, {glEndCmd, "glEnd"}, {glEndListCmd, "glEndList"},
    {glEvalCoord1Cmd, "glEvalCoord1"}, {glEvalCoord2Cmd, "glEvalCoord2"}, {glEvalMesh1Cmd, "glEvalMesh1"},
    {glEvalMesh2Cmd, "glEvalMesh2"}, {glEvalPoint1Cmd, "glEvalPoint1"}, {glEvalPoint2Cmd, "glEvalPoint2"},
    {glFinishCmd, "glFinish"}, {glFlushCmd, "glFlush"}, {glFogCmd, "glFog"}, {glFrontFaceCmd, "glFrontFace"},
    {glFrustumCmd, "glFrustum"}, {glGenListsCmd, "glGenLists"}, {glHintCmd, "glHint"}, {glIndexCmd, "glIndex"},
    {glIndexMaskCmd, "glIndexMask"}, {glInitNamesCmd, "glInitNames"}, {glIsEnabledCmd, "glIsEnabled"},
    {glIsListCmd, "glIsList"}, {glLightCmd, "glLight"}, {glLightModelCmd, "glLightModel"},
    {glLineStippleCmd, "glLineStipple"}, {glLineWidthCmd, "glLineWidth"}, {glListBaseCmd, "glListBase"},
    {glLoadIdentityCmd, "glLoadIdentity"}, {glLoadMatrixCmd, "glLoadMatrix"}, {glLoadNameCmd, "glLoadName"},
    {glLogicOpCmd, "glLogicOp"}, {glMap1Cmd, "glMap1"}, {glMap2Cmd, "glMap2"}, {glMapGrid1Cmd, "glMapGrid1"},
    {glMapGrid2Cmd, "glMapGrid2"}, {glMaterialCmd, "glMaterial"}, {glMatrixModeCmd, "glMatrixMode"},
    {glMultMatrixCmd, "glMultMatrix"}, {glNewListCmd, "glNewList"}, {glNormalCmd, "glNormal"},
    {glOrthoCmd, "glOrtho"}, {glPassThroughCmd, "glPassThrough"}, {glPointSizeCmd, "glPointSize"},
    {glPolygonModeCmd, "glPolygonMode"}, {glPopAttribCmd, "glPopAttrib"},
    {glPopClientAttribCmd, "glPopClientAttrib"}, {glPopMatrixCmd, "glPopMatrix"}, {glPopNameCmd, "glPopName"},
    {glPushAttribCmd, "glPushAttrib"}, {glPushClientAttribCmd, "glPushClientAttrib"},
    {glPushMatrixCmd, "glPushMatrix"}, {glPushNameCmd, "glPushName"}, {glRasterPosCmd, "glRasterPos"},
    {glRectCmd, "glRect"}, {glRenderModeCmd, "glRenderMode"}, {glRotateCmd, "glRotate"}, {glScaleCmd, "glScale"},
    {glScissorCmd, "glScissor"}, {glShadeModelCmd, "glShadeModel"}, {glStencilFuncCmd, "glStencilFunc"},
    {glStencilMaskCmd, "glStencilMask"}, {glStencilOpCmd, "glStencilOp"}, {glTexCoordCmd, "glTexCoord"},
    {glTranslateCmd, "glTranslate"}, {glVertexCmd, "glVertex"}, {glVertex2fvCmd, "glVertex2fv"},
    {glVertex3fvCmd, "glVertex3fv"}, {glVertex4fvCmd, "glVertex4fv"}, {glVertex2dvCmd, "glVertex2dv"},
    {glVertex3dvCmd, "glVertex3dv"}, {glVertex4dvCmd, "glVertex4dv"}, {glViewportCmd, "glViewport"},
    {NULL, NULL},
};
