// The shape objects' access table and RAMOBJ slots, as the canvas uses
// them; the match subcommand over a table object's generic slots; and the
// record operations of the data set.
#include <gtest/gtest.h>
#include <string.h>
#include <tcl.h>

#include <string>
#include <vector>

#include "core/inits.h"
#include "core/objects.h"
#include "geo/shape/shape_file.h"
#include "geo/shape/shape_object.h"

namespace {

std::vector<double> doubles(const void *p, int n)
{
    std::vector<double> v((size_t)n);
    if (n > 0) memcpy(v.data(), p, sizeof(double) * (size_t)n);
    return v;
}

struct ShapeObjects : ::testing::Test {
    Tcl_Interp *interp = Tcl_CreateInterp();
    void SetUp() override { ASSERT_EQ(Shape_Init(interp), TCL_OK); }
    ~ShapeObjects() override { Tcl_DeleteInterp(interp); }
    std::string eval(const char *script, int want = TCL_OK)
    {
        int code = Tcl_Eval(interp, script);
        EXPECT_EQ(code, want) << script << ": " << Tcl_GetStringResult(interp);
        return Tcl_GetStringResult(interp);
    }
    RAMOBJ *open(const char *name)
    {
        RAMOBJ *obj = NULL;
        EXPECT_EQ(openObject(interp, OBJ_SHAPE, name, &obj), TCL_OK);
        return obj;
    }
};

TEST_F(ShapeObjects, AccessTableFifteenProcedures)
{
    eval("shape.create s");
    RAMOBJ *obj = open("s");
    ASSERT_NE(obj, nullptr);
    const ShapeAccessTable *t = (const ShapeAccessTable *)obj->interface;
    ASSERT_EQ(t, &shapeAccessTable);
    EXPECT_EQ(obj->count(obj), 0);
    EXPECT_EQ(obj->subtype(obj), 0);

    // 1: reset makes preset records of a class, numbered and selected.
    const int parts[] = {1, 2}, points[] = {2, 4};
    ShapeFile *sf = t->reset(obj, SHAPE_CLASS_LINE, parts, points, 2);
    ASSERT_NE(sf, nullptr);
    EXPECT_EQ(obj->data, sf);
    EXPECT_EQ(getShapeFileType(sf), SHP_POLYLINE);
    EXPECT_EQ(obj->count(obj), 2);
    EXPECT_EQ(obj->subtype(obj), SHAPE_CLASS_LINE);
    EXPECT_EQ(t->recordNumber(obj, 0), 1);
    EXPECT_EQ(t->recordNumber(obj, 1), 2);
    EXPECT_EQ(t->countSelected(obj), 2);

    // 5: geometry fills the counts the record was made with, no more.
    const double line0[] = {0, 0, 2, 1};
    const int p0[] = {2};
    EXPECT_EQ(t->setGeometry(obj, 0, line0, 2, p0, 1, NULL, NULL, NULL), 2);
    const double line1[] = {5, 5, 6, 6, 7, 5, 9, 9};
    const int p1[] = {2, 2};
    EXPECT_EQ(t->setGeometry(obj, 1, line1, 4, p1, 2, NULL, NULL, NULL), 4);
    EXPECT_EQ(t->setGeometry(obj, 0, line1, 4, p1, 2, NULL, NULL, NULL), 0);
    const int tooMany[] = {3};
    EXPECT_EQ(t->setGeometry(obj, 0, line0, 2, tooMany, 1, NULL, NULL, NULL), 0);

    // 2, 3, 4: box, parts with the class, points.
    EXPECT_EQ(doubles(t->recordBBox(obj, 1), 4), (std::vector<double>{5, 5, 9, 9}));
    int cls = 0, count = 0;
    const int32_t *got = t->recordParts(obj, 1, &cls, &count);
    EXPECT_EQ(cls, SHAPE_CLASS_LINE);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(got[0] + got[1], 4);
    EXPECT_EQ(doubles(t->recordPoints(obj, 0, &count), 4), (std::vector<double>{0, 0, 2, 1}));
    EXPECT_EQ(count, 2);

    // 6, 7: append, and the bytes a record takes.
    const double line2[] = {1, 1, 2, 2, 3, 3};
    ShapeRecord *rec = t->append(obj, 0, line2, 3, NULL, 0, NULL, NULL, NULL);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(getShapeRecordNumber(rec), 3);
    EXPECT_EQ(obj->count(obj), 3);
    EXPECT_EQ(t->recordBytes(obj, SHAPE_CLASS_LINE, 3, 1), 104);
    EXPECT_EQ(t->recordBytes(obj, SHAPE_CLASS_POINTZ, 1, 0), 44);
    EXPECT_EQ(t->recordBytes(obj, SHAPE_CLASS_MULTIPATCH, 4, 2), 84 + 16 + 128);

    // 8 to 14: selection.
    EXPECT_EQ(t->unselectAll(obj), 3);
    EXPECT_EQ(t->isSelected(obj, 0), 0);
    t->select(obj, 1);
    t->toggle(obj, 2);
    EXPECT_EQ(t->countSelected(obj), 2);
    t->unselect(obj, 1);
    t->toggle(obj, 2);
    EXPECT_EQ(t->countSelected(obj), 0);
    deleteShape(sf, 0);
    t->select(obj, 0);
    EXPECT_EQ(t->isSelected(obj, 0), 0);
    EXPECT_EQ(t->selectAll(obj), 2);
    EXPECT_EQ(t->unselectAll(obj), 2);

    // The script sees what the table changed.
    EXPECT_EQ(eval("s vparts all"), "{0 0 2 1} {5 5 6 6 7 5 9 9 {2 2}} {1 1 2 2 3 3}");
    closeObject(obj);
}

TEST_F(ShapeObjects, SubtypeAndBoxesByType)
{
    struct { const char *type; int subtype; const char *add; bool box; } cases[] = {
        {"MULTIPOINT", 0x100, "{0 0 2 3}", true},
        {"MULTIPOINTM", 0x100, "{0 0 2 3} {} {1 2}", true},
        {"MULTIPOINTZ", 0x100, "{0 0 2 3} {} {1 2} {3 4}", true},
        {"POINTZ", 0x100, "{1 1} {} {1} {2}", false},
        {"POLYGONM", 0x400, "{0 0 0 1 1 1 0 0} {} {1 2 3 4}", true},
        {"MULTIPATCH", 0, "{0 0 2 3} {} {1 2} {3 4} {}", true},
        {"NULL", 0, "{}", false},
    };
    for (const auto &c : cases) {
        eval(("shape.create s; s initialize " + std::string(c.type) + "; s addrecord " + c.add)
                 .c_str());
        RAMOBJ *obj = open("s");
        const ShapeAccessTable *t = (const ShapeAccessTable *)obj->interface;
        EXPECT_EQ(obj->subtype(obj), c.subtype) << c.type;
        EXPECT_EQ(t->recordBBox(obj, 0) != NULL, c.box) << c.type;
        closeObject(obj);
        eval("rename s {}");
    }
    EXPECT_EQ(shapeTypeFromName("polyline"), -1);
    EXPECT_EQ(shapeTypeFromName("POLYLINE"), 3);
    EXPECT_EQ(shapeTypeFromClass(0x300), -1);
    EXPECT_EQ(shapeTypeName(2), nullptr);
}

// A table object as the object layer sees it: rows and their selection.
struct FakeTable {
    static std::vector<int> selected;
    static int count(RAMOBJ *) { return (int)selected.size(); }
    static int isSelected(RAMOBJ *, int row) { return selected[(size_t)row]; }
    static int command(ClientData, Tcl_Interp *, int, const char **) { return TCL_OK; }
    static void make(Tcl_Interp *interp, const char *name, int type)
    {
        RAMOBJ *obj = (RAMOBJ *)gmemAlloc(sizeof(RAMOBJ));
        memset(obj, 0, sizeof *obj);
        obj->magic = RAMOBJ_MAGIC;
        obj->type = type;
        obj->version = RAMOBJ_VERSION;
        obj->data = obj;  // anything: the table is loaded
        obj->count = count;
        obj->isSelected = isSelected;
        obj->acquire = objAcquire;
        obj->release = objRelease;
        obj->close = objClose;
        Tcl_CreateCommand(interp, name, command, obj, objDelete);
        objRegister(obj);
    }
};
std::vector<int> FakeTable::selected;

TEST_F(ShapeObjects, MatchCopiesTheTableSelection)
{
    FakeTable::make(interp, "tbl", OBJ_TABLE);
    FakeTable::make(interp, "other", OBJ_PROJ);
    FakeTable::selected = {0, 1, 1, 0};
    eval("shape.create s; s initialize POINT");
    eval("foreach p {0 1 2 3 4 5} {s addrecord [list $p $p]}");
    eval("s unselect 5; s deleteshape 2");
    EXPECT_EQ(eval("s match tbl"), "");
    EXPECT_EQ(eval("lmap i {0 1 2 3 4 5} {s isselected $i}"), "0 1 0 0 1 0");
    EXPECT_EQ(eval("s countdeletions"), "1");

    // A table with more rows than records: the records all follow it.
    FakeTable::selected = {1, 0, 1, 1, 0, 1, 1, 1};
    eval("s match tbl");
    EXPECT_EQ(eval("lmap i {0 1 2 3 4 5} {s isselected $i}"), "1 0 0 1 0 1");

    EXPECT_EQ(eval("s match", TCL_ERROR), "Usage: s match tableObj");
    EXPECT_EQ(eval("s match nosuch", TCL_ERROR), "Fail to open the object: nosuch");
    EXPECT_EQ(eval("s match other", TCL_ERROR), "Not the type of RAMOBJ");
    EXPECT_EQ(eval("s match s", TCL_ERROR), "Not the type of RAMOBJ");

    // The table's reference is given back: deleting it frees it.
    RAMOBJ *table = NULL;
    ASSERT_EQ(openObject(interp, OBJ_TABLE, "tbl", &table), TCL_OK);
    EXPECT_EQ(table->refCount, 1);
    closeObject(table);
    eval("rename tbl {}; rename other {}");
    EXPECT_FALSE(objIsRegistered(table));
}

// ---- the data set itself ----

std::vector<int64_t> offsetsOf(ShapeFile *sf)
{
    return std::vector<int64_t>(sf->offsets, sf->offsets + sf->count);
}

ShapeFile *tenLines()
{
    ShapeFile *sf = newShapeFile(SHP_POLYLINE, NULL, NULL, 0);
    for (int i = 0; i < 10; i++) {
        const double pts[] = {(double)i, 0, (double)i, 1};
        appendShape(sf, 0, pts, 2, NULL, 0, NULL, NULL, NULL);
    }
    return sf;
}

TEST(ShapeFileRecords, DeleteRangeKeepsOffsetsContiguous)
{
    ShapeFile *sf = tenLines();
    ASSERT_EQ(getShapeRecordCount(sf), 10);
    deleteShapes(sf, 2, 4);
    ASSERT_EQ(getShapeRecordCount(sf), 7);
    for (int i = 0; i < 7; i++) EXPECT_EQ(sf->offsets[i], 88 * i);
    EXPECT_EQ(sf->head->fileLength, 50 + 7 * 44);
    const double pts[] = {50, 50, 51, 51};
    ShapeRecord *rec = appendShape(sf, 0, pts, 2, NULL, 0, NULL, NULL, NULL);
    EXPECT_EQ(rec, sf->buffer + 7 * 88);
    EXPECT_EQ(getShapeRecordNumber(rec), 11);
    EXPECT_EQ(getShapeRecordNumber(getShapeRecord(sf, 2)), 6);
    EXPECT_EQ(nextShapeRecord(rec), nullptr);
    freeShapeFile(sf);
}

TEST(ShapeFileRecords, InsertReplaceAndPack)
{
    ShapeFile *sf = tenLines();
    const double three[] = {0, 0, 1, 1, 2, 2};
    ASSERT_NE(insertShape(sf, 1, 0, three, 3, NULL, 0, NULL, NULL, NULL), nullptr);
    EXPECT_EQ(offsetsOf(sf)[2], 88 + 104);
    EXPECT_EQ(getShapeRecordNumber(getShapeRecord(sf, 2)), 2);
    int n = 0;
    getShapePoints(getShapeRecord(sf, 1), &n);
    EXPECT_EQ(n, 3);

    const int parts[] = {2, 2};
    const double four[] = {0, 0, 1, 1, 2, 2, 3, 3};
    unselectShape(sf, 3);
    ASSERT_NE(replaceShape(sf, 3, 0, four, 4, parts, 2, NULL, NULL, NULL), nullptr);
    EXPECT_EQ(getShapeRecordNumber(getShapeRecord(sf, 3)), 3);
    EXPECT_EQ(isShapeSelected(sf, 3), 0);
    EXPECT_EQ(offsetsOf(sf)[4], offsetsOf(sf)[3] + 124);
    EXPECT_EQ(sf->head->fileLength * 2 - 100, offsetsOf(sf)[10] + 88);

    // Undeleting what is not deleted and selecting what is deleted change nothing.
    undeleteShape(sf, 3);
    EXPECT_EQ(sf->flags[3], 0);
    deleteShape(sf, 4);
    selectShape(sf, 4);
    EXPECT_EQ(sf->flags[4], SHAPE_DELETED);
    deleteShape(sf, 0);
    EXPECT_EQ(packShapeFile(sf), 2);
    EXPECT_EQ(getShapeRecordCount(sf), 9);
    EXPECT_EQ(countSelectedShapes(sf), 9);
    sf->busy = 1;
    EXPECT_EQ(packShapeFile(sf), 0);
    EXPECT_EQ(sf->packPending, 1);
    sf->busy = 0;
    for (int i = 0; i < 9; i++) deleteShape(sf, i);
    EXPECT_EQ(packShapeFile(sf), 9);
    EXPECT_EQ(getShapeRecordCount(sf), 0);
    EXPECT_EQ(sf->nextNumber, 1);
    EXPECT_EQ(sf->head->fileLength, 50);
    ASSERT_NE(appendShape(sf, 0, three, 3, NULL, 0, NULL, NULL, NULL), nullptr);
    EXPECT_EQ(getShapeRecordNumber(getShapeRecord(sf, 0)), 1);
    freeShapeFile(sf);
}

TEST(ShapeFileRecords, CopiesAndValues)
{
    ShapeFile *sf = newShapeFile(SHP_POLYLINEM, NULL, NULL, 0);
    const double pts[] = {0, 0, 1, 1, 2, 2};
    const double m[] = {5, 1, 9};
    appendShape(sf, 0, pts, 3, NULL, 0, NULL, m, NULL);
    appendShape(sf, 0, pts, 2, NULL, 0, NULL, m, NULL);
    appendShape(sf, 0, pts, 3, NULL, 0, NULL, m, NULL);
    double lo = 0, hi = 0;
    EXPECT_EQ(doubles(getShapeM(getShapeRecord(sf, 0), &lo, &hi), 3), (std::vector<double>{5, 1, 9}));
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 9);
    EXPECT_EQ(getShapeZ(getShapeRecord(sf, 0), NULL, NULL), nullptr);
    unselectShape(sf, 0);
    ShapeFile *sel = copySelectedShapes(sf);
    ASSERT_NE(sel, nullptr);
    EXPECT_EQ(getShapeRecordCount(sel), 2);
    EXPECT_EQ(getShapeRecordNumber(getShapeRecord(sel, 0)), 2);
    EXPECT_EQ(getShapeRecordNumber(getShapeRecord(sel, 1)), 3);
    ShapeFile *all = copyShapeFile(sf);
    EXPECT_EQ(getShapeRecordCount(all), 3);
    EXPECT_EQ(isShapeSelected(all, 0), 0);
    EXPECT_EQ(memcmp(all->buffer, sf->buffer, (size_t)(sf->head->fileLength * 2 - 100 + 12)), 0);
    unselectAllShapes(sf);
    EXPECT_EQ(copySelectedShapes(sf), nullptr);
    freeShapeFile(sel);
    freeShapeFile(all);
    freeShapeFile(sf);
}

}  // namespace
