// What lies under the cursor: the cursor's hot point mapped into the view
// picture, the first door or stamp whose rectangle holds it, and the cursor
// frame that tells what a click would do.
#include <cstring>

#include "image/image.h"
#include "panorama/panorama.h"
#include "scene/scene.h"
#include "screen/screen.h"

// Cursor frames.
static const int32_t FrameNothing = 0;
static const int32_t FrameNear = 1;  // a stamp, or a door within the same place
static const int32_t FrameFar = 3;   // a door to somewhere else

// Sums and products keep their low 32 bits, as on the platform the tables
// were made for; unsigned arithmetic avoids undefined overflow.
static int32_t Add32(int32_t a, int32_t b) { return (int32_t)((uint32_t)a + (uint32_t)b); }

int zemScreenToPicture(const Location* location, int32_t hotX, int32_t hotY, int32_t* u,
                       int32_t* v) {
    if (!location || !location->view || !location->view->picture) return 0;
    const Image* picture = location->view->picture;
    if (location->view->panorama) {
        int32_t columns = picture->height;  // column-major: the circumference
        if (columns <= 0 || hotX < 0 || hotX >= 640) return 0;
        int32_t column = Add32(hotX, PanX);
        if (column >= columns) column %= columns;
        // The tables are indexed with hotX on both halves of the screen.
        uint32_t row = (uint32_t)ColumnScale[hotX] * (uint32_t)Add32(hotY, PanY) +
                       (uint32_t)ColumnOffset[hotX];
        *u = column;
        *v = (int32_t)row >> 22;
        return 1;
    }
    *u = Add32(hotX, -picture->x);
    *v = Add32(hotY, -picture->y);
    return 1;
}

int zemHotPoint(int32_t* x, int32_t* y) {
    *x = CursorX;
    *y = CursorY;
    if (!Cursor || !Cursor->current) return 0;
    *x = Add32(*x, Cursor->current->width >> 1);
    *y = Add32(*y, Cursor->current->height >> 1);
    return 1;
}

// The hot point in view-picture coordinates; 0 when the location has no
// loaded view picture or the point lies outside the warp tables.
static int MapHotPoint(const Location* location, int32_t* u, int32_t* v) {
    int32_t hotX, hotY;
    zemHotPoint(&hotX, &hotY);
    return zemScreenToPicture(location, hotX, hotY, u, v);
}

// The cursor takes the wanted frame at the place the old frame had, so it
// does not jump when its shape changes.
static void ShowFrame(int32_t frame, int32_t x, int32_t y) {
    zemSetCursorFrame(frame);
    if (Cursor && Cursor->current) {
        Cursor->current->x = x;
        Cursor->current->y = y;
    }
}

static void RememberPlace(int32_t* x, int32_t* y) {
    *x = Cursor && Cursor->current ? Cursor->current->x : 0;
    *y = Cursor && Cursor->current ? Cursor->current->y : 0;
}

Door* zemHitDoor(Location* location) {
    if (ItemViewActive || !location) return nullptr;
    int32_t x, y;
    RememberPlace(&x, &y);

    Door* hit = nullptr;
    int32_t u, v;
    if (MapHotPoint(location, &u, &v)) {
        for (Door* door = location->doors; door; door = door->next) {
            // Both edges belong to a door.
            if (door->x <= u && u <= (int64_t)door->x + door->w && door->y <= v &&
                v <= (int64_t)door->y + door->h) {
                hit = door;
                break;
            }
        }
    }
    int32_t frame = FrameNothing;
    if (hit) frame = std::strncmp(location->name, hit->target, 3) == 0 ? FrameNear : FrameFar;
    ShowFrame(frame, x, y);
    DoorUnderCursor = hit;
    return hit;
}

Stamp* zemHitStamp(Location* location) {
    if (ItemViewActive || !location) return nullptr;
    int32_t x, y;
    RememberPlace(&x, &y);

    Stamp* hit = nullptr;
    int32_t u, v;
    if (MapHotPoint(location, &u, &v)) {
        for (Stamp* stamp = location->stamps; stamp; stamp = stamp->next) {
            // Neither edge belongs to a stamp; taken or not plays no part.
            if (stamp->x < u && u < (int64_t)stamp->x + stamp->w && stamp->y < v &&
                v < (int64_t)stamp->y + stamp->h) {
                hit = stamp;
                break;
            }
        }
    }
    ShowFrame(hit ? FrameNear : FrameNothing, x, y);
    StampUnderCursor = hit;
    return hit;
}

SpriteRef* zemHitSprite(Location* location) {
    if (ItemViewActive || !location) return nullptr;
    int32_t x, y;
    RememberPlace(&x, &y);
    ShowFrame(FrameNothing, x, y);
    SpriteUnderCursor = nullptr;
    return nullptr;
}

void zemSetCursorFrame(int32_t index) {
    if (!Cursor || !Cursor->current) return;
    // One full turn at most: a frame the series does not have is never found.
    for (int32_t step = 0; step < Cursor->count && Cursor->index != index; step++)
        AdvanceSprite(Cursor);
}
