/*
 * tulx_palette_test.cpp --
 *
 *	Release of the palette-colour list when no display is recorded (plain
 *	Tcl): the list is freed and forgotten, and a second release is safe.
 */
#include <gtest/gtest.h>

#include "display/tulx/tulx.h"
#include "core/package.h"

TEST(TulxPalette, ListIsFreedAndClearedWithoutDisplay)
{
    Display *savedDisplay = ovexState.display;
    ovexState.display = NULL;
    ovexState.paletteColors = (unsigned long *)gmemAlloc(3 * sizeof(unsigned long));
    ASSERT_TRUE(ovexState.paletteColors != NULL);
    ovexState.paletteCount = 3;

    tulxCmdDelete(NULL);
    EXPECT_TRUE(ovexState.paletteColors == NULL);
    EXPECT_EQ(0, ovexState.paletteCount);

    tulxFreePaletteColors();
    EXPECT_TRUE(ovexState.paletteColors == NULL);
    EXPECT_EQ(0, ovexState.paletteCount);
    ovexState.display = savedDisplay;
}
