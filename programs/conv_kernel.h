/*
 * conv_kernel.h --
 *
 *	Convolution kernels as texts: the type word ("2D", "1Ds", "dynamic"
 *	or "median", compared with case), the window width nx and height ny,
 *	then the weights ("2D": nx x ny row by row, the top row first;
 *	"1Ds": nx across, then ny down; none for the other two). Words are
 *	separated by blanks, newlines, commas and semicolons; a carriage
 *	return or a tab belongs to its word.
 */
#ifndef OVEX_PROGRAMS_CONV_KERNEL_H
#define OVEX_PROGRAMS_CONV_KERNEL_H

/* Most weights a kernel holds (nx x ny for "2D", nx + ny for "1Ds"). */
#define CONV_KERNEL_MAX_WEIGHTS 512

enum ConvKernelType {
    CONV_KERNEL_2D = 1,
    CONV_KERNEL_SEPARABLE = 2,      /* "1Ds" */
    CONV_KERNEL_DYNAMIC = 3,
    CONV_KERNEL_MEDIAN = 4
};

struct ConvKernel {
    int type;
    int nx, ny;
    int count;                      /* weights read */
    float weights[CONV_KERNEL_MAX_WEIGHTS];
};

/* The text of a -kn word: the rest of the word after a leading "@", else
 * the whole contents of the file it names, with a terminating NUL.
 * Returns: gmemAlloc'ed text, or NULL after "Error in open kernel file:
 * %s.\n" (or a read or memory message) on standard error. */
char *readConvKernelText(const char *word);

/* Parses text (split in place) into kernel. A refused text gets its own
 * message, if it has one, then "Error in parsing conv kernel.\n", both
 * on standard error.
 * Returns: 1, or 0 when refused. */
int parseConvKernel(char *text, ConvKernel *kernel);

#endif /* OVEX_PROGRAMS_CONV_KERNEL_H */
