/*
 * ram_registry.cpp --
 *
 *	The process-wide list of open RAM images, shared by every interpreter:
 *	registration under a tag (or a generated "rimg%d" one), unlinking, and
 *	look-up by tag and by file name.
 */
#include "ramimage/ramimg.h"
#include "ramimage/file_checks.h"
#include "core/paths.h"

#include <stdio.h>
#include <string.h>

#include <string>

static RAMIMG *imageList = NULL;     /* newest first */
static int registrationCount = 0;    /* names untagged images */

/*
 * ramImageListHead --
 *	The most recently registered image, NULL when none is open. Callers
 *	walk the list through next.
 */
RAMIMG *ramImageListHead(void)
{
    return imageList;
}

/*
 * registerRamImage --
 *	Names the image (tag, cut to 255 characters, or "rimg%d" with the
 *	registration counter when tag is NULL or empty), advances the counter
 *	and puts the image first in the list. An image already in the list
 *	is moved to the front instead of standing in it twice.
 */
void registerRamImage(const char *tag, RAMIMG *image)
{
    if (image == NULL) {
        return;
    }
    if (tag != NULL && tag[0] != '\0') {
        strncpy(image->tag, tag, RAMIMG_NAME_SIZE - 1);
        image->tag[RAMIMG_NAME_SIZE - 1] = '\0';
    } else {
        snprintf(image->tag, sizeof(image->tag), "rimg%d", registrationCount);
    }
    registrationCount++;
    unlinkRamImage(image);
    image->next = imageList;
    imageList = image;
}

/*
 * unlinkRamImage --
 *	Takes the image out of the list; nothing when it is not in it.
 */
void unlinkRamImage(RAMIMG *image)
{
    for (RAMIMG **link = &imageList; *link != NULL; link = &(*link)->next) {
        if (*link == image) {
            *link = image->next;
            image->next = NULL;
            return;
        }
    }
}

/*
 * getRAMImageByTag --
 *	The first image in list order whose tag is text; NULL for a NULL or
 *	empty text or when none has it.
 */
RAMIMG *getRAMImageByTag(const char *text)
{
    if (text == NULL || text[0] == '\0' || strlen(text) >= RAMIMG_NAME_SIZE) {
        return NULL;
    }
    for (RAMIMG *image = imageList; image != NULL; image = image->next) {
        if (strncmp(image->tag, text, RAMIMG_NAME_SIZE) == 0) {
            return image;
        }
    }
    return NULL;
}

/*
 * getRAMImageByName --
 *	The first image in list order opened from the file name: by canonical
 *	path when the file exists, else by the last path element alone. File
 *	names on this system differ by case, so both compare exactly. NULL
 *	for a NULL or empty name or when nothing matches.
 */
RAMIMG *getRAMImageByName(const char *name)
{
    if (name == NULL || name[0] == '\0') {
        return NULL;
    }
    if (fileExists(name) == 0) {
        std::string path = absolutePath(name);
        if (path.empty()) {
            return NULL;
        }
        for (RAMIMG *image = imageList; image != NULL; image = image->next) {
            if (strcmp(image->head.file, path.c_str()) == 0) {
                return image;
            }
        }
        return NULL;
    }
    std::string tail = pathTail(name);
    if (tail.empty()) {
        return NULL;
    }
    for (RAMIMG *image = imageList; image != NULL; image = image->next) {
        if (pathTail(image->head.file) == tail) {
            return image;
        }
    }
    return NULL;
}
