// The page as the program's window: page events turned into the window's
// messages, key and button states, the clock, the message box and the
// system pointer.
#include <emscripten.h>

#include <cstdio>

#include "backend/soft/soft.h"
#include "backend/web/parts.h"

// A run of this many clock reads with no other backend call between them is
// a busy wait (a transition's pause between frames): from then on each read
// first gives the browser its turn. Frame updates read the clock at most
// twice in a row.
#define CLOCK_READS_BEFORE_YIELD 3

// Key and button states as of the last event turned into a message, so that
// a message handler sees the state that belongs to its message even when
// more events wait behind it.
static uint8_t KeysDown[256];
static uint32_t Buttons = 0;  // bit 0 left, bit 1 right
static int Shift = 0;
static int Control = 0;
static int WindowOpen = 0;
static int ClockReads = 0;

void WebClockQuiet() { ClockReads = 0; }

BkResult BackendFault(SoftOp op) {
    (void)op;
    return 0;
}

void BackendReleased(const char* what) { (void)what; }

// The page is the window whatever size is asked for: the canvas shows
// 640 x 480 scaled to the page.
int BackendWindowOpen(const char* title, int32_t width, int32_t height) {
    (void)title;
    (void)width;
    (void)height;
    if (!zem_web_window_open()) return 0;
    // The page posts the characters the keyboard layout types.
    SoftCharactersFromText(1);
    for (uint8_t& k : KeysDown) k = 0;
    Buttons = 0;
    Shift = Control = 0;
    WindowOpen = 1;
    return 1;
}

void BackendWindowShow() {}

void BackendWindowClose() {
    WindowOpen = 0;
    zem_web_window_close();
}

// ---------------------------------------------------------------------------
// Events into messages.

static uint32_t ButtonBit(int32_t button) {
    return button == 0 ? 0x1u : button == 2 ? 0x2u : 0;
}

// wParam of a mouse message: MK_LBUTTON 0x1, MK_RBUTTON 0x2.
static uintptr_t MouseFlags() { return Buttons & 0x3u; }

static intptr_t Position(int32_t packed) {
    return MAKE_MOUSE_LPARAM(packed & 0xFFFF, (packed >> 16) & 0xFFFF);
}

static void Convert(const int32_t* e) {
    BkWindow* w = SoftWindow();
    switch (e[0]) {
        case WEB_EVENT_MOVE:
            Buttons = (uint32_t)e[2] & 0x3u;
            MessagePost(w, WM_MOUSEMOVE, MouseFlags(), Position(e[1]));
            break;
        case WEB_EVENT_DOWN:
            Buttons |= ButtonBit(e[1]);
            if (e[1] == 0)
                // Every second press of a quick series is a double click.
                MessagePost(w, e[3] % 2 == 0 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN,
                            MouseFlags(), Position(e[2]));
            else if (e[1] == 2)
                MessagePost(w, WM_RBUTTONDOWN, MouseFlags(), Position(e[2]));
            break;
        case WEB_EVENT_UP:
            Buttons &= ~ButtonBit(e[1]);
            if (e[1] == 0)
                MessagePost(w, WM_LBUTTONUP, MouseFlags(), Position(e[2]));
            else if (e[1] == 2)
                MessagePost(w, WM_RBUTTONUP, MouseFlags(), Position(e[2]));
            break;
        case WEB_EVENT_KEY_DOWN:
        case WEB_EVENT_KEY_UP: {
            int down = e[0] == WEB_EVENT_KEY_DOWN;
            Shift = (e[3] & 1) != 0;
            Control = (e[3] & 2) != 0;
            if (e[1] <= 0 || e[1] > 255) break;
            KeysDown[e[1]] = (uint8_t)down;
            // lParam as a key message carries it: repeat count 1, bit 30
            // the previous state, bit 31 the transition.
            intptr_t lParam = 1;
            if (!down)
                lParam |= (intptr_t)0xC0000000u;
            else if (e[2])
                lParam |= (intptr_t)0x40000000;
            MessagePost(w, down ? WM_KEYDOWN : WM_KEYUP, (uintptr_t)e[1], lParam);
            break;
        }
        case WEB_EVENT_CHAR:
            if (e[1] > 0) MessagePost(w, WM_CHAR, (uintptr_t)e[1], 1);
            break;
        default:
            break;
    }
}

void BackendPumpMessages() {
    WebClockQuiet();
    if (!WindowOpen) return;
    // One event at a time, so that the states above stay those of the
    // message about to be handled.
    int32_t e[4];
    while (SoftQueueLength() == 0 && zem_web_next_event(e)) Convert(e);
}

// The queue is empty: the page gets its turn until input arrives or the
// next display frame begins, so an idle world costs next to nothing and
// edge scrolling still moves once per frame.
void BackendIdle() {
    WebClockQuiet();
    zem_web_wait(WEB_WAIT_INPUT);
}

int16_t KeyState(int32_t virtualKey) {
    int down = 0;
    switch (virtualKey) {
        case VK_LBUTTON: down = (Buttons & 0x1u) != 0; break;
        case VK_RBUTTON: down = (Buttons & 0x2u) != 0; break;
        case VK_SHIFT: down = Shift; break;
        case VK_CONTROL: down = Control; break;
        default:
            down = virtualKey >= 0 && virtualKey < 256 && KeysDown[virtualKey];
            break;
    }
    return down ? (int16_t)0x8000 : 0;
}

int32_t ScreenWidth() { return SOFT_WIDTH; }
int32_t ScreenHeight() { return SOFT_HEIGHT; }

void CursorHide() { zem_web_cursor_hide(); }

uint32_t ClockMilliseconds() {
    if (++ClockReads >= CLOCK_READS_BEFORE_YIELD) zem_web_wait(WEB_WAIT_BRIEF);
    return (uint32_t)(uint64_t)emscripten_get_now();
}

void ConsoleWrite(const char* text) { std::fprintf(stderr, "zemVR: %s\n", text ? text : ""); }

// The page shows the text where the picture was.
void MessageBoxShow(BkWindow* owner, const char* text, const char* caption) {
    (void)owner;
    WebClockQuiet();
    zem_web_message(text ? text : "", caption ? caption : "");
}
