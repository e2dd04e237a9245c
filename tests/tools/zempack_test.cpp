#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/support/support.h"

// Runs the command-line tool; 0 when it succeeded.
static int Zempack(const std::string& arguments) {
    const char* tool = std::getenv("ZEMPACK");
    return std::system(((tool ? tool : "../tools/zempack") + (" " + arguments)).c_str());
}

TEST(Zempack, OnlyDistinct83NamesSortedWithTheEndMarkerLast) {
    std::vector<uint8_t> archive;
    std::string error;
    for (const char* bad : {"LONGNAME99.BMP", "A.BMPX", "TWO.DOT.S", ".BMP", "SP ACE.TXT", "A."}) {
        EXPECT_EQ(PackBuild({{bad, {}}}, &archive, &error), 0) << bad;
        EXPECT_NE(error.find("8.3"), std::string::npos) << error;
    }
    EXPECT_EQ(PackBuild({{"a.bmp", {}}, {"A.BMP", {}}}, &archive, &error), 0);

    archive = BuildArchive({{"b.txt", Bytes("bb")}, {"A.TXT", Bytes("a")}, {"_U.TXT", Bytes("u")},
                            {"A0", {}}, {"ZZZZZZZZ.ZZZ", {}}});
    EXPECT_EQ(PackCheck(archive, &error), 1) << error;
    std::vector<PackListing> listing;
    ASSERT_EQ(PackList(archive, &listing, &error), 1);
    std::string names;
    for (const PackListing& m : listing) names += m.name + " ";
    EXPECT_EQ(names, "_U.TXT A.TXT A0 b.txt ZZZZZZZZ.ZZZ ");  // a name sorts before its extensions
    EXPECT_EQ(listing[3].size, 2);
    std::swap_ranges(archive.begin() + 8, archive.begin() + 21, archive.begin() + 25);
    EXPECT_EQ(PackCheck(archive, &error), 0);
}

// Build, list, extract give back the same bytes, and the program finds a
// member under any letter case.
TEST(Zempack, FolderRoundTrip) {
    std::string error;
    ASSERT_EQ(std::system("rm -rf zp_in zp_out && mkdir -p zp_in"), 0);
    std::vector<uint8_t> picture = MakeFilledBmp(5, 3, 7);
    ASSERT_TRUE(PackWriteFile("zp_in/PIC0000.BMP", picture, &error));
    ASSERT_TRUE(PackWriteFile("zp_in/game.txt", Bytes("location hall\r\n"), &error));
    ASSERT_TRUE(PackWriteFile("zp_in/EMPTY", {}, &error));
    ASSERT_EQ(Zempack("build zp_in zp.zem > /dev/null"), 0);
    ASSERT_EQ(Zempack("check zp.zem > /dev/null"), 0);
    ASSERT_EQ(Zempack("list zp.zem > zp.list"), 0);
    std::vector<uint8_t> list;
    ASSERT_TRUE(PackReadFile("zp.list", &list, &error));
    std::string text(list.begin(), list.end());
    EXPECT_NE(text.find("PIC0000.BMP"), std::string::npos);
    EXPECT_NE(text.find("game.txt"), std::string::npos);
    ASSERT_EQ(Zempack("extract zp.zem zp_out"), 0);
    EXPECT_EQ(std::system("diff -r zp_in zp_out"), 0);

    FreshProgram();
    ASSERT_EQ(FastFileInit("zp.zem", 40), 1);
    AssetFile* f = AssetOpen("pic0000.bmp");
    std::vector<uint8_t> back(picture.size());
    EXPECT_EQ(AssetRead(f, back.data(), (int32_t)back.size()), 1);
    EXPECT_EQ(back, picture);
    FreshProgram();

    ASSERT_EQ(std::system("mkdir -p zp_bad && touch zp_bad/TOOLONGNAME.BMP"), 0);
    EXPECT_NE(Zempack("build zp_bad zp_bad.zem 2> /dev/null"), 0);
}

// A damaged archive whose member name climbs out of the folder writes nothing.
TEST(Zempack, ExtractRefusesNamesOutsideTheFolder) {
    std::vector<uint8_t> archive = BuildArchive({{"AAAAAAAA.TXT", Bytes("evil")}});
    std::memcpy(archive.data() + 8, "../EVIL.TXT", 12);
    std::string error;
    ASSERT_EQ(std::system("rm -rf zp_evil && mkdir -p zp_evil"), 0);
    ASSERT_TRUE(PackWriteFile("zp_evil/evil.zem", archive, &error));
    EXPECT_NE(Zempack("extract zp_evil/evil.zem zp_evil/out 2> /dev/null"), 0);
    EXPECT_NE(std::system("test -e zp_evil/EVIL.TXT"), 0);
}
