/*
 * dbase_values.cpp --
 *
 *	Field definitions and the value of a field as text, by type:
 *	  C  character  text without leading blanks, cut to the field
 *	  D  date       yy/mm/dd given, YYYYMMDD stored (year 2000 + yy)
 *	  L  logical    one of Y y N n T t F f ?
 *	  M  memo       a block number, right-aligned in 10 characters
 *	  N  numeric    a number printed with the field's decimals,
 *	                right-aligned
 *	Other type letters, which files may hold, are kept byte for byte.
 *	An empty text blanks a field of any type. A refused text leaves the
 *	field as it was. Every byte of a field is always set: a text shorter
 *	than its field is padded with blanks.
 */
#include "geo/shape/dbase_table.h"

#include <ctype.h>
#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

/* ---- Small readers ------------------------------------------------------ */

/* The text of a stored field without the blanks at either end. NUL
 * bytes, which some writers pad with, count as blanks. */
static bool isPad(unsigned char c)
{
    return c == ' ' || c == '\0';
}

static std::string trimmed(const unsigned char *field, int length)
{
    int start = 0;
    while (start < length && isPad(field[start])) start++;
    int end = length;
    while (end > start && isPad(field[end - 1])) end--;
    return std::string((const char *)field + start, (size_t)(end - start));
}

/* A decimal integer as the printf-style scan %d reads it: white space,
 * an optional sign, at least one digit. Values beyond int clamp. */
static bool scanInt(const char **text, int *value)
{
    const char *p = *text;
    while (isspace((unsigned char)*p)) p++;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        p++;
    }
    if (!isdigit((unsigned char)*p)) {
        return false;
    }
    long long v = 0;
    while (isdigit((unsigned char)*p)) {
        if (v <= (long long)INT_MAX + 1) v = v * 10 + (*p - '0');
        p++;
    }
    if (negative) v = -v;
    *value = v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : (int)v);
    *text = p;
    return true;
}

/* Stores text in the field: left-aligned, cut to the field, blanks after. */
static void storeLeft(unsigned char *field, int length, const char *text, size_t size)
{
    size_t n = size < (size_t)length ? size : (size_t)length;
    memcpy(field, text, n);
    memset(field + n, ' ', (size_t)length - n);
}

/* Stores text right-aligned with blanks before; the caller made sure it fits. */
static void storeRight(unsigned char *field, int length, const std::string &text)
{
    size_t pad = (size_t)length - text.size();
    memset(field, ' ', pad);
    memcpy(field + pad, text.data(), text.size());
}

/* ---- Definitions -------------------------------------------------------- */

/* Non-empty decimal digits, as a number (large values stay large). */
static bool digitsValue(const char *text, long *value)
{
    if (text == NULL || *text == '\0') {
        return false;
    }
    long v = 0;
    for (const char *p = text; *p != '\0'; p++) {
        if (!isdigit((unsigned char)*p)) {
            return false;
        }
        if (v < 100000) v = v * 10 + (*p - '0');
    }
    *value = v;
    return true;
}

int checkdBaseField(unsigned char *desc, const char *name, const char *type, const char *length,
                    const char *decimals)
{
    if (name == NULL || type == NULL || strlen(name) > DBF_MAX_NAME || strchr(name, ' ') != NULL) {
        return 0;
    }
    long size = 0, places = 0;
    if (!digitsValue(length, &size) || !digitsValue(decimals, &places)) {
        return 0;
    }
    /* The descriptor holds the length in one byte. */
    if (size < 1 || size > DBF_MAX_FIELD || places >= size) {
        return 0;
    }
    if (strlen(type) != 1 || strchr("CDLMN", type[0]) == NULL) {
        return 0;
    }
    switch (type[0]) {
    case 'C':
    case 'L':
        if (places != 0) return 0;
        break;
    case 'D':
        if (size < 8 || places != 0) return 0;
        break;
    case 'M':
        if (size < 4 || places != 0) return 0;
        break;
    default:
        break;
    }
    memset(desc, 0, DBF_DESC_SIZE);
    memcpy(desc + DBF_DESC_NAME, name, strlen(name));
    desc[DBF_DESC_TYPE] = (unsigned char)type[0];
    desc[DBF_DESC_LENGTH] = (unsigned char)size;
    desc[DBF_DESC_DECIMALS] = (unsigned char)places;
    return 1;
}

/* ---- Setters ------------------------------------------------------------ */

static int parseDate(unsigned char *field, int length, const char *text)
{
    int yy, mm, dd;
    const char *p = text;
    if (!scanInt(&p, &yy) || *p++ != '/' || !scanInt(&p, &mm) || *p++ != '/'
        || !scanInt(&p, &dd)) {
        return 0;
    }
    /* The year is stored in four digits, the day in two. */
    if (yy < 0 || yy > 9999 - 2000 || mm < 0 || mm > 12 || dd < 0 || dd > 99) {
        return 0;
    }
    struct tm when;
    memset(&when, 0, sizeof(when));
    when.tm_year = 2000 + yy - 1900;
    when.tm_mon = mm - 1;
    when.tm_mday = dd;
    when.tm_sec = 1;
    when.tm_isdst = -1;
    if (mktime(&when) == (time_t)-1) {
        return 0;
    }
    char stored[16];
    snprintf(stored, sizeof(stored), "%4d%02d%02d", 2000 + yy, mm, dd);
    storeLeft(field, length, stored, strlen(stored));
    return 1;
}

static int parseLogical(unsigned char *field, int length, const char *text)
{
    while (*text == ' ') text++;
    if (*text == '\0' || strchr("YyNnTtFf?", *text) == NULL) {
        return 0;
    }
    storeLeft(field, length, text, 1);
    return 1;
}

static int parseMemo(unsigned char *field, int length, const char *text)
{
    int block;
    if (length != 10 || !scanInt(&text, &block)) {
        return 0;
    }
    char stored[32];
    snprintf(stored, sizeof(stored), "%10d", block);
    if (strlen(stored) != 10) {
        return 0;
    }
    memcpy(field, stored, 10);
    return 1;
}

static int parseNumber(unsigned char *field, int length, int decimals, const char *text)
{
    char *end = NULL;
    double value = strtod(text, &end);
    if (end == text || *end != '\0' || !isfinite(value)) {
        return 0;
    }
    char format[16];
    snprintf(format, sizeof(format), "%s%df", "%.", decimals);
    int size = snprintf(NULL, 0, format, value);
    if (size < 0 || size > length) {
        return 0;
    }
    std::string stored((size_t)size + 1, '\0');
    snprintf(&stored[0], stored.size(), format, value);
    stored.resize((size_t)size);
    storeRight(field, length, stored);
    return 1;
}

int dBaseParseValue(const unsigned char *desc, unsigned char *field, const char *text)
{
    int length = dBaseDescLength(desc);
    if (text == NULL || *text == '\0') {
        memset(field, ' ', (size_t)length);
        return 1;
    }
    switch (dBaseDescType(desc)) {
    case 'C':
        while (*text == ' ') text++;
        storeLeft(field, length, text, strlen(text));
        return 1;
    case 'D':
        return parseDate(field, length, text);
    case 'L':
        return parseLogical(field, length, text);
    case 'M':
        return parseMemo(field, length, text);
    case 'N':
        return parseNumber(field, length, dBaseDescDecimals(desc), text);
    default:
        /* A type this system does not edit keeps its bytes. */
        return 0;
    }
}

/* ---- Getters ------------------------------------------------------------ */

std::string dBaseFormatValue(const unsigned char *desc, const unsigned char *field)
{
    int length = dBaseDescLength(desc);
    int start = 0;
    while (start < length && isPad(field[start])) start++;
    const char *from = (const char *)field + start;
    int rest = length - start;
    switch (dBaseDescType(desc)) {
    case 'D': {
        std::string text = trimmed(field, length);
        if (rest < 8) {
            return text;
        }
        return std::string(from + 2, 2) + "/" + std::string(from + 4, 2) + "/"
               + std::string(from + 6, 2);
    }
    case 'L':
        return rest > 0 ? std::string(from, 1) : std::string();
    case 'M':
        return std::string(from, (size_t)rest);
    case 'N': {
        int end = start;
        while (end < length && !isPad(field[end])) end++;
        return std::string(from, (size_t)(end - start));
    }
    default:
        return trimmed(field, length);
    }
}

void dBaseDefaultValue(const unsigned char *desc, unsigned char *field)
{
    /* Blanks first: a default the setter refuses (a memo field that is
     * not 10 long) leaves the field blank, never unset. */
    memset(field, ' ', (size_t)dBaseDescLength(desc));
    switch (dBaseDescType(desc)) {
    case 'D': {
        time_t now = time(NULL);
        struct tm parts;
        if (gmtime_r(&now, &parts) != NULL) {
            char today[48];
            snprintf(today, sizeof(today), "%02d/%02d/%02d", parts.tm_year + 1900 - 2000,
                     parts.tm_mon + 1, parts.tm_mday);
            dBaseParseValue(desc, field, today);
        }
        break;
    }
    case 'L':
        dBaseParseValue(desc, field, "?");
        break;
    case 'M':
    case 'N':
        dBaseParseValue(desc, field, "0");
        break;
    default:
        break;
    }
}

void dBaseDefaultRecord(const dBaseTable *table, unsigned char *record)
{
    memset(record, ' ', (size_t)table->recordLength);
    for (int i = 0; i < table->nFields; i++) {
        dBaseDefaultValue(dBaseDescriptor(table, i), record + table->offsets[i]);
    }
}

/* ---- Fields of records -------------------------------------------------- */

static unsigned char *fieldBytes(const dBaseTable *table, int record, int field)
{
    return table->data + (size_t)record * (size_t)table->recordLength + table->offsets[field];
}

int setdBaseField(dBaseTable *table, int record, int field, const char *text)
{
    if (record < 0 || record >= table->nRecords || field < 0 || field >= table->nFields) {
        return 0;
    }
    if (!dBaseParseValue(dBaseDescriptor(table, field), fieldBytes(table, record, field), text)) {
        return 0;
    }
    table->modified = 1;
    return 1;
}

int setdBaseFields(dBaseTable *table, int record, int first, int n, const char *const *texts)
{
    if (record < 0 || record >= table->nRecords || first < 0 || n < 0
        || first > table->nFields - n) {
        return 0;
    }
    for (int i = 0; i < n; i++) {
        int field = first + i;
        if (!dBaseParseValue(dBaseDescriptor(table, field), fieldBytes(table, record, field),
                             texts[i])) {
            /* The fields set before stay set: the table has changed. */
            if (i > 0) table->modified = 1;
            return 0;
        }
    }
    table->modified = 1;
    return 1;
}

int parsedBaseRecord(unsigned char *fields, const dBaseTable *table, int n,
                     const char *const *texts)
{
    if (n > table->nFields) {
        return 0;
    }
    for (int i = 0; i < n; i++) {
        if (!dBaseParseValue(dBaseDescriptor(table, i), fields + table->offsets[i] - 1, texts[i])) {
            return 0;
        }
    }
    return 1;
}

std::string dBaseFieldText(const dBaseTable *table, int record, int field)
{
    if (record < 0 || record >= table->nRecords || field < 0 || field >= table->nFields) {
        return std::string();
    }
    return dBaseFormatValue(dBaseDescriptor(table, field), fieldBytes(table, record, field));
}

std::string dBaseRecordList(const dBaseTable *table, int record)
{
    if (table->nFields == 1) {
        return dBaseFieldText(table, record, 0);
    }
    std::string list;
    for (int i = 0; i < table->nFields; i++) {
        std::string text = dBaseFieldText(table, record, i);
        if (i > 0) list += ' ';
        if (text.empty() || text.find(' ') != std::string::npos) {
            list += '{' + text + '}';
        } else {
            list += text;
        }
    }
    return list;
}

int dBaseFieldIndex(const dBaseTable *table, const char *name)
{
    for (int i = 0; i < table->nFields; i++) {
        if (dBaseDescName(dBaseDescriptor(table, i)) == name) {
            return i;
        }
    }
    return -1;
}

unsigned char *dBaseFindField(const dBaseTable *table, const char *name)
{
    int i = dBaseFieldIndex(table, name);
    return i < 0 ? NULL : dBaseDescriptor(table, i);
}

int renamedBaseField(unsigned char *desc, const char *newName)
{
    size_t length = strlen(newName);
    if (length > DBF_MAX_NAME) {
        return 0;
    }
    memset(desc + DBF_DESC_NAME, 0, DBF_MAX_NAME + 1);
    memcpy(desc + DBF_DESC_NAME, newName, length);
    return 1;
}
