/*
 * safe_replace.h --
 *
 *	Replacing a file whole: the new contents go to a new file in the
 *	same folder as the target, which is renamed over the target only when
 *	every byte was written and flushed. The new file has no name while
 *	it is written (O_TMPFILE, linked at the commit) where the file system
 *	allows it, so a killed process leaves nothing behind; elsewhere it is
 *	a temporary NAME.XXXXXX. A failure removes it and leaves the target
 *	as it was, byte for byte. A target its user may not write (as an
 *	open for writing would find it) is refused with EACCES, even in a
 *	folder where it could be renamed over. Path names are taken in UTF-8
 *	and given to the system in Tcl's system encoding. The new file keeps
 *	the target's mode (0666 less the umask when there is none), and a
 *	symbolic link is written through: its target is replaced, the link
 *	stays. A target that is no regular file (a device, a pipe) is written
 *	in place, as there is nothing to rename over it.
 */
#ifndef OVEX_CORE_SAFE_REPLACE_H
#define OVEX_CORE_SAFE_REPLACE_H

#include <stdio.h>
#include <sys/types.h>

#include <string>

/*
 * FileReplacement --
 *	One file being written whole. open() makes the new file, the caller
 *	writes it through fd() or openStream()'s stream, and commit() puts it
 *	in place;
 *	abandon(), or the destructor of an uncommitted replacement, removes
 *	it again.
 */
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement();
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    /* Makes the new, empty file (read and write, close-on-exec) for path;
     * it gets the target's mode, or newFileMode less the umask when there
     * is no target yet. Returns 1, or 0 with errno set (EACCES for a
     * target its user may not write) and nothing left behind. */
    int open(const char *path, mode_t newFileMode = 0666);
    /* The new file's descriptor, -1 when none is open. */
    int fd() const { return fd_; }
    /* open() for stdio writers: a stream of the caller's on the new file
     * (close-on-exec), or NULL with errno set. The caller closes it (and
     * checks the close) before commit() or abandon(). */
    FILE *openStream(const char *path, mode_t newFileMode = 0666);
    /* The file that is replaced: the path given, symbolic links followed. */
    const std::string &target() const { return target_; }
    /* Flushes and closes the new file and renames it over the target.
     * Returns 1, or 0 with errno set, the new file removed and the
     * target as it was. */
    int commit();
    /* Closes and removes the new file; the target stays as it was. */
    void abandon();

private:
    friend int commitReplacements(FileReplacement *const files[], int count);
    int finish();
    void discardTemporary();

    std::string target_;
    std::string temp_;         /* the new file's name beside the target; empty while
                                  it has none (unnamed) or when written in place */
    bool unnamed_ = false;     /* the new file has no name yet (O_TMPFILE) */
    std::string backup_;       /* a second name of the old target while a set is committed */
    int fd_ = -1;
    bool targetExisted_ = false;
};

/*
 * commitReplacements --
 *	Commits files that belong together (a shapefile's main and index
 *	file): every target is replaced, or none.
 * Results:
 *	1, or 0 with errno set, every new file removed and every target as
 *	it was.
 */
int commitReplacements(FileReplacement *const files[], int count);

/* Writes the new contents into fd (open for reading and writing, empty);
 * returns 1 on success, 0 on failure. */
typedef int (SafeReplaceWriter)(int fd, void *clientData);

/*
 * replaceFileSafely --
 *	Runs writer on a FileReplacement of path and commits it.
 * Results:
 *	1 on success; 0 on failure, with errno set and the temporary removed.
 */
int replaceFileSafely(const char *path, SafeReplaceWriter *writer, void *clientData);

/*
 * reopenReplacedFile --
 *	After path was replaced, gives *fd (when it is open) a descriptor on
 *	the new file, read-write when possible. Returns 1, or 0 when the new
 *	file cannot be opened (the old descriptor is kept then).
 */
int reopenReplacedFile(const char *path, int *fd);

#endif
