// Each subsystem resets its own state, and ResetGlobals calls every reset:
// after a session's worth of changes everything is back at its start value.
#include <gtest/gtest.h>

#include "app/app.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "sound/sound.h"
#include "tests/support/support.h"

TEST(State, ResetGlobalsBringsEverySubsystemBack) {
    FreshProgram();
    static Location location;
    PanX = 99;
    PanY = 5;
    CursorX = 1;
    LetterboxX = 40;
    AnimInterval = 10;
    StatusShown = 0;
    FrameCount = 7;
    LastResult = -1;
    Gamma = 0.5;
    RemapTable[3] = 9;
    LiveBlocks = 4;
    CurrentLocation = &location;
    HotspotsShown = 1;
    SoundObject = (BkSoundDevice*)&location;
    RedrawRequested = 1;
    ShrinkRequested = 1;
    MessageText[0] = 'x';

    ResetGlobals();
    EXPECT_EQ(PanX, 0);
    EXPECT_EQ(PanY, 67);  // the horizon of a 512-row panorama
    EXPECT_EQ(CursorX, 320);
    EXPECT_EQ(LetterboxX, 0);
    EXPECT_EQ(AnimInterval, 50);
    EXPECT_EQ(StatusShown, 1);
    EXPECT_EQ(FrameCount, 0u);
    EXPECT_EQ(LastResult, 0);
    EXPECT_DOUBLE_EQ(Gamma, 1.2);
    EXPECT_EQ(RemapTable[3], 3);
    EXPECT_EQ(LiveBlocks, 0);
    EXPECT_EQ(CurrentLocation, nullptr);
    EXPECT_EQ(HotspotsShown, 0);
    EXPECT_EQ(SoundObject, nullptr);
    EXPECT_EQ(RedrawRequested, 0);
    EXPECT_EQ(ShrinkRequested, 0);
    EXPECT_EQ(MessageText[0], 0);
}
