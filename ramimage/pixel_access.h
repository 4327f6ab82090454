/*
 * pixel_access.h --
 *
 *	Reading and writing the pixels of a RAM image as floats or bytes:
 *	conversion from and to every pixel type, palette channels, gathering
 *	several bands into pixel-interleaved buffers, and sampling and drawing
 *	along lines.
 *
 *	Coordinates: row 0 .. rows - 1, col from 0, band 0 .. nbands - 1.
 *	Buffers belong to the caller. A row or band outside the image reads
 *	as zeros and stores nothing; column ranges are clipped to the image.
 *	Band lists hold 0-based bands; NULL stands for 0, 1, 2 ...
 */
#ifndef OVEX_RAMIMAGE_PIXEL_ACCESS_H
#define OVEX_RAMIMAGE_PIXEL_ACCESS_H

#include <stdint.h>

#include "ovex/ramimage.h"

/* Sampling modes of the line operations. */
enum { SAMPLE_NEAREST = 1, SAMPLE_BILINEAR = 2 };

/* ---- Reading -------------------------------------------------------------- */

/* n samples of the band from column col as floats; columns outside the
 * image give 0. Returns out. */
float *getRowFloat(RAMIMG *image, int row, int col, int n, int band, float *out);
/* The same as bytes (SHORT, LONG, USHORT: the low byte; FLOAT: the value
 * truncated toward zero, modulo 256). */
unsigned char *getRowByte(RAMIMG *image, int row, int col, int n, int band,
                          unsigned char *out);
/* getRowByte with the k-th sample at out[k * stride]; the bytes between
 * are not touched. */
unsigned char *getRowBytesStride(RAMIMG *image, int row, int col, int n, int band,
                                 unsigned char *out, int stride);
/* One pixel of every band into out[nbands]; out is left as it was for pixel
 * types without a float conversion. */
float *getPixelVector(RAMIMG *image, int row, int col, float *out);
/* One sample, 0 outside the image or for types without a conversion. */
float getPixelFloat(RAMIMG *image, int col, int row, int band);

/* Palette images (nindices >= 1): the indices of band 0, each replaced by
 * the palette channel (0 red, 1 green, 2 blue) when channel is one of
 * those. Other images: band `channel` read plainly. */
unsigned char *getRowBytePal(RAMIMG *image, int row, int col, int n, int channel,
                             unsigned char *out);
float *getRowFloatPal(RAMIMG *image, int row, int col, int n, int channel, float *out);
/* getRowFloat and getRowFloatPal as doubles, which hold every 32-bit
 * integer sample whole (a float keeps only 24 bits). */
double *getRowDouble(RAMIMG *image, int row, int col, int n, int band, double *out);
double *getRowDoublePal(RAMIMG *image, int row, int col, int n, int channel, double *out);

/* Pixel-interleaved gathering: for i < nb, band bands[i] (without a list:
 * i modulo nbands for bytes, i for floats) read through the palette
 * readers over n columns; the samples at offsets 0, step, 2 step ... below
 * n go to out[i], out[i + nb], out[i + 2 nb] ... A step below 1 counts as 1. */
unsigned char *getRowsBytesBands(RAMIMG *image, int row, int col, int n, int step, int nb,
                                 const int *bands, unsigned char *out);
float *getRowsFloatBands(RAMIMG *image, int row, int col, int n, int step, int nb,
                         const int *bands, float *out);
/* out[i] = the sample of band bands[i] (or i) at (col, row). */
float *getPixelBandsFloat(RAMIMG *image, int col, int row, int nb, const int *bands,
                          float *out);

/* ---- Writing -------------------------------------------------------------- */
/* Each writer returns the number of samples stored, clamps and rounds to
 * the pixel type (integer part of v + 0.5) and marks the row dirty. */

int putRowFloat(RAMIMG *image, int row, int col, int n, int band, const float *in);
int putRowByte(RAMIMG *image, int row, int col, int n, int band, const unsigned char *in);
/* putRowFloat from doubles: 32-bit integers are stored whole. */
int putRowDouble(RAMIMG *image, int row, int col, int n, int band, const double *in);
int putUSHORTBILData(RAMIMG *image, int row, int col, int n, int band, const uint16_t *in);
/* One sample in[i] into band bands[i] (or i) at (col, row), for i < nb. */
void putPixelBandsFloat(RAMIMG *image, int col, int row, int nb, const int *bands,
                        const float *in);
/* in: n pixels of nb bands each; bands band0 .. min(band0 + nb, nbands) - 1
 * are stored. Returns the count of the last band stored, 0 when none. */
int putFloatBIPData(RAMIMG *image, int band0, int nb, int row, int col, int n,
                    const float *in);
int putDoubleBIPData(RAMIMG *image, int band0, int nb, int row, int col, int n,
                     const double *in);
/* in: n pixels of nb values each; value i goes to band bands[i] (or i)
 * when that band exists. Returns the count of the last band stored. */
int writeFloatBIPData(RAMIMG *image, int row, int col, int n, int nb, const int *bands,
                      const float *in);

/* ---- Lines (x is the column, y the row) ----------------------------------- */

/* n samples along (cos angle, -sin angle) from distance start of (x, y),
 * step apart. Returns out; mode other than 1 or 2 leaves it untouched. */
float *sampleAlongAngle(RAMIMG *image, double x, double y, int band, double angle,
                        double step, double start, float *out, int n, int mode);
/* n evenly spaced points from (x0, y0) to (x1, y1), nb listed bands each
 * (out[k * nb + j]). */
float *sampleLineFloat(RAMIMG *image, double x0, double y0, double x1, double y1, int nb,
                       const int *bands, float *out, int n, int mode);
/* Draws the n samples of values (nb per sample) along the line into the
 * listed bands. Returns the number of samples the line was divided into. */
int putLineFloat(RAMIMG *image, double x0, double y0, double x1, double y1, int nb,
                 const int *bands, const float *values, int n, int mode);

#endif /* OVEX_RAMIMAGE_PIXEL_ACCESS_H */
