// The warp tables and the renderer, checked against a plain column-by-column
// renderer kept here for comparison.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/app.h"
#include "image/image.h"
#include "panorama/panorama.h"
#include "tests/support/support.h"

namespace {

// A column-major panorama of N columns and H rows over a block of exactly
// N x H bytes, so a read past it is caught by the sanitizer build.
struct Panorama {
    std::vector<uint8_t> block;
    Image image{};
    int32_t columns, rows;

    Panorama(int32_t n, int32_t h, uint32_t seed) : block((size_t)n * h), columns(n), rows(h) {
        uint32_t x = seed * 2654435761u + 1;
        for (auto& b : block) {
            x = x * 1103515245u + 12345u;
            b = (uint8_t)(x >> 23) % 200;  // never the sentinel of the screens
        }
        image.pixels = block.data();
        image.width = image.pitch = h;
        image.height = n;
        image.size = n * h;
    }
    uint8_t At(int64_t column, int64_t row) const {
        return block[(size_t)((columns - 1 - column) * rows + row)];
    }
};

const uint8_t Untouched = 0xEE;

struct Screen {
    std::vector<uint8_t> block;
    Image image{};
    Screen(int32_t width = 640, int32_t height = 480, int32_t pitch = 640)
        : block((size_t)pitch * height, Untouched) {
        image.pixels = block.data();
        image.width = width;
        image.pitch = pitch;
        image.height = height;
    }
    uint8_t At(int32_t x, int32_t y) const { return block[(size_t)y * image.pitch + x]; }
};

// The renderer as described, one column pair at a time, with the pan already
// settled. Rows below the picture are held on its last row.
void ReferenceDraw(Screen& screen, const Panorama& p, int32_t panX, int32_t panY) {
    int32_t w = screen.image.width, hs = screen.image.height, n = p.columns;
    for (int32_t j = LetterboxX; j < w / 2; j++) {
        int32_t a = panX + j, b = panX + w - 1 - j;
        while (a >= n) a -= n;
        while (b >= n) b -= n;
        uint32_t step = (uint32_t)ColumnScale[j];
        uint32_t u = (uint32_t)ColumnOffset[j] + step * (uint32_t)(panY + LetterboxY);
        for (int32_t y = LetterboxY; y <= hs - LetterboxY - 1; y++) {
            uint32_t row = u >> 22;
            if (row > (uint32_t)p.rows - 1) row = (uint32_t)p.rows - 1;
            screen.block[(size_t)y * screen.image.pitch + j] = p.At(a, row);
            screen.block[(size_t)y * screen.image.pitch + w - 1 - j] = p.At(b, row);
            u += step;
        }
    }
}

class PanoramaTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreshProgram();
        BuildWarpTables();
    }
    // Draws with the renderer and with the reference; every byte must agree.
    void ExpectSameAsReference(const Panorama& p, int32_t panX, int32_t panY,
                               int32_t width = 640, int32_t height = 480, int32_t pitch = 640) {
        Screen fast(width, height, pitch), slow(width, height, pitch);
        PanX = panX;
        PanY = panY;
        Image source = p.image;
        ASSERT_EQ(DrawPanorama(&fast.image, &source), 1);
        ReferenceDraw(slow, p, PanX, PanY);
        ASSERT_EQ(fast.block, slow.block) << "N " << p.columns << " H " << p.rows << " PanX "
                                          << panX << " PanY " << panY << " letterbox "
                                          << LetterboxX << "," << LetterboxY;
    }
};

TEST_F(PanoramaTest, TableValues) {
    EXPECT_EQ(ColumnScale[0], 2026897);
    EXPECT_EQ(ColumnScale[1], 2036058);
    EXPECT_EQ(ColumnScale[319], 3494889);
    EXPECT_EQ(ColumnScale[320], 3494903);
    EXPECT_EQ(ColumnScale[639], 2036058);
    EXPECT_EQ(ColumnOffset[0], 469762048);
    EXPECT_EQ(ColumnOffset[320], 0);
    EXPECT_EQ(ColumnOffset[319], 4587);
    EXPECT_EQ(ColumnOffset[315], 114688);
    for (int i = 1; i < 640; i++) {
        EXPECT_EQ(ColumnScale[i], ColumnScale[640 - i]) << i;
        EXPECT_EQ(ColumnOffset[i], ColumnOffset[640 - i]) << i;
    }
}

// Where |320 - i| = 5m the exact offset is the integer m² x 114688; double
// rounding leaves exactly twelve of them one lower.
TEST_F(PanoramaTest, TwelveOffsetsTruncateOneLower) {
    std::vector<int> lower;
    for (int i = 0; i < 640; i++) {
        int k = std::abs(320 - i);
        if (k % 5) continue;
        int64_t exact = (int64_t)(k / 5) * (k / 5) * 114688;
        if (ColumnOffset[i] == exact - 1)
            lower.push_back(i);
        else
            EXPECT_EQ(ColumnOffset[i], exact) << i;
    }
    EXPECT_EQ(lower, (std::vector<int>{90, 125, 140, 205, 230, 275, 365, 410, 435, 500, 515, 550}));
    EXPECT_EQ(ColumnOffset[90], 242679807);
    EXPECT_EQ(ColumnOffset[550], 242679807);
}

TEST_F(PanoramaTest, ScreenPixelsOfTheDescribedExample) {
    Panorama p(1024, 480, 7);
    struct Point {
        int32_t x, y, column, row;
    };
    auto check = [&](int32_t panY, std::vector<Point> points) {
        Screen screen;
        PanX = 0;
        PanY = panY;
        ASSERT_EQ(DrawPanorama(&screen.image, &p.image), 1);
        for (const Point& q : points) {
            // A neighbouring row differs, so the check tells rows apart.
            ASSERT_TRUE(p.At(q.column, q.row) != p.At(q.column, q.row + 1) ||
                        (q.row > 0 && p.At(q.column, q.row) != p.At(q.column, q.row - 1)));
            EXPECT_EQ(screen.At(q.x, q.y), p.At(q.column, q.row))
                << "(" << q.x << "," << q.y << ") PanY " << panY;
        }
    };
    check(0, {{0, 0, 0, 112}, {319, 0, 319, 0}, {320, 0, 320, 0}, {639, 0, 639, 112},
              {160, 240, 160, 206}, {0, 479, 0, 343}, {319, 479, 319, 399}, {639, 479, 639, 343}});
    check(67, {{0, 0, 0, 144}, {319, 0, 319, 55}, {0, 479, 0, 375}, {319, 479, 319, 454}});
    ExpectSameAsReference(p, 0, 0);
    ExpectSameAsReference(p, 0, 67);
}

TEST_F(PanoramaTest, PanXWraps) {
    Panorama p(1024, 480, 3);
    struct Case {
        int32_t given, settled;
    } cases[] = {{1024 + 5, 5}, {1024, 1024}, {-3, 1021}, {2 * 1024 + 1, 1}, {-1024, 0}, {-2049, 1023}};
    for (const Case& c : cases) {
        Screen screen;
        PanX = c.given;
        PanY = 67;
        DrawPanorama(&screen.image, &p.image);
        EXPECT_EQ(PanX, c.settled) << c.given;
    }
    // N draws the same picture as 0.
    Screen at0, atN;
    PanX = 0;
    DrawPanorama(&at0.image, &p.image);
    PanX = 1024;
    DrawPanorama(&atN.image, &p.image);
    EXPECT_EQ(at0.block, atN.block);
    ExpectSameAsReference(p, 1024, 67);
    ExpectSameAsReference(p, 1000, 67);  // the view crosses column 0
}

TEST_F(PanoramaTest, PanYClamps) {
    struct Case {
        int32_t rows, letterboxY, given, settled;
    } cases[] = {
        {400, 0, 67, 0},     {400, 0, -5, 0},    {400, 60, 100, 60}, {400, 60, -100, -60},
        {480, 0, 200, 96},   {300, 0, 10, 0},    {300, 30, 10, -30},  // too short: the lower bound wins
        {512, 0, 200, 134},  {512, 0, 67, 67},   {513, 0, 200, 135},
    };
    for (const Case& c : cases) {
        Panorama p(64, c.rows, 1);
        Screen screen;
        LetterboxY = c.letterboxY;
        PanY = c.given;
        DrawPanorama(&screen.image, &p.image);
        EXPECT_EQ(PanY, c.settled) << c.rows << " rows, letterbox " << c.letterboxY;
    }
}

TEST_F(PanoramaTest, LetterboxedDrawTouchesOnlyTheWindow) {
    Panorama p(2048, 480, 11);
    LetterboxX = 8;
    LetterboxY = 6;
    Screen screen;
    PanX = 100;
    PanY = 30;
    ASSERT_EQ(DrawPanorama(&screen.image, &p.image), 1);
    for (int32_t y = 0; y < 480; y++)
        for (int32_t x = 0; x < 640; x++) {
            bool inside = x >= 8 && x <= 631 && y >= 6 && y <= 473;
            ASSERT_EQ(screen.At(x, y) != Untouched, inside) << x << "," << y;
        }
    ExpectSameAsReference(p, 100, 30);

    // A border of half the screen or more: nothing drawn, still a success.
    LetterboxX = 320;
    Screen none;
    EXPECT_EQ(DrawPanorama(&none.image, &p.image), 1);
    EXPECT_EQ(none.block, std::vector<uint8_t>(640 * 480, Untouched));
}

// Every output pixel, over sizes, pans and borders that reach each way of
// drawing: full and short blocks of columns, short row bands, pictures
// shorter than the view, taller than the 10-bit row index, narrower than the
// screen, and a destination whose pitch is wider than its rows.
TEST_F(PanoramaTest, SameAsReferenceEverywhere) {
    struct Size {
        int32_t columns, rows;
    } sizes[] = {{2048, 480}, {1024, 512}, {640, 400}, {639, 1023}, {700, 1024},
                 {300, 1100}, {64, 2000}, {7, 300},   {1, 480},    {2048, 100},
                 {33, 15},    {5, 1},     {2048, 16}};
    struct Border {
        int32_t x, y;
    } borders[] = {{0, 0}, {8, 6}, {200, 150}, {3, 1}, {310, 0}, {0, 233}, {319, 239}, {305, 100}};
    int32_t pans[][2] = {{0, 67}, {5, -200}, {-77, 0}, {1500, 300}, {2047, 1000}, {333, 2000}};
    for (const Size& size : sizes) {
        Panorama p(size.columns, size.rows, (uint32_t)size.columns * 31 + (uint32_t)size.rows);
        for (const Border& border : borders) {
            LetterboxX = border.x;
            LetterboxY = border.y;
            for (auto& pan : pans) {
                ExpectSameAsReference(p, pan[0], pan[1]);
                if (HasFatalFailure()) return;
            }
        }
    }
    LetterboxX = LetterboxY = 0;
    Panorama p(2048, 480, 5);
    ExpectSameAsReference(p, 900, 67, 640, 480, 672);
}

TEST_F(PanoramaTest, RefusalsDrawNothing) {
    Panorama p(64, 480, 2);
    Screen screen;
    Image encoded = p.image;
    encoded.encoded = 1;
    EXPECT_EQ(DrawPanorama(&screen.image, &encoded), 0);
    Image missing{};  // no pixel block and no surface: the lock fails
    EXPECT_EQ(DrawPanorama(&screen.image, &missing), 0);
    EXPECT_EQ(DrawPanorama(&missing, &p.image), 0);
    Image empty = p.image;  // no columns
    empty.height = 0;
    PanX = 5;
    EXPECT_EQ(DrawPanorama(&screen.image, &empty), 1);
    EXPECT_EQ(PanX, 5);
    EXPECT_EQ(screen.block, std::vector<uint8_t>(640 * 480, Untouched));
}

}  // namespace
