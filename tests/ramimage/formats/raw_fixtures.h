/*
 * raw_fixtures.h --
 *
 *	Shared by the tests of the fixed- and text-header formats (ERDAS,
 *	ELAS, PGM/PPM, X bitmap, FFT image files): byte builders for
 *	little-endian headers, opening files through the probe, and the
 *	independent tools used as witnesses (tests skip when one is missing).
 */
#ifndef OVEX_TESTS_RAMIMAGE_FORMATS_RAW_FIXTURES_H
#define OVEX_TESTS_RAMIMAGE_FORMATS_RAW_FIXTURES_H

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

#include "ramimage/ramimg.h"
#include "core/gmem.h"
#include "ramimage/registry_fixtures.h"
#include "kit/fixture_kit.h"

namespace raw_fixtures {

using fixture::Bytes;

inline void putLe16(Bytes &bytes, size_t at, int value)
{
    bytes[at] = (unsigned char)(value & 0xFF);
    bytes[at + 1] = (unsigned char)((value >> 8) & 0xFF);
}

inline void putLe32(Bytes &bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++) {
        bytes[at + i] = (unsigned char)(value >> (8 * i));
    }
}

inline void putLeFloat(Bytes &bytes, size_t at, float value)
{
    uint32_t bits;
    memcpy(&bits, &value, 4);
    putLe32(bytes, at, bits);
}

inline void putLeDouble(Bytes &bytes, size_t at, double value)
{
    uint64_t bits;
    memcpy(&bits, &value, 8);
    putLe32(bytes, at, (uint32_t)bits);
    putLe32(bytes, at + 4, (uint32_t)(bits >> 32));
}

inline void append(Bytes &bytes, const Bytes &more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
}

inline Bytes textBytes(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

using fixture::haveTool;
using fixture::runQuietly;

/* A binary PGM or PPM read by hand (maxval below 256), for checking what
 * the witnesses wrote without going through our own reader. */
struct Pnm {
    int bands = 0, columns = 0, rows = 0, maxval = 0;
    Bytes pixels;
};

inline bool parsePnm(const Bytes &file, Pnm *pnm)
{
    size_t at = 0;
    std::string tokens[4];
    for (int t = 0; t < 4; t++) {
        for (;;) {
            while (at < file.size() && isspace(file[at])) {
                at++;
            }
            if (at < file.size() && file[at] == '#') {
                while (at < file.size() && file[at] != '\n') {
                    at++;
                }
                continue;
            }
            break;
        }
        while (at < file.size() && !isspace(file[at])) {
            tokens[t] += (char)file[at++];
        }
    }
    at++;
    if (tokens[0] != "P5" && tokens[0] != "P6") {
        return false;
    }
    pnm->bands = tokens[0] == "P5" ? 1 : 3;
    pnm->columns = atoi(tokens[1].c_str());
    pnm->rows = atoi(tokens[2].c_str());
    pnm->maxval = atoi(tokens[3].c_str());
    size_t size = (size_t)pnm->bands * pnm->columns * pnm->rows * (pnm->maxval > 255 ? 2 : 1);
    if (at + size > file.size()) {
        return false;
    }
    pnm->pixels.assign(file.begin() + (long)at, file.begin() + (long)(at + size));
    return true;
}

/* The cached row (row, band) of an image, as bytes. */
inline Bytes rowOf(RAMIMG *image, int row, int band)
{
    unsigned char *line = getRAMImageLine(image, row, band, 1);
    if (line == NULL) {
        return Bytes();
    }
    return Bytes(line, line + image->rowBytes);
}

/*
 * RawFormatTest --
 *	The registry fixture (temporary folder, recording console, clean-up)
 *	with helpers to probe and open files.
 */
class RawFormatTest : public registry_fixtures::RegistryTest {
protected:
    std::string write(const char *name, const Bytes &bytes)
    {
        std::string file = path(name);
        EXPECT_TRUE(registry_fixtures::writeFile(file, bytes)) << file;
        return file;
    }

    /* Probes the file with the whole probe chain; the imgid or 0/-1. */
    int probe(const std::string &file, ImageHead *head, void **priv = NULL)
    {
        initImageHead(head);
        int fd = open(file.c_str(), O_RDONLY);
        EXPECT_GE(fd, 0) << file;
        void *unused = NULL;
        int imgid = probeImageFile(fd, file.c_str(), head, priv != NULL ? priv : &unused);
        if (priv == NULL && unused != NULL) {
            gmemFree(unused);
        }
        close(fd);
        return imgid;
    }

    RAMIMG *openFile(const std::string &file)
    {
        int err = -1;
        RAMIMG *image = openRAMImage(NULL, file.c_str(), NULL, NULL, &err);
        EXPECT_NE(image, nullptr) << file << ": " << ramImageErrorText(err);
        return image;
    }
};

}  // namespace raw_fixtures

#endif /* OVEX_TESTS_RAMIMAGE_FORMATS_RAW_FIXTURES_H */
