/*
 * table_blocks.cpp --
 *
 *	Data blocks: a rectangle of field texts as text, cells separated by
 *	a tab and records by a newline, read from a table (getdatablock) or
 *	written into it (setdatablock). A cell the field refuses is put to
 *	the user through the script procedure ovex.dialog, which answers
 *	whether to skip it or abort. Cells have no length limit.
 */
#include "geo/shape/table_object.h"

#include <string.h>

#include <algorithm>
#include <vector>

#include "core/package.h"

int gtableGetDataBlock(dBaseTable *table, Tcl_Interp *interp, const char *firstWord,
                       const char *lastWord, const char *fieldList)
{
    std::vector<int> fields;
    if (gtableFieldIndices(interp, table, fieldList, &fields) != TCL_OK) {
        return TCL_ERROR;
    }
    int first = std::max(ovexLenientInt(firstWord), 0);
    int last = std::min(ovexLenientInt(lastWord), table->nRecords - 1);
    std::string block;
    for (int record = first; record <= last; record++) {
        if (record > first) block += '\n';
        for (size_t k = 0; k < fields.size(); k++) {
            if (k > 0) block += '\t';
            block += dBaseFieldText(table, record, fields[k]);
        }
    }
    gtableSetResult(interp, block);
    return TCL_OK;
}

namespace {

enum CellAnswer { CELL_SET, CELL_SKIP, CELL_ABORT };

/*
 * askAboutCell --
 *	The refused cell put to the user: ovex.dialog with a Skip and an
 *	Abort button; an answer beginning with "0" skips. The message is
 *	one word of the call, whatever the cell holds.
 */
CellAnswer askAboutCell(Tcl_Interp *interp, const dBaseTable *table, int field, int record,
                        const std::string &cell, std::string *message)
{
    *message = "Error in parsing cell " + dBaseDescName(dBaseDescriptor(table, field)) + " at("
               + std::to_string(field) + "," + std::to_string(record) + ") for value:" + cell;
    const char *words[] = {"ovex.dialog", ".gtable_dialog", "gtable", message->c_str(),
                           "question", "0", "Skip", "Abort"};
    Tcl_Obj *call = Tcl_NewListObj(0, NULL);
    for (const char *word : words) {
        Tcl_ListObjAppendElement(NULL, call, Tcl_NewStringObj(word, -1));
    }
    Tcl_IncrRefCount(call);
    Tcl_EvalObjEx(interp, call, TCL_EVAL_DIRECT);
    Tcl_DecrRefCount(call);
    bool skip = Tcl_GetStringResult(interp)[0] == '0';
    Tcl_ResetResult(interp);
    Tcl_Eval(interp, "_busyIcon");
    Tcl_ResetResult(interp);
    return skip ? CELL_SKIP : CELL_ABORT;
}

}  // namespace

/*
 * gtableSetDataBlock --
 *	Writes the cells of block into the listed fields from record first
 *	on, appending records of defaults as rows go past the last one.
 */
int gtableSetDataBlock(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, const char *firstWord,
                       const char *fieldList, const char *block)
{
    int record = std::min(std::max(ovexLenientInt(firstWord), 0), table->nRecords);
    std::vector<int> fields;
    if (gtableFieldIndices(interp, table, fieldList, &fields) != TCL_OK) {
        return TCL_ERROR;
    }
    TablePass pass(obj, table);
    auto reachRecord = [&]() -> bool {
        return record < table->nRecords || adddBaseRecord(table, NULL, 1);
    };
    auto setCell = [&](size_t column, const std::string &cell) -> int {
        if (column >= fields.size()) {
            return TCL_OK;  /* cells beyond the field list are ignored */
        }
        int field = fields[column];
        if (field >= table->nFields || setdBaseField(table, record, field, cell.c_str())) {
            return TCL_OK;
        }
        std::string message;
        if (askAboutCell(interp, table, field, record, cell, &message) == CELL_SKIP) {
            return TCL_OK;
        }
        gtableSetResult(interp, message);
        return TCL_ERROR;
    };
    if (!reachRecord()) {
        gtableSetResult(interp, "Error in adding record");
        return TCL_ERROR;
    }
    std::string cell;
    size_t column = 0;
    for (const char *p = block; *p != '\0'; p++) {
        if (*p != '\t' && *p != '\n') {
            cell += *p;
            continue;
        }
        if (setCell(column, cell) != TCL_OK) {
            return TCL_ERROR;
        }
        cell.clear();
        column++;
        if (*p == '\n') {
            column = 0;
            record++;
            if (!reachRecord()) {
                gtableSetResult(interp, "Error in adding record");
                return TCL_ERROR;
            }
        }
    }
    /* The text after the last separator is the last cell; after a
     * closing newline there is none, and the new record keeps its
     * defaults. */
    if ((!cell.empty() || column > 0) && setCell(column, cell) != TCL_OK) {
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}
