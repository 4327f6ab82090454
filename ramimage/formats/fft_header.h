/*
 * fft_header.h --
 *
 *	The 1024-byte header of FFT image files: the record both the image
 *	reader (which opens such files as two-band float images) and the FFT
 *	programs (which write them) share. The data that follows it is rows
 *	x columns complex values (two 32-bit floats each), row by row, in the
 *	machine's little-endian order.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_FFT_HEADER_H
#define OVEX_RAMIMAGE_FORMATS_FFT_HEADER_H

#include <stdint.h>

#define FFT_HEADER_SIZE 1024
#define FFT_MAGIC "FFT IMAGE FILE"
#define FFT_MAGIC_SIZE 15           /* the text and its terminating zero */

/* What the data of an FFT image file is ("SF": spatial to frequency domain,
 * "FS": back to the spatial domain; RI real/imaginary, PP magnitude/phase;
 * X along rows only, Y along columns only). */
enum FftKind {
    INIT = 0,
    SFRI = 1,
    SFPP = 2,
    FSRI = 3,
    FSPP = 4,
    SFRIX = 5,
    SFRIY = 6,
    SFPPX = 7,
    SFPPY = 8
};

typedef struct FftHeader {
    char magic[16];                 /* FFT_MAGIC and its zero; byte 15 reserved */
    char source[64];                /* first 64 characters of the source file name */
    int32_t band;                   /* source band, 1-based; 0 palette indices */
    int32_t rows;                   /* a power of two */
    int32_t columns;                /* a power of two */
    int32_t sourceRows;
    int32_t sourceColumns;
    int32_t kind;                   /* FftKind */
    double count;                   /* elements summarised below */
    double maxRe, minRe;            /* first components */
    double maxIm, minIm;            /* second components */
    double meanRe, meanIm;
    double stdRe, stdIm;            /* mean squares while a run accumulates */
    unsigned char reserved[848];
} FftHeader;

#endif /* OVEX_RAMIMAGE_FORMATS_FFT_HEADER_H */
