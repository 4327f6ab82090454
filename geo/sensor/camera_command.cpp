/*
 * camera_command.cpp --
 *
 *	camera.create and the camera command: options, attitude by angles,
 *	quaternion or a point to look at, and the conversions between map
 *	and image coordinates. The image operations are in camera_images.cpp.
 */
#include <math.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "core/custom_options.h"
#include "core/option_engine.h"
#include "core/package.h"
#include "geo/sensor/camera_model.h"
#include "geo/sensor/rotation.h"
#include "geo/sensor/sensor_command_kit.h"
#include "geo/sensor/sensor_commands.h"

namespace {

#define CAM(field) offsetof(CameraModel, field)

const Tk_ConfigSpec cameraSpecs[] = {
    SENSOR_INTERIOR_SPECS(CameraModel),
    {TK_CONFIG_DOUBLE, "-x", NULL, NULL, "0.0", CAM(x), 0, NULL},
    {TK_CONFIG_DOUBLE, "-y", NULL, NULL, "0.0", CAM(y), 0, NULL},
    {TK_CONFIG_DOUBLE, "-z", NULL, NULL, "1000.0", CAM(z), 0, NULL},
    {TK_CONFIG_DOUBLE, "-ax", NULL, NULL, "0.0", CAM(ax), 0, NULL},
    {TK_CONFIG_DOUBLE, "-ay", NULL, NULL, "0.0", CAM(ay), 0, NULL},
    {TK_CONFIG_DOUBLE, "-az", NULL, NULL, "0.0", CAM(az), 0, NULL},
    SENSOR_SETTINGS_SPECS(CameraModel)};

const char cameraUsage[] = " [acquire bbox cget class config destroy imagexy mapxy normalize "
                           "normxy quaternion rectify rotationmatrix viewpoint]";

/* Cached cosine and sine of one axis from its angle and offset. */
void setAxisTrig(CameraModel *m, int axis)
{
    const double angle[3] = {m->ax + m->axoffset, m->ay + m->ayoffset, m->az + m->azoffset};
    double radians = sensorRadians(angle[axis]);
    m->trig[axis * 2] = cos(radians);
    m->trig[axis * 2 + 1] = sin(radians);
}

void buildMatrix(CameraModel *m)
{
    rotationMatrix(m->rotationid, m->R, m->trig[1], m->trig[0], m->trig[3], m->trig[2],
                   m->trig[5], m->trig[4]);
}

/* After quaternion and viewpoint: the cache follows the new angles, so
 * that a later change of one axis rebuilds R from all three. */
void refreshTrig(CameraModel *m)
{
    for (int axis = 0; axis < 3; axis++) {
        setAxisTrig(m, axis);
    }
}

void storeAngles(CameraModel *m, const double R[9])
{
    const double offsets[3] = {m->axoffset, m->ayoffset, m->azoffset};
    double angles[3];
    if (rotationAngles(m->rotationid, R, angles, offsets)) {
        m->ax = angles[0];
        m->ay = angles[1];
        m->az = angles[2];
        refreshTrig(m);
    }
}

void cameraDelete(ClientData clientData)
{
    gmemFree(clientData);
}

/*
 * configure --
 *	Option pairs: the axes whose angle or offset changed get new cached
 *	trigonometry, and R is rebuilt when one did or the order changed.
 *	A value that is not finite puts every setting back.
 */
int configure(CameraModel *m, Tcl_Interp *interp, int argc, const char **argv)
{
    CameraModel before;
    if (sensorReconfigure(interp, cameraSpecs, m, &before, argc, argv) != TCL_OK) {
        return TCL_ERROR;
    }
    const double was[3][2] = {{before.ax, before.axoffset},
                              {before.ay, before.ayoffset},
                              {before.az, before.azoffset}};
    const double now[3][2] = {{m->ax, m->axoffset}, {m->ay, m->ayoffset}, {m->az, m->azoffset}};
    bool changed = m->rotationid != before.rotationid;
    for (int axis = 0; axis < 3; axis++) {
        if (now[axis][0] != was[axis][0] || now[axis][1] != was[axis][1]) {
            setAxisTrig(m, axis);
            changed = true;
        }
    }
    if (changed) {
        buildMatrix(m);
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int quaternionWord(CameraModel *m, Tcl_Interp *interp, int argc, const char **argv)
{
    double q[4];
    if (argc < 3) {
        matrixToQuaternion(m->R, q);
        sensorResultNumbers(interp, q, 4);
        return TCL_OK;
    }
    double R[9];
    if (!sensorScanNumbers(argv[2], q, 4) || (quaternionToMatrix(q, R), !allFinite(R, 9))) {
        return sensorError(interp, "Error in parsing quaternion");
    }
    memcpy(m->R, R, sizeof R);
    storeAngles(m, R);
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int viewpointWord(CameraModel *m, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc > 3) {
        return sensorUsage(interp, argv[0], " viewpoint [{x y z}]");
    }
    if (argc == 2) {
        sensorResultDirection(interp, m->R);
        return TCL_OK;
    }
    double p[3];
    if (!sensorScanNumbers(argv[2], p, 3)) {
        return sensorError(interp, "Error in parsing view point");
    }
    const double offsets[3] = {m->axoffset, m->ayoffset, m->azoffset};
    double angles[3] = {m->ax, m->ay, m->az};
    if (lookAt(m->rotationid, m->R, angles, cameraPosition(*m), offsets, p[0], p[1], p[2])) {
        m->ax = angles[0];
        m->ay = angles[1];
        m->az = angles[2];
        refreshTrig(m);
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int cameraCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    CameraModel *m = (CameraModel *)clientData;
    const char *word = argc >= 2 ? argv[1] : "";
    FrameInterior in = cameraInterior(*m);
    FramePosition pos = cameraPosition(*m);
    int handled;
    int code = sensorModelWord(interp, argc, argv, cameraSpecs, m, "Camera", configure, &handled);
    if (handled) {
        return code;
    }
    switch (word[0]) {
    case 'a':
        if (sensorWordIs(word, "acquire")) return cameraImageCommand(m, interp, argc, argv);
        break;
    case 'b':
        if (sensorWordIs(word, "bbox")) {
            double box[4];
            if (!cameraFootprint(m->R, pos, in, box) || !allFinite(box, 4)) {
                return sensorError(interp, "Camera footprint is not finite");
            }
            sensorResultNumbers(interp, box, 4);
            return TCL_OK;
        }
        break;
    case 'i':
        if (sensorWordIs(word, "imagexy")) {
            if (argc < 4 || argc > 5) {
                return sensorUsage(interp, argv[0], " imagexy mapx mapy [mapz]");
            }
            double z = argc == 5 ? ovexLenientDouble(argv[4]) : 0.0;
            double out[2];
            if (!mapToImage(m->R, pos, in, ovexLenientDouble(argv[2]), ovexLenientDouble(argv[3]),
                            z, &out[0], &out[1])) {
                return sensorError(interp, "Point has no image position");
            }
            sensorResultNumbers(interp, out, 2);
            return TCL_OK;
        }
        break;
    case 'm':
        if (sensorWordIs(word, "mapxy")) {
            if (argc != 4) return sensorUsage(interp, argv[0], " mapxy ix iy");
            double out[2];
            if (!imageToMap(m->R, pos, in, ovexLenientDouble(argv[2]), ovexLenientDouble(argv[3]),
                            &out[0], &out[1])) {
                return sensorError(interp, "Image point has no ground position");
            }
            sensorResultNumbers(interp, out, 2);
            return TCL_OK;
        }
        break;
    case 'n':
        if (sensorWordIs(word, "normxy")) {
            if (argc != 4) return sensorUsage(interp, argv[0], " normxy imgx imgy");
            double out[2];
            if (!imageToNormal(m->R, in, ovexLenientDouble(argv[2]), ovexLenientDouble(argv[3]),
                               &out[0], &out[1])) {
                return sensorError(interp, "Image point has no normalized position");
            }
            sensorResultNumbers(interp, out, 2);
            return TCL_OK;
        }
        if (sensorWordIs(word, "normalize")) return cameraImageCommand(m, interp, argc, argv);
        break;
    case 'q':
        if (sensorWordIs(word, "quaternion")) return quaternionWord(m, interp, argc, argv);
        break;
    case 'r':
        if (sensorWordIs(word, "rectify")) return cameraImageCommand(m, interp, argc, argv);
        if (sensorWordIs(word, "rotationmatrix")) {
            sensorResultNumbers(interp, m->R, 9);
            return TCL_OK;
        }
        break;
    case 'v':
        if (sensorWordIs(word, "viewpoint")) return viewpointWord(m, interp, argc, argv);
        break;
    default:
        break;
    }
    return sensorUsage(interp, argv[0], cameraUsage);
}

} // namespace

/*
 * cameraCreateCmd --
 *	camera.create name ?option value ...?
 */
int cameraCreateCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    CameraModel *m = (CameraModel *)sensorNewModel(interp, argc, argv, cameraSpecs,
                                                   sizeof(CameraModel), "Error in create camera");
    if (m == NULL) {
        return TCL_ERROR;
    }
    for (int i = 0; i < 9; i++) m->R[i] = (i % 4 == 0) ? 1.0 : 0.0;
    m->trig[0] = m->trig[2] = m->trig[4] = 1.0;
    const double angle[3][2] = {{m->ax, m->axoffset}, {m->ay, m->ayoffset}, {m->az, m->azoffset}};
    for (int axis = 0; axis < 3; axis++) {
        if (angle[axis][0] != 0.0 || angle[axis][1] != 0.0) {
            setAxisTrig(m, axis);
        }
    }
    buildMatrix(m);
    return sensorCreateCommand(interp, argv[1], cameraCmd, m, cameraDelete, &m->token);
}

/*
 * quaternionSlerpCmd --
 *	quaternion.slerp q1 q2 timeInterval
 */
int quaternionSlerpCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4) {
        return sensorUsage(interp, argv[0], " q1 q2 timeInterval");
    }
    double q1[4], q2[4], out[4];
    if (!sensorScanNumbers(argv[1], q1, 4) || !sensorScanNumbers(argv[2], q2, 4)) {
        return sensorError(interp, "Error in parsing quaternions");
    }
    double t = ovexLenientDouble(argv[3]);
    if (!(t >= 0.0 && t <= 1.0)) {
        return sensorError(interp, "Invalid timeInterveral (must be between 0 and 1)");
    }
    quaternionSlerp(q1, q2, t, out);
    if (!allFinite(out, 4)) {
        return sensorError(interp, "Error in parsing quaternions");
    }
    sensorResultNumbers(interp, out, 4);
    return TCL_OK;
}

int Camera_Init(Tcl_Interp *interp)
{
    if (Tcl_CreateCommand(interp, "camera.create", cameraCreateCmd, NULL, NULL) == NULL
        || Tcl_CreateCommand(interp, "pushbroom.create", pushbroomCreateCmd, NULL, NULL) == NULL
        || Tcl_CreateCommand(interp, "quaternion.slerp", quaternionSlerpCmd, NULL, NULL)
               == NULL) {
        return 1;
    }
    return 0;
}
