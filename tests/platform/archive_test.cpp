#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/support/support.h"

// Byte i of the member is i, so a read shows where it came from.
static std::vector<uint8_t> Counting(int n) {
    std::vector<uint8_t> bytes(n);
    for (int i = 0; i < n; i++) bytes[i] = (uint8_t)i;
    return bytes;
}

class Archive : public ::testing::Test {
protected:
    void SetUp() override {
        FreshProgram();
        ASSERT_EQ(InstallArchive({{"CURS0000.BMP", Counting(100)},
                                  {"game.txt", Bytes("location a\n")},
                                  {"EMPTY.DAT", {}},
                                  {"_FIRST.BIN", Bytes("x")}}),
                  1);
    }
    void TearDown() override { FreshProgram(); }
};

TEST_F(Archive, LookupIgnoresCaseButNothingElse) {
    const std::pair<const char*, int32_t> names[] = {
        {"curs0000.bmp", 100}, {"GAME.TXT", 11},      {"_first.bin", 1},  // _ sorts before letters
        {"CURS0000.BMP ", -1}, {"CURS0000.BM", -1},   {"", -1},
        {"CURS0000.BMPX", -1}, {"\xff", -1}};  // 13 characters; the end marker is no member
    for (const auto& n : names) {
        MemberHandle* h = ArchiveOpen(n.first);
        EXPECT_EQ(h ? h->size : -1, n.second) << n.first;
        ArchiveClose(h);
    }
    EXPECT_EQ(ArchiveOpen(nullptr), nullptr);
}

// Reads deliver all or nothing and seeks stay inside the member; a refused
// step leaves the position where it was.
TEST_F(Archive, ReadAndSeekBounds) {
    MemberHandle* h = ArchiveOpen("CURS0000.BMP");
    ASSERT_NE(h, nullptr);
    const int32_t start = h->position;
    struct Step {
        int seek;
        int32_t n, origin;
        int ok;
        int32_t at;  // position from the member's start afterwards
    } steps[] = {{0, 60, 0, 1, 60},   {0, 41, 0, 0, 60},   {0, 40, 0, 1, 100},  {0, 0, 0, 1, 100},
                 {0, 1, 0, 0, 100},   {0, -1, 0, 0, 100},  {1, 0, 0, 1, 0},     {1, 99, 0, 1, 99},
                 {0, 1, 0, 1, 100},   {1, 100, 0, 0, 100}, {1, -1, 0, 0, 100},  {1, 5, 3, 0, 100},
                 {1, -10, 1, 1, 90},  {0, 1, 0, 1, 91},    {1, -92, 1, 0, 91},  {1, 9, 1, 0, 91},
                 {1, 0, 2, 1, 100},   {0, 0, 0, 1, 100},   {0, 1, 0, 0, 100},   {1, 100, 2, 0, 100},
                 {1, 1, 2, 1, 99}};
    uint8_t buffer[100];
    for (const Step& s : steps) {
        int ok = s.seek ? ArchiveSeek(h, s.n, s.origin) : ArchiveRead(h, buffer, s.n);
        EXPECT_EQ(ok, s.ok) << (s.seek ? "seek " : "read ") << s.n << " at " << s.at;
        EXPECT_EQ(h->position - start, s.at);
        if (!s.seek && ok && s.n > 0) {
            EXPECT_EQ(buffer[s.n - 1], s.at - 1);
        }
    }
    MemberHandle* empty = ArchiveOpen("EMPTY.DAT");  // its neighbour is never read into
    EXPECT_EQ(ArchiveRead(empty, buffer, 1), 0);
    EXPECT_EQ(ArchiveSeek(empty, 0, 0) + ArchiveSeek(empty, 0, 2), 0);
}

TEST_F(Archive, FortySlotsAndRelease) {
    MemberHandle* handles[40];
    for (int i = 0; i < 40; i++) ASSERT_NE((handles[i] = ArchiveOpen("game.txt")), nullptr);
    EXPECT_EQ(ArchiveOpen("game.txt"), nullptr);
    EXPECT_EQ(ArchiveClose(handles[17]), 1);
    EXPECT_EQ(ArchiveClose(handles[17]), 0);
    EXPECT_EQ(ArchiveOpen("CURS0000.BMP"), handles[17]);
    ArchiveRelease();
    uint8_t byte;
    EXPECT_EQ(ArchiveOpen("game.txt"), nullptr);
    EXPECT_EQ(ArchiveRead(handles[0], &byte, 1), 0);
    EXPECT_EQ(ArchiveClose(handles[0]), 0);
}

TEST(ArchiveFile, SecondInitReleasesTheFirstAndCountersReturn) {
    FreshProgram();
    std::vector<uint8_t> one = BuildArchive({{"ONE.TXT", Bytes("1")}}), two = BuildArchive({{"TWO.TXT", Bytes("22")}});
    LinkedResource table[3] = {{"one.zem", one.data(), (uint32_t)one.size()},
                               {"two.zem", two.data(), (uint32_t)two.size()}, {}};
    LinkedResources = table;
    ASSERT_EQ(FastFileInit("one.zem", 40), 1);
    ASSERT_EQ(FastFileInit("two.zem", 40), 1);
    EXPECT_EQ(ArchiveOpen("ONE.TXT"), nullptr);
    MemberHandle* h = ArchiveOpen("two.txt");
    EXPECT_EQ(h ? h->size : 0, 2);
    EXPECT_EQ(FastFileInit("missing.zem", 40), 0);
    EXPECT_EQ(LiveBlocks, 0);
    FreshProgram();
}

// Damaged directories are refused and leave nothing allocated.
TEST(ArchiveFile, DamagedArchivesAreRefused) {
    FreshProgram();
    std::vector<uint8_t> good = BuildArchive({{"A.BMP", Counting(10)}, {"B.BMP", Counting(20)}});
    auto setOffset = [&](int entry, int32_t value) {
        std::vector<uint8_t> bytes = good;
        std::memcpy(bytes.data() + 4 + 17 * entry, &value, 4);
        return bytes;
    };
    std::vector<uint8_t> tooMany = good, unterminated = good;
    tooMany[0] = 200;
    std::memset(unterminated.data() + 4 + 17 + 4, 'X', 13);
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"count larger than the file", tooMany},
        {"offset beyond the end", setOffset(2, (int32_t)good.size() + 1)},
        {"negative offset", setOffset(0, -5)},
        {"offsets decreasing", setOffset(2, 60)},
        {"unterminated name", unterminated},
        {"truncated directory", std::vector<uint8_t>(good.begin(), good.begin() + 30)},
        {"no count", std::vector<uint8_t>(good.begin(), good.begin() + 3)},
        {"no end marker", std::vector<uint8_t>(4, 0)}};
    // The lookup is a binary search: names out of order or twice, or an end
    // marker that does not sort last, would make members go missing.
    std::vector<uint8_t> swapped = good, twice = good, marker = good;
    std::memcpy(swapped.data() + 8, "B.BMP", 5);
    std::memcpy(swapped.data() + 8 + 17, "A.BMP", 5);
    std::memcpy(twice.data() + 8 + 17, "a.bmp", 5);
    std::memcpy(marker.data() + 8 + 34, "AA.BMP", 7);
    const std::pair<const char*, std::vector<uint8_t>> order[] = {
        {"names out of order", swapped}, {"the same name twice", twice}, {"end marker not last", marker}};
    ASSERT_EQ(ArchiveCheck(good.data(), good.size()), 1);
    std::vector<std::pair<const char*, std::vector<uint8_t>>> all(std::begin(cases), std::end(cases));
    all.insert(all.end(), std::begin(order), std::end(order));
    for (const auto& c : all) {
        LinkedResource table[2] = {{"data.zem", c.second.data(), (uint32_t)c.second.size()}, {}};
        LinkedResources = table;
        EXPECT_EQ(FastFileInit("data.zem", 40), 0) << c.first;
        EXPECT_NE(ArchiveFailure, nullptr) << c.first;
        EXPECT_EQ(LiveBlocks, 0) << c.first;
        EXPECT_EQ(ArchiveOpen("A.BMP"), nullptr) << c.first;
    }
    LinkedResources = nullptr;
    uint32_t entry = 99;
    const char* why = nullptr;
    EXPECT_EQ(ArchiveCheckWhy(twice.data(), twice.size(), &entry, &why), 0);
    EXPECT_EQ(entry, 1u);
    EXPECT_STREQ(why, "the same name as the entry before it");
    EXPECT_EQ(ArchiveCheckWhy(marker.data(), marker.size(), &entry, &why), 0);
    EXPECT_EQ(entry, 2u);
}

// Only a regular file is an archive. None of these may block, and each
// says what it is.
TEST(ArchiveFile, FifoDeviceAndFolderAreNoArchive) {
    FreshProgram();
    ASSERT_EQ(system("rm -rf not_archives && mkdir -p not_archives/folder.zem"), 0);
    ASSERT_EQ(mkfifo("not_archives/fifo.zem", 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", "not_archives/device.zem"), 0);
    ASSERT_EQ(symlink("fifo.zem", "not_archives/link.zem"), 0);
    ASSERT_EQ(system("touch not_archives/empty.zem"), 0);
    const std::pair<const char*, const char*> refused[] = {
        {"not_archives/fifo.zem", "it is a FIFO, not an archive file"},
        {"not_archives/link.zem", "it is a FIFO, not an archive file"},
        {"/dev/zero", "it is a device, not an archive file"},
        {"not_archives/device.zem", "it is a device, not an archive file"},
        {"not_archives/folder.zem", "it is a folder, not an archive file"},
        {"not_archives/none.zem", "there is no such file"},
        {"not_archives/empty.zem", "it is empty"}};
    for (const auto& c : refused) {
        EXPECT_EQ(FastFileInit(c.first, 40), 0) << c.first;
        EXPECT_STREQ(ArchiveFailure, c.second) << c.first;
        EXPECT_EQ(LiveBlocks, 0) << c.first;
    }
    // A link to a real archive is fine.
    std::string error;
    ASSERT_TRUE(PackWriteFile("not_archives/real.zem", BuildArchive({{"A.TXT", Bytes("a")}}), &error));
    ASSERT_EQ(symlink("real.zem", "not_archives/good.zem"), 0);
    EXPECT_EQ(FastFileInit("not_archives/good.zem", 40), 1);
    EXPECT_EQ(ArchiveFailure, nullptr);
    FreshProgram();
}

// The archive may be rebuilt while the program runs. Read whole, it keeps
// what it read at the start; read on demand, a read the file can no longer
// serve fails like a missing member, and nothing crashes.
TEST(ArchiveFile, TruncatedOrRewrittenWhileOpen) {
    FreshProgram();
    std::vector<uint8_t> big = Counting(250);
    big.resize(200000, 7);  // beyond the read window of on-demand reads
    std::vector<uint8_t> archive =
        BuildArchive({{"A.TXT", Bytes("alpha")}, {"BIG.BIN", big}, {"Z.TXT", Bytes("zulu")}});
    std::string error;
    const size_t saved = ArchiveMemoryLimit;
    for (size_t limit : {saved, (size_t)0}) {
        SCOPED_TRACE(limit ? "read whole" : "read on demand");
        ASSERT_TRUE(PackWriteFile("rebuilt.zem", archive, &error));
        ArchiveMemoryLimit = limit;
        ASSERT_EQ(FastFileInit("rebuilt.zem", 40), 1);
        MemberHandle* a = ArchiveOpen("A.TXT");
        char text[8] = {};
        ASSERT_EQ(ArchiveRead(a, text, 2), 1);  // the window now holds A.TXT
        EXPECT_EQ(std::string(text, 2), "al");
        ASSERT_EQ(truncate("rebuilt.zem", 100), 0);
        EXPECT_EQ(ArchiveRead(a, text, 3), 1);  // from the window or the copy
        EXPECT_EQ(std::string(text, 3), "pha");
        MemberHandle* z = ArchiveOpen("Z.TXT");
        MemberHandle* b = ArchiveOpen("BIG.BIN");
        std::vector<uint8_t> back(big.size());
        EXPECT_EQ(ArchiveRead(z, text, 4), limit ? 1 : 0);
        EXPECT_EQ(ArchiveRead(b, back.data(), (int32_t)back.size()), limit ? 1 : 0);
        if (limit) {
            EXPECT_EQ(back, big);
        }
        EXPECT_EQ(b->position, b->entry->offset + (limit ? (int32_t)big.size() : 0));
        // Rewritten with other bytes: the directory read at the start holds.
        int fd = open("rebuilt.zem", O_WRONLY | O_TRUNC);
        ASSERT_GE(fd, 0);
        std::vector<uint8_t> junk(archive.size(), 0xEE);
        ASSERT_EQ(write(fd, junk.data(), junk.size()), (ssize_t)junk.size());
        close(fd);
        ArchiveSeek(b, 0, 0);
        EXPECT_EQ(ArchiveRead(b, back.data(), 100), 1);
        EXPECT_EQ(back[99], limit ? 99 : 0xEE);
        EXPECT_EQ(ArchiveOpen("A.TXT") != nullptr, true);
        ArchiveRelease();
    }
    ArchiveMemoryLimit = saved;
    EXPECT_EQ(LiveBlocks, 0);
    FreshProgram();
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
