#include "platform/winsock.h"

static int socketsStarted;

/* POSIX sockets need no start-up: the flag only records that the package
 * asked for the network, so that exit stops it once. */
int wsInit(void)
{
    socketsStarted = 1;
    return 0;
}

void wsCleanup(void)
{
    socketsStarted = 0;
}
