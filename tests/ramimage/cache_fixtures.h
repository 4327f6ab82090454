/*
 * cache_fixtures.h --
 *
 *	Minimal RAM images for the row cache tests: a zeroed record with its
 *	head filled, its file opened and its cache built by setRAMImageBuf,
 *	without the registry or the format probe. Header only.
 */
#ifndef OVEX_TESTS_RAMIMAGE_CACHE_FIXTURES_H
#define OVEX_TESTS_RAMIMAGE_CACHE_FIXTURES_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <tcl.h>

#include "core/gmem.h"
#include "kit/fixture_kit.h"
#include "ramimage/ramimg.h"

namespace cache_fixtures {

inline void initTclOnce()
{
    static bool done = false;
    if (!done) {
        Tcl_FindExecutable(nullptr);
        done = true;
    }
}

/* Files of the cases come from the fixture kit. */
using fixture::readBytes;
using fixture::ScratchDir;

inline void writeFile(const std::string &path, const std::vector<unsigned char> &bytes)
{
    ASSERT_TRUE(fixture::writeBytes(path, bytes)) << path;
}

inline int cachedRowBytes(int pixel, int columns)
{
    switch (pixel) {
    case PIXEL_1BIT: return (columns + 7) / 8;
    case PIXEL_4BITS: return (4 * columns + 4) / 8;
    case PIXEL_SHORT: case PIXEL_USHORT: return 2 * columns;
    case PIXEL_LONG: case PIXEL_FLOAT: return 4 * columns;
    default: return columns;
    }
}

inline int pixelBits(int pixel)
{
    static const int bits[] = {0, 1, 4, 8, 16, 32, 32, 16, 32, 8};
    return pixel >= 0 && pixel <= 9 ? bits[pixel] : 0;
}

struct Geometry {
    int imgid;
    int pixel;
    int rows;
    int columns;
    int nbands;
    int block;          /* 0: rowBytes */
    int msbf;
    int offset;
};

/*
 * CacheImage --
 *	An image over `path` (opened with openFlags; no file for an empty
 *	path) whose cache is built for rowsWanted rows per band.
 */
struct CacheImage {
    RAMIMG *image;

    CacheImage(const std::string &path, const Geometry &g, int rowsWanted, int openFlags = O_RDWR,
               RamRowLoader *loader = getRAMImageLine, RamRowFlusher *flusher = flushCacheRow)
    {
        initTclOnce();
        image = new RAMIMG();
        strcpy(image->tag, "cachetest");
        ImageHead &h = image->head;
        snprintf(h.file, sizeof h.file, "%s", path.c_str());
        h.imgid = g.imgid;
        h.pixel = g.pixel;
        h.rows = g.rows;
        h.columns = g.columns;
        h.nbands = g.nbands;
        h.bits = pixelBits(g.pixel);
        h.msbf = g.msbf;
        h.offset = g.offset;
        h.transparent = -1;
        h.dataFd = -1;
        h.frames = 1;
        image->rowBytes = cachedRowBytes(g.pixel, g.columns);
        h.block = g.block > 0 ? g.block : image->rowBytes;
        image->fd = path.empty() ? -1 : open(path.c_str(), openFlags);
        image->frame = 1;
        image->frameCount = -1;
        image->dataOffset = g.offset;
        image->rowLoader = loader;
        image->rowFlusher = flusher;
        built = setRAMImageBuf(image, rowsWanted);
    }
    ~CacheImage()
    {
        if (image->fd >= 0) {
            close(image->fd);
        }
        gmemFree(image->cacheBlock);
        delete image;
    }
    CacheImage(const CacheImage &) = delete;
    CacheImage &operator=(const CacheImage &) = delete;

    int built;
    int slotOf(int row, int band) const
    {
        return (int)(((int64_t)row * image->head.nbands + band) % image->slots);
    }
    bool dirty(int slot) const { return (image->dirtyBits[slot / 8] >> (slot % 8)) & 1; }
    bool holds(int row, int band) const
    {
        return image->rowIds[slotOf(row, band)] == row * image->head.nbands + band;
    }
};

}  // namespace cache_fixtures

#endif /* OVEX_TESTS_RAMIMAGE_CACHE_FIXTURES_H */
