/*
 * gl_dem.cpp --
 *
 *	glexWireDem and glexSolidDem: a grid of heights drawn as line strips
 *	or as triangle fans, coloured by a draped RGB image or by a height
 *	ramp from blue through cyan, green and yellow to red.
 */
#include <math.h>
#include <vector>

#include <GL/gl.h>

#include "gl/gl_binding.h"
#include "gl/gl_dem.h"
#include "core/rounding.h"

void demColorRamp(float ramp[256][3])
{
    static const int keys[5] = {0, 63, 127, 191, 255};
    static const float colors[5][3] = {{0, 0, 1}, {0, 1, 1}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    for (int segment = 0; segment < 4; segment++) {
        int a = keys[segment], b = keys[segment + 1];
        for (int k = a; k <= b; k++) {
            float t = (float)(k - a) / (float)(b - a);
            for (int i = 0; i < 3; i++) {
                ramp[k][i] = (1 - t) * colors[segment][i] + t * colors[segment + 1][i];
            }
        }
    }
}

int demRampIndex(float height, float low, float high)
{
    if (!(high > low)) {
        return 0;
    }
    int index = clampToInt(trunc((double)(height - low) / (double)(high - low) * 256.0));
    return index < 0 ? 0 : index > 255 ? 255 : index;
}

namespace {

/* One grid being drawn: corner colour, normal and vertex. */
struct DemGrid {
    int cols, rows;
    float dx, dy, zscale;
    const GLfloat *heights;
    const GLubyte *image;       /* rows bottom-up, rowBytes apart; NULL: ramp */
    int64_t rowBytes;
    float halfW, halfH, w;
    float low, high;
    float rampScale;            /* 256 / (high - low), 0 for a flat grid */
    float ramp[256][3];

    float z(int r, int c) const { return heights[(int64_t)r * cols + c]; }

    void corner(int r, int c) const
    {
        if (image != NULL) {
            const GLubyte *pixel = image + (int64_t)(rows - 1 - r) * rowBytes + (int64_t)c * 3;
            GLfloat color[3] = {pixel[0] / 255.0f, pixel[1] / 255.0f, pixel[2] / 255.0f};
            glColor3fv(color);
        } else {
            /* demRampIndex, inline: this runs for every corner. */
            float t = (z(r, c) - low) * rampScale;
            glColor3fv(ramp[t >= 0 ? (t < 255 ? (int)t : 255) : 0]);
        }
        int r0 = r == rows - 1 ? r - 1 : r;
        int c0 = c == cols - 1 ? c - 1 : c;
        float z00 = z(r0, c0), z01 = z(r0, c0 + 1), z10 = z(r0 + 1, c0), z11 = z(r0 + 1, c0 + 1);
        GLfloat normal[3] = {(z00 - z01 + z10 - z11) * 2 * zscale / dx,
                             (z00 + z01 - z10 - z11) * -2 * zscale / dy, 1.0f};
        glNormal3fv(normal);
        glVertex4f(c * dx - halfW, halfH - r * dy, z(r, c) * zscale, w);
    }
};

/* Reads the words common to both commands into grid. */
int demSetUp(GlCall &c, DemGrid &grid)
{
    if (c.argc != 7 && c.argc != 8) return c.syntax();
    grid.cols = c.i(1);
    grid.rows = c.i(2);
    if (grid.cols < 2 || grid.rows < 2) return c.fail("No enough points");
    grid.dx = c.f(3);
    grid.dy = c.f(4);
    grid.zscale = c.f(5);
    int64_t n = (int64_t)grid.cols * grid.rows;
    grid.heights = n > GL_ITEM_MAX_COUNT ? NULL : c.floats(6, n);
    if (grid.heights == NULL) return c.fail("Error in parse DEM");
    grid.image = NULL;
    if (c.argc == 8) {
        grid.image = (const GLubyte *)c.pixels(7, GL_UNSIGNED_BYTE, (int64_t)grid.cols * 3, grid.rows);
        if (grid.image == NULL) return c.fail("Error in parse surface image");
        int alignment = glUnpackAlignment();
        grid.rowBytes = ((int64_t)grid.cols * 3 + alignment - 1) / alignment * alignment;
    }
    float W = (grid.cols - 1) * grid.dx, H = (grid.rows - 1) * grid.dy;
    grid.w = W >= H ? W : H;
    grid.halfW = W / 2;
    grid.halfH = H / 2;
    if (grid.image == NULL) {
        demColorRamp(grid.ramp);
        grid.low = grid.high = grid.heights[0];
        for (int64_t i = 1; i < n; i++) {
            float h = grid.heights[i];
            grid.low = h < grid.low ? h : grid.low;
            grid.high = h > grid.high ? h : grid.high;
        }
        grid.rampScale = grid.high > grid.low ? 256.0f / (grid.high - grid.low) : 0.0f;
    }
    return TCL_OK;
}

} // namespace

GL_COMMAND(glexWireDem)
{
    GlCall c(interp, argc, argv);
    DemGrid grid;
    if (demSetUp(c, grid) != TCL_OK) return TCL_ERROR;
    for (int r = 0; r < grid.rows; r++) {
        glBegin(GL_LINE_STRIP);
        for (int col = 0; col < grid.cols; col++) grid.corner(r, col);
        glEnd();
    }
    for (int col = 0; col < grid.cols; col++) {
        glBegin(GL_LINE_STRIP);
        for (int r = 0; r < grid.rows; r++) grid.corner(r, col);
        glEnd();
    }
    return c.ok();
}

GL_COMMAND(glexSolidDem)
{
    GlCall c(interp, argc, argv);
    DemGrid grid;
    if (demSetUp(c, grid) != TCL_OK) return TCL_ERROR;
    int r = 1;
    for (; r < grid.rows - 1; r += 2) {
        for (int col = 1; col < grid.cols; col += 2) {
            glBegin(GL_TRIANGLE_FAN);
            grid.corner(r, col);
            grid.corner(r + 1, col);
            grid.corner(r + 1, col - 1);
            grid.corner(r, col - 1);
            grid.corner(r - 1, col - 1);
            grid.corner(r - 1, col);
            if (col != grid.cols - 1) {
                grid.corner(r - 1, col + 1);
                grid.corner(r, col + 1);
                grid.corner(r + 1, col + 1);
                grid.corner(r + 1, col);
            }
            glEnd();
        }
    }
    /* An even number of rows leaves the last row to close. */
    if (r == grid.rows - 1) {
        for (int col = 0; col < grid.cols - 1; col++) {
            glBegin(GL_TRIANGLE_FAN);
            grid.corner(r, col);
            grid.corner(r - 1, col);
            grid.corner(r - 1, col + 1);
            grid.corner(r, col + 1);
            glEnd();
        }
    }
    return c.ok();
}

const GlCommandRow glDemCommands[] = {
    {glexSolidDemCmd, "glexSolidDem"}, {glexWireDemCmd, "glexWireDem"},
    {NULL, NULL},
};
