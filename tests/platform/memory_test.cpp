#include <gtest/gtest.h>

#include "image/image.h"
#include "platform/platform.h"

// The counters take back exactly what was added; a failed allocation and the
// release of none change nothing.
TEST(TrackedMemory, CountersAreExact) {
    int32_t blocks = LiveBlocks, bytes = LiveBytes;
    TrackedFailAt(2);
    void* a = TrackedAlloc(RoundUp4(9));  // a 3 x 3 picture asks for 12
    EXPECT_EQ(TrackedAlloc(72), nullptr);
    void* b = TrackedAlloc(72);  // only the chosen one fails
    ASSERT_TRUE(a && b);
    EXPECT_EQ(TrackedAlloc(-4), nullptr);
    EXPECT_EQ(LiveBlocks - blocks, 2);
    EXPECT_EQ(LiveBytes - bytes, 84);
    EXPECT_EQ(TrackedFree(a), 1);
    EXPECT_EQ(LiveBytes - bytes, 72);
    EXPECT_EQ(TrackedFree(b), 1);
    EXPECT_EQ(TrackedFree(nullptr), 0);
    EXPECT_EQ(LiveBlocks, blocks);
    EXPECT_EQ(LiveBytes, bytes);
}

TEST(TrackedMemory, FreeImageListReleasesRecordsAndBlocks) {
    int32_t blocks = LiveBlocks;
    Image* head = nullptr;
    for (int i = 0; i < 3; i++) {
        Image* image = (Image*)TrackedAlloc(sizeof(Image));
        ASSERT_NE(image, nullptr);
        *image = Image{};
        image->pixels = (uint8_t*)TrackedAlloc(8);
        image->next = head;
        head = image;
    }
    EXPECT_EQ(LiveBlocks - blocks, 6);
    FreeImageList(&head);
    EXPECT_EQ(head, nullptr);
    EXPECT_EQ(LiveBlocks, blocks);
    FreeImageList(&head);  // an empty list stays empty
    EXPECT_EQ(LiveBlocks, blocks);
}
