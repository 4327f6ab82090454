/*
 * camera_images.cpp --
 *
 *	The frame camera's image operations: the simulated photograph of a
 *	map image (on the ground plane or over a DEM), rectification of a
 *	photograph onto a map grid, and normalization.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <new>

#include "core/rounding.h"
#include "core/vocabulary.h"
#include "geo/sensor/camera_model.h"
#include "geo/sensor/sensor_command_kit.h"
#include "geo/sensor/sensor_images.h"
#include "ramimage/pixel_access.h"

namespace {

GroundOfPixel cameraGround(const CameraModel &m)
{
    FrameInterior in = cameraInterior(m);
    FramePosition pos = cameraPosition(m);
    const double *R = m.R;
    return [in, pos, R](int c, int r, double *X, double *Y) {
        return imageToMap(R, pos, in, c, r, X, Y);
    };
}

} // namespace

void cameraAcquire(const CameraModel &m, RAMIMG *src, RAMIMG *des, int resamplemode)
{
    char description[512];
    snprintf(description, sizeof description,
             "-lat %.16g -lon %.16g -mapid %s -x %.4g -y %.4g -z %.4g -xc %d -yc %d -f %.4g "
             "-dx %.6g -dy %.6g -ax %.6g -ay %.6g -az %.6g -axoffset %.6g -ayoffset %.6g "
             "-azoffset %.6g",
             m.lat, m.lon, mapidName(m.mapid), m.x, m.y, m.z, clampToInt(m.xc), clampToInt(m.yc),
             m.f, m.dx, m.dy, m.ax, m.ay, m.az, m.axoffset, m.ayoffset, m.azoffset);
    sensorAcquire("Camera acquire", src, des, des->head.rows, resamplemode, m.settings.update,
                  cameraGround(m), description);
}

/*
 * cameraTakeImage --
 *	Every map pixel, raised to its DEM height, is projected into the
 *	photograph; where several land on one camera pixel the highest wins.
 */
void cameraTakeImage(const CameraModel &m, RAMIMG *src, RAMIMG *des, RAMIMG *dem)
{
    int nb = movedBands(src, des);
    const ImageHead &s = src->head;
    int desRows = des->head.rows;
    int desCols = des->head.columns;
    SensorProgress progress("Camera takeimage", des, m.settings.update, nb);
    size_t cells = (size_t)(desRows > 0 ? desRows : 0) * (size_t)(desCols > 0 ? desCols : 0);
    float *highest = new (std::nothrow) float[cells > 0 ? cells : 1];
    float *heights = new (std::nothrow) float[s.columns > 0 ? s.columns : 1];
    float *value = new (std::nothrow) float[nb > 0 ? nb : 1];
    if (highest == NULL || heights == NULL || value == NULL) {
        ovex_fprintf(stderr, "Error of malloc in cameraTakeImage.\n");
        delete[] highest;
        delete[] heights;
        delete[] value;
        return;
    }
    for (size_t k = 0; k < cells; k++) {
        highest[k] = -3.4028235e38f;
    }
    FrameInterior in = cameraInterior(m);
    FramePosition pos = cameraPosition(m);
    PixelReader reader(src, nb);
    double Y = s.y0;
    for (int r = 0; r < s.rows; r++, Y -= s.dy) {
        getRowFloat(dem, r, 0, s.columns, 0, heights);
        double X = s.x0;
        for (int c = 0; c < s.columns; c++, X += s.dx) {
            double Z = heights[c];
            double col, row;
            if (!mapToImage(m.R, pos, in, X, Y, Z, &col, &row)) {
                continue;
            }
            int icol = roundToInt(col);
            int irow = roundToInt(row);
            if (icol < 0 || icol >= desCols || irow < 0 || irow >= desRows) {
                continue;
            }
            float &top = highest[(size_t)irow * desCols + icol];
            if (Z > top) {
                top = (float)Z;
                reader.get(c, r, value);
                writeFillBlock(des, icol, irow, m.settings.fillfactor, nb, value);
            }
        }
        progress.row(r, s.rows);
    }
    delete[] highest;
    delete[] heights;
    delete[] value;
    progress.finish();
}

void cameraRectify(const CameraModel &m, RAMIMG *src, RAMIMG *dem, RAMIMG *des,
                   int resamplemode)
{
    FrameInterior in = cameraInterior(m);
    FramePosition pos = cameraPosition(m);
    double box[4];
    cameraFootprint(m.R, pos, in, box);
    const double *R = m.R;
    sensorRectify("Camera rectify", src, dem, des, box, resamplemode, m.settings.update, 0,
                  [in, pos, R](double X, double Y, double Z, double *col, double *row) {
                      return mapToImage(R, pos, in, X, Y, Z, col, row);
                  });
}

void cameraNormalize(const CameraModel &m, RAMIMG *src, RAMIMG *des)
{
    sensorNormalize("Camera normalize", src, des, src->head.rows, m.settings,
                    cameraGround(m));
}

void cameraAdvancedNormalization(const CameraModel &m, RAMIMG *src, RAMIMG *des,
                                 int resamplemode)
{
    if (resamplemode == 0) {
        cameraNormalize(m, src, des);
        return;
    }
    double thr = fabs(hypot(m.dx * m.z / m.f, m.dy * m.z / m.f) * m.settings.neighborhood);
    sensorAdvancedNormalization("Camera advanced normalization", src, des, src->head.rows, thr,
                                m.settings, cameraGround(m));
}

/*
 * cameraImageCommand --
 *	acquire src des ?dem?, rectify src des ?dem?, normalize src des. The
 *	model is copied first: the meter runs scripts, which may delete the
 *	camera while the operation runs.
 */
int cameraImageCommand(CameraModel *model, Tcl_Interp *interp, int argc, const char **argv)
{
    CameraModel m = *model;
    char word = argv[1][0];
    if (sensorImageUsage(interp, argc, argv, true) != TCL_OK) {
        return TCL_ERROR;
    }
    SensorImages images;
    RAMIMG *src, *des, *dem;
    if (!images.openOperands(interp, argc, argv, &src, &des, &dem)) {
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    if (word == 'a') {
        if (dem == NULL) {
            cameraAcquire(m, src, des, m.settings.resamplemode);
        } else if (!sameGrid(dem, src)) {
            return sensorError(interp, "Inconsistent DEM and source images");
        } else {
            cameraTakeImage(m, src, des, dem);
        }
    } else if (word == 'r') {
        if (dem != NULL && !sameGrid(dem, des)) {
            return sensorError(interp, "Inconsistent DEM and destination images");
        }
        cameraRectify(m, src, dem, des, m.settings.resamplemode);
    } else {
        cameraAdvancedNormalization(m, src, des, m.settings.resamplemode);
    }
    return TCL_OK;
}
