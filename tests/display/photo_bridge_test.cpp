/*
 * photo_bridge_test.cpp --
 *
 *	Tk photos into RAM images and back (needs a display: run under
 *	Xvfb through the WithDisplay filter).
 */
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include <tcl.h>
#include <tk.h>

#include "display/photo_bridge.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

namespace {

class PhotoBridgeWithDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (getenv("DISPLAY") == NULL) {
            GTEST_SKIP() << "no display";
        }
        Tcl_FindExecutable(nullptr);
        interp = Tcl_CreateInterp();
        ASSERT_EQ(Tcl_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
        ASSERT_EQ(Tk_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
    }
    void TearDown() override
    {
        if (interp != NULL) {
            Tcl_DeleteInterp(interp);
        }
    }

    void eval(const char *script)
    {
        ASSERT_EQ(Tcl_Eval(interp, script), TCL_OK) << script << ": " << Tcl_GetStringResult(interp);
    }

    std::string result(const char *script)
    {
        EXPECT_EQ(Tcl_Eval(interp, script), TCL_OK) << script;
        return Tcl_GetStringResult(interp);
    }

    /* Band of row as ints. */
    static std::vector<int> band(RAMIMG *image, int row, int b)
    {
        std::vector<unsigned char> bytes((size_t)image->head.columns);
        getRowByte(image, row, 0, image->head.columns, b, bytes.data());
        return std::vector<int>(bytes.begin(), bytes.end());
    }

    Tcl_Interp *interp = nullptr;
};

TEST_F(PhotoBridgeWithDisplay, PhotoBecomesAThreeBandMemoryImageNamedAfterIt)
{
    eval("image create photo p -width 2 -height 2; "
         "p put {{#ff0000 #00ff00} {#0000ff #102030}}");
    ImageHead tmpl;
    initImageHead(&tmpl);
    tmpl.imgid = IMGID_E74;
    tmpl.pixel = PIXEL_SHORT;
    tmpl.nbands = 1;
    tmpl.nindices = 5;
    tmpl.dataFd = -1;
    RAMIMG *image = photoToRAMImage(interp, "p", &tmpl, NULL);
    ASSERT_NE(image, nullptr);
    EXPECT_STREQ(image->tag, "p.photo");
    EXPECT_STREQ(image->head.file, "p.photo");
    EXPECT_EQ(image->head.imgid, IMGID_MBSQ);
    EXPECT_EQ(image->head.pixel, PIXEL_BYTE);
    EXPECT_EQ(image->head.nbands, 3);
    EXPECT_EQ(image->head.nindices, 0);
    EXPECT_EQ(image->head.columns, 2);
    EXPECT_EQ(image->head.rows, 2);
    EXPECT_EQ(band(image, 0, 0), (std::vector<int>{255, 0}));
    EXPECT_EQ(band(image, 0, 1), (std::vector<int>{0, 255}));
    EXPECT_EQ(band(image, 1, 0), (std::vector<int>{0, 16}));
    EXPECT_EQ(band(image, 1, 1), (std::vector<int>{0, 32}));
    EXPECT_EQ(band(image, 1, 2), (std::vector<int>{255, 48}));

    RAMIMG *tagged = photoToRAMImage(interp, "p", &tmpl, "other");
    ASSERT_NE(tagged, nullptr);
    EXPECT_STREQ(tagged->tag, "other");
    closeRAMImage(tagged, NULL);
    closeRAMImage(image, NULL);
}

TEST_F(PhotoBridgeWithDisplay, MissingOrEmptyPhotosGiveNothing)
{
    eval("image create photo empty");
    EXPECT_EQ(photoToRAMImage(interp, "nosuch", NULL, NULL), nullptr);
    EXPECT_EQ(photoToRAMImage(interp, "empty", NULL, NULL), nullptr);
    EXPECT_EQ(getRAMImageByTag("empty.photo"), nullptr);
}

TEST_F(PhotoBridgeWithDisplay, PixelsRoundTripThroughARamImage)
{
    eval("image create photo src -width 3 -height 2; "
         "src put {{#010203 #fffefd #808080} {#000000 #123456 #abcdef}}; "
         "image create photo dst");
    RAMIMG *image = photoToRAMImage(interp, "src", NULL, NULL);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(ramImageToPhoto(interp, image, "dst"), 0);
    EXPECT_EQ(result("dst cget -width; list [image width dst] [image height dst]"), "3 2");
    EXPECT_EQ(result("dst data"), result("src data"));
    EXPECT_EQ(result("dst get 1 1"), "18 52 86");
    /* Opaque everywhere, also where a channel is 0. */
    EXPECT_EQ(result("dst transparency get 0 1"), "0");
    EXPECT_EQ(ramImageToPhoto(interp, image, "nosuch"), 1);
    closeRAMImage(image, NULL);
}

TEST_F(PhotoBridgeWithDisplay, PaletteImagesShowTheirColours)
{
    ImageHead head;
    initImageHead(&head);
    head.imgid = IMGID_MBSQ;
    head.pixel = PIXEL_BYTE;
    head.bits = 8;
    head.columns = 3;
    head.rows = 1;
    head.nbands = 1;
    head.block = 3;
    head.nindices = 2;
    head.transparent = -1;
    head.dataFd = -1;
    memset(head.palette[0], 0, 3);
    memset(head.palette[1], 255, 3);
    int err = 0;
    RAMIMG *image = openRAMImage("bw", NULL, &head, NULL, &err);
    ASSERT_NE(image, nullptr);
    const unsigned char indices[3] = {1, 0, 1};
    putRowByte(image, 0, 0, 3, 0, indices);
    eval("image create photo bwphoto");
    EXPECT_EQ(ramImageToPhoto(interp, image, "bwphoto"), 0);
    EXPECT_EQ(result("list [bwphoto get 0 0] [bwphoto get 1 0] [bwphoto get 2 0]"),
              "{255 255 255} {0 0 0} {255 255 255}");
    closeRAMImage(image, NULL);
}

TEST_F(PhotoBridgeWithDisplay, FilesAreReadThroughATemporaryPhoto)
{
    char path[] = "/tmp/ovex-photo-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const char ppm[] = "P6\n2 1\n255\n\x0a\x14\x1e\xc8\xb4\xa0";
    ASSERT_EQ(write(fd, ppm, sizeof ppm - 1), (ssize_t)(sizeof ppm - 1));
    close(fd);
    std::string before = result("image names");
    RAMIMG *image = loadPhotoFile(interp, "-file", path, NULL);
    unlink(path);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(band(image, 0, 0), (std::vector<int>{10, 200}));
    EXPECT_EQ(band(image, 0, 2), (std::vector<int>{30, 160}));
    EXPECT_EQ(result("image names"), before);
    closeRAMImage(image, NULL);

    EXPECT_EQ(loadPhotoFile(interp, "-file", "/nonexistent/x.ppm", NULL), nullptr);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "");
}

TEST_F(PhotoBridgeWithDisplay, NewPhotosComeWithTheirRamImage)
{
    ImageHead head;
    initImageHead(&head);
    head.imgid = IMGID_MBSQ;
    head.pixel = PIXEL_BYTE;
    head.bits = 8;
    head.columns = 4;
    head.rows = 4;
    head.nbands = 3;
    head.block = 4;
    head.transparent = -1;
    head.dataFd = -1;
    char name[64] = "named";
    RAMIMG *image = createPhotoRAMImage(interp, name, sizeof name, &head);
    ASSERT_NE(image, nullptr);
    EXPECT_STREQ(image->tag, "named.ramimg");
    EXPECT_EQ(result("image type named"), "photo");
    closeRAMImage(image, NULL);

    char unnamed[64] = "";
    image = createPhotoRAMImage(interp, unnamed, sizeof unnamed, &head);
    ASSERT_NE(image, nullptr);
    EXPECT_NE(unnamed[0], '\0');
    EXPECT_EQ(std::string(image->tag), std::string(unnamed) + ".ramimg");
    closeRAMImage(image, NULL);
}

}  // namespace
