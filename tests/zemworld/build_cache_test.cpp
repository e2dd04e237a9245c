// The build's memory of zemworld play: after a save only the locations made
// from what changed are built again, and the world is byte for byte the one
// a build from nothing makes; the author's map names the author's files.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/zemworld/build_support.h"
#include "tools/zempack/pack.h"

namespace {

std::vector<uint8_t> FreshBuild(const std::string& folder) {
    BuildResult result;
    Report report;
    EXPECT_EQ(BuildWorld(folder, &result, &report, nullptr), 1);
    return result.archive;
}

// Built through the cache; the archive, and how many locations were built.
std::vector<uint8_t> CachedBuild(const std::string& folder, BuildCache* cache, int* built,
                                 BuildResult* out = nullptr) {
    BuildResult result;
    Report report;
    cache->built = cache->reused = 0;
    EXPECT_EQ(BuildWorld(folder, &result, &report, nullptr, cache), 1);
    *built = cache->built;
    EXPECT_EQ(cache->built + cache->reused, 2);
    if (out) *out = result;
    return result.archive;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* why) {
    return PackReadFile(path, bytes, why) == 1;
}

void Replace(const std::string& path, const std::string& from, const std::string& to) {
    std::string text;
    std::vector<uint8_t> bytes;
    std::string why;
    ASSERT_TRUE(ReadFile(path, &bytes, &why)) << why;
    text.assign(bytes.begin(), bytes.end());
    size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(BuildCacheTest, OnlyWhatChangedIsBuiltAgainAndTheWorldIsTheSame) {
    std::string folder = TestFolder("cache") + "/world", why;
    ASSERT_TRUE(WriteStarterWorld(folder, &why)) << why;
    BuildCache cache;
    int built = 0;
    std::vector<uint8_t> first = CachedBuild(folder, &cache, &built);
    EXPECT_EQ(built, 2);
    EXPECT_EQ(first, FreshBuild(folder));
    EXPECT_EQ(CachedBuild(folder, &cache, &built), first);
    EXPECT_EQ(built, 0) << "nothing changed";

    // A picture of the shed: the shed alone.
    Rgba red;
    std::string shed = folder + "/shed.png";
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFile(shed, &bytes, &why)) << why;
    ASSERT_TRUE(DecodePicture(bytes, &red, &why)) << why;
    for (size_t i = 0; i + 3 < red.pixels.size(); i += 4) red.pixels[i] = 255;
    WritePicture(shed, red);
    std::vector<uint8_t> afterPicture = CachedBuild(folder, &cache, &built);
    EXPECT_EQ(built, 1);
    EXPECT_NE(afterPicture, first);
    EXPECT_EQ(afterPicture, FreshBuild(folder));

    // A door line of the garden: the garden alone.
    Replace(folder + "/game.txt", "door shed 310 200 60 110", "door shed 320 210 50 100");
    std::vector<uint8_t> afterDoor = CachedBuild(folder, &cache, &built);
    EXPECT_EQ(built, 1);
    EXPECT_EQ(afterDoor, FreshBuild(folder));

    // A frame of the garden's sprite, though no line changed.
    std::vector<uint8_t> frame;
    std::string frames = folder + "/sprites/pinwheel";
    std::string firstFrame;
    for (const auto& e : std::filesystem::directory_iterator(frames))
        if (e.path().extension() == ".png" && (firstFrame.empty() || e.path().string() < firstFrame))
            firstFrame = e.path().string();
    ASSERT_FALSE(firstFrame.empty());
    Rgba sprite;
    ASSERT_TRUE(ReadFile(firstFrame, &frame, &why)) << why;
    ASSERT_TRUE(DecodePicture(frame, &sprite, &why)) << why;
    for (size_t i = 0; i + 3 < sprite.pixels.size(); i += 4) sprite.pixels[i + 1] ^= 0x40;
    WritePicture(firstFrame, sprite);
    EXPECT_EQ(CachedBuild(folder, &cache, &built), FreshBuild(folder));
    EXPECT_EQ(built, 1);

    // The cursor's colours are kept by every palette: both.
    std::string cursor = folder + "/CURS0000.png";
    Rgba arrow;
    ASSERT_TRUE(ReadFile(cursor, &frame, &why)) << why;
    ASSERT_TRUE(DecodePicture(frame, &arrow, &why)) << why;
    for (size_t i = 0; i + 3 < arrow.pixels.size(); i += 4)
        if (arrow.pixels[i + 3] > 128) arrow.pixels[i + 2] = (uint8_t)(arrow.pixels[i + 2] ^ 0x80);
    WritePicture(cursor, arrow);
    EXPECT_EQ(CachedBuild(folder, &cache, &built), FreshBuild(folder));
    EXPECT_EQ(built, 2);
}

TEST(BuildCacheTest, TheAuthorsMapNamesTheAuthorsFiles) {
    std::string folder = TestFolder("authormap") + "/world", why;
    ASSERT_TRUE(WriteStarterWorld(folder, &why)) << why;
    BuildCache cache;
    int built = 0;
    BuildResult result;
    CachedBuild(folder, &cache, &built, &result);
    std::string map = AuthorMapText(result);
    EXPECT_NE(map.find("\tgarden.png\n"), std::string::npos) << map;
    EXPECT_NE(map.find("\tshed.png\n"), std::string::npos) << map;
    EXPECT_NE(map.find("\tobjects/vase.png\n"), std::string::npos) << map;
    ASSERT_TRUE(AddAuthorMap(&result, &why)) << why;
    std::vector<PackListing> listing;
    ASSERT_TRUE(PackList(result.archive, &listing, &why)) << why;
    int found = 0;
    for (const PackListing& l : listing) found += l.name == "AUTHOR.TXT";
    EXPECT_EQ(found, 1);
    // Packed twice, the map would be ambiguous: refused.
    EXPECT_FALSE(AddAuthorMap(&result, &why));
}

}  // namespace
