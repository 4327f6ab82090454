/*
 * dbase_edit.cpp --
 *
 *	Editing a table in memory: fields added, inserted and removed (each
 *	rebuilds every record in one pass into a block of exactly the new
 *	size), records appended and inserted (the block grows by at least
 *	1024 records at a time), erased and purged (everything shrinks to
 *	exactly what remains), the order index, and selection and deletion
 *	marks. A failed operation leaves the table as it was.
 */
#include "geo/shape/dbase_table.h"

#include <algorithm>
#include <string.h>
#include <vector>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

/* ---- Header layout ------------------------------------------------------ */

namespace {

/* A header and record block about to replace the table's, with the
 * field offsets they need, so that nothing can fail once they are in. */
struct Layout {
    unsigned char *head = NULL;
    int headLength = 0;
    unsigned char *data = NULL;
    size_t dataBytes = 0;
    int32_t *offsets = NULL;
    int nFields = 0;

    void discard()
    {
        gmemFree(head);
        gmemFree(data);
        gmemFree(offsets);
        head = NULL;
        data = NULL;
        offsets = NULL;
    }
};

/* Sum of the field lengths, without the marker byte. */
int fieldsBytes(const dBaseTable *table)
{
    int sum = 0;
    for (int i = 0; i < table->nFields; i++) {
        sum += dBaseDescLength(dBaseDescriptor(table, i));
    }
    return sum;
}

/*
 * buildHead --
 *	A header block with the table's fixed part and the given descriptors
 *	followed by the terminator; the record length recordLength. False
 *	when either length does not fit its 16 bits or memory is short.
 */
bool buildHead(const dBaseTable *table, const std::vector<const unsigned char *> &descs,
               long recordLength, Layout *layout)
{
    long headLength = DBF_HEAD_SIZE + (long)descs.size() * DBF_DESC_SIZE + 1;
    if (headLength > 0xFFFF || recordLength > 0xFFFF) {
        return false;
    }
    layout->head = (unsigned char *)gmemAlloc((size_t)headLength);
    layout->offsets = (int32_t *)gmemAlloc(sizeof(int32_t) * (descs.size() + 1));
    if (layout->head == NULL || layout->offsets == NULL) {
        return false;
    }
    memcpy(layout->head, table->head, DBF_HEAD_SIZE);
    int32_t at = 1;
    for (size_t i = 0; i < descs.size(); i++) {
        memcpy(layout->head + DBF_HEAD_SIZE + i * DBF_DESC_SIZE, descs[i], DBF_DESC_SIZE);
        layout->offsets[i] = at;
        at += dBaseDescLength(descs[i]);
    }
    layout->head[headLength - 1] = DBF_TERMINATOR;
    dbfPut16(layout->head + DBF_HEAD_LENGTH, (unsigned)headLength);
    dbfPut16(layout->head + DBF_HEAD_RECLEN, (unsigned)recordLength);
    layout->headLength = (int)headLength;
    layout->nFields = (int)descs.size();
    return true;
}

/* Puts a new layout in place; the records keep their count. */
void commitLayout(dBaseTable *table, Layout *layout)
{
    gmemFree(table->head);
    gmemFree(table->data);
    gmemFree(table->offsets);
    table->head = layout->head;
    table->headLength = layout->headLength;
    table->data = layout->data;
    table->dataCapacity = layout->dataBytes;
    table->offsets = layout->offsets;
    table->nFields = layout->nFields;
    table->recordLength = (int32_t)dbfGet16(table->head + DBF_HEAD_RECLEN);
    table->modified = 1;
    *layout = Layout();
}

/* The value block of new fields: given texts as their stored bytes (cut,
 * or padded with blanks), else the type's default. */
std::string valueBlock(int n, const unsigned char *descs, const char *const *values)
{
    std::string block;
    for (int i = 0; i < n; i++) {
        const unsigned char *desc = descs + (size_t)i * DBF_DESC_SIZE;
        size_t length = (size_t)dBaseDescLength(desc);
        std::string value(length, ' ');
        if (values != NULL && values[i] != NULL) {
            size_t given = strnlen(values[i], length);
            memcpy(&value[0], values[i], given);
        } else {
            dBaseDefaultValue(desc, (unsigned char *)&value[0]);
        }
        block += value;
    }
    return block;
}

/* Shrinks a block to n bytes; keeps the old block when that fails. */
void *shrink(void *block, size_t n)
{
    if (n == 0) {
        gmemFree(block);
        return NULL;
    }
    void *smaller = gmemRealloc(block, n);
    return smaller != NULL ? smaller : block;
}

void setCount(dBaseTable *table, int32_t count)
{
    table->nRecords = count;
    dbfPut32(table->head + DBF_HEAD_COUNT, (uint32_t)count);
}

/* Drops every record. */
void clearRecords(dBaseTable *table)
{
    gmemFree(table->data);
    gmemFree(table->order);
    gmemFree(table->flags);
    table->data = NULL;
    table->order = NULL;
    table->flags = NULL;
    table->dataCapacity = 0;
    table->orderCapacity = table->flagCapacity = 0;
    setCount(table, 0);
}

/* Shrinks data, order and flags to exactly the records there are. */
void fitRecords(dBaseTable *table)
{
    size_t n = (size_t)table->nRecords;
    table->data = (unsigned char *)shrink(table->data, n * (size_t)table->recordLength);
    table->order = (int32_t *)shrink(table->order, n * sizeof(int32_t));
    table->flags = (unsigned char *)shrink(table->flags, n);
    table->dataCapacity = n * (size_t)table->recordLength;
    table->orderCapacity = table->flagCapacity = (int32_t)n;
}

bool validRecord(const dBaseTable *table, int record)
{
    return record >= 0 && record < table->nRecords;
}

}  // namespace

/* ---- Fields ------------------------------------------------------------- */

static int insertFields(dBaseTable *table, int n, const unsigned char *descs,
                        const char *const *values, int position, const char *who)
{
    if (n <= 0 || descs == NULL || position < 0 || position > table->nFields) {
        return 0;
    }
    std::vector<const unsigned char *> all;
    for (int i = 0; i < table->nFields; i++) {
        if (i == position) {
            for (int k = 0; k < n; k++) all.push_back(descs + (size_t)k * DBF_DESC_SIZE);
        }
        all.push_back(dBaseDescriptor(table, i));
    }
    if (position == table->nFields) {
        for (int k = 0; k < n; k++) all.push_back(descs + (size_t)k * DBF_DESC_SIZE);
    }
    std::string block = valueBlock(n, descs, values);
    long recordLength = (long)table->recordLength + (long)block.size();
    Layout layout;
    if (!buildHead(table, all, recordLength, &layout)) {
        ovex_fprintf(stderr, "%s - error in malloc\n", who);
        layout.discard();
        return 0;
    }
    if (table->nRecords > 0) {
        /* Records may carry bytes after their last field: they stay last. */
        size_t cut = position < table->nFields ? (size_t)table->offsets[position]
                                               : (size_t)(1 + fieldsBytes(table));
        size_t oldLength = (size_t)table->recordLength;
        layout.dataBytes = (size_t)table->nRecords * (size_t)recordLength;
        layout.data = (unsigned char *)gmemAlloc(layout.dataBytes);
        if (layout.data == NULL) {
            ovex_fprintf(stderr, "%s - error in malloc\n", who);
            layout.discard();
            return 0;
        }
        unsigned char *to = layout.data;
        for (int32_t r = 0; r < table->nRecords; r++) {
            const unsigned char *from = table->data + (size_t)r * oldLength;
            memcpy(to, from, cut);
            memcpy(to + cut, block.data(), block.size());
            memcpy(to + cut + block.size(), from + cut, oldLength - cut);
            to += recordLength;
        }
    }
    commitLayout(table, &layout);
    return 1;
}

int adddBaseField(dBaseTable *table, int n, const unsigned char *descs, const char *const *values)
{
    return insertFields(table, n, descs, values, table->nFields, "adddBaseField");
}

int insertdBaseFieldsAt(dBaseTable *table, int n, const unsigned char *descs,
                        const char *const *values, int position)
{
    return insertFields(table, n, descs, values, position, "insertdBaseFieldsAt");
}

int deletedBaseFields(dBaseTable *table, int n, const int *indices)
{
    if (n <= 0 || indices == NULL) {
        return 0;
    }
    std::vector<bool> removed((size_t)table->nFields, false);
    for (int i = 0; i < n; i++) {
        if (indices[i] < 0 || indices[i] >= table->nFields) {
            return 0;
        }
        removed[(size_t)indices[i]] = true;  /* a field named twice goes once */
    }
    std::vector<const unsigned char *> kept;
    long recordLength = table->recordLength;
    for (int i = 0; i < table->nFields; i++) {
        if (removed[(size_t)i]) {
            recordLength -= dBaseDescLength(dBaseDescriptor(table, i));
        } else {
            kept.push_back(dBaseDescriptor(table, i));
        }
    }
    Layout layout;
    if (!buildHead(table, kept, recordLength, &layout)) {
        ovex_fprintf(stderr, "deletedBaseFields - error in malloc\n");
        layout.discard();
        return 0;
    }
    if (table->nRecords > 0) {
        layout.dataBytes = (size_t)table->nRecords * (size_t)recordLength;
        layout.data = (unsigned char *)gmemAlloc(layout.dataBytes);
        if (layout.data == NULL) {
            ovex_fprintf(stderr, "deletedBaseFields - error in malloc\n");
            layout.discard();
            return 0;
        }
        size_t tail = (size_t)(1 + fieldsBytes(table));
        size_t oldLength = (size_t)table->recordLength;
        unsigned char *to = layout.data;
        for (int32_t r = 0; r < table->nRecords; r++) {
            const unsigned char *from = table->data + (size_t)r * oldLength;
            unsigned char *at = to;
            *at++ = from[0];
            for (int i = 0; i < table->nFields; i++) {
                if (!removed[(size_t)i]) {
                    size_t length = (size_t)dBaseDescLength(dBaseDescriptor(table, i));
                    memcpy(at, from + table->offsets[i], length);
                    at += length;
                }
            }
            memcpy(at, from + tail, oldLength - tail);
            to += recordLength;
        }
    }
    commitLayout(table, &layout);
    return 1;
}

/* ---- Records ------------------------------------------------------------ */

/*
 * makeRoom --
 *	Room for n more records: the data grows by max(n, 1024) records when
 *	full, and the order index and flags follow its capacity.
 */
static int makeRoom(dBaseTable *table, int n)
{
    if (n <= 0 || table->nRecords > INT32_MAX - n) {
        return 0;
    }
    size_t length = (size_t)table->recordLength;
    size_t capacity = table->dataCapacity / length;
    if ((size_t)table->nRecords + (size_t)n > capacity) {
        size_t grown = capacity + (size_t)std::max(n, 1024);
        if (grown > (size_t)INT32_MAX) grown = (size_t)INT32_MAX;
        unsigned char *data = (unsigned char *)gmemRealloc(table->data, grown * length);
        if (data == NULL) {
            ovex_fprintf(stderr, "adddBaseRecord - error realloc table\n");
            return 0;
        }
        table->data = data;
        table->dataCapacity = grown * length;
        capacity = grown;
    }
    if (table->nRecords + n > table->orderCapacity) {
        int32_t *order = (int32_t *)gmemRealloc(table->order, capacity * sizeof(int32_t));
        if (order == NULL) {
            ovex_fprintf(stderr, "adddBaseRecord - error realloc index");
            return 0;
        }
        table->order = order;
        table->orderCapacity = (int32_t)capacity;
    }
    if (table->nRecords + n > table->flagCapacity) {
        unsigned char *flags = (unsigned char *)gmemRealloc(table->flags, capacity);
        if (flags == NULL) {
            ovex_fprintf(stderr, "adddBaseRecord - error realloc select bits");
            return 0;
        }
        table->flags = flags;
        table->flagCapacity = (int32_t)capacity;
    }
    return 1;
}

/* Fills n records at record p from bytes, or with defaults. */
static void fillRecords(dBaseTable *table, const unsigned char *bytes, int n, int p)
{
    size_t length = (size_t)table->recordLength;
    unsigned char *to = table->data + (size_t)p * length;
    if (bytes != NULL) {
        memcpy(to, bytes, (size_t)n * length);
        return;
    }
    dBaseDefaultRecord(table, to);
    for (int i = 1; i < n; i++) {
        memcpy(to + (size_t)i * length, to, length);
    }
}

int adddBaseRecord(dBaseTable *table, const unsigned char *bytes, int n)
{
    if (!makeRoom(table, n)) {
        return 0;
    }
    int32_t first = table->nRecords;
    fillRecords(table, bytes, n, first);
    for (int i = 0; i < n; i++) {
        table->order[first + i] = first + i;
        table->flags[first + i] = DBF_SELECTED;
    }
    setCount(table, first + n);
    table->modified = 1;
    return 1;
}

int insertdBaseRecordsAt(dBaseTable *table, const unsigned char *bytes, int n, int position)
{
    int32_t count = table->nRecords;
    position = position < 0 ? 0 : (position > count ? count : position);
    if (!makeRoom(table, n)) {
        return 0;
    }
    size_t length = (size_t)table->recordLength;
    size_t moved = (size_t)(count - position);
    memmove(table->data + (size_t)(position + n) * length, table->data + (size_t)position * length,
            moved * length);
    memmove(table->flags + position + n, table->flags + position, moved);
    memmove(table->order + position + n, table->order + position, moved * sizeof(int32_t));
    for (int32_t i = 0; i < count + n; i++) {
        if ((i < position || i >= position + n) && table->order[i] >= position) {
            table->order[i] += n;
        }
    }
    fillRecords(table, bytes, n, position);
    for (int i = position; i < position + n; i++) {
        table->order[i] = i;
        table->flags[i] = DBF_SELECTED;
    }
    setCount(table, count + n);
    table->modified = 1;
    return 1;
}

int deletedBaseRecords(dBaseTable *table, int first, int last)
{
    table->modified = 1;
    if (first < 0) first = 0;
    if (last > table->nRecords - 1) last = table->nRecords - 1;
    long k = (long)last - (long)first + 1;
    if (k <= 0) {
        return 0;
    }
    if (k == table->nRecords) {
        clearRecords(table);
        return (int)k;
    }
    size_t length = (size_t)table->recordLength;
    size_t after = (size_t)(table->nRecords - last - 1);
    memmove(table->data + (size_t)first * length, table->data + (size_t)(last + 1) * length,
            after * length);
    memmove(table->flags + first, table->flags + last + 1, after);
    int32_t kept = 0;
    for (int32_t i = 0; i < table->nRecords; i++) {
        int32_t record = table->order[i];
        if (record < first) {
            table->order[kept++] = record;
        } else if (record > last) {
            table->order[kept++] = record - (int32_t)k;
        }
    }
    setCount(table, table->nRecords - (int32_t)k);
    fitRecords(table);
    return (int)k;
}

int packdBase(dBaseTable *table)
{
    if (table->busy > 0) {
        table->purgePending = 1;
        return 0;
    }
    table->purgePending = 0;
    table->modified = 1;
    int d = countDeleteddBaseRecords(table);
    if (d == 0) {
        return 0;
    }
    if (d == table->nRecords) {
        clearRecords(table);
        return d;
    }
    /* New number of each record, -1 for a purged one. */
    std::vector<int32_t> renumber((size_t)table->nRecords);
    size_t length = (size_t)table->recordLength;
    int32_t kept = 0;
    for (int32_t r = 0; r < table->nRecords; r++) {
        if (table->flags[r] & DBF_DELETED) {
            renumber[(size_t)r] = -1;
            continue;
        }
        if (kept != r) {
            memmove(table->data + (size_t)kept * length, table->data + (size_t)r * length, length);
            table->flags[kept] = table->flags[r];
        }
        renumber[(size_t)r] = kept++;
    }
    int32_t at = 0;
    for (int32_t i = 0; i < table->nRecords; i++) {
        int32_t record = renumber[(size_t)table->order[i]];
        if (record >= 0) {
            table->order[at++] = record;
        }
    }
    setCount(table, kept);
    fitRecords(table);
    return d;
}

void sortdBase(dBaseTable *table, int sortLive)
{
    int32_t *order = table->order;
    int32_t *end = order + table->nRecords;
    int32_t *split = std::stable_partition(order, end, [table](int32_t record) {
        return table->flags[record] != DBF_DELETED;
    });
    if (sortLive) {
        std::sort(order, split);
    }
}

void blankdBaseBlock(dBaseTable *table, int y0, int x0, int y1, int x1)
{
    if (table->nRecords == 0 || table->nFields == 0) {
        return;
    }
    int firstRecord = std::max(std::min(y0, y1), 0);
    int lastRecord = std::min(std::max(y0, y1), table->nRecords - 1);
    int firstField = std::max(std::min(x0, x1), 0);
    int lastField = std::min(std::max(x0, x1), table->nFields - 1);
    if (firstRecord > lastRecord || firstField > lastField) {
        return;
    }
    size_t from = (size_t)table->offsets[firstField];
    size_t to = (size_t)table->offsets[lastField]
                + (size_t)dBaseDescLength(dBaseDescriptor(table, lastField));
    for (int r = firstRecord; r <= lastRecord; r++) {
        memset(table->data + (size_t)r * (size_t)table->recordLength + from, ' ', to - from);
    }
}

/* ---- Selection and deletion marks -------------------------------------- */

int isdBaseSelected(const dBaseTable *table, int record)
{
    return validRecord(table, record) ? (table->flags[record] & DBF_SELECTED) : 0;
}

int isdBaseDeleted(const dBaseTable *table, int record)
{
    return validRecord(table, record) ? (table->flags[record] & DBF_DELETED) >> 1 : 0;
}

void selectdBaseRecord(dBaseTable *table, int record)
{
    if (validRecord(table, record) && !(table->flags[record] & DBF_DELETED)) {
        table->flags[record] |= DBF_SELECTED;
    }
}

void unselectdBaseRecord(dBaseTable *table, int record)
{
    if (validRecord(table, record) && !(table->flags[record] & DBF_DELETED)) {
        table->flags[record] &= (unsigned char)~DBF_SELECTED;
    }
}

void toggledBaseRecord(dBaseTable *table, int record)
{
    if (validRecord(table, record) && !(table->flags[record] & DBF_DELETED)) {
        table->flags[record] ^= DBF_SELECTED;
    }
}

void markdBaseDeleted(dBaseTable *table, int record)
{
    if (validRecord(table, record) && !(table->flags[record] & DBF_DELETED)) {
        table->flags[record] = DBF_DELETED;
    }
}

void unmarkdBaseDeleted(dBaseTable *table, int record)
{
    if (validRecord(table, record) && (table->flags[record] & DBF_DELETED)) {
        table->flags[record] = DBF_SELECTED;
    }
}

int selectAlldBaseRecords(dBaseTable *table)
{
    int changed = 0;
    for (int32_t r = 0; r < table->nRecords; r++) {
        if (!(table->flags[r] & (DBF_DELETED | DBF_SELECTED))) {
            table->flags[r] |= DBF_SELECTED;
            changed++;
        }
    }
    return changed;
}

int unselectAlldBaseRecords(dBaseTable *table)
{
    int changed = 0;
    for (int32_t r = 0; r < table->nRecords; r++) {
        if ((table->flags[r] & DBF_SELECTED) && !(table->flags[r] & DBF_DELETED)) {
            table->flags[r] &= (unsigned char)~DBF_SELECTED;
            changed++;
        }
    }
    return changed;
}

int countSelecteddBaseRecords(const dBaseTable *table)
{
    int n = 0;
    for (int32_t r = 0; r < table->nRecords; r++) {
        n += table->flags[r] & DBF_SELECTED;
    }
    return n;
}

int countDeleteddBaseRecords(const dBaseTable *table)
{
    int n = 0;
    for (int32_t r = 0; r < table->nRecords; r++) {
        n += (table->flags[r] & DBF_DELETED) >> 1;
    }
    return n;
}
