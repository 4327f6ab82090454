/*
 * sensor_images.h --
 *
 *	What the image operations of the frame camera and the pushbroom
 *	scanner share: opening the named images, the meter and client
 *	notification of a row loop, reading source pixels as floats,
 *	writing fill blocks, and the three operations that differ between
 *	the sensors only in where an image pixel meets the ground.
 *
 *	Positions that are not finite (a ray parallel to the ground, a point
 *	at the height of the projection centre) never reach an integer
 *	conversion: such pixels read as outside.
 */
#ifndef OVEX_GEO_SENSOR_SENSOR_IMAGES_H
#define OVEX_GEO_SENSOR_SENSOR_IMAGES_H

#include <tcl.h>

#include <functional>
#include <vector>

#include "ovex/ramimage.h"

/* Settings of the image operations shared by both sensors. */
struct SensorImageSettings {
    int update;         /* notify the destination's clients while running */
    int resamplemode;   /* 0 nearest, else bilinear (or advanced normalization) */
    int fillfactor;     /* side of the block written per projected pixel */
    double neighborhood;
};

/* The images of one subcommand: opened by name (tag or file), all closed
 * when the holder ends. */
class SensorImages {
public:
    SensorImages() : count_(0) {}
    ~SensorImages();
    /* Opens name; on failure sets "Error in open NAME" and returns NULL. */
    RAMIMG *open(Tcl_Interp *interp, const char *name);
    /* The operands of an image word: src and des at argv[2] and argv[3],
     * dem at argv[4] when argc is 5 (else NULL). 0 after the first that
     * cannot be opened. */
    int openOperands(Tcl_Interp *interp, int argc, const char **argv, RAMIMG **src, RAMIMG **des,
                     RAMIMG **dem);

private:
    RAMIMG *images_[3];
    int count_;
};

/* 1 when the two images have the same rows, columns, x0, y0, dx, dy
 * (compared exactly) and mapid. */
int sameGrid(const RAMIMG *a, const RAMIMG *b);

/* The meter and notification of an operation's row loop. */
class SensorProgress {
public:
    SensorProgress(const char *label, RAMIMG *des, int update, int nb)
        : label_(label), des_(des), update_(update), nb_(nb), next_(0.0f) {}
    /* After row r (from 0) of rows. */
    void row(int r, int rows);
    /* The end: meter full, statistics reset and clients told (with update),
     * meter emptied. */
    void finish();

private:
    const char *label_;
    RAMIMG *des_;
    int update_;
    int nb_;
    float next_;
};

/* Reads the first nb bands of one source pixel as floats, 0 outside the
 * image (palette images give the entries' components, as the engine's
 * float reader does). Byte and native-order float images are read from
 * the row cache directly. */
class PixelReader {
public:
    PixelReader(RAMIMG *image, int nb);
    void get(int col, int row, float *out);
    /* Bilinear blend of (ic, ir), (ic, r1), (c1, ir), (c1, r1) with the
     * fractions fx, fy. */
    void bilinear(int ic, int ir, int c1, int r1, float fx, float fy, float *out);

private:
    RAMIMG *image_;
    int nb_;
    int kind_;
    std::vector<float> p_[4];
};

/* Writes the pixel value (nb bands) into the fill x fill block from
 * (col, row), clipped to the image. */
void writeFillBlock(RAMIMG *des, int col, int row, int fill, int nb, const float *value);

/* The smaller band count of two images. */
int movedBands(const RAMIMG *a, const RAMIMG *b);

/* Where image pixel (c, r) of a sensor meets the ground plane; 0 when it
 * does not. */
typedef std::function<int(int c, int r, double *X, double *Y)> GroundOfPixel;

/* The simulated image: every pixel of des rows 0 .. rows - 1 takes the
 * map image src at its ground point (truncated position, or bilinear with
 * the right and lower neighbours unclamped); outside src it is 0. The
 * description, when given, becomes des's (cut to the field) after the
 * last row. */
void sensorAcquire(const char *label, RAMIMG *src, RAMIMG *des, int rows, int resamplemode,
                   int update, const GroundOfPixel &ground, const char *description);

/* Every source pixel of rows 0 .. rows - 1 written at the rounded map
 * position of its ground point in des, as a fill block. */
void sensorNormalize(const char *label, RAMIMG *src, RAMIMG *des, int rows,
                     const SensorImageSettings &settings, const GroundOfPixel &ground);

/* The distance-weighted normalization over a three-row ring of ground
 * points, with threshold thr. */
void sensorAdvancedNormalization(const char *label, RAMIMG *src, RAMIMG *des, int rows,
                                 double thr, const SensorImageSettings &settings,
                                 const GroundOfPixel &ground);

/* Where map point (X, Y, Z) lies in the source image: 0 when nowhere. */
typedef std::function<int(double X, double Y, double Z, double *col, double *row)> ImageOfPoint;

/* The map image des filled from the sensor image src: pixels outside the
 * footprint box (minX, minY, maxX, maxY) or whose position lies outside
 * src are 0. inclusiveEnd: positions up to columns - 1 and rows - 1 are
 * inside, else up to (not including) columns and rows. */
void sensorRectify(const char *label, RAMIMG *src, RAMIMG *dem, RAMIMG *des,
                   const double box[4], int resamplemode, int update, int inclusiveEnd,
                   const ImageOfPoint &locate);

#endif /* OVEX_GEO_SENSOR_SENSOR_IMAGES_H */
