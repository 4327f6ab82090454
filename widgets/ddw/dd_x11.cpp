/*
 * dd_x11.cpp --
 *
 *	Off-screen surfaces as XImages of the window's visual and their
 *	stretched copy into the window (see dd_x11.h).
 */
#include "widgets/ddw/dd_x11.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "core/gmem.h"
#include "display/windraw/x_error_trap.h"

int ddPrimaryInit(DdPrimary *primary, Tk_Window tkwin)
{
    memset(primary, 0, sizeof(*primary));
    primary->display = Tk_Display(tkwin);
    primary->window = Tk_WindowId(tkwin);
    primary->visual = Tk_Visual(tkwin);
    primary->depth = Tk_Depth(tkwin);
    primary->width = Tk_Width(tkwin);
    primary->height = Tk_Height(tkwin);
    if (primary->window == None) {
        return 0;
    }
    XGCValues values;
    values.graphics_exposures = False;
    primary->gc = XCreateGC(primary->display, primary->window, GCGraphicsExposures, &values);
    int major, minor;
    Bool pixmaps;
    primary->shmOffered = XShmQueryVersion(primary->display, &major, &minor, &pixmaps) ? 1 : 0;
    return primary->gc != NULL;
}

void ddPrimaryFree(DdPrimary *primary)
{
    if (primary->display == NULL) {
        return;
    }
    ddFreeSurface(primary, &primary->frame);
    if (primary->gc != NULL) {
        XFreeGC(primary->display, primary->gc);
        primary->gc = NULL;
    }
    primary->display = NULL;
}

/* A shared-memory image; 0 (and nothing held) when the server refuses. */
static int createShmSurface(DdPrimary *primary, DdSurface *surface, int width, int height)
{
    XImage *image = XShmCreateImage(primary->display, primary->visual, (unsigned)primary->depth,
                                    ZPixmap, NULL, &surface->shm, (unsigned)width,
                                    (unsigned)height);
    if (image == NULL) {
        return 0;
    }
    size_t size = (size_t)image->bytes_per_line * (size_t)height;
    surface->shm.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (surface->shm.shmid < 0) {
        XDestroyImage(image);
        return 0;
    }
    surface->shm.shmaddr = (char *)shmat(surface->shm.shmid, NULL, 0);
    if (surface->shm.shmaddr == (char *)-1) {
        shmctl(surface->shm.shmid, IPC_RMID, NULL);
        XDestroyImage(image);
        return 0;
    }
    surface->shm.readOnly = False;
    image->data = surface->shm.shmaddr;
    XErrorTrap trap;
    xErrorTrapBegin(&trap, primary->display);
    Status attached = XShmAttach(primary->display, &surface->shm);
    int errors = xErrorTrapEnd(&trap);
    /* The segment goes away with its last user from now on. */
    shmctl(surface->shm.shmid, IPC_RMID, NULL);
    if (!attached || errors != 0) {
        shmdt(surface->shm.shmaddr);
        image->data = NULL;
        XDestroyImage(image);
        primary->shmOffered = 0;
        return 0;
    }
    surface->image = image;
    surface->useShm = 1;
    return 1;
}

int ddCreateSurface(DdPrimary *primary, DdSurface *surface, int width, int height)
{
    memset(surface, 0, sizeof(*surface));
    if (width < 1 || height < 1 || width > 32767 || height > 32767) {
        return 0;
    }
    if (primary->shmOffered && createShmSurface(primary, surface, width, height)) {
        memset(surface->image->data, 0,
               (size_t)surface->image->bytes_per_line * (size_t)height);
        return 1;
    }
    XImage *image = XCreateImage(primary->display, primary->visual, (unsigned)primary->depth,
                                 ZPixmap, 0, NULL, (unsigned)width, (unsigned)height, 32, 0);
    if (image == NULL) {
        return 0;
    }
    /* calloc: XDestroyImage frees the data with free(). */
    image->data = (char *)calloc((size_t)image->bytes_per_line, (size_t)height);
    if (image->data == NULL) {
        XDestroyImage(image);
        return 0;
    }
    surface->image = image;
    return 1;
}

void ddFreeSurface(DdPrimary *primary, DdSurface *surface)
{
    if (surface->image == NULL) {
        return;
    }
    if (surface->useShm) {
        XShmDetach(primary->display, &surface->shm);
        XSync(primary->display, False);
        shmdt(surface->shm.shmaddr);
        surface->image->data = NULL;
    }
    XDestroyImage(surface->image);
    memset(surface, 0, sizeof(*surface));
}

int ddDescribe(const DdSurface *surface, DdDescription *description)
{
    memset(description, 0, sizeof(*description));
    XImage *image = surface->image;
    if (image == NULL) {
        return 0;
    }
    description->width = image->width;
    description->height = image->height;
    description->pitch = image->bytes_per_line;
    description->bitsPerPixel = image->bits_per_pixel;
    description->redMask = image->red_mask;
    description->greenMask = image->green_mask;
    description->blueMask = image->blue_mask;
    return 1;
}

void ddClearSurface(DdSurface *surface)
{
    if (surface->image != NULL) {
        memset(surface->image->data, 0,
               (size_t)surface->image->bytes_per_line * (size_t)surface->image->height);
    }
}

/* Puts part of an image into the window under the error trap. */
static int putImage(DdPrimary *primary, DdSurface *surface, int width, int height)
{
    XErrorTrap trap;
    xErrorTrapBegin(&trap, primary->display);
    if (surface->useShm) {
        XShmPutImage(primary->display, primary->window, primary->gc, surface->image, 0, 0, 0, 0,
                     (unsigned)width, (unsigned)height, False);
    } else {
        XPutImage(primary->display, primary->window, primary->gc, surface->image, 0, 0, 0, 0,
                  (unsigned)width, (unsigned)height);
    }
    /* The trap's end waits for the server, so the shared image is free
     * to be written again once this returns. */
    return xErrorTrapEnd(&trap) != 0 ? DDERR_GENERIC : DD_OK;
}

int ddPut(DdPrimary *primary, DdSurface *surface)
{
    if (surface->image == NULL || primary->window == None) {
        return DDERR_INVALIDOBJECT;
    }
    return putImage(primary, surface, surface->image->width, surface->image->height);
}

int ddBlt(DdPrimary *primary, DdSurface *surface, int width, int height)
{
    XImage *source = surface->image;
    if (source == NULL || primary->window == None) {
        return DDERR_INVALIDOBJECT;
    }
    if (width < 1 || height < 1) {
        return DD_OK;
    }
    if (width == source->width && height == source->height) {
        return putImage(primary, surface, width, height);
    }
    XImage *frame = primary->frame.image;
    if (frame == NULL || frame->width != width || frame->height != height) {
        ddFreeSurface(primary, &primary->frame);
        if (!ddCreateSurface(primary, &primary->frame, width, height)) {
            return DDERR_GENERIC;
        }
        frame = primary->frame.image;
    }
    if (frame->bits_per_pixel != source->bits_per_pixel || (frame->bits_per_pixel & 7) != 0) {
        return DDERR_UNSUPPORTED;
    }
    int bytes = frame->bits_per_pixel / 8;
    int *columnOffsets = (int *)tclAlloc(sizeof(int) * (size_t)width);
    if (columnOffsets == NULL) {
        return DDERR_GENERIC;
    }
    for (int x = 0; x < width; x++) {
        columnOffsets[x] = (int)((int64_t)x * source->width / width) * bytes;
    }
    int lastRow = -1;
    for (int y = 0; y < height; y++) {
        int sy = (int)((int64_t)y * source->height / height);
        char *out = frame->data + (size_t)y * (size_t)frame->bytes_per_line;
        if (sy == lastRow) {
            memcpy(out, out - frame->bytes_per_line, (size_t)width * (size_t)bytes);
            continue;
        }
        lastRow = sy;
        const char *in = source->data + (size_t)sy * (size_t)source->bytes_per_line;
        switch (bytes) {
        case 4:
            for (int x = 0; x < width; x++) {
                memcpy(out + (size_t)x * 4, in + columnOffsets[x], 4);
            }
            break;
        case 2:
            for (int x = 0; x < width; x++) {
                memcpy(out + (size_t)x * 2, in + columnOffsets[x], 2);
            }
            break;
        case 1:
            for (int x = 0; x < width; x++) {
                out[x] = in[columnOffsets[x]];
            }
            break;
        default:
            for (int x = 0; x < width; x++) {
                memcpy(out + (size_t)x * (size_t)bytes, in + columnOffsets[x], (size_t)bytes);
            }
            break;
        }
    }
    tclFree(columnOffsets);
    return putImage(primary, &primary->frame, width, height);
}

int ddDrawText(DdPrimary *primary, DdSurface *surface, Tk_Window tkwin, const char *text,
               int x, int y, unsigned long pixel)
{
    XImage *image = surface->image;
    if (image == NULL || primary->window == None) {
        return DDERR_INVALIDOBJECT;
    }
    Display *display = primary->display;
    Tk_Font font = Tk_GetFont(NULL, tkwin, "TkDefaultFont");
    if (font == NULL) {
        return DDERR_GENERIC;
    }
    Pixmap pixmap = trappedPixmap(display, primary->window, image->width, image->height,
                                  primary->depth);
    if (pixmap == None) {
        Tk_FreeFont(font);
        return DDERR_GENERIC;
    }
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    XGCValues values;
    values.foreground = pixel;
    values.graphics_exposures = False;
    values.font = Tk_FontId(font);
    GC gc = XCreateGC(display, pixmap, GCForeground | GCGraphicsExposures | GCFont, &values);
    XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, (unsigned)image->width,
              (unsigned)image->height);
    Tk_FontMetrics metrics;
    Tk_GetFontMetrics(font, &metrics);
    Tk_DrawChars(display, pixmap, gc, font, text, (int)strlen(text), x, y + metrics.ascent);
    XGetSubImage(display, pixmap, 0, 0, (unsigned)image->width, (unsigned)image->height,
                 AllPlanes, ZPixmap, image, 0, 0);
    XFreeGC(display, gc);
    XFreePixmap(display, pixmap);
    int errors = xErrorTrapEnd(&trap);
    Tk_FreeFont(font);
    return errors != 0 ? DDERR_GENERIC : DD_OK;
}

/* The value placed in mask for an 8-bit component. */
static unsigned long placeInMask(int value, unsigned long mask)
{
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1) == 0) {
        shift++;
    }
    int width = 0;
    while (((mask >> (shift + width)) & 1) != 0) {
        width++;
    }
    unsigned long v = (unsigned long)value;
    v = width >= 8 ? v << (width - 8) : v >> (8 - width);
    return (v << shift) & mask;
}

unsigned long ddRgbPixel(DdPrimary *primary, Colormap colormap, int red, int green, int blue)
{
    Visual *visual = primary->visual;
    if (visual->c_class == TrueColor || visual->c_class == DirectColor) {
        return placeInMask(red, visual->red_mask) | placeInMask(green, visual->green_mask)
               | placeInMask(blue, visual->blue_mask);
    }
    XColor color;
    memset(&color, 0, sizeof(color));
    color.red = (unsigned short)(red * 257);
    color.green = (unsigned short)(green * 257);
    color.blue = (unsigned short)(blue * 257);
    color.flags = DoRed | DoGreen | DoBlue;
    if (XAllocColor(primary->display, colormap, &color)) {
        return color.pixel;
    }
    return 0;
}
