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
    Image frames[4] = {};
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
    // Puts the cursor so that its hot point is (x, y).
    void HotPoint(int32_t x, int32_t y) {
        CursorX = x - 16;
        CursorY = y - 16;
    }
    template <typename T>
    static void Place(T& r, int32_t x, int32_t y, int32_t w, int32_t h) {
        r.x = x;
        r.y = y;
        r.w = w;
        r.h = h;
    }
    bool DoorAt(int32_t x, int32_t y) {
        HotPoint(x, y);
        return zemHitDoor(&hall) != nullptr;
    }
    bool StampAt(int32_t x, int32_t y) {
        HotPoint(x, y);
        return zemHitStamp(&hall) != nullptr;
    }
};

TEST_F(HitTest, HotPointAndRectangles) {
    CursorX = 100;
    CursorY = 50;
    Place(doors[0], 116, 66, 0, 0);
    EXPECT_EQ(zemHitDoor(&hall), &doors[0]);
    CursorX = 101;
    EXPECT_EQ(zemHitDoor(&hall), nullptr);

    // Doors own both edges, stamps neither; in both directions.
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

TEST_F(HitTest, CloseupMapsThroughThePicturePositionOnly) {
    picture.x = 120;
    picture.y = 90;
    PanX = 500;
    PanY = -40;
    Place(doors[0], 10, 10, 0, 0);
    EXPECT_TRUE(DoorAt(130, 100));
    EXPECT_FALSE(DoorAt(131, 100));
    EXPECT_FALSE(DoorAt(130, 101));
}

TEST_F(HitTest, PanoramaMapping) {
    view.panorama = 1;
    picture.height = 2048;  // column-major: the circumference
    PanX = 2000;
    Place(doors[0], 52, -100000, 0, 200000);
    EXPECT_TRUE(DoorAt(100, 200));
    PanX = 2001;
    EXPECT_FALSE(DoorAt(100, 200));

    // Right edge: table entry 639 (as entry 1) gives row 111 at virtual row
    // 0, where the renderer's entry 0 would give 112.
    PanX = 0;
    PanY = -16;
    Place(doors[0], 0, 111, 2047, 0);
    EXPECT_TRUE(DoorAt(639, 16));
    Place(doors[0], 0, 112, 2047, 0);
    EXPECT_FALSE(DoorAt(639, 16));
    // Centre column above virtual row 0: the product is negative and the
    // shift keeps the sign (-67 x 0.8333 -> row -56).
    PanY = -83;
    Place(doors[0], 0, -56, 2047, 0);
    EXPECT_TRUE(DoorAt(320, 16));
    // A hot point beyond the tables hits nothing.
    Place(doors[0], -100000, -100000, 200000, 200000);
    EXPECT_FALSE(DoorAt(646, 16));
}

TEST_F(HitTest, FirstDoorWinsAndFramesTellWhereItLeads) {
    Place(doors[0], 0, 0, 100, 100);
    Place(doors[1], 0, 0, 100, 100);
    std::strcpy(doors[1].target, "cellar");
    doors[0].next = &doors[1];
    frames[0].x = 77;
    frames[0].y = 88;
    HotPoint(50, 50);
    EXPECT_EQ(zemHitDoor(&hall), &doors[0]);
    EXPECT_EQ(DoorUnderCursor, &doors[0]);
    EXPECT_EQ(cursor.current, &frames[1]);
    EXPECT_EQ(frames[1].x, 77);  // the new frame keeps the place
    EXPECT_EQ(frames[1].y, 88);

    hall.doors = &doors[1];
    zemHitDoor(&hall);
    EXPECT_EQ(cursor.index, 3);
    std::strcpy(doors[1].target, "ha");
    zemHitDoor(&hall);
    EXPECT_EQ(cursor.index, 3);
    EXPECT_EQ(frames[3].x, 77);

    EXPECT_FALSE(DoorAt(300, 250));
    EXPECT_EQ(DoorUnderCursor, nullptr);
    EXPECT_EQ(cursor.index, 0);
    Place(stamp, 0, 0, 100, 100);
    HotPoint(50, 50);
    EXPECT_EQ(zemHitStamp(&hall), &stamp);
    EXPECT_EQ(cursor.index, 1);
    SpriteUnderCursor = (SpriteRef*)&stamp;
    EXPECT_EQ(zemHitSprite(&hall), nullptr);
    EXPECT_EQ(SpriteUnderCursor, nullptr);
    EXPECT_EQ(cursor.index, 0);
}

TEST_F(HitTest, NothingChangesWhileTheItemViewIsOpenOrWithoutLocation) {
    Place(doors[0], 0, 0, 500, 500);
    Place(stamp, 0, 0, 500, 500);
    HotPoint(50, 50);
    zemSetCursorFrame(2);
    DoorUnderCursor = &doors[1];
    StampUnderCursor = &stamp;
    ItemViewActive = 1;
    EXPECT_EQ(zemHitDoor(&hall), nullptr);
    EXPECT_EQ(zemHitStamp(&hall), nullptr);
    EXPECT_EQ(zemHitSprite(&hall), nullptr);
    ItemViewActive = 0;
    EXPECT_EQ(zemHitDoor(nullptr), nullptr);
    EXPECT_EQ(DoorUnderCursor, &doors[1]);
    EXPECT_EQ(StampUnderCursor, &stamp);
    EXPECT_EQ(cursor.index, 2);

    // A location whose view picture did not load reports no hit.
    view.picture = nullptr;
    EXPECT_EQ(zemHitDoor(&hall), nullptr);
    EXPECT_EQ(DoorUnderCursor, nullptr);
    hall.view = nullptr;
    EXPECT_EQ(zemHitStamp(&hall), nullptr);
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
