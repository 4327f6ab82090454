/*
 * tulx_palette.cpp --
 *
 *	Colour cells on colormap-indexed screens: grey ramps and colour
 *	cubes, the image's own palette, allocation with a nearest-colour
 *	fallback when the colormap is full, and their release.
 */
#include <stdint.h>
#include <string.h>

#include "core/gmem.h"
#include "core/rounding.h"
#include "display/tulx/tulx.h"
#include "ovex/draw.h"
#include "ovex/ovexstdio.h"

/*
 * makeLevelTables --
 *	Quantises 0..255 into n levels: the error of each value, the levels
 *	and the level index of each value times scale.
 */
void makeLevelTables(signed char *errors, int *levels, int n, unsigned char *indices,
                     float scale)
{
    if (levels != NULL) {
        levels[0] = 0;
    }
    if (n <= 1) {
        if (errors != NULL) {
            errors[0] = 0;
        }
        return;
    }
    float step = 256.0f / (float)(n - 1);
    int k = 0;
    int previous = 0;
    for (int v = 0; v < 256; v++) {
        int q;
        if (n == 256) {
            q = v;
        } else {
            double t = (double)(int)((v + step * 0.5f) / step) * step;
            q = roundToInt(t);
        }
        if (q > 255) {
            q = 255;
        }
        if (v > 0 && q != previous) {
            k++;
            if (levels != NULL && k < 256) {
                levels[k] = q;
            }
        }
        previous = q;
        if (errors != NULL) {
            errors[v] = (signed char)(v - q);
        }
        if (indices != NULL) {
            indices[v] = (unsigned char)roundToInt(k * scale);
        }
    }
}

int makeCubePalette(unsigned char out[256][3], int grey, int red, int green, int blue)
{
    int levels[256];
    if (grey > 0 && red <= 0 && green <= 0 && blue <= 0) {
        if (grey > 256) {
            return 0;
        }
        makeLevelTables(NULL, levels, grey, NULL, 1.0f);
        for (int i = 0; i < grey; i++) {
            out[i][0] = out[i][1] = out[i][2] = (unsigned char)levels[i];
        }
        return grey;
    }
    if (grey == 0 && red > 0 && green > 0 && blue > 0) {
        long n = (long)red * green * blue;
        if (n > 256) {
            return 0;
        }
        int r[256], g[256], b[256];
        makeLevelTables(NULL, r, red, NULL, 1.0f);
        makeLevelTables(NULL, g, green, NULL, 1.0f);
        makeLevelTables(NULL, b, blue, NULL, 1.0f);
        for (int ri = 0; ri < red; ri++) {
            for (int gi = 0; gi < green; gi++) {
                for (int bi = 0; bi < blue; bi++) {
                    int e = (ri * green + gi) * blue + bi;
                    out[e][0] = (unsigned char)(red > 1 ? r[ri] : 0);
                    out[e][1] = (unsigned char)(green > 1 ? g[gi] : 0);
                    out[e][2] = (unsigned char)(blue > 1 ? b[bi] : 0);
                }
            }
        }
        return (int)n;
    }
    return 0;
}

/*
 * allocPaletteColors --
 *	One cell per entry; a colour the colormap cannot give takes the
 *	nearest of its first 256 cells.
 */
unsigned long *allocPaletteColors(Display *display, Colormap colormap,
                                  const unsigned char rgb[][3], int n)
{
    if (n <= 0) {
        return NULL;
    }
    unsigned long *pixels = (unsigned long *)tclAlloc(sizeof(unsigned long) * (size_t)n);
    if (pixels == NULL) {
        return NULL;
    }
    XColor cells[256];
    int cellCount = -1;
    for (int i = 0; i < n; i++) {
        XColor color;
        memset(&color, 0, sizeof(color));
        color.red = (unsigned short)(rgb[i][0] * 256);
        color.green = (unsigned short)(rgb[i][1] * 256);
        color.blue = (unsigned short)(rgb[i][2] * 256);
        color.flags = DoRed | DoGreen | DoBlue;
        if (!XAllocColor(display, colormap, &color)) {
            if (cellCount < 0) {
                cellCount = queryPaletteColors(display, colormap, cells, 256);
            }
            int64_t best = (int64_t)3 * 65536 * 65536;
            int bestIndex = -1;
            for (int k = 0; k < cellCount; k++) {
                int64_t dr = (int64_t)cells[k].red - color.red;
                int64_t dg = (int64_t)cells[k].green - color.green;
                int64_t db = (int64_t)cells[k].blue - color.blue;
                int64_t d = dr * dr + dg * dg + db * db;
                if (d < best) {
                    best = d;
                    bestIndex = k;
                }
            }
            if (bestIndex >= 0) {
                color = cells[bestIndex];
                color.flags = DoRed | DoGreen | DoBlue;
                XAllocColor(display, colormap, &color);
            }
        }
        pixels[i] = color.pixel;
    }
    return pixels;
}

unsigned long *allocCubeColors(Display *display, Colormap colormap, int grey, int red,
                               int green, int blue)
{
    unsigned char rgb[256][3];
    int n = makeCubePalette(rgb, grey, red, green, blue);
    if (n == 0) {
        return NULL;
    }
    return allocPaletteColors(display, colormap, rgb, n);
}

void tulxFreeColors(TulxMaster *master)
{
    if (master->pixels != NULL) {
        if (master->nColors > 0) {
            XFreeColors(master->display, master->colormap, master->pixels, master->nColors, 0);
        }
        tclFree(master->pixels);
        master->pixels = NULL;
    }
    master->nColors = 0;
}

/*
 * truePalette --
 *	(Re)allocates the cells: the image palette when indices go straight
 *	to it, else the generated ramp or cube, shrunk until it fits.
 */
void truePalette(TulxMaster *master)
{
    tulxFreeColors(master);
    if (master->depth > 8) {
        return;
    }
    if (master->directPalette) {
        master->nColors = master->head.nindices;
        if (master->nColors > 0) {
            master->pixels = allocPaletteColors(master->display, master->colormap,
                                                master->head.palette, master->nColors);
            if (master->pixels != NULL) {
                return;
            }
            ovex_fprintf(stderr, "Error in truePalette alloc.\n");
        }
        master->nColors = 0;
        master->directPalette = 0;
    }
    int *levels = master->paletteApplied;
    unsigned long *pixels;
    while ((pixels = allocCubeColors(master->display, master->colormap, levels[0], levels[1],
                                     levels[2], levels[3])) == NULL) {
        int largest = 0;
        for (int i = 1; i < 4; i++) {
            if (levels[i] > levels[largest]) {
                largest = i;
            }
        }
        if (levels[largest] <= 1) {
            break;
        }
        levels[largest] = levels[largest] < 33 ? levels[largest] - 1 : levels[largest] / 2;
    }
    master->pixels = pixels;
    int n = 1;
    for (int i = 0; i < 4; i++) {
        if (levels[i] > 0) {
            n *= levels[i];
        }
    }
    master->nColors = pixels != NULL ? n : 0;
}
