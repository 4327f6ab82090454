/*
 * float_bytes.h --
 *
 *	Rows of floats stored as bytes, the way a float is stored into a
 *	BYTE pixel.
 */
#ifndef OVEX_RAMIMAGE_FLOAT_BYTES_H
#define OVEX_RAMIMAGE_FLOAT_BYTES_H

/* out[k] = in[k] held to 0 .. 255 and rounded, halves up; NaN gives 0.
 * Each value is the whole part of (double)in[k] + 0.5 after the clamp. */
void floatsToBytes(const float *in, int count, unsigned char *out);

#endif /* OVEX_RAMIMAGE_FLOAT_BYTES_H */
