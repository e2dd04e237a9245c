// Keys, characters and mouse messages through the window procedure and the
// message loop.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "tests/app/world.h"

static void ClickAt(int32_t x, int32_t y) { Send(WM_LBUTTONDOWN, 0, MAKE_MOUSE_LPARAM(x, y)); }

TEST(Input, DraggingAndClamping) {
    StartWorld(BaseWorld());
    PanX = 100;
    HeadlessSetKeyState(VK_LBUTTON, 1);
    int flips = HeadlessFlipCount();
    MoveTo(330, 230);
    EXPECT_EQ(PanX, 90);
    EXPECT_EQ(PanY, 77);
    EXPECT_EQ(HeadlessFlipCount(), flips + 1);
    HeadlessSetKeyState(VK_LBUTTON, 0);
    MoveTo(639, 479);
    EXPECT_EQ(CursorX, 608);
    EXPECT_EQ(CursorY, 448);
    EXPECT_EQ(PanX, 90);
    ShutdownApp();
}

TEST(Input, SpeedAndGammaKeys) {
    StartWorld(BaseWorld());
    for (int expected : {45, 40, 36, 32, 28, 25, 22, 19, 17, 15, 13, 11, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0}) {
        Send(WM_KEYDOWN, VK_ADD);
        EXPECT_EQ(AnimInterval, expected);
    }
    for (int expected : {1, 2, 3}) {
        Send(WM_KEYDOWN, VK_SUBTRACT);
        EXPECT_EQ(AnimInterval, expected);
    }
    AnimInterval = 50;
    Send(WM_KEYDOWN, VK_SUBTRACT);
    Send(WM_KEYDOWN, VK_OEM_PLUS);  // the main keyboard's keys do nothing
    EXPECT_EQ(AnimInterval, 56);
    for (int i = 0; i < 300; i++) Send(WM_KEYDOWN, VK_SUBTRACT);
    EXPECT_EQ(AnimInterval, INT32_MAX);  // stops instead of overflowing

    std::vector<uint8_t> before(HeadlessPalette(), HeadlessPalette() + 1024);
    int flips = HeadlessFlipCount();
    for (double gamma : {1.08, 0.972, 0.8748, 0.78732, 0.708588, 0.6377292, 0.57395628, 0.516560652, 2.0, 1.8, 1.62}) {
        Send(WM_KEYDOWN, VK_F11);
        EXPECT_NEAR(Gamma, gamma, 1e-12);
    }
    EXPECT_EQ(HeadlessFlipCount(), flips);  // only the palette changes
    EXPECT_EQ(0, std::memcmp(HeadlessPalette(), CurrentPalette, 1024));
    EXPECT_LT(HeadlessPalette()[128 * 4], before[128 * 4]);  // darker at 1.62 than 1.2
    std::vector<std::string> log = HeadlessReleaseLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "palette"), 11);  // each replaced one
    ShutdownApp();
}

TEST(Input, TabShowsTheHotspotsWhileHeld) {
    StartWorld(BaseWorld());
    int flips = HeadlessFlipCount();
    Send(WM_KEYDOWN, VK_TAB, 1);
    EXPECT_EQ(HotspotsShown, 1);
    EXPECT_EQ(HeadlessFlipCount(), flips + 1);
    Send(WM_KEYDOWN, VK_TAB, 0x40000001);  // auto-repeat: nothing new to draw
    Send(WM_KEYUP, VK_SPACE, (intptr_t)0xC0000001u);
    EXPECT_EQ(HotspotsShown, 1);
    EXPECT_EQ(HeadlessFlipCount(), flips + 1);
    Send(WM_KEYUP, VK_TAB, (intptr_t)0xC0000001u);
    EXPECT_EQ(HotspotsShown, 0);
    EXPECT_EQ(HeadlessFlipCount(), flips + 2);
    Send(WM_KEYUP, VK_TAB, (intptr_t)0xC0000001u);
    EXPECT_EQ(HeadlessFlipCount(), flips + 2);
    ShutdownApp();
}

static uint8_t ViewAt(int32_t x, int32_t y) { return CurrentLocation->view->picture->pixels[y * 640 + x]; }

TEST(Input, StampClickTakesItOutAndPutsItBack) {
    std::vector<PackMember> world = BaseWorld();
    Put(world, "ROOM.BMP", TestBmp(640, 480, std::vector<uint8_t>(640 * 480, 20)));
    Put(world, "KEY.BMP", TestBmp(40, 30, std::vector<uint8_t>(40 * 30, StampIndex)));
    Put(world, "keysicon.bmp", OpaqueBmp(8, 8, 30, 1));
    Put(world, "ANIM0000.BMP", OpaqueBmp(16, 16, 100, 2));  // a sprite over the stamp
    Put(world, "ANIMinfo.txt", Bytes(OffsetLine(210, 160)));
    Put(world, "game.txt", Bytes("location room\ncloseup ROOM.BMP\nstamp KEY.BMP 200 150 40 30 NO.WAV keys0000.bmp\n"
                                 "sprite ANIM0000.BMP on\n"));
    StartWorld(world);
    Stamp* stamp = CurrentLocation->stamps;
    UpdateFrame();
    EXPECT_EQ(ViewAt(230, 170), StampIndex);
    EXPECT_EQ(ViewAt(215, 165), 100);

    MoveTo(204, 149);  // hot point (220, 165)
    ASSERT_EQ(StampUnderCursor, stamp);
    ClickAt(204, 149);
    EXPECT_EQ(stamp->icon->x, 0);
    EXPECT_EQ(ItemViewActive, 1);
    EXPECT_EQ(ViewAt(230, 170), 20);
    MoveTo(400, 300);
    UpdateFrame();
    EXPECT_EQ(ScreenAt(230, 170), 20);
    EXPECT_EQ(ScreenAt(215, 165), 100);
    // Once the sprite moves on, no stamp pixel comes back from under it.
    CurrentLocation->sprites->sprite->current->x = 400;
    UpdateFrame();
    EXPECT_EQ(ScreenAt(215, 165), 20);

    ClickAt(204, 149);  // only closes the item view
    EXPECT_EQ(ItemViewActive, 0);
    EXPECT_EQ(ViewAt(230, 170), 20);
    ClickAt(204, 149);
    EXPECT_EQ(stamp->icon->x, -1);
    EXPECT_EQ(ViewAt(215, 165), StampIndex);
    ShutdownApp();
    EXPECT_EQ(LiveBlocks, 0);
}

TEST(Input, EscapeF12CloseAndExitDoorsEndWithCodeZero) {
    for (uintptr_t key : {(uintptr_t)VK_ESCAPE, (uintptr_t)VK_F12, (uintptr_t)0}) {
        FreshWorld(BaseWorld());
        if (key)
            HeadlessPushMessage(WM_KEYDOWN, key, 0);
        else
            HeadlessPushMessage(WM_CLOSE, 0, 0);  // what the desktop sends
        HeadlessPushMouse(WM_MOUSEMOVE, 200, 100);
        EXPECT_EQ(RunMessageLoop(), 0);
        EXPECT_EQ(HeadlessWindowAlive(), 0);
        EXPECT_EQ(LiveBlocks, 0);
    }
    for (const char* target : {"EXIT", "exit", "Exit"}) {
        std::vector<PackMember> world = BaseWorld();
        Put(world, "game.txt", Bytes(std::string("location hall\npanorama PANO.BMP\ndoor ") + target + " 0 0 2000 900\n"));
        FreshWorld(world);
        HeadlessPushMouse(WM_MOUSEMOVE, 150, 150);
        HeadlessPushMouse(WM_LBUTTONDOWN, 150, 150);
        EXPECT_EQ(RunMessageLoop(), 0) << target;
        EXPECT_EQ(HeadlessWindowAlive(), 0);
        EXPECT_EQ(LiveBlocks, 0);
        EXPECT_EQ(HeadlessMessageBoxCount(), 0);
    }
}
