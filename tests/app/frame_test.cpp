// Frame composition and the idle tick, read back from the headless screen.
#include <array>
#include <string>

#include <gtest/gtest.h>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "image/image.h"
#include "scene/scene.h"
#include "tests/app/world.h"

static bool Has(const std::string& part) { return HeadlessLastText().find(part) != std::string::npos; }

TEST(Frame, StatusLineLogoAndCursorLieOverThePanoramaInThatOrder) {
    std::vector<PackMember> world = BaseWorld();
    Put(world, "ZEMLOGO.BMP", OpaqueBmp(200, 465, LogoIndex, 1));  // at (439, 14), into the text
    StartWorld(world);
    MoveTo(560, 0);
    UpdateFrame();
    const uint8_t* screen = HeadlessScreen();
    EXPECT_EQ(ScreenAt(100, 300), PanoramaIndex);
    EXPECT_GT(CountInRect(screen, 0, 0, 439, 18, TextIndex), 0);
    EXPECT_GT(CountInRect(screen, 440, 0, 560, 14, TextIndex), 0);
    EXPECT_EQ(CountInRect(screen, 0, 0, 439, 18, 255), 0);  // transparent text background
    EXPECT_EQ(CountInRect(screen, 440, 14, 560, 18, TextIndex), 0);
    EXPECT_EQ(ScreenAt(450, 20), LogoIndex);
    EXPECT_NE(ScreenAt(439, 14), LogoIndex);
    EXPECT_EQ(ScreenAt(570, 20), CursorIndex);
    EXPECT_EQ(ScreenAt(570, 5), CursorIndex);
    EXPECT_EQ(HeadlessLastText(),
              "Location: hall   View: 640x480   00FPS   Pan: 0,67   Anim: 50ms   Gamma: 1.20");

    // Seven frames, the last at one second: 7 per second, measured from 0.
    for (int i = 0; i < 5; i++) UpdateFrame();
    HeadlessSetClock(1000);
    UpdateFrame();
    EXPECT_TRUE(Has("   07FPS   ")) << HeadlessLastText();
    // With a border the text stands on an opaque band; hidden, the top 20
    // rows are cleared.
    Send(WM_CHAR, ',');
    EXPECT_TRUE(Has("View: 624x468"));
    EXPECT_GT(CountInRect(HeadlessScreen(), 0, 0, 300, 18, 255), 1000);
    // Space shows at once, then runs a full frame update as well.
    int flips = HeadlessFlipCount();
    Send(WM_KEYDOWN, VK_SPACE);
    EXPECT_EQ(HeadlessFlipCount(), flips + 2);
    EXPECT_EQ(CountInRect(HeadlessScreen(), 0, 0, 300, 20, 0), 300 * 20);
    Send(WM_KEYDOWN, VK_SPACE);
    EXPECT_GT(CountInRect(HeadlessScreen(), 0, 0, 300, 18, TextIndex), 0);
    ShutdownApp();
}

static std::vector<uint8_t> Painted(std::vector<uint8_t> picture, std::initializer_list<std::array<int, 3>> frames) {
    for (const auto& f : frames)
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++)
                if (x || y) picture[(f[1] + y) * 640 + f[0] + x] = (uint8_t)f[2];
    return picture;
}

static bool ViewIs(const std::vector<uint8_t>& expected) {
    const uint8_t* pixels = CurrentLocation->view->picture->pixels;
    return std::vector<uint8_t>(pixels, pixels + 640 * 480) == expected;
}

TEST(Frame, SpritesStepOnTheTimerAndGiveTheirBackgroundBack) {
    std::vector<uint8_t> room(640 * 480);
    for (int i = 0; i < 640 * 480; i++) room[i] = (uint8_t)(10 + (i % 640 * 7 + i / 640 * 3) % 180);
    std::vector<PackMember> world = BaseWorld();
    Put(world, "ROOM.BMP", TestBmp(640, 480, room));
    // Two sprites whose first frames overlap.
    Put(world, "ANIM0000.BMP", OpaqueBmp(16, 16, 100, 2));
    Put(world, "ANIM0001.BMP", OpaqueBmp(16, 16, 101, 2));
    Put(world, "ANIMinfo.txt", Bytes(OffsetLine(100, 100) + OffsetLine(300, 200)));
    Put(world, "BOAT0000.BMP", OpaqueBmp(16, 16, 110, 2));
    Put(world, "BOAT0001.BMP", OpaqueBmp(16, 16, 111, 2));
    Put(world, "BOATinfo.txt", Bytes(OffsetLine(108, 108) + OffsetLine(400, 300)));
    Put(world, "game.txt", Bytes("location room\ncloseup ROOM.BMP\nsprite ANIM0000.BMP on\nsprite BOAT0000.BMP on\n"));
    StartWorld(world);
    ASSERT_TRUE(ViewIs(room));
    int flips = HeadlessFlipCount();
    HeadlessSetClock(49);
    IdleTick();
    EXPECT_EQ(HeadlessFlipCount(), flips);

    HeadlessSetClock(50);
    IdleTick();
    EXPECT_EQ(HeadlessFlipCount(), flips + 1);
    EXPECT_TRUE(ViewIs(Painted(room, {{300, 200, 101}, {400, 300, 111}})));
    EXPECT_EQ(ScreenAt(305, 205), 101);
    HeadlessSetClock(100);
    IdleTick();
    EXPECT_TRUE(ViewIs(Painted(room, {{100, 100, 100}, {108, 108, 110}})));
    EXPECT_EQ(ScreenAt(110, 110), 110);
    EXPECT_EQ(ScreenAt(305, 205), room[205 * 640 + 305]);
    // The overlapping pair comes out last first: nothing of either stays.
    HeadlessSetClock(150);
    IdleTick();
    EXPECT_TRUE(ViewIs(Painted(room, {{300, 200, 101}, {400, 300, 111}})));
    EXPECT_EQ(ScreenAt(110, 110), room[110 * 640 + 110]);
    ShutdownApp();
}

TEST(Frame, ShrinkAndGrowKeepBothBuffersClean) {
    StartWorld(BaseWorld());
    Send(WM_CHAR, ',');
    HeadlessSetClock(50);
    IdleTick();  // the request lasts until the next message
    EXPECT_EQ(LetterboxX, 16);
    Send(WM_KEYUP, VK_OEM_COMMA);
    HeadlessSetClock(100);
    IdleTick();
    EXPECT_EQ(LetterboxX, 16);

    for (int i = 0; i < 24; i++) Send(WM_CHAR, ',');
    EXPECT_EQ(LetterboxX, 200);
    EXPECT_EQ(LetterboxY, 150);
    EXPECT_TRUE(Has("View: 240x180"));
    EXPECT_EQ(CountInRect(HeadlessScreen(), 0, 20, 200, 480, 0), 200 * 460);
    EXPECT_EQ(CountInRect(HeadlessBackPixels(), 0, 20, 200, 480, 0), 200 * 460);
    EXPECT_EQ(ScreenAt(300, 200), PanoramaIndex);

    for (int i = 0; i < 25; i++) Send(WM_CHAR, '.');
    EXPECT_EQ(LetterboxY, 0);
    EXPECT_TRUE(Has("View: 640x480"));
    EXPECT_EQ(CountInRect(HeadlessScreen(), 0, 0, 640, 480, 0), 0);
    EXPECT_EQ(CountInRect(HeadlessBackPixels(), 0, 0, 640, 480, 0), 0);
    ShutdownApp();
}

TEST(Frame, EdgeScrollingByTheDepthIntoTheMargin) {
    StartWorld(BaseWorld());
    MoveTo(580, 240);
    IdleTick();
    IdleTick();
    EXPECT_EQ(PanX, 24);
    MoveTo(10, 240);
    IdleTick();
    EXPECT_EQ(PanX, 1024 - 6);  // wrapped by the renderer
    MoveTo(300, 20);
    IdleTick();
    EXPECT_EQ(PanY, 47);
    MoveTo(300, 200);
    int flips = HeadlessFlipCount();
    IdleTick();
    EXPECT_EQ(HeadlessFlipCount(), flips);
    ShutdownApp();
}

// Drawn after the item view and before the logo, whenever it is above the
// bottom edge: lowered (y 470) its top ten rows still show.
TEST(Frame, PdaPanelSlides) {
    std::vector<PackMember> world = BaseWorld();
    Put(world, "PDA.BMP", OpaqueBmp(200, 160, 80, 1));
    Put(world, "game.txt", Bytes("location hall\npanorama PANO.BMP\npda PDA.BMP\n"));
    StartWorld(world);
    ASSERT_NE(Pda, nullptr);
    Send(WM_RBUTTONDOWN, 0);
    for (int i = 0; i < 17; i++) IdleTick();
    EXPECT_EQ(Pda->y, 310);
    EXPECT_EQ(ScreenAt(300, 400), 80);
    Send(WM_RBUTTONDOWN, 0);
    for (int i = 0; i < 16; i++) IdleTick();
    EXPECT_EQ(Pda->y, 470);
    EXPECT_EQ(ScreenAt(300, 475), 80);
    EXPECT_EQ(ScreenAt(300, 400), PanoramaIndex);
    ShutdownApp();
}

// The flip swaps buffers; cursor-only updates must still show one cursor,
// also when the mouse moves before the first frame (the cursor's save-under
// picture then holds a cursor frame, not what lies under the cursor).
TEST(Frame, CursorOnlyUpdatesLeaveNoTrail) {
    StartWorld(BaseWorld());
    MoveTo(100, 100);
    EXPECT_EQ(CountInRect(HeadlessScreen(), 0, 0, 640, 480, CursorIndex), 32 * 32 - 1);
    UpdateFrame();
    for (int x = 100; x <= 400; x += 50) {
        MoveTo(x, 200);
        EXPECT_EQ(CountInRect(HeadlessScreen(), 0, 0, 640, 480, CursorIndex), 32 * 32 - 1) << x;
    }
    ShutdownApp();
}
