// Start-up, shutdown and present against the headless platform.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "sound/sound.h"
#include "tests/app/world.h"

// One message with the step and the last recorded result, shown after the
// display mode was given back; the window is gone and nothing is left.
// The box, and the same text on the console first; reason: the console's
// next line, where the step gives one.
static void ExpectFailure(const std::string& text, const std::string& reason = "") {
    EXPECT_EQ(InitApp(), 0);
    EXPECT_EQ(HeadlessMessageBoxCount(), 1);
    EXPECT_EQ(HeadlessMessageBoxText(), text);
    EXPECT_EQ(HeadlessConsoleText(), text + "\n" + (reason.empty() ? "" : reason + "\n"));
    EXPECT_EQ(HeadlessMessageBoxCaption(), "zemVR");
    EXPECT_EQ(HeadlessMessageBoxDuringMode(), 0);
    EXPECT_EQ(HeadlessWindowAlive(), 0);
    EXPECT_EQ(LiveBlocks, 0);
    EXPECT_EQ(LiveBytes, 0);
}

TEST(Startup, EachFailedStepNamesItselfAndTheLastResult) {
    const struct { HeadlessOp op; int32_t code; std::string text; } platform[] = {
        {HOP_DISPLAY_CREATE, DDERR_GENERIC, "Failed DirectDrawCreate"},
        {HOP_SET_COOPERATIVE_LEVEL, DDERR_INVALIDPARAMS, "Failed SetCooperativeLevel"},
        {HOP_SET_DISPLAY_MODE, DDERR_GENERIC, "Failed SetDisplayMode"},
        {HOP_CREATE_SURFACE, DDERR_OUTOFMEMORY, "Failed CreateSurface"},
        {HOP_GET_ATTACHED_SURFACE, DDERR_GENERIC, "Failed GetAttachedSurface"},
        {HOP_CREATE_PALETTE, DDERR_OUTOFMEMORY, "Failed CreatePalette"},
        {HOP_SET_PALETTE, DDERR_INVALIDPARAMS, "Failed SetPalette"},
        {HOP_FONT_CREATE, DDERR_GENERIC, "Failed initFont"}};
    for (const auto& c : platform) {
        SCOPED_TRACE(c.text);
        FreshWorld(BaseWorld());
        HeadlessFail(c.op, c.code, -1);
        ExpectFailure(c.text + " " + std::to_string(c.op == HOP_FONT_CREATE ? 0 : c.code));
    }
    const struct { const char* missing; const char* text; } files[] = {
        {"ZEMLOGO.BMP", "Failed zemLoadBMP logo 0"}, {"BATBICON.BMP", "Failed zemLoadBMP item 0"},
        {"game.txt", "Failed Tesrin 0"},             {"PANO.BMP", "Failed zemRefreshLoc 0"},
        {"CURS0000.BMP", "Failed zemLoadSprite cursor 0"},
        {"CURS0003.BMP", "Failed zemLoadSprite cursor 0"}};  // three frames are too few
    for (const auto& c : files) {
        SCOPED_TRACE(c.missing);
        std::vector<PackMember> world = BaseWorld();
        Remove(world, c.missing);
        FreshWorld(world);
        ExpectFailure(c.text);
    }
    // Without a sound device the program starts silent, but the device's
    // result is the last one recorded before the logo.
    FreshWorld(BaseWorld());
    HeadlessFail(HOP_SOUND_CREATE, DSERR_NODRIVER, -1);
    ASSERT_EQ(InitApp(), 1);
    EXPECT_EQ(SoundObject, nullptr);
    ShutdownApp();
    std::vector<PackMember> world = BaseWorld();
    Remove(world, "ZEMLOGO.BMP");
    FreshWorld(world);
    HeadlessFail(HOP_SOUND_CREATE, DSERR_NODRIVER, -1);
    ExpectFailure("Failed zemLoadBMP logo " + std::to_string(DSERR_NODRIVER));
    // The back buffer's record is the first tracked block start-up takes.
    FreshWorld(BaseWorld());
    TrackedFailAt(1);
    ExpectFailure("Failed TrackedAlloc BackBuffer 0");
    // No window: no message, but still a failure to whoever started it.
    FreshWorld(BaseWorld());
    HeadlessFail(HOP_WINDOW_CREATE, DDERR_GENERIC, -1);
    EXPECT_EQ(RunMessageLoop(), 1);
    EXPECT_EQ(HeadlessMessageBoxCount(), 0);
    // A failed step after its message ends the program with status 1 too.
    FreshWorld(BaseWorld());
    HeadlessFail(HOP_FONT_CREATE, DDERR_GENERIC, -1);
    EXPECT_EQ(RunMessageLoop(), 1);
    EXPECT_EQ(HeadlessMessageBoxText(), "Failed initFont 0");
}

static std::string Cwd() {
    char now[4096];
    return getcwd(now, sizeof now) ? now : "";
}

// Runs `body` in a fresh temporary directory and comes back.
template <class Body> static void InTempDir(Body body) {
    char dir[] = "/tmp/zemapp-XXXXXX";
    std::string previous = Cwd();
    ASSERT_NE(mkdtemp(dir), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    body(Cwd());
    EXPECT_EQ(chdir(previous.c_str()), 0);
    EXPECT_EQ(system((std::string("rm -rf ") + dir).c_str()), 0);
}

TEST(Startup, DataSource) {
    FreshProgram();
    if (UseArchive) {
        InTempDir([](const std::string&) {
            ExpectFailure("Failed FastFileInit data.zem 0", "cannot play data.zem: there is no such file");
        });
        // A directory out of order is a damaged archive, found at once
        // rather than as a missing cursor later. A world named on the
        // command line is named in the message.
        InTempDir([](const std::string&) {
            std::vector<uint8_t> archive = BuildArchive(BaseWorld());
            std::swap_ranges(archive.begin() + 8, archive.begin() + 21, archive.begin() + 8 + 17 * 3);
            std::string error;
            ASSERT_TRUE(PackWriteFile("data.zem", archive, &error));
            ASSERT_TRUE(PackWriteFile("broken.zem", archive, &error));
            const char* why = "name out of order (sorts before the entry before it)";
            FreshProgram();
            ExpectFailure("Failed FastFileInit data.zem 0", std::string("cannot play data.zem: ") + why);
            FreshProgram();
            ArchivePath = "broken.zem";
            ExpectFailure("Failed FastFileInit broken.zem 0", std::string("cannot play broken.zem: ") + why);
            ArchivePath = nullptr;
        });
        return;
    }
    InTempDir([](const std::string&) { ExpectFailure("Failed chdir to data directory 0"); });
    // Plain files: shutdown leaves "data" once, however often it runs.
    InTempDir([](const std::string& top) {
        ASSERT_EQ(mkdir("data", 0700), 0);
        std::string error;
        for (const PackMember& m : BaseWorld()) ASSERT_TRUE(PackWriteFile("data/" + m.name, m.data, &error));
        FreshProgram();
        ASSERT_EQ(InitApp(), 1) << HeadlessMessageBoxText();
        EXPECT_EQ(Cwd(), top + "/data");
        ShutdownApp();
        ShutdownApp();
        EXPECT_EQ(Cwd(), top);
    });
}

TEST(Startup, ReadyThenShutdownReleasesEverythingOnce) {
    StartWorld(BaseWorld());
    EXPECT_STREQ(CurrentLocation->name, "hall");
    EXPECT_EQ(PanY, 67);
    EXPECT_EQ(Logo->x, 539);
    EXPECT_EQ(Logo->y, 439);
    EXPECT_EQ(Cursor->first->x, 320);
    EXPECT_EQ(BackBuffer->height, 480);
    EXPECT_EQ(HeadlessFlipCount(), 1);
    EXPECT_EQ(CountInRect(HeadlessScreen(), 0, 0, 640, 480, 0), 640 * 480);

    ShutdownApp();
    const std::vector<std::string> released = {"sound", "surface", "palette", "display", "font"};
    EXPECT_EQ(HeadlessReleaseLog(), released);
    EXPECT_EQ(HeadlessDisplayModeSet(), 0);
    EXPECT_EQ(LiveBlocks, 0);
    ShutdownApp();
    EXPECT_EQ(HeadlessReleaseLog(), released);
    EXPECT_EQ(LiveBlocks, 0);
}

TEST(Present, LostSurfaceStillDrawingAndFailedRestore) {
    StartWorld(BaseWorld());
    int flips = HeadlessFlipCount(), calls = HeadlessCallCount(HOP_FLIP);
    HeadlessFail(HOP_FLIP, DDERR_SURFACELOST, 1);
    PresentFrame();
    EXPECT_EQ(HeadlessCallCount(HOP_FLIP), calls + 2);
    EXPECT_EQ(HeadlessFlipCount(), ++flips);
    EXPECT_EQ(LastResult, 0);

    HeadlessFail(HOP_FLIP, DDERR_SURFACELOST, 1);
    HeadlessFail(HOP_RESTORE, DDERR_GENERIC, 1);
    PresentFrame();
    EXPECT_EQ(HeadlessFlipCount(), flips);
    EXPECT_EQ(LastResult, DDERR_GENERIC);

    HeadlessFail(HOP_FLIP, DDERR_WASSTILLDRAWING, 3);
    PresentFrame();
    EXPECT_EQ(HeadlessFlipCount(), ++flips);
    calls = HeadlessCallCount(HOP_FLIP);
    HeadlessFail(HOP_FLIP, DDERR_GENERIC, -1);
    PresentFrame();  // bounded: a hundred attempts, then the frame is dropped
    EXPECT_EQ(HeadlessCallCount(HOP_FLIP), calls + 100);
    EXPECT_EQ(HeadlessFlipCount(), flips);
    EXPECT_EQ(HeadlessMessageBoxCount(), 0);
    ShutdownApp();
}
