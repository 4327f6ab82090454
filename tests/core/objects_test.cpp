// Object records: references, change callbacks, the -file/-update options
// and the shared subcommands, over a small object type defined here.
#include <gtest/gtest.h>  // before Tk: X11 defines None

#include "core/objects.h"

#include "core/gmem.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

/* The data of a test object: a number of records loaded from a "file". */
struct TestData {
    int records;
    int selectedOnly;
};

int loads = 0;
int dataFrees = 0;
int lastSaveSelected = -1;
std::vector<std::string> calls;

void *loadTestData(const char *file, int *status)
{
    if (strcmp(file, "missing") == 0) {
        *status = -1;
        return NULL;
    }
    loads++;
    return new TestData{(int)strlen(file), 0};
}

void freeTestData(void *data)
{
    dataFrees++;
    delete (TestData *)data;
}

void *cloneTestData(void *data, int selectedOnly)
{
    return new TestData{((TestData *)data)->records, selectedOnly};
}

int countTestRecords(RAMOBJ *obj) { return ((TestData *)obj->data)->records; }
int testModified(RAMOBJ *obj) { return 7; }

int saveTestData(RAMOBJ *obj, const char *file, int selectedOnly)
{
    lastSaveSelected = selectedOnly;
    return strcmp(file, "bad") != 0;
}

/* The type's object command: shared subcommands first, then its own. */
int testObjectCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    int code = objDefCommand(clientData, interp, argc, argv);
    if (code != TCL_CONTINUE) {
        return code;
    }
    Tcl_SetResult(interp, (char *)(argc >= 2 ? "own subcommand" : "no subcommand"), TCL_STATIC);
    return TCL_OK;
}

/* test.create name ?options?: an object of type SHAPE. */
int testCreateCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ *obj = (RAMOBJ *)gmemAlloc(sizeof(RAMOBJ));
    memset(obj, 0, sizeof(RAMOBJ));
    obj->magic = RAMOBJ_MAGIC;
    obj->type = OBJ_SHAPE;
    obj->version = RAMOBJ_VERSION;
    obj->count = countTestRecords;
    obj->clone = cloneTestData;
    obj->save = saveTestData;
    obj->acquire = objAcquire;
    obj->release = objRelease;
    obj->close = objClose;
    obj->load = loadTestData;
    obj->freeData = freeTestData;
    obj->command = testObjectCmd;
    obj->modified = testModified;
    Tcl_CreateCommand(interp, argv[1], testObjectCmd, obj, objDelete);
    objRegister(obj);
    if (objConfig(obj, interp, argc - 2, argv + 2, 0, NULL) != TCL_OK) {
        Tcl_DeleteCommand(interp, argv[1]);
        return TCL_ERROR;
    }
    Tcl_SetResult(interp, (char *)argv[1], TCL_VOLATILE);
    return TCL_OK;
}

void recordCallback(RAMOBJ *obj, ClientData clientData)
{
    calls.push_back((const char *)clientData);
}

void markEventPass(ClientData clientData)
{
    *(int *)clientData = 1;
}

class Objects : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Tcl_FindExecutable(nullptr); }
    void SetUp() override
    {
        interp = Tcl_CreateInterp();
        Tcl_CreateCommand(interp, "test.create", testCreateCmd, NULL, NULL);
        loads = dataFrees = 0;
        lastSaveSelected = -1;
        calls.clear();
    }
    void TearDown() override
    {
        Tcl_CancelIdleCall(markEventPass, &eventPassed);
        Tcl_DeleteInterp(interp);
    }

    int eval(const std::string &script)
    {
        return Tcl_Eval(interp, script.c_str());
    }
    std::string result() const { return Tcl_GetStringResult(interp); }
    std::string ok(const std::string &script)
    {
        EXPECT_EQ(eval(script), TCL_OK) << script << ": " << result();
        return result();
    }
    RAMOBJ *create(const std::string &name, const std::string &options = "-file data.shp")
    {
        ok("test.create " + name + " " + options);
        return recordOf(name);
    }
    RAMOBJ *recordOf(const std::string &name)
    {
        Tcl_CmdInfo info;
        return Tcl_GetCommandInfo(interp, name.c_str(), &info) ? (RAMOBJ *)info.clientData : NULL;
    }
    RAMOBJ *open(const std::string &name, int type = OBJ_SHAPE)
    {
        RAMOBJ *obj = NULL;
        EXPECT_EQ(openObject(interp, type, name.c_str(), &obj), TCL_OK) << result();
        return obj;
    }

    Tcl_Interp *interp = nullptr;
    int eventPassed = 0;
};

TEST(ObjectNames, TypeNames)
{
    const char *names[] = {"UNKNOWN", "SHAPE", "STATS", "EV", "ISO", "TABLE", "PROJ", "GCP", "TERRA"};
    for (int type = 0; type < 9; type++) {
        EXPECT_STREQ(getObjStr(type), names[type]);
    }
    for (int type : {9, 10, 11, -1, 12}) {
        EXPECT_STREQ(getObjStr(type), "Invalid obj id") << type;
    }
}

TEST_F(Objects, SharedSubcommands)
{
    create("o");
    struct Case {
        const char *script;
        const char *answer;
    } cases[] = {
        {"o class", "SHAPE"},
        {"o version", "256"},
        {"o vers", "256"},
        {"o count", "8"},  // strlen("data.shp")
        {"o modified", "7"},
        {"o cget -file", "data.shp"},
        {"o cget -up", "1"},
        {"o configure -file", "-file file File {} data.shp"},
        {"o conf", "{-file file File {} data.shp} {-update update Update 1 1}"},
        {"o con", "own subcommand"},   // three letters are the type's own
        {"o modif", "own subcommand"}, // modified and save need the whole word
        {"o sav x", "own subcommand"},
        {"o frobnicate", "own subcommand"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ok(c.script), c.answer) << c.script;
    }
}

TEST_F(Objects, ThreeLetterWordReturnsContinueAndLeavesTheResult)
{
    RAMOBJ *obj = create("o");
    const char *argv[] = {"o", "con", NULL};
    Tcl_SetResult(interp, (char *)"untouched", TCL_STATIC);
    EXPECT_EQ(objDefCommand(obj, interp, 2, argv), 4);
    EXPECT_EQ(result(), "untouched");
}

TEST_F(Objects, UsageAndDataErrors)
{
    create("o");
    create("empty", "");
    struct Case {
        const char *script;
        const char *message;
    } cases[] = {
        {"o cget", "Usage: o cget option"},
        {"o cget -file -update", "Usage: o cget option"},
        {"o class x", "Usage: o class"},
        {"o clone", "Usage: o clone newObjName [selected]"},
        {"o clone a all", "Usage: o clone newObjName [selected]"},
        {"o close now", "Usage: o close"},
        {"o save", "Usage: o save filename [selected]"},
        {"o save f sel", "Usage: o save filename [selected]"},
        {"o save bad", "Error in save object"},
        {"o configure -foo 1", "unknown option \"-foo\""},
        {"o configure -update x", "expected integer but got \"x\""},
        {"o cget -nope", "unknown option \"-nope\""},
        {"empty count", "Undefined object"},
        {"empty modified", "Undefined object"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(eval(c.script), TCL_ERROR) << c.script;
        EXPECT_EQ(result(), c.message) << c.script;
    }
}

TEST_F(Objects, Save)
{
    create("o");
    EXPECT_EQ(ok("o save out.shp"), "");
    EXPECT_EQ(lastSaveSelected, 0);
    ok("o save out.shp selected");
    EXPECT_EQ(lastSaveSelected, 1);
}

TEST_F(Objects, FileOptionLoadsOnlyWhenGiven)
{
    RAMOBJ *obj = create("o");
    EXPECT_EQ(loads, 1);
    void *first = obj->data;

    ok("o configure -update 0");
    EXPECT_EQ(obj->data, first);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(obj->update, 0);

    ok("o configure -file data.shp");  // given again: loaded again
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(dataFrees, 1);

    ok("o configure -file longer.shp");
    EXPECT_EQ(ok("o count"), "10");

    ok("o configure -file {}");
    EXPECT_EQ(obj->data, nullptr);
    EXPECT_EQ(dataFrees, 3);
    EXPECT_EQ(eval("o count"), TCL_ERROR);
}

TEST_F(Objects, FailedLoadClearsTheFileAndKeepsTheData)
{
    RAMOBJ *obj = create("o");
    void *data = obj->data;
    EXPECT_EQ(eval("o configure -file missing"), TCL_ERROR);
    EXPECT_EQ(result(), "Error in creating object: missing");
    EXPECT_EQ(ok("o cget -file"), "");
    EXPECT_EQ(obj->data, data);

    EXPECT_EQ(eval("test.create bad -file missing"), TCL_ERROR);
    EXPECT_EQ(result(), "Error in creating object: missing");
    EXPECT_EQ(recordOf("bad"), nullptr);
}

TEST_F(Objects, OpenObjectChecksCommandRecordVersionAndType)
{
    RAMOBJ *obj = create("o");

    /* A command whose client data looks like an object but is not one of
     * ours: refused without any of its procedures being called. */
    RAMOBJ fake;
    memset(&fake, 0, sizeof(fake));
    fake.magic = RAMOBJ_MAGIC;
    fake.type = OBJ_SHAPE;
    Tcl_CreateCommand(interp, "fake", testObjectCmd, &fake, NULL);

    struct Case {
        const char *name;
        const char *message;
    } cases[] = {
        {"nope", "Fail to open the object: nope"},
        {"set", "Invalid object: set"},
        {"test.create", "Invalid object: test.create"},
        {"fake", "Invalid object: fake"},
    };
    for (const Case &c : cases) {
        RAMOBJ *out = NULL;
        EXPECT_EQ(openObject(interp, OBJ_SHAPE, c.name, &out), TCL_ERROR) << c.name;
        EXPECT_EQ(result(), c.message);
        EXPECT_EQ(out, nullptr);
    }

    EXPECT_EQ(open("o"), obj);
    EXPECT_EQ(obj->refCount, 1);

    RAMOBJ *out = NULL;
    EXPECT_EQ(openObject(interp, OBJ_TABLE, "o", &out), TCL_ERROR);
    EXPECT_EQ(result(), "Not the type of RAMOBJ");
    EXPECT_EQ(obj->refCount, 1);

    obj->version = 0xFF;
    EXPECT_EQ(openObject(interp, OBJ_SHAPE, "o", &out), TCL_ERROR);
    EXPECT_EQ(result(), "RAMOBJ version 0x100 or higher is required");
    EXPECT_EQ(obj->refCount, 1);
    obj->version = RAMOBJ_VERSION;

    closeObject(obj);
    EXPECT_EQ(obj->refCount, 0);
    EXPECT_TRUE(objIsRegistered(obj));
}

TEST_F(Objects, CloseWithTwoHoldersKeepsTheCommandAndFreesOnce)
{
    for (bool deleteFirst : {false, true}) {
        dataFrees = 0;
        RAMOBJ *obj = create("o");
        open("o");
        open("o");
        EXPECT_EQ(ok("o close"), "1");
        EXPECT_EQ(obj->refCount, 1);
        EXPECT_EQ(ok("info commands o"), "o");
        if (deleteFirst) {
            ok("rename o {}");
        }
        closeObject(obj);
        closeObject(obj);
        EXPECT_EQ(dataFrees, deleteFirst ? 1 : 0);
        if (!deleteFirst) {
            EXPECT_EQ(ok("o count"), "8");  // the command still works
            ok("rename o {}");
        }
        EXPECT_EQ(dataFrees, 1) << deleteFirst;
        EXPECT_FALSE(objIsRegistered(obj));
    }
}

TEST_F(Objects, CloseWithOneHolderDeletesTheCommandAndTheHolderFrees)
{
    RAMOBJ *obj = create("o");
    open("o");
    EXPECT_EQ(ok("o close"), "0");
    EXPECT_EQ(ok("info commands o"), "");
    EXPECT_TRUE(objIsRegistered(obj));
    EXPECT_EQ(dataFrees, 0);
    closeObject(obj);
    EXPECT_EQ(dataFrees, 1);
    EXPECT_FALSE(objIsRegistered(obj));
}

TEST_F(Objects, CloseWithoutHoldersFreesAtOnce)
{
    RAMOBJ *obj = create("o");
    EXPECT_EQ(ok("o close"), "0");
    EXPECT_EQ(dataFrees, 1);
    EXPECT_FALSE(objIsRegistered(obj));
}

TEST_F(Objects, SurplusReleaseNeverFreesUnderTheCommand)
{
    RAMOBJ *obj = create("o");
    EXPECT_EQ(objRelease(obj, NULL, NULL), 1);  // count was 0
    EXPECT_EQ(dataFrees, 0);
    EXPECT_EQ(ok("o count"), "8");
    ok("rename o {}");
    EXPECT_EQ(dataFrees, 1);
}

TEST_F(Objects, CallbacksRunNewestFirstAndGoWithTheirRelease)
{
    RAMOBJ *obj = create("o");
    EXPECT_EQ(objAcquire(obj, recordCallback, (ClientData) "first"), 1);
    EXPECT_EQ(objAcquire(obj, recordCallback, (ClientData) "second"), 1);
    EXPECT_EQ(obj->refCount, 2);
    objUpdate(obj);
    EXPECT_EQ(calls, (std::vector<std::string>{"second", "first"}));

    EXPECT_EQ(objRelease(obj, recordCallback, (ClientData) "second"), 0);
    calls.clear();
    ok("o configure -update 0");  // every configure tells the callbacks
    EXPECT_EQ(calls, (std::vector<std::string>{"first"}));
    objRelease(obj, recordCallback, (ClientData) "first");
    EXPECT_EQ(obj->callbacks, nullptr);
    EXPECT_EQ(obj->refCount, 0);

    RAMOBJ notAnObject;
    memset(&notAnObject, 0, sizeof(notAnObject));
    EXPECT_EQ(objAcquire(&notAnObject, recordCallback, NULL), 0);
    EXPECT_EQ(notAnObject.refCount, 0);
    EXPECT_EQ(notAnObject.callbacks, nullptr);
}

TEST_F(Objects, EventPassOnlyAfterCallbacksWithUpdateSet)
{
    struct Case {
        bool withCallback;
        int update;
        int passed;
    } cases[] = {{false, 1, 0}, {true, 1, 1}, {true, 0, 0}};
    RAMOBJ *obj = create("o");
    for (const Case &c : cases) {
        obj->update = c.update;
        if (c.withCallback) {
            objAcquire(obj, recordCallback, (ClientData) "cb");
        }
        eventPassed = 0;
        Tcl_DoWhenIdle(markEventPass, &eventPassed);
        objUpdate(obj);
        EXPECT_EQ(eventPassed, c.passed) << c.withCallback << " " << c.update;
        Tcl_CancelIdleCall(markEventPass, &eventPassed);
        if (c.withCallback) {
            objRelease(obj, recordCallback, (ClientData) "cb");
        }
    }
}

TEST_F(Objects, CloseWithCallbacksLeftKeepsTheRecord)
{
    RAMOBJ *obj = create("o");
    objAcquire(obj, recordCallback, (ClientData) "cb");
    ok("rename o {}");  // the holder's reference goes with the command
    EXPECT_EQ(obj->refCount, 0);
    EXPECT_EQ(objClose(obj), obj);  // "Try to delete a RAMOBJ in using."
    EXPECT_TRUE(objIsRegistered(obj));
    EXPECT_EQ(dataFrees, 0);
    objRelease(obj, recordCallback, (ClientData) "cb");
    EXPECT_EQ(dataFrees, 1);
}

/* A callback that lets go of everything while objUpdate walks the list. */
Tcl_Interp *dropInterp = NULL;
void dropEverything(RAMOBJ *obj, ClientData clientData)
{
    calls.push_back("drop");
    objRelease(obj, recordCallback, (ClientData) "later");
    objRelease(obj, dropEverything, clientData);
    Tcl_DeleteCommand(dropInterp, (const char *)clientData);
}

TEST_F(Objects, CallbacksMayCloseTheObjectDuringUpdate)
{
    RAMOBJ *obj = create("o");
    dropInterp = interp;
    objAcquire(obj, recordCallback, (ClientData) "later");
    objAcquire(obj, dropEverything, (ClientData) "o");
    objUpdate(obj);
    EXPECT_EQ(calls, (std::vector<std::string>{"drop"}));
    EXPECT_EQ(dataFrees, 1);
    EXPECT_FALSE(objIsRegistered(obj));
}

TEST_F(Objects, CloneCopiesDataAndStartsFresh)
{
    RAMOBJ *obj = create("o");
    open("o");
    EXPECT_EQ(ok("o clone copy"), "");
    RAMOBJ *copy = recordOf("copy");
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, obj);
    EXPECT_EQ(copy->refCount, 0);
    EXPECT_EQ(copy->callbacks, nullptr);
    EXPECT_NE(copy->data, obj->data);
    EXPECT_EQ(((TestData *)copy->data)->selectedOnly, 0);
    EXPECT_EQ(ok("copy class"), "SHAPE");
    EXPECT_EQ(ok("copy count"), "8");
    EXPECT_EQ(ok("copy cget -file"), "");
    EXPECT_EQ(open("copy"), copy);
    closeObject(copy);

    ok("o clone part selected");
    EXPECT_EQ(((TestData *)recordOf("part")->data)->selectedOnly, 1);

    EXPECT_EQ(eval("o clone o"), TCL_ERROR);
    EXPECT_EQ(result(), "Fail to create the object: o");
    EXPECT_EQ(ok("o count"), "8");

    ok("rename copy {}; rename part {}");
    EXPECT_EQ(dataFrees, 2);
    closeObject(obj);
}

}  // namespace
