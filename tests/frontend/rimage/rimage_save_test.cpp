/*
 * rimage_save_test.cpp --
 *
 *	rimage save beyond what a script can set up: an encoded image held in
 *	memory replaces its target whole (no tail of a longer old file, the
 *	old mode kept, open descriptors moved to the new file), and a row
 *	that cannot be written back is an error.
 */
#include "../../ramimage/registry_fixtures.h"

#include <dirent.h>

#include "core/gmem.h"
#include "frontend/rimage/rimage_command.h"

namespace {

using namespace registry_fixtures;

class RimageSave : public RegistryTest {
protected:
    int save(const char *name, const char *file = nullptr)
    {
        const char *argv[] = {"rimage", "save", name, file};
        ImageHead tmpl;
        initImageHead(&tmpl);
        return rimageSave(&tmpl, console, file != nullptr ? 4 : 3, argv);
    }

    std::string result() { return Tcl_GetStringResult(console); }

    /* An image of the JPEG layout whose data source is the given bytes. */
    RAMIMG *encodedImage(const char *tag, const std::string &bytes)
    {
        ImageHead head = templateHead(IMGID_JPEG, PIXEL_BYTE, 2, 2);
        RAMIMG *image = openRAMImage(tag, NULL, &head, NULL, NULL);
        EXPECT_NE(image, nullptr);
        unsigned char *block = (unsigned char *)gmemAlloc(bytes.size());
        memcpy(block, bytes.data(), bytes.size());
        EXPECT_EQ(1, attachRamImageBuffer(image, block, bytes.size()));
        return image;
    }

    std::vector<std::string> folderEntries()
    {
        std::vector<std::string> names;
        DIR *folder = opendir(dir.c_str());
        for (struct dirent *entry; folder && (entry = readdir(folder)) != NULL;) {
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) {
                names.push_back(entry->d_name);
            }
        }
        if (folder) {
            closedir(folder);
        }
        return names;
    }
};

TEST_F(RimageSave, EncodedImageReplacesALongerFileWhole)
{
    std::string target = path("out.jpg");
    ASSERT_TRUE(writeFile(target, std::vector<unsigned char>(100, 'x')));
    ASSERT_EQ(0, chmod(target.c_str(), 0640));
    encodedImage("rt_enc", "ENCODED");

    ASSERT_EQ(TCL_OK, save("rt_enc", target.c_str())) << result();
    EXPECT_EQ("", result());
    std::vector<unsigned char> bytes = readFile(target);
    EXPECT_EQ("ENCODED", std::string(bytes.begin(), bytes.end()));
    struct stat info;
    ASSERT_EQ(0, stat(target.c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 07777);
    EXPECT_EQ(std::vector<std::string>{"out.jpg"}, folderEntries());
}

TEST_F(RimageSave, NewFileGets0666LessTheUmask)
{
    std::string target = path("new.jpg");
    encodedImage("rt_enc", "ABC");
    mode_t mask = umask(027);
    int code = save("rt_enc", target.c_str());
    umask(mask);
    ASSERT_EQ(TCL_OK, code) << result();
    struct stat info;
    ASSERT_EQ(0, stat(target.c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 07777);
    EXPECT_EQ(3, info.st_size);
}

TEST_F(RimageSave, ImagesOnTheReplacedFileReadTheNewOne)
{
    ImageHead head = imagedefFile("open.img", IMGID_BSQ, PIXEL_BYTE, 2, 2);
    RAMIMG *onFile = openRAMImage(NULL, head.file, NULL, NULL, NULL);
    ASSERT_NE(onFile, nullptr);
    ASSERT_GE(onFile->fd, 0);
    encodedImage("rt_enc", "NEW CONTENTS");

    ASSERT_EQ(TCL_OK, save("rt_enc", head.file)) << result();
    struct stat byPath, byDescriptor;
    ASSERT_EQ(0, stat(head.file, &byPath));
    ASSERT_EQ(0, fstat(onFile->fd, &byDescriptor));
    EXPECT_EQ(byPath.st_ino, byDescriptor.st_ino);
}

TEST_F(RimageSave, UnwritableTargetIsAnError)
{
    std::string target = path("no/such/folder/out.jpg");
    RAMIMG *image = encodedImage("rt_enc", "ABC");
    EXPECT_EQ(TCL_ERROR, save("rt_enc", target.c_str()));
    EXPECT_EQ("Fail to create file:" + target, result());
    EXPECT_TRUE(isRegistered(image));
}

TEST_F(RimageSave, ImageWithoutFileOrBufferCannotBeSaved)
{
    ImageHead head = templateHead(IMGID_BSQ, PIXEL_BYTE, 2, 2);
    snprintf(head.file, sizeof head.file, "%s", path("resident").c_str());
    ASSERT_NE(openRAMImage("rt_plain", NULL, &head, NULL, NULL), nullptr);
    EXPECT_EQ(TCL_ERROR, save("rt_plain"));
    EXPECT_EQ("Can't save a memory image.", result());
}

TEST_F(RimageSave, ChangedRowsGoBackToTheFile)
{
    ImageHead head = imagedefFile("rows.img", IMGID_BSQ, PIXEL_BYTE, 2, 2);
    RAMIMG *image = openRAMImage(NULL, head.file, NULL, NULL, NULL);
    ASSERT_NE(image, nullptr);
    storeByte(image, 1, 0, 1, 0x5a);
    ASSERT_EQ(TCL_OK, save(head.file)) << result();
    std::vector<unsigned char> bytes = readFile(head.file);
    ASSERT_EQ(1152u + 4u, bytes.size());
    EXPECT_EQ(0x5a, bytes[1152 + 3]);
}

TEST_F(RimageSave, FailedWriteBackIsAnError)
{
    ImageHead head = imagedefFile("ro.img", IMGID_BSQ, PIXEL_BYTE, 2, 2);
    RAMIMG *image = openRAMImage(NULL, head.file, NULL, NULL, NULL);
    ASSERT_NE(image, nullptr);
    /* The file can be read but no longer written. */
    int readOnly = open(head.file, O_RDONLY);
    ASSERT_GE(readOnly, 0);
    close(image->fd);
    image->fd = readOnly;
    storeByte(image, 0, 0, 0, 9);

    EXPECT_EQ(TCL_ERROR, save(head.file));
    EXPECT_EQ(std::string("Fail to write back rimage: ") + head.file, result());
}

}  // namespace
