/*
 * pushbroom_model.h --
 *
 *	The pushbroom (line) scanner behind a pushbroom command: the frame
 *	geometry of the camera with one attitude, position and rotation
 *	matrix per scan line. Scan line i is image row i; pixel (c, i) is the
 *	point (c, 0) of the frame geometry taken with line i's matrix and
 *	position.
 */
#ifndef OVEX_GEO_SENSOR_PUSHBROOM_MODEL_H
#define OVEX_GEO_SENSOR_PUSHBROOM_MODEL_H

#include <tcl.h>

#include <functional>
#include <vector>

#include "geo/sensor/frame_geometry.h"
#include "geo/sensor/sensor_images.h"
#include "ovex/ramimage.h"

/* Attitude (degrees) and projection centre of one scan line. */
struct PushbroomLine {
    double Ax, Ay, Az;
    double x, y, z;
};

struct PushbroomModel {
    double f, dx, dy, xc, yc;
    double axoffset, ayoffset, azoffset;
    PushbroomLine *lines;        /* nscanlines records, NULL for none */
    double *matrices;            /* 9 doubles per line */
    double lat, lon;
    int nscanlines;
    int rotationid;
    int mapid;
    SensorImageSettings settings;
    Tcl_Command token;
};

/* A model's geometry detached from its command for one image operation:
 * scripts run by the meter may reconfigure or delete the command. */
struct PushbroomGeometry {
    FrameInterior in;
    std::vector<PushbroomLine> lines;
    std::vector<double> matrices;
    int n() const { return (int)lines.size(); }
    const double *R(int i) const { return &matrices[(size_t)i * 9]; }
    FramePosition position(int i) const
    {
        FramePosition p = {lines[i].x, lines[i].y, lines[i].z};
        return p;
    }
};

PushbroomGeometry pushbroomGeometry(const PushbroomModel &m);

/* New zeroed line arrays of nscanlines entries (1), or none with
 * nscanlines 0 (0: nscanlines not above 0, or memory short). */
int pushbroomAllocLines(PushbroomModel *m);
/* Every line's matrix from its angles plus the offsets. */
void pushbroomUpdateMatrices(PushbroomModel *m);

/* The result of finding the scan line that sees a map point. */
struct PushbroomFix {
    double col;        /* column on the chosen line */
    double residual;   /* the chosen line's residual */
    int line;
    double spread;     /* |residual A| + |residual B| of the final bracket */
};

/* One bracket end: a line and its residual. */
struct PushbroomEnd {
    int line;
    double rho;
};

/* Narrows the bracket [A, B] once; 1 while the lines are more than one
 * apart. */
int pushbroomBisectStep(PushbroomEnd *A, PushbroomEnd *B,
                        const std::function<double(int line)> &residual);

/* The bracket search over n lines (n >= 1) with the residual of each
 * line: fills line, residual and spread (col is left to the caller). */
void pushbroomBracket(int n, const std::function<double(int line)> &residual,
                      PushbroomFix *fix);

/* The line that sees (X, Y, Z), with the column on it. */
void pushbroomFindLine(const PushbroomGeometry &g, double X, double Y, double Z,
                       PushbroomFix *fix);

/* Across-line and along-line ground pixel sizes (at least two lines). */
void pushbroomGridSize(const PushbroomGeometry &g, double *gx, double *gy);
/* Ground box of the line ends (at least one line). 0 when not finite. */
int pushbroomFootprint(const PushbroomGeometry &g, double box[4]);

/* The image operations. */
void pushbroomAcquire(const PushbroomModel &m, RAMIMG *src, RAMIMG *des);
void pushbroomNormalize(const PushbroomModel &m, RAMIMG *src, RAMIMG *des);
void pushbroomAdvancedNormalization(const PushbroomModel &m, RAMIMG *src, RAMIMG *des);
void pushbroomRectify(const PushbroomModel &m, RAMIMG *src, RAMIMG *dem, RAMIMG *des);

/* The acquire, normalize and rectify subcommands (argv[1] is the word). */
int pushbroomImageCommand(PushbroomModel *m, Tcl_Interp *interp, int argc, const char **argv);

#endif /* OVEX_GEO_SENSOR_PUSHBROOM_MODEL_H */
