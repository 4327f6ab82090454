// Data items of a GL surface without a display: references, value lists,
// creation and conversion rules, arrays and pixel layouts, files, the
// command table, the colour ramps and model geometry.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <set>

#include <GL/gl.h>
#include <tcl.h>

#include "gl/gl_binding.h"
#include "gl/gl_dem.h"
#include "gl/gl_items.h"
#include "gl/glw_glx.h"
#include "gl/glw_surface.h"
#include "gl/oglm_model.h"
#include "kit/fixture_kit.h"

namespace {

// A selected surface with an item table and no rendering context.
class GlItems : public ::testing::Test {
protected:
    void SetUp() override
    {
        interp = Tcl_CreateInterp();
        surface = glwAllocSurface(GLW_IMAGE);
        Tcl_InitHashTable(&surface->items, TCL_STRING_KEYS);
        surface->itemsReady = 1;
        glwSetCurrent(interp, surface);
    }
    void TearDown() override
    {
        glwSetCurrent(interp, NULL);
        glItemTableFree(&surface->items);
        surface->itemsReady = 0;
        Tcl_Free(reinterpret_cast<char *>(surface));
        Tcl_DeleteInterp(interp);
    }
    std::string values(const char *reference)
    {
        int64_t first, last;
        int bad;
        GlItem *item = glItemLookup(reference, &first, &last, &bad);
        std::string text;
        for (int64_t i = first; item != NULL && i <= last; i++) {
            text += (text.empty() ? "" : " ") + std::string(item->formatter(item->data, i));
        }
        return text;
    }
    int itemCount() { return surface->items.numEntries; }

    Tcl_Interp *interp;
    GlwInfo *surface;
};

TEST(GlReferences, ParseTable)
{
    struct Case {
        const char *reference;
        int length;
        int64_t first, last;
    } cases[] = {
        {"a", 1, 0, 0},       {"a(3)", 1, 3, 3},     {"ab.c_1(2:5)", 6, 2, 5},
        {"a(5:2)", -1, 0, 0}, {"a(3", -1, 0, 0},     {"1a", -1, 0, 0},
        {"a(3)x", -1, 0, 0},  {"a()", -1, 0, 0},     {"a(99999999999)", 1, 2147483647, 2147483647},
    };
    for (const Case &c : cases) {
        int64_t first = -7, last = -7;
        int length = glItemNameParse(c.reference, &first, &last);
        EXPECT_EQ(length, c.length) << c.reference;
        if (c.length > 0) {
            EXPECT_EQ(first, c.first) << c.reference;
            EXPECT_EQ(last, c.last) << c.reference;
        }
    }
    int64_t first, last;
    EXPECT_EQ(glItemNameParse("", &first, &last), 0);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 2147483647);
}

TEST(GlValueLists, WordsTokensAndRepeats)
{
    EXPECT_EQ(glValueWordCount("1,2 3\t4"), 3);
    EXPECT_EQ(glValueWordCount("  "), 0);
    int32_t ints[3] = {};
    glParseValueList("1,2,3", GLTYPE_INT, ints, 3);
    EXPECT_EQ(ints[0] * 100 + ints[1] * 10 + ints[2], 123);
    float floats[4] = {};
    glParseValueList("7 8", GLTYPE_FLOAT, floats, 4);
    EXPECT_EQ(floats[3], 8.0f);
    uint8_t bytes[2] = {5, 5};
    glParseValueList("", GLTYPE_UBYTE, bytes, 2);
    EXPECT_EQ(bytes[0], 5);
    int16_t shorts[1];
    glParseValueList("70000", GLTYPE_SHORT, shorts, 1);
    EXPECT_EQ(shorts[0], (int16_t)(70000 & 0xffff));
}

TEST_F(GlItems, CreationRules)
{
    ASSERT_NE(glItemNew("k(2:4)", GLTYPE_INT, 0, "7"), nullptr);
    EXPECT_EQ(values("k"), "0 0 7 7 7");
    ASSERT_NE(glItemNew("m(15)", GLTYPE_DOUBLE, 0, NULL), nullptr);
    EXPECT_EQ(glItemFind("m")->count, 16);
    ASSERT_NE(glItemNew("b", GLTYPE_BYTE, 0, "200"), nullptr);
    EXPECT_EQ(values("b"), "-56");
    ASSERT_NE(glItemNew("a", GLTYPE_FLOAT, 0, "1 2 3"), nullptr);
    EXPECT_EQ(values("a(1:2)"), "2.000000 3.000000");
    // An existing name, a bad reference, and counts past the item limit.
    EXPECT_EQ(glItemNew("a", GLTYPE_FLOAT, 0, NULL), nullptr);
    EXPECT_EQ(glItemNew("c(3:1)", GLTYPE_FLOAT, 0, NULL), nullptr);
    EXPECT_EQ(glItemNew("huge(4294967296)", GLTYPE_FLOAT, 0, NULL), nullptr);
    EXPECT_EQ(glItemNew("big(2147483647)", GLTYPE_FLOAT, 0, NULL), nullptr);
    EXPECT_EQ(glItemFind("huge"), nullptr);
    int64_t first, last;
    int bad;
    EXPECT_EQ(glItemLookup("a(1:9)", &first, &last, &bad), glItemFind("a"));
    EXPECT_EQ(bad, 1);
    EXPECT_EQ(last, 2);
}

TEST_F(GlItems, ConversionTable)
{
    glItemNew("f", GLTYPE_FLOAT, 0, "-1.5 1.5 255.5 2.5");
    glItemNew("d", GLTYPE_DOUBLE, 0, "-1.5 1.5 255.5 2.5");
    glItemNew("u", GLTYPE_UINT, 0, "-1");
    glItemNew("b", GLTYPE_BYTE, 0, "-1");
    struct Case {
        const char *source;
        uint32_t target;
        const char *expected;
    } cases[] = {
        {"f", GLTYPE_SHORT, "-1 1 255 2"},    // truncated
        {"d", GLTYPE_SHORT, "-2 2 256 3"},    // rounded, halves away from zero
        {"f", GLTYPE_UBYTE, "254 2 0 3"},     // rounded, low 8 bits
        {"d", GLTYPE_USHORT, "65535 1 255 2"},  // truncated, low 16 bits
        {"d", GLTYPE_INT, "-2 2 256 3"},
        {"f", GLTYPE_INT, "-1 1 255 2"},
        {"b", GLTYPE_USHORT, "65535"},         // sign-extended
        {"u", GLTYPE_DOUBLE, "4294967295.000000"},
    };
    for (const Case &c : cases) {
        GlItem *source = glItemFind(c.source);
        GlItem *converted = glConvertItem(source, 0, source->count, c.target);
        ASSERT_NE(converted, nullptr);
        std::string text;
        for (int i = 0; i < converted->count; i++) {
            text += (i ? " " : "") + std::string(converted->formatter(converted->data, i));
        }
        EXPECT_EQ(text, c.expected) << c.source << " to " << c.target;
        glItemFree(converted);
    }
    EXPECT_EQ(glConvertItem(glItemFind("f"), 2, 3, GLTYPE_INT), nullptr);
}

TEST_F(GlItems, ArraysScalarsAndTemporaries)
{
    glItemNew("v", GLTYPE_FLOAT, 0, "1 2 3 4 5 6");
    glItemNew("t", GLTYPE_DOUBLE, 0, "0.5 1.5 2.5 3.9");
    int before = itemCount();
    GLfloat *same = (GLfloat *)glArrayOfType("v(2:3)", GLTYPE_FLOAT, 4);
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(same[3], 6.0f);
    EXPECT_EQ(glArrayOfType("v(3)", GLTYPE_FLOAT, 4), nullptr);
    GLint *converted = (GLint *)glArrayOfType("t", GLTYPE_INT, 4);
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(converted[3], 4);
    EXPECT_EQ(itemCount(), before + 1);
    glTempFree(converted);
    GLfloat *inline4 = (GLfloat *)glArrayOfType("0 0 1 0", GLTYPE_FLOAT, 4);
    ASSERT_NE(inline4, nullptr);
    glTempFree(inline4);
    glTempFree(same);  // a real item's data: nothing happens
    EXPECT_EQ(glArrayOfType("0 0 1", GLTYPE_FLOAT, 4), nullptr);
    EXPECT_EQ(glArrayOfType("0 0 1 0 0", GLTYPE_FLOAT, 4), nullptr);
    EXPECT_EQ(glArrayOfType(NULL, GLTYPE_FLOAT, 4294967296LL), nullptr);
    EXPECT_EQ(itemCount(), before);
    EXPECT_EQ(glScalarInt("t(3)"), 3);
    EXPECT_EQ(glScalarDouble("t(3)"), 3.9);
    EXPECT_EQ(glScalarDouble("t(99)"), 3.9);  // past the end reads the last element
    EXPECT_EQ(glScalarInt("12abc"), 12);
    EXPECT_EQ(glScalarDouble("abc"), 0.0);
}

TEST(GlPixelLayout, RowsRoundedToTheAlignment)
{
    uint32_t type;
    int64_t count;
    ASSERT_TRUE(glPixelLayout(GL_UNSIGNED_BYTE, 9, 1, 4, &type, &count));
    EXPECT_EQ(count, 12);
    ASSERT_TRUE(glPixelLayout(GL_BITMAP, 9, 2, 1, &type, &count));
    EXPECT_EQ(count, 4);
    ASSERT_TRUE(glPixelLayout(GL_UNSIGNED_SHORT, 3, 2, 4, &type, &count));
    EXPECT_EQ(type, (uint32_t)GLTYPE_SHORT);
    EXPECT_EQ(count, 8);
    EXPECT_FALSE(glPixelLayout(GL_FLOAT, 65536 * 4, 65536, 4, &type, &count));
    EXPECT_FALSE(glPixelLayout(GL_DOUBLE, 4, 4, 4, &type, &count));
    EXPECT_TRUE(isPowerOfTwo(1));
    EXPECT_FALSE(isPowerOfTwo(0));
    EXPECT_FALSE(isPowerOfTwo(100));
}

TEST_F(GlItems, LoadFileOffsetsAndSizes)
{
    fixture::ScratchDir scratch("ovex-glload");
    float five[5] = {1, 2, 3, 4, 5};
    const unsigned char *raw = reinterpret_cast<const unsigned char *>(five);
    std::string path = scratch.at("d20.bin");
    ASSERT_TRUE(fixture::writeBytes(path, fixture::Bytes(raw, raw + sizeof five)));
    const char *file = path.c_str();
    EXPECT_EQ(glItemLoadFile("d", file, GL_FLOAT, 8), 0);
    EXPECT_EQ(values("d"), "3.000000 4.000000 5.000000");
    EXPECT_EQ(glItemLoadFile("e", file, GL_FLOAT, 20), -1);
    EXPECT_EQ(glItemLoadFile("e", file, GL_FLOAT, 1000), -1);
    EXPECT_EQ(glItemLoadFile("e", file, GL_FLOAT, -4), -1);
    EXPECT_EQ(glItemLoadFile("e", file, GL_FLOAT, 2), -1);
    EXPECT_EQ(glItemLoadFile("e", file, GL_BITMAP, 0), -1);
    EXPECT_EQ(glItemLoadFile("d", file, GL_FLOAT, 0), -1);
    EXPECT_EQ(glItemFind("e"), nullptr);
}

TEST(GlCommandTable, TwoHundredTwentySixNamedOnce)
{
    std::vector<GlCommandRow> table = glCommandTable();
    std::set<std::string> names;
    for (const GlCommandRow &row : table) names.insert(row.name);
    EXPECT_EQ(table.size(), 226u);
    EXPECT_EQ(names.size(), 226u);
    EXPECT_EQ(std::string(table.front().name), "GLdouble");
    EXPECT_EQ(std::string(table.back().name), "glexWireDem");
}

TEST(GlColours, PaletteRampOf332)
{
    XColor colors[256];
    glwPaletteRamp(256, 3, 0, 3, 3, 2, 6, colors);
    EXPECT_EQ(colors[255].red, 65535);
    EXPECT_EQ(colors[255].blue, 65535);
    EXPECT_EQ(colors[0].green, 0);
    EXPECT_EQ(colors[7].red, 65535);
    EXPECT_EQ(colors[7].green, 0);
    EXPECT_EQ(colors[2].red, 73 * 257);  // 2 * 255 / 7 rounded
}

TEST(GlColours, DemRampAndIndex)
{
    float ramp[256][3];
    demColorRamp(ramp);
    EXPECT_EQ(ramp[0][2], 1.0f);
    EXPECT_EQ(ramp[63][1], 1.0f);
    EXPECT_EQ(ramp[127][0], 0.0f);
    EXPECT_EQ(ramp[191][0], 1.0f);
    EXPECT_EQ(ramp[255][1], 0.0f);
    EXPECT_NEAR(ramp[31][1], 31.0f / 63.0f, 1e-6);
    EXPECT_EQ(demRampIndex(5, 5, 5), 0);
    EXPECT_EQ(demRampIndex(10, 0, 10), 255);
    EXPECT_EQ(demRampIndex(5, 0, 10), 128);
    EXPECT_EQ(demRampIndex(NAN, 0, 10), 0);
}

TEST(GlViewport, AspectCorrections)
{
    int box[4];
    glwViewportBox(0, 0, 400, 300, 0.5, box);
    EXPECT_EQ(box[2] * 1000 + box[3], 200300);
    glwViewportBox(0, 0, 400, 300, -2, box);
    EXPECT_EQ(box[2] * 1000 + box[3], 400600);
    glwViewportBox(3, 4, 5, 5, 0.5, box);
    EXPECT_EQ(box[2], 3);  // 2.5 rounds away from zero
}

TEST(OglmGeometry, CoincidentVerticesAreOnlyCentred)
{
    OglmModel model = {};
    model.zoom = 1;
    model.vertices = oglmVecNew(0);
    for (int i = 0; i < 3; i++) oglmVecAdd(model.vertices, 2, 2, 2);
    oglmNormalizeSize(&model);
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(model.vertices->values[1][k], 0.0f);
    }
    OglmGroup *group = oglmAddGroupNamed(&model, std::string(300, 'g').c_str());
    EXPECT_EQ(strlen(group->name), 127u);
    oglmAddFace(group, " 1 2 3\n", 0);
    ASSERT_TRUE(oglmCheckFace(&model, group, "f 1 2 3\n"));
    oglmFacetNormals(&model, 2);
    oglmSmooth(&model, 2, 60);
    for (int i = 0; i < model.normals->count; i++) {
        EXPECT_FALSE(isnan(model.normals->values[i][2]));
    }
    oglmFreeGeometry(&model);
}

TEST(OglmGeometry, FacesWhoseListsWouldMisalignAreDropped)
{
    OglmModel model = {};
    model.vertices = oglmVecNew(0);
    model.texcoords = oglmVecNew(0);
    for (int i = 0; i < 3; i++) {
        oglmVecAdd(model.vertices, (float)i, 0, 0);
        oglmVecAdd(model.texcoords, 0, 0, 0);
    }
    OglmGroup *group = oglmAddGroupNamed(&model, "g");
    oglmAddFace(group, " 1/1 2/2 3/3", 0);
    EXPECT_TRUE(oglmCheckFace(&model, group, "f 1/1 2/2 3/3\n"));
    oglmAddFace(group, " 1 2 3", 0);  // no texture indices in a textured group
    EXPECT_FALSE(oglmCheckFace(&model, group, "f 1 2 3\n"));
    oglmAddFace(group, " 1/1 2/2 4/3", 0);
    EXPECT_FALSE(oglmCheckFace(&model, group, "f 1/1 2/2 4/3\n"));
    EXPECT_EQ(oglmFaceCount(group), 1);
    EXPECT_EQ(group->vertices->count, 3);
    EXPECT_EQ(group->texcoords->count, 3);
    OglmMaterials *table = oglmMaterialsNew();
    EXPECT_EQ(oglmFindMaterial(table, std::string(40, 'm').c_str(), true), 1);
    EXPECT_EQ(strlen(table->materials[1].name), 31u);
    EXPECT_EQ(table->materials[1].Kd[0], 0.8f);
    model.materials = table;
    oglmFreeGeometry(&model);
}

// A refused face takes back everything it added: the lists it created are
// gone, the others hold what they held before it, and no corner of a list
// points past its array (drawing and saving index with them).
TEST(OglmGeometry, ARefusedFaceLeavesEveryListAsBefore)
{
    OglmModel model = {};
    model.vertices = oglmVecNew(0);
    model.texcoords = oglmVecNew(0);
    for (int i = 0; i < 3; i++) {
        oglmVecAdd(model.vertices, (float)i, (float)(i % 2), 0);
    }
    oglmVecAdd(model.texcoords, 0, 0, 0);
    OglmGroup *group = oglmAddGroupNamed(&model, "g");
    oglmAddFace(group, " 1 2 3", 0);
    ASSERT_TRUE(oglmCheckFace(&model, group, "f 1 2 3\n"));
    const char *refused[] = {" 2 3 1/50000000 2/1", " 1/1/ 2/1/ 3/1/", " 1/1 2/1 3/1", " 1 2 3/1//1",
                             " 1 2 2147483648", " 1 2 -2147483648"};
    for (const char *face : refused) {
        oglmAddFace(group, face, 4);
        EXPECT_FALSE(oglmCheckFace(&model, group, face)) << face;
        EXPECT_EQ(oglmFaceCount(group), 1) << face;
        EXPECT_EQ(group->vertices->count, 3) << face;
        EXPECT_EQ(group->smoothing->count, 1) << face;
        EXPECT_EQ(group->texcoords, nullptr) << face;
        EXPECT_EQ(group->normals, nullptr) << face;
    }
    EXPECT_TRUE(oglmListUsable(group->vertices, 3, model.vertices->count));
    EXPECT_FALSE(oglmListUsable(group->vertices, 4, model.vertices->count));
    EXPECT_FALSE(oglmListUsable(group->vertices, 3, 2));
    oglmFreeGeometry(&model);
}

}  // namespace
