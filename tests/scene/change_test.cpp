// Location changes through doors and with Enter: the transition frames, their
// pacing, palette and placement, the target look-up and the arrival pan.
#include <fstream>

#include "tests/scene/change_world.h"

namespace {

class ChangeTest : public ::testing::Test {
protected:
    World world;
    int flips = 0, attaches = 0;

    void TearDown() override { StopProgram(); }
    void Start(const std::string& script = WorldScript, bool silent = false) {
        ASSERT_TRUE(world.Start(script, silent));
        flips = HeadlessFlipCount();
        attaches = HeadlessPaletteAttachCount();
    }
    // Starts with hall1's door changed by replacing `what`.
    void StartWith(const char* what, const std::string& by) {
        std::string script = WorldScript;
        script.replace(script.find(what), std::strlen(what), by);
        Start(script);
    }
    Door* HallDoor() { return FindLoc("hall1")->doors; }
};

// Screen pixels inside the rectangle equal inside, all others (but the logo's
// pixel) outside.
int ScreenMismatches(int32_t x, int32_t y, int32_t w, int32_t h, uint8_t inside, uint8_t outside) {
    const uint8_t* screen = HeadlessScreen();
    int bad = 0;
    for (int32_t row = 0; row < 480; row++)
        for (int32_t col = 0; col < 640; col++) {
            if (col == LogoPixelX && row == LogoPixelY) continue;
            bool in = col >= x && col < x + w && row >= y && row < y + h;
            bad += screen[row * 640 + col] != (in ? inside : outside);
        }
    return bad;
}

TEST_F(ChangeTest, TwelveFramesPacedAndShownInTheFirstFramesColours) {
    for (int i = 1; i <= 12; i++)
        world.Add(Numbered("t", i), Picture(320, 240, 1, i == 1 ? 0x00FF0000 : 0x0000FF00));
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
    EXPECT_EQ(PanX * 100 + PanY, 10020);
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
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
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
    const World plain = world;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.transition);
        world = plain;
        for (const char* f : c.files) world.Add(f, Picture(16, 16, 1));
        StartWith("t0001.bmp", c.transition);
        zemChangeLoc(HallDoor());
        EXPECT_EQ(HeadlessFlipCount() - flips, c.frames);
        EXPECT_EQ(HeadlessPaletteAttachCount() - attaches, c.frames ? 1 : 0);
        EXPECT_EQ(CurrentLocation, FindLoc("hall2"));
        StopProgram();
    }
}

// Frame numbers whose digits would run past the 32-byte name end the
// transition. Names that long exist only as plain files (here in the working
// directory, where the rest of the world is missing and skipped).
TEST_F(ChangeTest, NumberThatDoesNotFitTheNameEndsTheTransition) {
    Start();
    const std::string first = std::string(23, 'a') + "9998.bmp";  // 31 characters
    const std::vector<uint8_t> frame = Picture(16, 16, 1);
    for (const char* number : {"9998", "9999"})
        std::ofstream(std::string(23, 'a') + number + ".bmp", std::ios::binary)
            .write((const char*)frame.data(), (std::streamsize)frame.size());
    std::memcpy(HallDoor()->transition, first.c_str(), first.size() + 1);
    UseArchive = 0;
    zemChangeLoc(HallDoor());
    UseArchive = 1;
    for (const char* number : {"9998", "9999"}) std::remove((std::string(23, 'a') + number + ".bmp").c_str());
    EXPECT_EQ(HeadlessFlipCount() - flips, 2);
    EXPECT_EQ(CurrentLocation, FindLoc("hall2"));
    EXPECT_EQ(HallDoor()->transition, first);
}

TEST_F(ChangeTest, TargetByExactNameElseFirstLocationAndEnterKeepsThePan) {
    StartWith("door hall2", "door HALL2");
    zemChangeLoc(HallDoor());
    EXPECT_EQ(CurrentLocation, Locations);
    EXPECT_EQ(PanX, 100);

    // A door line without arrival values arrives with the start-up pan.
    zemChangeLoc(FindLoc("cellar")->doors);
    EXPECT_EQ(CurrentLocation, FindLoc("cellar"));
    EXPECT_EQ(PanX * 100 + PanY, 67);

    // Enter: on from the last location to the first, the pan kept.
    PanX = 1234;
    PanY = -7;
    zemChangeLoc(nullptr);
    EXPECT_EQ(CurrentLocation, Locations);
    EXPECT_EQ(FindLoc("cellar")->view->picture, nullptr);
    int32_t blocks = LiveBlocks;
    flips = HeadlessFlipCount();
    zemChangeLoc(nullptr);
    EXPECT_EQ(CurrentLocation, FindLoc("hall2"));
    zemChangeLoc(nullptr);
    zemChangeLoc(nullptr);
    EXPECT_EQ(CurrentLocation, Locations);
    EXPECT_EQ(PanX * 100 + PanY, 123393);
    EXPECT_EQ(HeadlessFlipCount(), flips);
    EXPECT_EQ(PalettePending, 1);
    EXPECT_EQ(LiveBlocks, blocks);
}

TEST_F(ChangeTest, DoorToItsOwnLocationKeepsTakenStampsTaken) {
    StartWith("door hall2", "door hall1");
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
    ShutdownApp();
    EXPECT_EQ(LiveBlocks, 0);  // the node goes with the program
}

TEST_F(ChangeTest, WithoutSoundDeviceDoorsAndItemViewsAreSilent) {
    world.Add("t0001.bmp", Picture(16, 16, 1));
    Start(WorldScript, true);
    ASSERT_EQ(SoundObject, nullptr);
    Stamp* keys = Locations->stamps;
    zemItemView(keys, 2);
    ASSERT_NE(keys->itemPicture, nullptr);
    EXPECT_EQ(keys->itemPicture->width, FrameWidth(2));
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
