/*
 * table_command.cpp --
 *
 *	The instance command of a table object: the shared object
 *	subcommands first, then define, then the table's own subcommands
 *	(fields, records, values, selection and deletion marks). A word is
 *	matched against the subcommands of its first letter in a fixed
 *	order, as a prefix of at least a given length or as the whole word.
 *	Indices count from 0; a word that is not a number reads as 0.
 */
#include "geo/shape/table_object.h"

#include <string.h>

#include <set>
#include <vector>

#include "core/option_engine.h"
#include "core/package.h"

namespace {

typedef int (SubProc)(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc,
                      const char **argv);

int fail(Tcl_Interp *interp, const char *message)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(message, -1));
    return TCL_ERROR;
}

/* "Usage: NAME WORD" and the pattern. */
int usage(Tcl_Interp *interp, const char **argv, const char *pattern)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv[0], " ", argv[1], pattern, (char *)NULL);
    return TCL_ERROR;
}

int intResult(Tcl_Interp *interp, int value)
{
    Tcl_SetObjResult(interp, Tcl_NewIntObj(value));
    return TCL_OK;
}

int readIndex(const char *word)
{
    return ovexLenientInt(word);
}

/* Tcl_SplitList into owned texts. */
bool splitList(const char *text, std::vector<std::string> *items)
{
    int count = 0;
    const char **words = NULL;
    if (Tcl_SplitList(NULL, text, &count, &words) != TCL_OK) {
        return false;
    }
    items->assign(words, words + count);
    Tcl_Free((char *)words);
    return true;
}

std::vector<const char *> pointers(const std::vector<std::string> &texts)
{
    std::vector<const char *> out;
    for (const std::string &text : texts) out.push_back(text.c_str());
    return out;
}

/* A descriptor from the text of one field definition {name type length
 * decimals}, false when it does not split into four or is refused. */
bool parseFieldDef(const char *text, unsigned char *desc)
{
    std::vector<std::string> parts;
    return splitList(text, &parts) && parts.size() == 4
           && checkdBaseField(desc, parts[0].c_str(), parts[1].c_str(), parts[2].c_str(),
                              parts[3].c_str());
}

/* ---- Fields ------------------------------------------------------------- */

int defineTable(RAMOBJ *obj, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) {
        return usage(interp, argv, " ?fieldDefs?");
    }
    dBaseTable *fresh = newdBase();
    if (fresh == NULL) {
        return fail(interp, "Error in parsing field definition");
    }
    for (int i = 2; i < argc; i++) {
        unsigned char desc[DBF_DESC_SIZE];
        if (!parseFieldDef(argv[i], desc) || !adddBaseField(fresh, 1, desc, NULL)) {
            freedBase(fresh);
            return fail(interp, "Error in parsing field definition");
        }
    }
    if (obj->data != NULL) {
        obj->freeData(obj->data);
    }
    obj->data = fresh;
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* The field rules of addfields and insertfields; descs and values get
 * what the table operation takes. */
int parseNewFields(Tcl_Interp *interp, const dBaseTable *table, const char *defList,
                   const char *fieldList, std::vector<unsigned char> *descs,
                   std::vector<std::string> *values)
{
    std::vector<std::string> defs;
    if (!splitList(defList, &defs)) {
        return fail(interp, "Error in parsing fieldDefList");
    }
    descs->assign(defs.size() * DBF_DESC_SIZE, 0);
    std::set<std::string> names;
    bool duplicated = false;
    for (size_t i = 0; i < defs.size(); i++) {
        unsigned char *desc = descs->data() + i * DBF_DESC_SIZE;
        if (!parseFieldDef(defs[i].c_str(), desc)) {
            return fail(interp, "Error in parsing fieldDef");
        }
        std::string name = dBaseDescName(desc);
        if (dBaseFieldIndex(table, name.c_str()) >= 0) {
            return fail(interp, "Field alreay exists");
        }
        duplicated = duplicated || !names.insert(name).second;
    }
    if (duplicated) {
        return fail(interp, "Can't add duplicated fields");
    }
    if (defs.empty()) {
        return fail(interp, "Error in parsing fieldDefList");
    }
    if (fieldList != NULL && (!splitList(fieldList, values) || values->size() != defs.size())) {
        return fail(interp, "Error in parsing fieldList");
    }
    return TCL_OK;
}

int addFields(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3 && argc != 4) {
        return usage(interp, argv, " fieldDefList [fieldList]");
    }
    std::vector<unsigned char> descs;
    std::vector<std::string> values;
    if (parseNewFields(interp, table, argv[2], argc == 4 ? argv[3] : NULL, &descs, &values)
        != TCL_OK) {
        return TCL_ERROR;
    }
    std::vector<const char *> texts = pointers(values);
    if (!adddBaseField(table, (int)(descs.size() / DBF_DESC_SIZE), descs.data(),
                       argc == 4 ? texts.data() : NULL)) {
        return fail(interp, "Error in adding fields");
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int insertFields(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4 && argc != 5) {
        return usage(interp, argv, " position fieldDefList [fieldList]");
    }
    int position = readIndex(argv[2]);
    if (position < 0 || position > table->nFields) {
        return fail(interp, "Invalid position to insert fields");
    }
    std::vector<unsigned char> descs;
    std::vector<std::string> values;
    if (parseNewFields(interp, table, argv[3], argc == 5 ? argv[4] : NULL, &descs, &values)
        != TCL_OK) {
        return TCL_ERROR;
    }
    std::vector<const char *> texts = pointers(values);
    if (!insertdBaseFieldsAt(table, (int)(descs.size() / DBF_DESC_SIZE), descs.data(),
                             argc == 5 ? texts.data() : NULL, position)) {
        return fail(interp, "Error in adding fields");
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int deleteFields(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) {
        return usage(interp, argv, " ?fieldNames?");
    }
    std::vector<int> indices;
    for (int i = 2; i < argc; i++) {
        int field = dBaseFieldIndex(table, argv[i]);
        if (field < 0) {
            return fail(interp, "Invalid fieldName");
        }
        indices.push_back(field);
    }
    if (!deletedBaseFields(table, (int)indices.size(), indices.data())) {
        return fail(interp, "Error in deleting fields");
    }
    objUpdate(obj);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int renameField(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4) {
        return usage(interp, argv, " fieldName newFieldName");
    }
    unsigned char *desc = dBaseFindField(table, argv[2]);
    if (desc == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "can't find field ", argv[2], (char *)NULL);
        return TCL_ERROR;
    }
    if (!renamedBaseField(desc, argv[3])) {
        return fail(interp, "the new field name is too large");
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int fieldInfo(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int, const char **)
{
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    for (int i = 0; i < table->nFields; i++) {
        const unsigned char *desc = dBaseDescriptor(table, i);
        Tcl_ListObjAppendElement(
            NULL, list,
            Tcl_ObjPrintf("%s %c %d %d", dBaseDescName(desc).c_str(), dBaseDescType(desc),
                          dBaseDescLength(desc), dBaseDescDecimals(desc)));
    }
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

/* ---- Records ------------------------------------------------------------ */

/* A record buffer (marker byte first) parsed from a list of one text
 * per field. 1 ok, 0 the list does not fit, -1 a text was refused. */
int recordFromList(const dBaseTable *table, const char *list, std::vector<unsigned char> *record)
{
    std::vector<std::string> texts;
    if (!splitList(list, &texts) || (int)texts.size() != table->nFields) {
        return 0;
    }
    record->assign((size_t)table->recordLength, ' ');
    std::vector<const char *> p = pointers(texts);
    return parsedBaseRecord(record->data() + 1, table, table->nFields, p.data()) ? 1 : -1;
}

int addRecord(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc > 3) {
        return usage(interp, argv, " [record]");
    }
    std::vector<unsigned char> record;
    if (argc == 3) {
        int parsed = recordFromList(table, argv[2], &record);
        if (parsed == 0) return fail(interp, "Error in parsing fieldList");
        if (parsed < 0) return fail(interp, "Error in parsing fields");
    }
    if (!adddBaseRecord(table, argc == 3 ? record.data() : NULL, 1)) {
        return fail(interp, "Error in adding record");
    }
    sortdBase(table, 1);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int insertRecords(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) {
        return usage(interp, argv, " position ?nRecords? ?recordList?");
    }
    int position = readIndex(argv[2]);
    int n = argc > 3 ? readIndex(argv[3]) : 1;
    int lists = argc > 4 ? argc - 4 : 0;
    /* Record lists land on the records from position on: they may not
     * reach past the last record there will be. */
    if (position < 0 || position > table->nRecords || n < 1
        || (long)position + lists > (long)table->nRecords + n) {
        return fail(interp, "Invalid record number or position");
    }
    if (!insertdBaseRecordsAt(table, NULL, n, position)) {
        return fail(interp, "Error in inserting record");
    }
    sortdBase(table, 1);
    for (int k = 0; k < lists; k++) {
        std::vector<unsigned char> record;
        int parsed = recordFromList(table, argv[4 + k], &record);
        if (parsed == 0) return fail(interp, "Error in parsing fieldList");
        if (parsed < 0) return fail(interp, "Error in parsing fields");
        memcpy(table->data + (size_t)(position + k) * (size_t)table->recordLength, record.data(),
               record.size());
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int eraseRecords(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3 && argc != 4) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, argv[0], " ", argv[1], " position ?nRecords?", (char *)NULL);
        return TCL_ERROR;
    }
    int position = readIndex(argv[2]);
    if (position < 0 || position >= table->nRecords) {
        return fail(interp, "Invalid record position");
    }
    long count = argc == 4 ? readIndex(argv[3]) : 1;
    long last = (long)position + count - 1;
    if (last < position) last = position;
    if (last > table->nRecords - 1) last = table->nRecords - 1;
    deletedBaseRecords(table, position, (int)last);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int purgeRecords(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int, const char **)
{
    packdBase(table);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int recordSize(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int, const char **)
{
    return intResult(interp, table->recordLength);
}

bool validIndex(const dBaseTable *table, int record)
{
    return record >= 0 && record < table->nRecords;
}

int getField(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4) {
        return usage(interp, argv, " recordIndex fieldIndex");
    }
    int record = readIndex(argv[2]), field = readIndex(argv[3]);
    if (!validIndex(table, record) || field < 0 || field >= table->nFields) {
        return fail(interp, "Invalid index");
    }
    gtableSetResult(interp, dBaseFieldText(table, record, field));
    return TCL_OK;
}

int getRecord(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc > 3) {
        return usage(interp, argv, " [index]");
    }
    int record = argc == 3 ? readIndex(argv[2]) : 0;
    if (!validIndex(table, record)) {
        return fail(interp, "Invalid index");
    }
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);
    for (int i = 0; i < table->nFields; i++) {
        std::string text = dBaseFieldText(table, record, i);
        Tcl_ListObjAppendElement(NULL, list, Tcl_NewStringObj(text.data(), (int)text.size()));
    }
    Tcl_SetObjResult(interp, list);
    return TCL_OK;
}

int getIndex(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc > 3) {
        return usage(interp, argv, " [index]");
    }
    Tcl_ResetResult(interp);
    if (argc == 2) {
        return TCL_OK;
    }
    int position = readIndex(argv[2]);
    if (!validIndex(table, position)) {
        return fail(interp, "Invalid index");
    }
    return intResult(interp, table->order[position]);
}

int getStatus(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc > 3) {
        return usage(interp, argv, " [index]");
    }
    int record = argc == 3 ? readIndex(argv[2]) : 0;
    if (!validIndex(table, record)) {
        return fail(interp, "Invalid index");
    }
    return intResult(interp, table->flags[record]);
}

int isSelected(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) {
        return usage(interp, argv, " index");
    }
    int record = readIndex(argv[2]);
    if (!validIndex(table, record)) {
        return fail(interp, "Invalid index");
    }
    return intResult(interp, isdBaseSelected(table, record));
}

int setField(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 5) {
        return usage(interp, argv, " recIndex fieldIndex ?fieldItems?");
    }
    int record = readIndex(argv[2]), field = readIndex(argv[3]);
    int k = argc - 4;
    if (!validIndex(table, record) || field < 0 || field > table->nFields - k) {
        return fail(interp, "Invalid index");
    }
    if (!setdBaseFields(table, record, field, k, argv + 4)) {
        return fail(interp, "Error in setting fields");
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int setRecord(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4) {
        return usage(interp, argv, " recIndex fieldList");
    }
    int record = readIndex(argv[2]);
    if (!validIndex(table, record)) {
        return fail(interp, "Invalid index");
    }
    /* Parsed into a copy, so a refused text changes nothing. */
    std::vector<unsigned char> bytes;
    unsigned char *stored = table->data + (size_t)record * (size_t)table->recordLength;
    if (recordFromList(table, argv[3], &bytes) != 1) {
        return fail(interp, "Error in parsing fieldList");
    }
    memcpy(stored + 1, bytes.data() + 1, bytes.size() - 1);
    table->modified = 1;
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int setBlank(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 6) {
        return usage(interp, argv, " x0 y0 x1 y1");
    }
    blankdBaseBlock(table, readIndex(argv[3]), readIndex(argv[2]), readIndex(argv[5]), readIndex(argv[4]));
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int countSelections(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int, const char **)
{
    return intResult(interp, countSelecteddBaseRecords(table));
}

int countDeletions(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int, const char **)
{
    return intResult(interp, countDeleteddBaseRecords(table));
}

int getDataBlock(RAMOBJ *, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 5) {
        return usage(interp, argv, " firstRecord lastRecord fieldList");
    }
    return gtableGetDataBlock(table, interp, argv[2], argv[3], argv[4]);
}

int setDataBlock(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 5) {
        return usage(interp, argv, " firstRecord fieldList dataBlock");
    }
    return gtableSetDataBlock(obj, table, interp, argv[2], argv[3], argv[4]);
}

int matchRecords(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3 && argc != 4) {
        return usage(interp, argv,
                     " predicateScript action (select unselect selectonly unselectonly aselect list)");
    }
    return gtableMatch(obj, table, interp, argv[2], argc == 4 ? argv[3] : "list");
}

/* ---- Selection and deletion marks --------------------------------------- */

/*
 * marks --
 *	Applies one mark to each index of argv from word 2, or to every
 *	record when none is given. Stops at the first index out of range,
 *	keeping the marks made before it; notifies the object's users only
 *	after a complete run. Deletion marks reorder the table first
 *	(sortLive as for sortdBase; NO_SORT for other marks).
 */
const int NO_SORT = -1;

int marks(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv,
          void (*mark)(dBaseTable *, int), const char *badIndex, int sortLive = NO_SORT)
{
    if (argc == 2) {
        for (int r = 0; r < table->nRecords; r++) mark(table, r);
    }
    for (int i = 2; i < argc; i++) {
        int record = readIndex(argv[i]);
        if (!validIndex(table, record)) {
            return fail(interp, badIndex);
        }
        mark(table, record);
    }
    if (sortLive != NO_SORT) {
        sortdBase(table, sortLive);
    }
    objUpdate(obj);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int selectRecords(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    return marks(obj, table, interp, argc, argv, selectdBaseRecord, "Invalid index");
}

int unselectRecords(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    return marks(obj, table, interp, argc, argv, unselectdBaseRecord, "Invalid index");
}

int toggleRecords(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    return marks(obj, table, interp, argc, argv, toggledBaseRecord, "Invalid index");
}

int selectOnly(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    unselectAlldBaseRecords(table);
    if (argc == 2) {
        objUpdate(obj);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    return marks(obj, table, interp, argc, argv, selectdBaseRecord, "Invalid index");
}

int unselectOnly(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    selectAlldBaseRecords(table);
    if (argc == 2) {
        objUpdate(obj);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    return marks(obj, table, interp, argc, argv, unselectdBaseRecord, "Invalid index");
}

int deleteRecords(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    return marks(obj, table, interp, argc, argv, markdBaseDeleted, "Invalid record index", 0);
}

int undeleteRecords(RAMOBJ *obj, dBaseTable *table, Tcl_Interp *interp, int argc, const char **argv)
{
    return marks(obj, table, interp, argc, argv, unmarkdBaseDeleted, "Invalid index", 1);
}

/* ---- Dispatch ----------------------------------------------------------- */

struct Subcommand {
    const char *name;
    int minLength;  /* 0: the whole word */
    SubProc *proc;
};

const Subcommand subcommands[] = {
    {"addfields", 3, addFields},
    {"addrecord", 3, addRecord},
    {"aselect", 3, toggleRecords},
    {"countselections", 6, countSelections},
    {"countdeletions", 6, countDeletions},
    {"deletefields", 7, deleteFields},
    {"deleterecords", 7, deleteRecords},
    {"eraserecords", 5, eraseRecords},
    {"getdatablock", 4, getDataBlock},
    {"getfield", 4, getField},
    {"getrecord", 4, getRecord},
    {"getindex", 4, getIndex},
    {"getstatus", 4, getStatus},
    {"info", 0, fieldInfo},
    {"insertfields", 7, insertFields},
    {"insertrecords", 7, insertRecords},
    {"isselected", 5, isSelected},
    {"match", 3, matchRecords},
    {"purge", 4, purgeRecords},
    {"recordsize", 4, recordSize},
    {"renamefield", 0, renameField},
    {"select", 0, selectRecords},
    {"selectonly", 0, selectOnly},
    {"setdatablock", 7, setDataBlock},
    {"setblank", 0, setBlank},
    {"setfield", 0, setField},
    {"setrecord", 0, setRecord},
    {"undeleterecord", 5, undeleteRecords},
    {"unselect", 5, unselectRecords},
    {"unselectonly", 5, unselectOnly},
};

const Subcommand *findSubcommand(const char *word)
{
    size_t length = strlen(word);
    for (const Subcommand &sub : subcommands) {
        if (sub.name[0] != word[0]) continue;
        bool matched = sub.minLength == 0
                           ? strcmp(word, sub.name) == 0
                           : length >= (size_t)sub.minLength && strncmp(word, sub.name, length) == 0
                                 && length <= strlen(sub.name);
        if (matched) return &sub;
    }
    return NULL;
}

/*
 * A table made by define has no file. The shared configure would take
 * the missing -file as a request to drop the table; options that leave
 * -file alone must not lose it.
 */
bool keepsDefinedTable(RAMOBJ *obj, Tcl_Interp *, int argc, const char **argv)
{
    return argc > 3 && ovexMatchWord(argv[1], "configure", 4) && obj->data != NULL
           && (obj->file == NULL || obj->file[0] == '\0')
           && !ovexOptionGiven(objectConfigSpecs, argc - 2, argv + 2, "-file", TK_CONFIG_ARGV_ONLY);
}

int configureKeepingTable(RAMOBJ *obj, Tcl_Interp *interp, int argc, const char **argv)
{
    if (ovexConfigure(interp, ovexMainWindow(interp), objectConfigSpecs, argc - 2, argv + 2,
                      (char *)obj, TK_CONFIG_ARGV_ONLY) != TCL_OK) {
        return TCL_ERROR;
    }
    objUpdate(obj);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

}  // namespace

void gtableSetResult(Tcl_Interp *interp, const std::string &text)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text.data(), (int)text.size()));
}

int gtableFieldIndices(Tcl_Interp *interp, const dBaseTable *table, const char *fieldList,
                       std::vector<int> *indices)
{
    std::vector<std::string> names;
    if (!splitList(fieldList, &names)) {
        return fail(interp, "Error in spliting fieldList");
    }
    indices->clear();
    for (const std::string &name : names) {
        int field = dBaseFieldIndex(table, name.c_str());
        if (field < 0) {
            return fail(interp, "Error in parsing fields");
        }
        indices->push_back(field);
    }
    return TCL_OK;
}

/*
 * gtableObjCmd --
 *	The command of a table object.
 */
int gtableObjCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ *obj = (RAMOBJ *)clientData;
    if (argc < 2) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Usage: ", argv[0],
                         " [addfields addrecord aselect config cget class clone close count "
                         "countdeletions countselections deletefields deleterecords eraserecords "
                         "getdatablock getfield getindex getrecord getstatus info insertfields "
                         "insertrecords isselected match modified purge recordsize renamefield "
                         "select selectonly setblank setdatablock setfield setrecord "
                         "undeleterecords unselect unselectonly version]",
                         (char *)NULL);
        return TCL_ERROR;
    }
    if (keepsDefinedTable(obj, interp, argc, argv)) {
        return configureKeepingTable(obj, interp, argc, argv);
    }
    int code = objDefCommand(clientData, interp, argc, argv);
    if (code != TCL_CONTINUE) {
        return code;
    }
    if (strcmp(argv[1], "define") == 0) {
        return defineTable(obj, interp, argc, argv);
    }
    dBaseTable *table = (dBaseTable *)obj->data;
    if (table == NULL) {
        return fail(interp, "Undefined object");
    }
    const Subcommand *sub = findSubcommand(argv[1]);
    if (sub != NULL) {
        return sub->proc(obj, table, interp, argc, argv);
    }
    if (argv[1][0] == 'r' && strlen(argv[1]) >= 4) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    return fail(interp, "Unknown command");
}
