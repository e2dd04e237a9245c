// The in-memory display through the headless platform: the flipping chain,
// palettes, locks with a lost surface, and releases.
#include <vector>

#include "tests/backend/chain.h"

namespace {

std::vector<uint8_t> Palette(uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> p(1024, 0);
    for (int i = 0; i < 256; i++) {
        p[i * 4] = (uint8_t)(r + i);
        p[i * 4 + 1] = g;
        p[i * 4 + 2] = b;
    }
    return p;
}

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

    // Still drawing is not lost; a lost flip is.
    HeadlessFail(HOP_FLIP, DDERR_WASSTILLDRAWING, 1);
    EXPECT_EQ(SurfaceFlip(primary), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(SurfaceFlip(primary), BK_OK);
    HeadlessFail(HOP_FLIP, DDERR_SURFACELOST, 1);
    EXPECT_EQ(SurfaceFlip(primary), DDERR_SURFACELOST);
    EXPECT_EQ(SurfaceFlip(primary), DDERR_SURFACELOST);
    EXPECT_EQ(SurfaceRestore(primary), BK_OK);
    EXPECT_EQ(SurfaceFlip(primary), BK_OK);
    EXPECT_EQ(HeadlessFlipCount(), 2);
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
    SurfaceDesc desc = Desc();
    BkSurface* second = nullptr;
    EXPECT_NE(DisplayCreateSurface(display, &desc, &second), BK_OK);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(DisplaySetMode(display, 800, 600, 8), DDERR_INVALIDPARAMS);
    EXPECT_EQ(SurfaceFlip(back), DDERR_INVALIDPARAMS);
    SurfaceRelease(primary);
    desc.backBufferCount = 2;
    EXPECT_EQ(DisplayCreateSurface(display, &desc, &second), DDERR_INVALIDPARAMS);
    desc.backBufferCount = 1;
    EXPECT_EQ(DisplayCreateSurface(display, &desc, &second), BK_OK);
}

}  // namespace
