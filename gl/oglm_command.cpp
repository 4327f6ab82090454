/*
 * oglm_command.cpp --
 *
 *	The oglm command over the process-wide table of models: create,
 *	configure (with loading, normalisation and shading), info, material,
 *	normal, reverse, smooth, save, draw and delete.
 */
#include <stdlib.h>
#include <string.h>
#include <string>

#include <tk.h>

#include "gl/gl_binding.h"
#include "gl/glw_surface.h"
#include "gl/oglm_model.h"
#include "core/package.h"

static Tk_ConfigSpec oglmConfigSpecs[] = {
    {TK_CONFIG_UID, "-file", NULL, NULL, "", Tk_Offset(OglmModel, file), 0, NULL},
    {TK_CONFIG_BOOLEAN, "-reverse", "reverse", "Reverse", "0", Tk_Offset(OglmModel, reverse), 0, NULL},
    {TK_CONFIG_INT, "-normal", "normal", "Normal", "2", Tk_Offset(OglmModel, normalMode), 0, NULL},
    {TK_CONFIG_INT, "-smoothmode", "smoothmode", "Smoothmode", "2", Tk_Offset(OglmModel, smoothMode), 0, NULL},
    {TK_CONFIG_DOUBLE, "-smoothness", "smoothness", "Smoothness", "60", Tk_Offset(OglmModel, smoothness), 0, NULL},
    {TK_CONFIG_DOUBLE, "-zoom", "zoom", "Zoom", "1.0", Tk_Offset(OglmModel, zoom), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL},
};

static struct {
    bool initialised;
    Tcl_HashTable models;
    Tk_Window mainWindow;       /* options are read against it */
} oglm;

/* ---- Models ------------------------------------------------------------------ */

static OglmModel *oglmLookup(const char *id)
{
    Tcl_HashEntry *entry = Tcl_FindHashEntry(&oglm.models, id);
    return entry ? (OglmModel *)Tcl_GetHashValue(entry) : NULL;
}

static void oglmFree(OglmModel *model)
{
    oglmFreeGeometry(model);
    free(model->loadedPath);
    free(model);
}

static void oglmDelete(const char *id)
{
    Tcl_HashEntry *entry = Tcl_FindHashEntry(&oglm.models, id);
    if (entry != NULL) {
        oglmFree((OglmModel *)Tcl_GetHashValue(entry));
        Tcl_DeleteHashEntry(entry);
    }
}

static void oglmExitHandler(ClientData)
{
    if (!oglm.initialised) {
        return;
    }
    Tcl_HashSearch search;
    for (Tcl_HashEntry *entry = Tcl_FirstHashEntry(&oglm.models, &search); entry; entry = Tcl_NextHashEntry(&search)) {
        oglmFree((OglmModel *)Tcl_GetHashValue(entry));
    }
    Tcl_DeleteHashTable(&oglm.models);
    oglm.initialised = false;
}

/* ---- Configuration ----------------------------------------------------------- */

static int configureFailed(Tcl_Interp *interp)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Error in oglm configure.\n", (char *)NULL);
    return TCL_ERROR;
}

static int oglmConfigure(OglmModel *model, Tcl_Interp *interp, int argc, const char **argv, int flags)
{
    Tk_Window main = oglm.mainWindow != NULL ? oglm.mainWindow : ovexMainWindow(interp);
    if (main == NULL) {
        return configureFailed(interp);
    }
    OglmModel scratch = {};
    scratch.file = model->file;
    scratch.reverse = model->reverse;
    scratch.normalMode = model->normalMode;
    scratch.smoothMode = model->smoothMode;
    scratch.smoothness = model->smoothness;
    scratch.zoom = model->zoom;
    if (Tk_ConfigureWidget(interp, main, oglmConfigSpecs, argc, argv, (char *)&scratch, flags) != TCL_OK) {
        return configureFailed(interp);
    }
    if (scratch.zoom > -1e-12 && scratch.zoom < 1e-12) {
        scratch.zoom = scratch.zoom < 0 ? -1e-12 : 1e-12;
    }
    const char *file = scratch.file != NULL ? scratch.file : "";
    bool newFile = file[0] != '\0' && (model->loadedPath == NULL || strcmp(file, model->loadedPath) != 0);
    if (newFile) {
        if (!oglmLoadObj(&scratch, file)) {
            oglmFreeGeometry(&scratch);
            free(scratch.loadedPath);
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "Error in load obj.\n", (char *)NULL);
            return TCL_ERROR;
        }
        oglmNormalizeSize(&scratch);
        oglmFacetNormals(&scratch, scratch.normalMode);
        oglmSmooth(&scratch, scratch.smoothMode, scratch.smoothness);
        if (scratch.reverse) {
            oglmReverse(&scratch);
        }
        oglmFreeGeometry(model);
        free(model->loadedPath);
        model->loadedPath = scratch.loadedPath;
        model->vertices = scratch.vertices;
        model->normals = scratch.normals;
        model->texcoords = scratch.texcoords;
        model->materials = scratch.materials;
        model->groups = scratch.groups;
    } else if (model->vertices != NULL) {
        if (scratch.zoom != model->zoom) {
            model->zoom = scratch.zoom;
            oglmNormalizeSize(model);
        }
        if (scratch.normalMode != model->normalMode || scratch.smoothMode != model->smoothMode
                || scratch.smoothness != model->smoothness) {
            oglmFacetNormals(model, scratch.normalMode);
            oglmSmooth(model, scratch.smoothMode, scratch.smoothness);
        }
        if ((scratch.reverse != 0) != (model->reverse != 0)) {
            oglmReverse(model);
        }
    }
    model->file = scratch.file;
    model->reverse = scratch.reverse;
    model->normalMode = scratch.normalMode;
    model->smoothMode = scratch.smoothMode;
    model->smoothness = scratch.smoothness;
    model->zoom = scratch.zoom;
    return TCL_OK;
}

static int oglmCreate(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) {
        Tcl_AppendResult(interp, "Usage: oglm create id ?options?\n", (char *)NULL);
        return TCL_ERROR;
    }
    if (oglmLookup(argv[2]) != NULL) {
        return glFail(interp, "oglm object already exists");
    }
    OglmModel *model = (OglmModel *)calloc(1, sizeof(OglmModel));
    if (model == NULL) {
        return glFail(interp, "Error in oglm alloc.");
    }
    if (oglmConfigure(model, interp, argc - 3, argv + 3, 0) != TCL_OK) {
        oglmFree(model);
        return TCL_ERROR;
    }
    int isNew;
    Tcl_HashEntry *entry = Tcl_CreateHashEntry(&oglm.models, argv[2], &isNew);
    Tcl_SetHashValue(entry, model);
    Tcl_SetResult(interp, (char *)argv[2], TCL_VOLATILE);
    return TCL_OK;
}

/* ---- info ------------------------------------------------------------------------- */

static const char *materialName(OglmModel *model, int index)
{
    return model->materials && index >= 0 && index < model->materials->count
           ? model->materials->materials[index].name : "default";
}

static void appendSummary(Tcl_Interp *interp, OglmModel *model)
{
    if (model->vertices == NULL) {
        Tcl_AppendResult(interp, "{}", (char *)NULL);
        return;
    }
    std::string text = "{";
    bool first = true;
    for (OglmGroup *group = model->groups; group != NULL; group = group->next) {
        if (oglmFaceCount(group) == 0) continue;
        Tcl_DString sub;
        Tcl_DStringInit(&sub);
        Tcl_DStringAppendElement(&sub, group->name);
        Tcl_DStringAppendElement(&sub, materialName(model, group->material));
        Tcl_DStringAppendElement(&sub, fmt("%d", oglmFaceCount(group)));
        text += first ? "{" : " {";
        text += Tcl_DStringValue(&sub);
        text += "}";
        Tcl_DStringFree(&sub);
        first = false;
    }
    text += "}";
    if (model->materials != NULL) {
        Tcl_DString names;
        Tcl_DStringInit(&names);
        for (int i = 0; i < model->materials->count; i++) {
            Tcl_DStringAppendElement(&names, model->materials->materials[i].name);
        }
        text += " {";
        text += Tcl_DStringValue(&names);
        text += "}";
        Tcl_DStringFree(&names);
    }
    text += fmt(" {v3 %d}", model->vertices->count);
    if (model->texcoords != NULL) text += fmt(" {t3 %d}", model->texcoords->count);
    if (model->normals != NULL) text += fmt(" {n3 %d}", model->normals->count);
    Tcl_AppendResult(interp, text.c_str(), (char *)NULL);
}

static std::string faceLists(const OglmGroup *group, const OglmIndexList *list)
{
    if (list == NULL) {
        return "{}";
    }
    std::string text;
    for (int32_t f = 0; f < oglmFaceCount(group); f++) {
        int32_t begin, end;
        oglmFaceRange(group, f, &begin, &end);
        text += f == 0 ? "{" : " {";
        for (int32_t k = begin; k < end && k < list->count; k++) {
            text += fmt(k == begin ? "%d" : " %d", list->values[k]);
        }
        text += "}";
    }
    return text;
}

static std::string materialPart(OglmModel *model, int index)
{
    Tcl_DString list;
    Tcl_DStringInit(&list);
    Tcl_DStringAppendElement(&list, materialName(model, index));
    if (model->materials && index >= 0 && index < model->materials->count) {
        const OglmMaterial *m = &model->materials->materials[index];
        Tcl_DStringAppendElement(&list, fmt("%f", m->Ns));
        for (const float *c : {m->Kd, m->Ks, m->Ka, m->Ke}) {
            Tcl_DStringAppendElement(&list, fmt("%f %f %f %f", c[0], c[1], c[2], c[3]));
        }
    }
    std::string text = Tcl_DStringValue(&list);
    Tcl_DStringFree(&list);
    return text;
}

static int oglmInfoCmd(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc > 5) {
        return TCL_ERROR;
    }
    if (argc == 2) {
        Tcl_HashSearch search;
        for (Tcl_HashEntry *e = Tcl_FirstHashEntry(&oglm.models, &search); e; e = Tcl_NextHashEntry(&search)) {
            Tcl_AppendElement(interp, (const char *)Tcl_GetHashKey(&oglm.models, e));
        }
        return TCL_OK;
    }
    OglmModel *model = oglmLookup(argv[2]);
    if (model == NULL) {
        Tcl_AppendResult(interp, "can't find ", argv[2], (char *)NULL);
        return TCL_ERROR;
    }
    if (argc == 3) {
        appendSummary(interp, model);
        return TCL_OK;
    }
    OglmGroup *group = oglmFindGroup(model, argv[3]);
    if (group == NULL) {
        Tcl_AppendResult(interp, "can't find component: ", argv[3], "\n", (char *)NULL);
        return TCL_ERROR;
    }
    if (oglmFaceCount(group) == 0) {
        return TCL_OK;
    }
    std::string text;
    if (argc == 4) {
        text = faceLists(group, group->vertices) + " " + faceLists(group, group->normals) + " "
               + faceLists(group, group->texcoords) + " " + materialPart(model, group->material);
    } else if (strcmp(argv[4], "vertex") == 0) {
        text = faceLists(group, group->vertices);
    } else if (strcmp(argv[4], "normal") == 0) {
        text = faceLists(group, group->normals);
    } else if (strcmp(argv[4], "texture") == 0) {
        text = faceLists(group, group->texcoords);
    } else if (strcmp(argv[4], "material") == 0) {
        text = materialPart(model, group->material);
    } else {
        Tcl_AppendResult(interp, "unknown oglm info option.\n", (char *)NULL);
        return TCL_ERROR;
    }
    Tcl_AppendResult(interp, text.c_str(), (char *)NULL);
    return TCL_OK;
}

/* ---- material ----------------------------------------------------------------------- */

static int materialAttributes(Tcl_Interp *interp, OglmMaterial *m, int argc, const char **argv)
{
    static const struct { const char *keyword; size_t offset; int count; } keywords[] = {
        {"diffuse", offsetof(OglmMaterial, Kd), 4}, {"specular", offsetof(OglmMaterial, Ks), 4},
        {"ambient", offsetof(OglmMaterial, Ka), 4}, {"emission", offsetof(OglmMaterial, Ke), 4},
        {"shininess", offsetof(OglmMaterial, Ns), 1},
    };
    for (int i = 0; i < argc; i++) {
        bool matched = false;
        for (const auto &k : keywords) {
            size_t length = strlen(k.keyword);
            if (strncmp(argv[i], k.keyword, length) != 0) continue;
            matched = true;
            float *values = (float *)((char *)m + k.offset);
            const char *rest = argv[i] + length;
            while (*rest == ' ' || *rest == '\t') rest++;
            if (*rest == '\0') {
                Tcl_AppendElement(interp, k.count == 4 ? fmt("%f %f %f %f", values[0], values[1], values[2], values[3])
                                                       : fmt("%f", values[0]));
            } else if (k.count == 4) {
                sscanf(rest, "%f %f %f %f", &values[0], &values[1], &values[2], &values[3]);
            } else {
                values[0] = (float)atof(rest);
            }
            break;
        }
        if (!matched) {
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "Unknown material attribute.", (char *)NULL);
            return TCL_ERROR;
        }
    }
    return TCL_OK;
}

static int oglmMaterialCmd(Tcl_Interp *interp, int argc, const char **argv)
{
    if (!(argc == 3 || (argc == 4 && strcmp(argv[3], "alloc") == 0) || argc >= 5)) {
        Tcl_AppendResult(interp, "Usage: oglm material objName set|bind|alloc mtlName ?options?\n", (char *)NULL);
        return TCL_ERROR;
    }
    OglmModel *model = oglmLookup(argv[2]);
    if (model == NULL) {
        Tcl_AppendResult(interp, "can't find ", argv[2], (char *)NULL);
        return TCL_ERROR;
    }
    if (argc == 3) {
        if (model->materials == NULL) {
            Tcl_AppendResult(interp, "{}", (char *)NULL);
        } else {
            for (int i = 0; i < model->materials->count; i++) {
                Tcl_AppendElement(interp, model->materials->materials[i].name);
            }
        }
        return TCL_OK;
    }
    const char *verb = argv[3];
    if (strcmp(verb, "alloc") == 0) {
        if (model->materials == NULL) model->materials = oglmMaterialsNew();
        for (OglmGroup *group = model->groups; model->materials && group; group = group->next) {
            if (oglmFaceCount(group) > 0 && group->material == 0) {
                int index = oglmFindMaterial(model->materials, group->name, true);
                if (index >= 0) group->material = index;
            }
        }
        return TCL_OK;
    }
    if (strcmp(verb, "set") != 0 && strcmp(verb, "bind") != 0) {
        Tcl_AppendResult(interp, "Syntax error.", (char *)NULL);
        return TCL_ERROR;
    }
    if (model->materials == NULL) model->materials = oglmMaterialsNew();
    int index = model->materials ? oglmFindMaterial(model->materials, argv[4], true) : -1;
    if (index < 0) {
        Tcl_AppendResult(interp, "Unknown material.\n", (char *)NULL);
        return TCL_ERROR;
    }
    if (strcmp(verb, "set") == 0) {
        return materialAttributes(interp, &model->materials->materials[index], argc - 5, argv + 5);
    }
    if (argc == 5) {
        OglmGroup *group = oglmFindGroup(model, argv[4]);
        if (group == NULL) {
            Tcl_AppendResult(interp, "Unknown component: ", argv[4], (char *)NULL);
            return TCL_ERROR;
        }
        group->material = index;
        return TCL_OK;
    }
    for (int i = 5; i < argc; i++) {
        OglmGroup *group = oglmFindGroup(model, argv[i]);
        if (group == NULL) {
            Tcl_AppendResult(interp, "Unknown component: ", argv[i], (char *)NULL);
            return TCL_ERROR;
        }
        group->material = index;
    }
    return TCL_OK;
}

/* ---- The command ------------------------------------------------------------------ */

static bool subcommand(const char *word, const char *name, size_t least)
{
    size_t length = strlen(word);
    return word[0] == name[0] && length >= least && strncmp(word, name, length) == 0;
}

static int oglmCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        Tcl_AppendResult(interp, "Usage: ", argv[0],
                         " create|cget|config|delete|draw|info|material|normal|reverse|smooth|save ?options?\n",
                         (char *)NULL);
        return TCL_OK;
    }
    const char *word = argv[1];
    if (subcommand(word, "create", 3)) return oglmCreate(interp, argc, argv);
    if (subcommand(word, "info", 3)) return oglmInfoCmd(interp, argc, argv);
    if (subcommand(word, "material", 4)) return oglmMaterialCmd(interp, argc, argv);
    if (subcommand(word, "delete", 3)) {
        if (argc != 3) return glFail(interp, "Error in oglm command syntax.");
        oglmDelete(argv[2]);
        return TCL_OK;
    }
    struct { const char *name; int least, most; } counted[] = {
        {"configure", 3, INT32_MAX}, {"cget", 4, 4}, {"draw", 3, 3}, {"normal", 3, 4},
        {"reverse", 3, 3}, {"save", 4, 5}, {"smooth", 3, 5},
    };
    const char *verb = NULL;
    for (const auto &c : counted) {
        if (subcommand(word, c.name, 3)) {
            if (argc < c.least || argc > c.most) return glFail(interp, "Error in oglm command syntax.");
            verb = c.name;
            break;
        }
    }
    if (verb == NULL) {
        return glFail(interp, "Unknown oglm command.");
    }
    OglmModel *model = oglmLookup(argv[2]);
    if (model == NULL) {
        return glFail(interp, "Non-existing oglm object.");
    }
    Tk_Window main = oglm.mainWindow != NULL ? oglm.mainWindow : ovexMainWindow(interp);
    if (strcmp(verb, "configure") == 0) {
        if (argc <= 4) {
            if (main == NULL) return configureFailed(interp);
            return Tk_ConfigureInfo(interp, main, oglmConfigSpecs, (char *)model, argc == 4 ? argv[3] : NULL, 0);
        }
        return oglmConfigure(model, interp, argc - 3, argv + 3, TK_CONFIG_ARGV_ONLY);
    }
    if (strcmp(verb, "cget") == 0) {
        if (main == NULL) return configureFailed(interp);
        return Tk_ConfigureValue(interp, main, oglmConfigSpecs, (char *)model, argv[3], 0);
    }
    if (strcmp(verb, "draw") == 0) {
        if (glwBoundSurface() != NULL) {
            oglmDraw(model);
        }
        return TCL_OK;
    }
    if (strcmp(verb, "normal") == 0) {
        int mode = argc == 4 ? atoi(argv[3]) : 1;
        model->normalMode = mode < 0 || mode > 2 ? 0 : mode;
        oglmFacetNormals(model, model->normalMode);
        return TCL_OK;
    }
    if (strcmp(verb, "reverse") == 0) {
        model->reverse = !model->reverse;
        oglmReverse(model);
        return TCL_OK;
    }
    if (strcmp(verb, "save") == 0) {
        if (!oglmSaveObj(model, argv[3], argc == 5 ? atoi(argv[4]) : 0)) {
            Tcl_AppendResult(interp, "Error in save.", (char *)NULL);
            return TCL_ERROR;
        }
        return TCL_OK;
    }
    /* smooth */
    int mode = argc >= 4 ? atoi(argv[3]) : 2;
    double smoothness = argc == 5 ? atof(argv[4]) : model->smoothness;
    mode = mode < 0 || mode > 2 ? 0 : mode;
    oglmSmooth(model, mode, smoothness);
    model->smoothMode = mode;
    model->smoothness = smoothness;
    return TCL_OK;
}

int Glm_Init(Tcl_Interp *interp)
{
    if (!oglm.initialised) {
        Tcl_InitHashTable(&oglm.models, TCL_STRING_KEYS);
        Tcl_CreateExitHandler(oglmExitHandler, NULL);
        oglm.initialised = true;
    }
    if (oglm.mainWindow == NULL) {
        oglm.mainWindow = ovexMainWindow(interp);
    }
    return Tcl_CreateCommand(interp, "oglm", oglmCmd, &oglm.models, NULL) == NULL ? 1 : 0;
}
