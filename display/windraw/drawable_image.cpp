/*
 * drawable_image.cpp --
 *
 *	Drawable pixels through MIT-SHM where the server offers it, else
 *	through XGetImage.
 */
#include "display/windraw/drawable_image.h"

#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "display/windraw/x_error_trap.h"

namespace {

/* Displays whose server refused a segment (a remote display answers the
 * extension query yet cannot reach our memory): they are read through
 * XGetImage from then on. A handful of displays at most per process. */
const int REFUSED_MAX = 8;
Display *refused[REFUSED_MAX];
int refusedCount = 0;

bool wasRefused(Display *display)
{
    for (int i = 0; i < refusedCount; i++) {
        if (refused[i] == display) {
            return true;
        }
    }
    return false;
}

void markRefused(Display *display)
{
    if (!wasRefused(display) && refusedCount < REFUSED_MAX) {
        refused[refusedCount++] = display;
    }
}

/* The shared-memory read; 0 (nothing held) when any step fails. */
int readShared(Display *display, Drawable drawable, Visual *visual, int depth, int x, int y,
               unsigned int width, unsigned int height, DrawableImage *out)
{
    XShmSegmentInfo *shm = &out->shm;
    XImage *image = XShmCreateImage(display, visual, (unsigned int)depth, ZPixmap, NULL, shm,
                                    width, height);
    if (image == NULL) {
        return 0;
    }
    size_t size = (size_t)image->bytes_per_line * (size_t)height;
    shm->shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (shm->shmid < 0) {
        XDestroyImage(image);
        return 0;
    }
    shm->shmaddr = (char *)shmat(shm->shmid, NULL, 0);
    /* The segment goes with its last user; marked now so that no exit path
     * leaves it behind. */
    shmctl(shm->shmid, IPC_RMID, NULL);
    if (shm->shmaddr == (char *)-1) {
        XDestroyImage(image);
        return 0;
    }
    image->data = shm->shmaddr;
    shm->readOnly = False;
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Status attached = XShmAttach(display, shm);
    int attachErrors = xErrorTrapEnd(&trap);
    if (!attached || attachErrors != 0) {
        markRefused(display);
        shmdt(shm->shmaddr);
        image->data = NULL;
        XDestroyImage(image);
        return 0;
    }
    xErrorTrapBegin(&trap, display);
    Status got = XShmGetImage(display, drawable, image, x, y, AllPlanes);
    int getErrors = xErrorTrapEnd(&trap);
    if (!got || getErrors != 0) {
        xErrorTrapBegin(&trap, display);
        XShmDetach(display, shm);
        xErrorTrapEnd(&trap);
        shmdt(shm->shmaddr);
        image->data = NULL;
        XDestroyImage(image);
        return 0;
    }
    out->image = image;
    out->shared = 1;
    return 1;
}

}  // namespace

int drawableImageSharesMemory(Display *display)
{
    const char *setting = getenv("OVEX_XSHM");
    if (display == NULL || (setting != NULL && strcmp(setting, "0") == 0) || wasRefused(display)) {
        return 0;
    }
    return XShmQueryExtension(display) ? 1 : 0;
}

int readDrawableImage(Display *display, Drawable drawable, Visual *visual, int depth, int x,
                      int y, unsigned int width, unsigned int height, DrawableImage *out)
{
    memset(out, 0, sizeof(*out));
    if (display == NULL || drawable == None || width < 1 || height < 1) {
        return 0;
    }
    if (visual != NULL && depth > 1 && drawableImageSharesMemory(display)
            && readShared(display, drawable, visual, depth, x, y, width, height, out)) {
        return 1;
    }
    memset(out, 0, sizeof(*out));
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    XImage *image = XGetImage(display, drawable, x, y, width, height, AllPlanes, ZPixmap);
    if (xErrorTrapEnd(&trap) != 0 || image == NULL) {
        if (image != NULL) {
            XDestroyImage(image);
        }
        return 0;
    }
    out->image = image;
    return 1;
}

void freeDrawableImage(Display *display, DrawableImage *image)
{
    if (image->image == NULL) {
        return;
    }
    if (image->shared) {
        XErrorTrap trap;
        xErrorTrapBegin(&trap, display);
        XShmDetach(display, &image->shm);
        xErrorTrapEnd(&trap);
        shmdt(image->shm.shmaddr);
        image->image->data = NULL;
    }
    XDestroyImage(image->image);
    memset(image, 0, sizeof(*image));
}
