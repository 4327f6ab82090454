/*
 * sensor_commands.h --
 *
 *	The creation commands of the sensor models and quaternion.slerp, which
 *	Camera_Init registers.
 */
#ifndef OVEX_GEO_SENSOR_SENSOR_COMMANDS_H
#define OVEX_GEO_SENSOR_SENSOR_COMMANDS_H

#include <tcl.h>

#include "core/inits.h"

int cameraCreateCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
int pushbroomCreateCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);
int quaternionSlerpCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);

#endif /* OVEX_GEO_SENSOR_SENSOR_COMMANDS_H */
