/*
 * program_outputs.cpp --
 *
 *	The outputs a program run creates, so that a run that fails takes
 *	back what it made: a file or memory image that was not there before
 *	the run is removed or closed, one that was there is left to the
 *	program (which refuses or rewrites it as its kind allows).
 *
 *	Runs nest: a meter or a pause passes events, and an event may start
 *	another program before the first one ends. Each run owns the files
 *	noted since its own start that an inner run did not take back.
 */
#include "core/native_path.h"
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

/* An output a running program is about to create: a file by absolute
 * path, or a memory image by tag with the image made. */
struct NotedOutput {
    std::string path;
    RAMIMG *memory;
};

std::vector<NotedOutput> notedOutputs;
int runDepth = 0;

/* Closes a memory image the failed run made, unless something took hold
 * of it meanwhile (another open, a client, a lock). */
void takeBackMemoryImage(const NotedOutput &noted)
{
    RAMIMG *image = getRAMImageByTag(noted.path.c_str());
    if (image != noted.memory || image->openCount != 1 || image->clients != NULL
            || (image->flags & RAMIMG_LOCKED)) {
        return;
    }
    image->openCount--;
    image->refCount++;      /* released as the holder of the open */
    closeRAMImage(image, NULL);
}

/* 1 when an image still open uses the file at path (device and inode). */
bool openImageUses(const struct stat &file)
{
    for (RAMIMG *image = ramImageListHead(); image != NULL; image = image->next) {
        struct stat info;
        if (!isMemoryImgid(image->head.imgid) && image->head.file[0] != '\0'
                && stat(nativePath(image->head.file).c_str(), &info) == 0 && info.st_dev == file.st_dev
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
    return (int)notedOutputs.size();
}

void progEndRun(int mark, int failed)
{
    if (runDepth > 0) {
        runDepth--;
    }
    if (mark < 0 || (size_t)mark > notedOutputs.size()) {
        return;
    }
    for (size_t k = notedOutputs.size(); failed && k > (size_t)mark; k--) {
        const std::string &path = notedOutputs[k - 1].path;
        if (notedOutputs[k - 1].memory != NULL) {
            takeBackMemoryImage(notedOutputs[k - 1]);
            continue;
        }
        struct stat info;
        /* Only a plain file the run made and that no image holds open. */
        if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && !openImageUses(info)) {
            unlink(nativePath(path.c_str()).c_str());
        }
    }
    notedOutputs.resize((size_t)mark);
}

void progNoteOutputFile(const char *path)
{
    struct stat info;
    if (runDepth == 0 || path == NULL || path[0] == '\0' || lstat(path, &info) == 0) {
        return;
    }
    std::string absolute = absolutePath(path);
    if (!absolute.empty()) {
        notedOutputs.push_back({absolute, NULL});
    }
}

RAMIMG *progCreateImage(ImageHead *head, int overwrite, int *err)
{
    if (head == NULL || !isMemoryImgid(head->imgid)) {
        if (head != NULL) {
            progNoteOutputFile(head->file);
        }
        return openRAMImageNew(head, NULL, overwrite, err);
    }
    bool existed = getRAMImageByTag(head->file) != NULL;
    std::string tag = head->file;
    RAMIMG *image = openRAMImageNew(head, NULL, overwrite, err);
    if (image != NULL && !existed && runDepth > 0) {
        notedOutputs.push_back({tag, image});
    }
    return image;
}
