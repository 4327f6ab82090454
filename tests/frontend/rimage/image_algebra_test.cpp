/*
 * image_algebra_test.cpp --
 *
 *	The image algebra: every operator of the table on one pixel with
 *	values worked by hand, the table's order and lookup, the four row
 *	loops on small memory images (positions, repetition and reversal of
 *	ranges, band pairs, statistics, notices), and the ROI and band map
 *	texts of the view commands.
 */
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <tcl.h>

#include "core/lcg_random.h"
#include "kit/fixture_kit.h"
#include "ramimage/band_stats.h"
#include "frontend/rimage/image_algebra.h"
#include "ramimage/pixel_access.h"
#include "ramimage/ramimg.h"
#include "frontend/rimage/view_object.h"

namespace {

const double kPi = 3.14159265358979323846;

class AlgebraEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Tcl_FindExecutable(NULL); }
};
::testing::Environment *const algebraEnvironment =
    ::testing::AddGlobalTestEnvironment(new AlgebraEnvironment);

/* ---- Operators on one pixel ----------------------------------------------- */

/* One operator applied to pixel p at (x, y) of a W x L image of type T. */
struct OpCase {
    const char *name;
    int mode;
    float p;
    std::vector<float> operands;
    double expected;
    int type = PIXEL_BYTE;
    float x = 3, y = 4;
    float columns = 10, rows = 20;
};

float applyOnce(const OpCase &c)
{
    ImageOpKernel *kernel = findImageOp(c.name, c.mode);
    if (kernel == NULL) {
        ADD_FAILURE() << "no operator " << c.name << " of mode " << c.mode;
        return NAN;
    }
    float context[ALG_CONTEXT_SIZE] = {0};
    context[ALG_TYPE] = (float)c.type;
    context[ALG_Y] = c.y;
    context[ALG_ROWS] = c.rows;
    context[ALG_COLUMNS] = c.columns;
    context[ALG_COUNT] = (float)c.operands.size();
    for (size_t k = 0; k < c.operands.size(); k++) {
        context[ALG_OPERANDS + k] = c.operands[k];
    }
    float value = c.p;
    float x = c.x;
    kernel(context, &value, NULL, &x, 1);
    return value;
}

OpCase typed(OpCase c, int type)
{
    c.type = type;
    return c;
}

OpCase at(OpCase c, float x, float y)
{
    c.x = x;
    c.y = y;
    return c;
}

OpCase sized(OpCase c, float columns, float rows)
{
    c.columns = columns;
    c.rows = rows;
    return c;
}

/* W = 10, L = 20 (centre 5, 10), x = 3, y = 4 unless a case says other. */
std::vector<OpCase> operatorCases()
{
    const double r2 = 40;  /* (5 - 3)^2 + (10 - 4)^2 */
    return {
        {"=", 1, 9, {4}, 4},
        {"init", 1, 9, {4}, 4},
        {"+", 1, 9, {4}, 13},
        {"-", 1, 9, {4}, 5},
        {"*", 1, 9, {4}, 36},
        {"*", 2, 9, {4, 2}, 38},
        {"/", 1, 9, {4}, 2.25},
        {"/", 1, 9, {0}, 9e30},
        {"idiv", 1, -7, {2}, -3},
        {"idiv", 1, 7.9f, {2.5f}, 3},
        {"idiv", 1, 7, {0.5f}, 2147483648.0},
        {"idiv", 1, -2147483648.0f, {-1}, 2147483648.0},
        {"%", 1, -7, {2}, -1},
        {"%", 1, 7, {-2}, 1},
        {"%", 1, 7.5f, {0}, 7},
        {"%", 1, -2147483648.0f, {-1}, 0},
        {"&", 1, 12.7f, {10}, 8},
        {"|", 1, 12, {10}, 14},
        {"xor", 1, 12, {10}, 6},
        {"&", 1, -1, {255}, 255},
        {"^", 1, -3, {2}, 9},
        {"^", 1, 4, {0.5f}, 2},
        {"^", 1, 0, {-1}, 1},
        {"min", 1, 9, {4}, 4},
        {"min", 1, 3, {4}, 3},
        {"max", 1, 9, {4}, 9},
        {"max", 1, 3, {4}, 4},
        {"neg", 0, 9, {}, -9},
        {"!", 0, 5, {}, 250},
        typed({"!", 0, 0, {}, 1}, PIXEL_1BIT),
        typed({"!", 0, 1, {}, 0}, PIXEL_1BIT),
        typed({"!", 0, 5, {}, 10}, PIXEL_4BITS),
        typed({"!", 0, 5, {}, 65530}, PIXEL_SHORT),
        typed({"!", 0, 5, {}, 65530}, PIXEL_USHORT),
        typed({"!", 0, 5, {}, 4294967290.0}, PIXEL_FLOAT),
        {"==", 1, 5, {5}, 255},
        {"==", 1, 4, {5}, 4},
        {"==", 2, 5, {5, 7}, 7},
        {"==", 2, 4, {5, 7}, 4},
        {"==", 3, 4, {5, 7, 0}, 0},
        {"<=", 1, 5, {5}, 255},
        {"<=", 2, 4, {5, 1}, 1},
        {"<=", 3, 6, {5, 1, 0}, 0},
        {"<", 1, 5, {5}, 5},
        {"<", 2, 4, {5, 1}, 1},
        {"<", 3, 4, {5, 1, 0}, 1},
        {">=", 1, 5, {5}, 255},
        {">=", 2, 4, {5, 1}, 4},
        {">=", 3, 4, {5, 1, 0}, 0},
        {">", 1, 5, {5}, 5},
        {">", 2, 6, {5, 1}, 1},
        {">", 3, 5, {5, 1, 0}, 0},
        {"&&", 1, 3, {2}, 255},
        {"&&", 2, 3, {0, 1}, 3},
        {"&&", 3, 0, {2, 1, 0}, 0},
        {"||", 1, 0, {0}, 0},
        {"||", 2, 0, {2, 1}, 1},
        {"||", 3, 0, {0, 1, 9}, 9},
        {"dist", 0, 0, {}, std::sqrt(r2)},
        {"dist", 2, 0, {6, 8}, 5},
        {"exp", 1, 2, {1}, 2 * std::exp(1.0)},
        {"expd", 1, 2, {-0.1f}, 2 * std::exp(-0.1f * r2)},
        {"expd", 2, 2, {-1, 1}, 2 * std::exp(-std::sqrt(r2))},
        at({"expd", 2, 2, {-1, 1}, 2 * std::exp(-1.0)}, 5, 10),
        {"expd", 4, 2, {-1, 2, 0.5f, 0.25f}, 2 * std::exp(-3.25)},
        {"expd", 6, 2, {-0.1f, 2, 1, 1, 6, 8}, 2 * std::exp(-0.1f * 25.0)},
        {"expx", 1, 2, {-0.5f}, 2 * std::exp(-1.0)},
        {"expx", 2, 2, {-0.5f, 2}, 2 * std::exp(-2.0)},
        at({"expx", 2, 2, {-0.5f, 2}, 2 * std::exp(-0.5)}, 5, 4),
        {"expx", 3, 2, {-0.5f, 2, 6}, 2 * std::exp(-4.5)},
        {"expy", 1, 2, {-0.5f}, 2 * std::exp(-3.0)},
        {"expy", 2, 2, {-0.5f, 0.5f}, 2 * std::exp(-0.5 * std::sqrt(6.0))},
        {"expy", 3, 2, {-0.5f, 2, 7}, 2 * std::exp(-4.5)},
        {"sinx", 1, 2, {(float)(kPi / 4)}, -2},
        {"sinx", 2, 2, {(float)(kPi / 2), 2}, 2},
        {"siny", 1, 2, {(float)(kPi / 12)}, -2},
        {"siny", 2, 2, {(float)(kPi / 6), 1}, 2},
        {"sin", 2, 2, {(float)(kPi / 4), (float)(kPi / 24)}, -std::sqrt(2.0)},
        {"sin", 4, 2, {(float)(kPi / 2), (float)(kPi / 2), 2, 4}, 2},
        {"cosx", 1, 2, {(float)(kPi / 2)}, -2},
        {"cosx", 2, 2, {(float)kPi, 2}, -2},
        {"cosy", 1, 2, {(float)(kPi / 6)}, -2},
        {"cosy", 2, 2, {(float)(kPi / 3), 1}, -2},
        {"cos", 2, 2, {(float)(kPi / 4), (float)(kPi / 24)}, -std::sqrt(2.0)},
        {"cos", 4, 2, {(float)(kPi / 2), (float)(kPi / 2), 3, 4}, 2},
        {"deconv", 2, 10, {2, -4}, 2.5},
        {"deconv", 2, 10, {2, 0}, 4},
        {"deconv", 3, 10, {1, 4, -1}, 2.5},
        {"lini", 4, 15, {10, 20, 0, 100}, 50},
        {"lini", 4, 5, {10, 20, 0, 100}, 0},
        {"lini", 4, 25, {10, 20, 0, 100}, 100},
        {"lini", 4, 7, {10, 10, 0, 100}, 7},
        {"lini", 4, 25, {20, 10, 0, 100}, 0},
        {"lini", 4, 5, {20, 10, 0, 100}, 100},
        {"lini", 4, 12, {20, 10, 0, 100}, 80},
        at({"initx", 0, 0, {}, 44}, 300, 4),
        typed(at({"initx", 0, 0, {}, 4}, 20, 4), PIXEL_4BITS),
        typed({"initx", 0, 0, {}, 1}, PIXEL_1BIT),
        typed(at({"initx", 0, 0, {}, 300}, 300, 4), PIXEL_FLOAT),
        {"initx", 1, 0, {2}, -4},
        {"initx", 2, 0, {2, 1}, 4},
        at({"inity", 0, 0, {}, 4}, 3, 260),
        typed({"inity", 0, 0, {}, 4}, PIXEL_SHORT),
        {"inity", 1, 0, {2}, -12},
        {"inity", 2, 0, {2, 1}, 6},
        at({"initxy", 0, 0, {}, 44}, 200, 100),
        {"initxy", 2, 0, {1, 2}, -14},
        {"initxy", 4, 0, {1, 2, 1, 1}, 8},
        /* W 8, L 6: r2 / ((W^2 + L^2) / 4) = 9 / 25 at (7, 3); the sine's
         * argument 2 pi p 0.6 is pi / 2 for p = 5 / 12. */
        sized(at({"ring", 0, 5.0f / 12, {}, 255}, 7, 3), 8, 6),
        sized(at({"ring", 0, 0.3f, {}, 127.5}, 4, 3), 8, 6),
    };
}

TEST(ImageAlgebraOperators, EveryOperatorGivesItsValueWorkedByHand)
{
    for (const OpCase &c : operatorCases()) {
        double got = applyOnce(c);
        double tolerance = 1e-5 * std::fmax(1.0, std::fabs(c.expected));
        EXPECT_NEAR(got, c.expected, tolerance)
            << c.name << " mode " << c.mode << " p " << c.p << " type " << c.type;
    }
}

TEST(ImageAlgebraOperators, EveryRowOfTheTableIsCoveredByACase)
{
    /* rand has a test of its own. */
    std::set<std::pair<std::string, int>> covered = {{"rand", 1}};
    for (const OpCase &c : operatorCases()) {
        covered.insert({c.name, c.mode});
    }
    for (int k = 0; imageOps[k].name != NULL; k++) {
        EXPECT_TRUE(covered.count({imageOps[k].name, imageOps[k].mode}))
            << imageOps[k].name << " mode " << imageOps[k].mode;
    }
}

TEST(ImageAlgebraOperators, RandScalesTheLibraryGeneratorsNextValue)
{
    ovexSrand(77);
    int first = ovexRand();
    int second = ovexRand();
    ovexSrand(77);
    EXPECT_FLOAT_EQ(applyOnce({"rand", 1, 0, {32767}, 0}), (float)first);
    EXPECT_FLOAT_EQ(applyOnce({"rand", 1, 0, {2}, 0}), (float)(2.0 * second / 32767));
}

TEST(ImageAlgebraOperators, TableHasItsRowsInOrderAndLookupNeedsTheMode)
{
    int rows = 0;
    std::string names;
    for (const ImageOp *op = imageOps; op->name != NULL; op++, rows++) {
        if (rows == 0 || strcmp(op->name, op[-1].name) != 0) {
            names += std::string(op->name) + " ";
        }
    }
    EXPECT_EQ(rows, 77);
    EXPECT_EQ(names, "= + - * / ! & | ^ dist exp expd expx expy sinx siny sin cosx cosy cos "
                     "deconv lini idiv min max xor % == <= < >= > && || neg init initx inity "
                     "initxy rand ring ");
    EXPECT_EQ(findImageOp("dist", 1), nullptr);
    EXPECT_EQ(findImageOp("+", 2), nullptr);
    EXPECT_EQ(findImageOp("plus", 1), nullptr);
    EXPECT_EQ(findImageOp("=", 1), findImageOp("init", 1)) << "one kernel for both names";
    EXPECT_NE(findImageOp("expd", 6), nullptr);
}

TEST(ImageAlgebraOperators, AnOperandImagesPixelIsTheFirstOperand)
{
    /* The constants follow q: "*" of mode 2 gives p q + b. */
    float context[ALG_CONTEXT_SIZE] = {0};
    context[ALG_COUNT] = 2;
    context[ALG_OPERANDS + 1] = 5;
    float values[3] = {1, 2, 3};
    float operand[3] = {10, 20, 30};
    float xs[3] = {0, 1, 2};
    findImageOp("*", 2)(context, values, operand, xs, 3);
    EXPECT_EQ(std::vector<float>(values, values + 3), (std::vector<float>{15, 45, 95}));
}

/* ---- Row loops ------------------------------------------------------------ */

class ImageAlgebraLoops : public ::testing::Test {
protected:
    /* A memory image of FLOAT pixels (or type) whose pixel (c, r, b) is
     * 100 b + 10 r + c. */
    RAMIMG *makeImage(const char *tag, int columns, int rows, int bands,
                      int pixel = PIXEL_FLOAT)
    {
        ImageHead head;
        initImageHead(&head);
        snprintf(head.file, sizeof head.file, "%s", tag);
        head.imgid = IMGID_MBSQ;
        head.pixel = pixel;
        head.columns = columns;
        head.rows = rows;
        head.nbands = bands;
        head.transparent = -1;
        head.dataFd = -1;
        int err = -1;
        RAMIMG *image = openRAMImage(tag, NULL, &head, NULL, &err);
        EXPECT_NE(image, nullptr) << "error " << err;
        if (image == NULL) {
            return NULL;
        }
        images.push_back(image);
        for (int b = 0; b < bands; b++) {
            for (int r = 0; r < rows; r++) {
                std::vector<float> row(columns);
                for (int c = 0; c < columns; c++) {
                    row[c] = (float)(100 * b + 10 * r + c);
                }
                putRowFloat(image, r, 0, columns, b, row.data());
            }
        }
        return image;
    }

    std::vector<float> row(RAMIMG *image, int r, int band)
    {
        std::vector<float> out(image->head.columns);
        getRowFloat(image, r, 0, image->head.columns, band, out.data());
        return out;
    }

    void TearDown() override
    {
        for (RAMIMG *image : images) {
            closeRAMImage(image, NULL);
        }
    }

    std::vector<RAMIMG *> images;
    AlgebraConstants none = {{0}, 0};
};

AlgebraConstants constantsOf(std::vector<float> values)
{
    AlgebraConstants constants = {{0}, (int)values.size()};
    for (size_t k = 0; k < values.size(); k++) {
        constants.values[k] = values[k];
    }
    return constants;
}

TEST_F(ImageAlgebraLoops, ConstantRoiCountsFromTheRoiOriginOverTheOwnBandsOfThePairs)
{
    RAMIMG *image = makeImage("alg_croi", 6, 3, 2);
    ASSERT_NE(image, nullptr);
    fixture::NoticeCounter counter;
    counter.watch(image, (intptr_t)&counter);
    AlgebraRoi roi = {2, 1, 0, 0, 3, 2};
    int ownBands[] = {2, 7};  /* band 7 does not exist: skipped */
    ASSERT_EQ(algebraConstantRoi(image, &roi, ownBands, 2, findImageOp("initxy", 0), &none), 1);

    EXPECT_EQ(row(image, 0, 1), (std::vector<float>{100, 101, 102, 103, 104, 105}));
    EXPECT_EQ(row(image, 1, 1), (std::vector<float>{110, 111, 0, 1, 2, 115}));
    EXPECT_EQ(row(image, 2, 1), (std::vector<float>{120, 121, 1, 2, 3, 125}));
    EXPECT_EQ(row(image, 1, 0), (std::vector<float>{10, 11, 12, 13, 14, 15}))
        << "band 1 is in no pair";
    EXPECT_EQ(counter.config, 1);
    counter.stop();
}

TEST_F(ImageAlgebraLoops, ImageRoiRepeatsOperandRowsAndReadsZeroBeyondItsColumns)
{
    RAMIMG *image = makeImage("alg_iroi", 4, 3, 1);
    RAMIMG *operand = makeImage("alg_iroi_op", 3, 2, 2);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(operand, nullptr);
    /* Own band 1 from operand band 2; the ROI is the whole image, the
     * operand area starts at column 1, row 1. */
    AlgebraRoi roi = {0, 0, 1, 1, 4, 3};
    int ownBands[] = {1};
    int operandBands[] = {2};
    ASSERT_EQ(algebraImageRoi(image, &roi, ownBands, operandBands, 1, operand,
                              findImageOp("+", 1), &none), 1);
    /* Operand rows 1, 0, 1 (modulo 2) of band 2: 110 + c, 100 + c; columns
     * 1, 2, then beyond the edge (0). */
    EXPECT_EQ(row(image, 0, 0), (std::vector<float>{111, 113, 2, 3}));
    EXPECT_EQ(row(image, 1, 0), (std::vector<float>{111, 113, 12, 13}));
    EXPECT_EQ(row(image, 2, 0), (std::vector<float>{131, 133, 22, 23}));
}

TEST_F(ImageAlgebraLoops, ImageRoiGivesTheOperandsGeometryAndRowsModuloItsRows)
{
    RAMIMG *image = makeImage("alg_igeo", 2, 3, 1);
    RAMIMG *operand = makeImage("alg_igeo_op", 5, 2, 1, PIXEL_SHORT);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(operand, nullptr);
    AlgebraRoi roi = {0, 0, 0, 0, 2, 3};
    int bands[] = {1};
    /* initxy of mode 2 with the operand as a: a (x - W/2) + b (y - L/2)
     * with W = 5, L = 2 of the operand, y = i modulo 2, b = 1. */
    AlgebraConstants b1 = constantsOf({1});
    ASSERT_EQ(algebraImageRoi(image, &roi, bands, bands, 1, operand, findImageOp("initxy", 2),
                              &b1), 1);
    /* Operand pixel q = 10 r + c: row 0 q = 0, 1; row 1 q = 10, 11. */
    EXPECT_EQ(row(image, 0, 0), (std::vector<float>{0 * -2.5f - 1, 1 * -1.5f - 1}));
    EXPECT_EQ(row(image, 1, 0), (std::vector<float>{10 * -2.5f + 0, 11 * -1.5f + 0}));
    EXPECT_EQ(row(image, 2, 0), (std::vector<float>{0 * -2.5f - 1, 1 * -1.5f - 1}));
}

TEST_F(ImageAlgebraLoops, ConstantRangeUsesImageCoordinatesAndResetsStatistics)
{
    RAMIMG *image = makeImage("alg_crange", 6, 3, 2, PIXEL_BYTE);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(ramImageHist(image, HIST_RECOMPUTE, 1, 1), nullptr);
    ASSERT_TRUE(image->stats[0].valid);
    ASSERT_TRUE(image->stats[1].valid);
    /* x + 50 at columns 4 down to 2 of row 0, band 2. */
    DataRange range = {4, 2, 0, 0, 1, 1};
    AlgebraConstants k = constantsOf({1, -50});
    ASSERT_EQ(algebraConstantRange(image, &range, findImageOp("initx", 2), &k), 1);
    /* y at columns 2 .. 4 of rows 2 and 1. */
    range = {2, 4, 2, 1, 1, 1};
    ASSERT_EQ(algebraConstantRange(image, &range, findImageOp("inity", 0), &none), 1);
    EXPECT_EQ(row(image, 0, 1), (std::vector<float>{100, 101, 52, 53, 54, 105}));
    EXPECT_EQ(row(image, 1, 1), (std::vector<float>{110, 111, 1, 1, 1, 115}));
    EXPECT_EQ(row(image, 2, 1), (std::vector<float>{120, 121, 2, 2, 2, 125}));
    EXPECT_TRUE(image->stats[0].valid) << "band 1 was not written";
    EXPECT_FALSE(image->stats[1].valid);
}

TEST_F(ImageAlgebraLoops, RangePairRepeatsASmallerOperandRangeAndFlipsAReversedOwnRange)
{
    RAMIMG *image = makeImage("alg_pair", 10, 1, 1);
    RAMIMG *operand = makeImage("alg_pair_op", 10, 1, 1);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(operand, nullptr);
    for (int c = 0; c < 10; c++) {
        float zero = 0;
        putRowFloat(image, 0, c, 1, 0, &zero);
    }
    DataRange own = {9, 0, 0, 0, 0, 0};
    DataRange from = {0, 4, 0, 0, 0, 0};
    ASSERT_EQ(algebraRangePair(image, &own, operand, &from, findImageOp("+", 1), &none), 1);
    EXPECT_EQ(row(image, 0, 0), (std::vector<float>{4, 3, 2, 1, 0, 4, 3, 2, 1, 0}));
}

TEST_F(ImageAlgebraLoops, RangePairCyclesOperandBandsAndRowsAndPassesTheOperandsPosition)
{
    RAMIMG *image = makeImage("alg_pair2", 2, 3, 3);
    RAMIMG *operand = makeImage("alg_pair2_op", 4, 4, 2);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(operand, nullptr);
    /* Own bands 1..3, rows 0..2, columns 0..1 from operand bands 2, 1
     * (cycling), rows 3, 2 (cycling), columns 1..2. "=" copies q. */
    DataRange own = {0, 1, 0, 2, 0, 2};
    DataRange from = {1, 2, 3, 2, 1, 0};
    ASSERT_EQ(algebraRangePair(image, &own, operand, &from, findImageOp("=", 1), &none), 1);
    EXPECT_EQ(row(image, 0, 0), (std::vector<float>{131, 132}));
    EXPECT_EQ(row(image, 1, 0), (std::vector<float>{121, 122}));
    EXPECT_EQ(row(image, 2, 0), (std::vector<float>{131, 132}));
    EXPECT_EQ(row(image, 0, 1), (std::vector<float>{31, 32}));
    EXPECT_EQ(row(image, 1, 1), (std::vector<float>{21, 22}));
    EXPECT_EQ(row(image, 0, 2), (std::vector<float>{131, 132}));

    /* x and y are the operand's column and row: initxy of mode 0. */
    DataRange whole = {0, 1, 0, 0, 0, 0};
    DataRange shifted = {3, 2, 2, 2, 0, 0};
    ASSERT_EQ(algebraRangePair(image, &whole, operand, &shifted, findImageOp("initxy", 0),
                               &none), 1);
    EXPECT_EQ(row(image, 0, 0), (std::vector<float>{5, 4}));
}

TEST_F(ImageAlgebraLoops, StoredValuesAreClampedToThePixelType)
{
    RAMIMG *image = makeImage("alg_clamp", 3, 1, 1, PIXEL_BYTE);
    ASSERT_NE(image, nullptr);
    AlgebraRoi roi = {0, 0, 0, 0, 3, 1};
    int bands[] = {1};
    AlgebraConstants zero = constantsOf({0});
    ASSERT_EQ(algebraConstantRoi(image, &roi, bands, 1, findImageOp("/", 1), &zero), 1);
    EXPECT_EQ(row(image, 0, 0), (std::vector<float>{0, 255, 255})) << "p x 10^30, clamped";
    ASSERT_EQ(algebraConstantRoi(image, &roi, bands, 1, findImageOp("neg", 0), &none), 1);
    EXPECT_EQ(row(image, 0, 0), (std::vector<float>{0, 0, 0}));
}

/* ---- ROI and band map texts ----------------------------------------------- */

TEST(ViewTexts, RoiNeedsSixIntegersInsideTheImage)
{
    struct Case {
        const char *text;
        int ok;
    } cases[] = {
        {"0 0 0 0 10 20", 1},
        {" 4 5  1 2 6 15 ", 1},
        {"5 5 0 0 6 6", 0},       /* 5 + 6 exceeds 10 columns */
        {"0 15 0 0 10 6", 0},     /* 15 + 6 exceeds 20 rows */
        {"0 0 0 0 0 5", 0},
        {"0 0 0 0 5 0", 0},
        {"-1 0 0 0 5 5", 0},
        {"0 0 -1 0 5 5", 0},
        {"0 0 0 0 5", 0},
        {"0 0 0 0 5 5 5", 0},
        {"0 0 0 0 5 5x", 0},
        {"0 0 0 0 5.5 5", 0},
        {"", 0},
    };
    for (const Case &c : cases) {
        int v[6] = {-7, -7, -7, -7, -7, -7};
        EXPECT_EQ(parseROI(c.text, 10, 20, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]), c.ok)
            << c.text;
        if (!c.ok) {
            EXPECT_EQ(v[0], -7) << "nothing stored for " << c.text;
        }
    }
    int v[6];
    ASSERT_EQ(parseROI(" 4 5  1 2 6 15 ", 10, 20, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]), 1);
    EXPECT_EQ(std::vector<int>(v, v + 6), (std::vector<int>{4, 5, 1, 2, 6, 15}));
}

TEST(ViewTexts, BandMapPairsAndRanges)
{
    struct Case {
        const char *text;
        int bands;
        std::vector<int> own, operand;  /* empty: refused */
        int maxOperand;
    } cases[] = {
        {"1:2 2:1", 3, {1, 2}, {2, 1}, 2},
        {"1-3:5-7", 3, {1, 2, 3}, {5, 6, 7}, 7},
        {"3-1:1-3", 3, {3, 2, 1}, {1, 2, 3}, 3},
        {"1-2:9-8  3:4", 3, {1, 2, 3}, {9, 8, 4}, 9},
        {"4:1", 3, {}, {}, 0},          /* own band beyond the image */
        {"1:0", 3, {}, {}, 0},          /* bands count from 1 */
        {"1-2:3", 3, {}, {}, 0},        /* range against one band */
        {"1:2-3", 3, {}, {}, 0},
        {"1-2:3-5", 3, {}, {}, 0},      /* ranges of different length */
        {"1:1 2:2 3:3 1:4", 3, {}, {}, 0},  /* more pairs than bands */
        {"1:1,2:2", 3, {}, {}, 0},
        {"1;2", 3, {}, {}, 0},
        {"+1:2", 3, {}, {}, 0},
        {"", 3, {}, {}, 0},
    };
    for (const Case &c : cases) {
        std::vector<int> own(c.bands, 0), operand(c.bands, 0);
        int largest = -1;
        int pairs = parseBandSpec(c.text, c.bands, own.data(), operand.data(), &largest);
        EXPECT_EQ(pairs, (int)c.own.size()) << c.text;
        if (pairs > 0 && pairs == (int)c.own.size()) {
            own.resize(pairs);
            operand.resize(pairs);
            EXPECT_EQ(own, c.own) << c.text;
            EXPECT_EQ(operand, c.operand) << c.text;
            EXPECT_EQ(largest, c.maxOperand) << c.text;
        }
    }
    std::string tooLong(BAND_SPEC_MAX + 1, ' ');
    tooLong.replace(0, 3, "1:1");
    int own[1], operand[1], largest;
    EXPECT_EQ(parseBandSpec(tooLong.c_str(), 1, own, operand, &largest), 0);
}

}  // namespace
