/*
 * daytime_client.cpp --
 *
 *	The daytime query over POSIX sockets. The socket is non-blocking and
 *	the wait is one select with the time-out, so a server that never
 *	answers costs at most the time-out.
 */
#include "platform/daytime_client.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <climits>

#include "ovex/ovexstdio.h"

static int timeoutSeconds = 1;
static int timeoutMicroseconds = 0;

double getTimeServerTimeout(void)
{
    return timeoutSeconds + timeoutMicroseconds * 0.000001;
}

void setTimeServerTimeoutParts(int seconds, int microseconds)
{
    timeoutSeconds = seconds;
    timeoutMicroseconds = microseconds;
}

/* Milliseconds on the monotonic clock: differences are the elapsed time. */
static double tickMilliseconds(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1000000.0;
}

/*
 * waitReadable --
 *	Waits until fd is readable, at most until deadline (tick
 *	milliseconds); a signal does not lengthen the wait.
 * Returns: 1 when readable, 0 on time-out or error.
 */
static int waitReadable(int fd, double deadline)
{
    if (fd >= FD_SETSIZE) {
        return 0;
    }
    struct timeval wait;
    wait.tv_sec = timeoutSeconds;
    wait.tv_usec = timeoutMicroseconds;
    for (;;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        int count = select(fd + 1, &readable, NULL, NULL, &wait);
        if (count > 0) {
            return 1;
        }
        if (count == 0 || errno != EINTR) {
            return 0;
        }
        double remaining = deadline - tickMilliseconds();
        if (remaining <= 0.0) {
            return 0;
        }
        wait.tv_sec = (time_t)(remaining / 1000.0);
        wait.tv_usec = (suseconds_t)((remaining - wait.tv_sec * 1000.0) * 1000.0);
    }
}

/*
 * exchangeLine --
 *	Connects fd to server and reads the reply once.
 * Returns: 1 with a non-empty terminated reply, else 0.
 */
static int exchangeLine(int fd, const struct sockaddr_in *server, char *reply, double start)
{
    int noDelay = 1;
    (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        return 0;
    }
    if (connect(fd, (const struct sockaddr *)server, sizeof(*server)) < 0
        && errno != EINPROGRESS && errno != EINTR) {
        return 0;
    }
    double deadline = start + timeoutSeconds * 1000.0 + timeoutMicroseconds / 1000.0;
    if (!waitReadable(fd, deadline)) {
        return 0;
    }
    /* A refused connection also wakes select; recv then fails. A server
     * that closes without a word has not answered either. */
    ssize_t count = recv(fd, reply, DAYTIME_REPLY_MAX, 0);
    if (count <= 0) {
        return 0;
    }
    reply[count] = '\0';
    return 1;
}

/*
 * queryTimeServer --
 * Returns: 1 when the server at address sent a line within the time-out,
 *	else 0.
 * Changes: reply (always terminated), *elapsed (milliseconds taken).
 */
int queryTimeServer(char *reply, const char *address, double *elapsed)
{
    double start = tickMilliseconds();
    int ok = 0;
    reply[0] = '\0';

    struct sockaddr_in server;
    memset(&server, 0, sizeof(server));
    server.sin_family = AF_INET;
    server.sin_port = htons(DAYTIME_PORT);
    if (address != NULL && inet_pton(AF_INET, address, &server.sin_addr) == 1) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            ovex_fprintf(stderr, "%s\n", strerror(errno));
        } else {
            ok = exchangeLine(fd, &server, reply, start);
            close(fd);
        }
    }
    if (!ok) {
        reply[0] = '\0';
    }
    if (elapsed != NULL) {
        *elapsed = tickMilliseconds() - start;
    }
    return ok;
}
