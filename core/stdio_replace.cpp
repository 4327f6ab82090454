/*
 * stdio_replace.cpp --
 *
 *	The standard-I/O functions of the library: stdout and stderr go to
 *	the console, stdin reads console lines, and every other stream is
 *	left to the C library, whose buffering already behaves as callers
 *	expect (bytes 0..255, -1 only at the end, the rest of a line kept).
 */
#include "ovex/ovexstdio.h"

#include <cstring>

#include "core/package.h"

namespace {

/* One formatted message is built here; longer ones get a buffer of their
 * own so that nothing is lost. */
const int MESSAGE_BUFFER_SIZE = 2048;

/* Console channel a stream stands for, or 0 for a stream of the C library. */
int consoleChannelOf(FILE *stream)
{
    if (stream == stdout) {
        return TCL_STDOUT;
    }
    if (stream == stderr) {
        return TCL_STDERR;
    }
    return 0;
}

/* Standard input reads the console. Streams without a descriptor
 * (fmemopen, fopencookie) hold data of their own and stay with the C
 * library. */
bool readsConsole(FILE *stream)
{
    return stream == stdin || fileno(stream) == 0;
}

/* Returns length when all was written, -1 when a real stream fell short. */
int writeText(FILE *stream, int channel, const char *text, int length)
{
    if (channel != 0) {
        return consolePuts(channel, text, length);
    }
    size_t written = fwrite(text, 1, (size_t)length, stream);
    return written == (size_t)length ? length : -1;
}

/*
 *----------------------------------------------------------------------
 *
 * formatAndWrite --
 *
 *	Formats a message and writes it to the console channel, or to stream
 *	when channel is 0.
 *
 * Results:
 *	The bytes written, -1 when formatting or a real write fails.
 *
 *----------------------------------------------------------------------
 */
int formatAndWrite(FILE *stream, int channel, const char *format, va_list ap)
{
    if (format == NULL || (channel == 0 && stream == NULL)) {
        return -1;
    }
    char buffer[MESSAGE_BUFFER_SIZE];
    va_list again;
    va_copy(again, ap);
    int length = vsnprintf(buffer, sizeof buffer, format, ap);
    if (length < 0) {
        va_end(again);
        return -1;
    }
    const char *text = buffer;
    char *large = NULL;
    if (length >= MESSAGE_BUFFER_SIZE) {
        large = (char *)Tcl_AttemptAlloc((unsigned int)length + 1);
        if (large != NULL && vsnprintf(large, (size_t)length + 1, format, again) == length) {
            text = large;
        } else {
            /* No memory for the whole message: keep what fits. */
            length = MESSAGE_BUFFER_SIZE - 1;
        }
    }
    va_end(again);
    int written = writeText(stream, channel, text, length);
    if (large != NULL) {
        Tcl_Free(large);
    }
    return written;
}

/* Scans one console line; EOF when no line comes, so that loops asking
 * again stop at the end of input. */
int scanConsoleLine(const char *format, va_list ap)
{
    char *line = conGets(NULL);
    if (line == NULL || format == NULL) {
        return EOF;
    }
    return vsscanf(line, format, ap);
}

} // namespace

int ovex_vfprintf(FILE *stream, const char *format, va_list ap)
{
    return formatAndWrite(stream, consoleChannelOf(stream), format, ap);
}

int ovex_fprintf(FILE *stream, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int written = formatAndWrite(stream, consoleChannelOf(stream), format, ap);
    va_end(ap);
    return written;
}

/* Always the console's standard output. */
int ovex_printf(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int written = formatAndWrite(stdout, TCL_STDOUT, format, ap);
    va_end(ap);
    return written;
}

/* Returns the text's length when all was written, else -1. */
int ovex_fputs(const char *text, FILE *stream)
{
    int channel = consoleChannelOf(stream);
    if (text == NULL || (channel == 0 && stream == NULL)) {
        return -1;
    }
    int length = (int)strlen(text);
    return writeText(stream, channel, text, length) == length ? length : -1;
}

/* Returns the character (0..255) when it was written, else -1. */
int ovex_fputc(int c, FILE *stream)
{
    return ovex_fprintf(stream, "%c", c) == 1 ? (unsigned char)c : -1;
}

int ovex_putchar(int c)
{
    return ovex_fputc(c, stdout);
}

/* Writes the text and a newline to the console's standard output; returns
 * the result of writing the text. */
int ovex_puts(const char *text)
{
    if (text == NULL) {
        return -1;
    }
    int written = consolePuts(TCL_STDOUT, text, (int)strlen(text));
    consolePuts(TCL_STDOUT, "\n", 1);
    return written;
}

/*
 *----------------------------------------------------------------------
 *
 * ovex_fgets --
 *
 *	Reads at most n - 1 bytes of one line. From the console: one line is
 *	read, min(n, its length) characters are copied (the last replaced by
 *	the terminator when n were copied) and the rest of the line is
 *	dropped; the line comes without its newline.
 *
 * Results:
 *	buffer, or NULL when nothing was read.
 *
 *----------------------------------------------------------------------
 */
char *ovex_fgets(char *buffer, int n, FILE *stream)
{
    if (stream == NULL) {
        return NULL;
    }
    if (!readsConsole(stream)) {
        return fgets(buffer, n, stream);
    }
    int length = 0;
    char *line = conGets(&length);
    if (line == NULL || buffer == NULL || n < 1) {
        return NULL;
    }
    int count = length < n ? length : n;
    memcpy(buffer, line, (size_t)count);
    buffer[count == n ? n - 1 : count] = '\0';
    return buffer;
}

/* Returns the next byte as 0..255, -1 at the end (an empty console line). */
int ovex_fgetc(FILE *stream)
{
    if (stream == NULL) {
        return -1;
    }
    if (!readsConsole(stream)) {
        return fgetc(stream);
    }
    int c = consoleGetchar();
    return c == 0 ? -1 : (unsigned char)c;
}

int ovex_getc(FILE *stream)
{
    return ovex_fgetc(stream);
}

/*
 *----------------------------------------------------------------------
 *
 * ovex_gets --
 *
 *	Reads one console line and removes a trailing newline. buffer must
 *	hold the longest console line: no bound is applied.
 *
 * Results:
 *	buffer holding the line, or, with no buffer, the internal line (valid
 *	until the next console read); NULL for an empty or missing line.
 *
 *----------------------------------------------------------------------
 */
char *ovex_gets(char *buffer)
{
    int length = 0;
    char *line = conGets(&length);
    if (line == NULL) {
        return NULL;
    }
    if (line[length - 1] == '\n') {
        line[--length] = '\0';
    }
    if (buffer == NULL) {
        return line;
    }
    memcpy(buffer, line, (size_t)length + 1);
    return buffer;
}

/* First character of one console line, 0 when there is none. */
int ovex_getch(void)
{
    return consoleGetchar();
}

int ovex_scanf(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int count = scanConsoleLine(format, ap);
    va_end(ap);
    return count;
}

int ovex_fscanf(FILE *stream, const char *format, ...)
{
    if (stream == NULL || format == NULL) {
        return EOF;
    }
    va_list ap;
    va_start(ap, format);
    int count = readsConsole(stream) ? scanConsoleLine(format, ap) : vfscanf(stream, format, ap);
    va_end(ap);
    return count;
}
