/*
 * frame_geometry.h --
 *
 *	The collinearity equations of a frame camera: map point to image
 *	position and back onto the ground plane, the normalized image, the
 *	optical axis, turning the camera to look at a point, and the ground
 *	footprint of the sensor.
 *
 *	Image coordinates are a column and a row in pixels; the focal-plane
 *	point of (col, row) is ((col - xc) dx, (yc - row) dy, -f). Map
 *	coordinates are those of the map image's georeference.
 *
 *	A map point at the height of the projection centre, or a ray parallel
 *	to the ground, has no image or ground position: the functions that
 *	can meet one return 0 then (their outputs may hold infinities or NaN
 *	and must not be used); 1 otherwise.
 */
#ifndef OVEX_GEO_SENSOR_FRAME_GEOMETRY_H
#define OVEX_GEO_SENSOR_FRAME_GEOMETRY_H

/* Interior orientation: focal length, pixel size, principal point. */
struct FrameInterior {
    double f;
    double dx, dy;
    double xc, yc;
};

/* Projection centre in map coordinates (z: height above the datum of Z). */
struct FramePosition {
    double x, y, z;
};

int mapToImage(const double R[9], const FramePosition &pos, const FrameInterior &in, double X,
               double Y, double Z, double *col, double *row);
/* Only the row or only the column of mapToImage (not checked). */
double mapToImageRow(const double R[9], const FramePosition &pos, const FrameInterior &in,
                     double X, double Y, double Z);
double mapToImageCol(const double R[9], const FramePosition &pos, const FrameInterior &in,
                     double X, double Y, double Z);

/* The ground point (Z = 0) of an image position. */
int imageToMap(const double R[9], const FramePosition &pos, const FrameInterior &in, double col,
               double row, double *X, double *Y);

/* The position the image point would have with R = identity. */
int imageToNormal(const double R[9], const FrameInterior &in, double col, double row,
                  double *ncol, double *nrow);

/* The map-space direction of the optical axis. */
void viewDirection(const double R[9], double v[3]);

/* Turns the camera to look at (X, Y, Z): the ZXY matrix of the view
 * goes into R and its angles for rotationid (minus offsets) into angles.
 * Returns 0 and changes nothing when the point is the centre itself. */
int lookAt(int rotationid, double R[9], double angles[3], const FramePosition &pos,
           const double offsets[3], double X, double Y, double Z);

/* Widens box {xmin ymin xmax ymax} to hold (X, Y); the first point sets it. */
void boxInclude(double box[4], double X, double Y, int first);

/* Smallest and largest X and Y of the ground points of the sensor's four
 * corners (0, 0) .. (round(2 xc), round(2 yc)). */
int cameraFootprint(const double R[9], const FramePosition &pos, const FrameInterior &in,
                    double box[4]);

#endif /* OVEX_GEO_SENSOR_FRAME_GEOMETRY_H */
