/*
 * ram_fixtures.h --
 *
 *	Test images shared by the RAM-image tests (header only; add helpers,
 *	do not change the ones here).
 */
#ifndef OVEX_TESTS_RAMIMAGE_RAM_FIXTURES_H
#define OVEX_TESTS_RAMIMAGE_RAM_FIXTURES_H

#include <cstring>
#include <vector>

#include "ovex/ramimage.h"

namespace ram_fixtures {

/* Bytes of one band row of n columns of each pixel type. */
inline int servedRowBytes(int pixel, int columns)
{
    switch (pixel) {
    case PIXEL_1BIT: return (columns + 7) / 8;
    case PIXEL_4BITS: return (4 * columns + 4) / 8;
    case PIXEL_SHORT: case PIXEL_USHORT: return 2 * columns;
    case PIXEL_LONG: case PIXEL_ULONG: case PIXEL_FLOAT: return 4 * columns;
    default: return columns;
    }
}

/*
 * ServedImage --
 *	A RAM image whose band rows live in a plain vector and reach the
 *	pixel code through its own row loader, which counts the rows it is
 *	asked for and refuses (NULL, counted as bad) any row or band outside
 *	the image. The slot table says every slot is empty, so every access
 *	goes to the loader, while markRowDirty still has dirty bits to set
 *	(slot = row x nbands + band, one slot per band row).
 */
struct ServedImage {
    RAMIMG image;
    std::vector<unsigned char> data;
    std::vector<int> emptySlots;
    std::vector<unsigned char> dirty;
    int loads = 0;
    int badLoads = 0;
    int lastLoadFlag = -1;

    ServedImage(int pixel, int columns, int rows, int nbands, int msbf = 0)
    {
        memset(&image, 0, sizeof image);
        strcpy(image.tag, "served");
        image.head.pixel = pixel;
        image.head.imgid = IMGID_MBIL;
        image.head.columns = columns;
        image.head.rows = rows;
        image.head.nbands = nbands;
        image.head.msbf = msbf;
        image.head.transparent = -1;
        image.head.dataFd = -1;
        for (int i = 0; i < 256; i++) {
            image.head.palette[i][0] = image.head.palette[i][1] = image.head.palette[i][2] =
                (unsigned char)i;
        }
        image.fd = -1;
        image.frame = 1;
        image.frameCount = 1;
        image.rowBytes = servedRowBytes(pixel, columns);
        image.rowsPerBand = rows;
        image.slots = rows * nbands;
        data.assign((size_t)image.slots * (size_t)image.rowBytes, 0);
        emptySlots.assign((size_t)image.slots, -1);
        dirty.assign((size_t)image.slots / 8 + 1, 0);
        image.cacheBlock = data.data();     /* so that markRowDirty sees a cache */
        image.rowIds = emptySlots.data();
        image.dirtyBits = dirty.data();
        image.priv = this;
        image.rowLoader = serve;
    }
    ServedImage(const ServedImage &) = delete;
    ServedImage &operator=(const ServedImage &) = delete;

    unsigned char *row(int r, int band)
    {
        return data.data() + ((size_t)r * image.head.nbands + band) * image.rowBytes;
    }
    bool isDirty(int r, int band) const
    {
        int slot = r * image.head.nbands + band;
        return (dirty[slot / 8] >> (slot % 8)) & 1;
    }
    bool anyDirty() const
    {
        for (unsigned char bits : dirty) {
            if (bits != 0) {
                return true;
            }
        }
        return false;
    }

    static unsigned char *serve(RAMIMG *image, int r, int band, int load)
    {
        ServedImage *self = static_cast<ServedImage *>(image->priv);
        if (r < 0 || r >= image->head.rows || band < 0 || band >= image->head.nbands) {
            self->badLoads++;
            return NULL;
        }
        self->loads++;
        self->lastLoadFlag = load;
        return self->row(r, band);
    }
};

}  // namespace ram_fixtures

#endif /* OVEX_TESTS_RAMIMAGE_RAM_FIXTURES_H */
