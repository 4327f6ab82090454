/*
 * capture.cpp --
 *
 *	Captures of drawables into pixmaps and memory RAM images, and the
 *	screen rectangle of a top-level frame. Every X request that can
 *	fail runs under an error trap.
 */
#include <string.h>

#include <X11/Xutil.h>

#include "display/windraw/capture.h"
#include "display/windraw/dib_bits.h"
#include "display/windraw/drawable_image.h"
#include "display/windraw/x_error_trap.h"
#include "core/package.h"
#include "ovex/ovex.h"

/* What is known of a drawable: its geometry, and for a window its visual
 * and colormap. */
struct DrawableInfo {
    Window root;
    int isWindow;
    int width, height, border, depth;
    Visual *visual;             /* NULL when no visual has the depth */
    Colormap colormap;          /* the window's, else the screen's default */
};

/* The screen whose root window is root, else the default screen. */
static Screen *screenOfRoot(Display *display, Window root)
{
    for (int i = 0; i < ScreenCount(display); i++) {
        if (RootWindow(display, i) == root) {
            return ScreenOfDisplay(display, i);
        }
    }
    return DefaultScreenOfDisplay(display);
}

/*
 * visualForDepth --
 *	The visual that a pixmap of depth on screen is read with: the
 *	default visual when the depths agree, else the first visual of that
 *	depth; NULL when there is none (depth-1 bitmaps).
 */
static Visual *visualForDepth(Display *display, Screen *screen, int depth)
{
    if (DefaultDepthOfScreen(screen) == depth) {
        return DefaultVisualOfScreen(screen);
    }
    static const int classes[] = {TrueColor, DirectColor, PseudoColor, StaticColor, GrayScale,
                                  StaticGray};
    XVisualInfo info;
    for (size_t i = 0; i < sizeof classes / sizeof classes[0]; i++) {
        if (XMatchVisualInfo(display, XScreenNumberOfScreen(screen), depth, classes[i], &info)) {
            return info.visual;
        }
    }
    return NULL;
}

/*
 * describeDrawable --
 *	Fills info for drawable. Returns 1, or 0 when it is no drawable of
 *	the display.
 */
static int describeDrawable(Display *display, Drawable drawable, DrawableInfo *info)
{
    memset(info, 0, sizeof(DrawableInfo));
    if (drawable == None) {
        return 0;
    }
    DrawableGeometry geometry;
    if (!trappedDrawableGeometry(display, drawable, &geometry)) {
        return 0;
    }
    info->root = geometry.root;
    info->width = (int)geometry.width;
    info->height = (int)geometry.height;
    info->border = (int)geometry.border;
    info->depth = (int)geometry.depth;
    Screen *screen = screenOfRoot(display, geometry.root);
    info->colormap = DefaultColormapOfScreen(screen);

    /* Only a window has attributes; for a pixmap the request fails. */
    XWindowAttributes attributes;
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Status isWindow = XGetWindowAttributes(display, drawable, &attributes);
    if (xErrorTrapEnd(&trap) == 0 && isWindow != 0) {
        info->isWindow = 1;
        info->visual = attributes.visual;
        if (attributes.colormap != None) {
            info->colormap = attributes.colormap;
        }
    } else {
        info->visual = visualForDepth(display, screen, info->depth);
    }
    return 1;
}

/*
 * frameWindowOf --
 *	The outermost ancestor of window below the root (the window manager's
 *	frame, or Tk's wrapper without one); None when the tree cannot be
 *	read.
 */
static Window frameWindowOf(Display *display, Window window)
{
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Window current = window;
    for (int depth = 0; depth < 64; depth++) {
        Window root = None, parent = None, *children = NULL;
        unsigned int count = 0;
        if (XQueryTree(display, current, &root, &parent, &children, &count) == 0) {
            current = None;
            break;
        }
        if (children != NULL) {
            XFree(children);
        }
        if (parent == None || parent == root) {
            break;
        }
        current = parent;
    }
    if (xErrorTrapEnd(&trap) != 0) {
        return None;
    }
    return current;
}

/*
 * windowScreenRect --
 *	The outer rectangle (border included) of window on its screen.
 *	Returns 1, or 0 on an X error.
 */
static int windowScreenRect(Display *display, Window window, int *x, int *y, int *width,
                            int *height)
{
    Window root, child;
    int wx, wy, rx = 0, ry = 0;
    unsigned int w, h, border, depth;
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Status got = XGetGeometry(display, window, &root, &wx, &wy, &w, &h, &border, &depth);
    if (got != 0) {
        XTranslateCoordinates(display, window, root, 0, 0, &rx, &ry, &child);
    }
    if (xErrorTrapEnd(&trap) != 0 || got == 0) {
        return 0;
    }
    *x = rx - (int)border;
    *y = ry - (int)border;
    *width = (int)(w + 2 * border);
    *height = (int)(h + 2 * border);
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * toplevelScreenRect --
 *
 *	The screen rectangle of the frame around the top-level window that
 *	holds pathName.
 *
 * Results:
 *	1 with the rectangle, or 0 with all four values 0.
 *
 *----------------------------------------------------------------------
 */
int toplevelScreenRect(Tcl_Interp *interp, const char *pathName, int *x, int *y, int *width,
                       int *height)
{
    *x = *y = *width = *height = 0;
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        return 0;
    }
    Tk_Window tkwin = Tk_NameToWindow(interp, pathName, main);
    if (tkwin == NULL) {
        Tcl_ResetResult(interp);
        return 0;
    }
    while (!Tk_IsTopLevel(tkwin) && Tk_Parent(tkwin) != NULL) {
        tkwin = Tk_Parent(tkwin);
    }
    if (Tk_WindowId(tkwin) == None) {
        return 0;
    }
    Window frame = frameWindowOf(Tk_Display(tkwin), Tk_WindowId(tkwin));
    if (frame == None) {
        return 0;
    }
    return windowScreenRect(Tk_Display(tkwin), frame, x, y, width, height);
}

/*
 * clipToScreen --
 *	Cuts a rectangle to the screen. Returns 1 when something is left.
 */
static int clipToScreen(Screen *screen, int *x, int *y, int *width, int *height)
{
    int right = *x + *width, bottom = *y + *height;
    if (*x < 0) {
        *x = 0;
    }
    if (*y < 0) {
        *y = 0;
    }
    if (right > WidthOfScreen(screen)) {
        right = WidthOfScreen(screen);
    }
    if (bottom > HeightOfScreen(screen)) {
        bottom = HeightOfScreen(screen);
    }
    *width = right - *x;
    *height = bottom - *y;
    return *width > 0 && *height > 0;
}

/*
 *----------------------------------------------------------------------
 *
 * makeBitmapFromDrawable --
 *
 *	Copies a rectangle of drawable (or of the screen under a Tk
 *	top-level window's frame) into a new pixmap.
 *
 * Results:
 *	The pixmap, or None after "Error in makeBitmapFromDrawable.\n" on
 *	standard error.
 *
 *----------------------------------------------------------------------
 */
Pixmap makeBitmapFromDrawable(Display *display, Drawable drawable, Colormap colormap, int x,
                              int y, int width, int height, int *capturedWidth,
                              int *capturedHeight)
{
    (void)colormap;
    DrawableInfo info;
    Drawable source = drawable;
    int ok = display != NULL && describeDrawable(display, drawable, &info);

    Tk_Window tkwin = ok ? Tk_IdToWindow(display, drawable) : NULL;
    if (tkwin != NULL && Tk_IsTopLevel(tkwin)) {
        Window frame = frameWindowOf(display, drawable);
        ok = frame != None && windowScreenRect(display, frame, &x, &y, &width, &height)
             && clipToScreen(screenOfRoot(display, info.root), &x, &y, &width, &height);
        source = info.root;
    }
    if (!ok || width < 1 || height < 1 || width > CAPTURE_MAX_SIDE
            || height > CAPTURE_MAX_SIDE) {
        ovex_fprintf(stderr, "Error in makeBitmapFromDrawable.\n");
        return None;
    }

    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Pixmap pixmap = Tk_GetPixmap(display, drawable, width, height, info.depth);
    XGCValues values;
    values.graphics_exposures = False;
    values.subwindow_mode = IncludeInferiors;
    values.foreground = BlackPixelOfScreen(screenOfRoot(display, info.root));
    GC gc = XCreateGC(display, pixmap, GCGraphicsExposures | GCSubwindowMode | GCForeground,
                      &values);
    /* What lies outside the source is not copied: leave it black. */
    XFillRectangle(display, pixmap, gc, 0, 0, (unsigned int)width, (unsigned int)height);
    XCopyArea(display, source, pixmap, gc, x, y, (unsigned int)width, (unsigned int)height, 0, 0);
    XFreeGC(display, gc);
    if (xErrorTrapEnd(&trap) != 0) {
        xErrorTrapBegin(&trap, display);
        Tk_FreePixmap(display, pixmap);
        xErrorTrapEnd(&trap);
        ovex_fprintf(stderr, "Error in makeBitmapFromDrawable.\n");
        return None;
    }
    if (capturedWidth != NULL) {
        *capturedWidth = width;
    }
    if (capturedHeight != NULL) {
        *capturedHeight = height;
    }
    return pixmap;
}

Pixmap drawableToPixmap(Display *display, Drawable drawable, Colormap colormap, int x, int y,
                        int width, int height)
{
    return makeBitmapFromDrawable(display, drawable, colormap, x, y, width, height, NULL, NULL);
}

/* ---- Pixels to DIB rows ------------------------------------------------- */

static int isIndexed(const Visual *visual)
{
    int c = visual->c_class;
    return c == PseudoColor || c == StaticColor || c == GrayScale || c == StaticGray;
}

/* The pixel at (x, y) of a ZPixmap image; the common layouts are read
 * directly, others through Xlib. */
static unsigned long readPixel(XImage *image, int x, int y)
{
    const unsigned char *p = (const unsigned char *)image->data + (size_t)y * image->bytes_per_line;
    int lsb = image->byte_order == LSBFirst;
    switch (image->bits_per_pixel) {
    case 32:
        p += (size_t)x * 4;
        return lsb ? (unsigned long)p[0] | (unsigned long)p[1] << 8 | (unsigned long)p[2] << 16
                         | (unsigned long)p[3] << 24
                   : (unsigned long)p[3] | (unsigned long)p[2] << 8 | (unsigned long)p[1] << 16
                         | (unsigned long)p[0] << 24;
    case 24:
        p += (size_t)x * 3;
        return lsb ? (unsigned long)p[0] | (unsigned long)p[1] << 8 | (unsigned long)p[2] << 16
                   : (unsigned long)p[2] | (unsigned long)p[1] << 8 | (unsigned long)p[0] << 16;
    case 16:
        p += (size_t)x * 2;
        return lsb ? (unsigned long)p[0] | (unsigned long)p[1] << 8
                   : (unsigned long)p[1] | (unsigned long)p[0] << 8;
    case 8:
        return p[x];
    default:
        return XGetPixel(image, x, y);
    }
}

/* One colour channel of a decomposed pixel, scaled to 0 .. 255. */
struct Channel {
    int shift;
    unsigned long max;          /* the channel's largest value */
};

static Channel channelOf(unsigned long mask)
{
    Channel channel = {0, 0};
    if (mask == 0) {
        return channel;
    }
    while (((mask >> channel.shift) & 1) == 0) {
        channel.shift++;
    }
    channel.max = mask >> channel.shift;
    return channel;
}

static unsigned char channelValue(unsigned long pixel, const Channel &channel)
{
    if (channel.max == 0) {
        return 0;
    }
    unsigned long value = (pixel >> channel.shift) & channel.max;
    return (unsigned char)((value * 255 + channel.max / 2) / channel.max);
}

/* Decomposed pixels into 24-bit rows: blue, green, red. */
static void fillTrueColorRows(XImage *image, const Visual *visual, PackedDib *dib)
{
    Channel red = channelOf(visual->red_mask);
    Channel green = channelOf(visual->green_mask);
    Channel blue = channelOf(visual->blue_mask);
    for (int y = 0; y < image->height; y++) {
        unsigned char *row = dib->rows + (size_t)y * (size_t)dib->rowLength;
        for (int x = 0; x < image->width; x++) {
            unsigned long pixel = readPixel(image, x, y);
            row[3 * x] = channelValue(pixel, blue);
            row[3 * x + 1] = channelValue(pixel, green);
            row[3 * x + 2] = channelValue(pixel, red);
        }
    }
}

/* Indexed pixels into 8-bit rows with the palette as colour table. */
static void fillIndexedRows(XImage *image, const OvexPalette *palette, PackedDib *dib)
{
    for (int i = 0; i < palette->count; i++) {
        dib->colorTable[4 * i] = palette->entries[i][2];
        dib->colorTable[4 * i + 1] = palette->entries[i][1];
        dib->colorTable[4 * i + 2] = palette->entries[i][0];
    }
    for (int y = 0; y < image->height; y++) {
        unsigned char *row = dib->rows + (size_t)y * (size_t)dib->rowLength;
        for (int x = 0; x < image->width; x++) {
            unsigned long pixel = readPixel(image, x, y);
            row[x] = pixel < (unsigned long)palette->count ? (unsigned char)pixel : 0;
        }
    }
}

/*
 * imageToDib --
 *	A top-down packed DIB of the pixels of image. Returns 1, or 0 when
 *	memory runs out.
 */
static int imageToDib(Display *display, XImage *image, Visual *visual, Colormap colormap,
                      const OvexPalette *palette, PackedDib *dib)
{
    if (visual != NULL && !isIndexed(visual)) {
        if (!packedDibAlloc(dib, image->width, -image->height, 24, 0)) {
            return 0;
        }
        fillTrueColorRows(image, visual, dib);
        return 1;
    }
    OvexPalette *colors;
    if (palette != NULL && palette->count > 0) {
        colors = ovexPaletteCopy(palette);
    } else if (visual != NULL) {
        colors = paletteOfColormap(display, visual, colormap);
    } else {
        /* A bitmap of depth 1: 0 black, 1 white. */
        colors = ovexPaletteNew(2);
        if (colors != NULL) {
            memset(colors->entries[1], 255, 3);
        }
    }
    if (colors == NULL) {
        return 0;
    }
    if (colors->count == 0) {
        colors->count = 1;
    }
    int ok = packedDibAlloc(dib, image->width, -image->height, 8, colors->count);
    if (ok) {
        fillIndexedRows(image, colors, dib);
    }
    ovexPaletteFree(colors);
    return ok;
}

/*
 *----------------------------------------------------------------------
 *
 * bitmapToRAMImage --
 *
 *	Reads the pixels of bitmap and makes the memory image tagged tag of
 *	them (see capture.h for the band layout).
 *
 * Results:
 *	The image with one reference taken, or NULL after "no bitmap data
 *	converted.\n" on standard error.
 *
 *----------------------------------------------------------------------
 */
RAMIMG *bitmapToRAMImage(const char *tag, Display *display, Pixmap bitmap, Visual *visual,
                         Colormap colormap, const OvexPalette *palette)
{
    DrawableInfo info;
    DrawableImage read;
    int got = 0;
    if (display != NULL && describeDrawable(display, bitmap, &info)) {
        got = readDrawableImage(display, bitmap, info.visual, info.depth, 0, 0,
                                (unsigned int)info.width, (unsigned int)info.height, &read);
    }
    RAMIMG *ram = NULL;
    if (got) {
        PackedDib dib;
        if (imageToDib(display, read.image, visual, colormap, palette, &dib)) {
            ram = dibToRAMImage(tag, dib.bytes, dib.size);
            gmemFree(dib.bytes);
        }
        freeDrawableImage(display, &read);
    }
    if (ram == NULL) {
        ovex_fprintf(stderr, "no bitmap data converted.\n");
    }
    return ram;
}

/*
 * captureToRAMImage --
 *	The capture of a rectangle of drawable converted into the image
 *	tagged tag; indexed colours from palette when it has entries, else
 *	from colormap (None: the drawable's own).
 */
static RAMIMG *captureToRAMImage(const char *tag, Display *display, Drawable drawable,
                                 Colormap colormap, const OvexPalette *palette, int x, int y,
                                 int width, int height)
{
    DrawableInfo info;
    if (display == NULL || tag == NULL || !describeDrawable(display, drawable, &info)) {
        return NULL;
    }
    Pixmap bitmap = makeBitmapFromDrawable(display, drawable, colormap, x, y, width, height,
                                           NULL, NULL);
    if (bitmap == None) {
        return NULL;
    }
    RAMIMG *image = bitmapToRAMImage(tag, display, bitmap, info.visual,
                                     colormap != None ? colormap : info.colormap, palette);
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Tk_FreePixmap(display, bitmap);
    xErrorTrapEnd(&trap);
    return image;
}

OvexPalette *drawablePalette(Display *display, Drawable drawable)
{
    DrawableInfo info;
    if (display == NULL || !describeDrawable(display, drawable, &info) || info.visual == NULL
            || !isIndexed(info.visual)) {
        return NULL;
    }
    return paletteOfColormap(display, info.visual, info.colormap);
}

RAMIMG *rimgWindow(const char *tag, Display *display, Drawable drawable, Colormap colormap,
                   int x, int y, int width, int height)
{
    return captureToRAMImage(tag, display, drawable, colormap, NULL, x, y, width, height);
}

RAMIMG *rimgWindowWithRecord(const char *tag, Display *display, Drawable drawable,
                             const OvexColormapRecord *colors, int x, int y, int width,
                             int height)
{
    return captureToRAMImage(tag, display, drawable, None,
                             colors != NULL ? colors->palette : NULL, x, y, width, height);
}
