/*
 * dem_support.h --
 *
 *	What the DEM programs (rimage gdem, rimage gslope) share: the image
 *	types that mark a normalised DEM and a slope image, the height
 *	differences of one 2 x 2 cell of two DEM rows, the height statistics
 *	kept in an image's head, the rewrite of a changed head into the
 *	image's file, and new images made from another image's head.
 */
#ifndef OVEX_PROGRAMS_DEM_SUPPORT_H
#define OVEX_PROGRAMS_DEM_SUPPORT_H

#include "ovex/ramimage.h"

/* imgtype codes: a DEM whose statistics are in its head, a slope image. */
enum {
    IMGTYPE_NORMALISED_DEM = 100,
    IMGTYPE_SLOPE_IMAGE = 102
};

/*
 * The cell whose lower right corner is column c of two DEM rows:
 * a = previous[c - 1], b = previous[c], d = current[c - 1], e = current[c].
 * across = a - b + d - e grows as heights fall toward higher columns,
 * down = a + b - d - e as they fall toward higher rows; each is twice the
 * height step of one pixel.
 */
struct DemCell {
    float across;
    float down;
};

static inline DemCell demCell(const float *previous, const float *current, int c)
{
    float a = previous[c - 1], b = previous[c];
    float d = current[c - 1], e = current[c];
    DemCell cell;
    cell.across = a - b + d - e;
    cell.down = a + b - d - e;
    return cell;
}

/* A pixel size from an image's head: 0 (or NaN), which a head without a
 * georeference may carry, counts as 1 so that gradients stay finite. */
static inline double demPixelSize(double size)
{
    return (size == 0.0 || size != size) ? 1.0 : size;
}

/* Mean (summed in single precision), minimum and maximum of band (0-based)
 * into the head's z0, zmin and zmax. Returns 1, or 0 after "Error in
 * gmemAlloc.\n" when no row buffer could be had (the head unchanged). */
int demImageStats(RAMIMG *image, int band);

/* Writes the image's changed head into its file. Formats whose header is
 * not rewritten in place (and images without a file) keep the change in
 * memory only. Returns 1, or 0 after "Error in writing %s.\n" (the file)
 * when the write failed. */
int demRewriteHeader(RAMIMG *image);

/* A new image from a copy of model with the given file name and size (row
 * length recomputed, nothing of the model's own file carried over), made
 * by progCreateImage (its file taken back should the run fail). NULL with
 * *err set. */
RAMIMG *demCreateLike(const ImageHead *model, const char *file, int rows, int columns,
                      int overwrite, int *err);

#endif /* OVEX_PROGRAMS_DEM_SUPPORT_H */
