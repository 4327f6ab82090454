/*
 * ptable_program.cpp --
 *
 *	rimage ptable: counts the distinct pixel vectors of chosen bands of a
 *	BYTE image over a range of rows (1-based in the options) and writes
 *	the table as a "PTABLEHD" file, by default the input's name with its
 *	extension replaced by ".lku".
 */
#include "programs/ptable_program.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "core/package.h"
#include "core/safe_replace.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "programs/pixel_table.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"
#include "ramimage/kit/output_checks.h"

static const ProgOption ptableOptions[] = {
    {"-in", NULL}, {"-pt", NULL}, {"-sr", NULL}, {"-er", NULL}, {"-b", NULL}, {NULL, NULL}
};

static const char *const ptableUsage[] = {
    "Usage: %s -in IN -pt PT -sr SR -er ER -b BANDS\n",
    "    where\n",
    "    IN      the input image file;\n",
    "    PT      the output pixel table file;\n",
    "    SR      the start row. (def: 0);\n",
    "    ER      the end row. (def: the last row);\n",
    "    BANDS   the bands b1,b2,... (def: all bands).\n",
    NULL
};

/*
 * tableNameFor --
 *	The default table file: the input's name with the extension of its
 *	last path component replaced by ".lku" (a dot in a folder name is
 *	not an extension).
 */
static std::string tableNameFor(const char *in)
{
    std::string name = in;
    size_t slash = name.find_last_of('/');
    size_t dot = name.find('.', slash == std::string::npos ? 0 : slash + 1);
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name + ".lku";
}

/*
 * parseBands --
 *	-b: 1-based band numbers separated by commas, each in 1 .. nbands
 *	(a word that is no number reads as 0); all bands without -b.
 * Returns: the count of 0-based bands in a gmemAlloc block *bands, or 0
 *	after "Illegal band number.\n" (or the allocation's message).
 */
static int parseBands(const char *text, int nbands, int **bands)
{
    int count = nbands;
    if (text != NULL) {
        count = 1;
        for (const char *p = text; *p != '\0'; p++) {
            count += *p == ',';
        }
    }
    *bands = (int *)gmemAlloc((size_t)(count > 0 ? count : 1) * sizeof(int));
    if (*bands == NULL) {
        ovex_fprintf(stderr, "gptable error in gmemAlloc\n");
        return 0;
    }
    const char *piece = text;
    for (int k = 0; k < count; k++) {
        int band = k + 1;
        if (text != NULL) {
            band = ovexLenientInt(piece);
            const char *comma = strchr(piece, ',');
            piece = comma != NULL ? comma + 1 : piece;
        }
        if (band < 1 || band > nbands) {
            ovex_fprintf(stderr, "Illegal band number.\n");
            gmemFree(*bands);
            *bands = NULL;
            return 0;
        }
        (*bands)[k] = band - 1;
    }
    return count;
}

/* The work of one ptable call. */
struct PtableRun {
    RAMIMG *image;
    int *bands;
    int nBands;
    PTABLE *table;
};

static int ptableFailed(PtableRun *run, int err)
{
    progReleaseImage(run->image);
    gmemFree(run->bands);
    freePTable(run->table);
    printRamImageError(err);
    return PROGRAM_FAILED;
}

/*
 *----------------------------------------------------------------------
 *
 * rimagePtable --
 *
 *	The program of rimage ptable.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the table file is
 *	written; else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	Replaces the table file whole (only once the options are known to
 *	be good; a failure leaves an old file as it was); reports the
 *	building on standard error.
 *
 *----------------------------------------------------------------------
 */
int rimagePtable(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, ptableUsage);
    }
    /* The table goes to a new file that replaces an old one only once it
     * is complete; a failure removes it (its destructor) and leaves the
     * old table as it was. */
    FileReplacement tableFile;
    PtableRun run;
    memset(&run, 0, sizeof run);
    ProgOptions options;
    if (!progMatchOptions(&options, ptableOptions, argc, argv, stdout)) {
        return PROGRAM_FAILED;
    }
    const char *in = progOptionValue(&options, "-in");
    if (in == NULL) {
        ovex_fprintf(stderr, "Input file missing.\n");
        return PROGRAM_FAILED;
    }
    int err = RAMIMG_OK;
    run.image = progOpenImage(in, &err);
    if (run.image == NULL) {
        ovex_fprintf(stderr, "Error in open:%s\n", in);
        return ptableFailed(&run, err);
    }
    const ImageHead *head = &run.image->head;
    if (head->nindices > 0) {
        ovex_fprintf(stderr, "Unsupported index image.\n");
        return ptableFailed(&run, err);
    }
    if (head->pixel != PIXEL_BYTE) {
        ovex_fprintf(stderr, "Unsupported pixel type.\n");
        return ptableFailed(&run, err);
    }
    /* Bands before the file, so that a bad -b leaves an old table alone. */
    run.nBands = parseBands(progOptionValue(&options, "-b"), head->nbands, &run.bands);
    if (run.nBands <= 0) {
        return ptableFailed(&run, err);
    }
    const char *pt = progOptionValue(&options, "-pt");
    std::string tableName = pt != NULL ? std::string(pt) : tableNameFor(in);
    static const char *const kinds[] = {PTABLE_MAGIC, NULL};
    if (!progOutputFileAllowed(tableName.c_str(), kinds)) {
        return ptableFailed(&run, err);
    }
    progNoteOutputFile(tableName.c_str());
    if (!tableFile.open(tableName.c_str())) {
        ovex_fprintf(stderr, "Error in open: %s\n", tableName.c_str());
        return ptableFailed(&run, err);
    }

    const char *value = progOptionValue(&options, "-sr");
    int firstRow = value != NULL ? ovexLenientInt(value) - 1 : 0;
    value = progOptionValue(&options, "-er");
    int lastRow = value != NULL ? ovexLenientInt(value) - 1 : head->rows - 1;
    if (firstRow < 0) {
        firstRow = 0;
    }

    uint32_t *tableBands = (uint32_t *)gmemAlloc((size_t)run.nBands * sizeof(uint32_t));
    if (tableBands != NULL) {
        for (int k = 0; k < run.nBands; k++) {
            tableBands[k] = (uint32_t)run.bands[k];
        }
        run.table = createPTable(ptableCapacity(run.nBands), (uint32_t)run.nBands, tableBands);
        gmemFree(tableBands);
    }
    if (run.table == NULL) {
        ovex_fprintf(stderr, "gptable error in gmemAlloc\n");
        return ptableFailed(&run, err);
    }
    int counted = countPixels(run.table, run.image, run.bands, firstRow, lastRow, tableFile.fd());
    if (counted <= 0) {
        if (counted < 0) {
            ovex_fprintf(stderr, "Error in writing %s.\n", tableName.c_str());
        }
        return ptableFailed(&run, err);
    }
    if (!tableFile.commit()) {
        ovex_fprintf(stderr, "Error in writing %s.\n", tableName.c_str());
        return ptableFailed(&run, err);
    }
    progReleaseImage(run.image);
    gmemFree(run.bands);
    freePTable(run.table);
    return PROGRAM_DONE;
}
