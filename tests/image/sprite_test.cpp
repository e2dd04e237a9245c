#include <string>

#include "tests/image/pictures.h"

static std::vector<Image*> Frames(const Sprite* sprite) {
    std::vector<Image*> frames;
    for (Image* f = sprite->first; f; f = f->next) frames.push_back(f);
    return frames;
}

// Frames prefix0000.BMP .. of one size, each filled with its number.
static void AddSeries(std::vector<PackMember>& files, const std::string& prefix, int count, int w = 2, int h = 2) {
    for (int k = 0; k < count; k++)
        files.push_back({prefix + "000" + std::to_string(k) + ".BMP", MakeFilledBmp(w, h, (uint8_t)k)});
}

static const char* Seven = "f0000 abcde12 abcde7 abcde100 abcde34 a b\n";

TEST(Sprite, SeriesFromTheFirstZeroWithOffsets) {
    FreshProgram();
    std::vector<PackMember> files = {{"CURSinfo.txt", Bytes("a abcde1 abcde0 abcde0 abcde2 a b\n"
                                                           "a abcde3 abcde0 abcde0 abcde4 a b c\r\n"
                                                           "a abcde-5 abcde0 abcde0 abcde+6 a b\n"
                                                           "a abcde7 abcde0 abcde0 abcde8x a b\n"
                                                           "a abcde9 abcde0 abcde0 abcde10 a b")},
                                     {"ANIM0011.BMP", MakeFilledBmp(2, 2, 1)},
                                     {"ANIM0012.BMP", MakeFilledBmp(2, 2, 2)},
                                     {"ANIM0013.BMP", MakeFilledBmp(2, 2, 3)}};
    AddSeries(files, "CURS", 5);
    ASSERT_TRUE(Install(files));
    Sprite* cursor = nullptr;
    ASSERT_TRUE(zemLoadSprite("CURS0000.BMP", &cursor, nullptr, 0, 1, 0, 0, 0));
    std::vector<Image*> frames = Frames(cursor);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(cursor->count * 10 + cursor->index, 50);
    EXPECT_EQ(cursor->current, cursor->first);
    const int expected[5][2] = {{1, 2}, {3, 4}, {-5, 6}, {7, 8}, {9, 10}};
    for (int k = 0; k < 5; k++) {
        EXPECT_EQ(frames[k]->x, expected[k][0]);
        EXPECT_EQ(frames[k]->y, expected[k][1]);
        EXPECT_EQ(frames[k]->encoded, 1);
    }
    EXPECT_EQ(std::string(frames[4]->name), "CURS0004.BMP");
    EXPECT_EQ(cursor->saveUnder->x, -1);
    for (int k = 1; k <= 5; k++) {
        AdvanceSprite(cursor);
        EXPECT_EQ(cursor->index, k % 5);
        EXPECT_EQ(cursor->current, frames[k % 5]);
    }
    FreeSprite(&cursor);
    EXPECT_EQ(cursor, nullptr);

    Sprite* anim = nullptr;  // starts at 12; no ANIMinfo.txt
    ASSERT_TRUE(zemLoadSprite("ANIM0012.BMP", &anim, nullptr, 0, 0, 0, 0, 0));
    EXPECT_EQ(anim->count, 2);
    EXPECT_EQ(std::string(anim->first->name), "ANIM0012.BMP");
    EXPECT_EQ(anim->first->x, 0);
    FreeSprite(&anim);
    EXPECT_EQ(Blocks(), 0);
}

TEST(Sprite, OffsetLinesInBothLayouts) {
    FreshProgram();
    std::string longLine = "f0000 abcde1 abcde2 abcde3 abcde4 a b";
    longLine.resize(499, ' ');
    longLine += "X f0000 abcde5 abcde6 abcde7 abcde8 a b\n";  // the 500th byte is lost
    std::vector<PackMember> files = {{"ONEinfo.txt", Bytes(Seven)},
                                     {"LONinfo.txt", Bytes(longLine)},
                                     {"NONinfo.txt", {}},
                                     {"LOGO.BMP", MakeFilledBmp(3, 3, 1)},
                                     {"LOGOinfo.txt", Bytes(Seven)}};
    for (const char* prefix : {"ONE", "LON", "NON"}) AddSeries(files, prefix, 3, 2, 3);
    ASSERT_TRUE(Install(files));

    Sprite *flat = nullptr, *panorama = nullptr, *split = nullptr, *empty = nullptr, *logo = nullptr;
    ASSERT_TRUE(zemLoadSprite("ONE0000.BMP", &flat, nullptr, 0, 0, 0, 0, 0));
    ASSERT_TRUE(zemLoadSprite("ONE0000.BMP", &panorama, nullptr, 0, 0, 1, 1024, 2048));
    for (Image* f : Frames(flat)) EXPECT_EQ(f->x * 1000 + f->y, 12034);  // one line serves all
    for (Image* f : Frames(panorama)) EXPECT_EQ(f->x * 1000 + f->y, 7923);
    EXPECT_EQ(panorama->first->width, 3);  // stored column-major
    EXPECT_EQ(panorama->viewWidth, 2048);

    ASSERT_TRUE(zemLoadSprite("LON0000.BMP", &split, nullptr, 0, 0, 0, 0, 0));
    std::vector<Image*> frames = Frames(split);
    EXPECT_EQ(frames[0]->x * 10 + frames[0]->y, 14);
    EXPECT_EQ(frames[1]->x * 10 + frames[1]->y, 58);

    ASSERT_TRUE(zemLoadSprite("NON0000.BMP", &empty, nullptr, 0, 0, 0, 0, 0));  // no line at all
    EXPECT_EQ(empty->count, 3);
    for (Image* f : Frames(empty)) EXPECT_EQ(f->x + f->y, 0);

    // A name without "0" is one picture: no offset file.
    ASSERT_TRUE(zemLoadSprite("LOGO.BMP", &logo, nullptr, 0, 0, 0, 0, 0));
    EXPECT_EQ(logo->count * 100 + logo->largestSize, 109);
    EXPECT_EQ(logo->first->x + logo->first->y, 0);
    EXPECT_NE(logo->saveUnder, logo->first);
    EXPECT_EQ(logo->saveUnder->x, -1);
    for (Sprite** s : {&flat, &panorama, &split, &empty, &logo}) FreeSprite(s);
    EXPECT_EQ(Blocks(), 0);
}

TEST(Sprite, SaveUnderIsTheFirstLargestFrame) {
    FreshProgram();
    // Sizes 300, 500, 500, 200.
    ASSERT_TRUE(Install({{"BIG0000.BMP", MakeFilledBmp(20, 15, 1)},
                         {"BIG0001.BMP", MakeFilledBmp(25, 20, 1)},
                         {"BIG0002.BMP", MakeFilledBmp(20, 25, 1)},
                         {"BIG0003.BMP", MakeFilledBmp(10, 20, 1)}}));
    Sprite* sprite = nullptr;
    ASSERT_TRUE(zemLoadSprite("BIG0000.BMP", &sprite, nullptr, 0, 0, 0, 0, 0));
    EXPECT_EQ(sprite->largestSize, 500);
    EXPECT_EQ(sprite->saveUnder->width, 25);
    EXPECT_EQ(std::string(sprite->saveUnder->name), "BIG0001.BMP");
    FreeSprite(&sprite);
}

TEST(Sprite, RefusesBadLinesAndNames) {
    FreshProgram();
    const std::pair<const char*, std::string> lines[] = {
        {"SIX", "f0000 abcde12 abcde7 abcde100 abcde34 a\n"},
        {"LNG", "f0000 abcde12345678901234 abcde7 abcde100 abcde34 a b\n"},
        {"SHT", "f0000 abcde12 abcd7 abcde100 abcde34 a b\n"},
        {"BIG", "f0000 abcde12 abcde7 abcde100 abcde9999999999 a b\n"},
        {"TWO", std::string(Seven) + "\n"}};  // an empty second line
    std::vector<PackMember> files;
    for (const auto& l : lines) {
        files.push_back({std::string(l.first) + "info.txt", Bytes(l.second)});
        AddSeries(files, l.first, 2);
    }
    ASSERT_TRUE(Install(files));
    std::vector<std::string> names = {std::string(128, 'A'), "AB0", "NONE0000.BMP",
                                      "ABCDEFGHIJKLMNOPQRSTUVWXYZ0000.BMP"};  // frames would not fit 31 characters
    for (const auto& l : lines) names.push_back(std::string(l.first) + "0000.BMP");
    for (const std::string& name : names) {
        Sprite* sprite = nullptr;
        EXPECT_FALSE(zemLoadSprite(name.c_str(), &sprite, nullptr, 0, 0, 0, 0, 0)) << name;
        FreeSprite(&sprite);
        EXPECT_EQ(Blocks(), 0) << name;
    }
    // A failed record allocation sets nothing.
    Sprite* sprite = nullptr;
    TrackedFailAt(1);
    EXPECT_FALSE(zemLoadSprite("SIX0000.BMP", &sprite, nullptr, 0, 0, 0, 0, 0));
    TrackedFailAt(0);
    EXPECT_EQ(sprite, nullptr);
}
