/*
 * gpz.cpp --
 *
 *	Reader of GPZ files: a 2064-byte header describing a headerless
 *	band-sequential image kept in a data file next to it. The reader is
 *	a hook that the gpz command puts into the reader lists; opening a
 *	GPZ file opens its data file. GPZ files are not written.
 *
 *	Header (numbers little-endian; bytes not listed are not read):
 *
 *	offset  size  type     field
 *	     0     3  char     "GPZ"
 *	     8   136  char     data file name, zero-terminated
 *	   144     4  int32    form: 0
 *	   180     4  int32    columns
 *	   184     4  int32    rows
 *	   188     4  int32    nbands
 *	   192     4  int32    pixel code: 0 1BIT, 1 BYTE, 2 SHORT, 3 LONG,
 *	                       4 FLOAT, 8 USHORT, 9 ULONG
 *	   272     8  double   x0
 *	   280     8  double   y0
 *	   288     8  double   dx
 *	   296     8  double   dy
 *	   900     4  int32    nindices
 *	  1040  1024  uint8    palette: 256 x (blue, green, red, reserved)
 *
 *	The data file holds the bands one after the other from byte 0, rows
 *	of ((columns x bits - 1) / 8 + 1) bytes.
 */
#include "core/native_path.h"
#include "ramimage/formats/gpz.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <tcl.h>
#include <unistd.h>

#include "ramimage/formats/file_extent.h"
#include "ramimage/formats/le_fields.h"
#include "ramimage/positional_io.h"

namespace {

const size_t GPZ_FILE_SIZE = 2064;
const size_t NAME_SIZE = 136;

enum {
    AT_NAME = 8, AT_FORM = 144, AT_COLUMNS = 180, AT_ROWS = 184, AT_NBANDS = 188,
    AT_PIXEL = 192, AT_X0 = 272, AT_Y0 = 280, AT_DX = 288, AT_DY = 296,
    AT_NINDICES = 900, AT_PALETTE = 1040
};

struct PixelCode {
    int pixel;
    int bits;
};

/* Pixel type of a GPZ pixel code; pixel 0 for codes not supported. */
PixelCode pixelOfCode(int32_t code)
{
    switch (code) {
    case 0: return {PIXEL_1BIT, 1};
    case 1: return {PIXEL_BYTE, 8};
    case 2: return {PIXEL_SHORT, 16};
    case 3: return {PIXEL_LONG, 32};
    case 4: return {PIXEL_FLOAT, 32};
    case 8: return {PIXEL_USHORT, 16};
    case 9: return {PIXEL_ULONG, 32};
    default: return {PIXEL_UNKNOWN, 0};
    }
}

/*
 * dataFilePath --
 *	The GPZ file's path with its last element replaced by the stored
 *	name (which stands by itself when absolute); a bare GPZ file name
 *	is taken in the current directory.
 */
std::string dataFilePath(const char *gpzName, const char *dataName)
{
    int count = 0;
    const char **parts = NULL;
    Tcl_SplitPath(gpzName, &count, &parts);
    if (count == 1) {
        char cwd[256];
        std::string full = getcwd(cwd, sizeof(cwd)) != NULL ? std::string(cwd) : std::string(".");
        full += "/";
        full += gpzName;
        Tcl_Free((char *)parts);
        Tcl_SplitPath(full.c_str(), &count, &parts);
    }
    std::string path;
    if (count >= 1) {
        parts[count - 1] = dataName;
        Tcl_DString joined;
        Tcl_DStringInit(&joined);
        Tcl_JoinPath(count, parts, &joined);
        path = Tcl_DStringValue(&joined);
        Tcl_DStringFree(&joined);
    }
    Tcl_Free((char *)parts);
    return path;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * gpzReadHead --
 *
 *	Reads a GPZ header and opens its data file.
 *
 * Results:
 *	1 when the head describes the data file (imgid 1), 0 when fd is not
 *	a GPZ file, -1 when it is but cannot be read.
 *
 * Side effects:
 *	Fills head and opens the data file (head->dataFd) on success; prints
 *	the reason of a -1 on standard error.
 *
 *----------------------------------------------------------------------
 */
int gpzReadHead(int fd, const char *fileName, ImageHead *head, void **priv)
{
    (void)priv;
    unsigned char file[GPZ_FILE_SIZE];
    ssize_t got = readAt(fd, file, GPZ_FILE_SIZE, 0);
    if (got < 3 || memcmp(file, "GPZ", 3) != 0) {
        return 0;
    }
    if (got < (ssize_t)GPZ_FILE_SIZE) {
        ovex_fprintf(stderr, "Wrong GPZ head size.\n");
        return -1;
    }
    if (leI32(file + AT_FORM) != 0) {
        ovex_fprintf(stderr, "Must be GPZFORM.\n");
        return -1;
    }
    int32_t code = leI32(file + AT_PIXEL);
    PixelCode type = pixelOfCode(code);
    int32_t columns = leI32(file + AT_COLUMNS);
    int32_t rows = leI32(file + AT_ROWS);
    int32_t bands = leI32(file + AT_NBANDS);

    char dataName[NAME_SIZE + 1];
    memcpy(dataName, file + AT_NAME, NAME_SIZE);
    dataName[NAME_SIZE] = '\0';
    std::string path = fileName != NULL && dataName[0] != '\0' ? dataFilePath(fileName, dataName)
                                                               : std::string();
    if (path.empty() || path.size() >= RAMIMG_NAME_SIZE) {
        ovex_fprintf(stderr, "Wrong GPZ data file name.\n");
        return -1;
    }
    /* Not blocking: the stored name may be a FIFO or a device, whose open
     * would wait forever; only a regular file is accepted below. */
    int dataFd = open(nativePath(path.c_str()).c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (dataFd < 0) {
        dataFd = open(nativePath(path.c_str()).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    }
    if (dataFd < 0) {
        return -1;
    }
    if (type.pixel == PIXEL_UNKNOWN) {
        ovex_fprintf(stderr, "Unsupported GPZ pixel type:%d\n", code);
        close(dataFd);
        return -1;
    }
    int64_t rowBytes = columns > 0 ? ((int64_t)columns * type.bits - 1) / 8 + 1 : 0;
    if (columns < 1 || rows < 1 || bands < 1 || regularFileSize(dataFd, NULL) < 0
        || !areaFitsFile(dataFd, 0, rowBytes, (int64_t)rows * bands)) {
        ovex_fprintf(stderr, "GPZ data file %s does not hold %d x %d x %d pixels.\n",
                     path.c_str(), columns, rows, bands);
        close(dataFd);
        return -1;
    }

    int flags = fcntl(dataFd, F_GETFL);
    if (flags >= 0) {
        fcntl(dataFd, F_SETFL, flags & ~O_NONBLOCK);
    }

    head->imgid = IMGID_BSQ;
    head->pixel = type.pixel;
    head->bits = type.bits;
    head->columns = columns;
    head->rows = rows;
    head->nbands = bands;
    head->x0 = leF64(file + AT_X0);
    head->y0 = leF64(file + AT_Y0);
    head->dx = leF64(file + AT_DX);
    head->dy = leF64(file + AT_DY);
    head->block = 0;
    head->left = 0;
    head->top = 0;
    head->dataFd = dataFd;
    head->offset = 0;
    head->mapid = 1;
    head->transparent = -1;
    int32_t colours = leI32(file + AT_NINDICES);
    head->nindices = colours < 0 ? 0 : (colours > 256 ? 256 : colours);
    for (int i = 0; i < head->nindices; i++) {
        const unsigned char *entry = file + AT_PALETTE + 4 * i;
        head->palette[i][0] = entry[2];
        head->palette[i][1] = entry[1];
        head->palette[i][2] = entry[0];
    }
    memcpy(head->file, path.c_str(), path.size() + 1);
    return IMGID_BSQ;
}
