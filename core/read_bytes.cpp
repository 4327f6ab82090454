/*
 * read_bytes.cpp --
 *
 *	Reading a known number of bytes from a descriptor.
 */
#include "core/read_bytes.h"

#include <errno.h>
#include <unistd.h>

ssize_t readUpTo(int fd, void *bytes, size_t count)
{
    unsigned char *at = (unsigned char *)bytes;
    size_t done = 0;
    while (done < count) {
        ssize_t got = read(fd, at + done, count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += (size_t)got;
    }
    return (ssize_t)done;
}

int readExactly(int fd, void *bytes, size_t count)
{
    return readUpTo(fd, bytes, count) == (ssize_t)count;
}
