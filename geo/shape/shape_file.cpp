/*
 * shape_file.cpp --
 *
 *	Reading, writing and reshaping whole ShapeFile data sets.
 *
 *	Main file and index header, 100 bytes:
 *	  0 int32 BE file code 9994; 4 5 x int32 unused; 24 int32 BE file
 *	  length in 16-bit words; 28 int32 LE version; 32 int32 LE type;
 *	  36 8 x f64 LE Xmin Ymin Xmax Ymax Zmin Zmax Mmin Mmax
 *	Main file records from byte 100: int32 BE number, int32 BE content
 *	length in words, then the little-endian content.
 *	Index entries from byte 100: int32 BE offset and content length, in
 *	words.
 *
 *	The reader trusts nothing: the header's length must fit the file,
 *	every record must lie inside the data and hold what its type and
 *	counts call for, and every part index must lie within the points.
 *	A file that breaks any of these is refused as a whole.
 */
#include "core/native_path.h"
#include "geo/shape/shape_layout.h"

#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/read_bytes.h"
#include "core/safe_replace.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

#define SHAPE_BUFFER_STEP 524288
#define SHAPE_ARRAY_STEP 1024

/* ---- byte order ---- */

#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
#define SHAPE_HOST_BIG_ENDIAN 1
#else
#define SHAPE_HOST_BIG_ENDIAN 0
#endif

static inline uint32_t swap32(uint32_t v) { return __builtin_bswap32(v); }

static int32_t getBig(const unsigned char *p)
{
    uint32_t v;
    memcpy(&v, p, 4);
    return (int32_t)(SHAPE_HOST_BIG_ENDIAN ? v : swap32(v));
}
static void putBig(unsigned char *p, int32_t value)
{
    uint32_t v = (uint32_t)value;
    if (!SHAPE_HOST_BIG_ENDIAN) v = swap32(v);
    memcpy(p, &v, 4);
}
static int32_t getLittle(const unsigned char *p)
{
    uint32_t v;
    memcpy(&v, p, 4);
    return (int32_t)(SHAPE_HOST_BIG_ENDIAN ? swap32(v) : v);
}
static void putLittle(unsigned char *p, int32_t value)
{
    uint32_t v = (uint32_t)value;
    if (SHAPE_HOST_BIG_ENDIAN) v = swap32(v);
    memcpy(p, &v, 4);
}
static double getLittleDouble(const unsigned char *p)
{
    uint64_t v;
    memcpy(&v, p, 8);
    if (SHAPE_HOST_BIG_ENDIAN) v = __builtin_bswap64(v);
    double d;
    memcpy(&d, &v, 8);
    return d;
}
static void putLittleDouble(unsigned char *p, double d)
{
    uint64_t v;
    memcpy(&v, &d, 8);
    if (SHAPE_HOST_BIG_ENDIAN) v = __builtin_bswap64(v);
    memcpy(p, &v, 8);
}

#if SHAPE_HOST_BIG_ENDIAN
static void swapWords(unsigned char *p, int64_t count, int size)
{
    for (int64_t i = 0; i < count; i++, p += size) {
        if (size == 4) {
            uint32_t v;
            memcpy(&v, p, 4);
            v = swap32(v);
            memcpy(p, &v, 4);
        } else {
            uint64_t v;
            memcpy(&v, p, 8);
            v = __builtin_bswap64(v);
            memcpy(p, &v, 8);
        }
    }
}

/* Swaps the little-endian content of a record, each field once. The
 * record header is in host order. fromFile: the type and counts are still
 * in file order and are swapped first. */
static void swapRecordContent(ShapeRecord *rec, int64_t size, bool fromFile)
{
    if (fromFile) {
        swapWords(rec + 8, 1, 4);
        int t = shapeGetInt(rec + 8);
        if (shapeTypeIsMultiPoint(t) && size >= 48) swapWords(rec + 44, 1, 4);
        if ((shapeTypeHasParts(t) || t == 31) && size >= 52) swapWords(rec + 44, 2, 4);
        if (!shapeRecordFits(rec, size)) return;  /* refused by the caller */
    }
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    if (L.box) swapWords(L.box, 4, 8);
    if (L.parts) swapWords(L.parts, L.p, 4);
    if (L.partTypes) swapWords(L.partTypes, L.p, 4);
    if (L.points) swapWords(L.points, 2 * (int64_t)L.n, 8);
    if (L.zRange) swapWords(L.zRange, 2, 8);
    if (L.zVals) swapWords(L.zVals, L.zRange ? L.n : 1, 8);
    if (L.mRange) swapWords(L.mRange, 2, 8);
    if (L.mVals) swapWords(L.mVals, L.mRange ? L.n : 1, 8);
    if (!fromFile) {
        int t = shapeGetInt(rec + 8);
        if (shapeTypeIsMultiPoint(t)) swapWords(rec + 44, 1, 4);
        if (shapeTypeHasParts(t) || t == 31) swapWords(rec + 44, 2, 4);
        swapWords(rec + 8, 1, 4);
    }
}
#endif

/* ---- headers ---- */

static void decodeHead(const unsigned char *b, ShapeHead *h)
{
    h->fileCode = getBig(b);
    for (int i = 0; i < 5; i++) h->unused[i] = getBig(b + 4 + 4 * i);
    h->fileLength = getBig(b + 24);
    h->version = getLittle(b + 28);
    h->shapeType = getLittle(b + 32);
    double *d[8] = {&h->xmin, &h->ymin, &h->xmax, &h->ymax, &h->zmin, &h->zmax, &h->mmin, &h->mmax};
    for (int i = 0; i < 8; i++) *d[i] = getLittleDouble(b + 36 + 8 * i);
}

static void encodeHead(const ShapeHead *h, unsigned char *b)
{
    putBig(b, h->fileCode);
    for (int i = 0; i < 5; i++) putBig(b + 4 + 4 * i, h->unused[i]);
    putBig(b + 24, h->fileLength);
    putLittle(b + 28, h->version);
    putLittle(b + 32, h->shapeType);
    const double d[8] = {h->xmin, h->ymin, h->xmax, h->ymax, h->zmin, h->zmax, h->mmin, h->mmax};
    for (int i = 0; i < 8; i++) putLittleDouble(b + 36 + 8 * i, d[i]);
}

/* Why the last shapefile could not be opened. */
static const char *openFailure = "";

const char *shapeOpenFailure(void) { return openFailure; }

/* Reads and checks the header of an open file; NULL after a message. */
static ShapeHead *readHead(int fd)
{
    unsigned char b[SHAPE_HEAD_BYTES];
    if (lseek(fd, 0, SEEK_SET) != 0 || !readExactly(fd, b, sizeof b)) {
        ovex_fprintf(stderr, "Error in reading in getShapeHead\n");
        openFailure = "not a shapefile: shorter than a shapefile header";
        return NULL;
    }
    ShapeHead *h = (ShapeHead *)gmemAlloc(sizeof(ShapeHead));
    if (h == NULL) {
        ovex_fprintf(stderr, "Error in malloc in getShapeHead\n");
        openFailure = "out of memory";
        return NULL;
    }
    decodeHead(b, h);
    if (h->fileCode != SHAPE_FILE_CODE) {
        ovex_fprintf(stderr, "Invalid shape ID\n");
        openFailure = "not a shapefile: no shapefile code at its start";
        gmemFree(h);
        return NULL;
    }
    return h;
}

ShapeHead *getShapeHead(const char *fileName, int *status)
{
    int fd = open(nativePath(fileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (status) *status = 0;
        return NULL;
    }
    ShapeHead *h = readHead(fd);
    close(fd);
    return h;
}

static int writeAll(int fd, const unsigned char *bytes, int64_t count)
{
    while (count > 0) {
        ssize_t n = write(fd, bytes, count > (1 << 30) ? (1 << 30) : (size_t)count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        bytes += n;
        count -= n;
    }
    return 1;
}

int saveShapeHead(int fd, ShapeHead *head)
{
    if (head->fileCode != SHAPE_FILE_CODE) {
        ovex_fprintf(stderr, "Invalid shape ID\n");
        return 0;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) return 0;
    head->fileLength = (int32_t)(st.st_size / 2);
    unsigned char b[SHAPE_HEAD_BYTES];
    encodeHead(head, b);
    if (pwrite(fd, b, sizeof b, 0) != (ssize_t)sizeof b) {
        ovex_fprintf(stderr, "Error in writing in saveShapeHead\n");
        return 0;
    }
    return 1;
}

ShapeHead *newShapeHead(int type)
{
    ShapeHead *h = (ShapeHead *)gmemAlloc(sizeof(ShapeHead));
    if (h == NULL) return NULL;
    memset(h, 0, sizeof *h);
    h->fileCode = SHAPE_FILE_CODE;
    h->fileLength = 50;
    h->version = 1000;
    h->shapeType = type;
    return h;
}

/* ---- the index ---- */

std::string shapeIndexName(const char *mainName)
{
    std::string name = mainName;
    if (!name.empty()) name.back() = 'x';
    return name;
}

static int64_t fileSize(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 ? (int64_t)st.st_size : -1;
}

int getShapeCount(const char *mainName, int *count)
{
    std::string indexName = shapeIndexName(mainName);
    int fd = open(nativePath(indexName.c_str()).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    ShapeHead *h = readHead(fd);
    int64_t size = fileSize(fd);
    close(fd);
    if (h == NULL || size < SHAPE_HEAD_BYTES) {
        gmemFree(h);
        return 0;
    }
    gmemFree(h);
    if (count) *count = (int)((size - SHAPE_HEAD_BYTES) / 8);
    return 1;
}

int32_t *readShapeIndex(const char *mainName, int *count, int *status)
{
    std::string indexName = shapeIndexName(mainName);
    int fd = open(nativePath(indexName.c_str()).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (status) {
            *status = 0;
            ovex_fprintf(stderr, "Error in open:%s\n", indexName.c_str());
        }
        return NULL;
    }
    ShapeHead *mainHead = getShapeHead(mainName, NULL);
    if (mainHead == NULL) {
        if (status) *status = 1;
        close(fd);
        return NULL;
    }
    int64_t size = fileSize(fd);
    int64_t entries = size > SHAPE_HEAD_BYTES ? (size - SHAPE_HEAD_BYTES) / 8 : 0;
    int32_t *pairs = (int32_t *)gmemAlloc((size_t)(entries > 0 ? entries : 1) * 8);
    unsigned char *raw = entries > 0 ? (unsigned char *)gmemAlloc((size_t)entries * 8) : NULL;
    bool ok = pairs != NULL && (entries == 0 || raw != NULL);
    if (ok && entries > 0) {
        ok = lseek(fd, SHAPE_HEAD_BYTES, SEEK_SET) == SHAPE_HEAD_BYTES
            && readExactly(fd, raw, (size_t)entries * 8);
    }
    close(fd);
    int64_t sum = 50;
    if (ok) {
        for (int64_t i = 0; i < entries; i++) {
            pairs[2 * i] = getBig(raw + 8 * i);
            pairs[2 * i + 1] = getBig(raw + 8 * i + 4);
            sum += (int64_t)pairs[2 * i + 1] + 4;
        }
    }
    gmemFree(raw);
    int32_t length = mainHead->fileLength;
    gmemFree(mainHead);
    if (!ok) {
        gmemFree(pairs);
        return NULL;
    }
    if (sum != length) {
        ovex_fprintf(stderr,
                     "Inconsistent shape sizes - file length:%d words; index length:%d words\n",
                     length, (int)sum);
        gmemFree(pairs);
        return NULL;
    }
    if (count) *count = (int)entries;
    return pairs;
}

/* ---- reading ---- */

static void putEndMarker(unsigned char *at)
{
    shapePutInt(at, -1);
    shapePutInt(at + 4, 0);
    shapePutInt(at + 8, 0);
}

/* First-point indices to point counts, last part first; 0 when an index
 * lies outside the points or before the previous one. */
static int partsToCounts(ShapeRecord *rec)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    if (L.parts == NULL) return 1;
    int64_t end = L.n;
    for (int64_t j = (int64_t)L.p - 1; j >= 0; j--) {
        int64_t start = shapeGetInt(L.parts + 4 * j);
        if (start < 0 || start > end) return 0;
        shapePutInt(L.parts + 4 * j, (int32_t)(end - start));
        end = start;
    }
    return 1;
}

static void countsToParts(ShapeRecord *rec)
{
    ShapeLayout L;
    shapeLayoutOf(rec, &L);
    if (L.parts == NULL) return;
    int64_t end = L.n;
    for (int64_t j = (int64_t)L.p - 1; j >= 0; j--) {
        int64_t start = end - shapeGetInt(L.parts + 4 * j);
        shapePutInt(L.parts + 4 * j, (int32_t)start);
        end = start;
    }
}

static ShapeFile *newEmptySet(ShapeHead *head)
{
    ShapeFile *sf = new ShapeFile();
    sf->head = head;
    sf->buffer = NULL;
    sf->busy = sf->packPending = 0;
    sf->modified = 1;
    sf->capacity = 0;
    sf->count = 0;
    sf->nextNumber = 1;
    sf->offsets = NULL;
    sf->flags = NULL;
    sf->arrayCapacity = 0;
    return sf;
}

static int allocArrays(ShapeFile *sf, int entries)
{
    int cap = entries > 0 ? entries : 1;
    sf->offsets = (int64_t *)gmemAlloc(sizeof(int64_t) * (size_t)cap);
    sf->flags = (unsigned char *)gmemAlloc((size_t)cap);
    sf->arrayCapacity = cap;
    return sf->offsets != NULL && sf->flags != NULL;
}

/* Refuses the file being read: frees what was made, status 2. */
static ShapeFile *refuse(const char *fileName, const char *why, ShapeHead *h,
                         unsigned char *buffer, int fd, int *status)
{
    if (why != NULL) {
        ovex_fprintf(stderr, "%s: %s\n", fileName, why);
        openFailure = why;
    }
    gmemFree(h);
    gmemFree(buffer);
    if (fd >= 0) close(fd);
    if (status) *status = 2;
    return NULL;
}

ShapeFile *openShapeFile(const char *fileName, int *status)
{
    openFailure = "";
    int fd = open(nativePath(fileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        openFailure = Tcl_ErrnoMsg(errno);
        return refuse(fileName, NULL, NULL, NULL, -1, status);
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        openFailure = Tcl_ErrnoMsg(EISDIR);
        return refuse(fileName, NULL, NULL, NULL, fd, status);
    }
    ShapeHead *h = readHead(fd);
    if (h == NULL) return refuse(fileName, NULL, NULL, NULL, fd, status);
    int64_t size = fileSize(fd);
    if (h->fileLength < 50 || (int64_t)h->fileLength * 2 > size) {
        return refuse(fileName, "file shorter than its header's length", h, NULL, fd, status);
    }
    int64_t D = (int64_t)h->fileLength * 2 - SHAPE_HEAD_BYTES;
    unsigned char *buffer = (unsigned char *)gmemAlloc((size_t)(D + 12));
    if (buffer == NULL) {
        gmemFree(h);
        close(fd);
        openFailure = "out of memory";
        if (status) *status = 3;
        return NULL;
    }
    int32_t *index = NULL;
    int entries = 0;
    if (D > 0) {
        index = readShapeIndex(fileName, &entries, NULL);
        if (lseek(fd, SHAPE_HEAD_BYTES, SEEK_SET) != SHAPE_HEAD_BYTES
            || !readExactly(fd, buffer, (size_t)D)) {
            gmemFree(index);
            return refuse(fileName, "cannot read the records", h, buffer, fd, status);
        }
    }
    close(fd);
    fd = -1;

    /* Records to host order, checked one by one. */
    const char *fault = NULL;
    int64_t o = 0;
    int records = 0, corrected = 0;
    while (o < D) {
        if (D - o < 8) {
            fault = "record header runs past the data";
            break;
        }
        ShapeRecord *rec = buffer + o;
        int32_t number = getBig(rec), words = getBig(rec + 4);
        if (index != NULL && records < entries && index[2 * records + 1] > 0
            && index[2 * records + 1] != words) {
            words = index[2 * records + 1];
            corrected++;
        }
        shapePutInt(rec, number);
        shapePutInt(rec + 4, words);
        if (number <= 0 || words == 0) break;  /* the data set ends here */
        if (words < 0) {
            fault = "record length below zero";
            break;
        }
        int64_t bytes = (int64_t)words * 2 + 8;
        if (bytes > D - o) {
            fault = "record runs past the data";
            break;
        }
#if SHAPE_HOST_BIG_ENDIAN
        swapRecordContent(rec, bytes, true);
#endif
        if (!shapeRecordFits(rec, bytes)) {
            fault = "record shorter than its counts";
            break;
        }
        if (!partsToCounts(rec)) {
            fault = "part index beyond the point count";
            break;
        }
        o += bytes;
        records++;
    }
    gmemFree(index);
    if (fault != NULL) return refuse(fileName, fault, h, buffer, -1, status);
    if (corrected > 0) ovex_fprintf(stderr, "bad record nWords: %d\n", corrected);

    /* Whatever follows the last record of the data set is dropped, so the
     * end marker sits where the file length says. */
    putEndMarker(buffer + o);
    h->fileLength = (int32_t)(50 + o / 2);

    ShapeFile *sf = newEmptySet(h);
    sf->name = fileName;
    sf->buffer = buffer;
    sf->capacity = D + 12;
    sf->modified = 0;
    if (!allocArrays(sf, records)) {
        openFailure = "out of memory";
        freeShapeFile(sf);
        if (status) *status = 3;
        return NULL;
    }
    int64_t at = 0;
    for (int i = 0; i < records; i++) {
        sf->offsets[i] = at;
        sf->flags[i] = SHAPE_SELECTED;
        at += getShapeRecordSize(buffer + at);
    }
    sf->count = records;
    sf->nextNumber = records + 1;
    return sf;
}

/* ---- writing ---- */

int writeShape(const char *fileName, ShapeFile *sf, int selectedOnly, int *status)
{
    if (sf == NULL || (selectedOnly && countSelectedShapes(sf) == 0)) return 0;
    int64_t total = 0;
    int written = 0;
    for (int i = 0; i < sf->count; i++) {
        if (selectedOnly && !isShapeSelected(sf, i)) continue;
        total += getShapeRecordSize(sf->buffer + sf->offsets[i]);
        written++;
    }
    if (total / 2 + 50 + 4 * (int64_t)written > INT32_MAX) return 0;
    unsigned char *out = (unsigned char *)gmemAlloc((size_t)(SHAPE_HEAD_BYTES + total));
    unsigned char *idx = (unsigned char *)gmemAlloc((size_t)(SHAPE_HEAD_BYTES + 8 * written));
    if (out == NULL || idx == NULL) {
        gmemFree(out);
        gmemFree(idx);
        return 0;
    }
    ShapeHead *fresh = newShapeHead(sf->head->shapeType);
    if (fresh == NULL) {
        gmemFree(out);
        gmemFree(idx);
        return 0;
    }
    int64_t at = SHAPE_HEAD_BYTES;
    int entry = 0;
    for (int i = 0; i < sf->count; i++) {
        if (selectedOnly && !isShapeSelected(sf, i)) continue;
        ShapeRecord *rec = sf->buffer + sf->offsets[i];
        int64_t bytes = getShapeRecordSize(rec);
        if (entry == 0) setShapeHeadBounds(fresh, rec);
        else growShapeHeadBounds(fresh, rec);
        unsigned char *copy = out + at;
        memcpy(copy, rec, (size_t)bytes);
        countsToParts(copy);
#if SHAPE_HOST_BIG_ENDIAN
        swapRecordContent(copy, bytes, false);
#endif
        int32_t words = shapeGetInt(copy + 4);
        putBig(copy, shapeGetInt(copy));
        putBig(copy + 4, words);
        unsigned char *e = idx + SHAPE_HEAD_BYTES + 8 * entry;
        putBig(e, (int32_t)(at / 2));
        putBig(e + 4, words);
        at += bytes;
        entry++;
    }
    /* The data set takes the new header but keeps counting its own records. */
    int32_t keepLength = sf->head->fileLength;
    *sf->head = *fresh;
    sf->head->fileLength = keepLength;
    fresh->fileLength = (int32_t)(at / 2);
    encodeHead(fresh, out);
    fresh->fileLength = 50 + 4 * written;
    encodeHead(fresh, idx);
    gmemFree(fresh);

    /* Main and index file replace the old pair together, or not at all. */
    int result = 0;
    FileReplacement data, index;
    if (!data.open(fileName)) {
        ovex_fprintf(stderr, "writeShape - error in open shape data file\n");
        if (status) *status = 0;
    } else if (!index.open(shapeIndexName(fileName).c_str())) {
        ovex_fprintf(stderr, "writeShape - error in open shape index file\n");
        if (status) *status = 0;
    } else if (writeAll(data.fd(), out, at)
               && writeAll(index.fd(), idx, SHAPE_HEAD_BYTES + 8 * (int64_t)written)) {
        FileReplacement *const pair[] = {&data, &index};
        result = commitReplacements(pair, 2);
        if (result) sf->modified = 0;
    }
    gmemFree(out);
    gmemFree(idx);
    return result;
}

/* ---- changing records ---- */

static int64_t dataBytes(ShapeFile *sf) { return (int64_t)sf->head->fileLength * 2 - 100; }

/* Room for growth more bytes of records (and the end marker). */
static int ensureBuffer(ShapeFile *sf, int64_t growth)
{
    int64_t need = (int64_t)sf->head->fileLength * 2 + growth + 12;
    if ((need - 100) / 2 + 50 > INT32_MAX) return 0;
    if (need <= sf->capacity && sf->buffer != NULL) return 1;
    int64_t capacity = sf->capacity + growth + 12 + SHAPE_BUFFER_STEP;
    if (capacity < need) capacity = need + SHAPE_BUFFER_STEP;
    if ((uint64_t)capacity > UINT32_MAX) return 0;
    unsigned char *grown = (unsigned char *)gmemRealloc(sf->buffer, (size_t)capacity);
    if (grown == NULL) return 0;
    if (sf->buffer == NULL) putEndMarker(grown);
    sf->buffer = grown;
    sf->capacity = capacity;
    return 1;
}

static int ensureArrays(ShapeFile *sf, int entries)
{
    if (entries < sf->arrayCapacity) return 1;
    int capacity = sf->arrayCapacity + SHAPE_ARRAY_STEP;
    if (capacity <= entries) capacity = entries + SHAPE_ARRAY_STEP;
    int64_t *offsets = (int64_t *)gmemRealloc(sf->offsets, sizeof(int64_t) * (size_t)capacity);
    if (offsets == NULL) return 0;
    sf->offsets = offsets;
    unsigned char *flags = (unsigned char *)gmemRealloc(sf->flags, (size_t)capacity);
    if (flags == NULL) return 0;
    sf->flags = flags;
    sf->arrayCapacity = capacity;
    return 1;
}

/* Parts the record gets: the given ones, else one holding every point. */
static int effectiveParts(int type, const int *partCounts, int p)
{
    if (!(shapeTypeHasParts(type) || type == 31)) return 0;
    return (p > 0 && partCounts != NULL) ? p : 1;
}

static void fillRecord(ShapeFile *sf, ShapeRecord *rec, int number, int64_t size, const void *points,
                       int n, const int *partCounts, int p, const void *z, const void *m,
                       const int *partTypes)
{
    int t = sf->head->shapeType;
    memset(rec, 0, (size_t)size);
    if (number < 1) number = sf->nextNumber++;
    shapePutInt(rec, number);
    shapePutInt(rec + 4, (int32_t)((size - 8) / 2));
    shapePutInt(rec + 8, t);
    int parts = effectiveParts(t, partCounts, p);
    if (shapeTypeIsMultiPoint(t)) {
        shapePutInt(rec + 44, n);
    } else if (parts > 0) {
        shapePutInt(rec + 44, parts);
        shapePutInt(rec + 48, n);
        if (partCounts == NULL || p <= 0) shapePutInt(rec + 52, n);
    }
    setShapePoints(rec, points, 0, n);
    if (partCounts != NULL && p > 0) setShapeParts(rec, partCounts, 0, p);
    if (partTypes != NULL && t == 31) setShapePartTypes(rec, partTypes, 0, p);
    if (z != NULL) setShapeZ(rec, z, 0, n);
    if (m != NULL) setShapeM(rec, m, 0, n);
    sf->modified = 1;
}

static int64_t newRecordSize(ShapeFile *sf, int n, const int *partCounts, int p)
{
    int t = sf->head->shapeType;
    return shapeRecordSize(t, n < 0 ? 0 : n, effectiveParts(t, partCounts, p));
}

ShapeRecord *appendShape(ShapeFile *sf, int number, const void *points, int n,
                         const int *partCounts, int p, const void *z, const void *m,
                         const int *partTypes)
{
    if (n < 0) n = 0;
    int64_t s = newRecordSize(sf, n, partCounts, p);
    if (!ensureBuffer(sf, s) || !ensureArrays(sf, sf->count + 1)) return NULL;
    int64_t at = dataBytes(sf);
    sf->head->fileLength += (int32_t)(s / 2);
    sf->offsets[sf->count] = at;
    sf->flags[sf->count] = SHAPE_SELECTED;
    sf->count++;
    ShapeRecord *rec = sf->buffer + at;
    fillRecord(sf, rec, number, s, points, n, partCounts, p, z, m, partTypes);
    putEndMarker(rec + s);
    return rec;
}

ShapeRecord *insertShape(ShapeFile *sf, int index, int number, const void *points, int n,
                         const int *partCounts, int p, const void *z, const void *m,
                         const int *partTypes)
{
    if (index < 0) index = 0;
    if (index >= sf->count) {
        return appendShape(sf, number, points, n, partCounts, p, z, m, partTypes);
    }
    if (n < 0) n = 0;
    int64_t s = newRecordSize(sf, n, partCounts, p);
    if (!ensureBuffer(sf, s) || !ensureArrays(sf, sf->count + 1)) return NULL;
    int64_t data = dataBytes(sf);
    int64_t at = sf->offsets[index];
    memmove(sf->buffer + at + s, sf->buffer + at, (size_t)(data - at));
    for (int i = sf->count; i > index; i--) {
        sf->offsets[i] = sf->offsets[i - 1] + s;
        sf->flags[i] = sf->flags[i - 1];
    }
    sf->flags[index] = SHAPE_SELECTED;
    sf->count++;
    sf->head->fileLength += (int32_t)(s / 2);
    putEndMarker(sf->buffer + data + s);
    ShapeRecord *rec = sf->buffer + at;
    fillRecord(sf, rec, number, s, points, n, partCounts, p, z, m, partTypes);
    return rec;
}

ShapeRecord *replaceShape(ShapeFile *sf, int index, int number, const void *points, int n,
                          const int *partCounts, int p, const void *z, const void *m,
                          const int *partTypes)
{
    if (index < 0 || index >= sf->count) {
        return appendShape(sf, number, points, n, partCounts, p, z, m, partTypes);
    }
    if (n < 0) n = 0;
    int64_t s = newRecordSize(sf, n, partCounts, p);
    int64_t old = getShapeRecordSize(sf->buffer + sf->offsets[index]);
    int64_t growth = s - old;
    if (growth > 0 && !ensureBuffer(sf, growth)) return NULL;
    int64_t data = dataBytes(sf);
    int64_t at = sf->offsets[index];
    if (growth != 0 && index < sf->count - 1) {
        memmove(sf->buffer + at + old + growth, sf->buffer + at + old,
                (size_t)(data - (at + old)));
        for (int i = index + 1; i < sf->count; i++) sf->offsets[i] += growth;
    }
    sf->head->fileLength += (int32_t)(growth / 2);
    putEndMarker(sf->buffer + data + growth);
    ShapeRecord *rec = sf->buffer + at;
    int keep = shapeGetInt(rec);
    fillRecord(sf, rec, keep, s, points, n, partCounts, p, z, m, partTypes);
    return rec;
}

int deleteShapes(ShapeFile *sf, int first, int last)
{
    if (sf->count == 0 || first < 0 || last >= sf->count || first > last) return 1;
    int64_t data = dataBytes(sf);
    int64_t endOfLast = sf->offsets[last] + getShapeRecordSize(sf->buffer + sf->offsets[last]);
    int64_t removed = endOfLast - sf->offsets[first];
    if (last < sf->count - 1) {
        memmove(sf->buffer + sf->offsets[first], sf->buffer + endOfLast,
                (size_t)(data - endOfLast));
        int moved = sf->count - 1 - last;
        for (int k = 0; k < moved; k++) {
            sf->offsets[first + k] = sf->offsets[last + 1 + k] - removed;
            sf->flags[first + k] = sf->flags[last + 1 + k];
        }
        sf->count = first + moved;
    } else {
        sf->count = first;
    }
    sf->head->fileLength -= (int32_t)(removed / 2);
    putEndMarker(sf->buffer + data - removed);
    unsigned char *shrunk = (unsigned char *)gmemRealloc(sf->buffer, (size_t)(sf->capacity - removed));
    if (shrunk != NULL) {
        sf->buffer = shrunk;
        sf->capacity -= removed;
    }
    sf->modified = 1;
    return 1;
}

int packShapeFile(ShapeFile *sf)
{
    if (sf->busy) {
        sf->packPending = 1;
        return 0;
    }
    sf->packPending = 0;
    int deleted = countDeletedShapes(sf);
    if (deleted > 0 && deleted == sf->count) {
        clearShapeFile(sf);
    } else if (deleted > 0) {
        int64_t at = 0;
        int kept = 0;
        for (int i = 0; i < sf->count; i++) {
            if (sf->flags[i] & SHAPE_DELETED) continue;
            int64_t bytes = getShapeRecordSize(sf->buffer + sf->offsets[i]);
            memmove(sf->buffer + at, sf->buffer + sf->offsets[i], (size_t)bytes);
            sf->offsets[kept] = at;
            sf->flags[kept] = SHAPE_SELECTED;
            at += bytes;
            kept++;
        }
        sf->count = kept;
        putEndMarker(sf->buffer + at);
        sf->head->fileLength = (int32_t)(50 + at / 2);
        unsigned char *shrunk = (unsigned char *)gmemRealloc(sf->buffer, (size_t)(at + 12));
        if (shrunk != NULL) {
            sf->buffer = shrunk;
            sf->capacity = at + 12;
        }
    }
    sf->modified = 1;
    return deleted;
}

void clearShapeFile(ShapeFile *sf)
{
    gmemFree(sf->buffer);
    gmemFree(sf->offsets);
    gmemFree(sf->flags);
    sf->buffer = NULL;
    sf->offsets = NULL;
    sf->flags = NULL;
    sf->head->fileLength = 50;
    sf->count = 0;
    sf->capacity = 0;
    sf->arrayCapacity = 0;
    sf->busy = sf->packPending = 0;
    sf->nextNumber = 1;
}

/* ---- whole data sets ---- */

ShapeFile *newShapeFile(int type, const int *partCounts, const int *pointCounts, int n)
{
    if (n < 0) n = 0;
    int64_t total = 0;
    for (int i = 0; i < n; i++) {
        int64_t pts = pointCounts ? (pointCounts[i] < 0 ? 0 : pointCounts[i]) : 0;
        int64_t prt = partCounts ? (partCounts[i] < 0 ? 0 : partCounts[i]) : 0;
        total += shapeRecordSize(type, pts, prt);
    }
    if (total / 2 + 50 > INT32_MAX) return NULL;
    ShapeHead *h = newShapeHead(type);
    if (h == NULL) return NULL;
    ShapeFile *sf = newEmptySet(h);
    sf->buffer = (unsigned char *)gmemAlloc((size_t)(total + 12));
    if (sf->buffer == NULL || !allocArrays(sf, n)) {
        freeShapeFile(sf);
        return NULL;
    }
    memset(sf->buffer, 0, (size_t)total);
    sf->capacity = total + 12;
    int64_t at = 0;
    for (int i = 0; i < n; i++) {
        int pts = pointCounts ? (pointCounts[i] < 0 ? 0 : pointCounts[i]) : 0;
        int prt = partCounts ? (partCounts[i] < 0 ? 0 : partCounts[i]) : 0;
        int64_t size = shapeRecordSize(type, pts, prt);
        ShapeRecord *rec = sf->buffer + at;
        shapePutInt(rec, i + 1);
        shapePutInt(rec + 4, (int32_t)((size - 8) / 2));
        shapePutInt(rec + 8, type);
        if (shapeTypeIsMultiPoint(type)) {
            shapePutInt(rec + 44, pts);
        } else if (shapeTypeHasParts(type) || type == 31) {
            shapePutInt(rec + 44, prt);
            shapePutInt(rec + 48, pts);
        }
        sf->offsets[i] = at;
        sf->flags[i] = SHAPE_SELECTED;
        at += size;
    }
    putEndMarker(sf->buffer + at);
    h->fileLength = (int32_t)(50 + total / 2);
    sf->count = n;
    sf->nextNumber = n + 1;
    sf->modified = 1;
    return sf;
}

ShapeFile *copyShapeFile(ShapeFile *sf)
{
    ShapeHead *h = (ShapeHead *)gmemAlloc(sizeof(ShapeHead));
    if (h == NULL) return NULL;
    *h = *sf->head;
    ShapeFile *copy = newEmptySet(h);
    copy->name = sf->name;
    int64_t capacity = sf->capacity > 0 ? sf->capacity : 12;
    copy->buffer = (unsigned char *)gmemAlloc((size_t)capacity);
    if (copy->buffer == NULL || !allocArrays(copy, sf->arrayCapacity)) {
        freeShapeFile(copy);
        return NULL;
    }
    if (sf->buffer != NULL) {
        memcpy(copy->buffer, sf->buffer, (size_t)(dataBytes(sf) + 12));
    } else {
        putEndMarker(copy->buffer);
    }
    copy->capacity = capacity;
    if (sf->count > 0) {
        memcpy(copy->offsets, sf->offsets, sizeof(int64_t) * (size_t)sf->count);
        memcpy(copy->flags, sf->flags, (size_t)sf->count);
    }
    copy->count = sf->count;
    copy->nextNumber = sf->nextNumber;
    copy->modified = 1;
    return copy;
}

ShapeFile *copySelectedShapes(ShapeFile *sf)
{
    if (countSelectedShapes(sf) == 0) return NULL;
    ShapeFile *copy = newShapeFile(sf->head->shapeType, NULL, NULL, 0);
    if (copy == NULL) return NULL;
    for (int i = 0; i < sf->count; i++) {
        if (!isShapeSelected(sf, i)) continue;
        ShapeRecord *rec = sf->buffer + sf->offsets[i];
        ShapeLayout L;
        shapeLayoutOf(rec, &L);
        int parts = L.parts ? L.p : 0;
        if (appendShape(copy, i + 1, L.points, L.n, (const int *)L.parts, parts, L.zVals,
                        L.mVals, (const int *)L.partTypes)
            == NULL) {
            freeShapeFile(copy);
            return NULL;
        }
    }
    return copy;
}

void freeShapeFile(ShapeFile *sf)
{
    if (sf == NULL) return;
    gmemFree(sf->head);
    gmemFree(sf->buffer);
    gmemFree(sf->offsets);
    gmemFree(sf->flags);
    delete sf;
}
