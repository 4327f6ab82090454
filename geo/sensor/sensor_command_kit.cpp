/*
 * sensor_command_kit.cpp --
 *
 *	Helpers of the sensor model commands.
 */
#include "geo/sensor/sensor_command_kit.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

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
