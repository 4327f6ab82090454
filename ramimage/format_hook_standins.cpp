/*
 * format_hook_standins.cpp --
 *
 *	Frame selection of RAM images, and the format hooks of the row cache
 *	whose formats are not part of the library yet: they answer "not
 *	handled" (no frame to seek, nothing decoded, nothing written, no rows).
 *	Each format's own file replaces its entries here when it is built.
 */
#include "ramimage/format_hooks.h"

#include "core/gmem.h"
#include "ramimage/band_stats.h"
#include "ramimage/ramimg.h"
#include "ramimage/tiff_layout.h"

/*
 * seekRamImage --
 *	Selects frame k (1 the first, 0 the next, negative or beyond the count
 *	the last) through the image's selector, or the default one for raw
 *	files. Returns the new frame, -2 when there is no further frame, -1 on
 *	error and 0 when the image cannot be seeked (both reported on standard
 *	error).
 */
int seekRamImage(RAMIMG *image, int frame)
{
    if (image == NULL) {
        return 0;
    }
    int result = image->seekHook != NULL ? image->seekHook(image, frame)
                                         : seekImagedefFrame(image, frame);
    if (result == -1) {
        ovex_fprintf(stderr, "Error in seek image: %s\n", image->tag);
    } else if (result == 0) {
        ovex_fprintf(stderr, "Can't seek image %s\n", image->tag);
    }
    return result;
}

/*
 * seekImagedefFrame --
 *	The selector of raw files whose frames follow each other, rows x
 *	block bytes each from the head's offset. Changed rows of the old frame
 *	are written back before dataOffset moves; a new frame empties the
 *	cache and the band statistics.
 */
int seekImagedefFrame(RAMIMG *image, int frame)
{
    int frames = image->head.frames;
    if (frames < 2) {
        image->frame = 1;
        image->frameCount = 1;
        return -2;
    }
    image->frameCount = frames;
    int target;
    if (frame < 0 || frame > frames) {
        target = frames;
    } else if (frame == 0) {
        if (image->frame >= frames) {
            return -2;
        }
        target = image->frame + 1;
    } else {
        target = frame;
    }
    bool changed = target != image->frame;
    if (changed) {
        flushRamImage(image);
    }
    image->dataOffset = (int64_t)image->head.offset
        + (int64_t)(target - 1) * image->head.rows * image->head.block;
    if (changed) {
        invalidateRowCache(image);
        if (image->stats != NULL) {
            for (int b = 0; b < image->head.nbands; b++) {
                resetBandStats(&image->stats[b]);
            }
        }
    }
    image->frame = target;
    return target;
}





