// The window procedure: keys, characters and mouse messages become changes
// of the view state, scene actions and one of two screen updates (a full
// frame or the cheap cursor-only update).
#include <cstdint>

#include "app/app.h"
#include "app/parts.h"
#include "backend/backend.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"

// Position from a mouse message, clamped so the cursor picture lies wholly
// on the screen.
static void TakePosition(intptr_t lParam) {
    CursorX = (int32_t)((uint32_t)lParam & 0xFFFFu);
    CursorY = (int32_t)(((uint32_t)lParam >> 16) & 0xFFFFu);
    if (Cursor && Cursor->current) {
        int32_t w = Cursor->current->width;
        int32_t h = Cursor->current->height;
        if (CursorX > 640 - w) CursorX = 640 - w;
        if (CursorY > 480 - h) CursorY = 480 - h;
    }
}

static int EqualsIgnoreCase(const char* a, const char* b) {
    for (;; a++, b++) {
        char ca = (*a >= 'A' && *a <= 'Z') ? (char)(*a + 32) : *a;
        char cb = (*b >= 'A' && *b <= 'Z') ? (char)(*b + 32) : *b;
        if (ca != cb) return 0;
        if (!ca) return 1;
    }
}

static void SpeedUp() { AnimInterval = (int32_t)(AnimInterval * 0.9); }

static void SlowDown() {
    double slower = (AnimInterval + 1.0) * 1.1;
    AnimInterval = slower >= (double)INT32_MAX ? INT32_MAX : (int32_t)slower;
}

// The current view's colour table read again under the new gamma and shown
// at once: the pixels keep their indices, only the colours change.
static void GammaStep() {
    Gamma = Gamma * 0.9;
    if (Gamma < 0.5) Gamma = 2.0;
    if (!CurrentLocation || !CurrentLocation->view || !DisplayObject) return;
    if (!zemLoadBMP(CurrentLocation->view->name, nullptr, CurrentPalette, nullptr, 0, 0, 0, 0))
        return;
    BkPalette* palette = nullptr;
    if (DisplayCreatePalette(DisplayObject, DDPCAPS_8BIT, CurrentPalette, &palette) != BK_OK ||
        !palette)
        return;
    SurfaceSetPalette(PrimarySurface, palette);
    // The replaced object is no longer attached anywhere.
    if (PaletteObject) PaletteRelease(PaletteObject);
    PaletteObject = palette;
}

static void ToggleStatusLine() {
    StatusShown = StatusShown == 0 ? 1 : 0;
    EraseCursor();
    if (CurrentLocation) RestoreSpriteBackgrounds();
    RedrawAll();
    PresentFrame();
    RedrawRequested = 1;
}

// Returns 1 when the message is done and WindowProc returns 0 at once.
static int KeyDown(BkWindow* window, uintptr_t key) {
    if (AuthorKeyDown(key)) return 0;
    switch (key) {
    case VK_ESCAPE:
    case VK_F12:
        MessagePost(window, WM_CLOSE, 0, 0);
        return 1;
    case VK_SPACE:
        ToggleStatusLine();
        break;
    case VK_LEFT:
        ShrinkRequested = 1;
        RedrawRequested = 1;
        break;
    case VK_RIGHT:
        GrowRequested = 1;
        RedrawRequested = 1;
        break;
    case VK_ADD:
        SpeedUp();
        break;
    case VK_SUBTRACT:
        SlowDown();
        break;
    case VK_F11:
        GammaStep();
        break;
    case VK_TAB:
        // Held down: what can be clicked is outlined (auto-repeat changes
        // nothing more).
        if (!HotspotsShown) {
            HotspotsShown = 1;
            RedrawRequested = 1;
        }
        break;
    default:
        break;
    }
    return 0;
}

static void KeyUp(uintptr_t key) {
    if (key == VK_TAB && HotspotsShown) {
        HotspotsShown = 0;
        RedrawRequested = 1;
    }
}

static void Character(uintptr_t code) {
    switch (code) {
    case 13:
        zemChangeLoc(nullptr);
        RedrawRequested = 1;
        break;
    case ',':
    case '<':
        ShrinkRequested = 1;
        RedrawRequested = 1;
        break;
    case '.':
    case '>':
        GrowRequested = 1;
        RedrawRequested = 1;
        break;
    default:
        break;
    }
}

static void MouseMove(intptr_t lParam) {
    PrevCursorX = CursorX;
    PrevCursorY = CursorY;
    TakePosition(lParam);
    if (AuthorMouseMove()) return;
    if (KeyState(VK_LBUTTON) & 0x8000) {
        AddPan(&PanX, PrevCursorX - CursorX);
        AddPan(&PanY, PrevCursorY - CursorY);
        RedrawRequested = 1;
    } else {
        CursorOnlyRequested = 1;
    }
}

// Sprites painted into the view picture are taken out before a stamp
// toggles under them; otherwise their saved background would later paint the
// old stamp pixels back. The next frame paints them again.
static void TakeSpritesOut() {
    RestoreSpriteBackgrounds();
    if (!CurrentLocation) return;
    for (SpriteRef* ref = CurrentLocation->sprites; ref; ref = ref->next)
        if (ref->sprite && ref->sprite->saveUnder) ref->sprite->saveUnder->x = -1;
}

static void ToggleStamp(Stamp* stamp) {
    View* view = CurrentLocation ? CurrentLocation->view : nullptr;
    if (view && view->picture && stamp->swapPicture) {
        TakeSpritesOut();
        BlitImage(view->picture, stamp->swapPicture, nullptr);
    }
    Image* swap = stamp->picture;
    stamp->picture = stamp->swapPicture;
    stamp->swapPicture = swap;
    if (stamp->icon) stamp->icon->x = stamp->icon->x >= 0 ? -1 : 0;
    if (stamp->itemView[0]) {
        ItemViewActive = 1;
        CursorOnlyRequested = 1;
    }
}

// Returns 1 when the click ended the program (a door to "EXIT").
static int LeftClick(BkWindow* window) {
    if (ItemViewActive) {
        ItemViewActive = 0;
        zemItemView(StampUnderCursor, -1);
        zemHitStamp(CurrentLocation);
        ClearRequested = 1;
        RedrawRequested = 1;
        return 0;
    }
    if (StampUnderCursor) ToggleStamp(StampUnderCursor);
    Door* door = DoorUnderCursor;
    if (!door) return 0;
    if (EqualsIgnoreCase(door->target, "EXIT")) {
        MessagePost(window, WM_CLOSE, 0, 0);
        return 1;
    }
    zemChangeLoc(door);
    zemHitDoor(CurrentLocation);
    RedrawRequested = 1;
    return 0;
}

intptr_t WindowProc(BkWindow* window, uint32_t message, uintptr_t wParam,
                    intptr_t lParam) {
    ShrinkRequested = 0;
    GrowRequested = 0;
    CursorOnlyRequested = 0;
    RedrawRequested = 0;

    switch (message) {
    case WM_KEYDOWN:
        if (KeyDown(window, wParam)) return 0;
        break;
    case WM_KEYUP:
        KeyUp(wParam);
        break;
    case WM_CHAR:
        Character(wParam);
        break;
    case WM_MOUSEMOVE:
        MouseMove(lParam);
        break;
    case WM_LBUTTONDOWN:
        TakePosition(lParam);
        if (AuthorButtonDown()) break;
        if (LeftClick(window)) return 0;
        break;
    case WM_LBUTTONUP:
        AuthorButtonUp();
        RedrawRequested = 1;
        break;
    case WM_AUTHOR_COMMAND:
        if (AuthorMode) AuthorCommand((const char*)lParam);
        break;
    case WM_RBUTTONDOWN:
        PdaShown = ~PdaShown;
        break;
    case WM_SETCURSOR:
        CursorHide();
        return 1;
    case WM_DESTROY:
        ShutdownApp();
        MessagePostQuit(0);
        break;
    default:
        break;
    }

    if (RedrawRequested)
        UpdateFrame();
    else if (CursorOnlyRequested)
        UpdateCursorOnly();
    return WindowDefaultProc(window, message, wParam, lParam);
}

void UpdateCursorOnly() {
    if (Cursor) {
        EraseCursor();
        if (Cursor->current) {
            Cursor->current->x = CursorX;
            Cursor->current->y = CursorY;
        }
    }
    if (!zemHitStamp(CurrentLocation))
        if (!zemHitSprite(CurrentLocation)) zemHitDoor(CurrentLocation);
    if (ItemViewActive && StampUnderCursor && BackBuffer) {
        zemItemView(StampUnderCursor, (639 - CursorX) >> 3);
        BlitImage(BackBuffer, StampUnderCursor->itemPicture, nullptr);
    }
    if (Cursor && BackBuffer) DrawSaving(BackBuffer, Cursor);
    PresentFrame();
}
