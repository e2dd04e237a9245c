// The warp tables and the renderer, checked pixel for pixel against a plain
// column-by-column renderer kept here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/app.h"
#include "image/image.h"
#include "panorama/panorama.h"
#include "tests/support/support.h"

namespace {

const uint8_t Untouched = 0xEE;  // never a panorama byte

// A column-major panorama over exactly N x H bytes, so that a read past it
// is caught in the sanitizer build.
struct Panorama {
    std::vector<uint8_t> block;
    Image image{};
    int32_t n, h;
    Panorama(int32_t columns, int32_t rows, uint32_t seed)
        : block((size_t)columns * rows), n(columns), h(rows) {
        for (auto& b : block) b = (uint8_t)((seed = seed * 1103515245u + 12345u) >> 23) % 200;
        image.pixels = block.data();
        image.width = image.pitch = rows;
        image.height = columns;
    }
    uint8_t At(int64_t column, int64_t row) const { return block[(size_t)((n - 1 - column) * h + row)]; }
};

struct Screen {
    std::vector<uint8_t> block;
    Image image{};
    explicit Screen(int32_t pitch = 640) : block((size_t)pitch * 480, Untouched) {
        image.pixels = block.data();
        image.width = 640;
        image.pitch = pitch;
        image.height = 480;
    }
    uint8_t At(int32_t x, int32_t y) const { return block[(size_t)y * image.pitch + x]; }
};

// As described, with the pan already settled; rows below the picture are
// held on its last row.
void Reference(Screen& s, const Panorama& p) {
    for (int32_t j = LetterboxX; j < 320; j++) {
        int32_t a = PanX + j, b = PanX + 639 - j;
        while (a >= p.n) a -= p.n;
        while (b >= p.n) b -= p.n;
        uint32_t step = (uint32_t)ColumnScale[j];
        uint32_t u = (uint32_t)ColumnOffset[j] + step * (uint32_t)(PanY + LetterboxY);
        for (int32_t y = LetterboxY; y < 480 - LetterboxY; y++, u += step) {
            uint32_t row = u >> 22 < (uint32_t)p.h ? u >> 22 : (uint32_t)p.h - 1;
            s.block[(size_t)y * s.image.pitch + j] = p.At(a, row);
            s.block[(size_t)y * s.image.pitch + 639 - j] = p.At(b, row);
        }
    }
}

class PanoramaTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreshProgram();
        BuildWarpTables();
    }
    Screen Draw(const Panorama& p, int32_t panX, int32_t panY, int32_t pitch = 640) {
        Screen s(pitch);
        PanX = panX;
        PanY = panY;
        Image source = p.image;
        EXPECT_EQ(DrawPanorama(&s.image, &source), 1);
        return s;
    }
    void ExpectReference(const Panorama& p, int32_t panX, int32_t panY, int32_t pitch = 640) {
        Screen fast = Draw(p, panX, panY, pitch), slow(pitch);
        Reference(slow, p);
        ASSERT_TRUE(fast.block == slow.block) << "N " << p.n << " H " << p.h << " pan " << panX
                                              << "," << panY << " border " << LetterboxX << ","
                                              << LetterboxY;
    }
};

TEST_F(PanoramaTest, Tables) {
    EXPECT_EQ(ColumnScale[0], 2026897);
    EXPECT_EQ(ColumnScale[1], 2036058);
    EXPECT_EQ(ColumnScale[319], 3494889);
    EXPECT_EQ(ColumnScale[320], 3494903);
    EXPECT_EQ(ColumnOffset[0], 469762048);
    EXPECT_EQ(ColumnOffset[320], 0);
    EXPECT_EQ(ColumnOffset[319], 4587);
    for (int i = 1; i < 640; i++) {
        EXPECT_EQ(ColumnScale[i], ColumnScale[640 - i]) << i;
        EXPECT_EQ(ColumnOffset[i], ColumnOffset[640 - i]) << i;
    }
    // Where |320 - i| = 5m the exact offset is the integer m² x 114688;
    // double rounding leaves exactly twelve of them one lower.
    std::vector<int> lower;
    for (int i = 0; i < 640; i++) {
        int m = std::abs(320 - i) / 5;
        if (std::abs(320 - i) % 5) continue;
        if (ColumnOffset[i] == m * m * 114688 - 1) lower.push_back(i);
        else EXPECT_EQ(ColumnOffset[i], m * m * 114688) << i;
    }
    EXPECT_EQ(lower, (std::vector<int>{90, 125, 140, 205, 230, 275, 365, 410, 435, 500, 515, 550}));
}

TEST_F(PanoramaTest, DescribedScreenPixels) {
    Panorama p(1024, 480, 7);
    struct Point {
        int32_t panY, x, y, row;  // picture column = x
    } points[] = {{0, 0, 0, 112},   {0, 319, 0, 0},    {0, 320, 0, 0},   {0, 639, 0, 112},
                  {0, 160, 240, 206}, {0, 0, 479, 343}, {0, 319, 479, 399}, {0, 639, 479, 343},
                  {67, 0, 0, 144},  {67, 319, 0, 55},  {67, 0, 479, 375}, {67, 319, 479, 454}};
    for (const Point& q : points) {
        ASSERT_NE(p.At(q.x, q.row), p.At(q.x, q.row + 1));  // so rows are told apart
        EXPECT_EQ(Draw(p, 0, q.panY).At(q.x, q.y), p.At(q.x, q.row)) << q.x << "," << q.y;
    }
}

TEST_F(PanoramaTest, PanWrapsAndClamps) {
    struct Case {
        int32_t rows, letterboxY, panX, panY, wrapped, clamped;
    } cases[] = {
        {480, 0, 1024 + 5, 67, 5, 67},  {480, 0, 1024, 0, 1024, 0},    {480, 0, -3, 200, 1021, 96},
        {480, 0, 2049, 0, 1, 0},        {480, 0, -2049, 0, 1023, 0},   {400, 0, 0, 67, 0, 0},
        {400, 60, 0, 100, 0, 60},       {400, 60, 0, -100, 0, -60},    {513, 0, 0, 200, 0, 135},
        {300, 30, 0, 10, 0, -30},  // too short for the view: the lower bound wins
    };
    for (const Case& c : cases) {
        LetterboxY = c.letterboxY;
        Draw(Panorama(1024, c.rows, 1), c.panX, c.panY);
        EXPECT_EQ(PanX, c.wrapped) << c.panX;
        EXPECT_EQ(PanY, c.clamped) << c.rows << " rows, " << c.panY;
    }
    LetterboxY = 0;
    Panorama p(1024, 480, 3);
    EXPECT_TRUE(Draw(p, 1024, 67).block == Draw(p, 0, 67).block);
}

TEST_F(PanoramaTest, OnlyTheLetterboxWindowIsWritten) {
    Panorama p(2048, 480, 11);
    LetterboxX = 8;
    LetterboxY = 6;
    Screen s = Draw(p, 100, 30);
    for (int32_t y = 0; y < 480; y++)
        for (int32_t x = 0; x < 640; x++)
            ASSERT_EQ(s.At(x, y) != Untouched, x >= 8 && x <= 631 && y >= 6 && y <= 473) << x << "," << y;
    LetterboxX = 320;
    EXPECT_TRUE(Draw(p, 100, 30).block == Screen().block);
}

// Sizes, pans and borders that reach every way of drawing: full and short
// blocks of columns and rows, pictures shorter than the view, taller than
// the 10-bit row index, narrower than the screen, and a wide pitch.
TEST_F(PanoramaTest, SameAsReferenceEverywhere) {
    int32_t sizes[][2] = {{2048, 480}, {640, 400}, {639, 1023}, {700, 1024}, {300, 1100},
                          {64, 2000},  {7, 300},   {1, 480},    {33, 15},    {5, 1}, {2048, 16}};
    int32_t borders[][2] = {{0, 0}, {8, 6}, {200, 150}, {3, 1}, {310, 0}, {0, 233}, {319, 239}};
    int32_t pans[][2] = {{0, 67}, {5, -200}, {-77, 0}, {1500, 300}, {2047, 1000}, {333, 2000}};
    for (auto& size : sizes) {
        Panorama p(size[0], size[1], (uint32_t)(size[0] * 31 + size[1]));
        for (auto& border : borders)
            for (auto& pan : pans) {
                LetterboxX = border[0];
                LetterboxY = border[1];
                ExpectReference(p, pan[0], pan[1]);
                if (HasFatalFailure()) return;
            }
    }
    LetterboxX = LetterboxY = 0;
    ExpectReference(Panorama(2048, 480, 5), 900, 67, 672);
}

TEST_F(PanoramaTest, RefusedOrEmptyPicturesDrawNothing) {
    Panorama p(64, 480, 2);
    Screen s;
    Image encoded = p.image, missing{}, empty = p.image;
    encoded.encoded = 1;
    empty.height = 0;
    EXPECT_EQ(DrawPanorama(&s.image, &encoded), 0);
    EXPECT_EQ(DrawPanorama(&s.image, &missing), 0);  // the lock fails
    EXPECT_EQ(DrawPanorama(&missing, &p.image), 0);
    EXPECT_EQ(DrawPanorama(&s.image, &empty), 1);
    EXPECT_TRUE(s.block == Screen().block);
}

}  // namespace
