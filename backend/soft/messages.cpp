// The program's one window and its message queue: take without waiting
// (platform events first turned into messages), translate key presses into
// characters, dispatch to the window procedure, default processing (a close
// request destroys the window).
#include <deque>

#include "backend/soft/soft.h"

// Beyond this many waiting messages new ones are dropped, as a window
// system's queue is bounded too.
#define QUEUE_LIMIT 10000

static BkWindow Window = {nullptr, 0};
static std::deque<BkMsg> Queue;
// The backend posts the characters that the keyboard layout types itself;
// translation then adds only Enter's, so that no character comes twice.
static int CharactersFromText = 0;

BkWindow* SoftWindow() { return &Window; }
int SoftQueueLength() { return (int)Queue.size(); }

BkWindow* WindowCreate(const char* title, BkWindowProc proc, int32_t width,
                       int32_t height) {
    if (BackendFault(SOP_WINDOW_CREATE)) return nullptr;
    if (Window.alive || !proc) return nullptr;
    if (!BackendWindowOpen(title ? title : "", width, height)) return nullptr;
    Window.proc = proc;
    Window.alive = 1;
    return &Window;
}

void WindowShow(BkWindow* window) {
    if (window == &Window && Window.alive) BackendWindowShow();
}

// The window counts as gone before WM_DESTROY is delivered, so that a
// destroy from inside the destroy message does nothing.
void WindowDestroy(BkWindow* window) {
    if (window != &Window || !Window.alive) return;
    Window.alive = 0;
    if (Window.proc) Window.proc(&Window, WM_DESTROY, 0, 0);
    BackendWindowClose();
    BackendReleased("window");
}

// Platform events into the queue until a message is queued or none is left;
// one event at a time, so that the key and button states stay those of the
// message about to be handled.
static void TakeEvents() {
    SoftScreenFlush();
    while (Queue.empty()) {
        SoftEvent event = SoftEvent();
        if (!BackendNextEvent(&event)) return;
        SoftPostEvent(&event);
    }
}

int MessagePeek(BkMsg* out) {
    if (!out) return 0;
    if (Queue.empty()) TakeEvents();
    if (Queue.empty()) {
        BackendIdle();
        return 0;
    }
    *out = Queue.front();
    Queue.pop_front();
    return 1;
}

void SoftCharactersFromText(int on) { CharactersFromText = on != 0; }

// Characters of the keys the program reads: Enter and, where the backend
// does not type them from the layout, the comma and period keys (with shift
// "<" and ">").
static int KeyCharacter(uintptr_t virtualKey) {
    if (virtualKey == VK_RETURN) return 13;
    if (CharactersFromText) return 0;
    int shift = (KeyState(VK_SHIFT) & 0x8000) != 0;
    switch (virtualKey) {
        case VK_OEM_COMMA: return shift ? '<' : ',';
        case VK_OEM_PERIOD: return shift ? '>' : '.';
        default: return 0;
    }
}

// The character is the next message taken, ahead of anything already
// waiting, so that it directly follows its key press.
void MessageTranslate(const BkMsg* msg) {
    if (!msg || msg->message != WM_KEYDOWN) return;
    int ch = KeyCharacter(msg->wParam);
    if (ch)
        Queue.push_front(BkMsg{msg->window, WM_CHAR, (uintptr_t)ch, msg->lParam});
}

intptr_t MessageDispatch(const BkMsg* msg) {
    if (!msg || msg->window != &Window || !Window.alive || !Window.proc)
        return 0;
    return Window.proc(&Window, msg->message, msg->wParam, msg->lParam);
}

intptr_t WindowDefaultProc(BkWindow* window, uint32_t message,
                           uintptr_t wParam, intptr_t lParam) {
    (void)wParam;
    (void)lParam;
    if (message == WM_CLOSE) WindowDestroy(window);
    return 0;
}

void MessagePost(BkWindow* window, uint32_t message, uintptr_t wParam,
                 intptr_t lParam) {
    if (Queue.size() >= QUEUE_LIMIT) return;
    Queue.push_back(BkMsg{window, message, wParam, lParam});
}

// The quit message is never dropped, however full the queue.
void MessagePostQuit(int32_t exitCode) {
    Queue.push_back(BkMsg{nullptr, WM_QUIT, (uintptr_t)(uint32_t)exitCode, 0});
}

void SoftReset() {
    SoftResetText();
    SoftResetFonts();
    SoftResetDisplay();
    SoftResetSound();
    Queue.clear();
    Window = BkWindow{nullptr, 0};
    CharactersFromText = 0;
    SoftResetInput();
}
