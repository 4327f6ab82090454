/*
 * data_range.h --
 *
 *	Data ranges over an image: a box of columns, rows and bands given as
 *	text "@COLUMNS,ROWS,BANDS". Each part is "a:b" (two bounds, in either
 *	order), "a" (one bound for both), or empty, "*" or ":" (the whole
 *	extent); a missing part is the whole extent. Bounds are 0-based and
 *	inclusive.
 */
#ifndef OVEX_RAMIMAGE_DATA_RANGE_H
#define OVEX_RAMIMAGE_DATA_RANGE_H

/* Bounds as written: c0 may exceed c1 (a range that runs backwards). */
struct DataRange {
    int c0, c1;
    int r0, r1;
    int b0, b1;
};

/* Parses text over an image of columns x rows x bands into range.
 * Returns 1, or 0 (range unspecified) when the text does not start with
 * "@", has more than three parts, a part longer than 255 characters or
 * not of the forms above, or a bound outside 0 .. n - 1. */
int parseDataRange(const char *text, int columns, int rows, int bands, DataRange *range);

#endif /* OVEX_RAMIMAGE_DATA_RANGE_H */
