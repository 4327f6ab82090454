/*
 * ramimage.h --
 *
 *	RAM images for modules linked against the Ovex library: the records of
 *	an open image, its attributes and its client records, and the exported
 *	functions that open, read, write and notify images.
 *
 *	A row pointer obtained from the row cache stays valid only until the
 *	next cache operation on the same image.
 */
#ifndef OVEX_RAMIMAGE_H
#define OVEX_RAMIMAGE_H

#include <stddef.h>
#include <stdint.h>

#include "ovexstdio.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Pixel types (the "pixel" vocabulary). */
enum {
    PIXEL_UNKNOWN = 0, PIXEL_1BIT = 1, PIXEL_4BITS = 2, PIXEL_BYTE = 3,
    PIXEL_SHORT = 4, PIXEL_LONG = 5, PIXEL_FLOAT = 6, PIXEL_USHORT = 7,
    PIXEL_ULONG = 8, PIXEL_SBYTE = 9
};

/* File formats and layouts (the "imgid" vocabulary). */
enum {
    IMGID_UNKNOWN = 0, IMGID_BSQ = 1, IMGID_BIL = 2, IMGID_BIP = 3, IMGID_E73 = 4,
    IMGID_E74 = 5, IMGID_ELAS = 6, IMGID_DIB = 7, IMGID_XBMP = 8, IMGID_TIFF = 9,
    IMGID_GIF87A = 10, IMGID_GIF89A = 11, IMGID_PPM = 12, IMGID_JPEG = 13,
    IMGID_E74BSQ = 14, IMGID_GEOTIFF = 15, IMGID_FFT = 16, IMGID_DICOM = 17,
    IMGID_BSQD = 18, IMGID_BILD = 19, IMGID_BIPD = 20, IMGID_MBSQ = 21,
    IMGID_MBIL = 22, IMGID_MBIP = 23, IMGID_MRGB32 = 24, IMGID_MRGB24 = 25,
    IMGID_MRGB565 = 26, IMGID_MRGB555 = 27, IMGID_MRGB8 = 28, IMGID_MRGB4 = 29,
    IMGID_MRGB1 = 30
};

/* Error codes of the open operations. */
enum {
    RAMIMG_OK = 0, RAMIMG_ENOMEM = 1, RAMIMG_EUNKNOWN_TYPE = 2, RAMIMG_EOPEN = 3,
    RAMIMG_ESYSTEM = 4, RAMIMG_EEXISTS = 5, RAMIMG_ECREATE = 6, RAMIMG_EUNHANDLED = 8,
    RAMIMG_ENAME = 9               /* a name longer than the record holds */
};

#define RAMIMG_LOCKED 0x1u          /* flags bit 0: a system image closing never frees */
#define RAMIMG_NOTIFY_CONFIG 0x1    /* updateClient mask bits */
#define RAMIMG_NOTIFY_DATA 0x2
#define RAMIMG_NAME_SIZE 256

typedef struct ImageHead {
    char file[RAMIMG_NAME_SIZE];    /* canonical path, or the tag of a memory image */
    char imgdes[RAMIMG_NAME_SIZE];
    int32_t pixel;
    int32_t imgid;
    int32_t mapid;
    int32_t imgtype;
    int32_t offset;                 /* first pixel row in the file */
    int32_t block;                  /* bytes of one row in the file */
    int32_t top;
    int32_t left;
    int32_t rows;
    int32_t columns;
    int32_t bits;
    int32_t nbands;
    int32_t msbf;                   /* pixel data most significant byte first */
    int32_t nindices;               /* palette entries in use */
    int32_t transparent;            /* -1 for none */
    unsigned char palette[256][3];
    double x0, y0, dx, dy;
    double z0, zscale, zmin, zmax;
    int32_t dataFd;                 /* separate pixel-data file, -1 for none */
    int32_t frames;
    int32_t encoding;               /* 0: plain rows */
} ImageHead;

typedef struct RamImageClient {
    void (*configChanged)(void *clientData);
    void (*dataChanged)(void *clientData);
    void (*rectChanged)(void *clientData, int x, int y, int width, int height);
    intptr_t id;                    /* identity as a change's sender */
    void *clientData;
    struct RamImageClient *next;
} RamImageClient;

typedef struct BandStats {
    double sum;
    double sumSq;
    double count;
    double mean;
    double std;
    double min;
    double max;
    unsigned int valid;
    int nBins;
    uint32_t *hist;
} BandStats;

struct RAMIMG;
typedef unsigned char *(RamRowLoader)(struct RAMIMG *image, int row, int band, int load);
typedef void (RamRowFlusher)(struct RAMIMG *image, int slot);

typedef struct RAMIMG {
    char tag[RAMIMG_NAME_SIZE];
    ImageHead head;
    int fd;                         /* -1 for an image without a file */
    int rowBytes;                   /* bytes of one cached band row */
    int refCount;
    int openCount;
    int rowsPerBand;
    int slots;                      /* nbands x rowsPerBand */
    unsigned int flags;             /* RAMIMG_LOCKED */
    int frame;
    int frameCount;
    int64_t dataOffset;             /* current frame's pixel data in the file */
    float frameDelay;
    void *priv;                     /* format's private data */
    unsigned char *extBuffer;       /* encoded file held in memory */
    size_t extSize;
    int (*seekHook)(struct RAMIMG *image, int frame);
    void (*freeHook)(struct RAMIMG *image);
    RamRowLoader *rowLoader;
    RamRowFlusher *rowFlusher;
    int *rowIds;                    /* (row, band) id held by each slot, -1 for none */
    unsigned char *dirtyBits;       /* one bit per slot, least significant first */
    unsigned char *cacheBlock;      /* rows, extra area, rowIds, dirtyBits */
    BandStats *stats;
    RamImageClient *clients;
    struct RAMIMG *next;
} RAMIMG;

OVEX_API RAMIMG *ovex_openRAMImage(const char *tag, const char *file, ImageHead *head,
                                   RamImageClient *client, int *err);
OVEX_API RAMIMG *ovex_openRAMImageNew(ImageHead *head, RamImageClient *client,
                                      int overwrite, int *err);
OVEX_API int ovex_closeRAMImage(RAMIMG *image, RamImageClient *client);
OVEX_API RAMIMG *ovex_getRAMImageByName(const char *name);
OVEX_API RAMIMG *ovex_getRAMImageByTag(const char *tag);
OVEX_API unsigned char *ovex_getRAMImageLine(RAMIMG *image, int row, int band, int load);
OVEX_API int ovex_putUSHORTBILData(RAMIMG *image, int row, int col, int n, int band,
                                   const uint16_t *values);
OVEX_API unsigned int ovex_attrRAMImage(RAMIMG *image, unsigned int flags);
OVEX_API void ovex_updateClient(RAMIMG *image, intptr_t excludedId, int mask);
OVEX_API void ovex_updateClientRect(RAMIMG *image, intptr_t excludedId, int x, int y,
                                    int width, int height);
OVEX_API int ovex_msbFirst(void);

#ifdef __cplusplus
}
#endif

#endif /* OVEX_RAMIMAGE_H */
