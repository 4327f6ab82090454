/*
 * exported_interface.cpp --
 *
 *	The RAM-image functions that modules linked against the library call:
 *	thin forwarders to the core, with the records of ovex/ramimage.h.
 */
#include "ramimage/ramimg.h"
#include "ramimage/pixel_access.h"

extern "C" {

OVEX_API RAMIMG *ovex_openRAMImage(const char *tag, const char *file, ImageHead *head,
                                   RamImageClient *client, int *err)
{
    return openRAMImage(tag, file, head, client, err);
}

OVEX_API RAMIMG *ovex_openRAMImageNew(ImageHead *head, RamImageClient *client, int overwrite,
                                      int *err)
{
    return openRAMImageNew(head, client, overwrite, err);
}

OVEX_API int ovex_closeRAMImage(RAMIMG *image, RamImageClient *client)
{
    return closeRAMImage(image, client);
}

OVEX_API RAMIMG *ovex_getRAMImageByName(const char *name)
{
    return getRAMImageByName(name);
}

OVEX_API RAMIMG *ovex_getRAMImageByTag(const char *tag)
{
    return getRAMImageByTag(tag);
}

/*
 * ovex_getRAMImageLine --
 *	The cached row of (row, band) through the row loader of file and plain
 *	memory images, whatever the image's own loader is (a packed RGB image
 *	gets a slot without conversion). NULL for no image, an image without
 *	a cache, or a row or band outside the image: a module's bad index
 *	never reaches the cache.
 */
OVEX_API unsigned char *ovex_getRAMImageLine(RAMIMG *image, int row, int band, int load)
{
    if (image == NULL || image->cacheBlock == NULL || image->slots <= 0) {
        return NULL;
    }
    if (row < 0 || row >= image->head.rows || band < 0 || band >= image->head.nbands) {
        return NULL;
    }
    return getRAMImageLine(image, row, band, load);
}

OVEX_API int ovex_putUSHORTBILData(RAMIMG *image, int row, int col, int n, int band,
                                   const uint16_t *values)
{
    return putUSHORTBILData(image, row, col, n, band, values);
}

OVEX_API unsigned int ovex_attrRAMImage(RAMIMG *image, unsigned int flags)
{
    return attrRAMImage(image, flags);
}

OVEX_API void ovex_updateClient(RAMIMG *image, intptr_t excludedId, int mask)
{
    updateClient(image, excludedId, mask);
}

OVEX_API void ovex_updateClientRect(RAMIMG *image, intptr_t excludedId, int x, int y, int width,
                                    int height)
{
    updateClientRect(image, excludedId, x, y, width, height);
}

OVEX_API int ovex_msbFirst(void)
{
    return msbFirst();
}

} // extern "C"
