/*
 * gl_enums.cpp --
 *
 *	The enumeration tables (see gl_enums.h).
 */
#include <GL/gl.h>
#include <GL/glu.h>

#include "gl/gl_enums.h"

#define T(name) {#name, (int32_t)(name)}

const GlEnumRow glCompareFuncs[] = {
    T(GL_ALWAYS),
    T(GL_EQUAL),
    T(GL_GEQUAL),
    T(GL_GREATER),
    T(GL_LEQUAL),
    T(GL_LESS),
    T(GL_NEVER),
    T(GL_NOTEQUAL),
    {NULL, -1},
};

const GlEnumRow glBlendSrcFactors[] = {
    T(GL_ZERO),
    T(GL_ONE),
    T(GL_DST_COLOR),
    T(GL_ONE_MINUS_DST_COLOR),
    T(GL_SRC_ALPHA),
    T(GL_ONE_MINUS_SRC_ALPHA),
    T(GL_DST_ALPHA),
    T(GL_ONE_MINUS_DST_ALPHA),
    T(GL_SRC_ALPHA_SATURATE),
    {NULL, -1},
};

const GlEnumRow glBlendDstFactors[] = {
    T(GL_ZERO),
    T(GL_ONE),
    T(GL_SRC_COLOR),
    T(GL_ONE_MINUS_SRC_COLOR),
    T(GL_SRC_ALPHA),
    T(GL_ONE_MINUS_SRC_ALPHA),
    T(GL_DST_ALPHA),
    T(GL_ONE_MINUS_DST_ALPHA),
    {NULL, -1},
};

const GlEnumRow glBooleans[] = {
    T(GL_TRUE),
    T(GL_FALSE),
    {NULL, -1},
};

const GlEnumRow glCullFaces[] = {
    T(GL_FRONT),
    T(GL_BACK),
    {NULL, -1},
};

const GlEnumRow glFaces[] = {
    T(GL_FRONT),
    T(GL_BACK),
    T(GL_FRONT_AND_BACK),
    {NULL, -1},
};

const GlEnumRow glDrawBuffers[] = {
    T(GL_NONE),
    T(GL_FRONT_LEFT),
    T(GL_FRONT_RIGHT),
    T(GL_BACK_LEFT),
    T(GL_BACK_RIGHT),
    T(GL_FRONT),
    T(GL_BACK),
    T(GL_LEFT),
    T(GL_RIGHT),
    T(GL_FRONT_AND_BACK),
    T(GL_AUX0),
    T(GL_AUX1),
    T(GL_AUX2),
    T(GL_AUX3),
    {NULL, -1},
};

const GlEnumRow glReadBuffers[] = {
    T(GL_FRONT_LEFT),
    T(GL_FRONT_RIGHT),
    T(GL_BACK_LEFT),
    T(GL_BACK_RIGHT),
    T(GL_FRONT),
    T(GL_BACK),
    T(GL_LEFT),
    T(GL_RIGHT),
    T(GL_FRONT_AND_BACK),
    T(GL_AUX0),
    T(GL_AUX1),
    T(GL_AUX2),
    T(GL_AUX3),
    {NULL, -1},
};

const GlEnumRow glFogParams[] = {
    T(GL_FOG_MODE),
    T(GL_FOG_DENSITY),
    T(GL_FOG_START),
    T(GL_FOG_END),
    T(GL_FOG_INDEX),
    T(GL_FOG_COLOR),
    {NULL, -1},
};

const GlEnumRow glFrontFaces[] = {
    T(GL_CW),
    T(GL_CCW),
    {NULL, -1},
};

const GlEnumRow glHintTargets[] = {
    T(GL_FOG_HINT),
    T(GL_LINE_SMOOTH_HINT),
    T(GL_PERSPECTIVE_CORRECTION_HINT),
    T(GL_POINT_SMOOTH_HINT),
    T(GL_POLYGON_SMOOTH_HINT),
    {NULL, -1},
};

const GlEnumRow glHintModes[] = {
    T(GL_FASTEST),
    T(GL_NICEST),
    T(GL_DONT_CARE),
    {NULL, -1},
};

const GlEnumRow glColorMaterialParams[] = {
    T(GL_EMISSION),
    T(GL_AMBIENT),
    T(GL_DIFFUSE),
    T(GL_SPECULAR),
    T(GL_AMBIENT_AND_DIFFUSE),
    {NULL, -1},
};

const GlEnumRow glTextureFormats[] = {
    T(GL_COLOR_INDEX),
    T(GL_RED),
    T(GL_GREEN),
    T(GL_BLUE),
    T(GL_ALPHA),
    T(GL_RGB),
    T(GL_RGBA),
    T(GL_LUMINANCE),
    T(GL_LUMINANCE_ALPHA),
    {NULL, -1},
};

const GlEnumRow glPixelFormats[] = {
    T(GL_COLOR_INDEX),
    T(GL_STENCIL_INDEX),
    T(GL_DEPTH_COMPONENT),
    T(GL_RED),
    T(GL_GREEN),
    T(GL_BLUE),
    T(GL_ALPHA),
    T(GL_RGB),
    T(GL_RGBA),
    T(GL_LUMINANCE),
    T(GL_LUMINANCE_ALPHA),
    {NULL, -1},
};

const GlEnumRow glPixelTypes[] = {
    T(GL_UNSIGNED_BYTE),
    T(GL_BYTE),
    T(GL_BITMAP),
    T(GL_UNSIGNED_SHORT),
    T(GL_SHORT),
    T(GL_UNSIGNED_INT),
    T(GL_INT),
    T(GL_FLOAT),
    {NULL, -1},
};

const GlEnumRow glLoadTypes[] = {
    T(GL_UNSIGNED_BYTE),
    T(GL_BYTE),
    T(GL_BITMAP),
    T(GL_UNSIGNED_SHORT),
    T(GL_SHORT),
    T(GL_UNSIGNED_INT),
    T(GL_INT),
    T(GL_FLOAT),
    {NULL, -1},
};

const GlEnumRow glInternalFormats[] = {
    T(GL_ALPHA),
    T(GL_ALPHA4),
    T(GL_ALPHA8),
    T(GL_ALPHA12),
    T(GL_ALPHA16),
    T(GL_LUMINANCE),
    T(GL_LUMINANCE4),
    T(GL_LUMINANCE8),
    T(GL_LUMINANCE12),
    T(GL_LUMINANCE16),
    T(GL_LUMINANCE_ALPHA),
    T(GL_LUMINANCE4_ALPHA4),
    T(GL_LUMINANCE6_ALPHA2),
    T(GL_LUMINANCE8_ALPHA8),
    T(GL_LUMINANCE12_ALPHA4),
    T(GL_LUMINANCE12_ALPHA12),
    T(GL_LUMINANCE16_ALPHA16),
    T(GL_INTENSITY),
    T(GL_INTENSITY4),
    T(GL_INTENSITY8),
    T(GL_INTENSITY12),
    T(GL_INTENSITY16),
    T(GL_RGB),
    T(GL_R3_G3_B2),
    T(GL_RGB4),
    T(GL_RGB5),
    T(GL_RGB8),
    T(GL_RGB10),
    T(GL_RGB12),
    T(GL_RGB16),
    T(GL_RGBA),
    T(GL_RGBA2),
    T(GL_RGBA4),
    T(GL_RGB5_A1),
    T(GL_RGBA8),
    T(GL_RGB10_A2),
    T(GL_RGBA12),
    T(GL_RGBA16),
    {NULL, -1},
};

const GlEnumRow glListModes[] = {
    T(GL_COMPILE),
    T(GL_COMPILE_AND_EXECUTE),
    {NULL, -1},
};

const GlEnumRow glMap1Targets[] = {
    T(GL_MAP1_VERTEX_3),
    T(GL_MAP1_VERTEX_4),
    T(GL_MAP1_INDEX),
    T(GL_MAP1_COLOR_4),
    T(GL_MAP1_NORMAL),
    T(GL_MAP1_TEXTURE_COORD_1),
    T(GL_MAP1_TEXTURE_COORD_2),
    T(GL_MAP1_TEXTURE_COORD_3),
    T(GL_MAP1_TEXTURE_COORD_4),
    {NULL, -1},
};

const GlEnumRow glMap2Targets[] = {
    T(GL_MAP2_VERTEX_3),
    T(GL_MAP2_VERTEX_4),
    T(GL_MAP2_INDEX),
    T(GL_MAP2_COLOR_4),
    T(GL_MAP2_NORMAL),
    T(GL_MAP2_TEXTURE_COORD_1),
    T(GL_MAP2_TEXTURE_COORD_2),
    T(GL_MAP2_TEXTURE_COORD_3),
    T(GL_MAP2_TEXTURE_COORD_4),
    {NULL, -1},
};

const GlEnumRow glMatrixModes[] = {
    T(GL_MODELVIEW),
    T(GL_PROJECTION),
    T(GL_TEXTURE),
    {NULL, -1},
};

const GlEnumRow glPolygonModes[] = {
    T(GL_POINT),
    T(GL_LINE),
    T(GL_FILL),
    {NULL, -1},
};

const GlEnumRow glMesh1Modes[] = {
    T(GL_POINT),
    T(GL_LINE),
    {NULL, -1},
};

const GlEnumRow glMesh2Modes[] = {
    T(GL_FILL),
    T(GL_POINT),
    T(GL_LINE),
    {NULL, -1},
};

const GlEnumRow glRenderModes[] = {
    T(GL_RENDER),
    T(GL_SELECT),
    T(GL_FEEDBACK),
    {NULL, -1},
};

const GlEnumRow glShadeModels[] = {
    T(GL_FLAT),
    T(GL_SMOOTH),
    {NULL, -1},
};

const GlEnumRow glStencilOps[] = {
    T(GL_KEEP),
    T(GL_ZERO),
    T(GL_REPLACE),
    T(GL_INCR),
    T(GL_DECR),
    T(GL_INVERT),
    {NULL, -1},
};

const GlEnumRow glAccumOps[] = {
    T(GL_ACCUM),
    T(GL_ADD),
    T(GL_MULT),
    T(GL_LOAD),
    {NULL, -1},
};

const GlEnumRow glBeginModes[] = {
    T(GL_LINES),
    T(GL_LINE_LOOP),
    T(GL_LINE_STRIP),
    T(GL_POINTS),
    T(GL_POLYGON),
    T(GL_QUADS),
    T(GL_QUAD_STRIP),
    T(GL_TRIANGLES),
    T(GL_TRIANGLE_FAN),
    T(GL_TRIANGLE_STRIP),
    {NULL, -1},
};

const GlEnumRow glPrimitiveModes[] = {
    T(GL_POINTS),
    T(GL_LINE_STRIP),
    T(GL_LINE_LOOP),
    T(GL_LINES),
    T(GL_TRIANGLE_STRIP),
    T(GL_TRIANGLE_FAN),
    T(GL_TRIANGLES),
    T(GL_QUAD_STRIP),
    T(GL_QUADS),
    T(GL_POLYGON),
    {NULL, -1},
};

const GlEnumRow glTextureTargets[] = {
    T(GL_TEXTURE_1D),
    T(GL_TEXTURE_2D),
    {NULL, -1},
};

const GlEnumRow glTexture1DTarget[] = {
    T(GL_TEXTURE_1D),
    {NULL, -1},
};

const GlEnumRow glTexture2DTarget[] = {
    T(GL_TEXTURE_2D),
    {NULL, -1},
};

const GlEnumRow glTexImage1DTargets[] = {
    T(GL_TEXTURE_1D),
    T(GL_PROXY_TEXTURE_1D),
    {NULL, -1},
};

const GlEnumRow glTexImage2DTargets[] = {
    T(GL_TEXTURE_2D),
    T(GL_PROXY_TEXTURE_2D),
    {NULL, -1},
};

const GlEnumRow glCallListTypes[] = {
    T(GL_BYTE),
    T(GL_UNSIGNED_BYTE),
    T(GL_SHORT),
    T(GL_UNSIGNED_SHORT),
    T(GL_UNSIGNED_INT),
    T(GL_FLOAT),
    T(GL_2_BYTES),
    T(GL_3_BYTES),
    T(GL_4_BYTES),
    {NULL, -1},
};

const GlEnumRow glClearBits[] = {
    T(GL_ACCUM_BUFFER_BIT),
    T(GL_COLOR_BUFFER_BIT),
    T(GL_DEPTH_BUFFER_BIT),
    T(GL_STENCIL_BUFFER_BIT),
    {"|", 0},
    {NULL, -1},
};

const GlEnumRow glClipPlanes[] = {
    T(GL_CLIP_PLANE0),
    T(GL_CLIP_PLANE1),
    T(GL_CLIP_PLANE2),
    T(GL_CLIP_PLANE3),
    T(GL_CLIP_PLANE4),
    T(GL_CLIP_PLANE5),
    {NULL, -1},
};

const GlEnumRow glCopyTypes[] = {
    T(GL_COLOR),
    T(GL_DEPTH),
    T(GL_STENCIL),
    {NULL, -1},
};

const GlEnumRow glCapabilities[] = {
    T(GL_ALPHA_TEST),
    T(GL_AUTO_NORMAL),
    T(GL_BLEND),
    T(GL_CLIP_PLANE0),
    T(GL_CLIP_PLANE1),
    T(GL_CLIP_PLANE2),
    T(GL_CLIP_PLANE3),
    T(GL_CLIP_PLANE4),
    T(GL_CLIP_PLANE5),
    T(GL_COLOR_MATERIAL),
    T(GL_CULL_FACE),
    T(GL_DEPTH_TEST),
    T(GL_DITHER),
    T(GL_FOG),
    T(GL_LIGHT0),
    T(GL_LIGHT1),
    T(GL_LIGHT2),
    T(GL_LIGHT3),
    T(GL_LIGHT4),
    T(GL_LIGHT5),
    T(GL_LIGHT6),
    T(GL_LIGHT7),
    T(GL_LIGHTING),
    T(GL_LINE_SMOOTH),
    T(GL_LINE_STIPPLE),
    T(GL_LOGIC_OP),
    T(GL_MAP1_COLOR_4),
    T(GL_MAP1_INDEX),
    T(GL_MAP1_NORMAL),
    T(GL_MAP1_TEXTURE_COORD_1),
    T(GL_MAP1_TEXTURE_COORD_2),
    T(GL_MAP1_TEXTURE_COORD_3),
    T(GL_MAP1_TEXTURE_COORD_4),
    T(GL_MAP1_VERTEX_3),
    T(GL_MAP1_VERTEX_4),
    T(GL_MAP2_COLOR_4),
    T(GL_MAP2_INDEX),
    T(GL_MAP2_NORMAL),
    T(GL_MAP2_TEXTURE_COORD_1),
    T(GL_MAP2_TEXTURE_COORD_2),
    T(GL_MAP2_TEXTURE_COORD_3),
    T(GL_MAP2_TEXTURE_COORD_4),
    T(GL_MAP2_VERTEX_3),
    T(GL_MAP2_VERTEX_4),
    T(GL_NORMALIZE),
    T(GL_POINT_SMOOTH),
    T(GL_POLYGON_SMOOTH),
    T(GL_POLYGON_STIPPLE),
    T(GL_SCISSOR_TEST),
    T(GL_STENCIL_TEST),
    T(GL_TEXTURE_1D),
    T(GL_TEXTURE_2D),
    T(GL_TEXTURE_GEN_Q),
    T(GL_TEXTURE_GEN_R),
    T(GL_TEXTURE_GEN_S),
    T(GL_TEXTURE_GEN_T),
    {NULL, -1},
};

const GlEnumRow glElementIndexTypes[] = {
    T(GL_UNSIGNED_BYTE),
    T(GL_UNSIGNED_SHORT),
    T(GL_UNSIGNED_INT),
    {NULL, -1},
};

const GlEnumRow glFeedbackTypes[] = {
    T(GL_2D),
    T(GL_3D),
    T(GL_3D_COLOR),
    T(GL_3D_COLOR_TEXTURE),
    T(GL_4D_COLOR_TEXTURE),
    {NULL, -1},
};

const GlEnumRow glIndexArrayTypes[] = {
    T(GL_SHORT),
    T(GL_INT),
    T(GL_FLOAT),
    T(GL_DOUBLE),
    {NULL, -1},
};

const GlEnumRow glNormalArrayTypes[] = {
    T(GL_SHORT),
    T(GL_INT),
    T(GL_FLOAT),
    T(GL_DOUBLE),
    {NULL, -1},
};

const GlEnumRow glTexCoordArrayTypes[] = {
    T(GL_SHORT),
    T(GL_INT),
    T(GL_FLOAT),
    T(GL_DOUBLE),
    {NULL, -1},
};

const GlEnumRow glVertexArrayTypes[] = {
    T(GL_SHORT),
    T(GL_INT),
    T(GL_FLOAT),
    T(GL_DOUBLE),
    {NULL, -1},
};

const GlEnumRow glColorArrayTypes[] = {
    T(GL_UNSIGNED_BYTE),
    T(GL_BYTE),
    T(GL_BITMAP),
    T(GL_UNSIGNED_SHORT),
    T(GL_SHORT),
    T(GL_UNSIGNED_INT),
    T(GL_INT),
    T(GL_FLOAT),
    {NULL, -1},
};

const GlEnumRow glInterleavedFormats[] = {
    T(GL_V2F),
    T(GL_V3F),
    T(GL_C4UB_V2F),
    T(GL_C4UB_V3F),
    T(GL_C3F_V3F),
    T(GL_N3F_V3F),
    T(GL_C4F_N3F_V3F),
    T(GL_T2F_V3F),
    T(GL_T4F_V4F),
    T(GL_T2F_C4UB_V3F),
    T(GL_T2F_C3F_V3F),
    T(GL_T2F_N3F_V3F),
    T(GL_T2F_C4F_N3F_V3F),
    T(GL_T4F_C4F_N3F_V4F),
    {NULL, -1},
};

const GlEnumRow glLights[] = {
    T(GL_LIGHT0),
    T(GL_LIGHT1),
    T(GL_LIGHT2),
    T(GL_LIGHT3),
    T(GL_LIGHT4),
    T(GL_LIGHT5),
    T(GL_LIGHT6),
    T(GL_LIGHT7),
    {NULL, -1},
};

const GlEnumRow glLightParams[] = {
    T(GL_AMBIENT),
    T(GL_DIFFUSE),
    T(GL_SPECULAR),
    T(GL_POSITION),
    T(GL_SPOT_DIRECTION),
    T(GL_SPOT_EXPONENT),
    T(GL_SPOT_CUTOFF),
    T(GL_CONSTANT_ATTENUATION),
    T(GL_LINEAR_ATTENUATION),
    T(GL_QUADRATIC_ATTENUATION),
    {NULL, -1},
};

const GlEnumRow glLightModelParams[] = {
    T(GL_LIGHT_MODEL_TWO_SIDE),
    T(GL_LIGHT_MODEL_AMBIENT),
    T(GL_LIGHT_MODEL_LOCAL_VIEWER),
    {NULL, -1},
};

const GlEnumRow glLogicOps[] = {
    T(GL_CLEAR),
    T(GL_COPY),
    T(GL_NOOP),
    T(GL_SET),
    T(GL_COPY_INVERTED),
    T(GL_INVERT),
    T(GL_AND_REVERSE),
    T(GL_OR_REVERSE),
    T(GL_AND),
    T(GL_OR),
    T(GL_NAND),
    T(GL_NOR),
    T(GL_XOR),
    T(GL_EQUIV),
    T(GL_AND_INVERTED),
    T(GL_OR_INVERTED),
    {NULL, -1},
};

const GlEnumRow glMaterialParams[] = {
    T(GL_AMBIENT),
    T(GL_AMBIENT_AND_DIFFUSE),
    T(GL_COLOR_INDEXES),
    T(GL_DIFFUSE),
    T(GL_EMISSION),
    T(GL_SHININESS),
    T(GL_SPECULAR),
    {NULL, -1},
};

const GlEnumRow glPixelMaps[] = {
    T(GL_PIXEL_MAP_I_TO_I),
    T(GL_PIXEL_MAP_S_TO_S),
    T(GL_PIXEL_MAP_I_TO_R),
    T(GL_PIXEL_MAP_I_TO_G),
    T(GL_PIXEL_MAP_I_TO_B),
    T(GL_PIXEL_MAP_I_TO_A),
    T(GL_PIXEL_MAP_R_TO_R),
    T(GL_PIXEL_MAP_G_TO_G),
    T(GL_PIXEL_MAP_B_TO_B),
    T(GL_PIXEL_MAP_A_TO_A),
    {NULL, -1},
};

const GlEnumRow glPixelStoreParams[] = {
    T(GL_PACK_SWAP_BYTES),
    T(GL_PACK_LSB_FIRST),
    T(GL_PACK_ROW_LENGTH),
    T(GL_PACK_SKIP_PIXELS),
    T(GL_PACK_SKIP_ROWS),
    T(GL_PACK_ALIGNMENT),
    T(GL_UNPACK_SWAP_BYTES),
    T(GL_UNPACK_LSB_FIRST),
    T(GL_UNPACK_ROW_LENGTH),
    T(GL_UNPACK_SKIP_PIXELS),
    T(GL_UNPACK_SKIP_ROWS),
    T(GL_UNPACK_ALIGNMENT),
    {NULL, -1},
};

const GlEnumRow glPixelTransferParams[] = {
    T(GL_MAP_COLOR),
    T(GL_MAP_STENCIL),
    T(GL_INDEX_SHIFT),
    T(GL_INDEX_OFFSET),
    T(GL_RED_SCALE),
    T(GL_GREEN_SCALE),
    T(GL_BLUE_SCALE),
    T(GL_ALPHA_SCALE),
    T(GL_DEPTH_SCALE),
    T(GL_RED_BIAS),
    T(GL_GREEN_BIAS),
    T(GL_ALPHA_BIAS),
    T(GL_DEPTH_BIAS),
    {NULL, -1},
};

const GlEnumRow glAttribBits[] = {
    T(GL_ALL_ATTRIB_BITS),
    T(GL_ACCUM_BUFFER_BIT),
    T(GL_COLOR_BUFFER_BIT),
    T(GL_CURRENT_BIT),
    T(GL_DEPTH_BUFFER_BIT),
    T(GL_ENABLE_BIT),
    T(GL_EVAL_BIT),
    T(GL_FOG_BIT),
    T(GL_HINT_BIT),
    T(GL_LIGHTING_BIT),
    T(GL_LINE_BIT),
    T(GL_LIST_BIT),
    T(GL_PIXEL_MODE_BIT),
    T(GL_POINT_BIT),
    T(GL_POLYGON_BIT),
    T(GL_POLYGON_STIPPLE_BIT),
    T(GL_SCISSOR_BIT),
    T(GL_STENCIL_BUFFER_BIT),
    T(GL_TEXTURE_BIT),
    T(GL_TRANSFORM_BIT),
    T(GL_VIEWPORT_BIT),
    {NULL, -1},
};

const GlEnumRow glClientAttribBits[] = {
    T(GL_CLIENT_PIXEL_STORE_BIT),
    T(GL_CLIENT_VERTEX_ARRAY_BIT),
    T(GL_CLIENT_ALL_ATTRIB_BITS),
    {NULL, -1},
};

const GlEnumRow glTexEnvTargets[] = {
    T(GL_TEXTURE_ENV),
    {NULL, -1},
};

const GlEnumRow glTexEnvParams[] = {
    T(GL_TEXTURE_ENV_MODE),
    T(GL_TEXTURE_ENV_COLOR),
    {NULL, -1},
};

const GlEnumRow glTexEnvModes[] = {
    T(GL_MODULATE),
    T(GL_DECAL),
    T(GL_BLEND),
    {NULL, -1},
};

const GlEnumRow glTexGenCoords[] = {
    T(GL_S),
    T(GL_T),
    T(GL_R),
    T(GL_Q),
    {NULL, -1},
};

const GlEnumRow glTexGenParams[] = {
    T(GL_TEXTURE_GEN_MODE),
    T(GL_OBJECT_PLANE),
    T(GL_EYE_PLANE),
    {NULL, -1},
};

const GlEnumRow glTexGenModes[] = {
    T(GL_OBJECT_LINEAR),
    T(GL_EYE_LINEAR),
    T(GL_SPHERE_MAP),
    {NULL, -1},
};

const GlEnumRow glTexParams[] = {
    T(GL_TEXTURE_MIN_FILTER),
    T(GL_TEXTURE_MAG_FILTER),
    T(GL_TEXTURE_WRAP_S),
    T(GL_TEXTURE_WRAP_T),
    T(GL_TEXTURE_BORDER_COLOR),
    T(GL_TEXTURE_PRIORITY),
    {NULL, -1},
};

const GlEnumRow glWrapModes[] = {
    T(GL_CLAMP),
    T(GL_REPEAT),
    {NULL, -1},
};

const GlEnumRow glMagFilters[] = {
    T(GL_NEAREST),
    T(GL_LINEAR),
    {NULL, -1},
};

const GlEnumRow glMinFilters[] = {
    T(GL_NEAREST),
    T(GL_LINEAR),
    T(GL_NEAREST_MIPMAP_NEAREST),
    T(GL_NEAREST_MIPMAP_LINEAR),
    T(GL_LINEAR_MIPMAP_NEAREST),
    T(GL_LINEAR_MIPMAP_LINEAR),
    {NULL, -1},
};

const GlEnumRow glTexLevelParams[] = {
    T(GL_TEXTURE_WIDTH),
    T(GL_TEXTURE_HEIGHT),
    T(GL_TEXTURE_COMPONENTS),
    T(GL_TEXTURE_BORDER),
    T(GL_TEXTURE_INTERNAL_FORMAT),
    T(GL_TEXTURE_RED_SIZE),
    T(GL_TEXTURE_GREEN_SIZE),
    T(GL_TEXTURE_BLUE_SIZE),
    T(GL_TEXTURE_ALPHA_SIZE),
    T(GL_TEXTURE_LUMINANCE_SIZE),
    T(GL_TEXTURE_INTENSITY_SIZE),
    {NULL, -1},
};

const GlEnumRow glErrorNames[] = {
    T(GL_NO_ERROR),
    T(GL_INVALID_ENUM),
    T(GL_INVALID_VALUE),
    T(GL_INVALID_OPERATION),
    T(GL_STACK_OVERFLOW),
    T(GL_STACK_UNDERFLOW),
    T(GL_OUT_OF_MEMORY),
    {NULL, -1},
};

const GlEnumRow glStringNames[] = {
    T(GL_VENDOR),
    T(GL_RENDERER),
    T(GL_VERSION),
    T(GL_EXTENSIONS),
    {NULL, -1},
};

const GlEnumRow gluNurbsProperties[] = {
    T(GLU_SAMPLING_TOLERANCE),
    T(GLU_DISPLAY_MODE),
    T(GLU_CULLING),
    T(GLU_AUTO_LOAD_MATRIX),
    T(GLU_PARAMETRIC_TOLERANCE),
    T(GLU_SAMPLING_METHOD),
    T(GLU_U_STEP),
    T(GLU_V_STEP),
    {NULL, -1},
};

const GlEnumRow gluNurbsValues[] = {
    T(GLU_PATH_LENGTH),
    T(GLU_PARAMETRIC_ERROR),
    T(GLU_DOMAIN_DISTANCE),
    T(GLU_FILL),
    T(GLU_OUTLINE_POLYGON),
    T(GLU_OUTLINE_PATCH),
    T(GL_TRUE),
    T(GL_FALSE),
    {NULL, -1},
};

const GlEnumRow gluTessProperties[] = {
    T(GLU_TESS_WINDING_RULE),
    T(GLU_TESS_BOUNDARY_ONLY),
    T(GLU_TESS_TOLERANCE),
    {NULL, -1},
};

const GlEnumRow gluTessValues[] = {
    T(GLU_TESS_WINDING_ODD),
    T(GLU_TESS_WINDING_NONZERO),
    T(GLU_TESS_WINDING_POSITIVE),
    T(GLU_TESS_WINDING_NEGATIVE),
    T(GLU_TESS_WINDING_ABS_GEQ_TWO),
    T(GL_TRUE),
    T(GL_FALSE),
    {NULL, -1},
};

const GlEnumRow gluStringNames[] = {
    T(GLU_VERSION),
    T(GLU_EXTENSIONS),
    {NULL, -1},
};

const GlEnumRow gluContourTypes[] = {
    T(GLU_EXTERIOR),
    T(GLU_INTERIOR),
    T(GLU_UNKNOWN),
    T(GLU_CCW),
    T(GLU_CW),
    {NULL, -1},
};

const GlEnumRow gluNurbsCallbackKinds[] = {
    T(GLU_ERROR),
    {NULL, -1},
};

const GlEnumRow gluQuadricCallbackKinds[] = {
    T(GLU_ERROR),
    {NULL, -1},
};

const GlEnumRow gluNurbsCurveTrimTypes[] = {
    T(GLU_MAP1_TRIM_2),
    T(GLU_MAP1_TRIM_3),
    {NULL, -1},
};

const GlEnumRow gluPwlCurveTrimTypes[] = {
    T(GLU_MAP1_TRIM_2),
    T(GLU_MAP1_TRIM_3),
    {NULL, -1},
};

const GlEnumRow gluQuadricDrawStyles[] = {
    T(GLU_FILL),
    T(GLU_LINE),
    T(GLU_SILHOUETTE),
    T(GLU_POINT),
    {NULL, -1},
};

const GlEnumRow gluQuadricNormalKinds[] = {
    T(GLU_NONE),
    T(GLU_FLAT),
    T(GLU_SMOOTH),
    {NULL, -1},
};

const GlEnumRow gluQuadricOrientations[] = {
    T(GLU_INSIDE),
    T(GLU_OUTSIDE),
    {NULL, -1},
};

const GlEnumRow gluQuadricTextureFlags[] = {
    T(GL_TRUE),
    T(GL_FALSE),
    {"0", 0},
    {"1", 1},
    {NULL, -1},
};

const GlEnumRow gluMipmap1DTarget[] = {
    T(GL_TEXTURE_1D),
    {NULL, -1},
};

const GlEnumRow gluMipmap2DTarget[] = {
    T(GL_TEXTURE_2D),
    {NULL, -1},
};
