/*
 * file_extent.cpp --
 *
 *	Header sizes measured against the file before anything is allocated
 *	or read from them.
 */
#include "ramimage/formats/file_extent.h"

#include <cstddef>
#include <sys/stat.h>

int64_t regularFileSize(int fd, bool *known)
{
    struct stat info;
    bool ok = fstat(fd, &info) == 0;
    if (known != NULL) {
        *known = ok;
    }
    if (!ok || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return (int64_t)info.st_size;
}

bool areaFitsFile(int fd, int64_t offset, int64_t rowBytes, int64_t rowCount)
{
    if (offset < 0 || rowBytes < 0 || rowCount < 0) {
        return false;
    }
    if (rowBytes > 0 && rowCount > (INT64_MAX - offset) / rowBytes) {
        return false;
    }
    int64_t end = offset + rowBytes * rowCount;
    bool known = false;
    int64_t size = regularFileSize(fd, &known);
    if (!known) {
        return false;
    }
    return size < 0 || end <= size;
}
