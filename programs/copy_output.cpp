/*
 * copy_output.cpp --
 *
 *	The output of copy and trans made from the input, and their -b list.
 */
#include "programs/copy_output.h"

#include <stdint.h>
#include <string.h>
#include <strings.h>

#include "core/vocabulary.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/memory_layout.h"
#include "ramimage/kit/program_kit.h"
#include "ramimage/kit/program_support.h"

int readCopySettings(const ProgOptions *options, CopySettings *settings)
{
    settings->dx = progIntOption(options, "-dx", 1);
    settings->dy = progIntOption(options, "-dy", 1);
    settings->quality = progIntOption(options, "-cmp", 90);
    const char *ind = progOptionValue(options, "-ind");
    settings->copyPalette = ind != NULL && strcasecmp(ind, "Y") == 0;
    settings->update = progUpdateFlag(progOptionValue(options, "-u"), 1);
    if (settings->update < 0) {
        ovex_fprintf(stderr, "invalid update flag (must be 0,1,or 2).\n");
        return 0;
    }
    /* The intervals divide the new output's size and step the loops. */
    if (settings->dx < 1) {
        ovex_fprintf(stderr, "invalid column interval (must be at least 1).\n");
        return 0;
    }
    if (settings->dy < 1) {
        ovex_fprintf(stderr, "invalid row interval (must be at least 1).\n");
        return 0;
    }
    settings->in = progOptionValue(options, "-in");
    settings->out = progOptionValue(options, "-out");
    if (settings->in == NULL) {
        ovex_fprintf(stderr, "Missing input file.\n");
        return 0;
    }
    if (settings->out == NULL) {
        ovex_fprintf(stderr, "Missing output file.\n");
        return 0;
    }
    return 1;
}

RAMIMG *createCopyOutput(const ImageHead *input, const CopyOutputShape *shape,
                         const ProgOptions *options, const char *word, int *err)
{
    ImageHead head = *input;
    head.rows /= shape->dy;
    head.columns /= shape->dx;
    if (strlen(word) >= RAMIMG_NAME_SIZE) {
        *err = RAMIMG_ENAME;
        return NULL;
    }
    strncpy(head.file, word, RAMIMG_NAME_SIZE - 1);
    head.file[RAMIMG_NAME_SIZE - 1] = '\0';

    const char *imgid = progOptionValue(options, "-imgid");
    if (imgid != NULL) {
        head.imgid = imgidFromName(imgid);
        if (head.imgid < 1) {
            ovex_fprintf(stderr, "Invalid image ID\n");
            return NULL;
        }
    }
    const char *pixel = progOptionValue(options, "-pixel");
    if (pixel != NULL) {
        head.pixel = pixelFromName(pixel);
        if (head.pixel < 1) {
            ovex_fprintf(stderr, "Invalid pixel ID\n");
            return NULL;
        }
    }
    if (shape->bandCap >= 0 && shape->bandCap < head.nbands) {
        head.nbands = shape->bandCap;
    }
    head.nbands = progIntOption(options, "-nbands", head.nbands);
    if (shape->dump) {
        head.offset = 0;
    }
    if (head.rows < 1 || head.columns < 1 || head.nbands < 1) {
        *err = RAMIMG_EUNHANDLED;
        ovex_fprintf(stderr, "Error in open %s.\n", word);
        return NULL;
    }
    if (head.nbands != 1) {
        head.nindices = 0;
    }
    head.bits = bitsPerPixel(head.pixel);
    if (head.imgid == IMGID_JPEG) {
        head.block = shape->quality;   /* a JPEG's block is its quality */
    } else {
        int64_t least = leastRowLength(&head);
        if (least < 1 || least > INT32_MAX) {
            *err = RAMIMG_EUNHANDLED;
            ovex_fprintf(stderr, "Error in open %s.\n", word);
            return NULL;
        }
        head.block = (int32_t)least;
    }

    /* The copy writes the rows of its new output next: a JPEG is encoded
     * once, from them, not first as a blank picture. */
    jpegBlankDeferred = true;
    RAMIMG *image = progCreateImage(&head, 0, err);
    jpegBlankDeferred = false;
    if (image == NULL) {
        ovex_fprintf(stderr, "Error in open %s.\n", word);
        return NULL;
    }
    if (shape->dump
        && (image->head.imgid == IMGID_BSQ || image->head.imgid == IMGID_BIL
            || image->head.imgid == IMGID_BIP)) {
        /* The rows go over the header just written, from the first byte. */
        flushRamImage(image);
        invalidateRowCache(image);
        image->head.offset = 0;
        image->dataOffset = 0;
    }
    return image;
}

int parseBandPairList(const char *spec, int *inBands, int *outBands, int *nPairs)
{
    size_t length = strlen(spec);
    char *text = (char *)gmemAlloc(length + 1);
    if (text == NULL) {
        ovex_printf("Error in memory allocation.\n");
        return 0;
    }
    memcpy(text, spec, length + 1);
    int ok = 1;
    char *save = NULL;
    for (char *group = strtok_r(text, ";, \t\n", &save);
         group != NULL && *nPairs < MAX_BAND_PAIRS;
         group = strtok_r(NULL, ";, \t\n", &save)) {
        int n = parseBandGroup(inBands + *nPairs, outBands + *nPairs, MAX_BAND_PAIRS - *nPairs,
                               group);
        if (n <= 0) {
            ovex_fprintf(stderr, "Invalid band specification.\n");
            ok = 0;
            break;
        }
        *nPairs += n;
    }
    gmemFree(text);
    return ok;
}

void copyPaletteEntries(RAMIMG *out, const RAMIMG *in)
{
    int n = out->head.nindices < in->head.nindices ? out->head.nindices : in->head.nindices;
    if (n > 256) {
        n = 256;
    }
    if (n > 0) {
        memcpy(out->head.palette, in->head.palette, (size_t)n * 3);
        flushImageTrailer(out->fd, &out->head, out->priv);
    }
}
