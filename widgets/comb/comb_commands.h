/*
 * comb_commands.h --
 *
 *	The Tcl commands of the composite widgets. Each is created with the
 *	interpreter's main window (NULL in a plain Tcl interpreter) as client
 *	data; the class commands call comb.set and comb.free directly.
 */
#ifndef OVEX_WIDGETS_COMB_COMB_COMMANDS_H
#define OVEX_WIDGETS_COMB_COMB_COMMANDS_H

#include <tcl.h>

#define COMB_COMMAND(name) int name(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)

/* Store and checks. */
COMB_COMMAND(combSetCmd);
COMB_COMMAND(combGetCmd);
COMB_COMMAND(combFreeCmd);
COMB_COMMAND(combCfCmd);
COMB_COMMAND(combClassCmd);
COMB_COMMAND(combDirCmd);
COMB_COMMAND(combArgsCmd);
COMB_COMMAND(combProcCmd);
COMB_COMMAND(combUpdateCmd);
COMB_COMMAND(combParseCmd);
COMB_COMMAND(combValidClassCmd);
COMB_COMMAND(combValidIDCmd);
COMB_COMMAND(combValidPathCmd);
COMB_COMMAND(combValidSubNameCmd);

/* Options of widgets and their parts. */
COMB_COMMAND(combCgetCmd);
COMB_COMMAND(combConfigCmd);

/* Widget trees: ids, bindings, evaluation, states, layout. */
COMB_COMMAND(combAddItemCmd);
COMB_COMMAND(combBindCmd);
COMB_COMMAND(combExecCmd);
COMB_COMMAND(combIdCmd);
COMB_COMMAND(combEvalCmd);
COMB_COMMAND(combDis0Cmd);
COMB_COMMAND(combDisCmd);
COMB_COMMAND(combEnaCmd);
COMB_COMMAND(combFocusCmd);
COMB_COMMAND(combLayoutCmd);

/* Classes. */
COMB_COMMAND(frmCreateCmd);
COMB_COMMAND(frmAddCmd);
COMB_COMMAND(gbtnCreateCmd);
COMB_COMMAND(gbtnFrameCmd);
COMB_COMMAND(strCreateCmd);
COMB_COMMAND(strAddCmd);
COMB_COMMAND(foldAddCmd);
COMB_COMMAND(foldAddFoldItemCmd);
COMB_COMMAND(foldAddItemCmd);
COMB_COMMAND(foldCreateCmd);
COMB_COMMAND(foldDrawCmd);
COMB_COMMAND(foldGetCmd);
COMB_COMMAND(foldPageCmd);
COMB_COMMAND(numCreateCmd);
COMB_COMMAND(numUpdateCmd);
COMB_COMMAND(palCreateCmd);
COMB_COMMAND(palColorsCmd);
COMB_COMMAND(pdlCreateCmd);
COMB_COMMAND(pdlCreateListCmd);
COMB_COMMAND(pdlOpenListCmd);
COMB_COMMAND(popupAddCmd);
COMB_COMMAND(popupCreateCmd);
COMB_COMMAND(popupPostCmd);
COMB_COMMAND(popupHideCmd);
COMB_COMMAND(slisCreateCmd);

#endif /* OVEX_WIDGETS_COMB_COMB_COMMANDS_H */
