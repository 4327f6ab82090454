/*
 * glut_commands.cpp --
 *
 *	GLUT's solid and wire shapes, drawn into the bound surface, and
 *	glutSetColor. GLUT is started once, on Tk's display, before the first
 *	shape: its shapes need no window of their own, but GLUT ends the
 *	process when a shape comes before it was started. With no surface
 *	bound there is nothing to draw into, and GLUT is left alone.
 */
#include <GL/freeglut.h>
#include <GL/gl.h>

#include "gl/gl_binding.h"
#include "gl/glw_glx.h"
#include "gl/glw_surface.h"

/* GLUT closes its own display connection, with what GL made for it. */
static void glutExitHandler(ClientData)
{
    glutExit();
}

/* True when GLUT runs and a surface is bound to draw into. */
static bool glutReady(void)
{
    static bool started = false;
    GlwInfo *surface = glwBoundSurface();
    if (surface == NULL || surface->display == NULL) {
        return false;
    }
    if (!started) {
        char program[] = "ovex", option[] = "-display";
        char *display = DisplayString(surface->display);
        char *argv[] = {program, option, display, NULL};
        int argc = 3;
        glutInit(&argc, argv);
        Tcl_CreateExitHandler(glutExitHandler, NULL);
        glwKeepDriversLoaded();
        started = true;
    }
    return true;
}

#define SHAPE0(name) \
    GL_COMMAND(name) { GL_ARGC(1); if (glutReady()) name(); return c.ok(); }
#define SHAPE1(name) \
    GL_COMMAND(name) { GL_ARGC(2); double size = c.d(1); if (glutReady()) name(size); return c.ok(); }
#define SPHERE(name) \
    GL_COMMAND(name) \
    { \
        GL_ARGC(4); \
        double radius = c.d(1); \
        int slices = c.i(2), stacks = c.i(3); \
        if (glutReady()) name(radius, slices, stacks); \
        return c.ok(); \
    }
#define TORUS(name) \
    GL_COMMAND(name) \
    { \
        GL_ARGC(5); \
        double inner = c.d(1), outer = c.d(2); \
        int sides = c.i(3), rings = c.i(4); \
        if (glutReady()) name(inner, outer, sides, rings); \
        return c.ok(); \
    }

SHAPE1(glutSolidCube)
SHAPE1(glutWireCube)
SPHERE(glutSolidSphere)
SPHERE(glutWireSphere)
SHAPE1(glutSolidTeapot)
SHAPE1(glutWireTeapot)
TORUS(glutSolidTorus)
TORUS(glutWireTorus)
SHAPE0(glutSolidDodecahedron)
SHAPE0(glutWireDodecahedron)
SHAPE0(glutSolidOctahedron)
SHAPE0(glutWireOctahedron)
SHAPE0(glutSolidTetrahedron)
SHAPE0(glutWireTetrahedron)
SHAPE0(glutSolidIcosahedron)
SHAPE0(glutWireIcosahedron)

/* GLUT's own glutSetColor needs a GLUT window: the colour goes straight
 * into the bound surface's palette instead (nothing on true-colour). */
GL_COMMAND(glutSetColor)
{
    GL_ARGC(5);
    glwStoreColor(c.i(1), c.d(2), c.d(3), c.d(4));
    return c.ok();
}

const GlCommandRow glutCommands[] = {
    {glutSetColorCmd, "glutSetColor"},
    {glutSolidCubeCmd, "glutSolidCube"}, {glutWireCubeCmd, "glutWireCube"},
    {glutSolidSphereCmd, "glutSolidSphere"}, {glutWireSphereCmd, "glutWireSphere"},
    {glutSolidTeapotCmd, "glutSolidTeapot"}, {glutWireTeapotCmd, "glutWireTeapot"},
    {glutSolidTorusCmd, "glutSolidTorus"}, {glutWireTorusCmd, "glutWireTorus"},
    {glutSolidDodecahedronCmd, "glutSolidDodecahedron"}, {glutWireDodecahedronCmd, "glutWireDodecahedron"},
    {glutSolidOctahedronCmd, "glutSolidOctahedron"}, {glutWireOctahedronCmd, "glutWireOctahedron"},
    {glutSolidTetrahedronCmd, "glutSolidTetrahedron"}, {glutWireTetrahedronCmd, "glutWireTetrahedron"},
    {glutSolidIcosahedronCmd, "glutSolidIcosahedron"}, {glutWireIcosahedronCmd, "glutWireIcosahedron"},
    {NULL, NULL},
};
