// File-name translation, absolute paths and path tails.
#include "core/paths.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

class Paths : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Tcl_FindExecutable(nullptr); }
    void SetUp() override { interp = Tcl_CreateInterp(); }
    void TearDown() override { Tcl_DeleteInterp(interp); }
    std::string errorInfo()
    {
        const char *info = Tcl_GetVar(interp, "errorInfo", TCL_GLOBAL_ONLY);
        return info ? info : "";
    }
    Tcl_Interp *interp = nullptr;
};

TEST_F(Paths, TranslateExpandsTheHomeDirectory)
{
    const char *home = getenv("HOME");
    ASSERT_NE(home, nullptr);
    char out[4096];
    ASSERT_EQ(translateFileName(interp, out, sizeof(out), "~/images/a.tif"), out);
    EXPECT_EQ(std::string(out), std::string(home) + "/images/a.tif");
    ASSERT_EQ(translateFileName(interp, out, sizeof(out), "plain/name.img"), out);
    EXPECT_STREQ(out, "plain/name.img");
}

TEST_F(Paths, TranslateFailureAddsItsMessage)
{
    char out[256];
    EXPECT_EQ(translateFileName(interp, out, sizeof(out), "~no_such_user_ovex_test/x"), nullptr);
    EXPECT_NE(errorInfo().find("Fail to translate file name."), std::string::npos) << errorInfo();
}

TEST_F(Paths, TranslateRefusesANameLongerThanTheBuffer)
{
    std::string longName(300, 'n');
    char out[256];
    memset(out, 'x', sizeof(out));
    EXPECT_EQ(translateFileName(interp, out, sizeof(out), longName.c_str()), nullptr);
    EXPECT_NE(errorInfo().find("Fail to translate file name."), std::string::npos);
    EXPECT_EQ(out[0], '\0');

    std::string translated;
    EXPECT_TRUE(translateFileName(interp, longName.c_str(), &translated));
    EXPECT_EQ(translated, longName);
}

TEST_F(Paths, AbsolutePathJoinsRelativeNamesToTheDirectory)
{
    struct Case { const char *directory; const char *path; const char *expected; } cases[] = {
        {"D:/w", "a/b", "D:/w/a/b"},
        {"/work", "a/b", "/work/a/b"},
        {"/work", "/abs/c.img", "/abs/c.img"},
        {"/work/", "c.img", "/work/c.img"},
    };
    for (const Case &c : cases) {
        char out[256];
        EXPECT_EQ(absolutePathFrom(c.directory, c.path, out, sizeof(out)), 1);
        EXPECT_STREQ(out, c.expected);
    }
}

TEST_F(Paths, AbsolutePathUsesTheCurrentDirectory)
{
    char saved[PATH_MAX];
    ASSERT_NE(getcwd(saved, sizeof(saved)), nullptr);
    ASSERT_EQ(chdir("/tmp"), 0);
    char out[256];
    int status = absolutePath("a/b", out, sizeof(out));
    std::string asString = absolutePath("a/b");
    ASSERT_EQ(chdir(saved), 0);
    EXPECT_EQ(status, 1);
    EXPECT_STREQ(out, "/tmp/a/b");
    EXPECT_EQ(asString, "/tmp/a/b");
}

TEST_F(Paths, AbsolutePathRefusesAResultLongerThanTheBuffer)
{
    std::string longPath = "/" + std::string(299, 'p');
    char out[256];
    memset(out, 'x', sizeof(out));
    EXPECT_EQ(absolutePath(longPath.c_str(), out, sizeof(out)), 0);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(absolutePathFrom("/d", std::string(260, 'r').c_str(), out, sizeof(out)), 0);
    EXPECT_EQ(absolutePath(longPath.c_str()), longPath);
}

TEST_F(Paths, PathTail)
{
    struct Case { const char *path; const char *tail; } cases[] = {
        {"", ""}, {"/data/img/photo.tif", "photo.tif"}, {"photo.tif", "photo.tif"},
        {"a/b/", "b"}, {"/", "/"},
    };
    for (const Case &c : cases) {
        char out[64];
        EXPECT_EQ(pathTail(c.path, out, sizeof(out)), 1) << c.path;
        EXPECT_STREQ(out, c.tail) << c.path;
        EXPECT_EQ(pathTail(c.path), c.tail);
    }
    char small[4];
    EXPECT_EQ(pathTail("/x/photo.tif", small, sizeof(small)), 0);
    EXPECT_EQ(small[0], '\0');
}

}  // namespace
