/*
 * package.h --
 *
 *	The one process-wide record of the package and the helpers every
 *	command uses to reach it: the console interpreter, the meter and
 *	pause state, the recorded display, and the guards for Tk.
 */
#ifndef OVEX_CORE_PACKAGE_H
#define OVEX_CORE_PACKAGE_H

#include <tcl.h>
#include <tk.h>

#include "ovex/ovex.h"

#define OVEX_PACKAGE_NAME "Ovex"
#define OVEX_PACKAGE_VERSION "4.010"
#define OVEX_DEFAULT_APP_SCRIPTS "program.lib"
#define OVEX_DEFAULT_CON_SCRIPTS "program.lib contk.lib"

struct PackageState {
    Tcl_Interp *consoleInterp;  /* target of console output, input, getenv, meter */
    int tkConsole;              /* 1: tkConsoleOutput/tkConsoleInput, 0: puts/gets */
    int suppressOutput;         /* console output dropped while above 0 */
    int eventPass;              /* pass events after every console write */
    int pauseAbort;             /* 0..3: 2 pause, 3 abort */
    int debug;
    float meterStep;            /* 0 disables the meter; at most 0.5 */
    float meterLast;
    Display *display;           /* recorded once per process */
    Screen *screen;
    int screenNumber;
    Colormap colormap;
    int depth;
    int deepScreen;             /* depth above 24 */
    unsigned long *paletteColors;
    int paletteCount;
    void *dicomDictionary;
    void *tiffTagNames;
    Tcl_TimerToken keepAlive;
    int initialised;
    int messageLoop;            /* winmsg */
};

extern PackageState ovexState;

/* Console interpreter. setConsoleInterp returns the previous one. An
 * interpreter that is deleted while it is the console interpreter (or one
 * remembered before it) is dropped and the one before it takes over. */
Tcl_Interp *setConsoleInterp(Tcl_Interp *interp);
Tcl_Interp *getConsoleInterp(void);  /* NULL when none or deleted */

const char *ovexVersionString(void);
const char *getTulxHome(Tcl_Interp *interp);
void conCopyHomeVars(Tcl_Interp *from, Tcl_Interp *to);

Display *getOvexDisplay(void);
int getOvexDepth(void);
Colormap getOvexColormap(void);
int getOvexDebug(void);

/* The interpreter's Tk main window, or NULL when Tk is not loaded there.
 * Never touches the interpreter's result. Every Tk call is guarded by it. */
Tk_Window ovexMainWindow(Tcl_Interp *interp);

/* Writes "panic:" and the message to the console's standard error and
 * returns: the warning form of a panic (Tcl's own panic never returns). */
void ovexPanicMessage(const char *format, ...) OVEX_PRINTF(1, 2);

/* Lenient integer and decimal reading of command words: leading blanks, an
 * optional sign, digits up to the first other character; none reads 0. */
int ovexLenientInt(const char *text);
double ovexLenientDouble(const char *text);

/* Prefix match of a subcommand word: word is a prefix of name and at least
 * minLength long. */
int ovexMatchWord(const char *word, const char *name, int minLength);

/* Creates a command that answers "NAME: not available in this build" until
 * its subsystem is built. */
int ovexCreatePlaceholder(Tcl_Interp *interp, const char *name);

/* Appends text to the interpreter's errorInfo, on a line after the result,
 * without touching the result. Call it after setting the result: errorInfo
 * begins with the result that was there at its first addition. */
void ovexAddErrorInfo(Tcl_Interp *interp, const char *text);

/* Services of the package layer, which sits above every subsystem, that
 * the console manager and the ovex command call: the registration chain,
 * the chain followed by winmsg and the application's script libraries,
 * and the list of "tulx" images. The package entry points fill them in
 * before any console or command exists. */
typedef struct PackageServices {
    int (*registerCommands)(Tcl_Interp *interp);
    int (*appInit)(Tcl_Interp *interp);
    int (*listTulxImages)(Tcl_Interp *interp);
} PackageServices;

void ovexSetPackageServices(const PackageServices *services);
int ovexRegisterCommands(Tcl_Interp *interp);
int ovexAppInit(Tcl_Interp *interp);
int ovexListTulxImages(Tcl_Interp *interp);

/* Commands of the package core registered by the chain. */
int ovexSelectionCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
int ovexListconcatCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
int ovexCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
int winmsgCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
void winmsgDelete(ClientData clientData);

#endif /* OVEX_CORE_PACKAGE_H */
