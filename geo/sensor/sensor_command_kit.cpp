/*
 * sensor_command_kit.cpp --
 *
 *	Helpers of the sensor model commands.
 */
#include "geo/sensor/sensor_command_kit.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "core/option_engine.h"
#include "core/package.h"
#include "geo/sensor/frame_geometry.h"

int sensorWordIs(const char *word, const char *name)
{
    size_t n = strlen(word);
    return n >= 3 && n <= strlen(name) && strncmp(word, name, n) == 0;
}

int sensorUsage(Tcl_Interp *interp, const char *argv0, const char *text)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", argv0, text, (char *)NULL);
    return TCL_ERROR;
}

int sensorImageUsage(Tcl_Interp *interp, int argc, const char **argv, bool acquireDem)
{
    char word = argv[1][0];
    int most = word == 'r' || (word == 'a' && acquireDem) ? 5 : 4;
    if (argc < 4 || argc > most) {
        const char *acquire = acquireDem ? " acquire src des [dem]" : " acquire src des";
        const char *usage = word == 'a'   ? acquire
                            : word == 'r' ? " rectify src des [dem]"
                                          : " normalize src des";
        return sensorUsage(interp, argv[0], usage);
    }
    return TCL_OK;
}

int sensorError(Tcl_Interp *interp, const char *message)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, message, (char *)NULL);
    return TCL_ERROR;
}

void sensorResultNumbers(Tcl_Interp *interp, const double *values, int n)
{
    Tcl_ResetResult(interp);
    for (int i = 0; i < n; i++) {
        char buffer[64];
        snprintf(buffer, sizeof buffer, "%.16g", values[i] + 0.0);
        Tcl_AppendElement(interp, buffer);
    }
}

void sensorResultDirection(Tcl_Interp *interp, const double R[9])
{
    double v[3];
    viewDirection(R, v);
    char buffer[96];
    snprintf(buffer, sizeof buffer, "%g %g %g", v[0] + 0.0, v[1] + 0.0, v[2] + 0.0);
    Tcl_SetResult(interp, buffer, TCL_VOLATILE);
}

int sensorScanNumbers(const char *text, double *values, int n)
{
    static const char *const formats[] = {NULL, "%lf", "%lf %lf", "%lf %lf %lf",
                                          "%lf %lf %lf %lf", "%lf %lf %lf %lf %lf",
                                          "%lf %lf %lf %lf %lf %lf"};
    if (n < 1 || n > 6) {
        return 0;
    }
    double v[6];
    if (sscanf(text, formats[n], &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) < n) {
        return 0;
    }
    for (int i = 0; i < n; i++) {
        if (!isfinite(v[i])) return 0;
    }
    for (int i = 0; i < n; i++) values[i] = v[i];
    return 1;
}

int sensorOptionsFinite(Tcl_Interp *interp, const Tk_ConfigSpec *specs, const char *record)
{
    for (const Tk_ConfigSpec *spec = specs; spec->type != TK_CONFIG_END; spec++) {
        if (spec->type != TK_CONFIG_DOUBLE) continue;
        double value;
        memcpy(&value, record + spec->offset, sizeof value);
        if (!isfinite(value)) {
            Tcl_ResetResult(interp);
            Tcl_AppendResult(interp, "option ", spec->argvName, " must be a finite number",
                             (char *)NULL);
            return 0;
        }
    }
    return 1;
}

int sensorApplyOptions(Tcl_Interp *interp, const Tk_ConfigSpec *specs, char *record,
                       const void *before, size_t size, int argc, const char **argv, int flags)
{
    if (ovexConfigure(interp, NULL, specs, argc, argv, record, flags) != TCL_OK) {
        return TCL_ERROR;
    }
    if (!sensorOptionsFinite(interp, specs, record)) {
        if (before != NULL) {
            memcpy(record, before, size);
        }
        return TCL_ERROR;
    }
    return TCL_OK;
}

int sensorCommonWord(Tcl_Interp *interp, int argc, const char **argv, const Tk_ConfigSpec *specs,
                     char *record, const char *className, Tcl_Command token,
                     const std::function<int(int, const char **)> &apply, int *handled)
{
    const char *word = argc >= 2 ? argv[1] : "";
    *handled = 1;
    if (sensorWordIs(word, "config")) {
        if (argc == 2) {
            return ovexConfigureInfo(interp, NULL, specs, record, NULL, 0);
        }
        if (argc == 3) {
            return ovexConfigureInfo(interp, NULL, specs, record, argv[2], 0);
        }
        return apply(argc - 2, argv + 2);
    }
    if (sensorWordIs(word, "cget")) {
        if (argc != 3) return sensorUsage(interp, argv[0], " cget -option");
        return ovexConfigureValue(interp, NULL, specs, record, argv[2], 0);
    }
    if (sensorWordIs(word, "class")) {
        Tcl_SetResult(interp, (char *)className, TCL_STATIC);
        return TCL_OK;
    }
    if (sensorWordIs(word, "destroy")) {
        Tcl_DeleteCommandFromToken(interp, token);
        Tcl_ResetResult(interp);
        return TCL_OK;
    }
    *handled = 0;
    return TCL_OK;
}

void *sensorNewModel(Tcl_Interp *interp, int argc, const char **argv, const Tk_ConfigSpec *specs,
                     size_t size, const char *failure)
{
    if (argc < 2) {
        sensorUsage(interp, argv[0], " name ?options?");
        return NULL;
    }
    char *m = (char *)gmemAlloc(size);
    if (m == NULL) {
        sensorError(interp, failure);
        return NULL;
    }
    memset(m, 0, size);
    if (sensorApplyOptions(interp, specs, m, NULL, 0, argc - 2, argv + 2, 0) != TCL_OK) {
        gmemFree(m);
        return NULL;
    }
    return m;
}

int sensorCreateCommand(Tcl_Interp *interp, const char *name, Tcl_CmdProc *proc, void *record,
                        Tcl_CmdDeleteProc *deleteProc, Tcl_Command *token)
{
    *token = Tcl_CreateCommand(interp, name, proc, record, deleteProc);
    if (*token == NULL) {
        deleteProc(record);
        Tcl_ResetResult(interp);
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}
