/*
 * calc_bitmap.cpp --
 *
 *	calc bitmap: defines the Tk bitmap "test" from the opaque pixels of a
 *	photo image.
 */
#include "frontend/calc/calc_handlers.h"

#include <cstring>

#include "core/package.h"
#include "display/photo_bridge.h"

/* Name of the bitmap the subcommand defines. */
static const char CALC_BITMAP_NAME[] = "test";

/*
 * photoMaskBits --
 *	Rows of width bits, eight to a byte with the least significant bit
 *	first and a partial last byte per row, set where alpha is non-zero.
 * Returns: a new block (Tcl_Alloc), or NULL when memory is short.
 */
static char *photoMaskBits(const Tk_PhotoImageBlock *block)
{
    size_t rowBytes = ((size_t)block->width + 7) / 8;
    char *bits = Tcl_AttemptAlloc((unsigned int)(rowBytes * (size_t)block->height));
    if (bits == NULL) {
        return NULL;
    }
    memset(bits, 0, rowBytes * (size_t)block->height);
    for (int y = 0; y < block->height; y++) {
        const unsigned char *pixel = block->pixelPtr + (size_t)y * (size_t)block->pitch;
        char *row = bits + (size_t)y * rowBytes;
        for (int x = 0; x < block->width; x++, pixel += block->pixelSize) {
            if (pixel[block->offset[3]] != 0) {
                row[x >> 3] |= (char)(1 << (x & 7));
            }
        }
    }
    return bits;
}

/*
 * calcBitmap --
 *	calc bitmap photo
 * Returns: TCL_OK, also when there is no such photo, the photo is empty
 *	or the bitmap exists already (it then stays as it is); TCL_ERROR
 *	without Tk, without a photo word or without memory.
 * Changes: defines the bitmap "test" for the rest of the process (Tk
 *	keeps the bits, so they are never freed).
 */
CALC_HANDLER(calcBitmap)
{
    if (argc < 3) {
        calcSetResult(interp, "Usage: %s %s photo", argv[0], argv[1]);
        return TCL_ERROR;
    }
    if (ovexMainWindow(interp) == NULL) {
        Tcl_SetResult(interp, (char *)"calc bitmap: Tk is not loaded", TCL_STATIC);
        return TCL_ERROR;
    }
    Tk_PhotoHandle photo = findPhoto(interp, argv[2]);
    if (photo == NULL) {
        return TCL_OK;
    }
    Tk_PhotoImageBlock block;
    Tk_PhotoGetImage(photo, &block);
    if (block.width <= 0 || block.height <= 0) {
        return TCL_OK;
    }
    char *bits = photoMaskBits(&block);
    if (bits == NULL) {
        Tcl_SetResult(interp, (char *)"Error in malloc.", TCL_STATIC);
        return TCL_ERROR;
    }
    if (Tk_DefineBitmap(interp, Tk_GetUid(CALC_BITMAP_NAME), bits, block.width, block.height)
            != TCL_OK) {
        Tcl_Free(bits);
        Tcl_ResetResult(interp);
    }
    return TCL_OK;
}
