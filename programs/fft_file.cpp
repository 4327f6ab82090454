/*
 * fft_file.cpp --
 *
 *	Creating, opening, reading and writing FFT image files (layout in
 *	fft_file.h), and the chunked block reader and writer.
 *
 *	A failure is reported on standard error and returned to the caller;
 *	the library never ends the process, so the program that drives a
 *	run decides what a failed write means for it.
 */
#include "core/native_path.h"
#include "programs/fft_file.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "ovex/ovexstdio.h"
#include "platform/large_pages.h"
#include "ramimage/file_checks.h"
#include "ramimage/kit/output_checks.h"
#include "ramimage/kit/program_kit.h"

static_assert(sizeof(FftHeader) == FFT_HEADER_SIZE, "FftHeader must be 1024 bytes");
static_assert(offsetof(FftHeader, rows) == 84 && offsetof(FftHeader, kind) == 100
                  && offsetof(FftHeader, count) == 104 && offsetof(FftHeader, stdIm) == 168
                  && offsetof(FftHeader, reserved) == 176,
              "FftHeader fields at their file offsets");

namespace {

const size_t ELEMENT_BYTES = 8;
const int64_t CHUNK_BYTES = 32768;

/* "label: the system's text for errno" on standard error, as perror. */
void reportSystemError(const char *label)
{
    ovex_fprintf(stderr, "%s: %s\n", label, strerror(errno));
}

/* One read call, repeated only when a signal interrupted it. */
ssize_t readOnce(int fd, void *buffer, size_t length)
{
    ssize_t n;
    do {
        n = read(fd, buffer, length);
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t writeOnce(int fd, const void *buffer, size_t length)
{
    ssize_t n;
    do {
        n = write(fd, buffer, length);
    } while (n < 0 && errno == EINTR);
    return n;
}

/* Reads length bytes at the current position; false on a short read, with
 * errno 0 when the file simply ended. */
bool readWhole(int fd, void *buffer, size_t length)
{
    size_t done = 0;
    while (done < length) {
        errno = 0;
        ssize_t n = readOnce(fd, (char *)buffer + done, length - done);
        if (n <= 0) {
            return false;
        }
        done += (size_t)n;
    }
    return true;
}

bool writeWhole(int fd, const void *buffer, size_t length)
{
    size_t done = 0;
    while (done < length) {
        ssize_t n = writeOnce(fd, (const char *)buffer + done, length - done);
        if (n <= 0) {
            if (n == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        done += (size_t)n;
    }
    return true;
}

/* pread and pwrite of the whole length, as readWhole and writeWhole. */
bool readWholeAt(int fd, void *buffer, size_t length, int64_t offset)
{
    size_t done = 0;
    while (done < length) {
        errno = 0;
        ssize_t n = pread(fd, (char *)buffer + done, length - done, (off_t)(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += (size_t)n;
    }
    return true;
}

bool writeWholeAt(int fd, const void *buffer, size_t length, int64_t offset)
{
    size_t done = 0;
    while (done < length) {
        ssize_t n = pwrite(fd, (const char *)buffer + done, length - done, (off_t)(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        done += (size_t)n;
    }
    return true;
}

/* Moves the position to offset; false when it does not land there. */
bool seekTo(int fd, int64_t offset)
{
    return lseek(fd, (off_t)offset, SEEK_SET) == (off_t)offset;
}

bool rowsInside(const FftHeader *head, int first, int count)
{
    return head->columns >= 1 && first >= 0 && count >= 0 && (int64_t)first + count <= head->rows;
}

bool columnsInside(const FftHeader *head, int first, int count)
{
    return head->rows >= 0 && first >= 0 && count >= 0
           && (int64_t)first + count <= head->columns;
}

/* Folds the rows of a segment into the statistics, row by row. */
void foldRows(FftHeader *head, const float *buffer, int rowCount, int perRow)
{
    fftHeaderStatsRows(head, rowCount, perRow, buffer, (size_t)perRow);
}

} // namespace

int64_t fftElementOffset(const FftHeader *head, int row, int column)
{
    return FFT_HEADER_SIZE + ((int64_t)row * head->columns + column) * (int64_t)ELEMENT_BYTES;
}

/*
 *----------------------------------------------------------------------
 *
 * createFftFile --
 *
 *	Creates the FFT image file path (truncating an existing one) and
 *	writes head into it.
 *
 * Results:
 *	The descriptor of the file opened again by openFftFile, or -1.
 *
 * Side effects:
 *	When the file would not fit on its disk, "Insufficient disk
 *	space.\n" and the request and free bytes are printed; the file stays
 *	created and empty. Other failures print the system's error text for
 *	path.
 *
 *----------------------------------------------------------------------
 */
int createFftFile(const char *path, FftHeader *head)
{
    static const char *const kinds[] = {FFT_MAGIC, NULL};
    if (!progOutputFileAllowed(path, kinds)) {
        return -1;
    }
    progNoteOutputFile(path);
    int fd = open(nativePath(path).c_str(), O_CREAT | O_TRUNC | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) {
        reportSystemError(path);
        return -1;
    }
    /* The whole file: the header and 8 bytes per element. */
    double request = FFT_HEADER_SIZE + (double)head->rows * head->columns * ELEMENT_BYTES;
    double available = diskFreeBytes(path);
    if (request > available) {
        ovex_fprintf(stderr, "Insufficient disk space.\n");
        ovex_fprintf(stderr, "Rquest: %.f  Available: %.f\n", request, available);
        close(fd);
        return -1;
    }
    if (!writeWhole(fd, head, FFT_HEADER_SIZE)) {
        reportSystemError(path);
        close(fd);
        return -1;
    }
    if (close(fd) != 0) {
        reportSystemError(path);
        return -1;
    }
    return openFftFile(path, head);
}

/*
 *----------------------------------------------------------------------
 *
 * openFftFile --
 *
 *	Opens an FFT image file for reading and writing and reads its header.
 *
 * Results:
 *	The descriptor, positioned after the header; -1 when the file cannot
 *	be opened or is shorter than a header (the system's error text for
 *	path) or holds another magic ("Not an FFT image file!\n").
 *
 * Side effects:
 *	head receives the file's first 1024 bytes.
 *
 *----------------------------------------------------------------------
 */
int openFftFile(const char *path, FftHeader *head)
{
    int fd = open(nativePath(path).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        reportSystemError(path);
        return -1;
    }
    if (!readWhole(fd, head, FFT_HEADER_SIZE)) {
        if (errno == 0) {
            ovex_fprintf(stderr, "%s: Unexpected end of file\n", path);
        } else {
            reportSystemError(path);
        }
        close(fd);
        return -1;
    }
    if (memcmp(head->magic, FFT_MAGIC, FFT_MAGIC_SIZE) != 0) {
        ovex_fprintf(stderr, "Not an FFT image file!\n");
        close(fd);
        return -1;
    }
    return fd;
}

/*
 * GetFFTFileBlock --
 *	Reads rows firstRow .. firstRow + rowCount - 1 into buffer, in one
 *	transfer. Returns buffer; NULL after "lseek error in
 *	GetFFTFileBlock" or "read error in GetFFTFileBlock" (what was read
 *	before a short read stays in buffer), or for rows outside the file.
 */
float *GetFFTFileBlock(FftHeader *head, int fd, float *buffer, int firstRow, int rowCount)
{
    if (head == NULL || buffer == NULL || !rowsInside(head, firstRow, rowCount)) {
        ovex_fprintf(stderr, "GetFFTFileBlock: rows outside the file\n");
        return NULL;
    }
    size_t rowBytes = (size_t)head->columns * ELEMENT_BYTES;
    if (!seekTo(fd, fftElementOffset(head, firstRow, 0))) {
        ovex_fprintf(stderr, "lseek error in GetFFTFileBlock");
        return NULL;
    }
    if (!readWhole(fd, buffer, rowBytes * (size_t)rowCount)) {
        ovex_fprintf(stderr, "read error in GetFFTFileBlock");
        return NULL;
    }
    return buffer;
}

/*
 * GetFFTFileSeg --
 *	Reads columns firstColumn .. firstColumn + columnCount - 1 of every
 *	row into buffer, row by row, one positioned read each. Returns
 *	buffer; NULL after "read error in GetFFTFileSeg", or for columns
 *	outside the file.
 */
float *GetFFTFileSeg(FftHeader *head, int fd, float *buffer, int firstColumn, int columnCount)
{
    if (head == NULL || buffer == NULL || !columnsInside(head, firstColumn, columnCount)) {
        ovex_fprintf(stderr, "GetFFTFileSeg: columns outside the file\n");
        return NULL;
    }
    size_t segmentBytes = (size_t)columnCount * ELEMENT_BYTES;
    for (int r = 0; r < head->rows; r++) {
        if (!readWholeAt(fd, (char *)buffer + (size_t)r * segmentBytes, segmentBytes,
                         fftElementOffset(head, r, firstColumn))) {
            ovex_fprintf(stderr, "read error in GetFFTFileSeg");
            return NULL;
        }
    }
    return buffer;
}

/*
 * PutFFTFileBlock --
 *	Writes rows firstRow .. firstRow + rowCount - 1 from buffer in one
 *	transfer, after folding each row into the header statistics when
 *	statistics is non-zero. Returns 1; 0 after "lseek error in
 *	PutFFTFileBlock" or "write error in PutFFTFileBlock" with the
 *	system's error text, or for rows outside the file.
 */
int PutFFTFileBlock(FftHeader *head, int fd, const float *buffer, int firstRow, int rowCount,
                    int statistics)
{
    if (head == NULL || buffer == NULL || !rowsInside(head, firstRow, rowCount)) {
        ovex_fprintf(stderr, "PutFFTFileBlock: rows outside the file\n");
        return 0;
    }
    size_t rowBytes = (size_t)head->columns * ELEMENT_BYTES;
    if (!seekTo(fd, fftElementOffset(head, firstRow, 0))) {
        reportSystemError("lseek error in PutFFTFileBlock");
        return 0;
    }
    if (statistics) {
        foldRows(head, buffer, rowCount, head->columns);
    }
    if (!writeWhole(fd, buffer, rowBytes * (size_t)rowCount)) {
        reportSystemError("write error in PutFFTFileBlock");
        return 0;
    }
    return 1;
}

/*
 * PutFFTFileBlockReleasing --
 *	PutFFTFileBlock in pieces of RELEASE_BYTES ending on 2 MiB
 *	boundaries of the buffer, whose pages go back to the system as each
 *	piece is written: the file's new pages can take them, rather than
 *	fresh ones the system must first find and clear.
 */
int PutFFTFileBlockReleasing(FftHeader *head, int fd, float *buffer, int firstRow, int rowCount,
                             int statistics)
{
    if (head == NULL || buffer == NULL || !rowsInside(head, firstRow, rowCount)) {
        ovex_fprintf(stderr, "PutFFTFileBlock: rows outside the file\n");
        return 0;
    }
    const uintptr_t RELEASE_BYTES = (uintptr_t)8 << 20, HUGE_PAGE = (uintptr_t)2 << 20;
    if (statistics) {
        foldRows(head, buffer, rowCount, head->columns);
    }
    size_t total = (size_t)head->columns * ELEMENT_BYTES * (size_t)rowCount;
    int64_t offset = fftElementOffset(head, firstRow, 0);
    char *at = (char *)buffer, *end = at + total;
    while (at < end) {
        uintptr_t stop = ((uintptr_t)at + RELEASE_BYTES) & ~(HUGE_PAGE - 1);
        size_t length = stop < (uintptr_t)end ? (size_t)(stop - (uintptr_t)at) : (size_t)(end - at);
        if (!writeWholeAt(fd, at, length, offset)) {
            reportSystemError("write error in PutFFTFileBlock");
            return 0;
        }
        releasePages(at, length);
        at += length;
        offset += (int64_t)length;
    }
    return 1;
}

/*
 * PutFFTFileSeg --
 *	Writes columns firstColumn .. firstColumn + columnCount - 1 of every
 *	row from buffer (row by row, one positioned write each), after
 *	folding the whole segment into the header statistics when statistics
 *	is non-zero. Returns 1; 0 after "write error in PutFFTFileSeg" with
 *	the system's error text, or for columns outside the file.
 */
int PutFFTFileSeg(FftHeader *head, int fd, const float *buffer, int firstColumn,
                  int columnCount, int statistics)
{
    if (head == NULL || buffer == NULL || !columnsInside(head, firstColumn, columnCount)) {
        ovex_fprintf(stderr, "PutFFTFileSeg: columns outside the file\n");
        return 0;
    }
    if (statistics) {
        foldRows(head, buffer, head->rows, columnCount);
    }
    size_t segmentBytes = (size_t)columnCount * ELEMENT_BYTES;
    for (int r = 0; r < head->rows; r++) {
        if (!writeWholeAt(fd, (const char *)buffer + (size_t)r * segmentBytes, segmentBytes,
                          fftElementOffset(head, r, firstColumn))) {
            reportSystemError("write error in PutFFTFileSeg");
            return 0;
        }
    }
    return 1;
}

/*
 * PutFFTHead --
 *	Writes head over the first 1024 bytes of the file. Returns 1; 0
 *	after "PutFFTHead" and the system's error text.
 */
int PutFFTHead(FftHeader *head, int fd)
{
    if (head == NULL || !seekTo(fd, 0) || !writeWhole(fd, head, FFT_HEADER_SIZE)) {
        reportSystemError("PutFFTHead");
        return 0;
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * getFileData --
 *
 *	Reads count bytes into buffer, at offset when it is 0 or more, in
 *	chunks of at most 32768 bytes, one read call each.
 *
 * Results:
 *	The bytes of the complete chunks read before the first short one;
 *	0 when the seek fails or count is negative.
 *
 * Side effects:
 *	Moves the file position; a failed seek or short chunk is reported
 *	after "lseek in getFileData" or "read in getFileData".
 *
 *----------------------------------------------------------------------
 */
int64_t getFileData(int fd, void *buffer, int64_t count, int64_t offset)
{
    if (count < 0 || (count > 0 && buffer == NULL)) {
        return 0;
    }
    if (offset >= 0 && lseek(fd, (off_t)offset, SEEK_SET) < 0) {
        reportSystemError("lseek in getFileData");
        return 0;
    }
    int64_t done = 0;
    while (done < count) {
        int64_t chunk = (count - done < CHUNK_BYTES) ? count - done : CHUNK_BYTES;
        errno = 0;
        ssize_t n = readOnce(fd, (char *)buffer + done, (size_t)chunk);
        if (n != (ssize_t)chunk) {
            if (n < 0 || errno != 0) {
                reportSystemError("read in getFileData");
            } else {
                ovex_fprintf(stderr, "read in getFileData: Unexpected end of file\n");
            }
            return done;
        }
        done += n;
    }
    return done;
}

/*
 * putFileData --
 *	The writing counterpart of getFileData: "lseek in putFileData" with
 *	the system's error text when the seek fails (0), "putFileData error
 *	in write\n" at the first short chunk.
 */
int64_t putFileData(int fd, const void *buffer, int64_t count, int64_t offset)
{
    if (count < 0 || (count > 0 && buffer == NULL)) {
        return 0;
    }
    if (offset >= 0 && lseek(fd, (off_t)offset, SEEK_SET) < 0) {
        reportSystemError("lseek in putFileData");
        return 0;
    }
    int64_t done = 0;
    while (done < count) {
        int64_t chunk = (count - done < CHUNK_BYTES) ? count - done : CHUNK_BYTES;
        ssize_t n = writeOnce(fd, (const char *)buffer + done, (size_t)chunk);
        if (n != (ssize_t)chunk) {
            ovex_fprintf(stderr, "putFileData error in write\n");
            return done;
        }
        done += n;
    }
    return done;
}
