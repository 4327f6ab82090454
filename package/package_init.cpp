/*
 * package_init.cpp --
 *
 *	The package entry points, the per-interpreter package set-up, the
 *	fixed chain that creates every command of an interpreter, the loading
 *	of the application's script libraries and the package exit handler.
 */
#include "core/console_channels.h"
#include "core/console_manager.h"
#include "core/inits.h"
#include "core/native_path.h"
#include "core/package.h"
#include "display/tulx/tulx.h"
#include "platform/winsock.h"
#include "ramimage/formats/dicom.h"
#include "ramimage/formats/image_probe.h"
#include "frontend/rimage/tiff_tag_names.h"

#include <cfenv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

static int socketsStarted;
static int tulxStarted;

/*
 * startSockets --
 *	Starts the network once per process; a failure is only reported.
 */
static void startSockets(void)
{
    if (socketsStarted) {
        return;
    }
    if (wsInit() != 0) {
        ovex_fprintf(stderr, "WSAStartup failed!\n");
        return;
    }
    socketsStarted = 1;
}

/*
 * ovexPanicProc --
 *	Tcl's panic procedure: "panic:", the message and a newline on the
 *	console's standard error. Tcl ends the process after it returns.
 */
static void ovexPanicProc(const char *format, ...)
{
    char message[4096];
    va_list ap;
    va_start(ap, format);
    int length = vsnprintf(message, sizeof message, format, ap);
    va_end(ap);
    if (length < 0) {
        return;
    }
    ovexPanicMessage("%s", message);
}

/*
 * recordDisplay --
 *	Records the display of the first interpreter with a Tk main window.
 */
static void recordDisplay(Tcl_Interp *interp)
{
    if (ovexState.display != NULL) {
        return;
    }
    Tk_Window main = ovexMainWindow(interp);
    if (main == NULL) {
        return;
    }
    Tk_MakeWindowExist(main);
    ovexState.display = Tk_Display(main);
    ovexState.screenNumber = Tk_ScreenNumber(main);
    ovexState.screen = Tk_Screen(main);
    ovexState.colormap = Tk_Colormap(main);
    ovexState.depth = Tk_Depth(main);
    ovexState.deepScreen = ovexState.depth > 24;
}

/*
 * ovexPackageInit --
 *	Per-interpreter set-up: home and script variables, the package
 *	itself; once per process the display, the image registry, the panic
 *	procedure and the floating-point mask.
 */
/* Lends the console manager and the ovex command what lives up here. */
static void lendServices(void);

static int ovexPackageInit(Tcl_Interp *interp)
{
    lendServices();
    /* Tcl is set up: file names go to the system in its encoding. */
    useTclFileNames();
    conCopyHomeVars(interp, interp);
    int code = Tcl_PkgProvide(interp, OVEX_PACKAGE_NAME, OVEX_PACKAGE_VERSION);
    if (code != TCL_OK) {
        return code;
    }
    if (ovexState.initialised) {
        return TCL_OK;
    }
    recordDisplay(interp);

    Tcl_Interp *previous = setConsoleInterp(interp);
    code = TCL_OK;
    if (!tulxStarted) {
        code = Tulx_Init(interp);
        tulxStarted = (code == TCL_OK);
    }
    if (code == TCL_OK) {
        Tcl_SetPanicProc(ovexPanicProc);
        /* Faults give infinities and NaNs; several programs rely on it. */
        fedisableexcept(FE_ALL_EXCEPT);
    }
    setConsoleInterp(previous);
    return code;
}

static void keepAliveTimer(ClientData clientData)
{
    ovexState.keepAlive = Tcl_CreateTimerHandler(30000, keepAliveTimer, NULL);
}

static int createCommand(Tcl_Interp *interp, const char *name, Tcl_CmdProc *proc,
                         Tcl_CmdDeleteProc *deleteProc = NULL)
{
    return Tcl_CreateCommand(interp, name, proc, NULL, deleteProc) ? TCL_OK : TCL_ERROR;
}

/*
 * registerCommandChain --
 *	Creates every command of the system in this order; the first step
 *	that fails ends the chain with its code, leaving earlier commands.
 */
static int registerCommandChain(Tcl_Interp *interp)
{
    typedef int (InitProc)(Tcl_Interp *);
    static InitProc *const chain[] = {
        OvexTime_Init, WinPatch_Init, Rimg_Init, Calc_Init, Comb_Init, Grass_Init,
        Etran_Init, Ddw_Init, Twain_Init, Glw_Init, Dicom_Init, Tiff_Init, Gcp_Init,
        Gpz_Init, Printer_Init, Shape_Init, Gtable_Init, Terra_Init, Proj_Init,
        Gcanvas_Init, Camera_Init,
    };
    for (InitProc *init : chain) {
        int code = init(interp);
        if (code != TCL_OK) {
            return code;
        }
    }
    if (createCommand(interp, "tulx", tulxCmd, tulxCmdDelete) != TCL_OK
        || createCommand(interp, "ovex.selection", ovexSelectionCmd) != TCL_OK
        || createCommand(interp, "ovex.listconcat", ovexListconcatCmd) != TCL_OK) {
        return TCL_ERROR;
    }
    if (ovexState.keepAlive == NULL) {
        keepAliveTimer(NULL);
    }
    return TCL_OK;
}

/*
 * loadAppScripts --
 *	Runs "calc decompload HOME/NAME" at global level for each name of
 *	$ovexAppScripts, without a loop variable of its own in the user's
 *	global namespace. A library that fails is named in the result.
 */
static int loadAppScripts(Tcl_Interp *interp)
{
    Tcl_Obj *names = Tcl_GetVar2Ex(interp, "ovexAppScripts", NULL, TCL_GLOBAL_ONLY | TCL_LEAVE_ERR_MSG);
    Tcl_Obj *home = Tcl_GetVar2Ex(interp, "tulxHome", NULL, TCL_GLOBAL_ONLY | TCL_LEAVE_ERR_MSG);
    int count = 0;
    Tcl_Obj **elements = NULL;
    if (names == NULL || home == NULL
            || Tcl_ListObjGetElements(interp, names, &count, &elements) != TCL_OK) {
        return TCL_ERROR;
    }
    Tcl_IncrRefCount(names);
    Tcl_IncrRefCount(home);
    int code = TCL_OK;
    for (int k = 0; k < count && code == TCL_OK; k++) {
        Tcl_Obj *path = Tcl_FSJoinToPath(home, 1, &elements[k]);
        Tcl_IncrRefCount(path);
        Tcl_Obj *command = Tcl_NewListObj(0, NULL);
        Tcl_ListObjAppendElement(NULL, command, Tcl_NewStringObj("calc", -1));
        Tcl_ListObjAppendElement(NULL, command, Tcl_NewStringObj("decompload", -1));
        Tcl_ListObjAppendElement(NULL, command, path);
        Tcl_IncrRefCount(command);
        code = Tcl_EvalObjEx(interp, command, TCL_EVAL_GLOBAL);
        Tcl_DecrRefCount(command);
        if (code != TCL_OK && Tcl_GetStringResult(interp)[0] == '\0') {
            Tcl_AppendResult(interp, "cannot load the script library \"", Tcl_GetString(path),
                             "\" (set ovexAppScripts to {} to load none); ", (char *)NULL);
        }
        Tcl_DecrRefCount(path);
    }
    Tcl_DecrRefCount(names);
    Tcl_DecrRefCount(home);
    return code;
}

/*
 * appInitChain --
 *	The registration chain, winmsg, then the application's script
 *	libraries.
 */
static int appInitChain(Tcl_Interp *interp)
{
    Tcl_Preserve(interp);
    int code = registerCommandChain(interp);
    if (code == TCL_OK) {
        Tcl_CreateCommand(interp, "winmsg", winmsgCmd, NULL, winmsgDelete);
        code = loadAppScripts(interp);
    }
    Tcl_Release(interp);
    return code;
}

static void lendServices(void)
{
    static const PackageServices services = {registerCommandChain, appInitChain, tulxListNames};
    ovexSetPackageServices(&services);
}

/*
 * ovexExitHandler --
 *	Tears down what the package holds for the process.
 */
static void ovexExitHandler(ClientData clientData)
{
    ovexState.consoleInterp = NULL;
    conExitAll(TCL_ALL_EVENTS);
    tulxDeleteAll();
    tulxFreePaletteColors();
    dicomFreeDictionary();
    freeTiffTagNames();
    freeImageReaders();
    ovexState.initialised = 0;
    if (socketsStarted) {
        wsCleanup();
        socketsStarted = 0;
    }
}

/* The leading fields of the record that Tk's console command carries. */
struct TkConsoleRecord {
    Tcl_Interp *consoleInterp;  /* interpreter of the console window */
    Tcl_Interp *interp;         /* interpreter the console controls */
};

/*
 * tkConsoleInterpOf --
 *	The interpreter of Tk's console when interp has Tk's console command,
 *	else NULL. Commands of the same name that are not Tk's (procedures,
 *	aliases, the console command of the library's own consoles) are
 *	refused before their client data is read.
 */
static Tcl_Interp *tkConsoleInterpOf(Tcl_Interp *interp)
{
    Tcl_CmdInfo info;
    if (!Tcl_GetCommandInfo(interp, "console", &info) || !info.isNativeObjectProc
        || info.objClientData == NULL) {
        return NULL;
    }
    Tcl_InterpState state = Tcl_SaveInterpState(interp, TCL_OK);
    int scripted = 1;
    if (Tcl_GlobalEval(interp,
            "expr {[llength [info procs ::console]] || ![catch {interp alias {} ::console}]}")
        == TCL_OK) {
        Tcl_GetBooleanFromObj(NULL, Tcl_GetObjResult(interp), &scripted);
    }
    Tcl_RestoreInterpState(interp, state);
    if (scripted) {
        return NULL;
    }
    TkConsoleRecord *record = (TkConsoleRecord *)info.objClientData;
    if (record->interp != interp || record->consoleInterp == NULL
        || Tcl_InterpDeleted(record->consoleInterp)) {
        return NULL;
    }
    return record->consoleInterp;
}

/*
 * ovexPatchConsole --
 *	Adopts Tk's console, when interp has one: its interpreter becomes the
 *	console interpreter with the package's commands, and console lines
 *	become standard input (Tcl's channel types are read-only, so the
 *	console's line reader is made the standard input channel rather than
 *	patched into the existing one). The console's own script is then
 *	loaded; a failure only appends "Failed to patch console!".
 */
static void ovexPatchConsole(Tcl_Interp *interp)
{
    Tcl_Interp *console = tkConsoleInterpOf(interp);
    if (console == NULL) {
        return;
    }
    setConsoleInterp(console);
    Tcl_CreateCommand(console, "setConStdIO", setConStdIO, NULL, NULL);
    ovexState.tkConsole = 1;
    conUseConsoleInput(interp);
    registerCommandChain(console);
    if (Tcl_GlobalEval(interp, "calc decompload [file join $tulxHome conpatch.lib]") != TCL_OK
        && Tcl_GlobalEval(interp, "source [file join $tulxHome conpatch.tcl]") != TCL_OK) {
        Tcl_AppendResult(interp, "Failed to patch console!", (char *)NULL);
    }
}

static void registerExitHandler(void)
{
    if (!ovexState.initialised) {
        Tcl_CreateExitHandler(ovexExitHandler, NULL);
        ovexState.initialised = 1;
    }
}

extern "C" OVEX_API int Ovex_Init(Tcl_Interp *interp)
{
    startSockets();
    if (Tcl_CreateCommand(interp, "ovex", ovexCmd, NULL, NULL) == NULL) {
        return TCL_ERROR;
    }
    Tcl_Interp *previous = setConsoleInterp(interp);
    int code = ovexPackageInit(interp);
    if (code != TCL_OK) {
        Tcl_AppendResult(interp, "error in init ovex", (char *)NULL);
        setConsoleInterp(previous);
        return code;
    }
    code = appInitChain(interp);
    if (code != TCL_OK) {
        Tcl_AppendResult(interp, "error in init app", (char *)NULL);
        setConsoleInterp(previous);
        return code;
    }
    /* The load answers nothing: not the value of the script libraries'
     * last command. */
    Tcl_ResetResult(interp);
    /* Tk's console is adopted on Windows only. */
    const char *platform = Tcl_GetVar2(interp, "tcl_platform", "platform", TCL_GLOBAL_ONLY);
    if (platform != NULL && strcmp(platform, "windows") == 0) {
        ovexPatchConsole(interp);
    }
    registerExitHandler();
    return TCL_OK;
}

/*
 * Console_Init --
 *	Entry point of console mode, where the library runs its own console
 *	windows. An interactive host gets a new application interpreter with
 *	its console (the host stays outside the console table); otherwise the
 *	host itself becomes the application of console slot 0.
 */
extern "C" OVEX_API int Console_Init(Tcl_Interp *interp)
{
    /* The console windows are Tk windows: without Tk the standard
     * channels would be taken over by consoles nobody sees, and every
     * later output of the script would be lost. */
    if (Tcl_PkgPresent(interp, "Tk", NULL, 0) == NULL) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(
            "console mode needs Tk: load the library with Console in wish, or after "
            "\"package require Tk\"; in tclsh load it with Ovex", -1));
        return TCL_ERROR;
    }
    startSockets();
    Tcl_Interp *previous = setConsoleInterp(interp);
    int code = ovexPackageInit(interp);
    if (code != TCL_OK) {
        setConsoleInterp(previous);
        return code;
    }
    setConsoleInterp(NULL);
    code = ovexShellInit(interp);
    if (code != TCL_OK) {
        setConsoleInterp(previous);
        return code;
    }
    ovexState.tkConsole = 1;

    /* A host that did not set tcl_interactive counts as not interactive. */
    const char *interactive = Tcl_GetVar(interp, "tcl_interactive", TCL_GLOBAL_ONLY);
    if (interactive != NULL && interactive[0] != '0') {
        code = Tcl_GlobalEval(interp, "ovex create");
        ovexPatchConsole(interp);
    } else {
        code = Tcl_GlobalEval(interp, "ovex attach");
        Tcl_SetVar(interp, "tcl_interactive", "1", TCL_GLOBAL_ONLY);
    }
    if (code != TCL_OK) {
        setConsoleInterp(previous);
        return code;
    }
    registerExitHandler();
    return TCL_OK;
}
