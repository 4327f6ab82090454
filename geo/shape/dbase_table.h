/*
 * dbase_table.h --
 *
 *	One dBase III table held in memory: the header block exactly as the
 *	file lays it out, the records back to back, a flag byte per record
 *	(bit 0 selected, bit 1 marked deleted; a marked record holds 2
 *	exactly) and an order index of record numbers for display.
 *
 *	Reading, writing and copying are in dbase_file.cpp, field values by
 *	type in dbase_values.cpp, field and record editing and selection in
 *	dbase_edit.cpp. Memory comes from gmemAlloc; messages go to the
 *	console's standard error. Operations answer 1 for success and 0 for
 *	failure unless said otherwise; a failed one leaves the table as it
 *	was.
 */
#ifndef OVEX_GEO_SHAPE_DBASE_TABLE_H
#define OVEX_GEO_SHAPE_DBASE_TABLE_H

#include <stddef.h>
#include <stdint.h>

#include <string>

/* Header block layout (little-endian numbers). */
enum {
    DBF_HEAD_VERSION = 0,     /* 3, or 0x83 with a memo file */
    DBF_HEAD_DATE = 1,        /* year - 1900, month, day */
    DBF_HEAD_COUNT = 4,       /* uint32 record count */
    DBF_HEAD_LENGTH = 8,      /* uint16 header length */
    DBF_HEAD_RECLEN = 10,     /* uint16 record length */
    DBF_HEAD_SIZE = 32,       /* fixed part; descriptors follow */
    DBF_DESC_SIZE = 32,
    DBF_TERMINATOR = 0x0D,
    DBF_EOF = 0x1A,
    DBF_MAX_FIELD = 255,      /* the descriptor holds its length in one byte */
    DBF_MAX_NAME = 10
};

/* Field descriptor, 32 bytes: name (11, NUL-terminated), type letter,
 * 4 reserved, length, decimals, 14 reserved. */
enum {
    DBF_DESC_NAME = 0,
    DBF_DESC_TYPE = 11,
    DBF_DESC_LENGTH = 16,
    DBF_DESC_DECIMALS = 17
};

/* Flag byte of a record. */
enum { DBF_SELECTED = 1, DBF_DELETED = 2 };

typedef struct dBaseTable {
    char *name;              /* file last read or written, "" when none */
    unsigned char *head;     /* header block, headLength bytes */
    int32_t headLength;
    int32_t busy;            /* record passes running over the table */
    int32_t purgePending;    /* purge asked for while busy */
    int32_t orphaned;        /* its owner let go while busy: freed after */
    int32_t modified;
    int32_t nFields;
    int32_t nRecords;
    int32_t orderCapacity;   /* entries allocated in order and flags */
    int32_t flagCapacity;
    int32_t recordLength;
    size_t dataCapacity;     /* bytes allocated in data */
    unsigned char *data;
    int32_t *offsets;        /* per field, its byte offset in a record */
    int32_t *order;
    unsigned char *flags;
} dBaseTable;

/* ---- Header and descriptors --------------------------------------------- */

unsigned dbfGet16(const unsigned char *p);
uint32_t dbfGet32(const unsigned char *p);
void dbfPut16(unsigned char *p, unsigned value);
void dbfPut32(unsigned char *p, uint32_t value);

/* The descriptor of field i. */
unsigned char *dBaseDescriptor(const dBaseTable *table, int field);
/* Name of a descriptor (at most 10 characters, even without a NUL). */
std::string dBaseDescName(const unsigned char *desc);
inline int dBaseDescLength(const unsigned char *desc) { return desc[DBF_DESC_LENGTH]; }
inline int dBaseDescDecimals(const unsigned char *desc) { return desc[DBF_DESC_DECIMALS]; }
inline char dBaseDescType(const unsigned char *desc) { return (char)desc[DBF_DESC_TYPE]; }

/* Number of descriptors in a header block of length bytes: whole
 * descriptors before the terminator. */
int dBaseCountFields(const unsigned char *head, int length);

/* Today's date (UTC) into bytes 1-3 of a header block. */
void dBaseHeaderDate(unsigned char *head);

/* Field count, offsets, record count and record length taken again
 * from the header block. 0 when memory for the offsets is short. */
int dBaseSetFields(dBaseTable *table);

/* ---- Whole tables (dbase_file.cpp) -------------------------------------- */

dBaseTable *newdBase(void);
/* status: 0 cannot open, 1 header unreadable or inconsistent, 2 records
 * not all there, 3 no memory. */
dBaseTable *readdBase(const char *fileName, int *status);
/* Why the last readdBase returned NULL ("no such file or directory",
 * "not a dBase III table: ...", ...). */
const char *dBaseReadFailure(void);
/* The header block of an open file and its length, NULL when the file
 * has none that this system reads. */
unsigned char *readdBaseHead(int fd, int *length);
unsigned char *readdBaseHeadFile(const char *fileName, int *length);
/* Record n of an open file, in a new buffer; NULL past the count. */
unsigned char *getNthdBaseRec(int fd, const unsigned char *head, int n);
/* status: 0 cannot create, 4 header not written, 5 records not written. */
int writedBase(const char *fileName, dBaseTable *table, int selectedOnly, int *status);
void freedBase(dBaseTable *table);
dBaseTable *clonedBase(const dBaseTable *table);
/* A new table of the chosen fields (all when indices is NULL) and
 * records (the selected ones with selectedOnly), NULL when there are
 * none selected or memory is short. */
dBaseTable *copydBase(const dBaseTable *table, int k, const int *indices, int selectedOnly);

/* ---- Field definitions and values (dbase_values.cpp) -------------------- */

/* A descriptor from {name type length decimals}; 0 when refused. */
int checkdBaseField(unsigned char *desc, const char *name, const char *type, const char *length,
                    const char *decimals);
/* The setter of the field's type applied in place; 0 when refused
 * (the field is then unchanged). text NULL or empty blanks the field. */
int dBaseParseValue(const unsigned char *desc, unsigned char *field, const char *text);
/* The getter of the field's type. */
std::string dBaseFormatValue(const unsigned char *desc, const unsigned char *field);
void dBaseDefaultValue(const unsigned char *desc, unsigned char *field);
/* One record after its marker byte filled with every field's default. */
void dBaseDefaultRecord(const dBaseTable *table, unsigned char *record);

int setdBaseField(dBaseTable *table, int record, int field, const char *text);
int setdBaseFields(dBaseTable *table, int record, int first, int n, const char *const *texts);
/* fields: a record buffer after its marker byte. */
int parsedBaseRecord(unsigned char *fields, const dBaseTable *table, int n,
                     const char *const *texts);
std::string dBaseFieldText(const dBaseTable *table, int record, int field);
/* The record as texts separated by blanks, braced when empty or holding
 * a blank; a one-field table gives the text alone. */
std::string dBaseRecordList(const dBaseTable *table, int record);
int dBaseFieldIndex(const dBaseTable *table, const char *name);
unsigned char *dBaseFindField(const dBaseTable *table, const char *name);
int renamedBaseField(unsigned char *desc, const char *newName);

/* ---- Editing (dbase_edit.cpp) -------------------------------------------- */

/* values: per new field a text taken as its stored bytes, or NULL for
 * the defaults. */
int adddBaseField(dBaseTable *table, int n, const unsigned char *descs, const char *const *values);
int insertdBaseFieldsAt(dBaseTable *table, int n, const unsigned char *descs,
                        const char *const *values, int position);
int deletedBaseFields(dBaseTable *table, int n, const int *indices);

/* bytes: n whole records, or NULL for records of defaults. */
int adddBaseRecord(dBaseTable *table, const unsigned char *bytes, int n);
int insertdBaseRecordsAt(dBaseTable *table, const unsigned char *bytes, int n, int position);
/* Erases records first..last; returns how many. */
int deletedBaseRecords(dBaseTable *table, int first, int last);
/* Purges the records marked deleted; returns how many (0 while busy,
 * when the purge is only requested). */
int packdBase(dBaseTable *table);
void sortdBase(dBaseTable *table, int sortLive);
void blankdBaseBlock(dBaseTable *table, int y0, int x0, int y1, int x1);

int isdBaseSelected(const dBaseTable *table, int record);
int isdBaseDeleted(const dBaseTable *table, int record);
void selectdBaseRecord(dBaseTable *table, int record);
void unselectdBaseRecord(dBaseTable *table, int record);
void toggledBaseRecord(dBaseTable *table, int record);
void markdBaseDeleted(dBaseTable *table, int record);
void unmarkdBaseDeleted(dBaseTable *table, int record);
int selectAlldBaseRecords(dBaseTable *table);
int unselectAlldBaseRecords(dBaseTable *table);
int countSelecteddBaseRecords(const dBaseTable *table);
int countDeleteddBaseRecords(const dBaseTable *table);

/* A record pass over the table begins or ends; the end runs a purge
 * requested meanwhile, and frees a table let go during the pass (then
 * returns 0: the table is gone). */
void dBaseBeginPass(dBaseTable *table);
int dBaseEndPass(dBaseTable *table);
/* freedBase for owners: while a pass runs the table is only marked. */
void releasedBase(dBaseTable *table);

#endif /* OVEX_GEO_SHAPE_DBASE_TABLE_H */
