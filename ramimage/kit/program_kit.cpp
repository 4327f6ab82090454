/*
 * program_kit.cpp --
 *
 *	Option copies, usage, image references, the row-loop meter, the -u
 *	update convention and console questions of the rimage programs.
 */
#include "ramimage/kit/program_kit.h"

#include <ctype.h>
#include <string.h>

#include <string>

#include "core/console_io.h"
#include "core/error_note.h"
#include "core/package.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/band_stats.h"
#include "ramimage/ramimg.h"

/* ---- Options and usage ---------------------------------------------------- */

/*
 * progMatchOptions --
 *	Works on a copy so that a nested run of the same program, started by
 *	an event passed during this one, cannot change the values this call
 *	reads.
 * Returns: 1 when every word matched, else 0 after the message.
 * Changes: options (the copy of table with its values).
 */
int progMatchOptions(ProgOptions *options, const ProgOption *table, int argc,
                     const char *const *argv, FILE *stream)
{
    int rows = 0;
    while (table[rows].name != NULL) {
        if (rows == PROG_OPTION_ROWS) {
            ovexPanicMessage("option table longer than %d rows", PROG_OPTION_ROWS);
            options->rows[0].name = NULL;
            return 0;
        }
        options->rows[rows] = table[rows];
        rows++;
    }
    options->rows[rows].name = NULL;
    options->rows[rows].value = NULL;

    int unknown = matchOptions(options->rows, argc, argv);
    if (unknown > 0) {
        std::string detail = unmatchedOptionsText(table, argc, argv);
        ovex_fprintf(stream, "Error: %d unknown param(s).\n%s\n", unknown, detail.c_str());
        if (stream != stderr) {
            /* Printed with the program's report, but it is the reason
             * the run failed all the same. */
            std::string message = "Error: " + std::to_string(unknown) + " unknown param(s).\n";
            message += detail;
            errorNoteKeep(message.c_str(), (int)message.size());
        }
        return 0;
    }
    return 1;
}

const char *progOptionValue(const ProgOptions *options, const char *name)
{
    for (const ProgOption *row = options->rows; row->name != NULL; row++) {
        if (strcmp(row->name, name) == 0) {
            return row->value;
        }
    }
    return NULL;
}

int progIntOption(const ProgOptions *options, const char *name, int fallback)
{
    const char *value = progOptionValue(options, name);
    return value != NULL ? ovexLenientInt(value) : fallback;
}

double progRealOption(const ProgOptions *options, const char *name, double fallback)
{
    const char *value = progOptionValue(options, name);
    return value != NULL ? ovexLenientDouble(value) : fallback;
}

int progPrintUsage(const char *programName, const char *const *lines)
{
    if (lines != NULL && lines[0] != NULL) {
        ovex_printf(lines[0], programName);
        for (int k = 1; lines[k] != NULL; k++) {
            ovex_fputs(lines[k], stdout);
        }
    }
    return PROGRAM_USAGE;
}

/* ---- Images --------------------------------------------------------------- */

RAMIMG *progOpenImage(const char *word, int *err)
{
    if (word == NULL || word[0] == '\0') {
        if (err != NULL) {
            *err = RAMIMG_EOPEN;
        }
        return NULL;
    }
    return openRAMImage(word, word, NULL, NULL, err);
}

void progReleaseImage(RAMIMG *image)
{
    if (image != NULL) {
        closeRAMImage(image, NULL);
    }
}

/* ---- Row loop ------------------------------------------------------------- */

void progMeterStart(ProgMeter *meter, const char *label)
{
    meter->label = label;
    meter->next = 0.0f;
}

/*
 * progMeterStep --
 *	The fraction is single precision, as the meter shows it.
 * Changes: meter->next.
 */
void progMeterStep(ProgMeter *meter, int64_t done, int64_t total)
{
    if (total <= 0) {
        return;
    }
    float fraction = (float)done / (float)total;
    if (fraction >= meter->next) {
        meterSet(meter->label, meter->next);
        meter->next += meterInc();
    }
}

void progMeterEnd(ProgMeter *meter)
{
    meterSet(meter->label, 1.0f);
}

int progAborted(void)
{
    return pollPauseAbort() == OVEX_STATE_ABORT;
}

/* ---- The -u update convention --------------------------------------------- */

int progUpdateFlag(const char *value, int defaultFlag)
{
    int flag = value != NULL ? ovexLenientInt(value) : defaultFlag;
    return (flag >= 0 && flag <= 2) ? flag : -1;
}

/*
 * progUpdateImage --
 *	The written rows reach the file before the clients redraw from it.
 * Returns: 1, or 0 when the write-back failed (after its message).
 * Changes: the image's file, its band statistics (flag 2), its clients.
 */
int progUpdateImage(RAMIMG *image, int update, const int *bands, int nBands)
{
    if (image == NULL || (update != 1 && update != 2)) {
        return 1;
    }
    int written = flushRamImage(image);
    if (!written) {
        ovex_fprintf(stderr, "Error in writing %s.\n", image->head.file);
    }
    if (update == 2 && image->stats != NULL) {
        int count = bands != NULL ? nBands : image->head.nbands;
        for (int k = 0; k < count; k++) {
            int band = bands != NULL ? bands[k] : k;
            if (band < 0) {
                band = 0;  /* the colour index */
            }
            if (band < image->head.nbands) {
                resetBandStats(&image->stats[band]);
            }
        }
        updateClient(image, 0, RAMIMG_NOTIFY_CONFIG);
    } else {
        updateClient(image, 0, RAMIMG_NOTIFY_DATA);
    }
    return written;
}

/* ---- Console -------------------------------------------------------------- */

/* One answer's first character folded to upper case, 0 for none. */
static int readAnswer(void)
{
    int c = ovex_getc(stdin);
    return c < 0 ? 0 : toupper((unsigned char)c);
}

/*
 * askYesNo --
 *	An empty read means no text came (an empty line, the end of input or
 *	no console); after the one that is skipped it ends the question,
 *	since asking again could go on for ever.
 * Returns: 1 for Y, 0 for N.
 */
int askYesNo(const char *prompt)
{
    ovex_printf("\n%s (Y/N) ", prompt != NULL ? prompt : "");
    int answer = readAnswer();
    if (answer == 0) {
        answer = readAnswer();
    }
    while (answer != 'Y' && answer != 'N') {
        if (answer == 0) {
            return 0;
        }
        ovex_putchar(7);
        answer = readAnswer();
    }
    return answer == 'Y';
}

/* Reads the u32 at offset of a block whose alignment is unknown. */
static uint32_t blockWord(const void *block, size_t offset)
{
    uint32_t word;
    memcpy(&word, (const unsigned char *)block + offset, sizeof word);
    return word;
}

/* Head of a feature block: total size at 8, band count at 28, bands at 32. */
enum { BLOCK_SIZE_AT = 8, BLOCK_NBANDS_AT = 28, BLOCK_BANDS_AT = 32 };

/*
 * printBands --
 *	The block may come from a file, so the list stops at its stated size.
 */
void printBands(const void *block)
{
    if (block == NULL) {
        return;
    }
    uint32_t size = blockWord(block, BLOCK_SIZE_AT);
    uint32_t nBands = blockWord(block, BLOCK_NBANDS_AT);
    uint32_t listed = size > BLOCK_BANDS_AT ? (size - BLOCK_BANDS_AT) / 4 : 0;
    if (listed > nBands) {
        listed = nBands;
    }
    ovex_printf("Bands: %ld\n", (long)(int32_t)nBands);
    for (uint32_t k = 0; k < listed; k++) {
        long band = (long)(int32_t)blockWord(block, BLOCK_BANDS_AT + 4 * (size_t)k);
        ovex_printf("%10ld", band + 1);
        if ((k + 1) % 8 == 0) {
            ovex_printf("\n");
        }
    }
    ovex_printf("\n");
}
