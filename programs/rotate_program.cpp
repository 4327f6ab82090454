/*
 * rotate_program.cpp --
 *
 *	rimage rotate: a quarter turn left or right, or a mirror left-right,
 *	top-bottom or both, of every band of one RAM image into another. A
 *	quarter turn reads the input in vertical strips of columns that fit
 *	a 4 MiB buffer, so that each input pixel is read once and every
 *	output row is assembled from one strip; flips go row by row. Images
 *	of up to 8 bits per pixel move as bytes, deeper ones as floats.
 */
#include "programs/rotate_program.h"

#include <algorithm>
#include <stdint.h>
#include <string.h>

#include "core/vocabulary.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/memory_layout.h"
#include "ramimage/kit/output_checks.h"
#include "ramimage/kit/sample_width.h"

/* Directions, in the order of their names. */
enum {
    ROTATE_LEFT = 0,
    ROTATE_RIGHT = 1,
    FLIP_X = 2,
    FLIP_Y = 3,
    FLIP_XY = 4
};

static const char *const directionNames[] = {"LEFT", "RIGHT", "XFLIP", "YFLIP", "XYFLIP", NULL};

/* Room of the strip buffer of a quarter turn. */
static const int64_t STRIP_BYTES = 4194304;

static const ProgOption rotateOptions[] = {
    {"-dir", NULL}, {"-in", NULL}, {"-out", NULL}, {NULL, NULL}
};

static const char *const rotateUsage[] = {
    "Usage: %s -in IN -out OUT -dir DIR\n",
    "    where\n",
    "    IN      the input image ID;\n",
    "    OUT     the output image ID;\n",
    "    DIR     the direction of rotation:\n",
    "            LEFT:    rotation left;\n",
    "            RIGHT:   rotation right;\n",
    "            XFLIP:   x flipping;\n",
    "            YFLIP:   y flipping;\n",
    "            XYFLIP:  x and y flipping.\n",
    NULL
};

/* The state of one rotate call. */
struct RotateRun {
    RAMIMG *in;
    RAMIMG *out;
    int direction;
    int bits;                       /* of the input's pixel type */
    int rows, columns, bands;       /* the input area moved */
    int stripWidth;                 /* columns of a quarter turn's strip */
    void *buffer;                   /* a strip, or one row of a flip */
    ProgMeter meter;
};

static int isQuarterTurn(int direction)
{
    return direction == ROTATE_LEFT || direction == ROTATE_RIGHT;
}

/* The direction named by word (compared with case), -1 for none. */
static int directionOf(const char *word)
{
    for (int k = 0; directionNames[k] != NULL; k++) {
        if (strcmp(directionNames[k], word) == 0) {
            return k;
        }
    }
    return -1;
}

static void releaseRunImages(RotateRun *run)
{
    progReleaseImage(run->in);
    progReleaseImage(run->out);
    run->in = run->out = NULL;
}

/*
 * createOutput --
 *	The output made from the input's attributes under the file name (or
 *	tag) word, rows and columns exchanged for a quarter turn. The row
 *	length follows the new width; nothing of the input's file (its
 *	separate data file, frames, row encoding) comes along. An existing
 *	file that did not open as an image is not overwritten.
 * Returns: the image, or NULL after "Error in create %s.\n" (the file
 *	could not be made, or is there already) or "Error in open %s.\n",
 *	with *err set.
 */
static RAMIMG *createOutput(const RotateRun *run, const char *word, int *err)
{
    if (strlen(word) >= RAMIMG_NAME_SIZE) {
        *err = RAMIMG_ENAME;
        ovex_fprintf(stderr, "Error in create %s.\n", word);
        return NULL;
    }
    ImageHead head = run->in->head;
    strcpy(head.file, word);
    if (isQuarterTurn(run->direction)) {
        std::swap(head.rows, head.columns);
        std::swap(head.dx, head.dy);
    }
    /* Turned or mirrored pixels no longer run east and south: no
     * north-up georeference describes them, so the output has none. */
    head.mapid = mapidFromName("GRID");
    head.x0 = 0.0;
    head.y0 = 0.0;
    head.dataFd = -1;
    head.frames = 0;
    head.encoding = 0;
    if (head.imgid != IMGID_JPEG) {     /* a JPEG's block is its quality */
        int64_t least = leastRowLength(&head);
        if (least < 1 || least > INT32_MAX) {
            *err = RAMIMG_EUNHANDLED;
            ovex_fprintf(stderr, "Error in open %s.\n", word);
            return NULL;
        }
        head.block = (int32_t)least;
    }
    RAMIMG *image = progCreateImage(&head, 0, err);
    if (image == NULL) {
        int created = *err != RAMIMG_ECREATE && *err != RAMIMG_EEXISTS;
        ovex_fprintf(stderr, created ? "Error in open %s.\n" : "Error in create %s.\n", word);
    }
    return image;
}

/*
 *----------------------------------------------------------------------
 *
 * rotateParseArgs --
 *
 *	Reads the options and opens (or creates) the images.
 *
 * Results:
 *	1, or 0 after the message on standard error; then no image is held
 *	and the text of the last open error (if any) has been printed.
 *
 * Side effects:
 *	May create the output image.
 *
 *----------------------------------------------------------------------
 */
static int rotateParseArgs(RotateRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, rotateOptions, argc, argv, stderr)) {
        return 0;
    }
    const char *dir = progOptionValue(&options, "-dir");
    run->direction = dir != NULL ? directionOf(dir) : ROTATE_LEFT;
    if (run->direction < 0) {
        ovex_fprintf(stderr, "Unknown rotate direction.\n");
        return 0;
    }
    const char *inWord = progOptionValue(&options, "-in");
    if (inWord == NULL) {
        ovex_fprintf(stderr, "Input image is missing!\n");
        return 0;
    }
    int err = RAMIMG_OK;
    run->in = progOpenImage(inWord, &err);
    if (run->in == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", inWord);
        goto failed;
    }
    {
        const char *outWord = progOptionValue(&options, "-out");
        if (outWord == NULL) {
            ovex_fprintf(stderr, "Output image is missing!\n");
            goto failed;
        }
        run->out = progOpenImage(outWord, &err);
        if (run->out == NULL) {
            run->out = createOutput(run, outWord, &err);
            if (run->out == NULL) {
                goto failed;
            }
        }
    }
    if (progOutputIsInput(run->in, run->out, progOptionValue(&options, "-out"))) {
        goto failed;
    }
    run->bits = bitsPerPixel(run->in->head.pixel);
    return 1;

failed:
    releaseRunImages(run);
    printRamImageError(err);
    return 0;
}

/*
 * settleSizes --
 *	The area moved (cut to what the output can take) and the strip
 *	width. A column of the area that alone exceeds the strip room still
 *	makes a strip of one column, so that the turn goes on.
 * Returns: the bytes the buffer needs.
 */
static int64_t settleSizes(RotateRun *run, int elementSize)
{
    const ImageHead *in = &run->in->head;
    const ImageHead *out = &run->out->head;
    int quarter = isQuarterTurn(run->direction);
    run->rows = std::min(in->rows, quarter ? out->columns : out->rows);
    run->columns = std::min(in->columns, quarter ? out->rows : out->columns);
    run->bands = std::min(in->nbands, out->nbands);
    run->rows = std::max(run->rows, 0);
    run->columns = std::max(run->columns, 0);
    run->bands = std::max(run->bands, 0);

    int64_t columnBytes = (int64_t)run->rows * run->bands * elementSize;
    int64_t width = columnBytes > 0 ? STRIP_BYTES / columnBytes : run->columns;
    run->stripWidth = (int)std::max<int64_t>(std::min<int64_t>(width, run->columns), 1);

    int64_t bytes = quarter ? run->stripWidth * columnBytes : (int64_t)run->columns * elementSize;
    return std::max<int64_t>(bytes, elementSize);
}

/* ---- Moving samples as bytes or floats ------------------------------------ */

template <typename T> struct SampleMover;

template <> struct SampleMover<unsigned char> {
    static const char *segmentName() { return "rotateByteRAMImageSeg"; }
    static void get(RAMIMG *image, int row, int col, int n, int band, unsigned char *out)
    {
        getRowByte(image, row, col, n, band, out);
    }
    static void put(RAMIMG *image, int row, int n, int band, const unsigned char *in)
    {
        putRowByte(image, row, 0, n, band, in);
    }
};

template <> struct SampleMover<float> {
    static const char *segmentName() { return "rotateFloatRAMImageSeg"; }
    static void get(RAMIMG *image, int row, int col, int n, int band, float *out)
    {
        getRowFloat(image, row, col, n, band, out);
    }
    static void put(RAMIMG *image, int row, int n, int band, const float *in)
    {
        putRowFloat(image, row, 0, n, band, in);
    }
};

/* 32-bit integers: a float would drop their low bits above 2^24. */
template <> struct SampleMover<double> {
    static const char *segmentName() { return "rotateFloatRAMImageSeg"; }
    static void get(RAMIMG *image, int row, int col, int n, int band, double *out)
    {
        getRowDouble(image, row, col, n, band, out);
    }
    static void put(RAMIMG *image, int row, int n, int band, const double *in)
    {
        putRowDouble(image, row, 0, n, band, in);
    }
};

/*
 * rotateSegment --
 *	The output rows of one strip: the strip holds, for every input row r
 *	and band b, the w samples of columns x0 .. x0 + w - 1 at
 *	(r * bands + b) * w. Input column x0 + j becomes output row x0 + j
 *	read bottom to top (RIGHT), or output row columns - 1 - (x0 + j)
 *	read top to bottom (LEFT).
 * Side effects: a strip whose row buffer cannot be had is skipped after
 *	"malloc error in rotate...RAMImageSeg.\n".
 */
template <typename T>
static void rotateSegment(RotateRun *run, const T *strip, int x0, int w)
{
    int rows = run->rows;
    int bands = run->bands;
    T *row = (T *)gmemAlloc((size_t)std::max(rows, 1) * sizeof(T));
    if (row == NULL) {
        ovex_fprintf(stderr, "malloc error in %s.\n", SampleMover<T>::segmentName());
        return;
    }
    int right = run->direction == ROTATE_RIGHT;
    for (int step = 0; step < w; step++) {
        int j = right ? step : w - 1 - step;
        int column = x0 + j;
        int outRow = right ? column : run->columns - 1 - column;
        for (int b = 0; b < bands; b++) {
            const T *samples = strip + (size_t)b * w + j;
            size_t stride = (size_t)bands * w;
            for (int r = 0; r < rows; r++) {
                row[right ? rows - 1 - r : r] = samples[(size_t)r * stride];
            }
            SampleMover<T>::put(run->out, outRow, rows, b, row);
        }
    }
    gmemFree(row);
}

/* Every row and band of columns x0 .. x0 + w - 1 into the strip. */
template <typename T>
static void readStrip(RotateRun *run, T *strip, int x0, int w)
{
    for (int r = 0; r < run->rows; r++) {
        for (int b = 0; b < run->bands; b++) {
            SampleMover<T>::get(run->in, r, x0, w, b, strip + ((size_t)r * run->bands + b) * w);
        }
    }
}

/*
 * rotateImage --
 *	RIGHT takes the strips from column 0 rightwards, LEFT from the right
 *	edge leftwards (its last strip, at column 0, the narrower one).
 */
template <typename T>
static void rotateImage(RotateRun *run)
{
    T *strip = (T *)run->buffer;
    int columns = run->columns;
    int done = 0;
    while (done < columns) {
        int w = std::min(run->stripWidth, columns - done);
        int x0 = run->direction == ROTATE_RIGHT ? done : columns - done - w;
        readStrip(run, strip, x0, w);
        rotateSegment(run, strip, x0, w);
        done += w;
        progMeterStep(&run->meter, done, columns);
    }
}

/*
 * flipImage --
 *	The i-th row read (downwards for XFLIP, upwards for YFLIP and
 *	XYFLIP) becomes output row i, reversed for XFLIP and XYFLIP.
 */
template <typename T>
static void flipImage(RotateRun *run)
{
    T *row = (T *)run->buffer;
    int rows = run->rows;
    int reverse = run->direction == FLIP_X || run->direction == FLIP_XY;
    for (int i = 0; i < rows; i++) {
        int inRow = run->direction == FLIP_X ? i : rows - 1 - i;
        for (int b = 0; b < run->bands; b++) {
            SampleMover<T>::get(run->in, inRow, 0, run->columns, b, row);
            if (reverse) {
                std::reverse(row, row + run->columns);
            }
            SampleMover<T>::put(run->out, i, run->columns, b, row);
        }
        progMeterStep(&run->meter, (int64_t)i + 1, rows);
    }
}

template <typename T>
static void moveSamples(RotateRun *run)
{
    if (isQuarterTurn(run->direction)) {
        rotateImage<T>(run);
    } else {
        flipImage<T>(run);
    }
}

/*
 *----------------------------------------------------------------------
 *
 * rimageRotate --
 *
 *	The program of rimage rotate.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the image was
 *	turned; else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	Writes the output's rows (left in its row cache; its clients are
 *	not told); may create the output; shows the meter.
 *
 *----------------------------------------------------------------------
 */
int rimageRotate(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, rotateUsage);
    }
    RotateRun run;
    memset(&run, 0, sizeof(run));
    if (!rotateParseArgs(&run, argc, argv)) {
        return PROGRAM_FAILED;
    }
    int asBytes = !progNeedsFloat(&run.in->head) && !progNeedsFloat(&run.out->head);
    int asDoubles = progNeedsDouble(&run.in->head) || progNeedsDouble(&run.out->head);
    int64_t bytes = settleSizes(&run, asBytes ? 1 : asDoubles ? (int)sizeof(double) : (int)sizeof(float));
    run.buffer = gmemAlloc((size_t)bytes);
    if (run.buffer == NULL) {
        ovex_fprintf(stderr, "Error in malloc: %d\n", (int)std::min<int64_t>(bytes, INT32_MAX));
        releaseRunImages(&run);
        return PROGRAM_FAILED;
    }
    progMeterStart(&run.meter, "rotate");
    if (asBytes) {
        moveSamples<unsigned char>(&run);
    } else if (asDoubles) {
        moveSamples<double>(&run);
    } else {
        moveSamples<float>(&run);
    }
    progMeterEnd(&run.meter);
    /* The rows reach the file now, so that a failed write fails the turn. */
    int written = flushRamImage(run.out);
    if (!written) {
        ovex_fprintf(stderr, "Error in writing %s.\n", run.out->head.file);
    }
    releaseRunImages(&run);
    gmemFree(run.buffer);
    meterReset();
    return written ? PROGRAM_DONE : PROGRAM_FAILED;
}
