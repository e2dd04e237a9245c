#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/support/support.h"

TEST(Zempack, RefusesNamesThatAreNot83) {
    std::vector<uint8_t> archive;
    std::string error;
    for (const char* bad : {"LONGNAME99.BMP", "A.BMPX", "TWO.DOT.S", ".BMP", "SP ACE.TXT", "A."}) {
        EXPECT_EQ(PackBuild({{bad, {}}}, &archive, &error), 0) << bad;
        EXPECT_NE(error.find("8.3"), std::string::npos) << error;
    }
    EXPECT_EQ(PackBuild({{"a.bmp", {}}, {"A.BMP", {}}}, &archive, &error), 0);
    EXPECT_EQ(PackBuild({{"GAME.TXT", {}}, {"_X", {}}, {"ZZZZZZZZ.ZZZ", {}}}, &archive, &error), 1);
    EXPECT_EQ(PackCheck(archive, &error), 1) << error;
}

TEST(Zempack, DirectoryIsSortedWithTheEndMarkerLast) {
    std::vector<uint8_t> archive =
        BuildArchive({{"b.txt", Bytes("bb")}, {"A.TXT", Bytes("a")}, {"_U.TXT", Bytes("u")}, {"A0", {}}});
    std::vector<PackListing> listing;
    std::string error;
    ASSERT_EQ(PackList(archive, &listing, &error), 1);
    ASSERT_EQ(listing.size(), 4u);
    EXPECT_EQ(listing[0].name, "_U.TXT");
    EXPECT_EQ(listing[1].name, "A.TXT");  // a name sorts before its extensions
    EXPECT_EQ(listing[2].name, "A0");
    EXPECT_EQ(listing[3].name, "b.txt");
    EXPECT_EQ(listing[3].size, 2);
    std::vector<uint8_t> shuffled = archive;
    std::swap_ranges(shuffled.begin() + 8, shuffled.begin() + 21, shuffled.begin() + 25);
    EXPECT_EQ(PackCheck(shuffled, &error), 0);
}

// The command-line tool: build, list, extract give back the same bytes.
TEST(Zempack, FolderRoundTrip) {
    const char* tool = std::getenv("ZEMPACK");
    std::string zempack = tool ? tool : "../tools/zempack";
    std::string error;
    ASSERT_EQ(std::system("rm -rf zp_in zp_out && mkdir -p zp_in"), 0);
    std::vector<uint8_t> picture = MakeFilledBmp(5, 3, 7);
    ASSERT_TRUE(PackWriteFile("zp_in/PIC0000.BMP", picture, &error));
    ASSERT_TRUE(PackWriteFile("zp_in/game.txt", Bytes("location hall\r\n"), &error));
    ASSERT_TRUE(PackWriteFile("zp_in/EMPTY", {}, &error));
    ASSERT_EQ(std::system((zempack + " build zp_in zp.zem > /dev/null").c_str()), 0);
    ASSERT_EQ(std::system((zempack + " check zp.zem > /dev/null").c_str()), 0);
    ASSERT_EQ(std::system((zempack + " list zp.zem > zp.list").c_str()), 0);
    std::vector<uint8_t> list;
    ASSERT_TRUE(PackReadFile("zp.list", &list, &error));
    std::string text(list.begin(), list.end());
    EXPECT_NE(text.find("PIC0000.BMP"), std::string::npos);
    EXPECT_NE(text.find("game.txt"), std::string::npos);
    ASSERT_EQ(std::system((zempack + " extract zp.zem zp_out").c_str()), 0);
    EXPECT_EQ(std::system("cmp -s zp_in/PIC0000.BMP zp_out/PIC0000.BMP"), 0);
    EXPECT_EQ(std::system("cmp -s zp_in/game.txt zp_out/game.txt"), 0);
    EXPECT_EQ(std::system("cmp -s zp_in/EMPTY zp_out/EMPTY"), 0);

    // The program finds a member under any letter case.
    LinkedResources = nullptr;
    ASSERT_EQ(FastFileInit("zp.zem", 40), 1);
    AssetFile* f = AssetOpen("pic0000.bmp");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> back(picture.size());
    EXPECT_EQ(AssetRead(f, back.data(), (int32_t)back.size()), 1);
    EXPECT_EQ(back, picture);
    AssetClose(f);
    ArchiveRelease();

    ASSERT_EQ(std::system("mkdir -p zp_bad && touch zp_bad/TOOLONGNAME.BMP"), 0);
    EXPECT_NE(std::system((zempack + " build zp_bad zp_bad.zem 2> /dev/null").c_str()), 0);
}

// A damaged archive whose member name climbs out of the folder writes nothing.
TEST(Zempack, ExtractRefusesNamesOutsideTheFolder) {
    const char* tool = std::getenv("ZEMPACK");
    std::string zempack = tool ? tool : "../tools/zempack";
    std::vector<uint8_t> archive = BuildArchive({{"AAAAAAAA.TXT", Bytes("evil")}});
    std::memcpy(archive.data() + 8, "../EVIL.TXT", 12);
    std::string error;
    ASSERT_EQ(std::system("rm -rf zp_evil && mkdir -p zp_evil"), 0);
    ASSERT_TRUE(PackWriteFile("zp_evil/evil.zem", archive, &error));
    EXPECT_NE(std::system((zempack + " extract zp_evil/evil.zem zp_evil/out 2> /dev/null").c_str()), 0);
    EXPECT_NE(std::system("test -e zp_evil/EVIL.TXT"), 0);
}
