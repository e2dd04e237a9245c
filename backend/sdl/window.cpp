// The SDL window and its events: a desktop-sized full-screen window or a
// resizable window (Alt+Enter switches), SDL's events handed over as
// platform events, the clock, the message box and the system pointer.
// Characters come from the text the keyboard layout types.
#include <SDL.h>

#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "backend/sdl/parts.h"
#include "backend/sdl/sdl.h"
#include "backend/soft/soft.h"

static SDL_Window* Window = nullptr;
static int StartWindowed = 0;
// The Return press of an Alt+Enter was taken here, so its release is too.
static int ReturnTaken = 0;
static int VideoTried = 0;
static int VideoOk = 0;
// What is left of the text the layout typed, one character an event.
static char Typed[sizeof(SDL_TextInputEvent::text)];
static size_t TypedAt = 0;

// An idle pass waits on the window system's connection instead of sleeping
// blindly: input wakes it at once, and while nothing arrives the events are
// not fetched on every pass (a fetch costs the X client library four system
// calls). Events the client library may hold without the connection showing
// them (read while a present waited for a reply, or made by SDL itself) are
// fetched after every present and at least every QUIET_PASSES passes.
#define QUIET_PASSES 16
static int EventFd = -1;
static int FetchWanted = 1;
static int QuietPasses = 0;

// SDL falls back to drivers that show nothing when no display can be
// reached; a program nobody can see would then run for ever without a word.
// Those drivers serve only when SDL_VIDEODRIVER asks for them.
static int InvisibleDriver(const char* name) {
    return name && (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0);
}

static int DriverRequested(const char* name) {
    const char* list = SDL_getenv("SDL_VIDEODRIVER");
    size_t length = std::strlen(name);
    for (const char* at = list; at && *at;) {
        const char* end = std::strchr(at, ',');
        size_t word = end ? (size_t)(end - at) : std::strlen(at);
        if (word == length && SDL_strncasecmp(at, name, length) == 0) return 1;
        at = end ? end + 1 : nullptr;
    }
    return 0;
}

int SdlVideoUp() {
    if (!VideoTried) {
        VideoTried = 1;
        SdlCatchStopSignals();
        VideoOk = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
        if (!VideoOk) {
            std::fprintf(stderr, "zemVR: no video: %s\n", SDL_GetError());
        } else {
            const char* driver = SDL_GetCurrentVideoDriver();
            if (InvisibleDriver(driver) && !DriverRequested(driver)) {
                SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
                VideoOk = 0;
                std::fprintf(stderr,
                             "zemVR: no display: DISPLAY is not set or its server cannot be "
                             "reached (SDL_VIDEODRIVER=%s runs without one)\n",
                             driver);
            }
        }
    }
    return VideoOk;
}

SDL_Window* SdlWindow() { return Window; }

BkResult BackendFault(SoftOp op) {
    (void)op;
    return 0;
}

void BackendReleased(const char* what) { (void)what; }

void SdlStartWindowed(int windowed) { StartWindowed = windowed != 0; }

// Room the window manager's borders and title bar take around a window.
#define DECORATION_WIDTH 16
#define DECORATION_HEIGHT 48

// The window: the largest whole multiple of 640 x 480 that fits the
// desktop's usable area (panels left out) with room for the decorations,
// at least 640 x 480.
static void WindowedSize(int display, int* width, int* height) {
    SDL_Rect usable = {0, 0, SOFT_WIDTH, SOFT_HEIGHT};
    if (SDL_GetDisplayUsableBounds(display, &usable) != 0) {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(display, &mode) == 0) {
            usable.w = mode.w;
            usable.h = mode.h;
        }
    }
    int across = (usable.w - DECORATION_WIDTH) / SOFT_WIDTH;
    int down = (usable.h - DECORATION_HEIGHT) / SOFT_HEIGHT;
    int factor = across < down ? across : down;
    if (factor < 1) factor = 1;
    *width = SOFT_WIDTH * factor;
    *height = SOFT_HEIGHT * factor;
}

int BackendWindowOpen(const char* title, int32_t width, int32_t height) {
    if (!SdlVideoUp()) return 0;
    if (width <= 0 || height <= 0) {
        width = SOFT_WIDTH;
        height = SOFT_HEIGHT;
    }
    uint32_t flags = SDL_WINDOW_RESIZABLE;
    if (StartWindowed)
        WindowedSize(0, &width, &height);
    else
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    Window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                              height, flags);
    if (!Window) {
        std::fprintf(stderr, "zemVR: no window: %s\n", SDL_GetError());
        return 0;
    }
    EventFd = SdlEventFd(Window);
    FetchWanted = 1;
    // Characters are what the keyboard layout types: "<" and ">" act on
    // whichever key makes them.
    SoftCharactersFromText(1);
    SDL_StartTextInput();
    SoftResetInput();
    Typed[0] = 0;
    TypedAt = 0;
    ReturnTaken = 0;
    return 1;
}

void SdlToggleFullScreen() {
    if (!Window) return;
    if (SDL_GetWindowFlags(Window) & SDL_WINDOW_FULLSCREEN) {
        int width, height, display = SDL_GetWindowDisplayIndex(Window);
        WindowedSize(display < 0 ? 0 : display, &width, &height);
        SDL_SetWindowFullscreen(Window, 0);
        SDL_SetWindowSize(Window, width, height);
        SDL_SetWindowPosition(Window, SDL_WINDOWPOS_CENTERED_DISPLAY(display < 0 ? 0 : display),
                              SDL_WINDOWPOS_CENTERED_DISPLAY(display < 0 ? 0 : display));
    } else {
        // Where no window manager acts on the request (a bare X server), the
        // window covers the desktop all the same.
        SDL_Rect bounds;
        int display = SDL_GetWindowDisplayIndex(Window);
        if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0) {
            SDL_SetWindowPosition(Window, bounds.x, bounds.y);
            SDL_SetWindowSize(Window, bounds.w, bounds.h);
        }
        SDL_SetWindowFullscreen(Window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    SdlRepresent();
}

void BackendWindowShow() {
    if (!Window) return;
    SDL_ShowWindow(Window);
    SDL_RaiseWindow(Window);
}

void BackendWindowClose() {
    EventFd = -1;
    SdlDropRenderer();
    if (Window) SDL_DestroyWindow(Window);
    Window = nullptr;
}

// ---------------------------------------------------------------------------
// Events into messages.

static int VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
    switch (key) {
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_RETURN:
        case SDLK_RETURN2:
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_UP: return VK_UP;
        case SDLK_DOWN: return VK_DOWN;
        // The keypad's + and - are keys of their own.
        case SDLK_KP_PLUS: return VK_ADD;
        case SDLK_KP_MINUS: return VK_SUBTRACT;
        case SDLK_PLUS:
        case SDLK_EQUALS: return VK_OEM_PLUS;
        case SDLK_MINUS: return VK_OEM_MINUS;
        case SDLK_COMMA:
        case SDLK_LESS: return VK_OEM_COMMA;
        case SDLK_PERIOD:
        case SDLK_GREATER: return VK_OEM_PERIOD;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return VK_CONTROL;
        default: return 0;
    }
}

// Mouse positions arrive in window coordinates and go to the system in
// those of the 640 x 480 picture; on the black bars, its nearest edge.
static void At(int x, int y, SoftEvent* out) { SdlWindowToPicture(x, y, &out->x, &out->y); }

// The next character of the text the layout typed (the code point);
// control characters never come as text, Enter's comes from translation.
static int NextCharacter(SoftEvent* out) {
    const unsigned char* p = (const unsigned char*)Typed + TypedAt;
    while (*p) {
        uint32_t code = *p++;
        int more = code < 0x80             ? 0
                   : (code & 0xE0) == 0xC0 ? 1
                   : (code & 0xF0) == 0xE0 ? 2
                   : (code & 0xF8) == 0xF0 ? 3
                                           : -1;
        if (more < 0) continue;  // a stray continuation byte
        if (more) code &= 0x3Fu >> more;
        for (; more > 0 && (*p & 0xC0) == 0x80; more--, p++) code = code << 6 | (*p & 0x3Fu);
        if (more == 0 && code >= 0x20 && code != 0x7F) {
            TypedAt = (size_t)((const char*)p - Typed);
            out->kind = SOFT_EVENT_CHARACTER;
            out->character = code;
            return 1;
        }
    }
    Typed[0] = 0;
    TypedAt = 0;
    return 0;
}

// Keys the backend keeps for itself: Alt+Enter, Print and F10. 1 when the
// event was one of them (no message goes to the system, neither for the
// press nor for the release).
static int BackendKey(const SDL_KeyboardEvent& key) {
    SDL_Keycode sym = key.keysym.sym;
    int down = key.type == SDL_KEYDOWN;
    if (sym == SDLK_RETURN || sym == SDLK_KP_ENTER || sym == SDLK_RETURN2) {
        if (down && (key.keysym.mod & KMOD_ALT)) {
            if (!key.repeat) {
                SdlToggleFullScreen();
                ReturnTaken = 1;
            }
            return 1;
        }
        if (!down && ReturnTaken) {
            ReturnTaken = 0;
            return 1;
        }
        return 0;
    }
    if (sym == SDLK_PRINTSCREEN || sym == SDLK_F10) {
        if (down && !key.repeat) SdlScreenshot();
        return 1;
    }
    return 0;
}

static SoftButton Button(uint8_t button) {
    return button == SDL_BUTTON_LEFT    ? SOFT_BUTTON_LEFT
           : button == SDL_BUTTON_RIGHT ? SOFT_BUTTON_RIGHT
                                        : SOFT_BUTTON_OTHER;
}

// 0 for an event that is the backend's own business.
static int Convert(const SDL_Event& e, SoftEvent* out) {
    switch (e.type) {
        case SDL_MOUSEMOTION:
            out->kind = SOFT_EVENT_MOVE;
            At(e.motion.x, e.motion.y, out);
            out->buttons = ((e.motion.state & SDL_BUTTON_LMASK) ? SOFT_HELD_LEFT : 0) |
                           ((e.motion.state & SDL_BUTTON_RMASK) ? SOFT_HELD_RIGHT : 0);
            return 1;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            out->kind = e.type == SDL_MOUSEBUTTONDOWN ? SOFT_EVENT_PRESS : SOFT_EVENT_RELEASE;
            out->button = Button(e.button.button);
            At(e.button.x, e.button.y, out);
            out->clicks = e.button.clicks;
            return 1;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            out->kind = e.type == SDL_KEYDOWN ? SOFT_EVENT_KEY_DOWN : SOFT_EVENT_KEY_UP;
            // The modifiers count even with a key the backend keeps.
            out->key = BackendKey(e.key) ? 0 : VirtualKey(e.key.keysym.sym);
            out->repeat = e.key.repeat != 0;
            out->shift = (e.key.keysym.mod & KMOD_SHIFT) != 0;
            out->control = (e.key.keysym.mod & KMOD_CTRL) != 0;
            return 1;
        case SDL_TEXTINPUT:
            SDL_strlcpy(Typed, e.text.text, sizeof Typed);
            TypedAt = 0;
            return NextCharacter(out);
        case SDL_QUIT:
            out->kind = SOFT_EVENT_CLOSE;
            return 1;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                out->kind = SOFT_EVENT_CLOSE;
                return 1;
            }
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                e.window.event == SDL_WINDOWEVENT_RESTORED)
                SdlRepresent();
            return 0;
        case SDL_RENDER_DEVICE_RESET:
        case SDL_RENDER_TARGETS_RESET:
            SdlRenderReset();
            return 0;
        default:
            return 0;
    }
}

void SdlEventsMayWait() { FetchWanted = 1; }

int BackendNextEvent(SoftEvent* out) {
    if (SdlStopAsked()) {
        out->kind = SOFT_EVENT_CLOSE;
        return 1;
    }
    if (NextCharacter(out)) return 1;
    if (SdlAuthorEvent(out)) return 1;
    if (!VideoOk) return 0;
    if (EventFd >= 0 && !FetchWanted && ++QuietPasses < QUIET_PASSES) return 0;
    QuietPasses = 0;
    FetchWanted = 0;
    SDL_Event e;
    while (SDL_PollEvent(&e))
        if (Convert(e, out)) {
            // More events may wait behind this one.
            FetchWanted = 1;
            return 1;
        }
    return 0;
}

void BackendIdle() {
    if (EventFd < 0) {
        SDL_Delay(1);
        return;
    }
    struct pollfd watch = {EventFd, POLLIN, 0};
    int ready = poll(&watch, 1, 1);
    if (ready == 0) return;
    FetchWanted = 1;
    // A broken connection would wake every wait at once: sleep from now on.
    if (ready < 0 ? errno != EINTR : (watch.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        EventFd = -1;
        SDL_Delay(1);
    }
}

static int DesktopSize(int32_t* width, int32_t* height) {
    SDL_DisplayMode mode;
    if (!SdlVideoUp() || SDL_GetDesktopDisplayMode(0, &mode) != 0) return 0;
    *width = mode.w;
    *height = mode.h;
    return 1;
}

int32_t ScreenWidth() {
    int32_t w = SOFT_WIDTH, h = SOFT_HEIGHT;
    DesktopSize(&w, &h);
    return w;
}

int32_t ScreenHeight() {
    int32_t w = SOFT_WIDTH, h = SOFT_HEIGHT;
    DesktopSize(&w, &h);
    return h;
}

void CursorHide() {
    if (SdlVideoUp()) SDL_ShowCursor(SDL_DISABLE);
}

uint32_t ClockMilliseconds() { return SDL_GetTicks(); }

void ConsoleWrite(const char* text) { std::fprintf(stderr, "zemVR: %s\n", text ? text : ""); }

// The text is on standard error already; where no box can be shown, that is
// where it stays. A stop signal ends the program while the box waits.
void MessageBoxShow(BkWindow* owner, const char* text, const char* caption) {
    if (!text) text = "";
    if (!caption) caption = "";
    SDL_Window* parent = nullptr;
    if (owner && owner->alive && Window &&
        (SDL_GetWindowFlags(Window) & SDL_WINDOW_SHOWN))
        parent = Window;
    SdlBoxWaiting(1);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, parent);
    SdlBoxWaiting(0);
}
