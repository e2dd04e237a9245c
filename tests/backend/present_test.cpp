// The present policy of a backend with a real screen, over the headless
// chain: colours in the backend's order, a palette change after the wait
// for the vertical blank held for the flip (or the next pass for messages),
// and a picture shown already not presented again.
#include <vector>

#include "backend/soft/soft.h"
#include "tests/backend/chain.h"

namespace {

struct PresentPolicy : Chain {
    const SoftColourOrder rgba = {0, 8, 16};
    std::vector<uint8_t> pixels = std::vector<uint8_t>(640 * 480, 0);
    uint8_t palette[1024] = {};

    void SetUp() override {
        Chain::SetUp();
        SoftScreenOpen(rgba);
        for (int i = 0; i < 256; i++) {
            palette[i * 4] = (uint8_t)i;
            palette[i * 4 + 1] = 10;
            palette[i * 4 + 2] = (uint8_t)(255 - i);
        }
    }
};

TEST_F(PresentPolicy, DefaultColoursThenThePalettesInTheBackendsOrder) {
    // The 3-3-2 cube: 0xE0 red, 0x1C green, 0x03 blue, 0xFF white.
    ASSERT_TRUE(SoftScreenTake(nullptr, SOFT_SHOW_FLIP));
    ASSERT_TRUE(SoftScreenChanged(pixels.data(), 640));
    EXPECT_EQ(SoftScreenColours()[0xE0], 0xFF0000FFu);
    EXPECT_EQ(SoftScreenColours()[0x1C], 0xFF00FF00u);
    EXPECT_EQ(SoftScreenColours()[0x03], 0xFFFF0000u);
    EXPECT_EQ(SoftScreenColours()[0xFF], 0xFFFFFFFFu);
    EXPECT_EQ(SoftScreenColours()[0], 0xFF000000u);

    ASSERT_TRUE(SoftScreenTake(palette, SOFT_SHOW_PALETTE));
    pixels[641] = 200;
    ASSERT_TRUE(SoftScreenChanged(pixels.data(), 640));
    EXPECT_EQ(SoftScreenColours()[200], 0xFF370AC8u);
    // Rows as far apart as the target's pitch says.
    const int32_t pitch = 640 * 4 + 16;
    std::vector<uint8_t> out((size_t)pitch * 480, 0xAA);
    SoftScreenConvert(out.data(), pitch);
    EXPECT_EQ(out[pitch + 4], 200);
    EXPECT_EQ(out[pitch + 5], 10);
    EXPECT_EQ(out[pitch + 6], 55);
    EXPECT_EQ(out[pitch + 7], 255);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[2], 255);
    EXPECT_EQ(out[640 * 4], 0xAA);
}

TEST_F(PresentPolicy, TheSamePictureInTheSameColoursIsNotPresentedAgain) {
    ASSERT_TRUE(SoftScreenChanged(pixels.data(), 640));
    EXPECT_FALSE(SoftScreenChanged(pixels.data(), 640));
    // A pitch of its own: the rows are what counts.
    std::vector<uint8_t> wide(800 * 480, 0);
    EXPECT_FALSE(SoftScreenChanged(wide.data(), 800));
    wide[800 * 479 + 639] = 1;
    EXPECT_TRUE(SoftScreenChanged(wide.data(), 800));
    EXPECT_EQ(SoftScreenPixels()[640 * 479 + 639], 1);
    EXPECT_FALSE(SoftScreenChanged(wide.data(), 800));
    // New colours, or a screen that lost its picture, present it again.
    SoftScreenTake(palette, SOFT_SHOW_FLIP);
    EXPECT_TRUE(SoftScreenChanged(wide.data(), 800));
    EXPECT_FALSE(SoftScreenChanged(wide.data(), 800));
    SoftScreenForget();
    EXPECT_TRUE(SoftScreenChanged(wide.data(), 800));
    EXPECT_FALSE(SoftScreenChanged(nullptr, 640));
}

TEST_F(PresentPolicy, APaletteAfterTheBlankWaitsForTheFlipOrTheNextPassForMessages) {
    SoftScreenBlankWaited();
    EXPECT_FALSE(SoftScreenTake(palette, SOFT_SHOW_PALETTE));
    // A flip takes it along, and the next palette change shows at once.
    EXPECT_TRUE(SoftScreenTake(nullptr, SOFT_SHOW_FLIP));
    ASSERT_TRUE(SoftScreenChanged(pixels.data(), 640));
    EXPECT_EQ(SoftScreenColours()[1], 0xFFFE0A01u);
    EXPECT_TRUE(SoftScreenTake(palette, SOFT_SHOW_PALETTE));

    // Without a flip, the queue's next pass shows the front buffer again.
    SoftScreenBlankWaited();
    EXPECT_FALSE(SoftScreenTake(palette, SOFT_SHOW_PALETTE));
    int attaches = HeadlessPaletteAttachCount();
    BkMsg msg;
    EXPECT_EQ(MessagePeek(&msg), 0);
    EXPECT_EQ(HeadlessPaletteAttachCount(), attaches + 1);
    EXPECT_EQ(MessagePeek(&msg), 0);
    EXPECT_EQ(HeadlessPaletteAttachCount(), attaches + 1);
}

TEST_F(PresentPolicy, TheShownPictureIsTheFrontBufferUntilOneIsPresented) {
    std::vector<uint8_t> rgb(640 * 480 * 3);
    Fill(0xE0);
    SurfaceFlip(primary);
    ASSERT_TRUE(SoftShownPicture(rgb.data()));
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[1], 0);
    EXPECT_EQ(rgb[2], 0);
    pixels[0] = 7;
    SoftScreenTake(palette, SOFT_SHOW_FLIP);
    ASSERT_TRUE(SoftScreenChanged(pixels.data(), 640));
    ASSERT_TRUE(SoftShownPicture(rgb.data()));
    EXPECT_EQ(rgb[0], 7);
    EXPECT_EQ(rgb[1], 10);
    EXPECT_EQ(rgb[2], 248);
    EXPECT_EQ(rgb[3], 0);
    EXPECT_EQ(rgb[5], 255);
}

}  // namespace
