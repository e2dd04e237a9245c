// Platform events into the window's messages, and the key and button states
// as of the last event turned into a message, so that a message handler
// sees the state that belongs to its message even when more events wait
// behind it.
#include "backend/soft/soft.h"

static uint8_t KeysDown[256];
static uint32_t Buttons = 0;  // SOFT_HELD_*
static int Shift = 0;
static int Control = 0;

void SoftResetInput() {
    for (uint8_t& k : KeysDown) k = 0;
    Buttons = 0;
    Shift = Control = 0;
}

static uint32_t Held(SoftButton button) {
    return button == SOFT_BUTTON_LEFT ? SOFT_HELD_LEFT : button == SOFT_BUTTON_RIGHT ? SOFT_HELD_RIGHT : 0;
}

void SoftSetKeyDown(int32_t virtualKey, int down) {
    uint32_t held = virtualKey == VK_LBUTTON ? SOFT_HELD_LEFT : virtualKey == VK_RBUTTON ? SOFT_HELD_RIGHT : 0;
    if (held)
        Buttons = down ? Buttons | held : Buttons & ~held;
    else if (virtualKey == VK_SHIFT)
        Shift = down != 0;
    else if (virtualKey == VK_CONTROL)
        Control = down != 0;
    else if (virtualKey >= 0 && virtualKey < 256)
        KeysDown[virtualKey] = down != 0;
}

int16_t KeyState(int32_t virtualKey) {
    int down = 0;
    switch (virtualKey) {
        case VK_LBUTTON: down = (Buttons & SOFT_HELD_LEFT) != 0; break;
        case VK_RBUTTON: down = (Buttons & SOFT_HELD_RIGHT) != 0; break;
        case VK_SHIFT: down = Shift; break;
        case VK_CONTROL: down = Control; break;
        default:
            down = virtualKey >= 0 && virtualKey < 256 && KeysDown[virtualKey];
            break;
    }
    return down ? (int16_t)0x8000 : 0;
}

// wParam of a mouse message: MK_LBUTTON 0x1, MK_RBUTTON 0x2.
static uintptr_t MouseFlags() { return Buttons & (SOFT_HELD_LEFT | SOFT_HELD_RIGHT); }

static void PostButton(const SoftEvent* e) {
    uint32_t message = 0;
    if (e->kind == SOFT_EVENT_PRESS) {
        Buttons |= Held(e->button);
        if (e->button == SOFT_BUTTON_LEFT)
            // Every second press of a quick series is a double click.
            message = e->clicks % 2 == 0 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
        else if (e->button == SOFT_BUTTON_RIGHT)
            message = WM_RBUTTONDOWN;
    } else {
        Buttons &= ~Held(e->button);
        if (e->button == SOFT_BUTTON_LEFT)
            message = WM_LBUTTONUP;
        else if (e->button == SOFT_BUTTON_RIGHT)
            message = WM_RBUTTONUP;
    }
    if (message) MessagePost(SoftWindow(), message, MouseFlags(), MAKE_MOUSE_LPARAM(e->x, e->y));
}

// A key the system does not know changes only the modifiers.
static void PostKey(const SoftEvent* e) {
    int down = e->kind == SOFT_EVENT_KEY_DOWN;
    Shift = e->shift != 0;
    Control = e->control != 0;
    if (e->key <= 0 || e->key > 255) return;
    KeysDown[e->key] = (uint8_t)down;
    // lParam as a key message carries it: repeat count 1, bit 30 the
    // previous state, bit 31 the transition.
    intptr_t lParam = 1;
    if (!down)
        lParam |= (intptr_t)0xC0000000u;
    else if (e->repeat)
        lParam |= (intptr_t)0x40000000;
    MessagePost(SoftWindow(), down ? WM_KEYDOWN : WM_KEYUP, (uintptr_t)e->key, lParam);
}

void SoftPostEvent(const SoftEvent* e) {
    BkWindow* w = SoftWindow();
    switch (e->kind) {
        case SOFT_EVENT_MOVE:
            Buttons = e->buttons & (SOFT_HELD_LEFT | SOFT_HELD_RIGHT);
            MessagePost(w, WM_MOUSEMOVE, MouseFlags(), MAKE_MOUSE_LPARAM(e->x, e->y));
            break;
        case SOFT_EVENT_PRESS:
        case SOFT_EVENT_RELEASE:
            PostButton(e);
            break;
        case SOFT_EVENT_KEY_DOWN:
        case SOFT_EVENT_KEY_UP:
            PostKey(e);
            break;
        case SOFT_EVENT_CHARACTER:
            if (e->character > 0) MessagePost(w, WM_CHAR, (uintptr_t)e->character, 1);
            break;
        case SOFT_EVENT_CLOSE:
            MessagePost(w, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}
