/*
 * unflushed_stdout.c --
 *
 *	Preloaded into a peer tool of bench/rows.py that flushes standard
 *	output after every line it writes (PROJ's proj, cs2cs and geod: one
 *	write call per line): fflush of stdout does nothing, so the tool's
 *	output leaves in the C library's full buffers, as ours does. The
 *	bytes written are the same; the C library flushes at exit. Every
 *	other stream is flushed as asked.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>

__attribute__((visibility("default"))) int fflush(FILE *stream)
{
    static int (*next)(FILE *);
    if (stream == stdout) {
        return 0;
    }
    if (next == NULL) {
        next = (int (*)(FILE *))dlsym(RTLD_NEXT, "fflush");
    }
    return next(stream);
}
