/*
 * safe_replace.cpp --
 *
 *	Replacing a file whole through a temporary beside it (see
 *	safe_replace.h).
 */
#include "core/safe_replace.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/native_path.h"

namespace {

/* Links followed before a path counts as a loop, as the kernel does. */
const int MAX_LINK_HOPS = 40;

/* The process's file-creation mask: set and put back at once, as POSIX
 * offers no way to read it alone. */
mode_t currentUmask(void)
{
    mode_t mask = umask(022);
    umask(mask);
    return mask;
}

/*
 * followLinks --
 *	The file a path names once the symbolic links of its last component
 *	are followed (a link to a file not yet there names that file).
 *	Returns 1, or 0 with errno set (ELOOP for a loop).
 */
int followLinks(const char *path, std::string *target)
{
    std::string name = path;
    for (int hop = 0; hop < MAX_LINK_HOPS; hop++) {
        struct stat info;
        if (lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            *target = name;
            return 1;
        }
        std::vector<char> buffer((size_t)(info.st_size > 0 ? info.st_size : 255) + 1);
        ssize_t length = readlink(name.c_str(), buffer.data(), buffer.size());
        if (length < 0) {
            return 0;
        }
        std::string link(buffer.data(), (size_t)length);
        size_t slash = name.rfind('/');
        if (link[0] == '/' || slash == std::string::npos) {
            name = link;
        } else {
            name = name.substr(0, slash + 1) + link;
        }
    }
    errno = ELOOP;
    return 0;
}

/* The folder that holds path ("." for a bare name). */
std::string folderOf(const std::string &path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

/*
 * openUnnamed --
 *	A new file without a name in folder (O_TMPFILE), so that a process
 *	killed before the commit leaves nothing behind; -1 where the file
 *	system or the kernel has no such files.
 */
int openUnnamed(const std::string &folder)
{
#ifdef O_TMPFILE
    return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#else
    (void)folder;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

/* Six characters for a temporary name, from the kernel's random bytes. */
std::string randomSuffix(void)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[6];
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != (ssize_t)sizeof bytes) {
        unsigned long mix = (unsigned long)getpid() * 2654435761UL ^ (unsigned long)time(NULL)
            ^ (unsigned long)clock();
        for (unsigned char &b : bytes) {
            b = (unsigned char)(mix >>= 5);
        }
    }
    std::string suffix;
    for (unsigned char b : bytes) {
        suffix += letters[b % (sizeof letters - 1)];
    }
    return suffix;
}

/*
 * linkUnnamed --
 *	Gives the unnamed file fd a free name beside target (target.XXXXXX)
 *	and stores it in *name. Returns 1, or 0 with errno set.
 */
int linkUnnamed(int fd, const std::string &target, std::string *name)
{
    char proc[64];
    snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string candidate = target + "." + randomSuffix();
        if (linkat(AT_FDCWD, proc, AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0
            || (errno == ENOENT
                && linkat(fd, "", AT_FDCWD, candidate.c_str(), AT_EMPTY_PATH) == 0)) {
            *name = candidate;
            return 1;
        }
        if (errno != EEXIST) {
            return 0;
        }
    }
    errno = EEXIST;
    return 0;
}

/* Renames from over to; 1, or 0 with errno set. */
int renameOver(const std::string &from, const std::string &to)
{
    return rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

FileReplacement::~FileReplacement()
{
    abandon();
}

int FileReplacement::open(const char *path, mode_t newFileMode)
{
    abandon();
    if (path == NULL || *path == '\0') {
        errno = ENOENT;
        return 0;
    }
    if (!followLinks(nativePath(path).c_str(), &target_)) {
        return 0;
    }
    struct stat old;
    targetExisted_ = stat(target_.c_str(), &old) == 0;
    if (targetExisted_ && S_ISDIR(old.st_mode)) {
        errno = EISDIR;
        return 0;
    }
    /* A file its user may not write is not replaced either, as an open
     * for writing would refuse it (EACCES, or EROFS). */
    if (targetExisted_ && faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
        return 0;
    }
    if (targetExisted_ && !S_ISREG(old.st_mode)) {
        /* A device or a pipe takes the bytes as they come. */
        fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        return fd_ >= 0;
    }
    /* The new file has no name until the commit where the file system
     * allows it; elsewhere it is a named temporary beside the target. */
    fd_ = openUnnamed(folderOf(target_));
    unnamed_ = fd_ >= 0;
    if (fd_ < 0) {
        std::string name = target_ + ".XXXXXX";
        fd_ = mkostemp(&name[0], O_CLOEXEC);
        if (fd_ < 0) {
            return 0;
        }
        temp_ = name;
    }
    mode_t mode = targetExisted_ ? (old.st_mode & 07777) : (newFileMode & 07777 & ~currentUmask());
    if (targetExisted_ && (old.st_uid != geteuid() || old.st_gid != getegid())) {
        /* Only a privileged caller may give the file away (others may
         * still keep its group); the mode is set afterwards, as a change
         * of owner clears the set-id bits. */
        if (fchown(fd_, old.st_uid, old.st_gid) != 0 && fchown(fd_, (uid_t)-1, old.st_gid) != 0) {
            errno = 0;
        }
    }
    if (fchmod(fd_, mode) != 0) {
        int saved = errno;
        abandon();
        errno = saved;
        return 0;
    }
    return 1;
}

FILE *FileReplacement::openStream(const char *path, mode_t newFileMode)
{
    if (!open(path, newFileMode)) {
        return NULL;
    }
    /* The stream has a descriptor of its own, so that its close leaves
     * ours for the sync before the rename. */
    int copy = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    FILE *stream = copy >= 0 ? fdopen(copy, "w") : NULL;
    if (stream == NULL) {
        int saved = errno;
        if (copy >= 0) {
            close(copy);
        }
        abandon();
        errno = saved;
    }
    return stream;
}

/* Syncs and closes the new file. 1, or 0 with errno set (the
 * file closed either way). */
int FileReplacement::finish()
{
    if (fd_ < 0) {
        errno = EBADF;
        return 0;
    }
    bool ok = true;
    int saved = 0;
    /* A file written in place may be a pipe or a terminal, which have
     * nothing to sync. */
    bool replacing = !temp_.empty() || unnamed_;
    if (replacing && fsync(fd_) != 0) {
        ok = false;
        saved = errno;
    }
    /* An unnamed file gets its temporary name only now, complete. */
    if (ok && unnamed_) {
        if (linkUnnamed(fd_, target_, &temp_)) {
            unnamed_ = false;
        } else {
            ok = false;
            saved = errno;
        }
    }
    int closed = close(fd_);
    fd_ = -1;
    if (closed != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        errno = saved;
    }
    return ok ? 1 : 0;
}

void FileReplacement::discardTemporary()
{
    if (!temp_.empty()) {
        unlink(temp_.c_str());
        temp_.clear();
    }
}

void FileReplacement::abandon()
{
    int saved = errno;
    if (fd_ >= 0) {
        close(fd_);
    }
    fd_ = -1;
    unnamed_ = false;
    discardTemporary();
    if (!backup_.empty()) {
        unlink(backup_.c_str());
        backup_.clear();
    }
    errno = saved;
}

int FileReplacement::commit()
{
    FileReplacement *self = this;
    return commitReplacements(&self, 1);
}

int commitReplacements(FileReplacement *const files[], int count)
{
    int saved = 0;
    bool ok = true;
    for (int i = 0; i < count; i++) {
        if (!files[i]->finish() && ok) {
            ok = false;
            saved = errno;
        }
    }
    if (!ok) {
        for (int i = 0; i < count; i++) {
            files[i]->abandon();
        }
        errno = saved;
        return 0;
    }
    /* With more than one file, every old target keeps a second name until
     * all are in place, so that a rename failing half way can be undone. */
    if (count > 1) {
        for (int i = 0; i < count; i++) {
            FileReplacement *file = files[i];
            if (file->temp_.empty() || !file->targetExisted_) {
                continue;
            }
            std::string backup = file->temp_ + "-old";
            if (link(file->target_.c_str(), backup.c_str()) == 0) {
                file->backup_ = backup;
            }
        }
    }
    int done = 0;
    for (; done < count; done++) {
        FileReplacement *file = files[done];
        if (!file->temp_.empty() && !renameOver(file->temp_, file->target_)) {
            saved = errno;
            break;
        }
        file->temp_.clear();
    }
    if (done < count) {
        for (int i = 0; i < done; i++) {
            FileReplacement *file = files[i];
            if (!file->backup_.empty() && renameOver(file->backup_, file->target_)) {
                file->backup_.clear();
            } else if (!file->targetExisted_) {
                unlink(file->target_.c_str());
            }
        }
    }
    for (int i = 0; i < count; i++) {
        files[i]->abandon();
    }
    if (done < count) {
        errno = saved;
        return 0;
    }
    return 1;
}

int replaceFileSafely(const char *path, SafeReplaceWriter *writer, void *clientData)
{
    if (writer == NULL) {
        errno = EINVAL;
        return 0;
    }
    FileReplacement replacement;
    if (!replacement.open(path)) {
        return 0;
    }
    if (!writer(replacement.fd(), clientData)) {
        int saved = errno;
        replacement.abandon();
        errno = saved;
        return 0;
    }
    return replacement.commit();
}

int reopenReplacedFile(const char *path, int *fd)
{
    if (fd == NULL || *fd < 0) {
        return 1;
    }
    std::string native = nativePath(path);
    int fresh = open(native.c_str(), O_RDWR | O_CLOEXEC);
    if (fresh < 0) {
        fresh = open(native.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fresh < 0) {
        return 0;
    }
    close(*fd);
    *fd = fresh;
    return 1;
}
