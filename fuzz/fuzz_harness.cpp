/*
 * fuzz_harness.cpp --
 *
 *	The shared set-up and open-and-read path of the reader fuzz targets.
 */
#include "fuzz/fuzz_harness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <tcl.h>
#include <unistd.h>

#include "core/package.h"
#include "ramimage/format_hooks.h"
#include "ramimage/ramimg.h"

namespace {

Tcl_Interp *consoleInterp = NULL;
std::string scratchFolder;
ImageReaderProc *onlyReader = NULL;

/* Stands first in the reader list: the target's own reader decides alone,
 * and a file it declines is refused instead of going to the other formats. */
int exclusiveReader(int fd, const char *fileName, ImageHead *head, void **priv)
{
    int result = onlyReader(fd, fileName, head, priv);
    if (result <= 0) {
        return -1;
    }
    return head->imgid > 0 ? head->imgid : result;
}

/* Reads every row of every band of the current frame while the budget lasts. */
void readEveryRow(RAMIMG *image, int64_t *budget)
{
    const ImageHead &head = image->head;
    for (int band = 0; band < head.nbands; band++) {
        for (int row = 0; row < head.rows; row++) {
            if (*budget <= 0) {
                return;
            }
            unsigned char *line = getRAMImageLine(image, row, band, 1);
            if (line != NULL && image->rowBytes > 0) {
                /* Touch both ends so the sanitizer checks the whole row is ours. */
                volatile unsigned char sink = line[0] ^ line[image->rowBytes - 1];
                (void)sink;
            }
            *budget -= image->rowBytes > FUZZ_ROW_MIN_COST ? image->rowBytes : FUZZ_ROW_MIN_COST;
        }
    }
}

void readImage(RAMIMG *image)
{
    if (getenv("OVEX_FUZZ_VERBOSE") != NULL) {
        /* Replaying one input by hand: what the reader made of it. */
        printf("imgid %d pixel %d bands %d rows %d columns %d block %d offset %d rowBytes %d"
               " slots %d frames %d\n", image->head.imgid, image->head.pixel, image->head.nbands,
               image->head.rows, image->head.columns, image->head.block, image->head.offset,
               image->rowBytes, image->slots, image->head.frames);
    }
    int64_t budget = FUZZ_ROW_BUDGET;
    readEveryRow(image, &budget);
    /* Later frames: GIF animations, TIFF volumes, DICOM and raw frames. */
    for (int frames = 1; frames < 8 && budget > 0; frames++) {
        int result = seekRamImage(image, 0);
        if (result <= 0) {
            break;
        }
        readEveryRow(image, &budget);
    }
    freeRamImage(image);
}

/* The scratch folder and what the targets wrote into it go at exit. */
void removeScratchFolder(void)
{
    if (DIR *dir = opendir(scratchFolder.c_str())) {
        while (struct dirent *entry = readdir(dir)) {
            if (entry->d_name[0] != '.') {
                unlink((scratchFolder + "/" + entry->d_name).c_str());
            }
        }
        closedir(dir);
    }
    rmdir(scratchFolder.c_str());
}

} // namespace

void fuzzSetUp(void)
{
    if (consoleInterp != NULL) {
        return;
    }
    Tcl_FindExecutable(NULL);
    consoleInterp = Tcl_CreateInterp();
    setConsoleInterp(consoleInterp);
    Tcl_SetVar2(consoleInterp, "env", "OVEX_MAX_DECODE", FUZZ_DECODE_CAP, TCL_GLOBAL_ONLY);
    const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string templ = std::string(base) + "/ovex-fuzz-XXXXXX";
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == NULL) {
        perror("mkdtemp");
        abort();
    }
    scratchFolder = name.data();
    atexit(removeScratchFolder);
}

std::string fuzzPath(const char *name)
{
    return scratchFolder + "/" + name;
}

std::string fuzzWriteFile(const char *name, const uint8_t *data, size_t size)
{
    std::string path = fuzzPath(name);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return std::string();
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) {
            close(fd);
            return std::string();
        }
        done += (size_t)n;
    }
    close(fd);
    return path;
}

void fuzzOpenAndRead(const char *path, ImageReaderProc *reader)
{
    onlyReader = reader;
    if (reader != NULL) {
        addImageReader(exclusiveReader, 0);
    }
    int err = 0;
    RAMIMG *image = openRamImageFile(path, NULL, NULL, &err);
    if (reader != NULL) {
        removeImageReader(exclusiveReader);
    }
    if (image != NULL) {
        readImage(image);
    }
}

void fuzzOpenDescribedAndRead(const char *path, ImageHead *head)
{
    int err = 0;
    RAMIMG *image = openRamImageFile(path, head, NULL, &err);
    if (image != NULL) {
        readImage(image);
    }
}
