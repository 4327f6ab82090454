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

#include "core/custom_options.h"

/* The option rows every sensor model starts with (model type T): the
 * interior orientation and the angle offsets. */
#define SENSOR_INTERIOR_SPECS(T)                                                          \
    {TK_CONFIG_DOUBLE, "-f", NULL, NULL, "12", offsetof(T, f), 0, NULL},                 \
    {TK_CONFIG_DOUBLE, "-dx", NULL, NULL, "0.0068", offsetof(T, dx), 0, NULL},            \
    {TK_CONFIG_DOUBLE, "-dy", NULL, NULL, "0.0068", offsetof(T, dy), 0, NULL},            \
    {TK_CONFIG_DOUBLE, "-xc", NULL, NULL, "639.5", offsetof(T, xc), 0, NULL},             \
    {TK_CONFIG_DOUBLE, "-yc", NULL, NULL, "511.5", offsetof(T, yc), 0, NULL},             \
    {TK_CONFIG_DOUBLE, "-axoffset", NULL, NULL, "0.0", offsetof(T, axoffset), 0, NULL},   \
    {TK_CONFIG_DOUBLE, "-ayoffset", NULL, NULL, "0.0", offsetof(T, ayoffset), 0, NULL},   \
    {TK_CONFIG_DOUBLE, "-azoffset", NULL, NULL, "0.0", offsetof(T, azoffset), 0, NULL}

/* The option rows every sensor model ends with: map reference, rotation
 * order and the settings of the image operations, then the table's end. */
#define SENSOR_SETTINGS_SPECS(T)                                                          \
    {TK_CONFIG_CUSTOM, "-mapid", NULL, NULL, "GRID", offsetof(T, mapid), 0, &mapidOption}, \
    {TK_CONFIG_DOUBLE, "-lat", NULL, NULL, "-121.0", offsetof(T, lat), 0, NULL},          \
    {TK_CONFIG_DOUBLE, "-lon", NULL, NULL, "37.5", offsetof(T, lon), 0, NULL},            \
    {TK_CONFIG_CUSTOM, "-rotationid", NULL, NULL, "ZXY", offsetof(T, rotationid), 0,      \
     &rotationidOption},                                                                  \
    {TK_CONFIG_INT, "-update", NULL, NULL, "0", offsetof(T, settings.update), 0, NULL},   \
    {TK_CONFIG_INT, "-resamplemode", NULL, NULL, "1", offsetof(T, settings.resamplemode), 0,\
     NULL},                                                                               \
    {TK_CONFIG_INT, "-fillfactor", NULL, NULL, "2", offsetof(T, settings.fillfactor), 0, NULL},\
    {TK_CONFIG_DOUBLE, "-neighborhood", NULL, NULL, "0.75", offsetof(T, settings.neighborhood),\
     0, NULL},                                                                            \
    {TK_CONFIG_END, NULL, NULL, NULL, NULL, 0, 0, NULL}

/* A word of at least three letters that is a prefix of name. */
int sensorWordIs(const char *word, const char *name);

/* Sets the result to "Usage: " argv0 text; returns TCL_ERROR. */
int sensorUsage(Tcl_Interp *interp, const char *argv0, const char *text);

/* The word count of the image subcommands "acquire src des", "rectify
 * src des [dem]" and "normalize src des" (argv[1] is the word; acquire
 * takes a dem too when acquireDem): TCL_OK, or TCL_ERROR with the usage. */
int sensorImageUsage(Tcl_Interp *interp, int argc, const char **argv, bool acquireDem);

/* Sets the result to message; returns TCL_ERROR. */
int sensorError(Tcl_Interp *interp, const char *message);

/* Sets the result to the n values, each "%.16g", joined by blanks (a
 * negative zero printed as 0). */
void sensorResultNumbers(Tcl_Interp *interp, const double *values, int n);

/* Sets the result to the viewing direction of rotation matrix R, each
 * component "%g". */
void sensorResultDirection(Tcl_Interp *interp, const double R[9]);

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

/* "NAME.create name ?options?": a zeroed model of size bytes with the
 * options applied, or NULL with the usage, failure or option error in
 * the result. */
void *sensorNewModel(Tcl_Interp *interp, int argc, const char **argv, const Tk_ConfigSpec *specs,
                     size_t size, const char *failure);

/* sensorCommonWord over model m, whose config changes go to
 * configure(m, interp, optc, optv). */
template <typename Model>
int sensorModelWord(Tcl_Interp *interp, int argc, const char **argv, const Tk_ConfigSpec *specs,
                    Model *m, const char *className,
                    int (*configure)(Model *, Tcl_Interp *, int, const char **), int *handled)
{
    return sensorCommonWord(
        interp, argc, argv, specs, (char *)m, className, m->token,
        [m, interp, configure](int optc, const char **optv) {
            return configure(m, interp, optc, optv);
        },
        handled);
}

/* Makes command name over record and stores its token; on failure record
 * goes to deleteProc. The result is left empty. */
int sensorCreateCommand(Tcl_Interp *interp, const char *name, Tcl_CmdProc *proc, void *record,
                        Tcl_CmdDeleteProc *deleteProc, Tcl_Command *token);

#endif /* OVEX_GEO_SENSOR_SENSOR_COMMAND_KIT_H */
