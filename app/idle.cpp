// The idle tick: runs whenever the message queue is empty. Scrolls while the
// cursor rests near an edge, slides the PDA panel, steps the sprite
// animations on their timer, and asks for a frame when anything changed.
#include <cstdint>

#include "app/app.h"
#include "app/parts.h"
#include "backend/backend.h"
#include "image/image.h"
#include "scene/scene.h"

static const int32_t EdgeMargin = 40;
static const int32_t PdaShownY = 310;
static const int32_t PdaHiddenY = 470;
static const int32_t PdaStep = 10;

void AddPan(int32_t* pan, int32_t delta) {
    int64_t sum = (int64_t)*pan + delta;
    if (sum > INT32_MAX) sum = INT32_MAX;
    if (sum < INT32_MIN) sum = INT32_MIN;
    *pan = (int32_t)sum;
}

// The scroll amount is the depth into the margin, measured from the cursor
// picture's far edge on the right and at the bottom.
static void ScrollAtEdges() {
    if (!Cursor || !Cursor->current) return;
    int32_t w = Cursor->current->width;
    int32_t h = Cursor->current->height;
    if (CursorX > 640 - EdgeMargin - w) {
        AddPan(&PanX, CursorX + w - (640 - EdgeMargin));
        RedrawRequested = 1;
    }
    if (CursorX < EdgeMargin) {
        AddPan(&PanX, CursorX - EdgeMargin);
        RedrawRequested = 1;
    }
    if (CursorY > 480 - EdgeMargin - h) {
        AddPan(&PanY, CursorY + h - (480 - EdgeMargin));
        RedrawRequested = 1;
    }
    if (CursorY < EdgeMargin) {
        AddPan(&PanY, CursorY - EdgeMargin);
        RedrawRequested = 1;
    }
}

static void SlidePda() {
    if (!Pda) return;
    if (PdaShown && Pda->y > PdaShownY) {
        Pda->y -= PdaStep;
        RedrawRequested = 1;
        ClearRequested = 1;
    } else if (!PdaShown && Pda->y < PdaHiddenY) {
        Pda->y += PdaStep;
        RedrawRequested = 1;
        ClearRequested = 1;
    }
}

static void Animate() {
    CurrentTime = ClockMilliseconds();
    if ((int32_t)(CurrentTime - LastAnimTime) < AnimInterval) return;
    LastAnimTime = CurrentTime;
    if (CurrentLocation)
        for (SpriteRef* ref = CurrentLocation->sprites; ref; ref = ref->next)
            if (ref->on && ref->sprite) AdvanceSprite(ref->sprite);
    RedrawRequested = 1;
}

void IdleTick() {
    RedrawRequested = 0;
    ScrollAtEdges();
    SlidePda();
    Animate();
    if (RedrawRequested) UpdateFrame();
}
