// Entering and releasing locations: placement of the view, stamps and PDA
// picture, the icons and the taken state, painting, and the tracked blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "tests/support/support.h"

namespace {

const int32_t Round = 2048, RoundRows = 64;

std::vector<uint8_t> Pattern(int32_t w, int32_t h, int base) {
    std::vector<uint8_t> p((size_t)w * h);
    for (size_t i = 0; i < p.size(); i++) p[i] = (uint8_t)(base + i % 90);
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
        std::string script =
            "location hall\ncloseup HALL.BMP\n"
            "stamp KEY.BMP 10 20 8 6 ding.wav keys0000.bmp\n"
            "stamp CUP.BMP 30 40 4 4 x.wav CUP0000.BMP\n"
            "stamp MUG.BMP 50 60 4 4 x.wav abc.bmp\n"
            "sprite FIRE0000.BMP on\npda PDA.BMP\n"
            "location round\npanorama ROUND.BMP\n"
            "stamp POST.BMP 100 50 40 8 s.wav post0000.bmpzz\npda PDA2.BMP\n"
            "location full\ncloseup FULL.BMP\n"
            "location bare\nstamp KEY.BMP 1 1 8 6 s.wav\nsprite FIRE0000.BMP\n";
        std::vector<uint8_t> tiny = MakeFilledBmp(4, 4, 9);
        ASSERT_TRUE(InstallArchive({
            {"game.txt", Bytes(script)},
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
            {"PDA.BMP", MakeSimpleBmp(200, 20, Pdas(200, 20, 5))},
            {"PDA2.BMP", MakeSimpleBmp(100, 10, Pdas(100, 10, 6))},
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
    // A transparent top-left pixel, the rest one colour.
    static std::vector<uint8_t> Pdas(int32_t w, int32_t h, uint8_t index) {
        std::vector<uint8_t> p((size_t)w * h, index);
        p[0] = 0;
        return p;
    }
    Location* Named(const char* name) {
        for (Location* l = Locations; l; l = l->next)
            if (std::string(l->name) == name) return l;
        return nullptr;
    }
    int Enter(const char* name) {
        if (CurrentLocation) zemFreeLocPictures(CurrentLocation);
        CurrentLocation = Named(name);
        return zemRefreshLoc(CurrentLocation);
    }
    // View-picture pixel of a panorama at picture column c, row r.
    uint8_t RoundAt(int32_t c, int32_t r) {
        Image* p = Named("round")->view->picture;
        return p->pixels[(size_t)(Round - 1 - c) * RoundRows + r];
    }
};

TEST_F(LocationTest, CloseupCentredPaletteAndState) {
    Stamp dummy{};
    StampUnderCursor = &dummy;
    DoorUnderCursor = (Door*)&dummy;
    SpriteUnderCursor = (SpriteRef*)&dummy;
    ASSERT_EQ(Enter("hall"), 1);
    Image* view = Named("hall")->view->picture;
    EXPECT_EQ(view->x, 120);
    EXPECT_EQ(view->y, 90);
    EXPECT_EQ(CurrentPalette[4 * 255], 254);  // grey 255 through gamma 1.2
    EXPECT_EQ(ClearRequested, 1);
    EXPECT_TRUE(!StampUnderCursor && !DoorUnderCursor && !SpriteUnderCursor);
    // The sprite lies on the closeup, encoded, row-major.
    Sprite* fire = Named("hall")->sprites->sprite;
    ASSERT_TRUE(fire);
    EXPECT_EQ(fire->count, 2);
    EXPECT_EQ(fire->viewHeight, 300);
    EXPECT_EQ(fire->viewWidth, 400);
    EXPECT_EQ(fire->columnMajor, 0);
    EXPECT_EQ(fire->first->encoded, 1);
    // The key stamp is painted at its place in the closeup.
    Stamp* key = Named("hall")->stamps;
    EXPECT_EQ(key->picture->x, 10);
    EXPECT_EQ(key->swapPicture->y, 20);
    EXPECT_EQ(view->pixels[20 * 400 + 10], 100);
    EXPECT_EQ(view->pixels[25 * 400 + 17], key->picture->pixels[47]);
    EXPECT_EQ(view->pixels[19 * 400 + 10], 7);

    ASSERT_EQ(Enter("full"), 1);
    EXPECT_EQ(Named("full")->view->picture->x, 0);
    EXPECT_EQ(Named("full")->view->picture->y, 0);
}

// The icon of an item view is named from the four characters before the
// first ".bmp"; capitals or fewer characters give none, so that stamp is
// never painted. Icons of every location are loaded.
TEST_F(LocationTest, IconNames) {
    ASSERT_EQ(Enter("hall"), 1);
    Stamp* key = Named("hall")->stamps;
    ASSERT_TRUE(key->icon);
    EXPECT_STREQ(key->icon->name, "keysicon.bmp");
    EXPECT_EQ(key->icon->x, -1);
    EXPECT_EQ(key->icon->encoded, 1);
    EXPECT_EQ(key->next->icon, nullptr);        // CUP0000.BMP
    EXPECT_EQ(key->next->next->icon, nullptr);  // abc.bmp
    EXPECT_EQ(key->next->picture->x, 30);       // loaded all the same
    EXPECT_EQ(Named("hall")->view->picture->pixels[40 * 400 + 30], 7);
    Stamp* post = Named("round")->stamps;
    ASSERT_TRUE(post->icon);
    EXPECT_STREQ(post->icon->name, "posticon.bmp");
    EXPECT_EQ(post->picture, nullptr);  // only the current location is loaded
}

TEST_F(LocationTest, PanoramaStampPlacedAndPainted) {
    ASSERT_EQ(Enter("round"), 1);
    Stamp* post = Named("round")->stamps;
    EXPECT_EQ(post->picture->x, 50);
    EXPECT_EQ(post->picture->y, 1908);
    EXPECT_EQ(post->swapPicture->x, 50);
    EXPECT_EQ(post->swapPicture->y, 1908);
    std::vector<uint8_t> stamp = Pattern(40, 8, 100);
    for (int32_t c = 99; c <= 140; c++)
        for (int32_t r = 49; r <= 58; r++) {
            bool inside = c >= 100 && c < 140 && r >= 50 && r < 58;
            ASSERT_EQ(RoundAt(c, r), inside ? stamp[(size_t)(r - 50) * 40 + (c - 100)] : 3)
                << c << "," << r;
        }
    // What the stamp covers is kept in its save-under picture.
    Image* save = post->swapPicture;
    EXPECT_EQ(std::vector<uint8_t>(save->pixels, save->pixels + save->size),
              std::vector<uint8_t>(40 * 8, 3));
}

TEST_F(LocationTest, TakenStampIsNotPaintedPutBackIs) {
    ASSERT_EQ(Enter("round"), 1);
    Stamp* post = Named("round")->stamps;
    Image* icon = post->icon;
    EXPECT_NE(RoundAt(100, 50), 3);
    icon->x = 0;  // taken
    ASSERT_EQ(Enter("hall"), 1);
    ASSERT_EQ(Enter("round"), 1);
    EXPECT_EQ(post->icon, icon);  // reloaded into the same record
    EXPECT_EQ(icon->x, 0);
    EXPECT_EQ(RoundAt(100, 50), 3);
    icon->x = -1;  // put back
    ASSERT_EQ(Enter("hall"), 1);
    ASSERT_EQ(Enter("round"), 1);
    EXPECT_EQ(RoundAt(100, 50), 100);
}

TEST_F(LocationTest, PdaPlacementReuseAndColours) {
    // The logo palette's entry 5 and 6 are the view's colours 100 and 120.
    uint8_t view[1024];
    ASSERT_EQ(zemLoadBMP("HALL.BMP", nullptr, view, nullptr, 0, 0, 0, 0), 1);
    for (int i = 0; i < 3; i++) {
        LogoPalette[4 * 5 + i] = view[4 * 100 + i];
        LogoPalette[4 * 6 + i] = view[4 * 120 + i];
    }
    auto shown = [](int32_t x, int32_t y) {
        std::vector<uint8_t> block(200 * 20, 0xEE);
        Image d{}, p = *Pda;
        d.pixels = block.data();
        d.width = d.pitch = 200;
        d.height = 20;
        p.x = p.y = 0;
        BlitImage(&d, &p, nullptr);
        return block[(size_t)y * 200 + x];
    };
    PdaShown = 1;
    ASSERT_EQ(Enter("hall"), 1);
    ASSERT_TRUE(Pda);
    Image* record = Pda;
    EXPECT_EQ(Pda->x, 220);
    EXPECT_EQ(Pda->y, 470);
    EXPECT_EQ(PdaShown, 0);
    EXPECT_EQ(shown(0, 0), 0xEE);  // transparent
    EXPECT_EQ(shown(5, 5), 100);

    Pda->y = 300;  // sliding up
    PdaShown = 1;
    ASSERT_EQ(Enter("round"), 1);  // a smaller PDA picture of its own
    EXPECT_EQ(Pda, record);
    EXPECT_STREQ(Pda->name, "PDA.BMP");  // a kept record keeps its name
    EXPECT_EQ(Pda->x, 220);
    EXPECT_EQ(Pda->y, 300);
    EXPECT_EQ(PdaShown, 1);
    EXPECT_EQ(shown(5, 5), 120);

    // Without a pda line the picture already loaded is reloaded by its own
    // name, the larger PDA.BMP: it no longer fits, so it comes back as a
    // fresh record, placed and hidden.
    ASSERT_EQ(Enter("full"), 1);
    ASSERT_TRUE(Pda);
    EXPECT_EQ(Pda->width, 200);
    EXPECT_EQ(Pda->y, 470);
    EXPECT_EQ(PdaShown, 0);
    EXPECT_EQ(shown(5, 5), 100);
}

// A location without a view loads neither its stamps nor its sprites.
TEST_F(LocationTest, LocationWithoutView) {
    ASSERT_EQ(Enter("bare"), 1);
    EXPECT_EQ(Named("bare")->stamps->picture, nullptr);
    EXPECT_EQ(Named("bare")->sprites->sprite, nullptr);
    EXPECT_EQ(zemRefreshLoc(nullptr), 0);
}

// Every entry leaves exactly the stamps' icons and the PDA picture behind;
// the rest is gone when the location is left, all of it at the end.
TEST_F(LocationTest, LeavingReleasesEverythingButIconsAndPda) {
    ASSERT_EQ(Enter("hall"), 1);
    zemFreeLocPictures(CurrentLocation);
    int32_t kept = LiveBlocks;
    for (const char* name : {"round", "hall", "full", "bare", "hall"}) {
        ASSERT_EQ(Enter(name), 1);
        zemFreeLocPictures(CurrentLocation);
        EXPECT_EQ(LiveBlocks, kept) << name;
    }
}

TEST_F(LocationTest, FailedLoadsKeepWhatWasLoaded) {
    Named("hall")->stamps->next->name[0] = 'X';  // a missing stamp picture
    EXPECT_EQ(Enter("hall"), 0);
    EXPECT_TRUE(Named("hall")->view->picture);
    EXPECT_TRUE(Named("hall")->stamps->picture);
    EXPECT_EQ(Pda, nullptr);  // the later steps did not run
    Named("full")->view->name[0] = 'X';
    EXPECT_EQ(Enter("full"), 0);
}

}  // namespace
