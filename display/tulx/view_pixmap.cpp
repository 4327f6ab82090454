/*
 * view_pixmap.cpp --
 *
 *	View pixmap records: the rendered view, its mask and its stipple
 *	plane, made lazily and dropped whenever their geometry changes. A
 *	locked record renders straight into a window and never owns a pixmap.
 */
#include <stdlib.h>
#include <string.h>

#include "core/package.h"
#include "display/tulx/tulx.h"
#include "display/windraw/x_error_trap.h"
#include "ovex/ovexstdio.h"

void vpInit(ViewPixmap *vp, Display *display)
{
    memset(vp, 0, sizeof(*vp));
    vp->display = display;
}

ViewPixmap *vpNew(Display *display)
{
    ViewPixmap *vp = (ViewPixmap *)malloc(sizeof(ViewPixmap));
    if (vp != NULL) {
        vpInit(vp, display);
    }
    return vp;
}

/*
 * vpPixmapSet --
 *	Stores the geometry; 1 when it changed (the pixmap is then dropped).
 */
int vpPixmapSet(ViewPixmap *vp, Drawable drawable, int width, int height, int depth, int x0,
                int y0, int x, int y)
{
    vp->drawable = drawable;
    vp->x0 = x0;
    vp->y0 = y0;
    vp->valid = 0;
    if (width != vp->width || height != vp->height || depth != vp->depth || x != vp->x
            || y != vp->y) {
        vpFreePixmap(vp);
        vp->refused = 0;
        vp->width = width;
        vp->height = height;
        vp->depth = depth;
        vp->x = x;
        vp->y = y;
        return 1;
    }
    return 0;
}

/*
 * vpPixmap --
 *	The pixmap, made on first use. A view of no area, or one the server
 *	cannot hold, makes none (0): the callers then render into temporary
 *	pixmaps of the part shown.
 */
Pixmap vpPixmap(ViewPixmap *vp)
{
    if (vp->pixmap != 0) {
        return vp->pixmap;
    }
    if (vp->locked || vp->display == NULL || vp->drawable == 0) {
        return 0;
    }
    if (vp->width < 1 || vp->height < 1 || vp->depth < 1) {
        vp->valid = 0;
        return 0;
    }
    /* A size the server refused once is not asked for again until the
     * geometry changes: every display would cost a round trip. */
    if (vp->refused) {
        vp->valid = 0;
        return 0;
    }
    vp->pixmap = trappedPixmap(vp->display, vp->drawable, vp->width, vp->height, vp->depth);
    if (vp->pixmap == 0) {
        vp->valid = 0;
        vp->refused = 1;
        if (getOvexDebug()) {
            ovex_fprintf(stderr, "vpPixmap error in Tk_GetPixmap - fail to create a pixmap of %dx%dx%d\n",
                    vp->width, vp->height, vp->depth);
        }
        return 0;
    }
    vp->valid = 1;
    return vp->pixmap;
}

int vpFreePixmap(ViewPixmap *vp)
{
    if (!vp->locked && vp->pixmap != 0 && vp->display != NULL) {
        Tk_FreePixmap(vp->display, vp->pixmap);
    }
    vp->pixmap = 0;
    return 0;
}

void vpDelete(ViewPixmap *vp)
{
    if (vp != NULL) {
        vpFreePixmap(vp);
        free(vp);
    }
}

void vpLock(ViewPixmap *vp, int flag)
{
    if (flag != vp->locked) {
        vpFreePixmap(vp);
    }
    vp->locked = flag;
}
