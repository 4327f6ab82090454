/*
 * notice_counter.h --
 *
 *	A client that counts the configuration and data notices of the one
 *	image it watches, detached again by its destructor.
 */
#ifndef OVEX_TESTS_PROGRAMS_NOTICE_COUNTER_H
#define OVEX_TESTS_PROGRAMS_NOTICE_COUNTER_H

#include "ramimage/ramimg.h"

struct NoticeCounter {
    int config = 0;
    int data = 0;
    RamImageClient client = {};

    void watch(RAMIMG *image)
    {
        client.configChanged = [](void *self) { ((NoticeCounter *)self)->config++; };
        client.dataChanged = [](void *self) { ((NoticeCounter *)self)->data++; };
        client.clientData = this;
        client.id = 7;
        addRamImageClient(&client, image);
    }

    ~NoticeCounter()
    {
        if (client.configChanged != NULL) {
            detachRamImageClient(&client);
        }
    }
};

#endif /* OVEX_TESTS_PROGRAMS_NOTICE_COUNTER_H */
