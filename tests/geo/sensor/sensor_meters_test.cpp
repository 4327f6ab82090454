/*
 * sensor_meters_test.cpp --
 *
 *	The progress and notification of the sensor image operations: each
 *	shows its own label at rising thresholds, ends at 1.0 and empties the
 *	meter; with update set, the destination's clients hear of every
 *	shown step and of the end, and its band statistics are cleared.
 */
#include <gtest/gtest.h>

#include <string>

#include "../../ramimage/registry_fixtures.h"
#include "core/package.h"
#include "geo/sensor/camera_model.h"
#include "geo/sensor/pushbroom_model.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"

namespace {

int dataCalls = 0;
void countData(void *) { dataCalls++; }

class SensorMeters : public registry_fixtures::RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        ASSERT_EQ(TCL_OK, Tcl_Eval(console,
            "set ::shown {}\n"
            "proc meter.set {w f label} {lappend ::shown [format %.2f $f] $label}\n"
            "proc meter.reset {w} {lappend ::shown reset}\n"));
        savedStep = ovexState.meterStep;
        ovexState.meterStep = 0.5f;
        dataCalls = 0;
    }

    void TearDown() override
    {
        ovexState.meterStep = savedStep;
        RegistryTest::TearDown();
    }

    /* A 4 x 4 FLOAT memory image at x0 0, y0 4 with 1-unit pixels. */
    RAMIMG *image(const char *tag)
    {
        ImageHead head = memoryHead(IMGID_MBSQ, PIXEL_FLOAT, 4, 4);
        head.x0 = 0;
        head.y0 = 4;
        head.dx = head.dy = 1.0;
        int err = -1;
        RAMIMG *out = openRAMImage(tag, NULL, &head, NULL, &err);
        EXPECT_NE(out, nullptr) << err;
        return out;
    }

    /* A nadir camera with 1-unit ground pixels over the image. */
    CameraModel camera()
    {
        CameraModel m = {};
        m.f = m.dx = m.dy = m.z = 1.0;
        m.xc = m.yc = 1.5;
        m.x = 1.5;
        m.y = 2.5;
        m.R[0] = m.R[4] = m.R[8] = 1.0;
        m.settings.fillfactor = 1;
        m.settings.neighborhood = 0.75;
        return m;
    }

    std::string shown()
    {
        std::string text = Tcl_GetVar(console, "::shown", TCL_GLOBAL_ONLY);
        Tcl_SetVar(console, "::shown", "", TCL_GLOBAL_ONLY);
        return text;
    }

    float savedStep = 0.0f;
};

std::string steps(const char *label)
{
    std::string l = std::string("{") + label + "}";
    return "0.00 " + l + " 0.50 " + l + " 1.00 " + l + " reset";
}

TEST_F(SensorMeters, CameraOperationsShowTheirLabels)
{
    RAMIMG *photo = image("sm_photo");
    RAMIMG *map = image("sm_map");
    ASSERT_NE(photo, nullptr);
    ASSERT_NE(map, nullptr);
    CameraModel m = camera();
    cameraNormalize(m, photo, map);
    EXPECT_EQ(steps("Camera normalize"), shown());
    cameraAdvancedNormalization(m, photo, map, 1);
    EXPECT_EQ(steps("Camera advanced normalization"), shown());
    cameraAdvancedNormalization(m, photo, map, 0);
    EXPECT_EQ(steps("Camera normalize"), shown());
    cameraRectify(m, photo, NULL, map, 1);
    EXPECT_EQ(steps("Camera rectify"), shown());
    cameraAcquire(m, map, photo, 0);
    EXPECT_EQ(steps("Camera acquire"), shown());
    cameraTakeImage(m, map, photo, map);
    EXPECT_EQ(steps("Camera takeimage"), shown());
}

TEST_F(SensorMeters, PushbroomOperationsShowTheirLabels)
{
    RAMIMG *img = image("sm_img");
    RAMIMG *map = image("sm_map");
    ASSERT_NE(img, nullptr);
    ASSERT_NE(map, nullptr);
    PushbroomLine lines[4];
    double matrices[36] = {};
    for (int i = 0; i < 4; i++) {
        lines[i] = {0, 0, 0, 1.5, 4.0 - i, 1.0};
        matrices[i * 9] = matrices[i * 9 + 4] = matrices[i * 9 + 8] = 1.0;
    }
    PushbroomModel m = {};
    m.f = m.dx = m.dy = 1.0;
    m.xc = 1.5;
    m.lines = lines;
    m.matrices = matrices;
    m.nscanlines = 4;
    m.settings.fillfactor = 1;
    m.settings.neighborhood = 0.75;
    m.settings.resamplemode = 1;
    pushbroomAcquire(m, map, img);
    EXPECT_EQ(steps("Pushbroom acquire"), shown());
    pushbroomNormalize(m, img, map);
    EXPECT_EQ(steps("Pushbroom normalize"), shown());
    pushbroomAdvancedNormalization(m, img, map);
    EXPECT_EQ(steps("Pushbroom advanced normalization"), shown());
    pushbroomRectify(m, img, NULL, map);
    EXPECT_EQ(steps("Pushbroom bi-linear resampling"), shown());
    m.settings.resamplemode = 0;
    pushbroomRectify(m, img, NULL, map);
    EXPECT_EQ(steps("Pushbroom nearest neighborhood resampling"), shown());
    // Without scan lines nothing runs, not even the meter.
    m.nscanlines = 0;
    pushbroomAcquire(m, map, img);
    EXPECT_EQ("", shown());
}

TEST_F(SensorMeters, UpdateTellsTheClientsAndClearsTheStatistics)
{
    RAMIMG *photo = image("sm_photo");
    RAMIMG *map = image("sm_map");
    ASSERT_NE(photo, nullptr);
    ASSERT_NE(map, nullptr);
    map->stats = createHist(1, 0);
    ASSERT_NE(map->stats, nullptr);
    map->stats[0].valid = 1;
    RamImageClient client = {NULL, countData, NULL, 1, NULL, NULL};
    ASSERT_NE(openRAMImage("sm_map", NULL, NULL, &client, NULL), nullptr);
    CameraModel m = camera();
    cameraRectify(m, photo, NULL, map, 0);
    EXPECT_EQ(0, dataCalls);
    EXPECT_EQ(1u, map->stats[0].valid);
    m.settings.update = 1;
    cameraRectify(m, photo, NULL, map, 0);
    // Rows 0 and 2 reach a threshold, then the end.
    EXPECT_EQ(3, dataCalls);
    EXPECT_EQ(0u, map->stats[0].valid);
    closeRAMImage(map, &client);
}

} // namespace
