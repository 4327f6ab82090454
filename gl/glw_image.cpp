/*
 * glw_image.cpp --
 *
 *	The Tk image type "glw": an off-screen GL surface that any widget
 *	showing the image copies its picture from.
 */
#include <string.h>

#include <tk.h>

#include "gl/gl_binding.h"
#include "gl/glw_glx.h"
#include "gl/glw_surface.h"
#include "core/package.h"
#include "canvas/canvas_render.h"
#include "ovex/ovexstdio.h"

static int glwImageCreate(Tcl_Interp *interp, const char *name, int objc, Tcl_Obj *const objv[],
                          const Tk_ImageType *typePtr, Tk_ImageMaster master, ClientData *clientDataPtr)
{
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        Tcl_SetResult(interp, (char *)"glw images need Tk", TCL_STATIC);
        return TCL_ERROR;
    }
    Tk_MakeWindowExist(main);
    GlwInfo *surface = glwAllocSurface(GLW_IMAGE);
    surface->master = master;
    surface->interp = interp;
    surface->tkwin = main;
    surface->display = Tk_Display(main);
    surface->gc = Tk_GetGC(main, 0, NULL);
    surface->drawable = Tk_WindowId(main);
    surface->registry = (Tcl_HashTable *)getCommandClientData(interp, "glw");
    surface->name = strcpy(Tcl_Alloc(strlen(name) + 1), name);

    const char **argv = (const char **)Tcl_Alloc(sizeof(char *) * (size_t)(objc + 1));
    for (int i = 0; i < objc; i++) {
        argv[i] = Tcl_GetString(objv[i]);
    }
    argv[objc] = NULL;
    int code = glwConfigure(interp, surface, objc, argv, 0);
    Tcl_Free((char *)argv);
    if (code != TCL_OK || !glwSetupContext(surface, true)) {
        if (code == TCL_OK) {
            Tcl_ResetResult(interp);
        }
        surface->tkwin = NULL;
        glwFree(surface);
        return TCL_ERROR;
    }
    if (surface->registry != NULL) {
        glwRegister(surface->registry, name, surface);
    }
    *clientDataPtr = surface;
    surface->command = Tcl_CreateCommand(interp, name, glwWidgetCmd, surface, glwCmdDeleteProc);
    Tcl_InitHashTable(&surface->items, TCL_STRING_KEYS);
    surface->itemsReady = 1;
    Tk_ImageChanged(master, 0, 0, surface->width, surface->height, surface->width, surface->height);
    return TCL_OK;
}

static ClientData glwImageGet(Tk_Window tkwin, ClientData clientData)
{
    GlwInfo *surface = (GlwInfo *)clientData;
    GlwImageInstance *instance = (GlwImageInstance *)Tcl_Alloc(sizeof(GlwImageInstance));
    instance->tkwin = tkwin;
    instance->surface = surface;
    instance->next = surface->instances;
    surface->instances = instance;
    /* Only a palette visual needs the surface's colours. */
    if (glwVisualClass(surface) == PseudoColor && Tk_Visual(tkwin) == Tk_Visual(surface->tkwin)) {
        Tk_SetWindowColormap(tkwin, surface->colormap);
    }
    return instance;
}

static void glwImageDisplay(ClientData instanceData, Display *display, Drawable drawable, int imageX,
                            int imageY, int width, int height, int drawableX, int drawableY)
{
    GlwImageInstance *instance = (GlwImageInstance *)instanceData;
    GlwInfo *surface = instance->surface;
    if (imageX + width > surface->width) width = surface->width - imageX;
    if (imageY + height > surface->height) height = surface->height - imageY;
    glwCopyTo(surface, drawable, imageX, imageY, width, height, drawableX, drawableY);
}

static void glwImageFree(ClientData instanceData, Display *display)
{
    GlwImageInstance *instance = (GlwImageInstance *)instanceData;
    GlwImageInstance **link = &instance->surface->instances;
    while (*link != NULL && *link != instance) {
        link = &(*link)->next;
    }
    if (*link != NULL) {
        *link = instance->next;
    }
    Tcl_Free((char *)instance);
}

static void glwImageDelete(ClientData clientData)
{
    GlwInfo *surface = (GlwInfo *)clientData;
    if (surface->instances != NULL) {
        ovex_fprintf(stderr, "tried to delete glimg image when clients still exist");
    }
    /* Tk forgets the instances of a deleted master; glwFree frees them. */
    surface->master = NULL;
    glwDestroy(surface);
}

Tk_ImageType glwImageType = {
    (char *)"glw", glwImageCreate, glwImageGet, glwImageDisplay, glwImageFree, glwImageDelete,
    NULL, NULL, NULL,
};

int Glimg_Init(Tcl_Interp *interp)
{
    static bool registered = false;
    if (!registered && ovexMainWindow(interp) != NULL) {
        Tk_CreateImageType(&glwImageType);
        registered = true;
    }
    return 0;
}
