// The in-memory display through the headless platform: the flipping chain,
// palettes, locks with a lost surface, and releases.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "backend/backend.h"
#include "backend/headless/headless.h"

namespace {

intptr_t Proc(BkWindow* w, uint32_t m, uintptr_t wp, intptr_t lp) {
    return WindowDefaultProc(w, m, wp, lp);
}

std::vector<uint8_t> Palette(uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> p(1024, 0);
    for (int i = 0; i < 256; i++) {
        p[i * 4] = (uint8_t)(r + i);
        p[i * 4 + 1] = g;
        p[i * 4 + 2] = b;
    }
    return p;
}

struct Chain : ::testing::Test {
    BkWindow* window = nullptr;
    BkDisplay* display = nullptr;
    BkSurface* primary = nullptr;
    BkSurface* back = nullptr;

    void SetUp() override {
        HeadlessReset();
        window = WindowCreate("zemVR", Proc, 640, 480);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(DisplayCreate(&display), BK_OK);
        ASSERT_EQ(DisplaySetCooperativeLevel(display, window,
                                             DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
                  BK_OK);
        ASSERT_EQ(DisplaySetMode(display, 640, 480, 8), BK_OK);
        SurfaceDesc desc = {};
        desc.size = sizeof desc;
        desc.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.caps = 0xA18;
        desc.backBufferCount = 1;
        ASSERT_EQ(DisplayCreateSurface(display, &desc, &primary), BK_OK);
        ASSERT_EQ(SurfaceGetAttached(primary, DDSCAPS_BACKBUFFER, &back), BK_OK);
    }
    void TearDown() override { HeadlessReset(); }

    // Fills the back buffer with one value through a lock.
    void Fill(uint8_t value) {
        SurfaceDesc d = {};
        d.size = sizeof d;
        ASSERT_EQ(SurfaceLock(back, &d), BK_OK);
        for (int y = 0; y < d.height; y++)
            std::memset((uint8_t*)d.surface + y * d.pitch, value, d.width);
        SurfaceUnlock(back, d.surface);
    }
};

TEST_F(Chain, FlipSwapsBuffersSoTheBackHoldsTheFrameBeforeTheLast) {
    Fill(1);
    ASSERT_EQ(SurfaceFlip(primary), BK_OK);
    Fill(2);
    ASSERT_EQ(SurfaceFlip(primary), BK_OK);
    EXPECT_EQ(HeadlessScreen()[640 * 479 + 639], 2);
    EXPECT_EQ(HeadlessBackPixels()[0], 1);
    EXPECT_EQ(HeadlessFlipCount(), 2);

    // A lock of the back buffer reports the buffer now behind the screen.
    SurfaceDesc d = {};
    d.size = sizeof d;
    ASSERT_EQ(SurfaceLock(back, &d), BK_OK);
    EXPECT_EQ(d.width, 640);
    EXPECT_EQ(d.height, 480);
    EXPECT_GE(d.pitch, 640);
    EXPECT_EQ(d.surface, HeadlessBackPixels());
    EXPECT_EQ(SurfaceUnlock(back, d.surface), BK_OK);
    EXPECT_EQ(SurfaceUnlock(back, d.surface), DDERR_NOTLOCKED);
}

TEST_F(Chain, AttachingAPaletteRecoloursTheScreenAtOnce) {
    EXPECT_EQ(HeadlessPalette(), nullptr);
    Fill(7);
    SurfaceFlip(primary);
    std::vector<uint8_t> first = Palette(0, 10, 20), second = Palette(100, 1, 2);
    BkPalette *a = nullptr, *b = nullptr;
    ASSERT_EQ(DisplayCreatePalette(display, DDPCAPS_8BIT, first.data(), &a), BK_OK);
    ASSERT_EQ(DisplayCreatePalette(display, DDPCAPS_8BIT, second.data(), &b), BK_OK);
    ASSERT_EQ(SurfaceSetPalette(primary, a), BK_OK);
    ASSERT_NE(HeadlessPalette(), nullptr);
    EXPECT_EQ(HeadlessPalette()[7 * 4], 7);

    // Replaced and released while attached: the screen keeps its colours,
    // the object lives on until it is no longer attached.
    PaletteRelease(a);
    EXPECT_EQ(HeadlessPalette()[7 * 4 + 1], 10);
    int flips = HeadlessFlipCount();
    ASSERT_EQ(SurfaceSetPalette(primary, b), BK_OK);
    EXPECT_EQ(HeadlessPalette()[7 * 4], 107);
    EXPECT_EQ(HeadlessPaletteAttachCount(), 2);
    EXPECT_EQ(HeadlessFlipCount(), flips);  // no redraw, no flip
    EXPECT_EQ(HeadlessScreen()[0], 7);

    HeadlessFail(HOP_SET_PALETTE, DDERR_GENERIC, 1);
    EXPECT_EQ(SurfaceSetPalette(primary, a), DDERR_INVALIDPARAMS);  // released
    EXPECT_EQ(SurfaceSetPalette(primary, b), DDERR_GENERIC);
    EXPECT_EQ(HeadlessPalette()[7 * 4], 107);
}

TEST_F(Chain, LostSurfaceStaysLostUntilRestored) {
    HeadlessFail(HOP_LOCK, DDERR_SURFACELOST, 1);
    SurfaceDesc d = {};
    d.size = sizeof d;
    EXPECT_EQ(SurfaceLock(back, &d), DDERR_SURFACELOST);
    EXPECT_EQ(d.surface, nullptr);
    // The fault is used up, but the chain is lost: flip and lock say so.
    EXPECT_EQ(SurfaceLock(back, &d), DDERR_SURFACELOST);
    EXPECT_EQ(SurfaceFlip(primary), DDERR_SURFACELOST);
    HeadlessFail(HOP_RESTORE, DDERR_GENERIC, 1);
    EXPECT_EQ(SurfaceRestore(back), DDERR_GENERIC);
    EXPECT_EQ(SurfaceLock(back, &d), DDERR_SURFACELOST);
    EXPECT_EQ(SurfaceRestore(back), BK_OK);
    EXPECT_EQ(SurfaceLock(back, &d), BK_OK);
    EXPECT_NE(d.surface, nullptr);
    SurfaceUnlock(back, d.surface);

    HeadlessFail(HOP_FLIP, DDERR_WASSTILLDRAWING, 2);
    EXPECT_EQ(SurfaceFlip(primary), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(SurfaceFlip(primary), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(SurfaceFlip(primary), BK_OK);
    EXPECT_EQ(HeadlessFlipCount(), 1);
    EXPECT_EQ(HeadlessCallCount(HOP_FLIP), 4);

    HeadlessFail(HOP_FLIP, DDERR_SURFACELOST, 1);
    EXPECT_EQ(SurfaceFlip(primary), DDERR_SURFACELOST);
    EXPECT_EQ(SurfaceFlip(primary), DDERR_SURFACELOST);
    EXPECT_EQ(SurfaceRestore(primary), BK_OK);
    EXPECT_EQ(SurfaceFlip(primary), BK_OK);
}

TEST_F(Chain, ReleasesAreLoggedOnceInOrderAndRepeatsAreHarmless) {
    BkPalette* p = nullptr;
    std::vector<uint8_t> entries = Palette(0, 0, 0);
    ASSERT_EQ(DisplayCreatePalette(display, DDPCAPS_8BIT, entries.data(), &p), BK_OK);
    SurfaceSetPalette(primary, p);
    BkDC* dc = nullptr;
    ASSERT_EQ(SurfaceGetDC(back, &dc), BK_OK);

    EXPECT_EQ(HeadlessDisplayModeSet(), 1);
    SurfaceRelease(back);  // belongs to the chain: nothing happens
    EXPECT_NE(HeadlessBackPixels(), nullptr);
    SurfaceRelease(primary);
    EXPECT_EQ(HeadlessBackPixels(), nullptr);
    SurfaceRelease(primary);
    EXPECT_EQ(SurfaceReleaseDC(back, dc), DDERR_INVALIDPARAMS);  // went with it
    PaletteRelease(p);
    PaletteRelease(p);
    DisplayRelease(display);
    EXPECT_EQ(HeadlessDisplayModeSet(), 0);
    DisplayRelease(display);
    SurfaceRelease(nullptr);
    PaletteRelease(nullptr);
    DisplayRelease(nullptr);
    WindowDestroy(window);
    WindowDestroy(window);
    std::vector<std::string> expected = {"surface", "palette", "display", "window"};
    EXPECT_EQ(HeadlessReleaseLog(), expected);
}

TEST_F(Chain, RefusesWhatTheChainCannotBe) {
    SurfaceDesc desc = {};
    desc.size = sizeof desc;
    desc.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.caps = 0xA18;
    desc.backBufferCount = 1;
    BkSurface* second = nullptr;
    EXPECT_NE(DisplayCreateSurface(display, &desc, &second), BK_OK);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(DisplaySetMode(display, 800, 600, 8), DDERR_INVALIDPARAMS);
    EXPECT_EQ(SurfaceFlip(back), DDERR_INVALIDPARAMS);

    SurfaceRelease(primary);
    HeadlessFail(HOP_CREATE_SURFACE, DDERR_OUTOFMEMORY, 1);
    EXPECT_EQ(DisplayCreateSurface(display, &desc, &second), DDERR_OUTOFMEMORY);
    desc.backBufferCount = 2;
    EXPECT_EQ(DisplayCreateSurface(display, &desc, &second), DDERR_INVALIDPARAMS);
    desc.backBufferCount = 1;
    EXPECT_EQ(DisplayCreateSurface(display, &desc, &second), BK_OK);
}

TEST(Display, InjectedFailuresGiveTheirCodeAndNoObject) {
    HeadlessReset();
    BkDisplay* display = nullptr;
    HeadlessFail(HOP_DISPLAY_CREATE, DDERR_GENERIC, 1);
    EXPECT_EQ(DisplayCreate(&display), DDERR_GENERIC);
    EXPECT_EQ(display, nullptr);
    ASSERT_EQ(DisplayCreate(&display), BK_OK);
    HeadlessFail(HOP_SET_DISPLAY_MODE, -5, -1);
    EXPECT_EQ(DisplaySetMode(display, 640, 480, 8), -5);
    EXPECT_EQ(DisplaySetMode(display, 640, 480, 8), -5);
    EXPECT_EQ(HeadlessDisplayModeSet(), 0);
    HeadlessFail(HOP_SET_DISPLAY_MODE, 0, 0);
    EXPECT_EQ(DisplaySetMode(display, 640, 480, 8), BK_OK);
    EXPECT_EQ(HeadlessCallCount(HOP_SET_DISPLAY_MODE), 3);
    HeadlessReset();
}

}  // namespace
