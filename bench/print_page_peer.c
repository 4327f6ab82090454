/*
 * print_page_peer.c --
 *
 *	The peer of the canvas print row (bench/rows.py): draws the items of
 *	the canvas (rectangles and ovals of 21 x 21 pixels, a colour fill and
 *	a one-pixel black outline, on white) into a raster with cairo, places
 *	it on an A4 PDF page as the library's ovex-pdf job places the canvas,
 *	and finishes the file: the work a plain C program would do.
 *
 *	    ovex_bench_print_peer OUT.pdf ITEMS [WIDTH HEIGHT]
 *
 *	ITEMS holds one item a line: "rectangle|oval X Y R G B". Prints the
 *	seconds of drawing and writing the page (the items read first are
 *	what the canvas holds before it is printed), and on standard error
 *	the processor seconds of that work.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <cairo-pdf.h>
#include <cairo.h>

#define ITEM_SIZE 20

struct Item {
    int oval, x, y, r, g, b;
};

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 5) {
        fprintf(stderr, "usage: %s OUT.pdf ITEMS [WIDTH HEIGHT]\n", argv[0]);
        return 2;
    }
    const char *out = argv[1];
    int width = argc > 4 ? atoi(argv[3]) : 600;
    int height = argc > 4 ? atoi(argv[4]) : 900;
    FILE *items = fopen(argv[2], "r");
    if (items == NULL) {
        perror(argv[2]);
        return 1;
    }

    struct Item *list = NULL;
    size_t count = 0, room = 0;
    char kind[16];
    struct Item item;
    while (fscanf(items, "%15s %d %d %d %d %d", kind, &item.x, &item.y, &item.r, &item.g,
                  &item.b) == 6) {
        item.oval = strcmp(kind, "oval") == 0;
        if (count == room) {
            room = room ? 2 * room : 1024;
            list = realloc(list, room * sizeof *list);
            if (list == NULL) {
                return 1;
            }
        }
        list[count++] = item;
    }
    fclose(items);

    double began = now();
    clock_t cpuBegan = clock();
    cairo_surface_t *image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t *draw = cairo_create(image);
    cairo_set_antialias(draw, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(draw, 1, 1, 1);
    cairo_paint(draw);
    cairo_set_line_width(draw, 1.0);
    for (size_t i = 0; i < count; i++) {
        const struct Item *it = &list[i];
        /* As X draws them: the outline runs through the centres of the
         * pixels on the item's edges, the fill covers what it encloses. */
        if (it->oval) {
            cairo_save(draw);
            cairo_translate(draw, it->x + ITEM_SIZE / 2.0 + 0.5, it->y + ITEM_SIZE / 2.0 + 0.5);
            cairo_scale(draw, ITEM_SIZE / 2.0, ITEM_SIZE / 2.0);
            cairo_arc(draw, 0, 0, 1, 0, 6.283185307179586);
            cairo_restore(draw);
        } else {
            cairo_rectangle(draw, it->x + 0.5, it->y + 0.5, ITEM_SIZE, ITEM_SIZE);
        }
        cairo_set_source_rgb(draw, it->r / 255.0, it->g / 255.0, it->b / 255.0);
        cairo_fill_preserve(draw);
        cairo_set_source_rgb(draw, 0, 0, 0);
        cairo_stroke(draw);
    }
    cairo_destroy(draw);
    cairo_surface_flush(image);

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
    int failed = cairo_surface_status(pdf) != CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(pdf);
    cairo_surface_destroy(image);
    printf("%.6f\n", now() - began);
    /* Processor seconds of the same work, for comparisons on a busy
     * machine (the harness reads the wall seconds above). */
    fprintf(stderr, "cpu %.6f\n", (double)(clock() - cpuBegan) / CLOCKS_PER_SEC);
    free(list);
    return failed;
}
