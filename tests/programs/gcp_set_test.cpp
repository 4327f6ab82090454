/*
 * gcp_set_test.cpp --
 *
 *	Ground control point sets: editing, the polynomial fit and its
 *	results, the georectification file and the GCPOBJ file. Messages on
 *	standard error are caught by a console interpreter that records them.
 */
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "core/package.h"
#include "kit/fixture_kit.h"
#include "programs/gcp_set.h"
#include "programs/georect_file.h"

namespace {

class GcpSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Tcl_FindExecutable(NULL);
        interp = Tcl_CreateInterp();
        ASSERT_EQ(TCL_OK, Tcl_Eval(interp, "set ::printed {}; rename puts tcl_puts;"
                                           "proc puts args {append ::printed [lindex $args end]}"));
        previousConsole = setConsoleInterp(interp);
        savedTkConsole = ovexState.tkConsole;
        ovexState.tkConsole = 0;
        set = newGcpSet(NULL);
        ASSERT_NE(nullptr, set);
    }

    void TearDown() override
    {
        freeGcpSet(set);
        ovexState.tkConsole = savedTkConsole;
        setConsoleInterp(previousConsole);
        Tcl_DeleteInterp(interp);
    }

    /* What the code wrote to the console since the last call. */
    std::string printed()
    {
        std::string text = Tcl_GetVar(interp, "printed", TCL_GLOBAL_ONLY);
        Tcl_SetVar(interp, "printed", "", TCL_GLOBAL_ONLY);
        return text;
    }

    std::string file(const char *name)
    {
        files.push_back(folder + "/" + name);
        return files.back();
    }

    void add(const char *record)
    {
        ASSERT_GT(addGcpRecord(set, record), 0) << record;
    }

    Tcl_Interp *interp = nullptr;
    Tcl_Interp *previousConsole = nullptr;
    int savedTkConsole = 0;
    GcpSet *set = nullptr;
    fixture::ScratchDir scratch{"gcp_set_test"};
    std::string folder = scratch.path();
    std::vector<std::string> files;
};

/* X2 = 10 + 2 X1 - Y1, Y2 = 20 + X1 + 3 Y1: a plane fits exactly. */
const char *const PLANE_POINTS[] = {
    "1 11 0 0 10 20", "1 12 4 0 18 24", "1 13 0 2 8 26", "1 14 4 2 16 30",
};

TEST_F(GcpSetTest, NewSetIsEmptyWithItsDefaults)
{
    EXPECT_EQ(GCP_CAPACITY, set->capacity);
    EXPECT_EQ(0, set->count);
    EXPECT_EQ(0, set->current);
    EXPECT_EQ(1, set->running);
    EXPECT_EQ(0, set->changed);
    EXPECT_EQ(0, set->nterms);
    EXPECT_EQ(nullptr, set->Jcoef);
    EXPECT_STREQ("/geocalc.hlp", set->helpPath);
}

TEST_F(GcpSetTest, TermCountsOfEachPower)
{
    const int powers[][2] = {{0, 4}, {1, 3}, {2, 6}, {3, 10}, {4, 15}};
    for (const auto &row : powers) {
        EXPECT_EQ(row[1], gcpTermCount(row[0])) << "power " << row[0];
    }
    EXPECT_EQ(-1, gcpTermCount(-1));
}

TEST_F(GcpSetTest, AddRecordParsesSixFieldsAndRefusesOthers)
{
    EXPECT_EQ(1, addGcpRecord(set, "1 7 1.5 2.5 3.5 4.5"));
    EXPECT_EQ(1, set->changed);
    const GcpRecord &r = set->records[0];
    EXPECT_EQ(1, r.selected);
    EXPECT_EQ(7, r.id);
    EXPECT_DOUBLE_EQ(1.5, r.X1);
    EXPECT_DOUBLE_EQ(4.5, r.Y2);
    printed();

    EXPECT_EQ(0, addGcpRecord(set, "1 8 1 2 3"));
    EXPECT_EQ("Invalid record:\n1 8 1 2 3", printed());
    EXPECT_EQ(1, set->count);
}

TEST_F(GcpSetTest, AddRecordStopsAtCapacity)
{
    for (int k = 0; k < GCP_CAPACITY; k++) {
        ASSERT_EQ(k + 1, addGcpRecord(set, "1 1 0 0 0 0"));
    }
    printed();
    EXPECT_EQ(0, addGcpRecord(set, "1 1 0 0 0 0"));
    EXPECT_EQ("GCP number overflow.\n", printed());
    EXPECT_EQ(GCP_CAPACITY, set->count);
}

TEST_F(GcpSetTest, FindTakesTheFirstMatchAndReportsAbsence)
{
    add("1 5 0 0 0 0");
    add("1 6 1 0 0 0");
    add("1 5 2 0 0 0");
    int index = -1;
    EXPECT_EQ(1, findGcp(set, 5, &index));
    EXPECT_EQ(0, index);
    EXPECT_EQ(1, findGcp(set, 6, &index));
    EXPECT_EQ(1, index);
    EXPECT_EQ(0, findGcp(set, 9, &index));
    EXPECT_EQ(3, index);
}

TEST_F(GcpSetTest, DeleteMovesLaterRecordsDownAndKeepsCurrentInRange)
{
    add("1 1 0 0 0 0");
    add("1 2 0 0 0 0");
    add("1 3 0 0 0 0");
    set->changed = 0;
    set->current = 2;
    deleteGcp(set, 0);
    ASSERT_EQ(2, set->count);
    EXPECT_EQ(2, set->records[0].id);
    EXPECT_EQ(3, set->records[1].id);
    EXPECT_EQ(1, set->current);
    EXPECT_EQ(1, set->changed);

    deleteGcp(set, 2);  /* out of range: nothing */
    deleteGcp(set, -1);
    EXPECT_EQ(2, set->count);

    deleteGcp(set, 1);
    deleteGcp(set, 0);
    EXPECT_EQ(0, set->count);
    EXPECT_EQ(0, set->current);
}

TEST_F(GcpSetTest, TooFewSelectedPointsFail)
{
    add("1 1 0 0 0 0");
    add("1 2 1 0 1 0");
    add("1 3 0 1 0 1");
    add("0 4 1 1 1 1");  /* not selected: does not count */
    printed();
    EXPECT_EQ(0, gcpFit(set, 0));  /* bilinear: 4 terms */
    EXPECT_EQ("Not enough GCPs !", printed());
    EXPECT_EQ(0, set->nterms);
    EXPECT_EQ(0, gcpFit(set, 2));
    EXPECT_EQ(1, gcpFit(set, 1));
}

TEST_F(GcpSetTest, PowerOneThroughThreePointsIsExact)
{
    for (int k = 0; k < 3; k++) {
        add(PLANE_POINTS[k]);
    }
    ASSERT_EQ(1, gcpFit(set, 1));
    EXPECT_EQ(3, set->nterms);
    EXPECT_EQ(1, set->power);
    for (int k = 0; k < 3; k++) {
        EXPECT_NEAR(0.0, set->records[k].DX, 1e-9);
        EXPECT_NEAR(0.0, set->records[k].DY, 1e-9);
    }
    EXPECT_NEAR(0.0, set->rmsDX, 1e-9);
    EXPECT_NEAR(0.0, set->rmsDY, 1e-9);
    EXPECT_NEAR(0.0, set->rmsTotal, 1e-9);
    /* Centred coordinates of the selected points have zero means, so the
     * constant term of the centred fit vanishes. */
    EXPECT_NEAR(0.0, set->Jcoef[0], 1e-9);
    EXPECT_NEAR(0.0, set->Icoef[0], 1e-9);
    EXPECT_NEAR(2.0, set->Jcoef[1], 1e-9);
    EXPECT_NEAR(-1.0, set->Jcoef[2], 1e-9);
    EXPECT_NEAR(1.0, set->Icoef[1], 1e-9);
    EXPECT_NEAR(3.0, set->Icoef[2], 1e-9);

    double y2 = 0, x2 = 0;
    ASSERT_EQ(1, gcpTransform(set, 4, 2, &y2, &x2));  /* the fourth plane point */
    EXPECT_NEAR(16.0, x2, 1e-9);
    EXPECT_NEAR(30.0, y2, 1e-9);
    ASSERT_EQ(1, gcpTransform(set, set->meanX1, set->meanY1, &y2, &x2));
    EXPECT_NEAR(set->meanX2, x2, 1e-9);
}

TEST_F(GcpSetTest, PowerTwoCoefficientsComeInTermOrder)
{
    /* A 3 x 3 grid around the origin (means 0) and X2 = 1 + 2x + 3y + 4x^2
     * + 5xy + 6y^2: the centred fit returns the polynomial's own
     * coefficients, the constant less the mean of X2. */
    const double expected[6] = {1, 2, 3, 4, 5, 6};
    int id = 1;
    for (int y = -1; y <= 1; y++) {
        for (int x = -1; x <= 1; x++) {
            double x2 = 1 + 2 * x + 3 * y + 4 * x * x + 5 * x * y + 6 * y * y;
            char record[128];
            snprintf(record, sizeof record, "1 %d %d %d %.17g %d", id++, x, y, x2, 7 * x);
            add(record);
        }
    }
    ASSERT_EQ(1, gcpFit(set, 2));
    ASSERT_EQ(6, set->nterms);
    EXPECT_NEAR(expected[0], set->Jcoef[0] + set->meanX2, 1e-9);
    for (int k = 1; k < 6; k++) {
        EXPECT_NEAR(expected[k], set->Jcoef[k], 1e-9) << "term " << k;
    }
    EXPECT_NEAR(7.0, set->Icoef[1], 1e-9);
    EXPECT_NEAR(0.0, set->rmsTotal, 1e-9);
}

TEST_F(GcpSetTest, BilinearFitTakesFourPoints)
{
    /* X2 = 1 + x + y + xy on the corners of the unit square. */
    add("1 1 0 0 1 0");
    add("1 2 1 0 2 0");
    add("1 3 0 1 2 0");
    add("1 4 1 1 4 0");
    ASSERT_EQ(1, gcpFit(set, 0));
    ASSERT_EQ(4, set->nterms);
    double y2, x2;
    ASSERT_EQ(1, gcpTransform(set, 0.5, 0.5, &y2, &x2));
    EXPECT_NEAR(1 + 0.5 + 0.5 + 0.25, x2, 1e-9);
}

TEST_F(GcpSetTest, UnselectedRecordGetsItsDeviationButNoWeight)
{
    for (const char *point : PLANE_POINTS) {
        add(point);
    }
    add("1 15 2 1 15 27");  /* off the plane (13, 25) by (2, 2) */
    ASSERT_EQ(1, gcpFit(set, 1));
    double rmsWith = set->rmsTotal;
    EXPECT_GT(rmsWith, 0.1);

    set->records[4].selected = 0;
    set->records[4].X2 = 14;  /* now off by (1, 2) */
    set->records[4].Y2 = 27;
    ASSERT_EQ(1, gcpFit(set, 1));
    EXPECT_NEAR(0.0, set->rmsTotal, 1e-9);
    EXPECT_NEAR(1.0, set->records[4].DX, 1e-6);  /* fitted 13, 25 */
    EXPECT_NEAR(2.0, set->records[4].DY, 1e-6);
    EXPECT_DOUBLE_EQ(14.0, set->records[4].X2);
}

TEST_F(GcpSetTest, PointsOnOneLineCannotBeFitted)
{
    /* Integer points (exactly singular) and decimal ones (singular up to
     * rounding) on one line both fail, and the previous fit stays. */
    for (const char *point : PLANE_POINTS) {
        add(point);
    }
    ASSERT_EQ(1, gcpFit(set, 1));
    double previousJ1 = set->Jcoef[1];
    double previousMean = set->meanX1;

    const char *const lines[][4] = {
        {"1 1 0 0 0 0", "1 2 1 1 1 1", "1 3 2 2 2 2", "1 4 3 3 3 3"},
        {"1 1 0.1 0.3 0 0", "1 2 0.2 0.6 1 1", "1 3 0.3 0.9 2 2", "1 4 0.7 2.1 3 3"},
        {"1 1 0.1 1 0 0", "1 2 0.1 2 1 1", "1 3 0.1 3 2 2", "1 4 0.1 4 3 3"},
    };
    for (const auto &line : lines) {
        GcpSet *other = newGcpSet(set);
        ASSERT_NE(nullptr, other);
        while (other->count > 0) {
            deleteGcp(other, 0);
        }
        for (const char *point : line) {
            ASSERT_GT(addGcpRecord(other, point), 0);
        }
        EXPECT_EQ(0, gcpFit(other, 1)) << line[1];
        EXPECT_EQ(3, other->nterms);
        EXPECT_DOUBLE_EQ(previousJ1, other->Jcoef[1]);
        EXPECT_DOUBLE_EQ(previousMean, other->meanX1);
        freeGcpSet(other);
    }
    EXPECT_EQ(0, gcpFit(set, -1));
}

TEST_F(GcpSetTest, ExchangeEndsTheFitAndRefitsTheInverse)
{
    for (const char *point : PLANE_POINTS) {
        add(point);
    }
    ASSERT_EQ(1, gcpFit(set, 1));
    set->changed = 0;
    gcpExchange(set);
    EXPECT_EQ(0, set->nterms);
    EXPECT_EQ(1, set->changed);
    EXPECT_DOUBLE_EQ(16.0, set->records[3].X1);
    EXPECT_DOUBLE_EQ(4.0, set->records[3].X2);
    double y2, x2;
    EXPECT_EQ(0, gcpTransform(set, 0, 0, &y2, &x2));

    ASSERT_EQ(1, gcpFit(set, 1));
    ASSERT_EQ(1, gcpTransform(set, 18, 24, &y2, &x2));
    EXPECT_NEAR(4.0, x2, 1e-9);
    EXPECT_NEAR(0.0, y2, 1e-9);
}

TEST_F(GcpSetTest, CopyOwnsItsOwnFit)
{
    for (const char *point : PLANE_POINTS) {
        add(point);
    }
    ASSERT_EQ(1, gcpFit(set, 1));
    GcpSet *copy = newGcpSet(set);
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(4, copy->count);
    EXPECT_EQ(0, copy->changed);
    EXPECT_EQ(3, copy->nterms);
    EXPECT_NE(set->Jcoef, copy->Jcoef);
    EXPECT_DOUBLE_EQ(set->Jcoef[1], copy->Jcoef[1]);
    EXPECT_DOUBLE_EQ(set->meanY2, copy->meanY2);
    freeGcpSet(set);
    set = nullptr;
    double y2, x2;
    ASSERT_EQ(1, gcpTransform(copy, 4, 0, &y2, &x2));
    EXPECT_NEAR(18.0, x2, 1e-9);
    set = copy;
}

TEST_F(GcpSetTest, FormattedResults)
{
    for (int k = 0; k < 3; k++) {
        add(PLANE_POINTS[k]);
    }
    char buffer[256];
    EXPECT_STREQ("", formatJcoef(set, "%.12g", buffer, sizeof buffer));  /* no fit */
    ASSERT_EQ(1, gcpFit(set, 1));
    /* meanX2 = 12, meanY2 = 70 / 3. */
    EXPECT_STREQ("12 2 -1", formatJcoef(set, "%.12g", buffer, sizeof buffer));
    EXPECT_STREQ("23.3333333333 1 3", formatIcoef(set, "%.12g", buffer, sizeof buffer));
    EXPECT_STREQ("  1.2000000E+01   2.0000000E+00  -1.0000000E+00",
                 formatJcoef(set, "%15.7E", buffer, sizeof buffer));
    EXPECT_STREQ("0 0 0", formatGcpRms(set, "%.0f", buffer, sizeof buffer));

    set->records[1].DX = 1.25f;
    set->records[1].DY = -0.5f;
    ASSERT_EQ(1, formatGcpResidual(set, 1, buffer, sizeof buffer));
    EXPECT_STREQ("12 1.250 -0.500", buffer);
    EXPECT_EQ(0, formatGcpResidual(set, 3, buffer, sizeof buffer));

    /* A short buffer gets whole values only. */
    char small[12];
    EXPECT_STREQ("12 2 -1", formatJcoef(set, "%.12g", small, sizeof small));
    char tiny[5];
    EXPECT_STREQ("12 2", formatJcoef(set, "%.12g", tiny, sizeof tiny));
}

/* Reads a whole file. */
std::string slurp(const std::string &path)
{
    std::string bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == NULL) {
        return bytes;
    }
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) {
        bytes.append(buffer, got);
    }
    fclose(f);
    return bytes;
}

void spit(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

double doubleAt(const std::string &bytes, size_t offset)
{
    double value;
    memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

uint32_t uintAt(const std::string &bytes, size_t offset)
{
    uint32_t value;
    memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST_F(GcpSetTest, GeorectFileHoldsTheFitWithTheOutputMeansInTheConstants)
{
    for (const char *point : PLANE_POINTS) {
        add(point);
    }
    std::string path = file("fit.grd");
    /* No fit yet: nothing is written, and the message says why. */
    EXPECT_EQ(0, gcpToGeorect(set, path.c_str()));
    EXPECT_EQ("No function is available: " + path + " is not written.\n", printed());
    EXPECT_NE(0, access(path.c_str(), F_OK));
    ASSERT_EQ(1, gcpFit(set, 1));
    ASSERT_EQ(1, gcpToGeorect(set, path.c_str()));
    std::string bytes = slurp(path);
    ASSERT_EQ(96u, bytes.size());
    EXPECT_EQ("GOERECHD", bytes.substr(0, 8));
    EXPECT_DOUBLE_EQ(2.0, doubleAt(bytes, 8));   /* mean X1 */
    EXPECT_DOUBLE_EQ(1.0, doubleAt(bytes, 16));  /* mean Y1 */
    EXPECT_DOUBLE_EQ(13.0, doubleAt(bytes, 24)); /* mean X2 */
    EXPECT_DOUBLE_EQ(25.0, doubleAt(bytes, 32)); /* mean Y2 */
    EXPECT_EQ(3u, uintAt(bytes, 40));
    EXPECT_EQ(1u, uintAt(bytes, 44));
    EXPECT_NEAR(25.0, doubleAt(bytes, 48), 1e-9);       /* Icoef */
    EXPECT_NEAR(3.0, doubleAt(bytes, 64), 1e-9);
    EXPECT_NEAR(13.0, doubleAt(bytes, 72), 1e-9);       /* Jcoef */
    EXPECT_NEAR(2.0, doubleAt(bytes, 80), 1e-9);
    struct stat info;
    ASSERT_EQ(0, stat(path.c_str(), &info));
    mode_t mask = umask(022);
    umask(mask);
    EXPECT_EQ(0666u & ~mask, info.st_mode & 0777u);

    printed();
    std::string missing = folder + "/no/such/folder.grd";
    EXPECT_EQ(0, gcpToGeorect(set, missing.c_str()));
    EXPECT_EQ(missing + " open error: No such file or directory.", printed());
}

TEST_F(GcpSetTest, GeorectFileSizesFollowTheDegree)
{
    const int rows[][2] = {{0, 112}, {1, 96}, {2, 144}};
    for (const auto &row : rows) {
        GcpSet *fit = newGcpSet(NULL);
        for (int y = -1; y <= 1; y++) {
            for (int x = -1; x <= 1; x++) {
                char record[64];
                snprintf(record, sizeof record, "1 1 %d %d %d %d", x, y, x * x + y, x * y);
                addGcpRecord(fit, record);
            }
        }
        ASSERT_EQ(1, gcpFit(fit, row[0]));
        std::string path = file(("degree" + std::to_string(row[0])).c_str());
        ASSERT_EQ(1, gcpToGeorect(fit, path.c_str()));
        EXPECT_EQ((size_t)row[1], slurp(path).size()) << "degree " << row[0];
        freeGcpSet(fit);
    }
}

TEST_F(GcpSetTest, GcpObjFileRoundTrip)
{
    for (const char *point : PLANE_POINTS) {
        add(point);
    }
    add("0 15 2 1 15 27");
    ASSERT_EQ(1, gcpFit(set, 1));
    std::string path = file("set.gcp");
    ASSERT_EQ(1, saveGcpObj(set, path.c_str()));
    EXPECT_EQ(0, set->changed);
    std::string bytes = slurp(path);
    ASSERT_EQ(18u + 48u * 5u, bytes.size());
    EXPECT_EQ("GCPOBJ", bytes.substr(0, 6));
    EXPECT_EQ(5u, uintAt(bytes, 6));
    EXPECT_EQ(1u, uintAt(bytes, 10));
    EXPECT_EQ(3u, uintAt(bytes, 14));
    EXPECT_EQ(15u, uintAt(bytes, 18 + 4 * 48 + 4));       /* id of the last record */
    EXPECT_DOUBLE_EQ(27.0, doubleAt(bytes, 18 + 4 * 48 + 32));

    GcpSet *loaded = loadGcpObj(path.c_str());
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(5, loaded->count);
    EXPECT_EQ(0, memcmp(set->records, loaded->records, 5 * sizeof(GcpRecord)));
    ASSERT_EQ(3, loaded->nterms);
    for (int k = 0; k < 3; k++) {
        EXPECT_DOUBLE_EQ(set->Jcoef[k], loaded->Jcoef[k]);
        EXPECT_DOUBLE_EQ(set->Icoef[k], loaded->Icoef[k]);
    }
    freeGcpSet(loaded);
}

TEST_F(GcpSetTest, GcpObjWithoutFitLoadsWithoutFit)
{
    for (const char *point : PLANE_POINTS) {
        add(point);
    }
    std::string path = file("plain.gcp");
    ASSERT_EQ(1, saveGcpObj(set, path.c_str()));
    GcpSet *loaded = loadGcpObj(path.c_str());
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(4, loaded->count);
    EXPECT_EQ(0, loaded->nterms);
    EXPECT_EQ(nullptr, loaded->Jcoef);
    freeGcpSet(loaded);
}

TEST_F(GcpSetTest, DamagedGcpObjFilesAreRefused)
{
    for (const char *point : PLANE_POINTS) {
        add(point);
    }
    std::string good = file("good.gcp");
    ASSERT_EQ(1, saveGcpObj(set, good.c_str()));
    std::string bytes = slurp(good);

    std::string badMagic = bytes;
    badMagic[5] = 'X';
    std::string bigCount = bytes;
    int32_t count = 301;
    memcpy(&bigCount[6], &count, 4);
    std::string negativeCount = bytes;
    count = -1;
    memcpy(&negativeCount[6], &count, 4);
    const std::pair<const char *, std::string> cases[] = {
        {"magic", badMagic},
        {"count 301", bigCount},
        {"count -1", negativeCount},
        {"cut in the records", bytes.substr(0, bytes.size() - 1)},
        {"cut in the head", bytes.substr(0, 10)},
        {"magic only", bytes.substr(0, 5)},
    };
    for (const auto &c : cases) {
        std::string path = file(c.first);
        spit(path, c.second);
        GcpSet *loaded = loadGcpObj(path.c_str());
        EXPECT_EQ(nullptr, loaded) << c.first;
        freeGcpSet(loaded);
    }
    EXPECT_EQ(nullptr, loadGcpObj((folder + "/absent.gcp").c_str()));
}

TEST_F(GcpSetTest, SaveReportsTheSystemReason)
{
    add(PLANE_POINTS[0]);
    set->changed = 1;
    std::string path = folder + "/missing/set.gcp";
    printed();
    EXPECT_EQ(0, saveGcpObj(set, path.c_str()));
    EXPECT_EQ(path + ": No such file or directory\n", printed());
    EXPECT_EQ(1, set->changed);
}

}  // namespace
