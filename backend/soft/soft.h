// What every backend shares: the in-memory display (flipping chain,
// palettes, locks, device contexts), the message queue of the one window
// with the key and button states it implies, the font registry and the
// sound buffer records, and the present policy of a backend with a real
// screen. Private to backend/: the system sees only backend.h.
//
// Each backend provides the hooks declared at the end (Backend*): how a frame
// reaches a screen, where platform events come from, how glyphs are drawn,
// how a sound is heard, and which results a test has injected.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backend/backend.h"

#define SOFT_WIDTH 640
#define SOFT_HEIGHT 480
#define SOFT_PALETTE_BYTES 1024

// Operations whose result a backend may override (the headless backend lets
// tests choose them). Same order as HeadlessOp.
enum SoftOp {
    SOP_WINDOW_CREATE,
    SOP_DISPLAY_CREATE,
    SOP_SET_COOPERATIVE_LEVEL,
    SOP_SET_DISPLAY_MODE,
    SOP_CREATE_SURFACE,
    SOP_GET_ATTACHED_SURFACE,
    SOP_CREATE_PALETTE,
    SOP_SET_PALETTE,
    SOP_FLIP,
    SOP_RESTORE,
    SOP_LOCK,
    SOP_GET_DC,
    SOP_FONT_CREATE,
    SOP_SOUND_CREATE,
    SOP_SOUND_COOPERATIVE_LEVEL,
    SOP_SOUND_CREATE_BUFFER,
    SOP_SOUND_LOCK,
    SOP_COUNT
};

// ---------------------------------------------------------------------------
// Objects behind the handles of backend.h.

struct BkWindow {
    BkWindowProc proc;
    int alive;
};

struct BkDisplay {
    BkWindow* window;
    uint32_t cooperativeFlags;
    int modeHeld;
};

// refs: one for the program until it releases the palette, plus one for each
// chain it is attached to; the memory goes when both are gone.
struct BkPalette {
    BkDisplay* display;
    uint8_t entries[SOFT_PALETTE_BYTES];
    int refs;
    int released;
};

// A primary surface and its back buffer. The chain's state (lost, palette)
// lives in the primary; `primary` of either surface points there.
struct BkSurface {
    BkDisplay* display;
    BkSurface* primary;
    BkSurface* back;
    uint8_t* pixels;
    int32_t width;
    int32_t height;
    int32_t pitch;
    uint32_t caps;
    int lost;
    int locks;
    BkPalette* palette;
};

struct BkDC {
    BkSurface* surface;
    int32_t bkMode;
    uint32_t textColor;  // 0x00BBGGRR
    uint32_t bkColor;
    BkFont* font;
};

// Fonts: the cell height in pixels (1 to SOFT_MAX_CELL_HEIGHT) and what
// the backend made of the request.
#define SOFT_DEFAULT_CELL_HEIGHT 16
#define SOFT_MAX_CELL_HEIGHT 256
struct BkFont {
    int32_t cellHeight;
    void* backend;
};

struct BkSoundDevice {
    BkWindow* window;
    uint32_t level;
};

struct BkSoundBuffer {
    BkSoundDevice* device;
    WaveFormat format;
    uint8_t* bytes;
    uint32_t size;
    uint32_t writePosition;
    int locked;
    void* backend;  // the backend's own playback record, or none
};

// ---------------------------------------------------------------------------
// Shared state, for the backends.

BkWindow* SoftWindow();        // the program's one window record
int SoftQueueLength();
// on: the backend posts WM_CHAR for the text the keyboard layout types, and
// translation adds only Enter's character 13. Off after a reset.
void SoftCharactersFromText(int on);
BkSurface* SoftPrimary();      // the live primary surface, or none
int SoftSurfaceLive(const BkSurface* surface);
int SoftLiveSoundBuffers();
// The palette that colours a surface: the one attached to its chain.
const uint8_t* SoftChainPalette(const BkSurface* surface);
// Index of the palette entry nearest to a COLORREF (0x00BBGGRR).
int SoftNearestIndex(const uint8_t* palette, uint32_t colorref);

struct SoftTextRecord {
    std::string text;
    int32_t x;
    int32_t y;
    int count;
};
const SoftTextRecord* SoftLastText();

// Frees the device contexts of a surface that goes away.
void SoftFreeDCsOf(const BkSurface* surface);
// A live font, or the plain default one where font is none or gone; none
// when no font at all can be had.
BkFont* SoftFontOrDefault(BkFont* font);

// Plays a buffer from its start once its format has passed the checks
// every backend relies on; stops what it played before.
BkResult SoftSoundStart(BkSoundBuffer* buffer);

// Releases every object, message and state, with no word in the release
// log (tests start again from nothing); of the backend's own records only
// those of fonts are closed.
void SoftReset();
void SoftResetDisplay();
void SoftResetText();
void SoftResetFonts();
void SoftResetSound();

// ---------------------------------------------------------------------------
// Platform events and input state.

// A platform event as a backend hands it over; the shared layer turns it
// into the window's message and keeps the key and button states that
// KeyState reports.
enum SoftEventKind {
    SOFT_EVENT_NONE,
    SOFT_EVENT_MOVE,        // x, y, buttons
    SOFT_EVENT_PRESS,       // button, x, y, clicks
    SOFT_EVENT_RELEASE,     // button, x, y
    SOFT_EVENT_KEY_DOWN,    // key, repeat, shift, control
    SOFT_EVENT_KEY_UP,      // key, shift, control
    SOFT_EVENT_CHARACTER,   // character
    SOFT_EVENT_CLOSE        // the window is asked to close
};
enum SoftButton { SOFT_BUTTON_LEFT, SOFT_BUTTON_RIGHT, SOFT_BUTTON_OTHER };
#define SOFT_HELD_LEFT 0x1u
#define SOFT_HELD_RIGHT 0x2u
struct SoftEvent {
    SoftEventKind kind;
    int32_t x;           // in the 640 x 480 picture
    int32_t y;
    uint32_t buttons;    // SOFT_HELD_* held during a move
    SoftButton button;
    int32_t clicks;      // the press's place in a quick series, 1 the first
    int32_t key;         // virtual key; 0 for a key the system does not know
    int repeat;          // the key was down already
    int shift;           // modifiers held with a key event
    int control;
    uint32_t character;  // code point the keyboard layout typed
};
void SoftPostEvent(const SoftEvent* event);
// All keys and buttons up (a window opens, tests start again).
void SoftResetInput();
// Sets a key's or button's state directly, as tests do.
void SoftSetKeyDown(int32_t virtualKey, int down);

// ---------------------------------------------------------------------------
// The present policy of a backend with a real screen (sdl, web), which its
// BackendShow follows: SoftScreenTake first (a palette change right after
// the wait for the vertical blank is shown with the flip that follows, as
// one picture; MessagePeek shows it if no flip comes), then its pacing of
// a flip, then SoftScreenChanged, and only when that says so it shows
// SoftScreenPixels through SoftScreenColours. An idle program redraws the
// same frame on every animation tick: that costs a comparison instead of a
// conversion and a present.

enum SoftShowReason { SOFT_SHOW_FLIP, SOFT_SHOW_PALETTE };

// Where red, green and blue sit in the backend's 32-bit colours (bit
// shifts); alpha, always 0xFF, sits in the remaining byte.
struct SoftColourOrder {
    int red;
    int green;
    int blue;
};
// The screen is there: the default 3-3-2 colour cube (as the text colour
// matching assumes without a palette), nothing shown yet.
void SoftScreenOpen(SoftColourOrder order);
void SoftScreenClose();
void SoftScreenBlankWaited();
// Takes the palette's colours (none: the colours stay); 0 when the picture
// waits for the next flip.
int SoftScreenTake(const uint8_t* palette, SoftShowReason reason);
// Remembers the front buffer as the picture shown; 0 when it and its
// colours are the ones shown already.
int SoftScreenChanged(const uint8_t* pixels, int32_t pitch);
// The screen lost its picture (exposed, resized): the next one is shown
// whatever it is.
void SoftScreenForget();
// The picture shown: 640 x 480 colour indices, rows of 640, and its 256
// colours; SoftScreenConvert writes it as 32-bit colours, rows pitch bytes
// apart.
const uint8_t* SoftScreenPixels();
const uint32_t* SoftScreenColours();
void SoftScreenConvert(uint8_t* out, int32_t pitch);
// A palette change that waits for a flip is shown now, if there is one.
void SoftScreenFlush();
// What the screen shows now, as 640 x 480 RGB bytes (top row first): the
// front buffer as it would be shown while nothing was; 0 without a screen.
int SoftShownPicture(uint8_t* rgb);

// ---------------------------------------------------------------------------
// Hooks each backend implements.

// 0, or the result a test chose for this call of op.
BkResult BackendFault(SoftOp op);
// A word of the release log: "surface", "palette", "display", "window",
// "sound-buffer", "sound", "font".
void BackendReleased(const char* what);

// Window: 1 when the platform's window could be opened.
int BackendWindowOpen(const char* title, int32_t width, int32_t height);
void BackendWindowShow();
void BackendWindowClose();
// The next platform event for the window, 1 when there is one; events the
// backend deals with itself are taken in passing. Never waits. Called while
// the queue is empty, until an event gives a message, so that the key and
// button states stay those of the message about to be handled.
int BackendNextEvent(SoftEvent* out);
// The queue stayed empty: the backend may give up the processor for at
// most 1 ms.
void BackendIdle();

// The exclusive 640 x 480 x 8 mode is taken / given back.
BkResult BackendTakeDisplay();
void BackendGiveDisplay();

// The front buffer (640 x 480) is to be shown through palette (1024 bytes,
// or none when no palette is attached). A backend with a real screen
// follows the present policy above.
void BackendShow(const uint8_t* pixels, int32_t pitch, const uint8_t* palette,
                 SoftShowReason reason);
void BackendWaitVerticalBlank();

// A font for a request the shared layer has made sane: height not 0 and at
// most SOFT_MAX_CELL_HEIGHT either way (positive: the cell, negative: the
// character height), weight 1 to 1000, face a string. Sets cellHeight and
// backend; 1 when the platform has a font.
int BackendFontOpen(BkFont* font, int32_t height, int32_t weight, const char* face);
void BackendFontClose(BkFont* font);
// Coverage of a string in a live font: width x height bytes, 1 where the
// glyphs set a pixel and 0 elsewhere; height is the font's cell height. 0
// when nothing can be drawn.
struct SoftTextMask {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> bits;
};
int BackendTextMask(BkFont* font, const char* text, int32_t length,
                    SoftTextMask* out);

// Sound: open the device, start a buffer from its start, tell whether it
// still plays, and stop it and free what the backend kept for it. A start
// comes with a checked format (PCM, 8 or 16 bits, mono or stereo, a rate
// between the bounds) and the bytes of its whole sample frames (maybe 0:
// nothing to hear), after the buffer's last playback was stopped.
BkResult BackendSoundOpen();
void BackendSoundClose();
BkResult BackendSoundStart(BkSoundBuffer* buffer, uint32_t bytes);
int BackendSoundPlaying(BkSoundBuffer* buffer);
void BackendSoundStop(BkSoundBuffer* buffer);
