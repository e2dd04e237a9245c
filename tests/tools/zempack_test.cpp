#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Runs the tool with its output (both streams) in *output; its exit code.
static int ZempackRun(const std::string& arguments, std::string* output) {
    // A file of this test's own: ctest runs the tests side by side here.
    std::string file = "zp_output_" + std::to_string(getpid());
    int status = Zempack(arguments + " > " + file + " 2>&1");
    std::vector<uint8_t> bytes;
    std::string error;
    output->clear();
    if (PackReadFile(file, &bytes, &error)) output->assign(bytes.begin(), bytes.end());
    unlink(file.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

static std::string Contents(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    return PackReadFile(path, &bytes, &error) ? std::string(bytes.begin(), bytes.end()) : "(none)";
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

// Links already in the target folder are never followed, even dangling
// ones; files there are replaced only with --force, and then only files.
TEST(Zempack, ExtractNeverWritesThroughLinksOrOverFiles) {
    std::string error, out;
    ASSERT_EQ(std::system("rm -rf zp_x && mkdir -p zp_x/out"), 0);
    ASSERT_TRUE(PackWriteFile("zp_x/a.zem", BuildArchive({{"A.TXT", Bytes("new a")}, {"B.TXT", Bytes("new b")}}),
                              &error));
    ASSERT_TRUE(PackWriteFile("zp_x/victim", Bytes("keep"), &error));
    ASSERT_EQ(symlink("../victim", "zp_x/out/A.TXT"), 0);
    ASSERT_EQ(symlink("../created", "zp_x/out/B.TXT"), 0);  // dangling
    for (const char* force : {"", "--force "}) {
        EXPECT_EQ(ZempackRun(std::string("extract ") + force + "zp_x/a.zem zp_x/out", &out), 1) << force;
        EXPECT_NE(out.find("A.TXT (a symbolic link)"), std::string::npos) << out;
        EXPECT_EQ(Contents("zp_x/victim"), "keep");
        EXPECT_NE(access("zp_x/created", F_OK), 0);
    }
    // Files that are there stop the extraction before anything is written.
    ASSERT_EQ(std::system("rm -f zp_x/out/*"), 0);
    ASSERT_TRUE(PackWriteFile("zp_x/out/B.TXT", Bytes("old b"), &error));
    EXPECT_EQ(ZempackRun("extract zp_x/a.zem zp_x/out", &out), 1);
    EXPECT_NE(out.find("B.TXT (--force replaces files)"), std::string::npos) << out;
    EXPECT_NE(access("zp_x/out/A.TXT", F_OK), 0);
    EXPECT_EQ(ZempackRun("extract --force zp_x/a.zem zp_x/out", &out), 0) << out;
    EXPECT_EQ(Contents("zp_x/out/A.TXT") + Contents("zp_x/out/B.TXT"), "new anew b");
    EXPECT_EQ(ZempackRun("extract zp_x/a.zem", &out), 2);  // usage
    EXPECT_NE(out.find("--force"), std::string::npos);
}

// Build packs regular files only and says what it left out; it never
// aborts, never follows a link out of the folder and checks sizes before
// it reads.
TEST(Zempack, BuildTakesRegularFilesAndNamesEverySkip) {
    std::string error, out;
    ASSERT_EQ(std::system("rm -rf zp_b && mkdir -p zp_b/in/SUB.BMP"), 0);
    ASSERT_TRUE(PackWriteFile("zp_b/in/game.txt", Bytes("location a\n"), &error));
    ASSERT_TRUE(PackWriteFile("zp_b/secret", Bytes("system file"), &error));
    ASSERT_EQ(symlink("../secret", "zp_b/in/SECRET.TXT"), 0);
    ASSERT_EQ(symlink("LOOPB", "zp_b/in/LOOPA"), 0);
    ASSERT_EQ(symlink("LOOPA", "zp_b/in/LOOPB"), 0);
    ASSERT_EQ(symlink("nowhere", "zp_b/in/GONE.WAV"), 0);
    ASSERT_EQ(mkfifo("zp_b/in/PIPE.WAV", 0600), 0);
    EXPECT_EQ(ZempackRun("build zp_b/in zp_b/out.zem", &out), 0) << out;
    for (const char* skipped : {"GONE.WAV: a symbolic link", "LOOPA: a symbolic link", "LOOPB: a symbolic link",
                                "PIPE.WAV: a FIFO", "SECRET.TXT: a symbolic link", "SUB.BMP: a folder"})
        EXPECT_NE(out.find(skipped), std::string::npos) << skipped << " in " << out;
    std::vector<uint8_t> archive;
    ASSERT_TRUE(PackReadFile("zp_b/out.zem", &archive, &error));
    std::vector<PackListing> listing;
    ASSERT_TRUE(PackList(archive, &listing, &error));
    ASSERT_EQ(listing.size(), 1u);
    EXPECT_EQ(listing[0].name, "game.txt");

    // 2.2 GB that take no room: refused by their size, not read.
    ASSERT_EQ(std::system("rm -rf zp_b/big && mkdir zp_b/big && truncate -s 2200M zp_b/big/HUGE.BMP"), 0);
    EXPECT_EQ(ZempackRun("build zp_b/big zp_b/big.zem", &out), 1);
    EXPECT_NE(out.find("larger than 2 GiB"), std::string::npos) << out;
    EXPECT_NE(access("zp_b/big.zem", F_OK), 0);
    EXPECT_EQ(ZempackRun("build zp_b/missing zp_b/m.zem", &out), 1);
}

// A folder too large for an archive is refused before any file is read,
// even when no single file crosses the bound (measured from the children's
// own peak memory); a file replaced by extract --force is a new file, so a
// hard link to the old one from outside the folder keeps its bytes.
TEST(Zempack, BuildCountsBeforeReadingAndForceReplacesByRenaming) {
    std::string error, out;
    ASSERT_EQ(std::system("rm -rf zp_t && mkdir -p zp_t/big zp_t/out && truncate -s 1100M zp_t/big/A.BMP "
                          "zp_t/big/B.BMP"),
              0);
    EXPECT_EQ(ZempackRun("build zp_t/big zp_t/big.zem", &out), 1);
    EXPECT_NE(out.find("larger than 2 GiB"), std::string::npos) << out;
    EXPECT_NE(out.find("nothing was read"), std::string::npos) << out;
    struct rusage children;
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &children), 0);
    EXPECT_LT(children.ru_maxrss, 100 * 1024) << "kB at the peak";

    ASSERT_TRUE(PackWriteFile("zp_t/a.zem", BuildArchive({{"A.TXT", Bytes("new a")}}), &error));
    ASSERT_TRUE(PackWriteFile("zp_t/outside", Bytes("outside"), &error));
    ASSERT_EQ(link("zp_t/outside", "zp_t/out/A.TXT"), 0);
    EXPECT_EQ(ZempackRun("extract --force zp_t/a.zem zp_t/out", &out), 0) << out;
    EXPECT_EQ(Contents("zp_t/out/A.TXT"), "new a");
    EXPECT_EQ(Contents("zp_t/outside"), "outside");
    EXPECT_EQ(std::system("ls -a zp_t/out | grep -q zempack"), 256) << "a temporary file was left";
}

// What is not an archive file is refused unread, whatever the command; a
// damaged directory, a missing end marker and duplicate names are named;
// names are listed with their unprintable bytes escaped.
TEST(Zempack, ListCheckAndExtractTakeOnlySoundArchives) {
    std::string error, out;
    ASSERT_EQ(std::system("rm -rf zp_c && mkdir -p zp_c/dir.zem"), 0);
    ASSERT_EQ(mkfifo("zp_c/fifo.zem", 0600), 0);
    for (const char* command : {"list", "check", "extract"}) {
        for (const char* path : {"zp_c/dir.zem", "zp_c/fifo.zem", "/dev/zero", "zp_c/none.zem"}) {
            std::string arguments = std::string(command) + " " + path + (command[0] == 'e' ? " zp_c/out" : "");
            EXPECT_EQ(ZempackRun(arguments, &out), 1) << arguments << ": " << out;
            EXPECT_NE(out.find(path), std::string::npos) << out;
        }
    }

    std::vector<uint8_t> good = BuildArchive({{"A.TXT", Bytes("a")}, {"B.TXT", Bytes("b")}});
    std::vector<uint8_t> noMarker = good, twice = good, escape = good;
    // Without its end marker: one entry fewer, the last member's offset
    // standing in for it.
    noMarker[0] = 2;
    noMarker.erase(noMarker.begin() + 4 + 2 * 17, noMarker.begin() + 4 + 3 * 17);
    for (int i = 0; i < 2; i++) {
        int32_t offset;
        std::memcpy(&offset, noMarker.data() + 4 + 17 * i, 4);
        offset -= 17;
        std::memcpy(noMarker.data() + 4 + 17 * i, &offset, 4);
    }
    std::memcpy(twice.data() + 8 + 17, "a.txt", 5);
    std::memcpy(escape.data() + 8, "\x1b[2J", 5);
    const struct { std::vector<uint8_t> bytes; const char* check; } cases[] = {
        {noMarker, "no end marker: the last entry is \"B.TXT\""},
        {twice, "the same name as the entry before it (entry 2, \"a.txt\")"},
        {escape, "\"\\x1b[2J\" is not an 8.3 name"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(PackWriteFile("zp_c/bad.zem", c.bytes, &error));
        EXPECT_EQ(ZempackRun("check zp_c/bad.zem", &out), 1) << c.check;
        EXPECT_NE(out.find(c.check), std::string::npos) << out;
    }
    EXPECT_EQ(ZempackRun("list zp_c/bad.zem", &out), 0);
    EXPECT_NE(out.find("\\x1b[2J"), std::string::npos) << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos);
}
