/*
 * ram_open.cpp --
 *
 *	Opening and closing RAM images by tag and file: finding an open image,
 *	building and registering a new one, creating new images and image
 *	files, and the reference rules that decide when an image is freed.
 */
#include "core/native_path.h"
#include "ramimage/ramimg.h"
#include "ramimage/file_checks.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/ram_lifetime.h"
#include "core/paths.h"
#include "core/vocabulary.h"

#include <string.h>
#include <unistd.h>

#include <string>

static bool isGiven(const char *text)
{
    return text != NULL && text[0] != '\0';
}

/*
 *----------------------------------------------------------------------
 *
 * openRAMImage --
 *
 *	Finds, opens or creates an image and takes a reference to it:
 *	- an image tagged tag is rebuilt in place from file when file is
 *	  given and open nowhere (returned without a new reference);
 *	- with head and no file, a memory image is made or rebuilt from head;
 *	- else the image is looked up by file, and opened from file (head
 *	  describing it when given, else probed) when none has it.
 *
 * Results:
 *	The image, or NULL with *err set (err may be NULL). A locked image
 *	is never rebuilt (4). When tag and file are the same word, the image
 *	of that tag is the one asked for and is not rebuilt from a file of
 *	that name.
 *
 * Side effects:
 *	refCount goes up by one; client, when given, is attached and holds
 *	the image in place of that reference.
 *
 *----------------------------------------------------------------------
 */
RAMIMG *openRAMImage(const char *tag, const char *file, ImageHead *head,
                     RamImageClient *client, int *err)
{
    int localErr;
    if (err == NULL) {
        err = &localErr;
    }
    *err = RAMIMG_OK;
    setRamImageOpenReason(NULL);
    /* Nothing is opened or made under a shortened name. */
    if ((tag != NULL && strlen(tag) >= RAMIMG_NAME_SIZE)
            || (file != NULL && strlen(file) >= RAMIMG_NAME_SIZE)) {
        *err = RAMIMG_ENAME;
        setRamImageOpenReason("name longer than 255 characters");
        return NULL;
    }

    RAMIMG *image = getRAMImageByTag(tag);
    if (image != NULL && isGiven(file) && strcmp(tag, file) != 0
            && getRAMImageByName(file) == NULL) {
        if (image->flags & RAMIMG_LOCKED) {
            *err = RAMIMG_ESYSTEM;
            return NULL;
        }
        if (openRamImageFile(file, NULL, image, err) != NULL) {
            return image;
        }
        if (*err == RAMIMG_ENOMEM) {
            return NULL;
        }
        image = getRAMImageByTag(file);
    }

    if (head != NULL && !isGiven(file)) {
        if (image != NULL) {
            if ((image->flags & RAMIMG_LOCKED) || image->fd != -1) {
                *err = RAMIMG_ESYSTEM;
                return NULL;
            }
            if (createRamImage(head, image, err) == NULL) {
                return NULL;
            }
        } else {
            image = createRamImage(head, NULL, err);
            if (image == NULL) {
                return NULL;
            }
            registerRamImage(tag, image);
        }
    }

    if (image == NULL && head == NULL && isGiven(file)) {
        image = getRAMImageByName(file);
    }

    if (image == NULL) {
        if (!isGiven(file)) {
            *err = RAMIMG_EOPEN;
            return NULL;
        }
        image = openRamImageFile(file, head, NULL, err);
        if (image == NULL) {
            return NULL;
        }
        registerRamImage(tag, image);
    }

    image->refCount++;
    addRamImageClient(client, image);
    *err = RAMIMG_OK;
    return image;
}

/* The image opened from exactly this file (canonical path), whether its
 * file is still open or it was made resident. */
static RAMIMG *imageOfFile(const char *file)
{
    std::string path = absolutePath(file);
    if (path.empty()) {
        return NULL;
    }
    for (RAMIMG *image = ramImageListHead(); image != NULL; image = image->next) {
        if (!isMemoryImgid(image->head.imgid) && strcmp(image->head.file, path.c_str()) == 0) {
            return image;
        }
    }
    return NULL;
}

/*
 * overwriteOpenFile --
 *	Creates the image file of head again under an image that has it open,
 *	and rebuilds that image in place on the new file: its dirty rows go
 *	back to the old contents first, so none lands in the new layout.
 *	The opener then holds one reference.
 */
static RAMIMG *overwriteOpenFile(RAMIMG *image, ImageHead *head, RamImageClient *client, int *err)
{
    if (image->flags & RAMIMG_LOCKED) {
        *err = RAMIMG_ESYSTEM;
        return NULL;
    }
    flushRamImage(image);
    if (createImageFile(head) == -1) {
        *err = RAMIMG_ECREATE;
        return NULL;
    }
    if (openRamImageFile(head->file, head->offset == 0 ? head : NULL, image, err) == NULL) {
        return NULL;
    }
    image->refCount++;
    addRamImageClient(client, image);
    return image;
}

/*
 *----------------------------------------------------------------------
 *
 * openRAMImageNew --
 *
 *	Creates the image head describes: a memory image tagged with head's
 *	file for a memory layout, else a new image file, opened at once.
 *	With overwrite 0 an existing image of that tag (memory) or an
 *	existing file gives 5; with overwrite an image of that tag or open
 *	on that file is rebuilt in place.
 *
 * Results:
 *	The image, or NULL with *err set: 5 exists, 6 the file cannot be
 *	created, else the open's code.
 *
 * Side effects:
 *	A memory image gets openCount at least 1 and no reference of the
 *	opener (it lives until the command layer closes it); head's offset
 *	becomes 0. A file image is held by one reference of the opener.
 *
 *----------------------------------------------------------------------
 */
RAMIMG *openRAMImageNew(ImageHead *head, RamImageClient *client, int overwrite, int *err)
{
    int localErr;
    if (err == NULL) {
        err = &localErr;
    }
    *err = RAMIMG_OK;
    if (head == NULL) {
        *err = RAMIMG_EUNKNOWN_TYPE;
        return NULL;
    }

    if (isMemoryImgid(head->imgid)) {
        if (!overwrite && getRAMImageByTag(head->file) != NULL) {
            *err = RAMIMG_EEXISTS;
            return NULL;
        }
        head->offset = 0;
        RAMIMG *image = openRAMImage(head->file, NULL, head, client, err);
        if (image != NULL) {
            image->refCount--;
            if (image->openCount < 1) {
                image->openCount = 1;
            }
        }
        return image;
    }

    if (!overwrite && fileExists(head->file) == 0) {
        *err = RAMIMG_EEXISTS;
        return NULL;
    }
    RAMIMG *open = isGiven(head->file) ? imageOfFile(head->file) : NULL;
    if (open != NULL) {
        return overwriteOpenFile(open, head, client, err);
    }
    /* A file this call makes and cannot use again is not left behind. */
    bool existed = fileExists(head->file) == 0;
    if (createImageFile(head) == -1) {
        if (!existed) {
            unlink(nativePath(head->file).c_str());
        }
        *err = RAMIMG_ECREATE;
        return NULL;
    }
    RAMIMG *image = head->offset == 0 ? openRAMImage(NULL, head->file, head, client, err)
                                      : openRAMImage(NULL, head->file, NULL, client, err);
    if (image == NULL && !existed) {
        unlink(nativePath(head->file).c_str());
    }
    markRowsUnwritten(image);
    return image;
}

/*
 *----------------------------------------------------------------------
 *
 * closeRAMImage --
 *
 *	Gives back the caller's hold on image: its client record when that is
 *	attached, else one reference. An image that nothing holds any more
 *	(openCount and refCount at 0 or below, no client) and that is not
 *	locked is unlinked, its dirty rows written back and freed; when a
 *	notification of it is running, it is freed when that ends.
 *
 * Results:
 *	The remaining refCount; 0 when the image was freed or is locked.
 *
 *----------------------------------------------------------------------
 */
int closeRAMImage(RAMIMG *image, RamImageClient *client)
{
    if (image == NULL) {
        return 0;
    }
    if (!removeRamImageClient(client, image) && image->refCount >= 1) {
        image->refCount--;
    }
    if (image->openCount > 0 || image->refCount > 0 || image->clients != NULL) {
        return image->refCount;
    }
    if (image->flags & RAMIMG_LOCKED) {
        return 0;
    }
    unlinkRamImage(image);
    if (!deferRamImageFree(image)) {
        discardRamImage(image);
    }
    return 0;
}

/*
 * attrRAMImage --
 *	Replaces the image's whole flags word; returns the previous one (0
 *	for no image). Bit 0 locks the image.
 */
unsigned int attrRAMImage(RAMIMG *image, unsigned int flags)
{
    if (image == NULL) {
        return 0;
    }
    unsigned int previous = image->flags;
    image->flags = flags;
    return previous;
}
