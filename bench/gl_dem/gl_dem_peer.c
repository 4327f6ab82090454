/*
 * gl_dem_peer.c --
 *
 *	The peer of the DEM benchmark: a plain GLX program that draws the same
 *	triangle fans (solid) or line strips (wire) of a height grid in
 *	immediate mode, with colour, normal and glVertex4f per corner and
 *	lighting on, into a 512 x 512 double-buffered window.
 *
 *	gl_dem_peer make FILE COLS ROWS       writes a grid of floats
 *	gl_dem_peer solid|wire FILE COLS ROWS FRAMES [OUT.ppm]
 *	    prints the median seconds per frame; OUT.ppm receives the last
 *	    frame as shown (rows bottom up, as GL reads them)
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <GL/gl.h>
#include <GL/glx.h>

static int cols, rows;
static float *heights, low, high, halfW, halfH, w;
static float ramp[256][3];

static float z(int r, int c) { return heights[(long)r * cols + c]; }

static void makeRamp(void)
{
    static const int keys[5] = {0, 63, 127, 191, 255};
    static const float colors[5][3] = {{0, 0, 1}, {0, 1, 1}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    for (int s = 0; s < 4; s++)
        for (int k = keys[s]; k <= keys[s + 1]; k++) {
            float t = (float)(k - keys[s]) / (float)(keys[s + 1] - keys[s]);
            for (int i = 0; i < 3; i++) ramp[k][i] = (1 - t) * colors[s][i] + t * colors[s + 1][i];
        }
}

static void corner(int r, int c)
{
    int index = high > low ? (int)((z(r, c) - low) / (high - low) * 256.0) : 0;
    index = index < 0 ? 0 : index > 255 ? 255 : index;
    glColor3fv(ramp[index]);
    int r0 = r == rows - 1 ? r - 1 : r, c0 = c == cols - 1 ? c - 1 : c;
    float z00 = z(r0, c0), z01 = z(r0, c0 + 1), z10 = z(r0 + 1, c0), z11 = z(r0 + 1, c0 + 1);
    GLfloat n[3] = {(z00 - z01 + z10 - z11) * 2, (z00 + z01 - z10 - z11) * -2, 1};
    glNormal3fv(n);
    glVertex4f(c - halfW, halfH - r, z(r, c), w);
}

static void drawSolid(void)
{
    int r = 1;
    for (; r < rows - 1; r += 2)
        for (int c = 1; c < cols; c += 2) {
            glBegin(GL_TRIANGLE_FAN);
            corner(r, c); corner(r + 1, c); corner(r + 1, c - 1); corner(r, c - 1);
            corner(r - 1, c - 1); corner(r - 1, c);
            if (c != cols - 1) { corner(r - 1, c + 1); corner(r, c + 1); corner(r + 1, c + 1); corner(r + 1, c); }
            glEnd();
        }
    if (r == rows - 1)
        for (int c = 0; c < cols - 1; c++) {
            glBegin(GL_TRIANGLE_FAN);
            corner(r, c); corner(r - 1, c); corner(r - 1, c + 1); corner(r, c + 1);
            glEnd();
        }
}

static void drawWire(void)
{
    for (int r = 0; r < rows; r++) {
        glBegin(GL_LINE_STRIP);
        for (int c = 0; c < cols; c++) corner(r, c);
        glEnd();
    }
    for (int c = 0; c < cols; c++) {
        glBegin(GL_LINE_STRIP);
        for (int r = 0; r < rows; r++) corner(r, c);
        glEnd();
    }
}

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

int main(int argc, char **argv)
{
    if (argc == 5 && strcmp(argv[1], "make") == 0) {
        int c = atoi(argv[3]), r = atoi(argv[4]);
        FILE *f = fopen(argv[2], "wb");
        if (f == NULL) return 1;
        for (int i = 0; i < r; i++)
            for (int j = 0; j < c; j++) {
                float h = (float)(40 * sin(i * 0.02) * cos(j * 0.015) + 10 * sin((i + j) * 0.05));
                fwrite(&h, 4, 1, f);
            }
        fclose(f);
        return 0;
    }
    if (argc != 6 && argc != 7) {
        fprintf(stderr, "usage: %s make FILE COLS ROWS | solid|wire FILE COLS ROWS FRAMES [OUT.ppm]\n",
                argv[0]);
        return 2;
    }
    int solid = strcmp(argv[1], "solid") == 0;
    cols = atoi(argv[3]);
    rows = atoi(argv[4]);
    int frames = atoi(argv[5]);
    heights = malloc(sizeof(float) * (size_t)cols * rows);
    FILE *f = fopen(argv[2], "rb");
    if (f == NULL || fread(heights, 4, (size_t)cols * rows, f) != (size_t)cols * rows) return 1;
    fclose(f);
    low = high = heights[0];
    for (long i = 1; i < (long)cols * rows; i++) {
        low = heights[i] < low ? heights[i] : low;
        high = heights[i] > high ? heights[i] : high;
    }
    float W = cols - 1, H = rows - 1;
    w = W >= H ? W : H;
    halfW = W / 2;
    halfH = H / 2;
    makeRamp();

    Display *display = XOpenDisplay(NULL);
    if (display == NULL) return 1;
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 24, None};
    XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    XSetWindowAttributes wa;
    wa.colormap = XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
    wa.event_mask = StructureNotifyMask;
    Window window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0, 512, 512, 0, visual->depth,
                                  InputOutput, visual->visual, CWColormap | CWEventMask, &wa);
    XMapWindow(display, window);
    XEvent event;
    do XNextEvent(display, &event); while (event.type != MapNotify);
    GLXContext context = glXCreateContext(display, visual, NULL, True);
    glXMakeCurrent(display, window, context);
    glViewport(0, 0, 512, 512);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);

    double *spent = malloc(sizeof(double) * (frames > 0 ? frames : 1));
    for (int i = 0; i < frames; i++) {
        double start = now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (solid) drawSolid(); else drawWire();
        glFinish();
        glXSwapBuffers(display, window);
        spent[i] = now() - start;
    }
    if (argc == 7) {
        /* The last frame again, read from the back buffer before a swap. */
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (solid) drawSolid(); else drawWire();
        glFinish();
    }
    /* Median (insertion sort: a handful of frames). */
    for (int i = 1; i < frames; i++)
        for (int j = i; j > 0 && spent[j] < spent[j - 1]; j--) {
            double t = spent[j]; spent[j] = spent[j - 1]; spent[j - 1] = t;
        }
    if (argc == 7) {
        static unsigned char pixels[512 * 512 * 3];
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 512, 512, GL_RGB, GL_UNSIGNED_BYTE, pixels);
        FILE *out = fopen(argv[6], "wb");
        if (out == NULL) return 1;
        fprintf(out, "P6\n512 512\n255\n");
        fwrite(pixels, 1, sizeof pixels, out);
        fclose(out);
    }
    printf("%.6f\n", frames > 0 ? spent[frames / 2] : 0.0);
    return 0;
}
