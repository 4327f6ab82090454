/*
 * option_engine.cpp --
 *
 *	Table-driven option handling over Tk_ConfigSpec tables that works
 *	with or without a Tk main window. Results, messages and errorInfo
 *	follow Tk 8.6's Tk_ConfigureWidget family, so scripts see the same
 *	behaviour whichever engine serves a command.
 */
#include "core/option_engine.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

/* What one call works with: the window (may be NULL) and the entry
 * filter derived from the flags and the screen depth. */
struct OptionScope {
    Tcl_Interp *interp;
    Tk_Window tkwin;
    const Tk_ConfigSpec *specs;
    int needFlags;
    int hateFlags;
};

OptionScope makeScope(Tcl_Interp *interp, Tk_Window tkwin, const Tk_ConfigSpec *specs, int flags)
{
    OptionScope scope;
    scope.interp = interp;
    scope.tkwin = tkwin;
    scope.specs = specs;
    scope.needFlags = flags & ~(TK_CONFIG_USER_BIT - 1);
    /* Without a display we assume colour, as almost every screen is. */
    scope.hateFlags = (tkwin != NULL && Tk_Depth(tkwin) <= 1) ? TK_CONFIG_COLOR_ONLY
                                                              : TK_CONFIG_MONO_ONLY;
    return scope;
}

bool entrySelected(const OptionScope &scope, const Tk_ConfigSpec *spec)
{
    return (spec->specFlags & scope.needFlags) == scope.needFlags
        && !(spec->specFlags & scope.hateFlags);
}

bool sameText(const char *a, const char *b)
{
    return a == b || (a != NULL && b != NULL && strcmp(a, b) == 0);
}

void setLookupError(Tcl_Interp *interp, const char *format, const char *name)
{
    if (interp == NULL) {
        return;
    }
    Tcl_SetObjResult(interp, Tcl_ObjPrintf(format, name));
    Tcl_SetErrorCode(interp, "TK", "LOOKUP", "OPTION", name, (char *)NULL);
}

/*
 * findSpec --
 *	The entry that argvName (an option name or a unique abbreviation of
 *	one) selects, with synonyms followed; NULL with an "unknown option",
 *	"ambiguous option" or missing-synonym message in interp (if given).
 */
const Tk_ConfigSpec *findSpec(const OptionScope &scope, Tcl_Interp *interp, const char *argvName)
{
    size_t length = strlen(argvName);
    const Tk_ConfigSpec *match = NULL;

    /* "" and "-" abbreviate nothing: they would match every entry. */
    if (length >= 2) {
        for (const Tk_ConfigSpec *spec = scope.specs; spec->type != TK_CONFIG_END; spec++) {
            if (spec->argvName == NULL || strncmp(spec->argvName, argvName, length) != 0) {
                continue;
            }
            if (!entrySelected(scope, spec)) {
                continue;
            }
            if (spec->argvName[length] == '\0') {
                match = spec;
                break;
            }
            if (match != NULL) {
                setLookupError(interp, "ambiguous option \"%s\"", argvName);
                return NULL;
            }
            match = spec;
        }
    }
    if (match == NULL) {
        setLookupError(interp, "unknown option \"%s\"", argvName);
        return NULL;
    }
    if (match->type != TK_CONFIG_SYNONYM) {
        return match;
    }
    for (const Tk_ConfigSpec *spec = scope.specs; spec->type != TK_CONFIG_END; spec++) {
        if (spec->type != TK_CONFIG_SYNONYM && sameText(spec->dbName, match->dbName)
            && entrySelected(scope, spec)) {
            return spec;
        }
    }
    setLookupError(interp, "couldn't find synonym for option \"%s\"", argvName);
    return NULL;
}

/*
 * internUid --
 *	A text equal to value that lives as long as the process, the same one
 *	for equal values: a Tk uid when Tk is there, else one of our own.
 */
const char *internUid(Tk_Window tkwin, const char *value)
{
    if (tkwin != NULL) {
        return Tk_GetUid(value);
    }
    /* Never freed, like Tk's uid table; nodes keep their strings in place. */
    static std::unordered_set<std::string> *uids = new std::unordered_set<std::string>;
    return uids->insert(value).first->c_str();
}

bool needsDisplay(int type)
{
    switch (type) {
    case TK_CONFIG_COLOR:
    case TK_CONFIG_FONT:
    case TK_CONFIG_BITMAP:
    case TK_CONFIG_BORDER:
    case TK_CONFIG_RELIEF:
    case TK_CONFIG_CURSOR:
    case TK_CONFIG_ACTIVE_CURSOR:
    case TK_CONFIG_JUSTIFY:
    case TK_CONFIG_ANCHOR:
    case TK_CONFIG_CAP_STYLE:
    case TK_CONFIG_JOIN_STYLE:
    case TK_CONFIG_PIXELS:
    case TK_CONFIG_MM:
    case TK_CONFIG_WINDOW:
        return true;
    default:
        return false;
    }
}

/*
 * storeDisplayValue --
 *	Hands an option of a display-bound type to Tk; releases the resource
 *	the field held before. Needs scope.tkwin.
 */
int storeDisplayValue(const OptionScope &scope, const Tk_ConfigSpec *spec, const char *value,
                      bool nullValue, char *ptr)
{
    Tcl_Interp *interp = scope.interp;
    Tk_Window tkwin = scope.tkwin;

    switch (spec->type) {
    case TK_CONFIG_COLOR: {
        XColor *color = NULL;
        if (!nullValue && (color = Tk_GetColor(interp, tkwin, Tk_GetUid(value))) == NULL) {
            return TCL_ERROR;
        }
        if (*(XColor **)ptr != NULL) {
            Tk_FreeColor(*(XColor **)ptr);
        }
        *(XColor **)ptr = color;
        return TCL_OK;
    }
    case TK_CONFIG_FONT: {
        Tk_Font font = NULL;
        if (!nullValue && (font = Tk_GetFont(interp, tkwin, value)) == NULL) {
            return TCL_ERROR;
        }
        if (*(Tk_Font *)ptr != NULL) {
            Tk_FreeFont(*(Tk_Font *)ptr);
        }
        *(Tk_Font *)ptr = font;
        return TCL_OK;
    }
    case TK_CONFIG_BITMAP: {
        Pixmap bitmap = None;
        if (!nullValue && (bitmap = Tk_GetBitmap(interp, tkwin, Tk_GetUid(value))) == None) {
            return TCL_ERROR;
        }
        if (*(Pixmap *)ptr != None) {
            Tk_FreeBitmap(Tk_Display(tkwin), *(Pixmap *)ptr);
        }
        *(Pixmap *)ptr = bitmap;
        return TCL_OK;
    }
    case TK_CONFIG_BORDER: {
        Tk_3DBorder border = NULL;
        if (!nullValue && (border = Tk_Get3DBorder(interp, tkwin, Tk_GetUid(value))) == NULL) {
            return TCL_ERROR;
        }
        if (*(Tk_3DBorder *)ptr != NULL) {
            Tk_Free3DBorder(*(Tk_3DBorder *)ptr);
        }
        *(Tk_3DBorder *)ptr = border;
        return TCL_OK;
    }
    case TK_CONFIG_CURSOR:
    case TK_CONFIG_ACTIVE_CURSOR: {
        Tk_Cursor cursor = NULL;
        if (!nullValue && (cursor = Tk_GetCursor(interp, tkwin, Tk_GetUid(value))) == NULL) {
            return TCL_ERROR;
        }
        if (*(Tk_Cursor *)ptr != NULL) {
            Tk_FreeCursor(Tk_Display(tkwin), *(Tk_Cursor *)ptr);
        }
        *(Tk_Cursor *)ptr = cursor;
        if (spec->type == TK_CONFIG_ACTIVE_CURSOR) {
            Tk_DefineCursor(tkwin, cursor);
        }
        return TCL_OK;
    }
    case TK_CONFIG_RELIEF:
        return Tk_GetRelief(interp, Tk_GetUid(value), (int *)ptr);
    case TK_CONFIG_JUSTIFY:
        return Tk_GetJustify(interp, Tk_GetUid(value), (Tk_Justify *)ptr);
    case TK_CONFIG_ANCHOR:
        return Tk_GetAnchor(interp, Tk_GetUid(value), (Tk_Anchor *)ptr);
    case TK_CONFIG_CAP_STYLE:
        return Tk_GetCapStyle(interp, Tk_GetUid(value), (int *)ptr);
    case TK_CONFIG_JOIN_STYLE:
        return Tk_GetJoinStyle(interp, Tk_GetUid(value), (int *)ptr);
    case TK_CONFIG_PIXELS:
        if (nullValue) {
            *(int *)ptr = 0;
            return TCL_OK;
        }
        return Tk_GetPixels(interp, tkwin, value, (int *)ptr);
    case TK_CONFIG_MM:
        if (nullValue) {
            *(double *)ptr = 0.0;
            return TCL_OK;
        }
        return Tk_GetScreenMM(interp, tkwin, value, (double *)ptr);
    case TK_CONFIG_WINDOW: {
        Tk_Window window = NULL;
        if (!nullValue && (window = Tk_NameToWindow(interp, value, tkwin)) == NULL) {
            return TCL_ERROR;
        }
        *(Tk_Window *)ptr = window;
        return TCL_OK;
    }
    default:
        return TCL_ERROR;
    }
}

/*
 * storeValue --
 *	Parses value into the record field(s) of spec: the entry itself and
 *	the nameless entries that follow it (a group set by one option). On
 *	error the field keeps its value and interp holds the message.
 */
int storeValue(const OptionScope &scope, const Tk_ConfigSpec *spec, const char *value, char *record)
{
    Tcl_Interp *interp = scope.interp;
    bool nullValue = value[0] == '\0' && (spec->specFlags & TK_CONFIG_NULL_OK);

    do {
        char *ptr = record + spec->offset;
        switch (spec->type) {
        case TK_CONFIG_BOOLEAN:
            if (nullValue) {
                *(int *)ptr = 0;
            } else if (Tcl_GetBoolean(interp, value, (int *)ptr) != TCL_OK) {
                return TCL_ERROR;
            }
            break;
        case TK_CONFIG_INT:
            if (nullValue) {
                *(int *)ptr = 0;
            } else if (Tcl_GetInt(interp, value, (int *)ptr) != TCL_OK) {
                return TCL_ERROR;
            }
            break;
        case TK_CONFIG_DOUBLE:
            if (nullValue) {
                *(double *)ptr = 0.0;
            } else if (Tcl_GetDouble(interp, value, (double *)ptr) != TCL_OK) {
                return TCL_ERROR;
            }
            break;
        case TK_CONFIG_STRING: {
            char *newText = NULL;
            if (!nullValue) {
                size_t size = strlen(value) + 1;
                newText = (char *)attemptckalloc(size);
                if (newText == NULL) {
                    Tcl_SetObjResult(interp, Tcl_ObjPrintf(
                        "not enough memory to store \"%.40s\"", spec->argvName ? spec->argvName : ""));
                    return TCL_ERROR;
                }
                memcpy(newText, value, size);
            }
            /* Allocate before freeing, so a new value never reuses the old
             * address: callers compare the pointer to see a change. */
            char *oldText = *(char **)ptr;
            *(char **)ptr = newText;
            if (oldText != NULL) {
                ckfree(oldText);
            }
            break;
        }
        case TK_CONFIG_UID:
            *(const char **)ptr = nullValue ? NULL : internUid(scope.tkwin, value);
            break;
        case TK_CONFIG_CUSTOM:
            if (spec->customPtr->parseProc(spec->customPtr->clientData, interp, scope.tkwin,
                                           value, record, spec->offset) != TCL_OK) {
                return TCL_ERROR;
            }
            break;
        default:
            if (!needsDisplay(spec->type)) {
                Tcl_SetObjResult(interp, Tcl_ObjPrintf("bad config table: unknown type %d",
                                                       spec->type));
                Tcl_SetErrorCode(interp, "TK", "BAD_CONFIG", (char *)NULL);
                return TCL_ERROR;
            }
            if (scope.tkwin == NULL) {
                Tcl_SetObjResult(interp, Tcl_NewStringObj(OVEX_OPTION_NEEDS_DISPLAY, -1));
                return TCL_ERROR;
            }
            if (storeDisplayValue(scope, spec, value, nullValue, ptr) != TCL_OK) {
                return TCL_ERROR;
            }
            break;
        }
        spec++;
    } while (spec->argvName == NULL && spec->type != TK_CONFIG_END);
    return TCL_OK;
}

/*
 * formatDisplayValue --
 *	The text of a display-bound field; "" when there is no window.
 */
const char *formatDisplayValue(Tk_Window tkwin, const Tk_ConfigSpec *spec, const char *ptr,
                               char *buffer)
{
    switch (spec->type) {
    case TK_CONFIG_PIXELS:
        sprintf(buffer, "%d", *(const int *)ptr);
        return buffer;
    case TK_CONFIG_MM:
        Tcl_PrintDouble(NULL, *(const double *)ptr, buffer);
        return buffer;
    default:
        break;
    }
    if (tkwin == NULL) {
        return "";
    }
    switch (spec->type) {
    case TK_CONFIG_COLOR:
        return *(XColor *const *)ptr ? Tk_NameOfColor(*(XColor *const *)ptr) : "";
    case TK_CONFIG_FONT:
        return *(const Tk_Font *)ptr ? Tk_NameOfFont(*(const Tk_Font *)ptr) : "";
    case TK_CONFIG_BITMAP:
        return *(const Pixmap *)ptr != None ? Tk_NameOfBitmap(Tk_Display(tkwin), *(const Pixmap *)ptr)
                                            : "";
    case TK_CONFIG_BORDER:
        return *(const Tk_3DBorder *)ptr ? Tk_NameOf3DBorder(*(const Tk_3DBorder *)ptr) : "";
    case TK_CONFIG_CURSOR:
    case TK_CONFIG_ACTIVE_CURSOR:
        return *(const Tk_Cursor *)ptr ? Tk_NameOfCursor(Tk_Display(tkwin), *(const Tk_Cursor *)ptr)
                                       : "";
    case TK_CONFIG_RELIEF:
        return Tk_NameOfRelief(*(const int *)ptr);
    case TK_CONFIG_JUSTIFY:
        return Tk_NameOfJustify(*(const Tk_Justify *)ptr);
    case TK_CONFIG_ANCHOR:
        return Tk_NameOfAnchor(*(const Tk_Anchor *)ptr);
    case TK_CONFIG_CAP_STYLE:
        return Tk_NameOfCapStyle(*(const int *)ptr);
    case TK_CONFIG_JOIN_STYLE:
        return Tk_NameOfJoinStyle(*(const int *)ptr);
    case TK_CONFIG_WINDOW:
        return *(const Tk_Window *)ptr ? Tk_PathName(*(const Tk_Window *)ptr) : "";
    default:
        return "";
    }
}

/*
 * formatValue --
 *	The text of spec's field. *freeProc says how to release it (NULL:
 *	nothing to release); buffer holds numbers (TCL_DOUBLE_SPACE bytes).
 */
const char *formatValue(Tk_Window tkwin, const Tk_ConfigSpec *spec, char *record, char *buffer,
                        Tcl_FreeProc **freeProc)
{
    const char *ptr = record + spec->offset;
    const char *text = "";

    *freeProc = NULL;
    switch (spec->type) {
    case TK_CONFIG_BOOLEAN:
        text = *(const int *)ptr ? "1" : "0";
        break;
    case TK_CONFIG_INT:
        sprintf(buffer, "%d", *(const int *)ptr);
        text = buffer;
        break;
    case TK_CONFIG_DOUBLE:
        Tcl_PrintDouble(NULL, *(const double *)ptr, buffer);
        text = buffer;
        break;
    case TK_CONFIG_STRING:
    case TK_CONFIG_UID:
        text = *(const char *const *)ptr;
        break;
    case TK_CONFIG_CUSTOM:
        text = spec->customPtr->printProc(spec->customPtr->clientData, tkwin, record,
                                          spec->offset, freeProc);
        break;
    default:
        text = needsDisplay(spec->type) ? formatDisplayValue(tkwin, spec, ptr, buffer)
                                        : "?? unknown type ??";
        break;
    }
    return text != NULL ? text : "";
}

void releaseText(const char *text, Tcl_FreeProc *freeProc)
{
    if (freeProc == NULL || freeProc == TCL_VOLATILE) {
        return;
    }
    if (freeProc == TCL_DYNAMIC) {
        ckfree((char *)text);
    } else {
        freeProc((char *)text);
    }
}

/*
 * formatInfo --
 *	Appends to list the info list of spec: {-name dbName dbClass default
 *	current}, or {-name dbName} for a synonym.
 */
void formatInfo(Tk_Window tkwin, const Tk_ConfigSpec *spec, char *record, Tcl_DString *list)
{
    const char *words[5];
    words[0] = spec->argvName;
    words[1] = spec->dbName;
    if (spec->type == TK_CONFIG_SYNONYM) {
        Tcl_DStringAppendElement(list, words[0] ? words[0] : "");
        Tcl_DStringAppendElement(list, words[1] ? words[1] : "");
        return;
    }
    char buffer[TCL_DOUBLE_SPACE + 200];
    Tcl_FreeProc *freeProc;
    words[2] = spec->dbClass;
    words[3] = spec->defValue;
    words[4] = formatValue(tkwin, spec, record, buffer, &freeProc);
    for (const char *word : words) {
        Tcl_DStringAppendElement(list, word ? word : "");
    }
    releaseText(words[4], freeProc);
}

const char *wordAt(const char **argv, int index, int flags)
{
    return (flags & TK_CONFIG_OBJS) ? Tcl_GetString((Tcl_Obj *)argv[index]) : argv[index];
}

int countSpecs(const Tk_ConfigSpec *specs)
{
    int count = 0;
    while (specs[count].type != TK_CONFIG_END) {
        count++;
    }
    return count;
}

}  // namespace

/*
 * ovexConfigure --
 *	Applies name/value pairs to record, then (without ARGV_ONLY) the
 *	defaults of every selected option not given. TCL_ERROR stops at the
 *	first bad pair with the message in interp's result and a
 *	"(processing ...)" line in errorInfo; earlier pairs stay applied.
 */
int ovexConfigure(Tcl_Interp *interp, Tk_Window tkwin, const Tk_ConfigSpec *specs, int argc,
                  const char **argv, char *record, int flags)
{
    OptionScope scope = makeScope(interp, tkwin, specs, flags);
    std::vector<char> given(countSpecs(specs), 0);

    for (int i = 0; i < argc; i += 2) {
        const char *name = wordAt(argv, i, flags);
        const Tk_ConfigSpec *spec = findSpec(scope, interp, name);
        if (spec == NULL) {
            return TCL_ERROR;
        }
        if (i + 1 >= argc) {
            Tcl_SetObjResult(interp, Tcl_ObjPrintf("value for \"%s\" missing", name));
            Tcl_SetErrorCode(interp, "TK", "VALUE_MISSING", (char *)NULL);
            return TCL_ERROR;
        }
        if (storeValue(scope, spec, wordAt(argv, i + 1, flags), record) != TCL_OK) {
            Tcl_AppendObjToErrorInfo(interp, Tcl_ObjPrintf("\n    (processing \"%.40s\" option)",
                                                           spec->argvName));
            return TCL_ERROR;
        }
        given[spec - specs] = 1;
    }
    if (flags & TK_CONFIG_ARGV_ONLY) {
        return TCL_OK;
    }

    /* There is no option database to consult: defaults come from the
     * table alone, the same with and without a display. */
    for (const Tk_ConfigSpec *spec = specs; spec->type != TK_CONFIG_END; spec++) {
        if (given[spec - specs] || spec->argvName == NULL || spec->type == TK_CONFIG_SYNONYM
            || !entrySelected(scope, spec) || spec->defValue == NULL
            || (spec->specFlags & TK_CONFIG_DONT_SET_DEFAULT)) {
            continue;
        }
        if (storeValue(scope, spec, spec->defValue, record) != TCL_OK) {
            const char *dbName = spec->dbName ? spec->dbName : spec->argvName;
            if (tkwin != NULL) {
                Tcl_AppendObjToErrorInfo(interp, Tcl_ObjPrintf(
                    "\n    (default value for \"%.50s\" in widget \"%.50s\")", dbName,
                    Tk_PathName(tkwin)));
            } else {
                Tcl_AppendObjToErrorInfo(interp, Tcl_ObjPrintf(
                    "\n    (default value for \"%.50s\")", dbName));
            }
            return TCL_ERROR;
        }
    }
    return TCL_OK;
}

/*
 * ovexConfigureInfo --
 *	Sets the result to the info list of argvName, or to the list of the
 *	info lists of every selected option when argvName is NULL.
 */
int ovexConfigureInfo(Tcl_Interp *interp, Tk_Window tkwin, const Tk_ConfigSpec *specs,
                      char *record, const char *argvName, int flags)
{
    OptionScope scope = makeScope(interp, tkwin, specs, flags);
    Tcl_DString result;

    if (argvName != NULL) {
        const Tk_ConfigSpec *spec = findSpec(scope, interp, argvName);
        if (spec == NULL) {
            return TCL_ERROR;
        }
        Tcl_DStringInit(&result);
        formatInfo(tkwin, spec, record, &result);
        Tcl_DStringResult(interp, &result);
        return TCL_OK;
    }

    Tcl_DStringInit(&result);
    for (const Tk_ConfigSpec *spec = specs; spec->type != TK_CONFIG_END; spec++) {
        if (spec->argvName == NULL || !entrySelected(scope, spec)) {
            continue;
        }
        Tcl_DStringStartSublist(&result);
        formatInfo(tkwin, spec, record, &result);
        Tcl_DStringEndSublist(&result);
    }
    Tcl_DStringResult(interp, &result);
    return TCL_OK;
}

/*
 * ovexConfigureValue --
 *	Sets the result to the current value of argvName.
 */
int ovexConfigureValue(Tcl_Interp *interp, Tk_Window tkwin, const Tk_ConfigSpec *specs,
                       char *record, const char *argvName, int flags)
{
    OptionScope scope = makeScope(interp, tkwin, specs, flags);
    const Tk_ConfigSpec *spec = findSpec(scope, interp, argvName);
    if (spec == NULL) {
        return TCL_ERROR;
    }
    char buffer[TCL_DOUBLE_SPACE + 200];
    Tcl_FreeProc *freeProc;
    const char *text = formatValue(tkwin, spec, record, buffer, &freeProc);
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
    releaseText(text, freeProc);
    return TCL_OK;
}

/*
 * ovexFreeOptions --
 *	Releases what the fields of the selected entries own and clears
 *	them, so the record can be freed or configured again.
 */
void ovexFreeOptions(const Tk_ConfigSpec *specs, char *record, int needFlags, Display *display)
{
    for (const Tk_ConfigSpec *spec = specs; spec->type != TK_CONFIG_END; spec++) {
        if ((spec->specFlags & needFlags) != needFlags) {
            continue;
        }
        char *ptr = record + spec->offset;
        switch (spec->type) {
        case TK_CONFIG_STRING:
            if (*(char **)ptr != NULL) {
                ckfree(*(char **)ptr);
                *(char **)ptr = NULL;
            }
            break;
        case TK_CONFIG_COLOR:
            if (*(XColor **)ptr != NULL) {
                Tk_FreeColor(*(XColor **)ptr);
                *(XColor **)ptr = NULL;
            }
            break;
        case TK_CONFIG_FONT:
            if (*(Tk_Font *)ptr != NULL) {
                Tk_FreeFont(*(Tk_Font *)ptr);
                *(Tk_Font *)ptr = NULL;
            }
            break;
        case TK_CONFIG_BITMAP:
            if (display != NULL && *(Pixmap *)ptr != None) {
                Tk_FreeBitmap(display, *(Pixmap *)ptr);
                *(Pixmap *)ptr = None;
            }
            break;
        case TK_CONFIG_BORDER:
            if (*(Tk_3DBorder *)ptr != NULL) {
                Tk_Free3DBorder(*(Tk_3DBorder *)ptr);
                *(Tk_3DBorder *)ptr = NULL;
            }
            break;
        case TK_CONFIG_CURSOR:
        case TK_CONFIG_ACTIVE_CURSOR:
            if (display != NULL && *(Tk_Cursor *)ptr != NULL) {
                Tk_FreeCursor(display, *(Tk_Cursor *)ptr);
                *(Tk_Cursor *)ptr = NULL;
            }
            break;
        default:
            break;
        }
    }
}

/*
 * ovexOptionGiven --
 *	1 when argv's name/value pairs set the entry named optionName.
 */
int ovexOptionGiven(const Tk_ConfigSpec *specs, int argc, const char **argv,
                    const char *optionName, int flags)
{
    OptionScope scope = makeScope(NULL, NULL, specs, flags);
    for (int i = 0; i + 1 < argc; i += 2) {
        const Tk_ConfigSpec *spec = findSpec(scope, NULL, wordAt(argv, i, flags));
        if (spec != NULL && sameText(spec->argvName, optionName)) {
            return 1;
        }
    }
    return 0;
}
