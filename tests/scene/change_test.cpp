// Location changes through doors and with Enter: the transition frames, their
// pacing, palette and placement, the target look-up and the arrival pan.
#include <unistd.h>

#include <cstdio>

#include "image/image.h"
#include "tests/scene/change_world.h"

namespace {

const char* const Script =
    "location hall1\n"
    "closeup HALL1.BMP\n"
    "stamp KEYS.BMP 10 10 20 20 pick.wav keys0000.bmp\n"
    "door hall2 0 0 50 50 door.wav t0001.bmp 100 20\n"
    "location hall2\n"
    "closeup HALL2.BMP\n"
    "location cellar\n"
    "closeup CELLAR.BMP\n"
    "door cellar 0 0 9 9\n";

class ChangeTest : public ::testing::Test {
protected:
    World world;
    int flips = 0, attaches = 0;

    void SetUp() override {
        world.Add("HALL1.BMP", Picture(64, 48, 3));
        world.Add("HALL2.BMP", Picture(64, 48, 4, 0x000000FF));
        world.Add("CELLAR.BMP", Picture(64, 48, 5));
        world.Add("KEYS.BMP", Picture(20, 20, 9));
        world.Add("KEYSICON.BMP", Picture(4, 4, 2));
        world.Add("DOOR.WAV", Sound(64, 0x70));
    }
    void TearDown() override { StopProgram(); }

    // Starts the world with the door's transition name replaced.
    void Start(const char* transition = "t0001.bmp", bool silent = false) {
        std::string script = Script;
        script.replace(script.find("t0001.bmp"), 9, transition);
        ASSERT_TRUE(world.Start(script, silent));
        flips = HeadlessFlipCount();
        attaches = HeadlessPaletteAttachCount();
    }
    Door* HallDoor() { return FindLoc("hall1")->doors; }
};

TEST_F(ChangeTest, TwelveFramesPacedAndShownInTheFirstFramesColours) {
    for (int i = 1; i <= 12; i++) {
        char name[16];
        std::snprintf(name, sizeof name, "t%04d.bmp", i);
        world.Add(name, Picture(320, 240, 1, i == 1 ? 0x00FF0000 : 0x0000FF00));
    }
    Start();
    uint32_t start = HeadlessClock();
    zemChangeLoc(HallDoor());

    EXPECT_EQ(HeadlessFlipCount() - flips, 12);
    EXPECT_EQ(HeadlessPaletteAttachCount() - attaches, 1);
    EXPECT_GE(LastAnimTime - start, 12u * 50);
    ASSERT_NE(HeadlessPalette(), nullptr);
    EXPECT_EQ(HeadlessPalette()[4], 254);  // entry 1 of the first frame, gamma 1.2
    EXPECT_EQ(HeadlessPalette()[5], 0);

    EXPECT_EQ(CurrentLocation, FindLoc("hall2"));
    EXPECT_EQ(PanX, 100);
    EXPECT_EQ(PanY, 20);
    EXPECT_EQ(HallDoor()->transitionPicture, nullptr);
    EXPECT_EQ(HeadlessPlayedCount(), 1);
    // The new location's palette comes with the next frame.
    EXPECT_EQ(PalettePending, 1);
    PresentFrame();
    EXPECT_EQ(HeadlessPalette()[4 * 4 + 2], 254);  // HALL2 entry 4 is blue
}

TEST_F(ChangeTest, FramesLandWhereTheirSizeSays) {
    const struct {
        int32_t width, height;
        int32_t x, y, w, h;  // where it lands; w 0: not drawn
    } cases[] = {
        {480, 360, 80, 60, 480, 360}, {320, 240, 0, 0, 640, 480}, {200, 100, 120, 140, 400, 200},
        {1, 1, 319, 239, 2, 2},       {400, 100, 0, 0, 0, 0},     {100, 241, 0, 0, 0, 0},
        {480, 500, 0, 0, 0, 0},
    };
    World plain = world;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        world = plain;
        world.Add("t0001.bmp", Picture(c.width, c.height, 1));
        Start();
        zemChangeLoc(HallDoor());
        EXPECT_EQ(HeadlessFlipCount() - flips, 1);
        EXPECT_EQ(ScreenMismatches(c.x, c.y, c.w, c.h, 1, 0), 0);
        // The logo is drawn over every frame, in the frame's colours.
        uint8_t logo = HeadlessScreen()[LogoPixelY * 640 + LogoPixelX];
        EXPECT_TRUE(logo >= 10 && logo <= 209) << (int)logo;
        StopProgram();
    }
}

TEST_F(ChangeTest, NumberingStartsAtTheNamedFrameAndNeedsItsDigits) {
    const struct {
        const char* transition;
        std::vector<const char*> files;
        int frames;
    } cases[] = {
        {"t0005.bmp", {"t0001.bmp", "t0005.bmp", "t0006.bmp", "t0008.bmp"}, 2},
        {"ab.bmp", {"ab.bmp", "ab0001.bmp"}, 1},
        {"noext.BMP", {"noext.BMP", "noex0001.BMP"}, 1},
        {"none.bmp", {}, 0},
    };
    World plain = world;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.transition);
        world = plain;
        for (const char* f : c.files) world.Add(f, Picture(16, 16, 1));
        Start(c.transition);
        zemChangeLoc(HallDoor());
        EXPECT_EQ(HeadlessFlipCount() - flips, c.frames);
        EXPECT_EQ(HeadlessPaletteAttachCount() - attaches, c.frames ? 1 : 0);
        EXPECT_EQ(CurrentLocation, FindLoc("hall2"));
        StopProgram();
    }
}

// Frame numbers whose digits would run past the 32-byte name end the
// transition. Names that long exist only as plain files.
TEST_F(ChangeTest, NumberThatDoesNotFitTheNameEndsTheTransition) {
    const std::string stem(23, 'a');
    const std::string first = stem + "9998.bmp";  // 31 characters
    world.Add("t0001.bmp", Picture(16, 16, 1));
    Start();
    char dir[] = "/tmp/zemchangeXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {first, Picture(16, 16, 1)},        {stem + "9999.bmp", Picture(16, 16, 1)},
        {"HALL2.BMP", Picture(64, 48, 4)}, {"ZEMLOGO.BMP", world.members[0].data}};
    for (const auto& f : files) {
        FILE* out = std::fopen((std::string(dir) + "/" + f.first).c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fwrite(f.second.data(), 1, f.second.size(), out);
        std::fclose(out);
    }
    Door* door = HallDoor();
    std::memcpy(door->transition, first.c_str(), first.size() + 1);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    UseArchive = 0;
    zemChangeLoc(door);
    UseArchive = 1;
    ASSERT_EQ(chdir(here), 0);
    EXPECT_EQ(HeadlessFlipCount() - flips, 2);
    EXPECT_EQ(CurrentLocation, FindLoc("hall2"));
    EXPECT_EQ(door->transition, first);
    for (const auto& f : files) std::remove((std::string(dir) + "/" + f.first).c_str());
    rmdir(dir);
}

TEST_F(ChangeTest, TargetByExactNameElseFirstLocationAndEnterKeepsThePan) {
    std::string script = Script;
    script.replace(script.find("door hall2"), 10, "door HALL2");
    ASSERT_TRUE(world.Start(script));
    zemChangeLoc(HallDoor());
    EXPECT_EQ(CurrentLocation, Locations);
    EXPECT_EQ(PanX, 100);

    // A door line without arrival values arrives with the start-up pan.
    zemChangeLoc(LastLoc()->doors);
    EXPECT_EQ(CurrentLocation, LastLoc());
    EXPECT_EQ(PanX, 0);
    EXPECT_EQ(PanY, 67);

    PanX = 1234;
    PanY = -7;
    int32_t blocks = LiveBlocks;
    flips = HeadlessFlipCount();
    zemChangeLoc(nullptr);
    EXPECT_EQ(CurrentLocation, Locations);
    zemChangeLoc(nullptr);
    EXPECT_EQ(CurrentLocation, FindLoc("hall2"));
    EXPECT_EQ(PanX, 1234);
    EXPECT_EQ(PanY, -7);
    EXPECT_EQ(HeadlessFlipCount(), flips);
    EXPECT_EQ(PalettePending, 1);
    EXPECT_EQ(LiveBlocks, blocks);
    EXPECT_EQ(Locations->view->picture, nullptr);
}

TEST_F(ChangeTest, DoorToItsOwnLocationKeepsTakenStampsTaken) {
    std::string script = Script;
    script.replace(script.find("door hall2"), 10, "door hall1");
    ASSERT_TRUE(world.Start(script));
    Location* hall = FindLoc("hall1");
    Stamp* stamp = hall->stamps;
    ASSERT_NE(stamp->icon, nullptr);
    Image* view = hall->view->picture;
    EXPECT_EQ(view->pixels[15 * view->pitch + 15], 9);  // painted in
    // Taken as a click takes it.
    BlitImage(view, stamp->swapPicture, nullptr);
    std::swap(stamp->picture, stamp->swapPicture);
    stamp->icon->x = 0;
    int32_t blocks = LiveBlocks;

    zemChangeLoc(hall->doors);
    EXPECT_EQ(CurrentLocation, hall);
    EXPECT_EQ(stamp->icon->x, 0);
    view = hall->view->picture;
    EXPECT_EQ(view->pixels[15 * view->pitch + 15], 3);  // not painted again
    EXPECT_EQ(PanX, 100);
    EXPECT_EQ(LiveBlocks, blocks + 1);  // the sound list's first node
}

TEST_F(ChangeTest, WithoutSoundDeviceDoorsAreSilent) {
    world.Add("t0001.bmp", Picture(16, 16, 1));
    Start("t0001.bmp", true);
    ASSERT_EQ(SoundObject, nullptr);
    zemChangeLoc(HallDoor());
    EXPECT_EQ(CurrentLocation, FindLoc("hall2"));
    EXPECT_EQ(HeadlessFlipCount() - flips, 1);
    EXPECT_EQ(HeadlessPlayedCount(), 0);
    EXPECT_EQ(HeadlessMessageBoxCount(), 0);
}

TEST_F(ChangeTest, ReplacedPaletteObjectsAreReleased) {
    world.Add("t0001.bmp", Picture(16, 16, 1));
    Start();
    for (int i = 0; i < 20; i++) {
        zemChangeLoc(HallDoor());  // first frame and finish: two
        zemChangeLoc(nullptr);
        zemChangeLoc(nullptr);
    }
    int released = 0;
    for (const std::string& what : HeadlessReleaseLog()) released += what == "palette";
    EXPECT_EQ(released, 20 * 4);
}

// Nothing of the program there, or no logo: the change goes as far as it can.
TEST_F(ChangeTest, MissingPiecesAreSkipped) {
    FreshProgram();
    Door door = {};
    std::strcpy(door.transition, "t0001.bmp");
    door.arrivalPanX = 9;
    zemChangeLoc(&door);
    zemChangeLoc(nullptr);
    EXPECT_EQ(CurrentLocation, nullptr);
    EXPECT_EQ(PanX, 9);

    world.Add("t0001.bmp", Picture(320, 240, 1));
    Start();
    FreeImageList(&Logo);
    zemChangeLoc(HallDoor());
    EXPECT_EQ(HeadlessFlipCount() - flips, 1);
    EXPECT_EQ(ScreenMismatches(0, 0, 640, 480, 1, 1), 0);
    EXPECT_EQ(Logo, nullptr);
}

}  // namespace
