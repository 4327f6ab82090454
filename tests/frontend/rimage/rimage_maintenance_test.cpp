/*
 * rimage_maintenance_test.cpp --
 *
 *	The maintenance subcommands of rimage where a script cannot reach:
 *	pixels changed in the cache, failed write-backs, multi-frame files
 *	and client notices. The handlers are called as the dispatcher calls
 *	them.
 */
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ramimage/band_stats.h"
#include "frontend/rimage/rimage_maintenance.h"
#include "../../ramimage/registry_fixtures.h"
#include "kit/fixture_kit.h"

using namespace registry_fixtures;

namespace {

class RimageMaintenanceTest : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        interp = Tcl_CreateInterp();
        tmpl = templateHead(IMGID_MBSQ, PIXEL_BYTE, 4, 4);
    }

    void TearDown() override
    {
        notices.stop();
        Tcl_DeleteInterp(interp);
        RegistryTest::TearDown();
    }

    /* Runs handler with the words "rimage" + words; returns the status. */
    int run(RimageHandler *handler, std::vector<const char *> words)
    {
        words.insert(words.begin(), "rimage");
        return handler(&tmpl, interp, (int)words.size(), words.data());
    }

    std::string result() { return Tcl_GetStringResult(interp); }

    /* A BSQ IMAGEDEF file opened under tag (one reference held). */
    RAMIMG *openFile(const char *tag, const char *name, int rows, int columns)
    {
        ImageHead head = imagedefFile(name, IMGID_BSQ, PIXEL_BYTE, rows, columns);
        int err = 0;
        RAMIMG *image = openRAMImage(tag, head.file, NULL, NULL, &err);
        EXPECT_NE(image, nullptr) << ramImageErrorText(err);
        return image;
    }

    unsigned char pixel(RAMIMG *image, int row, int column)
    {
        return getRAMImageLine(image, row, 0, 1)[column];
    }

    Tcl_Interp *interp = nullptr;
    ImageHead tmpl;
    fixture::NoticeCounter notices;
};

TEST_F(RimageMaintenanceTest, FlushWritesChangedRowsBack)
{
    RAMIMG *image = openFile("rt_f", "f.img", 2, 3);
    storeByte(image, 1, 0, 2, 77);
    EXPECT_EQ(TCL_OK, run(rimageFlush, {"flush", "rt_f"}));
    EXPECT_EQ("", result());
    EXPECT_EQ(77, readFile(image->head.file)[1152 + 3 + 2]);
}

TEST_F(RimageMaintenanceTest, FlushReportsAWriteTheFileRefused)
{
    RAMIMG *image = openFile("rt_f", "f.img", 2, 3);
    storeByte(image, 0, 0, 0, 77);
    // Swap in a read-only descriptor of the same file: the write-back fails.
    int readOnly = open(image->head.file, O_RDONLY);
    ASSERT_GE(readOnly, 0);
    close(image->fd);
    image->fd = readOnly;
    EXPECT_EQ(TCL_ERROR, run(rimageFlush, {"flush", "rt_f"}));
    EXPECT_EQ(std::string("Error in writing RAMIMG rt_f: ") + image->head.file, result());
}

TEST_F(RimageMaintenanceTest, UpdateDataDropsUnflushedChanges)
{
    RAMIMG *image = openFile("rt_u", "u.img", 2, 3);
    notices.watch(image, 99);
    storeByte(image, 0, 0, 1, 99);
    ASSERT_EQ(99, pixel(image, 0, 1));
    EXPECT_EQ(TCL_OK, run(rimageUpdate, {"update", "rt_u", "DATA"}));
    EXPECT_EQ(0, pixel(image, 0, 1));
    EXPECT_EQ(0, readFile(image->head.file)[1152 + 1]);
    EXPECT_EQ("d", notices.order);
}

TEST_F(RimageMaintenanceTest, UpdateModesSendTheirMasks)
{
    RAMIMG *image = openFile("rt_u", "u.img", 2, 3);
    notices.watch(image, 99);
    const struct {
        std::vector<const char *> words;
        const char *order;
    } cases[] = {
        {{"update", "rt_u"}, "d"},
        {{"update", "rt_u", "DISPLAY"}, "d"},
        {{"update", "rt_u", "CONFIG"}, "c"},
        {{"update", "rt_u", "ALL"}, "cd"},
    };
    for (const auto &c : cases) {
        notices.reset();
        EXPECT_EQ(TCL_OK, run(rimageUpdate, c.words));
        EXPECT_EQ(c.order, notices.order) << c.words.back();
    }
}

TEST_F(RimageMaintenanceTest, VolumeSelectsAndCyclesFrames)
{
    // Three 2 x 2 frames, frame f holding the value f.
    std::vector<unsigned char> bytes;
    for (int f = 1; f <= 3; f++) {
        bytes.insert(bytes.end(), 4, (unsigned char)f);
    }
    ASSERT_TRUE(writeFile(path("frames.raw"), bytes));
    ImageHead head = templateHead(IMGID_BSQ, PIXEL_BYTE, 2, 2);
    head.frames = 3;
    int err = 0;
    RAMIMG *image = openRAMImage("rt_v", path("frames.raw").c_str(), &head, NULL, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    notices.watch(image, 99);

    const struct {
        const char *vid;
        const char *frame;
    } steps[] = {{"3", "3"}, {"0", "1"}, {"0", "2"}, {"9", "3"}, {"-1", "3"}, {"1", "1"}};
    for (const auto &s : steps) {
        EXPECT_EQ(TCL_OK, run(rimageVolume, {"volume", "rt_v", s.vid}));
        EXPECT_EQ(s.frame, result()) << "vID " << s.vid;
        EXPECT_EQ(atoi(s.frame), pixel(image, 1, 1)) << "vID " << s.vid;
    }
    EXPECT_EQ(6, notices.config);
    EXPECT_EQ(TCL_OK, run(rimageVolume, {"volume", "rt_v"}));
    EXPECT_EQ("1", result());
    EXPECT_EQ(6, notices.config);
}

TEST_F(RimageMaintenanceTest, CacheNeverErasesImagesWithoutAFile)
{
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 40, 4);
    int err = 0;
    RAMIMG *memory = openRAMImage("rt_m", NULL, &head, NULL, &err);
    ASSERT_NE(memory, nullptr);
    storeByte(memory, 30, 0, 1, 42);

    RAMIMG *resident = openFile("rt_r", "r.img", 40, 4);
    storeByte(resident, 30, 0, 1, 43);
    ASSERT_EQ(1, setRAMImageResident(resident, 1));

    EXPECT_EQ(TCL_OK, run(rimageCache, {"cache", "-imgid", "rt_m rt_r", "-pct", "10"}));
    EXPECT_EQ(42, pixel(memory, 30, 1));
    EXPECT_EQ(43, pixel(resident, 30, 1));
    EXPECT_EQ(40, memory->rowsPerBand);
    EXPECT_EQ(40, resident->rowsPerBand);
}

TEST_F(RimageMaintenanceTest, CacheResizeKeepsChangedRowsOfAFileImage)
{
    RAMIMG *image = openFile("rt_c", "c.img", 40, 4);
    storeByte(image, 2, 0, 3, 55);
    EXPECT_EQ(TCL_OK, run(rimageCache, {"cache", "-imgid", "rt_c", "-pct", "10"}));
    EXPECT_EQ(4, image->rowsPerBand);
    EXPECT_EQ(55, pixel(image, 2, 3));
    EXPECT_EQ(55, readFile(image->head.file)[1152 + 2 * 4 + 3]);
}

TEST_F(RimageMaintenanceTest, CreateOverwriteTellsTheClientsOfTheRebuiltImage)
{
    snprintf(tmpl.file, sizeof tmpl.file, "rt_new");
    ASSERT_EQ(TCL_OK, run(rimageCreate, {"create"}));
    EXPECT_EQ("1", result());
    RAMIMG *image = getRAMImageByTag("rt_new");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(1, image->openCount);
    EXPECT_EQ(0, image->refCount);
    notices.watch(image, 99);

    EXPECT_EQ(TCL_ERROR, run(rimageCreate, {"create", "-rows", "6"}));
    EXPECT_EQ("Image already exists", result());
    EXPECT_EQ(0, notices.config);
    EXPECT_EQ(4, tmpl.rows);  /* a create that made nothing keeps the template */
    EXPECT_EQ(TCL_OK, run(rimageCreate, {"create", "overwrite", "-rows", "6"}));
    EXPECT_EQ("1", result());
    EXPECT_EQ(6, image->head.rows);
    EXPECT_EQ(1, notices.config);
}

TEST_F(RimageMaintenanceTest, ConfigureTellsClientsOnlyOfLayoutChanges)
{
    ImageHead head = memoryHead(IMGID_MBSQ, PIXEL_BYTE, 4, 4);
    int err = 0;
    RAMIMG *image = openRAMImage("rt_m", NULL, &head, NULL, &err);
    ASSERT_NE(image, nullptr);
    notices.watch(image, 99);
    ASSERT_NE(ramImageHist(image, HIST_REUSE, 1, 1), nullptr);

    EXPECT_EQ(TCL_OK, run(rimageConfigure, {"configure", "rt_m", "-x0", "5"}));
    EXPECT_EQ(5.0, image->head.x0);
    EXPECT_EQ(0, notices.config);
    EXPECT_NE(image->stats, nullptr);

    EXPECT_EQ(TCL_OK, run(rimageConfigure, {"configure", "rt_m", "-rows", "9"}));
    EXPECT_EQ(9, image->head.rows);
    EXPECT_EQ(9, image->rowsPerBand);
    EXPECT_EQ(nullptr, image->stats);
    EXPECT_EQ(1, notices.config);
    EXPECT_EQ(5.0, image->head.x0);
}

TEST_F(RimageMaintenanceTest, ConfigureLayoutOfAFileImageWritesOldRowsFirst)
{
    RAMIMG *image = openFile("rt_l", "l.img", 2, 3);
    storeByte(image, 1, 0, 0, 66);
    EXPECT_EQ(TCL_OK, run(rimageConfigure, {"configure", "rt_l", "-rows", "1", "-columns", "6"}));
    EXPECT_EQ(6, image->head.columns);
    EXPECT_EQ(6, image->rowBytes);
    EXPECT_EQ(66, readFile(image->head.file)[1152 + 3]);
    EXPECT_EQ(66, pixel(image, 0, 3));
}

TEST_F(RimageMaintenanceTest, HistUpdateTellsTheClients)
{
    RAMIMG *image = openFile("rt_h", "h.img", 2, 3);
    notices.watch(image, 99);
    EXPECT_EQ(TCL_OK, run(rimageHist, {"hist", "-imgid", "rt_h"}));
    EXPECT_EQ(0, notices.config);
    EXPECT_EQ(TCL_OK, run(rimageHist, {"hist", "-imgid", "rt_h", "-u", "1", "-list", "sum"}));
    EXPECT_EQ("0.000000", result());
    EXPECT_EQ(1, notices.config);
}

}  // namespace
