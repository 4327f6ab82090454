/*
 * object_kit.h --
 *
 *	What projection, coordinate-system and geodesic objects share: the
 *	creation command's steps, safe formatting of one number with a
 *	script-given format, whole-file reading and the published access
 *	table.
 */
#ifndef OVEX_GEO_PROJ_OBJECT_KIT_H
#define OVEX_GEO_PROJ_OBJECT_KIT_H

#include <tcl.h>

#include <functional>
#include <string>

#include "ovex/ovex.h"

/* Procedures a projection-like object publishes in its interface slot.
 * Each takes the object's data. inverse is NULL for types without one. */
typedef struct ProjAccessTable {
    int (*hasInverse)(void *data);
    int (*reversed)(void *data);
    void (*forward)(void *data, double u, double v, double *x, double *y);
    void (*inverse)(void *data, double x, double y, double *u, double *v);
} ProjAccessTable;

/* The creation command of an object type, run under the guard of module:
 * usage (TCL_OK), a name in use, the command over a copy of templ, the
 * object options (a -file is loaded), then, without loaded data,
 * makeDefault's data. Answers the object name. */
int projObjectCreate(Tcl_Interp *interp, int argc, const char **argv, const char *module,
                     const RAMOBJ &templ, const std::function<void *(Tcl_Interp *)> &makeDefault);

/* value printed with a format of one floating-point conversion; any
 * other format (one that would read other arguments) gives "%.12g". */
std::string formatNumber(const char *format, double value);
/* The same text appended to out (no allocation once out has room). */
void appendNumber(std::string &out, const char *format, double value);

/* The whole content of a file, false when it cannot be read. */
/* (A file that cannot be opened gives its reason to objLoadFailure.) */
bool readWholeText(const char *path, std::string *text);

/* Writes text as the new content of path; 1 when written, else 0. */
int writeWholeText(const char *path, const std::string &text);

/* The count numbers of words in out; TCL_ERROR with Tcl's own message
 * ("expected floating-point number but got ...") at the first word that
 * is no number, never read as 0. */
int readCoordinates(Tcl_Interp *interp, const char *const *words, int count, double *out);

/* 1 when word is a prefix of name over its own length (and not empty). */
int prefixOf(const char *word, const char *name);

#endif
