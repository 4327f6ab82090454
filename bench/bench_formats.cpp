/*
 * bench_formats.cpp --
 *
 *	Reads and writes a 5000 x 5000 RGB JPEG and BMP with the library in
 *	this process and prints a table of seconds: for JPEG the codec alone
 *	(whole image in memory, as readJPEG and the write-back use it) and the
 *	RAM-image path (open, every row of every band through the row cache,
 *	close); for BMP the RAM-image path. Every figure is the best of two
 *	runs, so the page cache is warm for all.
 *
 *	No peer is timed here: an in-memory codec beside whole tool processes
 *	is no fair comparison. The comparisons with djpeg, cjpeg and
 *	ImageMagick run as whole processes on both sides in bench/rows.py.
 *
 *	Usage: ovex_bench_formats [folder]   (default /tmp; the files are removed)
 */
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <tcl.h>

#include "core/gmem.h"
#include "ramimage/formats/jpeg.h"
#include "ramimage/ramimg.h"

namespace {

const int columns = 5000;
const int rows = 5000;
const int bands = 3;
const int quality = 90;

volatile uint64_t sink;

double now()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

/* Best of two runs of pass, in seconds; negative when a run failed. */
double best(const std::function<bool()> &pass)
{
    double result = -1.0;
    for (int run = 0; run < 2; run++) {
        double start = now();
        if (!pass()) {
            return -1.0;
        }
        double spent = now() - start;
        if (result < 0 || spent < result) {
            result = spent;
        }
    }
    return result;
}

/* A picture with smooth areas and texture, so that the encoders work as
 * they would on a photograph: band-interleaved by line. */
std::vector<unsigned char> makePicture()
{
    std::vector<unsigned char> bil((size_t)columns * rows * bands);
    for (int r = 0; r < rows; r++) {
        for (int b = 0; b < bands; b++) {
            unsigned char *row = &bil[((size_t)r * bands + b) * columns];
            for (int c = 0; c < columns; c++) {
                uint32_t noise = ((uint32_t)(r * 7919 + c * 104729 + b * 31) * 2654435761u) >> 28;
                row[c] = (unsigned char)((c * 200 / columns + r * 40 / rows + b * 5 + noise) & 0xFF);
            }
        }
    }
    return bil;
}

bool writePpm(const std::string &path, const std::vector<unsigned char> &bil)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (f == NULL) {
        return false;
    }
    fprintf(f, "P6\n%d %d\n255\n", columns, rows);
    std::vector<unsigned char> line((size_t)columns * bands);
    bool ok = true;
    for (int r = 0; r < rows && ok; r++) {
        for (int c = 0; c < columns; c++) {
            for (int b = 0; b < bands; b++) {
                line[(size_t)c * bands + b] = bil[((size_t)r * bands + b) * columns + c];
            }
        }
        ok = fwrite(line.data(), 1, line.size(), f) == line.size();
    }
    return fclose(f) == 0 && ok;
}

ImageHead pictureHead(int imgid, const std::string &path)
{
    ImageHead head;
    initImageHead(&head);
    snprintf(head.file, sizeof(head.file), "%s", path.c_str());
    head.imgid = imgid;
    head.pixel = PIXEL_BYTE;
    head.bits = 8;
    head.rows = rows;
    head.columns = columns;
    head.nbands = bands;
    head.mapid = 1;
    head.dx = head.dy = 1.0;
    head.transparent = -1;
    head.dataFd = -1;
    head.block = imgid == IMGID_JPEG ? quality : 0;
    return head;
}

/* ---- The library's passes ------------------------------------------------------- */

bool codecEncode(const std::string &path, const std::vector<unsigned char> &bil)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    ImageHead head = pictureHead(IMGID_JPEG, path);
    int ok = writeJpegImage(fd, &head, bil.data(), columns);
    return close(fd) == 0 && ok == 1;
}

bool codecDecode(const std::string &path, std::vector<unsigned char> &bil)
{
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    int ok = readJpegFile(fd, bil.data(), columns, rows, bands, NULL, 0);
    close(fd);
    return ok == 1;
}

/* Opens the file as a RAM image and touches every row of every band. */
bool ramRead(const std::string &path)
{
    int err = 0;
    RAMIMG *image = openRAMImage("bench_read", path.c_str(), NULL, NULL, &err);
    if (image == NULL) {
        return false;
    }
    uint64_t sum = 0;
    bool ok = true;
    for (int r = 0; r < rows && ok; r++) {
        for (int b = 0; b < bands; b++) {
            unsigned char *row = getRAMImageLine(image, r, b, 1);
            if (row == NULL) {
                ok = false;
                break;
            }
            sum += row[r % columns];
        }
    }
    sink = sum;
    closeRAMImage(image, NULL);
    return ok;
}

/* Creates the file as a new RAM image, writes every row and flushes. */
bool ramWrite(int imgid, const std::string &path, const std::vector<unsigned char> &bil)
{
    ImageHead head = pictureHead(imgid, path);
    int err = 0;
    RAMIMG *image = openRAMImageNew(&head, NULL, 1, &err);
    if (image == NULL) {
        return false;
    }
    image->head.block = imgid == IMGID_JPEG ? quality : image->head.block;
    bool ok = true;
    for (int r = 0; r < rows && ok; r++) {
        for (int b = 0; b < bands; b++) {
            unsigned char *row = getRAMImageLine(image, r, b, 0);
            if (row == NULL) {
                ok = false;
                break;
            }
            memcpy(row, &bil[((size_t)r * bands + b) * columns], columns);
            markRowDirty(image, r, b);
        }
    }
    if (flushRamImage(image) != 1) {
        ok = false;
    }
    closeRAMImage(image, NULL);
    return ok;
}

void printRow(const char *task, double ovex)
{
    if (ovex < 0) {
        printf("%-40s %10s\n", task, "failed");
    } else {
        printf("%-40s %10.3f\n", task, ovex);
    }
}

} // namespace

int main(int argc, char **argv)
{
    Tcl_FindExecutable(argv[0]);
    std::string folder = argc > 1 ? argv[1] : "/tmp";
    std::string base = folder + "/ovex-bench-" + std::to_string((long)getpid());
    std::string ppm = base + ".ppm";
    std::string jpeg = base + ".jpg";
    std::string ovexJpeg = base + "-ovex.jpg";
    std::string bmp = base + ".bmp";

    std::vector<unsigned char> picture = makePicture();
    if (!writePpm(ppm, picture)) {
        fprintf(stderr, "cannot write %s\n", ppm.c_str());
        return 1;
    }
    printf("%d x %d RGB, JPEG quality %d; seconds, best of two runs\n\n", columns, rows, quality);
    printf("%-40s %10s\n", "task", "ovex");

    /* JPEG: the library's file is the one the readers read. */
    printRow("JPEG write (codec)", best([&]() { return codecEncode(jpeg, picture); }));
    printRow("JPEG write (new RAM image, all rows)",
             best([&]() { return ramWrite(IMGID_JPEG, ovexJpeg, picture); }));
    std::vector<unsigned char> decoded(picture.size());
    printRow("JPEG read (codec)", best([&]() { return codecDecode(jpeg, decoded); }));
    printRow("JPEG read (open RAM image, all rows)", best([&]() { return ramRead(jpeg); }));

    double bmpWrite = best([&]() { return ramWrite(IMGID_DIB, bmp, picture); });
    printRow("BMP write (new RAM image, all rows)", bmpWrite);
    if (bmpWrite >= 0) {
        printRow("BMP read (open RAM image, all rows)", best([&]() { return ramRead(bmp); }));
    }

    for (const std::string &path : {ppm, jpeg, ovexJpeg, bmp}) {
        unlink(path.c_str());
    }
    return 0;
}
