/*
 * conv_kernel.cpp --
 *
 *	Reading and parsing the kernel texts of rimage gconv.
 */
#include "core/native_path.h"
#include "programs/conv_kernel.h"

#include <errno.h>
#include <fcntl.h>
#include <float.h>
#include <math.h>
#include <stdint.h>
#include <string.h>
#include <unistd.h>

#include "core/package.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

/* Kernel texts are a few hundred numbers; a file beyond this is not one
 * (and a device such as /dev/zero would never end). */
static const size_t KERNEL_TEXT_LIMIT = (size_t)64 << 20;

static const char WORD_SEPARATORS[] = " \n,;";

/*
 * readWholeFile --
 *	Reads fd to its end in growing chunks, so that pipes and files whose
 *	size changes meanwhile are read as they come.
 * Returns: the NUL-terminated bytes (gmemAlloc'ed), or NULL after the
 *	message naming word.
 */
static char *readWholeFile(int fd, const char *word)
{
    size_t room = 4096, used = 0;
    char *text = (char *)gmemAlloc(room + 1);
    if (text == NULL) {
        ovex_fprintf(stderr, "Error in memory allocation.\n");
        return NULL;
    }
    for (;;) {
        if (used == room) {
            if (room >= KERNEL_TEXT_LIMIT) {
                ovex_fprintf(stderr, "Error in reading kernel file: %s.\n", word);
                gmemFree(text);
                return NULL;
            }
            room *= 2;
            char *grown = (char *)gmemRealloc(text, room + 1);
            if (grown == NULL) {
                ovex_fprintf(stderr, "Error in memory allocation.\n");
                gmemFree(text);
                return NULL;
            }
            text = grown;
        }
        ssize_t got = read(fd, text + used, room - used);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ovex_fprintf(stderr, "Error in reading kernel file: %s.\n", word);
            gmemFree(text);
            return NULL;
        }
        if (got == 0) {
            break;
        }
        used += (size_t)got;
    }
    text[used] = '\0';
    return text;
}

char *readConvKernelText(const char *word)
{
    if (word[0] == '@') {
        size_t length = strlen(word + 1);
        char *text = (char *)gmemAlloc(length + 1);
        if (text == NULL) {
            ovex_fprintf(stderr, "Error in memory allocation.\n");
            return NULL;
        }
        memcpy(text, word + 1, length + 1);
        return text;
    }
    int fd = open(nativePath(word).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ovex_fprintf(stderr, "Error in open kernel file: %s.\n", word);
        return NULL;
    }
    char *text = readWholeFile(fd, word);
    close(fd);
    return text;
}

/* A weight as the single-precision value it is kept in; magnitudes
 * beyond float become infinities rather than an undefined conversion. */
static float weightValue(const char *word)
{
    double value = ovexLenientDouble(word);
    if (value > FLT_MAX) {
        return INFINITY;
    }
    if (value < -FLT_MAX) {
        return -INFINITY;
    }
    return (float)value;
}

static int kernelType(const char *word)
{
    static const struct {
        const char *name;
        int type;
    } types[] = {
        {"2D", CONV_KERNEL_2D}, {"1Ds", CONV_KERNEL_SEPARABLE},
        {"dynamic", CONV_KERNEL_DYNAMIC}, {"median", CONV_KERNEL_MEDIAN}
    };
    for (const auto &entry : types) {
        if (strcmp(word, entry.name) == 0) {
            return entry.type;
        }
    }
    return 0;
}

/*
 * readKernelWords --
 *	The type, the window and the weights, each refusal with its own
 *	message (none for a missing word).
 * Returns: 1, or 0 when refused.
 */
static int readKernelWords(char *text, ConvKernel *kernel)
{
    char *save = NULL;
    const char *word = strtok_r(text, WORD_SEPARATORS, &save);
    if (word == NULL) {
        return 0;
    }
    kernel->type = kernelType(word);
    if (kernel->type == 0) {
        ovex_fprintf(stderr, "Unknown kernel type: %s", word);
        return 0;
    }
    const char *nxWord = strtok_r(NULL, WORD_SEPARATORS, &save);
    const char *nyWord = nxWord != NULL ? strtok_r(NULL, WORD_SEPARATORS, &save) : NULL;
    if (nyWord == NULL) {
        return 0;
    }
    kernel->nx = ovexLenientInt(nxWord);
    kernel->ny = ovexLenientInt(nyWord);
    if (kernel->nx < 1 || kernel->ny < 1) {
        ovex_fprintf(stderr, "Invalid kernel dimension (must be > 0) - nx:%d ny:%d\n",
                     kernel->nx, kernel->ny);
        return 0;
    }
    /* 64 bits: a product of two large sides must not wrap below the limit. */
    int64_t needed = 0;
    if (kernel->type == CONV_KERNEL_2D) {
        needed = (int64_t)kernel->nx * kernel->ny;
    } else if (kernel->type == CONV_KERNEL_SEPARABLE) {
        needed = (int64_t)kernel->nx + kernel->ny;
    }
    if (needed > CONV_KERNEL_MAX_WEIGHTS) {
        ovex_fprintf(stderr, "Kernel size overflow: %dx%d.\n", kernel->nx, kernel->ny);
        return 0;
    }
    kernel->count = 0;
    while (kernel->count < needed) {
        word = strtok_r(NULL, WORD_SEPARATORS, &save);
        if (word == NULL) {
            ovex_fprintf(stderr, "Not enough kernel elements: %d (expected: %d).\n",
                         kernel->count, (int)needed);
            return 0;
        }
        kernel->weights[kernel->count++] = weightValue(word);
    }
    word = strtok_r(NULL, WORD_SEPARATORS, &save);
    if (word != NULL) {
        ovex_fprintf(stderr, "Unexpected kernel end %s.\n", word);
        return 0;
    }
    return 1;
}

int parseConvKernel(char *text, ConvKernel *kernel)
{
    memset(kernel, 0, sizeof(*kernel));
    if (!readKernelWords(text, kernel)) {
        ovex_fprintf(stderr, "Error in parsing conv kernel.\n");
        return 0;
    }
    return 1;
}
