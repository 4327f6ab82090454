/*
 * class_output.cpp --
 *
 *	The class image a classifying program writes.
 */
#include "programs/class_output.h"

#include <cstdint>
#include <cstring>

#include "core/vocabulary.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/memory_layout.h"
#include "ramimage/kit/program_kit.h"

RAMIMG *createClassOutput(const RAMIMG *in, const char *word, const char *imgidName,
                          const ClassOutputStyle &style, int *err)
{
    static const int allowed[] = {IMGID_BSQ, IMGID_BIL,  IMGID_BIP,  IMGID_DIB, IMGID_TIFF,
                                  IMGID_GEOTIFF, IMGID_BSQD, IMGID_BILD, IMGID_BIPD};
    ImageHead head = in->head;
    head.imgid = IMGID_DIB;
    if (imgidName != NULL) {
        int imgid = imgidFromName(imgidName);
        head.imgid = 0;
        for (int id : allowed) {
            if (imgid == id) {
                head.imgid = id;
            }
        }
        if (head.imgid == 0) {
            ovex_fprintf(stderr, "Invalid imgid.\n");
            return NULL;
        }
    }
    if (style.refuseLongName && strlen(word) >= RAMIMG_NAME_SIZE) {
        *err = RAMIMG_ENAME;
        return NULL;
    }
    strncpy(head.file, word, RAMIMG_NAME_SIZE - 1);
    head.file[RAMIMG_NAME_SIZE - 1] = '\0';
    head.pixel = PIXEL_BYTE;
    head.bits = bitsPerPixel(PIXEL_BYTE);
    head.nbands = 1;
    head.nindices = 256;
    head.dataFd = -1;
    head.frames = 0;
    head.encoding = 0;
    int64_t least = leastRowLength(&head);
    RAMIMG *image = NULL;
    if (least < 1 || least > INT32_MAX) {
        *err = RAMIMG_EUNHANDLED;
    } else {
        head.block = (int32_t)least;
        image = progCreateImage(&head, 1, err);
    }
    if (image == NULL) {
        ovex_fprintf(stderr, "%s%s\n", style.openLead, word);
    }
    return image;
}
