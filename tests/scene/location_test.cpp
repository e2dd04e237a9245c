// Entering and releasing locations: placement of the view, stamps and PDA
// picture, the icons and the taken state, painting, and the tracked blocks.
#include "tests/scene/change_world.h"

namespace {

const int32_t Round = 2048, RoundRows = 64;

std::vector<uint8_t> Pattern(int32_t w, int32_t h, int base) {
    std::vector<uint8_t> p((size_t)w * h);
    for (size_t i = 0; i < p.size(); i++) p[i] = (uint8_t)(base + i % 90);
    return p;
}

// All `index` but the transparent top-left pixel of an encoded load.
std::vector<uint8_t> Opaque(int32_t w, int32_t h, uint8_t index) {
    std::vector<uint8_t> p((size_t)w * h, index);
    p[0] = 0;
    return p;
}

class LocationTest : public ::testing::Test {
protected:
    std::vector<uint8_t> backPixels = std::vector<uint8_t>(640 * 480);
    Image back{};
    int32_t before = 0;

    void SetUp() override {
        FreshProgram();
        back.pixels = backPixels.data();
        back.width = back.pitch = 640;
        back.height = 480;
        BackBuffer = &back;  // the scratch block of encoded loads
        std::vector<uint8_t> tiny = MakeFilledBmp(4, 4, 9);
        ASSERT_TRUE(InstallArchive({
            {"game.txt", Bytes("location hall\ncloseup HALL.BMP\n"
                               "stamp KEY.BMP 10 20 8 6 ding.wav keys0000.bmp\n"
                               "stamp CUP.BMP 30 40 4 4 x.wav CUP0000.BMP\n"
                               "stamp MUG.BMP 50 60 4 4 x.wav abc.bmp\n"
                               "sprite FIRE0000.BMP on\npda PDA.BMP\n"
                               "location round\npanorama ROUND.BMP\n"
                               "stamp POST.BMP 100 50 40 8 s.wav post0000.bmpzz\npda PDA2.BMP\n"
                               "location full\ncloseup FULL.BMP\n"
                               "location bare\nstamp KEY.BMP 1 1 8 6 s.wav\nsprite FIRE0000.BMP\n")},
            {"HALL.BMP", MakeFilledBmp(400, 300, 7)},
            {"FULL.BMP", MakeFilledBmp(640, 480, 7)},
            {"ROUND.BMP", MakeFilledBmp(Round, RoundRows, 3)},
            {"KEY.BMP", MakeSimpleBmp(8, 6, Pattern(8, 6, 100))},
            {"POST.BMP", MakeSimpleBmp(40, 8, Pattern(40, 8, 100))},
            {"CUP.BMP", tiny},
            {"MUG.BMP", tiny},
            {"keysicon.bmp", tiny},
            {"posticon.bmp", tiny},
            {"CUPicon.BMP", tiny},
            {"icon.bmp", tiny},
            {"FIRE0000.BMP", tiny},
            {"FIRE0001.BMP", tiny},
            {"PDA.BMP", MakeSimpleBmp(200, 20, Opaque(200, 20, 5))},
            {"PDA2.BMP", MakeSimpleBmp(100, 10, Opaque(100, 10, 6))},
        }));
        before = LiveBlocks;
        ASSERT_EQ(zemLoadScript("game.txt", &Locations), 1);
    }
    void TearDown() override {
        zemFreeLocations(&Locations);
        FreeImageList(&Pda);
        EXPECT_EQ(LiveBlocks, before);
        ArchiveRelease();
    }
    int Enter(const char* name) {
        zemFreeLocPictures(CurrentLocation);
        CurrentLocation = FindLoc(name);
        return zemRefreshLoc(CurrentLocation);
    }
    // View-picture pixel of the panorama at picture column c, row r.
    uint8_t RoundAt(int32_t c, int32_t r) {
        return FindLoc("round")->view->picture->pixels[(size_t)(Round - 1 - c) * RoundRows + r];
    }
};

TEST_F(LocationTest, CloseupEntry) {
    Stamp dummy{};
    StampUnderCursor = &dummy;
    DoorUnderCursor = (Door*)&dummy;
    SpriteUnderCursor = (SpriteRef*)&dummy;
    ASSERT_EQ(Enter("hall"), 1);
    Image* view = FindLoc("hall")->view->picture;
    EXPECT_EQ(view->x * 1000 + view->y, 120090);
    EXPECT_EQ(CurrentPalette[4 * 255], 254);  // grey 255 through gamma 1.2
    EXPECT_EQ(ClearRequested, 1);
    EXPECT_TRUE(!StampUnderCursor && !DoorUnderCursor && !SpriteUnderCursor);
    Sprite* fire = FindLoc("hall")->sprites->sprite;
    ASSERT_TRUE(fire);
    EXPECT_EQ(fire->count * 1000000 + fire->viewHeight * 1000 + fire->viewWidth, 2300400);
    EXPECT_EQ(fire->columnMajor * 10 + fire->first->encoded, 1);
    // The key is painted at its place; the cup (item view in capitals) and
    // the mug (too short a name) get no icon and are loaded but not painted.
    Stamp* key = FindLoc("hall")->stamps;
    EXPECT_EQ(key->swapPicture->x * 1000 + key->swapPicture->y, 10020);
    EXPECT_EQ(view->pixels[20 * 400 + 10], 100);
    EXPECT_EQ(view->pixels[25 * 400 + 17], 147);
    EXPECT_EQ(view->pixels[19 * 400 + 10], 7);
    ASSERT_TRUE(key->icon);
    EXPECT_STREQ(key->icon->name, "keysicon.bmp");
    EXPECT_EQ(key->icon->x, -1);
    EXPECT_TRUE(!key->next->icon && !key->next->next->icon);
    EXPECT_EQ(key->next->picture->x, 30);
    EXPECT_EQ(view->pixels[40 * 400 + 30], 7);
    // Icons of every location are loaded; everything after the four
    // characters before ".bmp" is replaced.
    ASSERT_TRUE(FindLoc("round")->stamps->icon);
    EXPECT_STREQ(FindLoc("round")->stamps->icon->name, "posticon.bmp");

    ASSERT_EQ(Enter("full"), 1);
    EXPECT_EQ(FindLoc("full")->view->picture->x + FindLoc("full")->view->picture->y, 0);
}

TEST_F(LocationTest, PanoramaStampPaintedUnlessTaken) {
    ASSERT_EQ(Enter("round"), 1);
    Stamp* post = FindLoc("round")->stamps;
    EXPECT_EQ(post->picture->x * 10000 + post->picture->y, 501908);
    EXPECT_EQ(post->swapPicture->x * 10000 + post->swapPicture->y, 501908);
    std::vector<uint8_t> stamp = Pattern(40, 8, 100);
    for (int32_t c = 99; c <= 140; c++)
        for (int32_t r = 49; r <= 58; r++) {
            bool inside = c >= 100 && c < 140 && r >= 50 && r < 58;
            ASSERT_EQ(RoundAt(c, r), inside ? stamp[(size_t)(r - 50) * 40 + (c - 100)] : 3) << c << "," << r;
        }
    Image* save = post->swapPicture;  // what the stamp covers
    EXPECT_EQ(std::vector<uint8_t>(save->pixels, save->pixels + save->size), std::vector<uint8_t>(320, 3));

    Image* icon = post->icon;
    for (int32_t taken : {0, -1}) {
        icon->x = taken;
        ASSERT_EQ(Enter("hall"), 1);
        ASSERT_EQ(Enter("round"), 1);
        EXPECT_EQ(post->icon, icon);  // reloaded into the same record
        EXPECT_EQ(icon->x, taken);
        EXPECT_EQ(RoundAt(100, 50), taken ? 100 : 3);
    }
}

// Script numbers have no range check: a stamp far outside the panorama is
// placed with 32-bit wrap-around (no overflow) and then not painted.
TEST_F(LocationTest, PanoramaStampFarOutsideWrapsInsteadOfOverflowing) {
    Stamp* post = FindLoc("round")->stamps;
    post->x = INT32_MIN;
    ASSERT_EQ(Enter("round"), 1);
    EXPECT_EQ(post->picture->y, (int32_t)(Round + 0x80000000u - 40));  // N - x - w
    EXPECT_EQ(RoundAt(100, 50), 3);
}

TEST_F(LocationTest, PdaPlacementReuseAndColours) {
    // Logo palette entries 5 and 6 are the view's colours 100 and 120.
    uint8_t view[1024];
    ASSERT_EQ(zemLoadBMP("HALL.BMP", nullptr, view, nullptr, 0, 0, 0, 0), 1);
    std::memcpy(LogoPalette + 4 * 5, view + 4 * 100, 3);
    std::memcpy(LogoPalette + 4 * 6, view + 4 * 120, 3);
    // The first row's stream: a skip word, a literal word, the remapped bytes.
    auto colour = [] { return Pda->pixels[8]; };
    PdaShown = 1;
    ASSERT_EQ(Enter("hall"), 1);
    ASSERT_TRUE(Pda);
    Image* record = Pda;
    EXPECT_EQ(Pda->x * 1000 + Pda->y, 220470);
    EXPECT_EQ(PdaShown, 0);
    EXPECT_EQ(colour(), 100);

    Pda->y = 300;  // sliding up
    PdaShown = 1;
    ASSERT_EQ(Enter("round"), 1);  // a smaller PDA picture of its own
    EXPECT_EQ(Pda, record);
    EXPECT_STREQ(Pda->name, "PDA.BMP");  // a kept record keeps its name
    EXPECT_EQ(Pda->x * 1000 + Pda->y, 220300);
    EXPECT_EQ(PdaShown, 1);
    EXPECT_EQ(colour(), 120);

    // Without a pda line the picture is reloaded by its own name, the
    // larger PDA.BMP: that no longer fits, so it is a fresh record, placed
    // and hidden.
    ASSERT_EQ(Enter("full"), 1);
    ASSERT_TRUE(Pda);
    EXPECT_EQ(Pda->width * 1000 + Pda->y, 200470);
    EXPECT_EQ(PdaShown, 0);
    EXPECT_EQ(colour(), 100);
}

// The first entry leaves exactly the two icons and the PDA picture behind
// (two blocks each); every later entry and exit comes back to that. A
// location without a view loads neither its stamps nor its sprites.
TEST_F(LocationTest, LeavingReleasesAllButIconsAndPda) {
    int32_t script = LiveBlocks;
    for (const char* name : {"hall", "round", "hall", "full", "bare", "hall"}) {
        ASSERT_EQ(Enter(name), 1);
        zemFreeLocPictures(CurrentLocation);
        EXPECT_EQ(LiveBlocks, script + 6) << name;
    }
    ASSERT_EQ(Enter("bare"), 1);
    EXPECT_TRUE(!FindLoc("bare")->stamps->picture && !FindLoc("bare")->sprites->sprite);
}

TEST_F(LocationTest, FailedLoadsKeepWhatWasLoaded) {
    EXPECT_EQ(zemRefreshLoc(nullptr), 0);
    FindLoc("hall")->stamps->next->name[0] = 'X';  // a missing stamp picture
    EXPECT_EQ(Enter("hall"), 0);
    EXPECT_TRUE(FindLoc("hall")->view->picture && FindLoc("hall")->stamps->picture);
    EXPECT_EQ(Pda, nullptr);  // the later steps did not run
    FindLoc("full")->view->name[0] = 'X';
    EXPECT_EQ(Enter("full"), 0);
}

}  // namespace
