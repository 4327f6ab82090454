/*
 * dicom.h --
 *
 *	DICOM data sets read element by element: the element table an image
 *	keeps as its private data, look-ups in it, the palette of a
 *	palette-colour image, the value representations by name and code,
 *	and the process-wide data dictionary that the dicom command fills.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_DICOM_H
#define OVEX_RAMIMAGE_FORMATS_DICOM_H

#include <stdint.h>
#include <tcl.h>

#include "core/hash_tables.h"

/* Value representation codes: dicomVrName(code) gives the two letters. */
enum {
    DICOM_VR_NONE = 0, DICOM_VR_AE, DICOM_VR_AS, DICOM_VR_AT, DICOM_VR_CS, DICOM_VR_DA,
    DICOM_VR_DS, DICOM_VR_DT, DICOM_VR_FL, DICOM_VR_FD, DICOM_VR_IS, DICOM_VR_LO,
    DICOM_VR_LT, DICOM_VR_OB, DICOM_VR_OW, DICOM_VR_PN, DICOM_VR_SH, DICOM_VR_SL,
    DICOM_VR_SQ, DICOM_VR_SS, DICOM_VR_ST, DICOM_VR_TM, DICOM_VR_UI, DICOM_VR_UL,
    DICOM_VR_UN, DICOM_VR_US, DICOM_VR_UT,
    DICOM_VR_COUNT,
    DICOM_VR_UNKNOWN = 0xFFFF       /* explicit letters outside the table */
};

#define DICOM_UNDEFINED_LENGTH 0xFFFFFFFFu

/* One element read from a file: a single gmemAlloc block, so that
 * deleteDicomHashTable can free the chains of a table. */
struct DicomElement {
    DicomElementLink link;          /* next element of the chain */
    uint16_t group;
    uint16_t element;
    uint32_t length;                /* length field as read; DICOM_UNDEFINED_LENGTH */
    uint32_t held;                  /* value bytes held (the pixel data: 4, its position) */
    uint16_t vr;                    /* DICOM_VR_NONE in implicit data sets */
    unsigned char value[1];         /* length bytes, then a zero byte */
};

/* Key of (group, element) in element tables and the dictionary. */
static inline const void *dicomKey(int group, int element)
{
    return (const void *)(uintptr_t)((((uint32_t)group & 0xFFFF) << 16) | ((uint32_t)element & 0xFFFF));
}

/* "??" outside 0 to 26. */
const char *dicomVrName(int code);
/* Code of a two-letter name, 0 when unknown. */
int dicomVrCode(const char *name);

/*
 * The top-level elements of the data set of fd (integer table keyed by
 * group << 16 | element), NULL when the file is not a DICOM data set
 * ending in pixel data or when memory runs out. *pixelPosition receives
 * where the first frame's pixel data begin. The file position is kept.
 */
Tcl_HashTable *readDicomElements(int fd, int64_t *pixelPosition);

DicomElement *dicomFindElement(Tcl_HashTable *table, int group, int element);
/* The element's value bytes (zero-terminated), NULL when absent. */
const unsigned char *dicomElementValue(Tcl_HashTable *table, int group, int element);

/* The palette of the red, green and blue lookup tables; the number of
 * entries (at most 256), 0 when the table has none. */
int dicomReadPalette(unsigned char palette[256][3], Tcl_HashTable *table);

/* Decodes a run-length encoded frame (its 64-byte header and segments,
 * itemLength bytes) into out: columns x rows pixels of bands samples of
 * bytesPerSample bytes each, interleaved by pixel, samples in host byte
 * order. Returns 1 when every segment was found, else 0 (out keeps what
 * was decoded). */
int dicomDecodeRle(const unsigned char *item, size_t itemLength, unsigned char *out,
                   int64_t pixels, int bands, int bytesPerSample);

/* ---- Data dictionary (dicom_dictionary.cpp) ------------------------------ */

struct DicomDictEntry {
    uint16_t vr;
    uint8_t number1;
    uint8_t number2;
    char name[1];                   /* zero-terminated */
};

/* The dictionary, created when create is set and there is none. */
Tcl_HashTable *dicomDictionary(int create);
/* Stores an entry (replacing); 0 when memory runs out. */
int dicomDictAdd(int group, int element, int vr, int number1, int number2, const char *name);
DicomDictEntry *dicomDictFind(int group, int element);
int dicomDictCount(void);
/* Frees the dictionary (package exit; the last dicom command deleted). */
void dicomFreeDictionary(void);

/* The value of an element as the dicom command lists it: a new object. */
Tcl_Obj *dicomFormatValue(const DicomElement *element);

#endif /* OVEX_RAMIMAGE_FORMATS_DICOM_H */
