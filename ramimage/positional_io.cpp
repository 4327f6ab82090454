/*
 * positional_io.cpp --
 *
 *	pread/pwrite loops for the row cache and the strip readers.
 */
#include "ramimage/positional_io.h"

#include <errno.h>
#include <unistd.h>

/*
 * advanceVectors --
 *	Drops the first `done` bytes from the iovec list; returns the index of
 *	the first vector that still has bytes.
 */
static int advanceVectors(struct iovec *vectors, int count, int first, size_t done)
{
    while (first < count && done >= vectors[first].iov_len) {
        done -= vectors[first].iov_len;
        first++;
    }
    if (first < count) {
        vectors[first].iov_base = (char *)vectors[first].iov_base + done;
        vectors[first].iov_len -= done;
    }
    return first;
}

ssize_t readAt(int fd, void *buffer, size_t length, int64_t pos)
{
    struct iovec vector = {buffer, length};
    return readvAt(fd, &vector, 1, pos);
}

/* Not inlined: GCC misreads the one-vector case of readAt as an overread. */
__attribute__((noinline)) ssize_t readvAt(int fd, struct iovec *vectors, int count, int64_t pos)
{
    if (fd < 0 || pos < 0) {
        return -1;
    }
    size_t total = 0;
    int first = advanceVectors(vectors, count, 0, 0);
    while (first < count) {
        off_t at = (off_t)(pos + (int64_t)total);
        ssize_t got = count - first == 1
            ? pread(fd, vectors[first].iov_base, vectors[first].iov_len, at)
            : preadv(fd, vectors + first, count - first, at);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return total > 0 ? (ssize_t)total : -1;
        }
        if (got == 0) {
            break;                  /* end of file */
        }
        total += (size_t)got;
        first = advanceVectors(vectors, count, first, (size_t)got);
    }
    return (ssize_t)total;
}

int writeAt(int fd, const void *buffer, size_t length, int64_t pos)
{
    struct iovec vector = {(void *)buffer, length};
    return writevAt(fd, &vector, 1, pos);
}

__attribute__((noinline)) int writevAt(int fd, struct iovec *vectors, int count, int64_t pos)
{
    if (fd < 0 || pos < 0) {
        return 0;
    }
    size_t total = 0;
    int first = advanceVectors(vectors, count, 0, 0);
    while (first < count) {
        off_t at = (off_t)(pos + (int64_t)total);
        ssize_t put = count - first == 1
            ? pwrite(fd, vectors[first].iov_base, vectors[first].iov_len, at)
            : pwritev(fd, vectors + first, count - first, at);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return 0;
        }
        if (put == 0) {
            return 0;
        }
        total += (size_t)put;
        first = advanceVectors(vectors, count, first, (size_t)put);
    }
    return 1;
}
