/*
 * glw_surface.cpp --
 *
 *	GL surfaces: the selected and bound surfaces, the registry, options,
 *	the glw and surface commands, redraw and resize, and teardown.
 *
 *	A surface being redrawn or resized is the selected surface while its
 *	display or viewport script runs, so that the script's item lookups
 *	and GL calls both reach that surface; the previous selection comes
 *	back afterwards.
 */
#include <set>
#include <stdlib.h>
#include <string.h>

#include <GL/gl.h>
#include <tk.h>

#include "gl/gl_binding.h"
#include "gl/gl_items.h"
#include "gl/glw_glx.h"
#include "gl/glw_surface.h"
#include "core/package.h"
#include "core/rounding.h"
#include "core/gmem.h"
#include "canvas/canvas_render.h"
#include "display/windraw/x_error_trap.h"

/* ---- Selection and binding --------------------------------------------------- */

static GlwInfo *selectedSurface = NULL;
static GlwInfo *boundSurface = NULL;
static std::set<const GlwInfo *> liveSurfaces;

GlwInfo *currentGlw(void) { return selectedSurface; }
GlwInfo *glwBoundSurface(void) { return boundSurface; }
bool glwIsLive(const GlwInfo *surface) { return surface != NULL && liveSurfaces.count(surface) != 0; }

Tcl_HashTable *glwCurrentItems(void)
{
    return selectedSurface != NULL && selectedSurface->itemsReady ? &selectedSurface->items : NULL;
}

void glwBindContext(GlwInfo *surface)
{
    if (surface != NULL && surface != boundSurface && surface->context != NULL) {
        boundSurface = surface;
        glwMakeCurrent(surface);
    }
}

void glwForgetBinding(void)
{
    boundSurface = NULL;
}

void glwSetCurrent(Tcl_Interp *interp, GlwInfo *surface)
{
    Tcl_ResetResult(interp);
    if (selectedSurface != NULL && selectedSurface->interp == interp && selectedSurface->command != NULL) {
        Tcl_AppendResult(interp, Tcl_GetCommandName(interp, selectedSurface->command), (char *)NULL);
    }
    selectedSurface = surface;
    glwBindContext(surface);
}

/* Makes a surface the selected and bound one for a while. */
class SelectionSwap {
public:
    explicit SelectionSwap(GlwInfo *surface) : previous(selectedSurface)
    {
        selectedSurface = surface;
        glwBindContext(surface);
    }
    ~SelectionSwap()
    {
        selectedSurface = glwIsLive(previous) ? previous : NULL;
        glwBindContext(selectedSurface);
    }

private:
    GlwInfo *previous;
};

/* ---- Registry ------------------------------------------------------------------- */

void glwRegister(Tcl_HashTable *registry, const char *name, GlwInfo *surface)
{
    int isNew;
    Tcl_SetHashValue(Tcl_CreateHashEntry(registry, name, &isNew), surface);
}

void glwUnregister(Tcl_HashTable *registry, const char *name, GlwInfo *surface)
{
    if (registry == NULL) {
        return;
    }
    Tcl_HashEntry *entry = name != NULL ? Tcl_FindHashEntry(registry, name) : NULL;
    if (entry != NULL && Tcl_GetHashValue(entry) == surface) {
        Tcl_DeleteHashEntry(entry);
        return;
    }
    Tcl_HashSearch search;
    for (entry = Tcl_FirstHashEntry(registry, &search); entry; entry = Tcl_NextHashEntry(&search)) {
        if (Tcl_GetHashValue(entry) == surface) {
            Tcl_DeleteHashEntry(entry);
            return;
        }
    }
}

GlwInfo *glwLookup(Tcl_HashTable *registry, const char *name)
{
    Tcl_HashEntry *entry = registry && name ? Tcl_FindHashEntry(registry, name) : NULL;
    return entry ? (GlwInfo *)Tcl_GetHashValue(entry) : NULL;
}

static void glwList(Tcl_HashTable *registry, Tcl_Interp *interp)
{
    Tcl_HashSearch search;
    for (Tcl_HashEntry *entry = Tcl_FirstHashEntry(registry, &search); entry;
         entry = Tcl_NextHashEntry(&search)) {
        Tcl_AppendElement(interp, (const char *)Tcl_GetHashKey(registry, entry));
    }
}

/* ---- Options ---------------------------------------------------------------------- */

static Tk_ConfigSpec glwConfigSpecs[] = {
    {TK_CONFIG_PIXELS, "-height", "height", "Height", "256", Tk_Offset(GlwInfo, height), 0, NULL},
    {TK_CONFIG_PIXELS, "-width", "width", "Width", "256", Tk_Offset(GlwInfo, width), 0, NULL},
    {TK_CONFIG_PIXELS, "-x", "x", "X", "0", Tk_Offset(GlwInfo, x), 0, NULL},
    {TK_CONFIG_PIXELS, "-y", "y", "Y", "0", Tk_Offset(GlwInfo, y), 0, NULL},
    {TK_CONFIG_BOOLEAN, "-dbuffer", "dbuffer", "DBuffer", "1", Tk_Offset(GlwInfo, dbuffer), 0, NULL},
    {TK_CONFIG_INT, "-depth", "depth", "Depth", "32", Tk_Offset(GlwInfo, depth), 0, NULL},
    {TK_CONFIG_INT, "-stencil", "stencil", "Stencil", "0", Tk_Offset(GlwInfo, stencil), 0, NULL},
    {TK_CONFIG_INT, "-alpha", "alpha", "Alpha", "0", Tk_Offset(GlwInfo, alpha), 0, NULL},
    {TK_CONFIG_INT, "-accum", "accum", "Accum", "0", Tk_Offset(GlwInfo, accum), 0, NULL},
    {TK_CONFIG_DOUBLE, "-aspect", "aspect", "Aspect", "0", Tk_Offset(GlwInfo, aspect), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL},
};

/* The window the options are read against: the surface's, or for an
 * image the main window. */
static Tk_Window optionWindow(GlwInfo *surface)
{
    return surface->tkwin;
}

int glwConfigure(Tcl_Interp *interp, GlwInfo *surface, int argc, const char **argv, int flags)
{
    int oldWidth = surface->width, oldHeight = surface->height;
    if (Tk_ConfigureWidget(interp, optionWindow(surface), glwConfigSpecs, argc, argv, (char *)surface,
                           flags) != TCL_OK) {
        return TCL_ERROR;
    }
    /* X sizes are 16-bit and a picture needs a pixel. */
    surface->width = surface->width < 1 ? 1 : surface->width > 32767 ? 32767 : surface->width;
    surface->height = surface->height < 1 ? 1 : surface->height > 32767 ? 32767 : surface->height;
    if ((surface->width != oldWidth || surface->height != oldHeight) && surface->type != GLW_IMAGE) {
        Tk_GeometryRequest(surface->tkwin, surface->width, surface->height);
    }
    return TCL_OK;
}

/* ---- Redraw and resize ---------------------------------------------------------------- */

/* Evaluates a script item of the selected surface, its outcome ignored.
 * The script is copied first: it may replace its own item. */
static void runScriptItem(Tcl_Interp *interp, const char *name)
{
    GlItem *item = glItemFind(name);
    if (item == NULL || item->type != GLTYPE_CHAR || interp == NULL) {
        return;
    }
    Tcl_DString script;
    Tcl_DStringInit(&script);
    Tcl_DStringAppend(&script, (const char *)item->data, -1);
    Tcl_Preserve(interp);
    Tcl_InterpState state = Tcl_SaveInterpState(interp, TCL_OK);
    Tcl_EvalEx(interp, Tcl_DStringValue(&script), -1, TCL_EVAL_GLOBAL);
    Tcl_RestoreInterpState(interp, state);
    Tcl_Release(interp);
    Tcl_DStringFree(&script);
}

void glwViewportBox(int x, int y, int width, int height, double aspect, int box[4])
{
    box[0] = x;
    box[1] = y;
    box[2] = width;
    box[3] = height;
    if (aspect > 0) {
        box[2] = roundToInt(width * aspect);
    } else if (aspect < 0) {
        box[3] = roundToInt(-height * aspect);
    }
}

void glwViewport(GlwInfo *surface)
{
    if (surface->context == NULL || surface->tkwin == NULL) {
        return;
    }
    if (surface->type != GLW_IMAGE) {
        int width = Tk_Width(surface->tkwin), height = Tk_Height(surface->tkwin);
        bool changed = width != surface->width || height != surface->height;
        surface->width = width > 0 ? width : 1;
        surface->height = height > 0 ? height : 1;
        if (surface->pixmap != None && changed) {
            glwReplacePixmap(surface);
        }
    } else {
        glwReplacePixmap(surface);
    }
    Tcl_Preserve(surface);
    {
        SelectionSwap swap(surface);
        int box[4];
        glwViewportBox(surface->x, surface->y, surface->width, surface->height, surface->aspect, box);
        glViewport(box[0], box[1], box[2], box[3]);
        runScriptItem(surface->interp, "viewport");
    }
    if (surface->type == GLW_IMAGE && surface->master != NULL && surface->tkwin != NULL) {
        Tk_ImageChanged(surface->master, 0, 0, surface->width, surface->height, surface->width,
                        surface->height);
    }
    Tcl_Release(surface);
}

static void glwDisplay(ClientData clientData)
{
    GlwInfo *surface = (GlwInfo *)clientData;
    surface->redrawPending = 0;
    if (surface->tkwin == NULL || surface->context == NULL
            || (surface->type == GLW_CHILD_WINDOW && !Tk_IsMapped(surface->tkwin))) {
        return;
    }
    Tcl_Preserve(surface);
    {
        SelectionSwap swap(surface);
        runScriptItem(surface->interp, "display");
        if (surface->context != NULL && surface->tkwin != NULL) {
            glwBindContext(surface);
            glFlush();
            if (surface->type == GLW_CHILD_WINDOW && surface->dbuffer) {
                glwSwapBuffers(surface);
            }
            /* GL writes the whole pixmap when it flushes: anything drawn
             * over the picture has to come after. */
            if (surface->pixmap != None) {
                glwWaitGL(surface);
            }
        }
    }
    if (surface->tkwin != NULL && surface->context != NULL) {
        if (surface->type == GLW_IMAGE) {
            Tk_ImageChanged(surface->master, 0, 0, surface->width, surface->height, surface->width,
                            surface->height);
        } else if (surface->type == GLW_TK_WINDOW && surface->pixmap != None) {
            if (surface->canvas != NULL) {
                Tcl_InterpState state = Tcl_SaveInterpState(surface->interp, TCL_OK);
                drawCanvasToPixmap(surface->interp, surface->pixmap, (CanvasInfo *)surface->canvas, 0, 0,
                                   surface->width, surface->height, 1);
                Tcl_RestoreInterpState(surface->interp, state);
            }
            if (Tk_WindowId(surface->tkwin) != None) {
                glwCopyTo(surface, Tk_WindowId(surface->tkwin), 0, 0, surface->width, surface->height, 0, 0);
            }
        }
    }
    Tcl_Release(surface);
}

void glwEventuallyRedraw(GlwInfo *surface)
{
    if (!surface->redrawPending && surface->tkwin != NULL) {
        surface->redrawPending = 1;
        Tcl_DoWhenIdle(glwDisplay, surface);
    }
}

static void glwEventProc(ClientData clientData, XEvent *event)
{
    GlwInfo *surface = (GlwInfo *)clientData;
    switch (event->type) {
    case Expose: glwEventuallyRedraw(surface); break;
    case ConfigureNotify: glwViewport(surface); break;
    case DestroyNotify: glwDestroy(surface); break;
    default: break;
    }
}

/* ---- Teardown ---------------------------------------------------------------------------- */

GlwInfo *glwAllocSurface(int type)
{
    GlwInfo *surface = (GlwInfo *)Tcl_Alloc(sizeof(GlwInfo));
    memset(surface, 0, sizeof(GlwInfo));
    surface->type = type;
    liveSurfaces.insert(surface);
    return surface;
}

void glwFree(GlwInfo *surface)
{
    liveSurfaces.erase(surface);
    if (surface->context != NULL) {
        /* Items are freed with this surface's context current, so that
         * GL lets go of any item it holds as an array or buffer. */
        boundSurface = NULL;
        glwBindContext(surface);
        if (surface->itemsReady) {
            GlwInfo *selected = selectedSurface;
            selectedSurface = surface;
            glItemTableFree(&surface->items);
            selectedSurface = selected;
            surface->itemsReady = 0;
        }
        glwReleaseContext(surface);
        boundSurface = NULL;
    } else if (surface->itemsReady) {
        glItemTableFree(&surface->items);
        surface->itemsReady = 0;
    }
    if (selectedSurface == surface) {
        selectedSurface = NULL;
    }
    if (boundSurface == surface) {
        boundSurface = NULL;
    }
    glwBindContext(selectedSurface);
    XErrorTrap trap;
    xErrorTrapBegin(&trap, surface->display);
    if (surface->gc != NULL) {
        Tk_FreeGC(surface->display, surface->gc);
    }
    if (surface->colormap != None) {
        XFreeColormap(surface->display, surface->colormap);
    }
    xErrorTrapEnd(&trap);
    while (surface->instances != NULL) {
        GlwImageInstance *next = surface->instances->next;
        Tcl_Free((char *)surface->instances);
        surface->instances = next;
    }
    Tk_FreeOptions(glwConfigSpecs, (char *)surface, surface->display, 0);
    free(surface->canvas);
    Tcl_Free(surface->name);
    Tcl_Free((char *)surface);
}

static void freeSurfaceProc(char *block)
{
    glwFree((GlwInfo *)block);
}

void glwDestroy(GlwInfo *surface)
{
    if (surface->tkwin == NULL) {
        return;
    }
    Tk_Window tkwin = surface->tkwin;
    surface->tkwin = NULL;
    if (surface->type != GLW_IMAGE) {
        Tk_DeleteEventHandler(tkwin, StructureNotifyMask | ExposureMask, glwEventProc, surface);
    }
    if (surface->command != NULL) {
        Tcl_Command command = surface->command;
        surface->command = NULL;
        Tcl_DeleteCommandFromToken(surface->interp, command);
    }
    if (surface->type == GLW_IMAGE && surface->master != NULL && surface->name != NULL) {
        /* Tk deletes the master and calls the image delete procedure,
         * which finds this surface already going. */
        surface->master = NULL;
        Tk_DeleteImage(surface->interp, surface->name);
    }
    glwUnregister(surface->registry, surface->name, surface);
    if (surface->redrawPending) {
        Tcl_CancelIdleCall(glwDisplay, surface);
        surface->redrawPending = 0;
    }
    Tcl_EventuallyFree(surface, freeSurfaceProc);
}

void glwCmdDeleteProc(ClientData clientData)
{
    GlwInfo *surface = (GlwInfo *)clientData;
    surface->command = NULL;
    if (surface->type == GLW_IMAGE) {
        glwDestroy(surface);
    }
}

static void glwRegistryFree(Tcl_HashTable *registry)
{
    Tcl_HashSearch search;
    Tcl_HashEntry *entry;
    while ((entry = Tcl_FirstHashEntry(registry, &search)) != NULL) {
        GlwInfo *surface = (GlwInfo *)Tcl_GetHashValue(entry);
        Tcl_DeleteHashEntry(entry);
        surface->registry = NULL;
        if (surface->tkwin != NULL) {
            glwDestroy(surface);
        }
    }
    Tcl_DeleteHashTable(registry);
    tclFree(registry);
}

static void glwCmdDelete(ClientData clientData)
{
    glwUnbindAll(getOvexDisplay());
    boundSurface = NULL;
    glwRegistryFree((Tcl_HashTable *)clientData);
}

/* ---- Surface command -------------------------------------------------------------------- */

/* An image whose size changed gets a new picture and a redraw. */
static void followImageSize(GlwInfo *surface, int oldWidth, int oldHeight)
{
    if (surface->type == GLW_IMAGE && surface->tkwin != NULL
            && (surface->width != oldWidth || surface->height != oldHeight)) {
        glwViewport(surface);
        glwEventuallyRedraw(surface);
    }
}

static int currentQuery(Tcl_Interp *interp, GlwInfo *surface)
{
    Tcl_SetResult(interp, (char *)(selectedSurface == surface ? "1" : "0"), TCL_STATIC);
    return TCL_OK;
}

int glwWidgetCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    GlwInfo *surface = (GlwInfo *)clientData;
    if (argc < 2) {
        Tcl_AppendResult(interp, "wrong # args: should be \"", argv[0], " option ?arg arg ...?\"", (char *)NULL);
        return TCL_ERROR;
    }
    Tcl_Preserve(surface);
    int oldWidth = surface->width, oldHeight = surface->height;
    int code = TCL_OK;
    const char *word = argv[1];
    Tk_Window tkwin = surface->tkwin;
    if (ovexMatchWord(word, "configure", 2) && tkwin != NULL) {
        if (argc == 2) {
            code = Tk_ConfigureInfo(interp, tkwin, glwConfigSpecs, (char *)surface, NULL, 0);
        } else if (argc == 3) {
            code = Tk_ConfigureInfo(interp, tkwin, glwConfigSpecs, (char *)surface, argv[2], 0);
        } else {
            code = glwConfigure(interp, surface, argc - 2, argv + 2, TK_CONFIG_ARGV_ONLY);
        }
    } else if (ovexMatchWord(word, "cget", 2) && tkwin != NULL) {
        if (argc != 3) {
            Tcl_AppendResult(interp, "wrong # args: should be \"", argv[0], " cget option\"", (char *)NULL);
            code = TCL_ERROR;
        } else {
            code = Tk_ConfigureValue(interp, tkwin, glwConfigSpecs, (char *)surface, argv[2], 0);
        }
    } else if (ovexMatchWord(word, "current", 2)) {
        if (argc == 2) {
            glwSetCurrent(interp, surface);
        } else if (strcmp(argv[2], "?") == 0) {
            currentQuery(interp, surface);
        } else {
            Tcl_SetResult(interp, (char *)"syntax error", TCL_STATIC);
            code = TCL_ERROR;
        }
    } else if (ovexMatchWord(word, "draw", 1)) {
        glwEventuallyRedraw(surface);
    } else {
        Tcl_AppendResult(interp, "unknown command: ", word, (char *)NULL);
        Tcl_Release(surface);
        return TCL_ERROR;
    }
    followImageSize(surface, oldWidth, oldHeight);
    Tcl_Release(surface);
    return code;
}

/* ---- Window surfaces ------------------------------------------------------------------- */

/* Gives up a half-made window surface. */
static void abandonSurface(GlwInfo *surface, bool destroyWindow)
{
    Tk_Window tkwin = surface->tkwin;
    Tk_DeleteEventHandler(tkwin, StructureNotifyMask | ExposureMask, glwEventProc, surface);
    surface->tkwin = NULL;
    if (surface->command != NULL) {
        Tcl_Command command = surface->command;
        surface->command = NULL;
        Tcl_DeleteCommandFromToken(surface->interp, command);
    }
    if (destroyWindow) {
        Tk_DestroyWindow(tkwin);
    }
    glwFree(surface);
}

static int makeWindowSurface(Tcl_Interp *interp, Tcl_HashTable *registry, int argc, const char **argv)
{
    const char *path = argv[1];
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        return glFail(interp, "Error in creating window");
    }
    Tk_Window tkwin = Tk_NameToWindow(interp, path, main);
    Tcl_ResetResult(interp);
    int type = GLW_TK_WINDOW;
    if (tkwin != NULL) {
        if (glwLookup(registry, path) != NULL) {
            return glFail(interp, "glw window already exist");
        }
    } else {
        tkwin = Tk_CreateWindowFromPath(interp, main, path, NULL);
        Tcl_ResetResult(interp);
        if (tkwin == NULL) {
            return glFail(interp, "Error in creating window");
        }
        type = GLW_CHILD_WINDOW;
    }
    GlwInfo *surface = glwAllocSurface(type);
    surface->tkwin = tkwin;
    surface->display = Tk_Display(tkwin);
    surface->interp = interp;
    surface->registry = registry;
    surface->name = strcpy(Tcl_Alloc(strlen(path) + 1), path);
    Tk_CreateEventHandler(tkwin, StructureNotifyMask | ExposureMask, glwEventProc, surface);

    if (type == GLW_CHILD_WINDOW) {
        Tk_SetClass(tkwin, "GLW");
        surface->command = Tcl_CreateCommand(interp, path, glwWidgetCmd, surface, glwCmdDeleteProc);
        if (glwConfigure(interp, surface, argc - 2, argv + 2, 0) != TCL_OK) {
            abandonSurface(surface, true);
            return TCL_ERROR;
        }
        if (!glwPrepareChildWindow(surface)) {
            abandonSurface(surface, true);
            Tcl_ResetResult(interp);
            return TCL_ERROR;
        }
        Tk_MakeWindowExist(tkwin);
    } else {
        if (glwConfigure(interp, surface, argc - 2, argv + 2, 0) != TCL_OK) {
            abandonSurface(surface, true);
            return TCL_ERROR;
        }
        glwPrepareTkWindow(surface);
        Tk_MakeWindowExist(tkwin);
        if (Tk_Class(tkwin) != NULL && strcmp(Tk_Class(tkwin), "Canvas") == 0) {
            CanvasInfo info;
            Tcl_InterpState state = Tcl_SaveInterpState(interp, TCL_OK);
            if (getCanvasInfo(interp, path, &info) == TCL_OK) {
                surface->canvas = malloc(sizeof(CanvasInfo));
                if (surface->canvas != NULL) {
                    memcpy(surface->canvas, &info, sizeof info);
                }
            }
            Tcl_RestoreInterpState(interp, state);
        }
    }
    surface->drawable = Tk_WindowId(tkwin);
    surface->gc = Tk_GetGC(tkwin, 0, NULL);
    if (!glwSetupContext(surface, type != GLW_CHILD_WINDOW)) {
        abandonSurface(surface, type == GLW_CHILD_WINDOW);
        Tcl_ResetResult(interp);
        return TCL_ERROR;
    }
    Tcl_InitHashTable(&surface->items, TCL_STRING_KEYS);
    surface->itemsReady = 1;
    glwRegister(registry, path, surface);
    Tcl_SetResult(interp, (char *)path, TCL_VOLATILE);
    return TCL_OK;
}

/* ---- The glw command ------------------------------------------------------------------- */

static int glwCurrentCmd(Tcl_Interp *interp, Tcl_HashTable *registry, int argc, const char **argv)
{
    if (argc == 2) {
        if (selectedSurface != NULL && selectedSurface->command != NULL && selectedSurface->interp == interp) {
            Tcl_SetResult(interp, (char *)Tcl_GetCommandName(interp, selectedSurface->command), TCL_VOLATILE);
        }
        return TCL_OK;
    }
    if (argv[2][0] == '\0') {
        return TCL_OK;
    }
    GlwInfo *surface = glwLookup(registry, argv[2]);
    if (surface == NULL) {
        return glFail(interp, "Invalid glw pathname.");
    }
    if (argc > 4) {
        Tcl_SetResult(interp, (char *)"Usage: glw current glwPath ?option?", TCL_STATIC);
        return TCL_ERROR;
    }
    if (argc == 3) {
        glwSetCurrent(interp, surface);
    } else if (strcmp(argv[3], "?") == 0) {
        currentQuery(interp, surface);
    } else if (glScalarInt(argv[3]) != 0) {
        glwSetCurrent(interp, surface);
    } else if (selectedSurface == surface) {
        glwSetCurrent(interp, NULL);
    }
    return TCL_OK;
}

static int glwCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    Tcl_HashTable *registry = (Tcl_HashTable *)clientData;
    if (argc < 2) {
        Tcl_AppendResult(interp, "wrong # args:  should be \"", argv[0],
                         " pathName|current|delete|draw|exists|list ?options?\"", (char *)NULL);
        return TCL_ERROR;
    }
    const char *word = argv[1];
    if (ovexMatchWord(word, "current", 2)) {
        return glwCurrentCmd(interp, registry, argc, argv);
    }
    if (word[0] == 'd') {
        if (ovexMatchWord(word, "delete", 3)) {
            GlwInfo *surface = argc == 3 ? glwLookup(registry, argv[2]) : NULL;
            if (surface == NULL) {
                return TCL_ERROR;
            }
            if (surface->type == GLW_CHILD_WINDOW) {
                Tk_DestroyWindow(surface->tkwin);
            } else if (surface->type == GLW_TK_WINDOW) {
                glwDestroy(surface);
            } else {
                return Tcl_VarEval(interp, "image delete ", surface->name, (char *)NULL);
            }
            return TCL_OK;
        }
        if (ovexMatchWord(word, "draw", 3)) {
            GlwInfo *surface = argc == 3 ? glwLookup(registry, argv[2]) : selectedSurface;
            if (argc != 3 && surface != NULL && !glwIsLive(surface)) {
                surface = NULL;
            }
            if (surface != NULL) {
                glwEventuallyRedraw(surface);
            }
            return TCL_OK;
        }
        return TCL_ERROR;
    }
    if (ovexMatchWord(word, "exists", 3)) {
        if (argc != 3) {
            return TCL_ERROR;
        }
        Tcl_SetResult(interp, (char *)(glwLookup(registry, argv[2]) ? "1" : "0"), TCL_STATIC);
        return TCL_OK;
    }
    if (ovexMatchWord(word, "list", 3)) {
        glwList(registry, interp);
        return TCL_OK;
    }
    return makeWindowSurface(interp, registry, argc, argv);
}

int Glw_Init(Tcl_Interp *interp)
{
    Tcl_HashTable *registry = (Tcl_HashTable *)tclAlloc(sizeof(Tcl_HashTable));
    if (registry == NULL) {
        return TCL_ERROR;
    }
    Tcl_InitHashTable(registry, TCL_STRING_KEYS);
    if (Tcl_CreateCommand(interp, "glw", glwCmd, registry, glwCmdDelete) == NULL) {
        Tcl_DeleteHashTable(registry);
        tclFree(registry);
        return TCL_ERROR;
    }
    if (Ogl_Init(interp) != 0) {
        Tcl_AppendResult(interp, "Error in Ogl_Init", (char *)NULL);
        return TCL_ERROR;
    }
    if (Glimg_Init(interp) != 0) {
        Tcl_AppendResult(interp, "Error in Glimg_Init", (char *)NULL);
    }
    if (Glm_Init(interp) != 0) {
        Tcl_AppendResult(interp, "Error in Glm_Init", (char *)NULL);
    }
    return Tcl_PkgProvide(interp, "glw", "1.0");
}
