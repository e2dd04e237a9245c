#include <gtest/gtest.h>

#include "image/image.h"
#include "platform/platform.h"

TEST(TrackedMemory, CountersFollowEveryBlockExactly) {
    int32_t blocks = LiveBlocks, bytes = LiveBytes;
    void* a = TrackedAlloc(RoundUp4(9));  // a 3 x 3 picture asks for 12
    void* b = TrackedAlloc(72);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(LiveBlocks, blocks + 2);
    EXPECT_EQ(LiveBytes, bytes + 84);
    EXPECT_EQ(TrackedFree(a), 1);
    EXPECT_EQ(LiveBytes, bytes + 72);
    EXPECT_EQ(TrackedFree(b), 1);
    EXPECT_EQ(LiveBlocks, blocks);
    EXPECT_EQ(LiveBytes, bytes);
    EXPECT_EQ(TrackedFree(nullptr), 0);
    EXPECT_EQ(LiveBlocks, blocks);
}

TEST(TrackedMemory, FailedAllocationRaisesNothing) {
    int32_t blocks = LiveBlocks, bytes = LiveBytes;
    EXPECT_EQ(TrackedAlloc(-4), nullptr);
    TrackedFailAt(2);
    void* first = TrackedAlloc(16);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(TrackedAlloc(16), nullptr);
    EXPECT_EQ(LiveBlocks, blocks + 1);
    EXPECT_EQ(LiveBytes, bytes + 16);
    void* third = TrackedAlloc(16);  // only the chosen one fails
    EXPECT_NE(third, nullptr);
    TrackedFree(first);
    TrackedFree(third);
    EXPECT_EQ(LiveBlocks, blocks);
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
    EXPECT_EQ(LiveBlocks, blocks + 6);
    FreeImageList(&head);
    EXPECT_EQ(head, nullptr);
    EXPECT_EQ(LiveBlocks, blocks);
    FreeImageList(&head);  // an empty list stays empty
    EXPECT_EQ(LiveBlocks, blocks);
}

TEST(TrackedMemory, RoundUp4) {
    EXPECT_EQ(RoundUp4(0), 0);
    EXPECT_EQ(RoundUp4(1), 4);
    EXPECT_EQ(RoundUp4(4), 4);
    EXPECT_EQ(RoundUp4(307201), 307204);
}
