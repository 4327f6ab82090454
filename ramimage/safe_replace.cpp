#include "ramimage/safe_replace.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

/* The process's file-creation mask: set and put back at once, as POSIX
 * offers no way to read it alone. */
static mode_t currentUmask(void)
{
    mode_t mask = umask(022);
    umask(mask);
    return mask;
}

int replaceFileSafely(const char *path, SafeReplaceWriter *writer, void *clientData)
{
    if (path == NULL || *path == '\0' || writer == NULL) {
        errno = EINVAL;
        return 0;
    }
    std::string temp = std::string(path) + ".XXXXXX";
    int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    struct stat old;
    mode_t mode = (stat(path, &old) == 0) ? (old.st_mode & 07777) : 0666 & ~currentUmask();
    bool ok = fchmod(fd, mode) == 0 && writer(fd, clientData) && fsync(fd) == 0;
    int saved = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && rename(temp.c_str(), path) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        errno = saved;
        return 0;
    }
    return 1;
}

int reopenReplacedFile(const char *path, int *fd)
{
    if (fd == NULL || *fd < 0) {
        return 1;
    }
    int fresh = open(path, O_RDWR | O_CLOEXEC);
    if (fresh < 0) {
        fresh = open(path, O_RDONLY | O_CLOEXEC);
    }
    if (fresh < 0) {
        return 0;
    }
    close(*fd);
    *fd = fresh;
    return 1;
}
