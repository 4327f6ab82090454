/*
 * data_program.cpp --
 *
 *	rimage data: writes pixel values given as a text script into an
 *	image. The rows stay in the row cache (no flush); the image's clients
 *	are told that its data changed.
 */
#include "programs/data_program.h"

#include <stddef.h>

#include "core/package.h"
#include "ovex/ovexstdio.h"
#include "ramimage/ascii_pixels.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/ramimg.h"

static const ProgOption dataOptions[] = {
    {"-in", NULL}, {"-data", NULL}, {"-u", NULL}, {NULL, NULL}
};

static const char *const dataUsage[] = {
    "Usage: %s -in imgID -data DATA -u UPDATE\n",
    "where IMGID    an image ID (a tag or a filename)\n",
    "      DATA     image data scripts\n",
    "      UPDATE   flag of updating clients\n",
    NULL
};

/*
 *----------------------------------------------------------------------
 *
 * rimageData --
 *
 *	The program of rimage data.
 *
 * Results:
 *	PROGRAM_USAGE without words; PROGRAM_DONE when the script was
 *	stored; else PROGRAM_FAILED after the message.
 *
 * Side effects:
 *	The image's pixels; with -u non-zero (the default) its clients are
 *	told of a data change.
 *
 *----------------------------------------------------------------------
 */
int rimageData(const char *programName, int argc, const char **argv)
{
    if (argc <= 0) {
        return progPrintUsage(programName, dataUsage);
    }
    ProgOptions options;
    if (!progMatchOptions(&options, dataOptions, argc, argv, stderr)) {
        return PROGRAM_FAILED;
    }
    const char *update = progOptionValue(&options, "-u");
    int notify = update != NULL ? ovexLenientInt(update) : 1;
    const char *script = progOptionValue(&options, "-data");
    const char *word = progOptionValue(&options, "-in");
    if (script == NULL) {
        ovex_fprintf(stderr, "missing data scripts\n");
        return PROGRAM_FAILED;
    }
    if (word == NULL) {
        ovex_fprintf(stderr, "missing input IMGID\n");
        return PROGRAM_FAILED;
    }
    int err = RAMIMG_OK;
    RAMIMG *image = progOpenImage(word, &err);
    if (image == NULL) {
        ovex_fprintf(stderr, "Error in open ramimg: %s\n", word);
        printRamImageError(err);
        return PROGRAM_FAILED;
    }
    if (!parseASCIIData(image, script)) {
        progReleaseImage(image);
        return PROGRAM_FAILED;
    }
    if (notify != 0) {
        updateClient(image, 0, RAMIMG_NOTIFY_DATA);
    }
    progReleaseImage(image);
    return PROGRAM_DONE;
}
