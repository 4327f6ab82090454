/*
 * glu_commands.cpp --
 *
 *	GLU commands: quadrics, NURBS renderers and tessellators held as data
 *	items of the selected surface, mipmaps, image scaling and the
 *	projection helpers. Control-point and image arguments are fetched
 *	long enough for everything GLU reads from them.
 */
#include <GL/gl.h>
#include <GL/glu.h>

#include "gl/gl_binding.h"
#include "gl/gl_enums.h"
#include "core/package.h"
#include "core/rounding.h"

typedef void (*GluCallback)();

#define GLU_OBJECT(var, kind, word, message) \
    kind *var = (kind *)glItemData(argv[word], object##kind, 1); \
    if (var == NULL) return c.fail(message)

static const uint32_t objectGLUquadric = GLTYPE_QUADRIC;
static const uint32_t objectGLUnurbs = GLTYPE_NURBS;
static const uint32_t objectGLUtesselator = GLTYPE_TESS;

#define QUADRIC(var) GLU_OBJECT(var, GLUquadric, 1, "Invalid quadric object id")
#define NURBS(var) GLU_OBJECT(var, GLUnurbs, 1, "Invalid nurbs object id")
#define TESS(var) GLU_OBJECT(var, GLUtesselator, 1, "Invalid tess object id")

#define NURBS_STEP(name) \
    GL_COMMAND(name) { GL_ARGC(2); NURBS(nurbs); name(nurbs); return c.ok(); }
NURBS_STEP(gluBeginCurve)
NURBS_STEP(gluEndCurve)
NURBS_STEP(gluBeginSurface)
NURBS_STEP(gluEndSurface)
NURBS_STEP(gluBeginTrim)
NURBS_STEP(gluEndTrim)

GL_COMMAND(gluBeginPolygon)
{
    GL_ARGC(2);
    GLU_OBJECT(tess, GLUtesselator, 1, "Invalid polygon object id");
    gluBeginPolygon(tess);
    return c.ok();
}
#define TESS_STEP(name) \
    GL_COMMAND(name) { GL_ARGC(2); TESS(tess); name(tess); return c.ok(); }
TESS_STEP(gluEndPolygon)
TESS_STEP(gluTessBeginContour)
TESS_STEP(gluTessEndContour)
TESS_STEP(gluTessEndPolygon)

/* Scripts have no polygon data to give the tessellator's callbacks. */
static int polygonData;
GL_COMMAND(gluTessBeginPolygon) { GL_ARGC(2); TESS(tess); gluTessBeginPolygon(tess, &polygonData); return c.ok(); }

/* Pixel block of a mipmap image: as many components per pixel as the
 * larger of the word and the format, so GLU never reads past it. */
static int mipmapComponents(int components, int32_t format)
{
    int f = glFormatComponents(format);
    return components > f ? components : f;
}

GL_COMMAND(gluBuild1DMipmaps)
{
    GL_ARGC(7);
    int32_t target = c.e(gluMipmap1DTarget, 1), format = c.e(glTextureFormats, 4), type = c.e(glPixelTypes, 5);
    GL_ENUMS(target, format, type);
    int components = c.i(2), width = c.i(3);
    if (components < 1 || components > 4) return c.fail("Invalid components");
    void *data = c.pixels(6, type, (int64_t)width * mipmapComponents(components, format), 1);
    if (data == NULL) return c.fail("Error in parsing pixel values.");
    gluBuild1DMipmaps(target, components, width, format, type, data);
    return c.ok();
}
GL_COMMAND(gluBuild2DMipmaps)
{
    GL_ARGC(8);
    int32_t target = c.e(gluMipmap2DTarget, 1), format = c.e(glTextureFormats, 5), type = c.e(glPixelTypes, 6);
    GL_ENUMS(target, format, type);
    int components = c.i(2), width = c.i(3), height = c.i(4);
    if (components < 1 || components > 4) return c.fail("Invalid components");
    void *data = c.pixels(7, type, (int64_t)width * mipmapComponents(components, format), height);
    if (data == NULL) return c.fail("Error in parsing pixel values.");
    gluBuild2DMipmaps(target, components, width, height, format, type, data);
    return c.ok();
}

GL_COMMAND(gluCylinder) { GL_ARGC(7); QUADRIC(q); gluCylinder(q, c.d(2), c.d(3), c.d(4), c.i(5), c.i(6)); return c.ok(); }
GL_COMMAND(gluDisk) { GL_ARGC(6); QUADRIC(q); gluDisk(q, c.d(2), c.d(3), c.i(4), c.i(5)); return c.ok(); }
GL_COMMAND(gluPartialDisk)
{
    GL_ARGC(8);
    QUADRIC(q);
    gluPartialDisk(q, c.d(2), c.d(3), c.i(4), c.i(5), c.d(6), c.d(7));
    return c.ok();
}
GL_COMMAND(gluSphere) { GL_ARGC(5); QUADRIC(q); gluSphere(q, c.d(2), c.i(3), c.i(4)); return c.ok(); }

GL_COMMAND(gluDeleteQuadric) { GL_ARGC(2); glItemDelete(argv[1], GLTYPE_QUADRIC); return c.ok(); }
GL_COMMAND(gluDeleteNurbsRenderer) { GL_ARGC(2); glItemDelete(argv[1], GLTYPE_NURBS); return c.ok(); }
GL_COMMAND(gluDeleteTess) { GL_ARGC(2); glItemDelete(argv[1], GLTYPE_TESS); return c.ok(); }

static int newObject(GlCall &c, uint32_t type)
{
    if (c.argc != 1) return c.syntax();
    const char *name = gluObjectNew(type);
    if (name == NULL) {
        Tcl_ResetResult(c.interp);
        return TCL_ERROR;
    }
    return c.okText(name);
}
GL_COMMAND(gluNewQuadric) { GlCall c(interp, argc, argv); return newObject(c, GLTYPE_QUADRIC); }
GL_COMMAND(gluNewNurbsRenderer) { GlCall c(interp, argc, argv); return newObject(c, GLTYPE_NURBS); }
GL_COMMAND(gluNewTess) { GlCall c(interp, argc, argv); return newObject(c, GLTYPE_TESS); }

/* The name of a value in a vocabulary, or its decimal number. */
static const char *tokenText(const GlEnumRow *vocabulary, int value)
{
    const char *name = glEnumName(vocabulary, value);
    return name != NULL ? name : fmt("%d", value);
}

GL_COMMAND(gluGetNurbsProperty)
{
    GL_ARGC(4);
    NURBS(nurbs);
    int32_t p = c.e(gluNurbsProperties, 2);
    GL_ENUMS(p);
    GLfloat value = 0;
    gluGetNurbsProperty(nurbs, p, &value);
    if (p == GLU_SAMPLING_TOLERANCE || p == GLU_PARAMETRIC_TOLERANCE || p == GLU_U_STEP || p == GLU_V_STEP) {
        setVarFromGLArray(interp, argv[3], GL_FLOAT, &value, 1, 1);
    } else {
        Tcl_SetVar(interp, argv[3], tokenText(gluNurbsValues, clampToInt(value)), 0);
    }
    return c.ok();
}
GL_COMMAND(gluGetTessProperty)
{
    GL_ARGC(4);
    TESS(tess);
    int32_t p = c.e(gluTessProperties, 2);
    GL_ENUMS(p);
    GLdouble value = 0;
    gluGetTessProperty(tess, p, &value);
    if (p == GLU_TESS_TOLERANCE) {
        setVarFromGLArray(interp, argv[3], GL_DOUBLE, &value, 1, 1);
    } else {
        Tcl_SetVar(interp, argv[3], tokenText(gluTessValues, clampToInt(value)), 0);
    }
    return c.ok();
}
GL_COMMAND(gluGetString)
{
    GL_ARGC(2);
    int32_t name = c.e(gluStringNames, 1);
    GL_ENUMS(name);
    return c.okText((const char *)gluGetString(name));
}
GL_COMMAND(gluLoadSamplingMatrices)
{
    GL_ARGC(5);
    NURBS(nurbs);
    GLfloat *model = c.floats(2, 16);
    GLfloat *perspective = model ? c.floats(3, 16) : NULL;
    GLint *view = perspective ? c.ints(4, 4) : NULL;
    if (view == NULL) return c.fail("Error in parse matrix or viewport");
    gluLoadSamplingMatrices(nurbs, model, perspective, view);
    return c.ok();
}
GL_COMMAND(gluLookAt)
{
    GL_ARGC(10);
    gluLookAt(c.d(1), c.d(2), c.d(3), c.d(4), c.d(5), c.d(6), c.d(7), c.d(8), c.d(9));
    return c.ok();
}
GL_COMMAND(gluNextContour)
{
    GL_ARGC(3);
    int32_t type = c.e(gluContourTypes, 2);
    GL_ENUMS(type);
    TESS(tess);
    gluNextContour(tess, type);
    return c.ok();
}
GL_COMMAND(gluNurbsCallback)
{
    GL_ARGC(4);
    NURBS(nurbs);
    int32_t which = c.e(gluNurbsCallbackKinds, 2);
    GL_ENUMS(which);
    gluNurbsCallback(nurbs, which, (GluCallback)gluErrorCallback);
    return c.ok();
}
GL_COMMAND(gluQuadricCallback)
{
    GL_ARGC(4);
    QUADRIC(q);
    int32_t which = c.e(gluQuadricCallbackKinds, 2);
    GL_ENUMS(which);
    gluQuadricCallback(q, which, (GluCallback)gluErrorCallback);
    return c.ok();
}

/* Values per control point of a curve type. */
static int curveComponents(int32_t type)
{
    switch (type) {
    case GLU_MAP1_TRIM_2: case GL_MAP1_TEXTURE_COORD_2: case GL_MAP2_TEXTURE_COORD_2: return 2;
    case GLU_MAP1_TRIM_3: case GL_MAP1_VERTEX_3: case GL_MAP1_NORMAL: case GL_MAP1_TEXTURE_COORD_3:
    case GL_MAP2_VERTEX_3: case GL_MAP2_NORMAL: case GL_MAP2_TEXTURE_COORD_3: return 3;
    case GL_MAP1_VERTEX_4: case GL_MAP1_COLOR_4: case GL_MAP1_TEXTURE_COORD_4:
    case GL_MAP2_VERTEX_4: case GL_MAP2_COLOR_4: case GL_MAP2_TEXTURE_COORD_4: return 4;
    default: return 1;
    }
}

/* Values GLU reads from n points of the given stride: at least the
 * count the words imply, and never fewer than it touches. */
static int64_t controlValues(int64_t n, int64_t stride, int components)
{
    if (n < 1 || stride < 0) return -1;
    int64_t touched = (n - 1) * stride + components;
    return n * stride > touched ? n * stride : touched;
}

GL_COMMAND(gluNurbsCurve)
{
    GL_ARGC(8);
    NURBS(nurbs);
    int32_t type = c.e(gluNurbsCurveTrimTypes, 7);
    if (type == -1) type = c.e(glMap1Targets, 7);
    GL_ENUMS(type);
    int nknots = c.i(2), stride = c.i(4), order = c.i(6);
    GLfloat *knots = c.floats(3, nknots);
    int64_t n = controlValues((int64_t)nknots - order, stride, curveComponents(type));
    GLfloat *control = knots && n > 0 ? c.floats(5, n) : NULL;
    if (control == NULL) return c.fail("Error in parse knot or ctlarray");
    gluNurbsCurve(nurbs, nknots, knots, stride, control, order, type);
    return c.ok();
}
GL_COMMAND(gluNurbsSurface)
{
    GL_ARGC(12);
    NURBS(nurbs);
    int32_t type = c.e(glMap2Targets, 11);
    GL_ENUMS(type);
    int sCount = c.i(2), tCount = c.i(4), sStride = c.i(6), tStride = c.i(7), sOrder = c.i(9), tOrder = c.i(10);
    GLfloat *sKnots = c.floats(3, sCount);
    GLfloat *tKnots = sKnots ? c.floats(5, tCount) : NULL;
    int64_t sn = (int64_t)sCount - sOrder, tn = (int64_t)tCount - tOrder;
    int64_t n = -1;
    if (sn >= 1 && tn >= 1 && sStride >= 0 && tStride >= 0) {
        int64_t touched = (sn - 1) * sStride + (tn - 1) * tStride + curveComponents(type);
        n = sn * tn * tStride;
        n = n > touched ? n : touched;
    }
    GLfloat *control = tKnots && n > 0 ? c.floats(8, n) : NULL;
    if (control == NULL) return c.fail("Error in parsing sknots, tknots or ctlarray");
    gluNurbsSurface(nurbs, sCount, sKnots, tCount, tKnots, sStride, tStride, control, sOrder, tOrder, type);
    return c.ok();
}
GL_COMMAND(gluNurbsProperty)
{
    GL_ARGC(4);
    NURBS(nurbs);
    int32_t p = c.e(gluNurbsProperties, 2);
    GL_ENUMS(p);
    int32_t named = c.e(gluNurbsValues, 3);
    gluNurbsProperty(nurbs, p, named != -1 ? (GLfloat)named : c.f(3));
    return c.ok();
}
GL_COMMAND(gluPwlCurve)
{
    GL_ARGC(6);
    int32_t type = c.e(gluPwlCurveTrimTypes, 5);
    GL_ENUMS(type);
    NURBS(nurbs);
    int count = c.i(2), stride = c.i(4);
    int64_t n = controlValues(count, stride, curveComponents(type));
    GLfloat *array = n > 0 ? c.floats(3, n) : NULL;
    if (array == NULL) return c.fail("Error in parse array");
    gluPwlCurve(nurbs, count, array, stride, type);
    return c.ok();
}
GL_COMMAND(gluQuadricDrawStyle)
{
    GL_ARGC(3);
    QUADRIC(q);
    int32_t v = c.e(gluQuadricDrawStyles, 2);
    GL_ENUMS(v);
    gluQuadricDrawStyle(q, v);
    return c.ok();
}
GL_COMMAND(gluQuadricNormals)
{
    GL_ARGC(3);
    QUADRIC(q);
    int32_t v = c.e(gluQuadricNormalKinds, 2);
    GL_ENUMS(v);
    gluQuadricNormals(q, v);
    return c.ok();
}
GL_COMMAND(gluQuadricOrientation)
{
    GL_ARGC(3);
    QUADRIC(q);
    int32_t v = c.e(gluQuadricOrientations, 2);
    GL_ENUMS(v);
    gluQuadricOrientation(q, v);
    return c.ok();
}
GL_COMMAND(gluQuadricTexture)
{
    GL_ARGC(3);
    QUADRIC(q);
    int32_t v = c.e(gluQuadricTextureFlags, 2);
    GL_ENUMS(v);
    gluQuadricTexture(q, (GLboolean)v);
    return c.ok();
}
GL_COMMAND(gluOrtho2D) { GL_ARGC(5); gluOrtho2D(c.d(1), c.d(2), c.d(3), c.d(4)); return c.ok(); }
GL_COMMAND(gluPerspective) { GL_ARGC(5); gluPerspective(c.d(1), c.d(2), c.d(3), c.d(4)); return c.ok(); }
GL_COMMAND(gluPickMatrix)
{
    GL_ARGC(6);
    GLint *viewport = c.ints(5, 4);
    if (viewport == NULL) return c.fail("Error in parsing viewport");
    gluPickMatrix(c.d(1), c.d(2), c.d(3), c.d(4), viewport);
    return c.ok();
}

/* gluProject and gluUnProject: matrices and viewport first, messages in
 * the result; the three outputs set only when GLU succeeds. */
static int projectCommand(GlCall &c, bool inverse)
{
    if (c.argc != 10) return c.syntax();
    GLdouble *model = c.doubles(4, 16);
    if (model == NULL) return c.failResult("Error in parsing modelMatrix");
    GLdouble *projection = c.doubles(5, 16);
    if (projection == NULL) return c.failResult("Error in parsing projMatrix");
    GLint *viewport = c.ints(6, 4);
    if (viewport == NULL) return c.failResult("Error in parsing viewport");
    GLdouble x, y, z;
    GLint done = inverse ? gluUnProject(c.d(1), c.d(2), c.d(3), model, projection, viewport, &x, &y, &z)
                         : gluProject(c.d(1), c.d(2), c.d(3), model, projection, viewport, &x, &y, &z);
    if (done) {
        Tcl_SetVar(c.interp, c.argv[7], fmt("%f", x), 0);
        Tcl_SetVar(c.interp, c.argv[8], fmt("%f", y), 0);
        Tcl_SetVar(c.interp, c.argv[9], fmt("%f", z), 0);
    }
    return c.okText(done ? "1" : "0");
}
GL_COMMAND(gluProject) { GlCall c(interp, argc, argv); return projectCommand(c, false); }
GL_COMMAND(gluUnProject) { GlCall c(interp, argc, argv); return projectCommand(c, true); }

GL_COMMAND(gluScaleImage)
{
    GL_ARGC(10);
    int32_t format = c.e(glPixelFormats, 1), typeIn = c.e(glPixelTypes, 4), typeOut = c.e(glPixelTypes, 8);
    GL_ENUMS(format, typeIn, typeOut);
    int components = glFormatComponents(format);
    int widthIn = c.i(2), heightIn = c.i(3), widthOut = c.i(6), heightOut = c.i(7);
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    /* GLU reads and writes whole aligned rows. */
    auto needed = [&](int32_t type, int64_t w, int64_t h, int alignment) -> int64_t {
        uint32_t element;
        int64_t layout;
        if (w < 0 || h < 0 || !glPixelLayout(type, w * components, h, alignment, &element, &layout)) return -1;
        return layout > w * h * components ? layout : w * h * components;
    };
    int64_t nIn = needed(typeIn, widthIn, heightIn, glUnpackAlignment());
    void *dataIn = nIn < 0 ? NULL : glItemData(argv[5], (uint32_t)typeIn, nIn);
    if (dataIn == NULL) return c.fail("Invalid datain");
    int64_t nOut = needed(typeOut, widthOut, heightOut, packAlignment < 1 ? 1 : packAlignment);
    void *dataOut = nOut < 0 ? NULL : glItemData(argv[9], (uint32_t)typeOut, nOut);
    if (dataOut == NULL) return c.fail("Invalid dataout");
    if (gluScaleImage(format, widthIn, heightIn, typeIn, dataIn, widthOut, heightOut, typeOut, dataOut) != 0) {
        c.release();
        Tcl_ResetResult(interp);
        return TCL_ERROR;
    }
    return c.ok();
}
GL_COMMAND(gluTessNormal) { GL_ARGC(5); TESS(tess); gluTessNormal(tess, c.d(2), c.d(3), c.d(4)); return c.ok(); }
GL_COMMAND(gluTessProperty)
{
    GL_ARGC(4);
    TESS(tess);
    int32_t which = c.e(gluTessProperties, 2);
    GL_ENUMS(which);
    int32_t named = c.e(gluTessValues, 3);
    double value = named != -1 ? named : c.d(3);
    if (which == GLU_TESS_WINDING_RULE && (value == 0 || value == 1)) {
        return c.fail("Invalid value for GLU_TESS_WINDING_RULE");
    }
    if (which == GLU_TESS_BOUNDARY_ONLY && value != 0 && value != 1) {
        return c.fail("Invalid value for GLU_TESS_BOUNDARY_ONLY");
    }
    gluTessProperty(tess, which, value);
    return c.ok();
}

const GlCommandRow gluCommands[] = {
    {gluBeginCurveCmd, "gluBeginCurve"}, {gluEndCurveCmd, "gluEndCurve"},
    {gluBeginSurfaceCmd, "gluBeginSurface"}, {gluEndSurfaceCmd, "gluEndSurface"},
    {gluBeginTrimCmd, "gluBeginTrim"}, {gluEndTrimCmd, "gluEndTrim"},
    {gluBeginPolygonCmd, "gluBeginPolygon"}, {gluEndPolygonCmd, "gluEndPolygon"},
    {gluTessBeginContourCmd, "gluTessBeginContour"}, {gluTessEndContourCmd, "gluTessEndContour"},
    {gluTessEndPolygonCmd, "gluTessEndPolygon"}, {gluTessBeginPolygonCmd, "gluTessBeginPolygon"},
    {gluBuild1DMipmapsCmd, "gluBuild1DMipmaps"}, {gluBuild2DMipmapsCmd, "gluBuild2DMipmaps"},
    {gluCylinderCmd, "gluCylinder"}, {gluDiskCmd, "gluDisk"}, {gluPartialDiskCmd, "gluPartialDisk"},
    {gluSphereCmd, "gluSphere"}, {gluDeleteQuadricCmd, "gluDeleteQuadric"},
    {gluDeleteNurbsRendererCmd, "gluDeleteNurbsRenderer"}, {gluDeleteTessCmd, "gluDeleteTess"},
    {gluNewQuadricCmd, "gluNewQuadric"}, {gluNewNurbsRendererCmd, "gluNewNurbsRenderer"},
    {gluNewTessCmd, "gluNewTess"}, {gluGetNurbsPropertyCmd, "gluGetNurbsProperty"},
    {gluGetTessPropertyCmd, "gluGetTessProperty"}, {gluGetStringCmd, "gluGetString"},
    {gluLoadSamplingMatricesCmd, "gluLoadSamplingMatrices"}, {gluLookAtCmd, "gluLookAt"},
    {gluNextContourCmd, "gluNextContour"}, {gluNurbsCallbackCmd, "gluNurbsCallback"},
    {gluQuadricCallbackCmd, "gluQuadricCallback"}, {gluNurbsCurveCmd, "gluNurbsCurve"},
    {gluNurbsSurfaceCmd, "gluNurbsSurface"}, {gluNurbsPropertyCmd, "gluNurbsProperty"},
    {gluPwlCurveCmd, "gluPwlCurve"}, {gluQuadricDrawStyleCmd, "gluQuadricDrawStyle"},
    {gluQuadricNormalsCmd, "gluQuadricNormals"}, {gluQuadricOrientationCmd, "gluQuadricOrientation"},
    {gluQuadricTextureCmd, "gluQuadricTexture"}, {gluOrtho2DCmd, "gluOrtho2D"},
    {gluPerspectiveCmd, "gluPerspective"}, {gluPickMatrixCmd, "gluPickMatrix"}, {gluProjectCmd, "gluProject"},
    {gluUnProjectCmd, "gluUnProject"}, {gluScaleImageCmd, "gluScaleImage"}, {gluTessNormalCmd, "gluTessNormal"},
    {gluTessPropertyCmd, "gluTessProperty"},
    {NULL, NULL},
};
