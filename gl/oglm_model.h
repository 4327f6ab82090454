/*
 * oglm_model.h --
 *
 *	Polygon models of the oglm command: growable vertex, normal and
 *	texture-coordinate arrays, face groups with their index lists, the
 *	material table, Wavefront OBJ and MTL reading and writing, shading
 *	and drawing.
 */
#ifndef OVEX_GL_OGLM_MODEL_H
#define OVEX_GL_OGLM_MODEL_H

#include <stdint.h>
#include <tk.h>

struct OglmVec3Array {
    int32_t capacity, count;
    float (*values)[3];
};

/* Index list; in a face-start list values[0] is 0 and values[k] the end
 * of face k, with count faces. */
struct OglmIndexList {
    int32_t capacity, count;
    int32_t *values;
};

struct OglmMaterial {
    char name[32];
    float Ns;
    float Kd[4], Ka[4], Ks[4], Ke[4];
};

struct OglmMaterials {
    int32_t capacity, count;
    OglmMaterial *materials;
};

/* A group's lists as they stood before the face being read, so that a
 * face that is refused leaves every list as it found it. */
struct OglmFaceMark {
    int32_t faces, smoothing, vertices, normals, texcoords;
    bool hadNormals, hadTexcoords;
};

struct OglmGroup {
    char name[128];
    int32_t material;
    OglmIndexList *faceStarts, *smoothing, *vertices, *normals, *texcoords;
    OglmFaceMark pending;       /* set by oglmAddFace, used by oglmCheckFace */
    OglmGroup *next;
};

struct OglmModel {
    char *loadedPath;           /* the OBJ file the geometry came from, whole */
    Tk_Uid file;                /* -file */
    int reverse;                /* -reverse */
    int normalMode;             /* -normal */
    int smoothMode;             /* -smoothmode */
    double smoothness;          /* -smoothness, degrees */
    double zoom;                /* -zoom */
    OglmVec3Array *vertices, *normals, *texcoords;
    OglmMaterials *materials;
    OglmGroup *groups;          /* most recently created first */
};

/* Arrays and lists. */
OglmVec3Array *oglmVecNew(int32_t capacity);
bool oglmVecAdd(OglmVec3Array *array, float x, float y, float z);
void oglmVecFree(OglmVec3Array *array);
OglmIndexList *oglmIndexNew(void);
bool oglmIndexAdd(OglmIndexList *list, int32_t value);
void oglmIndexFree(OglmIndexList *list);

/* Faces of a group: count, and the corner range of face k (from 0). */
int32_t oglmFaceCount(const OglmGroup *group);
void oglmFaceRange(const OglmGroup *group, int32_t face, int32_t *begin, int32_t *end);

/* Materials and groups. */
OglmMaterials *oglmMaterialsNew(void);
int oglmFindMaterial(OglmMaterials *table, const char *name, bool add);
OglmGroup *oglmFindGroup(OglmModel *model, const char *name);
OglmGroup *oglmAddGroupNamed(OglmModel *model, const char *name);
OglmGroup *oglmAddGroup(OglmModel *model, const char *line);

/* Files: 1 on success, 0 with the message on standard error. */
int oglmLoadObj(OglmModel *model, const char *path);
int oglmLoadMtl(OglmModel *model, const char *objPath, const char *mtlName);
/* Saves replace base.obj and base.mtl whole, together, or leave them as
 * they were (core/safe_replace.h). */
int oglmSaveObj(OglmModel *model, const char *base, int verticesOnly);
int oglmSaveMtl(OglmModel *model, const char *base);
/* oglmAddFace appends a face line's corners to the group's lists;
 * oglmCheckFace then keeps it when every index lies inside the model's
 * arrays and the lists line up corner for corner, else puts every list
 * back as it was before oglmAddFace (lists the face created are freed). */
void oglmAddFace(OglmGroup *group, const char *text, int smoothingGroup);
bool oglmCheckFace(OglmModel *model, OglmGroup *group, const char *line);

/* 1 when list holds at least count values, each in 0 .. limit - 1. */
bool oglmListUsable(const OglmIndexList *list, int32_t count, int32_t limit);

/* Geometry. */
void oglmFreeGeometry(OglmModel *model);
void oglmNormalizeSize(OglmModel *model);
void oglmFacetNormals(OglmModel *model, int mode);
void oglmSmooth(OglmModel *model, int mode, double smoothness);
void oglmReverse(OglmModel *model);
void oglmDraw(OglmModel *model);

/* What drawing hands on, face by face: the group's material, then each
 * face's corners (normal and texcoord NULL when the group has none). */
struct OglmDrawSink {
    void (*material)(void *data, const OglmMaterial *material);
    void (*beginFace)(void *data);
    void (*corner)(void *data, const float *normal, const float *texcoord, const float *vertex);
    void (*endFace)(void *data);
};

/* Walks the model as oglmDraw draws it, calling sink's procedures. */
void oglmWalkFaces(const OglmModel *model, const OglmDrawSink *sink, void *data);

#endif /* OVEX_GL_OGLM_MODEL_H */
