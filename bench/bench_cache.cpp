/*
 * bench_cache.cpp --
 *
 *	Streams a 1 GiB band-sequential and a 1 GiB band-interleaved-by-line
 *	file (4 bands x 16384 rows x 4096 columns of bytes) through the row
 *	cache and through plain pread/pwrite loops over the same file, and
 *	prints MB/s and the peak resident size.
 *
 *	The page cache cannot be dropped without privileges, so every pass
 *	runs twice and the second (warm) run is reported: the figures compare
 *	the cache's own cost with the plain loop's, not the disk.
 *
 *	Usage: ovex_bench_cache [folder]   (default /tmp; the files are removed)
 */
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <tcl.h>

#include "core/gmem.h"
#include "ramimage/ramimg.h"

namespace {

const int bands = 4;
const int rows = 16384;
const int columns = 4096;
const int64_t fileBytes = (int64_t)bands * rows * columns;
const double mib = 1024.0 * 1024.0;

volatile uint64_t sink;

double seconds(const std::function<void()> &pass)
{
    auto start = std::chrono::steady_clock::now();
    pass();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

/* The warm time of a pass: run twice, keep the second. */
double warm(const std::function<void()> &pass)
{
    seconds(pass);
    return seconds(pass);
}

long peakRssKiB()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool makeFile(const std::string &path)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) {
        return false;
    }
    std::vector<unsigned char> chunk(1 << 20);
    for (size_t i = 0; i < chunk.size(); i++) {
        chunk[i] = (unsigned char)(i * 31 + i / 4096);
    }
    for (int64_t at = 0; at < fileBytes; at += (int64_t)chunk.size()) {
        if (pwrite(fd, chunk.data(), chunk.size(), at) != (ssize_t)chunk.size()) {
            close(fd);
            return false;
        }
    }
    close(fd);
    return true;
}

/* The default cache depth of a file image: near 256 KiB. */
int defaultDepth(int rowBytes)
{
    for (int k = 4; k <= 127; k++) {
        int64_t size = (int64_t)bands * k * (rowBytes + 4) + (int64_t)bands * k / 8 + 1;
        if (size >= 262144) {
            return k;
        }
    }
    return 127;
}

RAMIMG *openImage(const std::string &path, int imgid)
{
    RAMIMG *image = new RAMIMG();
    strcpy(image->tag, "bench");
    snprintf(image->head.file, sizeof image->head.file, "%s", path.c_str());
    image->head.imgid = imgid;
    image->head.pixel = PIXEL_BYTE;
    image->head.rows = rows;
    image->head.columns = columns;
    image->head.nbands = bands;
    image->head.bits = 8;
    image->head.block = columns;
    image->head.transparent = -1;
    image->head.dataFd = -1;
    image->rowBytes = columns;
    image->fd = open(path.c_str(), O_RDWR);
    image->frame = 1;
    image->frameCount = -1;
    image->rowLoader = getRAMImageLine;
    image->rowFlusher = flushCacheRow;
    if (image->fd < 0 || setRAMImageBuf(image, defaultDepth(image->rowBytes)) < 1) {
        fprintf(stderr, "cannot open %s\n", path.c_str());
        return NULL;
    }
    return image;
}

void closeImage(RAMIMG *image)
{
    flushRamImage(image);
    close(image->fd);
    gmemFree(image->cacheBlock);
    delete image;
}

/* File order: band after band for BSQ, row after row for BIL. */
void forEachBandRow(bool bandOuter, const std::function<void(int, int)> &visit)
{
    if (bandOuter) {
        for (int b = 0; b < bands; b++)
            for (int r = 0; r < rows; r++) visit(r, b);
    } else {
        for (int r = 0; r < rows; r++)
            for (int b = 0; b < bands; b++) visit(r, b);
    }
}

uint64_t touch(const unsigned char *row)
{
    uint64_t a, z;
    memcpy(&a, row, 8);
    memcpy(&z, row + columns - 8, 8);
    return a ^ z;
}

void modify(unsigned char *row)
{
    for (int k = 0; k < columns; k++) {
        row[k] = (unsigned char)(row[k] + 1);
    }
}

void report(const char *layout, const char *pass, double t, double baseline)
{
    double rate = fileBytes / mib / t;
    if (baseline > 0) {
        printf("%-4s %-40s %9.0f MB/s  %5.0f%%\n", layout, pass, rate, 100.0 * baseline / t);
    } else {
        printf("%-4s %-40s %9.0f MB/s\n", layout, pass, rate);
    }
}

void benchLayout(const std::string &path, int imgid, const char *name)
{
    bool bandOuter = imgid == IMGID_BSQ;
    RAMIMG *image = openImage(path, imgid);
    if (image == NULL) {
        return;
    }
    int fd = image->fd;
    std::vector<unsigned char> buffer(256 << 10);

    double plainRead = warm([&] {
        uint64_t sum = 0;
        for (int64_t at = 0; at < fileBytes; at += columns) {
            if (pread(fd, buffer.data(), columns, at) != columns) break;
            sum ^= touch(buffer.data());
        }
        sink = sum;
    });
    double chunkRead = warm([&] {
        uint64_t sum = 0;
        for (int64_t at = 0; at < fileBytes; at += (int64_t)buffer.size()) {
            if (pread(fd, buffer.data(), buffer.size(), at) != (ssize_t)buffer.size()) break;
            for (size_t k = 0; k < buffer.size(); k += columns) sum ^= touch(buffer.data() + k);
        }
        sink = sum;
    });
    double cacheRead = warm([&] {
        uint64_t sum = 0;
        forEachBandRow(bandOuter, [&](int r, int b) { sum ^= touch(ramRow(image, r, b, 1)); });
        sink = sum;
    });
    double crossRead = warm([&] {
        uint64_t sum = 0;
        forEachBandRow(!bandOuter, [&](int r, int b) { sum ^= touch(ramRow(image, r, b, 1)); });
        sink = sum;
    });
    double plainUpdate = warm([&] {
        for (int64_t at = 0; at < fileBytes; at += columns) {
            if (pread(fd, buffer.data(), columns, at) != columns) break;
            modify(buffer.data());
            if (pwrite(fd, buffer.data(), columns, at) != columns) break;
        }
    });
    double cacheUpdate = warm([&] {
        forEachBandRow(bandOuter, [&](int r, int b) {
            modify(ramRow(image, r, b, 1));
            markRowDirty(image, r, b);
        });
        if (!flushRamImage(image)) {
            fprintf(stderr, "write-back failed\n");
        }
    });

    printf("%s: %d rows per band cached, %d slots, %.0f KiB of rows\n", name,
           image->rowsPerBand, image->slots, (double)image->slots * image->rowBytes / 1024.0);
    report(name, "plain pread, 4 KiB rows", plainRead, 0);
    report(name, "plain pread, 256 KiB chunks", chunkRead, 0);
    report(name, "cache read, file order", cacheRead, plainRead);
    report(name, "cache read, other order", crossRead, plainRead);
    report(name, "plain pread+pwrite, 4 KiB rows", plainUpdate, 0);
    report(name, "cache read-modify-write + flush", cacheUpdate, plainUpdate);
    closeImage(image);
}

}  // namespace

int main(int argc, char **argv)
{
    Tcl_FindExecutable(argv[0]);
    std::string folder = argc > 1 ? argv[1] : "/tmp";
    struct {
        int imgid;
        const char *name;
        const char *file;
    } layouts[] = {{IMGID_BSQ, "BSQ", "/ovex-bench-cache.bsq"},
                   {IMGID_BIL, "BIL", "/ovex-bench-cache.bil"}};

    printf("Row cache against plain loops; 1 GiB per file, 4 bands x %d rows x %d bytes.\n",
           rows, columns);
    printf("Each pass runs twice; the warm (second) run is shown. %% is the cache's\n"
           "throughput relative to the plain loop of 4 KiB rows.\n\n");
    for (auto &l : layouts) {
        std::string path = folder + l.file;
        if (!makeFile(path)) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        benchLayout(path, l.imgid, l.name);
        unlink(path.c_str());
        printf("\n");
    }
    printf("peak resident size: %.1f MiB\n", peakRssKiB() / 1024.0);
    return 0;
}
