/*
 * table_match.cpp --
 *
 *	The match subcommand: a predicate script run over every record,
 *	whose result selects records. The script is a template with record
 *	forms replaced before each evaluation:
 *	  %{INDEX}   the record index
 *	  %{RECORD}  the record as a list of its texts, in braces
 *	  %NAME      the text of field NAME, in braces; the name runs to the
 *	             next white space or the end of the script
 *	The template is checked once, before any record is visited. Scripts
 *	and texts have no length limit.
 */
#include "geo/shape/table_object.h"

#include <ctype.h>
#include <string.h>

#include <vector>

namespace {

enum Action { SELECT, UNSELECT, ASELECT, SELECTONLY, UNSELECTONLY, LIST };

struct Piece {
    enum Kind { TEXT, INDEX, RECORD, FIELD } kind;
    std::string text;  /* TEXT */
    int field;         /* FIELD */
};

/* The template as pieces; false when a % starts no known form. */
bool compileTemplate(const dBaseTable *table, const char *script, std::vector<Piece> *pieces)
{
    std::string text;
    auto flush = [&]() {
        if (!text.empty()) {
            pieces->push_back(Piece{Piece::TEXT, text, -1});
            text.clear();
        }
    };
    const char *p = script;
    while (*p != '\0') {
        if (*p != '%') {
            text += *p++;
            continue;
        }
        if (strncmp(p, "%{INDEX}", 8) == 0) {
            flush();
            pieces->push_back(Piece{Piece::INDEX, "", -1});
            p += 8;
            continue;
        }
        if (strncmp(p, "%{RECORD}", 9) == 0) {
            flush();
            pieces->push_back(Piece{Piece::RECORD, "", -1});
            p += 9;
            continue;
        }
        const char *name = ++p;
        while (*p != '\0' && !isspace((unsigned char)*p)) p++;
        std::string fieldName(name, (size_t)(p - name));
        int field = dBaseFieldIndex(table, fieldName.c_str());
        if (field < 0) {
            return false;
        }
        flush();
        pieces->push_back(Piece{Piece::FIELD, "", field});
    }
    flush();
    return true;
}

std::string expand(const dBaseTable *table, const std::vector<Piece> &pieces, int record)
{
    std::string script;
    for (const Piece &piece : pieces) {
        switch (piece.kind) {
        case Piece::TEXT:
            script += piece.text;
            break;
        case Piece::INDEX:
            script += std::to_string(record);
            break;
        case Piece::RECORD:
            script += '{' + dBaseRecordList(table, record) + '}';
            break;
        case Piece::FIELD:
            script += '{' + dBaseFieldText(table, record, piece.field) + '}';
            break;
        }
    }
    return script;
}

bool actionCode(const char *word, Action *action)
{
    static const struct { const char *name; Action code; } actions[] = {
        {"select", SELECT},           {"unselect", UNSELECT}, {"selectonly", SELECTONLY},
        {"unselectonly", UNSELECTONLY}, {"aselect", ASELECT}, {"list", LIST},
    };
    for (const auto &a : actions) {
        if (strcmp(word, a.name) == 0) {
            *action = a.code;
            return true;
        }
    }
    return false;
}

/* What the action does to a record after its predicate; true when the
 * record counts. */
bool apply(dBaseTable *table, int record, Action action, bool holds)
{
    switch (action) {
    case SELECT:
        if (holds) selectdBaseRecord(table, record);
        break;
    case UNSELECT:
        if (holds) unselectdBaseRecord(table, record);
        break;
    case ASELECT:
        if (holds) toggledBaseRecord(table, record);
        break;
    case SELECTONLY:
    case LIST:
        (holds ? selectdBaseRecord : unselectdBaseRecord)(table, record);
        break;
    case UNSELECTONLY:
        (holds ? unselectdBaseRecord : selectdBaseRecord)(table, record);
        break;
    }
    return holds;
}

}  // namespace

/*
 * gtableMatch --
 *	Runs the predicate over every record. Scripts may change the table
 *	meanwhile: records are counted afresh each time, purges wait for the
 *	end of the pass, and the object and table stay alive until then.
 */
int gtableMatch(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, const char *predicate,
                const char *actionWord)
{
    Action action;
    if (!actionCode(actionWord, &action)) {
        gtableSetResult(interp, "Unknown action");
        return TCL_ERROR;
    }
    std::vector<Piece> pieces;
    if (!compileTemplate(table, predicate, &pieces)) {
        gtableSetResult(interp, "Error in parse scripts");
        return TCL_ERROR;
    }
    TablePass pass(obj, table);
    int counted = 0;
    for (int record = 0; record < table->nRecords; record++) {
        std::string script = expand(table, pieces, record);
        /* return, break and continue end the script with its result. */
        if (Tcl_EvalEx(interp, script.data(), (int)script.size(), 0) == TCL_ERROR) {
            std::string message = Tcl_GetStringResult(interp);
            gtableSetResult(interp, message + "\nError in eval: " + script);
            return TCL_ERROR;
        }
        bool holds = Tcl_GetStringResult(interp)[0] == '1';
        if (record < table->nRecords && apply(table, record, action, holds)) {
            counted++;
        }
    }
    if (action != LIST) {
        Tcl_SetObjResult(interp, Tcl_NewIntObj(counted));
        return TCL_OK;
    }
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    for (int record = 0; record < table->nRecords; record++) {
        if (isdBaseSelected(table, record)) {
            Tcl_ListObjAppendElement(NULL, list, Tcl_NewIntObj(record));
        }
    }
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}
