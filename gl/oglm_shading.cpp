/*
 * oglm_shading.cpp --
 *
 *	Size normalisation, facet and corner normals, smoothing by vertex or
 *	by angle within smoothing groups, reversal and drawing of models.
 */
#include <algorithm>
#include <math.h>
#include <stdlib.h>
#include <vector>

#include <GL/gl.h>

#include "gl/oglm_model.h"

namespace {

struct Vec {
    float x, y, z;
};

Vec at(const OglmVec3Array *a, int32_t i) { return {a->values[i][0], a->values[i][1], a->values[i][2]}; }
Vec sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec add(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec unit(Vec v)
{
    double length = sqrt((double)v.x * v.x + (double)v.y * v.y + (double)v.z * v.z + 1e-32);
    return {(float)(v.x / length), (float)(v.y / length), (float)(v.z / length)};
}

} // namespace

void oglmFreeGeometry(OglmModel *model)
{
    oglmVecFree(model->vertices);
    oglmVecFree(model->normals);
    oglmVecFree(model->texcoords);
    model->vertices = model->normals = model->texcoords = NULL;
    if (model->materials != NULL) {
        free(model->materials->materials);
        free(model->materials);
        model->materials = NULL;
    }
    while (model->groups != NULL) {
        OglmGroup *next = model->groups->next;
        for (OglmIndexList *list : {model->groups->faceStarts, model->groups->smoothing, model->groups->vertices,
                                    model->groups->normals, model->groups->texcoords}) {
            oglmIndexFree(list);
        }
        free(model->groups);
        model->groups = next;
    }
}

void oglmNormalizeSize(OglmModel *model)
{
    OglmVec3Array *v = model->vertices;
    if (v == NULL || v->count == 0) {
        return;
    }
    float low[3], high[3];
    for (int k = 0; k < 3; k++) low[k] = high[k] = v->values[0][k];
    for (int32_t i = 1; i < v->count; i++) {
        for (int k = 0; k < 3; k++) {
            low[k] = v->values[i][k] < low[k] ? v->values[i][k] : low[k];
            high[k] = v->values[i][k] > high[k] ? v->values[i][k] : high[k];
        }
    }
    float centre[3], extent = 0;
    for (int k = 0; k < 3; k++) {
        centre[k] = (low[k] + high[k]) * 0.5f;
        extent = high[k] - low[k] > extent ? high[k] - low[k] : extent;
    }
    double scale = extent / (2.0 * model->zoom);
    /* Vertices that all coincide are only centred. */
    if (!(scale > 0) || !isfinite(scale)) {
        scale = 1.0;
    }
    for (int32_t i = 0; i < v->count; i++) {
        for (int k = 0; k < 3; k++) {
            v->values[i][k] = (float)((v->values[i][k] - centre[k]) / scale);
        }
    }
}

void oglmFacetNormals(OglmModel *model, int mode)
{
    if (model->vertices == NULL) {
        return;
    }
    if (mode == 0 && model->normals != NULL && model->normals->count > 0) {
        return;
    }
    oglmVecFree(model->normals);
    model->normals = oglmVecNew(0);
    if (model->normals == NULL) {
        return;
    }
    const OglmVec3Array *v = model->vertices;
    for (OglmGroup *group = model->groups; group != NULL; group = group->next) {
        int32_t faces = oglmFaceCount(group);
        if (faces == 0) {
            continue;
        }
        oglmIndexFree(group->normals);
        group->normals = NULL;
        /* A group whose corners do not all name a vertex gets no normals. */
        if (!oglmListUsable(group->vertices, group->faceStarts->values[faces], v->count)) {
            continue;
        }
        group->normals = oglmIndexNew();
        if (group->normals == NULL) {
            continue;
        }
        for (int32_t f = 0; f < faces; f++) {
            int32_t begin, end;
            oglmFaceRange(group, f, &begin, &end);
            int32_t n = end - begin;
            const int32_t *corner = group->vertices->values + begin;
            auto point = [&](int32_t k) { return at(v, corner[k]); };
            if (n >= 3 && mode == 2 && n > 3) {
                for (int32_t k = 0; k < n; k++) {
                    Vec sum = {0, 0, 0};
                    for (int32_t i = 1; i < n; i++) {
                        sum = add(sum, cross(sub(point((k + i) % n), point(k)), sub(point((k + i + 1) % n), point(k))));
                    }
                    Vec u = unit(sum);
                    oglmVecAdd(model->normals, u.x, u.y, u.z);
                    oglmIndexAdd(group->normals, model->normals->count - 1);
                }
            } else if (n >= 3) {
                /* Fan normals: corners 0 and 1 share the first triangle's,
                 * the last corner repeats the one before it. */
                Vec first = unit(cross(sub(point(1), point(0)), sub(point(2), point(0))));
                oglmVecAdd(model->normals, first.x, first.y, first.z);
                oglmIndexAdd(group->normals, model->normals->count - 1);
                oglmIndexAdd(group->normals, model->normals->count - 1);
                for (int32_t k = 2; k <= n - 2; k++) {
                    Vec u = unit(cross(sub(point(k), point(0)), sub(point(k + 1), point(0))));
                    oglmVecAdd(model->normals, u.x, u.y, u.z);
                    oglmIndexAdd(group->normals, model->normals->count - 1);
                }
                oglmIndexAdd(group->normals, model->normals->count - 1);
            } else {
                /* Fewer than three corners have no plane. */
                for (int32_t k = 0; k < n; k++) {
                    oglmVecAdd(model->normals, 0, 0, 1);
                    oglmIndexAdd(group->normals, model->normals->count - 1);
                }
            }
        }
    }
}

static void vertexNormals(OglmModel *model)
{
    OglmVec3Array *normals = oglmVecNew(model->vertices->count > 0 ? model->vertices->count : 1);
    if (normals == NULL) {
        return;
    }
    std::vector<int> used((size_t)model->vertices->count, 0);
    normals->count = model->vertices->count;
    for (OglmGroup *group = model->groups; group != NULL; group = group->next) {
        if (group->normals == NULL || group->vertices == NULL) {
            continue;
        }
        for (int32_t k = 0; k < group->normals->count && k < group->vertices->count; k++) {
            int32_t vertex = group->vertices->values[k];
            Vec n = at(model->normals, group->normals->values[k]);
            for (int i = 0; i < 3; i++) normals->values[vertex][i] += (&n.x)[i];
            used[(size_t)vertex] = 1;
            group->normals->values[k] = vertex;
        }
    }
    for (int32_t i = 0; i < normals->count; i++) {
        if (used[(size_t)i]) {
            Vec u = unit(at(normals, i));
            normals->values[i][0] = u.x;
            normals->values[i][1] = u.y;
            normals->values[i][2] = u.z;
        }
    }
    oglmVecFree(model->normals);
    model->normals = normals;
}

static void smoothNormals(OglmModel *model, double smoothness)
{
    float limit = (float)cos(smoothness * M_PI / 180.0);
    struct Record {
        int32_t normal, vertex, group;
    };
    std::vector<Record> records;
    OglmVec3Array *normals = oglmVecNew(0);
    if (normals == NULL) {
        return;
    }
    for (OglmGroup *group = model->groups; group != NULL; group = group->next) {
        if (group->normals == NULL) {
            continue;
        }
        int32_t faces = oglmFaceCount(group);
        for (int32_t f = 0; f < faces; f++) {
            int32_t begin, end;
            oglmFaceRange(group, f, &begin, &end);
            int smoothing = group->smoothing != NULL && f < group->smoothing->count ? group->smoothing->values[f] : -1;
            for (int32_t k = begin; k < end && k < group->normals->count; k++) {
                Vec n = at(model->normals, group->normals->values[k]);
                oglmVecAdd(normals, n.x, n.y, n.z);
                group->normals->values[k] = normals->count - 1;
                records.push_back({normals->count - 1, group->vertices->values[k] + 1, smoothing});
            }
        }
    }
    std::sort(records.begin(), records.end(), [](const Record &a, const Record &b) { return a.vertex < b.vertex; });
    std::vector<Vec> updated;
    for (size_t start = 0; start < records.size();) {
        size_t stop = start;
        while (stop < records.size() && records[stop].vertex == records[start].vertex) stop++;
        updated.clear();
        for (size_t i = start; i < stop; i++) {
            Vec own = at(normals, records[i].normal);
            if (records[i].group == 0) {
                updated.push_back(own);
                continue;
            }
            Vec sum = {0, 0, 0};
            for (size_t j = start; j < stop; j++) {
                Vec other = at(normals, records[j].normal);
                if (records[j].group == records[i].group && dot(other, own) >= limit) {
                    sum = add(sum, other);
                }
            }
            updated.push_back(unit(sum));
        }
        for (size_t i = start; i < stop; i++) {
            const Vec &n = updated[i - start];
            normals->values[records[i].normal][0] = n.x;
            normals->values[records[i].normal][1] = n.y;
            normals->values[records[i].normal][2] = n.z;
        }
        start = stop;
    }
    oglmVecFree(model->normals);
    model->normals = normals;
}

void oglmSmooth(OglmModel *model, int mode, double smoothness)
{
    if (model->normals == NULL || model->vertices == NULL) {
        return;
    }
    if (mode == 1) {
        vertexNormals(model);
    } else if (mode == 2) {
        smoothNormals(model, smoothness);
    }
}

static void reverseRange(OglmIndexList *list, int32_t begin, int32_t end)
{
    if (list != NULL && end <= list->count) {
        std::reverse(list->values + begin, list->values + end);
    }
}

void oglmReverse(OglmModel *model)
{
    if (model->normals == NULL) {
        return;
    }
    for (OglmGroup *group = model->groups; group != NULL; group = group->next) {
        int32_t faces = oglmFaceCount(group);
        for (int32_t f = 0; f < faces; f++) {
            int32_t begin, end;
            oglmFaceRange(group, f, &begin, &end);
            reverseRange(group->vertices, begin, end);
            reverseRange(group->normals, begin, end);
            reverseRange(group->texcoords, begin, end);
        }
    }
    for (int32_t i = 0; i < model->normals->count; i++) {
        for (int k = 0; k < 3; k++) model->normals->values[i][k] = -model->normals->values[i][k];
    }
}

void oglmWalkFaces(const OglmModel *model, const OglmDrawSink *sink, void *data)
{
    if (model->vertices == NULL || model->vertices->count == 0) {
        return;
    }
    for (OglmGroup *group = model->groups; group != NULL; group = group->next) {
        int32_t faces = oglmFaceCount(group);
        if (faces == 0) {
            continue;
        }
        if (model->materials != NULL && group->material >= 0 && group->material < model->materials->count) {
            sink->material(data, &model->materials->materials[group->material]);
        }
        /* Only lists that cover every corner with indices inside the
         * model's arrays are used, so no corner reads past an array. */
        int32_t corners = group->faceStarts->values[faces];
        if (!oglmListUsable(group->vertices, corners, model->vertices->count)) {
            continue;
        }
        bool normals = model->normals != NULL
                       && oglmListUsable(group->normals, corners, model->normals->count);
        bool textures = model->texcoords != NULL
                        && oglmListUsable(group->texcoords, corners, model->texcoords->count);
        for (int32_t f = 0; f < faces; f++) {
            int32_t begin, end;
            oglmFaceRange(group, f, &begin, &end);
            if (begin < 0 || end > corners || begin > end) {
                continue;
            }
            sink->beginFace(data);
            for (int32_t k = begin; k < end; k++) {
                sink->corner(data, normals ? model->normals->values[group->normals->values[k]] : NULL,
                             textures ? model->texcoords->values[group->texcoords->values[k]] : NULL,
                             model->vertices->values[group->vertices->values[k]]);
            }
            sink->endFace(data);
        }
    }
}

static void glMaterial(void *, const OglmMaterial *m)
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m->Ka);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m->Kd);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m->Ks);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, m->Ke);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m->Ns * 0.001f * 128);
}

static void glBeginFace(void *)
{
    glBegin(GL_TRIANGLE_FAN);
}

static void glCorner(void *, const float *normal, const float *texcoord, const float *vertex)
{
    if (normal != NULL) {
        glNormal3fv(normal);
    }
    if (texcoord != NULL) {
        glTexCoord2fv(texcoord);
    }
    glVertex3fv(vertex);
}

static void glEndFace(void *)
{
    glEnd();
}

void oglmDraw(OglmModel *model)
{
    if (model->vertices == NULL || model->vertices->count == 0) {
        return;
    }
    static const OglmDrawSink glSink = {glMaterial, glBeginFace, glCorner, glEndFace};
    glDisable(GL_COLOR_MATERIAL);
    oglmWalkFaces(model, &glSink, NULL);
}
