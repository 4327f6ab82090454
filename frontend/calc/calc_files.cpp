/*
 * calc_files.cpp --
 *
 *	calc probes of files: fgets (the C library's stream buffering),
 *	fscanf (numbers read through a small full buffer), loadtime (a file
 *	of 32-bit time stamps) and freeDisk.
 */
#include "core/native_path.h"
#include "frontend/calc/calc_handlers.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include <stdio_ext.h>

#include "core/package.h"
#include "core/paths.h"
#include "ramimage/file_checks.h"

#define FGETS_BLOCK 512
#define FSCANF_BUFFER 1024

/* glibc keeps its stream state in the low half of _flags (the high half
 * is a magic number); bit 0 marks a buffer the caller supplied. */
#define STREAM_FLAG_BITS 0xFFFF
#define STREAM_USER_BUFFER 0x0001

/*
 * openNamedStream --
 *	The file named by argv[2] opened with mode. NULL with the usage
 *	(when there is no file name), the translation failure or "Error in
 *	open NAME\n" in the result.
 */
static FILE *openNamedStream(Tcl_Interp *interp, int argc, const char **argv, const char *usage,
                             const char *mode)
{
    if (argc < 3) {
        Tcl_SetResult(interp, (char *)usage, TCL_STATIC);
        return NULL;
    }
    std::string path;
    if (!translateFileName(interp, argv[2], &path)) {
        return NULL;
    }
    FILE *stream = fopen(nativePath(path.c_str()).c_str(), mode);
    if (stream == NULL) {
        calcSetResult(interp, "Error in open %s\n", argv[2]);
    }
    return stream;
}

/*
 * calcFgets --
 *	calc fgets fileName
 *	Reads the file in 512-byte blocks through a buffered stream and
 *	reports the stream's state before closing it: the buffer size, the
 *	stream's own status flags, and F_BUF (buffer allocated by the C
 *	library), F_LBUF (line buffered) and F_EOF (end of file reached).
 * Returns: TCL_OK with "blocks size:N level:FLAGS ?F_BUF? ?F_LBUF?
 *	?F_EOF?"; TCL_ERROR with the usage or the open failure.
 */
CALC_HANDLER(calcFgets)
{
    FILE *stream = openNamedStream(interp, argc, argv, "usage: calc fgets fileName\n", "rb");
    if (stream == NULL) {
        return TCL_ERROR;
    }
    char block[FGETS_BLOCK];
    int blocks = 0;
    while (fread(block, 1, sizeof block, stream) > 0) {
        blocks++;
    }
    int size = (int)__fbufsize(stream);
    int flags = stream->_flags & STREAM_FLAG_BITS;
    calcSetResult(interp, "%d size:%d level:%d", blocks, size, flags);
    if (size > 0 && !(flags & STREAM_USER_BUFFER)) {
        Tcl_AppendElement(interp, "F_BUF");
    }
    if (__flbf(stream)) {
        Tcl_AppendElement(interp, "F_LBUF");
    }
    if (feof(stream)) {
        Tcl_AppendElement(interp, "F_EOF");
    }
    fclose(stream);
    return TCL_OK;
}

/*
 * calcFscanf --
 *	calc fscanf fileName
 * Returns: TCL_OK after "index value" for every number read (standard
 *	error); TCL_ERROR with the usage or the open failure.
 */
CALC_HANDLER(calcFscanf)
{
    FILE *stream = openNamedStream(interp, argc, argv, "usage: calc fscanf fileName\n", "r");
    if (stream == NULL) {
        return TCL_ERROR;
    }
    char buffer[FSCANF_BUFFER];
    setvbuf(stream, buffer, _IOFBF, sizeof buffer);
    double value;
    for (int index = 0; fscanf(stream, "%lf", &value) == 1; index++) {
        ovex_fprintf(stderr, "%d %f\n", index, value);
    }
    fclose(stream);
    return TCL_OK;
}

/*
 * calcLoadtime --
 *	calc loadtime timeStampFile ?offset?
 * Returns: TCL_OK with "%d " for every 32-bit integer from byte offset
 *	(when above 0) on; TCL_ERROR after the usage (standard output) or
 *	the open failure (standard error).
 */
CALC_HANDLER(calcLoadtime)
{
    if (argc != 3 && argc != 4) {
        ovex_fprintf(stdout, "Usage: %s timeStampFile [offset]\n", argv[1]);
        return TCL_ERROR;
    }
    std::string path;
    if (!translateFileName(interp, argv[2], &path)) {
        return TCL_ERROR;
    }
    FILE *stream = fopen(nativePath(path.c_str()).c_str(), "rb");
    if (stream == NULL) {
        ovex_fprintf(stderr, "Error in open: %s\n", argv[2]);
        return TCL_ERROR;
    }
    int offset = argc == 4 ? ovexLenientInt(argv[3]) : 0;
    if (offset > 0) {
        fseek(stream, offset, SEEK_SET);
    }
    Tcl_DString stamps;
    Tcl_DStringInit(&stamps);
    int32_t stamp;
    while (fread(&stamp, sizeof stamp, 1, stream) == 1) {
        char text[16];
        snprintf(text, sizeof text, "%d ", (int)stamp);
        Tcl_DStringAppend(&stamps, text, -1);
    }
    fclose(stream);
    Tcl_DStringResult(interp, &stamps);
    return TCL_OK;
}

/*
 * calcFreeDisk --
 *	calc freeDisk ?path?
 * Returns: TCL_OK with the bytes free on the file system of path (".")
 *	as "%.f" (-1 after the failure message); TCL_ERROR with the usage.
 */
CALC_HANDLER(calcFreeDisk)
{
    if (argc > 3) {
        Tcl_SetResult(interp, (char *)"Usage: calc freeDisk [path]\n", TCL_STATIC);
        return TCL_ERROR;
    }
    std::string path = ".";
    if (argc == 3 && !translateFileName(interp, argv[2], &path)) {
        return TCL_ERROR;
    }
    calcSetResult(interp, "%.f", diskFreeBytes(path.c_str()));
    return TCL_OK;
}
