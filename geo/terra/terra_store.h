/*
 * terra_store.h --
 *
 *	Terra tile stores: one square group of n x n map tiles (200 x 200
 *	pixel JPEG or GIF files) of one theme, scale and UTM zone, kept in one
 *	"TERRA" file and mirrored whole in one memory block.
 *
 *	File layout (every 32-bit field in the order named by byte 8):
 *
 *	  0   6   "TERRA" and a zero byte
 *	  8   1   byte order: 0 least significant byte first, 1 most
 *	 12   4   data end: bytes in use (header, index, tile data)
 *	 16   4   header size: offset of the first tile byte
 *	 20   4   n, tiles per side
 *	 24   4   tiles present
 *	 28   4   theme     32  4  scale     36  4  scene (UTM zone)
 *	 40   4   gx        44  4  gy        (group column and row)
 *	 48  8n²  index: {offset, length} per tile k; length <= 0: absent
 *
 *	Tile k of the store holds tile coordinates
 *	(gx·n + k mod n, gy·n + k div n); rows count northwards.
 */
#ifndef OVEX_GEO_TERRA_TERRA_STORE_H
#define OVEX_GEO_TERRA_TERRA_STORE_H

#include <stdint.h>

#include "ovex/ramimage.h"

#define TERRA_TILE_SIZE 200           /* pixels on a tile's side */
#define TERRA_HEADER_FIXED 48         /* bytes before the index */
#define TERRA_MIN_FILE 56             /* the header and one index entry */
#define TERRA_ROOM_PER_TILE 10240     /* bytes set aside for each missing tile */
#define TERRA_NAME_SIZE 256

/* Field offsets of the header. */
enum {
    TERRA_AT_ORDER = 8, TERRA_AT_DATA_END = 12, TERRA_AT_HEADER_SIZE = 16, TERRA_AT_N = 20,
    TERRA_AT_PRESENT = 24, TERRA_AT_THEME = 28, TERRA_AT_SCALE = 32, TERRA_AT_SCENE = 36,
    TERRA_AT_GX = 40, TERRA_AT_GY = 44, TERRA_AT_INDEX = 48
};

typedef struct TerraCache {
    char fileName[TERRA_NAME_SIZE];   /* the file read, "" for a new store */
    int32_t fd;                       /* open file, -1 for none */
    int32_t capacity;                 /* bytes of the block */
    int32_t modified;                 /* 1 once a tile was put into the block */
    int32_t x0, y0, x1, y1;           /* tile range of the group */
    int32_t tileCapacity;             /* n² */
    int32_t mapid;                    /* "UTM<scene>" */
    unsigned char *block;             /* the file image in host order, then free room */
} TerraCache;

/* ---- Vocabularies ------------------------------------------------------- */

int terraThemeCode(const char *name);
int terraScaleCode(const char *name);
const char *terraThemeName(int code);
const char *terraScaleName(int code);
double terraMetresPerPixel(int code);

/* ---- Header fields of a block (host order) ------------------------------- */

int32_t terraField(const TerraCache *store, int offset);
int32_t terraN(const TerraCache *store);
int32_t terraDataEnd(const TerraCache *store);
int32_t terraHeaderSize(const TerraCache *store);
int32_t terraTilesPresent(const TerraCache *store);
/* Index entry k: offset and length. */
void terraIndexEntry(const TerraCache *store, int k, int32_t *offset, int32_t *length);

/* ---- Stores --------------------------------------------------------------- */

/* A new empty store; 1, or 0 when the block cannot be sized or had. */
int createTerraCache(TerraCache *store, int theme, int scale, int scene, int n, int gx, int gy,
                     int reserve);
/* Reads a store file; 1, or 0 with store untouched when the file cannot
 * be opened, is short, lacks the magic or holds sizes that do not fit.
 * The file stays open in store->fd. */
int openTerraFile(const char *fileName, TerraCache *store);
/* Adds tile k; 0 when it is present, k or length is out of range, or the
 * block cannot grow. */
int putTerraTile(TerraCache *store, int k, const unsigned char *bytes, int length);
/* Writes the image up to data end as the new file (created 0600); the
 * bytes of an older, longer file past data end are kept. The file is
 * replaced only once all is written (core/safe_replace.h), and a store
 * open on it moves to the new file. 1 when all was written, else 0 with
 * the old file as it was. */
int saveTerraFile(const char *fileName, TerraCache *store);
/* Tile k's bytes inside the block, NULL (length untouched) when absent. */
const unsigned char *terraTileData(const TerraCache *store, int k, int *length);
/* Tile coordinates of index k; 0 when k is out of range. */
int terraTileXY(const TerraCache *store, int k, int *tx, int *ty);
/* The index of tile (tx, ty), -1 outside the group. */
int terraTileIndex(const TerraCache *store, int tx, int ty);
/* The georeference of tile k (a valid index) or of the whole group. */
void terraTileGeoref(const TerraCache *store, int k, ImageHead *head);
void terraCacheGeoref(const TerraCache *store, ImageHead *head);
/* Frees the block and closes the file. */
void closeTerraCache(TerraCache *store);
/* Reverses the header fields and the index entries of a block. */
void swapTerraHeader(unsigned char *block);

/* Tile k read from the store's open file (new gmem block), NULL when
 * absent or unreadable. */
unsigned char *readTerraTile(TerraCache *store, int k, int *length);
/* Appends tile k to the open file and rewrites header and index there;
 * 0 when present or not written. The block does not get the bytes. */
int appendTerraTile(TerraCache *store, int k, const unsigned char *bytes, int length);

#endif /* OVEX_GEO_TERRA_TERRA_STORE_H */
