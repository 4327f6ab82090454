/*
 * glw_glx.h --
 *
 *	The window-system operations GL surfaces need, over GLX and Xlib:
 *	choosing a visual for the requested buffers, making and binding
 *	rendering contexts for windows and pixmaps, swapping, replacing and
 *	clearing the off-screen picture, copying it out, and the colour ramp
 *	of palette displays.
 */
#ifndef OVEX_GL_GLW_GLX_H
#define OVEX_GL_GLW_GLX_H

#include <X11/Xlib.h>
#include <X11/Xutil.h>

struct GlwInfo;

/* In sanitizer builds, keeps the GL driver libraries loaded until the
 * process ends (see glw_glx.cpp); nothing otherwise. */
void glwKeepDriversLoaded(void);

/* True when the display offers GLX. */
bool glwHasGlx(Display *display);

/* For a new GL child window: picks the visual for its options, makes a
 * colormap on it and gives both to the Tk window before it exists.
 * False (with the message on standard error) when there is none. */
bool glwPrepareChildWindow(GlwInfo *surface);

/* For a Tk window made GL-capable: a colormap on the window's own visual
 * becomes its colormap. */
void glwPrepareTkWindow(GlwInfo *surface);

/* Makes the rendering context for the surface's drawable (a window, or a
 * pixmap when toPixmap is set), writes the granted bits into its options
 * and clears the picture to black. False on failure, the cause written
 * to standard error as "Error in <call>: <reason>\n". */
bool glwSetupContext(GlwInfo *surface, bool toPixmap);

/* Makes the surface's context current (NULL: none current). */
void glwMakeCurrent(GlwInfo *surface);

/* No context current on the display. */
void glwUnbindAll(Display *display);

void glwSwapBuffers(GlwInfo *surface);

/* Waits until GL has written the surface's picture. */
void glwWaitGL(GlwInfo *surface);

/* Releases the context, the GLX pixmap and the off-screen pixmap. */
void glwReleaseContext(GlwInfo *surface);

/* A new off-screen pixmap of the surface's size, cleared to black. */
bool glwReplacePixmap(GlwInfo *surface);

/* Clears the surface's whole area to black without changing GL state. */
void glwClearBlack(GlwInfo *surface);

/* Copies part of the picture into another drawable. */
void glwCopyTo(GlwInfo *surface, Drawable target, int srcX, int srcY, int width, int height,
               int dstX, int dstY);

/* The colour ramp of a palette visual: entry i has its red, green and
 * blue fields scaled to 0..255 (16-bit X values). */
void glwPaletteRamp(int entries, int redBits, int redShift, int greenBits, int greenShift,
                    int blueBits, int blueShift, XColor *colors);

/* Stores a colour into a palette visual's colormap of the bound
 * surface; nothing on other visuals. */
void glwStoreColor(int index, double red, double green, double blue);

/* The X visual class of the surface's context, -1 without one. */
int glwVisualClass(GlwInfo *surface);

#endif /* OVEX_GL_GLW_GLX_H */
