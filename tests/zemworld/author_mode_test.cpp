// The viewer's author mode on a world zemworld play built: positions read
// back in the author's own picture's pixels (a 360-degree photo, whose rows
// the build moves unevenly), the author's file names, and a reload in place
// that keeps the location, pan and view size, or keeps the world before
// when the new one cannot be opened.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/parts.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "tests/zemworld/build_support.h"
#include "tools/zempack/pack.h"
#include "tools/zemworld/world.h"

namespace {

const char* const Script =
    "location court\n"
    "panorama court.jpg\n"
    "stamp objects/vase.png 2100 700 48 72 - items/vase/\n"
    "door hall 1500 600 150 400 - - 1200 67\n"
    "location hall\n"
    "closeup hall.png\n"
    "door court 100 100 200 200 - - 2400 67\n";

std::string BuildTo(const std::string& folder, const std::string& path) {
    BuildResult result;
    Report report;
    std::string why;
    EXPECT_EQ(BuildWorld(folder, &result, &report, nullptr), 1);
    PrintReport(report, stderr);
    EXPECT_TRUE(AddAuthorMap(&result, &why)) << why;
    EXPECT_TRUE(PackWriteFile(path, result.archive, &why)) << why;
    return path;
}

Location* Find(const char* name) {
    for (Location* l = Locations; l; l = l->next)
        if (!std::strcmp(l->name, name)) return l;
    return nullptr;
}

class AuthorModeTest : public ::testing::Test {
protected:
    std::string folder;
    int stopped = 0;
    void SetUp() override {
        std::string why;
        folder = TestFolder("author") + "/world";
        ASSERT_TRUE(WriteStarterWorld(folder, &why)) << why;
        WritePicture(folder + "/court.jpg", PhotoLike(3000, 1500, 3));
        WritePicture(folder + "/hall.png", PhotoLike(640, 480, 4));
        WriteBytes(folder + "/game.txt", std::vector<uint8_t>(Script, Script + std::strlen(Script)));
        AuthorMode = 1;
    }
    void TearDown() override {
        if (!stopped) StopViewer();
        AuthorMode = 0;
    }
};

TEST_F(AuthorModeTest, PositionsAndNamesAreTheAuthors) {
    std::string message;
    ASSERT_EQ(StartViewerFile(BuildTo(folder, folder + "/../one.zem"), &message), 1) << message;
    ASSERT_STREQ(CurrentLocation->name, "court");
    EXPECT_STREQ(AuthorViewFile(), "court.jpg");

    // The door, which the build moved onto the cylinder, read back.
    Door* door = CurrentLocation->doors;
    ASSERT_NE(door, nullptr);
    int32_t rect[4];
    ASSERT_TRUE(AuthorSourceRect(door->x, door->y, (int64_t)door->x + door->w, (int64_t)door->y + door->h, rect));
    const int32_t written[4] = {1500, 600, 150, 400};
    for (int i = 0; i < 4; i++) EXPECT_NEAR(rect[i], written[i], 4) << "field " << i;
    int32_t x, y;
    ASSERT_TRUE(AuthorSourcePoint(door->x, door->y, &x, &y));
    EXPECT_NEAR(x, 1500, 4);
    EXPECT_NEAR(y, 600, 4);

    // The pan a door arrives at, told back as the author wrote it.
    PanX = Find("hall")->doors->arrivalPanX;
    int32_t panX, panY;
    AuthorPan(&panX, &panY);
    EXPECT_NEAR(panX, 2400, 3);
    EXPECT_EQ(panY, PanY);

    // Tab's labels: the author's names of the script's files.
    ASSERT_NE(HotspotLabels, nullptr);
    int vase = 0;
    for (const HotspotLabel* l = HotspotLabels; l->name; l++) vase += !std::strcmp(l->label, "objects/vase.png");
    EXPECT_EQ(vase, 1);
    char status[512];
    AuthorStatusText(status, (int)sizeof status);
    EXPECT_NE(std::strstr(status, "court (court.jpg)"), nullptr) << status;
}

TEST_F(AuthorModeTest, ReloadKeepsThePlaceAndABrokenWorldKeepsTheOneBefore) {
    // Every world built first: a build runs the headless viewer itself.
    std::string one = BuildTo(folder, folder + "/../one.zem");
    const char* moved = "door court 100 100 200 200 - - 2400 67";
    std::string script(Script);
    script.replace(script.find(moved), std::strlen(moved), "door court 300 250 100 100 - - 2400 67");
    WriteBytes(folder + "/game.txt", std::vector<uint8_t>(script.begin(), script.end()));
    std::string two = BuildTo(folder, folder + "/../two.zem");
    std::string yard = "location yard\ncloseup hall.png\n";
    WriteBytes(folder + "/game.txt", std::vector<uint8_t>(yard.begin(), yard.end()));
    std::string four = BuildTo(folder, folder + "/../four.zem");
    std::string three = folder + "/../three.zem";
    WriteBytes(three, {1, 2, 3});

    std::string message;
    ASSERT_EQ(StartViewerFile(one, &message), 1) << message;
    zemChangeLoc(CurrentLocation->doors);
    ASSERT_STREQ(CurrentLocation->name, "hall");
    PanX = 37;
    PanY = 80;
    LetterboxX = 16;
    LetterboxY = 12;
    ASSERT_EQ(ReloadWorld(two.c_str()), 1) << AuthorErrorText;
    EXPECT_STREQ(AuthorErrorText, "");
    EXPECT_STREQ(CurrentLocation->name, "hall");
    EXPECT_EQ(PanX, 37);
    EXPECT_EQ(PanY, 80);
    EXPECT_EQ(LetterboxX, 16);
    EXPECT_EQ(LetterboxY, 12);
    EXPECT_EQ(CurrentLocation->doors->x, 300) << "the new line is not the one in use";
    EXPECT_STREQ(AuthorViewFile(), "hall.png");

    // Not a world: the error to show, and the world before, where it was.
    EXPECT_EQ(ReloadWorld(three.c_str()), 0);
    EXPECT_NE(std::strstr(AuthorErrorText, "three.zem"), nullptr) << AuthorErrorText;
    ASSERT_NE(CurrentLocation, nullptr);
    EXPECT_STREQ(CurrentLocation->name, "hall");
    EXPECT_EQ(CurrentLocation->doors->x, 300);
    EXPECT_EQ(PanX, 37);

    // A world without the place: its first location.
    ASSERT_EQ(ReloadWorld(four.c_str()), 1) << AuthorErrorText;
    EXPECT_STREQ(CurrentLocation->name, "yard");
    stopped = 1;
    EXPECT_EQ(StopViewer(), 0) << "blocks left after reloads";
}

}  // namespace
