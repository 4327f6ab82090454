/*
 * terra_store.cpp --
 *
 *	Terra tile stores in memory and on file (layout in terra_store.h).
 *	A store is one block that mirrors the file: reading is one read of
 *	data end bytes, saving one write, and a tile is handed out as a
 *	pointer into the block. Every size read from a file is checked
 *	against the file before it is used, so a damaged file is refused and
 *	the store it was to replace stays as it was.
 */
#include "core/native_path.h"
#include "geo/terra/terra_store.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/gmem.h"
#include "core/objects.h"
#include "core/rounding.h"
#include "core/safe_replace.h"
#include "core/vocabulary.h"
#include "ramimage/positional_io.h"
#include "ramimage/ramimg.h"

static const char *const themeNames[] = {"UNKNOWN", "Photo", "Topo", "Relief"};

static const struct {
    const char *name;
    double metres;
} scales[] = {
    {"UNKNOWN", 0},        {"Scale1mm", 0.001},  {"Scale2mm", 0.002},  {"Scale4mm", 0.004},
    {"Scale8mm", 0.008},   {"Scale16mm", 0.016}, {"Scale32mm", 0.032}, {"Scale63mm", 0.063},
    {"Scale125mm", 0.125}, {"Scale250mm", 0.25}, {"Scale500mm", 0.5},  {"Scale1m", 1},
    {"Scale2m", 2},        {"Scale4m", 4},       {"Scale8m", 8},       {"Scale16m", 16},
    {"Scale32m", 32},      {"Scale64m", 64},     {"Scale128m", 128},   {"Scale256m", 256},
    {"Scale512m", 512},    {"Scale1km", 1000},   {"Scale2km", 2000},   {"Scale4km", 4000},
    {"Scale8km", 8000},    {"Scale16km", 16000},
};

enum { THEME_COUNT = 4, SCALE_COUNT = (int)(sizeof(scales) / sizeof(scales[0])) };

/* The largest block: data end and offsets are 32-bit fields. */
static const int64_t TERRA_MAX_BYTES = INT32_MAX;

int terraThemeCode(const char *name)
{
    for (int code = 1; code < THEME_COUNT; code++) {
        if (strcmp(name, themeNames[code]) == 0) {
            return code;
        }
    }
    return 0;
}

int terraScaleCode(const char *name)
{
    for (int code = 1; code < SCALE_COUNT; code++) {
        if (strcmp(name, scales[code].name) == 0) {
            return code;
        }
    }
    return 0;
}

const char *terraThemeName(int code)
{
    return code >= 0 && code < THEME_COUNT ? themeNames[code] : themeNames[0];
}

const char *terraScaleName(int code)
{
    return code >= 0 && code < SCALE_COUNT ? scales[code].name : scales[0].name;
}

double terraMetresPerPixel(int code)
{
    return code >= 0 && code < SCALE_COUNT ? scales[code].metres : 0;
}

/* ---- Fields ----------------------------------------------------------------- */

static int32_t getField(const unsigned char *block, int offset)
{
    int32_t value;
    memcpy(&value, block + offset, sizeof value);
    return value;
}

static void setField(unsigned char *block, int offset, int32_t value)
{
    memcpy(block + offset, &value, sizeof value);
}

static int32_t swappedField(const unsigned char *block, int offset)
{
    return (int32_t)swapBytes32((uint32_t)getField(block, offset));
}

int32_t terraField(const TerraCache *store, int offset)
{
    return getField(store->block, offset);
}

int32_t terraN(const TerraCache *store)
{
    return terraField(store, TERRA_AT_N);
}

int32_t terraDataEnd(const TerraCache *store)
{
    return terraField(store, TERRA_AT_DATA_END);
}

int32_t terraHeaderSize(const TerraCache *store)
{
    return terraField(store, TERRA_AT_HEADER_SIZE);
}

int32_t terraTilesPresent(const TerraCache *store)
{
    return terraField(store, TERRA_AT_PRESENT);
}

void terraIndexEntry(const TerraCache *store, int k, int32_t *offset, int32_t *length)
{
    int at = TERRA_AT_INDEX + 8 * k;
    *offset = getField(store->block, at);
    *length = getField(store->block, at + 4);
}

/* The record's derived fields from the block's header. */
static void deriveRange(TerraCache *store)
{
    int32_t n = terraN(store);
    int32_t gx = terraField(store, TERRA_AT_GX);
    int32_t gy = terraField(store, TERRA_AT_GY);
    store->x0 = (int32_t)((int64_t)gx * n);
    store->y0 = (int32_t)((int64_t)gy * n);
    store->x1 = (int32_t)((int64_t)gx * n + n - 1);
    store->y1 = (int32_t)((int64_t)gy * n + n - 1);
    store->tileCapacity = (int32_t)((int64_t)n * n);
    char zone[32];
    snprintf(zone, sizeof zone, "UTM%d", (int)terraField(store, TERRA_AT_SCENE));
    int mapid = mapidFromName(zone);
    store->mapid = mapid < 0 ? 0 : mapid;
}

/*
 * tablesFit --
 *	1 when an n x n tile index (8 bytes an entry) fits in room bytes.
 *	Compared by division, so no product of n is formed before n is
 *	known to be small enough for it.
 */
static int tablesFit(int64_t n, int64_t room)
{
    return n >= 1 && room >= 8 && n <= room / 8 / n;
}

/*
 * groupRangeFits --
 *	1 when every tile coordinate of group (gx, gy) of n x n tiles, from
 *	g * n to g * n + n - 1, is a 32-bit number; formed in 64 bits, as
 *	gx, gy and n are each up to 2^31 - 1.
 */
static int groupRangeFits(int64_t n, int64_t gx, int64_t gy)
{
    int64_t lastX = gx * n + n - 1, lastY = gy * n + n - 1;
    return lastX <= INT32_MAX && lastY <= INT32_MAX && gx * n >= INT32_MIN && gy * n >= INT32_MIN;
}

/* ---- Creating ---------------------------------------------------------------- */

int createTerraCache(TerraCache *store, int theme, int scale, int scene, int n, int gx, int gy,
                     int reserve)
{
    if (reserve < 0 || !tablesFit(n, TERRA_MAX_BYTES - TERRA_HEADER_FIXED - reserve)) {
        return 0;
    }
    int64_t tiles = (int64_t)n * n;
    int64_t headerSize = TERRA_HEADER_FIXED + 8 * tiles + reserve;
    int64_t capacity = headerSize + TERRA_ROOM_PER_TILE * tiles;
    /* Tile coordinates of the group must stay 32-bit numbers. */
    if (headerSize > TERRA_MAX_BYTES || capacity > TERRA_MAX_BYTES || !groupRangeFits(n, gx, gy)) {
        return 0;
    }
    unsigned char *block = (unsigned char *)gmemAlloc((size_t)capacity);
    if (block == NULL) {
        return 0;
    }
    memset(block, 0, (size_t)headerSize);
    memcpy(block, "TERRA", 6);
    block[TERRA_AT_ORDER] = (unsigned char)msbFirst();
    setField(block, TERRA_AT_DATA_END, (int32_t)headerSize);
    setField(block, TERRA_AT_HEADER_SIZE, (int32_t)headerSize);
    setField(block, TERRA_AT_N, n);
    setField(block, TERRA_AT_PRESENT, 0);
    setField(block, TERRA_AT_THEME, theme);
    setField(block, TERRA_AT_SCALE, scale);
    setField(block, TERRA_AT_SCENE, scene);
    setField(block, TERRA_AT_GX, gx);
    setField(block, TERRA_AT_GY, gy);

    store->fileName[0] = '\0';
    store->fd = -1;
    store->capacity = (int32_t)capacity;
    store->modified = 0;
    store->block = block;
    deriveRange(store);
    return 1;
}

/* ---- Reading ------------------------------------------------------------------ */

/*
 * checkIndex --
 *	Every present tile must lie inside data end; the count of present
 *	tiles is taken from the index itself. Returns that count, or -1.
 */
static int64_t checkIndex(const unsigned char *block, int64_t tiles, int64_t dataEnd)
{
    int64_t present = 0;
    for (int64_t k = 0; k < tiles; k++) {
        int64_t offset = getField(block, (int)(TERRA_AT_INDEX + 8 * k));
        int64_t length = getField(block, (int)(TERRA_AT_INDEX + 8 * k + 4));
        if (length <= 0) {
            continue;
        }
        if (offset < 0 || offset + length > dataEnd) {
            return -1;
        }
        present++;
    }
    return present;
}

int openTerraFile(const char *fileName, TerraCache *store)
{
    if (fileName == NULL || strlen(fileName) >= TERRA_NAME_SIZE) {
        objLoadFailure("name too long");
        return 0;
    }
    int fd = open(nativePath(fileName).c_str(), O_RDWR);
    if (fd < 0) {
        objLoadFailure(Tcl_ErrnoMsg(errno));
        return 0;
    }
    unsigned char head[TERRA_MIN_FILE];
    struct stat info;
    if (readAt(fd, head, sizeof head, 0) != (ssize_t)sizeof head || fstat(fd, &info) != 0) {
        close(fd);
        objLoadFailure("file shorter than a TERRA header");
        return 0;
    }
    if (memcmp(head, "TERRA", 6) != 0) {
        close(fd);
        objLoadFailure("not a TERRA file: no TERRA code at its start");
        return 0;
    }
    int swapped = head[TERRA_AT_ORDER] != (unsigned char)msbFirst();
    int32_t (*field)(const unsigned char *, int) = swapped ? swappedField : getField;
    int64_t dataEnd = field(head, TERRA_AT_DATA_END);
    int64_t n = field(head, TERRA_AT_N);
    /* The data end is checked against the file first: the index must fit
     * inside it, which bounds n before n * n is formed. */
    if (dataEnd > (int64_t)info.st_size || dataEnd > TERRA_MAX_BYTES
        || !tablesFit(n, dataEnd - TERRA_HEADER_FIXED)) {
        close(fd);
        objLoadFailure("its header's data end or tile count does not fit the file");
        return 0;
    }
    int64_t tiles = n * n;
    int64_t headerSize = field(head, TERRA_AT_HEADER_SIZE);
    /* A group whose tile range leaves 32 bits is refused, as define does. */
    if (headerSize < TERRA_HEADER_FIXED + 8 * tiles || headerSize > dataEnd
        || !groupRangeFits(n, field(head, TERRA_AT_GX), field(head, TERRA_AT_GY))) {
        close(fd);
        objLoadFailure("its header's size or group numbers are out of range");
        return 0;
    }

    /* Read the header and index first, so that a bad index costs no big
     * allocation; then the whole image with room for the missing tiles. */
    int64_t indexEnd = TERRA_HEADER_FIXED + 8 * tiles;
    unsigned char *index = (unsigned char *)gmemAlloc((size_t)indexEnd);
    if (index == NULL) {
        close(fd);
        return 0;
    }
    int64_t present = -1;
    if (readAt(fd, index, (size_t)indexEnd, 0) == (ssize_t)indexEnd) {
        if (swapped) {
            swapTerraHeader(index);
        }
        present = checkIndex(index, tiles, dataEnd);
    }
    gmemFree(index);
    if (present < 0) {
        close(fd);
        objLoadFailure("its tile index points outside the data");
        return 0;
    }
    int64_t room = TERRA_ROOM_PER_TILE * (tiles - present);
    if (room > TERRA_MAX_BYTES - dataEnd) {
        room = TERRA_MAX_BYTES - dataEnd;
    }
    int64_t capacity = dataEnd + room;
    unsigned char *block = (unsigned char *)gmemAlloc((size_t)capacity);
    if (block == NULL) {
        close(fd);
        return 0;
    }
    if (readAt(fd, block, (size_t)dataEnd, 0) != (ssize_t)dataEnd) {
        gmemFree(block);
        close(fd);
        objLoadFailure("file shorter than its header's data end");
        return 0;
    }
    if (swapped) {
        swapTerraHeader(block);
        block[TERRA_AT_ORDER] = (unsigned char)msbFirst();
    }
    setField(block, TERRA_AT_PRESENT, (int32_t)present);

    /* Only now is the old store given up. */
    if (store->block != NULL || store->fd >= 0) {
        closeTerraCache(store);
    }
    strcpy(store->fileName, fileName);
    store->fd = fd;
    store->capacity = (int32_t)capacity;
    store->modified = 0;
    store->block = block;
    deriveRange(store);
    return 1;
}

void swapTerraHeader(unsigned char *block)
{
    for (int at = TERRA_AT_DATA_END; at <= TERRA_AT_GY; at += 4) {
        setField(block, at, swappedField(block, at));
    }
    int64_t n = getField(block, TERRA_AT_N);
    int64_t words = tablesFit(n, TERRA_MAX_BYTES - TERRA_HEADER_FIXED) ? 2 * n * n : 0;
    for (int64_t w = 0; w < words; w++) {
        int at = (int)(TERRA_AT_INDEX + 4 * w);
        setField(block, at, swappedField(block, at));
    }
}

/* ---- Tiles ----------------------------------------------------------------------- */

static int validIndex(const TerraCache *store, int k)
{
    return store->block != NULL && k >= 0 && k < store->tileCapacity;
}

static int tilePresent(const TerraCache *store, int k)
{
    int32_t offset, length;
    terraIndexEntry(store, k, &offset, &length);
    return length > 0;
}

int putTerraTile(TerraCache *store, int k, const unsigned char *bytes, int length)
{
    if (!validIndex(store, k) || length <= 0 || tilePresent(store, k)) {
        return 0;
    }
    int64_t dataEnd = terraDataEnd(store);
    if (dataEnd + length > TERRA_MAX_BYTES) {
        return 0;
    }
    if (dataEnd + length > store->capacity) {
        /* Room for every missing tile at this tile's size. */
        int64_t missing = (int64_t)store->tileCapacity - terraTilesPresent(store);
        int64_t capacity = (int64_t)store->capacity + missing * length;
        if (capacity > TERRA_MAX_BYTES) {
            capacity = TERRA_MAX_BYTES;
        }
        if (capacity < dataEnd + length) {
            capacity = dataEnd + length;
        }
        unsigned char *grown = (unsigned char *)gmemRealloc(store->block, (size_t)capacity);
        if (grown == NULL) {
            return 0;
        }
        store->block = grown;
        store->capacity = (int32_t)capacity;
    }
    memcpy(store->block + dataEnd, bytes, (size_t)length);
    int at = TERRA_AT_INDEX + 8 * k;
    setField(store->block, at, (int32_t)dataEnd);
    setField(store->block, at + 4, length);
    setField(store->block, TERRA_AT_DATA_END, (int32_t)(dataEnd + length));
    setField(store->block, TERRA_AT_PRESENT, terraTilesPresent(store) + 1);
    store->modified = 1;
    return 1;
}

/* Copies the bytes of the file at path from offset on into fd at the same
 * offsets: what a write over an older, longer file leaves of it. 1 when
 * all were copied or there is no such regular file. */
static int copyTail(const char *path, int64_t offset, int fd)
{
    struct stat info;
    if (stat(nativePath(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= offset) {
        return 1;
    }
    int old = open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (old < 0) {
        return 0;
    }
    unsigned char buffer[65536];
    int ok = 1;
    while (ok && offset < (int64_t)info.st_size) {
        int64_t left = (int64_t)info.st_size - offset;
        size_t chunk = left < (int64_t)sizeof buffer ? (size_t)left : sizeof buffer;
        ok = readAt(old, buffer, chunk, offset) == (ssize_t)chunk && writeAt(fd, buffer, chunk, offset);
        offset += (int64_t)chunk;
    }
    close(old);
    return ok;
}

/* Whether the open descriptor fd is the file at path. */
static bool sameFile(int fd, const char *path)
{
    struct stat byFd, byPath;
    return fd >= 0 && fstat(fd, &byFd) == 0 && stat(nativePath(path).c_str(), &byPath) == 0
           && byFd.st_dev == byPath.st_dev && byFd.st_ino == byPath.st_ino;
}

int saveTerraFile(const char *fileName, TerraCache *store)
{
    if (store->block == NULL || terraDataEnd(store) > store->capacity) {
        return 0;
    }
    /* The store goes to a new file that replaces the old one once it is
     * whole, so a failed save leaves the old store as it was. */
    FileReplacement file;
    if (!file.open(fileName, 0600)) {
        return 0;
    }
    int64_t dataEnd = terraDataEnd(store);
    bool reopen = sameFile(store->fd, file.target().c_str());
    if (!writeAt(file.fd(), store->block, (size_t)dataEnd, 0)
        || !copyTail(file.target().c_str(), dataEnd, file.fd()) || !file.commit()) {
        return 0;
    }
    /* An open store file is the new one from now on. */
    if (reopen) {
        int fd = store->fd;
        reopenReplacedFile(file.target().c_str(), &fd);
        store->fd = fd;
    }
    return 1;
}

const unsigned char *terraTileData(const TerraCache *store, int k, int *length)
{
    if (!validIndex(store, k)) {
        return NULL;
    }
    int32_t offset, size;
    terraIndexEntry(store, k, &offset, &size);
    /* A tile appended to the file only is not in the block. */
    if (size <= 0 || (int64_t)offset + size > store->capacity) {
        return NULL;
    }
    *length = size;
    return store->block + offset;
}

int terraTileXY(const TerraCache *store, int k, int *tx, int *ty)
{
    if (!validIndex(store, k)) {
        return 0;
    }
    int n = terraN(store);
    *tx = store->x0 + k % n;
    *ty = store->y0 + k / n;
    return 1;
}

int terraTileIndex(const TerraCache *store, int tx, int ty)
{
    if (store->block == NULL || tx < store->x0 || tx > store->x1 || ty < store->y0
        || ty > store->y1) {
        return -1;
    }
    int n = terraN(store);
    return (tx - store->x0) + n * (ty - store->y0);
}

static void georef(const TerraCache *store, int tx, int lastTy, ImageHead *head)
{
    double m = terraMetresPerPixel(terraField(store, TERRA_AT_SCALE));
    head->dx = m;
    head->dy = m;
    head->x0 = (double)TERRA_TILE_SIZE * tx * m;
    head->y0 = ((double)TERRA_TILE_SIZE * ((double)lastTy + 1) - 1) * m;
    head->mapid = store->mapid;
}

void terraTileGeoref(const TerraCache *store, int k, ImageHead *head)
{
    int tx = 0, ty = 0;
    terraTileXY(store, k, &tx, &ty);
    georef(store, tx, ty, head);
}

void terraCacheGeoref(const TerraCache *store, ImageHead *head)
{
    georef(store, store->x0, store->y1, head);
}

void closeTerraCache(TerraCache *store)
{
    gmemFree(store->block);
    store->block = NULL;
    if (store->fd >= 0) {
        close(store->fd);
        store->fd = -1;
    }
    store->capacity = 0;
}

/* ---- The open file ----------------------------------------------------------------- */

unsigned char *readTerraTile(TerraCache *store, int k, int *length)
{
    if (store->fd < 0 || !validIndex(store, k)) {
        return NULL;
    }
    int32_t offset, size;
    terraIndexEntry(store, k, &offset, &size);
    if (size <= 0) {
        return NULL;
    }
    unsigned char *bytes = (unsigned char *)gmemAlloc((size_t)size);
    if (bytes == NULL) {
        return NULL;
    }
    if (readAt(store->fd, bytes, (size_t)size, offset) != (ssize_t)size) {
        gmemFree(bytes);
        return NULL;
    }
    *length = size;
    return bytes;
}

int appendTerraTile(TerraCache *store, int k, const unsigned char *bytes, int length)
{
    if (store->fd < 0 || !validIndex(store, k) || length <= 0 || tilePresent(store, k)) {
        return 0;
    }
    struct stat info;
    if (fstat(store->fd, &info) != 0 || (int64_t)info.st_size + length > TERRA_MAX_BYTES) {
        return 0;
    }
    int64_t position = info.st_size;
    if (!writeAt(store->fd, bytes, (size_t)length, position)) {
        return 0;
    }
    int at = TERRA_AT_INDEX + 8 * k;
    setField(store->block, at, (int32_t)position);
    setField(store->block, at + 4, length);
    setField(store->block, TERRA_AT_DATA_END, (int32_t)(position + length));
    setField(store->block, TERRA_AT_PRESENT, terraTilesPresent(store) + 1);
    return writeAt(store->fd, store->block, (size_t)terraHeaderSize(store), 0);
}
