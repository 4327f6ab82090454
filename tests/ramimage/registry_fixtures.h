/*
 * registry_fixtures.h --
 *
 *	Shared by the tests of RAM-image records, registry, clients and the
 *	exported interface: a temporary folder with small image files, the
 *	template heads that describe them, a console that records what the
 *	library writes to standard error, and clean-up of the images a test
 *	left open.
 */
#ifndef OVEX_TESTS_RAMIMAGE_REGISTRY_FIXTURES_H
#define OVEX_TESTS_RAMIMAGE_REGISTRY_FIXTURES_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/package.h"
#include "kit/fixture_kit.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/ramimg.h"

namespace registry_fixtures {

/* A head describing a headerless file (offset 0) or a memory image. */
inline ImageHead templateHead(int imgid, int pixel, int rows, int columns, int nbands = 1)
{
    ImageHead head;
    initImageHead(&head);
    head.imgid = imgid;
    head.pixel = pixel;
    head.rows = rows;
    head.columns = columns;
    head.nbands = nbands;
    head.bits = bitsPerPixel(pixel);
    head.block = rowBytesFor(pixel, columns);
    head.transparent = -1;
    head.dataFd = -1;
    return head;
}

/* Files of the cases come from the fixture kit. */
inline bool writeFile(const std::string &path, const std::vector<unsigned char> &bytes)
{
    return fixture::writeBytes(path, bytes);
}

inline std::vector<unsigned char> readFile(const std::string &path)
{
    return fixture::readBytes(path);
}

/* Bytes 0, 1, 2 ... of a file of `size` bytes, plus `add` to each. */
inline std::vector<unsigned char> rampBytes(size_t size, int add = 0)
{
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; i++) {
        bytes[i] = (unsigned char)(i + add);
    }
    return bytes;
}

/* Stores one byte into band row (row, band) of the image and marks it
 * changed, as the pixel writers do. */
inline void storeByte(RAMIMG *image, int row, int band, int column, unsigned char value)
{
    unsigned char *line = getRAMImageLine(image, row, band, 1);
    ASSERT_NE(line, nullptr);
    line[column] = value;
    markRowDirty(image, row, band);
}

inline bool isRegistered(const RAMIMG *image)
{
    for (RAMIMG *r = ramImageListHead(); r != NULL; r = r->next) {
        if (r == image) {
            return true;
        }
    }
    return false;
}

/*
 * RegistryTest --
 *	A temporary folder (removed with its files) and a recording console.
 *	Images a test leaves registered whose file lies in the folder or
 *	whose tag starts with "rt_" are unlinked and freed, so that tests
 *	see no images of other tests.
 */
class RegistryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Tcl_FindExecutable(nullptr); }

    void SetUp() override
    {
        console = Tcl_CreateInterp();
        ASSERT_EQ(TCL_OK, Tcl_Eval(console,
            "set ::stderr {}\n"
            "rename puts tcl_puts\n"
            "proc puts args {\n"
            "    if {[lsearch -exact $args stderr] >= 0} {append ::stderr [lindex $args end]}\n"
            "}\n"));
        savedTkConsole = ovexState.tkConsole;
        savedSuppress = ovexState.suppressOutput;
        ovexState.tkConsole = 0;
        ovexState.suppressOutput = 0;
        previousConsole = setConsoleInterp(console);
    }

    void TearDown() override
    {
        for (RAMIMG *image = ramImageListHead(); image != NULL;) {
            RAMIMG *next = image->next;
            if (strncmp(image->head.file, dir.c_str(), dir.size()) == 0
                    || strncmp(image->tag, "rt_", 3) == 0) {
                unlinkRamImage(image);
                freeRamImage(image);
            }
            image = next;
        }
        setConsoleInterp(previousConsole);
        ovexState.tkConsole = savedTkConsole;
        ovexState.suppressOutput = savedSuppress;
        Tcl_DeleteInterp(console);
    }

    std::string path(const char *name) const { return dir + "/" + name; }

    /* What the library wrote to standard error since the test began. */
    std::string stderrText()
    {
        const char *text = Tcl_GetVar(console, "::stderr", TCL_GLOBAL_ONLY);
        return text ? text : "";
    }

    /* An IMAGEDEF file (1152-byte header) that the probe recognises. */
    ImageHead imagedefFile(const char *name, int imgid, int pixel, int rows, int columns,
                           int nbands = 1)
    {
        ImageHead head = templateHead(imgid, pixel, rows, columns, nbands);
        head.offset = 1152;
        snprintf(head.file, sizeof head.file, "%s", path(name).c_str());
        EXPECT_GE(createImageFile(&head), 0) << name;
        return head;
    }

    /* A memory image head whose file names the temporary folder, so that
     * clean-up finds it when the test does not close it. */
    ImageHead memoryHead(int imgid, int pixel, int rows, int columns, int nbands = 1)
    {
        ImageHead head = templateHead(imgid, pixel, rows, columns, nbands);
        snprintf(head.file, sizeof head.file, "%s", path("memory").c_str());
        return head;
    }

    fixture::ScratchDir scratch{"ovex_registry"};
    std::string dir = scratch.path();
    Tcl_Interp *console = nullptr;
    Tcl_Interp *previousConsole = nullptr;
    int savedTkConsole = 0;
    int savedSuppress = 0;
};

}  // namespace registry_fixtures

#endif /* OVEX_TESTS_RAMIMAGE_REGISTRY_FIXTURES_H */
