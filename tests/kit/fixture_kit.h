/*
 * fixture_kit.h --
 *
 *	What the GoogleTest suites share to stage their cases: a scratch
 *	folder removed with everything in it, small files written from a
 *	table of bytes and read back, the independent tools on the PATH, and
 *	a client that counts the notices of the one RAM image it watches.
 */
#ifndef OVEX_TESTS_KIT_FIXTURE_KIT_H
#define OVEX_TESTS_KIT_FIXTURE_KIT_H

#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ramimage/ramimg.h"

namespace fixture {

using Bytes = std::vector<unsigned char>;

/* A folder under /tmp, made when the object is and removed with every
 * file in it when it goes. */
class ScratchDir {
public:
    explicit ScratchDir(const char *prefix = "ovex")
    {
        std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (mkdtemp(name.data()) != nullptr) {
            path_ = name.data();
        } else {
            ADD_FAILURE() << "cannot make a scratch folder " << pattern;
        }
    }

    ~ScratchDir()
    {
        if (!path_.empty()) {
            nftw(path_.c_str(), [](const char *p, const struct stat *, int, struct FTW *) {
                return remove(p);
            }, 16, FTW_DEPTH | FTW_PHYS);
        }
    }

    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::string &path() const { return path_; }
    std::string at(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

/* Writes bytes as the whole new contents of path (created with mode).
 * Returns: true when every byte was written. */
inline bool writeBytes(const std::string &path, const Bytes &bytes, mode_t mode = 0600)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    if (fd < 0) {
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            close(fd);
            return false;
        }
        done += (size_t)n;
    }
    return close(fd) == 0;
}

/* The whole contents of path; empty when it cannot be read. */
inline Bytes readBytes(const std::string &path)
{
    Bytes bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return bytes;
    }
    unsigned char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    fclose(f);
    return bytes;
}

/* Whether an independent tool is on the PATH. */
inline bool haveTool(const char *name)
{
    std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return system(command.c_str()) == 0;
}

/* Runs a shell command quietly (its own redirections still apply).
 * Returns: true when it exits with status 0. */
inline bool runQuietly(const std::string &command)
{
    std::string quiet = "(" + command + ") >/dev/null 2>&1";
    return system(quiet.c_str()) == 0;
}

/* What a shell command writes on its standard output. */
inline std::string commandOutput(const std::string &command)
{
    std::string text;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return text;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        text.append(buffer, n);
    }
    pclose(pipe);
    return text;
}

/* A client that counts the configuration and data notices of the one
 * image it watches (and, when asked to take rectangles, the rectangle
 * notices, remembering the last one); the destructor detaches it again. */
struct NoticeCounter {
    int config = 0;
    int data = 0;
    int rects = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::string order;              /* "c", "d" and "r" in the order heard */
    RamImageClient client = {};

    void watch(RAMIMG *image, intptr_t id = 7, bool rectangles = false)
    {
        client.configChanged = [](void *self) {
            ((NoticeCounter *)self)->config++;
            ((NoticeCounter *)self)->order += "c";
        };
        client.dataChanged = [](void *self) {
            ((NoticeCounter *)self)->data++;
            ((NoticeCounter *)self)->order += "d";
        };
        if (rectangles) {
            client.rectChanged = [](void *self, int x, int y, int width, int height) {
                NoticeCounter *counter = (NoticeCounter *)self;
                counter->rects++;
                counter->order += "r";
                counter->x = x;
                counter->y = y;
                counter->width = width;
                counter->height = height;
            };
        }
        client.clientData = this;
        client.id = id;
        addRamImageClient(&client, image);
    }

    void reset()
    {
        config = data = rects = x = y = width = height = 0;
        order.clear();
    }

    /* Detaches the client (again harmless). */
    void stop()
    {
        if (client.configChanged != nullptr) {
            detachRamImageClient(&client);
            client.configChanged = nullptr;
        }
    }

    ~NoticeCounter() { stop(); }
};

}  /* namespace fixture */

#endif /* OVEX_TESTS_KIT_FIXTURE_KIT_H */
