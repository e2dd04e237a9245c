// Frame composition. Sprites are painted into the location's background
// picture (so a panorama's warp bends them) and taken out again at the
// start of the next frame; everything else is drawn into the back buffer.
#include "app/app.h"
#include "app/parts.h"
#include "backend/backend.h"
#include "image/image.h"
#include "panorama/panorama.h"
#include "scene/scene.h"

static const int32_t BorderStepX = 8;
static const int32_t BorderStepY = 6;
static const int32_t BorderLimit = 200;

static void MeasureFrameRate() {
    uint32_t now = ClockMilliseconds();
    uint32_t elapsed = now - FpsSampleTime;
    if (elapsed > 100) {
        FramesPerSecond = (FrameCount - FpsSampleFrames) * 1000u / elapsed;
        FpsSampleTime = now;
        FpsSampleFrames = FrameCount;
    }
}

void DrawSaving(Image* destination, Sprite* sprite) {
    if (!sprite->current || !sprite->saveUnder) return;
    if (BlitImage(destination, sprite->current, sprite->saveUnder)) {
        sprite->saveUnder->x = sprite->current->x;
        sprite->saveUnder->y = sprite->current->y;
    } else {
        sprite->saveUnder->x = -1;
    }
}

void EraseCursor() {
    if (Cursor && BackBuffer && Cursor->saveUnder && Cursor->saveUnder->x >= 0)
        BlitImage(BackBuffer, Cursor->saveUnder, nullptr);
}

// One frame with the new border, then both buffers of the flipping chain
// cleared, so no pixel of the old view stays in the border.
static void BorderStep() {
    FillRows(BackBuffer, 0, 0, 480);
    RedrawAll();
    PresentFrame();
    RestoreSpriteBackgrounds();
    FillRows(BackBuffer, 0, 0, 480);
}

void UpdateFrame() {
    FrameCount += 1;
    MeasureFrameRate();
    EraseCursor();
    RestoreSpriteBackgrounds();
    if (ShrinkRequested && LetterboxX < BorderLimit && LetterboxY < BorderLimit) {
        LetterboxX += BorderStepX;
        LetterboxY += BorderStepY;
        BorderStep();
    }
    if (GrowRequested && LetterboxX > 0 && LetterboxY > 0) {
        LetterboxX -= BorderStepX;
        LetterboxY -= BorderStepY;
        BorderStep();
    }
    if (Cursor && Cursor->current) {
        Cursor->current->x = CursorX;
        Cursor->current->y = CursorY;
    }
    RedrawAll();
    PresentFrame();
}

// Last sprite first, so overlapping sprites give back exactly the background
// they covered. The list is singly linked: each predecessor is found by
// walking from the head again.
void RestoreSpriteBackgrounds() {
    if (!CurrentLocation) return;
    View* view = CurrentLocation->view;
    SpriteRef* head = CurrentLocation->sprites;
    SpriteRef* done = nullptr;
    while (head && done != head) {
        SpriteRef* ref = head;
        while (ref->next != done) ref = ref->next;
        Sprite* sprite = ref->sprite;
        if (sprite && view && view->picture && sprite->saveUnder && sprite->saveUnder->x >= 0)
            BlitImage(view->picture, sprite->saveUnder, nullptr);
        done = ref;
    }
}

void RedrawAll() {
    if (!CurrentLocation) return;
    View* view = CurrentLocation->view;
    Image* picture = view ? view->picture : nullptr;

    if (picture)
        for (SpriteRef* ref = CurrentLocation->sprites; ref; ref = ref->next)
            if (ref->sprite && ref->on) DrawSaving(picture, ref->sprite);

    if (ClearRequested) FillRows(BackBuffer, 0, 0, 480);
    if (picture) {
        if (view->panorama)
            DrawPanorama(BackBuffer, picture);
        else
            BlitImage(BackBuffer, picture, nullptr);
    }
    if (HotspotsShown) zemDrawHotspots(BackBuffer, CurrentLocation);
    DrawStatusLine(BackBuffer);
    DrawAuthorOverlay(BackBuffer);
    if (ItemViewActive && StampUnderCursor) {
        zemItemView(StampUnderCursor, (639 - CursorX) >> 3);
        BlitImage(BackBuffer, StampUnderCursor->itemPicture, nullptr);
    }
    // The PDA panel rises from the bottom edge over the view and the item
    // view, below the logo and the cursor.
    if (Pda && Pda->y < 480) BlitImage(BackBuffer, Pda, nullptr);
    BlitImage(BackBuffer, Logo, nullptr);
    if (Cursor && BackBuffer) DrawSaving(BackBuffer, Cursor);
    ClearRequested = 0;
}
