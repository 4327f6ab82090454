/*
 * gl_enums.h --
 *
 *	The enumeration tables of the GL, GLU and GLUT commands: token names
 *	and their standard values, one table per vocabulary.
 */
#ifndef OVEX_GL_GL_ENUMS_H
#define OVEX_GL_GL_ENUMS_H

#include "gl/gl_binding.h"

extern const GlEnumRow glCompareFuncs[];
extern const GlEnumRow glBlendSrcFactors[];
extern const GlEnumRow glBlendDstFactors[];
extern const GlEnumRow glBooleans[];
extern const GlEnumRow glCullFaces[];
extern const GlEnumRow glFaces[];
extern const GlEnumRow glDrawBuffers[];
extern const GlEnumRow glReadBuffers[];
extern const GlEnumRow glFogParams[];
extern const GlEnumRow glFrontFaces[];
extern const GlEnumRow glHintTargets[];
extern const GlEnumRow glHintModes[];
extern const GlEnumRow glColorMaterialParams[];
extern const GlEnumRow glTextureFormats[];
extern const GlEnumRow glPixelFormats[];
extern const GlEnumRow glPixelTypes[];
extern const GlEnumRow glLoadTypes[];
extern const GlEnumRow glInternalFormats[];
extern const GlEnumRow glListModes[];
extern const GlEnumRow glMap1Targets[];
extern const GlEnumRow glMap2Targets[];
extern const GlEnumRow glMatrixModes[];
extern const GlEnumRow glPolygonModes[];
extern const GlEnumRow glMesh1Modes[];
extern const GlEnumRow glMesh2Modes[];
extern const GlEnumRow glRenderModes[];
extern const GlEnumRow glShadeModels[];
extern const GlEnumRow glStencilOps[];
extern const GlEnumRow glAccumOps[];
extern const GlEnumRow glBeginModes[];
extern const GlEnumRow glPrimitiveModes[];
extern const GlEnumRow glTextureTargets[];
extern const GlEnumRow glTexture1DTarget[];
extern const GlEnumRow glTexture2DTarget[];
extern const GlEnumRow glTexImage1DTargets[];
extern const GlEnumRow glTexImage2DTargets[];
extern const GlEnumRow glCallListTypes[];
extern const GlEnumRow glClearBits[];
extern const GlEnumRow glClipPlanes[];
extern const GlEnumRow glCopyTypes[];
extern const GlEnumRow glCapabilities[];
extern const GlEnumRow glElementIndexTypes[];
extern const GlEnumRow glFeedbackTypes[];
extern const GlEnumRow glIndexArrayTypes[];
extern const GlEnumRow glNormalArrayTypes[];
extern const GlEnumRow glTexCoordArrayTypes[];
extern const GlEnumRow glVertexArrayTypes[];
extern const GlEnumRow glColorArrayTypes[];
extern const GlEnumRow glInterleavedFormats[];
extern const GlEnumRow glLights[];
extern const GlEnumRow glLightParams[];
extern const GlEnumRow glLightModelParams[];
extern const GlEnumRow glLogicOps[];
extern const GlEnumRow glMaterialParams[];
extern const GlEnumRow glPixelMaps[];
extern const GlEnumRow glPixelStoreParams[];
extern const GlEnumRow glPixelTransferParams[];
extern const GlEnumRow glAttribBits[];
extern const GlEnumRow glClientAttribBits[];
extern const GlEnumRow glTexEnvTargets[];
extern const GlEnumRow glTexEnvParams[];
extern const GlEnumRow glTexEnvModes[];
extern const GlEnumRow glTexGenCoords[];
extern const GlEnumRow glTexGenParams[];
extern const GlEnumRow glTexGenModes[];
extern const GlEnumRow glTexParams[];
extern const GlEnumRow glWrapModes[];
extern const GlEnumRow glMagFilters[];
extern const GlEnumRow glMinFilters[];
extern const GlEnumRow glTexLevelParams[];
extern const GlEnumRow glErrorNames[];
extern const GlEnumRow glStringNames[];
extern const GlEnumRow gluNurbsProperties[];
extern const GlEnumRow gluNurbsValues[];
extern const GlEnumRow gluTessProperties[];
extern const GlEnumRow gluTessValues[];
extern const GlEnumRow gluStringNames[];
extern const GlEnumRow gluContourTypes[];
extern const GlEnumRow gluNurbsCallbackKinds[];
extern const GlEnumRow gluQuadricCallbackKinds[];
extern const GlEnumRow gluNurbsCurveTrimTypes[];
extern const GlEnumRow gluPwlCurveTrimTypes[];
extern const GlEnumRow gluQuadricDrawStyles[];
extern const GlEnumRow gluQuadricNormalKinds[];
extern const GlEnumRow gluQuadricOrientations[];
extern const GlEnumRow gluQuadricTextureFlags[];
extern const GlEnumRow gluMipmap1DTarget[];
extern const GlEnumRow gluMipmap2DTarget[];



#endif /* OVEX_GL_GL_ENUMS_H */
