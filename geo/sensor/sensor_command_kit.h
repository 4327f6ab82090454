/*
 * sensor_command_kit.h --
 *
 *	Small helpers of the camera and pushbroom commands: lenient numbers,
 *	subcommand words, formatted results, and the check that keeps
 *	non-finite numbers out of a model's settings.
 */
#ifndef OVEX_GEO_SENSOR_SENSOR_COMMAND_KIT_H
#define OVEX_GEO_SENSOR_SENSOR_COMMAND_KIT_H

#include <tcl.h>
#include <tk.h>

#include <stddef.h>

#include <functional>

/* A word of at least three letters that is a prefix of name. */
int sensorWordIs(const char *word, const char *name);

/* Sets the result to "Usage: " argv0 text; returns TCL_ERROR. */
int sensorUsage(Tcl_Interp *interp, const char *argv0, const char *text);

/* Sets the result to message; returns TCL_ERROR. */
int sensorError(Tcl_Interp *interp, const char *message);

/* Sets the result to the n values, each "%.16g", joined by blanks (a
 * negative zero printed as 0). */
void sensorResultNumbers(Tcl_Interp *interp, const double *values, int n);

/* Reads up to n numbers from text as "%lf %lf ...": 1 when all n were
 * read and are finite, else 0. */
int sensorScanNumbers(const char *text, double *values, int n);

/* 1 when every double option of the table holds a finite value in record;
 * else 0 with "option NAME must be a finite number" in the result. */
int sensorOptionsFinite(Tcl_Interp *interp, const Tk_ConfigSpec *specs, const char *record);

/* Parses option pairs into record (size bytes) with the option engine's
 * flags, then checks that every double option is finite. When one is not,
 * record is put back from before (when given) and TCL_ERROR returned. */
int sensorApplyOptions(Tcl_Interp *interp, const Tk_ConfigSpec *specs, char *record,
                       const void *before, size_t size, int argc, const char **argv, int flags);

/* A model command's "config" changes: *before keeps the settings as they
 * were, for the model to see what changed; a value that is not finite
 * puts every setting back. */
template <typename Model>
int sensorReconfigure(Tcl_Interp *interp, const Tk_ConfigSpec *specs, Model *m, Model *before,
                      int argc, const char **argv)
{
    *before = *m;
    return sensorApplyOptions(interp, specs, (char *)m, before, sizeof *before, argc, argv,
                              TK_CONFIG_ARGV_ONLY);
}

/* The words a sensor model command shares with the others, over its
 * option table and record: "config" (every option, one option, or
 * apply(optc, optv) for changes), "cget -option", "class" (className)
 * and "destroy" (deletes the command of token). *handled is 0, and
 * TCL_OK returned, when word is none of them. */
int sensorCommonWord(Tcl_Interp *interp, int argc, const char **argv, const Tk_ConfigSpec *specs,
                     char *record, const char *className, Tcl_Command token,
                     const std::function<int(int, const char **)> &apply, int *handled);

/* Makes command name over record and stores its token; on failure record
 * goes to deleteProc. The result is left empty. */
int sensorCreateCommand(Tcl_Interp *interp, const char *name, Tcl_CmdProc *proc, void *record,
                        Tcl_CmdDeleteProc *deleteProc, Tcl_Command *token);

#endif /* OVEX_GEO_SENSOR_SENSOR_COMMAND_KIT_H */
