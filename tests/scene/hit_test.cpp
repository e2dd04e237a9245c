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
    Door doors[3] = {};
    Stamp stamps[2] = {};

    void SetUp() override {
        FreshProgram();
        BuildWarpTables();
        for (int i = 0; i < 4; i++) {
            frames[i].width = frames[i].pitch = frames[i].height = 32;
            frames[i].next = i < 3 ? &frames[i + 1] : nullptr;
        }
        cursor.first = cursor.current = &frames[0];
        cursor.count = 4;
        Cursor = &cursor;

        std::strcpy(hall.name, "hall1");
        std::strcpy(view.name, "HALL1.BMP");
        view.picture = &picture;
        hall.view = &view;
        picture.width = 400;
        picture.height = 300;
    }

    // Puts the cursor so that its hot point is (x, y).
    void HotPoint(int32_t x, int32_t y) {
        CursorX = x - 16;
        CursorY = y - 16;
    }
    void Door1(int32_t x, int32_t y, int32_t w, int32_t h, const char* target = "hall2") {
        doors[0] = {};
        std::strcpy(doors[0].target, target);
        doors[0].x = x;
        doors[0].y = y;
        doors[0].w = w;
        doors[0].h = h;
        hall.doors = &doors[0];
    }
    void Stamp1(int32_t x, int32_t y, int32_t w, int32_t h) {
        stamps[0] = {};
        stamps[0].x = x;
        stamps[0].y = y;
        stamps[0].w = w;
        stamps[0].h = h;
        hall.stamps = &stamps[0];
    }
    // Makes the view a panorama of the given circumference.
    void Panorama(int32_t columns) {
        view.panorama = 1;
        picture.width = picture.pitch = 512;
        picture.height = columns;
    }
};

TEST_F(HitTest, HotPointIsTheFrameCentre) {
    CursorX = 100;
    CursorY = 50;
    Door1(116, 66, 0, 0);
    EXPECT_EQ(zemHitDoor(&hall), &doors[0]);
    CursorX = 101;
    EXPECT_EQ(zemHitDoor(&hall), nullptr);
    CursorX = 100;
    CursorY = 49;
    EXPECT_EQ(zemHitDoor(&hall), nullptr);
}

TEST_F(HitTest, DoorsIncludeTheirEdgesStampsExcludeThem) {
    Door1(10, 0, 20, 200);
    Stamp1(10, 0, 20, 200);
    for (int32_t u = 5; u <= 35; u++) {
        HotPoint(u, 100);
        bool door = u >= 10 && u <= 30;
        bool stamp = u >= 11 && u <= 29;
        EXPECT_EQ(zemHitDoor(&hall) != nullptr, door) << u;
        EXPECT_EQ(zemHitStamp(&hall) != nullptr, stamp) << u;
    }
    // The same holds for rows.
    Door1(0, 50, 200, 20);
    Stamp1(0, 50, 200, 20);
    HotPoint(100, 50);
    EXPECT_NE(zemHitDoor(&hall), nullptr);
    EXPECT_EQ(zemHitStamp(&hall), nullptr);
    HotPoint(100, 70);
    EXPECT_NE(zemHitDoor(&hall), nullptr);
    EXPECT_EQ(zemHitStamp(&hall), nullptr);

    // A stamp one pixel wide or high reacts nowhere.
    for (int32_t u = 8; u <= 14; u++) {
        HotPoint(u, 100);
        Stamp1(10, 0, 1, 200);
        EXPECT_EQ(zemHitStamp(&hall), nullptr) << u;
        Stamp1(0, 98, 200, 1);
        EXPECT_EQ(zemHitStamp(&hall), nullptr) << u;
    }
}

TEST_F(HitTest, CloseupMapsThroughThePicturePosition) {
    picture.x = 120;
    picture.y = 90;
    Door1(10, 10, 0, 0);
    HotPoint(130, 100);
    EXPECT_EQ(zemHitDoor(&hall), &doors[0]);
    HotPoint(131, 100);
    EXPECT_EQ(zemHitDoor(&hall), nullptr);
    PanX = 500;  // pans play no part on a closeup
    PanY = -40;
    HotPoint(130, 100);
    EXPECT_EQ(zemHitDoor(&hall), &doors[0]);
}

TEST_F(HitTest, PanoramaColumnWrapsAroundTheCircumference) {
    Panorama(2048);
    PanX = 2000;
    Door1(52, -100000, 0, 200000);
    HotPoint(100, 200);
    EXPECT_EQ(zemHitDoor(&hall), &doors[0]);
    Door1(53, -100000, 0, 200000);
    EXPECT_EQ(zemHitDoor(&hall), nullptr);
    // PanX equal to the circumference draws as 0.
    PanX = 2048;
    Door1(100, -100000, 0, 200000);
    EXPECT_EQ(zemHitDoor(&hall), &doors[0]);
}

TEST_F(HitTest, PanoramaRowUsesTheTableOfTheHotColumnWithSignedArithmetic) {
    Panorama(2048);
    // Right edge: table entry 639 (= entry 1) gives row 111 at virtual row 0;
    // the renderer's entry 0 would give 112.
    HotPoint(639, 16);
    PanY = -16;
    Door1(0, 111, 2047, 0);
    EXPECT_EQ(zemHitDoor(&hall), &doors[0]);
    Door1(0, 112, 2047, 0);
    EXPECT_EQ(zemHitDoor(&hall), nullptr);

    // Centre column above virtual row 0: the product is negative and the
    // shift keeps the sign (-67 x 0.8333 -> row -56).
    HotPoint(320, 16);
    PanY = -83;
    Door1(0, -56, 2047, 0);
    EXPECT_EQ(zemHitDoor(&hall), &doors[0]);

    // A hot point beyond the tables hits nothing.
    CursorX = 630;
    Door1(-100000, -100000, 200000, 200000);
    EXPECT_EQ(zemHitDoor(&hall), nullptr);
}

TEST_F(HitTest, FirstListedDoorWinsAndFramesTellWhereItLeads) {
    Door1(0, 0, 100, 100, "hall2");
    std::strcpy(doors[1].target, "cellar");
    doors[1].w = doors[1].h = 100;
    doors[0].next = &doors[1];
    HotPoint(50, 50);
    frames[0].x = 77;
    frames[0].y = 88;

    EXPECT_EQ(zemHitDoor(&hall), &doors[0]);
    EXPECT_EQ(DoorUnderCursor, &doors[0]);
    EXPECT_EQ(cursor.index, 1);
    EXPECT_EQ(cursor.current, &frames[1]);
    EXPECT_EQ(frames[1].x, 77);  // the new frame keeps the place
    EXPECT_EQ(frames[1].y, 88);

    hall.doors = &doors[1];
    EXPECT_EQ(zemHitDoor(&hall), &doors[1]);
    EXPECT_EQ(cursor.index, 3);
    EXPECT_EQ(frames[3].x, 77);

    std::strcpy(doors[1].target, "ha");
    zemHitDoor(&hall);
    EXPECT_EQ(cursor.index, 3);

    HotPoint(300, 250);
    EXPECT_EQ(zemHitDoor(&hall), nullptr);
    EXPECT_EQ(DoorUnderCursor, nullptr);
    EXPECT_EQ(cursor.index, 0);
    EXPECT_EQ(frames[0].x, 77);

    Stamp1(0, 0, 100, 100);
    HotPoint(50, 50);
    EXPECT_EQ(zemHitStamp(&hall), &stamps[0]);
    EXPECT_EQ(StampUnderCursor, &stamps[0]);
    EXPECT_EQ(cursor.index, 1);

    SpriteUnderCursor = (SpriteRef*)&stamps[1];
    EXPECT_EQ(zemHitSprite(&hall), nullptr);
    EXPECT_EQ(SpriteUnderCursor, nullptr);
    EXPECT_EQ(cursor.index, 0);
}

TEST_F(HitTest, NothingChangesWhileTheItemViewIsOpenOrWithoutLocation) {
    Door1(0, 0, 500, 500);
    Stamp1(0, 0, 500, 500);
    HotPoint(50, 50);
    zemSetCursorFrame(2);
    Door* door = &doors[1];
    Stamp* stamp = &stamps[1];
    DoorUnderCursor = door;
    StampUnderCursor = stamp;

    ItemViewActive = 1;
    EXPECT_EQ(zemHitDoor(&hall), nullptr);
    EXPECT_EQ(zemHitStamp(&hall), nullptr);
    EXPECT_EQ(zemHitSprite(&hall), nullptr);
    ItemViewActive = 0;
    EXPECT_EQ(zemHitDoor(nullptr), nullptr);
    EXPECT_EQ(zemHitStamp(nullptr), nullptr);
    EXPECT_EQ(DoorUnderCursor, door);
    EXPECT_EQ(StampUnderCursor, stamp);
    EXPECT_EQ(cursor.index, 2);
}

TEST_F(HitTest, LocationWithoutViewPictureReportsNoHit) {
    Door1(0, 0, 500, 500);
    HotPoint(50, 50);
    view.picture = nullptr;
    DoorUnderCursor = &doors[1];
    EXPECT_EQ(zemHitDoor(&hall), nullptr);
    EXPECT_EQ(DoorUnderCursor, nullptr);
    hall.view = nullptr;
    EXPECT_EQ(zemHitStamp(&hall), nullptr);
    EXPECT_EQ(cursor.index, 0);
}

TEST_F(HitTest, CursorFrameStepsForwardAndEndsOnShortSeries) {
    zemSetCursorFrame(3);
    EXPECT_EQ(cursor.index, 3);
    zemSetCursorFrame(1);  // forward through the end
    EXPECT_EQ(cursor.index, 1);
    EXPECT_EQ(cursor.current, &frames[1]);

    frames[1].next = nullptr;
    cursor.count = 2;
    zemSetCursorFrame(3);
    EXPECT_LT(cursor.index, 2);
    Door1(0, 0, 500, 500, "cellar");
    HotPoint(50, 50);
    EXPECT_EQ(zemHitDoor(&hall), &doors[0]);
}

}  // namespace
