/*
 * sensor_images.cpp --
 *
 *	Image operations shared by the frame camera and the pushbroom scanner.
 */
#include "geo/sensor/sensor_images.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include <vector>

#include "core/rounding.h"
#include "ovex/ovex.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"

/* ---- Opening ---------------------------------------------------------------- */

SensorImages::~SensorImages()
{
    while (count_ > 0) {
        closeRAMImage(images_[--count_], NULL);
    }
}

RAMIMG *SensorImages::open(Tcl_Interp *interp, const char *name)
{
    int err = 0;
    RAMIMG *image = count_ < 3 ? openRAMImage(name, name, NULL, NULL, &err) : NULL;
    if (image == NULL) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Error in open ", name, (char *)NULL);
        return NULL;
    }
    images_[count_++] = image;
    return image;
}

int SensorImages::openOperands(Tcl_Interp *interp, int argc, const char **argv, RAMIMG **src,
                               RAMIMG **des, RAMIMG **dem)
{
    *dem = NULL;
    if ((*src = open(interp, argv[2])) == NULL) return 0;
    if ((*des = open(interp, argv[3])) == NULL) return 0;
    if (argc == 5 && (*dem = open(interp, argv[4])) == NULL) return 0;
    return 1;
}

int sameGrid(const RAMIMG *a, const RAMIMG *b)
{
    const ImageHead &p = a->head;
    const ImageHead &q = b->head;
    return p.rows == q.rows && p.columns == q.columns && p.x0 == q.x0 && p.y0 == q.y0
           && p.dx == q.dx && p.dy == q.dy && p.mapid == q.mapid;
}

int movedBands(const RAMIMG *a, const RAMIMG *b)
{
    int nb = a->head.nbands < b->head.nbands ? a->head.nbands : b->head.nbands;
    return nb < 0 ? 0 : nb;
}

/* ---- Progress --------------------------------------------------------------- */

void SensorProgress::row(int r, int rows)
{
    float fraction = rows > 0 ? (float)r / (float)rows : 1.0f;
    if (fraction >= next_) {
        if (update_) {
            updateClient(des_, 0, RAMIMG_NOTIFY_DATA);
        }
        meterSet(label_, next_);
        next_ += meterInc();
    }
}

void SensorProgress::finish()
{
    meterSet(label_, 1.0f);
    if (update_) {
        if (des_->stats != NULL) {
            for (int b = 0; b < nb_ && b < des_->head.nbands; b++) {
                resetBandStats(&des_->stats[b]);
            }
        }
        updateClient(des_, 0, RAMIMG_NOTIFY_DATA);
    }
    meterReset();
}

/* ---- Pixels ----------------------------------------------------------------- */

namespace {

enum { READ_GENERIC = 0, READ_BYTE = 1 };

} // namespace

PixelReader::PixelReader(RAMIMG *image, int nb) : image_(image), nb_(nb), kind_(READ_GENERIC)
{
    bool palette = image->head.nindices >= 1 && image->head.nbands == 1;
    if (!palette && image->head.pixel == PIXEL_BYTE && image->rowLoader != NULL) {
        kind_ = READ_BYTE;
    }
    for (int k = 0; k < 4; k++) {
        p_[k].assign(nb > 0 ? nb : 1, 0.0f);
    }
}

void PixelReader::get(int col, int row, float *out)
{
    if (kind_ == READ_BYTE) {
        if (col < 0 || row < 0 || col >= image_->head.columns || row >= image_->head.rows) {
            for (int b = 0; b < nb_; b++) out[b] = 0.0f;
            return;
        }
        for (int b = 0; b < nb_; b++) {
            const unsigned char *data = ramRow(image_, row, b, 1);
            out[b] = data != NULL ? (float)data[col] : 0.0f;
        }
        return;
    }
    getPixelBandsFloat(image_, col, row, nb_, NULL, out);
}

void PixelReader::bilinear(int ic, int ir, int c1, int r1, float fx, float fy, float *out)
{
    get(ic, ir, p_[0].data());
    get(ic, r1, p_[1].data());
    get(c1, ir, p_[2].data());
    get(c1, r1, p_[3].data());
    float w0 = (1 - fx) * (1 - fy), w1 = (1 - fx) * fy, w2 = (1 - fy) * fx, w3 = fx * fy;
    for (int b = 0; b < nb_; b++) {
        out[b] = w0 * p_[0][b] + w1 * p_[1][b] + w2 * p_[2][b] + w3 * p_[3][b];
    }
}

void writeFillBlock(RAMIMG *des, int col, int row, int fill, int nb, const float *value)
{
    int64_t rowEnd = (int64_t)row + fill;
    int64_t colEnd = (int64_t)col + fill;
    if (rowEnd > des->head.rows) rowEnd = des->head.rows;
    if (colEnd > des->head.columns) colEnd = des->head.columns;
    for (int64_t r = row < 0 ? 0 : row; r < rowEnd; r++) {
        for (int64_t c = col < 0 ? 0 : col; c < colEnd; c++) {
            putPixelBandsFloat(des, (int)c, (int)r, nb, NULL, value);
        }
    }
}

/* ---- Acquire ---------------------------------------------------------------- */

void sensorAcquire(const char *label, RAMIMG *src, RAMIMG *des, int rows, int resamplemode,
                   int update, const GroundOfPixel &ground, const char *description)
{
    int nb = movedBands(src, des);
    int cols = des->head.columns;
    const ImageHead &s = src->head;
    std::vector<float> line((size_t)cols * (nb > 0 ? nb : 1));
    PixelReader reader(src, nb);
    SensorProgress progress(label, des, update, nb);
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < cols; c++) {
            float *out = &line[(size_t)c * nb];
            double X, Y;
            double sc = -1.0, sr = -1.0;
            if (ground(c, r, &X, &Y)) {
                sc = (X - s.x0) / s.dx;
                sr = (s.y0 - Y) / s.dy;
            }
            if (!(sc >= 0.0 && sc < s.columns && sr >= 0.0 && sr < s.rows)) {
                for (int b = 0; b < nb; b++) out[b] = 0.0f;
                continue;
            }
            int ic = clampToInt(sc);
            int ir = clampToInt(sr);
            if (resamplemode == 0) {
                reader.get(ic, ir, out);
            } else {
                reader.bilinear(ic, ir, ic + 1, ir + 1, (float)(sc - ic), (float)(sr - ir), out);
            }
        }
        writeFloatBIPData(des, r, 0, cols, nb, NULL, line.data());
        progress.row(r, rows);
    }
    if (description != NULL) {
        snprintf(des->head.imgdes, sizeof des->head.imgdes, "%s", description);
    }
    progress.finish();
}

/* ---- Normalize -------------------------------------------------------------- */

namespace {

/* The rounded map position of (X, Y) in des; 0 when it is not finite or
 * lies outside des. */
int mapCell(const RAMIMG *des, double X, double Y, int *dc, int *dr)
{
    const ImageHead &d = des->head;
    double fc = (X - d.x0) / d.dx;
    double fr = (d.y0 - Y) / d.dy;
    if (!isfinite(fc) || !isfinite(fr)) {
        return 0;
    }
    *dc = roundToInt(fc);
    *dr = roundToInt(fr);
    return *dc >= 0 && *dc < d.columns && *dr >= 0 && *dr < d.rows;
}

} // namespace

void sensorNormalize(const char *label, RAMIMG *src, RAMIMG *des, int rows,
                     const SensorImageSettings &settings, const GroundOfPixel &ground)
{
    int nb = movedBands(src, des);
    int cols = src->head.columns;
    std::vector<float> value(nb > 0 ? nb : 1);
    PixelReader reader(src, nb);
    SensorProgress progress(label, des, settings.update, nb);
    for (int r = 0; r < rows; r++) {
        for (int c = 0; c < cols; c++) {
            double X, Y;
            int dc, dr;
            if (!ground(c, r, &X, &Y) || !mapCell(des, X, Y, &dc, &dr)) {
                continue;
            }
            reader.get(c, r, value.data());
            writeFillBlock(des, dc, dr, settings.fillfactor, nb, value.data());
        }
        progress.row(r, rows);
    }
    progress.finish();
}

/*
 * sensorAdvancedNormalization --
 *	Each ground point is computed once: a ring of three rows (previous,
 *	current, next) of columns -1 .. cols holds them. Ground points that
 *	do not exist are NaN and so never fall within the threshold.
 */
void sensorAdvancedNormalization(const char *label, RAMIMG *src, RAMIMG *des, int rows,
                                 double thr, const SensorImageSettings &settings,
                                 const GroundOfPixel &ground)
{
    int nb = movedBands(src, des);
    int cols = src->head.columns;
    if (rows <= 0 || cols <= 0) {
        SensorProgress progress(label, des, settings.update, nb);
        progress.finish();
        return;
    }
    size_t width = (size_t)cols + 2;
    std::vector<double> ring(3 * width * 2);
    auto fillRow = [&](int slot, int r) {
        double *g = &ring[(size_t)slot * width * 2];
        for (int c = -1; c <= cols; c++) {
            double X, Y;
            if (!ground(c, r, &X, &Y)) {
                X = Y = NAN;
            }
            g[(size_t)(c + 1) * 2] = X;
            g[(size_t)(c + 1) * 2 + 1] = Y;
        }
    };
    std::vector<float> value(nb > 0 ? nb : 1), neighbour(nb > 0 ? nb : 1);
    PixelReader reader(src, nb);
    SensorProgress progress(label, des, settings.update, nb);
    const ImageHead &d = des->head;
    fillRow(0, 0);
    fillRow(1, 0);
    for (int r = 0; r < rows; r++) {
        fillRow((r + 2) % 3, r + 1 < rows ? r + 1 : r);
        const double *rowsOf[3] = {&ring[(size_t)(r % 3) * width * 2],
                                   &ring[(size_t)((r + 1) % 3) * width * 2],
                                   &ring[(size_t)((r + 2) % 3) * width * 2]};
        int rowIndex[3] = {r - 1 < 0 ? 0 : r - 1, r, r + 1 >= rows ? r : r + 1};
        for (int c = 0; c < cols; c++) {
            const double *centre = rowsOf[1] + (size_t)(c + 1) * 2;
            int dc, dr;
            if (!mapCell(des, centre[0], centre[1], &dc, &dr)) {
                continue;
            }
            double nodeX = dc * d.dx + d.x0;
            double nodeY = d.y0 - dr * d.dy;
            int colIndex[3] = {c - 1 < 0 ? 0 : c - 1, c, c + 1 >= cols ? c : c + 1};
            double dk[9];
            double S = 0.0;
            int m = 0;
            for (int k = 0; k < 9; k++) {
                const double *g = rowsOf[k / 3] + (size_t)(c + k % 3) * 2;
                dk[k] = hypot(nodeX - g[0], nodeY - g[1]);
                if (dk[k] <= thr) {
                    S += dk[k];
                    m++;
                }
            }
            if (m <= 1) {
                reader.get(c, r, value.data());
            } else {
                for (int b = 0; b < nb; b++) value[b] = 0.0f;
                for (int k = 0; k < 9; k++) {
                    if (!(dk[k] <= thr)) continue;
                    /* All neighbours on the node itself: equal weights
                     * instead of 0/0. */
                    double w = S > 0.0 ? (S - dk[k]) / ((m - 1) * S) : 1.0 / m;
                    reader.get(colIndex[k % 3], rowIndex[k / 3], neighbour.data());
                    for (int b = 0; b < nb; b++) value[b] += (float)(w * neighbour[b]);
                }
            }
            putPixelBandsFloat(des, dc, dr, nb, NULL, value.data());
            writeFillBlock(des, dc, dr, settings.fillfactor, nb, value.data());
        }
        progress.row(r, rows);
    }
    progress.finish();
}

/* ---- Rectify ---------------------------------------------------------------- */

void sensorRectify(const char *label, RAMIMG *src, RAMIMG *dem, RAMIMG *des,
                   const double box[4], int resamplemode, int update, int inclusiveEnd,
                   const ImageOfPoint &locate)
{
    int nb = movedBands(src, des);
    const ImageHead &d = des->head;
    int cols = d.columns;
    int rows = d.rows;
    int srcCols = src->head.columns;
    int srcRows = src->head.rows;
    double colLimit = inclusiveEnd ? srcCols - 1 : srcCols;
    double rowLimit = inclusiveEnd ? srcRows - 1 : srcRows;
    std::vector<float> line((size_t)cols * (nb > 0 ? nb : 1));
    std::vector<float> heights(cols > 0 ? cols : 1, 0.0f);
    PixelReader reader(src, nb);
    SensorProgress progress(label, des, update, nb);
    double Y = d.y0;
    for (int r = 0; r < rows; r++, Y -= d.dy) {
        std::fill(line.begin(), line.end(), 0.0f);
        if (Y < box[1] || Y > box[3]) {
            writeFloatBIPData(des, r, 0, cols, nb, NULL, line.data());
            progress.row(r, rows);
            continue;
        }
        if (dem != NULL) {
            getRowFloat(dem, r, 0, cols, 0, heights.data());
        }
        double X = d.x0;
        for (int c = 0; c < cols; c++, X += d.dx) {
            if (X < box[0] || X > box[2]) {
                continue;
            }
            double col, row;
            if (!locate(X, Y, heights[c], &col, &row)) {
                continue;
            }
            bool inside = inclusiveEnd
                              ? (col >= 0.0 && col <= colLimit && row >= 0.0 && row <= rowLimit)
                              : (col >= 0.0 && col < colLimit && row >= 0.0 && row < rowLimit);
            if (!inside) {
                continue;
            }
            float *out = &line[(size_t)c * nb];
            if (resamplemode == 0) {
                reader.get(roundToInt(col), roundToInt(row), out);
            } else {
                int ic = clampToInt(col);
                int ir = clampToInt(row);
                int c1 = ic + 1 < srcCols - 1 ? ic + 1 : srcCols - 1;
                int r1 = ir + 1 < srcRows - 1 ? ir + 1 : srcRows - 1;
                reader.bilinear(ic, ir, c1, r1, (float)(col - ic), (float)(row - ir), out);
            }
        }
        writeFloatBIPData(des, r, 0, cols, nb, NULL, line.data());
        progress.row(r, rows);
    }
    progress.finish();
}
