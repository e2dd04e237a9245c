// Text on a device context: colour matched to the attached palette, not
// anti-aliased, transparent or opaque background, clipped to the surface.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "backend/backend.h"
#include "backend/headless/headless.h"

namespace {

intptr_t Proc(BkWindow* w, uint32_t m, uintptr_t wp, intptr_t lp) {
    return WindowDefaultProc(w, m, wp, lp);
}

struct Text : ::testing::Test {
    BkDisplay* display = nullptr;
    BkSurface* primary = nullptr;
    BkSurface* back = nullptr;
    BkPalette* palette = nullptr;
    BkFont* font = nullptr;

    void SetUp() override {
        HeadlessReset();
        BkWindow* window = WindowCreate("zemVR", Proc, 640, 480);
        ASSERT_EQ(DisplayCreate(&display), BK_OK);
        DisplaySetCooperativeLevel(display, window, 0x11);
        DisplaySetMode(display, 640, 480, 8);
        SurfaceDesc desc = {};
        desc.size = sizeof desc;
        desc.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.caps = 0xA18;
        desc.backBufferCount = 1;
        ASSERT_EQ(DisplayCreateSurface(display, &desc, &primary), BK_OK);
        ASSERT_EQ(SurfaceGetAttached(primary, DDSCAPS_BACKBUFFER, &back), BK_OK);
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
        ASSERT_EQ(DisplayCreatePalette(display, DDPCAPS_8BIT, entries, &palette), BK_OK);
        SurfaceSetPalette(primary, palette);
        font = FontCreate(18, FW_BOLD, NONANTIALIASED_QUALITY, VARIABLE_PITCH,
                          "Comic Sans MS");
        ASSERT_NE(font, nullptr);
        FillBack(77);
    }
    void TearDown() override { HeadlessReset(); }

    void FillBack(uint8_t value) {
        SurfaceDesc d = {};
        d.size = sizeof d;
        ASSERT_EQ(SurfaceLock(back, &d), BK_OK);
        for (int y = 0; y < d.height; y++)
            std::memset((uint8_t*)d.surface + y * d.pitch, value, d.width);
        SurfaceUnlock(back, d.surface);
    }

    // Values found in rows [y0, y1) and columns [x0, x1) of the back buffer.
    std::set<int> Values(int x0, int y0, int x1, int y1) {
        std::set<int> seen;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) seen.insert(HeadlessBackPixels()[y * 640 + x]);
        return seen;
    }

    void Write(int32_t mode, int32_t x, int32_t y, const char* text) {
        BkDC* dc = nullptr;
        ASSERT_EQ(SurfaceGetDC(back, &dc), BK_OK);
        if (mode) DCSetBkMode(dc, mode);
        DCSelectFont(dc, font);
        DCSetTextColor(dc, 0x00FF7F00);  // red 0, green 127, blue 255
        EXPECT_EQ(DCTextOut(dc, x, y, text, (int32_t)std::strlen(text)), 1);
        EXPECT_EQ(SurfaceReleaseDC(back, dc), BK_OK);
    }
};

TEST_F(Text, TransparentTextUsesTheNearestEntryAndLeavesTheRestAlone) {
    Write(TRANSPARENT, 10, 20, "Location: Hall");
    std::set<int> cell = Values(10, 20, 10 + 14 * 8, 20 + 18);
    EXPECT_EQ(cell, (std::set<int>{9, 77}));
    // Nothing outside the cell changed.
    EXPECT_EQ(Values(0, 0, 640, 20), (std::set<int>{77}));
    EXPECT_EQ(Values(0, 38, 640, 480), (std::set<int>{77}));
    EXPECT_EQ(HeadlessLastText(), "Location: Hall");
    EXPECT_EQ(HeadlessLastTextX(), 10);
    EXPECT_EQ(HeadlessLastTextY(), 20);
    EXPECT_EQ(HeadlessTextCount(), 1);
}

TEST_F(Text, OpaqueIsTheDefaultAndFillsTheCellWithTheNearestWhite) {
    Write(0, 0, 0, "A b");
    std::set<int> cell = Values(0, 0, 3 * 8, 18);
    EXPECT_EQ(cell, (std::set<int>{9, 200}));
    EXPECT_EQ(Values(24, 0, 640, 18), (std::set<int>{77}));
    EXPECT_EQ(Values(0, 18, 640, 480), (std::set<int>{77}));
}

TEST_F(Text, ColourFollowsThePaletteAttachedWhenDrawing) {
    uint8_t entries[1024] = {};
    entries[5 * 4 + 1] = 127;
    entries[5 * 4 + 2] = 255;
    BkPalette* other = nullptr;
    ASSERT_EQ(DisplayCreatePalette(display, DDPCAPS_8BIT, entries, &other), BK_OK);
    BkDC* dc = nullptr;
    ASSERT_EQ(SurfaceGetDC(back, &dc), BK_OK);
    DCSetBkMode(dc, TRANSPARENT);
    DCSelectFont(dc, font);
    DCSetTextColor(dc, 0x00FF7F00);
    SurfaceSetPalette(primary, other);
    DCTextOut(dc, 0, 0, "X", 1);
    SurfaceReleaseDC(back, dc);
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

}  // namespace
