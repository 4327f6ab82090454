/*
 * copy_crop.cpp --
 *
 *	rimage copy and rimage crop: copies a window and a band selection of
 *	one RAM image into another, with column and row subsampling. An
 *	output that does not open is created from the input's attributes.
 *	Band numbers are 1-based on the command line, 0 standing for the
 *	colour index of a colour-indexed image (one whose palette is in use);
 *	an indexed input is read through its palette channels 1 to 3.
 */
#include "programs/copy_crop.h"

#include <stdint.h>
#include <string.h>
#include <strings.h>

#include <vector>

#include "core/package.h"
#include "core/vocabulary.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/copy_output.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/memory_layout.h"
#include "ramimage/kit/output_checks.h"
#include "ramimage/kit/sample_width.h"

/* Index flags of a run. */
enum {
    INPUT_INDEXED = 1,
    OUTPUT_INDEXED = 2
};

/* Bands of an indexed image as the band list sees them: red, green, blue. */
static const int PALETTE_CHANNELS = 3;

/* The state of one copy call. */
struct CopyRun {
    RAMIMG *in;
    RAMIMG *out;
    int inColumn, inRow;            /* input start */
    int outColumn, outRow;          /* output start */
    int rows, columns;              /* input span read */
    int dx, dy;                     /* column and row interval, at least 1 */
    int update;
    int quality;                    /* JPEG quality */
    int copyPalette;
    int indexFlags;
    int outputMade;                 /* the output was created from the input */
    int nPairs;
    int inBands[MAX_BAND_PAIRS];    /* 0-based; -1 the colour index */
    int outBands[MAX_BAND_PAIRS];
    const char *label;              /* of the meter */
};

static const ProgOption copyOptions[] = {
    {"-in", NULL}, {"-out", NULL}, {"-ic", NULL}, {"-ir", NULL}, {"-oc", NULL},
    {"-or", NULL}, {"-r", NULL}, {"-c", NULL}, {"-b", NULL}, {"-cmp", NULL},
    {"-u", NULL}, {"-ind", NULL}, {"-imgid", NULL}, {"-pixel", NULL},
    {"-nbands", NULL}, {"-dx", NULL}, {"-dy", NULL}, {"-dump", NULL},
    {NULL, NULL}
};

static const char *const copyUsage[] = {
    "Usage: %s -in IN -out OUT -ic IC -ir IR -oc OC -or OR -r R -c C -b B -cmp CMP -u U "
    "-ind IND -imgid IMG -pixel PX -nbands NB -dx DX -dy DY -dump DUMP\n",
    "where IN    input image\n",
    "      OUT   output image\n",
    "      IC    input start column\n",
    "      IR    input start row\n",
    "      OC    output start column\n",
    "      OR    output start row\n",
    "      R     rows to copy\n",
    "      C     columns to copy\n",
    "      B     band selection: i1[[:o1];i2[:o2];...]\n",
    "      CMP   compression rate for JPEG image\n",
    "      IND   flag of copy color indice: Y or N (def.: N).\n",
    "      U     flag of update image file after copy: 0,1,or 2 (def: 1)).\n",
    "      IMG   output image type.\n",
    "      PX    output pixel ID.\n",
    "      NB    output bands.\n",
    "      DX    column interval.\n",
    "      DY    row interval.\n",
    "      DUMP  flag of dump (for a new BIP, BIL, BSQ output image, def:0).\n",
    NULL
};

static int64_t smaller(int64_t a, int64_t b)
{
    return a < b ? a : b;
}

static void releaseRunImages(CopyRun *run)
{
    progReleaseImage(run->in);
    progReleaseImage(run->out);
    run->in = run->out = NULL;
}

/*
 * defaultBandPairs --
 *	Without -b: the input's band 1 into the colour index of an indexed
 *	output, index to index between indexed images, the colour index into
 *	band 1 of a one-band output made from an indexed input (a copy keeps
 *	the indices even where its format holds no palette), else band k to
 *	band k as far as both reach.
 */
static void defaultBandPairs(CopyRun *run, int inLimit, int outLimit)
{
    if (run->indexFlags == INPUT_INDEXED && run->outputMade && run->out->head.nbands == 1) {
        run->inBands[0] = 0;
        run->outBands[0] = 1;
        run->nPairs = 1;
    } else if (run->indexFlags == OUTPUT_INDEXED) {
        run->inBands[0] = 1;
        run->outBands[0] = 0;
        run->nPairs = 1;
    } else if (run->indexFlags == (INPUT_INDEXED | OUTPUT_INDEXED)) {
        run->inBands[0] = 0;
        run->outBands[0] = 0;
        run->nPairs = 1;
    } else {
        int n = inLimit < outLimit ? inLimit : outLimit;
        if (n > MAX_BAND_PAIRS) {
            n = MAX_BAND_PAIRS;
        }
        for (int k = 0; k < n; k++) {
            run->inBands[k] = run->outBands[k] = k + 1;
        }
        run->nPairs = n > 0 ? n : 0;
    }
}

/*
 * checkBandPairs --
 *	Every pair against its images; then the bands become 0-based.
 * Returns: 1, or 0 after the message.
 */
static int checkBandPairs(CopyRun *run, int inLimit, int outLimit)
{
    int inIndexed = (run->indexFlags & INPUT_INDEXED) != 0;
    int outIndexed = (run->indexFlags & OUTPUT_INDEXED) != 0;
    for (int k = 0; k < run->nPairs; k++) {
        int in = run->inBands[k], out = run->outBands[k];
        if (in < 0 || in > inLimit || out < 0 || out > outLimit) {
            ovex_fprintf(stderr, "Error in band params.\n");
            return 0;
        }
        if ((in == 0 && !inIndexed) || (out == 0 && !outIndexed)) {
            ovex_fprintf(stderr, "Invalid indice.\n");
            return 0;
        }
        if (outIndexed && !inIndexed && out != 0) {
            ovex_fprintf(stderr, "Invalid band number of an output index image.\n");
            return 0;
        }
        if (outIndexed && inIndexed && (in != 0 || out != 0)) {
            ovex_fprintf(stderr, "Invalid band number of an input/output index image.\n");
            return 0;
        }
    }
    for (int k = 0; k < run->nPairs; k++) {
        run->inBands[k]--;
        run->outBands[k]--;
    }
    return 1;
}

/*
 *----------------------------------------------------------------------
 *
 * copyParseArgs --
 *
 *	Reads the options, opens (or creates) the images and settles the
 *	window and the band pairs of a copy.
 *
 * Results:
 *	1, or 0 after the message on standard error; then no image is held
 *	and the text of the last open error (if any) has been printed.
 *
 * Side effects:
 *	May create the output image; stores the JPEG quality into the
 *	block of a JPEG input or output.
 *
 *----------------------------------------------------------------------
 */
static int copyParseArgs(CopyRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, copyOptions, argc, argv, stderr)) {
        return 0;
    }
    int dump = progIntOption(&options, "-dump", 0);
    CopySettings settings;
    if (!readCopySettings(&options, &settings)) {
        return 0;
    }
    run->dx = settings.dx;
    run->dy = settings.dy;
    run->quality = settings.quality;
    run->copyPalette = settings.copyPalette;
    run->update = settings.update;
    const char *inWord = settings.in;
    const char *outWord = settings.out;

    int err = RAMIMG_OK;
    run->in = progOpenImage(inWord, &err);
    if (run->in == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", inWord);
        printRamImageError(err);
        return 0;
    }
    run->out = progOpenImage(outWord, &err);
    if (run->out == NULL) {
        CopyOutputShape shape = {run->dx, run->dy, -1, run->quality, dump};
        run->out = createCopyOutput(&run->in->head, &shape, &options, outWord, &err);
        if (run->out == NULL) {
            goto failed;
        }
        run->outputMade = 1;
    }
    if (progOutputIsInput(run->in, run->out, outWord)) {
        goto failed;
    }
    if (run->in->head.imgid == IMGID_JPEG) {
        run->in->head.block = run->quality;
    }
    if (run->out->head.imgid == IMGID_JPEG) {
        run->out->head.block = run->quality;
    }

    {
        const ImageHead *in = &run->in->head;
        const ImageHead *out = &run->out->head;
        run->inColumn = progIntOption(&options, "-ic", 0);
        run->inRow = progIntOption(&options, "-ir", 0);
        run->outColumn = progIntOption(&options, "-oc", 0);
        run->outRow = progIntOption(&options, "-or", 0);
        if (run->inRow < 0 || run->inRow >= in->rows || run->inColumn < 0
            || run->inColumn >= in->columns) {
            ovex_fprintf(stderr, "Start point is out of input region.");
            goto failed;
        }
        if (run->outRow < 0 || run->outRow >= out->rows || run->outColumn < 0
            || run->outColumn >= out->columns) {
            ovex_fprintf(stderr, "Start point is out of output region.");
            goto failed;
        }

        int64_t outRowsLeft = (int64_t)(out->rows - run->outRow) * run->dy;
        int64_t outColumnsLeft = (int64_t)(out->columns - run->outColumn) * run->dx;
        const char *r = progOptionValue(&options, "-r");
        const char *c = progOptionValue(&options, "-c");
        int64_t rows = r != NULL ? (int64_t)ovexLenientInt(r) * run->dy : outRowsLeft;
        int64_t columns = c != NULL ? (int64_t)ovexLenientInt(c) * run->dx : outColumnsLeft;
        columns = smaller(smaller(columns, outColumnsLeft), in->columns - run->inColumn);
        rows = smaller(smaller(rows, outRowsLeft), in->rows - run->inRow);
        run->columns = columns > 0 ? (int)columns : 0;
        run->rows = rows > 0 ? (int)rows : 0;

        run->indexFlags = (in->nindices >= 1 ? INPUT_INDEXED : 0)
            | (out->nindices >= 1 ? OUTPUT_INDEXED : 0);
        int inLimit = (run->indexFlags & INPUT_INDEXED) ? PALETTE_CHANNELS : in->nbands;
        int outLimit = (run->indexFlags & OUTPUT_INDEXED) ? PALETTE_CHANNELS : out->nbands;

        run->nPairs = 0;
        const char *spec = progOptionValue(&options, "-b");
        if (spec != NULL) {
            if (!parseBandPairList(spec, run->inBands, run->outBands, &run->nPairs)) {
                goto failed;
            }
        } else {
            defaultBandPairs(run, inLimit, outLimit);
        }
        if (!checkBandPairs(run, inLimit, outLimit)) {
            goto failed;
        }
    }
    return 1;

failed:
    releaseRunImages(run);
    printRamImageError(err);
    return 0;
}

/*
 *----------------------------------------------------------------------
 *
 * copyRows --
 *
 *	The row loop: every dy-th input row of the window, every dx-th
 *	column, band pair by band pair. Bytes for inputs of up to 8 bits
 *	(palette channels and raw indices as the pair asks), doubles when
 *	either side holds 32-bit integers, floats else.
 *
 * Results:
 *	1 when the loop ended (also by an abort, after "rimage crop
 *	canceled...\n"); 0 when no row buffer could be had, after the
 *	message, with both images released.
 *
 * Side effects:
 *	Writes the output's rows; shows the meter.
 *
 *----------------------------------------------------------------------
 */
static int copyRows(CopyRun *run)
{
    size_t cells = run->columns > 0 ? (size_t)run->columns : 1;
    /* 32-bit integers go through doubles: a float would drop their low
     * bits above 2^24. */
    int useDouble = progNeedsDouble(&run->in->head) || progNeedsDouble(&run->out->head);
    void *buffer = gmemAlloc(cells * (useDouble ? 8 : 4));
    if (buffer == NULL) {
        ovex_printf("Error in memory allocation.\n");
        releaseRunImages(run);
        return 0;
    }
    int useFloat = progNeedsFloat(&run->in->head) || progNeedsFloat(&run->out->head);
    float *floats = (float *)buffer;
    double *doubles = (double *)buffer;
    unsigned char *bytes = (unsigned char *)buffer;
    int n = run->columns;
    int kept = n > 0 ? (n - 1) / run->dx + 1 : 0;

    ProgMeter meter;
    progMeterStart(&meter, run->label);
    int written = 0;
    for (int r = 0; r < run->rows; r += run->dy) {
        if (progAborted()) {
            ovex_fprintf(stderr, "rimage crop canceled...\n");
            break;
        }
        int inRow = run->inRow + r;
        int outRow = run->outRow + written;
        for (int k = 0; k < run->nPairs && n > 0; k++) {
            int inBand = run->inBands[k];
            int outBand = run->outBands[k] < 0 ? 0 : run->outBands[k];
            if (useDouble) {
                getRowDoublePal(run->in, inRow, run->inColumn, n, inBand, doubles);
                for (int j = 1; run->dx > 1 && j < kept; j++) {
                    doubles[j] = doubles[(size_t)j * run->dx];
                }
                putRowDouble(run->out, outRow, run->outColumn, kept, outBand, doubles);
            } else if (useFloat) {
                getRowFloatPal(run->in, inRow, run->inColumn, n, inBand, floats);
                for (int j = 1; run->dx > 1 && j < kept; j++) {
                    floats[j] = floats[(size_t)j * run->dx];
                }
                putRowFloat(run->out, outRow, run->outColumn, kept, outBand, floats);
            } else {
                getRowBytePal(run->in, inRow, run->inColumn, n, inBand, bytes);
                for (int j = 1; run->dx > 1 && j < kept; j++) {
                    bytes[j] = bytes[(size_t)j * run->dx];
                }
                putRowByte(run->out, outRow, run->outColumn, kept, outBand, bytes);
            }
        }
        written++;
        progMeterStep(&meter, (int64_t)r + 1, run->rows);
    }
    gmemFree(buffer);
    progMeterEnd(&meter);
    return 1;
}

/*
 * copyCoversOutput --
 *	True when the copy writes every row, column and band of the output
 *	whole, so that nothing of the output's old picture survives it.
 */
static bool copyCoversOutput(const CopyRun *run)
{
    const ImageHead *out = &run->out->head;
    if (run->outRow != 0 || run->outColumn != 0 || (run->indexFlags & OUTPUT_INDEXED)
        || run->rows < 1 || run->columns < 1 || out->nbands < 1 || out->nbands > MAX_BAND_PAIRS) {
        return false;
    }
    int rowsWritten = (run->rows - 1) / run->dy + 1;
    int columnsWritten = (run->columns - 1) / run->dx + 1;
    if (rowsWritten != out->rows || columnsWritten != out->columns) {
        return false;
    }
    std::vector<bool> written((size_t)out->nbands, false);
    for (int k = 0; k < run->nPairs; k++) {
        int band = run->outBands[k] < 0 ? 0 : run->outBands[k];
        if (band < out->nbands) {
            written[(size_t)band] = true;
        }
    }
    for (bool band : written) {
        if (!band) {
            return false;
        }
    }
    return true;
}

/*
 *----------------------------------------------------------------------
 *
 * copyRun --
 *
 *	The palette, the rows, then the -u update of the output.
 *
 * Results:
 *	1 when the copy is done (an abort included); 0 when the row buffer
 *	could not be had or the output's rows could not be written back.
 *
 * Side effects:
 *	Releases both images.
 *
 *----------------------------------------------------------------------
 */
static int copyRun(CopyRun *run)
{
    if (run->indexFlags == (INPUT_INDEXED | OUTPUT_INDEXED) && run->copyPalette) {
        copyPaletteEntries(run->out, run->in);
    }
    if (copyCoversOutput(run)) {
        markRowsReplaced(run->out);
    }
    if (!copyRows(run)) {
        return PROGRAM_FAILED;
    }
    meterReset();
    progReleaseImage(run->in);
    run->in = NULL;
    int ok = progUpdateImage(run->out, run->update, run->outBands, run->nPairs);
    progReleaseImage(run->out);
    run->out = NULL;
    return ok ? PROGRAM_DONE : PROGRAM_FAILED;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageCopy --
 *
 *	The program of rimage copy and rimage crop.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when copied; else
 *	PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	See copyParseArgs and copyRun.
 *
 *----------------------------------------------------------------------
 */
int rimageCopy(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, copyUsage);
    }
    /* Two band lists of 8192 pairs: kept off the stack. */
    CopyRun *run = (CopyRun *)gmemAlloc(sizeof(CopyRun));
    if (run == NULL) {
        ovex_printf("Error in memory allocation.\n");
        return PROGRAM_FAILED;
    }
    memset(run, 0, sizeof(*run));
    run->label = "crop";
    int status = copyParseArgs(run, argc, argv) ? copyRun(run) : PROGRAM_FAILED;
    gmemFree(run);
    return status;
}
