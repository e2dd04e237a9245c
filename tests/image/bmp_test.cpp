#include <cstring>
#include <string>

#include "tests/image/pictures.h"

// The 4 x 2 picture with rows (top) 1 2 3 4 and (bottom) 5 6 7 8.
static std::vector<uint8_t> Small() { return MakeSimpleBmp(4, 2, {1, 2, 3, 4, 5, 6, 7, 8}); }

TEST(LoadBmp, StoresRowsTopFirstOrColumnsRightToLeft) {
    FreshProgram();
    std::vector<uint8_t> odd = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};  // 5 x 3
    ASSERT_TRUE(Install({{"SMALL.BMP", Small()}, {"ODD.BMP", MakeSimpleBmp(5, 3, odd)}}));
    struct Case {
        const char* name;
        int columnMajor;
        int32_t width, height;
        std::vector<uint8_t> bytes;
    } cases[] = {{"SMALL.BMP", 0, 4, 2, {1, 2, 3, 4, 5, 6, 7, 8}},
                 {"SMALL.BMP", 1, 2, 4, {4, 8, 3, 7, 2, 6, 1, 5}},
                 {"ODD.BMP", 0, 5, 3, odd},  // the padding byte of each file row is dropped
                 {"ODD.BMP", 1, 3, 5, {5, 10, 15, 4, 9, 14, 3, 8, 13, 2, 7, 12, 1, 6, 11}}};
    Image* images[4] = {};
    for (int i = 0; i < 4; i++) {
        ASSERT_TRUE(zemLoadBMP(cases[i].name, &images[i], nullptr, nullptr, 0, 0, 0, cases[i].columnMajor));
        EXPECT_EQ(Content(images[i]), cases[i].bytes) << i;
        EXPECT_EQ(images[i]->width * 100 + images[i]->pitch * 10 + images[i]->height,
                  cases[i].width * 110 + cases[i].height);
        EXPECT_EQ(std::string(images[i]->name), cases[i].name);
    }
    // Four records, 8-byte blocks, and 15-byte ones rounded up to 16.
    EXPECT_EQ(BytesAlive(), 4 * (int32_t)sizeof(Image) + 8 + 8 + 16 + 16);
    for (Image*& image : images) FreeImageList(&image);
    EXPECT_EQ(Blocks() + BytesAlive(), 0);
}

TEST(LoadBmp, EncodesRunsThroughTheRemapTable) {
    FreshProgram();
    // Transparent 7 (the first pixel); rows 7 7 1 2 / 3 7 7 4 / 7 7 7 7.
    std::vector<uint8_t> raw = {7, 7, 1, 2, 3, 7, 7, 4, 7, 7, 7, 7};
    ASSERT_TRUE(Install({{"RUNS.BMP", MakeSimpleBmp(4, 3, raw)}}));
    for (int i = 0; i < 256; i++) RemapTable[i] = (uint8_t)(i + 100);
    const std::vector<uint8_t> expected = {2, 0, 0, 0x80, 2, 0, 0, 0, 101, 102,             // skip 2, 2 bytes
                                           1, 0, 0, 0, 103, 2, 0, 0, 0x80, 1, 0, 0, 0, 104,  // 1, skip 2, 1
                                           4, 0, 0, 0x80};                                   // skip 4
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
    EXPECT_EQ(scratch, raw);
    EXPECT_EQ(Blocks(), 4);
    // Too small a scratch block is refused rather than overrun.
    Image* refused = nullptr;
    EXPECT_FALSE(zemLoadBMP("RUNS.BMP", &refused, nullptr, scratch.data(), 11, 0, 1, 0));
    EXPECT_EQ(refused, nullptr);
    FreeImageList(&own);
    FreeImageList(&scratched);
    EXPECT_EQ(Blocks(), 0);
}

// Gamma 1.2 and 2.0; a short colour table at the end of a small file leaves
// what the file does not hold at 0.
TEST(LoadBmp, ConvertsThePaletteWithGamma) {
    FreshProgram();
    BmpLayout layout;
    layout.width = layout.height = 2;
    layout.pixels = {1, 2, 3, 1};
    layout.colours = {0xFF8001, 0x0002FF, 0x112233};
    layout.colourTableEntries = 4;
    layout.colorsUsed = 2;  // the third entry stays as read
    std::vector<uint8_t> file = MakeBmp(layout);
    file[54 + 3] = 0x5A;  // the fourth byte stays as read
    ASSERT_TRUE(Install({{"PAL.BMP", file}, {"GREY.BMP", MakeFilledBmp(2, 2, 0)}}));
    uint8_t palette[1024];
    std::memset(palette, 0xAA, sizeof palette);
    Image* image = nullptr;
    ASSERT_TRUE(zemLoadBMP("PAL.BMP", &image, palette, nullptr, 0, 0, 0, 0));
    EXPECT_EQ((std::vector<uint8_t>(palette, palette + 16)),
              (std::vector<uint8_t>{254, 111, 0, 0x5A, 0, 0, 254, 0, 0x33, 0x22, 0x11, 0, 0, 0, 0, 0}));
    EXPECT_EQ(palette[16], 3);  // the pixel rows follow the table: read as they are
    EXPECT_EQ(palette[24] + palette[1023], 0);  // beyond the file
    EXPECT_EQ(Content(image), (std::vector<uint8_t>{1, 2, 3, 1}));
    FreeImageList(&image);

    // Palette only, colours-used 0: all 256 entries, here c * c / 256.
    Gamma = 2.0;
    ASSERT_TRUE(zemLoadBMP("GREY.BMP", nullptr, palette, nullptr, 0, 0, 0, 0));
    for (int c = 0; c < 256; c++) ASSERT_EQ(palette[4 * c + 1], c * c / 256) << c;
    EXPECT_EQ(Blocks(), 0);
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
    ASSERT_TRUE(zemLoadBMP("SMALL.BMP", &image, nullptr, nullptr, 0, 1, 0, 0));
    EXPECT_EQ(image, record);
    EXPECT_EQ(image->pixels, block);
    EXPECT_EQ(std::string(image->name), "BIG.BMP");
    EXPECT_EQ(image->x * 100 + image->size, 516);
    EXPECT_EQ(image->width * 10 + image->height, 42);
    EXPECT_EQ((std::vector<uint8_t>(block, block + 8)), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));

    // An encoded reload keeps the record and replaces its block; it needs a
    // scratch block.
    std::vector<uint8_t> scratch(64);
    ASSERT_TRUE(zemLoadBMP("SMALL.BMP", &image, nullptr, scratch.data(), 64, 1, 1, 0));
    EXPECT_EQ(image, record);
    EXPECT_EQ(image->encoded, 1);
    EXPECT_EQ(Blocks(), 2);
    EXPECT_FALSE(zemLoadBMP("SMALL.BMP", &image, nullptr, nullptr, 0, 1, 1, 0));
    EXPECT_EQ(image, record);

    // A larger picture releases the whole list and makes a fresh record.
    ASSERT_TRUE(zemLoadBMP("SMALL.BMP", &image->next, nullptr, nullptr, 0, 0, 0, 0));
    ASSERT_TRUE(zemLoadBMP("HUGE.BMP", &image, nullptr, nullptr, 0, 1, 0, 0));
    EXPECT_EQ(Blocks(), 2);
    EXPECT_EQ(image->next, nullptr);
    EXPECT_EQ(std::string(image->name), "HUGE.BMP");
    // An encoded record is never written as a raw one: it is replaced.
    Image* encoded = nullptr;
    ASSERT_TRUE(zemLoadBMP("HUGE.BMP", &encoded, nullptr, nullptr, 0, 0, 1, 0));
    ASSERT_TRUE(zemLoadBMP("SMALL.BMP", &encoded, nullptr, nullptr, 0, 1, 0, 0));
    EXPECT_EQ(encoded->encoded, 0);
    EXPECT_EQ(Content(encoded), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    FreeImageList(&image);
    FreeImageList(&encoded);
    EXPECT_EQ(Blocks(), 0);
}

TEST(LoadBmp, RefusesBadFilesAndLeavesNothingBehind) {
    FreshProgram();
    auto bmp = [](int32_t w, int32_t h, void (*change)(BmpLayout&)) {
        BmpLayout layout;
        layout.width = w;
        layout.height = h;
        layout.pixels.assign((size_t)(w < 0 ? 0 : w) * (h < 0 ? -h : h), 3);
        if (change) change(layout);
        return MakeBmp(layout);
    };
    std::vector<uint8_t> rows = MakeFilledBmp(3, 3, 1);
    std::vector<PackMember> bad = {
        {"W0.BMP", bmp(0, 2, nullptr)},
        {"WNEG.BMP", bmp(-4, 2, nullptr)},
        {"H0.BMP", bmp(2, 0, nullptr)},
        {"TOPDOWN.BMP", bmp(2, -2, nullptr)},
        {"WIDE.BMP", bmp(2049, 1, nullptr)},
        {"BPP4.BMP", bmp(2, 2, [](BmpLayout& s) { s.bitsPerPixel = 4; })},
        {"RLE.BMP", bmp(2, 2, [](BmpLayout& s) { s.compression = 1; })},
        {"USED.BMP", bmp(2, 2, [](BmpLayout& s) { s.colorsUsed = 257; })},
        {"OFFSET.BMP", bmp(2, 2, [](BmpLayout& s) { s.pixelOffset = 5000, s.truncateTo = 1100; })},
        {"SHORT.BMP", std::vector<uint8_t>(rows.begin(), rows.end() - 1)},
        {"HEADER.BMP", std::vector<uint8_t>(rows.begin(), rows.begin() + 40)},
        {"HUGE.BMP", MakeFilledBmp(2048, 1, 0)},
    };
    bad.back().data[24] = 0x20;  // height above 2^21: more than 2^32 pixels
    std::vector<PackMember> members = bad;
    members.push_back({"MAXWIDE.BMP", bmp(2048, 1, nullptr)});
    ASSERT_TRUE(Install(members));
    std::vector<uint8_t> scratch(16);
    for (const PackMember& m : bad)
        for (int encode = 0; encode < 2; encode++) {
            Image* image = nullptr;
            EXPECT_FALSE(zemLoadBMP(m.name.c_str(), &image, nullptr, encode ? scratch.data() : nullptr,
                                    16, 0, encode, encode))
                << m.name;
            EXPECT_EQ(image, nullptr);
            EXPECT_EQ(Blocks(), 0) << m.name;
        }
    uint8_t palette[1024];
    EXPECT_TRUE(zemLoadBMP("BPP4.BMP", nullptr, palette, nullptr, 0, 0, 0, 0));
    for (const char* name : {"HEADER.BMP", (const char*)nullptr, "MISSING.BMP", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"})
        EXPECT_FALSE(zemLoadBMP(name, nullptr, palette, nullptr, 0, 0, 0, 0));
    // The widest row that fits the row buffer still loads.
    Image* wide = nullptr;
    EXPECT_TRUE(zemLoadBMP("MAXWIDE.BMP", &wide, nullptr, nullptr, 0, 0, 0, 0));
    FreeImageList(&wide);
    // Every refused load closed its file: all 40 slots are free.
    for (int i = 0; i < 40; i++) EXPECT_NE(ArchiveOpen("W0.BMP"), nullptr);
}

TEST(LoadBmp, FailedAllocationsLeaveNothingBehind) {
    FreshProgram();
    ASSERT_TRUE(Install({{"A.BMP", Small()}}));
    std::vector<uint8_t> scratch(8);
    struct Case {
        uint8_t* scratch;
        int encode, allocations;
    } cases[] = {{nullptr, 0, 2}, {nullptr, 1, 3}, {scratch.data(), 1, 2}};
    for (const Case& c : cases)
        for (int n = 1; n <= c.allocations; n++) {
            Image* image = nullptr;
            TrackedFailAt(n);
            EXPECT_FALSE(zemLoadBMP("A.BMP", &image, nullptr, c.scratch, 8, 0, c.encode, 0));
            TrackedFailAt(0);
            EXPECT_EQ(image, nullptr);
            EXPECT_EQ(Blocks() + BytesAlive(), 0);
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
    uint8_t target[1024], source[1024] = {};
    std::memset(target, 255, sizeof target);  // all white
    auto set = [](uint8_t* palette, int i, uint8_t r, uint8_t g, uint8_t b) {
        palette[4 * i] = r, palette[4 * i + 1] = g, palette[4 * i + 2] = b;
    };
    set(target, 5, 100, 0, 0);  // exact, but never chosen
    set(target, 150, 90, 0, 0);
    set(target, 40, 50, 60, 70);  // a tie: the lower index
    set(target, 90, 50, 60, 70);
    set(source, 1, 100, 0, 0);
    set(source, 2, 50, 60, 70);
    BuildRemapTable(target, source);
    EXPECT_EQ(RemapTable[1], 150);
    EXPECT_EQ(RemapTable[2], 40);
    EXPECT_EQ(RemapTable[0], 150);
    for (int i : {40, 90, 150}) set(target, i, 255, 255, 255);
    BuildRemapTable(target, source);
    EXPECT_EQ(RemapTable[0], 10);  // black against white: distance 195075
    for (int i = 0; i < 256; i++) EXPECT_TRUE(RemapTable[i] >= 10 && RemapTable[i] <= 209);
    BuildRemapTable(nullptr, source);
    for (int i = 0; i < 256; i++) ASSERT_EQ(RemapTable[i], i);
    BuildRemapTable(target, source);
    BuildRemapTable(target, nullptr);
    EXPECT_EQ(RemapTable[200], 200);
}
