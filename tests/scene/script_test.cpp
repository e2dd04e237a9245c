// Reading game.txt into the Location list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "tests/support/support.h"

namespace {

class ScriptTest : public ::testing::Test {
protected:
    int32_t base = 0;
    void SetUp() override { FreshProgram(); }
    void TearDown() override {
        zemFreeLocations(&Locations);
        EXPECT_EQ(LiveBlocks, base) << "every record is released";
        ArchiveRelease();
    }
    int Read(const std::string& text) {
        zemFreeLocations(&Locations);
        InstallArchive({{"game.txt", Bytes(text)}});
        base = LiveBlocks;
        return zemLoadScript("game.txt", &Locations);
    }
    Location* At(int index) {
        Location* l = Locations;
        while (l && index--) l = l->next;
        return l;
    }
};

const char* World =
    "rem a small world\n"
    "stamp EARLY.BMP\n"  // before the first location: ignored
    "LOCATION Hall\n"
    "closeup FIRST.BMP\n"
    "Panorama HALL.BMP\n"
    "stamp KEY.BMP 100 -50 +40 12abc ding.wav keys0000.bmp\n"
    "stamp ONLY.BMP\n"
    "SPRITE A.BMP ON\nsprite B.BMP off\nsprite C.BMP\n"
    "pda P1.BMP\npda P2.BMP\n"
    "door b 1 2 3 4 s.wav t.bmp\n"
    "door b 1 2 3 4 s.wav t.bmp 400\n"
    "door b 1 2 3 4 s.wav t.bmp 400 80 surplus words\n"
    "location\tcellar extra\n"
    "closeup CELLAR.BMP";  // no line feed at the end

TEST_F(ScriptTest, EveryKeywordWithLfOrCrLf) {
    for (const char* end : {"\n", "\r\n"}) {
        std::string text;
        for (const char* c = World; *c; c++) text += *c == '\n' ? std::string(end) : std::string(1, *c);
        PanX = 12;  // doors without arrival values take the pan of the moment
        PanY = 34;
        ASSERT_EQ(Read(text), 1);
        Location* hall = At(0);
        ASSERT_TRUE(hall && At(1) && !At(2));
        EXPECT_STREQ(hall->name, "Hall");
        EXPECT_STREQ(hall->view->name, "HALL.BMP");  // the second view replaced the first
        EXPECT_EQ(hall->view->panorama, 1);
        EXPECT_STREQ(hall->pdaName, "P2.BMP");
        Stamp* key = hall->stamps;
        EXPECT_EQ(std::string(key->name) + key->sound + key->itemView, "KEY.BMPding.wavkeys0000.bmp");
        EXPECT_EQ(std::vector<int32_t>({key->x, key->y, key->w, key->h}), std::vector<int32_t>({100, -50, 40, 12}));
        Stamp* only = key->next;
        EXPECT_EQ(only->x | only->y | only->w | only->h, 0);
        EXPECT_EQ(std::string(only->sound) + only->itemView, "");
        EXPECT_EQ(only->next, nullptr);
        SpriteRef* a = hall->sprites;
        EXPECT_EQ(a->on + 2 * a->next->on + 4 * a->next->next->on, 1);
        Door* d = hall->doors;
        EXPECT_EQ(d->x + d->y + d->w + d->h, 10);
        EXPECT_STREQ(d->transition, "t.bmp");
        EXPECT_EQ(d->arrivalPanX * 100 + d->arrivalPanY, 1234);
        EXPECT_EQ(d->next->arrivalPanX * 100 + d->next->arrivalPanY, 40000);
        EXPECT_EQ(d->next->next->arrivalPanX * 100 + d->next->next->arrivalPanY, 40080);
        EXPECT_STREQ(At(1)->name, "cellar");
        EXPECT_EQ(At(1)->view->panorama, 0);
        // Location, view, PDA name, two stamps, three sprites, three doors;
        // the replaced view and PDA name were released.
        EXPECT_EQ(LiveBlocks - base, 11 + 2);
    }
}

// 499 characters ending in "location A"; the 500th, B, is lost; the last
// 100 characters are a line of their own. Overlong tokens are cut to 31.
TEST_F(ScriptTest, LongLinesAndTokens) {
    std::string rest = "location second" + std::string(85, ' ');
    ASSERT_EQ(Read(std::string(489, ' ') + "location AB" + rest + "\n"), 1);
    EXPECT_STREQ(At(0)->name, "A");
    EXPECT_STREQ(At(1)->name, "second");
    std::string name(40, 'n');
    ASSERT_EQ(Read("location " + name + "\nstamp " + name + " 1 2 3 4 " + name + "\n"), 1);
    EXPECT_EQ(std::string(At(0)->name), name.substr(0, 31));
    EXPECT_EQ(std::string(At(0)->stamps->sound), name.substr(0, 31));
    EXPECT_EQ(At(0)->stamps->h, 4);
}

TEST_F(ScriptTest, EmptyMissingAndRefused) {
    EXPECT_EQ(Read(""), 1);
    EXPECT_EQ(Locations, nullptr);
    EXPECT_EQ(zemLoadScript("absent.txt", &Locations), 0);
    EXPECT_EQ(zemLoadScript(nullptr, &Locations), 0);
    EXPECT_EQ(zemLoadScript("game.txt", nullptr), 0);
}

// A record that cannot be allocated ends the read with 0; what was made so
// far stays in the list and is released with it (TearDown and Read check).
TEST_F(ScriptTest, FailedAllocationEndsTheRead) {
    for (int n = 1; n <= 15; n++) {
        InstallArchive({{"game.txt", Bytes(World)}});
        base = LiveBlocks;
        TrackedFailAt(n);
        EXPECT_EQ(zemLoadScript("game.txt", &Locations), 0) << n;
        TrackedFailAt(0);
        EXPECT_EQ(!!At(0) + !!At(1), n == 1 ? 0 : n <= 14 ? 1 : 2) << n;
        zemFreeLocations(&Locations);
        EXPECT_EQ(LiveBlocks, base) << n;
    }
}

}  // namespace
