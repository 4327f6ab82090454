/*
 * glw_glx.cpp --
 *
 *	GLX binding of GL surfaces. A GL child window gets a GLX visual and
 *	its own colormap before Tk makes it exist; Tk windows and images
 *	render into an X pixmap of the window's depth through a GLX pixmap
 *	and a direct context (indirect GLX may be off on the server). The
 *	visual is the one glXChooseVisual gives for the requested buffers or,
 *	when none has them all, the one coming closest, as a pixel-format
 *	choice would.
 */
#include <dlfcn.h>
#include <link.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <GL/gl.h>
#include <GL/glx.h>
#include <tk.h>

#include "gl/glw_glx.h"
#include "gl/glw_surface.h"
#include "core/rounding.h"
#include "display/windraw/x_error_trap.h"
#include "ovex/ovexstdio.h"

struct GlwContext {
    XVisualInfo *visual;        /* from Xlib, freed with XFree */
    GLXContext context;
    GLXPixmap glxPixmap;        /* pixmap surfaces */
    Colormap originalColormap;  /* a Tk window's colormap before ours */
};

static void report(const char *call, const char *reason)
{
    ovex_fprintf(stderr, "Error in %s: %s\n", call, reason);
}

#if defined(__SANITIZE_ADDRESS__)
/* Leak reports come after the GL vendor libraries unload their drivers
 * at exit; a driver kept loaded keeps its frames nameable, so that the
 * reports of what drivers keep until the end can be suppressed. */
static int keepLoaded(struct dl_phdr_info *info, size_t, void *)
{
    const char *name = info->dlpi_name;
    if (name != NULL && (strstr(name, "_dri.so") || strstr(name, "libGLX_mesa") || strstr(name, "libgallium")
                         || strstr(name, "libglapi"))) {
        dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
    return 0;
}
#endif

void glwKeepDriversLoaded(void)
{
#if defined(__SANITIZE_ADDRESS__)
    dl_iterate_phdr(keepLoaded, NULL);
#endif
}

bool glwHasGlx(Display *display)
{
    int errorBase, eventBase;
    return display != NULL && glXQueryExtension(display, &errorBase, &eventBase);
}

static GlwContext *contextOf(GlwInfo *surface)
{
    if (surface->context == NULL) {
        surface->context = (GlwContext *)calloc(1, sizeof(GlwContext));
    }
    return surface->context;
}

/* ---- Visual choice ---------------------------------------------------------- */

struct Granted {
    int depth, stencil, alpha, accum, doubleBuffer;
};

static Granted grantedOf(Display *display, XVisualInfo *visual)
{
    Granted g = {};
    int r = 0, gr = 0, b = 0, a = 0;
    glXGetConfig(display, visual, GLX_DEPTH_SIZE, &g.depth);
    glXGetConfig(display, visual, GLX_STENCIL_SIZE, &g.stencil);
    glXGetConfig(display, visual, GLX_ALPHA_SIZE, &g.alpha);
    glXGetConfig(display, visual, GLX_DOUBLEBUFFER, &g.doubleBuffer);
    glXGetConfig(display, visual, GLX_ACCUM_RED_SIZE, &r);
    glXGetConfig(display, visual, GLX_ACCUM_GREEN_SIZE, &gr);
    glXGetConfig(display, visual, GLX_ACCUM_BLUE_SIZE, &b);
    glXGetConfig(display, visual, GLX_ACCUM_ALPHA_SIZE, &a);
    g.accum = r + gr + b + a;
    return g;
}

static int shortfall(int wanted, int granted)
{
    return granted >= wanted ? 0 : wanted - granted;
}

/* The GL visual of that X depth coming closest to the request: least
 * missing bits first, then least surplus. NULL when none renders GL. */
static XVisualInfo *closestVisual(GlwInfo *surface, int xDepth, bool doubleBuffer)
{
    XVisualInfo pattern;
    pattern.screen = Tk_ScreenNumber(surface->tkwin);
    pattern.depth = xDepth;
    int count = 0;
    XVisualInfo *all = XGetVisualInfo(surface->display, VisualScreenMask | VisualDepthMask,
                                      &pattern, &count);
    XVisualInfo *best = NULL;
    long bestScore = 0;
    for (int i = 0; i < count; i++) {
        int useGL = 0, rgba = 0;
        if (glXGetConfig(surface->display, &all[i], GLX_USE_GL, &useGL) != 0 || !useGL
                || glXGetConfig(surface->display, &all[i], GLX_RGBA, &rgba) != 0 || !rgba) {
            continue;
        }
        Granted g = grantedOf(surface->display, &all[i]);
        long missing = shortfall(surface->depth, g.depth) + shortfall(surface->stencil, g.stencil)
                       + shortfall(surface->alpha, g.alpha) + shortfall(surface->accum, g.accum)
                       + (g.doubleBuffer != (doubleBuffer ? 1 : 0) ? 1 : 0);
        long surplus = (g.depth - surface->depth) + (g.stencil - surface->stencil)
                       + (g.alpha - surface->alpha) + (g.accum - surface->accum);
        long score = missing * 100000 + (surplus > 0 ? surplus : 0);
        if (best == NULL || score < bestScore) {
            best = &all[i];
            bestScore = score;
        }
    }
    XVisualInfo *chosen = NULL;
    if (best != NULL) {
        chosen = (XVisualInfo *)malloc(sizeof(XVisualInfo));
        *chosen = *best;
    }
    if (all != NULL) {
        XFree(all);
    }
    return chosen;
}

/* A visual for the surface: glXChooseVisual's for the exact request when
 * it has the wanted X depth (0: any), else the closest one. Freed with
 * free(). */
static XVisualInfo *chooseVisual(GlwInfo *surface, int xDepth, bool doubleBuffer)
{
    int attributes[32];
    int n = 0;
    int perChannel = surface->accum / 4;
    attributes[n++] = GLX_RGBA;
    if (doubleBuffer) attributes[n++] = GLX_DOUBLEBUFFER;
    attributes[n++] = GLX_DEPTH_SIZE; attributes[n++] = surface->depth > 0 ? surface->depth : 0;
    attributes[n++] = GLX_STENCIL_SIZE; attributes[n++] = surface->stencil > 0 ? surface->stencil : 0;
    attributes[n++] = GLX_ALPHA_SIZE; attributes[n++] = surface->alpha > 0 ? surface->alpha : 0;
    attributes[n++] = GLX_ACCUM_RED_SIZE; attributes[n++] = perChannel > 0 ? perChannel : 0;
    attributes[n++] = GLX_ACCUM_GREEN_SIZE; attributes[n++] = perChannel > 0 ? perChannel : 0;
    attributes[n++] = GLX_ACCUM_BLUE_SIZE; attributes[n++] = perChannel > 0 ? perChannel : 0;
    attributes[n++] = GLX_ACCUM_ALPHA_SIZE; attributes[n++] = perChannel > 0 ? perChannel : 0;
    attributes[n++] = None;
    XVisualInfo *visual = glXChooseVisual(surface->display, Tk_ScreenNumber(surface->tkwin), attributes);
    if (visual != NULL && (xDepth == 0 || visual->depth == xDepth)) {
        XVisualInfo *copy = (XVisualInfo *)malloc(sizeof(XVisualInfo));
        *copy = *visual;
        XFree(visual);
        return copy;
    }
    if (visual != NULL) {
        XFree(visual);
    }
    if (xDepth == 0) {
        xDepth = DefaultDepth(surface->display, Tk_ScreenNumber(surface->tkwin));
    }
    return closestVisual(surface, xDepth, doubleBuffer);
}

/* A colormap for the visual: writable on palette visuals, which then
 * get the GL colour ramp. */
static Colormap makeColormap(GlwInfo *surface, XVisualInfo *visual)
{
    Window root = RootWindow(surface->display, visual->screen);
    if (visual->c_class != PseudoColor) {
        return XCreateColormap(surface->display, root, visual->visual, AllocNone);
    }
    Colormap colormap = XCreateColormap(surface->display, root, visual->visual, AllocAll);
    int entries = visual->colormap_size;
    int redBits = 0, greenBits = 0, blueBits = 0;
    /* A 3-3-2 ramp, as GL palettes of 8 bits have. */
    if (entries >= 256) {
        redBits = 3; greenBits = 3; blueBits = 2;
        entries = 256;
    }
    if (redBits > 0) {
        XColor *colors = (XColor *)calloc((size_t)entries, sizeof(XColor));
        glwPaletteRamp(entries, redBits, 0, greenBits, 3, blueBits, 6, colors);
        XStoreColors(surface->display, colormap, colors, entries);
        free(colors);
    }
    return colormap;
}

void glwPaletteRamp(int entries, int redBits, int redShift, int greenBits, int greenShift,
                    int blueBits, int blueShift, XColor *colors)
{
    auto component = [](int i, int bits, int shift) {
        int top = (1 << bits) - 1;
        if (top <= 0) {
            return 0;
        }
        return roundToInt(((i >> shift) & top) * 255.0 / top);
    };
    for (int i = 0; i < entries; i++) {
        colors[i].pixel = (unsigned long)i;
        colors[i].red = (unsigned short)(component(i, redBits, redShift) * 257);
        colors[i].green = (unsigned short)(component(i, greenBits, greenShift) * 257);
        colors[i].blue = (unsigned short)(component(i, blueBits, blueShift) * 257);
        colors[i].flags = DoRed | DoGreen | DoBlue;
    }
}

bool glwPrepareChildWindow(GlwInfo *surface)
{
    if (!glwHasGlx(surface->display)) {
        report("glXQueryExtension", "the display offers no GLX");
        return false;
    }
    GlwContext *context = contextOf(surface);
    if (context == NULL) {
        report("calloc", "out of memory");
        return false;
    }
    XVisualInfo *visual = chooseVisual(surface, 0, surface->dbuffer != 0);
    if (visual == NULL && surface->dbuffer) {
        visual = chooseVisual(surface, 0, false);
    }
    if (visual == NULL) {
        report("glXChooseVisual", "no visual renders GL");
        return false;
    }
    context->visual = visual;
    surface->colormap = makeColormap(surface, visual);
    Tk_SetWindowVisual(surface->tkwin, visual->visual, visual->depth, surface->colormap);
    return true;
}

void glwPrepareTkWindow(GlwInfo *surface)
{
    GlwContext *context = contextOf(surface);
    if (context == NULL) {
        return;
    }
    context->originalColormap = Tk_Colormap(surface->tkwin);
    surface->colormap = XCreateColormap(surface->display, RootWindowOfScreen(Tk_Screen(surface->tkwin)),
                                        Tk_Visual(surface->tkwin), AllocNone);
    Tk_SetWindowColormap(surface->tkwin, surface->colormap);
}

/* Makes the X pixmap and its GLX pixmap for the surface's size. */
static bool makePixmaps(GlwInfo *surface, GlwContext *context, Pixmap *pixmap, GLXPixmap *glxPixmap)
{
    int width = surface->width > 0 ? surface->width : 1;
    int height = surface->height > 0 ? surface->height : 1;
    if (width > 32767 || height > 32767) {
        report("XCreatePixmap", "size beyond the X limit");
        return false;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, surface->display);
    *pixmap = XCreatePixmap(surface->display, RootWindowOfScreen(Tk_Screen(surface->tkwin)),
                            (unsigned)width, (unsigned)height, (unsigned)context->visual->depth);
    *glxPixmap = glXCreateGLXPixmap(surface->display, context->visual, *pixmap);
    if (xErrorTrapEnd(&trap) != 0 || *glxPixmap == None) {
        xErrorTrapBegin(&trap, surface->display);
        if (*glxPixmap != None) glXDestroyGLXPixmap(surface->display, *glxPixmap);
        XFreePixmap(surface->display, *pixmap);
        xErrorTrapEnd(&trap);
        *pixmap = None;
        *glxPixmap = None;
        report("glXCreateGLXPixmap", "the pixmap cannot take GL");
        return false;
    }
    return true;
}

bool glwSetupContext(GlwInfo *surface, bool toPixmap)
{
    if (!glwHasGlx(surface->display)) {
        report("glXQueryExtension", "the display offers no GLX");
        return false;
    }
    GlwContext *context = contextOf(surface);
    if (context == NULL) {
        report("calloc", "out of memory");
        return false;
    }
    if (context->visual == NULL) {
        int depth = Tk_Depth(surface->tkwin);
        context->visual = chooseVisual(surface, depth, false);
        if (context->visual == NULL) {
            report("glXChooseVisual", "no visual of the window's depth renders GL");
            return false;
        }
    }
    if (toPixmap) {
        if (!makePixmaps(surface, context, &surface->pixmap, &context->glxPixmap)) {
            return false;
        }
        surface->drawable = surface->pixmap;
    }
    if (context->context == NULL) {
        XErrorTrap trap;
        xErrorTrapBegin(&trap, surface->display);
        context->context = glXCreateContext(surface->display, context->visual, NULL, True);
        if (xErrorTrapEnd(&trap) != 0 || context->context == NULL) {
            context->context = NULL;
            report("glXCreateContext", "no rendering context for the visual");
            return false;
        }
        glwKeepDriversLoaded();
    }
    Granted g = grantedOf(surface->display, context->visual);
    surface->depth = g.depth;
    surface->stencil = g.stencil;
    surface->alpha = g.alpha;
    surface->accum = g.accum;
    surface->dbuffer = surface->type == GLW_CHILD_WINDOW ? g.doubleBuffer : 1;
    glwClearBlack(surface);
    return true;
}

static GLXDrawable glxDrawableOf(GlwInfo *surface)
{
    if (surface->context != NULL && surface->context->glxPixmap != None) {
        return surface->context->glxPixmap;
    }
    return surface->tkwin != NULL ? Tk_WindowId(surface->tkwin) : None;
}

void glwMakeCurrent(GlwInfo *surface)
{
    if (surface == NULL || surface->context == NULL || surface->context->context == NULL) {
        return;
    }
    GLXDrawable drawable = glxDrawableOf(surface);
    if (drawable != None) {
        glXMakeCurrent(surface->display, drawable, surface->context->context);
    }
}

void glwUnbindAll(Display *display)
{
    if (display != NULL && glXGetCurrentContext() != NULL) {
        glXMakeCurrent(glXGetCurrentDisplay() ? glXGetCurrentDisplay() : display, None, NULL);
    }
}

void glwSwapBuffers(GlwInfo *surface)
{
    if (surface->tkwin != NULL && Tk_WindowId(surface->tkwin) != None) {
        glXSwapBuffers(surface->display, Tk_WindowId(surface->tkwin));
    }
}

void glwWaitGL(GlwInfo *surface)
{
    if (glwBoundSurface() == surface && surface->context && surface->context->context) {
        glXWaitGL();
    }
}

void glwReleaseContext(GlwInfo *surface)
{
    GlwContext *context = surface->context;
    if (context == NULL) {
        return;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, surface->display);
    if (glXGetCurrentContext() == context->context && context->context != NULL) {
        glXMakeCurrent(surface->display, None, NULL);
    }
    if (context->context != NULL) {
        glXDestroyContext(surface->display, context->context);
    }
    if (context->glxPixmap != None) {
        glXDestroyGLXPixmap(surface->display, context->glxPixmap);
    }
    if (surface->pixmap != None) {
        XFreePixmap(surface->display, surface->pixmap);
        surface->pixmap = None;
    }
    if (surface->type == GLW_TK_WINDOW && surface->tkwin != NULL && context->originalColormap != None) {
        Tk_SetWindowColormap(surface->tkwin, context->originalColormap);
    }
    xErrorTrapEnd(&trap);
    if (context->visual != NULL) {
        free(context->visual);
    }
    free(context);
    surface->context = NULL;
}

bool glwReplacePixmap(GlwInfo *surface)
{
    GlwContext *context = surface->context;
    if (context == NULL || context->glxPixmap == None) {
        return false;
    }
    Pixmap pixmap;
    GLXPixmap glxPixmap;
    if (!makePixmaps(surface, context, &pixmap, &glxPixmap)) {
        return false;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, surface->display);
    bool bound = glXGetCurrentContext() == context->context;
    if (bound) {
        glXMakeCurrent(surface->display, glxPixmap, context->context);
    }
    glXDestroyGLXPixmap(surface->display, context->glxPixmap);
    XFreePixmap(surface->display, surface->pixmap);
    xErrorTrapEnd(&trap);
    context->glxPixmap = glxPixmap;
    surface->pixmap = pixmap;
    surface->drawable = pixmap;
    glwClearBlack(surface);
    return true;
}

void glwClearBlack(GlwInfo *surface)
{
    GlwContext *context = surface->context;
    if (context == NULL || context->context == NULL) {
        return;
    }
    if (surface->pixmap != None && surface->gc != NULL) {
        XSetForeground(surface->display, surface->gc, BlackPixelOfScreen(Tk_Screen(surface->tkwin)));
        XFillRectangle(surface->display, surface->pixmap, surface->gc, 0, 0,
                       (unsigned)(surface->width > 0 ? surface->width : 1),
                       (unsigned)(surface->height > 0 ? surface->height : 1));
    }
    /* GL writes the whole picture at its next flush: clear there too. */
    GLXContext previous = glXGetCurrentContext();
    GLXDrawable previousDraw = glXGetCurrentDrawable();
    Display *previousDisplay = glXGetCurrentDisplay();
    GLXDrawable drawable = glxDrawableOf(surface);
    if (drawable == None) {
        return;
    }
    glXMakeCurrent(surface->display, drawable, context->context);
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
    glFlush();
    if (previous == NULL) {
        glXMakeCurrent(surface->display, None, NULL);
    } else if (previous != context->context) {
        glXMakeCurrent(previousDisplay, previousDraw, previous);
    }
}

void glwCopyTo(GlwInfo *surface, Drawable target, int srcX, int srcY, int width, int height,
               int dstX, int dstY)
{
    if (surface->pixmap == None || surface->gc == NULL || width <= 0 || height <= 0) {
        return;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, surface->display);
    XCopyArea(surface->display, surface->pixmap, target, surface->gc, srcX, srcY,
              (unsigned)width, (unsigned)height, dstX, dstY);
    xErrorTrapEnd(&trap);
}

int glwVisualClass(GlwInfo *surface)
{
    return surface && surface->context && surface->context->visual ? surface->context->visual->c_class : -1;
}

void glwStoreColor(int index, double red, double green, double blue)
{
    GlwInfo *surface = glwBoundSurface();
    if (surface == NULL || glwVisualClass(surface) != PseudoColor || surface->colormap == None
            || index < 0 || index >= surface->context->visual->colormap_size) {
        return;
    }
    auto level = [](double v) { return (unsigned short)clampToInt((v < 0 ? 0 : v > 1 ? 1 : v) * 65535.0 + 0.5); };
    XColor color;
    color.pixel = (unsigned long)index;
    color.red = level(red);
    color.green = level(green);
    color.blue = level(blue);
    color.flags = DoRed | DoGreen | DoBlue;
    XErrorTrap trap;
    xErrorTrapBegin(&trap, surface->display);
    XStoreColor(surface->display, surface->colormap, &color);
    xErrorTrapEnd(&trap);
}
