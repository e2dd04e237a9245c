// Hit tests over hand-made records: the hot point, the closeup and panorama
// mappings, the door and stamp rectangles, and the cursor frames.
#include <gtest/gtest.h>

#include <cstring>

#include "app/app.h"
#include "image/image.h"
#include "panorama/panorama.h"
#include "scene/scene.h"
#include "tests/support/support.h"

namespace {

class HitTest : public ::testing::Test {
protected:
    Image frames[4] = {};  // a 32 x 32 cursor: the hot point is 16, 16 in
    Sprite cursor = {};
    Image picture = {};
    View view = {};
    Location hall = {};
    Door doors[2] = {};
    Stamp stamp = {};

    void SetUp() override {
        FreshProgram();
        BuildWarpTables();
        for (int i = 0; i < 4; i++) {
            frames[i].width = frames[i].height = 32;
            frames[i].next = i < 3 ? &frames[i + 1] : nullptr;
        }
        cursor.first = cursor.current = &frames[0];
        cursor.count = 4;
        Cursor = &cursor;
        std::strcpy(hall.name, "hall1");
        view.picture = &picture;
        hall.view = &view;
        hall.doors = &doors[0];
        hall.stamps = &stamp;
        std::strcpy(doors[0].target, "hall2");
    }
    template <typename T>
    static void Place(T& r, int32_t x, int32_t y, int32_t w, int32_t h) {
        r.x = x; r.y = y; r.w = w; r.h = h;
    }
    void HotAt(int32_t x, int32_t y) { CursorX = x - 16; CursorY = y - 16; }
    bool DoorAt(int32_t x, int32_t y) { HotAt(x, y); return zemHitDoor(&hall) != nullptr; }
    bool StampAt(int32_t x, int32_t y) { HotAt(x, y); return zemHitStamp(&hall) != nullptr; }
};

// A door of width and height 0 is hit at exactly one point: (u, v).
TEST_F(HitTest, HotPointMapsIntoThePicture) {
    const int32_t AnyRow = -100000, NoHit = -100000;
    const struct {
        int32_t panorama, pictureX, pictureY, panX, panY, hotX, hotY, u, v;
    } cases[] = {
        {0, 0, 0, 0, 0, 116, 66, 116, 66},         // cursor 100, 50: the frame's centre
        {0, 120, 90, 500, -40, 130, 100, 10, 10},  // a closeup ignores the pan
        {1, 0, 0, 2000, 67, 100, 200, 52, AnyRow},  // wrapped at N = 2048
        // Right edge: entry 639 (as entry 1) gives row 111 at virtual row 0,
        // where the renderer's entry 0 would give 112.
        {1, 0, 0, 0, -16, 639, 16, 639, 111},
        // Above virtual row 0 the product is negative and the shift keeps the
        // sign: -67 x 0.8333 is row -56.
        {1, 0, 0, 0, -83, 320, 16, 320, -56},
        {1, 0, 0, 0, 0, 646, 16, NoHit, AnyRow},  // beyond the tables
    };
    for (const auto& c : cases) {
        view.panorama = c.panorama;
        picture.x = c.pictureX;
        picture.y = c.pictureY;
        picture.height = 2048;  // a panorama's circumference, column-major
        PanX = c.panX;
        PanY = c.panY;
        if (c.u == NoHit)
            Place(doors[0], NoHit, AnyRow, 200000, 200000);
        else
            Place(doors[0], c.u, c.v, 0, c.v == AnyRow ? 200000 : 0);
        EXPECT_EQ(DoorAt(c.hotX, c.hotY), c.u != NoHit) << c.hotX;
    }
}

TEST_F(HitTest, DoorsOwnBothEdgesStampsNeither) {
    Place(doors[0], 10, 50, 20, 20);
    Place(stamp, 10, 50, 20, 20);
    for (int32_t u = 5; u <= 35; u++) {
        EXPECT_EQ(DoorAt(u, 60), u >= 10 && u <= 30) << u;
        EXPECT_EQ(StampAt(u, 60), u >= 11 && u <= 29) << u;
        EXPECT_EQ(DoorAt(20, u + 40), u >= 10 && u <= 30) << u;
        EXPECT_EQ(StampAt(20, u + 40), u >= 11 && u <= 29) << u;
    }
    // A stamp one pixel wide or high reacts nowhere.
    for (int32_t u = 8; u <= 14; u++) {
        Place(stamp, 10, 0, 1, 200);
        EXPECT_FALSE(StampAt(u, 100));
        Place(stamp, 0, 10, 200, 1);
        EXPECT_FALSE(StampAt(100, u));
    }
}

TEST_F(HitTest, FirstDoorWinsAndFramesTellWhereItLeads) {
    Place(doors[0], 0, 0, 100, 100);
    Place(doors[1], 0, 0, 100, 100);
    Place(stamp, 0, 0, 100, 100);
    std::strcpy(doors[1].target, "cellar");
    doors[0].next = &doors[1];
    frames[0].x = 77;
    frames[0].y = 88;
    EXPECT_TRUE(DoorAt(50, 50));
    EXPECT_EQ(DoorUnderCursor, &doors[0]);
    EXPECT_EQ(cursor.current, &frames[1]);  // hall2 begins as hall1 does
    EXPECT_EQ(frames[1].x * 100 + frames[1].y, 7788);  // the cursor keeps its place

    hall.doors = &doors[1];
    const struct {
        const char* target;
        int32_t frame;
    } targets[] = {{"cellar", 3}, {"ha", 3}, {"hal", 1}};
    for (const auto& t : targets) {
        std::strcpy(doors[1].target, t.target);
        zemHitDoor(&hall);
        EXPECT_EQ(cursor.index, t.frame) << t.target;
        EXPECT_EQ(cursor.current->x * 100 + cursor.current->y, 7788);
    }
    EXPECT_EQ(zemHitStamp(&hall), &stamp);
    EXPECT_EQ(cursor.index, 1);
    SpriteUnderCursor = (SpriteRef*)&stamp;
    EXPECT_EQ(zemHitSprite(&hall), nullptr);
    EXPECT_EQ(SpriteUnderCursor, nullptr);
    EXPECT_EQ(cursor.index, 0);
    EXPECT_FALSE(DoorAt(300, 250));
    EXPECT_EQ(DoorUnderCursor, nullptr);
}

TEST_F(HitTest, NothingChangesWhileTheItemViewIsOpenOrWithoutLocation) {
    Place(doors[0], 0, 0, 500, 500);
    Place(stamp, 0, 0, 500, 500);
    zemSetCursorFrame(2);
    DoorUnderCursor = &doors[1];
    StampUnderCursor = &stamp;
    ItemViewActive = 1;
    EXPECT_FALSE(DoorAt(50, 50));
    EXPECT_FALSE(StampAt(50, 50));
    EXPECT_EQ(zemHitSprite(&hall), nullptr);
    ItemViewActive = 0;
    EXPECT_EQ(zemHitDoor(nullptr), nullptr);
    EXPECT_EQ(DoorUnderCursor, &doors[1]);
    EXPECT_EQ(StampUnderCursor, &stamp);
    EXPECT_EQ(cursor.index, 2);

    // A location whose view picture did not load reports no hit.
    view.picture = nullptr;
    EXPECT_FALSE(DoorAt(50, 50));
    EXPECT_EQ(DoorUnderCursor, nullptr);
    hall.view = nullptr;
    EXPECT_FALSE(StampAt(50, 50));
    EXPECT_EQ(cursor.index, 0);
}

TEST_F(HitTest, CursorFrameStepsForwardAndEndsOnShortSeries) {
    zemSetCursorFrame(3);
    zemSetCursorFrame(1);  // forward through the end
    EXPECT_EQ(cursor.current, &frames[1]);
    EXPECT_EQ(cursor.index, 1);
    frames[1].next = nullptr;
    cursor.count = 2;
    zemSetCursorFrame(3);
    EXPECT_LT(cursor.index, 2);
}

}  // namespace
