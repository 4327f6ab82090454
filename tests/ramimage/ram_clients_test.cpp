/*
 * ram_clients_test.cpp --
 *
 *	Client records of RAM images: attaching, moving, detaching, the
 *	references they hold, notification order and exclusion, and closes
 *	made by a client while it is being told of a change.
 */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry_fixtures.h"

using namespace registry_fixtures;

namespace {

class RamClients : public RegistryTest {
protected:
    RAMIMG *memoryImage(const char *tag)
    {
        ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 2, 2);
        return openRAMImage(tag, NULL, &head, NULL, NULL);
    }
};

/* A client that writes what it is told into the log under its name. */
struct Recorder {
    RamImageClient client;
    std::string name;
    RAMIMG *image = nullptr;
    bool closeOnConfig = false;   /* closes the image with its own record */

    Recorder(const char *name_, intptr_t id, bool withRect = true) : name(name_)
    {
        client.configChanged = config;
        client.dataChanged = data;
        client.rectChanged = withRect ? rect : nullptr;
        client.id = id;
        client.clientData = this;
        client.next = nullptr;
    }
    static void config(void *data)
    {
        Recorder *self = static_cast<Recorder *>(data);
        calls().push_back("config " + self->name);
        if (self->closeOnConfig) {
            closeRAMImage(self->image, &self->client);
            /* Still readable: the notification holds the image. */
            calls().push_back("rows " + std::to_string(self->image->head.rows));
        }
    }
    static void data(void *data)
    {
        calls().push_back("data " + static_cast<Recorder *>(data)->name);
    }
    static void rect(void *data, int x, int y, int w, int h)
    {
        calls().push_back("rect " + static_cast<Recorder *>(data)->name + " "
                                   + std::to_string(x) + " " + std::to_string(y) + " "
                                   + std::to_string(w) + " " + std::to_string(h));
    }
    static std::vector<std::string> &calls();
};

std::vector<std::string> &Recorder::calls()
{
    static std::vector<std::string> calls;
    return calls;
}

typedef std::vector<std::string> Log;

TEST_F(RamClients, AttachGivesTheOpenersReferenceToTheClient)
{
    Recorder viewer("v", 1);
    EXPECT_EQ(addRamImageClient(NULL, memoryImage("rt_a")), 0);
    RAMIMG *image = getRAMImageByTag("rt_a");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->refCount, 1);
    EXPECT_EQ(addRamImageClient(&viewer.client, image), 1);
    EXPECT_EQ(image->refCount, 0);
    EXPECT_EQ(image->clients, &viewer.client);
    EXPECT_EQ(addRamImageClient(&viewer.client, image), 1) << "already attached";
    EXPECT_EQ(image->refCount, 0) << "nothing changes the second time";
    EXPECT_EQ(viewer.client.next, nullptr);
}

TEST_F(RamClients, AttachingToAnotherImageMovesTheClient)
{
    Recorder viewer("v", 1);
    RAMIMG *first = memoryImage("rt_first");
    RAMIMG *second = memoryImage("rt_second");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    addRamImageClient(&viewer.client, first);
    EXPECT_EQ(addRamImageClient(&viewer.client, second), 1);
    EXPECT_EQ(first->clients, nullptr);
    EXPECT_EQ(second->clients, &viewer.client);
    EXPECT_EQ(first->refCount, 0);
    EXPECT_EQ(second->refCount, 0);
    EXPECT_EQ(detachRamImageClient(&viewer.client), second);
    EXPECT_EQ(detachRamImageClient(&viewer.client), nullptr);
    EXPECT_EQ(detachRamImageClient(NULL), nullptr);
}

TEST_F(RamClients, RemoveReportsWhetherTheClientWasThere)
{
    Recorder a("a", 1), b("b", 2);
    RAMIMG *image = memoryImage("rt_remove");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(removeRamImageClient(&a.client, image), 0) << "empty list";
    addRamImageClient(&a.client, image);
    addRamImageClient(&b.client, image);
    EXPECT_EQ(image->clients, &b.client) << "most recently attached first";
    EXPECT_EQ(removeRamImageClient(&a.client, image), 1);
    EXPECT_EQ(removeRamImageClient(&a.client, image), 0);
    EXPECT_EQ(removeRamImageClient(NULL, image), 0);
    EXPECT_EQ(image->clients, &b.client);
    EXPECT_EQ(b.client.next, nullptr);
}

TEST_F(RamClients, UpdateSkipsTheSenderAndCallsConfigBeforeData)
{
    Recorder one("1", 1), two("2", 2), three("3", 3);
    RAMIMG *image = memoryImage("rt_update");
    ASSERT_NE(image, nullptr);
    addRamImageClient(&one.client, image);
    addRamImageClient(&two.client, image);
    addRamImageClient(&three.client, image);
    two.client.dataChanged = nullptr;

    Log &calls = Recorder::calls();
    calls.clear();
    updateClient(image, 2, 3);
    EXPECT_EQ(calls, (Log{"config 3", "data 3", "config 1", "data 1"}));
    calls.clear();
    updateClient(image, 99, 3);
    EXPECT_EQ(calls, (Log{"config 3", "data 3", "config 2", "config 1", "data 1"}));
    calls.clear();
    updateClient(image, 99, RAMIMG_NOTIFY_DATA);
    EXPECT_EQ(calls, (Log{"data 3", "data 1"}));
    calls.clear();
    updateClient(image, 3, RAMIMG_NOTIFY_CONFIG);
    EXPECT_EQ(calls, (Log{"config 2", "config 1"}));
    calls.clear();
    updateClient(image, 99, 0);
    updateClient(NULL, 0, 3);
    EXPECT_TRUE(calls.empty());
}

TEST_F(RamClients, RectangleGoesToEveryOtherClientThatTakesIt)
{
    Recorder one("1", 1), two("2", 2, false), three("3", 3);
    RAMIMG *image = memoryImage("rt_rect");
    ASSERT_NE(image, nullptr);
    addRamImageClient(&one.client, image);
    addRamImageClient(&two.client, image);
    addRamImageClient(&three.client, image);
    Log &calls = Recorder::calls();
    calls.clear();
    updateClientRect(image, 3, 4, 5, 6, 7);
    EXPECT_EQ(calls, (Log{"rect 1 4 5 6 7"}));
    calls.clear();
    updateClientRect(image, 0, 0, 0, 1, 1);
    EXPECT_EQ(calls, (Log{"rect 3 0 0 1 1", "rect 1 0 0 1 1"}));
}

TEST_F(RamClients, OpenWithAClientAndCloseWithItFreesTheImage)
{
    Recorder viewer("v", 1);
    ImageHead head = memoryHead(IMGID_MBIL, PIXEL_BYTE, 2, 2);
    RAMIMG *image = openRAMImage("rt_viewed", NULL, &head, &viewer.client, NULL);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->refCount, 0);
    EXPECT_EQ(image->clients, &viewer.client);
    RAMIMG *again = openRAMImage("rt_viewed", NULL, NULL, NULL, NULL);
    EXPECT_EQ(again, image);
    EXPECT_EQ(closeRAMImage(image, &viewer.client), 1) << "the plain open still holds it";
    EXPECT_EQ(image->refCount, 1) << "detaching gives no reference back";
    EXPECT_EQ(closeRAMImage(image, NULL), 0);
    EXPECT_EQ(getRAMImageByTag("rt_viewed"), nullptr);
}

TEST_F(RamClients, ClientClosingTheImageDuringNotificationDefersTheFree)
{
    Recorder viewer("v", 1);
    RAMIMG *image = memoryImage("rt_closing");
    ASSERT_NE(image, nullptr);
    addRamImageClient(&viewer.client, image);   /* the client now holds it alone */
    viewer.image = image;
    viewer.closeOnConfig = true;
    Log &calls = Recorder::calls();
    calls.clear();
    updateClient(image, 0, 3);
    EXPECT_EQ(calls, (Log{"config v", "rows 2"})) << "no data call after the client left";
    EXPECT_EQ(getRAMImageByTag("rt_closing"), nullptr) << "freed once the notification ended";
}

TEST_F(RamClients, ClientClosingDuringNotificationLeavesTheOthersCalled)
{
    Recorder stays("stays", 1), leaves("leaves", 2);
    RAMIMG *image = memoryImage("rt_shared");
    ASSERT_NE(image, nullptr);
    addRamImageClient(&stays.client, image);
    addRamImageClient(&leaves.client, image);
    leaves.image = image;
    leaves.closeOnConfig = true;
    Log &calls = Recorder::calls();
    calls.clear();
    updateClient(image, 0, 3);
    EXPECT_EQ(calls, (Log{"config leaves", "rows 2", "config stays", "data stays"}));
    EXPECT_EQ(getRAMImageByTag("rt_shared"), image);
    EXPECT_EQ(image->clients, &stays.client);
    EXPECT_EQ(closeRAMImage(image, &stays.client), 0);
    EXPECT_EQ(getRAMImageByTag("rt_shared"), nullptr);
}

}  // namespace
