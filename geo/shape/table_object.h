/*
 * table_object.h --
 *
 *	Table objects: a dBase table as an object of type TABLE. The object
 *	record's slots (count, isSelected, clone, save, load, ...) are what
 *	other objects use to read a table, e.g. a shape object copying the
 *	table's selection. The instance command is split by concern: the
 *	dispatcher with the field, record and selection subcommands, the
 *	record pass of match, and the tab-separated data blocks.
 */
#ifndef OVEX_GEO_SHAPE_TABLE_OBJECT_H
#define OVEX_GEO_SHAPE_TABLE_OBJECT_H

#include <tcl.h>

#include <string>
#include <vector>

#include "geo/shape/dbase_table.h"
#include "ovex/ovex.h"

int gtableObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);

/* match predicateScript ?action?, after the word count was checked. */
int gtableMatch(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, const char *predicate,
                const char *action);
/* getdatablock / setdatablock, after the word count was checked. */
int gtableGetDataBlock(dBaseTable *table, Tcl_Interp *interp, const char *first, const char *last,
                       const char *fieldList);
int gtableSetDataBlock(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, const char *first,
                       const char *fieldList, const char *block);

/* Field indices of the names of a Tcl list; answers "Error in spliting
 * fieldList" or "Error in parsing fields" when it cannot. */
int gtableFieldIndices(Tcl_Interp *interp, const dBaseTable *table, const char *fieldList,
                       std::vector<int> *indices);

void gtableSetResult(Tcl_Interp *interp, const std::string &text);

/*
 * A record pass over a table that runs scripts: the object keeps a
 * reference and the table stays allocated (purges wait, a table let go
 * meanwhile is freed at the end) until the pass ends.
 */
class TablePass {
public:
    TablePass(RAMOBJ *obj, dBaseTable *table) : obj_(obj), table_(table)
    {
        objAcquire(obj_, NULL, NULL);
        dBaseBeginPass(table_);
    }
    ~TablePass()
    {
        dBaseEndPass(table_);
        objRelease(obj_, NULL, NULL);
    }
    TablePass(const TablePass &) = delete;
    TablePass &operator=(const TablePass &) = delete;

private:
    RAMOBJ *obj_;
    dBaseTable *table_;
};

#endif /* OVEX_GEO_SHAPE_TABLE_OBJECT_H */
