/*
 * oglm_fuzz_model.h --
 *
 *	What the two model fuzz targets share: a model read from an OBJ file
 *	(and the MTL files it names) put through what the oglm command does
 *	to one — sizing, facet normals, smoothing, reversal — then walked as
 *	drawing walks it, saved, and the saved file read back.
 */
#ifndef OVEX_FUZZ_OGLM_FUZZ_MODEL_H
#define OVEX_FUZZ_OGLM_FUZZ_MODEL_H

#include <stdlib.h>
#include <string>

#include "fuzz/fuzz_harness.h"
#include "gl/oglm_model.h"

namespace oglmfuzz {

/* Every float drawing would hand to GL is read, so that the sanitizers
 * see a corner that points outside its array. */
struct Sum {
    double value;
};

inline void material(void *data, const OglmMaterial *m)
{
    ((Sum *)data)->value += m->Kd[0] + m->Ka[3] + m->Ks[1] + m->Ke[2] + m->Ns;
}

inline void beginFace(void *data)
{
    ((Sum *)data)->value += 1;
}

inline void corner(void *data, const float *normal, const float *texcoord, const float *vertex)
{
    Sum *sum = (Sum *)data;
    if (normal != NULL) {
        sum->value += normal[0] + normal[1] + normal[2];
    }
    if (texcoord != NULL) {
        sum->value += texcoord[0] + texcoord[1];
    }
    sum->value += vertex[0] + vertex[1] + vertex[2];
}

inline void endFace(void *data)
{
    ((Sum *)data)->value -= 1;
}

/* Reads objPath into a fresh model with the given modes and exercises it;
 * with roundTrip the saved file is read and walked again. */
inline void exercise(const char *objPath, int normalMode, int smoothMode, bool reverse, bool roundTrip)
{
    static volatile double sink;
    static const OglmDrawSink walker = {material, beginFace, corner, endFace};
    OglmModel model = {};
    model.zoom = 1;
    model.normalMode = normalMode;
    model.smoothMode = smoothMode;
    model.smoothness = 60;
    if (oglmLoadObj(&model, objPath)) {
        oglmNormalizeSize(&model);
        oglmFacetNormals(&model, normalMode);
        oglmSmooth(&model, smoothMode, model.smoothness);
        if (reverse) {
            oglmReverse(&model);
        }
        Sum sum = {0};
        oglmWalkFaces(&model, &walker, &sum);
        sink = sum.value;
        std::string base = fuzzPath("saved");
        if (oglmSaveObj(&model, base.c_str(), 0) && roundTrip) {
            exercise((base + ".obj").c_str(), 0, 0, false, false);
        }
        oglmSaveObj(&model, base.c_str(), 1);
    }
    oglmFreeGeometry(&model);
    free(model.loadedPath);
}

}  // namespace oglmfuzz

#endif /* OVEX_FUZZ_OGLM_FUZZ_MODEL_H */
