/*
 * georect_file.h --
 *
 *	Georectification parameter sets: the pair of 2-D polynomials of a
 *	control-point fit with the means they were centred around, held in one
 *	block whose bytes are exactly the "GOERECHD" file.
 *
 *	Layout (little-endian, IEEE doubles, no padding):
 *
 *	  offset        size         content
 *	  0             8            id "GOERECHD", no terminator
 *	  8             8            mean X1 (subtracted from X1 before evaluation)
 *	  16            8            mean Y1
 *	  24            8            mean X2 (for information: already in Jcoef[0])
 *	  32            8            mean Y2 (for information: already in Icoef[0])
 *	  40            4            nCoef, unsigned: terms of each polynomial
 *	  44            4            degree, unsigned (0: bilinear 1, x, y, xy)
 *	  48            8 x nCoef    Icoef: the polynomial giving Y2
 *	  48 + 8 nCoef  8 x nCoef    Jcoef: the polynomial giving X2
 */
#ifndef OVEX_PROGRAMS_GEORECT_FILE_H
#define OVEX_PROGRAMS_GEORECT_FILE_H

#include <stddef.h>
#include <stdint.h>

#define GEORECT_MAGIC "GOERECHD"
#define GEORECT_MAGIC_SIZE 8
#define GEORECT_HEAD_SIZE 48
/* Coefficients (both polynomials together) of a block held in a fixed place. */
#define GEORECT_MAX_COEFS 250

struct GeorectParams {
    char id[GEORECT_MAGIC_SIZE];
    double meanX1;
    double meanY1;
    double meanX2;
    double meanY2;
    uint32_t nCoef;
    uint32_t degree;
    /* Icoef (nCoef values) then Jcoef (nCoef values); a block made by
     * makeGeorectParams is allocated only as long as its nCoef needs. */
    double coef[GEORECT_MAX_COEFS];
};

/* Bytes of a block (and of its file) with nCoef terms per polynomial. */
size_t georectParamsSize(uint32_t nCoef);

/* A new block (gmemAlloc, freed by the caller with gmemFree) with the
 * means, counts and both arrays, meanY2 added into Icoef[0] and meanX2
 * into Jcoef[0]; NULL when memory is short. */
GeorectParams *makeGeorectParams(double meanX1, double meanY1, double meanX2, double meanY2,
                                 uint32_t nCoef, uint32_t degree, const double *icoef,
                                 const double *jcoef);

/* Builds the block and writes it to fileName (created or truncated, mode
 * 0666 less the umask). Returns 1, or 0 after "%s open error: REASON." or
 * "%s write error: REASON." (the system's error text) on standard error. */
int writeGeorectParams(const char *fileName, double meanX1, double meanY1, double meanX2,
                       double meanY2, uint32_t nCoef, uint32_t degree, const double *icoef,
                       const double *jcoef);

#endif /* OVEX_PROGRAMS_GEORECT_FILE_H */
