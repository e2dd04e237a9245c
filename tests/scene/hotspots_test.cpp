// The hotspot overlay: outlines where the renderer puts the areas a click
// reaches, labels, nothing outside the destination, and nothing at all in a
// frame while the flag is off.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "app/app.h"
#include "image/image.h"
#include "panorama/panorama.h"
#include "scene/scene.h"
#include "tests/scene/change_world.h"
#include "tests/support/support.h"

namespace {

const uint8_t Untouched = 7;
const uint8_t DoorIndex = 200, StampIndex = 201, SpriteIndex = 202;

class Hotspots : public ::testing::Test {
protected:
    // The screen lies inside a larger block: a guard row above and below, and
    // 60 guard bytes at the end of every row.
    static const int32_t Pitch = 700;
    std::vector<uint8_t> block = std::vector<uint8_t>((size_t)Pitch * 482, Untouched);
    Image screen = {};
    Image picture = {};
    View view = {};
    Location hall = {};
    Door doors[2] = {};
    Stamp stamp = {};
    std::vector<uint8_t> pano;

    void SetUp() override {
        FreshProgram();
        BuildWarpTables();
        screen.pixels = block.data() + Pitch;
        screen.width = 640;
        screen.pitch = Pitch;
        screen.height = 480;
        for (int i = 0; i < 256; i++) std::memset(CurrentPalette + 4 * i, 128, 3);
        const uint8_t bright[3][3] = {{0, 255, 0}, {255, 255, 0}, {255, 0, 255}};
        for (int i = 0; i < 3; i++) std::memcpy(CurrentPalette + 4 * (DoorIndex + i), bright[i], 3);
        std::memset(CurrentPalette, 0, 4);  // the labels' background
        view.picture = &picture;
        hall.view = &view;
    }
    uint8_t At(int32_t x, int32_t y) const { return screen.pixels[(size_t)y * Pitch + x]; }

    // A column-major panorama of N columns and H rows whose bytes are 1
    // inside the door's area and 0 elsewhere.
    void MakePanorama(int32_t columns, int32_t rows, const Door& d) {
        pano.assign((size_t)columns * rows, 0);
        for (int32_t c = 0; c < columns; c++)
            for (int32_t r = 0; r < rows; r++)
                if (c >= d.x && c <= d.x + d.w && r >= d.y && r <= d.y + d.h)
                    pano[(size_t)(columns - 1 - c) * rows + r] = 1;
        picture.pixels = pano.data();
        picture.width = picture.pitch = rows;
        picture.height = columns;
        picture.size = (int32_t)pano.size();
        view.panorama = 1;
    }
};

// The renderer draws the area's bytes on the screen; the overlay must outline
// exactly the edge of what it drew, inside the letterbox window, the warp and
// the mirrored right half included. Beyond the window the area counts as
// going on where a full-screen frame shows it.
TEST_F(Hotspots, PanoramaOutlineFollowsTheRenderer) {
    const struct {
        int32_t panX, panY, letterboxX, letterboxY, x, y, w, h;
    } cases[] = {
        {100, 67, 0, 0, 200, 150, 60, 100},    // left half, bent by the warp
        {1900, 20, 0, 0, 1950, 40, 300, 300},  // ends at the picture's last column
        {1900, 200, 0, 0, 300, 40, 200, 300},  // right half, going on beyond the screen
        {0, 0, 8, 6, 0, 100, 400, 479},        // going on beyond the letterbox window
        {0, 0, 8, 6, 8, 100, 400, 479},        // ending at the window's edge
    };
    for (const auto& c : cases) {
        doors[0] = {};
        doors[0].x = c.x;
        doors[0].y = c.y;
        doors[0].w = c.w;
        doors[0].h = c.h;
        hall.doors = &doors[0];
        MakePanorama(2048, 480, doors[0]);
        PanX = c.panX;
        PanY = c.panY;
        std::fill(block.begin(), block.end(), Untouched);
        ASSERT_EQ(DrawPanorama(&screen, &picture), 1);
        std::vector<uint8_t> full(block);
        LetterboxX = c.letterboxX;
        LetterboxY = c.letterboxY;
        std::fill(block.begin(), block.end(), Untouched);
        ASSERT_EQ(DrawPanorama(&screen, &picture), 1);
        std::vector<uint8_t> drawn(block);

        zemDrawHotspots(&screen, &hall);
        int32_t left = c.letterboxX, right = 639 - c.letterboxX;
        int32_t top = c.letterboxY, bottom = 479 - c.letterboxY;
        auto in = [&](int32_t x, int32_t y) {
            if (x < 0 || x > 639 || y < 0 || y > 479) return true;
            return full[(size_t)(y + 1) * Pitch + x] == 1;
        };
        int outlined = 0;
        for (int32_t y = -1; y <= 480; y++)
            for (int32_t x = 0; x < Pitch; x++) {
                size_t at = (size_t)(y + 1) * Pitch + x;
                bool inside = x >= left && x <= right && y >= top && y <= bottom;
                bool edge = inside && in(x, y) &&
                            (!in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1));
                ASSERT_EQ(block[at], edge ? DoorIndex : drawn[at]) << c.x << " at " << x << "," << y;
                outlined += edge;
            }
        EXPECT_GT(outlined, 100) << c.x;
        LetterboxX = LetterboxY = 0;
    }
}

// A closeup is flat: the door's w + 1 by h + 1 pixels from the picture's
// place on, the stamp's inside, the sprite's frame; each with its label
// inside its top-left corner.
TEST_F(Hotspots, CloseupOutlinesAndLabels) {
    picture.x = 120;
    picture.y = 90;
    picture.width = picture.pitch = 400;
    picture.height = 300;
    doors[0].x = 10;
    doors[0].y = 20;
    doors[0].w = 60;
    doors[0].h = 40;
    std::strcpy(doors[0].target, "cellar");
    hall.doors = &doors[0];
    stamp.x = 200;
    stamp.y = 100;
    stamp.w = 80;
    stamp.h = 60;
    std::strcpy(stamp.name, "KEYS.BMP");
    hall.stamps = &stamp;
    Image frame = {};
    frame.x = 250;
    frame.y = 200;
    frame.width = 100;
    frame.height = 30;
    Sprite sprite = {};
    sprite.current = sprite.first = &frame;
    SpriteRef ref = {};
    ref.sprite = &sprite;
    std::strcpy(ref.name, "ANIM0000.BMP");
    hall.sprites = &ref;

    zemDrawHotspots(&screen, &hall);
    const struct {
        int32_t x0, y0, x1, y1;
        uint8_t colour;
        size_t labelLength;
    } areas[] = {
        {130, 110, 190, 150, DoorIndex, 6},
        {321, 191, 399, 249, StampIndex, 8},
        {370, 290, 469, 319, SpriteIndex, 12},
    };
    for (const auto& a : areas) {
        for (int32_t x = a.x0; x <= a.x1; x++) {
            EXPECT_EQ(At(x, a.y0), a.colour) << x;
            EXPECT_EQ(At(x, a.y1), a.colour) << x;
        }
        for (int32_t y = a.y0; y <= a.y1; y++) {
            EXPECT_EQ(At(a.x0, y), a.colour) << y;
            EXPECT_EQ(At(a.x1, y), a.colour) << y;
        }
        EXPECT_EQ(At(a.x0 - 1, a.y0), Untouched);
        EXPECT_EQ(At(a.x1 + 1, a.y1 + 1), Untouched);
        // The label's box: 6 pixels a character plus one, 9 rows, on black
        // (index 0) with the text in the outline's colour.
        int32_t bx = a.x0 + 2, by = a.y0 + 2, bw = (int32_t)a.labelLength * 6 + 1;
        int text = 0;
        for (int32_t y = by; y < by + 9; y++)
            for (int32_t x = bx; x < bx + bw; x++) {
                ASSERT_TRUE(At(x, y) == 0 || At(x, y) == a.colour) << x << "," << y;
                text += At(x, y) == a.colour;
            }
        EXPECT_GT(text, (int)a.labelLength * 5);
        EXPECT_EQ(At(bx + bw, by + 4), Untouched);
    }

    // Only the picture is drawn on: a door reaching beyond it is cut there,
    // and a label that would leave it is moved back onto it.
    doors[0].x = 300;
    doors[0].y = 290;
    doors[0].w = 200;
    doors[0].h = 100;
    std::strcpy(doors[0].target, "a_name_of_thirty_one_characters");
    hall.stamps = nullptr;
    hall.sprites = nullptr;
    std::fill(block.begin(), block.end(), Untouched);
    zemDrawHotspots(&screen, &hall);
    EXPECT_EQ(At(420, 380), DoorIndex);
    EXPECT_EQ(At(519, 380), DoorIndex);  // the top edge runs to the cut
    EXPECT_EQ(At(520, 380), Untouched);
    EXPECT_EQ(At(420, 390), Untouched);
    EXPECT_EQ(At(519, 389), 0);  // the box ends in the picture's corner
    EXPECT_EQ(At(519 - 31 * 6, 389), 0);
    EXPECT_EQ(At(519 - 31 * 6 - 1, 389), Untouched);
}

// Numbers far outside the picture, in either direction, never write outside
// the screen and never overflow.
TEST_F(Hotspots, NothingOutsideTheScreen) {
    const int32_t big[][4] = {
        {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
        {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
        {-5000, -5000, 10000, 10000},
        {630, 470, 100, 100},
        {-100, -100, 110, 110},
        {0, 0, INT32_MIN, INT32_MIN},
    };
    for (int panorama = 0; panorama < 2; panorama++) {
        for (const auto& b : big) {
            doors[0] = {};
            doors[0].x = b[0];
            doors[0].y = b[1];
            doors[0].w = b[2];
            doors[0].h = b[3];
            std::strcpy(doors[0].target, "somewhere_far_away");
            stamp = {};
            stamp.x = b[1];
            stamp.y = b[0];
            stamp.w = b[3];
            stamp.h = b[2];
            std::strcpy(stamp.name, "FAR.BMP");
            hall.doors = &doors[0];
            hall.stamps = &stamp;
            if (panorama) {
                MakePanorama(1024, 480, Door{});
                PanX = b[0];
                PanY = b[1];
            } else {
                picture = {};
                picture.width = picture.pitch = 640;
                picture.height = 480;
                view.panorama = 0;
            }
            std::fill(block.begin(), block.end(), Untouched);
            zemDrawHotspots(&screen, &hall);
            for (int32_t x = 0; x < Pitch; x++) {
                ASSERT_EQ(block[x], Untouched);
                ASSERT_EQ(block[(size_t)481 * Pitch + x], Untouched);
            }
            for (int32_t y = 0; y < 480; y++)
                for (int32_t x = 640; x < Pitch; x++) ASSERT_EQ(At(x, y), Untouched);
        }
    }
}

// In a running program the overlay is drawn only while HotspotsShown is set,
// and a fresh program starts with it clear.
TEST(HotspotsFrame, DrawnOnlyWithTheFlag) {
    World world;
    ASSERT_TRUE(world.Start()) << HeadlessMessageBoxText();
    EXPECT_EQ(HotspotsShown, 0);
    StatusShown = 0;
    UpdateFrame();
    std::vector<uint8_t> plain(HeadlessScreen(), HeadlessScreen() + 640 * 480);
    UpdateFrame();
    EXPECT_EQ(std::vector<uint8_t>(HeadlessScreen(), HeadlessScreen() + 640 * 480), plain);

    HotspotsShown = 1;
    UpdateFrame();
    // hall1's door covers picture pixels 0..50 from the closeup's place
    // (288, 216); its top edge is outlined, the picture's inside is not.
    const uint8_t* shown = HeadlessScreen();
    int changed = 0;
    for (int i = 0; i < 640 * 480; i++) changed += shown[i] != plain[i];
    EXPECT_GT(changed, 50);
    EXPECT_NE(shown[216 * 640 + 300], plain[216 * 640 + 300]);
    EXPECT_EQ(shown[(216 + 25) * 640 + 288 + 45], plain[(216 + 25) * 640 + 288 + 45]);

    HotspotsShown = 0;
    UpdateFrame();
    EXPECT_EQ(std::vector<uint8_t>(HeadlessScreen(), HeadlessScreen() + 640 * 480), plain);
    StopProgram();
    ResetGlobals();
    EXPECT_EQ(HotspotsShown, 0);
}

}  // namespace

// The overlay's text line (the author's error): a blank leaves its cell
// the background, a character outside the font is a box, and the box of
// text ends where the last cell does.
TEST_F(Hotspots, OverlayTextBlanksAndUnknownCharacters) {
    std::fill(block.begin(), block.end(), Untouched);
    int32_t width = zemDrawOverlayText(&screen, 10, 20, "a \x01", 0x00FF00u, 0x000000u);
    EXPECT_EQ(width, 3 * 6 + 1);
    int blank = 0, box = 0;
    for (int32_t y = 20; y < 29; y++) {
        for (int32_t x = 10 + 6; x < 10 + 12; x++) blank += At(x, y) != 0;
        for (int32_t x = 10 + 12; x < 10 + 19; x++) box += At(x, y) == DoorIndex;
    }
    EXPECT_EQ(blank, 0) << "the blank drew something";
    EXPECT_EQ(box, 5 + 5 + 2 * 5) << "the unknown character is not a 5 x 7 box";
    EXPECT_EQ(At(10 + 19, 24), Untouched);
}
