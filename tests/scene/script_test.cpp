// Reading game.txt into the Location list.
#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "tests/support/support.h"

namespace {

class ScriptTest : public ::testing::Test {
protected:
    int32_t baseBlocks = 0;
    void SetUp() override { FreshProgram(); }
    void TearDown() override {
        zemFreeLocations(&Locations);
        EXPECT_EQ(LiveBlocks, baseBlocks) << "every record is released";
        ArchiveRelease();
    }
    int Read(const std::string& text) {
        InstallArchive({{"game.txt", Bytes(text)}, {"other.txt", Bytes("x")}});
        baseBlocks = LiveBlocks;
        return zemLoadScript("game.txt", &Locations);
    }
    Location* At(int index) {
        Location* l = Locations;
        for (int i = 0; l && i < index; i++) l = l->next;
        return l;
    }
    int Count() {
        int n = 0;
        for (Location* l = Locations; l; l = l->next) n++;
        return n;
    }
};

const char* World =
    "rem a small world\n"
    "location hall\n"
    "panorama HALL.BMP\n"
    "stamp KEY.BMP 100 -50 +40 12abc ding.wav keys0000.bmp\n"
    "sprite FIRE0000.BMP on\n"
    "pda PDA.BMP\n"
    "door cellar 1 2 3 4 creak.wav walk0000.bmp 400 80 surplus words\n"
    "location cellar\n"
    "closeup CELLAR.BMP\n";

TEST_F(ScriptTest, ReadsEveryKeywordWithCrLfOrLf) {
    for (const char* ending : {"\n", "\r\n"}) {
        std::string text;
        for (const char* c = World; *c; c++) text += *c == '\n' ? std::string(ending) : std::string(1, *c);
        ASSERT_EQ(Read(text), 1);
        ASSERT_EQ(Count(), 2);
        Location* hall = At(0);
        EXPECT_STREQ(hall->name, "hall");
        ASSERT_TRUE(hall->view);
        EXPECT_STREQ(hall->view->name, "HALL.BMP");
        EXPECT_EQ(hall->view->panorama, 1);
        EXPECT_EQ(hall->view->picture, nullptr);
        Stamp* s = hall->stamps;
        ASSERT_TRUE(s);
        EXPECT_STREQ(s->name, "KEY.BMP");
        EXPECT_EQ(s->x, 100);
        EXPECT_EQ(s->y, -50);
        EXPECT_EQ(s->w, 40);
        EXPECT_EQ(s->h, 12);
        EXPECT_STREQ(s->sound, "ding.wav");
        EXPECT_STREQ(s->itemView, "keys0000.bmp");
        EXPECT_TRUE(!s->picture && !s->swapPicture && !s->itemPicture && !s->icon && !s->next);
        ASSERT_TRUE(hall->sprites);
        EXPECT_STREQ(hall->sprites->name, "FIRE0000.BMP");
        EXPECT_EQ(hall->sprites->on, 1);
        ASSERT_TRUE(hall->pdaName);
        EXPECT_STREQ(hall->pdaName, "PDA.BMP");
        Door* d = hall->doors;
        ASSERT_TRUE(d);
        EXPECT_STREQ(d->target, "cellar");
        EXPECT_EQ(d->x + d->y + d->w + d->h, 10);
        EXPECT_STREQ(d->sound, "creak.wav");
        EXPECT_STREQ(d->transition, "walk0000.bmp");
        EXPECT_EQ(d->arrivalPanX, 400);
        EXPECT_EQ(d->arrivalPanY, 80);
        EXPECT_EQ(At(1)->view->panorama, 0);
        EXPECT_EQ(At(1)->pdaName, nullptr);
        zemFreeLocations(&Locations);
    }
}

TEST_F(ScriptTest, KeywordsInAnyCaseNamesAsWritten) {
    ASSERT_EQ(Read("LOCATION Hall\nPanorama P.BMP\nSPRITE A.BMP ON\nSprite B.BMP off\nsprite C.BMP\n"
                   "Location\tSecond Extra\n"),
              1);
    ASSERT_EQ(Count(), 2);
    EXPECT_STREQ(At(0)->name, "Hall");
    EXPECT_EQ(At(0)->view->panorama, 1);
    SpriteRef* r = At(0)->sprites;
    EXPECT_EQ(r->on, 1);
    EXPECT_EQ(r->next->on, 0);
    EXPECT_EQ(r->next->next->on, 0);
    EXPECT_STREQ(At(1)->name, "Second");
}

TEST_F(ScriptTest, LongLinesLoseTheirFiveHundredthByte) {
    // 499 characters end in "location A"; the 500th, B, is lost; the last 100
    // characters are a line of their own.
    std::string first = std::string(489, ' ') + "location A";
    std::string rest = "location second";
    rest += std::string(100 - rest.size(), ' ');
    ASSERT_EQ(Read(first + "B" + rest + "\n"), 1);
    ASSERT_EQ(Count(), 2);
    EXPECT_STREQ(At(0)->name, "A");
    EXPECT_STREQ(At(1)->name, "second");
}

TEST_F(ScriptTest, LastLineWithoutLineFeed) {
    ASSERT_EQ(Read("location a\nlocation b"), 1);
    ASSERT_EQ(Count(), 2);
    EXPECT_STREQ(At(1)->name, "b");
}

TEST_F(ScriptTest, DoorArrivalValues) {
    PanX = 12;  // the pan of the moment, whatever it is
    PanY = 34;
    ASSERT_EQ(Read("location a\n"
                   "door b 1 2 3 4 s.wav t.bmp\n"
                   "door b 1 2 3 4 s.wav t.bmp 400\n"
                   "door b 1 2 3 4 s.wav t.bmp 400 80\n"
                   "door b\n"),
              1);
    Door* d = At(0)->doors;
    EXPECT_EQ(d->arrivalPanX, 12);
    EXPECT_EQ(d->arrivalPanY, 34);
    EXPECT_EQ(d->next->arrivalPanX, 400);
    EXPECT_EQ(d->next->arrivalPanY, 0);
    EXPECT_EQ(d->next->next->arrivalPanX, 400);
    EXPECT_EQ(d->next->next->arrivalPanY, 80);
    Door* bare = d->next->next->next;
    EXPECT_EQ(bare->x + bare->y + bare->w + bare->h, 0);
    EXPECT_STREQ(bare->transition, "");
    EXPECT_EQ(bare->arrivalPanY, 34);
}

TEST_F(ScriptTest, OverlongTokensAreCutTo31Characters) {
    std::string name(40, 'n'), file = std::string(35, 'f') + ".bmp";
    ASSERT_EQ(Read("location " + name + "\nstamp " + file + " 1 2 3 4 " + name + "\n"), 1);
    EXPECT_EQ(std::string(At(0)->name), name.substr(0, 31));
    EXPECT_EQ(std::string(At(0)->stamps->name), file.substr(0, 31));
    EXPECT_EQ(std::string(At(0)->stamps->sound), name.substr(0, 31));
    EXPECT_EQ(At(0)->stamps->h, 4);
}

TEST_F(ScriptTest, SecondViewAndPdaReplaceTheFirst) {
    ASSERT_EQ(Read("stamp EARLY.BMP\nlocation a\ncloseup ONE.BMP\npanorama TWO.BMP\npda P1.BMP\n"
                   "pda P2.BMP\nstamp ONLY.BMP\n"),
              1);
    ASSERT_EQ(Count(), 1);  // the stamp before the first location is ignored
    EXPECT_STREQ(At(0)->view->name, "TWO.BMP");
    EXPECT_STREQ(At(0)->pdaName, "P2.BMP");
    Stamp* s = At(0)->stamps;
    ASSERT_TRUE(s && !s->next);
    EXPECT_EQ(s->x | s->y | s->w | s->h, 0);
    EXPECT_STREQ(s->sound, "");
    EXPECT_STREQ(s->itemView, "");
    // LiveBlocks: location, view, pda name, stamp; the replaced ones are gone.
    EXPECT_EQ(LiveBlocks - baseBlocks, 4);
}

TEST_F(ScriptTest, EmptyMissingAndRefused) {
    EXPECT_EQ(Read(""), 1);
    EXPECT_EQ(Locations, nullptr);
    EXPECT_EQ(zemLoadScript("absent.txt", &Locations), 0);
    EXPECT_EQ(zemLoadScript(nullptr, &Locations), 0);
    EXPECT_EQ(zemLoadScript("game.txt", nullptr), 0);
}

// A record that cannot be allocated ends the read with 0; the records made
// so far stay in the list and are released with it.
TEST_F(ScriptTest, FailedAllocationEndsTheRead) {
    std::string text = World;
    for (int n = 1; n <= 8; n++) {
        InstallArchive({{"game.txt", Bytes(text)}});
        baseBlocks = LiveBlocks;
        TrackedFailAt(n);
        EXPECT_EQ(zemLoadScript("game.txt", &Locations), 0) << n;
        TrackedFailAt(0);
        EXPECT_EQ(Count(), n == 1 ? 0 : n <= 7 ? 1 : 2) << n;
        zemFreeLocations(&Locations);
        EXPECT_EQ(LiveBlocks, baseBlocks) << n;
    }
}

}  // namespace
