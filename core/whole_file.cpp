/*
 * whole_file.cpp --
 *
 *	Writing a whole buffer as the new contents of a file.
 */
#include "core/whole_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

/* 1 when all count bytes were written, else 0 with errno set. */
static int writeFully(int fd, const unsigned char *bytes, size_t count)
{
    while (count > 0) {
        ssize_t written = write(fd, bytes, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC;
            }
            return 0;
        }
        bytes += written;
        count -= (size_t)written;
    }
    return 1;
}

int writeNewFile(const char *path, const void *bytes, size_t count)
{
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return WHOLE_FILE_OPEN_FAILED;
    }
    int ok = writeFully(fd, (const unsigned char *)bytes, count);
    int savedErrno = errno;
    if (close(fd) != 0 && ok) {
        return WHOLE_FILE_WRITE_FAILED;     /* errno from close */
    }
    if (!ok) {
        errno = savedErrno;
        return WHOLE_FILE_WRITE_FAILED;
    }
    return WHOLE_FILE_WRITTEN;
}
