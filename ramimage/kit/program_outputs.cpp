/*
 * program_outputs.cpp --
 *
 *	The files a program run creates, so that a run that fails takes back
 *	what it made: an output that was not there before the run is removed,
 *	one that was there is left to the program (which refuses or rewrites
 *	it as its kind allows).
 *
 *	Runs nest: a meter or a pause passes events, and an event may start
 *	another program before the first one ends. Each run owns the files
 *	noted since its own start that an inner run did not take back.
 */
#include "ramimage/kit/program_kit.h"

#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/paths.h"
#include "core/vocabulary.h"
#include "ramimage/ramimg.h"

namespace {

/* A file a running program is about to create, by absolute path. */
struct NotedFile {
    std::string path;
};

std::vector<NotedFile> notedFiles;
int runDepth = 0;

/* 1 when an image still open uses the file at path (device and inode). */
bool openImageUses(const struct stat &file)
{
    for (RAMIMG *image = ramImageListHead(); image != NULL; image = image->next) {
        struct stat info;
        if (!isMemoryImgid(image->head.imgid) && image->head.file[0] != '\0'
                && stat(image->head.file, &info) == 0 && info.st_dev == file.st_dev
                && info.st_ino == file.st_ino) {
            return true;
        }
    }
    return false;
}

} // namespace

int progBeginRun(void)
{
    runDepth++;
    return (int)notedFiles.size();
}

void progEndRun(int mark, int failed)
{
    if (runDepth > 0) {
        runDepth--;
    }
    if (mark < 0 || (size_t)mark > notedFiles.size()) {
        return;
    }
    for (size_t k = notedFiles.size(); failed && k > (size_t)mark; k--) {
        const std::string &path = notedFiles[k - 1].path;
        struct stat info;
        /* Only a plain file the run made and that no image holds open. */
        if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && !openImageUses(info)) {
            unlink(path.c_str());
        }
    }
    notedFiles.resize((size_t)mark);
}

void progNoteOutputFile(const char *path)
{
    struct stat info;
    if (runDepth == 0 || path == NULL || path[0] == '\0' || lstat(path, &info) == 0) {
        return;
    }
    std::string absolute = absolutePath(path);
    if (!absolute.empty()) {
        notedFiles.push_back({absolute});
    }
}

RAMIMG *progCreateImage(ImageHead *head, int overwrite, int *err)
{
    if (head != NULL && !isMemoryImgid(head->imgid)) {
        progNoteOutputFile(head->file);
    }
    return openRAMImageNew(head, NULL, overwrite, err);
}
