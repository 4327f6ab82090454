/*
 * dicom.cpp --
 *
 *	Reader of DICOM files (imgid 17): the data-set walker that keeps every
 *	top-level element in a table, the probe, the row source of the row
 *	cache (plain rows, planar colour, run-length encoded palette frames)
 *	and the frame selector. DICOM files are never written here.
 *
 *	File layout (numbers little-endian):
 *
 *	offset  size  field
 *	     0   128  preamble (any bytes); absent in bare data sets
 *	   128     4  "DICM"
 *	   132     -  elements, each with an 8-byte head:
 *	              2 group, 2 element, then
 *	              explicit VR: 2 letters and a 2-byte length, or for OB, OW,
 *	                OF, OD, OL, OV, SQ, SV, UC, UN, UR, UT, UV the letters,
 *	                2 reserved bytes and a 4-byte length (12-byte head);
 *	              implicit VR: a 4-byte length.
 *	              Group 0002 (file meta information) is always explicit; its
 *	              (0002,0010) transfer syntax says how the rest is encoded.
 *	              Length FFFFFFFF: undefined; items (FFFE,E000) follow, ended
 *	              by (FFFE,E00D), the sequence by (FFFE,E0DD). Item heads
 *	              are always 8 bytes.
 *	     -     -  (7FE0,0010) pixel data: frames of rows x columns x samples,
 *	              interleaved by pixel (by plane when (0028,0006) is 1); or,
 *	              encapsulated (undefined length), an offset-table item
 *	              whose 4-byte entries locate each frame's item from the end
 *	              of the offset table, then one item per frame.
 *
 *	Run-length frame item: 4-byte segment count (1 to 15), 15 segment
 *	offsets from the item's start, then the segments, each PackBits-coded:
 *	one per byte of each sample, most significant byte first.
 */
#include "ramimage/formats/dicom.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/gmem.h"
#include "ovex/ovexstdio.h"
#include "ramimage/format_hooks.h"
#include "ramimage/formats/file_extent.h"
#include "ramimage/formats/format_entry.h"
#include "ramimage/formats/le_fields.h"
#include "ramimage/positional_io.h"
#include "ramimage/ramimg.h"
#include "ramimage/whole_image_cap.h"

namespace {

const char *const VR_NAMES[DICOM_VR_COUNT] = {
    "RT", "AE", "AS", "AT", "CS", "DA", "DS", "DT", "FL", "FD", "IS", "LO", "LT", "OB",
    "OW", "PN", "SH", "SL", "SQ", "SS", "ST", "TM", "UI", "UL", "UN", "US", "UT"
};

/* Explicit representations whose length takes 4 bytes after 2 reserved. */
const char *const LONG_LENGTH_VRS[] = {
    "OB", "OW", "OF", "OD", "OL", "OV", "SQ", "SV", "UC", "UN", "UR", "UT", "UV"
};

/* Other representations of the standard, recognised to tell explicit data
 * sets without meta information from implicit ones. */
const char *const OTHER_VRS[] = {"OF", "OD", "OL", "OV", "SV", "UC", "UR", "UV"};

const int MAX_NESTING = 64;

const char TS_IMPLICIT_LE[] = "1.2.840.10008.1.2";
const char TS_EXPLICIT_BE[] = "1.2.840.10008.1.2.2";
const char TS_DEFLATED[] = "1.2.840.10008.1.2.1.99";
const char TS_RLE[] = "1.2.840.10008.1.2.5";

enum {
    PLANAR_ENCODING = 1,            /* colour by plane: rows are not written back */
    RLE_ENCODING = 2
};

/* Why a data set was not read. */
enum DataSetRefusal {
    NOT_DICOM = 0, BIG_ENDIAN_DATA, DEFLATED_DATA
};

bool isLongLengthVr(const unsigned char *letters)
{
    for (const char *name : LONG_LENGTH_VRS) {
        if (letters[0] == (unsigned char)name[0] && letters[1] == (unsigned char)name[1]) {
            return true;
        }
    }
    return false;
}

bool isKnownVr(const unsigned char *letters)
{
    char name[3] = {(char)letters[0], (char)letters[1], '\0'};
    if (dicomVrCode(name) != 0) {
        return true;
    }
    for (const char *other : OTHER_VRS) {
        if (strcmp(name, other) == 0) {
            return true;
        }
    }
    return false;
}

/* The text of a UI or CS value without its padding (blanks and zeros). */
bool valueIs(const unsigned char *value, const char *text)
{
    if (value == NULL) {
        return false;
    }
    size_t n = strlen(text);
    if (strncmp((const char *)value, text, n) != 0) {
        return false;
    }
    for (const unsigned char *p = value + n; *p != '\0'; p++) {
        if (*p != ' ') {
            return false;
        }
    }
    return true;
}

/* A new element record holding held bytes of value (read by the caller). */
DicomElement *newElement(int group, int element, uint32_t length, int vr, uint32_t held)
{
    DicomElement *record = (DicomElement *)gmemAlloc(sizeof(DicomElement) + held);
    if (record == NULL) {
        return NULL;
    }
    record->link.next = NULL;
    record->group = (uint16_t)group;
    record->element = (uint16_t)element;
    record->length = length;
    record->held = held;
    record->vr = (uint16_t)vr;
    record->value[held] = '\0';
    return record;
}

void freeChain(DicomElementLink *link)
{
    while (link != NULL) {
        DicomElementLink *next = link->next;
        gmemFree(link);
        link = next;
    }
}

/* Enters a top-level element, freeing the one it replaces with its chain. */
bool enterElement(Tcl_HashTable *table, DicomElement *record)
{
    int isNew = 0;
    Tcl_HashEntry *entry = createHashEntry(table, dicomKey(record->group, record->element), &isNew);
    if (entry == NULL) {
        return false;
    }
    if (!isNew) {
        freeChain((DicomElementLink *)getHashValue(entry));
    }
    setHashValue(entry, record);
    return true;
}

/* Items and undefined-length sequences the walker is inside. */
struct Container {
    bool item;
    int64_t end;                    /* -1: ended by a delimitation element */
};

struct Walker {
    int fd;
    int64_t size;
    int64_t pos;
    bool explicitVr;
    Tcl_HashTable *table;
    DicomElement *last;             /* element read before, where chains grow */
    Container stack[MAX_NESTING];
    int depth;
};

/* Leaves the defined-length items that end at or before the position. */
void closeEndedContainers(Walker *w)
{
    while (w->depth > 0 && w->stack[w->depth - 1].end >= 0 && w->stack[w->depth - 1].end <= w->pos) {
        w->depth--;
    }
}

/* Leaves containers up to and including the innermost of the kind. */
void closeContainer(Walker *w, bool item)
{
    for (int d = w->depth - 1; d >= 0; d--) {
        if (w->stack[d].item == item) {
            w->depth = d;
            return;
        }
    }
}

bool openContainer(Walker *w, bool item, int64_t end)
{
    if (w->depth >= MAX_NESTING) {
        return false;
    }
    w->stack[w->depth].item = item;
    w->stack[w->depth].end = end;
    w->depth++;
    return true;
}

/* Files a record: top-level ones into the table, the rest after the
 * element read before them (dropped when there is none). */
bool fileElement(Walker *w, DicomElement *record, bool topLevel)
{
    if (topLevel) {
        if (!enterElement(w->table, record)) {
            gmemFree(record);
            return false;
        }
    } else if (w->last != NULL) {
        record->link.next = w->last->link.next;
        w->last->link.next = &record->link;
    } else {
        gmemFree(record);
        return true;
    }
    w->last = record;
    return true;
}

/*
 * readPixelElement --
 *	Enters the pixel data element (its value: where the data begin) and,
 *	for encapsulated data, the offset-table item chained after it.
 *	Returns the first frame's position, or -1 when the data are not
 *	where the file says.
 */
int64_t readPixelElement(Walker *w, uint32_t length, int vr)
{
    if (w->pos > INT32_MAX) {
        return -1;
    }
    DicomElement *pixel = newElement(0x7FE0, 0x0010, length, vr, 4);
    if (pixel == NULL) {
        return -1;
    }
    putLeU32(pixel->value, (uint32_t)w->pos);
    if (!fileElement(w, pixel, true)) {
        return -1;
    }
    if (length != DICOM_UNDEFINED_LENGTH) {
        return w->pos;
    }
    unsigned char head[8];
    if (readAt(w->fd, head, 8, w->pos) != 8 || leU16(head) != 0xFFFE || leU16(head + 2) != 0xE000) {
        return -1;
    }
    uint32_t tableLength = leU32(head + 4);
    int64_t start = w->pos + 8;
    if (tableLength > (uint64_t)(w->size - start)) {
        return -1;
    }
    DicomElement *offsets = newElement(0xFFFE, 0xE000, tableLength, DICOM_VR_NONE, tableLength);
    if (offsets == NULL) {
        return -1;
    }
    if (readAt(w->fd, offsets->value, tableLength, start) != (ssize_t)tableLength) {
        gmemFree(offsets);
        return -1;
    }
    pixel->link.next = &offsets->link;
    return start + tableLength;
}

/*
 * walkDataSet --
 *	Reads elements from the walker's position up to the top-level pixel
 *	data element. Returns the first frame's position, or -1 when the data
 *	set ends first, an element runs past the file's end or memory runs
 *	out. *refusal tells a transfer syntax that cannot be read.
 */
int64_t walkDataSet(Walker *w, bool inMeta, DataSetRefusal *refusal)
{
    unsigned char head[12];
    while (w->pos <= w->size - 8) {
        if (readAt(w->fd, head, 8, w->pos) != 8) {
            return -1;
        }
        int group = leU16(head);
        int element = leU16(head + 2);
        if (group == 0x0000 || group == 0xFFFF || (group <= 0x0007 && (group & 1))) {
            return -1;              /* groups never stored in files: not a data set */
        }
        if (inMeta && group != 0x0002) {
            inMeta = false;
            const unsigned char *syntax = dicomElementValue(w->table, 0x0002, 0x0010);
            if (valueIs(syntax, TS_EXPLICIT_BE)) {
                *refusal = BIG_ENDIAN_DATA;
                return -1;
            }
            if (valueIs(syntax, TS_DEFLATED)) {
                *refusal = DEFLATED_DATA;
                return -1;
            }
            w->explicitVr = !valueIs(syntax, TS_IMPLICIT_LE);
        }
        closeEndedContainers(w);

        uint32_t length;
        int vr = DICOM_VR_NONE;
        int headSize = 8;
        if (group == 0xFFFE) {
            length = leU32(head + 4);
        } else if (w->explicitVr) {
            char letters[3] = {(char)head[4], (char)head[5], '\0'};
            vr = dicomVrCode(letters);
            if (vr == DICOM_VR_NONE) {
                vr = DICOM_VR_UNKNOWN;      /* letters outside the table of codes */
            }
            if (isLongLengthVr(head + 4)) {
                if (w->pos > w->size - 12 || readAt(w->fd, head + 8, 4, w->pos + 8) != 4) {
                    return -1;
                }
                length = leU32(head + 8);
                headSize = 12;
            } else {
                length = leU16(head + 6);
            }
        } else {
            length = leU32(head + 4);
        }
        w->pos += headSize;
        bool topLevel = w->depth == 0 && group != 0xFFFE;

        if (group == 0x7FE0 && element == 0x0010 && topLevel) {
            return readPixelElement(w, length, vr);
        }
        if (group == 0xFFFE) {
            bool ok = true;
            if (element == 0xE000) {
                int64_t end = (length == DICOM_UNDEFINED_LENGTH) ? -1 : w->pos + length;
                ok = openContainer(w, true, end);
            } else if (element == 0xE00D) {
                closeContainer(w, true);
            } else if (element == 0xE0DD) {
                closeContainer(w, false);
            }
            DicomElement *record = newElement(group, element, length, vr, 0);
            if (!ok || record == NULL || !fileElement(w, record, false)) {
                gmemFree(record);
                return -1;
            }
            continue;
        }
        uint32_t held = 0;
        if (length == DICOM_UNDEFINED_LENGTH) {
            if (!openContainer(w, false, -1)) {
                return -1;
            }
        } else {
            if ((int64_t)length > w->size - w->pos) {
                return -1;
            }
            held = length;
        }
        DicomElement *record = newElement(group, element, length, vr, held);
        if (record == NULL) {
            return -1;
        }
        if (held > 0 && readAt(w->fd, record->value, held, w->pos) != (ssize_t)held) {
            gmemFree(record);
            return -1;
        }
        if (!fileElement(w, record, topLevel)) {
            return -1;
        }
        w->pos += held;
    }
    return -1;
}

uint16_t usValue(Tcl_HashTable *table, int group, int element, bool *present)
{
    DicomElement *e = dicomFindElement(table, group, element);
    *present = e != NULL && e->held >= 2;
    return *present ? leU16(e->value) : 0;
}

int pixelTypeFor(int bits, bool isSigned)
{
    switch (bits) {
    case 4: return PIXEL_4BITS;
    case 8: return isSigned ? PIXEL_SBYTE : PIXEL_BYTE;
    case 16: return isSigned ? PIXEL_SHORT : PIXEL_USHORT;
    case 32: return isSigned ? PIXEL_LONG : PIXEL_ULONG;
    default: return PIXEL_UNKNOWN;
    }
}

bool isEncapsulated(Tcl_HashTable *table)
{
    DicomElement *pixel = table != NULL ? dicomFindElement(table, 0x7FE0, 0x0010) : NULL;
    return pixel != NULL && pixel->length == DICOM_UNDEFINED_LENGTH;
}

/* Where the first frame item of encapsulated data begins, -1 when unknown. */
int64_t firstItemPosition(Tcl_HashTable *table, const DicomElement **offsets)
{
    DicomElement *pixel = dicomFindElement(table, 0x7FE0, 0x0010);
    if (pixel == NULL || pixel->held < 4 || pixel->link.next == NULL) {
        return -1;
    }
    const DicomElement *offsetTable = (const DicomElement *)pixel->link.next;
    *offsets = offsetTable;
    return (int64_t)leU32(pixel->value) + 8 + offsetTable->held;
}

/*
 * frameItemPosition --
 *	The position of the item of frame k (1 the first): the offset-table
 *	entry when the table has one, else found by stepping over the items
 *	before it. -1 when the file does not hold it.
 */
int64_t frameItemPosition(int fd, Tcl_HashTable *table, int frame)
{
    const DicomElement *offsets = NULL;
    int64_t first = firstItemPosition(table, &offsets);
    int64_t size = regularFileSize(fd, NULL);
    if (first < 0 || size < 0 || frame < 1) {
        return -1;
    }
    int64_t pos;
    if ((int64_t)offsets->held / 4 >= frame) {
        pos = first + leU32(offsets->value + 4 * (size_t)(frame - 1));
    } else {
        pos = first;
        for (int k = 1; k < frame; k++) {
            unsigned char head[8];
            if (readAt(fd, head, 8, pos) != 8 || leU16(head) != 0xFFFE || leU16(head + 2) != 0xE000) {
                return -1;
            }
            pos += 8 + (int64_t)leU32(head + 4);
        }
    }
    return pos <= size - 8 ? pos : -1;
}

/* Bytes a decoded frame takes in memory. */
int64_t frameBytes(const ImageHead *head)
{
    return (int64_t)head->block * head->rows;
}

/*
 * readRleFrame --
 *	Decodes the run-length item at the image's data offset into a new
 *	buffer of rows x block bytes; NULL when the item is not there, is
 *	larger than the file or memory runs out.
 */
unsigned char *readRleFrame(RAMIMG *image)
{
    const ImageHead *h = &image->head;
    int64_t bytes = frameBytes(h);
    int64_t size = regularFileSize(image->fd, NULL);
    unsigned char head[8];
    if (bytes < 1 || bytes > ovexWholeImageCap() || size < 0
        || readAt(image->fd, head, 8, image->dataOffset) != 8 || leU16(head) != 0xFFFE
        || leU16(head + 2) != 0xE000) {
        return NULL;
    }
    uint32_t itemLength = leU32(head + 4);
    if ((int64_t)itemLength > size - image->dataOffset - 8 || (int64_t)itemLength > ovexWholeImageCap()) {
        return NULL;
    }
    unsigned char *item = (unsigned char *)gmemAlloc(itemLength + (size_t)1);
    unsigned char *out = (unsigned char *)gmemAlloc((size_t)bytes);
    if (item == NULL || out == NULL
        || readAt(image->fd, item, itemLength, image->dataOffset + 8) != (ssize_t)itemLength) {
        gmemFree(item);
        gmemFree(out);
        return NULL;
    }
    memset(out, 0, (size_t)bytes);
    int bytesPerSample = h->bits / 8;
    if (bytesPerSample < 1) {
        /* Packed samples: one segment holds the rows as they are. */
        dicomDecodeRle(item, itemLength, out, bytes, 1, 1);
    } else {
        dicomDecodeRle(item, itemLength, out, (int64_t)h->rows * h->columns, h->nbands, bytesPerSample);
    }
    gmemFree(item);
    return out;
}

/* One file row of a planar colour image, interleaved by pixel. */
unsigned char *readPlanarRow(RAMIMG *image, int row)
{
    const ImageHead *h = &image->head;
    int bytesPerSample = h->bits / 8;
    size_t sampleRow = (size_t)h->columns * (size_t)bytesPerSample;
    unsigned char *out = (unsigned char *)gmemAlloc((size_t)h->block + sampleRow);
    if (out == NULL || bytesPerSample < 1) {
        gmemFree(out);
        return NULL;
    }
    unsigned char *plane = out + h->block;
    for (int b = 0; b < h->nbands; b++) {
        int64_t pos = image->dataOffset + ((int64_t)b * h->rows + row) * (int64_t)sampleRow;
        if (readAt(image->fd, plane, sampleRow, pos) != (ssize_t)sampleRow) {
            gmemFree(out);
            return NULL;
        }
        for (int c = 0; c < h->columns; c++) {
            memcpy(out + ((size_t)c * h->nbands + b) * bytesPerSample,
                   plane + (size_t)c * bytesPerSample, (size_t)bytesPerSample);
        }
    }
    return out;
}

} // namespace

/* ---- Representations ------------------------------------------------------- */

const char *dicomVrName(int code)
{
    return (code >= 0 && code < DICOM_VR_COUNT) ? VR_NAMES[code] : "??";
}

int dicomVrCode(const char *name)
{
    if (name == NULL) {
        return 0;
    }
    for (int code = 1; code < DICOM_VR_COUNT; code++) {
        if (strcmp(name, VR_NAMES[code]) == 0) {
            return code;
        }
    }
    return 0;
}

/* ---- Element table ----------------------------------------------------------- */

/*
 *----------------------------------------------------------------------
 *
 * readDicomDataSet --
 *
 *	Reads the data set of fd: the preamble and "DICM" when present, the
 *	meta information, then the elements in the transfer syntax it names
 *	(explicit little endian when there is no meta information but the
 *	first element carries representation letters, implicit otherwise).
 *
 * Results:
 *	The element table, or NULL (*refusal says whether the file uses a
 *	transfer syntax that is not read). *pixelPosition receives where the
 *	first frame begins.
 *
 * Side effects:
 *	None on the file position (positional reads).
 *
 *----------------------------------------------------------------------
 */
static Tcl_HashTable *readDicomDataSet(int fd, int64_t *pixelPosition, int *refusal)
{
    DataSetRefusal why = NOT_DICOM;
    if (refusal != NULL) {
        *refusal = NOT_DICOM;
    }
    Walker w;
    w.fd = fd;
    w.size = regularFileSize(fd, NULL);
    unsigned char start[132];
    if (w.size < 0 || readAt(fd, start, sizeof(start), 0) != (ssize_t)sizeof(start)) {
        return NULL;
    }
    w.pos = memcmp(start + 128, "DICM", 4) == 0 ? 132 : 0;
    unsigned char head[8];
    if (readAt(fd, head, 8, w.pos) != 8) {
        return NULL;
    }
    int group = leU16(head);
    if (group != 0x0002 && group != 0x0008) {
        return NULL;
    }
    bool inMeta = group == 0x0002;
    w.explicitVr = inMeta || isKnownVr(head + 4);
    w.table = createIntHashTable();
    if (w.table == NULL) {
        return NULL;
    }
    w.last = NULL;
    w.depth = 0;
    int64_t pixel = walkDataSet(&w, inMeta, &why);
    if (pixel < 0) {
        deleteDicomHashTable(w.table);
        if (refusal != NULL) {
            *refusal = why;
        }
        return NULL;
    }
    if (pixelPosition != NULL) {
        *pixelPosition = pixel;
    }
    return w.table;
}

Tcl_HashTable *readDicomElements(int fd, int64_t *pixelPosition)
{
    return readDicomDataSet(fd, pixelPosition, NULL);
}

DicomElement *dicomFindElement(Tcl_HashTable *table, int group, int element)
{
    if (table == NULL) {
        return NULL;
    }
    Tcl_HashEntry *entry = findHashEntry(table, dicomKey(group, element));
    return entry != NULL ? (DicomElement *)getHashValue(entry) : NULL;
}

const unsigned char *dicomElementValue(Tcl_HashTable *table, int group, int element)
{
    DicomElement *e = dicomFindElement(table, group, element);
    return e != NULL ? e->value : NULL;
}

/*
 * dicomReadPalette --
 *	Fills palette from the red, green and blue lookup tables. The red
 *	descriptor gives the entry count (0 standing for 65536) and the bits
 *	per entry; 16-bit entries give their high byte, others their low
 *	byte. At most 256 entries are taken; entries a table lacks are 0.
 *	Returns the entry count.
 */
int dicomReadPalette(unsigned char palette[256][3], Tcl_HashTable *table)
{
    DicomElement *descriptor = dicomFindElement(table, 0x0028, 0x1101);
    if (descriptor == NULL || descriptor->held < 6) {
        return 0;
    }
    int count = leU16(descriptor->value);
    if (count == 0 || count > 256) {
        count = 256;
    }
    int bits = leU16(descriptor->value + 4);
    memset(palette, 0, 256 * 3);
    for (int channel = 0; channel < 3; channel++) {
        DicomElement *data = dicomFindElement(table, 0x0028, 0x1201 + channel);
        if (data == NULL) {
            continue;
        }
        int available = (int)(data->held / 2 < (uint32_t)count ? data->held / 2 : (uint32_t)count);
        for (int i = 0; i < available; i++) {
            uint16_t word = leU16(data->value + 2 * (size_t)i);
            palette[i][channel] = (unsigned char)(bits == 16 ? word >> 8 : word & 0xFF);
        }
    }
    return count;
}

/*
 * dicomDecodeRle --
 *	Decodes the segments of a run-length frame item into out (pixels x
 *	bands x bytesPerSample bytes, interleaved by pixel, host order).
 *	Returns 1 when every segment the layout needs was there, else 0.
 */
int dicomDecodeRle(const unsigned char *item, size_t itemLength, unsigned char *out,
                   int64_t pixels, int bands, int bytesPerSample)
{
    if (itemLength < 64 || pixels < 1 || bands < 1 || bytesPerSample < 1) {
        return 0;
    }
    uint32_t segments = leU32(item);
    int needed = bands * bytesPerSample;
    if (segments < 1 || segments > 15) {
        return 0;
    }
    bool direct = needed == 1;
    unsigned char *plane = direct ? out : (unsigned char *)gmemAlloc((size_t)pixels);
    if (plane == NULL) {
        return 0;
    }
    int decoded = 0;
    for (int s = 0; s < needed && s < (int)segments; s++) {
        uint32_t begin = leU32(item + 4 + 4 * s);
        uint32_t end = (s + 1 < (int)segments) ? leU32(item + 8 + 4 * s) : (uint32_t)itemLength;
        if (begin < 64 || end < begin || end > itemLength) {
            break;
        }
        if (!direct) {
            memset(plane, 0, (size_t)pixels);
        }
        packBitsDecode(item + begin, end - begin, plane, (size_t)pixels);
        if (!direct) {
            int sample = s / bytesPerSample;
            int byteInSample = bytesPerSample - 1 - s % bytesPerSample;   /* host order is LSB first */
            size_t stride = (size_t)bands * (size_t)bytesPerSample;
            unsigned char *to = out + (size_t)sample * bytesPerSample + byteInSample;
            for (int64_t p = 0; p < pixels; p++) {
                to[(size_t)p * stride] = plane[p];
            }
        }
        decoded++;
    }
    if (!direct) {
        gmemFree(plane);
    }
    return decoded == needed ? 1 : 0;
}

/* ---- Probe --------------------------------------------------------------------- */

/*
 *----------------------------------------------------------------------
 *
 * probeDicom --
 *
 *	Recognises a DICOM image: a data set with pixel data, Rows, Columns
 *	and Bits Allocated, plain or (palette colour only) run-length
 *	encoded.
 *
 * Results:
 *	1 when recognised (*priv receives the element table), 0 when not,
 *	-1 when it is a DICOM image that is not read (big-endian, deflated
 *	or compressed data; a run-length image above the decoding limit):
 *	the refusal is the answer, so no later format takes the preamble,
 *	which may hold another format's header, for its own.
 *
 * Side effects:
 *	Fills head when recognised. Refused encodings are reported on
 *	standard error.
 *
 *----------------------------------------------------------------------
 */
int probeDicom(int fd, ImageHead *head, void **priv)
{
    int64_t pixelPosition = 0;
    int refusal = NOT_DICOM;
    Tcl_HashTable *table = readDicomDataSet(fd, &pixelPosition, &refusal);
    if (table == NULL) {
        if (refusal == BIG_ENDIAN_DATA) {
            ovex_fprintf(stderr, "Unable to read big-endian DICOM image.\n");
        } else if (refusal == DEFLATED_DATA) {
            ovex_fprintf(stderr, "Unable to read compressed DICOM image.\n");
        } else {
            return 0;
        }
        return -1;
    }
    int result = 0;
    const unsigned char *compression = dicomElementValue(table, 0x0028, 0x0060);
    const unsigned char *photometric = dicomElementValue(table, 0x0028, 0x0004);
    const unsigned char *syntax = dicomElementValue(table, 0x0002, 0x0010);
    bool palette = photometric != NULL && strncmp((const char *)photometric, "PALETTE COLOR", 13) == 0;
    bool encapsulated = isEncapsulated(table);
    bool runLength = encapsulated && palette && (syntax == NULL || valueIs(syntax, TS_RLE));

    bool hasRows, hasColumns, hasBits, present;
    int rows = usValue(table, 0x0028, 0x0010, &hasRows);
    int columns = usValue(table, 0x0028, 0x0011, &hasColumns);
    int bits = usValue(table, 0x0028, 0x0100, &hasBits);
    int bands = usValue(table, 0x0028, 0x0002, &present);
    if (!present) {
        bands = 1;
    }
    bool isSigned = usValue(table, 0x0028, 0x0103, &present) != 0;
    bool highBit = usValue(table, 0x0028, 0x0102, &present) != 0;
    bool planar = usValue(table, 0x0028, 0x0006, &present) == 1 && bands > 1;
    const unsigned char *framesText = dicomElementValue(table, 0x0028, 0x0008);
    long frames = framesText != NULL ? strtol((const char *)framesText, NULL, 10) : 0;
    int pixel = pixelTypeFor(bits, isSigned);
    int64_t block = ((int64_t)columns * bands * bits + 7) / 8;
    int64_t frameSize = block * rows;

    if ((compression != NULL && strncmp((const char *)compression, "NONE", 4) != 0)
        || (encapsulated && !runLength)) {
        ovex_fprintf(stderr, "Unable to read compressed DICOM image.\n");
        result = -1;
    } else if (!hasRows || !hasColumns || !hasBits || rows < 1 || columns < 1 || bands < 1
               || pixel == PIXEL_UNKNOWN || block > INT32_MAX || pixelPosition > INT32_MAX
               || (planar && bits < 8)) {
        result = 0;
    } else if (runLength && frameSize > ovexWholeImageCap()) {
        ovex_fprintf(stderr,
                     "DICOM image of %d x %d pixels is above the decoding limit of %lld bytes "
                     "(OVEX_MAX_DECODE)\n",
                     columns, rows, (long long)ovexWholeImageCap());
        result = -1;
    } else if (!runLength && !areaFitsFile(fd, pixelPosition, block, rows)) {
        result = 0;                 /* truncated pixel data */
    } else {
        result = 1;
    }
    if (result != 1) {
        deleteDicomHashTable(table);
        return result;
    }

    if (frames < 0) {
        frames = 0;
    }
    if (!runLength && frames > 1) {
        /* Only frames the file holds in full can be selected. */
        int64_t held = (regularFileSize(fd, NULL) - pixelPosition) / frameSize;
        if (held < frames) {
            frames = (long)held;
        }
    }
    if (frames > INT32_MAX) {
        frames = INT32_MAX;
    }
    head->imgid = IMGID_DICOM;
    head->mapid = 1;
    head->dataFd = -1;
    head->x0 = head->y0 = 0.0;
    head->dx = head->dy = 1.0;
    head->top = head->left = 0;
    head->nindices = 0;
    head->transparent = -1;
    head->encoding = runLength ? RLE_ENCODING : (planar ? PLANAR_ENCODING : 0);
    if (palette) {
        head->nindices = dicomReadPalette(head->palette, table);
    }
    head->offset = (int32_t)pixelPosition;
    head->nbands = bands;
    head->frames = (int32_t)frames;
    head->rows = rows;
    head->columns = columns;
    head->bits = bits;
    head->pixel = pixel;
    head->msbf = highBit ? 0 : msbFirst();
    /* Pixel Spacing: the distance between rows, then between columns. */
    const unsigned char *spacing = dicomElementValue(table, 0x0028, 0x0030);
    double rowSpacing, columnSpacing;
    if (spacing != NULL
        && sscanf((const char *)spacing, "%lf\\%lf", &rowSpacing, &columnSpacing) == 2) {
        head->dy = rowSpacing;
        head->dx = columnSpacing;
    }
    head->block = (int32_t)block;
    *priv = table;
    return 1;
}

/* ---- Frames and rows -------------------------------------------------------------- */

float dicomFrameTime(void *priv)
{
    const unsigned char *text = dicomElementValue((Tcl_HashTable *)priv, 0x0018, 0x1063);
    if (text != NULL) {
        char *end = NULL;
        double ms = strtod((const char *)text, &end);
        if (end != (const char *)text && ms > 0.0 && ms < 1e9) {
            return (float)ms;
        }
    }
    return 33.333f;
}

/*
 *----------------------------------------------------------------------
 *
 * dicomSeekFrame --
 *
 *	Selects frame k as for raw multi-frame files; for encapsulated data
 *	the frame then starts at its item (offset-table entry, or found by
 *	stepping over the items before it).
 *
 * Results:
 *	As seekImagedefFrame; -1 when the frame's item is not in the file
 *	(the image keeps its former frame).
 *
 *----------------------------------------------------------------------
 */
int dicomSeekFrame(RAMIMG *image, int frame)
{
    int before = image->frame;
    int64_t beforeOffset = image->dataOffset;
    int32_t beforeHeadOffset = image->head.offset;
    int result = seekImagedefFrame(image, frame);
    Tcl_HashTable *table = (Tcl_HashTable *)image->priv;
    if (result < 1 || !isEncapsulated(table)) {
        return result;
    }
    int64_t pos = frameItemPosition(image->fd, table, result);
    if (pos < 0 || pos > INT32_MAX) {
        image->frame = before;
        image->dataOffset = beforeOffset;
        image->head.offset = beforeHeadOffset;
        invalidateRowCache(image);
        return -1;
    }
    image->head.offset = (int32_t)pos;
    image->dataOffset = pos;
    return result;
}

void dicomFreeHook(RAMIMG *image)
{
    if (image->priv != NULL) {
        deleteDicomHashTable((Tcl_HashTable *)image->priv);
        image->priv = NULL;
    }
}

/*
 *----------------------------------------------------------------------
 *
 * dicomReadRows --
 *
 *	The DICOM row source of the row cache: one file row of plain pixel
 *	data (built from the planes of a planar colour image), or every row
 *	of a run-length encoded frame.
 *
 * Results:
 *	A buffer of *count rows (block bytes each) from *row, freed by the
 *	caller; NULL when nothing could be read.
 *
 *----------------------------------------------------------------------
 */
unsigned char *dicomReadRows(RAMIMG *image, int *row, int *count)
{
    const ImageHead *h = &image->head;
    if (isEncapsulated((Tcl_HashTable *)image->priv)) {
        *row = 0;
        *count = h->rows;
        return h->encoding == RLE_ENCODING ? readRleFrame(image) : NULL;
    }
    *count = 1;
    if (h->encoding == PLANAR_ENCODING) {
        return readPlanarRow(image, *row);
    }
    unsigned char *buffer = (unsigned char *)gmemAlloc((size_t)h->block);
    if (buffer == NULL) {
        return NULL;
    }
    if (readAt(image->fd, buffer, (size_t)h->block, image->dataOffset + (int64_t)*row * h->block)
        != (ssize_t)h->block) {
        gmemFree(buffer);
        return NULL;
    }
    return buffer;
}
