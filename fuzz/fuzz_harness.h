/*
 * fuzz_harness.h --
 *
 *	What every reader's fuzz target shares: a process set up the way the
 *	library runs (a console interpreter whose env caps whole-image
 *	decoding), the input bytes put into a file on a RAM disk, and an image
 *	opened from that file read row by row, so that the sanitizers watch
 *	the reader's whole path and not only its header parsing.
 */
#ifndef OVEX_FUZZ_FUZZ_HARNESS_H
#define OVEX_FUZZ_FUZZ_HARNESS_H

#include <stddef.h>
#include <stdint.h>
#include <string>

#include "ovex/ramimage.h"
#include "ramimage/formats/image_probe.h"

/* Decoded bytes a whole-image decoder may hold while fuzzing: small, so
 * that a file announcing a large picture meets the cap instead of the
 * fuzzer's memory limit. */
#define FUZZ_DECODE_CAP "4000000"

/* Row bytes read from one image at most (streamed layouts have no cap). */
#define FUZZ_ROW_BUDGET ((int64_t)1 << 20)

/* Budget charged for one row at least, so that images of many tiny rows
 * also end. */
#define FUZZ_ROW_MIN_COST 256

/* Creates the console interpreter and the scratch folder once; a second
 * call does nothing. */
void fuzzSetUp(void);

/* Path of a file named name inside the scratch folder. */
std::string fuzzPath(const char *name);

/* Replaces the scratch file name with the bytes; its path, or an empty
 * string when it cannot be written. */
std::string fuzzWriteFile(const char *name, const uint8_t *data, size_t size);

/* Opens path through the real open path with only `reader` consulted
 * (NULL: the whole format probe), reads every row of every band of every
 * frame within the budget, and frees the image. */
void fuzzOpenAndRead(const char *path, ImageReaderProc *reader);

/* Opens path as the layout head describes (no probe) and reads it. */
void fuzzOpenDescribedAndRead(const char *path, ImageHead *head);

#endif /* OVEX_FUZZ_FUZZ_HARNESS_H */
