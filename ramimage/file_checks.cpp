/*
 * file_checks.cpp --
 *
 *	Existence and free-space queries on paths.
 */
#include "core/native_path.h"
#include "ramimage/file_checks.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include "ovex/ovexstdio.h"

/*
 * fileExists --
 *	Returns 0 when something stands at path, -1 otherwise. lstat, so that
 *	a dangling link counts: creating "a new file" through it would write
 *	wherever it points.
 */
int fileExists(const char *path)
{
    struct stat info;
    if (path == NULL || path[0] == '\0') {
        return -1;
    }
    return (lstat(nativePath(path).c_str(), &info) == 0) ? 0 : -1;
}

/*
 * folderOf --
 *	The folder part of path: everything before its last "/", "/" for a
 *	name right under the root, "." for a bare name.
 */
static std::string folderOf(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

/*
 * diskFreeBytes --
 *	Returns the bytes available on the file system of path (of its folder
 *	when path does not exist yet), or -1.0 after printing the failure.
 */
double diskFreeBytes(const char *path)
{
    std::string target = (path == NULL || path[0] == '\0') ? std::string(".") : std::string(path);
    struct stat info;
    if (stat(nativePath(target.c_str()).c_str(), &info) != 0) {
        target = folderOf(target);
    }
    struct statvfs figures;
    if (statvfs(target.c_str(), &figures) != 0) {
        ovex_fprintf(stderr, "Error in getdfree() call\n");
        return -1.0;
    }
    uint64_t available = (uint64_t)figures.f_bavail * (uint64_t)figures.f_frsize;
    return (double)available;
}

/*
 * driveFreeBytes --
 *	The current drive is the current folder's file system; numbered
 *	drives do not exist here.
 */
double driveFreeBytes(int drive)
{
    if (drive < 0) {
        return diskFreeBytes(NULL);
    }
    ovex_fprintf(stderr, "Error in getdfree() call\n");
    return -1.0;
}
