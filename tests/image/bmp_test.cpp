#include <cstring>
#include <string>

#include "tests/image/pictures.h"

// The 4 x 2 picture with rows (top) 1 2 3 4 and (bottom) 5 6 7 8.
static std::vector<uint8_t> Small() { return MakeSimpleBmp(4, 2, {1, 2, 3, 4, 5, 6, 7, 8}); }

TEST(LoadBmp, StoresRowsTopFirstOrColumnsRightToLeft) {
    FreshProgram();
    std::vector<uint8_t> odd = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};  // 5 x 3
    ASSERT_TRUE(Install({{"SMALL.BMP", Small()}, {"ODD.BMP", MakeSimpleBmp(5, 3, odd)}}));
    Image *rows = nullptr, *columns = nullptr, *oddRows = nullptr, *oddColumns = nullptr;
    ASSERT_TRUE(zemLoadBMP("SMALL.BMP", &rows, nullptr, nullptr, 0, 0, 0, 0));
    ASSERT_TRUE(zemLoadBMP("SMALL.BMP", &columns, nullptr, nullptr, 0, 0, 0, 1));
    ASSERT_TRUE(zemLoadBMP("ODD.BMP", &oddRows, nullptr, nullptr, 0, 0, 0, 0));
    ASSERT_TRUE(zemLoadBMP("ODD.BMP", &oddColumns, nullptr, nullptr, 0, 0, 0, 1));
    EXPECT_EQ(Content(rows), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Content(columns), (std::vector<uint8_t>{4, 8, 3, 7, 2, 6, 1, 5}));
    EXPECT_EQ(columns->width, 2);
    EXPECT_EQ(columns->pitch, 2);
    EXPECT_EQ(columns->height, 4);
    EXPECT_EQ(std::string(columns->name), "SMALL.BMP");
    EXPECT_EQ(Content(oddRows), odd);  // the padding byte of each file row is dropped
    for (int c = 0; c < 5; c++)
        for (int r = 0; r < 3; r++) EXPECT_EQ(oddColumns->pixels[(4 - c) * 3 + r], odd[r * 5 + c]);
    // Record plus a 15-byte block rounded up to 16.
    EXPECT_EQ(BytesAlive(), 4 * (int32_t)sizeof(Image) + 8 + 8 + 16 + 16);
    for (Image** i : {&rows, &columns, &oddRows, &oddColumns}) FreeImageList(i);
    EXPECT_EQ(Blocks(), 0);
    EXPECT_EQ(BytesAlive(), 0);
}

TEST(LoadBmp, EncodesRunsThroughTheRemapTable) {
    FreshProgram();
    // Transparent 7 (the first pixel); rows 7 7 1 2 / 3 7 7 4 / 7 7 7 7.
    ASSERT_TRUE(Install({{"RUNS.BMP", MakeSimpleBmp(4, 3, {7, 7, 1, 2, 3, 7, 7, 4, 7, 7, 7, 7})}}));
    for (int i = 0; i < 256; i++) RemapTable[i] = (uint8_t)(i + 100);
    std::vector<uint8_t> expected;
    PutWord(expected, 0x80000002);
    PutWord(expected, 2);
    expected.insert(expected.end(), {101, 102});
    PutWord(expected, 1);
    expected.push_back(103);
    PutWord(expected, 0x80000002);
    PutWord(expected, 1);
    expected.push_back(104);
    PutWord(expected, 0x80000004);

    Image* own = nullptr;
    ASSERT_TRUE(zemLoadBMP("RUNS.BMP", &own, nullptr, nullptr, 0, 0, 1, 0));
    EXPECT_EQ(own->encoded, 1);
    EXPECT_EQ(own->size, (int32_t)expected.size());
    EXPECT_EQ(Content(own), expected);
    EXPECT_EQ(Blocks(), 2);  // the loader's raw block is gone

    std::vector<uint8_t> scratch(12, 0xEE);
    Image* scratched = nullptr;
    ASSERT_TRUE(zemLoadBMP("RUNS.BMP", &scratched, nullptr, scratch.data(), 12, 0, 1, 0));
    EXPECT_EQ(Content(scratched), expected);
    EXPECT_EQ(scratch, (std::vector<uint8_t>{7, 7, 1, 2, 3, 7, 7, 4, 7, 7, 7, 7}));
    EXPECT_EQ(Blocks(), 4);
    // Too small a scratch block is refused rather than overrun.
    Image* refused = nullptr;
    EXPECT_FALSE(zemLoadBMP("RUNS.BMP", &refused, nullptr, scratch.data(), 11, 0, 1, 0));
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(Blocks(), 4);
    FreeImageList(&own);
    FreeImageList(&scratched);
}

TEST(LoadBmp, ConvertsThePaletteWithGamma) {
    FreshProgram();
    BmpLayout layout;
    layout.width = layout.height = 1;
    layout.pixels = {0};
    layout.colours = {0xFF8001, 0x0002FF, 0x112233};
    layout.colorsUsed = 2;
    std::vector<uint8_t> file = MakeBmp(layout);
    file[54 + 3] = 0x5A;  // the fourth byte stays as read
    ASSERT_TRUE(Install({{"PAL.BMP", file}, {"GREY.BMP", MakeFilledBmp(2, 2, 0)}}));
    uint8_t palette[1024];
    Image* image = nullptr;
    ASSERT_TRUE(zemLoadBMP("PAL.BMP", &image, palette, nullptr, 0, 0, 0, 0));
    EXPECT_EQ((std::vector<uint8_t>(palette, palette + 12)),
              (std::vector<uint8_t>{254, 111, 0, 0x5A, 0, 0, 254, 0, 0x33, 0x22, 0x11, 0}));
    FreeImageList(&image);

    // Palette only, colours-used 0: all 256 entries, here c * c / 256.
    Gamma = 2.0;
    ASSERT_TRUE(zemLoadBMP("GREY.BMP", nullptr, palette, nullptr, 0, 0, 0, 0));
    for (int c = 0; c < 256; c++) ASSERT_EQ(palette[4 * c + 1], c * c / 256) << c;
    EXPECT_EQ(Blocks(), 0);
}

TEST(LoadBmp, ShortColourTableStillLoads) {
    FreshProgram();
    BmpLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.pixels = {1, 2, 3, 1};
    layout.colours = {0x000000, 0xFFFFFF, 0x800000, 0x008000};
    layout.colourTableEntries = 4;
    layout.colorsUsed = 4;
    ASSERT_TRUE(Install({{"TINY.BMP", MakeBmp(layout)}}));
    uint8_t palette[1024];
    std::memset(palette, 0xAA, sizeof palette);
    Image* image = nullptr;
    ASSERT_TRUE(zemLoadBMP("TINY.BMP", &image, palette, nullptr, 0, 0, 0, 0));
    EXPECT_EQ(Content(image), (std::vector<uint8_t>{1, 2, 3, 1}));
    EXPECT_EQ(palette[4], 254);
    EXPECT_EQ(palette[8], 111);
    EXPECT_EQ(palette[4 * 4], 3);  // the pixel rows follow the table: read as they are
    EXPECT_EQ(palette[4 * 6], 0);  // beyond the file: 0
    EXPECT_EQ(palette[1023], 0);
    FreeImageList(&image);
}

TEST(LoadBmp, ReuseKeepsOrReplacesTheRecord) {
    FreshProgram();
    ASSERT_TRUE(Install({{"BIG.BMP", MakeFilledBmp(4, 4, 9)},
                                {"SMALL.BMP", Small()},
                                {"HUGE.BMP", MakeFilledBmp(5, 4, 2)}}));
    Image* image = nullptr;
    ASSERT_TRUE(zemLoadBMP("BIG.BMP", &image, nullptr, nullptr, 0, 0, 0, 0));
    Image* record = image;
    uint8_t* block = image->pixels;
    image->x = 5;
    image->y = 6;
    ASSERT_TRUE(zemLoadBMP("SMALL.BMP", &image, nullptr, nullptr, 0, 1, 0, 0));
    EXPECT_EQ(image, record);
    EXPECT_EQ(image->pixels, block);
    EXPECT_EQ(std::string(image->name), "BIG.BMP");
    EXPECT_EQ(image->x, 5);
    EXPECT_EQ(image->size, 16);
    EXPECT_EQ(image->width * 10 + image->height, 42);
    EXPECT_EQ((std::vector<uint8_t>(block, block + 8)), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));

    // An encoded reload keeps the record and replaces its block.
    std::vector<uint8_t> scratch(64);
    ASSERT_TRUE(zemLoadBMP("SMALL.BMP", &image, nullptr, scratch.data(), 64, 1, 1, 0));
    EXPECT_EQ(image, record);
    EXPECT_EQ(image->encoded, 1);
    EXPECT_EQ(Blocks(), 2);
    // Reuse with encode needs a scratch block.
    EXPECT_FALSE(zemLoadBMP("SMALL.BMP", &image, nullptr, nullptr, 0, 1, 1, 0));
    EXPECT_EQ(image, record);

    // A larger picture releases the whole list and makes a fresh record.
    ASSERT_TRUE(zemLoadBMP("SMALL.BMP", &image->next, nullptr, nullptr, 0, 0, 0, 0));
    EXPECT_EQ(Blocks(), 4);
    ASSERT_TRUE(zemLoadBMP("HUGE.BMP", &image, nullptr, nullptr, 0, 1, 0, 0));
    EXPECT_EQ(Blocks(), 2);
    EXPECT_EQ(image->next, nullptr);
    EXPECT_EQ(std::string(image->name), "HUGE.BMP");
    // An encoded record is never written as a raw one: it is replaced.
    ASSERT_TRUE(zemLoadBMP("HUGE.BMP", &image->next, nullptr, nullptr, 0, 0, 1, 0));
    Image* encoded = image->next;
    image->next = nullptr;
    ASSERT_TRUE(zemLoadBMP("SMALL.BMP", &encoded, nullptr, nullptr, 0, 1, 0, 0));
    EXPECT_EQ(encoded->encoded, 0);
    EXPECT_EQ(Content(encoded), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    FreeImageList(&image);
    FreeImageList(&encoded);
    EXPECT_EQ(Blocks(), 0);
}

TEST(LoadBmp, RefusesBadFilesAndLeavesNothingBehind) {
    FreshProgram();
    auto bmp = [](int32_t w, int32_t h, auto change) { return DamagedBmp(w, h, change); };
    auto same = [](BmpLayout&) {};
    std::vector<uint8_t> rows = MakeFilledBmp(3, 3, 1);
    std::vector<PackMember> bad = {
        {"W0.BMP", bmp(0, 2, same)},
        {"WNEG.BMP", bmp(-4, 2, same)},
        {"H0.BMP", bmp(2, 0, same)},
        {"TOPDOWN.BMP", bmp(2, -2, same)},
        {"WIDE.BMP", bmp(2049, 1, same)},
        {"BPP4.BMP", bmp(2, 2, [](BmpLayout& s) { s.bitsPerPixel = 4; })},
        {"RLE.BMP", bmp(2, 2, [](BmpLayout& s) { s.compression = 1; })},
        {"USED.BMP", bmp(2, 2, [](BmpLayout& s) { s.colorsUsed = 257; })},
        {"OFFSET.BMP", bmp(2, 2, [](BmpLayout& s) { s.pixelOffset = 5000; s.truncateTo = 1100; })},
        {"SHORT.BMP", std::vector<uint8_t>(rows.begin(), rows.end() - 1)},
        {"HEADER.BMP", std::vector<uint8_t>(rows.begin(), rows.begin() + 40)},
        {"HUGE.BMP", MakeFilledBmp(2048, 1, 0)},
    };
    bad.back().data[24] = 0x20;  // height above 2^21: more than 2^32 pixels
    std::vector<PackMember> members = bad;
    members.push_back({"MAXWIDE.BMP", bmp(2048, 1, same)});
    ASSERT_TRUE(Install(members));
    std::vector<uint8_t> scratch(16);
    for (const PackMember& m : bad) {
        for (int encode = 0; encode < 2; encode++) {
            Image* image = nullptr;
            EXPECT_FALSE(zemLoadBMP(m.name.c_str(), &image, nullptr, encode ? scratch.data() : nullptr, 16,
                                    0, encode, encode))
                << m.name;
            EXPECT_EQ(image, nullptr);
            EXPECT_EQ(Blocks(), 0) << m.name;
        }
    }
    uint8_t palette[1024];
    EXPECT_TRUE(zemLoadBMP("BPP4.BMP", nullptr, palette, nullptr, 0, 0, 0, 0));
    EXPECT_FALSE(zemLoadBMP("HEADER.BMP", nullptr, palette, nullptr, 0, 0, 0, 0));
    EXPECT_FALSE(zemLoadBMP(nullptr, nullptr, palette, nullptr, 0, 0, 0, 0));
    EXPECT_FALSE(zemLoadBMP("MISSING.BMP", nullptr, palette, nullptr, 0, 0, 0, 0));
    EXPECT_FALSE(zemLoadBMP("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", nullptr, palette, nullptr, 0, 0, 0, 0));
    // The widest row that fits the row buffer still loads.
    Image* wide = nullptr;
    EXPECT_TRUE(zemLoadBMP("MAXWIDE.BMP", &wide, nullptr, nullptr, 0, 0, 0, 0));
    FreeImageList(&wide);
    // Every refused load closed its file: all 40 slots are free.
    std::vector<MemberHandle*> open;
    for (int i = 0; i < 40; i++) open.push_back(ArchiveOpen("W0.BMP"));
    for (MemberHandle* h : open) EXPECT_NE(h, nullptr);
}

TEST(LoadBmp, FailedAllocationsLeaveNothingBehind) {
    FreshProgram();
    ASSERT_TRUE(Install({{"A.BMP", Small()}}));
    std::vector<uint8_t> scratch(8);
    struct Case {
        uint8_t* scratch;
        int encode;
        int allocations;
    } cases[] = {{nullptr, 0, 2}, {nullptr, 1, 3}, {scratch.data(), 1, 2}};
    for (const Case& c : cases) {
        for (int n = 1; n <= c.allocations; n++) {
            Image* image = nullptr;
            TrackedFailAt(n);
            EXPECT_FALSE(zemLoadBMP("A.BMP", &image, nullptr, c.scratch, 8, 0, c.encode, 0));
            TrackedFailAt(0);
            EXPECT_EQ(image, nullptr);
            EXPECT_EQ(Blocks(), 0);
            EXPECT_EQ(BytesAlive(), 0);
        }
    }
    // A kept record whose new stream cannot be had loses its old block.
    Image* kept = nullptr;
    ASSERT_TRUE(zemLoadBMP("A.BMP", &kept, nullptr, nullptr, 0, 0, 0, 0));
    TrackedFailAt(1);
    EXPECT_FALSE(zemLoadBMP("A.BMP", &kept, nullptr, scratch.data(), 8, 1, 1, 0));
    TrackedFailAt(0);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->pixels, nullptr);
    EXPECT_EQ(kept->encoded, 1);
    EXPECT_EQ(Blocks(), 1);
    FreeImageList(&kept);
}

TEST(RemapTable, NearestOfEntries10To209) {
    FreshProgram();
    uint8_t target[1024] = {}, source[1024] = {};
    for (int j = 0; j < 256; j++) std::memset(target + 4 * j, 255, 3);  // all white
    target[4 * 5] = 100, target[4 * 5 + 1] = target[4 * 5 + 2] = 0;  // only entry 5 is exact
    target[4 * 40] = target[4 * 90] = 50;                  // a tie
    target[4 * 40 + 1] = target[4 * 90 + 1] = 60;
    target[4 * 40 + 2] = target[4 * 90 + 2] = 70;
    target[4 * 150] = 90, target[4 * 150 + 1] = target[4 * 150 + 2] = 0;  // the nearest allowed
    source[4 * 1] = 100;
    source[4 * 2] = 50, source[4 * 2 + 1] = 60, source[4 * 2 + 2] = 70;
    BuildRemapTable(target, source);
    EXPECT_EQ(RemapTable[1], 150);
    EXPECT_EQ(RemapTable[2], 40);
    std::memset(target + 4 * 40, 255, 3);
    std::memset(target + 4 * 90, 255, 3);
    std::memset(target + 4 * 150, 255, 3);
    BuildRemapTable(target, source);
    EXPECT_EQ(RemapTable[0], 10);  // black against white: distance 195075
    for (int i = 0; i < 256; i++) EXPECT_TRUE(RemapTable[i] >= 10 && RemapTable[i] <= 209);
    BuildRemapTable(nullptr, source);
    for (int i = 0; i < 256; i++) ASSERT_EQ(RemapTable[i], i);
    BuildRemapTable(target, source);
    BuildRemapTable(target, nullptr);
    EXPECT_EQ(RemapTable[200], 200);
}
