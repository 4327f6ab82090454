/*
 * custom_options.cpp --
 *
 *	Parse and print procedures of the custom option types and the
 *	Tk_CustomOption records that option tables refer to. Parsers leave
 *	the field untouched on error and append their message to the result.
 */
#include "core/custom_options.h"

#include "core/gmem.h"
#include "core/vocabulary.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

/* Longest part of a palette or comb value that is looked at. */
const size_t valueScanLimit = 255;

/* Converters of the options whose values are not vocabulary names: only
 * the name, for messages. */
IDConverter imgdesConverter = {"imgdes", NULL, NULL};
IDConverter fileConverter = {"file", NULL, NULL};
IDConverter paletteConverter = {"palette", NULL, NULL};
IDConverter combConverter = {"comb", NULL, NULL};

const char *converterName(ClientData clientData, const char *fallback)
{
    const IDConverter *converter = (const IDConverter *)clientData;
    return (converter != NULL && converter->name != NULL) ? converter->name : fallback;
}

void appendValueError(Tcl_Interp *interp, const char *lead, const char *value, const char *name)
{
    Tcl_AppendResult(interp, lead, value, " for ", name, (char *)NULL);
}

/*
 * copyForTcl --
 *	A tclAlloc'd copy of text (at least minSize bytes) with tclFreeProc
 *	as its free procedure, or "" with none when memory is short.
 */
const char *copyForTcl(const char *text, size_t minSize, Tcl_FreeProc **freeProcPtr)
{
    size_t length = strlen(text);
    size_t size = length + 1 > minSize ? length + 1 : minSize;
    char *copy = (char *)tclAlloc(size);
    if (copy == NULL) {
        *freeProcPtr = NULL;
        return "";
    }
    memset(copy, 0, size);
    memcpy(copy, text, length);
    *freeProcPtr = tclFreeProc;
    return copy;
}

/*
 * readCount --
 *	Reads piece (the whole of it: optional sign, then decimal digits)
 *	into *number. False for anything else or a value beyond 6 digits,
 *	which no palette level or band number reaches.
 */
bool readCount(const char *piece, size_t length, int *number)
{
    size_t i = 0;
    bool negative = false;
    if (i < length && (piece[i] == '+' || piece[i] == '-')) {
        negative = piece[i] == '-';
        i++;
    }
    if (i == length || length - i > 6) {
        return false;
    }
    int value = 0;
    for (; i < length; i++) {
        if (piece[i] < '0' || piece[i] > '9') {
            return false;
        }
        value = value * 10 + (piece[i] - '0');
    }
    *number = negative ? -value : value;
    return true;
}

/*
 * splitNumbers --
 *	Reads the numbers of the first valueScanLimit characters of value
 *	split at "/". Empty pieces are skipped when skipEmpty, else they are
 *	errors. Returns the count of numbers (up to 3 stored), or -1 for a
 *	piece that is not a number.
 */
int splitNumbers(const char *value, bool skipEmpty, int numbers[3])
{
    size_t length = strnlen(value, valueScanLimit);
    int count = 0;
    size_t start = 0;
    while (start <= length) {
        size_t end = start;
        while (end < length && value[end] != '/') {
            end++;
        }
        if (end > start || !skipEmpty) {
            int number;
            if (!readCount(value + start, end - start, &number)) {
                return -1;
            }
            if (count < 3) {
                numbers[count] = number;
            }
            count++;
        }
        start = end + 1;
    }
    return count;
}

}  // namespace

/*
 * ParseID --
 *	Stores the code of a vocabulary name in the int field at offset.
 */
extern "C" int ParseID(ClientData clientData, Tcl_Interp *interp, Tk_Window tkwin,
                       const char *value, char *record, int offset)
{
    const IDConverter *converter = (const IDConverter *)clientData;
    int code = (converter->nameToId != NULL && value != NULL) ? converter->nameToId(value) : -1;
    if (code >= 0) {
        *(int *)(record + offset) = code;
        return TCL_OK;
    }
    appendValueError(interp, "Invalid value: ", value ? value : "", converterName(clientData, ""));
    return TCL_ERROR;
}

/*
 * GetIDStr --
 *	A new copy of the name of the code in the int field at offset; its
 *	free procedure is tclFreeProc.
 */
extern "C" char *GetIDStr(ClientData clientData, Tk_Window tkwin, char *record, int offset,
                          Tcl_FreeProc **freeProcPtr)
{
    const IDConverter *converter = (const IDConverter *)clientData;
    const char *name = converter->idToName != NULL ? converter->idToName(*(int *)(record + offset))
                                                   : "";
    return (char *)copyForTcl(name, 0, freeProcPtr);
}

/* GetIDStr in the form of Tk's print procedure type. */
static const char *printID(ClientData clientData, Tk_Window tkwin, char *record, int offset,
                           Tcl_FreeProc **freeProcPtr)
{
    return GetIDStr(clientData, tkwin, record, offset, freeProcPtr);
}

/*
 * parseImgDesc --
 *	Copies a description of at most 255 characters into the field.
 */
int parseImgDesc(ClientData clientData, Tcl_Interp *interp, Tk_Window tkwin, const char *value,
                 char *record, int offset)
{
    size_t length = strlen(value);
    if (length >= OVEX_OPTION_TEXT_SIZE) {
        appendValueError(interp, "Error in parsing image description: ", value,
                         converterName(clientData, "imgdes"));
        return TCL_ERROR;
    }
    memcpy(record + offset, value, length + 1);
    return TCL_OK;
}

const char *printImgDesc(ClientData clientData, Tk_Window tkwin, char *record, int offset,
                         Tcl_FreeProc **freeProcPtr)
{
    char field[OVEX_OPTION_TEXT_SIZE];
    memcpy(field, record + offset, sizeof(field));
    field[sizeof(field) - 1] = '\0';
    return copyForTcl(field, OVEX_OPTION_TEXT_SIZE, freeProcPtr);
}

/*
 * parseFileOption --
 *	Copies the file name, "~" expanded, into the field when it fits.
 */
int parseFileOption(ClientData clientData, Tcl_Interp *interp, Tk_Window tkwin,
                    const char *value, char *record, int offset)
{
    Tcl_DString translated;
    /* No interpreter: a failed expansion is reported by our own message. */
    const char *name = Tcl_TranslateFileName(NULL, value, &translated);
    bool fits = name != NULL && strlen(name) < OVEX_OPTION_TEXT_SIZE;
    if (fits) {
        memcpy(record + offset, name, strlen(name) + 1);
    }
    if (name != NULL) {
        Tcl_DStringFree(&translated);
    }
    if (!fits) {
        appendValueError(interp, "Error in file name translation: ", value,
                         converterName(clientData, "file"));
        return TCL_ERROR;
    }
    return TCL_OK;
}

const char *printFileOption(ClientData clientData, Tk_Window tkwin, char *record, int offset,
                            Tcl_FreeProc **freeProcPtr)
{
    return printImgDesc(clientData, tkwin, record, offset, freeProcPtr);
}

/*
 * parsePalette --
 *	"default" (any case), n grey levels, or r/g/b colour-cube levels,
 *	each 1 to 256, into the PaletteLevels field.
 */
int parsePalette(ClientData clientData, Tcl_Interp *interp, Tk_Window tkwin, const char *value,
                 char *record, int offset)
{
    PaletteLevels *palette = (PaletteLevels *)(record + offset);

    if (strcasecmp(value, "default") == 0) {
        *palette = PaletteLevels{-1, 0, 0, 0};
        return TCL_OK;
    }
    int numbers[3];
    int count = splitNumbers(value, true, numbers);
    bool valid = count == 1 || count == 3;
    for (int i = 0; valid && i < count; i++) {
        valid = numbers[i] >= 1 && numbers[i] <= 256;
    }
    if (!valid) {
        appendValueError(interp, "Invalid value: ", value, converterName(clientData, "palette"));
        return TCL_ERROR;
    }
    if (count == 1) {
        *palette = PaletteLevels{numbers[0], 0, 0, 0};
    } else {
        *palette = PaletteLevels{0, numbers[0], numbers[1], numbers[2]};
    }
    return TCL_OK;
}

const char *printPalette(ClientData clientData, Tk_Window tkwin, char *record, int offset,
                         Tcl_FreeProc **freeProcPtr)
{
    const PaletteLevels *palette = (const PaletteLevels *)(record + offset);
    char text[64];
    if (palette->levels < 0) {
        snprintf(text, sizeof(text), "Default");
    } else if (palette->levels > 0) {
        snprintf(text, sizeof(text), "%d", palette->levels);
    } else {
        snprintf(text, sizeof(text), "%d/%d/%d", palette->red, palette->green, palette->blue);
    }
    return copyForTcl(text, 0, freeProcPtr);
}

/*
 * parseComb --
 *	One to three band numbers (0 or more, not all 0) joined by "/" into
 *	the BandCombination field.
 */
int parseComb(ClientData clientData, Tcl_Interp *interp, Tk_Window tkwin, const char *value,
              char *record, int offset)
{
    int numbers[3] = {0, 0, 0};
    int count = splitNumbers(value, false, numbers);
    bool valid = count >= 1 && count <= 3;
    bool anyBand = false;
    for (int i = 0; valid && i < count; i++) {
        valid = numbers[i] >= 0;
        anyBand = anyBand || numbers[i] > 0;
    }
    if (!valid || !anyBand) {
        appendValueError(interp, "Invalid value: ", value, converterName(clientData, "comb"));
        return TCL_ERROR;
    }
    BandCombination *comb = (BandCombination *)(record + offset);
    comb->count = count;
    for (int i = 0; i < 3; i++) {
        comb->band[i] = i < count ? numbers[i] : 0;
    }
    return TCL_OK;
}

const char *printComb(ClientData clientData, Tk_Window tkwin, char *record, int offset,
                      Tcl_FreeProc **freeProcPtr)
{
    const BandCombination *comb = (const BandCombination *)(record + offset);
    int count = comb->count < 1 ? 1 : (comb->count > 3 ? 3 : comb->count);
    char text[64];
    int used = snprintf(text, sizeof(text), "%d", comb->band[0]);
    for (int i = 1; i < count; i++) {
        used += snprintf(text + used, sizeof(text) - used, "/%d", comb->band[i]);
    }
    return copyForTcl(text, 0, freeProcPtr);
}

Tk_CustomOption imgidOption = {ParseID, printID, &imgidConverter};
Tk_CustomOption mapidOption = {ParseID, printID, &mapidConverter};
Tk_CustomOption pixelOption = {ParseID, printID, &pixelConverter};
Tk_CustomOption imgtypeOption = {ParseID, printID, &imgtypeConverter};
Tk_CustomOption funcOption = {ParseID, printID, &funcConverter};
Tk_CustomOption rangeOption = {ParseID, printID, &rangeConverter};
Tk_CustomOption rotationidOption = {ParseID, printID, &rotationidConverter};
Tk_CustomOption imgdesOption = {parseImgDesc, printImgDesc, &imgdesConverter};
Tk_CustomOption fileOption = {parseFileOption, printFileOption, &fileConverter};
Tk_CustomOption paletteOption = {parsePalette, printPalette, &paletteConverter};
Tk_CustomOption combOption = {parseComb, printComb, &combConverter};
