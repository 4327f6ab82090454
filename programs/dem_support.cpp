/*
 * dem_support.cpp --
 *
 *	Height statistics, head rewrites and new images of the DEM programs.
 */
#include "programs/dem_support.h"

#include <float.h>
#include <string.h>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"
#include "ramimage/memory_layout.h"
#include "ramimage/kit/program_kit.h"

/*
 * demImageStats --
 *	The extremes are tested each on its own, so one value may set both.
 * Changes: the head's z0, zmin, zmax.
 */
int demImageStats(RAMIMG *image, int band)
{
    int rows = image->head.rows, columns = image->head.columns;
    float *row = (float *)gmemAlloc((size_t)(columns > 0 ? columns : 1) * sizeof(float));
    if (row == NULL) {
        ovex_fprintf(stderr, "Error in gmemAlloc.\n");
        return 0;
    }
    float sum = 0.0f;
    double least = DBL_MAX, most = -DBL_MAX;
    for (int r = 0; r < rows; r++) {
        getRowFloat(image, r, 0, columns, band, row);
        for (int c = 0; c < columns; c++) {
            sum += row[c];
            if (row[c] < least) {
                least = row[c];
            }
            if (row[c] > most) {
                most = row[c];
            }
        }
    }
    gmemFree(row);
    double count = (double)rows * (double)columns;
    image->head.z0 = count > 0.0 ? sum / count : 0.0;
    image->head.zmin = least;
    image->head.zmax = most;
    return 1;
}

/*
 * demRewriteHeader --
 *	Only the IMAGEDEF family and ERDAS have a header that is written
 *	again in place; the rewrite answers -2 for every other format.
 */
int demRewriteHeader(RAMIMG *image)
{
    if (image->fd < 0) {
        return 1;
    }
    if (rewriteImageHeader(image->fd, &image->head) == -1) {
        ovex_fprintf(stderr, "Error in writing %s.\n", image->head.file);
        return 0;
    }
    return 1;
}

/*
 * demCreateLike --
 *	A name that does not fit the head is refused rather than cut, which
 *	would create another file.
 */
RAMIMG *demCreateLike(const ImageHead *model, const char *file, int rows, int columns,
                      int overwrite, int *err)
{
    if (rows < 1 || columns < 1 || strlen(file) >= RAMIMG_NAME_SIZE) {
        *err = RAMIMG_EUNHANDLED;
        return NULL;
    }
    ImageHead head = *model;
    memcpy(head.file, file, strlen(file) + 1);
    head.rows = rows;
    head.columns = columns;
    head.dataFd = -1;
    head.frames = 0;
    head.encoding = 0;
    if (head.imgid != IMGID_JPEG) {   /* a JPEG's block is its quality */
        int64_t least = leastRowLength(&head);
        if (least < 1 || least > INT32_MAX) {
            *err = RAMIMG_EUNHANDLED;
            return NULL;
        }
        head.block = (int32_t)least;
    }
    return progCreateImage(&head, overwrite, err);
}
