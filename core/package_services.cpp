/*
 * package_services.cpp --
 *
 *	The services the package entry points lend to the console manager
 *	and the ovex command. They are kept here as a record of procedures so
 *	that the core, which every subsystem builds on, calls the chain that
 *	registers those subsystems without depending on any of them.
 */
#include "core/package.h"

static PackageServices services;

void ovexSetPackageServices(const PackageServices *given)
{
    services = *given;
}

/* An interpreter set up before the package entry ran gets nothing. */
static int notReady(Tcl_Interp *interp)
{
    Tcl_SetObjResult(interp, Tcl_NewStringObj("the Ovex package is not initialised", -1));
    return TCL_ERROR;
}

int ovexRegisterCommands(Tcl_Interp *interp)
{
    return services.registerCommands != NULL ? services.registerCommands(interp) : notReady(interp);
}

int ovexAppInit(Tcl_Interp *interp)
{
    return services.appInit != NULL ? services.appInit(interp) : notReady(interp);
}

int ovexListTulxImages(Tcl_Interp *interp)
{
    if (services.listTulxImages == NULL) {
        Tcl_ResetResult(interp);  /* no display subsystem: no images */
        return TCL_OK;
    }
    return services.listTulxImages(interp);
}
