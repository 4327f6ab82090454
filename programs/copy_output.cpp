/*
 * copy_output.cpp --
 *
 *	The output of copy and trans made from the input, and their -b list.
 */
#include "programs/copy_output.h"

#include <stdint.h>
#include <string.h>

#include "core/vocabulary.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/formats/image_probe.h"
#include "ramimage/rimage_command.h"
#include "ramimage/program_support.h"

RAMIMG *createCopyOutput(const ImageHead *input, const CopyOutputShape *shape,
                         const ProgOptions *options, const char *word, int *err)
{
    ImageHead head = *input;
    head.rows /= shape->dy;
    head.columns /= shape->dx;
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

    RAMIMG *image = openRAMImageNew(&head, NULL, 0, err);
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
