/*
 * pushbroom_command.cpp --
 *
 *	pushbroom.create and the pushbroom command: options, per-line
 *	attitudes and quaternions, conversions for one line, footprint and
 *	grid size. The image operations are in pushbroom_images.cpp.
 */
#include <math.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/custom_options.h"
#include "core/option_engine.h"
#include "core/package.h"
#include "core/rounding.h"
#include "geo/sensor/pushbroom_model.h"
#include "geo/sensor/rotation.h"
#include "geo/sensor/sensor_command_kit.h"
#include "geo/sensor/sensor_commands.h"

namespace {

#define PB(field) offsetof(PushbroomModel, field)

const Tk_ConfigSpec pushbroomSpecs[] = {
    SENSOR_INTERIOR_SPECS(PushbroomModel),
    {TK_CONFIG_INT, "-nscanlines", NULL, NULL, "0", PB(nscanlines), 0, NULL},
    SENSOR_SETTINGS_SPECS(PushbroomModel)};

const char pushbroomUsage[] = " [acquire attitude bbox cget class config destroy gridsize imagexy "
                              "mapxy normalize normxy quaternion rectify rotationmatrix viewpoint]";

const double kDegree = 0.017453292519943295;

void freeLines(PushbroomModel *m)
{
    free(m->lines);
    free(m->matrices);
    m->lines = NULL;
    m->matrices = NULL;
}

void lineMatrix(PushbroomModel *m, int i)
{
    const PushbroomLine &a = m->lines[i];
    double x = (a.Ax + m->axoffset) * kDegree;
    double y = (a.Ay + m->ayoffset) * kDegree;
    double z = (a.Az + m->azoffset) * kDegree;
    rotationMatrix(m->rotationid, m->matrices + (size_t)i * 9, sin(x), cos(x), sin(y), cos(y),
                   sin(z), cos(z));
}

void pushbroomDelete(ClientData clientData)
{
    PushbroomModel *m = (PushbroomModel *)clientData;
    freeLines(m);
    gmemFree(m);
}

int configure(PushbroomModel *m, Tcl_Interp *interp, int argc, const char **argv)
{
    PushbroomModel before;
    if (sensorReconfigure(interp, pushbroomSpecs, m, &before, argc, argv) != TCL_OK) {
        return TCL_ERROR;
    }
    bool linesChanged = m->nscanlines != before.nscanlines;
    if (linesChanged) {
        pushbroomAllocLines(m);
    }
    if (linesChanged || m->axoffset != before.axoffset || m->ayoffset != before.ayoffset
        || m->azoffset != before.azoffset || m->rotationid != before.rotationid) {
        pushbroomUpdateMatrices(m);
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* The line id of word, or -1 after "Invalid line id". */
int lineId(PushbroomModel *m, Tcl_Interp *interp, const char *word)
{
    int id = ovexLenientInt(word);
    if (id < 0 || id >= m->nscanlines) {
        sensorError(interp, "Invalid line id");
        return -1;
    }
    return id;
}

FrameInterior interior(const PushbroomModel *m)
{
    FrameInterior in = {m->f, m->dx, m->dy, m->xc, m->yc};
    return in;
}

FramePosition position(const PushbroomModel *m, int id)
{
    FramePosition p = {m->lines[id].x, m->lines[id].y, m->lines[id].z};
    return p;
}

int attitudeWord(PushbroomModel *m, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3 || argc > 4) {
        return sensorUsage(interp, argv[0], " attitude id [{Ax Ay Az x y z}]");
    }
    double v[6];
    if (argc == 4 && !sensorScanNumbers(argv[3], v, 6)) {
        return sensorError(interp, "Error in parsing attitude");
    }
    int id = lineId(m, interp, argv[2]);
    if (id < 0) return TCL_ERROR;
    PushbroomLine &line = m->lines[id];
    if (argc == 3) {
        const double out[6] = {line.Ax, line.Ay, line.Az, line.x, line.y, line.z};
        sensorResultNumbers(interp, out, 6);
        return TCL_OK;
    }
    line.Ax = v[0]; line.Ay = v[1]; line.Az = v[2];
    line.x = v[3]; line.y = v[4]; line.z = v[5];
    lineMatrix(m, id);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int quaternionWord(PushbroomModel *m, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 3 || argc > 4) {
        return sensorUsage(interp, argv[0], " quaternion id [{w x y z}]");
    }
    double q[4], R[9];
    if (argc == 4
        && (!sensorScanNumbers(argv[3], q, 4) || (quaternionToMatrix(q, R), !allFinite(R, 9)))) {
        return sensorError(interp, "Error in parsing quaternion");
    }
    int id = lineId(m, interp, argv[2]);
    if (id < 0) return TCL_ERROR;
    double *matrix = m->matrices + (size_t)id * 9;
    if (argc == 3) {
        matrixToQuaternion(matrix, q);
        sensorResultNumbers(interp, q, 4);
        return TCL_OK;
    }
    memcpy(matrix, R, sizeof R);
    const double offsets[3] = {m->axoffset, m->ayoffset, m->azoffset};
    double angles[3];
    if (rotationAngles(m->rotationid, R, angles, offsets)) {
        m->lines[id].Ax = angles[0];
        m->lines[id].Ay = angles[1];
        m->lines[id].Az = angles[2];
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/* imagexy, mapxy and normxy of one line. */
int pointWord(PushbroomModel *m, Tcl_Interp *interp, int argc, const char **argv, char kind)
{
    bool ok = kind == 'i' ? (argc == 5 || argc == 6) : argc == 5;
    if (!ok) {
        return sensorUsage(interp, argv[0], kind == 'i'   ? " imagexy id mapx mapy [mapz]"
                                            : kind == 'm' ? " mapxy id ix iy"
                                                          : " normxy id imgx imgy");
    }
    double a = ovexLenientDouble(argv[3]);
    double b = ovexLenientDouble(argv[4]);
    double z = argc == 6 ? ovexLenientDouble(argv[5]) : 0.0;
    int id = lineId(m, interp, argv[2]);
    if (id < 0) return TCL_ERROR;
    const double *R = m->matrices + (size_t)id * 9;
    double out[2];
    if (kind == 'i') {
        if (!mapToImage(R, position(m, id), interior(m), a, b, z, &out[0], &out[1])) {
            return sensorError(interp, "Point has no image position");
        }
    } else if (kind == 'm') {
        if (!imageToMap(R, position(m, id), interior(m), a, b, &out[0], &out[1])) {
            return sensorError(interp, "Image point has no ground position");
        }
    } else if (!imageToNormal(R, interior(m), a, b, &out[0], &out[1])) {
        return sensorError(interp, "Image point has no normalized position");
    }
    sensorResultNumbers(interp, out, 2);
    return TCL_OK;
}

int pushbroomCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    PushbroomModel *m = (PushbroomModel *)clientData;
    const char *word = argc >= 2 ? argv[1] : "";
    int handled;
    int code =
        sensorModelWord(interp, argc, argv, pushbroomSpecs, m, "Pushbroom", configure, &handled);
    if (handled) {
        return code;
    }
    switch (word[0]) {
    case 'a':
        if (sensorWordIs(word, "acquire")) return pushbroomImageCommand(m, interp, argc, argv);
        if (sensorWordIs(word, "attitude")) return attitudeWord(m, interp, argc, argv);
        break;
    case 'b':
        if (sensorWordIs(word, "bbox")) {
            double box[4];
            if (m->nscanlines < 1 || roundToInt(2.0 * m->xc) < 1) {
                return sensorError(interp, "Need at least one scan line");
            }
            if (!pushbroomFootprint(pushbroomGeometry(*m), box)) {
                return sensorError(interp, "Pushbroom footprint is not finite");
            }
            sensorResultNumbers(interp, box, 4);
            return TCL_OK;
        }
        break;
    case 'g':
        if (sensorWordIs(word, "gridsize")) {
            if (m->nscanlines < 2) {
                return sensorError(interp, "Need at least two scan lines");
            }
            double g[2];
            pushbroomGridSize(pushbroomGeometry(*m), &g[0], &g[1]);
            if (!allFinite(g, 2)) {
                return sensorError(interp, "Pushbroom grid size is not finite");
            }
            sensorResultNumbers(interp, g, 2);
            return TCL_OK;
        }
        break;
    case 'i':
        if (sensorWordIs(word, "imagexy")) return pointWord(m, interp, argc, argv, 'i');
        break;
    case 'm':
        if (sensorWordIs(word, "mapxy")) return pointWord(m, interp, argc, argv, 'm');
        break;
    case 'n':
        if (sensorWordIs(word, "normxy")) return pointWord(m, interp, argc, argv, 'n');
        if (sensorWordIs(word, "normalize")) return pushbroomImageCommand(m, interp, argc, argv);
        break;
    case 'q':
        if (sensorWordIs(word, "quaternion")) return quaternionWord(m, interp, argc, argv);
        break;
    case 'r':
        if (sensorWordIs(word, "rectify")) return pushbroomImageCommand(m, interp, argc, argv);
        if (sensorWordIs(word, "rotationmatrix")) {
            if (argc != 3) return sensorUsage(interp, argv[0], " rotationmatrix id");
            int id = lineId(m, interp, argv[2]);
            if (id < 0) return TCL_ERROR;
            sensorResultNumbers(interp, m->matrices + (size_t)id * 9, 9);
            return TCL_OK;
        }
        break;
    case 'v':
        if (sensorWordIs(word, "viewpoint")) {
            if (argc != 3) return sensorUsage(interp, argv[0], " viewpoint id");
            int id = lineId(m, interp, argv[2]);
            if (id < 0) return TCL_ERROR;
            sensorResultDirection(interp, m->matrices + (size_t)id * 9);
            return TCL_OK;
        }
        break;
    default:
        break;
    }
    return sensorUsage(interp, argv[0], pushbroomUsage);
}

} // namespace

/*
 * pushbroomAllocLines --
 *	New lines start at the origin with angles 0, their matrices built
 *	from the offsets alone.
 */
int pushbroomAllocLines(PushbroomModel *m)
{
    freeLines(m);
    if (m->nscanlines <= 0) {
        m->nscanlines = 0;
        return 0;
    }
    m->lines = (PushbroomLine *)calloc((size_t)m->nscanlines, sizeof(PushbroomLine));
    m->matrices = (double *)calloc((size_t)m->nscanlines * 9, sizeof(double));
    if (m->lines == NULL || m->matrices == NULL) {
        freeLines(m);
        m->nscanlines = 0;
        return 0;
    }
    pushbroomUpdateMatrices(m);
    return 1;
}

void pushbroomUpdateMatrices(PushbroomModel *m)
{
    if (m->lines == NULL || m->matrices == NULL) {
        return;
    }
    for (int i = 0; i < m->nscanlines; i++) {
        lineMatrix(m, i);
    }
}

int pushbroomCreateCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    PushbroomModel *m = (PushbroomModel *)sensorNewModel(
        interp, argc, argv, pushbroomSpecs, sizeof(PushbroomModel), "Error in create pushbroom");
    if (m == NULL) {
        return TCL_ERROR;
    }
    if (m->nscanlines != 0) {
        pushbroomAllocLines(m);
    }
    return sensorCreateCommand(interp, argv[1], pushbroomCmd, m, pushbroomDelete, &m->token);
}
