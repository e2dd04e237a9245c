#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/support/support.h"

static std::vector<uint8_t> Counting(int n) {
    std::vector<uint8_t> bytes(n);
    for (int i = 0; i < n; i++) bytes[i] = (uint8_t)i;
    return bytes;
}

class Archive : public ::testing::Test {
protected:
    void SetUp() override {
        UseArchive = 1;
        ASSERT_EQ(InstallArchive({{"CURS0000.BMP", Counting(100)},
                                  {"game.txt", Bytes("location a\n")},
                                  {"EMPTY.DAT", {}},
                                  {"_FIRST.BIN", Bytes("x")}}),
                  1);
    }
    void TearDown() override {
        ArchiveRelease();
        LinkedResources = nullptr;
    }
};

TEST_F(Archive, LookupIgnoresCaseButNothingElse) {
    MemberHandle* h = ArchiveOpen("curs0000.bmp");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->size, 100);
    ArchiveClose(h);
    EXPECT_NE((h = ArchiveOpen("GAME.TXT")), nullptr);
    ArchiveClose(h);
    EXPECT_NE((h = ArchiveOpen("_first.bin")), nullptr);  // underscore sorts before letters
    ArchiveClose(h);
    EXPECT_EQ(ArchiveOpen("CURS0000.BMP "), nullptr);
    EXPECT_EQ(ArchiveOpen("CURS0000.BM"), nullptr);
    EXPECT_EQ(ArchiveOpen(""), nullptr);
    EXPECT_EQ(ArchiveOpen(nullptr), nullptr);
    EXPECT_EQ(ArchiveOpen("CURS0000.BMPX"), nullptr);  // 13 characters
    EXPECT_EQ(ArchiveOpen("\xff"), nullptr);           // the end marker is no member
}

TEST_F(Archive, FortyOpenMembersAtMost) {
    MemberHandle* handles[40];
    for (int i = 0; i < 40; i++) ASSERT_NE((handles[i] = ArchiveOpen("game.txt")), nullptr);
    EXPECT_EQ(ArchiveOpen("game.txt"), nullptr);
    EXPECT_EQ(ArchiveClose(handles[17]), 1);
    EXPECT_EQ(ArchiveClose(handles[17]), 0);
    EXPECT_EQ(ArchiveOpen("CURS0000.BMP"), handles[17]);
}

TEST_F(Archive, ReadsAreWholeOrNothing) {
    MemberHandle* h = ArchiveOpen("CURS0000.BMP");
    ASSERT_NE(h, nullptr);
    uint8_t buffer[100];
    EXPECT_EQ(ArchiveRead(h, buffer, 60), 1);
    EXPECT_EQ(buffer[59], 59);
    int32_t at = h->position;
    EXPECT_EQ(ArchiveRead(h, buffer, 41), 0);
    EXPECT_EQ(h->position, at);
    EXPECT_EQ(ArchiveRead(h, buffer, 40), 1);
    EXPECT_EQ(buffer[39], 99);
    EXPECT_EQ(ArchiveRead(h, buffer, 0), 1);
    EXPECT_EQ(ArchiveRead(h, buffer, 1), 0);
    EXPECT_EQ(ArchiveRead(h, buffer, -1), 0);
    // A member's neighbour is never read into.
    MemberHandle* empty = ArchiveOpen("EMPTY.DAT");
    EXPECT_EQ(ArchiveRead(empty, buffer, 1), 0);
    EXPECT_EQ(ArchiveSeek(empty, 0, 0), 0);
    EXPECT_EQ(ArchiveSeek(empty, 0, 2), 0);
}

TEST_F(Archive, SeekBounds) {
    MemberHandle* h = ArchiveOpen("CURS0000.BMP");
    ASSERT_NE(h, nullptr);
    int32_t start = h->position;
    uint8_t byte;
    EXPECT_EQ(ArchiveSeek(h, 0, 0), 1);
    EXPECT_EQ(ArchiveSeek(h, 99, 0), 1);
    EXPECT_EQ(ArchiveRead(h, &byte, 1), 1);
    EXPECT_EQ(byte, 99);
    EXPECT_EQ(ArchiveSeek(h, 100, 0), 0);
    EXPECT_EQ(ArchiveSeek(h, -1, 0), 0);
    EXPECT_EQ(ArchiveSeek(h, 5, 3), 0);
    EXPECT_EQ(ArchiveSeek(h, 0, 2), 1);
    EXPECT_EQ(h->position, start + 100);
    EXPECT_EQ(ArchiveRead(h, &byte, 0), 1);
    EXPECT_EQ(ArchiveRead(h, &byte, 1), 0);
    EXPECT_EQ(ArchiveSeek(h, 100, 2), 0);
    EXPECT_EQ(ArchiveSeek(h, -10, 1), 1);
    EXPECT_EQ(ArchiveRead(h, &byte, 1), 1);
    EXPECT_EQ(byte, 90);
    EXPECT_EQ(ArchiveSeek(h, -92, 1), 0);
    EXPECT_EQ(ArchiveSeek(h, 9, 1), 0);  // the end itself is outside
}

TEST_F(Archive, ReleaseForgetsEverything) {
    MemberHandle* h = ArchiveOpen("game.txt");
    ASSERT_NE(h, nullptr);
    ArchiveRelease();
    uint8_t byte;
    EXPECT_EQ(ArchiveOpen("game.txt"), nullptr);
    EXPECT_EQ(ArchiveRead(h, &byte, 1), 0);
    EXPECT_EQ(ArchiveClose(h), 0);
}

TEST(ArchiveFile, SecondInitReleasesTheFirstAndCountersReturn) {
    LinkedResources = nullptr;
    int32_t blocks = LiveBlocks;
    std::string error;
    std::vector<uint8_t> one = BuildArchive({{"ONE.TXT", Bytes("1")}});
    std::vector<uint8_t> two = BuildArchive({{"TWO.TXT", Bytes("22")}});
    ASSERT_TRUE(PackWriteFile("one.zem", one, &error));
    ASSERT_TRUE(PackWriteFile("two.zem", two, &error));
    ASSERT_EQ(FastFileInit("one.zem", 40), 1);
    ASSERT_EQ(FastFileInit("two.zem", 40), 1);
    EXPECT_EQ(ArchiveOpen("ONE.TXT"), nullptr);
    MemberHandle* h = ArchiveOpen("two.txt");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->size, 2);
    ArchiveRelease();
    EXPECT_EQ(LiveBlocks, blocks);
    EXPECT_EQ(FastFileInit("missing.zem", 40), 0);
    EXPECT_EQ(LiveBlocks, blocks);
    std::remove("one.zem");
    std::remove("two.zem");
}

// Damaged directories are refused and leave nothing allocated.
TEST(ArchiveFile, DamagedArchivesAreRefused) {
    std::vector<uint8_t> good = BuildArchive({{"A.BMP", Counting(10)}, {"B.BMP", Counting(20)}});
    auto offsetOf = [](int entry) { return 4 + 17 * entry; };
    auto setOffset = [&](std::vector<uint8_t> bytes, int entry, int32_t value) {
        std::memcpy(bytes.data() + offsetOf(entry), &value, 4);
        return bytes;
    };
    std::vector<std::pair<const char*, std::vector<uint8_t>>> cases;
    std::vector<uint8_t> tooMany = good;
    tooMany[0] = 200;
    cases.push_back({"count larger than the file", tooMany});
    cases.push_back({"offset beyond the end", setOffset(good, 2, (int32_t)good.size() + 1)});
    cases.push_back({"negative offset", setOffset(good, 0, -5)});
    cases.push_back({"offsets decreasing", setOffset(good, 2, 60)});
    std::vector<uint8_t> unterminated = good;
    std::memset(unterminated.data() + offsetOf(1) + 4, 'X', 13);
    cases.push_back({"unterminated name", unterminated});
    cases.push_back({"truncated directory", std::vector<uint8_t>(good.begin(), good.begin() + 30)});
    cases.push_back({"no count", std::vector<uint8_t>(good.begin(), good.begin() + 3)});
    std::vector<uint8_t> none(4, 0);
    cases.push_back({"no end marker", none});

    ASSERT_EQ(ArchiveCheck(good.data(), good.size()), 1);
    for (auto& c : cases) {
        int32_t blocks = LiveBlocks;
        LinkedResource table[2] = {{"data.zem", c.second.data(), (uint32_t)c.second.size()},
                                   {nullptr, nullptr, 0}};
        LinkedResources = table;
        EXPECT_EQ(FastFileInit("data.zem", 40), 0) << c.first;
        EXPECT_EQ(LiveBlocks, blocks) << c.first;
        EXPECT_EQ(ArchiveOpen("A.BMP"), nullptr) << c.first;
        LinkedResources = nullptr;
    }
}

TEST(PlainFiles, ReadsDeliverEveryByteOrFail) {
    std::string error;
    ASSERT_EQ(system("mkdir -p plain_files_test/data"), 0);
    ASSERT_TRUE(PackWriteFile("plain_files_test/data/SHORT.BIN", Bytes("abcd"), &error));
    ASSERT_EQ(chdir("plain_files_test"), 0);
    UseArchive = 0;
    ASSERT_EQ(DataDirectoryEnter(), 1);
    AssetFile* f = AssetOpen("SHORT.BIN");
    ASSERT_NE(f, nullptr);
    char buffer[8] = {};
    EXPECT_EQ(AssetRead(f, buffer, 3), 1);
    EXPECT_EQ(AssetRead(f, buffer, 3), 0);  // only one byte was left
    EXPECT_EQ(AssetSeek(f, 1), 1);
    EXPECT_EQ(AssetRead(f, buffer, 2), 1);
    EXPECT_EQ(std::string(buffer, 2), "bc");
    EXPECT_EQ(AssetClose(f), 1);
    EXPECT_EQ(AssetOpen("MISSING.BIN"), nullptr);
    EXPECT_EQ(DataDirectoryLeave(), 1);
    UseArchive = 1;
    ASSERT_EQ(chdir(".."), 0);
}
