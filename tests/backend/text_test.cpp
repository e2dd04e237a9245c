// Text on a device context: colour matched to the attached palette, not
// anti-aliased, transparent or opaque background, clipped to the surface.
#include <set>
#include <vector>

#include "tests/backend/chain.h"

namespace {

struct Text : Chain {
    BkFont* font = nullptr;

    void SetUp() override {
        Chain::SetUp();
        // Grey ramp, with pure white at 200 and (0, 128, 250) at 9.
        uint8_t entries[1024];
        for (int i = 0; i < 256; i++) {
            entries[i * 4] = entries[i * 4 + 1] = entries[i * 4 + 2] = (uint8_t)(i / 2);
            entries[i * 4 + 3] = 0;
        }
        entries[200 * 4] = entries[200 * 4 + 1] = entries[200 * 4 + 2] = 255;
        entries[9 * 4] = 0;
        entries[9 * 4 + 1] = 128;
        entries[9 * 4 + 2] = 250;
        BkPalette* palette = nullptr;
        ASSERT_EQ(DisplayCreatePalette(display, DDPCAPS_8BIT, entries, &palette), BK_OK);
        SurfaceSetPalette(primary, palette);
        font = FontCreate(18, FW_BOLD, NONANTIALIASED_QUALITY, VARIABLE_PITCH, "Comic Sans MS");
        ASSERT_NE(font, nullptr);
        Fill(77);
    }

    // Values found in rows [y0, y1) and columns [x0, x1) of the back buffer.
    std::set<int> Values(int x0, int y0, int x1, int y1) {
        std::set<int> seen;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) seen.insert(HeadlessBackPixels()[y * 640 + x]);
        return seen;
    }

    // mode 0 leaves the device context's default. The palette, when given,
    // is attached after the colour was chosen and before the text is drawn.
    void Write(int32_t mode, int32_t x, int32_t y, const char* text, BkPalette* palette = nullptr) {
        BkDC* dc = nullptr;
        ASSERT_EQ(SurfaceGetDC(back, &dc), BK_OK);
        if (mode) DCSetBkMode(dc, mode);
        DCSelectFont(dc, font);
        DCSetTextColor(dc, 0x00FF7F00);  // red 0, green 127, blue 255
        if (palette) SurfaceSetPalette(primary, palette);
        EXPECT_EQ(DCTextOut(dc, x, y, text, (int32_t)std::strlen(text)), 1);
        EXPECT_EQ(SurfaceReleaseDC(back, dc), BK_OK);
    }
};

TEST_F(Text, TransparentOrOpaqueCellInTheNearestColoursAndNothingOutside) {
    Write(TRANSPARENT, 10, 20, "Location: Hall");
    EXPECT_EQ(Values(10, 20, 10 + 14 * 8, 20 + 18), (std::set<int>{9, 77}));
    EXPECT_EQ(Values(0, 0, 640, 20), (std::set<int>{77}));
    EXPECT_EQ(Values(0, 38, 640, 480), (std::set<int>{77}));
    EXPECT_EQ(HeadlessLastText(), "Location: Hall");
    EXPECT_EQ(HeadlessLastTextX(), 10);
    EXPECT_EQ(HeadlessLastTextY(), 20);
    EXPECT_EQ(HeadlessTextCount(), 1);

    // Opaque is the default: the cell is filled with the entry nearest white.
    Fill(77);
    Write(0, 0, 0, "A b");
    EXPECT_EQ(Values(0, 0, 3 * 8, 18), (std::set<int>{9, 200}));
    EXPECT_EQ(Values(24, 0, 640, 18), (std::set<int>{77}));
    EXPECT_EQ(Values(0, 18, 640, 480), (std::set<int>{77}));

    // Colours are matched against the palette attached when drawing.
    uint8_t entries[1024] = {};
    entries[5 * 4 + 1] = 127;
    entries[5 * 4 + 2] = 255;
    BkPalette* other = nullptr;
    ASSERT_EQ(DisplayCreatePalette(display, DDPCAPS_8BIT, entries, &other), BK_OK);
    Fill(77);
    Write(TRANSPARENT, 0, 0, "X", other);
    EXPECT_EQ(Values(0, 0, 8, 18), (std::set<int>{5, 77}));
}

TEST_F(Text, ClipsAtEveryEdgeAndStopsAtTheStringsEnd) {
    Write(OPAQUE, -4, -5, "WW");
    Write(OPAQUE, 630, 470, "WWWW");
    EXPECT_EQ(Values(0, 0, 12, 13).count(200), 1u);
    EXPECT_EQ(Values(630, 470, 640, 480).count(200), 1u);

    BkDC* dc = nullptr;
    ASSERT_EQ(SurfaceGetDC(back, &dc), BK_OK);
    DCSelectFont(dc, font);
    // A length beyond the terminator reads no further than the string.
    EXPECT_EQ(DCTextOut(dc, 100, 100, "ab", 1000), 1);
    EXPECT_EQ(HeadlessLastText(), "ab");
    EXPECT_EQ(DCTextOut(dc, 100, 100, "ab", -1), 0);
    SurfaceReleaseDC(back, dc);
}

TEST_F(Text, NoDeviceContextOrNoFontWhenTheyAreRefused) {
    BkDC* dc = reinterpret_cast<BkDC*>(1);
    HeadlessFail(HOP_GET_DC, DDERR_GENERIC, 1);
    EXPECT_EQ(SurfaceGetDC(back, &dc), DDERR_GENERIC);
    EXPECT_EQ(dc, nullptr);
    HeadlessFail(HOP_FONT_CREATE, 1, 1);
    EXPECT_EQ(FontCreate(18, FW_BOLD, 3, 2, "Comic Sans MS"), nullptr);
    FontDelete(font);
    FontDelete(font);
    EXPECT_EQ(HeadlessReleaseLog(), std::vector<std::string>{"font"});
}

// Every backend's fonts have one cell limit; a device context whose font
// was deleted writes in the default font, as one without a font does.
TEST_F(Text, OneCellLimitAndTheDefaultFontForAFontThatIsGone) {
    const struct { int32_t height, cell; } asked[] = {{300, 256}, {-20, 20}, {0, 16}, {-100000, 256}};
    BkDC* dc = nullptr;
    ASSERT_EQ(SurfaceGetDC(back, &dc), BK_OK);
    for (const auto& a : asked) {
        SCOPED_TRACE(a.height);
        BkFont* f = FontCreate(a.height, FW_BOLD, 3, 2, "Comic Sans MS");
        ASSERT_NE(f, nullptr);
        Fill(77);
        DCSelectFont(dc, f);
        EXPECT_EQ(DCTextOut(dc, 0, 0, "A", 1), 1);
        // Opaque: the whole cell is the background's entry, nothing below.
        EXPECT_EQ(Values(0, a.cell - 1, 8, a.cell), (std::set<int>{200}));
        EXPECT_EQ(Values(0, a.cell, 8, a.cell + 1), (std::set<int>{77}));
        FontDelete(f);
    }
    Fill(77);
    EXPECT_EQ(DCTextOut(dc, 0, 0, "A", 1), 1);
    EXPECT_EQ(Values(0, 15, 8, 16), (std::set<int>{200}));
    EXPECT_EQ(Values(0, 16, 8, 17), (std::set<int>{77}));
    SurfaceReleaseDC(back, dc);
}

}  // namespace
