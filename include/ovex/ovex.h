/*
 * ovex.h --
 *
 *	Function interface of the Ovex library for modules linked against it:
 *	console output and the progress meter, the allocator, hash tables and
 *	object records. Everything declared here is exported by libovex.so.
 */
#ifndef OVEX_OVEX_H
#define OVEX_OVEX_H

#include <stddef.h>
#include <stdint.h>
#include <tcl.h>
#include <tk.h>

#include "ovexstdio.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Package entry points. */
OVEX_API int Ovex_Init(Tcl_Interp *interp);
OVEX_API int Console_Init(Tcl_Interp *interp);

/* ---- Console output, meter, formatting ---------------------------------- */

/* Console channel numbers: anything other than OVEX_CONSOLE_STDERR is stdout. */
#define OVEX_CONSOLE_STDOUT TCL_STDOUT /* 4 */
#define OVEX_CONSOLE_STDERR TCL_STDERR /* 8 */

OVEX_API int consolePuts(int channel, const char *text, int length);
OVEX_API char *conGets(int *length);
OVEX_API int consoleGetchar(void);
OVEX_API int meterReset(void);
OVEX_API int meterSet(const char *label, float fraction);
OVEX_API float meterInc(void);
OVEX_API char *fmt(const char *format, ...) OVEX_PRINTF(1, 2);
OVEX_API void tclUpdate(Tcl_Interp *interp, int flags);

/* ---- Allocator ------------------------------------------------------------ */

OVEX_API void *gmemAlloc(size_t size);
OVEX_API void gmemFree(void *block);
OVEX_API void *gmemRealloc(void *block, size_t size);

/* ---- Hash tables ----------------------------------------------------------
 * Keys are pointer-sized words: a string table takes and returns the
 * address of the key text, an integer table the value itself cast to a
 * pointer. */

typedef void (OvexFreeProc)(void *value);
typedef int (OvexKeyCompare)(const void *a, const void *b);

OVEX_API Tcl_HashTable *createIntHashTable(void);
OVEX_API Tcl_HashTable *createStrHashTable(void);
OVEX_API void destroyHashTable(Tcl_HashTable *table);
OVEX_API void deleteHashTable(Tcl_HashTable *table, OvexFreeProc *freeProc);
OVEX_API Tcl_HashEntry *createHashEntry(Tcl_HashTable *table, const void *key, int *isNew);
OVEX_API Tcl_HashEntry *findHashEntry(Tcl_HashTable *table, const void *key);
OVEX_API void *getHashValue(Tcl_HashEntry *entry);
OVEX_API void setHashValue(Tcl_HashEntry *entry, void *value);
OVEX_API void *getHashKey(Tcl_HashTable *table, Tcl_HashEntry *entry);
OVEX_API int countHashEntries(Tcl_HashTable *table);
OVEX_API Tcl_HashSearch *createSearchEntry(void);
OVEX_API void freeSearchEntry(Tcl_HashSearch *search);
OVEX_API Tcl_HashEntry *firstHashEntry(Tcl_HashTable *table, Tcl_HashSearch *search);
OVEX_API Tcl_HashEntry *nextHashEntry(Tcl_HashSearch *search);
/* Array of every key (countHashEntries of them), sorted with compare when
 * given; freed with gmemFree. compare receives pointers to two slots. */
OVEX_API void **getHashKeys(Tcl_HashTable *table, OvexKeyCompare *compare);
OVEX_API int putToIntHashTable(Tcl_HashTable *table, const void *key, void *value);
OVEX_API void deleteDicomHashTable(Tcl_HashTable *table);

/* ---- Object records -------------------------------------------------------- */

#define RAMOBJ_MAGIC 0x0F2F4F8F
#define RAMOBJ_VERSION 0x100

enum {
    OBJ_UNKNOWN = 0, OBJ_SHAPE = 1, OBJ_STATS = 2, OBJ_EV = 3, OBJ_ISO = 4,
    OBJ_TABLE = 5, OBJ_PROJ = 6, OBJ_GCP = 7, OBJ_TERRA = 8,
    OBJ_NAD2NAD = 9, OBJ_CS2CS = 10, OBJ_GEOD = 11
};

struct RAMOBJ;
typedef void (ObjCallbackProc)(struct RAMOBJ *obj, ClientData clientData);

typedef struct ObjCallback {
    ObjCallbackProc *proc;
    ClientData clientData;
    struct ObjCallback *next;
} ObjCallback;

typedef struct RAMOBJ {
    int32_t magic;              /* RAMOBJ_MAGIC */
    int32_t type;               /* OBJ_... */
    int32_t version;            /* RAMOBJ_VERSION */
    int32_t update;             /* -update: pass events after every change */
    int32_t refCount;           /* references beyond the command's own */
    void *data;                 /* the type's data, NULL when none is loaded */
    char *file;                 /* -file, owned by the option engine */
    ObjCallback *callbacks;
    int (*count)(struct RAMOBJ *obj);
    int (*isSelected)(struct RAMOBJ *obj, int record);
    int (*subtype)(struct RAMOBJ *obj);
    void *(*clone)(void *data, int selectedOnly);
    int (*save)(struct RAMOBJ *obj, const char *fileName, int selectedOnly);
    int (*acquire)(struct RAMOBJ *obj, ObjCallbackProc *proc, ClientData clientData);
    int (*release)(struct RAMOBJ *obj, ObjCallbackProc *proc, ClientData clientData);
    struct RAMOBJ *(*close)(struct RAMOBJ *obj);
    void *(*load)(const char *fileName, int *status);
    void (*freeData)(void *data);
    Tcl_CmdProc *command;
    int (*modified)(struct RAMOBJ *obj);
    void *interface;            /* type-specific procedure table, or NULL */
} RAMOBJ;

OVEX_API extern Tk_ConfigSpec objectConfigSpecs[];

OVEX_API const char *getObjStr(int type);
OVEX_API int openObject(Tcl_Interp *interp, int type, const char *name, RAMOBJ **out);
OVEX_API void closeObject(RAMOBJ *obj);
OVEX_API int objAcquire(RAMOBJ *obj, ObjCallbackProc *proc, ClientData clientData);
OVEX_API int objRelease(RAMOBJ *obj, ObjCallbackProc *proc, ClientData clientData);
OVEX_API RAMOBJ *objClose(RAMOBJ *obj);
OVEX_API void objDelete(ClientData clientData);
OVEX_API int objConfig(RAMOBJ *obj, Tcl_Interp *interp, int argc, const char **argv,
                       int flags, const char *prevFile);
OVEX_API void objUpdate(RAMOBJ *obj);
OVEX_API int objDefCommand(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);

/* ---- Identifier options ----------------------------------------------------
 * Client data of custom options whose values are names of a vocabulary. */

typedef struct IDConverter {
    const char *name;                 /* vocabulary name for messages */
    int (*nameToId)(const char *name); /* -1 when unknown */
    const char *(*idToName)(int id);
} IDConverter;

OVEX_API int ParseID(ClientData clientData, Tcl_Interp *interp, Tk_Window tkwin,
                     const char *value, char *record, int offset);
OVEX_API char *GetIDStr(ClientData clientData, Tk_Window tkwin, char *record,
                        int offset, Tcl_FreeProc **freeProcPtr);

#ifdef __cplusplus
}
#endif

#endif /* OVEX_OVEX_H */
