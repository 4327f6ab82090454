/*
 * print_page_peer.c --
 *
 *	The peer of the canvas print benchmark: paints a 600 x 900 raster
 *	into an A4 cairo PDF page, as a plain C program would, and finishes
 *	the file. Prints the best of five runs in milliseconds.
 *
 *	    ovex_bench_print_peer OUT.pdf [WIDTH HEIGHT]
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <cairo-pdf.h>
#include <cairo.h>

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

int main(int argc, char **argv)
{
    const char *out = argc > 1 ? argv[1] : "peer.pdf";
    int width = argc > 3 ? atoi(argv[2]) : 600;
    int height = argc > 3 ? atoi(argv[3]) : 900;
    double best = 1e30;
    for (int round = 0; round < 5; round++) {
        double start = now_ms();
        cairo_surface_t *image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        uint32_t *pixels = (uint32_t *)cairo_image_surface_get_data(image);
        int stride = cairo_image_surface_get_stride(image) / 4;
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                pixels[y * stride + x] = (uint32_t)(((x / 13) * 40 & 255) << 16 | ((y / 7) * 30 & 255) << 8 | 200);
            }
        }
        cairo_surface_mark_dirty(image);
        cairo_surface_t *pdf = cairo_pdf_surface_create(out, 595.276, 841.89);
        cairo_t *cr = cairo_create(pdf);
        double scale = 72.0 / 300.0;
        cairo_scale(cr, scale, scale);
        cairo_translate(cr, 300, 300);
        cairo_scale(cr, 1881.0 / width, 1881.0 / width);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_show_page(cr);
        cairo_destroy(cr);
        cairo_surface_finish(pdf);
        cairo_surface_destroy(pdf);
        cairo_surface_destroy(image);
        double ms = now_ms() - start;
        if (ms < best) {
            best = ms;
        }
    }
    printf("%.1f\n", best);
    return 0;
}
