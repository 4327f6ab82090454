/*
 * twain_state.h --
 *
 *	The process-wide TWAIN connection of twimg: the loaded source
 *	manager module, the current source and its state, the held image
 *	"twain.img" and the after-capture script, and the steps the
 *	subcommands are made of.
 */
#ifndef OVEX_WIDGETS_TWAIN_TWAIN_STATE_H
#define OVEX_WIDGETS_TWAIN_TWAIN_STATE_H

#include <tcl.h>

#include "ovex/ramimage.h"
#include "widgets/twain/twain_types.h"

enum { TWAIN_MODE_NATIVE = 1, TWAIN_MODE_MEMORY = 2 };

/* stateBits */
enum { TWAIN_DS_OPEN = 1, TWAIN_DS_ENABLED = 2, TWAIN_DS_DISABLED = 4 };

typedef struct TwainState {
    int initialised;
    Tcl_Interp *interp;             /* scripts run here; NULL once deleted */
    TW_HANDLE window;
    unsigned char *dib;             /* the last native image received */
    int interactive;
    int mode;
    int debug;
    char *dsmName;                  /* file of the manager module, any length */
    void *dsmModule;
    RAMIMG *image;
    TW_IDENTITY appIdentity;
    TW_IDENTITY dsIdentity;
    TW_STATUS status;
    TW_UINT16 rc;
    TW_UINT16 stateBits;
    TW_PENDINGXFERS pending;
    DSMENTRYPROC dsmEntry;
    char *afterScript;
    Tcl_TimerToken eventTimer;
} TwainState;

TwainState *twainState(void);
void twainInitState(Tcl_Interp *interp);
/* Makes interp the state's interpreter when the last one was deleted. */
void twainAdoptInterp(Tcl_Interp *interp);

/* Loading and opening the manager, the messages on standard error (or,
 * with interp, in its result). 1 on success. */
int twOpenDSM(Tcl_Interp *interp);
int twCloseDSM(Tcl_Interp *interp);
int twOpenDS(int mode);
int twCloseDS(void);
int twEnableDS(int showUI, int mode, TW_HANDLE parent);
int twEnableDSUIOnly(void);
int twDisableDS(void);
int twAcquire(int mode, TW_HANDLE parent);
int twGetImage(void);
int twDoAfterCapture(const char *text);
int twPendingCount(void);
int twCapabilityIsTrue(TW_UINT16 cap);
int twImageInfo(TW_IMAGEINFO *info);
/* 1 selected, 0 cancelled, -1 failed (message in the result). */
int twimgSelect(Tcl_Interp *interp);
void twainExitHandler(ClientData clientData);

#endif /* OVEX_WIDGETS_TWAIN_TWAIN_STATE_H */
