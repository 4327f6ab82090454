/*
 * oglm_files.cpp --
 *
 *	Model records and the Wavefront OBJ and MTL files. Names longer than
 *	their fields are cut at the field; a face whose indices reach past
 *	what was read, or whose lists would no longer line up corner for
 *	corner, is dropped with a message.
 */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

#include <tcl.h>

#include "core/native_path.h"
#include "core/safe_replace.h"
#include "gl/oglm_model.h"
#include "ovex/ovexstdio.h"

#define GROWTH 128

/* ---- Arrays and lists ------------------------------------------------------- */

OglmVec3Array *oglmVecNew(int32_t capacity)
{
    OglmVec3Array *array = (OglmVec3Array *)calloc(1, sizeof(OglmVec3Array));
    if (array == NULL) {
        return NULL;
    }
    array->capacity = capacity > 0 ? capacity : GROWTH;
    array->values = (float (*)[3])calloc((size_t)array->capacity, sizeof(float[3]));
    if (array->values == NULL) {
        free(array);
        return NULL;
    }
    return array;
}

bool oglmVecAdd(OglmVec3Array *array, float x, float y, float z)
{
    if (array->count == array->capacity) {
        if (array->capacity > INT32_MAX - GROWTH) {
            return false;
        }
        int32_t capacity = array->capacity + GROWTH;
        float (*values)[3] = (float (*)[3])realloc(array->values, (size_t)capacity * sizeof(float[3]));
        if (values == NULL) {
            return false;
        }
        memset(values + array->capacity, 0, GROWTH * sizeof(float[3]));
        array->values = values;
        array->capacity = capacity;
    }
    array->values[array->count][0] = x;
    array->values[array->count][1] = y;
    array->values[array->count][2] = z;
    array->count++;
    return true;
}

void oglmVecFree(OglmVec3Array *array)
{
    if (array != NULL) {
        free(array->values);
        free(array);
    }
}

OglmIndexList *oglmIndexNew(void)
{
    OglmIndexList *list = (OglmIndexList *)calloc(1, sizeof(OglmIndexList));
    if (list == NULL) {
        return NULL;
    }
    list->capacity = GROWTH;
    list->values = (int32_t *)calloc(GROWTH, sizeof(int32_t));
    if (list->values == NULL) {
        free(list);
        return NULL;
    }
    return list;
}

/* Room for one more value past count (face-start lists keep count + 1). */
static bool indexReserve(OglmIndexList *list, int32_t needed)
{
    if (needed < list->capacity) {
        return true;
    }
    if (list->capacity > INT32_MAX - GROWTH) {
        return false;
    }
    int32_t capacity = list->capacity + GROWTH;
    int32_t *values = (int32_t *)realloc(list->values, (size_t)capacity * sizeof(int32_t));
    if (values == NULL) {
        return false;
    }
    list->values = values;
    list->capacity = capacity;
    return true;
}

bool oglmIndexAdd(OglmIndexList *list, int32_t value)
{
    if (!indexReserve(list, list->count)) {
        ovex_fprintf(stderr, "Error in realloc.\n");
        return false;
    }
    list->values[list->count++] = value;
    return true;
}

void oglmIndexFree(OglmIndexList *list)
{
    if (list != NULL) {
        free(list->values);
        free(list);
    }
}

int32_t oglmFaceCount(const OglmGroup *group)
{
    return group->faceStarts != NULL ? group->faceStarts->count : 0;
}

void oglmFaceRange(const OglmGroup *group, int32_t face, int32_t *begin, int32_t *end)
{
    *begin = group->faceStarts->values[face];
    *end = group->faceStarts->values[face + 1];
}

/* ---- Materials and groups ------------------------------------------------------ */

static void copyName(char *field, size_t size, const char *name, size_t length)
{
    if (length > size - 1) {
        length = size - 1;
    }
    memcpy(field, name, length);
    field[length] = '\0';
}

static void setDefaultMaterial(OglmMaterial *m)
{
    static const OglmMaterial material = {
        "default", 625.0f, {0.8f, 0.8f, 0.8f, 1}, {0.2f, 0.2f, 0.2f, 1}, {0, 0, 0, 1}, {0, 0, 0, 0}};
    *m = material;
}

OglmMaterials *oglmMaterialsNew(void)
{
    OglmMaterials *table = (OglmMaterials *)calloc(1, sizeof(OglmMaterials));
    if (table == NULL) {
        return NULL;
    }
    table->capacity = 16;
    table->materials = (OglmMaterial *)calloc(16, sizeof(OglmMaterial));
    if (table->materials == NULL) {
        free(table);
        return NULL;
    }
    setDefaultMaterial(&table->materials[0]);
    for (int i = 1; i < 16; i++) {
        table->materials[i] = table->materials[0];
    }
    table->count = 1;
    return table;
}

/* One more slot when the table is full, copies of material 0. */
static bool materialsReserve(OglmMaterials *table)
{
    if (table->count < table->capacity) {
        return true;
    }
    int32_t capacity = table->capacity + 16;
    OglmMaterial *materials = (OglmMaterial *)realloc(table->materials, (size_t)capacity * sizeof(OglmMaterial));
    if (materials == NULL) {
        return false;
    }
    for (int i = table->capacity; i < capacity; i++) {
        materials[i] = materials[0];
    }
    table->materials = materials;
    table->capacity = capacity;
    return true;
}

int oglmFindMaterial(OglmMaterials *table, const char *name, bool add)
{
    char key[32];
    copyName(key, sizeof key, name, strlen(name));
    for (int i = 0; i < table->count; i++) {
        if (strcmp(table->materials[i].name, key) == 0) {
            return i;
        }
    }
    if (!add || !materialsReserve(table)) {
        return -1;
    }
    OglmMaterial *m = &table->materials[table->count];
    *m = table->materials[0];
    strcpy(m->name, key);
    return table->count++;
}

OglmGroup *oglmFindGroup(OglmModel *model, const char *name)
{
    char key[128];
    copyName(key, sizeof key, name, strlen(name));
    for (OglmGroup *group = model->groups; group != NULL; group = group->next) {
        if (strcmp(group->name, key) == 0) {
            return group;
        }
    }
    return NULL;
}

OglmGroup *oglmAddGroupNamed(OglmModel *model, const char *name)
{
    OglmGroup *group = oglmFindGroup(model, name);
    if (group != NULL) {
        return group;
    }
    group = (OglmGroup *)calloc(1, sizeof(OglmGroup));
    if (group == NULL) {
        return NULL;
    }
    copyName(group->name, sizeof group->name, name, strlen(name));
    group->next = model->groups;
    model->groups = group;
    return group;
}

OglmGroup *oglmAddGroup(OglmModel *model, const char *line)
{
    const char *p = line;
    while (*p && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') p++;
    while (*p == ' ' || *p == '\t') p++;
    size_t length = strcspn(p, "\r\n");
    char name[128];
    copyName(name, sizeof name, p, length);
    return oglmAddGroupNamed(model, name);
}

/* ---- Faces ----------------------------------------------------------------------------- */

static OglmIndexList *ensureList(OglmIndexList **list)
{
    if (*list == NULL) {
        *list = oglmIndexNew();
    }
    return *list;
}

static int32_t listCount(const OglmIndexList *list)
{
    return list != NULL ? list->count : 0;
}

/* The 0-based index of a 1-based corner number; -1 (refused by the
 * check) for a number outside what an index list holds. */
static int32_t cornerIndex(const char *text)
{
    long long number = strtoll(text, NULL, 10);
    if (number < 1 || number > INT32_MAX) {
        return -1;
    }
    return (int32_t)(number - 1);
}

void oglmAddFace(OglmGroup *group, const char *text, int smoothingGroup)
{
    OglmFaceMark *mark = &group->pending;
    mark->faces = oglmFaceCount(group);
    mark->smoothing = listCount(group->smoothing);
    mark->vertices = listCount(group->vertices);
    mark->normals = listCount(group->normals);
    mark->texcoords = listCount(group->texcoords);
    mark->hadNormals = group->normals != NULL;
    mark->hadTexcoords = group->texcoords != NULL;
    if (ensureList(&group->vertices) == NULL || ensureList(&group->faceStarts) == NULL
            || ensureList(&group->smoothing) == NULL) {
        ovex_fprintf(stderr, "Error in realloc.\n");
        return;
    }
    const char *p = text;
    for (;;) {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') p++;
        if (*p == '\0') {
            break;
        }
        const char *end = p + strcspn(p, " \t\r\n");
        std::string corner(p, (size_t)(end - p));
        p = end;
        size_t slash = corner.find('/');
        oglmIndexAdd(group->vertices, cornerIndex(corner.c_str()));
        if (slash == std::string::npos) {
            continue;
        }
        size_t second = corner.find('/', slash + 1);
        std::string texture = corner.substr(slash + 1, second == std::string::npos ? std::string::npos : second - slash - 1);
        if (!texture.empty() && ensureList(&group->texcoords) != NULL) {
            oglmIndexAdd(group->texcoords, cornerIndex(texture.c_str()));
        }
        if (second != std::string::npos && ensureList(&group->normals) != NULL) {
            oglmIndexAdd(group->normals, cornerIndex(corner.c_str() + second + 1));
        }
    }
    /* values[0] stays 0; values[k] ends face k. */
    if (!indexReserve(group->faceStarts, group->faceStarts->count + 1)) {
        ovex_fprintf(stderr, "Error in realloc.\n");
        return;
    }
    group->faceStarts->values[++group->faceStarts->count] = group->vertices->count;
    oglmIndexAdd(group->smoothing, smoothingGroup);
}

bool oglmListUsable(const OglmIndexList *list, int32_t count, int32_t limit)
{
    if (list == NULL || count < 0 || list->count < count) {
        return false;
    }
    for (int32_t i = 0; i < count; i++) {
        if (list->values[i] < 0 || list->values[i] >= limit) {
            return false;
        }
    }
    return true;
}

/* The corners begin .. end - 1 of list (which holds end values) lie in
 * 0 .. limit - 1. */
static bool cornersInRange(const OglmIndexList *list, int32_t begin, int32_t end, int32_t limit)
{
    if (list == NULL || list->count != end) {
        return false;
    }
    for (int32_t i = begin; i < end; i++) {
        if (list->values[i] < 0 || list->values[i] >= limit) {
            return false;
        }
    }
    return true;
}

/* Frees a list the refused face created, or cuts it back to count. */
static void restoreList(OglmIndexList **list, bool existed, int32_t count)
{
    if (*list == NULL) {
        return;
    }
    if (!existed) {
        oglmIndexFree(*list);
        *list = NULL;
    } else if ((*list)->count > count) {
        (*list)->count = count;
    }
}

bool oglmCheckFace(OglmModel *model, OglmGroup *group, const char *line)
{
    const OglmFaceMark mark = group->pending;
    int32_t begin = mark.vertices;
    int32_t end = listCount(group->vertices);
    bool valid = group->faceStarts != NULL && group->faceStarts->count == mark.faces + 1
                 && group->faceStarts->values[mark.faces] == begin
                 && group->faceStarts->values[mark.faces + 1] == end
                 && group->smoothing != NULL && group->smoothing->count == mark.smoothing + 1
                 && cornersInRange(group->vertices, begin, end,
                                   model->vertices ? model->vertices->count : 0);
    /* Normal and texture indices go corner for corner with the vertices. */
    if (valid && group->normals != NULL) {
        valid = cornersInRange(group->normals, begin, end, model->normals ? model->normals->count : 0);
    }
    if (valid && group->texcoords != NULL) {
        valid = cornersInRange(group->texcoords, begin, end,
                               model->texcoords ? model->texcoords->count : 0);
    }
    if (valid) {
        return true;
    }
    restoreList(&group->vertices, true, mark.vertices);
    restoreList(&group->normals, mark.hadNormals, mark.normals);
    restoreList(&group->texcoords, mark.hadTexcoords, mark.texcoords);
    restoreList(&group->smoothing, true, mark.smoothing);
    if (group->faceStarts != NULL && group->faceStarts->count > mark.faces) {
        group->faceStarts->count = mark.faces;
    }
    ovex_fprintf(stderr, "Invalid face definition: %s", line);
    return false;
}

/* ---- OBJ and MTL reading ----------------------------------------------------------------- */

static bool ensureArrays(OglmModel *model)
{
    if (model->vertices == NULL) model->vertices = oglmVecNew(0);
    if (model->normals == NULL) model->normals = oglmVecNew(0);
    if (model->texcoords == NULL) model->texcoords = oglmVecNew(0);
    if (model->materials == NULL) model->materials = oglmMaterialsNew();
    return model->vertices && model->normals && model->texcoords && model->materials;
}

static void addTriple(OglmVec3Array *array, const char *text)
{
    float v[3] = {0, 0, 0};
    sscanf(text, "%f %f %f", &v[0], &v[1], &v[2]);
    oglmVecAdd(array, v[0], v[1], v[2]);
}

/* Drops arrays that stayed empty, so that "no normals" reads as such. */
static void dropEmptyArrays(OglmModel *model)
{
    if (model->normals && model->normals->count == 0) { oglmVecFree(model->normals); model->normals = NULL; }
    if (model->texcoords && model->texcoords->count == 0) { oglmVecFree(model->texcoords); model->texcoords = NULL; }
}

static OglmGroup *currentGroup(OglmModel *model, OglmGroup *group)
{
    return group != NULL ? group : oglmAddGroupNamed(model, "default");
}

int oglmLoadObj(OglmModel *model, const char *path)
{
    FILE *file = fopen(nativePath(path).c_str(), "r");
    if (file == NULL) {
        ovex_fprintf(stderr, "Error in open %s\n", path);
        return 0;
    }
    free(model->loadedPath);
    model->loadedPath = strdup(path);
    if (!ensureArrays(model)) {
        fclose(file);
        return 0;
    }
    char line[5120];
    OglmGroup *group = NULL;
    int smoothingGroup = 0;
    bool sawSmoothing = false;
    while (fgets(line, sizeof line, file) != NULL) {
        size_t length = strlen(line);
        if (length > 5118) {
            ovex_fprintf(stderr, "string length out of buffer: %d\n", (int)length);
        }
        switch (line[0]) {
        case 'v':
            if (line[1] == ' ') addTriple(model->vertices, line + 2);
            else if (line[1] == 'n') addTriple(model->normals, line + 3);
            else if (line[1] == 't') addTriple(model->texcoords, line + 3);
            break;
        case 'f':
            group = currentGroup(model, group);
            if (group != NULL) {
                oglmAddFace(group, line + 1, smoothingGroup);
                oglmCheckFace(model, group, line);
            }
            break;
        case 'g':
            group = oglmAddGroup(model, line);
            break;
        case 's':
            sawSmoothing = true;
            if (sscanf(line + 1, "%d", &smoothingGroup) != 1) {
                smoothingGroup = 0;
            }
            break;
        case 'u': {
            group = currentGroup(model, group);
            const char *p = length > 6 ? line + 6 : line + length;
            while (*p == ' ' || *p == '\t') p++;
            std::string name(p, strcspn(p, " \t\r\n"));
            int index = oglmFindMaterial(model->materials, name.c_str(), true);
            if (group != NULL && index >= 0) {
                group->material = index;
            }
            break;
        }
        case 'm': {
            const char *p = length > 6 ? line + 6 : line + length;
            while (*p == ' ' || *p == '\t') p++;
            std::string name(p);
            while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
            if (!oglmLoadMtl(model, path, name.c_str())) {
                ovex_fprintf(stderr, "Error in loading mtl: %s\n", name.c_str());
            }
            break;
        }
        default:
            break;
        }
    }
    if (!sawSmoothing) {
        for (OglmGroup *g = model->groups; g != NULL; g = g->next) {
            oglmIndexFree(g->smoothing);
            g->smoothing = NULL;
        }
    }
    dropEmptyArrays(model);
    fclose(file);
    return 1;
}

int oglmLoadMtl(OglmModel *model, const char *objPath, const char *mtlName)
{
    Tcl_DString joined;
    Tcl_DStringInit(&joined);
    int count;
    const char **parts;
    Tcl_SplitPath(objPath, &count, &parts);
    if (count > 0) {
        parts[count - 1] = mtlName;
        Tcl_JoinPath(count, parts, &joined);
    } else {
        Tcl_DStringAppend(&joined, mtlName, -1);
    }
    Tcl_Free((char *)parts);
    FILE *file = fopen(nativePath(Tcl_DStringValue(&joined)).c_str(), "r");
    if (file == NULL) {
        ovex_fprintf(stderr, "Error in open material file: %s\n", Tcl_DStringValue(&joined));
        Tcl_DStringFree(&joined);
        return 0;
    }
    Tcl_DStringFree(&joined);
    if (model->materials == NULL) model->materials = oglmMaterialsNew();
    if (model->materials == NULL) {
        fclose(file);
        return 0;
    }
    int current = 0;
    char line[256];
    while (fgets(line, sizeof line, file) != NULL) {
        OglmMaterial *m = &model->materials->materials[current];
        float *color = NULL;
        if (line[0] == 'K') {
            switch (line[1]) {
            case 'a': color = m->Ka; break;
            case 'd': color = m->Kd; break;
            case 's': color = m->Ks; break;
            case 'e': color = m->Ke; break;
            default: break;
            }
        }
        if (color != NULL && strlen(line) > 3) {
            sscanf(line + 3, "%f %f %f %f", &color[0], &color[1], &color[2], &color[3]);
        } else if (line[0] == 'N' && line[1] == 's' && strlen(line) > 3) {
            sscanf(line + 3, "%f", &m->Ns);
        } else if (line[0] == 'n') {
            const char *p = strlen(line) > 6 ? line + 6 : line + strlen(line);
            while (*p == ' ' || *p == '\t') p++;
            std::string name(p, strcspn(p, "\r\n"));
            int index = oglmFindMaterial(model->materials, name.c_str(), true);
            if (index >= 0) {
                current = index;
            }
        }
    }
    fclose(file);
    return 1;
}

/* ---- Writing ------------------------------------------------------------------------------- */

/* Every write goes through put, which notes a failing one in ok: a full
 * disk or a size limit makes the save fail instead of leaving a cut file. */
static void put(FILE *file, bool *ok, const char *format, ...) __attribute__((format(printf, 3, 4)));
static void put(FILE *file, bool *ok, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    if (vfprintf(file, format, args) < 0) {
        *ok = false;
    }
    va_end(args);
}

/* Closes file after its last write; false when any write or the close
 * failed. */
static bool finish(FILE *file, bool ok)
{
    if (fflush(file) != 0 || ferror(file)) {
        ok = false;
    }
    if (fclose(file) != 0) {
        ok = false;
    }
    return ok;
}

/* Writes the materials into a replacement of base.mtl, which the caller
 * commits: 1 written, 0 nothing to write or the file could not be opened,
 * -1 a write failed. */
static int writeMtl(OglmModel *model, const char *base, FileReplacement *replacement)
{
    if (model->materials == NULL) {
        return 0;
    }
    std::string path = std::string(base) + ".mtl";
    FILE *file = replacement->openStream(path.c_str());
    if (file == NULL) {
        ovex_fprintf(stderr, "Error in open: %s.mtl\n", base);
        return 0;
    }
    bool ok = true;
    for (int i = 0; i < model->materials->count && ok; i++) {
        const OglmMaterial *m = &model->materials->materials[i];
        put(file, &ok, "newmtl %s\n", m->name);
        put(file, &ok, "Kd %f %f %f %f\n", m->Kd[0], m->Kd[1], m->Kd[2], m->Kd[3]);
        put(file, &ok, "Ks %f %f %f %f\n", m->Ks[0], m->Ks[1], m->Ks[2], m->Ks[3]);
        put(file, &ok, "Ka %f %f %f %f\n", m->Ka[0], m->Ka[1], m->Ka[2], m->Ka[3]);
        put(file, &ok, "Ke %f %f %f %f\n", m->Ke[0], m->Ke[1], m->Ke[2], m->Ke[3]);
        if (m->Ns != 0) {
            put(file, &ok, "Ns %f\n", m->Ns);
        }
        put(file, &ok, "\n");
    }
    if (!finish(file, ok)) {
        ovex_fprintf(stderr, "Error in writing %s.mtl\n", base);
        return -1;
    }
    return 1;
}

int oglmSaveMtl(OglmModel *model, const char *base)
{
    FileReplacement mtl;
    return writeMtl(model, base, &mtl) == 1 && mtl.commit();
}

/* The faces of one group: only lists that cover every corner with
 * indices inside the model's arrays are written, so a list that lost
 * step with the vertices is never read past its end. */
static void saveGroupFaces(FILE *file, bool *ok, const OglmModel *model, const OglmGroup *group,
                           int verticesOnly)
{
    int32_t faces = oglmFaceCount(group);
    int32_t corners = group->faceStarts->values[faces];
    if (!oglmListUsable(group->vertices, corners, model->vertices->count)) {
        return;
    }
    bool normals = !verticesOnly && model->normals != NULL
                   && oglmListUsable(group->normals, corners, model->normals->count);
    bool textures = !verticesOnly && model->texcoords != NULL
                    && oglmListUsable(group->texcoords, corners, model->texcoords->count);
    const char *material = model->materials && group->material >= 0
                           && group->material < model->materials->count
                           ? model->materials->materials[group->material].name : "default";
    put(file, ok, "g %s\nusemtl %s\n", group->name, material);
    for (int32_t f = 0; f < faces && *ok; f++) {
        int32_t begin, end;
        oglmFaceRange(group, f, &begin, &end);
        if (begin < 0 || end > corners || begin > end) {
            continue;
        }
        put(file, ok, "f");
        for (int32_t k = begin; k < end; k++) {
            int v = group->vertices->values[k] + 1;
            if (normals && textures) {
                put(file, ok, " %d/%d/%d", v, group->texcoords->values[k] + 1, group->normals->values[k] + 1);
            } else if (normals) {
                put(file, ok, " %d//%d", v, group->normals->values[k] + 1);
            } else if (textures) {
                put(file, ok, " %d/%d", v, group->texcoords->values[k] + 1);
            } else {
                put(file, ok, " %d", v);
            }
        }
        put(file, ok, "\n");
    }
}

int oglmSaveObj(OglmModel *model, const char *base, int verticesOnly)
{
    if (model->vertices == NULL || model->vertices->count == 0) {
        ovex_fprintf(stderr, "No vertex to save.\n");
        return 0;
    }
    /* The model and its materials replace the old pair together, only
     * once both are written. */
    FileReplacement obj, mtl;
    std::string path = std::string(base) + ".obj";
    FILE *file = obj.openStream(path.c_str());
    if (file == NULL) {
        ovex_fprintf(stderr, "Error in open %s.obj\n", base);
        return 0;
    }
    bool ok = true;
    int materials = writeMtl(model, base, &mtl);
    if (materials < 0) {
        ok = false;
    } else if (materials > 0) {
        put(file, &ok, "mtllib %s.mtl\n", base);
    } else {
        mtl.abandon();
    }
    put(file, &ok, "\n# vertex %d\n", model->vertices->count);
    for (int i = 0; i < model->vertices->count && ok; i++) {
        const float *v = model->vertices->values[i];
        put(file, &ok, "v %f %f %f\n", v[0], v[1], v[2]);
    }
    if (!verticesOnly) {
        if (model->normals != NULL && model->normals->count > 0) {
            put(file, &ok, "\n# normal %d\n", model->normals->count);
            for (int i = 0; i < model->normals->count && ok; i++) {
                const float *v = model->normals->values[i];
                put(file, &ok, "vn %f %f %f\n", v[0], v[1], v[2]);
            }
        }
        if (model->texcoords != NULL && model->texcoords->count > 0) {
            put(file, &ok, "\n# texture %d\n", model->texcoords->count);
            for (int i = 0; i < model->texcoords->count && ok; i++) {
                const float *v = model->texcoords->values[i];
                put(file, &ok, "vt %f %f\n", v[0], v[1]);
            }
        }
    }
    put(file, &ok, "\n# faces\n");
    /* Groups are kept newest first; the file lists them as the model does. */
    for (OglmGroup *group = model->groups; group != NULL && ok; group = group->next) {
        if (oglmFaceCount(group) > 0) {
            saveGroupFaces(file, &ok, model, group, verticesOnly);
        }
    }
    if (!finish(file, ok)) {
        ovex_fprintf(stderr, "Error in writing %s.obj\n", base);
        return 0;
    }
    FileReplacement *const files[] = {&obj, &mtl};
    return commitReplacements(files, mtl.fd() >= 0 ? 2 : 1);
}
