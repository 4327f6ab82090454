/*
 * option_engine.h --
 *
 *	Option tables for records that are not Tk widgets. Takes the same
 *	Tk_ConfigSpec tables and custom option procedures as Tk's
 *	Tk_ConfigureWidget family and answers the same results and messages,
 *	but works without a main window, so that object and program commands
 *	run in a plain tclsh. Widgets and image types keep Tk's own.
 *
 *	Differences from Tk:
 *	- tkwin may be NULL. Then there is no option database, and the types
 *	  that need a display (colour, font, bitmap, border, cursor, relief,
 *	  anchor, justify, cap and join style, pixels, mm, window) answer
 *	  "option type not available without a display". With a window they
 *	  are handed to Tk's Tk_Get* functions.
 *	- The tables are never written to (Tk marks given options in them):
 *	  tables are static, shared and re-entered. ovexOptionGiven tells a
 *	  caller which options an argument list sets.
 *	- A UID option stores Tk_GetUid's text when a window is given, else an
 *	  interned copy of our own that is never freed, like a Tk uid.
 *	- ovexFreeOptions needs the display only for bitmap and cursor values;
 *	  without it they are left alone.
 */
#ifndef OVEX_CORE_OPTION_ENGINE_H
#define OVEX_CORE_OPTION_ENGINE_H

#include <tcl.h>
#include <tk.h>

/* Message of the display-bound option types when there is no window. */
#define OVEX_OPTION_NEEDS_DISPLAY "option type not available without a display"

/* Applies argc words (name value ...) to record. Without
 * TK_CONFIG_ARGV_ONLY in flags, every option not given gets its default.
 * Flags above TK_CONFIG_USER_BIT - 1 select table entries as in Tk;
 * TK_CONFIG_OBJS means argv holds Tcl_Obj pointers. */
int ovexConfigure(Tcl_Interp *interp, Tk_Window tkwin, const Tk_ConfigSpec *specs, int argc,
                  const char **argv, char *record, int flags);

/* Sets the result to the information list of argvName
 * ({-name dbName dbClass default current}), or of every option when
 * argvName is NULL. */
int ovexConfigureInfo(Tcl_Interp *interp, Tk_Window tkwin, const Tk_ConfigSpec *specs,
                      char *record, const char *argvName, int flags);

/* Sets the result to the current value of argvName. */
int ovexConfigureValue(Tcl_Interp *interp, Tk_Window tkwin, const Tk_ConfigSpec *specs,
                       char *record, const char *argvName, int flags);

/* Frees what option values own (strings, and Tk resources) and clears
 * those fields; entries whose specFlags lack needFlags are skipped. */
void ovexFreeOptions(const Tk_ConfigSpec *specs, char *record, int needFlags,
                     Display *display = NULL);

/* 1 when the name/value words of argv set the table entry whose argvName
 * is exactly optionName (abbreviations and synonyms resolved as in
 * ovexConfigure), else 0. Same flags as ovexConfigure. */
int ovexOptionGiven(const Tk_ConfigSpec *specs, int argc, const char **argv,
                    const char *optionName, int flags);

#endif /* OVEX_CORE_OPTION_ENGINE_H */
