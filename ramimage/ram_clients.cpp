/*
 * ram_clients.cpp --
 *
 *	Client records of RAM images: attaching (the client then holds the
 *	image in place of its opener's reference), detaching, and telling the
 *	clients that an image's configuration, data or a rectangle changed.
 *
 *	A client procedure may close the image it is told about. The image is
 *	therefore held for the whole notification: a close that would free it
 *	only unlinks it, and the loop frees it when it returns.
 */
#include "ramimage/ramimg.h"
#include "ramimage/ram_lifetime.h"

#include <stddef.h>

/* One running notification of an image; the innermost is first. */
struct NotifyHold {
    RAMIMG *image;
    int discardPending;     /* a close released the image during the loop */
    NotifyHold *outer;
};

static NotifyHold *notifyHolds = NULL;

/*
 * deferRamImageFree --
 *	1 when a notification of image is running: every such loop is told to
 *	discard the image, and the outermost one does. 0 when none runs.
 */
int deferRamImageFree(RAMIMG *image)
{
    int held = 0;
    for (NotifyHold *hold = notifyHolds; hold != NULL; hold = hold->outer) {
        if (hold->image == image) {
            hold->discardPending = 1;
            held = 1;
        }
    }
    return held;
}

static void beginHold(NotifyHold *hold, RAMIMG *image)
{
    hold->image = image;
    hold->discardPending = 0;
    hold->outer = notifyHolds;
    notifyHolds = hold;
}

/*
 * endHold --
 *	Ends a notification loop; discards the image when a close released it
 *	during the loop and no outer loop of the same image still runs.
 */
static void endHold(NotifyHold *hold)
{
    notifyHolds = hold->outer;
    if (!hold->discardPending) {
        return;
    }
    for (NotifyHold *outer = notifyHolds; outer != NULL; outer = outer->outer) {
        if (outer->image == hold->image) {
            return;
        }
    }
    discardRamImage(hold->image);
}

static int isAttached(const RamImageClient *client, const RAMIMG *image)
{
    for (const RamImageClient *c = image->clients; c != NULL; c = c->next) {
        if (c == client) {
            return 1;
        }
    }
    return 0;
}

/*
 * addRamImageClient --
 *	Attaches client first to image's client list, taking it from any
 *	other image first; the client then holds the image instead of the
 *	opener's reference (refCount goes down by one). Returns 1, also when
 *	the client was attached already (nothing changes then); 0 for a NULL
 *	client or image.
 */
int addRamImageClient(RamImageClient *client, RAMIMG *image)
{
    if (client == NULL || image == NULL) {
        return 0;
    }
    if (isAttached(client, image)) {
        return 1;
    }
    detachRamImageClient(client);
    client->next = image->clients;
    image->clients = client;
    image->refCount--;
    return 1;
}

/*
 * removeRamImageClient --
 *	Unlinks client from image's client list. 1 when it was there, else 0.
 */
int removeRamImageClient(RamImageClient *client, RAMIMG *image)
{
    if (client == NULL || image == NULL) {
        return 0;
    }
    for (RamImageClient **link = &image->clients; *link != NULL; link = &(*link)->next) {
        if (*link == client) {
            *link = client->next;
            client->next = NULL;
            return 1;
        }
    }
    return 0;
}

/*
 * detachRamImageClient --
 *	Removes client from the first image in list order that holds it and
 *	returns that image; NULL when no image holds it.
 */
RAMIMG *detachRamImageClient(RamImageClient *client)
{
    if (client == NULL) {
        return NULL;
    }
    for (RAMIMG *image = ramImageListHead(); image != NULL; image = image->next) {
        if (removeRamImageClient(client, image)) {
            return image;
        }
    }
    return NULL;
}

/*
 * updateClient --
 *	Tells every client of image whose id is not excludedId, in list order,
 *	that its configuration (mask bit 0) and then its data (mask bit 1)
 *	changed. A client that leaves the image during the loop is not called
 *	again; the loop stops once the rest of the list is no longer the
 *	image's or the image was released.
 */
void updateClient(RAMIMG *image, intptr_t excludedId, int mask)
{
    if (image == NULL || image->clients == NULL) {
        return;
    }
    NotifyHold hold;
    beginHold(&hold, image);
    RamImageClient *client = image->clients;
    while (client != NULL) {
        RamImageClient *next = client->next;
        if (client->id != excludedId) {
            if ((mask & RAMIMG_NOTIFY_CONFIG) && client->configChanged != NULL) {
                client->configChanged(client->clientData);
            }
            if ((mask & RAMIMG_NOTIFY_DATA) && client->dataChanged != NULL
                    && !hold.discardPending && isAttached(client, image)) {
                client->dataChanged(client->clientData);
            }
        }
        if (hold.discardPending || (next != NULL && !isAttached(next, image))) {
            break;
        }
        client = next;
    }
    endHold(&hold);
}

/*
 * updateClientRect --
 *	Tells every client of image whose id is not excludedId and that has a
 *	rectChanged procedure that the rectangle (x, y, width, height)
 *	changed; the same holding rules as updateClient apply.
 */
void updateClientRect(RAMIMG *image, intptr_t excludedId, int x, int y, int width, int height)
{
    if (image == NULL || image->clients == NULL) {
        return;
    }
    NotifyHold hold;
    beginHold(&hold, image);
    RamImageClient *client = image->clients;
    while (client != NULL) {
        RamImageClient *next = client->next;
        if (client->id != excludedId && client->rectChanged != NULL) {
            client->rectChanged(client->clientData, x, y, width, height);
        }
        if (hold.discardPending || (next != NULL && !isAttached(next, image))) {
            break;
        }
        client = next;
    }
    endHold(&hold);
}
