/*
 * exported_interface_test.cpp --
 *
 *	The RAM-image functions exported to modules: each reaches the core,
 *	error pointers may be NULL, and row access refuses indexes outside
 *	the image.
 */
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "registry_fixtures.h"

using namespace registry_fixtures;

namespace {

class ExportedInterface : public RegistryTest {};

int notified = 0;
void countChange(void *) { notified++; }
int rectArea = 0;
void noteRect(void *, int, int, int width, int height) { rectArea = width * height; }

TEST_F(ExportedInterface, OpenWorksWithoutAnErrorPointer)
{
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 2, 3);
    RAMIMG *image = ovex_openRAMImage("rt_module", NULL, &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->refCount, 1);
    EXPECT_EQ(ovex_getRAMImageByTag("rt_module"), image);
    EXPECT_EQ(ovex_openRAMImage(NULL, NULL, NULL, NULL, NULL), nullptr);
    EXPECT_EQ(ovex_openRAMImage(NULL, path("absent.img").c_str(), NULL, NULL, NULL), nullptr);
}

TEST_F(ExportedInterface, CloseWithTheOpeningClientDetachesAndFrees)
{
    RamImageClient client = {countChange, countChange, noteRect, 7, nullptr, nullptr};
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 2, 3);
    int err = -1;
    RAMIMG *image = ovex_openRAMImage("rt_client", NULL, &head, &client, &err);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(image->clients, &client);

    notified = 0;
    ovex_updateClient(image, 0, 3);
    EXPECT_EQ(notified, 2);
    ovex_updateClient(image, 7, 3);
    EXPECT_EQ(notified, 2) << "the sender is not called back";
    rectArea = 0;
    ovex_updateClientRect(image, 0, 1, 1, 4, 5);
    EXPECT_EQ(rectArea, 20);

    EXPECT_EQ(ovex_closeRAMImage(image, &client), 0);
    EXPECT_EQ(ovex_getRAMImageByTag("rt_client"), nullptr);
    EXPECT_EQ(client.next, nullptr);
}

TEST_F(ExportedInterface, NewImageAndLookUpByName)
{
    ImageHead head = templateHead(IMGID_BSQ, PIXEL_BYTE, 2, 2);
    head.offset = 1152;
    snprintf(head.file, sizeof head.file, "%s", path("module.img").c_str());
    int err = -1;
    RAMIMG *image = ovex_openRAMImageNew(&head, NULL, 0, &err);
    ASSERT_NE(image, nullptr) << ramImageErrorText(err);
    EXPECT_EQ(ovex_getRAMImageByName(path("module.img").c_str()), image);
    EXPECT_EQ(ovex_openRAMImageNew(&head, NULL, 0, &err), nullptr);
    EXPECT_EQ(err, RAMIMG_EEXISTS);
    EXPECT_EQ(ovex_attrRAMImage(image, 5), 0u);
    EXPECT_EQ(ovex_attrRAMImage(image, 0), 5u);
    EXPECT_EQ(ovex_closeRAMImage(image, NULL), 0);
}

TEST_F(ExportedInterface, RowAccessRefusesRowsAndBandsOutsideTheImage)
{
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 3, 4, 2);
    RAMIMG *image = ovex_openRAMImage("rt_rows", NULL, &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    struct Case {
        int row, band;
    } outside[] = {{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {INT_MAX, 0}, {0, INT_MIN}};
    for (const Case &c : outside) {
        EXPECT_EQ(ovex_getRAMImageLine(image, c.row, c.band, 1), nullptr) << c.row << " " << c.band;
    }
    EXPECT_EQ(ovex_getRAMImageLine(NULL, 0, 0, 1), nullptr);
    unsigned char *line = ovex_getRAMImageLine(image, 2, 1, 1);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line, getRAMImageLine(image, 2, 1, 1));
}

TEST_F(ExportedInterface, RowAccessOfPackedImagesGivesASlotNotThePackedRow)
{
    ImageHead head = memoryHead(IMGID_MRGB8, PIXEL_BYTE, 2, 8);
    RAMIMG *image = ovex_openRAMImage("rt_packed", NULL, &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    unsigned char *slots = image->cacheBlock;
    unsigned char *slotsEnd = slots + (size_t)image->slots * image->rowBytes;
    unsigned char *line = ovex_getRAMImageLine(image, 1, 0, 1);
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line >= slots && line < slotsEnd);
    unsigned char *packed = image->rowLoader(image, 1, 0, 1);
    EXPECT_TRUE(packed >= slotsEnd) << "the image's own loader hands out the packed row";
}

TEST_F(ExportedInterface, StoresUnsignedShortsThroughThePixelWriter)
{
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_USHORT, 2, 4);
    RAMIMG *image = ovex_openRAMImage("rt_ushort", NULL, &head, NULL, NULL);
    ASSERT_NE(image, nullptr);
    const uint16_t values[3] = {1, 0x1234, 65535};
    EXPECT_EQ(ovex_putUSHORTBILData(image, 1, 1, 3, 0, values), 3);
    const uint16_t *row = (const uint16_t *)ovex_getRAMImageLine(image, 1, 0, 1);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row[0], 0);
    EXPECT_EQ(row[1], 1);
    EXPECT_EQ(row[2], 0x1234);
    EXPECT_EQ(row[3], 65535);
}

TEST(ExportedInterfacePlain, HostIsLeastSignificantByteFirst)
{
    EXPECT_EQ(ovex_msbFirst(), 0);
}

}  // namespace
