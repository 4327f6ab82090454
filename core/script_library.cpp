/*
 * script_library.cpp --
 *
 *	Script-library files: compressed Tcl scripts that start-up, every
 *	console interpreter and the console patch evaluate, and the calc
 *	subcommands compsave, decompload and comptest over them.
 *
 *	File layout (all binary):
 *
 *	  offset  size  content
 *	  0       8     magic "SCRBCOMP", no terminator
 *	  8       1     selector: substitution table index << 1; bit 0 set
 *	                means the reader applies the table's inverse (the
 *	                writer stores 3)
 *	  9       12    compressed length, decimal digits ended by a zero byte
 *	                or by the end of the field; later bytes are ignored
 *	  21      12    text length in the same form: the script and its
 *	                terminating zero byte
 *	  33      n     the zlib stream (one-shot compress) of the text, every
 *	                byte passed through the substitution table
 *
 *	The substitution table below is part of the format: files written with
 *	it are read only with the same table, so it must never change.
 */
#include "core/native_path.h"
#include "core/script_library.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "core/console_io.h"
#include "core/package.h"
#include "core/paths.h"
#include "core/read_bytes.h"
#include "core/whole_file.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

/* Room for a translated file name. */
#define SCRIPT_LIB_PATH_SIZE 4096

/*
 * Substitution table 1 (selector 2 and 3). Index 0 is unused: selectors 0
 * and 1 are refused as an invalid version.
 */
static const unsigned char substTable1[256] = {
    0x71, 0xc1, 0xd4, 0x33, 0x6f, 0x64, 0x3c, 0x5c, 0x08, 0x2a, 0x66, 0xfb, 0x72, 0x40, 0xfd, 0xfa,
    0x10, 0xec, 0x24, 0x74, 0xcc, 0xcf, 0x57, 0x56, 0x5a, 0x03, 0x82, 0xcb, 0x5d, 0x3b, 0x94, 0xb5,
    0xaa, 0x1c, 0x5e, 0x9d, 0x1d, 0x0b, 0xc9, 0x93, 0xb3, 0xde, 0xba, 0x44, 0x79, 0x1a, 0xff, 0x27,
    0xd3, 0xc0, 0xce, 0x70, 0x01, 0x62, 0x3e, 0x37, 0x38, 0x69, 0x7b, 0x8f, 0x9b, 0x07, 0xdc, 0xae,
    0x04, 0xca, 0x4c, 0x95, 0xf5, 0x88, 0x3d, 0xef, 0xd6, 0x49, 0x63, 0x2e, 0xe5, 0x19, 0xbe, 0x7c,
    0x86, 0x4d, 0x1e, 0xe2, 0x6d, 0xd1, 0x2c, 0xa4, 0x9f, 0x65, 0xbc, 0xe3, 0x31, 0x7d, 0xf9, 0x16,
    0xa0, 0x4a, 0xdd, 0x0a, 0x96, 0x98, 0x4e, 0xad, 0x92, 0x5b, 0x48, 0xdf, 0x2b, 0x2f, 0x5f, 0xb0,
    0x1b, 0xd9, 0xea, 0xc7, 0x23, 0x54, 0x53, 0xc5, 0x83, 0x61, 0xd7, 0xf4, 0xc2, 0x4f, 0xa5, 0xc6,
    0x6b, 0x05, 0x7f, 0x8e, 0xab, 0x76, 0xa1, 0x39, 0x4b, 0xac, 0xda, 0x77, 0x0d, 0x75, 0x99, 0x9c,
    0xc3, 0xcd, 0x2d, 0x45, 0x7e, 0x51, 0xa7, 0xd5, 0xe4, 0x87, 0x29, 0x67, 0x50, 0xa2, 0x59, 0xb9,
    0xd2, 0xfc, 0x18, 0xc8, 0xb6, 0x84, 0x58, 0xbf, 0x25, 0xf3, 0x13, 0x42, 0x1f, 0xf0, 0x06, 0x6a,
    0x3f, 0xe7, 0x78, 0x81, 0xf7, 0xa6, 0x85, 0xb4, 0xd8, 0x22, 0x30, 0xa8, 0xe0, 0xc4, 0xbd, 0x90,
    0x26, 0xe1, 0x7a, 0x46, 0x09, 0xa3, 0xeb, 0x21, 0xbb, 0x00, 0x91, 0x55, 0x15, 0x73, 0xf1, 0xf8,
    0x8a, 0xfe, 0xf6, 0x6e, 0xb8, 0x8b, 0x8d, 0x34, 0x28, 0xe8, 0x47, 0xaf, 0x9e, 0x68, 0x14, 0xe9,
    0x43, 0x80, 0x0e, 0xb7, 0x11, 0x32, 0x89, 0x41, 0x60, 0x0f, 0xb1, 0x02, 0x9a, 0xf2, 0xed, 0x6c,
    0xa9, 0x35, 0x3a, 0xb2, 0xee, 0xdb, 0x36, 0x0c, 0x52, 0x12, 0x20, 0x97, 0x8c, 0x17, 0xd0, 0xe6,
};

/* The inverse of table 1, built from it on first use. */
static unsigned char inverseTable1[256];
static int inverseTable1Ready = 0;

static const unsigned char *inverseOfTable1(void)
{
    if (!inverseTable1Ready) {
        for (int i = 0; i < 256; i++) {
            inverseTable1[substTable1[i]] = (unsigned char)i;
        }
        inverseTable1Ready = 1;
    }
    return inverseTable1;
}

int byteSubstKnown(int selector)
{
    return selector >= 0 && (selector >> 1) == 1;
}

/*
 * byteSubst --
 *	Passes count bytes through table selector >> 1, or through its inverse
 *	when bit 0 of selector is set.
 * Returns: selector with bit 0 inverted; -1 for a table we do not have.
 * Changes: the bytes, in place.
 */
int byteSubst(int selector, unsigned char *bytes, size_t count)
{
    if (!byteSubstKnown(selector)) {
        return -1;
    }
    const unsigned char *table = (selector & 1) ? inverseOfTable1() : substTable1;
    for (size_t i = 0; i < count; i++) {
        bytes[i] = table[bytes[i]];
    }
    return selector ^ 1;
}

/*
 * parseLengthField --
 *	Reads the decimal digits of one 12-byte length field, up to a zero
 *	byte or the end of the field, never beyond it.
 * Returns: 1 and *value, or 0 when the field holds no digits or a byte
 *	that is neither a digit nor the terminator.
 */
static int parseLengthField(const unsigned char *field, uint64_t *value)
{
    uint64_t number = 0;
    size_t i = 0;
    for (; i < SCRIPT_LIB_LENGTH_FIELD && field[i] != 0; i++) {
        if (field[i] < '0' || field[i] > '9') {
            return 0;
        }
        number = number * 10 + (uint64_t)(field[i] - '0');
    }
    if (i == 0) {
        return 0;
    }
    *value = number;
    return 1;
}

/*
 * parseScriptLibHeader --
 *	Checks the lengths of a header against the file's size and what zlib
 *	can produce, so that no read or allocation trusts a damaged field.
 * Returns: NULL with *out filled, or the message describing the fault.
 */
const char *parseScriptLibHeader(const unsigned char *header, uint64_t fileSize,
                                 ScriptLibHeader *out)
{
    static const char invalidHeader[] = "Invalid script lib header.";
    int selector = header[SCRIPT_LIB_MAGIC_SIZE];
    if (selector < 2) {
        return "Invalid script lib version.";
    }
    if (!byteSubstKnown(selector)) {
        return "Unsupported script lib substitution table.";
    }
    uint64_t compressed, text;
    if (!parseLengthField(header + 9, &compressed) || !parseLengthField(header + 21, &text)) {
        return invalidHeader;
    }
    if (fileSize < SCRIPT_LIB_HEADER_SIZE || compressed == 0
            || compressed > fileSize - SCRIPT_LIB_HEADER_SIZE
            || compressed > compressBound((uLong)SCRIPT_LIB_MAX_TEXT)) {
        return invalidHeader;
    }
    /* Deflate expands at most about 1032:1; a larger claim is damage. */
    if (text == 0 || text > SCRIPT_LIB_MAX_TEXT || text > compressed * 1032 + 1024) {
        return invalidHeader;
    }
    out->selector = selector;
    out->compressedLength = (size_t)compressed;
    out->textLength = (size_t)text;
    return NULL;
}

/*
 * debugErrorInfo --
 *	Shows a failure on standard error while the script asks for it with
 *	Ovex_Debug "1" (looked up in the current variable context).
 */
void debugErrorInfo(Tcl_Interp *interp, const char *tag)
{
    const char *debug = Tcl_GetVar(interp, "Ovex_Debug", 0);
    if (debug == NULL || strcmp(debug, "1") != 0) {
        return;
    }
    const char *info = Tcl_GetVar(interp, "errorInfo", TCL_GLOBAL_ONLY);
    if (info != NULL) {
        ovex_fprintf(stderr, "%s\n %s\n", tag, info);
    }
}

/* Error texts of these subcommands go to errorInfo; the result stays empty. */
static int failWith(Tcl_Interp *interp, const char *message, const char *tag)
{
    if (message != NULL) {
        Tcl_AddErrorInfo(interp, message);
    }
    debugErrorInfo(interp, tag);
    return TCL_ERROR;
}

/*
 * translatedPath --
 *	The translated file name in path. A failure leaves only errorInfo
 *	(Tcl's reason and "Fail to translate file name."), not the result.
 * Returns: 1, or 0 on failure.
 */
static int translatedPath(Tcl_Interp *interp, const char *name, char *path, size_t size)
{
    if (translateFileName(interp, path, size, name) != NULL) {
        return 1;
    }
    Tcl_Obj *info = Tcl_GetVar2Ex(interp, "errorInfo", NULL, TCL_GLOBAL_ONLY);
    if (info != NULL) {
        Tcl_IncrRefCount(info);
        Tcl_ResetResult(interp);
        Tcl_AddErrorInfo(interp, Tcl_GetString(info));
        Tcl_DecrRefCount(info);
    }
    return 0;
}

/*
 * calcCompSave --
 *	calc compsave fileName string: writes string, with its terminator, as
 *	a script library.
 * Returns: TCL_OK with the compression ratio "%.3f"; TCL_ERROR with the
 *	message in errorInfo.
 * Changes: replaces the file whole (an old file stays as it was when the
 *	write fails).
 */
int calcCompSave(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    static const char tag[] = "CompSave";
    Tcl_ResetResult(interp);
    if (argc != 4) {
        ovex_fprintf(stdout, "Usage: %s %s fileName string.\n", argv[0], argv[1]);
        return TCL_ERROR;
    }
    const char *text = argv[3];
    size_t length = strlen(text) + 1;
    /* The reader refuses longer texts; do not write what cannot be loaded. */
    if (length > SCRIPT_LIB_MAX_TEXT) {
        return failWith(interp, "Error in compress", tag);
    }
    size_t bufferSize = (size_t)((double)length * 1.2) + 1024;
    size_t bound = (size_t)compressBound((uLong)length) + SCRIPT_LIB_HEADER_SIZE;
    if (bufferSize < bound) {
        bufferSize = bound;
    }
    unsigned char *buffer = (unsigned char *)gmemAlloc(bufferSize);
    if (buffer == NULL) {
        return failWith(interp, "Error in malloc.\n", tag);
    }
    unsigned char *body = buffer + SCRIPT_LIB_HEADER_SIZE;
    uLongf compressedLength = (uLongf)(bufferSize - SCRIPT_LIB_HEADER_SIZE);
    if (compress(body, &compressedLength, (const Bytef *)text, (uLong)length) != Z_OK) {
        gmemFree(buffer);
        return failWith(interp, "Error in compress", tag);
    }
    float ratio = (float)compressedLength / (float)length;

    char path[SCRIPT_LIB_PATH_SIZE];
    if (!translatedPath(interp, argv[2], path, sizeof(path))) {
        gmemFree(buffer);
        return failWith(interp, NULL, tag);
    }
    unsigned char *header = buffer;
    memset(header, 0, SCRIPT_LIB_HEADER_SIZE);
    memcpy(header, SCRIPT_LIB_MAGIC, SCRIPT_LIB_MAGIC_SIZE);
    header[SCRIPT_LIB_MAGIC_SIZE] =
        (unsigned char)byteSubst(SCRIPT_LIB_WRITE_SELECTOR, body, compressedLength);
    snprintf((char *)header + 9, SCRIPT_LIB_LENGTH_FIELD, "%lu", (unsigned long)compressedLength);
    snprintf((char *)header + 21, SCRIPT_LIB_LENGTH_FIELD, "%lu", (unsigned long)length);

    int written = writeNewFile(path, buffer, SCRIPT_LIB_HEADER_SIZE + compressedLength);
    gmemFree(buffer);
    if (written == WHOLE_FILE_OPEN_FAILED) {
        return failWith(interp, "Error in open.\n", tag);
    }
    if (written != WHOLE_FILE_WRITTEN) {
        return failWith(interp, "Error in writing.\n", tag);
    }
    char answer[TCL_DOUBLE_SPACE];
    snprintf(answer, sizeof(answer), "%.3f", (double)ratio);
    Tcl_SetResult(interp, answer, TCL_VOLATILE);
    return TCL_OK;
}

/*
 * endTopLevelReturn --
 *	A "return" at the top of a library ends it normally, as it ends a
 *	sourced file.
 * Returns: the completion code the return asked for at this level.
 */
static int endTopLevelReturn(Tcl_Interp *interp)
{
    Tcl_Obj *options = Tcl_GetReturnOptions(interp, TCL_RETURN);
    Tcl_IncrRefCount(options);
    Tcl_Obj *levelKey = Tcl_NewStringObj("-level", -1);
    Tcl_IncrRefCount(levelKey);
    Tcl_Obj *levelObj = NULL;
    int level = 1;
    if (Tcl_DictObjGet(NULL, options, levelKey, &levelObj) == TCL_OK && levelObj != NULL) {
        Tcl_GetIntFromObj(NULL, levelObj, &level);
    }
    Tcl_DictObjPut(NULL, options, levelKey, Tcl_NewIntObj(level > 0 ? level - 1 : 0));
    Tcl_Obj *result = Tcl_GetObjResult(interp);
    Tcl_IncrRefCount(result);
    int code = Tcl_SetReturnOptions(interp, options);
    Tcl_SetObjResult(interp, result);
    Tcl_DecrRefCount(result);
    Tcl_DecrRefCount(levelKey);
    Tcl_DecrRefCount(options);
    return code;
}

/*
 * evalLibraryText --
 *	Evaluates a library's script in the current context. A failure is
 *	shown on the console's standard error; the result and errorInfo stay
 *	as the script left them.
 * Returns: the evaluation's code.
 */
static int evalLibraryText(Tcl_Interp *interp, const char *text)
{
    /* What the command printed so far comes before what the script prints. */
    consoleFlush();
    int code = Tcl_EvalEx(interp, text, -1, 0);
    if (code == TCL_RETURN) {
        code = endTopLevelReturn(interp);
    }
    if (code == TCL_ERROR) {
        const char *info = Tcl_GetVar(interp, "errorInfo", TCL_GLOBAL_ONLY);
        if (info == NULL) {
            info = Tcl_GetStringResult(interp);
        }
        ovex_fprintf(stderr, "Error in Tcl_Eval: %s\n", info);
    }
    return code;
}

/*
 * calcDecompLoad --
 *	calc decompload fileName: evaluates a script library, or sources the
 *	file as plain Tcl when it does not carry the library magic.
 * Returns: the evaluation's code; TCL_ERROR with the message in errorInfo
 *	when the file cannot be read or decoded.
 */
int calcDecompLoad(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    static const char tag[] = "deCompLoad";
    Tcl_ResetResult(interp);
    if (argc != 3) {
        ovex_fprintf(stdout, "Usage: %s %s fileName\n", argv[0], argv[1]);
        return TCL_ERROR;
    }
    char path[SCRIPT_LIB_PATH_SIZE];
    if (!translatedPath(interp, argv[2], path, sizeof(path))) {
        return failWith(interp, NULL, tag);
    }
    int fd = open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return failWith(interp, "Error in open.\n", tag);
    }

    /* Anything that is not a whole library header is an ordinary script. */
    struct stat info;
    unsigned char header[SCRIPT_LIB_HEADER_SIZE];
    ssize_t headerBytes = -1;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        headerBytes = readUpTo(fd, header, sizeof(header));
    }
    if (headerBytes != SCRIPT_LIB_HEADER_SIZE
            || memcmp(header, SCRIPT_LIB_MAGIC, SCRIPT_LIB_MAGIC_SIZE) != 0) {
        close(fd);
        consoleFlush();
        if (Tcl_EvalFile(interp, path) == TCL_OK) {
            return TCL_OK;
        }
        return failWith(interp, NULL, tag);
    }

    ScriptLibHeader layout;
    const char *fault = parseScriptLibHeader(header, (uint64_t)info.st_size, &layout);
    if (fault != NULL) {
        close(fd);
        return failWith(interp, fault, tag);
    }
    char *text = (char *)gmemAlloc(layout.textLength + 1);
    unsigned char *input = (unsigned char *)gmemAlloc(layout.compressedLength);
    if (text == NULL || input == NULL) {
        gmemFree(text);
        gmemFree(input);
        close(fd);
        return failWith(interp, "Error in malloc.\n", tag);
    }
    int complete = readExactly(fd, input, layout.compressedLength);
    close(fd);
    if (!complete) {
        gmemFree(text);
        gmemFree(input);
        return failWith(interp, "Error in reading.\n", tag);
    }
    byteSubst(layout.selector, input, layout.compressedLength);

    uLongf textLength = (uLongf)layout.textLength;
    int zcode = uncompress((Bytef *)text, &textLength, input, (uLong)layout.compressedLength);
    gmemFree(input);
    if (zcode != Z_OK || textLength != layout.textLength) {
        gmemFree(text);
        ovex_fprintf(stderr, "Error in uncompress: %d %s\n", zcode, argv[2]);
        return failWith(interp, "Error in uncompress", tag);
    }
    text[layout.textLength] = '\0';

    int code = evalLibraryText(interp, text);
    gmemFree(text);
    return code;
}

/*
 * calcCompTest --
 *	calc comptest varName: compresses the variable's value with its
 *	terminator, uncompresses it again and compares.
 * Returns: TCL_OK after printing the lengths and the ratio; TCL_ERROR when
 *	a step fails (the message is printed and added to errorInfo).
 */
int calcCompTest(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    static const char tag[] = "CompressTest";
    Tcl_ResetResult(interp);
    if (argc != 3) {
        ovex_fprintf(stdout, "Usage: %s %s string.\n", argv[0], argv[1]);
        return TCL_ERROR;
    }
    const char *value = Tcl_GetVar(interp, argv[2], 0);
    if (value == NULL) {
        ovex_fprintf(stdout, "can't find variable named %s\n", argv[2]);
        return failWith(interp, NULL, tag);
    }
    size_t length = strlen(value) + 1;
    size_t bufferSize = (size_t)((double)length * 1.1) + 1024;
    if (bufferSize < (size_t)compressBound((uLong)length)) {
        bufferSize = (size_t)compressBound((uLong)length);
    }
    unsigned char *packed = (unsigned char *)gmemAlloc(bufferSize);
    unsigned char *unpacked = (unsigned char *)gmemAlloc(length);
    if (packed == NULL || unpacked == NULL) {
        gmemFree(packed);
        gmemFree(unpacked);
        ovex_fprintf(stdout, "Error in malloc.\n");
        return failWith(interp, "Error in malloc.\n", tag);
    }

    char message[64];
    const char *fault = NULL;
    uLongf packedLength = (uLongf)bufferSize;
    uLongf unpackedLength = (uLongf)length;
    int zcode = compress(packed, &packedLength, (const Bytef *)value, (uLong)length);
    if (zcode != Z_OK) {
        snprintf(message, sizeof(message), "Error in compress: %d\n", zcode);
        fault = message;
    } else if ((zcode = uncompress(unpacked, &unpackedLength, packed, packedLength)) != Z_OK) {
        snprintf(message, sizeof(message), "Error in uncompress: %d\n", zcode);
        fault = message;
    } else if (unpackedLength != length || memcmp(unpacked, value, length) != 0) {
        fault = "Error in compressing\n";
    }
    gmemFree(packed);
    gmemFree(unpacked);
    if (fault != NULL) {
        ovex_fprintf(stderr, "%s", fault);
        return failWith(interp, fault, tag);
    }
    ovex_fprintf(stdout, "len: %d compLen: %d compressing ratio: %.6f\n", (int)length,
                 (int)packedLength, (double)((float)packedLength / (float)length));
    return TCL_OK;
}
