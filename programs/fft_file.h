/*
 * fft_file.h --
 *
 *	FFT image files: a 1024-byte FftHeader followed by rows x columns
 *	complex values (two 32-bit floats each), row by row; element (r, c)
 *	lies at byte 1024 + (r x columns + c) x 8. All numbers are in the
 *	machine's little-endian order. The functions here create, open, read
 *	and write such files in blocks of whole rows or column segments, and
 *	keep the header's running statistics.
 *
 *	Also the chunked block reader and writer (getFileData, putFileData)
 *	that other program files share.
 */
#ifndef OVEX_PROGRAMS_FFT_FILE_H
#define OVEX_PROGRAMS_FFT_FILE_H

#include <stddef.h>
#include <stdint.h>

#include "ramimage/formats/fft_header.h"

/* Byte offset of element (r, c) in the file. */
int64_t fftElementOffset(const FftHeader *head, int row, int column);

/* Creates (or truncates) path with owner read and write permission, checks
 * the free space for the whole file, writes head and opens the file again
 * through openFftFile. The descriptor, or -1 after a message on standard
 * error. */
int createFftFile(const char *path, FftHeader *head);

/* Opens an existing FFT image file for reading and writing and reads its
 * header into head. The descriptor, or -1 after a message on standard
 * error ("Not an FFT image file!\n" for another magic). */
int openFftFile(const char *path, FftHeader *head);

/* Reads rowCount whole rows from firstRow into buffer (rowCount x columns
 * x 2 floats). buffer, or NULL after a message (rows before a short read
 * are in buffer). */
float *GetFFTFileBlock(FftHeader *head, int fd, float *buffer, int firstRow, int rowCount);

/* Reads columnCount values from firstColumn of every row into buffer, row
 * by row (rows x columnCount x 2 floats). buffer, or NULL after a
 * message. */
float *GetFFTFileSeg(FftHeader *head, int fd, float *buffer, int firstColumn, int columnCount);

/* Writes rowCount whole rows from firstRow; with statistics non-zero each
 * row is folded into head's statistics first. 1, or 0 after a message. */
int PutFFTFileBlock(FftHeader *head, int fd, const float *buffer, int firstRow, int rowCount,
                    int statistics);

/* PutFFTFileBlock for a buffer not needed afterwards: written in pieces,
 * each piece's memory given back to the system once written (the buffer
 * then reads as zeros). */
int PutFFTFileBlockReleasing(FftHeader *head, int fd, float *buffer, int firstRow, int rowCount,
                             int statistics);

/* The counterpart of GetFFTFileSeg; with statistics non-zero every row of
 * the segment is folded into head's statistics before anything is
 * written. 1, or 0 after a message. */
int PutFFTFileSeg(FftHeader *head, int fd, const float *buffer, int firstColumn,
                  int columnCount, int statistics);

/* Writes head at the start of the file. 1, or 0 after a message. */
int PutFFTHead(FftHeader *head, int fd);

/* Folds count complex values (2 x count floats) into head's extremes,
 * running means and mean squares, and its count. */
void fftHeaderStats(FftHeader *head, int count, const float *elements);

/* fftHeaderStats of rowCount runs of count values in turn, run r starting
 * at elements + 2 x r x stride (stride in complex values). */
void fftHeaderStatsRows(FftHeader *head, int rowCount, int count, const float *elements,
                        size_t stride);

/* Reads (writes) count bytes in chunks of at most 32768 bytes, at offset
 * when it is 0 or more, else at the current position. The bytes of the
 * complete chunks moved before the first short one; 0 when the seek
 * fails. Failures are reported on standard error. */
int64_t getFileData(int fd, void *buffer, int64_t count, int64_t offset);
int64_t putFileData(int fd, const void *buffer, int64_t count, int64_t offset);

#endif /* OVEX_PROGRAMS_FFT_FILE_H */
