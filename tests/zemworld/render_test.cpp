// zemworld render: the viewer's frame through its palette as a PNG, at the
// chosen location and pan, one per location with --all, and a world that
// does not start refused with the viewer's own message.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "tests/zemworld/check_world.h"
#include "tools/zemworld/import.h"

namespace {

// A screen colour: the file's entry after the loader's gamma of 1.2.
uint32_t Shown(uint32_t rgb) {
    uint32_t out = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        double c = (rgb >> shift & 0xFF) / 256.0;
        out |= (uint32_t)(int)(std::pow(c, 1.2) * 256) << shift;
    }
    return out;
}

struct Png {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    uint32_t At(int x, int y) const {
        const uint8_t* p = &rgb[3 * ((size_t)y * width + x)];
        return (uint32_t)p[0] << 16 | p[1] << 8 | p[2];
    }
};

Png ReadPng(const std::string& path) {
    Png png;
    std::vector<uint8_t> bytes;
    std::string error;
    Rgba picture;
    if (!PackReadFile(path, &bytes, &error) || !DecodePicture(bytes, &picture, &error)) return png;
    png.width = picture.width;
    png.height = picture.height;
    for (size_t i = 0; i < picture.pixels.size(); i += 4)
        png.rgb.insert(png.rgb.end(), picture.pixels.begin() + (long)i, picture.pixels.begin() + (long)i + 3);
    return png;
}

// A closeup that fills the screen, every pixel its own column and row mixed
// into an index, so a shifted or scaled picture shows.
uint8_t Mixed(int32_t x, int32_t y) { return (uint8_t)(x * 7 + y * 13); }

TEST(Render, CloseupIsThePictureThroughThePalette) {
    TestWorld world;
    std::vector<uint8_t> pixels(640 * 480);
    for (int32_t y = 0; y < 480; y++)
        for (int32_t x = 0; x < 640; x++) pixels[(size_t)y * 640 + x] = Mixed(x, y);
    world.Put("HALL.BMP", WorldBmp(640, 480, pixels));
    world.Put("ZEMLOGO.BMP", WorldPicture(20, 8, 0));  // all transparent
    ASSERT_TRUE(world.WriteArchive("render_closeup.zem"));
    std::remove("render_closeup.png");
    ToolResult r = Zemworld("render render_closeup.zem render_closeup.png");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("hall: pan 0,67 (start values) -> render_closeup.png"), std::string::npos)
        << r.output;
    Png png = ReadPng("render_closeup.png");
    ASSERT_EQ(png.width, 640);
    ASSERT_EQ(png.height, 480);
    // The stamp (index 70) and the sprite's first frame (index 120) are
    // painted in; everything else is the picture.
    for (int32_t y = 0; y < 480; y++)
        for (int32_t x = 0; x < 640; x++) {
            uint32_t want = Shown(WorldColour(Mixed(x, y)));
            if (x >= 100 && x < 120 && y >= 100 && y < 110) want = Shown(WorldColour(70));
            if (x >= 200 && x < 210 && y >= 300 && y < 310 && (x > 200 || y > 300))
                want = Shown(WorldColour(120));
            ASSERT_EQ(png.At(x, y), want) << x << "," << y;
        }
}

// The warp's own fixed points (a 1024 x 480 panorama at pan 0,0 and 100,0)
// and the entry pan of a location that a door leads to.
TEST(Render, PanoramaAtTheChosenPan) {
    TestWorld world;
    std::vector<uint8_t> pixels(1024 * 480);
    for (int32_t y = 0; y < 480; y++)
        for (int32_t x = 0; x < 1024; x++) pixels[(size_t)y * 1024 + x] = Mixed(x, y);
    world.Put("YARD.BMP", WorldBmp(1024, 480, pixels));
    ASSERT_TRUE(world.WriteFolder("render_pano"));
    std::remove("render_pano.png");
    const struct {
        int32_t panX, sx, sy, column, row;
    } points[] = {{0, 0, 0, 0, 112},     {0, 319, 0, 319, 0},    {0, 160, 240, 160, 206},
                  {0, 0, 479, 0, 343},   {0, 319, 479, 319, 399}, {100, 0, 0, 100, 112},
                  {100, 320, 0, 420, 0}, {1000, 160, 240, 136, 206}};  // wrapped at N = 1024
    for (int32_t panX : {0, 100, 1000}) {
        ToolResult r = Zemworld("render render_pano render_pano.png --location yard --pan " +
                                std::to_string(panX) + ",0");
        ASSERT_EQ(r.code, 0) << r.output;
        EXPECT_NE(r.output.find("yard: pan " + std::to_string(panX) + ",0 (--pan)"), std::string::npos)
            << r.output;
        Png png = ReadPng("render_pano.png");
        ASSERT_EQ(png.width, 640);
        for (const auto& p : points) {
            if (p.panX != panX) continue;
            EXPECT_EQ(png.At(p.sx, p.sy), Shown(WorldColour(Mixed(p.column, p.row))))
                << panX << ": " << p.sx << "," << p.sy;
        }
    }
    // Without --pan, yard is entered as hall's door leaves it.
    ToolResult r = Zemworld("render render_pano render_pano.png --location yard");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("yard: pan 500,40 (arrival pan of the door from 'hall')"), std::string::npos)
        << r.output;
}

// One picture per location in the folder, named by number and name; with
// --hotspots the door's outline is there in the palette's green.
TEST(Render, AllLocationsWithHotspots) {
    TestWorld world;
    ASSERT_TRUE(world.WriteArchive("render_all.zem"));
    ASSERT_EQ(std::system("rm -rf render_all"), 0);
    ToolResult r = Zemworld("render render_all.zem render_all --all --hotspots");
    ASSERT_EQ(r.code, 0) << r.output;
    Png hall = ReadPng("render_all/01-hall.png");
    Png yard = ReadPng("render_all/02-yard.png");
    ASSERT_EQ(hall.width, 640);
    ASSERT_EQ(yard.width, 640);
    EXPECT_EQ(yard.At(320, 240), Shown(WorldColour(30)));
    EXPECT_EQ(hall.At(500, 420), Shown(WorldColour(20)));
    // The door (300, 200) to (400, 300): its edge in the entry nearest to
    // green, (0, 255, 0) being entry 0 of the world's table.
    EXPECT_EQ(hall.At(350, 200), Shown(WorldColour(0)));
    EXPECT_EQ(hall.At(400, 250), Shown(WorldColour(0)));
    EXPECT_EQ(hall.At(350, 250), Shown(WorldColour(20)));
}

TEST(Render, WorldsThatCannotBeDrawn) {
    TestWorld world;
    world.Remove("HALL.BMP");
    ASSERT_TRUE(world.WriteArchive("render_bad.zem"));
    ToolResult r = Zemworld("render render_bad.zem render_bad.png");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("render_bad.zem: error: the viewer does not start: \"Failed zemRefreshLoc 0\""),
              std::string::npos)
        << r.output;

    r = Zemworld("render render_missing.zem render_bad.png");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("render_missing.zem: error: no such file or folder"), std::string::npos)
        << r.output;

    TestWorld named;
    named.Put("A_LONG_NAME.BMP", WorldPicture(2, 2, 1));
    ASSERT_TRUE(named.WriteFolder("render_names"));
    r = Zemworld("render render_names render_bad.png");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("render_names/A_LONG_NAME.BMP: the archive cannot hold this name"),
              std::string::npos)
        << r.output;

    ASSERT_TRUE(TestWorld().WriteArchive("render_good.zem"));
    r = Zemworld("render render_good.zem render_bad.png --location Yard");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("no location \"Yard\" (names are exact: \"yard\"?)"), std::string::npos)
        << r.output;
    r = Zemworld("render render_good.zem /no/such/folder/out.png");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("cannot write /no/such/folder/out.png: No such file or directory"), std::string::npos)
        << r.output;
}

}  // namespace
