/*
 * rform_program.cpp --
 *
 *	rimage rform: redefines the imgid, the georeference (x0, y0, dx, dy)
 *	and the file origin (left, top) of an open image and rewrites its
 *	file's header. Changing band-sequential to band-interleaved-by-line
 *	(or back) reinterprets the same bytes: B bands of R rows stored band
 *	after band are R bands of B rows stored row after row, so rows and
 *	bands are exchanged and no pixel moves.
 */
#include "programs/rform_program.h"

#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "core/package.h"
#include "core/vocabulary.h"
#include "ovex/ovexstdio.h"
#include "ramimage/band_stats.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/formats/tiff.h"
#include "ramimage/kit/option_checks.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"

static const ProgOption rformOptions[] = {
    {"-in", NULL}, {"-imgid", NULL}, {"-u", NULL}, {"-x0", NULL}, {"-y0", NULL},
    {"-dx", NULL}, {"-dy", NULL}, {"-left", NULL}, {"-top", NULL}, {NULL, NULL}
};

static const char *const rformUsage[] = {
    "Usage: %s -in IN -imgid IMGID -u UPDATE -x0 X0 -y0 Y0 -dx DX -dy DY -left LEFT -top TOP\n",
    "where IN         input image\n",
    "      IMGID      new image ID\n",
    "      UPDATE     flag of updating client (def: 1)\n",
    "      X0         map x coordinate of the upperleft\n",
    "      Y0         map y coordinate of the upperleft\n",
    "      DX         pixel's width\n",
    "      DY         pixel's height\n",
    "      LEFT       file x coordinate of the upperleft\n",
    "      TOP        file y coordinate of the upperleft\n",
    NULL
};

/* The state of one rform call. */
struct RformRun {
    RAMIMG *image;
    int imgid;
    int update;
    int swap;                       /* rows and bands exchanged */
    double x0, y0, dx, dy;
    int left, top;
};

/* Results of rewriteHead beside the header writer's own. */
enum {
    HEAD_WRITE_FAILED = -1,
    HEAD_NOT_SUPPORTED = -2
};

static const char INCOMPATIBLE[] = "Error: possible incompatible redefine.\n";

/* ---- The imgid changes that keep the bytes readable ----------------------- */

static int isErdasBil(int imgid)
{
    return imgid == IMGID_E73 || imgid == IMGID_E74;
}

/*
 * imgidChange --
 *	Whether the file's bytes can be read under the new imgid.
 * Returns: 1 allowed without a swap, 2 allowed with rows and bands
 *	exchanged, 0 refused.
 */
static int imgidChange(int current, int wanted)
{
    if (current == IMGID_BSQ || current == IMGID_BIL) {
        if (wanted == current) {
            return 1;
        }
        return (wanted == IMGID_BSQ || wanted == IMGID_BIL) ? 2 : 0;
    }
    if (isErdasBil(current)) {
        if (isErdasBil(wanted)) {
            return 1;
        }
        return wanted == IMGID_E74BSQ ? 2 : 0;
    }
    if (current == IMGID_E74BSQ) {
        if (wanted == IMGID_E74BSQ) {
            return 1;
        }
        return isErdasBil(wanted) ? 2 : 0;
    }
    return wanted == current ? 1 : 0;
}

/*
 * findImage --
 *	The image named by word: open on that file, else tagged word, else
 *	the file opened now. Takes a reference progReleaseImage gives back.
 */
static RAMIMG *findImage(const char *word, int *err)
{
    RAMIMG *image = getRAMImageByName(word);
    if (image == NULL) {
        image = getRAMImageByTag(word);
    }
    if (image != NULL) {
        image->refCount++;
        *err = RAMIMG_OK;
        return image;
    }
    return progOpenImage(word, err);
}

/*
 *----------------------------------------------------------------------
 *
 * rformParseArgs --
 *
 *	Reads the options, finds the image and checks the imgid change.
 *
 * Results:
 *	1, or 0 after the message on standard error (no image held then).
 *
 * Side effects:
 *	None on the image.
 *
 *----------------------------------------------------------------------
 */
static int rformParseArgs(RformRun *run, int argc, const char **argv)
{
    ProgOptions options;
    if (!progMatchOptions(&options, rformOptions, argc, argv, stderr)) {
        return 0;
    }
    const char *word = progOptionValue(&options, "-in");
    if (word == NULL) {
        ovex_fprintf(stderr, "Missing input image!\n");
        return 0;
    }
    const char *update = progOptionValue(&options, "-u");
    run->update = update != NULL ? ovexLenientInt(update) : 1;

    int err = RAMIMG_OK;
    run->image = findImage(word, &err);
    if (run->image == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", word);
        printRamImageError(err);
        return 0;
    }
    const ImageHead *head = &run->image->head;

    const char *value;
    /* A step of 0 or below stays the stored files' 1, but no
     * non-finite number reaches the header. */
    static const char *const reals[] = {"-x0", "-y0", "-dx", "-dy"};
    for (const char *name : reals) {
        double unused;
        if (!progCheckedReal(&options, name, 0.0, PROG_REAL_FINITE, &unused)) {
            goto failed;
        }
    }
    run->x0 = (value = progOptionValue(&options, "-x0")) != NULL ? ovexLenientDouble(value) : head->x0;
    run->y0 = (value = progOptionValue(&options, "-y0")) != NULL ? ovexLenientDouble(value) : head->y0;
    run->dx = (value = progOptionValue(&options, "-dx")) != NULL ? ovexLenientDouble(value) : head->dx;
    run->dy = (value = progOptionValue(&options, "-dy")) != NULL ? ovexLenientDouble(value) : head->dy;
    if (!(run->dx > 0.0)) {
        run->dx = 1.0;
    }
    if (!(run->dy > 0.0)) {
        run->dy = 1.0;
    }
    run->left = (value = progOptionValue(&options, "-left")) != NULL ? ovexLenientInt(value) : head->left;
    run->top = (value = progOptionValue(&options, "-top")) != NULL ? ovexLenientInt(value) : head->top;
    if (run->left < 0) {
        run->left = 0;
    }
    if (run->top < 0) {
        run->top = 0;
    }

    if (head->imgid == IMGID_XBMP || head->imgid == IMGID_PPM) {
        ovex_fprintf(stderr, INCOMPATIBLE);
        goto failed;
    }
    run->imgid = head->imgid;
    run->swap = 0;
    value = progOptionValue(&options, "-imgid");
    if (value != NULL) {
        int wanted = imgidFromName(value);
        if (wanted < 0) {
            ovex_fprintf(stderr, "Invalid imgid!\n");
            goto failed;
        }
        int change = imgidChange(head->imgid, wanted);
        if (change == 0) {
            ovex_fprintf(stderr, INCOMPATIBLE);
            goto failed;
        }
        run->imgid = wanted;
        run->swap = change == 2;
    }
    return 1;

failed:
    progReleaseImage(run->image);
    run->image = NULL;
    return 0;
}

/* ---- Header rewrite ------------------------------------------------------- */

/*
 * tiffWrittenAsOurs --
 *	The TIFF writer puts one uncompressed strip of every row at byte 8
 *	and its one directory after it; a file laid out otherwise (strips
 *	or tiles elsewhere, compression, further directories) would lose its
 *	pixels or pages under that header.
 */
static int tiffWrittenAsOurs(const RAMIMG *image)
{
    const TiffState *state = (const TiffState *)image->priv;
    if (state == NULL || state->magic != TIFF_STATE_MAGIC) {
        return 0;
    }
    int64_t strip = (int64_t)image->head.block * image->head.rows;
    return image->head.offset == 8 && state->stripCount == 1 && state->tileWidth < 0
        && state->compression <= 1 && state->stripByteCounts == strip
        && (state->list == NULL || state->list->count == 1);
}

/*
 * headerKeepsPixels --
 *	Writes the header of head into a scratch file first: the file's
 *	header may be rewritten in place only when the pixels stay where
 *	they are (a BMP whose georeference line grows would push its pixel
 *	offset over the first row).
 * Returns: 1 when it may, HEAD_NOT_SUPPORTED when the header cannot be
 *	written in place, HEAD_WRITE_FAILED when the writer refused it.
 */
static int headerKeepsPixels(const RAMIMG *image, const ImageHead *head)
{
    if ((head->imgid == IMGID_TIFF || head->imgid == IMGID_GEOTIFF) && !tiffWrittenAsOurs(image)) {
        return HEAD_NOT_SUPPORTED;
    }
    int scratch = memfd_create("rform-header", MFD_CLOEXEC);
    if (scratch < 0) {
        return HEAD_WRITE_FAILED;
    }
    ImageHead trial = *head;
    int written = writeImageHeader(scratch, 0, &trial);
    close(scratch);
    if (written < 0) {
        return written == -1 ? HEAD_WRITE_FAILED : HEAD_NOT_SUPPORTED;
    }
    if (trial.offset != head->offset || trial.block != head->block
        || trial.nbands != head->nbands || trial.pixel != head->pixel) {
        return HEAD_NOT_SUPPORTED;
    }
    return 1;
}

/*
 * rewriteHead --
 *	The image's file header written again from its head.
 * Returns: at least 0 when written; HEAD_WRITE_FAILED or
 *	HEAD_NOT_SUPPORTED (formats without a writable header, memory
 *	images, headers that would move the pixels).
 */
static int rewriteHead(RAMIMG *image)
{
    if (isMemoryImgid(image->head.imgid)) {
        return HEAD_NOT_SUPPORTED;
    }
    if (image->fd < 0) {
        return HEAD_WRITE_FAILED;
    }
    int allowed = headerKeepsPixels(image, &image->head);
    if (allowed != 1) {
        return allowed;
    }
    int written = writeImageHeader(image->fd, 0, &image->head);
    return written >= 0 ? written : (written == -1 ? HEAD_WRITE_FAILED : HEAD_NOT_SUPPORTED);
}

/*
 * rebuildRowCache --
 *	After rows and bands were exchanged every cached row id names
 *	another row: the cache is made again for the new geometry with about
 *	as many slots as before. The rows were written back before the swap.
 */
static void rebuildRowCache(RAMIMG *image, int oldSlots)
{
    invalidateRowCache(image);
    int nbands = image->head.nbands > 0 ? image->head.nbands : 1;
    int rowsWanted = oldSlots / nbands;
    setRAMImageBuf(image, rowsWanted > 0 ? rowsWanted : 1);
}

/*
 *----------------------------------------------------------------------
 *
 * rformApply --
 *
 *	Sets the new attributes and rewrites the file's header.
 *
 * Results:
 *	PROGRAM_DONE, or PROGRAM_FAILED after "Error in updating image
 *	head.\n" or "Updating this image head is not supported.\n"; then
 *	the image keeps the attributes it had.
 *
 * Side effects:
 *	The image's head, its file header, its row cache (rebuilt after a
 *	swap), its band statistics (freed after a swap) and
 *	with -u non-zero a configuration notice to its clients. Releases
 *	the image.
 *
 *----------------------------------------------------------------------
 */
static int rformApply(RformRun *run)
{
    RAMIMG *image = run->image;
    ImageHead previous = image->head;
    int oldSlots = image->slots;
    if (run->swap) {
        /* The changed rows go out under the layout they were read with. */
        flushRamImage(image);
    }

    ImageHead *head = &image->head;
    head->imgid = run->imgid;
    if (run->swap) {
        int32_t rows = head->rows;
        head->rows = head->nbands;
        head->nbands = rows;
    }
    head->x0 = run->x0;
    head->y0 = run->y0;
    head->dx = run->dx;
    head->dy = run->dy;
    head->left = run->left;
    head->top = run->top;

    int written = rewriteHead(image);
    if (written < 0) {
        ovex_fprintf(stderr, written == HEAD_WRITE_FAILED ? "Error in updating image head.\n"
                                                          : "Updating this image head is not supported.\n");
        image->head = previous;
        progReleaseImage(image);
        return PROGRAM_FAILED;
    }

    if (run->swap) {
        rebuildRowCache(image, oldSlots);
    }
    /* After a swap band k holds what row k held: its statistics are stale
     * even when the count stayed. */
    if ((run->swap || head->nbands != previous.nbands) && image->stats != NULL) {
        freeHist(image->stats, previous.nbands);
        image->stats = NULL;
    }
    if (run->update != 0) {
        updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    }
    progReleaseImage(image);
    return PROGRAM_DONE;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageRform --
 *
 *	The program of rimage rform.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the image was
 *	redefined; else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	See rformApply.
 *
 *----------------------------------------------------------------------
 */
int rimageRform(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, rformUsage);
    }
    RformRun run;
    memset(&run, 0, sizeof(run));
    if (!rformParseArgs(&run, argc, argv)) {
        return PROGRAM_FAILED;
    }
    return rformApply(&run);
}
