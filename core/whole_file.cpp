/*
 * whole_file.cpp --
 *
 *	Writing a whole buffer as the new contents of a file, through a
 *	replacement that leaves the old file whole when the write fails.
 */
#include "core/whole_file.h"

#include <cerrno>
#include <unistd.h>

#include "core/safe_replace.h"

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
    FileReplacement file;
    if (!file.open(path)) {
        return WHOLE_FILE_OPEN_FAILED;
    }
    if (!writeFully(file.fd(), (const unsigned char *)bytes, count)) {
        int savedErrno = errno;
        file.abandon();
        errno = savedErrno;
        return WHOLE_FILE_WRITE_FAILED;
    }
    return file.commit() ? WHOLE_FILE_WRITTEN : WHOLE_FILE_WRITE_FAILED;
}
