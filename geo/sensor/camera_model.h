/*
 * camera_model.h --
 *
 *	The frame camera behind a camera command: interior and exterior
 *	orientation, map reference and the settings of its image operations,
 *	and those operations.
 */
#ifndef OVEX_GEO_SENSOR_CAMERA_MODEL_H
#define OVEX_GEO_SENSOR_CAMERA_MODEL_H

#include <tcl.h>

#include "geo/sensor/frame_geometry.h"
#include "geo/sensor/sensor_images.h"
#include "ovex/ramimage.h"

struct CameraModel {
    double f;                   /* focal length, in the unit of dx and dy */
    double dx, dy;              /* pixel size along a row and along a column */
    double xc, yc;              /* principal point (column, row) */
    double axoffset, ayoffset, azoffset;  /* degrees added to the angles */
    double ax, ay, az;          /* attitude, degrees */
    double x, y, z;             /* projection centre in map coordinates */
    double R[9];                /* camera = R * map */
    double trig[6];             /* cos, sin of (ax + axoffset), (ay ..), (az ..) */
    double lat, lon;            /* informational, written into descriptions */
    int rotationid;
    int mapid;
    SensorImageSettings settings;
    Tcl_Command token;
};

inline FrameInterior cameraInterior(const CameraModel &m)
{
    FrameInterior in = {m.f, m.dx, m.dy, m.xc, m.yc};
    return in;
}

inline FramePosition cameraPosition(const CameraModel &m)
{
    FramePosition p = {m.x, m.y, m.z};
    return p;
}

/* The image operations (the model is the caller's copy). */
void cameraAcquire(const CameraModel &m, RAMIMG *src, RAMIMG *des, int resamplemode);
void cameraTakeImage(const CameraModel &m, RAMIMG *src, RAMIMG *des, RAMIMG *dem);
void cameraRectify(const CameraModel &m, RAMIMG *src, RAMIMG *dem, RAMIMG *des,
                   int resamplemode);
void cameraNormalize(const CameraModel &m, RAMIMG *src, RAMIMG *des);
void cameraAdvancedNormalization(const CameraModel &m, RAMIMG *src, RAMIMG *des,
                                 int resamplemode);

/* The acquire, rectify and normalize subcommands (argv[1] is the word). */
int cameraImageCommand(CameraModel *m, Tcl_Interp *interp, int argc, const char **argv);

#endif /* OVEX_GEO_SENSOR_CAMERA_MODEL_H */
