/*
 * grass_driver.cpp --
 *
 *	The GRASS raster-graphics driver: the exported R_ drawing, colour and
 *	location functions over the RAM image of a virtual-display widget
 *	(class "vdisp"). The widget keeps the driver's state in its _comb
 *	elements while the driver is closed; opening loads them, closing
 *	writes them back and tells the image's viewers that it changed.
 *
 *	The driver holds no reference to the image: it finds it by tag on
 *	every call, so an image closed by a script meanwhile is never
 *	touched. While the driver is closed every R_ call does nothing.
 */
#include "geo/grass/grass_driver.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/rounding.h"
#include "core/point_list.h"
#include "ovex/ovexstdio.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ram_draw.h"
#include "ramimage/ramimg.h"
#include "core/comb_eval.h"

GrassDriverState grassDriver;

static int driverOpen = 0;
static Tcl_Interp *scriptInterp = NULL;

Tcl_Interp *grassInterp(void)
{
    return scriptInterp;
}

void grassSetInterp(Tcl_Interp *interp)
{
    scriptInterp = interp;
}

RAMIMG *grassDriverImage(void)
{
    return driverOpen ? getRAMImageByTag(grassDriver.tag) : NULL;
}

/* a + b without overflow: sums beyond int saturate. */
static int addClamped(int a, int b)
{
    int64_t sum = (int64_t)a + b;
    return sum > INT32_MAX ? INT32_MAX : sum < INT32_MIN ? INT32_MIN : (int)sum;
}

/*
 * drawLine --
 *	A line of the current colour. A line far longer than the image is
 *	first cut to the image (one pixel of margin), so that coordinates a
 *	module got wrong cost no time beyond the image's size; other lines
 *	go to the image as they are.
 */
static void drawLine(RAMIMG *image, int x0, int y0, int x1, int y1)
{
    int64_t w = image->head.columns, h = image->head.rows;
    int64_t dx = (int64_t)x1 - x0, dy = (int64_t)y1 - y0;
    int64_t steps = (dx < 0 ? -dx : dx) > (dy < 0 ? -dy : dy) ? (dx < 0 ? -dx : dx)
                                                                : (dy < 0 ? -dy : dy);
    if (steps > 2 * (w + h) + 16) {
        /* Liang-Barsky over the box -1 .. w, -1 .. h. */
        double t0 = 0, t1 = 1;
        double p[4] = {(double)-dx, (double)dx, (double)-dy, (double)dy};
        double q[4] = {(double)x0 + 1, (double)(w - x0), (double)y0 + 1, (double)(h - y0)};
        for (int k = 0; k < 4; k++) {
            if (p[k] == 0) {
                if (q[k] < 0) {
                    return;
                }
                continue;
            }
            double t = q[k] / p[k];
            if (p[k] < 0) {
                t0 = t > t0 ? t : t0;
            } else {
                t1 = t < t1 ? t : t1;
            }
        }
        if (t0 > t1) {
            return;
        }
        int cx0 = roundToInt(x0 + t0 * dx), cy0 = roundToInt(y0 + t0 * dy);
        int cx1 = roundToInt(x0 + t1 * dx), cy1 = roundToInt(y0 + t1 * dy);
        x0 = cx0;
        y0 = cy0;
        x1 = cx1;
        y1 = cy1;
    }
    ramImageDrawLine(image, 0, grassDriver.color, x0, y0, x1, y1);
}

/* ---- Opening and closing ------------------------------------------------------ */

static void greyTable(GrassDriverState *state)
{
    for (int i = 0; i < 256; i++) {
        state->rgb[i][0] = state->rgb[i][1] = state->rgb[i][2] = (unsigned char)i;
    }
    state->colorCount = 256;
}

static int readIntElement(Tcl_Interp *interp, const char *path, const char *field, int fallback)
{
    const char *value = combGetVar(interp, "%s,%s", path, field);
    int number;
    if (value == NULL || sscanf(value, "%d", &number) != 1) {
        return fallback;
    }
    return number;
}

/*
 * readColorTable --
 *	P,RGB: a list of "red green blue" texts (a missing number reads 0);
 *	at most 256 are taken, the rest of the table stays grey.
 */
static void readColorTable(Tcl_Interp *interp, GrassDriverState *state)
{
    greyTable(state);
    const char *value = combGetVar(interp, "%s,RGB", state->widget);
    int count = 0;
    const char **items = NULL;
    if (value == NULL || Tcl_SplitList(NULL, value, &count, &items) != TCL_OK) {
        return;
    }
    if (count > 256) {
        count = 256;
    }
    for (int i = 0; i < count; i++) {
        int rgb[3] = {0, 0, 0};
        sscanf(items[i], "%d %d %d", &rgb[0], &rgb[1], &rgb[2]);
        for (int c = 0; c < 3; c++) {
            state->rgb[i][c] = (unsigned char)(rgb[c] & 0xFF);
        }
    }
    state->colorCount = (int)count;
    Tcl_Free((char *)items);
}

int vdispOpenDriver(Tcl_Interp *interp)
{
    driverOpen = 0;
    const char *path = Tcl_GetVar(interp, "virtural_display", TCL_GLOBAL_ONLY);
    if (path == NULL) {
        ovex_fprintf(stderr, "can't find virtural display.\n");
        return 0;
    }
    const char *cls = combGetVar(interp, "%s,class", path);
    const char *tag = combGetVar(interp, "%s,rimage", path);
    RAMIMG *image = tag != NULL ? getRAMImageByTag(tag) : NULL;
    if (cls == NULL || strcmp(cls, "vdisp") != 0 || image == NULL
        || strlen(path) >= GRASS_PATH_SIZE) {
        ovex_fprintf(stderr, "invalid path for a virtural display.\n");
        return 0;
    }
    GrassDriverState *state = &grassDriver;
    strcpy(state->widget, path);
    snprintf(state->tag, sizeof state->tag, "%s", image->tag);

    state->penX = readIntElement(interp, path, "cf-cur_x", 0);
    state->penY = readIntElement(interp, path, "cf-cur_y", 0);
    state->color = readIntElement(interp, path, "cf-color", 255);
    state->colorOffset = readIntElement(interp, path, "cf-colorOffset", 0);

    state->clipLeft = 0;
    state->clipTop = 0;
    state->clipRight = image->head.columns;
    state->clipBottom = image->head.rows;
    const char *clip = combGetVar(interp, "%s,cf-clip", path);
    if (clip != NULL) {
        sscanf(clip, "%d %d %d %d", &state->clipLeft, &state->clipTop, &state->clipRight,
               &state->clipBottom);
    }

    double size[3] = {0.75, 0.75, 0.0};
    const char *textSize = combGetVar(interp, "%s,cf-textSize", path);
    if (textSize != NULL) {
        sscanf(textSize, "%lf %lf %lf", &size[0], &size[1], &size[2]);
    }
    state->textWidthScale = size[0];
    state->textHeightScale = size[1];
    state->rotation = size[2] * M_PI / 180.0;
    state->rotationSin = sin(state->rotation);
    state->rotationCos = cos(state->rotation);

    readColorTable(interp, state);
    driverOpen = 1;
    return 1;
}

static void writeElement(Tcl_Interp *interp, const char *field, const char *value)
{
    combSetVar(interp, value, "%s,%s", grassDriver.widget, field);
}

static void writeIntElement(Tcl_Interp *interp, const char *field, int value)
{
    char text[32];
    snprintf(text, sizeof text, "%d", value);
    writeElement(interp, field, text);
}

extern "C" int R_close_driver(void)
{
    if (!driverOpen) {
        return 0;
    }
    RAMIMG *image = grassDriverImage();
    if (image != NULL) {
        updateClient(image, 0, RAMIMG_NOTIFY_DATA);
    }
    Tcl_Interp *interp = scriptInterp;
    if (interp != NULL) {
        const GrassDriverState *state = &grassDriver;
        writeIntElement(interp, "cf-cur_x", state->penX);
        writeIntElement(interp, "cf-cur_y", state->penY);
        writeIntElement(interp, "cf-color", state->color);
        writeIntElement(interp, "cf-colorOffset", state->colorOffset);
        char text[256];
        snprintf(text, sizeof text, "%d %d %d %d", state->clipLeft, state->clipTop,
                 state->clipRight, state->clipBottom);
        writeElement(interp, "cf-clip", text);
        snprintf(text, sizeof text, "%f %f %f", state->textWidthScale, state->textHeightScale,
                 state->rotation * 180.0 / M_PI);
        writeElement(interp, "cf-textSize", text);
        std::string table;
        table.reserve(256 * 14);
        for (int i = 0; i < 256; i++) {
            snprintf(text, sizeof text, "%s{%d %d %d}", i > 0 ? " " : "", state->rgb[i][0],
                     state->rgb[i][1], state->rgb[i][2]);
            table += text;
        }
        writeElement(interp, "RGB", table.c_str());
    }
    driverOpen = 0;
    return 1;
}

/* ---- Colours ------------------------------------------------------------------ */

extern "C" int R_color_table_fixed(void)
{
    return 0;
}

extern "C" int R_color_table_float(void)
{
    return -1;
}

extern "C" int R_reset_color(unsigned char red, unsigned char green, unsigned char blue, int num)
{
    RAMIMG *image = grassDriverImage();
    if (image == NULL || num < 0 || num > 255) {
        return 1;
    }
    image->head.palette[num][0] = red;
    image->head.palette[num][1] = green;
    image->head.palette[num][2] = blue;
    if (num > grassDriver.colorCount) {
        grassDriver.colorCount = num;
    }
    return 1;
}

extern "C" int R_reset_colors(int min, int max, const unsigned char *red,
                              const unsigned char *green, const unsigned char *blue)
{
    for (int64_t i = min; i <= max; i++) {
        R_reset_color(red[i - min], green[i - min], blue[i - min], (int)i);
    }
    return 1;
}

extern "C" int R_color(int value)
{
    int previous = grassDriver.color;
    if (driverOpen) {
        grassDriver.color = value;
    }
    return previous;
}

extern "C" int R_standard_color(int value)
{
    return R_color(value);
}

extern "C" int R_RGB_color(unsigned char red, unsigned char green, unsigned char blue)
{
    if (driverOpen) {
        const GrassDriverState *s = &grassDriver;
        grassDriver.color = s->rgb[red][0] + s->rgb[green][1] + s->rgb[blue][2];
    }
    return 1;
}

extern "C" void R_set_RGB_color(const unsigned char *red, const unsigned char *green,
                                const unsigned char *blue)
{
    if (!driverOpen) {
        return;
    }
    for (int i = 0; i < 256; i++) {
        grassDriver.rgb[i][0] = red[i];
        grassDriver.rgb[i][1] = green[i];
        grassDriver.rgb[i][2] = blue[i];
    }
}

extern "C" int R_get_num_colors(void)
{
    return grassDriver.colorCount;
}

extern "C" int R_color_offset(int value)
{
    int previous = grassDriver.colorOffset;
    if (driverOpen) {
        grassDriver.colorOffset = value;
    }
    return previous;
}

/* ---- Screen and window ---------------------------------------------------------- */

extern "C" int R_screen_top(void)
{
    return 0;
}

extern "C" int R_screen_left(void)
{
    return 0;
}

extern "C" int R_screen_bot(void)
{
    RAMIMG *image = grassDriverImage();
    return image != NULL ? image->head.rows - 1 : 0;
}

extern "C" int R_screen_rite(void)
{
    RAMIMG *image = grassDriverImage();
    return image != NULL ? image->head.columns - 1 : 0;
}

extern "C" void R_set_window(int top, int bottom, int left, int right)
{
    if (driverOpen) {
        grassDriver.clipTop = top;
        grassDriver.clipBottom = bottom;
        grassDriver.clipLeft = left;
        grassDriver.clipRight = right;
    }
}

/* ---- Pen and lines ---------------------------------------------------------------- */

extern "C" void R_move_abs(int x, int y)
{
    if (driverOpen) {
        grassDriver.penX = x;
        grassDriver.penY = y;
    }
}

extern "C" void R_move_rel(int dx, int dy)
{
    R_move_abs(addClamped(grassDriver.penX, dx), addClamped(grassDriver.penY, dy));
}

extern "C" void R_cont_abs(int x, int y)
{
    RAMIMG *image = grassDriverImage();
    if (image == NULL) {
        return;
    }
    drawLine(image, grassDriver.penX, grassDriver.penY, x, y);
    grassDriver.penX = x;
    grassDriver.penY = y;
}

extern "C" void R_cont_rel(int dx, int dy)
{
    R_cont_abs(addClamped(grassDriver.penX, dx), addClamped(grassDriver.penY, dy));
}

extern "C" void R_box_abs(int x1, int y1, int x2, int y2)
{
    if (!driverOpen) {
        return;
    }
    R_move_abs(x2, y2);
    R_cont_abs(x2, y1);
    R_cont_abs(x1, y1);
    R_cont_abs(x1, y2);
    R_cont_abs(x2, y2);
}

extern "C" void R_box_rel(int dx, int dy)
{
    int x = grassDriver.penX, y = grassDriver.penY;
    R_box_abs(x, y, addClamped(x, dx), addClamped(y, dy));
}

extern "C" int R_curx(void)
{
    return grassDriver.penX;
}

extern "C" int R_cury(void)
{
    return grassDriver.penY;
}

extern "C" void R_erase(void)
{
    RAMIMG *image = grassDriverImage();
    if (image != NULL && image->cacheBlock != NULL && image->slots > 0) {
        memset(image->cacheBlock, 0, (size_t)image->slots * (size_t)image->rowBytes);
    }
}

extern "C" void R_flush(void)
{
}

extern "C" int R_stabilize(void)
{
    RAMIMG *image = grassDriverImage();
    if (image == NULL) {
        return 0;
    }
    updateClient(image, 0, RAMIMG_NOTIFY_DATA);
    return 1;
}

/* ---- Point arrays -------------------------------------------------------------------- */

/* The absolute points of a relative array: pen + d[0], then each the
 * previous plus d[i]. */
static void relativePoints(const int *dx, const int *dy, int n, std::vector<int> *x,
                           std::vector<int> *y)
{
    x->resize((size_t)n);
    y->resize((size_t)n);
    int px = grassDriver.penX, py = grassDriver.penY;
    for (int i = 0; i < n; i++) {
        px = addClamped(px, dx[i]);
        py = addClamped(py, dy[i]);
        (*x)[(size_t)i] = px;
        (*y)[(size_t)i] = py;
    }
}

extern "C" void R_polydots_abs(const int *x, const int *y, int n)
{
    RAMIMG *image = grassDriverImage();
    if (image == NULL || n <= 0) {
        return;
    }
    unsigned char value = (unsigned char)(grassDriver.color & 0xFF);
    for (int i = 0; i < n; i++) {
        if (x[i] >= 0 && x[i] < image->head.columns) {
            putRowByte(image, y[i], x[i], 1, 0, &value);
        }
    }
    R_move_abs(x[n - 1], y[n - 1]);
}

extern "C" void R_polydots_rel(const int *dx, const int *dy, int n)
{
    if (!driverOpen || n <= 0) {
        return;
    }
    std::vector<int> x, y;
    relativePoints(dx, dy, n, &x, &y);
    R_polydots_abs(x.data(), y.data(), n);
}

extern "C" void R_polygon_abs(const int *x, const int *y, int n)
{
    RAMIMG *image = grassDriverImage();
    if (image == NULL || n <= 0) {
        return;
    }
    PointList *list = polyNew(n);
    if (list != NULL) {
        for (int i = 0; i < n; i++) {
            list->points[i].x = pointCoord(x[i]);
            list->points[i].y = pointCoord(y[i]);
        }
        ramImageFillPolygon(image, 0, grassDriver.color, list);
        polyFree(list);
    }
    R_move_abs(x[n - 1], y[n - 1]);
}

extern "C" void R_polygon_rel(const int *dx, const int *dy, int n)
{
    if (!driverOpen || n <= 0) {
        return;
    }
    std::vector<int> x, y;
    relativePoints(dx, dy, n, &x, &y);
    R_polygon_abs(x.data(), y.data(), n);
}

extern "C" void R_polyline_abs(const int *x, const int *y, int n)
{
    RAMIMG *image = grassDriverImage();
    if (image == NULL || n <= 0) {
        return;
    }
    for (int i = 1; i < n; i++) {
        drawLine(image, x[i - 1], y[i - 1], x[i], y[i]);
    }
    R_move_abs(x[n - 1], y[n - 1]);
}

extern "C" void R_polyline_rel(const int *dx, const int *dy, int n)
{
    if (!driverOpen || n <= 0) {
        return;
    }
    std::vector<int> x, y;
    relativePoints(dx, dy, n, &x, &y);
    R_polyline_abs(x.data(), y.data(), n);
}

/* ---- Rasters ---------------------------------------------------------------------------- */

/*
 * writeRasterRows --
 *	Writes the bytes of values (written[i] 0: column left alone) from the
 *	pen's column on, into nrows rows from the pen's row; runs of written
 *	columns go in one call each.
 */
static void writeRasterRows(RAMIMG *image, int num, int nrows, const unsigned char *bytes,
                            const unsigned char *written)
{
    int x0 = grassDriver.penX, y0 = grassDriver.penY;
    for (int r = 0; r < nrows; r++) {
        int64_t row = (int64_t)y0 + r;
        if (row < 0 || row >= image->head.rows) {
            continue;
        }
        int i = 0;
        while (i < num) {
            if (!written[i]) {
                i++;
                continue;
            }
            int start = i;
            while (i < num && written[i]) {
                i++;
            }
            int64_t col = (int64_t)x0 + start;
            int64_t end = col + (i - start);
            int skip = 0;
            if (col < 0) {
                skip = (int)-col;
                col = 0;
            }
            if (end > image->head.columns) {
                end = image->head.columns;
            }
            if (end > col) {
                putRowByte(image, (int)row, (int)col, (int)(end - col), 0, bytes + start + skip);
            }
        }
    }
}

extern "C" void R_raster(int num, int nrows, int withzeros, const int *values)
{
    RAMIMG *image = grassDriverImage();
    if (image == NULL || num <= 0 || nrows <= 0) {
        return;
    }
    std::vector<unsigned char> bytes((size_t)num), written((size_t)num);
    for (int i = 0; i < num; i++) {
        bytes[(size_t)i] = values[i] != 0 ? (unsigned char)(values[i] & 0xFF) : 1;
        written[(size_t)i] = values[i] != 0 || withzeros;
    }
    writeRasterRows(image, num, nrows, bytes.data(), written.data());
}

extern "C" void R_RGB_raster(int num, int nrows, const unsigned char *red,
                             const unsigned char *green, const unsigned char *blue, int withzeros)
{
    RAMIMG *image = grassDriverImage();
    if (image == NULL || num <= 0 || nrows <= 0) {
        return;
    }
    const GrassDriverState *s = &grassDriver;
    std::vector<unsigned char> bytes((size_t)num), written((size_t)num);
    for (int i = 0; i < num; i++) {
        int value = (s->rgb[red[i]][0] + s->rgb[green[i]][1] + s->rgb[blue[i]][2]) % 256;
        bytes[(size_t)i] = value != 0 ? (unsigned char)value : 1;
        written[(size_t)i] = value != 0 || withzeros;
    }
    writeRasterRows(image, num, nrows, bytes.data(), written.data());
}

/* ---- Asking the user through the widget's procedures ---------------------------------------- */

/* Evaluates script in the script interpreter; the result text or NULL
 * with *code set to a failed evaluation's code. */
static const char *evalLocation(const char *script, int *code)
{
    Tcl_Interp *interp = scriptInterp;
    if (interp == NULL) {
        *code = TCL_ERROR;
        return NULL;
    }
    *code = Tcl_EvalEx(interp, script, -1, TCL_EVAL_GLOBAL);
    return *code == TCL_OK ? Tcl_GetStringResult(interp) : NULL;
}

extern "C" int R_get_location_with_pointer(int *x, int *y, int *button)
{
    if (!driverOpen) {
        return 0;
    }
    char script[GRASS_PATH_SIZE + 64];
    snprintf(script, sizeof script, "vdisp.get.point %s 1 %d %d", grassDriver.widget, *x, *y);
    int code;
    const char *result = evalLocation(script, &code);
    if (result == NULL) {
        return code;
    }
    return sscanf(result, "%d %d %d", button, x, y);
}

static int locationWith(const char *procedure, int cx, int cy, int *x, int *y, int *button)
{
    if (!driverOpen) {
        return 0;
    }
    char script[GRASS_PATH_SIZE + 128];
    snprintf(script, sizeof script, "%s %s 1 %d %d %d %d", procedure, grassDriver.widget, cx, cy,
             *x, *y);
    int code;
    const char *result = evalLocation(script, &code);
    if (result == NULL) {
        return code;
    }
    int dropped;
    return sscanf(result, "%d %d %d %d %d", button, &dropped, &dropped, x, y);
}

extern "C" int R_get_location_with_line(int cx, int cy, int *x, int *y, int *button)
{
    return locationWith("vdisp.get.line", cx, cy, x, y, button);
}

extern "C" int R_get_location_with_box(int cx, int cy, int *x, int *y, int *button)
{
    return locationWith("vdisp.get.box", cx, cy, x, y, button);
}
