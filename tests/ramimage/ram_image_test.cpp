/*
 * ram_image_test.cpp --
 *
 *	RAM-image records and the registry: heads, pixel sizes, error texts,
 *	tags, look-up by tag and by file, opening, rebuilding in place,
 *	creating, locking and closing.
 */
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "registry_fixtures.h"

using namespace registry_fixtures;

namespace {

class RamImage : public RegistryTest {};

int tagNumber(const RAMIMG *image)
{
    int n = -1;
    if (sscanf(image->tag, "rimg%d", &n) != 1) {
        return -1;
    }
    return n;
}

/* ---- Heads, pixel sizes and texts --------------------------------------- */

TEST(RamImageHead, InitZeroesEveryFieldAndRampsThePalette)
{
    ImageHead head;
    memset(&head, 0x5a, sizeof head);
    initImageHead(&head);
    EXPECT_EQ(head.file[0], '\0');
    EXPECT_EQ(head.imgid, 0);
    EXPECT_EQ(head.rows, 0);
    EXPECT_EQ(head.transparent, 0);
    EXPECT_EQ(head.dataFd, 0);
    EXPECT_EQ(head.zscale, 0.0);
    for (int i = 0; i < 256; i++) {
        ASSERT_EQ(head.palette[i][0], i);
        ASSERT_EQ(head.palette[i][1], i);
        ASSERT_EQ(head.palette[i][2], i);
    }
}

TEST(RamImageHead, BitsAndCachedRowBytesOfEachPixelType)
{
    struct Case {
        int pixel, bits, columns, rowBytes;
    } cases[] = {
        {PIXEL_UNKNOWN, 0, 10, 10}, {PIXEL_1BIT, 1, 10, 2},   {PIXEL_1BIT, 1, 8, 1},
        {PIXEL_4BITS, 4, 10, 5},    {PIXEL_4BITS, 4, 3, 2},   {PIXEL_4BITS, 4, 1, 1},
        {PIXEL_BYTE, 8, 10, 10},    {PIXEL_SHORT, 16, 10, 20}, {PIXEL_LONG, 32, 10, 40},
        {PIXEL_FLOAT, 32, 10, 40},  {PIXEL_USHORT, 16, 10, 20}, {PIXEL_ULONG, 32, 10, 40},
        {PIXEL_SBYTE, 8, 10, 10},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pixel);
        EXPECT_EQ(bitsPerPixel(c.pixel), c.bits);
        EXPECT_EQ(rowBytesFor(c.pixel, c.columns), c.rowBytes);
    }
    EXPECT_EQ(bitsPerPixel(10), 0);
    EXPECT_EQ(bitsPerPixel(-1), 0);
    EXPECT_EQ(rowBytesFor(10, 5), -1);
    EXPECT_EQ(rowBytesFor(PIXEL_FLOAT, INT_MAX), -1);
    EXPECT_EQ(msbFirst(), 0);
}

TEST(RamImageErrors, TextOfEveryCode)
{
    const char *texts[] = {"",
                           "Memory allocation error",
                           "Unknown image type",
                           "Open image file error",
                           "Error in modifying a system RAMIMG",
                           "File already exists",
                           "Error in creating a file",
                           "",
                           "Unable to handle the image",
                           "Name too long"};
    for (int code = 0; code <= 9; code++) {
        EXPECT_STREQ(ramImageErrorText(code), texts[code]) << code;
    }
    EXPECT_STREQ(ramImageErrorText(-1), "");
    EXPECT_STREQ(ramImageErrorText(100), "");
}

TEST_F(RamImage, PrintWritesTheTextAndANewlineOnlyForCodesWithText)
{
    printRamImageError(7);
    printRamImageError(0);
    EXPECT_EQ(stderrText(), "");
    printRamImageError(3);
    EXPECT_EQ(stderrText(), "Open image file error\n");
}

/* ---- Registry ------------------------------------------------------------ */

TEST_F(RamImage, UntaggedImagesAreNamedByTheRegistrationCounter)
{
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 2, 4);
    int err = -1;
    RAMIMG *first = openRAMImage(NULL, NULL, &head, NULL, &err);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(err, 0);
    int n = tagNumber(first);
    ASSERT_GE(n, 0) << first->tag;
    RAMIMG *tagged = openRAMImage("rt_tagged", NULL, &head, NULL, &err);
    ASSERT_NE(tagged, nullptr);
    EXPECT_STREQ(tagged->tag, "rt_tagged");
    RAMIMG *second = openRAMImage("", NULL, &head, NULL, &err);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(tagNumber(second), n + 2) << "a tagged registration advances the counter too";
    EXPECT_EQ(ramImageListHead(), second) << "newest first";
    EXPECT_EQ(second->next, tagged);
    EXPECT_EQ(tagged->next, first);
}

TEST_F(RamImage, TagsLongerThan255CharactersAreRefusedNotCut)
{
    ImageHead head = memoryHead(IMGID_MBSQ, PIXEL_BYTE, 1, 1);
    std::string longTag = "rt_" + std::string(300, 'x');
    int err = RAMIMG_OK;
    EXPECT_EQ(openRAMImage(longTag.c_str(), NULL, &head, NULL, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_ENAME);
    RAMIMG *image = openRAMImage(longTag.substr(0, 255).c_str(), NULL, &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(strlen(image->tag), 255u);
    EXPECT_EQ(getRAMImageByTag(longTag.substr(0, 255).c_str()), image);
    EXPECT_EQ(getRAMImageByTag(longTag.c_str()), nullptr);
    EXPECT_EQ(getRAMImageByTag(NULL), nullptr);
    EXPECT_EQ(getRAMImageByTag(""), nullptr);
}

TEST_F(RamImage, UnlinkLeavesTheListAloneForAnUnregisteredImage)
{
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 1, 1);
    RAMIMG *listed = openRAMImage("rt_listed", NULL, &head, NULL, NULL);
    ASSERT_NE(listed, nullptr);
    RAMIMG *loose = createRamImage(&head, NULL, NULL);
    ASSERT_NE(loose, nullptr);
    unlinkRamImage(loose);
    EXPECT_EQ(ramImageListHead(), listed);
    EXPECT_TRUE(isRegistered(listed));
    freeRamImage(loose);
}

TEST_F(RamImage, ByNameComparesCanonicalPathsOrLastElementsExactly)
{
    ImageHead head = templateHead(IMGID_BSQ, PIXEL_BYTE, 2, 4);
    ASSERT_TRUE(writeFile(path("scene.img"), rampBytes(8)));
    ASSERT_TRUE(writeFile(path("Scene.img"), rampBytes(8)));
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    RAMIMG *image = openRAMImage("rt_scene", "scene.img", &head, NULL, NULL);
    ASSERT_EQ(chdir(saved), 0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::string(image->head.file), path("scene.img")) << "the canonical path is kept";

    EXPECT_EQ(getRAMImageByName(path("scene.img").c_str()), image);
    EXPECT_EQ(getRAMImageByName(path("Scene.img").c_str()), nullptr)
        << "an existing file of another case is another file";
    EXPECT_EQ(getRAMImageByName("/no/such/folder/scene.img"), image) << "last element fallback";
    EXPECT_EQ(getRAMImageByName("/no/such/folder/SCENE.IMG"), nullptr);
    EXPECT_EQ(getRAMImageByName(""), nullptr);
    EXPECT_EQ(getRAMImageByName(NULL), nullptr);
}

/* ---- Opening and closing --------------------------------------------------- */

TEST_F(RamImage, NothingToOpenGivesCode3)
{
    int err = -1;
    EXPECT_EQ(openRAMImage(NULL, NULL, NULL, NULL, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_EOPEN);
    EXPECT_EQ(openRAMImage(NULL, NULL, NULL, NULL, NULL), nullptr);
    err = -1;
    EXPECT_EQ(openRAMImage("rt_none", "", NULL, NULL, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_EOPEN);
}

TEST_F(RamImage, OpenFailuresReportTheirCodes)
{
    int err = -1;
    EXPECT_EQ(openRAMImage(NULL, path("missing.img").c_str(), NULL, NULL, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_EOPEN);
    ASSERT_TRUE(writeFile(path("noise.bin"), rampBytes(100)));
    EXPECT_EQ(openRAMImage(NULL, path("noise.bin").c_str(), NULL, NULL, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_EUNKNOWN_TYPE);
}

TEST_F(RamImage, SameFileTwiceSharesOneRecordUntilTwoCloses)
{
    imagedefFile("twice.img", IMGID_BSQ, PIXEL_BYTE, 3, 5);
    int err = -1;
    RAMIMG *a = openRAMImage(NULL, path("twice.img").c_str(), NULL, NULL, &err);
    ASSERT_NE(a, nullptr) << ramImageErrorText(err);
    RAMIMG *b = openRAMImage(NULL, path("twice.img").c_str(), NULL, NULL, &err);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->refCount, 2);
    EXPECT_EQ(a->head.rows, 3);
    EXPECT_EQ(a->head.columns, 5);
    EXPECT_EQ(closeRAMImage(a, NULL), 1);
    EXPECT_TRUE(isRegistered(a));
    EXPECT_EQ(closeRAMImage(a, NULL), 0);
    EXPECT_EQ(getRAMImageByName(path("twice.img").c_str()), nullptr);
}

TEST_F(RamImage, FileOpensAreCloseOnExecAndFallBackToReadOnly)
{
    ImageHead head = templateHead(IMGID_BSQ, PIXEL_BYTE, 2, 4);
    ASSERT_TRUE(writeFile(path("ro.img"), rampBytes(8)));
    ASSERT_EQ(chmod(path("ro.img").c_str(), 0400), 0);
    RAMIMG *image = openRamImageFile(path("ro.img").c_str(), &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    int flags = fcntl(image->fd, F_GETFD);
    EXPECT_TRUE(flags & FD_CLOEXEC);
    if (geteuid() != 0) {
        EXPECT_EQ(fcntl(image->fd, F_GETFL) & O_ACCMODE, O_RDONLY);
    }
    EXPECT_EQ(getRAMImageLine(image, 1, 0, 1)[0], 4);
    freeRamImage(image);
}

TEST_F(RamImage, TemplateFileImageTakesTheHeadAndDefaultCacheDepth)
{
    ImageHead head = templateHead(IMGID_BSQ, PIXEL_BYTE, 1000, 100);
    head.block = 0;     /* shorter than a row: the layout's own length */
    ASSERT_TRUE(writeFile(path("tall.img"), rampBytes(100000)));
    int err = -1;
    RAMIMG *image = openRAMImage("rt_tall", path("tall.img").c_str(), &head, NULL, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    EXPECT_EQ(image->head.block, 100);
    EXPECT_EQ(image->rowBytes, 100);
    /* 1 x k x 104 + k / 8 + 1 reaches 256 KiB for no k up to 127. */
    EXPECT_EQ(image->rowsPerBand, 127);
    EXPECT_EQ(image->frame, 1);
    EXPECT_EQ(image->frameCount, -1);
    EXPECT_EQ(image->dataOffset, 0);
    EXPECT_EQ(image->refCount, 1);
    EXPECT_EQ(getRAMImageLine(image, 999, 0, 1)[5], (unsigned char)(99900 + 5));
}

TEST_F(RamImage, CacheDepthIsTheSmallestReaching256KiB)
{
    ImageHead head = templateHead(IMGID_BIL, PIXEL_FLOAT, 40, 4000, 2);
    ASSERT_TRUE(writeFile(path("wide.img"), rampBytes(10)));
    RAMIMG *image = openRamImageFile(path("wide.img").c_str(), &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    /* 2 x k x 16004 + 2k / 8 + 1 >= 262144 first for k = 9; more than
     * the image's 40 rows is never asked for. */
    EXPECT_EQ(image->rowsPerBand, 9);
    EXPECT_EQ(image->slots, 18);
    freeRamImage(image);
}

TEST_F(RamImage, TagOfAnotherFileRebuildsThatRecordWithoutANewReference)
{
    imagedefFile("first.img", IMGID_BSQ, PIXEL_BYTE, 4, 8);
    imagedefFile("second.img", IMGID_BIL, PIXEL_BYTE, 2, 3, 2);
    std::vector<unsigned char> secondBefore = readFile(path("second.img"));
    int err = -1;
    RAMIMG *image = openRAMImage("rt_view", path("first.img").c_str(), NULL, NULL, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    storeByte(image, 3, 0, 7, 0xAB);

    RAMIMG *again = openRAMImage("rt_view", path("second.img").c_str(), NULL, NULL, &err);
    EXPECT_EQ(again, image);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(image->refCount, 1) << "a rebuild takes no reference";
    EXPECT_STREQ(image->tag, "rt_view");
    EXPECT_EQ(std::string(image->head.file), path("second.img"));
    EXPECT_EQ(image->head.rows, 2);
    EXPECT_EQ(image->head.nbands, 2);
    EXPECT_EQ(image->head.imgid, IMGID_BIL);

    /* The changed row went to the old file with the old layout, and the
     * new file was not touched. */
    std::vector<unsigned char> first = readFile(path("first.img"));
    ASSERT_EQ(first.size(), 1152u + 32u);
    EXPECT_EQ(first[1152 + 3 * 8 + 7], 0xAB);
    EXPECT_EQ(readFile(path("second.img")), secondBefore);
    EXPECT_EQ(closeRAMImage(image, NULL), 0);
}

TEST_F(RamImage, SameWordAsTagAndFileGivesTheTaggedImageAsItIs)
{
    imagedefFile("word.img", IMGID_BSQ, PIXEL_BYTE, 2, 2);
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 5, 6);
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    RAMIMG *memory = openRAMImage("word.img", NULL, &head, NULL, NULL);
    ASSERT_NE(memory, nullptr);
    int err = -1;
    RAMIMG *found = openRAMImage("word.img", "word.img", NULL, NULL, &err);
    ASSERT_EQ(chdir(saved), 0);
    EXPECT_EQ(found, memory);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(memory->fd, -1) << "not rebuilt from the file";
    EXPECT_EQ(memory->head.rows, 5);
    EXPECT_EQ(memory->refCount, 2);
}

TEST_F(RamImage, LockedImagesAreNeverRebuilt)
{
    imagedefFile("sys.img", IMGID_BSQ, PIXEL_BYTE, 2, 2);
    imagedefFile("other.img", IMGID_BSQ, PIXEL_BYTE, 3, 3);
    RAMIMG *image = openRAMImage("rt_sys", path("sys.img").c_str(), NULL, NULL, NULL);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(attrRAMImage(image, RAMIMG_LOCKED), 0u);
    int err = -1;
    EXPECT_EQ(openRAMImage("rt_sys", path("other.img").c_str(), NULL, NULL, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_ESYSTEM);
    EXPECT_EQ(std::string(image->head.file), path("sys.img"));

    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 4, 4);
    err = -1;
    EXPECT_EQ(openRAMImage("rt_sys", NULL, &head, NULL, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_ESYSTEM);
    err = -1;
    EXPECT_EQ(reopenRamImage(path("other.img").c_str(), NULL, image, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_ESYSTEM);
    EXPECT_EQ(image->head.rows, 2);

    EXPECT_EQ(attrRAMImage(image, 0), RAMIMG_LOCKED);
    err = -1;
    EXPECT_EQ(openRAMImage("rt_sys", NULL, &head, NULL, &err), nullptr)
        << "an image with a file is not turned into a memory image";
    EXPECT_EQ(err, RAMIMG_ESYSTEM);
}

TEST_F(RamImage, LockedImageSurvivesItsCloseUntilUnlocked)
{
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 2, 2);
    RAMIMG *image = openRAMImage("rt_locked", NULL, &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    attrRAMImage(image, RAMIMG_LOCKED);
    EXPECT_EQ(closeRAMImage(image, NULL), 0);
    EXPECT_EQ(getRAMImageByTag("rt_locked"), image);
    EXPECT_EQ(image->refCount, 0);
    EXPECT_EQ(attrRAMImage(image, 0), RAMIMG_LOCKED);
    EXPECT_EQ(openRAMImage("rt_locked", NULL, NULL, NULL, NULL), image);
    EXPECT_EQ(closeRAMImage(image, NULL), 0);
    EXPECT_EQ(getRAMImageByTag("rt_locked"), nullptr);
}

TEST_F(RamImage, OpenCountKeepsAnImageThatNoReferenceHolds)
{
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 2, 2);
    RAMIMG *image = openRAMImage("rt_held", NULL, &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    image->openCount = 1;
    EXPECT_EQ(closeRAMImage(image, NULL), 0);
    EXPECT_EQ(closeRAMImage(image, NULL), 0) << "refCount never goes below 0 by a close";
    EXPECT_EQ(image->refCount, 0);
    EXPECT_TRUE(isRegistered(image));
    image->openCount = 0;
    EXPECT_EQ(closeRAMImage(image, NULL), 0);
    EXPECT_EQ(getRAMImageByTag("rt_held"), nullptr);
}

/* ---- Memory images ----------------------------------------------------------- */

TEST_F(RamImage, MemoryImageHoldsEveryRowAndIsRebuiltInPlace)
{
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_SHORT, 4, 8, 2);
    int err = -1;
    RAMIMG *image = openRAMImage("rt_mem", NULL, &head, NULL, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    EXPECT_EQ(image->fd, -1);
    EXPECT_EQ(image->rowsPerBand, 4);
    EXPECT_EQ(image->slots, 8);
    EXPECT_EQ(image->rowBytes, 16);
    EXPECT_EQ(image->rowLoader, getRAMImageLine);
    EXPECT_EQ(image->rowFlusher, flushCacheRow);
    for (int slot = 0; slot < image->slots; slot++) {
        ASSERT_EQ(image->rowIds[slot], slot) << "every row is in the cache from the start";
    }

    ImageHead bigger = memoryHead(IMGID_MBIP, PIXEL_BYTE, 6, 10, 3);
    RAMIMG *again = openRAMImage("rt_mem", NULL, &bigger, NULL, &err);
    EXPECT_EQ(again, image);
    EXPECT_EQ(image->refCount, 2);
    EXPECT_EQ(image->head.rows, 6);
    EXPECT_EQ(image->head.block, 30) << "MBIP rows hold every band";
    EXPECT_EQ(image->slots, 18);
}

TEST_F(RamImage, PackedRgbImagesUseTheirOwnRowAccess)
{
    ImageHead head = memoryHead(IMGID_MRGB565, PIXEL_BYTE, 2, 3, 3);
    head.block = 0;
    RAMIMG *image = createRamImage(&head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->rowLoader, loadMemoryRgbRow);
    EXPECT_EQ(image->rowFlusher, flushMemoryRgbRow);
    EXPECT_EQ(image->head.block, 8) << "rows padded to 4 bytes";
    freeRamImage(image);
}

TEST_F(RamImage, OpenNewMemoryImageIsHeldByItsOpenCount)
{
    ImageHead head = memoryHead(IMGID_MBSQ, PIXEL_BYTE, 3, 3);
    snprintf(head.file, sizeof head.file, "rt_new");
    head.offset = 99;
    int err = -1;
    RAMIMG *image = openRAMImageNew(&head, NULL, 0, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    EXPECT_EQ(err, 0);
    EXPECT_STREQ(image->tag, "rt_new");
    EXPECT_EQ(head.offset, 0);
    EXPECT_EQ(image->refCount, 0);
    EXPECT_EQ(image->openCount, 1);

    err = -1;
    EXPECT_EQ(openRAMImageNew(&head, NULL, 0, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_EEXISTS);
    head.rows = 7;
    EXPECT_EQ(openRAMImageNew(&head, NULL, 1, &err), image);
    EXPECT_EQ(image->head.rows, 7);
    EXPECT_EQ(image->openCount, 1);
}

TEST_F(RamImage, OpenNewFileImageCreatesTheFileOnce)
{
    ImageHead head = templateHead(IMGID_BSQ, PIXEL_BYTE, 4, 6);
    head.offset = 1152;
    snprintf(head.file, sizeof head.file, "%s", path("made.img").c_str());
    int err = -1;
    RAMIMG *image = openRAMImageNew(&head, NULL, 0, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    EXPECT_EQ(image->refCount, 1);
    EXPECT_EQ(image->head.rows, 4);
    EXPECT_GE(image->fd, 0);

    err = -1;
    EXPECT_EQ(openRAMImageNew(&head, NULL, 0, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_EEXISTS);

    head.rows = 9;
    head.columns = 2;
    head.offset = 1152;
    storeByte(image, 0, 0, 0, 0x55);
    RAMIMG *again = openRAMImageNew(&head, NULL, 1, &err);
    EXPECT_EQ(again, image) << "the open record is rebuilt on the new file";
    EXPECT_EQ(err, 0);
    EXPECT_EQ(image->refCount, 2);
    EXPECT_EQ(image->head.rows, 9);
    EXPECT_EQ(image->head.columns, 2);
    EXPECT_EQ(getRAMImageLine(image, 0, 0, 1)[0], 0) << "the new file's data, not the old row";
    EXPECT_EQ(readFile(path("made.img")).size(), 1152u + 18u);
}

TEST_F(RamImage, OpenNewHeaderlessFileTakesTheHead)
{
    ImageHead head = templateHead(IMGID_BSQD, PIXEL_USHORT, 2, 3);
    snprintf(head.file, sizeof head.file, "%s", path("raw.bsq").c_str());
    int err = -1;
    RAMIMG *image = openRAMImageNew(&head, NULL, 0, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    EXPECT_EQ(image->head.imgid, IMGID_BSQD);
    EXPECT_EQ(image->dataOffset, 0);
    EXPECT_EQ(readFile(path("raw.bsq")).size(), 12u);
}

/* ---- Refused geometry ------------------------------------------------------------ */

struct BadHead {
    const char *what;
    int imgid, pixel, rows, columns, nbands, offset;
    int memoryCode, fileCode;   /* memoryCode -1: not tried in memory */
    int bits;                   /* 0: the pixel type's */
};

TEST_F(RamImage, HeadsNoCacheCanHoldAreRefused)
{
    const BadHead cases[] = {
        {"no rows", IMGID_BSQ, PIXEL_BYTE, 0, 4, 1, 0, 1, 8},
        {"negative columns", IMGID_BSQ, PIXEL_BYTE, 4, -4, 1, 0, 1, 8},
        {"no bands", IMGID_BIL, PIXEL_BYTE, 4, 4, 0, 0, 1, 8},
        {"slot ids beyond int", IMGID_BIL, PIXEL_BYTE, 65536, 1, 65536, 0, 1, 8},
        {"row beyond int", IMGID_BSQ, PIXEL_FLOAT, 1, INT_MAX, 1, 0, 1, 8},
        {"pixel type 10", IMGID_BSQ, 10, 4, 4, 1, 0, 1, 8},
        {"imgid 31", 31, PIXEL_BYTE, 4, 4, 1, 0, 2, 2},
        {"negative offset", IMGID_BSQ, PIXEL_BYTE, 4, 4, 1, -1, 0, 8},
        {"MBSQ file", IMGID_MBSQ, PIXEL_BYTE, 4, 4, 1, 0, 0, 8},
        {"MRGB24 with 4 bands", IMGID_MRGB24, PIXEL_BYTE, 4, 4, 4, 0, 1, 8},
        {"MRGB32 of bits", IMGID_MRGB32, PIXEL_1BIT, 4, 4, 4, 0, 1, 8},
        {"interleaved row beyond int", IMGID_BIP, PIXEL_BYTE, 1, 1 << 20, 1 << 11, 0, -1, 8},
        {"row bits beyond 64 bits", IMGID_BIP, PIXEL_BYTE, 1, 1 << 30, 1 << 21, 0, -1, 8,
         INT_MAX},
    };
    ASSERT_TRUE(writeFile(path("any.img"), rampBytes(64)));
    for (const BadHead &c : cases) {
        SCOPED_TRACE(c.what);
        ImageHead head = templateHead(c.imgid, c.pixel, c.rows, c.columns, c.nbands);
        head.offset = c.offset;
        head.block = 0;
        if (c.bits != 0) {
            head.bits = c.bits;
        }
        int err = -1;
        if (c.memoryCode >= 0) {
            RAMIMG *memory = createRamImage(&head, NULL, &err);
            if (c.memoryCode != 0) {
                EXPECT_EQ(memory, nullptr);
                EXPECT_EQ(err, c.memoryCode);
            }
            freeRamImage(memory);
        }
        err = -1;
        EXPECT_EQ(openRamImageFile(path("any.img").c_str(), &head, NULL, &err), nullptr);
        EXPECT_EQ(err, c.fileCode);
    }
}

TEST_F(RamImage, InterleavedFileRowsMustHoldEveryBand)
{
    ASSERT_TRUE(writeFile(path("bip.img"), rampBytes(64)));
    ImageHead head = templateHead(IMGID_BIPD, PIXEL_BYTE, 2, 4, 3);
    head.block = 4;     /* one band's row only */
    int err = -1;
    EXPECT_EQ(openRamImageFile(path("bip.img").c_str(), &head, NULL, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_EUNHANDLED);

    head.block = 0;     /* shorter than a cached row: chosen for all bands */
    RAMIMG *image = openRamImageFile(path("bip.img").c_str(), &head, NULL, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    EXPECT_EQ(image->head.block, 12);
    EXPECT_EQ(getRAMImageLine(image, 1, 2, 1)[1], 12 + 3 + 2);
    freeRamImage(image);

    ImageHead dib = templateHead(IMGID_DIB, PIXEL_BYTE, 2, 5, 3);
    dib.block = 0;
    image = openRamImageFile(path("bip.img").c_str(), &dib, NULL, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    EXPECT_EQ(image->head.block, 16) << "DIB rows padded to 4 bytes";
    freeRamImage(image);
}

TEST_F(RamImage, FailedRebuildLeavesTheImageAsItWas)
{
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 3, 4);
    RAMIMG *image = openRAMImage("rt_keep", NULL, &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    getRAMImageLine(image, 2, 0, 1)[3] = 42;
    unsigned char *block = image->cacheBlock;

    /* 500 TB: beyond any allocator. */
    ImageHead huge = memoryHead(IMGID_MBIL, PIXEL_BYTE, 1000000, 500000000);
    int err = -1;
    EXPECT_EQ(openRAMImage("rt_keep", NULL, &huge, NULL, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_ENOMEM);
    EXPECT_EQ(getRAMImageByTag("rt_keep"), image);
    EXPECT_EQ(image->cacheBlock, block);
    EXPECT_EQ(image->head.rows, 3);
    EXPECT_EQ(image->refCount, 1);
    EXPECT_EQ(ramRow(image, 2, 0, 1)[3], 42);

    err = -1;
    EXPECT_EQ(reopenRamImage(path("missing.img").c_str(), NULL, image, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_EOPEN);
    EXPECT_EQ(ramRow(image, 2, 0, 1)[3], 42);
}

TEST_F(RamImage, ReopenRebuildsMemoryFromTheHeadAndFilesFromTheFile)
{
    EXPECT_EQ(reopenRamImage("x", NULL, NULL, NULL), nullptr);
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 3, 4);
    RAMIMG *image = openRAMImage("rt_reopen", NULL, &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    head.rows = 5;
    int err = -1;
    EXPECT_EQ(reopenRamImage(NULL, &head, image, &err), image);
    EXPECT_EQ(image->head.rows, 5);
    EXPECT_EQ(image->fd, -1);

    imagedefFile("reopened.img", IMGID_BSQ, PIXEL_BYTE, 2, 7);
    EXPECT_EQ(reopenRamImage(path("reopened.img").c_str(), NULL, image, &err), image)
        << ramImageErrorText(err);
    EXPECT_GE(image->fd, 0);
    EXPECT_EQ(image->head.columns, 7);
    EXPECT_STREQ(image->tag, "rt_reopen");
}

TEST_F(RamImage, AttachedBufferReplacesTheFile)
{
    imagedefFile("buffered.img", IMGID_BSQ, PIXEL_BYTE, 2, 4);
    RAMIMG *image = openRAMImage("rt_buf", path("buffered.img").c_str(), NULL, NULL, NULL);
    ASSERT_NE(image, nullptr);
    storeByte(image, 1, 0, 2, 0x77);
    unsigned char *buffer = (unsigned char *)gmemAlloc(16);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(attachRamImageBuffer(image, buffer, 16), 1);
    EXPECT_EQ(image->fd, -1);
    EXPECT_EQ(image->extBuffer, buffer);
    EXPECT_EQ(image->extSize, 16u);
    EXPECT_EQ(image->rowsPerBand, 2);
    for (int slot = 0; slot < image->slots; slot++) {
        EXPECT_EQ(image->rowIds[slot], -1);
    }
    EXPECT_EQ(readFile(path("buffered.img"))[1152 + 4 + 2], 0x77) << "changed rows written first";
}

TEST_F(RamImage, FailedWriteBackIsReportedWhenClosing)
{
    ImageHead head = templateHead(IMGID_BSQ, PIXEL_BYTE, 2, 4);
    RAMIMG *image = openRAMImage("rt_full", "/dev/full", &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    storeByte(image, 0, 0, 0, 1);
    unsigned long lost = ramImageLostWriteBacks();
    EXPECT_EQ(closeRAMImage(image, NULL), 0);
    EXPECT_EQ(stderrText(), "Error in writing RAMIMG rt_full: /dev/full\n");
    EXPECT_EQ(ramImageLostWriteBacks(), lost + 1);
}

}  // namespace
