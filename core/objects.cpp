/*
 * objects.cpp --
 *
 *	Object records (RAMOBJ): the references and change callbacks through
 *	which other code uses an object, the -file and -update options, and
 *	the subcommands every object command offers before its own.
 *
 *	Lifetime. A record belongs to its Tcl command; users add references
 *	(openObject, objAcquire) and drop them through the close procedure.
 *	Every close drops one reference while any remain; the close that
 *	finds none frees the record. On top of that rule this file keeps, per
 *	record, what the record itself cannot: whether its command still
 *	exists, closes owed to the close subcommand (which drops a reference
 *	that no user gave back), and whether objUpdate is running over it.
 *	So a record is never freed while its command exists, never freed
 *	twice, and never freed under a running callback loop.
 */
#include "core/objects.h"

#include "core/option_engine.h"
#include "core/package.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

Tk_ConfigSpec objectConfigSpecs[] = {
    {TK_CONFIG_STRING, "-file", "file", "File", NULL, offsetof(RAMOBJ, file), TK_CONFIG_NULL_OK,
     NULL},
    {TK_CONFIG_INT, "-update", "update", "Update", "1", offsetof(RAMOBJ, update), 0, NULL},
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL},
};

static const char *const objectTypeNames[] = {
    "UNKNOWN", "SHAPE", "STATS", "EV", "ISO", "TABLE", "PROJ", "GCP", "TERRA",
};

namespace {

/* What the registry knows of a live record. */
struct RecordState {
    bool commandAlive = true;  /* its command has not been deleted */
    int closesOwed = 0;        /* closes to absorb: see the close subcommand */
    int updating = 0;          /* objUpdate calls running over the record */
    bool freePending = false;  /* freed as soon as the last objUpdate ends */
};

/* Records created by object commands; never destroyed, so that it outlives
 * every record that a late exit handler may still close. */
std::unordered_map<RAMOBJ *, RecordState> &liveRecords()
{
    static auto *records = new std::unordered_map<RAMOBJ *, RecordState>;
    return *records;
}

RecordState *recordState(RAMOBJ *obj)
{
    auto found = liveRecords().find(obj);
    return found == liveRecords().end() ? NULL : &found->second;
}

void freeRecord(RAMOBJ *obj)
{
    liveRecords().erase(obj);
    ovexFreeOptions(objectConfigSpecs, (char *)obj, 0);
    if (obj->data != NULL && obj->freeData != NULL) {
        obj->freeData(obj->data);
    }
    obj->data = NULL;
    obj->magic = 0;  /* a stale pointer no longer passes for an object */
    gmemFree(obj);
}

/* The record behind a command, whatever kind of command it is. */
RAMOBJ *commandRecord(const Tcl_CmdInfo &info)
{
    return (RAMOBJ *)(info.isNativeObjectProc ? info.objClientData : info.clientData);
}

void setResultText(Tcl_Interp *interp, const char *lead, const char *name)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, lead, name, (char *)NULL);
}

bool hasCallback(RAMOBJ *obj, ObjCallbackProc *proc, ClientData clientData)
{
    for (ObjCallback *node = obj->callbacks; node != NULL; node = node->next) {
        if (node->proc == proc && node->clientData == clientData) {
            return true;
        }
    }
    return false;
}

}  // namespace

/*
 * objRegister --
 *	Records obj as the record of an object command that now exists.
 *	Creation commands call it right after creating the command (objConfig
 *	does it too); openObject accepts only registered records.
 */
void objRegister(RAMOBJ *obj)
{
    if (obj != NULL) {
        liveRecords().emplace(obj, RecordState());
    }
}

int objIsRegistered(RAMOBJ *obj)
{
    return recordState(obj) != NULL;
}

/*
 * getObjStr --
 *	The name of an object type id, "Invalid obj id" when it has none.
 */
extern "C" const char *getObjStr(int type)
{
    const int count = (int)(sizeof(objectTypeNames) / sizeof(objectTypeNames[0]));
    return (type >= 0 && type < count) ? objectTypeNames[type] : "Invalid obj id";
}

/*
 * openObject --
 *	Takes a reference to the object of command name, which must be of
 *	the given type; *out gets the record. Give it back with closeObject.
 */
extern "C" int openObject(Tcl_Interp *interp, int type, const char *name, RAMOBJ **out)
{
    Tcl_CmdInfo info;
    if (name == NULL || !Tcl_GetCommandInfo(interp, name, &info)) {
        setResultText(interp, "Fail to open the object: ", name ? name : "");
        return TCL_ERROR;
    }
    /* Only a record we know is read: the client data of any other
     * command may be anything at all. */
    RAMOBJ *obj = commandRecord(info);
    if (recordState(obj) == NULL || obj->magic != RAMOBJ_MAGIC || obj->acquire == NULL
        || !obj->acquire(obj, NULL, NULL)) {
        setResultText(interp, "Invalid object: ", name);
        return TCL_ERROR;
    }
    if (obj->version < RAMOBJ_VERSION) {
        Tcl_SetObjResult(interp, Tcl_ObjPrintf("RAMOBJ version 0x%x or higher is required",
                                               RAMOBJ_VERSION));
        obj->release(obj, NULL, NULL);
        return TCL_ERROR;
    }
    if (obj->type != type) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("Not the type of RAMOBJ", -1));
        obj->release(obj, NULL, NULL);
        return TCL_ERROR;
    }
    *out = obj;
    return TCL_OK;
}

/*
 * closeObject --
 *	Gives back the reference openObject took.
 */
extern "C" void closeObject(RAMOBJ *obj)
{
    if (obj != NULL) {
        obj->release(obj, NULL, NULL);
    }
}

/*
 * objAcquire --
 *	Adds a reference and, when proc is given, a change callback (newest
 *	first). 0 when obj is not an object record or memory is short.
 */
extern "C" int objAcquire(RAMOBJ *obj, ObjCallbackProc *proc, ClientData clientData)
{
    if (obj == NULL || obj->magic != RAMOBJ_MAGIC) {
        return 0;
    }
    if (proc != NULL) {
        ObjCallback *node = (ObjCallback *)gmemAlloc(sizeof(ObjCallback));
        if (node == NULL) {
            return 0;
        }
        node->proc = proc;
        node->clientData = clientData;
        node->next = obj->callbacks;
        obj->callbacks = node;
    }
    obj->refCount++;
    return 1;
}

/*
 * objRelease --
 *	Removes the callback {proc, clientData} if there is one and drops a
 *	reference through the close procedure. 1 when the reference count
 *	was 0 before, else 0.
 */
extern "C" int objRelease(RAMOBJ *obj, ObjCallbackProc *proc, ClientData clientData)
{
    if (obj == NULL) {
        return 0;
    }
    for (ObjCallback **link = &obj->callbacks; *link != NULL; link = &(*link)->next) {
        ObjCallback *node = *link;
        if (node->proc == proc && node->clientData == clientData) {
            *link = node->next;
            gmemFree(node);
            break;
        }
    }
    int wasUnused = obj->refCount == 0;
    (obj->close != NULL ? obj->close : objClose)(obj);
    return wasUnused;
}

/*
 * objClose --
 *	Drops one reference; when none is left, frees the record (options,
 *	data, record) unless change callbacks remain or its command still
 *	exists. Returns obj, or NULL when it is gone.
 */
extern "C" RAMOBJ *objClose(RAMOBJ *obj)
{
    if (obj == NULL) {
        return NULL;
    }
    RecordState *state = recordState(obj);
    if (obj->refCount > 0) {
        obj->refCount--;
        return obj;
    }
    if (state != NULL && state->closesOwed > 0) {
        state->closesOwed--;
        return obj;
    }
    if (obj->callbacks != NULL) {
        ovexPanicMessage("%s", "Try to delete a RAMOBJ in using.");
        return obj;
    }
    if (state != NULL && state->commandAlive) {
        /* A surplus close: the command's own hold keeps the record. */
        return obj;
    }
    if (state != NULL && state->updating > 0) {
        state->freePending = true;
        return NULL;
    }
    freeRecord(obj);
    return NULL;
}

/*
 * objDelete --
 *	Delete procedure of object commands: the command's hold ends, then
 *	the close procedure runs as for any other holder. A type's own
 *	delete procedure ends by calling it.
 */
extern "C" void objDelete(ClientData clientData)
{
    RAMOBJ *obj = (RAMOBJ *)clientData;
    RecordState *state = recordState(obj);
    if (state != NULL) {
        state->commandAlive = false;
    }
    objClose(obj);
}

/*
 * objUpdate --
 *	Calls every change callback, newest first; then, with -update set,
 *	passes all pending events. Callbacks may release themselves or
 *	others, or close the object: the record outlives the loop.
 */
extern "C" void objUpdate(RAMOBJ *obj)
{
    if (obj == NULL || obj->callbacks == NULL) {
        return;
    }
    std::vector<ObjCallback> pending;
    for (ObjCallback *node = obj->callbacks; node != NULL; node = node->next) {
        pending.push_back(*node);
    }
    RecordState *state = recordState(obj);
    if (state != NULL) {
        state->updating++;
    }
    for (const ObjCallback &callback : pending) {
        /* Skip callbacks released by an earlier one. */
        if (hasCallback(obj, callback.proc, callback.clientData)) {
            callback.proc(obj, callback.clientData);
        }
    }
    int passEvents = obj->update;
    if (state != NULL) {
        state = recordState(obj);  /* the map may have grown meanwhile */
        state->updating--;
        if (state->updating == 0 && state->freePending) {
            /* Someone may have taken it up again since it was closed. */
            state->freePending = false;
            if (obj->refCount == 0 && obj->callbacks == NULL && !state->commandAlive
                && state->closesOwed == 0) {
                freeRecord(obj);
            }
        }
    }
    if (passEvents) {
        tclUpdate(NULL, TCL_ALL_EVENTS);
    }
}

/* The reason a load procedure gave for its failure. */
static std::string loadFailure;

void objLoadFailure(const char *why) { loadFailure = why != NULL ? why : ""; }

/*
 * objConfig --
 *	Applies the -file and -update options of argv, then loads the file
 *	unless it is the one already loaded (the -file text is still
 *	prevFile). A failed load clears -file and keeps the old data.
 */
extern "C" int objConfig(RAMOBJ *obj, Tcl_Interp *interp, int argc, const char **argv, int flags,
                         const char *prevFile)
{
    if (ovexConfigure(interp, ovexMainWindow(interp), objectConfigSpecs, argc, argv, (char *)obj,
                      flags) != TCL_OK) {
        return TCL_ERROR;
    }
    objRegister(obj);

    if (obj->file != NULL && obj->file[0] != '\0') {
        bool alreadyLoaded = obj->data != NULL && obj->file == prevFile;
        if (!alreadyLoaded) {
            int status = 0;
            loadFailure.clear();
            void *data = obj->load != NULL ? obj->load(obj->file, &status) : NULL;
            if (data == NULL) {
                Tcl_AppendResult(interp, "Error in creating object: ", obj->file, (char *)NULL);
                if (!loadFailure.empty()) {
                    Tcl_AppendResult(interp, ": ", loadFailure.c_str(), (char *)NULL);
                }
                ckfree(obj->file);
                obj->file = NULL;
                return TCL_ERROR;
            }
            if (obj->data != NULL && obj->freeData != NULL) {
                obj->freeData(obj->data);
            }
            obj->data = data;
        }
    } else if (obj->data != NULL) {
        if (obj->freeData != NULL) {
            obj->freeData(obj->data);
        }
        obj->data = NULL;
    }
    objUpdate(obj);
    return TCL_OK;
}

/*
 * cloneObject --
 *	The clone subcommand: a new object command newName over a copy of
 *	obj's record with a copy of its data (or only the selected records).
 */
static int cloneObject(RAMOBJ *obj, Tcl_Interp *interp, const char *newName, int selectedOnly)
{
    Tcl_CmdInfo info;
    /* Replacing the running command would free obj under our feet. */
    if (Tcl_GetCommandInfo(interp, newName, &info) && commandRecord(info) == obj) {
        setResultText(interp, "Fail to create the object: ", newName);
        return TCL_ERROR;
    }
    RAMOBJ *copy = (RAMOBJ *)gmemAlloc(sizeof(RAMOBJ));
    if (copy == NULL) {
        setResultText(interp, "Fail to create the object: ", newName);
        return TCL_ERROR;
    }
    *copy = *obj;
    copy->refCount = 0;
    copy->data = NULL;
    copy->callbacks = NULL;
    copy->file = NULL;
    if (obj->data != NULL && obj->clone != NULL) {
        copy->data = obj->clone(obj->data, selectedOnly);
    }
    if (Tcl_CreateCommand(interp, newName, obj->command, copy, objDelete) == NULL) {
        (copy->close != NULL ? copy->close : objClose)(copy);
        setResultText(interp, "Fail to create the object: ", newName);
        return TCL_ERROR;
    }
    objRegister(copy);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

static int usage(Tcl_Interp *interp, const char *command, const char *pattern)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", command, pattern, (char *)NULL);
    return TCL_ERROR;
}

static int undefinedObject(Tcl_Interp *interp)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj("Undefined object", -1));
    return TCL_ERROR;
}

/*
 * objDefCommand --
 *	The subcommands every object command shares. Returns TCL_CONTINUE,
 *	result untouched, when argv[1] is none of them. After "close" the
 *	record may be gone: the caller returns at once.
 */
extern "C" int objDefCommand(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    RAMOBJ *obj = (RAMOBJ *)clientData;
    if (argc < 2) {
        return TCL_CONTINUE;
    }
    const char *word = argv[1];

    if (ovexMatchWord(word, "configure", 4)) {
        if (argc <= 3) {
            return ovexConfigureInfo(interp, ovexMainWindow(interp), objectConfigSpecs, (char *)obj,
                                     argc == 3 ? argv[2] : NULL, 0);
        }
        return objConfig(obj, interp, argc - 2, argv + 2, TK_CONFIG_ARGV_ONLY, obj->file);
    }
    if (ovexMatchWord(word, "cget", 4)) {
        if (argc != 3) {
            return usage(interp, argv[0], " cget option");
        }
        return ovexConfigureValue(interp, ovexMainWindow(interp), objectConfigSpecs, (char *)obj,
                                  argv[2], 0);
    }
    if (ovexMatchWord(word, "class", 4)) {
        if (argc != 2) {
            return usage(interp, argv[0], " class");
        }
        Tcl_SetObjResult(interp, Tcl_NewStringObj(getObjStr(obj->type), -1));
        return TCL_OK;
    }
    if (ovexMatchWord(word, "clone", 4)) {
        if ((argc != 3 && argc != 4) || (argc == 4 && strcmp(argv[3], "selected") != 0)) {
            return usage(interp, argv[0], " clone newObjName [selected]");
        }
        return cloneObject(obj, interp, argv[2], argc == 4);
    }
    if (ovexMatchWord(word, "close", 4)) {
        if (argc != 2) {
            return usage(interp, argv[0], " close");
        }
        if (obj->refCount > 1) {
            /* This drops a reference that no holder gives up; the holder's
             * own close later is absorbed instead. */
            RecordState *state = recordState(obj);
            if (state != NULL) {
                state->closesOwed++;
            }
            (obj->close != NULL ? obj->close : objClose)(obj);
            Tcl_SetObjResult(interp, Tcl_NewIntObj(obj->refCount));
            return TCL_OK;
        }
        Tcl_DeleteCommand(interp, argv[0]);
        Tcl_SetObjResult(interp, Tcl_NewStringObj("0", -1));
        return TCL_OK;
    }
    if (ovexMatchWord(word, "count", 4)) {
        if (obj->data == NULL || obj->count == NULL) {
            return undefinedObject(interp);
        }
        Tcl_SetObjResult(interp, Tcl_NewIntObj(obj->count(obj)));
        return TCL_OK;
    }
    if (strcmp(word, "modified") == 0) {
        if (obj->data == NULL || obj->modified == NULL) {
            return undefinedObject(interp);
        }
        Tcl_SetObjResult(interp, Tcl_NewIntObj(obj->modified(obj)));
        return TCL_OK;
    }
    if (strcmp(word, "save") == 0) {
        if ((argc != 3 && argc != 4) || (argc == 4 && strcmp(argv[3], "selected") != 0)) {
            return usage(interp, argv[0], " save filename [selected]");
        }
        if (obj->save == NULL || !obj->save(obj, argv[2], argc == 4)) {
            Tcl_SetObjResult(interp, Tcl_NewStringObj("Error in save object", -1));
            return TCL_ERROR;
        }
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    if (ovexMatchWord(word, "version", 4)) {
        Tcl_SetObjResult(interp, Tcl_NewIntObj(obj->version));
        return TCL_OK;
    }
    return TCL_CONTINUE;
}
