/*
 * twimg_command.cpp --
 *
 *	The twimg command: scanner acquisition through the TWAIN connection
 *	of twain_connection.cpp.
 */
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <tk.h>

#include "core/inits.h"
#include "core/package.h"
#include "widgets/twain/twain_state.h"

int twimgOpenManager(Tcl_Interp *interp, const char *name);

typedef int (TwimgProc)(Tcl_Interp *interp, int argc, const char **argv);

static int modeOf(int argc, const char **argv, int index)
{
    return argc > index && strcmp(argv[index], "memory") == 0 ? TWAIN_MODE_MEMORY
                                                              : TWAIN_MODE_NATIVE;
}

static int failWith(Tcl_Interp *interp, const char *message)
{
    Tcl_SetResult(interp, (char *)message, TCL_STATIC);
    return TCL_ERROR;
}

static void setInt(Tcl_Interp *interp, int value)
{
    Tcl_SetObjResult(interp, Tcl_NewIntObj(value));
}

static void identityList(Tcl_Interp *interp, const TW_IDENTITY *identity)
{
    const char *texts[4] = {identity->Manufacturer, identity->ProductFamily,
                            identity->ProductName, identity->Version.Info};
    for (int i = 0; i < 4; i++) {
        char field[sizeof(TW_STR32) + 1];
        memcpy(field, texts[i], sizeof(TW_STR32));
        field[sizeof(TW_STR32)] = '\0';
        Tcl_AppendElement(interp, field);
    }
}

/* The handle of the main window, or NULL without Tk. */
static TW_HANDLE mainWindowHandle(Tcl_Interp *interp)
{
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        return NULL;
    }
    return (TW_HANDLE)(uintptr_t)Tk_WindowId(main);
}

static int acquireCmd(Tcl_Interp *interp, int argc, const char **argv)
{
    if (!twAcquire(modeOf(argc, argv, 2), mainWindowHandle(interp))) {
        return failWith(interp, "Error in acquire.");
    }
    return TCL_OK;
}

static int appinfoCmd(Tcl_Interp *interp, int, const char **)
{
    identityList(interp, &twainState()->appIdentity);
    return TCL_OK;
}

static int capabilityCmd(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 3) {
        int cap = ovexLenientInt(argv[2]);
        setInt(interp, twCapabilityIsTrue((TW_UINT16)cap) ? 1 : 0);
    }
    return TCL_OK;
}

static int closeCmd(Tcl_Interp *interp, int, const char **)
{
    return twCloseDSM(interp);
}

static int debugCmd(Tcl_Interp *interp, int argc, const char **argv)
{
    TwainState *state = twainState();
    if (argc > 2) {
        state->debug = ovexLenientInt(argv[2]) != 0;
    } else {
        setInt(interp, state->debug);
    }
    return TCL_OK;
}

static int disableCmd(Tcl_Interp *interp, int, const char **)
{
    return twDisableDS() ? TCL_OK : failWith(interp, "Error in disable.");
}

static int doaftercaptureCmd(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc == 2) {
        const char *script = twainState()->afterScript;
        Tcl_SetResult(interp, (char *)(script != NULL ? script : ""), TCL_VOLATILE);
        return TCL_OK;
    }
    if (argc > 3) {
        return failWith(interp, "syntax error");
    }
    return twDoAfterCapture(argv[2]) ? TCL_OK : failWith(interp, "Error in doaftercapture.");
}

static int dsinfoCmd(Tcl_Interp *interp, int, const char **)
{
    TwainState *state = twainState();
    if (!(state->stateBits & TWAIN_DS_OPEN)) {
        return failWith(interp, "Error in dsinfo.");
    }
    identityList(interp, &state->dsIdentity);
    return TCL_OK;
}

static int dsopenCmd(Tcl_Interp *interp, int argc, const char **argv)
{
    return twOpenDS(modeOf(argc, argv, 2)) ? TCL_OK : failWith(interp, "Error in dsopen.");
}

static int dscloseCmd(Tcl_Interp *interp, int, const char **)
{
    return twCloseDS() ? TCL_OK : failWith(interp, "Error in dsclose.");
}

static int enableCmd(Tcl_Interp *interp, int argc, const char **argv)
{
    if (twainState()->stateBits & TWAIN_DS_ENABLED) {
        return failWith(interp, "Twain data source already enabled");
    }
    TW_HANDLE parent = mainWindowHandle(interp);
    if (argc > 3) {
        Tk_Window main = ovexMainWindow(interp);
        Tk_Window window = main != NULL ? Tk_NameToWindow(interp, argv[3], main) : NULL;
        if (window == NULL) {
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "Can't retrieve Tk window from ", argv[3], (char *)NULL);
            return TCL_ERROR;
        }
        Tk_MakeWindowExist(window);
        parent = (TW_HANDLE)(uintptr_t)Tk_WindowId(window);
    }
    if (!twEnableDS(1, modeOf(argc, argv, 2), parent)) {
        return failWith(interp, "Error in enable.");
    }
    return TCL_OK;
}

static int getCmd(Tcl_Interp *interp, int, const char **)
{
    return twGetImage() ? TCL_OK : failWith(interp, "Error in get.");
}

static int infoCmd(Tcl_Interp *interp, int, const char **)
{
    TW_IMAGEINFO info;
    if (!twImageInfo(&info)) {
        return TCL_ERROR;
    }
    char text[64];
    snprintf(text, sizeof(text), "%d %d %d", (int)info.ImageWidth, (int)info.ImageLength,
             (int)info.BitsPerPixel);
    Tcl_SetResult(interp, text, TCL_VOLATILE);
    return TCL_OK;
}

static int interactiveCmd(Tcl_Interp *interp, int argc, const char **argv)
{
    TwainState *state = twainState();
    if (argc == 3) {
        state->interactive = ovexLenientInt(argv[2]);
    }
    setInt(interp, state->interactive);
    return TCL_OK;
}

static int openCmd(Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc > 3) {
        Tcl_AppendResult(interp, "Usage : ", argv[0], " ", argv[1], " [SourceManageDLLName]\n",
                         (char *)NULL);
        return TCL_ERROR;
    }
    const char *name = argc == 3 ? argv[2] : twainState()->dsmName;
    return twimgOpenManager(interp, name != NULL ? name : "") ? TCL_OK : TCL_ERROR;
}

static int pendingCmd(Tcl_Interp *interp, int, const char **)
{
    setInt(interp, twPendingCount());
    return TCL_OK;
}

static int selectCmd(Tcl_Interp *interp, int, const char **)
{
    return twimgSelect(interp) < 0 ? TCL_ERROR : TCL_OK;
}

static int setupCmd(Tcl_Interp *interp, int, const char **)
{
    return twEnableDSUIOnly() ? TCL_OK : failWith(interp, "Error in twEnableDSUIOnly.");
}

static int statusCmd(Tcl_Interp *interp, int, const char **)
{
    TwainState *state = twainState();
    const char *text = (state->stateBits & TWAIN_DS_ENABLED) ? "DSEnabled"
                       : (state->stateBits & TWAIN_DS_OPEN) ? "DSOpened"
                       : state->dsmModule != NULL           ? "DSMOpened"
                                                            : "DSMClosed";
    Tcl_SetResult(interp, (char *)text, TCL_STATIC);
    return TCL_OK;
}

static const struct {
    const char *name;
    int minLength;
    TwimgProc *proc;
} subcommands[] = {
    {"acquire", 4, acquireCmd},     {"appinfo", 4, appinfoCmd},
    {"capability", 3, capabilityCmd}, {"close", 3, closeCmd},
    {"debug", 4, debugCmd},         {"disable", 4, disableCmd},
    {"doaftercapture", 4, doaftercaptureCmd}, {"dsinfo", 4, dsinfoCmd},
    {"dsopen", 4, dsopenCmd},       {"dsclose", 4, dscloseCmd},
    {"enable", 4, enableCmd},       {"get", 3, getCmd},
    {"info", 3, infoCmd},           {"interactive", 4, interactiveCmd},
    {"open", 3, openCmd},           {"pending", 3, pendingCmd},
    {"select", 3, selectCmd},       {"setup", 3, setupCmd},
    {"status", 3, statusCmd},
};

static int twimgCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    (void)clientData;
    Tcl_ResetResult(interp);
    twainAdoptInterp(interp);
    if (argc < 2) {
        Tcl_AppendResult(interp, "Usage : ", argv[0],
                         " command {a command should be: acquire capability close debug disable "
                         "doaftercapture dsopen dsclose dsinfo enable get info interactive open "
                         "pending select status setup}",
                         (char *)NULL);
        return TCL_OK;
    }
    const char *word = argv[1];
    for (size_t i = 0; i < sizeof(subcommands) / sizeof(subcommands[0]); i++) {
        if (subcommands[i].name[0] == word[0]
            && ovexMatchWord(word, subcommands[i].name, subcommands[i].minLength)) {
            return subcommands[i].proc(interp, argc, argv);
        }
    }
    Tcl_SetResult(interp, (char *)"Unknown twimg commands.", TCL_STATIC);
    return TCL_ERROR;
}

static void twimgDeleteProc(ClientData clientData)
{
    (void)clientData;
}

int Twain_Init(Tcl_Interp *interp)
{
    TwainState *state = twainState();
    int first = !state->initialised;
    if (first) {
        twainInitState(interp);
        state->window = mainWindowHandle(interp);
    }
    Tcl_CreateCommand(interp, "twimg", twimgCmd, (ClientData)state, twimgDeleteProc);
    if (first) {
        Tcl_CreateExitHandler(twainExitHandler, (ClientData)state);
    }
    return TCL_OK;
}
