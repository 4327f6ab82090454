/*
 * sanitizer_defaults.c --
 *
 *	Linked into every program of a sanitizer build: Ovex treats a failed
 *	allocation as an error to report (gmemAlloc returns NULL), so the
 *	sanitizer's malloc must return NULL for an impossible request, as the
 *	C library's does, instead of ending the program. A single block above
 *	1 GiB is refused as well: the sanitizer marks every byte of a block on
 *	each allocation and release, so a probe that walks the heap in
 *	gigabyte blocks ("calc memory clean") would take hours. The shell
 *	wrappers (sanitized-shell.in) pass the same settings.
 *
 *	Weak: the archive and the programs linking it may both carry it.
 */
const char *__asan_default_options(void);

__attribute__((weak, visibility("default"))) const char *__asan_default_options(void)
{
    return "allocator_may_return_null=1:max_allocation_size_mb=1024";
}
