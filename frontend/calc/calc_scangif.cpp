/*
 * calc_scangif.cpp --
 *
 *	calc scangif: a listing of the blocks of a GIF file (signature,
 *	screen and colours, extensions, images with the pixels they decode
 *	to, trailer) on the console, for looking into files that other
 *	programs refuse.
 */
#include "core/native_path.h"
#include "frontend/calc/calc_handlers.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "core/gmem.h"
#include "core/paths.h"
#include "ramimage/formats/gif.h"

namespace {

/* Reads an extension after its introducer, naming it. 1 when read whole,
 * 0 for an unknown or missing label (reported). */
int listExtension(GifStream *s)
{
    ovex_printf("Get GIF Extension block...\n");
    int label = gifGetByte(s);
    if (label < 0) {
        ovex_fprintf(stderr, "Error in read GIF label\n");
        return 0;
    }
    switch (label) {
    case 0x01:
        ovex_printf("    Get Plain text label...\n");
        gifReadExtensionText(s, NULL, 0);
        return 1;
    case 0xF9: {
        ovex_printf("    Get Graphic Control label...\n");
        GifGraphicControl control;
        gifReadGraphicControl(s, &control);
        return 1;
    }
    case 0xFE:
        ovex_printf("    Get Comment label...\n");
        gifReadExtensionText(s, NULL, 0);
        return 1;
    case 0xFF:
        ovex_printf("    Get Application label...\n");
        gifReadExtensionText(s, NULL, 0);
        return 1;
    default:
        ovex_fprintf(stderr, "    Unknown label in extension block\n");
        return 0;
    }
}

/* Decodes an image after its separator, adding its pixels to *total.
 * 1, or 0 on a short descriptor or corrupt data (reported). */
int listImage(GifStream *s, int64_t *total)
{
    ovex_printf("Get Image Separator...\n");
    GifDescriptor d;
    if (getGIFImgDes(s, &d) == 0) {
        ovex_fprintf(stderr, "Error in getGIFImgDes\n");
        return 0;
    }
    s->desc = d;
    ovex_printf("    Image Description - codeSize:%d left:%d top:%d cols:%d rows:%d\n", d.codeSize,
                d.left, d.top, d.width, d.height);
    if (!gifLzwInit(s)) {
        return 0;
    }
    unsigned char pixels[4096];
    int n;
    while ((n = gifLzwReadPixels(s, pixels, (int)sizeof(pixels))) > 0) {
        *total += n;
    }
    ovex_printf("        Total Bytes: %d\n", (int)*total);
    return s->lzw.status == GIF_LZW_FAILED ? 0 : 1;
}

/* The listing after the signature; the status it ends with. */
int listBlocks(GifStream *s)
{
    if (!getGifLSD(s)) {
        ovex_fprintf(stderr, "Error in getGifLSB\n");
        return 0;
    }
    ovex_printf("    width: %d height: %d\n", s->desc.width, s->desc.height);
    for (int i = 0; i < s->desc.colorCount; i++) {
        ovex_printf("    i %3d r:%3d g:%3d b:%3d\n", i, s->desc.palette[i][0], s->desc.palette[i][1],
                    s->desc.palette[i][2]);
    }
    int64_t total = 0;
    for (;;) {
        int c = gifGetByte(s);
        if (c < 0) {
            ovex_fprintf(stderr, "Error in read GIF Introducer\n");
            return 0;
        }
        if (c == '!') {
            if (!listExtension(s)) {
                return 0;
            }
        } else if (c == ',') {
            if (!listImage(s, &total)) {
                return 0;
            }
        } else if (c == ';') {
            ovex_printf("End of GIF at: %d.\n", (int)s->position);
            return 1;
        } else {
            ovex_fprintf(stderr, "Unknown GIF Introducer: 0x%x.\n", c);
            return 0;
        }
    }
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * scanGIF --
 *
 *	Lists the GIF read by the stream from its start.
 *
 * Results:
 *	1 when the listing reached the trailer, else 0; *status the same
 *	(it is -1 while the listing runs).
 *
 *----------------------------------------------------------------------
 */
int scanGIF(GifStream *stream, int *status)
{
    ovex_printf("scanGIF...\n");
    *status = -1;
    gifSeek(stream, 0, 0);
    int sig = gifSignature(stream);
    if (sig == IMGID_GIF87A) {
        ovex_printf("    File ID: GIF87a\n");
    } else if (sig == IMGID_GIF89A) {
        ovex_printf("    File ID: GIF89a\n");
    } else {
        ovex_printf("Unknown File\n");
    }
    *status = sig != 0 ? listBlocks(stream) : 0;
    ovex_printf("end of scanGIF - status: %d\n\n", *status);
    return *status;
}

/*
 * calcScanGif --
 *	calc scangif giffile
 * Returns: TCL_OK after the listing (standard output); TCL_ERROR with the
 *	usage, or when the file cannot be opened ("Error in open %s" on
 *	standard error) or the work area cannot be allocated.
 */
CALC_HANDLER(calcScanGif)
{
    if (argc != 3) {
        Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], " giffile", (char *)NULL);
        return TCL_ERROR;
    }
    std::string path;
    if (!translateFileName(interp, argv[2], &path)) {
        return TCL_ERROR;
    }
    int fd = open(nativePath(path.c_str()).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ovex_fprintf(stderr, "Error in open %s\n", argv[2]);
        return TCL_ERROR;
    }
    GifStream *stream = (GifStream *)gmemAlloc(sizeof(GifStream));
    if (stream == NULL) {
        ovex_fprintf(stderr, "Error of malloc in scanGif.\n");
        close(fd);
        return TCL_ERROR;
    }
    gifStreamInit(fd, NULL, 0, stream);
    int status;
    scanGIF(stream, &status);
    gmemFree(stream);
    close(fd);
    return TCL_OK;
}
