/*
 * console_channels.cpp --
 *
 *	The channel type "console" and its three channels console0 (standard
 *	input), console1 (standard output) and console2 (standard error).
 *	Tcl's channel types are read-only, so instead of hooking the type of
 *	the existing standard channels the console channels become the
 *	standard channels themselves; the previous ones are kept and come back
 *	at exit.
 *
 *	The channels neither buffer nor wait by themselves (-buffering none):
 *	a write is one console output call, a read lasts as long as the
 *	console's line input.
 */
#include "core/console_channels.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/package.h"

namespace {

int consoleCloseProc(ClientData instanceData, Tcl_Interp *interp)
{
    return 0;
}

void consoleWatchProc(ClientData instanceData, int mask)
{
}

/* The console has no operating-system handle. */
int consoleGetHandleProc(ClientData instanceData, int direction, ClientData *handlePtr)
{
    return TCL_ERROR;
}

const Tcl_ChannelType consoleChannelType = {
    "console",                /* typeName */
    TCL_CHANNEL_VERSION_5,    /* version */
    consoleCloseProc,         /* closeProc */
    consoleChannelInput,      /* inputProc */
    consoleChannelOutput,     /* outputProc */
    NULL,                     /* seekProc */
    NULL,                     /* setOptionProc */
    NULL,                     /* getOptionProc */
    consoleWatchProc,         /* watchProc */
    consoleGetHandleProc,     /* getHandleProc */
    NULL,                     /* close2Proc */
    NULL,                     /* blockModeProc */
    NULL,                     /* flushProc */
    NULL,                     /* handlerProc */
    NULL,                     /* wideSeekProc */
    NULL,                     /* threadActionProc */
    NULL,                     /* truncateProc */
};

struct ConsoleChannel {
    const char *name;
    int standardType;      /* TCL_STDIN, TCL_STDOUT or TCL_STDERR */
    int mode;              /* TCL_READABLE or TCL_WRITABLE */
    Tcl_Channel channel;   /* NULL until created, and again once closed */
    Tcl_Channel previous;  /* the standard channel before ours */
    bool previousSaved;
};

ConsoleChannel consoleChannels[] = {
    {"console0", TCL_STDIN, TCL_READABLE, NULL, NULL, false},
    {"console1", TCL_STDOUT, TCL_WRITABLE, NULL, NULL, false},
    {"console2", TCL_STDERR, TCL_WRITABLE, NULL, NULL, false},
};
const int CONSOLE_INPUT = 0;

bool restoreRegistered;

/* The part of the last console line that a read could not take yet. */
std::string pendingInput;
size_t pendingOffset;

/* Reads and writes in progress. Tcl cannot re-enter a channel from its
 * own driver (a nested flush would write the pending bytes twice), so a
 * nested use of a console channel is refused. */
int inputDepth;
int outputDepth;

ConsoleChannel *entryOf(int standardType)
{
    for (ConsoleChannel &entry : consoleChannels) {
        if (entry.standardType == standardType) {
            return &entry;
        }
    }
    return NULL;
}

/*
 * PreviousStandard --
 *	While the console itself reads or writes, the standard channels of
 *	that direction are the previous ones: the console's own scripts (an
 *	output command that is "puts -nonewline stdout", "gets stdin") then
 *	reach the real channels instead of coming back into a console channel.
 */
class PreviousStandard {
public:
    PreviousStandard(int firstType, int secondType)
    {
        swap(0, firstType);
        swap(1, secondType);
    }
    ~PreviousStandard()
    {
        for (ConsoleChannel *entry : swapped) {
            if (entry != NULL && entry->channel != NULL
                && Tcl_GetStdChannel(entry->standardType) == entry->previous) {
                Tcl_SetStdChannel(entry->channel, entry->standardType);
            }
        }
    }
    PreviousStandard(const PreviousStandard &) = delete;
    PreviousStandard &operator=(const PreviousStandard &) = delete;

private:
    void swap(int index, int standardType)
    {
        swapped[index] = NULL;
        ConsoleChannel *entry = entryOf(standardType);
        if (entry == NULL || !entry->previousSaved || entry->channel == NULL
            || Tcl_GetStdChannel(standardType) != entry->channel) {
            return;
        }
        Tcl_SetStdChannel(entry->previous, standardType);
        swapped[index] = entry;
    }

    ConsoleChannel *swapped[2];
};

/* A closed channel is freed by Tcl; forget it. */
void consoleChannelClosed(ClientData clientData)
{
    ConsoleChannel *entry = (ConsoleChannel *)clientData;
    entry->channel = NULL;
    if (entry->standardType == TCL_STDIN) {
        conDropPendingInput();
    }
}

/* The channel that interp knows by name, or NULL; its result is kept. */
Tcl_Channel channelNamed(Tcl_Interp *interp, const char *name)
{
    Tcl_InterpState state = Tcl_SaveInterpState(interp, TCL_OK);
    Tcl_Channel channel = Tcl_GetChannel(interp, name, NULL);
    Tcl_RestoreInterpState(interp, state);
    return channel;
}

/*
 * createChannel --
 *	Creates one console channel, held by the process (registered without
 *	an interpreter) so that closing it in one interpreter keeps it for
 *	the others.
 */
void createChannel(ConsoleChannel *entry)
{
    ClientData instanceData = (ClientData)(intptr_t)entry->standardType;
    entry->channel = Tcl_CreateChannel(&consoleChannelType, entry->name, instanceData, entry->mode);
    Tcl_RegisterChannel(NULL, entry->channel);
    Tcl_CreateCloseHandler(entry->channel, consoleChannelClosed, entry);
    /* Options this Tcl does not know are of no consequence. */
    Tcl_SetChannelOption(NULL, entry->channel, "-translation", "lf");
    Tcl_SetChannelOption(NULL, entry->channel, "-buffering", "none");
    Tcl_SetChannelOption(NULL, entry->channel, "-encoding", "utf-8");
}

/*
 * makeStandard --
 *	Makes the entry's channel the standard channel of its kind, keeping
 *	the one it replaces (held, so that no interpreter can close it) for
 *	conRestoreStdChannels.
 */
void makeStandard(ConsoleChannel *entry)
{
    Tcl_Channel current = Tcl_GetStdChannel(entry->standardType);
    if (current == entry->channel) {
        return;
    }
    if (!entry->previousSaved) {
        entry->previous = current;
        entry->previousSaved = true;
        if (current != NULL) {
            Tcl_RegisterChannel(NULL, current);
        }
    }
    Tcl_SetStdChannel(entry->channel, entry->standardType);
}

/* Registers a channel in interp unless it is there or the name is taken. */
void registerIn(Tcl_Interp *interp, Tcl_Channel channel)
{
    if (channel != NULL && !Tcl_IsChannelRegistered(interp, channel)
        && channelNamed(interp, Tcl_GetChannelName(channel)) == NULL) {
        Tcl_RegisterChannel(interp, channel);
    }
}

/*
 * installChannel --
 *	Creates the entry's channel when needed, makes it standard and
 *	registers it in interp, unless interp holds another channel of that
 *	name (Tk's console channels), which then stays what it is.
 */
void installChannel(ConsoleChannel *entry, Tcl_Interp *interp)
{
    Tcl_Channel named = channelNamed(interp, entry->name);
    if (named != NULL && named != entry->channel) {
        return;
    }
    if (entry->channel == NULL) {
        createChannel(entry);
    }
    makeStandard(entry);
    registerIn(interp, entry->channel);
    registerIn(interp, entry->previous);
}

void registerRestore(void)
{
    if (!restoreRegistered) {
        Tcl_CreateExitHandler(conRestoreStdChannels, NULL);
        restoreRegistered = true;
    }
}

/* Hands over the next piece of the pending line. */
int takePending(char *buffer, int size)
{
    size_t available = pendingInput.size() - pendingOffset;
    size_t count = available < (size_t)size ? available : (size_t)size;
    memcpy(buffer, pendingInput.data() + pendingOffset, count);
    pendingOffset += count;
    if (pendingOffset >= pendingInput.size()) {
        conDropPendingInput();
    }
    return (int)count;
}

} // namespace

void conCreateChannels(Tcl_Interp *interp)
{
    for (ConsoleChannel &entry : consoleChannels) {
        installChannel(&entry, interp);
    }
    registerRestore();
}

void conUseConsoleInput(Tcl_Interp *interp)
{
    installChannel(&consoleChannels[CONSOLE_INPUT], interp);
    registerRestore();
}

void conRegisterStdChannels(Tcl_Interp *interp)
{
    if (interp == NULL || Tcl_InterpDeleted(interp)) {
        return;
    }
    for (ConsoleChannel &entry : consoleChannels) {
        if (entry.channel == NULL || Tcl_GetStdChannel(entry.standardType) != entry.channel) {
            continue;
        }
        registerIn(interp, entry.channel);
        registerIn(interp, entry.previous);
    }
}

/*
 * conRestoreStdChannels --
 *	Exit handler: clears the console interpreter and gives back the
 *	standard output, error and input channels from before console mode
 *	wherever a console channel is still standard.
 */
void conRestoreStdChannels(ClientData clientData)
{
    ovexState.consoleInterp = NULL;
    static const int order[] = {TCL_STDOUT, TCL_STDERR, TCL_STDIN};
    for (int standardType : order) {
        ConsoleChannel *entry = entryOf(standardType);
        if (entry->previousSaved && entry->channel != NULL
            && Tcl_GetStdChannel(standardType) == entry->channel) {
            Tcl_SetStdChannel(entry->previous, standardType);
            /* A later console mode keeps what is standard then. */
            entry->previousSaved = false;
            entry->previous = NULL;
        }
    }
    conDropPendingInput();
}

void conDropPendingInput(void)
{
    pendingInput.clear();
    pendingInput.shrink_to_fit();
    pendingOffset = 0;
}

/*
 *----------------------------------------------------------------------
 *
 * consoleChannelInput --
 *
 *	Reads one console line (conGets) and hands it over with its newline;
 *	a line longer than size comes in pieces over the following reads, so
 *	nothing of it is lost. Without a Tk-style console the console reads
 *	with "gets stdin", which then reads the previous standard input. A
 *	console window waits for its line in an event loop; a console read
 *	started meanwhile (another window's "gets stdin") gets the end of
 *	input rather than re-entering the channel.
 *
 * Results:
 *	The bytes stored in buffer (no terminator is added); 0, the end of
 *	file, when no line came, there is no console, or console0 is read
 *	from inside its own read.
 *
 *----------------------------------------------------------------------
 */
int consoleChannelInput(ClientData instanceData, char *buffer, int size, int *errorCode)
{
    *errorCode = 0;
    if (size <= 0) {
        return 0;
    }
    if (pendingOffset < pendingInput.size()) {
        return takePending(buffer, size);
    }
    if (inputDepth > 0) {
        return 0;
    }

    inputDepth++;
    int length = 0;
    const char *line;
    if (ovexState.tkConsole) {
        line = conGets(&length);
    } else {
        PreviousStandard realInput(TCL_STDIN, TCL_STDIN);
        line = conGets(&length);
    }
    if (line != NULL) {
        pendingInput.assign(line, (size_t)length);
        if (pendingInput.back() != '\n') {
            pendingInput.push_back('\n');
        }
        pendingOffset = 0;
    }
    inputDepth--;
    if (line == NULL) {
        return 0;
    }
    return takePending(buffer, size);
}

/*
 *----------------------------------------------------------------------
 *
 * consoleChannelOutput --
 *
 *	Writes bytes to the console's standard error (console2) or standard
 *	output (the others) with consolePuts. Meanwhile standard output and
 *	error are the previous ones, so that an output command that is
 *	"puts -nonewline stdout" writes the real standard output.
 *
 * Results:
 *	count; -1 (EBUSY) for a write into a console channel from inside a
 *	console write.
 *
 *----------------------------------------------------------------------
 */
int consoleChannelOutput(ClientData instanceData, const char *bytes, int count, int *errorCode)
{
    *errorCode = 0;
    int standardType = (int)(intptr_t)instanceData;
    if (outputDepth > 0) {
        *errorCode = EBUSY;
        return -1;
    }
    outputDepth++;
    {
        PreviousStandard realOutput(TCL_STDOUT, TCL_STDERR);
        consolePuts(standardType, bytes, count);
    }
    outputDepth--;
    return count;
}
