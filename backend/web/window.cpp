// The page as the program's window: page events handed over as platform
// events, the clock, the message box and the system pointer.
#include <emscripten.h>

#include <cstdio>

#include "backend/soft/soft.h"
#include "backend/web/parts.h"

// A run of this many clock reads with no other backend call between them is
// a busy wait (a transition's pause between frames): from then on each read
// first gives the browser its turn. Frame updates read the clock at most
// twice in a row.
#define CLOCK_READS_BEFORE_YIELD 3

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
    SoftResetInput();
    WindowOpen = 1;
    return 1;
}

void BackendWindowShow() {}

void BackendWindowClose() {
    WindowOpen = 0;
    zem_web_window_close();
}

// ---------------------------------------------------------------------------
// Page events as platform events.

static SoftButton Button(int32_t button) {
    return button == 0 ? SOFT_BUTTON_LEFT : button == 2 ? SOFT_BUTTON_RIGHT : SOFT_BUTTON_OTHER;
}

static void At(int32_t packed, SoftEvent* out) {
    out->x = packed & 0xFFFF;
    out->y = (packed >> 16) & 0xFFFF;
}

// 0 for an event of a kind the program does not know.
static int Convert(const int32_t* e, SoftEvent* out) {
    switch (e[0]) {
        case WEB_EVENT_MOVE:
            out->kind = SOFT_EVENT_MOVE;
            At(e[1], out);
            out->buttons = (uint32_t)e[2];
            return 1;
        case WEB_EVENT_DOWN:
        case WEB_EVENT_UP:
            out->kind = e[0] == WEB_EVENT_DOWN ? SOFT_EVENT_PRESS : SOFT_EVENT_RELEASE;
            out->button = Button(e[1]);
            At(e[2], out);
            out->clicks = e[3];
            return 1;
        case WEB_EVENT_KEY_DOWN:
        case WEB_EVENT_KEY_UP:
            out->kind = e[0] == WEB_EVENT_KEY_DOWN ? SOFT_EVENT_KEY_DOWN : SOFT_EVENT_KEY_UP;
            out->key = e[1];
            out->repeat = e[2] != 0;
            out->shift = (e[3] & 1) != 0;
            out->control = (e[3] & 2) != 0;
            return 1;
        case WEB_EVENT_CHAR:
            out->kind = SOFT_EVENT_CHARACTER;
            out->character = e[1] > 0 ? (uint32_t)e[1] : 0;
            return 1;
        default:
            return 0;
    }
}

int BackendNextEvent(SoftEvent* out) {
    WebClockQuiet();
    if (!WindowOpen) return 0;
    int32_t e[4];
    while (zem_web_next_event(e))
        if (Convert(e, out)) return 1;
    return 0;
}

// The queue is empty: the page gets its turn until input arrives or the
// next display frame begins, so an idle world costs next to nothing and
// edge scrolling still moves once per frame.
void BackendIdle() {
    WebClockQuiet();
    zem_web_wait(WEB_WAIT_INPUT);
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
