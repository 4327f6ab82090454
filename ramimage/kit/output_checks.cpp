/*
 * output_checks.cpp --
 *
 *	Checks made before a program writes its output.
 */
#include "core/native_path.h"
#include "ramimage/kit/output_checks.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

int progOutputFileAllowed(const char *path, const char *const *magics)
{
    struct stat info;
    if (path == NULL || lstat(path, &info) != 0) {
        return 1;
    }
    /* Devices and pipes are written through, not replaced. */
    if (stat(nativePath(path).c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        return 1;
    }
    int fits = 0;
    if (stat(nativePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        int fd = open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            char head[32];
            ssize_t got = pread(fd, head, sizeof head, 0);
            close(fd);
            for (int k = 0; magics != NULL && magics[k] != NULL && !fits; k++) {
                size_t n = strlen(magics[k]);
                fits = got >= (ssize_t)n && memcmp(head, magics[k], n) == 0;
            }
        }
    }
    if (!fits) {
        ovex_fprintf(stderr, "%s: File already exists\n", path);
    }
    return fits;
}

/* Device and inode of an image's file; 0 for a memory image or a file
 * that cannot be seen. */
static int imageFileId(const RAMIMG *image, struct stat *info)
{
    if ((image->head.imgid >= IMGID_MBSQ && image->head.imgid <= IMGID_MRGB1) || image->head.file[0] == '\0') {
        return 0;
    }
    return stat(nativePath(image->head.file).c_str(), info) == 0;
}

int progSameImage(const RAMIMG *a, const RAMIMG *b)
{
    if (a == NULL || b == NULL) {
        return 0;
    }
    if (a == b) {
        return 1;
    }
    struct stat ia, ib;
    return imageFileId(a, &ia) && imageFileId(b, &ib) && ia.st_dev == ib.st_dev
           && ia.st_ino == ib.st_ino;
}

int progOutputIsInput(const RAMIMG *in, const RAMIMG *out, const char *word)
{
    if (!progSameImage(in, out)) {
        return 0;
    }
    ovex_fprintf(stderr, "%s: the output is the input image\n", word != NULL ? word : "");
    return 1;
}

int progNameFits(const char *word)
{
    size_t length = word != NULL ? strlen(word) : 0;
    if (length < RAMIMG_NAME_SIZE) {
        return 1;
    }
    ovex_fprintf(stderr, "%s: name too long (%d characters, at most %d)\n", word,
                 (int)length, RAMIMG_NAME_SIZE - 1);
    return 0;
}
