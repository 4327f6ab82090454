/*
 * ovexstdio.h --
 *
 *	Standard-I/O replacements of the Ovex library. Output to stdout and
 *	stderr and input from stdin go through the current console
 *	interpreter; other streams go to the C library as usual.
 *
 *	The functions carry the library's prefix so that loading the library
 *	never replaces the C library's own. A module that wants its plain
 *	printf/fprintf/... calls routed to the console includes this header
 *	with OVEX_MAP_STDIO defined, after <stdio.h> and <stdlib.h>.
 */
#ifndef OVEX_OVEXSTDIO_H
#define OVEX_OVEXSTDIO_H

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define OVEX_API __attribute__((visibility("default")))
#define OVEX_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define OVEX_API
#define OVEX_PRINTF(f, a)
#endif

OVEX_API int ovex_vfprintf(FILE *stream, const char *format, va_list ap);
OVEX_API int ovex_fprintf(FILE *stream, const char *format, ...) OVEX_PRINTF(2, 3);
OVEX_API int ovex_printf(const char *format, ...) OVEX_PRINTF(1, 2);
OVEX_API int ovex_fputs(const char *text, FILE *stream);
OVEX_API int ovex_fputc(int c, FILE *stream);
OVEX_API int ovex_putchar(int c);
OVEX_API int ovex_puts(const char *text);
OVEX_API char *ovex_fgets(char *buffer, int n, FILE *stream);
OVEX_API int ovex_fgetc(FILE *stream);
OVEX_API int ovex_getc(FILE *stream);
OVEX_API char *ovex_gets(char *buffer);
OVEX_API int ovex_getch(void);
OVEX_API int ovex_scanf(const char *format, ...);
OVEX_API int ovex_fscanf(FILE *stream, const char *format, ...);
/* env(NAME) of the console interpreter, or NULL. */
OVEX_API char *ovex_getenv(const char *name);

#ifdef __cplusplus
}
#endif

#ifdef OVEX_MAP_STDIO
#undef vfprintf
#undef fprintf
#undef printf
#undef fputs
#undef fputc
#undef putc
#undef putchar
#undef puts
#undef fgets
#undef fgetc
#undef getc
#undef gets
#undef getch
#undef scanf
#undef fscanf
#undef getenv
#define vfprintf ovex_vfprintf
#define fprintf ovex_fprintf
#define printf ovex_printf
#define fputs ovex_fputs
#define fputc ovex_fputc
#define putc ovex_fputc
#define putchar ovex_putchar
#define puts ovex_puts
#define fgets ovex_fgets
#define fgetc ovex_fgetc
#define getc ovex_getc
#define gets ovex_gets
#define getch ovex_getch
#define scanf ovex_scanf
#define fscanf ovex_fscanf
#define getenv ovex_getenv
#endif

#endif /* OVEX_OVEXSTDIO_H */
