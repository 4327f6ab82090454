/*
 * glw_surface.h --
 *
 *	GL surfaces: GL child windows (type 1), Tk windows made GL-capable
 *	(type 2) and images of the Tk image type "glw" (type 3), with the
 *	process-wide selected and bound surfaces the GL commands work on.
 */
#ifndef OVEX_GL_GLW_SURFACE_H
#define OVEX_GL_GLW_SURFACE_H

#include <tcl.h>
#include <tk.h>

enum { GLW_CHILD_WINDOW = 1, GLW_TK_WINDOW = 2, GLW_IMAGE = 3 };

struct GlwContext;
struct GlwImageInstance;

struct GlwInfo {
    int type;                   /* GLW_... */
    Tk_ImageMaster master;      /* images */
    Tk_Window tkwin;            /* window, or the main window of an image; NULL once dying */
    Display *display;
    Drawable drawable;          /* what GL renders into: the window or the pixmap */
    Tcl_Interp *interp;         /* where the surface was made; its scripts run here */
    Tcl_Command command;        /* the surface command (types 1 and 3) */
    Pixmap pixmap;              /* off-screen picture (types 2 and 3) */
    Colormap colormap;
    GC gc;
    int x, y, width, height;    /* options */
    int dbuffer, depth, stencil, alpha, accum;
    int redrawPending;
    double aspect;
    Tcl_HashTable items;        /* data items, ready once itemsReady is set */
    int itemsReady;
    Tcl_HashTable *registry;    /* the table the surface is entered in */
    GlwContext *context;
    GlwImageInstance *instances;
    void *canvas;               /* Tk canvas record drawn over the picture (type 2) */
    char *name;                 /* path or image name it is registered under */
};

struct GlwImageInstance {
    Tk_Window tkwin;
    GlwInfo *surface;
    GlwImageInstance *next;
};

/* The selected surface, or NULL. */
GlwInfo *currentGlw(void);

/* Selects surface (NULL deselects) and binds its context; the result is
 * the previously selected surface's command name when it belongs to this
 * interpreter. */
void glwSetCurrent(Tcl_Interp *interp, GlwInfo *surface);

/* Makes the surface's context current, unless it already is. */
void glwBindContext(GlwInfo *surface);

/* The surface currently bound, or NULL. */
GlwInfo *glwBoundSurface(void);

/* Forgets the bound surface after every context was released. */
void glwForgetBinding(void);

/* True while the record is a live surface. */
bool glwIsLive(const GlwInfo *surface);

/* The item table of the selected surface, or NULL. */
Tcl_HashTable *glwCurrentItems(void);

/* Registry of one interpreter's surfaces. */
void glwRegister(Tcl_HashTable *registry, const char *name, GlwInfo *surface);
void glwUnregister(Tcl_HashTable *registry, const char *name, GlwInfo *surface);
GlwInfo *glwLookup(Tcl_HashTable *registry, const char *name);

/* Redraw and resize machinery. */
void glwEventuallyRedraw(GlwInfo *surface);
void glwViewport(GlwInfo *surface);
void glwDestroy(GlwInfo *surface);

/* The viewport of a surface: x, y and the size corrected by aspect
 * (0 none; above 0 the width, below 0 the height, scaled). */
void glwViewportBox(int x, int y, int width, int height, double aspect, int box[4]);

/* Option handling shared by windows and images. */
int glwConfigure(Tcl_Interp *interp, GlwInfo *surface, int argc, const char **argv, int flags);
int glwWidgetCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
void glwCmdDeleteProc(ClientData clientData);

/* Parts of the package entry. */
int Ogl_Init(Tcl_Interp *interp);
int Glimg_Init(Tcl_Interp *interp);
int Glm_Init(Tcl_Interp *interp);

/* A new zero-filled surface record, and its release. */
GlwInfo *glwAllocSurface(int type);
void glwFree(GlwInfo *surface);

/* The image type of glw images. */
extern Tk_ImageType glwImageType;

#endif /* OVEX_GL_GLW_SURFACE_H */
