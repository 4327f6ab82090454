/*
 * print_commands.h --
 *
 *	The printer and gmetafile commands, which Printer_Init registers.
 */
#ifndef OVEX_WIDGETS_PRINT_PRINT_COMMANDS_H
#define OVEX_WIDGETS_PRINT_PRINT_COMMANDS_H

#include <tcl.h>

int gmetafileCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv);

#endif /* OVEX_WIDGETS_PRINT_PRINT_COMMANDS_H */
