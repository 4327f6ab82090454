/*
 * script_library.h --
 *
 *	Script-library files ("SCRBCOMP"): the compressed Tcl scripts that the
 *	package evaluates at start-up, the calc subcommands that write, load
 *	and test them, and the error-reporting helper they share.
 */
#ifndef OVEX_CORE_SCRIPT_LIBRARY_H
#define OVEX_CORE_SCRIPT_LIBRARY_H

#include <stddef.h>
#include <stdint.h>
#include <tcl.h>

/* File layout; see script_library.cpp for the byte map. */
#define SCRIPT_LIB_MAGIC "SCRBCOMP"
#define SCRIPT_LIB_MAGIC_SIZE 8
#define SCRIPT_LIB_LENGTH_FIELD 12
#define SCRIPT_LIB_HEADER_SIZE 33
/* Selector the writer passes to byteSubst; the file then holds it + 1. */
#define SCRIPT_LIB_WRITE_SELECTOR 2
/* Largest script text a library may announce (terminator included). */
#define SCRIPT_LIB_MAX_TEXT ((size_t)1 << 30)

/* The lengths of a library header once checked. */
struct ScriptLibHeader {
    int selector;             /* byte 8: table index << 1, bit 0 = inverse */
    size_t compressedLength;  /* bytes of the substituted zlib stream */
    size_t textLength;        /* script bytes plus the terminator */
};

/* Substitutes count bytes in place with the table selector >> 1 (bit 0 set:
 * its inverse). Returns selector with bit 0 inverted, or -1 when no such
 * table exists (the bytes are then left unchanged). */
int byteSubst(int selector, unsigned char *bytes, size_t count);

/* Non-zero when selector names one of our substitution tables. */
int byteSubstKnown(int selector);

/* Checks the 33 header bytes of a file of fileSize bytes whose magic has
 * already matched. Returns NULL and fills *out, or the message that
 * describes the fault. */
const char *parseScriptLibHeader(const unsigned char *header, uint64_t fileSize,
                                 ScriptLibHeader *out);

/* Writes the tag and errorInfo to standard error when Ovex_Debug is "1". */
void debugErrorInfo(Tcl_Interp *interp, const char *tag);

/* calc subcommands: argv[0] is the command, argv[1] the subcommand word. */
int calcCompSave(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
int calcDecompLoad(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
int calcCompTest(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);

#endif /* OVEX_CORE_SCRIPT_LIBRARY_H */
