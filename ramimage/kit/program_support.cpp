/*
 * program_support.cpp --
 *
 *	Option matching and band specifications of the program kit.
 */
#include "ramimage/kit/program_support.h"

#include <climits>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

/*
 * matchOptions --
 *	Takes the words in pairs (name, value). A name fills the first row of
 *	that exact name whose value is still unset, so a table may list one
 *	name twice to take it twice. An unknown name still consumes the word
 *	after it.
 * Returns: the number of names that filled no row.
 * Changes: every row's value (reset first).
 */
int matchOptions(ProgOption *table, int argc, const char *const *argv)
{
    for (ProgOption *row = table; row->name != NULL; row++) {
        row->value = NULL;
    }
    int unknown = 0;
    for (int i = 0; i < argc; i += 2) {
        ProgOption *match = NULL;
        for (ProgOption *row = table; row->name != NULL; row++) {
            if (row->value == NULL && strcmp(row->name, argv[i]) == 0) {
                match = row;
                break;
            }
        }
        if (match != NULL && i + 1 < argc) {
            match->value = argv[i + 1];
        } else {
            unknown++;
        }
    }
    return unknown;
}

/* Appends word to list, a space first when the list is not empty. */
static void appendWord(std::string &list, const char *word)
{
    if (!list.empty()) {
        list += ' ';
    }
    list += word;
}

/*
 * unmatchedOptionsText --
 *	Names the words that matchOptions could not place, the way it takes
 *	them (in pairs, each name filling the first free row of its name),
 *	and the options of table: "Unknown option -outt; valid options: -in
 *	-out ...". A name given more times than the table takes it is
 *	"repeated", a last name without its value has "no value".
 */
std::string unmatchedOptionsText(const ProgOption *table, int argc, const char *const *argv)
{
    int rows = 0;
    while (table[rows].name != NULL) {
        rows++;
    }
    std::vector<bool> taken((size_t)rows, false);
    std::string unknown, repeated, valueless;
    int unknownCount = 0, repeatedCount = 0;
    for (int i = 0; i < argc; i += 2) {
        bool named = false;
        int slot = -1;
        for (int k = 0; k < rows; k++) {
            if (strcmp(table[k].name, argv[i]) == 0) {
                named = true;
                if (!taken[(size_t)k]) {
                    slot = k;
                    break;
                }
            }
        }
        if (!named) {
            appendWord(unknown, argv[i]);
            unknownCount++;
        } else if (slot < 0) {
            appendWord(repeated, argv[i]);
            repeatedCount++;
        } else if (i + 1 >= argc) {
            appendWord(valueless, argv[i]);
        } else {
            taken[(size_t)slot] = true;
        }
    }
    std::string text;
    if (unknownCount > 0) {
        text += unknownCount > 1 ? "Unknown options " : "Unknown option ";
        text += unknown;
    }
    if (repeatedCount > 0) {
        text += text.empty() ? "" : "; ";
        text += repeatedCount > 1 ? "repeated options " : "repeated option ";
        text += repeated;
    }
    if (!valueless.empty()) {
        text += text.empty() ? "" : "; ";
        text += "no value after ";
        text += valueless;
    }
    if (!text.empty()) {
        text[0] = (char)toupper((unsigned char)text[0]);
    }
    std::string valid;
    for (int k = 0; k < rows; k++) {
        bool earlier = false;
        for (int j = 0; j < k && !earlier; j++) {
            earlier = strcmp(table[j].name, table[k].name) == 0;
        }
        if (!earlier) {
            appendWord(valid, table[k].name);
        }
    }
    text += "; valid options: ";
    text += valid;
    return text;
}

/*
 * readDigits --
 *	A run of decimal digits starting at text (no sign). Values beyond int
 *	stay at INT_MAX: no band or list entry is that large, so the caller
 *	refuses them by range or by room.
 * Returns: 1 with *value and *after (the first other character), or 0
 *	when text does not start with a digit.
 */
static int readDigits(const char *text, const char *end, int *value, const char **after)
{
    const char *p = text;
    long long number = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        number = number * 10 + (*p - '0');
        if (number > INT_MAX) {
            number = INT_MAX;
        }
        p++;
    }
    if (p == text) {
        return 0;
    }
    *value = (int)number;
    *after = p;
    return 1;
}

/* Stores one number; 0 when the list is full. */
static int storeNumber(int *out, int max, int *count, int number)
{
    if (*count >= max) {
        return 0;
    }
    out[(*count)++] = number;
    return 1;
}

/*
 * parseNumberSpan --
 *	parseNumberList over the characters text .. end. An empty token ends
 *	the list only at the end of the text ("" gives 0 numbers, "3," gives
 *	3); elsewhere it is a syntax error.
 */
static int parseNumberSpan(const char *text, const char *end, int *out, int max)
{
    int count = 0;
    const char *p = text;
    for (;;) {
        int first;
        const char *after;
        if (!readDigits(p, end, &first, &after)) {
            return p == end ? count : -1;
        }
        if (after < end && *after == '-') {
            int last;
            const char *rangeEnd;
            if (!readDigits(after + 1, end, &last, &rangeEnd)
                    || (rangeEnd < end && *rangeEnd != ',')) {
                return -1;
            }
            long long step = first <= last ? 1 : -1;
            for (long long number = first;; number += step) {
                if (!storeNumber(out, max, &count, (int)number)) {
                    return -1;
                }
                if (number == last) {
                    break;
                }
            }
            p = rangeEnd;
        } else if (after == end || *after == ',') {
            if (!storeNumber(out, max, &count, first)) {
                return -1;
            }
            p = after;
        } else {
            return -1;
        }
        if (p == end) {
            return count;
        }
        p++;  /* the comma */
    }
}

int parseNumberList(const char *text, int *out, int max)
{
    if (text == NULL) {
        return 0;
    }
    return parseNumberSpan(text, text + strlen(text), out, max);
}

/*
 * parseBandGroup --
 *	"in" or "in:out", each side a number list.
 * Returns: the number of pairs, or 0 for a wrong or empty side or sides
 *	of different counts.
 * Changes: inList and outList (up to max entries each).
 */
int parseBandGroup(int *inList, int *outList, int max, const char *group)
{
    const char *end = group + strlen(group);
    const char *colon = strchr(group, ':');
    int inCount = parseNumberSpan(group, colon != NULL ? colon : end, inList, max);
    if (inCount <= 0) {
        return 0;
    }
    if (colon == NULL) {
        memcpy(outList, inList, (size_t)inCount * sizeof(int));
        return inCount;
    }
    int outCount = parseNumberSpan(colon + 1, end, outList, max);
    return outCount == inCount ? inCount : 0;
}

/* Group separators of a band specification. */
static int isGroupSeparator(char c)
{
    return c == ';' || c == ',' || c == ' ' || c == '\t';
}

/*
 * parseBandParams --
 *	Without spec, the bands pair with themselves up to the smaller count.
 *	Otherwise each group of the band specification adds its pairs until the
 *	lists are full.
 * Returns: the number of pairs (0-based), or 0 on a malformed group
 *	(after its message) or a band out of range (silently).
 * Changes: inBands and outBands (MAX_BAND_PAIRS entries each).
 */
int parseBandParams(int nIn, int nOut, int *inBands, int *outBands, const char *spec)
{
    if (spec == NULL) {
        int n = nIn < nOut ? nIn : nOut;
        if (n > MAX_BAND_PAIRS) {
            n = MAX_BAND_PAIRS;
        }
        for (int k = 0; k < n; k++) {
            inBands[k] = k;
            outBands[k] = k;
        }
        return n > 0 ? n : 0;
    }

    size_t length = strlen(spec);
    char *copy = (char *)gmemAlloc(length + 1);
    if (copy == NULL) {
        return 0;
    }
    memcpy(copy, spec, length + 1);

    int pairs = 0;
    char *p = copy;
    while (pairs < MAX_BAND_PAIRS) {
        while (*p != '\0' && isGroupSeparator(*p)) {
            p++;
        }
        if (*p == '\0') {
            break;
        }
        char *group = p;
        while (*p != '\0' && !isGroupSeparator(*p)) {
            p++;
        }
        int more = (*p != '\0');
        *p = '\0';

        int added = parseBandGroup(inBands + pairs, outBands + pairs, MAX_BAND_PAIRS - pairs,
                                   group);
        if (added <= 0) {
            ovex_fprintf(stderr, "Error in band params.\n");
            gmemFree(copy);
            return 0;
        }
        for (int k = pairs; k < pairs + added; k++) {
            if (inBands[k] < 1 || inBands[k] > nIn || outBands[k] < 1 || outBands[k] > nOut) {
                gmemFree(copy);
                return 0;
            }
            inBands[k]--;
            outBands[k]--;
        }
        pairs += added;
        if (!more) {
            break;
        }
        p++;
    }
    gmemFree(copy);
    return pairs;
}
