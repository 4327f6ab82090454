/*
 * dbase_file.cpp --
 *
 *	dBase III tables as files, and whole tables made, copied and freed.
 *
 *	File layout (all numbers little-endian):
 *	  0   1  version: 3, or 0x83 when a memo file goes with it (the memo
 *	         file is not read; M fields keep their stored text)
 *	  1   3  date of the last update: year - 1900, month, day
 *	  4   4  uint32 record count
 *	  8   2  uint16 header length (32 + 32 per field + 1)
 *	  10  2  uint16 record length (1 + the field lengths)
 *	  12  20 reserved, kept as read
 *	  32  32 per field: name[11], type, 4 reserved, length, decimals,
 *	         14 reserved
 *	  ..  1  terminator 0x0D
 *	  header length: the records back to back, each a marker byte (blank,
 *	         or "*") and the fields' texts; then 0x1A after the last.
 *
 *	The header is checked against the file before anything is read past
 *	it: every length read from the file is checked.
 */
#include "core/native_path.h"
#include "geo/shape/dbase_table.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "core/safe_replace.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

/* ---- Byte order: the file's, whatever the host's ----------------------- */

unsigned dbfGet16(const unsigned char *p)
{
    return (unsigned)p[0] | ((unsigned)p[1] << 8);
}

uint32_t dbfGet32(const unsigned char *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16)
           | ((uint32_t)p[3] << 24);
}

void dbfPut16(unsigned char *p, unsigned value)
{
    p[0] = (unsigned char)(value & 0xFF);
    p[1] = (unsigned char)((value >> 8) & 0xFF);
}

void dbfPut32(unsigned char *p, uint32_t value)
{
    p[0] = (unsigned char)(value & 0xFF);
    p[1] = (unsigned char)((value >> 8) & 0xFF);
    p[2] = (unsigned char)((value >> 16) & 0xFF);
    p[3] = (unsigned char)((value >> 24) & 0xFF);
}

/* ---- Header ------------------------------------------------------------ */

unsigned char *dBaseDescriptor(const dBaseTable *table, int field)
{
    return table->head + DBF_HEAD_SIZE + (size_t)field * DBF_DESC_SIZE;
}

std::string dBaseDescName(const unsigned char *desc)
{
    const char *name = (const char *)desc + DBF_DESC_NAME;
    return std::string(name, strnlen(name, DBF_MAX_NAME + 1));
}

/*
 * dBaseCountFields --
 *	Whole descriptors fit in the header length, stopping at the
 *	terminator: spare bytes after it are not fields.
 */
int dBaseCountFields(const unsigned char *head, int length)
{
    int most = length >= DBF_HEAD_SIZE ? (length - DBF_HEAD_SIZE) / DBF_DESC_SIZE : 0;
    int n = 0;
    while (n < most && head[DBF_HEAD_SIZE + n * DBF_DESC_SIZE] != DBF_TERMINATOR) {
        n++;
    }
    return n;
}

void dBaseHeaderDate(unsigned char *head)
{
    time_t now = time(NULL);
    struct tm parts;
    if (gmtime_r(&now, &parts) == NULL) {
        return;
    }
    int year = parts.tm_year < 0 ? 0 : (parts.tm_year > 255 ? 255 : parts.tm_year);
    head[1] = (unsigned char)year;
    head[2] = (unsigned char)(parts.tm_mon + 1);
    head[3] = (unsigned char)parts.tm_mday;
}

int dBaseSetFields(dBaseTable *table)
{
    int n = dBaseCountFields(table->head, table->headLength);
    int32_t *offsets = NULL;
    if (n > 0) {
        offsets = (int32_t *)gmemAlloc(sizeof(int32_t) * n);
        if (offsets == NULL) {
            return 0;
        }
        int32_t at = 1;
        for (int i = 0; i < n; i++) {
            offsets[i] = at;
            at += dBaseDescLength(dBaseDescriptor(table, i));
        }
    }
    gmemFree(table->offsets);
    table->offsets = offsets;
    table->nFields = n;
    table->nRecords = (int32_t)dbfGet32(table->head + DBF_HEAD_COUNT);
    table->recordLength = (int32_t)dbfGet16(table->head + DBF_HEAD_RECLEN);
    return 1;
}

/* ---- Whole tables ------------------------------------------------------ */

static dBaseTable *allocTable(void)
{
    dBaseTable *table = (dBaseTable *)gmemAlloc(sizeof(dBaseTable));
    if (table != NULL) {
        memset(table, 0, sizeof(*table));
    }
    return table;
}

static int setName(dBaseTable *table, const char *name)
{
    size_t length = strlen(name);
    char *copy = (char *)gmemAlloc(length + 1);
    if (copy == NULL) {
        return 0;
    }
    memcpy(copy, name, length + 1);
    gmemFree(table->name);
    table->name = copy;
    return 1;
}

void freedBase(dBaseTable *table)
{
    if (table == NULL) {
        return;
    }
    gmemFree(table->name);
    gmemFree(table->head);
    gmemFree(table->data);
    gmemFree(table->offsets);
    gmemFree(table->order);
    gmemFree(table->flags);
    gmemFree(table);
}

dBaseTable *newdBase(void)
{
    dBaseTable *table = allocTable();
    if (table == NULL) {
        return NULL;
    }
    table->head = (unsigned char *)gmemAlloc(DBF_HEAD_SIZE + 1);
    if (table->head == NULL || !setName(table, "")) {
        freedBase(table);
        return NULL;
    }
    memset(table->head, 0, DBF_HEAD_SIZE + 1);
    table->head[DBF_HEAD_VERSION] = 3;
    dbfPut16(table->head + DBF_HEAD_LENGTH, DBF_HEAD_SIZE + 1);
    dbfPut16(table->head + DBF_HEAD_RECLEN, 1);
    table->head[DBF_HEAD_SIZE] = DBF_TERMINATOR;
    table->headLength = DBF_HEAD_SIZE + 1;
    dBaseHeaderDate(table->head);
    dBaseSetFields(table);
    return table;
}

/* Reads length bytes at offset; 1 only when all of them came. */
static int readAt(int fd, void *buffer, size_t length, off_t offset)
{
    size_t done = 0;
    while (done < length) {
        ssize_t got = pread(fd, (char *)buffer + done, length - done, offset + (off_t)done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return 0;
        }
        done += (size_t)got;
    }
    return 1;
}

static int writeAll(int fd, const void *buffer, size_t length)
{
    size_t done = 0;
    while (done < length) {
        ssize_t put = write(fd, (const char *)buffer + done, length - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return 0;
        }
        done += (size_t)put;
    }
    return 1;
}

/*
 * readdBaseHead --
 *	The header block of an open file: the fixed part checked (a version
 *	this system reads, a header length that holds at least the
 *	terminator), then the whole block read. NULL when any check fails.
 */
/* Why the last file could not be read as a table. */
static const char *readFailure = "";

const char *dBaseReadFailure(void) { return readFailure; }

unsigned char *readdBaseHead(int fd, int *length)
{
    unsigned char fixed[DBF_HEAD_SIZE];
    if (!readAt(fd, fixed, sizeof(fixed), 0)) {
        readFailure = "not a dBase table: shorter than a dBase header";
        return NULL;
    }
    if (fixed[DBF_HEAD_VERSION] != 3 && fixed[DBF_HEAD_VERSION] != 0x83) {
        readFailure = "not a dBase III table: unknown version byte";
        return NULL;
    }
    int headLength = (int)dbfGet16(fixed + DBF_HEAD_LENGTH);
    if (headLength < DBF_HEAD_SIZE + 1) {
        readFailure = "not a dBase table: header length too small";
        return NULL;
    }
    unsigned char *head = (unsigned char *)gmemAlloc((size_t)headLength);
    if (head == NULL) {
        readFailure = "out of memory";
        return NULL;
    }
    if (!readAt(fd, head, (size_t)headLength, 0)) {
        gmemFree(head);
        readFailure = "truncated: header length past the end of the file";
        return NULL;
    }
    *length = headLength;
    return head;
}

unsigned char *readdBaseHeadFile(const char *fileName, int *length)
{
    int fd = open(nativePath(fileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return NULL;
    }
    unsigned char *head = readdBaseHead(fd, length);
    close(fd);
    return head;
}

unsigned char *getNthdBaseRec(int fd, const unsigned char *head, int n)
{
    uint32_t count = dbfGet32(head + DBF_HEAD_COUNT);
    if (n < 0 || (uint32_t)n >= count) {
        return NULL;
    }
    size_t recordLength = dbfGet16(head + DBF_HEAD_RECLEN);
    unsigned char *record = (unsigned char *)gmemAlloc(recordLength > 0 ? recordLength : 1);
    if (record == NULL) {
        ovex_fprintf(stderr, "Error in malloc in getNthdBaseRec");
        return NULL;
    }
    off_t at = (off_t)dbfGet16(head + DBF_HEAD_LENGTH) + (off_t)n * (off_t)recordLength;
    if (!readAt(fd, record, recordLength, at)) {
        ovex_fprintf(stderr, "Error in getNthdBaseRec\n");
        gmemFree(record);
        return NULL;
    }
    return record;
}

/* Sum of the field lengths of a header block, with the marker byte. */
static long fieldsLength(const unsigned char *head, int headLength)
{
    int n = dBaseCountFields(head, headLength);
    long sum = 1;
    for (int i = 0; i < n; i++) {
        sum += head[DBF_HEAD_SIZE + i * DBF_DESC_SIZE + DBF_DESC_LENGTH];
    }
    return sum;
}

/*
 * readdBase --
 *	A new table holding the whole file, every record selected; NULL with
 *	*status set when the file cannot be taken (see dbase_table.h).
 */
dBaseTable *readdBase(const char *fileName, int *status)
{
    int dummy;
    if (status == NULL) {
        status = &dummy;
    }
    readFailure = "out of memory";
    dBaseTable *table = allocTable();
    if (table == NULL) {
        ovex_fprintf(stderr, "readdBase - error in malloc\n");
        *status = 3;
        return NULL;
    }
    int fd = open(nativePath(fileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        readFailure = Tcl_ErrnoMsg(errno);
        ovex_fprintf(stderr, "Error in open:%s\n", fileName);
        freedBase(table);
        *status = 0;
        return NULL;
    }
    int code = -1;
    size_t bytes = 0;
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        readFailure = Tcl_ErrnoMsg(EISDIR);
        goto failed;
    }
    table->head = readdBaseHead(fd, &table->headLength);
    if (table->head != NULL) readFailure = "out of memory";
    if (table->head == NULL || fstat(fd, &info) != 0) {
        code = 1;
        goto failed;
    }
    /* Fields must lie inside the record. */
    if ((long)dbfGet16(table->head + DBF_HEAD_RECLEN) < fieldsLength(table->head, table->headLength)) {
        readFailure = "inconsistent header: fields run past the record length";
        code = 1;
        goto failed;
    }
    if (!dBaseSetFields(table)) {
        ovex_fprintf(stderr, "readdBase - error in malloc\n");
        code = 3;
        goto failed;
    }
    {
        uint32_t count = dbfGet32(table->head + DBF_HEAD_COUNT);
        uint64_t need = (uint64_t)count * (uint64_t)table->recordLength;
        uint64_t have = (uint64_t)info.st_size > (uint64_t)table->headLength
                            ? (uint64_t)info.st_size - (uint64_t)table->headLength
                            : 0;
        if (count > (uint32_t)INT32_MAX || need > have) {
            readFailure = "truncated: fewer records than the header counts";
            code = 2;
            goto failed;
        }
        bytes = (size_t)need;
    }
    if (bytes > 0) {
        table->data = (unsigned char *)gmemAlloc(bytes);
        if (table->data == NULL) {
            ovex_fprintf(stderr, "readdBase - error in malloc\n");
            code = 3;
            goto failed;
        }
        if (!readAt(fd, table->data, bytes, table->headLength)) {
            ovex_fprintf(stderr, "readdBase - error in read\n");
            readFailure = "cannot read the records";
            code = 2;
            goto failed;
        }
        table->dataCapacity = bytes;
    }
    if (table->nRecords > 0) {
        table->order = (int32_t *)gmemAlloc(sizeof(int32_t) * (size_t)table->nRecords);
        table->flags = (unsigned char *)gmemAlloc((size_t)table->nRecords);
        if (table->order == NULL || table->flags == NULL) {
            ovex_fprintf(stderr, "readdBase - error in malloc\n");
            code = 3;
            goto failed;
        }
        for (int32_t i = 0; i < table->nRecords; i++) {
            table->order[i] = i;
        }
        memset(table->flags, DBF_SELECTED, (size_t)table->nRecords);
        table->orderCapacity = table->flagCapacity = table->nRecords;
    }
    if (!setName(table, fileName)) {
        ovex_fprintf(stderr, "readdBase - error in malloc\n");
        code = 3;
        goto failed;
    }
    close(fd);
    table->modified = 0;
    return table;

failed:
    close(fd);
    freedBase(table);
    *status = code;
    return NULL;
}

/* Writes the selected records in record order, gathered into runs. */
static int writeSelected(int fd, const dBaseTable *table)
{
    const size_t length = (size_t)table->recordLength;
    int32_t i = 0;
    while (i < table->nRecords) {
        if (!(table->flags[i] & DBF_SELECTED)) {
            i++;
            continue;
        }
        int32_t end = i;
        while (end < table->nRecords && (table->flags[end] & DBF_SELECTED)) {
            end++;
        }
        if (!writeAll(fd, table->data + (size_t)i * length, (size_t)(end - i) * length)) {
            return 0;
        }
        i = end;
    }
    return 1;
}

/*
 * writedBase --
 *	Writes the table (or only its selected records) as a new file that
 *	replaces fileName once every byte is written; a failure leaves an old
 *	file as it was. The header date stays as it is.
 */
int writedBase(const char *fileName, dBaseTable *table, int selectedOnly, int *status)
{
    int dummy;
    if (status == NULL) {
        status = &dummy;
    }
    /* A new file beside the old one, renamed over it once complete: a
     * failed write leaves the old table whole. */
    FileReplacement file;
    if (!file.open(fileName)) {
        ovex_fprintf(stderr, "writedBase - error in open");
        *status = 0;
        return 0;
    }
    if (!selectedOnly) {
        if (!writeAll(file.fd(), table->head, (size_t)table->headLength)) {
            ovex_fprintf(stderr, "writedBase - error in writing head\n");
            *status = 4;
            return 0;
        }
        if (!writeAll(file.fd(), table->data, (size_t)table->nRecords * (size_t)table->recordLength)) {
            ovex_fprintf(stderr, "writedBase - error in writing data\n");
            *status = 5;
            return 0;
        }
    } else {
        std::string head((const char *)table->head, (size_t)table->headLength);
        dbfPut32((unsigned char *)&head[DBF_HEAD_COUNT], (uint32_t)countSelecteddBaseRecords(table));
        if (!writeAll(file.fd(), head.data(), head.size())) {
            ovex_fprintf(stderr, "writedBase - error in writing head\n");
            *status = 4;
            return 0;
        }
        if (!writeSelected(file.fd(), table)) {
            ovex_fprintf(stderr, "writedBase - error in writing record\n");
            *status = 5;
            return 0;
        }
    }
    const unsigned char end = DBF_EOF;
    if (!writeAll(file.fd(), &end, 1)) {
        ovex_fprintf(stderr, "writedBase - error in writing data\n");
        *status = 5;
        return 0;
    }
    if (!file.commit()) {
        ovex_fprintf(stderr, "writedBase - error in writing data\n");
        *status = 5;
        return 0;
    }
    setName(table, fileName);
    table->modified = 0;
    return 1;
}

/* A copy of n bytes, or NULL when n is 0 or memory is short (*failed). */
static void *copyBlock(const void *from, size_t n, bool *failed)
{
    if (n == 0 || from == NULL) {
        return NULL;
    }
    void *to = gmemAlloc(n);
    if (to == NULL) {
        *failed = true;
        return NULL;
    }
    memcpy(to, from, n);
    return to;
}

dBaseTable *clonedBase(const dBaseTable *table)
{
    dBaseTable *copy = allocTable();
    if (copy == NULL) {
        ovex_fprintf(stderr, "clonedBase - error in malloc\n");
        return NULL;
    }
    *copy = *table;
    copy->busy = 0;
    copy->purgePending = 0;
    copy->orphaned = 0;
    bool failed = false;
    copy->name = NULL;
    copy->head = (unsigned char *)copyBlock(table->head, (size_t)table->headLength, &failed);
    /* Only what is in use: spare capacity holds nothing. */
    size_t used = (size_t)table->nRecords * (size_t)table->recordLength;
    copy->data = (unsigned char *)copyBlock(table->data, used, &failed);
    copy->dataCapacity = copy->data != NULL ? used : 0;
    copy->offsets = (int32_t *)copyBlock(table->offsets, sizeof(int32_t) * (size_t)table->nFields,
                                         &failed);
    copy->order = (int32_t *)copyBlock(table->order, sizeof(int32_t) * (size_t)table->nRecords,
                                       &failed);
    copy->flags = (unsigned char *)copyBlock(table->flags, (size_t)table->nRecords, &failed);
    copy->orderCapacity = copy->order != NULL ? table->nRecords : 0;
    copy->flagCapacity = copy->flags != NULL ? table->nRecords : 0;
    if (failed || copy->head == NULL || !setName(copy, table->name ? table->name : "")) {
        ovex_fprintf(stderr, "clonedBase - error in malloc\n");
        freedBase(copy);
        return NULL;
    }
    return copy;
}

/*
 * copydBase --
 *	A new table of the chosen fields in the chosen order and the chosen
 *	records in record order. With a field list a record starts with a
 *	blank marker; without one it is copied whole, marker included.
 */
dBaseTable *copydBase(const dBaseTable *table, int k, const int *indices, int selectedOnly)
{
    int chosen = countSelecteddBaseRecords(table);
    if (selectedOnly && chosen == 0) {
        return NULL;
    }
    if (!selectedOnly) {
        chosen = table->nRecords;
    }
    if (indices == NULL) {
        k = table->nFields;
    }
    for (int i = 0; indices != NULL && i < k; i++) {
        if (indices[i] < 0 || indices[i] >= table->nFields) {
            return NULL;
        }
    }
    dBaseTable *copy = newdBase();
    if (copy == NULL) {
        return NULL;
    }
    for (int i = 0; i < k; i++) {
        int field = indices != NULL ? indices[i] : i;
        if (!adddBaseField(copy, 1, dBaseDescriptor(table, field), NULL)) {
            freedBase(copy);
            return NULL;
        }
    }
    if (chosen > 0) {
        size_t length = (size_t)copy->recordLength;
        unsigned char *bytes = (unsigned char *)gmemAlloc((size_t)chosen * length);
        if (bytes == NULL) {
            freedBase(copy);
            return NULL;
        }
        unsigned char *to = bytes;
        for (int32_t r = 0; r < table->nRecords; r++) {
            if (selectedOnly && !(table->flags[r] & DBF_SELECTED)) {
                continue;
            }
            const unsigned char *from = table->data + (size_t)r * (size_t)table->recordLength;
            if (indices == NULL) {
                memcpy(to, from, length);
            } else {
                to[0] = ' ';
                for (int i = 0; i < k; i++) {
                    int field = indices[i];
                    memcpy(to + copy->offsets[i], from + table->offsets[field],
                           (size_t)dBaseDescLength(dBaseDescriptor(table, field)));
                }
            }
            to += length;
        }
        int added = adddBaseRecord(copy, bytes, chosen);
        gmemFree(bytes);
        if (!added) {
            freedBase(copy);
            return NULL;
        }
    }
    copy->modified = 1;
    return copy;
}

/* ---- Passes over the records ------------------------------------------- */

void dBaseBeginPass(dBaseTable *table)
{
    table->busy++;
}

int dBaseEndPass(dBaseTable *table)
{
    if (table->busy > 0) {
        table->busy--;
    }
    if (table->busy > 0) {
        return 1;
    }
    if (table->orphaned) {
        freedBase(table);
        return 0;
    }
    if (table->purgePending) {
        packdBase(table);
    }
    return 1;
}

void releasedBase(dBaseTable *table)
{
    if (table == NULL) {
        return;
    }
    if (table->busy > 0) {
        table->orphaned = 1;
    } else {
        freedBase(table);
    }
}
