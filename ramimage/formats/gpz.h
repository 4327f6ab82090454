/*
 * gpz.h --
 *
 *	The GPZ reader hook: a GPZ file is a header that describes a raw
 *	band-sequential image held in a separate data file.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_GPZ_H
#define OVEX_RAMIMAGE_FORMATS_GPZ_H

#include "ovex/ramimage.h"

/*
 * The reader (an ImageReaderProc): 1 (imgid 1, BSQ) when fd is a GPZ file
 * whose data file opened (head filled, head->dataFd the data file, its
 * path in head->file), 0 when it is not a GPZ file, -1 when it is but
 * cannot be read (reported on standard error).
 */
int gpzReadHead(int fd, const char *fileName, ImageHead *head, void **priv);

#endif /* OVEX_RAMIMAGE_FORMATS_GPZ_H */
