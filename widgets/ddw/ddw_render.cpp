/*
 * ddw_render.cpp --
 *
 *	Rendering a RAM image into the ddw widget's back surface: band
 *	selection, per-band stretch, palettes, the writers of each surface
 *	depth, the copy to the window and the test drawings.
 */
#include <stdint.h>
#include <string.h>

#include "core/gmem.h"
#include "core/package.h"
#include "core/rounding.h"
#include "display/tulx/tulx.h"
#include "ovex/ovexstdio.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"
#include "widgets/ddw/ddw_widget.h"
#include "widgets/ddw/video_stream.h"

/* Process-wide counters of the text position and the test drawings. */
static int renderCount = 0;
static int areaCount = 0;
static int lineCount = 0;

static int positiveMod(int a, int b)
{
    if (b <= 0) {
        return 0;
    }
    int m = a % b;
    return m < 0 ? m + b : m;
}

void ddwScaleValues(const float *values, int n, double low, double high, unsigned char *out,
                    int stride)
{
    double range = high - low;
    for (int i = 0; i < n; i++) {
        double v = values[i];
        unsigned char b;
        if (v < low) {
            b = 0;
        } else if (v > high) {
            b = 255;
        } else if (range <= 0.0) {
            b = 0;
        } else {
            int s = clampToInt((v - low) * 255.0 / range + 0.5);
            b = (unsigned char)(s < 0 ? 0 : s > 255 ? 255 : s);
        }
        out[(size_t)i * (size_t)stride] = b;
    }
}

/* 0-based band of each channel, -1 for a black channel. */
static void channelBands(DdwWidget *w, int bands[3])
{
    int nb = w->image->head.nbands;
    if (w->comb.count <= 1 || nb == 1) {
        int b = positiveMod(w->comb.band[0] - 1, nb);
        bands[0] = bands[1] = bands[2] = b;
        return;
    }
    for (int c = 0; c < 3; c++) {
        int b = w->comb.band[c] - 1;
        bands[c] = (b >= 0 && b < nb) ? b : -1;
    }
}

/* The value placed in a 16-bit mask, by the shifts of the writer. */
static void channelTable(unsigned long mask, int blue, const unsigned char *through,
                         uint32_t table[256])
{
    int t = blue ? 1 : 8;
    while (t < 32 && (mask >> t) != 0) {
        t++;
    }
    for (int i = 0; i < 256; i++) {
        uint32_t v = through != NULL ? through[i] : (uint32_t)i;
        uint32_t placed = blue ? (t <= 8 ? v >> (8 - t) : v << (t - 8))
                               : (t >= 8 ? v << (t - 8) : v >> (8 - t));
        table[i] = placed & (uint32_t)mask;
    }
}

/* Byte of a 24/32-bit pixel that holds a mask. */
static int maskByte(const XImage *image, unsigned long mask, int bytes)
{
    int shift = 0;
    while (shift < 32 && ((mask >> shift) & 1) == 0) {
        shift++;
    }
    int k = shift / 8;
    if (k >= bytes) {
        k = bytes - 1;
    }
    return image->byte_order == LSBFirst ? k : bytes - 1 - k;
}

static void store16(char *out, uint32_t pixel, int byteOrder)
{
    if (byteOrder == LSBFirst) {
        out[0] = (char)(pixel & 0xff);
        out[1] = (char)(pixel >> 8);
    } else {
        out[0] = (char)(pixel >> 8);
        out[1] = (char)(pixel & 0xff);
    }
}

/* Writes the image rows into the locked back surface. */
static int writeRows(DdwWidget *w)
{
    RAMIMG *image = w->image;
    XImage *surface = w->back.image;
    int bpp = surface->bits_per_pixel;
    if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        return TCL_OK;
    }
    int rows = image->head.rows < surface->height ? image->head.rows : surface->height;
    int cols = image->head.columns < surface->width ? image->head.columns : surface->width;
    if (rows < 1 || cols < 1) {
        return TCL_OK;
    }
    int bands[3];
    channelBands(w, bands);
    int wide = bitsPerPixel(image->head.pixel) > 8;
    unsigned char *channels = (unsigned char *)tclAlloc((size_t)cols * 3);
    float *values = wide ? (float *)tclAlloc(sizeof(float) * (size_t)cols) : NULL;
    if (channels == NULL || (wide && values == NULL)) {
        tclFree(channels);
        tclFree(values);
        ovexAddErrorInfo(w->interp, "Error in Lock");
        return TCL_ERROR;
    }
    unsigned char *chan[3] = {channels, channels + cols, channels + 2 * (size_t)cols};
    int usePalette = w->paletteCount > 0;
    int single = bands[0] == bands[1] && bands[1] == bands[2];

    uint32_t table16[3][256];
    if (bpp == 16) {
        unsigned long masks[3] = {surface->red_mask, surface->green_mask, surface->blue_mask};
        for (int c = 0; c < 3; c++) {
            unsigned char through[256];
            for (int i = 0; i < 256; i++) {
                through[i] = usePalette ? w->palette[i][c] : (unsigned char)i;
            }
            channelTable(masks[c], c == 2, through, table16[c]);
        }
    }
    int bytes = bpp / 8;
    int pos[3] = {0, 1, 2};
    if (bytes >= 3) {
        /* By the red mask, as the surface's pixel format places it. */
        pos[0] = maskByte(surface, surface->red_mask, bytes);
        pos[1] = maskByte(surface, surface->green_mask, bytes);
        pos[2] = maskByte(surface, surface->blue_mask, bytes);
    }
    for (int row = 0; row < rows; row++) {
        for (int c = 0; c < 3; c++) {
            int b = bands[c];
            if (b < 0) {
                memset(chan[c], 0, (size_t)cols);
            } else if (c > 0 && single && !wide) {
                memcpy(chan[c], chan[0], (size_t)cols);
            } else if (wide) {
                getRowFloat(image, row, 0, cols, b, values);
                ddwScaleValues(values, cols, w->low[c], w->high[c], chan[c], 1);
            } else {
                getRowBytesStride(image, row, 0, cols, b, chan[c], 1);
            }
        }
        char *out = surface->data + (size_t)row * (size_t)surface->bytes_per_line;
        switch (bpp) {
        case 8:
            if (single) {
                for (int x = 0; x < cols; x++) {
                    out[x] = (char)w->indexMap[chan[0][x]];
                }
            } else {
                for (int x = 0; x < cols; x++) {
                    int r = chan[0][x], g = chan[1][x], bl = chan[2][x];
                    if (usePalette) {
                        r = bands[0] < 0 ? 0 : w->palette[r][0];
                        g = bands[1] < 0 ? 0 : w->palette[g][1];
                        bl = bands[2] < 0 ? 0 : w->palette[bl][2];
                    }
                    int index = (r & 0xE0) | ((g >> 3) & 0x1C) | (bl >> 6);
                    out[x] = (char)w->indexMap[index];
                }
            }
            break;
        case 16:
            for (int x = 0; x < cols; x++) {
                uint32_t pixel = (bands[0] < 0 ? 0 : table16[0][chan[0][x]])
                                 | (bands[1] < 0 ? 0 : table16[1][chan[1][x]])
                                 | (bands[2] < 0 ? 0 : table16[2][chan[2][x]]);
                store16(out + (size_t)x * 2, pixel, surface->byte_order);
            }
            break;
        default:
            for (int c = 0; c < 3; c++) {
                const unsigned char *in = chan[c];
                char *o = out + pos[c];
                if (usePalette && bands[c] >= 0) {
                    for (int x = 0; x < cols; x++) {
                        o[(size_t)x * (size_t)bytes] = (char)w->palette[in[x]][c];
                    }
                } else {
                    for (int x = 0; x < cols; x++) {
                        o[(size_t)x * (size_t)bytes] = (char)in[x];
                    }
                }
            }
            break;
        }
    }
    tclFree(channels);
    tclFree(values);
    return TCL_OK;
}

/* Draws -teststr in pure red into the back surface. */
static int drawTestText(DdwWidget *w, int n)
{
    if (w->teststr == NULL || w->teststr[0] == '\0' || w->tkwin == NULL) {
        return TCL_OK;
    }
    if (!w->textPixelAllocated) {
        w->textPixel = ddRgbPixel(&w->primary, w->colormap, 255, 0, 0);
        w->textPixelAllocated = w->primary.visual->c_class != TrueColor
                                && w->primary.visual->c_class != DirectColor;
    }
    XImage *surface = w->back.image;
    int x = positiveMod(n, surface->width);
    int y = positiveMod(n, surface->height);
    if (ddDrawText(&w->primary, &w->back, w->tkwin, w->teststr, x, y, w->textPixel) != DD_OK) {
        ovexAddErrorInfo(w->interp, "Error in GetDC");
        return TCL_ERROR;
    }
    return TCL_OK;
}

int ddwRender(DdwWidget *w)
{
    if (w->image == NULL) {
        ddClearSurface(&w->back);
        return TCL_OK;
    }
    if (!w->backReady) {
        ovexAddErrorInfo(w->interp, "No back surface");
        return TCL_ERROR;
    }
    if (writeRows(w) != TCL_OK) {
        return TCL_ERROR;
    }
    int n = renderCount++;
    if (drawTestText(w, n) != TCL_OK) {
        return TCL_ERROR;
    }
    return ddwBlt(w);
}

static const char *bltErrorName(int code)
{
    switch (code) {
    case DDERR_SURFACELOST:
        return "DDERR_SURFACELOST";
    case DDERR_INVALIDRECT:
        return "DDERR_INVALIDRECT\n";
    case DDERR_INVALIDOBJECT:
        return "DDERR_INVALIDOBJECT";
    case DDERR_INVALIDPARAMS:
        return "DDERR_INVALIDEPARAMS\n";
    case DDERR_UNSUPPORTED:
        return "DDERR_UNSUPPORTED";
    case DDERR_GENERIC:
        return "DDERR_GENERIC";
    default:
        return "Unknown Blt error";
    }
}

int ddwBlt(DdwWidget *w)
{
    if (!w->backReady || w->tkwin == NULL) {
        return TCL_ERROR;
    }
    if (w->stream != NULL) {
        updateSurface(w->stream, &w->primary);
        return TCL_OK;
    }
    int code = ddBlt(&w->primary, &w->back, Tk_Width(w->tkwin), Tk_Height(w->tkwin));
    if (code != DD_OK) {
        ovex_fprintf(stderr, "%s", bltErrorName(code));
        ddFreeSurface(&w->primary, &w->back);
        w->backReady = 0;
        ovexAddErrorInfo(w->interp, "Error in ddFlip");
        return TCL_ERROR;
    }
    return TCL_OK;
}

int ddwCreateBackSurface(DdwWidget *w)
{
    int width = w->width, height = w->height;
    if (w->image != NULL) {
        width = w->image->head.columns;
        height = w->image->head.rows;
    }
    XImage *back = w->back.image;
    if (!w->backReady || back == NULL || back->width != width || back->height != height) {
        ddFreeSurface(&w->primary, &w->back);
        w->backReady = 0;
        if (!ddCreateSurface(&w->primary, &w->back, width, height)) {
            ovexAddErrorInfo(w->interp, "Error in creating back surface");
            return TCL_ERROR;
        }
        w->backReady = 1;
    }
    return ddwRender(w);
}

void ddwFreePaletteColors(DdwWidget *w)
{
    if (w->pixels != NULL) {
        if (w->pixelCount > 0 && w->display != NULL) {
            XFreeColors(w->display, w->colormap, w->pixels, w->pixelCount, 0);
        }
        tclFree(w->pixels);
        w->pixels = NULL;
    }
    w->pixelCount = 0;
}

static void cubeEntry(int i, unsigned char out[3])
{
    out[0] = (unsigned char)roundToInt((i >> 5) / 7.0 * 255.0);
    out[1] = (unsigned char)roundToInt(((i >> 2) & 7) / 7.0 * 255.0);
    out[2] = (unsigned char)roundToInt((i & 3) / 3.0 * 255.0);
}

/* Nearest cell of the window's colormap for each of n colours. */
static void buildIndexMap(DdwWidget *w, const unsigned char (*colours)[3], int n)
{
    XColor cells[256];
    int count = w->primary.visual->map_entries < 256 ? w->primary.visual->map_entries : 256;
    for (int i = 0; i < count; i++) {
        cells[i].pixel = (unsigned long)i;
    }
    XQueryColors(w->display, w->colormap, cells, count);
    for (int i = 0; i < n; i++) {
        int64_t best = INT64_MAX;
        int bestIndex = 0;
        for (int k = 0; k < count; k++) {
            int64_t dr = (int64_t)(cells[k].red >> 8) - colours[i][0];
            int64_t dg = (int64_t)(cells[k].green >> 8) - colours[i][1];
            int64_t db = (int64_t)(cells[k].blue >> 8) - colours[i][2];
            int64_t d = dr * dr + dg * dg + db * db;
            if (d < best) {
                best = d;
                bestIndex = k;
            }
        }
        w->indexMap[i] = (unsigned char)bestIndex;
    }
}

void ddwBuildPalette(DdwWidget *w, const unsigned char (*rgb)[3], int n, int useIndexMap,
                     int colourMode, int force)
{
    if (!w->primaryReady || w->primary.depth > 8) {
        return;
    }
    unsigned char colours[256][3];
    if (n >= 1) {
        if (n > 256) {
            n = 256;
        }
        int same = memcmp(w->palette, rgb, (size_t)n * 3) == 0;
        if (rgb != w->palette) {
            memcpy(w->palette, rgb, (size_t)n * 3);
        }
        if (w->paletteKind == DDW_PALETTE_IMAGE && same && !force) {
            return;
        }
        w->paletteKind = DDW_PALETTE_IMAGE;
        memcpy(colours, w->palette, (size_t)n * 3);
    } else if (colourMode) {
        if (w->paletteKind == DDW_PALETTE_CUBE && !force) {
            return;
        }
        for (int i = 0; i < 256; i++) {
            cubeEntry(i, colours[i]);
        }
        w->paletteKind = DDW_PALETTE_CUBE;
        n = 256;
    } else {
        if (w->paletteKind == DDW_PALETTE_GREY && !force) {
            return;
        }
        for (int j = 0; j < 16; j++) {
            colours[j][0] = colours[j][1] = colours[j][2] =
                (unsigned char)roundToInt(j / 15.0 * 255.0);
        }
        w->paletteKind = DDW_PALETTE_GREY;
        n = 16;
    }
    ddwFreePaletteColors(w);
    w->pixels = allocPaletteColors(w->display, w->colormap, colours, n);
    w->pixelCount = w->pixels != NULL ? n : 0;
    if (!useIndexMap) {
        return;
    }
    if (w->paletteKind == DDW_PALETTE_IMAGE) {
        buildIndexMap(w, colours, n);
    } else if (colourMode) {
        for (int i = 0; i < 256; i++) {
            cubeEntry(i, colours[i]);
        }
        buildIndexMap(w, colours, 256);
    } else {
        for (int i = 0; i < 256; i++) {
            colours[i][0] = colours[i][1] = colours[i][2] = (unsigned char)i;
        }
        buildIndexMap(w, colours, 256);
    }
}

/* mean +- k sigma of each channel's band, kept within the band's
 * extremes, into -lowc/-highc and the channel's stretch table. */
static void stdStretch(DdwWidget *w)
{
    RAMIMG *image = w->image;
    int nb = image->head.nbands;
    int hasTable = image->head.nindices >= 1;
    int bands[3];
    int statBands[3];
    if (nb > 1 && w->comb.count > 1) {
        for (int c = 0; c < 3; c++) {
            int b = w->comb.band[c] - 1;
            bands[c] = statBands[c] = (b >= 0 && b < nb) ? b : -1;
        }
    } else if (hasTable) {
        for (int c = 0; c < 3; c++) {
            bands[c] = 0;
            statBands[c] = c;   /* the palette channel */
        }
    } else {
        int b = positiveMod(w->comb.band[0] - 1, nb);
        for (int c = 0; c < 3; c++) {
            bands[c] = statBands[c] = b;
        }
    }
    int narrow = bitsPerPixel(image->head.pixel) <= 8;
    double k = w->std;
    for (int c = 0; c < 3; c++) {
        if (bands[c] < 0) {
            for (int i = 0; i < 256; i++) {
                w->palette[i][c] = 0;
            }
            continue;
        }
        double sigma = 0, mean = 0, lowest = 0, highest = 0;
        if (bandStatsSummary(image, statBands[c], &sigma, &mean, &lowest, &highest)) {
            double low = mean - k * sigma;
            double high = mean + k * sigma;
            w->low[c] = low < lowest ? lowest : low;
            w->high[c] = high > highest ? highest : high;
        }
        double low = w->low[c], high = w->high[c];
        for (int i = 0; i < 256; i++) {
            if (!narrow) {
                w->palette[i][c] = (unsigned char)i;
                continue;
            }
            double v = hasTable && nb == 1 ? image->head.palette[i][c] : i;
            int e;
            if (high <= low) {
                /* A constant band: the rule of the wide rows, above the
                 * value shows white. */
                e = v > high ? 255 : 0;
            } else {
                e = clampToInt((v - low) / (high - low) * 255.0);
                e = e < 0 ? 0 : e > 255 ? 255 : e;
            }
            w->palette[i][c] = (unsigned char)e;
        }
    }
}

void ddwRenderImage(DdwWidget *w, int force)
{
    RAMIMG *image = w->image;
    if (image == NULL) {
        return;
    }
    int nb = image->head.nbands;
    int hasTable = image->head.nindices >= 1;
    for (int c = 0; c < 3; c++) {
        int b = w->comb.band[c];
        if (hasTable) {
            w->comb.band[c] = positiveMod(b, 4);
        } else if (b > nb) {
            w->comb.band[c] = positiveMod(b, nb + 1);
        }
    }
    int colourMode = w->comb.count > 1;
    if (!hasTable) {
        w->paletteCount = 0;
    } else {
        int n = image->head.nindices > 256 ? 256 : image->head.nindices;
        w->paletteCount = n;
        for (int i = 0; i < n; i++) {
            for (int c = 0; c < 3; c++) {
                if (nb == 1) {
                    w->palette[i][c] = image->head.palette[i][c];
                } else {
                    int component = w->comb.band[c] - 1;
                    w->palette[i][c] =
                        component >= 0 && component < 3 ? image->head.palette[i][component] : 0;
                }
            }
        }
    }
    if (w->std <= 0.0) {
        ddwBuildPalette(w, w->palette, hasTable ? w->paletteCount : 0, 1, colourMode, force);
    } else {
        stdStretch(w);
        ddwBuildPalette(w, w->palette, (w->comb.count <= 1 || hasTable) ? 256 : 0, 1, colourMode,
                        force);
        w->paletteCount = 256;
    }
}

/* The ramp value v as a pixel of the surface. */
static void fillRamp(DdwWidget *w, int row, int n)
{
    XImage *surface = w->back.image;
    char *out = surface->data + (size_t)row * (size_t)surface->bytes_per_line;
    int bpp = surface->bits_per_pixel;
    uint32_t table16[3][256];
    if (bpp == 16) {
        channelTable(surface->red_mask, 0, NULL, table16[0]);
        channelTable(surface->green_mask, 0, NULL, table16[1]);
        channelTable(surface->blue_mask, 1, NULL, table16[2]);
    }
    for (int x = 0; x < surface->width; x++) {
        int v = (x + n) & 255;
        switch (bpp) {
        case 8:
            out[x] = (char)v;
            break;
        case 16:
            store16(out + (size_t)x * 2, table16[0][v] | table16[1][v] | table16[2][v],
                    surface->byte_order);
            break;
        case 24:
            memset(out + (size_t)x * 3, v, 3);
            break;
        case 32:
            memset(out + (size_t)x * 4, v, 3);
            break;
        default:
            break;
        }
    }
}

int ddwTestArea(DdwWidget *w)
{
    if (!w->backReady) {
        return TCL_ERROR;
    }
    int n = areaCount++;
    for (int row = 0; row < w->back.image->height; row++) {
        fillRamp(w, row, n);
    }
    if (drawTestText(w, n) != TCL_OK) {
        return TCL_ERROR;
    }
    return ddwBlt(w);
}

int ddwTestLine(DdwWidget *w)
{
    if (!w->backReady) {
        return TCL_ERROR;
    }
    int n = lineCount++;
    fillRamp(w, positiveMod(n, w->back.image->height), n);
    return ddwBlt(w);
}
