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

/* One segment kept per display for the reads that follow: a fresh
 * segment costs its pages' first touch on both sides, which is as slow as
 * the copy over the socket that it saves. Segments up to KEEP_MAX bytes
 * are kept; a larger one serves a single read. The segment was marked for
 * removal when made, so it goes with the process. */
const size_t KEEP_MAX = (size_t)32 << 20;
struct KeptSegment {
    Display *display;
    XShmSegmentInfo shm;
    size_t size;
    bool inUse;
};
KeptSegment kept[REFUSED_MAX];
int keptCount = 0;

KeptSegment *keptFor(Display *display)
{
    for (int i = 0; i < keptCount; i++) {
        if (kept[i].display == display) {
            return &kept[i];
        }
    }
    return NULL;
}

void detachSegment(Display *display, XShmSegmentInfo *shm)
{
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    XShmDetach(display, shm);
    xErrorTrapEnd(&trap);
    shmdt(shm->shmaddr);
}

/* A new segment of size bytes attached on both sides; false when any
 * step fails (a refused attach marks the display). */
bool attachSegment(Display *display, size_t size, XShmSegmentInfo *shm)
{
    shm->shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (shm->shmid < 0) {
        return false;
    }
    shm->shmaddr = (char *)shmat(shm->shmid, NULL, 0);
    /* The segment goes with its last user; marked now so that no exit path
     * leaves it behind. */
    shmctl(shm->shmid, IPC_RMID, NULL);
    if (shm->shmaddr == (char *)-1) {
        return false;
    }
    shm->readOnly = False;
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Status attached = XShmAttach(display, shm);
    int errors = xErrorTrapEnd(&trap);
    if (!attached || errors != 0) {
        markRefused(display);
        shmdt(shm->shmaddr);
        return false;
    }
    return true;
}

/* The shared-memory read; 0 (nothing held) when any step fails. */
int readShared(Display *display, Drawable drawable, Visual *visual, int depth, int x, int y,
               unsigned int width, unsigned int height, DrawableImage *out)
{
    XShmSegmentInfo layout;
    XImage *image = XShmCreateImage(display, visual, (unsigned int)depth, ZPixmap, NULL, &layout,
                                    width, height);
    if (image == NULL) {
        return 0;
    }
    size_t size = (size_t)image->bytes_per_line * (size_t)height;
    KeptSegment *segment = keptFor(display);
    if (segment != NULL && !segment->inUse && segment->size < size) {
        detachSegment(display, &segment->shm);
        *segment = kept[--keptCount];
        segment = NULL;
    }
    if (segment == NULL || segment->inUse) {
        /* A segment of the read's own, kept afterwards when small enough
         * and none is kept for the display yet. */
        if (!attachSegment(display, size, &out->shm)) {
            XDestroyImage(image);
            return 0;
        }
        if (segment == NULL && size <= KEEP_MAX && keptCount < REFUSED_MAX) {
            segment = &kept[keptCount++];
            segment->display = display;
            segment->shm = out->shm;
            segment->size = size;
            segment->inUse = false;
        } else {
            segment = NULL;
            out->shared = 2;    /* a segment of this read alone */
        }
    }
    if (segment != NULL) {
        out->shm = segment->shm;
        segment->inUse = true;
        out->shared = 1;
    }
    /* The image names its segment through obdata: out's copy from now on. */
    image->data = out->shm.shmaddr;
    image->obdata = (char *)&out->shm;
    XErrorTrap trap;
    xErrorTrapBegin(&trap, display);
    Status got = XShmGetImage(display, drawable, image, x, y, AllPlanes);
    int errors = xErrorTrapEnd(&trap);
    if (!got || errors != 0) {
        image->data = NULL;
        XDestroyImage(image);
        if (out->shared == 2) {
            detachSegment(display, &out->shm);
        } else {
            segment->inUse = false;
        }
        out->shared = 0;
        return 0;
    }
    out->image = image;
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
    if (image->shared == 2) {
        detachSegment(display, &image->shm);
    } else if (image->shared == 1) {
        KeptSegment *segment = keptFor(display);
        if (segment != NULL) {
            segment->inUse = false;
        }
    }
    if (image->shared) {
        image->image->data = NULL;
    }
    XDestroyImage(image->image);
    memset(image, 0, sizeof(*image));
}
