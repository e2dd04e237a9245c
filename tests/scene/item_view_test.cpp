// The item view: the frame chosen by the cursor, the name rewritten in place,
// placement, the cursor frame, the sound once per opening, and refusals.
#include "tests/scene/change_world.h"

namespace {

// What the callers pass for a cursor position.
int32_t IndexAt(int32_t cursorX) { return (639 - cursorX) >> 3; }

class ItemViewTest : public ::testing::Test {
protected:
    World world;
    Stamp* keys = nullptr;

    void SetUp() override {
        ASSERT_TRUE(world.Start());
        keys = Locations->stamps;
        ItemViewActive = 1;
        StampUnderCursor = keys;
    }
    void TearDown() override { StopProgram(); }
};

TEST_F(ItemViewTest, CursorPositionChoosesFramePlacementAndCursor) {
    Cursor->current->x = 123;
    Cursor->current->y = 45;
    const struct {
        int32_t cursorX;
        int frame;
    } cases[] = {{639, 0}, {632, 0}, {631, 1}, {447, 0}, {0, 7}, {455, 23}, {600, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cursorX);
        zemItemView(keys, IndexAt(c.cursorX));
        ASSERT_NE(keys->itemPicture, nullptr);
        EXPECT_EQ(keys->itemView, Numbered("keys", c.frame));
        EXPECT_EQ(keys->itemPicture->width, FrameWidth(c.frame));
        EXPECT_EQ(keys->itemPicture->x, 320 - FrameWidth(c.frame) / 2);
        EXPECT_EQ(keys->itemPicture->y, 40);
    }
    EXPECT_STREQ(keys->icon->name, "keysicon.bmp");  // does not follow the digits
    EXPECT_EQ(Cursor->index, 2);
    EXPECT_EQ(Cursor->current->x * 100 + Cursor->current->y, 12345);
}

TEST_F(ItemViewTest, SoundOncePerOpeningAndFramesReuseTheRecord) {
    int32_t before = LiveBlocks;
    zemItemView(keys, IndexAt(455));  // frame 23, the widest
    int32_t open = LiveBlocks;
    for (int32_t x = 639; x >= 0; x -= 3) zemItemView(keys, IndexAt(x));
    EXPECT_EQ(HeadlessPlayedCount(), 1);
    EXPECT_EQ(LiveBlocks, open);

    zemItemView(keys, -1);
    EXPECT_EQ(keys->itemPicture, nullptr);
    EXPECT_EQ(LiveBlocks, before + 1);  // only the sound list's node stays
    zemItemView(keys, 0);
    EXPECT_EQ(HeadlessPlayedCount(), 2);
    EXPECT_EQ(HeadlessPlayedAt(1)->bytes, std::vector<uint8_t>(32, 0x90));
}

TEST_F(ItemViewTest, NamesThatCannotBeShownAreRefused) {
    Stamp* shortName = FindLoc("cellar")->stamps;
    Stamp* missing = shortName->next;
    Stamp* empty = missing->next;
    int32_t blocks = LiveBlocks;

    zemItemView(shortName, 5);
    EXPECT_STREQ(shortName->itemView, "ab.bmp");
    EXPECT_EQ(shortName->itemPicture, nullptr);
    // A frame that does not load plays nothing, however often it is asked for.
    for (int i = 0; i < 5; i++) zemItemView(missing, i);
    EXPECT_EQ(missing->itemPicture, nullptr);
    EXPECT_STREQ(missing->itemView, "gone0004.bmp");
    EXPECT_EQ(HeadlessPlayedCount(), 0);
    EXPECT_EQ(LiveBlocks, blocks);
    EXPECT_EQ(ItemViewActive, 1);

    // A frame that does not load keeps the one shown before.
    zemItemView(keys, 3);
    Image* shown = keys->itemPicture;
    std::memcpy(keys->itemView, "xxxx0003.bmp", 13);
    zemItemView(keys, 5);
    EXPECT_EQ(keys->itemPicture, shown);
    EXPECT_EQ(shown->width, FrameWidth(3));

    zemItemView(empty, 0);
    EXPECT_EQ(ItemViewActive, 0);
    zemItemView(nullptr, 0);
}

}  // namespace
