// The dBase table layer: stored forms of values by type, field
// definitions, record and field editing, the reader's checks of a file
// against its header, and the table object's record slots and change
// notices as other objects see them.
#include <gtest/gtest.h>
#include <string.h>
#include <tcl.h>

#include <string>
#include <vector>

#include "core/inits.h"
#include "core/objects.h"
#include "geo/shape/dbase_table.h"
#include "kit/fixture_kit.h"

namespace {

using fixture::Bytes;

struct Desc {
    unsigned char bytes[DBF_DESC_SIZE];
};

Desc field(const char *name, const char *type, const char *length, const char *decimals)
{
    Desc d;
    EXPECT_EQ(checkdBaseField(d.bytes, name, type, length, decimals), 1)
        << name << " " << type << " " << length << " " << decimals;
    return d;
}

/* The stored bytes of text set into an empty field, or "REFUSED". */
std::string stored(const Desc &d, const char *text)
{
    std::string bytes(dBaseDescLength(d.bytes), '#');
    if (!dBaseParseValue(d.bytes, (unsigned char *)&bytes[0], text)) {
        return "REFUSED";
    }
    return bytes;
}

std::string shown(const Desc &d, const std::string &bytes)
{
    return dBaseFormatValue(d.bytes, (const unsigned char *)bytes.data());
}

TEST(DbaseValues, SetterStoredFormsAndGetterTexts)
{
    struct Case {
        const char *def[4];
        const char *text;
        const char *stored;
        const char *shown;
    } cases[] = {
        {{"N", "N", "5", "2"}, "1.5", " 1.50", "1.50"},
        {{"N", "N", "5", "2"}, "123.456", "REFUSED", ""},
        {{"N", "N", "5", "2"}, "12a", "REFUSED", ""},
        {{"N", "N", "5", "2"}, "12 ", "REFUSED", ""},
        {{"N", "N", "5", "2"}, "  -1", "-1.00", "-1.00"},
        {{"N", "N", "5", "2"}, "inf", "REFUSED", ""},
        {{"N", "N", "5", "2"}, "", "     ", ""},
        {{"N", "N", "6", "0"}, "42.4", "    42", "42"},
        {{"D", "D", "8", "0"}, "24/03/15", "20240315", "24/03/15"},
        {{"D", "D", "10", "0"}, "24/3/5", "20240305  ", "24/03/05"},
        {{"D", "D", "8", "0"}, "24/13/15", "REFUSED", ""},
        {{"D", "D", "8", "0"}, "-1/03/15", "REFUSED", ""},
        {{"D", "D", "8", "0"}, "7999/12/31", "99991231", "99/12/31"},
        {{"D", "D", "8", "0"}, "8000/01/01", "REFUSED", ""},
        {{"D", "D", "8", "0"}, "24/03/100", "REFUSED", ""},
        {{"D", "D", "8", "0"}, "24/03", "REFUSED", ""},
        {{"L", "L", "1", "0"}, "yes", "y", "y"},
        {{"L", "L", "3", "0"}, "  T", "T  ", "T"},
        {{"L", "L", "1", "0"}, "x", "REFUSED", ""},
        {{"M", "M", "10", "0"}, "42", "        42", "42"},
        {{"M", "M", "10", "0"}, "-2147483648", "REFUSED", ""},
        {{"M", "M", "8", "0"}, "42", "REFUSED", ""},
        {{"M", "M", "8", "0"}, "", "        ", ""},
        {{"C", "C", "3", "0"}, "  abcd", "abc", "abc"},
        {{"C", "C", "3", "0"}, "a", "a  ", "a"},
    };
    for (const Case &c : cases) {
        Desc d = field(c.def[0], c.def[1], c.def[2], c.def[3]);
        std::string bytes = stored(d, c.text);
        EXPECT_EQ(bytes, c.stored) << c.def[1] << " " << c.text;
        if (bytes != "REFUSED") {
            EXPECT_EQ(shown(d, bytes), c.shown) << c.def[1] << " " << c.text;
        }
    }
    /* Getters of texts that other writers store. */
    Desc c3 = field("C", "C", "3", "0");
    EXPECT_EQ(shown(c3, " a "), "a");
    Desc n5 = field("N", "N", "5", "0");
    EXPECT_EQ(shown(n5, std::string("  7\0\0", 5)), "7");
    Desc d8 = field("D", "D", "8", "0");
    EXPECT_EQ(shown(d8, "        "), "");
}

TEST(DbaseValues, DefaultsNeverLeaveAByteUnset)
{
    struct Case {
        const char *def[4];
        const char *value;
    } cases[] = {
        {{"C", "C", "4", "0"}, "    "},
        {{"L", "L", "2", "0"}, "? "},
        {{"M", "M", "10", "0"}, "         0"},
        {{"M", "M", "8", "0"}, "        "},  /* the setter refuses "0" here */
        {{"N", "N", "5", "2"}, " 0.00"},
        {{"N", "N", "2", "1"}, "  "},        /* "0.0" does not fit */
    };
    for (const Case &c : cases) {
        Desc d = field(c.def[0], c.def[1], c.def[2], c.def[3]);
        std::string bytes(dBaseDescLength(d.bytes), '#');
        dBaseDefaultValue(d.bytes, (unsigned char *)&bytes[0]);
        EXPECT_EQ(bytes, c.value) << c.def[1] << c.def[2];
    }
    Desc date = field("D", "D", "8", "0");
    std::string today(8, '#');
    dBaseDefaultValue(date.bytes, (unsigned char *)&today[0]);
    time_t now = time(NULL);
    struct tm parts;
    gmtime_r(&now, &parts);
    char expect[16];
    snprintf(expect, sizeof expect, "%04d%02d%02d", parts.tm_year + 1900, parts.tm_mon + 1,
             parts.tm_mday);
    EXPECT_EQ(today, expect);
}

TEST(DbaseValues, FieldDefinitions)
{
    struct Case {
        const char *name, *type, *length, *decimals;
        int accepted;
    } cases[] = {
        {"NAME", "C", "255", "0", 1},  {"NAME", "C", "256", "0", 0}, {"", "C", "1", "0", 1},
        {"TENCHARSXX", "C", "1", "0", 1}, {"ELEVENCHARS", "C", "1", "0", 0},
        {"A B", "C", "1", "0", 0},     {"A", "C", "0", "0", 0},      {"A", "C", "", "0", 0},
        {"A", "C", "1", "", 0},        {"A", "C", "+1", "0", 0},     {"A", "C", "4", "1", 0},
        {"A", "N", "4", "3", 1},       {"A", "N", "4", "4", 0},      {"A", "D", "7", "0", 0},
        {"A", "D", "8", "0", 1},       {"A", "M", "3", "0", 0},      {"A", "M", "4", "0", 1},
        {"A", "L", "1", "1", 0},       {"A", "F", "8", "2", 0},      {"A", "CC", "4", "0", 0},
        {"A", "c", "4", "0", 0},       {"A", "N", "99999999999999", "0", 0},
    };
    for (const Case &c : cases) {
        unsigned char desc[DBF_DESC_SIZE];
        memset(desc, 0xEE, sizeof desc);
        EXPECT_EQ(checkdBaseField(desc, c.name, c.type, c.length, c.decimals), c.accepted)
            << c.name << " " << c.type << " " << c.length << " " << c.decimals;
        if (c.accepted) {
            EXPECT_EQ(dBaseDescName(desc), c.name);
            EXPECT_EQ(desc[DBF_DESC_LENGTH], atoi(c.length));
            EXPECT_EQ(desc[12], 0);
            EXPECT_EQ(desc[31], 0);
        }
    }
}

/* A table of fields {A C 3}, {B N 4 1} with the given records. */
dBaseTable *smallTable(int records)
{
    dBaseTable *t = newdBase();
    Desc a = field("A", "C", "3", "0"), b = field("B", "N", "4", "1");
    EXPECT_TRUE(adddBaseField(t, 1, a.bytes, NULL));
    EXPECT_TRUE(adddBaseField(t, 1, b.bytes, NULL));
    for (int i = 0; i < records; i++) {
        EXPECT_TRUE(adddBaseRecord(t, NULL, 1));
        std::string text = std::to_string(i);
        EXPECT_TRUE(setdBaseField(t, i, 0, text.c_str()));
    }
    return t;
}

std::string recordBytes(const dBaseTable *t, int record)
{
    return std::string((const char *)t->data + (size_t)record * t->recordLength,
                       (size_t)t->recordLength);
}

std::vector<int> order(const dBaseTable *t)
{
    return std::vector<int>(t->order, t->order + t->nRecords);
}

TEST(DbaseEdit, FieldsAreAddedInsertedAndRemovedInEveryRecord)
{
    dBaseTable *t = smallTable(2);
    EXPECT_EQ(recordBytes(t, 1), " 1   0.0");
    Desc c = field("C", "C", "4", "0");
    const char *shortValue[] = {"xy"};  /* padded, never read past */
    ASSERT_TRUE(insertdBaseFieldsAt(t, 1, c.bytes, shortValue, 1));
    EXPECT_EQ(recordBytes(t, 1), " 1  xy   0.0");
    EXPECT_EQ(t->headLength, 32 + 3 * 32 + 1);
    EXPECT_EQ(dbfGet16(t->head + DBF_HEAD_RECLEN), 1u + 3 + 4 + 4);
    int gone[] = {0, 0};
    ASSERT_TRUE(deletedBaseFields(t, 2, gone));
    EXPECT_EQ(t->nFields, 2);
    EXPECT_EQ(recordBytes(t, 0), " xy   0.0");
    EXPECT_EQ(deletedBaseFields(t, 0, gone), 0);
    int all[] = {0, 1};
    ASSERT_TRUE(deletedBaseFields(t, 2, all));
    EXPECT_EQ(t->recordLength, 1);
    EXPECT_EQ(recordBytes(t, 1), " ");
    freedBase(t);
}

TEST(DbaseEdit, RecordBlockGrowsBy1024AndShrinksToFit)
{
    dBaseTable *t = smallTable(0);
    ASSERT_TRUE(adddBaseRecord(t, NULL, 1));
    EXPECT_EQ(t->dataCapacity, 1024u * t->recordLength);
    EXPECT_EQ(t->orderCapacity, 1024);
    ASSERT_TRUE(adddBaseRecord(t, NULL, 1023));
    EXPECT_EQ(t->dataCapacity, 1024u * t->recordLength);
    ASSERT_TRUE(adddBaseRecord(t, NULL, 1));
    EXPECT_EQ(t->dataCapacity, 2048u * t->recordLength);
    EXPECT_EQ(deletedBaseRecords(t, 10, 5000), 1015);
    EXPECT_EQ(t->nRecords, 10);
    EXPECT_EQ(t->dataCapacity, 10u * t->recordLength);
    EXPECT_EQ(deletedBaseRecords(t, -3, 100), 10);
    EXPECT_EQ(t->nRecords, 0);
    EXPECT_EQ(dbfGet32(t->head + DBF_HEAD_COUNT), 0u);
    freedBase(t);
}

TEST(DbaseEdit, InsertedRecordsShiftTheOrderIndex)
{
    dBaseTable *t = smallTable(3);
    markdBaseDeleted(t, 0);
    sortdBase(t, 0);
    EXPECT_EQ(order(t), (std::vector<int>{1, 2, 0}));
    ASSERT_TRUE(insertdBaseRecordsAt(t, NULL, 2, 1));
    EXPECT_EQ(order(t), (std::vector<int>{3, 1, 2, 4, 0}));
    EXPECT_EQ(dBaseFieldText(t, 3, 0), "1");
    EXPECT_EQ(t->flags[0], DBF_DELETED);
    EXPECT_EQ(t->flags[1], DBF_SELECTED);
    sortdBase(t, 1);
    EXPECT_EQ(order(t), (std::vector<int>{1, 2, 3, 4, 0}));
    freedBase(t);
}

TEST(DbaseEdit, PurgeWaitsForTheEndOfAPass)
{
    dBaseTable *t = smallTable(4);
    markdBaseDeleted(t, 1);
    markdBaseDeleted(t, 3);
    dBaseBeginPass(t);
    EXPECT_EQ(packdBase(t), 0);
    EXPECT_EQ(t->nRecords, 4);
    EXPECT_EQ(dBaseEndPass(t), 1);
    EXPECT_EQ(t->nRecords, 2);
    EXPECT_EQ(dBaseFieldText(t, 1, 0), "2");
    EXPECT_EQ(order(t), (std::vector<int>{0, 1}));
    markdBaseDeleted(t, 0);
    markdBaseDeleted(t, 1);
    EXPECT_EQ(packdBase(t), 2);
    EXPECT_EQ(dbfGet32(t->head + DBF_HEAD_COUNT), 0u);
    /* A table let go during a pass is freed when the pass ends. */
    dBaseBeginPass(t);
    releasedBase(t);
    EXPECT_EQ(dBaseEndPass(t), 0);
}

TEST(DbaseEdit, CopiesKeepBytesOrBlankTheMarker)
{
    dBaseTable *t = smallTable(3);
    t->data[1 * t->recordLength] = '*';
    unselectdBaseRecord(t, 0);
    dBaseTable *all = copydBase(t, 0, NULL, 0);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(recordBytes(all, 1), recordBytes(t, 1));
    EXPECT_EQ(countSelecteddBaseRecords(all), 3);
    EXPECT_EQ(all->modified, 1);
    int second[] = {1};
    dBaseTable *some = copydBase(t, 1, second, 1);
    ASSERT_NE(some, nullptr);
    EXPECT_EQ(some->nRecords, 2);
    EXPECT_EQ(recordBytes(some, 0), "  0.0");
    unselectAlldBaseRecords(t);
    EXPECT_EQ(copydBase(t, 0, NULL, 1), nullptr);
    dBaseTable *exact = clonedBase(t);
    EXPECT_EQ(exact->flags[2], 0);
    EXPECT_EQ(recordBytes(exact, 1), recordBytes(t, 1));
    freedBase(all);
    freedBase(some);
    freedBase(exact);
    freedBase(t);
}

TEST(DbaseEdit, RecordListBracesEmptyAndBlankTexts)
{
    dBaseTable *t = newdBase();
    Desc a = field("A", "C", "5", "0"), b = field("B", "C", "5", "0"), c = field("C", "C", "5", "0");
    adddBaseField(t, 1, a.bytes, NULL);
    adddBaseField(t, 1, b.bytes, NULL);
    adddBaseField(t, 1, c.bytes, NULL);
    adddBaseRecord(t, NULL, 1);
    const char *texts[] = {"a b", "", "c"};
    ASSERT_TRUE(setdBaseFields(t, 0, 0, 3, texts));
    EXPECT_EQ(dBaseRecordList(t, 0), "{a b} {} c");
    blankdBaseBlock(t, 0, 2, 0, 0);
    EXPECT_EQ(dBaseRecordList(t, 0), "{} {} {}");
    freedBase(t);
}

/* ---- Files ---------------------------------------------------------------- */

/* A dBase file of fields {A C 3} {B N 4 1} and records as given. */
Bytes dbfFile(const std::vector<std::string> &records, int version = 3)
{
    Bytes b(32, 0);
    b[0] = (unsigned char)version;
    b[1] = 124;
    b[2] = 3;
    b[3] = 15;
    dbfPut32(&b[4], (uint32_t)records.size());
    dbfPut16(&b[8], 32 + 64 + 1);
    dbfPut16(&b[10], 8);
    const char *defs[][3] = {{"A", "C", "\3"}, {"B", "N", "\4"}};
    for (auto &d : defs) {
        Bytes desc(32, 0);
        desc[0] = (unsigned char)d[0][0];
        desc[11] = (unsigned char)d[1][0];
        desc[16] = (unsigned char)d[2][0];
        desc[17] = d[1][0] == 'N' ? 1 : 0;
        b.insert(b.end(), desc.begin(), desc.end());
    }
    b.push_back(0x0D);
    for (const std::string &r : records) b.insert(b.end(), r.begin(), r.end());
    b.push_back(0x1A);
    return b;
}

TEST(DbaseFile, ReaderRefusesWhatTheHeaderDoesNotHold)
{
    fixture::ScratchDir dir("dbf");
    Bytes good = dbfFile({" abc 1.5", "*xyz-2.0"});
    struct Case {
        const char *label;
        size_t truncateTo;   /* 0: whole */
        int at;              /* byte changed, -1 none */
        unsigned char value;
        int status;          /* -1: read */
    } cases[] = {
        {"whole", 0, -1, 0, -1},
        {"no 0x1A at the end", good.size() - 1, -1, 0, -1},
        {"shorter than the fixed header", 20, -1, 0, 1},
        {"version 4", 0, 0, 4, 1},
        {"version 0x83", 0, 0, 0x83, -1},
        {"header length below 33", 0, 8, 32, 1},
        {"header length past the file", 0, 9, 2, 1},
        {"record shorter than its fields", 0, 10, 7, 1},
        {"data shorter than the count", good.size() - 4, -1, 0, 2},
        {"count beyond the data", 0, 4, 3, 2},
        {"huge count", 0, 7, 0x80, 2},
    };
    for (const Case &c : cases) {
        Bytes bytes = good;
        if (c.truncateTo) bytes.resize(c.truncateTo);
        if (c.at >= 0) bytes[(size_t)c.at] = c.value;
        std::string path = dir.at("t.dbf");
        ASSERT_TRUE(fixture::writeBytes(path, bytes));
        int status = -1;
        dBaseTable *t = readdBase(path.c_str(), &status);
        EXPECT_EQ(t == nullptr ? status : -1, c.status) << c.label;
        if (t != nullptr) {
            EXPECT_EQ(t->nRecords, 2) << c.label;
            EXPECT_EQ(dBaseFieldText(t, 1, 1), "-2.0") << c.label;
            EXPECT_EQ(t->flags[1], DBF_SELECTED) << c.label;
            freedBase(t);
        }
    }
    int status = -1;
    EXPECT_EQ(readdBase(dir.at("none.dbf").c_str(), &status), nullptr);
    EXPECT_EQ(status, 0);
}

TEST(DbaseFile, SpareHeaderBytesAfterTheTerminatorStillRead)
{
    fixture::ScratchDir dir("dbf");
    for (int spare : {1, 31, 40}) {
        Bytes b = dbfFile({" abc 1.5"});
        b.insert(b.begin() + 32 + 64 + 1, (size_t)spare, 0);
        dbfPut16(&b[8], (unsigned)(32 + 64 + 1 + spare));
        ASSERT_TRUE(fixture::writeBytes(dir.at("s.dbf"), b));
        int status = -1;
        dBaseTable *t = readdBase(dir.at("s.dbf").c_str(), &status);
        ASSERT_NE(t, nullptr) << spare;
        EXPECT_EQ(t->nFields, 2) << spare;
        EXPECT_EQ(dBaseFieldText(t, 0, 0), "abc") << spare;
        /* Saved as read. */
        ASSERT_TRUE(writedBase(dir.at("o.dbf").c_str(), t, 0, &status));
        EXPECT_EQ(fixture::readBytes(dir.at("o.dbf")), b) << spare;
        freedBase(t);
    }
}

TEST(DbaseFile, SelectedOnlyWritesTheirCountAndRecords)
{
    fixture::ScratchDir dir("dbf");
    Bytes b = dbfFile({" abc 1.5", "*xyz-2.0", " q     3"}, 0x83);
    ASSERT_TRUE(fixture::writeBytes(dir.at("in.dbf"), b));
    int status = -1;
    dBaseTable *t = readdBase(dir.at("in.dbf").c_str(), &status);
    ASSERT_NE(t, nullptr);
    unselectdBaseRecord(t, 0);
    ASSERT_TRUE(writedBase(dir.at("sel.dbf").c_str(), t, 1, &status));
    EXPECT_EQ(fixture::readBytes(dir.at("sel.dbf")),
              dbfFile({"*xyz-2.0", " q     3"}, 0x83));
    EXPECT_EQ(std::string(t->name), dir.at("sel.dbf"));
    EXPECT_EQ(status, -1);
    EXPECT_EQ(writedBase(dir.at("missing/x.dbf").c_str(), t, 0, &status), 0);
    EXPECT_EQ(status, 0);
    freedBase(t);
}

/* ---- The object's slots and notices ------------------------------------- */

struct TableObjects : ::testing::Test {
    Tcl_Interp *interp = Tcl_CreateInterp();
    void SetUp() override { ASSERT_EQ(Gtable_Init(interp), TCL_OK); }
    ~TableObjects() override { Tcl_DeleteInterp(interp); }
    std::string eval(const char *script)
    {
        EXPECT_EQ(Tcl_Eval(interp, script), TCL_OK) << script << ": "
                                                    << Tcl_GetStringResult(interp);
        return Tcl_GetStringResult(interp);
    }
};

void countNotice(RAMOBJ *, ClientData data)
{
    ++*(int *)data;
}

TEST_F(TableObjects, SlotsGiveCountAndSelectionToOtherObjects)
{
    eval("gtable.create t; t define {A C 3 0}; t addrecord; t addrecord; t addrecord;"
         "t deleterecords 1; t unselect 2");
    RAMOBJ *obj = NULL;
    ASSERT_EQ(openObject(interp, OBJ_TABLE, "t", &obj), TCL_OK);
    EXPECT_EQ(obj->count(obj), 3);
    EXPECT_EQ(obj->isSelected(obj, 0), 1);
    EXPECT_EQ(obj->isSelected(obj, 1), 0);
    EXPECT_EQ(obj->isSelected(obj, 2), 0);
    EXPECT_EQ(obj->isSelected(obj, 3), 0);
    EXPECT_EQ(obj->subtype(obj), 256);
    EXPECT_EQ(obj->interface, nullptr);
    EXPECT_EQ(obj->modified(obj), 1);
    /* The table outlives its command while a user holds it. */
    eval("rename t {}");
    EXPECT_EQ(obj->count(obj), 3);
    closeObject(obj);
    EXPECT_FALSE(objIsRegistered(obj));
}

TEST_F(TableObjects, SelectionAndDeletionChangesNotifyUsers)
{
    eval("gtable.create t; t define {A C 3 0}; t addrecord; t addrecord; t addfields {{B C 2 0}}");
    RAMOBJ *obj = NULL;
    ASSERT_EQ(openObject(interp, OBJ_TABLE, "t", &obj), TCL_OK);
    int notices = 0;
    ASSERT_TRUE(objAcquire(obj, countNotice, &notices));
    struct Case {
        const char *script;
        int notices;
    } cases[] = {
        {"t select 0", 1},        {"t unselect", 1},          {"t aselect 1", 1},
        {"t selectonly 0", 1},    {"t unselectonly 1", 1},    {"t deleterecords 1", 1},
        {"t undeleterecord 1", 1}, {"t deletefields B", 1},   {"t addrecord", 0},
        {"t setfield 0 0 x", 0},  {"t purge", 0},             {"t match {expr 1}", 0},
        {"catch {t select 9}", 0},
    };
    for (const Case &c : cases) {
        notices = 0;
        eval(c.script);
        EXPECT_EQ(notices, c.notices) << c.script;
    }
    objRelease(obj, countNotice, &notices);
    closeObject(obj);
}

}  // namespace
