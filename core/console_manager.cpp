/*
 * console_manager.cpp --
 *
 *	The console table of console mode: 16 slots, each an application
 *	interpreter (scripts and package commands) with a console interpreter
 *	(a Tk interpreter whose window shows output and takes input); the
 *	commands that tie the two together (conApp, conAppRec, conTk/console,
 *	setConStdIO); the console-manager form of ovex; and the teardown.
 *
 *	Destroying a window runs handlers that delete interpreters and change
 *	the table, so every walk over the table works on a preserved snapshot
 *	and re-reads the live slots as it goes.
 */
#include "core/console_manager.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/console_channels.h"
#include "core/console_io.h"
#include "core/inits.h"
#include "core/package.h"

namespace {

struct ConsoleSlot {
    Tcl_Interp *consoleInterp;  /* the console window's interpreter, or NULL */
    Tcl_Interp *appInterp;      /* NULL: the slot is free */
};

struct ConsoleTable {
    ConsoleSlot slots[OVEX_CONSOLE_SLOTS];
    int initialised;
};

/* A copy of the table whose interpreters stay alive until it is released. */
struct ConsoleSnapshot {
    ConsoleSlot slots[OVEX_CONSOLE_SLOTS];
};

/* A watched main window: the handler acts only while the slot still holds
 * this interpreter. Freed when the window is destroyed. */
struct WindowWatch {
    Tcl_Interp *interp;
    int slot;
};

ConsoleTable consoleTable;

/* The console "thread": an idle callback that creates a console on the
 * interpreter's own thread. The handle stays open until closed. */
bool threadHandle;
int threadFlag;
Tcl_Interp *threadCaller;  /* preserved while its callback is pending */

bool tearingDown;

const int DETACH_EVENTS = TCL_WINDOW_EVENTS | TCL_IDLE_EVENTS;
const int DETACHED_DELETE_MS = 128;
const int SUPPRESS_MS = 500;
const int TEARDOWN_DELAY_MS = 512;

const char COMMAND_LIST[] =
    "Commands: attach create close debug delete eval tulx identify list meter status unblock version";

ClientData slotData(int slot)
{
    return (ClientData)(intptr_t)slot;
}

int slotFrom(ClientData clientData)
{
    return (int)(intptr_t)clientData;
}

bool alive(Tcl_Interp *interp)
{
    return interp != NULL && !Tcl_InterpDeleted(interp);
}

void destroyMainWindow(Tcl_Interp *interp)
{
    Tk_Window main = ovexMainWindow(interp);
    if (main != NULL) {
        Tk_DestroyWindow(main);
    }
}

/* Words joined with blanks. */
std::string joinWords(int count, const char **words)
{
    std::string script;
    for (int i = 0; i < count; i++) {
        if (i > 0) {
            script += ' ';
        }
        script += words[i];
    }
    return script;
}

void setResultf(Tcl_Interp *interp, const char *format, ...) OVEX_PRINTF(2, 3);
void setResultf(Tcl_Interp *interp, const char *format, ...)
{
    char text[256];
    va_list ap;
    va_start(ap, format);
    vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
}

/* A slot number word: one with at least one digit, read the lenient way.
 * A word without digits is no slot (it would otherwise read as 0, and
 * slot 0 means the whole table). */
bool slotWord(const char *word, int *slot)
{
    if (strpbrk(word, "0123456789") == NULL) {
        return false;
    }
    *slot = ovexLenientInt(word);
    return true;
}

/* ---- Table bookkeeping ----------------------------------------------------- */

/* An interpreter leaves every slot when it is freed, so that the table
 * never holds a dangling handle. */
void slotInterpDeleted(ClientData clientData, Tcl_Interp *interp)
{
    for (ConsoleSlot &slot : consoleTable.slots) {
        if (slot.appInterp == interp) {
            slot.appInterp = NULL;
        }
        if (slot.consoleInterp == interp) {
            slot.consoleInterp = NULL;
        }
    }
}

void setSlotApp(int slot, Tcl_Interp *interp)
{
    consoleTable.slots[slot].appInterp = interp;
    if (interp != NULL) {
        Tcl_CallWhenDeleted(interp, slotInterpDeleted, NULL);
    }
}

void setSlotConsole(int slot, Tcl_Interp *interp)
{
    consoleTable.slots[slot].consoleInterp = interp;
    if (interp != NULL) {
        Tcl_CallWhenDeleted(interp, slotInterpDeleted, NULL);
    }
}

int firstFreeSlot(void)
{
    for (int slot = 0; slot < OVEX_CONSOLE_SLOTS; slot++) {
        if (consoleTable.slots[slot].appInterp == NULL) {
            return slot;
        }
    }
    return -1;
}

/*
 * conTablePreserve --
 *	Copies the table and preserves its interpreters, slot 0 up, the
 *	application before the console. Each caller keeps its own copy, so
 *	nested commands and teardowns release exactly what they preserved.
 */
ConsoleSnapshot conTablePreserve(void)
{
    ConsoleSnapshot snapshot;
    memcpy(snapshot.slots, consoleTable.slots, sizeof snapshot.slots);
    for (ConsoleSlot &slot : snapshot.slots) {
        if (slot.appInterp != NULL) {
            Tcl_Preserve(slot.appInterp);
        }
        if (slot.consoleInterp != NULL) {
            Tcl_Preserve(slot.consoleInterp);
        }
    }
    return snapshot;
}

/* Releases a snapshot's interpreters from slot 15 down, console first. */
void conTableRelease(const ConsoleSnapshot &snapshot)
{
    for (int slot = OVEX_CONSOLE_SLOTS - 1; slot >= 0; slot--) {
        if (snapshot.slots[slot].consoleInterp != NULL) {
            Tcl_Release(snapshot.slots[slot].consoleInterp);
        }
        if (snapshot.slots[slot].appInterp != NULL) {
            Tcl_Release(snapshot.slots[slot].appInterp);
        }
    }
}

/* ---- Interpreter deletion ------------------------------------------------------ */

void lowerSuppressLater(ClientData clientData)
{
    if (ovexState.suppressOutput > 0) {
        ovexState.suppressOutput--;
    }
}

void deleteInterpWhenIdle(ClientData clientData)
{
    Tcl_Interp *interp = (Tcl_Interp *)clientData;
    if (!Tcl_InterpDeleted(interp)) {
        Tcl_DeleteInterp(interp);
    }
    Tcl_Release(interp);
}

/*
 * conDestroyInterp --
 *	Destroys the interpreter's main window and deletes it, with console
 *	output suppressed until 500 ms later. When no console interpreter is
 *	left, the first slot's console that remains takes over.
 *
 *	The deletion waits for the next idle moment: the window's own
 *	<Destroy> bindings run after the C handler that got here, and a
 *	console waiting for an input line is released by them; in a deleted
 *	interpreter they could not run and the wait would never end.
 */
void conDestroyInterp(Tcl_Interp *interp)
{
    ovexState.suppressOutput++;
    if (ovexState.consoleInterp == interp) {
        setConsoleInterp(NULL);
    }
    if (!Tcl_InterpDeleted(interp)) {
        Tcl_Preserve(interp);
        destroyMainWindow(interp);
        Tcl_DoWhenIdle(deleteInterpWhenIdle, interp);
    }
    if (getConsoleInterp() == NULL) {
        for (ConsoleSlot &slot : consoleTable.slots) {
            if (slot.consoleInterp != interp && alive(slot.consoleInterp)) {
                setConsoleInterp(slot.consoleInterp);
                break;
            }
        }
    }
    Tcl_CreateTimerHandler(SUPPRESS_MS, lowerSuppressLater, NULL);
}

/* Deletes both interpreters of a slot, which becomes free. */
void conSlotDelete(int slot)
{
    Tcl_Interp *app = consoleTable.slots[slot].appInterp;
    consoleTable.slots[slot].appInterp = NULL;
    if (app != NULL) {
        conDestroyInterp(app);
    }
    Tcl_Interp *console = consoleTable.slots[slot].consoleInterp;
    consoleTable.slots[slot].consoleInterp = NULL;
    if (console != NULL) {
        conDestroyInterp(console);
    }
}

/* Deletes the slot of interp; nothing when it is in none. */
void conSlotDeleteOf(Tcl_Interp *interp)
{
    int slot = conSlotOf(interp);
    if (slot >= OVEX_CONSOLE_SLOTS) {
        return;
    }
    ovexState.suppressOutput++;
    conSlotDelete(slot);
    Tcl_CreateTimerHandler(SUPPRESS_MS, lowerSuppressLater, NULL);
}

/* A console taken from its slot goes a little later, once its window's
 * events have been handled. */
void conDeleteInterp(ClientData clientData)
{
    Tcl_Interp *interp = (Tcl_Interp *)clientData;
    if (ovexState.consoleInterp == interp) {
        setConsoleInterp(NULL);
    }
    if (!Tcl_InterpDeleted(interp)) {
        Tcl_DeleteInterp(interp);
    }
    Tcl_Release(interp);
}

void exitAllLater(ClientData clientData)
{
    conExitAll(TCL_ALL_EVENTS);
}

void closeAllLater(ClientData clientData)
{
    conCloseAll(TCL_ALL_EVENTS);
}

/* ---- Window watching --------------------------------------------------------- */

void watchMainWindow(Tcl_Interp *interp, int slot, Tk_EventProc *proc)
{
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        return;
    }
    WindowWatch *watch = (WindowWatch *)Tcl_AttemptAlloc(sizeof(WindowWatch));
    if (watch == NULL) {
        return;
    }
    watch->interp = interp;
    watch->slot = slot;
    Tk_CreateEventHandler(main, StructureNotifyMask, proc, watch);
}

/*
 * conAppDestroyed --
 *	An application window went: slot 0 takes everything down, any other
 *	slot deletes that interpreter.
 */
void conAppDestroyed(ClientData clientData, XEvent *event)
{
    if (event->type != DestroyNotify) {
        return;
    }
    WindowWatch watch = *(WindowWatch *)clientData;
    Tcl_Free((char *)clientData);
    ConsoleSlot &slot = consoleTable.slots[watch.slot];
    if (slot.appInterp == NULL || slot.appInterp != watch.interp) {
        return;
    }
    slot.appInterp = NULL;
    if (ovexState.consoleInterp == watch.interp) {
        setConsoleInterp(NULL);
    }
    if (watch.slot == 0) {
        conExitAll(TCL_ALL_EVENTS);
    } else {
        conDestroyInterp(watch.interp);
    }
}

/*
 * conTkDestroyed --
 *	A console window went: its interpreter is deleted. Slot 0 first makes
 *	sure its application window is not left withdrawn, where nobody could
 *	reach it.
 */
void conTkDestroyed(ClientData clientData, XEvent *event)
{
    if (event->type != DestroyNotify) {
        return;
    }
    WindowWatch watch = *(WindowWatch *)clientData;
    Tcl_Free((char *)clientData);
    ConsoleSlot &slot = consoleTable.slots[watch.slot];
    Tcl_Interp *console = slot.consoleInterp;
    if (console == NULL || console != watch.interp) {
        return;
    }
    slot.consoleInterp = NULL;
    if (ovexState.consoleInterp == console) {
        setConsoleInterp(NULL);
    }
    if (watch.slot == 0 && alive(console)) {
        Tcl_Preserve(console);
        if (Tcl_GlobalEval(console, "conApp wm state .") == TCL_OK
            && strcmp(Tcl_GetStringResult(console), "withdrawn") == 0) {
            Tcl_GlobalEval(console, "conApp wm iconify .");
        }
        Tcl_Release(console);
    }
    conDestroyInterp(console);
}

/* ---- Commands between the interpreters of a slot ------------------------------- */

/*
 * ConsoleSwitch --
 *	Makes an interpreter the console interpreter for the life of the
 *	object; the previous one comes back unless it was deleted meanwhile.
 */
class ConsoleSwitch {
public:
    explicit ConsoleSwitch(Tcl_Interp *interp) : previous(ovexState.consoleInterp)
    {
        if (previous != NULL) {
            Tcl_Preserve(previous);
        }
        setConsoleInterp(interp);
    }
    ~ConsoleSwitch()
    {
        if (previous == NULL) {
            setConsoleInterp(NULL);
            return;
        }
        if (!Tcl_InterpDeleted(previous)) {
            setConsoleInterp(previous);
        }
        Tcl_Release(previous);
    }
    ConsoleSwitch(const ConsoleSwitch &) = delete;
    ConsoleSwitch &operator=(const ConsoleSwitch &) = delete;

private:
    Tcl_Interp *previous;
};

/*
 * conAppCmd --
 *	conApp word...: evaluates the words, joined with blanks, in the
 *	slot's application interpreter; its result replaces ours.
 */
int conAppCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    Tcl_Interp *app = consoleTable.slots[slotFrom(clientData)].appInterp;
    if (Tcl_InterpDeleted(interp) || !alive(app)) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    std::string script = joinWords(argc - 1, argv + 1);
    Tcl_Preserve(interp);
    Tcl_Preserve(app);
    int code;
    {
        ConsoleSwitch console(interp);
        code = Tcl_EvalEx(app, script.c_str(), -1, TCL_EVAL_GLOBAL);
        Tcl_SetObjResult(interp, Tcl_GetObjResult(app));
    }
    Tcl_Release(app);
    Tcl_Release(interp);
    return code;
}

/*
 * conAppRecCmd --
 *	conAppRec word...: records the script in the application's history
 *	and evaluates it there; its result is appended to ours.
 */
int conAppRecCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    Tcl_Interp *app = consoleTable.slots[slotFrom(clientData)].appInterp;
    if (Tcl_InterpDeleted(interp) || !alive(app)) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    std::string script = argc == 2 ? std::string(argv[1]) : joinWords(argc - 1, argv + 1);
    Tcl_Preserve(interp);
    Tcl_Preserve(app);
    int code;
    {
        ConsoleSwitch console(interp);
        code = Tcl_RecordAndEval(app, script.c_str(), TCL_EVAL_GLOBAL);
        if (!Tcl_InterpDeleted(interp) && !Tcl_InterpDeleted(app)) {
            Tcl_AppendResult(interp, Tcl_GetStringResult(app), (char *)NULL);
        }
    }
    Tcl_Release(app);
    Tcl_Release(interp);
    return code;
}

/*
 * conTkCmd --
 *	conTk word..., console word...: evaluates the words, merged as a
 *	list, in the slot's console interpreter; its result replaces ours.
 */
int conTkCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    Tcl_Interp *console = consoleTable.slots[slotFrom(clientData)].consoleInterp;
    if (Tcl_InterpDeleted(interp) || !alive(console)) {
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    char *script = Tcl_Merge(argc - 1, argv + 1);
    Tcl_Preserve(interp);
    Tcl_Preserve(console);
    int code;
    {
        ConsoleSwitch consoleSwitch(console);
        code = Tcl_EvalEx(console, script, -1, TCL_EVAL_GLOBAL);
        if (!Tcl_InterpDeleted(interp) && !Tcl_InterpDeleted(console)) {
            Tcl_SetObjResult(interp, Tcl_GetObjResult(console));
            Tcl_ResetResult(console);
        }
    }
    Tcl_Release(console);
    Tcl_Release(interp);
    Tcl_Free(script);
    return code;
}

/* ---- Creating consoles ------------------------------------------------------- */

int ovexConsoleCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);

/* Tcl and Tk in a new interpreter; failures leave it without them. */
Tcl_Interp *createTkInterp(void)
{
    Tcl_Interp *interp = Tcl_CreateInterp();
    conRegisterStdChannels(interp);
    if (Tcl_Init(interp) == TCL_OK) {
        Tk_Init(interp);
    }
    return interp;
}

/* Evaluates a set-up script whose outcome does not matter. */
void evalQuietly(Tcl_Interp *interp, const char *script)
{
    consoleEval(interp, script, -1);
}

void createAppCommands(Tcl_Interp *app, int slot)
{
    Tcl_CreateCommand(app, "conTk", conTkCmd, slotData(slot), NULL);
    Tcl_CreateCommand(app, "console", conTkCmd, slotData(slot), NULL);
}

/*
 * conTkCreate --
 *	Creates the console interpreter of a slot: Tk, the registration
 *	chain, the console commands and the console's script libraries.
 * Results:
 *	The interpreter, or NULL when its script libraries fail; then
 *	"Fail to load ovexConScripts:MESSAGE\n" is appended to parent's
 *	result and nothing is left behind.
 */
Tcl_Interp *conTkCreate(Tcl_Interp *parent, int slot)
{
    Tcl_Interp *console = createTkInterp();
    Tk_Window main = ovexMainWindow(console);
    if (main != NULL) {
        Tk_MakeWindowExist(main);
    }
    ovexRegisterCommands(console);
    conCopyHomeVars(parent, console);
    Tcl_CreateCommand(console, "ovex", ovexConsoleCmd, &consoleTable, NULL);
    Tcl_CreateCommand(console, "setConStdIO", setConStdIO, NULL, NULL);
    Tcl_CreateCommand(console, "conApp", conAppCmd, slotData(slot), NULL);
    Tcl_CreateCommand(console, "conAppRec", conAppRecCmd, slotData(slot), NULL);
    watchMainWindow(console, slot, conTkDestroyed);

    char script[128];
    const char *tkVersion = Tcl_GetVar(console, "tk_version", TCL_GLOBAL_ONLY);
    if (tkVersion != NULL) {
        std::string version = tkVersion;
        snprintf(script, sizeof script, "wm title . {Tk%s Ovex Console # %i}", version.c_str(), slot);
    } else {
        snprintf(script, sizeof script, "wm title . {Tk Ovex Console # %i}", slot);
    }
    evalQuietly(console, script);
    evalQuietly(console, "proc hide {} {wm withdraw .}");
    evalQuietly(console, "proc show {} {wm deiconify .}");
    evalQuietly(console, "proc title titleName {wm title . $titleName}");

    Tcl_Preserve(console);
    int code = Tcl_GlobalEval(console,
        "foreach s $ovexConScripts {calc decompload [file join $tulxHome $s]}");
    if (code != TCL_OK) {
        std::string message = Tcl_GetStringResult(console);
        Tcl_AppendResult(parent, "Fail to load ovexConScripts:", message.c_str(), "\n", (char *)NULL);
        if (ovexState.consoleInterp == console) {
            setConsoleInterp(NULL);
        }
        destroyMainWindow(console);
        if (!Tcl_InterpDeleted(console)) {
            Tcl_DeleteInterp(console);
        }
    }
    Tcl_Release(console);
    return code == TCL_OK ? console : NULL;
}

/*
 * detachConsole --
 *	Takes the console from a slot: its window goes at once, the
 *	interpreter 128 ms later.
 */
void detachConsole(int slot)
{
    Tcl_Interp *old = consoleTable.slots[slot].consoleInterp;
    consoleTable.slots[slot].consoleInterp = NULL;
    Tcl_Preserve(old);
    destroyMainWindow(old);
    tclUpdate(NULL, DETACH_EVENTS);
    Tcl_CreateTimerHandler(DETACHED_DELETE_MS, conDeleteInterp, old);
}

/*
 * conInit --
 *	Gives an interpreter a console. create: a new application
 *	interpreter in the first free slot. Otherwise (attach) interp itself
 *	becomes an application interpreter: of its slot, or of slot 0 when it
 *	has none; an attached slot's old console is replaced.
 * Results:
 *	TCL_OK when the slot has a console; else TCL_ERROR with "Too many
 *	consoles" or the failure followed by "Error in conInit" (a new
 *	application interpreter is then deleted again).
 */
int conInit(Tcl_Interp *interp, bool create)
{
    Tcl_Interp *key = create ? NULL : interp;
    int slot = -1;
    for (int s = 0; s < OVEX_CONSOLE_SLOTS; s++) {
        if (consoleTable.slots[s].appInterp == key) {
            slot = s;
            break;
        }
    }
    bool found = slot >= 0;
    if (!found) {
        if (create) {
            Tcl_SetResult(interp, (char *)"Too many consoles", TCL_STATIC);
            return TCL_ERROR;
        }
        slot = 0;
    }

    Tcl_Interp *app = interp;
    if (create) {
        app = createTkInterp();
        /* Taken before its scripts run, which might create consoles too. */
        setSlotApp(slot, app);
        conCopyHomeVars(interp, app);
        ovexShellInit(app);
        createAppCommands(app, slot);
        watchMainWindow(app, slot, conAppDestroyed);
        Tcl_SetVar(app, "tcl_interactive", "1", TCL_GLOBAL_ONLY);
    } else if (!found) {
        createAppCommands(interp, slot);
        watchMainWindow(interp, slot, conAppDestroyed);
        setSlotApp(slot, interp);
    } else if (consoleTable.slots[slot].consoleInterp != NULL) {
        detachConsole(slot);
    }

    if (ovexMainWindow(app) != NULL) {
        char script[64];
        snprintf(script, sizeof script, "wm title . {Tk Main # %i}", slot);
        evalQuietly(app, script);
    }
    if (consoleTable.slots[slot].consoleInterp == NULL) {
        setSlotConsole(slot, conTkCreate(interp, slot));
    }
    if (consoleTable.slots[slot].consoleInterp != NULL) {
        return TCL_OK;
    }
    Tcl_AppendResult(interp, "Error in conInit", (char *)NULL);
    if (create && consoleTable.slots[slot].appInterp == app) {
        consoleTable.slots[slot].appInterp = NULL;
        conDestroyInterp(app);
    }
    return TCL_ERROR;
}

/* ---- The console thread ------------------------------------------------------- */

void consoleThreadProc(ClientData clientData)
{
    Tcl_Interp *caller = (Tcl_Interp *)clientData;
    threadCaller = NULL;
    if (!Tcl_InterpDeleted(caller)) {
        Tcl_InterpState state = Tcl_SaveInterpState(caller, TCL_OK);
        ConsoleSnapshot snapshot = conTablePreserve();
        conInit(caller, true);
        conTableRelease(snapshot);
        Tcl_RestoreInterpState(caller, state);
    }
    Tcl_Release(caller);
}

/* Closes the thread handle; a console not created yet is not created. */
void closeConsoleThread(void)
{
    threadHandle = false;
    if (threadCaller != NULL) {
        Tcl_CancelIdleCall(consoleThreadProc, threadCaller);
        Tcl_Release(threadCaller);
        threadCaller = NULL;
    }
}

/* ---- The console-manager ovex -------------------------------------------------- */

typedef int (SubcommandProc)(Tcl_Interp *interp, int argc, const char **argv);

int usage(Tcl_Interp *interp, const char *text)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
    return TCL_OK;
}

int attachSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 2) {
        return usage(interp, (std::string("Usage: ") + argv[0] + " attach").c_str());
    }
    return conInit(interp, false);
}

/* A bare interpreter of the named shell in the first free slot. */
int createShell(Tcl_Interp *interp, const char *shell)
{
    int slot = firstFreeSlot();
    if (slot < 0) {
        Tcl_SetResult(interp, (char *)"No free slots", TCL_STATIC);
        return TCL_ERROR;
    }
    Tcl_Interp *bare = Tcl_CreateInterp();
    setSlotApp(slot, bare);
    conRegisterStdChannels(bare);
    Tcl_Preserve(bare);
    int code = Tcl_Init(bare);
    if (strcmp(shell, "tclsh") != 0) {
        code = Tk_Init(bare);
    }
    if (strcmp(shell, "ovexsh") == 0) {
        conCopyHomeVars(interp, bare);
        code = ovexShellInit(bare);
    }
    char head[64];
    snprintf(head, sizeof head, "%s interp %d\n", shell, slot);
    std::string message = Tcl_GetStringResult(bare);
    Tcl_Release(bare);
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, head, message.c_str(), (char *)NULL);
    return code;
}

int createSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        return conInit(interp, true);
    }
    if (argc == 3
        && (strcmp(argv[2], "tclsh") == 0 || strcmp(argv[2], "wish") == 0
            || strcmp(argv[2], "ovexsh") == 0)) {
        return createShell(interp, argv[2]);
    }
    return usage(interp, (std::string("Usage: ") + argv[0] + " create [tclsh|wish|ovexsh]").c_str());
}

int idUsage(Tcl_Interp *interp, const char **argv)
{
    return usage(interp, (std::string("Usage: ") + argv[0] + " " + argv[1] + " id0 id1 ...").c_str());
}

void closeSlotConsole(int slot)
{
    Tcl_Interp *console = consoleTable.slots[slot].consoleInterp;
    if (alive(console)) {
        destroyMainWindow(console);
    }
}

int closeSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) {
        return idUsage(interp, argv);
    }
    for (int i = 2; i < argc; i++) {
        const char *word = argv[i];
        int slot;
        if (strcasecmp(word, "all") == 0) {
            Tcl_CreateTimerHandler(TEARDOWN_DELAY_MS, closeAllLater, NULL);
            break;
        }
        if (strcmp(word, ".") == 0) {
            slot = conSlotOf(interp);
            if (slot < OVEX_CONSOLE_SLOTS) {
                closeSlotConsole(slot);
            }
        } else if (slotWord(word, &slot) && slot >= 0 && slot < OVEX_CONSOLE_SLOTS) {
            closeSlotConsole(slot);
        }
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int deleteSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3) {
        return idUsage(interp, argv);
    }
    for (int i = 2; i < argc; i++) {
        const char *word = argv[i];
        bool dot = strcmp(word, ".") == 0;
        int slot = -1;
        bool number = slotWord(word, &slot);
        if (strcasecmp(word, "all") == 0 || (number && slot == 0) || (dot && conSlotOf(interp) == 0)) {
            Tcl_CreateTimerHandler(TEARDOWN_DELAY_MS, exitAllLater, NULL);
            break;
        }
        if (dot) {
            conSlotDeleteOf(interp);
        } else if (number && slot > 0 && slot < OVEX_CONSOLE_SLOTS) {
            conSlotDelete(slot);
        }
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int debugSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        Tcl_SetResult(interp, (char *)(ovexState.debug ? "1" : "0"), TCL_STATIC);
        return TCL_OK;
    }
    if (argc == 3) {
        ovexState.debug = ovexLenientInt(argv[2]) != 0;
        return TCL_OK;
    }
    Tcl_SetObjResult(interp,
        Tcl_NewStringObj((std::string(argv[0]) + " " + argv[1] + " debugmode").c_str(), -1));
    return TCL_ERROR;
}

int evalSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4) {
        char text[256];
        snprintf(text, sizeof text, "Usage: %.200s eval id scripts", argv[0]);
        return usage(interp, text);
    }
    int slot = ovexLenientInt(argv[2]);
    if (slot < 0 || slot >= OVEX_CONSOLE_SLOTS || !alive(consoleTable.slots[slot].appInterp)) {
        Tcl_SetResult(interp, (char *)"Invalid interp ID.\n", TCL_STATIC);
        return TCL_ERROR;
    }
    Tcl_Interp *app = consoleTable.slots[slot].appInterp;
    Tcl_Preserve(app);
    int code = Tcl_EvalEx(app, argv[3], -1, TCL_EVAL_GLOBAL);
    Tcl_SetObjResult(interp, Tcl_GetObjResult(app));
    Tcl_Release(app);
    return code;
}

int listSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 2) {
        return usage(interp, (std::string("Usage: ") + argv[0] + " " + argv[1]).c_str());
    }
    for (int slot = 0; slot < OVEX_CONSOLE_SLOTS; slot++) {
        Tcl_Interp *app = consoleTable.slots[slot].appInterp;
        Tcl_Interp *console = consoleTable.slots[slot].consoleInterp;
        ovex_fprintf(stdout,
            "id:%2d app:%08" PRIuPTR " 0x%08" PRIxPTR " deleted:%d con:%08" PRIuPTR " 0x%08" PRIxPTR
            " deleted:%d\n",
            slot, (uintptr_t)app, (uintptr_t)app, app ? Tcl_InterpDeleted(app) : 0,
            (uintptr_t)console, (uintptr_t)console, console ? Tcl_InterpDeleted(console) : 0);
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int identifySubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 2) {
        return usage(interp, (std::string("Usage: ") + argv[0] + " " + argv[1]).c_str());
    }
    setResultf(interp, "%d", conSlotOf(interp));
    return TCL_OK;
}

int meterSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        setResultf(interp, "%f", (double)ovexState.meterStep);
        return TCL_OK;
    }
    double step = ovexLenientDouble(argv[2]);
    if (!(step >= 0.0)) {
        step = 0.0;
    } else if (step > 0.5) {
        step = 0.5;
    }
    ovexState.meterStep = (float)step;
    return TCL_OK;
}

int tulxSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    return ovexListTulxImages(interp);
}

int threadSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    threadFlag = 1;
    if (!threadHandle) {
        threadHandle = true;
        threadCaller = interp;
        Tcl_Preserve(interp);
        Tcl_DoWhenIdle(consoleThreadProc, interp);
        setResultf(interp, "Thread start with flag: %d.\n", threadFlag);
        return TCL_OK;
    }
    threadFlag = 0;
    closeConsoleThread();
    setResultf(interp, "Thread closed with flag: %d.\n", threadFlag);
    return TCL_OK;
}

int unblockSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        setResultf(interp, "%d", ovexState.eventPass);
    } else {
        ovexState.eventPass = ovexLenientInt(argv[2]);
    }
    return TCL_OK;
}

/* The console channels become the standard channels of interp. */
int stdioSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    conCreateChannels(interp);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int statusSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        setResultf(interp, "%d", ovexState.pauseAbort);
        return TCL_OK;
    }
    int state = ovexLenientInt(argv[2]);
    ovexState.pauseAbort = state < 0 ? 0 : (state > 3 ? 3 : state);
    return TCL_OK;
}

int tflagSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    setResultf(interp, "ThreadFlag: %d\n", threadFlag);
    return TCL_OK;
}

int versionSubcommand(Tcl_Interp *interp, int argc, const char **argv)
{
    Tcl_SetResult(interp, (char *)ovexVersionString(), TCL_STATIC);
    return TCL_OK;
}

struct Subcommand {
    const char *name;
    int minLength;
    SubcommandProc *proc;
};

const Subcommand SUBCOMMANDS[] = {
    {"attach", 3, attachSubcommand},     {"create", 3, createSubcommand},
    {"close", 3, closeSubcommand},       {"delete", 3, deleteSubcommand},
    {"debug", 3, debugSubcommand},       {"eval", 3, evalSubcommand},
    {"list", 3, listSubcommand},         {"identify", 2, identifySubcommand},
    {"meter", 3, meterSubcommand},       {"tulx", 3, tulxSubcommand},
    {"thread", 3, threadSubcommand},     {"unblock", 4, unblockSubcommand},
    {"stdio", 3, stdioSubcommand},       {"status", 3, statusSubcommand},
    {"tflag", 3, tflagSubcommand},       {"version", 3, versionSubcommand},
};

/*
 *----------------------------------------------------------------------
 *
 * ovexConsoleCmd --
 *
 *	The console-manager ovex. A first word that is no subcommand is not
 *	an error: all the words are joined with blanks and evaluated as a
 *	script here, so "ovex puts hello" writes through the console.
 *
 * Results:
 *	As the subcommand or the script; the command list with no word.
 *
 * Side effects:
 *	The table's interpreters stay alive while the command runs.
 *
 *----------------------------------------------------------------------
 */
int ovexConsoleCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        Tcl_SetResult(interp, (char *)COMMAND_LIST, TCL_STATIC);
        return TCL_OK;
    }
    ConsoleSnapshot snapshot = conTablePreserve();
    Tcl_Preserve(interp);
    const Subcommand *found = NULL;
    for (const Subcommand &subcommand : SUBCOMMANDS) {
        if (ovexMatchWord(argv[1], subcommand.name, subcommand.minLength)) {
            found = &subcommand;
            break;
        }
    }
    int code;
    if (found != NULL) {
        code = found->proc(interp, argc, argv);
    } else {
        std::string script = joinWords(argc - 1, argv + 1);
        code = Tcl_EvalEx(interp, script.c_str(), -1, 0);
    }
    Tcl_Release(interp);
    conTableRelease(snapshot);
    return code;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * ovexShellInit --
 *
 *	Makes interp a console-mode shell: the console-manager ovex, once per
 *	process the console table and the console channels, then the
 *	registration chain and the application's script libraries.
 *
 * Results:
 *	TCL_ERROR when ovex cannot be created, else the code of ovexAppInit.
 *
 * Side effects:
 *	The console channels become the standard channels, registered in
 *	interp; their predecessors come back at exit.
 *
 *----------------------------------------------------------------------
 */
int ovexShellInit(Tcl_Interp *interp)
{
    Tk_Window main = ovexMainWindow(interp);
    if (main != NULL) {
        Tk_MakeWindowExist(main);
    }
    if (Tcl_CreateCommand(interp, "ovex", ovexConsoleCmd, &consoleTable, NULL) == NULL) {
        return TCL_ERROR;
    }
    if (!consoleTable.initialised) {
        memset(consoleTable.slots, 0, sizeof consoleTable.slots);
        conCreateChannels(interp);
        consoleTable.initialised = 1;
    }
    conRegisterStdChannels(interp);
    return ovexAppInit(interp);
}

int conSlotOf(Tcl_Interp *interp)
{
    for (int slot = 0; slot < OVEX_CONSOLE_SLOTS; slot++) {
        if (consoleTable.slots[slot].appInterp == interp
            || consoleTable.slots[slot].consoleInterp == interp) {
            return slot;
        }
    }
    return OVEX_CONSOLE_SLOTS;
}

/*
 *----------------------------------------------------------------------
 *
 * conExitAll --
 *
 *	Full teardown: after an event pass of the given kinds, every
 *	application and console window is destroyed (slot 15 down to 0) and
 *	every slot above 0 deleted; the table must be set up again by
 *	ovexShellInit. Slot 0's application interpreter (often the host's own)
 *	keeps living without its window.
 *
 * Side effects:
 *	Window handlers run, among them slot 0's, which would start this
 *	teardown again: a teardown started during one does nothing.
 *
 *----------------------------------------------------------------------
 */
void conExitAll(int flags)
{
    if (tearingDown) {
        return;
    }
    tearingDown = true;
    closeConsoleThread();
    if (consoleTable.initialised) {
        ConsoleSnapshot snapshot = conTablePreserve();
        tclUpdate(NULL, flags);
        setConsoleInterp(NULL);
        for (int slot = OVEX_CONSOLE_SLOTS - 1; slot >= 0; slot--) {
            destroyMainWindow(consoleTable.slots[slot].appInterp);
            destroyMainWindow(consoleTable.slots[slot].consoleInterp);
            if (slot > 0) {
                conSlotDelete(slot);
            }
        }
        /* The interpreters go now, also when this is the exit handler. */
        tclUpdate(NULL, TCL_IDLE_EVENTS);
        consoleTable.initialised = 0;
        conTableRelease(snapshot);
    }
    tearingDown = false;
}

/*
 * conCloseAll --
 *	Destroys every console window (slot 15 down to 0); the handlers
 *	delete the console interpreters and the applications stay.
 */
void conCloseAll(int flags)
{
    closeConsoleThread();
    ConsoleSnapshot snapshot = conTablePreserve();
    tclUpdate(NULL, flags);
    setConsoleInterp(NULL);
    for (int slot = OVEX_CONSOLE_SLOTS - 1; slot >= 0; slot--) {
        closeSlotConsole(slot);
    }
    conTableRelease(snapshot);
}

/*
 * setConStdIO --
 *	Makes the calling interpreter the console interpreter (the meter of
 *	the previous one is reset). Always TCL_OK.
 */
int setConStdIO(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (ovexState.consoleInterp != interp && !Tcl_InterpDeleted(interp)) {
        meterReset();
        setConsoleInterp(interp);
    }
    return TCL_OK;
}
