/*
 * safe_replace_test.cpp --
 *
 *	No data is lost when a whole file is written again: the new contents
 *	go to a temporary file that replaces the original only when complete.
 *	A failing encoder and a full disk (a file-size limit in a child
 *	process) leave the original byte for byte, with no temporary behind;
 *	a success keeps the file's mode and moves the image's descriptor to
 *	the new file. Symbolic links are written through, a pair of files is
 *	replaced together or not at all. Covered for the X bitmap, GIF and
 *	JPEG write-back.
 */
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ostream>
#include <string>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "ramimage/console_capture.h"
#include "kit/fixture_kit.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/ramimg.h"
#include "core/safe_replace.h"

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes readAll(const std::string &path)
{
    Bytes bytes;
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return bytes;
    }
    unsigned char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof(buffer))) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    close(fd);
    return bytes;
}

void writeAll(const std::string &path, const std::string &text, mode_t mode)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ((ssize_t)text.size(), write(fd, text.data(), text.size()));
    close(fd);
    ASSERT_EQ(0, chmod(path.c_str(), mode));
}

mode_t modeOf(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

/* Names in the folder, sorted. */
std::vector<std::string> listing(const std::string &folder)
{
    std::vector<std::string> names;
    DIR *dir = opendir(folder.c_str());
    if (dir == NULL) {
        return names;
    }
    while (struct dirent *entry = readdir(dir)) {
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) {
            names.push_back(entry->d_name);
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

/* Runs body in a child process whose files may not grow beyond limit
 * bytes (SIGXFSZ ignored, so writes fail with EFBIG); the child's exit
 * status: body's result. */
template <typename Body> int withFileSizeLimit(rlim_t limit, Body body)
{
    fflush(NULL);
    pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = {limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &small) != 0) {
            _exit(100);
        }
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

struct Payload {
    std::string text;
    bool succeed;
};

/* Writes the payload, then reports success or an encoder failure. */
int payloadWriter(int fd, void *clientData)
{
    const Payload *payload = (const Payload *)clientData;
    size_t done = 0;
    while (done < payload->text.size()) {
        ssize_t n = write(fd, payload->text.data() + done, payload->text.size() - done);
        if (n <= 0) {
            return 0;
        }
        done += (size_t)n;
    }
    return payload->succeed ? 1 : 0;
}

class SafeReplace : public ::testing::Test {
protected:
    fixture::ScratchDir scratch{"ovex-replace"};
    std::string folder = scratch.path();
    std::string target = folder + "/target";
};

TEST_F(SafeReplace, SuccessReplacesTheContentsAndKeepsTheMode)
{
    writeAll(target, "original", 0640);
    Payload payload = {"replacement", true};
    ASSERT_EQ(1, replaceFileSafely(target.c_str(), payloadWriter, &payload));
    EXPECT_EQ(Bytes({'r', 'e', 'p', 'l', 'a', 'c', 'e', 'm', 'e', 'n', 't'}), readAll(target));
    EXPECT_EQ(0640u, modeOf(target));
    EXPECT_EQ(std::vector<std::string>{"target"}, listing(folder));
}

TEST_F(SafeReplace, NewFileGetsMode0666LessTheUmask)
{
    Payload payload = {"new", true};
    mode_t old = umask(027);
    ASSERT_EQ(1, replaceFileSafely(target.c_str(), payloadWriter, &payload));
    umask(old);
    EXPECT_EQ(0640u, modeOf(target));
}

TEST_F(SafeReplace, FailingEncoderLeavesTheOriginal)
{
    writeAll(target, "original", 0644);
    Bytes before = readAll(target);
    Payload payload = {"half of the new fi", false};
    EXPECT_EQ(0, replaceFileSafely(target.c_str(), payloadWriter, &payload));
    EXPECT_EQ(before, readAll(target));
    EXPECT_EQ(0644u, modeOf(target));
    EXPECT_EQ(std::vector<std::string>{"target"}, listing(folder));
}

TEST_F(SafeReplace, FullDiskLeavesTheOriginalAndSaysWhy)
{
    writeAll(target, "original", 0644);
    Bytes before = readAll(target);
    std::string big(64 * 1024, 'x');
    int status = withFileSizeLimit(1024, [&] {
        Payload payload = {big, true};
        errno = 0;
        int result = replaceFileSafely(target.c_str(), payloadWriter, &payload);
        return result == 0 && errno == EFBIG ? 0 : 1;
    });
    EXPECT_EQ(0, status);
    EXPECT_EQ(before, readAll(target));
    EXPECT_EQ(std::vector<std::string>{"target"}, listing(folder));
}

TEST_F(SafeReplace, UnwritableFolderLeavesTheOriginal)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into any folder";
    }
    writeAll(target, "original", 0644);
    ASSERT_EQ(0, chmod(folder.c_str(), 0500));
    Payload payload = {"replacement", true};
    EXPECT_EQ(0, replaceFileSafely(target.c_str(), payloadWriter, &payload));
    chmod(folder.c_str(), 0700);
    EXPECT_EQ(Bytes({'o', 'r', 'i', 'g', 'i', 'n', 'a', 'l'}), readAll(target));
}

TEST_F(SafeReplace, SymbolicLinkIsWrittenThroughToItsTarget)
{
    ASSERT_EQ(0, mkdir((folder + "/real").c_str(), 0700));
    std::string real = folder + "/real/target";
    writeAll(real, "original", 0640);
    ASSERT_EQ(0, symlink("real/target", target.c_str()));
    std::string hop = folder + "/hop";
    ASSERT_EQ(0, symlink(target.c_str(), hop.c_str()));
    Payload payload = {"replacement", true};
    ASSERT_EQ(1, replaceFileSafely(hop.c_str(), payloadWriter, &payload));
    struct stat info;
    ASSERT_EQ(0, lstat(target.c_str(), &info));
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(0, lstat(hop.c_str(), &info));
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Bytes({'r', 'e', 'p', 'l', 'a', 'c', 'e', 'm', 'e', 'n', 't'}), readAll(real));
    EXPECT_EQ(0640u, modeOf(real));
    EXPECT_EQ(std::vector<std::string>{"target"}, listing(folder + "/real"));
}

TEST_F(SafeReplace, LinkToAFileNotYetThereCreatesIt)
{
    ASSERT_EQ(0, symlink("made", target.c_str()));
    Payload payload = {"new", true};
    ASSERT_EQ(1, replaceFileSafely(target.c_str(), payloadWriter, &payload));
    EXPECT_EQ(Bytes({'n', 'e', 'w'}), readAll(folder + "/made"));
    struct stat info;
    ASSERT_EQ(0, lstat(target.c_str(), &info));
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST_F(SafeReplace, LinkLoopAndFolderAreRefused)
{
    ASSERT_EQ(0, symlink("target", target.c_str()));
    Payload payload = {"new", true};
    errno = 0;
    EXPECT_EQ(0, replaceFileSafely(target.c_str(), payloadWriter, &payload));
    EXPECT_EQ(ELOOP, errno);
    std::string sub = folder + "/sub";
    ASSERT_EQ(0, mkdir(sub.c_str(), 0700));
    errno = 0;
    EXPECT_EQ(0, replaceFileSafely(sub.c_str(), payloadWriter, &payload));
    EXPECT_EQ(EISDIR, errno);
    EXPECT_EQ(std::vector<std::string>({"sub", "target"}), listing(folder));
}

TEST_F(SafeReplace, DeviceIsWrittenInPlace)
{
    Payload payload = {"discarded", true};
    ASSERT_EQ(1, replaceFileSafely("/dev/null", payloadWriter, &payload));
    struct stat info;
    ASSERT_EQ(0, stat("/dev/null", &info));
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST_F(SafeReplace, OwnerIsKeptWhenItMayBe)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root gives a file away";
    }
    writeAll(target, "original", 0644);
    ASSERT_EQ(0, chown(target.c_str(), 4321, 4322));
    Payload payload = {"replacement", true};
    ASSERT_EQ(1, replaceFileSafely(target.c_str(), payloadWriter, &payload));
    struct stat info;
    ASSERT_EQ(0, stat(target.c_str(), &info));
    EXPECT_EQ(4321u, info.st_uid);
    EXPECT_EQ(4322u, info.st_gid);
    EXPECT_EQ(0644u, info.st_mode & 07777);
}

/* A pair commits together: when the second rename fails, the first
 * target gets its old contents back and no new file or second name is
 * left. */
TEST_F(SafeReplace, PairIsReplacedWholeOrNotAtAll)
{
    std::string second = folder + "/second";
    writeAll(target, "first old", 0644);
    FileReplacement a, b;
    ASSERT_EQ(1, a.open(target.c_str()));
    ASSERT_EQ(1, b.open(second.c_str()));
    ASSERT_EQ(3, write(a.fd(), "new", 3));
    ASSERT_EQ(3, write(b.fd(), "new", 3));
    /* A folder takes the second name after the files were opened: its
     * rename fails. */
    ASSERT_EQ(0, mkdir(second.c_str(), 0700));
    writeAll(second + "/keep", "x", 0644);
    FileReplacement *const pair[] = {&a, &b};
    EXPECT_EQ(0, commitReplacements(pair, 2));
    EXPECT_EQ(Bytes({'f', 'i', 'r', 's', 't', ' ', 'o', 'l', 'd'}), readAll(target));
    EXPECT_EQ(std::vector<std::string>({"second", "target"}), listing(folder));

    /* Without the obstacle both are replaced. */
    ASSERT_EQ(0, unlink((second + "/keep").c_str()));
    ASSERT_EQ(0, rmdir(second.c_str()));
    ASSERT_EQ(1, a.open(target.c_str()));
    ASSERT_EQ(1, b.open(second.c_str()));
    ASSERT_EQ(3, write(a.fd(), "one", 3));
    ASSERT_EQ(3, write(b.fd(), "two", 3));
    EXPECT_EQ(1, commitReplacements(pair, 2));
    EXPECT_EQ(Bytes({'o', 'n', 'e'}), readAll(target));
    EXPECT_EQ(Bytes({'t', 'w', 'o'}), readAll(second));
    EXPECT_EQ(std::vector<std::string>({"second", "target"}), listing(folder));
}

/* A stdio writer: the stream closed by the caller, then the commit. */
TEST_F(SafeReplace, StreamWriterCommitsAfterItsClose)
{
    writeAll(target, "original", 0600);
    FileReplacement file;
    FILE *stream = file.openStream(target.c_str());
    ASSERT_NE(nullptr, stream);
    fputs("by stdio", stream);
    ASSERT_EQ(0, fclose(stream));
    EXPECT_EQ(Bytes({'o', 'r', 'i', 'g', 'i', 'n', 'a', 'l'}), readAll(target));
    ASSERT_EQ(1, file.commit());
    EXPECT_EQ(Bytes({'b', 'y', ' ', 's', 't', 'd', 'i', 'o'}), readAll(target));
    EXPECT_EQ(0600u, modeOf(target));
}

/* A save killed before its commit leaves nothing beside the target: the
 * new file has no name while it is written. */
TEST_F(SafeReplace, KilledSaveLeavesNothingBehind)
{
    writeAll(target, "original", 0644);
    fflush(NULL);
    pid_t child = fork();
    if (child == 0) {
        FileReplacement file;
        FILE *stream = NULL;
        if (file.open(target.c_str()) && write(file.fd(), "half", 4) == 4) {
            FileReplacement second;
            stream = second.openStream((target + "2").c_str());
            if (stream != NULL && fputs("by stdio", stream) >= 0 && fflush(stream) == 0) {
                raise(SIGKILL);
            }
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child could not start its saves";
    EXPECT_EQ(Bytes({'o', 'r', 'i', 'g', 'i', 'n', 'a', 'l'}), readAll(target));
    EXPECT_EQ(std::vector<std::string>{"target"}, listing(folder));
}

/* Runs body as an unprivileged user (nobody) when run as root, else as
 * it is; the child's exit status: body's result. */
template <typename Body> int withoutPrivileges(Body body)
{
    fflush(NULL);
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0
            && (setgroups(0, NULL) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(100);
        }
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

/* A file its user may not write is not replaced, though its folder would
 * let a new file be renamed over it: the open says why (EACCES), as an
 * open for writing would. */
TEST_F(SafeReplace, ReadOnlyTargetIsRefused)
{
    writeAll(target, "original", 0444);
    std::string other = folder + "/other";
    ASSERT_EQ(0, chmod(folder.c_str(), 0777));
    int status = withoutPrivileges([&] {
        Payload payload = {"replacement", true};
        errno = 0;
        if (replaceFileSafely(target.c_str(), payloadWriter, &payload) != 0 || errno != EACCES) {
            return 1;
        }
        /* A new file in the same folder is still made. */
        return replaceFileSafely(other.c_str(), payloadWriter, &payload) == 1 ? 0 : 2;
    });
    chmod(folder.c_str(), 0700);
    EXPECT_EQ(0, status);
    EXPECT_EQ(Bytes({'o', 'r', 'i', 'g', 'i', 'n', 'a', 'l'}), readAll(target));
    EXPECT_EQ(0444u, modeOf(target));
    EXPECT_EQ(std::vector<std::string>({"other", "target"}), listing(folder));
}

/* ---- Whole-file write-back of the formats -------------------------------- */

struct WholeFileFormat {
    const char *name;
    int imgid;
    int pixel;
    int nbands;
};

/* Test names and messages show the format's name. */
void PrintTo(const WholeFileFormat &format, std::ostream *out)
{
    *out << format.name;
}

class WholeFileWriteBack : public SafeReplace,
                           public ::testing::WithParamInterface<WholeFileFormat> {
protected:
    /* A blank image file of the format made by its own writer, opened. */
    RAMIMG *createAndOpen()
    {
        const WholeFileFormat &format = GetParam();
        ImageHead head;
        initImageHead(&head);
        snprintf(head.file, sizeof(head.file), "%s", target.c_str());
        head.imgid = format.imgid;
        head.pixel = format.pixel;
        head.bits = bitsPerPixel(format.pixel);
        head.nbands = format.nbands;
        head.rows = 16;
        head.columns = 16;
        head.block = rowBytesFor(format.pixel, 16) * (format.imgid == IMGID_JPEG ? format.nbands : 1);
        head.transparent = -1;
        head.dataFd = -1;
        if (createImageFile(&head) < 0) {
            return nullptr;
        }
        chmod(target.c_str(), 0640);
        int err = 0;
        RAMIMG *image = openRamImageFile(target.c_str(), NULL, NULL, &err);
        EXPECT_NE(nullptr, image) << format.name << " err " << err << " " << console.takeStderr();
        return image;
    }

    /* Changes row 0 of band 0 in the cache and marks it for write-back. */
    void changeFirstRow(RAMIMG *image)
    {
        unsigned char *line = getRAMImageLine(image, 0, 0, 1);
        ASSERT_NE(nullptr, line);
        memset(line, 0xA5, (size_t)image->rowBytes);
        markRowDirty(image, 0, 0);
    }

    console_capture::ConsoleCapture console;
};

TEST_P(WholeFileWriteBack, FullDiskKeepsTheOriginalAndReportsTheFailure)
{
    RAMIMG *image = createAndOpen();
    ASSERT_NE(nullptr, image);
    Bytes before = readAll(target);
    ASSERT_FALSE(before.empty());
    changeFirstRow(image);
    /* The child's write-back meets a limit far below the file's size, and
     * says so. */
    int status = withFileSizeLimit(16, [&] {
        if (flushRamImage(image) != 0) {
            return 1;
        }
        std::string said = console.takeStderr();
        return said.find(strerror(EFBIG)) != std::string::npos ? 0 : 2;
    });
    EXPECT_EQ(0, status) << GetParam().name;
    EXPECT_EQ(before, readAll(target)) << GetParam().name;
    EXPECT_EQ(std::vector<std::string>{"target"}, listing(folder)) << GetParam().name;
    freeRamImage(image);
    console.takeStderr();
}

TEST_P(WholeFileWriteBack, SuccessKeepsTheModeAndReopensTheDescriptor)
{
    RAMIMG *image = createAndOpen();
    ASSERT_NE(nullptr, image);
    Bytes before = readAll(target);
    changeFirstRow(image);
    ASSERT_EQ(1, flushRamImage(image)) << console.takeStderr();
    EXPECT_NE(before, readAll(target)) << GetParam().name;
    EXPECT_EQ(0640u, modeOf(target)) << GetParam().name;
    EXPECT_EQ(std::vector<std::string>{"target"}, listing(folder)) << GetParam().name;
    struct stat byPath, byFd;
    ASSERT_EQ(0, stat(target.c_str(), &byPath));
    ASSERT_EQ(0, fstat(image->fd, &byFd));
    EXPECT_EQ(byPath.st_ino, byFd.st_ino) << GetParam().name << ": descriptor left on the old file";
    freeRamImage(image);
}

INSTANTIATE_TEST_SUITE_P(Formats, WholeFileWriteBack,
                         ::testing::Values(WholeFileFormat{"XBM", IMGID_XBMP, PIXEL_1BIT, 1},
                                           WholeFileFormat{"GIF", IMGID_GIF87A, PIXEL_BYTE, 1},
                                           WholeFileFormat{"JPEG", IMGID_JPEG, PIXEL_BYTE, 3}),
                         [](const ::testing::TestParamInfo<WholeFileFormat> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace
