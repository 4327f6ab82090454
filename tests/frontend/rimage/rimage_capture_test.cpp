/*
 * rimage_capture_test.cpp --
 *
 *	Captures into an image that a client watches: the client hears of
 *	the change, and the image's references come out as they were (needs
 *	a display: run under Xvfb through the WithDisplay filter).
 */
#include <gtest/gtest.h>

#include <stdlib.h>

#include <tcl.h>
#include <tk.h>

#include "frontend/rimage/rimage_capture.h"
#include "ramimage/ramimg.h"

namespace {

struct Heard {
    int config = 0;
    int data = 0;
};

void heardConfig(void *clientData) { ((Heard *)clientData)->config++; }
void heardData(void *clientData) { ((Heard *)clientData)->data++; }

class RimageCaptureWithDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (getenv("DISPLAY") == NULL) {
            GTEST_SKIP() << "no display";
        }
        Tcl_FindExecutable(nullptr);
        interp = Tcl_CreateInterp();
        ASSERT_EQ(Tcl_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
        ASSERT_EQ(Tk_Init(interp), TCL_OK) << Tcl_GetStringResult(interp);
        ASSERT_EQ(Tcl_Eval(interp, "canvas .c -width 30 -height 20 -bg white -highlightthickness 0;"
                                   "pack .c; .c create rectangle 0 0 10 10 -fill red -outline {};"
                                   "update"),
                  TCL_OK);

        ImageHead head;
        initImageHead(&head);
        head.imgid = IMGID_MBSQ;
        head.pixel = PIXEL_BYTE;
        head.bits = 8;
        head.columns = 2;
        head.rows = 2;
        head.nbands = 1;
        head.block = 2;
        head.transparent = -1;
        head.dataFd = -1;
        client.configChanged = heardConfig;
        client.dataChanged = heardData;
        client.rectChanged = NULL;
        client.id = 1;
        client.clientData = &heard;
        client.next = NULL;
        int err = 0;
        image = openRAMImage("watched", NULL, &head, &client, &err);
        ASSERT_NE(image, nullptr);
    }
    void TearDown() override
    {
        if (image != NULL) {
            closeRAMImage(image, &client);
        }
        if (interp != NULL) {
            Tcl_DeleteInterp(interp);
        }
    }

    Tcl_Interp *interp = nullptr;
    RAMIMG *image = nullptr;
    RamImageClient client;
    Heard heard;
};

TEST_F(RimageCaptureWithDisplay, CanvasCaptureTellsOfANewConfiguration)
{
    int refCount = image->refCount, openCount = image->openCount;
    const char *argv[] = {"rimage", "canvas", ".c", "watched", NULL};
    ASSERT_EQ(rimageCanvas(NULL, interp, 4, argv), TCL_OK) << Tcl_GetStringResult(interp);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "watched");
    EXPECT_EQ(heard.config, 1);
    EXPECT_EQ(heard.data, 0);
    EXPECT_EQ(image->head.columns, 30);
    EXPECT_EQ(image->head.nbands, 3);
    EXPECT_EQ(image->refCount, refCount);
    EXPECT_EQ(image->openCount, openCount);
}

TEST_F(RimageCaptureWithDisplay, ScreenAndClipboardCapturesTellOfNewData)
{
    int refCount = image->refCount;
    const char *window[] = {"rimage", "window", "watched", "0 0 4 3", NULL};
    ASSERT_EQ(rimageWindow(NULL, interp, 4, window), TCL_OK) << Tcl_GetStringResult(interp);
    EXPECT_EQ(heard.config, 1);
    EXPECT_EQ(heard.data, 1);
    EXPECT_EQ(image->head.columns, 4);

    const char *copy[] = {"rimage", "canvas", ".c", "clipboard", NULL};
    ASSERT_EQ(rimageCanvas(NULL, interp, 4, copy), TCL_OK) << Tcl_GetStringResult(interp);
    const char *paste[] = {"rimage", "clipboard", "watched", "0", "0", "5", "6", NULL};
    ASSERT_EQ(rimageClipboard(NULL, interp, 7, paste), TCL_OK) << Tcl_GetStringResult(interp);
    EXPECT_EQ(heard.config, 2);
    EXPECT_EQ(heard.data, 2);
    EXPECT_EQ(image->head.columns, 5);
    EXPECT_EQ(image->head.rows, 6);
    EXPECT_EQ(image->refCount, refCount);
}

TEST_F(RimageCaptureWithDisplay, DrawingTellsNoClient)
{
    const char *argv[] = {"rimage", "draw", "watched", "line", "0 0 1 1", "9", NULL};
    ASSERT_EQ(rimageDraw(NULL, interp, 6, argv), TCL_OK) << Tcl_GetStringResult(interp);
    EXPECT_EQ(heard.config + heard.data, 0);
}

}  // namespace
