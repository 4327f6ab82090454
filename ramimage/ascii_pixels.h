/*
 * ascii_pixels.h --
 *
 *	Pixel values given as text. Two forms:
 *	  BSQ|BIL|BIP startBand nbands x y width height values...
 *	      a rectangle of whole rows (bands counted from 1);
 *	  BSQH|BSQV|BILH|BILV|BIPH|BIPV b0 b1 x0 x1 y0 y1 values...
 *	      a box of inclusive band, column and row ranges, each running
 *	      upwards or downwards.
 *	Missing values repeat the last value given (0 when none was).
 */
#ifndef OVEX_RAMIMAGE_ASCII_PIXELS_H
#define OVEX_RAMIMAGE_ASCII_PIXELS_H

#include "ovex/ramimage.h"

/* Stores the values of text into image. Returns 1, or 0 after printing
 * what was wrong on standard error (nothing is stored then). */
int parseASCIIData(RAMIMG *image, const char *text);

/* Tokens are separated by blanks and line feeds. asciiNextToken moves *pos
 * to the next token and returns its length, 0 at the end of the text.
 * asciiNextFloat and asciiNextInt read that token (a decimal number, an
 * integer from its leading digits), move *pos past it and return its
 * length; out is left alone when there is none. */
int asciiNextToken(const char **pos);
int asciiNextFloat(const char **pos, float *out);
int asciiNextDouble(const char **pos, double *out);
int asciiNextInt(const char **pos, int *out);

#endif /* OVEX_RAMIMAGE_ASCII_PIXELS_H */
