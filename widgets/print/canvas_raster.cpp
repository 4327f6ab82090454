/*
 * canvas_raster.cpp --
 *
 *	Canvas regions as rasters.
 */
#include "widgets/print/canvas_raster.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <vector>

#include "display/windraw/drawable_image.h"
#include "canvas/canvas_render.h"
#include "core/rounding.h"

namespace {

/* Position of the lowest set bit of mask and the width of its run. */
void maskShape(unsigned long mask, int *shift, int *bits)
{
    *shift = 0;
    *bits = 0;
    if (mask == 0) {
        return;
    }
    while (((mask >> *shift) & 1) == 0) {
        (*shift)++;
    }
    while (((mask >> (*shift + *bits)) & 1) != 0) {
        (*bits)++;
    }
}

/* A channel of width bits scaled to 0..255. */
inline uint32_t channel8(unsigned long pixel, int shift, int bits)
{
    if (bits == 0) {
        return 0;
    }
    unsigned long value = (pixel >> shift) & ((1ul << bits) - 1);
    return (uint32_t)((value * 255 + ((1ul << bits) - 1) / 2) / ((1ul << bits) - 1));
}

/*
 * convertImage --
 *	Turns the pixels of image into 0x00RRGGBB: through the visual's masks
 *	on true and direct colour, through the colormap's colours on indexed
 *	visuals.
 */
void convertImage(XImage *image, Tk_Window tkwin, CanvasRaster *raster)
{
    Visual *visual = Tk_Visual(tkwin);
    Display *display = Tk_Display(tkwin);
    int w = raster->width, h = raster->height;
    if (visual->c_class == TrueColor || visual->c_class == DirectColor) {
        int rs, rb, gs, gb, bs, bb;
        maskShape(visual->red_mask, &rs, &rb);
        maskShape(visual->green_mask, &gs, &gb);
        maskShape(visual->blue_mask, &bs, &bb);
        bool fast = image->bits_per_pixel == 32 && image->byte_order == LSBFirst && rb == 8
                    && gb == 8 && bb == 8;
        for (int y = 0; y < h; y++) {
            uint32_t *out = raster->row(y);
            if (fast) {
                const uint32_t *in = (const uint32_t *)(image->data + (size_t)y * image->bytes_per_line);
                for (int x = 0; x < w; x++) {
                    uint32_t p = in[x];
                    out[x] = (((p >> rs) & 255u) << 16) | (((p >> gs) & 255u) << 8) | ((p >> bs) & 255u);
                }
            } else {
                for (int x = 0; x < w; x++) {
                    unsigned long p = XGetPixel(image, x, y);
                    out[x] = (channel8(p, rs, rb) << 16) | (channel8(p, gs, gb) << 8) | channel8(p, bs, bb);
                }
            }
        }
        return;
    }
    /* Indexed visuals: the colours of the cells in use. */
    int cells = visual->map_entries > 0 && visual->map_entries <= 4096 ? visual->map_entries : 256;
    std::vector<XColor> colors((size_t)cells);
    for (int i = 0; i < cells; i++) {
        colors[(size_t)i].pixel = (unsigned long)i;
    }
    XQueryColors(display, Tk_Colormap(tkwin), colors.data(), cells);
    for (int y = 0; y < h; y++) {
        uint32_t *out = raster->row(y);
        for (int x = 0; x < w; x++) {
            unsigned long p = XGetPixel(image, x, y);
            const XColor &c = colors[p < (unsigned long)cells ? p : 0];
            out[x] = ((uint32_t)(c.red >> 8) << 16) | ((uint32_t)(c.green >> 8) << 8) | (c.blue >> 8);
        }
    }
}

}  // namespace

/* Whether the region of a command names a gcanvas's world units. */
static bool worldRegion(const CanvasInfo *info, int coordType)
{
    return info->kind == CANVAS_KIND_GCANVAS && coordType != 0;
}

int regionInPixels(Tcl_Interp *interp, const CanvasInfo *info, double x0, double y0, double x1,
                   double y1, int coordType, double out[4])
{
    int inclusive = worldRegion(info, coordType) ? 0 : 1;
    canvasRegionToPixels(info, coordType, x0, y0, x1, y1, out);
    out[2] += inclusive;
    out[3] += inclusive;
    if (!canvasRegionDrawable(info, out)) {
        Tcl_SetResult(interp, (char *)CANVAS_REGION_OUTSIDE, TCL_STATIC);
        return TCL_ERROR;
    }
    return TCL_OK;
}

Pixmap canvasToPixmap(Tcl_Interp *interp, const char *canvasName, double x0, double y0,
                      double x1, double y1, int coordType, Tk_Window *tkwin, int *width,
                      int *height)
{
    CanvasInfo info;
    if (getCanvasInfo(interp, canvasName, &info) != TCL_OK) {
        return None;
    }
    Drawable made;
    if (worldRegion(&info, coordType)) {
        double r[4];
        canvasRegionToPixels(&info, coordType, x0, y0, x1, y1, r);
        *width = std::max(1, roundToInt(r[2] - r[0]));
        *height = std::max(1, roundToInt(r[3] - r[1]));
        made = drawCanvasToPixmap(interp, None, &info, r[0], r[1], *width, *height, 1);
    } else {
        *width = (int)x1 - (int)x0 + 1;
        *height = (int)y1 - (int)y0 + 1;
        made = drawCanvasToPixmap(interp, None, &info, (int)x0, (int)y0, *width, *height,
                                  coordType);
    }
    if (tkwin != NULL) {
        *tkwin = info.tkwin;
    }
    return (Pixmap)made;
}

/* The width x height pixels at the corner of pixmap (freed here). */
static int pixmapToRaster(Tcl_Interp *interp, Tk_Window tkwin, Pixmap pixmap, int width,
                          int height, CanvasRaster *raster)
{
    Display *display = Tk_Display(tkwin);
    raster->width = width;
    raster->height = height;
    raster->tkwin = tkwin;
    DrawableImage read;
    int got = readDrawableImage(display, pixmap, Tk_Visual(tkwin), Tk_Depth(tkwin), 0, 0,
                                (unsigned int)width, (unsigned int)height, &read);
    Tk_FreePixmap(display, pixmap);
    if (!got) {
        Tcl_SetResult(interp, (char *)"Error in reading the canvas image", TCL_STATIC);
        return TCL_ERROR;
    }
    if (raster->rows == nullptr) {
        raster->pixels.reset(new uint32_t[(size_t)width * (size_t)height]);
    }
    convertImage(read.image, tkwin, raster);
    freeDrawableImage(display, &read);
    return TCL_OK;
}

int gcanvasToScaledRaster(Tcl_Interp *interp, const CanvasInfo *info, double left, double top,
                          double kx, double ky, int tx, int ty, int width, int height,
                          CanvasRaster *raster)
{
    Pixmap pixmap = (Pixmap)drawGcanvasAtScale(interp, info, left, top, kx, ky, tx, ty, width,
                                               height);
    if (pixmap == None) {
        return TCL_ERROR;
    }
    return pixmapToRaster(interp, info->tkwin, pixmap, width, height, raster);
}

int canvasToRaster(Tcl_Interp *interp, const char *canvasName, double x0, double y0, double x1,
                   double y1, int coordType, CanvasRaster *raster)
{
    Tk_Window tkwin = NULL;
    int width = 0, height = 0;
    Pixmap pixmap = canvasToPixmap(interp, canvasName, x0, y0, x1, y1, coordType, &tkwin, &width,
                                   &height);
    if (pixmap == None) {
        return TCL_ERROR;
    }
    return pixmapToRaster(interp, tkwin, pixmap, width, height, raster);
}
